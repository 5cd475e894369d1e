#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "kvxtest_file.h"
#include "testing/tempdir.h"
#include "win32.h"

namespace fs = std::filesystem;

namespace {

// Windows form of a host path, as the layer gives paths back.
std::string sWin(const std::string& host) {
  std::string s = host;
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

std::string sFull(const char* name) {
  char buf[1024];
  DWORD n = GetFullPathNameA(name, sizeof buf, buf, nullptr);
  EXPECT_GT(n, 0u);
  EXPECT_LT(n, sizeof buf);
  return buf;
}

class FsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override { fs::current_path(old_); }
  void vTouch(const std::string& hostName) { tmp_.Write(hostName, "x"); }
  kvxtest::TempDir tmp_;
  std::string dir_ = tmp_.Path();
  fs::path old_;
};

TEST_F(FsTest, FullPathIsTextualWithBackslashes) {
  std::string cur = sWin(dir_);
  EXPECT_EQ(sFull("a.txt"), cur + "\\a.txt");
  EXPECT_EQ(sFull("sub/x\\..\\y.txt"), cur + "\\sub\\y.txt");
  EXPECT_EQ(sFull(".\\sub\\\\deep\\"), cur + "\\sub\\deep\\");  // trailing separator kept
  EXPECT_EQ(sFull("/a/b/../../.."), "\\");
  EXPECT_EQ(sFull("C:\\data\\.\\f"), "C:\\data\\f");
  // Two spellings of one path come out equal.
  EXPECT_EQ(sFull("/x/y"), sFull("\\x\\y"));

  char small[4];
  DWORD need = GetFullPathNameA("\\abcdef", sizeof small, small, nullptr);
  EXPECT_EQ(need, 8u);  // "\abcdef" and its terminator
  char exact[8];
  LPSTR part = nullptr;
  EXPECT_EQ(GetFullPathNameA("/abc/def", sizeof exact, exact, &part), 9u);  // the terminator too
  char buf[16];
  EXPECT_EQ(GetFullPathNameA("/abc/def", sizeof buf, buf, &part), 8u);
  EXPECT_STREQ(part, "def");
  GetFullPathNameA("/abc/", sizeof buf, buf, &part);
  EXPECT_EQ(part, nullptr);
  EXPECT_EQ(GetFullPathNameA("", sizeof buf, buf, nullptr), 0u);
}

TEST_F(FsTest, CurrentFolderRoundTrip) {
  char buf[1024];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  EXPECT_EQ(std::string(buf, n), sWin(dir_));
  EXPECT_EQ(GetCurrentDirectoryA(3, buf), n + 1);  // too small: the size needed

  ASSERT_TRUE(CreateDirectoryA("Sub Dir", nullptr));
  EXPECT_TRUE(SetCurrentDirectoryA("Sub Dir"));
  EXPECT_EQ(fs::current_path().string(), dir_ + "/Sub Dir");
  EXPECT_TRUE(SetCurrentDirectoryA(".."));
  EXPECT_FALSE(SetCurrentDirectoryA("missing"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(fs::current_path().string(), dir_);
}

TEST_F(FsTest, TempPathEndsInBackslash) {
  tmp_.UseAsTemp();  // TMPDIR restored at the end
  setenv("TMPDIR", (dir_ + "/t/").c_str(), 1);
  char buf[1024];
  DWORD n = GetTempPathA(sizeof buf, buf);
  EXPECT_EQ(std::string(buf, n), sWin(dir_) + "\\t\\");
  setenv("TMPDIR", dir_.c_str(), 1);
  n = GetTempPathA(sizeof buf, buf);
  EXPECT_EQ(std::string(buf), sWin(dir_) + "\\");
  EXPECT_EQ(GetTempPathA(n, buf), n + 1);
  unsetenv("TMPDIR");
  GetTempPathA(sizeof buf, buf);
  EXPECT_STREQ(buf, "\\tmp\\");
}

TEST_F(FsTest, AttributesFoldersAndDeletion) {
  vTouch("file.txt");
  EXPECT_EQ(GetFileAttributesA("file.txt"), (DWORD)FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA((sWin(dir_) + "\\file.txt").c_str()), (DWORD)FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA("."), (DWORD)FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("nothing"), INVALID_FILE_ATTRIBUTES);

  EXPECT_TRUE(CreateDirectoryA("new", nullptr));
  EXPECT_FALSE(CreateDirectoryA("new", nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA("no\\such\\parent", nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(CreateDirectoryA("new\\inner", nullptr));
  EXPECT_TRUE(fs::is_directory(dir_ + "/new/inner"));

  EXPECT_FALSE(DeleteFileA("new"));  // a folder is no file
  EXPECT_TRUE(DeleteFileA("file.txt"));
  EXPECT_FALSE(fs::exists(dir_ + "/file.txt"));
  EXPECT_FALSE(DeleteFileA("file.txt"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

// ANSI names become UTF-8 on the disk, and come back as ANSI.
TEST_F(FsTest, AnsiNamesAreUtf8OnDisk) {
  ASSERT_TRUE(CreateDirectoryA("M\xE5linger \xC6\xD8", nullptr));  // "Målinger ÆØ"
  EXPECT_TRUE(fs::is_directory(dir_ + "/M\xC3\xA5linger \xC3\x86\xC3\x98"));
  ASSERT_TRUE(SetCurrentDirectoryA("M\xE5linger \xC6\xD8"));
  char buf[1024];
  GetCurrentDirectoryA(sizeof buf, buf);
  EXPECT_EQ(std::string(buf), sWin(dir_) + "\\M\xE5linger \xC6\xD8");
  char host[1024];
  EXPECT_GT(KvxPlatformHostPath("\\a\\\xF8.txt", host, sizeof host), 0);
  EXPECT_STREQ(host,
               "/a/\xC3\xB8"
               ".txt");
  EXPECT_EQ(KvxPlatformHostPath("\\a\\\xF8.txt", host, 5), -1);
  EXPECT_STREQ(host, "");
  EXPECT_GT(KvxPlatformWindowsPath("/a/\xC3\xB8/\xE2\x82\xAC/\xE4\xB8\x80", host, sizeof host), 0);
  EXPECT_STREQ(host, "\\a\\\xF8\\\x80\\?");  // the euro sign is 0x80 in 1252; no CJK there
}

TEST_F(FsTest, MissingNameFallsBackToCaseInsensitiveMatch) {
  vTouch("Data.TXT");
  vTouch(
      "\xC3\x86"
      "ble.txt");  // "Æble.txt" on the disk
  EXPECT_EQ(GetFileAttributesA("data.txt"), (DWORD)FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA("DATA.txt"), (DWORD)FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA("\xE6"
                               "BLE.TXT"),
            (DWORD)FILE_ATTRIBUTE_NORMAL);  // "æBLE.TXT"
  EXPECT_EQ(GetFileAttributesA("dat.txt"), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(CreateDirectoryA("Folder", nullptr));
  EXPECT_TRUE(SetCurrentDirectoryA("FOLDER\\"));
  EXPECT_TRUE(SetCurrentDirectoryA(".."));
  EXPECT_TRUE(DeleteFileA("data.txt"));
  EXPECT_FALSE(fs::exists(dir_ + "/Data.TXT"));
  // Only the last component is matched.
  fs::create_directory(dir_ + "/Outer");
  vTouch("Outer/inner.txt");
  EXPECT_EQ(GetFileAttributesA("Outer\\INNER.TXT"), (DWORD)FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA("outer\\inner.txt"), INVALID_FILE_ATTRIBUTES);
}

// A name on the disk that is not UTF-8 (written by another program in
// Latin-1): no 1252 name reaches it, not even through the case fallback, and
// it comes back with '?' for the byte that has no meaning.
TEST_F(FsTest, ANameOnDiskThatIsNotUtf8) {
  tmp_.Write(
      "\xE6"
      "ble.txt",
      "latin1");
  EXPECT_EQ(GetFileAttributesA("\xE6"
                               "ble.txt"),
            INVALID_FILE_ATTRIBUTES);  // "æble.txt" is another name
  EXPECT_EQ(GetFileAttributesA("\xC6"
                               "BLE.TXT"),
            INVALID_FILE_ATTRIBUTES);
  char win[256];
  EXPECT_GT(KvxPlatformWindowsPath("/a/\xE6"
                                   "ble.txt",
                                   win, sizeof win),
            0);
  EXPECT_STREQ(win, "\\a\\?ble.txt");
  HFILE f = _lcreat(
      "\xE6"
      "ble.txt",
      0);
  ASSERT_NE(f, HFILE_ERROR);
  _lclose(f);
  EXPECT_EQ(tmp_.Read("\xE6"
                      "ble.txt"),
            "latin1");
  EXPECT_TRUE(fs::exists(dir_ + "/\xC3\xA6"
                                "ble.txt"));
}

TEST_F(FsTest, LongPathNameResolvesLinks) {
  fs::create_directory(dir_ + "/real");
  fs::create_directory_symlink(dir_ + "/real", dir_ + "/link");
  char buf[1024];
  DWORD n = GetLongPathNameA("link", buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n), sWin(dir_) + "\\real");
  EXPECT_EQ(GetLongPathNameA("link", buf, 3), n + 1);
  EXPECT_EQ(GetLongPathNameA("none", buf, sizeof buf), 0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  // In place.
  strcpy(buf, "real\\..\\link");
  EXPECT_GT(GetLongPathNameA(buf, buf, sizeof buf), 0u);
  EXPECT_EQ(std::string(buf), sWin(dir_) + "\\real");
}

TEST(FsModule, ModuleFileNameFromAnAddressInside) {
  char buf[1024];
  // An address inside the platform library.
  DWORD n = GetModuleFileNameA((HMODULE)(void*)&GetModuleFileNameA, buf, sizeof buf);
  ASSERT_GT(n, 0u);
  std::string name(buf, n);
  EXPECT_EQ(name.front(), '\\');
  EXPECT_NE(name.find("\\libkvxplatform.so"), std::string::npos) << name;
  EXPECT_EQ(name.find('/'), std::string::npos);
  // NULL: the program.
  n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  EXPECT_EQ(sWin(fs::canonical("/proc/self/exe").string()), std::string(buf, n));
  // Cut and terminated when the buffer is short.
  char small[6];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 6u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(strlen(small), 5u);
}

}  // namespace

// The numeric file calls against a random sequence of writes, reads and
// seeks, compared with a plain byte vector (the buffering must not show).
TEST_F(FsTest, NumericFileCallsMatchAByteModel) {
  HFILE h = _lcreat("model.bin", 0);
  ASSERT_GE(h, 1);
  std::string model;
  size_t pos = 0;
  srand(7);
  for (int step = 0; step < 3000; ++step) {
    int what = rand() % 4;
    if (what == 0) {  // write a run, possibly a large one
      size_t n = (size_t)(rand() % 7 == 0 ? 70000 : rand() % 300);
      std::string data(n, '\0');
      for (char& c : data) c = (char)(rand() & 0xff);
      ASSERT_EQ(_lwrite(h, data.data(), (UINT)n), (UINT)n);
      if (pos + n > model.size()) model.resize(pos + n);
      model.replace(pos, n, data);
      pos += n;
    } else if (what == 1) {  // read a run
      size_t n = (size_t)(rand() % 500);
      std::string got(n, '\0');
      UINT r = _lread(h, got.data(), (UINT)n);
      size_t expect = pos < model.size() ? std::min(n, model.size() - pos) : 0;
      ASSERT_EQ(r, (UINT)expect) << "step " << step;
      ASSERT_EQ(got.substr(0, expect), model.substr(pos, expect)) << "step " << step;
      pos += expect;
    } else if (what == 2) {
      ASSERT_EQ(_llseek(h, 0, FILE_END), (LONG)model.size());
      pos = model.size();
    } else {
      pos = model.empty() ? 0 : (size_t)rand() % model.size();
      ASSERT_EQ(_llseek(h, (LONG)pos, FILE_BEGIN), (LONG)pos);
    }
  }
  EXPECT_EQ(_lclose(h), 0);
  EXPECT_EQ(_lclose(h), HFILE_ERROR);
  EXPECT_EQ(tmp_.Read("model.bin"), model);

  // Failures give HFILE_ERROR; a freed handle number is given out again.
  EXPECT_EQ(_lopen("missing.bin", OF_READ), HFILE_ERROR);
  HFILE a = _lopen("model.bin", OF_READ);
  EXPECT_EQ(a, h);
  char c;
  EXPECT_EQ(_lwrite(a, "x", 1), (UINT)HFILE_ERROR);  // opened for reading
  _lclose(a);
  EXPECT_EQ(_lread(a, &c, 1), (UINT)HFILE_ERROR);
}

// A full disk: the numeric calls and the writing streams report it, at the
// write that meets it or at the latest on close, and never report a lost
// byte as written.
TEST_F(FsTest, AFullDiskShowsInTheNumericCallsAndInStreams) {
  for (int64_t space : {0, 5, 100, 70000}) {
    SCOPED_TRACE(space);
    vKvxTestFileSpace(space);
    HFILE h = _lcreat("full.bin", 0);
    ASSERT_GE(h, 1);
    std::string chunk(1000, 'a');
    bool boFailed = false;
    for (int i = 0; i < 100 && !boFailed; i++) boFailed = _lwrite(h, chunk.data(), 1000) != 1000;
    if (!boFailed) {
      EXPECT_EQ(_lclose(h), HFILE_ERROR);
    } else {
      EXPECT_EQ(_lwrite(h, "x", 1), (UINT)HFILE_ERROR);  // the file stays broken
      EXPECT_EQ(_lclose(h), HFILE_ERROR);
    }
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DISK_FULL);
    EXPECT_EQ(fs::file_size(dir_ + "/full.bin"), (uintmax_t)space);

    vKvxTestFileSpace(space);
    FILE* fp = _fsopen("full.txt", "wb", _SH_DENYNO);
    ASSERT_TRUE(fp);
    for (int i = 0; i < 100; i++) fwrite(chunk.data(), 1, chunk.size(), fp);
    EXPECT_NE(fclose(fp), 0);
    EXPECT_EQ(fs::file_size(dir_ + "/full.txt"), (uintmax_t)space);
  }
  vKvxTestFileSpace(-1);
  FILE* fp = _fsopen("full.txt", "ab", _SH_DENYNO);
  ASSERT_TRUE(fp);
  EXPECT_EQ(fwrite("tail", 1, 4, fp), 4u);
  EXPECT_EQ(fclose(fp), 0);
  EXPECT_EQ(fs::file_size(dir_ + "/full.txt"), 70004u);
}

// New names for temporary files, and the rename that replaces a file whole
// keeping its permissions; a read-only file or a folder is not replaced.
TEST_F(FsTest, TempFileNamesAndReplacingMoves) {
  char a[MAX_PATH], b[MAX_PATH];
  UINT ua = GetTempFileNameA(".", "kvxfile", 0, a);
  UINT ub = GetTempFileNameA(sWin(dir_).c_str(), "kvx", 0, b);
  ASSERT_NE(0u, ua);
  ASSERT_NE(0u, ub);
  EXPECT_NE(std::string(sFull(a)), std::string(b));
  EXPECT_EQ(std::string(b).rfind(sWin(dir_) + "\\kvx", 0), 0u) << b;
  EXPECT_EQ(std::string(b).substr(strlen(b) - 4), ".TMP");
  EXPECT_EQ(fs::file_size(dir_ + "/" + std::string(a).substr(2)), 0u);  // ".\kvx….TMP"
  EXPECT_EQ(0u, GetTempFileNameA("no\\such\\folder", "kvx", 0, a));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(0u, GetTempFileNameA(std::string(300, 'x').c_str(), "kvx", 0, a));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_BUFFER_OVERFLOW);

  tmp_.Write("old.txt", "old");
  chmod((dir_ + "/old.txt").c_str(), 0604);
  tmp_.Write("new.txt", "new");
  EXPECT_FALSE(MoveFileExA("new.txt", "old.txt", 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(MoveFileExA("new.txt", "old.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(tmp_.Read("old.txt"), "new");
  EXPECT_FALSE(fs::exists(dir_ + "/new.txt"));
  struct stat st;
  ASSERT_EQ(0, stat((dir_ + "/old.txt").c_str(), &st));
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  tmp_.Write("new.txt", "newer");
  fs::create_directory(dir_ + "/dir");
  EXPECT_FALSE(MoveFileExA("new.txt", "dir", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetFileAttributesA("\\dev\\null"), (DWORD)FILE_ATTRIBUTE_DEVICE);
}

// Root may write every file: what a read-only file means shows only to
// another user.
TEST_F(FsTest, AReadOnlyFileIsNeitherWritableNorReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
  tmp_.Write("old.txt", "old");
  tmp_.Write("new.txt", "new");
  chmod((dir_ + "/old.txt").c_str(), 0444);
  EXPECT_EQ(GetFileAttributesA("old.txt"), (DWORD)FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(MoveFileExA("new.txt", "old.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_EQ(tmp_.Read("old.txt"), "old");
  chmod((dir_ + "/old.txt").c_str(), 0644);
}

// The temporary files the layer made are noted until moved or deleted, so
// that a host stopped by a signal can remove those still there; a move
// that writes through replaces as a plain move does; a link that points
// nowhere has no attributes and says why.
TEST_F(FsTest, TempFilesAreNotedUntilMovedOrDeleted) {
  KvxPlatformRemoveTempFiles(FALSE);  // those of earlier tests in this process
  char moved[MAX_PATH], deleted[MAX_PATH], left[MAX_PATH], here[MAX_PATH];
  ASSERT_NE(0u, GetTempFileNameA(sWin(dir_).c_str(), "kvx", 0, moved));
  ASSERT_NE(0u, GetTempFileNameA(sWin(dir_).c_str(), "kvx", 0, deleted));
  ASSERT_NE(0u, GetTempFileNameA(sWin(dir_).c_str(), "kvx", 0, left));
  ASSERT_NE(0u, GetTempFileNameA(".", "kvx", 0, here));  // relative: found after a change of folder
  tmp_.Write("target.txt", "old");
  tmp_.Write(std::string(moved).substr(dir_.size() + 1), "new");
  ASSERT_TRUE(MoveFileExA(moved, "target.txt", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(tmp_.Read("target.txt"), "new");
  ASSERT_TRUE(DeleteFileA(deleted));
  tmp_.Write("keep.TMP", "not the layer's");
  fs::create_directory(dir_ + "/sub");
  fs::current_path(dir_ + "/sub");
  EXPECT_EQ(2, KvxPlatformRemoveTempFiles(FALSE));
  EXPECT_FALSE(fs::exists(dir_ + "/" + std::string(left).substr(dir_.size() + 1)));
  EXPECT_FALSE(fs::exists(dir_ + "/" + std::string(here).substr(2)));
  EXPECT_EQ(tmp_.Read("target.txt"), "new");
  EXPECT_EQ(tmp_.Read("keep.TMP"), "not the layer's");
  EXPECT_EQ(0, KvxPlatformRemoveTempFiles(FALSE));

  fs::create_symlink(dir_ + "/none/file", dir_ + "/dangling");
  fs::create_symlink(dir_ + "/loop", dir_ + "/loop");
  for (const char* name : {"..\\dangling", "..\\loop"}) {
    EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES) << name;
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANT_RESOLVE_FILENAME) << name;
  }
  EXPECT_EQ(GetFileAttributesA("..\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

// In the folder for temporary files a created name is never followed as a
// link, nor does it take over a file that is not the caller's own.
TEST_F(FsTest, CreatingInTheTempFolderFollowsNoLink) {
  tmp_.UseAsTemp();
  tmp_.Write("victim.txt", "keep");
  fs::create_symlink(dir_ + "/victim.txt", dir_ + "/side.ADM");
  EXPECT_EQ(_lcreat("side.ADM", 0), HFILE_ERROR);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_EQ(tmp_.Read("victim.txt"), "keep");
  EXPECT_TRUE(fs::is_symlink(dir_ + "/side.ADM"));
  // A file of the caller's own is truncated as ever; outside the temp
  // folder a link is followed as ever.
  HFILE h = _lcreat("victim.txt", 0);
  ASSERT_GE(h, 1);
  _lclose(h);
  EXPECT_EQ(tmp_.Read("victim.txt"), "");
  fs::create_directory(dir_ + "/sub");
  tmp_.Write("sub/target.txt", "x");
  fs::create_symlink(dir_ + "/sub/target.txt", dir_ + "/sub/link.txt");
  h = _lcreat("sub\\link.txt", 0);
  ASSERT_GE(h, 1);
  _lclose(h);
  EXPECT_EQ(tmp_.Read("sub/target.txt"), "");
}
