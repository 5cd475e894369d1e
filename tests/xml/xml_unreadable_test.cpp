// XML documents that cannot be read, or only in part, through the exported
// direct read: a warning that names the file, libxml2's first error and its
// line; a document that cannot be parsed leaves the field book as it was
// and fails the read, a damaged one that recovery reads in part keeps what
// was recovered.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libxml/xmlmemory.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
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

// libxml2's allocator refusing every request once the budget of bytes asked
// for since it was set is spent; the library's own allocator is back at the
// end of the scope. (libxml2 is one shared library for the test and the
// loaded module.)
class XmlAllocationBudget {
 public:
  explicit XmlAllocationBudget(size_t bytes) {
    xmlMemGet(&s_free, &s_malloc, &s_realloc, &s_strdup);
    s_left = bytes;
    xmlMemSetup(s_free, Malloc, Realloc, Strdup);
  }
  ~XmlAllocationBudget() { xmlMemSetup(s_free, s_malloc, s_realloc, s_strdup); }
  XmlAllocationBudget(const XmlAllocationBudget&) = delete;
  XmlAllocationBudget& operator=(const XmlAllocationBudget&) = delete;

 private:
  static bool boTake(size_t n) {
    if (n > s_left) {
      s_left = 0;
      return false;
    }
    s_left -= n;
    return true;
  }
  static void* Malloc(size_t n) { return boTake(n) ? s_malloc(n) : nullptr; }
  static void* Realloc(void* p, size_t n) { return boTake(n) ? s_realloc(p, n) : nullptr; }
  static char* Strdup(const char* text) {
    size_t n = strlen(text) + 1;
    char* copy = (char*)Malloc(n);
    if (copy) memcpy(copy, text, n);
    return copy;
  }
  static inline size_t s_left;
  static inline xmlFreeFunc s_free;
  static inline xmlMallocFunc s_malloc;
  static inline xmlReallocFunc s_realloc;
  static inline xmlStrdupFunc s_strdup;
};

// A readable document of many points for the driver.
std::string sManyPoints(int driver) {
  std::string text = driver == 25   ? "<LandXML><CgPoints>"
                     : driver == 30 ? "<JOBFile version=\"5.6\"><Reductions>"
                                    : "<MAXML version=\"1.0\"><PlanEntities>";
  for (int i = 0; i < 20000; i++) {
    std::string n = std::to_string(i);
    if (driver == 25)
      text += "<CgPoint name=\"P" + n + "\">1 2 3</CgPoint>";
    else if (driver == 30)
      text += "<Point><Name>P" + n + "</Name><Grid><North>1</North><East>2</East></Grid></Point>";
    else
      text += "<DesignPoint id=\"e" + n + "\"><Station><Name>P" + n +
              "</Name><Position><NEH><North>1</North><East>2</East></NEH></Position></Station></DesignPoint>";
  }
  return text + (driver == 25   ? "</CgPoints></LandXML>"
                 : driver == 30 ? "</Reductions></JOBFile>"
                                : "</PlanEntities></MAXML>");
}

}  // namespace

TEST_F(UnreadableXml, OutOfMemoryInTheParserFailsTheReadAndKeepsTheFieldBook) {
  // libxml2 running out at different places of building the tree (the
  // strict parse sometimes returns a document after it). The budgets lie
  // beyond the copy of the input, where libxml2 loses memory when it fails.
  for (int driver : {25, 30, 74}) {
    std::string path = Put("big" + std::to_string(driver) + ".xml", sManyPoints(driver));
    size_t size = sManyPoints(driver).size();
    for (size_t budget : {size * 2, size * 5 / 2, size * 3, size * 4}) {
      SCOPED_TRACE("driver " + std::to_string(driver) + ", budget " + std::to_string(budget));
      FB(vKvxMboFinish)();
      FB(vKvxMboInit)(&host_);
      PoPoint* old = FB(KvxMboNewPoint)("OLD");
      FB(vMboSetPointXY)(old, 1, 2);
      const std::string before = sDump();
      vUiExpectBox(IDOK, ("Not enough memory to read " + path).c_str());
      {
        XmlAllocationBudget limit(budget);
        EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host_, driver, path.c_str()));
      }
      EXPECT_EQ(sDump(), before);
      EXPECT_EQ(iUiPendingBoxes(), 0);
    }
    // With memory enough the same file reads.
    if (driver == 30) vUiExpectBox(IDNO, "No Fxl file given");
    EXPECT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, driver, path.c_str()));
    EXPECT_NE(sDump().find("[P19999]"), std::string::npos);
  }
}

TEST_F(UnreadableXml, AFileLargerThanTheParserTakesIsRefusedUnread) {
  // A sparse file: no disk space, and nothing of it is read.
  std::string path = Put("huge.xml", "");
  int fd = open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(0, ftruncate(fd, (off_t)INT_MAX + 1));
  close(fd);
  PoPoint* old = FB(KvxMboNewPoint)("OLD");
  FB(vMboSetPointXY)(old, 1, 2);
  const std::string before = sDump();
  for (int driver : {25, 30, 74}) {
    vUiExpectBox(IDOK, (path + " cannot be read.\nLine 1: Document is too large").c_str());
    EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host_, driver, path.c_str()));
    EXPECT_EQ(sDump(), before);
    EXPECT_EQ(iUiPendingBoxes(), 0);
  }
}

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
