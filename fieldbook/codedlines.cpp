// Coded lines: lines made from point codes and line commands.
#include "fieldbook/codedlines.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/transfer_context.h"

namespace {

const double kPi = 3.14159265358979323846;

struct MboLineOffset {
  char sName[16];
  double dHorizontal;  // metres; positive to the right of the line
  float fHeight;
};

struct MboLineRec {
  char sId[16];    // "$": made without a number
  char sName[16];  // the line's code
  LiLine* pLine;
  uint32_t uType;  // 1 after command 1
  uint32_t uSquare;
  uint32_t uClose;
  std::vector<MboLineOffset> offsets;
  uint32_t uArc;   // arc points in a row
  int32_t iCount;  // vertices added through the builder
  int32_t iSeq;    // creation order
  bool boRetired;  // closed in per-point mode: not found by its ID
};

enum MboGroupMode { GROUP_NONE = 0, GROUP_CYCLIC = 1, GROUP_BACK = 2 };

struct MboLineBuilder {
  bool boEnabled;
  bool boAuto;
  bool boByNumber;
  std::vector<std::unique_ptr<MboLineRec>> recs;  // creation order
  // The first record (in creation order) of each ID: the line-number look-up
  // runs for every point of a read.
  std::unordered_map<std::string, MboLineRec*> byId;
  MboLineRec* pCurrent;
  int iGroupMode;
  int iGroupSize;
  bool boGroupStarted;
  int iGroupIndex;
  int iGroupStep;
  // Made when the index first reaches them: a group size read from a file
  // must not allocate ahead.
  std::vector<MboLineRec*> group;
  char sLineNo[16];
  char sLineCode[16];
  char sInsertAfter[MBO_ID_SIZE];
  bool boTypeA, boClearA, boArc, boSkip, boSquare, boCloseNext;
  std::vector<MboLineOffset> pendingOffsets;
  int iExtState;  // 0 off, 1 waiting for the reference, 2 for the point to move
  double dExtDistance;
  GeoPnt3 extRef;
  bool boExtRefXY, boExtRefZ;
  LiLine* pPublished;
};

MboLineBuilder g_b;
// Outside the builder record: the flush re-initialises that and keeps this.
bool g_boPerPoint;

bool boBlank(const char* text) {
  for (; text && *text; ++text)
    if (*text != ' ') return false;
  return true;
}

// Leading blanks skipped, at most size-1 characters, trailing blanks cut.
void vCopyTrim(char* dest, const char* text, int size) {
  text = sStrNotNull(text);
  while (*text == ' ') ++text;
  sStrCopyN(dest, text, size);
  sStrTrimRight(dest);
}

void vForgetCurrent(void) {
  g_b.pCurrent = nullptr;
  g_b.pPublished = nullptr;
}

void vInit(bool byNumber) {
  g_b.boEnabled = false;
  g_b.boAuto = false;
  g_b.boByNumber = byNumber;
  g_b.recs.clear();
  g_b.byId.clear();
  g_b.pCurrent = nullptr;
  g_b.iGroupMode = GROUP_NONE;
  g_b.iGroupSize = 0;
  g_b.boGroupStarted = false;
  g_b.iGroupIndex = g_b.iGroupStep = 0;
  g_b.group.clear();
  g_b.sLineNo[0] = g_b.sLineCode[0] = g_b.sInsertAfter[0] = '\0';
  g_b.boTypeA = g_b.boClearA = g_b.boArc = g_b.boSkip = g_b.boSquare = g_b.boCloseNext = false;
  g_b.pendingOffsets.clear();
  g_b.iExtState = 0;
  g_b.dExtDistance = 0;
  g_b.extRef = GeoPnt3{0, 0, 0};
  g_b.boExtRefXY = g_b.boExtRefZ = false;
  g_b.pPublished = nullptr;
}

// ---- Records and their IDs ----

void vIndexId(MboLineRec* rec) {
  if (strcmp(rec->sId, "$") == 0 || rec->boRetired) return;  // "$" is never looked up by number
  auto [it, added] = g_b.byId.try_emplace(rec->sId, rec);
  if (!added && it->second->iSeq > rec->iSeq) it->second = rec;
}

// The record is no longer found by its ID; the next open record of that ID
// takes its place. The index holds the first of each ID, so the others come
// after it: a line closed or ended right after it began costs no search.
void vUnindex(MboLineRec* rec) {
  auto it = g_b.byId.find(rec->sId);
  if (it == g_b.byId.end() || it->second != rec) return;
  g_b.byId.erase(it);
  for (size_t i = static_cast<size_t>(rec->iSeq) + 1; i < g_b.recs.size(); i++) {
    MboLineRec* other = g_b.recs[i].get();
    if (!other->boRetired && strcmp(other->sId, rec->sId) == 0) {
      g_b.byId.emplace(other->sId, other);
      break;
    }
  }
}

void vSetId(MboLineRec* rec, const char* id) {
  if (strcmp(rec->sId, id) == 0) return;
  vUnindex(rec);
  sStrCopyN(rec->sId, id, sizeof rec->sId);
  vIndexId(rec);
}

// A closed line keeps its ID (the object ID at the flush), but a later point
// of that number starts a new line.
void vRetireId(MboLineRec* rec) {
  rec->boRetired = true;
  vUnindex(rec);
}

MboLineRec* pNewRec(const char* id) {
  try {
    auto rec = std::make_unique<MboLineRec>();
    sStrCopyN(rec->sId, id, sizeof rec->sId);
    rec->iSeq = static_cast<int32_t>(g_b.recs.size());
    rec->pLine = KvxMboNewLine(id);
    g_b.recs.push_back(std::move(rec));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  MboLineRec* rec = g_b.recs.back().get();
  vIndexId(rec);
  return rec;
}

MboLineRec* pFindRec(const char* id) {
  if (strcmp(id, "$") == 0) {
    for (auto& rec : g_b.recs)
      if (strcmp(rec->sId, id) == 0) return rec.get();
    return nullptr;
  }
  auto it = g_b.byId.find(id);
  return it == g_b.byId.end() ? nullptr : it->second;
}

// The group's next record: cyclic 0, 1, 2, 0, ...; back and forth
// 0, 1, 2, 2, 1, 0, 0, 1, 2.
MboLineRec* pGroupNext(void) {
  int size = g_b.iGroupSize;
  if (!g_b.boGroupStarted) {
    g_b.boGroupStarted = true;
    g_b.iGroupIndex = 0;
    g_b.iGroupStep = 0;
  } else if (g_b.iGroupMode == GROUP_CYCLIC) {
    if (++g_b.iGroupIndex >= size) g_b.iGroupIndex = 0;
  } else {
    if ((g_b.iGroupStep / size) % 2 == 0) {
      if (++g_b.iGroupIndex > size - 1) g_b.iGroupIndex = size - 1;
    } else if (--g_b.iGroupIndex < 0) {
      g_b.iGroupIndex = 0;
    }
    g_b.iGroupStep++;
  }
  while (static_cast<int>(g_b.group.size()) <= g_b.iGroupIndex) {
    MboLineRec* rec = pNewRec("$");
    if (!rec) return nullptr;
    try {
      g_b.group.push_back(rec);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return g_b.group[g_b.iGroupIndex];
}

MboLineRec* pTargetRec(void) {
  if (g_b.iGroupMode != GROUP_NONE) return pGroupNext();
  if (*g_b.sLineNo) {
    MboLineRec* rec = pFindRec(g_b.sLineNo);
    if (rec) return rec;
    // In per-point mode the current line is kept across commands: an
    // unnumbered line there is one the file chose, not taken over.
    if (!g_boPerPoint && g_b.pCurrent && strcmp(g_b.pCurrent->sId, "$") == 0) return g_b.pCurrent;
    return pNewRec(g_b.sLineNo);
  }
  return g_b.pCurrent ? g_b.pCurrent : pNewRec("$");
}

LiElm* pFindVertex(LiLine* line, const char* pid) {
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    MboElmData* data = pMboElmGetData(line, e);
    if (data && strcmp(data->sPid, pid) == 0) return e;
  }
  return nullptr;
}

// A vertex for the point on the record's line, after the pending
// insert-after vertex when there is one.
LiElm* pAddVertex(MboLineRec* rec, const char* name) {
  LiLine* line = rec->pLine;
  bool first = LiElmGetFirst(line) == nullptr;
  LiElm* before = nullptr;
  bool append = true;
  if (*g_b.sInsertAfter) {
    LiElm* after = pFindVertex(line, g_b.sInsertAfter);
    if (after) {
      before = LiElmGetNext(line, after);
      append = before == nullptr;
    }
  }
  LiElm* elm = KvxMboAddLineElmBefore(line, name, append ? nullptr : before);
  if (!elm) return nullptr;
  rec->iCount++;
  if (!first && g_b.boArc) {
    // The second arc point in a row makes the vertex two before it the start
    // of a three-point arc.
    if (++rec->uArc == 2) {
      LiElm* prev = LiElmGetPrev(line, elm);
      LiElm* start = prev ? LiElmGetPrev(line, prev) : nullptr;
      if (start) boLiElmSetType(line, start, KV2GR_ELM_ARC3P);
      rec->uArc = 0;
    }
  } else {
    rec->uArc = 0;
  }
  return elm;
}

// In per-point mode a line that already ends on the point does not take it
// again ("1.P5" given at P5's neighbour when P5 ends line 1).
bool boEndsOn(MboLineRec* rec, const char* name) {
  if (!g_boPerPoint || *g_b.sInsertAfter) return false;
  LiElm* last = LiElmGetLast(rec->pLine);
  MboElmData* data = last ? pMboElmGetData(rec->pLine, last) : nullptr;
  return data && strcmp(data->sPid, name) == 0;
}

// The record becomes current and takes the pending line fields.
void vTakeLine(MboLineRec* rec) {
  g_b.pCurrent = rec;
  g_b.pPublished = rec->pLine;
  vMboExtraLineFieldsApplyNamed(g_pMboLines, rec->pLine, rec->sName, sizeof rec->sName);
}

// A pending line code names the line in any case.
void vTakeLineCode(MboLineRec* rec) {
  if (*g_b.sLineCode) sStrCopyN(rec->sName, g_b.sLineCode, sizeof rec->sName);
  g_b.sLineCode[0] = '\0';
}

// The adding steps.
LiElm* pAddToLine(const char* name, const char* code, MboLineRec** target) {
  *target = nullptr;
  if (!g_b.boEnabled || boBlank(name)) return nullptr;
  if (g_b.boSkip) {
    g_b.boSkip = false;
    return nullptr;
  }
  MboLineRec* rec = pTargetRec();
  if (!rec) return nullptr;
  vTakeLine(rec);
  if (*g_b.sLineNo) vSetId(rec, g_b.sLineNo);
  if (code && *code && !*rec->sName) vCopyTrim(rec->sName, code, sizeof rec->sName);
  vTakeLineCode(rec);
  if (g_b.boCloseNext) rec->uClose = 1;
  if (g_b.boTypeA) rec->uType = 1;
  if (g_b.boClearA) rec->uType = 0;
  LiElm* elm = !boEndsOn(rec, name) ? pAddVertex(rec, name) : nullptr;
  if (elm && rec->uClose && g_boPerPoint) vRetireId(rec);
  g_b.sLineCode[0] = g_b.sLineNo[0] = g_b.sInsertAfter[0] = '\0';
  g_b.boTypeA = g_b.boClearA = g_b.boArc = g_b.boCloseNext = false;
  *target = rec;
  return elm;
}

// Command 17: closes the line of the pending number, else the current line,
// without a vertex and without advancing a group. A line not made yet takes
// the close flag (and the number and code) at its first vertex.
void vCloseLine(void) {
  MboLineRec* rec = *g_b.sLineNo ? pFindRec(g_b.sLineNo) : g_b.pCurrent;
  if (!rec) {
    g_b.boCloseNext = true;
    return;
  }
  vTakeLine(rec);
  vTakeLineCode(rec);
  rec->uClose = 1;
  g_b.sLineNo[0] = '\0';
  // A later point of its number starts a new line.
  if (g_boPerPoint) vRetireId(rec);
}

// ---- Height extension ----

// True when the point joins no line (it was taken as the reference).
bool boHeightExtension(PoPoint* point) {
  if (g_b.iExtState == 0 || std::fabs(g_b.dExtDistance) <= 1e-5) return false;
  GeoPnt3 p;
  vPoPointGetP(point, &p);
  bool hasXY = boMboGetPointXY(point, nullptr, nullptr);
  bool hasZ = boMboGetPointZ(point, nullptr);
  if (g_b.iExtState == 1) {
    g_b.extRef = p;
    g_b.boExtRefXY = hasXY;
    g_b.boExtRefZ = hasZ;
    g_b.iExtState = 2;
    return true;
  }
  g_b.iExtState = 0;
  // Without XY on both points there is no direction to extend along.
  if (!hasXY || !g_b.boExtRefXY) return false;
  double dx = p.x - g_b.extRef.x, dy = p.y - g_b.extRef.y;
  double dz = hasZ && g_b.boExtRefZ ? p.z - g_b.extRef.z : 0;
  double h = std::sqrt(dx * dx + dy * dy);
  double s = std::sqrt(h * h + dz * dz);
  if (s <= 1e-5) return false;
  double d = g_b.dExtDistance;
  if (h > 0) {
    p.x += dx / h * (h * d / s);
    p.y += dy / h * (h * d / s);
  }
  if (hasZ) p.z += dz * d / s;
  vPoPointSetP(point, &p);
  return false;
}

// ---- Flush ----

// Every vertex takes XY, and a height, from its named point where it has
// none; false when one gets no XY. The heights make squared corners and
// parallel lines keep their level.
bool boFillVertexCoords(LiLine* line) {
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    MboElmData* data = pMboElmGetData(line, e);
    if (!data) return false;
    PoPoint* point = pMboFindPoint(data->sPid);
    double x, y, z;
    if (!(data->uFlags & MBO_FLAG_XY)) {
      if (!boMboGetPointXY(point, &x, &y)) return false;
      GeoPnt2 p{x, y};
      vLiElmSetP2d(line, e, &p);
      data->uFlags |= MBO_FLAG_XY;
    }
    if (!(data->uFlags & MBO_FLAG_Z) && boMboGetPointZ(point, &z)) vMboSetElmZ(line, e, z);
  }
  return true;
}

// The foot of p on the line through o in direction (ux, uy) (unit).
GeoPnt2 foot(const GeoPnt3& p, const GeoPnt3& o, double ux, double uy) {
  double t = (p.x - o.x) * ux + (p.y - o.y) * uy;
  return GeoPnt2{o.x + t * ux, o.y + t * uy};
}

void vSetVertex(LiLine* line, LiElm* elm, const GeoPnt2& xy, double z, bool hasZ) {
  GeoPnt3 p{xy.x, xy.y, z};
  vLiElmSetP(line, elm, &p);
  MboElmData* data = pMboElmGetData(line, elm);
  if (data) data->uFlags |= MBO_FLAG_XY | (hasZ ? MBO_FLAG_Z : 0u);
}

// Corners within 5 degrees of a right angle to the first side are made
// right angles, and a closing corner is added: three measured corners give
// a rectangle. A corner that moves no longer stands on its point: it drops
// the point's ID, or completing the vertices on Save would undo the squaring.
void vSquare(MboLineRec* rec) {
  LiLine* line = rec->pLine;
  int n = iLiElmGetCount(line);
  if (n != rec->iCount || n < 3 || !boFillVertexCoords(line)) return;
  LiElm* first = LiElmGetFirst(line);
  LiElm* second = LiElmGetNext(line, first);
  GeoPnt3 p1, p2;
  vLiElmGetP(line, first, &p1);
  vLiElmGetP(line, second, &p2);
  double dx = p2.x - p1.x, dy = p2.y - p1.y;
  if (std::fabs(dx) <= 1e-5 && std::fabs(dy) <= 1e-5) return;
  double ref = std::atan2(dy, dx);
  bool z2 = boMboGetElmZ(line, second, nullptr);
  LiElm* last = second;
  for (LiElm* e = LiElmGetNext(line, second); e; e = LiElmGetNext(line, e)) {
    last = e;
    GeoPnt3 pk;
    vLiElmGetP(line, e, &pk);
    double diff = (std::atan2(pk.y - p2.y, pk.x - p2.x) - ref) * 180 / kPi;
    for (int m = -4; m <= 4; m++) {
      if (std::fabs(diff - 90.0 * m) >= 5) continue;
      double dir = ref + m * kPi / 2;
      GeoPnt2 to = foot(pk, p2, std::cos(dir), std::sin(dir));
      if (std::fabs(to.x - pk.x) > 1e-9 || std::fabs(to.y - pk.y) > 1e-9) vMboSetElmPID(line, e, "");
      vSetVertex(line, e, to, p2.z, z2);
      break;
    }
  }
  GeoPnt3 pl;
  vLiElmGetP(line, last, &pl);
  bool zLast = boMboGetElmZ(line, last, nullptr);
  LiElm* closing = KvxMboAddLineElm(line, "");
  if (closing) vSetVertex(line, closing, foot(pl, p1, std::cos(ref + kPi / 2), std::sin(ref + kPi / 2)), pl.z, zLast);
  vLiLineSetAsPolygon(line, 1);
}

// A copied vertex: the source's coordinate flags, raised by the height.
void vCopyVertex(LiLine* src, LiElm* from, LiLine* dst, LiElm* to, float height) {
  MboElmData* fromData = pMboElmGetData(src, from);
  MboElmData* toData = pMboElmGetData(dst, to);
  const uint32_t kept = MBO_FLAG_XY | MBO_FLAG_Z | MBO_FLAG_XY_MEASURED | MBO_FLAG_Z_MEASURED;
  if (fromData && toData) toData->uFlags = fromData->uFlags & kept;
  GeoPnt3 p;
  vLiElmGetP(dst, to, &p);
  p.z += height;
  vLiElmSetP(dst, to, &p);
}

// A parallel line at the offset, as a record of its own (no ID) that the
// flush finishes like the others. Its vertices name no points: vertex
// completion must not move them back onto the source line.
void vParallel(MboLineRec* src, const MboLineOffset& off) {
  LiLine* line = src->pLine;
  if (iLiElmGetCount(line) < 2 || std::fabs(off.dHorizontal) <= 1e-5 || !boFillVertexCoords(line)) return;
  MboLineRec* rec = pNewRec("");
  if (!rec) return;
  sStrCopyN(rec->sName, *off.sName ? off.sName : src->sName, sizeof rec->sName);
  LiLine* par = rec->pLine;
  // A closed line's parallel is closed too, with its corners mitred as a ring.
  if (boLiLineIsPolygon(line)) vLiLineSetAsPolygon(par, 1);
  if (!boLiLineElmsCopy(par, line)) return;
  boLiLineParallel(par, off.dHorizontal);
  LiElm* s = LiElmGetFirst(line);
  for (LiElm* e = LiElmGetFirst(par); e && s; e = LiElmGetNext(par, e), s = LiElmGetNext(line, s)) {
    vCopyVertex(line, s, par, e, off.fHeight);
    LiElm* middle = LiElmGet3pArcElm2(par, e);
    if (middle) vCopyVertex(line, LiElmGet3pArcElm2(line, s), par, middle, off.fHeight);
    rec->iCount++;
  }
}

void vFlush(void) {
  // Parallel lines append records: walk by index.
  for (size_t i = 0; i < g_b.recs.size(); i++) {
    MboLineRec* rec = g_b.recs[i].get();
    if (rec->iCount < 2) {
      if (rec->pLine && g_pMboLines) vLiLinesDeleteLine(g_pMboLines, rec->pLine);
      rec->pLine = nullptr;
      continue;
    }
    if (strcmp(rec->sId, "$") == 0) rec->sId[0] = '\0';
    if (rec->uSquare) vSquare(rec);
    if (rec->uClose) vLiLineSetAsPolygon(rec->pLine, 1);
    std::vector<MboLineOffset> offsets;
    offsets.swap(rec->offsets);
    for (const MboLineOffset& off : offsets) vParallel(rec, off);
    rec = g_b.recs[i].get();
    vLiLineSetField(rec->pLine, sMboConvertFeatureCode(&g_mboTransfer.settings, rec->sName));
    vMboSetLineObjID(rec->pLine, rec->sId);
  }
  vInit(g_b.boByNumber);
}

void vCommand(int cmd, const char* a, const char* b) {
  a = sStrNotNull(a);
  b = sStrNotNull(b);
  bool always = cmd == MBO_LINE_AUTO_OFF || cmd == MBO_LINE_AUTO_BY_NO || cmd == MBO_LINE_AUTO_NO_NUMBER ||
                cmd == MBO_LINE_ENABLE;
  if (!g_b.boEnabled && !always) {
    if (g_b.iGroupMode == GROUP_NONE) vForgetCurrent();
    return;
  }
  MboLineRec* target = nullptr;
  switch (cmd) {
    case MBO_LINE_TYPE_A:
      g_b.boTypeA = true;
      break;
    case MBO_LINE_CLEAR_A:
      g_b.boClearA = true;
      break;
    case MBO_LINE_ARC:
      g_b.boArc = true;
      break;
    case MBO_LINE_GROUP_CYCLIC:
    case MBO_LINE_GROUP_BACK:
      g_b.iGroupSize = iNumParseC(a);
      if (g_b.iGroupSize > 1) {
        g_b.iGroupMode = cmd == MBO_LINE_GROUP_CYCLIC ? GROUP_CYCLIC : GROUP_BACK;
        g_b.boGroupStarted = false;
        g_b.group.clear();
        g_b.iGroupIndex = g_b.iGroupStep = 0;
      }
      break;
    case MBO_LINE_GROUP_END:
      if (g_b.iGroupMode != GROUP_NONE) vForgetCurrent();
      g_b.iGroupMode = GROUP_NONE;
      g_b.group.clear();
      break;
    case MBO_LINE_AUTO_OFF:
    case MBO_LINE_AUTO_BY_NO:
    case MBO_LINE_AUTO_NO_NUMBER:
      vFlush();
      g_b.boAuto = cmd != MBO_LINE_AUTO_OFF;
      g_b.boByNumber = cmd == MBO_LINE_AUTO_BY_NO;
      break;
    case MBO_LINE_SKIP:
      g_b.boSkip = true;
      break;
    case MBO_LINE_ADD_NAMED: {
      char id[MBO_ID_SIZE];
      sStrCopyN(id, sMboRecMakePointId(a), sizeof id);
      pAddToLine(id, b, &target);
      break;
    }
    case MBO_LINE_SQUARE:
      g_b.boSquare = true;
      break;
    case MBO_LINE_PARALLEL: {
      double h = dNumParseC(a);
      if (h != 0) {
        MboLineOffset off{};
        memcpy(off.sName, g_b.sLineCode, sizeof off.sName);
        off.dHorizontal = h;
        off.fHeight = fNumSingleOr0C(dNumParseC(b));
        try {
          g_b.pendingOffsets.push_back(off);
        } catch (const std::bad_alloc&) {
        }
      }
      g_b.sLineCode[0] = '\0';
      break;
    }
    case MBO_LINE_HEIGHT_EXT: {
      if (g_b.iExtState == 0) g_b.iExtState = 1;
      double d = dNumParseC(a);
      if (d != 0) g_b.dExtDistance = d;
      if (std::fabs(g_b.dExtDistance) <= 1e-5) g_b.iExtState = 0;
      break;
    }
    case MBO_LINE_CLOSE_NEXT:
      g_b.boCloseNext = true;
      break;
    case MBO_LINE_CLOSE:
      vCloseLine();
      break;
    case MBO_LINE_ENABLE:
      g_b.boEnabled = !(strcmp(a, "-9") == 0 && strcmp(b, "-9") == 0);
      if (!g_b.boEnabled) return;
      break;
    default:
      break;
  }
  bool keeps = g_boPerPoint && (cmd <= MBO_LINE_ARC || (cmd >= MBO_LINE_NOTHING && cmd <= MBO_LINE_ENABLE));
  if (g_b.iGroupMode == GROUP_NONE && !keeps) vForgetCurrent();
}

// The pending square and parallel offsets become the current line's.
void vTakePendingShapes(void) {
  if (!g_b.pCurrent) return;
  if (g_b.boSquare) g_b.pCurrent->uSquare = 1;
  g_b.boSquare = false;
  try {
    g_b.pCurrent->offsets.insert(g_b.pCurrent->offsets.end(), g_b.pendingOffsets.begin(), g_b.pendingOffsets.end());
  } catch (const std::bad_alloc&) {
  }
  g_b.pendingOffsets.clear();
}

// point: the point of the ID, or null to look it up.
LiLine* pAddCodedPoint(const char* name, const char* code, PoPoint* point) {
  if (boBlank(name)) return nullptr;
  if (!point) point = pMboFindPoint(name);
  MboLineRec* rec = nullptr;
  if (!point) {
    point = KvxMboNewOrExistingPoint(name);
    vMboSetPointCode(point, code);
    pAddToLine(name, code, &rec);
    return rec ? rec->pLine : nullptr;
  }
  if (boHeightExtension(point)) return nullptr;
  LiElm* elm = pAddToLine(name, code, &rec);
  vTakePendingShapes();
  double x, y;
  if (elm && boMboGetPointXY(point, &x, &y)) {
    GeoPnt2 p{x, y};
    vLiElmSetP2d(rec->pLine, elm, &p);
    pMboElmGetData(rec->pLine, elm)->uFlags |= MBO_FLAG_XY;
  }
  return elm ? rec->pLine : nullptr;
}

LiLine* pAddCodedPointSafely(const char* name, const char* code, PoPoint* point) {
  try {
    return pAddCodedPoint(name, code, point);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

bool boMboLineInit(int byNumber) {
  vInit(byNumber != 0);
  g_boPerPoint = false;
  return true;
}

void vMboLineSetPerPointMode(int on) { g_boPerPoint = on != 0; }

void vMboLineEnd(void) {
  if (g_b.pCurrent) vRetireId(g_b.pCurrent);
  vForgetCurrent();
}

void vMboLineTakePendingShapes(void) { vTakePendingShapes(); }

void vMboLineSetLineNo(const char* text) {
  if (text) {
    if (g_b.boByNumber) {
      char no[16];
      vCopyTrim(no, text, sizeof no);
      if (strcmp(no, "0") != 0) {
        memcpy(g_b.sLineNo, no, sizeof no);
        return;
      }
    } else if (iNumParseC(text) != 0) {
      g_b.sLineNo[0] = '\0';
      return;
    }
  }
  // The next point starts a new line.
  vForgetCurrent();
  g_b.sLineNo[0] = '\0';
}

void vMboLineSetCode(const char* text) { vCopyTrim(g_b.sLineCode, text, sizeof g_b.sLineCode); }

void vMboLineSetText(const char* text) { vCopyTrim(g_b.sInsertAfter, text, sizeof g_b.sInsertAfter); }

// Out of memory, the builders keep what they have: no exception leaves them.
void vMboLineCommand(int cmd, const char* a, const char* b) {
  try {
    vCommand(cmd, a, b);
  } catch (const std::bad_alloc&) {
  }
}

LiLine* pMboLineAddCodedPoint(const char* name, const char* code) { return pAddCodedPointSafely(name, code, nullptr); }

void vMboLineFlush(void) {
  try {
    vFlush();
  } catch (const std::bad_alloc&) {
    // What is left is made final as it is: lines too short go, the rest
    // keep their vertices.
    vInit(g_b.boByNumber);
  }
}

int iMboLineAddPoint(const char* name, const char* code, PoPoint* point) {
  if (g_b.boAuto) return pAddCodedPointSafely(name, code, point) ? 1 : 0;
  return boMboCodeLineAddPoint(name, code, MBO_CODE_VERTEX_NORMAL) ? 1 : 0;
}

void vMboLineFinish(void) {
  vMboLineFlush();
  g_b.pendingOffsets.clear();
}

LiLine* pMboLineCurrent(void) { return g_b.pPublished; }

void vMboLineStateClear(void) {
  // The records' lines belong to the field book, which is emptied or new.
  vInit(false);
  g_boPerPoint = false;
  vMboCodeLineStateClear();
  vMboExtraFieldsFreeAll();
}
