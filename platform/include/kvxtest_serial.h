// Test control of the serial ports (win32_comm.h).
#pragma once

#include "win32_base.h"

extern "C" {
// Maps "COMn" (n 1..9) to a device path of the host (a pseudo-terminal);
// NULL returns the port to its default device.
KVX_PLATFORM_API void vKvxTestSerialMapPort(int port, const char* hostPath);
// Line errors (CE_ bits) that the next ClearCommError on an open port
// reports, as a real line would after framing, parity, overrun or break:
// a pseudo-terminal has none of these.
KVX_PLATFORM_API void vKvxTestSerialInjectErrors(DWORD errors);
struct KvxTestSerialCounters {
  uint64_t received;  // bytes taken from serial devices (dropped NUL bytes too)
  uint64_t written;   // bytes written to them
  uint64_t queued;    // taken but not yet read by the program
  int openPorts;      // ports open now
};
// The data bits (5..8) and parity ('N', 'O', 'E', 'M', 'S') that the last
// SetCommState asked the system for: a pseudo-terminal does not keep them.
KVX_PLATFORM_API void vKvxTestSerialRequested(int* dataBits, char* parity);
// Counted since the program started.
KVX_PLATFORM_API void vKvxTestSerialGetCounters(KvxTestSerialCounters* counters);
}
