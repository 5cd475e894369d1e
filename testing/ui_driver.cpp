#include "testing/ui_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

#include "kvxtest_msgbox.h"

namespace {

struct Expected {
  int iAnswer;
  bool boHasFragment;
  std::string sFragment;
};

// Boxes may come from any thread the test starts.
std::mutex gLock;
std::deque<Expected> gQueue;
std::vector<UiBoxRecord> gLog;
int gUnexpected = 0;  // in the running test

int iAnswerBox(void*, HWND owner, const char* text, const char* caption, UINT style) {
  UiBoxRecord rec{owner, text ? text : "", caption ? caption : "", style, 0, false};
  Expected exp{};
  {
    std::lock_guard<std::mutex> lock(gLock);
    if (!gQueue.empty()) {
      exp = gQueue.front();
      gQueue.pop_front();
      rec.boExpected = true;
    }
  }
  char styleText[16];
  snprintf(styleText, sizeof styleText, "0x%X", style);
  if (!rec.boExpected) {
    rec.iAnswer = kvxTestMsgBoxDefault(style);
    ADD_FAILURE() << "Unexpected message box (style " << styleText << ", caption \"" << rec.sCaption
                  << "\"): " << rec.sText;
    vUiNoteUnexpected("message box \"" + rec.sCaption + "\"");
  } else {
    rec.iAnswer = exp.iAnswer;
    if (exp.boHasFragment && rec.sText.find(exp.sFragment) == std::string::npos)
      ADD_FAILURE() << "Message box text \"" << rec.sText << "\" lacks the expected \"" << exp.sFragment << "\"";
    if (!kvxTestMsgBoxHasButton(style, exp.iAnswer)) {
      ADD_FAILURE() << "Message box (style " << styleText << ") has no button " << exp.iAnswer << ": " << rec.sText;
      rec.iAnswer = kvxTestMsgBoxDefault(style);
    }
  }
  std::lock_guard<std::mutex> lock(gLock);
  gLog.push_back(rec);
  return rec.iAnswer;
}

class UiDriverListener : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    vUiReset();
    {
      std::lock_guard<std::mutex> lock(gLock);
      gUnexpected = 0;
    }
    kvxTestSetMsgBoxHook(iAnswerBox, nullptr);
  }
  // Runs before the result printer's OnTestEnd, so a failure here is
  // reported with the test.
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::deque<Expected> left;
    {
      std::lock_guard<std::mutex> lock(gLock);
      left.swap(gQueue);
    }
    for (const Expected& e : left)
      ADD_FAILURE() << "Expected message box never shown (answer " << e.iAnswer
                    << (e.boHasFragment ? ", text with \"" + e.sFragment + "\")" : ")");
    vUiReset();
  }
};

bool boRegister() {
  kvxTestSetMsgBoxHook(iAnswerBox, nullptr);
  ::testing::UnitTest::GetInstance()->listeners().Append(new UiDriverListener);
  return true;
}

const bool gRegistered = boRegister();

}  // namespace

void vUiExpectBox(int iAnswer, const char* fragment) {
  std::lock_guard<std::mutex> lock(gLock);
  gQueue.push_back(Expected{iAnswer, fragment != nullptr, fragment ? fragment : ""});
}

std::vector<UiBoxRecord> UiBoxLog() {
  std::lock_guard<std::mutex> lock(gLock);
  return gLog;
}

int iUiPendingBoxes() {
  std::lock_guard<std::mutex> lock(gLock);
  return (int)gQueue.size();
}

void vUiNoteUnexpected(const std::string& what) {
  int n;
  {
    std::lock_guard<std::mutex> lock(gLock);
    n = ++gUnexpected;
  }
  if (n < kUiUnexpectedLimit) return;
  // The code under test keeps meeting what nobody answers: it would loop
  // until the time-out. Failures so far are printed; end here.
  fprintf(stderr, "UI driver: %d unexpected boxes or dialogs in one test (the last a %s): stopped\n", n, what.c_str());
  fflush(stdout);
  fflush(stderr);
  std::_Exit(1);
}

void vUiReset() {
  std::lock_guard<std::mutex> lock(gLock);
  gQueue.clear();
  gLog.clear();
}
