// Values that are not there: heights a point or vertex does not have, and
// non-finite or malformed numbers, which count as absent. A field book
// written in every LandXML dialect and as JobXML reads back with the same
// heights missing and no "nan" or "inf" in the file; hand-written documents
// with INF, NaN, hexadecimal and overflowing numbers read them as absent.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../instruments/fb_dump.h"
#include "testing/ui_driver.h"
#include "xml/xmlutil.h"
#include "xml_test_util.h"

namespace {

using V = std::vector<std::string>;

class AbsentValues : public InstrumentFiles {
 protected:
  static LiElm* Vertex(LiLine* l, const char* pid, double x, double y, const double* z = nullptr) {
    LiElm* e = FB(KvxMboAddLineElm)(l, pid);
    FB(vMboSetElmXY)(l, e, x, y);
    if (z) FB(vMboSetElmZ)(l, e, *z);
    return e;
  }
  // Points with and without heights (one stored as NaN, one with an
  // infinite X), a 3-D line through them, a polygon without heights and a
  // net with a NaN height and an infinite X.
  static void vBook() {
    double z = 10, nan = NAN, inf = INFINITY;
    pNewPoint("P3D", "", 100, 200, &z);
    pNewPoint("P2D", "", 110, 210);
    pNewPoint("PNZ", "", 120, 220, &nan);
    pNewPoint("PIX", "", inf, 5);
    LiLine* road = FB(KvxMboNewLine)("Road");
    Vertex(road, "P3D", 100, 200, &z);
    Vertex(road, "P2D", 110, 210);
    Vertex(road, "", 130, 230, &nan);
    FB(KvxMboAddLineElm)(road, "PNZ");  // only its point's XY
    YgPolygon* lot = FB(KvxMboNewPolygon)("Lot");
    for (int i = 0; i < 3; i++) Vertex(lot, "", i, i * i);
    TrNet* net = FB(KvxMboNewTriangleNet)("Terrain");
    GeoPnt3 pts[] = {{0, 0, 1}, {10, 0, nan}, {0, 10, 3}, {inf, 10, 4}};
    for (int i = 0; i < 4; i++) vTrNetSetP(net, i, &pts[i]);
    vTrNetSetTriangle(net, 0, 0, 1, 2);
    vTrNetSetTriangle(net, 1, 1, 3, 2);
  }
  // "ID X Y Z" per point, "-" for what it lacks.
  static V Points() {
    V out;
    PoPoints* pts = FB(pKvxMboPoPointsGet)();
    for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p)) {
      double x, y, z;
      bool xy = FB(boMboGetPointXY)(p, &x, &y), hz = FB(boMboGetPointZ)(p, &z);
      out.push_back(std::string(FB(sMboGetPointPID)(p)) + " " + (xy ? sNum(x, 1) + " " + sNum(y, 1) : "- -") + " " +
                    (hz ? sNum(z, 1) : "-"));
    }
    return out;
  }
  // "ID: x,y,z ..." per line or polygon, "-" for a missing height.
  static V Lines(LiLines* lines) {
    V out;
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
      std::string s = std::string(FB(sMboGetLineObjID)(l)) + ":";
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        double x = 0, y = 0, z = 0;
        FB(boMboGetElmXY)(l, e, &x, &y);
        s += " " + sNum(x, 1) + "," + sNum(y, 1) + "," + (FB(boMboGetElmZ)(l, e, &z) ? sNum(z, 1) : "-");
      }
      out.push_back(s);
    }
    return out;
  }
  static V Nets() {
    V out;
    TrNets* nets = FB(pKvxMboTrNetsGet)();
    for (TrNet* n = TrNetsGetFirst(nets); n; n = TrNetsGetNext(nets, n)) {
      std::string s = std::string(FB(sMboGetTriangleNetObjID)(n)) + ":";
      for (int i = 0; i < iTrNetGetPointCount(n); i++) {
        GeoPnt3 p;
        boTrNetGetP(n, i, &p);
        s += " " + sNum(p.x, 1) + "," + sNum(p.y, 1) + "," + sNum(p.z, 1);
      }
      s += " /" + std::to_string(iTrNetGetTriangleCount(n));
      out.push_back(s);
    }
    return out;
  }
};

}  // namespace

TEST_F(AbsentValues, MissingAndNonFiniteHeightsStayMissingThroughEveryDialect) {
  const V lines = {"Road: 100.0,200.0,10.0 110.0,210.0,- 130.0,230.0,- 120.0,220.0,-"};
  const V polygons = {"Lot: 0.0,0.0,- 1.0,1.0,- 2.0,4.0,-"};
  // The Trimble dialect has no reader of its own, and writes lines as
  // parcels.
  for (auto [writer, reader] : {std::pair{25, 25}, {26, 26}, {28, 25}, {29, 29}}) {
    SCOPED_TRACE(writer);
    vBook();
    std::string path = tmp_.Path("book" + std::to_string(writer) + ".xml");
    ASSERT_TRUE(boWrite(writer, path));
    std::string text = ReadFile(path);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_EQ(XmlTestSchemaErrors(text, KVX_TEST_DATA "/landxml/LandXML-1.2.xsd"), V{});
    ASSERT_TRUE(boRead(reader, path));
    // The point without a finite place is not written; the HeXML write's
    // vertex points follow, a vertex's point without its missing height.
    V points = Points();
    V expectPoints = {"P3D 100.0 200.0 10.0", "P2D 110.0 210.0 -", "PNZ 120.0 220.0 -"};
    if (writer == 29)
      expectPoints.insert(expectPoints.end(),
                          {"L_Road_3 130.0 230.0 -", "A_Lot_1 0.0 0.0 -", "A_Lot_2 1.0 1.0 -", "A_Lot_3 2.0 4.0 -"});
    EXPECT_EQ(points, expectPoints);
    V all = Lines(FB(pKvxMboLiLinesGet)()), polys = Lines(FB(pKvxMboYgPolygonsGet)());
    all.insert(all.end(), polys.begin(), polys.end());
    V expect = lines;
    expect.insert(expect.end(), polygons.begin(), polygons.end());
    EXPECT_EQ(all, expect);
    // The net's point without a place goes with its triangle; the NaN height
    // comes back as the 0 of a point given two numbers.
    EXPECT_EQ(Nets(), V{"Terrain: 0.0,0.0,1.0 10.0,0.0,0.0 0.0,10.0,3.0 /1"});
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
  }
}

TEST_F(AbsentValues, JobXmlWritesNoElevationThatIsNotThere) {
  vBook();
  std::string path = tmp_.Path("book.jxl");
  ASSERT_TRUE(boWrite(30, path));
  std::string text = ReadFile(path);
  EXPECT_EQ(text.find("nan"), std::string::npos);
  EXPECT_EQ(text.find("inf"), std::string::npos);
  vUiExpectBox(IDNO, "No Fxl file given");
  ASSERT_TRUE(boRead(30, path));
  // Without a feature library the vertices come back as points.
  EXPECT_EQ(Points(), (V{"Road-1 100.0 200.0 10.0", "Road-2 110.0 210.0 -", "Road-3 130.0 230.0 -",
                         "Road-4 120.0 220.0 -", "P3D 100.0 200.0 10.0", "P2D 110.0 210.0 -", "PNZ 120.0 220.0 -",
                         "PIX - - -", "Lot-1 0.0 0.0 -", "Lot-2 1.0 1.0 -", "Lot-3 2.0 4.0 -"}));
}

TEST_F(AbsentValues, NumbersThatAreNoDoublesAreAbsentInEveryReader) {
  // LandXML and HeXML: CgPoints, a PntList3D, a spiral's radii and the
  // HexagonLandXML block's grid coordinates.
  for (int driver : {25, 29}) {
    SCOPED_TRACE(driver);
    ASSERT_TRUE(boRead(driver, KVX_TEST_DATA "/landxml/absent_numbers.xml"));
    EXPECT_EQ(Points(), (V{"A 2.0 1.0 -", "C 2.0 1.0 -", "E 2.0 15.0 -3.0", "F 2.0 1.0 -", "G 7.0 6.0 -"}));
    EXPECT_EQ(Lines(FB(pKvxMboLiLinesGet)()), (V{"List: 0.0,0.0,0.0 2.0,1.0,3.0 8.0,7.0,- 9.0,9.0,9.0",
                                                 "Inf: 0.0,0.0,- 10.0,0.0,-", "Hex: 0.0,0.0,- 10.0,0.0,-"}));
    LiLine* inf = LiLinesGetNext(FB(pKvxMboLiLinesGet)(), LiLinesGetFirst(FB(pKvxMboLiLinesGet)()));
    LiLine* hex = LiLinesGetNext(FB(pKvxMboLiLinesGet)(), inf);
    double a, rs, re;
    EXPECT_TRUE(boLiElmGetClotoide(inf, LiElmGetFirst(inf), &a, &rs, &re));  // INF stays an infinite radius
    EXPECT_EQ(rs, 0);
    EXPECT_FALSE(boLiElmGetClotoide(hex, LiElmGetFirst(hex), &a, &rs, &re));  // 0x64 is no radius
    // The survey's instrument height, target height and slope distance are
    // none; the horizontal distance is taken.
    void* st = FB(pMboGetNextSt)(1, nullptr);
    void* obs = FB(pMboGetNextObs)(1, st, nullptr);
    ASSERT_NE(obs, nullptr);
    std::string got;
    char buf[64];
    FB(boMboGetStAttr)(1, st, 4, buf, (int)sizeof buf);
    got = buf;
    for (int attr : {6, 5, 9}) {
      FB(boMboGetObsAttr)(1, st, obs, attr, buf, (int)sizeof buf);
      got += std::string("|") + buf;
    }
    EXPECT_EQ(got, "||12.50000|1");
  }
  // JobXML: the same numbers in a grid.
  vUiExpectBox(IDNO, "No Fxl file given");
  ASSERT_TRUE(boRead(30, KVX_TEST_DATA "/jobxml/absent_numbers.jxl"));
  EXPECT_EQ(Points(), (V{"A 2.0 1.0 -", "B - - -", "C 2.0 1.0 -", "E 2.0 15.0 -3.0"}));
}

TEST(XmlDoubles, OnlyTheDecimalFormOfXsDoubleIsANumber) {
  struct Case {
    const char* sText;
    std::optional<double> value;
  };
  const Case cases[] = {{"1", 1},     {" +1.5e1\n", 15}, {"-.5", -0.5},  {"7.", 7},   {"1E-2", 0.01}, {"1e-400", 0},
                        {"0x10", {}}, {"1e309", {}},     {"-1e309", {}}, {"INF", {}}, {"-INF", {}},   {"NaN", {}},
                        {"nan", {}},  {"infinity", {}},  {"1e", {}},     {"1,5", {}}, {"12abc", {}},  {".", {}},
                        {"+", {}},    {"", {}},          {"1 2", {}},    {"e5", {}},  {"1.5e+", {}},  {"0X1p3", {}}};
  for (const Case& c : cases) EXPECT_EQ(dXmlNumber(c.sText), c.value) << c.sText;
  // A list goes on behind a value that is absent.
  const char* list = "1 0x10  nan\t4";
  std::vector<std::optional<double>> got;
  std::optional<double> v;
  while (boXmlNextDouble(&list, &v)) got.push_back(v);
  EXPECT_EQ(got, (std::vector<std::optional<double>>{1, {}, {}, 4}));
}

// With every line and polygon left out for want of a position, no empty
// PlanFeatures or Parcels stays behind: the schema wants a member in each.
TEST_F(AbsentValues, NoEmptyGroupWhenEveryLineIsLeftOut) {
  pNewPoint("A", "", 100, 200);
  FB(KvxMboNewPoint)("B");  // known only by name
  LiLine* l = FB(KvxMboNewLine)("L");
  YgPolygon* y = FB(KvxMboNewPolygon)("Y");
  for (const char* pid : {"A", "B"}) FB(KvxMboAddLineElm)(l, pid), FB(KvxMboAddPolygonElm)(y, pid);
  for (int writer : {25, 26, 28, 29}) {
    SCOPED_TRACE(writer);
    std::string path = tmp_.Path("gone" + std::to_string(writer) + ".xml");
    vUiExpectBox(IDOK, "want of a position: 0 points, 2 line vertices, and 2 lines left with fewer than two vertices.");
    ASSERT_TRUE(boWrite(writer, path));
    std::string text = ReadFile(path);
    EXPECT_EQ(text.find("<PlanFeatures"), std::string::npos) << text;
    EXPECT_EQ(text.find("<Parcels"), std::string::npos) << text;
    EXPECT_EQ(XmlTestSchemaErrors(text, KVX_TEST_DATA "/landxml/LandXML-1.2.xsd"), V{});
  }
}

// A file that cannot be made: the write fails with its reason, and what it
// would have left out is still counted and told, as it always was.
TEST_F(AbsentValues, AFileThatCannotBeMadeStillTellsWhatWouldBeLeftOut) {
  pNewPoint("A", "", 100, 200);
  FB(KvxMboNewPoint)("B");
  LiLine* l = FB(KvxMboNewLine)("L");
  for (const char* pid : {"A", "B"}) FB(KvxMboAddLineElm)(l, pid);
  for (int writer : {25, 26, 28, 29}) {
    SCOPED_TRACE(writer);
    std::string path = tmp_.Path("no-such-folder/out.xml");
    vUiExpectBox(IDOK, "File not written");
    vUiExpectBox(IDOK, "want of a position: 0 points, 1 line vertices, and 1 lines left with fewer than two vertices.");
    EXPECT_FALSE(boWrite(writer, path));
  }
}

TEST_F(AbsentValues, TheKofWriterLeavesOutAVertexWithoutAFinitePlace) {
  vBook();
  LiLine* gap = FB(KvxMboNewLine)("Gap");
  double inf = INFINITY;
  Vertex(gap, "", 1, 2, &inf);
  Vertex(gap, "", NAN, 3);
  std::string path = tmp_.Path("book.kof");
  vUiExpectBox(IDYES, "Skriv linjer til KOF?");
  // The gap's second vertex has no place; its first alone is no line.
  vUiExpectBox(IDOK, "want of a position: 0 points, 1 line vertices, and 1 lines left with fewer than two vertices.");
  ASSERT_TRUE(boWrite(98, path));
  std::string text = ReadFile(path);
  EXPECT_EQ(text.find("nan"), std::string::npos) << text;
  EXPECT_EQ(text.find("inf"), std::string::npos) << text;
  EXPECT_EQ(text.find("Gap"), std::string::npos) << text;
  EXPECT_EQ(text.find(" 2.000       1.000"), std::string::npos) << text;
}

// A point with a height and no XY has no place in an XML file (JobXML
// writes its name without coordinates): every XML writer counts it in the
// write's warning; a point with neither is not counted, and a raw writer
// passes over such points without a word.
TEST_F(AbsentValues, APointWithAHeightAndNoPlaceIsCountedByTheXmlWriters) {
  double z = 12.5;
  pNewPoint("OK", "", 100, 200, &z);
  FB(vMboSetPointZ)(FB(KvxMboNewPoint)("ZONLY"), 7.25);
  FB(KvxMboNewPoint)("NOTHING");
  for (int writer : {25, 26, 28, 29, 30}) {
    SCOPED_TRACE(writer);
    vUiExpectBox(IDOK,
                 "Not written for want of a position: 1 points, 0 line vertices, and 0 lines left with fewer "
                 "than two vertices.");
    ASSERT_TRUE(boWrite(writer, tmp_.Path("zonly" + std::to_string(writer))));
  }
  ASSERT_TRUE(boWrite(10, tmp_.Path("zonly.are")));
}
