// Code pages, case-insensitive comparison and locale answers.
// "ANSI" is code page 1252, "OEM" is code page 865 (Nordic DOS), UTF-16 is
// WCHAR (char16_t).
#pragma once

#include "win32_base.h"

typedef DWORD LCID;
typedef DWORD LCTYPE;

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_INVALID_FLAGS 1004L

#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_INVARIANT 0x007f
#define LOCALE_NOUSEROVERRIDE 0x80000000

#define NORM_IGNORECASE 0x00000001
#define NORM_IGNORENONSPACE 0x00000002
#define NORM_IGNORESYMBOLS 0x00000004
#define SORT_STRINGSORT 0x00001000

#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3

// GetLocaleInfoA items we answer.
#define LOCALE_SLIST 0x0000000C
#define LOCALE_IDEFAULTCODEPAGE 0x0000000B
#define LOCALE_SDECIMAL 0x0000000E
#define LOCALE_STHOUSAND 0x0000000F
#define LOCALE_SSHORTDATE 0x0000001F
#define LOCALE_STIMEFORMAT 0x00001003
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004

extern "C" {
KVX_PLATFORM_API UINT WINAPI GetACP(void);
KVX_PLATFORM_API UINT WINAPI GetOEMCP(void);

// Code page (CP_ACP, CP_OEMCP, CP_UTF8, 1252 or 865) <-> UTF-16. A count of
// -1 takes the text with its terminator. A destination size of 0 asks for
// the size needed. 0 on failure (GetLastError tells why).
KVX_PLATFORM_API int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst,
                                                int dstLen);
KVX_PLATFORM_API int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst,
                                                int dstLen, LPCSTR defaultChar, LPBOOL usedDefault);

// ANSI (1252) <-> OEM (865). Source and destination may be the same buffer.
KVX_PLATFORM_API BOOL WINAPI OemToCharA(LPCSTR src, LPSTR dst);
KVX_PLATFORM_API BOOL WINAPI CharToOemA(LPCSTR src, LPSTR dst);
KVX_PLATFORM_API BOOL WINAPI OemToCharBuffA(LPCSTR src, LPSTR dst, DWORD len);
KVX_PLATFORM_API BOOL WINAPI CharToOemBuffA(LPCSTR src, LPSTR dst, DWORD len);

// Case mapping in code page 1252. As in Windows, a pointer whose high bits
// are zero is a single character passed in the low byte.
KVX_PLATFORM_API LPSTR WINAPI CharUpperA(LPSTR text);
KVX_PLATFORM_API LPSTR WINAPI CharLowerA(LPSTR text);
KVX_PLATFORM_API DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD len);
KVX_PLATFORM_API DWORD WINAPI CharLowerBuffA(LPSTR text, DWORD len);
KVX_PLATFORM_API BOOL WINAPI IsCharAlphaA(CHAR c);

// Compares two 1252 texts (a count of -1 means up to the NUL). With
// NORM_IGNORECASE, letters compare without case (the Latin-1 letters
// included). Norwegian order: Æ, Ø, Å after Z. Returns CSTR_LESS_THAN,
// CSTR_EQUAL or CSTR_GREATER_THAN; 0 on failure.
KVX_PLATFORM_API int WINAPI CompareStringA(LCID locale, DWORD flags, LPCSTR a, int countA, LPCSTR b, int countB);
KVX_PLATFORM_API int WINAPI lstrlenA(LPCSTR text);
KVX_PLATFORM_API int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b);

// The user's locale answers (settable by tests, see kvxtest_text.h).
// Returns the characters written with the terminator, or the size needed
// when cch is 0; 0 on failure.
KVX_PLATFORM_API int WINAPI GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int cch);
}
