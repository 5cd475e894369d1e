// Contract tests of the host's ini, text and date library, and of the shared
// ini engine under the profile-string functions, on real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "kvx_ini.h"
#include "kvxlib.h"
#include "kvxlib_setup.h"
#include "testing/tempdir.h"
#include "win32.h"

namespace {

struct IniTest : ::testing::Test {
  kvxtest::TempDir tmp;
  std::string dir = tmp.Path();
  std::string ini = tmp.Path("host.ini");
  void write(const std::string& text) { tmp.Write("host.ini", text); }
  std::string read() { return tmp.Read("host.ini"); }
  std::string get(const char* section, const char* key, const char* def = "") {
    char buf[4096];
    GetPrivateProfileStringA(section, key, def, buf, sizeof buf, ini.c_str());
    return buf;
  }
  // KvxLib's one-shot read; "<none>" and what is left in the buffer when it fails.
  std::string kget(const char* section, const char* key, size_t room = 2048) {
    std::string buf(room, 'z');
    bool ok = boKvxInifGet(ini.c_str(), section, key, buf.data(), static_cast<int>(room));
    return (ok ? "" : "<none>") + std::string(buf.c_str());
  }
};

// One entry of the handle's section, as kget.
std::string entry(KvxInif* h, const char* key) {
  char buf[2048] = "junk";
  bool ok = boKvxInifGetEntry(h, key, buf, sizeof buf);
  return (ok ? "" : "<none>") + std::string(buf);
}

// The section's entries as key=value, listed from the first.
std::vector<std::string> entries(KvxInif* h) {
  std::vector<std::string> v;
  char k[20], val[128];
  for (bool ok = boKvxInifGetFirstEntry(h, k, sizeof k, val, sizeof val); ok;
       ok = boKvxInifGetNextEntry(h, k, sizeof k, val, sizeof val))
    v.push_back(std::string(k) + "=" + val);
  return v;
}

TEST_F(IniTest, HandleRoundTripKeepsForeignContent) {
  write("; host settings\r\n[Host]\r\nWindow=1 2 3\r\n\r\n[KvxMbo]\r\nMboType=98\r\n");
  KvxInif* w = pKvxInifOpen(ini.c_str(), 1);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(boKvxInifSetSection(w, "kvxmbo"));  // names ignore case
  vKvxInifPutEntry(w, "MboType", "95");
  vKvxInifPutEntry(w, "MboType95", "convinstrno:1 geoide:\"\"");
  ASSERT_TRUE(boKvxInifSetSection(w, "MboFormatOptions"));
  vKvxInifPutEntry(w, "LeicaDbxGeoideModelPath", "C:\\geoid\\no.gem");
  vKvxInifClose(w);

  std::string text = read();
  EXPECT_NE(text.find("; host settings\r\n[Host]\r\nWindow=1 2 3\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[KvxMbo]\r\nMboType=95\r\nMboType95=convinstrno:1 geoide:\"\"\r\n"), std::string::npos) << text;

  KvxInif* r = pKvxInifOpen(ini.c_str(), 0);
  ASSERT_TRUE(boKvxInifSetSection(r, "KVXMBO"));
  EXPECT_EQ(entry(r, "mbotype95"), "convinstrno:1 geoide:\"\"");
  EXPECT_EQ(entry(r, "Missing"), "<none>");
  // Read mode writes nothing.
  vKvxInifPutEntry(r, "MboType", "1");
  vKvxInifClose(r);
  EXPECT_EQ(kget("KvxMbo", "MboType", 20), "95");
  EXPECT_EQ(kget("MboFormatOptions", "LeicaDbxGeoideModelPath", 256), "C:\\geoid\\no.gem");
}

TEST_F(IniTest, HashCommentLinesAndLineBreaksInReplacedValues) {
  write("[KvxMbo]\r\n#MboType=11\r\nMboType=98\r\n# note=x\r\n");
  EXPECT_EQ(get("KvxMbo", "#MboType", "<none>"), "<none>");
  EXPECT_EQ(kget("KvxMbo", "# note"), "<none>");
  EXPECT_EQ(kget("KvxMbo", "MboType"), "98");
  // A line break ends the value: it cannot start a key of its own.
  ASSERT_TRUE(WritePrivateProfileStringA("KvxMbo", "MboType", "95\r\nInjected=1", ini.c_str()));
  EXPECT_EQ(read(), "[KvxMbo]\r\n#MboType=11\r\nMboType=95\r\n# note=x\r\n");
  EXPECT_EQ(get("KvxMbo", "Injected", "<none>"), "<none>");
}

TEST_F(IniTest, MissingFileReadsEmpty) {
  KvxInif* r = pKvxInifOpen((dir + "/none.ini").c_str(), 0);
  ASSERT_NE(r, nullptr);
  EXPECT_FALSE(boKvxInifSetSection(r, "KvxMbo"));
  EXPECT_EQ(entry(r, "MboType"), "<none>");
  EXPECT_TRUE(entries(r).empty());
  vKvxInifClose(r);
  char buf[8];
  EXPECT_FALSE(boKvxInifGet((dir + "/none.ini").c_str(), "A", "B", buf, sizeof buf));
  EXPECT_NE(access((dir + "/none.ini").c_str(), F_OK), 0);  // nothing made
  vKvxInifClose(nullptr);
}

TEST_F(IniTest, EntriesListInFileOrderCutToTheirBuffers) {
  std::string longKey(30, 'K');
  std::string longVal(300, 'v');
  write("[Codes]\n; comment\nA=1\n" + longKey + "=" + longVal + "\nnot an entry\nB = \"quoted two\" \n[Next]\nC=3\n");
  KvxInif* r = pKvxInifOpen(ini.c_str(), 0);
  ASSERT_TRUE(boKvxInifSetSection(r, "Codes"));
  const std::vector<std::string> want = {"A=1", longKey.substr(0, 19) + "=" + longVal.substr(0, 127), "B=quoted two"};
  EXPECT_EQ(entries(r), want);
  EXPECT_EQ(entries(r), want);  // first starts over
  vKvxInifClose(r);
}

TEST_F(IniTest, RepeatedKeysListEachWithItsOwnValue) {
  write("[POINT]\r\nKP*=A:1\r\nLP=\"x\"\r\nkp* = B:2\r\n[LINE]\r\nKP*=C:3\r\n");
  KvxInif* r = pKvxInifOpen(ini.c_str(), 0);
  ASSERT_TRUE(boKvxInifSetSection(r, "POINT"));
  const std::vector<std::string> want = {"KP*=A:1", "LP=x", "kp*=B:2"};
  EXPECT_EQ(entries(r), want);
  EXPECT_EQ(entry(r, "KP*"), "A:1");  // a single read gives the first
  vKvxInifClose(r);
  char buf[64];
  EXPECT_EQ(GetPrivateProfileSectionA("POINT", buf, sizeof buf, ini.c_str()), 23u);
  EXPECT_EQ(std::string(buf, 24), std::string("KP*=A:1\0LP=\"x\"\0kp*=B:2\0", 24));
  EXPECT_EQ(GetPrivateProfileSectionA("POINT", buf, 12, ini.c_str()), 10u);  // cut
}

TEST_F(IniTest, LongValuesAndBoundedCopies) {
  std::string opt(2047, 'o');
  vKvxInifPut(ini.c_str(), "KvxMbo", "MboType95", opt.c_str());
  EXPECT_EQ(kget("KvxMbo", "MboType95"), opt);
  EXPECT_EQ(kget("KvxMbo", "MboType95", 10), opt.substr(0, 9));
  // A value with a line break cannot start a line of its own.
  vKvxInifPut(ini.c_str(), "KvxMbo", "Evil", "x\r\n[Injected]\r\nk=v");
  EXPECT_FALSE(boKvxIniHasSection(ini.c_str(), "Injected"));
  EXPECT_EQ(kget("KvxMbo", "Evil", 32), "x");
  // Names the file cannot hold are refused.
  EXPECT_FALSE(WritePrivateProfileStringA("KvxMbo", "a=b", "1", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("Kvx]Mbo", "a", "1", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("KvxMbo", "", "1", ini.c_str()));
  EXPECT_EQ(get("KvxMbo", "a", "none"), "none");
}

TEST_F(IniTest, ProfileStringsAndKvxLibShareTheFile) {
  // The converter tables and the settings interleave on one file.
  vKvxInifPut(ini.c_str(), "KvxMbo", "MboType", "98");
  ASSERT_TRUE(WritePrivateProfileStringA("MboCnvTheme", "Item0", "f:\"A B\" t:\"C\"", ini.c_str()));
  KvxInif* w = pKvxInifOpen(ini.c_str(), 1);
  ASSERT_TRUE(boKvxInifSetSection(w, "KvxMbo"));
  ASSERT_TRUE(WritePrivateProfileStringA("MboCnvTheme", "Item1", "f:\"D\" t:\"E\"", ini.c_str()));
  vKvxInifPutEntry(w, "MboType98", "x:1");
  EXPECT_EQ(get("mbocnvtheme", "ITEM0"), "f:\"A B\" t:\"C\"");
  vKvxInifClose(w);
  EXPECT_EQ(get("MboCnvTheme", "Item1"), "f:\"D\" t:\"E\"");
  EXPECT_EQ(get("KvxMbo", "MboType98"), "x:1");
  EXPECT_EQ(kget("MboCnvTheme", "Item0", 64), "f:\"A B\" t:\"C\"");

  // Deleting the section clears every key of it and nothing else.
  ASSERT_TRUE(WritePrivateProfileStringA("MboCnvTheme", nullptr, nullptr, ini.c_str()));
  EXPECT_EQ(get("MboCnvTheme", "Item0", "none"), "none");
  EXPECT_EQ(get("KvxMbo", "MboType"), "98");
  // A null value deletes one key.
  ASSERT_TRUE(WritePrivateProfileStringA("KvxMbo", "MboType", nullptr, ini.c_str()));
  EXPECT_EQ(kget("KvxMbo", "MboType", 64).substr(0, 6), "<none>");
  EXPECT_EQ(get("KvxMbo", "MboType98"), "x:1");
}

TEST_F(IniTest, ProfileStringListsAndLimits) {
  write("[One]\na=1\nB=2\n[Two]\nc=3\n");
  char buf[64];
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buf, sizeof buf, ini.c_str());
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(std::string(buf, n + 1), std::string("One\0Two\0\0", 9));
  n = GetPrivateProfileStringA("one", nullptr, "", buf, sizeof buf, ini.c_str());
  EXPECT_EQ(std::string(buf, n + 1), std::string("a\0B\0\0", 5));
  // Too small: cut, double terminated, size - 2.
  n = GetPrivateProfileStringA("One", nullptr, "", buf, 3, ini.c_str());
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(std::string(buf, 3), std::string("a\0\0", 3));
  // Values cut to size - 1; defaults for missing keys and files.
  write("[One]\nlong=abcdefgh\n");
  n = GetPrivateProfileStringA("One", "long", "", buf, 4, ini.c_str());
  EXPECT_EQ(n, 3u);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(get("One", "nothing", "dflt"), "dflt");
  char miss[16];
  n = GetPrivateProfileStringA("S", "k", "d", miss, sizeof miss, (dir + "/missing.ini").c_str());
  EXPECT_EQ(n, 1u);
  EXPECT_STREQ(miss, "d");
}

TEST_F(IniTest, WindowsPathsAndKeyCase) {
  std::string winPath = tmp.Win("host.ini");
  ASSERT_TRUE(WritePrivateProfileStringA("Sec", "MixedCase", "1", winPath.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("SEC", "mixedcase", "2", ini.c_str()));
  EXPECT_EQ(read(), "[Sec]\r\nMixedCase=2\r\n");  // the first-written case stays
  // New keys go after the section's last entry, before the blank line.
  write("[A]\nx=1\n\n[B]\ny=2\n");
  ASSERT_TRUE(WritePrivateProfileStringA("A", "z", "3", ini.c_str()));
  EXPECT_EQ(read(), "[A]\nx=1\nz=3\n\n[B]\ny=2\n");
}

TEST_F(IniTest, NamesWithBlanksAroundThemMeanTheTrimmedName) {
  // The file holds names trimmed; a name passed with blanks is the same
  // name, so rewriting it replaces the line instead of adding another.
  ASSERT_TRUE(WritePrivateProfileStringA(" Sec ", " Key ", "1", ini.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA(" Sec ", " Key ", "2", ini.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Sec", "Key", "3", ini.c_str()));
  EXPECT_EQ(read(), "[Sec]\r\nKey=3\r\n");
  EXPECT_EQ(get(" sec", "key  "), "3");
  KvxInif* h = pKvxInifOpen(ini.c_str(), 0);
  EXPECT_TRUE(boKvxInifSetSection(h, " sec "));
  EXPECT_EQ(entry(h, "Key "), "3");
  vKvxInifClose(h);
  ASSERT_TRUE(WritePrivateProfileStringA("Sec", " Key", nullptr, ini.c_str()));
  EXPECT_EQ(get("Sec", "Key", "gone"), "gone");
  // Keys the file would read as a comment or a section are refused.
  EXPECT_FALSE(WritePrivateProfileStringA("Sec", ";note", "1", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("Sec", "[x", "1", ini.c_str()));
  EXPECT_EQ(read(), "[Sec]\r\n");
}

TEST_F(IniTest, ReadOnlyFilesStayUnwritten) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  write("[A]\nx=1\n");
  ASSERT_EQ(chmod(ini.c_str(), 0444), 0);
  EXPECT_FALSE(WritePrivateProfileStringA("A", "x", "2", ini.c_str()));
  EXPECT_EQ(get("A", "x"), "1");
}

TEST(KvxText, TranslatorIsIdentityUntilSet) {
  const char* en = "Import from fieldbook";
  EXPECT_EQ(sKvxPoGetText(en), en);
  vKvxPoSetTranslator(sKvxPoMarkTranslator);
  const char* t = sKvxPoGetText(en);
  EXPECT_STREQ(t, "[T]Import from fieldbook");
  EXPECT_EQ(sKvxPoGetText(en), t);  // stays valid and the same
  vKvxPoSetTranslator(nullptr);
  EXPECT_EQ(sKvxPoGetText(en), en);
  EXPECT_STREQ(sKvxPoGetText(nullptr), "");
}

TEST(KvxText, DateStrings) {
  char out[20];
  const char* good[][2] = {{"2024.02.29", "2024.02.29"},
                           {"1999-12-31", "1999.12.31"},
                           {"2021.06.01_12:30:00", "2021.06.01"},
                           {"17.05.2020", "2020.05.17"},
                           {"2000.02.29", "2000.02.29"}};  // a century year divisible by 400 leaps
  for (auto& g : good) {
    ASSERT_TRUE(boStrToKvxDateStr(g[0], out, sizeof out)) << g[0];
    EXPECT_STREQ(out, g[1]);
  }
  for (const char* bad : {"2023.02.29", "1900.02.29", "2100.02.29", "2023.13.01", "", "170520", "2023.01.01x"}) {
    EXPECT_FALSE(boStrToKvxDateStr(bad, out, sizeof out)) << bad;
    EXPECT_STREQ(out, "") << bad;
  }
  EXPECT_FALSE(boStrToKvxDateStr("2023.01.01", out, 10));  // no room
  EXPECT_FALSE(boStrToKvxDateStr(nullptr, out, sizeof out));
}

}  // namespace
