// Leica GSI8 and GSI16 reads at 10^4, 10^5 and 10^6 lines through the
// direct read: a station block every 500 lines, then coordinate records
// (81, 82, 83, every tenth with a code word) and observations (21, 22, 31,
// 87) by turns. Beside each the processor time mawk takes to split the same
// file (LC_ALL=C), the floor of reading it at all; the read reports its
// ratio to it (the floor of the same size runs first).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "bench_host.h"

namespace {

using benchhost::Dir;
using benchhost::vAwkFloor;
using benchhost::vLineCounts;
using benchhost::vReadPerLine;

// A word: WI and information (6 characters), sign, data right-aligned in
// 8 or 16 digits, a blank.
void vWord(FILE* f, const char* wi, long long value, int digits) {
  fprintf(f, "%s%c%0*lld ", wi, value < 0 ? '-' : '+', digits, value < 0 ? -value : value);
}

// The generated file of n lines in GSI8 (digits 8) or GSI16 (made once).
std::string sFile(int64_t n, int digits) {
  static std::map<std::pair<int64_t, int>, std::string> files;
  auto key = std::make_pair(n, digits);
  auto it = files.find(key);
  if (it != files.end()) return it->second;
  std::string path = (Dir() / ("gsi" + std::to_string(digits) + "_" + std::to_string(n) + ".gsi")).string();
  FILE* f = fopen(path.c_str(), "wb");
  for (int64_t i = 0; i < n; i++) {
    if (digits == 16) fputc('*', f);
    long long no = (long long)(i % 10000);
    if (i % 500 == 0) {
      fprintf(f, "41%04lld", no);
      vWord(f, "", 10, digits);
      fprintf(f, "42....+%0*lld ", digits, (long long)(900000 + i / 500));
      vWord(f, "43....", 1600, digits);
    } else if (i % 2) {
      fprintf(f, "11%04lld", no);
      vWord(f, "", i, digits);
      vWord(f, "81..10", 500000000 + i * 125, digits);
      vWord(f, "82..10", 6600000000 + (i % 1000) * 500, digits);
      vWord(f, "83..10", 10000 + i % 5000, digits);
      if (i % 10 == 1) fprintf(f, "71....+%0*d ", digits, 42);
    } else {
      fprintf(f, "11%04lld", no);
      vWord(f, "", i, digits);
      vWord(f, "21.322", (i * 7919) % 40000000, digits);
      vWord(f, "22.322", 9000000 + i % 2000000, digits);
      vWord(f, "31..00", 5000 + i % 100000, digits);
      vWord(f, "87..10", 1500 + i % 3 * 100, digits);
    }
    fputs("\r\n", f);
  }
  fclose(f);
  files[key] = path;
  return path;
}

void BM_AwkFloor(benchmark::State& state, int digits) {
  vAwkFloor(state, sFile(state.range(0), digits), state.range(0));
}

void BM_GsiRead(benchmark::State& state, int digits) {
  vReadPerLine(state, 95, sFile(state.range(0), digits), state.range(0));
}

}  // namespace

BENCHMARK_CAPTURE(BM_AwkFloor, gsi8, 8)->Apply(vLineCounts);
BENCHMARK_CAPTURE(BM_GsiRead, gsi8, 8)->Apply(vLineCounts);
BENCHMARK_CAPTURE(BM_AwkFloor, gsi16, 16)->Apply(vLineCounts);
BENCHMARK_CAPTURE(BM_GsiRead, gsi16, 16)->Apply(vLineCounts);
