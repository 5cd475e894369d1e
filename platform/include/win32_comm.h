// Serial ports: CreateFileA on "COMn", the device control block, line errors,
// reads and writes. See win32.h.
//
// "COM1" to "COM9" (also "\\.\COMn") open a device: by default /dev/ttyS<n-1>,
// or the device a test has mapped (kvxtest_serial.h). Any other name is a
// device path itself (the module's ini mapping gives such names). Only
// OPEN_EXISTING is supported. A device is opened exclusively, as Windows opens
// a port; errors on opening:
// - ERROR_FILE_NOT_FOUND: no such device ("COM0" never exists);
// - ERROR_ACCESS_DENIED: the device is busy or another open holds it;
// - ERROR_OPEN_FAILED: anything else, a denied permission included (on
//   Windows a port is never a permission matter, and ERROR_ACCESS_DENIED
//   would read as "in use").
//
// SetCommState sets the line in raw mode (received bytes are data, a Ctrl-Z
// or a Ctrl-C included): the byte size 5 to 8, parity (checked on input when
// fParity is set), one or two stop bits, XON/XOFF when fOutX/fInX ask, no
// hardware flow control, no time-outs of the system's own; DTR and RTS are
// raised. A baud rate the system lacks, another byte size, 1.5 stop bits or an
// unknown parity fail with ERROR_INVALID_PARAMETER. The comm calls on a
// handle that is no serial line fail with ERROR_INVALID_FUNCTION.
//
// Received bytes wait in a queue of the layer, filled by ClearCommError and
// ReadFile; with fNull set NUL bytes are dropped from it, as Windows does.
// When the other end hangs up (the device goes away), what was queued can
// still be read; after that ClearCommError, ReadFile and WriteFile fail with
// ERROR_BAD_COMMAND, at once.
#pragma once

#include "win32_base.h"
#include "win32_file.h"

#define GENERIC_READ 0x80000000
#define GENERIC_WRITE 0x40000000
#define OPEN_EXISTING 3

#define ERROR_INVALID_FUNCTION 1L
#define ERROR_BAD_COMMAND 22L
#define ERROR_OPEN_FAILED 110L

#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define MARKPARITY 3
#define SPACEPARITY 4
#define ONESTOPBIT 0
#define ONE5STOPBITS 1
#define TWOSTOPBITS 2
#define DTR_CONTROL_DISABLE 0x00
#define DTR_CONTROL_ENABLE 0x01
#define RTS_CONTROL_DISABLE 0x00
#define RTS_CONTROL_ENABLE 0x01

// Line-error bits of ClearCommError.
#define CE_RXOVER 0x0001
#define CE_OVERRUN 0x0002
#define CE_RXPARITY 0x0004
#define CE_FRAME 0x0008
#define CE_BREAK 0x0010
#define CE_TXFULL 0x0100
#define CE_PTO 0x0200
#define CE_IOE 0x0400
#define CE_DNS 0x0800
#define CE_OOP 0x1000
#define CE_MODE 0x8000

typedef struct _DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
} DCB, *LPDCB;

typedef struct _COMSTAT {
  DWORD fCtsHold : 1;
  DWORD fDsrHold : 1;
  DWORD fRlsdHold : 1;
  DWORD fXoffHold : 1;
  DWORD fXoffSent : 1;
  DWORD fEof : 1;
  DWORD fTxim : 1;
  DWORD fReserved : 25;
  DWORD cbInQue;
  DWORD cbOutQue;
} COMSTAT, *LPCOMSTAT;

// Overlapped input and output is not supported: pass NULL.
typedef struct _OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  union {
    struct {
      DWORD Offset;
      DWORD OffsetHigh;
    };
    LPVOID Pointer;
  };
  HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

extern "C" {
KVX_PLATFORM_API HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                                           DWORD disposition, DWORD flags, HANDLE templateFile);
// Without time-outs set (the layer sets none), ReadFile waits until every
// byte asked for has come, or the line hangs up; WriteFile until every byte
// is written (partial writes are continued), or the line hangs up (FALSE),
// or the other end has taken nothing for 10 s of the tick count, XOFF held
// (TRUE with fewer bytes written, as after a comm write time-out).
KVX_PLATFORM_API BOOL WINAPI ReadFile(HANDLE handle, LPVOID buf, DWORD size, LPDWORD read, LPOVERLAPPED overlapped);
KVX_PLATFORM_API BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buf, DWORD size, LPDWORD written,
                                       LPOVERLAPPED overlapped);
KVX_PLATFORM_API BOOL WINAPI GetCommState(HANDLE handle, LPDCB dcb);
KVX_PLATFORM_API BOOL WINAPI SetCommState(HANDLE handle, LPDCB dcb);
// The line errors since the last call (then cleared) and the queue sizes.
// Framing, parity, overrun and break come from the driver's counters, where
// the device keeps them (a pseudo-terminal has none).
KVX_PLATFORM_API BOOL WINAPI ClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT stat);
}
