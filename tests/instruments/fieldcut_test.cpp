// The eight-bytes-a-step separator search against memchr on random texts:
// separators next to their neighbour values, high bytes and NULs, at every
// start and length.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "instruments/fieldcut.h"

namespace {

TEST(FieldCut, FindsWhatMemchrFinds) {
  std::mt19937 rng(32);
  for (char sep : {',', '\t', ' '}) {
    const unsigned char s = (unsigned char)sep;
    const unsigned char kBytes[] = {
        s, s, (unsigned char)(s - 1), (unsigned char)(s + 1), (unsigned char)(s ^ 0x80), 0, 0x80, 0xFF, 'a', '0'};
    for (int round = 0; round < 20000; round++) {
      char buf[48];
      size_t n = rng() % sizeof buf;
      // Mostly texts without a separator in reach, then dense ones.
      int dense = round % 4;
      for (size_t i = 0; i < n; i++) buf[i] = (char)(dense || rng() % 16 == 0 ? kBytes[rng() % sizeof kBytes] : 'a');
      for (size_t from = 0; from <= n; from++) {
        char* want = (char*)memchr(buf + from, sep, n - from);
        ASSERT_EQ(want ? want : buf + n, pFindByte(buf + from, buf + n, sep)) << round << " " << from << " " << n;
      }
    }
  }
}

}  // namespace
