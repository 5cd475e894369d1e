// The control classes at the message level.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kvxtest_ui.h"
#include "win32.h"

namespace {

class Controls : public testing::Test {
 protected:
  void SetUp() override {
    parent =
        CreateWindowExA(0, "#32770", "Host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override { kvxUiReset(); }
  HWND Make(const char* cls, DWORD style, int id = 10) {
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, parent, (HMENU)(INT_PTR)id,
                           nullptr, nullptr);
  }
  static std::string ItemText(HWND h, UINT lenMsg, UINT textMsg, int i) {
    std::string s(SendMessageA(h, lenMsg, i, 0) + 1, '\0');
    s.resize(SendMessageA(h, textMsg, i, (LPARAM)s.data()));
    return s;
  }
  static std::vector<std::string> ComboItems(HWND c) {
    std::vector<std::string> v;
    for (int i = 0; i < SendMessageA(c, CB_GETCOUNT, 0, 0); i++)
      v.push_back(ItemText(c, CB_GETLBTEXTLEN, CB_GETLBTEXT, i));
    return v;
  }
  HWND parent = nullptr;
};

TEST_F(Controls, ComboBoxListsFindsAndSelects) {
  HWND c = Make("combobox", CBS_DROPDOWNLIST | CBS_SORT);
  ASSERT_NE(c, nullptr);
  char name[32];
  GetClassNameA(c, name, sizeof name);
  EXPECT_STREQ(name, "ComboBox");
  for (const char* s : {"beta", "Alpha", "gamma", "alpha"}) SendMessageA(c, CB_ADDSTRING, 0, (LPARAM)s);
  // CBS_SORT sorts ignoring case; equal texts keep their order.
  EXPECT_EQ(ComboItems(c), (std::vector<std::string>{"Alpha", "alpha", "beta", "gamma"}));
  EXPECT_EQ(SendMessageA(c, CB_GETLBTEXTLEN, 9, 0), CB_ERR);
  // Search starts behind the given index and wraps.
  EXPECT_EQ(SendMessageA(c, CB_FINDSTRING, 0, (LPARAM) "AL"), 1);
  EXPECT_EQ(SendMessageA(c, CB_FINDSTRING, 1, (LPARAM) "al"), 0);
  EXPECT_EQ(SendMessageA(c, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "GAMMA"), 3);
  EXPECT_EQ(SendMessageA(c, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "gam"), CB_ERR);
  EXPECT_EQ(SendMessageA(c, CB_SELECTSTRING, (WPARAM)-1, (LPARAM) "Be"), 2);
  char text[16];
  GetWindowTextA(c, text, sizeof text);
  EXPECT_STREQ(text, "beta");
  EXPECT_EQ(SendMessageA(c, CB_SELECTSTRING, (WPARAM)-1, (LPARAM) "zeta"), CB_ERR);
  EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 2);
  // Deleting before the selection moves it; deleting it clears it.
  EXPECT_EQ(SendMessageA(c, CB_DELETESTRING, 0, 0), 3);
  EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 1);
  SendMessageA(c, CB_DELETESTRING, 1, 0);
  EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(c, CB_SETCURSEL, 5, 0), CB_ERR);
  // The drop-down list is never narrower than the box.
  EXPECT_EQ(SendMessageA(c, CB_GETDROPPEDWIDTH, 0, 0), 100);
  EXPECT_EQ(SendMessageA(c, CB_SETDROPPEDWIDTH, 40, 0), 100);
  EXPECT_EQ(SendMessageA(c, CB_SETDROPPEDWIDTH, 140, 0), 140);
  SendMessageA(c, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageA(c, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(Controls, ListBoxSingleAndMultipleSelection) {
  HWND l = Make("LISTBOX", 0);
  for (const char* s : {"b", "a"}) SendMessageA(l, LB_ADDSTRING, 0, (LPARAM)s);
  EXPECT_EQ(ItemText(l, LB_GETTEXTLEN, LB_GETTEXT, 0), "b");  // unsorted without LBS_SORT
  EXPECT_EQ(SendMessageA(l, LB_INSERTSTRING, 1, (LPARAM) "c"), 1);
  EXPECT_EQ(SendMessageA(l, LB_INSERTSTRING, 9, (LPARAM) "x"), LB_ERR);
  EXPECT_EQ(SendMessageA(l, LB_SELECTSTRING, (WPARAM)-1, (LPARAM) "A"), 2);
  EXPECT_EQ(SendMessageA(l, LB_GETSELCOUNT, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(l, LB_SETSEL, TRUE, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(l, LB_GETSEL, 2, 0), 1);
  EXPECT_EQ(SendMessageA(l, LB_SETCURSEL, (WPARAM)-1, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), LB_ERR);

  HWND m = Make("ListBox", LBS_EXTENDEDSEL, 11);
  for (const char* s : {"x", "y", "z"}) SendMessageA(m, LB_ADDSTRING, 0, (LPARAM)s);
  SendMessageA(m, LB_SETSEL, TRUE, (LPARAM)-1);
  SendMessageA(m, LB_SETSEL, FALSE, 1);
  EXPECT_EQ(SendMessageA(m, LB_GETSELCOUNT, 0, 0), 2);
  int sel[3] = {};
  EXPECT_EQ(SendMessageA(m, LB_GETSELITEMS, 3, (LPARAM)sel), 2);
  EXPECT_EQ(sel[1], 2);
  EXPECT_EQ(SendMessageA(m, LB_SETCURSEL, 0, 0), LB_ERR);
}

// Records the list view's notifications to its parent.
std::vector<NMLISTVIEW> g_changes;
INT_PTR CALLBACK NotifyProc(HWND, UINT msg, WPARAM, LPARAM lParam) {
  if (msg == WM_NOTIFY && ((NMHDR*)lParam)->code == LVN_ITEMCHANGED) g_changes.push_back(*(NMLISTVIEW*)lParam);
  return FALSE;
}

TEST_F(Controls, ListViewWithoutSortBitsKeepsInsertionOrder) {
  SetWindowLongPtrA(parent, DWLP_DLGPROC, (LONG_PTR)NotifyProc);
  g_changes.clear();
  HWND v = Make("SysListView32", 0x0809);
  HWND header = (HWND)SendMessageA(v, LVM_GETHEADER, 0, 0);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(GetParent(header), v);
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 50;
    col.pszText = (LPSTR)(i ? "To" : "From");
    EXPECT_EQ(SendMessageA(v, LVM_INSERTCOLUMNA, i, (LPARAM)&col), i);
  }
  EXPECT_EQ(SendMessageA(v, LVM_GETCOLUMNWIDTH, 1, 0), 50);
  const char* rows[][2] = {{"ZZ", "1"}, {"AA", "2"}, {"MM", "3"}};
  for (int i = 0; i < 3; ++i) {
    LVITEMA it = {};
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.pszText = (LPSTR)rows[i][0];
    EXPECT_EQ(SendMessageA(v, LVM_INSERTITEMA, 0, (LPARAM)&it), i);
    it.iSubItem = 1;
    it.pszText = (LPSTR)rows[i][1];
    SendMessageA(v, LVM_SETITEMTEXTA, i, (LPARAM)&it);
  }
  // Texts come back in insertion order, cut to the room given.
  auto text = [v](int row, int sub, int room) {
    char buf[8];
    LVITEMA get = {};
    get.iSubItem = sub;
    get.pszText = buf;
    get.cchTextMax = room;
    LRESULT n = SendMessageA(v, LVM_GETITEMTEXTA, row, (LPARAM)&get);
    return std::to_string(n) + ":" + buf;
  };
  EXPECT_EQ(text(0, 0, 8), "2:ZZ");
  EXPECT_EQ(text(2, 1, 8), "1:3");
  EXPECT_EQ(text(1, 0, 2), "1:A");

  LVITEMA st = {};
  st.state = st.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(v, LVM_SETITEMSTATE, 1, (LPARAM)&st);
  EXPECT_EQ(SendMessageA(v, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED), 1);
  EXPECT_EQ(SendMessageA(v, LVM_GETNEXTITEM, 1, LVNI_SELECTED), -1);
  ASSERT_EQ(g_changes.size(), 1u);
  EXPECT_EQ(g_changes[0].iItem, 1);
  EXPECT_EQ(g_changes[0].uNewState, (UINT)(LVIS_SELECTED | LVIS_FOCUSED));
  SendMessageA(v, LVM_SETITEMSTATE, 2, (LPARAM)&st);  // focus moves, selection adds
  EXPECT_EQ(SendMessageA(v, LVM_GETITEMSTATE, 1, LVIS_FOCUSED), 0);
  EXPECT_EQ(SendMessageA(v, LVM_GETSELECTEDCOUNT, 0, 0), 2);
  // Index -1 means every row.
  st.state = 0;
  SendMessageA(v, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&st);
  EXPECT_EQ(SendMessageA(v, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  EXPECT_TRUE(SendMessageA(v, LVM_DELETEITEM, 0, 0));
  EXPECT_FALSE(SendMessageA(v, LVM_DELETEITEM, 5, 0));
  EXPECT_EQ(SendMessageA(v, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(v, LVM_GETSTRINGWIDTHA, 0, (LPARAM) "MMMM"), 24);
  SendMessageA(v, LVM_DELETEALLITEMS, 0, 0);
  EXPECT_EQ(SendMessageA(v, LVM_GETITEMCOUNT, 0, 0), 0);
}

// A sorted list view puts each insert at its place by the item text compared
// as lstrcmpi does, whatever index was asked, and returns that place; equal
// texts keep their order of insertion. Checked against a stable sort.
TEST_F(Controls, ListViewSortBitsPlaceEachInsertAndReturnItsIndex) {
  const char* words[] = {"beta", "Alpha", "alpha", "Gamma", "b", "BETA", "\xC6re", "\xE6re", "a-b", "", "10", "9"};
  for (DWORD sort : {LVS_SORTASCENDING, LVS_SORTDESCENDING}) {
    HWND v = Make("SysListView32", LVS_REPORT | sort);
    auto before = [sort](const std::string& a, const std::string& b) {
      int c = lstrcmpiA(a.c_str(), b.c_str());
      return sort == LVS_SORTASCENDING ? c < 0 : c > 0;
    };
    std::vector<std::string> model;
    unsigned seed = 7;
    for (int n = 0; n < 60; ++n) {
      seed = seed * 1103515245u + 12345u;
      std::string text = words[(seed >> 16) % (sizeof words / sizeof *words)];
      LVITEMA it = {};
      it.mask = LVIF_TEXT;
      it.iItem = (int)(seed % 7);  // ignored by a sorted list
      it.pszText = text.data();
      model.push_back(text);
      std::stable_sort(model.begin(), model.end(), before);
      // The new item is the last of its equals in the model.
      int want = (int)(std::upper_bound(model.begin(), model.end(), text, before) - model.begin()) - 1;
      ASSERT_EQ(SendMessageA(v, LVM_INSERTITEMA, 0, (LPARAM)&it), want) << text;
    }
    for (int i = 0; i < (int)model.size(); ++i) {
      char buf[16] = "";
      LVITEMA get = {};
      get.pszText = buf;
      get.cchTextMax = sizeof buf;
      SendMessageA(v, LVM_GETITEMTEXTA, i, (LPARAM)&get);
      ASSERT_EQ(buf, model[i]) << i;
    }
  }
  // Spelled out: case is ignored and equal texts keep their order.
  HWND v = Make("SysListView32", LVS_REPORT | LVS_SORTASCENDING);
  std::string got;
  for (const char* s : {"beta", "Alpha", "alpha", "ALPHA"}) {
    LVITEMA it = {};
    it.mask = LVIF_TEXT;
    it.iItem = 99;
    it.pszText = (LPSTR)s;
    got += std::to_string(SendMessageA(v, LVM_INSERTITEMA, 0, (LPARAM)&it));
  }
  EXPECT_EQ(got, "0012");
}

TEST_F(Controls, ADropDownComboIsItsClosedField) {
  auto height = [](HWND h) {
    RECT w, c;
    GetWindowRect(h, &w);
    GetClientRect(h, &c);
    EXPECT_EQ(c.bottom, w.bottom - w.top);
    return (int)(w.bottom - w.top);
  };
  HWND list = Make("ComboBox", CBS_DROPDOWNLIST);
  HWND drop = Make("ComboBox", CBS_DROPDOWN, 11);
  HWND simple = Make("ComboBox", CBS_SIMPLE, 12);
  MoveWindow(list, 0, 0, 100, 200, FALSE);  // the height asked for is the list's room
  SetWindowPos(drop, nullptr, 0, 0, 100, 150, SWP_NOMOVE);
  SetWindowPos(simple, nullptr, 0, 0, 100, 150, SWP_NOMOVE);
  EXPECT_EQ(height(list), 24);  // the system font
  EXPECT_EQ(height(drop), 24);
  EXPECT_EQ(height(simple), 150);
  SendMessageA(list, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
  EXPECT_EQ(height(list), 21);
}

TEST_F(Controls, SubclassingABuiltInControlFailsVisibly) {
  HWND e = Make("Edit", 0);
  SetLastError(0);
  EXPECT_EQ(SetWindowLongPtrA(e, GWLP_WNDPROC, (LONG_PTR)DefWindowProcA), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
}

TEST_F(Controls, TreeViewItemsAndSelection) {
  HWND t = Make("SysTreeView32", 0);
  TVINSERTSTRUCTA is = {};
  is.hParent = TVI_ROOT;
  is.hInsertAfter = TVI_LAST;
  is.item.mask = TVIF_TEXT;
  is.item.pszText = (LPSTR) "root";
  HTREEITEM root = (HTREEITEM)SendMessageA(t, TVM_INSERTITEMA, 0, (LPARAM)&is);
  is.hParent = root;
  is.item.pszText = (LPSTR) "second";
  HTREEITEM second = (HTREEITEM)SendMessageA(t, TVM_INSERTITEMA, 0, (LPARAM)&is);
  is.hInsertAfter = TVI_FIRST;
  is.item.pszText = (LPSTR) "first";
  HTREEITEM first = (HTREEITEM)SendMessageA(t, TVM_INSERTITEMA, 0, (LPARAM)&is);
  EXPECT_EQ(SendMessageA(t, TVM_GETCOUNT, 0, 0), 3);
  EXPECT_EQ((HTREEITEM)SendMessageA(t, TVM_GETNEXTITEM, TVGN_ROOT, 0), root);
  EXPECT_EQ((HTREEITEM)SendMessageA(t, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)root), first);
  EXPECT_EQ((HTREEITEM)SendMessageA(t, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)first), second);
  EXPECT_EQ((HTREEITEM)SendMessageA(t, TVM_GETNEXTITEM, TVGN_PARENT, (LPARAM)second), root);
  EXPECT_TRUE(SendMessageA(t, TVM_SELECTITEM, TVGN_CARET, (LPARAM)second));
  char text[16];
  TVITEMA it = {};
  it.mask = TVIF_TEXT;
  it.hItem = (HTREEITEM)SendMessageA(t, TVM_GETNEXTITEM, TVGN_CARET, 0);
  it.pszText = text;
  it.cchTextMax = sizeof text;
  EXPECT_TRUE(SendMessageA(t, TVM_GETITEMA, 0, (LPARAM)&it));
  EXPECT_STREQ(text, "second");
  SendMessageA(t, TVM_DELETEITEM, 0, (LPARAM)root);  // with its children
  EXPECT_EQ(SendMessageA(t, TVM_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(t, TVM_GETNEXTITEM, TVGN_CARET, 0), 0);
}

TEST_F(Controls, ButtonsEditsAndStatics) {
  HWND a = Make("Button", BS_AUTORADIOBUTTON | WS_GROUP, 1);
  HWND b = Make("Button", BS_AUTORADIOBUTTON, 2);
  HWND other = Make("Button", BS_AUTORADIOBUTTON | WS_GROUP, 3);
  SendMessageA(other, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(a, BM_CLICK, 0, 0);
  SendMessageA(b, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageA(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(other, BM_GETCHECK, 0, 0), BST_CHECKED);  // another group
  HWND push = Make("Button", BS_PUSHBUTTON, 4);
  SendMessageA(push, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageA(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  HWND box = Make("Button", BS_AUTOCHECKBOX | WS_DISABLED, 5);
  SendMessageA(box, BM_CLICK, 0, 0);  // a disabled button ignores clicks
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  HWND e = Make("Edit", 0, 6);
  SetWindowTextA(e, "hello");
  SendMessageA(e, EM_SETSEL, 1, 3);
  SendMessageA(e, EM_REPLACESEL, 0, (LPARAM) "EYY");
  char text[16];
  GetWindowTextA(e, text, sizeof text);
  EXPECT_STREQ(text, "hEYYlo");
  EXPECT_EQ(GetWindowTextLengthA(e), 6);
  SendMessageA(e, EM_LIMITTEXT, 0, 0);
  EXPECT_EQ(SendMessageA(e, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
  SendMessageA(e, EM_SETREADONLY, TRUE, 0);
  EXPECT_TRUE(GetWindowLongA(e, GWL_STYLE) & ES_READONLY);

  HWND s = Make("STATIC", SS_LEFT, 7);
  EXPECT_TRUE(SetWindowTextA(s, "Label"));
  EXPECT_EQ(GetWindowTextA(s, text, 3), 2);
  EXPECT_STREQ(text, "La");
}

}  // namespace
