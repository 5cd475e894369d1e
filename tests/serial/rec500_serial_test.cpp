// The REC 500 transfer over a real pseudo-terminal: every line answered by
// "B", the receive between an 'A' line and a 'Z' line, the send answered by
// 'B' lines, and a refusal and a time-out.
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/rec500.h"
#include "instruments/serial/port.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;

const char kWrong[] = "ERROR! Wrong character received from fieldbook";
const std::string kB = "B\r\n";
const std::string kL1 = "   1    K1        KUM               X    1000.000 Y     2000.000 Z   10.000";

class Rec500Serial : public serialtest::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    Use(MBO_INSTR_REC500, boRec500Receive, kChooseData, boRec500Send, kMakeReady);
  }
};

TEST_F(Rec500Serial, ReceivesBetweenTheALineAndTheZLine) {
  sim.Send("A\r\n").Expect(kB).Send(kL1 + "\r\n").Expect(kB).Send("Z\r\n").Expect(kB);
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kL1 + "\r\n\r\n", ReadRaw());
  EXPECT_FALSE(sim.Line().boXonXoff);
}

TEST_F(Rec500Serial, AFirstLineWithoutAIsRefused) {
  sim.Send(kL1 + "\r\n").Expect(kB);
  EXPECT_FALSE(Receive({kWrong}));
  EXPECT_EQ("", ReadRaw());
}

TEST_F(Rec500Serial, SendsALinesEachAnsweredByBThenZ) {
  sim.Expect("A\r\n").Send(kB).Expect(kL1 + "\r\n").Send(kB).Expect(kL1 + "\r\n").Send(kB).Expect("Z\r\n");
  EXPECT_TRUE(Send(kL1 + "\r\n" + kL1 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ("A\r\n" + kL1 + "\r\n" + kL1 + "\r\nZ\r\n", sim.Received());
}

TEST_F(Rec500Serial, AnotherAnswerToARefusesTheSend) {
  sim.Expect("A\r\n").Send("N\r\n");
  EXPECT_FALSE(Send(kL1 + "\r\n", {"Device return error"}));
  EXPECT_EQ("A\r\n", sim.Received());
}

TEST_F(Rec500Serial, NoAnswerToAEndsTheSend) {
  sim.Expect("A\r\n").Silent(11000);
  EXPECT_FALSE(Send(kL1 + "\r\n", {"Acknowledge timeout"}));
  EXPECT_EQ("A\r\n", sim.Received());
}

}  // namespace
