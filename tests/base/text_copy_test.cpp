#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"

namespace {

// A buffer with guard bytes on both sides, to see writes outside it.
struct Guarded {
  char bytes[32];
  char* buf() { return bytes + 8; }
  Guarded() { memset(bytes, 'G', sizeof bytes); }
  bool GuardsIntact(int size) const {
    for (int i = 0; i < 8; ++i)
      if (bytes[i] != 'G') return false;
    for (int i = 8 + (size > 0 ? size : 0); i < (int)sizeof bytes; ++i)
      if (bytes[i] != 'G') return false;
    return true;
  }
};

TEST(TextBoundedCopy, CopyKeepsSizeMinusOneAndTerminates) {
  Guarded g;
  EXPECT_STREQ(sStrCopyN(g.buf(), "abcdefg", 5), "abcd");
  EXPECT_TRUE(g.GuardsIntact(5));
  EXPECT_STREQ(sStrCopyN(g.buf(), "abcdefg", 1), "");
  EXPECT_STREQ(sStrCopyN(g.buf(), nullptr, 5), "");
  EXPECT_STREQ(sStrCopyN(g.buf(), "abc", 4), "abc");
}

TEST(TextBoundedCopy, NonPositiveSizesWriteNothing) {
  for (int n : {0, -1, -100}) {
    Guarded g;
    EXPECT_EQ(sStrCopyN(g.buf(), "abc", n), g.buf());
    EXPECT_EQ(sStrCatN(g.buf(), "abc", n), g.buf());
    EXPECT_EQ(sStrPrintN(g.buf(), n, "%d", 42), g.buf());
    EXPECT_EQ(sStrPadCopy(g.buf(), "abc", n), g.buf());
    EXPECT_TRUE(g.GuardsIntact(0)) << n;
    EXPECT_EQ(g.buf()[0], 'G');
  }
}

TEST(TextBoundedCopy, CatStopsAtSizeMinusOne) {
  Guarded g;
  sStrCopyN(g.buf(), "abcd", 8);
  EXPECT_STREQ(sStrCatN(g.buf(), "efghij", 8), "abcdefg");
  EXPECT_TRUE(g.GuardsIntact(8));
  // Already holding size-1 characters: nothing changes.
  EXPECT_STREQ(sStrCatN(g.buf(), "x", 8), "abcdefg");
  EXPECT_STREQ(sStrCatN(g.buf(), nullptr, 8), "abcdefg");
  // Unterminated within n: cut at n-1.
  memset(g.buf(), 'z', 8);
  EXPECT_STREQ(sStrCatN(g.buf(), "x", 8), "zzzzzzz");
  EXPECT_TRUE(g.GuardsIntact(8));
}

TEST(TextBoundedCopy, PrintFormatsIntoSizeMinusOne) {
  Guarded g;
  EXPECT_STREQ(sStrPrintN(g.buf(), 6, "%s-%d", "ab", 12345), "ab-12");
  EXPECT_TRUE(g.GuardsIntact(6));
  EXPECT_STREQ(sStrPrintN(g.buf(), 1, "%d", 7), "");
}

TEST(TextFixedFields, PadCopyFillsWithBlanksWithoutTerminator) {
  Guarded g;
  sStrPadCopy(g.buf(), "ab", 5);
  EXPECT_EQ(memcmp(g.buf(), "ab   ", 5), 0);
  EXPECT_EQ(g.buf()[5], 'G');
  sStrPadCopy(g.buf(), "abcdefg", 5);
  EXPECT_EQ(memcmp(g.buf(), "abcde", 5), 0);
  EXPECT_TRUE(g.GuardsIntact(5));
}

TEST(TextFixedFields, CopyNTrimCutsTrailingBlanks) {
  char out[9];
  EXPECT_STREQ(sStrCopyNTrim(out, "AB  CD  XYZ", 8), "AB  CD");
  EXPECT_STREQ(sStrCopyNTrim(out, "        ", 8), "");
  EXPECT_STREQ(sStrCopyNTrim(out, "ABCDEFGHIJ", 8), "ABCDEFGH");
  EXPECT_STREQ(sStrCopyNTrim(out, "AB", 8), "AB");
  EXPECT_STREQ(sStrCopyNTrim(out, "ABC", 0), "");
}

TEST(TextFixedFields, TrimRightNPutsNulBehindLastNonBlank) {
  char field[6] = {'A', 'B', ' ', ' ', ' ', 'Z'};
  sStrTrimRightN(field, 5);
  EXPECT_STREQ(field, "AB");
  char full[6] = {'A', 'B', 'C', 'D', 'E', 'Z'};
  sStrTrimRightN(full, 5);  // last non-blank at n-1: the NUL goes to index n
  EXPECT_STREQ(full, "ABCDE");
  char untouched[3] = {' ', ' ', 'x'};
  sStrTrimRightN(untouched, 0);
  EXPECT_EQ(untouched[0], ' ');
}

TEST(TextFixedFields, TrimFunctions) {
  char a[] = " \t hello world\t  ";
  EXPECT_STREQ(sStrTrim(a), "hello world");
  char b[] = " \t\t ";
  EXPECT_STREQ(sStrTrim(b), "");
  char c[] = "abc \t  ";
  EXPECT_STREQ(sStrTrimRight(c), "abc \t");  // blanks only
  char d[] = "   ";
  EXPECT_STREQ(sStrTrimRight(d), "");
}

}  // namespace
