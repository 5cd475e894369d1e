#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/text.h"

namespace {

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

}  // namespace
