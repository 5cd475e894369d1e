// Clock, tick count and dates. Tests can freeze the date and time and run
// the tick count on a virtual clock (kvxtest_clock.h).
#pragma once

#include "win32_base.h"
#include "win32_text.h"

#define DATE_SHORTDATE 0x00000001
#define DATE_LONGDATE 0x00000002

extern "C" {
// Milliseconds since the clock started, wrapping at 2^32 as on Windows:
// compare ticks by unsigned difference (now - start >= wait).
KVX_PLATFORM_API DWORD WINAPI GetTickCount(void);
KVX_PLATFORM_API void WINAPI GetLocalTime(LPSYSTEMTIME time);
KVX_PLATFORM_API void WINAPI GetSystemTime(LPSYSTEMTIME time);
// On the virtual clock Sleep does not block: it advances the clock by ms.
KVX_PLATFORM_API void WINAPI Sleep(DWORD ms);
// Pictures: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, 'quoted text' ('' is a
// quote). A NULL date is today; a NULL picture is the short date.
// Returns the characters written with the terminator (the size needed when
// cch is 0); 0 on failure.
KVX_PLATFORM_API int WINAPI GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR picture, LPSTR out,
                                           int cch);
}
