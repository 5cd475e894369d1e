// Every receive over a real pseudo-terminal, cut off after its first line
// by silence, by the instrument hanging up or by the user's Stop: the lines
// received so far are kept; silence and hang-up warn once, Stop shows
// nothing more.
#include <functional>
#include <tuple>

#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "instruments/dl101.h"
#include "instruments/kern.h"
#include "instruments/nikon.h"
#include "instruments/psion.h"
#include "instruments/rec500.h"
#include "instruments/sdr.h"
#include "instruments/topcon.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;
using S = kvxtest::SimInstrument;

struct Receiver {
  const char* name;
  uint32_t instrument;  // 0: the driver does not look
  serialtest::SerialTest::Transfer receive;
  const char* prompt;
  std::function<void(S&)> firstLine;  // the script until the first line is taken
  std::string kept;                   // the raw file afterwards
};

void PrintTo(const Receiver& r, std::ostream* os) { *os << r.name; }

enum class End { Silence, HangUp, Stop };

class Interrupted : public serialtest::SerialTest, public testing::WithParamInterface<std::tuple<Receiver, End>> {};

TEST_P(Interrupted, TheLinesReceivedAreKept) {
  const auto& [r, end] = GetParam();
  if (r.instrument) g_mboTransfer.settings.uInstrument = r.instrument;
  r.firstLine(sim);
  if (end == End::Silence) sim.Silent(11000);
  if (end == End::HangUp) sim.HangUp();
  if (end == End::Stop) sim.User(serialtest::PressStop).Silent(11000);
  bool warns = end != End::Stop;
  EXPECT_FALSE(warns ? Run(r.receive, r.prompt, true, {kTimeout}) : Run(r.receive, r.prompt, true));
  EXPECT_EQ(Boxes().size(), warns ? 2u : 1u);  // the prompt, and the warning
  EXPECT_EQ(ReadRaw(), r.kept);
}

// A DL101 line with its checksum character, and the level's ACK.
std::string Dl(const std::string& text) { return text + (char)iDl101Checksum(text.c_str()) + ",\r\n"; }
const std::string kDlAck = "\x06,R,\r\n";

const std::string kKern = "2 ST1                    1.600  20  1013";
const std::string kSdr = "08KIP1              100.000         200.000";
const std::string kDl = "g,12,12345,2500,0,0,0,BM1,";
const std::string kNikon = "1,1,MG,P1,KUM,1000.000,2000.000,10.000";
const std::string kRec = "   1    K1        KUM               X    1000.000 Y     2000.000 Z   10.000";
const std::string kGts = "STN ST1,1.600,TOP";

INSTANTIATE_TEST_SUITE_P(
    Receivers, Interrupted,
    testing::Combine(testing::Values(
                         // One ACK a line after the ENQ handshake; no empty line at the end.
                         Receiver{"Kern", MBO_INSTR_KERN_AC, boKernReceive, "Choose D)efine and set H0D0L130",
                                  [](S& s) { s.Expect("\x05").Send(kKern + "\r\n").Expect("\x06"); }, kKern + "\r\n"},
                         Receiver{"Psion", MBO_INSTR_PSION, boPsionReceive, kChooseData,
                                  [](S& s) { s.Send("5=P1\r\n").Expect("#"); }, "5=P1\r\n\r\n"},
                         Receiver{"Sdr", MBO_INSTR_SDR33, boSdrReceive, kChooseData,
                                  [](S& s) { s.Send("\x02\r\n").Send(kSdr + "\r\n"); }, kSdr + "\r\n\r\n"},
                         // Lines before "A" are answered, not stored.
                         Receiver{"Dl101", 0, boDl101Receive, kChooseData,
                                  [](S& s) { s.Send(Dl("A,start,")).Expect(kDlAck).Send(Dl(kDl)).Expect(kDlAck); },
                                  kDl + "\r\n"},
                         // Cut off before the first data line: nothing stored.
                         Receiver{"Dl101BeforeData", 0, boDl101Receive, kChooseData,
                                  [](S& s) { s.Send(Dl("A,start,")).Expect(kDlAck); }, ""},
                         Receiver{"Nikon", MBO_INSTR_NIKON, boNikonReceive, kChooseData,
                                  [](S& s) { s.Send(kNikon + "\r\n"); }, kNikon + "\r\n\r\n"},
                         Receiver{"Rec500", MBO_INSTR_REC500, boRec500Receive, kChooseData,
                                  [](S& s) { s.Send("A\r\n").Expect("B\r\n").Send(kRec + "\r\n").Expect("B\r\n"); },
                                  kRec + "\r\n\r\n"},
                         Receiver{"Rec500BeforeData", MBO_INSTR_REC500, boRec500Receive, kChooseData,
                                  [](S& s) { s.Send("A\r\n").Expect("B\r\n"); },
                                  "\r\n"},  // only the empty line that ends a stopped receive
                         Receiver{"Gts800", MBO_INSTR_TOPCON_GTS800, boGts800Receive, kChooseData,
                                  [](S& s) { s.Send(kGts + "\r\n"); }, kGts + "\r\n\r\n"}),
                     testing::Values(End::Silence, End::HangUp, End::Stop)),
    [](const testing::TestParamInfo<std::tuple<Receiver, End>>& info) {
      End end = std::get<1>(info.param);
      return std::string(std::get<0>(info.param).name) + (end == End::Silence  ? "Silence"
                                                          : end == End::HangUp ? "HangUp"
                                                                               : "Stop");
    });

}  // namespace
