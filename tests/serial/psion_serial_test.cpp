// The Psion transfers over a real pseudo-terminal: lines answered with '#'
// up to the "-9" line, the upload ended by Ctrl-Z (the protocol has no ACK
// or NAK).
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "instruments/psion.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;

const std::string kL1 = "5=P1";
const std::string kL2 = "37=100.000";

class PsionSerial : public serialtest::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    Use(MBO_INSTR_PSION, boPsionReceive, kChooseData, boPsionSend, kMakeReady);
  }
};

TEST_F(PsionSerial, ReceivesLinesAnsweredWithHashUntilMinusNine) {
  sim.Send(kL1 + "\r\n").Expect("#").Send(kL2 + "\r\n").Expect("#").Send("-9\r\n");
  EXPECT_TRUE(Receive());
  EXPECT_EQ(kL1 + "\r\n" + kL2 + "\r\n\r\n", ReadRaw());
  EXPECT_TRUE(sim.Line().boXonXoff);
}

TEST_F(PsionSerial, SendsEachLineThenCtrlZ) {
  sim.Expect("1 x 2.000 3.000\r\n").Expect("2 KUM 4.000 5.000 6.000\r\n").Expect("\x1a\r\n");
  EXPECT_TRUE(Send("1 x 2.000 3.000\r\n2 KUM 4.000 5.000 6.000\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_FALSE(sim.Line().boXonXoff);
  bool boWaiting = false;
  for (const std::string& s : Status()) boWaiting = boWaiting || s == "Waiting for data from fieldbook";
  EXPECT_TRUE(boWaiting);
}

// The download is read as a Geodat 400; the Psion comes back after it.
TEST_F(PsionSerial, TheReaderLeavesThePsionAsTheInstrument) {
  for (const char* raw : {"5=P1\r\n37=1.000\r\n38=2.000\r\n", ""}) {
    WriteRaw(raw);
    uint32_t h = OpenRaw(false);
    boPsionReadRaw(h, 0);
    CloseRaw();
    EXPECT_EQ((uint32_t)MBO_INSTR_PSION, g_mboTransfer.settings.uInstrument);
  }
}

TEST_F(PsionSerial, CancelAtThePromptMovesNothing) {
  CancelAtEach({{boPsionReceive, kChooseData}, {boPsionSend, kMakeReady}});
}

}  // namespace
