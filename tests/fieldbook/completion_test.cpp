// Finishing an import: geoid heights with a constant and a gridded model,
// line vertices completed from the points they name (arc middles too,
// polygons not), and image files linked to objects.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "fieldbook/completion.h"
#include "fieldbook/imagelink.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kv2cosys_setup.h"
#include "testing/ui_driver.h"
#include "testing/tempdir.h"

namespace fs = std::filesystem;

namespace {

class Completion : public ::testing::Test {
 protected:
  void SetUp() override { vKvxMboInit(nullptr); }
  void TearDown() override {
    vKvxMboFinish();  // closes the geoid model
    vCoSysSetupReset();
  }
  // The transfer's geoid model, defined by id.
  static void UseGeoid(const char* id) {
    uint64_t g = CoSysGeoideCreate();
    vCoSysGeoideSetID(g, id);
    ASSERT_TRUE(CoSysGeoideRead(g));
    g_mboTransfer.uGeoid = g;
  }
  static PoPoint* Point(const char* id, double x, double y, const double* z = nullptr) {
    PoPoint* p = KvxMboNewPoint(id);
    vMboSetPointXY(p, x, y);
    if (z) vMboSetPointZ(p, *z);
    return p;
  }
  static LiLine* Line(LiLines* lines, std::vector<const char*> ids, bool coords) {
    LiLine* l = lines == g_pMboLines ? KvxMboNewLine("L") : KvxMboNewPolygon("Y");
    double v = 0;
    for (const char* id : ids) {
      LiElm* e = KvxMboAddLineElm(l, id);
      if (!coords) continue;
      vMboSetElmXY(l, e, 10 + v, 20 + v);
      vMboSetElmZ(l, e, 100 + v);
      v += 50;
    }
    return l;
  }
  // "x y z" per vertex, arc middles in place, "-" for a missing value.
  static std::vector<std::string> Vertices(LiLine* line) {
    std::vector<std::string> out;
    auto one = [&](LiElm* e) {
      double x, y, z;
      char buf[100];
      std::string s = boMboGetElmXY(line, e, &x, &y) ? (snprintf(buf, sizeof buf, "%g %g", x, y), buf) : "-";
      s += boMboGetElmZ(line, e, &z) ? (snprintf(buf, sizeof buf, " %g", z), buf) : " -";
      out.push_back(s);
    };
    for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
      one(e);
      if (LiElmGetType(line, e) == 2) one(LiElm3pMiddle(line, e));
    }
    return out;
  }
  static LiElm* LiElm3pMiddle(LiLine* line, LiElm* e) { return LiElmGet3pArcElm2(line, e); }
  static double Z(PoPoint* p) {
    double z = -1;
    boMboGetPointZ(p, &z);
    return z;
  }
  kvxtest::TempDir tmp_;
  fs::path dir_ = tmp_.Path();
};

TEST_F(Completion, ConstantGeoidConvertsPointsLineVerticesAndCoordinateObservations) {
  vCoSysSetupAddGeoideConst("G", 40.0);
  UseGeoid("G");
  double z = 100;
  PoPoint* a = Point("A", 1, 2, &z);
  vMboSetPointZprecalc(a, 1);
  PoPoint* b = Point("B", 3, 4);  // no Z: left alone
  LiLine* l1 = Line(g_pMboLines, {"1", "2", "3"}, true);
  LiLine* l2 = Line(g_pMboLines, {"4", "5", "6"}, true);
  YgPolygon* y = Line(g_pMboPolygons, {"7", "8"}, true);
  void* st = pMboAddSt(5);
  auto* obs = static_cast<MboObsCoord*>(pMboAddObs(5, st));
  obs->dZ = 55.5;

  vUiExpectBox(IDOK, "Converting heights using geoidal model");
  vMboConvertHeightsByGeoid();
  EXPECT_EQ(Z(a), 60.0);
  EXPECT_TRUE(boMboGetPointZprecalc(a));  // the point's flags stay
  EXPECT_FALSE(boMboGetPointZ(b, nullptr));
  EXPECT_EQ(Vertices(l1), (std::vector<std::string>{"10 20 60", "60 70 110", "110 120 160"}));
  EXPECT_EQ(Vertices(l2), (std::vector<std::string>{"10 20 60", "60 70 110", "110 120 160"}));
  EXPECT_EQ(Vertices(y), (std::vector<std::string>{"10 20 100", "60 70 150"}));
  EXPECT_DOUBLE_EQ(obs->dZ, 15.5);
}

TEST_F(Completion, GriddedGeoidFallsBackToItsDefaultWithOneMessage) {
  std::string grid = (dir_ / "geoid.txt").string();
  std::ofstream(grid) << "KVXGEOID 1\ncoords grid\norigin 0 0\nstep 100 100\nsize 2 2\ndefault 35\n30 32\n34 36\n";
  vCoSysSetupAddGeoideFile("GRID", grid.c_str());
  UseGeoid("GRID");
  double z = 0;
  PoPoint* outside = Point("OUT", 500, 500, &z);
  PoPoint* inside = Point("IN", 50, 50, &z);
  PoPoint* outside2 = Point("OUT2", -5, 0, &z);
  vUiExpectBox(IDOK, "Converting heights using default geoide: 35.000");
  vMboConvertHeightsByGeoid();
  EXPECT_EQ(Z(outside), -35.0);
  EXPECT_DOUBLE_EQ(Z(inside), -33.0);  // bilinear inside the cell
  EXPECT_EQ(Z(outside2), -35.0);       // silently
  EXPECT_EQ(UiBoxLog().size(), 1u);
}

TEST_F(Completion, VerticesTakeTheirPointsCoordinatesArcMiddlesIncluded) {
  double z = 3, zc = 9, zm = 12;
  Point("A", 1, 2, &z);
  Point("B", 4, 5);
  Point("C", 7, 8, &zc);
  Point("M", 10, 11, &zm);
  LiLine* l1 = Line(g_pMboLines, {"A", "B", "NONE", "C"}, false);
  LiElm* none = LiElmGetNext(l1, LiElmGetNext(l1, LiElmGetFirst(l1)));
  vMboSetElmXY(l1, none, 99, 98);
  LiLine* arc = Line(g_pMboLines, {"A", "M", "C", "B"}, false);
  ASSERT_TRUE(boLiElmSetType(arc, LiElmGetFirst(arc), 2));
  YgPolygon* y = Line(g_pMboPolygons, {"A", "C"}, false);
  vMboResolveElmCoords();
  EXPECT_EQ(Vertices(l1), (std::vector<std::string>{"1 2 3", "4 5 -", "99 98 -", "7 8 9"}));
  EXPECT_EQ(Vertices(arc), (std::vector<std::string>{"1 2 3", "10 11 12", "7 8 9", "4 5 -"}));
  EXPECT_EQ(Vertices(y), (std::vector<std::string>{"- -", "- -"}));
}

TEST_F(Completion, ImagesAreFoundBesideTheRawFileAndLinked) {
  fs::create_directories(dir_ / "Images");
  fs::create_directories(dir_ / "Sub");
  for (const char* f : {"Images/a.jpg", "b.jpg", "Sub/c.jpg", "Images/c.jpg"}) std::ofstream(dir_ / f) << "x";
  const std::string base = dir_.string();
  sStrCopyN(g_mboTransfer.sRawPath, (base + "/raw.xml").c_str(), MBO_PATH_SIZE);
  PoPoint* p = KvxMboNewPoint("P");
  ViFields* fields = pKvxMboPFieldsGet();
  vMboAttachImage("a.jpg", fields, p);
  vMboAttachImage("missing.jpg", fields, p);
  vMboAttachImage("b.jpg", fields, p);
  EXPECT_STREQ(sViFieldsGetFieldByName(fields, p, "S_HYPERLINK"),
               (base + "\\Images\\a.jpg;" + base + "\\b.jpg").c_str());

  char out[257];
  ASSERT_TRUE(boXmlFindImageFile("c.jpg", base.c_str(), "Sub", "Images", out, sizeof out));
  EXPECT_EQ(std::string(out), base + "\\Sub\\c.jpg");
  ASSERT_TRUE(boXmlFindImageFile("c.jpg", base.c_str(), "", "Images", out, sizeof out));
  EXPECT_EQ(std::string(out), base + "\\Images\\c.jpg");
  // A path that would not fit is not cut down to another file's.
  std::string longName(300, 'n');
  EXPECT_FALSE(boXmlFindImageFile(longName.c_str(), base.c_str(), nullptr, nullptr, out, sizeof out));
  EXPECT_FALSE(boXmlFindImageFile("b.jpg", base.c_str(), nullptr, nullptr, out, 5));
}

}  // namespace
