#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/paths.h"
#include "kvxtest_registry.h"
#include "testing/tempdir.h"
#include "testing/ui_driver.h"
#include "win32.h"

namespace fs = std::filesystem;

namespace {

std::string sDir(const char* path, int size = kPathSize) {
  char buf[kPathSize];
  return sPathGetDir(path, buf, size);
}

TEST(PathSplit, Dir) {
  EXPECT_EQ(sDir("C:\\name"), "C:\\");
  EXPECT_EQ(sDir("C:name"), "C:");
  EXPECT_EQ(sDir("C:\\dir\\name.txt"), "C:\\dir");
  EXPECT_EQ(sDir("dir\\sub/name"), "dir\\sub");
  EXPECT_EQ(sDir("name"), "");
  EXPECT_EQ(sDir("dir\\"), "dir");
  // The root keeps its separator (not "", which would mean the current folder).
  EXPECT_EQ(sDir("\\name"), "\\");
  EXPECT_EQ(sDir("/name"), "/");
  EXPECT_EQ(sDir("abc\\def\\g", 5), "abc\\");  // cut to the size
  EXPECT_EQ(sDir(nullptr), "");
  char same[kPathSize] = "a\\b\\c";
  EXPECT_STREQ(sPathGetDir(same, same, sizeof same), "a\\b");
  char untouched[4] = "xyz";
  sPathGetDir("a\\b", untouched, 0);
  EXPECT_STREQ(untouched, "xyz");
  EXPECT_STREQ(sPathGetDirTemp("C:\\x\\y"), "C:\\x");
}

TEST(PathSplit, NameExtensionBaseName) {
  char buf[kPathSize];
  EXPECT_STREQ(sPathGetName("a\\b/c.txt", buf, sizeof buf), "c.txt");
  EXPECT_STREQ(sPathGetName("C:x.dat", buf, sizeof buf), "x.dat");
  EXPECT_STREQ(sPathGetName("dir\\", buf, sizeof buf), "");
  // A longer name keeps its last size-1 characters.
  EXPECT_STREQ(sPathGetName("dir\\abcdefgh", buf, 4), "fgh");
  EXPECT_STREQ(sPathGetNameTemp("x\\y\\z.q"), "z.q");

  EXPECT_STREQ(sPathGetExt("a\\b.c.txt", buf, sizeof buf), "txt");
  EXPECT_STREQ(sPathGetExt("dir.d\\name", buf, sizeof buf), "");  // the dot is in a folder
  EXPECT_STREQ(sPathGetExt("dir.d/name", buf, sizeof buf), "");
  EXPECT_STREQ(sPathGetExt("name.", buf, sizeof buf), "");
  EXPECT_STREQ(sPathGetExt("name.longext", buf, 4), "lon");
  EXPECT_STREQ(sPathGetExtTemp("f.GSI"), "GSI");

  EXPECT_STREQ(sPathGetBaseName("a\\b.c.txt", buf, sizeof buf), "b.c");
  EXPECT_STREQ(sPathGetBaseName("dir.d\\name", buf, sizeof buf), "name");
  EXPECT_STREQ(sPathGetBaseName("C:raw.txt", buf, sizeof buf), "raw");
  EXPECT_STREQ(sPathGetBaseNameTemp("\\x\\job.xml"), "job");

  const char* p = "a.b\\c.d.e";
  EXPECT_EQ(pPathFindExtDot(p), p + 7);
  EXPECT_EQ(pPathFindExtDot("a.b\\c"), nullptr);
  EXPECT_EQ(pPathFindExtDot((const char*)nullptr), nullptr);
  EXPECT_TRUE(boPathIsSep('\\'));
  EXPECT_TRUE(boPathIsSep('/'));
  EXPECT_FALSE(boPathIsSep(':'));
}

std::string sSetExt(const std::string& path, const char* ext) {
  char buf[kPathSize];
  strcpy(buf, path.c_str());
  vPathSetExt(buf, ext);
  return buf;
}

TEST(PathBuild, SetExtension) {
  EXPECT_EQ(sSetExt("dir\\raw.txt", "csv"), "dir\\raw.csv");
  EXPECT_EQ(sSetExt("dir\\raw.csv", ""), "dir\\raw");
  EXPECT_EQ(sSetExt("dir\\raw", nullptr), "dir\\raw");
  EXPECT_EQ(sSetExt("dir.d\\name", "x"), "dir.d\\name.x");
  char small[8] = "abc.txt";
  vPathSetExtN(small, "longext", sizeof small);
  EXPECT_STREQ(small, "abc.lon");
  // The 256 bytes of vPathSetExt: a 255-character result still fits.
  EXPECT_EQ(sSetExt(std::string(251, 'n') + ".old", "new"), std::string(251, 'n') + ".new");
  EXPECT_EQ(sSetExt(std::string(253, 'n') + ".o", "new"), std::string(253, 'n') + ".n");
}

TEST(PathBuild, Join) {
  char buf[kPathSize];
  EXPECT_STREQ(sPathJoin("", "name", buf, sizeof buf), "name");
  EXPECT_STREQ(sPathJoin(nullptr, "name", buf, sizeof buf), "name");
  EXPECT_STREQ(sPathJoin("C:", "name", buf, sizeof buf), "C:name");
  EXPECT_STREQ(sPathJoin("C:\\", "name", buf, sizeof buf), "C:\\name");
  EXPECT_STREQ(sPathJoin("dir", "name", buf, sizeof buf), "dir\\name");
  EXPECT_STREQ(sPathJoin("dir/", "name", buf, sizeof buf), "dir/\\name");  // the layer maps it
  EXPECT_STREQ(sPathJoin("dir", "name", buf, 6), "dir\\n");
  strcpy(buf, "\\tmp\\");
  EXPECT_STREQ(sPathJoin(buf, "f.txt", buf, sizeof buf), "\\tmp\\f.txt");  // in place
  EXPECT_STREQ(sPathJoinTemp("a", "b"), "a\\b");
  // Long paths are cut at the path size.
  std::string longDir(300, 'd');
  EXPECT_EQ(strlen(sPathJoinTemp(longDir.c_str(), "x")), (size_t)kPathSize - 1);

  char trail[8] = "a\\b\\";
  EXPECT_STREQ(sPathCutTrailingSep(trail), "a\\b");
  EXPECT_STREQ(sPathCutTrailingSep(trail), "a\\b");
  strcpy(trail, "a/");
  EXPECT_STREQ(sPathCutTrailingSep(trail), "a");
}

const char* kAppKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// Paths on a real disk, in a folder of their own.
struct PathDisk : ::testing::Test {
  void TearDown() override {
    fs::current_path(old_);
    KvxTestRegClear();
  }
  // The registered path of an application: value bytes as given, no terminator added.
  static void vSetApp(const char* exe, const std::string& value, const char* name = nullptr) {
    KvxTestRegSetValue(HKEY_LOCAL_MACHINE, (std::string(kAppKey) + exe).c_str(), name, REG_SZ, value.data(),
                       (DWORD)value.size());
  }
  kvxtest::TempDir tmp_;
  std::string host_ = tmp_.Path(), win_ = tmp_.Win();
  fs::path old_ = fs::current_path();
};

TEST_F(PathDisk, FullSameAndCurrentFolder) {
  ASSERT_TRUE(boPathChDir(win_.c_str()));
  char buf[kPathSize];
  EXPECT_STREQ(sPathFull("a\\..\\b.txt", buf, sizeof buf), (win_ + "\\b.txt").c_str());
  EXPECT_STREQ(sPathFullTemp("b.txt"), (win_ + "\\b.txt").c_str());
  char tiny[5] = "keep";
  EXPECT_EQ(sPathFull("b.txt", tiny, sizeof tiny), nullptr);
  EXPECT_STREQ(tiny, "");
  EXPECT_EQ(sPathFull("", buf, sizeof buf), nullptr);

  EXPECT_TRUE(boPathSame("sub/x.txt", (win_ + "\\SUB\\X.TXT").c_str()));
  EXPECT_TRUE(boPathSame("sub\\", "Sub"));
  EXPECT_TRUE(boPathSame("\xC6gir", "\xE6GIR"));  // "Ægir", "æGIR"
  EXPECT_FALSE(boPathSame("sub\\x.txt", "sub\\y.txt"));

  EXPECT_STREQ(sPathCurDir(buf, sizeof buf), win_.c_str());
  EXPECT_STREQ(sPathCurDirTemp(), win_.c_str());
  EXPECT_STREQ(sPathCurDir(tiny, sizeof tiny), "");

  // Through a symbolic link the long-name form is the real folder.
  fs::create_directory(host_ + "/real");
  fs::create_directory_symlink(host_ + "/real", host_ + "/link");
  ASSERT_TRUE(boPathChDir("link"));
  EXPECT_STREQ(sPathCurDir(buf, sizeof buf), (win_ + "\\real").c_str());
}

TEST_F(PathDisk, ExistsMakeAndChangeFolders) {
  std::string sub = win_ + "\\New \xD8";  // "New Ø"
  EXPECT_FALSE(boPathExists(sub.c_str()));
  EXPECT_TRUE(boPathMkDir(sub.c_str()));
  EXPECT_TRUE(boPathExists(sub.c_str()));
  EXPECT_FALSE(boPathMkDir(sub.c_str()));
  EXPECT_FALSE(boPathMkDir(nullptr));
  EXPECT_FALSE(boPathExists(nullptr));
  EXPECT_FALSE(boPathExists(""));
  EXPECT_TRUE(boPathChDir(sub.c_str()));
  EXPECT_FALSE(boPathChDir((win_ + "\\none").c_str()));
  EXPECT_FALSE(boPathChDir(nullptr));
  std::ofstream(host_ + "/New \xC3\x98/f.txt") << "x";
  EXPECT_TRUE(boPathExists("f.txt"));
  EXPECT_TRUE(boPathExists(sPathJoinTemp(sub.c_str(), "F.TXT")));
}

TEST_F(PathDisk, TempFolder) {
  tmp_.UseAsTemp();
  char buf[kPathSize];
  EXPECT_EQ(std::string(sPathGetTempDir(buf, sizeof buf)), win_ + "\\");
  // Joining a name to it gives one separator.
  EXPECT_EQ(std::string(sPathJoinTemp(buf, "raw.txt")), win_ + "\\raw.txt");
  char tiny[4] = "abc";
  EXPECT_STREQ(sPathGetTempDir(tiny, sizeof tiny), "");
  // Exactly fitting.
  std::string exact(win_.size() + 2, 'x');
  EXPECT_EQ(std::string(sPathGetTempDir(exact.data(), (int)exact.size())), win_ + "\\");
}

// The comparison learns the long forms without entering the folders: the
// current folder stays what it was on every road.
TEST_F(PathDisk, CompareDirsLeavesTheCurrentFolderAlone) {
  fs::create_directory(host_ + "/a");
  fs::create_directory(host_ + "/b");
  fs::create_directory_symlink(host_ + "/a", host_ + "/alias");
  std::ofstream(host_ + "/file") << "x";
  ASSERT_TRUE(boPathChDir(win_.c_str()));
  std::string a = win_ + "\\a";
  EXPECT_EQ(iPathCompareDirs(a.c_str(), "alias"), 0);
  EXPECT_EQ(iPathCompareDirs("A\\", "a"), 0);
  EXPECT_EQ(iPathCompareDirs("a", "b"), -1);
  EXPECT_EQ(iPathCompareDirs("b", "a"), 1);
  EXPECT_EQ(iPathCompareDirs("a", "missing"), -1);
  EXPECT_EQ(iPathCompareDirs("missing", "a"), -1);
  EXPECT_EQ(iPathCompareDirs("a", "file"), -1);
  EXPECT_EQ(iPathCompareDirs("a", nullptr), -1);
  EXPECT_EQ(fs::current_path().string(), host_);

  std::string inA = win_ + "\\alias\\job.raw";
  EXPECT_STREQ(sPathStripDirIfSame(a.c_str(), inA.c_str()), "job.raw");
  std::string inB = win_ + "\\b\\job.raw";
  EXPECT_STREQ(sPathStripDirIfSame(a.c_str(), inB.c_str()), inB.c_str());
  EXPECT_STREQ(sPathStripDirIfSame(a.c_str(), "job.raw"), "job.raw");
  EXPECT_EQ(fs::current_path().string(), host_);
}

TEST_F(PathDisk, AppPathFound) {
  std::string exe = win_ + "\\Conv.exe";
  std::ofstream(host_ + "/Conv.exe") << "x";
  vSetApp("Conv.exe", exe + '\0');
  EXPECT_STREQ(sPathFindAppPath("conv.exe", true), exe.c_str());
  EXPECT_TRUE(UiBoxLog().empty());
}

TEST_F(PathDisk, AppPathFailuresAreWarned) {
  vUiExpectBox(IDOK);
  EXPECT_EQ(sPathFindAppPath("None.exe", true), nullptr);
  auto log = UiBoxLog();
  ASSERT_EQ(log.size(), 1u);
  // The key alone nearly fills the 100-byte message: it is cut at 99.
  EXPECT_EQ(log[0].sText, (std::string("Unable to locate registry key: HKEY_LOCAL_MACHINE\\") + kAppKey).substr(0, 99));
  EXPECT_EQ(log[0].uStyle, 0x12030u);
  EXPECT_EQ(sPathFindAppPath("None.exe", false), nullptr);  // quietly

  vSetApp("Empty.exe", std::string("C:\\") + '\0', "Path");
  vUiExpectBox(IDOK, "Registry key: HKEY_LOCAL_MACHINE\\SOFTWARE");
  EXPECT_EQ(sPathFindAppPath("Empty.exe", true), nullptr);
  EXPECT_EQ(UiBoxLog().back().sText,
            (std::string("Registry key: HKEY_LOCAL_MACHINE\\") + kAppKey + "Empty.exe is empty").substr(0, 99));

  vSetApp("Gone.exe", std::string("\\no\\such\\Gone.exe") + '\0');
  vUiExpectBox(IDOK);
  EXPECT_EQ(sPathFindAppPath("Gone.exe", true), nullptr);
  EXPECT_EQ(UiBoxLog().back().sText, "Missing file \\no\\such\\Gone.exe");
  EXPECT_EQ(sPathFindAppPath("Gone.exe", false), nullptr);
}

// Messages are cut at 99 characters; a value without terminator, or longer
// than the buffer, is never read or written past it.
TEST_F(PathDisk, AppPathBoundsAndLongValues) {
  std::string prog(250, 'p');
  vUiExpectBox(IDOK);
  EXPECT_EQ(sPathFindAppPath(prog.c_str(), true), nullptr);
  EXPECT_EQ(UiBoxLog().back().sText.size(), 99u);
  EXPECT_EQ(UiBoxLog().back().sText.rfind("Unable to locate registry key: HKEY_LOCAL_MACHINE\\SOFTWARE", 0), 0u);

  // 256 bytes and no terminator: the path is those 256 bytes.
  std::string raw = "\\" + std::string(255, 'v');
  vSetApp("Raw.exe", raw);
  vUiExpectBox(IDOK, "Missing file \\vvv");
  EXPECT_EQ(sPathFindAppPath("Raw.exe", true), nullptr);
  EXPECT_EQ(UiBoxLog().back().sText.size(), 99u);

  // 257 bytes do not fit the 256 read: the value counts as empty.
  vSetApp("Big.exe", std::string(257, 'w'));
  vUiExpectBox(IDOK, "Registry key: HKEY_LOCAL_MACHINE\\SOFTWARE");
  EXPECT_EQ(sPathFindAppPath("Big.exe", true), nullptr);

  // A file whose path is exactly 256 bytes long, without terminator.
  std::string dirHost = host_ + "/";
  std::string name(256 - kvxtest::WinPath(dirHost).size(), 'f');
  std::ofstream(dirHost + name) << "x";
  std::string value = kvxtest::WinPath(dirHost) + name;
  ASSERT_EQ(value.size(), 256u);
  vSetApp("Edge.exe", value);
  EXPECT_STREQ(sPathFindAppPath("Edge.exe", true), value.c_str());
}

}  // namespace
