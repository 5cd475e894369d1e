#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cstring>

#include "base/cnum.h"

// A host that sets a comma-decimal locale must not change our numbers.
TEST(CLocaleNumbers, RoundTripUnderCommaLocale) {
  const char* set = setlocale(LC_ALL, "nb_NO.UTF-8");
  if (!set) set = setlocale(LC_ALL, "de_DE.UTF-8");
  if (!set || strcmp(localeconv()->decimal_point, ",") != 0) {
    setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no comma-decimal locale installed (scripts/test.sh generates nb_NO.UTF-8)";
  }
  char buf[64];
  iNumPrintC(buf, sizeof buf, "%.4lf", 1234.5);
  EXPECT_STREQ(buf, "1234.5000");
  EXPECT_DOUBLE_EQ(dNumParseC("1234.5000"), 1234.5);
  EXPECT_DOUBLE_EQ(dNumParseC("  -0.25xyz"), -0.25);
  setlocale(LC_ALL, "C");
}

TEST(CLocaleNumbers, IntegersSaturateInsteadOfOverflowing) {
  EXPECT_EQ(iNumParseC("99999999999"), INT32_MAX);
  EXPECT_EQ(iNumParseC("-99999999999"), INT32_MIN);
  EXPECT_EQ(iNumParseC(" 42abc"), 42);
  EXPECT_EQ(iNumParseC("abc"), 0);
  EXPECT_EQ(iNumParseC(nullptr), 0);
  EXPECT_DOUBLE_EQ(dNumParseC(nullptr), 0.0);
}

TEST(CLocaleNumbers, PrintNeverWritesForNonPositiveSize) {
  char buf[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(iNumPrintC(buf, 0, "%d", 12345), 5);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(iNumPrintC(buf, 4, "%d", 12345), 5);
  EXPECT_STREQ(buf, "123");
}
