// XML documents that cannot be read, or only in part, through the exported
// direct read: a warning that names the file, libxml2's first error and its
// line; a document that cannot be parsed leaves the field book as it was
// and fails the read, a damaged one that recovery reads in part keeps what
// was recovered.
#include <gtest/gtest.h>

#include <string>

#include "landxml_fixture.h"
#include "tests/fieldbook/fb_module.h"
#include "testing/ui_driver.h"
#include "xml_test_dump.h"

namespace {

class UnreadableXml : public LandXmlBook {
 protected:
  std::string sDump() { return sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)()); }
};

struct Case {
  int iDriver;
  const char* sFile;  // under tests/data, or "" for an empty file of the test
  const char* sError;
  bool boRead;
  const char* sPoints;  // the field book after the read; null: as before
};

}  // namespace

TEST_F(UnreadableXml, AFailedParseKeepsTheFieldBookAndADamagedFileKeepsWhatWasRecovered) {
  const Case cases[] = {
      {25, "landxml/truncated.xml",
       "is damaged; what could be read before the fault was read.\nLine 13: Specification "
       "mandates value for attribute na",
       true,
       "[P1] 600001.2500 6650001.5000 11.0000 \n[P2] 600002.2500 6650002.5000 12.0000 \n"
       "[P3] 600003.2500 6650003.5000 13.0000 \n[P4] 600004.2500 6650004.5000 14.0000 \n"},
      {29, "landxml/truncated.xml", "is damaged", true, nullptr},
      {25, "landxml/unknown_encoding.xml", "cannot be read.\nLine 1: Unsupported encoding x-kvx-unknown", false,
       nullptr},
      {26, "landxml/not_xml.xml", "cannot be read.\nLine 1: Start tag expected, '<' not found", false, nullptr},
      {25, "", "cannot be read.\nLine 1: Document is empty", false, nullptr},
      {30, "jobxml/truncated.jxl", "cannot be read.\nLine 6: Premature end of data in tag North line 6", false,
       nullptr},
      {30, "jobxml/unknown_encoding.jxl", "cannot be read.\nLine 1: Unsupported encoding x-kvx-unknown", false,
       nullptr},
      {74, "maxml/truncated.mxl", "cannot be read.\nLine 6: Premature end of data in tag North line 6", false, nullptr},
      {74, "maxml/unknown_encoding.mxl", "cannot be read.\nLine 1: Unsupported encoding x-kvx-unknown", false, nullptr},
  };
  std::string recovered;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sFile) + " as " + std::to_string(c.iDriver));
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
    PoPoint* old = FB(KvxMboNewPoint)("OLD");
    FB(vMboSetPointXY)(old, 1, 2);
    const std::string before = sDump();
    std::string path = *c.sFile ? std::string(KVX_TEST_DATA "/") + c.sFile : Put("empty.xml", "");
    vUiExpectBox(IDOK, (path + " " + c.sError).c_str());
    EXPECT_EQ(c.boRead ? 1 : 0, FB(boKvxMboReadRawDirect)(&host_, c.iDriver, path.c_str()));
    if (c.sPoints) recovered = c.sPoints;  // else the same file as the case before
    EXPECT_EQ(sDump(), c.boRead ? recovered : before);
    EXPECT_EQ(iUiPendingBoxes(), 0);
  }
}
