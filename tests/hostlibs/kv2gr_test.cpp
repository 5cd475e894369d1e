// Contract tests of the geometry container library, independent of the module.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kv2gr.h"

namespace {

const double kPi = 3.14159265358979323846;
const double kR3 = std::sqrt(3.0);

bool boAllZero(const void* p, size_t n) {
  const unsigned char* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; i++) {
    if (b[i]) return false;
  }
  return true;
}

unsigned char byteAt(void* p, int i) { return static_cast<unsigned char*>(p)[i]; }

// A point's x and y within tol of the wanted ones.
template <class P>
::testing::AssertionResult boNearXY(const P& p, double x, double y, double tol) {
  if (std::fabs(p.x - x) <= tol && std::fabs(p.y - y) <= tol) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << p.x << ", " << p.y << ") is not (" << x << ", " << y << ")";
}

// Types of the plain chain, first to last.
std::vector<int> types(LiLine* l) {
  std::vector<int> t;
  for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) t.push_back(LiElmGetType(l, e));
  return t;
}

LiElm* addAt(LiLine* l, double x, double y, double z = 0) {
  GeoPnt3 p{x, y, z};
  return LiLineAddP(l, nullptr, &p);
}

// Appends the points (z 0 unless given); their elements in order.
struct Xyz {
  double x, y, z = 0;
};
std::vector<LiElm*> add(LiLine* l, std::initializer_list<Xyz> ps) {
  std::vector<LiElm*> v;
  for (Xyz p : ps) v.push_back(addAt(l, p.x, p.y, p.z));
  return v;
}

GeoPnt3 at(LiLine* l, LiElm* e) {
  GeoPnt3 p{NAN, NAN, NAN};
  vLiElmGetP(l, e, &p);
  return p;
}

// Centre and radius of an arc element; NaN (failing any comparison) when it has none.
GeoPnt2 centre(LiLine* l, LiElm* e) {
  GeoPnt2 c{NAN, NAN};
  EXPECT_TRUE(boLiElmGetCenterP(l, e, &c));
  return c;
}
double radius(LiLine* l, LiElm* e) {
  double r = NAN;
  EXPECT_TRUE(boLiElmGetRadius(l, e, &r));
  return r;
}

std::array<int, 3> neighbours(TrNet* n, int t) {
  std::array<int, 3> a{-9, -9, -9};
  EXPECT_TRUE(boTrNetGetNeighbours(n, t, &a[0], &a[1], &a[2]));
  return a;
}

struct Kv2grTest : ::testing::Test {
  PoPoints* pts = PoPointsCreate(112);
  LiLines* lines = LiLinesCreate(104, 108);
  YgPolygons* polys = YgPolygonsCreate(104, 108);
  TrNets* nets = TrNetsCreate(104);
  void TearDown() override {
    vPoPointsDelete(pts);
    vLiLinesDelete(lines);
    vYgPolygonsDelete(polys);
    vTrNetsDelete(nets);
  }
};

TEST_F(Kv2grTest, PointsWalkInCreationOrderWithZeroedStableData) {
  std::vector<PoPoint*> made;
  for (int i = 0; i < 50; i++) {
    PoPoint* p = PoPointsCreatePoint(pts);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(boAllZero(PoPointGetData(p), 112));
    EXPECT_TRUE(dPoPointGetX(p) == 0 && dPoPointGetY(p) == 0 && dPoPointGetZ(p) == 0);
    EXPECT_STREQ(sPoPointGetField(p), "");
    memset(PoPointGetData(p), i + 1, 112);
    vPoPointSetX(p, i);
    made.push_back(p);
  }
  EXPECT_EQ(iPoPointsGetCount(pts), 50);
  int i = 0;
  for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p), i++) {
    ASSERT_EQ(p, made[static_cast<size_t>(i)]);
    EXPECT_EQ(dPoPointGetX(p), i);
    EXPECT_EQ(byteAt(PoPointGetData(p), 111), i + 1);
  }
  EXPECT_EQ(i, 50);
  // Deleting some leaves the others' handles and data as they were.
  for (int k : {0, 25, 49}) vPoPointsDeletePoint(pts, made[static_cast<size_t>(k)]);
  EXPECT_EQ(iPoPointsGetCount(pts), 47);
  EXPECT_EQ(PoPointsGetFirst(pts), made[1]);
  EXPECT_EQ(byteAt(PoPointGetData(made[26]), 0), 27);
  EXPECT_EQ(PoPointsGetNext(pts, made[24]), made[26]);
  // New points in the room of deleted ones start zero-filled, code and all.
  for (int k = 0; k < 3; k++) {
    PoPoint* p = PoPointsCreatePoint(pts);
    EXPECT_TRUE(boAllZero(PoPointGetData(p), 112));
    EXPECT_STREQ(sPoPointGetField(p), "");
    EXPECT_EQ(dPoPointGetX(p), 0);
  }
  vPoPointsDeletePoints(pts);
  EXPECT_EQ(iPoPointsGetCount(pts), 0);
  EXPECT_EQ(PoPointsGetFirst(pts), nullptr);
  EXPECT_NE(PoPointsCreatePoint(pts), nullptr);  // still usable
}

// Large containers take their slots from page regions: every new point and
// vertex still starts zero-filled, after an emptying and in a freed slot too,
// and points with long codes or field values are destroyed when emptied.
TEST_F(Kv2grTest, LargeContainersStartEveryObjectZeroed) {
  ViFields* fs = pViPFieldsGet(pts);
  LiLine* l = LiLinesCreate3dLine(lines);
  const std::string longCode(40, 'c');
  for (int pass = 0; pass < 3; pass++) {
    std::vector<PoPoint*> made;
    for (int i = 0; i < 30000; i++) {
      PoPoint* p = PoPointsCreatePoint(pts);
      ASSERT_NE(p, nullptr);
      ASSERT_TRUE(boAllZero(PoPointGetData(p), 112)) << pass << " " << i;
      ASSERT_STREQ(sPoPointGetField(p), "");
      memset(PoPointGetData(p), 0xA5, 112);
      made.push_back(p);
      GeoPnt3 at{double(i), 0, 0};
      LiElm* e = LiLineAddP(l, nullptr, &at);
      ASSERT_NE(e, nullptr);
      ASSERT_TRUE(boAllZero(LiElmGetData(l, e), 108)) << pass << " " << i;
      memset(LiElmGetData(l, e), 0x5A, 108);
    }
    if (pass == 1) vPoPointSetField(made[7], longCode.c_str());
    if (pass == 2) {
      ASSERT_TRUE(boViFieldsSetOrAddFieldByName(fs, made[9], "NOTE", longCode.c_str()));
    }
    vPoPointsDeletePoint(pts, made[20000]);
    PoPoint* again = PoPointsCreatePoint(pts);
    EXPECT_EQ(again, made[20000]);
    EXPECT_TRUE(boAllZero(PoPointGetData(again), 112));
    EXPECT_EQ(iPoPointsGetCount(pts), 30000);
    EXPECT_EQ(PoPointsGetFirst(pts), made[0]);
    EXPECT_EQ(iLiElmGetCount(l), 30000 * (pass + 1));
    vPoPointsDeletePoints(pts);
    EXPECT_EQ(PoPointsGetFirst(pts), nullptr);
  }
  vLiLinesDeleteLines(lines);
  EXPECT_EQ(iLiLinesGetCount(lines), 0);
}

TEST_F(Kv2grTest, LinesStayValidWhenOthersAreDeleted) {
  LiLine* a = LiLinesCreate3dLine(lines);
  LiLine* b = LiLinesCreate3dLine(lines);
  LiLine* c = LiLinesCreate2dLine(lines);
  EXPECT_TRUE(boLiLineIs3d(a));
  EXPECT_FALSE(boLiLineIs3d(c));
  EXPECT_FALSE(boLiLineIsPolygon(a));
  EXPECT_TRUE(boAllZero(LiLineGetData(b), 104));
  vLiLineSetField(c, "KANT");
  addAt(c, 1, 1);
  vLiLinesDeleteLine(lines, b);
  EXPECT_EQ(LiLinesGetFirst(lines), a);
  EXPECT_EQ(LiLinesGetNext(lines, a), c);
  EXPECT_EQ(LiLinesGetNext(lines, c), nullptr);
  EXPECT_EQ(iLiLinesGetCount(lines), 2);
  EXPECT_STREQ(sLiLineGetField(c), "KANT");
  EXPECT_EQ(iLiElmGetCount(c), 1);
  // Elements of deleted lines make room for new ones, zero-filled.
  for (int i = 0; i < 40; i++) memset(LiElmGetData(a, addAt(a, i, i)), 0xff, 108);
  vLiLinesDeleteLine(lines, a);
  for (int i = 0; i < 40; i++) {
    LiElm* e = addAt(c, i, 2 * i);
    EXPECT_TRUE(boAllZero(LiElmGetData(c, e), 108));
    EXPECT_EQ(LiElmGetType(c, e), KV2GR_ELM_LAST);
  }
  EXPECT_EQ(iLiElmGetCount(c), 41);
  EXPECT_EQ(at(c, LiElmGetLast(c)).y, 78);
}

TEST_F(Kv2grTest, FinalTypeFollowsTheLastElement) {
  LiLine* l = LiLinesCreate3dLine(lines);
  EXPECT_EQ(LiElmGetFirst(l), nullptr);
  LiElm* e1 = LiLineAddPoint(l, nullptr);
  EXPECT_TRUE(boAllZero(LiElmGetData(l, e1), 108));
  EXPECT_EQ(types(l), (std::vector<int>{98}));
  LiElm* e2 = addAt(l, 1, 0);
  EXPECT_TRUE(boAllZero(LiElmGetData(l, e2), 108));
  EXPECT_EQ(types(l), (std::vector<int>{0, 98}));
  // A sub-line end set on the last element survives the next append.
  EXPECT_TRUE(boLiElmSetType(l, e2, 97));
  LiElm* e3 = addAt(l, 2, 0);
  EXPECT_EQ(types(l), (std::vector<int>{0, 97, 98}));
  // Inserting never touches the final element.
  LiElm* e0 = LiLineAddPoint(l, e1);
  EXPECT_EQ(LiElmGetFirst(l), e0);
  EXPECT_EQ(LiElmGetPrev(l, e1), e0);
  LiElm* mid = LiLineAddPoint(l, e3);
  EXPECT_EQ(LiElmGetNext(l, mid), e3);
  EXPECT_EQ(types(l), (std::vector<int>{0, 0, 97, 0, 98}));
  EXPECT_EQ(iLiElmGetCount(l), 5);
  // 98 belongs to the last element only; the last takes 97 or 98.
  EXPECT_FALSE(boLiElmSetType(l, e1, 98));
  EXPECT_FALSE(boLiElmSetType(l, e3, 1));
  EXPECT_TRUE(boLiElmSetType(l, e3, 0));
  EXPECT_EQ(LiElmGetType(l, e3), 98);
  // Handles and data stay put across the inserts.
  memset(LiElmGetData(l, e2), 7, 108);
  LiLineAddPoint(l, e2);
  EXPECT_EQ(byteAt(LiElmGetData(l, e2), 107), 7);
}

TEST_F(Kv2grTest, ThreePointArcTakesItsMiddleOutOfTheChain) {
  LiLine* l = LiLinesCreate3dLine(lines);
  auto v = add(l, {{0, 0}, {1, 1}, {2, 0}, {3, 0}});
  LiElm *s = v[0], *m = v[1], *e = v[2];
  ASSERT_TRUE(boLiElmSetType(l, s, 2));
  EXPECT_EQ(LiElmGet3pArcElm2(l, s), m);
  EXPECT_EQ(LiElmGetNext(l, s), e);
  EXPECT_EQ(LiElmGetNext(l, m), e);
  EXPECT_EQ(LiElmGetPrev(l, m), s);
  EXPECT_EQ(LiElmGetPrev(l, e), s);
  EXPECT_EQ(iLiElmGetCount(l), 3);
  EXPECT_EQ(types(l), (std::vector<int>{2, 0, 98}));
  // A walk that also visits arc middles sees each element once.
  std::vector<LiElm*> seen;
  for (LiElm* x = LiElmGetFirst(l); x; x = LiElmGetNext(l, x)) {
    seen.push_back(x);
    if (LiElmGet3pArcElm2(l, x)) seen.push_back(LiElmGet3pArcElm2(l, x));
  }
  EXPECT_EQ(seen, v);
  // The circle through (0,0), (1,1), (2,0) has centre (1,0), r 1, run clockwise.
  EXPECT_NEAR(radius(l, s), 1.0, 1e-12);
  EXPECT_TRUE(boNearXY(centre(l, s), 1.0, 0.0, 1e-12));
  EXPECT_NEAR(dLiElmLength(l, s), kPi, 1e-12);
  // Another type puts the middle back.
  ASSERT_TRUE(boLiElmSetType(l, s, 0));
  EXPECT_EQ(LiElmGetNext(l, s), m);
  EXPECT_EQ(iLiElmGetCount(l), 4);
  // An arc needs a plain middle that is not the last element.
  EXPECT_FALSE(boLiElmSetType(l, e, 2));
  // Nothing can be inserted before an absorbed middle.
  ASSERT_TRUE(boLiElmSetType(l, s, 2));
  EXPECT_EQ(LiLineAddPoint(l, m), nullptr);
}

TEST_F(Kv2grTest, PolygonsAreLinesToTheElementCalls) {
  YgPolygon* y = YgPolygonsCreate3dLine(polys);
  EXPECT_TRUE(boYgPolygonIs3d(y));
  EXPECT_TRUE(boLiLineIsPolygon(y));
  EXPECT_TRUE(boAllZero(YgPolygonGetData(y), 104));
  YgElm* a = YgPolygonAddPoint(y, nullptr);
  auto v = add(y, {{3, 0, 0}, {3, 4, 1}});
  EXPECT_EQ(YgElmGetNext(y, a), v[0]);
  EXPECT_EQ(YgElmGetPrev(y, v[1]), v[0]);
  EXPECT_EQ(iYgElmGetCount(y), 3);
  GeoPnt2 p2;
  vYgElmGetP2d(y, v[1], &p2);
  EXPECT_EQ(p2.y, 4.0);
  // The closing element connects back to the first.
  EXPECT_NEAR(dLiLineLength(y), 12.0, 1e-12);
  EXPECT_EQ(YgPolygonsGetFirst(polys), y);
  vYgPolygonsDeleteLines(polys);
  EXPECT_EQ(iYgPolygonsGetCount(polys), 0);
}

TEST_F(Kv2grTest, SetP2dKeepsHeight) {
  LiLine* l = LiLinesCreate3dLine(lines);
  LiElm* e = addAt(l, 1, 2, 3);
  GeoPnt2 p{5, 6};
  vLiElmSetP2d(l, e, &p);
  GeoPnt3 r = at(l, e);
  EXPECT_TRUE(boNearXY(r, 5, 6, 0));
  EXPECT_EQ(r.z, 3.0);
}

TEST_F(Kv2grTest, TwoPointArcsFollowRadiusSignAndCentreChoice) {
  LiLine* l = LiLinesCreate2dLine(lines);
  LiElm* a = add(l, {{0, 0}, {2, 0}})[0];
  // Clockwise short arc: centre right of the chord (below it).
  ASSERT_TRUE(boLiElmSet2pArc(l, a, 2, 0));
  EXPECT_TRUE(boNearXY(centre(l, a), 1, -kR3, 1e-12));
  double r;
  ASSERT_TRUE(boLiElmGet2pArc(l, a, &r));
  EXPECT_EQ(r, 2.0);
  EXPECT_NEAR(dLiElmLength(l, a), 2 * kPi / 3, 1e-12);
  double d0, d1;
  ASSERT_TRUE(boLiElmEndDirs(l, a, &d0, &d1));
  EXPECT_NEAR(d0, kPi / 6, 1e-12);
  EXPECT_NEAR(d1, 2 * kPi - kPi / 6, 1e-12);
  // The other centre gives the long arc.
  ASSERT_TRUE(boLiElmSet2pArc(l, a, 2, 1));
  EXPECT_NEAR(centre(l, a).y, kR3, 1e-12);
  EXPECT_NEAR(dLiElmLength(l, a), 2 * 5 * kPi / 3, 1e-12);
  // Counter-clockwise short arc: centre left (above).
  ASSERT_TRUE(boLiElmSet2pArc(l, a, -2, 0));
  EXPECT_NEAR(centre(l, a).y, kR3, 1e-12);
  EXPECT_EQ(radius(l, a), -2.0);
  // Too small a radius for the chord.
  EXPECT_FALSE(boLiElmSet2pArc(l, a, 0.5, 0));
}

TEST_F(Kv2grTest, ClothoidKeepsItsParametersAndLength) {
  LiLine* l = LiLinesCreate2dLine(lines);
  // A = 100 from straight to radius 200 has length 50.
  LiElm* a = add(l, {{0, 0}, {49.98, -2.08}})[0];
  ASSERT_TRUE(boLiElmSetClotoide(l, a, 100, 0, 200));
  EXPECT_EQ(LiElmGetType(l, a), 4);
  std::vector<double> got(3);
  ASSERT_TRUE(boLiElmGetClotoide(l, a, &got[0], &got[1], &got[2]));
  EXPECT_EQ(got, (std::vector<double>{100, 0, 200}));
  EXPECT_NEAR(dLiElmLength(l, a), 50.0, 1e-9);
  double d0, d1;
  ASSERT_TRUE(boLiElmEndDirs(l, a, &d0, &d1));
  // Turning clockwise by L / (2 R) = 0.125 rad.
  EXPECT_NEAR(std::remainder(d0 - d1, 2 * kPi), 0.125, 1e-9);
}

TEST_F(Kv2grTest, ElementCrossesASegmentWithInterpolatedHeight) {
  LiLine* l = LiLinesCreate3dLine(lines);
  LiElm* a = add(l, {{0, 0, 10}, {10, 0, 20}})[0];
  GeoPnt2 p{4, -5}, q{4, 5}, far1{20, -5}, far2{20, 5};
  GeoPnt3 out;
  EXPECT_EQ(iLiElmIntersectLine(l, a, &p, &q, &out), 1);
  EXPECT_TRUE(boNearXY(out, 4, 0, 1e-12));
  EXPECT_NEAR(out.z, 14, 1e-12);
  EXPECT_EQ(iLiElmIntersectLine(l, a, &far1, &far2, &out), 0);
  GeoPnt2 u{1, 1}, v{1, 1 + 0.9e-5};
  EXPECT_TRUE(boViIsCommonPoint(&u, &v));
  v.y = 1 + 2e-5;
  EXPECT_FALSE(boViIsCommonPoint(&u, &v));
}

TEST_F(Kv2grTest, ArcCrossingsAreExact) {
  LiLine* l = LiLinesCreate3dLine(lines);
  LiElm* a = add(l, {{0, 0, 0}, {2, 0, 6}})[0];
  ASSERT_TRUE(boLiElmSet2pArc(l, a, 2, 0));  // centre (1, -sqrt 3): the top at x = 1
  GeoPnt2 p{1, -10}, q{1, 10};
  GeoPnt3 out;
  ASSERT_EQ(iLiElmIntersectLine(l, a, &p, &q, &out), 1);
  EXPECT_TRUE(boNearXY(out, 1, 2 - kR3, 1e-12));
  EXPECT_NEAR(out.z, 3, 1e-9);  // half-way along the arc
  // The long arc is crossed twice by a horizontal line through the centre;
  // the first crossing along the arc comes first.
  ASSERT_TRUE(boLiElmSet2pArc(l, a, 2, 1));  // centre (1, sqrt 3), clockwise
  GeoPnt2 h1{-5, kR3}, h2{5, kR3};
  ASSERT_EQ(iLiElmIntersectLine(l, a, &h1, &h2, &out), 2);
  EXPECT_TRUE(boNearXY(out, -1, kR3, 1e-12));
  // A segment that ends short of the arc.
  GeoPnt2 s1{1, -10}, s2{1, -5};
  EXPECT_EQ(iLiElmIntersectLine(l, a, &s1, &s2, &out), 0);
}

TEST_F(Kv2grTest, ParallelShiftsToTheRightAndMitresCorners) {
  LiLine* l = LiLinesCreate3dLine(lines);
  auto v = add(l, {{0, 0, 5}, {10, 0, 6}, {10, 10, 7}});
  ASSERT_TRUE(boLiLineParallel(l, 1));
  EXPECT_TRUE(boNearXY(at(l, v[0]), 0, -1, 1e-12));
  EXPECT_EQ(at(l, v[0]).z, 5.0);
  EXPECT_TRUE(boNearXY(at(l, v[1]), 11, -1, 1e-12));  // the mitred corner
  EXPECT_TRUE(boNearXY(at(l, v[2]), 11, 10, 1e-12));
  // A polygon mitres every corner, the closing one too.
  YgPolygon* y = YgPolygonsCreate2dLine(polys);
  auto w = add(y, {{0, 0}, {0, 10}, {10, 10}, {10, 0}});  // clockwise square: right is inside
  ASSERT_TRUE(boLiLineParallel(y, 1));
  const double want[4][2] = {{1, 1}, {1, 9}, {9, 9}, {9, 1}};
  for (int i = 0; i < 4; i++) EXPECT_TRUE(boNearXY(at(y, w[static_cast<size_t>(i)]), want[i][0], want[i][1], 1e-12));
  EXPECT_NEAR(dLiLineLength(y), 32, 1e-12);
}

TEST_F(Kv2grTest, ParallelKeepsArcCentres) {
  LiLine* l = LiLinesCreate2dLine(lines);
  LiElm* a = add(l, {{0, 0}, {2, 0}})[0];
  ASSERT_TRUE(boLiElmSet2pArc(l, a, 2, 0));  // clockwise, centre below
  GeoPnt2 c0 = centre(l, a);
  ASSERT_TRUE(boLiLineParallel(l, 0.5));  // right: towards the centre
  EXPECT_TRUE(boNearXY(centre(l, a), c0.x, c0.y, 1e-9));
  EXPECT_NEAR(radius(l, a), 1.5, 1e-12);
  EXPECT_FALSE(boLiLineParallel(l, 3));  // the radius would vanish
}

TEST_F(Kv2grTest, ParallelMeetsArcsOnTheirShiftedCircles) {
  // A straight ends in a corner where a clockwise three-point arc (centre
  // 20,0, radius 10) starts upwards. Shifted by 1 to the right the straight
  // runs at y = -1 and the arc at radius 9 about the same centre: the corner
  // lies where both meet.
  LiLine* l = LiLinesCreate2dLine(lines);
  auto v = add(l, {{0, 0}, {10, 0}, {20, 10}, {30, 0}});
  ASSERT_TRUE(boLiElmSetType(l, v[1], 2));
  ASSERT_TRUE(boLiLineParallel(l, 1));
  EXPECT_NEAR(at(l, v[0]).y, -1, 1e-12);
  EXPECT_TRUE(boNearXY(at(l, v[1]), 20 - std::sqrt(80.0), -1, 1e-9));
  EXPECT_TRUE(boNearXY(at(l, v[2]), 20, 9, 1e-9));
  EXPECT_NEAR(at(l, v[3]).x, 29, 1e-9);
  EXPECT_TRUE(boNearXY(centre(l, v[1]), 20, 0, 1e-9));
  EXPECT_NEAR(radius(l, v[1]), 9, 1e-9);
  // Two two-point arcs meeting at a corner keep both centres.
  LiLine* k = LiLinesCreate2dLine(lines);
  auto w = add(k, {{0, 0}, {10, 0}, {10, 10}});
  ASSERT_TRUE(boLiElmSet2pArc(k, w[0], 10, 0));   // clockwise, centre below
  ASSERT_TRUE(boLiElmSet2pArc(k, w[1], -10, 0));  // counter-clockwise, centre right
  GeoPnt2 c0 = centre(k, w[0]), c1 = centre(k, w[1]);
  ASSERT_TRUE(boLiLineParallel(k, 0.5));
  EXPECT_TRUE(boNearXY(centre(k, w[0]), c0.x, c0.y, 1e-9));
  EXPECT_TRUE(boNearXY(centre(k, w[1]), c1.x, c1.y, 1e-9));
}

TEST_F(Kv2grTest, CopyCarriesGeometryButNotVertexData) {
  LiLine* src = LiLinesCreate3dLine(lines);
  LiElm* s0 = add(src, {{0, 0, 1}, {1, 1, 2}, {2, 0, 3}})[0];
  ASSERT_TRUE(boLiElmSetType(src, s0, 2));
  memset(LiElmGetData(src, s0), 'A', 108);
  LiLine* dst = LiLinesCreate3dLine(lines);
  ASSERT_TRUE(boLiLineElmsCopy(dst, src));
  EXPECT_EQ(types(dst), (std::vector<int>{2, 98}));
  LiElm* d0 = LiElmGetFirst(dst);
  EXPECT_TRUE(boAllZero(LiElmGetData(dst, d0), 108));
  LiElm* dm = LiElmGet3pArcElm2(dst, d0);
  ASSERT_NE(dm, nullptr);
  EXPECT_EQ(at(dst, dm).z, 2.0);
  EXPECT_TRUE(boAllZero(LiElmGetData(dst, dm), 108));
}

TEST_F(Kv2grTest, FilletRoundsACorner) {
  LiLine* l = LiLinesCreate2dLine(lines);
  auto v = add(l, {{0, 0}, {10, 0}, {10, 10}});
  LiElm* b = v[1];
  ASSERT_EQ(iLiLineFillet(l, v[0], b, 2), 1);
  EXPECT_EQ(iLiElmGetCount(l), 4);
  EXPECT_TRUE(boNearXY(at(l, b), 8, 0, 1e-12));
  EXPECT_TRUE(boNearXY(at(l, LiElmGetNext(l, b)), 10, 2, 1e-12));
  EXPECT_EQ(LiElmGetType(l, b), 1);
  EXPECT_EQ(radius(l, b), -2.0);  // a left turn runs counter-clockwise
  EXPECT_TRUE(boNearXY(centre(l, b), 8, 2, 1e-12));
  EXPECT_NEAR(dLiLineLength(l), 8 + kPi + 8, 1e-9);
  // A radius that does not fit.
  LiLine* m = LiLinesCreate2dLine(lines);
  auto w = add(m, {{0, 0}, {1, 0}, {1, 1}});
  EXPECT_EQ(iLiLineFillet(m, w[0], w[1], 5), 0);
}

TEST_F(Kv2grTest, ShortElementsGoAndTheFinalTypeStays) {
  LiLine* l = LiLinesCreate3dLine(lines);
  add(l, {{0, 0}, {0, 0}, {5, 0}, {5, 0}});
  EXPECT_EQ(iLiLineRemoveShortElements(l, 0), 2);
  EXPECT_EQ(types(l), (std::vector<int>{0, 98}));
  YgPolygon* y = YgPolygonsCreate3dLine(polys);
  add(y, {{0, 0}, {4, 0}, {4, 4}, {0, 0}});  // repeats the first
  EXPECT_EQ(iLiLineRemoveShortElements(y, 0), 1);
  EXPECT_EQ(types(y), (std::vector<int>{0, 0, 98}));
}

TEST_F(Kv2grTest, NetsGrowByIndex) {
  TrNet* n = TrNetsCreateNet(nets);
  EXPECT_TRUE(boAllZero(TrNetGetData(n), 104));
  EXPECT_EQ(iTrNetAddPoints(n, 3), 0);
  EXPECT_EQ(iTrNetGetPointCount(n), 3);
  GeoPnt3 p{1, 2, 3};
  vTrNetSetP(n, 1, &p);
  vTrNetSetP(n, 4, &p);  // grows
  EXPECT_EQ(iTrNetGetPointCount(n), 5);
  GeoPnt3 q;
  ASSERT_TRUE(boTrNetGetP(n, 1, &q));
  EXPECT_EQ(q.z, 3.0);
  EXPECT_FALSE(boTrNetGetP(n, 5, &q));
  vTrNetSetTriangle(n, 0, 0, 1, 2);
  vTrNetSetTriangle(n, 1, 2, 1, 3);
  EXPECT_EQ(iTrNetGetTriangleCount(n), 2);
  vTrNetCalcNeighbours(n);
  EXPECT_EQ(neighbours(n, 0), (std::array<int, 3>{-1, 1, -1}));  // edge 1-2
  EXPECT_EQ(TrNetsGetFirst(nets), n);
  EXPECT_EQ(iTrNetsGetCount(nets), 1);
}

TEST_F(Kv2grTest, FieldRules) {
  ViFields* fs = pViPFieldsGet(pts);
  ASSERT_NE(fs, nullptr);
  EXPECT_NE(fs, pViLFieldsGet(lines));
  EXPECT_EQ(iViFieldsFixedCount(fs), 0);
  PoPoint* p = PoPointsCreatePoint(pts);
  PoPoint* q = PoPointsCreatePoint(pts);
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, p, "MISSING"), "");
  ASSERT_TRUE(boViFieldsSetOrAddFieldByName(fs, p, "OWNER", "Kari"));
  ASSERT_TRUE(boViFieldsSetOrAddFieldByName(fs, q, "DEPTH", "1.5"));
  EXPECT_EQ(iViFieldsGetCount(fs), 2);
  EXPECT_STREQ(sViFieldsGetFieldName(fs, 1), "DEPTH");
  EXPECT_STREQ(sViFieldsGetField(fs, p, 0), "Kari");
  EXPECT_STREQ(sViFieldsGetField(fs, p, 1), "");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, q, "OWNER"), "");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, q, "owner"), "");  // exact names
  // Long values (hyperlinks) are kept whole.
  std::string big(4000, 'h');
  ASSERT_TRUE(boViFieldsSetOrAddFieldByName(fs, q, "S_HYPERLINK", big.c_str()));
  EXPECT_EQ(std::string(sViFieldsGetFieldByName(fs, q, "S_HYPERLINK")), big);
  // "S_FCODE" is the code text, never a column.
  ASSERT_TRUE(boViFieldsSetOrAddFieldByName(fs, p, "S_FCODE", "8010"));
  EXPECT_STREQ(sPoPointGetField(p), "8010");
  vPoPointSetField(q, "2200");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, q, "S_FCODE"), "2200");
  EXPECT_EQ(iViFieldsGetCount(fs), 3);
  EXPECT_EQ(iViFieldsFindField(fs, "S_FCODE"), -1);
  // Dropping every column drops the values; the code text stays.
  EXPECT_EQ(iViFieldsSetCount(fs, 0), 0);
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, p, "OWNER"), "");
  ASSERT_TRUE(boViFieldsSetOrAddFieldByName(fs, q, "OWNER", "Ola"));
  EXPECT_STREQ(sViFieldsGetField(fs, p, 0), "");
  EXPECT_STREQ(sPoPointGetField(p), "8010");
  // Emptying the container keeps the columns.
  vPoPointsDeletePoints(pts);
  EXPECT_EQ(iViFieldsGetCount(fs), 1);
}

TEST_F(Kv2grTest, FieldsOfLinesPolygonsAndNets) {
  LiLine* l = LiLinesCreate3dLine(lines);
  YgPolygon* y = YgPolygonsCreate3dLine(polys);
  TrNet* n = TrNetsCreateNet(nets);
  ASSERT_TRUE(boViFieldsSetOrAddFieldByName(pViLFieldsGet(lines), l, "A", "line"));
  ASSERT_TRUE(boViFieldsSetOrAddFieldByName(pViYFieldsGet(polys), y, "A", "poly"));
  ASSERT_TRUE(boViFieldsSetOrAddFieldByName(pViNFieldsGet(nets), n, "S_FCODE", "tin"));
  EXPECT_STREQ(sViFieldsGetFieldByName(pViLFieldsGet(lines), l, "A"), "line");
  EXPECT_STREQ(sViFieldsGetFieldByName(pViYFieldsGet(polys), y, "A"), "poly");
  EXPECT_STREQ(sTrNetGetField(n), "tin");
  vLiLinesDeleteLine(lines, l);
  EXPECT_EQ(iViFieldsGetCount(pViLFieldsGet(lines)), 1);
}

TEST_F(Kv2grTest, ObjectsOfAnotherContainerAreRefused) {
  PoPoint* p = PoPointsCreatePoint(pts);
  LiLine* l = LiLinesCreate3dLine(lines);
  PoPoints* other = PoPointsCreate(8);
  ViFields* fs = pViPFieldsGet(pts);
  EXPECT_FALSE(boViFieldsSetOrAddFieldByName(fs, l, "A", "x"));
  EXPECT_EQ(iViFieldsGetCount(fs), 0);
  EXPECT_STREQ(sViFieldsGetFieldByName(pViLFieldsGet(lines), p, "S_FCODE"), "");
  vPoPointsDeletePoint(other, p);  // not its point: nothing happens
  EXPECT_EQ(iPoPointsGetCount(pts), 1);
  vLiLinesDeleteLine(polys, l);
  EXPECT_EQ(iLiLinesGetCount(lines), 1);
  vPoPointsDelete(other);
}

TEST_F(Kv2grTest, SubLineEndsBreakTheLength) {
  LiLine* l = LiLinesCreate2dLine(lines);
  LiElm* b = add(l, {{0, 0}, {3, 4}, {10, 4}, {10, 6}})[1];
  EXPECT_NEAR(dLiLineLength(l), 5 + 7 + 2, 1e-12);
  ASSERT_TRUE(boLiElmSetType(l, b, 97));
  EXPECT_EQ(dLiElmLength(l, b), 0.0);
  EXPECT_FALSE(boLiElmEndDirs(l, b, nullptr, nullptr));
  EXPECT_NEAR(dLiLineLength(l), 5 + 2, 1e-12);
  // An open line's final element connects to nothing.
  EXPECT_EQ(dLiElmLength(l, LiElmGetLast(l)), 0.0);
  // In a polygon each sub-line is a ring.
  vLiLineSetAsPolygon(l, 1);
  EXPECT_NEAR(dLiElmLength(l, b), 5.0, 1e-12);
  EXPECT_NEAR(dLiElmLength(l, LiElmGetLast(l)), 2.0, 1e-12);
  EXPECT_NEAR(dLiLineLength(l), 5 + 5 + 2 + 2, 1e-12);
}

TEST_F(Kv2grTest, ShortElementsInRingsAndSubLineEnds) {
  // The closing vertex of a polygon's second ring repeats that ring's first
  // vertex, not the polygon's first one.
  // Two rings: a triangle, then the given points.
  auto twoRings = [this](std::initializer_list<Xyz> second) {
    YgPolygon* y = YgPolygonsCreate2dLine(polys);
    EXPECT_TRUE(boLiElmSetType(y, add(y, {{0, 0}, {4, 0}, {4, 4}})[2], 97));
    add(y, second);
    return y;
  };
  YgPolygon* y = twoRings({{10, 0}, {14, 0}, {14, 4}, {10, 0}});  // repeats the ring's first
  EXPECT_EQ(iLiLineRemoveShortElements(y, 0), 1);
  EXPECT_EQ(types(y), (std::vector<int>{0, 0, 97, 0, 0, 98}));
  // A vertex at the polygon's first point ends a ring of its own: it stays.
  YgPolygon* z = twoRings({{10, 0}, {14, 0}, {0, 0}});
  EXPECT_EQ(iLiLineRemoveShortElements(z, 0), 0);
  EXPECT_EQ(iLiElmGetCount(z), 6);
  // A final element marked as a sub-line's end keeps its mark when a
  // zero-length element before it goes.
  LiLine* l = LiLinesCreate2dLine(lines);
  auto v = add(l, {{0, 0}, {5, 0}, {5, 0}});
  ASSERT_TRUE(boLiElmSet2pArc(l, v[0], 5, 0));
  ASSERT_TRUE(boLiElmSetType(l, v[2], 97));
  EXPECT_EQ(iLiLineRemoveShortElements(l, 0), 1);
  EXPECT_EQ(types(l), (std::vector<int>{1, 97}));
}

// A zero-length element before an arc or clothoid takes over the arc's
// parameters and middle; its own earlier parameters go with the removed one.
TEST_F(Kv2grTest, ShortElementTakesOverTheArcAfterIt) {
  LiLine* l = LiLinesCreate2dLine(lines);
  auto v = add(l, {{0, 0}, {0, 0}, {10, 0}, {20, 0}});
  ASSERT_TRUE(boLiElmSetClotoide(l, v[0], 1, 0, 5));  // parameters of its own, then straight
  ASSERT_TRUE(boLiElmSetType(l, v[0], 0));
  ASSERT_TRUE(boLiElmSet2pArc(l, v[1], 7, 1));
  EXPECT_EQ(iLiLineRemoveShortElements(l, 0), 1);
  EXPECT_EQ(types(l), (std::vector<int>{1, 0, 98}));
  double r = 0;
  ASSERT_TRUE(boLiElmGet2pArc(l, v[0], &r));
  EXPECT_EQ(r, 7);
  EXPECT_NEAR(centre(l, v[0]).x, 5, 1e-9);
  // Both with parameters: they change places.
  LiLine* c = LiLinesCreate2dLine(lines);
  auto w = add(c, {{0, 0}, {0, 0}, {10, 0}, {20, 0}});
  ASSERT_TRUE(boLiElmSetClotoide(c, w[0], 1, 0, 5));
  ASSERT_TRUE(boLiElmSetType(c, w[0], 0));
  ASSERT_TRUE(boLiElmSetClotoide(c, w[1], 2, 0, 50));
  EXPECT_EQ(iLiLineRemoveShortElements(c, 0), 1);
  double a = 0, r1 = -1, r2 = 0;
  ASSERT_TRUE(boLiElmGetClotoide(c, w[0], &a, &r1, &r2));
  EXPECT_EQ(a, 2);
  EXPECT_EQ(r2, 50);
  // A three-point arc's middle follows its new start.
  LiLine* t = LiLinesCreate2dLine(lines);
  auto u = add(t, {{0, 0}, {0, 0}, {5, 5}, {10, 0}, {20, 0}});
  ASSERT_TRUE(boLiElmSetType(t, u[1], 2));
  EXPECT_EQ(iLiLineRemoveShortElements(t, 0), 1);
  EXPECT_EQ(LiElmGet3pArcElm2(t, u[0]), u[2]);
  EXPECT_EQ(LiElmGetPrev(t, u[2]), u[0]);
  EXPECT_EQ(LiElmGetNext(t, u[2]), u[3]);
  EXPECT_NEAR(radius(t, u[0]), 5, 1e-9);
  // Copies carry the parameters; the source keeps its own.
  LiLine* d = LiLinesCreate2dLine(lines);
  ASSERT_TRUE(boLiLineElmsCopy(d, c));
  ASSERT_TRUE(boLiElmGetClotoide(d, LiElmGetFirst(d), &a, &r1, &r2));
  EXPECT_EQ(a, 2);
  vLiLinesDeleteLine(lines, c);
  ASSERT_TRUE(boLiElmGetClotoide(d, LiElmGetFirst(d), &a, &r1, &r2));
  EXPECT_EQ(r2, 50);
}

TEST_F(Kv2grTest, TwoPointArcOnAThreePointArcStartFitsTheNewChord) {
  // Start, middle (far off) and end: a two-point arc on the start runs to
  // the middle once it is back in the chain, so its radius must fit that
  // chord (4.47 long), not the one to the old end (2 long).
  LiLine* l = LiLinesCreate2dLine(lines);
  auto v = add(l, {{0, 0}, {4, 2}, {2, 0}, {3, 0}});
  LiElm *a = v[0], *m = v[1];
  ASSERT_TRUE(boLiElmSetType(l, a, 2));
  EXPECT_FALSE(boLiElmSet2pArc(l, a, 1.5, 0));
  EXPECT_EQ(LiElmGetType(l, a), 2);
  EXPECT_EQ(LiElmGet3pArcElm2(l, a), m);
  ASSERT_TRUE(boLiElmSet2pArc(l, a, 3, 0));
  EXPECT_EQ(LiElmGetNext(l, a), m);
  GeoPnt2 c = centre(l, a);
  EXPECT_NEAR(std::hypot(c.x, c.y), 3, 1e-9);
  EXPECT_NEAR(std::hypot(c.x - 4, c.y - 2), 3, 1e-9);
}

TEST_F(Kv2grTest, NeighboursSkipTrianglesNeverSet) {
  TrNet* n = TrNetsCreateNet(nets);
  vTrNetSetTriangle(n, 0, 0, 1, 2);
  vTrNetSetTriangle(n, 3, 2, 1, 3);  // 1 and 2 stay unset (-1, -1, -1)
  vTrNetCalcNeighbours(n);
  EXPECT_EQ(neighbours(n, 1), (std::array<int, 3>{-1, -1, -1}));
  EXPECT_EQ(neighbours(n, 3)[0], 0);  // edge 2-1
  EXPECT_EQ(neighbours(n, 0)[1], 3);  // edge 1-2
}

// Codes and field values of points, lines and nets against a plain model,
// through random sets, overwrites (also with a text of the object itself),
// column adds and drops, deletes, slot reuse and emptyings. A text held from
// one value stays as it was while other values and objects change.
struct TextModel {
  std::vector<std::string> names;
  std::vector<void*> objs;  // in creation order
  std::map<void*, std::string> codes;
  std::map<void*, std::vector<std::string>> values;
};

struct TextOps {
  ViFields* fs;
  std::function<void*()> create;
  std::function<void(void*)> remove;
  std::function<void()> clear;
  std::function<const char*(void*)> code;
  std::function<void(void*, const char*)> setCode;
  std::function<void*()> first;
  std::function<void*(void*)> next;
};

// The calls of one container kind, on untyped objects.
template <class C, class O>
TextOps textOps(C* c, ViFields* fs, O* (*create)(C*), void (*remove)(C*, O*), void (*clear)(C*),
                const char* (*code)(O*), void (*setCode)(O*, const char*), O* (*first)(C*), O* (*next)(C*, O*)) {
  return TextOps{fs,
                 [=] { return static_cast<void*>(create(c)); },
                 [=](void* o) { remove(c, static_cast<O*>(o)); },
                 [=] { clear(c); },
                 [=](void* o) { return code(static_cast<O*>(o)); },
                 [=](void* o, const char* t) { setCode(static_cast<O*>(o), t); },
                 [=] { return static_cast<void*>(first(c)); },
                 [=](void* o) { return static_cast<void*>(next(c, static_cast<O*>(o))); }};
}

void vCheckTexts(const TextOps& ops, const TextModel& m) {
  std::vector<void*> walked;
  for (void* o = ops.first(); o; o = ops.next(o)) walked.push_back(o);
  ASSERT_EQ(walked, m.objs);
  ASSERT_EQ(iViFieldsGetCount(ops.fs), static_cast<int>(m.names.size()));
  for (void* o : m.objs) {
    ASSERT_EQ(std::string(ops.code(o)), m.codes.at(o));
    ASSERT_EQ(std::string(sViFieldsGetFieldByName(ops.fs, o, "S_FCODE")), m.codes.at(o));
    const std::vector<std::string>& v = m.values.at(o);
    for (size_t i = 0; i < m.names.size() + 2; i++) {
      std::string want = i < v.size() && i < m.names.size() ? v[i] : "";
      ASSERT_EQ(std::string(sViFieldsGetField(ops.fs, o, static_cast<int>(i))), want) << i;
    }
  }
}

void vRunTextModel(const TextOps& ops, unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&rng](size_t n) { return static_cast<size_t>(rng() % n); };
  // Empty, short, at the inline and block size steps, and long texts.
  auto text = [&]() {
    static const size_t lens[] = {0, 1, 3, 7, 8, 15, 16, 17, 31, 100, 255, 256, 300, 5000};
    size_t len = lens[pick(std::size(lens))];
    std::string t(len, 'a');
    for (char& c : t) c = static_cast<char>('a' + pick(26));
    if (len && pick(4) == 0) t[0] = static_cast<char>(0xe6);  // code page 1252 bytes stay
    return t;
  };
  TextModel m;
  ASSERT_EQ(iViFieldsSetCount(ops.fs, 3), 3);  // unnamed columns
  m.names.assign(3, "");
  for (int step = 0; step < 4000; step++) {
    SCOPED_TRACE(step);
    size_t op = pick(100);
    if (m.objs.empty() || op < 15) {
      void* o = ops.create();
      ASSERT_NE(o, nullptr);
      m.objs.push_back(o);
      m.codes[o] = "";
      m.values[o] = {};
    } else if (op < 20) {
      size_t k = pick(m.objs.size());
      void* o = m.objs[k];
      ops.remove(o);
      m.objs.erase(m.objs.begin() + static_cast<long>(k));
      m.codes.erase(o);
      m.values.erase(o);
    } else if (op < 40) {
      void* o = m.objs[pick(m.objs.size())];
      std::string t = text();
      if (pick(3) == 0) {
        ASSERT_TRUE(boViFieldsSetOrAddFieldByName(ops.fs, o, "S_FCODE", t.c_str()));
      } else {
        bool null = pick(10) == 0;
        ops.setCode(o, null ? nullptr : t.c_str());
        if (null) t.clear();
      }
      m.codes[o] = t;
    } else if (op < 75) {
      void* o = m.objs[pick(m.objs.size())];
      size_t i = pick(m.names.size() + 1);
      std::string t = text();
      // Another object's text held across the set stays as it was.
      void* other = m.objs[pick(m.objs.size())];
      size_t j = pick(m.names.size() + 1);
      const char* held = sViFieldsGetField(ops.fs, other, static_cast<int>(j));
      std::string heldWas = held;
      bool ok = boViFieldsSetField(ops.fs, o, static_cast<int>(i), t.c_str());
      ASSERT_EQ(ok, i < m.names.size());
      if (ok) {
        std::vector<std::string>& v = m.values[o];
        if (v.size() <= i) v.resize(i + 1);
        v[i] = t;
      }
      if (other != o || j != i) {
        ASSERT_EQ(std::string(held), heldWas);
      }
    } else if (op < 82 && !m.names.empty()) {
      // A value or code set from a text of the object itself.
      void* o = m.objs[pick(m.objs.size())];
      size_t i = pick(m.names.size()), j = pick(m.names.size());
      std::vector<std::string>& v = m.values[o];
      std::string from = j < v.size() ? v[j] : "";
      size_t cut = from.empty() ? 0 : pick(from.size());
      const char* src = sViFieldsGetField(ops.fs, o, static_cast<int>(j)) + cut;
      if (pick(2)) {
        ASSERT_TRUE(boViFieldsSetField(ops.fs, o, static_cast<int>(i), src));
        if (v.size() <= i) v.resize(i + 1);
        v[i] = from.substr(cut);
      } else {
        std::string c = m.codes[o];
        size_t ccut = c.empty() ? 0 : pick(c.size());
        ops.setCode(o, ops.code(o) + ccut);
        m.codes[o] = c.substr(ccut);
      }
    } else if (op < 90) {
      void* o = m.objs[pick(m.objs.size())];
      std::string name = "N" + std::to_string(pick(12));
      std::string t = text();
      ASSERT_TRUE(boViFieldsSetOrAddFieldByName(ops.fs, o, name.c_str(), t.c_str()));
      auto at = std::find(m.names.begin(), m.names.end(), name);
      size_t i = static_cast<size_t>(at - m.names.begin());
      if (at == m.names.end()) m.names.push_back(name);
      std::vector<std::string>& v = m.values[o];
      if (v.size() <= i) v.resize(i + 1);
      v[i] = t;
    } else if (op < 96) {
      // Columns dropped (their values go) or added unnamed.
      size_t n = pick(m.names.size() + 3);
      ASSERT_EQ(iViFieldsSetCount(ops.fs, static_cast<int>(n)), static_cast<int>(n));
      for (auto& [o, v] : m.values) {
        if (v.size() > n) v.resize(n);
      }
      m.names.resize(n);
    } else if (op < 98) {
      ops.clear();
      m.objs.clear();
      m.codes.clear();
      m.values.clear();
    }
    if (step % 50 == 0 || op >= 90) {
      vCheckTexts(ops, m);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  vCheckTexts(ops, m);
}

TEST_F(Kv2grTest, CodesAndFieldValuesFollowAModel) {
  for (unsigned seed = 1; seed <= 3; seed++) {
    TextOps points = textOps(pts, pViPFieldsGet(pts), PoPointsCreatePoint, vPoPointsDeletePoint, vPoPointsDeletePoints,
                             sPoPointGetField, vPoPointSetField, PoPointsGetFirst, PoPointsGetNext);
    TextOps lineOps = textOps(lines, pViLFieldsGet(lines), LiLinesCreate3dLine, vLiLinesDeleteLine, vLiLinesDeleteLines,
                              sLiLineGetField, vLiLineSetField, LiLinesGetFirst, LiLinesGetNext);
    TextOps netOps = textOps(nets, pViNFieldsGet(nets), TrNetsCreateNet, vTrNetsDeleteNet, vTrNetsDeleteNets,
                             sTrNetGetField, vTrNetSetField, TrNetsGetFirst, TrNetsGetNext);
    for (const TextOps* ops : {&points, &lineOps, &netOps}) {
      iViFieldsSetCount(ops->fs, 0);
      ops->clear();
      vRunTextModel(*ops, seed);
      if (HasFatalFailure()) return;
    }
  }
}

TEST(Kv2grNull, NullHandlesAreHarmless) {
  EXPECT_EQ(PoPointsCreatePoint(nullptr), nullptr);
  EXPECT_EQ(iPoPointsGetCount(nullptr), 0);
  EXPECT_EQ(PoPointGetData(nullptr), nullptr);
  EXPECT_STREQ(sPoPointGetField(nullptr), "");
  EXPECT_EQ(LiLineAddPoint(nullptr, nullptr), nullptr);
  EXPECT_EQ(LiElmGetNext(nullptr, nullptr), nullptr);
  EXPECT_FALSE(boLiElmSetType(nullptr, nullptr, 0));
  EXPECT_STREQ(sViFieldsGetFieldByName(nullptr, nullptr, "X"), "");
  EXPECT_FALSE(boViFieldsSetOrAddFieldByName(nullptr, nullptr, "X", "Y"));
  vPoPointsDelete(nullptr);
  vLiLinesDelete(nullptr);
  vTrNetsDelete(nullptr);
}

}  // namespace
