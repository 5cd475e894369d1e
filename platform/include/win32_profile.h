// Profile strings: ini files through the layer's one ini engine (kvx_ini.h),
// which the host's ini library shares. Section and key names ignore case,
// other content of the file is preserved, every write reaches the disk.
#pragma once

#include "win32_base.h"

extern "C" {
// A null section lists the section names, a null key the section's keys
// (each terminated, the list ends in an extra terminator). Otherwise the
// key's value, or the default when it is missing. Gives the number of
// characters copied, without the terminator; size - 1 (size - 2 for lists)
// when the buffer was too small.
KVX_PLATFORM_API DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD size,
                                                       LPCSTR path);
// The section's entries as "key=value" texts in file order, each
// terminated, with a final extra terminator (a key given twice is listed
// twice, each with its own value). Gives the number of characters copied
// without the final terminator; size - 2 when the buffer was too small.
KVX_PLATFORM_API DWORD WINAPI GetPrivateProfileSectionA(LPCSTR section, LPSTR buf, DWORD size, LPCSTR path);
// A null key deletes the section, a null value deletes the key.
KVX_PLATFORM_API BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path);
}
