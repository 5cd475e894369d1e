// Buttons: push buttons, check boxes, radio buttons and group boxes.
#include <algorithm>

#include "controls_internal.h"

namespace {

DWORD ButtonType(const KvxWnd* w) { return w->style & BS_TYPEMASK; }

bool IsCheckable(const KvxWnd* w) {
  DWORD t = ButtonType(w);
  return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON || t == BS_3STATE ||
         t == BS_AUTO3STATE;
}

// An automatic radio button clears the other automatic radio buttons of its
// group: the siblings from the last WS_GROUP at or before it to the next one.
void ClearRadioGroup(KvxWnd* w) {
  KvxWnd* parent = pKvxWnd(w->parent);
  if (!parent) return;
  std::vector<HWND>& s = parent->children;
  size_t pos = std::find(s.begin(), s.end(), w->handle) - s.begin();
  size_t first = pos;
  while (first > 0) {
    KvxWnd* c = pKvxWnd(s[first]);
    if (c && (c->style & WS_GROUP)) break;
    --first;
  }
  for (size_t i = first; i < s.size(); ++i) {
    KvxWnd* c = pKvxWnd(s[i]);
    if (!c) continue;
    if (i > first && (c->style & WS_GROUP)) break;
    if (c != w && c->kind == kWndButton && ButtonType(c) == BS_AUTORADIOBUTTON) c->check = BST_UNCHECKED;
  }
}

}  // namespace

LRESULT lKvxButtonProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case BM_GETCHECK:
      return IsCheckable(w) ? w->check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (IsCheckable(w)) w->check = (int)wParam;
      return 0;
    case BM_GETSTATE:
      return (IsCheckable(w) ? w->check : 0) | (w->pushed ? BST_PUSHED : 0) | (GetFocus() == w->handle ? BST_FOCUS : 0);
    case BM_SETSTATE:
      w->pushed = wParam != 0;
      return 0;
    case BM_SETSTYLE:
      w->style = (w->style & 0xFFFF0000u) | LOWORD(wParam);
      return 0;
    case BM_CLICK: {
      // A click on a disabled or hidden button does nothing, as on screen.
      if (!IsWindowEnabled(w->handle) || !IsWindowVisible(w->handle) || ButtonType(w) == BS_GROUPBOX) return 0;
      switch (ButtonType(w)) {
        case BS_AUTOCHECKBOX:
          w->check = w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
          break;
        case BS_AUTO3STATE:
          w->check = (w->check + 1) % 3;
          break;
        case BS_AUTORADIOBUTTON:
          w->check = BST_CHECKED;
          ClearRadioGroup(w);
          break;
      }
      vKvxSetFocusQuiet(w->handle);
      lKvxNotifyParent(w, BN_CLICKED);
      return 0;
    }
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}
