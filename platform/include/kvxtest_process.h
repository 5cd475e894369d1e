// Test control of process creation (see win32_process.h).
#pragma once

#include <string>
#include <vector>

#include "win32_base.h"

// When set, WinExec calls the hook instead of starting anything and returns
// its answer (a test records "notepad ..." this way). Returns the old hook.
typedef UINT (*KvxWinExecHook)(const char* commandLine, UINT showCommand);
KVX_PLATFORM_API KvxWinExecHook kvxTestSetWinExecHook(KvxWinExecHook hook);

// The items of a command line as a started program sees them: item 0 the
// program's name, then the arguments (the splitting rules of
// win32_process.h).
KVX_PLATFORM_API std::vector<std::string> KvxSplitCommandLine(const char* commandLine);
