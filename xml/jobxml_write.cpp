// The JobXML writer (see jobxml_write.h).
#include "xml/jobxml_write.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/geometry.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/project.h"
#include "win32.h"
#include "xml/fxl.h"
#include "xml/jobxml.h"
#include "xml/landxml_write.h"
#include "xml/xmlutil.h"

// Where the 5.6 schema lives; no reader of ours checks it.
#define JXL_SCHEMA_NS "http://www.trimble.com/schema/JobXML/5_6"
#define JXL_SCHEMA_LOCATION JXL_SCHEMA_NS " " JXL_SCHEMA_NS "/JobXMLSchema-5.64.xsd"

namespace {

bool boSetAttr(MboXmlElem* elem, const char* name, const char* ansi) {
  return pMboXmlSetAttr(elem, name, sJxlToUtf8(ansi, true).c_str()) != nullptr;
}

// The fixed Environment: each entry one level below the last entry of the
// level above it.
struct JxlFixedElem {
  int iDepth;
  const char* sName;
  const char* sText;
};

const JxlFixedElem kEnvironment[] = {
    {0, "DisplaySettings", ""},
    {1, "DistanceUnits", "Metres"},
    {1, "HeightUnits", "Metres"},
    {1, "AngleUnits", "Gons"},
    {1, "AzimuthFormat", "Azimuth"},
    {1, "LatitudeLongitudeUnits", "DMSDegrees"},
    {1, "CoordinateOrder", "North-East-Elevation"},
    {1, "TemperatureUnits", "Celsius"},
    {1, "PressureUnits", "MilliBar"},
    {1, "GradeUnits", "Percentage"},
    {1, "AreaUnits", "SquareMetres"},
    {1, "VolumeUnits", "CubicMetres"},
    {1, "StationingFormat", "1+000.0"},
    {1, "StationIndexIncrement", ""},
    {0, "CoordinateSystem", ""},
    {1, "SystemName", ""},
    {1, "ZoneName", ""},
    {1, "DatumName", ""},
    {1, "Ellipsoid", ""},
    {2, "EarthRadius", ""},
    {2, "Flattening", ""},
    {1, "Projection", ""},
    {2, "Type", "ScaleOnly"},
    {2, "Scale", "1"},
    {2, "SouthAzimuth", "false"},
    {2, "GridOrientation", "IncreasingNorthEast"},
    {2, "ApplySeaLevelCorrection", "false"},
    {1, "LocalSite", ""},
    {2, "Type", "Grid"},
    {2, "ProjectLocationLatitude", ""},
    {2, "ProjectLocationLongitude", ""},
    {2, "ProjectLocationHeight", ""},
    {1, "Datum", ""},
    {2, "Type", "NoDatum"},
    {1, "HorizontalAdjustment", ""},
    {2, "Type", "NoAdjustment"},
    {1, "VerticalAdjustment", ""},
    {2, "Type", "NoAdjustment"},
    {1, "CombinedScaleFactor", ""},
    {2, "Location", ""},
    {3, "Latitude", ""},
    {3, "Longitude", ""},
    {3, "Height", ""},
    {2, "Scale", "1"},
    {1, "TectonicPlate", ""},
    {2, "Name", "Unknown"},
};

// " 91" where a part of the line starts, " 99" (" 96" when the line is
// closed) where it ends, else nothing; vertices left out for want of a
// place do not count.
const char* sPartSuffix(LiLine* line, LiElm* vertex) {
  LiElm* prev = LiElmGetPrev(line, vertex);
  while (prev && LiElmGetType(line, prev) != KV2GR_ELM_SUBEND && !boMboVertexPlaced(line, prev))
    prev = LiElmGetPrev(line, prev);
  if (!prev || LiElmGetType(line, prev) == KV2GR_ELM_SUBEND) return " 91";
  bool last = true;  // no later vertex of the part is written
  if (LiElmGetType(line, vertex) != KV2GR_ELM_SUBEND) {
    for (LiElm* e = LiElmGetNext(line, vertex); e && last; e = LiElmGetNext(line, e)) {
      if (boMboVertexPlaced(line, e)) last = false;
      if (LiElmGetType(line, e) == KV2GR_ELM_SUBEND) break;
    }
  }
  if (last) return boLiLineIsPolygon(line) ? " 96" : " 99";
  return "";
}

// The Names of the vertices in the file, which a reader takes for point
// names: "<object ID>-<n>", an unnamed line or polygon named by its place
// in its container as the LandXML writer names it ("#2-1"); a name that a
// point or an earlier vertex already has gets one more '#' in front until
// it is free, so that no two vertices, and no vertex and point, merge. The
// reader keeps MBO_ID_SIZE - 1 characters of a name: a longer object ID is
// shortened so that the '#'s and the vertex number stay whole.
struct VertexNames {
  std::unordered_set<std::string> used;
  std::unordered_map<const void*, std::string> unnamed;
  std::string sLast;
  VertexNames() {
    for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p))
      used.insert(sStrNotNull(sPidGetPart(sMboGetPointPID(p), 2)));
    vLxmlNameUnnamed(g_pMboLines, &unnamed);
    vLxmlNameUnnamed(g_pMboPolygons, &unnamed);
  }
  const char* sName(const void* object, const char* id, int n) {
    auto it = unnamed.find(object);
    const std::string base = it != unnamed.end() ? it->second : std::string(sStrNotNull(id));
    const std::string number = "-" + std::to_string(n);
    const size_t kMax = MBO_ID_SIZE - 1;
    for (std::string hashes;; hashes += '#') {
      size_t fixed = hashes.size() + number.size();
      sLast = hashes + base.substr(0, fixed < kMax ? kMax - fixed : 0) + number;
      if (used.insert(sLast).second) return sLast.c_str();
    }
  }
};

// The XML document holder of one write.
struct JxlDocHolder {
  JxlWriteDoc* doc;
  ~JxlDocHolder() { vJxlFreeDoc(doc); }
};

}  // namespace

std::string sJxlToUtf8(const char* text, bool forAttr) {
  const char* ansi = sStrNotNull(text);
  // Most texts are plain ASCII, the same in both.
  const unsigned char* c = (const unsigned char*)ansi;
  while (*c && *c < 0x80) c++;
  std::string utf8;
  if (!*c) {
    utf8 = ansi;
  } else {
    int size = iStrAnsiToUtf8(ansi, nullptr, 0);
    utf8.assign(size > 0 ? (size_t)size : 1, '\0');
    iStrAnsiToUtf8(ansi, utf8.data(), (int)utf8.size());
    utf8.resize(strlen(utf8.c_str()));
  }
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += forAttr ? "&quot;" : "\"";
        break;
      case '\'':
        out += forAttr ? "&apos;" : "'";
        break;
      default:
        // XML 1.0 has no place for the other control characters.
        if ((unsigned char)c >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
    }
  }
  return out;
}

void vJxlAddTextElem(MboXmlElem* parent, const char* name, const char* text) {
  MboXmlElem* elem = pMboXmlAddChild(parent, name);
  std::string utf8 = sJxlToUtf8(text);
  if (elem && !utf8.empty()) sMboXmlSetText(elem, utf8.c_str());
}

JxlWriteDoc* pJxlNewDoc(const char* jobName) {
  JxlWriteDoc* doc = (JxlWriteDoc*)calloc(1, sizeof(JxlWriteDoc));
  if (!doc) return nullptr;
  doc->pDoc = pMboXmlNewDoc();
  if (!doc->pDoc || !sMboXmlSetVersion(doc->pDoc, "1.0") || !sMboXmlSetEncoding(doc->pDoc, "UTF-8") ||
      !(doc->pRoot = pMboXmlNewRoot(doc->pDoc, "JOBFile"))) {
    vJxlFreeDoc(doc);
    return nullptr;
  }
  vMboXmlSetStandalone(doc->pDoc, 1);
  std::string version = sMboProjectAttr("TERVERSION");
  SYSTEMTIME t;
  GetLocalTime(&t);
  char stamp[64];
  sStrPrintN(stamp, (int)sizeof stamp, "%d-%02d-%02dT%02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
  MboXmlElem* root = doc->pRoot;
  if (!boSetAttr(root, "jobName", jobName) || !boSetAttr(root, "version", "5.64") ||
      !boSetAttr(root, "product", version.empty() ? "Korvax Fieldbook" : "Korvax Terrain") ||
      !boSetAttr(root, "productVersion", version.empty() ? "1.0" : version.c_str()) ||
      !boSetAttr(root, "TimeStamp", stamp) ||
      !boSetAttr(root, "xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance") ||
      !boSetAttr(root, "xsi:schemaLocation", JXL_SCHEMA_LOCATION)) {
    vJxlFreeDoc(doc);
    return nullptr;
  }
  return doc;
}

void vJxlFreeDoc(JxlWriteDoc* doc) {
  if (!doc) return;
  vMboXmlFreeDoc(doc->pDoc);
  free(doc);
}

bool boJxlSaveDoc(JxlWriteDoc* doc, const char* path) { return doc && boMboXmlWriteFile(doc->pDoc, path); }

void vJxlAddAttribute(MboXmlElem* feature, int kind, const char* name, const char* value, xmlDoc* fxl) {
  int found = 0, index = 65535;
  vFxlLookupCode(fxl, kind, name, value, &found, &index);
  MboXmlElem* attr = pMboXmlAddChild(feature, "Attribute");
  if (!attr) return;
  vJxlAddTextElem(attr, "Name", name);
  vJxlAddTextElem(attr, "Value", value);
  vJxlAddTextElem(attr, "Type", found ? "Menu" : "Text");
  if (found) vJxlAddTextElem(attr, "ItemIndex", std::to_string(index).c_str());
}

void vJxlAddFeatures(MboXmlElem* point, const void* object, int kind, ViFields* fields, const char* key, xmlDoc* fxl) {
  MboXmlElem* feature = pMboXmlAddChild(pMboXmlAddChild(point, "Features"), "Feature");
  if (!feature) return;
  boSetAttr(feature, "Name", sViFieldsGetFieldByName(fields, object, key));
  int n = iViFieldsGetCount(fields);
  for (int i = iViFieldsFixedCount(fields); i < n; i++) {
    // Names and values are copied: the lookup may run the library's code.
    std::string name = sStrNotNull(sViFieldsGetFieldName(fields, i));
    if (name == key) continue;
    std::string value = sStrNotNull(sViFieldsGetField(fields, object, i));
    vJxlAddAttribute(feature, kind, name.c_str(), value.c_str(), fxl);
  }
}

MboXmlElem* pJxlAddPoint(MboXmlElem* parent, void* object, int kind, LiElm* vertex, const char* vertexName,
                         ViFields* fields, const char* key, xmlDoc* fxl) {
  std::string code = sStrNotNull(sViFieldsGetFieldByName(fields, object, key));
  std::string name;
  bool xy = true, z = false;
  GeoPnt3 p{0, 0, 0};
  if (vertex) {
    LiLine* line = (LiLine*)object;
    code += sPartSuffix(line, vertex);
    name = sStrNotNull(vertexName);
    // A vertex on a 2-D point, or one that has no height, gets no Elevation.
    uint32_t has = uMboVertexPosition(line, vertex, &p);
    xy = (has & MBO_FLAG_XY) != 0;
    z = xy && (has & MBO_FLAG_Z) && boLiLineIs3d(line);
  } else {
    PoPoint* point = (PoPoint*)object;
    name = sStrNotNull(sPidGetPart(sMboGetPointPID(point), 2));
    // A point without XY keeps an empty Grid: no coordinate is invented. A
    // height it has is not written, and counted for the write's warning.
    xy = boMboGetPointXY(point, &p.x, &p.y);
    if (!xy) boMboPointWritable(point);
    z = xy && boMboGetPointZ(point, &p.z);
  }
  MboXmlElem* elem = pMboXmlAddChild(parent, "Point");
  if (!elem) return nullptr;
  vJxlAddTextElem(elem, "ID", "");
  vJxlAddTextElem(elem, "Name", name.c_str());
  vJxlAddTextElem(elem, "Code", code.empty() ? " " : code.c_str());
  MboXmlElem* grid = pMboXmlAddChild(elem, "Grid");
  if (grid && xy) {
    vJxlAddTextElem(grid, "North", sXmlFixed(p.y).c_str());
    vJxlAddTextElem(grid, "East", sXmlFixed(p.x).c_str());
    if (z) vJxlAddTextElem(grid, "Elevation", sXmlFixed(p.z).c_str());
  }
  vJxlAddFeatures(elem, object, kind, fields, key, fxl);
  return elem;
}

void vJxlAddReductions(MboXmlElem* root, const char* key, xmlDoc* fxl) {
  MboXmlElem* reductions = pMboXmlAddChild(root, "Reductions");
  if (!reductions) return;
  VertexNames names;
  ViFields* lineFields = pViLFieldsGet(g_pMboLines);
  // A vertex without a place is left out (with the write's warning); the
  // others keep their numbers.
  for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l)) {
    if (!boMboLineWritable(l)) continue;
    int n = 0;
    for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
      ++n;
      if (boMboVertexPlaced(l, e))
        pJxlAddPoint(reductions, l, FXL_KIND_LINE, e, names.sName(l, sMboGetLineObjID(l), n), lineFields, key, fxl);
    }
  }
  ViFields* pointFields = pViPFieldsGet(g_pMboPoints);
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p))
    pJxlAddPoint(reductions, p, FXL_KIND_POINT, nullptr, nullptr, pointFields, key, fxl);
  ViFields* polygonFields = pViYFieldsGet(g_pMboPolygons);
  for (YgPolygon* y = YgPolygonsGetFirst(g_pMboPolygons); y; y = YgPolygonsGetNext(g_pMboPolygons, y)) {
    if (!boMboLineWritable(y)) continue;
    int n = 0;
    for (YgElm* e = YgElmGetFirst(y); e; e = YgElmGetNext(y, e)) {
      ++n;
      if (boMboVertexPlaced(y, e))
        pJxlAddPoint(reductions, y, FXL_KIND_POLYGON, e, names.sName(y, sMboGetPolygonObjID(y), n), polygonFields, key,
                     fxl);
    }
  }
}

void vJxlAddEnvironment(MboXmlElem* root, const char* fxlName) {
  MboXmlElem* environment = pMboXmlAddChild(root, "Environment");
  if (!environment) return;
  MboXmlElem* parents[5] = {environment};
  for (const JxlFixedElem& f : kEnvironment) {
    MboXmlElem* elem = pMboXmlAddChild(parents[f.iDepth], f.sName);
    if (!elem) return;
    if (*f.sText) sMboXmlSetText(elem, f.sText);
    parents[f.iDepth + 1] = elem;
  }
  if (!fxlName || !*fxlName) return;
  MboXmlElem* files = pMboXmlAddChild(environment, "AssociatedFiles");
  vJxlAddTextElem(files, "LinkedFiles", "");
  vJxlAddTextElem(files, "ActiveMapFiles", "");
  vJxlAddTextElem(files, "FeatureCodeLibrary", fxlName);
}

int iJxlWriteFile(const char* sPath) {
  if (!sPath) return 0;
  JxlDocHolder holder{pJxlNewDoc(std::string(sPathGetBaseNameTemp(sPath)).c_str())};
  if (!holder.doc) return 0;
  std::string key = sMboProjectAttr("KEYATTRIBUTE");
  // The library lies beside the output: same base name, extension "fxl".
  // A path too long for the buffer means no library.
  char fxlPath[257] = "";
  XmlDocPtr fxl;
  if (key.empty()) {
    key = "S_FCODE";
  } else if (strlen(sPath) < sizeof fxlPath) {
    sStrCopyN(fxlPath, sPath, (int)sizeof fxlPath);
    vPathSetExtN(fxlPath, "fxl", (int)sizeof fxlPath);
    fxl = pXmlParseFile(fxlPath);
  }
  MboXmlElem* root = holder.doc->pRoot;
  MboIndexPass pass;  // vertices look their points up by name
  pMboXmlAddChild(root, "FieldBook");
  vJxlAddReductions(root, key.c_str(), fxl.get());
  vJxlAddEnvironment(root, fxlPath[0] ? std::string(sPathGetNameTemp(fxlPath)).c_str() : "");
  return boJxlSaveDoc(holder.doc, sPath) ? 1 : 0;
}
