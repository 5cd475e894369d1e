// Dialogs: templates read from their bytes (DLGTEMPLATEEX and DLGTEMPLATE),
// the registered resource templates, modal and modeless runs, the dialog
// procedure's default handling and the dialog-item calls.
//
// A modal run is synchronous: create, WM_SETFONT, controls, WM_INITDIALOG,
// show; then the test hook acts as the user; a dialog still open after it
// is ended by force. Nothing here waits for input.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>

#include "window_internal.h"
#include "results.h"

namespace {

struct TplItem {
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;
  std::string className;
  std::string text;
};

struct Tpl {
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;
  std::vector<TplItem> items;
};

// Reads the bytes of a template; end is null when the size is not known
// (in-memory templates handed over by pointer; registered ones always have
// their size, so that malformed bytes cannot make the reader run over).
struct Reader {
  const BYTE* base;
  const BYTE* p;
  const BYTE* end;
  bool ok = true;

  bool Need(size_t n) {
    if (end && (size_t)(end - p) < n) ok = false;
    return ok;
  }
  WORD Word() {
    if (!Need(2)) return 0;
    WORD v = (WORD)(p[0] | (p[1] << 8));
    p += 2;
    return v;
  }
  DWORD Dword() {
    DWORD lo = Word();
    return lo | ((DWORD)Word() << 16);
  }
  short Short() { return (short)Word(); }
  void Align4() {
    size_t off = (size_t)(p - base);
    size_t pad = (4 - off % 4) % 4;
    if (Need(pad)) p += pad;
  }
  // A text of UTF-16 units up to its terminator.
  std::string Text() {
    const BYTE* start = p;
    size_t n = 0;
    while (ok && Word() != 0) ++n;
    return ok ? sKvxAnsiFromUtf16(start, n) : std::string();
  }
  // A name or an ordinal: 0 none, 0xFFFF followed by a number, else a text.
  std::string NameOrOrdinal(int* ordinal) {
    *ordinal = -1;
    if (!Need(2)) return std::string();
    WORD first = (WORD)(p[0] | (p[1] << 8));
    if (first == 0) {
      p += 2;
      return std::string();
    }
    if (first == 0xFFFF) {
      p += 2;
      *ordinal = Word();
      return std::string();
    }
    return Text();
  }
};

const char* ClassOfOrdinal(int ordinal) {
  switch (ordinal) {
    case 0x80:
      return "Button";
    case 0x81:
      return "Edit";
    case 0x82:
      return "Static";
    case 0x83:
      return "ListBox";
    case 0x85:
      return "ComboBox";
    default:
      return "";  // scroll bars and others: not available, creation fails
  }
}

const size_t kUnbounded = (size_t)-1;

bool ParseTemplate(const void* bytes, size_t size, Tpl* t) {
  if (!bytes) return false;
  Reader r{(const BYTE*)bytes, (const BYTE*)bytes, size != kUnbounded ? (const BYTE*)bytes + size : nullptr};
  WORD version = r.Word(), signature = r.Word();
  bool ex = version == 1 && signature == 0xFFFF;
  int count;
  if (ex) {
    r.Dword();  // help id
    t->exStyle = r.Dword();
    t->style = r.Dword();
  } else {
    r.p = r.base;
    t->style = r.Dword();
    t->exStyle = r.Dword();
  }
  count = r.Word();
  t->x = r.Short();
  t->y = r.Short();
  t->cx = r.Short();
  t->cy = r.Short();
  int ordinal;
  r.NameOrOrdinal(&ordinal);  // menu: none here
  std::string cls = r.NameOrOrdinal(&ordinal);
  if (!cls.empty() || ordinal >= 0) return false;  // private dialog classes are not offered
  t->caption = r.Text();
  if (t->style & DS_SETFONT) {
    r.Word();  // point size
    if (ex) {
      r.Word();  // weight
      r.Need(2);
      if (r.ok) r.p += 2;  // italic, character set
    }
    r.Text();  // face
  }
  for (int i = 0; i < count && r.ok; ++i) {
    TplItem it;
    r.Align4();
    if (ex) {
      r.Dword();  // help id
      it.exStyle = r.Dword();
      it.style = r.Dword();
    } else {
      it.style = r.Dword();
      it.exStyle = r.Dword();
    }
    it.x = r.Short();
    it.y = r.Short();
    it.cx = r.Short();
    it.cy = r.Short();
    it.id = ex ? (int)r.Dword() : (int)(short)r.Word();
    it.className = r.NameOrOrdinal(&ordinal);
    if (ordinal >= 0) it.className = ClassOfOrdinal(ordinal);
    it.text = r.NameOrOrdinal(&ordinal);
    // Creation data: its size follows (DLGTEMPLATEEX) or, in a plain
    // template, a nonzero first word gives the size counting itself.
    WORD extra = r.Word();
    if (!ex && extra >= 2) extra -= 2;
    if (r.Need(extra)) r.p += extra;
    t->items.push_back(it);
  }
  return r.ok;
}

std::map<int, std::vector<BYTE>> gTemplates;
std::map<HWND, INT_PTR> gEndResults;  // results of dialogs destroyed before their run returned
KvxModalHook gHook = nullptr;
DWORD gInjectedError = 0;

int Scale(int v, int num, int den) { return MulDiv(v, num, den); }

HWND CreateFromTemplate(HINSTANCE inst, const Tpl& t, HWND parent, DLGPROC proc, LPARAM param, int resourceId,
                        bool modal) {
  if (DWORD injected = gInjectedError) {
    gInjectedError = 0;
    return KvxFail(injected);
  }
  if (parent && !IsWindow(parent)) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  bool child = (t.style & WS_CHILD) != 0;
  bool hasFont = (t.style & DS_SETFONT) != 0;
  int bx = hasFont ? 6 : 8, by = hasFont ? 13 : 16;

  // The template gives the client size; the window adds its frame.
  KvxWnd probe;
  probe.kind = kWndDialog;
  probe.style = t.style;
  probe.exStyle = t.exStyle;
  int ncx = iKvxNonClientX(&probe), nctop = iKvxNonClientTop(&probe);
  int cx = Scale(t.cx, bx, 4) + 2 * ncx, cy = Scale(t.cy, by, 8) + nctop + ncx;
  int x = Scale(t.x, bx, 4), y = Scale(t.y, by, 8);
  if (t.style & (DS_CENTER | DS_CENTERMOUSE)) {
    POINT c = {GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXSCREEN) / 2,
               GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYSCREEN) / 2};
    if (t.style & DS_CENTERMOUSE) GetCursorPos(&c);
    x = c.x - cx / 2;
    y = c.y - cy / 2;
  } else if (!child && parent && !(t.style & DS_ABSALIGN)) {
    POINT o = {0, 0};
    ClientToScreen(GetAncestor(parent, GA_ROOT), &o);
    x += o.x;
    y += o.y;
  }

  KvxWnd* w = nullptr;
  HWND h = hKvxCreateWindow(t.exStyle, "#32770", t.caption.c_str(), t.style & ~(DWORD)WS_VISIBLE, x, y, cx, cy, parent,
                            0, inst, nullptr, &w);
  if (!h) return nullptr;
  w->dlgProc = proc;
  w->hasFont = hasFont;
  w->modal = modal;
  w->resourceId = resourceId;
  HFONT font = hasFont ? hKvxDialogFont() : hKvxSystemFont();
  w->font = font;
  if (hasFont) SendMessageA(h, WM_SETFONT, (WPARAM)font, FALSE);

  for (const TplItem& it : t.items) {
    if (!IsWindow(h)) return nullptr;
    HWND c = hKvxCreateWindow(it.exStyle, it.className.c_str(), it.text.c_str(), it.style | WS_CHILD,
                              Scale(it.x, bx, 4), Scale(it.y, by, 8), Scale(it.cx, bx, 4), Scale(it.cy, by, 8), h,
                              it.id, inst, nullptr, nullptr);
    if (!c) {
      // A dialog whose control cannot be made is not created; its
      // procedure never saw WM_INITDIALOG and is not called again.
      DWORD err = GetLastError();
      if (KvxWnd* d = pKvxWnd(h)) d->dlgProc = nullptr;
      DestroyWindow(h);
      return KvxFail(err);
    }
    if (hasFont) SendMessageA(c, WM_SETFONT, (WPARAM)font, FALSE);
    KvxWnd* cw = pKvxWnd(c);
    if (cw->kind == kWndButton && (cw->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) pKvxWnd(h)->defId = it.id;
  }

  HWND focus = nullptr;
  for (HWND c : pKvxWnd(h)->children) {
    KvxWnd* cw = pKvxWnd(c);
    if (cw && (cw->style & WS_TABSTOP) && (cw->style & WS_VISIBLE) && !(cw->style & WS_DISABLED)) {
      focus = c;
      break;
    }
  }
  LRESULT setFocus = SendMessageA(h, WM_INITDIALOG, (WPARAM)focus, param);
  if (!IsWindow(h)) return nullptr;
  if (setFocus && IsWindow(focus)) SetFocus(focus);
  return h;
}

const std::vector<BYTE>* FindTemplate(LPCSTR name, int* id) {
  *id = 0;
  if (!IS_INTRESOURCE(name)) return nullptr;  // templates are registered by number
  *id = (int)(uintptr_t)name;
  auto it = gTemplates.find(*id);
  return it == gTemplates.end() ? nullptr : &it->second;
}

INT_PTR RunModal(HINSTANCE inst, const Tpl& t, HWND parent, DLGPROC proc, LPARAM param, int resourceId) {
  HWND owner = parent && IsWindow(parent) ? GetAncestor(parent, GA_ROOT) : nullptr;
  HWND previous = GetActiveWindow();
  HWND h = CreateFromTemplate(inst, t, parent, proc, param, resourceId, true);
  if (!h) return -1;
  bool ownerDisabled = false;
  if (owner && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }
  if (KvxWnd* w = pKvxWnd(h); w && !w->ended) {
    ShowWindow(h, SW_SHOW);
    kvxUiDispatchPending();
    // What was posted at WM_INITDIALOG may have ended it: nobody sees it then.
    KvxWnd* d = pKvxWnd(h);
    bool standing = d && !d->ended;
    if (standing && gHook) {
      gHook(h);
    } else if (standing) {
      char caption[256];
      GetWindowTextA(h, caption, sizeof caption);
      fprintf(stderr, "kvxplatform: modal dialog \"%s\" (resource %d) with no driver: answered IDCANCEL\n", caption,
              resourceId);
      SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(h, IDCANCEL));
    }
    kvxUiDispatchPending();
  }
  INT_PTR result = 0;
  if (KvxWnd* w = pKvxWnd(h)) {
    result = w->ended ? w->result : 0;
  } else if (auto it = gEndResults.find(h); it != gEndResults.end()) {
    result = it->second;
  }
  gEndResults.erase(h);
  if (ownerDisabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (IsWindow(h)) DestroyWindow(h);
  if (IsWindow(owner))
    SetActiveWindow(owner);
  else if (IsWindow(previous))
    SetActiveWindow(previous);
  return result;
}

// The template's bytes read, or ERROR_INVALID_DATA.
bool ReadTemplate(const void* bytes, size_t size, Tpl* t) {
  if (ParseTemplate(bytes, size, t)) return true;
  return KvxFail(ERROR_INVALID_DATA);
}

// A registered template read, or ERROR_RESOURCE_NAME_NOT_FOUND.
bool ReadRegistered(LPCSTR name, Tpl* t, int* id) {
  const std::vector<BYTE>* bytes = FindTemplate(name, id);
  if (!bytes) return KvxFail(ERROR_RESOURCE_NAME_NOT_FOUND);
  return ReadTemplate(bytes->data(), bytes->size(), t);
}

HWND CreateModeless(HINSTANCE inst, const Tpl& t, HWND parent, DLGPROC proc, LPARAM param, int resourceId) {
  HWND h = CreateFromTemplate(inst, t, parent, proc, param, resourceId, false);
  if (h && (t.style & WS_VISIBLE)) ShowWindow(h, SW_SHOW);
  return h;
}

}  // namespace

void vKvxDialogBaseUnits(const KvxWnd* w, int* cx, int* cy) {
  *cx = w && w->hasFont ? 6 : 8;
  *cy = w && w->hasFont ? 13 : 16;
}

void vKvxDialogReset(void) {
  gInjectedError = 0;
  gEndResults.clear();
}

// The default dialog procedure around the user's one. The user's result
// counts as "handled"; its answer is then DWLP_MSGRESULT, except for the
// messages whose answer is the result itself.
LRESULT lKvxDialogProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND h = w->handle;
  INT_PTR r = 0;
  if (msg == WM_SETFONT) w->font = (HFONT)wParam;  // the dialog's font, whatever its procedure answers
  if (w->dlgProc) {
    w->msgResult = 0;
    r = w->dlgProc(h, msg, wParam, lParam);
  }
  if (msg == WM_INITDIALOG) return r;
  w = pKvxWnd(h);
  if (!w) return r;
  if (r) return w->msgResult;
  switch (msg) {
    case WM_SETFONT:
      w->font = (HFONT)wParam;
      return 0;
    case DM_GETDEFID:
      return MAKELONG(w->defId, DC_HASDEFID);
    case DM_SETDEFID:
      w->defId = (int)wParam;
      return TRUE;
    case WM_CLOSE:
      SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(h, IDCANCEL));
      return 0;
  }
  return DefWindowProcA(h, msg, wParam, lParam);
}

extern "C" {

INT_PTR WINAPI DialogBoxParamA(HINSTANCE inst, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param) {
  Tpl t;
  int id;
  return ReadRegistered(templateName, &t, &id) ? RunModal(inst, t, parent, proc, param, id) : -1;
}

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE inst, LPCDLGTEMPLATEA dlgTemplate, HWND parent, DLGPROC proc,
                                       LPARAM param) {
  Tpl t;
  return ReadTemplate(dlgTemplate, kUnbounded, &t) ? RunModal(inst, t, parent, proc, param, 0) : -1;
}

HWND WINAPI CreateDialogParamA(HINSTANCE inst, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param) {
  Tpl t;
  int id;
  return ReadRegistered(templateName, &t, &id) ? CreateModeless(inst, t, parent, proc, param, id) : nullptr;
}

HWND WINAPI CreateDialogIndirectParamA(HINSTANCE inst, LPCDLGTEMPLATEA dlgTemplate, HWND parent, DLGPROC proc,
                                       LPARAM param) {
  Tpl t;
  return ReadTemplate(dlgTemplate, kUnbounded, &t) ? CreateModeless(inst, t, parent, proc, param, 0) : nullptr;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  KvxWnd* w = pKvxWnd(dialog);
  if (!w || w->kind != kWndDialog) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  w->ended = true;
  w->result = result;
  if (w->modal) gEndResults[dialog] = result;
  ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

LRESULT WINAPI DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  KvxWnd* w = pKvxWnd(dialog);
  if (!w) return 0;
  if (w->kind != kWndDialog) return DefWindowProcA(dialog, msg, wParam, lParam);
  DLGPROC proc = w->dlgProc;
  w->dlgProc = nullptr;  // the default part only
  LRESULT r = lKvxDialogProc(w, msg, wParam, lParam);
  if (KvxWnd* again = pKvxWnd(dialog)) again->dlgProc = proc;
  return r;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  KvxWnd* w = pKvxWnd(dialog);
  if (w)
    for (HWND c : w->children)
      if (KvxWnd* cw = pKvxWnd(c); cw && cw->id == id) return c;
  return KvxFail(w ? ERROR_CONTROL_ID_NOT_FOUND : ERROR_INVALID_WINDOW_HANDLE);
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SetWindowTextA(c, text) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
  if (buffer && size > 0) buffer[0] = 0;
  HWND c = GetDlgItem(dialog, id);
  return c ? (UINT)GetWindowTextA(c, buffer, size) : 0;
}

BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  char text[16];
  auto res = isSigned ? std::to_chars(text, text + 15, (int)value) : std::to_chars(text, text + 15, value);
  *res.ptr = 0;
  return SetDlgItemTextA(dialog, id, text);
}

// Blanks, an optional minus sign (signed only), digits, blanks; anything
// else or a value out of range is "not translated" and gives 0.
UINT WINAPI GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  char text[64];
  if (translated) *translated = FALSE;
  if (!GetDlgItem(dialog, id)) return 0;
  GetDlgItemTextA(dialog, id, text, sizeof text);
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = isSigned && *p == '-';
  if (negative) ++p;
  if (*p < '0' || *p > '9') return 0;
  long long v = 0;
  while (*p >= '0' && *p <= '9') {
    v = v * 10 + (*p++ - '0');
    if (v > 0xFFFFFFFFLL) return 0;
  }
  while (*p == ' ' || *p == '\t') ++p;
  if (*p) return 0;
  if (negative) v = -v;
  if (isSigned ? (v < -2147483648LL || v > 2147483647LL) : v > 0xFFFFFFFFLL) return 0;
  if (translated) *translated = TRUE;
  return (UINT)(int64_t)v;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SendMessageA(c, msg, wParam, lParam) : 0;
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return FALSE;
  SendMessageA(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? (UINT)SendMessageA(c, BM_GETCHECK, 0, 0) : 0;
}

BOOL WINAPI CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  KvxWnd* w = pKvxWnd(dialog);
  if (!w) return FALSE;
  std::vector<HWND> children = w->children;
  for (HWND c : children)
    if (KvxWnd* cw = pKvxWnd(c); cw && cw->id >= firstId && cw->id <= lastId)
      SendMessageA(c, BM_SETCHECK, cw->id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect) {
  KvxWnd* w = pKvxWnd(dialog);
  if (!w || w->kind != kWndDialog || !rect) return KvxFail(ERROR_INVALID_WINDOW_HANDLE);
  int bx, by;
  vKvxDialogBaseUnits(w, &bx, &by);
  rect->left = Scale(rect->left, bx, 4);
  rect->right = Scale(rect->right, bx, 4);
  rect->top = Scale(rect->top, by, 8);
  rect->bottom = Scale(rect->bottom, by, 8);
  return TRUE;
}

LONG WINAPI GetDialogBaseUnits(void) { return MAKELONG(8, 16); }

BOOL kvxRegisterDialogTemplate(HINSTANCE, int id, const void* bytes, size_t size) {
  Tpl t;
  if (!ReadTemplate(bytes, size, &t)) return FALSE;
  gTemplates[id].assign((const BYTE*)bytes, (const BYTE*)bytes + size);
  return TRUE;
}

KvxModalHook kvxUiSetModalHook(KvxModalHook hook) {
  KvxModalHook old = gHook;
  gHook = hook;
  return old;
}

int kvxUiDialogResourceId(HWND dialog) {
  KvxWnd* w = pKvxWnd(dialog);
  return w && w->kind == kWndDialog ? w->resourceId : 0;
}

BOOL kvxUiDialogEnded(HWND dialog) {
  KvxWnd* w = pKvxWnd(dialog);
  return !w || w->ended;
}

BOOL kvxUiDialogIsModal(HWND dialog) {
  KvxWnd* w = pKvxWnd(dialog);
  return w && w->modal;
}

void kvxUiFailNextDialog(DWORD error) { gInjectedError = error; }

}  // extern "C"
