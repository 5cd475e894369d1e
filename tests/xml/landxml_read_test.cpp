// The LandXML reader: points in groups with their precedence, features,
// units and coordinate systems of LandXML 1.0 to 1.2 (with and without a
// namespace), a write -> read round trip of a field book, the precalculated
// flags, and hostile input that must never crash, leak or blow up.
#include <gtest/gtest.h>

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
  bool boReadFile(const char* name) { return boRead(sXmlTestSlurp(std::string(KVX_TEST_DATA "/landxml/") + name)); }
};

}  // namespace

TEST_F(LandXmlReader, GroupsFeaturesUnitsAndCoordinateSystemOfA10File) {
  ASSERT_TRUE(boReadFile("read_v10_groups.xml"));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints),
            "[P1] 2003.0000 7003.0000 103.0000 BOLT desc=Bolt in r\xf8" "ck timeStamp=2012-05-03T10:20:30Z "
            "Owner=Berg & S\xf8nn LeicaPointClass=Reference\n"
            "[P3] 5000.0000 6000.0000 -  codename=Tree\n"
            "[] 20.0000 10.0000 30.0000 \n"
            "[] 21.0000 11.0000 - \n"
            "[P2] 3003.0000 8003.0000 -  LeicaPointClass=Control\n");
}

TEST_F(LandXmlReader, FilesWithoutNamespaceAreReadAndForeignLengthsWarned) {
  vUiExpectBox(IDOK, "\"USSurveyFoot\"");
  ASSERT_TRUE(boReadFile("read_v11_nonamespace.xml"));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[A] 200.0000 100.0000 10.0000 \n[B] 201.0000 101.0000 - \n");
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
  std::string path = sXmlTestTemp("roundtrip.xml");
  ASSERT_TRUE(boLxmlWriteFile(path.c_str(), LXML_DIALECT_PLAIN));
  vMboResetFieldBook();
  ASSERT_TRUE(boRead(sXmlTestSlurp(path)));
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
  ASSERT_TRUE(boRead(
      "<LandXML><CgPoints><CgPoint name=\"A\">1 2 3</CgPoint></CgPoints>"
      "<CgPoints name=\"Control\"><CgPoint name=\"B\">1 2 3</CgPoint></CgPoints></LandXML>"));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[A] 2.0000 1.0000 3.0000 xyP zP \n[B] 2.0000 1.0000 3.0000  LeicaPointClass=Control\n");
}

TEST_F(LandXmlReader, HostileInputNeverCrashesNorExpands) {
  const char* point = "<CgPoints><CgPoint name=\"P\">1 2</CgPoint></CgPoints>";
  // An external entity stays unexpanded: nothing of the file reaches a text.
  ASSERT_TRUE(boRead(std::string("<?xml version=\"1.0\"?><!DOCTYPE LandXML [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                                 "<LandXML><CgPoints><CgPoint name=\"X\" code=\"&x;\">&x;5 6</CgPoint></CgPoints></LandXML>")));
  EXPECT_EQ(sXmlTestDumpPoints(g_pMboPoints), "[X] 6.0000 5.0000 - \n");
  vMboResetFieldBook();

  // A billion laughs stops at once.
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE LandXML [<!ENTITY l0 \"ha\">";
  for (int i = 1; i < 10; i++)
    laughs += sStrFormat("<!ENTITY l%d \"&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;\">", i, i - 1, i - 1,
                         i - 1, i - 1, i - 1, i - 1, i - 1, i - 1, i - 1, i - 1);
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
