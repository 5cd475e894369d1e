// KOF files through the direct read and write exports: a hand-written file
// with every block, write-read round trips with offsets, and the code
// parameter file answered through the file dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "fb_dump.h"
#include "kv2cosys.h"
#include "kv2cosys_setup.h"
#include "testing/shell_driver.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/kof/";

using Strings = std::vector<std::string>;

class Kof : public InstrumentFiles {};

// The lines of a test file, without their ends.
Strings Lines(const std::string& text) {
  Strings out;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    out.push_back(text.substr(at, end - at));
  return out;
}

TEST_F(Kof, EveryBlockOfAHandWrittenFile) {
  vUiExpectBox(IDOK, "KOF block 44 doesn't contain correlation data");  // once, at block 51
  ASSERT_TRUE(boRead(0, kData + "every.kof"));
  Strings points = DumpPoints();
  ASSERT_EQ(12u, points.size());
  EXPECT_EQ("P1 KUM 500200.456 6600100.123 12.345", points[0]);  // names upper-cased
  EXPECT_EQ("P2 VEG 500210.000 6600110.000 -", points[1]);       // no height: Z unset, not 0
  EXPECT_EQ(':', points[2][0]);                                  // no name: a generated one
  EXPECT_EQ(" X 500220.000 6600120.000 1.000", points[2].substr(points[2].find(' ')));
  EXPECT_EQ("ROVER1  - - -", points[9]);
  EXPECT_EQ("CP1 GPS 500500.000 6600500.000* 100.000*", points[10]);  // coordinate observations: precalculated
  EXPECT_EQ("P9 KUM 500600.000 6600600.000* 20.000*", points[11]);
  // The object ID from column 19 (this module's writer) or 20 (others).
  EXPECT_EQ((Strings{"L17|VEG|: A B~25.0 C", "BYGG7|HUS|P: D E F"}), DumpLines());
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.550 5=760 6=20", "  OBS 1=P1 2=KUM 3=0.00000000 4=1.56294235 5=50.12300 6=1.70000",
                     "  OBS 1=P2 2= 3=4.71238898 4=1.57079633"}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ((Strings{"ST 1=BASE 4=1.500",
                     "  OBS 1=ROVER1 6=1.80000 100=1234.567000 101=-234.567000 102=12.345000 103=0.001000 "
                     "104=0.002000 105=0.003000 120=1.000000 121=0.100000 122=0.200000 123=1.000000 124=0.300000 "
                     "125=1.000000"}),
            DumpStations(4, {1, 4}, {1, 6, 100, 101, 102, 103, 104, 105, 120, 121, 122, 123, 124, 125}));
  // 44 -> 46 -> 47: the height with the antenna height added once; 51
  // marks its block and gets the identity for correlations it lacks.
  EXPECT_EQ((Strings{"ST 1=CP1",
                     "  OBS 2=GPS 103=0.010000 105=0.030000 121=0.000000 126=0 130=500500.000000 131=6600500.000000 "
                     "132=102.000000 133=2.00000 134=2023.11.03_12:30:45 135=12 136=8 137=1.500000",
                     "ST 1=P9",
                     "  OBS 2=KUM 103=0.005000 105=0.008000 121=0.000000 126=1 130=500600.000000 131=6600600.000000 "
                     "132=20.000000 134= 135=0 136=0 137=0.000000"}),
            DumpStations(5, {1}, {2, 103, 105, 121, 126, 130, 131, 132, 133, 134, 135, 136, 137}));
  EXPECT_EQ("VEGPROSJEKT", sProjectAttr("PROJECTDESCR"));
  EXPECT_EQ("2024.02.01", sProjectAttr("DATE"));
  EXPECT_EQ("OLA NORD", sProjectAttr("SIGN"));
  // Lines without a meaning here go to the report; inactive lines nowhere.
  EXPECT_EQ(ReadFile(kData + "every.kof").substr(0, 66) +
                "PROJECT : VEGPROSJEKT\r\nDATE : 01.02.2024\r\nOPERATOR : OLA NORD\r\n 09 33\r\n 77 LOOSE BLOCK\r\n",
            sSide("every"));
}

TEST_F(Kof, EarthCentredPointsGoThroughTheGeoidModel) {
  // Without a reference system the points are dropped, with one warning.
  vUiExpectBox(IDOK, "not able to convert given earthcentric coordinates");
  ASSERT_TRUE(boRead(98, kData + "ecef.kof"));
  for (const std::string& p : DumpPoints()) EXPECT_EQ(std::string::npos, p.find('E')) << p;

  uint64_t cs = uUtm32System();
  vCoSysSetupAddRefSys(7, "EUREF89", "NN2000", "G40", cs);
  vCoSysSetupAddGeoideConst("G40", 40.0);
  host_.uCoSys = cs;
  FB(vKvxMboInitCoSysVer)(CoSysSetupCreateVer("NN2000", "NN2000"));
  ASSERT_TRUE(boRead(98, kData + "ecef.kof"));
  double east, north;
  ASSERT_TRUE(boCoSysFromDecimalLatitudeLongitude(cs, 60, 10, &east, &north));
  Strings points = DumpPoints();
  ASSERT_EQ(3u, points.size());
  // Ellipsoidal 141.5, less the geoid's 40 and the antenna's 1.5.
  EXPECT_EQ("E1 GPS " + sNum(east) + " " + sNum(north) + " 100.000", points[0]);
  EXPECT_EQ("E2 ", points[1].substr(0, 3));
  EXPECT_EQ((Strings{"ST 1=E2",
                     "  OBS 1=R1 6=1.20000 100=10.000000 101=-20.000000 102=5.000000 103=0.010000 "
                     "104=0.020000 105=0.030000"}),
            DumpStations(4, {1, 4}, {1, 6, 100, 101, 102, 103, 104, 105}));
  vCoSysSetupReset();
}

TEST_F(Kof, Block01StatesTheCoordinateOrder) {
  ASSERT_TRUE(boRead(98, kData + "eastfirst.kof"));
  EXPECT_EQ((Strings{"PE1 KUM 594137.802 6589107.923 12.345", "PE2  594140.000 6589110.500* -"}), DumpPoints());
  // The coordinate observation takes the point's values the same way round.
  EXPECT_EQ((Strings{"ST 1=PE2", "  OBS 130=594140.000000 131=6589110.500000 132=0.000000"}),
            DumpStations(5, {1}, {130, 131, 132}));
}

TEST_F(Kof, ATabInsideTheColumnsSkipsTheBlockAndWhatBelongsToIt) {
  ASSERT_TRUE(boRead(98, kData + "tab.kof"));
  // B2 is lost with its accuracy block; a TAB after the last column read
  // does no harm.
  EXPECT_EQ((Strings{"T1 KUM 500200.000 6600100.000 10.000", "T3 VEG 500220.000 6600120.000 11.000",
                     "T4  500230.000 6600130.000 -", "T5  500240.000 6600140.000 -"}),
            DumpPoints());
  EXPECT_EQ((Strings{"L1|VEG|: T4 T5"}), DumpLines());
  EXPECT_TRUE(DumpStations(1, {1}, {1}).empty());
  EXPECT_TRUE(DumpStations(5, {1}, {1}).empty());
  // The report holds them as written lines hold any control byte: a blank.
  Strings lines = Lines(ReadFile(kData + "tab.kof"));
  for (std::string& l : lines) std::replace(l.begin(), l.end(), '\t', ' ');
  EXPECT_EQ(lines[1] + "\r\n" + lines[2] + "\r\n" + lines[4] + "\r\n", sSide("tab"));
}

// A line with a NUL among its characters is reported and skipped as a TAB
// line is, its point's blocks with it; one whose block number the NUL cuts
// is taken for a point's. NULs at a line's end are dropped.
TEST_F(Kof, ALineWithANulByteIsSkippedWithItsPointsBlocks) {
  ASSERT_TRUE(boRead(98, kData + "nul_blocks.kof"));
  EXPECT_EQ((Strings{"T1 KUM 500200.000 6600100.000 10.000", "T3 VEG 500220.000 6600120.000 11.000",
                     "T5  500240.000 6600140.000 -"}),
            DumpPoints());
  Strings lines = Lines(ReadFile(kData + "nul_blocks.kof"));
  EXPECT_EQ("LINE WITH NUL BYTE : 2\r\n" + lines[1].substr(0, lines[1].find('\0')) + "\r\n" + lines[2] +
                "\r\nLINE WITH NUL BYTE : 5\r\n 0\r\n" + lines[5] + "\r\nNUL BYTES DROPPED : 7\r\n",
            sSide("nul_blocks"));
}

// The same blocks with the block number in columns 2-3 (the writer's),
// 1-2 and 4-5: every field, the header's coordinate order included, is
// counted from the block number.
TEST_F(Kof, ColumnsCountFromTheBlockNumber) {
  std::vector<std::vector<Strings>> books;
  for (const char* name : {"column2", "column1", "column4"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(boRead(98, kData + name + ".kof"));
    books.push_back({DumpPoints(),
                     DumpLines(),
                     DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6}),
                     DumpStations(4, {1, 4}, {1, 6, 100, 101, 102, 103, 104, 105, 120, 121, 122, 123, 124, 125}),
                     DumpStations(5, {1}, {2, 103, 105, 121, 126, 130, 131, 132, 133, 134, 135, 136, 137}),
                     {sProjectAttr("PROJECTDESCR"), sProjectAttr("DATE"), sProjectAttr("SIGN")}});
    EXPECT_EQ(
        Lines(ReadFile(kData + name + ".kof"))[0] + "\r\nPROJECT : SKIFT\r\nDATE : 05.03.2025\r\nOPERATOR : KARI\r\n",
        sSide(name));
  }
  EXPECT_EQ(
      (Strings{"S1 KUM 594137.802 6589107.923 12.345", "4001 7501 594140.000 6589110.500 -",
               "A  594200.000 6589200.000 2.000", "B  594210.000 6589210.000 2.500", "C  594220.000 6589200.000 3.000",
               "ROVER1  - - -", "CP1 GPS 594500.000 6589500.000* 100.000*", "P9 KUM 594600.000 6589600.000* 20.000*"}),
      books[0][0]);
  EXPECT_EQ((Strings{"L17|VEG|: A B~25.0 C"}), books[0][1]);
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.550 5=760 6=20", "  OBS 1=S1 2=KUM 3=0.00000000 4=1.56294235 5=50.12300 6=1.70000"}),
            books[0][2]);
  ASSERT_EQ(2u, books[0][3].size());
  EXPECT_EQ("ST 1=BASE 4=1.500", books[0][3][0]);
  ASSERT_EQ(4u, books[0][4].size());  // the coordinate observations of CP1 and P9
  EXPECT_EQ("ST 1=P9", books[0][4][2]);
  EXPECT_EQ((Strings{"SKIFT", "2025.03.05", "KARI"}), books[0][5]);
  EXPECT_EQ(books[0], books[1]);
  EXPECT_EQ(books[0], books[2]);
}

// A row whose numbers stand over their fields' edges is reported and
// skipped with the blocks of its point; the rows around it are read.
TEST_F(Kof, ARowThatSplitsANumberIsSkippedWithItsPoint) {
  ASSERT_TRUE(boRead(98, kData + "split.kof"));
  EXPECT_EQ((Strings{"98284 8245 314030.000 6540270.000 7.600", "98286 8245 314040.000 6540280.000* 7.700*",
                     "98287 8245 314050.000 6540290.000 7.800"}),
            DumpPoints());
  EXPECT_EQ((Strings{"L3|VEG|: 98286 98287"}), DumpLines());
  EXPECT_EQ((Strings{"ST 1=98286", "  OBS 130=314040.000000"}), DumpStations(5, {1}, {130}));
  Strings lines = Lines(ReadFile(kData + "split.kof"));
  EXPECT_EQ("COLUMNS DO NOT FIT : 2\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n" + lines[3] + "\r\n", sSide("split"));
}

// Each edge between a point block's numeric fields: a number that runs over
// it (no blank on either side) skips the row; a TAB or the line's end is a
// blank, and a lone character between fields splits nothing.
TEST_F(Kof, EachNumericEdgeOfAPointBlock) {
  const struct {
    const char* row;
    const char* point;  // "" when the row is skipped
  } cases[] = {
      {" 05 E1         KUMMMMMMM16600100.000  500200.000   10.000", ""},   // 24|25
      {" 05 E1         KUM        6600100.000 500200.000   10.000", ""},   // 36|37
      {" 05 E1         KUM       660010.000 5500200.000    10.000", ""},   // 37|38
      {" 05 E1         KUM       6600100.000  1500200.000-100.000", ""},   // 49|50
      {" 50 E1         KUM       6600100.000  500200.000    10.000", ""},  // 57|58
      {"05 E1         KUM       6600100.000  500200.000    10.000", ""},   // 57|58 counted from column 1
      {" 05 E1         KUM       6600100.000  500200.000   10.000\tnote", "E1 KUM 500200.000 6600100.000 10.000"},
      {" 05 E1         KUM       6600100.000  500200.000 -100.000 note", "E1 KUM 500200.000 6600100.000 -100.000"},
      {" 05 E1         KUM          100.000 x    200.000", "E1 KUM 200.000 100.000 -"},
      {" 05 E1         KUM       6600100.000", "E1 KUM - - -"},
      {"05 E1         KUM       6600100.000  500200.000   10.000", "E1 KUM 500200.000 6600100.000 10.000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    Put("edge.kof", std::string(c.row) + "\r\n 05 E2                   6600200.000  500300.000\r\n");
    ASSERT_TRUE(boRead(98, m_dir + "/edge.kof"));
    Strings points = DumpPoints();
    ASSERT_FALSE(points.empty());
    EXPECT_EQ("E2  500300.000 6600200.000 -", points.back());
    EXPECT_EQ(c.point, points.size() == 2 ? points[0] : "");
    std::string report = "COLUMNS DO NOT FIT : 1\r\n" + std::string(c.row) + "\r\n";
    std::replace(report.begin(), report.end(), '\t', ' ');
    EXPECT_EQ(c.point[0] ? "" : report, sSide("edge"));
  }
}

TEST_F(Kof, AFailedEarthCentredPointTakesItsBlocksAlong) {
  vUiExpectBox(IDOK, "not able to convert given earthcentric coordinates");
  ASSERT_TRUE(boRead(98, kData + "ecef_lost.kof"));
  // Nothing of ec1 lands on B5; lines and the next point read as usual.
  EXPECT_EQ((Strings{"B5 KUM 500200.000 6600100.000 10.000", "B6 GPS 500300.000 6600200.000* 20.000*",
                     "B7 VEG 500310.000 6600210.000 21.000"}),
            DumpPoints());
  EXPECT_EQ((Strings{"L2|VEG|: B6 B7"}), DumpLines());
  EXPECT_TRUE(DumpStations(4, {1}, {1}).empty());
  EXPECT_EQ((Strings{"ST 1=B6", "  OBS 130=500300.000000 131=6600200.000000 132=20.000000"}),
            DumpStations(5, {1}, {130, 131, 132}));
  Strings lines = Lines(ReadFile(kData + "ecef_lost.kof"));
  EXPECT_EQ(lines[1] + "\r\n" + lines[2] + "\r\n" + lines[3] + "\r\n" + lines[4] + "\r\n" + lines[5] + "\r\n",
            sSide("ecef_lost"));
}

TEST_F(Kof, ALineTooLongIsCutAndReported) {
  ASSERT_TRUE(boRead(98, kData + "longline.kof"));
  EXPECT_EQ((Strings{"L1 KUM 500200.000 6600100.000 10.000", "L2 KUM 500210.000 6600110.000 11.000",
                     "L3 KUM 500220.000 6600120.000 12.000"}),
            DumpPoints());
  EXPECT_EQ("LINE TOO LONG, CUT : 2\r\n", sSide("longline"));
}

TEST_F(Kof, AnEmptyFileGivesAnEmptyFieldBook) {
  FB(KvxMboNewPoint)("OLD");
  Put("empty.kof", "");
  EXPECT_TRUE(boRead(98, m_dir + "/empty.kof"));
  EXPECT_TRUE(DumpPoints().empty());
  EXPECT_TRUE(UiBoxLog().empty());
}

// A field book with everything KOF carries.
class KofRoundTrip : public Kof {
 protected:
  LiLine* pLine(const char* id, const char* code, std::initializer_list<GeoPnt3> vertices) {
    LiLine* l = FB(KvxMboNewLine)(id);
    vLiLineSetField(l, code);
    for (const GeoPnt3& v : vertices) {
      LiElm* e = FB(KvxMboAddLineElm)(l, "");
      FB(vMboSetElmXY)(l, e, v.x, v.y);
      FB(vMboSetElmZ)(l, e, v.z);
    }
    return l;
  }
  void vObs(void* st, const char* target, const char* code, double hzGon, double vGon, const char* dist,
            const char* th) {
    void* o = FB(pMboAddObs)(1, st);
    char buf[64];
    FB(boMboSetObsAttr)(1, st, o, 1, target);
    FB(boMboSetObsAttr)(1, st, o, 2, code);
    iNumPrintC(buf, sizeof buf, "%.10f", dCoSysHorDir2Math(0, hzGon));
    FB(boMboSetObsAttr)(1, st, o, 3, buf);
    iNumPrintC(buf, sizeof buf, "%.10f", dCoSysVerDir2Math(0, vGon));
    FB(boMboSetObsAttr)(1, st, o, 4, buf);
    FB(boMboSetObsAttr)(1, st, o, 5, dist);
    FB(boMboSetObsAttr)(1, st, o, 6, th);
  }
};

TEST_F(KofRoundTrip, PointsLinesAndObservationsReadBackWithTheOffsets) {
  vOptions(98, "EO:6600000 NO:500000");
  double z1 = 12.5, z2 = -3.25;
  pNewPoint("101", "KUM", 500010.5, 6600020.25, &z1);
  pNewPoint("102", "LONGCODE99", 500030, 6600040, nullptr);  // code cut to 8
  pNewPoint("A", "VEG", 500100, 6600100, &z2);
  pNewPoint("B", "VEG", 500110, 6600100, &z2);
  pNewPoint("C", "VEG", 500120, 6600110, &z2);
  // A line over A, B (within 0.02) and a free vertex; a two-point arc on B.
  LiLine* road = pLine("R1", "VEG", {{500100.01, 6600100, -3.25}, {500110, 6600100.01, -3.25}, {500130, 6600100, 7}});
  boLiElmSet2pArc(road, LiElmGetNext(road, LiElmGetFirst(road)), 30.0, 0);
  LiLine* house = pLine("H7", "HUS", {{500200, 6600200, 0}, {500210, 6600200, 0}, {500210, 6600210, 0}});
  vLiLineSetAsPolygon(house, 1);
  void* st = FB(pMboAddSt)(1);
  FB(boMboSetStAttr)(1, st, 1, "101");
  FB(boMboSetStAttr)(1, st, 4, "1.55");
  FB(boMboSetStAttr)(1, st, 5, "760.7");
  FB(boMboSetStAttr)(1, st, 6, "-4");
  vObs(st, "102", "KUM", 123.4567, 98.7654, "45.678", "1.7");
  vObs(st, "A", "", 399.9999, 101.0001, "", "");

  std::string path = m_dir + "/out.kof";
  vUiExpectBox(IDYES, "Skriv linjer til KOF?");
  vUiExpectBox(IDYES, "Ta med observasjoner ogs\xE5?");
  ASSERT_TRUE(boWrite(98, path));
  std::string text = ReadFile(path);
  // North and east less EO and NO, whatever the field book's axes.
  EXPECT_NE(std::string::npos, text.find(" 05 101        KUM            20.250      10.500   12.500\r\n")) << text;
  EXPECT_NE(std::string::npos, text.find(" 09 91        VEG R1\r\n")) << text;

  ASSERT_TRUE(boRead(98, path));
  // Vertices on no point come back as points of generated names (a vertex
  // height of 0 is not written); the polygon's repeated first vertex is one
  // more of them.
  std::vector<std::string> names;
  Strings points = DumpPoints();
  for (std::string& p : points) {
    names.push_back(p.substr(0, p.find(' ')));
    if (p[0] == ':') p = p.substr(p.find(' '));
  }
  EXPECT_EQ(
      (Strings{"A VEG 500100.000 6600100.000 -3.250", "B VEG 500110.000 6600100.000 -3.250",
               "  500130.000 6600100.000 7.000", "  500200.000 6600200.000 -", "  500210.000 6600200.000 -",
               "  500210.000 6600210.000 -", "  500200.000 6600200.000 -", "101 KUM 500010.500 6600020.250 12.500",
               "102 LONGCODE 500030.000 6600040.000 -", "C VEG 500120.000 6600110.000 -3.250"}),
      points);
  EXPECT_EQ((Strings{"R1|VEG|: A B~30.0 " + names[2],
                     "H7|HUS|P: " + names[3] + " " + names[4] + " " + names[5] + " " + names[6]}),
            DumpLines());
  EXPECT_EQ((Strings{"ST 1=101 4=1.5500 5=760 6=-4",
                     "  OBS 1=102 2=KUM 3=" + sNum(dCoSysHorDir2Math(0, 123.4567), 8) +
                         " 4=" + sNum(dCoSysVerDir2Math(0, 98.7654), 8) + " 5=45.67800 6=1.70000",
                     "  OBS 1=A 2= 3=" + sNum(dCoSysHorDir2Math(0, 399.9999), 8) +
                         " 4=" + sNum(dCoSysVerDir2Math(0, 101.0001), 8)}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6}));
}

TEST_F(KofRoundTrip, ALineReadFromCodesIsWrittenAtItsPoints) {
  vOptions(98, "EO:6600000 NO:500000");
  ASSERT_TRUE(boRead(98, kData + "codedline.kof"));
  std::string path = m_dir + "/coded.kof";
  vUiExpectBox(IDYES, "Skriv linjer til KOF?");
  ASSERT_TRUE(boWrite(98, path));
  std::string text = ReadFile(path);
  EXPECT_NE(std::string::npos, text.find(" 05 K1         KANT          100.000     200.000    1.000\r\n")) << text;
  ASSERT_TRUE(boRead(98, path));
  // Every vertex at its point, each point once: none made at the origin.
  EXPECT_EQ((Strings{"K1 KANT 500200.000 6600100.000 1.000", "K2 KANT 500210.000 6600110.000 2.000",
                     "K3 KANT 500220.000 6600100.000 -", "K4 KUM 500250.000 6600150.000 4.000"}),
            DumpPoints());
  EXPECT_EQ((Strings{"L5|KANT|: K1 K2 K3"}), DumpLines());
}

// A vertex with no place of its own or from its point is left out by every
// writer of lines, and a line that keeps one vertex goes whole, with one
// warning per write.
TEST_F(KofRoundTrip, WritersLeaveOutAVertexWithoutAPosition) {
  pNewPoint("A", "", 500000, 6600000);
  FB(KvxMboNewPoint)("B");  // known only by name
  pNewPoint("C", "", 500010, 6600000);
  LiLine* l1 = FB(KvxMboNewLine)("L1");
  for (const char* pid : {"A", "B", "C"}) FB(KvxMboAddLineElm)(l1, pid);
  LiLine* l2 = FB(KvxMboNewLine)("L2");
  for (const char* pid : {"B", "C"}) FB(KvxMboAddLineElm)(l2, pid);
  const struct {
    int instrument;
    Strings present, absent;
  } cases[] = {
      {98,
       {" 09 91            L1\r\n 05 A                    6600000.000  500000.000\r\n"
        " 05 C                    6600000.000  500010.000\r\n 09 99\r\n"},
       {"L2", " 05 B", "0.000 \r\n"}},
      {25, {"<Start pntRef=\"A\">", "<End pntRef=\"C\">", "name=\"L1\""}, {"\"B\"", "L2"}},
      {30, {"<Name>L1-1</Name>", "<Name>L1-3</Name>", "<Code> 91</Code>", "<Code> 99</Code>"}, {"L1-2", "L2-"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.instrument);
    std::string path = m_dir + "/out" + std::to_string(c.instrument);
    if (c.instrument == 98) vUiExpectBox(IDYES, "Skriv linjer til KOF?");
    vUiExpectBox(IDOK, "want of a position: 0 points, 2 line vertices, and 1 lines left with fewer than two vertices.");
    ASSERT_TRUE(boWrite(c.instrument, path));
    std::string text = ReadFile(path);
    for (const std::string& s : c.present) EXPECT_NE(std::string::npos, text.find(s)) << s << "\n" << text;
    for (const std::string& s : c.absent) EXPECT_EQ(std::string::npos, text.find(s)) << s << "\n" << text;
  }
}

TEST_F(KofRoundTrip, AValueTooWideForItsColumnLosesDecimalsNotItsNeighbours) {
  double z = 12345.678;
  pNewPoint("W1", "", -1234567.891, 100, &z);
  pNewPoint("W2", "", -7654321.123, 200, &z);
  std::string path = m_dir + "/wide.kof";
  vUiExpectBox(IDOK, "too wide for its KOF column");  // once per write
  ASSERT_TRUE(boWrite(98, path));
  ASSERT_TRUE(boRead(98, path));
  EXPECT_EQ((Strings{"W1  -1234567.890 100.000 12345.680", "W2  -7654321.120 200.000 12345.680"}), DumpPoints());
}

// A value wider than its column even without decimals would shift the
// columns after it or be cut to another number: the point (a vertex too) is
// left out, a station or observation value written empty, and both are
// named in one warning. Values not finite are left out without a word.
TEST_F(KofRoundTrip, AValueThatDoesNotFitItsColumnEvenWithoutDecimalsIsLeftOut) {
  double z = 1, high = 123456789.5;
  pNewPoint("OK1", "", 500, 6000, &z);
  pNewPoint("NORTH", "", 4, 12345678901234.5, &z);
  pNewPoint("EAST", "", -12345678901.0, 6000, &z);
  pNewPoint("HIGH", "", 510, 6010, &high);
  pNewPoint("OK2", "", 520, 6020, nullptr);
  LiLine* l = pLine("L1", "K", {{500, 6000, 1}, {1e13, 6000, 0}, {530, 6030, 0}});
  vLiLineSetAsPolygon(l, 1);
  ASSERT_TRUE(boLiElmSet2pArc(l, LiElmGetFirst(l), INFINITY, 0));  // no " 08 141" radius
  void* st = FB(pMboAddSt)(1);
  FB(boMboSetStAttr)(1, st, 1, "ST1");
  FB(boMboSetStAttr)(1, st, 4, "1234567.5");  // instrument height: 6 columns
  FB(boMboSetStAttr)(1, st, 5, "1013");
  FB(boMboSetStAttr)(1, st, 6, "1e999");  // infinite: no longer -2147483
  vObs(st, "T1", "C", 100, 100, "1e20", "1000000000");
  vObs(st, "T2", "", 200, 100, "1e999", "1.5");
  vObs(st, "T3", "", 300, 100, "12345.678", "-12.5");
  std::string path = m_dir + "/toowide.kof";
  vUiExpectBox(IDYES, "Skriv linjer til KOF?");
  vUiExpectBox(IDYES, "Ta med observasjoner ogs\xE5?");
  vUiExpectBox(IDOK, "Points not written, a value does not fit its column: 6\nL1 NORTH EAST HIGH ST1 T1");
  ASSERT_TRUE(boWrite(98, path));
  std::string text = ReadFile(path);
  EXPECT_EQ(std::string::npos, text.find("inf")) << text;
  EXPECT_NE(std::string::npos, text.find(" 09 91          K L1\r\n"
                                         " 05 OK1                     6000.000     500.000    1.000\r\n"
                                         " 05                         6030.000     530.000\r\n"
                                         " 05 OK1                     6000.000     500.000    1.000\r\n"
                                         " 09 96\r\n"))
      << text;
  EXPECT_NE(std::string::npos, text.find(" 02 ST1                        0     1013                \r\n")) << text;
  EXPECT_NE(std::string::npos, text.find(" 03 T1         C        100.0000 100.0000                \r\n")) << text;
  EXPECT_NE(std::string::npos, text.find(" 03 T2                  200.0000 100.0000           1.500\r\n")) << text;
  EXPECT_NE(std::string::npos, text.find(" 03 T3                  300.0000 100.0000 12345.67 -12.50\r\n")) << text;
  ASSERT_TRUE(boRead(98, path));
  Strings points = DumpPoints();
  for (std::string& p : points)
    if (p[0] == ':') p = p.substr(p.find(' '));
  EXPECT_EQ((Strings{"OK1  500.000 6000.000 1.000", "  530.000 6030.000 -", "OK2  520.000 6020.000 -", "T1  - - -",
                     "T2  - - -", "T3  - - -"}),
            points);
}

// A closed line whose first vertex has no position starts at its second:
// that vertex, the first written, is the one repeated to close it.
TEST_F(KofRoundTrip, AClosedLineRepeatsTheFirstVertexWritten) {
  FB(KvxMboNewPoint)("B");  // known only by name
  pNewPoint("A", "", 500000, 6600000);
  pNewPoint("C", "", 500010, 6600000);
  pNewPoint("D", "", 500010, 6600010);
  LiLine* l = FB(KvxMboNewLine)("P1");
  for (const char* pid : {"B", "A", "C", "D"}) FB(KvxMboAddLineElm)(l, pid);
  vLiLineSetAsPolygon(l, 1);
  std::string path = m_dir + "/closed.kof";
  vUiExpectBox(IDYES, "Skriv linjer til KOF?");
  vUiExpectBox(IDOK, "want of a position");
  ASSERT_TRUE(boWrite(98, path));
  EXPECT_NE(std::string::npos, ReadFile(path).find(" 09 91            P1\r\n"
                                                   " 05 A                    6600000.000  500000.000\r\n"
                                                   " 05 C                    6600000.000  500010.000\r\n"
                                                   " 05 D                    6600010.000  500010.000\r\n"
                                                   " 05 A                    6600000.000  500000.000\r\n"
                                                   " 09 96\r\n"))
      << ReadFile(path);
  ASSERT_TRUE(boRead(98, path));
  EXPECT_EQ((Strings{"||P: A C D"}), DumpLines());
}

// Point blocks are built without printf; every column stays as printf's
// " 05 %-10.10s %-8.8s %12.3f %11.3f %8.3f" gives it, names and codes of every
// length and values of every size and sign that fit their columns.
TEST_F(KofRoundTrip, PointBlocksMatchPrintfColumnForColumn) {
  std::mt19937_64 rng(20261207);
  auto value = [&](double range) {
    double v = std::uniform_real_distribution<double>(-range, range)(rng);
    switch (rng() % 4) {
      case 0:
        return std::round(v * 1000) / 1000 + 0.0005;  // a rounding tie in decimal
      case 1:
        return std::round(v);
      default:
        return v;
    }
  };
  auto text = [&](size_t maxLen) {
    std::string t(rng() % (maxLen + 1), 'x');
    for (char& c : t) c = "ABCZ019_-"[rng() % 9];
    return t;
  };
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    std::string name = text(13) + std::to_string(i), code = text(11);
    double x = value(999999), y = value(9999999), z = value(rng() % 2 ? 999 : 99);
    bool withZ = rng() % 3 != 0;
    pNewPoint(name.c_str(), code.c_str(), x, y, withZ ? &z : nullptr);
    char line[256];
    int n = snprintf(line, sizeof line, " 05 %-10.10s %-8.8s %12.3f %11.3f", name.c_str(), code.c_str(), y, x);
    if (withZ) snprintf(line + n, sizeof line - n, " %8.3f", z);
    expected += std::string(line) + "\r\n";
  }
  std::string path = m_dir + "/columns.kof";
  ASSERT_TRUE(boWrite(98, path));
  std::string written = ReadFile(path);
  EXPECT_NE(std::string::npos, written.find(expected)) << written.substr(0, 2000);
}

// The code parameter file: asked for at the first block 11 or 12 of a read.
class KofTelepar : public Kof {
 protected:
  void SetUp() override {
    Kof::SetUp();
    snprintf(host_.sTeleparDir, sizeof host_.sTeleparDir, "%s", m_dir.c_str());
  }
  void vExpectParameterFile(const std::string& path) {
    kvxtest::ExpectFileDialog([path](kvxtest::FileDlg& d) {
      EXPECT_EQ("Parameter fil", d.Title());
      if (path.empty())
        d.Cancel();
      else
        d.Choose(path);
    });
  }
  std::string sFields(const char* pid) {
    std::string s;
    for (const char* name : {"KOMMUNE", "Art", "Hoyde", "unknown"}) s += sPointField(pid, name) + "|";
    return s;
  }
};

TEST_F(KofTelepar, CodesBecomeAttributesAndLineCommands) {
  // Offered first in the host's folder for it (later the last one chosen).
  kvxtest::ExpectFileDialog([this](kvxtest::FileDlg& d) {
    EXPECT_EQ(m_dir, d.Folder());
    EXPECT_EQ("Telepar.ini", d.FileName());
    d.Choose(kData + "Telepar.ini");
  });
  ASSERT_TRUE(boRead(98, kData + "telepar.kof"));
  EXPECT_EQ((Strings{"1 KUM 500000.000 6600000.000 1.000", "2 KUM 500000.000 6600010.000 2.000",
                     "3 TRE 500000.000 6600020.000 3.000", "4  500000.000 6600030.000 4.000",
                     "TRA_5 TRE 500000.000 6600040.000 5.000", "7  500000.000 6600060.000 -",
                     "8  500010.000 6600070.000 -", "6  500000.000 6600050.000 -"}),
            DumpPoints());
  // +KU holds until the next code text with point codes; the global field
  // goes with the fields of a point (a point without any gets none); a code
  // no entry matches is "unknown".
  EXPECT_EQ("0301||||", sFields("1"));
  EXPECT_EQ("0301||||", sFields("2"));
  EXPECT_EQ("0301|B|H=12|ZZZ|", sFields("3"));
  EXPECT_EQ("||||", sFields("4"));
  // A point name that matches an entry: its attributes go to the point as
  // the record builder named it, not to a second point "TRA.5".
  EXPECT_EQ("0301|A|H=5||", sFields("TRA_5"));
  // The line entry: its code, and its attributes even when empty.
  EXPECT_EQ((Strings{"|VEG|: 6 7 8"}), DumpLines());
  LiLine* line = LiLinesGetFirst(FB(pKvxMboLiLinesGet)());
  ViFields* lf = FB(pKvxMboLFieldsGet)();
  EXPECT_STREQ("4.5", sViFieldsGetFieldByName(lf, line, "Bredde"));
  EXPECT_LE(0, iViFieldsFindField(lf, "Dekke"));
  EXPECT_EQ("Kommunal vei 7", sProjectAttr("PROJECTDESCR"));
  EXPECT_EQ("OSLO", sProjectAttr("INKAOMRSIGN"));
  EXPECT_EQ("KARI", sProjectAttr("SIGN"));
  EXPECT_EQ("2024.03.15", sProjectAttr("DATE"));
  EXPECT_EQ("32", sProjectAttr("INKASONE"));
  EXPECT_NE(std::string::npos, sProjectAttr("PROJECT").find("telepar.kof"));
}

TEST_F(KofTelepar, CancelOrAnEmptyFileAsksOncePerRead) {
  for (std::string answer : {std::string(), kData + "empty.ini"}) {
    vExpectParameterFile(answer);  // once, though two blocks ask
    ASSERT_TRUE(boRead(98, kData + "telepar.kof"));
    EXPECT_EQ(0, kvxtest::PendingShellDialogs());
    // Without a parameter file the code column is the code.
    EXPECT_EQ("1 IGNORED 500000.000 6600000.000 1.000", DumpPoints()[0]);
    EXPECT_EQ("||||", sFields("3"));
  }
}

}  // namespace
