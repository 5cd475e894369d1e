// The LandXML reader's HexagonLandXML block (HeXML dialect, see
// landxml_read.h): codes, attribute values, point classes, grid
// coordinates, image links and annotations for the points, lines and
// polygons already read, and reflector names for the observations.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/paths.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/imagelink.h"
#include "fieldbook/model.h"
#include "fieldbook/transfer_context.h"
#include "kv2gr.h"
#include "xml/landxml_read.h"

namespace {

const int kLinkMax = 3999;

// Field names of the form "Group.name", cut to 29 characters.
std::string sDotted(const char* group, const char* name) {
  std::string s = std::string(group) + "." + name;
  if (s.size() > 29) s.resize(29);
  return s;
}

void vField(ViFields* fs, void* obj, const std::string& name, const std::string& value) {
  boViFieldsSetOrAddFieldByName(fs, obj, name.c_str(), value.c_str());
}

// "annotation1" to "annotation4" of the element.
void vAnnotations(xmlNode* elem, ViFields* fs, void* obj) {
  if (!elem) return;
  for (int i = 1; i <= 4; i++) {
    std::string name = "annotation" + std::to_string(i);
    std::optional<std::string> v = sXmlAttrOpt(elem, name.c_str());
    if (v && !v->empty()) vField(fs, obj, sDotted("Annotation", name.c_str()), *v);
  }
}

void vImages(xmlNode* images, ViFields* fs, void* obj) {
  char base[MBO_PATH_SIZE];
  sPathGetDir(g_mboTransfer.sRawPath, base, (int)sizeof base);
  for (xmlNode* ref = images->children; ref; ref = ref->next) {
    if (ref->type != XML_ELEMENT_NODE || !strstr((const char*)ref->name, "DocFileRef")) continue;
    std::string location = sXmlAttrOpt(ref, "location").value_or("");
    char dir[MBO_PATH_SIZE] = "", file[MBO_PATH_SIZE] = "";
    sPathGetDir(location.c_str(), dir, (int)sizeof dir);
    sPathGetName(location.c_str(), file, (int)sizeof file);
    std::string name, sub;
    if (*dir && *file) {
      name = file;
      sub = dir;
    } else {
      std::optional<std::string> n = sXmlAttrOpt(ref, "name"), f = sXmlAttrOpt(ref, "fileFormat");
      if (!n || !f) continue;
      name = *n + "." + *f;
      if (name.size() > 256) continue;
      sub = location;
    }
    char found[257];
    if (!boXmlFindImageFile(name.c_str(), base, sub.c_str(), "Images", found, (int)sizeof found)) continue;
    std::string link = sStrNotNull(sViFieldsGetFieldByName(fs, obj, "S_HYPERLINK"));
    if (!link.empty()) link += ";";
    link += found;
    if ((int)link.size() > kLinkMax) link.resize(kLinkMax);
    vField(fs, obj, "S_HYPERLINK", link);
  }
}

// A code element ("PointCode", "LineCode", "AreaCode"): the code when the
// object has none, its Attributes as fields.
void vCode(xmlNode* elem, ViFields* fs, void* obj, const char* ownCode, void (*setCode)(void*, const char*)) {
  std::optional<std::string> code = sXmlAttrOpt(elem, "code");
  if (code && !code->empty() && !*sStrNotNull(ownCode)) setCode(obj, code->c_str());
  for (xmlNode* a = elem->children; a; a = a->next) {
    if (!boXmlNamed(a, "Attribute")) continue;
    std::optional<std::string> name = sXmlAttrOpt(a, "name"), value = sXmlAttrOpt(a, "value");
    if (name && value && !name->empty() && !value->empty()) vField(fs, obj, *name, *value);
  }
}

void vSetPointCode(void* p, const char* c) { vPoPointSetField((PoPoint*)p, c); }
void vSetLineCode(void* l, const char* c) { vLiLineSetField((LiLine*)l, c); }
void vSetPolygonCode(void* y, const char* c) { vYgPolygonSetField((YgPolygon*)y, c); }

int iClassRank(const std::optional<std::string>& cls) {
  if (!cls || cls->empty()) return -1;
  static const char* const names[] = {"measured", "averaged", "control", "reference"};
  for (int i = 0; i < 4; i++)
    if (iStrCmpNoCase(cls->c_str(), names[i]) == 0) return i + 1;
  return 0;
}

void vPoint(xmlNode* elem) {
  std::optional<std::string> id = sXmlAttrOpt(elem, "uniqueID");
  PoPoint* p = id ? pMboFindPoint(id->c_str()) : nullptr;
  if (!p) return;
  ViFields* fs = pKvxMboPFieldsGet();
  for (xmlNode* c = elem->children; c; c = c->next) {
    if (boXmlNamed(c, "PointCode")) {
      vCode(c, fs, p, sPoPointGetField(p), vSetPointCode);
    } else if (boXmlNamed(c, "OnboardImages")) {
      vImages(c, fs, p);
    } else if (boXmlNamed(c, "Annotations")) {
      vAnnotations(c, fs, p);
    } else if (boXmlNamed(c, "PointQuality")) {
      for (const char* q : {"CQ3D", "CQPos", "CQHeight"})
        if (std::optional<std::string> v = sXmlAttrOpt(c, q)) vField(fs, p, sDotted("PointQuality", q), *v);
    }
  }
  std::optional<std::string> cls = sXmlAttrOpt(elem, "class");
  std::optional<std::string> had = std::string(sStrNotNull(sViFieldsGetFieldByName(fs, p, "LeicaPointClass")));
  if (iClassRank(cls) <= iClassRank(had)) return;
  if (cls && !cls->empty()) vField(fs, p, "LeicaPointClass", *cls);
  xmlNode* grid = pXmlChildByName(pXmlChildByName(pXmlChildByName(elem, "Coordinates"), "Local"), "Grid");
  if (grid) {
    std::optional<double> e = dLxmlLength(dLxmlNumber(sLxmlText(grid, "e")));
    std::optional<double> n = dLxmlLength(dLxmlNumber(sLxmlText(grid, "n")));
    std::optional<double> h = dLxmlLength(dLxmlNumber(sLxmlText(grid, "hghthO")));
    if (e && n) vMboSetPointXY(p, *e, *n);
    if (h) vMboSetPointZ(p, *h);
  }
  if (cls && !cls->empty()) {
    int rank = iClassRank(cls);
    int precalc = rank == 1 || rank == 2 ? 1 : 0;
    vMboSetPointXYprecalc(p, precalc);
    vMboSetPointZprecalc(p, precalc);
  }
}

void vObject(xmlNode* elem, bool polygon) {
  // An empty name names no object (it would find the first unnamed one); an
  // unnamed object is known by its CoordGeom's name.
  std::optional<std::string> name = sXmlAttrOpt(elem, "name");
  if (!name || name->empty()) return;
  const std::unordered_map<std::string, LiLine*>& unnamed =
      polygon ? g_pLxmlRead->unnamedPolygons : g_pLxmlRead->unnamedLines;
  auto it = unnamed.find(*name);
  LiLine* obj = it != unnamed.end() ? it->second
                : polygon           ? pMboFindPolygon(name->c_str())
                                    : pMboFindLine(name->c_str());
  if (!obj) return;
  ViFields* fs = polygon ? pKvxMboYFieldsGet() : pKvxMboLFieldsGet();
  for (xmlNode* c = elem->children; c; c = c->next) {
    if (boXmlNamed(c, polygon ? "AreaCode" : "LineCode"))
      vCode(c, fs, obj, polygon ? sYgPolygonGetField(obj) : sLiLineGetField(obj),
            polygon ? vSetPolygonCode : vSetLineCode);
    else if (boXmlNamed(c, "OnboardImages"))
      vImages(c, fs, obj);
    else if (boXmlNamed(c, "Annotations"))
      vAnnotations(xmlFirstElementChild(c), fs, obj);
  }
}

void vGpsSetup(xmlNode* setup) {
  ViFields* fs = pKvxMboPFieldsGet();
  std::string scratch;
  for (xmlNode* pos = setup->children; pos; pos = pos->next) {
    if (!boXmlNamed(pos, "GPSPosition")) continue;
    const char* ref = sLxmlTextView(pos, "targetPntRef", &scratch);
    PoPoint* p = ref ? pMboFindPoint(ref) : nullptr;
    if (!p) continue;
    if (xmlNode* q = pXmlChildByName(pos, "GPSQuality"))
      for (const char* n : {"HDOP", "GDOP", "PDOP", "VDOP", "TDOP"})
        if (const char* v = sLxmlTextView(q, n, &scratch)) boViFieldsSetOrAddFieldByName(fs, p, n, v);
    if (xmlNode* s = pXmlChildByName(pos, "SatelliteInfo"))
      for (const char* n : {"GPSSatUsed", "GLONASSSatUsed"})
        if (const char* v = sLxmlTextView(s, n, &scratch)) boViFieldsSetOrAddFieldByName(fs, p, n, v);
  }
}

// Reflector names: the n-th observation of a target here gets the n-th
// observation of that target read from the LandXML part.
void vInstrumentSetup(xmlNode* setup, std::vector<bool>& used) {
  std::vector<LxmlTargetRec>& targets = g_pLxmlRead->targets;
  for (xmlNode* raw = setup->children; raw; raw = raw->next) {
    if (!boXmlNamed(raw, "RawObservation")) continue;
    std::optional<std::string> ref = sXmlAttrOpt(raw, "targetPntRef"), name = sXmlAttrOpt(raw, "reflectorName");
    if (!ref || !name) continue;
    for (size_t i = 0; i < targets.size(); i++) {
      if (used[i] || targets[i].sRef != *ref) continue;
      used[i] = true;
      std::string text = *name;
      if (std::optional<std::string> k = sXmlAttrOpt(raw, "reflectorConstant")) text += " (" + *k + ")";
      boMboSetObsAttr(1, targets[i].pStation, targets[i].pObs, 7, text.c_str());
      break;
    }
  }
}

}  // namespace

void vLxmlReadHexBlock() {
  LxmlRead* r = g_pLxmlRead;
  if (!r || !r->pHexCtx || r->sections.size() != LXML_SEC_COUNT) return;
  std::vector<bool> used(r->targets.size(), false);
  for (xmlNode* block : r->sections[LXML_SEC_HEX_BLOCK]) {
    for (int pass = 0; pass < 4; pass++) {
      for (xmlNode* c = block->children; c; c = c->next) {
        if (pass == 0 && boXmlNamed(c, "Point")) vPoint(c);
        if (pass == 1 && boXmlNamed(c, "PlanFeature")) vObject(c, false);
        if (pass == 2 && boXmlNamed(c, "Parcel")) vObject(c, true);
        if (pass != 3 || !boXmlNamed(c, "Survey")) continue;
        for (xmlNode* s = c->children; s; s = s->next) {
          if (boXmlNamed(s, "GPSSetup")) vGpsSetup(s);
          if (boXmlNamed(s, "InstrumentSetup")) vInstrumentSetup(s, used);
        }
      }
    }
  }
}
