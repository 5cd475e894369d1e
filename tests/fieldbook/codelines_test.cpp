// Code-driven lines: control codes 37 to 99 and the lines they leave in the
// field book when a set is finished.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "line_helpers.h"

namespace {

using Lines = std::vector<std::string>;

class CodeLines : public ::testing::Test {
 protected:
  void SetUp() override {
    vKvxMboInit(nullptr);
    vLinesReadStart();
    vMboLineCommand(MBO_LINE_AUTO_OFF, "", "");  // points go to the code-driven builder
  }
  void TearDown() override { vKvxMboFinish(); }

  static bool Code(int code, const char* a = "", const char* b = "") { return boMboApplyControlCode(code, a, b); }
  static void Add(const std::vector<const char*>& names, const char* code = "") {
    for (const char* n : names) vFeedPoint(n, code);
  }
};

}  // namespace

TEST_F(CodeLines, SetsFillTheirLinesInTurnAndDropSinglePoints) {
  EXPECT_FALSE(Code(36));
  EXPECT_FALSE(Code(40));  // no meaning
  EXPECT_TRUE(Code(73));
  Add({"1", "2", "3", "4", "5", "6"});
  EXPECT_TRUE(Code(83));  // finishes the first set
  Add({"a", "b", "c", "d", "e", "f", "g", "h", "i"});
  Code(72);
  Add({"x", "y", "z"});  // y alone on line 2
  Code(99);
  EXPECT_FALSE(boMboCodeLineAddPoint("X", "", MBO_CODE_VERTEX_NORMAL));  // no set open
  EXPECT_EQ(DumpLines(), (Lines{"||: 1 4", "||: 2 5", "||: 3 6", "||: a f g", "||: b e h", "||: c d i", "||: x z"}));
}

TEST_F(CodeLines, IndexAbove100GoesToLine100) {
  Code(60);
  Code(61, "150");
  Add({"A", "B"});
  EXPECT_EQ(iMboCodeLineCount(), 100);
  EXPECT_NE(pMboCodeLineGet(100), nullptr);
  Code(61, "2");
  Add({"C", "D"});
  Code(62, "KUM");  // names the current line
  Code(63, "L2");
  Code(99);
  EXPECT_EQ(DumpLines(), (Lines{"||: A B", "L2|KUM|: C D"}));
}

TEST_F(CodeLines, NamesIdsAndThePendingNameAcrossSets) {
  Code(91, "KANT");  // the pending name: lines without a name of their own
  Add({"A", "B"}, "RAW");
  EXPECT_STREQ(sMboCodeLineCurrentName(), "KANT");
  Code(99);
  EXPECT_STREQ(sMboCodeLineCurrentName(), "");  // no set open
  Code(92);
  Add({"C", "D"});
  Code(62, "VEG");
  Code(99);
  Code(91);
  Add({"E", "F"});
  Code(99);
  EXPECT_EQ(DumpLines(), (Lines{"|KANT|: A B", "|VEG|: C D", "|KANT|: E F"}));
}

TEST_F(CodeLines, ClosingFinishesTheSetAsPolygons) {
  Code(96);  // no set open: closes nothing later
  Code(72);
  Add({"1", "2", "3", "4"});
  Code(96);
  Code(91);
  Add({"5", "6", "7"});
  Code(99);
  EXPECT_EQ(DumpLines(), (Lines{"||P: 1 3", "||P: 2 4", "||: 5 6 7"}));
}

TEST_F(CodeLines, ArcCodesAndRadii) {
  Code(91);
  Code(93);  // the next point plain, the two after it arc points
  Add({"A", "B", "C"});
  vFeedPoint("D", "", 0, 0);
  Code(54, "12.5");
  // The arc's ends take their points' coordinates for the chord.
  vFeedPoint("E", "", 20, 0);
  Add({"F"});
  Code(99);
  EXPECT_EQ(DumpLines(), (Lines{"||: A(B) C D~12.5 E F"}));
}

TEST_F(CodeLines, ARadiusBeyondTheFloatRangeDrawsNoArc) {
  Code(91);
  vFeedPoint("A", "", 0, 0);
  Code(54, "1e300");
  vFeedPoint("B", "", 20, 0);
  Code(54, "-1e999");
  vFeedPoint("C", "", 40, 0);
  Code(99);
  EXPECT_EQ(DumpLines(), (Lines{"||: A B C"}));
}

TEST_F(CodeLines, LongSetsKeepEveryPoint) {
  Code(91);
  std::vector<std::string> names;
  for (int i = 1; i <= 1500; i++) names.push_back(std::to_string(i));
  for (const std::string& n : names) vFeedPoint(n.c_str());
  Code(99);
  LiLine* line = LiLinesGetFirst(g_pMboLines);
  EXPECT_EQ(iLiElmGetCount(line), 1500);
  char pid[16];
  boMboGetElmPID(line, LiElmGetLast(line), pid, sizeof pid);
  EXPECT_STREQ(pid, "1500");
}

TEST_F(CodeLines, AllNinesCodeNamesTheOpenLine) {
  vFeedPoint("0", "9999", 0, 0);  // no set open
  Code(91, "KANT");
  vFeedPoint("1", "99999", 1, 0);
  Code(62, "VEG");
  vFeedPoint("2", "9999", 2, 0);
  vFeedPoint("3", "999", 3, 0);  // too short to be all nines
  Code(99);
  EXPECT_EQ((Lines{sPoPointGetField(pMboFindPoint("0")), sPoPointGetField(pMboFindPoint("1")),
                   sPoPointGetField(pMboFindPoint("2")), sPoPointGetField(pMboFindPoint("3"))}),
            (Lines{"", "KANT", "VEG", "999"}));
  EXPECT_EQ(DumpLines(), (Lines{"|VEG|: 1 2 3"}));
}

TEST_F(CodeLines, LinesRunAcrossAStationChange) {
  Code(91, "KANT");
  vFeedPoint("A", "", 1, 1);
  // A new station point: stored, not part of the line.
  vMboRecSetStationName("S1");
  vMboRecSetCoord(MBO_REC_NORTH, "5");
  vMboRecSetCoord(MBO_REC_EAST, "5");
  vMboFlushPending();
  vFeedPoint("B", "", 2, 2);
  // An observation from another station to C.
  vMboRecSetStationName("S2");
  vMboRecSetPointName("C");
  vMboRecSetObsValue(32, "10.0");
  vMboFlushPending();
  Code(99);
  EXPECT_EQ(DumpLines(), (Lines{"|KANT|: A B C"}));
  EXPECT_NE(pMboFindPoint("S1"), nullptr);
}

TEST_F(CodeLines, PointIdsWithJobAndAreaContinuationAndWithheldPoints) {
  Code(91);
  Code(64, " 1 ");
  Code(67, "J");
  Code(64, "2");
  Code(68, "A");
  Code(37, "NAME");  // withholds the next point
  char name[16] = "";
  EXPECT_EQ(iMboCodeLineGetName(name, sizeof name), 1);
  EXPECT_STREQ(name, "NAME");
  Add({"skipped"});
  EXPECT_EQ(iMboCodeLineGetName(name, sizeof name), 0);
  Code(64, "3");
  // Continuation: the next point ends this line and starts the next; its
  // name is already an identifier and stays as it is.
  Code(38);
  Add({"4", "5"});
  Code(99);
  EXPECT_EQ(DumpLines(), (Lines{"||: 1 J..2 J.A.3 J.A.4", "||: J.A.4 J.A.5"}));
}

TEST_F(CodeLines, EndOfReadFinishesAndResetDropsUnfinishedLines) {
  Code(74);
  Add({"1", "2", "3", "4", "5", "6", "7", "8"});
  vLinesReadEnd();
  EXPECT_EQ(DumpLines().size(), 4u);
  EXPECT_EQ(iMboCodeLineCount(), 0);
  Code(72);
  Add({"9", "10"});
  EXPECT_EQ(iLiLinesGetCount(g_pMboLines), 6);
  vMboCodeLineReset();  // the unfinished lines hold no vertices: they go
  EXPECT_EQ(iLiLinesGetCount(g_pMboLines), 4);
}
