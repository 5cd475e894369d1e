// The HeXML dialect through the exports: the HexagonLandXML block written
// and read back, and a hand-written block with point classes, grid
// coordinates, qualities, annotations and reflector names.
#include <gtest/gtest.h>

#include <string>

#include "landxml_fixture.h"
#include "tests/fieldbook/fb_module.h"
#include "xml_test_dump.h"
#include "xml_test_util.h"

namespace {

const char* const kHexNs = "http://xml.hexagon.com/schema/HeXML-1.3";

class HeXml : public LandXmlBook {};

}  // namespace

TEST_F(HeXml, CodesAndAttributesGoThroughTheBlockAndComeBack) {
  ViFields* pf = FB(pKvxMboPFieldsGet)();
  PoPoint* p = FB(KvxMboNewPoint)("P1");
  FB(vMboSetPointXY)(p, 10, 20);
  vPoPointSetField(p, "KUM");
  boViFieldsSetOrAddFieldByName(pf, p, "Owner", "S\xf8nn & co");
  boViFieldsSetOrAddFieldByName(pf, p, "S_OBJID", "77");
  PoPoint* q = FB(KvxMboNewPoint)("P2");
  FB(vMboSetPointXY)(q, 11, 21);
  LiLine* l = FB(KvxMboNewLine)("L1");
  FB(KvxMboAddLineElm)(l, "P1");
  FB(KvxMboAddLineElm)(l, "P2");
  vLiLineSetField(l, "VEG");
  boViFieldsSetOrAddFieldByName(FB(pKvxMboLFieldsGet)(), l, "Width", "6");
  std::string path = m_dir + "/hex.xml";
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 29, path.c_str()));
  std::string text = kvxtest::ReadFile(path);
  EXPECT_TRUE(XmlTestSchemaErrors(text, KVX_TEST_DATA "/landxml/LandXML-1.2.xsd").empty());
  EXPECT_NE(text.find(std::string("<HexagonLandXML xmlns=\"") + kHexNs), std::string::npos);
  EXPECT_NE(text.find("<Point uniqueID=\"P1\">"), std::string::npos);
  EXPECT_NE(text.find("<PointCode code=\"KUM\">"), std::string::npos);
  EXPECT_NE(text.find("<Attribute name=\"Owner\" value=\"S\xf8nn &amp; co\"/>"), std::string::npos);
  EXPECT_EQ(text.find("S_OBJID"), std::string::npos);
  EXPECT_NE(text.find("<Point uniqueID=\"P2\"/>"), std::string::npos);  // nothing to say
  EXPECT_NE(text.find("<LineCode code=\"VEG\">"), std::string::npos);
  const std::string before = sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)());
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 29, path.c_str()));
  // "S_OBJID" is the one field the block never carries.
  std::string expect = before;
  expect.erase(expect.find(" S_OBJID=77"), 11);
  EXPECT_EQ(sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)()), expect);
  LiLine* back = LiLinesGetFirst(FB(pKvxMboLiLinesGet)());
  EXPECT_STREQ(sLiLineGetField(back), "VEG");
  EXPECT_STREQ(sViFieldsGetFieldByName(FB(pKvxMboLFieldsGet)(), back, "Width"), "6");
}

TEST_F(HeXml, ClassesGridCoordinatesQualitiesAndReflectors) {
  std::string obs = "<RawObservation horizAngle=\"0\"><TargetPoint pntRef=\"T\"/></RawObservation>";
  std::string doc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" "
      "version=\"1.2\">\n<CgPoints><CgPoint name=\"R\">1 2 3</CgPoint><CgPoint name=\"M\">4 5 6</CgPoint>"
      "<CgPoint name=\"T\">7 8 9</CgPoint><CgPoint name=\"G\">1 1 1</CgPoint></CgPoints>\n"
      "<CgPoints name=\"Reference\"><CgPoint name=\"R\">1 2 3</CgPoint></CgPoints>\n<Survey>"
      "<InstrumentSetup id=\"I1\" stationName=\"M\">" +
      obs + obs + obs +
      "</InstrumentSetup>"
      "<GPSSetup id=\"GS\" stationName=\"M\"><GPSPosition><TargetPoint pntRef=\"G\"/><GPSQCInfoLevel2 "
      "covarianceXX=\"1\" covarianceXY=\"0\" covarianceXZ=\"0\" covarianceYY=\"1\" covarianceYZ=\"0\" "
      "covarianceZZ=\"1\"/></GPSPosition></GPSSetup></Survey>\n"
      "<HexagonLandXML xmlns=\"" +
      kHexNs +
      "\">\n"
      "<Point uniqueID=\"R\" class=\"averaged\"><PointCode code=\"NEW\"><Attribute name=\"A\" value=\"1\"/>"
      "</PointCode><Coordinates><Local><Grid e=\"100\" n=\"200\" hghthO=\"300\"/></Local></Coordinates></Point>\n"
      "<Point uniqueID=\"M\" class=\"control\"><Annotations annotation1=\"first\" annotation5=\"x\"/>"
      "<PointQuality CQ3D=\"0.01\"/><Coordinates><Local><Grid e=\"40\" n=\"50\" hghthO=\"60\"/></Local>"
      "</Coordinates></Point>\n<Point uniqueID=\"nobody\" class=\"reference\"/>\n"
      "<Survey><InstrumentSetup><RawObservation targetPntRef=\"T\" reflectorName=\"Prism\" "
      "reflectorConstant=\"-30\"/><RawObservation targetPntRef=\"T\" reflectorName=\"Tape\"/>"
      "<RawObservation targetPntRef=\"T\" reflectorName=\"Mini\"/><RawObservation targetPntRef=\"T\" "
      "reflectorName=\"Extra\"/></InstrumentSetup>"
      "<GPSSetup uniqueID=\"GS\"><GPSPosition targetPntRef=\"G\"><GPSQuality PDOP=\"1.5\" HDOP=\"0.9\"/>"
      "<SatelliteInfo GPSSatUsed=\"8\" GLONASSSatUsed=\"5\" GALILEOSatUsed=\"3\"/></GPSPosition></GPSSetup></Survey>\n"
      "</HexagonLandXML>\n</LandXML>\n";
  std::string path = m_dir + "/hand.xml";
  kvxtest::WriteFile(path, doc);
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 29, path.c_str()));
  // R keeps its reference coordinates against an averaged class (its codes
  // still come); M, measured, takes the control grid coordinates as
  // measured ones.
  std::string dump = sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)());
  EXPECT_NE(dump.find("[R] 2.0000 1.0000 3.0000 NEW LeicaPointClass=Reference A=1"), std::string::npos) << dump;
  EXPECT_NE(dump.find("[M] 40.0000 50.0000 60.0000  LeicaPointClass=control Annotation.annotation1=first "
                      "PointQuality.CQ3D=0.01"),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("HDOP=0.9 PDOP=1.5 GPSSatUsed=8 GLONASSSatUsed=5"), std::string::npos) << dump;
  char buf[64];
  std::string reflectors;
  void* st = FB(pMboGetNextSt)(1, nullptr);
  for (void* o = FB(pMboGetNextObs)(1, st, nullptr); o; o = FB(pMboGetNextObs)(1, st, o))
    reflectors += (FB(boMboGetObsAttr)(1, st, o, 7, buf, (int)sizeof buf) ? buf : "?") + std::string("|");
  EXPECT_EQ(reflectors, "Prism (-30)|Tape|Mini|");
  void* gps = FB(pMboGetNextSt)(5, nullptr);
  void* pos = FB(pMboGetNextObs)(5, gps, nullptr);
  ASSERT_TRUE(FB(boMboGetObsAttr)(5, gps, pos, 135, buf, (int)sizeof buf));
  EXPECT_STREQ(buf, "16");
  ASSERT_TRUE(FB(boMboGetObsAttr)(5, gps, pos, 137, buf, (int)sizeof buf));
  EXPECT_STREQ(buf, "1.500000");
}

namespace {

// "ID|code|Material: x,y,z ..." per line or polygon ("-" for no height).
std::vector<std::string> HexObjects(LiLines* lines, ViFields* fs) {
  std::vector<std::string> out;
  for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
    const char* material = iViFieldsFindField(fs, "Material") >= 0 ? sViFieldsGetFieldByName(fs, l, "Material") : "";
    std::string s = std::string(FB(sMboGetLineObjID)(l)) + "|" + sLiLineGetField(l) + "|" + material + ":";
    for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
      double x = 0, y = 0, z = 0;
      FB(boMboGetElmXY)(l, e, &x, &y);
      bool hz = FB(boMboGetElmZ)(l, e, &z);
      s += " " + std::to_string((int)x) + "," + std::to_string((int)y) + "," + (hz ? std::to_string((int)z) : "-");
    }
    out.push_back(s);
  }
  return out;
}

}  // namespace

TEST_F(HeXml, UnnamedLinesAndPolygonsComeBackAsThemselves) {
  ViFields* lf = FB(pKvxMboLFieldsGet)();
  auto line = [&](const char* id, const char* code, const char* material, double y) {
    LiLine* l = FB(KvxMboNewLine)(id);
    for (int i = 0; i < 2; i++) {
      LiElm* e = FB(KvxMboAddLineElm)(l, "");
      FB(vMboSetElmXY)(l, e, 10.0 * i, y);
      FB(vMboSetElmZ)(l, e, 1.0 + i);
    }
    vLiLineSetField(l, code);
    boViFieldsSetOrAddFieldByName(lf, l, "Material", material);
  };
  // The third line's name is the identity the first unnamed one would get.
  line("", "KANT", "Asfalt", 0);
  line("", "GROFT", "Grus", 5);
  line("#1", "VEG", "", 10);
  YgPolygon* lot = FB(KvxMboNewPolygon)("");
  for (int i = 0; i < 3; i++) {
    YgElm* e = FB(KvxMboAddPolygonElm)(lot, "");
    FB(vMboSetElmXY)(lot, e, 5.0 * i, 5.0 * (i / 2));
  }
  vYgPolygonSetField(lot, "TOMT");
  ViFields* yf = FB(pKvxMboYFieldsGet)();
  boViFieldsSetOrAddFieldByName(yf, lot, "Material", "Gress");
  const std::vector<std::string> lines = HexObjects(FB(pKvxMboLiLinesGet)(), lf),
                                 polygons = HexObjects(FB(pKvxMboYgPolygonsGet)(), yf);
  std::string path = m_dir + "/unnamed.xml";
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 29, path.c_str()));
  std::string text = kvxtest::ReadFile(path);
  EXPECT_EQ(XmlTestSchemaErrors(text, KVX_TEST_DATA "/landxml/LandXML-1.2.xsd"), std::vector<std::string>{});
  // The unnamed polygon's Parcel is named by its identity, without an oID.
  EXPECT_NE(text.find("<Parcel name=\"#1\">\r\n      <CoordGeom name=\"#1\">"), std::string::npos) << text;
  // Each unnamed line's vertices got points of their own.
  char first[MBO_ID_SIZE], second[MBO_ID_SIZE];
  LiLine* l1 = LiLinesGetFirst(FB(pKvxMboLiLinesGet)());
  FB(boMboGetElmPID)(l1, LiElmGetFirst(l1), first, (int)sizeof first);
  LiLine* l2 = LiLinesGetNext(FB(pKvxMboLiLinesGet)(), l1);
  FB(boMboGetElmPID)(l2, LiElmGetFirst(l2), second, (int)sizeof second);
  EXPECT_STRNE(first, second);
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 29, path.c_str()));
  EXPECT_EQ(HexObjects(FB(pKvxMboLiLinesGet)(), FB(pKvxMboLFieldsGet)()), lines);
  EXPECT_EQ(HexObjects(FB(pKvxMboYgPolygonsGet)(), FB(pKvxMboYFieldsGet)()), polygons);
}

TEST_F(HeXml, LineCodesGoOutWithoutAttributeColumns) {
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 10, KVX_SOURCE_DIR "/examples/site.are"));
  ViFields* lf = FB(pKvxMboLFieldsGet)();
  ASSERT_EQ(iViFieldsGetCount(lf), iViFieldsFixedCount(lf));
  // Two unnamed coded lines (their vertices come back with their points'
  // heights: compared are IDs and codes).
  auto codes = [] {
    std::vector<std::string> out;
    for (const std::string& s : HexObjects(FB(pKvxMboLiLinesGet)(), FB(pKvxMboLFieldsGet)()))
      out.push_back(s.substr(0, s.find(':')));
    return out;
  };
  ASSERT_EQ(codes(), (std::vector<std::string>{"|KANT|",
                                               "|GR\xd8"
                                               "FT|"}));
  std::string path = m_dir + "/site.xml";
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 29, path.c_str()));
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 29, path.c_str()));
  EXPECT_EQ(codes(), (std::vector<std::string>{"|KANT|",
                                               "|GR\xd8"
                                               "FT|"}));
}

// A made-up vertex ID that a point already has goes on to "_2", "_3", ...:
// a point named as line L1's second vertex would be, and a line named "_1"
// beside the first unnamed line. Every CgPoint keeps an ID of its own, and
// the points and vertices read back where they were.
TEST_F(HeXml, MadeUpVertexIdsTakeNoPointsId) {
  PoPoint* far = FB(KvxMboNewPoint)("L_L1_2");
  FB(vMboSetPointXY)(far, 5000, 5000);
  FB(vMboSetPointZ)(far, 99);
  auto line = [](const char* id, double y) {
    LiLine* l = FB(KvxMboNewLine)(id);
    for (int i = 0; i < 2; i++) {
      LiElm* e = FB(KvxMboAddLineElm)(l, "");
      FB(vMboSetElmXY)(l, e, 10.0 * i, y);
      FB(vMboSetElmZ)(l, e, y + i);
    }
  };
  line("", 20);
  line("_1", 30);
  line("L1", 0);
  std::string path = m_dir + "/ids.xml";
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 29, path.c_str()));
  std::string text = kvxtest::ReadFile(path);
  EXPECT_EQ(XmlTestSchemaErrors(text, KVX_TEST_DATA "/landxml/LandXML-1.2.xsd"), std::vector<std::string>{});
  const std::string points = sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)());
  EXPECT_EQ(points,
            "[L_L1_2] 5000.0000 5000.0000 99.0000 \n"
            "[L__1_1] 0.0000 20.0000 20.0000 \n"
            "[L__1_2] 10.0000 20.0000 21.0000 \n"
            "[L__1_1_2] 0.0000 30.0000 30.0000 \n"
            "[L__1_2_2] 10.0000 30.0000 31.0000 \n"
            "[L_L1_1] 0.0000 0.0000 0.0000 \n"
            "[L_L1_2_2] 10.0000 0.0000 1.0000 \n");
  const std::vector<std::string> lines = HexObjects(FB(pKvxMboLiLinesGet)(), FB(pKvxMboLFieldsGet)());
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 29, path.c_str()));
  EXPECT_EQ(sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)()), points);
  EXPECT_EQ(HexObjects(FB(pKvxMboLiLinesGet)(), FB(pKvxMboLFieldsGet)()), lines);
}
