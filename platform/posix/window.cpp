// The headless window manager.
#include "win32.h"

extern "C" {
// No window exists yet: nothing is active.
HWND WINAPI GetActiveWindow(void) { return nullptr; }
}
