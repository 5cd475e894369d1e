// The Topcon transfers over a real pseudo-terminal. FC: STX...ETX blocks
// of 128 characters with a block digit and an XOR sum, one ACK each, one
// resend after NAK, and time-out, hang-up and Stop. GTS-800: lines under
// XON/XOFF up to EOT, no ACK or NAK.
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "instruments/topcon.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;
using Strings = std::vector<std::string>;

const char kFcReceivePrompt[] = "Press [FUNC][3] to start sending.";
const char kFcSendPrompt[] = "Use [FUNC][4]";
const std::string kL1 = "STN ST1,1.600,TOP";
const std::string kL2 = "P6,300.0,400.0,,WALL";

std::string sXor(const std::string& text) {
  unsigned sum = 0;
  for (unsigned char c : text) sum ^= c;
  char out[8];
  snprintf(out, sizeof out, "%03u", sum);
  return out;
}

// A block as the FC sends it: the text blank-padded to 128 characters (or
// as given), the block digit (none for the header), the XOR sum.
std::string sBlock(const std::string& text, const std::string& digit) {
  std::string body = text + std::string(text.size() < 128 && !digit.empty() ? 128 - text.size() : 0, ' ') + digit;
  return "\x02" + body + sXor(body) + "\x03\r\n";
}

const std::string kF1 = "_+P1        _ x+000100000_ y+000200000";
const std::string kF2 = "_+P2        _ x+000300000_ y+000400000";

class TopconSerial : public serialtest::SerialTest {
 protected:
  bool FcReceive(std::initializer_list<const char*> boxes = {}) {
    return Run(boTopconFcReceive, kFcReceivePrompt, true, boxes);
  }
  bool FcSend(const std::string& raw, std::initializer_list<const char*> boxes = {}) {
    WriteRaw(raw);
    return Run(boTopconFcSend, kFcSendPrompt, false, boxes);
  }
  bool GtsSend(const std::string& raw) {
    WriteRaw(raw);
    return Run(boGts800Send, kMakeReady, false);
  }
  bool GtsReceive(std::initializer_list<const char*> boxes = {}) {
    return Run(boGts800Receive, kChooseData, true, boxes);
  }
};

TEST_F(TopconSerial, FcReceivesBlocksAfterTheEnqUntilEot) {
  // The answer to the ENQ comes before the first STX.
  sim.Expect("\x05").Send("\x06" + sBlock(kF1, "1")).Expect("\x06").Send(sBlock(kF2, "2")).Expect("\x06");
  sim.Send("\x04\r\n");
  EXPECT_TRUE(FcReceive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_FALSE(sim.Line().boXonXoff);
  std::string pad(128 - kF1.size(), ' ');
  EXPECT_EQ(kF1 + pad + "\n\r\n" + kF2 + pad + "\n\r\n", ReadRaw());
  EXPECT_EQ(
      (Strings{"Sending ENQ 1", "", "Receiving block no.: 1", "Receiving block no.: 2", "Receiving block no.: 3", ""}),
      Status());
}

TEST_F(TopconSerial, FcABareEotEndsTheReceive) {
  sim.Expect("\x05").Send(sBlock(kF1, "1")).Expect("\x06").Send("\x04");
  EXPECT_TRUE(FcReceive());
  EXPECT_EQ(kF1 + std::string(128 - kF1.size(), ' ') + "\n\r\n", ReadRaw());
}

TEST_F(TopconSerial, FcAWrongOrShortSumIsReportedAndTheBlockKept) {
  std::string bad = sBlock(kF1, "1");
  bad[130] = bad[130] == '9' ? '8' : '9';
  sim.Expect("\x05").Send(bad).Expect("\x06").Send("\x02short\x03\r\n").Expect("\x06").Send("\x04");
  EXPECT_TRUE(FcReceive({"Error in data", "Error in data"}));
  EXPECT_EQ(kF1 + std::string(128 - kF1.size(), ' ') + "\n\r\n" + std::string(123, ' ') + "short\n\r\n", ReadRaw());
}

TEST_F(TopconSerial, FcSilenceHangUpAndStop) {
  sim.Expect("\x05").Send(sBlock(kF1, "1")).Expect("\x06").Silent(11000);
  EXPECT_FALSE(FcReceive({kTimeout}));
  EXPECT_EQ(2u, Boxes().size());
}

TEST_F(TopconSerial, FcHangUpEndsTheReceive) {
  sim.Expect("\x05").Send(sBlock(kF1, "1")).Expect("\x06").HangUp();
  EXPECT_FALSE(FcReceive({kTimeout}));
}

TEST_F(TopconSerial, FcStopEndsTheReceiveWithoutABox) {
  sim.Expect("\x05").Send(sBlock(kF1, "1")).Expect("\x06").User(serialtest::PressStop).Silent(11000);
  EXPECT_FALSE(FcReceive());
  EXPECT_EQ(1u, Boxes().size());
}

TEST_F(TopconSerial, FcSendsTheFrameTheHeaderAndNumberedBlocks) {
  std::string raw = "0011\r\n";
  sim.Expect("F00F000\r\n").Send("\x06");
  sim.Expect(sBlock("KORVAX    +00001.000000500010-200011S", "")).Send("\x06");
  for (int i = 1; i <= 10; ++i) {
    std::string line = "_+P" + std::to_string(i);
    raw += line + "\r\n";
    sim.Expect(sBlock(line, std::to_string(i == 10 ? 1 : i))).Send(i == 3 ? "\x15" : "\x06");
    if (i == 3) sim.Expect(sBlock(line, "3")).Send("\x06");
  }
  EXPECT_TRUE(FcSend(raw));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(
      (Strings{"...", "Sending block no.: 0", "Sending block no.: 2", "Sending block no.: 3", "Sending block no.: 4",
               "Sending block no.: 5", "Sending block no.: 6", "Sending block no.: 7", "Sending block no.: 8",
               "Sending block no.: 9", "Sending block no.: 0", "Sending block no.: 2", ""}),
      Status());
}

TEST_F(TopconSerial, FcSendStopsAtASecondNakOrSilence) {
  sim.Expect("F00F000\r\n").Send("\x15").Expect("F00F000\r\n").Send("\x15");
  EXPECT_FALSE(FcSend("0001\r\n_+P1\r\n", {"Not Acknowledged"}));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(TopconSerial, FcSendWithoutAckTimesOut) {
  sim.Expect("F00F000\r\n").Silent(11000);
  EXPECT_FALSE(FcSend("0001\r\n_+P1\r\n", {"Acknowledge timeout"}));
}

TEST_F(TopconSerial, FcALineLongerThanABlockStopsTheSend) {
  std::string longLine(129, 'x');
  sim.Expect("F00F000\r\n").Send("\x06");
  sim.Expect(sBlock("KORVAX    +00001.000000500010-200001S", "")).Send("\x06");
  EXPECT_FALSE(FcSend("0001\r\n" + longLine + "\r\n", {"Line too long for the fieldbook, send stopped:"}));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(TopconSerial, FcAnEmptyFileCannotBeSent) {
  EXPECT_FALSE(FcSend("", {"cannot read file"}));
  EXPECT_EQ("", sim.Received());
}

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

TEST_F(TopconSerial, GtsSilenceBeforeAnyLineWarnsOnce) {
  sim.Silent(11000);
  EXPECT_FALSE(GtsReceive({kTimeout}));
  EXPECT_EQ(2u, Boxes().size());
}

TEST_F(TopconSerial, GtsSendsTheLinesThenEot) {
  sim.Expect(kL1 + "\r\n" + kL2 + "\r\n\x04\r\n");
  EXPECT_TRUE(GtsSend(kL1 + "\r\n" + kL2 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_TRUE(sim.Line().boXonXoff);
}

TEST_F(TopconSerial, CancelAtThePromptSendsNothing) {
  CancelAtEach({{boTopconFcReceive, kFcReceivePrompt},
                {boTopconFcSend, kFcSendPrompt},
                {boGts800Receive, kChooseData},
                {boGts800Send, kMakeReady}});
}

}  // namespace
