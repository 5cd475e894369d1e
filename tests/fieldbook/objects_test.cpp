// The object interface through the loaded module: points, vertices, IDs,
// flags, and merging points by name.
#include <cstring>
#include <string>

#include "fb_module.h"

namespace {

MboPointData* pData(PoPoint* point) { return static_cast<MboPointData*>(PoPointGetData(point)); }

}  // namespace

using PointFlags = FieldBook;

TEST_F(PointFlags, NewPointHasNoCoordinatesAndCountsAsPrecalculatedDetailApart) {
  PoPoint* p = FB(KvxMboNewPoint)("P1");
  ASSERT_NE(p, nullptr);
  double x = 7, y = 8, z = 9;
  EXPECT_FALSE(FB(boMboGetPointXY)(p, &x, &y));
  EXPECT_FALSE(FB(boMboGetPointZ)(p, &z));
  EXPECT_EQ(x, 7);  // outputs untouched
  EXPECT_EQ(z, 9);
  EXPECT_TRUE(FB(boMboGetPointXYprecalc)(p));
  EXPECT_TRUE(FB(boMboGetPointZprecalc)(p));
  FB(vMboSetPointDetail)(p, -42);
  EXPECT_EQ(FB(boMboGetPointDetail)(p), -42);
  EXPECT_EQ(pData(p)->iDetail, -42);
  EXPECT_EQ(pData(p)->uFlags, 0u);
}

TEST_F(PointFlags, FirstStoreIsMeasuredLaterStoresKeepThePrecalcBit) {
  PoPoint* p = FB(KvxMboNewPoint)("P1");
  FB(vMboSetPointXY)(p, 10.5, 20.25);
  EXPECT_FALSE(FB(boMboGetPointXYprecalc)(p));
  EXPECT_EQ(pData(p)->uFlags, MBO_FLAG_XY | MBO_FLAG_XY_MEASURED);
  FB(vMboSetPointXYprecalc)(p, 1);
  EXPECT_TRUE(FB(boMboGetPointXYprecalc)(p));
  double x = 0, y = 0;
  EXPECT_TRUE(FB(boMboGetPointXY)(p, &x, &y));
  // A second store leaves the point precalculated.
  FB(vMboSetPointXY)(p, 1, 2);
  EXPECT_TRUE(FB(boMboGetPointXYprecalc)(p));
  EXPECT_TRUE(FB(boMboGetPointXY)(p, &x, &y));
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 2);
  FB(vMboSetPointXYprecalc)(p, 0);
  EXPECT_FALSE(FB(boMboGetPointXYprecalc)(p));

  // Single coordinates set XY alike; outputs may be null.
  p = FB(KvxMboNewPoint)("P2");
  FB(vMboSetPointX)(p, 3);
  EXPECT_EQ(pData(p)->uFlags, MBO_FLAG_XY | MBO_FLAG_XY_MEASURED);
  FB(vMboSetPointXYprecalc)(p, 1);
  FB(vMboSetPointY)(p, 4);
  EXPECT_TRUE(FB(boMboGetPointXYprecalc)(p));
  EXPECT_TRUE(FB(boMboGetPointXY)(p, nullptr, &y));
  EXPECT_EQ(y, 4);
  EXPECT_EQ(dPoPointGetX(p), 3);

  // Z has its own bits.
  p = FB(KvxMboNewPoint)("P3");
  FB(vMboSetPointZ)(p, 99.5);
  EXPECT_EQ(pData(p)->uFlags, MBO_FLAG_Z | MBO_FLAG_Z_MEASURED);
  EXPECT_FALSE(FB(boMboGetPointXY)(p, nullptr, nullptr));
  FB(vMboSetPointZprecalc)(p, 1);
  FB(vMboSetPointZ)(p, 100);
  EXPECT_TRUE(FB(boMboGetPointZprecalc)(p));
  double z = 0;
  EXPECT_TRUE(FB(boMboGetPointZ)(p, &z));
  EXPECT_EQ(z, 100);
  EXPECT_TRUE(FB(boMboGetPointZ)(p, nullptr));
}

using PointIds = FieldBook;

TEST_F(PointIds, MergeByNameIsExactAndKeepsTheFirstPoint) {
  PoPoint* a = FB(KvxMboNewOrExistingPoint)("A");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("A"), a);
  PoPoint* lower = FB(KvxMboNewOrExistingPoint)("a");
  EXPECT_NE(lower, a);
  // A second point named "A" made on purpose does not take over.
  PoPoint* twin = FB(KvxMboNewPoint)("A");
  EXPECT_NE(twin, a);
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("A"), a);
  EXPECT_EQ(iPoPointsGetCount(FB(pKvxMboPoPointsGet)()), 3);
}

TEST_F(PointIds, NullAndEmptyNamesAlwaysMakeNewPoints) {
  PoPoint* n1 = FB(KvxMboNewOrExistingPoint)(nullptr);
  PoPoint* n2 = FB(KvxMboNewOrExistingPoint)(nullptr);
  EXPECT_NE(n1, n2);
  EXPECT_STREQ(FB(sMboGetPointPID)(n1), "");
  // "" would otherwise find the first unnamed point and pile data onto it.
  PoPoint* e1 = FB(KvxMboNewOrExistingPoint)("");
  PoPoint* e2 = FB(KvxMboNewOrExistingPoint)("");
  EXPECT_NE(e1, n1);
  EXPECT_NE(e1, e2);
  EXPECT_EQ(iPoPointsGetCount(FB(pKvxMboPoPointsGet)()), 4);
}

TEST_F(PointIds, LongIdsAreCutTo99AndStillMergeThePidIsTheStoredText) {
  std::string longId(120, 'x');
  longId[98] = 'E';  // the last character kept
  PoPoint* p = FB(KvxMboNewOrExistingPoint)(longId.c_str());
  EXPECT_EQ(std::string(FB(sMboGetPointPID)(p)), longId.substr(0, 99));
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)(longId.c_str()), p);
  // Any text that agrees in the first 99 characters names the same point.
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)(longId.substr(0, 99).c_str()), p);
  EXPECT_EQ(iPoPointsGetCount(FB(pKvxMboPoPointsGet)()), 1);
  EXPECT_EQ(FB(sMboGetPointPID)(p), pData(p)->sPid);  // not a copy
  FB(vMboSetPointPID)(p, std::string(150, 'q').c_str());
  EXPECT_EQ(strlen(FB(sMboGetPointPID)(p)), 99u);
}

TEST_F(PointIds, RenamedPointsAreFoundByTheirNewName) {
  PoPoint* a = FB(KvxMboNewOrExistingPoint)("A");
  PoPoint* b = FB(KvxMboNewOrExistingPoint)("B");
  FB(vMboSetPointPID)(a, "C");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("C"), a);
  PoPoint* newA = FB(KvxMboNewOrExistingPoint)("A");
  EXPECT_NE(newA, a);
  // b renamed to "C" comes after a in creation order: a stays the one found.
  FB(vMboSetPointPID)(b, "C");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("C"), a);
  FB(vMboSetPointPID)(a, "D");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("C"), b);
  // newA renamed to "D": a is older, so it stays first.
  FB(vMboSetPointPID)(newA, "D");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("D"), a);
  FB(vMboSetPointPID)(a, nullptr);
  EXPECT_STREQ(FB(sMboGetPointPID)(a), "");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("D"), newA);
}

TEST_F(PointIds, HostChangesBehindTheModuleAreNoticed) {
  PoPoints* points = FB(pKvxMboPoPointsGet)();
  PoPoint* a = FB(KvxMboNewOrExistingPoint)("A");
  PoPoint* b = FB(KvxMboNewOrExistingPoint)("B");

  // Renamed by writing the user data directly: the old name no longer
  // finds it, and from then on the new one does.
  strcpy(pData(a)->sPid, "Z");
  PoPoint* a2 = FB(KvxMboNewOrExistingPoint)("A");
  EXPECT_NE(a2, a);
  EXPECT_STREQ(FB(sMboGetPointPID)(a2), "A");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("Z"), a);

  // Made by the host in the container, named through the module.
  PoPoint* h = PoPointsCreatePoint(points);
  FB(vMboSetPointPID)(h, "H");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("H"), h);
  PoPoint* h2 = PoPointsCreatePoint(points);
  strcpy(pData(h2)->sPid, "H2");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("H2"), h2);
  // An older point renamed in place to a name already taken comes first now.
  strcpy(pData(a)->sPid, "H");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("H"), a);

  // Deleted by the host.
  vPoPointsDeletePoint(points, b);
  PoPoint* b2 = FB(KvxMboNewOrExistingPoint)("B");
  EXPECT_STREQ(FB(sMboGetPointPID)(b2), "B");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("B"), b2);

  // All deleted by the host.
  vPoPointsDeletePoints(points);
  PoPoint* fresh = FB(KvxMboNewOrExistingPoint)("Z");
  EXPECT_EQ(iPoPointsGetCount(points), 1);
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("Z"), fresh);
}

using Vertices = FieldBook;

TEST_F(Vertices, LineVerticesInOrderWithIds) {
  LiLine* line = FB(KvxMboNewLine)("L1");
  ASSERT_NE(line, nullptr);
  EXPECT_STREQ(FB(sMboGetLineObjID)(line), "L1");
  LiElm* e1 = FB(KvxMboAddLineElm)(line, "P1");
  LiElm* e3 = FB(KvxMboAddLineElm)(line, nullptr);
  LiElm* e2 = FB(KvxMboAddLineElmBefore)(line, "P2", e3);
  EXPECT_EQ(LiElmGetFirst(line), e1);
  EXPECT_EQ(LiElmGetNext(line, e1), e2);
  EXPECT_EQ(LiElmGetNext(line, e2), e3);
  EXPECT_TRUE(boLiLineIs3d(line));

  char buf[100] = "junk";
  EXPECT_TRUE(FB(boMboGetElmPID)(line, e2, buf, sizeof buf));
  EXPECT_STREQ(buf, "P2");
  EXPECT_FALSE(FB(boMboGetElmPID)(line, e3, buf, sizeof buf));
  EXPECT_STREQ(buf, "");
  EXPECT_TRUE(FB(boMboGetElmPID)(line, e1, nullptr, 0));
  // A short buffer gets what fits; a size of 0 or less gets nothing.
  char small[2] = {'x', 'y'};
  EXPECT_TRUE(FB(boMboGetElmPID)(line, e1, small, 2));
  EXPECT_STREQ(small, "P");
  small[0] = 'x';
  EXPECT_TRUE(FB(boMboGetElmPID)(line, e1, small, 0));
  EXPECT_FALSE(FB(boMboGetElmPID)(line, e3, small, -1));
  EXPECT_EQ(small[0], 'x');
  FB(vMboSetElmPID)(line, e3, "P3");
  EXPECT_TRUE(FB(boMboGetElmPID)(line, e3, buf, sizeof buf));
  EXPECT_STREQ(buf, "P3");
}

TEST_F(Vertices, CoordinatesAlwaysMarkTheVertexMeasured) {
  LiLine* line = FB(KvxMboNewLine)(nullptr);
  EXPECT_STREQ(FB(sMboGetLineObjID)(line), "");
  LiElm* e = FB(KvxMboAddLineElm)(line, "P1");
  double x = 0, y = 0, z = 0;
  EXPECT_FALSE(FB(boMboGetElmXY)(line, e, &x, &y));
  EXPECT_FALSE(FB(boMboGetElmZ)(line, e, &z));
  auto* data = static_cast<MboElmData*>(LiElmGetData(line, e));
  data->uFlags = MBO_FLAG_XY;  // marked precalculated by someone
  FB(vMboSetElmXY)(line, e, 5, 6);
  EXPECT_EQ(data->uFlags, MBO_FLAG_XY | MBO_FLAG_XY_MEASURED);
  FB(vMboSetElmZ)(line, e, 7);
  EXPECT_EQ(data->uFlags, MBO_FLAG_XY | MBO_FLAG_XY_MEASURED | MBO_FLAG_Z | MBO_FLAG_Z_MEASURED);
  EXPECT_TRUE(FB(boMboGetElmXY)(line, e, &x, &y));
  EXPECT_TRUE(FB(boMboGetElmZ)(line, e, &z));
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 6);
  EXPECT_EQ(z, 7);  // the Z store kept XY
  FB(vMboSetElmXY)(line, e, 8, 9);
  EXPECT_TRUE(FB(boMboGetElmZ)(line, e, &z));
  EXPECT_EQ(z, 7);  // and the XY store kept Z
}

TEST_F(Vertices, PolygonsAndNetsCarryObjectIds) {
  YgPolygon* poly = FB(KvxMboNewPolygon)("Y1");
  YgElm* e = FB(KvxMboAddPolygonElm)(poly, "P1");
  FB(KvxMboAddPolygonElm)(poly, nullptr);
  EXPECT_EQ(iYgElmGetCount(poly), 2);
  EXPECT_TRUE(boLiLineIsPolygon(poly));
  char buf[10];
  EXPECT_TRUE(FB(boMboGetElmPID)(poly, e, buf, sizeof buf));
  EXPECT_STREQ(buf, "P1");
  EXPECT_STREQ(FB(sMboGetPolygonObjID)(poly), "Y1");
  FB(vMboSetPolygonObjID)(poly, "Y2");
  EXPECT_STREQ(FB(sMboGetPolygonObjID)(poly), "Y2");

  TrNet* net = FB(KvxMboNewTriangleNet)("N1");
  EXPECT_STREQ(FB(sMboGetTriangleNetObjID)(net), "N1");
  std::string longId(130, 'n');
  FB(vMboSetTriangleNetObjID)(net, longId.c_str());
  EXPECT_EQ(strlen(FB(sMboGetTriangleNetObjID)(net)), 99u);
  FB(vMboSetLineObjID)(nullptr, "ignored");
  EXPECT_EQ(iTrNetsGetCount(FB(pKvxMboTrNetsGet)()), 1);
  EXPECT_EQ(iYgPolygonsGetCount(FB(pKvxMboYgPolygonsGet)()), 1);
}

TEST_F(Vertices, UserDataHasTheHostsSizes) {
  // The host walks the user data with its own record sizes: what the
  // containers hand out must be at least that large and zero-filled.
  auto zeros = [](const void* data, size_t size) {
    return data && std::string(static_cast<const char*>(data), size) == std::string(size, '\0');
  };
  LiLine* line = FB(KvxMboNewLine)(nullptr);
  EXPECT_TRUE(zeros(PoPointGetData(FB(KvxMboNewPoint)(nullptr)), sizeof(MboPointData)));
  EXPECT_TRUE(zeros(LiElmGetData(line, FB(KvxMboAddLineElm)(line, nullptr)), sizeof(MboElmData)));
  EXPECT_TRUE(zeros(LiLineGetData(line), sizeof(MboLineData)));
}

using NullHandles = FieldBook;

TEST_F(NullHandles, AreRefusedQuietly) {
  double v = 1;
  char buf[8] = "keep";
  EXPECT_FALSE(FB(boMboGetPointXY)(nullptr, &v, &v));
  EXPECT_FALSE(FB(boMboGetPointZ)(nullptr, &v));
  EXPECT_FALSE(FB(boMboGetPointXYprecalc)(nullptr));
  EXPECT_FALSE(FB(boMboGetPointZprecalc)(nullptr));
  EXPECT_EQ(FB(boMboGetPointDetail)(nullptr), 0);
  FB(vMboSetPointX)(nullptr, 1);
  FB(vMboSetPointY)(nullptr, 1);
  FB(vMboSetPointXY)(nullptr, 1, 2);
  FB(vMboSetPointZ)(nullptr, 1);
  FB(vMboSetPointXYprecalc)(nullptr, 1);
  FB(vMboSetPointZprecalc)(nullptr, 1);
  FB(vMboSetPointDetail)(nullptr, 1);
  FB(vMboSetPointPID)(nullptr, "X");
  EXPECT_STREQ(FB(sMboGetPointPID)(nullptr), "");
  EXPECT_EQ(FB(KvxMboAddLineElm)(nullptr, "P"), nullptr);
  EXPECT_EQ(FB(KvxMboAddLineElmBefore)(nullptr, "P", nullptr), nullptr);
  EXPECT_EQ(FB(KvxMboAddPolygonElm)(nullptr, "P"), nullptr);
  EXPECT_FALSE(FB(boMboGetElmPID)(nullptr, nullptr, buf, sizeof buf));
  EXPECT_STREQ(buf, "");
  LiLine* line = FB(KvxMboNewLine)("L");
  EXPECT_FALSE(FB(boMboGetElmXY)(line, nullptr, &v, &v));
  EXPECT_FALSE(FB(boMboGetElmZ)(line, nullptr, &v));
  FB(vMboSetElmPID)(line, nullptr, "X");
  FB(vMboSetElmXY)(line, nullptr, 1, 2);
  FB(vMboSetElmZ)(nullptr, nullptr, 1);
  EXPECT_STREQ(FB(sMboGetLineObjID)(nullptr), "");
  EXPECT_STREQ(FB(sMboGetPolygonObjID)(nullptr), "");
  EXPECT_STREQ(FB(sMboGetTriangleNetObjID)(nullptr), "");
  FB(vMboSetPolygonObjID)(nullptr, "X");
  FB(vMboSetTriangleNetObjID)(nullptr, "X");
  EXPECT_EQ(v, 1);
}

TEST(FieldBookUninitialised, CreatesNothing) {
  EXPECT_EQ(FB(KvxMboNewPoint)("P"), nullptr);
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("P"), nullptr);
  EXPECT_EQ(FB(KvxMboNewLine)("L"), nullptr);
  EXPECT_EQ(FB(KvxMboNewPolygon)("Y"), nullptr);
  EXPECT_EQ(FB(KvxMboNewTriangleNet)("N"), nullptr);
}

TEST_F(PointIds, HostDeletingAndMakingAPointBetweenMergesIsNoticed) {
  // Count and first point stay the same: only the names tell.
  PoPoints* points = FB(pKvxMboPoPointsGet)();
  PoPoint* a = FB(KvxMboNewOrExistingPoint)("A");
  PoPoint* b = FB(KvxMboNewOrExistingPoint)("B");
  FB(KvxMboNewOrExistingPoint)("C");
  vPoPointsDeletePoint(points, b);
  PoPoint* h = PoPointsCreatePoint(points);
  strcpy(pData(h)->sPid, "H");
  PoPoint* b2 = FB(KvxMboNewOrExistingPoint)("B");
  EXPECT_NE(b2, h);
  EXPECT_STREQ(FB(sMboGetPointPID)(b2), "B");
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("H"), h);
  EXPECT_EQ(FB(KvxMboNewOrExistingPoint)("A"), a);
  EXPECT_EQ(iPoPointsGetCount(points), 4);
}
