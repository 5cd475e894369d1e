// The setup and serial-port dialogs, run as the user runs them, and what
// they leave in the settings record and the ini file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fieldbook/catalogue.h"
#include "fieldbook/dialogs.h"
#include "fieldbook/settings.h"
#include "fieldbook/transfer_context.h"
#include "host_ini.h"
#include "kvxtest_ui.h"
#include "testing/dialog_driver.h"
#include "testing/shell_driver.h"
#include "testing/tempdir.h"
#include "testing/ui_driver.h"

namespace {

using kvxtest::Dlg;

int32_t InstrumentEnum(int first, int* kind, int* number, char* name, int size) {
  struct Entry {
    int kind, number;
    const char* name;
  };
  static const Entry entries[] = {{1, 2, "Total station"}, {7, 3, "Level"},      {9, 4, "GNSS"},
                                  {8, 5, "Coordinates"},   {3, 9, "Not listed"}, {1, 6, "Old total station"}};
  static size_t next = 0;
  if (first) next = 0;
  if (next >= std::size(entries)) return 0;
  const Entry& e = entries[next++];
  *kind = e.kind, *number = e.number;
  snprintf(name, (size_t)size, "%s", e.name);
  return 1;
}

int32_t CorrEnum(int first, int* number, char* name, int size) {
  static int next = 0;
  if (first) next = 0;
  if (next >= 2) return 0;
  *number = next == 0 ? -1 : 7;  // -1: "don't set"
  snprintf(name, (size_t)size, "%s", next == 0 ? "none" : "Scale");
  ++next;
  return 1;
}

// A host that never says "no more".
int32_t EndlessEnum(int, int* kind, int* number, char* name, int) {
  *kind = 1, *number = 2;
  memset(name, 'x', 50);  // and no terminator
  return 1;
}

class SetupDialog : public HostIniTest {
 protected:
  void SetUp() override {
    HostIniTest::SetUp();
    host_.uVersion = MBO_HOST_REC_VERSION;
    strcpy(host_.sIniPath, m_ini.c_str());
    strcpy(host_.sProjectPath, (m_dir + "/project.kvx").c_str());
    strcpy(host_.sRawBaseName, "job");
    host_.pfnInstrumentEnum = InstrumentEnum;
    host_.pfnCorrCodeEnum = CorrEnum;
  }
  void TearDown() override {
    vMboTeardownTransfer(&set_);
    HostIniTest::TearDown();
  }
  void Open(int instrument) {
    vPut("MboType", std::to_string(instrument).c_str());
    ASSERT_TRUE(boMboSetupTransfer(&set_, &host_));
    g_mboTransfer.settings = set_;
  }
  std::string Profile(const char* key, const char* section = "KvxMbo") {
    char buf[512];
    GetPrivateProfileStringA(section, key, "", buf, sizeof buf, m_ini.c_str());
    return buf;
  }
  MboHostRec host_{};
  MboSettings set_{};
};

TEST_F(SetupDialog, ChoicesRoundTripThroughTheIniFile) {
  vPut("MboType95", "convinstrno:6 levinstrno:3 corrcode:-1 Pconv:1 EO:-12 NO:34");
  Open(95);
  kvxtest::ExpectDialog(104, [](Dlg& d) {
    EXPECT_EQ(d.Caption(), "Fieldbook setup");
    EXPECT_EQ(d.Text(1058), "Ellipsoidial heights in fieldbook");
    EXPECT_EQ(d.ComboSelText(203).substr(0, 12), "Leica GSI   ");
    std::vector<std::string> theodolites = {"2 Total station", "6 Old total station"};
    EXPECT_EQ(d.ComboItems(120), theodolites);
    EXPECT_EQ(d.ComboSelText(120), "6 Old total station");
    EXPECT_EQ(d.ComboSelText(119), "3 Level");
    EXPECT_EQ(d.ComboSel(1056), -1);  // stored 1: not offered
    EXPECT_EQ(d.ComboSelText(118), "-1 none");
    EXPECT_TRUE(d.IsVisible(206) && d.IsChecked(206) && d.IsVisible(1029));
    EXPECT_EQ(d.Text(1037), "-12");
    EXPECT_EQ(d.Text(1038), "34");
    EXPECT_FALSE(d.IsEnabled(1059));
    // Another instrument: its own settings, refreshed combos without doubles.
    d.ChooseCombo(203, "KOF");
    EXPECT_FALSE(d.IsVisible(206) || d.IsChecked(206) || d.IsVisible(1029));
    EXPECT_EQ(d.ComboItems(120).size(), 2u);
    EXPECT_EQ(d.Text(1037), "0");
    d.ChooseCombo(120, "2 ");
    d.ChooseCombo(1056, "4 ");
    d.Type(1037, "-6500000");
    d.Type(1038, "99999999999");  // beyond 32 bits: held at the limit
    d.Check(1036, true);
    d.Check(1058, true);
    d.Click(IDOK);
  });
  ASSERT_TRUE(boMboRunSettingsDialog(&set_, nullptr, false));
  EXPECT_EQ(set_.uInstrument, 98u);
  EXPECT_EQ(set_.uTheodoliteNo, 2u);
  EXPECT_EQ(set_.uSatelliteNo, 4u);
  EXPECT_EQ(set_.uLevellerNo, 1u);  // no entry of the host: kept
  EXPECT_EQ(set_.uCorrCode, 0u);    // KOF's own, not the combo's first entry
  EXPECT_EQ(set_.iEO, -6500000);
  EXPECT_EQ(set_.iNO, 2147483647);
  EXPECT_EQ(std::string(g_mboTransfer.sRawPath), "TMP.kof");
  EXPECT_EQ(std::string(g_mboTransfer.sRawFileName), "TMP.kof");
  EXPECT_EQ(Profile("MboType"), "98");
  EXPECT_EQ(Profile("MboType98"),
            "convinstrno:2 levinstrno:1 satinstrno:4 coordinstrno:1 corrcode:0 Fconv:0 Pconv:0 constraw:1 EO:-6500000 "
            "NO:2147483647 EllH:1 file:\"TMP.kof\" geoide:\"\"");
}

TEST_F(SetupDialog, CancelAndEmptyChoicesKeepWhatWasThere) {
  vPut("MboType95", "file:\"D:\\data\\a.gsi\" corrcode:-1");
  vPut("MboType98", "file:\"D:\\data\\b.kof\"");
  Open(95);
  host_.pfnCorrCodeEnum = nullptr;  // no entries: nothing selected
  kvxtest::ExpectDialog(104, [](Dlg& d) {
    EXPECT_EQ(d.ComboItems(118).size(), 0u);
    d.ChooseCombo(203, "KOF");
    EXPECT_EQ(std::string(g_mboTransfer.sRawFileName), "D:\\data\\b.kof");
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(boMboRunSettingsDialog(&set_, nullptr, true));
  EXPECT_EQ(std::string(g_mboTransfer.sRawFileName), "D:\\data\\a.gsi");
  EXPECT_EQ(set_.uInstrument, 95u);
  // OK with no instrument chosen does nothing; OK later keeps the
  // correction code -1 that no combo entry showed.
  kvxtest::ExpectDialog(104, [](Dlg& d) {
    SendDlgItemMessageA(d.Hwnd(), 203, CB_SETCURSEL, (WPARAM)-1, 0);
    d.Click(IDOK);
    EXPECT_FALSE(d.Ended());
    d.ChooseCombo(203, "Leica GSI");
    d.Click(IDOK);
  });
  EXPECT_TRUE(boMboRunSettingsDialog(&set_, nullptr, true));
  EXPECT_EQ(set_.uCorrCode, (uint32_t)-1);
  // A host whose enumerator never ends: the fill stops, names are cut.
  host_.pfnInstrumentEnum = EndlessEnum;
  kvxtest::ExpectDialog(104, [](Dlg& d) {
    EXPECT_EQ(d.ComboItems(120).size(), 10000u);
    EXPECT_EQ(d.ComboItems(120)[0], "2 " + std::string(49, 'x'));
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(boMboRunSettingsDialog(&set_, nullptr, true));
}

TEST_F(SetupDialog, SerialSetupFromSetupAndOnItsOwn) {
  int serialInstrument = 0;
  for (int n : {80, 67, 62, 72, 11})
    if (!serialInstrument && boMboCanReceive(n)) serialInstrument = n;
  ASSERT_NE(serialInstrument, 0);
  vPut(("MboTypeIO" + std::to_string(serialInstrument)).c_str(), "port:2 baud:4800  bits:8 parity:0 sbit:0");
  Open(serialInstrument);
  kvxtest::ExpectDialog(104, [](Dlg& d) {
    EXPECT_TRUE(d.IsChecked(302) && d.IsEnabled(111));
    d.Check(303, true);
    kvxtest::ExpectDialog(112, [](Dlg& s) {
      EXPECT_EQ(s.Caption(), "Serial port setup");
      EXPECT_EQ(s.Text(204), "Baurate");
      EXPECT_EQ(s.ComboSelText(1049), "COM3:");
      EXPECT_EQ(s.ComboSelText(1046), "4800");
      EXPECT_EQ(s.ComboSelText(1051), "8");
      s.ChooseCombo(1049, "COM4");
      s.ChooseCombo(1046, "19200");
      s.ChooseCombo(1047, "even");
      s.ChooseCombo(1051, "7");
      s.ChooseCombo(1048, "2");
      s.Click(IDOK);
    });
    d.Click(111);
    EXPECT_TRUE(d.IsChecked(304));
    EXPECT_FALSE(d.IsChecked(303));
    d.Click(IDOK);
  });
  ASSERT_TRUE(boMboRunSettingsDialog(&set_, nullptr, false));
  EXPECT_EQ(Profile(("MboTypeIO" + std::to_string(serialInstrument)).c_str()),
            "port:4 baud:19200  bits:7 parity:2 sbit:2");
  // A rate not in the list shows no selection, and OK keeps it.
  set_.com = {1, 57600, 8, 1, 0};
  kvxtest::ExpectDialog(112, [](Dlg& s) {
    EXPECT_EQ(s.ComboSel(1046), -1);
    s.Click(IDOK);
  });
  EXPECT_TRUE(boMboRunSerialSetupDialog(&set_, nullptr));
  EXPECT_EQ(set_.com.uBaud, 57600u);
  EXPECT_EQ(set_.com.uParity, 1u);
}

TEST_F(SetupDialog, FormatSetupChoosesTheGeoidFolder) {
  Open(27);
  std::filesystem::create_directories(m_dir + "/geoid/new");
  vPut("LeicaDbxGeoideModelPath", kvxtest::WinPath(m_dir + "/geoid").c_str(), "MboFormatOptions");
  std::string dir = m_dir;
  kvxtest::ExpectDialog(104, [dir](Dlg& d) {
    kvxtest::ExpectFolderBrowser([dir](kvxtest::Browser& b) {
      EXPECT_EQ(b.Title(), "APPLY GEOIDEMODEL PATH");
      EXPECT_EQ(b.Selection(), dir + "/geoid");
      b.Select(dir + "/geoid/new");
      b.Ok();
    });
    d.Click(1059);
    kvxtest::ExpectFolderBrowser([](kvxtest::Browser& b) { b.Cancel(); });
    d.Click(1059);
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(boMboRunSettingsDialog(&set_, nullptr, false));
  EXPECT_EQ(Profile("LeicaDbxGeoideModelPath", "MboFormatOptions"), kvxtest::WinPath(m_dir + "/geoid/new"));
}

TEST_F(SetupDialog, ADialogThatCannotBeMadeShowsTheSystemsText) {
  Open(95);
  kvxUiFailNextDialog(ERROR_RESOURCE_NAME_NOT_FOUND);
  vUiExpectBox(IDOK, "The specified resource name cannot be found in the image file.");
  EXPECT_FALSE(boMboRunSerialSetupDialog(&set_, nullptr));
  ASSERT_EQ(UiBoxLog().size(), 1u);
  EXPECT_EQ(UiBoxLog()[0].sCaption, "GetLastError");
  EXPECT_EQ(UiBoxLog()[0].hOwner, nullptr);
  EXPECT_EQ(UiBoxLog()[0].uStyle, (UINT)(MB_OK | MB_ICONINFORMATION));
}

}  // namespace
