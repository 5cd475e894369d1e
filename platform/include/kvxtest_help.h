// Test hooks of the HTML-help stand-in: the calls made, and the answer.
#pragma once

#include "win32_base.h"

// One recorded HtmlHelpA call. Texts are cut to their buffers; a null text
// is recorded as empty with its null flag set.
struct KvxTestHelpCall {
  HWND caller;
  UINT command;
  DWORD_PTR data;
  BOOL fileNull;
  BOOL topicNull;
  char file[1024];
  char topic[1024];  // the data as text, for HH_DISPLAY_TOPIC only
};

// How HtmlHelpA answers.
#define KVXTEST_HELP_AUTO 0     // a window when the file exists (the default)
#define KVXTEST_HELP_WINDOW 1   // always a window
#define KVXTEST_HELP_NOTHING 2  // never a window

extern "C" {
// Forgets the recorded calls and returns to KVXTEST_HELP_AUTO.
KVX_PLATFORM_API void KvxTestHelpReset(void);
KVX_PLATFORM_API void KvxTestHelpSetAnswer(int answer);
KVX_PLATFORM_API int KvxTestHelpCallCount(void);
// Copies call number index (from 0, oldest first); FALSE when there is none.
KVX_PLATFORM_API BOOL KvxTestHelpGetCall(int index, KvxTestHelpCall* call);
}
