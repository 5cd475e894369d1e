// The transfer control's dialogs: setup and serial-port setup, and the
// import and export dialogs behind boKvxMboRead and boKvxMboWrite (api.h).
#pragma once

#include "win32.h"

struct MboSettings;

// The setup dialog (resource 104) on a copy of the record: instrument
// (those that can write for export, read for import), host instrument
// numbers, correction code, conversions, offsets, fixed raw name,
// ellipsoidal heights, serial port, the DBX geoid folder. On OK the copy is
// written back and saved to the ini file: true. False on Cancel, which also
// restores the remembered raw-file name.
bool boMboRunSettingsDialog(MboSettings* pSet, HWND hParent, bool boExport);
// The serial-port dialog (resource 112) on the record's port settings; true
// on OK. A combo left without a selection keeps the record's value.
bool boMboRunSerialSetupDialog(MboSettings* pSet, HWND hParent);
// The box for a dialog that could not be created: the system's text for
// GetLastError(), caption "GetLastError", no owner.
void vMboShowLastErrorBox(void);
