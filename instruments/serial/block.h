// The block protocol shared by most serial drivers, between opening the port
// and closing it: the operator prompt, opening the port from the global
// settings, the ENQ handshake, one protocol line, and moving a whole raw
// file line by line (receive until an end mark; send with an optional end
// text; send with a checksum per line or a total). Progress shows in the
// transfer dialog's status line as block numbers (simply line counters).
//
// Drivers open the port and set its characters (port.h) before these, and
// close it afterwards. Every routine ends with the status line cleared.
#pragma once

#include <cstdint>

// A checksum routine: the line's text in, a 16-bit value out.
typedef uint16_t (*BlkChecksumFn)(const char* sLine);

// Lines of up to this many characters pass whole, received or sent.
#define BLK_LINE_SIZE 1024

// The end of a driver's transfer on every road: the status line cleared,
// the port closed; the result passed on.
bool boBlkEnd(bool boResult);
// Stop was pressed or a port wait met the abort flag: no error box is due.
bool boBlkStopped(void);
// The end of a transfer whose read met no line: "ERROR! Timeout, try again"
// unless Stop was pressed or the port wait was cancelled, then boBlkEnd;
// false.
bool boBlkEndReadFailed(void);
// Progress in the status line: the format (translated) with the block
// number, e.g. "Receiving block no.: %d".
void vBlkShowBlock(const char* sFormat, int iBlock);
// OK/Cancel question (OK the default) on the active window; true for OK.
bool boBlkPrompt(const char* sText);
// Opens the port of the global settings; XON/XOFF when iXonXoff is 1.
bool boBlkOpenPort(int iXonXoff);
// Up to 5 ENQ bytes, 3 s apart, until the instrument answers (its answer
// stays in the input queue: it is the first byte of the first line). sWork:
// at least 16 bytes, for the status text. "No response" after the fifth.
bool boBlkSendEnq(char* sWork);
// The start of a line-by-line receive: the ENQ handshake, then block 1 in
// the status line. With no answer the transfer ends (boBlkEnd); false.
bool boBlkBeginReceive(void);
// One line with reply, cut at its first CR, or else at its first LF; false
// when the read failed (the text before an abort character stays).
bool boBlkReadLine(char* sBuf, uint32_t uSize);
// Receives lines into the raw file until a line starting with Ctrl-Z, a line
// starting with the (non-empty) end text, or the abort character (the text
// before it is kept when longer than one character). At every end one
// empty line is written. True for such a regular end; false on a time-out,
// Stop, a line error or a hang-up, shown as "ERROR! Timeout, try again"
// unless Stop was pressed, or the end text is empty and lines had come.
bool boBlkReceiveFile(uint32_t hRaw, const char* sEndText);
// As boBlkReceiveFile without an end text, for instruments that end with
// Ctrl-Z or the abort character: a silence after lines is a time-out too.
bool boBlkReceiveFileToSilence(uint32_t hRaw);
// Sends every raw line as "%s\r\n" (each acknowledged when the port has an
// ACK), then a non-empty end text the same way.
bool boBlkSendFile(uint32_t hRaw, const char* sEndText);
// As boBlkSendFile, each line (and the end text) sent as the text, a comma,
// the checksum character of the text with that comma, a comma and CR LF.
bool boBlkSendFileLineSum(uint32_t hRaw, const char* sEndText, BlkChecksumFn pSum);
// As boBlkSendFile, then the end text followed by the 16-bit total of the
// lines' checksums as five digits.
bool boBlkSendFileTotalSum(uint32_t hRaw, const char* sEndText, BlkChecksumFn pSum);
