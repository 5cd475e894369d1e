// The MAXML reader (see maxml_read.h).
#include "xml/maxml_read.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/cnum.h"
#include "fieldbook/api.h"
#include "fieldbook/imagelink.h"
#include "fieldbook/levelling.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kv2gr.h"
#include "xml/maxml.h"
#include "xml/xmlutil.h"

int g_iMaxmlAutoPointNo = 100;

namespace {

// An integer as strtol reads it; none when the text starts with none or
// it does not fit.
std::optional<int> iMaxmlInt(const std::string& text) {
  const char* s = text.c_str();
  char* end = nullptr;
  errno = 0;
  long v = strtol(s, &end, 10);
  if (end == s || errno == ERANGE || v < INT_MIN || v > INT_MAX) return std::nullopt;
  return (int)v;
}

// The number of a text that passes the field book's numeric test.
std::optional<double> dNumericText(const std::string& text) {
  if (!boMboIsNumeric(text.c_str())) return std::nullopt;
  return dXmlNumber(text);
}

// The text when it is a number, else "".
std::string sNumberText(const std::string& text) { return sXmlNumberText(text).value_or(""); }

// The text of a child element (the last of that name), "" when none.
std::string sLastChildText(xmlNode* node, const char* name) {
  std::string text;
  for (xmlNode* c = node->children; c; c = c->next)
    if (boXmlNamed(c, name)) text = sXmlNodeText(c);
  return text;
}

MaxmlPrism vMaxmlReadPrism(xmlNode* node) {
  MaxmlPrism prism{sXmlAttrOpt(node, "id").value_or(""), ""};
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "Name"))
      prism.sLabel = sXmlNodeText(c);
    else if (boXmlNamed(c, "Constant"))
      prism.sLabel += " (" + sXmlNodeText(c) + ")";
  }
  return prism;
}

MaxmlCodeDesc vMaxmlReadCodeDesc(xmlNode* node) {
  MaxmlCodeDesc desc{sXmlAttrOpt(node, "id").value_or(""), "", {}, 1};
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "Name")) {
      desc.sName = sXmlNodeText(c);
    } else if (boXmlNamed(c, "TypeCode")) {
      desc.uKind = sXmlNodeText(c) == "point" ? 0 : 1;
    } else if (boXmlNamed(c, "AttrDescription")) {
      std::string type = sLastChildText(c, "Type");
      desc.attrs.push_back(MaxmlAttrDesc{sLastChildText(c, "Name"), type == "string" ? 0 : type == "list" ? 1 : 2});
    }
  }
  return desc;
}

void vMaxmlWalkRootChildren(MaxmlReadState* state, xmlNode* root) {
  for (xmlNode* section = root->children; section; section = section->next) {
    if (boXmlNamed(section, "CodeDescriptions")) {
      std::vector<MaxmlCodeDesc> codes;
      for (xmlNode* c = section->children; c; c = c->next)
        if (boXmlNamed(c, "CodeDescription")) codes.push_back(vMaxmlReadCodeDesc(c));
      state->codes = std::move(codes);
    } else if (boXmlNamed(section, "ObservationSession")) {
      vMaxmlReadObservationSession(state, section);
    } else if (boXmlNamed(section, "PlanEntities")) {
      vMaxmlReadPlanEntities(state, section);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Entry and walk

bool boMaxmlPrepareRead(const char* sPath) { return boXmlPrepareImport(sPath, false); }

int iMaxmlReadFile(const char* path) {
  XmlDocPtr doc = pXmlImportDocument(path, false);
  if (!doc) return 0;
  // Whatever was read before a failure stays in the field book.
  try {
    if (xmlNode* root = xmlDocGetRootElement(doc.get())) vMaxmlWalkRoot(root);
  } catch (...) {
  }
  g_iMaxmlAutoPointNo = 100;
  return 1;
}

void vMaxmlWalkRoot(xmlNode* root) {
  MaxmlReadState state;
  MboIndexPass pass;  // design points are merged by name
  if (xmlNode* prisms = pXmlChildByName(root, "PrismInfos"))
    for (xmlNode* c = prisms->children; c; c = c->next)
      if (boXmlNamed(c, "PrismInfo")) state.prisms.push_back(vMaxmlReadPrism(c));
  vMaxmlWalkRootChildren(&state, root);
}

void* pMaxmlFindStation(int kind, int attr, const char* text) { return pMboFindStationByAttr(kind, attr, text); }

// ---------------------------------------------------------------------------
// Stations, total-station shots and GPS positions

namespace {

struct MaxmlTsStation {
  std::string sName;
  std::string sTargetHeight;  // the file's TargetHeight is the instrument height
  std::string sTemperature, sPressure;
};

struct MaxmlShot {
  std::string sName, sTargetHeight;
  MaxmlCodeRef code;
  std::optional<std::string> prismRef;
  std::string sHorizAngle, sVertAngle, sSlopeDistance;
};

struct MaxmlGpsPosition {
  std::string sName, sGeoidHeight, sTime, sEast, sNorth, sEpochs;
  std::string cv[6];  // XX YY ZZ XY XZ YZ as the file orders them
  double dDilution = 0;
  int iSatellites = 0;
};

MaxmlCodeRef vMaxmlReadCodeRef(xmlNode* node) {
  MaxmlCodeRef ref;
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "CodeDescription"))
      ref.sIdRef = sXmlAttrOpt(c, "idRef").value_or("");
    else if (boXmlNamed(c, "AttribValue"))
      ref.values.push_back(sXmlNodeText(c));
  }
  return ref;
}

void vMaxmlReadTsData(xmlNode* node, MaxmlShot* shot) {
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "PrismRef")) {
      shot->prismRef = sXmlAttrOpt(c, "idRef");
    } else if (boXmlNamed(c, "SD")) {
      for (xmlNode* v = c->children; v; v = v->next) {
        if (boXmlNamed(v, "HorizAngle"))
          shot->sHorizAngle = sXmlNodeText(v);
        else if (boXmlNamed(v, "VertAngle"))
          shot->sVertAngle = sXmlNodeText(v);
        else if (boXmlNamed(v, "SlopeDistance"))
          shot->sSlopeDistance = sXmlNodeText(v);
      }
    }
  }
}

// TSRawSS, TSRawBS and ResShot; the last has no Code.
MaxmlShot vMaxmlReadShot(xmlNode* node) {
  MaxmlShot shot;
  if (!node) return shot;
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "Name"))
      shot.sName = sXmlNodeText(c);
    else if (boXmlNamed(c, "TargetHeight"))
      shot.sTargetHeight = sXmlNodeText(c);
    else if (boXmlNamed(c, "Code"))
      shot.code = vMaxmlReadCodeRef(c);
    else if (boXmlNamed(c, "TSData"))
      vMaxmlReadTsData(c, &shot);
  }
  return shot;
}

const MaxmlCodeDesc* pMaxmlFindCode(const MaxmlReadState* state, const std::string& id, int kind) {
  for (const MaxmlCodeDesc& d : state->codes)
    if (d.sId == id && (kind < 0 || d.uKind == (uint32_t)kind)) return &d;
  return nullptr;
}

// A direction in degrees to the field book's internal angle, as "%f"; an
// angle that overflows there is left out.
void vSetAngle(void* station, void* obs, int attr, double deg, bool zenith) {
  if (std::optional<std::string> angle = sXmlDegreesToAngle(deg, zenith))
    boMboSetObsAttr(1, station, obs, attr, angle->c_str());
}

void vMaxmlAddTsObs(const MaxmlReadState* state, const MaxmlShot& shot, void* station) {
  void* obs = pMboAddObs(1, station);
  if (!obs) return;
  boMboSetObsAttr(1, station, obs, 1, shot.sName.c_str());
  boMboSetObsAttr(1, station, obs, 6, sNumberText(shot.sTargetHeight).c_str());
  if (shot.prismRef && !shot.prismRef->empty())
    for (const MaxmlPrism& p : state->prisms)
      if (p.sId == *shot.prismRef) {
        boMboSetObsAttr(1, station, obs, 7, p.sLabel.c_str());
        break;
      }
  if (!shot.code.sIdRef.empty())
    if (const MaxmlCodeDesc* d = pMaxmlFindCode(state, shot.code.sIdRef, -1))
      boMboSetObsAttr(1, station, obs, 2, d->sName.c_str());
  if (std::optional<double> hz = dNumericText(shot.sHorizAngle)) vSetAngle(station, obs, 3, *hz, false);
  // The file gives an elevation angle; a shot without one gets no zenith.
  // (As a number: a "%f" text of a huge one would be cut.)
  if (std::optional<double> v = dXmlNumber(shot.sVertAngle)) vSetAngle(station, obs, 4, 90.0 - *v, true);
  if (dNumericText(shot.sSlopeDistance)) boMboSetObsAttr(1, station, obs, 5, shot.sSlopeDistance.c_str());
}

void* pMaxmlAddTsStation(xmlNode* node) {
  MaxmlTsStation st;
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "Name")) {
      st.sName = sXmlNodeText(c);
    } else if (boXmlNamed(c, "TargetHeight")) {
      st.sTargetHeight = sXmlNodeText(c);
    } else if (boXmlNamed(c, "WeatherInfo")) {
      for (xmlNode* w = c->children; w; w = w->next) {
        if (boXmlNamed(w, "Temperature"))
          st.sTemperature = sXmlNodeText(w);
        else if (boXmlNamed(w, "Pressure"))
          st.sPressure = sXmlNodeText(w);
      }
    }
  }
  void* station = pMboNewStation(1);
  if (!station) return nullptr;
  boMboSetStAttr(1, station, 1, st.sName.c_str());
  boMboSetStAttr(1, station, 4, sNumberText(st.sTargetHeight).c_str());
  // Hectopascal in the file, millimetres of mercury in the field book.
  if (std::optional<double> p = dNumericText(st.sPressure))
    boMboSetStAttr(1, station, 5, sXmlMillibarToMmHg(*p).c_str());
  if (dNumericText(st.sTemperature)) boMboSetStAttr(1, station, 6, st.sTemperature.c_str());
  return station;
}

MaxmlGpsPosition vMaxmlReadGpsPosition(xmlNode* node) {
  static const char* const cvNames[6] = {"XX", "YY", "ZZ", "XY", "XZ", "YZ"};
  static const char* const satNames[] = {"GPSSats", "GLONASSSats", "GalileoSats", "SBASSats", "QZSSSats"};
  MaxmlGpsPosition g;
  double hdop = 0, vdop = 0;
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "Station")) {
      for (xmlNode* s = c->children; s; s = s->next) {
        if (boXmlNamed(s, "Name"))
          g.sName = sXmlNodeText(s);
        else if (boXmlNamed(s, "GeoidHeight"))
          g.sGeoidHeight = sXmlNodeText(s);
      }
    } else if (boXmlNamed(c, "PlaneStation")) {
      xmlNode* pos = pXmlChildByName(c, "Position");
      if (xmlNode* neh = pos ? pXmlChildByName(pos, "NEH") : nullptr) {
        g.sNorth = sLastChildText(neh, "North");
        g.sEast = sLastChildText(neh, "East");
      }
    } else if (boXmlNamed(c, "Time")) {
      g.sTime = sXmlNodeText(c);
    } else if (boXmlNamed(c, "CV")) {
      for (int i = 0; i < 6; i++) g.cv[i] = sLastChildText(c, cvNames[i]);
    } else if (boXmlNamed(c, "Dop")) {
      // An invalid term counts as absent.
      hdop = dXmlNumber(sLastChildText(c, "HDop")).value_or(0);
      vdop = dXmlNumber(sLastChildText(c, "VDop")).value_or(0);
    } else if (boXmlNamed(c, "NumberOfEpochs")) {
      g.sEpochs = sXmlNodeText(c);
    } else {
      for (const char* sat : satNames)
        if (boXmlNamed(c, sat)) g.iSatellites += iMaxmlInt(sXmlNodeText(c)).value_or(0);
    }
  }
  g.dDilution = std::sqrt(hdop * hdop + vdop * vdop);
  return g;
}

void vMaxmlAddGpsPosition(const MaxmlGpsPosition& g) {
  void* station = pMboNewStation(5);
  void* obs = station ? pMboAddObs(5, station) : nullptr;
  if (!obs) return;
  boMboSetStAttr(5, station, 1, g.sName.c_str());
  boMboSetObsAttr(5, station, obs, 130, sNumberText(g.sEast).c_str());
  boMboSetObsAttr(5, station, obs, 131, sNumberText(g.sNorth).c_str());
  boMboSetObsAttr(5, station, obs, 132, sNumberText(g.sGeoidHeight).c_str());
  boMboSetObsAttr(5, station, obs, 134, sLxmlTimeStamp(g.sTime.c_str()).c_str());
  boMboSetObsAttr(5, station, obs, 135, std::to_string(g.iSatellites).c_str());
  boMboSetObsAttr(5, station, obs, 136, g.sEpochs.c_str());
  boMboSetObsAttr(5, station, obs, 137, sXmlFixed(g.dDilution).c_str());
  double v[6];
  for (int i = 0; i < 6; i++) {
    std::optional<double> n = dNumericText(g.cv[i]);
    if (!n) return;
    v[i] = *n;
  }
  boMboSetGpsCovariance(5, station, obs, v[0], v[3], v[4], v[1], v[5], v[2]);
}

}  // namespace

void vMaxmlReadObservationSession(MaxmlReadState* state, xmlNode* session) {
  for (xmlNode* c = session->children; c; c = c->next) {
    if (boXmlNamed(c, "TSRawStn")) {
      void* station = pMaxmlAddTsStation(c);
      if (!station) continue;
      state->stations.push_back(station);
      for (xmlNode* r = pXmlSiblingByName(c->children, nullptr, "Resection"); r;
           r = pXmlSiblingByName(r->next, nullptr, "Resection"))
        vMaxmlAddTsObs(state, vMaxmlReadShot(pXmlChildByName(r, "ResShot")), station);
    } else if (boXmlNamed(c, "TSRawSS") || boXmlNamed(c, "TSRawBS")) {
      if (!state->stations.empty()) vMaxmlAddTsObs(state, vMaxmlReadShot(c), state->stations.back());
    } else if (boXmlNamed(c, "GPSPosition")) {
      vMaxmlAddGpsPosition(vMaxmlReadGpsPosition(c));
    }
  }
}

// ---------------------------------------------------------------------------
// Design points, polylines and areas

namespace {

struct MaxmlDesignPoint {
  std::string sId, sName, sEast, sNorth, sElevation, sFlags;
  std::vector<MaxmlCodeRef> codes;
  std::vector<std::string> photos;
};

struct MaxmlPlanLine {
  std::string sName;
  std::vector<std::string> refs;
  bool boClosed = false;
};

void vMaxmlReadPointStation(xmlNode* node, MaxmlDesignPoint* dp) {
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "Name")) {
      dp->sName = sXmlNodeText(c);
    } else if (boXmlNamed(c, "Position")) {
      if (xmlNode* neh = pXmlChildByName(c, "NEH")) {
        for (xmlNode* v = neh->children; v; v = v->next) {
          if (boXmlNamed(v, "North"))
            dp->sNorth = sXmlNodeText(v);
          else if (boXmlNamed(v, "East"))
            dp->sEast = sXmlNodeText(v);
          else if (boXmlNamed(v, "Height"))
            dp->sElevation = sXmlNodeText(v);
        }
      }
    } else if (boXmlNamed(c, "GeoidHeight")) {
      dp->sElevation = sXmlNodeText(c);
    } else if (boXmlNamed(c, "PointFlags")) {
      dp->sFlags = sXmlNodeText(c);
    }
  }
}

MaxmlDesignPoint vMaxmlReadDesignPoint(xmlNode* node) {
  MaxmlDesignPoint dp;
  dp.sId = sXmlAttrOpt(node, "id").value_or("");
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "Station")) {
      vMaxmlReadPointStation(c, &dp);
    } else if (boXmlNamed(c, "Code")) {
      dp.codes.push_back(vMaxmlReadCodeRef(c));
    } else if (boXmlNamed(c, "PhotoNote")) {
      if (xmlNode* file = pXmlChildByName(c, "FileName")) dp.photos.push_back(sXmlNodeText(file));
    }
  }
  return dp;
}

void vMaxmlSetAttrFields(ViFields* fields, void* object, const std::vector<MaxmlAttrDesc>& descs,
                         const std::vector<std::string>& values) {
  if (descs.empty() || descs.size() != values.size()) return;
  for (size_t i = 0; i < descs.size(); i++) {
    // A list value is its key: the text before the first blank.
    std::string value = descs[i].iType == 1 ? values[i].substr(0, values[i].find(' ')) : values[i];
    boViFieldsSetOrAddFieldByName(fields, object, descs[i].sName.c_str(), value.c_str());
  }
}

void vMaxmlAddDesignPoint(MaxmlReadState* state, const MaxmlDesignPoint& dp) {
  std::string name = dp.sName.empty() ? std::to_string(g_iMaxmlAutoPointNo++) : dp.sName;
  PoPoint* point = KvxMboNewOrExistingPoint(name.c_str());
  if (!point) return;
  // The point's own ID: a long name is cut there, and the lines look it up.
  state->designNames[dp.sId] = sMboGetPointPID(point);
  ViFields* fields = pKvxMboPFieldsGet();
  for (const MaxmlCodeRef& ref : dp.codes) {
    if (const MaxmlCodeDesc* d = pMaxmlFindCode(state, ref.sIdRef, 0)) {
      vMboSetPointCode(point, d->sName.c_str());
      vMaxmlSetAttrFields(fields, point, d->attrs, ref.values);
      break;
    }
  }
  for (const std::string& photo : dp.photos) vMboAttachImage(photo.c_str(), fields, point);
  if (std::optional<double> x = dNumericText(dp.sEast)) vMboSetPointX(point, *x);
  if (std::optional<double> y = dNumericText(dp.sNorth)) vMboSetPointY(point, *y);
  if (std::optional<double> z = dNumericText(dp.sElevation)) vMboSetPointZ(point, *z);
  // A point measured by GPS in this job keeps its measured marks.
  if (pMaxmlFindStation(5, 1, sMboGetPointPID(point))) return;
  if (dp.sFlags == "topo checkpoint" || dp.sFlags == "topo") {
    vMboSetPointXYprecalc(point, 1);
    vMboSetPointZprecalc(point, 1);
    if (dp.sFlags == "topo") vMboSetPointDetail(point, 1);
  }
}

MaxmlPlanLine vMaxmlReadPlanLine(xmlNode* node, bool area) {
  MaxmlPlanLine pl;
  for (xmlNode* c = node->children; c; c = c->next) {
    if (boXmlNamed(c, "Name"))
      pl.sName = sXmlNodeText(c);
    else if (boXmlNamed(c, "PointRef"))
      pl.refs.push_back(sXmlAttrOpt(c, "idRef").value_or(""));
    else if (area && boXmlNamed(c, "Closed"))
      pl.boClosed = sXmlNodeText(c) == "true";
  }
  return pl;
}

LiLine* pMaxmlAddLine(const MaxmlReadState* state, const MaxmlPlanLine& pl) {
  LiLine* line = KvxMboNewLine(pl.sName.c_str());
  if (!line) return nullptr;
  for (const std::string& ref : pl.refs) {
    auto it = state->designNames.find(ref);
    if (it == state->designNames.end() || it->second.empty()) continue;
    PoPoint* point = pMboFindPoint(it->second.c_str());
    if (!point) continue;
    LiElm* elm = KvxMboAddLineElmBefore(line, "", nullptr);
    if (!elm) continue;
    // Only what the point has: a missing height stays missing.
    double x, y, z;
    if (boMboGetPointXY(point, &x, &y)) vMboSetElmXY(line, elm, x, y);
    if (boMboGetPointZ(point, &z)) vMboSetElmZ(line, elm, z);
  }
  if (pl.boClosed) vLiLineSetAsPolygon(line, 1);
  return line;
}

// The line takes its code from the first design point it references,
// wherever that point stands among the plan's entities.
void vMaxmlSetLineCode(const MaxmlReadState* state, xmlNode* plan, LiLine* line, const std::string& firstRef) {
  xmlNode* dp = nullptr;
  for (xmlNode* c = plan->children; c && !dp; c = c->next)
    if (boXmlNamed(c, "DesignPoint") && sXmlAttrOpt(c, "id") == firstRef) dp = c;
  if (!dp) return;
  for (xmlNode* c = dp->children; c; c = c->next) {
    if (!boXmlNamed(c, "Code")) continue;
    xmlNode* descRef = pXmlChildByName(c, "CodeDescription");
    std::optional<std::string> idRef = descRef ? sXmlAttrOpt(descRef, "idRef") : std::nullopt;
    if (!idRef) continue;
    const MaxmlCodeDesc* d = pMaxmlFindCode(state, *idRef, 1);
    if (!d) continue;
    vLiLineSetField(line, d->sName.c_str());
    vMaxmlSetAttrFields(pKvxMboLFieldsGet(), line, d->attrs, vMaxmlReadCodeRef(c).values);
    return;
  }
}

}  // namespace

void vMaxmlReadPlanEntities(MaxmlReadState* state, xmlNode* plan) {
  for (xmlNode* c = plan->children; c; c = c->next) {
    if (boXmlNamed(c, "DesignPoint")) {
      vMaxmlAddDesignPoint(state, vMaxmlReadDesignPoint(c));
    } else if (boXmlNamed(c, "Area") || boXmlNamed(c, "Polyline")) {
      MaxmlPlanLine pl = vMaxmlReadPlanLine(c, boXmlNamed(c, "Area"));
      LiLine* line = pMaxmlAddLine(state, pl);
      if (line && !pl.refs.empty()) vMaxmlSetLineCode(state, plan, line, pl.refs[0]);
    }
  }
}
