// The line reader and writer the drivers share (see lines.h): gathered
// writes, line ends, and the UTF-8 and code-page conversions.
#include "fieldbook/lines.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/fieldcut.h"
#include "base/text.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"

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

bool boMboWriteLineN(uint32_t hFile, const char* pText, size_t uLen) {
  if (!hFile) return false;
  // Names and codes may hold control bytes (a line break from an XML file,
  // a TAB from another format): written as they are, one would end the line
  // early and the reader would see a broken record.
  bool boOk;
  if (char* p = pWriteRoom(hFile, uLen + 2, &boOk)) {
    for (size_t i = 0; i < uLen; ++i) p[i] = cMboLineByte(pText[i]);
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
    for (size_t i = 0; i < n; ++i) buf[i] = cMboLineByte(s[i]);
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

bool boMboWriteLine(uint32_t hFile, const char* sText) {
  const char* s = sStrNotNull(sText);
  return boMboWriteLineN(hFile, s, strlen(s));
}

bool boMboWriteLine865(uint32_t hFile, const char* sText) {
  if (!hFile) return false;
  const char* s = sStrNotNull(sText);
  size_t uLeft = strlen(s);
  bool boWhole = true;
  char buf[512];
  for (;;) {
    size_t n = uLeft < sizeof buf - 2 ? uLeft : sizeof buf - 2;
    for (size_t i = 0; i < n; ++i) buf[i] = cMboLineByte865(s[i]);
    s += n;
    uLeft -= n;
    if (!uLeft) {
      buf[n++] = '\r';
      buf[n++] = '\n';
      return boMboWriteBytes(hFile, buf, (uint32_t)n) && boWhole;
    }
    boWhole = boMboWriteBytes(hFile, buf, (uint32_t)n) && boWhole;
  }
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

// A code point as its code-page-1252 byte; '?' for one 1252 lacks.
char cCodeTo1252(uint32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return (char)u;
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
  *pFree = MboLineBuf{hFile, pData, kLineBufSize, 0, 0, _llseek((HFILE)hFile, 0, FILE_CURRENT) == 0};
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

// Takes the line's characters up to its end, at most iMax of them, when its
// bytes there are well-formed UTF-8 (ASCII alone is): multi-byte characters
// become code page 1252, one byte each. Returns how many were stored; -1
// for any other line, of which nothing is taken.
int iTakeUtf8(MboLineBuf* b, char* sBuf, int iMax) {
  const unsigned char* p = (const unsigned char*)b->pData + b->iPos;
  const unsigned char* pEnd = (const unsigned char*)b->pData + b->iLen;
  const unsigned char* q = p;
  bool boWide = false;
  uint32_t u;
  int n = 0;
  for (; n < iMax && q < pEnd && *q != '\n' && *q != '\r'; n++) {
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

// The first byte in [p, pEnd) that ends a line (LF, CR) or, with boHigh,
// that is not ASCII; pEnd when there is none.
const char* pFindLineStop(const char* p, const char* pEnd, bool boHigh) {
  return pFindEither(p, pEnd, '\n', '\r', boHigh);
}

bool boReadLine(char* sBuf, int iSize, uint32_t hFile, bool* pboCut, MboLineCoding eCoding) {
  if (pboCut) *pboCut = false;
  // Below 2 bytes no character fits, and a caller's loop would never end.
  if (!sBuf || iSize < 2 || !hFile) return false;
  memset(sBuf, 0, (size_t)iSize);
  MboLineBuf* b = pLineBufOf(hFile);
  if (!b) return false;
  int iMax = iSize - 1;
  int n = 0;
  // A UTF-8 byte-order mark at the start of the file is no text.
  if (eCoding == MBO_LINE_CONVERT && b->boFromStart && b->iPos == 0 && iLineBufFill(b, 3) >= 3 &&
      memcmp(b->pData, "\xEF\xBB\xBF", 3) == 0)
    b->iPos = 3;
  // The usual line: shorter than iMax, its end already in the buffer, and
  // ASCII alone (which both conversions keep) unless taken as it stands.
  const char* p = b->pData + b->iPos;
  const char* pLook = p + std::min(b->iLen - b->iPos, iMax);
  const char* q = pFindLineStop(p, pLook, eCoding == MBO_LINE_CONVERT);
  bool boWhole = q < pLook && (*q == '\n' || *q == '\r');
  if (boWhole) {
    n = (int)(q - p);
    memcpy(sBuf, p, (size_t)n);
    b->iPos += n;
  } else if (eCoding == MBO_LINE_CONVERT) {
    // A UTF-8 character takes at most 4 bytes: have the line's first iMax
    // characters in the buffer to tell how the line is written.
    iLineBufFill(b, (int)std::min<int64_t>(4 * (int64_t)iMax, 1 << 24));
    n = std::max(iTakeUtf8(b, sBuf, iMax), 0);
  }
  // The line's bytes up to its end, at most iMax of them.
  while (!boWhole && n < iMax && iLineBufFill(b, 1) > 0) {
    p = b->pData + b->iPos;
    const char* pEnd = p + std::min(b->iLen - b->iPos, iMax - n);
    q = pFindLineStop(p, pEnd, false);
    if (eCoding == MBO_LINE_CONVERT)
      for (const char* r = p; r < q; r++) sBuf[n++] = cMboOemLetterToAnsi(*r);
    else {
      memcpy(sBuf + n, p, (size_t)(q - p));
      n += (int)(q - p);
    }
    b->iPos += (int)(q - p);
    if (q < pEnd) break;  // at a line end
  }
  if (n == iMax) {
    // The buffer is full. The cut-aware reader skips the rest of the line,
    // noting whether there was any; the plain one leaves it for the next
    // call.
    if (!pboCut) return true;
    while (iLineBufFill(b, 1) > 0) {
      p = b->pData + b->iPos;
      q = pFindLineStop(p, b->pData + b->iLen, false);
      *pboCut = *pboCut || q > p;
      b->iPos += (int)(q - p);
      if (q < b->pData + b->iLen) break;  // at a line end
    }
    eTakeLineEnd(b);
    return true;
  }
  MboLineEnd eEnd = eTakeLineEnd(b);
  if (n > 0 || eEnd == MBO_END_LF) return true;
  // Nothing stored: the end of the file, or CRs before it, make no line.
  return eEnd == MBO_END_CR && iLineBufPeek(b) >= 0;
}

}  // namespace

void vMboReleaseLineBuffer(uint32_t hFile) {
  if (!hFile) return;
  for (MboLineBuf& b : g_lineBufs)
    if (b.hFile == hFile) vLineBufGiveBack(&b);
}

bool boMboReadLineCut(char* sBuf, int iSize, uint32_t hFile, bool* pboCut) {
  return boReadLine(sBuf, iSize, hFile, pboCut, MBO_LINE_CONVERT);
}

bool boMboReadLine(char* sBuf, int iSize, uint32_t hFile) { return boMboReadLineCut(sBuf, iSize, hFile, nullptr); }

bool boMboReadLineBytes(char* sBuf, int iSize, uint32_t hFile, bool* pboCut) {
  return boReadLine(sBuf, iSize, hFile, pboCut, MBO_LINE_BYTES);
}

bool boMboReadLineCounted(char* sBuf, int iSize, uint32_t hFile, uint32_t hSide, int* piLineNo) {
  bool boCut = false;
  if (!boMboReadLineCut(sBuf, iSize, hFile, &boCut)) return false;
  ++*piLineNo;
  if (boCut) vMboReport(hSide, "LINE TOO LONG, CUT", sStrFormat("%d", *piLineNo));
  return true;
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
