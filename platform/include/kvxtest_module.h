// Test hooks of the module registry: which modules the layer has attached.
#pragma once

#include "win32_base.h"

extern "C" {
// The number of attached modules and the instance of module number index
// (from 0, in the order they attached); null past the end.
KVX_PLATFORM_API int KvxTestModuleCount(void);
KVX_PLATFORM_API HINSTANCE KvxTestModuleInstance(int index);
}
