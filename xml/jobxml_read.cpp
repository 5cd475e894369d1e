// The JobXML reader (see jobxml_read.h).
#include "xml/jobxml_read.h"

#include <cmath>
#include <cstring>

#include "base/cnum.h"
#include "fieldbook/api.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/imagelink.h"
#include "fieldbook/levelling.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "xml/jobxml.h"
#include "xml/xmlutil.h"

namespace {

// A child's text, none when the child is missing.
std::optional<std::string> sChildText(xmlNode* node, const char* name) {
  xmlNode* child = pXmlChildByName(node, name);
  if (!child) return std::nullopt;
  return sXmlNodeText(child);
}

}  // namespace

// ---------------------------------------------------------------------------
// Entry and walk

bool boJxlReadFile(const char* path) {
  vMboLineCommand(MBO_LINE_AUTO_BY_NO, "", "");
  vMboLineCommand(MBO_LINE_ENABLE, "", "");
  XmlDocPtr doc = pXmlImportDocument(path, false);
  if (!doc) return false;
  XmlContextPtr ctx = pXmlJxlXPathContext(doc.get());
  if (!ctx) return false;
  if (xmlNode* root = xmlDocGetRootElement(doc.get())) {
    // Whatever was read before a failure stays in the field book.
    try {
      vJxlWalkJobFile(root, path);
    } catch (...) {
    }
  }
  return true;
}

bool boJxlPrepareRead(const char* sPath) { return boXmlPrepareImport(sPath, false); }

void vJxlWalkJobFile(xmlNode* root, const char* path) {
  if (!boXmlNamed(root, "JOBFile")) return;
  JxlReaderState state;
  vFxlInitCodes(&state.codes);
  vFxlLoad(&state.codes, root, path);
  MboIndexPass pass;  // points are merged by name
  xmlNode* fieldBook = pXmlChildByName(root, "FieldBook");
  state.pFieldBook = fieldBook;
  for (xmlNode* child = fieldBook ? fieldBook->children : nullptr; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    if (boXmlNamed(child, "PointRecord")) {
      if (std::optional<std::string> station = sChildText(child, "StationID"))
        state.readingsByStation[*station].push_back(child);
    } else if (boXmlNamed(child, "AtmosphereRecord") || boXmlNamed(child, "TargetRecord") ||
               boXmlNamed(child, "AntennaRecord")) {
      if (std::optional<std::string> id = sXmlAttrOpt(child, "ID"))
        state.recordsById.emplace(std::string((const char*)child->name) + "\n" + *id, child);
    }
  }
  if (fieldBook) vJxlReadMediaFiles(&state, fieldBook);
  if (xmlNode* reductions = pXmlChildByName(root, "Reductions")) vJxlReadReductions(&state, reductions);
  if (fieldBook) {
    vJxlReadStations(&state, fieldBook);
    vJxlReadGpsRecords(&state, fieldBook);
    vJxlReadPolylines(&state, fieldBook);
  }
}

std::vector<std::string> vJxlSplit(const std::string& text, char delimiter) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(delimiter, start);
    if (end == std::string::npos) {
      if (start < text.size()) pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

xmlNode* pJxlFindRecordById(const JxlReaderState* state, const char* name, const std::string& id) {
  auto it = state->recordsById.find(std::string(name) + "\n" + id);
  return it == state->recordsById.end() ? nullptr : it->second;
}

std::string sJxlReadTimeStamp(const std::string& text) {
  std::string out = text;
  size_t t = out.find('T');
  if (t != std::string::npos) out[t] = '_';
  for (char& c : out)
    if (c == '-') c = '.';
  return out;
}

// ---------------------------------------------------------------------------
// Stations and total-station observations

namespace {

void vJxlReadAtmosphere(xmlNode* record, void* station) {
  for (xmlNode* child = record->children; child; child = child->next) {
    if (boXmlNamed(child, "Pressure")) {
      // Millibar in the file, millimetres of mercury in the field book.
      if (std::optional<double> p = dXmlNumber(sXmlNodeText(child)))
        boMboSetStAttr(1, station, 5, sXmlMillibarToMmHg(*p).c_str());
    } else if (boXmlNamed(child, "Temperature")) {
      boMboSetStAttr(1, station, 6, sXmlNodeText(child).c_str());
    }
  }
}

struct JxlCircle {
  std::optional<std::string> horizontal, vertical;
  std::string edm;
};

JxlCircle vJxlReadCircle(xmlNode* circle) {
  JxlCircle c;
  c.horizontal = sChildText(circle, "HorizontalCircle");
  c.vertical = sChildText(circle, "VerticalCircle");
  c.edm = sChildText(circle, "EDMDistance").value_or("");
  return c;
}

// Degrees in the file to the field book's internal angle; an angle that
// overflows there is left out.
void vSetAngle(void* station, void* obs, int attr, const std::optional<std::string>& text, bool zenith) {
  if (!text) return;
  if (std::optional<double> deg = dXmlNumber(*text))
    if (std::optional<std::string> angle = sXmlDegreesToAngle(*deg, zenith))
      boMboSetObsAttr(1, station, obs, attr, angle->c_str());
}

void vJxlReadCircleReading(JxlReaderState* state, xmlNode* record, const std::string& stationId, void* station) {
  std::optional<std::string> id = sChildText(record, "StationID");
  if (!id || *id != stationId) return;
  std::optional<std::string> method = sChildText(record, "Method");
  if (method && *method == "MeanTurnedAngle") return;
  void* obs = pMboAddObs(1, station);
  if (!obs) return;
  std::string name, code, classification, height, prismType, prismConstant;
  JxlCircle circle;
  for (xmlNode* child = record->children; child; child = child->next) {
    if (boXmlNamed(child, "Name")) {
      name = sXmlNodeText(child);
    } else if (boXmlNamed(child, "Code")) {
      code = sXmlNodeText(child);
    } else if (boXmlNamed(child, "Classification")) {
      classification = sXmlNodeText(child);
    } else if (boXmlNamed(child, "Circle")) {
      circle = vJxlReadCircle(child);
    } else if (boXmlNamed(child, "TargetID")) {
      if (xmlNode* target = pJxlFindRecordById(state, "TargetRecord", sXmlNodeText(child))) {
        height = sChildText(target, "TargetHeight").value_or("");
        prismType = sChildText(target, "PrismType").value_or("");
        prismConstant = sChildText(target, "PrismConstant").value_or("");
      }
    }
  }
  boMboSetObsAttr(1, station, obs, 1, name.c_str());
  boMboSetObsAttr(1, station, obs, 2, code.c_str());
  boMboSetObsAttr(1, station, obs, 6, height.c_str());
  boMboSetObsAttr(1, station, obs, 7, (prismType + " (" + prismConstant + ")").c_str());
  if (classification == "Normal" || classification == "ForeSight")
    if (PoPoint* p = pMboFindPoint(name.c_str())) vMboSetPointDetail(p, 1);
  vSetAngle(station, obs, 3, circle.horizontal, false);
  vSetAngle(station, obs, 4, circle.vertical, true);
  if (!circle.edm.empty()) {
    if (std::optional<double> d = dXmlNumber(circle.edm)) {
      double distance = *d;
      if (!prismConstant.empty())
        if (std::optional<double> k = dXmlNumber(prismConstant)) distance += *k;
      boMboSetObsAttr(1, station, obs, 5, sXmlFixed(distance).c_str());
    }
  }
}

void vJxlReadStationRecord(JxlReaderState* state, xmlNode* record) {
  std::optional<std::string> id = sXmlAttrOpt(record, "ID");
  if (!id) return;
  void* station = pMboNewStation(1);
  if (!station) return;
  // The observations come first: each PointRecord names its station.
  auto readings = state->readingsByStation.find(*id);
  if (readings != state->readingsByStation.end())
    for (xmlNode* reading : readings->second) vJxlReadCircleReading(state, reading, *id, station);
  for (xmlNode* child = record->children; child; child = child->next) {
    if (boXmlNamed(child, "StationName")) {
      boMboSetStAttr(1, station, 1, sXmlNodeText(child).c_str());
    } else if (boXmlNamed(child, "AtmosphereID")) {
      if (xmlNode* atm = pJxlFindRecordById(state, "AtmosphereRecord", sXmlNodeText(child)))
        vJxlReadAtmosphere(atm, station);
    } else if (boXmlNamed(child, "TheodoliteHeight")) {
      boMboSetStAttr(1, station, 4, sXmlNodeText(child).c_str());
    }
  }
}

// Children of element whose texts go unchanged to the observation
// attributes: names[i] to attrs[i].
void vCopyChildren(xmlNode* element, int kind, void* station, void* obs, const char* const* names, const int* attrs,
                   int count) {
  for (xmlNode* child = element->children; child; child = child->next)
    for (int i = 0; i < count; i++)
      if (boXmlNamed(child, names[i])) boMboSetObsAttr(kind, station, obs, attrs[i], sXmlNodeText(child).c_str());
}

void vJxlReadCovariance(xmlNode* element, void* station, void* obs, int kind) {
  static const char* const names[] = {"VCVxx", "VCVxy", "VCVxz", "VCVyy", "VCVyz", "VCVzz"};
  double v[6];
  for (int i = 0; i < 6; i++) {
    std::optional<std::string> text = sChildText(element, names[i]);
    std::optional<double> n = text ? dXmlNumber(*text) : std::nullopt;
    if (!n) return;
    v[i] = *n;
  }
  boMboSetGpsCovariance(kind, station, obs, v[0], v[1], v[2], v[3], v[4], v[5]);
}

void vJxlReadGpsPosition(xmlNode* record) {
  void* station = pMboNewStation(5);
  void* obs = station ? pMboAddObs(5, station) : nullptr;
  if (!obs) return;
  if (std::optional<std::string> ts = sXmlAttrOpt(record, "TimeStamp"))
    boMboSetObsAttr(5, station, obs, 134, sJxlReadTimeStamp(*ts).c_str());
  static const char* const grid[] = {"East", "North", "Elevation"};
  static const int gridAttrs[] = {130, 131, 132};
  static const char* const qc1[] = {"NumberOfSatellites", "NumberOfPositionsUsed", "PDOP"};
  static const int qc1Attrs[] = {135, 136, 137};
  for (xmlNode* child = record->children; child; child = child->next) {
    if (boXmlNamed(child, "Name"))
      boMboSetStAttr(5, station, 1, sXmlNodeText(child).c_str());
    else if (boXmlNamed(child, "ComputedGrid"))
      vCopyChildren(child, 5, station, obs, grid, gridAttrs, 3);
    else if (boXmlNamed(child, "QualityControl1"))
      vCopyChildren(child, 5, station, obs, qc1, qc1Attrs, 3);
    else if (boXmlNamed(child, "QualityControl2"))
      vJxlReadCovariance(child, station, obs, 5);
  }
}

void vJxlReadGpsVector(void* station, JxlReaderState* state, xmlNode* record) {
  void* obs = pMboAddObs(4, station);
  if (!obs) return;
  static const char* const deltas[] = {"DeltaX", "DeltaY", "DeltaZ"};
  static const int deltaAttrs[] = {100, 101, 102};
  for (xmlNode* child = record->children; child; child = child->next) {
    if (boXmlNamed(child, "Name")) {
      boMboSetObsAttr(4, station, obs, 1, sXmlNodeText(child).c_str());
    } else if (boXmlNamed(child, "ECEFDeltas")) {
      vCopyChildren(child, 4, station, obs, deltas, deltaAttrs, 3);
    } else if (boXmlNamed(child, "AntennaID")) {
      xmlNode* antenna = pJxlFindRecordById(state, "AntennaRecord", sXmlNodeText(child));
      if (std::optional<std::string> h = antenna ? sChildText(antenna, "ReducedHeight") : std::nullopt)
        boMboSetObsAttr(4, station, obs, 6, h->c_str());
    } else if (boXmlNamed(child, "QualityControl2")) {
      vJxlReadCovariance(child, station, obs, 4);
    }
  }
}

}  // namespace

void vJxlReadStations(JxlReaderState* state, xmlNode* fieldBook) {
  for (xmlNode* child = fieldBook->children; child; child = child->next)
    if (boXmlNamed(child, "StationRecord")) vJxlReadStationRecord(state, child);
}

void vJxlReadGpsRecords(JxlReaderState* state, xmlNode* fieldBook) {
  for (xmlNode* record = fieldBook->children; record; record = record->next) {
    if (!boXmlNamed(record, "PointRecord")) continue;
    std::optional<std::string> method = sChildText(record, "Method");
    if (!method || (*method != "GpsStaticObservation" && *method != "GpsRTKControlPoint")) continue;
    std::optional<std::string> survey = sChildText(record, "SurveyMethod");
    if (!survey) continue;
    std::optional<std::string> base = sChildText(record, "RTK_Base");
    if (*survey == "RTK" || *survey == "NetworkRTK" || !base) {
      vJxlReadGpsPosition(record);
      continue;
    }
    // A base normally has many vectors: each becomes one more observation
    // of the base's station.
    void* station = pMboFindStationByAttr(4, 1, base->c_str());
    if (!station) station = pMboFindOrNewStation(4, base->c_str());
    if (station) vJxlReadGpsVector(station, state, record);
  }
}

// ---------------------------------------------------------------------------
// Points, coded lines, polylines and media files

namespace {

struct JxlAttribute {
  std::string sName, sValue;
  bool boPhoto;
};

struct JxlFeature {
  std::string sName;
  std::vector<JxlAttribute> attributes;
  bool boExtended;
};

struct JxlPointRec {
  std::string sId, sName, sSurveyMethod, sClassification;
  std::vector<std::string> codes;
  std::vector<JxlFeature> features;
  JxlPointCoords coords;
};

// A coordinate element's text; none when missing or when it holds no
// finite number (a value that is none is skipped, never stored as 0).
std::optional<std::string> sCoordText(xmlNode* grid, const char* name) {
  std::optional<std::string> text = sChildText(grid, name);
  if (text && !dXmlNumber(*text)) return std::nullopt;
  return text;
}

void vParseFeatures(xmlNode* element, bool extended, std::vector<JxlFeature>* out) {
  for (xmlNode* f = element->children; f; f = f->next) {
    if (f->type != XML_ELEMENT_NODE) continue;
    std::optional<std::string> name = sXmlAttrOpt(f, "Name");
    if (!name) continue;
    JxlFeature feature{*name, {}, extended};
    for (xmlNode* a = f->children; a; a = a->next) {
      if (!boXmlNamed(a, "Attribute")) continue;
      std::string type = sChildText(a, "Type").value_or("");
      feature.attributes.push_back(JxlAttribute{sChildText(a, "Name").value_or(""), sChildText(a, "Value").value_or(""),
                                                type.rfind("Photo", 0) == 0});
    }
    out->push_back(std::move(feature));
  }
}

// "Features" and "ExtendedFeatures" children, in document order.
void vParseAllFeatures(xmlNode* record, std::vector<JxlFeature>* out) {
  for (xmlNode* child = record->children; child; child = child->next) {
    if (boXmlNamed(child, "Features"))
      vParseFeatures(child, false, out);
    else if (boXmlNamed(child, "ExtendedFeatures"))
      vParseFeatures(child, true, out);
  }
}

std::string sFieldName(const JxlFeature& feature, const JxlAttribute& a) {
  return feature.boExtended ? feature.sName + "." + a.sName : a.sName;
}

void vJxlApplyFeature(void* object, ViFields* fields, const JxlFeature& feature) {
  for (const JxlAttribute& a : feature.attributes) {
    if (a.sValue.empty()) continue;
    if (a.boPhoto)
      vMboAttachImage(a.sValue.c_str(), fields, object);
    else if (!a.sName.empty())
      boViFieldsSetOrAddFieldByName(fields, object, sFieldName(feature, a).c_str(), a.sValue.c_str());
  }
}

// Photo attributes and nameless ones fill no field, so they cannot differ
// from the line: taking them into account would cut the line at every
// photo.
bool boJxlFeatureMatchesLine(const JxlFeature& feature, LiLine* line, ViFields* fields) {
  for (const JxlAttribute& a : feature.attributes) {
    if (a.boPhoto || a.sName.empty()) continue;
    const char* have = sViFieldsGetFieldByName(fields, line, sFieldName(feature, a).c_str());
    if (a.sValue != (have ? have : "")) return false;
  }
  return true;
}

void vJxlAttachMediaFiles(const JxlReaderState* state, const std::string& id, ViFields* fields, void* object) {
  for (const JxlMediaFile& m : state->media)
    if (m.sRecordId == id) vMboAttachImage(m.sFileName.c_str(), fields, object);
}

const JxlRegisteredCoords* pRegistered(JxlReaderState* state, const std::string& name) {
  if (name.empty()) return nullptr;
  if (state->uIndexed < state->registered.size()) {
    state->registry.reserve(state->registered.size());
    for (size_t i = state->uIndexed; i < state->registered.size(); i++)
      state->registry.try_emplace(state->registered[i].first, state->registered[i].second);
    state->uIndexed = state->registered.size();
  }
  auto it = state->registry.find(name);
  return it == state->registry.end() ? nullptr : &it->second;
}

JxlRegisteredCoords Parsed(const JxlPointCoords& c) {
  auto value = [](const std::optional<std::string>& text) { return text ? dNumParseC(text->c_str()) : 0.0; };
  return JxlRegisteredCoords{value(c.north),      value(c.east),      value(c.elevation),
                             c.north.has_value(), c.east.has_value(), c.elevation.has_value()};
}

// The first coordinates given for a name are the ones a look-up finds (a
// point without a name is never looked up).
void vRegister(JxlReaderState* state, const std::string& name, const JxlRegisteredCoords& c) {
  if (!name.empty()) state->registered.emplace_back(name, c);
}

// Only the coordinates the file gives are stored: XY with both North and
// East, Z with an Elevation.
void vSetElmCoords(LiLine* line, LiElm* elm, const JxlRegisteredCoords& c) {
  if (!elm) return;
  if (c.boNorth && c.boEast) vMboSetElmXY(line, elm, c.east, c.north);
  if (c.boElevation) vMboSetElmZ(line, elm, c.elevation);
}

void pJxlAddVertexFromCoords(LiLine* line, const std::string& name, const JxlRegisteredCoords& c) {
  vSetElmCoords(line, KvxMboAddLineElm(line, name.c_str()), c);
}

// A control code the library does not define matches nothing.
bool boIsControl(const std::string& code, const std::string& control) { return !control.empty() && code == control; }

bool boLastIs(const JxlPointRec& point, const std::string& control) {
  return !point.codes.empty() && boIsControl(point.codes.back(), control);
}

void vJxlMakePoint(JxlReaderState* state, const JxlPointRec& point, const std::string& code) {
  const JxlRegisteredCoords c = Parsed(point.coords);
  vRegister(state, point.coords.sName, c);
  // A point without a name is a point of its own, never merged.
  PoPoint* p = point.sName.empty() ? KvxMboNewPoint("") : KvxMboNewOrExistingPoint(point.sName.c_str());
  if (!p) return;
  ViFields* fields = pKvxMboPFieldsGet();
  if (!point.sId.empty()) vJxlAttachMediaFiles(state, point.sId, fields, p);
  if (c.boNorth && c.boEast) vMboSetPointXY(p, c.east, c.north);
  if (c.boElevation) vMboSetPointZ(p, c.elevation);
  int precalc = point.sSurveyMethod == "KeyedIn" && point.sClassification == "Control" ? 0 : 1;
  if (c.boNorth && c.boEast) vMboSetPointXYprecalc(p, precalc);
  if (c.boElevation) vMboSetPointZprecalc(p, precalc);
  if (!code.empty()) boViFieldsSetOrAddFieldByName(fields, p, "Code", code.c_str());
  for (const JxlFeature& f : point.features) vJxlApplyFeature(p, fields, f);
}

JxlOpenLine* pOpenLine(JxlReaderState* state, const std::string& lineCode) {
  for (JxlOpenLine& e : state->openLines)
    if (e.sCode == lineCode) return &e;
  return nullptr;
}

// The line the point goes to, and whether it is new.
LiLine* pJxlCodedLineFor(JxlReaderState* state, const JxlPointRec& point, const std::string& lineCode, bool* boNew) {
  const FxlCodes& codes = state->codes;
  *boNew = true;
  JxlOpenLine* entry = pOpenLine(state, lineCode);
  if (!entry) {
    state->openLines.push_back(JxlOpenLine{KvxMboNewLine(point.sName.c_str()), lineCode});
    return state->openLines.back().pLine;
  }
  if (!entry->pLine || boLastIs(point, codes.sStart)) return entry->pLine = KvxMboNewLine(point.sName.c_str());
  // A line of its own; the running line goes on with the next point.
  if (boLastIs(point, codes.sNoJoin)) return KvxMboNewLine(point.sName.c_str());
  *boNew = false;
  if (point.features.empty()) return entry->pLine;
  ViFields* fields = pKvxMboLFieldsGet();
  for (const JxlFeature& f : point.features)
    if (f.sName == lineCode && boJxlFeatureMatchesLine(f, entry->pLine, fields)) return entry->pLine;
  // The point ends the old line and starts one with its own values.
  pJxlAddVertexFromCoords(entry->pLine, point.sName, Parsed(point.coords));
  *boNew = true;
  return entry->pLine = KvxMboNewLine(point.sName.c_str());
}

void vJxlAddToCodedLine(JxlReaderState* state, const JxlPointRec& point, const std::string& lineCode) {
  const JxlRegisteredCoords own = Parsed(point.coords);
  vRegister(state, point.coords.sName, own);
  bool boNew = false;
  LiLine* line = pJxlCodedLineFor(state, point, lineCode, &boNew);
  if (!line) return;
  const FxlCodes& codes = state->codes;
  size_t n = point.codes.size();
  if (n >= 2 && boIsControl(point.codes[n - 2], codes.sJoinToPoint)) {
    if (const JxlRegisteredCoords* other = pRegistered(state, point.codes[n - 1])) {
      GeoPnt3 at{other->east, other->north, other->elevation};
      // The vertex carries the coordinates the file gives, flagged as set.
      vSetElmCoords(line, LiLineAddP(line, nullptr, &at), *other);
    }
  }
  pJxlAddVertexFromCoords(line, point.sName, own);
  ViFields* fields = pKvxMboLFieldsGet();
  if (!point.sId.empty()) vJxlAttachMediaFiles(state, point.sId, fields, line);
  if (boNew) {
    boViFieldsSetOrAddFieldByName(fields, line, "Code", lineCode.c_str());
    for (const JxlFeature& f : point.features) vJxlApplyFeature(line, fields, f);
  }
  JxlOpenLine* entry = pOpenLine(state, lineCode);
  if (!entry) return;
  if (boLastIs(point, codes.sEnd)) {
    entry->pLine = nullptr;
  } else if (boLastIs(point, codes.sClose)) {
    if (entry->pLine) vLiLineSetAsPolygon(entry->pLine, 1);
    entry->pLine = nullptr;
  }
}

// The first code of the point that is a line code or a line code followed
// by a number (FENCE2 for FENCE); "" when none.
std::string boJxlFindLineCode(const JxlReaderState* state, const JxlPointRec& point) {
  for (const std::string& code : point.codes)
    for (const std::string& l : state->codes.lineCodes)
      if (code.compare(0, l.size(), l) == 0 && (code.size() == l.size() || boMboIsNumeric(code.c_str() + l.size())))
        return code;
  return "";
}

const std::string* boJxlFindPointCode(const JxlReaderState* state, const JxlPointRec& point) {
  for (const std::string& code : point.codes)
    for (const std::string& p : state->codes.pointCodes)
      if (code == p) return &code;
  return nullptr;
}

JxlPointRec vJxlParsePoint(xmlNode* element) {
  JxlPointRec point;
  point.sId = sChildText(element, "ID").value_or("");
  point.sName = sChildText(element, "Name").value_or("");
  point.codes = vJxlSplit(sChildText(element, "Code").value_or(""), ' ');
  point.sSurveyMethod = sChildText(element, "SurveyMethod").value_or("");
  point.sClassification = sChildText(element, "Classification").value_or("");
  vParseAllFeatures(element, &point.features);
  point.coords.sName = point.sName;
  if (xmlNode* grid = pXmlChildByName(element, "Grid")) {
    point.coords.north = sCoordText(grid, "North");
    point.coords.east = sCoordText(grid, "East");
    point.coords.elevation = sCoordText(grid, "Elevation");
  }
  return point;
}

void vJxlBuildPoint(JxlReaderState* state, const JxlPointRec& point) {
  std::string lineCode = boJxlFindLineCode(state, point);
  const std::string* pointCode = boJxlFindPointCode(state, point);
  if (!lineCode.empty()) {
    vJxlAddToCodedLine(state, point, lineCode);
    if (pointCode) vJxlMakePoint(state, point, *pointCode);
    return;
  }
  std::string code = pointCode ? *pointCode : point.codes.empty() ? std::string() : point.codes[0];
  vJxlMakePoint(state, point, code);
}

void vJxlBuildPolyline(JxlReaderState* state, xmlNode* record) {
  std::string name = sChildText(record, "Name").value_or("");
  std::vector<std::string> codes = vJxlSplit(sChildText(record, "Code").value_or(""), ' ');
  std::vector<std::string> names;
  if (std::optional<std::string> start = sChildText(record, "StartPoint")) names.push_back(*start);
  if (xmlNode* parts = pXmlChildByName(record, "Parts"))
    for (xmlNode* part = parts->children; part; part = part->next)
      if (boXmlNamed(part, "LinePart"))
        for (xmlNode* end = part->children; end; end = end->next)
          if (boXmlNamed(end, "EndPoint")) names.push_back(sXmlNodeText(end));
  std::vector<JxlFeature> features;
  vParseAllFeatures(record, &features);
  LiLine* line = KvxMboNewLine(name.c_str());
  if (!line) return;
  for (const std::string& n : names)
    if (const JxlRegisteredCoords* c = pRegistered(state, n)) pJxlAddVertexFromCoords(line, n, *c);
  ViFields* fields = pKvxMboLFieldsGet();
  if (!codes.empty()) boViFieldsSetOrAddFieldByName(fields, line, "Code", codes[0].c_str());
  for (const JxlFeature& f : features) vJxlApplyFeature(line, fields, f);
}

}  // namespace

void vJxlReadMediaFiles(JxlReaderState* state, xmlNode* fieldBook) {
  for (xmlNode* record = fieldBook->children; record; record = record->next) {
    if (!boXmlNamed(record, "MediaFileRecord")) continue;
    std::string id = sChildText(record, "RecordID").value_or(""), file = sChildText(record, "FileName").value_or("");
    if (!id.empty() && !file.empty()) state->media.push_back(JxlMediaFile{id, file});
  }
}

void vJxlReadReductions(JxlReaderState* state, xmlNode* reductions) {
  for (xmlNode* child = reductions->children; child; child = child->next)
    if (boXmlNamed(child, "Point")) vJxlBuildPoint(state, vJxlParsePoint(child));
}

void vJxlReadPolylines(JxlReaderState* state, xmlNode* fieldBook) {
  for (xmlNode* child = fieldBook->children; child; child = child->next)
    if (boXmlNamed(child, "LivePolylineRecord")) vJxlBuildPolyline(state, child);
}
