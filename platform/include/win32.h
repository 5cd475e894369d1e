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
#include "win32_text.h"
#include "win32_file.h"
#include "win32_registry.h"
#include "win32_ui.h"
#include "win32_misc.h"
#endif
