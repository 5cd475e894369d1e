// Vertex IDs before a HeXML write, and point look-ups by place (see
// vertexids.h).
#include "fieldbook/vertexids.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/numbers.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"

namespace {

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
// name the same points. From the second try on, "_<try>" follows the
// number: the ID the first try gave is taken.
void vMakeVertexId(char* sOut, char cPrefix, const char* sObjId, int iObject, int n, int iTry) {
  // Put together here rather than printed: a line may have a million.
  char sNum[24], *pNumEnd;
  sNumIntToStr(sNum, n, &pNumEnd);
  if (iTry > 1) {
    *pNumEnd++ = '_';
    sNumIntToStr(pNumEnd, iTry, &pNumEnd);
  }
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
  // A made-up ID that a point already has (a point named so, or another
  // object's vertex: a line named "_1" beside the first unnamed one) would
  // give the vertex that point.
  char sId[MBO_ID_SIZE];
  for (int iTry = 1;; iTry++) {
    vMakeVertexId(sId, cPrefix, sObjId, iObject, n, iTry);
    if (!pMboFindPoint(sId)) break;
  }
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
}  // namespace

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
