// Critical sections and thread-local storage slots.
#pragma once

#include <pthread.h>
#include "win32_base.h"

// Our critical section wraps a recursive mutex, as Windows' sections may be
// entered again by the thread that holds them.
typedef struct _CRITICAL_SECTION {
  pthread_mutex_t mutex;
  int initialised;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

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
