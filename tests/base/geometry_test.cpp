#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "base/geometry.h"

namespace {

// ------------------------------------------------------------ boxes

std::string sBox(const GeoBox2& b) {
  std::ostringstream o;
  o << b.xmin << ' ' << b.ymin << ' ' << b.xmax << ' ' << b.ymax;
  return o.str();
}

TEST(GeometryBox, EmptinessRules) {
  GeoBox3 b;
  EXPECT_TRUE(boGeoBox3IsEmpty(pGeoBox3Init(&b)));
  GeoPnt3 p{1, 2, 3}, q{4, 6, 8}, face{4, 3, 5}, out{4.001, 3, 5};
  EXPECT_TRUE(boGeoBox3IsEmpty(pGeoBox3FromPnts(&b, &p, &p)));  // around a single point
  vGeoBox3Extend(&b, &q);
  EXPECT_FALSE(boGeoBox3IsEmpty(&b));
  EXPECT_DOUBLE_EQ(dGeoBox3Dx(&b), 3);
  EXPECT_DOUBLE_EQ(dGeoBox3Dz(&b), 5);
  EXPECT_TRUE(boGeoBox3Contains(&b, &face));
  EXPECT_FALSE(boGeoBox3Contains(&b, &out));
  EXPECT_TRUE(boGeoBox3IsEmpty(pGeoBox3Set(&b, 0, 0, 0, 1, -1, 1)));  // a maximum below its minimum

  GeoBox2 c;
  EXPECT_TRUE(boGeoBox2IsEmpty(pGeoBox2Init(&c)));
  GeoPnt2 a{0, 0};
  vGeoBox2ExtendPnt2(&c, &a);
  EXPECT_TRUE(boGeoBox2IsEmpty(&c));
  GeoPnt3 b3{2, 5, 9};
  vGeoBox2ExtendPnt3(&c, &b3);
  EXPECT_FALSE(boGeoBox2IsEmpty(&c));
  EXPECT_DOUBLE_EQ(dGeoBox2Area(&c), 10);
}

TEST(GeometryBox, OverlapIntersectGrowScale) {
  GeoBox2 a, b, r;
  pGeoBox2Set(&a, 0, 0, 2, 2);
  pGeoBox2Set(&b, 2, 1, 5, 5);  // touching on an edge counts
  EXPECT_TRUE(boGeoBox2Overlap(&a, &b));
  ASSERT_TRUE(boGeoBox2Intersect(&a, &b, &r));
  EXPECT_EQ(sBox(r), "2 1 2 2");
  EXPECT_TRUE(boGeoBox2Intersect(&a, &b, nullptr));
  pGeoBox2Set(&b, 2.1, 0, 3, 1);
  EXPECT_FALSE(boGeoBox2Intersect(&a, &b, &r));
  vGeoBox2ExtendBy(&a, &b, &r);
  EXPECT_EQ(sBox(r), "0 0 3 2");
  vGeoBox2Grow(&a, 1);
  EXPECT_EQ(sBox(a), "-1 -1 3 3");
  vGeoBox2ScaleAboutCentre(&a, 0.5);  // 4x4 about (1,1) -> 2x2
  EXPECT_EQ(sBox(a), "0 0 2 2");
}

// ------------------------------------------------------------ numbers and angles

TEST(GeometryNumbers, RoundToAndTolerances) {
  EXPECT_DOUBLE_EQ(dGeoRoundTo(-2.5, 1), -3);
  EXPECT_DOUBLE_EQ(dGeoRoundTo(2.5, 1), 3);
  EXPECT_DOUBLE_EQ(dGeoRoundTo(7.3, 0.5), 7.5);
  // A step of 0 would divide by zero: the value comes back unchanged.
  EXPECT_DOUBLE_EQ(dGeoRoundTo(7.3, 0), 7.3);
  EXPECT_TRUE(boGeoIsZero(1e-301));
  EXPECT_FALSE(boGeoIsZero(1e-299));
  EXPECT_TRUE(boGeoEqual(1.0, 1.000009));
  EXPECT_FALSE(boGeoEqual(1.0, 1.00001));
}

TEST(GeometryNumbers, NormAngleEdges) {
  const double kInf = std::numeric_limits<double>::infinity();
  for (auto [in, want] : std::vector<std::pair<double, double>>{{-M_PI, M_PI},
                                                                {M_PI, M_PI},
                                                                {3 * M_PI, M_PI},
                                                                {-3 * M_PI, M_PI},
                                                                {2 * M_PI, 0},
                                                                {1.5 * M_PI, -0.5 * M_PI},
                                                                {-1.5 * M_PI, 0.5 * M_PI},
                                                                {0.25, 0.25}})
    EXPECT_NEAR(dGeoNormAngle(in), want, 1e-12) << in;
  // Huge angles and infinities end at once (a loop of whole turns would not).
  double huge = dGeoNormAngle(1e300);
  EXPECT_TRUE(huge > -M_PI && huge <= M_PI);
  for (double bad : {kInf, -kInf, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_TRUE(std::isnan(dGeoNormAngle(bad)));
}

TEST(GeometryNumbers, AngleDiffBearingDistanceAndMoves) {
  EXPECT_NEAR(dGeoAngleDiff(0.1, 2 * M_PI - 0.1), 0.2, 1e-12);
  EXPECT_NEAR(dGeoAngleDiff(-0.1, 0.1), -0.2, 1e-12);
  EXPECT_NEAR(dGeoAngleDiff(M_PI, 0), M_PI, 1e-12);
  EXPECT_DOUBLE_EQ(dGeoBearing(1, 1, 1.00009, 0.99991), 0);
  EXPECT_NEAR(dGeoBearing(1, 1, 1, 0.9998), -M_PI / 2, 1e-12);
  GeoPnt2 a{0, 0}, b{-1, 0};
  EXPECT_NEAR(dGeoBearingPnt(&a, &b), M_PI, 1e-12);
  EXPECT_DOUBLE_EQ(dGeoDist2(0, 0, 3, 4), 5);
  GeoPnt3 c{0, 0, 0}, d{2, 3, 6};
  EXPECT_DOUBLE_EQ(dGeoDist3Pnt(&c, &d), 7);

  GeoPnt2 p{1, 0}, q{3, 3}, cc{1, 1};
  vGeoRotate(&p, &a, M_PI / 2);
  EXPECT_NEAR(p.x, 0, 1e-12);
  EXPECT_NEAR(p.y, 1, 1e-12);
  vGeoPolarMove(&p, 2, 0);
  EXPECT_NEAR(p.x, 2, 1e-12);
  vGeoScale(&q, &cc, 0.5);
  EXPECT_DOUBLE_EQ(q.x, 2);
  EXPECT_DOUBLE_EQ(q.y, 2);
}

// ------------------------------------------------------------ projection, crossing

TEST(GeometryIntersect, ProjectOnSegmentAndCrossAtTheEnds) {
  GeoPnt2 a{0, 0}, b{10, 0}, p{4, 3}, foot{}, beyond{12, 1}, same{0.000001, 0};
  EXPECT_EQ(iGeoProjectOnSegment(&p, &a, &b, &foot), 1);
  EXPECT_DOUBLE_EQ(foot.x, 4);
  EXPECT_DOUBLE_EQ(foot.y, 0);
  EXPECT_EQ(iGeoProjectOnSegment(&beyond, &a, &b, &foot), 0);
  EXPECT_DOUBLE_EQ(foot.x, 12);
  EXPECT_EQ(iGeoProjectOnSegment(&p, &a, &same, nullptr), -1);
  // Segment crossings with (0,0)-(10,0): x of the crossing (NAN: not checked).
  const struct {
    GeoPnt2 b1, b2;
    int result;
    double x;
  } crosses[] = {{{10, -5}, {10, 5}, 0, 10},           // exactly at the end of the first segment: end excluded
                 {{0, -5}, {0, 5}, 1, 0},              // at its start and inside the second: start included
                 {{0, 1}, {10, 1}, -1, NAN},           // parallel
                 {{5, 5}, {5.0004, 5.0004}, -1, NAN},  // too short
                 {{3, 7}, {3, 8}, 0, NAN}};            // the lines cross outside both segments
  GeoPnt2 out{};
  for (const auto& c : crosses) {
    EXPECT_EQ(iGeoSegmentCross(&a, &b, &c.b1, &c.b2, &out), c.result) << c.b1.x << "," << c.b1.y;
    if (!std::isnan(c.x)) {
      EXPECT_DOUBLE_EQ(out.x, c.x);
    }
  }
  EXPECT_FALSE(boGeoLineIntersect(&a, &b, &crosses[2].b1, &crosses[2].b2, &out));
  ASSERT_TRUE(boGeoLineIntersect(&a, &b, &crosses[4].b1, &crosses[4].b2, &out));
  EXPECT_DOUBLE_EQ(out.x, 3);
  EXPECT_DOUBLE_EQ(out.y, 0);
}

// ------------------------------------------------------------ sub-lines

struct SubLines : ::testing::Test {
  LiLines* lines = LiLinesCreate(0, 0);
  LiLines* polys = YgPolygonsCreate(0, 0);
  ~SubLines() override {
    vLiLinesDelete(lines);
    vYgPolygonsDelete(polys);
  }
  // n elements; the ones whose index is in ends97 get type 97.
  LiLine* make(LiLines* c, int n, std::initializer_list<int> ends97, LiElm** e, bool polygon = false) {
    LiLine* l = polygon ? YgPolygonsCreate3dLine(c) : LiLinesCreate3dLine(c);
    for (int i = 0; i < n; i++) {
      e[i] = LiLineAddPoint(l, nullptr);
      GeoPnt2 p{double(i), 0};
      vLiElmSetP2d(l, e[i], &p);
    }
    for (int i : ends97) boLiElmSetType(l, e[i], 97);
    return l;
  }
};

TEST_F(SubLines, WalksWith97And98) {
  // Sub-lines: [0 1 2(97)] [3 4 5(98)].
  LiElm* e[6];
  LiLine* l = make(lines, 6, {2}, e);
  ASSERT_EQ(LiElmGetType(l, e[5]), 98);
  EXPECT_EQ(iGeoSubLineCount(l), 2);
  EXPECT_EQ(pGeoSubLineFirst(l, e[1]), e[0]);
  EXPECT_EQ(pGeoSubLineFirst(l, e[4]), e[3]);
  EXPECT_EQ(pGeoSubLineLast(l, e[0]), e[2]);
  EXPECT_EQ(pGeoSubLineLast(l, e[3]), e[5]);
  EXPECT_EQ(pGeoSubLineNext(l, nullptr), e[0]);
  EXPECT_EQ(pGeoSubLineNext(l, e[1]), e[3]);
  EXPECT_EQ(pGeoSubLineNext(l, e[3]), nullptr);
  EXPECT_EQ(pGeoSubLineNextElm(l, e[1]), e[2]);
  EXPECT_EQ(pGeoSubLineNextElm(l, e[2]), nullptr);  // open line
  EXPECT_EQ(pGeoSubLinePrevElm(l, e[3]), nullptr);
  EXPECT_EQ(pGeoSubLinePrevElm(l, e[4]), e[3]);
  EXPECT_EQ(iGeoSubLineLength(l, e[0]), 3);
  EXPECT_EQ(iGeoSubLineLength(l, e[4]), 2);
  EXPECT_EQ(iGeoSubLineLength(l, nullptr), 0);
  bool straight = false;
  EXPECT_EQ(iGeoSubLineLengthStraight(l, e[0], &straight), 3);
  EXPECT_TRUE(straight);
}

TEST_F(SubLines, FirstCountsOnly97) {
  // Only a 97 starts a new sub-line for pGeoSubLineFirst; the final 98 has
  // nothing behind it, so every element of the last part finds the element
  // after the last 97.
  LiElm* e[4];
  LiLine* l = make(lines, 4, {0}, e);
  EXPECT_EQ(pGeoSubLineFirst(l, e[0]), e[0]);
  EXPECT_EQ(pGeoSubLineFirst(l, e[3]), e[1]);
  EXPECT_EQ(pGeoSubLineFirst(nullptr, e[3]), nullptr);
}

TEST_F(SubLines, PolygonWrapsWithinItsSubLine) {
  LiElm* e[5];
  LiLine* p = make(polys, 5, {1}, e, true);  // [0 1(97)] [2 3 4(98)]
  ASSERT_TRUE(boLiLineIsPolygon(p));
  EXPECT_EQ(pGeoSubLineNextElm(p, e[4]), e[2]);
  EXPECT_EQ(pGeoSubLineNextElm(p, e[1]), e[0]);
  EXPECT_EQ(pGeoSubLinePrevElm(p, e[2]), e[4]);
  EXPECT_EQ(pGeoSubLinePrevElm(p, e[0]), e[1]);
}

TEST_F(SubLines, CurvedElementsClearTheStraightFlag) {
  LiElm* e[5];
  LiLine* l = make(lines, 5, {}, e);
  ASSERT_TRUE(boLiElmSetType(l, e[1], 2));  // e[2] becomes the arc middle
  bool straight = true;
  EXPECT_EQ(iGeoSubLineCountStraight(l, &straight), 1);
  EXPECT_FALSE(straight);
  EXPECT_EQ(iGeoSubLineLengthStraight(l, e[0], &straight), 4);  // middle not in the chain
  EXPECT_FALSE(straight);
  EXPECT_EQ(iGeoSubLineLengthStraight(l, e[3], &straight), 2);
  EXPECT_TRUE(straight);
}

// ------------------------------------------------------------ point identifiers

TEST(PointId, PartsCountFromTheRight) {
  // The parts of each name as job (0), area (1) and number (2).
  const struct {
    const char* id;
    const char* parts[3];
  } cases[] = {
      {"P.Q.R", {"P", "Q", "R"}}, {"P.Q", {"", "P", "Q"}},
      {"P", {"", "", "P"}},       {"A.B.C.D", {"B", "C", "D"}},     // only the last three of more parts count
      {"J..7", {"J", "", "7"}},   {"AB  .12  ", {"", "AB", "12"}},  // trailing blanks cut
      {nullptr, {"", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id ? c.id : "(null)");
    for (int part = 0; part < 3; part++) EXPECT_STREQ(sPidGetPart(c.id, part), c.parts[part]) << part;
  }
  EXPECT_STREQ(sPidGetPart("P", 3), "");
}

TEST(PointId, SetPartRebuilds) {
  char id[PID_SIZE] = "P";
  vPidSetPart(id, 1, "X.Y");
  EXPECT_STREQ(id, "X_Y.P");
  vPidSetPart(id, 0, "job 1");
  EXPECT_STREQ(id, "job_1.X_Y.P");
  vPidSetPart(id, 1, "");
  EXPECT_STREQ(id, "job_1..P");  // an empty middle part keeps its place
  vPidSetPart(id, 0, "");
  EXPECT_STREQ(id, "P");  // empty leading parts are dropped
  vPidSetPart(id, 2, "1 2.3");
  EXPECT_STREQ(id, "1_2_3");
  vPidSetPart(id, 7, "x");  // no such part: unchanged
  EXPECT_STREQ(id, "1_2_3");
}

TEST(PointId, SetPartFromItsOwnBuffer) {
  // The new text may be a part of the identifier being rebuilt.
  char id[PID_SIZE] = "AREA.NUM";
  vPidSetPart(id, 0, id);  // "AREA.NUM" -> part 0 "AREA_NUM"
  EXPECT_STREQ(id, "AREA_NUM.AREA.NUM");
  char id2[PID_SIZE] = "J.A.N";
  vPidSetPart(id2, 1, id2 + 4);  // the text "N" inside the buffer
  EXPECT_STREQ(id2, "J.N.N");
  // The last part is rebuilt last: its text, the whole buffer, would be
  // overwritten by the leading parts before it is read.
  char id3[PID_SIZE] = "X.Y.Z";
  vPidSetPart(id3, 2, id3);
  EXPECT_STREQ(id3, "X.Y.X_Y_Z");
}

TEST(PointId, OverLongParts) {
  std::string p2(120, 'n'), p0(110, 'j');
  char id[PID_SIZE] = "";
  vPidSetPart(id, 2, p2.c_str());
  EXPECT_EQ(std::string(id), std::string(99, 'n'));
  vPidSetPart(id, 0, p0.c_str());
  // Job cut at 97, then ".." and as much of the number as fits in 99.
  std::string want = std::string(97, 'j') + "..";
  EXPECT_EQ(std::string(id), want);
  EXPECT_EQ(strlen(id), 99u);
  std::string longId = std::string(150, 'a') + ".B";
  EXPECT_EQ(std::string(sPidGetPart(longId.c_str(), 1)), std::string(99, 'a'));
}

TEST(PointId, Oem20Layouts) {
  // A letter behind the field, then a terminator: a conversion that runs
  // to the terminator instead of over the 20 bytes would change it.
  char field[22];
  field[20] = '\xE6';
  field[21] = '\0';
  vPidToOem20(3, "JOB.AR\xE6.12", field);
  EXPECT_EQ(std::string(field, 20), std::string("JOB   AR\x91   12      "));
  EXPECT_EQ(field[20], '\xE6');  // nothing beyond the 20 bytes
  char id[PID_SIZE];
  vPidFromOem20(3, field, id);
  EXPECT_STREQ(id, "JOB.AR\xE6.12");
  vPidToOem20(2, "JOB.AREA.12345678901", field);
  EXPECT_EQ(std::string(field, 20), std::string("AREA    12345678    "));
  vPidFromOem20(2, field, id);
  EXPECT_STREQ(id, "AREA.12345678");
  vPidToOem20(1, "A.7", field);
  EXPECT_EQ(std::string(field, 20), std::string("7                   "));
  vPidFromOem20(9, "7 x                 ", id);  // a blank inside a part
  EXPECT_STREQ(id, "7_x");
}

}  // namespace
