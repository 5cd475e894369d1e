// The LandXML reader: entry, units, points and features (see
// landxml_read.h).
#include "xml/landxml_read.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kvxlib.h"
#include "xml/landxml.h"

LxmlRead* g_pLxmlRead = nullptr;

namespace {

bool boBlank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

// Up to three numbers of the element's text (north, east, height) in
// metres; the scan ends at the first value that is absent (no xs:double, or
// not finite in metres).
LxmlCoords Scan(xmlNode* node) {
  LxmlCoords c{0, 0, 0, 0};
  // The usual element holds one text node: read it where it lies (a line
  // feed among leading blanks is white space to the number scan anyway).
  xmlNode* only = node ? node->children : nullptr;
  bool direct = only && !only->next && only->type == XML_TEXT_NODE && only->content;
  std::string text = direct ? std::string() : pXmlNodeContent(node);
  double* out[3] = {&c.north, &c.east, &c.height};
  const char* p = direct ? (const char*)only->content : text.c_str();
  std::optional<double> v;
  while (c.iCount < 3 && boXmlNextDouble(&p, &v) && (v = dLxmlLength(v))) *out[c.iCount++] = *v;
  return c;
}

ViFields* pFieldsOf(int kind) {
  switch (kind) {
    case LXML_OBJ_POINT:
      return pKvxMboPFieldsGet();
    case LXML_OBJ_LINE:
      return pKvxMboLFieldsGet();
    case LXML_OBJ_POLYGON:
      return pKvxMboYFieldsGet();
    default:
      return nullptr;
  }
}

const char* sCodeOf(void* obj, int kind) {
  switch (kind) {
    case LXML_OBJ_POINT:
      return sPoPointGetField((PoPoint*)obj);
    case LXML_OBJ_LINE:
      return sLiLineGetField((LiLine*)obj);
    case LXML_OBJ_POLYGON:
      return sYgPolygonGetField((YgPolygon*)obj);
    default:
      return "";
  }
}

void vSetCode(void* obj, int kind, const char* code) {
  switch (kind) {
    case LXML_OBJ_POINT:
      vPoPointSetField((PoPoint*)obj, code);
      break;
    case LXML_OBJ_LINE:
      vLiLineSetField((LiLine*)obj, code);
      break;
    case LXML_OBJ_POLYGON:
      vYgPolygonSetField((YgPolygon*)obj, code);
      break;
    default:
      break;
  }
}

// The "Property" children of one Feature.
void vApplyProperties(xmlNode* feature, void* obj, int kind) {
  for (xmlNode* p = feature->children; p; p = p->next) {
    if (!boXmlNamed(p, "Property")) continue;
    std::optional<std::string> label = sXmlAttrOpt(p, "label"), value = sXmlAttrOpt(p, "value");
    if (!label || !value) continue;
    if (*label == "Code")
      vSetCode(obj, kind, value->c_str());
    else
      boViFieldsSetOrAddFieldByName(pFieldsOf(kind), obj, label->c_str(), value->c_str());
  }
}

bool boInCodeList(const char* codes, const std::string& code) {
  std::string list = codes;
  size_t start = 0;
  for (;;) {
    size_t end = list.find(';', start);
    if (list.compare(start, end == std::string::npos ? std::string::npos : end - start, code) == 0) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

void vSetField(PoPoint* p, const char* name, const char* value) {
  if (value) boViFieldsSetOrAddFieldByName(pKvxMboPFieldsGet(), p, name, value);
}

bool boBlank(const char* s) { return !s[strspn(s, " \t\r\n")]; }

// One CgPoint; the point, or null when it was skipped. Its attributes are
// read where the document holds them.
PoPoint* pReadCgPoint(xmlNode* node, bool group, const char* cls) {
  std::string oidCopy, nameCopy, scratch;
  const char* oid = sXmlAttrView(node, "oID", &oidCopy);
  const char* name = sXmlAttrView(node, "name", &nameCopy);
  bool oidUsable = oid && *oid && iStrCmpNoCase(oid, "undefined") != 0;
  const char* id = oidUsable ? oid : name;
  if (!id || !*id) return nullptr;
  LxmlCoords c = Scan(node);
  if (c.iCount < 2) return nullptr;
  // An all-blank ID (the writer's mark for a point without one) makes a
  // point without ID, never merged with another.
  PoPoint* p = boBlank(id) ? KvxMboNewPoint("") : KvxMboNewOrExistingPoint(id);
  if (!p) return nullptr;
  if (const char* code = sXmlAttrView(node, "code", &scratch)) vPoPointSetField(p, boBlank(code) ? "" : code);
  vSetField(p, "codename", sLxmlTextView(node, "codename", &scratch));
  vSetField(p, "LeicaPointClass", cls);
  vSetField(p, "desc", sLxmlTextView(node, "desc", &scratch));
  vSetField(p, "timeStamp", sLxmlTextView(node, "timeStamp", &scratch));
  vMboSetPointXY(p, c.east, c.north);
  if (group) vMboSetPointXYprecalc(p, 0);
  if (c.iCount == 3) {
    vMboSetPointZ(p, c.height);
    if (group) vMboSetPointZprecalc(p, 0);
  }
  bool aliased = name && !boBlank(name);
  pLxmlPtIndexAdd(g_pLxmlRead->pPoints, p, aliased ? name : nullptr, (intptr_t)node);
  return p;
}

void vReadCgPoints(xmlNode* group, bool deferred, const char* cls) {
  PoPoint* last = nullptr;  // the point read just before, in this element
  for (xmlNode* child = group->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    if (boXmlNamed(child, "CgPoint")) {
      last = pReadCgPoint(child, deferred, cls);
    } else if (boXmlNamed(child, "Feature")) {
      std::optional<std::string> name = sLxmlText(child, "name");
      PoPoint* target = name ? pMboFindPoint(name->c_str()) : last;
      if (target) vApplyProperties(child, target, LXML_OBJ_POINT);
    } else {
      break;
    }
  }
}

void vCgPoints(const std::vector<xmlNode*>& groups) {
  // Reference, control and averaged coordinates are read last, each class
  // in document order, so that reference beats control beats averaged.
  static const char* const classes[] = {"Averaged", "Control", "Reference"};
  std::vector<xmlNode*> deferred[3];
  for (xmlNode* node : groups) {
    std::optional<std::string> name = sXmlAttrOpt(node, "name");
    int k = 0;
    while (k < 3 && !(name && iStrCmpNoCase(name->c_str(), classes[k]) == 0)) k++;
    if (k < 3)
      deferred[k].push_back(node);
    else
      vReadCgPoints(node, false, name ? name->c_str() : nullptr);
  }
  for (int k = 0; k < 3; k++)
    for (xmlNode* node : deferred[k]) vReadCgPoints(node, true, classes[k]);
}

// Metres per unit of the schema's linear units ("metre" as "meter").
double dMetresPer(const std::string& unit) {
  static const struct {
    const char* sName;
    double dMetres;
  } units[] = {{"millimeter", 0.001},
               {"centimeter", 0.01},
               {"meter", 1},
               {"metre", 1},
               {"kilometer", 1000},
               {"foot", 0.3048},
               {"USSurveyFoot", 1200.0 / 3937},
               {"inch", 0.0254},
               {"mile", 1609.344}};
  for (const auto& u : units)
    if (unit == u.sName) return u.dMetres;
  return 0;
}

// Units: the angle unit, and the length unit by which every length is
// turned into metres (an unknown one is warned of and read as metres).
void vUnits(const std::vector<xmlNode*>& metrics, const std::vector<xmlNode*>& imperials,
            const std::vector<xmlNode*>& systems) {
  LxmlRead* r = g_pLxmlRead;
  r->angle.uUnit = LXML_ANG_RAD;
  r->dLength = 1;
  // Imperial units carry the same angular unit as metric ones.
  std::optional<std::string> unit;
  for (const std::vector<xmlNode*>* kind : {&metrics, &imperials})
    for (xmlNode* n : *kind)
      if (!unit) unit = sXmlAttrOpt(n, "angularUnit");
  static const char* const names[] = {"radians", "grads", "decimal degrees", "decimal dd.mm.ss"};
  for (uint32_t u = 0; u < 4; u++)
    if (unit && *unit == names[u]) r->angle.uUnit = u;
  for (const std::vector<xmlNode*>* kind : {&metrics, &imperials}) {
    xmlNode* first = nullptr;
    for (xmlNode* n : *kind)
      if (!first && n->parent && boXmlNamed(n->parent, "Units")) first = n;
    std::optional<std::string> linear = first ? sXmlAttrOpt(first, "linearUnit") : std::nullopt;
    if (!linear) continue;
    if (double metres = dMetresPer(*linear)) {
      r->dLength = metres;
      break;
    }
    char text[512];
    sStrPrintN(text, (int)sizeof text, sKvxPoGetText("The file gives lengths in \"%s\". They are read as metres."),
               linear->c_str());
    vMsgWarning(text);
    break;
  }
  if (!systems.empty()) {
    std::optional<std::string> name = sXmlAttrOpt(systems[0], "projectedCoordinateSystemName");
    if (!name) name = sXmlAttrOpt(systems[0], "verticalDatum");
    if (name) sStrCopyN(r->angle.sCoSysName, name->c_str(), 50);
  }
}

struct ReadState {
  LxmlRead read{};
  ~ReadState() {
    vLxmlPtIndexFree(&read.pPoints);
    vLxmlSetupIndexFree(&read.pSetups);
    g_pLxmlRead = nullptr;
  }
};

}  // namespace

bool boLxmlInterpret(const char* buffer, int64_t length) {
  XmlDocPtr doc = pXmlParseMemory(buffer, length);
  return boLxmlInterpretDoc(std::move(doc), length);
}

bool boLxmlInterpretDoc(XmlDocPtr doc, int64_t length) {
  if (!doc) return false;
  g_pXmlDoc = doc.get();
  int version = LXML_VERSION_10;
  XmlContextPtr ctx = pXmlLxmlXPathContext(doc.get(), &version);
  if (!ctx) return false;
  XmlContextPtr hex = LxmlDialect == LXML_DIALECT_HEXML ? pXmlHexXPathContext(doc.get()) : nullptr;
  ReadState state;
  LxmlRead* r = &state.read;
  r->pDoc = doc.get();
  r->pCtx = ctx.get();
  r->pHexCtx = hex.get();
  r->iVersion = version;
  // About one point per 100 bytes of a typical file.
  r->pPoints = pLxmlPtIndexNew((int)std::min<int64_t>(length / 100 + 1, 1 << 22));
  r->pSetups = pLxmlSetupIndexNew();
  if (!r->pPoints || !r->pSetups) return false;
  g_pLxmlRead = r;
  boXmlSchemaCheck(doc.get(), version);
  MboIndexPass pass;  // points are merged by name
  // Every section's elements from one walk (an XPath search per section
  // would walk the whole tree each time).
  xmlXPathContext* lxml = r->pCtx;
  r->sections = XmlElementsByName(r->pDoc, {{lxml, "CgPoints"},
                                            {lxml, "Metric"},
                                            {lxml, "Imperial"},
                                            {lxml, "CoordinateSystem"},
                                            {lxml, "InstrumentSetup"},
                                            {lxml, "ObservationGroup"},
                                            {lxml, "GPSSetup"},
                                            {lxml, "CoordGeom"},
                                            {lxml, "Breaklines"},
                                            {lxml, "Boundaries"},
                                            {lxml, "Surfaces"},
                                            {lxml, "PipeNetworks"},
                                            {r->pHexCtx, "Survey"},
                                            {r->pHexCtx, "HexagonLandXML"}});
  if (r->sections.size() != LXML_SEC_COUNT) return false;
  vUnits(r->sections[LXML_SEC_METRIC], r->sections[LXML_SEC_IMPERIAL], r->sections[LXML_SEC_COSYS]);
  vCgPoints(r->sections[LXML_SEC_CGPOINTS]);
  vLxmlReadSurvey();
  vLxmlReadGeometry();
  vLxmlReadHexBlock();
  return true;
}

// ---------------------------------------------------------------------------
// Shared helpers

std::optional<double> dLxmlLength(const std::optional<double>& value) {
  if (!value) return std::nullopt;
  double metres = *value * (g_pLxmlRead ? g_pLxmlRead->dLength : 1);
  if (!std::isfinite(metres)) return std::nullopt;
  return metres;
}

int iLxmlLengths(double* values, int n) {
  for (int i = 0; i < n; i++) {
    std::optional<double> metres = dLxmlLength(values[i]);
    if (!metres) return i;
    values[i] = *metres;
  }
  return n;
}

std::optional<std::string> sLxmlLengthText(const std::optional<std::string>& text) {
  if (!g_pLxmlRead || g_pLxmlRead->dLength == 1) return sXmlNumberText(text);
  std::optional<double> metres = dLxmlLength(text ? dXmlNumber(*text) : std::nullopt);
  if (!metres) return std::nullopt;
  // Fixed decimals (a station's instrument height is a short text: cut, it
  // still holds the value); an exponent only beyond any real length.
  char buf[64];
  if (std::fabs(*metres) < 1e15) {
    iNumPrintC(buf, (int)sizeof buf, "%.10f", *metres);
    char* end = buf + strlen(buf);
    while (end[-1] == '0') *--end = 0;
    if (end[-1] == '.') end[-1] = 0;
  } else {
    iNumPrintC(buf, (int)sizeof buf, "%.17g", *metres);
  }
  return std::string(buf);
}

std::optional<std::string> sLxmlText(xmlNode* node, const char* name) {
  std::optional<std::string> v = sXmlAttrOpt(node, name);
  if (v && boBlank(*v)) return std::nullopt;
  return v;
}

const char* sLxmlTextView(xmlNode* node, const char* name, std::string* scratch) {
  const char* v = sXmlAttrView(node, name, scratch);
  return v && v[strspn(v, " \t\r\n")] ? v : nullptr;
}

std::optional<double> dLxmlAttrNumber(xmlNode* node, const char* name) {
  std::string scratch;
  return dXmlNumber(sLxmlTextView(node, name, &scratch));
}

std::optional<double> dLxmlNumber(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return dXmlNumber(*text);
}

xmlNode* pLxmlFeature(xmlNode* node, const char* code) {
  for (xmlNode* f = node ? node->children : nullptr; f; f = f->next)
    if (boXmlNamed(f, "Feature") && sXmlAttrOpt(f, "code").value_or("") == code) return f;
  return nullptr;
}

LxmlPtIndexEntry* pLxmlResolvePoint(xmlNode* elem, int flags, LxmlCoords* found, LxmlCoords* scanned) {
  LxmlRead* r = g_pLxmlRead;
  if (!r || !elem) return nullptr;
  std::optional<std::string> ref, name;
  if (flags & (LXML_REF_BY_NAME | LXML_REF_BY_ALIAS)) ref = sLxmlText(elem, "pntRef");
  if (flags & LXML_REF_BY_ALIAS) name = sLxmlText(elem, "name");
  std::optional<std::string> code = sXmlAttrOpt(elem, "code");
  auto lookUp = [&](const std::string& key) {
    LxmlPtIndexEntry* e = nullptr;
    if (flags & LXML_REF_BY_NAME) e = pLxmlPtIndexFindByName(r->pPoints, key.c_str());
    if (!e && (flags & LXML_REF_BY_ALIAS)) e = pLxmlPtIndexFindByAlias(r->pPoints, key.c_str());
    return e;
  };
  LxmlPtIndexEntry* entry = ref ? lookUp(*ref) : nullptr;
  if (!entry && name) entry = lookUp(*name);
  if (entry && found) {
    double x = 0, y = 0, z = 0;
    int n = boMboGetPointXY(entry->pPoint, &x, &y) ? 2 : 0;
    if (n && boMboGetPointZ(entry->pPoint, &z)) n = 3;
    *found = LxmlCoords{y, x, z, n};
  }
  if (entry && (!(flags & LXML_REF_READ_COORDS) || !scanned)) return entry;
  LxmlCoords c = Scan(elem);
  if (scanned) *scanned = c;
  // A reference names a point, it never moves one: the element's own
  // numbers are the caller's to use.
  if (entry) return entry;
  if (found) *found = c;
  // Only whole coordinates are stored: XY with two numbers, Z with three.
  const std::optional<std::string>& id = LxmlDialect == LXML_DIALECT_HEXML ? (name ? name : ref) : (ref ? ref : name);
  if (c.iCount < 1 || !id) return nullptr;
  PoPoint* p = KvxMboNewOrExistingPoint(id->c_str());
  if (!p) return nullptr;
  // The precalculated flags stay as they were; a first value is measured.
  if (c.iCount >= 2) {
    bool had = boMboGetPointXY(p, nullptr, nullptr), precalc = boMboGetPointXYprecalc(p);
    vMboSetPointXY(p, c.east, c.north);
    if (had) vMboSetPointXYprecalc(p, precalc);
  }
  if (c.iCount == 3) {
    bool had = boMboGetPointZ(p, nullptr), precalc = boMboGetPointZprecalc(p);
    vMboSetPointZ(p, c.height);
    if (had) vMboSetPointZprecalc(p, precalc);
  }
  if (code) vPoPointSetField(p, boBlank(*code) ? "" : code->c_str());
  return pLxmlPtIndexAdd(r->pPoints, p, nullptr, (intptr_t)elem);
}

void vLxmlApplyFeatures(xmlNode* elem, void* obj, int kind, const char* codes) {
  if (!elem || !obj) return;
  for (xmlNode* f = elem->children; f; f = f->next) {
    if (!boXmlNamed(f, "Feature")) continue;
    std::string code = sXmlAttrOpt(f, "code").value_or("");
    if (codes) {
      if (!boInCodeList(codes, code)) continue;
    } else if (!code.empty() && !*sStrNotNull(sCodeOf(obj, kind))) {
      vSetCode(obj, kind, code.c_str());
    }
    vApplyProperties(f, obj, kind);
  }
}

double dLxmlAngleToRad(double value, uint32_t unit) {
  switch (unit) {
    case LXML_ANG_GRAD:
      return value * M_PI / 200;
    case LXML_ANG_DEG:
      return value * M_PI / 180;
    case LXML_ANG_DMS: {
      double d = std::trunc(value);
      double rest = (value - d) * 100;
      double m = std::trunc(rest);
      double s = (rest - m) * 100;
      if (std::fabs(s) >= 60) {
        m += s < 0 ? -1 : 1;
        s = 0;
      }
      if (std::fabs(m) >= 60) {
        d += m < 0 ? -1 : 1;
        m = 0;
      }
      return (d + m / 60 + s / 3600) * M_PI / 180;
    }
    default:
      return value;
  }
}

std::optional<std::string> sLxmlAngle(double value, bool zenith) {
  uint64_t cs = g_mboTransfer.uCoSys;
  uint32_t unit = g_pLxmlRead ? g_pLxmlRead->angle.uUnit : (uint32_t)LXML_ANG_RAD;
  double user = dCoSysScaleAng2User(cs, dLxmlAngleToRad(value, unit));
  double internal = zenith ? dCoSysVerDir2Math(cs, user) : dCoSysHorDir2Math(cs, user);
  // A finite value in the file can overflow in the scaling.
  if (!std::isfinite(internal)) return std::nullopt;
  char buf[64];
  sStrPrintN(buf, (int)sizeof buf, "%.12f", internal);
  return buf;
}
