// The UI driver for file dialogs and the folder browser. See shell_driver.h.
#include "testing/shell_driver.h"

#include <gtest/gtest.h>

#include <deque>

#include "testing/ui_driver.h"

namespace kvxtest {
namespace {

std::deque<std::function<void(FileDlg&)>> gFileActions;
std::deque<std::function<void(Browser&)>> gBrowserActions;

// Runs the next expected action on the dialog (D: FileDlg or Browser), or
// fails and cancels it when none waits; one left open fails and is cancelled.
template <class D, class H>
void Act(std::deque<std::function<void(D&)>>& actions, H* h, const char* kind) {
  D d(h);
  std::string what = std::string(kind) + " \"" + d.Title() + "\"";
  if (actions.empty()) {
    ADD_FAILURE() << "unexpected " << what;
    vUiNoteUnexpected(what);
    d.Cancel();
    return;
  }
  auto action = std::move(actions.front());
  actions.pop_front();
  action(d);
  if (!d.Ended()) {
    ADD_FAILURE() << what << " left open by its actions";
    d.Cancel();
  }
}

void OnFileDialog(KvxFileDlg* h) { Act(gFileActions, h, "file dialog"); }
void OnBrowser(KvxBrowser* h) { Act(gBrowserActions, h, "folder browser"); }

class Listener : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo&) override {
    if (!gFileActions.empty()) ADD_FAILURE() << gFileActions.size() << " expected file dialog(s) never opened";
    if (!gBrowserActions.empty()) ADD_FAILURE() << gBrowserActions.size() << " expected folder browser(s) never opened";
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
