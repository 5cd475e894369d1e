// Message boxes: answered by a hook (tests), else logged with their default
// button taken, since there is no one to press a button.
#include <cstdio>
#include <mutex>

#include "kvxtest_msgbox.h"
#include "win32.h"

namespace {
std::mutex gHookLock;
KvxMsgBoxHook gHook = nullptr;
void* gHookContext = nullptr;

// The buttons of each MB_TYPEMASK value, in their order in the box.
int iButtons(UINT style, int ids[3]) {
  switch (style & MB_TYPEMASK) {
    case MB_OK:
      ids[0] = IDOK;
      return 1;
    case MB_OKCANCEL:
      ids[0] = IDOK;
      ids[1] = IDCANCEL;
      return 2;
    case MB_ABORTRETRYIGNORE:
      ids[0] = IDABORT;
      ids[1] = IDRETRY;
      ids[2] = IDIGNORE;
      return 3;
    case MB_YESNOCANCEL:
      ids[0] = IDYES;
      ids[1] = IDNO;
      ids[2] = IDCANCEL;
      return 3;
    case MB_YESNO:
      ids[0] = IDYES;
      ids[1] = IDNO;
      return 2;
    case MB_RETRYCANCEL:
      ids[0] = IDRETRY;
      ids[1] = IDCANCEL;
      return 2;
    default:
      ids[0] = IDOK;
      return 1;
  }
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
