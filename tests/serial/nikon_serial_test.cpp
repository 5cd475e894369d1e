// The Nikon transfer over a real pseudo-terminal: the receive until Ctrl-Z
// or silence, and the send with a checksum character per line, answered by
// ACK lines, with NAK, refusal and time-out.
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/nikon.h"
#include "instruments/serial/port.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;

const std::string kAck = "\x06\r\n";
const std::string kNak = "\x15\r\n";
const std::string kL1 = "1,1,MG,P1,KUM,1000.000,2000.000,10.000";
const std::string kL2 = "1,2,MG,P2,TREE,50.000,120.0000,95.0000,1.500";
// Raw lines and what goes over the line for them: the checksum character
// of the line with its first comma (',' for the second one).
const std::string kG1 = "G,1,100.125,200.250,,";
const std::string kG2 = "G,149,1.000,2.000,,";
const std::string kSent = "A,01,Z,\r\nG,1,100.125,200.250,,,N,\r\nG,149,1.000,2.000,,,,,\r\nZ,&,\r\n";

class NikonSerial : public serialtest::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    Use(MBO_INSTR_NIKON, boNikonReceive, kChooseData, boNikonSend, kMakeReady);
  }
};

TEST_F(NikonSerial, ReceivesLinesUntilCtrlZ) {
  sim.Send(kL1 + "\r\n" + kL2 + "\r\n\x1a");
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kL1 + "\r\n" + kL2 + "\r\n\r\n", ReadRaw());
  EXPECT_TRUE(sim.Line().boXonXoff);
  EXPECT_EQ(1u, Boxes().size());
}

TEST_F(NikonSerial, NoLineAtAllWarnsOnce) {
  sim.Silent(11000);
  EXPECT_FALSE(Receive({kTimeout}));
  EXPECT_EQ(2u, Boxes().size());
}

TEST_F(NikonSerial, SendsHeaderLinesAndEndWithChecksumsEachAcknowledged) {
  sim.Expect("A,01,Z,\r\n").Send(kAck);
  sim.Expect(kG1 + ",N,\r\n").Send(kAck).Expect(kG2 + ",,,\r\n").Send(kAck).Expect("Z,&,\r\n").Send(kAck);
  EXPECT_TRUE(Send(kG1 + "\r\n" + kG2 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kSent, sim.Received());
}

TEST_F(NikonSerial, ANakGetsOneResend) {
  sim.Expect("A,01,Z,\r\n").Send(kNak).Expect("A,01,Z,\r\n").Send(kAck);
  sim.Expect(kG1 + ",N,\r\n").Send(kNak).Expect(kG1 + ",N,\r\n").Send(kNak);
  // (The block layer adds its time-out warning to the port's.)
  EXPECT_FALSE(Send(kG1 + "\r\n" + kG2 + "\r\n", {"Not Acknowledged", kTimeout}));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(NikonSerial, AnUnacknowledgedHeaderSendsNoFile) {
  sim.Expect("A,01,Z,\r\n").Silent(11000);
  EXPECT_FALSE(Send(kG1 + "\r\n", {"Acknowledge timeout"}));
  EXPECT_EQ("A,01,Z,\r\n", sim.Received());
}

TEST_F(NikonSerial, ARefusedHeaderSendsNoFile) {
  sim.Expect("A,01,Z,\r\n").Send("E\r\n");
  EXPECT_FALSE(Send(kG1 + "\r\n", {"Device return error"}));
  EXPECT_EQ("A,01,Z,\r\n", sim.Received());
}

}  // namespace
