// The LandXML writer: golden files of a field book that uses every kind of
// object (byte-exact, CR LF) in each dialect, each validated against the
// LandXML 1.2 schema, and hostile texts that must reach the file as XML that
// decodes to them.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/project.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys_setup.h"
#include "kvxtest_clock.h"
#include "win32.h"
#include "xml/landxml.h"
#include "xml/landxml_read.h"
#include "xml/landxml_write.h"
#include "xml_test_util.h"

namespace {

class LandXmlWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    vKvxMboInit(nullptr);
    SYSTEMTIME t{2024, 5, 5, 17, 9, 30, 0, 0};
    vKvxTestClockSetLocalTime(&t);
  }
  void TearDown() override {
    vKvxMboFinish();
    vKvxTestClockSetLocalTime(nullptr);
    vCoSysSetupReset();
  }
};

LiElm* pVertex(LiLine* line, const char* pid, double x, double y, double z) {
  LiElm* e = KvxMboAddLineElm(line, pid);
  GeoPnt3 p{x, y, z};
  vLiElmSetP(line, e, &p);
  return e;
}

// Points, lines with every element type, polygons, nets and fields.
void vBuildSample() {
  PoPoint* p = KvxMboNewPoint("J1.A2.100");
  vMboSetPointXY(p, 2000.5, 7001);
  vMboSetPointZ(p, 100.25);
  vPoPointSetField(p, "KUM");
  p = KvxMboNewPoint("P2");
  vMboSetPointXY(p, -3.125, 0.000001);
  boViFieldsSetOrAddFieldByName(pKvxMboPFieldsGet(), p, "Owner", "Berg & S\xf8nn");
  boViFieldsSetOrAddFieldByName(pKvxMboPFieldsGet(), p, "name", "not written");
  KvxMboNewPoint("NoCoordinates");
  // Vertices refer to A; the other vertex IDs name no written point and are
  // written without a reference.
  p = KvxMboNewPoint("A");
  vMboSetPointXY(p, 0, 0);
  vMboSetPointZ(p, 1);

  LiLine* l = KvxMboNewLine("Road");
  LiElm* a = pVertex(l, "A", 0, 0, 1);
  LiElm* b = pVertex(l, "B", 10, 0, 2);
  LiElm* c = pVertex(l, "", 20, 10, 3);
  pVertex(l, "D", 40, 20, 4);
  (void)a;
  boLiElmSet2pArc(l, b, 10, 0);
  boLiElmSetClotoide(l, c, 30, 0, -80);
  boViFieldsSetOrAddFieldByName(pKvxMboLFieldsGet(), l, "Surface", "asphalt");
  vLiLineSetField(l, "KANT & <2>");
  // Two sub-lines, 2-D.
  LiLine* two = LiLinesCreate2dLine(g_pMboLines);
  pVertex(two, "E", 0, 0, 0);
  boLiElmSetType(two, pVertex(two, "F", 5, 0, 0), KV2GR_ELM_SUBEND);
  pVertex(two, "G", 0, 5, 0);
  pVertex(two, "H", 5, 5, 0);

  YgPolygon* y = KvxMboNewPolygon("Lot 7");
  pVertex(y, "A", 0, 0, 1);
  pVertex(y, "B", 10, 0, 2);
  pVertex(y, "", 10, 10, 3);
  vYgPolygonSetField(y, "TOMT");  // the only thing its Feature carries
  YgPolygon* unnamed = KvxMboNewPolygon("");
  pVertex(unnamed, "X", 1, 1, 0);
  pVertex(unnamed, "Y", 2, 1, 0);
  pVertex(unnamed, "Z", 2, 2, 0);

  for (const char* id : {"Hill", "Hill", "", "Empty", "Hill"}) {
    TrNet* net = KvxMboNewTriangleNet(id);
    if (!strcmp(id, "Empty")) continue;
    for (int i = 0; i < 3; i++) {
      GeoPnt3 q{100.0 + i, 200.0 + (i == 2), 5.5 * i};
      vTrNetSetP(net, i, &q);
    }
    vTrNetSetTriangle(net, 0, 0, 1, 2);
  }
  boViFieldsSetOrAddFieldByName(pKvxMboNFieldsGet(), TrNetsGetFirst(g_pMboNets), "Layer", "terrain");
  boMboSetProjectAttr("PROJECT", "Fjord \"North\"");
  boMboSetProjectAttr("TERVERSION", "23.1");
  boMboSetProjectAttr("KEYATTRIBUTE", "Owner");  // the code in the plain dialect
}

std::string sWritten(int dialect) {
  kvxtest::TempDir tmp;
  std::string path = tmp.Path("landxml_out.xml");
  EXPECT_TRUE(boLxmlWriteFile(path.c_str(), dialect));
  std::string text = kvxtest::ReadFile(path);
  remove(path.c_str());
  return text;
}

// A field book that uses every path of the writer: texts with markup
// characters, 8-bit and control bytes in every attribute, empty and missing
// codes, 2-D and 3-D points, points without a place, attribute fields with
// empty values and the names the writer treats apart, vertices that name
// points, carry their own place or have none, arcs both ways, clothoids,
// lines and polygons in parts, unnamed lines and polygons, lines left out
// whole, nets with points that have no finite place, a coordinate system.
void vBuildVaried() {
  const char* const odd[] = {"a<b>&\"c'", "\xe6\xf8\xe5\x80\x9f", "t\tx\x01y", "", " lead", "1.2.3", "end."};
  ViFields* pf = pKvxMboPFieldsGet();
  for (int i = 0; i < 40; i++) {
    std::string id = i % 5 == 0 ? std::string(odd[i / 5 % 7]) + std::to_string(i) : "P" + std::to_string(i);
    PoPoint* p = KvxMboNewPoint(id.c_str());
    if (i % 11 == 7) continue;  // no place
    vMboSetPointXY(p, 1000.0 + i * 1.0625, 2000.0 - i * 0.3333333);
    if (i % 3) vMboSetPointZ(p, i * 0.001 - 0.02);
    if (i % 4 == 1) vPoPointSetField(p, odd[i % 7]);
    if (i % 4 == 2) vPoPointSetField(p, "KUM");
    if (i % 6 == 0) boViFieldsSetOrAddFieldByName(pf, p, "Owner", odd[(i / 6) % 7]);
    if (i % 9 == 0) boViFieldsSetOrAddFieldByName(pf, p, "S_FCODE", "FC&1");
    if (i % 10 == 0) boViFieldsSetOrAddFieldByName(pf, p, "S_OBJID", "9");
    if (i % 13 == 0) boViFieldsSetOrAddFieldByName(pf, p, "name", "n");
  }
  ViFields* lf = pKvxMboLFieldsGet();
  // Named vertices at their points, one with no place at all, own places.
  LiLine* l = KvxMboNewLine("Road <1> & \xe6");
  KvxMboAddLineElm(l, "P1");
  KvxMboAddLineElm(l, "P2");
  KvxMboAddLineElm(l, "P7");  // a point without a place: left out
  LiElm* own = KvxMboAddLineElm(l, "");
  vMboSetElmXY(l, own, 5, 6);
  vMboSetElmZ(l, own, 7);
  LiElm* arc = KvxMboAddLineElm(l, "P3");
  KvxMboAddLineElm(l, "P4");
  LiElm* clo = KvxMboAddLineElm(l, "P6");
  KvxMboAddLineElm(l, "P8");
  boLiElmSet2pArc(l, arc, -25, 0);
  boLiElmSetClotoide(l, clo, 12.5, 40, 0);
  vLiLineSetField(l, "VEG\"1\"");
  boViFieldsSetOrAddFieldByName(lf, l, "Width", "");
  boViFieldsSetOrAddFieldByName(lf, l, "Lanes", "2 & 3");
  // Unnamed, 2-D, in two parts.
  LiLine* two = LiLinesCreate2dLine(g_pMboLines);
  pVertex(two, "", 0, 0, 0);
  boLiElmSetType(two, pVertex(two, "Q", 5, 0, 0), KV2GR_ELM_SUBEND);
  pVertex(two, "", 0, 5, 0);
  pVertex(two, "P9", 5, 5, 0);
  // Left out whole: no vertex has a place.
  LiLine* none = KvxMboNewLine("Nowhere");
  KvxMboAddLineElm(none, "P7");
  KvxMboAddLineElm(none, "missing");
  // One vertex.
  KvxMboAddLineElm(KvxMboNewLine("Single"), "P11");
  LiLine* unnamed = KvxMboNewLine("");
  KvxMboAddLineElm(unnamed, "P12");
  KvxMboAddLineElm(unnamed, "P13");

  ViFields* yf = pKvxMboYFieldsGet();
  YgPolygon* y = KvxMboNewPolygon("Lot \"7\"");
  pVertex(y, "P1", 0, 0, 1);
  boLiElmSetType(y, pVertex(y, "", 10, 0, 2), KV2GR_ELM_SUBEND);
  pVertex(y, "", 10, 10, 3);
  pVertex(y, "P14", 20, 10, 3);
  pVertex(y, "", 20, 20, 3);
  vYgPolygonSetField(y, "TOMT");
  boViFieldsSetOrAddFieldByName(yf, y, "Area", "12.5");
  YgPolygon* blank = KvxMboNewPolygon("");
  pVertex(blank, "X", 1, 1, 0);
  pVertex(blank, "Y", 2, 1, 0);
  pVertex(blank, "Z", 2, 2, 0);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const char* id : {"Hill", "", "Hill", "A&B"}) {
    TrNet* net = KvxMboNewTriangleNet(id);
    for (int i = 0; i < 5; i++) {
      GeoPnt3 q{100.0 + i, 200.0 + (i % 2), i == 3 ? nan : 5.5 * i};
      if (i == 4 && *id == 'A') q.x = nan;
      vTrNetSetP(net, i, &q);
    }
    vTrNetSetTriangle(net, 0, 0, 1, 2);
    vTrNetSetTriangle(net, 1, 1, 2, 3);
    vTrNetSetTriangle(net, 2, 2, 3, 4);
  }
  boViFieldsSetOrAddFieldByName(pKvxMboNFieldsGet(), TrNetsGetFirst(g_pMboNets), "Layer", "<terrain>");

  CoSysSetupDef def{"UTM 32N & co", "EUREF89", "TM", 25832, 0, 0, 0, 0.1570796, 0.9996, 500000, 0, 0, COSYS_ANG_GON, 0};
  g_mboTransfer.uCoSys = CoSysSetupCreateSystem(&def);
  g_mboTransfer.uCoSysVersion = CoSysSetupCreateVer("NN2000", "NN2000");
  boMboSetProjectAttr("PROJECT", "Fjord <\xe6\x85>");
}

}  // namespace

// Every dialect of the varied book, with and without a key attribute,
// byte for byte, and valid.
TEST_F(LandXmlWriter, VariedBookMatchesItsGoldenFilesInEveryDialect) {
  vBuildVaried();
  for (const char* key : {"", "Owner"}) {
    boMboSetProjectAttr("KEYATTRIBUTE", key);
    for (int dialect : {LXML_DIALECT_PLAIN, LXML_DIALECT_LEICA, LXML_DIALECT_TRIMBLE, LXML_DIALECT_HEXML}) {
      // Only the plain and HeXML dialects have a key attribute.
      if (*key && (dialect == LXML_DIALECT_LEICA || dialect == LXML_DIALECT_TRIMBLE)) continue;
      std::string name = std::string("written_varied_") + "pltx"[dialect] + (*key ? "_key" : "") + ".xml";
      SCOPED_TRACE(name);
      std::string text = sWritten(dialect);
      std::string golden = std::string(KVX_TEST_DATA "/landxml/") + name;
      EXPECT_EQ(text, kvxtest::ReadFile(golden)) << "see " << golden << ".new";
      if (text != kvxtest::ReadFile(golden)) std::ofstream(golden + ".new", std::ios::binary) << text;
      // Its clothoid does not fit between its end points: its PI stands
      // in the chord's middle, and the file is valid.
      EXPECT_EQ(XmlTestSchemaErrors(text, KVX_TEST_DATA "/landxml/LandXML-1.2.xsd"), std::vector<std::string>{});
    }
  }
}

TEST_F(LandXmlWriter, EachDialectMatchesItsGoldenFileAndTheSchema) {
  vBuildSample();
  const char* goldens[] = {"plain.xml", "leica.xml", "trimble.xml"};
  for (int dialect : {LXML_DIALECT_PLAIN, LXML_DIALECT_LEICA, LXML_DIALECT_TRIMBLE}) {
    SCOPED_TRACE(goldens[dialect]);
    std::string text = sWritten(dialect);
    EXPECT_EQ(LxmlDialect, dialect);
    std::string golden = std::string(KVX_TEST_DATA "/landxml/written_") + goldens[dialect];
    EXPECT_EQ(text, kvxtest::ReadFile(golden)) << "see " << golden << ".new";
    if (text != kvxtest::ReadFile(golden)) std::ofstream(golden + ".new", std::ios::binary) << text;
    EXPECT_EQ(XmlTestSchemaErrors(text, KVX_TEST_DATA "/landxml/LandXML-1.2.xsd"), std::vector<std::string>{});
  }
}

TEST_F(LandXmlWriter, LineAndPolygonCodesReadBack) {
  vBuildSample();
  for (int dialect : {LXML_DIALECT_PLAIN, LXML_DIALECT_LEICA, LXML_DIALECT_TRIMBLE}) {
    SCOPED_TRACE(dialect);
    std::string text = sWritten(dialect);
    vKvxMboFinish();
    vKvxMboInit(nullptr);
    ASSERT_TRUE(boLxmlInterpret(text.data(), (int64_t)text.size()));
    // The Trimble dialect writes lines as parcels: they come back as polygons.
    LiLines* lines = dialect == LXML_DIALECT_TRIMBLE ? g_pMboPolygons : g_pMboLines;
    LiLine* road = LiLinesGetFirst(lines);
    ASSERT_NE(road, nullptr);
    EXPECT_STREQ(sLiLineGetField(road), "KANT & <2>");
    EXPECT_STREQ(sViFieldsGetFieldByName(pViLFieldsGet(lines), road, "Surface"), "asphalt");
    EXPECT_LT(iViFieldsFindField(pViLFieldsGet(lines), "Code"), 0);  // the code is no attribute
    EXPECT_STREQ(sLiLineGetField(LiLinesGetNext(lines, road)), "");  // uncoded stays uncoded
    YgPolygon* lot = nullptr;
    for (YgPolygon* y = YgPolygonsGetFirst(g_pMboPolygons); y; y = YgPolygonsGetNext(g_pMboPolygons, y))
      if (sMboGetPolygonObjID(y) && !strcmp(sMboGetPolygonObjID(y), "Lot 7")) lot = y;
    ASSERT_NE(lot, nullptr);
    EXPECT_STREQ(sYgPolygonGetField(lot), "TOMT");
    vKvxMboFinish();
    vKvxMboInit(nullptr);
    vBuildSample();
  }
}

// Coordinates are printf's "%f" digits, cut where its 128- and 192-byte
// buffers cut them: random values, values of every size, halves of the
// last digit (exact binary fractions), rounding edges and the largest
// doubles.
TEST_F(LandXmlWriter, CoordinatesArePrintfsDigits) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> plain(-1e7, 1e7);
  const double edges[] = {
      0.0000005, -0.0000005,     2.5e-7,          1e20,    1e300,   -1.7e308, 0.1 + 0.2, 0.9999995, 4e15,
      -4.5e15,   123456.0000045, 999999.99999949, 0x1p-11, 0x1p-12, 0x1p52,   0x1.8p-8,  0.0,       -0.0};
  auto value = [&]() {
    double sign = rng() % 2 ? 1 : -1;
    switch (rng() % 5) {
      case 0:
        return sign * edges[rng() % std::size(edges)];
      case 1:  // any size a coordinate may have, and beyond
        return sign * std::ldexp((double)(rng() >> 11), (int)(rng() % 80) - 80);
      case 2:  // a half of the last digit, or near it
        return sign * ((double)(rng() % (1ull << 40)) / 128 + (rng() % 2 ? 0 : 0x1p-30));
      default:
        return plain(rng);
    }
  };
  std::vector<std::string> expected;
  for (int i = 0; i < 3000; i++) {
    double v[3];
    for (double& d : v) d = value();
    PoPoint* p = KvxMboNewPoint(("P" + std::to_string(i)).c_str());
    vMboSetPointXY(p, v[0], v[1]);
    char buf[1000];
    if (i % 4) {
      vMboSetPointZ(p, v[2]);
      snprintf(buf, sizeof buf, "%f %f %f", v[1], v[0], v[2]);
      expected.push_back(std::string(buf).substr(0, 191));
    } else {
      snprintf(buf, sizeof buf, "%f %f", v[1], v[0]);
      expected.push_back(std::string(buf).substr(0, 127));
    }
  }
  std::string text = sWritten(LXML_DIALECT_TRIMBLE);
  std::vector<std::string> written;
  for (size_t at = 0; (at = text.find("<CgPoint ", at)) != std::string::npos; at++) {
    size_t from = text.find('>', at) + 1;
    written.push_back(text.substr(from, text.find("</CgPoint>", from) - from));
  }
  EXPECT_EQ(written, expected);
}

TEST_F(LandXmlWriter, HostileTextsReachTheFileAsWellFormedXmlThatDecodesToThem) {
  const char* hostile = "a&b<c>\"d'\x01\x1f\t\xe6\xf8\xe5\x80\x84\x9f";
  KvxMboNewPoint(hostile);
  vMboSetPointXY(PoPointsGetFirst(g_pMboPoints), 1, 2);
  vPoPointSetField(PoPointsGetFirst(g_pMboPoints), hostile);
  LiLine* l = KvxMboNewLine(hostile);
  pVertex(l, hostile, 0, 0, 0);
  pVertex(l, "B", 1, 0, 0);
  std::string text = sWritten(LXML_DIALECT_PLAIN);
  EXPECT_NE(text.find("&#x20AC;&#x201E;&#x178;"), std::string::npos);  // € „ Ÿ as references
  xmlDocPtr doc = xmlReadMemory(text.data(), (int)text.size(), "x.xml", nullptr, XML_PARSE_NONET);
  ASSERT_NE(doc, nullptr) << "not well-formed";
  // Control characters dropped; the tab normalised to a blank by the parser.
  const std::string expected = "a&b<c>\"d' \xc3\xa6\xc3\xb8\xc3\xa5\xe2\x82\xac\xe2\x80\x9e\xc5\xb8";
  std::vector<std::string> values =
      XmlTestAttrValues(doc, {"CgPoint", "Start", "PlanFeature"}, {"oID", "code", "name", "pntRef"});
  xmlFreeDoc(doc);
  EXPECT_EQ(values, (std::vector<std::string>{expected, expected, expected, expected, expected}));
  // A point ID of control bytes only still gives its reference, empty.
  vMboSetPointXY(KvxMboNewPoint("\x02"), 3, 4);
  LiLine* ctl = KvxMboNewLine("C");
  pVertex(ctl, "\x02", 0, 0, 0);
  pVertex(ctl, "B", 1, 0, 0);
  EXPECT_NE(sWritten(LXML_DIALECT_PLAIN).find("<Start pntRef=\"\">"), std::string::npos);
}

TEST_F(LandXmlWriter, CoordinateSystemOnlyWhenOpenAndFailuresReported) {
  CoSysSetupDef def{"UTM 32N", "EUREF89", "TM", 25832, 0, 0, 0, 0.1570796, 0.9996, 500000, 0, 0, COSYS_ANG_GON, 0};
  g_mboTransfer.uCoSys = CoSysSetupCreateSystem(&def);
  g_mboTransfer.uCoSysVersion = CoSysSetupCreateVer("NN2000", "NN2000");
  std::string text = sWritten(LXML_DIALECT_PLAIN);
  EXPECT_NE(text.find("<CoordinateSystem fileLocation=\"\" horizontalDatum=\"UTM 32N\" verticalDatum=\"NN2000\" "
                      "epsgCode=\"25832\"/>\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("CgPoints"), std::string::npos);  // an empty field book has no sections
  g_mboTransfer.uCoSys = g_mboTransfer.uCoSysVersion = 0;
  EXPECT_EQ(sWritten(LXML_DIALECT_PLAIN).find("CoordinateSystem"), std::string::npos);
  EXPECT_FALSE(boLxmlWriteFile("/dev/full", LXML_DIALECT_PLAIN));
  EXPECT_FALSE(boLxmlWriteFile("/nonexistent-folder/out.xml", LXML_DIALECT_PLAIN));
}
