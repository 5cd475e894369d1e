// Contract tests of the coordinate-system library, independent of the module.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "kv2cosys.h"
#include "kv2cosys_setup.h"
#include "testing/tempdir.h"

namespace {

const double kPi = 3.14159265358979323846;

double dRad(double deg) { return deg * kPi / 180; }

// UTM zone 32 on GRS80.
CoSysSetupDef utm32(int angleSystem) {
  CoSysSetupDef d{};
  d.name = "EUREF89 UTM32";
  d.datumId = "EUREF89";
  d.projectionName = "UTM";
  d.epsg = 25832;
  d.refLongitude = dRad(9);
  d.scale = 0.9996;
  d.shiftX = 500000;
  d.angleSystem = angleSystem;
  return d;
}
uint64_t create(CoSysSetupDef d) { return CoSysSetupCreateSystem(&d); }

struct CoSysTest : ::testing::Test {
  kvxtest::TempDir tmp;
  std::string dir = tmp.Path();
  void SetUp() override { vCoSysSetupReset(); }
  void TearDown() override { vCoSysSetupReset(); }
  std::string writeFile(const char* name, const std::string& text) { return tmp.Write(name, text); }
};

TEST_F(CoSysTest, HandleZeroIsTheDefaultGonSystem) {
  EXPECT_EQ(iCoSysGetUserSysAngleSystem(0), COSYS_ANG_GON);
  EXPECT_NEAR(dCoSysScaleAng2User(0, kPi), 200.0, 1e-12);
  // Geodetic directions: 0 gon (north) is a quarter turn mathematically.
  EXPECT_NEAR(dCoSysHorDir2Math(0, 0), kPi / 2, 1e-12);
  EXPECT_NEAR(dCoSysHorDir2Math(0, 100), 0, 1e-12);
  EXPECT_NEAR(dCoSysHorDir2Math(0, 300), kPi, 1e-12);
  // The vertical angle stays a zenith angle: only the unit changes.
  EXPECT_NEAR(dCoSysVerDir2Math(0, 100), kPi / 2, 1e-12);
  EXPECT_NEAR(dCoSysVerDir2Math(0, 300), 3 * kPi / 2, 1e-12);
  EXPECT_STREQ(sCoSysGetName(0), "");
  EXPECT_STREQ(sCoSysGetDatumID(0), "");
  EXPECT_LT(iCoSysGetEPSG(0), 1);
}

TEST_F(CoSysTest, AngleConversionsInvertEachOtherInEveryUnit) {
  const double samples[] = {0.0, 0.001, 0.5, 1.0, 1.5707963267948966, 2.5, 3.7, 4.8, 6.2};
  for (int unit = COSYS_ANG_GON; unit <= COSYS_ANG_RAD; unit++) {
    for (int math = 0; math <= 1; math++) {
      CoSysSetupDef d = utm32(unit);
      d.mathHorizontal = math;
      uint64_t cs = CoSysSetupCreateSystem(&d);
      ASSERT_NE(cs, 0u);
      EXPECT_EQ(iCoSysGetUserSysAngleSystem(cs), unit);
      for (double m : samples) {
        SCOPED_TRACE(testing::Message() << "unit " << unit << " math " << math << " angle " << m);
        double uh = dCoSysHorDir2User(cs, m);
        EXPECT_NEAR(dCoSysHorDir2Math(cs, uh), m, 1e-9);
        double uv = dCoSysVerDir2User(cs, m);
        EXPECT_NEAR(dCoSysVerDir2Math(cs, uv), m, 1e-9);
        EXPECT_NEAR(dCoSysVerDir2User(cs, dCoSysVerDir2Math(cs, uv)), uv, 1e-9);
        EXPECT_NEAR(dCoSysHorDir2User(cs, dCoSysHorDir2Math(cs, uh)), uh, 1e-9);
      }
    }
  }
  // The default system follows its set-up unit too.
  vCoSysSetupSetAngleSystem(0, COSYS_ANG_DEG);
  EXPECT_NEAR(dCoSysVerDir2Math(0, 90), kPi / 2, 1e-12);
}

// Conversions remember the last system's unit: every change of a system, from
// any thread, is seen by the next conversion.
TEST_F(CoSysTest, AChangedUnitIsSeenAtOnceFromEveryThread) {
  uint64_t cs = create(utm32(COSYS_ANG_GON));
  EXPECT_NEAR(dCoSysVerDir2Math(cs, 100), kPi / 2, 1e-12);
  vCoSysSetupSetAngleSystem(cs, COSYS_ANG_DEG);
  EXPECT_NEAR(dCoSysVerDir2Math(cs, 90), kPi / 2, 1e-12);
  std::thread([cs] { vCoSysSetupSetAngleSystem(cs, COSYS_ANG_RAD); }).join();
  EXPECT_NEAR(dCoSysVerDir2Math(cs, 1), 1, 1e-12);
  std::thread([cs] { EXPECT_NEAR(dCoSysVerDir2Math(cs, 1), 1, 1e-12); }).join();
  // A handle not made yet reads as the default system until it is made.
  uint64_t next = cs + 1;
  EXPECT_NEAR(dCoSysHorDir2Math(next, 100), 0, 1e-12);
  CoSysSetupDef d = utm32(COSYS_ANG_DEG);
  d.mathHorizontal = 1;
  ASSERT_EQ(create(d), next);
  EXPECT_NEAR(dCoSysHorDir2Math(next, 90), kPi / 2, 1e-12);
  // After a reset every handle is the default again.
  vCoSysSetupReset();
  EXPECT_NEAR(dCoSysVerDir2Math(next, 100), kPi / 2, 1e-12);
  vCoSysSetupSetAngleSystem(0, COSYS_ANG_DMS);
  EXPECT_EQ(iCoSysGetUserSysAngleSystem(next), COSYS_ANG_DMS);
}

TEST_F(CoSysTest, DmsUnit) {
  uint64_t cs = create(utm32(COSYS_ANG_DMS));
  EXPECT_NEAR(dCoSysScaleAng2User(cs, dRad(45)), 45.0, 1e-12);
  // 1 rad = 57 degrees 17 minutes 44.806 seconds.
  EXPECT_NEAR(dCoSysScaleAng2User(cs, 1.0), 57.1744806, 1e-7);
  EXPECT_NEAR(dCoSysScaleAng2User(cs, dRad(10.5)), 10.30, 1e-12);
  EXPECT_NEAR(dCoSysScaleAng2User(cs, -dRad(10.5)), -10.30, 1e-12);
  EXPECT_NEAR(dCoSysVerDir2Math(cs, 90.3), dRad(90.5), 1e-12);
  EXPECT_NEAR(dCoSysHorDir2Math(cs, 90.0), 0.0, 1e-12);
  // Seconds that round to 60 carry into the minutes and degrees.
  EXPECT_EQ(dCoSysScaleAng2User(cs, dRad(11)), 11.0);
  EXPECT_NEAR(dCoSysVerDir2Math(cs, 10.5960), dRad(11), 1e-12);
  EXPECT_NEAR(dCoSysVerDir2Math(cs, -10.5960), -dRad(11), 1e-12);
  // A direction a hair short of north stays below the full circle.
  for (double eps : {1e-16, 1e-15, 3e-15, 1e-13}) {
    double u = dCoSysHorDir2User(cs, kPi / 2 + eps);
    EXPECT_GE(u, 0.0);
    EXPECT_LT(u, 360.0) << eps;
  }
}

TEST_F(CoSysTest, TransverseMercatorKnownPointAndEllipsoid) {
  uint64_t cs = create(utm32(COSYS_ANG_GON));
  double e = 0, n = 0;
  ASSERT_TRUE(boCoSysFromDecimalLatitudeLongitude(cs, 60, 9, &e, &n));
  EXPECT_NEAR(e, 500000.0, 1e-4);
  EXPECT_NEAR(n, 6651411.1902, 1e-3);  // 0.9996 times the meridian arc
  // East of the meridian: east grows, symmetric to the west.
  double e2, n2, e3, n3;
  ASSERT_TRUE(boCoSysFromDecimalLatitudeLongitude(cs, 60, 10, &e2, &n2));
  ASSERT_TRUE(boCoSysFromDecimalLatitudeLongitude(cs, 60, 8, &e3, &n3));
  EXPECT_GT(e2, 555000);
  EXPECT_NEAR(e2 - 500000, 500000 - e3, 1e-6);
  EXPECT_NEAR(n2, n3, 1e-6);
  EXPECT_FALSE(boCoSysFromDecimalLatitudeLongitude(0, 60, 9, &e, &n));

  // The ellipsoid follows from the datum.
  EXPECT_EQ(dCoSysGetDatumAMajor(cs), 6378137.0);
  EXPECT_EQ(dCoSysGetDatumACompr(cs), 298.257222101);
}

TEST_F(CoSysTest, ReferenceSystemAndGeoidFromAGridFile) {
  uint64_t cs = create(utm32(COSYS_ANG_GON));
  uint64_t ver = CoSysSetupCreateVer("NN2000", "NN2000");
  std::string grid = writeFile("grid.kgeo",
                               "KVXGEOID 1\n# metres\ncoords grid\norigin 1000 2000\nstep 100 100\nsize 3 2\n"
                               "default 40.5\n39 40 x\n41 42 43\n");
  vCoSysSetupAddGeoideFile("NO2000", grid.c_str());
  vCoSysSetupAddRefSys(7, "EUREF89", "NN2000", "NO2000", cs);

  EXPECT_STREQ(sCoSysVerGetDatumID(ver), "NN2000");
  EXPECT_STREQ(sCoSysVerGetName(ver), "NN2000");
  uint64_t id = CoSysRefSysFindId(sCoSysGetDatumID(cs), sCoSysVerGetDatumID(ver));
  EXPECT_EQ(id, 7u);
  EXPECT_EQ(CoSysRefSysFindId("EUREF89", "other"), 0u);
  uint64_t rs = CoSysRefSysCreate();
  vCoSysRefSysSetID(rs, id);
  ASSERT_NE(CoSysRefSysRead(rs), 0);
  EXPECT_STREQ(sCoSysRefSysGetGeoideID(rs), "NO2000");

  uint64_t g = CoSysGeoideCreate();
  vCoSysGeoideSetID(g, sCoSysRefSysGetGeoideID(rs));
  ASSERT_NE(CoSysGeoideRead(g), 0);
  double n = 0;
  ASSERT_TRUE(boCoSysGeoideCalculateHeight(g, cs, "NO2000", 1050, 2050, &n));
  EXPECT_NEAR(n, (39 + 40 + 41 + 42) / 4.0, 1e-12);
  ASSERT_TRUE(boCoSysGeoideCalculateHeight(g, cs, "NO2000", 1000, 2000, &n));
  EXPECT_NEAR(n, 39, 1e-12);
  // A cell with a node without value, and outside the grid: none.
  EXPECT_FALSE(boCoSysGeoideCalculateHeight(g, cs, "NO2000", 1150, 2050, &n));
  EXPECT_FALSE(boCoSysGeoideCalculateHeight(g, cs, "NO2000", 999, 2050, &n));
  EXPECT_EQ(dCoSysGeoideGetDefaultHeight(g), 40.5);
  // The model by name: the height correction is minus the separation.
  double h = 0;
  ASSERT_TRUE(boCoSysCalcGeoideH(cs, "NO2000", 1000, 2000, &h));
  EXPECT_NEAR(h, -39, 1e-12);
  EXPECT_EQ(dCoSysGetDefaultGeoideH(cs, "NO2000"), -40.5);
  EXPECT_FALSE(boCoSysCalcGeoideH(cs, "trimble", 1000, 2000, &h));
  EXPECT_EQ(dCoSysGetDefaultGeoideH(cs, "trimble"), 0.0);

  CoSysGeoideClose(g);
  CoSysGeoideClose(g);  // twice: nothing
  CoSysRefSysClose(rs);
  CoSysRefSysClose(rs);
  EXPECT_FALSE(boCoSysGeoideCalculateHeight(g, cs, "NO2000", 1000, 2000, &n));
}

TEST_F(CoSysTest, NullAndBrokenGeoids) {
  double n = 5;
  EXPECT_FALSE(boCoSysGeoideCalculateHeight(0, 0, "x", 0, 0, &n));
  EXPECT_EQ(dCoSysGeoideGetDefaultHeight(0), 0.0);
  uint64_t g = CoSysGeoideCreate();
  vCoSysGeoideSetID(g, "unknown");
  EXPECT_EQ(CoSysGeoideRead(g), 0);
  std::string bad = writeFile("bad.kgeo", "KVXGEOID 1\norigin 0 0\nstep 1 1\nsize 2 2\n1 2 3\n");
  vCoSysSetupAddGeoideFile("BAD", bad.c_str());
  vCoSysGeoideSetID(g, "BAD");
  EXPECT_EQ(CoSysGeoideRead(g), 0);  // truncated values
  CoSysGeoideClose(g);
  uint64_t rs = CoSysRefSysCreate();
  vCoSysRefSysSetID(rs, 99);
  EXPECT_EQ(CoSysRefSysRead(rs), 0);
  CoSysRefSysClose(rs);
  CoSysRefSysClose(0);
  CoSysGeoideClose(0);
}

TEST_F(CoSysTest, GeographicGridAndEarthCentredPositions) {
  uint64_t cs = create(utm32(COSYS_ANG_GON));
  // Longitude 8..10, latitude 59..61 in degrees: 38 in the south, 40 north.
  std::string grid = writeFile("geo.kgeo",
                               "KVXGEOID 1\ncoords geo\norigin 8 59\nstep 1 1\nsize 3 3\ndefault 0\n"
                               "38 38 38\n39 39 39\n40 40 40\n");
  vCoSysSetupAddGeoideFile("GEO", grid.c_str());
  vCoSysSetupAddRefSys(3, "EUREF89", "NN2000", "GEO", cs);
  uint64_t rs = CoSysRefSysCreate();
  vCoSysRefSysSetID(rs, 3);
  ASSERT_NE(CoSysRefSysRead(rs), 0);
  uint64_t g = CoSysGeoideCreate();
  vCoSysGeoideSetID(g, "GEO");
  ASSERT_NE(CoSysGeoideRead(g), 0);

  // Latitude 60.5, longitude 9.3 through the grid and back: 39.5.
  double e, n, sep;
  ASSERT_TRUE(boCoSysFromDecimalLatitudeLongitude(cs, 60.5, 9.3, &e, &n));
  ASSERT_TRUE(boCoSysGeoideCalculateHeight(g, cs, "GEO", e, n, &sep));
  EXPECT_NEAR(sep, 39.5, 1e-6);

  // The earth-centred position of latitude 60, longitude 9, height 100.
  double a = 6378137.0, f = 1 / 298.257222101, e2 = f * (2 - f);
  double lat = dRad(60), lon = dRad(9), hgt = 100;
  double nr = a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat));
  double X = (nr + hgt) * std::cos(lat) * std::cos(lon);
  double Y = (nr + hgt) * std::cos(lat) * std::sin(lon);
  double Z = (nr * (1 - e2) + hgt) * std::sin(lat);
  double r1, r2, r3;
  ASSERT_TRUE(boCoSysGeoideFromEarthCentric(rs, g, "GEO", X, Y, Z, &r1, &r2, &r3));
  EXPECT_NEAR(r1, 500000.0, 1e-3);
  EXPECT_NEAR(r2, 6651411.1902, 1e-3);
  EXPECT_NEAR(r3, 100 - 39, 1e-3);
  // Without a geoid the height stays ellipsoidal.
  ASSERT_TRUE(boCoSysGeoideFromEarthCentric(rs, 0, "", X, Y, Z, &r1, &r2, &r3));
  EXPECT_NEAR(r3, 100, 1e-3);
  EXPECT_FALSE(boCoSysGeoideFromEarthCentric(0, g, "", X, Y, Z, &r1, &r2, &r3));
  CoSysGeoideClose(g);
  CoSysRefSysClose(rs);
}

TEST_F(CoSysTest, ConstantGeoid) {
  vCoSysSetupAddGeoideConst("FLAT", 12.5);
  uint64_t g = CoSysGeoideCreate();
  vCoSysGeoideSetID(g, "FLAT");
  ASSERT_NE(CoSysGeoideRead(g), 0);
  double n;
  ASSERT_TRUE(boCoSysGeoideCalculateHeight(g, 0, "FLAT", 123456, 6543210, &n));
  EXPECT_EQ(n, 12.5);
  EXPECT_EQ(dCoSysGeoideGetDefaultHeight(g), 12.5);
  CoSysGeoideClose(g);
}

// The module hands over Windows paths: a drive, '\' separators, and letters
// in code page 1252 (UTF-8 on disk).
TEST_F(CoSysTest, GridFileUnderAWindowsPath) {
  uint64_t cs = create(utm32(COSYS_ANG_GON));
  std::filesystem::create_directory(dir + "/geoider");
  writeFile("geoider/h\xC3\xB8yde_\xC3\xA6.kgeo",
            "KVXGEOID 1\ncoords grid\norigin 0 0\nstep 10 10\nsize 2 2\n30 31\n32 33\n");
  std::string win = "C:" + dir + "/geoider/h\xF8yde_\xE6.kgeo";
  for (char& c : win)
    if (c == '/') c = '\\';
  vCoSysSetupAddGeoideFile("WIN", win.c_str());
  double h = 0;
  ASSERT_TRUE(boCoSysCalcGeoideH(cs, "WIN", 5, 5, &h));
  EXPECT_NEAR(h, -31.5, 1e-12);
}

}  // namespace
