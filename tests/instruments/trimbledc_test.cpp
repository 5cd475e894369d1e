// Trimble DC files through the direct read and write exports: the DC77 and
// DC10 writers against golden files, a hand-written file with every record
// the reader takes (priorities, line instructions, antenna heights,
// covariances, attributes), geographic points, and write -> read round
// trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "fb_dump.h"
#include "kv2cosys.h"
#include "kv2cosys_setup.h"
#include "kvxtest_clock.h"
#include "instruments/trimbledc.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/trimbledc/";

using Strings = std::vector<std::string>;

using TrimbleDc = InstrumentFiles;

TEST_F(TrimbleDc, AHandWrittenFileWithEveryRecordTheReaderTakes) {
  ASSERT_TRUE(boRead(65, kData + "survey.dc"));
  // 69 priorities: K10 3 then 2 replaces, K11 2 then 2 is ignored, K12's
  // 6 never passes (the name is still set), K13 without a digit and then
  // with 'x' counts 5 twice. 69 of another type does nothing; "KUM--9"
  // switches coded lines off.
  EXPECT_EQ(
      (Strings{"ST1 STN 2000.000 1000.000 10.000", "BS1  - - -", "P1  - - -", "PY  - - -",
               "L1 FENCE 200.000 100.000 1.000", "L2 FENCE 200.000 110.000 1.000", "L3 FENCE 210.000 120.000 1.000",
               "Q1 KUM 220.000 130.000 -", "Q2 KUM 230.000 140.000 -", "K10 B 21.000 11.000 -", "K11 C 40.000 30.000 -",
               "K12  - - -", "K13 F 80.000 70.000 -", "JOBB.OMR.Z1 KUM 2.000 1.000 3.000"}),
      DumpPoints());
  // "1.L1" at L2 does not give line 1 its last point twice; "2.0" closes a
  // line of one point, which goes.
  EXPECT_EQ((Strings{"1|FENCE|: L1 L2"}), DumpLines());
  // The target height of 77 goes to 07 and 79; a 79 with ':' at column 101
  // is no observation.
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.600 5=1013 6=20", "  OBS 1=BS1 2=STN 3=" + sHz(0) + " 6=1.50000 9=0",
                     "  OBS 1=P1 2=TREE 3=" + sHz(120) + " 4=" + sV(95) + " 5=50.00000 6=1.50000 9=0",
                     "  OBS 1=P1 2=TREE 3=" + sHz(320) + " 4=" + sV(305) + " 5=50.00000 6=1.50000 9=0"}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7, 9}));
  // The from-station's true height 1.2 (base triple unused); the vector's
  // slant 1.005 with the rover's radius 0.6 and offset 0.05:
  // sqrt(1.005^2 - 0.36) + 0.05 = 0.8562. A negative variance counts as
  // none: its deviation is 1.
  EXPECT_EQ((Strings{"ST 1=BASE1 4=1.200",
                     "  OBS 1=R1 6=0.85620 100=10.000000 101=-20.000000 102=5.000000 "
                     "103=0.010000 104=0.020000 105=1.000000"}),
            DumpStations(4, {1, 4}, {1, 6, 100, 101, 102, 103, 104, 105}));
  // Attributes: AREA is the job, group (any case) the area, others a field.
  EXPECT_EQ("Kari Nordmann", sPointField("JOBB.OMR.Z1", "Owner"));
  // Header records, a 79 of another type, a lower-case hex code and an
  // unknown code go to the side file.
  EXPECT_EQ(
      "00NMSC V10-00        0000\r\n10NMJOBNAME         121111\r\n"
      "79XXST1             PY              1               2               3               ODD             \r\n"
      "e0TPST9             \r\n99  X               \r\n",
      sSide("survey"));
}

TEST(TrimbleDcCode, RecordCodesMixHexAndDecimal) {
  EXPECT_EQ(8, iTrimbleDcRecordCode("08KI"));
  EXPECT_EQ(69, iTrimbleDcRecordCode("69KI"));
  EXPECT_EQ(224, iTrimbleDcRecordCode("E0TP"));
  EXPECT_EQ(217, iTrimbleDcRecordCode("D9F1"));
  EXPECT_EQ(6, iTrimbleDcRecordCode("6 "));
  EXPECT_EQ(0, iTrimbleDcRecordCode("e0TP"));
  EXPECT_EQ(0, iTrimbleDcRecordCode("G1"));
  EXPECT_EQ(0, iTrimbleDcRecordCode(""));
  EXPECT_EQ(16, iTrimbleDcRecordCode("A"));
}

class TrimbleDcWrite : public TrimbleDc {
 protected:
  void SetUp() override {
    TrimbleDc::SetUp();
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 3;
    t.wDay = 9;
    vKvxTestClockSetLocalTime(&t);
  }
  void TearDown() override {
    vKvxTestClockSetLocalTime(nullptr);
    TrimbleDc::TearDown();
  }
  void vPoints() {
    double z1 = 12.345, z2 = -0.5;
    pNewPoint("1", "", 500200.25, 6600100.125);
    pNewPoint("JOB.A.P7", "KUM", 500123.456, 6600456.789, &z1);
    pNewPoint("NEG", "LONGCODE", 499987.654, 6599999.999, &z2);
    FB(KvxMboNewPoint)("NOXY");
  }
};

TEST_F(TrimbleDcWrite, Dc77AndDc10MatchTheGoldenFilesAndReadBack) {
  // Offsets for the DC77 only: the DC10 file shows the values whole.
  vOptions(64, "EO:6600000 NO:500000");
  FB(boMboSetProjectAttr)("PROJECT", "VEGPROSJEKT");
  vPoints();
  for (int instrument : {64, 65}) {
    std::string path = m_dir + "/out" + std::to_string(instrument) + ".dc";
    ASSERT_TRUE(boWrite(instrument, path));
    EXPECT_EQ(ReadFile(kData + (instrument == 64 ? "dc77.dc" : "dc10.dc")), ReadFile(path)) << instrument;
  }
  ASSERT_TRUE(boRead(64, m_dir + "/out64.dc"));
  EXPECT_EQ((Strings{"1  500200.250 6600100.125 -", "P7 KUM 500123.456 6600456.789 12.345",
                     "NEG LONGCODE 499987.654 6599999.999 -0.500"}),
            DumpPoints());
}

TEST_F(TrimbleDcWrite, AValueWiderThanItsColumnSkipsThePoint) {
  pNewPoint("WIDE", "", 1e13, 5);
  pNewPoint("OK", "", 1, 2);
  vUiExpectBox(IDOK, "Points not written, a value does not fit its column: 1\nWIDE");
  std::string text = sWritten(65, "wide.dc");
  EXPECT_EQ(std::string::npos, text.find("WIDE"));
  EXPECT_NE(std::string::npos, text.find("69KIOK                         2.000           1.000"));
}

TEST_F(TrimbleDc, GeographicPointsThroughTheCoordinateSystemAndTheGeoid) {
  uint64_t cs = uUtm32System();
  vCoSysSetupAddGeoideConst("trimble", 40.0);
  host_.uCoSys = cs;
  auto rec = [](const char* name, const char* lat, const char* lon, const char* h, char prio) {
    std::string s = std::string("66TP") + name;
    s.resize(20, ' ');
    s += std::string(lat) + std::string(16 - strlen(lat), ' ') + lon + std::string(16 - strlen(lon), ' ') + h;
    s.resize(85, ' ');
    return s + prio + "\r\n";
  };
  // G2 has no height; G3's latitude is no number; G4 lies at the pole.
  Put("geo.dc", rec("G1", "60", "10", "141.5", '3') + rec("G2", "60", "10", "", '3') + rec("G3", "x", "10", "1", '3') +
                    rec("G4", "90", "10", "1", '3') + rec("G1", "61", "10", "1", '3'));
  ASSERT_TRUE(boRead(64, m_dir + "/geo.dc"));
  double east, north;
  ASSERT_TRUE(boCoSysFromDecimalLatitudeLongitude(cs, 60, 10, &east, &north));
  // The model's value (-40) is added to the height; both marked precalculated.
  EXPECT_EQ((Strings{"G1  " + sNum(east) + " " + sNum(north) + "* 101.500*",
                     "G2  " + sNum(east) + " " + sNum(north) + "* -"}),
            DumpPoints());
  EXPECT_EQ(rec("G3", "x", "10", "1", '3') + rec("G4", "90", "10", "1", '3'), sSide("geo"));
  vCoSysSetupReset();
}

TEST_F(TrimbleDc, AShortOrLongLineReadsOnlyWhatIsThere) {
  std::string first = "08KIP1              10.000          20.000";
  first += std::string(399 - first.size(), ' ');
  Put("long.dc", first + "08KIP2              30.000          40.000\r\n69KIP3\r\n57\r\n59\r\n79F1S\r\n");
  ASSERT_TRUE(boRead(64, m_dir + "/long.dc"));
  EXPECT_EQ((Strings{"P1  20.000 10.000 -", "P3  - - -"}), DumpPoints());
  EXPECT_EQ("LINE TOO LONG, CUT : 1\r\n59\r\n", sSide("long"));
}

TEST_F(TrimbleDc, LineSpecificationsOnEveryPointBuildTheLines) {
  ASSERT_TRUE(boRead(65, kData + "lines.dc"));
  // Lines 1 and 2 alternate and go on past a point without a line (T1);
  // "3.A4" starts line 3 at A4; "4.0" at H4 closes line 4, also after a
  // point without a line (T2), and the next "4" starts a new line; the
  // second H2 is a worse measurement and joins nothing again; "0.A1" makes an
  // unnumbered line A1 S1; "-3" gives K1 an arc through K2; "-1" leaves X1
  // out; the backsight and the second faces of W1 and W2 join nothing; line
  // 7 comes from LINEID attributes; the vectors R1 and R2 make line 8.
  EXPECT_EQ(
      (Strings{"1|FENCE|: A1 A2 A3 A4", "2|KERB|: B1 B2", "3|FENCE|: A4 C1 C2", "4|HUS|P: H1 H2 H3 H4", "4|HUS|: J1 J2",
               "|POST|: A1 S1", "5|EDGE|: K1 K3 K4", "6|WALL|: W1 W2", "7|MUR|: M1 M2", "8|GPS|: R1 R2"}),
      DumpLines());
  Strings coords = LineCoords();
  // The builder gives XY only; heights come with the vertex completion.
  EXPECT_EQ(" 0.00,0.00,0.00 10.00,0.00,0.00 20.00,0.00,0.00 30.00,0.00,0.00", coords[0]);
  EXPECT_EQ(" 0.00,50.00,0.00 10.00,50.00,0.00 10.00,60.00,0.00 0.00,60.00,0.00", coords[3]);
  LiLines* lines = FB(pKvxMboLiLinesGet)();
  LiLine* edge = LiLinesGetFirst(lines);
  for (int i = 0; i < 6; ++i) edge = LiLinesGetNext(lines, edge);
  LiElm* k1 = LiElmGetFirst(edge);
  char pid[100];
  ASSERT_EQ(KV2GR_ELM_ARC3P, LiElmGetType(edge, k1));
  FB(boMboGetElmPID)(edge, LiElmGet3pArcElm2(edge, k1), pid, sizeof pid);
  EXPECT_STREQ("K2", pid);
  // Each vector has its own code, not the one of the record before it.
  EXPECT_EQ((Strings{"ST 1=BASE1", "  OBS 1=R1 2=GPS", "  OBS 1=R2 2=MAST"}), DumpStations(4, {1}, {1, 2}));
}

TEST_F(TrimbleDc, FieldsAreCutAtTheirColumnsTheLineEndAndTheirBlanks) {
  // Blanks and tabs around a field go; a field that the line ends inside
  // is what the line holds of it, one past its end is empty.
  auto col16 = [](const std::string& text) { return text + std::string(16 - text.size(), ' '); };
  Put("cut.dc", "08KI" + col16("\tA1\t") + col16(" \t1.5") + col16("2.5\t") + col16("\t") + "  KUM\t\r\n" + "08KI" +
                    col16("A2") + col16("7.25") + "8.2\r\n" + "08KI" + col16("A3") + col16("9.0") + "\r\n" + "08KI" +
                    col16("A4") + col16("1.0") + col16("2.0") + "  3.0\t \r\n");
  ASSERT_TRUE(boRead(65, m_dir + "/cut.dc"));
  EXPECT_EQ((Strings{"A1 KUM 2.500 1.500 -", "A2  8.200 7.250 -", "A3  - - -", "A4  2.000 1.000 3.000"}), DumpPoints());
}

// Random coordinate records, their fields padded with blanks and tabs on
// either side and the code field split at its dashes (the line ending
// anywhere in it), against a model of the column rules: fields trimmed, the
// code the text before its first '-' cut to 8 characters and trimmed, XY
// from two numbers, Z from one.
TEST_F(TrimbleDc, RandomCoordinateRecordsAgainstAModelOfTheColumns) {
  const char* kNumbers[] = {"12.5", "-3.25", "0", "100.125", "7", "6600123.456", "", "abc", "-", "+2.5"};
  const char* kCodes[] = {"KUM", "", "FENCE-1", "TREE-2-CODE", "LONGCODE12-1", "A B-3", "X--3", "-1", "K-x", "AB-1.2"};
  std::mt19937 rng(64);
  auto pad = [&](const std::string& text, size_t width) {
    std::string left(rng() % 3, rng() % 2 ? ' ' : '\t'), field = left + text;
    field.resize(std::max(field.size(), width - rng() % 3), rng() % 4 ? ' ' : '\t');
    field.resize(width, ' ');
    return field;
  };
  auto number = [](const std::string& t, double* v) {
    if (t.empty() || !(isdigit((unsigned char)t[0]) || ((t[0] == '-' || t[0] == '+') && t.size() > 1))) return false;
    *v = std::stod(t);
    return true;
  };
  auto trim = [](std::string t) {
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
    return t.substr(std::min(t.find_first_not_of(" \t"), t.size()));
  };
  std::string file;
  Strings want;
  for (int i = 0; i < 400; i++) {
    std::string name = "P" + std::to_string(i), n = kNumbers[rng() % std::size(kNumbers)],
                e = kNumbers[rng() % std::size(kNumbers)], z = kNumbers[rng() % std::size(kNumbers)],
                code = kCodes[rng() % std::size(kCodes)];
    std::string codeField = pad(code, 16);
    codeField.resize(rng() % 2 ? 16 : code.size() + rng() % 3, ' ');
    file += "08KI" + pad(name, 16) + pad(n, 16) + pad(e, 16) + pad(z, 16) + codeField + "\r\n";
    std::string first = trim(trim(codeField).substr(0, trim(codeField).find('-')).substr(0, 8));
    double vn, ve, vz;
    std::string s = name + " " + first;
    s += number(n, &vn) && number(e, &ve) ? " " + sNum(ve) + " " + sNum(vn) : " - -";
    s += number(z, &vz) ? " " + sNum(vz) : " -";
    want.push_back(s);
  }
  ASSERT_TRUE(boRead(65, Put("random.dc", file)));
  EXPECT_EQ(want, DumpPoints());
}

}  // namespace
