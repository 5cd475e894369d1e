#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/numbers.h"
#include "kvxtest_clock.h"
#include "win32.h"

namespace {

class Dates : public ::testing::Test {
 protected:
  void SetUp() override {
    SYSTEMTIME t = {};
    t.wYear = 2023;
    t.wMonth = 7;
    t.wDay = 4;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 3;
    vKvxTestClockSetLocalTime(&t);
  }
  void TearDown() override { vKvxTestClockSetLocalTime(nullptr); }
};

TEST_F(Dates, TodayAndNowFromTheClock) {
  EXPECT_STREQ(sDateToday(), "2023.07.04");
  EXPECT_STREQ(sDateTimeNow(), "2023.07.04_09:05:03");
  int y, m, d, h, mi, s;
  vDateGetToday(&y, &m, &d);
  vDateGetTime(&h, &mi, &s);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20230704);
  EXPECT_EQ(h * 10000 + mi * 100 + s, 90503);
}

TEST(DatesReal, NowAlwaysHas19Characters) { EXPECT_EQ(strlen(sDateTimeNow()), 19u); }

TEST(DateFormat, OutOfRangeValuesAreCutAt19) {
  EXPECT_STREQ(sDateTimeFormat(2024, 2, 29, 23, 59, 58), "2024.02.29_23:59:58");
  EXPECT_STREQ(sDateTimeFormat(12345, -1, 100, -20, 7, 123456), "12345.-1.100_-20:07");
  EXPECT_EQ(strlen(sDateTimeFormat(-2147483647 - 1, -2147483647 - 1, 0, 0, 0, 0)), 19u);
}

TEST(DateParse, NumberCountsDecideTheTime) {
  int y = 0, m = 0, d = 0, h = -1, mi = -1, s = -1, dateOnly = -1;
  ASSERT_TRUE(boDateParse("2020.12.31", &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_EQ(y, 2020);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 31);
  EXPECT_EQ(h + mi + s, 0);
  EXPECT_EQ(dateOnly, 1);
  ASSERT_TRUE(boDateParse("2020.12.31_13", &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_EQ(h, 0);  // four numbers: the hour is dropped too
  EXPECT_EQ(dateOnly, 1);
  ASSERT_TRUE(boDateParse("2020.12.31_13:45", &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_EQ(h, 13);
  EXPECT_EQ(mi, 45);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(dateOnly, 0);
  ASSERT_TRUE(boDateParse(" 2020. 1. 2_ 3: 4: 5", &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_EQ(s, 5);
  EXPECT_EQ(dateOnly, 0);
}

TEST(DateParse, TooFewNumbersOrBadSeparators) {
  int y = 7, m = 7, d = 7, h = 7, mi = 7, s = 7, dateOnly = 7;
  EXPECT_FALSE(boDateParse("2020.12", &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_FALSE(boDateParse("2020-12-31", &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_FALSE(boDateParse("", &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_FALSE(boDateParse(nullptr, &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_EQ(y, 7);
  // Ranges are not checked; huge numbers saturate instead of overflowing.
  ASSERT_TRUE(boDateParse("2020.13.99999999999", &y, &m, &d, &h, &mi, &s, &dateOnly));
  EXPECT_EQ(m, 13);
  EXPECT_EQ(d, 2147483647);
}

TEST(DateToTime, MidnightUnlessAllSixNumbers) {
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
  if (oldTz)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
