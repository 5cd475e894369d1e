// The Geodat IO dialog (resource 107): for the Geodat and Geodimeter models
// (11 to 16) the receive and send operations run it instead of calling the
// driver. The user chooses job or area files, types or picks an instrument
// file name and starts the transfer; model 11 also lists its files, models
// 11 and 12 delete one. While it is open it is the status window; Escape
// sets the abort flag and leaves it open.
#pragma once

#include "win32.h"

// The dialog runs through iMboRunGeodatIoDialog (fieldbook/transfer.h).

// The file list (combo 1024) of the dialog that is the status window:
// emptied with its drop-down closed; a name added with the list dropped down.
void vMboGeodatIoClearFiles(void);
void vMboGeodatIoAddFile(const char* sName);
