// File dialogs and the folder browser as the module's callers use them,
// with the user played by the UI driver.
#include "base/filedialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "testing/shell_driver.h"
#include "testing/tempdir.h"
#include "testing/ui_driver.h"

namespace {

using kvxtest::FileDlg;
using kvxtest::WinPath;

// The texts of a multi-selection block, the closing empty text left out.
std::vector<std::string> Unpack(const char* block) {
  std::vector<std::string> out;
  for (const char* p = block; *p; p += strlen(p) + 1) out.push_back(p);
  return out;
}

class FileDialogTest : public ::testing::Test {
 protected:
  kvxtest::TempDir tmp_;
  const std::string dir_ = tmp_.Path();
};

TEST(FileDialogFilter, BuiltFromExtensionsOrTakenWhole) {
  const char* exts[] = {"kof", "txt", nullptr};
  char buf[64];
  EXPECT_STREQ(sFileDlgBuildFilter(exts, buf, sizeof buf), "*.kof|*.kof|*.txt|*.txt|");
  // Only whole pairs: the second does not fit beside the first.
  const char* longExt[] = {"a", "abcdefghij", nullptr};
  EXPECT_STREQ(sFileDlgBuildFilter(longExt, buf, 20), "*.a|*.a|");
  const char* ready[] = {"KOF files|*.kof|All|*|", nullptr};
  EXPECT_STREQ(sFileDlgBuildFilter(ready, buf, sizeof buf), "KOF files|*.kof|All|*|");
  EXPECT_EQ(sFileDlgBuildFilter(ready, buf, 10), nullptr);
  const char* mixed[] = {"kof", "*.a", nullptr};
  EXPECT_STREQ(sFileDlgFilterText(mixed, ';', "Data"), "Data (*.kof;*.a)|*.kof;*.a|");
  EXPECT_STREQ(sFileDlgFilterText(mixed, ';', nullptr), "(*.kof;*.a)|*.kof;*.a|");
}

TEST_F(FileDialogTest, OpenShowsStartAndFiltersAndReturnsTheChoice) {
  tmp_.Write("job.kof", "x");
  std::string dir = dir_;
  kvxtest::ExpectFileDialog([dir](FileDlg& d) {
    EXPECT_FALSE(d.IsSave());
    EXPECT_EQ(d.Title(), "Pick");
    EXPECT_EQ(d.Folder(), dir);
    EXPECT_EQ(d.FileName(), "start.kof");
    std::vector<std::pair<std::string, std::string>> types = {{"*.kof", "*.kof"}, {"*.txt", "*.txt"}};
    EXPECT_EQ(d.Types(), types);
    EXPECT_EQ(d.Options(), (DWORD)(FOS_NOCHANGEDIR | FOS_FILEMUSTEXIST));
    EXPECT_FALSE(d.Ok({dir + "/nothing.kof"}));  // must exist (flag 2)
    d.Choose(dir + "/job.kof");
  });
  char* got = sFileDlgOpen("Pick", 2, tmp_.Win("start.kof").c_str(), "kof", "txt", nullptr);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got), tmp_.Win("job.kof"));
  // Cancel: NULL and the caller's buffer untouched; a small buffer cuts.
  char buf[8] = "keep";
  kvxtest::ExpectFileDialog([](FileDlg& d) { d.Cancel(); });
  EXPECT_EQ(sFileDlgOpenBuf(buf, sizeof buf, "Pick", 0, nullptr, "kof", nullptr), nullptr);
  EXPECT_STREQ(buf, "keep");
  kvxtest::ExpectFileDialog([dir](FileDlg& d) { d.Choose(dir + "/job.kof"); });
  EXPECT_EQ(sFileDlgOpenBuf(buf, sizeof buf, "Pick", 0, nullptr, "kof", nullptr), buf);
  EXPECT_EQ(std::string(buf), tmp_.Win("job.kof").substr(0, 7));
}

TEST_F(FileDialogTest, TypedNameGetsTheFilterExtensionOnlyWhenItNamesOne) {
  const char* filter = "a|*.gsi|b|*.ss?|c|*.*|d|*|";
  struct Case {
    UINT type;
    const char* typed;
    const char* want;
  } cases[] = {
      {1, "job", "job"}, {1, "job.gsi", "job.gsi"}, {1, "job.txt", "job.txt"},  // "*.*" matches every name
      {2, "job", "job"}, {3, "job", "job"},         {4, "job", "job"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed + std::string(" type ") + std::to_string(c.type));
    kvxtest::ExpectFileDialog([&c](FileDlg& d) {
      d.ChooseType(c.type);
      d.TypeName(c.typed);
      EXPECT_TRUE(d.Ok());
    });
    char* got = sFileDlgOpen("Raw", 0, (tmp_.Win() + "\\").c_str(), filter, nullptr);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got), tmp_.Win(c.want));
  }
  // Without "*.*": '?' matches one character, so job.ss1 is taken as it is
  // under *.gsi, and a bare name gets the extension.
  for (const Case& c :
       {Case{1, "job.ss1", "job.ss1"}, Case{1, "job", "job.gsi"}, Case{1, "job.ss12", "job.ss12.gsi"}}) {
    SCOPED_TRACE(c.typed);
    kvxtest::ExpectFileDialog([&c](FileDlg& d) {
      d.ChooseType(c.type);
      d.TypeName(c.typed);
      EXPECT_TRUE(d.Ok());
    });
    char* got = sFileDlgOpen("Raw", 0, (tmp_.Win() + "\\").c_str(), "a|*.gsi|b|*.ss?|", nullptr);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got), tmp_.Win(c.want));
  }
}

TEST_F(FileDialogTest, SaveInsistsOnExtensionAndFollowsTheFilter) {
  std::string dir = dir_;
  // Switching from *.txt to *.kof turns job.txt into job.kof; without an
  // extension the dialog stays open; under "*" a bare name is taken.
  kvxtest::ExpectFileDialog([](FileDlg& d) {
    EXPECT_TRUE(d.IsSave());
    EXPECT_EQ(d.FileName(), "job.txt");
    d.ChooseType(1);
    EXPECT_EQ(d.FileName(), "job.kof");
    d.TypeName("other");
    vUiExpectBox(IDOK, "Extension required");
    EXPECT_FALSE(d.Ok());
    d.ChooseType(2);
    EXPECT_EQ(d.FileName(), "other.txt");  // no known extension: appended
    d.TypeName("plain");
    d.ChooseType(3);
    EXPECT_TRUE(d.Ok());
  });
  char* got = sFileDlgSave("Save", 16 | 8, tmp_.Win("job.txt").c_str(), "K|*.kof|T|*.txt|All|*|", nullptr);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got), tmp_.Win("plain"));
  // Without flag 16 no events: a bare name under *.kof gets the extension
  // from the result rule.
  kvxtest::ExpectFileDialog([](FileDlg& d) {
    d.TypeName("job");
    EXPECT_TRUE(d.Ok());
  });
  got = sFileDlgSave("Save", 0, (tmp_.Win() + "\\").c_str(), "kof", nullptr);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got), tmp_.Win("job.kof"));
}

TEST_F(FileDialogTest, SeveralFilesPackedOneAsItself) {
  for (const char* n : {"a.kof", "b.kof", "c.kof"}) tmp_.Write(n, "x");
  std::string dir = dir_;
  kvxtest::ExpectFileDialog([dir](FileDlg& d) {
    EXPECT_TRUE(d.Options() & FOS_ALLOWMULTISELECT);
    d.Choose({dir + "/a.kof", dir + "/b.kof", dir + "/c.kof"});
  });
  char* block = pFileDlgOpenMulti("Files", 2, nullptr, "kof", nullptr);
  ASSERT_NE(block, nullptr);
  std::vector<std::string> want = {tmp_.Win(), "a.kof", "b.kof", "c.kof"};
  EXPECT_EQ(Unpack(block), want);
  free(block);
  kvxtest::ExpectFileDialog([dir](FileDlg& d) { d.Choose({dir + "/b.kof"}); });
  block = pFileDlgOpenMulti("Files", 2, nullptr, "kof", nullptr);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Unpack(block), std::vector<std::string>{tmp_.Win("b.kof")});
  free(block);
  kvxtest::ExpectFileDialog([](FileDlg& d) { d.Cancel(); });
  EXPECT_EQ(pFileDlgOpenMulti("Files", 2, nullptr, "kof", nullptr), nullptr);
}

TEST_F(FileDialogTest, UnrepresentableNamesAndNoDialogAreWarned) {
  std::string odd = tmp_.Write("\xE6\x97\xA5.kof", "x");  // a CJK letter: not in code page 1252
  std::string fine = tmp_.Write("\xC3\xB8.kof", "x");     // 'ø' is
  kvxtest::ExpectFileDialog([odd](FileDlg& d) { d.Choose(odd); });
  vUiExpectBox(IDOK, "Selected file name contain unsupported Unicode characters");
  EXPECT_EQ(sFileDlgOpen("Pick", 0, nullptr, "kof", nullptr), nullptr);
  kvxtest::ExpectFileDialog([odd, fine](FileDlg& d) { d.Choose({odd, fine}); });
  vUiExpectBox(IDOK, "unsupported Unicode");
  char* block = pFileDlgOpenMulti("Pick", 0, nullptr, "kof", nullptr);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Unpack(block), std::vector<std::string>{tmp_.Win("\xF8.kof")});
  free(block);
  kvxShellFailNextFileDialog();
  vUiExpectBox(IDOK, "Error displaying file dialogue");
  EXPECT_EQ(sFileDlgSave("Save", 0, nullptr, "kof", nullptr), nullptr);
}

TEST_F(FileDialogTest, FolderBrowserIntoSmallBufferAndRefusedTyping) {
  tmp_.Write("sub/x", "");
  std::string dir = dir_;
  kvxtest::ExpectFolderBrowser([dir](kvxtest::Browser& b) {
    EXPECT_EQ(b.Title(), "Folder");
    EXPECT_EQ(b.Flags(),
              (UINT)(BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX | BIF_VALIDATE | BIF_NONEWFOLDERBUTTON));
    EXPECT_EQ(b.Selection(), dir);  // the start folder
    EXPECT_TRUE(b.Select(dir + "/sub"));
    EXPECT_EQ(b.Status(), WinPath(dir + "/sub"));
    vUiExpectBox(IDOK);
    EXPECT_FALSE(b.TypeOk("missing"));
    EXPECT_TRUE(b.Ok());
  });
  char small[8];
  EXPECT_EQ(sFileDlgBrowseFolder("Folder", tmp_.Win().c_str(), small, sizeof small), small);
  EXPECT_EQ(std::string(small), tmp_.Win("sub").substr(0, 7));
  ASSERT_EQ(UiBoxLog().size(), 1u);
  EXPECT_EQ(UiBoxLog()[0].sCaption, "Invalid folder");
  EXPECT_EQ(UiBoxLog()[0].sText, "");
  // Cancel empties the buffer; a root keeps the user below it.
  kvxtest::ExpectFolderBrowser([dir](kvxtest::Browser& b) {
    EXPECT_EQ(b.Flags(), (UINT)BIF_RETURNONLYFSDIRS);
    EXPECT_EQ(b.Root(), dir + "/sub");
    EXPECT_FALSE(b.Select(dir));
    b.Cancel();
  });
  EXPECT_EQ(sFileDlgBrowseFolderRoot("Folder", 4, tmp_.Win("sub").c_str(), nullptr, small, sizeof small), nullptr);
  EXPECT_STREQ(small, "");
}

}  // namespace
