// The UI driver for file dialogs and the folder browser. See shell_driver.h.
#include "testing/shell_driver.h"

#include <gtest/gtest.h>

#include <deque>

#include "testing/ui_driver.h"

namespace kvxtest {
namespace {

std::deque<std::function<void(FileDlg&)>> gFileActions;
std::deque<std::function<void(Browser&)>> gBrowserActions;

void OnFileDialog(KvxFileDlg* h) {
  FileDlg d(h);
  if (gFileActions.empty()) {
    ADD_FAILURE() << "unexpected file dialog \"" << d.Title() << "\"";
    vUiNoteUnexpected("file dialog \"" + d.Title() + "\"");
    d.Cancel();
    return;
  }
  auto action = std::move(gFileActions.front());
  gFileActions.pop_front();
  action(d);
  if (!d.Ended()) {
    ADD_FAILURE() << "file dialog \"" << d.Title() << "\" left open by its actions";
    d.Cancel();
  }
}

void OnBrowser(KvxBrowser* h) {
  Browser b(h);
  if (gBrowserActions.empty()) {
    ADD_FAILURE() << "unexpected folder browser \"" << b.Title() << "\"";
    vUiNoteUnexpected("folder browser \"" + b.Title() + "\"");
    b.Cancel();
    return;
  }
  auto action = std::move(gBrowserActions.front());
  gBrowserActions.pop_front();
  action(b);
  if (!b.Ended()) {
    ADD_FAILURE() << "folder browser \"" << b.Title() << "\" left open by its actions";
    b.Cancel();
  }
}

class Listener : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo&) override {
    if (!gFileActions.empty()) ADD_FAILURE() << gFileActions.size() << " expected file dialog(s) never opened";
    if (!gBrowserActions.empty())
      ADD_FAILURE() << gBrowserActions.size() << " expected folder browser(s) never opened";
    gFileActions.clear();
    gBrowserActions.clear();
  }
};

[[maybe_unused]] const bool gInstalled = [] {
  kvxShellSetFileDialogHook(OnFileDialog);
  kvxShellSetBrowserHook(OnBrowser);
  testing::UnitTest::GetInstance()->listeners().Append(new Listener);
  return true;
}();

}  // namespace

void FileDlg::Choose(const std::vector<std::string>& paths) {
  if (!Ok(paths)) ADD_FAILURE() << "file dialog \"" << Title() << "\" did not take the choice";
}

void ExpectFileDialog(std::function<void(FileDlg&)> action) { gFileActions.push_back(std::move(action)); }
void ExpectFolderBrowser(std::function<void(Browser&)> action) { gBrowserActions.push_back(std::move(action)); }
int PendingShellDialogs() { return (int)(gFileActions.size() + gBrowserActions.size()); }

}  // namespace kvxtest
