// Processes: starting programs and waiting for them. See
// win32.h.
//
// A program starts as its own process (posix_spawn), never through a shell.
// Its one command line is split into arguments by the rules Windows programs
// apply to theirs: blanks and tabs separate; "..." groups (a "" inside a
// quoted part is one quote); 2n backslashes before a quote give n and the
// quote acts, 2n+1 give n and a literal quote; other backslashes are plain.
// The first item is the program's name (taken up to the next blank, or
// inside quotes, backslashes plain); it is not passed on when an application
// name is given, which then takes its place. Arguments reach the program as
// UTF-8, unchanged otherwise: Windows paths stay Windows paths.
#pragma once

#include "win32_base.h"
#include "win32_file.h"  // SECURITY_ATTRIBUTES

typedef struct _STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

#define CREATE_NO_WINDOW 0x08000000
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define STILL_ACTIVE 259L

extern "C" {
// Starts the program: applicationName when given (a Windows path), else the
// command line's first item, looked for in PATH when it names no folder.
// environment must be NULL, the rest of the start-up data is not used. On
// failure FALSE with ERROR_FILE_NOT_FOUND (no such program) or the cause.
KVX_PLATFORM_API BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                                            LPSECURITY_ATTRIBUTES processAttributes,
                                            LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                            DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                                            LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);
// Waits for a process handle to end (a thread handle ends with its process).
KVX_PLATFORM_API DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// The exit code, STILL_ACTIVE while it runs. A process ended by a signal
// gives 0xC0000000 plus the signal's number (as Windows reports a crash).
KVX_PLATFORM_API BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
// Starts the command line's program (as CreateProcessA without an
// application name) and does not wait; above 31 on success, else 2 (no such
// program) or 0.
KVX_PLATFORM_API UINT WINAPI WinExec(LPCSTR commandLine, UINT showCommand);
}
