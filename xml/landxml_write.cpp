// The LandXML 1.2 writer (see landxml_write.h).
#include "xml/landxml.h"
#include "xml/landxml_write.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/geometry.h"
#include "base/cnum.h"
#include "base/numbers.h"
#include "base/text.h"
#include "fieldbook/model.h"
#include "fieldbook/project.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kv2gr.h"
#include "win32.h"
#include "xml/xmldoc.h"

#define LXML_NS_12 "http://www.landxml.org/schema/LandXML-1.2"
#define HEXML_NS_13 "http://xml.hexagon.com/schema/HeXML-1.3"

std::string sLxmlEscapeAttr(const char* sText) {
  std::string out;
  for (const unsigned char* p = (const unsigned char*)sStrNotNull(sText); *p; p++) {
    unsigned char c = *p;
    switch (c) {
      case '"':
        out += "&quot;";
        continue;
      case '&':
        out += "&amp;";
        continue;
      case '\'':
        out += "&apos;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      default:
        break;
    }
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') continue;
    if (c >= 0x80 && c < 0xA0) {
      WCHAR w = 0;
      MultiByteToWideChar(1252, 0, (const char*)p, 1, &w, 1);
      char ref[16];
      sStrPrintN(ref, (int)sizeof ref, "&#x%X;", (unsigned)(w ? w : c));
      out += ref;
      continue;
    }
    out += (char)c;
  }
  return out;
}

namespace {

// HeXML: the identity of each unnamed line and polygon in the document, the
// name of its CoordGeom and of its element in the HexagonLandXML block, by
// which the reader finds it again ("" would find the first unnamed object).
// One of its own: no object ID of its kind equals it.
std::unordered_map<const void*, std::string> g_lxmlUnnamedIds;

void vNameUnnamed(LiLines* container) {
  std::unordered_set<std::string> ids;
  for (LiLine* l = LiLinesGetFirst(container); l; l = LiLinesGetNext(container, l))
    ids.insert(sStrNotNull(sMboGetLineObjID(l)));
  int k = 0;
  for (LiLine* l = LiLinesGetFirst(container); l; l = LiLinesGetNext(container, l)) {
    ++k;
    if (*sStrNotNull(sMboGetLineObjID(l))) continue;
    std::string id = "#" + std::to_string(k);
    while (ids.count(id)) id = "#" + id;
    g_lxmlUnnamedIds[l] = id;
  }
}

// The object's ID, or its identity when it has none.
const char* sDocumentId(const void* obj, const char* id) {
  auto it = g_lxmlUnnamedIds.find(obj);
  return it == g_lxmlUnnamedIds.end() ? id : it->second.c_str();
}

// Every attribute goes through the one escape.
bool boAttr(MboXmlElem* elem, const char* name, const char* value) {
  return pMboXmlSetAttr(elem, name, sLxmlEscapeAttr(value).c_str()) != nullptr;
}

// Values as "%f" would print them, separated by blanks, cut to limit
// characters (the printing buffer they once had).
std::string sFixedList(std::initializer_list<double> values, size_t limit) {
  std::string out;
  for (double v : values) {
    char buf[400];  // "%f" of the largest double needs 316
    if (!out.empty()) out += ' ';
    out.append(buf, (size_t)std::max(0, std::min(iNumPrintFixedC(buf, (int)sizeof buf, v, 6), (int)sizeof buf - 1)));
  }
  if (out.size() > limit) out.resize(limit);
  return out;
}

// Coordinates are written north first: Y X, or Y X Z.
std::string sYX(double x, double y) { return sFixedList({y, x}, 127); }

std::string sYXZ(double x, double y, double z) { return sFixedList({y, x, z}, 191); }

// "Korvax attributes": every non-fixed field of the object but "name". A
// line's or polygon's code (`code` not null) is a fixed field and the file
// has no other place for it: it goes first, as the "Code" property the
// reader takes for the object's code. It is written empty too when the
// Feature is there, or the reader would take the Feature's own code.
void vAttributeFeature(MboXmlElem* parent, ViFields* fs, const void* obj, const char* code = nullptr) {
  int n = iViFieldsGetCount(fs), fixed = iViFieldsFixedCount(fs);
  if (n <= fixed && !*sStrNotNull(code)) return;
  MboXmlElem* feature = pMboXmlAddChild(parent, "Feature");
  if (!feature) return;
  boAttr(feature, "code", "Korvax attributes");
  auto property = [&](const char* label, const char* value) {
    MboXmlElem* prop = pMboXmlAddChild(feature, "Property");
    boAttr(prop, "label", label);
    boAttr(prop, "value", value);
  };
  if (code) property("Code", code);
  for (int i = fixed; i < n; i++) {
    const char* label = sViFieldsGetFieldName(fs, i);
    if (strcmp(sStrNotNull(label), "name") == 0) continue;
    property(label, sViFieldsGetField(fs, obj, i));
  }
}

// ---- Header sections (failures make the whole write fail) ----

bool boApplication(MboXmlElem* root, int dialect) {
  MboXmlElem* app = pMboXmlAddChild(root, "Application");
  if (!app) return false;
  std::string version = sMboProjectAttr("TERVERSION");
  std::string name = version.empty() ? "Korvax Fieldbook" : "Korvax Terrain " + version;
  bool ok = boAttr(app, "name", name.c_str());
  if (dialect == LXML_DIALECT_LEICA)
    ok = ok && boAttr(app, "desc", "Export tailored for Leica (Points lines and areas)");
  if (dialect == LXML_DIALECT_TRIMBLE)
    ok = ok && boAttr(app, "desc", "Export tailored for Trimble (Points lines and areas)");
  return ok;
}

bool boProject(MboXmlElem* root) {
  MboXmlElem* project = pMboXmlAddChild(root, "Project");
  return project && boAttr(project, "name", sMboProjectAttr("PROJECT").c_str());
}

bool boUnits(MboXmlElem* root) {
  MboXmlElem* metric = pMboXmlAddChild(pMboXmlAddChild(root, "Units"), "Metric");
  return metric && boAttr(metric, "linearUnit", "meter") && boAttr(metric, "areaUnit", "squareMeter") &&
         boAttr(metric, "volumeUnit", "cubicMeter") && boAttr(metric, "angularUnit", "grads") &&
         boAttr(metric, "pressureUnit", "HPA") && boAttr(metric, "temperatureUnit", "celsius");
}

bool boCoordinateSystem(MboXmlElem* root) {
  uint64_t cs = g_mboTransfer.uCoSys, ver = g_mboTransfer.uCoSysVersion;
  if (!cs) return true;  // none open: nothing to write
  MboXmlElem* elem = pMboXmlAddChild(root, "CoordinateSystem");
  if (!elem || !boAttr(elem, "fileLocation", "")) return false;
  const char* name = sCoSysGetName(cs);
  if (name && *name && !boAttr(elem, "horizontalDatum", name)) return false;
  const char* verName = ver ? sCoSysVerGetName(ver) : nullptr;
  if (name && *name && verName && *verName && !boAttr(elem, "verticalDatum", verName)) return false;
  int epsg = iCoSysGetEPSG(cs);
  if (epsg >= 1) {
    char buf[16];
    sStrPrintN(buf, (int)sizeof buf, "%d", epsg);
    if (!boAttr(elem, "epsgCode", buf)) return false;
  }
  return true;
}

// ---- Points ----

void vPoints(MboXmlElem* root, int dialect, const std::string& key) {
  ViFields* fs = pViPFieldsGet(g_pMboPoints);
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x, y, z;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    MboXmlElem* group = pMboXmlAddChild(root, "CgPoints");
    MboXmlElem* pt = pMboXmlAddChild(group, "CgPoint");
    if (!pt) continue;
    std::string no = sMboGetPointNo(p);
    std::string code = key.empty() ? sPoPointGetField(p) : sViFieldsGetFieldByName(fs, p, key.c_str());
    std::string pid = sMboGetPointPID(p);
    boAttr(pt, "name", no.empty() ? " " : no.c_str());
    boAttr(pt, "code", code.empty() ? " " : code.c_str());
    boAttr(pt, "oID", pid.empty() ? " " : pid.c_str());
    sMboXmlSetText(pt, (boMboGetPointZ(p, &z) ? sYXZ(x, y, z) : sYX(x, y)).c_str());
    // The reader gives an unnamed Feature to the point just before it.
    if (dialect == LXML_DIALECT_PLAIN || dialect == LXML_DIALECT_LEICA) vAttributeFeature(group, fs, p);
  }
}

// ---- Lines and polygons ----

// A Start, End or closing vertex.
bool boVertex(MboXmlElem* parent, const char* name, LiLine* line, LiElm* e) {
  MboXmlElem* v = pMboXmlAddChild(parent, name);
  if (!v) return false;
  const MboElmData* data = (const MboElmData*)LiElmGetData(line, e);
  // Only a point written as a CgPoint is referred to: the reader must find
  // every reference.
  PoPoint* pt = data && data->sPid[0] ? pMboFindPoint(data->sPid) : nullptr;
  if (pt && !boMboGetPointXY(pt, nullptr, nullptr)) pt = nullptr;
  if (pt && !boAttr(v, "pntRef", data->sPid)) return false;
  // A vertex that only names its point is written at the point (a reader
  // takes these text coordinates for the point); an unknown height is left
  // out, not written as 0, and so is a place the vertex does not have.
  GeoPnt3 p;
  uint32_t has = uMboVertexPosition(line, e, &p);
  if (!(has & MBO_FLAG_XY)) return true;
  if ((has & MBO_FLAG_Z) && boLiLineIs3d(line)) return sMboXmlSetText(v, sYXZ(p.x, p.y, p.z).c_str()) != nullptr;
  return sMboXmlSetText(v, sYX(p.x, p.y).c_str()) != nullptr;
}

bool boStraight(MboXmlElem* geom, LiLine* line, LiElm* from, LiElm* to) {
  MboXmlElem* elem = pMboXmlAddChild(geom, "Line");
  return elem && boVertex(elem, "Start", line, from) && boVertex(elem, "End", line, to);
}

bool boCurve(MboXmlElem* geom, LiLine* line, LiElm* e, LiElm* next) {
  MboXmlElem* elem = pMboXmlAddChild(geom, "Curve");
  if (!elem) return false;
  double radius = 0;
  boLiElmGetRadius(line, e, &radius);
  char buf[64];
  sStrPrintN(buf, (int)sizeof buf, "%.6f", fabs(radius));
  GeoPnt2 c{0, 0};
  boLiElmGetCenterP(line, e, &c);
  MboXmlElem* start = nullptr;
  return boAttr(elem, "rot", radius >= 0 ? "cw" : "ccw") && boAttr(elem, "crvType", "arc") &&
         boAttr(elem, "radius", buf) && boVertex(elem, "Start", line, e) &&
         (start = pMboXmlAddChild(elem, "Center")) != nullptr && sMboXmlSetText(start, sYX(c.x, c.y).c_str()) &&
         boVertex(elem, "End", line, next);
}

// A tangent as a segment from 1000 m before to 1000 m after its point.
void vTangent(const GeoPnt2& p, double dir, GeoPnt2* a, GeoPnt2* b) {
  *a = p;
  *b = p;
  vGeoPolarMove(a, -1000, dir);
  vGeoPolarMove(b, 1000, dir);
}

bool boSpiral(MboXmlElem* geom, LiLine* line, LiElm* e, LiElm* next) {
  MboXmlElem* elem = pMboXmlAddChild(geom, "Spiral");
  if (!elem) return false;
  double a = 0, rs = 0, re = 0;
  boLiElmGetClotoide(line, e, &a, &rs, &re);
  auto radius = [](double r) {
    char buf[64];
    if (fabs(r) <= 1e-5) return std::string("INF");
    sStrPrintN(buf, (int)sizeof buf, "%.6f", fabs(r));
    return std::string(buf);
  };
  char constant[64], length[64];
  sStrPrintN(constant, (int)sizeof constant, "%.6f", a);
  sStrPrintN(length, (int)sizeof length, "%.6f", dLiElmLength(line, e));
  if (!boAttr(elem, "rot", rs >= 0 && re >= 0 ? "cw" : "ccw") || !boAttr(elem, "spiType", "clothoid") ||
      !boAttr(elem, "constant", constant) || !boAttr(elem, "radiusStart", radius(rs).c_str()) ||
      !boAttr(elem, "radiusEnd", radius(re).c_str()) || !boAttr(elem, "length", length) ||
      !boVertex(elem, "Start", line, e))
    return false;
  double d0 = 0, d1 = 0;
  GeoPnt2 p0, p1, a1, a2, b1, b2, pi;
  vLiElmGetP2d(line, e, &p0);
  vLiElmGetP2d(line, next, &p1);
  if (boLiElmEndDirs(line, e, &d0, &d1)) {
    vTangent(p0, d0, &a1, &a2);
    vTangent(p1, d1, &b1, &b2);
    if (iGeoSegmentCross(&a1, &a2, &b1, &b2, &pi) != -1) {
      MboXmlElem* piElem = pMboXmlAddChild(elem, "PI");
      if (!piElem || !sMboXmlSetText(piElem, sYX(pi.x, pi.y).c_str())) return false;
    }
  }
  return boVertex(elem, "End", line, next);
}

// One line or polygon into a CoordGeom; false when nothing was written.
// Vertices without a place are left out: the segment runs from the vertex
// before to the one after, straight when it no longer ends where its
// element did.
bool boGeometry(MboXmlElem* geom, LiLine* line) {
  bool polygon = boLiLineIsPolygon(line);
  bool any = false;
  for (LiElm* first = LiElmGetFirst(line); first; first = pGeoSubLineNext(line, first)) {
    LiElm* head = nullptr;  // the part's first vertex written
    LiElm* prev = nullptr;  // the last one so far
    for (LiElm* e = first; e; e = LiElmGetNext(line, e)) {
      int type = LiElmGetType(line, e);
      bool end = type == KV2GR_ELM_SUBEND || type == KV2GR_ELM_LAST;
      if (boMboVertexPlaced(line, e)) {
        if (prev) {
          int kind = LiElmGetNext(line, prev) == e ? LiElmGetType(line, prev) : KV2GR_ELM_STRAIGHT;
          bool ok = true;
          if (kind == KV2GR_ELM_STRAIGHT)
            ok = boStraight(geom, line, prev, e), any = true;
          else if (kind == KV2GR_ELM_ARC2P || kind == KV2GR_ELM_ARC3P)
            ok = boCurve(geom, line, prev, e), any = true;
          else if (kind == KV2GR_ELM_CLOTHOID)
            ok = boSpiral(geom, line, prev, e), any = true;
          if (!ok) return false;
        } else {
          head = e;
        }
        prev = e;
      }
      if (end) break;
    }
    if (polygon && prev) {
      if (!boStraight(geom, line, prev, head)) return false;
      any = true;
    }
  }
  return any;
}

// CoordGeom of one object, removed again when it stays empty.
void vCoordGeom(MboXmlElem* owner, LiLine* line, ViFields* fs, const char* code, int dialect) {
  MboXmlElem* geom = pMboXmlAddChild(owner, "CoordGeom");
  if (!geom) return;
  auto unnamed = g_lxmlUnnamedIds.find(line);
  if (unnamed != g_lxmlUnnamedIds.end()) boAttr(geom, "name", unnamed->second.c_str());
  if (!boGeometry(geom, line)) {
    vMboXmlFreeElem(geom);
    return;
  }
  if (dialect != LXML_DIALECT_HEXML) vAttributeFeature(geom, fs, line, sStrNotNull(code));
}

void vLines(MboXmlElem* root, int dialect) {
  if (!LiLinesGetFirst(g_pMboLines)) return;
  bool parcels = dialect == LXML_DIALECT_TRIMBLE;
  MboXmlElem* group = pMboXmlAddChild(root, parcels ? "Parcels" : "PlanFeatures");
  if (!group) return;
  ViFields* fs = pViLFieldsGet(g_pMboLines);
  for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l)) {
    if (!boMboLineWritable(l)) continue;  // left out whole, with the write's warning
    MboXmlElem* elem = pMboXmlAddChild(group, parcels ? "Parcel" : "PlanFeature");
    if (!elem) continue;
    const char* id = sMboGetLineObjID(l);
    if (id && *id) boAttr(elem, "name", id);
    vCoordGeom(elem, l, fs, sLiLineGetField(l), dialect);
  }
  // The schema wants at least one member: with every line left out, none.
  if (iMboXmlGetChildCount(group) == 0) vMboXmlFreeElem(group);
}

void vPolygons(MboXmlElem* root, int dialect) {
  if (!YgPolygonsGetFirst(g_pMboPolygons)) return;
  MboXmlElem* group = pMboXmlAddChild(root, "Parcels");
  if (!group) return;
  ViFields* fs = pViYFieldsGet(g_pMboPolygons);
  for (YgPolygon* y = YgPolygonsGetFirst(g_pMboPolygons); y; y = YgPolygonsGetNext(g_pMboPolygons, y)) {
    if (!boMboLineWritable(y)) continue;
    MboXmlElem* elem = pMboXmlAddChild(group, "Parcel");
    if (!elem) continue;
    const char* id = sMboGetPolygonObjID(y);
    if (id && *id) boAttr(elem, "name", id), boAttr(elem, "oID", id);
    vCoordGeom(elem, y, fs, sYgPolygonGetField(y), dialect);
  }
  if (iMboXmlGetChildCount(group) == 0) vMboXmlFreeElem(group);
}

// ---- Triangle nets ----

// The name made unique among the surfaces written so far: Hill, Hill (1),
// Hill (2), ...
std::string sUniqueName(std::vector<std::string>& names, const std::string& id) {
  int n = 0;
  for (const std::string& s : names)
    if (s == id) n++;
  names.push_back(id);
  if (!n) return id;
  char buf[32];
  sStrPrintN(buf, (int)sizeof buf, " (%d)", n);
  return id + buf;
}

void vSurfaces(MboXmlElem* root, int dialect) {
  if (!TrNetsGetFirst(g_pMboNets)) return;
  MboXmlElem* group = pMboXmlAddChild(root, "Surfaces");
  if (!group) return;
  ViFields* fs = pViNFieldsGet(g_pMboNets);
  std::vector<std::string> names;
  for (TrNet* net = TrNetsGetFirst(g_pMboNets); net; net = TrNetsGetNext(g_pMboNets, net)) {
    int nPts = iTrNetGetPointCount(net), nTri = iTrNetGetTriangleCount(net);
    if (nPts <= 0 && nTri <= 0) continue;
    MboXmlElem* surface = pMboXmlAddChild(group, "Surface");
    if (!surface) continue;
    std::string id = sStrNotNull(sMboGetTriangleNetObjID(net));
    // The reader takes nets by name: an unnamed one gets a made-up name, or
    // it would not come back.
    boAttr(surface, "name", sUniqueName(names, id.empty() ? "Surface" : id).c_str());
    if (!id.empty()) boAttr(surface, "OID", id.c_str());
    MboXmlElem* def = pMboXmlAddChild(surface, "Definition");
    boAttr(def, "surfType", "TIN");
    MboXmlElem* pnts = pMboXmlAddChild(def, "Pnts");
    char buf[64];
    // A net point without a finite place is left out, with its triangles;
    // one without a finite height gets two numbers.
    std::vector<bool> placed((size_t)std::max(nPts, 0), false);
    for (int i = 0; i < nPts; i++) {
      GeoPnt3 p{0, 0, 0};
      boTrNetGetP(net, i, &p);
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
      placed[(size_t)i] = true;
      MboXmlElem* pe = pMboXmlAddChild(pnts, "P");
      sStrPrintN(buf, (int)sizeof buf, "%d", i + 1);
      boAttr(pe, "id", buf);
      sMboXmlSetText(pe, (std::isfinite(p.z) ? sYXZ(p.x, p.y, p.z) : sYX(p.x, p.y)).c_str());
    }
    auto isPlaced = [&](int k) { return k >= 0 && k < nPts && placed[(size_t)k]; };
    MboXmlElem* faces = pMboXmlAddChild(def, "Faces");
    for (int i = 0; i < nTri; i++) {
      int a = 0, b = 0, c = 0;
      boTrNetGetTriangle(net, i, &a, &b, &c);
      if (!isPlaced(a) || !isPlaced(b) || !isPlaced(c)) continue;
      sStrPrintN(buf, (int)sizeof buf, "%d %d %d", a + 1, b + 1, c + 1);
      sMboXmlSetText(pMboXmlAddChild(faces, "F"), buf);
    }
    if (dialect != LXML_DIALECT_HEXML) vAttributeFeature(surface, fs, net);
  }
}

// ---- The HexagonLandXML block (HeXML dialect) ----

// A number with its trailing zeros (and a bare point) cut.
std::string sCut(const char* fmt, double v) {
  char buf[64];
  sStrPrintN(buf, (int)sizeof buf, fmt, v);
  return sNumCutZeros(buf);
}

bool boHexCoordinateSystem(MboXmlElem* block) {
  uint64_t cs = g_mboTransfer.uCoSys;
  if (!cs) return true;
  MboXmlElem* elem = pMboXmlAddChild(block, "CoordinateSystem");
  if (!elem) return false;
  const char* name = sCoSysGetName(cs);
  if (name && *name) boAttr(elem, "name", name);
  boAttr(elem, "type", "classic");
  boAttr(elem, "residualDistributionKind", "no distribution");
  MboXmlElem* ell = pMboXmlAddChild(elem, "Ellipsoid");
  boAttr(ell, "name", sCoSysGetDatumID(cs));
  boAttr(ell, "ReciprocFlattening", sCut("%.9f", dCoSysGetDatumACompr(cs)).c_str());
  boAttr(ell, "SemiMajorAxis", sCut("%.6f", dCoSysGetDatumAMajor(cs)).c_str());
  MboXmlElem* proj = pMboXmlAddChild(elem, "Projection");
  boAttr(proj, "name", sStrNotNull(sCoSysGetProjectionName(cs)));
  MboXmlElem* tm = pMboXmlAddChild(proj, "TransverseMercatorProjection");
  const double deg = 57.29577951308232;
  double x = 0, y = 0, z = 0;
  vCoSysGetShiftXYZ(cs, &x, &y, &z);
  boAttr(tm, "scale0", sCut("%.6f", dCoSysGetScale(cs)).c_str());
  boAttr(tm, "zoneWidth", "12");
  boAttr(tm, "phi0", sCut("%.8f", dCoSysGetRefLatitude(cs) * deg).c_str());
  boAttr(tm, "lambda0", sCut("%.8f", dCoSysGetRefLongitude(cs) * deg).c_str());
  boAttr(tm, "falseN", sCut("%.3f", y).c_str());
  boAttr(tm, "falseE", sCut("%.3f", x).c_str());
  return true;
}

// The code element of one object: its code (the key attribute's value, or
// its own code) and its attribute values.
void vHexCode(MboXmlElem* owner, const char* codeElem, ViFields* fs, const void* obj, const char* ownCode,
              const std::string& key) {
  int n = iViFieldsGetCount(fs), fixed = iViFieldsFixedCount(fs);
  std::string code = key.empty() ? sStrNotNull(ownCode) : sStrNotNull(sViFieldsGetFieldByName(fs, obj, key.c_str()));
  // A line's or polygon's code has no other place in the document.
  if (n <= fixed && code.empty()) return;
  MboXmlElem* elem = nullptr;
  if (!code.empty() && (elem = pMboXmlAddChild(owner, codeElem)) != nullptr) boAttr(elem, "code", code.c_str());
  for (int i = fixed; i < n; i++) {
    std::string name = sStrNotNull(sViFieldsGetFieldName(fs, i));
    const char* value = sViFieldsGetField(fs, obj, i);
    if (name == (key.empty() ? "S_FCODE" : key) || !value || !*value || name == "S_OBJID") continue;
    if (!elem && !(elem = pMboXmlAddChild(owner, codeElem))) return;
    MboXmlElem* attr = pMboXmlAddChild(elem, "Attribute");
    boAttr(attr, "name", name.c_str());
    boAttr(attr, "value", value);
  }
}

bool boHexBlock(MboXmlElem* root, const std::string& key) {
  MboXmlElem* block = pMboXmlAddChild(root, "HexagonLandXML");
  if (!block || !boAttr(block, "xmlns", HEXML_NS_13) ||
      !boAttr(block, "xsi:schemaLocation", HEXML_NS_13 " " HEXML_NS_13 ".xsd") ||
      !boAttr(block, "xmlns:landxml", LXML_NS_12))
    return false;
  if (!boHexCoordinateSystem(block)) return false;
  // One element per object: its identity, then its code element.
  auto object = [&](const char* name, const char* idAttr, const char* id, const char* codeElem, ViFields* fs,
                    const void* obj, const char* code) {
    MboXmlElem* e = pMboXmlAddChild(block, name);
    if (!e) return;
    boAttr(e, idAttr, id);
    vHexCode(e, codeElem, fs, obj, code, key);
  };
  ViFields* pfs = pViPFieldsGet(g_pMboPoints);
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p))
    object("Point", "uniqueID", sMboGetPointPID(p), "PointCode", pfs, p, sPoPointGetField(p));
  ViFields* lfs = pViLFieldsGet(g_pMboLines);
  for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l))
    object("PlanFeature", "name", sDocumentId(l, sMboGetLineObjID(l)), "LineCode", lfs, l, sLiLineGetField(l));
  ViFields* yfs = pViYFieldsGet(g_pMboPolygons);
  for (YgPolygon* y = YgPolygonsGetFirst(g_pMboPolygons); y; y = YgPolygonsGetNext(g_pMboPolygons, y))
    object("Parcel", "name", sDocumentId(y, sMboGetPolygonObjID(y)), "AreaCode", yfs, y, sYgPolygonGetField(y));
  return true;
}

struct DocHolder {
  MboXmlDoc* doc;
  ~DocHolder() {
    vMboXmlFreeDoc(doc);
    g_lxmlUnnamedIds.clear();
  }
};

}  // namespace

bool boLxmlWriteFile(const char* sPath, int iDialect) {
  LxmlDialect = iDialect;
  DocHolder holder{pMboXmlNewDoc()};
  MboXmlDoc* doc = holder.doc;
  if (!doc || !sMboXmlSetEncoding(doc, "iso-8859-1") || !sMboXmlSetVersion(doc, "1.0")) return false;
  MboXmlElem* root = pMboXmlNewRoot(doc, "LandXML");
  if (!root) return false;
  char date[51] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, "yyyy'-'MM'-'dd", date, (int)sizeof date - 1);
  if (!boAttr(root, "xmlns", LXML_NS_12) || !boAttr(root, "xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance") ||
      !boAttr(root, "xsi:schemaLocation", LXML_NS_12 " " LXML_NS_12 "/LandXML-1.2.xsd") ||
      !boAttr(root, "version", "1.2") || !boAttr(root, "date", date) || !boAttr(root, "time", "00:00:00") ||
      !boAttr(root, "readOnly", "false") || !boAttr(root, "language", "English"))
    return false;
  std::string key;
  if (iDialect == LXML_DIALECT_PLAIN || iDialect == LXML_DIALECT_HEXML) key = sMboProjectAttr("KEYATTRIBUTE");
  if (iDialect == LXML_DIALECT_HEXML) {
    vNameUnnamed(g_pMboLines);
    vNameUnnamed(g_pMboPolygons);
  }
  if (!boApplication(root, iDialect) || !boProject(root) || !boUnits(root) || !boCoordinateSystem(root)) return false;
  vPoints(root, iDialect, key);
  vLines(root, iDialect);
  vPolygons(root, iDialect);
  vSurfaces(root, iDialect);
  if (iDialect == LXML_DIALECT_HEXML) boHexBlock(root, key);
  return boMboXmlWriteFile(doc, sPath);
}
