// The transfer operations, raw and side files, and the routines the drivers
// share (see transfer.h).
#include "fieldbook/transfer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/cnum.h"
#include "base/fieldcut.h"
#include "base/msgbox.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/levelling.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/settings.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"

namespace {

// ---------------------------------------------------------------- files

uint32_t hFromPlatform(HFILE h) { return h == HFILE_ERROR || h < 0 ? 0u : (uint32_t)h; }

void vWarnCannotOpenRaw(void) { vMsgWarning(sKvxPoGetText("ERROR! Cannot open raw-file")); }

// A write that failed names the file and why; the old file is unchanged.
void vWarnNotWritten(const char* sPath, const char* sReason) {
  vMsgWarning(sStrFormat(sKvxPoGetText("ERROR! File not written:\n%s\n%s"), sPath, sStrNotNull(sReason)));
}

// No XML writer carries stations or observations (LandXML and JobXML are
// written from the points, lines, polygons and nets): a written file that
// leaves them out says how many.
void vWarnSurveyNotWritten(void) {
  int iStations = 0, iObs = 0;
  for (int kind : {MBO_KIND_TS, MBO_KIND_LEV, MBO_KIND_GPS, MBO_KIND_COORD}) {
    iStations += iMboCountStations(kind);
    iObs += iMboCountObs(kind);
  }
  if (iStations || iObs)
    vMsgWarning(sStrFormat(sKvxPoGetText("Not written, the format carries no stations or observations: %d stations "
                                         "and %d observations."),
                           iStations, iObs));
}

// The folder of a path in full form; an empty folder is the current one.
void vFullFolder(const char* sPath, char* sOut, int iSize) {
  char sDir[MBO_PATH_SIZE];
  sPathGetDir(sPath, sDir, (int)sizeof sDir);
  if (!sDir[0]) {
    sPathCurDir(sOut, iSize);
    return;
  }
  sPathFull(sDir, sOut, iSize);
}

// True when the raw file lies in the side file's folder (the temp folder),
// where a stale raw file is overwritten without a question.
bool boRawInSideFolder(void) {
  char sRawDir[2 * MBO_PATH_SIZE];
  char sSideDir[2 * MBO_PATH_SIZE];
  vFullFolder(g_mboTransfer.sRawPath, sRawDir, (int)sizeof sRawDir);
  vFullFolder(g_mboTransfer.sSidePath, sSideDir, (int)sizeof sSideDir);
  return boPathSame(sRawDir, sSideDir);
}

// True when the file holds nothing but line ends: no data line arrived (the
// block layer closes every transfer with an empty line).
bool boOnlyLineEnds(uint32_t hFile) {
  vMboReleaseLineBuffer(hFile);
  if (_llseek((HFILE)hFile, 0, FILE_BEGIN) != 0) return false;
  char buf[512];
  for (;;) {
    UINT n = _lread((HFILE)hFile, buf, sizeof buf);
    if (n == 0) return true;
    if (n == (UINT)HFILE_ERROR) return false;
    for (UINT i = 0; i < n; i++)
      if (buf[i] != '\r' && buf[i] != '\n') return false;
  }
}

// ---------------------------------------------------------------- read steps

// About how many lines the raw file holds: its size over the length of the
// lines at its start. Read before the reader starts, the handle then at the
// start again; 0 when the file cannot tell.
const size_t kGuessLinesMin = 65536;

size_t uGuessLines(uint32_t hFile) {
  vMboReleaseLineBuffer(hFile);
  LONG lSize = _llseek((HFILE)hFile, 0, FILE_END);
  if (_llseek((HFILE)hFile, 0, FILE_BEGIN) != 0 || lSize <= 0) return 0;
  char buf[16 * 1024];
  UINT n = _lread((HFILE)hFile, buf, sizeof buf);
  _llseek((HFILE)hFile, 0, FILE_BEGIN);
  if (n == 0 || n == (UINT)HFILE_ERROR) return 0;
  size_t ends = 0;
  for (UINT i = 0; i < n; i++) ends += buf[i] == '\n';
  return (size_t)((double)lSize * (double)(ends ? ends : 1) / (double)n);
}

// The reader states every read starts from: no KOF mode, empty extra-field
// lists, no code-driven line, and the coded-line builder with automatic
// lines by number and no pending line number.
void vResetReaderStates(void) {
  vMboRecSetKofMode(0);
  vMboExtraFieldsInitAll();
  vMboCodeLineReset();
  boMboLineInit(0);
  vMboLineCommand(MBO_LINE_AUTO_BY_NO, "", "");
  vMboLineSetLineNo(nullptr);
}

// After the reader, in this order: the last record, the pending levelling
// observation, the open GPS and coordinate stations, two-face reduction and
// empty stations, the code-driven lines (control code 99 ends them), the
// coded lines, the extra fields, and the point-ID parts.
void vFinishRead(void) {
  vMboFlushPending();
  vMboLevFlush();
  vMboRecForgetGpsVector();
  vMboRecForgetCoordStation();
  vMboRecAverageObservations();
  boMboApplyControlCode(99, "", "");
  vMboLineFinish();
  vMboExtraFieldsFreeAll();
  vMboNormalizePidParts();
}

// The raw writer into a new file that replaces the raw file only when the
// writer finished, wrote something, and every write succeeded.
bool boWriteRaw(MboRawWriterFn pfnRaw, const char* sRaw) {
  PathOutFile out;
  if (!boPathOutBegin(&out, sRaw)) {
    vWarnNotWritten(sRaw, sPathErrorText(GetLastError()));
    return false;
  }
  g_mboTransfer.hRaw = out.boDirect ? hMboCreateFile(out.sWrite) : hMboOpenFile(out.sWrite, OF_READWRITE);
  if (!g_mboTransfer.hRaw) {
    DWORD uErr = GetLastError();
    boPathOutEnd(&out, false);
    vWarnNotWritten(sRaw, sPathErrorText(uErr));
    return false;
  }
  g_mboTransfer.uWriteError = 0;
  vGatherWrites(g_mboTransfer.hRaw);
  bool boDone = pfnRaw(g_mboTransfer.hRaw);
  boMboFlushWrites(g_mboTransfer.hRaw);
  // A device has no size to tell; a file's end also hands the last bytes to
  // the system.
  LONG lSize = out.boDirect ? 1 : _llseek((HFILE)g_mboTransfer.hRaw, 0, FILE_END);
  if (lSize == HFILE_ERROR) vNoteWriteError();
  HFILE h = (HFILE)g_mboTransfer.hRaw;
  vMboReleaseLineBuffer(g_mboTransfer.hRaw);
  g_mboTransfer.hRaw = 0;
  if (_lclose(h) != 0) vNoteWriteError();
  const char* sReason = nullptr;
  if (g_mboTransfer.uWriteError)
    sReason = sPathErrorText(g_mboTransfer.uWriteError);
  else if (g_mboTransfer.uAbort || !boDone)
    sReason = sKvxPoGetText("Cancelled");
  else if (lSize == 0)
    sReason = sKvxPoGetText("Nothing to write");
  if (!boPathOutEnd(&out, !sReason) && !sReason) sReason = sPathErrorText(GetLastError());
  if (!sReason) return true;
  vWarnNotWritten(sRaw, sReason);
  return false;
}

}  // namespace

// ---------------------------------------------------------------- files

uint32_t hMboCreateFile(const char* sPath) { return sPath ? hFromPlatform(_lcreat(sPath, 0)) : 0; }

uint32_t hMboOpenFile(const char* sPath, int iMode) { return sPath ? hFromPlatform(_lopen(sPath, iMode)) : 0; }

void vMboCloseFile(uint32_t* phFile) {
  if (!phFile || !*phFile) return;
  boMboFlushWrites(*phFile);
  vMboReleaseLineBuffer(*phFile);
  _lclose((HFILE)*phFile);
  *phFile = 0;
}

bool boMboCloseDeleteIfEmpty(uint32_t* phFile, const char* sPath) {
  if (!phFile || !*phFile) return false;
  boMboFlushWrites(*phFile);
  LONG lSize = _llseek((HFILE)*phFile, 0, FILE_END);
  vMboCloseFile(phFile);
  if (lSize != 0 || !sPath) return false;
  return DeleteFileA(sPath) != 0;
}

bool boMboFileExists(const char* sPath) { return sPath && *sPath && boPathExists(sPath); }

// ---------------------------------------------------------------- waiting

bool boMboPumpMessage(void) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    // The quit request belongs to the host's loop: leave it there and stop
    // the transfer.
    PostQuitMessage((int)msg.wParam);
    g_mboTransfer.uAbort = 1;
    return false;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

bool boMboUserAborted(void) {
  boMboPumpMessage();
  return g_mboTransfer.uAbort != 0;
}

void vMboSetAbort(bool boAbort) { g_mboTransfer.uAbort = boAbort ? 1u : 0u; }

void vMboSetStatusWindow(HWND hWnd) { g_mboTransfer.hStatus = hWnd; }

HWND hMboGetStatusWindow(void) { return g_mboTransfer.hStatus; }

void vMboShowStatusText(const char* sText) {
  if (!g_mboTransfer.hStatus) return;
  SetDlgItemTextA(g_mboTransfer.hStatus, 1006, sStrNotNull(sText));
  while (boMboPumpMessage()) {
  }
}

void vMboShowWaitingForData(void) { vMboShowStatusText(sKvxPoGetText("Waiting for data from fieldbook")); }

void vMboWaitMs(uint32_t uMs) {
  DWORD uStart = GetTickCount();
  while (GetTickCount() - uStart < uMs)
    if (!boMboPumpMessage()) Sleep(1);
}

void vMboWaitSeconds(uint32_t uSeconds) { vMboWaitMs(uSeconds * 1000u); }

void vMboTimeoutError(void) { vMsgWarning(sKvxPoGetText("ERROR! Timeout, try again")); }

// ---------------------------------------------------------------- text

namespace {
bool boDigit(char c) { return c >= '0' && c <= '9'; }
bool boSign(char c) { return c == '+' || c == '-'; }
const char* sSkipBlanks(const char* s) {
  while (*s == ' ') s++;
  return s;
}
}  // namespace

bool boMboIsNumber(const char* sText) {
  if (!sText) return false;
  const char* s = sSkipBlanks(sText);
  if (boDigit(s[0])) return true;
  if (boSign(s[0])) return boDigit(s[1]) || (s[1] == '.' && boDigit(s[2]));
  if (s[0] == '.') return boDigit(s[1]) || (boSign(s[1]) && boDigit(s[2]));
  return false;
}

bool boMboFiniteNumber(const char* sText, double* pdValue) {
  if (!sText) return false;
  const char* s = sText;
  while (*s == ' ' || *s == '\t') s++;
  // The usual number in one pass: the parser's end with nothing but blanks
  // after it. A text that starts like a decimal (not hexadecimal) and that
  // the parser takes whole is one of the notation below.
  const char* p = s + boSign(*s);
  if ((boDigit(*p) || *p == '.') && !(p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))) {
    char* end;
    double v = dNumParseEndC(s, &end);
    const char* q = end;
    while (*q == ' ' || *q == '\t') q++;
    if (end > s && !*q) {
      if (!std::isfinite(v)) return false;
      if (pdValue) *pdValue = v;
      return true;
    }
  }
  // Anything else by the notation's rules.
  p = s;
  if (boSign(*p)) p++;
  int digits = 0;
  for (; boDigit(*p); p++) digits++;
  if (*p == '.')
    for (p++; boDigit(*p); p++) digits++;
  if (!digits) return false;
  if (*p == 'e' || *p == 'E') {
    p++;
    if (boSign(*p)) p++;
    if (!boDigit(*p)) return false;
    while (boDigit(*p)) p++;
  }
  while (*p == ' ' || *p == '\t') p++;
  if (*p) return false;
  double v = dNumParseC(s);
  if (!std::isfinite(v)) return false;
  if (pdValue) *pdValue = v;
  return true;
}

bool boMboIsInteger(const char* sText) {
  if (!sText) return false;
  const char* s = sSkipBlanks(sText);
  return boDigit(s[0]) || (boSign(s[0]) && boDigit(s[1]));
}

bool boMboIsAllChar(const char* sText, char c) {
  for (const char* s = sStrNotNull(sText); *s; s++)
    if (*s != c) return false;
  return true;
}

void vMboTrimLeft(char* sText) {
  if (!sText) return;
  const char* s = sSkipBlanks(sText);
  if (s != sText) memmove(sText, s, strlen(s) + 1);
}

namespace {
// The first iEnd bytes of s without the blanks at either end, in scratch
// memory.
const char* sTrimCopyOf(const char* s, size_t iEnd) {
  size_t iStart = 0;
  while (iStart < iEnd && s[iStart] == ' ') iStart++;
  while (iEnd > iStart && s[iEnd - 1] == ' ') iEnd--;
  char* sOut = pStrScratchAlloc((uint64_t)(iEnd - iStart) + 1);
  if (!sOut) return "";
  // The text may be an older scratch result that this one wraps over.
  memmove(sOut, s + iStart, iEnd - iStart);
  sOut[iEnd - iStart] = 0;
  return sOut;
}
}  // namespace

const char* sMboTrimCopy(const char* sText, int n) {
  // The blanks at both ends are found first: one pass and one copy of what
  // stays, for the many fields of every line.
  const char* s = sStrNotNull(sText);
  return sTrimCopyOf(s, strnlen(s, (size_t)std::max(n, 0)));
}

const char* sMboSubString(const char* sText, int iOffset, int iLen) {
  const char* s = sStrNotNull(sText);
  if (iOffset < 0 || iLen < 0 || iLen >= 129) return "";
  // One count tells both whether the field begins inside the text and how
  // much of it there is.
  size_t iHave = strnlen(s, (size_t)iOffset + (size_t)std::max(iLen, 1));
  if (iHave <= (size_t)iOffset) return "";
  return sTrimCopyOf(s + iOffset, std::min(iHave - (size_t)iOffset, (size_t)iLen));
}

const char* sMboColumns(const char* sLine, int iFrom, int iTo) {
  return sMboSubString(sLine, iFrom - 1, iTo - iFrom + 1);
}

const char* sMboDateFromDdMmYy(const char* sText) {
  const char* s = sStrNotNull(sText);
  if (strlen(s) != 6) return "";
  auto two = [&](int i) { return boDigit(s[i]) && boDigit(s[i + 1]) ? (s[i] - '0') * 10 + (s[i + 1] - '0') : 0; };
  int iDay = two(0), iMonth = two(2), iYear = two(4);
  if (iDay < 1 && iMonth < 1 && iYear < 1) return "";
  iYear += iYear < 53 ? 2000 : 1900;
  return sStrTemp(sStrFormat("%04d.%02d.%02d", iYear, iMonth, iDay));
}

void vMboCharUpper(char* sText) {
  if (sText) CharUpperA(sText);
}

void vMboClearText(char* sText, int) {
  if (sText) sText[0] = 0;
}

// ---------------------------------------------------------------- report

void vMboReport(uint32_t hSide, const char* sTitle, const char* sValue) {
  if (!hSide) return;
  boMboWriteLine(hSide, sStrFormat("%s : %s", sKvxPoGetText(sStrNotNull(sTitle)), sStrNotNull(sValue)));
}

bool boMboWriteDrillholeInfo(uint32_t hSide, MboDrillhole* pHole, const char* sProject) {
  if (!pHole || !pHole->top.boCaptured || !pHole->bottom.boCaptured) return false;
  if (hSide) {
    if (sProject) {
      char sLine[160];
      sStrPrintN(sLine, (int)sizeof sLine, "PROJECT: %s", sProject);
      boMboWriteLine(hSide, sLine);
    }
    char sBottom[MBO_ID_SIZE];
    char sTop[MBO_ID_SIZE];
    sStrCopyN(sBottom, pHole->bottom.sName, (int)sizeof sBottom);
    sStrCopyN(sTop, pHole->top.sName, (int)sizeof sTop);
    vMboConvertPointNoPrefix(&g_mboTransfer.settings, sBottom, (int)sizeof sBottom);
    vMboConvertPointNoPrefix(&g_mboTransfer.settings, sTop, (int)sizeof sTop);
    // Names of 99 characters and a distance of up to about 310 digits: the
    // buffer takes them all; anything longer is cut, never overrun.
    char sLine[1024];
    sStrPrintN(sLine, (int)sizeof sLine, "DRILLHOLE_INFO_78_77_DIST: \"%s\" \"%s\" %.4lf", sBottom, sTop, pHole->dDist);
    if (pHole->dLength != 0) sStrCatN(sLine, sStrFormat(" HoleLength=%.3lf", pHole->dLength), (int)sizeof sLine);
    if (pHole->boVdir) sStrCatN(sLine, sStrFormat(" HoleVdir=%.3lf", pHole->dVdir), (int)sizeof sLine);
    boMboWriteLine(hSide, sLine);
  }
  memset(pHole, 0, sizeof *pHole);
  return true;
}

// ---------------------------------------------------------------- operations

bool boMboWriteRawFile(MboSettings* pSet) {
  g_mboTransfer.uAbort = 0;
  if (!pSet) return false;
  int iInstr = (int)pSet->uInstrument;
  MboRawWriterFn pfnRaw = pMboGetRawWriter(iInstr);
  MboXmlWriterFn pfnXml = pfnRaw ? nullptr : pMboGetXmlWriter(iInstr);
  if (!pfnRaw && !pfnXml) return false;
  const char* sRaw = g_mboTransfer.sRawPath;
  if (boMboFileExists(sRaw) && !boMsgOkCancel(sStrFormat(sKvxPoGetText("Overwrite file:\n%s"), sRaw), true))
    return false;
  // A writer of points alone reads them through uMboPointPlace, which leaves
  // a value that is not finite out itself: the pass over every point and
  // vertex is for the others.
  MboHideNonFinite hide(!boMboWritesPointsOnly(iInstr));
  MboLeftOutWarning leftOut;
  MboIndexPass pass;  // writers look vertices' points up by name
  if (boMboNeedsVertexIds(iInstr)) vMboGiveVertexIds();
  if (pfnXml) {
    SetLastError(ERROR_SUCCESS);
    if (pfnXml(sRaw)) {
      vWarnSurveyNotWritten();
      return true;
    }
    DWORD uErr = GetLastError();
    vWarnNotWritten(sRaw, uErr ? sPathErrorText(uErr) : "");
    return false;
  }
  return boWriteRaw(pfnRaw, sRaw);
}

bool boMboReceiveRawFile(MboSettings* pSet, const char* sName) {
  g_mboTransfer.uAbort = 0;
  if (!pSet) return false;
  MboReceiverFn pfn = pMboGetReceiver((int)pSet->uInstrument);
  if (!pfn) return false;
  const char* sRaw = g_mboTransfer.sRawPath;
  if (boMboFileExists(sRaw) && !boRawInSideFolder() &&
      !boMsgOkCancel(sStrFormat(sKvxPoGetText("Delete file: %s?"), sRaw), false))
    return false;
  g_mboTransfer.hRaw = hMboCreateFile(sRaw);
  if (!g_mboTransfer.hRaw) {
    vWarnCannotOpenRaw();
    return false;
  }
  if (boMboIsGeodatInstrument())
    iMboRunGeodatIoDialog(0, g_mboTransfer.hStatus);
  else
    pfn(sName);
  // Nothing but the closing empty line means nothing arrived: no raw file,
  // and no success to report.
  bool boNoData = boOnlyLineEnds(g_mboTransfer.hRaw);
  vMboCloseFile(&g_mboTransfer.hRaw);
  if (boNoData) DeleteFileA(sRaw);
  return !boNoData;
}

bool boMboSendRawFile(MboSettings* pSet, const char* sName) {
  g_mboTransfer.uAbort = 0;
  if (!pSet) return false;
  MboSenderFn pfn = pMboGetSender((int)pSet->uInstrument);
  if (!pfn) return false;
  g_mboTransfer.hRaw = hMboOpenFile(g_mboTransfer.sRawPath, OF_READ);
  if (!g_mboTransfer.hRaw) {
    vWarnCannotOpenRaw();
    return false;
  }
  if (boMboIsGeodatInstrument())
    iMboRunGeodatIoDialog(1, g_mboTransfer.hStatus);
  else
    pfn(sName);
  vMboCloseFile(&g_mboTransfer.hRaw);
  return true;
}

bool boMboReadRawFile(MboSettings* pSet) {
  g_mboTransfer.uAbort = 0;
  if (!pSet) return false;
  int iInstr = (int)pSet->uInstrument;
  MboRawReaderFn pfnRaw = pMboGetRawReader(iInstr);
  MboFileReaderFn pfnPath = pfnRaw ? nullptr : pMboGetFileReader(iInstr);
  if (!pfnRaw && !pfnPath) return false;
  const char* sRaw = g_mboTransfer.sRawPath;
  // The side file is created (truncated) before the reader runs: it must
  // never be the raw file itself.
  if (boPathSame(sRaw, g_mboTransfer.sSidePath)) {
    vWarnCannotOpenRaw();
    return false;
  }
  // The raw file is opened before the field book is emptied: a wrong path
  // must not cost the user the previous import.
  if (pfnRaw) {
    g_mboTransfer.hRaw = hMboOpenFile(sRaw, OF_READ);
    if (!g_mboTransfer.hRaw) {
      vWarnCannotOpenRaw();
      return false;
    }
  } else if (!boMboFileExists(sRaw)) {
    vWarnCannotOpenRaw();
    return false;
  }
  // An XML document is parsed first: one that cannot be read must not cost
  // the previous import either.
  MboReadPrepareFn pfnPrepare = pMboGetReadPrepare(iInstr);
  if (pfnPrepare && !pfnPrepare(sRaw)) {
    vMboCloseFile(&g_mboTransfer.hRaw);
    return false;
  }
  vMboResetFieldBook();
  g_mboTransfer.hSide = hMboCreateFile(g_mboTransfer.sSidePath);
  if (!g_mboTransfer.hSide) vMsgWarning(sStrFormat("ERROR! Cannot create file:%s", g_mboTransfer.sSidePath));
  // Readers write a report line per record or so: the side file's bytes are
  // gathered like a writer's raw file and go out at its close.
  if (g_mboTransfer.hSide) vGatherWrites(g_mboTransfer.hSide);
  bool boRead;
  {
    MboIndexPass pass;
    // The point index of a large import is made large at once: most text
    // formats make a point for nearly every line, a few for every second
    // one or less (a table twice as large as they need, then, at most one
    // step of its growth). A small one grows as before, at no cost worth a
    // larger table.
    size_t uLines = pfnRaw ? uGuessLines(g_mboTransfer.hRaw) : 0;
    if (uLines >= kGuessLinesMin) vMboIndexExpect(uLines / 4 * 3);
    vResetReaderStates();
    boRead = pfnRaw ? pfnRaw(g_mboTransfer.hRaw, g_mboTransfer.hSide) : pfnPath(sRaw, g_mboTransfer.hSide);
    vFinishRead();
  }
  boMboCloseDeleteIfEmpty(&g_mboTransfer.hSide, g_mboTransfer.sSidePath);
  vMboCloseFile(&g_mboTransfer.hRaw);
  // Only the readers that parse first tell a failed read; the others'
  // results mean nothing.
  return !pfnPrepare || boRead;
}

// ---------------------------------------------------------------- direct calls

namespace {

// The instrument of a path's extension for a direct read: 0 when unknown.
int iInstrumentFromExtension(const char* sPath) {
  char sExt[MBO_PATH_SIZE];
  sPathGetExt(sPath, sExt, (int)sizeof sExt);
  if (iStrCmpNoCase(sExt, "xml") == 0) return 29;
  if (iStrCmpNoCase(sExt, "kof") == 0) return 98;
  if (iStrCmpNoCase(sExt, "vml") == 0) return 100;
  return 0;
}

// Runs one direct operation inside a context of its own: the instrument's
// own settings become the global copy the drivers read, and at the end the
// copy keeps no reference into the torn-down context or the host's record.
template <class Op>
int32_t iRunDirect(MboHostRec* pHost, int iInstrument, const char* sPath, Op op) {
  if (!boMboFieldBookReady() || !sPath) return 0;
  MboSettings set;
  if (!boMboSetupTransfer(&set, pHost)) return 0;
  set.uInstrument = (uint32_t)iInstrument;
  vMboSettingsLoad(&set, false);
  g_mboTransfer.settings = set;
  bool boOk = boMboSetRawFilePath(sPath) && op();
  vMboTeardownTransfer(&set);
  g_mboTransfer.settings.pHost = nullptr;
  return boOk ? 1 : 0;
}

void vRememberRawFile(const char* sPath) { sStrCopyN(g_mboTransfer.sRawFileName, sPath, MBO_PATH_SIZE); }

}  // namespace

BOOL boKvxMboReadRawDirect(MboHostRec* host, int32_t instrument, const char* path) {
  try {
    int iInstr = instrument == 0 && path ? iInstrumentFromExtension(path) : instrument;
    return iRunDirect(host, iInstr, path, [&] {
      bool boOk = boMboReadRawFile(&g_mboTransfer.settings);
      vRememberRawFile(path);
      return boOk;
    });
  } catch (...) {
    return 0;
  }
}

BOOL boKvxMboWriteRawDirect(MboHostRec* host, uint32_t instrument, const char* path) {
  try {
    return iRunDirect(host, (int)instrument, path, [&] {
      vRememberRawFile(path);
      return boMboWriteRawFile(&g_mboTransfer.settings);
    });
  } catch (...) {
    return 0;
  }
}

BOOL boMboGetLastReadRawFile(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  sStrCopyN(buffer, g_mboTransfer.sRawFileName, size);
  return 1;
}
