#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/cnum.h"
#include "base/numbers.h"
#include "kvxtest_text.h"

namespace {

class DecimalSeparator : public ::testing::Test {
 protected:
  void SetUp() override { vNumResetDecimalSep(); }
  void TearDown() override {
    vKvxTestTextSetDecimalSep(nullptr);
    vNumResetDecimalSep();
  }
};

TEST_F(DecimalSeparator, UsersSeparatorIsReadOnceAndKept) {
  vKvxTestTextSetDecimalSep(",");
  char buf[32];
  EXPECT_STREQ(sNumFormatLocale(1.25, 0, 3, buf, 32), "1,25");
  vKvxTestTextSetDecimalSep(".");
  EXPECT_STREQ(sNumFormatLocale(2.5, 0, 2, buf, 32), "2,5");  // cached
  vNumResetDecimalSep();
  EXPECT_STREQ(sNumFormatLocale(2.5, 0, 2, buf, 32), "2.5");
}

TEST_F(DecimalSeparator, UnreadableSettingGivesPoint) {
  vKvxTestTextSetDecimalSep("");
  char buf[32];
  EXPECT_STREQ(sNumFormatLocale(-0.5, 0, 1, buf, 32), "-0.5");
}

TEST(NumberFormat, SepWidthAndZeros) {
  char buf[32];
  EXPECT_STREQ(sNumFormatSep(1.25, 0, 3, ',', buf, 32), "1,25");
  EXPECT_STREQ(sNumFormatSep(3.0, 0, 3, ',', buf, 32), "3");
  EXPECT_STREQ(sNumFormatSep(100.0, 0, 0, ',', buf, 32), "100");  // no point: zeros stay
  EXPECT_STREQ(sNumFormatSep(1.25, 8, 3, ',', buf, 32), "   1,250");
  EXPECT_STREQ(sNumFormatSep(1.25, 0, -4, '.', buf, 32), "1");
  EXPECT_STREQ(sNumFormatSep(123456.789, 0, 2, '.', buf, 5), "1234");
  char guard = 'G';
  sNumFormatSep(1.0, 0, 2, '.', &guard, 0);
  EXPECT_EQ(guard, 'G');
}

TEST(NumberFormat, CutZeros) {
  char a[] = "2.500", b[] = "3.000", c[] = "1200", d[] = "0.0";
  EXPECT_STREQ(sNumCutZeros(a), "2.5");
  EXPECT_STREQ(sNumCutZeros(b), "3");
  EXPECT_STREQ(sNumCutZeros(c), "1200");
  EXPECT_STREQ(sNumCutZeros(d), "0");
}

TEST(NumberFormat, FastPrinting) {
  char buf[32];
  char* end = nullptr;
  EXPECT_STREQ(sNumFormatFast(buf, 1.5, 3, &end), "1.5");
  EXPECT_EQ(end, buf + 3);
  EXPECT_STREQ(sNumFormatFast(buf, -12.3456, 2, &end), "-12.35");
  EXPECT_STREQ(sNumFormatFast(buf, 7.0, 4, nullptr), "7");
  EXPECT_STREQ(sNumFormatFast(buf, 0.05, 2, nullptr), "0.05");  // leading zero of the fraction
  EXPECT_STREQ(sNumFormatFast(buf, 1.123456789, 12, nullptr), "1.12345679");  // at most 8
  EXPECT_STREQ(sNumFormatFast(buf, 2.75, -3, nullptr), "3");  // negative decimals are 0
  EXPECT_STREQ(sNumFormatFast(buf, -0.0000001, 2, nullptr), "-0");
  EXPECT_STREQ(sNumFormatFast(buf, 2147483647.0, 0, nullptr), "2147483647");
}

TEST(NumberFormat, FastPrintingOutsideTheIntegerRangeIsDefined) {
  char buf[32];
  char* end = nullptr;
  EXPECT_STREQ(sNumFormatFast(buf, 3e9, 2, &end), "3000000000");
  EXPECT_EQ(*end, '\0');
  EXPECT_STREQ(sNumFormatFast(buf, -1e12, 8, nullptr), "-1000000000000");
  sNumFormatFast(buf, std::numeric_limits<double>::quiet_NaN(), 3, nullptr);
  EXPECT_LT(strlen(buf), 24u);
  sNumFormatFast(buf, 1e300, 8, nullptr);
  EXPECT_LT(strlen(buf), 24u);
  // Too long for 23 characters: still the right magnitude, not a cut text.
  EXPECT_DOUBLE_EQ(dNumParseC(sNumFormatFast(buf, -1e25, 0, nullptr)), -1e25);
  EXPECT_DOUBLE_EQ(dNumParseC(sNumFormatFast(buf, 123456789012345.678, 8, nullptr)), 123456789012345.678);
  EXPECT_DOUBLE_EQ(dNumParseC(sNumFormatFast(buf, -1.7e308, 8, nullptr)), -1.7e308);
}

TEST(NumberFormat, IntToStr) {
  char buf[16];
  char* end;
  EXPECT_STREQ(sNumIntToStr(buf, 0, &end), "0");
  EXPECT_STREQ(sNumIntToStr(buf, -42, &end), "-42");
  EXPECT_STREQ(sNumIntToStr(buf, INT32_MIN, &end), "-2147483648");
  EXPECT_EQ(end, buf + 11);
}

TEST(NumberParse, IsNumber) {
  for (const char* t : {"", "   -.5", "+12.25", "7."}) EXPECT_TRUE(boStrIsNumber(t)) << t;
  for (const char* t : {"5 ", "-", "   ", "- 5", "5-", "1.2.3", ".-1", "1e5", "1,5"})
    EXPECT_FALSE(boStrIsNumber(t)) << t;
}

TEST(NumberParse, ParseIntSaturatesLongNumbers) {
  char* end;
  const char* t = "  -123x";
  EXPECT_EQ(iStrParseInt(t, &end), -123);
  EXPECT_EQ(end, t + 6);
  EXPECT_EQ(iStrParseInt("123456789", nullptr), 123456789);
  EXPECT_EQ(iStrParseInt("99999999999", &end), INT32_MAX);  // wraps if cast from 64 bits
  EXPECT_EQ(*end, '\0');
  EXPECT_EQ(iStrParseInt("-99999999999", nullptr), INT32_MIN);
  EXPECT_EQ(iStrParseInt("4294967297", nullptr), INT32_MAX);
  t = " -x";
  EXPECT_EQ(iStrParseInt(t, &end), 0);
  EXPECT_EQ(end, t + 2);
}

TEST(NumberParse, ParseNumber) {
  char* end;
  const char* t = "1.05;";
  EXPECT_DOUBLE_EQ(dStrParseNumber(t, &end), 1.05);  // leading zeros of the fraction count
  EXPECT_EQ(end, t + 4);
  const struct {
    const char* t;
    double d;
  } cases[] = {{"-2.5", -2.5}, {" -0.25", -0.25}, {"-.75", -0.75}, {"0.5", 0.5}, {"42", 42.0}, {"", 0.0},
               // More than 9 integer digits: the whole text, not a saturated integer.
               {"12345678901.5", 12345678901.5}, {"-12345678901", -12345678901.0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(dStrParseNumber(c.t, nullptr), c.d) << c.t;
  t = "3.14159265358979 rest";
  EXPECT_DOUBLE_EQ(dStrParseNumber(t, &end), 3.14159265358979);
  EXPECT_EQ(end, t + 16);
}

TEST(NumberParse, CommaText) {
  EXPECT_DOUBLE_EQ(dStrToDoubleComma("12,5"), 12.5);
  EXPECT_DOUBLE_EQ(dStrToDoubleComma(" -0,25abc"), -0.25);
  EXPECT_DOUBLE_EQ(dStrToDoubleComma(nullptr), 0.0);
  std::string longText(200, '1');
  EXPECT_DOUBLE_EQ(dStrToDoubleComma(longText.c_str()), std::stod(std::string(127, '1')));
}

}  // namespace
