// Numbers as text (with the user's decimal separator, or fast and plain),
// option strings of blank-separated name:value tokens, date texts
// "yyyy.mm.dd" and "yyyy.mm.dd_hh:mm:ss", and ANSI <-> UTF-8 conversion.
// Everything here is independent of the process locale.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Numbers

// sNumFormatSep with the user's decimal separator (read once, from the
// locale settings; "." when they cannot be read).
char* sNumFormatLocale(double value, int width, int decimals, char* buf, int size);
// width 0: "%.*lf" with the decimals and, when decimals > 0, trailing zeros
// cut; width > 0: "%*.*lf", zeros kept. The point becomes sep. Negative
// decimals count as 0. Writes at most size-1 characters.
char* sNumFormatSep(double value, int width, int decimals, char sep, char* buf, int size);
// Removes trailing zeros behind a point, and the point when nothing is left
// behind it. A text without a point is unchanged.
char* sNumCutZeros(char* text);
// Prints with its own digit loop: decimals 0 to 8 (clamped), rounded, no
// trailing zeros, no point for a whole number. buf needs at least 24 bytes.
// *end (when given) is set to the terminator. Values outside the 32-bit
// integer range and non-finite values go through the C library instead.
char* sNumFormatFast(char* buf, double value, int decimals, char** end);
// The decimal digits of the value (with a leading minus); *end (when given)
// is set to the terminator. buf needs at least 12 bytes.
char* sNumIntToStr(char* buf, int32_t value, char** end);
// True for: optional leading blanks, at most one sign, digits with at most
// one point, at least one digit; the empty text is also true.
bool boStrIsNumber(const char* text);
// The first 127 characters with commas read as points, as atof does.
double dStrToDoubleComma(const char* text);
// Integer part, point and fraction digits; *end (when given) behind them.
// Texts with more than 9 integer or fraction digits go through strtod.
double dStrParseNumber(const char* text, char** end);
// Blanks skipped, optional sign, digits; more than 9 digits are converted
// as a whole and saturate at the 32-bit range. Without digits: 0, and *end
// behind the blanks and the sign.
int iStrParseInt(const char* text, char** end);

// For tests: forget the cached decimal separator so that the next call reads
// the locale settings again.
void vNumResetDecimalSep(void);

// ---------------------------------------------------------------------------
// Option strings: tokens separated by characters of code 32 or less outside
// double quotes and parentheses; a token is name:value; a quoted value may
// hold blanks and the escapes \" and \\. The reader cuts the string in place:
// it must be writable.

// sStrNextOptionSep with ':'.
char* sStrNextOption(char** cursor, char** value);
// Cuts the next token out of the string and returns it (its name part when a
// value is asked for); NULL when none is left. *value is "" when there is no
// token, NULL when the token has no separator, else the unquoted, unescaped
// value.
char* sStrNextOptionSep(char** cursor, char** value, char sep);
// For a token "name(arguments)": cuts off the parentheses in place and
// returns the arguments; NULL when there is no '(' or the token does not end
// in ')'.
char* sStrCutParens(char* token);
// Writes " name:" (the blank only behind existing text). The cursor is on
// the last character written before (or on the terminator of an empty
// buffer); it is left behind the colon. No terminator is written.
void vOptAppendName(char** cursor, const char* name);
// Appends name:value when *room holds it (with 8 characters to spare),
// otherwise nothing. The value is quoted when it holds a character of code
// 32 or less; LF is written as \n, CR dropped, '"' and '\' escaped. The text
// is terminated, the cursor left on the last character written, and *room
// lowered by the length of the text from the cursor's old position.
void vOptAppendText(char** cursor, int* room, const char* name, const char* value);
void vOptAppendInt(char** cursor, int* room, const char* name, int value);
// The value as "%.*lf" with trailing zeros cut.
void vOptAppendDouble(char** cursor, int* room, const char* name, int decimals, double value);

// ---------------------------------------------------------------------------
// Dates, in local time

// Today as "yyyy.mm.dd" (scratch).
char* sDateToday(void);
// Now as "yyyy.mm.dd_hh:mm:ss" (scratch).
char* sDateTimeNow(void);
// The given values in that form (scratch, 20 bytes; cut at 19 characters).
char* sDateTimeFormat(int year, int month, int day, int hour, int minute, int second);
void vDateGetToday(int* year, int* month, int* day);
void vDateGetTime(int* hour, int* minute, int* second);
// Reads "%d.%d.%d_%d:%d:%d"; false (nothing set) when fewer than 3 numbers
// are read. 6 numbers: all set, *dateOnly 0; 5: second 0, *dateOnly 0; 3 or
// 4: hour, minute and second 0, *dateOnly 1. Values are not range-checked.
bool boDateParse(const char* text, int* year, int* month, int* day, int* hour, int* minute, int* second, int* dateOnly);
// The calendar time (seconds since 1970, local time without daylight saving
// time) of the text read as above; the time of day only when all 6 numbers
// are given. Out-of-range fields roll over as in mktime. -1 when fewer than
// 3 numbers are read.
int64_t iDateToTime(const char* text);

// ---------------------------------------------------------------------------
// Encodings: ANSI (code page 1252) <-> UTF-8, through UTF-16

// Converts into buf (at most size bytes) and returns the bytes the whole
// result needs, terminator included. When it does not fit, buf holds as
// many whole characters as fit, terminated. NULL counts as "".
int iStrAnsiToUtf8(const char* ansi, char* buf, int size);
int iStrUtf8ToAnsi(const char* utf8, char* buf, int size);
// The converted text as a scratch string; the input itself when no work
// buffer can be had.
const char* sStrAnsiToUtf8Temp(const char* ansi);
const char* sStrUtf8ToAnsiTemp(const char* utf8);
