#include "base/cnum.h"

#include <locale.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

bool boSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool boDigit(char c) { return c >= '0' && c <= '9'; }

// The common short decimal ("-1234.5678", "3e4") read in one pass: its
// digits (19 at most) make an integer m of at most 2^53 and its scale is at
// most 22 places either way, so m * 10^e or m / 10^e is one correctly
// rounded operation on two exact doubles, the value strtod gives. False for
// anything else (more digits, a larger scale, hexadecimal, inf, nan, no
// number), which the general steps below decide.
bool boParseShortDecimal(const char* text, char** end, double* value) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  static const double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* p = text;
  while (boSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return false;
  // m wraps only past 19 digits (leading zeros counted), which are left to
  // the general steps.
  uint64_t m = 0;
  const char* first = p;
  while (boDigit(*p)) m = m * 10 + (uint64_t)(*p++ - '0');
  std::ptrdiff_t digits = p - first, scale = 0;  // scale: the digits after the point
  if (*p == '.') {
    first = ++p;
    while (boDigit(*p)) m = m * 10 + (uint64_t)(*p++ - '0');
    scale = p - first;
    digits += scale;
  }
  if (digits == 0 || digits > 19) return false;
  int exp10 = 0;
  if (*p == 'e' || *p == 'E') {
    // Taken only with a digit after it, as strtod takes it.
    const char* q = p + 1;
    bool expNegative = *q == '-';
    if (*q == '+' || *q == '-') ++q;
    if (boDigit(*q)) {
      for (; boDigit(*q); ++q) {
        exp10 = exp10 * 10 + (*q - '0');
        if (exp10 > 9999) return false;
      }
      if (expNegative) exp10 = -exp10;
      p = q;
    }
  }
  exp10 -= (int)scale;
  double v;
  if (m == 0)
    v = 0.0;
  else if (m > ((uint64_t)1 << 53) || exp10 < -22 || exp10 > 22)
    return false;
  else
    v = exp10 < 0 ? (double)m / kPow10[-exp10] : (double)m * kPow10[exp10];
  if (end) *end = const_cast<char*>(p);
  *value = negative ? -v : v;
  return true;
#else
  (void)text;
  (void)end;
  (void)value;
  return false;  // no exact double steps with wider intermediates
#endif
}

// A plain decimal number ("-12.5", "3e4") read by from_chars, which rounds as
// strtod does without its locale and multi-precision steps. False for
// anything strtod must decide: hexadecimal, inf, nan, overflow, underflow
// and denormal results (where strtod also sets errno).
bool boParsePlainDecimal(const char* text, char** end, double* value) {
  const char* p = text;
  while (boSpace(*p)) ++p;
  const char* num = p;
  if (*p == '+')
    num = ++p;  // from_chars takes a '-' only
  else if (*p == '-')
    ++p;
  if (!boDigit(*p) && !(*p == '.' && boDigit(p[1]))) return false;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return false;
  // Bound the range by the characters a number can hold: no strlen over a
  // long line behind it.
  const char* last = p;
  while (boDigit(*last) || *last == '.' || *last == 'e' || *last == 'E' || *last == '+' || *last == '-') ++last;
  double v = 0.0;
  std::from_chars_result r = std::from_chars(num, last, v);
  if (r.ec != std::errc()) return false;
  if (v != 0.0 && std::fabs(v) < DBL_MIN) return false;
  if (v == 0.0) {
    for (const char* d = p; d < r.ptr && *d != 'e' && *d != 'E'; ++d)
      if (*d >= '1' && *d <= '9') return false;  // underflow to zero
  }
  if (end) *end = const_cast<char*>(r.ptr);
  *value = v;
  return true;
}

// Up to 18 decimal digits (never out of range) read directly; false for
// anything else.
bool boParsePlainInteger(const char* text, char** end, int64_t* value) {
  const char* p = text;
  while (boSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (!boDigit(*p)) return false;
  int64_t v = 0;
  const char* first = p;
  while (boDigit(*p)) {
    if (p - first == 18) return false;
    v = v * 10 + (*p++ - '0');
  }
  if (end) *end = const_cast<char*>(p);
  *value = negative ? -v : v;
  return true;
}

}  // namespace

double dNumParseEndC(const char* text, char** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0.0;
  }
  double v;
  if (boParseShortDecimal(text, end, &v) || boParsePlainDecimal(text, end, &v)) return v;
  return strtod_l(text, end, CLocale());
}

double dNumParseC(const char* text) { return dNumParseEndC(text, nullptr); }

bool boNumParsePlainC(const char* text, size_t len, double* value) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  static const double kPow10[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = text;
  const char* end = text + len;
  bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  // Up to 15 digits and a point: at most 16 characters after the sign.
  if (end - p > 16) return false;
  // The digits before the point, then those after it.
  uint64_t m = 0;
  const char* q = p;
  unsigned d;
  while (q < end && (d = (unsigned char)*q - (unsigned)'0') <= 9) m = m * 10 + d, ++q;
  const char* point = q;
  if (q < end) {
    if (*q != '.') return false;
    while (++q < end && (d = (unsigned char)*q - (unsigned)'0') <= 9) m = m * 10 + d;
    if (q < end) return false;
  }
  std::ptrdiff_t scale = point < end ? end - point - 1 : 0;
  std::ptrdiff_t digits = (end - p) - (point < end ? 1 : 0);
  if (digits == 0 || digits > 15) return false;
  // m < 10^15 < 2^53 and 10^scale are exact: one rounding, as the parser's.
  double v = scale ? (double)m / kPow10[scale] : (double)m;
  *value = negative ? -v : v;
  return true;
#else
  (void)text;
  (void)len;
  (void)value;
  return false;  // no exact double steps with wider intermediates: the text path
#endif
}

float fNumSingleOr0C(double value) { return std::fabs(value) <= FLT_MAX ? static_cast<float>(value) : 0.0f; }

int64_t lNumParseEndC(const char* text, char** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0;
  }
  errno = 0;
  int64_t plain;
  if (boParsePlainInteger(text, end, &plain)) return plain;
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
  // "%f", "%lf", "%.Nf", "%.Nlf" and these with a width ("%11.3lf"; N and
  // the width of one or two digits), the formats of most numbers the module
  // turns into text, skip printf's format parsing.
  if (format && format[0] == '%') {
    const char* f = format + 1;
    int width = 0, decimals = 6;
    if (f[0] >= '1' && f[0] <= '9') {  // a leading 0 is the flag of zeros
      width = *f++ - '0';
      if (f[0] >= '0' && f[0] <= '9') width = width * 10 + *f++ - '0';
    }
    if (f[0] == '.' && f[1] >= '0' && f[1] <= '9') {
      decimals = f[1] - '0';
      f += 2;
      if (f[0] >= '0' && f[0] <= '9') decimals = decimals * 10 + *f++ - '0';
    }
    if (f[0] == 'l') f++;
    if (f[0] == 'f' && f[1] == '\0') {
      double value = va_arg(args, double);
      int n = iNumPrintFixedC(buf, size, value, decimals);
      if (n >= width) return n;
      if (width < size) {  // blanks before, as printf pads
        memmove(buf + (width - n), buf, (size_t)n + 1);
        memset(buf, ' ', (size_t)(width - n));
        return width;
      }
      CLocaleScope scope;  // the padded text is cut: printf's own cut
      return snprintf(buf, (size_t)size, format, value);
    }
  }
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

namespace {

constexpr std::array<uint64_t, 17> kPow10 = [] {
  std::array<uint64_t, 17> a{};
  uint64_t p = 1;
  for (uint64_t& v : a) {
    v = p;
    p *= 10;
  }
  return a;
}();

// The eight digits of n (below 10^8), zeros in front, as the bytes of a
// little-endian word: split into four lanes of two digits and those into
// digits by a few multiplications, with no step per digit.
inline uint64_t uEightDigits(uint32_t n) {
  uint64_t merged = (uint64_t)(n / 10000) | (uint64_t)(n % 10000) << 32;
  uint64_t hundreds = (merged * 10486) >> 20 & 0x0000007F0000007Full;
  uint64_t pairs = hundreds | (merged - hundreds * 100) << 16;
  uint64_t tens = (pairs * 103) >> 10 & 0x000F000F000F000Full;
  uint64_t ones = pairs - tens * 10;
  return (tens | ones << 8) + 0x3030303030303030ull;
}

// The same for the four digits of n (below 10^4), in the high half.
inline uint64_t uFourDigits(uint32_t n) {
  uint64_t hundreds = (uint64_t)n * 5243 >> 19;
  uint64_t pairs = hundreds | ((uint64_t)n - hundreds * 100) << 16;
  uint64_t tens = (pairs * 103) >> 10 & 0x000F000Full;
  uint64_t ones = pairs - tens * 10;
  return ((tens | ones << 8) + 0x30303030ull) << 32;
}

// The first n bytes (1 to 8) of a little-endian word at p, by two stores
// at most: a caller's bytes after the text stay as they were, as with
// snprintf.
inline void vPutBytes(char* p, uint64_t word, int n) {
  if (n >= 4) {
    uint32_t head = (uint32_t)word, tail = (uint32_t)(word >> (8 * (n - 4)));
    memcpy(p, &head, 4);
    memcpy(p + n - 4, &tail, 4);
  } else if (n >= 2) {
    uint16_t head = (uint16_t)word, tail = (uint16_t)(word >> (8 * (n - 2)));
    memcpy(p, &head, 2);
    memcpy(p + n - 2, &tail, 2);
  } else {
    *p = (char)word;
  }
}

// "%*.*f" (width, D) at buf for the usual value: 0, or a whole part below
// 10^8 whose fraction's bits times 5^D fit 64 bits (a survey coordinate at
// up to 8 decimals). The text's length with its blanks, or -1 for a value
// that needs the long way or a buffer that would cut the text. The whole
// part and the fraction are cut from the double's bits with 64-bit steps
// alone, each turned to digits at once and put straight at buf.
template <int D>
int iShortFixed(char* buf, int size, double value, int width) {
  static_assert(D >= 0 && D <= 8);
  constexpr uint64_t kPow5 = kPow10[D] >> D;
  uint64_t bits = 0;
  memcpy(&bits, &value, sizeof bits);
  int shift = 1075 - (int)(bits >> 52 & 0x7FF);  // |value| = m / 2^shift
  uint64_t m = (bits & ((1ull << 52) - 1)) | 1ull << 52, whole = 0, frac = 0;
  if (shift > D && shift < 64) {
    whole = m >> shift;
    // The fraction times 10^D is f 5^D / 2^(shift - D), rounded half to even.
    uint64_t f = m & ((1ull << shift) - 1), scaled;
    if (__builtin_mul_overflow(f, kPow5, &scaled)) return -1;
    int s = shift - D;
    frac = scaled >> s;
    uint64_t rem = scaled & ((1ull << s) - 1), half = 1ull << (s - 1);
    uint64_t odd = D ? frac & 1 : whole & 1;
    if (rem > half || (rem == half && odd)) {
      if (++frac == kPow10[D]) {
        frac = 0;
        ++whole;
      }
    }
    if (whole >= 100000000) return -1;
  } else if ((bits << 1) != 0) {
    return -1;  // large, small, subnormal or not finite
  }
  int log = (64 - __builtin_clzll(whole | 1)) * 1233 >> 12;  // 1233 / 4096: just above log10 2
  int digits = log + 1 - ((whole | 1) < kPow10[log]);        // of the whole part; 0 has one
  bool boNeg = bits >> 63;  // printf keeps the sign of a negative value that rounds to 0
  int len = (int)boNeg + digits + (D ? D + 1 : 0);
  int pad = len < width ? width - len : 0;
  if (pad + len >= size) return -1;
  if (pad && pad <= 8 && width >= 8)
    memcpy(buf, "        ", 8);  // one store, the text over its tail
  else if (pad)
    memset(buf, ' ', (size_t)pad);
  char* p = buf + pad;
  *p = '-';
  p += boNeg;
  vPutBytes(p, uEightDigits((uint32_t)whole) >> (8 * (8 - digits)), digits);
  p += digits;
  if (D) {
    *p++ = '.';
    vPutBytes(p, (D <= 4 ? uFourDigits((uint32_t)frac) : uEightDigits((uint32_t)frac)) >> (8 * (8 - D)), D);
    p += D;
  }
  *p = '\0';
  return pad + len;
}

// The short way for any count of decimals.
int iShortFixedAny(char* buf, int size, double value, int width, int decimals) {
  if constexpr (std::endian::native != std::endian::little) return -1;
  static constexpr int (*kWays[])(char*, int, double, int) = {iShortFixed<0>, iShortFixed<1>, iShortFixed<2>,
                                                              iShortFixed<3>, iShortFixed<4>, iShortFixed<5>,
                                                              iShortFixed<6>, iShortFixed<7>, iShortFixed<8>};
  if (decimals < 0 || decimals > 8) return -1;
  return kWays[decimals](buf, size, value, width);
}

// The text of "%.*f" built backwards, ending before end (33 bytes of room:
// a sign, 16 digits, the point and 15 decimals): where it starts, or null
// for a value without a short way.
const char* pFixedText(char* end, double value, int decimals) {
  const double kTwo53 = 9007199254740992.0;
  if (decimals < 0 || decimals > 15 || !std::isfinite(value) || std::fabs(value) >= kTwo53) return nullptr;
  // |value| = m / 2^shift exactly, with m below 2^53 and shift at least 0,
  // from the double's own bits.
  uint64_t bits = 0;
  memcpy(&bits, &value, sizeof bits);
  int biased = (int)(bits >> 52 & 0x7FF);
  uint64_t m = bits & ((1ull << 52) - 1);
  int shift = 1074;  // a subnormal
  if (biased) {
    m |= 1ull << 52;
    shift = 1075 - biased;
  }
  unsigned __int128 scaled = (unsigned __int128)m * kPow10[decimals];
  unsigned __int128 q = 0;
  if (shift == 0) {
    q = scaled;
  } else if (shift < 128) {  // else the value is far below half a unit of the last digit
    q = scaled >> shift;
    unsigned __int128 rem = scaled - (q << shift), half = (unsigned __int128)1 << (shift - 1);
    if (rem > half || (rem == half && (q & 1))) q++;
  }
  // The text is built backwards, two digits a step: the decimals, the
  // point, the whole part. While q fits 64 bits (the usual case) the steps
  // divide by 100 alone, which needs no division instruction.
  static const char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char* p = end;
  uint64_t frac = (uint64_t)q, whole = 0;
  bool boWide = (uint64_t)(q >> 64) != 0;
  if (boWide) {
    whole = (uint64_t)(q / kPow10[decimals]);
    frac = (uint64_t)(q % kPow10[decimals]);
  }
  int left = decimals;
  for (; left >= 2; left -= 2) {
    p -= 2;
    memcpy(p, kPairs + 2 * (frac % 100), 2);
    frac /= 100;
  }
  if (left) {
    *--p = (char)('0' + frac % 10);
    frac /= 10;
  }
  if (!boWide) whole = frac;
  if (decimals) *--p = '.';
  for (; whole >= 100; whole /= 100) {
    p -= 2;
    memcpy(p, kPairs + 2 * (whole % 100), 2);
  }
  if (whole >= 10) {
    p -= 2;
    memcpy(p, kPairs + 2 * whole, 2);
  } else {
    *--p = (char)('0' + whole);
  }
  if (std::signbit(value)) *--p = '-';  // printf keeps the sign of a negative value that rounds to 0
  return p;
}

}  // namespace

int iNumPrintFixedC(char* buf, int size, double value, int decimals) {
  int iShort = iShortFixedAny(buf, size, value, 0, decimals);
  if (iShort >= 0) return iShort;
  // The longest text and its NUL take 34 bytes.
  char text[40];
  const char* p = size < 34 ? nullptr : pFixedText(text + sizeof text, value, decimals);
  if (!p) return iNumPrintC(buf, size, "%.*f", decimals, value);
  int len = (int)(text + sizeof text - p);
  memcpy(buf, p, (size_t)len);
  buf[len] = '\0';
  return len;
}

int iNumPrintFixedWidthC(char* buf, int size, double value, int width, int decimals) {
  if (width >= size) return iNumPrintC(buf, size, "%*.*f", width, decimals, value);
  int iShort = iShortFixedAny(buf, size, value, width, decimals);
  if (iShort >= 0) return iShort;
  // The blanks and the text put in place at once.
  char text[40];
  if (const char* p = size < 34 ? nullptr : pFixedText(text + sizeof text, value, decimals)) {
    int len = (int)(text + sizeof text - p), pad = len < width ? width - len : 0;
    memset(buf, ' ', (size_t)pad);
    memcpy(buf + pad, p, (size_t)len);
    buf[pad + len] = '\0';
    return pad + len;
  }
  int n = iNumPrintFixedC(buf, size, value, decimals);
  if (n < 0 || n >= width) return n;
  memmove(buf + (width - n), buf, (size_t)n + 1);
  memset(buf, ' ', (size_t)(width - n));
  return width;
}
