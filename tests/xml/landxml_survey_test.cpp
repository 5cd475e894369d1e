// LandXML survey observations through the exports: hand-written files with
// instrument setups, observation groups and GPS setups, compared value by
// value with the stations and observations the field book then holds.
#include <gtest/gtest.h>

#include <string>

#include "landxml_fixture.h"
#include "tests/fieldbook/fb_module.h"
#include "testing/ui_driver.h"
#include "xml_test_util.h"

namespace {

// Every station of the kind with the set attributes among attrs, then its
// observations with theirs: "S 1=A 3=1" / "  O 1=P1 5=10.5".
std::string sDumpStations(int kind, std::initializer_list<int> stAttrs, std::initializer_list<int> obsAttrs) {
  std::string out;
  char buf[256];
  for (void* st = FB(pMboGetNextSt)(kind, nullptr); st; st = FB(pMboGetNextSt)(kind, st)) {
    out += "S";
    for (int a : stAttrs)
      if (FB(boMboGetStAttr)(kind, st, a, buf, (int)sizeof buf) && *buf) out += " " + std::to_string(a) + "=" + buf;
    out += "\n";
    for (void* o = FB(pMboGetNextObs)(kind, st, nullptr); o; o = FB(pMboGetNextObs)(kind, st, o)) {
      out += "  O";
      for (int a : obsAttrs)
        if (FB(boMboGetObsAttr)(kind, st, o, a, buf, (int)sizeof buf) && *buf)
          out += " " + std::to_string(a) + "=" + buf;
      out += "\n";
    }
  }
  return out;
}

PoPoint* pFind(const char* pid) {
  PoPoints* pts = FB(pKvxMboPoPointsGet)();
  for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p))
    if (std::string(FB(sMboGetPointPID)(p)) == pid) return p;
  return nullptr;
}

class LandXmlSurvey : public LandXmlBook {
 protected:
  void Read(const std::string& body) {
    std::string path = m_dir + "/in.xml";
    kvxtest::WriteFile(path,
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<LandXML "
                       "xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">\n"
                       "<Units><Metric linearUnit=\"meter\" angularUnit=\"grads\"/></Units>\n"
                       "<CgPoints><CgPoint name=\"S1\">1000 2000 10</CgPoint><CgPoint name=\"T1\" "
                       "timeStamp=\"2012-05-03T10:20:30Z\">1100 2000 11</CgPoint>"
                       "<CgPoint name=\"T2\">1000 2100 12</CgPoint></CgPoints>\n<Survey>\n" +
                           body + "</Survey>\n</LandXML>\n");
    ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 25, path.c_str()));
  }
};

}  // namespace

TEST_F(LandXmlSurvey, SetupsAndGroupsBecomeStationsWithTheirObservations) {
  Read(
      "<InstrumentSetup id=\"IS1\" stationName=\"St\xc3\xb8 1\" instrumentHeight=\"1.55\">\n"
      "<InstrumentPoint pntRef=\"S1\"/>\n<Backsight><BacksightPoint pntRef=\"T9\">1 2 3</BacksightPoint></Backsight>\n"
      "<RawObservation horizAngle=\"100\" zenithAngle=\"100\" slopeDistance=\"100.5\" targetHeight=\"1.8\" "
      "code=\"KUM\"><TargetPoint pntRef=\"T1\"/><Feature code=\"PointCode\"><Property label=\"Owner\" "
      "value=\"X\"/></Feature></RawObservation>\n"
      "<RawObservation horizAngle=\"0\" horizDistance=\"99.25\"><TargetPoint pntRef=\"NEW\">5 6 7</TargetPoint>"
      "</RawObservation>\n<RawObservation horizAngle=\"1\"><TargetPoint pntRef=\"NOWHERE\"/></RawObservation>\n"
      "<RawObservation horizAngle=\"1\"/>\n</InstrumentSetup>\n"
      "<ObservationGroup id=\"G1\" setupID=\"IS1\">\n<RawObservation horizAngle=\"200\"><TargetPoint "
      "pntRef=\"T2\"/></RawObservation>\n<RawObservation setupID=\"NONE\" horizAngle=\"300\"><TargetPoint "
      "pntRef=\"T2\"/></RawObservation>\n</ObservationGroup>\n"
      "<ObservationGroup id=\"G2\"><RawObservation horizAngle=\"300\"><TargetPoint pntRef=\"T2\"/>"
      "</RawObservation></ObservationGroup>\n");
  // The station name is converted from UTF-8 like every other text. The
  // observation whose target resolves to nothing stays without target (the
  // field book lists none such); one without TargetPoint is none, and so is
  // one of an unknown setup or of none. Directions are what the coordinate
  // system makes of them (here a quarter turn less the direction: 100 gon
  // gives 0, 0 gives a quarter turn, 200 three quarters).
  EXPECT_EQ(sDumpStations(1, {1, 3, 4}, {1, 2, 3, 4, 5, 6, 9}),
            "S 1=St\xf8 1 3=1 4=1.55\n"
            "  O 1=T1 2=KUM 3=0.00000000 4=1.57079633 5=100.50000 6=1.80000 9=0\n"
            "  O 1=NEW 3=1.57079633 5=99.25000 9=1\n"
            "  O 1=T2 3=4.71238898 9=0\n");
  PoPoint* nw = pFind("NEW");
  ASSERT_NE(nw, nullptr);
  double x = 0, y = 0;
  EXPECT_TRUE(FB(boMboGetPointXY)(nw, &x, &y));
  EXPECT_EQ(x, 6);
  EXPECT_EQ(y, 5);
  EXPECT_NE(pFind("T9"), nullptr);
  EXPECT_STREQ(sViFieldsGetFieldByName(FB(pKvxMboPFieldsGet)(), pFind("T1"), "Owner"), "X");
}

TEST_F(LandXmlSurvey, GpsPositionsAndVectorsWithZeroCovariances) {
  const char* cov =
      "<GPSQCInfoLevel2 covarianceXX=\"0.0001\" covarianceXY=\"0\" covarianceXZ=\"0\" covarianceYY=\"0.0004\" "
      "covarianceYZ=\"0\" covarianceZZ=\"0.0009\"/>";
  Read(std::string("<GPSSetup id=\"GS1\" stationName=\"S1\" antennaHeight=\"1.5\">\n") +
       "<GPSPosition><TargetPoint pntRef=\"T1\"/>" + cov + "</GPSPosition>\n" +
       "<GPSPosition><TargetPoint pntRef=\"T2\"/></GPSPosition>\n" +
       "<GPSPosition><TargetPoint pntRef=\"T2\" timeStamp=\"2013-01-02T03:04:05\"/>" + cov +
       "</GPSPosition>\n<GPSPosition><TargetPoint pntRef=\"T2\"/>" + cov +
       "<Feature code=\"GpsVector\"><Property label=\"DX\" value=\"10.5\"/><Property label=\"DY\" value=\"-2\"/>"
       "<Property label=\"DZ\" value=\"0.25\"/></Feature><Feature code=\"antennaHeight\"><Property "
       "label=\"antennaHeight\" value=\"1.75\"/></Feature></GPSPosition>\n</GPSSetup>\n");
  // The second position lacks its quality: it alone is skipped. Zero
  // covariances give zero correlations.
  EXPECT_EQ(sDumpStations(5, {1, 3}, {103, 104, 105, 121, 130, 131, 132, 134}),
            "S 1=T1 3=1\n  O 103=0.010000 104=0.020000 105=0.030000 121=0.000000 130=2000.000000 "
            "131=1100.000000 132=11.000000 134=2012.05.03_10:20:30\n"
            "S 1=T2 3=1\n  O 103=0.010000 104=0.020000 105=0.030000 121=0.000000 130=2100.000000 "
            "131=1000.000000 132=12.000000 134=2013.01.02_03:04:05\n");
  EXPECT_EQ(sDumpStations(4, {1, 3, 4}, {1, 6, 100, 101, 102, 103}),
            "S 1=S1 3=1 4=1.500\n  O 1=T2 6=1.75000 100=10.500000 101=-2.000000 102=0.250000 103=0.010000\n");
  EXPECT_STREQ(sViFieldsGetFieldByName(FB(pKvxMboPFieldsGet)(), pFind("S1"), "antennaHeight"), "1.5");
}

TEST_F(LandXmlSurvey, ImperialUnitsGiveTheirAngularUnitToo) {
  // Lengths in US survey feet become metres (5 ft 1.524003 m, 100 ft
  // 30.48006 m); angles in degrees are degrees: 90 is a quarter turn (0 in
  // the field book, as 100 gon above), 270.5 gives 90 less 270.5 degrees,
  // 179.5 degrees.
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 25, KVX_TEST_DATA "/landxml/imperial_degrees.xml"));
  EXPECT_EQ(sDumpStations(1, {1, 4}, {1, 3, 4, 5}),
            "S 1=S1 4=1.524003048\n  O 1=T1 3=0.00000000 4=3.14159265 5=30.48006\n  O 1=T1 3=3.13286601 "
            "4=0.78539816\n");
}
