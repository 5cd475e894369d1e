// Topcon FC1/2 and GTS-800 reads at 10^4, 10^5 and 10^6 lines through the
// direct read. FC: a station every 500 lines, then observations (target
// height, slope distance with both angles) and coordinate records by turns,
// one record group a line. GTS-800: a station every 500 lines, then side
// shots (SS and SD) and coordinate lines. Beside each the processor time
// mawk takes to split the same file (LC_ALL=C); the read reports its ratio
// to it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench_host.h"

namespace {

using benchhost::Dir;
using benchhost::vAwkFloor;
using benchhost::vLineCounts;
using benchhost::vReadPerLine;

const int kFc = 72;
const int kGts = 73;

// Packed degrees, minutes and seconds (DDDMMSS) of line i.
long long lAngle(int64_t i, int degrees) {
  return (long long)((i * 37) % degrees) * 10000 + (i % 60) * 100 + (i * 7) % 60;
}

void vFcLine(FILE* f, int64_t i) {
  if (i % 500 == 0) {
    fprintf(f, "_'ST%lld_)1.600", (long long)i);
  } else if (i % 2) {
    fprintf(f, "_+%lld_,1.500_?+%08lldm%07lld%07lld", (long long)i, (long long)(5000 + i % 100000), lAngle(i, 180),
            lAngle(i, 360));
  } else {
    fprintf(f, "_+%lld_f+%09lld_g+%09lld_h-%09lld", (long long)i, (long long)(100000000 + i), (long long)(2000 + i),
            (long long)(i % 50000));
  }
}

void vGtsLine(FILE* f, int64_t i) {
  if (i % 500 == 0)
    fprintf(f, "STN ST%lld,1.600,TOP", (long long)i);
  else if (i % 3 == 0)
    fprintf(f, "SS P%lld,1.500,KUM", (long long)i);
  else if (i % 3 == 1)
    fprintf(f, "SD %.4f,%.4f,%.3f", (double)(i % 4000) * 0.1, 80.0 + (double)(i % 400) * 0.1, 5.0 + (double)(i % 997));
  else
    fprintf(f, "P%lld,%.3f,%.3f,%.3f,WALL", (long long)i, 1000.0 + (double)i * 0.125, 2000.0 + (double)(i % 1000),
            10.0 + (double)(i % 50) * 0.01);
}

// The generated file of n lines of the instrument (made once).
std::string sFile(int64_t n, int instrument) {
  static std::map<std::pair<int64_t, int>, std::string> files;
  auto key = std::make_pair(n, instrument);
  auto it = files.find(key);
  if (it != files.end()) return it->second;
  std::string path = (Dir() / ("topcon" + std::to_string(instrument) + "_" + std::to_string(n) + ".txt")).string();
  FILE* f = fopen(path.c_str(), "wb");
  if (instrument == kGts) fputs("UNITS M,G\r\n", f);
  for (int64_t i = instrument == kGts ? 1 : 0; i < n; i++) {
    if (instrument == kFc)
      vFcLine(f, i);
    else
      vGtsLine(f, i);
    fputs("\r\n", f);
  }
  fclose(f);
  files[key] = path;
  return path;
}

void BM_AwkFloor(benchmark::State& state, int instrument) {
  vAwkFloor(state, sFile(state.range(0), instrument), state.range(0));
}

void BM_TopconRead(benchmark::State& state, int instrument) {
  vReadPerLine(state, instrument, sFile(state.range(0), instrument), state.range(0));
}

}  // namespace

BENCHMARK_CAPTURE(BM_AwkFloor, fc, kFc)->Apply(vLineCounts);
BENCHMARK_CAPTURE(BM_TopconRead, fc, kFc)->Apply(vLineCounts);
BENCHMARK_CAPTURE(BM_AwkFloor, gts800, kGts)->Apply(vLineCounts);
BENCHMARK_CAPTURE(BM_TopconRead, gts800, kGts)->Apply(vLineCounts);
