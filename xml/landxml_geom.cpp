// The LandXML reader's geometry sections (see landxml_read.h): lines and
// polygons from CoordGeom, Breaklines and Boundaries, triangle nets from
// Surfaces, pipe lines and structure points from PipeNetworks.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/model.h"
#include "kv2gr.h"
#include "kvxlib.h"
#include "xml/landxml_read.h"

namespace {

// Geometry element kinds; any other element name is none.
enum { KIND_NONE = -1, KIND_IRREGULAR = 0, KIND_LINE, KIND_SPIRAL, KIND_CURVE, KIND_BREAKLINE, KIND_BOUNDARY };

int iKind(const xmlNode* node) {
  static const char* const names[] = {"IrregularLine", "Line", "Spiral", "Curve", "Breakline", "Boundary"};
  for (int k = 0; k < 6; k++)
    if (boXmlNamed(node, names[k])) return k;
  return KIND_NONE;
}

bool boStraightKind(int kind) { return kind != KIND_SPIRAL && kind != KIND_CURVE; }

// A number attribute; none when absent or not a number.
std::optional<double> dAttrNum(xmlNode* node, const char* name) { return dLxmlNumber(sLxmlText(node, name)); }

// A length attribute in metres; none when absent or not a number.
std::optional<double> dAttrLength(xmlNode* node, const char* name) { return dLxmlLength(dAttrNum(node, name)); }

// Up to max leading numbers of the text, up to the first absent one; how
// many were read.
int iNumbers(const std::string& text, double* out, int max) {
  const char* q = text.c_str();
  int n = 0;
  std::optional<double> d;
  while (n < max && boXmlNextDouble(&q, &d) && d) out[n++] = *d;
  return n;
}

// A resolved point reference: the field-book point's ID (empty when none)
// and the coordinates to use.
struct Ref {
  bool boPresent = false;
  std::string sPid;
  LxmlCoords c{0, 0, 0, 0};
};

Ref Resolve(xmlNode* elem) {
  Ref r;
  if (!elem) return r;
  LxmlCoords scanned{0, 0, 0, 0};
  // By the point's ID first: that is what this module's writer refers by.
  LxmlPtIndexEntry* e =
      pLxmlResolvePoint(elem, LXML_REF_READ_COORDS | LXML_REF_BY_NAME | LXML_REF_BY_ALIAS, &r.c, &scanned);
  if (e) r.sPid = sStrNotNull(e->sName);
  // The element's own coordinates place the vertex; the point's stand in
  // for what the element does not give.
  if (e && scanned.iCount >= 2) {
    r.c.north = scanned.north;
    r.c.east = scanned.east;
    if (scanned.iCount == 3) r.c.height = scanned.height;
    r.c.iCount = std::max(r.c.iCount, scanned.iCount);
  }
  // A reference that gives no place (an unknown point, no numbers) is no
  // vertex: it would stand at 0, 0.
  r.boPresent = r.c.iCount >= 2;
  return r;
}

bool boSame2d(const LxmlCoords& a, const LxmlCoords& b) {
  GeoPnt2 p{a.east, a.north}, q{b.east, b.north};
  return boViIsCommonPoint(&p, &q);
}

// A vertex with the reference's coordinates, before `before` (appended when
// null).
LiElm* pAddVertex(LiLine* obj, const Ref& ref, LiElm* before) {
  LiElm* e = before ? KvxMboAddLineElmBefore(obj, ref.sPid.c_str(), before) : KvxMboAddLineElm(obj, ref.sPid.c_str());
  if (!e) return nullptr;
  vMboSetElmXY(obj, e, ref.c.east, ref.c.north);
  if (ref.c.iCount >= 3) vMboSetElmZ(obj, e, ref.c.height);
  return e;
}

// Intermediate points of a straight kind, before the End vertex.
// True when the heights came from a PntList3D.
bool boIntermediates(xmlNode* node, LiLine* obj, const Ref& start, const Ref& end, LiElm* endElm) {
  xmlNode* feature = pLxmlFeature(node, "PntList2D");
  if (!feature) feature = pLxmlFeature(node, "PntList3D");
  auto skip = [&](const LxmlCoords& c) {
    return (start.boPresent && boSame2d(c, start.c)) || (end.boPresent && boSame2d(c, end.c));
  };
  if (feature) {
    for (xmlNode* child = feature->children; child; child = child->next) {
      if (child->type != XML_ELEMENT_NODE) continue;
      Ref r = Resolve(child);
      if (!r.boPresent) r.c = LxmlCoords{0, 0, 0, 0};
      if (!skip(r.c)) pAddVertex(obj, r, endElm);
    }
    return false;
  }
  xmlNode* list = pXmlChildByName(node, "PntList2D");
  bool is3d = !list && (list = pXmlChildByName(node, "PntList3D")) != nullptr;
  if (!list) return false;
  for (const GeoPnt3& p : pXmlParsePntList(list)) {
    Ref r;
    double v[3] = {p.y, p.x, p.z};
    int n = iLxmlLengths(v, is3d ? 3 : 2);
    if (n < 2) continue;  // no place in metres
    r.c = LxmlCoords{v[0], v[1], v[2], n};
    if (!skip(r.c)) pAddVertex(obj, r, endElm);
  }
  return is3d;
}

// "INF" (any case) is an infinite radius, 0 here.
std::optional<double> dRadius(xmlNode* node, const char* name) {
  std::optional<std::string> v = sLxmlText(node, name);
  if (!v) return std::nullopt;
  if (iStrCmpNoCase(v->c_str(), "INF") == 0) return 0.0;
  std::optional<double> d = dAttrLength(node, name);
  if (!d) return std::nullopt;
  return std::fabs(*d);
}

void vSpiral(xmlNode* node, LiLine* obj, LiElm* startElm) {
  if (sXmlAttrOpt(node, "spiType").value_or("") != "clothoid") return;
  std::optional<double> rs = dRadius(node, "radiusStart"), re = dRadius(node, "radiusEnd");
  std::optional<double> length = dAttrLength(node, "length");
  if (!rs || !re || !length) return;
  // A clothoid needs a length and two different radii; otherwise the
  // element stays straight.
  if (*length <= 0 || std::fabs(*rs - *re) <= 1e-5) return;
  double a2;
  if (*rs <= 1e-5)
    a2 = *length * *re;
  else if (*re <= 1e-5)
    a2 = *length * *rs;
  else {
    double small = std::min(*rs, *re), large = std::max(*rs, *re);
    a2 = *length * small / (1 - small / large);
  }
  std::optional<std::string> rot = sXmlAttrOpt(node, "rot");
  double sign = rot && iStrCmpNoCase(rot->c_str(), "cw") != 0 ? -1 : 1;
  boLiElmSetClotoide(obj, startElm, std::sqrt(a2), sign * *rs, sign * *re);
}

double dDist2(const GeoPnt2& a, const GeoPnt2& b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y); }

void vCurve(xmlNode* node, LiLine* obj, LiElm* startElm, const Ref& start) {
  xmlNode* centerElem = pXmlChildByName(node, "Center");
  Ref center = Resolve(centerElem);
  bool hasCenter = center.boPresent && center.c.iCount >= 2;
  GeoPnt2 given{center.c.east, center.c.north};
  std::optional<double> radius = dAttrLength(node, "radius");
  double r;
  if (radius) {
    r = std::fabs(*radius);
  } else {
    if (!hasCenter) return;
    GeoPnt2 s{start.c.east, start.c.north};
    r = std::sqrt(dDist2(s, given));
  }
  if (r <= 1e-5) return;
  if (sXmlAttrOpt(node, "rot").value_or("") == "ccw") r = -r;
  // Without a centre there is nothing to choose by: the short arc.
  if (!hasCenter) {
    boLiElmSet2pArc(obj, startElm, r, 0);
    return;
  }
  GeoPnt2 longC{0, 0}, shortC{0, 0};
  bool longOk = boLiElmSet2pArc(obj, startElm, r, 1) && boLiElmGetCenterP(obj, startElm, &longC);
  bool shortOk = boLiElmSet2pArc(obj, startElm, r, 0) && boLiElmGetCenterP(obj, startElm, &shortC);
  if (longOk && (!shortOk || dDist2(longC, given) < dDist2(shortC, given))) boLiElmSet2pArc(obj, startElm, r, 1);
}

// The first vertex of the object's last sub-line.
LiElm* pRingFirst(LiLine* obj) {
  LiElm* e = LiElmGetLast(obj);
  while (e) {
    LiElm* prev = LiElmGetPrev(obj, e);
    if (!prev || LiElmGetType(obj, prev) == KV2GR_ELM_SUBEND) break;
    e = prev;
  }
  return e;
}

// ---- Height profiles ----

// The height profile of one CoordGeom (a line in a container of its own).
struct Profiles {
  LiLines* pLines = nullptr;
  LiLine* pCurrent = nullptr;
  ~Profiles() { vLiLinesDelete(pLines); }
};

// The first ProfAlign of the parent's first Profile, as a 2-D line of
// station, height points: it gives heights along the whole alignment. A
// CircCurve's corner is rounded once the point after it is in.
void vReadProfiles(xmlNode* parent, Profiles* prof) {
  xmlNode* align = pXmlChildByName(pXmlChildByName(parent, "Profile"), "ProfAlign");
  if (!align || !(prof->pLines = LiLinesCreate(0, 0))) return;
  LiLine* line = LiLinesCreate2dLine(prof->pLines);
  if (!line) return;
  prof->pCurrent = line;
  double pendingRadius = 0;  // the corner before the new point's, 0 none
  for (xmlNode* c = align->children; c; c = c->next) {
    double v[2];
    if (c->type != XML_ELEMENT_NODE || iNumbers(pXmlNodeContent(c), v, 2) < 2 || iLxmlLengths(v, 2) < 2) continue;
    GeoPnt3 p{v[0], v[1], 0};
    if (!LiLineAddP(line, nullptr, &p)) continue;
    LiElm* added = LiElmGetLast(line);
    LiElm* e2 = LiElmGetPrev(line, added);
    LiElm* e1 = e2 ? LiElmGetPrev(line, e2) : nullptr;
    if (pendingRadius > 1e-5 && e1) iLiLineFillet(line, e1, e2, pendingRadius);
    pendingRadius = boXmlNamed(c, "CircCurve") ? std::fabs(dAttrLength(c, "radius").value_or(0)) : 0;
  }
}

// The profile's height at the station; below -99998 when it has none.
double dProfileHeight(LiLine* line, double station) {
  LiElm* e = LiElmGetFirst(line);
  GeoPnt3 lastEnd{0, 0, 0};
  bool any = false;
  for (; e && LiElmGetType(line, e) != KV2GR_ELM_LAST; e = LiElmGetNext(line, e)) {
    LiElm* n = LiElmGetNext(line, e);
    if (!n) break;
    GeoPnt3 a, b;
    vLiElmGetP(line, e, &a);
    vLiElmGetP(line, n, &b);
    lastEnd = b;
    any = true;
    if (std::fabs(station - a.x) <= 0.001) return a.y;
    if (std::fabs(station - b.x) <= 0.001) return b.y;
    if (station < a.x) break;
    if (station < b.x) {
      double r = 0;
      boLiElmGetRadius(line, e, &r);
      double reach = 100 + 2 * std::fabs(r);
      GeoPnt2 lo{station, std::min(a.y, b.y) - reach}, hi{station, std::max(a.y, b.y) + reach};
      GeoPnt3 cross;
      if (iLiElmIntersectLine(line, e, &lo, &hi, &cross) > 0) return cross.y;
    }
  }
  if (any && std::fabs(station - lastEnd.x) <= 0.05) return lastEnd.y;
  return -99999;
}

// Heights for the vertices from the start vertex on.
void vProfileHeights(LiLine* obj, LiElm* from, double station, Profiles* prof) {
  LiLine* line = prof->pCurrent;
  if (!line) return;
  for (LiElm* e = from; e; e = LiElmGetNext(obj, e)) {
    double h = dProfileHeight(line, station);
    if (h > -99998) vMboSetElmZ(obj, e, h);
    station += dLiElmLength(obj, e);
  }
}

// The station of the element's start.
double dStation(xmlNode* node, LiLine* obj) {
  if (std::optional<double> own = dAttrLength(node, "staStart")) return *own;
  xmlNode* align = node->parent ? node->parent->parent : nullptr;
  double base = align && align->type == XML_ELEMENT_NODE ? dAttrLength(align, "staStart").value_or(0) : 0;
  return obj ? base + dLiLineLength(obj) : base;
}

// One geometry element into the object (made when null); the object.
LiLine* pGeomElement(xmlNode* node, int kind, LiLine* obj, const char* name, const std::optional<std::string>& code,
                     bool polygon, Profiles* prof) {
  double station = prof && prof->pCurrent ? dStation(node, obj) : 0;
  if (!obj) {
    obj = polygon ? KvxMboNewPolygon(name) : KvxMboNewLine(name);
    if (!obj) return nullptr;
    if (code) polygon ? vYgPolygonSetField(obj, code->c_str()) : vLiLineSetField(obj, code->c_str());
  }
  LiElm* last = LiElmGetLast(obj);
  LiElm* startElm = last;
  Ref start = Resolve(pXmlChildByName(node, "Start"));
  if (start.boPresent) {
    GeoPnt2 lastP{0, 0};
    if (last) vLiElmGetP2d(obj, last, &lastP);
    GeoPnt2 s{start.c.east, start.c.north};
    if (!last || !boViIsCommonPoint(&lastP, &s)) {
      startElm = pAddVertex(obj, start, nullptr);
      // A gap starts a new sub-line.
      if (last && startElm) boLiElmSetType(obj, last, KV2GR_ELM_SUBEND);
    }
  }
  // No End child, no End vertex (Breaklines and Boundaries have none). A
  // polygon's straight edge back to its ring's first vertex closes the ring:
  // that vertex is not repeated.
  Ref end = Resolve(pXmlChildByName(node, "End"));
  LiElm* endElm = nullptr;
  LiElm* ringFirst = polygon && boStraightKind(kind) ? pRingFirst(obj) : nullptr;
  GeoPnt2 firstP{0, 0}, e2{end.c.east, end.c.north};
  if (ringFirst) vLiElmGetP2d(obj, ringFirst, &firstP);
  bool closes = ringFirst && ringFirst != LiElmGetLast(obj) && end.boPresent && boViIsCommonPoint(&firstP, &e2);
  if (end.boPresent && !closes) endElm = pAddVertex(obj, end, nullptr);
  bool heights3d = false;
  if (boStraightKind(kind))
    heights3d = boIntermediates(node, obj, start, end, endElm);
  else if (startElm && endElm && LiElmGetNext(obj, startElm) == endElm)
    kind == KIND_SPIRAL ? vSpiral(node, obj, startElm) : vCurve(node, obj, startElm, start);
  if (prof && !heights3d && startElm) vProfileHeights(obj, startElm, station, prof);
  return obj;
}

void vFinish(LiLine* obj, xmlNode* featureOwner, bool polygon) {
  if (!obj) return;
  // A bare CoordGeom is described by the Features of its PlanFeature.
  xmlNode* parent = featureOwner->parent;
  if (boXmlNamed(featureOwner, "CoordGeom") && !pXmlChildByName(featureOwner, "Feature") && parent &&
      boXmlNamed(parent, "PlanFeature"))
    featureOwner = parent;
  vLxmlApplyFeatures(featureOwner, obj, polygon ? LXML_OBJ_POLYGON : LXML_OBJ_LINE, nullptr);
  iLiLineRemoveShortElements(obj, 0);
}

// A Parcel written for an unnamed polygon or line: the schema wants a name,
// so it carries its identity in the document ("#3", "##3": one or more '#',
// then digits), the same as its CoordGeom's name, and no oID, which every
// named polygon has.
bool boUnnamedParcel(xmlNode* parcel, xmlNode* geom, const std::optional<std::string>& name) {
  if (!name || sLxmlText(parcel, "oID")) return false;
  size_t hashes = name->find_first_not_of('#');
  if (hashes == 0 || hashes == std::string::npos || name->find_first_not_of("0123456789", hashes) != std::string::npos)
    return false;
  return sLxmlText(geom, "name") == name;
}

void vCoordGeom(xmlNode* geom) {
  xmlNode* parent = geom->parent;
  if (!parent || parent->type != XML_ELEMENT_NODE) return;
  bool polygon = boXmlNamed(parent, "Parcel");
  std::optional<std::string> name = sLxmlText(parent, "name"), code = sLxmlText(parent, "desc");
  LiLine* obj = nullptr;
  Profiles prof;
  if (name) vReadProfiles(parent, &prof);
  if (polygon && boUnnamedParcel(parent, geom, name)) name.reset();
  for (xmlNode* child = geom->children; child; child = child->next) {
    int kind = iKind(child);
    if (kind == KIND_NONE) continue;
    std::optional<std::string> id = name;
    if (!id) id = sLxmlText(child, "oID");
    if (!id) id = sLxmlText(parent, "oID");
    obj = pGeomElement(child, kind, obj, id.value_or("").c_str(), code, polygon, &prof);
  }
  vFinish(obj, geom, polygon);
  std::optional<std::string> ref = sLxmlText(geom, "name");
  if (obj && ref && !*sStrNotNull(polygon ? sMboGetPolygonObjID(obj) : sMboGetLineObjID(obj)))
    (polygon ? g_pLxmlRead->unnamedPolygons : g_pLxmlRead->unnamedLines).emplace(*ref, obj);
}

void vBreaklines(xmlNode* group) {
  for (xmlNode* child = group->children; child; child = child->next) {
    int kind = iKind(child);
    if (kind == KIND_NONE) continue;
    bool polygon = kind == KIND_BOUNDARY;
    LiLine* obj = pGeomElement(child, kind, nullptr, sLxmlText(child, "name").value_or("").c_str(),
                               sLxmlText(child, "desc"), polygon, nullptr);
    vFinish(obj, group, polygon);
  }
}

// ---- Surfaces ----

void vNetField(TrNet* net, const char* name, const char* value) {
  boViFieldsSetOrAddFieldByName(pKvxMboNFieldsGet(), net, name, value);
}

bool boInvisibleWanted() {
  LxmlRead* r = g_pLxmlRead;
  if (!r->iInvisibleAnswer)
    r->iInvisibleAnswer =
        boMsgYesNo(sKvxPoGetText("Some triangles are invisible.\nDo you want to import these?"), false) ? 1 : 2;
  return r->iInvisibleAnswer == 1;
}

// Three whole numbers and nothing else.
bool boThreeIds(const std::string& text, long long ids[3]) {
  const char* p = text.c_str();
  for (int i = 0; i < 3; i++) {
    char* end = nullptr;
    ids[i] = strtoll(p, &end, 10);
    if (end == p) return false;
    p = end;
  }
  return p[strspn(p, " \t\r\n")] == '\0';
}

void vDefinition(TrNet* net, xmlNode* def) {
  // Ids map through a hash: sparse or huge ids cost nothing, and the net
  // gets exactly one point per P.
  std::unordered_map<long long, int> ids;
  int next = iTrNetGetPointCount(net);
  if (xmlNode* pnts = pXmlChildByName(def, "Pnts")) {
    for (xmlNode* p = pnts->children; p; p = p->next) {
      if (!boXmlNamed(p, "P")) continue;
      std::optional<std::string> idText = sLxmlText(p, "id");
      if (!idText) continue;
      char* end = nullptr;
      long long id = strtoll(idText->c_str(), &end, 10);
      if (end == idText->c_str() || ids.count(id)) continue;  // the first of a repeated id wins
      double v[3] = {0, 0, 0};
      int n = iLxmlLengths(v, iNumbers(pXmlNodeContent(p), v, 3));
      if (n < 2) continue;  // a point without a place
      if (n < 3) v[2] = 0;
      GeoPnt3 pt{v[1], v[0], v[2]};
      vTrNetSetP(net, next, &pt);
      ids[id] = next++;
    }
  }
  xmlNode* faces = pXmlChildByName(def, "Faces");
  if (!faces) return;
  int tri = iTrNetGetTriangleCount(net);
  for (xmlNode* f = faces->children; f; f = f->next) {
    if (!boXmlNamed(f, "F")) continue;
    if (sXmlAttrOpt(f, "i").value_or("") == "1" && !boInvisibleWanted()) continue;
    long long t[3];
    if (!boThreeIds(pXmlNodeContent(f), t)) continue;
    int idx[3];
    bool ok = true;
    for (int k = 0; k < 3 && ok; k++) {
      auto it = ids.find(t[k]);
      ok = it != ids.end();
      if (ok) idx[k] = it->second;
    }
    if (ok) vTrNetSetTriangle(net, tri++, idx[0], idx[1], idx[2]);
  }
  vTrNetCalcNeighbours(net);
}

void vSurfaces(xmlNode* group) {
  for (xmlNode* s = group->children; s; s = s->next) {
    if (!boXmlNamed(s, "Surface")) continue;
    std::optional<std::string> name = sXmlAttrOpt(s, "name");
    if (!name) continue;
    TrNet* net = KvxMboNewTriangleNet(name->c_str());
    if (!net) continue;
    if (std::optional<std::string> desc = sLxmlText(s, "desc")) vNetField(net, "desc", desc->c_str());
    for (xmlNode* c = s->children; c; c = c->next) {
      if (boXmlNamed(c, "Feature")) {
        for (xmlNode* p = c->children; p; p = p->next) {
          if (!boXmlNamed(p, "Property")) continue;
          std::optional<std::string> label = sXmlAttrOpt(p, "label"), value = sXmlAttrOpt(p, "value");
          if (label && value && !label->empty()) vNetField(net, label->c_str(), value->c_str());
        }
      } else if (boXmlNamed(c, "Definition") && sXmlAttrOpt(c, "surfType").value_or("") == "TIN") {
        vDefinition(net, c);
      }
    }
  }
}

// ---- Pipe networks ----

void vWarnTag(const char* tag) {
  char text[256];
  sStrPrintN(text, (int)sizeof text, "Tag %s exists in file but is not imported", tag);
  vMsgWarning(text);
}

// The shape child among the names; its name, or null.
xmlNode* pShape(xmlNode* node, std::initializer_list<const char*> names) {
  for (xmlNode* c = node->children; c; c = c->next)
    for (const char* n : names)
      if (boXmlNamed(c, n)) return c;
  return nullptr;
}

void vCopyFields(ViFields* fs, void* obj, xmlNode* from, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (std::optional<std::string> v = sLxmlText(from, n)) boViFieldsSetOrAddFieldByName(fs, obj, n, v->c_str());
}

void vStruct(xmlNode* st) {
  std::optional<std::string> name = sLxmlText(st, "name");
  xmlNode* center = pXmlChildByName(st, "Center");
  if (!name || !center) return;
  double v[2];
  if (iNumbers(pXmlNodeContent(center), v, 2) < 2 || iLxmlLengths(v, 2) < 2) return;
  PoPoint* p = KvxMboNewOrExistingPoint(name->c_str());
  if (!p) return;
  vMboSetPointXY(p, v[1], v[0]);
  // Without a sump level the structure has no height (its rim level is
  // kept as a field only).
  if (std::optional<double> sump = dAttrLength(st, "elevSump")) vMboSetPointZ(p, *sump);
  ViFields* fs = pKvxMboPFieldsGet();
  vCopyFields(fs, p, st, {"desc", "state", "elevSump", "elevRim"});
  xmlNode* shape = pShape(st, {"CircStruct", "RectStruct", "InletStruct", "OutletStruct", "Connection", "Pond"});
  if (!shape) return;
  boViFieldsSetOrAddFieldByName(fs, p, "structtype", (const char*)shape->name);
  if (boXmlNamed(shape, "CircStruct")) vCopyFields(fs, p, shape, {"diameter", "material", "thickness"});
  if (boXmlNamed(shape, "RectStruct"))
    vCopyFields(fs, p, shape, {"length", "height", "width", "material", "thickness"});
  if (boXmlNamed(shape, "Pond")) vWarnTag("Pond");
}

void vPipe(xmlNode* pipe, xmlNode* network) {
  std::optional<std::string> name = sLxmlText(pipe, "name");
  if (!name) return;
  PoPoint* ends[2] = {nullptr, nullptr};
  const char* refs[2] = {"refStart", "refEnd"};
  for (int i = 0; i < 2; i++) {
    std::string ref = sXmlAttrOpt(pipe, refs[i]).value_or("");
    LxmlPtIndexEntry* e = pLxmlPtIndexFindByName(g_pLxmlRead->pPoints, ref.c_str());
    ends[i] = e ? e->pPoint : pMboFindPoint(ref.c_str());
    if (!ends[i]) {
      char text[512];
      sStrPrintN(text, (int)sizeof text, "Point not found %s", ref.c_str());
      vMsgWarning(text);
      return;
    }
  }
  LiLine* line = KvxMboNewLine(name->c_str());
  if (!line) return;
  for (PoPoint* p : ends) {
    LiElm* e = KvxMboAddLineElm(line, sMboGetPointPID(p));
    double x = 0, y = 0;
    if (e && boMboGetPointXY(p, &x, &y)) vMboSetElmXY(line, e, x, y);
  }
  ViFields* fs = pKvxMboLFieldsGet();
  if (std::optional<std::string> net = sXmlAttrOpt(network, "name"))
    boViFieldsSetOrAddFieldByName(fs, line, "name", net->c_str());
  vCopyFields(fs, line, network, {"pipeNetType"});
  vCopyFields(fs, line, pipe, {"slope", "refStart", "refEnd"});
  // The schema's name is ElliPipe; older files spell it ELLiPipe.
  xmlNode* shape = pShape(pipe, {"CircPipe", "RectPipe", "EggPipe", "ElliPipe", "ELLiPipe", "Channel"});
  if (!shape) return;
  boViFieldsSetOrAddFieldByName(fs, line, "type", (const char*)shape->name);
  if (boXmlNamed(shape, "CircPipe"))
    vCopyFields(fs, line, shape, {"diameter", "material", "thickness"});
  else if (boXmlNamed(shape, "RectPipe"))
    vCopyFields(fs, line, shape, {"length", "height", "width", "material", "thickness"});
  else
    vWarnTag((const char*)shape->name);
}

void vInvert(const std::string& structName, xmlNode* inv) {
  std::optional<std::string> refPipe = sXmlAttrOpt(inv, "refPipe");
  LiLine* line = refPipe ? pMboFindLine(refPipe->c_str()) : nullptr;
  if (!line) return;
  std::optional<double> elev = dAttrLength(inv, "elev");
  std::string flow = sXmlAttrOpt(inv, "flowDir").value_or("");
  ViFields* fs = pKvxMboLFieldsGet();
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    char pid[128] = "";
    boMboGetElmPID(line, e, pid, (int)sizeof pid);
    if (structName != pid) continue;
    if (elev) vMboSetElmZ(line, e, *elev);
    vMboSetElmPID(line, e, "");
    bool first = e == LiElmGetFirst(line);
    std::string dir;
    if (flow == "both")
      dir = "both";
    else if (flow == "out")
      dir = first ? "toend" : "tostart";
    else if (flow == "in")
      dir = first ? "tostart" : "toend";
    if (dir.empty()) continue;
    std::string old = sStrNotNull(sViFieldsGetFieldByName(fs, line, "flowDir"));
    if (!old.empty() && old != dir) {
      dir = "mismatch";
      if (!g_pLxmlRead->boFlowMismatchShown) {
        g_pLxmlRead->boFlowMismatchShown = true;
        char text[256];
        sStrPrintN(text, (int)sizeof text,
                   "Mismatch(es) in flow direction exists in file.\nFor these %s attribute are set to \"mismatch\"",
                   "flowDir");
        vMsgInfo(text);
      }
    }
    boViFieldsSetOrAddFieldByName(fs, line, "flowDir", dir.c_str());
  }
}

void vPipeNetworks(xmlNode* group) {
  for (int pass = 1; pass <= 2; pass++) {
    for (xmlNode* net = group->children; net; net = net->next) {
      if (!boXmlNamed(net, "PipeNetwork")) continue;
      for (xmlNode* structs = net->children; structs; structs = structs->next) {
        if (!boXmlNamed(structs, "Structs")) continue;
        for (xmlNode* st = structs->children; st; st = st->next) {
          if (!boXmlNamed(st, "Struct")) continue;
          if (pass == 1) {
            vStruct(st);
            continue;
          }
          std::optional<std::string> name = sLxmlText(st, "name");
          if (!name) continue;
          for (xmlNode* inv = st->children; inv; inv = inv->next)
            if (boXmlNamed(inv, "Invert")) vInvert(*name, inv);
        }
      }
      if (pass == 2) continue;
      for (xmlNode* pipes = net->children; pipes; pipes = pipes->next) {
        if (!boXmlNamed(pipes, "Pipes")) continue;
        for (xmlNode* pipe = pipes->children; pipe; pipe = pipe->next)
          if (boXmlNamed(pipe, "Pipe")) vPipe(pipe, net);
      }
    }
  }
}

}  // namespace

void vLxmlReadGeometry() {
  LxmlRead* r = g_pLxmlRead;
  if (!r || r->sections.size() != LXML_SEC_COUNT) return;
  for (xmlNode* n : r->sections[LXML_SEC_COORDGEOM]) vCoordGeom(n);
  for (xmlNode* n : r->sections[LXML_SEC_BREAKLINES]) vBreaklines(n);
  for (xmlNode* n : r->sections[LXML_SEC_BOUNDARIES]) vBreaklines(n);
  for (xmlNode* n : r->sections[LXML_SEC_SURFACES]) vSurfaces(n);
  for (xmlNode* n : r->sections[LXML_SEC_PIPES]) vPipeNetworks(n);
}
