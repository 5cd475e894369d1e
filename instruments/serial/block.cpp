// The block protocol layer. See block.h.
#include "instruments/serial/block.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/transfer_context.h"
#include "instruments/serial/port.h"
#include "fieldbook/transfer.h"
#include "kvxlib.h"

namespace {

constexpr int kEnqTries = 5;
constexpr DWORD kEnqWaitMs = 3000;
constexpr DWORD kPollMs = 5;

enum SumMode { kNoSum, kLineSum, kTotalSum };

bool boSendLines(uint32_t hRaw, const char* sEndText, SumMode eMode, BlkChecksumFn pSum) {
  char sLine[BLK_LINE_SIZE];
  uint16_t uTotal = 0;
  int iBlock = 1;
  while (boMboReadLine(sLine, (int)sizeof sLine, hRaw)) {
    vBlkShowBlock("Sending block no.: %d", iBlock++);
    bool boSent;
    if (eMode == kLineSum) {
      std::string sText = std::string(sLine) + ",";
      boSent = boComSendf("%s%c,\r\n", sText.c_str(), (char)pSum(sText.c_str()));
    } else {
      if (eMode == kTotalSum) uTotal = (uint16_t)(uTotal + pSum(sLine));
      boSent = boComSendf("%s\r\n", sLine);
    }
    if (!boSent) {
      vMboShowStatusText("");
      if (!boComCancelled()) vMboTimeoutError();
      return false;
    }
  }
  if (sEndText && sEndText[0]) {
    if (eMode == kLineSum) {
      std::string sText = std::string(sEndText) + ",";
      boComSendf("%s%c,\r\n", sText.c_str(), (char)pSum(sText.c_str()));
    } else if (eMode == kTotalSum) {
      boComSendf("%s%05u\r\n", sEndText, (unsigned)uTotal);
    } else {
      boComSendf("%s\r\n", sEndText);
    }
  }
  vMboShowStatusText("");
  return true;
}

}  // namespace

bool boBlkEnd(bool boResult) {
  vMboShowStatusText("");
  vComClose();
  return boResult;
}

bool boBlkStopped(void) { return boComCancelled() || g_mboTransfer.uAbort; }

bool boBlkEndReadFailed(void) {
  if (!boBlkStopped()) vMboTimeoutError();
  return boBlkEnd(false);
}

void vBlkShowBlock(const char* sFormat, int iBlock) { vMboShowStatusText(sStrFormat(sKvxPoGetText(sFormat), iBlock)); }

bool boBlkPrompt(const char* sText) { return boMsgOkCancel(sText, true); }

bool boBlkOpenPort(int iXonXoff) {
  const ComPortSettings& com = g_mboTransfer.settings.com;
  return boComOpen(com.uPort, com.uBaud, (uint8_t)com.uBits, (int32_t)com.uParity, (uint8_t)com.uStop, iXonXoff == 1);
}

bool boBlkSendEnq(char* sWork) {
  for (int iTry = 1; iTry <= kEnqTries; ++iTry) {
    snprintf(sWork, 16, "Sending ENQ %d", iTry);
    vMboShowStatusText(sWork);
    if (!boComWrite("\x05")) {
      vMboShowStatusText("");
      return false;
    }
    DWORD uStart = GetTickCount();
    while (GetTickCount() - uStart <= kEnqWaitMs) {
      if (boMboUserAborted()) {
        vMboShowStatusText("");
        return false;
      }
      if (boComRxPending()) {
        vMboShowStatusText("");
        return true;
      }
      Sleep(kPollMs);
    }
  }
  vMboShowStatusText("");
  vMsgInfo("No response");
  return false;
}

bool boBlkBeginReceive(void) {
  char sWork[16];
  if (!boBlkSendEnq(sWork)) return boBlkEnd(false);
  vBlkShowBlock("Receiving block no.: %d", 1);
  return true;
}

bool boBlkReadLine(char* sBuf, uint32_t uSize) {
  if (!sBuf || uSize == 0) return false;
  memset(sBuf, 0, uSize);
  bool boRead = boComReadLineReply(sBuf, (int)uSize);
  char* pCut = strchr(sBuf, '\r');
  if (!pCut) pCut = strchr(sBuf, '\n');
  if (pCut) *pCut = 0;
  return boRead;
}

namespace {

// boSilenceWarns: a time-out after lines is shown even without an end text.
bool boReceiveLines(uint32_t hRaw, const char* sEndText, bool boSilenceWarns) {
  if (!sEndText) sEndText = "";
  size_t uEndLen = strlen(sEndText);
  vBlkShowBlock("Receiving block no.: %d", 1);
  int iBlock = 2;
  int iLines = 0;
  bool boRegular = false;
  char sLine[BLK_LINE_SIZE];
  for (;;) {
    if (!boBlkReadLine(sLine, sizeof sLine)) {
      if (boComAbortSeen()) {
        if (strlen(sLine) > 1) boMboWriteLineAsIs(hRaw, sLine);
        boRegular = true;
      } else if (!boBlkStopped() && (uEndLen > 0 || iLines == 0 || boSilenceWarns)) {
        vMboTimeoutError();
      }
      break;
    }
    if (sLine[0] == 0x1A || (uEndLen && strncmp(sLine, sEndText, uEndLen) == 0)) {
      boRegular = true;
      break;
    }
    boMboWriteLineAsIs(hRaw, sLine);
    ++iLines;
    vBlkShowBlock("Receiving block no.: %d", iBlock++);
  }
  boMboWriteLineAsIs(hRaw, "");
  vMboShowStatusText("");
  return boRegular;
}

}  // namespace

bool boBlkReceiveFile(uint32_t hRaw, const char* sEndText) { return boReceiveLines(hRaw, sEndText, false); }

bool boBlkReceiveFileToSilence(uint32_t hRaw) { return boReceiveLines(hRaw, "", true); }

bool boBlkSendFile(uint32_t hRaw, const char* sEndText) { return boSendLines(hRaw, sEndText, kNoSum, nullptr); }

bool boBlkSendFileLineSum(uint32_t hRaw, const char* sEndText, BlkChecksumFn pSum) {
  return boSendLines(hRaw, sEndText, kLineSum, pSum);
}

bool boBlkSendFileTotalSum(uint32_t hRaw, const char* sEndText, BlkChecksumFn pSum) {
  return boSendLines(hRaw, sEndText, kTotalSum, pSum);
}
