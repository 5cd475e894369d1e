// A Geodat import and export at 10^4, 10^5 and 10^6 points through the
// direct read and write: points with names and codes, every tenth name
// repeated (a merge), lines by label-91 line commands. Beside them the time
// awk takes to split the same file, as the floor of reading it at all.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <string>

#include "bench_host.h"

namespace fs = std::filesystem;

namespace {

using benchhost::Dir;
using benchhost::Host;

// The generated file of n points (made once per size).
std::string sFile(int64_t n) {
  static std::map<int64_t, std::string> files;
  auto it = files.find(n);
  if (it != files.end()) return it->second;
  std::string path = (Dir() / ("pts" + std::to_string(n) + ".are")).string();
  FILE* f = fopen(path.c_str(), "wb");
  fputs("90=1\r\n", f);
  for (int64_t i = 0; i < n; i++) {
    if (i % 100 == 0) fprintf(f, "91=%lld\r\n", (long long)(i / 100 + 1));
    int64_t name = i % 10 == 9 ? i - 1 : i;  // every tenth name repeated
    fprintf(f, "5=%lld\r\n4=%s\r\n37=%.3f\r\n38=%.3f\r\n39=%.3f\r\n", (long long)name, i % 3 ? "KUM" : "VEG",
            6650000.0 + (double)i * 0.125, 100000.0 + (double)(i % 1000) * 0.5, 10.0 + (double)(i % 50) * 0.01);
  }
  fclose(f);
  files[n] = path;
  return path;
}

double dNsPerPoint(double seconds, int64_t n) { return seconds * 1e9 / (double)n; }

// This process's processor time so far: in user mode, and in the system's
// (mostly the page faults of a large field book's first use of its memory).
void vOwnCpuSeconds(double* user, double* sys) {
  rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  *user = (double)ru.ru_utime.tv_sec + 1e-6 * (double)ru.ru_utime.tv_usec;
  *sys = (double)ru.ru_stime.tv_sec + 1e-6 * (double)ru.ru_stime.tv_usec;
}

// Real, processor and system time of the timed calls, per point.
struct Times {
  double real = 0, user = 0, sys = 0;
  template <class F>
  void vTime(F f) {
    double u0, s0, u1, s1;
    vOwnCpuSeconds(&u0, &s0);
    auto t0 = std::chrono::steady_clock::now();
    f();
    real += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    vOwnCpuSeconds(&u1, &s1);
    user += u1 - u0;
    sys += s1 - s0;
  }
  void vReport(benchmark::State& state) const {
    double n = (double)state.iterations();
    state.counters["ns_per_point"] = dNsPerPoint(real / n, state.range(0));
    state.counters["cpu_ns_per_point"] = dNsPerPoint((user + sys) / n, state.range(0));
    state.counters["sys_ns_per_point"] = dNsPerPoint(sys / n, state.range(0));
  }
};

void BM_GeodatRead(benchmark::State& state) {
  std::string path = sFile(state.range(0));
  Host host;
  Times times;
  for (auto _ : state) {
    times.vTime([&] {
      if (!boKvxMboReadRawDirect(&host.rec, 10, path.c_str())) state.SkipWithError("read failed");
    });
  }
  state.counters["points"] = (double)iPoPointsGetCount(pKvxMboPoPointsGet());
  times.vReport(state);
}

void BM_GeodatWrite(benchmark::State& state) {
  std::string path = sFile(state.range(0));
  std::string out = (Dir() / "out.are").string();
  Host host;
  boKvxMboReadRawDirect(&host.rec, 10, path.c_str());
  Times times;
  for (auto _ : state) {
    fs::remove(out);
    times.vTime([&] {
      if (!boKvxMboWriteRawDirect(&host.rec, 10, out.c_str())) state.SkipWithError("write failed");
    });
  }
  times.vReport(state);
}

// The floor: awk splitting every record of the same file. Its processor
// time (cpu_ns_per_point) compares with the CPU column of the read on a
// busy machine.
void BM_AwkFloor(benchmark::State& state) {
  std::string path = sFile(state.range(0));
  std::string cmd = "awk -F= '{n+=NF} END{print n}' " + path + " >/dev/null";
  double total = 0, cpu = 0;
  for (auto _ : state) {
    double c0 = benchhost::dCpuSeconds(RUSAGE_CHILDREN);
    auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("awk failed");
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    cpu += benchhost::dCpuSeconds(RUSAGE_CHILDREN) - c0;
  }
  state.counters["ns_per_point"] = dNsPerPoint(total / (double)state.iterations(), state.range(0));
  state.counters["cpu_ns_per_point"] = dNsPerPoint(cpu / (double)state.iterations(), state.range(0));
}

}  // namespace

BENCHMARK(BM_AwkFloor)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GeodatRead)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GeodatWrite)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
