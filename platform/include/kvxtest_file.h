// Test control of the platform's file writes.
#pragma once

#include <cstdint>

#include "win32_base.h"

extern "C" {
// File writes through the layer (the numeric file calls and the streams of
// _fsopen alike) take this many more bytes and then fail as on a full disk:
// a short write, then ENOSPC (ERROR_DISK_FULL). A negative count lifts the
// limit.
KVX_PLATFORM_API void vKvxTestFileSpace(int64_t bytes);
}
