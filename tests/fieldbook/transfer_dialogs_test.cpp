// The import and export dialogs end to end through the exports, as a host
// runs them: the user plays the dialogs, the file dialog and a simulated
// instrument on a pseudo-terminal; every message box is expected.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "fb_module.h"
#include "fieldbook/api.h"
#include "fieldbook/catalogue.h"
#include "kvxtest_process.h"
#include "kvxtest_registry.h"
#include "kvxtest_ui.h"
#include "testing/dialog_driver.h"
#include "testing/shell_driver.h"
#include "testing/sim_instrument.h"
#include "testing/tempdir.h"
#include "testing/ui_driver.h"

namespace {

using kvxtest::Dlg;

using kvxtest::ReadFile;

std::string g_winExec;
UINT RecordWinExec(const char* line, UINT) {
  g_winExec = line;
  return 33;
}

class TransferDialogs : public FieldBookFiles {
 protected:
  void SetUp() override {
    FieldBookFiles::SetUp();
    strcpy(host_.sProjectPath, tmp_.Win("project.kvx").c_str());
    kvxTestSetWinExecHook(RecordWinExec);
  }
  void TearDown() override {
    kvxTestSetWinExecHook(nullptr);
    KvxTestRegClear();
    FieldBook::TearDown();
  }
  void Instrument(int n) { WritePrivateProfileStringA("KvxMbo", "MboType", std::to_string(n).c_str(), host_.sIniPath); }
  std::string Profile(const char* key) {
    char buf[512];
    GetPrivateProfileStringA("KvxMbo", key, "", buf, sizeof buf, host_.sIniPath);
    return buf;
  }
  // Chooses the raw file in the file dialog that "Raw file..." opens.
  static void PickRaw(Dlg& d, const std::string& hostPath, bool typed) {
    kvxtest::ExpectFileDialog([hostPath, typed](kvxtest::FileDlg& f) {
      EXPECT_EQ(f.Title(), "RAW DATA FILES");
      EXPECT_EQ(f.Options(), (DWORD)FOS_NOCHANGEDIR);  // a file to be received need not exist
      if (typed) {
        f.TypeName(hostPath);
        EXPECT_TRUE(f.Ok());
      } else {
        f.Choose(hostPath);
      }
    });
    d.Click(1035);
  }
  // Raw file "survey", then Get raw data: job JOB1 in the Geodat IO dialog.
  void GetJob1(Dlg& d) {
    PickRaw(d, tmp_.Path("survey"), true);
    EXPECT_TRUE(d.IsVisible(203) && d.IsEnabled(203));
    EXPECT_FALSE(d.IsEnabled(205));  // nothing to interpret yet
    vUiExpectBox(IDOK, "Turn on fieldbook");
    kvxtest::ExpectDialog(107, [](Dlg& io) {
      io.Type(1024, "JOB1");
      io.Click(1022);
      io.Click(IDOK);
    });
    d.Click(203);
  }
};

TEST_F(TransferDialogs, ExportCreatesTheRawFileAndImportReadsItBack) {
  Instrument(98);
  PoPoint* p = FB(KvxMboNewPoint)("100");
  FB(vMboSetPointXY)(p, 2000.5, 7001.25);
  FB(vMboSetPointZ)(p, 12.5);
  FB(vMboSetPointXY)(FB(KvxMboNewPoint)("101"), 2010, 7011);
  std::string raw = tmp_.Path("job.kof");
  kvxtest::ExpectDialog(109, [&](Dlg& d) {
    EXPECT_EQ(d.Caption().substr(0, 35), "Export of coordinates to fieldbook ");
    EXPECT_TRUE(d.IsVisible(1012) && d.IsEnabled(1012));
    PickRaw(d, tmp_.Path("job"), true);  // no extension: the instrument's
    EXPECT_EQ(d.Text(1034), tmp_.Win("job.kof"));
    EXPECT_FALSE(d.IsEnabled(207));
    d.Click(1012);
    EXPECT_EQ(d.Text(1006), "Data converted");
    EXPECT_TRUE(d.IsEnabled(207));
    d.Click(207);
    EXPECT_EQ(g_winExec, "notepad " + tmp_.Win("job.kof"));
    // An existing file only after the question; declined, nothing written.
    vUiExpectBox(IDCANCEL, "Overwrite file:\n");
    d.Click(1012);
    EXPECT_EQ(d.Text(1006), "");
    d.Click(IDOK);
  });
  ASSERT_TRUE(FB(boKvxMboWrite)(&host_));
  EXPECT_NE(ReadFile(raw).find("2000.5"), std::string::npos) << ReadFile(raw);
  EXPECT_EQ(Profile("MboType98").find("file:\"" + tmp_.Win("job.kof") + "\"") != std::string::npos, true)
      << Profile("MboType98");

  // Read back: Cancel keeps what was read, Save accepts.
  FB(vKvxMboFinish)();
  FB(vKvxMboInit)(&host_);
  strcpy(host_.sRawBaseName, "job");  // the raw file: project folder, base name, the instrument's extension
  kvxtest::ExpectDialog(108, [&](Dlg& d) {
    EXPECT_EQ(d.Caption().substr(0, 22), "Import from fieldbook:");
    EXPECT_EQ(d.Text(1034), tmp_.Win("job.kof"));
    EXPECT_FALSE(d.IsEnabled(IDOK));
    SendMessageA(d.Hwnd(), WM_COMMAND, IDOK, 0);  // nothing interpreted yet: stays open
    EXPECT_FALSE(d.Ended());
    d.Click(205);
    EXPECT_EQ(d.Text(1006),
              "Points:2 Observations:0 Line vertecies:0 Polygon vertecies:0 Trianglenets:0\n"
              "Niveller:0 GPS Vectors:0 Coord.obs:0");
    EXPECT_TRUE(d.IsEnabled(IDOK));
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(FB(boKvxMboRead)(&host_));
  EXPECT_NE(FB(KvxMboNewOrExistingPoint)("100"), nullptr);
  kvxtest::ExpectDialog(108, [&](Dlg& d) {
    d.Click(205);
    d.Click(IDOK);
  });
  EXPECT_TRUE(FB(boKvxMboRead)(&host_));
}

TEST_F(TransferDialogs, ImportGetsRawDataFromASerialInstrumentChosenInSetup) {
  kvxtest::SimInstrument sim(1);
  Instrument(98);
  sim.Expect("OM=JOB1\r\n").Send("5=100\r\n4=KUM\r\n37=1200.123\r\n38=3400.456\r\n39=12.5\r\n>");
  sim.Start();
  std::string raw = tmp_.Path(std::string("survey.") + sMboRawFileExtension(MBO_INSTR_GEODAT_402));
  char name[80];
  vMboInstrumentName(MBO_INSTR_GEODAT_402, name, 12);
  kvxtest::ExpectDialog(108, [&](Dlg& d) {
    EXPECT_FALSE(d.IsVisible(203));  // KOF: nothing to receive
    kvxtest::ExpectDialog(104, [&](Dlg& s) {
      s.ChooseCombo(203, name);
      s.Click(IDOK);
    });
    d.Click(111);
    EXPECT_EQ(d.Caption(), "Import from fieldbook: " + d.Caption().substr(23));
    EXPECT_EQ(d.Caption().substr(23, strlen(name)), name);
    GetJob1(d);
    EXPECT_EQ(d.Text(203), "Get raw data");
    EXPECT_EQ(d.Text(1006), "Data is read");
    d.Click(205);
    EXPECT_EQ(d.Text(1006).substr(0, 9), "Points:1 ");
    d.Click(IDOK);
  });
  ASSERT_TRUE(FB(boKvxMboRead)(&host_)) << sim.Transcript();
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  PoPoint* p = FB(KvxMboNewOrExistingPoint)("100");
  double x = 0, y = 0;
  ASSERT_TRUE(FB(boMboGetPointXY)(p, &x, &y));
  EXPECT_EQ(x, 3400.456);
  EXPECT_TRUE(std::filesystem::exists(raw));
}

TEST_F(TransferDialogs, ExportCreatesAndTransfersToASerialInstrument) {
  kvxtest::SimInstrument sim(1);
  Instrument(MBO_INSTR_GEODAT_402);
  FB(vMboSetPointXY)(FB(KvxMboNewPoint)("100"), 2000.5, 7001.25);
  sim.Expect("LI=ABC\r\x11").Send("*").Expect("5=100\r\n").Expect(">\r\n");
  sim.Start();
  kvxtest::ExpectDialog(109, [&](Dlg& d) {
    PickRaw(d, tmp_.Path("out"), true);
    EXPECT_TRUE(d.IsVisible(1013));
    EXPECT_FALSE(d.IsEnabled(1013));  // no raw file yet
    d.Click(1012);
    EXPECT_EQ(d.Text(1006), "Data converted");
    vUiExpectBox(IDOK);  // the instrument's prompt
    kvxtest::ExpectDialog(107, [](Dlg& io) {
      EXPECT_EQ(io.Text(1022), "Send");
      io.Type(1024, "ABC");
      io.Click(1022);
      io.Click(IDOK);
    });
    d.Click(1013);
    EXPECT_EQ(d.Text(1013), "Transfer raw data");
    EXPECT_EQ(d.Text(1006), "Data is written");
    d.Click(IDOK);
  });
  EXPECT_TRUE(FB(boKvxMboWrite)(&host_));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

// During a receive the user presses Get raw data again (it reads "Stop")
// or closes the dialog: the receive stops, the dialog stays.
class TransferDialogsStop : public TransferDialogs, public testing::WithParamInterface<int> {};

TEST_P(TransferDialogsStop, AReceiveStopsAndTheDialogStays) {
  kvxtest::SimInstrument sim(1);
  Instrument(MBO_INSTR_GEODAT_402);
  HWND import = nullptr;
  int command = GetParam();
  sim.Expect("OM=JOB1\r\n").Send("HEAD\r\n");
  sim.User([&] { SendMessageA(import, WM_COMMAND, (WPARAM)command, 0); });
  sim.Start();
  kvxtest::ExpectDialog(108, [&](Dlg& d) {
    import = d.Hwnd();
    GetJob1(d);
    EXPECT_FALSE(d.Ended());
    EXPECT_NE(d.Text(1006), "Data is read");
    EXPECT_EQ(d.Text(203), "Get raw data");
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(FB(boKvxMboRead)(&host_));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

INSTANTIATE_TEST_SUITE_P(Commands, TransferDialogsStop, testing::Values(203, IDCANCEL));

TEST_F(TransferDialogs, ARawFileWithoutANameDisablesGetAndInterpret) {
  Instrument(MBO_INSTR_GEODAT_402);
  std::string nameless = tmp_.Write(".gsi", "5=1\r\n");
  kvxtest::ExpectDialog(108, [&](Dlg& d) {
    EXPECT_EQ(d.Text(1034), "TMP");  // no base name in the host record: the fixed name
    EXPECT_TRUE(d.IsEnabled(203));
    PickRaw(d, nameless, false);
    EXPECT_EQ(d.Text(1034), tmp_.Win(".gsi"));
    EXPECT_FALSE(d.IsEnabled(203));
    EXPECT_FALSE(d.IsEnabled(205));
    EXPECT_TRUE(d.IsEnabled(207));
    d.Click(IDCANCEL);
  });
  EXPECT_FALSE(FB(boKvxMboRead)(&host_));
}

// A name typed without extension gets the instrument's extension, whatever
// file was picked before; a wildcard extension leaves the name as typed.
TEST_F(TransferDialogs, ATypedNameWithoutExtensionGetsTheInstruments) {
  struct Case {
    int instrument;
    bool boExport;
    const char* before;
    const char* want;
  } cases[] = {
      {95, false, "job.raw", "survey.gsi"}, {98, true, "old.txt", "survey.kof"}, {56, false, "a.ss1", "survey"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.instrument);
    Instrument(c.instrument);
    kvxtest::ExpectDialog(c.boExport ? 109 : 108, [&](Dlg& d) {
      PickRaw(d, tmp_.Path(c.before), true);
      EXPECT_EQ(d.Text(1034), tmp_.Win(c.before));
      PickRaw(d, tmp_.Path("survey"), true);
      EXPECT_EQ(d.Text(1034), tmp_.Win(c.want));
      d.Click(IDCANCEL);
    });
    EXPECT_FALSE(c.boExport ? FB(boKvxMboWrite)(&host_) : FB(boKvxMboRead)(&host_));
  }
}

TEST_F(TransferDialogs, ADbxJobIsConvertedAndItsXmlRead) {
  Instrument(31);
  KvxTestRegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\DBX2LandXML.exe",
                      nullptr, kvxtest::WinPath(KVX_STANDIN).c_str());
  std::string xml = tmp_.Write("out.src",
                               "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" "
                               "version=\"1.2\"><CgPoints><CgPoint name=\"P7\">7001 2000 10</CgPoint></CgPoints>"
                               "</LandXML>\n");
  setenv("KVX_STANDIN_OUTPUT", xml.c_str(), 1);
  std::string dbx = tmp_.Write("data/JOB.XCF", "dbx");
  kvxtest::ExpectDialog(108, [&](Dlg& d) {
    PickRaw(d, dbx, false);
    EXPECT_EQ(d.Text(1034), tmp_.Win("data/JOB.xml"));
    d.Click(205);
    EXPECT_EQ(d.Text(1006).substr(0, 9), "Points:1 ");
    d.Click(IDOK);
  });
  EXPECT_TRUE(FB(boKvxMboRead)(&host_));
  unsetenv("KVX_STANDIN_OUTPUT");
}

TEST_F(TransferDialogs, ADialogThatCannotBeMadeAndNoFieldBook) {
  Instrument(98);
  kvxUiFailNextDialog(ERROR_RESOURCE_NAME_NOT_FOUND);
  vUiExpectBox(IDOK, "The specified resource name cannot be found");
  EXPECT_FALSE(FB(boKvxMboWrite)(&host_));
  host_.uVersion = 7;
  vUiExpectBox(IDOK, "Bad DLL version");
  EXPECT_FALSE(FB(boKvxMboRead)(&host_));
}

}  // namespace
