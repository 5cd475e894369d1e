#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "base/numbers.h"
#include "base/text.h"

namespace {

// A host that switches the process to a comma-decimal locale must not change
// the numbers we read and write.
class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* set = setlocale(LC_ALL, "nb_NO.UTF-8");
    if (!set) set = setlocale(LC_ALL, "de_DE.UTF-8");
    if (!set || strcmp(localeconv()->decimal_point, ",") != 0)
      GTEST_SKIP() << "no comma-decimal locale installed (scripts/test.sh generates nb_NO.UTF-8)";
  }
  void TearDown() override { setlocale(LC_ALL, "C"); }
};

TEST_F(CommaLocale, NumbersRoundTripUnchanged) {
  char buf[64];
  sNumFormatSep(1234.5678, 0, 4, '.', buf, sizeof buf);
  EXPECT_STREQ(buf, "1234.5678");
  EXPECT_DOUBLE_EQ(dStrParseNumber(buf, nullptr), 1234.5678);
  sNumFormatFast(buf, -98.765, 3, nullptr);
  EXPECT_STREQ(buf, "-98.765");
  EXPECT_DOUBLE_EQ(dStrParseNumber(buf, nullptr), -98.765);
  EXPECT_DOUBLE_EQ(dStrToDoubleComma("12,25"), 12.25);
  EXPECT_DOUBLE_EQ(dStrParseNumber("12345678901.25", nullptr), 12345678901.25);
  EXPECT_STREQ(sStrFormat("%.3f", 0.5), "0.500");
}

TEST_F(CommaLocale, OptionStringsRoundTripUnchanged) {
  char opts[128] = "";
  char* cur = opts;
  int room = sizeof opts;
  vOptAppendDouble(&cur, &room, "h", 4, 1.625);
  vOptAppendInt(&cur, &room, "n", 3);
  EXPECT_STREQ(opts, "h:1.625 n:3");
  char* rd = opts;
  char* value;
  sStrNextOption(&rd, &value);
  EXPECT_DOUBLE_EQ(dStrParseNumber(value, nullptr), 1.625);
}

}  // namespace
