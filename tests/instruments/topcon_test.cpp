// Topcon FC1/2 and GTS-800 files through the direct read and write exports:
// every FC record type of a hand-written stream, FC coordinate files by
// golden files (the reader takes no x/y records), GTS-800 keyword files
// and coordinate round trips with both offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <random>

#include "fb_dump.h"
#include "kv2cosys.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/topcon/";
const int kFc = 72;
const int kGts = 73;

using Strings = std::vector<std::string>;

class Topcon : public InstrumentFiles {
 protected:
  Strings Stations() { return DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6}); }
};

TEST_F(Topcon, FcEveryRecordType) {
  ASSERT_TRUE(boRead(kFc, kData + "job.fc"));
  // Names: job A1, area B; 0012 is 12. Packed angles DDDMMSS; values after
  // a '+' name belong to it; a grave accent restarts a value; a distance
  // runs on over a line end.
  EXPECT_EQ((Strings{"ST 1=A1.B.ST1 4=1.600 5=1013 6=20",
                     "  OBS 1=A1.B.12 2=TREE 3=" + sHz(12) + " 4=" + sV(95) + " 5=25.12300 6=1.50000",
                     "  OBS 1=A1.B.P2 2=TREE 3=" + sHz(45.123) + " 4=" + sV(90) + " 5=10.50000 6=1.70000",
                     "  OBS 1=A1.B.P4 2=KUM 3=" + sHz(45) + " 4=" + sV(90) + " 5=5.00000 6=1.70000",
                     "  OBS 1=A1.B.P5 2=KUM 3=" + sHz(12) + " 4=" + sV(95) + " 5=12.34500 6=1.70000",
                     "  OBS 1=A1.B.P7 2=KUM 5=15.00000 6=1.70000"}),
            Stations());
  EXPECT_EQ("A1.B.P3 KUM 200.250 100.500 -10.000", DumpPoints()[2]);
  // Fields too short or not digits are reported, not delivered; the remark
  // without a current observation names the pending point.
  EXPECT_EQ(
      "JOB NUMBER : JOB7\r\nOPERATOR : OLA\r\nINSTRUMENT NO: : 12345\r\nDATE : 061226\r\n"
      "12 : by the road\r\n"
      "WRONG NUMBER : 9 12\r\nWRONG NUMBER : a 45x0000\r\nWRONG NUMBER : c 12345\r\n"
      "WRONG NUMBER : ? 00001m123\r\nX/Y/Z : U 1,2,3\r\nUNKNOWN CODE : Z zz\r\nP6 : no point here\r\n",
      sSide("job"));
}

// Distances as instruments write them: a sign and 8 or 9 digits, the last
// three decimals; fewer or more digits are reported.
TEST_F(Topcon, FcDistancesOfEightOrNineDigits) {
  ASSERT_TRUE(boRead(kFc, kData + "dist8.fc"));
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.600", "  OBS 1=P1 3=" + sHz(12) + " 4=" + sV(95) + " 5=12.34500 6=1.50000",
                     "  OBS 1=P2 3=" + sHz(45) + " 4=" + sV(90) + " 5=2.50000 6=1.50000",
                     "  OBS 1=P3 3=" + sHz(10) + " 5=104.50000 6=1.50000",
                     "  OBS 1=P4 3=" + sHz(10) + " 5=-0.75000 6=1.50000",
                     "  OBS 1=P5 3=" + sHz(12) + " 4=" + sV(95) + " 5=25.12300 6=1.50000",
                     "  OBS 1=P6 3=" + sHz(10) + " 6=1.50000", "  OBS 1=P7 3=" + sHz(10) + " 6=1.50000",
                     "  OBS 1=P8 3=" + sHz(12) + " 4=" + sV(95) + " 6=1.50000",
                     "  OBS 1=P9 3=" + sHz(45) + " 4=" + sV(90) + " 5=12.34500 6=1.50000"}),
            DumpStations(1, {1, 4}, {1, 3, 4, 5, 6}));
  EXPECT_EQ(
      "WRONG NUMBER : I 0000123\r\nWRONG NUMBER : c 0000012345\r\n"
      "WRONG NUMBER : ? 0001234567m09500000120000\r\n",
      sSide("dist8"));
}

TEST_F(Topcon, FcAValueTooLongStopsTheReadWithOneReportLine) {
  Put("long.fc", "_+P1_f+000001000_g+000002000_*" + std::string(78, 'x') + "_+P2_f+000003000\r\n");
  ASSERT_TRUE(boRead(kFc, m_dir + "/long.fc"));
  EXPECT_EQ((Strings{"P1  2.000 1.000 -"}), DumpPoints());
  EXPECT_EQ("ERROR! value too long : * xxxxxxxxxxxxxxxxxxxx\r\n", sSide("long"));
}

// A line with a NUL byte among its characters is told and left out with
// the records that start in it or run on over it (records run on over line
// ends); one that ends at the line's first underscore stands (P5). NUL bytes
// that end a line are dropped and told once; a line longer than the
// reader's buffer still runs on whole.
TEST_F(Topcon, FcALineWithANulByteIsLeftOutWithItsRecords) {
  std::string nul(1, '\0');
  Strings points{"P1  2.000 1.000 -", "P3  6.000 5.000 -", "P4  8.000 7.000 -", "P5  10.000 9.000 -",
                 "P7  14.000 13.000 -"};
  std::string longLine;
  for (int i = 0; i < 12; i++) {
    longLine += "_+Q" + std::to_string(i) + "_f+0000" + (i < 10 ? "0" : "") + std::to_string(i) + "000_g+000001000";
    points.push_back("Q" + std::to_string(i) + "  1.000 " + std::to_string(i) + ".000 -");
  }
  ASSERT_GT(longLine.size(), 300u);
  Put("nul.fc", std::string("_+P1_f+000001000_g+000002000_\r\n") +         // ends with its underscore
                    "+P2_f+000003" + nul + "000_g+000004000\r\n" +         // damaged
                    "_+P3_f+000005000_g+000006000\r\n" +                   // whole
                    "_+P4_f+000007000_g+000008000" + nul + nul + "\r\n" +  // padded
                    "_+P5_f+000009000_g+000010000\r\n" +                   // ends its record
                    "_+P6_f" + nul + "+000011000\r\n" +                    // damaged
                    "_+P7_f+000013000_g+000014000\r\n" + longLine + "\r\n");
  ASSERT_TRUE(boRead(kFc, m_dir + "/nul.fc"));
  EXPECT_EQ(points, DumpPoints());
  EXPECT_EQ("LINE WITH NUL BYTE : 2\r\nNUL BYTES DROPPED : 4\r\nLINE WITH NUL BYTE : 6\r\n", sSide("nul"));
}

TEST_F(Topcon, FcCoordinateFileKeepsTheLastSixIntegerDigits) {
  vOptions(kFc, "EO:6600000 NO:500000");
  pNewPoint("17", "", 500000 + 1234567.891, 6600000 - 12.5);
  pNewPoint("JOB.A.P7", "KUM", 500000.0004, 6600001);
  pNewPoint("ELEVENCHARS", "", 1, 2);  // wider than the name field
  FB(KvxMboNewPoint)("NOXY");
  vUiExpectBox(IDOK, "Points not written, a value does not fit its column: 1\nELEVENCHARS");
  EXPECT_EQ("0002\r\n_+17        _ x-000012500_ y+234567891\r\n_+P7        _ x+000001000_ y+000000000\r\n",
            sWritten(kFc, "out.fc"));
}

TEST_F(Topcon, FcWriterStopsAfter9999Records) {
  for (int i = 0; i < 10001; ++i) pNewPoint(std::to_string(i + 1).c_str(), "", i, i);
  vUiExpectBox(IDOK, "Only the first 9999 points are written.");
  std::string out = sWritten(kFc, "many.fc");
  EXPECT_EQ("9999\r\n", out.substr(0, 6));
  EXPECT_EQ(6 + 9999 * 40u, out.size());
}

TEST_F(Topcon, GtsEveryKeyword) {
  vOptions(kGts, "EO:1000 NO:2000");
  ASSERT_TRUE(boRead(kGts, kData + "survey.txt"));
  // The resection waits for its station; after UNITS M,D degrees become
  // gon; a coordinate line stores what was pending first.
  EXPECT_EQ(
      (Strings{"ST 1=ST1 4=1.600 5=1013 6=20",
               "  OBS 1=R1 2=TOP 3=" + sHz(100) + " 4=" + sV(95) + " 5=30.00000 6=1.30000",
               "  OBS 1=BS1 2=TOP 3=" + sHz(50) + " 6=1.30000",
               "  OBS 1=P1 2=TREE 3=" + sHz(120) + " 4=" + sV(98) + " 5=25.00000 6=1.50000",
               "  OBS 1=P2 2=KUM 3=" + sHz(100) + " 4=" + sV(50) + " 5=12.34500 6=1.70000",
               "ST 1=ST2 4=1.550 5=1013 6=20", "  OBS 1=R2 2= 3=" + sHz(100.0 / 9) + " 4=" + sV(100) + " 6=1.40000"}),
      Stations());
  EXPECT_EQ((Strings{"ST1 TOP 2100.000 1200.000 10.000", "R1  - - -", "BS1 TOP 2150.000 1250.000 11.000", "P1  - - -",
                     "P2  - - -", "TGT_P5  2001.200 1003.000 4.000", "P6 WALL 2300.000 1400.000 -", "R2  - - -"}),
            DumpPoints());
  EXPECT_EQ("JOB SURVEY1\r\nHD 1,2,3\r\nTGT P5,1.2,3,4\r\nP6,300.0,400.0,,WALL\r\nP7,x,400.0,5\r\n", sSide("survey"));
}

// Under UNITS M,D angles are d.mmss (a shorter fraction padded on the
// right, the sign for the whole value), the same directions for every
// angle system of the user; minutes or seconds of 60 are reported with
// their line and only that angle is left out.
TEST_F(Topcon, GtsDegreesAreDegreesMinutesSeconds) {
  const Strings expected{"R1 - 105.5556",      "P1 82.9448 97.5293", "P2 108.4383 68.3923",
                         "P3 50.9259 -0.5556", "P4 97.5892 -",       "P5 137.7777 -"};
  for (int system : {COSYS_ANG_GON, COSYS_ANG_DEG, COSYS_ANG_DMS, COSYS_ANG_RAD}) {
    SCOPED_TRACE(system);
    vCoSysSetupSetAngleSystem(0, system);
    ASSERT_TRUE(boRead(kGts, kData + "dms.txt"));
    vCoSysSetupSetAngleSystem(0, COSYS_ANG_GON);
    Strings got;
    char buf[64];
    void* st = FB(pMboGetNextSt)(1, nullptr);
    for (void* o = FB(pMboGetNextObs)(1, st, nullptr); o; o = FB(pMboGetNextObs)(1, st, o)) {
      FB(boMboGetObsAttr)(1, st, o, 1, buf, sizeof buf);
      std::string s = buf;
      for (int attr : {3, 4}) {
        if (!FB(boMboGetObsAttr)(1, st, o, attr, buf, sizeof buf)) {
          s += " -";
          continue;
        }
        double v = dNumParseC(buf);
        double gon = attr == 3 ? dCoSysHorDir2User(0, v) : dCoSysVerDir2User(0, v);
        if (attr == 4 && gon > 200) gon -= 400;
        s += " " + sNum(gon, 4);
      }
      got.push_back(s);
    }
    EXPECT_EQ(expected, got);
    EXPECT_EQ("JOB DMS1\r\nWRONG ANGLE : 4\r\nWRONG ANGLE : 13\r\n", sSide("dms"));
  }
  // A gon user gets the six decimals as written: 74.39010 is 74 39'01.0".
  EXPECT_EQ("  OBS 1=P1 3=" + sHz(82.944753) + " 4=" + sV(97.529321) + " 5=25.00000",
            DumpStations(1, {1}, {1, 3, 4, 5})[2]);
}

// A byte-order mark before the first line is dropped: the unit holds.
TEST_F(Topcon, GtsByteOrderMarkDropped) {
  ASSERT_TRUE(boRead(kGts, kData + "bom.txt"));
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.600", "  OBS 1=P1 3=" + sHz(100) + " 4=" + sV(50) + " 5=12.34500"}),
            DumpStations(1, {1, 4}, {1, 3, 4, 5}));
  EXPECT_EQ("", sSide("bom"));
}

// Values end at a comma or a TAB (a comma and a TAB after it make an empty
// value between them) and lose their blanks at both ends; the keyword ends
// at the first blank or TAB, and only that one is skipped.
TEST_F(Topcon, GtsValuesCutAtCommasAndTabs) {
  Put("cut.txt",
      "STN  ST1 ,1.600 ,\tTOP\r\nSS  P1 ,  1.500 ,\tKUM\r\nSD 10.0 ,\t95.0,  12.5  \r\n"
      "P9 , 1.0\t 2.0 ,3.0 ,  WALL  \r\n");
  ASSERT_TRUE(boRead(kGts, m_dir + "/cut.txt"));
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.600 5= 6=", "  OBS 1=P1 2= 3=" + sHz(10) + " 5=95.00000 6=1.50000"}), Stations());
  EXPECT_EQ((Strings{"P1  - - -", "P9 WALL 1.000 2.000 3.000"}), DumpPoints());
  EXPECT_EQ("P9 , 1.0  2.0 ,3.0 ,  WALL  \r\n", sSide("cut"));
}

// Packed angles DDDMMSS with and without a sign, at random: each is the
// value of printf's "%.5lf" text of sign x (DDD + MM/100 + SS/10000); and
// distances of 8 or 9 digits, the value of their text with the point put
// in. Each to the bit.
TEST_F(Topcon, FcAnglesOfRandomDigits) {
  std::mt19937 rnd(72);
  std::string file = "_'ST1";
  Strings expected{"ST 1=ST1"};
  std::vector<std::array<double, 3>> values;
  for (int i = 0; i < 500; ++i) {
    double gon[2];
    std::string angle[2];
    for (int k = 0; k < 2; ++k) {
      int digits = (int)(rnd() % 10000000);
      const char* sign = (const char*[]){"", "+", "-"}[rnd() % 3];
      char text[16], value[32];
      snprintf(text, sizeof text, "%s%07d", sign, digits);
      snprintf(value, sizeof value, "%.5lf",
               (*sign == '-' ? -1 : 1) * (digits / 10000 + digits / 100 % 100 / 100.0 + digits % 100 / 10000.0));
      angle[k] = text;
      gon[k] = dNumParseC(value);
    }
    const char* sign = (const char*[]){"", "+", "-"}[rnd() % 3];
    char digits[16];
    snprintf(digits, sizeof digits, rnd() % 2 ? "%08u" : "%09u", (unsigned)(rnd() % 1000000000));
    std::string dist = digits;
    std::string distText =
        (*sign == '-' ? "-" : "") + dist.substr(0, dist.size() - 3) + "." + dist.substr(dist.size() - 3);
    file += "_+P" + std::to_string(i) + "_9" + angle[0] + "_:" + angle[1] + "_c" + sign + dist;
    expected.push_back("  OBS 1=P" + std::to_string(i) + " 3=" + sHz(gon[0]) + " 4=" + sV(gon[1]));
    values.push_back({gon[0], gon[1], dNumParseC(distText.c_str())});
  }
  Put("angles.fc", file + "\r\n");
  ASSERT_TRUE(boRead(kFc, m_dir + "/angles.fc"));
  EXPECT_EQ(expected, DumpStations(1, {1}, {1, 3, 4}));
  std::vector<const void*> observations = FirstStationObservations(1);
  ASSERT_EQ(values.size(), observations.size());
  for (size_t i = 0; i < values.size(); i++) {
    const auto* obs = static_cast<const MboObsTs*>(observations[i]);
    EXPECT_EQ("", sBitsDiffer(dCoSysHorDir2Math(0, values[i][0]), obs->dHz)) << i;
    EXPECT_EQ("", sBitsDiffer(dCoSysVerDir2Math(0, values[i][1]), obs->dV)) << i;
    EXPECT_EQ("", sBitsDiffer(values[i][2], obs->dDist)) << i;
  }
}

// A random record stream against a model of its rules: records of an
// unknown type (reported with their values) whose values run over line ends
// and restart at a grave accent, and coordinate records with and without a
// sign, each the number its digits make with a point before the last three.
TEST_F(Topcon, FcRandomStreamsAgainstAModel) {
  std::mt19937 rnd(7272);
  std::string file, side;
  std::map<std::string, std::vector<double>> xyz;
  // Line ends often, or seldom enough for lines longer than the reader's
  // buffer.
  unsigned every = 4;
  auto breakLine = [&](std::string* text) {
    if (rnd() % every == 0) *text += "\r\n";
  };
  for (int i = 0; i < 3000; ++i) {
    every = i % 500 < 400 ? 4 : 1000;
    if (rnd() % 3 == 0) {
      file += "_+P" + std::to_string(i);
      breakLine(&file);
      for (char type : {'f', 'g', 'h'}) {
        char digits[16];
        snprintf(digits, sizeof digits, "%09u", (unsigned)(rnd() % 1000000000));
        std::string sign = std::string(1, "+-0123456789"[rnd() % 12]);
        file += std::string(" _") + type + sign + digits;
        std::string number = (sign == "+" ? "" : sign) + std::string(digits, 6) + "." + (digits + 6);
        xyz["P" + std::to_string(i)].push_back(strtod(number.c_str(), nullptr));
      }
      continue;
    }
    std::string value;
    file += rnd() % 2 ? "_Z" : "__ _Z";
    int n = (int)(rnd() % 60);
    for (int k = 0; k < n; ++k) {
      char c = "ab1 `"[rnd() % 5];
      file += c;
      value = c == '`' ? "" : value + c;
      breakLine(&file);
    }
    side += "UNKNOWN CODE : Z " + value + "\r\n";
  }
  Put("random.fc", file + "_+END\r\n");
  ASSERT_TRUE(boRead(kFc, m_dir + "/random.fc"));
  EXPECT_EQ(side, sSide("random"));
  PoPoints* points = FB(pKvxMboPoPointsGet)();
  size_t found = 0;
  for (PoPoint* p = PoPointsGetFirst(points); p; p = PoPointsGetNext(points, p)) {
    auto it = xyz.find(FB(sMboGetPointPID)(p));
    if (it == xyz.end()) continue;
    ++found;
    double x = 0, y = 0, z = 0;
    ASSERT_TRUE(FB(boMboGetPointXY)(p, &x, &y));
    ASSERT_TRUE(FB(boMboGetPointZ)(p, &z));
    EXPECT_EQ((std::vector<double>{y, x, z}), it->second) << it->first;
  }
  EXPECT_EQ(xyz.size(), found);
}

// Random report, value and other lines (blanks, TABs, control bytes, lines
// cut at 98 characters) against a model of what goes to the side file:
// more than the reader gathers before it writes.
TEST_F(Topcon, GtsRandomSideFileAgainstAModel) {
  const Strings reports{"JOB", "DATE", "NAME", "INST", "SCALE", "CTL", "HD", "OFFSET", "PTL_OFF", "NOTE", "MLM"};
  const Strings silent{"ATMOS", "BS", "FS", "SS", "HV", "SD", "UNITS"};
  const Strings others{"XYZ", "TGT", "P1,1,2,3", "JOBS", "HDX", "RES", ""};
  std::mt19937 rnd(7373);
  std::string file, side;
  for (int i = 1; i <= 4000; ++i) {
    int kind = (int)(rnd() % 3);
    const Strings& words = kind == 0 ? reports : kind == 1 ? silent : others;
    std::string line = words[rnd() % words.size()];
    if (rnd() % 4) line += " \t\x01"[rnd() % 3];
    int n = rnd() % 10 ? (int)(rnd() % 40) : 60 + (int)(rnd() % 60);
    for (int k = 0; k < n; ++k) line += "ab,1. \t\x02\x7f\xe6"[rnd() % 10];
    file += line + "\r\n";
    if (line.size() > 98) {
      side += "LINE TOO LONG, CUT : " + std::to_string(i) + "\r\n";
      line.resize(98);
    }
    size_t k = 0;
    while (k < line.size() && (unsigned char)line[k] >= 33) ++k;
    std::string keyword = line.substr(0, k);
    auto in = [&](const Strings& list) { return std::find(list.begin(), list.end(), keyword) != list.end(); };
    if (in(silent)) continue;
    if (in(reports)) line = keyword + " " + (k < line.size() ? line.substr(k + 1) : "");
    for (char& c : line)
      if ((unsigned char)c < 32 || c == 0x7f) c = ' ';
    side += line + "\r\n";
  }
  Put("random.txt", file);
  ASSERT_TRUE(boRead(kGts, m_dir + "/random.txt"));
  EXPECT_GT(side.size(), 40000u);
  EXPECT_EQ(side, sSide("random"));
}

TEST_F(Topcon, GtsCoordinatesRoundTripWithBothOffsets) {
  vOptions(kGts, "EO:6600000 NO:500000");
  double z1 = 12.345, z2 = -0.5;
  pNewPoint("1", "", 500200.25, 6600100.125);
  pNewPoint("JOB.A.P7", "KUM", 500123.456, 6600456.789, &z1);
  pNewPoint("NEG", "WALL", 499987.654, 6599999.999, &z2);
  pNewPoint("NOZ", "EDGE", 500001, 6600002);
  FB(KvxMboNewPoint)("NOXY");
  EXPECT_EQ(
      "1,200.250,100.125,\r\nP7,123.456,456.789,12.345,KUM\r\nNEG,-12.346,-0.001,-0.500,WALL\r\n"
      "NOZ,1.000,2.000,,EDGE\r\n",
      sWritten(kGts, "out.txt"));
  ASSERT_TRUE(boRead(kGts, tmp_.Path("out.txt")));
  EXPECT_EQ((Strings{"1  500200.250 6600100.125 -", "P7 KUM 500123.456 6600456.789 12.345",
                     "NEG WALL 499987.654 6599999.999 -0.500", "NOZ EDGE 500001.000 6600002.000 -"}),
            DumpPoints());
}

TEST_F(Topcon, GtsALineTooLongIsCutAndItsTailIsNoRecord) {
  std::string first = "NOTE ";
  first += std::string(98 - first.size(), 'n');
  Put("cut.txt", first + "P9,1,2,3\r\nP1,1,2,3\r\n");
  ASSERT_TRUE(boRead(kGts, m_dir + "/cut.txt"));
  EXPECT_EQ((Strings{"P1  1.000 2.000 3.000"}), DumpPoints());
  EXPECT_EQ("LINE TOO LONG, CUT : 1\r\n" + first + "\r\nP1,1,2,3\r\n", sSide("cut"));
}

}  // namespace
