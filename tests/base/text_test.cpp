// Bounded copies, fixed fields, heap strings, comparison ignoring case, the
// scratch ring and the format buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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

TEST(TextBoundedCopy, CopyCatAndPrintKeepSizeMinusOneAndTerminate) {
  Guarded g;
  EXPECT_STREQ(sStrCopyN(g.buf(), "abcdefg", 5), "abcd");
  EXPECT_TRUE(g.GuardsIntact(5));
  EXPECT_STREQ(sStrCopyN(g.buf(), "abcdefg", 1), "");
  EXPECT_STREQ(sStrCopyN(g.buf(), nullptr, 5), "");
  EXPECT_STREQ(sStrCopyN(g.buf(), "abc", 4), "abc");
  EXPECT_STREQ(sStrPrintN(g.buf(), 6, "%s-%d", "ab", 12345), "ab-12");
  EXPECT_TRUE(g.GuardsIntact(6));
  EXPECT_STREQ(sStrPrintN(g.buf(), 1, "%d", 7), "");

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
  const struct {
    const char* in;
    const char* trim;
    const char* right;
  } cases[] = {{" \t hello world\t  ", "hello world", " \t hello world\t"},
               {" \t\t ", "", " \t\t"},
               {"abc \t  ", "abc", "abc \t"},  // the right trim takes blanks only
               {"   ", "", ""}};
  for (const auto& c : cases) {
    std::string a = c.in, b = c.in;
    EXPECT_STREQ(sStrTrim(a.data()), c.trim) << c.in;
    EXPECT_STREQ(sStrTrimRight(b.data()), c.right) << c.in;
  }
}

TEST(HeapString, SetGrowsOnlyWhenLongerAndFreesOnEmpty) {
  char* s = nullptr;
  EXPECT_STREQ(sStrSetAlloc(&s, "hello"), "hello");
  char* block = s;
  EXPECT_STREQ(sStrSetAlloc(&s, "hi"), "hi");
  EXPECT_EQ(s, block);  // shorter: same block
  EXPECT_STREQ(sStrSetAlloc(&s, "a longer text"), "a longer text");
  EXPECT_EQ(sStrSetAlloc(&s, ""), nullptr);
  EXPECT_EQ(s, nullptr);
  sStrSetAlloc(&s, "x");
  EXPECT_EQ(sStrSetAlloc(&s, nullptr), nullptr);
  EXPECT_EQ(s, nullptr);
}

TEST(HeapString, SourceInsideTheStringItself) {
  char* s = nullptr;
  sStrSetAlloc(&s, "abcdef");
  EXPECT_STREQ(sStrSetAlloc(&s, s + 2), "cdef");
  EXPECT_STREQ(sStrAppendAlloc(&s, s), "cdefcdef");
  EXPECT_STREQ(sStrAppendAlloc(&s, s + 6), "cdefcdefef");
  EXPECT_STREQ(sStrAppendAlloc(&s, nullptr), "cdefcdefef");
  vStrFreeAlloc(&s);
  EXPECT_EQ(s, nullptr);
  vStrFreeAlloc(nullptr);
  EXPECT_STREQ(sStrAppendAlloc(&s, "new"), "new");
  vMemFreeNull(&s);
  EXPECT_EQ(s, nullptr);
  EXPECT_STREQ(sStrNotNull(nullptr), "");
}

TEST(CompareNoCase, LocaleOrderIgnoringCase) {
  EXPECT_EQ(iStrCmpNoCase("\xE6rlig \xF8l", "\xC6RLIG \xD8L"), 0);
  EXPECT_EQ(iStrCmpNoCase("abc", "ABD"), -1);
  EXPECT_EQ(iStrCmpNoCase("b", "A"), 1);
  EXPECT_EQ(iStrCmpNoCase(nullptr, ""), 0);
  EXPECT_EQ(iStrCmpNoCase("z", "\xE5"), -1);
}

TEST(CompareNoCase, CountedCompareNeverReadsPastATerminator) {
  // Exact-size heap copies: reading one byte too far shows under ASan.
  std::unique_ptr<char[]> a(new char[3]{'a', 'b', '\0'});
  std::unique_ptr<char[]> b(new char[4]{'A', 'B', 'X', '\0'});
  EXPECT_EQ(iStrCmpNoCaseN(a.get(), b.get(), 2), 0);
  EXPECT_EQ(iStrCmpNoCaseN(a.get(), b.get(), 100), -1);
  EXPECT_EQ(iStrCmpNoCaseN(a.get(), "Ab", 100), 0);
  EXPECT_EQ(iStrCmpNoCaseN(a.get(), "zz", 0), 0);
  EXPECT_EQ(iStrCmpNoCaseN(a.get(), "zz", -3), 0);
}

TEST(CompareNoCase, FindStopsWhereThePatternNoLongerFits) {
  std::unique_ptr<char[]> text(new char[12]);
  memcpy(text.get(), "Hello W\xD8rld", 12);
  EXPECT_EQ(sStrFindNoCase(text.get(), "w\xF8RLD"), text.get() + 6);
  EXPECT_EQ(sStrFindNoCase(text.get(), "rlx"), nullptr);
  EXPECT_EQ(sStrFindNoCase(text.get(), "LD"), text.get() + 9);
  EXPECT_EQ(sStrFindNoCase("ab", "abc"), nullptr);
  EXPECT_EQ(sStrFindNoCase(static_cast<const char*>(nullptr), "a"), nullptr);
  const char* constText = "xyz";
  EXPECT_EQ(sStrFindNoCase(constText, ""), constText);
}

// ------------------------------------------------------------ scratch ring and format buffer

class ScratchRing : public ::testing::Test {
 protected:
  void SetUp() override { vStrScratchFree(); }
  void TearDown() override { vStrScratchFree(); }
};

TEST_F(ScratchRing, RequestsFollowEachOtherAndWrapToTheStart) {
  char* a = pStrScratchAlloc(100);
  EXPECT_EQ(pStrScratchAlloc(100), a + 100);
  // 200 + 32568 reaches the end exactly: not "less than the size", so it
  // starts again at the beginning.
  EXPECT_EQ(pStrScratchAlloc(32768 - 200), a);
}

TEST_F(ScratchRing, LargerRequestEnlargesToRequestPlus512) {
  char* first = pStrScratchAlloc(10);
  char* big = pStrScratchAlloc(40000);
  ASSERT_NE(big, nullptr);
  EXPECT_NE(big, first);
  memset(big, 'x', 40000);
  EXPECT_EQ(pStrScratchAlloc(10), big + 40000);
  // 40010 + 501 < 40512 still fits; one more byte does not.
  EXPECT_EQ(pStrScratchAlloc(501), big + 40010);
  EXPECT_EQ(pStrScratchAlloc(2), big);
}

TEST_F(ScratchRing, ResultInUseSurvivesEnlargement) {
  const char* text = "abc";
  char* t = sStrTemp(text);
  EXPECT_NE(t, text);  // a copy; NULL gives ""
  EXPECT_STREQ(sStrTemp(nullptr), "");
  char* kept = sStrTemp("still here");
  std::string large(50000, '\xE6');
  char* copy = sStrTemp(large.c_str());  // enlarges the ring
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy, pStrScratchAlloc(0) - 50001);
  EXPECT_STREQ(kept, "still here");
  // The argument of the enlarging call may itself be a scratch string.
  char* again = sStrTemp(copy);
  (void)pStrScratchAlloc(200000);
  EXPECT_EQ(strlen(again), 50000u);
  EXPECT_STREQ(kept, "still here");
  EXPECT_STREQ(t, "abc");
}

TEST_F(ScratchRing, ThreadsCreateOneRingAndGetDisjointResults) {
  constexpr int kThreads = 8;
  std::atomic<int> ready{0};
  std::vector<char*> got(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) {
      }
      got[i] = pStrScratchAlloc(64);
      memset(got[i], 'a' + i, 64);
    });
  }
  for (auto& t : threads) t.join();
  std::vector<char*> sorted = got;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 1; i < kThreads; ++i) EXPECT_EQ(sorted[i] - sorted[i - 1], 64);
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(got[i][63], 'a' + i);
}

TEST_F(ScratchRing, ThreadsGrowingTheRingKeepEarlierResultsReadable) {
  constexpr int kThreads = 6;
  constexpr int kGrowths = 20;
  std::vector<char*> kept(kThreads);
  for (int i = 0; i < kThreads; ++i) kept[i] = sStrTemp(sStrFormat("thread %d's text", i));
  std::atomic<int> next{1};
  std::atomic<bool> bad{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&] {
      for (int k = 0; k < kGrowths; ++k) {
        uint64_t n = 32768 + 4096 * (uint64_t)next.fetch_add(1);
        char* block = pStrScratchAlloc(n);
        if (!block) return void(bad = true);
        memset(block, 'z', n);
        // Every thread's earlier text stays readable while the ring grows.
        for (int j = 0; j < kThreads; ++j)
          if (strcmp(kept[j], sStrFormat("thread %d's text", j)) != 0) bad = true;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_FALSE(bad);
}

TEST(FormatBuffer, PerThreadAndBoundedTo2047) {
  char* mine = sStrFormat("%s-%d", "main", 1);
  char* theirs = nullptr;
  std::thread other([&] {
    theirs = sStrFormat("%s", "other thread");
    EXPECT_STREQ(theirs, "other thread");
  });
  other.join();
  EXPECT_NE(mine, theirs);
  EXPECT_STREQ(mine, "main-1");
  std::string longText(5000, 'L');
  char* cut = sStrFormat("%s", longText.c_str());
  EXPECT_EQ(strlen(cut), 2047u);
  EXPECT_EQ(cut, mine);  // one buffer per thread
  // Its own previous result as an argument.
  sStrFormat("abc");
  EXPECT_STREQ(sStrFormat("%s!", sStrFormat("abc")), "abc!");
}

}  // namespace
