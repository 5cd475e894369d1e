// The UI driver for dialogs. See dialog_driver.h.
#include "testing/dialog_driver.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "kvxtest_ui.h"
#include "testing/ui_driver.h"

namespace kvxtest {
namespace {

struct Expectation {
  int resourceId;  // 0: by caption
  std::string caption;
  DlgAction action;
};

struct DelayedClick {
  HWND dialog;
  int id;
  bool command;  // post WM_COMMAND to the dialog rather than click a button
};

std::deque<Expectation> gExpected;
std::vector<std::unique_ptr<DelayedClick>> gDelayed;

std::string CaptionOf(HWND h) {
  char text[512];
  GetWindowTextA(h, text, sizeof text);
  return text;
}

std::string Describe(HWND h) {
  return "\"" + CaptionOf(h) + "\" (resource " + std::to_string(kvxUiDialogResourceId(h)) + ")";
}

std::string Describe(const Expectation& e) {
  return e.resourceId ? "resource " + std::to_string(e.resourceId) : "\"" + e.caption + "\"";
}

bool Matches(const Expectation& e, HWND h) {
  if (e.resourceId) return kvxUiDialogResourceId(h) == e.resourceId;
  std::string caption = CaptionOf(h);
  if (!e.caption.empty() && e.caption.back() == '*')
    return caption.compare(0, e.caption.size() - 1, e.caption, 0, e.caption.size() - 1) == 0;
  return caption == e.caption;
}

void OnModal(HWND h) {
  if (gExpected.empty()) {
    ADD_FAILURE() << "unexpected dialog " << Describe(h);
    vUiNoteUnexpected("dialog " + Describe(h));
    return;
  }
  if (!Matches(gExpected.front(), h)) {
    ADD_FAILURE() << "dialog " << Describe(h) << " opened where " << Describe(gExpected.front()) << " was expected";
    vUiNoteUnexpected("dialog " + Describe(h));
    return;
  }
  Expectation e = std::move(gExpected.front());
  gExpected.pop_front();
  Dlg d(h);
  if (e.action) e.action(d);
  kvxUiDispatchPending();
  if (IsWindow(h) && !kvxUiDialogEnded(h)) ADD_FAILURE() << "dialog " << Describe(h) << " left open by its actions";
}

// The entries of a combo or list box, by its count, length and text messages.
std::vector<std::string> ItemsOf(HWND dialog, int id, UINT countMsg, UINT lenMsg, UINT textMsg) {
  std::vector<std::string> items;
  int n = (int)SendDlgItemMessageA(dialog, id, countMsg, 0, 0);
  for (int i = 0; i < n; ++i) {
    std::string s(SendDlgItemMessageA(dialog, id, lenMsg, i, 0) + 1, '\0');
    s.resize(SendDlgItemMessageA(dialog, id, textMsg, i, (LPARAM)s.data()));
    items.push_back(s);
  }
  return items;
}

// The first entry that begins with the prefix (ignoring case), or -1 after
// reporting a failure.
int FindEntry(HWND control, UINT findMsg, const char* kind, int id, const std::string& prefix) {
  int i = (int)SendMessageA(control, findMsg, (WPARAM)-1, (LPARAM)prefix.c_str());
  if (i < 0) ADD_FAILURE() << kind << " " << id << " has no entry beginning with \"" << prefix << "\"";
  return i;
}

void FireDelayedClick(void* context) {
  DelayedClick* c = (DelayedClick*)context;
  HWND ctl = GetDlgItem(c->dialog, c->id);
  if (c->command) {
    if (IsWindow(c->dialog)) PostMessageA(c->dialog, WM_COMMAND, MAKEWPARAM(c->id, BN_CLICKED), (LPARAM)ctl);
    return;
  }
  if (!ctl || !IsWindowVisible(ctl) || !IsWindowEnabled(ctl) || !IsWindowEnabled(c->dialog)) {
    ADD_FAILURE() << "delayed click on control " << c->id << ": missing, hidden or disabled";
    return;
  }
  PostMessageA(ctl, BM_CLICK, 0, 0);
}

// Checks and resets at the end of every test.
class Listener : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { kvxUiSetModalHook(OnModal); }
  void OnTestEnd(const testing::TestInfo&) override {
    for (const Expectation& e : gExpected) ADD_FAILURE() << "expected dialog " << Describe(e) << " never opened";
    ResetDialogs();
    kvxUiReset();
    gDelayed.clear();
  }
};

[[maybe_unused]] const bool gInstalled = [] {
  kvxUiSetModalHook(OnModal);
  testing::UnitTest::GetInstance()->listeners().Append(new Listener);
  return true;
}();

}  // namespace

int Dlg::ResourceId() const { return kvxUiDialogResourceId(h_); }
std::string Dlg::Caption() const { return CaptionOf(h_); }
bool Dlg::Ended() const { return kvxUiDialogEnded(h_) != FALSE; }

std::string Dlg::Text(int id) const {
  HWND c = Item(id);
  if (!c) {
    ADD_FAILURE() << "no control " << id << " in dialog " << Describe(h_);
    return "";
  }
  std::string s(GetWindowTextLengthA(c) + 1, '\0');
  s.resize(GetWindowTextA(c, s.data(), (int)s.size()));
  return s;
}

bool Dlg::IsChecked(int id) const { return IsDlgButtonChecked(h_, id) == BST_CHECKED; }
bool Dlg::IsEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
bool Dlg::IsVisible(int id) const { return IsWindowVisible(Item(id)) != FALSE; }

std::vector<std::string> Dlg::ComboItems(int id) const {
  return ItemsOf(h_, id, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int Dlg::ComboSel(int id) const { return (int)SendDlgItemMessageA(h_, id, CB_GETCURSEL, 0, 0); }

std::string Dlg::ComboSelText(int id) const {
  int i = ComboSel(id);
  return i < 0 ? std::string() : ComboItems(id)[i];
}

std::vector<std::string> Dlg::ListItems(int id) const {
  return ItemsOf(h_, id, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

int Dlg::ListSel(int id) const { return (int)SendDlgItemMessageA(h_, id, LB_GETCURSEL, 0, 0); }

int Dlg::RowCount(int id) const { return (int)SendDlgItemMessageA(h_, id, LVM_GETITEMCOUNT, 0, 0); }

std::string Dlg::Cell(int id, int row, int column) const {
  char text[1024];
  LVITEMA it = {};
  it.iSubItem = column;
  it.pszText = text;
  it.cchTextMax = sizeof text;
  text[0] = 0;
  SendDlgItemMessageA(h_, id, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&it);
  return text;
}

int Dlg::SelectedRow(int id) const {
  return (int)SendDlgItemMessageA(h_, id, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

HWND Dlg::Usable(int id, const char* action) const {
  HWND c = Item(id);
  if (!IsWindow(h_) || kvxUiDialogEnded(h_)) {
    ADD_FAILURE() << action << " on control " << id << ": the dialog has ended";
    return nullptr;
  }
  if (!c) {
    ADD_FAILURE() << action << ": no control " << id << " in dialog " << Describe(h_);
    return nullptr;
  }
  if (!IsWindowVisible(c)) {
    ADD_FAILURE() << action << ": control " << id << " of dialog " << Describe(h_) << " is hidden";
    return nullptr;
  }
  if (!IsWindowEnabled(c) || !IsWindowEnabled(h_)) {
    ADD_FAILURE() << action << ": control " << id << " of dialog " << Describe(h_) << " is disabled";
    return nullptr;
  }
  return c;
}

namespace {
std::string ClassOf(HWND c) {
  char name[64];
  GetClassNameA(c, name, sizeof name);
  return name;
}
}  // namespace

void Dlg::Type(int id, const std::string& text) {
  HWND c = Usable(id, "typing");
  if (!c) return;
  std::string cls = ClassOf(c);
  LONG style = GetWindowLongA(c, GWL_STYLE);
  if (cls == "Edit") {
    if (style & ES_READONLY) {
      ADD_FAILURE() << "typing: edit " << id << " is read-only";
      return;
    }
    // The user cannot type beyond the limit.
    size_t limit = (size_t)SendMessageA(c, EM_GETLIMITTEXT, 0, 0);
    SetFocus(c);
    SetWindowTextA(c, text.substr(0, limit).c_str());
  } else if (cls == "ComboBox" && (style & 3) != CBS_DROPDOWNLIST) {
    SetFocus(c);
    SetWindowTextA(c, text.c_str());
    SendMessageA(h_, WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE), (LPARAM)c);
  } else {
    ADD_FAILURE() << "typing: control " << id << " (" << cls << ") takes no typing";
    return;
  }
  kvxUiDispatchPending();
}

void Dlg::Click(int id) {
  HWND c = Usable(id, "click");
  if (!c) return;
  if (ClassOf(c) != "Button") {
    ADD_FAILURE() << "click: control " << id << " is not a button";
    return;
  }
  SendMessageA(c, BM_CLICK, 0, 0);
  kvxUiDispatchPending();
}

void Dlg::Check(int id, bool on) {
  HWND c = Usable(id, "check");
  if (!c) return;
  if ((IsDlgButtonChecked(h_, id) == BST_CHECKED) == on) return;
  Click(id);
  if (IsWindow(c) && (IsDlgButtonChecked(h_, id) == BST_CHECKED) != on)
    ADD_FAILURE() << "check: control " << id << " did not change when clicked";
}

void Dlg::Escape() {
  if (!IsWindow(h_) || kvxUiDialogEnded(h_)) {
    ADD_FAILURE() << "Escape: the dialog has ended";
    return;
  }
  MSG m = {h_, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
  IsDialogMessageA(h_, &m);
  kvxUiDispatchPending();
}

void Dlg::Enter() {
  if (!IsWindow(h_) || kvxUiDialogEnded(h_)) {
    ADD_FAILURE() << "Enter: the dialog has ended";
    return;
  }
  int id = LOWORD(SendMessageA(h_, DM_GETDEFID, 0, 0));
  if (HWND c = Item(id); c && (!IsWindowEnabled(c) || !IsWindowVisible(c))) {
    ADD_FAILURE() << "Enter: default button " << id << " is disabled or hidden";
    return;
  }
  MSG m = {h_, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
  IsDialogMessageA(h_, &m);
  kvxUiDispatchPending();
}

void Dlg::ChooseComboIndex(int id, int index) {
  HWND c = Usable(id, "combo choice");
  if (!c) return;
  if (index < 0 || index >= (int)SendMessageA(c, CB_GETCOUNT, 0, 0)) {
    ADD_FAILURE() << "combo " << id << " has no entry " << index;
    return;
  }
  SetFocus(c);
  SendMessageA(c, CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageA(h_, WM_COMMAND, MAKEWPARAM(id, CBN_DROPDOWN), (LPARAM)c);
  SendMessageA(c, CB_SETCURSEL, (WPARAM)index, 0);
  SendMessageA(h_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)c);
  SendMessageA(c, CB_SHOWDROPDOWN, FALSE, 0);
  SendMessageA(h_, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), (LPARAM)c);
  SendMessageA(h_, WM_COMMAND, MAKEWPARAM(id, CBN_CLOSEUP), (LPARAM)c);
  kvxUiDispatchPending();
}

void Dlg::ChooseCombo(int id, const std::string& prefix) {
  HWND c = Usable(id, "combo choice");
  if (!c) return;
  int i = FindEntry(c, CB_FINDSTRING, "combo", id, prefix);
  if (i >= 0) ChooseComboIndex(id, i);
}

void Dlg::ChooseList(int id, const std::string& prefix) {
  HWND c = Usable(id, "list choice");
  if (!c) return;
  int i = FindEntry(c, LB_FINDSTRING, "list", id, prefix);
  if (i < 0) return;
  SetFocus(c);
  LONG style = GetWindowLongA(c, GWL_STYLE);
  if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL))
    SendMessageA(c, LB_SETSEL, TRUE, i);
  else
    SendMessageA(c, LB_SETCURSEL, (WPARAM)i, 0);
  if (style & LBS_NOTIFY) SendMessageA(h_, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), (LPARAM)c);
  kvxUiDispatchPending();
}

void Dlg::DoubleClickList(int id, const std::string& prefix) {
  ChooseList(id, prefix);
  HWND c = Item(id);
  if (c && IsWindow(h_) && (GetWindowLongA(c, GWL_STYLE) & LBS_NOTIFY)) {
    SendMessageA(h_, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), (LPARAM)c);
    kvxUiDispatchPending();
  }
}

void Dlg::ClickRow(int id, int row) {
  HWND c = Usable(id, "row click");
  if (!c) return;
  if (row < 0 || row >= RowCount(id)) {
    ADD_FAILURE() << "list view " << id << " has no row " << row;
    return;
  }
  SetFocus(c);
  LVITEMA it = {};
  it.stateMask = LVIS_SELECTED;
  SendMessageA(c, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&it);
  it.state = it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(c, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&it);
  NMITEMACTIVATE nm = {};
  nm.hdr.hwndFrom = c;
  nm.hdr.idFrom = (UINT_PTR)id;
  nm.hdr.code = NM_CLICK;
  nm.iItem = row;
  SendMessageA(h_, WM_NOTIFY, (WPARAM)id, (LPARAM)&nm);
  kvxUiDispatchPending();
}

void Dlg::ClickAfterPeeks(int id, unsigned n) {
  if (!Item(id)) {
    ADD_FAILURE() << "delayed click: no control " << id << " in dialog " << Describe(h_);
    return;
  }
  gDelayed.push_back(std::make_unique<DelayedClick>(DelayedClick{h_, id, false}));
  kvxUiCallAfterPeeks(n, FireDelayedClick, gDelayed.back().get());
}

void Dlg::CommandAfterPeeks(int id, unsigned n) {
  gDelayed.push_back(std::make_unique<DelayedClick>(DelayedClick{h_, id, true}));
  kvxUiCallAfterPeeks(n, FireDelayedClick, gDelayed.back().get());
}

void ExpectDialog(int resourceId, DlgAction action) {
  kvxUiSetModalHook(OnModal);
  gExpected.push_back({resourceId, "", std::move(action)});
}

void ExpectDialog(const std::string& caption, DlgAction action) {
  kvxUiSetModalHook(OnModal);
  gExpected.push_back({0, caption, std::move(action)});
}

int PendingDialogs() { return (int)gExpected.size(); }

void ResetDialogs() { gExpected.clear(); }

}  // namespace kvxtest
