// Test control of message boxes: a hook that answers every MessageBoxA call
// in the process (the UI driver in testing/ installs it).
#pragma once

#include "win32_base.h"

// Returns the id of the button to press (IDOK, IDYES, ...).
typedef int (*KvxMsgBoxHook)(void* context, HWND owner, const char* text, const char* caption, UINT style);

extern "C" {
// Installs the hook (NULL removes it) and returns the previous one.
KVX_PLATFORM_API KvxMsgBoxHook kvxTestSetMsgBoxHook(KvxMsgBoxHook hook, void* context);
// The button a box of this style takes by default (its default button); what
// a box nobody answers gives.
KVX_PLATFORM_API int kvxTestMsgBoxDefault(UINT style);
// True when the button id is one of the box's buttons.
KVX_PLATFORM_API BOOL kvxTestMsgBoxHasButton(UINT style, int id);
}
