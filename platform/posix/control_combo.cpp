// Combo boxes (simple, drop-down and drop-down list).
#include "controls_internal.h"

namespace {

bool IsDropList(const KvxWnd* w) { return (w->style & 3) == CBS_DROPDOWNLIST; }

void ComboShowSelection(KvxWnd* w) {
  if (!IsDropList(w)) w->text = w->cur >= 0 ? w->items[w->cur].text : w->text;
}

}  // namespace

LRESULT lKvxComboProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT shared;
  if (boKvxItemMessage(w, kKvxComboMessages, msg, wParam, lParam, &shared)) return shared;
  switch (msg) {
    case WM_SETTEXT:
      if (IsDropList(w)) {
        int i = iKvxFindItem(w, (WPARAM)-1, Str(lParam), true);
        if (i < 0) return CB_ERR;
        w->cur = i;
        return TRUE;
      }
      w->text = Str(lParam);
      return TRUE;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      const std::string& s = IsDropList(w) ? (w->cur >= 0 ? w->items[w->cur].text : std::string()) : w->text;
      if (msg == WM_GETTEXTLENGTH) return (LRESULT)s.size();
      return uKvxGiveBack(s, (char*)lParam, (int64_t)std::min<WPARAM>(wParam, 0x7FFFFFFF), kvxCut);
    }
    case CB_RESETCONTENT:
      w->items.clear();
      w->cur = -1;
      w->text.clear();
      return CB_OKAY;
    case CB_GETCURSEL:
      return w->cur;
    case CB_SETCURSEL:
      if (!Valid(w, wParam)) {
        w->cur = -1;
        if (!IsDropList(w)) w->text.clear();
        return CB_ERR;
      }
      w->cur = (int)wParam;
      ComboShowSelection(w);
      return w->cur;
    case CB_SELECTSTRING: {
      int i = iKvxFindItem(w, wParam, Str(lParam), false);
      if (i < 0) return CB_ERR;
      w->cur = i;
      ComboShowSelection(w);
      return i;
    }
    case CB_SHOWDROPDOWN:
      w->dropped = wParam != 0;
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return w->dropped;
    case CB_GETDROPPEDWIDTH:
      return std::max<LRESULT>(w->droppedWidth, w->rect.right - w->rect.left);
    case CB_SETDROPPEDWIDTH:
      w->droppedWidth = (int)wParam;
      return std::max<LRESULT>(w->droppedWidth, w->rect.right - w->rect.left);
    case CB_LIMITTEXT:
      w->limit = wParam ? (int)std::min<WPARAM>(wParam, 0x7FFFFFFE) : 0x7FFFFFFE;
      return TRUE;
    case CB_GETEDITSEL:
      return MAKELONG(0, w->text.size());
    case CB_SETEDITSEL:
      return TRUE;
    case WM_SETFONT:
      w->font = (HFONT)wParam;
      vKvxControlSized(w);
      return 0;
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}
