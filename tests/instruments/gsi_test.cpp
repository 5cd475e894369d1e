// Leica GSI files through the direct read and write exports: the writer's
// records against golden files, hand-written files with every word the
// reader uses, angle units, levelling and large and oversized numbers.
#include <gtest/gtest.h>

#include <random>

#include "fb_dump.h"
#include "kv2cosys.h"
#include "kv2cosys_setup.h"
#include "instruments/gsi.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/gsi/";

using Strings = std::vector<std::string>;

class Gsi : public InstrumentFiles {
 protected:
  // The points the golden files hold.
  void vGoldenPoints() {
    double z1 = 12.345, z2 = -0.5;
    pNewPoint("12", "", 200, 100);
    pNewPoint("JOB.A.P7", "KUM", 500123.4564, 6600456.7895, &z1);
    pNewPoint("NEG", "LONGCODE", -12.3456, -0.0004, &z2);
    FB(KvxMboNewPoint)("NOXY");  // not written
    pNewPoint("123456789012", "", 1, 2);
  }
  std::string sWrite(int instrument) { return sWritten(instrument, "out" + std::to_string(instrument) + ".gsi"); }
};

TEST_F(Gsi, WrittenRecordsMatchTheGoldenFiles) {
  vGoldenPoints();
  // GSI8: the first number too big for its word asks once per write; OK
  // keeps its low eight digits with the sign, the long point number is cut.
  vUiExpectBox(IDOK, "Too big number for wild");
  EXPECT_EQ(ReadFile(kData + "points92.gsi"), sWrite(92));
  vUiExpectBox(IDNO, "Create GSI16 format?");
  vUiExpectBox(IDOK, "Too big number for wild");
  EXPECT_EQ(ReadFile(kData + "points92.gsi"), sWrite(93));
  // GSI16 needs no question for these.
  EXPECT_EQ(ReadFile(kData + "points96.gsi"), sWrite(96));
  vUiExpectBox(IDYES, "Create GSI16 format?");
  EXPECT_EQ(ReadFile(kData + "points96.gsi"), sWrite(95));
  // 94 carries the north offset, in whole metres, in every record.
  vOptions(94, "EO:6600000 NO:500000");
  vUiExpectBox(IDOK, "Too big number for wild");
  EXPECT_EQ(ReadFile(kData + "points94.gsi"), sWrite(94));
}

TEST_F(Gsi, CancelAtATooBigNumberWritesNoFile) {
  pNewPoint("1", "", 10, 20);
  pNewPoint("2", "", 10, -100000);  // -100000000 mm: too big by its absolute value
  pNewPoint("3", "", 10, 20);
  vUiExpectBox(IDCANCEL, "Too big number for wild");
  vUiExpectBox(IDOK, "out92.gsi\nCancelled");
  EXPECT_EQ("<write failed>", sWrite(92));
  EXPECT_FALSE(std::filesystem::exists(tmp_.Path("out92.gsi")));
}

TEST_F(Gsi, TenThousandRecordsKeepTheirWordsAlignedAndReadBack) {
  for (int i = 1; i <= 10001; ++i) pNewPoint(std::to_string(i).c_str(), "", i, 2 * i);
  std::string text = sWritten(92, "many.gsi");
  EXPECT_EQ(10001u * 50, text.size());  // 48 characters and CR LF each
  EXPECT_NE(std::string::npos, text.find("\r\n110000+00010000 81..10+10000000 82..10+20000000 \r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\n110001+00010001 81..10+10001000 82..10+20002000 \r\n"));
  ASSERT_TRUE(boRead(92, tmp_.Path("many.gsi")));
  Strings points = DumpPoints();
  ASSERT_EQ(10001u, points.size());
  EXPECT_EQ("10001  10001.000 20002.000 -", points.back());
}

TEST_F(Gsi, Gsi16ReadsBackWhatItWrote) {
  vGoldenPoints();
  ASSERT_TRUE(boRead(96, kData + "points96.gsi"));
  EXPECT_EQ((Strings{"12  200.000 100.000 -", "P7 KUM 500123.456 6600456.790 12.345",
                     "NEG LONGCODE -12.346 0.000 -0.500", "123456789012  1.000 2.000 -"}),
            DumpPoints());
}

TEST_F(Gsi, JobsOfAHandWrittenFile) {
  vUiExpectBox(IDYES, "Include data in project?");  // the first header ends an empty job
  vUiExpectBox(IDYES, "Manual distance");
  vUiExpectBox(IDNO, "JOB NUMBER : JOB008");
  vUiExpectBox(IDOK, "Hor.angles oriented to north");
  ASSERT_TRUE(boRead(95, kData + "jobs.gsi"));
  // Codes: the line's, else the last code block's, else code 37's name.
  EXPECT_EQ((Strings{"ST1 KUM 500.000 6600.000 10.000", "P1  - - -", "P2  - - -", "P3 TREE 501.000 6601.000 12.000",
                     "P4 KUM 502.125 6602.000 -", "P5  - - -", "DH1  - - -", "DH2  - - -", "P6  503.000 6603.000 -",
                     "P8 LINE1 504.000 6604.000 -", "Q1 LINE1 600.000 6700.000 -", "Q2  - - -"}),
            DumpPoints());
  // P1 is read before its own orientation word; then directions less 30
  // gon: 10 -> 380, 20 -> 390, 0 -> 370. The declined job's manual
  // distance is skipped; Q2 keeps the target height before it.
  auto hz = [](double gon) { return sNum(dCoSysHorDir2Math(0, gon), 8); };
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.60000 5=760 6=20",
                     "  OBS 1=P1 2=KUM 3=" + hz(10) + " 4=1.57079633 5=50.12300 6=1.70000 9=0",
                     "  OBS 1=P2 2=WL 3=" + hz(380) + " 4=1.41371669 5=12.00000 6=1.50000 7=ABC1 9=1",
                     "  OBS 1=P5 2=KUM 3=" + hz(390) + " 5=33.33300 6=1.50000 9=0",
                     "  OBS 1=DH1 2=77 3=" + hz(370) + " 4=1.57079633 6=1.50000 9=0",
                     "  OBS 1=DH2 2=78 3=" + hz(370) + " 4=1.57079633 6=4.50000 9=0",
                     "  OBS 1=Q2 2= 3=" + hz(0) + " 6=4.50000 9=0"}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7, 9}));
  // Back sight, intermediate sight, fore sight.
  EXPECT_EQ((Strings{"ST 1=BM1 50=2", "  OBS 51=BM1 1=TP2 5=35.00000 50=-0.26600",
                     "  OBS 51=BM1 1=TP1 5=55.00000 50=-0.76600"}),
            DumpStations(2, {1, 50}, {51, 1, 5, 50}));
  EXPECT_EQ("jobs", sProjectAttr("PROJECT"));
  EXPECT_EQ("JOB007", sProjectAttr("PROJECTDESCR"));
  EXPECT_EQ("OLA1", sProjectAttr("SIGN"));
  EXPECT_EQ("2024.03.15", sProjectAttr("DATE"));
  EXPECT_EQ(
      "OPERATOR : OLA1\r\nJOB NUMBER : JOB007\r\nDATE : 150324\r\nINSTRUMENT NO: : 123\r\n"
      "410012+?0000000 \r\n510022+00000001 \r\n410023+00000005 42....+00000ABC \r\n"
      "PROJECT: JOB007\r\nDRILLHOLE_INFO_78_77_DIST: \"DH2\" \"DH1\" 12.5000 HoleLength=3.000 HoleVdir=4.500\r\n",
      sSide("jobs"));
}

// The same file in every angle unit of the user: the directions stored
// are the same; the north correction is taken in gon.
TEST_F(Gsi, AnglesInEveryUnitAndTheNorthCorrectionInGon) {
  std::vector<Strings> runs;
  for (int system : {COSYS_ANG_GON, COSYS_ANG_DEG, COSYS_ANG_DMS, COSYS_ANG_RAD}) {
    vCoSysSetupSetAngleSystem(0, system);
    vUiExpectBox(IDOK, "Hor.angles oriented to north");
    ASSERT_TRUE(boRead(95, kData + "angles.gsi"));
    Strings obs;
    char buf[64];
    void* st = FB(pMboGetNextSt)(1, nullptr);
    for (void* o = FB(pMboGetNextObs)(1, st, nullptr); o; o = FB(pMboGetNextObs)(1, st, o)) {
      std::string s;
      for (int attr : {3, 4}) {
        double v = FB(boMboGetObsAttr)(1, st, o, attr, buf, sizeof buf) ? dNumParseC(buf) : -1;
        // Back to gon by the gon system, 4 decimals (d.mmss keeps tenths of seconds).
        vCoSysSetupSetAngleSystem(0, COSYS_ANG_GON);
        s += (v < 0 ? std::string("-") : sNum(attr == 3 ? dCoSysHorDir2User(0, v) : dCoSysVerDir2User(0, v), 4)) + " ";
        vCoSysSetupSetAngleSystem(0, system);
      }
      obs.push_back(s);
    }
    runs.push_back(obs);
  }
  vCoSysSetupSetAngleSystem(0, COSYS_ANG_GON);
  // Units: 2 gon, 3 degrees, 4 d.mmss (12 30 45 = 13.9028 gon), 5 (1/16 gon).
  Strings expected{"10.0000 - ", "380.0000 100.0000 ", "70.0000 50.0000 ", "370.0000 13.9028 ", "360.0000 100.0000 "};
  for (const Strings& run : runs) EXPECT_EQ(expected, run);
}

// North corrections of about 6.25e14 gon (a GSI16 word of unit 5) either
// way: each direction still comes back into the circle, at once.
TEST_F(Gsi, AFarNorthCorrectionStillLeavesTheDirectionInTheCircle) {
  vUiExpectBox(IDOK, "Hor.angles oriented to north");
  ASSERT_TRUE(boRead(95, kData + "farnorth.gsi"));
  EXPECT_EQ((Strings{"ST", "  OBS 1=A2 3=" + sHz(100), "  OBS 1=A3 3=" + sHz(40), "  OBS 1=A5 3=" + sHz(100)}),
            DumpStations(1, {1}, {1, 3}));
}

TEST_F(Gsi, ALineCutAtTheLimitIsReported) {
  ASSERT_TRUE(boRead(95, kData + "cut.gsi"));
  EXPECT_EQ((Strings{"P1  3.000 4.000 -", "P2  1.000 2.000 -", "P3  5.000 6.000 -"}), DumpPoints());
  EXPECT_EQ("LINE TOO LONG, CUT : 2\r\n", sSide("cut"));
}

// Data that is not a number (dashes for "no value", two decimal marks,
// blanks) sets nothing: P1 keeps its height, the default target height
// stays unset. Names and codes are text.
TEST_F(Gsi, ValueWordsWithoutANumberSetNothing) {
  ASSERT_TRUE(boRead(95, kData + "novalue.gsi"));
  EXPECT_EQ((Strings{"P1  500.000 6600.000 12.000", "P2  - - -", "P3  - - -", "P4 KUM - - -"}), DumpPoints());
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.60000", "  OBS 1=P2 2=KUM 3=" + sHz(100) + " 6=1.50000",
                     "  OBS 1=P3 2=--AB 3=" + sHz(200) + " 4=" + sV(100) + " 5=12.34500 6=1.50000"}),
            DumpStations(1, {1, 4}, {1, 2, 3, 4, 5, 6}));
}

TEST_F(Gsi, TheHeaderDateKeepsTheLeadingZeroOfTheDay) {
  vUiExpectBox(IDYES, "Include data in project?");
  ASSERT_TRUE(boRead(95, kData + "date.gsi"));
  EXPECT_EQ("2020.06.05", sProjectAttr("DATE"));
  EXPECT_EQ((Strings{"P1  1.000 2.000 -"}), DumpPoints());
}

// A point's coordinates recorded with its measurement (21, 22, 31 beside 81,
// 82): both read, the point with its coordinates and code and the
// observation with its angles, distance, target height and the same code.
// Lines with one kind read as before; a station line (84, 85) with a
// direction stays a station. A distance whose data is a lone '.' has no
// value.
TEST_F(Gsi, ALineWithCoordinatesAndMeasurementsKeepsBoth) {
  ASSERT_TRUE(boRead(95, kData + "coords_obs.gsi"));
  EXPECT_EQ((Strings{"ST1  500.000 6600.000 10.000", "P1 TREE 501.000 6601.000 12.000", "P2  502.000 6602.000 13.000",
                     "P3  - - -", "ST2  510.000 6610.000 -"}),
            DumpPoints());
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.60000", "  OBS 1=P1 2=TREE 3=" + sHz(10) + " 4=" + sV(100) + " 5=50.12300 6=1.70000",
                     "  OBS 1=P3 2= 3=" + sHz(20) + " 4=" + sV(100) + " 6=1.50000"}),
            DumpStations(1, {1, 4}, {1, 2, 3, 4, 5, 6}));
}

// Without word 87 and a default the target height before stays.
TEST_F(Gsi, AnObservationWithoutTargetHeightKeepsThePreviousOne) {
  ASSERT_TRUE(boRead(95, kData + "th.gsi"));
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.60000", "  OBS 1=P1 5=10.00000 6=1.70000", "  OBS 1=P2 5=20.00000 6=1.70000",
                     "  OBS 1=P3 5=30.00000 6=1.30000"}),
            DumpStations(1, {1, 4}, {1, 5, 6}));
}

// Value texts are the digits printf gives, for random data in every unit
// (the user's angles in gon): GSI8 and GSI16, integers and decimals.
TEST(GsiWords, ValueTextsAreThoseOfPrintf) {
  std::mt19937_64 rnd(29);
  for (int i = 0; i < 20000; ++i) {
    int digits = i % 2 ? 16 : 8;
    std::string data;
    int zeros = (int)(rnd() % (digits + 1));
    for (int d = 0; d < digits; ++d) data += (char)(d < zeros ? '0' : '0' + rnd() % 10);
    if (i % 5 == 0) data[1 + rnd() % (digits - 1)] = i % 10 ? '.' : ',';
    std::string line = std::string(digits == 16 ? "*" : "") + "110001+" + std::string(digits - 2, '0') + "P1 " +
                       "81..1" + (char)('0' + rnd() % 10) + (rnd() % 2 ? '-' : '+') + data + " ";
    double v = 0;
    bool angle = false;
    ASSERT_TRUE(boGsiWordNumber(1, line.c_str(), &v, &angle)) << line;
    char expected[400];
    snprintf(expected, sizeof expected, "%-.5lf", v);
    ASSERT_STREQ(expected, sGsiWordValue(1, line.c_str())) << line;
  }
  // Data with bytes next to the digits: a word without a number has no value.
  for (int i = 0; i < 20000; ++i) {
    int digits = i % 2 ? 16 : 8;
    std::string data;
    int zeros = (int)(rnd() % (digits + 1));
    for (int d = 0; d < digits; ++d) data += d < zeros ? '0' : "0123456789/:?*"[rnd() % (rnd() % 4 ? 10 : 14)];
    std::string line = std::string(digits == 16 ? "*" : "") + "110001+" + std::string(digits - 2, '0') + "P1 " +
                       "81..1" + (char)('0' + rnd() % 10) + (rnd() % 2 ? '-' : '+') + data + " ";
    double v = 0;
    bool angle = false;
    char expected[400] = "";
    if (boGsiWordNumber(1, line.c_str(), &v, &angle)) snprintf(expected, sizeof expected, "%-.5lf", v);
    ASSERT_STREQ(expected, sGsiWordValue(1, line.c_str())) << line;
  }
}

TEST(GsiWords, WordsNeverReadPastTheLine) {
  const char* g16 = "*110001+0000000000000012 81..10-9999999999999999 21.324+0000000001230450 ";
  EXPECT_EQ(11, iGsiWordId(0, g16));
  EXPECT_EQ(81, iGsiWordId(1, g16));
  EXPECT_STREQ("-9999999999999999", sGsiWordData(1, g16));  // 16 digits and the sign
  EXPECT_STREQ("13.90278", sGsiWordValue(2, g16));          // 12 30 45.0 as gon
  EXPECT_EQ(-1, iGsiWordId(3, g16));
  // The last word exists without its blank; a word cut shorter does not.
  EXPECT_TRUE(boGsiWordExists(1, "110001+00000012 81..10+0500,125"));
  EXPECT_STREQ("500.12500", sGsiWordValue(1, "110001+00000012 81..10+0500,125"));
  EXPECT_FALSE(boGsiWordExists(1, "110001+00000012 81..10+050"));
  EXPECT_STREQ("", sGsiWordData(1, "110001+00000012 81..10+050"));
  EXPECT_EQ(0, iGsiFindWi("110001+00000012 ", 81));
  EXPECT_STREQ("AB1", sGsiStripValue("51....+00000AB1"));
  // Line numbers: four digits, never into a line too short for them.
  char line[] = "*110001+0000000000000012 ";
  vGsiSetLineNo(line, 12345);
  EXPECT_STREQ("*112345+0000000000000012 ", line);
  char shortLine[] = "*1100";
  vGsiSetLineNo(shortLine, 7);
  EXPECT_STREQ("*1100", shortLine);
}

}  // namespace
