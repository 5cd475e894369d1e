// Geodat label=value raw files (see geodat.h).
#include "instruments/geodat.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/lines.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"

// ---------------------------------------------------------------- writer

namespace {

// The writer's "label=value" lines, cut where a formatted line would be; put
// together without printf's format parsing, where most of the writer's time
// went, and with printf's digits. A point's lines go out in one file call.
const int kLineSize = 2048;
const int kPointLines = 5;

struct GeodatBlock {
  char buf[kPointLines * (kLineSize + 1)];
  int n = 0;
};

// The reader ends a record at a blank, CR or LF: a blank or control byte (a
// line break from an XML file) would split a name into records.
inline bool boBlankByte(char c) { return (unsigned char)c <= 0x20 || c == 0x7F; }

// A byte of a value as written: a blank or control byte inside it as '_',
// which the record builder makes of a blank in a name anyway; the bytes the
// reader takes as code-page-865 letters as '?'.
inline char cValueByte(char c) { return boBlankByte(c) ? '_' : boMboIs865Letter(c) ? '?' : c; }

// One line "label=value" and CR LF. Blank and control bytes at the value's
// ends are left out, as the reader would drop them.
void vPutText(GeodatBlock* b, const char* sLabel, const char* sValue) {
  char* out = b->buf + b->n;
  int n = 0;
  for (const char* s = sLabel; *s && n < kLineSize - 1; ++s) out[n++] = *s;
  const char* s = sStrNotNull(sValue);
  while (boBlankByte(*s) && *s) ++s;
  const char* end = s + strlen(s);
  while (end > s && boBlankByte(end[-1])) --end;
  for (; s < end && n < kLineSize - 1; ++s) out[n++] = cValueByte(*s);
  out[n++] = '\r';
  out[n++] = '\n';
  b->n += n;
}

void vPutNumber(GeodatBlock* b, const char* sLabel, double value) {
  char digits[400];  // "%.3f" of the largest double
  iNumPrintFixedC(digits, (int)sizeof digits, value, 3);
  vPutText(b, sLabel, digits);
}

}  // namespace

bool boGeodatWriteRaw(uint32_t hRaw) {
  if (!g_pMboPoints) return false;
  const MboSettings& set = g_mboTransfer.settings;
  bool boCoded = false;  // the last point written had a code
  GeodatBlock block;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x, y, z;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    block.n = 0;
    vPutText(&block, "5=", sMboGetPointNo(p));
    const char* sCode = sStrNotNull(sMboPointGetField(p));
    // A code holds for the following points until another comes: a point
    // without one after a coded point clears it with an empty label 4.
    if (*sCode || boCoded) vPutText(&block, "4=", sCode);
    boCoded = *sCode != 0;
    // The file's north is the field book's Y, and EO belongs to the north.
    vPutNumber(&block, "37=", y - set.iEO);
    vPutNumber(&block, "38=", x - set.iNO);
    if (boMboGetPointZ(p, &z)) vPutNumber(&block, "39=", z);
    boMboWriteBytes(hRaw, block.buf, (uint32_t)block.n);
  }
  return boMboWriteOk();
}

// ---------------------------------------------------------------- reader

namespace {

// A token keeps at most this many characters; the rest up to the next
// separator is dropped.
constexpr int kTokenMax = 399;
// The bytes of a token kept to read its characters from: a UTF-8 character
// takes at most 4.
constexpr int kTokenBytes = 4 * kTokenMax;
constexpr int kAttrNameMax = 29;
constexpr int kMaxHeights = 8;

// The raw file as a stream of label=value records.
constexpr UINT kBufSize = 65536;  // a large file is read in few system calls

// What is skipped after a token with a NUL byte inside: the record it
// started (up to the next record start), for a line control also the
// records it takes (92, 93, 94).
enum GeodatSkip { SKIP_NONE, SKIP_RECORD, SKIP_LINE_CONTROL };

struct GeodatTokens {
  uint32_t hRaw;
  uint32_t hSide;
  // The bytes read, and behind them a NUL that ends every run of plain bytes.
  char buf[kBufSize + 1];
  UINT pos, len;
  bool boEnd;
  bool boAtStart;  // nothing read yet of a file read from its start
  int8_t iUtf8;    // the file's coding, decided at its first bytes: 1 UTF-8, 0 8-bit
  int nLf;         // LFs before the reading place: line numbers for reports
  bool boNulReported;
  GeodatSkip eSkip;
  // One record read ahead and given back (line control's look-ahead).
  bool boHeld;
  int iHeldLabel;
  char sHeld[kTokenMax + 1];
  unsigned char raw[kTokenBytes];  // the bytes of the token being read
  char sTok[kTokenMax + 1];        // the token last read
};

// True when the buffer holds a byte to read, refilled if need be.
bool boHasByte(GeodatTokens* t) {
  if (t->pos < t->len) return true;
  if (t->boEnd) return false;
  UINT n = _lread((HFILE)t->hRaw, t->buf, kBufSize);
  if (n == 0 || n == (UINT)HFILE_ERROR) {
    t->boEnd = true;
    return false;
  }
  t->pos = 0;
  t->len = n;
  t->buf[n] = 0;
  // A UTF-8 byte-order mark at the start of the file is no text.
  if (t->boAtStart && n >= 3 && memcmp(t->buf, "\xEF\xBB\xBF", 3) == 0) {
    t->pos = 3;
    t->iUtf8 = 1;
  }
  t->boAtStart = false;
  // The file is UTF-8 or 8-bit as a whole: a 1252 name whose letters
  // happen to form UTF-8 (S\xD8\xB0) keeps its bytes in an 8-bit file.
  if (t->iUtf8 < 0) {
    const unsigned char* p = (const unsigned char*)t->buf;
    t->iUtf8 = boMboUtf8Start(p, p + n, n == kBufSize) ? 1 : 0;
  }
  return t->pos < t->len || boHasByte(t);
}

constexpr bool boIsSeparator(int c) { return c == ' ' || c == '\r' || c == '\n'; }

// The bytes by what a token does with them: a plain byte is taken as it
// is; a separator ends the token (or is skipped before one); the others
// are the token rules' (',', '=', NUL, and above 127 a letter to convert).
enum : unsigned char { kByteOther, kBytePlain, kByteSeparator };
struct ByteKinds {
  unsigned char kind[256];
  constexpr ByteKinds() : kind() {
    for (int c = 1; c < 0x80; c++) kind[c] = c != ',' && c != '=' ? kBytePlain : kByteOther;
    kind[' '] = kind['\r'] = kind['\n'] = kByteSeparator;
  }
};
constexpr ByteKinds kBytes;

// An int of a decimal text as atoi reads it, clamped instead of overflowing.
int iAtoi(const char* s) {
  // The usual label, a few plain digits, without the C library's call.
  int v = 0, i = 0;
  for (; i < 6 && s[i] >= '0' && s[i] <= '9'; i++) v = v * 10 + (s[i] - '0');
  if (i > 0 && !(s[i] >= '0' && s[i] <= '9')) return v;
  long l = strtol(s, nullptr, 10);
  return l > INT_MAX ? INT_MAX : l < INT_MIN ? INT_MIN : (int)l;
}

// A token's bytes as read: its NUL bytes tell whether it can be read.
struct GeodatRawToken {
  int n;             // bytes kept in the reader's raw buffer
  bool boNul;        // it holds a NUL byte
  bool boNulInside;  // another byte follows a NUL
  int iLine;         // 1 + the LFs before it
};

// The bytes of the next token (separators: blank, CR, LF) into t->raw, at
// most kTokenBytes of them; a comma after exactly one byte drops that byte
// and the token starts anew. False at the end of the file.
bool boReadToken(GeodatTokens* t, GeodatRawToken* r) {
  unsigned char* raw = t->raw;
  int n = 0;
  bool boNul = false, boInside = false, boInToken = false;
  while (boHasByte(t)) {
    const unsigned char* buf = (const unsigned char*)t->buf;
    UINT pos = t->pos, len = t->len;
    while (pos < len) {
      unsigned char c = buf[pos++];
      unsigned char kind = kBytes.kind[c];
      if (kind == kBytePlain) {
        if (n < kTokenBytes) raw[n++] = c;
        boInToken = true;
        boInside = boInside || boNul;
        continue;
      }
      if (kind == kByteSeparator) {
        if (!boInToken) {
          t->nLf += c == '\n';
          continue;
        }
        t->pos = pos;
        *r = GeodatRawToken{n, boNul, boInside, 1 + t->nLf};
        t->nLf += c == '\n';
        return true;
      }
      boInToken = true;
      if (c == ',' && n == 1) {
        n = 0;
        boNul = boInside = false;
        continue;
      }
      if (c == 0)
        boNul = true;
      else
        boInside = boInside || boNul;
      if (n < kTokenBytes) raw[n++] = c;
    }
    t->pos = pos;
  }
  // The end of the file ends the last token.
  *r = GeodatRawToken{n, boNul, boInside, 1 + t->nLf};
  return boInToken;
}

// The text of a token's n bytes into sTok, at most kTokenMax characters:
// in a UTF-8 file, when those are well-formed UTF-8 with a character beyond
// ASCII, each becomes its code-page-1252 byte; otherwise the code-page-865
// letters become ANSI. Returns its length.
int iTokenText(const unsigned char* raw, int n, char* sTok, bool boUtf8File) {
  const unsigned char* pEnd = raw + n;
  bool boWide = false;
  int iChars = 0;
  uint32_t u;
  const unsigned char* p = raw;
  for (; boUtf8File && p < pEnd && iChars < kTokenMax; iChars++) {
    int iLen = iUtf8Char(p, pEnd, &u);
    if (!iLen) break;
    boWide = boWide || iLen > 1;
    p += iLen;
  }
  bool boUtf8 = boWide && (p == pEnd || iChars == kTokenMax);
  int m = 0;
  if (boUtf8) {
    for (const unsigned char* q = raw; m < iChars; m++) {
      q += iUtf8Char(q, pEnd, &u);
      sTok[m] = cCodeTo1252(u);  // the C1 controls as '?', as the line reader takes them
    }
  } else {
    for (; m < n && m < kTokenMax; m++) sTok[m] = cMboOemLetterToAnsi((char)raw[m]);
  }
  sTok[m] = 0;
  return m;
}

// The usual record, plain bytes, one '=' and a separator behind it, all in
// the buffer and within kTokenMax, taken where it stands: its '=' and its
// separator become the ends of label and value. False (with the separators
// before it skipped) for anything else, which boReadToken takes.
bool boNextPlainRecord(GeodatTokens* t, int* piLabel, const char** psValue) {
  unsigned char* buf = (unsigned char*)t->buf;
  UINT pos = t->pos, len = t->len;
  int nLf = t->nLf;
  while (pos < len && kBytes.kind[buf[pos]] == kByteSeparator) nLf += buf[pos++] == '\n';
  t->pos = pos;
  t->nLf = nLf;
  UINT p = pos;
  while (kBytes.kind[buf[p]] == kBytePlain) p++;  // the NUL behind the bytes ends the run
  if (p == pos || p >= len || buf[p] != '=') return false;
  UINT eq = p++;
  while (kBytes.kind[buf[p]] == kBytePlain) p++;
  if (p >= len || kBytes.kind[buf[p]] != kByteSeparator || p - pos > (UINT)kTokenMax) return false;
  t->nLf += buf[p] == '\n';
  buf[eq] = 0;
  buf[p] = 0;
  t->pos = p + 1;
  *piLabel = iAtoi((const char*)buf + pos);
  *psValue = (const char*)buf + eq + 1;
  return true;
}

bool boIsRecordStart(int iLabel) {
  return iLabel == 2 || iLabel == 5 || iLabel == 62 || iLabel == 90 || iLabel == 91 || iLabel == 92;
}

// The next token read as a record. NUL bytes at its end are dropped (the
// first such token of the file is reported); a token with another byte
// after a NUL cannot be read: it is reported and *pboBad set, with its
// label. False for a token that is no record, and at the end of the file
// (*pboEnd).
bool boTokenRecord(GeodatTokens* t, int* piLabel, const char** psValue, bool* pboBad, bool* pboEnd) {
  GeodatRawToken r;
  *pboBad = false;
  *pboEnd = !boReadToken(t, &r);
  if (*pboEnd) return false;
  char* sTok = t->sTok;
  if (r.boNulInside) {
    vMboReport(t->hSide, "LINE WITH NUL BYTE", sStrFormat("%d", r.iLine));
    const unsigned char* pEq = (const unsigned char*)memchr(t->raw, '=', (size_t)r.n);
    *psValue = "";
    *pboBad = true;
    // A NUL before the '=', or no '=', leaves the label unknown: the token
    // is taken for a point's, so that the values after it are not given to
    // the record before.
    if (!pEq || memchr(t->raw, 0, (size_t)(pEq - t->raw))) {
      *piLabel = 5;
      return true;
    }
    int iLen = (int)(pEq - t->raw) < kTokenMax ? (int)(pEq - t->raw) : kTokenMax;
    memcpy(sTok, t->raw, (size_t)iLen);
    sTok[iLen] = 0;
    *piLabel = iAtoi(sTok);
    return true;
  }
  if (r.boNul) {
    while (r.n > 0 && t->raw[r.n - 1] == 0) r.n--;
    if (!t->boNulReported) vMboReport(t->hSide, "NUL BYTES DROPPED", sStrFormat("%d", r.iLine));
    t->boNulReported = true;
  }
  int n = iTokenText(t->raw, r.n, sTok, t->iUtf8 > 0);
  char* pEq = n >= 2 ? (char*)memchr(sTok, '=', (size_t)n) : nullptr;
  if (!pEq) return false;
  *pEq = 0;
  *piLabel = iAtoi(sTok);
  *psValue = pEq + 1;
  return true;
}

// The next record: a token with '='; the label is the text before it, read
// as atoi reads it ("abc=5" is label 0); *psValue the text after it, kept
// until the next record is read. A token that cannot be read takes along
// the record it starts. False at the end of the file.
bool boNextRecord(GeodatTokens* t, int* piLabel, const char** psValue) {
  if (t->boHeld) {
    t->boHeld = false;
    *piLabel = t->iHeldLabel;
    *psValue = t->sHeld;
    return true;
  }
  for (;;) {
    bool boBad = false, boEnd = false;
    if (!boNextPlainRecord(t, piLabel, psValue) && !boTokenRecord(t, piLabel, psValue, &boBad, &boEnd)) {
      if (boEnd) return false;
      continue;
    }
    int iLabel = *piLabel;
    if (t->eSkip != SKIP_NONE) {
      if (t->eSkip == SKIP_LINE_CONTROL && (iLabel == 92 || iLabel == 93 || iLabel == 94)) continue;
      if (!boIsRecordStart(iLabel)) {
        t->eSkip = SKIP_RECORD;
        continue;
      }
      t->eSkip = SKIP_NONE;
    }
    if (!boBad) return true;
    if (boIsRecordStart(iLabel)) t->eSkip = iLabel == 91 ? SKIP_LINE_CONTROL : SKIP_RECORD;
  }
}

void vGiveBack(GeodatTokens* t, int iLabel, const char* sValue) {
  t->boHeld = true;
  t->iHeldLabel = iLabel;
  if (sValue != t->sHeld) sStrCopyN(t->sHeld, sValue, (int)sizeof t->sHeld);
}

struct GeodatHeight {
  char sCode[MBO_REC_CODE_SIZE];
  char sHeight[kTokenMax + 1];
};

// What one read carries from record to record.
struct GeodatState {
  uint32_t hSide;
  char sPointAttr[kAttrNameMax + 1];   // label 0, waiting for label 1
  char sLineAttr[kAttrNameMax + 1];    // label 95, waiting for label 96
  char sName[MBO_ID_SIZE];             // the name of the current point record
  bool boTopPending, boBottomPending;  // the current point is coded 77 / 78
  double dNum72, dNum73;
  MboDrillhole hole;
  bool boByNumber;   // label 90=1: line numbers select lines
  char sLineNo[16];  // otherwise: the number of the line being built
  // A square or parallel given after the last point, no line number since:
  // an end, a close or the file's end makes it that point's line's.
  bool boShapeAfterPoint;
  bool boPointLast;  // a point came since the last line number
  bool boHeightsActive;
  bool boHeightsBase;  // the collection's base point has come
  char sHeightBase[MBO_ID_SIZE];
  int nHeights;
  GeodatHeight aHeights[kMaxHeights];
};

void vAddHeight(GeodatState* st, const char* sValue) {
  if (st->nHeights >= kMaxHeights || std::fabs(dNumParseC(sValue)) <= 0.0001) return;
  GeodatHeight& h = st->aHeights[st->nHeights++];
  h.sCode[0] = 0;
  sStrCopyN(h.sHeight, sValue, (int)sizeof h.sHeight);
}

// Additional heights make no points of their own; each is reported, so
// that none vanishes unseen.
void vEndHeights(GeodatState* st) {
  for (int i = 0; i < st->nHeights; i++)
    vMboReport(
        st->hSide, "ADDITIONAL HEIGHT NOT STORED",
        sStrFormat("point=%s code=%s height=%s", st->sHeightBase, st->aHeights[i].sCode, st->aHeights[i].sHeight));
  st->nHeights = 0;
  st->boHeightsActive = st->boHeightsBase = false;
  st->sHeightBase[0] = 0;
}

// A point coded 77 (top) or 78 (bottom) becomes part of the drill-hole pair
// when the next record starts.
void vCaptureDrillPoint(GeodatState* st) {
  if (st->boTopPending) {
    MboDrillPoint& top = st->hole.top;
    sStrCopyN(top.sName, st->sName, (int)sizeof top.sName);
    top.boCaptured = 1;
    if (st->dNum72 != 0) {
      st->hole.dDist = st->dNum72;
      if (st->dNum73 != 0) st->hole.dLength = st->dNum73;
      st->dNum72 = st->dNum73 = 0;
    }
  } else if (st->boBottomPending) {
    MboDrillPoint& bottom = st->hole.bottom;
    sStrCopyN(bottom.sName, st->sName, (int)sizeof bottom.sName);
    bottom.boCaptured = 1;
    if (st->dNum72 != 0 && std::fabs(st->dNum72) >= 0.01) {
      st->hole.dVdir = st->dNum72;
      st->hole.boVdir = 1;
    }
    st->dNum72 = 0;
  }
  st->boTopPending = st->boBottomPending = false;
}

// iLabel: the label that starts the record, 0 at the end of the file.
void vRecordStart(GeodatState* st, int iLabel) {
  boMboWriteDrillholeInfo(st->hSide, &st->hole, nullptr);
  vCaptureDrillPoint(st);
  vMboFlushPending();
  // An additional-height collection without a height yet lasts through the
  // record of its base point, the first label 5 or 62 after it; any other
  // record start ends it, so that it cannot take the codes of later points.
  bool boBase = iLabel == 5 || iLabel == 62;
  if (!(boBase && st->boHeightsActive && !st->boHeightsBase && st->nHeights == 0)) vEndHeights(st);
  if (boBase || iLabel == 90) {
    st->boShapeAfterPoint = false;
    st->boPointLast = boBase;
  }
}

// A square or parallel given after the line's last point belongs to that
// line when the line ends before another point comes.
void vShapeTheLastLine(GeodatState* st) {
  if (st->boShapeAfterPoint) vMboLineTakePendingShapes();
  st->boShapeAfterPoint = false;
}

// A line number n. Where numbers do not select lines, a number other than
// that of the line being built starts a new line and the same one continues
// it (the builder keeps its current line past the line controls).
void vChooseLine(GeodatState* st, const char* sNum) {
  if (!st->boByNumber && strcmp(st->sLineNo, sNum) != 0) {
    vMboLineSetLineNo(nullptr);
    sStrCopyN(st->sLineNo, sNum, (int)sizeof st->sLineNo);
  }
  vMboLineSetLineNo(sNum);
}

// Line control n.m with what follows it (92 line code, 93 height h, 94 o).
void vLineControl(GeodatState* st, GeodatTokens* t, const char* sValue) {
  vMboLineCommand(MBO_LINE_ENABLE, "", "");
  char sNum[16], sM[16];
  const char* pDot = strchr(sValue, '.');
  if (pDot) {
    int iLen = (int)(pDot - sValue);
    sStrCopyN(sNum, sValue, iLen + 1 < (int)sizeof sNum ? iLen + 1 : (int)sizeof sNum);
    sStrCopyN(sM, pDot + 1, (int)sizeof sM);
  } else {
    sStrCopyN(sNum, sValue, (int)sizeof sNum);
    sM[0] = 0;
  }
  char sH[kTokenMax + 1] = "", sO[kTokenMax + 1] = "";
  int iLabel;
  const char* sNext;
  while (boNextRecord(t, &iLabel, &sNext)) {
    if (iLabel == 92) {
      vMboLineSetCode(sNext);
    } else if (iLabel == 93) {
      vAddHeight(st, sNext);
      sStrCopyN(sH, strcmp(sNext, "0") == 0 ? "" : sNext, (int)sizeof sH);
    } else if (iLabel == 94) {
      sStrCopyN(sO, strcmp(sNext, "0") == 0 ? "" : sNext, (int)sizeof sO);
    } else {
      vGiveBack(t, iLabel, sNext);
      break;
    }
  }
  int n = iAtoi(sNum);
  if (n >= 0) {
    bool boClose = sM[0] && strcmp(sM, "0") == 0;
    if (boClose)
      vShapeTheLastLine(st);
    else
      st->boShapeAfterPoint = false;  // a pending shape is the next line's
    st->boPointLast = false;
    vChooseLine(st, sNum);
    if (boClose) {
      // n.0 closes line n (one not begun yet is closed from its first
      // point); like n the points after it follow on that line. A closed
      // line gives up its number: n again starts a new line.
      vMboLineCommand(MBO_LINE_CLOSE, "", "");
      st->sLineNo[0] = 0;
    } else if (strcmp(sNum, "0") == 0) {
      // A new line from the point m; the points after it follow on it.
      vMboLineCommand(MBO_LINE_ADD_NAMED, sM, "");
    }
    return;
  }
  switch (n) {
    case -1:
      if (!sM[0])
        vMboLineCommand(MBO_LINE_SKIP, "", "");
      else
        vMboLineSetText(sM);
      break;
    case -2:
      if (iAtoi(sM) < 1)
        vMboLineCommand(MBO_LINE_TYPE_A, "", "");
      else
        vMboLineCommand(MBO_LINE_GROUP_CYCLIC, sM, "");
      break;
    case -3:
      if (iAtoi(sM) < 1)
        vMboLineCommand(MBO_LINE_ARC, "", "");
      else
        vMboLineCommand(MBO_LINE_GROUP_BACK, sM, "");
      break;
    case -4:
      vMboLineCommand(MBO_LINE_SQUARE, "", "");
      st->boShapeAfterPoint = st->boPointLast;
      break;
    case -5:
      vMboLineCommand(MBO_LINE_PARALLEL, sH, sO);
      st->boShapeAfterPoint = st->boPointLast;
      break;
    case -6:
      vMboLineCommand(MBO_LINE_HEIGHT_EXT, sH, "");
      break;
    case -7:
      st->boHeightsActive = true;
      break;
    case -9:
      // The line ends, also where numbers select lines: its number again
      // starts a new line.
      vShapeTheLastLine(st);
      vMboLineCommand(MBO_LINE_CLEAR_A, "", "");
      vMboLineEnd();
      vMboLineCommand(MBO_LINE_GROUP_END, "", "");
      st->sLineNo[0] = 0;
      break;
    default:
      break;
  }
}

void vReportLabel(GeodatState* st, int iLabel, const char* sValue) {
  const char* sTitle = nullptr;
  switch (iLabel) {
    case 10:
      sTitle = "HEIGHT DIFF";
      break;
    case 15:
      sTitle = "AREA NUMBER";
      break;
    case 50:
      sTitle = "JOB NUMBER";
      break;
    case 51:
      sTitle = "DATE";
      break;
    case 52:
      sTitle = "TIME";
      break;
    case 53:
      sTitle = "OPERATOR";
      break;
    case 54:
      sTitle = "PROJECT";
      break;
    case 55:
      sTitle = "INSTRUMENT NO:";
      break;
    default:
      break;
  }
  if (sTitle)
    vMboReport(st->hSide, sTitle, sValue);
  else
    vMboReport(st->hSide, "UNKNOWN CODE", sStrFormat("%d=%s", iLabel, sValue));
}

void vApplyLabel(GeodatState* st, GeodatTokens* t, int iLabel, const char* v) {
  switch (iLabel) {
    case 0:
      sStrCopyN(st->sPointAttr, v, (int)sizeof st->sPointAttr);
      break;
    case 1:
      if (st->sPointAttr[0]) vMboExtraPointFieldAdd(st->sPointAttr, v);
      st->sPointAttr[0] = 0;
      break;
    case 2:
      vMboRecSetStationName(v);
      break;
    case 3:
    case 35:
      vMboRecSetObsValue(MBO_OBS_ITEM_IH, v);
      break;
    case 4:
      // Once the collection holds a height, a code is that height's.
      if (st->boHeightsActive && st->nHeights > 0) {
        sStrCopyN(st->aHeights[st->nHeights - 1].sCode, v, MBO_REC_CODE_SIZE);
        break;
      }
      vMboRecSetCode(v);
      vMboCodeLineDefaultName(v);
      st->boTopPending = strcmp(v, "77") == 0;
      st->boBottomPending = strcmp(v, "78") == 0;
      break;
    case 62:
      vMboLineCommand(MBO_LINE_SKIP, "", "");
      [[fallthrough]];
    case 5:
      if (st->boHeightsActive && !st->boHeightsBase) {
        sStrCopyN(st->sHeightBase, v, (int)sizeof st->sHeightBase);
        st->boHeightsBase = true;
      }
      sStrCopyN(st->sName, v, (int)sizeof st->sName);
      vMboRecSetPointName(v);
      break;
    case 6:
    case 36:
      vMboRecSetObsValue(MBO_OBS_ITEM_TH, v);
      break;
    case 7:
    case 21:
    case 24:
      vMboRecSetObsValue(MBO_OBS_ITEM_HZ, v);
      break;
    case 8:
    case 25:
      vMboRecSetObsValue(MBO_OBS_ITEM_V, v);
      break;
    case 9:
      vMboRecSetObsValue(MBO_OBS_ITEM_DIST, v);
      break;
    case 11:
      vMboRecSetObsValue(MBO_OBS_ITEM_HDIST, v);
      break;
    case 17:
      vMboRecSetObsValue(MBO_OBS_ITEM_HZ2, v);
      break;
    case 18:
      vMboRecSetObsValue(MBO_OBS_ITEM_V2, v);
      break;
    case 37:
      vMboRecSetCoord(MBO_REC_NORTH, v);
      break;
    case 38:
      vMboRecSetCoord(MBO_REC_EAST, v);
      break;
    case 39:
      vMboRecSetCoord(MBO_REC_Z, v);
      break;
    case 56:
      vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, v);
      break;
    case 74:
      vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, v);
      break;
    case 72:
      st->dNum72 = dNumParseC(v);
      break;
    case 73:
    case 99:
      st->dNum73 = dNumParseC(v);
      break;
    case 87:
    case 97:
      vMboSetJobName(v);
      break;
    case 88:
    case 98:
      vMboSetAreaName(v);
      break;
    case 90:
      if (iAtoi(v) == 0 || iAtoi(v) == 1) {
        st->boByNumber = iAtoi(v) == 1;
        st->sLineNo[0] = 0;
        vMboLineCommand(st->boByNumber ? MBO_LINE_AUTO_BY_NO : MBO_LINE_AUTO_NO_NUMBER, "", "");
      }
      break;
    case 91:
      vLineControl(st, t, v);
      break;
    case 92:
      vMboLineSetCode(v);
      break;
    case 93:
      vAddHeight(st, v);
      break;
    case 94:
      break;
    case 95:
      sStrCopyN(st->sLineAttr, v, (int)sizeof st->sLineAttr);
      break;
    case 96:
      if (st->sLineAttr[0]) vMboExtraLineFieldAdd(st->sLineAttr, v);
      st->sLineAttr[0] = 0;
      break;
    default:
      vReportLabel(st, iLabel, v);
      break;
  }
}

}  // namespace

bool boGeodatReadRaw(uint32_t hRaw, uint32_t hSide) {
  // Large records live here, not on the stack.
  static GeodatTokens s_tokens;
  static GeodatState s_state;
  GeodatTokens* t = &s_tokens;
  GeodatState* st = &s_state;
  memset(t, 0, sizeof *t);
  memset(st, 0, sizeof *st);
  t->hRaw = hRaw;
  t->hSide = hSide;
  t->boAtStart = _llseek((HFILE)hRaw, 0, FILE_CURRENT) == 0;
  t->iUtf8 = -1;
  st->hSide = hSide;
  vMboRecGeodatHook();
  vMboLineCommand(MBO_LINE_AUTO_NO_NUMBER, "", "");
  // A point without a line control continues the line of the point before
  // it; the line controls between the points keep that line.
  vMboLineSetPerPointMode(1);
  int iLabel;
  const char* sValue;
  while (boNextRecord(t, &iLabel, &sValue)) {
    if (boIsRecordStart(iLabel)) vRecordStart(st, iLabel);
    vApplyLabel(st, t, iLabel, sValue);
  }
  // A drill-hole pair completed by the last records is written too: the
  // file's end is the last record start.
  vRecordStart(st, 0);
  vShapeTheLastLine(st);
  boMboWriteDrillholeInfo(st->hSide, &st->hole, nullptr);
  vMboLineFinish();
  return false;
}
