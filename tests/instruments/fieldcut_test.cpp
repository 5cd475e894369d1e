// The eight-bytes-a-step separator search against a byte loop on random
// texts: separators next to their neighbour values, high bytes and NULs, at
// every length.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>
#include <utility>

#include "base/fieldcut.h"

namespace {

TEST(FieldCut, FindsWhatAByteLoopFinds) {
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
      // Every position in order, or the first few when the caller stops.
      size_t stop = rng() % 8;
      std::vector<size_t> all, got, first;
      for (size_t i = 0; i < n; i++)
        if (buf[i] == sep) all.push_back(i);
      vForEachByte(buf, n, sep, [&](size_t i) {
        got.push_back(i);
        return true;
      });
      vForEachByte(buf, n, sep, [&](size_t i) {
        first.push_back(i);
        return first.size() < stop;
      });
      ASSERT_EQ(all, got) << round << " " << n;
      all.resize(std::min(all.size(), std::max<size_t>(stop, 1)));
      ASSERT_EQ(all, first) << round << " " << n << " " << stop;
    }
  }
}

// Either of two bytes against a byte loop, on the same kind of texts.
TEST(FieldCut, FindsTheFirstOfEither) {
  std::mt19937 rng(33);
  for (auto [a, b] : {std::pair{',', '\t'}, std::pair{'_', '`'}}) {
    const char kBytes[] = {a, b, (char)(a - 1), (char)(b + 1), (char)(a ^ 0x80), (char)(b ^ 0x80), 0, '\xFF', 'a', '0'};
    for (int round = 0; round < 20000; round++) {
      char buf[48];
      size_t n = rng() % sizeof buf;
      int dense = round % 4;
      for (size_t i = 0; i < n; i++) buf[i] = dense || rng() % 16 == 0 ? kBytes[rng() % sizeof kBytes] : 'a';
      for (size_t from = 0; from <= n; from++) {
        char* want = buf + from;
        while (want < buf + n && *want != a && *want != b) want++;
        ASSERT_EQ(want, pFindEither(buf + from, buf + n, a, b)) << round << " " << from << " " << n;
        // With the stop at a byte that is not ASCII too.
        want = buf + from;
        while (want < buf + n && *want != a && *want != b && (unsigned char)*want < 0x80) want++;
        ASSERT_EQ(want, pFindEither(buf + from, buf + n, a, b, true)) << round << " " << from << " " << n;
      }
    }
  }
}

}  // namespace
