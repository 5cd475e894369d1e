// REC 500 files through the direct read and write exports: a hand-written
// file with stations, observations, points, notes and operator lines, and
// the writer against golden records with long point numbers, long codes
// and values too wide for their columns.
#include <gtest/gtest.h>

#include "fb_dump.h"
#include "kv2cosys.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/rec500/";

using Strings = std::vector<std::string>;

class Rec500 : public InstrumentFiles {};

TEST_F(Rec500, AHandWrittenFile) {
  ASSERT_TRUE(boRead(22, kData + "survey.rec"));
  // Notes 67 and 68 name the job and the area; "Hz" observations take the
  // target height only when it is given; a "Y" record ending at its
  // identifier has empty fields.
  EXPECT_EQ((Strings{"JOBB.OMR.P1  - - -", "JOBB.OMR.P2  - - -", "JOBB.OMR.K1 KUM 2000.000 1000.000 10.000",
                     "JOBB.OMR.K2  - - -"}),
            DumpPoints());
  EXPECT_EQ((Strings{"ST 1=JOBB.OMR.ST1 4=1.600 5=1013 6=20",
                     "  OBS 1=JOBB.OMR.P1 2= 3=" + sHz(120) + " 4=" + sV(95) + " 5=50.00000 6=1.50000 9=0",
                     "  OBS 1=JOBB.OMR.P2 2= 3=" + sHz(130) + " 4=" + sV(96) + " 5=60.00000 6=1.50000 9=0"}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7, 9}));
  // An "OP" line not starting with 'A' is written twice; 'A' lines are
  // skipped unless "AV"; a note not taken and a short line are reported.
  std::string op = "  OP    OLA" + std::string(40, ' ') + "OP\r\n";
  EXPECT_EQ(op + op + "A       AVLINE" + std::string(37, ' ') + "AV\r\n        P=5 NOTHING" + std::string(32, ' ') +
                "NO\r\nshort\r\n",
            sSide("survey"));
}

// Recorders that right-align the identification in columns 9-27 (with a
// code in 28-32 of coordinate records); records without any name are reported.
TEST_F(Rec500, RightAlignedIdentifications) {
  ASSERT_TRUE(boRead(22, kData + "rightaligned.rec"));
  EXPECT_EQ((Strings{"508 0863 600000.250 6650000.125 12.500", "K1 KUM 2000.000 1000.000 10.000"}), DumpPoints());
  EXPECT_EQ((Strings{"ST 1=ST9 4=1.650", "  OBS 1=508 5=45.12300 6=1.30000"}), DumpStations(1, {1, 4}, {1, 5, 6}));
  std::string side = sSide("rightaligned");
  EXPECT_NE(std::string::npos, side.find("      6                             X        5.000 Y")) << side;
  EXPECT_NE(std::string::npos, side.find("      7                       1.300       45.123   Hz")) << side;
}

// The right-aligned layout is the one whose identification ends in column
// 27: one of 12 to 18 characters reaches into 9-16 and stays whole (point A
// keeps its place); a code alone at 19 is a record without a name.
TEST_F(Rec500, ARightAlignedIdentificationEndsInColumn27) {
  ASSERT_TRUE(boRead(22, kData + "layouts.rec"));
  EXPECT_EQ((Strings{"A KOD 2000.000 1000.000 10.000", "ABCDEFGHIJKL C1 2100.000 1100.000 11.000",
                     "BCDEFGHIJKL C2 2200.000 1200.000 12.000", "TARGET_POINT_18CHR  - - -"}),
            DumpPoints());
  EXPECT_EQ((Strings{"ST 1=STATION12345 4=1.600", "  OBS 1=TARGET_POINT_18CHR 5=45.12300 6=1.30000"}),
            DumpStations(1, {1, 4}, {1, 5, 6}));
  std::string side = sSide("layouts");
  EXPECT_NE(std::string::npos, side.find("     20           KUM               X")) << side;
  EXPECT_NE(std::string::npos, side.find("      7           KUM         1.300")) << side;
}

TEST_F(Rec500, WrittenRecordsKeepTheirColumns) {
  vOptions(22, "EO:6600000 NO:500000");
  double z = 12.345, wideZ = 100000;
  pNewPoint("1", "", 500200.25, 6600100.125);
  pNewPoint("2", "KUM", 500123.456, 6600456.789, &z);
  pNewPoint("12345678901234567890123456789", "CODE", 500000, 6600000);  // cut at column 33
  pNewPoint("4", "A_VERY_LONG_CODE_TEXT", 500000, 6600000);             // likewise
  pNewPoint("WIDEZ", "", 500000, 6600000, &wideZ);                      // skipped
  vUiExpectBox(IDOK, "Point numbers or codes cut at column 33");
  vUiExpectBox(IDOK, "Points not written, a value does not fit its column: 1\nWIDEZ");
  EXPECT_EQ(ReadFile(kData + "written.rec"), sWritten(22, "out.rec"));
  // Read back: names and codes of up to 8 characters survive; the long
  // number ran over the code.
  ASSERT_TRUE(boRead(22, tmp_.Path("out.rec")));
  EXPECT_EQ((Strings{"1  500200.250 6600100.125 0.000", "2 KUM 500123.456 6600456.789 12.345",
                     "12345678 12345678 500000.000 6600000.000 0.000", "4 A_VERY_L 500000.000 6600000.000 0.000"}),
            DumpPoints());
}

}  // namespace
