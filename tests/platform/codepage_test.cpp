#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kvxtest_text.h"
#include "win32.h"

namespace {

// æ ø å Æ Ø Å in each encoding.
const char kAnsi[] = "\xE6\xF8\xE5\xC6\xD8\xC5";
const char kOem[] = "\x91\x9B\x86\x92\x9D\x8F";
const char kUtf8[] = "\xC3\xA6\xC3\xB8\xC3\xA5\xC3\x86\xC3\x98\xC3\x85";

TEST(CodePages, NorwegianLettersBetweenAnsiAndOem) {
  char buf[16];
  ASSERT_TRUE(OemToCharA(kOem, buf));
  EXPECT_STREQ(buf, kAnsi);
  ASSERT_TRUE(CharToOemA(kAnsi, buf));
  EXPECT_STREQ(buf, kOem);
  // In place, and the counted forms stop at their count.
  char inPlace[] = "Bl\x86 \x9B";
  OemToCharA(inPlace, inPlace);
  EXPECT_STREQ(inPlace, "Bl\xE5 \xF8");
  char counted[] = "\x91\x91\x91";
  OemToCharBuffA(counted, counted, 2);
  EXPECT_STREQ(counted, "\xE6\xE6\x91");
  CharToOemBuffA(counted, counted, 3);
  EXPECT_STREQ(counted, "\x91\x91?");  // 0x91 of 1252 is a quote mark 865 lacks
}

TEST(CodePages, EveryOemByteMapsBackWhenAnsiHasIt) {
  for (int c = 1; c < 256; ++c) {
    char oem[2] = {(char)c, 0}, ansi[2], back[2];
    OemToCharA(oem, ansi);
    if (ansi[0] == '?' && c != '?') continue;  // a box-drawing or Greek letter
    CharToOemA(ansi, back);
    EXPECT_EQ((unsigned char)back[0], c);
  }
}

TEST(CodePages, Utf8AndAnsiThroughUtf16) {
  WCHAR wide[32];
  int n = MultiByteToWideChar(CP_UTF8, 0, kUtf8, -1, wide, 32);
  ASSERT_EQ(n, 7);
  EXPECT_EQ(wide[0], u'\u00E6');
  EXPECT_EQ(wide[5], u'\u00C5');
  char ansi[16];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, 16, nullptr, nullptr), 7);
  EXPECT_STREQ(ansi, kAnsi);
  char oem[16];
  EXPECT_EQ(WideCharToMultiByte(CP_OEMCP, 0, wide, -1, oem, 16, nullptr, nullptr), 7);
  EXPECT_STREQ(oem, kOem);
  // The euro sign: one byte in 1252, three in UTF-8.
  n = MultiByteToWideChar(1252, 0, "\x80", 1, wide, 32);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(wide[0], u'\u20AC');
  char utf8[8];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, 1, utf8, 8, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(utf8, 3), "\xE2\x82\xAC");
}

TEST(CodePages, SizesAndSmallBuffers) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kUtf8, -1, nullptr, 0), 7);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kUtf8, 4, nullptr, 0), 2);
  WCHAR wide[3];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kUtf8, -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(MultiByteToWideChar(1250, 0, "a", -1, wide, 3), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 0, wide, 3), 0);
  const WCHAR w[] = u"\u00F8\u20AC";
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr), 6);
  char small[3];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, w, -1, small, 3, nullptr, nullptr), 0);
}

TEST(CodePages, InvalidUtf8AndUnmappableCharacters) {
  WCHAR wide[8];
  // A lone continuation byte and a cut sequence become U+FFFD.
  int n = MultiByteToWideChar(CP_UTF8, 0,
                              "a\x80"
                              "b\xC3",
                              4, wide, 8);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(wide[1], u'\uFFFD');
  EXPECT_EQ(wide[3], u'\uFFFD');
  // Cut at the given length although its continuation byte follows in
  // memory: the reader must not look past the length.
  const char cut[] = "b\xC3\xA5\xC3\xA5";
  n = MultiByteToWideChar(CP_UTF8, 0, cut, 2, wide, 8);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(wide[1], u'\uFFFD');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, cut, 4, wide, 8), 3);
  EXPECT_EQ(wide[1], u'\u00E5');
  EXPECT_EQ(wide[2], u'\uFFFD');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, cut, 2, wide, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\x80", 2, wide, 8), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
  // Overlong form of '/' is invalid too.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC0\xAF", 2, wide, 8), 0);
  // A character beyond the BMP: a surrogate pair, and back.
  n = MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, wide, 8);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(wide[0], 0xD83D);
  char utf8[8];
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, 2, utf8, 8, nullptr, nullptr), 4);
  EXPECT_EQ(std::string(utf8, 4), "\xF0\x9F\x98\x80");
  // Not in 1252: the default character, and the flag says so.
  BOOL used = FALSE;
  char ansi[8];
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 2, ansi, 8, "#", &used), 1);
  EXPECT_EQ(ansi[0], '#');
  EXPECT_TRUE(used);
  const WCHAR alpha[] = u"\u03B1";
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, alpha, 1, ansi, 8, nullptr, nullptr), 1);
  EXPECT_EQ(ansi[0], '?');
  ASSERT_EQ(WideCharToMultiByte(CP_OEMCP, 0, alpha, 1, ansi, 8, nullptr, nullptr), 1);
  EXPECT_EQ((unsigned char)ansi[0], 0xE0);
}

TEST(CompareString, IgnoresCaseOfNorwegianAndLatinLetters) {
  auto cmp = [](const char* a, const char* b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1);
  };
  EXPECT_EQ(cmp("\xE6\xF8\xE5", "\xC6\xD8\xC5"), CSTR_EQUAL);
  EXPECT_EQ(cmp("Cr\xE8me", "CR\xC8ME"), CSTR_EQUAL);
  EXPECT_EQ(cmp("\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"), CSTR_EQUAL);
  EXPECT_EQ(cmp("abc", "ABD"), CSTR_LESS_THAN);
  EXPECT_EQ(cmp("abc", "ab"), CSTR_GREATER_THAN);
  EXPECT_EQ(cmp("", ""), CSTR_EQUAL);
  // Norwegian order: Z < Æ < Ø < Å.
  EXPECT_EQ(cmp("z", "\xE6"), CSTR_LESS_THAN);
  EXPECT_EQ(cmp("\xC6", "\xF8"), CSTR_LESS_THAN);
  EXPECT_EQ(cmp("\xD8", "\xE5"), CSTR_LESS_THAN);
  // Without the flag case counts; counted texts stop at their counts.
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, "a", -1, "A", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, "A", -1, "b", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, "\xC5", -1, "\xE5", -1), CSTR_GREATER_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "abcX", 3, "ABCY", 3), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, nullptr, -1, "a", -1), 0);
}

TEST(CaseMapping, UpperAndLowerInAnsi) {
  char text[] =
      "bl\xE5"
      "b\xE6r \xF8l \xDF \xFF";
  CharUpperA(text);
  EXPECT_STREQ(text,
               "BL\xC5"
               "B\xC6R \xD8L \xDF \x9F");
  CharLowerA(text);
  EXPECT_STREQ(text,
               "bl\xE5"
               "b\xE6r \xF8l \xDF \xFF");
  EXPECT_EQ((uintptr_t)CharUpperA((LPSTR)(uintptr_t)0xF8), 0xD8u);
  EXPECT_TRUE(IsCharAlphaA('\xE5'));
  EXPECT_FALSE(IsCharAlphaA('1'));
  EXPECT_FALSE(IsCharAlphaA('\xF7'));
}

TEST(LocaleInfo, DecimalSeparatorIsSettable) {
  char buf[8];
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf), 2);
  EXPECT_STREQ(buf, ".");
  vKvxTestTextSetDecimalSep(",");
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf), 2);
  EXPECT_STREQ(buf, ",");
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, nullptr, 0), 2);
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 1), 0);
  vKvxTestTextSetDecimalSep("");  // unreadable
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf), 0);
  vKvxTestTextSetDecimalSep(nullptr);
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf), 2);
  EXPECT_STREQ(buf, ".");
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, 0x7777, buf, sizeof buf), 0);
}

}  // namespace
