// Station and observation names, codes and remarks through the attribute
// calls, compared with a plain model of their texts (cut to their field,
// empty names reading as false), with the clean-up after a read deleting
// what has no target; and that clean-up on a huge station.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fieldbook/lifecycle.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"

namespace {

// One attribute's text and how it reads back.
struct Attr {
  int iAttr;
  size_t uCut;        // characters kept
  bool boEmptyFalse;  // an empty text reads as false
};

// The attributes under test per kind, for observations and for stations.
const std::vector<Attr> kObsAttrs[6] = {
    {},
    {{1, 99, true}, {2, 15, false}, {7, 79, true}},
    {{1, 99, true}, {2, 15, false}, {51, 99, true}},
    {},
    {{1, 99, true}, {2, 15, true}},
    {},
};
const std::vector<Attr> kStAttrs[6] = {{}, {{1, 99, true}}, {}, {}, {{1, 99, true}}, {{1, 99, true}}};
const int kKinds[] = {1, 2, 4, 5};

struct MObs {
  void* p;
  std::string text[128];  // by attribute number
};
struct MSt {
  void* p;
  int kind;
  std::string name;
  std::vector<MObs> obs;
};

class ObsRandom : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { vKvxMboInit(nullptr); }
  void TearDown() override { vKvxMboFinish(); }

  std::mt19937 rng{static_cast<unsigned>(GetParam())};
  std::vector<MSt> m;

  int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
  // A text of 0..120 bytes (blanks and code page 1252 letters among them),
  // or null now and then.
  std::pair<std::string, bool> Text() {
    static const char kBytes[] = " ab.Z09_-\xe6\xf8\xe5\x80\xff";
    if (Pick(10) == 0) return {"", true};
    int len = Pick(4) == 0 ? Pick(121) : Pick(20);
    std::string s;
    for (int i = 0; i < len; ++i) s += kBytes[Pick(sizeof kBytes - 1)];
    return {s, false};
  }
  // The attribute read back with a buffer of some size, as the model says.
  void Expect(int kind, void* st, void* obs, const Attr& a, const std::string& value) {
    std::string kept = value.substr(0, a.uCut);
    bool present = !(a.boEmptyFalse && kept.empty());
    int size = Pick(3) == 0 ? 1 + Pick(130) : 256;
    char buf[256];
    memset(buf, 'x', sizeof buf);
    bool ok = obs ? boMboGetObsAttr(kind, st, obs, a.iAttr, buf, size) : boMboGetStAttr(kind, st, a.iAttr, buf, size);
    ASSERT_EQ(ok, present) << "kind " << kind << " attr " << a.iAttr << " value '" << kept << "'";
    EXPECT_EQ(std::string(buf), present ? kept.substr(0, size - 1) : "") << "kind " << kind << " attr " << a.iAttr;
    EXPECT_EQ(obs ? boMboGetObsAttr(kind, st, obs, a.iAttr, nullptr, 0) : boMboGetStAttr(kind, st, a.iAttr, nullptr, 0),
              present);
  }
  // The name a station reads as: a levelling station's is its first
  // observation's from-point.
  std::string StName(const MSt& s) {
    if (s.kind != 2) return s.name;
    return s.obs.empty() ? "" : s.obs[0].text[51];
  }
  void ExpectAll() {
    for (int kind : kKinds) {
      void* st = pMboGetNextSt(kind, nullptr);
      for (MSt& s : m) {
        if (s.kind != kind) continue;
        ASSERT_EQ(st, s.p);
        if (kind == 2) Expect(kind, st, nullptr, {1, 99, true}, StName(s));
        for (const Attr& a : kStAttrs[kind]) Expect(kind, st, nullptr, a, s.name);
        void* o = pMboGetNextObs(kind, st, nullptr);
        for (MObs& mo : s.obs) {
          ASSERT_EQ(o, mo.p);
          for (const Attr& a : kObsAttrs[kind]) Expect(kind, st, o, a, mo.text[a.iAttr]);
          o = pMboGetNextObs(kind, st, o);
        }
        ASSERT_EQ(o, nullptr);
        st = pMboGetNextSt(kind, st);
      }
      ASSERT_EQ(st, nullptr) << "kind " << kind;
    }
  }
  // What the clean-up after a read leaves.
  void Sweep() {
    std::vector<MSt> left;
    for (MSt& s : m) {
      if (s.kind == 1 || s.kind == 4) {
        std::erase_if(s.obs, [](const MObs& o) { return o.text[1].empty(); });
        if (s.obs.empty()) continue;
      }
      if (s.kind == 5 && s.name.empty()) continue;
      left.push_back(s);
    }
    m = left;
    vMboRecAverageObservations();
  }
};

TEST_P(ObsRandom, NamesCodesAndRemarksMatchTheModel) {
  for (int step = 0; step < 4000; ++step) {
    int op = Pick(20);
    if (m.empty() || op == 0) {
      int kind = kKinds[Pick(4)];
      void* st = pMboAddSt(kind);
      ASSERT_NE(st, nullptr);
      m.push_back({st, kind, "", {}});
      continue;
    }
    MSt& s = m[static_cast<size_t>(Pick(static_cast<int>(m.size())))];
    if (op <= 3 || s.obs.empty()) {
      void* o = pMboAddObs(s.kind, s.p);
      ASSERT_NE(o, nullptr);
      s.obs.push_back({o, {}});
    } else if (op <= 5) {
      auto [text, null] = Text();
      if (s.kind == 2) {
        // A levelling station's name is set on its first observation.
        ASSERT_TRUE(boMboSetStAttr(2, s.p, 1, null ? nullptr : text.c_str()));
        s.obs[0].text[51] = text.substr(0, 99);
      } else if (!kStAttrs[s.kind].empty()) {
        ASSERT_TRUE(boMboSetStAttr(s.kind, s.p, 1, null ? nullptr : text.c_str()));
        s.name = text.substr(0, 99);
      }
    } else if (op == 6) {
      Sweep();
      ExpectAll();
      continue;
    } else if (!kObsAttrs[s.kind].empty()) {
      MObs& o = s.obs[static_cast<size_t>(Pick(static_cast<int>(s.obs.size())))];
      const Attr& a = kObsAttrs[s.kind][static_cast<size_t>(Pick(static_cast<int>(kObsAttrs[s.kind].size())))];
      auto [text, null] = Text();
      // Most names are cleared or short, so that a name goes back and forth
      // between the record and beside it.
      ASSERT_TRUE(boMboSetObsAttr(s.kind, s.p, o.p, a.iAttr, null ? nullptr : text.c_str()));
      o.text[a.iAttr] = text.substr(0, a.uCut);
      Expect(s.kind, s.p, o.p, a, o.text[a.iAttr]);
    }
  }
  ExpectAll();
  Sweep();
  ExpectAll();
}

INSTANTIATE_TEST_SUITE_P(Seeds, ObsRandom, ::testing::Values(1, 2, 3, 4));

// A malformed file can leave a huge station with every other target empty:
// the clean-up deletes them in one pass over the list, not a walk each.
TEST(ObsSweep, HugeStationWithEveryOtherTargetEmpty) {
  vKvxMboInit(nullptr);
  constexpr int kObs = 200000;
  void* ts = pMboAddSt(1);
  void* empty = pMboAddSt(1);
  pMboAddObs(1, empty);
  for (int i = 0; i < kObs; ++i) {
    void* o = pMboAddObs(1, ts);
    ASSERT_NE(o, nullptr);
    if (i % 2) boMboSetObsAttr(1, ts, o, 1, std::to_string(i).c_str());
    boMboSetStAttr(5, pMboAddSt(5), 1, i % 2 ? std::to_string(i).c_str() : "");
  }
  vMboRecAverageObservations();
  EXPECT_EQ(iMboCountStations(1), 1);
  EXPECT_EQ(iMboCountTsObs(), kObs / 2);
  EXPECT_EQ(iMboCountStations(5), kObs / 2);
  char name[16];
  int i = 1;
  bool inOrder = true;
  for (void* o = pMboGetNextObs(1, ts, nullptr); o; o = pMboGetNextObs(1, ts, o), i += 2)
    inOrder = inOrder && boMboGetObsAttr(1, ts, o, 1, name, sizeof name) && std::to_string(i) == name;
  i = 1;
  for (void* st = pMboGetNextSt(5, nullptr); st; st = pMboGetNextSt(5, st), i += 2)
    inOrder = inOrder && boMboGetStAttr(5, st, 1, name, sizeof name) && std::to_string(i) == name;
  EXPECT_TRUE(inOrder);
  // The lists stay whole: new ones go at their ends.
  void* last = pMboAddObs(1, ts);
  void* lastSt = pMboAddSt(5);
  EXPECT_EQ(pSLinkFindPrev(&static_cast<MboStationHead*>(ts)->obsList, nullptr), last);
  EXPECT_EQ(pSLinkFindPrev(pMboStationList(5), nullptr), lastSt);
  vKvxMboFinish();
}

// What the clean-up after a read would still delete: observations without
// target (kinds 1 and 4), their stations left empty, unnamed coordinate
// stations. Counts the named observations kept in *named.
int iLeftToSweep(int* named) {
  int left = 0;
  *named = 0;
  for (int kind : {1, 4}) {
    for (void* st = pMboGetNextSt(kind, nullptr); st; st = pMboGetNextSt(kind, st)) {
      if (!pMboGetNextObs(kind, st, nullptr)) ++left;
      for (void* o = pMboGetNextObs(kind, st, nullptr); o; o = pMboGetNextObs(kind, st, o))
        boMboGetObsAttr(kind, st, o, 1, nullptr, 0) ? ++*named : ++left;
    }
  }
  for (void* st = pMboGetNextSt(5, nullptr); st; st = pMboGetNextSt(5, st))
    if (!boMboGetStAttr(5, st, 1, nullptr, 0)) ++left;
  return left;
}

// The clean-up skips the kinds it knows to hold nothing to delete: the
// record builder's observations mixed with objects made and renamed through
// the exported calls, and clean-ups between, leave what the full walk
// leaves.
TEST(ObsSweep, BuilderAndCallsMixedLeaveNothingToDelete) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    vKvxMboInit(nullptr);
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::vector<std::pair<int, void*>> stations;
    for (int step = 0; step < 400; ++step) {
      std::string name = pick(6) ? "P" + std::to_string(pick(50)) : "";
      switch (pick(12)) {
        case 0: {
          int kind = pick(2) ? 1 : 4;
          if (void* st = pMboAddSt(kind)) stations.push_back({kind, st});
          break;
        }
        case 1:
        case 2:
          if (!stations.empty()) {
            auto [kind, st] = stations[static_cast<size_t>(pick(static_cast<int>(stations.size())))];
            void* o = pMboAddObs(kind, st);
            if (o && pick(2)) boMboSetObsAttr(kind, st, o, 1, name.c_str());
          }
          break;
        case 3:
          if (!stations.empty()) {
            auto [kind, st] = stations[static_cast<size_t>(pick(static_cast<int>(stations.size())))];
            if (void* o = pMboGetNextObs(kind, st, nullptr)) boMboSetObsAttr(kind, st, o, 1, name.c_str());
          }
          break;
        case 4:
          vMboRecGpsSetField(2, "B");
          if (pick(2)) vMboRecGpsSetField(4, name.c_str());
          if (pick(3) == 0) vMboRecForgetGpsVector();
          break;
        case 5:
          vMboRecCoordSetField(2, name.c_str());
          if (pick(3) == 0) vMboRecForgetCoordStation();
          break;
        case 6: {
          int named = 0;
          iLeftToSweep(&named);
          vMboRecAverageObservations();
          stations.clear();  // some went
          int kept = 0;
          ASSERT_EQ(iLeftToSweep(&kept), 0) << "seed " << seed << " step " << step;
          ASSERT_EQ(kept, named) << "seed " << seed << " step " << step;
          break;
        }
        default:
          // A total-station record as readers give it.
          if (pick(4) == 0) vMboRecSetStationName(("S" + std::to_string(pick(3))).c_str());
          vMboRecSetPointName(name.c_str());
          vMboRecSetObsValue(MBO_OBS_ITEM_DIST, "12.5");
          vMboFlushPending();
          break;
      }
    }
    int named = 0;
    iLeftToSweep(&named);
    vMboRecAverageObservations();
    int kept = 0;
    EXPECT_EQ(iLeftToSweep(&kept), 0) << "seed " << seed;
    EXPECT_EQ(kept, named) << "seed " << seed;
    vKvxMboFinish();
  }
}

}  // namespace
