// The current-record builder at its interface, on a real field book: what
// the flush makes of points, stations and observations, the reductions of
// total-station observations, GPS vectors and coordinate observations,
// levelling pairs, the clean-up after a read and the angle parsers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "base/cnvtable.h"
#include "base/text.h"
#include "fieldbook/convert.h"
#include "fieldbook/levelling.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kv2cosys_setup.h"

namespace {

constexpr double kPi = std::numbers::pi;

// A number as a reader would pass it, to the last digit.
std::string Text(double v) {
  char buf[40];
  snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

class Record : public ::testing::Test {
 protected:
  void SetUp() override {
    vKvxMboInit(nullptr);
    // Angles in radians, so that the values given are easy to follow:
    // horizontal user u is internal pi/2 - u, the zenith angle unchanged.
    vCoSysSetupSetAngleSystem(0, COSYS_ANG_RAD);
  }
  void TearDown() override {
    vKvxMboFinish();
    vCoSysSetupReset();
  }

  static void Point(const char* name, const char* north, const char* east, const char* z = nullptr) {
    vMboRecSetPointName(name);
    if (north) vMboRecSetCoord(MBO_REC_NORTH, north);
    if (east) vMboRecSetCoord(MBO_REC_EAST, east);
    if (z) vMboRecSetCoord(MBO_REC_Z, z);
  }
  // A point record, flushed; how many objects it stored.
  static int Flushed(const char* name, const char* north, const char* east, const char* z = nullptr) {
    Point(name, north, east, z);
    return vMboFlushPending();
  }
  // A total-station record to the target, flushed.
  static int Obs(const char* target, const char* dist = "10") {
    vMboRecSetPointName(target);
    vMboRecSetObsValue(MBO_OBS_ITEM_DIST, dist);
    return vMboFlushPending();
  }
  // "x y" of a point, "-" without XY; " z" added when it has one.
  static std::string Coords(const char* id) {
    PoPoint* p = pMboFindPoint(id);
    if (!p) return "missing";
    double x, y, z;
    char buf[100];
    if (boMboGetPointXY(p, &x, &y))
      snprintf(buf, sizeof buf, "%.4f %.4f", x, y);
    else
      snprintf(buf, sizeof buf, "-");
    std::string s = buf;
    if (boMboGetPointZ(p, &z)) s += " " + std::to_string(z);
    return s;
  }
  static std::string Code(const char* id) { return sMboPointGetField(pMboFindPoint(id)); }
  static std::vector<std::string> PointIds() {
    std::vector<std::string> ids;
    for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p))
      ids.push_back(sMboGetPointPID(p));
    return ids;
  }
  // Per total-station station: its name, then its targets.
  static std::vector<std::vector<std::string>> TsStations() {
    std::vector<std::vector<std::string>> out;
    for (void* st = pMboGetNextSt(1, nullptr); st; st = pMboGetNextSt(1, st)) {
      out.push_back({sMboName(&static_cast<MboStationTs*>(st)->name)});
      for (void* o = pMboGetNextObs(1, st, nullptr); o; o = pMboGetNextObs(1, st, o))
        out.back().push_back(sMboName(&static_cast<MboObsTs*>(o)->target));
    }
    return out;
  }
  // One total-station record with its values, flushed; its observation.
  static MboObsTs* Shot(const char* target, std::vector<std::pair<int, std::string>> items) {
    vMboRecSetPointName(target);
    for (auto& [item, text] : items) vMboRecSetObsValue(item, text.c_str());
    vMboFlushPending();
    return LastTsObs();
  }
  static MboObsTs* LastTsObs() {
    MboObsTs* last = nullptr;
    for (void* st = pMboGetNextSt(1, nullptr); st; st = pMboGetNextSt(1, st))
      for (void* o = pMboGetNextObs(1, st, nullptr); o; o = pMboGetNextObs(1, st, o)) last = static_cast<MboObsTs*>(o);
    return last;
  }
};

TEST_F(Record, OffsetsGoNorthToYAndEastToX) {
  g_mboTransfer.settings.iEO = 10;  // the "X-offset" label, added to north
  g_mboTransfer.settings.iNO = 20;
  EXPECT_EQ(Flushed("P1", "100.0", "200.0", "5"), 1);
  EXPECT_EQ(Coords("P1"), "220.0000 110.0000 5.000000");
  // Any number fits the coordinate texts, far beyond what a file should hold.
  Flushed("BIG", "-1e300", "123456789012.5");
  double x, y;
  ASSERT_TRUE(boMboGetPointXY(pMboFindPoint("BIG"), &x, &y));
  EXPECT_DOUBLE_EQ(y, -1e300);
  EXPECT_DOUBLE_EQ(x, 123456789012.5 + 20);
  // Not a number, or not a finite one: no coordinate at all.
  Flushed("NaN", "1e999", "abc");
  EXPECT_EQ(Coords("NaN"), "-");
}

// The coordinate texts are "%.4lf" of the number read, whatever shape its
// text has: random decimals of every length and sign against printf. The
// point stores the value of that text, to the last bit.
TEST_F(Record, CoordinateTextsArePrintfsFourDecimals) {
  std::mt19937_64 rng(7);
  for (int k = 0; k < 20000; k++) {
    std::string text = rng() % 3 ? "" : "-";
    int digits = (int)(rng() % 15);
    for (int i = 0; i < digits; i++) text += (char)('0' + (i == 0 && rng() % 4 == 0 ? 0 : rng() % 10));
    if (rng() % 2) {
      text += '.';
      for (int i = (int)(rng() % 7); i > 0; i--) text += (char)('0' + rng() % 10);
    }
    vMboRecSetPointName("Z");
    vMboRecSetCoord(MBO_REC_Z, text.c_str());
    char want[400] = "";
    if (boMboIsNumber(text.c_str())) snprintf(want, sizeof want, "%.4lf", strtod(text.c_str(), nullptr) + 0.0);
    ASSERT_STREQ(g_mboRec.sZ, want) << text;
    if (!want[0]) continue;
    vMboFlushPending();
    double z = 0, expected = strtod(want, nullptr);
    ASSERT_TRUE(boMboGetPointZ(pMboFindPoint("Z"), &z));
    ASSERT_EQ(memcmp(&z, &expected, sizeof z), 0) << want;
  }
}

TEST_F(Record, OnlyNorthStoresNoXYButCodeAndPrecalcMarks) {
  g_mboTransfer.settings.iEO = 3;
  g_mboTransfer.settings.iNO = 7;
  vMboRecSetCode("K1");
  Point("  P 1 ", "100", nullptr, "5");
  vMboRecSetCoord(MBO_REC_Z_PRECALC, nullptr);
  EXPECT_EQ(vMboFlushPending(), 1);
  EXPECT_EQ(Coords("P_1"), "- 5.000000");
  EXPECT_EQ(Code("P_1"), "K1");
  EXPECT_TRUE(boMboGetPointZprecalc(pMboFindPoint("P_1")));
}

TEST_F(Record, BlankNamesMakeNoPointEvenWithAJob) {
  vMboSetJobName("J");
  EXPECT_EQ(Flushed("   ", "1", "2"), 0);
  Point(nullptr, "1", "2");
  EXPECT_EQ(vMboFlushPending(), 0);
  EXPECT_EQ(iMboCountPoints(), 0);
  Flushed("7", "1", "2");
  EXPECT_EQ(PointIds(), std::vector<std::string>{"J..7"});
}

TEST_F(Record, CodeSetterClearsOnlyOnMinusSevenNines) {
  // Only the first eight characters count; 15 are kept.
  const std::pair<const char*, const char*> cases[] = {
      {"-9999999123", ""}, {"-9999998", "-9999998"}, {"ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNO"}, {nullptr, ""}};
  for (auto [code, kept] : cases) {
    vMboRecSetCode("X");
    vMboRecSetCode(code);
    EXPECT_STREQ(sMboRecGetCode(), kept) << (code ? code : "null");
  }
}

TEST_F(Record, MergeByNameKeepsLastXYAndPrecalcState) {
  Flushed("A", "1", "2");
  Point("A", "3", "4");
  vMboFlushPending();
  EXPECT_EQ(Coords("A"), "4.0000 3.0000");
  EXPECT_FALSE(boMboGetPointXYprecalc(pMboFindPoint("A")));
  Point("B", "1", "2");
  vMboRecSetCoord(MBO_REC_XY_PRECALC, "");
  vMboFlushPending();
  Flushed("B", "5", "6");
  EXPECT_EQ(Coords("B"), "6.0000 5.0000");
  EXPECT_TRUE(boMboGetPointXYprecalc(pMboFindPoint("B")));
  EXPECT_EQ(PointIds(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(Record, StationChangesWithInstrumentHeightNotWithAnUnsetTemperature) {
  vMboRecSetStationName("S1");
  vMboRecSetObsValue(MBO_OBS_ITEM_IH, "1.5");
  Obs("A");
  vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, "20");  // the station has none: same set-up
  Obs("B");
  vMboRecSetObsValue(MBO_OBS_ITEM_IH, "1.6");
  Obs("C");
  vMboRecSetStationName("S2");
  Obs("D");
  EXPECT_EQ(TsStations(), (std::vector<std::vector<std::string>>{{"S1", "A", "B"}, {"S1", "C"}, {"S2", "D"}}));
  // The new station took the pending values; now its temperature counts.
  auto* st = static_cast<MboStationTs*>(pMboGetNextSt(1, pMboGetNextSt(1, nullptr)));
  EXPECT_STREQ(st->sInstrHeight, "1.6");
  EXPECT_STREQ(st->sTemperature, "20");
  vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, "21");
  Obs("E");
  EXPECT_EQ(iMboCountStations(1), 4);
  // Every target is a point afterwards.
  EXPECT_EQ(PointIds(), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
}

TEST_F(Record, ObservationWithoutTargetKeepsItsValuesForTheNext) {
  vMboRecSetObsValue(MBO_OBS_ITEM_DIST, "12.5");
  EXPECT_EQ(vMboFlushPending(), 0);
  EXPECT_EQ(iMboCountTsObs(), 0);
  vMboRecSetPointName("T");
  vMboRecSetObsValue(MBO_OBS_ITEM_HZ, "1.0");  // the mark again
  EXPECT_EQ(vMboFlushPending(), 1);
  MboObsTs* obs = LastTsObs();
  ASSERT_NE(obs, nullptr);
  EXPECT_EQ(obs->dDist, 12.5);
  EXPECT_EQ(obs->uFlags, MBO_OBS_DIST_VALID | MBO_OBS_HZ_VALID);
}

TEST_F(Record, TinyDistanceIsStoredWithoutItsValidFlag) {
  vMboRecSetObsValue(MBO_OBS_ITEM_TH, "1.7");
  Obs("A", "0.00004");
  void* st = pMboGetNextSt(1, nullptr);
  void* obs = pMboGetNextObs(1, st, nullptr);
  char buf[40];
  EXPECT_FALSE(boMboGetObsAttr(1, st, obs, 5, buf, sizeof buf));
  EXPECT_TRUE(boMboGetObsAttr(1, st, obs, 6, buf, sizeof buf));
  EXPECT_STREQ(buf, "1.70000");
  EXPECT_EQ(static_cast<MboObsTs*>(obs)->dDist, 0.00004);
}

TEST_F(Record, StationFlagStoresTheStationPointAndKeepsThePointName) {
  vMboRecSetPointName("T1");
  vMboRecSetStationName("S");
  vMboRecSetCoord(MBO_REC_NORTH, "10");
  vMboRecSetCoord(MBO_REC_EAST, "20");
  EXPECT_EQ(vMboFlushPending(), 1);
  EXPECT_EQ(Coords("S"), "20.0000 10.0000");
  EXPECT_STREQ(sMboRecGetPointName(), "T1");
  EXPECT_EQ(pMboFindPoint("T1"), nullptr);
  // The next flush stores the pending point itself.
  EXPECT_EQ(vMboFlushPending(), 1);
  EXPECT_EQ(PointIds(), (std::vector<std::string>{"S", "T1"}));
  EXPECT_STREQ(sMboRecGetPointName(), "");
}

TEST_F(Record, KofModeClearsWhatIsStickyOtherwise) {
  vMboRecSetCode("C1");
  vMboRecSetObsValue(MBO_OBS_ITEM_IH, "1.5");
  Flushed("A", "1", "1");
  vMboRecSetObsValue(MBO_OBS_ITEM_IH, "x");  // ignored outside KOF mode
  Flushed("B", "1", "1");
  EXPECT_EQ(Code("A"), "C1");
  EXPECT_EQ(Code("B"), "C1");
  EXPECT_STREQ(g_mboRec.sInstrHeight, "1.5");

  vMboRecSetKofMode(1);
  vMboRecSetObsValue(MBO_OBS_ITEM_IH, "x");
  EXPECT_STREQ(g_mboRec.sInstrHeight, "");
  vMboRecSetCode("C2");
  Flushed("C", "1", "1");
  Point("D", "1", "1");
  vMboFlushPending();
  EXPECT_EQ(Code("C"), "C2");
  EXPECT_EQ(Code("D"), "");
  // An observation takes the code and clears it too.
  vMboRecSetCode("C3");
  Obs("E");
  EXPECT_STREQ(LastTsObs()->sCode, "C3");
  EXPECT_STREQ(sMboRecGetCode(), "");
}

TEST_F(Record, AllNinesCodeWithoutCodeDrivenLineIsEmpty) {
  vMboRecSetCode("99999");
  Flushed("A", "1", "1");
  EXPECT_EQ(Code("A"), "");
  Obs("B");
  EXPECT_STREQ(LastTsObs()->sCode, "");
  // Not all nines: kept as it is.
  vMboRecSetCode("99991");
  Flushed("C", "1", "1");
  EXPECT_EQ(Code("C"), "99991");
}

TEST_F(Record, CodesAreConvertedOnPointsAndObservations) {
  MboSettings& set = g_mboTransfer.settings;
  set.pFeatureTab = pCnvTabNew(9, 9);
  pCnvTabAppend(set.pFeatureTab, "BYG", "10");
  set.uFconv = 1;
  vMboRecSetCode("10");
  Flushed("A", "1", "1");
  Obs("B");
  vMboRecSetKofMode(1);
  vMboRecSetCode("10");
  Flushed("C", "1", "1");
  EXPECT_EQ(Code("A"), "BYG");
  EXPECT_STREQ(LastTsObs()->sCode, "BYG");
  EXPECT_EQ(Code("C"), "BYG");
  set.uFconv = 0;
  set.pFeatureTab = pCnvTabFree(set.pFeatureTab);
}

TEST_F(Record, TwoFaceReduction) {
  EXPECT_DOUBLE_EQ(dMboMeanHorDir(0.5, 3.7), (0.5 + 3.7 - kPi) / 2);
  EXPECT_DOUBLE_EQ(dMboMeanHorDir(3.7, 0.5), (3.7 + 0.5 + kPi) / 2);
  EXPECT_DOUBLE_EQ(dMboMeanVerDir(1.5, 4.8), 1.5 - (1.5 + 4.8 - 2 * kPi) / 2);
  // Through the flush: user directions that are 0.5 and 3.7 inside.
  MboObsTs* obs = Shot("A", {{MBO_OBS_ITEM_HZ, "1.0707963267948966"},
                             {MBO_OBS_ITEM_HZ2, "4.153981633974483"},
                             {MBO_OBS_ITEM_V, "1.5"},
                             {MBO_OBS_ITEM_V2, "4.8"}});
  EXPECT_NEAR(obs->dHz, 0.5292036732, 1e-9);
  EXPECT_NEAR(obs->dV, 1.4915926536, 1e-9);
  // A second face alone takes the place of the first.
  obs = Shot("B", {{MBO_OBS_ITEM_V2, "4.8"}});
  EXPECT_EQ(obs->dV, 4.8);
  EXPECT_EQ(obs->uFlags, MBO_OBS_V_VALID);
}

TEST_F(Record, EccentricCorrectionAgainstHandComputedValues) {
  // Slope distance 100 at zenith 1.4; the prism 0.5 m across, 1 m beyond.
  g_mboEccentric = {0.5, 1.0, 0};
  MboObsTs* obs =
      Shot("A", {{MBO_OBS_ITEM_HZ, Text(kPi / 2 - 1.0)}, {MBO_OBS_ITEM_V, "1.4"}, {MBO_OBS_ITEM_DIST, "100"}});
  EXPECT_NEAR(obs->dDist, 100.9868305572, 1e-8);
  EXPECT_NEAR(obs->dV, 1.4016851767, 1e-9);
  EXPECT_NEAR(obs->dHz, 1.0050228131, 1e-9);
  EXPECT_EQ(g_mboEccentric.dCross, 0.0);  // used up

  // Horizontal distance 50, no vertical angle: a level sight, V untouched.
  g_mboEccentric = {-0.3, -2.0, 1};
  obs = Shot("B", {{MBO_OBS_ITEM_HZ, Text(kPi / 2 - 2.0)}, {MBO_OBS_ITEM_HDIST, "50"}});
  EXPECT_NEAR(obs->dDist, 48.0009374908, 1e-8);
  EXPECT_NEAR(obs->dHz, 1.9937500814, 1e-9);
  EXPECT_EQ(obs->uFlags & MBO_OBS_V_VALID, 0u);
  EXPECT_EQ(obs->dV, 0.0);
  EXPECT_EQ(g_mboEccentric.dAlong, -2.0);  // kept

  // Without a distance, or where the target falls on the instrument, the
  // angles stay as measured; the offsets are used up all the same.
  g_mboEccentric = {0.0, -50.0, 0};
  obs = Shot("C", {{MBO_OBS_ITEM_HZ, "1.0"}, {MBO_OBS_ITEM_HDIST, "50"}});
  EXPECT_EQ(obs->dDist, 50.0);
  EXPECT_FALSE(std::isnan(obs->dHz));
  g_mboEccentric = {0.7, 0.0, 0};
  EXPECT_DOUBLE_EQ(Shot("D", {{MBO_OBS_ITEM_HZ, Text(kPi / 2 - 1.0)}})->dHz, 1.0);
  EXPECT_EQ(g_mboEccentric.dCross, 0.0);
  // Offsets of 0.0001 or less change nothing.
  g_mboEccentric = {0.00005, 0.0, 0};
  Obs("E", "30");
  EXPECT_EQ(LastTsObs()->dDist, 30.0);
}

TEST_F(Record, TargetPointNoOfTheCurrentObservation) {
  EXPECT_STREQ(sMboRecTargetPointNo(), "");
  vMboSetJobName("JOB");
  vMboSetAreaName("AR");
  vMboRecSetPointName("1234567890123456789012345678901234567890");
  vMboRecBeginTsObs();
  char id[MBO_REC_NAME_SIZE];
  vMboRecSetPid(id, "77");
  boMboSetName(&static_cast<MboObsTs*>(pMboRecCurrentObs(1))->target, id);
  EXPECT_STREQ(sMboRecTargetPointNo(), "77");
  boMboSetName(&static_cast<MboObsTs*>(pMboRecCurrentObs(1))->target, sMboRecGetPointName());
  EXPECT_STREQ(sMboRecTargetPointNo(), "12345678901234567890123456789");
}

// ---- GPS vectors and coordinate observations ----

TEST_F(Record, GpsComponentsBeforeTheirDeviations) {
  vMboRecGpsSetField(2, "BASE");
  vMboRecGpsSetField(4, "R1");
  vMboRecGpsSetField(8, "1.5");
  vMboRecGpsSetField(512, "0.003");
  vMboRecGpsSetField(4, "R2");
  vMboRecGpsSetField(2048, "-1e300");  // beyond single precision
  vMboRecGpsSetField(1024, "0.004");
  vMboRecGpsSetField(16, "2.5");  // after its deviation: the deviation is 1 again
  vMboRecGpsSetField(64, "1.2");
  vMboRecGpsSetField(64, "1.3");  // another antenna height: a new set-up
  vMboRecGpsSetField(4, "R3");
  vMboRecForgetGpsVector();
  vMboRecAverageObservations();
  std::vector<std::string> seen;
  for (void* st = pMboGetNextSt(4, nullptr); st; st = pMboGetNextSt(4, st)) {
    auto* s = static_cast<MboStationGps*>(st);
    seen.push_back(std::string(sMboName(&s->name)) + "@" + std::to_string(s->dAntennaHeight).substr(0, 3));
    for (void* o = pMboGetNextObs(4, st, nullptr); o; o = pMboGetNextObs(4, st, o))
      seen.push_back(sMboName(&static_cast<MboObsGps*>(o)->to));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"BASE@1.2", "R1", "R2", "@1.3", "R3"}));
  auto* r1 = static_cast<MboObsGps*>(pMboGetNextObs(4, pMboGetNextSt(4, nullptr), nullptr));
  auto* r2 = static_cast<MboObsGps*>(pMboGetNextObs(4, nullptr, r1));
  EXPECT_EQ(r1->dSdX, static_cast<double>(0.003f));
  EXPECT_EQ(r2->dSdY, 1.0);
  EXPECT_EQ(r2->dSdZ, -HUGE_VAL);
  EXPECT_EQ(r2->r11 + r2->r22 + r2->r33, 3.0f);
}

TEST_F(Record, GpsCovarianceOfTheCurrentVector) {
  vMboRecGpsSetField(4, "R");
  vMboRecGpsSetCovariance(0.0004, 0.0001, 0.0, 0.0009, -0.0003, -1.0);
  auto* v = static_cast<MboObsGps*>(pMboRecCurrentObs(4));
  EXPECT_EQ(v->dSdX, static_cast<double>(0.02f));
  EXPECT_EQ(v->dSdZ, 1.0);  // negative variance: no deviation to take
  EXPECT_FLOAT_EQ(v->r12, 0.0001 / (0.02f * 0.03f));
  EXPECT_EQ(v->r23, 0.0f);  // beside the replaced deviation: no correlation
}

// The number form of the GPS setter against its text form: random vectors
// with every numeric field, values of every size and sign, negative zero,
// beyond single precision and not finite, antenna heights that repeat or
// change the set-up. Every station and vector the same, bit for bit.
TEST_F(Record, GpsNumbersAreTheirTexts) {
  const double kSpecial[] = {0.0,   -0.0,    1.2,      1.3,     INFINITY, -INFINITY, NAN,
                             1e300, -1e300,  3.5e38,   3.41e38, -3.41e38, 1e-320,    4.9e-324,
                             1e-45, DBL_MAX, -DBL_MAX, FLT_MAX, 1.5,      0.00049999};
  const int kBits[] = {8, 16, 32, 64, 128, 512, 1024, 2048};
  std::mt19937_64 rng(32);
  struct Step {
    int bit;
    double value;
  };
  std::vector<Step> steps;
  for (int i = 0; i < 20000; i++) {
    int pick = (int)(rng() % 12);
    if (pick < 2) {
      steps.push_back({pick ? 4 : 2, (double)(rng() % 4)});  // a name
      continue;
    }
    double v;
    uint64_t bits = rng();
    switch (rng() % 4) {
      case 0:
        v = kSpecial[rng() % std::size(kSpecial)];
        break;
      case 1:
        memcpy(&v, &bits, sizeof v);  // any exponent, NaNs among them
        break;
      case 2:
        v = ((double)(int64_t)(bits % 2000000001) - 1e9) / 1e4;
        break;
      default:
        v = std::ldexp((double)(bits >> 11), (int)(rng() % 300) - 200) * (rng() % 2 ? -1 : 1);
        break;
    }
    steps.push_back({kBits[rng() % std::size(kBits)], v});
  }
  auto run = [&](bool numbers) {
    vKvxMboFinish();
    vKvxMboInit(nullptr);
    for (const Step& s : steps) {
      if (s.bit == 2 || s.bit == 4)
        vMboRecGpsSetField(s.bit, ((s.bit == 2 ? "B" : "T") + std::to_string((int)s.value)).c_str());
      else if (numbers)
        vMboRecGpsSetNumber(s.bit, s.value);
      else
        vMboRecGpsSetField(s.bit, Text(s.value).c_str());
    }
    vMboRecForgetGpsVector();
    vMboRecAverageObservations();
    std::string out;
    char buf[400];
    for (void* st = pMboGetNextSt(4, nullptr); st; st = pMboGetNextSt(4, st)) {
      auto* g = static_cast<MboStationGps*>(st);
      snprintf(buf, sizeof buf, "ST %s %a\n", sMboName(&g->name), g->dAntennaHeight);
      out += buf;
      for (void* o = pMboGetNextObs(4, st, nullptr); o; o = pMboGetNextObs(4, st, o)) {
        auto* v = static_cast<MboObsGps*>(o);
        snprintf(buf, sizeof buf, " %s %a %a %a %a %a %a %a %a %a %a %a %a %a\n", sMboName(&v->to), v->dAntennaHeight,
                 v->dX, v->dY, v->dZ, v->dSdX, v->dSdY, v->dSdZ, v->r11, v->r12, v->r13, v->r22, v->r23, v->r33);
        out += buf;
      }
    }
    return out;
  };
  std::string texts = run(false);
  EXPECT_GT(std::count(texts.begin(), texts.end(), '\n'), 2000);
  EXPECT_EQ(texts, run(true));
}

TEST_F(Record, CoordinateStationsAndFields) {
  EXPECT_STREQ(sMboRecCoordGetField(8), "");  // none current
  vMboRecCoordSetField(2, "K1");
  vMboRecCoordSetField(8, "100.25");
  vMboRecCoordSetField(2048, "7");
  vMboRecCoordSetField(8192, "2020.01.02_03:04:05.123");
  EXPECT_STREQ(sMboRecCoordGetField(8), "100.250000");
  EXPECT_STREQ(sMboRecCoordGetField(64), "1.000000");
  EXPECT_STREQ(sMboRecCoordGetField(2048), "7");
  EXPECT_STREQ(sMboRecCoordGetField(8192), "2020.01.02_03:04:05");
  vMboRecCoordSetField(2, "K1");  // the same name again: a new station
  vMboRecCoordSetCovariance(0.01, 0.0, 0.0, 0.0, 0.0, 0.04);
  EXPECT_STREQ(sMboRecCoordGetField(64), "0.000000");
  EXPECT_STREQ(sMboRecCoordGetField(2), "K1");
  EXPECT_EQ(iMboCountStations(5), 2);
  vMboRecForgetCoordStation();
  vMboRecForgetCoordStation();  // makes an unnamed station first
  EXPECT_EQ(iMboCountStations(5), 3);
  vMboRecAverageObservations();
  EXPECT_EQ(iMboCountStations(5), 2);
}

TEST_F(Record, CleanUpDeletesObservationsAndStationsWithoutTargets) {
  vMboRecSetStationName("S");
  vMboRecSetObsValue(MBO_OBS_ITEM_DIST, "5");
  vMboFlushPending();   // no target: nothing stored
  vMboRecBeginTsObs();  // an observation without a target
  vMboRecForgetStation(1);
  Obs("A");
  vMboRecGpsSetField(2, "B");
  vMboRecForgetGpsVector();
  EXPECT_EQ(iMboCountStations(1), 2);
  EXPECT_EQ(iMboCountStations(4), 1);
  vMboRecAverageObservations();
  EXPECT_EQ(TsStations(), (std::vector<std::vector<std::string>>{{"S", "A"}}));
  EXPECT_EQ(iMboCountStations(4), 0);
  EXPECT_EQ(pMboRecCurrentStation(4), nullptr);
}

TEST_F(Record, StodParsersGiveNoValueInsteadOfThrowing) {
  EXPECT_FALSE(dMboStodHorDir("12a", false).has_value());
  EXPECT_FALSE(dMboStodHorDir("e", false).has_value());
  EXPECT_FALSE(dMboStodHorDir("", false).has_value());
  EXPECT_FALSE(dMboStodHorDir(static_cast<const char*>(nullptr), false).has_value());
  EXPECT_FALSE(dMboStodVerDir("1e999", false).has_value());
  EXPECT_FALSE(dMboStodVerDir("-", true).has_value());
  EXPECT_TRUE(boMboIsNumeric("1.5e-3"));
  std::optional<double> v = dMboStodHorDir("1e", false);  // the leading 1
  ASSERT_TRUE(v.has_value());
  EXPECT_DOUBLE_EQ(*v, kPi / 2 - 1);
  v = dMboStodVerDir("90", true);
  ASSERT_TRUE(v.has_value());
  EXPECT_DOUBLE_EQ(*v, kPi / 2);
}

// ---- Levelling ----

class Levelling : public Record {
 protected:
  static void Items(std::vector<std::pair<int, const char*>> items) {
    for (auto& [item, text] : items) vMboLevSetItem(item, text);
  }
  // "from>to dh dist" per levelling observation, and the set numbers.
  static std::vector<std::string> Pairs() {
    std::vector<std::string> out;
    for (void* st = pMboGetNextSt(2, nullptr); st; st = pMboGetNextSt(2, st)) {
      out.push_back("set " + std::to_string(static_cast<MboStationLev*>(st)->iSetNo));
      for (void* o = pMboGetNextObs(2, st, nullptr); o; o = pMboGetNextObs(2, st, o)) {
        auto* l = static_cast<MboObsLev*>(o);
        char buf[300];
        snprintf(buf, sizeof buf, "%s>%s %.4f %.2f", sMboName(&l->from), sMboName(&l->to), l->dHeightDiff, l->dDist);
        out.push_back(buf);
      }
    }
    return out;
  }
};

TEST_F(Levelling, BackThenForeGivesOneObservation) {
  Items({{1, "A"}, {2, "1.234"}, {4, "20"}, {8, "B"}, {16, "0.734"}, {32, "25"}});
  vMboLevFlush();
  EXPECT_EQ(Pairs(), (std::vector<std::string>{"set 0", "A>B 0.5000 45.00"}));
}

TEST_F(Levelling, IntermediatesPairWithTheHeldBackSight) {
  g_mboTransfer.settings.uLevellerNo = 9;
  Items({{1, "A"}, {2, "2.0"}, {4, "10"}, {64, "C"}, {128, "1.5"}, {256, "12"}, {64, "D"}, {128, "1.0"}});
  Items({{8, "B"}, {16, "0.5"}});
  vMboLevFlush();
  // The third-sight pair numbered the station from the counter.
  EXPECT_EQ(Pairs(), (std::vector<std::string>{"set 1", "A>C 0.5000 22.00", "A>D 1.0000 10.00", "A>B 1.5000 10.00"}));
  EXPECT_EQ(static_cast<MboStationLev*>(pMboGetNextSt(2, nullptr))->iInstrNo, 9);
}

TEST_F(Levelling, MissingHalvesAndStaleLengths) {
  Items({{1, "A"}, {2, "ABC"}, {8, "B"}, {16, "1.0"}});  // the reading is no number
  vMboLevFlush();
  EXPECT_EQ(iMboCountLevObs(), 0);
  // A length given for an earlier pair does not count for a later one.
  Items({{1, "A"}, {2, "1"}, {4, "30"}, {8, "B"}, {16, "1"}, {32, "30"}});
  Items({{1, "B"}, {2, "1"}, {8, "C"}, {16, "1"}});
  vMboLevFlush();
  Items({{1, "C"}, {2, "1"}});
  vMboLevFlush();  // a back sight alone
  Items({{8, "D"}, {16, "1"}});
  vMboLevFlush();  // a fore sight alone
  EXPECT_EQ(Pairs(), (std::vector<std::string>{"set 0", "A>B 0.0000 60.00", "B>C 0.0000 0.00"}));
}

TEST_F(Levelling, RepeatedBackSightReplacesTheFirstAndSetNumbersCount) {
  Items({{1024, "5"}, {1, "A"}, {2, "1"}, {1, "A2"}, {2, "3"}, {8, "B"}, {16, "1"}});
  Items({{1024, "next"}});
  vMboLevFlush();
  EXPECT_EQ(Pairs(), (std::vector<std::string>{"set 5", "A2>B 2.0000 0.00"}));
}

TEST_F(Levelling, GpsCovarianceAttributeTexts) {
  EXPECT_FALSE(boMboSetGpsCovariance(4, nullptr, nullptr, 1, 0, 0, 1, 0, 1));
  void* st = pMboAddSt(4);
  void* obs = pMboAddObs(4, st);
  ASSERT_TRUE(boMboSetGpsCovariance(4, st, obs, 0.0, 0.5, 0.02, 0.0004, -0.0001, std::nan("")));
  std::vector<std::string> texts;
  char buf[40];
  for (int attr : {103, 104, 105, 120, 121, 122, 123, 124, 125}) {
    boMboGetObsAttr(4, st, obs, attr, buf, sizeof buf);
    texts.push_back(buf);
  }
  // The attributes read back in their own formats; sx and sz count as 1,
  // and the covariances beside them are no correlations (0.5 / 0.02 would
  // store 25).
  EXPECT_EQ(texts, (std::vector<std::string>{"1.000000", "0.020000", "1.000000", "1.000000", "0.000000", "0.000000",
                                             "1.000000", "0.000000", "1.000000"}));
  ASSERT_TRUE(boMboSetGpsCovariance(4, st, obs, 0.0004, 0.0003, -0.0001, 0.0009, 0.0006, 0.0016));
  texts.clear();
  for (int attr : {121, 122, 124}) {
    boMboGetObsAttr(4, st, obs, attr, buf, sizeof buf);
    texts.push_back(buf);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"0.500000", "-0.125000", "0.500000"}));
}

}  // namespace
