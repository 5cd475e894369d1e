// The control classes: button (push, check box, radio, group box), static,
// edit, combo box, list box, list view (report rows kept in insertion order,
// whatever sort style bits are set) and a minimal tree view.
#include <algorithm>
#include <cstring>

#include "window_internal.h"

namespace {

struct ClassName {
  const char* name;
  KvxWndKind kind;
};
const ClassName kClasses[] = {
    {"Button", kWndButton},        {"Static", kWndStatic},
    {"Edit", kWndEdit},            {"ComboBox", kWndCombo},
    {"ListBox", kWndList},         {"SysListView32", kWndListView},
    {"SysHeader32", kWndHeader},   {"SysTreeView32", kWndTreeView},
};

const char* Str(LPARAM p) { return p ? (const char*)p : ""; }

// Copies the whole text and its terminator, as CB_GETLBTEXT and LB_GETTEXT
// do: the caller's buffer must hold it.
LRESULT CopyOut(const std::string& s, LPARAM buffer) {
  if (buffer) memcpy((char*)buffer, s.c_str(), s.size() + 1);
  return (LRESULT)s.size();
}

// Copies at most size-1 characters and a terminator; returns the count.
int CopyBounded(const std::string& s, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  size_t n = std::min(s.size(), (size_t)size - 1);
  memcpy(buffer, s.data(), n);
  buffer[n] = 0;
  return (int)n;
}

bool Valid(const KvxWnd* w, WPARAM index) { return (size_t)index < w->items.size(); }

bool PrefixMatch(const std::string& item, const char* text) {
  return iKvxCompareNoCase(item, text, strlen(text)) == 0;
}

bool ExactMatch(const std::string& item, const char* text) {
  return iKvxCompareNoCase(item, text, strlen(text) + 1) == 0;
}

// Search for CB_FINDSTRING and friends: from the item after start to the end,
// then from the top; start -1 searches the whole list.
int FindItem(const KvxWnd* w, WPARAM start, const char* text, bool exact) {
  int n = (int)w->items.size();
  int first = (int)(INT_PTR)start;
  if (first < -1 || first >= n) first = -1;
  for (int k = 1; k <= n; ++k) {
    int i = (first + k) % n;
    if (exact ? ExactMatch(w->items[i].text, text) : PrefixMatch(w->items[i].text, text)) return i;
  }
  return -1;
}

int InsertItem(KvxWnd* w, int index, const char* text, bool sorted) {
  if (sorted) {
    index = 0;
    while (index < (int)w->items.size() && iKvxCompareNoCase(w->items[index].text, text, strlen(text) + 1) <= 0)
      ++index;
  } else if (index < 0) {
    index = (int)w->items.size();
  } else if (index > (int)w->items.size()) {
    return -1;
  }
  KvxItem item;
  item.text = text;
  w->items.insert(w->items.begin() + index, item);
  if (w->cur >= index) ++w->cur;
  return index;
}

int DeleteItem(KvxWnd* w, WPARAM index) {
  if (!Valid(w, index)) return -1;
  w->items.erase(w->items.begin() + (ptrdiff_t)index);
  if (w->cur == (int)index)
    w->cur = -1;
  else if (w->cur > (int)index)
    --w->cur;
  return (int)w->items.size();
}

// The messages combo boxes and list boxes share, each under its own name.
struct ItemMessages {
  UINT add, insert, remove, count, getText, getTextLen, find, findExact, setData, getData;
  DWORD sortStyle;
  LRESULT err;
};
const ItemMessages kComboMessages = {CB_ADDSTRING,   CB_INSERTSTRING, CB_DELETESTRING, CB_GETCOUNT,
                                     CB_GETLBTEXT,   CB_GETLBTEXTLEN, CB_FINDSTRING,   CB_FINDSTRINGEXACT,
                                     CB_SETITEMDATA, CB_GETITEMDATA,  CBS_SORT,        CB_ERR};
const ItemMessages kListMessages = {LB_ADDSTRING,   LB_INSERTSTRING, LB_DELETESTRING, LB_GETCOUNT,
                                    LB_GETTEXT,     LB_GETTEXTLEN,   LB_FINDSTRING,   LB_FINDSTRINGEXACT,
                                    LB_SETITEMDATA, LB_GETITEMDATA,  LBS_SORT,        LB_ERR};

// Answers one of the shared messages; false for the others.
bool ItemMessage(KvxWnd* w, const ItemMessages& m, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == m.add) {
    *result = InsertItem(w, -1, Str(lParam), (w->style & m.sortStyle) != 0);
  } else if (msg == m.insert) {
    *result = InsertItem(w, (int)(INT_PTR)wParam, Str(lParam), false);
  } else if (msg == m.remove) {
    *result = DeleteItem(w, wParam);
  } else if (msg == m.count) {
    *result = (LRESULT)w->items.size();
  } else if (msg == m.getText) {
    *result = Valid(w, wParam) ? CopyOut(w->items[wParam].text, lParam) : m.err;
  } else if (msg == m.getTextLen) {
    *result = Valid(w, wParam) ? (LRESULT)w->items[wParam].text.size() : m.err;
  } else if (msg == m.find || msg == m.findExact) {
    *result = FindItem(w, wParam, Str(lParam), msg == m.findExact);
  } else if (msg == m.setData) {
    if (Valid(w, wParam)) w->items[wParam].data = lParam;
    *result = Valid(w, wParam) ? TRUE : m.err;
  } else if (msg == m.getData) {
    *result = Valid(w, wParam) ? w->items[wParam].data : m.err;
  } else {
    return false;
  }
  return true;
}

DWORD ButtonType(const KvxWnd* w) { return w->style & BS_TYPEMASK; }

bool IsCheckable(const KvxWnd* w) {
  DWORD t = ButtonType(w);
  return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON ||
         t == BS_3STATE || t == BS_AUTO3STATE;
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

LRESULT ButtonProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case BM_GETCHECK:
      return IsCheckable(w) ? w->check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (IsCheckable(w)) w->check = (int)wParam;
      return 0;
    case BM_GETSTATE:
      return (IsCheckable(w) ? w->check : 0) | (w->pushed ? BST_PUSHED : 0) |
             (GetFocus() == w->handle ? BST_FOCUS : 0);
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

LRESULT EditProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT:
      w->text = Str(lParam);
      w->selStart = w->selEnd = 0;
      lKvxNotifyParent(w, EN_UPDATE);
      lKvxNotifyParent(w, EN_CHANGE);
      return TRUE;
    case EM_LIMITTEXT:
      w->limit = wParam ? (int)std::min<WPARAM>(wParam, 0x7FFFFFFE) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT:
      return w->limit;
    case EM_SETSEL: {
      int len = (int)w->text.size();
      int a = (int)(INT_PTR)wParam, b = (int)lParam;
      if (a < 0) {
        a = b = w->selEnd;
      } else {
        if (b < 0 || b > len) b = len;
        a = std::min(a, len);
        if (a > b) std::swap(a, b);
      }
      w->selStart = (DWORD)a;
      w->selEnd = (DWORD)b;
      return 0;
    }
    case EM_GETSEL:
      if (wParam) *(DWORD*)wParam = w->selStart;
      if (lParam) *(DWORD*)lParam = w->selEnd;
      return MAKELONG(w->selStart, w->selEnd);
    case EM_REPLACESEL: {
      size_t a = std::min<size_t>(w->selStart, w->text.size()), b = std::min<size_t>(w->selEnd, w->text.size());
      std::string s = Str(lParam);
      w->text.replace(a, b - a, s);
      w->selStart = w->selEnd = (DWORD)(a + s.size());
      lKvxNotifyParent(w, EN_CHANGE);
      return 0;
    }
    case EM_SETREADONLY:
      if (wParam)
        w->style |= ES_READONLY;
      else
        w->style &= ~(DWORD)ES_READONLY;
      return TRUE;
    case EM_GETLINECOUNT:
      return 1 + (LRESULT)std::count(w->text.begin(), w->text.end(), '\n');
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}

bool IsDropList(const KvxWnd* w) { return (w->style & 3) == CBS_DROPDOWNLIST; }

void ComboShowSelection(KvxWnd* w) {
  if (!IsDropList(w)) w->text = w->cur >= 0 ? w->items[w->cur].text : w->text;
}

LRESULT ComboProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT shared;
  if (ItemMessage(w, kComboMessages, msg, wParam, lParam, &shared)) return shared;
  switch (msg) {
    case WM_SETTEXT:
      if (IsDropList(w)) {
        int i = FindItem(w, (WPARAM)-1, Str(lParam), true);
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
      return CopyBounded(s, (char*)lParam, (int)std::min<WPARAM>(wParam, 0x7FFFFFFF));
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
      int i = FindItem(w, wParam, Str(lParam), false);
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
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}

bool IsMultiSel(const KvxWnd* w) { return (w->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

LRESULT ListProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT shared;
  if (ItemMessage(w, kListMessages, msg, wParam, lParam, &shared)) return shared;
  switch (msg) {
    case LB_RESETCONTENT:
      w->items.clear();
      w->cur = -1;
      return 0;
    case LB_SELECTSTRING: {
      int i = FindItem(w, wParam, Str(lParam), false);
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

bool ValidRow(const KvxWnd* w, int row) { return row >= 0 && row < (int)w->rows.size(); }

std::string& Cell(KvxLvRow& row, int sub) {
  if ((int)row.cells.size() <= sub) row.cells.resize(sub + 1);
  return row.cells[sub];
}

// Changes a row's state bits and tells the parent, as the control does.
void SetRowState(KvxWnd* w, int row, UINT state, UINT mask) {
  UINT old = w->rows[row].state;
  UINT now = (old & ~mask) | (state & mask);
  if (now == old) return;
  w->rows[row].state = now;
  NMLISTVIEW nm = {};
  nm.hdr.code = LVN_ITEMCHANGED;
  nm.iItem = row;
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  nm.lParam = w->rows[row].data;
  lKvxNotifyParentNm(w, &nm.hdr);
}

void ApplyState(KvxWnd* w, int row, UINT state, UINT mask) {
  HWND h = w->handle;
  // One focused row; one selected row in a single-selection list.
  if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED))
    for (int i = 0; i < (int)w->rows.size() && pKvxWnd(h); ++i)
      if (i != row) SetRowState(w, i, 0, LVIS_FOCUSED);
  if ((w->style & LVS_SINGLESEL) && (mask & LVIS_SELECTED) && (state & LVIS_SELECTED))
    for (int i = 0; i < (int)w->rows.size() && pKvxWnd(h); ++i)
      if (i != row) SetRowState(w, i, 0, LVIS_SELECTED);
  if (pKvxWnd(h) && ValidRow(w, row)) SetRowState(w, row, state, mask);
}

int TextWidth(const KvxWnd* w, const char* text) {
  KvxFontMetrics m = sKvxFontMetrics(w->font ? (HGDIOBJ)w->font : GetStockObject(DEFAULT_GUI_FONT));
  return m.cx * (int)strlen(text);
}

LRESULT ListViewProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  int row = (int)(INT_PTR)wParam;
  switch (msg) {
    case LVM_GETITEMCOUNT:
      return (LRESULT)w->rows.size();
    case LVM_INSERTCOLUMNA: {
      const LVCOLUMNA* c = (const LVCOLUMNA*)lParam;
      if (!c) return -1;
      int at = std::clamp(row, 0, (int)w->columns.size());
      KvxLvColumn col;
      if (c->mask & LVCF_TEXT) col.text = Str((LPARAM)c->pszText);
      if (c->mask & LVCF_WIDTH) col.width = c->cx;
      if (c->mask & LVCF_FMT) col.fmt = c->fmt;
      w->columns.insert(w->columns.begin() + at, col);
      return at;
    }
    case LVM_SETCOLUMNA:
    case LVM_GETCOLUMNA: {
      LVCOLUMNA* c = (LVCOLUMNA*)lParam;
      if (!c || row < 0 || row >= (int)w->columns.size()) return FALSE;
      KvxLvColumn& col = w->columns[row];
      if (msg == LVM_SETCOLUMNA) {
        if (c->mask & LVCF_TEXT) col.text = Str((LPARAM)c->pszText);
        if (c->mask & LVCF_WIDTH) col.width = c->cx;
        if (c->mask & LVCF_FMT) col.fmt = c->fmt;
      } else {
        if (c->mask & LVCF_TEXT) CopyBounded(col.text, c->pszText, c->cchTextMax);
        if (c->mask & LVCF_WIDTH) c->cx = col.width;
        if (c->mask & LVCF_FMT) c->fmt = col.fmt;
      }
      return TRUE;
    }
    case LVM_DELETECOLUMN:
      if (row < 0 || row >= (int)w->columns.size()) return FALSE;
      w->columns.erase(w->columns.begin() + row);
      return TRUE;
    case LVM_GETCOLUMNWIDTH:
      return row >= 0 && row < (int)w->columns.size() ? w->columns[row].width : 0;
    case LVM_SETCOLUMNWIDTH: {
      if (row < 0 || row >= (int)w->columns.size()) return FALSE;
      int cx = (int)lParam;
      if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) {
        cx = cx == LVSCW_AUTOSIZE_USEHEADER ? TextWidth(w, w->columns[row].text.c_str()) : 0;
        for (KvxLvRow& r : w->rows) cx = std::max(cx, TextWidth(w, Cell(r, row).c_str()));
        cx += 12;
      }
      w->columns[row].width = cx;
      return TRUE;
    }
    case LVM_GETSTRINGWIDTHA:
      return TextWidth(w, Str(lParam));
    case LVM_INSERTITEMA: {
      const LVITEMA* it = (const LVITEMA*)lParam;
      if (!it || it->iSubItem != 0) return -1;
      int at = std::clamp(it->iItem, 0, (int)w->rows.size());
      KvxLvRow r;
      if (it->mask & LVIF_TEXT) Cell(r, 0) = Str((LPARAM)it->pszText);
      if (it->mask & LVIF_PARAM) r.data = it->lParam;
      w->rows.insert(w->rows.begin() + at, r);
      if ((it->mask & LVIF_STATE) && (it->state & it->stateMask)) ApplyState(w, at, it->state, it->stateMask);
      return at;
    }
    case LVM_SETITEMA: {
      const LVITEMA* it = (const LVITEMA*)lParam;
      if (!it || !ValidRow(w, it->iItem)) return FALSE;
      if (it->mask & LVIF_TEXT) Cell(w->rows[it->iItem], it->iSubItem) = Str((LPARAM)it->pszText);
      if ((it->mask & LVIF_PARAM) && it->iSubItem == 0) w->rows[it->iItem].data = it->lParam;
      if (it->mask & LVIF_STATE) ApplyState(w, it->iItem, it->state, it->stateMask);
      return TRUE;
    }
    case LVM_GETITEMA: {
      LVITEMA* it = (LVITEMA*)lParam;
      if (!it || !ValidRow(w, it->iItem)) return FALSE;
      KvxLvRow& r = w->rows[it->iItem];
      if (it->mask & LVIF_TEXT) CopyBounded(Cell(r, it->iSubItem), it->pszText, it->cchTextMax);
      if (it->mask & LVIF_STATE) it->state = r.state & it->stateMask;
      if (it->mask & LVIF_PARAM) it->lParam = r.data;
      return TRUE;
    }
    case LVM_SETITEMTEXTA: {
      const LVITEMA* it = (const LVITEMA*)lParam;
      if (!it || !ValidRow(w, row) || it->iSubItem < 0) return FALSE;
      Cell(w->rows[row], it->iSubItem) = Str((LPARAM)it->pszText);
      return TRUE;
    }
    case LVM_GETITEMTEXTA: {
      LVITEMA* it = (LVITEMA*)lParam;
      if (!it || !ValidRow(w, row) || it->iSubItem < 0) return 0;
      return CopyBounded(Cell(w->rows[row], it->iSubItem), it->pszText, it->cchTextMax);
    }
    case LVM_SETITEMSTATE: {
      const LVITEMA* it = (const LVITEMA*)lParam;
      if (!it) return FALSE;
      if (row == -1) {
        for (int i = 0; i < (int)w->rows.size(); ++i) SetRowState(w, i, it->state, it->stateMask);
        return TRUE;
      }
      if (!ValidRow(w, row)) return FALSE;
      ApplyState(w, row, it->state, it->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE:
      return ValidRow(w, row) ? (LRESULT)(w->rows[row].state & (UINT)lParam) : 0;
    case LVM_GETNEXTITEM: {
      UINT flags = (UINT)lParam & (LVNI_SELECTED | LVNI_FOCUSED);
      for (int i = std::max(row + 1, 0); i < (int)w->rows.size(); ++i)
        if ((w->rows[i].state & flags) == flags) return i;
      return -1;
    }
    case LVM_GETSELECTEDCOUNT:
      return (LRESULT)std::count_if(w->rows.begin(), w->rows.end(),
                                    [](const KvxLvRow& r) { return (r.state & LVIS_SELECTED) != 0; });
    case LVM_DELETEITEM:
      if (!ValidRow(w, row)) return FALSE;
      w->rows.erase(w->rows.begin() + row);
      return TRUE;
    case LVM_DELETEALLITEMS:
      w->rows.clear();
      return TRUE;
    case LVM_ENSUREVISIBLE:
      return ValidRow(w, row);
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = w->lvExStyle, mask = wParam ? (DWORD)wParam : 0xFFFFFFFFu;
      w->lvExStyle = (old & ~mask) | ((DWORD)lParam & mask);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return w->lvExStyle;
    case LVM_GETHEADER:
      return (LRESULT)w->header;
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}

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

LRESULT TreeViewProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
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
        if (it->mask & TVIF_TEXT) CopyBounded(t->text, it->pszText, it->cchTextMax);
        if (it->mask & TVIF_PARAM) it->lParam = t->data;
        if (it->mask & TVIF_STATE) it->state = t->state & it->stateMask;
      }
      return TRUE;
    }
  }
  return DefWindowProcA(w->handle, msg, wParam, lParam);
}

}  // namespace

KvxWndKind eKvxControlKind(const char* className, const char** canonical) {
  if (!className || IS_INTRESOURCE(className)) return kWndUser;
  for (const ClassName& c : kClasses)
    if (iKvxCompareNoCase(c.name, className, strlen(c.name) + 1) == 0) {
      *canonical = c.name;
      return c.kind;
    }
  return kWndUser;
}

void vKvxControlCreated(KvxWnd* w) {
  if (w->kind != kWndListView || (w->style & LVS_TYPEMASK) != LVS_REPORT) return;
  // A report list view has a header row as its child window.
  RECT rc;
  GetClientRect(w->handle, &rc);
  DWORD visible = (w->style & LVS_NOCOLUMNHEADER) ? 0 : WS_VISIBLE;
  w->header = hKvxCreateWindow(0, WC_HEADERA, "", WS_CHILD | visible, 0, 0, rc.right, 20, w->handle, 0,
                               w->instance, nullptr, nullptr);
}

LRESULT lKvxControlProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (w->kind) {
    case kWndButton:
      return ButtonProc(w, msg, wParam, lParam);
    case kWndEdit:
      return EditProc(w, msg, wParam, lParam);
    case kWndCombo:
      return ComboProc(w, msg, wParam, lParam);
    case kWndList:
      return ListProc(w, msg, wParam, lParam);
    case kWndListView:
      return ListViewProc(w, msg, wParam, lParam);
    case kWndTreeView:
      return TreeViewProc(w, msg, wParam, lParam);
    default:
      return DefWindowProcA(w->handle, msg, wParam, lParam);
  }
}
