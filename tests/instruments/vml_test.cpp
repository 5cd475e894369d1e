// Leica VML files through the direct read export: points with their
// attribute columns, two-point lines from "H.Ref" and "Status", and
// records without a name or with coordinates that are not numbers.
#include <gtest/gtest.h>

#include "fb_dump.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/vml/";

using Strings = std::vector<std::string>;

class Vml : public InstrumentFiles {};

TEST_F(Vml, AHandWrittenFileWithLinesAndAttributes) {
  vOptions(100, "EO:100 NO:200");  // offsets are not applied to VML
  ASSERT_TRUE(boRead(100, kData + "survey.vml"));
  // Nameless records are two points, not one; "abc" and "z" are no
  // coordinates; a record with three fields is none.
  EXPECT_EQ((Strings{"A1 KANT 100.500 200.250 10.500", "A2 KANT 101.500 201.250 -", "A3 GRS 102.500 202.250 11.000",
                     "NOXY  - - 12.000", "TEXT  - - -", " NONAME1 1.000 2.000 3.000", " NONAME2 4.000 5.000 6.000",
                     "1.5  7.000 8.000 9.000"}),
            DumpPoints());
  EXPECT_EQ("road", sPointField("A1", "Layer"));
  EXPECT_EQ("", sPointField("A1", "Ignored"));  // not an attribute column
  EXPECT_EQ("R1", sPointField("A3", "H.Ref"));
  // Start, End, Start: A1-A2, then End-Start runs from A3 to A2. A2 has no
  // Z, so neither has its vertex.
  EXPECT_EQ((Strings{"L1|KANT|: A1 A2", "L2||: A3 A2"}), DumpLines());
  LiLines* lines = FB(pKvxMboLiLinesGet)();
  LiLine* l1 = LiLinesGetFirst(lines);
  LiLine* l2 = LiLinesGetNext(lines, l1);
  ViFields* lf = FB(pKvxMboLFieldsGet)();
  EXPECT_EQ("road", std::string(sViFieldsGetFieldByName(lf, l1, "Layer")));
  EXPECT_EQ("", std::string(sViFieldsGetFieldByName(lf, l2, "Layer")));
  EXPECT_EQ("R1", std::string(sViFieldsGetFieldByName(lf, l2, "H.Ref")));
  LiElm* e = LiElmGetNext(l1, LiElmGetFirst(l1));
  double x, y, z;
  EXPECT_TRUE(FB(boMboGetElmXY)(l1, e, &x, &y));
  EXPECT_EQ(101.5, x);
  EXPECT_FALSE(FB(boMboGetElmZ)(l1, e, &z));
  EXPECT_TRUE(FB(boMboGetElmZ)(l1, LiElmGetFirst(l1), &z));
  EXPECT_EQ(10.5, z);
}

TEST_F(Vml, OnlyFiniteDecimalNumbersAreCoordinates) {
  ASSERT_TRUE(boRead(100, kData + "numbers.vml"));
  // Infinity, hexadecimal, a number with a tail and "nan" are no values.
  EXPECT_EQ((Strings{"INF K - - 10.000", "HEX K - - -", "BIGZ K 100.500 200.250 -", "TAIL K - - -",
                     "GOOD K 101.500 -201.250 150.000"}),
            DumpPoints());
}

TEST_F(Vml, AnEmptyFileOrAHeaderOnlyGivesNothing) {
  Put("a.vml", "");
  boRead(100, m_dir + "/a.vml");
  Put("b.vml", "X\tY\tZ\tName\n");
  boRead(100, m_dir + "/b.vml");
  EXPECT_EQ(Strings{}, DumpPoints());
}

TEST_F(Vml, TheTailOfALongLineIsNoRecord) {
  std::string tail = "1\t2\t3\tP1\t" + std::string(394, 'c') + "9\t9\t9\tP2\r\n";
  Put("a.vml", "X\tY\tZ\tName\r\n" + tail);
  boRead(100, m_dir + "/a.vml");
  Strings points = DumpPoints();
  ASSERT_EQ(1u, points.size());
  EXPECT_EQ("P1 ccc", points[0].substr(0, 6));
}

TEST_F(Vml, ColumnsAreFoundByNameForEveryPointAndLine) {
  // Column 13 "S_FCODE" is the point's code, not a field; "Layer" twice is
  // one field that takes the later value; an unnamed column is not read.
  // The lines take the shared values by name.
  std::string head = "X\tY\tZ\tName\tCode\tLayer\t\t\tH.Ref\t\t\tStatus\t\tS_FCODE\tLayer\t\tOwner\r\n";
  std::string rows;
  for (int i = 0; i < 6; i++)
    rows += std::to_string(i) + "\t1\t2\tP" + std::to_string(i) + "\tC\tl" + std::to_string(i % 2) + "\t\t\tR" +
            std::to_string(i / 2) + "\t\t\t" + (i % 4 < 2 ? (i % 2 ? "End" : "Start") : (i % 2 ? "Start" : "End")) +
            "\t\t" + (i < 4 ? "S" : "") + "\tw\t\t" + (i % 3 ? "me" : "you") + "\r\n";
  Put("a.vml", head + rows);
  ASSERT_TRUE(boRead(100, m_dir + "/a.vml"));
  EXPECT_EQ((Strings{"P0 S 0.000 1.000 2.000", "P1 S 1.000 1.000 2.000", "P2 S 2.000 1.000 2.000",
                     "P3 S 3.000 1.000 2.000", "P4 C 4.000 1.000 2.000", "P5 C 5.000 1.000 2.000"}),
            DumpPoints());
  EXPECT_EQ("w", sPointField("P0", "Layer"));
  EXPECT_EQ("you", sPointField("P3", "Owner"));
  EXPECT_EQ((Strings{"L1|S|: P0 P1", "L2|S|: P3 P2", "L3|C|: P4 P5"}), DumpLines());
  ViFields* lf = FB(pKvxMboLFieldsGet)();
  std::vector<std::string> fields;
  for (LiLine* l = LiLinesGetFirst(FB(pKvxMboLiLinesGet)()); l; l = LiLinesGetNext(FB(pKvxMboLiLinesGet)(), l))
    fields.push_back(std::string(sViFieldsGetFieldByName(lf, l, "Layer")) + " " +
                     sViFieldsGetFieldByName(lf, l, "H.Ref") + " " + sViFieldsGetFieldByName(lf, l, "Owner") + " " +
                     sViFieldsGetFieldByName(lf, l, "Status"));
  EXPECT_EQ((Strings{"w R0  ", "w R1  ", "w R2 me "}), fields);
}

}  // namespace
