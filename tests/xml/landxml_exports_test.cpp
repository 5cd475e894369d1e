// LandXML through the exports of the loaded module, as a host uses it: a
// field book written and read back with the direct calls, and files that
// hold no document.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <string>

#include "landxml_fixture.h"
#include "tests/fieldbook/fb_module.h"
#include "testing/ui_driver.h"
#include "xml_test_dump.h"
#include "xml_test_util.h"

namespace {

class LandXmlExports : public LandXmlBook {
 protected:
  std::string sDump() { return sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)()); }
};

}  // namespace

TEST_F(LandXmlExports, AFieldBookWrittenAndReadBackIsTheSameUnderACommaLocale) {
  // A host may set a locale whose decimal mark is a comma: the file must
  // not change with it.
  std::string old = setlocale(LC_ALL, nullptr);
  bool comma = setlocale(LC_ALL, "nb_NO.UTF-8") != nullptr;
  PoPoint* p = FB(KvxMboNewPoint)("J1.A2.100");
  FB(vMboSetPointXY)(p, 2000.5, 7001);
  FB(vMboSetPointZ)(p, 100.25);
  vPoPointSetField(p, "KUM & co");
  boViFieldsSetOrAddFieldByName(FB(pKvxMboPFieldsGet)(), p, "Owner", "S\xf8nn \x80");
  p = FB(KvxMboNewPoint)("P2");
  FB(vMboSetPointXY)(p, -3.125, 0.5);
  LiLine* line = FB(KvxMboNewLine)("Road");
  FB(KvxMboAddLineElm)(line, "J1.A2.100");
  FB(KvxMboAddLineElm)(line, "P2");
  const std::string before = sDump();

  std::string path = m_dir + "/book.xml";
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 25, path.c_str()));
  EXPECT_TRUE(XmlTestSchemaErrors(kvxtest::ReadFile(path), KVX_TEST_DATA "/landxml/LandXML-1.2.xsd").empty());
  EXPECT_NE(kvxtest::ReadFile(path).find("<CgPoint name=\"100\" code=\"KUM &amp; co\" oID=\"J1.A2.100\">7001.000000 "
                                         "2000.500000 100.250000</CgPoint>"),
            std::string::npos);
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 25, path.c_str()));
  setlocale(LC_ALL, old.c_str());
  EXPECT_EQ(sDump(), before);
  if (!comma) GTEST_SKIP() << "no comma-decimal locale installed (scripts/test.sh generates nb_NO.UTF-8)";
}

TEST_F(LandXmlExports, AFileWithoutADocumentIsAFailedReadThatKeepsTheFieldBook) {
  FB(vMboSetPointXY)(FB(KvxMboNewPoint)("OLD"), 1, 2);
  const std::string before = sDump();
  for (const char* bytes : {"", "\x01\x02 garbage"}) {
    SCOPED_TRACE(bytes);
    std::string path = m_dir + "/junk.xml";
    kvxtest::WriteFile(path, bytes);
    vUiExpectBox(IDOK, "cannot be read.\nLine 1: ");
    EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host_, 25, path.c_str()));
    EXPECT_EQ(sDump(), before);
  }
  // Recovery makes an empty root of a lone start tag: read, as nothing.
  std::string path = m_dir + "/junk.xml";
  kvxtest::WriteFile(path, "<LandXML");
  vUiExpectBox(IDOK, "is damaged; what could be read before the fault was read.\nLine 1: ");
  EXPECT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 25, path.c_str()));
  EXPECT_EQ(sDump(), "");
}

// The XML formats carry no stations or observations: a write of a field
// book that holds some says how many it leaves out, and still writes the
// file (as it does for an empty field book, without a word).
TEST_F(LandXmlExports, AWriteSaysHowManyStationsAndObservationsItLeavesOut) {
  for (int writer : {25, 26, 28, 29, 30}) {
    SCOPED_TRACE(writer);
    std::string empty = m_dir + "/empty" + std::to_string(writer);
    ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, writer, empty.c_str()));
    EXPECT_TRUE(std::filesystem::exists(empty));
  }
  void* ts = FB(pMboAddSt)(1);
  FB(pMboAddObs)(1, ts);
  FB(pMboAddObs)(1, ts);
  FB(pMboAddSt)(1);
  FB(pMboAddObs)(5, FB(pMboAddSt)(5));
  for (int writer : {25, 26, 28, 29, 30}) {
    SCOPED_TRACE(writer);
    std::string path = m_dir + "/survey" + std::to_string(writer);
    vUiExpectBox(IDOK, "Not written, the format carries no stations or observations: 3 stations and 3 observations.");
    ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, writer, path.c_str()));
    EXPECT_TRUE(std::filesystem::exists(path));
  }
}
