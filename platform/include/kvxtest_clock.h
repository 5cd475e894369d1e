// Test control of the platform clock.
#pragma once

#include "win32_base.h"

extern "C" {
// Switches GetTickCount to a virtual clock that moves only when a test (or
// Sleep, or an idle message peek) advances it; false returns to real time.
// The virtual clock starts at the tick count of the moment it is switched on.
KVX_PLATFORM_API void vKvxTestClockSetVirtual(bool on);
// Advances the virtual clock (no effect on the real one).
KVX_PLATFORM_API void vKvxTestClockAdvance(DWORD ms);
// Sets the virtual tick count, for example just below the wrap at 2^32.
KVX_PLATFORM_API void vKvxTestClockSetTick(DWORD tick);
// Freezes GetLocalTime at the given time (and GetSystemTime at the same
// value: the test's zone is UTC); the virtual clock's advances move it on.
// NULL returns to the real date and time.
KVX_PLATFORM_API void vKvxTestClockSetLocalTime(const SYSTEMTIME* time);
// How far each empty PeekMessageA advances the virtual clock (default 10 ms,
// so that a wait on the virtual clock always ends; 0: not at all).
KVX_PLATFORM_API void vKvxTestClockSetPeekStep(DWORD ms);

// Called before Sleep or an idle peek moves the virtual clock on (never
// for vKvxTestClockAdvance): it may block until time may pass, so that a
// simulated instrument in another thread keeps up with the waiting code.
// NULL removes it.
typedef void (*KvxClockGate)(void* context);
KVX_PLATFORM_API void vKvxTestClockSetGate(KvxClockGate gate, void* context);

// For the window manager: called on every PeekMessageA that finds no message.
KVX_PLATFORM_API void vKvxClockOnIdlePeek(void);
}
