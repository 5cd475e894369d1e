// The field book's module-internal side, linked in directly: reset, look-ups
// by ID and the point-name index against the walk, counts, stations, and the
// help file rule.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>

#include "base/text.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kv2cosys_setup.h"
#include "kvxtest_help.h"
#include "kvxtest_memory.h"
#include "testing/tempdir.h"

namespace {

class FieldBookInside : public ::testing::Test {
 protected:
  void SetUp() override { vKvxMboInit(nullptr); }
  void TearDown() override { vKvxMboFinish(); }
};

}  // namespace

TEST_F(FieldBookInside, ResetEmptiesObjectsAndDropsPointAndLineColumnsOnly) {
  PoPoint* p = KvxMboNewPoint("P");
  LiLine* l = KvxMboNewLine("L");
  YgPolygon* y = KvxMboNewPolygon("Y");
  TrNet* n = KvxMboNewTriangleNet("N");
  boViFieldsSetOrAddFieldByName(pKvxMboPFieldsGet(), p, "PF", "1");
  boViFieldsSetOrAddFieldByName(pKvxMboLFieldsGet(), l, "LF", "1");
  boViFieldsSetOrAddFieldByName(pKvxMboYFieldsGet(), y, "YF", "1");
  boViFieldsSetOrAddFieldByName(pKvxMboNFieldsGet(), n, "NF", "1");
  pMboAddObs(2, pMboAddSt(2));
  sStrCopyN(g_mbo.sJobName, "JOB", sizeof g_mbo.sJobName);
  boMboSetProjectAttr("PROJECT", "kept");

  vMboResetFieldBook();
  EXPECT_EQ(iMboCountPoints(), 0);
  EXPECT_EQ(LiLinesGetFirst(g_pMboLines), nullptr);
  EXPECT_EQ(YgPolygonsGetFirst(g_pMboPolygons), nullptr);
  EXPECT_EQ(iMboCountTriangleNets(), 0);
  EXPECT_EQ(iMboCountStations(2), 0);
  EXPECT_EQ((std::vector<int>{iViFieldsGetCount(pKvxMboPFieldsGet()), iViFieldsGetCount(pKvxMboLFieldsGet()),
                              iViFieldsGetCount(pKvxMboYFieldsGet()), iViFieldsGetCount(pKvxMboNFieldsGet())}),
            (std::vector<int>{0, 0, 1, 1}));
  EXPECT_STREQ(g_mbo.sJobName, "");
  // Project attributes outlive a reset (an import), only init clears them.
  char buf[20];
  EXPECT_TRUE(boMboGetProjectAttr("PROJECT", buf, sizeof buf));
  EXPECT_STREQ(buf, "kept");
  // The index was emptied with the points.
  EXPECT_EQ(pMboFindPoint("P"), nullptr);
  PoPoint* again = KvxMboNewOrExistingPoint("P");
  EXPECT_EQ(pMboFindPoint("P"), again);
}

TEST_F(FieldBookInside, FindByIdTakesTheFirstInCreationOrder) {
  EXPECT_EQ(pMboFindPoint(nullptr), nullptr);
  PoPoint* unnamed = KvxMboNewPoint(nullptr);
  KvxMboNewPoint(nullptr);
  EXPECT_EQ(pMboFindPoint(""), unnamed);
  EXPECT_EQ(pMboFindPoint("B"), nullptr);
  LiLine* l1 = KvxMboNewLine("X");
  KvxMboNewLine("X");
  YgPolygon* y1 = KvxMboNewPolygon("X");
  TrNet* n1 = KvxMboNewTriangleNet("X");
  EXPECT_EQ(pMboFindLine("X"), l1);
  EXPECT_EQ(pMboFindPolygon("X"), y1);
  EXPECT_EQ(pMboFindTriangleNet("X"), n1);
  EXPECT_EQ(pMboFindLine(nullptr), nullptr);
  EXPECT_EQ(pMboFindPolygon("Y"), nullptr);
}

namespace {

// The walk the index must agree with: the first point in creation order
// whose ID equals the key's first 99 characters.
PoPoint* pWalk(const std::string& key) {
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p))
    if (strncmp(pMboPointGetData(p)->sPid, key.c_str(), MBO_ID_SIZE - 1) == 0) return p;
  return nullptr;
}

}  // namespace

TEST_F(FieldBookInside, IndexInsideAPassAgreesWithTheWalk) {
  // Few names, so that most of them are shared by several points and
  // renames keep moving which point comes first.
  std::mt19937 rng(7);
  auto name = [&rng] { return "N" + std::to_string(rng() % 40); };
  std::vector<PoPoint*> made;
  MboIndexPass pass;
  for (int step = 0; step < 4000; ++step) {
    int op = static_cast<int>(rng() % 10);
    std::string id = name();
    if (op < 3) {
      made.push_back(KvxMboNewPoint(id.c_str()));
    } else if (op < 5) {
      PoPoint* p = KvxMboNewOrExistingPoint(id.c_str());
      if (made.empty() || made.back() != p) made.push_back(p);
    } else if (op < 8 && !made.empty()) {
      PoPoint* p = made[rng() % made.size()];
      vMboSetPointPID(p, op == 7 && rng() % 4 == 0 ? "" : id.c_str());
    } else if (op == 8 && step % 50 == 0) {
      vMboIndexClear();
    }
    std::string probe = name();
    ASSERT_EQ(pMboFindPoint(probe.c_str()), pWalk(probe)) << "step " << step << " id " << probe;
  }
  for (int i = 0; i < 40; ++i) {
    std::string id = "N" + std::to_string(i);
    EXPECT_EQ(pMboFindPoint(id.c_str()), pWalk(id)) << id;
  }
}

TEST_F(FieldBookInside, IndexGrowsAndShrinksWithoutLosingNames) {
  MboIndexPass pass;
  std::vector<PoPoint*> points;
  for (int i = 0; i < 3000; ++i) points.push_back(KvxMboNewOrExistingPoint(("P" + std::to_string(i)).c_str()));
  // Names leave the table (every other one), their neighbours must stay.
  for (int i = 0; i < 3000; i += 2) vMboSetPointPID(points[i], ("Q" + std::to_string(i)).c_str());
  for (int i = 0; i < 3000; ++i) {
    std::string p = "P" + std::to_string(i), q = "Q" + std::to_string(i);
    ASSERT_EQ(pMboFindPoint(p.c_str()), i % 2 ? points[i] : nullptr) << i;
    ASSERT_EQ(pMboFindPoint(q.c_str()), i % 2 ? nullptr : points[i]) << i;
  }
  EXPECT_EQ(KvxMboNewOrExistingPoint("P1"), points[1]);
  EXPECT_EQ(iMboCountPoints(), 3000);
}

TEST_F(FieldBookInside, PointsMadeOrDeletedPastTheModelInsideAPassAreNoticed) {
  MboIndexPass pass;
  PoPoint* a = KvxMboNewOrExistingPoint("A");
  PoPoint* b = KvxMboNewOrExistingPoint("B");
  PoPoint* direct = PoPointsCreatePoint(g_pMboPoints);
  sStrCopyN(pMboPointGetData(direct)->sPid, "D", MBO_ID_SIZE);
  EXPECT_EQ(pMboFindPoint("D"), direct);
  vPoPointsDeletePoint(g_pMboPoints, b);
  EXPECT_EQ(pMboFindPoint("B"), nullptr);
  EXPECT_EQ(pMboFindPoint("A"), a);
}

namespace {

// Numbered names as field books have them, and the awkward ones: leading
// zeros, numbers longer than a machine word, IDs cut at 99 characters in
// the middle of their number, letters above 127, numbers at group ends.
// few: a few dozen names, so that many points share one.
std::string RandomName(std::mt19937& rng, bool few) {
  static const std::string prefixes[] = {"",
                                         "JOB.A.",
                                         "JOB.B.",
                                         "\xD8ST.",
                                         "P",
                                         "123456789012345678901234",
                                         std::string(94, 'L'),
                                         std::string(97, 'M'),
                                         std::string(120, 'N')};
  // Few names: three prefixes (two short ones, one that the cut at 99
  // characters goes through the number) and small numbers.
  const uint32_t spread = few ? 1 : 30;
  std::string name = few ? prefixes[(rng() % 3) * 3 + 1] : prefixes[rng() % std::size(prefixes)];
  switch (rng() % 6) {
    case 0:
      name += std::to_string(rng() % (5 * spread));
      break;
    case 1:
      name += std::string(1 + rng() % 2, '0') + std::to_string(rng() % (2 * spread + 1));
      break;
    case 2:
      name += std::to_string(63 + 64 * (rng() % 3) + rng() % 2);
      break;
    case 3:
      name += "98765432109876543" + std::to_string(rng() % (spread + 1));
      break;
    case 4:
      name += std::to_string(rng() % (spread + 1)) + "X";
      break;
    default:
      name += std::to_string(1000 * (rng() % (spread + 1)));
  }
  return name;
}

// Creates, merges, renames, clears, passes and changes past the model in
// random order; every result must be the walk's. few: few names, and the
// index left alone for longer (renames keep moving the first of a name).
void vRunRandomPasses(uint32_t seed, bool few) {
  std::mt19937 rng(seed);
  std::vector<PoPoint*> points;  // the field book's points, in creation order
  auto pick = [&]() -> PoPoint* { return points.empty() ? nullptr : points[rng() % points.size()]; };
  int depth = 0;
  auto begin = [&] {
    vMboIndexPassBegin();
    ++depth;
  };
  auto end = [&] {
    if (depth) vMboIndexPassEnd(), --depth;
  };
  auto erase = [&](size_t i) {
    vPoPointsDeletePoint(g_pMboPoints, points[i]);
    points.erase(points.begin() + static_cast<ptrdiff_t>(i));
  };
  auto make = [&](const std::string& id) {  // past the model
    PoPoint* p = PoPointsCreatePoint(g_pMboPoints);
    sStrCopyN(pMboPointGetData(p)->sPid, id.c_str(), MBO_ID_SIZE);
    points.push_back(p);
  };
  bool pastModel = false;  // the last step changed points past the model
  begin();
  for (int step = 0; step < 20000; ++step) {
    int op = static_cast<int>(rng() % 100);
    if (few && op >= 65 && op < 76 && rng() % 8) op = 99;
    if (op < 67 || op >= 70) pastModel = false;
    const std::string name = RandomName(rng, few);
    SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op) + " name " + name);
    if (op < 20) {
      points.push_back(KvxMboNewPoint(rng() % 10 ? name.c_str() : ""));
    } else if (op < 45) {
      PoPoint* expected = pWalk(name);
      PoPoint* got = KvxMboNewOrExistingPoint(name.c_str());
      if (expected) {
        ASSERT_EQ(got, expected);
      } else {
        // A new point, the last one made.
        ASSERT_EQ(iMboCountPoints(), static_cast<int>(points.size()) + 1);
        ASSERT_EQ(PoPointsGetNext(g_pMboPoints, got), nullptr);
        ASSERT_STREQ(sMboGetPointPID(got), name.substr(0, MBO_ID_SIZE - 1).c_str());
        points.push_back(got);
      }
    } else if (op < 65) {
      if (PoPoint* p = pick()) vMboSetPointPID(p, rng() % 8 ? name.c_str() : "");
    } else if (op < 67) {
      vMboIndexClear();
    } else if (op < 70 && depth) {
      // Inside a pass, one change past the model at a time (a deletion and
      // a creation in a row leave no trace the index could see); an ID
      // written in place is followed by a clear, as module code does.
      if (pastModel) pMboFindPoint(name.c_str());
      pastModel = true;
      if (op == 67) {
        make(name);
      } else if (op == 68 && !points.empty()) {
        erase(rng() % points.size());
      } else if (PoPoint* p = pick()) {
        sStrCopyN(pMboPointGetData(p)->sPid, name.c_str(), MBO_ID_SIZE);
        vMboIndexClear();
      }
    } else if (op < 72) {
      begin();
    } else if (op < 74) {
      end();
    } else if (op == 74 && depth == 1) {
      // Between passes the host changes anything without telling.
      end();
      for (int k = 0; k < 5; ++k) {
        if (PoPoint* p = pick()) sStrCopyN(pMboPointGetData(p)->sPid, RandomName(rng, few).c_str(), MBO_ID_SIZE);
        if (!points.empty() && rng() % 2) erase(rng() % points.size());
        make(RandomName(rng, few));
      }
      begin();
    } else if (op == 75 && step % 97 == 0) {
      vMboResetFieldBook();
      points.clear();
    }
    // Now and then no look-up: the next change meets the last one's traces.
    if (rng() % 3 == 0) continue;
    for (int k = 0; k < 3; ++k) {
      std::string probe = k ? RandomName(rng, few) : name;
      if (probe.empty()) continue;
      ASSERT_EQ(pMboFindPoint(probe.c_str()), pWalk(probe)) << "probe " << probe;
    }
  }
  while (depth) end();
}

}  // namespace

TEST_F(FieldBookInside, IndexAgreesWithTheWalkOverRandomPassesAndHostChanges) {
  const uint32_t seed = getenv("KVX_SEED") ? static_cast<uint32_t>(atoi(getenv("KVX_SEED"))) : 20261206;
  vRunRandomPasses(seed, false);
  vMboResetFieldBook();
  vRunRandomPasses(seed, true);
}

namespace {

// The first-match rule as a map: each stored ID (its first 99 characters)
// with the places in creation order of the points that hold it.
struct IdModel {
  std::vector<PoPoint*> points;
  std::vector<std::string> ids;
  std::map<std::string, std::set<size_t>> holders;

  static std::string Stored(const std::string& id) { return id.substr(0, MBO_ID_SIZE - 1); }
  PoPoint* Find(const std::string& key) const {
    auto it = holders.find(Stored(key));
    return it == holders.end() || it->second.empty() ? nullptr : points[*it->second.begin()];
  }
  void Add(PoPoint* p, const std::string& id) {
    ids.push_back(Stored(id));
    points.push_back(p);
    if (!ids.back().empty()) holders[ids.back()].insert(points.size() - 1);
  }
  void Rename(size_t i, const std::string& id) {
    if (!ids[i].empty()) holders[ids[i]].erase(i);
    ids[i] = Stored(id);
    if (!ids[i].empty()) holders[ids[i]].insert(i);
  }
};

}  // namespace

TEST_F(FieldBookInside, IndexAgreesWithAMapOverLongRunsCrowdedNamesAndRenames) {
  // Tens of thousands of points, so that the table grows many times: runs
  // of numbered names as imports make them, names shared by hundreds of
  // points, and renames that move or take away the first of a name.
  const uint32_t seed = getenv("KVX_SEED") ? static_cast<uint32_t>(atoi(getenv("KVX_SEED"))) : 20261207;
  std::mt19937 rng(seed);
  IdModel model;
  MboIndexPass pass;
  auto name = [&]() -> std::string {
    switch (rng() % 8) {
      case 0:
      case 1:
      case 2:  // the run goes on
        return std::to_string(model.points.size() + 1);
      case 3:
      case 4:  // crowded: a few names, hundreds of points each
        return "C" + std::to_string(rng() % 6);
      case 5:
        return std::string(95 + rng() % 10, 'L') + std::to_string(rng() % 300);
      case 6:
        if (rng() % 2) return "JOB.A." + std::to_string(rng() % 50000);
        return std::string(rng() % 3, '0') + std::to_string(rng() % 2000) + (rng() % 2 ? "X" : "");
      default:
        return rng() % 16 ? "\xC4" + std::to_string(rng() % 100000) : "";
    }
  };
  for (int step = 0; step < 60000; ++step) {
    const std::string id = name();
    const uint32_t op = rng() % 20;
    if (op < 9) {
      PoPoint* expected = id.empty() ? nullptr : model.Find(id);
      PoPoint* got = KvxMboNewOrExistingPoint(id.c_str());
      if (expected) {
        ASSERT_EQ(got, expected) << step << " " << id;
      } else {
        ASSERT_EQ(PoPointsGetNext(g_pMboPoints, got), nullptr) << step << " " << id;
        model.Add(got, id);
      }
    } else if (op < 14) {
      model.Add(KvxMboNewPoint(id.c_str()), id);
    } else if (!model.points.empty()) {
      // Half the renames take a crowded name's first point away from it.
      size_t i = rng() % model.points.size();
      if (op < 17) {
        auto it = model.holders.find("C" + std::to_string(rng() % 6));
        if (it != model.holders.end() && !it->second.empty()) i = *it->second.begin();
      }
      vMboSetPointPID(model.points[i], id.c_str());
      model.Rename(i, id);
    }
    if (step % 20000 == 19999) vMboIndexClear();
    const std::string probe = rng() % 2 ? id : name();
    if (probe.empty()) continue;
    ASSERT_EQ(pMboFindPoint(probe.c_str()), model.Find(probe)) << step << " " << probe;
  }
  ASSERT_EQ(iMboCountPoints(), static_cast<int>(model.points.size()));
  for (const auto& [id, at] : model.holders) ASSERT_EQ(pMboFindPoint(id.c_str()), model.Find(id)) << id;
  // Every point of a crowded name renamed away, first to last: the name goes.
  for (int c = 0; c < 6; ++c) {
    const std::string crowded = "C" + std::to_string(c);
    while (model.Find(crowded)) {
      size_t i = *model.holders[crowded].begin();
      vMboSetPointPID(model.points[i], "");
      model.Rename(i, "");
      ASSERT_EQ(pMboFindPoint(crowded.c_str()), model.Find(crowded)) << crowded;
    }
  }
}

TEST_F(FieldBookInside, IndexWithoutMemoryFallsBackToTheWalk) {
  // The index runs out of memory at each of its first allocations in turn,
  // while the field book grows: no exception leaves the exports, and every
  // answer is still the walk's.
  MboIndexPass pass;
  std::mt19937 rng(11);
  std::vector<PoPoint*> points;
  for (int granted = 0; granted < 30; ++granted) {
    vKvxTestMemoryFailAfter(granted);
    for (int i = 0; i < 400; ++i) {
      std::string name = "JOB.A." + std::to_string(rng() % 6000);
      const uint32_t op = rng() % 4;
      if (op == 0) {
        points.push_back(KvxMboNewPoint(name.c_str()));
      } else if (op == 1) {
        if (!points.empty()) vMboSetPointPID(points[rng() % points.size()], name.c_str());
      } else {
        PoPoint* expected = pWalk(name);
        PoPoint* got = KvxMboNewOrExistingPoint(name.c_str());
        if (!expected) {
          ASSERT_EQ(PoPointsGetNext(g_pMboPoints, got), nullptr) << granted << " " << name;  // made anew
          points.push_back(got);
        }
        ASSERT_EQ(got, expected ? expected : got) << granted << " " << name;
      }
      std::string probe = "JOB.A." + std::to_string(rng() % 6000);
      ASSERT_EQ(pMboFindPoint(probe.c_str()), pWalk(probe)) << granted << " " << probe;
    }
    vKvxTestMemoryFailAfter(-1);
    std::string probe = "JOB.A." + std::to_string(rng() % 6000);
    ASSERT_EQ(pMboFindPoint(probe.c_str()), pWalk(probe)) << granted << " " << probe;
  }
  // Renames that each add a name (the old one stays with another point)
  // until the index needs more room than it gets (more than it keeps from
  // the passes before, too).
  vMboResetFieldBook();
  const int n = 40000;
  std::vector<PoPoint*> copies;
  for (int i = 0; i < n; ++i) {
    std::string name = "R." + std::to_string(i);
    KvxMboNewOrExistingPoint(name.c_str());
    copies.push_back(KvxMboNewPoint(name.c_str()));
  }
  vKvxTestMemoryFailAfter(0);
  // A few more after the first refusal: from then on every look-up walks.
  for (int i = 0, after = 0; i < n && after < 20; ++i) {
    std::string name = "S." + std::to_string(i);
    vMboSetPointPID(copies[static_cast<size_t>(i)], name.c_str());
    ASSERT_EQ(pMboFindPoint(name.c_str()), copies[static_cast<size_t>(i)]) << name;
    if (iKvxTestMemoryRefused() > 0) ++after;
  }
  EXPECT_GT(iKvxTestMemoryRefused(), 0);
  vKvxTestMemoryFailAfter(-1);
}

TEST_F(FieldBookInside, PointNumberIsTheLastPartOfTheId) {
  PoPoint* p = KvxMboNewPoint("job.area.17");
  EXPECT_STREQ(sMboGetPointNo(p), "17");
  vMboSetPointPID(p, "42");
  EXPECT_STREQ(sMboGetPointNo(p), "42");
  vMboSetPointPID(p, "J.A.12 ");
  EXPECT_STREQ(sMboGetPointNo(p), "12");
}

TEST_F(FieldBookInside, CountsForTheImportSummary) {
  KvxMboNewPoint("1");
  KvxMboNewPoint("2");
  LiLine* l = KvxMboNewLine("L");
  KvxMboAddLineElm(l, "1");
  KvxMboAddLineElm(l, "2");
  KvxMboAddLineElm(KvxMboNewLine("M"), "1");
  YgPolygon* y = KvxMboNewPolygon("Y");
  for (int i = 0; i < 4; ++i) KvxMboAddPolygonElm(y, nullptr);
  TrNet* n = KvxMboNewTriangleNet("N");
  GeoPnt3 pt{0, 0, 0};
  for (int i = 0; i < 3; ++i) vTrNetSetP(n, i, &pt);
  vTrNetSetTriangle(n, 0, 0, 1, 2);
  void* ts = pMboAddSt(1);
  for (void* st : {ts, ts, pMboAddSt(1)}) pMboAddObs(1, st);
  pMboAddObs(2, pMboAddSt(2));
  pMboAddSt(4);
  pMboAddObs(5, pMboAddSt(5));
  // Points, line and polygon vertices, nets, net points, triangles, observations
  // of each kind, total-station and GPS stations.
  const std::vector<int> counts = {iMboCountPoints(),
                                   iMboCountLineVertices(),
                                   iMboCountPolygonVertices(),
                                   iMboCountTriangleNets(),
                                   iMboCountTriangleNetPoints(),
                                   iMboCountTriangles(),
                                   iMboCountTsObs(),
                                   iMboCountLevObs(),
                                   iMboCountGpsObs(),
                                   iMboCountCoordObs(),
                                   iMboCountStations(1),
                                   iMboCountStations(4)};
  EXPECT_EQ(counts, (std::vector<int>{2, 3, 4, 1, 3, 1, 3, 1, 0, 1, 2, 1}));
}

TEST_F(FieldBookInside, FindStationByAttributeText) {
  void* s1 = pMboAddSt(1);
  void* s2 = pMboAddSt(1);
  boMboSetStAttr(1, s1, 1, "S1");
  boMboSetStAttr(1, s2, 1, "S2");
  boMboSetStAttr(1, s2, 3, "7");
  EXPECT_EQ(pMboFindStationByAttr(1, 1, "S2"), s2);
  EXPECT_EQ(pMboFindStationByAttr(1, 3, "7"), s2);
  EXPECT_EQ(pMboFindStationByAttr(1, 1, "S"), nullptr);
  EXPECT_EQ(pMboFindStationByAttr(3, 1, "S1"), nullptr);
}

TEST_F(FieldBookInside, NewStationsTakeTheSettingsNumbers) {
  MboSettings& set = g_mboTransfer.settings;
  set.uTheodoliteNo = 11, set.uLevellerNo = 12, set.uSatelliteNo = 14, set.uCoordinateNo = 15, set.uCorrCode = 3;
  auto attr = [](int kind, void* st, int a) {
    char buf[20] = "junk";
    return boMboGetStAttr(kind, st, a, buf, sizeof buf) ? std::string(buf) : std::string("<false>");
  };
  void* ts = pMboNewStation(1);
  EXPECT_EQ(attr(1, ts, 7), "3");
  for (int kind : {1, 2, 4, 5}) EXPECT_EQ(attr(kind, pMboNewStation(kind), 3), std::to_string(10 + kind)) << kind;
  // A correction code of "all ones" is not given to new stations.
  set.uCorrCode = static_cast<uint32_t>(-1);
  EXPECT_EQ(attr(1, pMboNewStation(1), 7), "0");
  EXPECT_EQ(pMboNewStation(3), nullptr);

  void* s1 = pMboFindOrNewStation(1, "S1");
  ASSERT_NE(s1, nullptr);
  EXPECT_EQ(attr(1, s1, 1), "S1");
  EXPECT_EQ(pMboFindOrNewStation(1, "S1"), nullptr);
  EXPECT_NE(pMboFindOrNewStation(4, "S1"), nullptr);  // another kind
  EXPECT_NE(pMboFindOrNewStation(2, "L1"), nullptr);
  EXPECT_EQ(pMboFindOrNewStation(2, "L1"), nullptr);
}

TEST(Lifecycle, FinishClosesTheCoordinateObjectsOnce) {
  vKvxMboInit(nullptr);
  g_mboTransfer.uRefSys = CoSysRefSysCreate();
  g_mboTransfer.uGeoid = CoSysGeoideCreate();
  ASSERT_NE(g_mboTransfer.uRefSys, 0u);
  vKvxMboFinish();
  EXPECT_EQ(g_mboTransfer.uRefSys, 0u);
  EXPECT_EQ(g_mboTransfer.uGeoid, 0u);
  EXPECT_EQ(g_pMboPoints, nullptr);
  vKvxMboFinish();
}

TEST(Lifecycle, InitTwiceClosesTheCoordinateObjectsOfTheLastTransfer) {
  vCoSysSetupAddRefSys(901, "H901", "V901", "", 0);
  vKvxMboInit(nullptr);
  uint64_t rs = CoSysRefSysCreate();
  vCoSysRefSysSetID(rs, 901);
  ASSERT_NE(CoSysRefSysRead(rs), 0);  // open
  g_mboTransfer.uRefSys = rs;
  vKvxMboInit(nullptr);  // without finish: the old objects must not stay open
  EXPECT_EQ(g_mboTransfer.uRefSys, 0u);
  EXPECT_EQ(CoSysRefSysRead(rs), 0);  // closed
  vKvxMboFinish();
  vCoSysSetupReset();
}

TEST(Lifecycle, CoSysVersionGivenBeforeInitIsLost) {
  vKvxMboInitCoSysVer(5);
  vKvxMboInit(nullptr);
  EXPECT_EQ(g_mboTransfer.uCoSysVersion, 0u);
  vKvxMboInitCoSysVer(6);
  EXPECT_EQ(g_mboTransfer.uCoSysVersion, 6u);
  vKvxMboFinish();
}

TEST(Lifecycle, HelpFileFromTheOwnersPath) {
  vKvxMboInit(nullptr);
  EXPECT_STREQ(sMboHelpFile(), "");
  for (auto [path, file] : {std::pair{"C:\\Prog\\Help\\terrain.chm", "C:\\Prog\\Help\\terrain.chm"},
                            std::pair{"C:\\Prog\\Help", "C:\\Prog\\Help\\survey.chm"},
                            std::pair{"C:\\Prog.d\\Help\\", "C:\\Prog.d\\Help\\survey.chm"}}) {
    vKvxMboSetOwnerHelpFilePath(path);
    EXPECT_STREQ(sMboHelpFile(), file) << path;
  }
  vKvxMboSetOwnerHelpFilePath(std::string(300, 'p').c_str());
  EXPECT_EQ(strlen(g_mbo.sHelpPath), 256u);
  vKvxMboFinish();
}

TEST(Lifecycle, HelpTopicsOpenOnlyFromAnExistingFile) {
  vKvxMboInit(nullptr);
  KvxTestHelpReset();
  EXPECT_FALSE(boMboShowHelp("import"));  // no help path: no call
  kvxtest::TempDir tmp;
  const std::string dir = tmp.Path();
  vKvxMboSetOwnerHelpFilePath(dir.c_str());  // a folder: survey.chm in it
  EXPECT_FALSE(boMboShowHelp("import"));
  EXPECT_EQ(KvxTestHelpCallCount(), 0);
  std::string chm = dir + "/survey.chm";
  ASSERT_TRUE(std::ofstream(chm).good());
  EXPECT_TRUE(boMboShowHelp("import"));
  ASSERT_EQ(KvxTestHelpCallCount(), 1);
  KvxTestHelpCall call;
  ASSERT_TRUE(KvxTestHelpGetCall(0, &call));
  EXPECT_EQ(call.caller, GetDesktopWindow());
  EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TOPIC));
  EXPECT_EQ(std::string(call.file), dir + "\\survey.chm");
  EXPECT_STREQ(call.topic, "import.htm");
  // A help path with an extension names the file itself.
  vKvxMboSetOwnerHelpFilePath(chm.c_str());
  EXPECT_TRUE(boMboShowHelp("export"));
  ASSERT_TRUE(KvxTestHelpGetCall(1, &call));
  EXPECT_EQ(std::string(call.file), chm);
  EXPECT_STREQ(call.topic, "export.htm");
  vKvxMboSetOwnerHelpFilePath((dir + "/other.chm").c_str());
  EXPECT_FALSE(boMboShowHelp("export"));
  EXPECT_EQ(KvxTestHelpCallCount(), 2);
  KvxTestHelpReset();
  vKvxMboFinish();
}
