// The headless window manager: the window tree, messages and the queue,
// focus and activation, geometry and system metrics. Single-threaded, as the
// user-interface thread of the host is.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>

#include "kvxtest_clock.h"  // vKvxClockOnIdlePeek: each empty peek advances the virtual clock
#include "window_internal.h"
#include "results.h"

namespace {

struct UserClass {
  std::string name;
  WNDPROC proc;
  HINSTANCE instance;
};

struct PeekCall {
  unsigned at;
  void (*fn)(void*);
  void* context;
};

const RECT kDefaultScreen = {0, 0, 1280, 1024};

std::map<HWND, KvxWnd*> gWnds;
std::vector<HWND> gTopLevel;      // creation order
std::vector<KvxWnd*> gGraveyard;  // destroyed while a message was in progress
int gDepth = 0;                   // messages in progress
uintptr_t gNextHandle = 0x10000;
HWND gActive = nullptr;
HWND gFocus = nullptr;
KvxWnd* gDesktop = nullptr;
RECT gScreen = kDefaultScreen;
POINT gCursor = {640, 512};
HCURSOR gCursorHandle = nullptr;
std::deque<MSG> gQueue;
std::vector<UserClass> gClasses;
std::vector<PeekCall> gPeekCalls;
unsigned gPeeks = 0;

unsigned char FoldCase(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return (unsigned char)(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return (unsigned char)(c + 32);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return (unsigned char)(c + 16);
  if (c == 0x9F) return 0xFF;
  return c;
}

void FreeGraveyard() {
  if (gDepth > 0) return;
  for (KvxWnd* w : gGraveyard) delete w;
  gGraveyard.clear();
}

struct Depth {
  Depth() { ++gDepth; }
  ~Depth() {
    --gDepth;
    FreeGraveyard();
  }
};

KvxWnd* Desktop() {
  if (!gDesktop) {
    gDesktop = new KvxWnd;
    gDesktop->kind = kWndDesktop;
    gDesktop->className = "#32769";
    gDesktop->style = WS_VISIBLE;
    gDesktop->handle = (HWND)(uintptr_t)0xD000;
    gWnds[gDesktop->handle] = gDesktop;
  }
  gDesktop->rect = gScreen;
  return gDesktop;
}

KvxWnd* Root(KvxWnd* w) {
  while (w && w->parent) w = pKvxWnd(w->parent);
  return w;
}

// Screen position of the window's top left corner, and of its client area.
POINT WindowOrigin(const KvxWnd* w);
POINT ClientOrigin(const KvxWnd* w) {
  POINT p = WindowOrigin(w);
  p.x += iKvxNonClientX(w);
  p.y += iKvxNonClientTop(w);
  return p;
}
POINT WindowOrigin(const KvxWnd* w) {
  POINT p = {w->rect.left, w->rect.top};
  if (w->parent) {
    if (const KvxWnd* parent = pKvxWnd(w->parent)) {
      POINT o = ClientOrigin(parent);
      p.x += o.x;
      p.y += o.y;
    }
  }
  return p;
}

int Frame(const KvxWnd* w) {
  if (w->kind == kWndDesktop) return 0;
  int f = 0;
  if ((w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME) ||
      (w->kind == kWndDialog && (w->style & DS_MODALFRAME)))
    f = 3;
  else if (w->style & WS_THICKFRAME)
    f = 4;
  else if (w->style & WS_BORDER)
    f = 1;
  if (w->exStyle & WS_EX_CLIENTEDGE) f += 2;
  if (w->exStyle & WS_EX_STATICEDGE) f += 1;
  return f;
}

bool HasCaption(const KvxWnd* w) { return (w->style & WS_CAPTION) == WS_CAPTION; }

std::vector<HWND>* Siblings(KvxWnd* w) {
  if (w->parent) {
    if (KvxWnd* p = pKvxWnd(w->parent)) return &p->children;
  }
  return &gTopLevel;
}

void Unlink(KvxWnd* w) {
  std::vector<HWND>* s = Siblings(w);
  s->erase(std::remove(s->begin(), s->end(), w->handle), s->end());
}

LRESULT Dispatch(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (w->kind) {
    case kWndUser:
      return w->wndProc ? w->wndProc(w->handle, msg, wParam, lParam) : DefWindowProcA(w->handle, msg, wParam, lParam);
    case kWndDialog:
      return lKvxDialogProc(w, msg, wParam, lParam);
    case kWndDesktop:
      return DefWindowProcA(w->handle, msg, wParam, lParam);
    default:
      return lKvxControlProc(w, msg, wParam, lParam);
  }
}

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd) { return hwnd == ancestor || IsChild(ancestor, hwnd); }

void RunDuePeekCalls() {
  for (;;) {
    auto due = std::find_if(gPeekCalls.begin(), gPeekCalls.end(), [](const PeekCall& c) { return c.at <= gPeeks; });
    if (due == gPeekCalls.end()) return;
    PeekCall call = *due;
    gPeekCalls.erase(due);
    call.fn(call.context);
  }
}

int Metric(int index) {
  int cx = gScreen.right - gScreen.left, cy = gScreen.bottom - gScreen.top;
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CXFULLSCREEN:
      return cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return cy;
    case SM_CYFULLSCREEN:
      return cy - 22;
    case SM_XVIRTUALSCREEN:
      return gScreen.left;
    case SM_YVIRTUALSCREEN:
      return gScreen.top;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return 17;
    case SM_CYCAPTION:
      return 22;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CYMENU:
      return 20;
    case SM_CMONITORS:
      return 1;
    default:
      return 0;
  }
}

}  // namespace

// ---- Internal helpers shared by the other parts of the window manager ----

KvxWnd* pKvxWnd(HWND hwnd) {
  if (!hwnd) return nullptr;
  if (hwnd == (HWND)(uintptr_t)0xD000) return Desktop();
  auto it = gWnds.find(hwnd);
  return it == gWnds.end() ? nullptr : it->second;
}

int iKvxNonClientX(const KvxWnd* w) { return Frame(w); }
int iKvxNonClientTop(const KvxWnd* w) { return Frame(w) + (HasCaption(w) ? 22 : 0); }

int iKvxCompareNoCase(const std::string& a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = i < a.size() ? FoldCase((unsigned char)a[i]) : 0;
    unsigned char cb = FoldCase((unsigned char)b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!cb) return 0;
  }
  return 0;
}

void vKvxAllocateHwnd(KvxWnd* w) {
  w->handle = (HWND)gNextHandle;
  gNextHandle += 0x10;
  gWnds[w->handle] = w;
}

void vKvxSetFocusQuiet(HWND hwnd) { gFocus = hwnd; }

LRESULT lKvxNotifyParent(KvxWnd* w, WORD code) {
  if (!w->parent || !(w->style & WS_CHILD)) return 0;
  return SendMessageA(w->parent, WM_COMMAND, MAKEWPARAM(w->id, code), (LPARAM)w->handle);
}

LRESULT lKvxNotifyParentNm(KvxWnd* w, NMHDR* hdr) {
  if (!w->parent) return 0;
  hdr->hwndFrom = w->handle;
  hdr->idFrom = (UINT_PTR)w->id;
  return SendMessageA(w->parent, WM_NOTIFY, (WPARAM)w->id, (LPARAM)hdr);
}

HWND hKvxCreateWindow(DWORD exStyle, const char* className, const char* text, DWORD style, int x, int y, int cx, int cy,
                      HWND parent, int id, HINSTANCE inst, LPVOID param, KvxWnd** created) {
  if (created) *created = nullptr;
  const char* canonical = nullptr;
  KvxWndKind kind = eKvxControlKind(className, &canonical);
  WNDPROC proc = nullptr;
  if (className && !IS_INTRESOURCE(className) && strcmp(className, "#32770") == 0) {
    kind = kWndDialog;
    canonical = "#32770";
  } else if (kind == kWndUser) {
    auto it = std::find_if(gClasses.begin(), gClasses.end(), [&](const UserClass& c) {
      return className && iKvxCompareNoCase(c.name, className, c.name.size() + 1) == 0;
    });
    if (it == gClasses.end()) return KvxFail(ERROR_CANNOT_FIND_WND_CLASS);
    proc = it->proc;
    canonical = it->name.c_str();
  }
  KvxWnd* parentWnd = pKvxWnd(parent);
  if (parent && !parentWnd) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  if ((style & WS_CHILD) && !parentWnd) return KvxFail(ERROR_TLW_WITH_WSCHILD);
  if (x == CW_USEDEFAULT) x = y = 0;
  if (cx == CW_USEDEFAULT) cx = 640, cy = 480;

  KvxWnd* w = new KvxWnd;
  w->kind = kind;
  w->className = canonical;
  w->text = text && !IS_INTRESOURCE(text) ? text : "";
  w->style = style;
  w->exStyle = exStyle;
  w->rect = {x, y, x + cx, y + cy};
  w->instance = inst;
  w->wndProc = proc;
  if (style & WS_CHILD) {
    w->parent = parentWnd->kind == kWndDesktop ? nullptr : parent;
    w->id = id;
  } else if (parentWnd && parentWnd->kind != kWndDesktop) {
    w->owner = Root(parentWnd)->handle;
  }
  vKvxAllocateHwnd(w);
  Siblings(w)->push_back(w->handle);
  vKvxControlCreated(w);
  if (created) *created = w;

  HWND h = w->handle;
  if (kind == kWndUser) {
    CREATESTRUCTA cs = {param, inst, (HMENU)(intptr_t)id, parent,          cy,        cx,
                        y,     x,    (LONG)style,         w->text.c_str(), canonical, exStyle};
    if (SendMessageA(h, WM_CREATE, 0, (LPARAM)&cs) == -1) {
      DestroyWindow(h);
      if (created) *created = nullptr;
      return KvxFail(ERROR_INVALID_PARAMETER);
    }
    if (!pKvxWnd(h)) return nullptr;
  }
  if ((style & WS_VISIBLE) && !(style & WS_CHILD) && kind != kWndDialog) gActive = h;
  return h;
}

// ---- The API ----

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return KvxFail(ERROR_INVALID_PARAMETER);
  const char* canonical;
  for (const UserClass& c : gClasses)
    if (iKvxCompareNoCase(c.name, wc->lpszClassName, c.name.size() + 1) == 0)
      return KvxFail(ERROR_CLASS_ALREADY_EXISTS);
  if (eKvxControlKind(wc->lpszClassName, &canonical) != kWndUser) return KvxFail(ERROR_CLASS_ALREADY_EXISTS);
  gClasses.push_back({wc->lpszClassName, wc->lpfnWndProc, wc->hInstance});
  return (ATOM)(0xC000 + gClasses.size());
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
  for (auto it = gClasses.begin(); it != gClasses.end(); ++it)
    if (className && iKvxCompareNoCase(it->name, className, it->name.size() + 1) == 0) {
      gClasses.erase(it);
      return TRUE;
    }
  return KvxFail(ERROR_CANNOT_FIND_WND_CLASS);
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE inst, LPVOID param) {
  return hKvxCreateWindow(exStyle, className, windowName, style, x, y, width, height, parent, (int)(intptr_t)menu, inst,
                          param, nullptr);
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w || w->kind == kWndDesktop) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  if (w->destroying) return TRUE;
  Depth depth;
  w->destroying = true;
  // Owned windows go first, then the window, then its children.
  std::vector<HWND> owned;
  for (HWND t : gTopLevel)
    if (KvxWnd* o = pKvxWnd(t); o && o->owner == hwnd) owned.push_back(t);
  for (HWND t : owned) DestroyWindow(t);
  if (gActive == hwnd) gActive = pKvxWnd(w->owner) ? w->owner : nullptr;
  Dispatch(w, WM_DESTROY, 0, 0);
  std::vector<HWND> children = w->children;
  for (HWND c : children) DestroyWindow(c);
  Dispatch(w, WM_NCDESTROY, 0, 0);
  Unlink(w);
  gWnds.erase(hwnd);
  gGraveyard.push_back(w);
  if (gFocus && !pKvxWnd(gFocus)) gFocus = nullptr;
  if (gActive == hwnd || (gActive && !pKvxWnd(gActive))) gActive = nullptr;
  gQueue.erase(std::remove_if(gQueue.begin(), gQueue.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
               gQueue.end());
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) { return pKvxWnd(hwnd) != nullptr; }

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_SETTEXT:
      w->text = lParam ? (const char*)lParam : "";
      return TRUE;
    case WM_GETTEXT:
      return (LRESULT)uKvxGiveBack(w->text, (char*)lParam, (int64_t)std::min<WPARAM>(wParam, 0x7FFFFFFF), kvxCut);
    case WM_GETTEXTLENGTH:
      return (LRESULT)w->text.size();
    case WM_SETFONT:
      w->font = (HFONT)wParam;
      return 0;
    case WM_GETFONT:
      return (LRESULT)w->font;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    default:
      return 0;
  }
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

int WINAPI GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
  KvxWnd* w = pKvxWnd(hwnd);
  return w ? (int)uKvxGiveBack(w->className, buffer, size, kvxCut) : 0;
}

HWND WINAPI GetParent(HWND hwnd) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return nullptr;
  return w->parent ? w->parent : w->owner;
}

HWND WINAPI GetAncestor(HWND hwnd, UINT flags) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w || w->kind == kWndDesktop) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->parent ? w->parent : Desktop()->handle;
    case GA_ROOT:
      return Root(w)->handle;
    case GA_ROOTOWNER: {
      KvxWnd* r = Root(w);
      while (KvxWnd* o = pKvxWnd(r->owner)) r = Root(o);
      return r->handle;
    }
    default:
      return nullptr;
  }
}

HWND WINAPI GetWindow(HWND hwnd, UINT cmd) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) {
    const std::vector<HWND>& c = w->kind == kWndDesktop ? gTopLevel : w->children;
    return c.empty() ? nullptr : c.front();
  }
  if (cmd == GW_OWNER) return w->owner;
  if (w->kind == kWndDesktop) return nullptr;
  std::vector<HWND>* s = Siblings(w);
  auto it = std::find(s->begin(), s->end(), hwnd);
  switch (cmd) {
    case GW_HWNDFIRST:
      return s->front();
    case GW_HWNDLAST:
      return s->back();
    case GW_HWNDNEXT:
      return it + 1 < s->end() ? *(it + 1) : nullptr;
    case GW_HWNDPREV:
      return it > s->begin() ? *(it - 1) : nullptr;
    default:
      return nullptr;
  }
}

HWND WINAPI GetDesktopWindow(void) { return Desktop()->handle; }

BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  KvxWnd* w = pKvxWnd(parent);
  std::vector<HWND> list = w && w->kind != kWndDesktop ? w->children : gTopLevel;
  for (HWND c : list) {
    if (!pKvxWnd(c)) continue;
    if (!proc(c, lParam)) return FALSE;
    if (KvxWnd* cw = pKvxWnd(c); cw && !cw->children.empty() && !EnumChildWindows(c, proc, lParam)) return FALSE;
  }
  return TRUE;
}

BOOL WINAPI IsChild(HWND parent, HWND hwnd) {
  KvxWnd* w = pKvxWnd(hwnd);
  while (w && w->parent) {
    if (w->parent == parent) return TRUE;
    w = pKvxWnd(w->parent);
  }
  return FALSE;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  switch (index) {
    case GWL_STYLE:
      return (LONG_PTR)(LONG)w->style;
    case GWL_EXSTYLE:
      return (LONG_PTR)(LONG)w->exStyle;
    case GWLP_ID:
      return w->id;
    case GWLP_USERDATA:
      return w->userData;
    case GWLP_WNDPROC:
      return (LONG_PTR)w->wndProc;
    case GWLP_HINSTANCE:
      return (LONG_PTR)w->instance;
    case GWLP_HWNDPARENT:
      return (LONG_PTR)(w->parent ? w->parent : w->owner);
  }
  if (w->kind == kWndDialog) {
    if (index == DWLP_MSGRESULT) return w->msgResult;
    if (index == DWLP_DLGPROC) return (LONG_PTR)w->dlgProc;
    if (index == DWLP_USER) return w->dlgUser;
  }
  return KvxFail(ERROR_INVALID_PARAMETER);
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  LONG_PTR old = GetWindowLongPtrA(hwnd, index);
  switch (index) {
    case GWL_STYLE:
      w->style = (DWORD)value;
      return old;
    case GWL_EXSTYLE:
      w->exStyle = (DWORD)value;
      return old;
    case GWLP_ID:
      w->id = (int)value;
      return old;
    case GWLP_USERDATA:
      w->userData = value;
      return old;
    case GWLP_WNDPROC:
      // Built-in controls cannot be subclassed here: refuse visibly rather
      // than keep a procedure that would never be called.
      if (w->kind != kWndUser) return KvxFail(ERROR_ACCESS_DENIED);
      w->wndProc = (WNDPROC)value;
      return old;
  }
  if (w->kind == kWndDialog) {
    if (index == DWLP_MSGRESULT) w->msgResult = value;
    if (index == DWLP_DLGPROC) w->dlgProc = (DLGPROC)value;
    if (index == DWLP_USER) w->dlgUser = value;
  }
  return old;
}

LONG WINAPI GetWindowLongA(HWND hwnd, int index) { return (LONG)GetWindowLongPtrA(hwnd, index); }
LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value) { return (LONG)SetWindowLongPtrA(hwnd, index, value); }

int WINAPI GetDlgCtrlID(HWND hwnd) {
  KvxWnd* w = pKvxWnd(hwnd);
  return w && w->parent ? w->id : 0;
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (!pKvxWnd(hwnd)) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  return SendMessageA(hwnd, WM_SETTEXT, 0, (LPARAM)text) != 0;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!pKvxWnd(hwnd)) return 0;
  return (int)SendMessageA(hwnd, WM_GETTEXT, (WPARAM)size, (LPARAM)buffer);
}

int WINAPI GetWindowTextLengthA(HWND hwnd) { return (int)SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0); }

BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable) {
    w->style &= ~(DWORD)WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    if (gFocus && IsSelfOrDescendant(hwnd, gFocus)) gFocus = nullptr;
  }
  if (wasDisabled == (enable ? TRUE : FALSE)) SendMessageA(hwnd, WM_ENABLE, (WPARAM)(enable ? TRUE : FALSE), 0);
  return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND hwnd) {
  KvxWnd* w = pKvxWnd(hwnd);
  return w && !(w->style & WS_DISABLED);
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmd) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return FALSE;
  BOOL was = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  if (cmd == SW_HIDE) {
    w->style &= ~(DWORD)WS_VISIBLE;
    if (gFocus && IsSelfOrDescendant(hwnd, gFocus)) gFocus = nullptr;
    if (gActive == hwnd) {
      KvxWnd* o = pKvxWnd(w->owner);
      gActive = o && (o->style & WS_VISIBLE) ? w->owner : nullptr;
    }
  } else {
    w->style |= WS_VISIBLE;
    bool activate = cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWMINNOACTIVE;
    if (activate && !w->parent) gActive = hwnd;
  }
  return was;
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return FALSE;
  for (; w; w = pKvxWnd(w->parent))
    if (!(w->style & WS_VISIBLE)) return FALSE;
  return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w || !rect) return FALSE;
  POINT o = WindowOrigin(w);
  rect->left = o.x;
  rect->top = o.y;
  rect->right = o.x + (w->rect.right - w->rect.left);
  rect->bottom = o.y + (w->rect.bottom - w->rect.top);
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w || !rect) return FALSE;
  int f = Frame(w);
  rect->left = rect->top = 0;
  rect->right = std::max(0, (int)(w->rect.right - w->rect.left) - 2 * f);
  rect->bottom = std::max(0, (int)(w->rect.bottom - w->rect.top) - iKvxNonClientTop(w) - f);
  return TRUE;
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w || w->kind == kWndDesktop) return FALSE;
  w->rect = {x, y, x + width, y + height};
  vKvxControlSized(w);
  return TRUE;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w || w->kind == kWndDesktop) return FALSE;
  RECT r = w->rect;
  if (!(flags & SWP_NOMOVE)) {
    r.right += x - r.left;
    r.bottom += y - r.top;
    r.left = x;
    r.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + cx;
    r.bottom = r.top + cy;
  }
  w->rect = r;
  vKvxControlSized(w);
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOrigin(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOrigin(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  POINT a = {0, 0}, b = {0, 0};
  if (KvxWnd* w = pKvxWnd(from)) a = ClientOrigin(w);
  if (KvxWnd* w = pKvxWnd(to)) b = ClientOrigin(w);
  LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG((WORD)(SHORT)dx, (WORD)(SHORT)dy);
}

BOOL WINAPI InvalidateRect(HWND, const RECT*, BOOL) { return TRUE; }
BOOL WINAPI UpdateWindow(HWND) { return TRUE; }
BOOL WINAPI RedrawWindow(HWND, const RECT*, HRGN, UINT) { return TRUE; }

int WINAPI GetSystemMetrics(int index) { return Metric(index); }

BOOL WINAPI GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = gCursor;
  return TRUE;
}

BOOL WINAPI SetCursorPos(int x, int y) {
  gCursor.x = std::clamp(x, (int)gScreen.left, (int)gScreen.right - 1);
  gCursor.y = std::clamp(y, (int)gScreen.top, (int)gScreen.bottom - 1);
  return TRUE;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR name) { return IS_INTRESOURCE(name) ? (HCURSOR)name : nullptr; }

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  HCURSOR old = gCursorHandle;
  gCursorHandle = cursor;
  return old;
}

int WINAPI MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long p = (long long)number * numerator;
  long long half = (denominator < 0 ? -(long long)denominator : denominator) / 2;
  long long q = ((p < 0) != (denominator < 0)) ? (p - (p < 0 ? half : -half)) / denominator
                                               : (p + (p < 0 ? -half : half)) / denominator;
  if (q > 0x7FFFFFFF || q < -0x7FFFFFFFLL - 1) return -1;
  return (int)q;
}

HWND WINAPI GetActiveWindow(void) { return pKvxWnd(gActive) ? gActive : nullptr; }

HWND WINAPI SetActiveWindow(HWND hwnd) {
  HWND old = GetActiveWindow();
  KvxWnd* w = pKvxWnd(hwnd);
  if (hwnd && !w) return nullptr;
  gActive = w ? Root(w)->handle : nullptr;
  return old;
}

HWND WINAPI GetForegroundWindow(void) { return GetActiveWindow(); }

BOOL WINAPI SetForegroundWindow(HWND hwnd) {
  if (!pKvxWnd(hwnd)) return FALSE;
  SetActiveWindow(hwnd);
  return TRUE;
}

HWND WINAPI GetFocus(void) { return pKvxWnd(gFocus) ? gFocus : nullptr; }

HWND WINAPI SetFocus(HWND hwnd) {
  HWND old = GetFocus();
  if (hwnd && !pKvxWnd(hwnd)) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  if (hwnd == old) return old;
  gFocus = hwnd;
  if (old) SendMessageA(old, WM_KILLFOCUS, (WPARAM)hwnd, 0);
  if (hwnd && pKvxWnd(hwnd)) {
    gActive = Root(pKvxWnd(hwnd))->handle;
    SendMessageA(hwnd, WM_SETFOCUS, (WPARAM)old, 0);
  }
  return old;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  KvxWnd* w = pKvxWnd(hwnd);
  if (!w) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  Depth depth;
  return Dispatch(w, msg, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd && !pKvxWnd(hwnd)) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  MSG m = {hwnd, msg, wParam, lParam, 0, gCursor};
  gQueue.push_back(m);
  return TRUE;
}

void WINAPI PostQuitMessage(int exitCode) { PostMessageA(nullptr, WM_QUIT, (WPARAM)exitCode, 0); }

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
  ++gPeeks;
  RunDuePeekCalls();
  for (auto it = gQueue.begin(); it != gQueue.end(); ++it) {
    if (hwnd == (HWND)-1 ? it->hwnd != nullptr : hwnd && !IsSelfOrDescendant(hwnd, it->hwnd)) continue;
    if ((filterMin || filterMax) && (it->message < filterMin || it->message > filterMax)) continue;
    if (msg) *msg = *it;
    if (remove & PM_REMOVE) gQueue.erase(it);
    return TRUE;
  }
  vKvxClockOnIdlePeek();
  return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (!msg || !pKvxWnd(msg->hwnd)) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG msg) {
  KvxWnd* d = pKvxWnd(dialog);
  if (!d || !msg || !IsSelfOrDescendant(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN)) {
    int id = msg->wParam == VK_ESCAPE ? IDCANCEL : LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    return TRUE;
  }
  DispatchMessageA(msg);
  return TRUE;
}

// ---- Test control ----

void kvxUiSetVirtualScreen(int x, int y, int width, int height) {
  gScreen = {x, y, x + width, y + height};
  Desktop();
}

void kvxUiCallAfterPeeks(unsigned n, void (*fn)(void*), void* context) {
  if (!fn) return;
  gPeekCalls.push_back({gPeeks + std::max(1u, n), fn, context});
}

unsigned kvxUiPeekCount(void) { return gPeeks; }

void kvxUiDispatchPending(void) {
  // Bounded: a window that posts to itself on every message must not hang us.
  for (int i = 0; i < 100000 && !gQueue.empty(); ++i) {
    MSG m = gQueue.front();
    gQueue.pop_front();
    DispatchMessageA(&m);
  }
}

int kvxUiWindowCount(void) { return (int)gWnds.size() - (gDesktop ? 1 : 0); }

void kvxUiReset(void) {
  for (int guard = 0; guard < 10000 && !gTopLevel.empty(); ++guard) DestroyWindow(gTopLevel.back());
  gQueue.clear();
  gPeekCalls.clear();
  gFocus = gActive = nullptr;
  gScreen = kDefaultScreen;
  gCursor = {640, 512};
  gCursorHandle = nullptr;
  vKvxDialogReset();
}

}  // extern "C"
