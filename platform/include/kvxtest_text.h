// Test control of the platform's locale answers.
#pragma once

#include "win32_base.h"

extern "C" {
// The text GetLocaleInfoA gives for LOCALE_SDECIMAL (default "."). NULL
// restores the default; "" makes the call fail, as an unreadable setting.
KVX_PLATFORM_API void vKvxTestTextSetDecimalSep(const char* sep);
// Any other item: value NULL restores its default.
KVX_PLATFORM_API void vKvxTestTextSetLocaleInfo(DWORD type, const char* value);
}
