// Test control of the headless window manager: not Windows. The UI driver
// (testing/dialog_driver.h) builds on these; tests normally use the driver.
#pragma once

#include "win32_ui.h"

extern "C" {
// Called for every modal dialog once it stands (created, WM_SETFONT and
// WM_INITDIALOG done, shown and active) and has not ended yet. The hook acts
// as the user; when it returns, a dialog that has not ended is ended by the
// layer with 0 (the hook reports that as a failure). Without a hook the
// layer answers IDCANCEL itself and notes it on stderr. Returns the old hook.
typedef void (*KvxModalHook)(HWND dialog);
KVX_PLATFORM_API KvxModalHook kvxUiSetModalHook(KvxModalHook hook);

// The resource id a dialog was created from; 0 for in-memory templates.
KVX_PLATFORM_API int kvxUiDialogResourceId(HWND dialog);
// True once EndDialog was called on the dialog (or it is gone).
KVX_PLATFORM_API BOOL kvxUiDialogEnded(HWND dialog);
// True for a dialog run by DialogBox*; false for modeless ones.
KVX_PLATFORM_API BOOL kvxUiDialogIsModal(HWND dialog);

// The next dialog creation fails with this error (as if the system could not
// create it); 0 cancels a pending injection.
KVX_PLATFORM_API void kvxUiFailNextDialog(DWORD error);

// Geometry: the virtual screen (also the screen) in pixels.
KVX_PLATFORM_API void kvxUiSetVirtualScreen(int x, int y, int width, int height);

// Calls fn(context) when PeekMessageA has been called n more times (n >= 1;
// counted over all calls, empty or not). Used to press Stop during a wait.
KVX_PLATFORM_API void kvxUiCallAfterPeeks(unsigned n, void (*fn)(void*), void* context);
// The number of PeekMessageA calls so far.
KVX_PLATFORM_API unsigned kvxUiPeekCount(void);

// Dispatches every posted message now (without counting peeks).
KVX_PLATFORM_API void kvxUiDispatchPending(void);

// Number of windows that exist (the desktop not counted).
KVX_PLATFORM_API int kvxUiWindowCount(void);
// Destroys every window, empties the queue, forgets pending peek calls and
// injected failures, restores the default screen and cursor. Keeps the
// modal hook, registered classes and resources.
KVX_PLATFORM_API void kvxUiReset(void);
}
