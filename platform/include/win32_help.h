// HTML help. See win32.h.
#pragma once

#include "win32_base.h"

#define HH_DISPLAY_TOPIC 0x0000
#define HH_HELP_FINDER 0x0000
#define HH_DISPLAY_TOC 0x0001
#define HH_DISPLAY_INDEX 0x0002
#define HH_DISPLAY_SEARCH 0x0003
#define HH_HELP_CONTEXT 0x000F
#define HH_CLOSE_ALL 0x0012

extern "C" {
// Shows help from a compiled help file. There is no viewer here: the layer
// records each call (kvxtest_help.h) and answers with a help window handle
// when the file exists (a "file::/page" suffix is ignored), else null. For
// HH_DISPLAY_TOPIC the data is the topic text (or null).
KVX_PLATFORM_API HWND WINAPI HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);
}
