// Kern AC files through the direct read and write exports: a hand-written
// file with header, station and point lines, golden coordinate files (the
// writer's lines leave column 1 blank, so they are not read back), long
// point numbers and lines too long.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "fb_dump.h"
#include "kv2cosys.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/kern/";
const int kKern = 42;

using Strings = std::vector<std::string>;

using Kern = InstrumentFiles;

TEST_F(Kern, AHandWrittenFileWithHeaderStationsAndPoints) {
  ASSERT_TRUE(boRead(kKern, kData + "survey.kern"));
  // Fields without a decimal point count in 1/10000; "abc" is no direction.
  // Weather and target height stay until new values come.
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.600 5=1013 6=20",
                     "  OBS 1=P1 2=TREE 3=" + sHz(123.4567) + " 4=" + sV(100) + " 5=25.12300 6=1.50000",
                     "  OBS 1=P2 2=KUM 5=34.56780 6=1.70000", "ST 1=ST2 4=1.550 5=1013 6=20",
                     "  OBS 1=P4 2= 3=" + sHz(200) + " 4=" + sV(100) + " 5=10.00000 6=1.70000"}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6}));
  // A station or point line reaches the side file only with a comment.
  EXPECT_EQ(
      "OPERATOR : OLA NORDMANN\r\nDATE : 06122026\r\nINSTRUMENT NO: : 123456\r\n"
      "Comment : CHECK\r\n       : RUN\r\n"
      "Point : P2\r\nComment : BY\r\n       : ROAD\r\n"
      "Station : ST2\r\nComment : NEW\r\n       : SETUP\r\n"
      "X other line\r\n",
      sSide("survey"));
}

TEST_F(Kern, CoordinateLinesWithBothOffsets) {
  vOptions(kKern, "EO:6600000 NO:500000");
  double z = 3, zLow = -12.5;
  pNewPoint("17", "", 501000.5, 6602000.25, &z);
  pNewPoint("JOB.A.P7", "KUM", 499999.999, 6599876.5);
  pNewPoint("123456789", "", 500001, 6600002, &zLow);
  FB(KvxMboNewPoint)("NOXY");  // not written
  EXPECT_EQ(std::string(9, ' ') + "17" + std::string(5, ' ') + "1000.500" + std::string(5, ' ') + "2000.250" +
                std::string(5, ' ') + "3.000\r\n" +
                "         P7       -0.001     -123.500\r\n"
                "  123456789        1.000        2.000   -12.500\r\n",
            sWritten(kKern, "out.raw"));
}

TEST_F(Kern, LongNumbersNeverReachColumnOneAndAreCutWithOneWarning) {
  pNewPoint("ABCDEFGHIJKL", "", 1, 2);
  pNewPoint("ABCDEFGHIJKLM", "", 3, 4);
  pNewPoint("1234567890", "", 5, 6);
  vUiExpectBox(IDOK, "Point numbers cut to 10 characters: 2\nABCDEFGHIJKL ABCDEFGHIJKLM");
  EXPECT_EQ(
      " ABCDEFGHIJ        1.000        2.000\r\n"
      " ABCDEFGHIJ        3.000        4.000\r\n"
      " 1234567890        5.000        6.000\r\n",
      sWritten(kKern, "long.raw"));
}

TEST_F(Kern, ACoordinateWiderThanItsColumnSkipsThePoint) {
  double z = 123456.5;
  pNewPoint("WIDE", "", 1e12, 5);
  pNewPoint("HIGH", "", 1, 2, &z);
  pNewPoint("OK", "", 1, 2);
  vUiExpectBox(IDOK, "Points not written, a value does not fit its column: 2\nWIDE HIGH");
  EXPECT_EQ("         OK        1.000        2.000\r\n", sWritten(kKern, "wide.raw"));
}

TEST_F(Kern, ALineTooLongIsCutAndItsTailIsNoRecord) {
  std::string first = "3 P1";
  first += std::string(253 - first.size(), ' ');
  Put("cut.raw", first + "3 P2\r\n3 P3\r\n");
  ASSERT_TRUE(boRead(kKern, m_dir + "/cut.raw"));
  EXPECT_EQ((Strings{"P1  - - -", "P3  - - -"}), DumpPoints());
  EXPECT_EQ("LINE TOO LONG, CUT : 1\r\n", sSide("cut"));
}

// Random angle and distance fields: each value is the one the text "%.6lf"
// of the field's number (divided by 10000 without a point) gives back.
TEST_F(Kern, AnglesAndDistancesAreThoseOfTheirSixDecimalTexts) {
  std::mt19937_64 rng(42);
  auto field = [&] {
    static const char* const kOdd[] = {"+12",      "-0",         "+.5",       "-.5",      "12.",
                                       "0",        "00000001",   "-0000001",  "1e3",      "12e-2",
                                       "9.999999", "1.00000005", "0.0000005", ".0000004", "-9999999"};
    char buf[16];
    switch (rng() % 4) {
      case 0:
        return std::to_string((long long)(rng() % 200000000) - 99999999).substr(0, 8);
      case 1:
        std::snprintf(buf, sizeof buf, "%.*f", (int)(rng() % 8), (double)(rng() % 2000000) / 97.0 - 9000);
        return std::string(buf).substr(0, 8);
      case 2:
        return std::string(kOdd[rng() % (sizeof kOdd / sizeof kOdd[0])]);
      default:
        return std::to_string(rng() % 100);
    }
  };
  // The field's number (in 1/10000 without a point) through "%.6lf".
  auto value = [](const std::string& text) {
    double v = std::strtod(text.c_str(), nullptr);
    return dThroughText(text.find('.') == std::string::npos ? v / 10000 : v, 6);
  };
  std::string file = "2 S1\r\n";
  std::vector<std::array<std::string, 3>> records;
  for (int i = 0; i < 3000; i++) {
    records.push_back({field(), field(), field()});
    std::string line = "3 P" + std::to_string(i) + std::string(140, ' ');
    for (int k = 0; k < 3; k++) line.replace(100 + 9 * k, records.back()[k].size(), records.back()[k]);
    file += line + "\r\n";
  }
  Put("random.raw", file);
  ASSERT_TRUE(boRead(kKern, m_dir + "/random.raw"));
  std::vector<const void*> observations = FirstStationObservations(1);
  ASSERT_EQ(records.size(), observations.size());
  for (size_t i = 0; i < records.size(); i++) {
    const auto* obs = static_cast<const MboObsTs*>(observations[i]);
    const auto& r = records[i];
    EXPECT_EQ("", sBitsDiffer(dCoSysHorDir2Math(0, value(r[0])), obs->dHz)) << r[0];
    EXPECT_EQ("", sBitsDiffer(dCoSysVerDir2Math(0, value(r[1])), obs->dV)) << r[1];
    EXPECT_EQ("", sBitsDiffer(value(r[2]), obs->dDist)) << r[2];
  }
}

// Random points, dotted IDs with blanks and control bytes, long numbers and
// values too wide among them, written as printf writes the line.
TEST_F(Kern, TheWriterWritesWhatPrintfWouldWrite) {
  vOptions(kKern, "EO:6600000 NO:500000");
  const double kValues[] = {0, 0.0005, 0.0015, -0.0004, 1e-9, 123.4565, 6600123.4567, 99999.9995, 2.5e15, 1e300};
  std::mt19937_64 rng(42);
  auto value = [&] {
    return rng() % 3 ? kValues[rng() % std::size(kValues)]
                     : (double)(int64_t)(rng() >> 20) / (double)(1 + rng() % 1000);
  };
  const char kBytes[] = "ABCDEFGH12345. \t\x7f\xe5";
  std::string expected;
  int skipped = 0, cut = 0;
  for (int i = 0; i < 400; i++) {
    std::string id = std::to_string(i);
    for (int n = (int)(rng() % 24); n > 0; n--) id += kBytes[rng() % (sizeof kBytes - 1)];
    double x = value(), y = value(), z = value();
    bool boZ = rng() % 2;
    pNewPoint(id.c_str(), "", x, y, boZ ? &z : nullptr);
    // The number: after the last '.', trailing blanks cut, at most 10 kept.
    std::string no = id.substr(id.rfind('.') == std::string::npos ? 0 : id.rfind('.') + 1);
    no.erase(no.find_last_not_of(' ') + 1);
    char line[200], height[100] = "";
    if (boZ) snprintf(height, sizeof height, "  %8.3f", z);
    snprintf(line, sizeof line, "%11.10s  %11.3f  %11.3f%s", no.c_str(), x - 500000, y - 6600000, height);
    if (strlen(line) != 37u + (boZ ? 10 : 0)) {
      skipped++;
      continue;
    }
    cut += no.size() > 10;
    for (char* c = line; *c; c++)
      if ((unsigned char)*c < 0x20 || *c == 0x7f) *c = ' ';
    expected += std::string(line) + "\r\n";
  }
  ASSERT_GT(skipped, 0);
  ASSERT_GT(cut, 0);
  vUiExpectBox(IDOK, ("a value does not fit its column: " + std::to_string(skipped)).c_str());
  vUiExpectBox(IDOK, ("Point numbers cut to 10 characters: " + std::to_string(cut)).c_str());
  EXPECT_EQ(expected, sWritten(kKern, "random.raw"));
}

}  // namespace
