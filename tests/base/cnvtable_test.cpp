#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/cnvtable.h"
#include "kvxlib.h"
#include "win32.h"

namespace {

namespace fs = std::filesystem;

struct CnvTableIni : ::testing::Test {
  fs::path dir;
  std::string ini;
  CnvTable* t = nullptr;
  void SetUp() override {
    char tmpl[] = "/tmp/kvx-cnvtab-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    ini = (dir / "host.ini").string();
    t = pCnvTabNew(9, 9);
    ASSERT_NE(t, nullptr);
  }
  void TearDown() override {
    pCnvTabFree(t);
    fs::remove_all(dir);
  }
  void put(const char* key, const char* value) {
    WritePrivateProfileStringA("MboCnvTheme", key, value, ini.c_str());
  }
  std::string get(const char* section, const char* key) {
    char buf[256];
    GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, ini.c_str());
    return buf;
  }
  std::string pairs() {
    std::string s;
    for (CnvEntry* e = pCnvTabFirst(t); e; e = e->next) s += std::string(e->from) + "=" + e->to + ";";
    return s;
  }
};

TEST(CnvTable, NewCutsWidthsAndLooksUpFirstMatch) {
  CnvTable* t = pCnvTabNew(40, 4);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->fromWidth, 21u);
  EXPECT_EQ(t->toWidth, 4u);
  EXPECT_EQ(pCnvTabFirst(t), nullptr);
  pCnvTabAppend(t, "BYG", "10");
  pCnvTabAppend(t, "BYG", "20");
  pCnvTabAppend(t, "veg", "12345");  // to code cut to 3 characters
  char buf[21];
  ASSERT_TRUE(boCnvTabLookup(t, "BYG", buf, sizeof buf));
  EXPECT_STREQ(buf, "10");  // first of two equal from codes
  EXPECT_FALSE(boCnvTabLookup(t, "byg", buf, sizeof buf));  // case-sensitive
  EXPECT_FALSE(boCnvTabLookup(t, "BY", buf, sizeof buf));
  ASSERT_TRUE(boCnvTabLookupReverse(t, "123", buf, sizeof buf));
  EXPECT_STREQ(buf, "veg");
  ASSERT_TRUE(boCnvTabLookupReverse(t, "20", buf, 2));
  EXPECT_STREQ(buf, "B");  // bounded by the caller's size
  EXPECT_FALSE(boCnvTabLookup(nullptr, "BYG", buf, sizeof buf));
  EXPECT_EQ(pCnvTabFree(t), nullptr);
  EXPECT_EQ(pCnvTabFree(nullptr), nullptr);
}

TEST_F(CnvTableIni, WriteAndReadBack) {
  pCnvTabAppend(t, "BYG", "10");
  pCnvTabAppend(t, "a b", "x y");  // blanks survive: the codes are quoted
  pCnvTabAppend(t, "", "7");       // one empty code survives as well
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");
  EXPECT_EQ(get("MboCnvTheme", "Item0"), "f:\"BYG\" t:\"10\"");
  EXPECT_EQ(get("MboCnvTheme", "Item1"), "f:\"a b\" t:\"x y\"");
  CnvTable* r = pCnvTabNew(9, 9);
  pCnvTabAppend(r, "old", "old");  // replaced by the read
  EXPECT_TRUE(boCnvTabRead(r, ini.c_str(), "mbocnvtheme"));  // names ignore case
  std::swap(r, t);
  EXPECT_EQ(pairs(), "BYG=10;a b=x y;=7;");
  pCnvTabFree(r);
}

TEST_F(CnvTableIni, EmptyTableLeavesAnEmptySection) {
  put("Item0", "f:\"A\" t:\"B\"");
  put("Item5", "f:\"C\" t:\"D\"");
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");
  EXPECT_EQ(get("MboCnvTheme", "Item0"), "<none>");
  EXPECT_EQ(get("MboCnvTheme", "Item5"), "<none>");  // the whole section went
  pCnvTabAppend(t, "x", "y");
  EXPECT_FALSE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pCnvTabFirst(t), nullptr);
}

TEST_F(CnvTableIni, ReadingStopsAtTheFirstGap) {
  put("Item0", "f:\"A\" t:\"1\"");
  put("Item2", "f:\"C\" t:\"3\"");
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "A=1;");
  put("Item1", "f:\"\" t:\"\"");  // two empty codes end the reading too
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "A=1;");
}

TEST_F(CnvTableIni, LongCodesAreCutToTheWidth) {
  put("Item0", "f:\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" t:\"0123456789\"");
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "ABCDEFGH=01234567;");
}

TEST_F(CnvTableIni, DamagedValuesNeverReadPastTheirEnd) {
  // Hand-edited values: too short for the prefixes, a missing t part, no
  // quotes. Each gives what is there and "" for what is missing.
  put("Item0", "f");
  put("Item1", "f:\"A\"");
  put("Item2", "f:B t:C");
  put("Item3", "xyD");
  put("Item4", "f:\"E\" t");
  put("Item5", "f:\"F\" t:");
  EXPECT_FALSE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  // Item0 "f" yields two empty tokens and ends the reading.
  EXPECT_EQ(pairs(), "");
  put("Item0", "f:\"0\" t:\"0\"");
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "0=0;A=;B=C;D=;E=;F=;");
}

TEST_F(CnvTableIni, SharesTheFileWithKvxLibWrites) {
  // Another program's section and the host library's own keys, written in
  // turns with the converter tables on one file: nothing gets lost.
  {
    std::ofstream f(ini);
    f << "[Foreign]\nkeep=me\n; a comment\n";
  }
  vKvxInifPut(ini.c_str(), "KvxMbo", "MboType", "95");
  pCnvTabAppend(t, "BYG", "10");
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");
  KvxInif* h = pKvxInifOpen(ini.c_str(), 1);
  ASSERT_NE(h, nullptr);
  boKvxInifSetSection(h, "KvxMbo");
  vKvxInifPutEntry(h, "MboType95", "Fconv:1 Pconv:1");
  CnvTable* p = pCnvTabNew(4, 4);
  pCnvTabAppend(p, "K", "9");
  vCnvTabWrite(p, ini.c_str(), "MboCnvPnt");
  vKvxInifPutEntry(h, "MboTypeIO95", "port:1 baud:9600  bits:8 parity:0 sbit:0");
  vKvxInifClose(h);
  pCnvTabAppend(t, "VEG", "20");
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");

  EXPECT_EQ(get("Foreign", "keep"), "me");
  EXPECT_EQ(get("KvxMbo", "MboType"), "95");
  EXPECT_EQ(get("KvxMbo", "MboType95"), "Fconv:1 Pconv:1");
  EXPECT_EQ(get("KvxMbo", "MboTypeIO95"), "port:1 baud:9600  bits:8 parity:0 sbit:0");
  char buf[64];
  ASSERT_TRUE(boKvxInifGet(ini.c_str(), "MboCnvPnt", "Item0", buf, sizeof buf));
  EXPECT_STREQ(buf, "f:\"K\" t:\"9\"");
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "BYG=10;VEG=20;");
  EXPECT_TRUE(boCnvTabRead(p, ini.c_str(), "MboCnvPnt"));
  EXPECT_EQ(iCnvTabCount(p), 1);
  pCnvTabFree(p);
  std::ifstream f(ini);
  std::stringstream all;
  all << f.rdbuf();
  EXPECT_NE(all.str().find("; a comment"), std::string::npos);
}

}  // namespace
