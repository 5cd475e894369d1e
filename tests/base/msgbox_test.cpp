#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <string>
#include <thread>

#include "base/msgbox.h"
#include "testing/ui_driver.h"

namespace {

HWND hFake(uintptr_t v) { return (HWND)v; }

UiBoxRecord LastBox() {
  auto log = UiBoxLog();
  EXPECT_FALSE(log.empty());
  return log.empty() ? UiBoxRecord{} : log.back();
}

TEST(MsgBox, WarningAndInfoStyles) {
  vUiExpectBox(IDOK, "careful");
  vMsgWarning("be careful");
  EXPECT_EQ(LastBox().uStyle, 0x12030u);
  EXPECT_EQ(LastBox().sCaption, "");
  EXPECT_EQ(LastBox().hOwner, GetActiveWindow());

  vUiExpectBox(IDOK);
  vMsgWarningWnd("w", hFake(0x100));
  EXPECT_EQ(LastBox().uStyle, 0x12030u);
  EXPECT_EQ(LastBox().hOwner, hFake(0x100));

  vUiExpectBox(IDOK);
  vMsgInfo("note");
  EXPECT_EQ(LastBox().uStyle, 0x12040u);
  EXPECT_EQ(LastBox().sText, "note");

  vUiExpectBox(IDOK);
  vMsgInfoWnd("i", hFake(0x200));
  EXPECT_EQ(LastBox().uStyle, 0x12040u);
  EXPECT_EQ(LastBox().hOwner, hFake(0x200));

  vUiExpectBox(IDOK);
  vMsgShowWnd("x", true, hFake(0x300));
  EXPECT_EQ(LastBox().uStyle, 0x12030u);
  vUiExpectBox(IDOK);
  vMsgShowWnd("x", false, hFake(0x300));
  EXPECT_EQ(LastBox().uStyle, 0x12040u);
  EXPECT_EQ(LastBox().hOwner, hFake(0x300));
  EXPECT_EQ(UiBoxLog().size(), 6u);
}

TEST(MsgBox, OkCancel) {
  vUiExpectBox(IDOK);
  EXPECT_TRUE(boMsgOkCancel("go?", true));
  EXPECT_EQ(LastBox().uStyle, 0x12021u);
  vUiExpectBox(IDCANCEL);
  EXPECT_FALSE(boMsgOkCancel("go?", false));
  EXPECT_EQ(LastBox().uStyle, 0x12121u);
  vUiExpectBox(IDOK);
  EXPECT_TRUE(boMsgOkCancelWnd("go?", false, hFake(0x10)));
  EXPECT_EQ(LastBox().hOwner, hFake(0x10));
}

TEST(MsgBox, YesNo) {
  vUiExpectBox(IDYES);
  EXPECT_TRUE(boMsgYesNo("sure?", true));
  EXPECT_EQ(LastBox().uStyle, 0x12024u);
  vUiExpectBox(IDNO);
  EXPECT_FALSE(boMsgYesNo("sure?", false));
  EXPECT_EQ(LastBox().uStyle, 0x12124u);
  vUiExpectBox(IDNO);
  EXPECT_FALSE(boMsgYesNoWnd("sure?", true, hFake(0x20)));
  EXPECT_EQ(LastBox().hOwner, hFake(0x20));
}

TEST(MsgBox, YesNoCancel) {
  vUiExpectBox(IDYES);
  EXPECT_EQ(iMsgYesNoCancel("save?", 1), 1);
  EXPECT_EQ(LastBox().uStyle, 0x12023u);
  vUiExpectBox(IDNO);
  EXPECT_EQ(iMsgYesNoCancel("save?", 0), 0);
  EXPECT_EQ(LastBox().uStyle, 0x12123u);
  vUiExpectBox(IDCANCEL);
  EXPECT_EQ(iMsgYesNoCancel("save?", -1), -1);
  EXPECT_EQ(LastBox().uStyle, 0x12223u);
  vUiExpectBox(IDCANCEL);
  EXPECT_EQ(iMsgYesNoCancelWnd("save?", 1, hFake(0x30)), -1);
  EXPECT_EQ(LastBox().hOwner, hFake(0x30));
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

}  // namespace

namespace {

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
