#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/cnvtable.h"
#include "base/text.h"
#include "fieldbook/convert.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/settings.h"
#include "fieldbook/stations.h"

namespace {

struct Settings {
  MboSettings s{};
  Settings() {
    s.pFeatureTab = pCnvTabNew(9, 9);
    s.pPointTab = pCnvTabNew(4, 4);
  }
  ~Settings() {
    pCnvTabFree(s.pFeatureTab);
    pCnvTabFree(s.pPointTab);
  }
};

// A point number converted in place on import (prefix) or export.
std::string sConverted(void (*fn)(const MboSettings*, char*, int), const MboSettings* s, const char* number,
                       int size = 100) {
  char buf[100];
  sStrCopyN(buf, number, sizeof buf);
  fn(s, buf, size);
  return buf;
}
std::string pointNoPrefix(const MboSettings* s, const char* n, int size = 100) {
  return sConverted(vMboConvertPointNoPrefix, s, n, size);
}
std::string pointNo(const MboSettings* s, const char* n) { return sConverted(vMboConvertPointNo, s, n); }

// ------------------------------------------------------------ conversion

TEST(ConvertCodes, FeatureCodeOnImport) {
  Settings t;
  pCnvTabAppend(t.s.pFeatureTab, "BYG", "10");
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, "10"), "10");  // switch off
  // Unconverted codes are cut to 15 characters, then trimmed.
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, "10  "), "10");
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, "ABCDEFGHIJKLMN  Q"), "ABCDEFGHIJKLMN");
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, nullptr), "");
  t.s.uFconv = 1;
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, "10"), "BYG");
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, "10  "), "BYG");  // trailing blanks cut first
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, "100"), "100");
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, "ABCDEFGHIJKLMNOPQRST"), "ABCDEFGHIJKLMNO");
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, nullptr), "");
  // A table that is gone (null) converts nothing, whatever the switch says.
  t.s.pFeatureTab = pCnvTabFree(t.s.pFeatureTab);
  EXPECT_STREQ(sMboConvertFeatureCode(&t.s, "10"), "10");
  EXPECT_STREQ(sMboConvertFeatureCode(nullptr, "10"), "10");
}

// Random codes (blanks anywhere, 0 to 30 bytes) cut and trimmed as a copy
// of 15 characters with its trailing blanks cut gives them, with and
// without a table that converts some of them.
TEST(ConvertCodes, RandomCodesAreCutThenTrimmed) {
  Settings t;
  pCnvTabAppend(t.s.pFeatureTab, "BYG", "10 A");
  std::mt19937 rng(15);
  for (int i = 0; i < 20000; ++i) {
    std::string code;
    for (int n = (int)(rng() % 31); n > 0; --n) code += " 10A\xe6"[rng() % 5];
    char want[16];
    sStrCopyN(want, code.c_str(), sizeof want);
    sStrTrimRight(want);
    t.s.uFconv = 0;
    ASSERT_STREQ(sMboConvertFeatureCode(&t.s, code.c_str()), want) << "'" << code << "'";
    t.s.uFconv = 1;
    ASSERT_STREQ(sMboConvertFeatureCode(&t.s, code.c_str()), strcmp(want, "10 A") ? want : "BYG") << "'" << code << "'";
  }
}

TEST(ConvertCodes, PointNumbersInAndOut) {
  Settings t;
  pCnvTabAppend(t.s.pPointTab, "K", "9");
  pCnvTabAppend(t.s.pPointTab, "KK", "99");
  EXPECT_EQ(pointNoPrefix(&t.s, "9912"), "9912");  // switch off
  EXPECT_EQ(pointNo(&t.s, "KK12"), "KK12");
  t.s.uPconv = 1;
  // Import: the first entry in table order whose to text is a prefix wins.
  EXPECT_EQ(pointNoPrefix(&t.s, "9912"), "K912");
  EXPECT_EQ(pointNoPrefix(&t.s, "  9912"), "K912");
  EXPECT_EQ(pointNoPrefix(&t.s, "  812"), "  812");  // no match: untouched
  EXPECT_EQ(pointNoPrefix(&t.s, "9912", 3), "K9");   // bounded by the size
  // Export: the letters before the first digit must equal a from code.
  EXPECT_EQ(pointNo(&t.s, "KK12"), "9912");
  EXPECT_EQ(pointNo(&t.s, "K12"), "912");
  EXPECT_EQ(pointNo(&t.s, " K12"), "912");
  EXPECT_EQ(pointNo(&t.s, "KKK12"), "KKK12");
  EXPECT_EQ(pointNo(&t.s, "12"), "12");
  t.s.pPointTab = pCnvTabFree(t.s.pPointTab);
  EXPECT_EQ(pointNoPrefix(&t.s, "9912"), "9912");
  EXPECT_EQ(pointNo(&t.s, "K12"), "K12");
}

TEST(ConvertCodes, EmptyToTextMatchesEveryNumberOnImport) {
  Settings t;
  t.s.uPconv = 1;
  pCnvTabAppend(t.s.pPointTab, "P", "");
  pCnvTabAppend(t.s.pPointTab, "K", "9");
  EXPECT_EQ(pointNoPrefix(&t.s, "912"), "P912");
}

// ------------------------------------------------------------ identifiers

struct ConvertPointIds : ::testing::Test {
  void TearDown() override { vMboClearJobArea(); }
};

TEST_F(ConvertPointIds, MadeFromJobAreaAndName) {
  EXPECT_STREQ(sMboRecMakePointId("12.5"), "12_5");
  EXPECT_STREQ(sMboRecMakePointId("  P 1  "), "P_1");
  vMboSetJobName("JOB");
  EXPECT_STREQ(sMboRecMakePointId("7"), "JOB..7");
  vMboSetAreaName("AR.1");
  EXPECT_STREQ(sMboRecMakePointId("7"), "JOB.AR_1.7");
  vMboSetJobName("");
  EXPECT_STREQ(sMboRecMakePointId("7"), "AR_1.7");
  // A blank name is no point name, whatever job and area are set.
  EXPECT_STREQ(sMboRecMakePointId("   "), "");
  EXPECT_STREQ(sMboRecMakePointId(nullptr), "");
  vMboSetJobName("JOBNAME-TOO-LONG");
  EXPECT_STREQ(sMboGetJobName(), "JOBNAME-");
  std::string longName(150, 'x');
  char buf[100];
  vMboRecSetPid(buf, longName.c_str());
  EXPECT_EQ(strlen(buf), 99u);
  EXPECT_STREQ(sMboPidPointNo("J.A.77"), "77");
  EXPECT_STREQ(sMboPidPointNo("77"), "77");
}

TEST_F(ConvertPointIds, RandomNamesAsTheTrimAndCutRulesGiveThemAlsoInPlace) {
  // The rules spelled out: blanks off the front, the first 99 characters,
  // blanks off the end, '.' and ' ' made '_'.
  auto expected = [](std::string name) {
    name.erase(0, name.find_first_not_of(' ') == std::string::npos ? name.size() : name.find_first_not_of(' '));
    name = name.substr(0, 99);
    name.erase(name.find_last_not_of(' ') + 1);
    for (char& c : name)
      if (c == '.' || c == ' ') c = '_';
    return name;
  };
  std::mt19937 rng(5);
  const char alphabet[] = "  .A7\t\xE9";
  for (int i = 0; i < 20000; ++i) {
    std::string name;
    for (size_t n = rng() % (i % 10 ? 12 : 130); n > 0; --n) name += alphabet[rng() % (sizeof alphabet - 1)];
    char buf[256];
    vMboRecSetPid(buf, name.c_str());
    ASSERT_EQ(buf, expected(name)) << "[" << name << "]";
    // The name read from the buffer it goes to, as readers pass theirs.
    size_t skip = rng() % 3;
    memset(buf, 'z', sizeof buf);
    memcpy(buf + skip, name.c_str(), name.size() + 1);
    vMboRecSetPid(buf, buf + skip);
    ASSERT_EQ(buf, expected(name)) << "[" << name << "] at " << skip;
  }
}

// ------------------------------------------------------------ post-pass

struct ConvertPostPass : ::testing::Test {
  void SetUp() override { vMboInitFieldBook(); }
  void TearDown() override { vMboFinishFieldBook(); }
  std::string elmId(LiLine* l, LiElm* e) { return pMboElmGetData(l, e)->sPid; }
};

TEST_F(ConvertPostPass, JobWithoutAreaMovesIntoTheArea) {
  PoPoint* a = KvxMboNewPoint("job..1");
  PoPoint* b = KvxMboNewPoint("2");
  ASSERT_EQ(pMboFindPoint("job..1"), a);  // the index now knows the old name
  vMboNormalizePidParts();
  EXPECT_STREQ(sMboGetPointPID(a), "job.1");
  EXPECT_STREQ(sMboGetPointPID(b), "2");
  // The point-name index follows the new names.
  EXPECT_EQ(pMboFindPoint("job.1"), a);
  EXPECT_EQ(pMboFindPoint("job..1"), nullptr);
  vMboNormalizePidParts();  // nothing uses the job part any more
  EXPECT_STREQ(sMboGetPointPID(a), "job.1");
}

TEST_F(ConvertPostPass, RenamesInsideAnIndexPassReachTheIndex) {
  // Inside a pass the look-ups go through the index, not the walk.
  MboIndexPass pass;
  PoPoint* a = KvxMboNewPoint("job..1");
  PoPoint* b = KvxMboNewPoint("job..2");
  ASSERT_EQ(pMboFindPoint("job..2"), b);
  vMboNormalizePidParts();
  EXPECT_EQ(pMboFindPoint("job.1"), a);
  EXPECT_EQ(pMboFindPoint("job.2"), b);
  EXPECT_EQ(pMboFindPoint("job..1"), nullptr);
  EXPECT_EQ(pMboFindPoint("job..2"), nullptr);
  EXPECT_EQ(KvxMboNewOrExistingPoint("job.2"), b);
}

TEST_F(ConvertPostPass, AnyAreaKeepsEverything) {
  PoPoint* a = KvxMboNewPoint("job..1");
  LiLine* l = KvxMboNewLine("L1");
  LiElm* e = KvxMboAddLineElm(l, "area.3");
  vMboNormalizePidParts();
  EXPECT_STREQ(sMboGetPointPID(a), "job..1");
  EXPECT_EQ(elmId(l, e), "area.3");
  // After the field book was emptied, an area part that only a renamed
  // vertex holds still keeps a station's job part where it is.
  vMboResetFieldBook();
  void* st = pMboAddSt(1);
  boMboSetStAttr(1, st, 1, "job..S1");
  l = KvxMboNewLine("L1");
  e = KvxMboAddLineElm(l, "3");
  vMboSetElmPID(l, e, "area.3");
  vMboNormalizePidParts();
  char name[100];
  boMboGetStAttr(1, st, 1, name, sizeof name);
  EXPECT_STREQ(name, "job..S1");
}

TEST_F(ConvertPostPass, ThreePointArcVerticesAreVisitedOnce) {
  KvxMboNewPoint("job..1");
  LiLine* l = KvxMboNewLine("L1");
  std::vector<LiElm*> e;
  for (const char* id : {"job..1", "job..2", "job..3", "job..4", "job..5", "job..6", "job..7"})
    e.push_back(KvxMboAddLineElm(l, id));
  // Two arcs: 1-2-3 and 4-5-6; their middles leave the plain chain.
  ASSERT_TRUE(boLiElmSetType(l, e[0], 2));
  ASSERT_TRUE(boLiElmSetType(l, e[3], 2));
  ASSERT_EQ(LiElmGet3pArcElm2(l, e[0]), e[1]);
  YgPolygon* y = KvxMboNewPolygon("A1");
  YgElm* ye = KvxMboAddPolygonElm(y, "job..9");
  vMboNormalizePidParts();
  // Middles are off the plain chain: left out, they would stay job..2.
  for (size_t i = 0; i < e.size(); i++) EXPECT_EQ(elmId(l, e[i]), "job." + std::to_string(i + 1));
  EXPECT_EQ(elmId(y, ye), "job.9");
}

TEST_F(ConvertPostPass, StationAndObservationNames) {
  char buf[100];
  auto st = [&](int kind, void* s, int attr) {
    boMboGetStAttr(kind, s, attr, buf, sizeof buf);
    return std::string(buf);
  };
  auto ob = [&](int kind, void* s, void* o, int attr) {
    boMboGetObsAttr(kind, s, o, attr, buf, sizeof buf);
    return std::string(buf);
  };
  void* s1 = pMboAddSt(1);
  boMboSetStAttr(1, s1, 1, "job..S1");
  void* o1 = pMboAddObs(1, s1);
  boMboSetObsAttr(1, s1, o1, 1, "job..2");
  void* s2 = pMboAddSt(2);
  void* o2 = pMboAddObs(2, s2);
  boMboSetObsAttr(2, s2, o2, 51, "job..3");
  boMboSetObsAttr(2, s2, o2, 1, "job..4");
  void* s4 = pMboAddSt(4);
  boMboSetStAttr(4, s4, 1, "job..G");
  void* o4 = pMboAddObs(4, s4);
  boMboSetObsAttr(4, s4, o4, 1, "job..5");
  void* s5 = pMboAddSt(5);
  boMboSetStAttr(5, s5, 1, "job..C");
  vMboNormalizePidParts();
  EXPECT_EQ(st(1, s1, 1), "job.S1");
  EXPECT_EQ(ob(1, s1, o1, 1), "job.2");
  EXPECT_EQ(st(2, s2, 1), "job.3");
  EXPECT_EQ(ob(2, s2, o2, 51), "job.3");
  EXPECT_EQ(ob(2, s2, o2, 1), "job.4");
  EXPECT_EQ(st(4, s4, 1), "job.G");
  EXPECT_EQ(ob(4, s4, o4, 1), "job.5");
  EXPECT_EQ(st(5, s5, 1), "job..C");  // kind 5 is not visited
}

TEST_F(ConvertPostPass, NothingBeforeInitOrWithoutJobs) {
  vMboFinishFieldBook();
  vMboNormalizePidParts();  // no field book: nothing to do, no crash
  vMboInitFieldBook();
  PoPoint* a = KvxMboNewPoint("1");
  PoPoint* b = KvxMboNewPoint("");
  vMboNormalizePidParts();
  EXPECT_STREQ(sMboGetPointPID(a), "1");
  EXPECT_STREQ(sMboGetPointPID(b), "");
}

}  // namespace
