// Unnamed lines and polygons in the XML files: LandXML writes the Parcel
// of an unnamed polygon (and of an unnamed line in the Trimble dialect)
// with a made-up "#k" name, valid against the schema, which the reader
// takes for no name; JobXML names the vertices of unnamed objects apart
// from each other and from every point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../instruments/fb_dump.h"
#include "testing/ui_driver.h"
#include "xml_test_util.h"

namespace {

using V = std::vector<std::string>;

const char* const kXsd = KVX_TEST_DATA "/landxml/LandXML-1.2.xsd";

class UnnamedObjects : public InstrumentFiles {
 protected:
  static V Ids(LiLines* lines) {
    V out;
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) out.push_back(FB(sMboGetLineObjID)(l));
    return out;
  }
  static V Codes(LiLines* lines) {
    V out;
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) out.push_back(sLiLineGetField(l));
    return out;
  }
  static void vSquare(LiLine* l, double x0) {
    for (auto [x, y] : {std::pair{0.0, 0.0}, {10, 0}, {10, 10}}) {
      LiElm* e = FB(KvxMboAddLineElm)(l, "");
      FB(vMboSetElmXY)(l, e, x0 + x, y);
    }
  }
  static std::string sParcel(const char* parcel, const char* geom) {
    return std::string("<Parcel ") + parcel + "><CoordGeom " + geom +
           "><Line><Start>0 0</Start><End>0 10</End></Line><Line><Start>0 10</Start><End>10 10</End></Line>"
           "</CoordGeom></Parcel>\n";
  }
};

}  // namespace

// A Parcel is unnamed when it has no oID and its name is one or more '#'
// then digits, the same as its CoordGeom's name; every other one keeps its
// name. A PlanFeature keeps its name whatever it is.
TEST_F(UnnamedObjects, TheReaderTakesAMadeUpParcelNameForNone) {
  std::string doc =
      "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">\n"
      "<Parcels>\n" +
      sParcel("name=\"#1\"", "name=\"#1\"") + sParcel("name=\"##12\"", "name=\"##12\"") +
      sParcel("name=\"#2\" oID=\"#2\"", "name=\"#2\"") + sParcel("name=\"#3\"", "name=\"#4\"") +
      sParcel("name=\"#3a\"", "name=\"#3a\"") + sParcel("name=\"#\"", "name=\"#\"") +
      sParcel("name=\"5\"", "name=\"5\"") + sParcel("name=\"#6\"", "") + sParcel("name=\"a#7\"", "name=\"a#7\"") +
      "</Parcels>\n<PlanFeatures><PlanFeature name=\"#8\"><CoordGeom name=\"#8\"><Line><Start>0 0</Start>"
      "<End>0 10</End></Line></CoordGeom></PlanFeature></PlanFeatures>\n</LandXML>\n";
  std::string path = Put("parcels.xml", doc);
  for (int reader : {25, 26, 29}) {
    SCOPED_TRACE(reader);
    ASSERT_TRUE(boRead(reader, path));
    EXPECT_EQ(Ids(FB(pKvxMboYgPolygonsGet)()), (V{"", "", "#2", "#3", "#3a", "#", "5", "#6", "a#7"}));
    EXPECT_EQ(Ids(FB(pKvxMboLiLinesGet)()), V{"#8"});
  }
}

// Unnamed and "#"-named lines and polygons through every LandXML dialect:
// each file valid, each object back with its own name or none (the Trimble
// dialect's lines come back as polygons, as its Parcels are read).
TEST_F(UnnamedObjects, UnnamedParcelsAreValidAndComeBackUnnamed) {
  for (auto [writer, reader] : {std::pair{25, 25}, {26, 26}, {28, 25}, {29, 29}}) {
    SCOPED_TRACE(writer);
    ViFields* yf = FB(pKvxMboYFieldsGet)();
    LiLine* lines[] = {FB(KvxMboNewLine)(""), FB(KvxMboNewLine)("#2")};
    YgPolygon* polygons[] = {FB(KvxMboNewPolygon)(""), FB(KvxMboNewPolygon)("#1"), FB(KvxMboNewPolygon)("")};
    double x0 = 0;
    for (LiLine* l : lines) vSquare(l, x0 += 100);
    for (YgPolygon* y : polygons) vSquare(y, x0 += 100);
    vLiLineSetField(lines[0], "KANT");
    vYgPolygonSetField(polygons[0], "TOMT");
    boViFieldsSetOrAddFieldByName(yf, polygons[2], "Owner", "Kommune");
    std::string path = tmp_.Path("unnamed" + std::to_string(writer) + ".xml");
    ASSERT_TRUE(boWrite(writer, path));
    std::string text = ReadFile(path);
    EXPECT_EQ(XmlTestSchemaErrors(text, kXsd), V{});
    // The first unnamed polygon's "#1" is taken by a name: one '#' more.
    EXPECT_NE(text.find("<Parcel name=\"##1\">\r\n      <CoordGeom name=\"##1\">"), std::string::npos) << text;
    EXPECT_NE(text.find("<Parcel name=\"#3\">\r\n      <CoordGeom name=\"#3\">"), std::string::npos) << text;
    EXPECT_NE(text.find("<Parcel name=\"#1\" oID=\"#1\">"), std::string::npos) << text;
    ASSERT_TRUE(boRead(reader, path));
    if (writer == 28) {
      EXPECT_EQ(Ids(FB(pKvxMboYgPolygonsGet)()), (V{"", "#2", "", "#1", ""}));
      EXPECT_EQ(Codes(FB(pKvxMboYgPolygonsGet)()), (V{"KANT", "", "TOMT", "", ""}));
    } else {
      EXPECT_EQ(Ids(FB(pKvxMboLiLinesGet)()), (V{"", "#2"}));
      EXPECT_EQ(Codes(FB(pKvxMboLiLinesGet)()), (V{"KANT", ""}));
      EXPECT_EQ(Ids(FB(pKvxMboYgPolygonsGet)()), (V{"", "#1", ""}));
      EXPECT_EQ(Codes(FB(pKvxMboYgPolygonsGet)()), (V{"TOMT", "", ""}));
      YgPolygon* last = YgPolygonsGetNext(
          FB(pKvxMboYgPolygonsGet)(),
          YgPolygonsGetNext(FB(pKvxMboYgPolygonsGet)(), YgPolygonsGetFirst(FB(pKvxMboYgPolygonsGet)())));
      EXPECT_STREQ(sViFieldsGetFieldByName(FB(pKvxMboYFieldsGet)(), last, "Owner"), "Kommune");
    }
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
  }
}

// The README's sample: its two unnamed coded lines in every LandXML dialect
// are valid.
TEST_F(UnnamedObjects, TheSampleIsValidInEveryDialect) {
  for (int writer : {25, 26, 28, 29}) {
    SCOPED_TRACE(writer);
    ASSERT_TRUE(boRead(10, KVX_SOURCE_DIR "/examples/site.are"));
    std::string path = tmp_.Path("site" + std::to_string(writer) + ".xml");
    ASSERT_TRUE(boWrite(writer, path));
    EXPECT_EQ(XmlTestSchemaErrors(ReadFile(path), kXsd), V{});
  }
}

// An entry of the HexagonLandXML block with an empty name or none names no
// object, not even one whose CoordGeom is named "".
TEST_F(UnnamedObjects, AHeXmlEntryWithoutANameChangesNoObject) {
  std::string line = "<Line><Start>0 0</Start><End>0 10</End></Line>";
  std::string doc =
      "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">\n"
      "<PlanFeatures><PlanFeature><CoordGeom name=\"\">" +
      line + "</CoordGeom></PlanFeature><PlanFeature><CoordGeom name=\"#2\">" + line +
      "</CoordGeom></PlanFeature></PlanFeatures>\n<Parcels><Parcel name=\"\"><CoordGeom name=\"\">" + line +
      "</CoordGeom></Parcel></Parcels>\n<HexagonLandXML xmlns=\"http://xml.hexagon.com/schema/HeXML-1.3\">\n"
      "<PlanFeature name=\"\"><LineCode code=\"EMPTY\"><Attribute name=\"A\" value=\"1\"/></LineCode></PlanFeature>\n"
      "<PlanFeature><LineCode code=\"NONE\"/></PlanFeature>\n"
      "<PlanFeature name=\"#2\"><LineCode code=\"SECOND\"/></PlanFeature>\n"
      "<Parcel name=\"\"><AreaCode code=\"EMPTY\"><Attribute name=\"A\" value=\"1\"/></AreaCode></Parcel>\n"
      "<Parcel><AreaCode code=\"NONE\"/></Parcel>\n</HexagonLandXML>\n</LandXML>\n";
  ASSERT_TRUE(boRead(29, Put("empty.xml", doc)));
  EXPECT_EQ(Ids(FB(pKvxMboLiLinesGet)()), (V{"", ""}));
  EXPECT_EQ(Codes(FB(pKvxMboLiLinesGet)()), (V{"", "SECOND"}));
  EXPECT_EQ(iViFieldsFindField(FB(pKvxMboLFieldsGet)(), "A"), -1);
  EXPECT_EQ(Ids(FB(pKvxMboYgPolygonsGet)()), V{""});
  EXPECT_EQ(Codes(FB(pKvxMboYgPolygonsGet)()), V{""});
  EXPECT_EQ(iViFieldsFindField(FB(pKvxMboYFieldsGet)(), "A"), -1);
}

namespace {

// "ID X Y" per point read back.
V PointsRead() {
  V out;
  PoPoints* pts = FB(pKvxMboPoPointsGet)();
  for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p)) {
    double x = 0, y = 0;
    FB(boMboGetPointXY)(p, &x, &y);
    out.push_back(std::string(FB(sMboGetPointPID)(p)) + " " + std::to_string((int)x) + " " + std::to_string((int)y));
  }
  return out;
}

}  // namespace

// JobXML names a vertex "<object ID>-<n>", an unnamed object by its place
// ("#1"); a name a point or an earlier vertex has gets '#' in front until
// it is free. Read back (points, without a feature library), nothing merges.
TEST_F(UnnamedObjects, JobXmlVertexNamesTakeNoOtherPointsName) {
  auto object = [](LiLine* l, int vertices, double y) {
    for (int i = 0; i < vertices; i++) {
      LiElm* e = FB(KvxMboAddLineElm)(l, "");
      FB(vMboSetElmXY)(l, e, 10.0 * (i + 1), y);
    }
  };
  object(FB(KvxMboNewLine)(""), 2, 100);
  object(FB(KvxMboNewLine)("Road"), 2, 200);
  object(FB(KvxMboNewPolygon)(""), 3, 300);
  pNewPoint("Road-1", "", 1, 1);
  pNewPoint("#1-2", "", 2, 2);
  std::string path = tmp_.Path("names.jxl");
  ASSERT_TRUE(boWrite(30, path));
  vUiExpectBox(IDNO, "No Fxl file given");
  ASSERT_TRUE(boRead(30, path));
  EXPECT_EQ(PointsRead(), (V{"#1-1 10 100", "##1-2 20 100", "#Road-1 10 200", "Road-2 20 200", "Road-1 1 1", "#1-2 2 2",
                             "##1-1 10 300", "###1-2 20 300", "#1-3 30 300"}));
}

// The README's sample: 12 points and two unnamed lines of 4 and 3 vertices
// come back as 19 points.
TEST_F(UnnamedObjects, TheSampleThroughJobXmlKeepsEveryPoint) {
  ASSERT_TRUE(boRead(10, KVX_SOURCE_DIR "/examples/site.are"));
  ASSERT_EQ(iPoPointsGetCount(FB(pKvxMboPoPointsGet)()), 12);
  std::string path = tmp_.Path("site.jxl");
  ASSERT_TRUE(boWrite(30, path));
  vUiExpectBox(IDNO, "No Fxl file given");
  ASSERT_TRUE(boRead(30, path));
  V points = PointsRead();
  ASSERT_EQ(points.size(), 19u);
  EXPECT_EQ(V(points.begin(), points.begin() + 7),
            (V{"#1-1 1010 5000", "#1-2 1010 5005", "#1-3 1011 5010", "#1-4 1011 5015", "#2-1 1020 4990",
               "#2-2 1020 4995", "#2-3 1020 5000"}));
}

// A vertex name longer than the reader keeps would be cut to its object's
// ID, and the vertices would merge: the ID is shortened instead, the vertex
// number and the '#'s kept whole.
TEST_F(UnnamedObjects, JobXmlVertexNamesOfALongIdStayApart) {
  const std::string id(99, 'L'), kept(97, 'L');
  LiLine* l = FB(KvxMboNewLine)(id.c_str());
  for (int i = 1; i <= 3; i++) FB(vMboSetElmXY)(l, FB(KvxMboAddLineElm)(l, ""), 10.0 * i, 100);
  pNewPoint((kept + "-2").c_str(), "", 1, 1);
  std::string path = tmp_.Path("long.jxl");
  ASSERT_TRUE(boWrite(30, path));
  vUiExpectBox(IDNO, "No Fxl file given");
  ASSERT_TRUE(boRead(30, path));
  EXPECT_EQ(PointsRead(),
            (V{kept + "-1 10 100", "#" + kept.substr(1) + "-2 20 100", kept + "-3 30 100", kept + "-2 1 1"}));
}
