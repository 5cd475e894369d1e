// Test control of the registry store (see win32_registry.h).
#pragma once

#include "win32_base.h"

extern "C" {
// Stores a value under root\subKey (the key is made as needed; a NULL or ""
// name is the default value). The bytes are kept exactly as given.
KVX_PLATFORM_API void KvxTestRegSetValue(HKEY root, const char* subKey, const char* valueName, DWORD type,
                                         const void* data, DWORD size);
// A REG_SZ value stored with its terminator.
KVX_PLATFORM_API void KvxTestRegSetString(HKEY root, const char* subKey, const char* valueName, const char* text);
// Empties the store.
KVX_PLATFORM_API void KvxTestRegClear(void);
}
