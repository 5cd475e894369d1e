// Converter tables: lookups, the ini sections and the dialog.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/cnvtable.h"
#include "base/rtdialog.h"
#include "kvxtest_help.h"
#include "kvxlib.h"
#include "testing/dialog_driver.h"
#include "testing/tempdir.h"
#include "win32.h"

namespace {

namespace fs = std::filesystem;
using kvxtest::Dlg;

// Every pair of a table, in order, as "from=to;".
std::string sPairs(CnvTable* t) {
  std::string s;
  for (CnvEntry* e = pCnvTabFirst(t); e; e = e->next) s += std::string(e->from) + "=" + e->to + ";";
  return s;
}

struct CnvTableIni : ::testing::Test {
  kvxtest::TempDir tmp;
  fs::path dir = tmp.Path();
  std::string ini = tmp.Path("host.ini");
  CnvTable* t = nullptr;
  void SetUp() override {
    t = pCnvTabNew(9, 9);
    ASSERT_NE(t, nullptr);
  }
  void TearDown() override { pCnvTabFree(t); }
  // The fixture's table replaced by an empty one of these code widths.
  void fresh(int fromWidth, int toWidth) {
    pCnvTabFree(t);
    t = pCnvTabNew(fromWidth, toWidth);
  }
  void put(const char* key, const char* value) { WritePrivateProfileStringA("MboCnvTheme", key, value, ini.c_str()); }
  std::string get(const char* section, const char* key) {
    char buf[256];
    GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, ini.c_str());
    return buf;
  }
  std::string pairs() { return sPairs(t); }
  // The pairs a new table reads from the section; what it held is replaced.
  std::string readBack(const char* section) {
    CnvTable* r = pCnvTabNew(9, 9);
    pCnvTabAppend(r, "old", "old");
    EXPECT_TRUE(boCnvTabRead(r, ini.c_str(), section));
    std::string s = sPairs(r);
    pCnvTabFree(r);
    return s;
  }
};

TEST(CnvTable, NewCutsWidthsAndLooksUpFirstMatch) {
  CnvTable* t = pCnvTabNew(40, 4);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->fromWidth, 21u);
  EXPECT_EQ(t->toWidth, 4u);
  EXPECT_EQ(pCnvTabFirst(t), nullptr);
  pCnvTabAppend(t, "BYG", "10");
  pCnvTabAppend(t, "BYG", "20");
  pCnvTabAppend(t, "veg", "12345");  // to code cut to 3 characters
  char buf[21];
  ASSERT_TRUE(boCnvTabLookup(t, "BYG", buf, sizeof buf));
  EXPECT_STREQ(buf, "10");                                  // first of two equal from codes
  EXPECT_FALSE(boCnvTabLookup(t, "byg", buf, sizeof buf));  // case-sensitive
  EXPECT_FALSE(boCnvTabLookup(t, "BY", buf, sizeof buf));
  ASSERT_TRUE(boCnvTabLookupReverse(t, "123", buf, sizeof buf));
  EXPECT_STREQ(buf, "veg");
  ASSERT_TRUE(boCnvTabLookupReverse(t, "20", buf, 2));
  EXPECT_STREQ(buf, "B");  // bounded by the caller's size
  EXPECT_FALSE(boCnvTabLookup(nullptr, "BYG", buf, sizeof buf));
  EXPECT_EQ(pCnvTabFree(t), nullptr);
  EXPECT_EQ(pCnvTabFree(nullptr), nullptr);
  EXPECT_FALSE(boCnvTabDialog(nullptr, "cnvtable", "Korvax", "Instrument"));  // shows nothing
}

TEST_F(CnvTableIni, WriteAndReadBack) {
  pCnvTabAppend(t, "BYG", "10");
  pCnvTabAppend(t, "a b", "x y");  // blanks survive: the codes are quoted
  pCnvTabAppend(t, "", "7");       // one empty code survives as well
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");
  EXPECT_EQ(get("MboCnvTheme", "Item0"), "f:\"BYG\" t:\"10\"");
  EXPECT_EQ(get("MboCnvTheme", "Item1"), "f:\"a b\" t:\"x y\"");
  EXPECT_EQ(readBack("mbocnvtheme"), "BYG=10;a b=x y;=7;");  // names ignore case
}

TEST_F(CnvTableIni, EmptyTableLeavesAnEmptySection) {
  put("Item0", "f:\"A\" t:\"B\"");
  put("Item5", "f:\"C\" t:\"D\"");
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");
  EXPECT_EQ(get("MboCnvTheme", "Item0"), "<none>");
  EXPECT_EQ(get("MboCnvTheme", "Item5"), "<none>");  // the whole section went
  pCnvTabAppend(t, "x", "y");
  EXPECT_FALSE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pCnvTabFirst(t), nullptr);
}

TEST_F(CnvTableIni, ReadingStopsAtTheFirstGap) {
  put("Item0", "f:\"A\" t:\"1\"");
  put("Item2", "f:\"C\" t:\"3\"");
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "A=1;");
  put("Item1", "f:\"\" t:\"\"");  // two empty codes end the reading too
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "A=1;");
}

TEST_F(CnvTableIni, LongCodesAreCutToTheWidth) {
  put("Item0", "f:\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" t:\"0123456789\"");
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "ABCDEFGH=01234567;");
}

TEST_F(CnvTableIni, DamagedValuesNeverReadPastTheirEnd) {
  // Hand-edited values: too short for the prefixes, a missing t part, no
  // quotes. Each gives what is there and "" for what is missing.
  const char* damaged[] = {"f", "f:\"A\"", "f:B t:C", "xyD", "f:\"E\" t", "f:\"F\" t:"};
  for (int i = 0; i < 6; i++) put(("Item" + std::to_string(i)).c_str(), damaged[i]);
  EXPECT_FALSE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  // Item0 "f" yields two empty tokens and ends the reading.
  EXPECT_EQ(pairs(), "");
  put("Item0", "f:\"0\" t:\"0\"");
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "0=0;A=;B=C;D=;E=;F=;");
}

TEST_F(CnvTableIni, SharesTheFileWithKvxLibWrites) {
  // Another program's section and the host library's own keys, written in
  // turns with the converter tables on one file: nothing gets lost.
  {
    std::ofstream f(ini);
    f << "[Foreign]\nkeep=me\n; a comment\n";
  }
  vKvxInifPut(ini.c_str(), "KvxMbo", "MboType", "95");
  pCnvTabAppend(t, "BYG", "10");
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");
  KvxInif* h = pKvxInifOpen(ini.c_str(), 1);
  ASSERT_NE(h, nullptr);
  boKvxInifSetSection(h, "KvxMbo");
  vKvxInifPutEntry(h, "MboType95", "Fconv:1 Pconv:1");
  CnvTable* p = pCnvTabNew(4, 4);
  pCnvTabAppend(p, "K", "9");
  vCnvTabWrite(p, ini.c_str(), "MboCnvPnt");
  vKvxInifPutEntry(h, "MboTypeIO95", "port:1 baud:9600  bits:8 parity:0 sbit:0");
  vKvxInifClose(h);
  pCnvTabAppend(t, "VEG", "20");
  vCnvTabWrite(t, ini.c_str(), "MboCnvTheme");

  EXPECT_EQ(get("Foreign", "keep"), "me");
  EXPECT_EQ(get("KvxMbo", "MboType"), "95");
  EXPECT_EQ(get("KvxMbo", "MboType95"), "Fconv:1 Pconv:1");
  EXPECT_EQ(get("KvxMbo", "MboTypeIO95"), "port:1 baud:9600  bits:8 parity:0 sbit:0");
  char buf[64];
  ASSERT_TRUE(boKvxInifGet(ini.c_str(), "MboCnvPnt", "Item0", buf, sizeof buf));
  EXPECT_STREQ(buf, "f:\"K\" t:\"9\"");
  EXPECT_TRUE(boCnvTabRead(t, ini.c_str(), "MboCnvTheme"));
  EXPECT_EQ(pairs(), "BYG=10;VEG=20;");
  EXPECT_TRUE(boCnvTabRead(p, ini.c_str(), "MboCnvPnt"));
  EXPECT_EQ(iCnvTabCount(p), 1);
  pCnvTabFree(p);
  EXPECT_NE(kvxtest::ReadFile(ini).find("; a comment"), std::string::npos);
}

constexpr int kFrom = 201, kTo = 202, kList = 203, kAdd = 204, kDelete = 205, kHelp = 9;

struct CnvDialog : CnvTableIni {
  void SetUp() override {
    CnvTableIni::SetUp();
    pCnvTabAppend(t, "BYG", "10");
    pCnvTabAppend(t, "VEG", "20");
    pCnvTabAppend(t, "GJERDE", "30");
  }
  bool run(kvxtest::DlgAction action, const char* title = "Korvax") {
    kvxtest::ExpectDialog("Converter table", std::move(action));
    return boCnvTabDialog(t, "cnvtable", title, "Instrument");
  }
};

// The list's rows as "from=to;" and its selected row.
std::string list(const Dlg& d) {
  std::string r;
  for (int i = 0; i < d.RowCount(kList); i++) r += d.Cell(kList, i, 0) + "=" + d.Cell(kList, i, 1) + ";";
  return r + " selected " + std::to_string(d.SelectedRow(kList));
}
std::string edits(const Dlg& d) { return d.Text(kFrom) + "=" + d.Text(kTo); }

std::string sRect(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// A control's rectangle in the dialog's client pixels is where the grid puts
// a control of (column, row, width, rows).
void expectCell(const Dlg& d, int id, int col, int row, int width, int rows) {
  RECT got{}, want = rcDlgCell(col, row, width, rows);
  GetWindowRect(d.Item(id), &got);
  MapWindowPoints(nullptr, d.Hwnd(), (LPPOINT)&got, 2);
  want.right += 1;  // the cell's right and bottom are inclusive
  want.bottom += 1;
  MapDialogRect(d.Hwnd(), &want);
  EXPECT_EQ(sRect(got), sRect(want)) << "control " << id;
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
  } buttons[] = {
      {kAdd, 0, "Add"}, {kDelete, 2, "Delete"}, {IDOK, 8, "OK"}, {IDCANCEL, 10, "Cancel"}, {kHelp, 12, "Help"}};
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
  for (int c : {0, 1}) {
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, c, 0), cx) << c;
    EXPECT_EQ(columnTitle(d, c), c ? title2 : title1);
  }
}

TEST_F(CnvDialog, LayoutFollowsTheWiderOfTitleAndCodeWidth) {
  // "Korvax" and its terminator are narrower than the 9 of the code width.
  EXPECT_TRUE(run([](Dlg& d) {
    expectLayout(d, 9, "Korvax", "Instrument");
    d.Click(IDOK);
  }));
  // A longer title widens the columns: its 16 characters plus one.
  EXPECT_FALSE(run(
      [](Dlg& d) {
        expectLayout(d, 17, "Code in the host", "Instrument");
        d.Click(IDCANCEL);
      },
      "Code in the host"));
}

TEST_F(CnvDialog, ShowsTheTableInOrderAndAddsAtTheEnd) {
  bool ok = run([](Dlg& d) {
    EXPECT_EQ(list(d), "BYG=10;VEG=20;GJERDE=30; selected -1");
    d.Type(kFrom, "VEI");
    d.Type(kTo, "40");
    d.Click(kAdd);
    EXPECT_EQ(list(d), "BYG=10;VEG=20;GJERDE=30;VEI=40; selected 3");
    EXPECT_EQ(edits(d), "=");  // the edits are cleared for the next pair
    d.Click(kAdd);             // both empty: nothing
    EXPECT_EQ(d.RowCount(kList), 4);
    d.Type(kTo, "50");  // one code alone is a pair too
    d.Click(kAdd);
    d.Click(IDOK);
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(pairs(), "BYG=10;VEG=20;GJERDE=30;VEI=40;=50;");
}

TEST_F(CnvDialog, DuplicatesKeepTheirOrderSoTheSameOneWinsAfterOk) {
  // Three host codes for one instrument code: the reverse lookup takes the
  // first, which rows sorted either way would change.
  fresh(9, 9);
  for (const char* from : {"GJERDE", "VEG", "BYG"}) pCnvTabAppend(t, from, "20");
  auto edit = [](Dlg& d) {
    EXPECT_EQ(list(d), "GJERDE=20;VEG=20;BYG=20; selected -1");
    d.Type(kFrom, "ALLE");
    d.Type(kTo, "20");
    d.Click(kAdd);
    EXPECT_EQ(list(d), "GJERDE=20;VEG=20;BYG=20;ALLE=20; selected 3");
    d.Click(IDOK);
  };
  EXPECT_TRUE(run(edit));
  EXPECT_EQ(pairs(), "GJERDE=20;VEG=20;BYG=20;ALLE=20;");
  char from[9] = "";
  EXPECT_TRUE(boCnvTabLookupReverse(t, "20", from, sizeof from));
  EXPECT_STREQ(from, "GJERDE");
}

TEST_F(CnvDialog, DeleteNeedsASelection) {
  bool ok = run([](Dlg& d) {
    d.Click(kDelete);  // nothing selected: nothing happens
    EXPECT_EQ(list(d), "BYG=10;VEG=20;GJERDE=30; selected -1");
    d.ClickRow(kList, 1);
    EXPECT_EQ(edits(d), "VEG=20");  // a click copies the pair into the edits
    d.Click(kDelete);
    EXPECT_EQ(list(d), "BYG=10;GJERDE=30; selected 1");  // the row that took its place
    d.Click(kDelete);                                    // the last row: the new last one is selected
    EXPECT_EQ(list(d), "BYG=10; selected 0");
    d.Click(kDelete);
    EXPECT_EQ(list(d), " selected -1");
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
  fresh(4, 4);
  auto typeLong = [](Dlg& d) {
    d.Type(kFrom, "KKKKK");
    d.Type(kTo, "99999");
    d.Click(kAdd);
    EXPECT_EQ(list(d), "KKK=999; selected 0");
    d.Click(IDOK);
  };
  EXPECT_TRUE(run(typeLong, "Prefix"));
  EXPECT_EQ(pairs(), "KKK=999;");
}

TEST_F(CnvDialog, LongTranslatedTitleIsMeasuredSafely) {
  std::string title(500, 'T');
  EXPECT_TRUE(run(
      [](Dlg& d) {
        EXPECT_EQ(d.RowCount(kList), 3);
        d.Click(IDOK);
      },
      title.c_str()));
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

TEST_F(CnvDialog, EditSaveAndReload) {
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
  EXPECT_EQ(readBack("MboCnvTheme"), "VEG=20;GJERDE=30;HUS VEGG=11;");
}

}  // namespace
