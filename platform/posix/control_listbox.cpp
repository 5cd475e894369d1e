// List boxes, single and multiple selection.
#include "controls_internal.h"

namespace {

bool IsMultiSel(const KvxWnd* w) { return (w->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

}  // namespace

LRESULT lKvxListBoxProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT shared;
  if (boKvxItemMessage(w, kKvxListMessages, msg, wParam, lParam, &shared)) return shared;
  switch (msg) {
    case LB_RESETCONTENT:
      w->items.clear();
      w->cur = -1;
      return 0;
    case LB_SELECTSTRING: {
      int i = iKvxFindItem(w, wParam, Str(lParam), false);
      if (i < 0) return LB_ERR;
      w->cur = i;
      if (IsMultiSel(w)) w->items[i].selected = true;
      return i;
    }
    case LB_SETCURSEL:
      if (IsMultiSel(w)) return LB_ERR;
      if (!Valid(w, wParam)) {
        w->cur = -1;
        return LB_ERR;
      }
      w->cur = (int)wParam;
      return w->cur;
    case LB_GETCURSEL:
      return w->cur;
    case LB_GETSEL:
      if (!Valid(w, wParam)) return LB_ERR;
      return IsMultiSel(w) ? (w->items[wParam].selected ? 1 : 0) : (w->cur == (int)wParam ? 1 : 0);
    case LB_SETSEL: {
      if (!IsMultiSel(w)) return LB_ERR;
      if ((int)lParam == -1) {
        for (KvxItem& it : w->items) it.selected = wParam != 0;
        return 0;
      }
      if (!Valid(w, (WPARAM)lParam)) return LB_ERR;
      w->items[lParam].selected = wParam != 0;
      w->cur = (int)lParam;
      return 0;
    }
    case LB_GETSELCOUNT:
      if (!IsMultiSel(w)) return LB_ERR;
      return (LRESULT)std::count_if(w->items.begin(), w->items.end(), [](const KvxItem& i) { return i.selected; });
    case LB_GETSELITEMS: {
      if (!IsMultiSel(w)) return LB_ERR;
      int n = 0;
      for (size_t i = 0; i < w->items.size() && n < (int)wParam; ++i)
        if (w->items[i].selected) ((int*)lParam)[n++] = (int)i;
      return n;
    }
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}
