// LandXML lengths in the schema's other units: one field book written by
// hand in metres and in every other linear unit reads to the same points,
// lines, polygons, nets, pipes, stations and observations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "kv2gr.h"
#include "landxml_fixture.h"
#include "tests/fieldbook/fb_module.h"
#include "testing/ui_driver.h"
#include "xml_test_util.h"

namespace {

// Every value the read gives that depends on a length, as text.
std::string sDump() {
  std::string out;
  char buf[512];
  PoPoints* pts = FB(pKvxMboPoPointsGet)();
  for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p)) {
    double x = 0, y = 0, z = 0;
    bool xy = FB(boMboGetPointXY)(p, &x, &y), hz = FB(boMboGetPointZ)(p, &z);
    snprintf(buf, sizeof buf, "P %s %.17g %.17g %.17g %d %d\n", FB(sMboGetPointPID)(p), xy ? x : NAN, xy ? y : NAN,
             hz ? z : NAN, xy, hz);
    out += buf;
  }
  for (LiLines* lines : {FB(pKvxMboLiLinesGet)(), (LiLines*)FB(pKvxMboYgPolygonsGet)()}) {
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
      out += std::string("L ") + FB(sMboGetLineObjID)(l) + "\n";
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        double x = 0, y = 0, z = 0, r = 0, a = 0, rs = 0, re = 0;
        FB(boMboGetElmXY)(l, e, &x, &y);
        bool hz = FB(boMboGetElmZ)(l, e, &z);
        snprintf(buf, sizeof buf, " V %d %.17g %.17g %.17g %d", LiElmGetType(l, e), x, y, hz ? z : 0, hz);
        out += buf;
        if (LiElmGetType(l, e) == KV2GR_ELM_ARC2P && boLiElmGetRadius(l, e, &r)) {
          snprintf(buf, sizeof buf, " r %.17g", r);
          out += buf;
        }
        if (LiElmGetType(l, e) == KV2GR_ELM_CLOTHOID && boLiElmGetClotoide(l, e, &a, &rs, &re)) {
          snprintf(buf, sizeof buf, " A %.17g %.17g %.17g", a, rs, re);
          out += buf;
        }
        out += "\n";
      }
    }
  }
  TrNets* nets = FB(pKvxMboTrNetsGet)();
  for (TrNet* n = TrNetsGetFirst(nets); n; n = TrNetsGetNext(nets, n)) {
    for (int i = 0; i < iTrNetGetPointCount(n); i++) {
      GeoPnt3 p;
      boTrNetGetP(n, i, &p);
      snprintf(buf, sizeof buf, "N %.17g %.17g %.17g\n", p.x, p.y, p.z);
      out += buf;
    }
  }
  const struct {
    int iKind;
    std::vector<int> st, obs;
  } kinds[] = {{1, {1, 4}, {1, 5, 6, 9}},
               {4, {1, 4}, {1, 6, 100, 101, 102, 103, 104, 105, 120, 121}},
               {5, {1}, {103, 104, 105, 121, 130, 131, 132}}};
  for (const auto& k : kinds) {
    for (void* st = FB(pMboGetNextSt)(k.iKind, nullptr); st; st = FB(pMboGetNextSt)(k.iKind, st)) {
      out += "S" + std::to_string(k.iKind);
      for (int a : k.st)
        if (FB(boMboGetStAttr)(k.iKind, st, a, buf, (int)sizeof buf)) out += " " + std::to_string(a) + "= " + buf;
      out += "\n";
      for (void* o = FB(pMboGetNextObs)(k.iKind, st, nullptr); o; o = FB(pMboGetNextObs)(k.iKind, st, o)) {
        out += " O";
        for (int a : k.obs)
          if (FB(boMboGetObsAttr)(k.iKind, st, o, a, buf, (int)sizeof buf)) out += " " + std::to_string(a) + "= " + buf;
        out += "\n";
      }
    }
  }
  return out;
}

// The template with its lengths in the unit (metres per unit).
std::string sInUnit(std::string text, const char* kind, const char* unit, double metres) {
  text = std::regex_replace(text, std::regex("\\{KIND\\}"), kind);
  text = std::regex_replace(text, std::regex("\\{UNIT\\}"), unit);
  std::regex value("\\{(a:)?([-0-9.]+)\\}");
  std::string out;
  std::sregex_iterator it(text.begin(), text.end(), value), end;
  size_t at = 0;
  for (; it != end; ++it) {
    const std::smatch& m = *it;
    double v = strtod(m[2].str().c_str(), nullptr) / metres;
    if (m[1].matched) v /= metres;
    char buf[64];
    snprintf(buf, sizeof buf, "%.17g", v);
    out += text.substr(at, (size_t)m.position(0) - at) + buf;
    at = (size_t)(m.position(0) + m.length(0));
  }
  return out + text.substr(at);
}

// Equal texts but for numbers, which agree within 1e-9 relative (of at
// least 1).
void vExpectSame(const std::string& want, const std::string& got) {
  std::istringstream a(want), b(got);
  std::string ta, tb;
  int line = 0;
  while (true) {
    bool moreA = (bool)(a >> ta), moreB = (bool)(b >> tb);
    ASSERT_EQ(moreA, moreB) << "token " << line;
    if (!moreA) return;
    line++;
    char *endA = nullptr, *endB = nullptr;
    double va = strtod(ta.c_str(), &endA), vb = strtod(tb.c_str(), &endB);
    if (endA != ta.c_str() && !*endA && endB != tb.c_str() && !*endB && std::isfinite(va))
      EXPECT_LE(std::fabs(va - vb), 1e-9 * std::max({std::fabs(va), std::fabs(vb), 1.0}))
          << ta << " vs " << tb << " at token " << line;
    else
      EXPECT_EQ(ta, tb) << "at token " << line;
  }
}

class LandXmlUnits : public LandXmlBook {
 protected:
  std::string sRead(int driver, const std::string& text) {
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
    std::string path = Put("units.xml", text);
    EXPECT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, driver, path.c_str()));
    EXPECT_EQ(iUiPendingBoxes(), 0);
    return sDump();
  }
};

}  // namespace

TEST_F(LandXmlUnits, EveryLinearUnitReadsToTheSameFieldBookAsMetres) {
  const std::string tmpl = kvxtest::ReadFile(KVX_TEST_DATA "/landxml/lengths_template.xml");
  const struct {
    const char* sKind;
    const char* sUnit;
    double dMetres;
  } units[] = {{"Metric", "millimeter", 0.001}, {"Metric", "centimeter", 0.01},
               {"Metric", "kilometer", 1000},   {"Metric", "metre", 1},
               {"Imperial", "foot", 0.3048},    {"Imperial", "USSurveyFoot", 1200.0 / 3937},
               {"Imperial", "inch", 0.0254},    {"Imperial", "mile", 1609.344}};
  for (int driver : {25, 29}) {
    const std::string metres = sRead(driver, sInUnit(tmpl, "Metric", "meter", 1));
    // Everything of the file is there: a unit that lost a value would
    // still agree on the rest.
    for (const char* part : {"P S1 600000.5", "P G1 600200.", "S1 1= S1 4= 1.55", "S4 1= S1 4= 1.625", "N 600000",
                             " r ", " A ", "L Lot\n", "L P1\n", "P MH1"})
      EXPECT_NE(metres.find(part), std::string::npos) << part << " in\n" << metres;
    for (const auto& u : units) {
      SCOPED_TRACE(std::string(u.sUnit) + " in " + std::to_string(driver));
      vExpectSame(metres, sRead(driver, sInUnit(tmpl, u.sKind, u.sUnit, u.dMetres)));
    }
  }
}
