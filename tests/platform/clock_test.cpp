#include <gtest/gtest.h>

#include <string>

#include "kvxtest_clock.h"
#include "win32.h"

namespace {

class Clock : public ::testing::Test {
 protected:
  void TearDown() override {
    vKvxTestClockSetPeekStep(10);
    vKvxTestClockSetLocalTime(nullptr);
    vKvxTestClockSetVirtual(false);
  }
};

TEST(VirtualClock, IdlePeeksMoveItOnByDefault) {
  vKvxTestClockSetVirtual(true);
  DWORD start = GetTickCount();
  for (int i = 0; i < 1000; ++i) vKvxClockOnIdlePeek();
  EXPECT_GE(GetTickCount() - start, 1000u);  // a 1-s time-out is reached
  vKvxTestClockSetVirtual(false);
}

SYSTEMTIME Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  SYSTEMTIME t = {};
  t.wYear = (WORD)y;
  t.wMonth = (WORD)mo;
  t.wDay = (WORD)d;
  t.wHour = (WORD)h;
  t.wMinute = (WORD)mi;
  t.wSecond = (WORD)s;
  return t;
}

// "yyyy-mm-dd hh:mm:ss day w", to compare a whole time at once.
std::string sTime(const SYSTEMTIME& t) {
  auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
  return std::to_string(t.wYear) + "-" + two(t.wMonth) + "-" + two(t.wDay) + " " + two(t.wHour) + ":" + two(t.wMinute) +
         ":" + two(t.wSecond) + " day " + std::to_string(t.wDayOfWeek);
}

TEST_F(Clock, VirtualTickMovesOnlyWhenAdvancedAndWrapsSafely) {
  vKvxTestClockSetVirtual(true);
  vKvxTestClockSetTick(0xFFFFFF00u);
  DWORD start = GetTickCount();
  EXPECT_EQ(GetTickCount(), start);
  vKvxTestClockAdvance(0x200);  // across the wrap
  DWORD now = GetTickCount();
  EXPECT_LT(now, start);
  EXPECT_EQ(now - start, 0x200u);  // unsigned difference survives the wrap
}

TEST_F(Clock, SleepAndIdlePeeksAdvanceTheVirtualClockAtOnce) {
  vKvxTestClockSetVirtual(true);
  DWORD start = GetTickCount();
  Sleep(10000);
  EXPECT_EQ(GetTickCount() - start, 10000u);
  vKvxClockOnIdlePeek();  // the default step
  EXPECT_EQ(GetTickCount() - start, 10010u);
  vKvxTestClockSetPeekStep(0);
  vKvxClockOnIdlePeek();  // step 0: no change
  EXPECT_EQ(GetTickCount() - start, 10010u);
  vKvxTestClockSetPeekStep(250);
  for (int i = 0; i < 4; ++i) vKvxClockOnIdlePeek();
  EXPECT_EQ(GetTickCount() - start, 11010u);
}

TEST_F(Clock, AdvancingTheRealClockDoesNothing) {
  vKvxTestClockSetPeekStep(1000000);
  DWORD before = GetTickCount();
  vKvxTestClockAdvance(1000000);
  vKvxClockOnIdlePeek();
  EXPECT_LT(GetTickCount() - before, 100000u);
}

TEST_F(Clock, FrozenLocalTimeMovesWithTheVirtualClock) {
  SYSTEMTIME set = Make(2024, 2, 28, 23, 59, 59);
  vKvxTestClockSetLocalTime(&set);
  SYSTEMTIME t;
  GetLocalTime(&t);
  EXPECT_EQ(sTime(t), "2024-02-28 23:59:59 day 3");  // a Wednesday
  GetSystemTime(&t);
  EXPECT_EQ(t.wHour, 23);
  vKvxTestClockSetVirtual(true);
  vKvxTestClockAdvance(1000);  // into the leap day
  GetLocalTime(&t);
  EXPECT_EQ(sTime(t), "2024-02-29 00:00:00 day 4");
}

TEST_F(Clock, RealLocalTimeIsPlausible) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  EXPECT_GE(t.wYear, 2020);
  EXPECT_GE(t.wMonth, 1);
  EXPECT_LE(t.wMonth, 12);
  EXPECT_LE(t.wHour, 23);
}

TEST_F(Clock, DateFormatPictures) {
  SYSTEMTIME d = Make(2009, 3, 7);
  char buf[64];
  EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &d, "yyyy'-'MM'-'dd", buf, 50), 11);
  EXPECT_STREQ(buf, "2009-03-07");
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, &d, "d.M.yy 'o''clock' dddd MMM", buf, sizeof buf);
  EXPECT_STREQ(buf, "7.3.09 o'clock Saturday Mar");
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &d, nullptr, buf, sizeof buf);
  EXPECT_STREQ(buf, "07.03.2009");
  // The size asked for, a buffer too small, a date out of range.
  EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &d, "yyyy", nullptr, 0), 5);
  EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &d, "yyyy", buf, 4), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  SYSTEMTIME bad = Make(2009, 13, 1);
  EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &bad, "yyyy", buf, sizeof buf), 0);
}

TEST_F(Clock, DateFormatWithoutDateUsesToday) {
  SYSTEMTIME set = Make(1999, 12, 31, 12);
  vKvxTestClockSetLocalTime(&set);
  char buf[16];
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, "yyyyMMdd", buf, sizeof buf);
  EXPECT_STREQ(buf, "19991231");
}

}  // namespace
