// Leica serial transfers and the KOF send over a real pseudo-terminal, run
// through the receive and send operations against the simulated
// instrument: each model's receive and send, the TC605/805/905 command
// protocol, the GRE handshake, and time-out, NAK, refusal and Stop.
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/serial/port.h"
#include "testing/dialog_driver.h"
#include "testing/ui_driver.h"
#include "tests/serial/serial_fixture.h"

namespace {

using namespace serialtest;
using S = kvxtest::SimInstrument;
using Strings = std::vector<std::string>;

const std::string kAck = "\x06\r\n";
const std::string kQ = "?\r\n";
const std::string kL1 = "110001+00000012 81..10+00200000 82..10+00100000 ";
const std::string kL2 = "110002+00000013 81..10+00300000 82..10+00400000 ";
const std::string kHandshake = "GDHCOBOO\r\nGDHDOBOO\r\nGDHEODOO\r\n";

class LeicaSerial : public serialtest::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    ASSERT_TRUE(boMboSetRawFilePath(rawPath_.c_str()));
  }
  void Use(int instrument) { g_mboTransfer.settings.uInstrument = (uint32_t)instrument; }
  // The user types the file number ("": takes the default; null: Cancel).
  static void FileNo(const char* typed) {
    kvxtest::ExpectDialog("File no.", [typed](kvxtest::Dlg& d) {
      if (!typed) return d.Click(IDCANCEL);
      if (typed[0]) d.Type(100, typed);
      d.Click(IDOK);
    });
  }
  bool Receive() {
    sim.Start();
    return boMboReceiveRawFile(&g_mboTransfer.settings, nullptr);
  }
  bool Send(const std::string& raw) {
    WriteRaw(raw);
    sim.Start();
    return boMboSendRawFile(&g_mboTransfer.settings, nullptr);
  }
  // The instrument 96 selects its format: "b" without acknowledge, two
  // commands, then the format slots from 3 down; slot 2 holds the format.
  static void SelectFormat(S& s) {
    s.Expect("b\r\n").Expect("a\r\n").Send(kQ).Expect("SET/177/0\r\n").Send(kQ);
    s.Expect("CONF/FORM/3\r\n").Send("KVX1_8\r\n").Expect(kQ);
    s.Expect("CONF/FORM/2\r\n").Send("KVX2_16\r\n").Expect(kQ);
    s.Expect("SET/136/2\r\n").Send(kQ);
  }
};

TEST_F(LeicaSerial, Gif10ReceivesTheNumberedFileUntilEtx) {
  Use(MBO_INSTR_LEICA_GIF10);
  FileNo("12");  // two digits can be typed
  sim.Expect("SND12\r\n").Send(kAck);
  sim.Send(kL1 + "\r\n").Expect(kAck).Send(kL2 + "\r\n").Expect(kAck).Send("\x03\r\n").Expect(kAck);
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kL1 + "\r\n" + kL2 + "\r\n", ReadRaw());
  EXPECT_EQ((Strings{"Initialize..", "Receiving block no.: 1", "Receiving block no.: 2", "Receiving block no.: 3", ""}),
            Status());
}

TEST_F(LeicaSerial, Gif10RefusesFileFifteenBeforeOpeningThePort) {
  Use(MBO_INSTR_LEICA_GIF10);
  FileNo("15");
  vUiExpectBox(IDOK, "15 ????");
  EXPECT_FALSE(Receive());  // nothing came
  EXPECT_TRUE(sim.Received().empty());
  FileNo(nullptr);  // Cancel ends it too
  EXPECT_FALSE(boMboReceiveRawFile(&g_mboTransfer.settings, nullptr));
}

TEST_F(LeicaSerial, Na3000ReceivesAfterThePromptUntilTheEndMark) {
  Use(MBO_INSTR_LEICA_NA3000);
  FileNo("0");
  vUiExpectBox(IDOK, "Start transfer from the fieldbook");
  sim.Send(kL1 + "\r\n").Expect(kAck).Send("!END\r\n").Expect(kAck).Send("trailer\r\n").Expect(kAck);
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kL1 + "\r\n", ReadRaw());
}

TEST_F(LeicaSerial, Tc600AnswersEveryLineWithW) {
  Use(MBO_INSTR_LEICA_TC600);
  vUiExpectBox(IDOK, "Press Enter on PC and start");
  sim.Send(kL1 + "\r\n").Expect(kQ).Send("w\r\n").Expect(kQ);
  sim.Send(kL2 + "\r\n").Expect(kQ).Send("x\r\n").Expect(kQ);
  vUiExpectBox(IDOK, "EXPECTED 'w', got x");
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kL1 + "\r\n" + kL2 + "\r\n", ReadRaw());
}

TEST_F(LeicaSerial, Tc600StopsWhenNoWComes) {
  Use(MBO_INSTR_LEICA_TC600);
  vUiExpectBox(IDOK, "Press Enter on PC and start");
  sim.Send(kL1 + "\r\n").Expect(kQ).Silent(11000);
  vUiExpectBox(IDOK, "Did not receive 'w'");
  EXPECT_TRUE(Receive());
  EXPECT_EQ(kL1 + "\r\n", ReadRaw());
}

TEST_F(LeicaSerial, GreReceivesAfterTheHandshakeAndAnswersTheEnd) {
  Use(MBO_INSTR_LEICA_GRE);
  FileNo("2");
  // Silent during the handshake: an answer would be taken for the file
  // command's acknowledge.
  sim.Expect(kHandshake).Expect("GDIAOCOO\r\n").Send(kQ).Expect("KEOGO\r\n");
  sim.Send(kL1 + "\r\n").Expect(kAck).Send("!\r\n").Expect(kAck).Send("last\r\n").Expect(kAck);
  sim.Expect("O\r\n").Send(kQ);
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kL1 + "\r\n", ReadRaw());
}

TEST_F(LeicaSerial, AnErrorLineOrSilenceEndsAReceive) {
  Use(MBO_INSTR_LEICA_GIF10);
  FileNo("1");
  sim.Expect("SND1\r\n").Send(kAck).Send(kL1 + "\r\n").Expect(kAck).Send("@E123\r\n").Expect(kAck);
  vUiExpectBox(IDOK, "ERROR! Fieldbook has send error message:\n@E123");
  EXPECT_TRUE(Receive());
  EXPECT_EQ(kL1 + "\r\n", ReadRaw());
}

TEST_F(LeicaSerial, SilenceShowsTheTimeOutAndStopDoesNot) {
  Use(MBO_INSTR_LEICA_GIF10);
  FileNo("1");
  sim.Expect("SND1\r\n").Send(kAck).Send(kL1 + "\r\n").Expect(kAck).Silent(11000);
  vUiExpectBox(IDOK, kTimeout);
  EXPECT_TRUE(Receive());
  EXPECT_EQ(kL1 + "\r\n", ReadRaw());
}

TEST_F(LeicaSerial, StopDuringAReceiveShowsNothing) {
  Use(MBO_INSTR_LEICA_GIF10);
  FileNo("1");
  sim.Expect("SND1\r\n").Send(kAck).Send(kL1 + "\r\n").Expect(kAck).User(serialtest::PressStop).Silent(11000);
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(kL1 + "\r\n", ReadRaw());
}

TEST_F(LeicaSerial, Gif10SendsTheFileThenEtx) {
  Use(MBO_INSTR_LEICA_GIF10);
  FileNo("");  // the default, 2
  sim.Expect("RCV2\r\n").Send(kAck).Expect(kL1 + "\r\n").Send(kAck).Expect(kL2 + "\r\n").Send(kAck);
  sim.Expect("\x03\r\n").Send(kAck);
  EXPECT_TRUE(Send(kL1 + "\r\n" + kL2 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ((Strings{"Initialize..", "Sending block no.: 1", "Sending block no.: 2", ""}), Status());
}

TEST_F(LeicaSerial, ASecondNakStopsTheSend) {
  Use(MBO_INSTR_LEICA_GIF10);
  FileNo("3");
  sim.Expect("RCV3\r\n").Send(kAck).Expect(kL1 + "\r\n").Send("\x15\r\n").Expect(kL1 + "\r\n").Send("\x15\r\n");
  vUiExpectBox(IDOK, "Not Acknowledged");
  vUiExpectBox(IDOK, "ERROR! Cannot send to fieldbook");
  EXPECT_TRUE(Send(kL1 + "\r\n" + kL2 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(std::string::npos, sim.Received().find(kL2));
}

TEST_F(LeicaSerial, Tc600SendsAfterTheQuestionAndEndsWithItsMark) {
  Use(MBO_INSTR_LEICA_TC600);
  vUiExpectBox(IDOK, kMakeReady);
  sim.Expect(kL1 + "\r\n").Send(kQ).Expect("! ----+\r\n");
  EXPECT_TRUE(Send(kL1 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(LeicaSerial, GreSendsEachLineWithAPrompt) {
  Use(MBO_INSTR_LEICA_GRE);
  FileNo("1");
  sim.Expect(kHandshake).Expect("GDIAOBOO\r\n").Send(kQ).Expect("GBLMOBBOP\r\n").Send(kQ);
  sim.Expect(kL1 + "\r\n").Expect("P\r\n").Send(kQ).Expect(kL2 + "\r\n").Expect("P\r\n").Send(kQ);
  EXPECT_TRUE(Send(kL1 + "\r\n" + kL2 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(kHandshake + "GDIAOBOO\r\nGBLMOBBOP\r\n" + kL1 + "\r\nP\r\n" + kL2 + "\r\nP\r\n", sim.Received());
}

TEST_F(LeicaSerial, TpsReceivesCoordinatesAndObservationsNumbered) {
  Use(MBO_INSTR_LEICA_TPS);
  SelectFormat(sim);
  sim.Expect("RCV/COORDS\r\n").Send(kQ);
  sim.Send("*110077+0000000000000012 81..10+0000000000200000 \r\n").Expect(kQ).Send("@W\r\n").Expect(kQ);
  SelectFormat(sim);
  sim.Expect("RCV/OBSERV\r\n").Send(kQ);
  sim.Send("*110099+0000000000000013 21.322+0000000001000000 \r\n").Expect(kQ).Send("@W\r\n").Expect(kQ);
  sim.Expect("c\r\n").Send(kQ).Expect("c\r\n").Send(kQ);
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_TRUE(Boxes().empty());  // "@W" ends the observations normally
  EXPECT_EQ(
      "*110001+0000000000000012 81..10+0000000000200000 \r\n"
      "*110002+0000000000000013 21.322+0000000001000000 \r\n",
      ReadRaw());
}

TEST_F(LeicaSerial, TpsRefusedCoordinatesStillBringTheObservations) {
  Use(MBO_INSTR_LEICA_TPS);
  SelectFormat(sim);
  sim.Expect("RCV/COORDS\r\n").Send("@E\r\n");
  SelectFormat(sim);
  sim.Expect("RCV/OBSERV\r\n").Send(kQ);
  sim.Send("*110099+0000000000000013 \r\n").Expect(kQ).Send("\x1A").Expect(kQ);  // Ctrl-Z ends quietly
  sim.Expect("c\r\n").Send(kQ).Expect("c\r\n").Send(kQ);
  vUiExpectBox(IDOK, "Device return error");  // the refusal, once
  EXPECT_TRUE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ("*110001+0000000000000013 \r\n", ReadRaw());
}

TEST_F(LeicaSerial, TpsWithoutTheFormatAsksFourSlots) {
  Use(MBO_INSTR_LEICA_TPS);
  sim.Expect("b\r\n").Expect("a\r\n").Send(kQ).Expect("SET/177/0\r\n").Send(kQ);
  for (int slot = 3; slot >= 0; --slot)
    sim.Expect("CONF/FORM/" + std::to_string(slot) + "\r\n").Send("OTHER\r\n").Expect(kQ);
  vUiExpectBox(IDOK, "Format KVX2_16 not defined in fieldbook");
  EXPECT_FALSE(Receive());
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ(std::string::npos, sim.Received().find("RCV/"));
}

TEST_F(LeicaSerial, TpsSendsTheCoordinatesAndEndsWithCtrlZ) {
  Use(MBO_INSTR_LEICA_TPS);
  SelectFormat(sim);
  sim.Expect("SND/COORDS\r\n").Send(kQ).Expect("*" + kL1 + "\r\n").Send(kQ);
  sim.Expect("\x1A\r\nc\r\n").Send(kQ).Expect("c\r\n").Send(kQ);
  EXPECT_TRUE(Send("*" + kL1 + "\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
}

TEST_F(LeicaSerial, KofIsSentWithAcknowledgesAndEot) {
  Use(MBO_INSTR_KOF);
  vUiExpectBox(IDOK, "KOM:\nMake fieldbook ready to receive");
  sim.Expect(" 05 P1\r\n").Send(kAck).Expect(" 05 P2\r\n").Send(kAck).Expect("\x04\r\n").Send(kAck);
  EXPECT_TRUE(Send(" 05 P1\r\n 05 P2\r\n"));
  EXPECT_TRUE(sim.Finished()) << sim.Transcript();
  EXPECT_EQ("Waiting for data from fieldbook", Status().front());
}

}  // namespace
