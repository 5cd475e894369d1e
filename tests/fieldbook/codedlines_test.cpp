// Coded lines from line commands and point codes: the element chains they
// leave in the field book, squaring, parallels and height extension.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fieldbook/codedlines.h"
#include "fieldbook/completion.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "line_helpers.h"

namespace {

using Lines = std::vector<std::string>;

class CodedLines : public ::testing::Test {
 protected:
  void SetUp() override {
    vKvxMboInit(nullptr);
    vLinesReadStart();
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
  // The vertices of line i as "x,y,z" to 6 decimals (trailing zeros cut).
  static Lines Coords(int i) {
    LiLine* line = LiLinesGetFirst(g_pMboLines);
    while (i-- > 0) line = LiLinesGetNext(g_pMboLines, line);
    Lines out;
    for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
      GeoPnt3 p;
      vLiElmGetP(line, e, &p);
      out.push_back(sXyz(p));
    }
    return out;
  }
  static std::string sXyz(const GeoPnt3& p) {
    char buf[96];
    iNumPrintC(buf, sizeof buf, "%g,%g,%g", Round(p.x), Round(p.y), Round(p.z));
    return buf;
  }
  static double Round(double v) { return std::round(v * 1e6) / 1e6 + 0.0; }
  static std::string sPointXyz(const char* name) {
    GeoPnt3 p;
    vPoPointGetP(pMboFindPoint(name), &p);
    return sXyz(p);
  }
};

}  // namespace

TEST_F(CodedLines, EnablingLineNumbersCodesAndBlankNames) {
  Cmd(MBO_LINE_ENABLE, "-9", "-9");
  AddAll({"1", "2"});
  EXPECT_EQ(DumpLines(), Lines{});
  Cmd(MBO_LINE_ENABLE);
  On("1", "A");
  No("2");
  Add("B", 0, 0, NAN, "KANT");  // the first code names the line
  On("1", "C");
  On("3", "D");  // alone: dropped
  No("2");
  vMboLineSetCode("VEG");  // a line code names it in any case
  Add("E", 0, 0, NAN, "IGNORED");
  No("1");
  vMboRecMarkNewStation();
  Add("S");                 // a new station's point joins no line
  No("0");                  // the next point starts an unnumbered line
  AddAll({"F", " ", "G"});  // a blank name adds nothing
  EXPECT_EQ(pMboLineAddCodedPoint("  ", "X"), nullptr);
  EXPECT_EQ(iMboCountPoints(), 10);  // and makes no point
  EXPECT_NE(pMboLineCurrent(), nullptr);
  EXPECT_EQ(Flushed(), (Lines{"1||: A C", "2|VEG|: B E", "||: F G"}));
  EXPECT_EQ(pMboLineCurrent(), nullptr);
  AddAll({"H", "I"});  // the flush disabled the builder again
  EXPECT_EQ(iLiLinesGetCount(g_pMboLines), 3);
}

TEST_F(CodedLines, WithoutLineNumbersANumberContinuesAndZeroStartsANewLine) {
  Cmd(MBO_LINE_AUTO_NO_NUMBER);
  Cmd(MBO_LINE_ENABLE);
  On("5", "A");
  On("5", "B");
  On("0", "C");
  Add("D");
  Cmd(MBO_LINE_NOTHING);  // any command ends the unnumbered line
  AddAll({"E", "F"});
  EXPECT_EQ(Flushed(), (Lines{"||: A B", "||: C D", "||: E F"}));
}

TEST_F(CodedLines, GroupsFillTheirLinesInTurn) {
  Cmd(MBO_LINE_GROUP_CYCLIC, "3");
  AddAll({"1", "2", "3", "4", "5", "6", "7", "8", "9"});
  Cmd(MBO_LINE_GROUP_END);
  Cmd(MBO_LINE_GROUP_BACK, "3");
  AddAll({"a", "b", "c", "d", "e", "f", "g", "h", "i"});
  Cmd(MBO_LINE_GROUP_END);
  // A group size from a file allocates only the lines that get points.
  Cmd(MBO_LINE_GROUP_CYCLIC, "999999999");
  AddAll({"x", "y"});
  EXPECT_EQ(iLiLinesGetCount(g_pMboLines), 8);
  EXPECT_EQ(Flushed(), (Lines{"||: 1 4 7", "||: 2 5 8", "||: 3 6 9", "||: a f g", "||: b e h", "||: c d i"}));
}

TEST_F(CodedLines, ArcsInsertionsClosingAndNamedVertices) {
  // Every command forgets the current line: the points name theirs.
  On("1", "A");
  Cmd(MBO_LINE_ARC);
  On("1", "B");
  Cmd(MBO_LINE_ARC);
  On("1", "C");
  Cmd(MBO_LINE_TYPE_A);  // no geometry of its own
  On("1", "D");
  Cmd(MBO_LINE_ARC);  // on a first vertex: no arc
  On("2", "F");
  Cmd(MBO_LINE_ARC);
  On("2", "G");
  On("2", "H");
  Cmd(MBO_LINE_CLOSE_NEXT);
  On("3", "I");
  Add("J");  // no command between: stays on line 3
  No("2");
  vMboLineSetText(" F ");
  Add("X");  // after F
  No("2");
  Cmd(MBO_LINE_SKIP);
  Add("Y");  // joins no line
  No("1");
  Cmd(MBO_LINE_ADD_NAMED, " P 2 ", "CODE");  // a vertex without a point
  No("2");
  Cmd(MBO_LINE_CLOSE);
  EXPECT_EQ(Flushed(), (Lines{"1|CODE|: A(B) C D P_2", "2||P: F X G H", "3||P: I J"}));
  EXPECT_EQ(pMboFindPoint("P_2"), nullptr);
}

TEST_F(CodedLines, SquaringMakesARectangleOfThreeCorners) {
  Cmd(MBO_LINE_SQUARE);
  Add("A", 100, 200, 10);
  Add("B", 110, 200, 11);
  Add("C", 110.2, 205, 12);  // 2.3 degrees off the right angle
  Cmd(MBO_LINE_SQUARE);
  Add("D", 0, 0, 0);
  Add("E", 10, 0, 0);
  Add("F", 15, 5, 0);  // 45 degrees: stays
  // A moved corner stands on no point any more: completing the vertices
  // from their points on Save keeps the rectangle.
  EXPECT_EQ(Flushed(), (Lines{"||P: A B - -", "||P: D E F -"}));
  vMboResolveElmCoords();
  EXPECT_EQ(Coords(0), (Lines{"100,200,10", "110,200,11", "110,205,11", "100,205,11"}));
  EXPECT_EQ(Coords(1), (Lines{"0,0,0", "10,0,0", "15,5,0", "0,5,0"}));
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
  // A closed line's parallel is closed too.
  Cmd(MBO_LINE_PARALLEL, "1", "");
  No("6");
  Cmd(MBO_LINE_CLOSE_NEXT);
  Add("D", 0, 50, 0);
  Add("E", 10, 50, 0);
  Add("F", 10, 60, 0);
  EXPECT_EQ(Flushed(), (Lines{"5||: A B C", "6||P: D E F", "|ROAD|: - - -", "|CURB|: - - -", "||P: - - -"}));
  // Right of travel first east then north: south, then east.
  vMboResolveElmCoords();  // Save: the parallels stay where they are
  EXPECT_EQ(Coords(2), (Lines{"0,-2,1.5", "12,-2,2.5", "12,10,3.5"}));
  EXPECT_EQ(Coords(3), (Lines{"0,1,1", "9,1,2", "9,10,3"}));
  LiLine* par = LiLinesGetNext(g_pMboLines, LiLinesGetNext(g_pMboLines, LiLinesGetFirst(g_pMboLines)));
  EXPECT_TRUE(boMboGetElmXY(par, LiElmGetFirst(par), nullptr, nullptr));
  EXPECT_TRUE(boMboGetElmZ(par, LiElmGetFirst(par), nullptr));
}

TEST_F(CodedLines, HeightExtensionMovesTheSecondPointAlongTheFirst) {
  Cmd(MBO_LINE_HEIGHT_EXT, "2.0");
  Add("A", 0, 0, 0);  // the reference: joins no line
  Add("B", 3, 0, 4);
  Add("C", 9, 9, 9);
  Cmd(MBO_LINE_HEIGHT_EXT);  // the previous distance
  Add("D", 0, 0, 5);
  Add("E", 0, 10, 5);  // level: keeps its height
  Add("F", 1, 1, 1);
  Cmd(MBO_LINE_HEIGHT_EXT);
  vFeedPoint("G");  // no coordinates: nothing to extend along
  Add("H", 3, 4, 0);
  EXPECT_EQ(Flushed(), (Lines{"||: B C", "||: E F"}));  // H alone is dropped
  EXPECT_EQ((Lines{sPointXyz("B"), sPointXyz("E"), sPointXyz("H")}), (Lines{"4.2,0,5.6", "0,12,5", "3,4,0"}));
}

TEST_F(CodedLines, CloseTakesTheNumberedOrTheCurrentLineWithoutAVertex) {
  // In a group: the current line, and the group does not advance.
  Cmd(MBO_LINE_GROUP_CYCLIC, "2");
  AddAll({"a1", "b1", "a2", "b2"});
  Cmd(MBO_LINE_CLOSE);
  AddAll({"a3", "b3"});
  Cmd(MBO_LINE_GROUP_END);
  // A line not begun yet takes the close, its number and code at its first
  // point.
  No("1");
  vMboLineSetCode("KANT");
  Cmd(MBO_LINE_CLOSE);
  Add("A", 0, 0, NAN, "KUM");
  AddAll({"B", "C"});
  No("2");
  AddAll({"D", "E"});
  No("3");
  AddAll({"F", "G"});
  // A number closes its line, which takes the code given with it.
  No("2");
  vMboLineSetCode("VEG");
  Cmd(MBO_LINE_CLOSE);
  // Without a number or a current line the close and code wait.
  vMboLineSetCode(
      "GR\xD8"
      "FT");
  Cmd(MBO_LINE_CLOSE);
  No("0");
  AddAll({"H", "I"});
  EXPECT_EQ(Flushed(), (Lines{"||: a1 a2 a3", "||P: b1 b2 b3", "1|KANT|P: A B C", "2|VEG|P: D E", "3||: F G",
                              "|GR\xD8"
                              "FT|P: H I"}));
}

TEST_F(CodedLines, PerPointModeKeepsTheLineThePointsFollow) {
  vMboLineSetPerPointMode(1);
  Add("A");
  Cmd(MBO_LINE_ARC);
  Add("B");
  Cmd(MBO_LINE_ARC);
  Add("C");
  Cmd(MBO_LINE_ENABLE);  // enabling again keeps the line too
  Add("D");
  On("5", "E");  // a number does not take over an unnumbered line
  Add("F");
  Cmd(MBO_LINE_SKIP);
  Add("X");
  No("5");
  Cmd(MBO_LINE_CLOSE);
  Add("G");      // follows on the closed line
  On("5", "H");  // which gave up its number
  Add("I");
  Add("I");  // a line does not take the point it ends on again
  vMboLineEnd();
  AddAll({"J", "K"});
  On("5", "L");  // an ended line gives up its number too
  Add("M");
  EXPECT_EQ(Flushed(), (Lines{"||: A(B) C D", "5||P: E F G", "5||: H I", "||: J K", "5||: L M"}));
}
