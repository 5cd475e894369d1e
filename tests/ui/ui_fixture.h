// Shared bits of the window-manager tests: a sample dialog resource and a
// dialog procedure that records what it receives.
#pragma once

#include <string>
#include <vector>

#include "resources/resource.h"
#include "win32.h"

namespace uitest {

enum { kSampleDialog = 7001, kNestedDialog = 7002, kBadDialog = 7003 };

// Every message the recording procedure saw, in order.
struct Seen {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
extern std::vector<Seen> g_seen;

// Records, ends with IDOK/IDCANCEL on those commands, answers TRUE to
// WM_INITDIALOG.
INT_PTR CALLBACK RecordingProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);

void RegisterSamples();
bool SawMessage(UINT msg);

}  // namespace uitest
