// The LandXML reader: points in groups with their precedence, features,
// units and coordinate systems of LandXML 1.0 to 1.2 (with and without a
// namespace), a write -> read round trip of a field book, the precalculated
// flags, and hostile input that must never crash, leak or blow up.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "base/text.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "kvxtest_clock.h"
#include "testing/ui_driver.h"
#include "xml/landxml.h"
#include "xml/landxml_read.h"
#include "xml/landxml_write.h"
#include "xml_test_util.h"
#include "xml_test_dump.h"

namespace {

class LandXmlReader : public ::testing::Test {
 protected:
  void SetUp() override { vKvxMboInit(nullptr); }
  void TearDown() override { vKvxMboFinish(); }

  bool boRead(const std::string& text, int dialect = LXML_DIALECT_PLAIN) {
    LxmlDialect = dialect;
    return boLxmlInterpret(text.data(), (int64_t)text.size());
  }
  bool boReadFile(const char* name) { return boRead(kvxtest::ReadFile(std::string(KVX_TEST_DATA "/landxml/") + name)); }
};

}  // namespace

TEST_F(LandXmlReader, GroupsFeaturesUnitsAndCoordinateSystemOfA10File) {
  ASSERT_TRUE(boReadFile("read_v10_groups.xml"));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints),
            "[P1] 2003.0000 7003.0000 103.0000 BOLT desc=Bolt in r\xf8"
            "ck timeStamp=2012-05-03T10:20:30Z "
            "Owner=Berg & S\xf8nn LeicaPointClass=Reference\n"
            "[P3] 5000.0000 6000.0000 -  codename=Tree\n"
            "[] 20.0000 10.0000 30.0000 \n"
            "[] 21.0000 11.0000 - \n"
            "[P2] 3003.0000 8003.0000 -  LeicaPointClass=Control\n");
}

TEST_F(LandXmlReader, FilesWithoutNamespaceAreReadAndTheirLengthsTurnedIntoMetres) {
  // US survey feet, 1200/3937 m each.
  ASSERT_TRUE(boReadFile("read_v11_nonamespace.xml"));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[A] 60.9601 30.4801 3.0480 \n[B] 61.2649 30.7849 - \n");
  // A unit the schema does not name is told, and read as metres.
  vMboResetFieldBook();
  vUiExpectBox(IDOK, "The file gives lengths in \"furlong\". They are read as metres.");
  ASSERT_TRUE(
      boRead("<LandXML><Units><Imperial linearUnit=\"furlong\"/></Units><CgPoints><CgPoint name=\"A\">1 2 "
             "3</CgPoint></CgPoints></LandXML>"));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[A] 2.0000 1.0000 3.0000 \n");
}

TEST_F(LandXmlReader, AWrittenFieldBookReadsBackUnchanged) {
  SYSTEMTIME t{2024, 5, 5, 17, 9, 30, 0, 0};
  vKvxTestClockSetLocalTime(&t);
  const char* hostile = "a&b<c>\"d'\xe6\xf8\xe5\x80 1";
  PoPoint* p = KvxMboNewPoint("J1.A2.100");
  vMboSetPointXY(p, 2000.5, 7001);
  vMboSetPointZ(p, 100.25);
  vPoPointSetField(p, hostile);
  boViFieldsSetOrAddFieldByName(pKvxMboPFieldsGet(), p, "Owner", hostile);
  p = KvxMboNewPoint(hostile);
  vMboSetPointXY(p, -3.125, 0.5);
  boViFieldsSetOrAddFieldByName(pKvxMboPFieldsGet(), p, "Layer", "L\x80");
  p = KvxMboNewPoint("");  // no ID and no code
  vMboSetPointXY(p, 1, 2);
  const std::string before = sXmlTestDumpPoints(g_pMboPoints);
  kvxtest::TempDir tmp;
  std::string path = tmp.Path("roundtrip.xml");
  ASSERT_TRUE(boLxmlWriteFile(path.c_str(), LXML_DIALECT_PLAIN));
  vMboResetFieldBook();
  ASSERT_TRUE(boRead(kvxtest::ReadFile(path)));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), before);
  remove(path.c_str());
  vKvxTestClockSetLocalTime(nullptr);
}

TEST_F(LandXmlReader, PrecalculatedFlagsKeptInOrdinaryGroupsClearedInDeferredOnes) {
  PoPoint* a = KvxMboNewPoint("A");
  PoPoint* b = KvxMboNewPoint("B");
  for (PoPoint* p : {a, b}) {
    vMboSetPointXY(p, 0, 0);
    vMboSetPointZ(p, 0);
    vMboSetPointXYprecalc(p, 1);
    vMboSetPointZprecalc(p, 1);
  }
  ASSERT_TRUE(
      boRead("<LandXML><CgPoints><CgPoint name=\"A\">1 2 3</CgPoint></CgPoints>"
             "<CgPoints name=\"Control\"><CgPoint name=\"B\">1 2 3</CgPoint></CgPoints></LandXML>"));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints),
            "[A] 2.0000 1.0000 3.0000 xyP zP \n[B] 2.0000 1.0000 3.0000  LeicaPointClass=Control\n");
}

TEST_F(LandXmlReader, HostileInputNeverCrashesNorExpands) {
  const char* point = "<CgPoints><CgPoint name=\"P\">1 2</CgPoint></CgPoints>";
  // An external entity stays unexpanded: nothing of the file reaches a text.
  ASSERT_TRUE(
      boRead(std::string("<?xml version=\"1.0\"?><!DOCTYPE LandXML [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                         "<LandXML><CgPoints><CgPoint name=\"X\" code=\"&x;\">&x;5 6</CgPoint></CgPoints></LandXML>")));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[X] 6.0000 5.0000 - \n");
  vMboResetFieldBook();

  // A billion laughs stops at once.
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE LandXML [<!ENTITY l0 \"ha\">";
  for (int i = 1; i < 10; i++)
    laughs += sStrFormat("<!ENTITY l%d \"&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;\">", i, i - 1, i - 1, i - 1,
                         i - 1, i - 1, i - 1, i - 1, i - 1, i - 1, i - 1);
  laughs += "]><LandXML><CgPoints><CgPoint name=\"&l9;\" code=\"&l9;\">&l9;1 2</CgPoint></CgPoints></LandXML>";
  boRead(laughs);
  EXPECT_LE(iMboCountPoints(), 1);
  vMboResetFieldBook();

  // A truncated file gives what recovery finds.
  ASSERT_TRUE(boRead(std::string("<LandXML>") + point + "<CgPoints><CgPoint name=\"Q\">3 4</CgPoint><CgPo"));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[P] 2.0000 1.0000 - \n[Q] 4.0000 3.0000 - \n");
  vMboResetFieldBook();

  for (const std::string& junk : {std::string(), std::string("\x00\x01garbage", 9), std::string("not xml at all")}) {
    boRead(junk);
    EXPECT_EQ(iMboCountPoints(), 0);
  }
}

namespace {

// A read in progress, for the helpers the geometry and survey sections
// share.
class LandXmlHelpers : public LandXmlReader {
 protected:
  void SetUp() override {
    LandXmlReader::SetUp();
    m_read.pPoints = pLxmlPtIndexNew(0);
    g_pLxmlRead = &m_read;
    LxmlDialect = LXML_DIALECT_PLAIN;
  }
  void TearDown() override {
    g_pLxmlRead = nullptr;
    vLxmlPtIndexFree(&m_read.pPoints);
    LandXmlReader::TearDown();
  }
  xmlNode* pElem(const std::string& text) {
    m_doc = pXmlParseMemory(text.data(), (int64_t)text.size());
    return xmlDocGetRootElement(m_doc.get());
  }
  LxmlRead m_read{};
  XmlDocPtr m_doc;
};

std::string sCoords(const LxmlCoords& c) { return sStrFormat("%g %g %g /%d", c.north, c.east, c.height, c.iCount); }

}  // namespace

TEST_F(LandXmlHelpers, PointReferencesFindOrMakeWithWholeCoordinatesAndNeverMoveAPoint) {
  PoPoint* p1 = KvxMboNewPoint("P1");
  vMboSetPointXY(p1, 2, 1);
  pLxmlPtIndexAdd(m_read.pPoints, p1, "one", 0);
  LxmlCoords found{}, scanned{};

  // Found by ID: the point's coordinates, nothing changed.
  LxmlPtIndexEntry* e =
      pLxmlResolvePoint(pElem("<Start pntRef=\"P1\">9 9 9</Start>"), LXML_REF_BY_NAME, &found, &scanned);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->pPoint, p1);
  EXPECT_EQ(sCoords(found), "1 2 0 /2");
  // By the file's name, reading the text too: the text is the caller's,
  // the point stays where it is.
  e = pLxmlResolvePoint(pElem("<End name=\"one\">5 6 7</End>"), 7, &found, &scanned);
  EXPECT_EQ(e->pPoint, p1);
  EXPECT_EQ(sCoords(found), "1 2 0 /2");
  EXPECT_EQ(sCoords(scanned), "5 6 7 /3");
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[P1] 2.0000 1.0000 - \n");
  // A single number makes the point but sets no half coordinate.
  e = pLxmlResolvePoint(pElem("<End pntRef=\"NEW\" code=\"K\">5</End>"), 7, &found, nullptr);
  ASSERT_TRUE(e);
  EXPECT_EQ(sCoords(found), "5 0 0 /1");
  // Without a reference nothing is made.
  EXPECT_EQ(pLxmlResolvePoint(pElem("<Center>3 4</Center>"), 7, &found, nullptr), nullptr);
  EXPECT_EQ(sCoords(found), "3 4 0 /2");
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[P1] 2.0000 1.0000 - \n[NEW] 0.0000 0.0000 - xyP K\n");
  // The HeXML dialect names the point by its name first.
  LxmlDialect = LXML_DIALECT_HEXML;
  e = pLxmlResolvePoint(pElem("<End pntRef=\"R\" name=\"N\">1 1</End>"), 7, &found, nullptr);
  EXPECT_STREQ(e->sName, "N");
}

TEST_F(LandXmlHelpers, FeaturesGiveCodesAndFieldsToLines) {
  LiLine* l = KvxMboNewLine("L");
  xmlNode* elem = pElem(
      "<PlanFeature><Feature code=\"Kerb\"><Property label=\"Height\" value=\"0.12\"/></Feature>"
      "<Feature code=\"Other\"><Property label=\"Code\" value=\"FROM-PROPERTY\"/></Feature></PlanFeature>");
  vLxmlApplyFeatures(elem, l, LXML_OBJ_LINE, "Kerb;Fence");
  EXPECT_STREQ(sLiLineGetField(l), "");
  EXPECT_STREQ(sViFieldsGetFieldByName(pKvxMboLFieldsGet(), l, "Height"), "0.12");
  vLxmlApplyFeatures(elem, l, LXML_OBJ_LINE, nullptr);
  EXPECT_STREQ(sLiLineGetField(l), "FROM-PROPERTY");  // the first Feature's code, then the Property's
}

TEST(LandXmlAngles, FileUnitsBecomeRadiansWithCarriedMinutesAndSeconds) {
  EXPECT_DOUBLE_EQ(dLxmlAngleToRad(200, LXML_ANG_GRAD), M_PI);
  EXPECT_DOUBLE_EQ(dLxmlAngleToRad(90, LXML_ANG_DEG), M_PI / 2);
  EXPECT_DOUBLE_EQ(dLxmlAngleToRad(1.5, LXML_ANG_RAD), 1.5);
  EXPECT_NEAR(dLxmlAngleToRad(10.3030, LXML_ANG_DMS), (10 + 30 / 60.0 + 30 / 3600.0) * M_PI / 180, 1e-9);
  EXPECT_NEAR(dLxmlAngleToRad(10.5960, LXML_ANG_DMS), 11 * M_PI / 180, 1e-9);  // 60" and then 60' carry
  EXPECT_NEAR(dLxmlAngleToRad(-10.3000, LXML_ANG_DMS), -10.5 * M_PI / 180, 1e-9);
}
