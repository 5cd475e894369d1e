#include "base/numbers.h"

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/cnum.h"
#include "base/text.h"
#include "win32.h"

namespace {

// 0 until read from the locale settings.
std::atomic<char> gDecimalSep{0};

char DecimalSep() {
  char sep = gDecimalSep.load();
  if (sep) return sep;
  char buf[8];
  sep = '.';
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, (int)sizeof buf) > 0 && buf[0]) sep = buf[0];
  gDecimalSep.store(sep);
  return sep;
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Rounding added before truncation, by decimals.
const double kRound[9] = {0.499999,   0.0499999,  0.00499999, 0.000499999, 0.0000499999,
                          4.99999e-6, 4.99999e-7, 4.99999e-8, 4.99999e-9};
const int32_t kPow10[10] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

}  // namespace

// ---------------------------------------------------------------------------
// Numbers

void vNumResetDecimalSep(void) { gDecimalSep.store(0); }

char* sNumFormatLocale(double value, int width, int decimals, char* buf, int size) {
  return sNumFormatSep(value, width, decimals, DecimalSep(), buf, size);
}

char* sNumFormatSep(double value, int width, int decimals, char sep, char* buf, int size) {
  if (!buf || size <= 0) return buf;
  if (decimals < 0) decimals = 0;
  if (width > 0) {
    iNumPrintC(buf, size, "%*.*f", width, decimals, value);
  } else {
    iNumPrintC(buf, size, "%.*f", decimals, value);
    if (decimals > 0) sNumCutZeros(buf);
  }
  char* point = strchr(buf, '.');
  if (point) *point = sep;
  return buf;
}

char* sNumCutZeros(char* text) {
  if (!text) return text;
  char* point = strchr(text, '.');
  if (!point) return text;
  size_t len = strlen(text);
  while (len > (size_t)(point - text) + 1 && text[len - 1] == '0') --len;
  if (len == (size_t)(point - text) + 1) --len;  // nothing left behind the point
  text[len] = '\0';
  return text;
}

char* sNumIntToStr(char* buf, int32_t value, char** end) {
  char digits[12];
  int n = 0;
  // Through 64 bits: -INT32_MIN does not fit in 32.
  int64_t v = value;
  bool negative = v < 0;
  if (negative) v = -v;
  do {
    digits[n++] = (char)('0' + v % 10);
    v /= 10;
  } while (v);
  char* p = buf;
  if (negative) *p++ = '-';
  while (n) *p++ = digits[--n];
  *p = '\0';
  if (end) *end = p;
  return buf;
}

char* sNumFormatFast(char* buf, double value, int decimals, char** end) {
  if (decimals > 8) decimals = 8;
  if (decimals < 0) decimals = 0;
  double rounded = std::fabs(value) + kRound[decimals];
  if (!std::isfinite(value) || rounded >= 2147483648.0) {
    // Outside the digit loop's range: the C library, zeros cut. A text that
    // would not fit the 24 bytes goes in exponent form rather than cut short
    // (which would change its magnitude).
    char wide[400];
    iNumPrintC(wide, (int)sizeof wide, "%.*f", decimals, value);
    sNumCutZeros(wide);
    if (strlen(wide) < 24)
      memcpy(buf, wide, strlen(wide) + 1);
    else
      iNumPrintC(buf, 24, "%.15g", value);
    if (end) *end = buf + strlen(buf);
    return buf;
  }
  char* p = buf;
  if (value < 0) *p++ = '-';
  int32_t whole = (int32_t)rounded;
  sNumIntToStr(p, whole, &p);
  int32_t fraction = (int32_t)((rounded - whole) * kPow10[decimals]);
  if (fraction > 0) {
    *p++ = '.';
    for (int i = decimals - 1; i >= 0; --i) {
      p[i] = (char)('0' + fraction % 10);
      fraction /= 10;
    }
    int len = decimals;
    while (len > 0 && p[len - 1] == '0') --len;
    p += len;
  }
  *p = '\0';
  if (end) *end = p;
  return buf;
}

bool boStrIsNumber(const char* text) {
  if (!text || !*text) return true;
  const char* p = text;
  while (*p == ' ') ++p;
  if (*p == '+' || *p == '-') ++p;
  bool digit = false, point = false;
  for (; *p; ++p) {
    if (IsDigit(*p)) {
      digit = true;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

double dStrToDoubleComma(const char* text) {
  char copy[128];
  sStrCopyN(copy, text, (int)sizeof copy);
  for (char* p = copy; *p; ++p)
    if (*p == ',') *p = '.';
  return dNumParseC(copy);
}

int iStrParseInt(const char* text, char** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0;
  }
  const char* p = text;
  while (*p == ' ') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  const char* digits = p;
  while (IsDigit(*p)) ++p;
  if (p - digits > 9) {
    // Too long for the quick loop: the whole text, saturated to 32 bits (a
    // 64-bit long would wrap on the cast).
    int64_t v = lNumParseEndC(text, end);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return (int)v;
  }
  int value = 0;
  for (const char* q = digits; q < p; ++q) value = value * 10 + (*q - '0');
  if (end) *end = const_cast<char*>(p);
  return negative ? -value : value;
}

double dStrParseNumber(const char* text, char** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0.0;
  }
  const char* p = text;
  while (*p == ' ') ++p;
  const char* intDigits = p + ((*p == '+' || *p == '-') ? 1 : 0);
  size_t intCount = strspn(intDigits, "0123456789");
  if (intCount > 9) return dNumParseEndC(text, end);
  char* after;
  int whole = iStrParseInt(text, &after);
  if (*after != '.') {
    if (end) *end = after;
    return whole;
  }
  const char* fracDigits = after + 1;
  size_t fracCount = strspn(fracDigits, "0123456789");
  if (fracCount > 9) return dNumParseEndC(text, end);
  int32_t fracValue = 0;
  for (size_t i = 0; i < fracCount; ++i) fracValue = fracValue * 10 + (fracDigits[i] - '0');
  // Leading zeros count: "1.05" is 1 + 5/100.
  double fraction = (double)fracValue / kPow10[fracCount];
  if (end) *end = const_cast<char*>(fracDigits + fracCount);
  if (whole > 0) return whole + fraction;
  if (whole < 0) return whole - fraction;
  return *p == '-' ? -fraction : fraction;
}

// ---------------------------------------------------------------------------
// Option strings

char* sStrNextOption(char** cursor, char** value) { return sStrNextOptionSep(cursor, value, ':'); }

char* sStrNextOptionSep(char** cursor, char** value, char sep) {
  static char empty[1] = {'\0'};
  if (value) {
    empty[0] = '\0';
    *value = empty;
  }
  if (!cursor || !*cursor) return nullptr;
  unsigned char* p = (unsigned char*)*cursor;
  while (*p && *p <= 32) ++p;
  if (!*p) {
    *cursor = nullptr;
    return nullptr;
  }
  char* token = (char*)p;
  bool inQuotes = false;
  int depth = 0;
  for (;; ++p) {
    if (!*p) {
      *cursor = nullptr;
      break;
    }
    // An escaped quote or backslash is skipped whole, so that a value
    // ending in a backslash ("C:\\Dir\\") still closes its quotes.
    if (*p == '\\' && (p[1] == '"' || p[1] == '\\')) {
      ++p;
      continue;
    }
    if (*p == '"') {
      inQuotes = !inQuotes;
      continue;
    }
    if (inQuotes) continue;
    if (*p == '(') {
      ++depth;
    } else if (*p == ')' && depth > 0) {
      if (--depth == 0) {
        // The token ends behind the closing parenthesis; the character after
        // it becomes the terminator.
        if (p[1]) {
          p[1] = '\0';
          *cursor = (char*)p + 2;
        } else {
          *cursor = (char*)p + 1;
        }
        break;
      }
    } else if (depth == 0 && *p <= 32) {
      *p = '\0';
      *cursor = (char*)p + 1;
      break;
    }
  }
  if (!value) return token;
  char* s = strchr(token, sep);
  if (!s) {
    *value = nullptr;
    return token;
  }
  *s = '\0';
  char* v = s + 1;
  size_t len = strlen(v);
  if (len >= 2 && v[0] == '"' && v[len - 1] == '"') {
    v[len - 1] = '\0';
    ++v;
  }
  // Unescape \" and \\ in place.
  char* out = v;
  for (char* in = v; *in; ++in) {
    if (*in == '\\' && (in[1] == '"' || in[1] == '\\')) ++in;
    *out++ = *in;
  }
  *out = '\0';
  *value = v;
  return token;
}

char* sStrCutParens(char* token) {
  if (!token) return nullptr;
  char* open = strchr(token, '(');
  size_t len = strlen(token);
  if (!open || len < 2 || token[len - 1] != ')' || open == token + len - 1) return nullptr;
  *open = '\0';
  token[len - 1] = '\0';
  return open + 1;
}

void vOptAppendName(char** cursor, const char* name) {
  if (!cursor || !*cursor) return;
  char* p = *cursor;
  if (*p) {
    p += strlen(p);
    *p++ = ' ';
  }
  name = sStrNotNull(name);
  size_t len = strlen(name);
  memcpy(p, name, len);
  p += len;
  *p++ = ':';
  *cursor = p;
}

void vOptAppendText(char** cursor, int* room, const char* name, const char* value) {
  if (!cursor || !*cursor || !room) return;
  name = sStrNotNull(name);
  value = sStrNotNull(value);
  // The room must hold the value as written, with its escapes and quotes.
  bool quote = false;
  int64_t encoded = 0;
  for (const unsigned char* v = (const unsigned char*)value; *v; ++v) {
    if (*v == '\r') continue;
    if (*v == '\n' || *v == '"' || *v == '\\')
      encoded += 2;
    else
      ++encoded;
    if (*v <= 32 && *v != '\n') quote = true;
  }
  if (quote) encoded += 2;
  char* old = *cursor;
  // Text already behind the cursor (normally its last character) is passed.
  int64_t behind = *old ? (int64_t)strlen(old) - 1 : 0;
  if ((int64_t)*room < behind + (int64_t)strlen(name) + encoded + 8) return;

  vOptAppendName(cursor, name);
  char* p = *cursor;
  if (quote) *p++ = '"';
  for (const char* v = value; *v; ++v) {
    switch (*v) {
      case '\r':
        break;
      case '\n':
        *p++ = '\\';
        *p++ = 'n';
        break;
      case '"':
      case '\\':
        *p++ = '\\';
        *p++ = *v;
        break;
      default:
        *p++ = *v;
    }
  }
  if (quote) *p++ = '"';
  *p = '\0';
  *cursor = p - 1;
  *room -= (int)strlen(old);
}

void vOptAppendInt(char** cursor, int* room, const char* name, int value) {
  char text[16];
  iNumPrintC(text, (int)sizeof text, "%d", value);
  vOptAppendText(cursor, room, name, text);
}

void vOptAppendDouble(char** cursor, int* room, const char* name, int decimals, double value) {
  // Sized for any double with up to 100 decimals.
  char text[512];
  if (decimals < 0) decimals = 0;
  if (decimals > 100) decimals = 100;
  iNumPrintC(text, (int)sizeof text, "%.*f", decimals, value);
  sNumCutZeros(text);
  vOptAppendText(cursor, room, name, text);
}

// ---------------------------------------------------------------------------
// Dates

namespace {

// Reads up to 6 numbers of "%d.%d.%d_%d:%d:%d" as sscanf would (white space
// before each number, literal separators); returns how many were read.
int ScanDate(const char* text, int v[6]) {
  static const char kSeps[5] = {'.', '.', '_', ':', ':'};
  if (!text) return 0;
  const char* p = text;
  for (int i = 0; i < 6; ++i) {
    if (i > 0) {
      if (*p != kSeps[i - 1]) return i;
      ++p;
    }
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const char* start = p + ((*p == '+' || *p == '-') ? 1 : 0);
    if (!IsDigit(*start)) return i;
    char* end;
    v[i] = iStrParseInt(p, &end);
    p = end;
  }
  return 6;
}

}  // namespace

void vDateGetToday(int* year, int* month, int* day) {
  SYSTEMTIME t = {};
  GetLocalTime(&t);
  if (t.wYear == 0) t = SYSTEMTIME{1980, 1, 0, 1, 0, 0, 0, 0};
  if (year) *year = t.wYear;
  if (month) *month = t.wMonth;
  if (day) *day = t.wDay;
}

void vDateGetTime(int* hour, int* minute, int* second) {
  SYSTEMTIME t = {};
  GetLocalTime(&t);
  if (hour) *hour = t.wHour;
  if (minute) *minute = t.wMinute;
  if (second) *second = t.wSecond;
}

char* sDateToday(void) {
  int y, m, d;
  vDateGetToday(&y, &m, &d);
  char text[32];
  iNumPrintC(text, 11, "%04d.%02d.%02d", y, m, d);
  return sStrTemp(text);
}

char* sDateTimeNow(void) {
  SYSTEMTIME t = {};
  GetLocalTime(&t);
  return sDateTimeFormat(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

char* sDateTimeFormat(int year, int month, int day, int hour, int minute, int second) {
  char* out = pStrScratchAlloc(20);
  if (!out) return nullptr;
  // Out-of-range fields make longer texts: cut at 19 characters.
  iNumPrintC(out, 20, "%04d.%02d.%02d_%02d:%02d:%02d", year, month, day, hour, minute, second);
  return out;
}

bool boDateParse(const char* text, int* year, int* month, int* day, int* hour, int* minute, int* second,
                 int* dateOnly) {
  int v[6] = {0, 0, 0, 0, 0, 0};
  int n = ScanDate(text, v);
  if (n < 3) return false;
  if (n < 5) v[3] = v[4] = v[5] = 0;
  if (n == 5) v[5] = 0;
  if (year) *year = v[0];
  if (month) *month = v[1];
  if (day) *day = v[2];
  if (hour) *hour = v[3];
  if (minute) *minute = v[4];
  if (second) *second = v[5];
  if (dateOnly) *dateOnly = n < 5 ? 1 : 0;
  return true;
}

int64_t iDateToTime(const char* text) {
  int v[6] = {0, 0, 0, 0, 0, 0};
  int n = ScanDate(text, v);
  if (n < 3) return -1;
  struct tm tm = {};
  // Year - 1900 and month - 1 through 64 bits: a saturated number must not
  // overflow.
  int64_t year = (int64_t)v[0] - 1900;
  int64_t month = (int64_t)v[1] - 1;
  if (year > INT_MAX || year < INT_MIN || month < INT_MIN) return -1;
  tm.tm_year = (int)year;
  tm.tm_mon = (int)month;
  tm.tm_mday = v[2];
  if (n == 6) {
    tm.tm_hour = v[3];
    tm.tm_min = v[4];
    tm.tm_sec = v[5];
  }
  tm.tm_isdst = 0;
  time_t t = mktime(&tm);
  return (int64_t)t;
}

// ---------------------------------------------------------------------------
// Encodings

namespace {

// Converts a NUL-terminated text from one code page to another through
// UTF-16 into a new heap block (malloc). Returns NULL when memory runs out or
// the conversion fails; *bytes is the length with the terminator.
char* ConvertAlloc(const char* text, UINT from, UINT to, int* bytes) {
  int wideLen = MultiByteToWideChar(from, 0, text, -1, nullptr, 0);
  if (wideLen <= 0) return nullptr;
  WCHAR* wide = (WCHAR*)malloc(sizeof(WCHAR) * (size_t)wideLen);
  if (!wide) return nullptr;
  MultiByteToWideChar(from, 0, text, -1, wide, wideLen);
  int need = WideCharToMultiByte(to, 0, wide, wideLen, nullptr, 0, nullptr, nullptr);
  char* out = need > 0 ? (char*)malloc((size_t)need) : nullptr;
  if (out) WideCharToMultiByte(to, 0, wide, wideLen, out, need, nullptr, nullptr);
  free(wide);
  if (!out) return nullptr;
  *bytes = need;
  return out;
}

// Copies a converted text into the caller's buffer: whole, or, when it does
// not fit, as many whole characters as fit (never half a UTF-8 sequence),
// terminated.
void CopyWhole(const char* text, int bytes, char* buf, int size, bool utf8) {
  if (!buf || size <= 0) return;
  if (bytes <= size) {
    memcpy(buf, text, (size_t)bytes);
    return;
  }
  int cut = size - 1;
  if (utf8)
    while (cut > 0 && ((unsigned char)text[cut] & 0xC0) == 0x80) --cut;
  memcpy(buf, text, (size_t)cut);
  buf[cut] = '\0';
}

int Convert(const char* text, char* buf, int size, UINT from, UINT to) {
  int bytes = 0;
  char* out = ConvertAlloc(sStrNotNull(text), from, to, &bytes);
  if (!out) {
    if (buf && size > 0) buf[0] = '\0';
    return 0;
  }
  CopyWhole(out, bytes, buf, size, to == CP_UTF8);
  free(out);
  return bytes;
}

const char* ConvertTemp(const char* text, UINT from, UINT to) {
  if (!text) return text;
  int bytes = 0;
  // Converted completely before the scratch request: the input may be a
  // scratch string that the request wraps over.
  char* out = ConvertAlloc(text, from, to, &bytes);
  if (!out) return text;
  char* temp = pStrScratchAlloc((uint64_t)bytes);
  if (temp) memcpy(temp, out, (size_t)bytes);
  free(out);
  return temp ? temp : text;
}

}  // namespace

int iStrAnsiToUtf8(const char* ansi, char* buf, int size) { return Convert(ansi, buf, size, CP_ACP, CP_UTF8); }

int iStrUtf8ToAnsi(const char* utf8, char* buf, int size) { return Convert(utf8, buf, size, CP_UTF8, CP_ACP); }

const char* sStrAnsiToUtf8Temp(const char* ansi) { return ConvertTemp(ansi, CP_ACP, CP_UTF8); }

const char* sStrUtf8ToAnsiTemp(const char* utf8) { return ConvertTemp(utf8, CP_UTF8, CP_ACP); }
