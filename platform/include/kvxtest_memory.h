// Test control of the platform's memory pages.
#pragma once

#include "win32_base.h"

extern "C" {
// VirtualAlloc grants this many more regions and then fails as when memory
// runs out (ERROR_NOT_ENOUGH_MEMORY); a negative count grants every one again.
KVX_PLATFORM_API void vKvxTestMemoryFailAfter(int regions);
// How many regions VirtualAlloc refused since the last vKvxTestMemoryFailAfter.
KVX_PLATFORM_API int iKvxTestMemoryRefused(void);
}
