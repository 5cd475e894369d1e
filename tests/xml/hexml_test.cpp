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
