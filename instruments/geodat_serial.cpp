// Geodat and Geodimeter serial transfer. See geodat_serial.h.
#include "instruments/geodat_serial.h"

#include <cstring>

#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/dialogs/geodat_io.h"
#include "fieldbook/settings.h"
#include "fieldbook/transfer_context.h"
#include "instruments/geodat.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "fieldbook/transfer.h"
#include "kvxlib.h"

namespace {

const char kXon = 0x11;
// The longest refusal or file-list line an instrument sends, and the answer
// to a delete.
const int kRefusalSize = 82;
const int kListLineSize = 128;
const int kDeleteAnswerSize = 25;

int iModel(void) { return (int)g_mboTransfer.settings.uInstrument; }

char cModeLetter(int iMode) { return iMode == 1 ? 'M' : 'I'; }

// The end-of-data text of the current model.
const char* sEndText(void) {
  static char sEof[2];
  switch (iModel()) {
    case MBO_INSTR_GEODAT_402:
    case MBO_INSTR_GEODIMETER_B:
      sEof[0] = cMboGeodatEofChar();
      return sEof;
    case MBO_INSTR_GEODIMETER_A:
      return "";
    default:
      return "-9";
  }
}

// A failed wait: the time-out warning, unless the user stopped it.
void vWaitFailed(void) {
  if (!boComCancelled()) vMboTimeoutError();
}

bool boSend(const char* sName) {
  int iMod = iModel();
  if ((iMod == MBO_INSTR_GEODAT_402 || iMod == MBO_INSTR_GEODAT_400) &&
      !boComSendf("%c%c=%s\r%c", 'L', 'I', sName, kXon))
    return false;
  if (iMod == MBO_INSTR_GEODAT_400) {
    vMboShowStatusText("...");
    vMboWaitSeconds(3);
  }
  if (iMod == MBO_INSTR_GEODAT_402) {
    uint8_t c;
    if (!boComReadByte(&c)) {
      vWaitFailed();
      return false;
    }
    if (c != '*') {
      // The instrument refuses, with a line that says why.
      char sLine[kRefusalSize + 1] = {(char)c};
      boComReadLine(sLine + 1, kRefusalSize);
      vMsgInfo(sLine);
      return false;
    }
  }
  return boBlkSendFile(g_mboTransfer.hRaw, sEndText());
}

bool boReceive(int iMode, const char* sName) {
  int iMod = iModel();
  if (iMod == MBO_INSTR_GEODAT_402 || iMod == MBO_INSTR_GEODAT_400) {
    vMboShowStatusText("...");
    if (!boComSendf("%c%c=%s\r\n", 'O', cModeLetter(iMode), sName)) return false;
  }
  if (iMod == MBO_INSTR_GEODAT_400 || iMod == MBO_INSTR_GEODAT_126) {
    // A header line the instrument sends first, answered like the others.
    char sLine[kRefusalSize];
    if (!boBlkReadLine(sLine, sizeof sLine)) {
      vWaitFailed();
      return false;
    }
  }
  return boBlkReceiveFile(g_mboTransfer.hRaw, sEndText());
}

}  // namespace

bool boGeodatOpenPort(void) {
  int iMod = iModel();
  if (iMod < MBO_INSTR_GEODAT_402 || iMod > MBO_INSTR_GEODIMETER_B) return false;
  bool boXon = iMod == MBO_INSTR_GEODAT_402 || iMod == MBO_INSTR_GEODAT_400 || iMod == MBO_INSTR_GEODIMETER_B;
  if (!boBlkOpenPort(boXon ? 1 : 0)) return false;
  vComSetLineChars('\r', '\n');
  if (iMod == MBO_INSTR_GEODAT_402 || iMod == MBO_INSTR_GEODIMETER_B) vComSetAbortChar((uint8_t)cMboGeodatEofChar());
  if (iMod >= MBO_INSTR_GEODAT_400 && iMod <= MBO_INSTR_GEODAT_124) vComSetReplyChar('#');
  if (iMod == MBO_INSTR_GEODAT_124) vComLineModeOff();
  return true;
}

const char* sGeodatTransferHint(int iMod, int iDirection) {
  const char* sText = nullptr;
  switch (iMod) {
    case MBO_INSTR_GEODAT_402:
    case MBO_INSTR_GEODAT_400:
      sText = "Turn on fieldbook.\nThen press ENTER on PC";
      break;
    case MBO_INSTR_GEODAT_126:
      sText = iDirection ? "Use program 53 for transfer from PC\nUse protocol 2\nMake fieldbook ready for "
                           "receive.\nThen press ENTER on PC."
                         : "Use program 52 for transfer to PC\nUse protocol 1 and format 1.\nPress ENTER on PC "
                           "before format is given on the Geodat.";
      break;
    case MBO_INSTR_GEODAT_124:
      if (!iDirection)
        sText =
            "Check format with function 10.\nUse funktion 1 to send.\nPress ENTER on PC before transfer is "
            "started with function 1 on Geodat.";
      break;
    case MBO_INSTR_GEODIMETER_A:
      if (!iDirection) sText = "Press Enter on PC and start\ntransmition from the instrument";
      break;
    case MBO_INSTR_GEODIMETER_B:
      sText = iDirection ? "Use program 54 for transfer from PC\nMake Geodimeter ready for receiveing.\nPress ENTER "
                           "on PC."
                         : "Press Enter on PC and start\ntransmition from the instrument";
      break;
  }
  return sText ? sKvxPoGetText(sText) : nullptr;
}

bool boGeodatTransfer(int iDirection, int iMode, const char* sName) {
  if (!sName) sName = "";
  const char* sHint = sGeodatTransferHint(iModel(), iDirection);
  if (!sHint || !boBlkPrompt(sHint) || !boGeodatOpenPort()) return false;
  bool boDone = iDirection ? boSend(sName) : boReceive(iMode, sName);
  vComClose();
  return boDone;
}

void vGeodatListFiles(int iMode) {
  vMboGeodatIoClearFiles();
  if (!boBlkPrompt(sKvxPoGetText("Turn on fieldbook.\nThen press ENTER on PC")) || !boGeodatOpenPort()) return;
  if (boComSendf("%c%c%c\r%c", 'O', cModeLetter(iMode), 'C', kXon)) {
    vMboShowStatusText("...");
    char sLine[kListLineSize];
    int iLines = 0;
    while (boComReadLine(sLine, sizeof sLine)) {
      vMboShowStatusText(sStrFormat("%d", ++iLines));
      if (strlen(sLine) > 3) vMboGeodatIoAddFile(sLine + 3);
    }
    if (iLines == 0 && !boComAbortSeen()) {
      vMboShowStatusText("");
      vWaitFailed();
    }
  }
  vComClose();
}

void vGeodatDeleteFile(int iMode, const char* sName) {
  if (!sName || !sName[0] || !boGeodatOpenPort()) return;
  if (!boComSendf("%c%c=%s\r\n", 'K', cModeLetter(iMode), sName)) {
    vMsgWarning(sKvxPoGetText("ERROR! Fieldbook is not ready"));
  } else if (iModel() == MBO_INSTR_GEODAT_402) {
    char sAnswer[kDeleteAnswerSize];
    if (!boComReadLine(sAnswer, sizeof sAnswer) && !sAnswer[0])
      vWaitFailed();
    else if (!strchr(sAnswer, '='))
      vMsgInfo(sStrFormat(sKvxPoGetText("ERROR! Fieldbook has send error message:\n%s"), sAnswer));
  }
  vComClose();
}
