// The serial port layer. See port.h.
#include "instruments/serial/port.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/transfer_context.h"
#include "fieldbook/transfer.h"
#include "kvxlib.h"

ComPortState g_comPort;

namespace {

constexpr DWORD kWaitMs = 10000;
// Between two looks at the port: short enough for an instrument's answer,
// long enough not to spin.
constexpr DWORD kPollMs = 5;
constexpr int kAckLineSize = 128;

enum LineEnd { kLineDone, kLineAbort, kLineFailed };

// The device a port opens: the ini mapping, else the port's own name.
void vDeviceName(const char* sPort, char* sDevice, int iSize) {
  sStrCopyN(sDevice, sPort, iSize);
  const char* sIni = g_mboTransfer.settings.sIniPath;
  char sMapped[MAX_PATH] = "";
  if (sIni && boKvxInifGet(sIni, "KvxMboPorts", sPort, sMapped, (int)sizeof sMapped) && sMapped[0])
    sStrCopyN(sDevice, sMapped, iSize);
}

bool boFailOpen(const char* sText) {
  vMsgWarning(sText);
  vComClose();
  return false;
}

bool boWriteBytes(const char* pData, size_t uLen) {
  g_comPort.uCancelled = 0;
  DWORD uWritten = 0;
  if (iComWaitReady(1) == 1 && WriteFile(g_comPort.hPort, pData, (DWORD)uLen, &uWritten, nullptr) && uWritten == uLen)
    return true;
  if (!g_comPort.uCancelled) vMsgWarning("Cannot send to com");
  return false;
}

LineEnd eReadLine(char* sBuf, int iSize) {
  if (!sBuf || iSize < 1) return kLineFailed;
  int n = 0;
  sBuf[0] = 0;
  bool boTerminated = false;
  while (n < iSize - 1) {
    uint8_t c;
    if (!boComReadByte(&c)) {
      sBuf[n] = 0;
      return kLineFailed;
    }
    if (g_comPort.cAbort && c == g_comPort.cAbort) {
      g_comPort.uAbortSeen = 1;
      sBuf[n] = 0;
      return kLineAbort;
    }
    if (c == g_comPort.cTerminator) {
      boTerminated = true;
      break;
    }
    sBuf[n++] = (char)c;
  }
  if (boTerminated && n > 1 && sBuf[n - 1] == '\r') --n;
  sBuf[n] = 0;
  return kLineDone;
}

// The instrument's answer to a sent text: "" when none came.
std::string sReadAnswer(void) {
  if (g_comPort.uLineMode) {
    char sLine[kAckLineSize];
    return boComReadLine(sLine, (int)sizeof sLine) ? std::string(sLine) : std::string();
  }
  uint8_t c;
  return boComReadByte(&c) ? std::string(1, (char)c) : std::string();
}

}  // namespace

bool boComOpen(uint32_t uPort, uint32_t uBaud, uint8_t uBits, int32_t iParity, uint8_t uStopIndex, int32_t iXonXoff) {
  vComClose();
  memset(&g_comPort, 0, sizeof g_comPort);
  char sPort[16];
  snprintf(sPort, sizeof sPort, "COM%u", uPort);
  // A port number comes from a hand-editable ini file; "COM10" and up would
  // need another name form on Windows.
  if (uPort >= 10) return boFailOpen(sStrFormat("Could not open serial port %s", sPort));
  char sDevice[MAX_PATH];
  vDeviceName(sPort, sDevice, (int)sizeof sDevice);
  g_comPort.hPort =
      CreateFileA(sDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_comPort.hPort == INVALID_HANDLE_VALUE) {
    g_comPort.hPort = nullptr;
    DWORD uError = GetLastError();
    if (uError == ERROR_FILE_NOT_FOUND) return boFailOpen(sStrFormat("Could not detect %s on your computer", sPort));
    if (uError == ERROR_ACCESS_DENIED) return boFailOpen(sStrFormat("%s is probably used by another program!", sPort));
    return boFailOpen(sStrFormat("Could not open serial port %s", sPort));
  }
  DCB dcb;
  memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(g_comPort.hPort, &dcb))
    return boFailOpen(sStrFormat("Could not get status for port %s\nErrorcode: %d", sPort, (int)GetLastError()));
  dcb.BaudRate = uBaud;
  dcb.ByteSize = uBits;
  dcb.Parity = (BYTE)iParity;
  dcb.StopBits = uStopIndex;
  dcb.EofChar = 10;
  dcb.fParity = 1;
  dcb.fBinary = 1;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 0;
  dcb.fOutX = iXonXoff ? 1 : 0;
  dcb.fInX = iXonXoff ? 1 : 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 1;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = 1;
  if (!SetCommState(g_comPort.hPort, &dcb)) {
    DWORD uError = GetLastError();
    if (uError == ERROR_INVALID_PARAMETER)
      return boFailOpen(sStrFormat("Could not set status for port %s\nInvalid parameter", sPort));
    return boFailOpen(sStrFormat("Could not set status for port %s\nErrorcode: %d", sPort, (int)uError));
  }
  g_comPort.uLineMode = 1;
  return true;
}

void vComClose(void) {
  if (g_comPort.hPort) CloseHandle(g_comPort.hPort);
  g_comPort.hPort = nullptr;
}

int iComWaitReady(int iDirection) {
  DWORD uStart = GetTickCount();
  while (!boMboUserAborted()) {
    DWORD uErrors = 0;
    COMSTAT stat;
    if (!g_comPort.hPort || !ClearCommError(g_comPort.hPort, &uErrors, &stat)) return 0;
    if (uErrors) {
      g_comPort.uErrors = uErrors;
      vComReportError();
      return 0;
    }
    if (iDirection == 1 && stat.cbOutQue == 0) return 1;
    if (iDirection == 0 && stat.cbInQue > 0) return 1;
    if (GetTickCount() - uStart > kWaitMs) return -1;
    Sleep(kPollMs);
  }
  g_comPort.uCancelled = 1;
  return 0;
}

bool boComRxPending(void) {
  DWORD uErrors = 0;
  COMSTAT stat;
  if (!g_comPort.hPort || !ClearCommError(g_comPort.hPort, &uErrors, &stat)) return false;
  if (uErrors) {
    g_comPort.uErrors = uErrors;
    vComReportError();
    return false;
  }
  return stat.cbInQue > 0;
}

bool boComReadByte(uint8_t* pByte) {
  g_comPort.uCancelled = 0;
  if (iComWaitReady(0) != 1) return false;
  DWORD uRead = 0;
  return ReadFile(g_comPort.hPort, pByte, 1, &uRead, nullptr) && uRead == 1;
}

bool boComReadLine(char* sBuf, int iSize) {
  g_comPort.uCancelled = 0;
  return eReadLine(sBuf, iSize) == kLineDone;
}

bool boComReadLineReply(char* sBuf, int iSize) {
  g_comPort.uCancelled = 0;
  LineEnd eEnd = eReadLine(sBuf, iSize);
  if (eEnd != kLineFailed && g_comPort.cReply) {
    char sReply[4] = {(char)g_comPort.cReply, '\r', '\n', 0};
    if (!g_comPort.uLineMode) sReply[1] = 0;
    boComWrite(sReply);
  }
  return eEnd == kLineDone;
}

bool boComWrite(const char* sText) { return boWriteBytes(sText, strlen(sText)); }

bool boComSendf(const char* sFormat, ...) {
  va_list args;
  va_start(args, sFormat);
  va_list copy;
  va_copy(copy, args);
  int iLen = vsnprintf(nullptr, 0, sFormat, copy);
  va_end(copy);
  std::string sText(iLen > 0 ? (size_t)iLen : 0, '\0');
  if (iLen > 0) vsnprintf(sText.data(), sText.size() + 1, sFormat, args);
  va_end(args);
  bool boResent = false;
  for (;;) {
    if (!boWriteBytes(sText.data(), sText.size())) return false;
    if (!g_comPort.cAck) return true;
    std::string sAnswer = sReadAnswer();
    if (sAnswer.empty()) {
      if (!g_comPort.uCancelled) vMsgWarning("Acknowledge timeout");
      return false;
    }
    uint8_t c = (uint8_t)sAnswer[0];
    if (c == g_comPort.cAck) return true;
    if (g_comPort.cNak && c == g_comPort.cNak) {
      if (!boResent) {
        boResent = true;
        continue;
      }
      vMsgWarning("Not Acknowledged");
      return false;
    }
    vMsgWarning(sStrFormat("Device return error\nReceived: %s\nExpected: 0x%0x", sAnswer.c_str(), g_comPort.cAck));
    return false;
  }
}

void vComSetLineChars(uint8_t cStart, uint8_t cTerminator) {
  g_comPort.cStart = cStart;
  g_comPort.cTerminator = cTerminator;
}

void vComSetAckNak(uint8_t cAck, uint8_t cNak) {
  g_comPort.cAck = cAck;
  g_comPort.cNak = cNak;
  g_comPort.cReply = cAck;
}

void vComSetReplyChar(uint8_t cReply) { g_comPort.cReply = cReply; }
void vComSetAbortChar(uint8_t cAbort) { g_comPort.cAbort = cAbort; }
void vComLineModeOff(void) { g_comPort.uLineMode = 0; }
void vComPrepare(void) {}
bool boComAbortSeen(void) { return g_comPort.uAbortSeen != 0; }
bool boComCancelled(void) { return g_comPort.uCancelled != 0; }

void vComReportError(void) {
  static const struct {
    uint32_t uBit;
    const char* sText;
  } kTexts[] = {
      {CE_BREAK, "Break condition\n"},   {CE_FRAME, "Framing error\n"},   {CE_IOE, "Parallel error\n"},
      {CE_MODE, "Mode error\n"},         {CE_OVERRUN, "Overrun error\n"}, {CE_PTO, "Parallel timeout\n"},
      {CE_RXOVER, "Receive overflow\n"}, {CE_RXPARITY, "Parity error\n"}, {CE_TXFULL, "Transmit queue full"},
  };
  const char* sText = "Some unknown error";
  for (const auto& t : kTexts)
    if (g_comPort.uErrors & t.uBit) {
      sText = t.sText;
      break;
    }
  vMsgInfo(sText);
  g_comPort.uErrors = 0;
}
