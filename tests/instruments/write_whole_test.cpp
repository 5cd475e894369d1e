// A write replaces its file only when it completed: a full disk, a writer
// that writes nothing and a cancelled writer leave the old file byte for
// byte and no stray file behind. The new file keeps the old one's mode, a
// link keeps pointing at it, a device is written directly; the side file of
// a read never follows a link nor takes over another user's file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "fb_dump.h"
#include "fieldbook/catalogue.h"
#include "kvxtest_file.h"
#include "testing/ui_driver.h"

namespace fs = std::filesystem;

namespace {

const std::string kOld = "OLD\r\nbytes \x01\xFF\r\n";

class WriteWhole : public InstrumentFiles {
 protected:
  void TearDown() override {
    vKvxTestFileSpace(-1);
    InstrumentFiles::TearDown();
  }
  std::set<std::string> Names() {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(m_dir)) out.insert(e.path().filename().string());
    return out;
  }
  static mode_t uMode(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
};

struct Failure {
  const char* sName;
  int iInstrument;
  int iPoints;       // points written
  int64_t iSpace;    // bytes left on the disk, -1 no limit
  const char* sBox;  // the question answered Cancel, or nullptr
  const char* sReason;
};

TEST_F(WriteWhole, AFailedWriteLeavesTheOldFileByteForByte) {
  const char kFull[] = "There is not enough space on the disk.";
  const Failure kCases[] = {
      {"raw, full at once", MBO_INSTR_GEODAT_402, 2000, 0, nullptr, kFull},
      {"raw, full in the first buffer", MBO_INSTR_GEODAT_402, 2000, 100, nullptr, kFull},
      {"raw, full after a buffer", MBO_INSTR_GEODAT_402, 2000, 70000, nullptr, kFull},
      {"raw, nothing to write", MBO_INSTR_GEODAT_402, 0, -1, nullptr, "Nothing to write"},
      {"raw, cancelled", MBO_INSTR_LEICA_GIF10, 3, -1, "Too big number for wild", "Cancelled"},
      {"XML, full at once", MBO_INSTR_LANDXML, 2000, 0, nullptr, kFull},
      {"XML, full later", MBO_INSTR_LANDXML, 2000, 70000, nullptr, kFull},
  };
  for (const Failure& c : kCases) {
    SCOPED_TRACE(c.sName);
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
    for (int i = 0; i < c.iPoints; i++)
      pNewPoint(("P" + std::to_string(i)).c_str(), "C", i == 1 && c.sBox ? -100000 : 1000 + i, 2000 + i);
    std::string path = Put("old.out", kOld);
    std::set<std::string> before = Names();
    vUiExpectBox(IDOK, "Overwrite file");
    if (c.sBox) vUiExpectBox(IDCANCEL, c.sBox);
    vUiExpectBox(IDOK, (std::string("old.out\n") + c.sReason).c_str());
    vKvxTestFileSpace(c.iSpace);
    EXPECT_FALSE(boWrite(c.iInstrument, path));
    vKvxTestFileSpace(-1);
    EXPECT_EQ(kOld, ReadFile(path));
    EXPECT_EQ(before, Names());
  }
}

TEST_F(WriteWhole, TheNewFileKeepsModeAndLinksAndADeviceIsWrittenDirectly) {
  pNewPoint("P1", "C", 1, 2);
  const std::string kNew = "5=P1\r\n4=C\r\n37=2.000\r\n38=1.000\r\n";
  std::string real = Put("real/file.are", kOld);
  chmod(real.c_str(), 0604);
  std::string link = m_dir + "/link.are";
  fs::create_symlink(real, link);
  vUiExpectBox(IDOK, "Overwrite file");
  ASSERT_TRUE(boWrite(MBO_INSTR_GEODAT_402, link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(kNew, ReadFile(real));
  EXPECT_EQ(0604u, uMode(real));
  EXPECT_EQ(1u, std::distance(fs::directory_iterator(m_dir + "/real"), fs::directory_iterator()));
  // A new file gets what any new file gets.
  mode_t mask = umask(0);
  umask(mask);
  ASSERT_TRUE(boWrite(MBO_INSTR_GEODAT_402, m_dir + "/new.are"));
  EXPECT_EQ(0666u & ~mask, uMode(m_dir + "/new.are"));
  // A device is written directly, and its errors count.
  vUiExpectBox(IDOK, "Overwrite file");
  EXPECT_TRUE(boWrite(MBO_INSTR_GEODAT_402, "/dev/null"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  vUiExpectBox(IDOK, "Overwrite file");
  vUiExpectBox(IDOK, "/dev/full\nThere is not enough space on the disk.");
  EXPECT_FALSE(boWrite(MBO_INSTR_GEODAT_402, "/dev/full"));
  // No new file can be made beside a name in a missing folder.
  vUiExpectBox(IDOK, "none/x.are\nThe system cannot find the path specified.");
  EXPECT_FALSE(boWrite(MBO_INSTR_GEODAT_402, m_dir + "/none/x.are"));
}

// A symbolic link that points nowhere is refused as such: neither the link
// is replaced nor a file made where it points.
TEST_F(WriteWhole, ALinkThatPointsNowhereIsRefusedAsSuch) {
  pNewPoint("P1", "C", 1, 2);
  std::string link = m_dir + "/dangling.out";
  fs::create_symlink(m_dir + "/gone/file.out", link);
  std::set<std::string> before = Names();
  for (int instrument : {MBO_INSTR_GEODAT_402, MBO_INSTR_LANDXML}) {
    SCOPED_TRACE(instrument);
    vUiExpectBox(IDOK, "dangling.out\nthe link's target does not exist");
    EXPECT_FALSE(boWrite(instrument, link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(fs::exists(m_dir + "/gone"));
    EXPECT_EQ(before, Names());
  }
}

// The side file lies in the shared temporary folder: whatever another user
// put at its name is left alone, and the read goes on without it.
TEST_F(WriteWhole, TheSideFileFollowsNoLinkAndTakesNoOtherUsersFile) {
  std::string raw = Put("job.are", "5=P1\r\n37=1\r\n38=2\r\n");
  std::string victim = Put("sub/victim.txt", "keep");
  fs::create_symlink(victim, m_dir + "/job.ADM");
  vUiExpectBox(IDOK, "ERROR! Cannot create file:");
  EXPECT_TRUE(boRead(MBO_INSTR_GEODAT_402, raw));
  EXPECT_EQ(1, iPoPointsGetCount(FB(pKvxMboPoPointsGet)()));
  EXPECT_EQ("keep", ReadFile(victim));
  EXPECT_TRUE(fs::is_symlink(m_dir + "/job.ADM"));
}

TEST_F(WriteWhole, TheSideFileTakesNoOtherUsersFile) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  std::string raw = Put("job.are", "5=P1\r\n37=1\r\n38=2\r\n");
  std::string side = Put("job.ADM", "theirs");
  ASSERT_EQ(0, chown(side.c_str(), 65534, 65534));
  vUiExpectBox(IDOK, "ERROR! Cannot create file:");
  EXPECT_TRUE(boRead(MBO_INSTR_GEODAT_402, raw));
  EXPECT_EQ(1, iPoPointsGetCount(FB(pKvxMboPoPointsGet)()));
  EXPECT_EQ("theirs", ReadFile(side));
}

}  // namespace
