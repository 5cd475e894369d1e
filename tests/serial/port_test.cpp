// The serial port layer over a real pseudo-terminal: opening and its
// failures, raw line reads with replies, acknowledged sends, line errors and
// a line that goes away.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>

#include "fieldbook/transfer_context.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "kvxtest_serial.h"
#include "tests/serial/serial_fixture.h"
#include "testing/ui_driver.h"

namespace {

using serialtest::PressStop;
using PortTest = serialtest::SerialTest;

TEST_F(PortTest, OpensTheLineAsTheSettingsAndTheModelSay) {
  struct Case {
    ComPortSettings com;
    int xonXoff;
    const char* line;  // baud, bits, parity, stop bits, flow
  };
  const Case cases[] = {{{1, 4800, 7, 2, 0}, 1, "4800 7E1 xon"},
                        {{1, 9600, 8, 0, 0}, 0, "9600 8N1 -"},
                        {{1, 19200, 8, 1, 2}, 0, "19200 8O2 -"}};
  for (const Case& c : cases) {
    g_mboTransfer.settings.com = c.com;
    ASSERT_TRUE(boBlkOpenPort(c.xonXoff));
    kvxtest::SimLine l = sim.Line();
    char text[40];
    snprintf(text, sizeof text, "%u %d%c%d %s", l.uBaud, l.iDataBits, l.cParity, l.iStopBits,
             l.boXonXoff ? "xon" : "-");
    EXPECT_EQ(text, std::string(c.line));
    EXPECT_TRUE(l.boRaw && !l.boHardwareFlow);
    EXPECT_EQ(l.boParityChecked, c.com.uParity != 0);
    EXPECT_TRUE(g_comPort.uLineMode);
    vComClose();
  }
}

TEST_F(PortTest, OpenFailuresNameThePortAndLeaveItClosed) {
  // A path that denies even the superuser writing, where there is one.
  std::string denied = dir_ + "/denied";
  std::ofstream(denied) << "x";
  chmod(denied.c_str(), 0);
  auto refuses = [](const std::string& path) {
    int fd = open(path.c_str(), O_RDWR);
    if (fd >= 0) close(fd);
    return fd < 0 && errno == EACCES;
  };
  if (!refuses(denied)) denied = "/sys/kernel/notes";
  std::string missing = dir_ + "/no-such-tty";
  HANDLE other = nullptr;
  struct Case {
    uint32_t port;
    uint32_t baud, stop;
    std::function<void()> arrange;
    const char* text;
  };
  const Case cases[] = {
      {3, 9600, 0, [&] { vKvxTestSerialMapPort(3, missing.c_str()); }, "Could not detect COM3 on your computer"},
      {0, 9600, 0, nullptr, "Could not detect COM0 on your computer"},
      {12, 9600, 0, nullptr, "Could not open serial port COM12"},
      {1, 9600, 0,
       [&] { other = CreateFileA("COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr); },
       "COM1 is probably used by another program!"},
      {4, 9600, 0, [&] { vKvxTestSerialMapPort(4, denied.c_str()); }, "Could not open serial port COM4"},
      {5, 9600, 0, [&] { vKvxTestSerialMapPort(5, "/dev/null"); }, "Could not get status for port COM5\nErrorcode: 1"},
      {1, 9600, 1, nullptr, "Could not set status for port COM1\nInvalid parameter"},
      {1, 12345, 0, nullptr, "Could not set status for port COM1\nInvalid parameter"},
  };
  for (const Case& c : cases) {
    if (c.port == 4 && !refuses(denied)) continue;  // no such path here
    if (c.arrange) c.arrange();
    vUiExpectBox(IDOK, c.text);
    EXPECT_FALSE(boComOpen(c.port, c.baud, 8, 0, (uint8_t)c.stop, 0)) << c.text;
    EXPECT_EQ(g_comPort.hPort, nullptr);
    if (other) CloseHandle(other), other = nullptr;
    EXPECT_EQ(OpenPorts(), 0) << c.text;
  }
  for (int port : {3, 4, 5}) vKvxTestSerialMapPort(port, nullptr);
  EXPECT_EQ(iUiPendingBoxes(), 0);
}

TEST_F(PortTest, TheHostsIniFileMapsAPortToADevice) {
  std::string ini = dir_ + "/host.ini";
  std::ofstream(ini) << "[KvxMboPorts]\nCOM2=" << sim.DevicePath() << "\n";
  g_mboTransfer.settings.sIniPath = ini.c_str();
  sim.Expect("hello");
  sim.Start();
  ASSERT_TRUE(boComOpen(2, 9600, 8, 0, 0, 0));
  EXPECT_TRUE(boComWrite("hello"));
  vComClose();
  g_mboTransfer.settings.sIniPath = nullptr;
  EXPECT_EQ(sim.Received(), "hello");
}

TEST_F(PortTest, LinesAreRawBytesAndEachIsAnsweredWithTheReply) {
  sim.Send("ABC\r\n").Expect("#\r\n");
  sim.Send("\r\n").Expect("#\r\n");
  sim.Send(std::string("\x1A\x04\x03\x00\rZ\xFF\r\n", 9)).Expect("#\r\n");
  sim.Send("ABCDEF\n").Expect("#\r\n");  // a full buffer ends a line too
  sim.Send("Q\r\n").Expect("#").Silent(10000);
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  vComSetLineChars('\r', '\n');
  vComSetReplyChar('#');
  char line[16];
  std::vector<std::string> lines;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(boComReadLineReply(line, i < 3 ? 16 : 4)) << sim.Transcript();
    lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"ABC", "\r", "\x1A\x04\x03\rZ\xFF", "ABC"}));
  char rest[16];
  ASSERT_TRUE(boComReadLine(rest, sizeof rest));  // the rest of the cut line: no reply
  EXPECT_STREQ(rest, "DEF");
  vComLineModeOff();
  ASSERT_TRUE(boComReadLineReply(rest, sizeof rest));
  EXPECT_FALSE(boComReadLineReply(rest, sizeof rest));  // a time-out: no reply
  EXPECT_STREQ(rest, "");
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(sim.Received(), "#\r\n#\r\n#\r\n#\r\n#");
}

// One acknowledged send against what the instrument answers.
struct AckCase {
  const char* name;
  std::function<void(kvxtest::SimInstrument&)> answer;
  bool lineMode;
  bool result;
  const char* box;  // nullptr: none
  const char* sent;
};

class AckTest : public serialtest::SerialTest, public testing::WithParamInterface<AckCase> {};

TEST_P(AckTest, SendAndReadTheAnswer) {
  const AckCase& c = GetParam();
  c.answer(sim);
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  vComSetLineChars('\r', '\n');
  vComSetAckNak(6, 0x15);
  if (!c.lineMode) vComLineModeOff();
  if (c.box) vUiExpectBox(IDOK, c.box);
  EXPECT_EQ(boComSendf("%s\r\n", "L1"), c.result) << sim.Transcript();
  EXPECT_EQ(sim.Received(), c.sent);
  EXPECT_EQ(iUiPendingBoxes(), 0);
}

using S = kvxtest::SimInstrument;
INSTANTIATE_TEST_SUITE_P(
    Answers, AckTest,
    testing::Values(AckCase{"Ack", [](S& s) { s.Expect("L1\r\n").Send("\x06\r\n"); }, true, true, nullptr, "L1\r\n"},
                    AckCase{"AckByte", [](S& s) { s.Expect("L1\r\n").Send("\x06"); }, false, true, nullptr, "L1\r\n"},
                    AckCase{"NakThenAck",
                            [](S& s) { s.Expect("L1\r\n").Send("\x15\r\n").Expect("L1\r\n").Send("\x06\r\n"); }, true,
                            true, nullptr, "L1\r\nL1\r\n"},
                    AckCase{"TwoNaks",
                            [](S& s) { s.Expect("L1\r\n").Send("\x15\r\n").Expect("L1\r\n").Send("\x15\r\n"); }, true,
                            false, "Not Acknowledged", "L1\r\nL1\r\n"},
                    AckCase{"Silence", [](S& s) { s.Expect("L1\r\n").Silent(20000); }, true, false,
                            "Acknowledge timeout", "L1\r\n"},
                    AckCase{"StopWhileWaiting", [](S& s) { s.Expect("L1\r\n").User(PressStop).Silent(20000); }, true,
                            false, nullptr, "L1\r\n"},
                    AckCase{"Other", [](S& s) { s.Expect("L1\r\n").Send("?x\r\n"); }, true, false,
                            "Device return error\nReceived: ?x\nExpected: 0x6", "L1\r\n"}),
    [](const testing::TestParamInfo<AckCase>& info) { return std::string(info.param.name); });

TEST_F(PortTest, WithXonXoffTheLineTakesThoseTwoBytes) {
  ASSERT_TRUE(boBlkOpenPort(1));  // before the instrument says anything
  sim.Send(
      "A\x13\x11"
      "B\r\n");
  sim.Start();
  vComSetLineChars('\r', '\n');
  char line[8];
  EXPECT_TRUE(boComReadLine(line, sizeof line));
  EXPECT_STREQ(line, "AB");
}

TEST_F(PortTest, LongLinesAreSentWhole) {
  std::string line(1023, 'x');
  sim.Expect(line + "\r\n");
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  EXPECT_TRUE(boComSendf("%s\r\n", line.c_str()));
  EXPECT_EQ(sim.Received(), line + "\r\n");
}

TEST_F(PortTest, LineErrorsAreReportedByTheirFirstBit) {
  const struct {
    DWORD bits;
    const char* text;
  } cases[] = {{CE_BREAK | CE_FRAME, "Break condition\n"},
               {CE_FRAME | CE_RXPARITY, "Framing error\n"},
               {CE_OVERRUN, "Overrun error\n"},
               {CE_RXPARITY, "Parity error\n"},
               {CE_TXFULL, "Transmit queue full"},
               {0x20000, "Some unknown error"}};
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  for (const auto& c : cases) {
    vKvxTestSerialInjectErrors(c.bits);
    vUiExpectBox(IDOK);
    uint8_t byte;
    EXPECT_FALSE(boComReadByte(&byte));
    EXPECT_EQ(Boxes().back(), c.text);
    EXPECT_EQ(g_comPort.uErrors, 0u);
  }
}

TEST_F(PortTest, ALineThatGoesAwayEndsEveryWaitAtOnceWithoutAReport) {
  sim.Send("AB").HangUp();
  sim.Start();
  ASSERT_TRUE(boBlkOpenPort(0));
  uint8_t bytes[3] = {};
  EXPECT_TRUE(boComReadByte(&bytes[0]) && boComReadByte(&bytes[1]));  // what came before the hang-up
  DWORD start = GetTickCount();
  EXPECT_FALSE(boComReadByte(&bytes[2]));
  EXPECT_EQ(iComWaitReady(1), 0);
  EXPECT_LT(GetTickCount() - start, 1000u);  // on the virtual clock: no time-out ran
  EXPECT_FALSE(boComCancelled());
  EXPECT_EQ(std::string((char*)bytes, 2), "AB");
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
