// Coded lines from line commands and point codes: the element chains they
// leave in the field book, squaring, parallels and height extension.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fieldbook/codedlines.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "line_helpers.h"

namespace {

using Lines = std::vector<std::string>;

class CodedLines : public ::testing::Test {
 protected:
  void SetUp() override {
    vKvxMboInit(nullptr);
    vMboLineReadBegin();
    vMboLineCommand(MBO_LINE_ENABLE, "", "");
  }
  void TearDown() override { vKvxMboFinish(); }

  // A measured point through the record builder.
  static void Add(const char* name, double x = 0, double y = 0, double z = NAN, const char* code = "") {
    vFeedPoint(name, code, x, y, z);
  }
  static void AddAll(const std::vector<const char*>& names) {
    for (const char* n : names) Add(n);
  }
  static void No(const char* no) { vMboLineSetLineNo(no); }
  static void On(const char* no, const char* name) {
    No(no);
    Add(name);
  }
  static void Cmd(int cmd, const char* a = "", const char* b = "") { vMboLineCommand(cmd, a, b); }
  static Lines Flushed() {
    vMboLineFinish();
    return DumpLines();
  }
  // XYZ of the vertices of line i.
  static std::vector<GeoPnt3> Coords(int i) {
    LiLine* line = LiLinesGetFirst(g_pMboLines);
    while (i-- > 0) line = LiLinesGetNext(g_pMboLines, line);
    std::vector<GeoPnt3> out;
    for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
      GeoPnt3 p;
      vLiElmGetP(line, e, &p);
      out.push_back(p);
    }
    return out;
  }
};

void ExpectNear(const std::vector<GeoPnt3>& got, const std::vector<GeoPnt3>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); i++) {
    EXPECT_NEAR(got[i].x, want[i].x, 1e-9) << "vertex " << i;
    EXPECT_NEAR(got[i].y, want[i].y, 1e-9) << "vertex " << i;
    EXPECT_NEAR(got[i].z, want[i].z, 1e-9) << "vertex " << i;
  }
}

}  // namespace

TEST_F(CodedLines, DisabledBuilderMakesNothingUntilEnabled) {
  Cmd(MBO_LINE_ENABLE, "-9", "-9");
  AddAll({"1", "2", "3"});
  EXPECT_EQ(DumpLines(), Lines{});
  Cmd(MBO_LINE_ENABLE, "0", "");
  AddAll({"4", "5", " "});  // a blank name adds nothing
  EXPECT_EQ(Flushed(), (Lines{"||: 4 5"}));
  // The flush disabled the builder again.
  AddAll({"6", "7"});
  EXPECT_EQ(DumpLines(), (Lines{"||: 4 5"}));
}

TEST_F(CodedLines, LineNumbersPickLinesAndSinglePointsGo) {
  No("1");
  Add("A", 0, 0, NAN, "KANT");
  No("2");
  Add("B");
  No("1");
  Add("C");
  No("3");
  Add("D");  // alone: dropped
  No("2");
  vMboLineSetCode("VEG");
  Add("E", 0, 0, NAN, "IGNORED");
  No("0");  // a new unnumbered line
  AddAll({"F", "G"});
  EXPECT_EQ(Flushed(), (Lines{"1|KANT|: A C", "2|VEG|: B E", "||: F G"}));
}

TEST_F(CodedLines, GroupsFillTheirLinesInTurn) {
  Cmd(MBO_LINE_GROUP_CYCLIC, "3");
  AddAll({"1", "2", "3", "4", "5", "6", "7", "8", "9"});
  Cmd(MBO_LINE_GROUP_END);
  Cmd(MBO_LINE_GROUP_BACK, "3");
  AddAll({"a", "b", "c", "d", "e", "f", "g", "h", "i"});
  EXPECT_EQ(Flushed(), (Lines{"||: 1 4 7", "||: 2 5 8", "||: 3 6 9", "||: a f g", "||: b e h", "||: c d i"}));
}

TEST_F(CodedLines, GroupSizeFromAFileAllocatesOnlyWhatIsUsed) {
  Cmd(MBO_LINE_GROUP_CYCLIC, "999999999");
  AddAll({"1", "2", "3", "4"});
  EXPECT_EQ(iLiLinesGetCount(g_pMboLines), 4);
  EXPECT_EQ(Flushed(), Lines{});  // four lines of one point each
}

TEST_F(CodedLines, ArcPointsMakeThreePointArcsTypeFlagsDoNot) {
  // Every command forgets the current line: the points name theirs.
  On("1", "A");
  Cmd(MBO_LINE_ARC);
  On("1", "B");
  Cmd(MBO_LINE_ARC);
  On("1", "C");
  Cmd(MBO_LINE_TYPE_A);
  On("1", "D");
  On("1", "E");
  Cmd(MBO_LINE_ARC);  // on a first vertex: no arc
  On("2", "F");
  Cmd(MBO_LINE_ARC);
  On("2", "G");
  On("2", "H");
  Cmd(MBO_LINE_ARC);
  On("3", "I");
  Add("J");  // not a command: stays on line 3
  EXPECT_EQ(Flushed(), (Lines{"1||: A(B) C D E", "2||: F G H", "3||: I J"}));
}

TEST_F(CodedLines, InsertAfterANamedVertex) {
  No("7");
  AddAll({"A", "B", "C"});
  No("7");
  vMboLineSetText(" A ");
  Add("X");
  No("7");
  vMboLineSetText("C");
  Add("Y");
  No("7");
  vMboLineSetText("NONE");
  Add("Z");
  EXPECT_EQ(Flushed(), (Lines{"7||: A X B C Y Z"}));
}

TEST_F(CodedLines, ClosingMarksTheLineOfTheNextVertexOrTheNumberedLine) {
  No("1");
  AddAll({"A", "B"});
  No("2");
  Cmd(MBO_LINE_CLOSE_NEXT);
  AddAll({"C", "D", "E"});
  No("1");
  Cmd(MBO_LINE_CLOSE);
  EXPECT_EQ(Flushed(), (Lines{"1||P: A B", "2||P: C D E"}));
}

TEST_F(CodedLines, SquaringMakesARectangleOfThreeCorners) {
  Cmd(MBO_LINE_SQUARE);
  Add("A", 100, 200, 10);
  Add("B", 110, 200, 11);
  Add("C", 110.2, 205, 12);  // 2.3 degrees off the right angle
  EXPECT_EQ(Flushed(), (Lines{"||P: A B C -"}));
  // Vertices get XY here; heights come from the points on Save.
  ExpectNear(Coords(0), {{100, 200, 0}, {110, 200, 0}, {110, 205, 0}, {100, 205, 0}});
}

TEST_F(CodedLines, SquaringLeavesCornersFarFromRightAngles) {
  Cmd(MBO_LINE_SQUARE);
  Add("A", 0, 0, 0);
  Add("B", 10, 0, 0);
  Add("C", 15, 5, 0);  // 45 degrees: stays
  Flushed();
  ExpectNear(Coords(0), {{0, 0, 0}, {10, 0, 0}, {15, 5, 0}, {0, 5, 0}});
}

TEST_F(CodedLines, ParallelLinesAreShiftedRaisedAndNameNoPoints) {
  vMboLineSetCode("ROAD");
  Cmd(MBO_LINE_PARALLEL, "2", "0.5");
  vMboLineSetCode("CURB");
  Cmd(MBO_LINE_PARALLEL, "-1", "");
  Cmd(MBO_LINE_PARALLEL, "0", "");  // records nothing, clears the code
  No("5");
  Add("A", 0, 0, 1);
  Add("B", 10, 0, 2);
  Add("C", 10, 10, 3);
  EXPECT_EQ(Flushed(), (Lines{"5||: A B C", "|ROAD|: - - -", "|CURB|: - - -"}));
  // Right of travel first east then north: south, then east.
  ExpectNear(Coords(1), {{0, -2, 0.5}, {12, -2, 0.5}, {12, 10, 0.5}});
  ExpectNear(Coords(2), {{0, 1, 0}, {9, 1, 0}, {9, 10, 0}});
  // Completion from points would have nothing to take: the vertices keep
  // their own coordinates, with the source's flags.
  LiLine* par = LiLinesGetNext(g_pMboLines, LiLinesGetFirst(g_pMboLines));
  double x, y, z;
  EXPECT_TRUE(boMboGetElmXY(par, LiElmGetFirst(par), &x, &y));
  EXPECT_FALSE(boMboGetElmZ(par, LiElmGetFirst(par), &z));  // the source had no Z flag
}

TEST_F(CodedLines, HeightExtensionMovesTheSecondPointAlongTheFirst) {
  Cmd(MBO_LINE_HEIGHT_EXT, "2.0");
  Add("A", 0, 0, 0);
  Add("B", 3, 0, 4);
  Add("C", 9, 9, 9);
  Cmd(MBO_LINE_HEIGHT_EXT);  // the previous distance
  Add("D", 0, 0, 5);
  Add("E", 0, 10, 5);  // level: keeps its height
  Add("F", 1, 1, 1);
  EXPECT_EQ(Flushed(), (Lines{"||: B C", "||: E F"}));
  GeoPnt3 b, e;
  vPoPointGetP(pMboFindPoint("B"), &b);
  vPoPointGetP(pMboFindPoint("E"), &e);
  EXPECT_NEAR(b.x, 4.2, 1e-12);
  EXPECT_NEAR(b.z, 5.6, 1e-12);
  EXPECT_NEAR(e.y, 12, 1e-12);
  EXPECT_NEAR(e.z, 5, 1e-12);
}

TEST_F(CodedLines, HeightExtensionWithoutCoordinatesMovesNothing) {
  Cmd(MBO_LINE_HEIGHT_EXT, "2.0");
  vFeedPoint("A");  // no coordinates
  Add("B", 3, 4, 0);
  GeoPnt3 b;
  vPoPointGetP(pMboFindPoint("B"), &b);
  EXPECT_EQ(b.x, 3);
  EXPECT_EQ(b.y, 4);
}

TEST_F(CodedLines, CommandTwelveAddsANamedVertexWithoutAPoint) {
  No("9");
  Add("A", 1, 1);
  No("9");
  Cmd(MBO_LINE_ADD_NAMED, " P 2 ", "CODE");
  EXPECT_EQ(Flushed(), (Lines{"9|CODE|: A P_2"}));
  EXPECT_EQ(pMboFindPoint("P_2"), nullptr);
}

TEST_F(CodedLines, PublishedLineIsClearedByCommandsAndTheFlush) {
  Add("A");
  EXPECT_NE(pMboLineCurrent(), nullptr);
  Cmd(MBO_LINE_NOTHING);
  EXPECT_EQ(pMboLineCurrent(), nullptr);
  Add("B");  // a new line: the current one was forgotten
  vMboLineFlush();
  EXPECT_EQ(pMboLineCurrent(), nullptr);
  EXPECT_EQ(iLiLinesGetCount(g_pMboLines), 0);
}

TEST_F(CodedLines, NewStationMarkKeepsAPointOutOfTheLine) {
  On("1", "A");
  vMboRecMarkNewStation();
  On("1", "S");
  On("1", "B");
  EXPECT_EQ(Flushed(), (Lines{"1||: A B"}));
}
