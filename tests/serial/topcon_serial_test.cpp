// The Topcon transfers over a real pseudo-terminal. GTS-800: lines under
// XON/XOFF up to EOT, no ACK or NAK; time-out, hang-up and Stop.
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "instruments/topcon.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using Strings = std::vector<std::string>;

const char kGtsReceivePrompt[] = "Choose data for transfer.";
const char kGtsSendPrompt[] = "Make fieldbook ready to receive";
const char kTimeout[] = "ERROR! Timeout, try again";
const std::string kL1 = "STN ST1,1.600,TOP";
const std::string kL2 = "P6,300.0,400.0,,WALL";

class TopconSerial : public serialtest::SerialTest {
 protected:
  bool Run(bool (*fn)(const char*), const char* prompt, bool forWriting, const char* box = nullptr) {
    vUiExpectBox(IDOK, prompt);
    if (box) vUiExpectBox(IDOK, box);
    g_mboTransfer.hRaw = OpenRaw(forWriting);
    sim.Start();
    bool ok = fn(nullptr);
    g_mboTransfer.hRaw = 0;
    return ok;
  }
  bool GtsReceive(const char* box = nullptr) { return Run(boGts800Receive, kGtsReceivePrompt, true, box); }
  bool GtsSend(const std::string& raw) {
    WriteRaw(raw);
    return Run(boGts800Send, kGtsSendPrompt, false);
  }
};

TEST_F(TopconSerial, GtsReceivesLinesUntilEot) {
  g_mboTransfer.settings.uInstrument = MBO_INSTR_TOPCON_GTS800;
  sim.Send(kL1 + "\r\n").Send(kL2 + "\r\n").Send("\x04");
  EXPECT_TRUE(GtsReceive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_TRUE(sim.Received().empty());
  EXPECT_TRUE(sim.Line().boXonXoff);
  EXPECT_EQ(kL1 + "\r\n" + kL2 + "\r\n\r\n", ReadRaw());
  EXPECT_EQ("Waiting for data from fieldbook", Status().front());
  EXPECT_EQ(1u, Boxes().size());
}

TEST_F(TopconSerial, GtsSilenceWarnsOnceWithOrWithoutLines) {
  sim.Silent(11000);
  EXPECT_FALSE(GtsReceive(kTimeout));
  EXPECT_EQ(2u, Boxes().size());
}

TEST_F(TopconSerial, GtsSilenceAfterLinesKeepsThemAndWarnsOnce) {
  sim.Send(kL1 + "\r\n").Silent(11000);
  EXPECT_FALSE(GtsReceive(kTimeout));
  EXPECT_EQ(2u, Boxes().size());
  EXPECT_EQ(kL1 + "\r\n\r\n", ReadRaw());
}

TEST_F(TopconSerial, GtsHangUpAndStop) {
  sim.Send(kL1 + "\r\n").HangUp();
  EXPECT_FALSE(GtsReceive(kTimeout));
  EXPECT_EQ(kL1 + "\r\n\r\n", ReadRaw());
}

TEST_F(TopconSerial, GtsStopEndsTheReceiveWithoutABox) {
  sim.Send(kL1 + "\r\n").User(serialtest::PressStop).Silent(11000);
  EXPECT_FALSE(GtsReceive());
  EXPECT_EQ(1u, Boxes().size());
}

TEST_F(TopconSerial, GtsSendsTheLinesThenEot) {
  sim.Expect(kL1 + "\r\n" + kL2 + "\r\n\x04\r\n");
  EXPECT_TRUE(GtsSend(kL1 + "\r\n" + kL2 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_TRUE(sim.Line().boXonXoff);
}

TEST_F(TopconSerial, CancelAtThePromptSendsNothing) {
  vUiExpectBox(IDCANCEL, kGtsReceivePrompt);
  EXPECT_FALSE(boGts800Receive(nullptr));
  vUiExpectBox(IDCANCEL, kGtsSendPrompt);
  EXPECT_FALSE(boGts800Send(nullptr));
  EXPECT_TRUE(sim.Received().empty());
}

}  // namespace
