// The part of the Windows API that the module calls. On Windows the system
// headers serve; elsewhere our own declarations below, implemented by the
// kvxplatform library (platform/posix).
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#else
#include "win32_base.h"
#include "win32_sync.h"
#include "win32_text.h"      // code pages, case-insensitive compare, locale
#include "win32_time.h"      // clock, tick count, dates
#include "win32_file.h"      // paths, folders, files, module file name
#include "win32_registry.h"  // the registry look-ups
#include "win32_msgbox.h"    // MessageBoxA and its styles
#include "win32_profile.h"   // profile strings over the ini engine
#include "win32_ui.h"        // windows, dialogs, controls, messages, string table
#include "win32_help.h"      // HTML help
#include "win32_module.h"    // DllMain and module loading
#include "win32_misc.h"      // processes and the rest
#endif
