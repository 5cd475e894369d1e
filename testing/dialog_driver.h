// The UI driver for dialogs: a test says beforehand what the user does when
// each modal dialog opens, in the order the dialogs open (nested ones too),
// and the driver does it when the window manager runs the dialog.
//
//   kvxtest::ExpectDialog(104, [](kvxtest::Dlg& d) {
//     d.ChooseCombo(203, "95 ");
//     d.Check(205, true);
//     d.Click(IDOK);
//   });
//
// Failures, reported as test failures at once (nothing can hang):
// - a modal dialog opens that no expectation is waiting for, or another than
//   the next expected one (it is then ended with 0);
// - a dialog is still open when its actions are done (it is ended with 0);
// - an action on a control that is missing, disabled or hidden, or on a
//   dialog that has ended;
// - at the end of the test, expected dialogs that never opened.
// At the end of every test the driver forgets its expectations and resets
// the window manager (kvxUiReset).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32.h"

namespace kvxtest {

// A dialog as the user sees it: acts through clicks and typing, and reads
// what is shown.
class Dlg {
 public:
  explicit Dlg(HWND dialog) : h_(dialog) {}
  HWND Hwnd() const { return h_; }
  HWND Item(int id) const { return GetDlgItem(h_, id); }
  int ResourceId() const;
  std::string Caption() const;
  bool Ended() const;

  // Reading.
  std::string Text(int id) const;
  bool IsChecked(int id) const;
  bool IsEnabled(int id) const;
  bool IsVisible(int id) const;
  std::vector<std::string> ComboItems(int id) const;
  int ComboSel(int id) const;  // -1 when none
  std::string ComboSelText(int id) const;
  std::vector<std::string> ListItems(int id) const;
  int ListSel(int id) const;
  int RowCount(int id) const;  // list view
  std::string Cell(int id, int row, int column) const;
  int SelectedRow(int id) const;  // first selected row, -1 when none

  // Acting as the user.
  void Type(int id, const std::string& text);           // replaces the text of an edit (or editable combo)
  void Click(int id);                                   // a button: check boxes and radios change as on screen
  void Check(int id, bool on);                          // clicks a check box or radio button when it differs
  void Escape();                                        // the Escape key: IDCANCEL
  void Enter();                                         // the Enter key: the default button
  void ChooseCombo(int id, const std::string& prefix);  // first entry that begins with it, ignoring case
  void ChooseComboIndex(int id, int index);
  void ChooseList(int id, const std::string& prefix);
  void DoubleClickList(int id, const std::string& prefix);
  void ClickRow(int id, int row);  // list view: selects and focuses the row
  // Clicks the button after n more PeekMessageA calls (a Stop during a wait);
  // a button then missing, disabled or hidden fails the test.
  void ClickAfterPeeks(int id, unsigned n);
  // Posts WM_COMMAND with the id (BN_CLICKED) to the dialog after n more
  // PeekMessageA calls, as Escape (IDCANCEL) does with no button needed.
  void CommandAfterPeeks(int id, unsigned n);

 private:
  HWND Usable(int id, const char* action) const;  // the control, or null after reporting a failure
  HWND h_;
};

using DlgAction = std::function<void(Dlg&)>;

// The next modal dialog to open is the one with this resource id...
void ExpectDialog(int resourceId, DlgAction action);
// ...or with this caption (as it reads after WM_INITDIALOG); a caption
// ending in '*' matches every caption that begins with the rest.
void ExpectDialog(const std::string& caption, DlgAction action);
// Expected dialogs that have not opened yet.
int PendingDialogs();
// Forgets the expectations (the end of every test does it).
void ResetDialogs();

}  // namespace kvxtest
