// The field book's containers and the object interface.
#include "fieldbook/model.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/convert.h"
#include "fieldbook/levelling.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/record.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"

PoPoints* g_pMboPoints = nullptr;
LiLines* g_pMboLines = nullptr;
YgPolygons* g_pMboPolygons = nullptr;
TrNets* g_pMboNets = nullptr;

namespace {

// Set when a point or vertex ID with a dot was stored since the field book
// was last emptied.
bool g_boDottedId = false;

// A copy of an ID as it is stored: at most 99 characters.
void vCopyId(char* dest, const char* id) {
  id = sStrNotNull(id);
  size_t len = strnlen(id, MBO_ID_SIZE - 1);
  if (!g_boDottedId && memchr(id, '.', len)) g_boDottedId = true;
  memmove(dest, id, len);
  dest[len] = '\0';
}

bool boSameId(const char* stored, const char* id) { return strncmp(stored, id, MBO_ID_SIZE - 1) == 0; }

// The plain walk: the first point in creation order with the ID.
PoPoint* pWalkFindPoint(const char* pid) {
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    MboPointData* data = pMboPointGetData(p);
    if (data && boSameId(data->sPid, pid)) return p;
  }
  return nullptr;
}

// hint: from the index's look-up of pid that found nothing, or null.
PoPoint* pCreatePoint(const char* pid, const MboIndexHint* hint) {
  PoPoint* point = PoPointsCreatePoint(g_pMboPoints);
  MboPointData* data = pMboPointGetData(point);
  if (!data) return point;
  if (pid) vCopyId(data->sPid, pid);
  vMboIndexPointAdded(point, hint);
  return point;
}

void vSetObjId(MboLineData* data, const char* objId) {
  if (data && objId) vCopyId(data->sObjId, objId);
}

const char* sObjId(const MboLineData* data) { return data ? data->sObjId : ""; }

// The first object of the container, in creation order, with the ID.
template <typename Container, typename Obj>
Obj* pFindObj(Container* container, Obj* (*first)(Container*), Obj* (*next)(Container*, Obj*),
              MboLineData* (*data)(Obj*), const char* objId) {
  if (!objId || !container) return nullptr;
  for (Obj* o = first(container); o; o = next(container, o))
    if (boSameId(sObjId(data(o)), objId)) return o;
  return nullptr;
}

// The sum of count over the container's objects.
template <typename Container, typename Obj>
int iSumOver(Container* container, Obj* (*first)(Container*), Obj* (*next)(Container*, Obj*), int (*count)(Obj*)) {
  int n = 0;
  if (!container) return 0;
  for (Obj* o = first(container); o; o = next(container, o)) n += count(o);
  return n;
}

}  // namespace

// ---------------------------------------------------------------------------
// Life of the field book

void vMboInitFieldBook(void) {
  vMboInitStationLists();
  vMboRecClear();
  vMboLevClear();
  g_pMboLines = LiLinesCreate(sizeof(MboLineData), sizeof(MboElmData));
  g_pMboPoints = PoPointsCreate(sizeof(MboPointData));
  g_pMboPolygons = YgPolygonsCreate(sizeof(MboLineData), sizeof(MboElmData));
  g_pMboNets = TrNetsCreate(sizeof(MboLineData));
  vMboIndexClear();
  vMboLineStateClear();
}

bool boMboFieldBookReady(void) { return g_pMboPoints != nullptr; }

bool boMboDottedIdStored(void) { return g_boDottedId; }

void vMboResetFieldBook(void) {
  g_boDottedId = false;
  vMboIndexClear();
  vMboLineStateClear();  // the line builders hold lines that go now
  vMboFreeStationLists();
  vMboRecClear();  // the current stations and observations went with the lists
  // The objects go before their columns: dropping the columns of objects
  // still there would walk them all once more only to shorten their values.
  if (g_pMboPoints) vPoPointsDeletePoints(g_pMboPoints);
  if (g_pMboLines) vLiLinesDeleteLines(g_pMboLines);
  if (g_pMboLines) iViFieldsSetCount(pViLFieldsGet(g_pMboLines), 0);
  if (g_pMboPoints) iViFieldsSetCount(pViPFieldsGet(g_pMboPoints), 0);
  if (g_pMboPolygons) vYgPolygonsDeleteLines(g_pMboPolygons);
  if (g_pMboNets) vTrNetsDeleteNets(g_pMboNets);
  vMboClearJobArea();
}

void vMboFinishFieldBook(void) {
  vMboResetFieldBook();
  if (g_pMboPoints) vPoPointsDelete(g_pMboPoints);
  if (g_pMboLines) vLiLinesDelete(g_pMboLines);
  if (g_pMboPolygons) vYgPolygonsDelete(g_pMboPolygons);
  if (g_pMboNets) vTrNetsDelete(g_pMboNets);
  g_pMboPoints = nullptr;
  g_pMboLines = nullptr;
  g_pMboPolygons = nullptr;
  g_pMboNets = nullptr;
  vMboCloseCoSysObjects();  // and forgets them: a second finish closes nothing
}

// ---------------------------------------------------------------------------
// Creating objects

PoPoint* KvxMboNewPoint(const char* pid) {
  if (!g_pMboPoints) return nullptr;
  return pCreatePoint(pid, nullptr);
}

PoPoint* KvxMboNewOrExistingPoint(const char* pid) {
  if (!g_pMboPoints) return nullptr;
  // An unnamed point is always a new one: merging on "" would pile every
  // unnamed record onto the first unnamed point.
  if (!pid || !*pid) return pCreatePoint(pid, nullptr);
  PoPoint* found = nullptr;
  MboIndexHint hint;
  switch (eMboIndexFind(pid, &found, &hint)) {
    case MBO_INDEX_FOUND:
      return found;
    case MBO_INDEX_ABSENT:
      return pCreatePoint(pid, &hint);
    case MBO_INDEX_UNUSABLE:
      break;
  }
  found = pWalkFindPoint(pid);
  return found ? found : pCreatePoint(pid, nullptr);
}

LiLine* KvxMboNewLine(const char* objId) {
  if (!g_pMboLines) return nullptr;
  LiLine* line = LiLinesCreate3dLine(g_pMboLines);
  vSetObjId(pMboLineGetData(line), objId);
  return line;
}

YgPolygon* KvxMboNewPolygon(const char* objId) {
  if (!g_pMboPolygons) return nullptr;
  YgPolygon* polygon = YgPolygonsCreate3dLine(g_pMboPolygons);
  vSetObjId(pMboPolygonGetData(polygon), objId);
  return polygon;
}

TrNet* KvxMboNewTriangleNet(const char* objId) {
  if (!g_pMboNets) return nullptr;
  TrNet* net = TrNetsCreateNet(g_pMboNets);
  vSetObjId(pMboTriangleNetGetData(net), objId);
  return net;
}

LiElm* KvxMboAddLineElmBefore(LiLine* line, const char* pid, LiElm* before) {
  if (!line) return nullptr;
  LiElm* elm = LiLineAddPoint(line, before);
  MboElmData* data = pMboElmGetData(line, elm);
  if (data && pid) vCopyId(data->sPid, pid);
  return elm;
}

LiElm* KvxMboAddLineElm(LiLine* line, const char* pid) { return KvxMboAddLineElmBefore(line, pid, nullptr); }

YgElm* KvxMboAddPolygonElm(YgPolygon* polygon, const char* pid) {
  if (!polygon) return nullptr;
  YgElm* elm = YgPolygonAddPoint(polygon, nullptr);
  MboElmData* data = pMboElmGetData(polygon, elm);
  if (data && pid) vCopyId(data->sPid, pid);
  return elm;
}

// ---------------------------------------------------------------------------
// Points

BOOL boMboGetPointXY(PoPoint* point, double* x, double* y) {
  MboPointData* data = pMboPointGetData(point);
  if (!data || !(data->uFlags & MBO_FLAG_XY)) return false;
  if (x) *x = dPoPointGetX(point);
  if (y) *y = dPoPointGetY(point);
  return true;
}

BOOL boMboGetPointZ(PoPoint* point, double* z) {
  MboPointData* data = pMboPointGetData(point);
  if (!data || !(data->uFlags & MBO_FLAG_Z)) return false;
  if (z) *z = dPoPointGetZ(point);
  return true;
}

uint32_t uMboPointPlace(PoPoint* point, GeoPnt3* p) {
  MboPointData* data = pMboPointGetData(point);
  if (!data) return 0;
  vPoPointGetP(point, p);
  uint32_t has = data->uFlags & (MBO_FLAG_XY | MBO_FLAG_Z);
  if (!std::isfinite(p->x) || !std::isfinite(p->y)) has &= ~MBO_FLAG_XY;
  if (!std::isfinite(p->z)) has &= ~MBO_FLAG_Z;
  return has;
}

BOOL boMboGetPointXYprecalc(PoPoint* point) {
  MboPointData* data = pMboPointGetData(point);
  return data && !(data->uFlags & MBO_FLAG_XY_MEASURED);
}

BOOL boMboGetPointZprecalc(PoPoint* point) {
  MboPointData* data = pMboPointGetData(point);
  return data && !(data->uFlags & MBO_FLAG_Z_MEASURED);
}

int32_t boMboGetPointDetail(PoPoint* point) {
  MboPointData* data = pMboPointGetData(point);
  return data ? data->iDetail : 0;
}

namespace {

// The first store of a value counts as measured; later ones keep the bit.
MboPointData* pMarkSet(PoPoint* point, uint32_t setBit, uint32_t measuredBit) {
  MboPointData* data = pMboPointGetData(point);
  if (data && !(data->uFlags & setBit)) data->uFlags |= setBit | measuredBit;
  return data;
}

MboPointData* pMarkXYSet(PoPoint* point) { return pMarkSet(point, MBO_FLAG_XY, MBO_FLAG_XY_MEASURED); }

// Precalculated means that the measured bit is clear.
void vSetPrecalc(PoPoint* point, uint32_t measuredBit, int precalc) {
  MboPointData* data = pMboPointGetData(point);
  if (!data) return;
  if (precalc)
    data->uFlags &= ~measuredBit;
  else
    data->uFlags |= measuredBit;
}

}  // namespace

void vMboSetPointX(PoPoint* point, double x) {
  if (pMarkXYSet(point)) vPoPointSetX(point, x);
}

void vMboSetPointY(PoPoint* point, double y) {
  if (pMarkXYSet(point)) vPoPointSetY(point, y);
}

void vMboSetPointXY(PoPoint* point, double x, double y) {
  if (!pMarkXYSet(point)) return;
  vPoPointSetX(point, x);
  vPoPointSetY(point, y);
}

void vMboSetPointZ(PoPoint* point, double z) {
  if (pMarkSet(point, MBO_FLAG_Z, MBO_FLAG_Z_MEASURED)) vPoPointSetZ(point, z);
}

void vMboSetPointXYprecalc(PoPoint* point, int precalc) { vSetPrecalc(point, MBO_FLAG_XY_MEASURED, precalc); }

void vMboSetPointZprecalc(PoPoint* point, int precalc) { vSetPrecalc(point, MBO_FLAG_Z_MEASURED, precalc); }

void vMboSetPointDetail(PoPoint* point, int32_t detail) {
  MboPointData* data = pMboPointGetData(point);
  if (data) data->iDetail = detail;
}

const char* sMboGetPointPID(PoPoint* point) {
  MboPointData* data = pMboPointGetData(point);
  return data ? data->sPid : "";
}

void vMboSetPointPID(PoPoint* point, const char* pid) {
  MboPointData* data = pMboPointGetData(point);
  if (!data) return;
  char old[MBO_ID_SIZE];
  memcpy(old, data->sPid, sizeof old);
  old[MBO_ID_SIZE - 1] = '\0';
  vCopyId(data->sPid, pid);
  vMboIndexPointRenamed(point, old, data->sPid);
}

// ---------------------------------------------------------------------------
// Vertices

BOOL boMboGetElmPID(LiLine* line, LiElm* elm, char* buf, int size) {
  MboElmData* data = pMboElmGetData(line, elm);
  bool named = data && data->sPid[0];
  if (buf && size > 0) sStrCopyN(buf, named ? data->sPid : "", size);
  return named;
}

BOOL boMboGetElmXY(LiLine* line, LiElm* elm, double* x, double* y) {
  MboElmData* data = pMboElmGetData(line, elm);
  if (!data || !(data->uFlags & MBO_FLAG_XY)) return false;
  GeoPnt2 p;
  vLiElmGetP2d(line, elm, &p);
  if (x) *x = p.x;
  if (y) *y = p.y;
  return true;
}

BOOL boMboGetElmZ(LiLine* line, LiElm* elm, double* z) {
  MboElmData* data = pMboElmGetData(line, elm);
  if (!data || !(data->uFlags & MBO_FLAG_Z)) return false;
  GeoPnt3 p;
  vLiElmGetP(line, elm, &p);
  if (z) *z = p.z;
  return true;
}

void vMboSetElmPID(LiLine* line, LiElm* elm, const char* pid) {
  MboElmData* data = pMboElmGetData(line, elm);
  if (data) vCopyId(data->sPid, pid);
}

// Vertices are marked measured on every store, unlike points.
void vMboSetElmXY(LiLine* line, LiElm* elm, double x, double y) {
  MboElmData* data = pMboElmGetData(line, elm);
  if (!data) return;
  GeoPnt2 p{x, y};
  vLiElmSetP2d(line, elm, &p);
  data->uFlags |= MBO_FLAG_XY | MBO_FLAG_XY_MEASURED;
}

void vMboSetElmZ(LiLine* line, LiElm* elm, double z) {
  MboElmData* data = pMboElmGetData(line, elm);
  if (!data) return;
  GeoPnt3 p;
  vLiElmGetP(line, elm, &p);
  p.z = z;
  vLiElmSetP(line, elm, &p);
  data->uFlags |= MBO_FLAG_Z | MBO_FLAG_Z_MEASURED;
}

uint32_t uMboVertexPosition(LiLine* line, LiElm* elm, GeoPnt3* p, PoPoint** found) {
  vLiElmGetP(line, elm, p);
  MboElmData* data = pMboElmGetData(line, elm);
  uint32_t own = data ? data->uFlags & (MBO_FLAG_XY | MBO_FLAG_Z) : 0;
  PoPoint* point = data && data->sPid[0] ? pMboFindPoint(data->sPid) : nullptr;
  if (found) *found = point;
  if (!own && !point) own = MBO_FLAG_XY | (boLiLineIs3d(line) ? MBO_FLAG_Z : 0);
  if ((own & MBO_FLAG_XY) && !(std::isfinite(p->x) && std::isfinite(p->y))) own &= ~MBO_FLAG_XY;
  if ((own & MBO_FLAG_Z) && !std::isfinite(p->z)) own &= ~MBO_FLAG_Z;
  double x, y, z;
  if (!(own & MBO_FLAG_XY) && point && boMboGetPointXY(point, &x, &y) && std::isfinite(x) && std::isfinite(y)) {
    p->x = x;
    p->y = y;
    own |= MBO_FLAG_XY;
  }
  if (!(own & MBO_FLAG_Z) && point && boMboGetPointZ(point, &z) && std::isfinite(z)) {
    p->z = z;
    own |= MBO_FLAG_Z;
  }
  return own;
}

namespace {

// Points, vertices and lines the writers left out during the current write.
int g_iLeftOutPoints, g_iLeftOutVertices, g_iLeftOutLines;

}  // namespace

bool boMboVertexPlaced(LiLine* line, LiElm* elm) {
  GeoPnt3 p;
  return (uMboVertexPosition(line, elm, &p) & MBO_FLAG_XY) != 0;
}

bool boMboLineWritable(LiLine* line) {
  int placed = 0, unplaced = 0;
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) ++(boMboVertexPlaced(line, e) ? placed : unplaced);
  // A line of one vertex is written as it is; one that loses vertices needs
  // two left.
  if (!unplaced) return true;
  g_iLeftOutVertices += unplaced;
  if (placed >= 2) return true;
  ++g_iLeftOutLines;
  return false;
}

bool boMboPointWritable(PoPoint* point) {
  if (boMboGetPointXY(point, nullptr, nullptr)) return true;
  if (boMboGetPointZ(point, nullptr)) ++g_iLeftOutPoints;
  return false;
}

void vMboLeftOutBegin(void) { g_iLeftOutPoints = g_iLeftOutVertices = g_iLeftOutLines = 0; }

void vMboLeftOutWarn(void) {
  if (g_iLeftOutPoints || g_iLeftOutVertices || g_iLeftOutLines)
    vMsgWarning(sStrFormat(sKvxPoGetText("Not written for want of a position: %d points, %d line vertices, and %d "
                                         "lines left with fewer than two vertices."),
                           g_iLeftOutPoints, g_iLeftOutVertices, g_iLeftOutLines));
  vMboLeftOutBegin();
}

namespace {

// The flag words changed by the hiding write, with the bits cleared.
std::vector<std::pair<uint32_t*, uint32_t>> g_hiddenFlags;

void vHide(uint32_t* flags, bool xyOk, bool zOk) {
  uint32_t bits = (xyOk ? 0 : *flags & MBO_FLAG_XY) | (zOk ? 0 : *flags & MBO_FLAG_Z);
  if (!bits) return;
  *flags &= ~bits;
  g_hiddenFlags.emplace_back(flags, bits);
}

void vHideVertices(LiLines* lines) {
  for (LiLine* l = lines ? LiLinesGetFirst(lines) : nullptr; l; l = LiLinesGetNext(lines, l))
    for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
      MboElmData* data = pMboElmGetData(l, e);
      if (!data) continue;
      GeoPnt3 p;
      vLiElmGetP(l, e, &p);
      vHide(&data->uFlags, std::isfinite(p.x) && std::isfinite(p.y), std::isfinite(p.z));
    }
}

}  // namespace

void vMboHideNonFiniteBegin(bool boHide) {
  g_hiddenFlags.clear();
  if (!boHide) return;
  for (PoPoint* p = g_pMboPoints ? PoPointsGetFirst(g_pMboPoints) : nullptr; p; p = PoPointsGetNext(g_pMboPoints, p)) {
    // The point's own values first: its flags (and the call for them) only
    // for the rare point with a value not finite.
    GeoPnt3 at;
    vPoPointGetP(p, &at);
    bool xyOk = std::isfinite(at.x) && std::isfinite(at.y), zOk = std::isfinite(at.z);
    if (xyOk && zOk) continue;
    if (MboPointData* data = pMboPointGetData(p)) vHide(&data->uFlags, xyOk, zOk);
  }
  vHideVertices(g_pMboLines);
  vHideVertices(g_pMboPolygons);
}

void vMboHideNonFiniteEnd(void) {
  for (const auto& [flags, bits] : g_hiddenFlags) *flags |= bits;
  g_hiddenFlags.clear();
  g_hiddenFlags.shrink_to_fit();
}

// ---------------------------------------------------------------------------
// Object IDs

const char* sMboGetLineObjID(LiLine* line) { return sObjId(pMboLineGetData(line)); }
const char* sMboGetPolygonObjID(YgPolygon* polygon) { return sObjId(pMboPolygonGetData(polygon)); }
const char* sMboGetTriangleNetObjID(TrNet* net) { return sObjId(pMboTriangleNetGetData(net)); }

void vMboSetLineObjID(LiLine* line, const char* objId) { vSetObjId(pMboLineGetData(line), objId ? objId : ""); }
void vMboSetPolygonObjID(YgPolygon* polygon, const char* objId) {
  vSetObjId(pMboPolygonGetData(polygon), objId ? objId : "");
}
void vMboSetTriangleNetObjID(TrNet* net, const char* objId) {
  vSetObjId(pMboTriangleNetGetData(net), objId ? objId : "");
}

// ---------------------------------------------------------------------------
// Module-internal access

PoPoint* pMboFindPoint(const char* pid) {
  if (!pid || !g_pMboPoints) return nullptr;
  if (!*pid) return pWalkFindPoint(pid);  // unnamed points are not indexed
  PoPoint* point = nullptr;
  switch (eMboIndexFind(pid, &point, nullptr)) {
    case MBO_INDEX_FOUND:
      return point;
    case MBO_INDEX_ABSENT:
      return nullptr;
    case MBO_INDEX_UNUSABLE:
      break;
  }
  return pWalkFindPoint(pid);
}

LiLine* pMboFindLine(const char* objId) {
  return pFindObj(g_pMboLines, LiLinesGetFirst, LiLinesGetNext, pMboLineGetData, objId);
}

YgPolygon* pMboFindPolygon(const char* objId) {
  return pFindObj(g_pMboPolygons, YgPolygonsGetFirst, YgPolygonsGetNext, pMboPolygonGetData, objId);
}

TrNet* pMboFindTriangleNet(const char* objId) {
  return pFindObj(g_pMboNets, TrNetsGetFirst, TrNetsGetNext, pMboTriangleNetGetData, objId);
}

MboPointData* pMboPointGetData(PoPoint* point) {
  return point ? static_cast<MboPointData*>(PoPointGetData(point)) : nullptr;
}

MboLineData* pMboLineGetData(LiLine* line) { return line ? static_cast<MboLineData*>(LiLineGetData(line)) : nullptr; }

MboElmData* pMboElmGetData(LiLine* line, LiElm* elm) {
  return line && elm ? static_cast<MboElmData*>(LiElmGetData(line, elm)) : nullptr;
}

MboLineData* pMboPolygonGetData(YgPolygon* polygon) {
  return polygon ? static_cast<MboLineData*>(YgPolygonGetData(polygon)) : nullptr;
}

MboLineData* pMboTriangleNetGetData(TrNet* net) { return net ? static_cast<MboLineData*>(TrNetGetData(net)) : nullptr; }

const char* sMboPointGetField(PoPoint* point) {
  const char* code = point ? sPoPointGetField(point) : nullptr;
  return code ? code : "";
}

int32_t iMboPointGetMark(PoPoint* point) {
  MboPointData* data = pMboPointGetData(point);
  return data ? data->iMark : 0;
}

void vMboPointSetMark(PoPoint* point, int32_t mark) {
  MboPointData* data = pMboPointGetData(point);
  if (data) data->iMark = mark;
}

size_t uMboGetPointNo(PoPoint* point, char* sOut) {
  const char* pid = sMboGetPointPID(point);
  // One pass, copying as it goes: the part starts again after each '.', and
  // trailing blanks are cut, as the point-number part is everywhere else.
  size_t n = 0, end = 0;
  for (size_t i = 0; i < MBO_ID_SIZE - 1 && pid[i]; ++i) {
    char c = pid[i];
    if (c == '.') {
      n = end = 0;
      continue;
    }
    sOut[n++] = c;
    if (c != ' ') end = n;
  }
  sOut[end] = '\0';
  return end;
}

char* sMboGetPointNo(PoPoint* point) {
  char no[MBO_ID_SIZE];
  size_t n = uMboGetPointNo(point, no);
  char* out = pStrScratchAlloc(n + 1);
  if (out) memcpy(out, no, n + 1);
  return out;
}

// ---------------------------------------------------------------------------
// Counts

int iMboCountPoints(void) { return g_pMboPoints ? iPoPointsGetCount(g_pMboPoints) : 0; }

int iMboCountLineVertices(void) { return iSumOver(g_pMboLines, LiLinesGetFirst, LiLinesGetNext, iLiElmGetCount); }

int iMboCountPolygonVertices(void) {
  return iSumOver(g_pMboPolygons, YgPolygonsGetFirst, YgPolygonsGetNext, iYgElmGetCount);
}

int iMboCountTriangleNets(void) { return g_pMboNets ? iTrNetsGetCount(g_pMboNets) : 0; }

int iMboCountTriangleNetPoints(void) {
  return iSumOver(g_pMboNets, TrNetsGetFirst, TrNetsGetNext, iTrNetGetPointCount);
}

int iMboCountTriangles(void) { return iSumOver(g_pMboNets, TrNetsGetFirst, TrNetsGetNext, iTrNetGetTriangleCount); }
