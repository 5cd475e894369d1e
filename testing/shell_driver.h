// The UI driver for the shell's file dialogs and the folder browser: a test
// says beforehand what the user does in each, in the order they open.
//
//   kvxtest::ExpectFileDialog([](kvxtest::FileDlg& d) {
//     EXPECT_EQ(d.Title(), "RAW DATA FILES");
//     d.Choose(dir + "/job.gsi");
//   });
//   kvxtest::ExpectFolderBrowser([](kvxtest::Browser& b) { b.Select(dir); b.Ok(); });
//
// A file dialog or browser that no expectation waits for fails the test at
// once and is cancelled; so is one its actions leave open. At the end of
// every test, expectations never met fail it. Paths are host paths.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kvxtest_shell.h"

namespace kvxtest {

class FileDlg {
 public:
  explicit FileDlg(KvxFileDlg* d) : d_(d) {}
  bool IsSave() const { return kvxFileDlgIsSave(d_); }
  HWND Owner() const { return kvxFileDlgOwner(d_); }
  DWORD Options() const { return kvxFileDlgOptions(d_); }
  std::string Title() const { return kvxFileDlgTitle(d_); }
  std::vector<std::pair<std::string, std::string>> Types() const { return kvxFileDlgTypes(d_); }
  UINT TypeIndex() const { return kvxFileDlgTypeIndex(d_); }
  std::string Folder() const { return kvxFileDlgFolder(d_); }
  std::string FileName() const { return kvxFileDlgFileName(d_); }
  bool Ended() const { return kvxFileDlgEnded(d_); }

  void ChooseType(UINT index) { kvxFileDlgChooseType(d_, index); }
  void TypeName(const std::string& name) { kvxFileDlgTypeName(d_, name); }
  // OK; true when the dialog ended (see kvxFileDlgOk).
  bool Ok(const std::vector<std::string>& paths = {}) { return kvxFileDlgOk(d_, paths); }
  // OK on these files; the dialog must end.
  void Choose(const std::vector<std::string>& paths);
  void Choose(const std::string& path) { Choose(std::vector<std::string>{path}); }
  void Cancel() { kvxFileDlgCancel(d_); }

 private:
  KvxFileDlg* d_;
};

class Browser {
 public:
  explicit Browser(KvxBrowser* b) : b_(b) {}
  HWND Window() const { return kvxBrowserWindow(b_); }
  HWND Owner() const { return kvxBrowserOwner(b_); }
  UINT Flags() const { return kvxBrowserFlags(b_); }
  std::string Title() const { return kvxBrowserTitle(b_); }
  std::string Root() const { return kvxBrowserRoot(b_); }
  std::string Selection() const { return kvxBrowserSelection(b_); }
  std::string Status() const { return kvxBrowserStatus(b_); }
  bool Ended() const { return kvxBrowserEnded(b_); }

  bool Select(const std::string& folder) { return kvxBrowserSelect(b_, folder); }
  bool Ok() { return kvxBrowserOk(b_); }
  bool TypeOk(const std::string& text) { return kvxBrowserTypeOk(b_, text); }
  void Cancel() { kvxBrowserCancel(b_); }

 private:
  KvxBrowser* b_;
};

void ExpectFileDialog(std::function<void(FileDlg&)> action);
void ExpectFolderBrowser(std::function<void(Browser&)> action);
// Expected file dialogs and browsers that have not opened yet.
int PendingShellDialogs();

}  // namespace kvxtest
