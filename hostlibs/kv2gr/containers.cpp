// Containers, points, nets and field sets.
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include "kv2gr_internal.h"

namespace {

const char* const kCodeField = "S_FCODE";

// A new object in a slot of the pool, with its zero-filled user data right
// after it, appended to its container.
template <class T>
T* pGrObjNew(const void* owner, GrObjList* l, GrPool* pool) {
  void* slot = pGrPoolAlloc(pool);
  if (!slot) return nullptr;
  T* o = new (slot) T;
  o->owner = owner;
  vGrChainLinkBefore<GrObjList, GrObj>(l, o, nullptr);
  return o;
}

template <class T>
void* pGrObjData(T* o) {
  return o ? reinterpret_cast<char*>(o) + uGrDataAt(sizeof(T)) : nullptr;
}

// The object's code and values back to its field set's heap.
void vGrObjTextsFree(ViFields* fs, GrObj* o) {
  vGrTextFree(&fs->texts, o->code);
  o->code = nullptr;
  if (GrValues* v = o->values) {
    const char** slots = pGrValueSlots(v);
    for (size_t i = 0; i < v->cap; i++) vGrTextFree(&fs->texts, slots[i]);
    vGrHeapFree(&fs->texts, v, uGrValuesBytes(v->cap));
    o->values = nullptr;
  }
}

void vGrLineFreeElms(LiLine* line) {
  LiElm* e = line->first;
  while (e) {
    LiElm* n = e->next;
    if (pGrMiddle(e)) vGrElmFree(pGrMiddle(e));
    vGrElmFree(e);
    e = n;
  }
  line->first = line->last = nullptr;
  line->count = 0;
}

void vGrNetFree(TrNet* net) {
  free(net->data);
  delete net;
}

// Empties the list; freeObj destroys each object and frees what it owns.
template <class T, class F>
void vGrListClear(GrObjList* l, F freeObj) {
  GrObj* o = l->first;
  while (o) {
    GrObj* n = o->next;
    freeObj(static_cast<T*>(o));
    o = n;
  }
  l->first = l->last = nullptr;
  l->count = 0;
}

GrObjList* pGrFieldsList(ViFields* fs) {
  switch (fs->kind) {
    case GR_POINT:
      return &static_cast<PoPoints*>(fs->owner)->list;
    case GR_LINE:
    case GR_POLY:
      return &static_cast<LiLines*>(fs->owner)->list;
    case GR_NET:
      return &static_cast<TrNets*>(fs->owner)->list;
  }
  return nullptr;
}

// The object head of a field set's object; the set knows its kind. Null
// for an object of another container.
GrObj* pGrFieldsObj(ViFields* fs, const void* obj) {
  void* o = const_cast<void*>(obj);
  GrObj* head = nullptr;
  switch (fs->kind) {
    case GR_POINT:
      head = static_cast<PoPoint*>(o);
      break;
    case GR_LINE:
    case GR_POLY:
      head = static_cast<LiLine*>(o);
      break;
    case GR_NET:
      head = static_cast<TrNet*>(o);
      break;
  }
  return head && head->owner == fs->owner ? head : nullptr;
}

bool boGrSetCode(ViFields* fs, GrObj* o, const char* code) { return o && boGrTextSet(&fs->texts, &o->code, code); }

const char* sGrCode(GrObj* o) { return o && o->code ? o->code : ""; }

// A new container whose field set knows it.
template <class C>
C* pGrContainerNew(GrKind kind) {
  C* c = new (std::nothrow) C;
  if (!c) return nullptr;
  c->fields.kind = kind;
  c->fields.owner = c;
  return c;
}

LiLines* pGrLinesCreate(uint32_t lineSize, uint32_t elmSize, bool polygons) {
  LiLines* c = pGrContainerNew<LiLines>(polygons ? GR_POLY : GR_LINE);
  if (!c) return nullptr;
  c->lineSize = lineSize;
  c->elmSize = elmSize;
  vGrPoolInit(&c->lines, sizeof(LiLine), lineSize);
  vGrPoolInit(&c->elms, sizeof(LiElm), elmSize);
  c->polygons = polygons;
  return c;
}

LiLine* pGrLineCreate(LiLines* c, bool is3d) {
  if (!c) return nullptr;
  LiLine* l = pGrObjNew<LiLine>(c, &c->list, &c->lines);
  if (!l) return nullptr;
  l->is3d = is3d;
  l->polygon = c->polygons;
  return l;
}

}  // namespace

extern "C" {

// ---- Containers ----
PoPoints* PoPointsCreate(uint32_t userSize) {
  PoPoints* c = pGrContainerNew<PoPoints>(GR_POINT);
  if (!c) return nullptr;
  c->userSize = userSize;
  vGrPoolInit(&c->points, sizeof(PoPoint), userSize);
  return c;
}

LiLines* LiLinesCreate(uint32_t lineUserSize, uint32_t elmUserSize) {
  return pGrLinesCreate(lineUserSize, elmUserSize, false);
}

YgPolygons* YgPolygonsCreate(uint32_t objUserSize, uint32_t elmUserSize) {
  return pGrLinesCreate(objUserSize, elmUserSize, true);
}

TrNets* TrNetsCreate(uint32_t netUserSize) {
  TrNets* c = pGrContainerNew<TrNets>(GR_NET);
  if (c) c->userSize = netUserSize;
  return c;
}

// Points and lines own nothing outside their container's pools and text
// heap: emptying one needs no walk.
void vPoPointsDeletePoints(PoPoints* pts) {
  if (!pts) return;
  pts->list = GrObjList{};
  vGrPoolRelease(&pts->points);
  vGrHeapRelease(&pts->fields.texts);
}
void vLiLinesDeleteLines(LiLines* lines) {
  if (!lines) return;
  lines->list = GrObjList{};
  vGrPoolRelease(&lines->lines);
  vGrPoolRelease(&lines->elms);
  lines->shapes.clear();
  vGrHeapRelease(&lines->fields.texts);
}
void vYgPolygonsDeleteLines(YgPolygons* polys) { vLiLinesDeleteLines(polys); }
void vTrNetsDeleteNets(TrNets* nets) {
  if (!nets) return;
  vGrListClear<TrNet>(&nets->list, vGrNetFree);
  vGrHeapRelease(&nets->fields.texts);
}

void vPoPointsDelete(PoPoints* pts) {
  vPoPointsDeletePoints(pts);
  delete pts;
}
void vLiLinesDelete(LiLines* lines) {
  vLiLinesDeleteLines(lines);
  delete lines;
}
void vYgPolygonsDelete(YgPolygons* polys) {
  vYgPolygonsDeleteLines(polys);
  delete polys;
}
void vTrNetsDelete(TrNets* nets) {
  vTrNetsDeleteNets(nets);
  delete nets;
}

PoPoint* PoPointsGetFirst(PoPoints* pts) { return pts ? static_cast<PoPoint*>(pts->list.first) : nullptr; }
PoPoint* PoPointsGetNext(PoPoints*, PoPoint* pt) { return pt ? static_cast<PoPoint*>(pt->next) : nullptr; }
LiLine* LiLinesGetFirst(LiLines* lines) { return lines ? static_cast<LiLine*>(lines->list.first) : nullptr; }
LiLine* LiLinesGetNext(LiLines*, LiLine* line) { return line ? static_cast<LiLine*>(line->next) : nullptr; }
YgPolygon* YgPolygonsGetFirst(YgPolygons* polys) { return LiLinesGetFirst(polys); }
YgPolygon* YgPolygonsGetNext(YgPolygons* polys, YgPolygon* poly) { return LiLinesGetNext(polys, poly); }
TrNet* TrNetsGetFirst(TrNets* nets) { return nets ? static_cast<TrNet*>(nets->list.first) : nullptr; }
TrNet* TrNetsGetNext(TrNets*, TrNet* net) { return net ? static_cast<TrNet*>(net->next) : nullptr; }

int iPoPointsGetCount(PoPoints* pts) { return pts ? pts->list.count : 0; }
int iLiLinesGetCount(LiLines* lines) { return lines ? lines->list.count : 0; }
int iYgPolygonsGetCount(YgPolygons* polys) { return iLiLinesGetCount(polys); }
int iTrNetsGetCount(TrNets* nets) { return nets ? nets->list.count : 0; }

void vPoPointsDeletePoint(PoPoints* pts, PoPoint* pt) {
  if (!pts || !pt || pt->owner != pts) return;
  vGrChainUnlink<GrObjList, GrObj>(&pts->list, pt);
  vGrObjTextsFree(&pts->fields, pt);
  pt->~PoPoint();
  vGrPoolFree(&pts->points, pt);
}
void vLiLinesDeleteLine(LiLines* lines, LiLine* line) {
  if (!lines || !line || line->owner != lines) return;
  vGrChainUnlink<GrObjList, GrObj>(&lines->list, line);
  vGrLineFreeElms(line);
  vGrObjTextsFree(&lines->fields, line);
  line->~LiLine();
  vGrPoolFree(&lines->lines, line);
}
void vYgPolygonsDeleteLine(YgPolygons* polys, YgPolygon* poly) { vLiLinesDeleteLine(polys, poly); }
void vTrNetsDeleteNet(TrNets* nets, TrNet* net) {
  if (!nets || !net || net->owner != nets) return;
  vGrChainUnlink<GrObjList, GrObj>(&nets->list, net);
  vGrObjTextsFree(&nets->fields, net);
  vGrNetFree(net);
}

// ---- Points ----
PoPoint* PoPointsCreatePoint(PoPoints* pts) {
  return pts ? pGrObjNew<PoPoint>(pts, &pts->list, &pts->points) : nullptr;
}

void* PoPointGetData(PoPoint* pt) { return pGrObjData(pt); }
double dPoPointGetX(PoPoint* pt) { return pt ? pt->x : 0.0; }
double dPoPointGetY(PoPoint* pt) { return pt ? pt->y : 0.0; }
double dPoPointGetZ(PoPoint* pt) { return pt ? pt->z : 0.0; }
void vPoPointSetX(PoPoint* pt, double x) {
  if (pt) pt->x = x;
}
void vPoPointSetY(PoPoint* pt, double y) {
  if (pt) pt->y = y;
}
void vPoPointSetZ(PoPoint* pt, double z) {
  if (pt) pt->z = z;
}
void vPoPointSetP(PoPoint* pt, const GeoPnt3* p) {
  if (!pt || !p) return;
  pt->x = p->x;
  pt->y = p->y;
  pt->z = p->z;
}
void vPoPointGetP(PoPoint* pt, GeoPnt3* p) {
  if (!p) return;
  p->x = dPoPointGetX(pt);
  p->y = dPoPointGetY(pt);
  p->z = dPoPointGetZ(pt);
}
const char* sPoPointGetField(PoPoint* pt) { return sGrCode(pt); }
void vPoPointSetField(PoPoint* pt, const char* code) {
  if (pt) boGrSetCode(&static_cast<PoPoints*>(const_cast<void*>(pt->owner))->fields, pt, code);
}

// ---- Line and polygon objects ----
LiLine* LiLinesCreate3dLine(LiLines* lines) { return pGrLineCreate(lines, true); }
LiLine* LiLinesCreate2dLine(LiLines* lines) { return pGrLineCreate(lines, false); }
void* LiLineGetData(LiLine* line) { return pGrObjData(line); }
const char* sLiLineGetField(LiLine* line) { return sGrCode(line); }
void vLiLineSetField(LiLine* line, const char* code) {
  if (line) boGrSetCode(&pGrLines(line)->fields, line, code);
}
void vLiLineSetAsPolygon(LiLine* line, int polygon) {
  if (line) line->polygon = polygon != 0;
}
bool boLiLineIsPolygon(LiLine* line) { return line && line->polygon; }
bool boLiLineIs3d(LiLine* line) { return line && line->is3d; }
int iLiElmGetCount(LiLine* line) { return line ? line->count : 0; }

YgPolygon* YgPolygonsCreate3dLine(YgPolygons* polys) { return pGrLineCreate(polys, true); }
YgPolygon* YgPolygonsCreate2dLine(YgPolygons* polys) { return pGrLineCreate(polys, false); }
void* YgPolygonGetData(YgPolygon* poly) { return LiLineGetData(poly); }
const char* sYgPolygonGetField(YgPolygon* poly) { return sGrCode(poly); }
void vYgPolygonSetField(YgPolygon* poly, const char* code) { vLiLineSetField(poly, code); }
bool boYgPolygonIs3d(YgPolygon* poly) { return boLiLineIs3d(poly); }
int iYgElmGetCount(YgPolygon* poly) { return iLiElmGetCount(poly); }

// ---- Nets ----
TrNet* TrNetsCreateNet(TrNets* nets) {
  if (!nets) return nullptr;
  TrNet* net = new (std::nothrow) TrNet;
  if (!net) return nullptr;
  net->data = calloc(1, nets->userSize ? nets->userSize : 1);
  if (!net->data) {
    delete net;
    return nullptr;
  }
  net->owner = nets;
  vGrChainLinkBefore<GrObjList, GrObj>(&nets->list, net, nullptr);
  return net;
}

void* TrNetGetData(TrNet* net) { return net ? net->data : nullptr; }
const char* sTrNetGetField(TrNet* net) { return sGrCode(net); }
void vTrNetSetField(TrNet* net, const char* code) {
  if (net) boGrSetCode(&static_cast<TrNets*>(const_cast<void*>(net->owner))->fields, net, code);
}

int iTrNetAddPoints(TrNet* net, int n) {
  if (!net || n < 0) return -1;
  try {
    int first = static_cast<int>(net->pts.size());
    net->pts.resize(net->pts.size() + static_cast<size_t>(n), GeoPnt3{0, 0, 0});
    return first;
  } catch (...) {
    return -1;
  }
}

void vTrNetSetP(TrNet* net, int i, const GeoPnt3* p) {
  if (!net || i < 0 || !p) return;
  try {
    if (static_cast<size_t>(i) >= net->pts.size()) net->pts.resize(static_cast<size_t>(i) + 1, GeoPnt3{0, 0, 0});
    net->pts[static_cast<size_t>(i)] = *p;
  } catch (...) {
  }
}

bool boTrNetGetP(TrNet* net, int i, GeoPnt3* p) {
  if (!net || i < 0 || static_cast<size_t>(i) >= net->pts.size()) return false;
  if (p) *p = net->pts[static_cast<size_t>(i)];
  return true;
}

void vTrNetSetTriangle(TrNet* net, int i, int a, int b, int c) {
  if (!net || i < 0) return;
  try {
    size_t at = static_cast<size_t>(i) * 3;
    if (at + 3 > net->tris.size()) net->tris.resize(at + 3, -1);
    net->tris[at] = a;
    net->tris[at + 1] = b;
    net->tris[at + 2] = c;
  } catch (...) {
  }
}

bool boTrNetGetTriangle(TrNet* net, int i, int* a, int* b, int* c) {
  if (!net || i < 0 || static_cast<size_t>(i) * 3 + 3 > net->tris.size()) return false;
  size_t at = static_cast<size_t>(i) * 3;
  if (a) *a = net->tris[at];
  if (b) *b = net->tris[at + 1];
  if (c) *c = net->tris[at + 2];
  return true;
}

void vTrNetCalcNeighbours(TrNet* net) {
  if (!net) return;
  try {
    size_t nt = net->tris.size() / 3;
    net->neigh.assign(nt * 3, -1);
    // Edge (low, high) -> the first triangle side that has it.
    std::unordered_map<uint64_t, size_t> open;
    for (size_t t = 0; t < nt; t++) {
      for (size_t k = 0; k < 3; k++) {
        int ia = net->tris[t * 3 + k], ib = net->tris[t * 3 + (k + 1) % 3];
        if (ia < 0 || ib < 0 || ia == ib) continue;  // a triangle never set, or a degenerate side
        uint32_t a = static_cast<uint32_t>(ia), b = static_cast<uint32_t>(ib);
        uint64_t key = a < b ? (uint64_t(a) << 32 | b) : (uint64_t(b) << 32 | a);
        auto it = open.find(key);
        if (it == open.end()) {
          open.emplace(key, t * 3 + k);
        } else {
          size_t side = it->second;
          net->neigh[t * 3 + k] = static_cast<int>(side / 3);
          net->neigh[side] = static_cast<int>(t);
          open.erase(it);
        }
      }
    }
  } catch (...) {
    net->neigh.clear();
  }
}

bool boTrNetGetNeighbours(TrNet* net, int i, int* na, int* nb, int* nc) {
  if (!net || i < 0 || static_cast<size_t>(i) * 3 + 3 > net->neigh.size()) return false;
  size_t at = static_cast<size_t>(i) * 3;
  if (na) *na = net->neigh[at];
  if (nb) *nb = net->neigh[at + 1];
  if (nc) *nc = net->neigh[at + 2];
  return true;
}

int iTrNetGetPointCount(TrNet* net) { return net ? static_cast<int>(net->pts.size()) : 0; }
int iTrNetGetTriangleCount(TrNet* net) { return net ? static_cast<int>(net->tris.size() / 3) : 0; }

// ---- Field sets ----
ViFields* pViPFieldsGet(PoPoints* pts) { return pts ? &pts->fields : nullptr; }
ViFields* pViLFieldsGet(LiLines* lines) { return lines ? &lines->fields : nullptr; }
ViFields* pViYFieldsGet(YgPolygons* polys) { return polys ? &polys->fields : nullptr; }
ViFields* pViNFieldsGet(TrNets* nets) { return nets ? &nets->fields : nullptr; }

int iViFieldsGetCount(ViFields* fs) { return fs ? static_cast<int>(fs->names.size()) : 0; }

int iViFieldsSetCount(ViFields* fs, int n) {
  if (!fs) return 0;
  if (n < 0) n = 0;
  try {
    size_t want = static_cast<size_t>(n);
    if (want < fs->names.size()) {
      for (size_t i = want; i < fs->names.size(); i++) {
        auto it = fs->index.find(fs->names[i]);
        if (it != fs->index.end() && it->second == static_cast<int>(i)) fs->index.erase(it);
      }
      for (GrObj* o = pGrFieldsList(fs)->first; o; o = o->next) {
        GrValues* v = o->values;
        for (size_t k = want; v && k < v->cap; k++) {
          vGrTextFree(&fs->texts, pGrValueSlots(v)[k]);
          pGrValueSlots(v)[k] = nullptr;
        }
      }
    }
    fs->names.resize(want);
  } catch (...) {
  }
  return static_cast<int>(fs->names.size());
}

int iViFieldsFixedCount(ViFields*) { return 0; }

const char* sViFieldsGetFieldName(ViFields* fs, int i) {
  if (!fs || i < 0 || static_cast<size_t>(i) >= fs->names.size()) return "";
  return fs->names[static_cast<size_t>(i)].c_str();
}

int iViFieldsFindField(ViFields* fs, const char* name) {
  if (!fs || !name) return -1;
  try {
    auto it = fs->index.find(name);
    return it == fs->index.end() ? -1 : it->second;
  } catch (...) {
    return -1;
  }
}

const char* sViFieldsGetField(ViFields* fs, const void* obj, int i) {
  if (!fs || !obj || i < 0) return "";
  GrObj* o = pGrFieldsObj(fs, obj);
  if (!o || !o->values || static_cast<size_t>(i) >= o->values->cap) return "";
  const char* text = pGrValueSlots(o->values)[i];
  return text ? text : "";
}

bool boViFieldsSetField(ViFields* fs, void* obj, int i, const char* value) {
  if (!fs || !obj || i < 0 || static_cast<size_t>(i) >= fs->names.size()) return false;
  GrObj* o = pGrFieldsObj(fs, obj);
  if (!o) return false;
  const size_t at = static_cast<size_t>(i);
  GrValues* v = o->values;
  if (!v || at >= v->cap) {
    if (!value || !*value) return true;  // reads as "" already
    // Sized for the set's fields: a reader sets them one by one. The texts
    // stay where they are; only their pointers move.
    size_t cap = fs->names.size();
    GrValues* grown = static_cast<GrValues*>(pGrHeapAlloc(&fs->texts, uGrValuesBytes(cap)));
    if (!grown) return false;
    grown->cap = cap;
    size_t had = v ? v->cap : 0;
    if (had) memcpy(pGrValueSlots(grown), pGrValueSlots(v), had * sizeof(const char*));
    memset(pGrValueSlots(grown) + had, 0, (cap - had) * sizeof(const char*));
    if (v) vGrHeapFree(&fs->texts, v, uGrValuesBytes(had));
    o->values = v = grown;
  }
  return boGrTextSet(&fs->texts, &pGrValueSlots(v)[at], value);
}

const char* sViFieldsGetFieldByName(ViFields* fs, const void* obj, const char* name) {
  if (!fs || !obj || !name) return "";
  if (strcmp(name, kCodeField) == 0) return sGrCode(pGrFieldsObj(fs, obj));
  return sViFieldsGetField(fs, obj, iViFieldsFindField(fs, name));
}

bool boViFieldsSetOrAddFieldByName(ViFields* fs, void* obj, const char* name, const char* value) {
  if (!fs || !obj || !name) return false;
  if (!pGrFieldsObj(fs, obj)) return false;
  if (strcmp(name, kCodeField) == 0) return boGrSetCode(fs, pGrFieldsObj(fs, obj), value);
  int i = iViFieldsFindField(fs, name);
  if (i < 0) {
    try {
      i = static_cast<int>(fs->names.size());
      fs->names.push_back(name);
      fs->index.emplace(name, i);
    } catch (...) {
      return false;
    }
  }
  return boViFieldsSetField(fs, obj, i, value);
}

}  // extern "C"
