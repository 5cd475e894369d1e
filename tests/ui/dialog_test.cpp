// Dialogs from templates: the order of messages, results, failures,
// geometry from dialog units, nested and modeless dialogs.
#include <gtest/gtest.h>

#include <array>

#include "kvxtest_ui.h"
#include "testing/dialog_driver.h"
#include "ui_fixture.h"

using kvxtest::Dlg;
using kvxtest::ExpectDialog;
using namespace uitest;

namespace {

using Dialogs = SampleTest;

std::array<LONG, 4> Corners(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST_F(Dialogs, ModalRunSendsFontThenInitAndReturnsTheEndResult) {
  HWND seenDuringRun = nullptr;
  ExpectDialog(kSampleDialog, [&](Dlg& d) {
    seenDuringRun = GetActiveWindow();
    EXPECT_EQ(d.Hwnd(), seenDuringRun);
    EXPECT_EQ(d.Caption(), "Pr\xF8ve");  // cp1252 survives the UTF-16 template
    EXPECT_EQ(d.Text(101), "start");
    d.Click(IDOK);
  });
  EXPECT_EQ(RunDialog(kSampleDialog, RecordingProc, 1234), 11);
  ASSERT_GE(g_seen.size(), 3u);
  EXPECT_EQ(g_seen[0].msg, (UINT)WM_SETFONT);
  EXPECT_EQ(g_seen[1].msg, (UINT)WM_INITDIALOG);
  EXPECT_EQ(g_seen[1].lParam, 1234);
  EXPECT_EQ(g_seen.back().msg, (UINT)WM_NCDESTROY);
  EXPECT_TRUE(SawMessage(WM_DESTROY));
  EXPECT_EQ(kvxUiWindowCount(), 0);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(Dialogs, UnknownOrInjectedFailuresReturnMinusOneWithTheLastError) {
  SetLastError(0);
  EXPECT_EQ(RunDialog(4242), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(CreateDialogParamA(nullptr, MAKEINTRESOURCEA(4242), nullptr, RecordingProc, 0), nullptr);

  kvxUiFailNextDialog(ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(RunDialog(kSampleDialog), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);

  // A control of an unknown class: no dialog, and its procedure never ran.
  EXPECT_EQ(RunDialog(kBadDialog), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_FALSE(SawMessage(WM_INITDIALOG));
  EXPECT_FALSE(SawMessage(WM_DESTROY));
  EXPECT_EQ(kvxUiWindowCount(), 0);
}

TEST_F(Dialogs, GeometryFollowsTheDialogUnitsOfTheFont) {
  ExpectDialog(kSampleDialog, [](Dlg& d) {
    RECT r = {4, 8, 200, 100};
    ASSERT_TRUE(MapDialogRect(d.Hwnd(), &r));
    EXPECT_EQ(Corners(r), (std::array<LONG, 4>{6, 13, 300, 163}));  // 6 x 13 base units: x * 6 / 4, y * 13 / 8
    RECT client, win;
    GetClientRect(d.Hwnd(), &client);
    GetWindowRect(d.Hwnd(), &win);
    EXPECT_EQ(Corners(client), (std::array<LONG, 4>{0, 0, 300, 163}));
    EXPECT_EQ(win.right - win.left, 300 + 2 * 3);       // fixed frame 3
    EXPECT_EQ(win.bottom - win.top, 163 + 22 + 2 * 3);  // caption 22
    EXPECT_EQ(win.left, 15);                            // x = 10 units, no owner: screen
    EXPECT_EQ(win.top, 33);
    // The edit at (48, 4) of the client area, in screen coordinates.
    RECT edit;
    GetWindowRect(d.Item(101), &edit);
    EXPECT_EQ(edit.left, win.left + 3 + 72);
    EXPECT_EQ(edit.top, win.top + 3 + 22 + 7);
    POINT p = {edit.left, edit.top};
    ScreenToClient(d.Hwnd(), &p);
    EXPECT_EQ(p.x, 72);
    d.Escape();
  });
  EXPECT_EQ(RunDialog(kSampleDialog), 22);
}

TEST_F(Dialogs, OwnerIsDisabledWhileANestedDialogRunsAndActiveAfterwards) {
  HWND outer = nullptr;
  ExpectDialog(kSampleDialog, [&](Dlg& d) {
    outer = d.Hwnd();
    INT_PTR r = RunDialog(kNestedDialog, RecordingProc, 0, d.Item(101));
    EXPECT_EQ(r, 11);
    EXPECT_TRUE(IsWindowEnabled(outer));
    EXPECT_EQ(GetActiveWindow(), outer);
    d.Click(IDCANCEL);
  });
  ExpectDialog("Nested", [&](Dlg& d) {
    EXPECT_FALSE(IsWindowEnabled(outer));
    EXPECT_EQ(GetParent(d.Hwnd()), outer);  // the owner is the top-level window
    d.Click(IDOK);
  });
  EXPECT_EQ(RunDialog(kSampleDialog), 22);
}

TEST_F(Dialogs, InMemoryTemplatesOfBothKindsAreRead) {
  // A plain DLGTEMPLATE with two push buttons, the first with creation data
  // (whose size word counts itself), built by hand.
  alignas(4) BYTE bytes[160] = {};
  BYTE* p = bytes;
  auto words = [&](std::initializer_list<DWORD> ws) {
    for (DWORD v : ws) {
      *p++ = (BYTE)v;
      *p++ = (BYTE)(v >> 8);
    }
  };
  auto dwords = [&](std::initializer_list<DWORD> ds) {
    while ((p - bytes) % 4) ++p;
    for (DWORD v : ds) words({v & 0xFFFF, v >> 16});
  };
  dwords({WS_POPUP | WS_VISIBLE | WS_CAPTION, 0});
  words({2, 0, 0, 80, 40, 0, 0, 'H', 'i', 0});  // items, x y cx cy, menu, class, caption
  dwords({WS_CHILD | WS_VISIBLE, 0});
  words({5, 5, 30, 12, IDOK, 0xFFFF, 0x80, 'G', 'o', 0});  // Button
  words({8, 1, 2, 3});                                     // 8 bytes of creation data
  dwords({WS_CHILD | WS_VISIBLE, 0});
  words({40, 5, 30, 12, IDCANCEL, 0xFFFF, 0x80, 'N', 'o', 0, 0});
  ExpectDialog("Hi", [](Dlg& d) {
    EXPECT_EQ(d.Text(IDOK), "Go");
    EXPECT_EQ(d.Text(IDCANCEL), "No");
    d.Click(IDOK);
  });
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, (LPCDLGTEMPLATEA)bytes, nullptr, RecordingProc, 0), 11);

  // The DLGTEMPLATEEX our resources build, run modeless.
  const ResDialog modeless = {
      1, "Modeless \x80\x8A\x9F", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 0, 50, 20, "Arial", 9, nullptr, 0};
  std::vector<BYTE> ex(iResBuildTemplate(&modeless, nullptr, 0));
  iResBuildTemplate(&modeless, ex.data(), ex.size());
  HWND h = CreateDialogIndirectParamA(nullptr, (LPCDLGTEMPLATEA)ex.data(), nullptr, RecordingProc, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(IsWindowVisible(h));
  char caption[32];
  GetWindowTextA(h, caption, sizeof caption);
  EXPECT_STREQ(caption, "Modeless \x80\x8A\x9F");  // the euro and other 1252 letters above 0x7F
  EXPECT_EQ(GetActiveWindow(), h);
  EXPECT_FALSE(kvxUiDialogIsModal(h));
  EXPECT_TRUE(DestroyWindow(h));
  EXPECT_FALSE(IsWindow(h));
}

// Ends itself through a message it posts while it opens.
INT_PTR CALLBACK SelfEndingProc(HWND h, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) EndDialog(h, 33);
  return msg == WM_INITDIALOG || msg == WM_COMMAND;
}

TEST_F(Dialogs, ADialogThatEndsBeforeItStandsIsNotHandedToTheDriver) {
  // No expectation: the driver must not see it (it would fail the test).
  EXPECT_EQ(RunDialog(kSampleDialog, SelfEndingProc), 33);
  EXPECT_EQ(kvxUiWindowCount(), 0);
}

TEST_F(Dialogs, MalformedRegisteredTemplatesAreRefusedWithoutReadingPastTheirBytes) {
  const ResControl controls[] = {
      {"BUTTON", "OK", IDOK, WS_VISIBLE, 0, 4, 4, 40, 14},
      {"EDIT", "text", 101, WS_VISIBLE, 0, 4, 20, 40, 12},
  };
  const ResDialog dialog = {7100, "Cut", WS_POPUP | WS_CAPTION, 0, 0, 0, 60, 40, "MS Sans Serif", 8, controls, 2};
  std::vector<BYTE> full(iResBuildTemplate(&dialog, nullptr, 0));
  iResBuildTemplate(&dialog, full.data(), full.size());
  // Every shorter cut, each in a block of its own size (the sanitizer build
  // sees a read past it), is refused; the whole template is taken.
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<BYTE> cut(full.begin(), full.begin() + (ptrdiff_t)n);
    SetLastError(0);
    EXPECT_FALSE(kvxRegisterDialogTemplate(nullptr, 7100, n ? cut.data() : full.data(), n)) << n << " bytes";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
  }
  EXPECT_EQ(RunDialog(7100), -1);
  EXPECT_TRUE(kvxRegisterDialogTemplate(nullptr, 7100, full.data(), full.size()));

  // A count of items beyond the bytes.
  std::vector<BYTE> many = full;
  many[16] = 0xFF;
  EXPECT_FALSE(kvxRegisterDialogTemplate(nullptr, 7101, many.data(), many.size()));
}

TEST_F(Dialogs, DialogItemCallsReadAndWriteTheControls) {
  ExpectDialog(kSampleDialog, [](Dlg& d) {
    HWND h = d.Hwnd();
    EXPECT_TRUE(SetDlgItemInt(h, 101, (UINT)-42, TRUE));
    BOOL ok = FALSE;
    EXPECT_EQ((int)GetDlgItemInt(h, 101, &ok, TRUE), -42);
    EXPECT_TRUE(ok);
    SetDlgItemTextA(h, 101, " 12x");
    EXPECT_EQ(GetDlgItemInt(h, 101, &ok, TRUE), 0u);
    EXPECT_FALSE(ok);
    char small[4];
    SetDlgItemTextA(h, 101, "abcdef");
    EXPECT_EQ(GetDlgItemTextA(h, 101, small, sizeof small), 3u);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(GetDlgItem(h, 9999), nullptr);
    EXPECT_EQ(GetDlgItemTextA(h, 9999, small, sizeof small), 0u);
    EXPECT_STREQ(small, "");
    CheckRadioButton(h, 103, 104, 104);
    EXPECT_EQ(IsDlgButtonChecked(h, 103), (UINT)BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(h, 104), (UINT)BST_CHECKED);
    EXPECT_EQ(LOWORD(SendMessageA(h, DM_GETDEFID, 0, 0)), IDOK);
    EXPECT_EQ(GetDlgCtrlID(d.Item(105)), 105);
    d.Enter();
  });
  EXPECT_EQ(RunDialog(kSampleDialog), 11);
}

TEST(StringTable, LoadsRegisteredTextsAndNothingForMissingOnes) {
  kvxRegisterString(nullptr, 5999, "59 Test instrument");
  char buf[8];
  EXPECT_EQ(LoadStringA(nullptr, 5999, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "59 Test");
  const char* direct = nullptr;
  EXPECT_EQ(LoadStringA(nullptr, 5999, (LPSTR)&direct, 0), 18);
  EXPECT_STREQ(direct, "59 Test instrument");
  EXPECT_EQ(LoadStringA(nullptr, 5998, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "");
  kvxRegisterString(nullptr, 5999, nullptr);
  EXPECT_EQ(LoadStringA(nullptr, 5999, buf, sizeof buf), 0);
}

}  // namespace
