// The serial port of a transfer: one port at a time, opened by a driver and
// closed at the end of its transfer, on every road.
//
// Reads and writes are synchronous. Every wait polls the port, pumps the
// thread's window messages (so that the transfer dialog's Stop button can
// set the module's abort flag) and gives up after 10 s of the platform
// clock. Per transfer the driver sets the protocol characters that the
// reads and sends honour.
//
// Four flags that look alike:
//   the abort flag (g_mboTransfer.uAbort): set by Stop or Escape, module-wide;
//   cancelled (boComCancelled): a port wait met the abort flag;
//   abort seen (boComAbortSeen): a line read met the abort character;
//   the abort character: a byte the instrument sends to end its data.
//
// Which device a port opens: "COMn", unless the host's ini file maps it in
// section "KvxMboPorts" with a key "COMn" whose value names a device (on
// Linux a path such as /dev/ttyUSB0, on Windows a name such as \\.\COM12).
// Ports 10 and above are refused before opening.
#pragma once

#include <cstdint>

#include "win32.h"

struct ComPortState {
  HANDLE hPort;         // the open port, null when closed
  uint32_t uErrors;     // line-error bits of the last ClearCommError
  uint8_t cStart;       // line start character (never sent here)
  uint8_t cTerminator;  // ends a received line
  uint8_t cAck;         // expected answer to every sent text; 0 none
  uint8_t cNak;         // answer that asks for one resend; 0 none
  uint8_t cReply;       // sent back after every received line; 0 none
  uint8_t cAbort;       // the abort character; 0 none
  uint32_t uAbortSeen;  // a line read met the abort character
  uint32_t uLineMode;   // 1: replies end in CR LF, an ACK answer is a line
  uint32_t uCancelled;  // a wait met the abort flag (the user pressed Stop)
};

extern ComPortState g_comPort;

// Opens "COM<port>" and configures it: the baud rate, data bits, parity
// (0 none, 1 odd, 2 even), stop bits (0 one, 1 one and a half, 2 two), raw
// binary, DTR and RTS on, NUL bytes dropped, and XON/XOFF both ways when
// iXonXoff is set. Clears the state first. A failure is shown (untranslated)
// and gives false with the port closed.
bool boComOpen(uint32_t uPort, uint32_t uBaud, uint8_t uBits, int32_t iParity, uint8_t uStopIndex, int32_t iXonXoff);
void vComClose(void);

// Direction 0: input waits; 1: the output queue is empty. 1 when so; -1
// after 10 s; 0 on a line error (reported), a port gone away (not
// reported), or the abort flag (cancelled set).
int iComWaitReady(int iDirection);
// True when received bytes wait; a line error is reported and gives false.
bool boComRxPending(void);
// Clears cancelled, waits for input and reads one byte.
bool boComReadByte(uint8_t* pByte);
// Clears cancelled and reads until the terminator (not stored) or until
// iSize-1 bytes are stored. The abort character sets abort seen and gives
// false; a CR before the terminator goes when it is not the first byte. The
// text is terminated on every road.
bool boComReadLine(char* sBuf, int iSize);
// boComReadLine, then the reply character (with CR LF in line mode) after a
// line that ended normally or at the abort character; not after a
// time-out, Stop or a line error.
bool boComReadLineReply(char* sBuf, int iSize);
// Clears cancelled, waits for the output queue and writes the whole text.
// False on a time-out, Stop or failed write; "Cannot send to com" is shown
// unless the user pressed Stop.
bool boComWrite(const char* sText);
// Formats (printf rules, any length) and sends the text; then, with an ACK
// set, reads the answer: ACK gives true, NAK one resend, anything else a
// warning and false (none when the user pressed Stop).
bool boComSendf(const char* sFormat, ...) __attribute__((format(printf, 1, 2)));

void vComSetLineChars(uint8_t cStart, uint8_t cTerminator);
// Also makes ACK the reply character: set another reply afterwards.
void vComSetAckNak(uint8_t cAck, uint8_t cNak);
void vComSetReplyChar(uint8_t cReply);
void vComSetAbortChar(uint8_t cAbort);
void vComLineModeOff(void);
// Does nothing on purpose (some drivers call it after setting the
// characters); it must not flush the input.
void vComPrepare(void);
bool boComAbortSeen(void);
bool boComCancelled(void);
// Shows the text of the first stored error bit (information box) and
// clears the bits.
void vComReportError(void);
