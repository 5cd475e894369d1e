// Numbers parsed and printed in the "C" locale whatever locale the process
// has set: a host that calls setlocale(LC_ALL, "") must not turn "1.5" into
// "1,5" in our files. Every conversion between numbers and text in the
// module goes through these.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// atof semantics: leading white space skipped, the longest valid prefix
// taken, 0 when there is none. A null text gives 0. Overflow gives +-HUGE_VAL.
double dNumParseC(const char* text);
// Like strtod in the C locale; *end (when given) is set behind the number.
double dNumParseEndC(const char* text, char** end);
// The whole text [text, text + len) as a plain decimal: a sign or none, then
// at most 15 digits with at most one point among them, and nothing else (no
// blanks, no exponent). *value gets what dNumParseC gives for that text (the
// digits' integer, exact in a double, divided once by the power of ten of
// the decimals). False for any other text: a reader that has its field's
// bounds reads the usual number with no scan for its end and no checks of
// what may stand around it.
bool boNumParsePlainC(const char* text, size_t len, double* value);
// atoi/atol semantics, but saturated to the range instead of undefined.
int32_t iNumParseC(const char* text);
int64_t lNumParseC(const char* text);
// Like strtoll in the C locale (base 10, saturated at the 64-bit range);
// *end (when given) is set behind the number, or to text when there is none.
int64_t lNumParseEndC(const char* text, char** end);
// The value in single precision; 0 for NaN or a value beyond the float range
// (a malformed text), where a plain cast is undefined.
float fNumSingleOr0C(double value);
// snprintf in the C locale. Returns what snprintf returns; writes nothing for
// size <= 0.
int iNumPrintC(char* buf, int size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int iNumVPrintC(char* buf, int size, const char* format, va_list args);
// snprintf(buf, size, "%.*f", decimals, value) to the digit, without its
// format parsing: the exact binary value rounded half to even, as printf
// rounds in the default rounding mode. Values it has no short way for
// (decimals outside 0..15, 2^53 and beyond, NaN, infinities, a buffer that
// cuts the text) go to snprintf itself. Bytes after the NUL stay untouched.
int iNumPrintFixedC(char* buf, int size, double value, int decimals);
// snprintf(buf, size, "%*.*f", width, decimals, value) the same way: those
// digits, right-justified in width columns.
int iNumPrintFixedWidthC(char* buf, int size, double value, int width, int decimals);
