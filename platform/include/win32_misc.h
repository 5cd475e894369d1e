// See win32.h. Declarations are added here as the module comes to call them.
#pragma once

#include "win32_base.h"

// Memory pages. Only whole regions: reserved and committed in one call
// (zero-filled), released in one call.
#define MEM_COMMIT 0x00001000
#define MEM_RESERVE 0x00002000
#define MEM_RELEASE 0x00008000
#define PAGE_READWRITE 0x04

extern "C" {
KVX_PLATFORM_API LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect);
KVX_PLATFORM_API BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);
}
