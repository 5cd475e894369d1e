// The module's resources held as data: dialog templates as tables of
// controls, and string-table entries. When the module is loaded, the
// platform layer's loader step hands them to the window manager before
// DllMain runs (fieldbook/lifecycle.cpp), which then serves DialogBoxParamA
// and LoadStringA from them as the resource loader does on Windows.
//
// To add resources: define a ResDialog or a ResString table in a file of
// resources/, and add one line for it to the lists in resource_list.cpp.
#pragma once

#include "win32.h"

// One control of a dialog template; position and size in dialog units.
struct ResControl {
  const char* pszClass;  // "BUTTON", "EDIT", "STATIC", "COMBOBOX", "LISTBOX", "SysListView32", ...
  const char* pszText;   // code page 1252
  int iId;
  DWORD dwStyle;  // WS_CHILD is added
  DWORD dwExStyle;
  short x, y, cx, cy;
};

// The styles the module's dialogs are made of.
inline constexpr DWORD kResDialog = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
inline constexpr DWORD kResButton = BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP;
inline constexpr DWORD kResDefButton = BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP;
inline constexpr DWORD kResCheck = BS_AUTOCHECKBOX | WS_VISIBLE | WS_TABSTOP;
inline constexpr DWORD kResRadio = BS_AUTORADIOBUTTON | WS_VISIBLE;
inline constexpr DWORD kResCombo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_VISIBLE | WS_TABSTOP;
inline constexpr DWORD kResLabel = SS_LEFT | WS_VISIBLE;
inline constexpr DWORD kResEdit = ES_AUTOHSCROLL | WS_BORDER | WS_VISIBLE | WS_TABSTOP;
inline constexpr DWORD kResGroup = BS_GROUPBOX | WS_VISIBLE;

struct ResDialog {
  int iId;
  const char* pszCaption;  // code page 1252 ("Import fra m\xE5lebok")
  DWORD dwStyle;           // DS_SETFONT is added when a font is given
  DWORD dwExStyle;
  short x, y, cx, cy;
  const char* pszFont;  // e.g. "MS Sans Serif"; NULL for the system font
  WORD wPointSize;
  const ResControl* pControls;
  int iControls;
};

struct ResString {
  UINT uId;
  const char* pszText;  // code page 1252
};

struct ResStringTable {
  const ResString* pStrings;
  int iCount;
};

// Writes the DLGTEMPLATEEX bytes of a dialog into the buffer when it is
// large enough; returns the size they need (0 for a NULL dialog).
size_t iResBuildTemplate(const ResDialog* dialog, BYTE* buffer, size_t size);

// Hands one dialog or one string table to the window manager.
BOOL boResRegisterDialog(HINSTANCE inst, const ResDialog* dialog);
void vResRegisterStrings(HINSTANCE inst, const ResString* strings, int count);

// Hands every resource of the module (resource_list.cpp) to the window
// manager: the module's resource step of KvxPlatformAttachModule.
void vResRegisterAll(HINSTANCE inst);

// The lists, each ended by an entry of NULLs.
extern const ResDialog* const g_resDialogs[];
extern const ResStringTable g_resStringTables[];
