// The text layer of the utility library: short-lived result buffers (the
// scratch ring and the per-thread format buffer), bounded copies, fixed-width
// fields, heap strings, case-insensitive comparison and the tokenizers.
// Text is single-byte ANSI (code page 1252), terminated by a NUL.
//
// Sizes: an `N` function takes the buffer's size in bytes and writes at most
// size-1 characters and a terminator. A size of 0 or less writes nothing at
// all (the destination is returned untouched).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// ---------------------------------------------------------------------------
// Scratch ring and format buffer

// n bytes of the process-wide scratch ring. The ring starts at 32768 bytes;
// a request that does not fit behind the last one starts again at the ring's
// beginning; a request larger than the ring enlarges it to n + 512 bytes and
// is served from its start. The bytes are not terminated.
// A result stays valid until the ring wraps back over it; an enlargement does
// not free the old block (it is kept until vStrScratchFree), so a result
// being read while the ring grows stays readable. NULL only when memory runs
// out.
char* pStrScratchAlloc(uint64_t n);
// Frees the ring (and the blocks retired by enlargements); the next request
// makes a new one. No scratch result may be in use.
void vStrScratchFree(void);
// A copy of the text (terminated) in the scratch ring; NULL counts as "".
char* sStrTemp(const char* text);

// Formats into the calling thread's 2048-byte buffer (at most 2047
// characters, always terminated) and returns it; overwritten by the same
// thread's next sStrFormat. Numbers are printed in the C locale.
char* sStrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats into the caller's buffer of n bytes; numbers in the C locale.
char* sStrPrintN(char* buf, int n, const char* format, ...) __attribute__((format(printf, 3, 4)));

// ---------------------------------------------------------------------------
// Bounded copies and fixed-width fields

// Copies at most n-1 characters and terminates; n == 1 gives "". NULL source
// counts as "".
char* sStrCopyN(char* dst, const char* src, int n);
// Appends while the whole text stays at most n-1 characters; nothing when the
// destination already holds n-1 or more (it is then terminated at n-1).
char* sStrCatN(char* dst, const char* src, int n);
// Appends value as printf's "%.*f" gives it (decimals), cut as sStrCatN cuts.
char* sStrCatFixedN(char* dst, double value, int decimals, int n);
// Copies the source into the n-byte field, fills the rest with blanks; writes
// NO terminator; a longer source is cut at n.
char* sStrPadCopy(char* field, const char* src, int n);
// Removes trailing blanks in place (blanks only, not tabs).
char* sStrTrimRight(char* text);
// Within the first n bytes, puts a NUL behind the last byte that is neither
// blank nor NUL (index 0 when all are). When that byte is at n-1 the NUL goes
// to index n: the field must have n+1 bytes. n < 1 leaves it untouched.
char* sStrTrimRightN(char* field, int n);
// Copies n bytes of a fixed-width source as strncpy does, terminates at index
// n and cuts trailing blanks. The destination must have n+1 bytes.
char* sStrCopyNTrim(char* dst, const char* src, int n);
// Removes leading and trailing blanks and tabs in place.
char* sStrTrim(char* text);

// ---------------------------------------------------------------------------
// Heap strings (a char* that owns a malloc block or is NULL)

inline const char* sStrNotNull(const char* text) { return text ? text : ""; }
// Frees *pp when not NULL and sets it to NULL. pp must not be NULL.
template <class T>
inline void vMemFreeNull(T** pp) {
  if (*pp) free((void*)*pp);
  *pp = nullptr;
}
// As vMemFreeNull, and a NULL address is allowed.
void vStrFreeAlloc(char** s);
// NULL or "" frees the string (NULL left); otherwise the block grows (to
// length + 1) only when the new text is longer, then the text is copied.
// The text may point into *s. When memory runs out the old string is kept.
char* sStrSetAlloc(char** s, const char* text);
// Appends the text (NULL changes nothing); the text may point into *s (even
// be *s itself). When memory runs out the old string is kept.
char* sStrAppendAlloc(char** s, const char* text);

// ---------------------------------------------------------------------------
// Comparison in the user's locale, ignoring case. NULL counts as "".

// 0 equal, -1 first sorts before, 1 after; -2 when the comparison fails.
int iStrCmpNoCase(const char* a, const char* b);
// The same over at most the first n characters of each (never past a NUL).
int iStrCmpNoCaseN(const char* a, const char* b, int n);
// The first position in the text where the pattern matches ignoring case;
// NULL when none (or when the pattern is longer than the text).
const char* sStrFindNoCase(const char* text, const char* pattern);
inline char* sStrFindNoCase(char* text, const char* pattern) {
  return const_cast<char*>(sStrFindNoCase(static_cast<const char*>(text), pattern));
}

// ---------------------------------------------------------------------------
// Tokenizers. A cursor is the address of a pointer into the text being
// split; each call takes one field and moves the cursor behind it. These
// tokenizers never write into the text. Each has its own rules: they are not
// interchangeable.

// Plain field: up to the separator or the end, at most n-1 characters (the
// rest of a longer field is skipped); the cursor moves behind the separator.
// An empty field with nothing behind it sets the cursor to NULL. A NULL
// cursor yields "". Nothing is skipped or trimmed.
char* sStrNextPlainField(char* buf, int n, const char** cursor, char sep);
// Field with blanks (' ' only) skipped in front, an optional double-quoted
// form, leading tabs dropped and trailing blanks/tabs cut (tabs kept when
// they are the separator), and surrounding quotes removed.
char* sStrNextQuotedField(char* buf, int n, const char** cursor, char sep);
// sStrNextQuotedField into one process-wide 2000-byte buffer, returned. The
// buffer is shared and unguarded: one thread at a time.
char* sStrNextField(const char** cursor, char sep);
// Field n (from 0) by the rules of sStrNextQuotedField. A field exists when
// the cursor is still set after it is taken: "" has none, "A," one ("A"),
// "A,," two ("A", ""). True when field n exists; false with "" in the buffer
// when not; a negative n gives true and leaves the buffer untouched.
bool boStrGetField(const char* text, char sep, int n, char* buf, int size);
// The index of the first field equal to the value (case-sensitive) and true;
// false and 0 when there is none.
bool boStrFindField(const char* text, char sep, const char* value, int* index);
// Field n as a scratch string (at most 1999 characters), "" when absent.
char* sStrGetFieldTemp(const char* text, char sep, int n);
// CSV-like field: blanks skipped, optional quotes, "" and \" inside give one
// quote, trailing blanks cut. False (buffer untouched) when there is nothing
// left or the size is below 1.
bool boStrGetCsvField(const char** cursor, char sep, char* buf, int size);
// Blank-separated token (characters of code 32 or less separate), optionally
// in double quotes (no escapes). *cursor (when given) is left behind the
// token: on the separator, or behind the closing quote. A NULL text yields ""
// and a NULL cursor.
char* sStrNextToken(const char* text, const char** cursor, char* buf, int size);

// The same tokenizers for callers that hold a char* cursor.
inline char* sStrNextPlainField(char* buf, int n, char** cursor, char sep) {
  return sStrNextPlainField(buf, n, const_cast<const char**>(cursor), sep);
}
inline char* sStrNextQuotedField(char* buf, int n, char** cursor, char sep) {
  return sStrNextQuotedField(buf, n, const_cast<const char**>(cursor), sep);
}
inline char* sStrNextField(char** cursor, char sep) { return sStrNextField(const_cast<const char**>(cursor), sep); }
inline bool boStrGetCsvField(char** cursor, char sep, char* buf, int size) {
  return boStrGetCsvField(const_cast<const char**>(cursor), sep, buf, size);
}
inline char* sStrNextToken(const char* text, char** cursor, char* buf, int size) {
  return sStrNextToken(text, const_cast<const char**>(cursor), buf, size);
}
inline char* sStrNextToken(const char* text, std::nullptr_t, char* buf, int size) {
  return sStrNextToken(text, static_cast<const char**>(nullptr), buf, size);
}
