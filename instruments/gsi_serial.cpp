// Leica serial transfers (instruments 80, 92 to 94 and 96).
#include "instruments/gsi_serial.h"

#include <cstring>

#include "base/msgbox.h"
#include "base/rtdialog.h"
#include "base/text.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/gsi.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "kvxlib.h"

namespace {

const char kEtx = 3;
const char kCtrlZ = 26;
const char* const kFormatName = "KVX2_16";
const char* const kFileCommands[5] = {"GDIAOBOO", "GDIAOCOO", "GDIAODOO", "GDIAOEOO", "GDIAOFOO"};

int iInstrument(void) { return (int)g_mboTransfer.settings.uInstrument; }

// The port characters of the instrument for the direction.
void vSetChars(bool boSending) {
  vComSetLineChars('\r', '\n');
  switch (iInstrument()) {
    case MBO_INSTR_LEICA_TC600:
      vComSetAckNak(boSending ? '?' : 0, 0);
      if (!boSending) vComSetReplyChar('?');
      break;
    case MBO_INSTR_LEICA_GRE:
      vComSetAckNak('?', 0);
      vComSetReplyChar(6);
      break;
    case MBO_INSTR_LEICA_TPS:
      vComSetAckNak('?', 0);
      vComSetReplyChar('?');
      vComSetAbortChar(kCtrlZ);
      break;
    default:  // 80, 92
      vComSetAckNak(6, 21);
      break;
  }
}

// The instrument's file number (0 for 93); false after Cancel or a number
// the instrument does not have.
bool boAskFileNo(bool boSending, int* pNo) {
  int inst = iInstrument();
  *pNo = 0;
  if (inst == MBO_INSTR_LEICA_TC600) return true;
  int n = boSending ? 2 : 1;
  // The box lets one character fewer than its size be typed: two digits.
  if (!boDlgAskInt(sKvxPoGetText("File no."), &n, 3)) return false;
  bool ok = inst == MBO_INSTR_LEICA_NA3000 || (inst == MBO_INSTR_LEICA_GIF10 && n <= 14) ||
            (inst == MBO_INSTR_LEICA_GRE && n <= 5);
  if (!ok) {
    vMsgWarning(sStrFormat("%d ????", n));
    return false;
  }
  *pNo = n;
  return true;
}

void vErrorLine(const char* line) {
  vMsgInfo(sStrFormat(sKvxPoGetText("ERROR! Fieldbook has send error message:\n%s"), line));
}

void vSendFailed(void) {
  if (!boBlkStopped()) vMsgWarning(sKvxPoGetText("ERROR! Cannot send to fieldbook"));
}

// 94: the handshake, then the command of the file (1 to 5).
bool boGreSelectFile(int fileNo) {
  if (fileNo < 1 || fileNo > 5) {
    vMsgWarning("Illegal file no.");
    return false;
  }
  return boGsiHandshake() && boComSendf("%s\r\n", kFileCommands[fileNo - 1]);
}

// Asks the instrument to send file n (above 0).
bool boRequestFile(int fileNo) {
  vMboShowStatusText("Initialize..");
  if (iInstrument() != MBO_INSTR_LEICA_GRE) return boComSendf("SND%d\r\n", fileNo);
  return boGreSelectFile(fileNo) && boComWrite("KEOGO\r\n");
}

// 93 answers every line with a line that begins with "w".
bool boTc600Answered(void) {
  char reply[20];
  if (!boBlkReadLine(reply, sizeof reply)) {
    vMsgWarning("Did not receive 'w'");
    return false;
  }
  if (reply[0] != 'w') {
    vMsgWarning(sStrFormat("EXPECTED 'w', got %s", reply));
    return false;
  }
  return true;
}

// Lines of the TPS command protocol into the raw file, numbered on from
// *pLineNo, until "@W" (true) or another end (false after an error line;
// a time-out is shown unless Stop or Ctrl-Z ended it). *pboCtrlZ tells that
// the instrument's end character came.
bool boTpsReceiveLines(int* pLineNo, bool* pboCtrlZ) {
  char line[512];
  *pboCtrlZ = false;
  for (;;) {
    vBlkShowBlock("Receiving block no.: %d", *pLineNo);
    if (!boBlkReadLine(line, sizeof line)) {
      *pboCtrlZ = boComAbortSeen();
      if (!*pboCtrlZ && !boBlkStopped()) vMboTimeoutError();
      return false;
    }
    if (line[0] == '@') {
      if (line[1] == 'W') return true;
      vErrorLine(line);
      return false;
    }
    vGsiSetLineNo(line, *pLineNo);
    boMboWriteLineAsIs(g_mboTransfer.hRaw, line);
    ++*pLineNo;
  }
}

void vTpsQuit(void) {
  boComSendf("c\r\n");
  boComSendf("c\r\n");
}

}  // namespace

bool boGsiHandshake(void) {
  static const char* const strings[3] = {"GDHCOBOO\r\n", "GDHDOBOO\r\n", "GDHEODOO\r\n"};
  for (const char* s : strings)
    if (!boComWrite(s)) return false;
  vMboWaitSeconds(1);
  vComPrepare();
  return true;
}

bool boGsiReceive(const char*) {
  int inst = iInstrument();
  int fileNo = 0;
  if (!boAskFileNo(false, &fileNo)) return false;
  if (!boBlkOpenPort(0)) return boBlkEnd(false);
  vSetChars(false);
  if (fileNo > 0) {
    if (!boRequestFile(fileNo)) return boBlkEnd(false);
  } else {
    const char* prompt = inst == MBO_INSTR_LEICA_TC600 ? "Press Enter on PC and start\ntransmition from the instrument"
                                                       : "Start transfer from the fieldbook";
    if (!boBlkPrompt(sKvxPoGetText(prompt))) return boBlkEnd(false);
  }
  char line[512];
  for (int block = 1;; ++block) {
    vBlkShowBlock("Receiving block no.: %d", block);
    if (!boBlkReadLine(line, sizeof line)) return boBlkEndReadFailed();
    if (line[0] == '@') {
      vErrorLine(line);
      return boBlkEnd(false);
    }
    if (line[0] == kEtx) return boBlkEnd(true);
    if (line[0] == '!') {
      if (inst == MBO_INSTR_LEICA_TC600) return boBlkEnd(true);
      boBlkReadLine(line, sizeof line);
      if (inst == MBO_INSTR_LEICA_GRE) {
        vMboWaitSeconds(1);
        boComSendf("O\r\n");
      }
      return boBlkEnd(true);
    }
    boMboWriteLineAsIs(g_mboTransfer.hRaw, line);
    if (inst == MBO_INSTR_LEICA_TC600 && !boTc600Answered()) return boBlkEnd(false);
  }
}

bool boGsiSend(const char*) {
  int inst = iInstrument();
  int fileNo = 0;
  if (!boAskFileNo(true, &fileNo)) return false;
  if (!boBlkOpenPort(0)) return boBlkEnd(false);
  vSetChars(true);
  if (fileNo > 0) {
    vMboShowStatusText("Initialize..");
    bool ok = inst == MBO_INSTR_LEICA_GRE ? boGreSelectFile(fileNo) && boComSendf("GBLMOBBOP\r\n")
                                          : boComSendf("RCV%d\r\n", fileNo);
    if (!ok) return boBlkEnd(false);
    if (inst == MBO_INSTR_LEICA_GRE) vMboWaitSeconds(1);
  } else {
    vMboShowStatusText("Waiting..");
    if (!boMsgOkCancel(sKvxPoGetText("Make fieldbook ready to receive\nand press ENTER on PC."), true))
      return boBlkEnd(false);
  }
  vComPrepare();
  char line[512];
  for (int block = 1; boMboReadLine(line, sizeof line, g_mboTransfer.hRaw); ++block) {
    vBlkShowBlock("Sending block no.: %d", block);
    bool ok;
    if (inst == MBO_INSTR_LEICA_GRE) {
      ok = boComWrite(sStrFormat("%s\r\n", line));
      if (ok) {
        vMboWaitSeconds(1);
        ok = boComSendf("P\r\n");
      }
    } else {
      ok = boComSendf("%s\r\n", line);
    }
    if (!ok) {
      vSendFailed();
      return boBlkEnd(false);
    }
  }
  if (inst == MBO_INSTR_LEICA_GIF10) boComSendf("%c\r\n", kEtx);
  if (inst == MBO_INSTR_LEICA_TC600) boComWrite("! ----+\r\n");
  return boBlkEnd(true);
}

bool boGsiTpsInitFormat(void) {
  vSetChars(false);
  vMboShowStatusText("Initialize..");
  // "b" wakes the instrument; it gives no acknowledge.
  if (!boComWrite("b\r\n")) return false;
  vMboWaitMs(500);
  if (!boComSendf("a\r\n") || !boComSendf("SET/177/0\r\n")) return false;
  for (int slot = 3; slot >= 0; --slot) {
    char reply[30];
    if (!boComWrite(sStrFormat("CONF/FORM/%d\r\n", slot)) || !boBlkReadLine(reply, sizeof reply)) return false;
    if (strcmp(reply, kFormatName) == 0) return boComSendf("SET/136/%d\r\n", slot);
  }
  vMsgWarning(sStrFormat("Format %s not defined in fieldbook", kFormatName));
  return false;
}

bool boGsiTpsReceive(const char*) {
  if (!boBlkOpenPort(0)) return boBlkEnd(false);
  if (!boGsiTpsInitFormat()) return boBlkEnd(false);
  int lineNo = 1;
  bool boCtrlZ = false;
  // A refused request has shown its box; the observations still come,
  // numbered from 1.
  if (boComSendf("RCV/COORDS\r\n") && !boTpsReceiveLines(&lineNo, &boCtrlZ) && !boCtrlZ) return boBlkEnd(false);
  vMboShowStatusText("Observations..");
  vMboWaitMs(500);
  if (!boGsiTpsInitFormat()) return boBlkEnd(false);
  vMboShowStatusText("Observations..");
  if (!boComSendf("RCV/OBSERV\r\n")) return boBlkEnd(false);
  boTpsReceiveLines(&lineNo, &boCtrlZ);
  vTpsQuit();
  return boBlkEnd(true);
}

bool boGsiTpsSend(const char*) {
  if (!boBlkOpenPort(0)) return boBlkEnd(false);
  if (!boGsiTpsInitFormat() || !boComSendf("SND/COORDS\r\n")) return boBlkEnd(false);
  vComPrepare();
  vMboWaitMs(500);
  char line[512];
  for (int block = 1; boMboReadLine(line, sizeof line, g_mboTransfer.hRaw); ++block) {
    vBlkShowBlock("Sending block no.: %d", block);
    if (!boComSendf("%s\r\n", line)) {
      vSendFailed();
      return boBlkEnd(false);
    }
  }
  vMboShowStatusText("");
  boComWrite("\x1A\r\n");
  vTpsQuit();
  return boBlkEnd(true);
}
