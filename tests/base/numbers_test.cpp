// Number texts, dates and code-page conversions.
#include <gtest/gtest.h>

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/numbers.h"
#include "base/text.h"
#include "kvxtest_clock.h"
#include "kvxtest_text.h"
#include "win32.h"

namespace {

// ------------------------------------------------------------ formatting

struct DecimalSeparator : ::testing::Test {
  DecimalSeparator() { vNumResetDecimalSep(); }
  ~DecimalSeparator() override {
    vKvxTestTextSetDecimalSep(nullptr);
    vNumResetDecimalSep();
  }
  char buf[32];
};

TEST_F(DecimalSeparator, UsersSeparatorIsReadOnceAndKept) {
  vKvxTestTextSetDecimalSep(",");
  EXPECT_STREQ(sNumFormatLocale(1.25, 0, 3, buf, 32), "1,25");
  vKvxTestTextSetDecimalSep(".");
  EXPECT_STREQ(sNumFormatLocale(2.5, 0, 2, buf, 32), "2,5");  // cached
  vNumResetDecimalSep();
  EXPECT_STREQ(sNumFormatLocale(2.5, 0, 2, buf, 32), "2.5");
}

TEST_F(DecimalSeparator, UnreadableSettingGivesPoint) {
  vKvxTestTextSetDecimalSep("");
  EXPECT_STREQ(sNumFormatLocale(-0.5, 0, 1, buf, 32), "-0.5");
}

TEST(NumberFormat, SepWidthZerosAndCutZeros) {
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
  for (auto [in, want] : std::initializer_list<std::pair<const char*, const char*>>{
           {"2.500", "2.5"}, {"3.000", "3"}, {"1200", "1200"}, {"0.0", "0"}}) {
    std::string s = in;
    EXPECT_STREQ(sNumCutZeros(s.data()), want);
  }
}

TEST(NumberFormat, FastPrintingAndIntToStr) {
  char buf[32];
  char* end = nullptr;
  EXPECT_STREQ(sNumFormatFast(buf, 1.5, 3, &end), "1.5");
  EXPECT_EQ(end, buf + 3);
  const struct {
    double v;
    int decimals;
    const char* want;
  } cases[] = {{-12.3456, 2, "-12.35"},
               {7.0, 4, "7"},
               {0.05, 2, "0.05"},                // leading zero of the fraction
               {1.123456789, 12, "1.12345679"},  // at most 8
               {2.75, -3, "3"},                  // negative decimals are 0
               {-0.0000001, 2, "-0"},
               {2147483647.0, 0, "2147483647"},
               {-1e12, 8, "-1000000000000"}};
  for (const auto& c : cases) EXPECT_STREQ(sNumFormatFast(buf, c.v, c.decimals, nullptr), c.want);
  EXPECT_STREQ(sNumIntToStr(buf, 0, &end), "0");
  EXPECT_STREQ(sNumIntToStr(buf, -42, &end), "-42");
  EXPECT_STREQ(sNumIntToStr(buf, INT32_MIN, &end), "-2147483648");
  EXPECT_EQ(end, buf + 11);
}

TEST(NumberFormat, FastPrintingOutsideTheIntegerRangeIsDefined) {
  char buf[32];
  char* end = nullptr;
  EXPECT_STREQ(sNumFormatFast(buf, 3e9, 2, &end), "3000000000");
  EXPECT_EQ(*end, '\0');
  for (double v : {std::numeric_limits<double>::quiet_NaN(), 1e300}) {
    sNumFormatFast(buf, v, 8, nullptr);
    EXPECT_LT(strlen(buf), 24u);
  }
  // Too long for 23 characters: still the right magnitude, not a cut text.
  for (double v : {-1e25, 123456789012345.678, -1.7e308})
    EXPECT_DOUBLE_EQ(dNumParseC(sNumFormatFast(buf, v, 8, nullptr)), v);
}

// ------------------------------------------------------------ parsing

// The fixed printer against snprintf: random bit patterns over the whole
// range, values on and beside halves of the last digit, signed zeros and
// values that round to zero, and what it hands to snprintf.
TEST(NumberFormat, FixedPrintingGivesPrintfsDigits) {
  std::vector<double> values = {0.0,
                                -0.0,
                                0.5,
                                1.5,
                                2.5,
                                -2.5,
                                0.0625,
                                0.0005,
                                0.0015,
                                -0.0004,
                                1e-300,
                                9007199254740991.0,
                                9007199254740992.0,
                                1e300,
                                -1e300,
                                123456.7895,
                                6600000.0005,
                                std::numeric_limits<double>::infinity(),
                                std::nan("")};
  uint64_t state = 32;
  auto next = [&] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state;
  };
  for (int i = 0; i < 20000; i++) {
    uint64_t bits = next();
    double d;
    memcpy(&d, &bits, sizeof d);
    values.push_back(d);
    // Decimal fractions near a half of the last digit, over the range of
    // survey coordinates.
    double v = (double)(int64_t)(next() % 20000000000ull) / 1000.0 + (double)(next() % 3) * 0.0005;
    values.push_back(next() % 2 ? v : -v);
    values.push_back(std::ldexp((double)(next() % 4096), -(int)(next() % 12)));
    // Every magnitude below 2^53 with all 53 bits in use.
    values.push_back(std::ldexp((double)(next() >> 11), -(int)(next() % 64)));
  }
  for (double v : values)
    for (int decimals = 0; decimals <= 17; decimals++) {
      char want[400], got[400];
      int n = snprintf(want, sizeof want, "%.*f", decimals, v);
      ASSERT_EQ(n, iNumPrintFixedC(got, (int)sizeof got, v, decimals)) << want;
      ASSERT_STREQ(want, got);
      // The formatted print's short way for the same formats.
      const std::string format = "%." + std::to_string(decimals) + (decimals % 2 ? "lf" : "f");
      ASSERT_EQ(n, iNumPrintC(got, (int)sizeof got, format.c_str(), v)) << format;
      ASSERT_STREQ(want, got);
      // With a width, into a buffer that may cut it.
      const std::string wide = "%" + std::to_string(1 + (decimals * 7) % 30) + format.substr(1);
      int size = 8 + decimals * 3;
      n = snprintf(want, (size_t)size, wide.c_str(), v);
      ASSERT_EQ(n, iNumPrintC(got, size, wide.c_str(), v)) << wide;
      ASSERT_STREQ(want, got) << wide;
      // The fixed printer with a width, the same way, cut or not.
      for (int room : {size, 400}) {
        int width = 1 + (decimals * 7) % 30;
        n = snprintf(want, (size_t)room, "%*.*f", width, decimals, v);
        ASSERT_EQ(n, iNumPrintFixedWidthC(got, room, v, width, decimals)) << width << " " << room;
        ASSERT_STREQ(want, got) << width << " " << room;
      }
    }
  char plain[400];
  iNumPrintC(plain, (int)sizeof plain, "%lf", -2.0000005);
  EXPECT_STREQ("-2.000001", plain);  // six decimals by default
  char small[6];
  EXPECT_EQ(7, iNumPrintFixedC(small, (int)sizeof small, 123.4567, 3));  // snprintf's cut and count
  EXPECT_STREQ("123.4", small);
  // The longest texts (33 characters) in buffers of every size near them:
  // cut as snprintf cuts, never a byte past the buffer.
  for (double v : {-9007199254740991.0, 9007199254740991.5, -4503599627370495.5})
    for (int size = 28; size <= 36; size++) {
      char want[64], got[64];
      memset(got, '#', sizeof got);
      int n = snprintf(want, (size_t)size, "%.15f", v);
      ASSERT_EQ(n, iNumPrintFixedC(got, size, v, 15)) << size;
      ASSERT_STREQ(want, got) << size;
      ASSERT_EQ('#', got[size]) << size;
    }
}

// The short way (up to 8 decimals and a whole part below 10^8) at its
// edges, at every count of decimals: exact ties of the last digit, the
// doubles beside decimal halves, carries into the whole part and past
// 10^8, magnitudes where the short way gives up (large, tiny, subnormal),
// and buffers and widths that cut or pad the text. A byte after the text's
// NUL is never touched, as with snprintf.
TEST(NumberFormat, FixedPrintingShortWayAtItsEdges) {
  std::mt19937_64 rng(32);
  std::vector<double> values = {0.0,
                                -0.0,
                                0.9999999995,
                                -0.0004999,
                                99999999.4999,
                                99999999.5,
                                99999999.99951,
                                100000000.0,
                                4503599627370495.5,
                                std::ldexp(1.0, -11),
                                std::ldexp(1.0, -12),
                                std::ldexp(3.0, -13),
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::min(),
                                std::numeric_limits<double>::max(),
                                1e-300,
                                1e20};
  for (int i = 0; i < 1500; i++) {
    int d = (int)(rng() % 16);
    // Exact ties: an odd multiple of 2^-(d+1) has a 5 just after the d-th
    // decimal.
    double tie = std::ldexp((double)(2 * (rng() >> 30) + 1), -(d + 1));
    // The doubles nearest to a decimal half and their neighbours.
    double half = ((double)(rng() % 2000000000000ull) + 0.5) / std::pow(10.0, d);
    for (double v : {tie, half, std::nextafter(half, 0.0), std::nextafter(half, 1e300)}) {
      values.push_back(v);
      values.push_back(-v);
    }
    // Subnormals and magnitudes from 2^-70 to 2^60.
    uint64_t bits = rng() >> 12;
    double sub;
    memcpy(&sub, &bits, sizeof sub);
    values.push_back(sub);
    values.push_back(std::ldexp((double)(rng() >> 11), -(int)(rng() % 123)));
  }
  for (double v : values)
    for (int decimals = 0; decimals <= 15; decimals++) {
      char want[400], got[400];
      int n = snprintf(want, sizeof want, "%.*f", decimals, v);
      for (int size : {400, n + 1, n, 19, 5}) {
        memset(got, '#', sizeof got);
        snprintf(want, (size_t)size, "%.*f", decimals, v);
        ASSERT_EQ(n, iNumPrintFixedC(got, size, v, decimals)) << want << " " << size;
        ASSERT_STREQ(want, got) << size;
        ASSERT_EQ('#', got[std::min(n, size - 1) + 1]) << want << " " << size;
      }
      for (int width : {0, 7, 8, 9, 12, 14, 17, 30}) {
        int w = snprintf(want, sizeof want, "%*.*f", width, decimals, v);
        for (int size : {400, w + 1, w}) {
          memset(got, '#', sizeof got);
          snprintf(want, (size_t)size, "%*.*f", width, decimals, v);
          ASSERT_EQ(w, iNumPrintFixedWidthC(got, size, v, width, decimals)) << want << " " << width << " " << size;
          ASSERT_STREQ(want, got) << width << " " << size;
          ASSERT_EQ('#', got[std::min(w, size - 1) + 1]) << want << " " << width << " " << size;
        }
      }
    }
}

TEST(NumberParse, IsNumber) {
  for (const char* t : {"", "   -.5", "+12.25", "7."}) EXPECT_TRUE(boStrIsNumber(t)) << t;
  for (const char* t : {"5 ", "-", "   ", "- 5", "5-", "1.2.3", ".-1", "1e5", "1,5"})
    EXPECT_FALSE(boStrIsNumber(t)) << t;
}

TEST(NumberParse, IntegersSaturateLongNumbers) {
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
  // The C-locale helpers saturate too.
  EXPECT_EQ(iNumParseC("99999999999"), INT32_MAX);
  EXPECT_EQ(iNumParseC("-99999999999"), INT32_MIN);
  EXPECT_EQ(iNumParseC(" 42abc"), 42);
  EXPECT_EQ(iNumParseC("abc"), 0);
  EXPECT_EQ(iNumParseC(nullptr), 0);
  EXPECT_DOUBLE_EQ(dNumParseC(nullptr), 0.0);
}

// dNumParseEndC against strtod in the C locale: the same value bit for bit,
// the same end and the same errno.
::testing::AssertionResult ParsesAsStrtod(const std::string& s, locale_t c) {
  const char* t = s.c_str();
  char *end = nullptr, *cEnd = nullptr;
  errno = 0;
  double v = dNumParseEndC(t, &end);
  int err = errno;
  errno = 0;
  double cv = strtod_l(t, &cEnd, c);
  if (memcmp(&v, &cv, sizeof v) != 0 || end != cEnd || err != errno)
    return ::testing::AssertionFailure() << "\"" << s << "\": " << v << " ends at " << end - t << " errno " << err
                                         << ", strtod " << cv << " ends at " << cEnd - t << " errno " << errno;
  return ::testing::AssertionSuccess();
}

// The C-locale parsers against strtod and strtoll themselves: the same value
// (bit for bit), the same end and the same errno on random number-like texts
// and on printed doubles.
TEST(NumberParse, ParsersAgreeWithTheCLibrary) {
  locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
  std::mt19937 rng(32);
  static const char kChars[] = " \t+-..0123456789999eExXinfa";
  std::uniform_int_distribution<int> len(0, 30), pick(0, (int)sizeof kChars - 2);
  std::uniform_int_distribution<int> kind(0, 3), exp10(-330, 330);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int i = 0; i < 200000; ++i) {
    std::string s;
    char buf[64];
    switch (kind(rng)) {
      case 0:
        snprintf(buf, sizeof buf, "%.4f", unit(rng) * 1e7);
        s = buf;
        break;
      case 1:
        snprintf(buf, sizeof buf, "%.17g", unit(rng) * pow(10.0, exp10(rng)));
        s = buf;
        break;
      case 2:
        snprintf(buf, sizeof buf, "%lld", (long long)(unit(rng) * 1e19));
        s = buf;
        break;
      default:
        for (int n = len(rng); n > 0; --n) s += kChars[pick(rng)];
    }
    ASSERT_TRUE(ParsesAsStrtod(s, c));
    const char* t = s.c_str();
    char *end = nullptr, *cEnd = nullptr;
    errno = 0;
    int64_t l = lNumParseEndC(t, &end);
    int err = errno;
    errno = 0;
    long long cl = strtoll_l(t, &cEnd, 10, c);
    ASSERT_EQ(l, cl) << s;
    ASSERT_EQ(end, cEnd) << s;
    ASSERT_EQ(err, errno) << s;
  }
  freelocale(c);
}

// Decimals as the readers meet them, around the edges of the one-pass
// reading: up to 22 digits with the point anywhere, leading zeros, an
// exponent or a bare 'e', blanks and signs, and what may follow them.
TEST(NumberParse, ShortDecimalsAgreeWithTheCLibrary) {
  locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
  std::mt19937 rng(3232);
  static const char* const kAfter[] = {"", " ", ",", "x", ".", "e", "E+", "e-", "-", "5"};
  std::uniform_int_distribution<int> digits(0, 22), upTo(0, 22), coin(0, 3), expo(-40, 40), after(0, 9);
  for (int i = 0; i < 300000; ++i) {
    std::string s;
    if (coin(rng) == 0) s += coin(rng) ? " " : "\t ";
    if (coin(rng) == 0) s += coin(rng) ? "-" : "+";
    int n = digits(rng), point = coin(rng) ? upTo(rng) : -1;
    int zeros = coin(rng) == 0 ? upTo(rng) % 4 : 0;
    for (int k = 0; k < zeros; ++k) s += '0';
    for (int k = 0; k < n; ++k) {
      if (k == point) s += '.';
      s += (char)('0' + (coin(rng) == 0 ? 0 : rng() % 10));
    }
    if (point == n) s += '.';
    if (coin(rng) == 0) {
      s += coin(rng) ? 'e' : 'E';
      int e = expo(rng);
      if (e >= 0 && coin(rng) == 0) s += '+';
      s += std::to_string(e);
    }
    s += kAfter[after(rng)];
    ASSERT_TRUE(ParsesAsStrtod(s, c));
  }
  freelocale(c);
}

// The plain decimal of a field's bounds against the model of its notation
// and, where it reads one, the parser's value of the same text, bit for bit
// (-0 too).
TEST(NumberParse, PlainDecimalsOfKnownLengthAreTheParsersValue) {
  std::mt19937 rng(4711);
  static const char kChars[] = "0123456789.-+ e";
  std::uniform_int_distribution<int> len(0, 20), pick(0, (int)sizeof kChars - 2), coin(0, 3);
  int read = 0;
  for (int i = 0; i < 300000; ++i) {
    std::string s;
    if (coin(rng) == 0) {
      for (int n = len(rng); n > 0; --n) s += kChars[pick(rng)];
    } else {
      if (coin(rng) == 0) s += coin(rng) ? "-" : "+";
      int n = len(rng) % 18, point = coin(rng) ? (int)(rng() % (n + 1)) : -1;
      for (int k = 0; k < n; ++k) {
        if (k == point) s += '.';
        s += (char)('0' + rng() % 10);
      }
      if (point == n) s += '.';
    }
    // The model: a sign or none, 1 to 15 digits, at most one point.
    size_t k = s.size() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
    int digits = 0, points = 0;
    bool other = false;
    for (size_t j = k; j < s.size(); ++j) {
      if (s[j] >= '0' && s[j] <= '9')
        ++digits;
      else if (s[j] == '.')
        ++points;
      else
        other = true;
    }
    bool plain = !other && points <= 1 && digits >= 1 && digits <= 15;
    // The text sits in a longer one: only its bounds end it.
    std::string longer = s + "7.5,x";
    double v = 123.0;
    ASSERT_EQ(plain, boNumParsePlainC(longer.c_str(), s.size(), &v)) << s;
    if (!plain) continue;
    ++read;
    double want = dNumParseC(s.c_str());
    ASSERT_EQ(0, memcmp(&v, &want, sizeof v)) << s;
  }
  EXPECT_GT(read, 100000);
}

TEST(NumberParse, ParseNumberAndCommaText) {
  char* end;
  const char* t = "1.05;";
  EXPECT_DOUBLE_EQ(dStrParseNumber(t, &end), 1.05);  // leading zeros of the fraction count
  EXPECT_EQ(end, t + 4);
  const struct {
    const char* t;
    double d;
  } cases[] = {{"-2.5", -2.5},
               {" -0.25", -0.25},
               {"-.75", -0.75},
               {"0.5", 0.5},
               {"42", 42.0},
               {"", 0.0},
               // More than 9 integer digits: the whole text, not a saturated integer.
               {"12345678901.5", 12345678901.5},
               {"-12345678901", -12345678901.0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(dStrParseNumber(c.t, nullptr), c.d) << c.t;
  t = "3.14159265358979 rest";
  EXPECT_DOUBLE_EQ(dStrParseNumber(t, &end), 3.14159265358979);
  EXPECT_EQ(end, t + 16);

  EXPECT_DOUBLE_EQ(dStrToDoubleComma("12,5"), 12.5);
  EXPECT_DOUBLE_EQ(dStrToDoubleComma(" -0,25abc"), -0.25);
  EXPECT_DOUBLE_EQ(dStrToDoubleComma(nullptr), 0.0);
  EXPECT_DOUBLE_EQ(dStrToDoubleComma(std::string(200, '1').c_str()), std::stod(std::string(127, '1')));
}

TEST(NumberPrint, CNeverWritesForNonPositiveSize) {
  char buf[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(iNumPrintC(buf, 0, "%d", 12345), 5);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(iNumPrintC(buf, 4, "%d", 12345), 5);
  EXPECT_STREQ(buf, "123");
}

// A host that switches the process to a comma-decimal locale must not change
// the numbers we read and write.
TEST(CommaLocale, NumbersAndOptionsRoundTripUnchanged) {
  const char* set = setlocale(LC_ALL, "nb_NO.UTF-8");
  if (!set) set = setlocale(LC_ALL, "de_DE.UTF-8");
  if (!set || strcmp(localeconv()->decimal_point, ",") != 0) {
    setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no comma-decimal locale installed (scripts/test.sh generates nb_NO.UTF-8)";
  }
  char buf[64];
  EXPECT_STREQ(sNumFormatSep(1234.5678, 0, 4, '.', buf, sizeof buf), "1234.5678");
  EXPECT_DOUBLE_EQ(dStrParseNumber(buf, nullptr), 1234.5678);
  EXPECT_STREQ(sNumFormatFast(buf, -98.765, 3, nullptr), "-98.765");
  EXPECT_DOUBLE_EQ(dStrParseNumber(buf, nullptr), -98.765);
  EXPECT_DOUBLE_EQ(dStrToDoubleComma("12,25"), 12.25);
  EXPECT_DOUBLE_EQ(dStrParseNumber("12345678901.25", nullptr), 12345678901.25);
  EXPECT_STREQ(sStrFormat("%.3f", 0.5), "0.500");
  EXPECT_STREQ(sStrPrintN(buf, 16, "%.1f", 2.25), "2.2");
  iNumPrintC(buf, sizeof buf, "%.4lf", 1234.5);
  EXPECT_STREQ(buf, "1234.5000");
  EXPECT_DOUBLE_EQ(dNumParseC("1234.5000"), 1234.5);
  EXPECT_DOUBLE_EQ(dNumParseC("  -0.25xyz"), -0.25);

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
  setlocale(LC_ALL, "C");
}

// ------------------------------------------------------------ dates

TEST(Dates, TodayAndNowFromTheClock) {
  EXPECT_EQ(strlen(sDateTimeNow()), 19u);  // the real clock
  SYSTEMTIME t = {};
  t.wYear = 2023, t.wMonth = 7, t.wDay = 4, t.wHour = 9, t.wMinute = 5, t.wSecond = 3;
  vKvxTestClockSetLocalTime(&t);
  EXPECT_STREQ(sDateToday(), "2023.07.04");
  EXPECT_STREQ(sDateTimeNow(), "2023.07.04_09:05:03");
  int y, m, d, h, mi, s;
  vDateGetToday(&y, &m, &d);
  vDateGetTime(&h, &mi, &s);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20230704);
  EXPECT_EQ(h * 10000 + mi * 100 + s, 90503);
  vKvxTestClockSetLocalTime(nullptr);
}

TEST(Dates, FormatCutsOutOfRangeValuesAt19) {
  EXPECT_STREQ(sDateTimeFormat(2024, 2, 29, 23, 59, 58), "2024.02.29_23:59:58");
  EXPECT_STREQ(sDateTimeFormat(12345, -1, 100, -20, 7, 123456), "12345.-1.100_-20:07");
  EXPECT_EQ(strlen(sDateTimeFormat(-2147483647 - 1, -2147483647 - 1, 0, 0, 0, 0)), 19u);
}

// The answer and every number boDateParse gives back, in one line.
std::string sParsed(const char* text) {
  int v[7] = {7, 7, 7, 7, 7, 7, 7};
  bool ok = boDateParse(text, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  std::string s = ok ? "ok" : "no";
  for (int x : v) s += " " + std::to_string(x);
  return s;
}

TEST(Dates, ParseNumberCountsDecideTheTime) {
  EXPECT_EQ(sParsed("2020.12.31"), "ok 2020 12 31 0 0 0 1");
  EXPECT_EQ(sParsed("2020.12.31_13"), "ok 2020 12 31 0 0 0 1");  // four numbers: the hour is dropped too
  EXPECT_EQ(sParsed("2020.12.31_13:45"), "ok 2020 12 31 13 45 0 0");
  EXPECT_EQ(sParsed(" 2020. 1. 2_ 3: 4: 5"), "ok 2020 1 2 3 4 5 0");
  // Too few numbers or bad separators leave everything alone.
  for (const char* bad : {"2020.12", "2020-12-31", "", (const char*)nullptr})
    EXPECT_EQ(sParsed(bad), "no 7 7 7 7 7 7 7") << (bad ? bad : "(null)");
  // Ranges are not checked; huge numbers saturate instead of overflowing.
  EXPECT_EQ(sParsed("2020.13.99999999999"), "ok 2020 13 2147483647 0 0 0 1");
}

TEST(Dates, ToTimeIsMidnightUnlessAllSixNumbers) {
  const char* oldTz = getenv("TZ");
  std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(iDateToTime("1970.01.02"), 86400);
  EXPECT_EQ(iDateToTime("1970.01.02_01:00"), 86400);
  EXPECT_EQ(iDateToTime("1970.01.02_01:00:30"), 86400 + 3630);
  EXPECT_EQ(iDateToTime("2000.02.30"), iDateToTime("2000.03.01"));  // rolls over
  EXPECT_EQ(iDateToTime("2038.01.20"), 2147558400LL);
  EXPECT_EQ(iDateToTime("1970.01"), -1);
  EXPECT_EQ(iDateToTime("x"), -1);
  // A month that saturates at the bottom of the range must not overflow on
  // the way to the zero-based month.
  EXPECT_EQ(iDateToTime("2020.-99999999999.1"), -1);
  oldTz ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
}

// ------------------------------------------------------------ code pages

const char kAnsi[] =
    "Bl\xE5"
    "b\xE6r \xF8l \x80";  // Blåbær øl €
const char kUtf8[] =
    "Bl\xC3\xA5"
    "b\xC3\xA6r \xC3\xB8l \xE2\x82\xAC";

TEST(Encoding, AnsiToUtf8AndBack) {
  char buf[64];
  EXPECT_EQ(iStrAnsiToUtf8(kAnsi, buf, 64), (int)sizeof kUtf8);
  EXPECT_STREQ(buf, kUtf8);
  EXPECT_EQ(iStrUtf8ToAnsi(kUtf8, buf, 64), (int)sizeof kAnsi);
  EXPECT_STREQ(buf, kAnsi);
  EXPECT_EQ(iStrAnsiToUtf8(nullptr, buf, 64), 1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(iStrAnsiToUtf8(kAnsi, nullptr, 0), (int)sizeof kUtf8);
  // Unmappable and invalid bytes become question marks: Greek alpha, a stray byte.
  EXPECT_EQ(iStrUtf8ToAnsi("a\xCE\xB1"
                           "b\xFF",
                           buf, 16),
            5);
  EXPECT_STREQ(buf, "a?b?");
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

TEST(Encoding, TempConversionsSizeFromTheResult) {
  vStrScratchFree();
  // 20000 × 'æ' needs 40001 UTF-8 bytes: more than the input and the ring.
  std::string ansi(20000, '\xE6');
  const char* utf8 = sStrAnsiToUtf8Temp(ansi.c_str());
  ASSERT_EQ(strlen(utf8), 40000u);
  EXPECT_EQ(memcmp(utf8, "\xC3\xA6\xC3\xA6", 4), 0);
  EXPECT_EQ(std::string(sStrUtf8ToAnsiTemp(utf8)), ansi);
  EXPECT_EQ(sStrAnsiToUtf8Temp(nullptr), nullptr);
  EXPECT_STREQ(sStrUtf8ToAnsiTemp(""), "");
  // The input may be a scratch string the request outgrows: 30000 bytes in
  // the 32768-byte ring need 60001.
  vStrScratchFree();
  std::string oe(30000, '\xF8');
  utf8 = sStrAnsiToUtf8Temp(sStrTemp(oe.c_str()));
  ASSERT_EQ(strlen(utf8), 60000u);
  EXPECT_EQ(memcmp(utf8 + 59998, "\xC3\xB8", 2), 0);
  vStrScratchFree();
}

// ------------------------------------------------------------ option strings

// Every option of a text as "name=value" ("name" alone without a value),
// joined by '|'.
std::string sOptions(char** cur) {
  std::string out;
  char* value = nullptr;
  for (char* name; (name = sStrNextOption(cur, &value)) != nullptr;) {
    out += (out.empty() ? "" : "|") + std::string(name) + (value ? "=" + std::string(value) : "");
  }
  EXPECT_STREQ(value, "");  // a read that finds nothing gives an empty value
  return out;
}

TEST(OptionRead, PlainQuotedParenthesisedAndEscapedTokens) {
  char text[] = "  unit:m title:\"two words\" fn(a b) last";
  char* cur = text;
  EXPECT_EQ(sOptions(&cur), "unit=m|title=two words|fn(a b)|last");
  EXPECT_EQ(cur, nullptr);
  char escaped[] = "a:\"say \\\"hi\\\" \\\\ ok\" b:c\\\\d";
  cur = escaped;
  EXPECT_EQ(sOptions(&cur), "a=say \"hi\" \\ ok|b=c\\d");
}

TEST(OptionRead, WithoutValueAndOtherSeparators) {
  char text[] = "k=v\tx:y";
  char* cur = text;
  EXPECT_STREQ(sStrNextOptionSep(&cur, nullptr, '='), "k=v");
  char* value;
  EXPECT_STREQ(sStrNextOptionSep(&cur, &value, '='), "x:y");
  EXPECT_EQ(value, nullptr);
  char* none = nullptr;
  EXPECT_EQ(sStrNextOption(&none, &value), nullptr);
  char blanks[] = "   ";
  cur = blanks;
  EXPECT_EQ(sStrNextOption(&cur, &value), nullptr);
}

TEST(OptionRead, ParenthesisEndsTheToken) {
  char text[] = "f(x)y g(1,(2 3)) h)i";
  char* cur = text;
  // The character behind ')' becomes the terminator: "y" is lost.
  EXPECT_STREQ(sStrNextOption(&cur, nullptr), "f(x)");
  EXPECT_STREQ(sStrNextOption(&cur, nullptr), "g(1,(2 3))");
  // An unbalanced ')' is an ordinary character.
  EXPECT_STREQ(sStrNextOption(&cur, nullptr), "h)i");
  char atEnd[] = "p(q)";
  cur = atEnd;
  EXPECT_STREQ(sStrNextOption(&cur, nullptr), "p(q)");
  ASSERT_NE(cur, nullptr);
  EXPECT_EQ(sStrNextOption(&cur, nullptr), nullptr);
}

TEST(OptionRead, CutParens) {
  char a[] = "fn(a b)";
  EXPECT_STREQ(sStrCutParens(a), "a b");
  EXPECT_STREQ(a, "fn");
  for (std::string bad : {"fn(a", "plain)", "("}) EXPECT_EQ(sStrCutParens(bad.data()), nullptr) << bad;
}

TEST(OptionWrite, RoundTripWithEscapes) {
  char buf[200] = "";
  char* cur = buf;
  int room = sizeof buf;
  vOptAppendText(&cur, &room, "name", "plain");
  EXPECT_STREQ(buf, "name:plain");
  EXPECT_EQ(*cur, 'n');  // on the last character written
  EXPECT_EQ(room, 200 - 10);
  vOptAppendText(&cur, &room, "path", "C:\\dir \"x\"\r\nnext\ttab");
  vOptAppendInt(&cur, &room, "n", -17);
  vOptAppendDouble(&cur, &room, "d", 3, 2.5);
  vOptAppendText(&cur, &room, "empty", "");
  EXPECT_STREQ(buf, "name:plain path:\"C:\\\\dir \\\"x\\\"\\nnext\ttab\" n:-17 d:2.5 empty:");
  EXPECT_EQ(room, 200 - (int)strlen(buf) - 4);  // each later append counts its first character again

  char* rd = buf;
  // "\n" stays as written.
  EXPECT_EQ(sOptions(&rd), "name=plain|path=C:\\dir \"x\"\\nnext\ttab|n=-17|d=2.5|empty=");

  // Values that end in a backslash close their quotes; the next option stays.
  char folders[200] = "";
  cur = folders;
  room = sizeof folders;
  vOptAppendText(&cur, &room, "p", "C:\\My Dir\\");
  vOptAppendText(&cur, &room, "q", "D:\\");
  vOptAppendInt(&cur, &room, "n", 5);
  EXPECT_STREQ(folders, "p:\"C:\\\\My Dir\\\\\" q:D:\\\\ n:5");
  rd = folders;
  EXPECT_EQ(sOptions(&rd), "p=C:\\My Dir\\|q=D:\\|n=5");
}

TEST(OptionWrite, RoomCountsEscapesAndNothingIsWrittenWhenTooSmall) {
  // 40 quotes become 80 characters: a check of name + value + 8 would pass
  // with room 60 and overrun.
  char buf[64];
  memset(buf, 'G', sizeof buf);
  buf[0] = '\0';
  char* cur = buf;
  int room = 60;
  std::string quotes(40, '"');
  vOptAppendText(&cur, &room, "q", quotes.c_str());
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(room, 60);
  EXPECT_EQ(cur, buf);
  EXPECT_EQ(buf[1], 'G');
  vOptAppendText(&cur, &room, "q", "\"\"");
  EXPECT_STREQ(buf, "q:\\\"\\\"");
}

TEST(OptionWrite, LargeDoublesDoNotOverflow) {
  char buf[400] = "";
  char* cur = buf;
  int room = sizeof buf;
  vOptAppendDouble(&cur, &room, "big", 8, 1e12);
  EXPECT_STREQ(buf, "big:1000000000000");
  vOptAppendDouble(&cur, &room, "huge", 8, -1e200);
  const char* huge = strstr(buf, " huge:-");
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(strcspn(huge + 7, " "), 200u);  // all 200 digits, no point
  vOptAppendDouble(&cur, &room, "neg", -2, 1.75);
  EXPECT_NE(strstr(buf, " neg:2"), nullptr);
  // Too big for the room that is left: nothing.
  char small[24] = "";
  cur = small;
  room = sizeof small;
  vOptAppendDouble(&cur, &room, "v", 8, 1e20);
  EXPECT_STREQ(small, "");
}

}  // namespace
