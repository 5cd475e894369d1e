// Code pages 1252 and 865, UTF-8, UTF-16, case mapping and comparison.
#include <cstring>

#include "win32.h"
#include "results.h"

namespace {

// Code page 1252, bytes 0x80 to 0x9F. The five unassigned bytes map to the
// C1 controls of the same value, as Windows does, so they survive a round
// trip. 0xA0 to 0xFF are Latin-1 and map to themselves.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

// Code page 865 (Nordic), bytes 0x80 to 0xFF.
const char16_t kCp865High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x20A7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00A4,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8
};

enum class Page { Ansi, Oem, Utf8, Bad };

Page PageOf(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case 1252:
      return Page::Ansi;
    case CP_OEMCP:
    case 865:
      return Page::Oem;
    case CP_UTF8:
      return Page::Utf8;
    default:
      return Page::Bad;
  }
}

char16_t AnsiToUnicode(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
  return c;
}

char16_t OemToUnicode(unsigned char c) { return c < 0x80 ? c : kCp865High[c - 0x80]; }

// Reverse look-ups: -1 when the character has no byte in the page.
int UnicodeToAnsi(char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return (int)u;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == u) return 0x80 + i;
  return -1;
}

int UnicodeToOem(char32_t u) {
  if (u < 0x80) return (int)u;
  for (int i = 0; i < 128; ++i)
    if (kCp865High[i] == u) return 0x80 + i;
  return -1;
}

// The 1252 byte for an 865 byte and back; '?' when there is none.
unsigned char OemByteToAnsi(unsigned char c) {
  int b = UnicodeToAnsi(OemToUnicode(c));
  return b < 0 ? '?' : (unsigned char)b;
}

unsigned char AnsiByteToOem(unsigned char c) {
  int b = UnicodeToOem(AnsiToUnicode(c));
  return b < 0 ? '?' : (unsigned char)b;
}

// Case mapping in 1252.
unsigned char UpperAnsi(unsigned char c) {
  if (c >= 'a' && c <= 'z') return (unsigned char)(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return (unsigned char)(c - 32);
  switch (c) {
    case 0x9A:
      return 0x8A;  // s caron
    case 0x9C:
      return 0x8C;  // oe
    case 0x9E:
      return 0x8E;  // z caron
    case 0xFF:
      return 0x9F;  // y diaeresis
    default:
      return c;
  }
}

unsigned char LowerAnsi(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return (unsigned char)(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return (unsigned char)(c + 32);
  switch (c) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return c;
  }
}

// Sort weight of a 1252 byte: its value, except that Å goes behind Ø, so
// that the Norwegian letters sort Æ, Ø, Å after Z.
int Weight(unsigned char c) {
  if (c == 0xC5) return 0xD8 * 2 + 1;  // Å
  if (c == 0xE5) return 0xF8 * 2 + 1;  // å
  return c * 2;
}

// Appends one code point as UTF-8 to dst (when there is room) and counts it.
// Returns false when dst is given and full.
bool PutByte(LPSTR dst, int dstLen, int& n, unsigned char b) {
  if (dst) {
    if (n >= dstLen) return false;
    dst[n] = (char)b;
  }
  ++n;
  return true;
}

// Reads one UTF-8 sequence at s[i] (len bytes available). Returns the code
// point, or 0xFFFFFFFF for an invalid sequence (one byte consumed).
char32_t ReadUtf8(const unsigned char* s, int len, int& i) {
  unsigned char c = s[i];
  if (c < 0x80) {
    ++i;
    return c;
  }
  int extra;
  char32_t u, min;
  if (c >= 0xC2 && c <= 0xDF) {
    extra = 1;
    u = c & 0x1F;
    min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    extra = 2;
    u = c & 0x0F;
    min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    extra = 3;
    u = c & 0x07;
    min = 0x10000;
  } else {
    ++i;
    return 0xFFFFFFFF;
  }
  if (i + extra >= len) {
    ++i;
    return 0xFFFFFFFF;
  }
  for (int k = 1; k <= extra; ++k) {
    unsigned char t = s[i + k];
    if ((t & 0xC0) != 0x80) {
      ++i;
      return 0xFFFFFFFF;
    }
    u = (u << 6) | (t & 0x3F);
  }
  if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) {
    ++i;
    return 0xFFFFFFFF;
  }
  i += extra + 1;
  return u;
}

BOOL ConvertOemAnsi(LPCSTR src, LPSTR dst, size_t len, bool toAnsi) {
  if (!src || !dst) return FALSE;
  for (size_t i = 0; i < len; ++i) {
    unsigned char c = (unsigned char)src[i];
    dst[i] = (char)(toAnsi ? OemByteToAnsi(c) : AnsiByteToOem(c));
  }
  return TRUE;
}

// Compares two byte runs by the weights of their case-folded letters; when
// case counts, texts that differ only in case then order lower case first,
// as the locale comparison does ("a" < "A" < "b").
int CompareRuns(const unsigned char* a, int la, const unsigned char* b, int lb, bool noCase) {
  int n = la < lb ? la : lb;
  for (int i = 0; i < n; ++i) {
    int wa = Weight(UpperAnsi(a[i])), wb = Weight(UpperAnsi(b[i]));
    if (wa != wb) return wa < wb ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  }
  if (la != lb) return la < lb ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  if (!noCase) {
    for (int i = 0; i < n; ++i) {
      if (a[i] != b[i]) return LowerAnsi(a[i]) == a[i] ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
  }
  return CSTR_EQUAL;
}

}  // namespace

extern "C" {

UINT WINAPI GetACP(void) { return 1252; }
UINT WINAPI GetOEMCP(void) { return 865; }

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen) {
  Page page = PageOf(codePage);
  if (page == Page::Bad || !src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst))
    return KvxFail(ERROR_INVALID_PARAMETER);
  int len = srcLen == -1 ? (int)strlen(src) + 1 : srcLen;
  const unsigned char* s = (const unsigned char*)src;
  int n = 0;
  auto put = [&](char16_t w) -> bool {
    if (dstLen > 0) {
      if (n >= dstLen) return false;
      dst[n] = w;
    }
    ++n;
    return true;
  };
  for (int i = 0; i < len;) {
    char32_t u;
    if (page == Page::Utf8) {
      u = ReadUtf8(s, len, i);
      if (u == 0xFFFFFFFF) {
        if (flags & MB_ERR_INVALID_CHARS) return KvxFail(ERROR_NO_UNICODE_TRANSLATION);
        u = 0xFFFD;
      }
    } else {
      u = page == Page::Ansi ? AnsiToUnicode(s[i]) : OemToUnicode(s[i]);
      ++i;
    }
    bool ok;
    if (u >= 0x10000) {
      u -= 0x10000;
      ok = put((char16_t)(0xD800 + (u >> 10))) && put((char16_t)(0xDC00 + (u & 0x3FF)));
    } else {
      ok = put((char16_t)u);
    }
    if (!ok) return KvxFail(ERROR_INSUFFICIENT_BUFFER);
  }
  return n;
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                               LPCSTR defaultChar, LPBOOL usedDefault) {
  (void)flags;
  Page page = PageOf(codePage);
  if (page == Page::Bad || !src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst))
    return KvxFail(ERROR_INVALID_PARAMETER);
  if (page == Page::Utf8 && (defaultChar || usedDefault)) return KvxFail(ERROR_INVALID_PARAMETER);
  int len = srcLen;
  if (len == -1) {
    len = 0;
    while (src[len]) ++len;
    ++len;
  }
  if (usedDefault) *usedDefault = FALSE;
  unsigned char fallback = defaultChar ? (unsigned char)defaultChar[0] : '?';
  LPSTR out = dstLen > 0 ? dst : nullptr;
  int n = 0;
  for (int i = 0; i < len;) {
    char32_t u = src[i++];
    if (u >= 0xD800 && u <= 0xDBFF && i < len && src[i] >= 0xDC00 && src[i] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (src[i] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;  // a lone surrogate
    }
    bool ok = true;
    if (page == Page::Utf8) {
      if (u < 0x80) {
        ok = PutByte(out, dstLen, n, (unsigned char)u);
      } else if (u < 0x800) {
        ok = PutByte(out, dstLen, n, (unsigned char)(0xC0 | (u >> 6))) &&
             PutByte(out, dstLen, n, (unsigned char)(0x80 | (u & 0x3F)));
      } else if (u < 0x10000) {
        ok = PutByte(out, dstLen, n, (unsigned char)(0xE0 | (u >> 12))) &&
             PutByte(out, dstLen, n, (unsigned char)(0x80 | ((u >> 6) & 0x3F))) &&
             PutByte(out, dstLen, n, (unsigned char)(0x80 | (u & 0x3F)));
      } else {
        ok = PutByte(out, dstLen, n, (unsigned char)(0xF0 | (u >> 18))) &&
             PutByte(out, dstLen, n, (unsigned char)(0x80 | ((u >> 12) & 0x3F))) &&
             PutByte(out, dstLen, n, (unsigned char)(0x80 | ((u >> 6) & 0x3F))) &&
             PutByte(out, dstLen, n, (unsigned char)(0x80 | (u & 0x3F)));
      }
    } else {
      int b = page == Page::Ansi ? UnicodeToAnsi(u) : UnicodeToOem(u);
      if (b < 0) {
        b = fallback;
        if (usedDefault) *usedDefault = TRUE;
      }
      ok = PutByte(out, dstLen, n, (unsigned char)b);
    }
    if (!ok) return KvxFail(ERROR_INSUFFICIENT_BUFFER);
  }
  return n;
}

BOOL WINAPI OemToCharA(LPCSTR src, LPSTR dst) {
  if (!src) return FALSE;
  return ConvertOemAnsi(src, dst, strlen(src) + 1, true);
}

BOOL WINAPI CharToOemA(LPCSTR src, LPSTR dst) {
  if (!src) return FALSE;
  return ConvertOemAnsi(src, dst, strlen(src) + 1, false);
}

BOOL WINAPI OemToCharBuffA(LPCSTR src, LPSTR dst, DWORD len) { return ConvertOemAnsi(src, dst, len, true); }
BOOL WINAPI CharToOemBuffA(LPCSTR src, LPSTR dst, DWORD len) { return ConvertOemAnsi(src, dst, len, false); }

LPSTR WINAPI CharUpperA(LPSTR text) {
  if (((uintptr_t)text >> 16) == 0) return (LPSTR)(uintptr_t)UpperAnsi((unsigned char)(uintptr_t)text);
  for (unsigned char* p = (unsigned char*)text; *p; ++p) *p = UpperAnsi(*p);
  return text;
}

LPSTR WINAPI CharLowerA(LPSTR text) {
  if (((uintptr_t)text >> 16) == 0) return (LPSTR)(uintptr_t)LowerAnsi((unsigned char)(uintptr_t)text);
  for (unsigned char* p = (unsigned char*)text; *p; ++p) *p = LowerAnsi(*p);
  return text;
}

DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD len) {
  if (!text) return 0;
  for (DWORD i = 0; i < len; ++i) text[i] = (char)UpperAnsi((unsigned char)text[i]);
  return len;
}

DWORD WINAPI CharLowerBuffA(LPSTR text, DWORD len) {
  if (!text) return 0;
  for (DWORD i = 0; i < len; ++i) text[i] = (char)LowerAnsi((unsigned char)text[i]);
  return len;
}

BOOL WINAPI IsCharAlphaA(CHAR c) {
  unsigned char b = (unsigned char)c;
  return UpperAnsi(b) != b || LowerAnsi(b) != b || b == 0xDF || b == 0xAA || b == 0xBA || b == 0xB5;
}

int WINAPI CompareStringA(LCID locale, DWORD flags, LPCSTR a, int countA, LPCSTR b, int countB) {
  (void)locale;
  if (!a || !b || countA < -1 || countB < -1) return KvxFail(ERROR_INVALID_PARAMETER);
  int la = countA == -1 ? (int)strlen(a) : countA;
  int lb = countB == -1 ? (int)strlen(b) : countB;
  return CompareRuns((const unsigned char*)a, la, (const unsigned char*)b, lb, (flags & NORM_IGNORECASE) != 0);
}

int WINAPI lstrlenA(LPCSTR text) { return text ? (int)strlen(text) : 0; }

int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a ? a : "", -1, b ? b : "", -1) - 2;
}

}  // extern "C"
