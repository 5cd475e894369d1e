// A minimal tree view.
#include <algorithm>

#include "controls_internal.h"

namespace {

KvxTvItem* TreeItem(KvxWnd* w, HTREEITEM h) {
  for (KvxTvItem& t : w->tree)
    if (t.handle == h) return &t;
  return nullptr;
}

HTREEITEM TreeSibling(KvxWnd* w, HTREEITEM of, int step) {
  KvxTvItem* t = TreeItem(w, of);
  if (!t) return nullptr;
  HTREEITEM parent = t->parent;
  int i = (int)(t - w->tree.data());
  for (i += step; i >= 0 && i < (int)w->tree.size(); i += step)
    if (w->tree[i].parent == parent) return w->tree[i].handle;
  return nullptr;
}

void TreeDelete(KvxWnd* w, HTREEITEM h) {
  std::vector<HTREEITEM> kids;
  for (KvxTvItem& t : w->tree)
    if (t.parent == h) kids.push_back(t.handle);
  for (HTREEITEM k : kids) TreeDelete(w, k);
  w->tree.erase(std::remove_if(w->tree.begin(), w->tree.end(), [&](const KvxTvItem& t) { return t.handle == h; }),
                w->tree.end());
  if (w->treeSel == h) w->treeSel = nullptr;
}

}  // namespace

LRESULT lKvxTreeViewProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case TVM_INSERTITEMA: {
      const TVINSERTSTRUCTA* is = (const TVINSERTSTRUCTA*)lParam;
      if (!is) return 0;
      KvxTvItem t;
      t.handle = (HTREEITEM)(w->treeNext++ * 16);
      t.parent = is->hParent == TVI_ROOT ? nullptr : is->hParent;
      if (t.parent && !TreeItem(w, t.parent)) return 0;
      if (is->item.mask & TVIF_TEXT) t.text = Str((LPARAM)is->item.pszText);
      if (is->item.mask & TVIF_PARAM) t.data = is->item.lParam;
      // Position in the flat list: siblings keep their order.
      size_t at = w->tree.size();
      if (is->hInsertAfter == TVI_FIRST) {
        for (size_t i = 0; i < w->tree.size(); ++i)
          if (w->tree[i].parent == t.parent) {
            at = i;
            break;
          }
      } else if (KvxTvItem* after = TreeItem(w, is->hInsertAfter)) {
        at = (size_t)(after - w->tree.data()) + 1;
      }
      w->tree.insert(w->tree.begin() + (ptrdiff_t)at, t);
      return (LRESULT)t.handle;
    }
    case TVM_DELETEITEM: {
      HTREEITEM h = (HTREEITEM)lParam;
      if (!h || h == TVI_ROOT) {
        w->tree.clear();
        w->treeSel = nullptr;
        return TRUE;
      }
      if (!TreeItem(w, h)) return FALSE;
      TreeDelete(w, h);
      return TRUE;
    }
    case TVM_GETCOUNT:
      return (LRESULT)w->tree.size();
    case TVM_GETNEXTITEM: {
      HTREEITEM h = (HTREEITEM)lParam;
      switch (wParam) {
        case TVGN_ROOT:
        case TVGN_CHILD: {
          HTREEITEM parent = wParam == TVGN_ROOT || h == TVI_ROOT ? nullptr : h;
          for (KvxTvItem& t : w->tree)
            if (t.parent == parent) return (LRESULT)t.handle;
          return 0;
        }
        case TVGN_NEXT:
          return (LRESULT)TreeSibling(w, h, 1);
        case TVGN_PREVIOUS:
          return (LRESULT)TreeSibling(w, h, -1);
        case TVGN_PARENT: {
          KvxTvItem* t = TreeItem(w, h);
          return t ? (LRESULT)t->parent : 0;
        }
        case TVGN_CARET:
          return (LRESULT)w->treeSel;
      }
      return 0;
    }
    case TVM_SELECTITEM: {
      if (wParam != TVGN_CARET) return FALSE;
      HTREEITEM h = (HTREEITEM)lParam;
      if (h && !TreeItem(w, h)) return FALSE;
      NMTREEVIEWA nm = {};
      nm.hdr.code = TVN_SELCHANGEDA;
      nm.itemOld.hItem = w->treeSel;
      nm.itemNew.hItem = h;
      w->treeSel = h;
      lKvxNotifyParentNm(w, &nm.hdr);
      return TRUE;
    }
    case TVM_GETITEMA:
    case TVM_SETITEMA: {
      TVITEMA* it = (TVITEMA*)lParam;
      KvxTvItem* t = it ? TreeItem(w, it->hItem) : nullptr;
      if (!t) return FALSE;
      if (msg == TVM_SETITEMA) {
        if (it->mask & TVIF_TEXT) t->text = Str((LPARAM)it->pszText);
        if (it->mask & TVIF_PARAM) t->data = it->lParam;
      } else {
        if (it->mask & TVIF_TEXT) uKvxGiveBack(t->text, it->pszText, it->cchTextMax, kvxCut);
        if (it->mask & TVIF_PARAM) it->lParam = t->data;
        if (it->mask & TVIF_STATE) it->state = t->state & it->stateMask;
      }
      return TRUE;
    }
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}
