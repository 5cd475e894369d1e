// Dialogs built at run time: an empty in-memory template is run, and the
// caller's dialog procedure creates its controls at WM_INITDIALOG on a
// character grid. The library then gives every control the dialog's font,
// sizes the dialog to its controls and places it (at the mouse, over the
// parent, or at a given point, always inside the virtual screen).
// On this stand the input boxes, the dialog-item accessors, the list and
// combo wrappers, the string-resource loader and the help call.
//
// Grid state (column width, row step, control height, factors, split row)
// is reset when a run builds its template, that is inside the run call:
// set row and height factors in your WM_INITDIALOG, before adding controls.
// All of it is process-wide and unguarded: user-interface thread only.
#pragma once

#include "win32.h"

// One open run-time dialog, chained process-wide.
struct DlgRunRecord {
  DlgRunRecord* next;
  HWND hWnd;      // set at WM_INITDIALOG
  LPARAM lParam;  // handed to the user's procedure
  HFONT hFont;    // received with WM_SETFONT
  DLGPROC pfnUser;
};

// ---- Running dialogs ----
// The user's procedure gets the user parameter as the LPARAM of
// WM_INITDIALOG. Results as DialogBoxIndirectParamA (-1 when the dialog
// cannot be created; GetLastError tells why).
// Modal, style 0x90C80080, centred on the mouse (unless a placement was set
// just before).
INT_PTR iDlgRunModal(HWND hParent, DLGPROC pfnProc, LPARAM lParam);
INT_PTR iDlgRunModalStyle(HWND hParent, DLGPROC pfnProc, LPARAM lParam, DWORD dwStyle);
// Modal, style 0x90C80880 (centred by the system); the position is kept.
INT_PTR iDlgRunModalCentred(HWND hParent, DLGPROC pfnProc, LPARAM lParam);
// Modeless with its template at (x, y) dialog units; NULL on failure.
HWND hDlgCreateModeless(HWND hParent, DLGPROC pfnProc, LPARAM lParam, int x, int y, DWORD dwStyle);
// The number of run-time dialogs open (records in the chain).
int iDlgOpenCount(void);
// Placement of the next dialog (used once).
void vDlgPlaceOverParent(void);
void vDlgPlaceAt(int x, int y);
void vDlgPlaceAbove(int x, int bottom);

// ---- Grid controls (call at WM_INITDIALOG) ----
// Column and row of the top left cell, width in columns (below 1 on a
// control with a text: the text's length), height in rows where given,
// extra style bits. All are visible child windows of the module instance.
HWND hDlgAddButton(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, DWORD dwStyle);
HWND hDlgAddCheckBox(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, DWORD dwStyle);
HWND hDlgAddRadio(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, DWORD dwStyle);
HWND hDlgAddText(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, DWORD dwStyle);
HWND hDlgAddEdit(HWND hDlg, int iId, int iCol, int iRow, int iWidth, DWORD dwStyle);
// The caller's style as it is (made a visible child window).
HWND hDlgAddEditRaw(HWND hDlg, int iId, int iCol, int iRow, int iWidth, DWORD dwStyle);
HWND hDlgAddGroup(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle);
HWND hDlgAddFrame(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle);
HWND hDlgAddCombo(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle);
HWND hDlgAddList(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle);
// Style 0x50000839: report view with both sort bits, so each inserted row
// takes its place by its text; a list whose order matters is made with
// hDlgAddControl without them.
HWND hDlgAddListView(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle);
HWND hDlgAddTreeView(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle);
HWND hDlgAddControl(HWND hDlg, const char* pszClass, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle,
                    DWORD dwExStyle);
// The cell in dialog units (right and bottom inclusive).
RECT rcDlgCell(int iCol, int iRow, int iWidth, int iRows);

// ---- Grid settings ----
// A factor of 0.1 or less resets it to 1.0 (the row factor also the split
// row, to none). Each returns the previous factor.
double dDlgSetRowFactor(double dFactor, int iSplitRow);
double dDlgSetHeightFactor(double dFactor);
double dDlgGetHeightFactor(void);
double dDlgGetRowStep(void);

// ---- Input boxes ----
// True on OK with the text (at most maximum length - 1 characters) in the
// buffer; false on Cancel. The maximum length is clamped to 1..256.
bool boDlgInputBox(HWND hWnd, const char* pszPrompt, const char* pszCaption, const char* pszDefault, int iMaxLen,
                   char* pszOut, int iOutSize);
// The entered text as a scratch string; NULL on Cancel.
char* sDlgInputTemp(const char* pszCaption, const char* pszDefault, int iMaxLen);
char* sDlgInputTempWnd(HWND hWnd, const char* pszPrompt, const char* pszCaption, const char* pszDefault, int iMaxLen);
char* sDlgInputTempPrompt(const char* pszPrompt, const char* pszCaption, const char* pszDefault, int iMaxLen);
bool boDlgInputText(const char* pszCaption, const char* pszDefault, int iMaxLen, char* pszOut, int iOutSize);
bool boDlgInputTextPrompt(const char* pszPrompt, const char* pszCaption, const char* pszDefault, int iMaxLen,
                          char* pszOut, int iOutSize);
// A non-negative integer of at most the maximum digits; other answers are
// asked again. True with the new value on OK.
bool boDlgAskInt(const char* pszQuestion, int* piValue, int iMaxDigits);
bool boDlgAskIntPrompt(const char* pszPrompt, const char* pszQuestion, int* piValue, int iMaxDigits);
bool boDlgAskIntWnd(HWND hWnd, const char* pszQuestion, int* piValue, int iMaxDigits);
// A number (comma or point); answers that print longer than 20 characters
// are asked again. Note the argument orders.
bool boDlgAskDouble(const char* pszCaption, double* pdValue, int iDecimals, double dInitial);
bool boDlgAskDoublePrompt(const char* pszPrompt, const char* pszCaption, double* pdValue, int iDecimals);
bool boDlgAskDoubleWnd(HWND hWnd, const char* pszCaption, double* pdValue, int iDecimals, double dInitial);

// ---- Dialog-item accessors ----
// The number test of the item readers: the text cut to 19 characters, its
// first comma read as a point; after blanks, minus signs and points a digit
// must follow. Lenient: "--5" passes (with the value 0).
bool boStrToNumber(const char* pszText, double* pdValue);
bool boDlgGetItemDouble(HWND hDlg, int iId, double* pdValue);
double dDlgGetItemDouble(HWND hDlg, int iId);
bool boDlgGetItemInt(HWND hDlg, int iId, int* piValue);
int iDlgGetItemIntOr0(HWND hDlg, int iId);
char* sDlgGetItemTextTemp(HWND hDlg, int iId);  // at most 399 characters
void vDlgSetItemDouble(HWND hDlg, int iId, int iDecimals, double dValue);
bool boDlgIsChecked(HWND hDlg, int iId);
bool boDlgIsEnabled(HWND hDlg, int iId);
void vDlgEnable(HWND hDlg, int iId, bool boEnable);
void vDlgShow(HWND hDlg, int iId, bool boShow);
void vDlgRedraw(HWND hDlg, int iId);

// ---- Combo and list boxes ----
int iDlgComboCount(HWND hDlg, int iId);   // 0 on error
int iDlgComboCurSel(HWND hDlg, int iId);  // -1 when none
bool boDlgComboSetCurSel(HWND hDlg, int iId, int iIndex);
bool boDlgComboSelect(HWND hDlg, int iId, const char* pszText);  // first entry beginning with it, ignoring case
bool boDlgComboSelectOrAdd(HWND hDlg, int iId, const char* pszText);
void vDlgComboAdd(HWND hDlg, int iId, const char* pszText);
void vDlgComboReset(HWND hDlg, int iId);
void vDlgComboDelete(HWND hDlg, int iId, int iIndex);
// The entry's text cut to the buffer ("" for no such entry).
void vDlgComboGetText(HWND hDlg, int iId, int iIndex, char* pszBuf, int iSize);
void vDlgComboFitDropWidth(HWND hDlg, int iId);
int iDlgListCount(HWND hDlg, int iId);
int iDlgListCurSel(HWND hDlg, int iId);
int iDlgListSelCount(HWND hDlg, int iId);  // -1 for a single-selection list
int iDlgListIsSel(HWND hDlg, int iId, int iIndex);
bool boDlgListSelect(HWND hDlg, int iId, const char* pszText);
bool boDlgListSelectOrAdd(HWND hDlg, int iId, const char* pszText);
bool boDlgListReplace(HWND hDlg, int iId, int iIndex, const char* pszText);
void vDlgListAdd(HWND hDlg, int iId, const char* pszText);
void vDlgListReset(HWND hDlg, int iId);
void vDlgListDelete(HWND hDlg, int iId, int iIndex);
void vDlgListSetCurSel(HWND hDlg, int iId, int iIndex);
void vDlgListGetText(HWND hDlg, int iId, int iIndex, char* pszBuf, int iSize);

// ---- String resources and help ----
// Stores the module instance (process attach): the module whose string
// resources are loaded and that owns the dialogs.
void vDlgSetInstance(HINSTANCE hInstance);
HINSTANCE hDlgGetInstance(void);
// The text (at most 255 characters) as a scratch string; "?:%d" when none.
char* sDlgLoadString(UINT uId);
char* sDlgLoadStringOem(UINT uId);  // converted to the OEM code page
// Sets the help file name when one is given (at most 256 characters);
// returns the current name.
const char* sDlgHelpFile(const char* pszName);
// Opens the topic of the help file (see the source) in the HTML help viewer;
// false, after a "Not found" box, when no viewer window opens.
bool boDlgHelp(const char* pszFile, const char* pszTopic);
