// The loaded module's field book as text, for the instrument tests: points,
// lines, stations and observations read back through the exports only.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "fieldbook/api.h"
#include "fieldbook/stations.h"
#include "kv2cosys.h"
#include "kv2cosys_setup.h"
#include "kv2gr.h"
#include "../fieldbook/fb_module.h"

using kvxtest::ReadFile;
// The older names of the shared file helpers, for tests written against them.
inline std::string sSlurp(const std::string& path) { return ReadFile(path); }
inline void vSpit(const std::string& path, const std::string& bytes) { kvxtest::WriteFile(path, bytes); }

inline std::string sNum(double v, int decimals = 3) {
  char buf[64];
  iNumPrintC(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// Horizontal and vertical directions given in gon as the field book holds
// them, to 8 decimals.
inline std::string sHz(double gon) { return sNum(dCoSysHorDir2Math(0, gon), 8); }
inline std::string sV(double gon) { return sNum(dCoSysVerDir2Math(0, gon), 8); }

// "PID code x y z" per point, with "-" for a missing XY or Z; "*" after a
// precalculated value.
inline std::vector<std::string> DumpPoints() {
  std::vector<std::string> out;
  PoPoints* pts = FB(pKvxMboPoPointsGet)();
  for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p)) {
    std::string s = std::string(FB(sMboGetPointPID)(p)) + " " + sPoPointGetField(p);
    double x, y, z;
    if (FB(boMboGetPointXY)(p, &x, &y))
      s += " " + sNum(x) + " " + sNum(y) + (FB(boMboGetPointXYprecalc)(p) ? "*" : "");
    else
      s += " - -";
    s += FB(boMboGetPointZ)(p, &z) ? " " + sNum(z) + (FB(boMboGetPointZprecalc)(p) ? "*" : "") : std::string(" -");
    out.push_back(s);
  }
  return out;
}

// "ID|code|P: A B C~25" per line (P: polygon; ~r: two-point arc radius).
inline std::vector<std::string> DumpLines() {
  std::vector<std::string> out;
  LiLines* lines = FB(pKvxMboLiLinesGet)();
  for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
    std::string s =
        std::string(FB(sMboGetLineObjID)(l)) + "|" + sLiLineGetField(l) + "|" + (boLiLineIsPolygon(l) ? "P" : "") + ":";
    for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
      char pid[100];
      FB(boMboGetElmPID)(l, e, pid, sizeof pid);
      s += std::string(" ") + (pid[0] ? pid : "-");
      double r;
      if (LiElmGetType(l, e) == KV2GR_ELM_ARC2P && boLiElmGet2pArc(l, e, &r)) s += "~" + sNum(r, 1);
    }
    out.push_back(s);
  }
  return out;
}

// "x,y,z" of each vertex of each line (arc middles left out).
inline std::vector<std::string> LineCoords() {
  std::vector<std::string> out;
  LiLines* lines = FB(pKvxMboLiLinesGet)();
  for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
    std::string s;
    for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
      GeoPnt3 p;
      vLiElmGetP(l, e, &p);
      s += " " + sNum(p.x + 0.0, 2) + "," + sNum(p.y + 0.0, 2) + "," + sNum(p.z, 2);
    }
    out.push_back(s);
  }
  return out;
}

// Stations of a kind with their observations: "attr=value" for each
// attribute given that reads true, a station's observations indented.
inline std::vector<std::string> DumpStations(int kind, std::initializer_list<int> stAttrs,
                                             std::initializer_list<int> obsAttrs) {
  std::vector<std::string> out;
  char buf[200];
  for (void* st = FB(pMboGetNextSt)(kind, nullptr); st; st = FB(pMboGetNextSt)(kind, st)) {
    std::string s = "ST";
    for (int a : stAttrs)
      if (FB(boMboGetStAttr)(kind, st, a, buf, sizeof buf)) s += " " + std::to_string(a) + "=" + buf;
    out.push_back(s);
    for (void* o = FB(pMboGetNextObs)(kind, st, nullptr); o; o = FB(pMboGetNextObs)(kind, st, o)) {
      std::string t = "  OBS";
      for (int a : obsAttrs)
        if (FB(boMboGetObsAttr)(kind, st, o, a, buf, sizeof buf)) t += " " + std::to_string(a) + "=" + buf;
      out.push_back(t);
    }
  }
  return out;
}

// The observations of the first station of a kind, in order.
inline std::vector<const void*> FirstStationObservations(int kind) {
  std::vector<const void*> out;
  void* st = FB(pMboGetNextSt)(kind, nullptr);
  for (void* o = FB(pMboGetNextObs)(kind, st, nullptr); o; o = FB(pMboGetNextObs)(kind, st, o)) out.push_back(o);
  return out;
}

// A value as its text "%.<decimals>f" gives it back.
inline double dThroughText(double v, int decimals) {
  char buf[400];
  iNumPrintC(buf, sizeof buf, "%.*f", decimals, v);
  return dNumParseC(buf);
}

// "" when both are the same double (-0 and +0 differ), else both in hex.
inline std::string sBitsDiffer(double want, double got) {
  if (std::memcmp(&want, &got, sizeof want) == 0) return "";
  char buf[80];
  std::snprintf(buf, sizeof buf, "%a instead of %a", got, want);
  return buf;
}

inline std::string sPointField(const char* pid, const char* name) {
  PoPoints* pts = FB(pKvxMboPoPointsGet)();
  for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p))
    if (std::string(FB(sMboGetPointPID)(p)) == pid) return sViFieldsGetFieldByName(FB(pKvxMboPFieldsGet)(), p, name);
  return "<no point>";
}

inline std::string sProjectAttr(const char* key) {
  char buf[300];
  FB(boMboGetProjectAttr)(key, buf, sizeof buf);
  return buf;
}

// A new point with a code, XY and (when given) Z, through the exports.
inline PoPoint* pNewPoint(const char* pid, const char* code, double x, double y, const double* z = nullptr) {
  PoPoint* p = FB(KvxMboNewPoint)(pid);
  vPoPointSetField(p, code);
  FB(vMboSetPointXY)(p, x, y);
  if (z) FB(vMboSetPointZ)(p, *z);
  return p;
}

// A UTM zone 32 system on EUREF89 in the coordinate-system library (its
// set-up interface), for readers that convert geographic positions.
inline uint64_t uUtm32System() {
  CoSysSetupDef def{};
  def.name = "UTM 32";
  def.datumId = "EUREF89";
  def.projectionName = "Transverse Mercator";
  def.refLongitude = 9 * 3.14159265358979323846 / 180;
  def.scale = 0.9996;
  def.shiftX = 500000;
  return CoSysSetupCreateSystem(&def);
}

// A field book in a fresh folder with the host's ini file; side files go to
// that folder under the raw file's base name.
class InstrumentFiles : public FieldBookFiles {
 protected:
  std::string sSide(const char* base) { return tmp_.Read(std::string(base) + ".ADM"); }
  // The instrument's options in the host's ini file ("EO:100 NO:200").
  void vOptions(int instrument, const char* options) {
    vIniLine("[KvxMbo]\r\nMboType" + std::to_string(instrument) + "=" + options);
  }
  // A line added at the end of the host's ini file (after vOptions: into
  // the section it began).
  void vIniLine(const std::string& line) { std::ofstream(host_.sIniPath, std::ios::app) << line << "\r\n"; }
  bool boRead(int instrument, const std::string& path) {
    return FB(boKvxMboReadRawDirect)(&host_, instrument, path.c_str()) != 0;
  }
  bool boWrite(int instrument, const std::string& path) {
    return FB(boKvxMboWriteRawDirect)(&host_, instrument, path.c_str()) != 0;
  }
  // The field book written as the instrument's file of that name in the
  // folder: the file's bytes.
  std::string sWritten(int instrument, const std::string& name) {
    if (!boWrite(instrument, tmp_.Path(name))) return "<write failed>";
    return tmp_.Read(name);
  }
};
