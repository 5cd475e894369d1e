// List views: report rows and their columns.
#include <cstring>

#include "controls_internal.h"

namespace {

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

constexpr DWORD kSortBits = LVS_SORTASCENDING | LVS_SORTDESCENDING;

// Where a sorted list puts an item of this text, whatever index was asked:
// behind the rows of equal text (compared as lstrcmpi does), so equal texts
// keep their order of insertion. With both bits the descending one decides.
int SortedPlace(const KvxWnd* w, const char* text) {
  int sign = (w->style & LVS_SORTDESCENDING) ? -1 : 1;
  int at = 0;
  for (const KvxLvRow& r : w->rows) {
    if (sign * lstrcmpiA(r.cells.empty() ? "" : r.cells[0].c_str(), text) > 0) break;
    ++at;
  }
  return at;
}

int TextWidth(const KvxWnd* w, const char* text) {
  KvxFontMetrics m = sKvxFontMetrics(w->font ? (HGDIOBJ)w->font : GetStockObject(DEFAULT_GUI_FONT));
  return m.cx * (int)strlen(text);
}

}  // namespace

LRESULT lKvxListViewProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
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
        if (c->mask & LVCF_TEXT) uKvxGiveBack(col.text, c->pszText, c->cchTextMax, kvxCut);
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
      KvxLvRow r;
      if (it->mask & LVIF_TEXT) Cell(r, 0) = Str((LPARAM)it->pszText);
      int at =
          (w->style & kSortBits) ? SortedPlace(w, Cell(r, 0).c_str()) : std::clamp(it->iItem, 0, (int)w->rows.size());
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
      if (it->mask & LVIF_TEXT) uKvxGiveBack(Cell(r, it->iSubItem), it->pszText, it->cchTextMax, kvxCut);
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
      return uKvxGiveBack(Cell(w->rows[row], it->iSubItem), it->pszText, it->cchTextMax, kvxCut);
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
