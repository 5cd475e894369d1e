// Angles of the XML readers that are finite in the file but overflow on the
// way to the field book's internal value (a radian or degree value near the
// largest double scaled to the user's unit): such an angle is left out, as
// an absent one is, and the observation keeps its other values.
#include <gtest/gtest.h>

#include <string>

#include "landxml_fixture.h"
#include "tests/fieldbook/fb_module.h"
#include "testing/ui_driver.h"
#include "xml_test_util.h"

namespace {

// Horizontal angle, zenith angle and distance of every total-station
// observation: "P1 3= 4= 5=10.000" (empty when absent).
std::string sObservations() {
  std::string out;
  char buf[256];
  for (void* st = FB(pMboGetNextSt)(1, nullptr); st; st = FB(pMboGetNextSt)(1, st)) {
    for (void* o = FB(pMboGetNextObs)(1, st, nullptr); o; o = FB(pMboGetNextObs)(1, st, o)) {
      for (int a : {1, 3, 4, 5}) {
        if (!FB(boMboGetObsAttr)(1, st, o, a, buf, (int)sizeof buf)) *buf = 0;
        out += (a == 1 ? std::string() : " " + std::to_string(a) + "=") + buf;
      }
      out += "\n";
    }
  }
  return out;
}

struct Case {
  int iDriver;
  const char* sExt;
  std::string sText;
};

// A quarter turn in the unit: north in the field book.
std::string sLandXml(const char* unit, const char* quarter, const char* big) {
  return std::string("<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">") +
         "<Units><Metric linearUnit=\"meter\" angularUnit=\"" + unit +
         "\"/></Units><CgPoints><CgPoint name=\"S1\">0 0</CgPoint></CgPoints><Survey>"
         "<InstrumentSetup id=\"I1\" stationName=\"S1\"><InstrumentPoint pntRef=\"S1\"/>"
         "<RawObservation horizAngle=\"" +
         big + "\" zenithAngle=\"-" + big +
         "\" slopeDistance=\"10\"><TargetPoint pntRef=\"P1\">1 1</TargetPoint></RawObservation>"
         "<RawObservation horizAngle=\"" +
         quarter +
         "\" zenithAngle=\"0\" slopeDistance=\"20\"><TargetPoint pntRef=\"P2\">2 "
         "2</TargetPoint></RawObservation></InstrumentSetup></Survey></LandXML>";
}

}  // namespace

class XmlAngles : public LandXmlBook {};

TEST_F(XmlAngles, AnAngleThatOverflowsInTheConversionIsLeftOutByEveryReader) {
  const Case cases[] = {
      {25, "xml", sLandXml("radians", "1.5707963267948966", "1.7e308")},
      {25, "xml", sLandXml("grads", "100", "1.7e308")},
      {25, "xml", sLandXml("decimal degrees", "90", "1.7e308")},
      {29, "xml", sLandXml("radians", "1.5707963267948966", "1.7e308")},
      {30, "jxl",
       "<JOBFile jobName=\"a\" version=\"5.6\"><FieldBook><StationRecord ID=\"s1\"><StationName>S1</StationName>"
       "</StationRecord><PointRecord ID=\"r1\"><Name>P1</Name><Method>DirectReading</Method><StationID>s1</StationID>"
       "<Circle><HorizontalCircle>1.7e308</HorizontalCircle><VerticalCircle>-1.7e308</VerticalCircle>"
       "<EDMDistance>10</EDMDistance></Circle></PointRecord><PointRecord ID=\"r2\"><Name>P2</Name>"
       "<Method>DirectReading</Method><StationID>s1</StationID><Circle><HorizontalCircle>90</HorizontalCircle>"
       "<VerticalCircle>0</VerticalCircle><EDMDistance>20</EDMDistance></Circle></PointRecord></FieldBook>"
       "</JOBFile>"},
      {74, "mxl",
       "<MAXML version=\"1.0\"><ObservationSession><TSRawStn><Name>S1</Name></TSRawStn><TSRawSS><Name>P1</Name>"
       "<TSData><SD><HorizAngle>1.7e308</HorizAngle><VertAngle>-1.7e308</VertAngle><SlopeDistance>10"
       "</SlopeDistance></SD></TSData></TSRawSS><TSRawSS><Name>P2</Name><TSData><SD><HorizAngle>90</HorizAngle>"
       "<VertAngle>0</VertAngle><SlopeDistance>20</SlopeDistance></SD></TSData></TSRawSS></ObservationSession>"
       "</MAXML>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sText);
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
    std::string path = Put(std::string("angles.") + c.sExt, c.sText);
    if (c.iDriver == 30) vUiExpectBox(IDNO, "No Fxl file given");
    ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, c.iDriver, path.c_str()));
    // The second observation keeps its angles.
    std::string got = sObservations();
    EXPECT_EQ(got.substr(0, got.find('\n') + 1), "P1 3= 4= 5=10.00000\n");
    EXPECT_NE(got.find("\nP2 3=0.0000000"), std::string::npos) << got;
    EXPECT_EQ(got.find(" 4=\n"), std::string::npos) << got;
    EXPECT_EQ(iUiPendingBoxes(), 0);
  }
}
