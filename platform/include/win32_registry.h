// The registry look-ups. See win32.h. Here the registry is a small store in
// memory that tests fill (kvxtest_registry.h); it starts empty.
#pragma once

#include "win32_base.h"

typedef DWORD REGSAM;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define KEY_QUERY_VALUE 0x0001
#define KEY_READ 0x20019

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4

extern "C" {
// Opens a key below an open key or a root (key names ignore case). Returns
// ERROR_SUCCESS, or ERROR_FILE_NOT_FOUND when there is no such key.
KVX_PLATFORM_API LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result);
// A value of an open key (NULL or "" name: the default value). The data are
// the stored bytes as they are: a string value is terminated only when it
// was stored with its terminator. ERROR_MORE_DATA (and *dataSize set to the
// size needed) when the buffer is too small; ERROR_FILE_NOT_FOUND when there
// is no such value. data may be NULL to ask for the size.
KVX_PLATFORM_API LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                              LPDWORD dataSize);
KVX_PLATFORM_API LONG WINAPI RegCloseKey(HKEY key);
}
