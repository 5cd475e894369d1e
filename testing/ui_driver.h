// The UI driver: answers the module's message boxes for tests and records
// every box shown.
//
//   vUiExpectBox(IDYES, "Overwrite file");   // queue answers, in order
//   ... call the code under test ...
//   EXPECT_EQ(UiBoxLog()[0].uStyle, 0x12024u);
//
// A box with no queued answer fails the running test at once (its default
// button is pressed, so nothing waits). A queued answer whose fragment does
// not occur in the box's text, or that names a button the box does not have,
// fails the test too. Code that meets unexpected boxes or dialogs again and
// again (a retry loop) ends the test process with a failure after
// kUiUnexpectedLimit of them, instead of looping until the time-out.
// At the end of every test, answers never used fail it,
// and the queue and the log start empty for the next test. Every test
// executable has the driver installed; nothing needs to be set up.
#pragma once

#include <string>
#include <vector>

#include "win32.h"

struct UiBoxRecord {
  HWND hOwner;
  std::string sText;
  std::string sCaption;
  UINT uStyle;
  int iAnswer;      // the button pressed (IDOK, IDCANCEL, IDYES, IDNO, ...)
  bool boExpected;  // false: no answer was queued (the test has failed)
};

// Queues the answer to the next box; when fragment is not NULL the box's
// text must contain it.
void vUiExpectBox(int iAnswer, const char* fragment = nullptr);
// Every box shown in the running test, oldest first.
std::vector<UiBoxRecord> UiBoxLog();
// The number of queued answers not used yet.
int iUiPendingBoxes();
// Forgets queued answers and the log without failing anything.
void vUiReset();

// Counts one unexpected box or dialog of the running test (the dialog
// driver calls it too); at the limit the process ends with exit code 1.
const int kUiUnexpectedLimit = 20;
void vUiNoteUnexpected(const std::string& what);
