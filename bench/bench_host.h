// What the read and write benchmarks share: a scratch folder for the
// generated files and the side files, a host with quiet message boxes,
// processor times, and a read timed per line beside mawk's split of the same
// file.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
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

// mawk's processor time per line by file, the best run kept.
inline std::map<std::string, double>& Floors() {
  static std::map<std::string, double> floors;
  return floors;
}

// The floor of reading a text file at all: mawk (LC_ALL=C) splitting every
// line of it. Only running the benchmark needs mawk, not building it.
inline void vAwkFloor(benchmark::State& state, const std::string& path, int64_t lines) {
  std::string cmd = "LC_ALL=C mawk '{n+=NF} END{print n}' " + path + " >/dev/null";
  double cpu = 0;
  for (auto _ : state) {
    double c0 = dCpuSeconds(RUSAGE_CHILDREN);
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("mawk failed");
    cpu += dCpuSeconds(RUSAGE_CHILDREN) - c0;
  }
  double perLine = cpu * 1e9 / (double)state.iterations() / (double)lines;
  auto it = Floors().find(path);
  if (it == Floors().end() || perLine < it->second) Floors()[path] = perLine;
  state.counters["cpu_ns_per_line"] = perLine;
}

// The direct read of the file by the instrument's reader: processor time
// per line, and its ratio to the floor when that ran first.
inline void vReadPerLine(benchmark::State& state, int instrument, const std::string& path, int64_t lines) {
  Host host;
  double cpu = 0;
  for (auto _ : state) {
    double c0 = dCpuSeconds(RUSAGE_SELF);
    boKvxMboReadRawDirect(&host.rec, instrument, path.c_str());
    cpu += dCpuSeconds(RUSAGE_SELF) - c0;
  }
  state.counters["points"] = (double)iPoPointsGetCount(pKvxMboPoPointsGet());
  double perLine = cpu * 1e9 / (double)state.iterations() / (double)lines;
  state.counters["cpu_ns_per_line"] = perLine;
  auto floor = Floors().find(path);
  if (floor != Floors().end() && floor->second > 0) state.counters["ratio_to_mawk"] = perLine / floor->second;
}

// 10^4, 10^5 and 10^6 lines.
inline void vLineCounts(benchmark::internal::Benchmark* b) {
  b->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace benchhost
