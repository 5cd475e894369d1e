#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/cnvtable.h"
#include "base/rtdialog.h"
#include "kvxtest_help.h"
#include "testing/dialog_driver.h"
#include "win32.h"

namespace {

using kvxtest::Dlg;

constexpr int kFrom = 201, kTo = 202, kList = 203, kAdd = 204, kDelete = 205, kHelp = 9;

struct CnvDialog : ::testing::Test {
  CnvTable* t = nullptr;
  void SetUp() override {
    t = pCnvTabNew(9, 9);
    pCnvTabAppend(t, "BYG", "10");
    pCnvTabAppend(t, "VEG", "20");
    pCnvTabAppend(t, "GJERDE", "30");
  }
  void TearDown() override { pCnvTabFree(t); }
  std::string pairs() const {
    std::string s;
    for (CnvEntry* e = pCnvTabFirst(t); e; e = e->next) s += std::string(e->from) + "=" + e->to + ";";
    return s;
  }
  bool run(kvxtest::DlgAction action) {
    kvxtest::ExpectDialog("Converter table", std::move(action));
    return boCnvTabDialog(t, "cnvtable", "Korvax", "Instrument");
  }
};

std::vector<std::string> rows(const Dlg& d) {
  std::vector<std::string> r;
  for (int i = 0; i < d.RowCount(kList); i++) r.push_back(d.Cell(kList, i, 0) + "=" + d.Cell(kList, i, 1));
  return r;
}

// A control's rectangle in the dialog's client pixels.
RECT controlRect(const Dlg& d, int id) {
  RECT rc{};
  GetWindowRect(d.Item(id), &rc);
  MapWindowPoints(nullptr, d.Hwnd(), (LPPOINT)&rc, 2);
  return rc;
}

// Where the grid puts a control of (column, row, width, rows).
RECT cellRect(const Dlg& d, int col, int row, int width, int rows) {
  RECT rc = rcDlgCell(col, row, width, rows);
  rc.right += 1;  // the cell's right and bottom are inclusive
  rc.bottom += 1;
  MapDialogRect(d.Hwnd(), &rc);
  return rc;
}

void expectCell(const Dlg& d, int id, int col, int row, int width, int rows) {
  RECT got = controlRect(d, id), want = cellRect(d, col, row, width, rows);
  EXPECT_EQ(got.left, want.left) << "control " << id;
  EXPECT_EQ(got.top, want.top) << "control " << id;
  EXPECT_EQ(got.right, want.right) << "control " << id;
  EXPECT_EQ(got.bottom, want.bottom) << "control " << id;
}

std::string columnTitle(const Dlg& d, int column) {
  char buf[64] = "";
  LVCOLUMNA col = {};
  col.mask = LVCF_TEXT;
  col.pszText = buf;
  col.cchTextMax = sizeof buf;
  SendDlgItemMessageA(d.Hwnd(), kList, LVM_GETCOLUMNA, (WPARAM)column, (LPARAM)&col);
  return buf;
}

// The grid layout for a column width w: edits side by side, the list below
// them, the buttons in one column on the right.
void expectLayout(const Dlg& d, int w, const char* title1, const char* title2) {
  expectCell(d, kFrom, 0, 0, w, 0);
  expectCell(d, kTo, w, 0, w, 0);
  expectCell(d, kList, 0, 2, 2 * w + 3, 12);
  const struct {
    int id, row;
    const char* text;
  } buttons[] = {{kAdd, 0, "Add"}, {kDelete, 2, "Delete"}, {IDOK, 8, "OK"}, {IDCANCEL, 10, "Cancel"},
                 {kHelp, 12, "Help"}};
  for (const auto& b : buttons) {
    expectCell(d, b.id, 2 * w + 3, b.row, 12, 0);
    EXPECT_EQ(d.Text(b.id), b.text);
  }
  HWND list = d.Item(kList);
  EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
  // Both columns as wide as w capital M letters in the list's font.
  std::string ms(w, 'M');
  LRESULT cx = SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, (LPARAM)ms.c_str());
  EXPECT_GT(cx, 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), cx);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), cx);
  EXPECT_EQ(columnTitle(d, 0), title1);
  EXPECT_EQ(columnTitle(d, 1), title2);
}

TEST_F(CnvDialog, LayoutFollowsTheWiderOfTitleAndCodeWidth) {
  // "Korvax" and its terminator are narrower than the 9 of the code width.
  EXPECT_TRUE(run([](Dlg& d) {
    expectLayout(d, 9, "Korvax", "Instrument");
    d.Click(IDOK);
  }));
  // A longer title widens the columns: its 16 characters plus one.
  kvxtest::ExpectDialog("Converter table", [](Dlg& d) {
    expectLayout(d, 17, "Code in the host", "Instrument");
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(boCnvTabDialog(t, "cnvtable", "Code in the host", "Instrument"));
}

TEST_F(CnvDialog, ShowsTheTableInOrderAndAddsAtTheEnd) {
  bool ok = run([](Dlg& d) {
    EXPECT_EQ(rows(d), (std::vector<std::string>{"BYG=10", "VEG=20", "GJERDE=30"}));
    d.Type(kFrom, "VEI");
    d.Type(kTo, "40");
    d.Click(kAdd);
    EXPECT_EQ(d.RowCount(kList), 4);
    EXPECT_EQ(d.SelectedRow(kList), 3);
    EXPECT_EQ(d.Text(kFrom), "");  // the edits are cleared for the next pair
    EXPECT_EQ(d.Text(kTo), "");
    d.Click(kAdd);  // both empty: nothing
    EXPECT_EQ(d.RowCount(kList), 4);
    d.Type(kTo, "50");  // one code alone is a pair too
    d.Click(kAdd);
    d.Click(IDOK);
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(pairs(), "BYG=10;VEG=20;GJERDE=30;VEI=40;=50;");
}

TEST_F(CnvDialog, DeleteNeedsASelection) {
  bool ok = run([](Dlg& d) {
    ASSERT_EQ(d.SelectedRow(kList), -1);
    d.Click(kDelete);  // nothing selected: nothing happens
    EXPECT_EQ(d.RowCount(kList), 3);
    EXPECT_EQ(d.SelectedRow(kList), -1);
    d.ClickRow(kList, 1);
    EXPECT_EQ(d.Text(kFrom), "VEG");  // a click copies the pair into the edits
    EXPECT_EQ(d.Text(kTo), "20");
    d.Click(kDelete);
    EXPECT_EQ(rows(d), (std::vector<std::string>{"BYG=10", "GJERDE=30"}));
    EXPECT_EQ(d.SelectedRow(kList), 1);  // the row that took its place
    d.Click(kDelete);                    // the last row: the new last one is selected
    EXPECT_EQ(rows(d), (std::vector<std::string>{"BYG=10"}));
    EXPECT_EQ(d.SelectedRow(kList), 0);
    d.Click(kDelete);
    EXPECT_EQ(d.RowCount(kList), 0);
    EXPECT_EQ(d.SelectedRow(kList), -1);
    d.Click(kDelete);
    d.Click(IDOK);
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(pairs(), "");
}

TEST_F(CnvDialog, CancelKeepsTheTable) {
  bool ok = run([](Dlg& d) {
    d.ClickRow(kList, 0);
    d.Click(kDelete);
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(pairs(), "BYG=10;VEG=20;GJERDE=30;");
  EXPECT_FALSE(run([](Dlg& d) { d.Escape(); }));
  EXPECT_EQ(pairs(), "BYG=10;VEG=20;GJERDE=30;");
}

TEST_F(CnvDialog, CodesAreCutToTheWidths) {
  CnvTable* p = pCnvTabNew(4, 4);
  kvxtest::ExpectDialog("Converter table", [](Dlg& d) {
    d.Type(kFrom, "KKKKK");
    d.Type(kTo, "99999");
    d.Click(kAdd);
    EXPECT_EQ(rows(d), (std::vector<std::string>{"KKK=999"}));
    d.Click(IDOK);
  });
  EXPECT_TRUE(boCnvTabDialog(p, "cnvtable", "Prefix", "Instrument"));
  ASSERT_NE(pCnvTabFirst(p), nullptr);
  EXPECT_STREQ(pCnvTabFirst(p)->from, "KKK");
  EXPECT_STREQ(pCnvTabFirst(p)->to, "999");
  pCnvTabFree(p);
}

TEST_F(CnvDialog, LongTranslatedTitleIsMeasuredSafely) {
  std::string title(500, 'T');
  kvxtest::ExpectDialog("Converter table", [](Dlg& d) {
    EXPECT_EQ(d.RowCount(kList), 3);
    d.Click(IDOK);
  });
  EXPECT_TRUE(boCnvTabDialog(t, "cnvtable", title.c_str(), "Instrument"));
  EXPECT_EQ(pairs(), "BYG=10;VEG=20;GJERDE=30;");
}

TEST_F(CnvDialog, HelpShowsTheTopic) {
  KvxTestHelpReset();
  KvxTestHelpSetAnswer(KVXTEST_HELP_WINDOW);
  run([](Dlg& d) {
    d.Click(kHelp);
    d.Click(IDCANCEL);
  });
  ASSERT_EQ(KvxTestHelpCallCount(), 1);
  KvxTestHelpCall call;
  ASSERT_TRUE(KvxTestHelpGetCall(0, &call));
  EXPECT_STREQ(call.topic, "cnvtable.htm");
  KvxTestHelpReset();
}

TEST_F(CnvDialog, NullTableShowsNothing) {
  EXPECT_FALSE(boCnvTabDialog(nullptr, "cnvtable", "Korvax", "Instrument"));
}

TEST_F(CnvDialog, EditSaveAndReload) {
  char tmpl[] = "/tmp/kvx-cnvdlg-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string ini = std::string(tmpl) + "/host.ini";
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");
  ASSERT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  bool ok = run([](Dlg& d) {
    d.ClickRow(kList, 0);
    d.Click(kDelete);
    d.Type(kFrom, "HUS VEGG");  // a blank inside survives the ini file
    d.Type(kTo, "11");
    d.Click(kAdd);
    d.Click(IDOK);
  });
  ASSERT_TRUE(ok);
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");
  CnvTable* r = pCnvTabNew(9, 9);
  EXPECT_TRUE(boCnvTabRead(r, ini.c_str(), "MboCnvTheme"));
  std::swap(r, t);
  EXPECT_EQ(pairs(), "VEG=20;GJERDE=30;HUS VEGG=11;");
  pCnvTabFree(r);
  std::filesystem::remove_all(tmpl);
}

}  // namespace
