// The job list that HeXMLPC writes for the DBX import: the input becomes
// the list file, matched against a fixed DBX name.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fieldbook/transfer.h"
#include "xml/dbx.h"

namespace {
std::string g_list;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/kvx_fuzz_XXXXXX";
  if (!mkdtemp(dir)) abort();
  g_list = std::string(dir) + "/joblist.log";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = fopen(g_list.c_str(), "wb");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);
  uint32_t h = hMboOpenFile(g_list.c_str(), 0);
  if (!h) abort();
  char job[20], geoid[20];
  if (boMboHeXmlParseJobList(h, "survey", job, sizeof job, geoid, sizeof geoid) &&
      (strlen(job) >= sizeof job || strchr(job, '"')))
    abort();  // cut to its buffer, no quotes left
  vMboCloseFile(&h);
  return 0;
}
