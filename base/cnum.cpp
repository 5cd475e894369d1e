#include "base/cnum.h"

#include <locale.h>

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

#ifdef _WIN32
// Windows' C runtime has no POSIX locale_t: the same steps in its terms (one
// of the places listed in platform/include/win32.h).
typedef _locale_t locale_t;

locale_t CLocale() {
  static locale_t loc = _create_locale(LC_ALL, "C");
  return loc;
}

double strtod_l(const char* text, char** end, locale_t loc) { return _strtod_l(text, end, loc); }

long long strtoll_l(const char* text, char** end, int base, locale_t loc) { return _strtoi64_l(text, end, base, loc); }

// Switches the calling thread to the C locale's numbers for the life of the
// object: the thread gets a locale of its own, given back afterwards.
struct CLocaleScope {
  int oldMode;
  char oldNumeric[128];
  CLocaleScope() : oldMode(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)), oldNumeric{} {
    const char* cur = setlocale(LC_NUMERIC, nullptr);
    if (cur) snprintf(oldNumeric, sizeof oldNumeric, "%s", cur);
    setlocale(LC_NUMERIC, "C");
  }
  ~CLocaleScope() {
    if (oldNumeric[0]) setlocale(LC_NUMERIC, oldNumeric);
    if (oldMode != _ENABLE_PER_THREAD_LOCALE) _configthreadlocale(oldMode);
  }
};
#else
// One "C" locale for the whole process, made on first use and never freed.
locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", (locale_t)0);
  return loc;
}

// Switches the calling thread to the C locale for the life of the object.
struct CLocaleScope {
  locale_t old;
  CLocaleScope() : old(uselocale(CLocale())) {}
  ~CLocaleScope() { uselocale(old); }
};
#endif

}  // namespace

double dNumParseEndC(const char* text, char** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0.0;
  }
  return strtod_l(text, end, CLocale());
}

double dNumParseC(const char* text) { return dNumParseEndC(text, nullptr); }

float fNumSingleOr0C(double value) { return std::fabs(value) <= FLT_MAX ? static_cast<float>(value) : 0.0f; }

int64_t lNumParseEndC(const char* text, char** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0;
  }
  errno = 0;
  long long v = strtoll_l(text, end, 10, CLocale());
  return (int64_t)v;  // strtoll saturates at the 64-bit range
}

int64_t lNumParseC(const char* text) { return lNumParseEndC(text, nullptr); }

int32_t iNumParseC(const char* text) {
  int64_t v = lNumParseC(text);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return (int32_t)v;
}

int iNumVPrintC(char* buf, int size, const char* format, va_list args) {
  CLocaleScope scope;
  if (size <= 0) return vsnprintf(nullptr, 0, format, args);
  return vsnprintf(buf, (size_t)size, format, args);
}

int iNumPrintC(char* buf, int size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = iNumVPrintC(buf, size, format, args);
  va_end(args);
  return n;
}
