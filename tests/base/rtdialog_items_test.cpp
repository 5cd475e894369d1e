// Dialog-item accessors, list and combo wrappers, string resources and help.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/rtdialog.h"
#include "kvxtest_help.h"
#include "testing/dialog_driver.h"
#include "testing/ui_driver.h"

using kvxtest::Dlg;
using kvxtest::ExpectDialog;

namespace {

// A modeless dialog with an edit 10, a check box 11, a combo 12 and list
// boxes 13 (single) and 14 (multiple selection).
INT_PTR CALLBACK ItemsProc(HWND h, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) {
    hDlgAddEdit(h, 10, 0, 0, 10, 0);
    hDlgAddCheckBox(h, 11, "Check", 0, 2, 0, 0);
    hDlgAddCombo(h, 12, 0, 4, 20, 6, CBS_DROPDOWNLIST);
    hDlgAddList(h, 13, 0, 6, 20, 4, 0);
    hDlgAddList(h, 14, 22, 6, 20, 4, LBS_MULTIPLESEL);
    return TRUE;
  }
  return FALSE;
}

class Items : public testing::Test {
 protected:
  void SetUp() override { h = hDlgCreateModeless(nullptr, ItemsProc, 0, 0, 0, 0x90C80080); }
  void TearDown() override { DestroyWindow(h); }
  HWND h = nullptr;
};

TEST(StrToNumber, TheLenientNumberTestOfTheItemReaders) {
  double v = -1;
  EXPECT_TRUE(boStrToNumber(" 1,5", &v));
  EXPECT_DOUBLE_EQ(v, 1.5);
  EXPECT_TRUE(boStrToNumber("-.5", &v));
  EXPECT_DOUBLE_EQ(v, -0.5);
  EXPECT_TRUE(boStrToNumber("--5", &v));  // passes the digit test, reads as 0
  EXPECT_DOUBLE_EQ(v, 0.0);
  EXPECT_FALSE(boStrToNumber("abc", &v));
  EXPECT_DOUBLE_EQ(v, 0.0);
  EXPECT_FALSE(boStrToNumber(nullptr, &v));
  EXPECT_TRUE(boStrToNumber("1234567890123456789999", &v));  // cut to 19 characters
  EXPECT_DOUBLE_EQ(v, 1234567890123456789.0);
}

TEST_F(Items, ReadAndWriteNumbersTextsAndStates) {
  ASSERT_NE(h, nullptr);
  vDlgSetItemDouble(h, 10, 3, 2.5);
  EXPECT_STREQ(sDlgGetItemTextTemp(h, 10), "2.5");
  EXPECT_DOUBLE_EQ(dDlgGetItemDouble(h, 10), 2.5);
  vDlgSetItemDouble(h, 10, 2, 1e300);  // long, and whole
  EXPECT_EQ(strlen(sDlgGetItemTextTemp(h, 10)), 301u);
  SetDlgItemTextA(h, 10, "x");
  double d = 9;
  EXPECT_FALSE(boDlgGetItemDouble(h, 10, &d));
  EXPECT_DOUBLE_EQ(dDlgGetItemDouble(h, 10), 0.0);
  SetDlgItemTextA(h, 10, "-17");
  int i = 0;
  EXPECT_TRUE(boDlgGetItemInt(h, 10, &i));
  EXPECT_EQ(i, -17);
  SetDlgItemTextA(h, 10, "17a");
  EXPECT_FALSE(boDlgGetItemInt(h, 10, &i));
  EXPECT_EQ(iDlgGetItemIntOr0(h, 10), 0);
  SetDlgItemTextA(h, 10, std::string(500, 'q').c_str());
  EXPECT_EQ(strlen(sDlgGetItemTextTemp(h, 10)), 399u);

  EXPECT_FALSE(boDlgIsChecked(h, 11));
  CheckDlgButton(h, 11, BST_CHECKED);
  EXPECT_TRUE(boDlgIsChecked(h, 11));
  vDlgEnable(h, 11, false);
  EXPECT_FALSE(boDlgIsEnabled(h, 11));
  vDlgShow(h, 11, false);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(h, 11)));
  vDlgRedraw(h, 11);
}

TEST_F(Items, ComboWrappersSelectByPrefixIgnoringCase) {
  EXPECT_EQ(iDlgComboCount(h, 12), 0);
  EXPECT_EQ(iDlgComboCount(h, 999), 0);
  EXPECT_EQ(iDlgComboCurSel(h, 12), -1);
  for (const char* s : {"95 Leica GSI", "98 KOF", "25 LANDXML"}) vDlgComboAdd(h, 12, s);
  EXPECT_TRUE(boDlgComboSelect(h, 12, "98 kof"));
  EXPECT_EQ(iDlgComboCurSel(h, 12), 1);
  EXPECT_TRUE(boDlgComboSelect(h, 12, "25"));
  EXPECT_EQ(iDlgComboCurSel(h, 12), 2);
  EXPECT_FALSE(boDlgComboSelect(h, 12, "KOF"));  // a prefix, not a part
  EXPECT_EQ(iDlgComboCurSel(h, 12), 2);        // unchanged
  EXPECT_TRUE(boDlgComboSelectOrAdd(h, 12, "62 Sokkisha"));
  EXPECT_EQ(iDlgComboCount(h, 12), 4);
  EXPECT_EQ(iDlgComboCurSel(h, 12), 3);
  EXPECT_TRUE(boDlgComboSetCurSel(h, 12, 0));
  EXPECT_FALSE(boDlgComboSetCurSel(h, 12, 9));

  // Long entries are copied bounded by the caller's buffer.
  std::string longItem(600, 'L');
  vDlgComboAdd(h, 12, longItem.c_str());
  char small[8] = "?";
  vDlgComboGetText(h, 12, 4, small, sizeof small);
  EXPECT_STREQ(small, "LLLLLLL");
  vDlgComboGetText(h, 12, 40, small, sizeof small);
  EXPECT_STREQ(small, "");
  vDlgComboDelete(h, 12, 4);

  // The drop-down list widens to 1.14 times the widest text (6 pixels a
  // character in the variable-pitch font), never narrower.
  vDlgComboAdd(h, 12, std::string(100, 'w').c_str());
  vDlgComboFitDropWidth(h, 12);
  EXPECT_EQ(SendDlgItemMessageA(h, 12, CB_GETDROPPEDWIDTH, 0, 0), (LRESULT)(600 * 1.14));
  SendDlgItemMessageA(h, 12, CB_SETDROPPEDWIDTH, 900, 0);
  vDlgComboFitDropWidth(h, 12);
  EXPECT_EQ(SendDlgItemMessageA(h, 12, CB_GETDROPPEDWIDTH, 0, 0), 900);
  vDlgComboAdd(h, 12, longItem.c_str());  // measured whole, whatever its length
  vDlgComboFitDropWidth(h, 12);
  EXPECT_EQ(SendDlgItemMessageA(h, 12, CB_GETDROPPEDWIDTH, 0, 0), (LRESULT)(3600 * 1.14));
  vDlgComboReset(h, 12);
  EXPECT_EQ(iDlgComboCount(h, 12), 0);
}

TEST_F(Items, ListWrappers) {
  for (const char* s : {"Alpha", "beta", "Gamma"}) vDlgListAdd(h, 13, s);
  EXPECT_EQ(iDlgListCount(h, 13), 3);
  EXPECT_EQ(iDlgListCurSel(h, 13), -1);
  EXPECT_TRUE(boDlgListSelect(h, 13, "BE"));
  EXPECT_EQ(iDlgListCurSel(h, 13), 1);
  EXPECT_EQ(iDlgListSelCount(h, 13), -1);  // single selection
  EXPECT_EQ(iDlgListIsSel(h, 13, 1), 1);
  EXPECT_EQ(iDlgListIsSel(h, 13, 0), 0);
  EXPECT_EQ(iDlgListIsSel(h, 13, 7), -1);
  EXPECT_TRUE(boDlgListReplace(h, 13, 0, "Delta"));
  char text[4];
  vDlgListGetText(h, 13, 0, text, sizeof text);
  EXPECT_STREQ(text, "Del");
  EXPECT_FALSE(boDlgListReplace(h, 13, 5, "x"));
  EXPECT_TRUE(boDlgListSelectOrAdd(h, 13, "Omega"));
  EXPECT_EQ(iDlgListCurSel(h, 13), 3);
  vDlgListSetCurSel(h, 13, 0);
  EXPECT_EQ(iDlgListCurSel(h, 13), 0);
  vDlgListDelete(h, 13, 0);
  EXPECT_EQ(iDlgListCount(h, 13), 3);
  vDlgListReset(h, 13);
  EXPECT_EQ(iDlgListCount(h, 13), 0);

  vDlgListAdd(h, 14, "one");
  vDlgListAdd(h, 14, "two");
  EXPECT_EQ(iDlgListSelCount(h, 14), 0);
  SendDlgItemMessageA(h, 14, LB_SETSEL, TRUE, 1);
  EXPECT_EQ(iDlgListSelCount(h, 14), 1);
  EXPECT_EQ(iDlgListIsSel(h, 14, 1), 1);
}

char g_anchor;

TEST(DlgStrings, LoadsResourcesAndMarksMissingOnes) {
  vDlgSetInstance((HINSTANCE)&g_anchor);
  kvxRegisterString(hDlgGetInstance(), 6001, "Bl\xE5 m\xE5lebok");
  EXPECT_STREQ(sDlgLoadString(6001), "Bl\xE5 m\xE5lebok");
  EXPECT_STREQ(sDlgLoadString(6002), "?:6002");
  EXPECT_STREQ(sDlgLoadStringOem(6001), "Bl\x86 m\x86lebok");  // OEM 865: å is 0x86
  kvxRegisterString(hDlgGetInstance(), 6003, std::string(300, 's').c_str());
  EXPECT_EQ(strlen(sDlgLoadString(6003)), 255u);
}

class DlgHelp : public testing::Test {
 protected:
  void SetUp() override {
    KvxTestHelpReset();
    KvxTestHelpSetAnswer(KVXTEST_HELP_WINDOW);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    dir = exe;
    dir.resize(dir.find_last_of('\\') + 1);
  }
  void TearDown() override {
    sDlgHelpFile("");
    KvxTestHelpReset();
  }
  KvxTestHelpCall Last() {
    KvxTestHelpCall c = {};
    KvxTestHelpGetCall(KvxTestHelpCallCount() - 1, &c);
    return c;
  }
  std::string dir;
};

TEST_F(DlgHelp, TopicGetsHtmUnlessItHasItAndTheFileIsFoundByTheRules) {
  EXPECT_TRUE(boDlgHelp("C:\\help\\own.hlp", "DlgMBO_SETTINGS"));
  KvxTestHelpCall c = Last();
  EXPECT_STREQ(c.file, "C:\\help\\own.chm");
  EXPECT_STREQ(c.topic, "DlgMBO_SETTINGS.htm");
  EXPECT_EQ(c.command, (UINT)HH_DISPLAY_TOPIC);
  EXPECT_EQ(c.caller, nullptr);

  EXPECT_TRUE(boDlgHelp("bare", "Intro.HTM"));
  c = Last();
  EXPECT_EQ(std::string(c.file), dir + "bare.chm");
  EXPECT_STREQ(c.topic, "Intro.HTM");

  EXPECT_STREQ(sDlgHelpFile("Survey"), "Survey");
  EXPECT_STREQ(sDlgHelpFile(nullptr), "Survey");
  EXPECT_TRUE(boDlgHelp(nullptr, "x"));
  EXPECT_EQ(std::string(Last().file), dir + "Survey.chm");

  sDlgHelpFile("");
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string own = exe;
  EXPECT_TRUE(boDlgHelp(nullptr, "x"));
  EXPECT_EQ(std::string(Last().file), own + ".chm");  // test programs have no extension
}

TEST_F(DlgHelp, AMissingHelpFileShowsNotFound) {
  KvxTestHelpSetAnswer(KVXTEST_HELP_NOTHING);
  vUiExpectBox(IDOK, "Not found!\nFile: C:\\none.chm\nTopic: Page.htm");
  EXPECT_FALSE(boDlgHelp("C:\\none.chm", "Page"));
  ASSERT_EQ(UiBoxLog().size(), 1u);
  EXPECT_EQ(UiBoxLog()[0].sCaption, "Not found");
  EXPECT_EQ(UiBoxLog()[0].uStyle & 0xFFFF, 0x2030u);
}

}  // namespace
