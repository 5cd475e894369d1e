#include "ui_fixture.h"

namespace uitest {

std::vector<Seen> g_seen;

namespace {

const ResControl kSampleControls[] = {
    {"STATIC", "Name:", 100, WS_VISIBLE, 0, 4, 4, 40, 8},
    {"EDIT", "start", 101, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 48, 4, 80, 12},
    {"BUTTON", "Option", 102, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 4, 20, 60, 10},
    {"BUTTON", "A", 103, WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 0, 4, 34, 30, 10},
    {"BUTTON", "B", 104, WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 40, 34, 30, 10},
    {"COMBOBOX", "", 105, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 4, 48, 80, 60},
    {"BUTTON", "Hidden", 106, 0, 0, 4, 62, 40, 12},
    {"BUTTON", "Off", 107, WS_VISIBLE | WS_DISABLED, 0, 50, 62, 40, 12},
    {"BUTTON", "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 100, 80, 40, 14},
    {"BUTTON", "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 150, 80, 40, 14},
};
const ResDialog kSample = {kSampleDialog,
                           "Pr\xF8ve",
                           WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                           0,
                           10,
                           20,
                           200,
                           100,
                           "MS Sans Serif",
                           8,
                           kSampleControls,
                           10};

const ResControl kNestedControls[] = {
    {"BUTTON", "OK", IDOK, WS_VISIBLE, 0, 4, 4, 40, 14},
    {"BUTTON", "Cancel", IDCANCEL, WS_VISIBLE, 0, 50, 4, 40, 14},
};
const ResDialog kNested = {
    kNestedDialog,   "Nested", WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE, 0, 0, 0, 100, 30, "MS Sans Serif", 8,
    kNestedControls, 2};

const ResControl kBadControls[] = {
    {"NoSuchClass", "", 1, WS_VISIBLE, 0, 0, 0, 10, 10},
};
const ResDialog kBad = {kBadDialog, "Bad", WS_POPUP, 0, 0, 0, 50, 50, nullptr, 0, kBadControls, 1};

}  // namespace

INT_PTR CALLBACK RecordingProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  g_seen.push_back({msg, wParam, lParam});
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(h, LOWORD(wParam) == IDOK ? 11 : 22);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

void SampleTest::SetUp() {
  for (const ResDialog* d : {&kSample, &kNested, &kBad}) boResRegisterDialog(nullptr, d);
  g_seen.clear();
}

INT_PTR RunDialog(int id, DLGPROC proc, LPARAM lParam, HWND owner) {
  return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(id), owner, proc, lParam);
}

bool SawMessage(UINT msg) {
  for (const Seen& s : g_seen)
    if (s.msg == msg) return true;
  return false;
}

}  // namespace uitest
