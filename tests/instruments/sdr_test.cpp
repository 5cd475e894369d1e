// SDR33 files through the direct read and write exports: a hand-written
// file with stations, observations, coordinates, codes and notes, write ->
// read round trips with both offsets, and lines too short, too long or
// with values that are not numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <random>

#include "fb_dump.h"
#include "fieldbook/transfer.h"
#include "instruments/sdr.h"
#include "kv2cosys.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/sdr/";

using Strings = std::vector<std::string>;

using Sdr = InstrumentFiles;

TEST_F(Sdr, AHandWrittenFileWithEveryRecordTheReaderTakes) {
  vOptions(63, "EO:100 NO:200");
  ASSERT_TRUE(boRead(63, kData + "survey.sdr"));
  // A short line has empty fields; "abc" is no north, so P4 has no XY.
  EXPECT_EQ((Strings{"ST1 STN 2200.000 1100.000 10.000", "BS1  - - -", "P1  - - -", "P2 KUM 2300.250 1200.500 12.000",
                     "P3  - - -", "P4 NOXY - - -", "P5  2500.000 1400.000 -"}),
            DumpPoints());
  // 13FC's code (15 characters kept) goes to the next record without a
  // code of its own; 09 F1 and F2 take distance, vertical and horizontal
  // from fields 3, 4 and 5, in degrees as the header's units say.
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.600 5=1013 6=20", "  OBS 1=BS1 2=BACKSIGHTFEATUR 3=" + sHz(0) + " 6=1.50000 9=0",
                     "  OBS 1=P1 2=TREE 3=" + sHz(133.33333) + " 4=" + sV(105.55556) + " 5=50.00000 6=1.50000 9=0",
                     "  OBS 1=P1 2=TREE 3=" + sHz(355.55556) + " 4=" + sV(338.88889) + " 5=50.00000 6=1.50000 9=0"}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7, 9}));
  // Whole records the reader does not take: a header, a 09 of another type
  // (its names stay pending), notes of number 0 or a number without a
  // meaning, code 14 and a 02 that is not TP.
  EXPECT_EQ(
      "00NMSDR33 V04-04.02    06-Dec-26 23:59 113111\r\n"
      "09XXST1             P9              1               2               3               ODD             \r\n"
      "13NM0 ZERO\r\n13NM5 FIVE SIX\r\n14XXwhat            \r\n"
      "02NMST2             1               2               3               \r\n",
      sSide("survey"));
}

// A file whose header names the older SDR2x layout: point numbers of 4
// characters, numbers of 10 and codes of 16, each from its own columns.
TEST_F(Sdr, TheOlderLayoutOfFourCharacterPointNumbers) {
  ASSERT_TRUE(boRead(63, kData + "sdr2x.sdr"));
  EXPECT_EQ((Strings{"1 STN 2000.000 1000.000 10.000", "2  - - -", "1001  - - -", "1002 KUM 2100.250 1100.500 12.000",
                     "1003  2200.000 1200.000 -"}),
            DumpPoints());
  EXPECT_EQ((Strings{"ST 1=1 4=1.600 5=1013 6=20", "  OBS 1=2 2=STN 3=" + sHz(0) + " 6=1.50000 9=0",
                     "  OBS 1=1001 2=TREE 3=" + sHz(120) + " 4=" + sV(95) + " 5=50.00000 6=1.50000 9=0",
                     "  OBS 1=1001 2=TREE 3=" + sHz(320) + " 4=" + sV(305) + " 5=50.00000 6=1.50000 9=0"}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7, 9}));
  EXPECT_EQ("00NMSDR20 V03-05    06-Dec-26 23:59 11\r\n", sSide("sdr2x"));
}

// The header's last six digits: angles in degrees or gon, lengths in metres
// or feet, coordinates north or east first; a header without them leaves
// every value as written, and digits without a meaning are reported. Each
// file holds the same station, backsight, observation and point.
TEST_F(Sdr, TheHeadersUnitsAndCoordinateOrder) {
  const struct {
    const char* file;
    bool degrees, feet, eastFirst;
    const char* reports;
    const char* extraPoint;  // after a later header
  } cases[] = {
      {"units_none.sdr", false, false, false, "", ""},
      {"units_degrees.sdr", true, false, false, "", ""},
      {"units_gon.sdr", false, false, false, "", ""},
      {"units_mils.sdr", false, false, false, "ANGLE UNIT NOT READ : 3\r\n", ""},
      {"units_feet.sdr", false, true, false, "", ""},
      {"units_distance0.sdr", false, false, false, "DISTANCE UNIT NOT READ : 0\r\n", ""},
      {"units_eastfirst.sdr", false, false, true, "", ""},
      {"units_order3.sdr", false, false, false, "COORDINATE ORDER NOT READ : 3\r\n", ""},
      {"units_sdr2x.sdr", true, true, true, "", ""},
      {"units_later.sdr", false, false, false, "", "P3 KUM 335.432 640.156 3.658"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(boRead(63, kData + c.file));
    // North 1000 and east 2000 as written; 1000 feet are 304.8 metres.
    Strings points{c.feet        ? "ST1 STN 609.600 304.800 3.048"
                   : c.eastFirst ? "ST1 STN 1000.000 2000.000 10.000"
                                 : "ST1 STN 2000.000 1000.000 10.000",
                   "BS1  - - -", "P1  - - -",
                   c.feet        ? "P2 KUM 640.156 335.432 3.658"
                   : c.eastFirst ? "P2 KUM 1100.500 2100.250 12.000"
                                 : "P2 KUM 2100.250 1100.500 12.000"};
    if (c.feet && c.eastFirst)
      points = {"ST1 STN 304.800 609.600 3.048", points[1], points[2], "P2 KUM 335.432 640.156 3.658"};
    if (c.extraPoint[0]) points.push_back(c.extraPoint);
    EXPECT_EQ(points, DumpPoints());
    std::string th = c.feet ? "0.45720" : "1.50000";
    EXPECT_EQ((Strings{std::string("ST 1=ST1 4=") + (c.feet ? "0.487680" : "1.600"),
                       "  OBS 1=BS1 2=STN 3=" + sHz(c.degrees ? 224.79828 : 202.31845) + " 6=" + th,
                       "  OBS 1=P1 2=TREE 3=" + sHz(c.degrees ? 133.33333 : 120) + " 4=" +
                           sV(c.degrees ? 106.11111 : 95.5) + " 5=" + (c.feet ? "15.24000" : "50.00000") + " 6=" + th}),
              DumpStations(1, {1, 4}, {1, 2, 3, 4, 5, 6}));
    // The header is reported, then what it cannot tell.
    std::string headers, file = ReadFile(kData + c.file);
    for (size_t at = 0, end; (end = file.find("\r\n", at)) != std::string::npos; at = end + 2)
      if (file.compare(at, 4, "00NM") == 0) headers += file.substr(at, end + 2 - at);
    EXPECT_EQ(headers + c.reports, sSide(std::string(c.file).substr(0, strlen(c.file) - 4).c_str()));
  }
}

// Degrees reach a user who works in degrees as written.
TEST_F(Sdr, DegreesForAUserOfDegrees) {
  vCoSysSetupSetAngleSystem(0, COSYS_ANG_DEG);
  bool read = boRead(63, kData + "units_degrees.sdr");
  Strings stations = DumpStations(1, {1}, {1, 3, 4});
  EXPECT_EQ((Strings{"ST 1=ST1", "  OBS 1=BS1 3=" + sHz(202.31845), "  OBS 1=P1 3=" + sHz(120) + " 4=" + sV(95.5)}),
            stations);
  vCoSysSetupSetAngleSystem(0, COSYS_ANG_GON);
  EXPECT_TRUE(read);
}

// A field that is not a number passes as written whatever the units, as
// it does without them; the numbers beside it are converted.
TEST_F(Sdr, FieldsThatAreNotNumbersPassWhateverTheUnits) {
  auto record = [](std::string head, std::initializer_list<const char*> fields) {
    for (const char* f : fields) head += (std::string(f) + std::string(16, ' ')).substr(0, 16);
    return head + "\r\n";
  };
  std::string records = record("02TP", {"ST1", "1000.000", "2000.000", "Z", "IH", "STN"}) + record("03NM", {"TH"}) +
                        record("07TP", {"ST1", "BS1", "", "AZ"}) +
                        record("09F1", {"ST1", "P1", "50.000", "ZA", "120.0000", "TREE"}) +
                        record("09F1", {"ST1", "P1", "SD", "95.5000", "HA", "TREE"}) +
                        record("08KI", {"P2", "n", "2100.250", "12.000", "KUM"});
  Strings books[2];
  for (int units : {0, 1}) {
    std::string header = std::string("00NMSDR33 V04-04.02     01-Jan-04 16:26") + (units ? " 122121" : "");
    ASSERT_TRUE(boRead(63, Put("text.sdr", header + "\r\n" + records)));
    books[units] = DumpPoints();
    for (const std::string& s : DumpStations(1, {1, 4}, {1, 2, 3, 4, 5, 6})) books[units].push_back(s);
  }
  EXPECT_EQ((Strings{"ST1 STN 2000.000 1000.000 -", "BS1  - - -", "P1  - - -", "P2 KUM - - 12.000", "ST 1=ST1 4=",
                     "  OBS 1=P1 2=TREE 3=" + sHz(120) + " 5=50.00000", "  OBS 1=P1 2=TREE 4=" + sV(95.5)}),
            books[0]);
  EXPECT_EQ((Strings{"ST1 STN 304.800 609.600 -", "BS1  - - -", "P1  - - -", "P2 KUM - - 3.658", "ST 1=ST1 4=",
                     "  OBS 1=P1 2=TREE 3=" + sHz(133.33333) + " 5=15.24000", "  OBS 1=P1 2=TREE 4=" + sV(106.11111)}),
            books[1]);
}

TEST_F(Sdr, WrittenPointsReadBackWithBothOffsets) {
  vOptions(63, "EO:6600000 NO:500000");
  double z1 = 12.345, z2 = -0.5;
  pNewPoint("1", "", 500200.25, 6600100.125);
  pNewPoint("JOB.A.P7", "KUM", 500123.456, 6600456.789, &z1);
  pNewPoint("NEG", "", 499987.654, 6599999.999, &z2);
  FB(KvxMboNewPoint)("NOXY");  // not written
  std::string path = m_dir + "/out.sdr";
  ASSERT_TRUE(boWrite(63, path));
  std::string pad(16, ' ');
  EXPECT_EQ("08KI1               100.125         200.250         " + pad + pad + "\r\n" +
                "08KIP7              456.789         123.456         12.345          " + pad + "\r\n" +
                "08KINEG             -0.001          -12.346         -0.500          " + pad + "\r\n",
            ReadFile(path));
  ASSERT_TRUE(boRead(63, path));
  EXPECT_EQ((Strings{"1  500200.250 6600100.125 -", "P7  500123.456 6600456.789 12.345",
                     "NEG  499987.654 6599999.999 -0.500"}),
            DumpPoints());
}

TEST_F(Sdr, ACoordinateWiderThanItsFieldSkipsThePointWithOneWarning) {
  double z = 1e15;
  pNewPoint("WIDE", "", 1e16, 5);
  pNewPoint("OK", "", 1, 2);
  pNewPoint("HIGH", "", 1, 2, &z);
  vUiExpectBox(IDOK, "Points not written, a value does not fit its column: 2\nWIDE HIGH");
  EXPECT_EQ("08KIOK              2.000           1.000           " + std::string(32, ' ') + "\r\n",
            sWritten(63, "wide.sdr"));
}

TEST_F(Sdr, ALineTooLongIsCutAndItsTailIsNoRecord) {
  std::string first = "08KIP1              10.000          20.000";
  first += std::string(399 - first.size(), ' ');
  Put("long.sdr", first + "08KIP2              30.000          40.000\r\n08KIP3              5.0             6.0\r\n");
  ASSERT_TRUE(boRead(63, m_dir + "/long.sdr"));
  EXPECT_EQ((Strings{"P1  20.000 10.000 -", "P3  6.000 5.000 -"}), DumpPoints());
  EXPECT_EQ("LINE TOO LONG, CUT : 1\r\n", sSide("long"));
}

// The SDR and REC 500 readers cut their fields into a buffer of their own:
// the same texts as the scratch cut, on lines of blanks and characters
// with every offset and width around the line's end.
TEST(SdrCut, GivesWhatTheScratchCutGives) {
  std::mt19937 rnd(32);
  for (int round = 0; round < 20000; round++) {
    std::string line;
    int len = (int)(rnd() % 90);
    for (int i = 0; i < len; i++) line += rnd() % 3 ? ' ' : (char)('!' + rnd() % 90);
    int offset = (int)(rnd() % 100), width = (int)(rnd() % 129);
    char buf[129];
    ASSERT_STREQ(sMboSubString(line.c_str(), offset, width), sSdrCut(line.c_str(), line.size(), offset, width, buf))
        << "'" << line << "' " << offset << " " << width;
  }
}

// The writers' fixed columns: "%<w>.<d>lf" texts come from the fixed
// printer and are padded without printf; every format gives printf's text
// and the same answer on whether it fits.
TEST(SdrFormatFixed, GivesPrintfsTextAndFit) {
  std::mt19937_64 rnd(33);
  const struct {
    const char* format;
    int width;
  } formats[] = {{"%1.3lf", 16},  {"%16.3lf", 16}, {"%11.3lf", 11}, {"%8.3lf", 8}, {"%12.3lf", 12},
                 {"%13.3lf", 13}, {"%9.3f", 9},    {"%.2f", 10},    {"%+8.3f", 8}, {"%8.3e", 12}};
  for (int round = 0; round < 40000; round++) {
    const auto& f = formats[rnd() % std::size(formats)];
    double v = std::ldexp(std::uniform_real_distribution<double>(-1, 1)(rnd), (int)(rnd() % 70) - 10);
    if (rnd() % 4 == 0) v = std::round(v * 1000) / 1000 + 0.0005;
    char expected[400], got[400];
    int n = snprintf(expected, sizeof expected, f.format, v);
    bool fits = n >= 0 && n <= f.width;
    ASSERT_EQ(fits, boSdrFormatFixed(got, f.width, f.format, v)) << f.format << " " << expected;
    if (fits) {
      ASSERT_STREQ(expected, got) << f.format;
    }
  }
}

}  // namespace
