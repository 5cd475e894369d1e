// One libFuzzer target per raw reader: the input becomes a raw file that the
// exported direct read takes as the instrument KVX_FUZZ_INSTRUMENT, on a
// field book that lives for the whole run (as in a host, reads follow each
// other). Message boxes take their default answer silently.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fieldbook/api.h"
#include "kvxtest_msgbox.h"

namespace {

MboHostRec g_host;
std::string g_raw;

int iSilentBox(void*, HWND, const char*, const char*, UINT style) { return kvxTestMsgBoxDefault(style); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/kvx_fuzz_XXXXXX";
  if (!mkdtemp(dir)) abort();
  g_raw = std::string(dir) + "/input.raw";
  memset(&g_host, 0, sizeof g_host);
  g_host.uVersion = MBO_HOST_REC_VERSION;
  snprintf(g_host.sIniPath, sizeof g_host.sIniPath, "%s/host.ini", dir);
  kvxTestSetMsgBoxHook(iSilentBox, nullptr);
  vKvxMboInit(&g_host);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = fopen(g_raw.c_str(), "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
  boKvxMboReadRawDirect(&g_host, KVX_FUZZ_INSTRUMENT, g_raw.c_str());
  return 0;
}
