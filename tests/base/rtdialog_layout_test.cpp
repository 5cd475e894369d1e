// Run-time dialogs: the grid, sizing to the controls, placement and the
// pull inside the virtual screen.
#include <gtest/gtest.h>

#include "base/rtdialog.h"
#include "kvxtest_ui.h"
#include "testing/dialog_driver.h"

using kvxtest::Dlg;
using kvxtest::ExpectDialog;

namespace {

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
  ExpectDialog("Dialog", [](Dlg& d) { d.Escape(); });
  iDlgRunModal(nullptr, OneEditProc, 0);
  // The centred run: placed by the system (screen centre of the 99 x 99
  // template) and kept there, though the mouse has moved.
  SetCursorPos(100, 100);
  ExpectDialog("Dialog", [](Dlg& d) {
    RECT r = Rect(d.Hwnd());
    EXPECT_EQ(r.left, 640 - (149 + 6) / 2);
    EXPECT_EQ(r.top, 512 - (161 + 28) / 2);
    d.Escape();
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
  ExpectDialog("Dialog", [](Dlg& d) {
    RECT r = Rect(d.Hwnd());
    EXPECT_EQ(r.left, 100 + (400 - 91) / 2);
    EXPECT_EQ(r.top, 100 + (300 - 61) / 2);
    d.Escape();
  });
  iDlgRunModal(host, OneEditProc, 0);

  vDlgPlaceAt(30, 40);
  ExpectDialog("Dialog", [](Dlg& d) {
    EXPECT_EQ(Rect(d.Hwnd()).left, 30);
    EXPECT_EQ(Rect(d.Hwnd()).top, 40);
    d.Escape();
  });
  iDlgRunModal(host, OneEditProc, 0);

  vDlgPlaceAbove(30, 400);
  ExpectDialog("Dialog", [](Dlg& d) {
    EXPECT_EQ(Rect(d.Hwnd()).bottom, 400);
    d.Escape();
  });
  iDlgRunModalStyle(host, OneEditProc, 0, 0x90C80080);
  DestroyWindow(host);
  UnregisterClassA("RtLayoutHost", nullptr);
}

TEST_F(RtLayout, PulledInsideTheVirtualScreenKeepingTheCaptionReachable) {
  kvxUiSetVirtualScreen(-200, 0, 1000, 700);
  vDlgPlaceAt(950, 690);
  ExpectDialog("Dialog", [](Dlg& d) {
    RECT r = Rect(d.Hwnd());
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 700);
    d.Escape();
  });
  iDlgRunModal(nullptr, OneEditProc, 0);

  // Larger than the screen: the top left corner wins.
  kvxUiSetVirtualScreen(0, 0, 80, 50);
  ExpectDialog("Dialog", [](Dlg& d) {
    RECT r = Rect(d.Hwnd());
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 91);
    d.Escape();
  });
  iDlgRunModal(nullptr, OneEditProc, 0);
}

TEST_F(RtLayout, ModelessDialogsStayAtTheirPointUntilDestroyed) {
  HWND h = hDlgCreateModeless(nullptr, OneEditProc, 0, 20, 16, 0x90C80080);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(IsWindowVisible(h));
  RECT r = Rect(h);
  EXPECT_EQ(r.left, 30);  // 20 units at 6 / 4
  EXPECT_EQ(r.top, 26);   // 16 units at 13 / 8
  EXPECT_EQ(r.right - r.left, 91);
  EXPECT_TRUE(DestroyWindow(h));
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
  HWND h = hDlgCreateModeless(nullptr, OneEditProc, 0, 20, 16, 0x90C80080);
  EXPECT_EQ(Rect(h).left, 30);
  DestroyWindow(h);
  // Nor is that of a run whose dialog destroyed itself while it opened.
  EXPECT_EQ(iDlgRunModal(nullptr, SelfDestroyingProc, 0), -1);
  EXPECT_EQ(iDlgOpenCount(), 0);
  h = hDlgCreateModeless(nullptr, OneEditProc, 0, 20, 16, 0x90C80080);
  EXPECT_EQ(Rect(h).left, 30);
  EXPECT_EQ(iDlgOpenCount(), 1);
  DestroyWindow(h);
  EXPECT_EQ(iDlgOpenCount(), 0);
}

// The grid: cells in dialog units, split rows and factors.
TEST(RtGrid, CellsFollowTheColumnAndRowRules) {
  dDlgSetRowFactor(0, 0);
  dDlgSetHeightFactor(0);
  RECT c = rcDlgCell(2, 3, 4, 0);
  EXPECT_EQ(c.left, 13);
  EXPECT_EQ(c.right, 32);
  EXPECT_EQ(c.top, 24);
  EXPECT_EQ(c.bottom, 37);  // one row: top + 2t + 1
  c = rcDlgCell(0, 1, 1, 3);
  EXPECT_EQ(c.bottom, 10 + 7 * 3 - 2);

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
    RECT r;
    GetWindowRect(text, &r);
    POINT p = {r.left, r.top};
    ScreenToClient(h, &p);
    EXPECT_EQ(p.y, MulDiv(6, 13, 8));                          // 3 units lower
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
    // The list view is the lowest control; the static text counts 5 higher.
    EXPECT_EQ(Rect(d.Hwnd()).bottom, Rect(d.Item(4)).bottom + 8);
    EXPECT_TRUE(d.IsVisible(3));
    d.Escape();
  });
  iDlgRunModal(nullptr, GridProc, 0);
}

}  // namespace
