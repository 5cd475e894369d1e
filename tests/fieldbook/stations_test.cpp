// Stations and observations through the loaded module: attribute round
// trips per kind, their text forms, and what each kind lacks.
#include <algorithm>
#include <string>

#include "fb_module.h"

namespace {

// Station (obs null) or observation attributes through the exports.
bool boGet(int kind, void* st, void* obs, int attr, char* buf, int size) {
  return obs ? FB(boMboGetObsAttr)(kind, nullptr, obs, attr, buf, size) : FB(boMboGetStAttr)(kind, st, attr, buf, size);
}
bool boSet(int kind, void* st, void* obs, int attr, const char* text) {
  return obs ? FB(boMboSetObsAttr)(kind, nullptr, obs, attr, text) : FB(boMboSetStAttr)(kind, st, attr, text);
}
// The attribute read back as text; "<false>" when the getter says false.
std::string sGet(int kind, void* st, void* obs, int attr) {
  char buf[256] = "junk";
  bool ok = boGet(kind, st, obs, attr, buf, sizeof buf);
  EXPECT_TRUE(ok || buf[0] == '\0') << "attr " << attr;
  return ok ? buf : "<false>";
}
std::string sSt(int kind, void* st, int attr) { return sGet(kind, st, nullptr, attr); }
std::string sObs(int kind, void* obs, int attr) { return sGet(kind, nullptr, obs, attr); }
bool boSetSt(int kind, void* st, int attr, const char* text) { return boSet(kind, st, nullptr, attr, text); }
bool boSetObs(int kind, void* obs, int attr, const char* text) { return boSet(kind, nullptr, obs, attr, text); }

// Each text set and read back as expected, in order.
struct RoundTrip {
  int attr;
  const char* in;
  std::string out;
};

void vExpectRoundTrips(int kind, void* st, void* obs, std::initializer_list<RoundTrip> trips) {
  for (const RoundTrip& t : trips) {
    EXPECT_TRUE(boSet(kind, st, obs, t.attr, t.in)) << "attr " << t.attr;
    EXPECT_EQ(sGet(kind, st, obs, t.attr), t.out) << "attr " << t.attr;
  }
}

// Attributes as they read before any store.
void vExpectValues(int kind, void* st, void* obs, std::initializer_list<std::pair<int, const char*>> values) {
  for (auto [attr, out] : values) EXPECT_EQ(sGet(kind, st, obs, attr), out) << "attr " << attr;
}

// Every attribute number up to the limit that is not listed gives false.
void vExpectOnly(int kind, void* st, void* obs, std::initializer_list<int> listed) {
  for (int attr = -1; attr <= 140; ++attr) {
    if (std::find(listed.begin(), listed.end(), attr) != listed.end()) continue;
    char buf[8] = "junk";
    EXPECT_FALSE(boGet(kind, st, obs, attr, buf, sizeof buf)) << "kind " << kind << " attr " << attr;
    EXPECT_FALSE(boSet(kind, st, obs, attr, "1")) << "kind " << kind << " attr " << attr;
    EXPECT_STREQ(buf, "");
  }
}

}  // namespace

using Stations = FieldBook;

TEST_F(Stations, ListsPerKindInOrder) {
  void* s1 = FB(pMboAddSt)(1);
  void* s2 = FB(pMboAddSt)(1);
  void* g = FB(pMboAddSt)(4);
  ASSERT_TRUE(s1 && s2 && g);
  EXPECT_EQ(FB(pMboGetNextSt)(1, nullptr), s1);
  EXPECT_EQ(FB(pMboGetNextSt)(1, s1), s2);
  EXPECT_EQ(FB(pMboGetNextSt)(1, s2), nullptr);
  EXPECT_EQ(FB(pMboGetNextSt)(4, nullptr), g);
  EXPECT_EQ(FB(pMboGetNextSt)(2, nullptr), nullptr);
  void* o1 = FB(pMboAddObs)(1, s2);
  void* o2 = FB(pMboAddObs)(1, s2);
  EXPECT_EQ(FB(pMboGetNextObs)(1, s2, nullptr), o1);
  EXPECT_EQ(FB(pMboGetNextObs)(1, s2, o1), o2);
  EXPECT_EQ(FB(pMboGetNextObs)(1, s2, o2), nullptr);
  EXPECT_EQ(FB(pMboGetNextObs)(1, s1, nullptr), nullptr);
}

TEST_F(Stations, KindsOtherThan1245AndNullRecordsGiveNothing) {
  for (int kind : {-1, 0, 3, 6, 100}) {
    EXPECT_EQ(FB(pMboAddSt)(kind), nullptr) << kind;
    EXPECT_EQ(FB(pMboGetNextSt)(kind, nullptr), nullptr);
  }
  void* st = FB(pMboAddSt)(1);
  void* obs = FB(pMboAddObs)(1, st);
  char buf[8] = "junk";
  EXPECT_EQ(FB(pMboAddObs)(3, st), nullptr);
  EXPECT_EQ(FB(pMboGetNextObs)(3, st, nullptr), nullptr);
  EXPECT_FALSE(FB(boMboGetStAttr)(3, st, 1, buf, sizeof buf));
  EXPECT_STREQ(buf, "");
  EXPECT_FALSE(FB(boMboSetStAttr)(3, st, 1, "x"));
  EXPECT_FALSE(FB(boMboGetObsAttr)(3, st, obs, 1, buf, sizeof buf));
  EXPECT_FALSE(FB(boMboSetObsAttr)(3, st, obs, 1, "x"));
  EXPECT_EQ(FB(pMboAddObs)(1, nullptr), nullptr);
  EXPECT_EQ(FB(pMboGetNextObs)(1, nullptr, nullptr), nullptr);
  EXPECT_FALSE(FB(boMboGetStAttr)(1, nullptr, 1, buf, sizeof buf));
  EXPECT_FALSE(FB(boMboSetStAttr)(1, nullptr, 1, "x"));
  EXPECT_FALSE(FB(boMboGetObsAttr)(1, st, nullptr, 1, buf, sizeof buf));
  EXPECT_FALSE(FB(boMboSetObsAttr)(1, st, nullptr, 1, "x"));
  // A buffer size of 0 or less is never written.
  boSetSt(1, st, 1, "S1");
  buf[0] = 'k';
  EXPECT_TRUE(FB(boMboGetStAttr)(1, st, 1, buf, 0));
  EXPECT_FALSE(FB(boMboGetStAttr)(1, st, 2, buf, -5));
  EXPECT_EQ(buf[0], 'k');
  // Without a buffer only the answer comes back.
  EXPECT_TRUE(FB(boMboGetStAttr)(1, st, 1, nullptr, 10));
  EXPECT_FALSE(FB(boMboGetObsAttr)(1, st, obs, 1, nullptr, 10));
  boSetObs(1, obs, 3, "1");
  EXPECT_TRUE(FB(boMboGetObsAttr)(1, st, obs, 3, nullptr, 10));
}

TEST_F(Stations, TotalStationStation) {
  void* st = FB(pMboAddSt)(1);
  vExpectValues(1, st, nullptr, {{1, "<false>"}, {3, "0"}, {4, ""}, {5, ""}, {6, ""}});  // true even when empty
  vExpectRoundTrips(1, st, nullptr,
                    {{1, std::string(120, 's').c_str(), std::string(99, 's')},
                     {3, "42abc", "42"},
                     {4, "1.6543210987654321", "1.6543210987654"},  // 15 characters
                     {5, "760.000000", "760.00000"},
                     {6, "-12.5", "-12.5"},
                     {7, "x", "0"},
                     {7, "99999999999", "2147483647"}});  // saturates, no overflow
  vExpectOnly(1, st, nullptr, {1, 3, 4, 5, 6, 7});
}

TEST_F(Stations, TotalStationObservation) {
  void* o = FB(pMboAddObs)(1, FB(pMboAddSt)(1));
  vExpectValues(1, nullptr, o,
                {{1, "<false>"},
                 {3, "<false>"},
                 {4, "<false>"},
                 {5, "<false>"},
                 {6, "<false>"},
                 {7, "<false>"},
                 {2, ""},
                 {9, "0"}});  // 9: no valid distance
  vExpectRoundTrips(1, nullptr, o,
                    {{1, "T1", "T1"},
                     {2, "CODE567890123456789", "CODE56789012345"},
                     {3, "1.2345678912", "1.23456789"},
                     {4, "1.5", "1.50000000"},
                     {5, "123.456789", "123.45679"},
                     {6, "1.7", "1.70000"},
                     {7, std::string(90, 'r').c_str(), std::string(79, 'r')}});
  EXPECT_EQ(sObs(1, o, 9), "0");
  vExpectRoundTrips(1, nullptr, o, {{9, "1", "1"}, {9, nullptr, "0"}});
  // A remark emptied and given again.
  vExpectRoundTrips(1, nullptr, o, {{7, "", "<false>"}, {7, "R2", "R2"}, {7, nullptr, "<false>"}});
  vExpectOnly(1, nullptr, o, {1, 2, 3, 4, 5, 6, 7, 9});
}

TEST_F(Stations, TotalStationValidityRules) {
  void* o = FB(pMboAddObs)(1, FB(pMboAddSt)(1));
  const auto* obs = static_cast<const MboObsTs*>(o);
  boSetObs(1, o, 3, "2.5");
  EXPECT_TRUE(obs->uFlags & MBO_OBS_HZ_VALID);
  // Blanks clear the flag and the value.
  boSetObs(1, o, 3, "   ");
  EXPECT_FALSE(obs->uFlags & MBO_OBS_HZ_VALID);
  EXPECT_EQ(obs->dHz, 0.0);
  EXPECT_EQ(sObs(1, o, 3), "<false>");
  vExpectRoundTrips(1, nullptr, o, {{4, nullptr, "<false>"}});
  // The target height takes its value even from a text that is no number.
  boSetObs(1, o, 6, "");
  EXPECT_FALSE(obs->uFlags & MBO_OBS_TH_VALID);
  EXPECT_EQ(obs->dTargetHeight, 0.0);
  boSetObs(1, o, 6, "abc");
  EXPECT_TRUE(obs->uFlags & MBO_OBS_TH_VALID);
  EXPECT_EQ(sObs(1, o, 6), "0.00000");
  // A null text counts as empty everywhere.
  EXPECT_TRUE(boSetObs(1, o, 6, nullptr));
  EXPECT_FALSE(obs->uFlags & MBO_OBS_TH_VALID);
  vExpectRoundTrips(1, nullptr, o, {{1, nullptr, "<false>"}});
  void* st = FB(pMboAddSt)(1);
  vExpectRoundTrips(1, st, nullptr, {{4, "1.5", "1.5"}, {4, nullptr, ""}, {3, nullptr, "0"}});
  // The horizontal-distance mark needs a valid distance.
  boSetObs(1, o, 9, "1");
  EXPECT_EQ(obs->uHorDist, 0u);
  boSetObs(1, o, 5, "10");
  boSetObs(1, o, 9, "1");
  EXPECT_EQ(sObs(1, o, 9), "1");
  boSetObs(1, o, 5, " ");
  EXPECT_EQ(sObs(1, o, 9), "0");
  boSetObs(1, o, 5, "10");
  EXPECT_EQ(sObs(1, o, 9), "1");  // the mark was kept
  vExpectRoundTrips(1, nullptr, o, {{9, "0", "0"}});
}

TEST_F(Stations, LevellingStationNameLivesInTheFirstObservation) {
  void* st = FB(pMboAddSt)(2);
  EXPECT_EQ(sSt(2, st, 1), "<false>");
  EXPECT_EQ(FB(pMboGetNextObs)(2, st, nullptr), nullptr);
  vExpectRoundTrips(2, st, nullptr, {{1, "P1", "P1"}});
  void* first = FB(pMboGetNextObs)(2, st, nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(sObs(2, first, 51), "P1");
  vExpectRoundTrips(2, st, nullptr, {{1, "P2", "P2"}, {3, "7", "7"}, {50, "-3", "-3"}});
  EXPECT_EQ(FB(pMboGetNextObs)(2, st, first), nullptr);  // no second one
  vExpectOnly(2, st, nullptr, {1, 3, 50});
}

TEST_F(Stations, LevellingObservation) {
  void* o = FB(pMboAddObs)(2, FB(pMboAddSt)(2));
  vExpectValues(2, nullptr, o, {{1, "<false>"}, {2, ""}, {5, "0.00000"}, {50, "0.00000"}, {51, "<false>"}});
  vExpectRoundTrips(2, nullptr, o,
                    {{1, "TO", "TO"},
                     {2, "C", "C"},
                     {5, "45.123456", "45.12346"},
                     {50, "-0.0123456", "-0.01235"},
                     {51, "FROM", "FROM"},
                     {5, "  ", "0.00000"},
                     {50, nullptr, "0.00000"}});
  EXPECT_EQ(sObs(2, o, 1), "TO");
  vExpectOnly(2, nullptr, o, {1, 2, 5, 50, 51});
}

TEST_F(Stations, GpsStationAntennaHeight) {
  void* st = FB(pMboAddSt)(4);
  EXPECT_EQ(sSt(4, st, 4), "<false>");
  vExpectRoundTrips(4, st, nullptr,
                    {{1, "BASE", "BASE"},
                     {3, "12", "12"},
                     {4, "0.000004", "<false>"},
                     {4, "0.00002", "0.000"},
                     {4, "1.23456", "1.235"}});
  vExpectOnly(4, st, nullptr, {1, 3, 4});
}

TEST_F(Stations, GpsVector) {
  void* o = FB(pMboAddObs)(4, FB(pMboAddSt)(4));
  // 2 is false when empty, unlike kinds 1 and 2.
  vExpectValues(4, nullptr, o, {{1, "<false>"}, {2, "<false>"}, {6, "<false>"}, {100, "0.000000"}});
  vExpectRoundTrips(4, nullptr, o,
                    {{1, "R1", "R1"},
                     {2, "GPS", "GPS"},
                     {6, "1.8", "1.80000"},
                     {6, "0.000001", "<false>"},
                     {100, "1234.5678901", "1234.567890"},
                     {101, "-2.5", "-2.500000"},
                     {102, "3", "3.000000"},
                     {103, "0.0012346", "0.001235"},
                     {104, "0.002", "0.002000"},
                     {105, "0.003", "0.003000"}});
  for (int attr = 120; attr <= 125; ++attr) vExpectRoundTrips(4, nullptr, o, {{attr, "0.25", "0.250000"}});
  boSetObs(4, o, 121, "-0.5");
  EXPECT_EQ(static_cast<const MboObsGps*>(o)->r12, -0.5f);
  EXPECT_EQ(static_cast<const MboObsGps*>(o)->r13, 0.25f);
  vExpectOnly(4, nullptr, o, {1, 2, 6, 100, 101, 102, 103, 104, 105, 120, 121, 122, 123, 124, 125});
}

TEST_F(Stations, CorrelationsStayInsideMinusOneToOne) {
  for (int kind : {4, 5}) {
    void* o = FB(pMboAddObs)(kind, FB(pMboAddSt)(kind));
    vExpectRoundTrips(kind, nullptr, o,
                      {{121, "1e300", "1.000000"},
                       {122, "-1e300", "-1.000000"},
                       {124, "1.0000001", "1.000000"},
                       {120, "-3", "-1.000000"},
                       {123, "nan", "0.000000"},
                       {125, "-0.75", "-0.750000"}});
  }
}

TEST_F(Stations, CoordinateStationAndObservation) {
  void* st = FB(pMboAddSt)(5);
  vExpectRoundTrips(5, st, nullptr, {{1, "K1", "K1"}, {3, "5", "5"}});
  vExpectOnly(5, st, nullptr, {1, 3});

  void* o = FB(pMboAddObs)(5, st);
  vExpectValues(5, nullptr, o, {{2, "<false>"}, {133, "<false>"}, {134, ""}, {137, "0.000000"}});
  vExpectRoundTrips(5, nullptr, o,
                    {{2, "KODE", "KODE"},
                     {126, "1", "1"},
                     {130, "6543210.1234567", "6543210.123457"},
                     {131, "123456.7", "123456.700000"},
                     {132, "-12.3456789", "-12.345679"},
                     {103, "0.01", "0.010000"},
                     {104, "0.02", "0.020000"},
                     {105, "0.03", "0.030000"},
                     {133, "2.0000049", "2.00000"},
                     {134, "2024-05-06 07:08:09.123", "2024-05-06 07:08:09"},  // 19 characters
                     {135, "12", "12"},
                     {136, "-4", "-4"},
                     {137, "1.25", "1.250000"},  // "%lf"
                     {125, "1", "1.000000"},
                     {133, "0.000009", "<false>"}});
  EXPECT_EQ(sObs(5, o, 130), "6543210.123457");
  vExpectOnly(5, nullptr, o,
              {2, 103, 104, 105, 120, 121, 122, 123, 124, 125, 126, 130, 131, 132, 133, 134, 135, 136, 137});
}

TEST_F(Stations, ShortBuffersGetWhatFits) {
  void* o = FB(pMboAddObs)(1, FB(pMboAddSt)(1));
  boSetObs(1, o, 3, "123.456");
  char buf[6] = "xxxxx";
  EXPECT_TRUE(FB(boMboGetObsAttr)(1, nullptr, o, 3, buf, sizeof buf));
  EXPECT_STREQ(buf, "123.4");
  boSetObs(1, o, 1, "TARGET");
  EXPECT_TRUE(FB(boMboGetObsAttr)(1, nullptr, o, 1, buf, sizeof buf));
  EXPECT_STREQ(buf, "TARGE");
}
