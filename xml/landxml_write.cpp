// The LandXML 1.2 writer (see landxml_write.h). The document is printed as
// it is put together (the module's document writer in its streaming form):
// a file of a million points would otherwise first be a tree of some ten
// million elements and attributes.
#include "xml/landxml.h"
#include "xml/landxml_write.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/cnum.h"
#include "base/geometry.h"
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

namespace {

// What the escape makes of each byte: kept, dropped, or an entity or
// character reference.
struct EscapeTable {
  enum : unsigned char { KEEP = 0, DROP = 1, REPLACE = 2 };
  unsigned char what[256];
  unsigned char uRefLen[256];
  char sRef[256][12];
  EscapeTable() {
    for (int c = 0; c < 256; c++) {
      what[c] = KEEP;
      uRefLen[c] = 0;
      sRef[c][0] = 0;
      const char* entity = c == '"'    ? "&quot;"
                           : c == '&'  ? "&amp;"
                           : c == '\'' ? "&apos;"
                           : c == '<'  ? "&lt;"
                           : c == '>'  ? "&gt;"
                                       : nullptr;
      if (entity) {
        what[c] = REPLACE;
        sStrCopyN(sRef[c], entity, (int)sizeof sRef[c]);
      } else if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') {
        what[c] = DROP;
      } else if (c >= 0x80 && c < 0xA0) {
        // What the byte is in code page 1252, as a reference: the declared
        // encoding has no such characters.
        WCHAR w = 0;
        char b = (char)c;
        MultiByteToWideChar(1252, 0, &b, 1, &w, 1);
        what[c] = REPLACE;
        sStrPrintN(sRef[c], (int)sizeof sRef[c], "&#x%X;", (unsigned)(w ? w : c));
      }
      uRefLen[c] = (unsigned char)strlen(sRef[c]);
    }
  }
};

const EscapeTable& Escapes() {
  static const EscapeTable table;
  return table;
}

// The escaped text, handed on in runs: put(data, size).
template <class Put>
void vEscapeRuns(const char* text, size_t n, Put put) {
  const EscapeTable& t = Escapes();
  const unsigned char* p = (const unsigned char*)text;
  const unsigned char* end = p + n;
  while (p < end) {
    const unsigned char* run = p;
    while (p < end && t.what[*p] == EscapeTable::KEEP) p++;
    if (p > run) put((const char*)run, (size_t)(p - run));
    if (p == end) break;
    if (t.what[*p] == EscapeTable::REPLACE) put(t.sRef[*p], t.uRefLen[*p]);
    p++;
  }
}

// The identity in the document of each unnamed polygon, and of each unnamed
// line of the HeXML and Trimble dialects: the name of its CoordGeom, of its
// Parcel (the schema wants one; written without an oID, which every named
// polygon has, the reader knows it for no name) and of its element in the
// HexagonLandXML block, by which the reader finds it again ("" would find
// the first unnamed object). One of its own: no object ID of its kind
// equals it.
std::unordered_map<const void*, std::string> g_lxmlUnnamedIds;

void vNameUnnamed(LiLines* container) { vLxmlNameUnnamed(container, &g_lxmlUnnamedIds); }

// The object's ID, or its identity when it has none.
const char* sDocumentId(const void* obj, const char* id) {
  auto it = g_lxmlUnnamedIds.find(obj);
  return it == g_lxmlUnnamedIds.end() ? id : it->second.c_str();
}

// Every attribute goes through the one escape.
void vAttrN(MboXmlStream* s, const char* name, const char* value, size_t n) {
  if (!boMboXmlStreamAttrBegin(s, name)) return;
  vEscapeRuns(value, n, [s](const char* data, size_t size) { vMboXmlStreamPut(s, data, size); });
  vMboXmlStreamAttrEnd(s);
}

void vAttr(MboXmlStream* s, const char* name, const char* value) {
  value = sStrNotNull(value);
  vAttrN(s, name, value, strlen(value));
}

// Attributes put together for an element printed at once
// (vMboXmlStreamLeaf), escaped as vAttrN escapes.
struct AttrText {
  std::vector<char> buf = std::vector<char>(1024);
  size_t n = 0;
  const EscapeTable& t = Escapes();

  template <size_t N>
  void add(const char (&name)[N], const char* value, size_t len) {
    size_t most = N + 3 + len * sizeof t.sRef[0];
    if (n + most > buf.size()) buf.resize(std::max(2 * buf.size(), n + most));
    char* d = buf.data() + n;
    *d++ = ' ';
    memcpy(d, name, N - 1);
    d += N - 1;
    *d++ = '=';
    *d++ = '"';
    for (const unsigned char *p = (const unsigned char*)value, *end = p + len; p < end; p++) {
      if (t.what[*p] == EscapeTable::KEEP) {
        *d++ = (char)*p;
      } else if (t.what[*p] == EscapeTable::REPLACE) {
        memcpy(d, t.sRef[*p], t.uRefLen[*p]);
        d += t.uRefLen[*p];
      }
    }
    *d++ = '"';
    n = (size_t)(d - buf.data());
  }
};

// Names put by their known length.
template <size_t N>
void vStart(MboXmlStream* s, const char (&name)[N]) {
  vMboXmlStreamStartN(s, name, N - 1);
}

template <size_t N>
void vLeaf(MboXmlStream* s, const char (&name)[N], const AttrText& attrs, const char* text, size_t n) {
  vMboXmlStreamLeaf(s, name, N - 1, attrs.buf.data(), attrs.n, text, n);
}

// Element texts are numbers only: as they stand.
void vText(MboXmlStream* s, const char* text, size_t n) {
  if (boMboXmlStreamTextBegin(s)) vMboXmlStreamPut(s, text, n);
}

// "%f" of the value at out (400 bytes of room: "%f" of the largest double
// needs 316); its length. A coordinate's usual size, 2^-11 <= |v| < 2^52,
// is rounded here in whole-number steps as printf rounds (the exact binary
// value, half to even); any other value goes to the library's printer.
size_t uPrintF(char* out, double v) {
  uint64_t bits;
  memcpy(&bits, &v, sizeof bits);
  int shift = 1075 - (int)(bits >> 52 & 0x7FF);  // |v| = m / 2^shift
  if (shift < 1 || shift > 63) return (size_t)std::max(0, std::min(iNumPrintFixedC(out, 400, v, 6), 399));
  uint64_t m = (bits & ((1ull << 52) - 1)) | 1ull << 52, mask = (1ull << shift) - 1;
  uint64_t whole = m >> shift;
  unsigned __int128 scaled = (unsigned __int128)(m & mask) * 1000000u;
  uint64_t q = (uint64_t)(scaled >> shift), rem = (uint64_t)scaled & mask, half = 1ull << (shift - 1);
  if (rem > half || (rem == half && (q & 1))) q++;
  if (q == 1000000) whole++, q = 0;
  static const char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // Put straight at out: the whole part's digits (its bit length tells
  // their count, or one more), the point and the six decimals.
  static constexpr std::array<uint64_t, 16> kPow10 = [] {
    std::array<uint64_t, 16> a{};
    for (uint64_t k = 0, p = 1; k < a.size(); k++, p *= 10) a[k] = p;
    return a;
  }();
  int digits = (64 - __builtin_clzll(whole | 1)) * 1233 >> 12;  // whole <= 2^52: below 16
  digits += whole >= kPow10[digits];
  char* p = out;
  if (bits >> 63) *p++ = '-';
  char* point = p + std::max(digits, 1);
  for (p = point; whole >= 100; whole /= 100) {
    p -= 2;
    memcpy(p, kPairs + 2 * (whole % 100), 2);
  }
  if (whole >= 10)
    memcpy(p - 2, kPairs + 2 * whole, 2);
  else
    p[-1] = (char)('0' + whole);
  point[0] = '.';
  memcpy(point + 1, kPairs + 2 * (q / 10000), 2);
  memcpy(point + 3, kPairs + 2 * (q / 100 % 100), 2);
  memcpy(point + 5, kPairs + 2 * (q % 100), 2);
  return (size_t)(point + 7 - out);
}

// Values as "%f" would print them, separated by blanks, cut to limit
// characters (the printing buffer they once had). out holds 1200 bytes.
size_t uFixedList(char* out, std::initializer_list<double> values, size_t limit) {
  size_t n = 0;
  for (double v : values) {
    if (n) out[n++] = ' ';
    n += uPrintF(out + n, v);
  }
  return std::min(n, limit);
}

// Coordinates are written north first: Y X, or Y X Z.
const size_t kYXLimit = 127, kYXZLimit = 191;

struct Coords {
  char text[1200];
  size_t n;
};

void vYX(Coords* c, double x, double y) { c->n = uFixedList(c->text, {y, x}, kYXLimit); }
void vYXZ(Coords* c, double x, double y, double z) { c->n = uFixedList(c->text, {y, x, z}, kYXZLimit); }

void vTextYX(MboXmlStream* s, double x, double y) {
  Coords c;
  vYX(&c, x, y);
  vText(s, c.text, c.n);
}

// An element with an attribute-less start tag and a number text.
void vNumberElem(MboXmlStream* s, const char* name, const char* text) {
  vMboXmlStreamStart(s, name);
  vText(s, text, strlen(text));
  vMboXmlStreamEnd(s);
}

// "Korvax attributes": every non-fixed field of the object but "name". A
// line's or polygon's code (`code` not null) is a fixed field and the file
// has no other place for it: it goes first, as the "Code" property the
// reader takes for the object's code. It is written empty too when the
// Feature is there, or the reader would take the Feature's own code.
void vAttributeFeature(MboXmlStream* s, ViFields* fs, const void* obj, const char* code = nullptr) {
  int n = iViFieldsGetCount(fs), fixed = iViFieldsFixedCount(fs);
  if (n <= fixed && !*sStrNotNull(code)) return;
  vMboXmlStreamStart(s, "Feature");
  vAttr(s, "code", "Korvax attributes");
  auto property = [&](const char* label, const char* value) {
    vMboXmlStreamStart(s, "Property");
    vAttr(s, "label", label);
    vAttr(s, "value", value);
    vMboXmlStreamEnd(s);
  };
  if (code) property("Code", code);
  for (int i = fixed; i < n; i++) {
    const char* label = sViFieldsGetFieldName(fs, i);
    if (strcmp(sStrNotNull(label), "name") == 0) continue;
    property(label, sViFieldsGetField(fs, obj, i));
  }
  vMboXmlStreamEnd(s);
}

// ---- Header sections ----

// What the header takes from the project and the system, fetched before
// the file is made.
struct Header {
  char date[51];
  std::string version, project, key;
};

void vApplication(MboXmlStream* s, const Header& h, int dialect) {
  vMboXmlStreamStart(s, "Application");
  std::string name = h.version.empty() ? "Korvax Fieldbook" : "Korvax Terrain " + h.version;
  vAttr(s, "name", name.c_str());
  if (dialect == LXML_DIALECT_LEICA) vAttr(s, "desc", "Export tailored for Leica (Points lines and areas)");
  if (dialect == LXML_DIALECT_TRIMBLE) vAttr(s, "desc", "Export tailored for Trimble (Points lines and areas)");
  vMboXmlStreamEnd(s);
}

void vProject(MboXmlStream* s, const Header& h) {
  vMboXmlStreamStart(s, "Project");
  vAttr(s, "name", h.project.c_str());
  vMboXmlStreamEnd(s);
}

void vUnits(MboXmlStream* s) {
  vMboXmlStreamStart(s, "Units");
  vMboXmlStreamStart(s, "Metric");
  vAttr(s, "linearUnit", "meter");
  vAttr(s, "areaUnit", "squareMeter");
  vAttr(s, "volumeUnit", "cubicMeter");
  vAttr(s, "angularUnit", "grads");
  vAttr(s, "pressureUnit", "HPA");
  vAttr(s, "temperatureUnit", "celsius");
  vMboXmlStreamEnd(s);
  vMboXmlStreamEnd(s);
}

void vCoordinateSystem(MboXmlStream* s) {
  uint64_t cs = g_mboTransfer.uCoSys, ver = g_mboTransfer.uCoSysVersion;
  if (!cs) return;  // none open: nothing to write
  vMboXmlStreamStart(s, "CoordinateSystem");
  vAttr(s, "fileLocation", "");
  const char* name = sCoSysGetName(cs);
  if (name && *name) vAttr(s, "horizontalDatum", name);
  const char* verName = ver ? sCoSysVerGetName(ver) : nullptr;
  if (name && *name && verName && *verName) vAttr(s, "verticalDatum", verName);
  int epsg = iCoSysGetEPSG(cs);
  if (epsg >= 1) {
    char buf[16];
    sStrPrintN(buf, (int)sizeof buf, "%d", epsg);
    vAttr(s, "epsgCode", buf);
  }
  vMboXmlStreamEnd(s);
}

// ---- Points ----

void vPoints(MboXmlStream* s, int dialect, const std::string& key) {
  ViFields* fs = pViPFieldsGet(g_pMboPoints);
  Coords c;
  AttrText attrs;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x, y, z;
    if (!boMboGetPointXY(p, &x, &y)) {
      boMboPointWritable(p);  // counted for the write's warning when it has a height
      continue;
    }
    vStart(s, "CgPoints");
    const char* pid = sStrNotNull(sMboGetPointPID(p));
    size_t pidLen = strlen(pid);
    // The point number: after the last dot, without trailing blanks.
    const char* no = pid + pidLen;
    while (no > pid && no[-1] != '.') no--;
    size_t noLen = (size_t)(pid + pidLen - no);
    while (noLen && no[noLen - 1] == ' ') noLen--;
    const char* code = sStrNotNull(key.empty() ? sPoPointGetField(p) : sViFieldsGetFieldByName(fs, p, key.c_str()));
    // A missing text is written as a blank.
    attrs.n = 0;
    attrs.add("name", noLen ? no : " ", noLen ? noLen : 1);
    attrs.add("code", *code ? code : " ", *code ? strlen(code) : 1);
    attrs.add("oID", pidLen ? pid : " ", pidLen ? pidLen : 1);
    if (boMboGetPointZ(p, &z))
      vYXZ(&c, x, y, z);
    else
      vYX(&c, x, y);
    vLeaf(s, "CgPoint", attrs, c.text, c.n);
    // The reader gives an unnamed Feature to the point just before it.
    if (dialect == LXML_DIALECT_PLAIN || dialect == LXML_DIALECT_LEICA) vAttributeFeature(s, fs, p);
    vMboXmlStreamEnd(s);
  }
}

// ---- Lines and polygons ----

// A vertex that is written: where, and the point it names (null when none).
struct Vertex {
  LiElm* elm;
  uint32_t has;
  GeoPnt3 p;
  PoPoint* point;
};

// One segment of a CoordGeom: from vertex a to vertex b (indexes into the
// vertex list), of the kind of the element at a.
struct Segment {
  int kind;
  uint32_t a, b;
};

// The line's written vertices and segments, found before anything of the
// line is printed: a CoordGeom that would stay empty is left out.
struct Geometry {
  std::vector<Vertex> vertices;
  std::vector<Segment> segments;
};

// Vertices without a place are left out: the segment runs from the vertex
// before to the one after, straight when it no longer ends where its
// element did. A polygon's part closes from its last vertex to its first.
// True when every vertex has a place.
bool boPlanGeometry(Geometry* g, LiLine* line) {
  g->vertices.clear();
  g->segments.clear();
  bool polygon = boLiLineIsPolygon(line);
  bool all = true;
  uint32_t head = 0;
  bool any = false;  // a vertex of this part written
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    Vertex v{e, 0, {0, 0, 0}, nullptr};
    v.has = uMboVertexPosition(line, e, &v.p, &v.point);
    if (v.has & MBO_FLAG_XY) {
      uint32_t at = (uint32_t)g->vertices.size();
      if (any) {
        LiElm* prev = g->vertices.back().elm;
        int kind = LiElmGetNext(line, prev) == e ? LiElmGetType(line, prev) : KV2GR_ELM_STRAIGHT;
        if (kind == KV2GR_ELM_STRAIGHT || kind == KV2GR_ELM_ARC2P || kind == KV2GR_ELM_ARC3P ||
            kind == KV2GR_ELM_CLOTHOID)
          g->segments.push_back({kind, at - 1, at});
      } else {
        head = at;
        any = true;
      }
      g->vertices.push_back(v);
    } else {
      all = false;
    }
    int type = LiElmGetType(line, e);
    if (type == KV2GR_ELM_SUBEND || type == KV2GR_ELM_LAST) {  // the part ends here
      if (polygon && any) g->segments.push_back({KV2GR_ELM_STRAIGHT, (uint32_t)g->vertices.size() - 1, head});
      any = false;
    }
  }
  if (polygon && any) g->segments.push_back({KV2GR_ELM_STRAIGHT, (uint32_t)g->vertices.size() - 1, head});
  return all;
}

// The printed form of the last vertex written: a straight line's end is
// the next one's start.
struct VertexText {
  uint32_t uIndex = UINT32_MAX;
  AttrText attrs;  // the pntRef, or none
  Coords coords;
};

// A Start or End vertex.
template <size_t N>
void vVertex(MboXmlStream* s, const char (&name)[N], LiLine* line, const Geometry& g, uint32_t index,
             VertexText* cache) {
  if (cache->uIndex != index) {
    const Vertex& v = g.vertices[index];
    cache->uIndex = index;
    cache->attrs.n = 0;
    const MboElmData* data = (const MboElmData*)LiElmGetData(line, v.elm);
    // Only a point written as a CgPoint is referred to: the reader must find
    // every reference.
    if (v.point && boMboGetPointXY(v.point, nullptr, nullptr))
      cache->attrs.add("pntRef", data->sPid, strlen(data->sPid));
    // A vertex that only names its point is written at the point (a reader
    // takes these text coordinates for the point); an unknown height is left
    // out, not written as 0.
    if ((v.has & MBO_FLAG_Z) && boLiLineIs3d(line))
      vYXZ(&cache->coords, v.p.x, v.p.y, v.p.z);
    else
      vYX(&cache->coords, v.p.x, v.p.y);
  }
  vLeaf(s, name, cache->attrs, cache->coords.text, cache->coords.n);
}

void vCurve(MboXmlStream* s, LiLine* line, const Geometry& g, const Segment& seg, VertexText* cache) {
  LiElm* e = g.vertices[seg.a].elm;
  vMboXmlStreamStart(s, "Curve");
  double radius = 0;
  boLiElmGetRadius(line, e, &radius);
  char buf[64];
  sStrPrintN(buf, (int)sizeof buf, "%.6f", fabs(radius));
  GeoPnt2 c{0, 0};
  boLiElmGetCenterP(line, e, &c);
  vAttr(s, "rot", radius >= 0 ? "cw" : "ccw");
  vAttr(s, "crvType", "arc");
  vAttr(s, "radius", buf);
  vVertex(s, "Start", line, g, seg.a, cache);
  vMboXmlStreamStart(s, "Center");
  vTextYX(s, c.x, c.y);
  vMboXmlStreamEnd(s);
  vVertex(s, "End", line, g, seg.b, cache);
  vMboXmlStreamEnd(s);
}

// A tangent as a segment from 1000 m before to 1000 m after its point.
// Half the length of a tangent taken at a clothoid's end.
const double kTangentHalf = 1000;

void vTangent(const GeoPnt2& p, double dir, GeoPnt2* a, GeoPnt2* b) {
  *a = p;
  *b = p;
  vGeoPolarMove(a, -kTangentHalf, dir);
  vGeoPolarMove(b, kTangentHalf, dir);
}

void vSpiral(MboXmlStream* s, LiLine* line, const Geometry& g, const Segment& seg, VertexText* cache) {
  LiElm* e = g.vertices[seg.a].elm;
  LiElm* next = g.vertices[seg.b].elm;
  vMboXmlStreamStart(s, "Spiral");
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
  vAttr(s, "rot", rs >= 0 && re >= 0 ? "cw" : "ccw");
  vAttr(s, "spiType", "clothoid");
  vAttr(s, "constant", constant);
  vAttr(s, "radiusStart", radius(rs).c_str());
  vAttr(s, "radiusEnd", radius(re).c_str());
  vAttr(s, "length", length);
  vVertex(s, "Start", line, g, seg.a, cache);
  double d0 = 0, d1 = 0;
  GeoPnt2 p0, p1, a1, a2, b1, b2, pi;
  vLiElmGetP2d(line, e, &p0);
  vLiElmGetP2d(line, next, &p1);
  bool boPi = false, boChord = true;
  if (boLiElmEndDirs(line, e, &d0, &d1)) {
    vTangent(p0, d0, &a1, &a2);
    vTangent(p1, d1, &b1, &b2);
    boPi = iGeoSegmentCross(&a1, &a2, &b1, &b2, &pi) != -1;
    // Parallel tangents on two lines: no crossing at all. (The cross
    // product over the tangent's length is the end's distance from it.)
    boChord = fabs((a2.x - a1.x) * (p1.y - a1.y) - (a2.y - a1.y) * (p1.x - a1.x)) / (2 * kTangentHalf) < 1e-6;
  }
  // The schema wants a PI. A clothoid the geometry library cannot lay
  // between its ends (or that has no place there) is drawn as its chord,
  // whose line holds both its tangents: the chord's middle stands for their
  // crossing.
  if (!boPi && boChord) {
    const GeoPnt3 &ps = g.vertices[seg.a].p, &pe = g.vertices[seg.b].p;
    pi.x = (ps.x + pe.x) / 2;
    pi.y = (ps.y + pe.y) / 2;
    boPi = true;
  }
  if (boPi) {
    vMboXmlStreamStart(s, "PI");
    vTextYX(s, pi.x, pi.y);
    vMboXmlStreamEnd(s);
  }
  vVertex(s, "End", line, g, seg.b, cache);
  vMboXmlStreamEnd(s);
}

// CoordGeom of one object, left out when it would stay empty.
void vCoordGeom(MboXmlStream* s, const Geometry* g, LiLine* line, ViFields* fs, const char* code, int dialect) {
  if (g->segments.empty()) return;
  vMboXmlStreamStart(s, "CoordGeom");
  auto unnamed = g_lxmlUnnamedIds.find(line);
  if (unnamed != g_lxmlUnnamedIds.end()) vAttr(s, "name", unnamed->second.c_str());
  VertexText cache;
  for (const Segment& seg : g->segments) {
    if (seg.kind == KV2GR_ELM_ARC2P || seg.kind == KV2GR_ELM_ARC3P) {
      vCurve(s, line, *g, seg, &cache);
    } else if (seg.kind == KV2GR_ELM_CLOTHOID) {
      vSpiral(s, line, *g, seg, &cache);
    } else {
      vStart(s, "Line");
      vVertex(s, "Start", line, *g, seg.a, &cache);
      vVertex(s, "End", line, *g, seg.b, &cache);
      vMboXmlStreamEnd(s);
    }
  }
  if (dialect != LXML_DIALECT_HEXML) vAttributeFeature(s, fs, line, sStrNotNull(code));
  vMboXmlStreamEnd(s);
}

// The lines or polygons of one container; the group element comes with its
// first member (the schema wants at least one: with every object left out,
// none).
template <class NameFn, class CodeFn>
void vLineGroup(MboXmlStream* s, LiLines* lines, ViFields* fs, const char* group, const char* member, bool boOid,
                NameFn name, CodeFn code, int dialect) {
  Geometry g;
  bool open = false;
  for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
    // Left out whole, with the write's warning; a line whose every vertex
    // has a place is written and counts nothing.
    if (!boPlanGeometry(&g, l) && !boMboLineWritable(l)) continue;
    if (!open) vMboXmlStreamStart(s, group), open = true;
    vMboXmlStreamStart(s, member);
    const char* id = name(l);
    if (id && *id) {
      vAttr(s, "name", id);
      if (boOid) vAttr(s, "oID", id);
    } else if (!strcmp(member, "Parcel")) {
      vAttr(s, "name", sDocumentId(l, ""));
    }
    vCoordGeom(s, &g, l, fs, code(l), dialect);
    vMboXmlStreamEnd(s);
  }
  if (open) vMboXmlStreamEnd(s);
}

void vLines(MboXmlStream* s, int dialect) {
  bool parcels = dialect == LXML_DIALECT_TRIMBLE;
  vLineGroup(s, g_pMboLines, pViLFieldsGet(g_pMboLines), parcels ? "Parcels" : "PlanFeatures",
             parcels ? "Parcel" : "PlanFeature", false, sMboGetLineObjID, sLiLineGetField, dialect);
}

void vPolygons(MboXmlStream* s, int dialect) {
  vLineGroup(s, g_pMboPolygons, pViYFieldsGet(g_pMboPolygons), "Parcels", "Parcel", true, sMboGetPolygonObjID,
             sYgPolygonGetField, dialect);
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

void vSurfaces(MboXmlStream* s, int dialect) {
  if (!TrNetsGetFirst(g_pMboNets)) return;
  vMboXmlStreamStart(s, "Surfaces");
  ViFields* fs = pViNFieldsGet(g_pMboNets);
  std::vector<std::string> names;
  Coords c;
  for (TrNet* net = TrNetsGetFirst(g_pMboNets); net; net = TrNetsGetNext(g_pMboNets, net)) {
    int nPts = iTrNetGetPointCount(net), nTri = iTrNetGetTriangleCount(net);
    if (nPts <= 0 && nTri <= 0) continue;
    vMboXmlStreamStart(s, "Surface");
    std::string id = sStrNotNull(sMboGetTriangleNetObjID(net));
    // The reader takes nets by name: an unnamed one gets a made-up name, or
    // it would not come back.
    vAttr(s, "name", sUniqueName(names, id.empty() ? "Surface" : id).c_str());
    if (!id.empty()) vAttr(s, "OID", id.c_str());
    vMboXmlStreamStart(s, "Definition");
    vAttr(s, "surfType", "TIN");
    vMboXmlStreamStart(s, "Pnts");
    char buf[64];
    // A net point without a finite place is left out, with its triangles;
    // one without a finite height gets two numbers.
    std::vector<bool> placed((size_t)std::max(nPts, 0), false);
    for (int i = 0; i < nPts; i++) {
      GeoPnt3 p{0, 0, 0};
      boTrNetGetP(net, i, &p);
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
      placed[(size_t)i] = true;
      vMboXmlStreamStart(s, "P");
      sStrPrintN(buf, (int)sizeof buf, "%d", i + 1);
      vAttr(s, "id", buf);
      if (std::isfinite(p.z))
        vYXZ(&c, p.x, p.y, p.z);
      else
        vYX(&c, p.x, p.y);
      vText(s, c.text, c.n);
      vMboXmlStreamEnd(s);
    }
    vMboXmlStreamEnd(s);
    auto isPlaced = [&](int k) { return k >= 0 && k < nPts && placed[(size_t)k]; };
    vMboXmlStreamStart(s, "Faces");
    for (int i = 0; i < nTri; i++) {
      int a = 0, b = 0, cc = 0;
      boTrNetGetTriangle(net, i, &a, &b, &cc);
      if (!isPlaced(a) || !isPlaced(b) || !isPlaced(cc)) continue;
      sStrPrintN(buf, (int)sizeof buf, "%d %d %d", a + 1, b + 1, cc + 1);
      vNumberElem(s, "F", buf);
    }
    vMboXmlStreamEnd(s);
    vMboXmlStreamEnd(s);
    if (dialect != LXML_DIALECT_HEXML) vAttributeFeature(s, fs, net);
    vMboXmlStreamEnd(s);
  }
  vMboXmlStreamEnd(s);
}

// ---- The HexagonLandXML block (HeXML dialect) ----

// A number with its trailing zeros (and a bare point) cut.
std::string sCut(const char* fmt, double v) {
  char buf[64];
  sStrPrintN(buf, (int)sizeof buf, fmt, v);
  return sNumCutZeros(buf);
}

void vHexCoordinateSystem(MboXmlStream* s) {
  uint64_t cs = g_mboTransfer.uCoSys;
  if (!cs) return;
  vMboXmlStreamStart(s, "CoordinateSystem");
  const char* name = sCoSysGetName(cs);
  if (name && *name) vAttr(s, "name", name);
  vAttr(s, "type", "classic");
  vAttr(s, "residualDistributionKind", "no distribution");
  vMboXmlStreamStart(s, "Ellipsoid");
  vAttr(s, "name", sCoSysGetDatumID(cs));
  vAttr(s, "ReciprocFlattening", sCut("%.9f", dCoSysGetDatumACompr(cs)).c_str());
  vAttr(s, "SemiMajorAxis", sCut("%.6f", dCoSysGetDatumAMajor(cs)).c_str());
  vMboXmlStreamEnd(s);
  vMboXmlStreamStart(s, "Projection");
  vAttr(s, "name", sStrNotNull(sCoSysGetProjectionName(cs)));
  vMboXmlStreamStart(s, "TransverseMercatorProjection");
  const double deg = 57.29577951308232;
  double x = 0, y = 0, z = 0;
  vCoSysGetShiftXYZ(cs, &x, &y, &z);
  vAttr(s, "scale0", sCut("%.6f", dCoSysGetScale(cs)).c_str());
  vAttr(s, "zoneWidth", "12");
  vAttr(s, "phi0", sCut("%.8f", dCoSysGetRefLatitude(cs) * deg).c_str());
  vAttr(s, "lambda0", sCut("%.8f", dCoSysGetRefLongitude(cs) * deg).c_str());
  vAttr(s, "falseN", sCut("%.3f", y).c_str());
  vAttr(s, "falseE", sCut("%.3f", x).c_str());
  vMboXmlStreamEnd(s);
  vMboXmlStreamEnd(s);
  vMboXmlStreamEnd(s);
}

// What the code elements of one container's objects take from its field
// set, found once for them all: the key attribute's column and the columns
// written as attributes (neither the code, nor the key, nor "S_OBJID").
struct HexColumns {
  ViFields* fs;
  const std::string& key;
  bool boKeyIsCode;  // the key names the code column, which is no real one
  int iKey;
  std::vector<std::pair<int, const char*>> attrs;  // column and name
  HexColumns(ViFields* f, const std::string& k) : fs(f), key(k) {
    boKeyIsCode = key == "S_FCODE";
    iKey = key.empty() || boKeyIsCode ? -1 : iViFieldsFindField(fs, key.c_str());
    const char* skip = key.empty() ? "S_FCODE" : key.c_str();
    for (int i = iViFieldsFixedCount(fs), n = iViFieldsGetCount(fs); i < n; i++) {
      const char* name = sStrNotNull(sViFieldsGetFieldName(fs, i));
      if (strcmp(name, skip) && strcmp(name, "S_OBJID")) attrs.push_back({i, name});
    }
  }
};

// The code element of one object: its code (the key attribute's value, or
// its own code) and its attribute values.
void vHexCode(MboXmlStream* s, const char* codeElem, const HexColumns& cols, const void* obj, const char* ownCode) {
  const char* code =
      sStrNotNull(cols.key.empty() || cols.boKeyIsCode ? ownCode : sViFieldsGetField(cols.fs, obj, cols.iKey));
  // A line's or polygon's code has no other place in the document.
  if (cols.attrs.empty() && !*code) return;
  bool open = false;
  if (*code) {
    vMboXmlStreamStart(s, codeElem);
    vAttr(s, "code", code);
    open = true;
  }
  for (const auto& [i, name] : cols.attrs) {
    const char* value = sViFieldsGetField(cols.fs, obj, i);
    if (!value || !*value) continue;
    if (!open) vMboXmlStreamStart(s, codeElem), open = true;
    vMboXmlStreamStart(s, "Attribute");
    vAttr(s, "name", name);
    vAttr(s, "value", value);
    vMboXmlStreamEnd(s);
  }
  if (open) vMboXmlStreamEnd(s);
}

void vHexBlock(MboXmlStream* s, const std::string& key) {
  vMboXmlStreamStart(s, "HexagonLandXML");
  vAttr(s, "xmlns", HEXML_NS_13);
  vAttr(s, "xsi:schemaLocation", HEXML_NS_13 " " HEXML_NS_13 ".xsd");
  vAttr(s, "xmlns:landxml", LXML_NS_12);
  vHexCoordinateSystem(s);
  // One element per object: its identity, then its code element.
  auto object = [&](const char* name, const char* idAttr, const char* id, const char* codeElem, const HexColumns& cols,
                    const void* obj, const char* code) {
    vMboXmlStreamStart(s, name);
    vAttr(s, idAttr, id);
    vHexCode(s, codeElem, cols, obj, code);
    vMboXmlStreamEnd(s);
  };
  HexColumns pcols(pViPFieldsGet(g_pMboPoints), key);
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p))
    object("Point", "uniqueID", sMboGetPointPID(p), "PointCode", pcols, p, sPoPointGetField(p));
  HexColumns lcols(pViLFieldsGet(g_pMboLines), key);
  for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l))
    object("PlanFeature", "name", sDocumentId(l, sMboGetLineObjID(l)), "LineCode", lcols, l, sLiLineGetField(l));
  HexColumns ycols(pViYFieldsGet(g_pMboPolygons), key);
  for (YgPolygon* y = YgPolygonsGetFirst(g_pMboPolygons); y; y = YgPolygonsGetNext(g_pMboPolygons, y))
    object("Parcel", "name", sDocumentId(y, sMboGetPolygonObjID(y)), "AreaCode", ycols, y, sYgPolygonGetField(y));
  vMboXmlStreamEnd(s);
}

struct UnnamedIdsHolder {
  ~UnnamedIdsHolder() { g_lxmlUnnamedIds.clear(); }
};

}  // namespace

void vLxmlNameUnnamed(LiLines* container, std::unordered_map<const void*, std::string>* names) {
  std::unordered_set<std::string> ids;
  for (LiLine* l = LiLinesGetFirst(container); l; l = LiLinesGetNext(container, l))
    ids.insert(sStrNotNull(sMboGetLineObjID(l)));
  int k = 0;
  for (LiLine* l = LiLinesGetFirst(container); l; l = LiLinesGetNext(container, l)) {
    ++k;
    if (*sStrNotNull(sMboGetLineObjID(l))) continue;
    std::string id = "#" + std::to_string(k);
    while (ids.count(id)) id = "#" + id;
    (*names)[l] = id;
  }
}

bool boLxmlWriteFile(const char* sPath, int iDialect) {
  LxmlDialect = iDialect;
  UnnamedIdsHolder holder;
  Header h{};
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, "yyyy'-'MM'-'dd", h.date, (int)sizeof h.date - 1);
  if (iDialect == LXML_DIALECT_PLAIN || iDialect == LXML_DIALECT_HEXML) h.key = sMboProjectAttr("KEYATTRIBUTE");
  h.version = sMboProjectAttr("TERVERSION");
  h.project = sMboProjectAttr("PROJECT");
  if (iDialect == LXML_DIALECT_HEXML || iDialect == LXML_DIALECT_TRIMBLE) vNameUnnamed(g_pMboLines);
  vNameUnnamed(g_pMboPolygons);
  MboXmlStream* s = pMboXmlStreamOpen(sPath, "1.0", "iso-8859-1", 0);
  if (!s) {
    // The write's warning still tells what it would have left out, as when
    // the document was put together before the file was made.
    for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) boMboPointWritable(p);
    for (LiLines* lines : {g_pMboLines, g_pMboPolygons})
      for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) boMboLineWritable(l);
    return false;
  }
  vMboXmlStreamStart(s, "LandXML");
  vAttr(s, "xmlns", LXML_NS_12);
  vAttr(s, "xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
  vAttr(s, "xsi:schemaLocation", LXML_NS_12 " " LXML_NS_12 "/LandXML-1.2.xsd");
  vAttr(s, "version", "1.2");
  vAttr(s, "date", h.date);
  vAttr(s, "time", "00:00:00");
  vAttr(s, "readOnly", "false");
  vAttr(s, "language", "English");
  vApplication(s, h, iDialect);
  vProject(s, h);
  vUnits(s);
  vCoordinateSystem(s);
  vPoints(s, iDialect, h.key);
  vLines(s, iDialect);
  vPolygons(s, iDialect);
  vSurfaces(s, iDialect);
  if (iDialect == LXML_DIALECT_HEXML) vHexBlock(s, h.key);
  return boMboXmlStreamClose(s, true);
}
