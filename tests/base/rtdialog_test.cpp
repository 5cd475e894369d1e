// Run-time dialogs: the grid, sizing and placement; input boxes driven as a
// person would; item accessors, list and combo wrappers, strings and help.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "base/rtdialog.h"
#include "kvxtest_help.h"
#include "kvxtest_ui.h"
#include "testing/dialog_driver.h"
#include "testing/ui_driver.h"

using kvxtest::Dlg;
using kvxtest::ExpectDialog;

namespace {

// ------------------------------------------------------------ layout

int g_initCalls = 0;
LPARAM g_initParam = 0;
HFONT g_fontOfEdit = nullptr;

// One edit at (0, 0), 10 columns wide; Escape ends.
INT_PTR CALLBACK OneEditProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      ++g_initCalls;
      g_initParam = lParam;
      hDlgAddEdit(h, 100, 0, 0, 10, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) EndDialog(h, 5);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK SelfDestroyingProc(HWND h, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) DestroyWindow(h);
  return FALSE;
}

RECT Rect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r;
}

// The next dialog's window rectangle goes to check, then Escape ends it.
void ExpectRect(std::function<void(const RECT&)> check) {
  ExpectDialog("Dialog", [check](Dlg& d) {
    check(Rect(d.Hwnd()));
    d.Escape();
  });
}

class RtLayout : public testing::Test {
 protected:
  void SetUp() override {
    g_initCalls = 0;
    SetCursorPos(640, 512);
  }
};

TEST_F(RtLayout, ADialogIsSizedToItsOnlyEditPlusTheMargins) {
  ExpectDialog("Dialog", [](Dlg& d) {
    RECT r = Rect(d.Hwnd());
    // The edit: 75 x 23 pixels at (5, 5) of the client area; frame 3 and
    // caption 22 make a non-client height of 28.
    EXPECT_EQ(r.right - r.left, 8 + 75 + 8);
    EXPECT_EQ(r.bottom - r.top, (5 + 23) - 3 + 8 + 28);
    // Centred on the mouse.
    EXPECT_EQ(r.left, 640 - 91 / 2);
    EXPECT_EQ(r.top, 512 - 61 / 2);
    g_fontOfEdit = (HFONT)SendMessageA(d.Item(100), WM_GETFONT, 0, 0);
    EXPECT_EQ(g_fontOfEdit, (HFONT)SendMessageA(d.Hwnd(), WM_GETFONT, 0, 0));
    EXPECT_NE(g_fontOfEdit, nullptr);
    d.Escape();
  });
  EXPECT_EQ(iDlgRunModal(nullptr, OneEditProc, 77), 5);
  EXPECT_EQ(g_initCalls, 1);
  EXPECT_EQ(g_initParam, 77);  // the user's parameter, not the record
}

TEST_F(RtLayout, TheMousePlacementServesOneDialogOnly) {
  ExpectRect([](const RECT&) {});
  iDlgRunModal(nullptr, OneEditProc, 0);
  // The centred run: placed by the system (screen centre of the 99 x 99
  // template) and kept there, though the mouse has moved.
  SetCursorPos(100, 100);
  ExpectRect([](const RECT& r) {
    EXPECT_EQ(r.left, 640 - (149 + 6) / 2);
    EXPECT_EQ(r.top, 512 - (161 + 28) / 2);
  });
  iDlgRunModalCentred(nullptr, OneEditProc, 0);
}

TEST_F(RtLayout, PlacedOverTheParentAtAPointOrAboveABottom) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "RtLayoutHost";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, "RtLayoutHost", "Host", WS_OVERLAPPED | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  vDlgPlaceOverParent();
  ExpectRect([](const RECT& r) {
    EXPECT_EQ(r.left, 100 + (400 - 91) / 2);
    EXPECT_EQ(r.top, 100 + (300 - 61) / 2);
  });
  iDlgRunModal(host, OneEditProc, 0);
  vDlgPlaceAt(30, 40);
  ExpectRect([](const RECT& r) { EXPECT_TRUE(r.left == 30 && r.top == 40) << r.left << "," << r.top; });
  iDlgRunModal(host, OneEditProc, 0);
  vDlgPlaceAbove(30, 400);
  ExpectRect([](const RECT& r) { EXPECT_EQ(r.bottom, 400); });
  iDlgRunModalStyle(host, OneEditProc, 0, 0x90C80080);
  DestroyWindow(host);
  UnregisterClassA("RtLayoutHost", nullptr);
}

TEST_F(RtLayout, PulledInsideTheVirtualScreenKeepingTheCaptionReachable) {
  kvxUiSetVirtualScreen(-200, 0, 1000, 700);
  vDlgPlaceAt(950, 690);
  ExpectRect([](const RECT& r) { EXPECT_TRUE(r.right == 800 && r.bottom == 700) << r.right << "," << r.bottom; });
  iDlgRunModal(nullptr, OneEditProc, 0);
  // Larger than the screen: the top left corner wins.
  kvxUiSetVirtualScreen(0, 0, 80, 50);
  ExpectRect([](const RECT& r) {
    EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 91) << r.left << "," << r.top << "," << r.right;
  });
  iDlgRunModal(nullptr, OneEditProc, 0);
}

// A modeless dialog stays at its point until destroyed: 20 units at 6 / 4
// pixels and 16 units at 13 / 8.
void ExpectModelessAt30And26(HWND h) {
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(IsWindowVisible(h));
  RECT r = Rect(h);
  EXPECT_TRUE(r.left == 30 && r.top == 26 && r.right - r.left == 91) << r.left << "," << r.top << "," << r.right;
  EXPECT_TRUE(DestroyWindow(h));
}

TEST_F(RtLayout, ModelessDialogsStayAtTheirPointUntilDestroyed) {
  ExpectModelessAt30And26(hDlgCreateModeless(nullptr, OneEditProc, 0, 20, 16, 0x90C80080));
}

TEST_F(RtLayout, ARunThatCannotCreateItsDialogReturnsMinusOne) {
  // The record made for the run leaves the chain and is freed, and the
  // user's procedure never runs.
  EXPECT_EQ(iDlgOpenCount(), 0);
  kvxUiFailNextDialog(ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(iDlgRunModal(nullptr, OneEditProc, 0), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(g_initCalls, 0);
  EXPECT_EQ(iDlgOpenCount(), 0);
  kvxUiFailNextDialog(ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(hDlgCreateModeless(nullptr, OneEditProc, 0, 0, 0, 0x90C80080), nullptr);
  EXPECT_EQ(iDlgOpenCount(), 0);
  // The failed run's mouse placement is not left for the next dialog.
  ExpectModelessAt30And26(hDlgCreateModeless(nullptr, OneEditProc, 0, 20, 16, 0x90C80080));
  // Nor is that of a run whose dialog destroyed itself while it opened.
  EXPECT_EQ(iDlgRunModal(nullptr, SelfDestroyingProc, 0), -1);
  EXPECT_EQ(iDlgOpenCount(), 0);
  HWND h = hDlgCreateModeless(nullptr, OneEditProc, 0, 20, 16, 0x90C80080);
  EXPECT_EQ(iDlgOpenCount(), 1);
  ExpectModelessAt30And26(h);
  EXPECT_EQ(iDlgOpenCount(), 0);
}

// The grid: cells in dialog units, split rows and factors.
TEST(RtGrid, CellsFollowTheColumnAndRowRules) {
  dDlgSetRowFactor(0, 0);
  dDlgSetHeightFactor(0);
  RECT c = rcDlgCell(2, 3, 4, 0);
  EXPECT_TRUE(c.left == 13 && c.top == 24 && c.right == 32 && c.bottom == 37);  // one row: top + 2t + 1
  EXPECT_EQ(rcDlgCell(0, 1, 1, 3).bottom, 10 + 7 * 3 - 2);

  EXPECT_DOUBLE_EQ(dDlgSetRowFactor(2.0, 2), 1.0);
  EXPECT_DOUBLE_EQ(dDlgGetRowStep(), 12.0);
  EXPECT_EQ(rcDlgCell(0, 2, 1, 0).top, 17);           // up to the split row: step 7
  EXPECT_EQ(rcDlgCell(0, 4, 1, 0).top, 17 + 2 * 13);  // beyond: step s + 1
  EXPECT_DOUBLE_EQ(dDlgSetRowFactor(0.05, 3), 2.0);   // resets
  EXPECT_EQ(rcDlgCell(0, 4, 1, 0).top, 31);
  EXPECT_DOUBLE_EQ(dDlgSetHeightFactor(1.5), 1.0);
  EXPECT_DOUBLE_EQ(dDlgGetHeightFactor(), 1.5);
  EXPECT_EQ(rcDlgCell(0, 0, 1, 0).bottom, 3 + 2 * 9 + 1);
  dDlgSetHeightFactor(0);
}

INT_PTR CALLBACK GridProc(HWND h, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    // Factors set before the run are lost: the template resets them.
    EXPECT_DOUBLE_EQ(dDlgGetHeightFactor(), 1.0);
    HWND text = hDlgAddText(h, 1, "Label", 0, 0, 0, 0);
    HWND none = hDlgAddButton(h, 2, nullptr, 10, 0, 0, 0);
    hDlgAddGroup(h, 3, "Group", 0, 2, 20, 3, 0);
    hDlgAddListView(h, 4, 0, 6, 20, 4, 0);
    hDlgAddCombo(h, 5, 22, 6, 10, 30, CBS_DROPDOWNLIST);  // drops far below the list view
    RECT r;
    GetWindowRect(text, &r);
    POINT p = {r.left, r.top};
    ScreenToClient(h, &p);
    EXPECT_EQ(p.y, MulDiv(6, 13, 8));                                     // 3 units lower
    EXPECT_EQ(r.right - r.left, MulDiv(3 + 25, 6, 4) - MulDiv(3, 6, 4));  // width of "Label"
    EXPECT_EQ(r.bottom - r.top, MulDiv(6 + 15, 13, 8) - MulDiv(6, 13, 8));
    GetWindowRect(none, &r);
    EXPECT_EQ(r.right - r.left, 0);  // no text, no width
    EXPECT_EQ(GetWindowLongA(GetDlgItem(h, 4), GWL_STYLE), (LONG)0x50000839);
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(h, 0);
  return FALSE;
}

TEST(RtGrid, ControlsAreVisibleChildrenSizedFromTheirCells) {
  dDlgSetHeightFactor(2.0);
  ExpectDialog("Dialog", [](Dlg& d) {
    // The list view is the lowest control: the combo beside it counts its
    // closed field, not the list it drops. The static text counts 5 higher.
    EXPECT_EQ(Rect(d.Hwnd()).bottom, Rect(d.Item(4)).bottom + 8);
    EXPECT_TRUE(d.IsVisible(3));
    d.Escape();
  });
  iDlgRunModal(nullptr, GridProc, 0);
}

// ------------------------------------------------------------ input boxes

// Checks the box shows the shown text (when given), then types the answer
// and presses OK.
void Answer(const std::string& caption, const std::string& text, const char* shown = nullptr) {
  ExpectDialog(caption, [text, shown](Dlg& d) {
    if (shown) {
      EXPECT_EQ(d.Text(100), shown);
    }
    d.Type(100, text);
    d.Click(IDOK);
  });
}

int EditColumns(Dlg& d) {
  RECT e = Rect(d.Item(100));
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
  for (int cols : {40, 60}) {
    std::string caption(cols == 40 ? 40 : 70, 'c');  // 70 characters are cut to 60 columns
    ExpectDialog(caption, [cols](Dlg& d) {
      EXPECT_EQ(EditColumns(d), cols);
      d.Click(IDCANCEL);
    });
    boDlgInputText(caption.c_str(), "", 10, nullptr, 0);
  }
  ExpectDialog("Short", [](Dlg& d) {
    EXPECT_EQ(EditColumns(d), 30);
    // Without a prompt: edit in row 0, buttons in row 3 at columns e-26, e-13.
    RECT ok = Rect(d.Item(IDOK)), cancel = Rect(d.Item(IDCANCEL)), edit = Rect(d.Item(100));
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
    EXPECT_LT(Rect(d.Item(999)).bottom, Rect(d.Item(100)).bottom);
    d.Click(IDCANCEL);
  });
  EXPECT_EQ(sDlgInputTempPrompt("Type the name of the new job", "Q", "", 8), nullptr);
}

TEST(AskInt, RejectedAnswersAreAskedAgainWithTheOldValue) {
  int value = 7;
  Answer("Count", "-5", "7");
  Answer("Count", "abc", "7");
  Answer("Count", "   42");
  EXPECT_TRUE(boDlgAskInt("Count", &value, 8));
  EXPECT_EQ(value, 42);

  ExpectDialog("Count", [](Dlg& d) { d.Click(IDCANCEL); });
  EXPECT_FALSE(boDlgAskInt("Count", &value, 8));
  EXPECT_EQ(value, 42);
  // An answer beyond the integer range is asked again too.
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
  Answer("Height", "1e30", "2.50");  // prints with 33 characters
  Answer("Height", "x1", "2.50");    // the initial value again
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

// ------------------------------------------------------------ items, strings, help

// A modeless dialog with an edit 10, a check box 11, a combo 12 and list
// boxes 13 (single) and 14 (multiple selection).
INT_PTR CALLBACK ItemsProc(HWND h, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) {
    hDlgAddEdit(h, 10, 0, 0, 10, 0);
    hDlgAddCheckBox(h, 11, "Check", 0, 2, 0, 0);
    hDlgAddCombo(h, 12, 0, 4, 20, 6, CBS_DROPDOWNLIST);
    hDlgAddList(h, 13, 0, 6, 20, 4, 0);
    hDlgAddList(h, 14, 22, 6, 20, 4, LBS_MULTIPLESEL);
    return TRUE;
  }
  return FALSE;
}

struct Items : testing::Test {
  HWND h = hDlgCreateModeless(nullptr, ItemsProc, 0, 0, 0, 0x90C80080);
  ~Items() override { DestroyWindow(h); }
};

TEST(StrToNumber, TheLenientNumberTestOfTheItemReaders) {
  const struct {
    const char* t;
    bool ok;
    double v;
  } cases[] = {{" 1,5", true, 1.5},
               {"-.5", true, -0.5},
               {"--5", true, 0.0},  // passes the digit test, reads as 0
               {"abc", false, 0.0},
               {"1234567890123456789999", true, 1234567890123456789.0}};  // cut to 19 characters
  for (const auto& c : cases) {
    double v = -1;
    EXPECT_EQ(boStrToNumber(c.t, &v), c.ok) << c.t;
    EXPECT_DOUBLE_EQ(v, c.v) << c.t;
  }
  double v = -1;
  EXPECT_FALSE(boStrToNumber(nullptr, &v));
}

TEST_F(Items, ReadAndWriteNumbersTextsAndStates) {
  ASSERT_NE(h, nullptr);
  vDlgSetItemDouble(h, 10, 3, 2.5);
  EXPECT_STREQ(sDlgGetItemTextTemp(h, 10), "2.5");
  EXPECT_DOUBLE_EQ(dDlgGetItemDouble(h, 10), 2.5);
  vDlgSetItemDouble(h, 10, 2, 1e300);  // long, and whole
  EXPECT_EQ(strlen(sDlgGetItemTextTemp(h, 10)), 301u);
  SetDlgItemTextA(h, 10, "x");
  double d = 9;
  EXPECT_FALSE(boDlgGetItemDouble(h, 10, &d));
  EXPECT_DOUBLE_EQ(dDlgGetItemDouble(h, 10), 0.0);
  SetDlgItemTextA(h, 10, "-17");
  int i = 0;
  EXPECT_TRUE(boDlgGetItemInt(h, 10, &i));
  EXPECT_EQ(i, -17);
  SetDlgItemTextA(h, 10, "17a");
  EXPECT_FALSE(boDlgGetItemInt(h, 10, &i));
  EXPECT_EQ(iDlgGetItemIntOr0(h, 10), 0);
  SetDlgItemTextA(h, 10, std::string(500, 'q').c_str());
  EXPECT_EQ(strlen(sDlgGetItemTextTemp(h, 10)), 399u);

  EXPECT_FALSE(boDlgIsChecked(h, 11));
  CheckDlgButton(h, 11, BST_CHECKED);
  EXPECT_TRUE(boDlgIsChecked(h, 11));
}

TEST_F(Items, ComboWrappersSelectByPrefixIgnoringCase) {
  EXPECT_EQ(iDlgComboCount(h, 12), 0);
  EXPECT_EQ(iDlgComboCount(h, 999), 0);
  EXPECT_EQ(iDlgComboCurSel(h, 12), -1);
  for (const char* s : {"95 Leica GSI", "98 KOF", "25 LANDXML"}) vDlgComboAdd(h, 12, s);
  EXPECT_TRUE(boDlgComboSelect(h, 12, "98 kof"));
  EXPECT_EQ(iDlgComboCurSel(h, 12), 1);
  EXPECT_TRUE(boDlgComboSelect(h, 12, "25"));
  EXPECT_EQ(iDlgComboCurSel(h, 12), 2);
  EXPECT_FALSE(boDlgComboSelect(h, 12, "KOF"));  // a prefix, not a part
  EXPECT_EQ(iDlgComboCurSel(h, 12), 2);          // unchanged
  EXPECT_TRUE(boDlgComboSelectOrAdd(h, 12, "62 Sokkisha"));
  EXPECT_EQ(iDlgComboCount(h, 12), 4);
  EXPECT_EQ(iDlgComboCurSel(h, 12), 3);
  EXPECT_TRUE(boDlgComboSetCurSel(h, 12, 0));
  EXPECT_FALSE(boDlgComboSetCurSel(h, 12, 9));

  // Long entries are copied bounded by the caller's buffer.
  std::string longItem(600, 'L');
  vDlgComboAdd(h, 12, longItem.c_str());
  char small[8] = "?";
  vDlgComboGetText(h, 12, 4, small, sizeof small);
  EXPECT_STREQ(small, "LLLLLLL");
  vDlgComboGetText(h, 12, 40, small, sizeof small);
  EXPECT_STREQ(small, "");
  vDlgComboDelete(h, 12, 4);

  // The drop-down list widens to 1.14 times the widest text (6 pixels a
  // character in the variable-pitch font), never narrower.
  auto fitted = [this] {
    vDlgComboFitDropWidth(h, 12);
    return SendDlgItemMessageA(h, 12, CB_GETDROPPEDWIDTH, 0, 0);
  };
  vDlgComboAdd(h, 12, std::string(100, 'w').c_str());
  EXPECT_EQ(fitted(), (LRESULT)(600 * 1.14));
  SendDlgItemMessageA(h, 12, CB_SETDROPPEDWIDTH, 900, 0);
  EXPECT_EQ(fitted(), 900);
  vDlgComboAdd(h, 12, longItem.c_str());  // measured whole, whatever its length
  EXPECT_EQ(fitted(), (LRESULT)(3600 * 1.14));
  vDlgComboReset(h, 12);
  EXPECT_EQ(iDlgComboCount(h, 12), 0);
}

TEST_F(Items, ListWrappers) {
  for (const char* s : {"Alpha", "beta", "Gamma"}) vDlgListAdd(h, 13, s);
  EXPECT_EQ(iDlgListCount(h, 13), 3);
  EXPECT_EQ(iDlgListCurSel(h, 13), -1);
  EXPECT_TRUE(boDlgListSelect(h, 13, "BE"));
  EXPECT_EQ(iDlgListCurSel(h, 13), 1);
  EXPECT_EQ(iDlgListSelCount(h, 13), -1);  // single selection
  EXPECT_EQ(iDlgListIsSel(h, 13, 1), 1);
  EXPECT_EQ(iDlgListIsSel(h, 13, 0), 0);
  EXPECT_EQ(iDlgListIsSel(h, 13, 7), -1);
  EXPECT_TRUE(boDlgListReplace(h, 13, 0, "Delta"));
  char text[4];
  vDlgListGetText(h, 13, 0, text, sizeof text);
  EXPECT_STREQ(text, "Del");
  EXPECT_FALSE(boDlgListReplace(h, 13, 5, "x"));
  EXPECT_TRUE(boDlgListSelectOrAdd(h, 13, "Omega"));
  EXPECT_EQ(iDlgListCurSel(h, 13), 3);
  vDlgListSetCurSel(h, 13, 0);
  EXPECT_EQ(iDlgListCurSel(h, 13), 0);
  vDlgListDelete(h, 13, 0);
  EXPECT_EQ(iDlgListCount(h, 13), 3);
  vDlgListReset(h, 13);
  EXPECT_EQ(iDlgListCount(h, 13), 0);

  vDlgListAdd(h, 14, "one");
  vDlgListAdd(h, 14, "two");
  EXPECT_EQ(iDlgListSelCount(h, 14), 0);
  SendDlgItemMessageA(h, 14, LB_SETSEL, TRUE, 1);
  EXPECT_EQ(iDlgListSelCount(h, 14), 1);
  EXPECT_EQ(iDlgListIsSel(h, 14, 1), 1);
}

char g_anchor;

TEST(DlgStrings, LoadsResourcesAndMarksMissingOnes) {
  vDlgSetInstance((HINSTANCE)&g_anchor);
  kvxRegisterString(hDlgGetInstance(), 6001, "Bl\xE5 m\xE5lebok");
  EXPECT_STREQ(sDlgLoadString(6001), "Bl\xE5 m\xE5lebok");
  EXPECT_STREQ(sDlgLoadString(6002), "?:6002");
  EXPECT_STREQ(sDlgLoadStringOem(6001), "Bl\x86 m\x86lebok");  // OEM 865: å is 0x86
  kvxRegisterString(hDlgGetInstance(), 6003, std::string(300, 's').c_str());
  EXPECT_EQ(strlen(sDlgLoadString(6003)), 255u);
}

class DlgHelp : public testing::Test {
 protected:
  void SetUp() override {
    KvxTestHelpReset();
    KvxTestHelpSetAnswer(KVXTEST_HELP_WINDOW);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    exe = dir = path;
    dir.resize(dir.find_last_of('\\') + 1);
  }
  void TearDown() override {
    sDlgHelpFile("");
    KvxTestHelpReset();
  }
  KvxTestHelpCall Last() {
    KvxTestHelpCall c = {};
    KvxTestHelpGetCall(KvxTestHelpCallCount() - 1, &c);
    return c;
  }
  std::string exe, dir;
};

TEST_F(DlgHelp, TopicGetsHtmUnlessItHasItAndTheFileIsFoundByTheRules) {
  EXPECT_TRUE(boDlgHelp("C:\\help\\own.hlp", "DlgMBO_SETTINGS"));
  KvxTestHelpCall c = Last();
  EXPECT_STREQ(c.file, "C:\\help\\own.chm");
  EXPECT_STREQ(c.topic, "DlgMBO_SETTINGS.htm");
  EXPECT_EQ(c.command, (UINT)HH_DISPLAY_TOPIC);
  EXPECT_EQ(c.caller, nullptr);

  EXPECT_TRUE(boDlgHelp("bare", "Intro.HTM"));
  c = Last();
  EXPECT_EQ(std::string(c.file), dir + "bare.chm");
  EXPECT_STREQ(c.topic, "Intro.HTM");

  EXPECT_STREQ(sDlgHelpFile("Survey"), "Survey");
  EXPECT_STREQ(sDlgHelpFile(nullptr), "Survey");
  EXPECT_TRUE(boDlgHelp(nullptr, "x"));
  EXPECT_EQ(std::string(Last().file), dir + "Survey.chm");

  sDlgHelpFile("");
  EXPECT_TRUE(boDlgHelp(nullptr, "x"));
  EXPECT_EQ(std::string(Last().file), exe + ".chm");  // test programs have no extension
}

TEST_F(DlgHelp, AMissingHelpFileShowsNotFound) {
  KvxTestHelpSetAnswer(KVXTEST_HELP_NOTHING);
  vUiExpectBox(IDOK, "Not found!\nFile: C:\\none.chm\nTopic: Page.htm");
  EXPECT_FALSE(boDlgHelp("C:\\none.chm", "Page"));
  ASSERT_EQ(UiBoxLog().size(), 1u);
  EXPECT_EQ(UiBoxLog()[0].sCaption, "Not found");
  EXPECT_EQ(UiBoxLog()[0].uStyle & 0xFFFF, 0x2030u);
}

}  // namespace
