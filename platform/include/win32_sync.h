// Critical sections and thread-local storage slots.
#pragma once

#include "win32_base.h"

// An opaque block of the size and alignment of 64-bit Windows' critical
// section; the platform layer keeps its lock inside (platform/posix/sync.cpp).
struct KvxCriticalSectionBlock {
  alignas(8) unsigned char opaque[40];
};
typedef KvxCriticalSectionBlock CRITICAL_SECTION, *LPCRITICAL_SECTION;

#define TLS_OUT_OF_INDEXES ((DWORD)0xFFFFFFFF)

extern "C" {
KVX_PLATFORM_API void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs);
KVX_PLATFORM_API void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs);
KVX_PLATFORM_API void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs);
KVX_PLATFORM_API void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs);
KVX_PLATFORM_API DWORD WINAPI TlsAlloc(void);
KVX_PLATFORM_API BOOL WINAPI TlsFree(DWORD index);
KVX_PLATFORM_API LPVOID WINAPI TlsGetValue(DWORD index);
KVX_PLATFORM_API BOOL WINAPI TlsSetValue(DWORD index, LPVOID value);
KVX_PLATFORM_API DWORD WINAPI GetCurrentThreadId(void);
}
