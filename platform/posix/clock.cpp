// The clock: tick count, local and system time, Sleep and date pictures.
// Tests replace the tick count with a virtual clock so that long waits end
// at once, and freeze the date and time (kvxtest_clock.h).
#include <sched.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "kvxtest_clock.h"
#include "win32.h"
#include "results.h"

namespace {

struct ClockState {
  bool virtualOn;
  DWORD virtualTick;
  bool timeSet;
  int64_t setMs;  // the frozen local time, ms since 1970-01-01 (civil)
  DWORD peekStep;
};

// An idle peek moves the virtual clock on by default, so that a wait loop on
// the virtual clock always reaches its time-out.
constexpr DWORD kDefaultPeekStep = 10;

ClockState gClock = {false, 0, false, 0, kDefaultPeekStep};
KvxClockGate gGate = nullptr;
void* gGateContext = nullptr;
// gClock.virtualOn, readable without the lock: readers peek for messages
// every few lines, and with the real clock an idle peek has nothing to do.
std::atomic<bool> gVirtualSeen{false};

std::mutex& ClockLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

DWORD RealTick() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
  return (DWORD)ms;  // wraps at 2^32 like the Windows tick count
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = (unsigned)(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + (int64_t)doe - 719468;
}

void CivilFromMs(int64_t ms, SYSTEMTIME* out) {
  int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
  int64_t rest = ms - days * 86400000;
  int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = (unsigned)(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  int64_t y = (int64_t)yoe + era * 400 + (m <= 2);
  out->wYear = (WORD)y;
  out->wMonth = (WORD)m;
  out->wDay = (WORD)d;
  out->wDayOfWeek = (WORD)((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  out->wHour = (WORD)(rest / 3600000);
  out->wMinute = (WORD)(rest / 60000 % 60);
  out->wSecond = (WORD)(rest / 1000 % 60);
  out->wMilliseconds = (WORD)(rest % 1000);
}

// Reads the real clock, local or UTC.
void RealTime(SYSTEMTIME* out, bool local) {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm;
  if (local)
    localtime_r(&ts.tv_sec, &tm);
  else
    gmtime_r(&ts.tv_sec, &tm);
  int64_t ms = (DaysFromCivil(tm.tm_year + 1900, (unsigned)tm.tm_mon + 1, (unsigned)tm.tm_mday) * 86400 +
                tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) *
                   1000 +
               ts.tv_nsec / 1000000;
  CivilFromMs(ms, out);
}

void GetTime(SYSTEMTIME* out, bool local) {
  if (!out) return;
  {
    std::lock_guard<std::mutex> guard(ClockLock());
    if (gClock.timeSet) {
      CivilFromMs(gClock.setMs, out);
      return;
    }
  }
  RealTime(out, local);
}

// Lets the gate hold the waiting code back before the virtual clock moves;
// called without the lock, since the gate's thread may read the clock.
void PassGate() {
  KvxClockGate gate;
  void* context;
  {
    std::lock_guard<std::mutex> guard(ClockLock());
    if (!gClock.virtualOn || !gGate) return;
    gate = gGate;
    context = gGateContext;
  }
  gate(context);
}

// Called with the lock held.
void AdvanceLocked(DWORD ms) {
  if (!gClock.virtualOn) return;
  gClock.virtualTick += ms;
  if (gClock.timeSet) gClock.setMs += ms;
}

const char* const kDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};

// Expands a date picture; false on a date out of range.
bool ExpandPicture(const SYSTEMTIME& t, const char* pic, std::string& out) {
  if (t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31) return false;
  int dow = (int)((DaysFromCivil(t.wYear, t.wMonth, t.wDay) % 7 + 11) % 7);
  char num[16];
  for (const char* p = pic; *p;) {
    char c = *p;
    if (c == '\'') {
      ++p;
      while (*p) {
        if (*p == '\'' && p[1] == '\'') {
          out += '\'';
          p += 2;
        } else if (*p == '\'') {
          ++p;
          break;
        } else {
          out += *p++;
        }
      }
      continue;
    }
    if (c != 'd' && c != 'M' && c != 'y') {
      out += c;
      ++p;
      continue;
    }
    int run = 0;
    while (p[run] == c) ++run;
    p += run;
    if (c == 'd') {
      if (run == 1)
        snprintf(num, sizeof num, "%d", t.wDay), out += num;
      else if (run == 2)
        snprintf(num, sizeof num, "%02d", t.wDay), out += num;
      else if (run == 3)
        out.append(kDayNames[dow], 3);
      else
        out += kDayNames[dow];
    } else if (c == 'M') {
      if (run == 1)
        snprintf(num, sizeof num, "%d", t.wMonth), out += num;
      else if (run == 2)
        snprintf(num, sizeof num, "%02d", t.wMonth), out += num;
      else if (run == 3)
        out.append(kMonthNames[t.wMonth - 1], 3);
      else
        out += kMonthNames[t.wMonth - 1];
    } else {
      if (run == 1)
        snprintf(num, sizeof num, "%d", t.wYear % 100), out += num;
      else if (run == 2)
        snprintf(num, sizeof num, "%02d", t.wYear % 100), out += num;
      else
        snprintf(num, sizeof num, "%d", t.wYear), out += num;
    }
  }
  return true;
}

}  // namespace

extern "C" {

DWORD WINAPI GetTickCount(void) {
  {
    std::lock_guard<std::mutex> guard(ClockLock());
    if (gClock.virtualOn) return gClock.virtualTick;
  }
  return RealTick();
}

void WINAPI GetLocalTime(LPSYSTEMTIME time) { GetTime(time, true); }
void WINAPI GetSystemTime(LPSYSTEMTIME time) { GetTime(time, false); }

void WINAPI Sleep(DWORD ms) {
  if (ms) PassGate();
  {
    std::lock_guard<std::mutex> guard(ClockLock());
    if (gClock.virtualOn) {
      AdvanceLocked(ms);
      ms = 0;
    }
  }
  if (ms == 0) {
    sched_yield();
    return;
  }
  timespec ts = {(time_t)(ms / 1000), (long)(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

int WINAPI GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR picture, LPSTR out, int cch) {
  if (cch < 0 || (cch > 0 && !out)) return KvxFail(ERROR_INVALID_PARAMETER);
  if (picture && flags) return KvxFail(ERROR_INVALID_FLAGS);
  char shortDate[80];
  if (!picture) {
    if (!GetLocaleInfoA(locale, LOCALE_SSHORTDATE, shortDate, (int)sizeof shortDate)) return 0;
    picture = shortDate;
  }
  SYSTEMTIME now;
  if (!date) {
    GetLocalTime(&now);
    date = &now;
  }
  std::string text;
  if (!ExpandPicture(*date, picture, text)) return KvxFail(ERROR_INVALID_PARAMETER);
  return (int)uKvxGiveBack(text, out, cch, kvxCountOrFail);
}

void vKvxTestClockSetVirtual(bool on) {
  DWORD now = RealTick();
  std::lock_guard<std::mutex> guard(ClockLock());
  if (on && !gClock.virtualOn) gClock.virtualTick = now;
  gClock.virtualOn = on;
  gVirtualSeen.store(on, std::memory_order_release);
}

void vKvxTestClockAdvance(DWORD ms) {
  std::lock_guard<std::mutex> guard(ClockLock());
  AdvanceLocked(ms);
}

void vKvxTestClockSetTick(DWORD tick) {
  std::lock_guard<std::mutex> guard(ClockLock());
  gClock.virtualTick = tick;
}

void vKvxTestClockSetLocalTime(const SYSTEMTIME* time) {
  std::lock_guard<std::mutex> guard(ClockLock());
  if (!time) {
    gClock.timeSet = false;
    return;
  }
  unsigned month = time->wMonth < 1 ? 1 : time->wMonth > 12 ? 12 : time->wMonth;
  int64_t days = DaysFromCivil(time->wYear, month, 1) + (int64_t)time->wDay - 1;
  gClock.setMs =
      ((days * 24 + time->wHour) * 60 + time->wMinute) * 60000 + (int64_t)time->wSecond * 1000 + time->wMilliseconds;
  gClock.timeSet = true;
}

void vKvxTestClockSetPeekStep(DWORD ms) {
  std::lock_guard<std::mutex> guard(ClockLock());
  gClock.peekStep = ms;
}

void vKvxTestClockSetGate(KvxClockGate gate, void* context) {
  std::lock_guard<std::mutex> guard(ClockLock());
  gGate = gate;
  gGateContext = context;
}

void vKvxClockOnIdlePeek(void) {
  if (!gVirtualSeen.load(std::memory_order_acquire)) return;
  PassGate();
  std::lock_guard<std::mutex> guard(ClockLock());
  AdvanceLocked(gClock.peekStep);
}

}  // extern "C"
