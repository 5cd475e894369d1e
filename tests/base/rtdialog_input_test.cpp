// Input boxes driven as a person would: typing, OK, Cancel, and the answers
// that are asked again.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/rtdialog.h"
#include "testing/dialog_driver.h"

using kvxtest::Dlg;
using kvxtest::ExpectDialog;

namespace {

// Types the answer into the box and presses OK.
void Answer(const std::string& caption, const std::string& text) {
  ExpectDialog(caption, [text](Dlg& d) {
    d.Type(100, text);
    d.Click(IDOK);
  });
}

// Checks the box shows the shown text, then types the answer and presses OK.
void AnswerOver(const std::string& caption, const std::string& shown, const std::string& text) {
  ExpectDialog(caption, [shown, text](Dlg& d) {
    EXPECT_EQ(d.Text(100), shown);
    d.Type(100, text);
    d.Click(IDOK);
  });
}

int EditColumns(Dlg& d) {
  RECT e;
  GetWindowRect(d.Item(100), &e);
  // 5 units a column at 6 pixels per 4 units: 7.5 pixels a column.
  return (int)((e.right - e.left) / 7.5 + 0.5);
}

TEST(InputBox, ReturnsTheTypedTextOnOkAndNothingOnCancel) {
  ExpectDialog("Name", [](Dlg& d) {
    EXPECT_EQ(d.Text(100), "old");
    EXPECT_EQ(d.Text(IDOK), "OK");
    EXPECT_EQ(d.Text(IDCANCEL), "Cancel");
    EXPECT_EQ(GetFocus(), d.Item(100));
    d.Type(100, "new name");
    d.Click(IDOK);
  });
  char out[32] = "";
  EXPECT_TRUE(boDlgInputText("Name", "old", 20, out, sizeof out));
  EXPECT_STREQ(out, "new name");

  ExpectDialog("Name", [](Dlg& d) {
    d.Type(100, "ignored");
    d.Escape();
  });
  strcpy(out, "kept");
  EXPECT_FALSE(boDlgInputText("Name", "old", 20, out, sizeof out));
  EXPECT_STREQ(out, "kept");

  // Help (id 9) is answered and does nothing; the box stays open.
  ExpectDialog("Name", [](Dlg& d) {
    SendMessageA(d.Hwnd(), WM_COMMAND, MAKEWPARAM(9, BN_CLICKED), 0);
    EXPECT_FALSE(d.Ended());
    d.Click(IDCANCEL);
  });
  EXPECT_EQ(sDlgInputTemp("Name", "x", 10), nullptr);
}

TEST(InputBox, ReadsAtMostTheMaximumLengthLessOneAndCopiesBoundedByTheBuffer) {
  ExpectDialog("Code", [](Dlg& d) {
    d.Type(100, "ABCDEFGHIJ");
    EXPECT_EQ(d.Text(100), "ABCD");  // the edit takes maximum - 1 characters
    d.Click(IDOK);
  });
  char out[3];
  EXPECT_TRUE(boDlgInputBox(nullptr, nullptr, "Code", "", 5, out, sizeof out));
  EXPECT_STREQ(out, "AB");

  // A maximum of 0 or below is taken as 1: the text read back is empty.
  ExpectDialog("Code", [](Dlg& d) {
    SetDlgItemTextA(d.Hwnd(), 100, "typed");
    d.Click(IDOK);
  });
  char big[16] = "x";
  EXPECT_TRUE(boDlgInputBox(nullptr, nullptr, "Code", "def", -3, big, sizeof big));
  EXPECT_STREQ(big, "");

  ExpectDialog("Code", [](Dlg& d) { d.Click(IDOK); });
  const char* s = sDlgInputTemp("Code", std::string(300, 'z').c_str(), 999);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(strlen(s), 255u);  // the default is cut to 255
}

TEST(InputBox, EditWidthFollowsMaximumCaptionAndPromptWithin30To60Columns) {
  std::string caption40(40, 'c'), caption70(70, 'c');
  ExpectDialog(caption40, [](Dlg& d) {
    EXPECT_EQ(EditColumns(d), 40);
    d.Click(IDCANCEL);
  });
  boDlgInputText(caption40.c_str(), "", 10, nullptr, 0);
  ExpectDialog(caption70, [](Dlg& d) {
    EXPECT_EQ(EditColumns(d), 60);
    d.Click(IDCANCEL);
  });
  boDlgInputText(caption70.c_str(), "", 10, nullptr, 0);
  ExpectDialog("Short", [](Dlg& d) {
    EXPECT_EQ(EditColumns(d), 30);
    // Without a prompt: edit in row 0, buttons in row 3 at columns e-26, e-13.
    RECT ok, cancel, edit;
    GetWindowRect(d.Item(IDOK), &ok);
    GetWindowRect(d.Item(IDCANCEL), &cancel);
    GetWindowRect(d.Item(100), &edit);
    // Columns 4 and 17, 12 wide: Cancel ends one column before the edit.
    EXPECT_EQ(ok.left - edit.left, MulDiv(5 * 4 + 3, 6, 4) - MulDiv(3, 6, 4));
    EXPECT_EQ(cancel.left - edit.left, MulDiv(5 * 17 + 3, 6, 4) - MulDiv(3, 6, 4));
    EXPECT_EQ(edit.right - cancel.right, 8);
    EXPECT_EQ(d.Item(999), nullptr);
    d.Click(IDCANCEL);
  });
  boDlgInputText("Short", "", 5, nullptr, 0);
  ExpectDialog("Q", [](Dlg& d) {
    EXPECT_EQ(d.Text(999), "Type the name of the new job");
    EXPECT_EQ(EditColumns(d), 30);
    RECT prompt, edit;
    GetWindowRect(d.Item(999), &prompt);
    GetWindowRect(d.Item(100), &edit);
    EXPECT_LT(prompt.bottom, edit.bottom);
    d.Click(IDCANCEL);
  });
  EXPECT_EQ(sDlgInputTempPrompt("Type the name of the new job", "Q", "", 8), nullptr);
}

TEST(AskInt, RejectedAnswersAreAskedAgainWithTheOldValue) {
  int value = 7;
  AnswerOver("Count", "7", "-5");
  AnswerOver("Count", "7", "abc");
  Answer("Count", "   42");
  EXPECT_TRUE(boDlgAskInt("Count", &value, 8));
  EXPECT_EQ(value, 42);

  ExpectDialog("Count", [](Dlg& d) { d.Click(IDCANCEL); });
  EXPECT_FALSE(boDlgAskInt("Count", &value, 8));
  EXPECT_EQ(value, 42);
}

TEST(AskInt, AnAnswerBeyondTheIntegerRangeIsAskedAgain) {
  int value = 1;
  Answer("Big", "99999999999");
  Answer("Big", "2147483647");
  EXPECT_TRUE(boDlgAskIntWnd(nullptr, "Big", &value, 12));
  EXPECT_EQ(value, 2147483647);
}

TEST(AskInt, PromptVariantShowsThePrompt) {
  int value = 3;
  ExpectDialog("Job", [](Dlg& d) {
    EXPECT_EQ(d.Text(999), "Job number");
    d.Type(100, "12");
    d.Click(IDOK);
  });
  EXPECT_TRUE(boDlgAskIntPrompt("Job number", "Job", &value, 4));
  EXPECT_EQ(value, 12);
}

TEST(AskDouble, CommaIsAPointAndOverlongNumbersAreAskedAgain) {
  double value = 0;
  AnswerOver("Height", "2.50", "1e30");  // prints with 33 characters
  AnswerOver("Height", "2.50", "x1");    // the initial value again
  Answer("Height", " 1,5");
  EXPECT_TRUE(boDlgAskDouble("Height", &value, 2, 2.5));
  EXPECT_DOUBLE_EQ(value, 1.5);

  // Infinity and not-a-number print short, but are asked again too.
  Answer("Height", "-inf");
  Answer("Height", "-nan");
  Answer("Height", "-.25");
  EXPECT_TRUE(boDlgAskDoubleWnd(nullptr, "Height", &value, 2, 0));
  EXPECT_DOUBLE_EQ(value, -0.25);
}

TEST(AskDouble, AHugeInitialValueDoesNotOverrunTheDefaultText) {
  double value = 1e300;
  ExpectDialog("Huge", [](Dlg& d) {
    EXPECT_LE(d.Text(100).size(), 255u);
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(boDlgAskDoublePrompt(nullptr, "Huge", &value, 3));
  EXPECT_EQ(value, 1e300);  // Cancel: the value stays the initial one
}

}  // namespace
