// The UI driver: what it reports as failures, and the delayed Stop click.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "kvxtest_ui.h"
#include "testing/dialog_driver.h"
#include "testing/ui_driver.h"
#include "ui_fixture.h"

using kvxtest::Dlg;
using kvxtest::ExpectDialog;
using namespace uitest;

namespace {

INT_PTR RunSample() { return RunDialog(kSampleDialog); }
using Driver = SampleTest;

TEST_F(Driver, AnUnexpectedDialogFailsAtOnceAndEndsWithZero) {
  INT_PTR r = -5;
  EXPECT_NONFATAL_FAILURE(r = RunSample(), "unexpected dialog \"Pr\xF8ve\" (resource 7001)");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(kvxUiWindowCount(), 0);
}

TEST_F(Driver, ADialogLeftOpenFailsAndIsEnded) {
  ExpectDialog(kSampleDialog, [](Dlg& d) { d.Type(101, "x"); });
  INT_PTR r = -5;
  EXPECT_NONFATAL_FAILURE(r = RunSample(), "left open");
  EXPECT_EQ(r, 0);
}

TEST_F(Driver, ADifferentDialogThanExpectedFails) {
  ExpectDialog("Some other caption", [](Dlg& d) { d.Click(IDOK); });
  EXPECT_NONFATAL_FAILURE(RunSample(), "where \"Some other caption\" was expected");
  kvxtest::ResetDialogs();
}

TEST_F(Driver, ClicksOnDisabledHiddenOrMissingControlsFail) {
  ExpectDialog(kSampleDialog, [](Dlg& d) {
    EXPECT_NONFATAL_FAILURE(d.Click(107), "is disabled");
    EXPECT_NONFATAL_FAILURE(d.Click(106), "is hidden");
    EXPECT_NONFATAL_FAILURE(d.Click(555), "no control 555");
    EXPECT_NONFATAL_FAILURE(d.ChooseCombo(105, "zz"), "no entry beginning with \"zz\"");
    EXPECT_NONFATAL_FAILURE(d.Type(100, "x"), "takes no typing");
    d.Click(IDCANCEL);
    EXPECT_NONFATAL_FAILURE(d.Click(IDOK), "has ended");
  });
  EXPECT_EQ(RunSample(), 22);
}

TEST_F(Driver, ExpectationsThatNeverOpenFailAtTheEnd) {
  // The end-of-test check runs in a listener; here we only count.
  ExpectDialog(kNestedDialog, nullptr);
  EXPECT_EQ(kvxtest::PendingDialogs(), 1);
  kvxtest::ResetDialogs();
  EXPECT_EQ(kvxtest::PendingDialogs(), 0);
}

TEST_F(Driver, ActsAsTheUserOnEachKindOfControl) {
  ExpectDialog(kSampleDialog, [](Dlg& d) {
    HWND combo = d.Item(105);
    for (const char* s : {"COM1:", "COM2:", "Com3:"}) SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)s);
    d.ChooseCombo(105, "com3");
    EXPECT_EQ(d.ComboSel(105), 2);
    EXPECT_EQ(d.ComboSelText(105), "Com3:");
    EXPECT_EQ(d.Text(105), "Com3:");
    d.Check(102, true);
    EXPECT_TRUE(d.IsChecked(102));
    d.Click(103);
    d.Click(104);
    EXPECT_FALSE(d.IsChecked(103));  // one radio of the group
    EXPECT_TRUE(d.IsChecked(104));
    SendMessageA(d.Item(101), EM_LIMITTEXT, 3, 0);
    d.Type(101, "abcdef");
    EXPECT_EQ(d.Text(101), "abc");  // no more can be typed
    d.Click(IDOK);
  });
  EXPECT_EQ(RunSample(), 11);
  // The procedure heard the choice and the typing.
  for (WPARAM w : {MAKEWPARAM(105, CBN_SELENDOK), MAKEWPARAM(101, EN_CHANGE)}) {
    EXPECT_TRUE(
        std::any_of(g_seen.begin(), g_seen.end(), [w](const Seen& s) { return s.msg == WM_COMMAND && s.wParam == w; }))
        << std::hex << w;
  }
}

// OK asks first; the box is owned by the dialog, which is the active window.
INT_PTR CALLBACK AskingProc(HWND h, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    if (MessageBoxA(GetActiveWindow(), "Overwrite file:\nx.raw", "", MB_OKCANCEL | MB_ICONQUESTION) == IDOK)
      EndDialog(h, IDOK);
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(h, IDCANCEL);
  return msg == WM_INITDIALOG || msg == WM_COMMAND;
}

TEST_F(Driver, BoxesInsideADialogAreAnsweredInTurn) {
  HWND dialog = nullptr;
  ExpectDialog(kSampleDialog, [&](Dlg& d) {
    dialog = d.Hwnd();
    vUiExpectBox(IDCANCEL, "Overwrite file");
    d.Click(IDOK);
    EXPECT_FALSE(d.Ended());
    vUiExpectBox(IDOK, "Overwrite file");
    d.Click(IDOK);
  });
  EXPECT_EQ(RunDialog(kSampleDialog, AskingProc), IDOK);
  ASSERT_EQ(UiBoxLog().size(), 2u);
  EXPECT_EQ(UiBoxLog()[0].hOwner, dialog);
}

// A wait loop as the transfer code has it: pump until Stop is pressed.
int g_polls = 0;
bool g_stopped = false;
INT_PTR CALLBACK WaitingProc(HWND h, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    g_stopped = false;
    for (g_polls = 0; g_polls < 1000 && !g_stopped; ++g_polls) {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
      }
    }
    EndDialog(h, g_stopped ? 1 : 0);
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    g_stopped = true;
    return TRUE;
  }
  return msg == WM_INITDIALOG;
}

TEST_F(Driver, ADelayedClickArrivesDuringAWait) {
  ExpectDialog(kSampleDialog, [](Dlg& d) {
    d.ClickAfterPeeks(IDCANCEL, 5);
    d.Click(IDOK);
  });
  EXPECT_EQ(RunDialog(kSampleDialog, WaitingProc), 1);
  EXPECT_EQ(g_polls, 5);

  // A command needs no button; a click needs a usable one.
  ExpectDialog(kSampleDialog, [](Dlg& d) {
    d.CommandAfterPeeks(IDCANCEL, 3);
    EnableWindow(d.Item(IDCANCEL), FALSE);
    d.Click(IDOK);
  });
  EXPECT_EQ(RunDialog(kSampleDialog, WaitingProc), 1);
  EXPECT_EQ(g_polls, 3);
  ExpectDialog(kSampleDialog, [](Dlg& d) {
    d.ClickAfterPeeks(IDCANCEL, 3);
    EnableWindow(d.Item(IDCANCEL), FALSE);
    EXPECT_NONFATAL_FAILURE(d.Click(IDOK), "delayed click on control 2");
  });
  EXPECT_EQ(RunDialog(kSampleDialog, WaitingProc), 0);
  EXPECT_EQ(g_polls, 1000);  // nothing stopped the wait
}

// Code that asks again whatever it is answered: without a test answering,
// the driver ends the process rather than let it loop until the time-out.
void RetryForever() {
  while (MessageBoxA(nullptr, "ERROR! Timeout, try again", "", MB_RETRYCANCEL) != IDCANCEL) {
  }
}
void ReopenForever() {
  while (RunSample() != IDOK) {
  }
}

TEST_F(Driver, LoopsOverUnexpectedBoxesOrDialogsEndTheTestAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RetryForever(), testing::ExitedWithCode(1), "20 unexpected boxes or dialogs");
  EXPECT_EXIT(ReopenForever(), testing::ExitedWithCode(1), "the last a dialog \"Pr\xF8ve\"");
}

}  // namespace
