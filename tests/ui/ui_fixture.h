// Shared bits of the window-manager tests: a sample dialog resource and a
// dialog procedure that records what it receives.
#pragma once

#include <gtest/gtest.h>

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

bool SawMessage(UINT msg);

// Runs a registered dialog modally; its result.
INT_PTR RunDialog(int id, DLGPROC proc = RecordingProc, LPARAM lParam = 0, HWND owner = nullptr);

// Registers the samples and forgets what earlier tests saw.
struct SampleTest : testing::Test {
  void SetUp() override;
};

}  // namespace uitest
