// The Kern AC transfer over a real pseudo-terminal: the ENQ handshake, one
// ACK per line, the two end marks, and no answer, NAK and Cancel (time-out,
// hang-up and Stop: interrupted_test.cpp).
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "instruments/kern.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;
using Strings = std::vector<std::string>;

const char kReceivePrompt[] = "Choose D)efine and set H0D0L130";
const char kSendPrompt[] = "Choose A)A and T for data transfer";
const std::string kL1 = "2 ST1                    1.600  20  1013";
const std::string kL2 = "3 P1                                            TREE";

class KernSerial : public serialtest::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    Use(MBO_INSTR_KERN_AC, boKernReceive, kReceivePrompt, boKernSend, kSendPrompt);
  }
};

TEST_F(KernSerial, ReceivesAckedLinesAfterTheEnqUntilEof) {
  // The instrument's answer to ENQ is the first byte of the first line.
  sim.Expect("\x05").Send(kL1 + "\r\n").Expect("\x06").Send(kL2 + "\r\n").Expect("\x06");
  sim.Send("        EOF\r\n").Expect("\x06");
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kL1 + "\r\n" + kL2 + "\r\n", ReadRaw());
  EXPECT_FALSE(sim.Line().boXonXoff);
  EXPECT_EQ((Strings{"waiting", "Sending ENQ 1", "", "Receiving block no.: 1", "Receiving block no.: 2",
                     "Receiving block no.: 3", ""}),
            Status());
}

TEST_F(KernSerial, ALineStartingWithEofEndsTheReceive) {
  sim.Expect("\x05").Send(kL1 + "\r\n").Expect("\x06").Send("EOF\r\n").Expect("\x06");
  EXPECT_TRUE(Receive());
  EXPECT_EQ(kL1 + "\r\n", ReadRaw());
}

TEST_F(KernSerial, NoAnswerToFiveEnqsIsNoResponse) {
  EXPECT_FALSE(Receive({"No response"}));
  EXPECT_EQ("\x05\x05\x05\x05\x05", sim.Received());
  EXPECT_EQ("", ReadRaw());
}

TEST_F(KernSerial, SendsAfterTheEnqEachLineAckedThenTheEndText) {
  sim.Send("A\x05").Expect(kL1 + "\r\n").Send("\x06").Expect(kL2 + "\r\n").Send("\x06");
  sim.Expect("        EOF\r\n").Send("\x06");
  EXPECT_TRUE(Send(kL1 + "\r\n" + kL2 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ((Strings{"waiting", "A", "5", "Sending block no.: 1", "Sending block no.: 2", "", ""}), Status());
}

TEST_F(KernSerial, ANakGetsOneResendThenTheSendStops) {
  sim.Send("\x05").Expect(kL1 + "\r\n").Send("\x15").Expect(kL1 + "\r\n").Send("\x15");
  EXPECT_FALSE(Send(kL1 + "\r\n", {"Not Acknowledged", kTimeout}));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(KernSerial, NoEnqFromTheInstrumentIsNoResponse) {
  sim.Silent(11000);
  EXPECT_FALSE(Send(kL1 + "\r\n", {"No response"}));
  EXPECT_EQ("", sim.Received());
}

TEST_F(KernSerial, CancelAtThePromptSendsNothing) {
  CancelAtEach({{boKernReceive, kReceivePrompt}, {boKernSend, kSendPrompt}});
}

}  // namespace
