// The item list that combo boxes and list boxes share.
#include <cstring>

#include "controls_internal.h"

namespace {

// Copies the whole text and its terminator, as CB_GETLBTEXT and LB_GETTEXT
// do: the caller's buffer must hold it.
LRESULT CopyOut(const std::string& s, LPARAM buffer) {
  if (buffer) memcpy((char*)buffer, s.c_str(), s.size() + 1);
  return (LRESULT)s.size();
}

bool PrefixMatch(const std::string& item, const char* text) { return iKvxCompareNoCase(item, text, strlen(text)) == 0; }

bool ExactMatch(const std::string& item, const char* text) {
  return iKvxCompareNoCase(item, text, strlen(text) + 1) == 0;
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

}  // namespace

// Search for CB_FINDSTRING and friends: from the item after start to the end,
// then from the top; start -1 searches the whole list.
int iKvxFindItem(const KvxWnd* w, WPARAM start, const char* text, bool exact) {
  int n = (int)w->items.size();
  int first = (int)(INT_PTR)start;
  if (first < -1 || first >= n) first = -1;
  for (int k = 1; k <= n; ++k) {
    int i = (first + k) % n;
    if (exact ? ExactMatch(w->items[i].text, text) : PrefixMatch(w->items[i].text, text)) return i;
  }
  return -1;
}

const KvxItemMessages kKvxComboMessages = {CB_ADDSTRING,   CB_INSERTSTRING, CB_DELETESTRING, CB_GETCOUNT,
                                           CB_GETLBTEXT,   CB_GETLBTEXTLEN, CB_FINDSTRING,   CB_FINDSTRINGEXACT,
                                           CB_SETITEMDATA, CB_GETITEMDATA,  CBS_SORT,        CB_ERR};
const KvxItemMessages kKvxListMessages = {LB_ADDSTRING,   LB_INSERTSTRING, LB_DELETESTRING, LB_GETCOUNT,
                                          LB_GETTEXT,     LB_GETTEXTLEN,   LB_FINDSTRING,   LB_FINDSTRINGEXACT,
                                          LB_SETITEMDATA, LB_GETITEMDATA,  LBS_SORT,        LB_ERR};

// Answers one of the shared messages; false for the others.
bool boKvxItemMessage(KvxWnd* w, const KvxItemMessages& m, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
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
    *result = iKvxFindItem(w, wParam, Str(lParam), msg == m.findExact);
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
