// Message boxes: answered by a hook (tests), else logged with their default
// button taken, since there is no one to press a button.
#include <cstdio>
#include <iterator>
#include <mutex>

#include "kvxtest_msgbox.h"
#include "win32.h"

namespace {
std::mutex gHookLock;
KvxMsgBoxHook gHook = nullptr;
void* gHookContext = nullptr;

// The buttons of each MB_TYPEMASK value, in their order in the box (0 ends
// a row); types beyond the table have an OK button.
const int kButtons[][3] = {
    {IDOK, 0, 0},                  // MB_OK
    {IDOK, IDCANCEL, 0},           // MB_OKCANCEL
    {IDABORT, IDRETRY, IDIGNORE},  // MB_ABORTRETRYIGNORE
    {IDYES, IDNO, IDCANCEL},       // MB_YESNOCANCEL
    {IDYES, IDNO, 0},              // MB_YESNO
    {IDRETRY, IDCANCEL, 0},        // MB_RETRYCANCEL
};

int iButtons(UINT style, int ids[3]) {
  UINT type = style & MB_TYPEMASK;
  const int* row = kButtons[type < std::size(kButtons) ? type : MB_OK];
  int n = 0;
  while (n < 3 && row[n] != 0) {
    ids[n] = row[n];
    ++n;
  }
  return n;
}
}  // namespace

extern "C" {

KvxMsgBoxHook kvxTestSetMsgBoxHook(KvxMsgBoxHook hook, void* context) {
  std::lock_guard<std::mutex> lock(gHookLock);
  KvxMsgBoxHook old = gHook;
  gHook = hook;
  gHookContext = context;
  return old;
}

int kvxTestMsgBoxDefault(UINT style) {
  int ids[3];
  int n = iButtons(style, ids);
  int which = (int)((style & MB_DEFMASK) >> 8);
  return ids[which < n ? which : 0];
}

BOOL kvxTestMsgBoxHasButton(UINT style, int id) {
  int ids[3];
  int n = iButtons(style, ids);
  for (int i = 0; i < n; ++i)
    if (ids[i] == id) return TRUE;
  return FALSE;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  KvxMsgBoxHook hook;
  void* context;
  {
    std::lock_guard<std::mutex> lock(gHookLock);
    hook = gHook;
    context = gHookContext;
  }
  if (!text) text = "";
  if (!caption) caption = "Error";  // as Windows titles a box without caption
  if (hook) return hook(context, owner, text, caption, style);
  int answer = kvxTestMsgBoxDefault(style);
  fprintf(stderr, "[message box 0x%x] %s: %s -> %d\n", style, caption, text, answer);
  return answer;
}
}
