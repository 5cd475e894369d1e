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

// System message texts: only FORMAT_MESSAGE_FROM_SYSTEM into the caller's
// buffer, inserts ignored (the texts here have none). Knows the error codes
// the layer sets; 0 with ERROR_MR_MID_NOT_FOUND for others, and with
// ERROR_INSUFFICIENT_BUFFER when the text does not fit.
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define ERROR_MR_MID_NOT_FOUND 317L

extern "C" {
// arguments: a va_list* on Windows (where va_list is a char*); NULL here.
KVX_PLATFORM_API DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                                             LPSTR buffer, DWORD size, char** arguments);
}
