// Windows, dialogs, controls, messages and message boxes (the headless
// window manager). See win32.h.
#pragma once

#include "win32_base.h"

extern "C" {
KVX_PLATFORM_API HWND WINAPI GetActiveWindow(void);
}
