// Geodat and Geodimeter serial transfer through the Geodat IO dialog, driven
// as the user drives it, against the simulated instrument: receive and send
// for each model, the file list and delete of models 11 and 12, Stop and
// Escape during a transfer, and a port that cannot be opened.
#include <fstream>

#include "fieldbook/api.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/serial/port.h"
#include "kvxtest_serial.h"
#include "resources/resource.h"
#include "testing/dialog_driver.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using kvxtest::Dlg;
using S = kvxtest::SimInstrument;

const char kTurnOn[] = "Turn on fieldbook.\nThen press ENTER on PC";
const char kPressEnter[] = "Press Enter on PC and start\ntransmition from the instrument";

class Geodat : public serialtest::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    vResRegisterAll(g_hMboInstance);
    ini_ = dir_ + "/host.ini";
    std::ofstream(ini_) << "[KvxMbo]\n402EOF=62\n";
    g_mboTransfer.settings.sIniPath = ini_.c_str();
    ASSERT_TRUE(boMboSetRawFilePath(rawPath_.c_str()));
  }
  void Use(int model) { g_mboTransfer.settings.uInstrument = (uint32_t)model; }
  // Runs the receive or send operation; the dialog does what `user` does,
  // then is closed.
  bool Run(int direction, std::function<void(Dlg&)> user) {
    kvxtest::ExpectDialog(107, [user](Dlg& d) {
      user(d);
      d.Click(IDOK);
    });
    return direction ? boMboSendRawFile(&g_mboTransfer.settings, nullptr)
                     : boMboReceiveRawFile(&g_mboTransfer.settings, nullptr);
  }
  std::string ini_;
};

struct ReceiveCase {
  int model;
  const char* prompt;
  int radio;  // 301 job files, 302 area files, 0: leave as they are
  std::function<void(S&)> script;
  std::string raw;
  bool xonXoff;
};

class GeodatReceive : public Geodat, public testing::WithParamInterface<ReceiveCase> {};

TEST_P(GeodatReceive, AJobComesIntoTheRawFile) {
  const ReceiveCase& c = GetParam();
  Use(c.model);
  c.script(sim);
  sim.Start();
  vUiExpectBox(IDOK, c.prompt);
  bool modes = c.model <= MBO_INSTR_GEODAT_400;
  EXPECT_TRUE(Run(0, [&](Dlg& d) {
    char caption[80];
    vMboInstrumentName(c.model, caption, sizeof caption);
    EXPECT_EQ(d.Caption(), std::string("Get data from: ") + caption);
    EXPECT_EQ(d.Text(1022), "Receive");
    EXPECT_EQ(d.IsVisible(1023), c.model == MBO_INSTR_GEODAT_402);
    EXPECT_EQ(d.IsVisible(1025), modes);
    EXPECT_EQ(d.IsEnabled(301), modes);
    EXPECT_EQ(d.IsChecked(301), modes);
    if (c.radio) d.Check(c.radio, true);
    d.Type(1024, "JOB1");
    d.Click(1022);
    EXPECT_EQ(d.Text(1022), "Receive");
  })) << sim.Transcript();
  EXPECT_EQ(ReadRaw(), c.raw);
  EXPECT_EQ(sim.Line().boXonXoff, c.xonXoff);
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(OpenPorts(), 0);
}

const char kData[] = "5=100\r\n37=1200.123\r\n";

INSTANTIATE_TEST_SUITE_P(
    Models, GeodatReceive,
    testing::Values(
        // The 402EOF character ('>') ends the data inside a line.
        ReceiveCase{11, kTurnOn, 0, [](S& s) { s.Expect("OM=JOB1\r\n").Send(kData).Send("38=3400.456>"); },
                    std::string(kData) + "38=3400.456\r\n\r\n", true},
        // A header line first, every line answered; area files.
        ReceiveCase{12, kTurnOn, 302,
                    [](S& s) {
                      s.Expect("OI=JOB1\r\n").Send("HEAD\r\n").Expect("#\r\n");
                      s.Send("5=100\r\n").Expect("#\r\n").Send("-9\r\n").Expect("#\r\n");
                    },
                    "5=100\r\n\r\n", true},
        ReceiveCase{13, "Use program 52", 0,
                    [](S& s) {
                      s.Send("HEAD\r\n").Expect("#\r\n").Send("5=1\r\n").Expect("#\r\n").Send("-9\r\n").Expect("#\r\n");
                    },
                    "5=1\r\n\r\n", false},
        // Line mode off: the reply alone.
        ReceiveCase{14, "Check format", 0, [](S& s) { s.Send("5=1\r\n").Expect("#").Send("-9\r\n").Expect("#"); },
                    "5=1\r\n\r\n", false},
        ReceiveCase{15, kPressEnter, 0, [](S& s) { s.Send(kData).Send("\x1A\r\n"); }, std::string(kData) + "\r\n",
                    false},
        ReceiveCase{16, kPressEnter, 0, [](S& s) { s.Send("5=1\r\n4=A>"); }, "5=1\r\n4=A\r\n\r\n", true}),
    [](const testing::TestParamInfo<ReceiveCase>& info) { return "Model" + std::to_string(info.param.model); });

TEST_F(Geodat, AReceivedJobIsReadIntoTheFieldBook) {
  MboHostRec host{};
  host.uVersion = MBO_HOST_REC_VERSION;
  MboSettings settings = g_mboTransfer.settings;
  vKvxMboInit(&host);  // clears the transfer state: set it up again
  g_mboTransfer.settings = settings;
  ASSERT_TRUE(boMboSetRawFilePath(rawPath_.c_str()));
  Use(MBO_INSTR_GEODAT_402);
  sim.Expect("OM=JOB1\r\n").Send("5=100\r\n4=KUM\r\n37=1200.123\r\n38=3400.456\r\n39=12.5\r\n>");
  sim.Start();
  vUiExpectBox(IDOK, kTurnOn);
  ASSERT_TRUE(Run(0, [](Dlg& d) {
    d.Type(1024, "JOB1");
    d.Click(1022);
  }));
  ASSERT_TRUE(boMboReadRawFile(&g_mboTransfer.settings));
  PoPoint* point = pMboFindPoint("100");
  ASSERT_NE(point, nullptr);
  double x = 0, y = 0, z = 0;
  EXPECT_TRUE(boMboGetPointXY(point, &x, &y) && boMboGetPointZ(point, &z));
  EXPECT_EQ(std::vector<double>({x, y, z}), std::vector<double>({3400.456, 1200.123, 12.5}));
  vKvxMboFinish();
}

TEST_F(Geodat, AnEmptyNameGivesModeLetterIAndNoName) {
  Use(MBO_INSTR_GEODAT_402);
  sim.Expect("OI=\r\n").Send("5=1\r\n>");
  sim.Start();
  vUiExpectBox(IDOK, kTurnOn);
  EXPECT_TRUE(Run(0, [](Dlg& d) { d.Click(1022); }));  // job files checked, no name
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(Geodat, Model16EndsAtThe402EofCharacterOfTheIniFile) {
  std::ofstream(ini_) << "[KvxMbo]\n402EOF=35\n";
  Use(MBO_INSTR_GEODIMETER_B);
  sim.Send("5=1>\r\n5=2#");
  sim.Start();
  vUiExpectBox(IDOK, kPressEnter);
  EXPECT_TRUE(Run(0, [](Dlg& d) { d.Click(1022); }));
  EXPECT_EQ(ReadRaw(), "5=1>\r\n5=2\r\n\r\n");
}

struct SendCase {
  int model;
  std::function<void(S&)> script;
};

class GeodatSend : public Geodat, public testing::WithParamInterface<SendCase> {};

// Send twice: the second Send sends the whole file again.
TEST_P(GeodatSend, TheRawFileGoesToTheInstrument) {
  const SendCase& c = GetParam();
  Use(c.model);
  for (int i = 0; i < 2; ++i) c.script(sim);
  sim.Start();
  WriteRaw("5=100\r\n4=KUM\r\n");
  for (int i = 0; i < 2; ++i) vUiExpectBox(IDOK);
  EXPECT_TRUE(Run(1, [](Dlg& d) {
    EXPECT_EQ(d.Text(1022), "Send");
    d.Type(1024, "ABC");
    d.Click(1022);
    d.Click(1022);
  }));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(OpenPorts(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Models, GeodatSend,
    testing::Values(
        // The name always with 'I', then the go-ahead '*'.
        SendCase{11, [](S& s) { s.Expect("LI=ABC\r\x11").Send("*").Expect("5=100\r\n4=KUM\r\n>\r\n"); }},
        SendCase{12, [](S& s) { s.Expect("LI=ABC\r\x11").Expect("5=100\r\n4=KUM\r\n-9\r\n"); }},
        SendCase{13, [](S& s) { s.Expect("5=100\r\n4=KUM\r\n-9\r\n"); }},
        SendCase{16, [](S& s) { s.Expect("5=100\r\n4=KUM\r\n>\r\n"); }}),
    [](const testing::TestParamInfo<SendCase>& info) { return "Model" + std::to_string(info.param.model); });

TEST_F(Geodat, Models14And15OnlyReceiveAnd10HasNoSerialRole) {
  WriteRaw("5=100\r\n");
  for (int model : {10, 14, 15}) {
    Use(model);
    EXPECT_FALSE(boMboSendRawFile(&g_mboTransfer.settings, nullptr)) << model;  // no dialog, no prompt
  }
  Use(10);
  EXPECT_FALSE(boMboReceiveRawFile(&g_mboTransfer.settings, nullptr));
}

TEST_F(Geodat, Model11RefusesASendWithItsOwnText) {
  Use(MBO_INSTR_GEODAT_402);
  sim.Expect("LI=ABC\r\x11").Send("E").Send("RROR: NO MEMORY\r\n");
  sim.Start();
  WriteRaw("5=100\r\n");
  vUiExpectBox(IDOK, kTurnOn);
  vUiExpectBox(IDOK, "ERROR: NO MEMORY");
  EXPECT_TRUE(Run(1, [](Dlg& d) {
    d.Type(1024, "ABC");
    d.Click(1022);
  }));
  EXPECT_EQ(Boxes().back(), "ERROR: NO MEMORY");
  EXPECT_EQ(sim.Received(), "LI=ABC\r\x11");
}

TEST_F(Geodat, Model11ListsItsFilesAfterAnEscape) {
  Use(MBO_INSTR_GEODAT_402);
  sim.Expect("OMC\r\x11").Send("001JOB1\r\n002JOB2\r\nxx\r\n>");
  sim.Start();
  vUiExpectBox(IDOK, kTurnOn);
  EXPECT_FALSE(Run(0, [](Dlg& d) {  // false: no raw data came
    d.Escape();                     // sets the abort flag; the dialog stays
    EXPECT_FALSE(d.Ended());
    d.Click(1023);
    EXPECT_EQ(d.ComboItems(1024), (std::vector<std::string>{"JOB1", "JOB2"}));
    EXPECT_TRUE(SendDlgItemMessageA(d.Hwnd(), 1024, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(d.Text(1006), "3");
  }));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(Geodat, Models11And12DeleteAFile) {
  struct Case {
    int model;
    int radio;
    std::function<void(S&)> script;
    const char* box;
  };
  const char kRefused[] = "ERROR! Fieldbook has send error message:\nNO FILE";
  const Case cases[] = {
      {11, 301, [](S& s) { s.Expect("KM=JOB1\r\n").Send("JOB1=DELETED\r\n"); }, nullptr},
      {11, 302, [](S& s) { s.Expect("KI=JOB1\r\n").Send("NO FILE\r\n"); }, kRefused},
      {12, 301, [](S& s) { s.Expect("KM=JOB1\r\n"); }, nullptr},
  };
  for (const Case& c : cases) {
    S local(2);
    g_mboTransfer.settings.com.uPort = 2;
    c.script(local);
    local.Start();
    Use(c.model);
    if (c.box) vUiExpectBox(IDOK, c.box);
    EXPECT_FALSE(Run(0, [&](Dlg& d) {  // false: no raw data came
      d.Check(c.radio, true);
      d.Type(1024, "JOB1");
      d.Click(1025);
    }));
    EXPECT_TRUE(local.Finished()) << local.Transcript();
    EXPECT_EQ(iUiPendingBoxes(), 0);
  }
}

TEST_F(Geodat, StopAndEscapeEndATransferButNotTheDialog) {
  Use(MBO_INSTR_GEODAT_400);
  HWND dialog = nullptr;
  sim.Expect("OM=JOB1\r\n").Send("HEAD\r\n").Expect("#\r\n").Send("5=1\r\n").Expect("#\r\n");
  sim.User([&] { Dlg(dialog).Click(1022); });  // the button reads "Stop" now
  sim.Expect("OM=JOB2\r\n").Send("HEAD\r\n").Expect("#\r\n");
  sim.User([&] { Dlg(dialog).Escape(); });
  sim.Start();
  for (int i = 0; i < 2; ++i) vUiExpectBox(IDOK, kTurnOn);
  EXPECT_TRUE(Run(0, [&](Dlg& d) {
    dialog = d.Hwnd();
    d.Type(1024, "JOB1");
    d.Click(1022);
    EXPECT_FALSE(d.Ended());
    EXPECT_EQ(d.Text(1022), "Receive");
    d.Type(1024, "JOB2");
    d.Click(1022);
    EXPECT_FALSE(d.Ended());
  }));
  EXPECT_EQ(ReadRaw(), "5=1\r\n\r\n\r\n");  // each stopped receive ends its lines with an empty one
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(OpenPorts(), 0);
}

TEST_F(Geodat, APortThatCannotOpenEndsTheTransfer) {
  Use(MBO_INSTR_GEODAT_126);
  g_mboTransfer.settings.com.uPort = 3;
  vKvxTestSerialMapPort(3, (dir_ + "/none").c_str());
  vUiExpectBox(IDOK, "Use program 52");
  vUiExpectBox(IDOK, "Could not detect COM3 on your computer");
  EXPECT_FALSE(Run(0, [](Dlg& d) { d.Click(1022); }));  // nothing came: no raw file
  vKvxTestSerialMapPort(3, nullptr);
  EXPECT_EQ(g_comPort.hPort, nullptr);
}

}  // namespace
