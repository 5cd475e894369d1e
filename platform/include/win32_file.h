// Paths, folders and files. See win32.h.
//
// Paths in this layer are Windows paths in the ANSI code page (1252):
// - Going in, '\' and '/' both separate, and a leading drive ("C:") is
//   ignored (there is one root). At the system call the path becomes UTF-8
//   with '/'. When the name does not exist, its last component may match an
//   existing entry of its folder that differs only in case (ANSI rules, so
//   "Æ" matches "æ"); that entry is used.
// - Coming out (current folder, full path, temporary folder, module file
//   name, long name), a path always separates with '\' and has no drive:
//   "/tmp/a b" is given back as "\tmp\a b". Characters that code page 1252
//   lacks come back as '?'.
// So paths built with '\' by the module work unchanged, and two spellings of
// one path compare equal after GetFullPathNameA.
#pragma once

#include <cstdio>

#include "win32_base.h"

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *LPFILETIME;

typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA;

typedef enum _GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard = 0 } GET_FILEEX_INFO_LEVELS;

// Sharing modes of _fsopen (share.h).
#define _SH_DENYNO 0x40

extern "C" {
// The full path of a name (joined to the current folder, "." and ".."
// resolved, separators made '\', repeated ones dropped, a trailing one kept).
// Purely textual: the path need not exist. Returns its length; when the
// buffer (size counted in bytes with the terminator) is too small, the size
// needed with the terminator and nothing written. filePart (optional) gets
// the position of the last component, NULL when the path ends in '\'.
KVX_PLATFORM_API DWORD WINAPI GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buf, LPSTR* filePart);
// The current folder; result as GetFullPathNameA.
KVX_PLATFORM_API DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buf);
KVX_PLATFORM_API BOOL WINAPI SetCurrentDirectoryA(LPCSTR path);
// The folder for temporary files ($TMPDIR, else /tmp), always ending in '\'.
// Result as GetFullPathNameA.
KVX_PLATFORM_API DWORD WINAPI GetTempPathA(DWORD size, LPSTR buf);
// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_NORMAL for a file
// (FILE_ATTRIBUTE_READONLY instead when it cannot be written),
// FILE_ATTRIBUTE_DEVICE for anything else (a device, a pipe, a socket; with
// FILE_ATTRIBUTE_READONLY when it cannot be written); INVALID_FILE_ATTRIBUTES
// when nothing exists there. A symbolic link gives what it points to; a
// link that points nowhere (its target missing, or a loop of links) fails
// with ERROR_CANT_RESOLVE_FILENAME.
KVX_PLATFORM_API DWORD WINAPI GetFileAttributesA(LPCSTR path);
// Attributes, times (100 ns since 1601, UTC; creation is the status-change
// time here) and size; FALSE with ERROR_FILE_NOT_FOUND when nothing exists.
KVX_PLATFORM_API BOOL WINAPI GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info);
// Fails with ERROR_ALREADY_EXISTS or ERROR_PATH_NOT_FOUND as Windows does.
KVX_PLATFORM_API BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
KVX_PLATFORM_API BOOL WINAPI DeleteFileA(LPCSTR path);
// Makes an empty file of a new name "<prefix's first three characters><four
// hex digits>.TMP" in the folder (unique 0: the layer picks a number no file
// of the folder has) and writes its path into buf (MAX_PATH bytes). Returns
// the number; 0 on failure, with the reason (ERROR_BUFFER_OVERFLOW when the
// path would not fit MAX_PATH). A non-zero unique only forms the name. The
// file gets the permissions a new file of _lcreat gets. The layer notes each
// file it makes, until it is moved or deleted through the layer, so that a
// host stopped by a signal can remove them (KvxPlatformRemoveTempFiles).
KVX_PLATFORM_API UINT WINAPI GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR buf);
// Renames a file in one step. With MOVEFILE_REPLACE_EXISTING it takes the
// place of an existing file, which then vanishes whole (never half-written);
// as on Windows a read-only file or a folder is not replaced
// (ERROR_ACCESS_DENIED). Here the file that takes an existing file's place
// also takes its permission bits and, where the system allows, its owner and
// group, as a file made beside it on Windows shares its folder's access
// rules. Without the flag an existing name fails with ERROR_ALREADY_EXISTS.
// With MOVEFILE_WRITE_THROUGH the file's contents reach the disk before it
// takes the new name, and the new name before the call returns, so that a
// crash never leaves a replaced file empty or half written.
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008
KVX_PLATFORM_API BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags);
// The file of the module that holds the address `module` (any address inside
// a shared library, as our instance handles are); NULL means the program.
// Returns the length; a path that does not fit is cut to size-1 characters
// and terminated, the result is then size with ERROR_INSUFFICIENT_BUFFER.
KVX_PLATFORM_API DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buf, DWORD size);
// The long form of an existing path: here its canonical absolute form
// (symbolic links resolved). Result as GetFullPathNameA; 0 with
// ERROR_FILE_NOT_FOUND when it does not exist. In and out may be one buffer.
KVX_PLATFORM_API DWORD WINAPI GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD size);

// The C runtime's stream open with a sharing mode (share.h), for a Windows
// path: the module's buffered file streams go through it, never through
// fopen, so that their paths are taken as every path of this layer. Modes
// as fopen's; "t" and "b" are the same here (Linux has no text mode: a
// writer that wants CR LF writes it, and opens "wb" on Windows too). The
// sharing mode is not enforced. NULL when it cannot be opened. A stream that
// writes reports a failed write (a full disk) through ferror, fflush and
// fclose as stdio does.
KVX_PLATFORM_API FILE* _fsopen(const char* path, const char* mode, int shareFlag);

// The numeric file calls. A handle is a small number from the layer's own
// table (1 upward, the lowest free one; HFILE_ERROR on failure). Reads and
// writes are buffered per handle, so a reader taking single bytes costs no
// system call each; _llseek and _lclose hand buffered writes to the system.
#define OF_READ 0
#define OF_WRITE 1
#define OF_READWRITE 2
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
// mode: OF_READ, OF_WRITE or OF_READWRITE (share flags are ignored).
KVX_PLATFORM_API HFILE WINAPI _lopen(LPCSTR path, int mode);
// Creates or truncates the file for reading and writing; the attribute
// (0 normal) is ignored. In the folder for temporary files (GetTempPathA),
// which others may share here while on Windows it is the user's own, the
// name is never followed as a symbolic link and an existing file is taken
// over only when it is a regular file of the calling user; else
// ERROR_ACCESS_DENIED.
KVX_PLATFORM_API HFILE WINAPI _lcreat(LPCSTR path, int attribute);
// The bytes read (0 at the end of the file), HFILE_ERROR as UINT on failure.
KVX_PLATFORM_API UINT WINAPI _lread(HFILE file, LPVOID buffer, UINT count);
// The bytes written, HFILE_ERROR as UINT on failure. A write is reported
// whole when it reaches the handle's buffer; when handing the buffer to the
// system fails later (a full disk), that write or seek fails, and so do
// every later write and the close of the handle.
KVX_PLATFORM_API UINT WINAPI _lwrite(HFILE file, LPCSTR buffer, UINT count);
// The new position from the start, HFILE_ERROR on failure.
KVX_PLATFORM_API LONG WINAPI _llseek(HFILE file, LONG offset, int origin);
// 0; HFILE_ERROR for a handle that is not open, and when bytes reported
// written did not reach the file (the last flush or an earlier one failed),
// with the reason as the last error.
KVX_PLATFORM_API HFILE WINAPI _lclose(HFILE file);

// Helpers of the layer (not Windows API) for its other parts that make
// system calls with paths.
// The host (UTF-8, '/') form of a Windows path, with the case fallback
// above. Returns its length, or -1 (and "" when size > 0) when it does not
// fit the buffer.
KVX_PLATFORM_API int KvxPlatformHostPath(LPCSTR path, LPSTR buf, int size);
// The Windows (ANSI, '\') form of a host path; result as KvxPlatformHostPath.
KVX_PLATFORM_API int KvxPlatformWindowsPath(LPCSTR hostPath, LPSTR buf, int size);

// For a host stopped by a signal (not Windows API): removes the files
// GetTempFileNameA made that still have their names, half written as they
// may be, and returns how many. From any thread, not from a signal handler.
// With boFinal the layer makes no more of them from then on
// (GetTempFileNameA fails with ERROR_CANCELLED), so none appears after.
KVX_PLATFORM_API int KvxPlatformRemoveTempFiles(BOOL boFinal);
}
