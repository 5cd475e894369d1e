// The line reader and writer the drivers share (see lines.h): gathered
// writes, line ends, and the UTF-8 and code-page conversions.
#include "fieldbook/lines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A raw writer's bytes are gathered here and handed to the system in large
// pieces: a writer puts out a line or a point at a time, and on Windows each
// _lwrite is a system call. One file at a time: the raw file while its
// writer runs, the side file while a reader runs. Twice 64 KB, so that a
// piece handed on is 64 KB or more: the POSIX platform layer writes such a
// piece straight through instead of copying it into its own buffer first.
struct MboWriteBuf {
  uint32_t hFile;  // 0: nothing gathered
  uint32_t uLen;
  char data[131072];
};
MboWriteBuf g_writeBuf;

bool boPutBytes(uint32_t hFile, const char* pData, uint32_t uCount) {
  if (_lwrite((HFILE)hFile, pData, uCount) == uCount) return true;
  vNoteWriteError();
  return false;
}

bool boFlushWriteBuf(void) {
  uint32_t n = g_writeBuf.uLen;
  g_writeBuf.uLen = 0;
  return !n || boPutBytes(g_writeBuf.hFile, g_writeBuf.data, n);
}

// Room for uCount bytes in the gathered bytes of hFile (the gathered ones
// handed on first when they leave too little), or null when hFile's bytes
// are not gathered or uCount is too large. *pboOk: false when handing on
// failed.
char* pWriteRoom(uint32_t hFile, size_t uCount, bool* pboOk) {
  *pboOk = true;
  if (hFile != g_writeBuf.hFile || uCount > sizeof g_writeBuf.data) return nullptr;
  if (uCount > sizeof g_writeBuf.data - g_writeBuf.uLen) *pboOk = boFlushWriteBuf();
  char* p = g_writeBuf.data + g_writeBuf.uLen;
  g_writeBuf.uLen += (uint32_t)uCount;
  return p;
}

}  // namespace

// Keeps the first failed write's reason for the running write operation.
void vNoteWriteError(void) {
  if (g_mboTransfer.uWriteError) return;
  DWORD uErr = GetLastError();
  g_mboTransfer.uWriteError = uErr ? uErr : ERROR_WRITE_FAULT;
}

void vGatherWrites(uint32_t hFile) {
  g_writeBuf.hFile = hFile;
  g_writeBuf.uLen = 0;
}

char cMboOemLetterToAnsi(char c) {
  switch ((unsigned char)c) {
    case 0x86:
      return (char)0xE5;  // å
    case 0x8F:
      return (char)0xC5;  // Å
    case 0x91:
      return (char)0xE6;  // æ
    case 0x92:
      return (char)0xC6;  // Æ
    case 0x9B:
      return (char)0xF8;  // ø
    case 0x9D:
      return (char)0xD8;  // Ø
    default:
      return c;
  }
}

bool boMboFlushWrites(uint32_t hFile) {
  if (!hFile || hFile != g_writeBuf.hFile) return true;
  bool boOk = boFlushWriteBuf();
  g_writeBuf.hFile = 0;
  return boOk;
}

bool boMboWriteBytes(uint32_t hFile, const char* pData, uint32_t uCount) {
  if (!hFile) return false;
  bool boOk;
  if (char* p = pWriteRoom(hFile, uCount, &boOk)) {
    memcpy(p, pData, uCount);
    return boOk;
  }
  return boPutBytes(hFile, pData, uCount) && boOk;
}

namespace {

// The rare ways of the two below, out of line: their usual way then needs
// no registers saved.
__attribute__((noinline)) void vFlushForRoom(void) { boFlushWriteBuf(); }
__attribute__((noinline)) bool boWriteElsewhere(uint32_t hFile, const char* pData, uint32_t uCount) {
  return boMboWriteBytes(hFile, pData, uCount);
}

}  // namespace

char* pMboWriteBegin(uint32_t hFile, uint32_t uMax, char* pLocal) {
  if (!hFile || hFile != g_writeBuf.hFile || uMax > sizeof g_writeBuf.data) return pLocal;
  // A failed hand-on is kept for the operation, as in boMboWriteBytes.
  if (uMax > sizeof g_writeBuf.data - g_writeBuf.uLen) vFlushForRoom();
  return g_writeBuf.data + g_writeBuf.uLen;
}

bool boMboWriteEnd(uint32_t hFile, const char* pLine, uint32_t uCount) {
  if (hFile && hFile == g_writeBuf.hFile && pLine == g_writeBuf.data + g_writeBuf.uLen &&
      uCount <= sizeof g_writeBuf.data - g_writeBuf.uLen) {
    g_writeBuf.uLen += uCount;
    return true;
  }
  return boWriteElsewhere(hFile, pLine, uCount);
}

namespace {

// A line of uLen bytes and CR LF, each byte as cMap gives it.
template <char (*cMap)(char)>
bool boWriteLineMapped(uint32_t hFile, const char* pText, size_t uLen) {
  if (!hFile) return false;
  // Names and codes may hold control bytes (a line break from an XML file,
  // a TAB from another format): written as they are, one would end the line
  // early and the reader would see a broken record.
  bool boOk;
  if (char* p = pWriteRoom(hFile, uLen + 2, &boOk)) {
    for (size_t i = 0; i < uLen; ++i) p[i] = cMap(pText[i]);
    p[uLen] = '\r';
    p[uLen + 1] = '\n';
    return boOk;
  }
  const char* s = pText;
  size_t uLeft = uLen;
  bool boWhole = boOk;
  char buf[512];
  for (;;) {
    // A piece of known length: the blanking loop has no end to look for.
    size_t n = uLeft < sizeof buf - 2 ? uLeft : sizeof buf - 2;
    for (size_t i = 0; i < n; ++i) buf[i] = cMap(s[i]);
    s += n;
    uLeft -= n;
    // The last piece (the whole of a usual line) goes out with the line end
    // in one file call.
    if (!uLeft) {
      buf[n++] = '\r';
      buf[n++] = '\n';
      return boMboWriteBytes(hFile, buf, (uint32_t)n) && boWhole;
    }
    boWhole = boMboWriteBytes(hFile, buf, (uint32_t)n) && boWhole;
  }
}

}  // namespace

bool boMboWriteLineN(uint32_t hFile, const char* pText, size_t uLen) {
  return boWriteLineMapped<cMboLineByte>(hFile, pText, uLen);
}

bool boMboWriteLine(uint32_t hFile, const char* sText) {
  const char* s = sStrNotNull(sText);
  return boMboWriteLineN(hFile, s, strlen(s));
}

bool boMboWriteLine865(uint32_t hFile, const char* sText) {
  const char* s = sStrNotNull(sText);
  return boWriteLineMapped<cMboLineByte865>(hFile, s, strlen(s));
}

bool boMboWriteLineAsIs(uint32_t hFile, const char* sText) {
  if (!hFile) return false;
  const char* s = sStrNotNull(sText);
  bool boWhole = boMboWriteBytes(hFile, s, (uint32_t)strlen(s));
  return boMboWriteBytes(hFile, "\r\n", 2) && boWhole;
}

bool boMboWriteOk(void) { return !g_mboTransfer.uWriteError && !g_mboTransfer.uAbort; }

// The length of the UTF-8 character at p (1 for ASCII) and its code point;
// 0 when the bytes before pEnd are no well-formed character.
int iUtf8Char(const unsigned char* p, const unsigned char* pEnd, uint32_t* puCode) {
  unsigned c = *p;
  if (c < 0x80) {
    *puCode = c;
    return 1;
  }
  int iLen = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (!iLen || pEnd - p < iLen) return 0;
  uint32_t u = c & (0x7F >> iLen);
  for (int i = 1; i < iLen; i++) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    u = u << 6 | (p[i] & 0x3F);
  }
  // No overlong form, no surrogate, nothing past U+10FFFF.
  static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (u < kLeast[iLen] || (u >= 0xD800 && u <= 0xDFFF) || u > 0x10FFFF) return 0;
  *puCode = u;
  return iLen;
}

// A code point as its code-page-1252 byte; '?' for one 1252 lacks. The C1
// controls too are '?': the five 1252 leaves unassigned would otherwise come
// back as the bytes of those controls, which no text of ours holds.
char cCodeTo1252(uint32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return (char)u;
  if (u <= 0x9F) return '?';
  WCHAR w = (WCHAR)u;
  char c = '?';
  BOOL boDefault = FALSE;
  if (u > 0xFFFF || WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, &w, 1, &c, 1, "?", &boDefault) != 1 || boDefault)
    return '?';
  return c;
}

// ---- The line reader's buffers
//
// The line reader reads ahead into a buffer per open handle, so that a byte
// costs a scan and not a file call. Handle numbers are given out again
// after a close, so a buffer lives from the first line read to the close
// (or to a direct read or seek, which gives its bytes back first).

namespace {

constexpr int kLineBufSize = 65536;
constexpr int kLineBufSlots = 8;

struct MboLineBuf {
  uint32_t hFile;  // 0: the slot is free
  char* pData;
  int iCap;
  int iPos;          // the next byte not yet taken
  int iLen;          // the bytes read into pData
  bool boFromStart;  // pData[0] is the file's first byte
  int8_t iUtf8;      // the file's coding: -1 not yet decided, 1 UTF-8, 0 8-bit
  bool boNulTold;    // a line's dropped NUL bytes have been told
};

MboLineBuf g_lineBufs[kLineBufSlots];

void vLineBufGiveBack(MboLineBuf* b) {
  if (!b->hFile) return;
  if (b->iLen > b->iPos) _llseek((HFILE)b->hFile, b->iPos - b->iLen, FILE_CURRENT);
  free(b->pData);
  *b = MboLineBuf{};
}

// The buffer of the handle, a new one when it has none; null when no memory
// can be had.
MboLineBuf* pLineBufOf(uint32_t hFile) {
  MboLineBuf* pFree = nullptr;
  for (MboLineBuf& b : g_lineBufs) {
    if (b.hFile == hFile) return &b;
    if (!b.hFile && !pFree) pFree = &b;
  }
  if (!pFree) {  // more handles read lines at once than there are slots
    pFree = &g_lineBufs[0];
    vLineBufGiveBack(pFree);
  }
  char* pData = (char*)malloc(kLineBufSize);
  if (!pData) return nullptr;
  *pFree = MboLineBuf{hFile, pData, kLineBufSize, 0, 0, _llseek((HFILE)hFile, 0, FILE_CURRENT) == 0, -1, false};
  return pFree;
}

// Reads until at least iNeed bytes wait in the buffer or the file gives no
// more; returns the bytes waiting. The end is not remembered: a file read
// to its end is asked again at the next call, as a byte-wise read would.
int iLineBufFill(MboLineBuf* b, int iNeed) {
  if (b->iLen - b->iPos >= iNeed) return b->iLen - b->iPos;
  if (b->iPos > 0) {
    memmove(b->pData, b->pData + b->iPos, (size_t)(b->iLen - b->iPos));
    b->boFromStart = false;
    b->iLen -= b->iPos;
    b->iPos = 0;
  }
  if (iNeed > b->iCap) {
    // Twice what is needed, so that bytes are moved to the front only once
    // in every iNeed or more taken.
    char* pMore = (char*)realloc(b->pData, 2 * (size_t)iNeed);
    if (pMore) {
      b->pData = pMore;
      b->iCap = 2 * iNeed;
    }
  }
  while (b->iLen < iNeed && b->iLen < b->iCap) {
    UINT n = _lread((HFILE)b->hFile, b->pData + b->iLen, (UINT)(b->iCap - b->iLen));
    if (n == 0 || n == (UINT)HFILE_ERROR) break;  // the end, or a read error: both end the data
    b->iLen += (int)n;
  }
  return b->iLen - b->iPos;
}

// The next byte, or -1 at the end of the data.
int iLineBufPeek(MboLineBuf* b) { return iLineBufFill(b, 1) > 0 ? (unsigned char)b->pData[b->iPos] : -1; }

enum MboLineEnd { MBO_END_NONE, MBO_END_LF, MBO_END_CR };

// Takes a line end at the reader's place: LF, or a run of CRs with or
// without one LF after it (MBO_END_CR: CRs alone).
MboLineEnd eTakeLineEnd(MboLineBuf* b) {
  // LF and CR LF whole in the buffer, the usual ends, without the peeks.
  if (b->iLen - b->iPos >= 2) {
    const char* p = b->pData + b->iPos;
    if (p[0] == '\n' || (p[0] == '\r' && p[1] == '\n')) {
      b->iPos += p[0] == '\n' ? 1 : 2;
      return MBO_END_LF;
    }
  }
  int c = iLineBufPeek(b);
  if (c != '\n' && c != '\r') return MBO_END_NONE;
  while (iLineBufPeek(b) == '\r') b->iPos++;
  if (iLineBufPeek(b) != '\n') return MBO_END_CR;
  b->iPos++;
  return MBO_END_LF;
}

// How the line's bytes are taken: UTF-8 or code page 865 made ANSI, or as
// they stand.
enum MboLineCoding { MBO_LINE_CONVERT, MBO_LINE_BYTES };

}  // namespace

bool boMboUtf8Start(const unsigned char* p, const unsigned char* pEnd, bool boMore) {
  bool boWide = false;
  uint32_t u;
  while (p < pEnd) {
    if (*p < 0x80) {
      p++;
      continue;
    }
    int iLen = iUtf8Char(p, pEnd, &u);
    if (!iLen) {
      // Well-formed so far but cut by the end of the bytes at hand, where
      // the file goes on.
      bool boCutShort = boMore && pEnd - p < 4 && (*p & 0xC0) == 0xC0;
      for (const unsigned char* r = p + 1; boCutShort && r < pEnd; r++) boCutShort = (*r & 0xC0) == 0x80;
      return boCutShort && boWide;
    }
    boWide = true;
    p += iLen;
  }
  return boWide;
}

namespace {

// Decides the file's coding from the bytes at the reader's place (the
// file's first 64 KB when the buffer was made at its start): UTF-8 when a
// byte-order mark is there (dropped), or when they hold a multi-byte
// character and no byte above 0x7F outside one. A file that happens to have
// a pair of 1252 characters that form UTF-8 stays 8-bit by any other such
// byte; a character cut by the 64 KB's end tells nothing.
void vDecideCoding(MboLineBuf* b) {
  int iHave = iLineBufFill(b, kLineBufSize);
  const unsigned char* p = (const unsigned char*)b->pData + b->iPos;
  if (b->boFromStart && b->iPos == 0 && iHave >= 3 && memcmp(p, "\xEF\xBB\xBF", 3) == 0) {
    b->iPos = 3;
    b->iUtf8 = 1;
    return;
  }
  b->iUtf8 = boMboUtf8Start(p, p + iHave, iHave >= kLineBufSize) ? 1 : 0;
}

// Takes the line's characters up to its end (or a NUL byte with boNul), at
// most iMax of them, when its bytes there are well-formed UTF-8 (ASCII alone
// is): multi-byte characters become code page 1252, one byte each. Returns
// how many were stored; -1 for any other line, of which nothing is taken.
int iTakeUtf8(MboLineBuf* b, char* sBuf, int iMax, bool boNul) {
  const unsigned char* p = (const unsigned char*)b->pData + b->iPos;
  const unsigned char* pEnd = (const unsigned char*)b->pData + b->iLen;
  const unsigned char* q = p;
  bool boWide = false;
  uint32_t u;
  int n = 0;
  for (; n < iMax && q < pEnd && *q != '\n' && *q != '\r' && (*q || !boNul); n++) {
    if (*q < 0x80) {
      q++;
      continue;
    }
    int iLen = iUtf8Char(q, pEnd, &u);
    if (!iLen) return -1;
    boWide = boWide || iLen > 1;
    q += iLen;
  }
  if (!boWide) {
    memcpy(sBuf, p, (size_t)n);
  } else {
    n = 0;
    for (const unsigned char* r = p; r < q; n++) {
      r += iUtf8Char(r, q, &u);
      sBuf[n] = cCodeTo1252(u);
    }
  }
  b->iPos += (int)(q - p);
  return n;
}

// The first byte in [p, pEnd) that ends a line (LF, CR), with boNul a NUL
// byte, with boHigh a byte that is not ASCII; pEnd when there is none. The
// usual line's scan: sixteen bytes a step where the processor compares that
// many at once, else eight.
const char* pFindLineStop(const char* p, const char* pEnd, bool boNul, bool boHigh) {
  // Without boNul the third compare looks for LF again.
  const char cThird = boNul ? '\0' : '\n';
#if defined(__SSE2__)
  const __m128i vLf = _mm_set1_epi8('\n'), vCr = _mm_set1_epi8('\r'), vThird = _mm_set1_epi8(cThird);
  for (; pEnd - p >= 16; p += 16) {
    __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i vHit =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(w, vLf), _mm_cmpeq_epi8(w, vCr)), _mm_cmpeq_epi8(w, vThird));
    // The mask takes each byte's high bit, which is also a byte that is not
    // ASCII.
    unsigned uMarks = (unsigned)_mm_movemask_epi8(vHit);
    if (boHigh) uMarks |= (unsigned)_mm_movemask_epi8(w);
    if (uMarks) return p + std::countr_zero(uMarks);
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    const uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    const uint64_t uLf = kOnes * '\n', uCr = kOnes * '\r', uThird = kOnes * (unsigned char)cThird;
    const uint64_t uHigh = boHigh ? kHigh : 0;
    for (; pEnd - p >= 8; p += 8) {
      uint64_t w;
      memcpy(&w, p, 8);
      // A byte of x is zero where w holds the byte looked for: x - 1 sets
      // the high bit of a zero byte, and ~x keeps it only where x's was
      // clear. A borrow may mark a byte above a marked one, never below.
      uint64_t x = w ^ uLf, y = w ^ uCr, z = w ^ uThird;
      uint64_t uMarks = (((x - kOnes) & ~x) | ((y - kOnes) & ~y) | ((z - kOnes) & ~z) | (w & uHigh)) & kHigh;
      if (uMarks) return p + std::countr_zero(uMarks) / 8;
    }
  }
  for (; p < pEnd; p++)
    if (*p == '\n' || *p == '\r' || (boNul && !*p) || (boHigh && (unsigned char)*p >= 0x80)) return p;
  return pEnd;
}

// A line's taking past its usual way: where its characters go, and what
// was found of NUL bytes and its length.
struct MboLineTake {
  char* sBuf;
  int iMax;
  int n;           // characters stored
  int iNulAt;      // characters stored before the first NUL byte; -1: none
  bool boCut;      // characters beyond iMax
  bool boNulLine;  // a NUL byte with other characters after it
};

// Takes the bytes after a NUL byte up to the line's end: NULs are dropped,
// blanks stored while there is room (beyond it the line is cut), and any
// other byte makes the line a damaged one, whose rest is then skipped.
void vTakeAfterNul(MboLineBuf* b, MboLineTake* t) {
  while (iLineBufFill(b, 1) > 0) {
    const char* p = b->pData + b->iPos;
    const char* pEnd = b->pData + b->iLen;
    const char* q = p;
    for (; q < pEnd && *q != '\n' && *q != '\r'; q++) {
      if (!*q || t->boNulLine) continue;
      if (*q != ' ')
        t->boNulLine = true;
      else if (t->n < t->iMax)
        t->sBuf[t->n++] = ' ';
      else
        t->boCut = true;
    }
    b->iPos += (int)(q - p);
    if (q < pEnd) return;  // at a line end
  }
}

bool boReadLine(char* sBuf, int iSize, uint32_t hFile, unsigned* puNotes, MboLineCoding eCoding, bool boGoOn = false) {
  if (puNotes) *puNotes = 0;
  // Below 2 bytes no character fits, and a caller's loop would never end.
  if (!sBuf || iSize < 2 || !hFile) return false;
  memset(sBuf, 0, (size_t)iSize);
  MboLineBuf* b = pLineBufOf(hFile);
  if (!b) return false;
  // A reader of raw files (notes asked) has a long line cut and NUL bytes
  // dropped or told; the plain reader gives every byte as it came.
  const bool boRaw = puNotes != nullptr;
  const bool boConvert = eCoding == MBO_LINE_CONVERT;
  if (boConvert && b->iUtf8 < 0) vDecideCoding(b);
  MboLineTake t{sBuf, iSize - 1, 0, -1, false, false};
  const int iMax = t.iMax;
  int& n = t.n;
  // The usual line: shorter than iMax, its end already in the buffer, and
  // ASCII alone (which both conversions keep) unless taken as it stands.
  const char* p = b->pData + b->iPos;
  const char* pLook = p + std::min(b->iLen - b->iPos, iMax);
  const char* q = pFindLineStop(p, pLook, boRaw, boConvert);
  bool boWhole = q < pLook && (*q == '\n' || *q == '\r');
  if (boWhole) {
    n = (int)(q - p);
    memcpy(sBuf, p, (size_t)n);
    b->iPos += n;
  } else if (boConvert && b->iUtf8) {
    // A UTF-8 character takes at most 4 bytes: have the line's first iMax
    // characters in the buffer to tell how the line is written.
    iLineBufFill(b, (int)std::min<int64_t>(4 * (int64_t)iMax, 1 << 24));
    n = std::max(iTakeUtf8(b, sBuf, iMax, boRaw), 0);
  }
  // The line's bytes up to its end, at most iMax of them.
  while (!boWhole && n < iMax && iLineBufFill(b, 1) > 0) {
    p = b->pData + b->iPos;
    const char* pEnd = p + std::min(b->iLen - b->iPos, iMax - n);
    q = pFindLineStop(p, pEnd, boRaw, false);
    if (boConvert)
      for (const char* r = p; r < q; r++) sBuf[n++] = cMboOemLetterToAnsi(*r);
    else {
      memcpy(sBuf + n, p, (size_t)(q - p));
      n += (int)(q - p);
    }
    b->iPos += (int)(q - p);
    if (q < pEnd && !*q) {
      // A NUL byte: only NULs and blanks may follow it.
      t.iNulAt = n;
      vTakeAfterNul(b, &t);
      break;
    }
    if (q < pEnd) break;  // at a line end
  }
  if (n == iMax && t.iNulAt < 0) {
    // The buffer is full. The cut-aware reader skips the rest of the line,
    // noting whether there was any; the plain one leaves it for the next
    // call.
    if (!boRaw || boGoOn) return true;
    while (iLineBufFill(b, 1) > 0) {
      p = b->pData + b->iPos;
      q = pFindLineStop(p, b->pData + b->iLen, true, false);
      t.boCut = t.boCut || q > p;
      b->iPos += (int)(q - p);
      if (q < b->pData + b->iLen && !*q) {
        t.iNulAt = n;
        vTakeAfterNul(b, &t);
        break;
      }
      if (q < b->pData + b->iLen) break;  // at a line end
    }
  }
  if (t.iNulAt >= 0) {
    if (t.boNulLine) {
      memset(sBuf + t.iNulAt, 0, (size_t)(n - t.iNulAt));
      *puNotes |= MBO_READ_NUL;
    } else if (!b->boNulTold) {
      b->boNulTold = true;
      *puNotes |= MBO_READ_NUL_DROPPED;
    }
  }
  if (t.boCut && !t.boNulLine) *puNotes |= MBO_READ_CUT;
  MboLineEnd eEnd = eTakeLineEnd(b);
  // A line of NUL bytes alone is a line, so that its report has a place.
  if (n > 0 || eEnd == MBO_END_LF || t.iNulAt >= 0) return true;
  // Nothing stored: the end of the file, or CRs before it, make no line.
  return eEnd == MBO_END_CR && iLineBufPeek(b) >= 0;
}

}  // namespace

void vMboReleaseLineBuffer(uint32_t hFile) {
  if (!hFile) return;
  for (MboLineBuf& b : g_lineBufs)
    if (b.hFile == hFile) vLineBufGiveBack(&b);
}

bool boMboReadLineCut(char* sBuf, int iSize, uint32_t hFile, unsigned* puNotes) {
  return boReadLine(sBuf, iSize, hFile, puNotes, MBO_LINE_CONVERT);
}

bool boMboReadLine(char* sBuf, int iSize, uint32_t hFile) { return boMboReadLineCut(sBuf, iSize, hFile, nullptr); }

bool boMboReadLineOn(char* sBuf, int iSize, uint32_t hFile, unsigned* puNotes) {
  return boReadLine(sBuf, iSize, hFile, puNotes, MBO_LINE_CONVERT, true);
}

bool boMboReadLineBytes(char* sBuf, int iSize, uint32_t hFile, unsigned* puNotes) {
  return boReadLine(sBuf, iSize, hFile, puNotes, MBO_LINE_BYTES);
}

bool boMboReportLine(uint32_t hSide, unsigned uNotes, int iLineNo) {
  if (!uNotes) return false;
  char sLineNo[16];
  snprintf(sLineNo, sizeof sLineNo, "%d", iLineNo);
  if (uNotes & MBO_READ_CUT) vMboReport(hSide, "LINE TOO LONG, CUT", sLineNo);
  if (uNotes & MBO_READ_NUL_DROPPED) vMboReport(hSide, "NUL BYTES DROPPED", sLineNo);
  if (uNotes & MBO_READ_NUL) vMboReport(hSide, "LINE WITH NUL BYTE", sLineNo);
  return (uNotes & MBO_READ_NUL) != 0;
}

bool boMboReadLineCounted(char* sBuf, int iSize, uint32_t hFile, uint32_t hSide, int* piLineNo) {
  unsigned uNotes;
  while (boMboReadLineCut(sBuf, iSize, hFile, &uNotes)) {
    ++*piLineNo;
    if (!boMboReportLine(hSide, uNotes, *piLineNo)) return true;
  }
  return false;
}

char* sMboLineColumns(const char* sLine, int iFrom, int iCount, char* sOut) {
  if (!sOut) return sOut;
  if (iCount < 0) iCount = 0;
  const char* s = sStrNotNull(sLine);
  // The line's length matters only up to the last column asked for.
  int64_t iLast = (int64_t)iFrom + iCount;
  int iLen = iLast > 0 ? (int)strnlen(s, (size_t)iLast) : 0;
  for (int i = 0; i < iCount; i++) {
    int iCol = iFrom + i;
    sOut[i] = iCol >= 0 && iCol < iLen ? s[iCol] : ' ';
  }
  sOut[iCount] = 0;
  return sOut;
}
