#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/numbers.h"
#include "base/text.h"

namespace {

const char kAnsi[] = "Bl\xE5" "b\xE6r \xF8l \x80";  // Blåbær øl €
const char kUtf8[] = "Bl\xC3\xA5" "b\xC3\xA6r \xC3\xB8l \xE2\x82\xAC";

TEST(Encoding, AnsiToUtf8AndBack) {
  char buf[64];
  EXPECT_EQ(iStrAnsiToUtf8(kAnsi, buf, 64), (int)sizeof kUtf8);
  EXPECT_STREQ(buf, kUtf8);
  EXPECT_EQ(iStrUtf8ToAnsi(kUtf8, buf, 64), (int)sizeof kAnsi);
  EXPECT_STREQ(buf, kAnsi);
  EXPECT_EQ(iStrAnsiToUtf8(nullptr, buf, 64), 1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(iStrAnsiToUtf8(kAnsi, nullptr, 0), (int)sizeof kUtf8);
}

TEST(Encoding, TooSmallBufferHoldsWholeCharactersTerminated) {
  char buf[16];
  memset(buf, 'G', sizeof buf);
  // "Bl" + å (2 bytes) would need 5 with the terminator; 4 keeps "Bl".
  EXPECT_EQ(iStrAnsiToUtf8(kAnsi, buf, 4), (int)sizeof kUtf8);
  EXPECT_STREQ(buf, "Bl");
  EXPECT_EQ(buf[4], 'G');
  EXPECT_EQ(iStrAnsiToUtf8(kAnsi, buf, 5), (int)sizeof kUtf8);
  EXPECT_STREQ(buf, "Bl\xC3\xA5");
  // The euro sign's three bytes are never split.
  EXPECT_EQ(iStrAnsiToUtf8("\x80\x80", buf, 6), 7);
  EXPECT_STREQ(buf, "\xE2\x82\xAC");
  EXPECT_EQ(iStrUtf8ToAnsi(kUtf8, buf, 3), (int)sizeof kAnsi);
  EXPECT_STREQ(buf, "Bl");
  buf[0] = 'G';
  iStrUtf8ToAnsi(kUtf8, buf, 0);
  EXPECT_EQ(buf[0], 'G');
}

TEST(Encoding, UnmappableAndInvalidBecomeQuestionMarks) {
  char buf[16];
  EXPECT_EQ(iStrUtf8ToAnsi("a\xCE\xB1" "b\xFF", buf, 16), 5);  // Greek alpha, a stray byte
  EXPECT_STREQ(buf, "a?b?");
}

TEST(Encoding, TempConversionsSizeFromTheResult) {
  vStrScratchFree();
  // 20000 × 'æ' needs 40001 UTF-8 bytes: more than the input and the ring.
  std::string ansi(20000, '\xE6');
  const char* utf8 = sStrAnsiToUtf8Temp(ansi.c_str());
  ASSERT_EQ(strlen(utf8), 40000u);
  EXPECT_EQ(memcmp(utf8, "\xC3\xA6\xC3\xA6", 4), 0);
  const char* back = sStrUtf8ToAnsiTemp(utf8);
  EXPECT_EQ(std::string(back), ansi);
  EXPECT_EQ(sStrAnsiToUtf8Temp(nullptr), nullptr);
  EXPECT_STREQ(sStrUtf8ToAnsiTemp(""), "");
  vStrScratchFree();
}

TEST(Encoding, TempInputMayBeAScratchStringTheRequestOutgrows) {
  vStrScratchFree();
  std::string ansi(30000, '\xF8');
  char* scratch = sStrTemp(ansi.c_str());  // in the 32768-byte ring
  const char* utf8 = sStrAnsiToUtf8Temp(scratch);  // needs 60001: the ring grows
  ASSERT_EQ(strlen(utf8), 60000u);
  EXPECT_EQ(memcmp(utf8 + 59998, "\xC3\xB8", 2), 0);
  vStrScratchFree();
}

}  // namespace
