// The MAXML reader through the exported direct read, on hand-written jobs
// and on damaged ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../instruments/fb_dump.h"
#include "testing/ui_driver.h"

namespace {

using V = std::vector<std::string>;

class Maxml : public InstrumentFiles {
 protected:
  std::string sJob(const std::string& text) {
    Put("job.mxl", text);
    return m_dir + "/job.mxl";
  }
  // A line's vertices as (x,y[,z]), "(-)" without XY.
  static std::string sVertices(const std::string& id) {
    LiLines* lines = FB(pKvxMboLiLinesGet)();
    std::string s;
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
      if (id != FB(sMboGetLineObjID)(l)) continue;
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        double x, y, z;
        s += s.empty() ? "(" : " (";
        s += FB(boMboGetElmXY)(l, e, &x, &y) ? sNum(x, 0) + "," + sNum(y, 0) : "-";
        if (FB(boMboGetElmZ)(l, e, &z)) s += "," + sNum(z, 0);
        s += ")";
      }
    }
    return s;
  }
};

}  // namespace

TEST_F(Maxml, AJobReadsStationsShotsGpsPositionsDesignPointsAndLines) {
  std::filesystem::create_directory(m_dir + "/Images");
  Put("Images/d3.jpg", "jpg");
  std::string job = m_dir + "/job.mxl";
  std::filesystem::copy_file(KVX_TEST_DATA "/maxml/job.mxl", job);
  ASSERT_TRUE(boRead(74, job));
  // EARLY came before the codes; P1 takes the first point code of its
  // Codes (the line code is passed over) with its list value's key; the
  // unnamed point numbered 100 lost its east to a bad number; G1's GPS
  // position keeps its design point measured; LATE is only a line's.
  EXPECT_EQ(DumpPoints(),
            (V{"EARLY  2.000 1.000 -", "P1 TREE 200.000 100.000* 11.000*", "100 TREE 0.000 110.000* 6.000*",
               "101  220.000 120.000 -", "G1  2.000 1.000 3.000", "LATE TREE 230.000 130.000 -"}));
  EXPECT_EQ(sPointField("P1", "Species"), "Oak");
  EXPECT_EQ(sPointField("P1", "Size"), "3");
  EXPECT_EQ(sPointField("100", "Species"), "");  // one value for two descriptions
  EXPECT_EQ(sPointField("101", "S_HYPERLINK"), m_dir + "\\Images\\d3.jpg");
  // L1 names only points read after it: no vertex, but LATE's line code.
  // Vertices take only the coordinates their points have.
  EXPECT_EQ(DumpLines(), (V{"L1|FENCE|:", "A1|FENCE|P: - - -", "A2||: -"}));
  EXPECT_EQ(sVertices("A1"), "(200,100,11) (220,120) (230,130)");
  EXPECT_EQ(DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7}),
            // Directions and zenith angles (90 minus the elevation) in radians;
            // a missing, "-", "n/a" or "1e" angle is left out.
            (V{"ST 1=S1 4=1.550 5=760.00000 6=12.5",
               "  OBS 1=R1 2= 3=0.00000000 4=1.57079600 5=25.50000 6=1.60000 7=Mini (-30)",
               "  OBS 1=R2 2= 3=4.71238900 4=0.00000000 5=30.00000", "  OBS 1=BS 2= 3=1.57079600",
               "  OBS 1=T1 2=TREE 3=0.77667200 6=2.00000 7=Round", "  OBS 1=T2 2= 5=12.25000"}));
  // G2's INF, hexadecimal and NaN coordinates are none.
  EXPECT_EQ(
      DumpStations(5, {1}, {130, 131, 132, 134, 135, 136, 137, 103, 105}),
      (V{"ST 1=G1",
         "  OBS 130=500000.200000 131=6600000.100000 132=12.300000 134=2021.06.01_10:15:30 135=12 136=10 137=5.000000 "
         "103=0.020000 105=0.040000",
         "ST 1=G2",
         "  OBS 130=0.000000 131=0.000000 132=0.000000 134= 135=2 136=0 137=2.000000 103=0.000000 105=0.000000"}));
}

TEST_F(Maxml, EveryReadNumbersFromOneHundredAndDamagedFilesKeepTheFieldBook) {
  const std::string unnamed =
      "<MAXML><PlanEntities><DesignPoint><Station><Position><NEH><North>1</North><East>2</East></NEH></Position>"
      "</Station></DesignPoint><DesignPoint/></PlanEntities></MAXML>";
  for (int read = 0; read < 2; read++) {
    ASSERT_TRUE(boRead(74, sJob(unnamed)));
    EXPECT_EQ(DumpPoints(), (V{"100  2.000 1.000 -", "101  - - -"}));
  }
  for (const char* bad : {"not xml at all", "<MAXML><PlanEntities><DesignPoint>", "", "\xff\xfe<"}) {
    vUiExpectBox(IDOK, "job.mxl cannot be read.\nLine 1: ");
    EXPECT_FALSE(boRead(74, sJob(bad)));
    EXPECT_EQ(DumpPoints(), (V{"100  2.000 1.000 -", "101  - - -"})) << bad;
  }
  // A later read is numbered from 100 again after a damaged one.
  ASSERT_TRUE(boRead(74, sJob(unnamed)));
  EXPECT_EQ(DumpPoints().front(), "100  2.000 1.000 -");
}

TEST_F(Maxml, ALineFindsAPointWhoseNameWasCut) {
  const std::string name(150, 'N');
  ASSERT_TRUE(boRead(74, sJob("<MAXML><PlanEntities><DesignPoint id=\"a\"><Station><Name>" + name +
                              "</Name><Position><NEH><North>1</North><East>2</East></NEH></Position></Station>"
                              "</DesignPoint><Polyline><Name>L</Name><PointRef idRef=\"a\"/><PointRef idRef=\"\"/>"
                              "</Polyline></PlanEntities></MAXML>")));
  EXPECT_EQ(sVertices("L"), "(2,1)");
}
