// The module's life: init and finish, the container and field-set getters,
// the module's state block and the entry point that stores the instance.
#pragma once

#include <cstdint>

#include "fieldbook/api.h"
#include "fieldbook/hostrec.h"
#include "fieldbook/project.h"
#include "kv2gr.h"
#include "win32.h"

// The field book's part of the module's state block (the transfer part is
// g_mboTransfer, transfer_context.h); vKvxMboInit clears both.
struct MboState {
  char sJobName[9];  // point-ID builder: current job and area
  char sAreaName[7];
  char sHelpPath[257];  // the owner's help file, or the folder of "survey.chm"
  MboProjectAttrs project;
};

extern MboState g_mbo;

// The module's instance handle (dialogs and string table), from DllMain.
extern HINSTANCE g_hMboInstance;

// The exported life-cycle functions are declared in fieldbook/api.h.

// The help file of the transfer dialogs: the owner's help path when it has
// an extension, else "survey.chm" in that folder; "" when there is none.
const char* sMboHelpFile(void);
// Opens the topic "<helpName>.htm" of that file in the HTML help viewer, the
// desktop window as owner. Without a help file, or when it does not exist,
// nothing is called: false.
bool boMboShowHelp(const char* helpName);

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
