#include "base/text.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/cnum.h"
#include "base/pool.h"
#include "win32.h"

namespace {

// ---------------------------------------------------------------------------
// Scratch ring

constexpr uint64_t kRingInitialSize = 32768;
constexpr uint64_t kRingGrowSlack = 512;

// Blocks given up by an enlargement. They are kept, not freed, because a
// result in them may still be read (also by the very call that enlarges the
// ring, as in sStrTemp of a scratch string).
struct RetiredBlock {
  char* block;
  RetiredBlock* next;
};

struct ScratchRing {
  char* buffer;
  uint64_t size;
  uint64_t next;
  RetiredBlock* retired;
};

ScratchRing gRing = {nullptr, 0, 0, nullptr};

// The lock is made once and never destroyed: a thread may hold it or wait on
// it while another frees the ring, and static destructors run while other
// threads may still format.
CRITICAL_SECTION* pRingLock() {
  static CRITICAL_SECTION* s_pLock = pMemNewLock();
  return s_pLock;
}

// Called with the lock held.
void RetireBlock(char* block) {
  if (!block) return;
  RetiredBlock* node = new (std::nothrow) RetiredBlock{block, gRing.retired};
  if (!node) {
    // No memory even for the note: give the block up at once.
    free(block);
    return;
  }
  gRing.retired = node;
}

// ---------------------------------------------------------------------------
// Field tokenizer buffer (shared and unguarded by design)

char gFieldBuffer[2000];

// The per-thread format buffer.
thread_local char tFormatBuffer[2048];

inline bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

}  // namespace

namespace {

// pStrScratchAlloc with the lock held.
char* pScratchAllocLocked(uint64_t n) {
  if (!gRing.buffer) {
    uint64_t size = n > kRingInitialSize ? n + kRingGrowSlack : kRingInitialSize;
    gRing.buffer = (char*)malloc(size);
    if (!gRing.buffer) return nullptr;
    gRing.size = size;
    gRing.next = 0;
  }
  if (n > gRing.size) {
    if (n > UINT64_MAX / 2) return nullptr;
    char* bigger = (char*)malloc(n + kRingGrowSlack);
    if (!bigger) return nullptr;
    RetireBlock(gRing.buffer);
    gRing.buffer = bigger;
    gRing.size = n + kRingGrowSlack;
    gRing.next = 0;
  }
  uint64_t start = gRing.next + n < gRing.size ? gRing.next : 0;
  gRing.next = start + n;
  return gRing.buffer + start;
}

}  // namespace

char* pStrScratchAlloc(uint64_t n) {
  EnterCriticalSection(pRingLock());
  char* p = pScratchAllocLocked(n);
  LeaveCriticalSection(pRingLock());
  return p;
}

void vStrScratchFree(void) {
  EnterCriticalSection(pRingLock());
  free(gRing.buffer);
  gRing.buffer = nullptr;
  gRing.size = 0;
  gRing.next = 0;
  while (gRing.retired) {
    RetiredBlock* node = gRing.retired;
    gRing.retired = node->next;
    free(node->block);
    delete node;
  }
  LeaveCriticalSection(pRingLock());
}

char* sStrTemp(const char* text) {
  text = sStrNotNull(text);
  size_t len = strlen(text);
  char* out = pStrScratchAlloc((uint64_t)len + 1);
  if (!out) return nullptr;
  // The text may itself be an older scratch result that this request wraps
  // over.
  memmove(out, text, len);
  out[len] = '\0';
  return out;
}

char* sStrFormat(const char* format, ...) {
  // Formatted in a local buffer first: an argument may be this thread's
  // previous sStrFormat result.
  char local[sizeof tFormatBuffer];
  va_list args;
  va_start(args, format);
  iNumVPrintC(local, (int)sizeof local, format, args);
  va_end(args);
  local[sizeof local - 1] = '\0';
  memcpy(tFormatBuffer, local, strlen(local) + 1);
  return tFormatBuffer;
}

char* sStrPrintN(char* buf, int n, const char* format, ...) {
  if (!buf || n <= 0) return buf;
  va_list args;
  va_start(args, format);
  iNumVPrintC(buf, n, format, args);
  va_end(args);
  buf[n - 1] = '\0';
  return buf;
}

// ---------------------------------------------------------------------------
// Bounded copies and fixed-width fields

char* sStrCopyN(char* dst, const char* src, int n) {
  if (!dst || n <= 0) return dst;
  src = sStrNotNull(src);
  size_t len = strnlen(src, (size_t)n - 1);
  memmove(dst, src, len);
  dst[len] = '\0';
  return dst;
}

char* sStrCatN(char* dst, const char* src, int n) {
  if (!dst || n <= 0) return dst;
  size_t have = strnlen(dst, (size_t)n);
  if (have >= (size_t)n - 1) {
    dst[n - 1] = '\0';
    return dst;
  }
  src = sStrNotNull(src);
  size_t add = strnlen(src, (size_t)n - 1 - have);
  memmove(dst + have, src, add);
  dst[have + add] = '\0';
  return dst;
}

char* sStrPadCopy(char* field, const char* src, int n) {
  if (!field || n <= 0) return field;
  src = sStrNotNull(src);
  size_t len = strnlen(src, (size_t)n);
  memmove(field, src, len);
  memset(field + len, ' ', (size_t)n - len);
  return field;
}

char* sStrTrimRight(char* text) {
  if (!text) return text;
  // The end and the last non-blank in one pass over the (short) text.
  char* end = text;
  for (char* p = text; *p; ++p)
    if (*p != ' ') end = p + 1;
  *end = '\0';
  return text;
}

char* sStrTrimRightN(char* field, int n) {
  if (!field || n < 1) return field;
  int last = -1;
  for (int i = 0; i < n; ++i) {
    if (field[i] != ' ' && field[i] != '\0') last = i;
  }
  field[last + 1] = '\0';
  return field;
}

char* sStrCatFixedN(char* dst, double value, int decimals, int n) {
  char digits[400];  // "%.15f" of the largest double
  iNumPrintFixedC(digits, (int)sizeof digits, value, decimals);
  return sStrCatN(dst, digits, n);
}

char* sStrCopyNTrim(char* dst, const char* src, int n) {
  if (!dst || n < 0) return dst;
  strncpy(dst, sStrNotNull(src), (size_t)n);
  dst[n] = '\0';
  return sStrTrimRightN(dst, n);
}

char* sStrTrim(char* text) {
  if (!text) return text;
  size_t start = 0;
  while (IsBlankOrTab(text[start])) ++start;
  // The end and the last non-blank in one pass over the (short) text.
  size_t len = 0;
  for (size_t i = start; text[i]; ++i)
    if (!IsBlankOrTab(text[i])) len = i + 1 - start;
  memmove(text, text + start, len);
  text[len] = '\0';
  return text;
}

// ---------------------------------------------------------------------------
// Heap strings

void vStrFreeAlloc(char** s) {
  if (s) vMemFreeNull(s);
}

char* sStrSetAlloc(char** s, const char* text) {
  if (!s) return nullptr;
  if (!text || !*text) {
    vMemFreeNull(s);
    return nullptr;
  }
  size_t len = strlen(text);
  if (!*s || len > strlen(*s)) {
    // A new block rather than realloc: the text may lie in the old one, and
    // on failure the old string must stay as it was.
    char* bigger = (char*)malloc(len + 1);
    if (!bigger) return *s;
    memcpy(bigger, text, len + 1);
    free(*s);
    *s = bigger;
    return *s;
  }
  memmove(*s, text, len + 1);
  return *s;
}

char* sStrAppendAlloc(char** s, const char* text) {
  if (!s) return nullptr;
  if (!text) return *s;
  size_t have = *s ? strlen(*s) : 0;
  size_t add = strlen(text);
  // Copied into a new block before the old one is freed: the text may be
  // (part of) the string itself.
  char* joined = (char*)malloc(have + add + 1);
  if (!joined) return *s;
  if (have) memcpy(joined, *s, have);
  memcpy(joined + have, text, add);
  joined[have + add] = '\0';
  free(*s);
  *s = joined;
  return *s;
}

// ---------------------------------------------------------------------------
// Comparison

int iStrCmpNoCase(const char* a, const char* b) {
  int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, sStrNotNull(a), -1, sStrNotNull(b), -1);
  return r == 0 ? -2 : r - 2;
}

int iStrCmpNoCaseN(const char* a, const char* b, int n) {
  if (n < 0) n = 0;
  a = sStrNotNull(a);
  b = sStrNotNull(b);
  // Counted compares do not stop at a NUL: never count past one.
  int la = (int)strnlen(a, (size_t)n);
  int lb = (int)strnlen(b, (size_t)n);
  int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, la, b, lb);
  return r == 0 ? -2 : r - 2;
}

const char* sStrFindNoCase(const char* text, const char* pattern) {
  if (!text) return nullptr;
  pattern = sStrNotNull(pattern);
  size_t tlen = strlen(text);
  size_t plen = strlen(pattern);
  if (plen > tlen) return nullptr;
  // Only positions with the whole pattern's length still ahead.
  for (size_t i = 0; i + plen <= tlen; ++i) {
    if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text + i, (int)plen, pattern, (int)plen) == CSTR_EQUAL)
      return text + i;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Tokenizers

namespace {

// sStrNextPlainField, giving the length of the text copied.
int iNextPlainField(char* buf, int n, const char** cursor, char sep) {
  if (buf && n > 0) buf[0] = '\0';
  if (!cursor || !*cursor) return 0;
  const char* p = *cursor;
  int k = 0;
  // Copied while it fits, then only passed over: one test a byte each way.
  if (buf)
    for (char c; k < n - 1 && (c = p[k]) && c != sep;) buf[k++] = c;
  p += k;
  while (*p && *p != sep) ++p;
  if (buf && n > 0) buf[k] = '\0';
  if (*p == sep && *p) {
    *cursor = p + 1;
  } else if (p == *cursor) {
    *cursor = nullptr;  // empty field, nothing follows
  } else {
    *cursor = p;  // on the terminator; the next call ends the text
  }
  return k;
}

}  // namespace

char* sStrNextPlainField(char* buf, int n, const char** cursor, char sep) {
  iNextPlainField(buf, n, cursor, sep);
  return buf;
}

char* sStrNextQuotedField(char* buf, int n, const char** cursor, char sep) {
  if (buf && n > 0) buf[0] = '\0';
  if (!cursor || !*cursor) return buf;
  while (**cursor == ' ') ++*cursor;
  const char* p = *cursor;
  int k = 0;  // the length copied: the field stops at the text's end, so it holds no NUL
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') {
      if (buf && k < n - 1) buf[k++] = *p;
      ++p;
    }
    if (buf && n > 0) buf[k] = '\0';
    if (*p == '"') ++p;
    while (*p && *p != sep) ++p;
    *cursor = *p ? p + 1 : p;
  } else {
    k = iNextPlainField(buf, n, cursor, sep);
  }
  if (!buf || n <= 0) return buf;

  // Clean the copied field.
  size_t len = (size_t)k;
  if (sep != '\t') {
    size_t tabs = 0;
    while (buf[tabs] == '\t') ++tabs;
    if (tabs) {
      memmove(buf, buf + tabs, len - tabs + 1);
      len -= tabs;
    }
  }
  while (len > 1 && (buf[len - 1] == ' ' || (buf[len - 1] == '\t' && sep != '\t'))) --len;
  buf[len] = '\0';
  // A lone '"' both begins and ends with a quote: only strip a real pair.
  if (len >= 2 && buf[0] == '"' && buf[len - 1] == '"') {
    memmove(buf, buf + 1, len - 2);
    buf[len - 2] = '\0';
  }
  return buf;
}

char* sStrNextField(const char** cursor, char sep) {
  return sStrNextQuotedField(gFieldBuffer, (int)sizeof gFieldBuffer, cursor, sep);
}

bool boStrGetField(const char* text, char sep, int n, char* buf, int size) {
  if (n < 0) return true;
  const char* cursor = text;
  for (int i = 0; i <= n; ++i) {
    if (!cursor) break;
    sStrNextQuotedField(buf, size, &cursor, sep);
  }
  if (cursor) return true;
  if (buf && size > 0) buf[0] = '\0';
  return false;
}

bool boStrFindField(const char* text, char sep, const char* value, int* index) {
  char field[2000];
  value = sStrNotNull(value);
  const char* cursor = text;
  for (int i = 0; cursor; ++i) {
    sStrNextQuotedField(field, (int)sizeof field, &cursor, sep);
    if (!cursor) break;
    if (strcmp(field, value) == 0) {
      if (index) *index = i;
      return true;
    }
  }
  if (index) *index = 0;
  return false;
}

char* sStrGetFieldTemp(const char* text, char sep, int n) {
  char field[2000];
  field[0] = '\0';
  if (n < 0 || !boStrGetField(text, sep, n, field, (int)sizeof field)) field[0] = '\0';
  return sStrTemp(field);
}

bool boStrGetCsvField(const char** cursor, char sep, char* buf, int size) {
  if (!cursor || !*cursor || !**cursor || !buf || size < 1) return false;
  const char* p = *cursor;
  while (*p == ' ') ++p;
  bool quoted = false;
  if (*p == '"') {
    quoted = true;
    ++p;
  }
  bool open = quoted;  // inside the quotes still
  int k = 0;
  // Copies (while there is room) or skips one field's characters; stops on
  // the end, on the separator outside quotes, or behind the closing quote.
  while (*p) {
    char c = *p;
    if (!open && c == sep) break;
    char out;
    if ((c == '\\' || c == '"') && p[1] == '"') {
      out = '"';
      p += 2;
    } else if (c == '"' && open) {
      ++p;
      open = false;
      break;
    } else {
      out = c;
      ++p;
    }
    if (k < size - 1) {
      buf[k++] = out;
    } else if (!open) {
      break;  // full: the rest is skipped below
    }
  }
  // The rest of the field up to the separator is dropped.
  while (*p && *p != sep) ++p;
  *cursor = *p ? p + 1 : p;
  while (k > 0 && buf[k - 1] == ' ') --k;
  buf[k] = '\0';
  return true;
}

char* sStrNextToken(const char* text, const char** cursor, char* buf, int size) {
  if (buf && size > 0) buf[0] = '\0';
  if (!text) {
    if (cursor) *cursor = nullptr;
    return buf;
  }
  const unsigned char* p = (const unsigned char*)text;
  while (*p && *p <= 32) ++p;
  int k = 0;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') {
      if (buf && k < size - 1) buf[k++] = (char)*p;
      ++p;
    }
    if (*p == '"') ++p;
  } else {
    while (*p > 32) {
      if (buf && k < size - 1) buf[k++] = (char)*p;
      ++p;
    }
  }
  if (buf && size > 0) buf[k] = '\0';
  if (cursor) *cursor = (const char*)p;
  return buf;
}
