// The SDR transfer (instruments 62 to 65) over a real pseudo-terminal: the
// STX and ETX lines, the checksum total of the send, and time-out, hang-up,
// a wrong first line and Stop. The protocol has no ACK or NAK.
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/sdr.h"
#include "instruments/serial/port.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;
using Strings = std::vector<std::string>;

const std::string kL1 = "08KIP1              100.000         200.000";
const std::string kL2 = "08KIP2              300.000         400.000         5.000";

class SdrSerial : public serialtest::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    Use(MBO_INSTR_SDR33, boSdrReceive, kChooseData, boSdrSend, kMakeReady);
  }
};

TEST_F(SdrSerial, ReceivesTheLinesBetweenStxAndEtx) {
  sim.Send("\x02\r\n")
      .Send(kL1 + "\r\n")
      .Send(kL2 + "\r\n")
      .Send(
          "\x03"
          "01234\r\n");
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_TRUE(sim.Received().empty());  // no replies in this protocol
  EXPECT_EQ(kL1 + "\r\n" + kL2 + "\r\n\r\n", ReadRaw());
  EXPECT_TRUE(sim.Line().boXonXoff);
  EXPECT_EQ("", Status().back());
  EXPECT_TRUE(Boxes().size() == 1) << Boxes().back();  // the prompt only
}

TEST_F(SdrSerial, AFirstLineWithoutStxIsRefused) {
  sim.Send(kL1 + "\r\n").Send(kL2 + "\r\n");
  EXPECT_FALSE(Receive({"ERROR! Wrong character received from fieldbook"}));
  EXPECT_EQ("", ReadRaw());
}

TEST_F(SdrSerial, SilenceBeforeTheDataIsATimeOut) {
  sim.Silent(11000);
  EXPECT_FALSE(Receive({kTimeout}));
  EXPECT_EQ(2u, Boxes().size());
}

TEST_F(SdrSerial, CancelAtThePromptOpensNothing) {
  CancelAtEach({{boSdrReceive, kChooseData}, {boSdrSend, kMakeReady}});
}

TEST_F(SdrSerial, SendsStxTheLinesAndTheFiveDigitTotal) {
  // kL1 sums to 1788 and kL2 to 2324 (blanks count, control bytes not).
  EXPECT_EQ(1788, iSdrLineChecksum(kL1.c_str()));
  EXPECT_EQ(1788, iSdrLineChecksum((kL1 + "\x01\x7f\xe6").c_str()) - 127);
  sim.Expect("\x02\r\n" + kL1 + "\r\n" + kL2 +
             "\r\n\x03"
             "04112\r\n");
  EXPECT_TRUE(Send(kL1 + "\r\n" + kL2 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ((Strings{"...", "Sending block no.: 1", "Sending block no.: 2", "", ""}), Status());
}

TEST_F(SdrSerial, AnEmptyFileSendsATotalOfZero) {
  sim.Expect(
      "\x02\r\n\x03"
      "00000\r\n");
  EXPECT_TRUE(Send(""));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(SdrSerial, ATotalPast32767IsPrintedUnsignedAndPast65535Wraps) {
  // 400 lines of 84 'z' (122): 400 * 10248 = 4099200, mod 65536 = 35968.
  std::string line(84, 'z'), raw;
  for (int i = 0; i < 400; ++i) raw += line + "\r\n";
  std::string expected = "\x02\r\n";
  for (int i = 0; i < 400; ++i) expected += line + "\r\n";
  sim.Expect(expected +
             "\x03"
             "35968\r\n");
  EXPECT_TRUE(Send(raw));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

}  // namespace
