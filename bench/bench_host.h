// What the read and write benchmarks share: a scratch folder for the
// generated files and the side files, a host with quiet message boxes, and
// processor times.
#pragma once

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fieldbook/api.h"
#include "kvxtest_msgbox.h"

namespace benchhost {

inline std::filesystem::path Dir() {
  static std::filesystem::path dir = [] {
    char tmpl[] = "/tmp/kvx_bench_XXXXXX";
    if (!mkdtemp(tmpl)) abort();
    setenv("TMPDIR", tmpl, 1);  // the side files go here too
    return std::filesystem::path(tmpl);
  }();
  return dir;
}

inline int iQuietBox(void*, HWND, const char*, const char*, UINT style) { return kvxTestMsgBoxDefault(style); }

struct Host {
  MboHostRec rec{};
  Host() {
    rec.uVersion = MBO_HOST_REC_VERSION;
    snprintf(rec.sIniPath, sizeof rec.sIniPath, "%s/host.ini", Dir().c_str());
    kvxTestSetMsgBoxHook(iQuietBox, nullptr);
    vKvxMboInit(&rec);
  }
  ~Host() { vKvxMboFinish(); }
};

// Processor time in user and system mode so far: of this process
// (RUSAGE_SELF) or of its finished children (RUSAGE_CHILDREN).
inline double dCpuSeconds(int who) {
  rusage ru;
  getrusage(who, &ru);
  return (double)ru.ru_utime.tv_sec + (double)ru.ru_stime.tv_sec +
         1e-6 * (double)(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
}

}  // namespace benchhost
