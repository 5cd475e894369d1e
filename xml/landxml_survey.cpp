// The LandXML reader's survey sections (see landxml_read.h): instrument
// setups with their raw observations, observation groups and GPS setups as
// field-book stations and observations; "FreeCode" Features drive the
// code-driven lines.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/codelines.h"
#include "fieldbook/levelling.h"
#include "fieldbook/model.h"
#include "fieldbook/transfer_context.h"
#include "kv2gr.h"
#include "xml/landxml.h"
#include "xml/landxml_read.h"

namespace {

enum { ST_TOTAL = 1, ST_VECTOR = 4, ST_POSITION = 5 };
const int kAllFlags = LXML_REF_READ_COORDS | LXML_REF_BY_NAME | LXML_REF_BY_ALIAS;

std::string sNum(const char* fmt, double v) {
  char buf[64];
  sStrPrintN(buf, (int)sizeof buf, fmt, v);
  return buf;
}

std::string sInt(uint32_t v) { return sNum("%.0f", (double)v); }

// The value of the Feature's Property of that label.
std::optional<std::string> sProperty(xmlNode* feature, const char* label) {
  for (xmlNode* p = feature ? feature->children : nullptr; p; p = p->next)
    if (boXmlNamed(p, "Property") && sXmlAttrOpt(p, "label").value_or("") == label) return sXmlAttrOpt(p, "value");
  return std::nullopt;
}

// ---- FreeCode control codes ----

void vApplyDescriptions() {
  LxmlRead* r = g_pLxmlRead;
  xmlNode* feature = r->pFreeCode;
  r->pFreeCode = nullptr;
  if (!feature) return;
  int count = iMboCodeLineCount();
  for (int n = 1; n <= count; n++) {
    for (xmlNode* p = feature->children; p; p = p->next) {
      if (!boXmlNamed(p, "Property")) continue;
      std::optional<std::string> label = sXmlAttrOpt(p, "label"), value = sXmlAttrOpt(p, "value");
      if (!label || !value || label->empty() || *label == "Code" || *label == "Descr") continue;
      std::string name = *label;
      size_t len = name.size();
      // "Tema2" belongs to line 2 alone.
      if (len >= 2 && isdigit((unsigned char)name[len - 1]) && !isdigit((unsigned char)name[len - 2])) {
        if (name[len - 1] - '0' != n) continue;
        name.erase(len - 1);
        while (!name.empty() && name.back() == ' ') name.pop_back();
      }
      if (iStrCmpNoCase(name.c_str(), "Tema") == 0)
        vMboCodeLineSetName(n, value->c_str());
      else if (LiLine* line = pMboCodeLineGet(n))
        boViFieldsSetOrAddFieldByName(pKvxMboLFieldsGet(), line, name.c_str(), value->c_str());
    }
  }
}

void vControlCode(xmlNode* feature) {
  int code = atoi(sProperty(feature, "Code").value_or("0").c_str());
  if (code == 64) {
    if (std::optional<std::string> ref = sProperty(feature, "pntRef")) boMboApplyControlCode(64, ref->c_str(), "");
  } else if ((code >= 72 && code <= 79) || (code >= 82 && code <= 89) || code == 91) {
    vApplyDescriptions();
    boMboApplyControlCode(code, "", "");
    g_pLxmlRead->pFreeCode = feature;
  } else if (code == 99) {
    vApplyDescriptions();
    boMboApplyControlCode(code, "", "");
  } else {
    boMboApplyControlCode(code, "", "");
  }
}

bool boFreeCode(xmlNode* node) {
  return boXmlNamed(node, "Feature") && iStrCmpNoCase(sXmlAttrOpt(node, "code").value_or("").c_str(), "FreeCode") == 0;
}

// The target's "PointCode" Features, then control code 64 with its ID.
void vTargetCodes(xmlNode* owner, LxmlPtIndexEntry* target) {
  vLxmlApplyFeatures(owner, target->pPoint, LXML_OBJ_POINT, "PointCode");
  boMboApplyControlCode(64, target->sName, "");
}

// ---- Total stations ----

void vRawObservation(xmlNode* raw, void* station) {
  xmlNode* targetElem = pXmlChildByName(raw, "TargetPoint");
  if (!targetElem || !station) return;
  void* obs = pMboAddObs(ST_TOTAL, station);
  if (!obs) return;
  LxmlPtIndexEntry* target = pLxmlResolvePoint(targetElem, kAllFlags, nullptr, nullptr);
  if (!target) return;
  boMboSetObsAttr(ST_TOTAL, station, obs, 1, target->sName);
  if (std::optional<std::string> ref = sXmlAttrOpt(targetElem, "pntRef"))
    g_pLxmlRead->targets.push_back(LxmlTargetRec{*ref, station, obs});
  auto set = [&](int attr, const std::optional<std::string>& v) {
    if (v && !v->empty()) boMboSetObsAttr(ST_TOTAL, station, obs, attr, v->c_str());
  };
  set(2, sXmlAttrOpt(raw, "code"));
  set(6, sLxmlLengthText(sXmlAttrOpt(raw, "targetHeight")));
  if (std::optional<double> hz = dLxmlNumber(sLxmlText(raw, "horizAngle"))) set(3, sLxmlAngle(*hz, false));
  if (std::optional<double> v = dLxmlNumber(sLxmlText(raw, "zenithAngle"))) set(4, sLxmlAngle(*v, true));
  if (std::optional<std::string> sd = sLxmlLengthText(sLxmlText(raw, "slopeDistance"))) {
    set(5, sd);
    set(9, std::string("0"));
  } else if (std::optional<std::string> hd = sLxmlLengthText(sLxmlText(raw, "horizDistance"))) {
    set(5, hd);
    set(9, std::string("1"));
  }
  vTargetCodes(raw, target);
}

// The station of a raw observation: by its own setupID, else the group's,
// else the enclosing setup's.
void* pStationOf(xmlNode* raw, xmlNode* group) {
  std::optional<std::string> id = sLxmlText(raw, "setupID");
  if (!id) id = sLxmlText(group, "setupID");
  if (!id && group->parent && boXmlNamed(group->parent, "InstrumentSetup")) id = sLxmlText(group->parent, "id");
  LxmlSetupIndexEntry* e = id ? pLxmlSetupIndexFind(g_pLxmlRead->pSetups, id->c_str()) : nullptr;
  return e && e->uType == ST_TOTAL ? e->pStation : nullptr;
}

void vSetupChildren(xmlNode* parent, void* station) {
  for (xmlNode* c = parent->children; c; c = c->next) {
    if (boXmlNamed(c, "InstrumentPoint")) {
      pLxmlResolvePoint(c, kAllFlags, nullptr, nullptr);
    } else if (boXmlNamed(c, "Backsight")) {
      if (xmlNode* b = pXmlChildByName(c, "BacksightPoint")) pLxmlResolvePoint(b, kAllFlags, nullptr, nullptr);
    } else if (boXmlNamed(c, "RawObservation")) {
      vRawObservation(c, station ? station : pStationOf(c, parent));
    } else if (boFreeCode(c)) {
      vControlCode(c);
    }
  }
  vApplyDescriptions();
}

void vInstrumentSetup(xmlNode* setup) {
  std::optional<std::string> name = sXmlAttrOpt(setup, "stationName"), id = sXmlAttrOpt(setup, "id");
  if (!name || !id) return;
  void* st = pMboAddSt(ST_TOTAL);
  if (!st) return;
  boMboSetStAttr(ST_TOTAL, st, 1, name->c_str());
  boMboSetStAttr(ST_TOTAL, st, 3, sInt(g_mboTransfer.settings.uTheodoliteNo).c_str());
  if (std::optional<std::string> h = sLxmlLengthText(sXmlAttrOpt(setup, "instrumentHeight")))
    boMboSetStAttr(ST_TOTAL, st, 4, h->c_str());
  pLxmlSetupIndexAdd(g_pLxmlRead->pSetups, st, id->c_str(), ST_TOTAL);
  vSetupChildren(setup, st);
}

// ---- GPS ----

struct Covariance {
  double v[6];  // XX XY XZ YY YZ ZZ
};

// All six present and numeric (0 is a covariance like any other), in
// square metres.
bool boCovariance(xmlNode* qc, Covariance* c) {
  static const char* const names[] = {"covarianceXX", "covarianceXY", "covarianceXZ",
                                      "covarianceYY", "covarianceYZ", "covarianceZZ"};
  if (!qc) return false;
  for (int i = 0; i < 6; i++) {
    // Twice by the length unit: an area.
    std::optional<double> d = dLxmlLength(dLxmlLength(dLxmlAttrNumber(qc, names[i])));
    if (!d) return false;
    c->v[i] = *d;
  }
  return true;
}

void vCovariance(int kind, void* st, void* obs, const Covariance& c) {
  boMboSetGpsCovariance(kind, st, obs, c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5]);
}

// The HexagonLandXML GPSSetup of that id (dialect 3).
xmlNode* pHexGpsSetup(const std::string& id) {
  LxmlRead* r = g_pLxmlRead;
  if (!r->pHexCtx || r->sections.size() != LXML_SEC_COUNT) return nullptr;
  if (!r->boHexGpsSetupsMade) {
    r->boHexGpsSetupsMade = true;
    for (xmlNode* survey : r->sections[LXML_SEC_HEX_SURVEY])
      for (xmlNode* s = survey->children; s; s = s->next)
        if (boXmlNamed(s, "GPSSetup"))
          if (std::optional<std::string> uid = sXmlAttrOpt(s, "uniqueID")) r->hexGpsSetups.emplace(*uid, s);
  }
  auto it = r->hexGpsSetups.find(id);
  return it == r->hexGpsSetups.end() ? nullptr : it->second;
}

void vHexQuality(void* st, void* obs, const std::optional<std::string>& id) {
  xmlNode* setup = id ? pHexGpsSetup(*id) : nullptr;
  xmlNode* pos = setup ? pXmlChildByName(setup, "GPSPosition") : nullptr;
  if (!pos) return;
  std::string scratch;
  if (xmlNode* q = pXmlChildByName(pos, "GPSQuality"))
    if (const char* pdop = sLxmlTextView(q, "PDOP", &scratch); dXmlNumber(pdop))
      boMboSetObsAttr(ST_POSITION, st, obs, 137, pdop);
  if (xmlNode* sat = pXmlChildByName(pos, "SatelliteInfo")) {
    double sum = 0;
    for (const char* n : {"GPSSatUsed", "GALILEOSatUsed", "GLONASSSatUsed", "BEIDOUSatUsed"})
      sum += dLxmlAttrNumber(sat, n).value_or(0);
    boMboSetObsAttr(ST_POSITION, st, obs, 135, sNum("%.0f", sum).c_str());
  }
}

void vGpsPosition(xmlNode* setup, xmlNode* pos) {
  xmlNode* targetElem = pXmlChildByName(pos, "TargetPoint");
  Covariance cov;
  if (!targetElem || !boCovariance(pXmlChildByName(pos, "GPSQCInfoLevel2"), &cov)) return;
  LxmlPtIndexEntry* target = pLxmlResolvePoint(targetElem, kAllFlags, nullptr, nullptr);
  if (!target) return;
  const MboSettings& set = g_mboTransfer.settings;
  std::string name = sXmlAttrOpt(setup, "stationName").value_or("");
  std::optional<double> antenna = dLxmlLength(dLxmlNumber(sLxmlText(setup, "antennaHeight")));
  bool corr = set.uCorrCode != 0xFFFFFFFFu;
  if (xmlNode* vector = pLxmlFeature(pos, "GpsVector")) {
    void* st = pMboAddSt(ST_VECTOR);
    void* obs = st ? pMboAddObs(ST_VECTOR, st) : nullptr;
    if (!obs) return;
    boMboSetStAttr(ST_VECTOR, st, 3, sInt(set.uSatelliteNo).c_str());
    boMboSetStAttr(ST_VECTOR, st, 1, name.c_str());
    if (antenna) boMboSetStAttr(ST_VECTOR, st, 4, sNum("%.8f", *antenna).c_str());
    if (corr) boMboSetStAttr(ST_VECTOR, st, 7, sInt(set.uCorrCode).c_str());
    boMboSetObsAttr(ST_VECTOR, st, obs, 1, target->sName);
    vCovariance(ST_VECTOR, st, obs, cov);
    double h = dLxmlLength(dLxmlNumber(sProperty(pLxmlFeature(pos, "antennaHeight"), "antennaHeight"))).value_or(0);
    boMboSetObsAttr(ST_VECTOR, st, obs, 6, sNum("%.8f", h).c_str());
    const char* axes[] = {"DX", "DY", "DZ"};
    for (int i = 0; i < 3; i++)
      if (std::optional<double> d = dLxmlLength(dLxmlNumber(sProperty(vector, axes[i]))))
        boMboSetObsAttr(ST_VECTOR, st, obs, 100 + i, sNum("%.8f", *d).c_str());
  } else {
    void* st = pMboAddSt(ST_POSITION);
    void* obs = st ? pMboAddObs(ST_POSITION, st) : nullptr;
    if (!obs) return;
    boMboSetStAttr(ST_POSITION, st, 3, sInt(set.uSatelliteNo).c_str());
    boMboSetStAttr(ST_POSITION, st, 1, name.c_str());
    if (corr) boMboSetStAttr(ST_POSITION, st, 7, sInt(set.uCorrCode).c_str());
    std::optional<std::string> time = sXmlAttrOpt(targetElem, "timeStamp");
    if (!time && target->tag) time = sXmlAttrOpt((xmlNode*)target->tag, "timeStamp");
    if (time) boMboSetObsAttr(ST_POSITION, st, obs, 134, sLxmlTimeStamp(time->c_str()).c_str());
    boMboSetStAttr(ST_POSITION, st, 1, target->sName);
    double x = 0, y = 0, z = 0;
    if (boMboGetPointXY(target->pPoint, &x, &y)) {
      boMboSetObsAttr(ST_POSITION, st, obs, 130, sNum("%.8f", x).c_str());
      boMboSetObsAttr(ST_POSITION, st, obs, 131, sNum("%.8f", y).c_str());
    }
    if (boMboGetPointZ(target->pPoint, &z)) boMboSetObsAttr(ST_POSITION, st, obs, 132, sNum("%.8f", z).c_str());
    vCovariance(ST_POSITION, st, obs, cov);
    vMboSetPointZprecalc(target->pPoint, 1);
    if (LxmlDialect == LXML_DIALECT_HEXML) vHexQuality(st, obs, sXmlAttrOpt(setup, "id"));
  }
  vTargetCodes(pos, target);
}

void vGpsSetup(xmlNode* setup) {
  std::optional<std::string> name = sXmlAttrOpt(setup, "stationName"), antenna = sLxmlText(setup, "antennaHeight");
  PoPoint* station = name ? pMboFindPoint(name->c_str()) : nullptr;
  if (station && antenna)
    boViFieldsSetOrAddFieldByName(pKvxMboPFieldsGet(), station, "antennaHeight", antenna->c_str());
  for (xmlNode* c = setup->children; c; c = c->next) {
    if (boXmlNamed(c, "GPSPosition"))
      vGpsPosition(setup, c);  // a failing position is skipped alone
    else if (boFreeCode(c))
      vControlCode(c);
  }
  vApplyDescriptions();
}

}  // namespace

void vLxmlReadSurvey() {
  LxmlRead* r = g_pLxmlRead;
  if (!r || r->sections.size() != LXML_SEC_COUNT) return;
  r->pFreeCode = nullptr;
  for (xmlNode* n : r->sections[LXML_SEC_SETUP]) vInstrumentSetup(n);
  for (xmlNode* n : r->sections[LXML_SEC_GROUP]) vSetupChildren(n, nullptr);
  for (xmlNode* n : r->sections[LXML_SEC_GPS]) vGpsSetup(n);
  r->pFreeCode = nullptr;
}
