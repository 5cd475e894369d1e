#include "base/msgbox.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT kWarning = MB_ICONEXCLAMATION | MB_OK | MB_TASKMODAL;            // 0x2030
constexpr UINT kInfo = MB_ICONINFORMATION | MB_OK | MB_TASKMODAL;               // 0x2040
constexpr UINT kOkCancel = MB_ICONQUESTION | MB_OKCANCEL | MB_TASKMODAL;        // 0x2021
constexpr UINT kYesNo = MB_ICONQUESTION | MB_YESNO | MB_TASKMODAL;              // 0x2024
constexpr UINT kYesNoCancel = MB_ICONQUESTION | MB_YESNOCANCEL | MB_TASKMODAL;  // 0x2023

std::atomic<bool> gOemText{false};

// Converted texts up to kShortText characters go to a small buffer (one per
// thread, as boxes may come from any thread), longer ones to the heap.
constexpr size_t kShortText = 90;
thread_local char tShortBuf[100];

}  // namespace

int iMsgBox(HWND window, const char* text, const char* caption, UINT style) {
  if (!text) text = "";
  style |= MB_SETFOREGROUND;
  if (!gOemText) return MessageBoxA(window, text, caption, style);
  size_t len = strlen(text);
  char* heap = nullptr;
  char* buf = tShortBuf;
  if (len > kShortText) {
    heap = (char*)malloc(len + 10);
    if (!heap) return IDCANCEL;
    buf = heap;
  }
  OemToCharBuffA(text, buf, (DWORD)len);
  buf[len] = 0;
  int answer = MessageBoxA(window, buf, caption, style);
  free(heap);
  return answer;
}

void vMsgSetOemText(bool boOn) { gOemText = boOn; }

void vMsgWarningWnd(const char* text, HWND window) { iMsgBox(window, text, "", kWarning); }
void vMsgWarning(const char* text) { vMsgWarningWnd(text, GetActiveWindow()); }
void vMsgInfoWnd(const char* text, HWND window) { iMsgBox(window, text, "", kInfo); }
void vMsgInfo(const char* text) { vMsgInfoWnd(text, GetActiveWindow()); }

void vMsgShowWnd(const char* text, bool boWarning, HWND window) {
  iMsgBox(window, text, "", boWarning ? kWarning : kInfo);
}

bool boMsgOkCancelWnd(const char* text, bool boOkDefault, HWND window) {
  return iMsgBox(window, text, "", kOkCancel | (boOkDefault ? 0 : MB_DEFBUTTON2)) == IDOK;
}
bool boMsgOkCancel(const char* text, bool boOkDefault) {
  return boMsgOkCancelWnd(text, boOkDefault, GetActiveWindow());
}

bool boMsgYesNoWnd(const char* text, bool boYesDefault, HWND window) {
  return iMsgBox(window, text, "", kYesNo | (boYesDefault ? 0 : MB_DEFBUTTON2)) == IDYES;
}
bool boMsgYesNo(const char* text, bool boYesDefault) { return boMsgYesNoWnd(text, boYesDefault, GetActiveWindow()); }

int iMsgYesNoCancelWnd(const char* text, int iDefault, HWND window) {
  UINT style = kYesNoCancel;
  if (iDefault == 0)
    style |= MB_DEFBUTTON2;
  else if (iDefault == -1)
    style |= MB_DEFBUTTON3;
  switch (iMsgBox(window, text, "", style)) {
    case IDYES:
      return 1;
    case IDNO:
      return 0;
    default:
      return -1;
  }
}
int iMsgYesNoCancel(const char* text, int iDefault) { return iMsgYesNoCancelWnd(text, iDefault, GetActiveWindow()); }
