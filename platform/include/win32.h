// The part of the Windows API that the module calls. On Windows the system
// headers serve; elsewhere our own declarations below, implemented by the
// kvxplatform library (platform/posix).
#pragma once

// Where the sources differ between Windows and Linux (the only places that
// may test _WIN32; everything else is written once, as Windows code):
// - here: the system headers on Windows, our declarations elsewhere;
// - base/kvxapi.h: KVX_API exports by dllexport or by default visibility;
// - base/cnum.cpp: the C locale for numbers (msvcrt's _locale_t and
//   per-thread locale instead of POSIX locale_t and uselocale);
// - hostlibs/include/*.h: the host libraries' exports (dllexport when
//   building the library, dllimport in the module; default visibility);
// - fieldbook/lifecycle.cpp: Windows' loader calls the module's DllMain; on
//   Linux a load-time object registers it with the platform layer, which
//   calls it as the loader would;
// - tools/kvxhost.cpp: the host tool loads the module with dlopen on Linux
//   (LoadLibraryA on Windows) and scripts the message boxes there;
// - resources/resource.cpp: on Windows the resource compiler binds dialogs
//   and strings into the DLL (a resource script written from the same tables
//   at build time, cmake/winrc.cpp); on Linux the layer's loader step hands
//   them to the window manager (KvxPlatformAttachModule);
// - CMakeLists.txt and cmake/windows*.cmake: on Windows there is no
//   kvxplatform library (the system DLLs serve), no tests, and libxml2 is
//   a static library cross-built from Debian's source (scripts/windows.sh);
//   a build without it leaves the XML formats out.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // keep std::min and std::max usable
#endif
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <htmlhelp.h>
#include <share.h>  // _fsopen and _SH_DENYNO
#include <cstdio>
#ifndef IDC_STATIC
#define IDC_STATIC (-1)  // as resource scripts define it (afxres.h)
#endif
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
#include "win32_process.h"   // starting programs and waiting for them
#include "win32_shell.h"     // file dialogs, folder browser, COM basics
#include "win32_misc.h"      // the rest
#include "win32_comm.h"      // serial ports
#endif
