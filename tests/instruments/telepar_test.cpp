// The code parameter file's matching: which entry wins a code and what its
// parameters take out of the code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "fieldbook/extrafields.h"
#include "instruments/telepar.h"
#include "testing/tempdir.h"

namespace {

class TeleparMatch : public ::testing::Test {
 protected:
  void SetUp() override {
    vMboExtraFieldsInitAll();
    std::string path = dir_.Path() + "/t.ini";
    std::ofstream(path) << "[POINT]\r\n"
                           "AB?=FCODE:Q1 Q:\"?\"\r\n"
                           "AB*=FCODE:S1 S:\"*\"\r\n"
                           "ABX=L:lit\r\n"
                           "EN*=V:\"?\" W:\"w*\"\r\n"
                           "1X=ignored:key\r\n"
                           "[LINE]\r\n"
                           "+=G:global\r\n";
    set_ = pTeleparLoad(path.c_str());
    ASSERT_NE(nullptr, set_);
  }
  void TearDown() override {
    vTeleparFreeSet(set_);
    vMboExtraFieldsFreeAll();
  }
  // "prefix+patterns:name=value,..." of the winner, or "-".
  std::string sMatch(const char* code) {
    TeleparEntry* e = pTeleparMatch(reinterpret_cast<TeleparEntry*>(set_->points.pFirst), code);
    if (!e) return "-";
    std::string s = std::string(e->sPrefix) + e->sFcode + ":";
    for (int i = 0; i < e->iCount; ++i) s += std::string(e->params[i].sName) + "=" + e->params[i].sValue + ",";
    return s;
  }
  kvxtest::TempDir dir_;
  TeleparSet* set_ = nullptr;
};

TEST_F(TeleparMatch, TheBestScoreWinsAndTiesGoToTheEarlierEntry) {
  EXPECT_EQ(4, iSLinkCount(&set_->points));   // "1X" is no key
  EXPECT_EQ(nullptr, set_->lines.pFirst);     // "+" makes global fields, no entry
  EXPECT_EQ("ABQ1:Q=C,", sMatch("ABC"));      // ? and * score alike
  EXPECT_EQ("AB:L=lit,", sMatch("ABX"));      // a literal scores twice
  EXPECT_EQ("ABQ1:Q=?,", sMatch("AB"));       // two characters: the first entry, templates unresolved
  EXPECT_EQ("ABQ1:Q=C,", sMatch("ABCDEFG"));  // characters left over cost nothing
  EXPECT_EQ("-", sMatch("XY"));
  EXPECT_EQ("-", sMatch("A"));
  EXPECT_EQ("-", sMatch(""));
}

TEST_F(TeleparMatch, AStarParameterTakesTheCodeAfterAPoint) {
  EXPECT_EQ("EN:V=Q,W=w*,", sMatch("ENQ"));   // W has no pattern: its template unchanged
  EXPECT_EQ("EN:V=.,W=w*,", sMatch("EN.."));  // the '.' after the point is the code
  EXPECT_EQ("EN:V=,W=w*,", sMatch("EN."));    // at the code's end: nothing, never past it
  EXPECT_EQ("EN:V=5,W=w*,", sMatch("EN.5"));
}

TEST(TeleparText, PersistentTextsStayWithinTheirSize) {
  char text[TELEPAR_PERSIST_SIZE] = "";
  for (int i = 0; i < 200; ++i) vTeleparAppendCode(text, "KU");
  EXPECT_EQ(TELEPAR_PERSIST_SIZE - 1, (int)strlen(text));
  EXPECT_EQ(0, strncmp(text, "KU KU ", 6));
}

}  // namespace
