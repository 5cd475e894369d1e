#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "base/msgbox.h"
#include "testing/ui_driver.h"

namespace {

HWND hFake(uintptr_t v) { return (HWND)v; }

// A call of a function without a result, as one that answers 0.
std::function<int()> Void(void (*call)()) {
  return [call] {
    call();
    return 0;
  };
}

UiBoxRecord LastBox() {
  auto log = UiBoxLog();
  EXPECT_FALSE(log.empty());
  return log.empty() ? UiBoxRecord{} : log.back();
}

TEST(MsgBox, StylesAnswersAndOwners) {
  const HWND hActive = GetActiveWindow();
  struct Case {
    const char* sText;
    int iAnswer;
    std::function<int()> call;
    int iResult;
    UINT uStyle;
    HWND hOwner;
  } aCases[] = {
      {"be careful", IDOK, Void([] { vMsgWarning("be careful"); }), 0, 0x12030u, hActive},
      {"w", IDOK, Void([] { vMsgWarningWnd("w", hFake(0x100)); }), 0, 0x12030u, hFake(0x100)},
      {"note", IDOK, Void([] { vMsgInfo("note"); }), 0, 0x12040u, hActive},
      {"i", IDOK, Void([] { vMsgInfoWnd("i", hFake(0x200)); }), 0, 0x12040u, hFake(0x200)},
      {"x", IDOK, Void([] { vMsgShowWnd("x", true, hFake(0x300)); }), 0, 0x12030u, hFake(0x300)},
      {"x", IDOK, Void([] { vMsgShowWnd("x", false, hFake(0x300)); }), 0, 0x12040u, hFake(0x300)},
      {"go?", IDOK, [] { return (int)boMsgOkCancel("go?", true); }, 1, 0x12021u, hActive},
      {"go?", IDCANCEL, [] { return (int)boMsgOkCancel("go?", false); }, 0, 0x12121u, hActive},
      {"go?", IDOK, [] { return (int)boMsgOkCancelWnd("go?", false, hFake(0x10)); }, 1, 0x12121u, hFake(0x10)},
      {"sure?", IDYES, [] { return (int)boMsgYesNo("sure?", true); }, 1, 0x12024u, hActive},
      {"sure?", IDNO, [] { return (int)boMsgYesNo("sure?", false); }, 0, 0x12124u, hActive},
      {"sure?", IDNO, [] { return (int)boMsgYesNoWnd("sure?", true, hFake(0x20)); }, 0, 0x12024u, hFake(0x20)},
      {"save?", IDYES, [] { return iMsgYesNoCancel("save?", 1); }, 1, 0x12023u, hActive},
      {"save?", IDNO, [] { return iMsgYesNoCancel("save?", 0); }, 0, 0x12123u, hActive},
      {"save?", IDCANCEL, [] { return iMsgYesNoCancel("save?", -1); }, -1, 0x12223u, hActive},
      {"save?", IDCANCEL, [] { return iMsgYesNoCancelWnd("save?", 1, hFake(0x30)); }, -1, 0x12023u, hFake(0x30)},
  };
  for (const Case& c : aCases) {
    SCOPED_TRACE(std::to_string(&c - aCases));
    vUiExpectBox(c.iAnswer, c.sText);
    EXPECT_EQ(c.call(), c.iResult);
    EXPECT_EQ(LastBox().sText, c.sText);
    EXPECT_EQ(LastBox().uStyle, c.uStyle);
    EXPECT_EQ(LastBox().hOwner, c.hOwner);
    EXPECT_EQ(LastBox().sCaption, "");
  }
  EXPECT_EQ(UiBoxLog().size(), std::size(aCases));
}

TEST(MsgBox, GivenBoxKeepsCaptionAndGetsForeground) {
  vUiExpectBox(IDRETRY, "disk");
  EXPECT_EQ(iMsgBox(hFake(0x40), "disk full", "Title", MB_RETRYCANCEL | MB_ICONHAND), IDRETRY);
  UiBoxRecord box = LastBox();
  EXPECT_EQ(box.sCaption, "Title");
  EXPECT_EQ(box.uStyle, 0x10015u);
  EXPECT_EQ(box.hOwner, hFake(0x40));
}

// The driver itself: a box nobody expects fails the test and is answered with
// its default button; an answer left over fails it at the end.
TEST(UiDriver, UnexpectedAndLeftOverBoxesFail) {
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(iMsgYesNoCancel("nobody expects me", -1), -1), "Unexpected message box");
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(boMsgYesNo("nor me", false)), "nor me");
  vUiExpectBox(IDOK, "right text");
  EXPECT_NONFATAL_FAILURE(vMsgWarning("wrong words"), "lacks the expected");
  vUiExpectBox(IDYES);
  EXPECT_NONFATAL_FAILURE(vMsgWarning("no Yes button here"), "has no button");
  auto log = UiBoxLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_FALSE(log[0].boExpected);
  EXPECT_EQ(log[1].iAnswer, IDNO);
  EXPECT_TRUE(log[2].boExpected);
  EXPECT_EQ(log[3].iAnswer, IDOK);
  vUiExpectBox(IDOK);
  EXPECT_EQ(iUiPendingBoxes(), 1);
  vUiReset();  // not used, so take it back: the end-of-test check stays quiet
  EXPECT_EQ(iUiPendingBoxes(), 0);
  EXPECT_TRUE(UiBoxLog().empty());
}

TEST(UiDriver, AnswersComeInOrderFromAnyThread) {
  vUiExpectBox(IDNO);
  vUiExpectBox(IDYES);
  int first = 0, second = 0;
  std::thread th([&] {
    first = boMsgYesNo("one", true) ? 1 : 0;
    second = boMsgYesNo("two", true) ? 1 : 0;
  });
  th.join();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
}

// With the OEM switch on, texts are taken as code page 865: 0x91 0x9B 0x86
// are "æøå", which are 0xE6 0xF8 0xE5 in ANSI. Short texts go through a
// small buffer, long ones through the heap: both must come out whole.
TEST(MsgBox, OemTextIsConvertedAtEveryLength) {
  vMsgSetOemText(true);
  for (size_t len : {0u, 1u, 89u, 90u, 91u, 95u, 500u}) {
    std::string oem(len, 'a');
    if (len >= 3) oem.replace(len - 3, 3, "\x91\x9B\x86");
    std::string ansi(len, 'a');
    if (len >= 3) ansi.replace(len - 3, 3, "\xE6\xF8\xE5");
    vUiExpectBox(IDOK);
    vMsgInfo(oem.c_str());
    EXPECT_EQ(LastBox().sText, ansi) << len;
  }
  vMsgSetOemText(false);
  vUiExpectBox(IDOK);
  vMsgInfo("\x91");
  EXPECT_EQ(LastBox().sText, "\x91");  // off again: unchanged
}

}  // namespace
