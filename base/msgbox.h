// Message boxes: every warning, information and question of the module, as a
// task-modal box owned by a window (the calling thread's active window for
// the functions without a window argument). Texts are shown unchanged:
// callers translate them first. Every box gets MB_SETFOREGROUND on top of
// the style named here, and the boxes below have an empty caption.
#pragma once

#include "win32.h"

// MB_ICONEXCLAMATION | MB_OK | MB_TASKMODAL
void vMsgWarning(const char* text);
void vMsgWarningWnd(const char* text, HWND window);
// MB_ICONINFORMATION | MB_OK | MB_TASKMODAL
void vMsgInfo(const char* text);
void vMsgInfoWnd(const char* text, HWND window);
// A warning when the flag is set, else an information.
void vMsgShowWnd(const char* text, bool boWarning, HWND window);
// MB_ICONQUESTION | MB_OKCANCEL, Cancel the default when okDefault is false.
// True for OK.
bool boMsgOkCancel(const char* text, bool boOkDefault);
bool boMsgOkCancelWnd(const char* text, bool boOkDefault, HWND window);
// MB_ICONQUESTION | MB_YESNO, No the default when yesDefault is false. True
// for Yes.
bool boMsgYesNo(const char* text, bool boYesDefault);
bool boMsgYesNoWnd(const char* text, bool boYesDefault, HWND window);
// MB_ICONQUESTION | MB_YESNOCANCEL with the default button 1 Yes, 0 No,
// -1 Cancel (any other value: Yes). Returns 1 Yes, 0 No, -1 Cancel.
int iMsgYesNoCancel(const char* text, int iDefault);
int iMsgYesNoCancelWnd(const char* text, int iDefault, HWND window);
// The box as given (plus MB_SETFOREGROUND); the id of the button pressed.
// IDCANCEL without a box when the text's code-page conversion finds no
// memory.
int iMsgBox(HWND window, const char* text, const char* caption, UINT style);
// When on, texts are taken as OEM (code page 865) and converted to ANSI
// before they are shown. Off at start.
void vMsgSetOemText(bool boOn);
