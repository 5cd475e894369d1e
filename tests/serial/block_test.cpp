// The block protocol over a real pseudo-terminal: receiving a raw file to
// each of its ends and through each failure, sending with acknowledges and
// checksums, and the ENQ handshake.
#include "instruments/serial/block.h"

#include "instruments/serial/port.h"
#include "tests/serial/serial_fixture.h"
#include "testing/ui_driver.h"

namespace {

using namespace serialtest;
using S = kvxtest::SimInstrument;
using BlockTest = serialtest::SerialTest;

struct ReceiveCase {
  const char* name;
  std::function<void(S&)> script;
  const char* endText;
  char abortChar;
  bool result;
  std::string raw;                 // the raw file afterwards
  std::vector<std::string> boxes;  // every box, in order
};

class ReceiveTest : public serialtest::SerialTest, public testing::WithParamInterface<ReceiveCase> {};

TEST_P(ReceiveTest, ReceiveIntoTheRawFile) {
  const ReceiveCase& c = GetParam();
  c.script(sim);
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  vComSetLineChars('\r', '\n');
  vComSetAbortChar((uint8_t)c.abortChar);
  for (size_t i = 0; i < c.boxes.size(); ++i) vUiExpectBox(IDOK);
  EXPECT_EQ(boBlkReceiveFile(OpenRaw(true), c.endText), c.result) << sim.Transcript();
  vComClose();
  EXPECT_EQ(ReadRaw(), c.raw);
  EXPECT_EQ(Boxes(), c.boxes);
  EXPECT_EQ(Status().back(), "");
}

const char kLines[] = "5=1\r\n4=KUM\r\n";
const char kRawLines[] = "5=1\r\n4=KUM\r\n";

INSTANTIATE_TEST_SUITE_P(
    Ends, ReceiveTest,
    testing::Values(ReceiveCase{"EndTextAsPrefix",
                                [](S& s) { s.Send(kLines).Send("-9xyz\r\n"); },
                                "-9",
                                0,
                                true,
                                std::string(kRawLines) + "\r\n",
                                {}},
                    ReceiveCase{"CtrlZFirst",
                                [](S& s) {
                                  s.Send(kLines).Send(
                                      "\x1A"
                                      "abc\r\n");
                                },
                                "",
                                0,
                                true,
                                std::string(kRawLines) + "\r\n",
                                {}},
                    ReceiveCase{"AbortAfterTwo",
                                [](S& s) { s.Send(kLines).Send("12>"); },
                                "-9",
                                '>',
                                true,
                                std::string(kRawLines) + "12\r\n\r\n",
                                {}},
                    ReceiveCase{"AbortAfterOne",
                                [](S& s) { s.Send(kLines).Send("1>"); },
                                "-9",
                                '>',
                                true,
                                std::string(kRawLines) + "\r\n",
                                {}},
                    ReceiveCase{"SilenceAfterLinesNoEndText",
                                [](S& s) { s.Send(kLines).Silent(10000); },
                                "",
                                0,
                                false,
                                std::string(kRawLines) + "\r\n",
                                {}},
                    ReceiveCase{
                        "SilenceBeforeAnyLine", [](S& s) { s.Silent(10000); }, "", 0, false, "\r\n", {kTimeout}},
                    ReceiveCase{"SilenceInALine",
                                [](S& s) { s.Send(kLines).Send("5=2 half").Silent(10000); },
                                "-9",
                                0,
                                false,
                                std::string(kRawLines) + "\r\n",
                                {kTimeout}},
                    ReceiveCase{"HangUpInALine",
                                [](S& s) { s.Send(kLines).Send("5=2 half").HangUp(); },
                                "-9",
                                0,
                                false,
                                std::string(kRawLines) + "\r\n",
                                {kTimeout}},
                    ReceiveCase{"Garbage",
                                [](S& s) { s.Send(std::string("\xFF\x00\x7F\r\x01\x02\r\n", 8)).Send("-9\r\n"); },
                                "-9",
                                0,
                                true,
                                "\xFF\x7F\r\n\r\n",
                                {}}),
    [](const testing::TestParamInfo<ReceiveCase>& info) { return std::string(info.param.name); });

TEST_F(BlockTest, StopIsPressedWhileTheThirdBlockShows) {
  sim.Send(kLines).User(PressStop).Silent(10000);
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  vComSetLineChars('\r', '\n');
  EXPECT_FALSE(boBlkReceiveFile(OpenRaw(true), "-9"));
  EXPECT_TRUE(boComCancelled());
  EXPECT_EQ(Status(), (std::vector<std::string>{"Receiving block no.: 1", "Receiving block no.: 2",
                                                "Receiving block no.: 3", ""}));
}

// Per-line checksum character and total: the sum of the bytes 32 to 127.
uint16_t Sum(const char* line) {
  unsigned sum = 0;
  for (const unsigned char* p = (const unsigned char*)line; *p; ++p)
    if (*p >= 32 && *p < 128) sum += *p;
  return (uint16_t)sum;
}
uint16_t SumChar(const char* line) { return (uint16_t)(Sum(line) % 64 + 32); }

struct SendCase {
  const char* name;
  int kind;  // 0 plain, 1 line checksum, 2 total
  std::function<void(S&)> script;
  bool result;
  std::vector<std::string> boxes;
};

class SendTest : public serialtest::SerialTest, public testing::WithParamInterface<SendCase> {};

const std::string kLong(300, 'z');  // 36600: a total past 32767

TEST_P(SendTest, SendTheRawFile) {
  const SendCase& c = GetParam();
  c.script(sim);
  sim.Start();
  WriteRaw("5=1\r\n4=KUM\n" + kLong + "\r\n");
  ASSERT_TRUE(boBlkOpenPort(0));
  vComSetLineChars('\r', '\n');
  vComSetAckNak(6, 0x15);
  for (size_t i = 0; i < c.boxes.size(); ++i) vUiExpectBox(IDOK);
  uint32_t raw = OpenRaw(false);
  bool result = c.kind == 0   ? boBlkSendFile(raw, "-9")
                : c.kind == 1 ? boBlkSendFileLineSum(raw, "-9", SumChar)
                              : boBlkSendFileTotalSum(raw, "-9", Sum);
  EXPECT_EQ(result, c.result) << sim.Transcript();
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(Boxes(), c.boxes);
  EXPECT_EQ(Status().back(), "");
}

// Expects each line and acknowledges it.
std::function<void(S&)> Acked(std::vector<std::string> lines) {
  return [lines](S& s) {
    for (const std::string& l : lines) s.Expect(l).Send("\x06\r\n");
  };
}

INSTANTIATE_TEST_SUITE_P(
    Ways, SendTest,
    testing::Values(
        SendCase{"Plain", 0, Acked({"5=1\r\n", "4=KUM\r\n", kLong + "\r\n", "-9\r\n"}), true, {}},
        // "5=1," sums to 202: 202 % 64 + 32 = 42 '*'.
        // "5=1," sums to 207, 207 % 64 + 32 = 47 '/'; "4=KUM," 394 -> '*';
        // the long line with its comma 36644 -> 'D'; "-9," 146 -> '2'.
        SendCase{"LineChecksum", 1, Acked({"5=1,/,\r\n", "4=KUM,*,\r\n", kLong + ",D,\r\n", "-9,2,\r\n"}), true, {}},
        // 163 + 350 + 36600: five digits, not a sign-extended ten.
        SendCase{"Total", 2, Acked({"5=1\r\n", "4=KUM\r\n", kLong + "\r\n", "-937113\r\n"}), true, {}},
        SendCase{"SilenceAtTheSecondLine",
                 0,
                 [](S& s) { s.Expect("5=1\r\n").Send("\x06\r\n").Expect("4=KUM\r\n").Silent(10000); },
                 false,
                 {"Acknowledge timeout", kTimeout}},
        SendCase{"StopAtTheSecondLine",
                 0,
                 [](S& s) { s.Expect("5=1\r\n").Send("\x06\r\n").Expect("4=KUM\r\n").User(PressStop); },
                 false,
                 {}}),
    [](const testing::TestParamInfo<SendCase>& info) { return std::string(info.param.name); });

TEST_F(BlockTest, ASmallTotalIsPaddedToFiveDigits) {
  sim.Expect("{\r\n-900123\r\n");  // '{' is 123
  sim.Start();
  WriteRaw("{\r\n");
  ASSERT_TRUE(boBlkOpenPort(0));
  EXPECT_TRUE(boBlkSendFileTotalSum(OpenRaw(false), "-9", Sum));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(BlockTest, EnqIsRepeatedUntilTheInstrumentAnswers) {
  sim.Expect("\x05").Expect("\x05").Send("A");
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  char work[16];
  EXPECT_TRUE(boBlkSendEnq(work));
  EXPECT_EQ(Status(), (std::vector<std::string>{"Sending ENQ 1", "Sending ENQ 2", ""}));
  uint8_t first = 0;
  EXPECT_TRUE(boComReadByte(&first));  // the answer stays for the first line
  EXPECT_EQ(first, 'A');
}

TEST_F(BlockTest, EnqGivesUpAfterFiveTries) {
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  vUiExpectBox(IDOK, "No response");
  char work[16];
  EXPECT_FALSE(boBlkSendEnq(work));
  EXPECT_EQ(sim.Received(), "\x05\x05\x05\x05\x05");
  EXPECT_EQ(Status().back(), "");
}

}  // namespace
