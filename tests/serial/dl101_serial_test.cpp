// The DL101/102 receive over a real pseudo-terminal: checksummed lines, each
// answered with a checksummed ACK or NAK, lines before "A" answered but not
// stored, "Z" the end.
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "instruments/dl101.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;
using Strings = std::vector<std::string>;

const std::string kAck = "\x06,R,\r\n";
const std::string kNak = "\x15,!,\r\n";
const std::string kG = "g,12,12345,2500,0,0,0,BM1,";
const std::string kI = "i,12,02345,2400,0,0,0,TP1,";

// A line as the level sends it: the text, its checksum character, a comma.
std::string sSent(const std::string& text) { return text + (char)iDl101Checksum(text.c_str()) + ",\r\n"; }

class Dl101Serial : public serialtest::SerialTest {
 protected:
  bool Receive() { return Run(boDl101Receive, kChooseData, true); }
};

TEST(Dl101Checksum, SignedBytesAndATruncatingRemainder) {
  EXPECT_EQ('R', iDl101Checksum("\x06,"));
  EXPECT_EQ('!', iDl101Checksum("\x15,"));
  EXPECT_EQ(' ', iDl101Checksum(""));
  EXPECT_EQ(50, iDl101Checksum("\xE6,"));  // -26 + 44
  EXPECT_EQ(31, iDl101Checksum("\xFF"));   // -1 % 64 is -1
  EXPECT_EQ(32 - 63, iDl101Checksum("\xC1\x80"));
  char two[] = " ,";
  EXPECT_TRUE(boDl101CheckLine(two));
  EXPECT_STREQ("", two);
  char one[] = ",";
  EXPECT_FALSE(boDl101CheckLine(one));
}

TEST_F(Dl101Serial, StoresTheLinesBetweenAAndZ) {
  sim.Send(sSent("H,before start,")).Expect(kAck).Send(sSent("A,start,")).Expect(kAck);
  sim.Send(sSent(kG)).Expect(kAck).Send(sSent(kI)).Expect(kAck).Send(sSent("Z,end,")).Expect(kAck);
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_FALSE(sim.Line().boXonXoff);
  EXPECT_EQ(kG + "\r\n" + kI + "\r\n", ReadRaw());
  EXPECT_EQ((Strings{"Waiting for data from fieldbook", "Receiving block no.: 1", "Receiving block no.: 2",
                     "Receiving block no.: 3", ""}),
            Status());
}

TEST_F(Dl101Serial, ABadChecksumOrAShortLineGetsANakAndTheRetryIsTaken) {
  std::string bad = sSent(kG);
  bad[kG.size()] ^= 1;
  sim.Send(sSent("A,start,")).Expect(kAck).Send(bad).Expect(kNak).Send(sSent(kG)).Expect(kAck);
  sim.Send("x\r\n").Expect(kNak).Send(sSent(kI)).Expect(kAck).Send(sSent("Z,")).Expect(kAck);
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kG + "\r\n" + kI + "\r\n", ReadRaw());
  EXPECT_EQ((Strings{"Waiting for data from fieldbook", "Receiving block no.: 1", "retry 1", "Receiving block no.: 2",
                     "retry 2", "Receiving block no.: 3", ""}),
            Status());
}

TEST_F(Dl101Serial, CancelAtThePromptOpensNothing) { CancelAtEach({{boDl101Receive, kChooseData}}); }

}  // namespace
