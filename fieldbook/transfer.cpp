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
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"

namespace {

// ---------------------------------------------------------------- files

uint32_t hFromPlatform(HFILE h) { return h == HFILE_ERROR || h < 0 ? 0u : (uint32_t)h; }

void vWarnCannotOpenRaw(void) { vMsgWarning(sKvxPoGetText("ERROR! Cannot open raw-file")); }

// Keeps the first failed write's reason for the running write operation.
void vNoteWriteError(void) {
  if (g_mboTransfer.uWriteError) return;
  DWORD uErr = GetLastError();
  g_mboTransfer.uWriteError = uErr ? uErr : ERROR_WRITE_FAULT;
}

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

void vGatherWrites(uint32_t hFile) {
  g_writeBuf.hFile = hFile;
  g_writeBuf.uLen = 0;
}

// A write that failed names the file and why; the old file is unchanged.
void vWarnNotWritten(const char* sPath, const char* sReason) {
  vMsgWarning(sStrFormat(sKvxPoGetText("ERROR! File not written:\n%s\n%s"), sPath, sStrNotNull(sReason)));
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

// ---------------------------------------------------------------- vertex IDs

// The point stands within half a millimetre of (x, y[, z]), with a height
// exactly when the place has one.
bool boPointAt(PoPoint* p, double x, double y, double z, bool b3d) {
  const MboPointData* d = pMboPointGetData(p);
  if (!d || !(d->uFlags & MBO_FLAG_XY)) return false;
  bool boHasZ = (d->uFlags & MBO_FLAG_Z) != 0;
  if (b3d != boHasZ) return false;
  double dx = dPoPointGetX(p) - x, dy = dPoPointGetY(p) - y;
  double dz = b3d ? dPoPointGetZ(p) - z : 0.0;
  return std::sqrt(dx * dx + dy * dy + dz * dz) < 0.0005;
}

// The points by place for one vertex-ID step, so that a vertex looks at the
// points of the two-millimetre cells its tolerance reaches rather than at
// every point: the same answer as pMboFindPointAt (the first point in
// container order within the tolerance). A place within half a millimetre
// of the vertex lies in the vertex's cell or the next one on the side of its
// nearer half, in either axis: four cells with a quarter cell to spare.
// Points with a coordinate that is no finite number never match anything
// and stay out.
//
// The step makes at most a point per vertex, so the table is sized once
// for all of them: one open table of cells and one array of the points in
// container order, each cell the chain of its points in that order. No
// allocation per point and no rehash, and the look-up of an empty cell (the
// most of them) ends at a bit of a map small enough to stay in the cache:
// a long line costs per vertex about what a short one does.
struct PlaceGrid {
  static constexpr double kCell = 0.002;  // four times the tolerance
  // Places farther out share the outermost cells (their look-ups still see
  // every point there); within, the cell of a place is exact to far less
  // than the quarter cell to spare.
  static constexpr double kFar = 1e13;
  struct Entry {
    PoPoint* pPoint;
    uint32_t uNext;  // the next entry of the cell plus one, 0: the last
  };
  struct Cell {
    uint64_t uKey;
    uint32_t uFirst, uLast;  // entries plus one; uFirst 0: a free slot
  };
  std::vector<Entry> entries;  // in container order
  std::vector<Cell> cells;     // a power of two in size, at most half full
  std::vector<uint64_t> bits;  // a bit per hash of a used cell's key
  int iShift = 64, iBitShift = 64;

  static int64_t iCell(double v) {
    double c = std::floor(v / kCell);
    return (int64_t)std::fmax(-kFar, std::fmin(kFar, c));
  }
  // The two columns (or rows) that a place within the tolerance of v may
  // fall in.
  static void vSpan(double v, int64_t* a) {
    double q = v / kCell, c = std::floor(q);
    if (c >= kFar) {
      a[0] = (int64_t)kFar - 1;
    } else if (c <= -kFar) {
      a[0] = -(int64_t)kFar;
    } else {
      a[0] = q - c < 0.5 ? (int64_t)c - 1 : (int64_t)c;
    }
    a[1] = a[0] + 1;
  }
  static uint64_t uKey(int64_t ix, int64_t iy) { return (uint64_t)ix * 0x9E3779B97F4A7C15ull + (uint64_t)iy; }
  static uint64_t uHash(uint64_t k) {
    k ^= k >> 31;
    k *= 0xBF58476D1CE4E5B9ull;
    k ^= k >> 29;
    return k;
  }

  // Made at the first vertex that looks a place up: a write of named
  // vertices only needs none.
  bool boBuilt = false;
  // Every point there is, with room for one more per vertex.
  void vBuild() {
    boBuilt = true;
    size_t uRoom = g_pMboPoints ? (size_t)std::max(0, iPoPointsGetCount(g_pMboPoints)) : 0;
    if (g_pMboLines)
      for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l))
        uRoom += (size_t)std::max(0, iLiElmGetCount(l));
    if (g_pMboPolygons)
      for (YgPolygon* y = YgPolygonsGetFirst(g_pMboPolygons); y; y = YgPolygonsGetNext(g_pMboPolygons, y))
        uRoom += (size_t)std::max(0, iYgElmGetCount(y));
    vReserve(uRoom);
    if (g_pMboPoints)
      for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) vAdd(p);
  }

  // Room for n points in all.
  void vReserve(size_t n) {
    entries.reserve(n);
    size_t want = std::bit_ceil(std::max<size_t>(2 * n, 64));
    if (want <= cells.size()) return;
    std::vector<Cell> old;
    old.swap(cells);
    cells.assign(want, Cell{0, 0, 0});
    // About 16 bits per point: a look-up of an empty cell rarely goes on to
    // the table.
    bits.assign(std::max<size_t>(want / 8, 1), 0);
    iShift = 64 - std::countr_zero(want);
    iBitShift = 64 - std::countr_zero(want * 8);
    for (const Cell& c : old)
      if (c.uFirst) {
        *pSlot(c.uKey) = c;
        vMark(c.uKey);
      }
  }
  void vMark(uint64_t uKey) {
    uint64_t b = uHash(uKey) >> iBitShift;
    bits[b >> 6] |= uint64_t{1} << (b & 63);
  }
  Cell* pSlot(uint64_t uKey) {
    size_t mask = cells.size() - 1;
    for (size_t i = (size_t)(uHash(uKey) >> iShift);; i = (i + 1) & mask)
      if (!cells[i].uFirst || cells[i].uKey == uKey) return &cells[i];
  }
  const Cell* pCellOf(uint64_t uKey) const {
    uint64_t h = uHash(uKey);
    uint64_t b = h >> iBitShift;
    if (!(bits[b >> 6] >> (b & 63) & 1)) return nullptr;
    size_t mask = cells.size() - 1;
    for (size_t i = (size_t)(h >> iShift);; i = (i + 1) & mask) {
      if (!cells[i].uFirst) return nullptr;
      if (cells[i].uKey == uKey) return &cells[i];
    }
  }

  // Appends a point (the container's last one).
  void vAdd(PoPoint* p) {
    const MboPointData* d = pMboPointGetData(p);
    if (!d || !(d->uFlags & MBO_FLAG_XY)) return;
    double x = dPoPointGetX(p), y = dPoPointGetY(p);
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (2 * (entries.size() + 1) > cells.size()) vReserve(2 * (entries.size() + 1));
    entries.push_back({p, 0});
    uint32_t uAt = (uint32_t)entries.size();
    uint64_t k = uKey(iCell(x), iCell(y));
    Cell* c = pSlot(k);
    if (c->uFirst) {
      entries[c->uLast - 1].uNext = uAt;
    } else {
      *c = Cell{k, uAt, 0};
      vMark(k);
    }
    c->uLast = uAt;
  }
  PoPoint* pFind(double x, double y, double z, bool b3d) const {
    if (!std::isfinite(x) || !std::isfinite(y) || entries.empty()) return nullptr;
    int64_t ax[2], ay[2];
    vSpan(x, ax);
    vSpan(y, ay);
    uint32_t uBest = 0;  // entry plus one
    for (int64_t ix : ax)
      for (int64_t iy : ay) {
        const Cell* c = pCellOf(uKey(ix, iy));
        // In container order: the first match of a cell is its only one
        // that counts.
        for (uint32_t u = c ? c->uFirst : 0; u && (!uBest || u < uBest); u = entries[u - 1].uNext)
          if (boPointAt(entries[u - 1].pPoint, x, y, z, b3d)) {
            uBest = u;
            break;
          }
      }
    return uBest ? entries[uBest - 1].pPoint : nullptr;
  }
};

// "<prefix>_<object id>_<n>" in at most 99 characters: the object ID is
// shortened so that the number stays whole and the IDs stay distinct. An
// unnamed object's vertices take its place in its container instead
// ("L__2_1": the second line's first vertex), or every unnamed line would
// name the same points.
void vMakeVertexId(char* sOut, char cPrefix, const char* sObjId, int iObject, int n) {
  // Put together here rather than printed: a line may have a million.
  char sNum[12], *pNumEnd;
  sNumIntToStr(sNum, n, &pNumEnd);
  size_t uNum = (size_t)(pNumEnd - sNum);
  char* p = sOut;
  *p++ = cPrefix;
  *p++ = '_';
  const char* sId = sStrNotNull(sObjId);
  if (!*sId) {
    *p++ = '_';
    sNumIntToStr(p, iObject, &p);
  } else {
    size_t uLen = strnlen(sId, MBO_ID_SIZE - 1 - 3 - uNum);
    memcpy(p, sId, uLen);
    p += uLen;
  }
  *p++ = '_';
  memcpy(p, sNum, uNum + 1);
}

// A vertex without an ID: a point at its place gives it one, else a new
// point does.
void vGiveVertexId(PlaceGrid& grid, MboElmData* pElm, const GeoPnt3& p, bool b3d, char cPrefix, const char* sObjId,
                   int iObject, int n) {
  bool boHasXY = (pElm->uFlags & MBO_FLAG_XY) != 0;
  if (boHasXY && !grid.boBuilt) grid.vBuild();
  // A vertex without XY stands nowhere: matching it at (0, 0) would be a
  // guess, and its point gets no coordinates.
  PoPoint* pFound = boHasXY ? grid.pFind(p.x, p.y, p.z, b3d) : nullptr;
  if (pFound) {
    sStrCopyN(pElm->sPid, sMboGetPointPID(pFound), MBO_ID_SIZE);
    return;
  }
  char sId[MBO_ID_SIZE];
  vMakeVertexId(sId, cPrefix, sObjId, iObject, n);
  sStrCopyN(pElm->sPid, sId, MBO_ID_SIZE);
  PoPoint* pNew = KvxMboNewPoint(sId);
  if (!pNew) return;
  if (boHasXY) {
    vMboSetPointXY(pNew, p.x, p.y);
    // Nor does a vertex without a height give its point one.
    if (b3d && (pElm->uFlags & MBO_FLAG_Z)) vMboSetPointZ(pNew, p.z);
  }
  // Before the grid is made, its making finds the point in the container.
  if (grid.boBuilt) grid.vAdd(pNew);
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

// ---------------------------------------------------------------- lines

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

bool boMboWriteLineAsIs(uint32_t hFile, const char* sText) {
  if (!hFile) return false;
  const char* s = sStrNotNull(sText);
  bool boWhole = boMboWriteBytes(hFile, s, (uint32_t)strlen(s));
  return boMboWriteBytes(hFile, "\r\n", 2) && boWhole;
}

bool boMboWriteOk(void) { return !g_mboTransfer.uWriteError && !g_mboTransfer.uAbort; }

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

// ---------------------------------------------------------------- points

PoPoint* pMboFindPointAt(double x, double y, double z, bool b3d) {
  if (!g_pMboPoints) return nullptr;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p))
    if (boPointAt(p, x, y, z, b3d)) return p;
  return nullptr;
}

void vMboGiveVertexIds(void) {
  MboIndexPass pass;
  PlaceGrid grid;
  if (g_pMboLines) {
    int k = 0;
    for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l)) {
      bool b3d = boLiLineIs3d(l);
      int n = 0;
      ++k;
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        MboElmData* d = pMboElmGetData(l, e);
        ++n;
        if (!d || d->sPid[0]) continue;  // named: its place is not asked for
        GeoPnt3 p;
        vLiElmGetP(l, e, &p);
        vGiveVertexId(grid, d, p, b3d, 'L', sMboGetLineObjID(l), k, n);
      }
    }
  }
  if (g_pMboPolygons) {
    int k = 0;
    for (YgPolygon* y = YgPolygonsGetFirst(g_pMboPolygons); y; y = YgPolygonsGetNext(g_pMboPolygons, y)) {
      bool b3d = boYgPolygonIs3d(y);
      int n = 0;
      ++k;
      for (YgElm* e = YgElmGetFirst(y); e; e = YgElmGetNext(y, e)) {
        MboElmData* d = (MboElmData*)YgElmGetData(y, e);
        ++n;
        if (!d || d->sPid[0]) continue;
        GeoPnt3 p;
        vYgElmGetP(y, e, &p);
        vGiveVertexId(grid, d, p, b3d, 'A', sMboGetPolygonObjID(y), k, n);
      }
    }
  }
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
    if (pfnXml(sRaw)) return true;
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
