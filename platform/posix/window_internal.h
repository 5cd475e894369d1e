// Inside the headless window manager: the window record shared by
// window.cpp, the controls (controls.cpp, control_*.cpp), dialog.cpp and
// gdi.cpp.
#pragma once

#include <string>
#include <vector>

#include "kvxtest_ui.h"
#include "win32.h"

enum KvxWndKind {
  kWndUser,  // a class registered with RegisterClassA
  kWndDialog,
  kWndButton,
  kWndStatic,
  kWndEdit,
  kWndCombo,
  kWndList,
  kWndListView,
  kWndHeader,
  kWndTreeView,
  kWndDesktop,
};

struct KvxItem {
  std::string text;
  LPARAM data = 0;
  bool selected = false;  // multiple-selection list boxes
};

struct KvxLvRow {
  std::vector<std::string> cells;  // cell 0 is the item, then the sub-items
  UINT state = 0;
  LPARAM data = 0;
};

struct KvxLvColumn {
  std::string text;
  int width = 0;
  int fmt = 0;
};

struct KvxTvItem {
  HTREEITEM handle = nullptr;
  HTREEITEM parent = nullptr;  // nullptr at the root
  std::string text;
  LPARAM data = 0;
  UINT state = 0;
};

struct KvxWnd {
  HWND handle = nullptr;
  KvxWndKind kind = kWndUser;
  std::string className;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect = {0, 0, 0, 0};  // in the parent's client coordinates (screen for top-level windows)
  HWND parent = nullptr;     // child windows
  HWND owner = nullptr;      // top-level windows
  int id = 0;
  HINSTANCE instance = nullptr;
  WNDPROC wndProc = nullptr;
  LONG_PTR userData = 0;
  HFONT font = nullptr;
  std::vector<HWND> children;  // in creation (z) order

  // Dialogs.
  DLGPROC dlgProc = nullptr;
  LONG_PTR msgResult = 0;
  LONG_PTR dlgUser = 0;
  bool hasFont = false;  // DS_SETFONT: dialog base units of the dialog font
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  int resourceId = 0;
  int defId = IDOK;
  bool destroying = false;

  // Controls.
  int check = BST_UNCHECKED;
  bool pushed = false;
  int limit = 0x7FFFFFFE;
  DWORD selStart = 0, selEnd = 0;
  std::vector<KvxItem> items;  // combo and list boxes
  int cur = -1;
  int droppedWidth = 0;
  bool dropped = false;
  std::vector<KvxLvColumn> columns;
  std::vector<KvxLvRow> rows;
  DWORD lvExStyle = 0;
  HWND header = nullptr;
  std::vector<KvxTvItem> tree;  // in insertion order
  HTREEITEM treeSel = nullptr;
  uintptr_t treeNext = 1;
};

// window.cpp
KvxWnd* pKvxWnd(HWND hwnd);  // nullptr for unknown or destroyed windows
HWND hKvxCreateWindow(DWORD exStyle, const char* className, const char* text, DWORD style, int x, int y, int cx, int cy,
                      HWND parent, int id, HINSTANCE inst, LPVOID param, KvxWnd** created);
int iKvxNonClientX(const KvxWnd* w);  // left and right frame width
int iKvxNonClientTop(const KvxWnd* w);
void vKvxSetFocusQuiet(HWND hwnd);
LRESULT lKvxNotifyParent(KvxWnd* w, WORD code);                        // WM_COMMAND(id, code, hwnd) to the parent
LRESULT lKvxNotifyParentNm(KvxWnd* w, NMHDR* hdr);                     // WM_NOTIFY to the parent
int iKvxCompareNoCase(const std::string& a, const char* b, size_t n);  // first n bytes, ignoring case (cp1252 letters)
void vKvxAllocateHwnd(KvxWnd* w);

// controls.cpp (the classes; each in its own control_<class>.cpp)
KvxWndKind eKvxControlKind(const char* className, const char** canonical);
LRESULT lKvxControlProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
void vKvxControlCreated(KvxWnd* w);
void vKvxControlSized(KvxWnd* w);  // after the window's rectangle was set or its font changed

// dialog.cpp
LRESULT lKvxDialogProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
void vKvxDialogBaseUnits(const KvxWnd* w, int* cx, int* cy);
void vKvxDialogReset(void);

// gdi.cpp
struct KvxFontMetrics {
  int cx, cy;
};
KvxFontMetrics sKvxFontMetrics(HGDIOBJ font);
HFONT hKvxDialogFont(void);
HFONT hKvxSystemFont(void);

// strings.cpp / dialog.cpp
std::string sKvxAnsiFromUtf16(const BYTE* p, size_t units);
