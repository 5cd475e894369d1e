// Dialogs built at run time, input boxes, dialog-item accessors, string
// resources and help. See rtdialog.h.
#include "base/rtdialog.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/slink.h"
#include "base/text.h"
#include "kvxlib.h"

namespace {

// ---- Process-wide state (user-interface thread only) ----
DlgRunRecord* g_pDlgRuns = nullptr;
HINSTANCE g_hDlgInstance = nullptr;
// WM_SETFONT arrives before WM_INITDIALOG binds the record to its window:
// the font waits here until then.
HFONT g_hDlgLastFont = nullptr;

// Grid state, reset by every template creation.
double g_dDlgRowFactor = 1.0;
double g_dDlgHeightFactor = 1.0;
int g_iDlgSplitRow = -1;

// Placement of the next dialog: 0 keep, 1 at the mouse, 2 over the parent,
// 3 at the stored point (with a stored bottom when g_boDlgPlaceBottom).
int g_iDlgPlaceMode = 0;
int g_iDlgPlaceX = 0, g_iDlgPlaceY = 0;
bool g_boDlgPlaceBottom = false;

char g_szDlgHelpFile[kPathSize] = "";

const DWORD kStyleModal = 0x90C80080;
const DWORD kStyleModalCentred = 0x90C80880;

int RowStepBase() { return (int)(6 * g_dDlgRowFactor); }
int HeightBase() { return (int)(6 * g_dDlgHeightFactor); }

void vDlgResetGrid() {
  g_dDlgRowFactor = 1.0;
  g_dDlgHeightFactor = 1.0;
  g_iDlgSplitRow = -1;
}

// The empty template: DLGTEMPLATEEX, 99 x 99 units at (x, y), caption
// "Dialog", 8-point "MS Sans Serif", character set 1, no items.
struct DlgTemplateBuf {
  alignas(4) WORD w[64];
};

void vDlgBuildTemplate(DlgTemplateBuf* t, DWORD style, int x, int y) {
  WORD* p = t->w;
  auto put = [&](WORD v) { *p++ = v; };
  auto put32 = [&](DWORD v) {
    put((WORD)(v & 0xFFFF));
    put((WORD)(v >> 16));
  };
  auto text = [&](const char* s) {
    while (*s) put((WORD)(unsigned char)*s++);
    put(0);
  };
  vDlgResetGrid();
  put(1);
  put(0xFFFF);
  put32(0);  // help id
  put32(0);  // extended style
  put32(style | DS_SETFONT);
  put(0);  // no items
  put((WORD)(short)x);
  put((WORD)(short)y);
  put(99);
  put(99);
  put(0);  // no menu
  put(0);  // default class
  text("Dialog");
  put(8);       // points
  put(0);       // weight
  put(0x0100);  // not italic, character set 1
  text("MS Sans Serif");
}

DlgRunRecord* pDlgFindRecord(HWND h) {
  for (DlgRunRecord* r = g_pDlgRuns; r; r = r->next)
    if (r->hWnd == h) return r;
  return nullptr;
}

// Unlinks and frees the record when it is still chained (a run that never
// reached WM_DESTROY: its dialog could not be created); true when it was.
bool boDlgDropRecord(DlgRunRecord* rec) {
  for (DlgRunRecord* r = g_pDlgRuns; r; r = r->next)
    if (r == rec) {
      vSLinkChainDelete(&g_pDlgRuns, rec);
      return true;
    }
  return false;
}

bool IsClass(HWND h, const char* name) {
  char cls[64];
  GetClassNameA(h, cls, sizeof cls);
  return iStrCmpNoCase(cls, name) == 0;
}

BOOL CALLBACK GrowOverChild(HWND child, LPARAM lParam) {
  RECT* box = (RECT*)lParam;
  if (IsClass(child, "SysHeader32") && IsClass(GetParent(child), "SysListView32")) return TRUE;
  RECT r;
  GetWindowRect(child, &r);
  // A static text stands 3 units lower in its cell: it counts 5 pixels higher.
  if (IsClass(child, "Static")) {
    r.top -= 5;
    r.bottom -= 5;
  }
  box->left = std::min(box->left, r.left);
  box->top = std::min(box->top, r.top);
  box->right = std::max(box->right, r.right);
  box->bottom = std::max(box->bottom, r.bottom);
  return TRUE;
}

BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
  SendMessageA(child, WM_SETFONT, (WPARAM)font, FALSE);
  return TRUE;
}

// Sizes the dialog to its controls and places it by the placement mode,
// inside the virtual screen.
void vDlgFitAndPlace(HWND h) {
  RECT win, client;
  GetWindowRect(h, &win);
  GetClientRect(h, &client);
  int nc = (win.bottom - win.top) - (client.bottom - client.top);
  RECT box = {win.left, win.top + nc, win.left + 10, win.top + nc + 10};
  EnumChildWindows(h, GrowOverChild, (LPARAM)&box);
  int cx = (box.right - box.left) + 8;
  int cy = (box.bottom - box.top) + 8 + nc;

  int x = win.left, y = win.top;
  switch (g_iDlgPlaceMode) {
    case 1: {
      POINT cursor;
      GetCursorPos(&cursor);
      x = cursor.x - cx / 2;
      y = cursor.y - cy / 2;
      break;
    }
    case 2: {
      HWND parent = GetParent(h);
      RECT pr;
      if (parent && GetWindowRect(parent, &pr)) {
        x = pr.left + ((pr.right - pr.left) - cx) / 2;
        y = pr.top + ((pr.bottom - pr.top) - cy) / 2;
      }
      break;
    }
    case 3:
      x = g_iDlgPlaceX;
      y = g_boDlgPlaceBottom ? g_iDlgPlaceY - cy : g_iDlgPlaceY;
      break;
  }
  g_iDlgPlaceMode = 0;

  // Far edges first, the origin last: a dialog larger than the screen keeps
  // its caption reachable.
  int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int vcx = GetSystemMetrics(SM_CXVIRTUALSCREEN), vcy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (x + cx > vx + vcx) x = vx + vcx - cx;
  if (y + cy > vy + vcy) y = vy + vcy - cy;
  if (x < vx) x = vx;
  if (y < vy) y = vy;
  SetWindowPos(h, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_SHOWWINDOW);
}

// The procedure of every run-time dialog, around the user's one.
INT_PTR CALLBACK DlgCommonProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETFONT:
      g_hDlgLastFont = (HFONT)wParam;
      return 1;
    case WM_INITDIALOG: {
      DlgRunRecord* rec = (DlgRunRecord*)lParam;
      rec->hWnd = h;
      rec->hFont = g_hDlgLastFont;
      if (rec->pfnUser) rec->pfnUser(h, msg, wParam, rec->lParam);
      if (!IsWindow(h)) return 0;
      EnumChildWindows(h, SetChildFont, (LPARAM)rec->hFont);
      vDlgFitAndPlace(h);
      return 0;
    }
    case WM_DESTROY: {
      DlgRunRecord* rec = pDlgFindRecord(h);
      if (!rec) return 0;
      INT_PTR r = rec->pfnUser ? rec->pfnUser(h, msg, wParam, lParam) : 0;
      boDlgDropRecord(rec);
      return r;
    }
    default: {
      DlgRunRecord* rec = pDlgFindRecord(h);
      return rec && rec->pfnUser ? rec->pfnUser(h, msg, wParam, lParam) : 0;
    }
  }
}

INT_PTR iDlgRun(HWND parent, DLGPROC proc, LPARAM lParam, DWORD style, int x, int y, HWND* modeless) {
  DlgRunRecord* rec = (DlgRunRecord*)pSLinkChainAdd(&g_pDlgRuns, nullptr, sizeof(DlgRunRecord));
  if (!rec) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return -1;
  }
  rec->lParam = lParam;
  rec->pfnUser = proc;
  DlgTemplateBuf t;
  vDlgBuildTemplate(&t, style, x, y);
  if (modeless) {
    *modeless = CreateDialogIndirectParamA(g_hDlgInstance, (LPCDLGTEMPLATEA)t.w, parent, DlgCommonProc, (LPARAM)rec);
    if (!*modeless) {
      g_iDlgPlaceMode = 0;
      boDlgDropRecord(rec);
    }
    return *modeless ? 1 : -1;
  }
  INT_PTR r = DialogBoxIndirectParamA(g_hDlgInstance, (LPCDLGTEMPLATEA)t.w, parent, DlgCommonProc, (LPARAM)rec);
  // A dialog that never stood did not use its placement (nor, when it was
  // not created, reach WM_DESTROY): the next one must inherit neither.
  boDlgDropRecord(rec);
  if (r == -1) g_iDlgPlaceMode = 0;
  return r;
}

// ---- Grid ----

int iDlgRowTop(int r) {
  int s = RowStepBase();
  int k = g_iDlgSplitRow;
  if (k > 0) return r <= k ? 7 * r + 3 : 7 * k + 3 + (r - k) * (s + 1);
  return (s + 1) * r + 3;
}

enum CellKind { kCellPlain, kCellText, kCellGroup };

HWND hDlgAddCell(HWND hDlg, const char* cls, const char* text, bool hasText, int id, int col, int row, int width,
                 int rows, DWORD style, DWORD exStyle, CellKind kind) {
  if (hasText && width < 1) width = (int)strlen(sStrNotNull(text));
  RECT rc = rcDlgCell(col, row, width, rows);
  if (kind == kCellText) {
    rc.top += 3;
    rc.bottom += 4;
  }
  // Right and bottom are inclusive.
  rc.right += 1;
  rc.bottom += 1;
  MapDialogRect(hDlg, &rc);
  if (kind == kCellGroup) {
    rc.top -= 2;
    rc.bottom -= 2;
  }
  return CreateWindowExA(exStyle, cls, sStrNotNull(text), style | WS_CHILD | WS_VISIBLE, rc.left, rc.top,
                         rc.right - rc.left, rc.bottom - rc.top, hDlg, (HMENU)(INT_PTR)id, g_hDlgInstance, nullptr);
}

// ---- Input box ----

struct DlgInputData {
  char text[256];
  int maxLen;
  int width;
  const char* prompt;
  const char* caption;
};
DlgInputData* g_pDlgInput = nullptr;  // the box's data while it is open

INT_PTR CALLBACK DlgInputProc(HWND h, UINT msg, WPARAM wParam, LPARAM) {
  DlgInputData* d = g_pDlgInput;
  if (!d) return FALSE;
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowTextA(h, d->caption);
      int row = 0;
      if (d->prompt) {
        hDlgAddText(h, 999, d->prompt, 0, 0, d->width, 0);
        row = 2;
      }
      int e = std::clamp(d->width, 30, 60);
      HWND edit = hDlgAddEdit(h, 100, 0, row, e, 0);
      SetWindowTextA(edit, d->text);
      if (d->maxLen > 1) SendMessageA(edit, EM_LIMITTEXT, (WPARAM)(d->maxLen - 1), 0);
      int buttons = d->prompt ? 5 : 3;
      hDlgAddButton(h, IDOK, sKvxPoGetText("OK"), e - 26, buttons, 12, BS_DEFPUSHBUTTON);
      hDlgAddButton(h, IDCANCEL, sKvxPoGetText("Cancel"), e - 13, buttons, 12, 0);
      SetFocus(edit);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          GetDlgItemTextA(h, 100, d->text, d->maxLen);
          EndDialog(h, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(h, 0);
          return TRUE;
        case 9:
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

bool boDlgAskIntImpl(HWND hWnd, const char* prompt, const char* question, int* value, int maxDigits) {
  if (!value) return false;
  char def[16];
  iNumPrintC(def, sizeof def, "%d", *value);
  for (;;) {
    char answer[256];
    if (!boDlgInputBox(hWnd, prompt, question, def, maxDigits, answer, sizeof answer)) return false;
    const char* p = answer;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p < '0' || *p > '9') continue;
    int64_t v = lNumParseC(p);  // saturates: an answer beyond int is asked again
    if (v > INT_MAX) continue;
    char back[16];
    if (iNumPrintC(back, sizeof back, "%d", (int)v) > maxDigits) continue;
    *value = (int)v;
    return true;
  }
}

bool boDlgAskDoubleImpl(HWND hWnd, const char* prompt, const char* caption, double* value, int decimals,
                        double initial) {
  if (!value) return false;
  *value = initial;
  // Bounded: a huge initial value shows cut, it cannot overrun.
  char def[256];
  iNumPrintC(def, sizeof def, "%0.*lf", decimals, initial);
  for (;;) {
    char answer[256];
    if (!boDlgInputBox(hWnd, prompt, caption, def, decimals + 12, answer, sizeof answer)) return false;
    for (char* c = answer; *c; ++c)
      if (*c == ',') *c = '.';
    const char* p = answer;
    while (*p == ' ' || *p == '\t') ++p;
    if (!((*p >= '0' && *p <= '9') || *p == '.' || *p == '-')) continue;
    double v = dNumParseC(p);
    // "-inf" and "-nan" print short but are no numbers a field can hold.
    if (!std::isfinite(v)) continue;
    // Measured, not printed: "1e300" would print 300 digits.
    int n = iNumPrintC(nullptr, 0, "%0.*lf", decimals, v);
    if (n < 0 || n >= 21) continue;
    *value = v;
    return true;
  }
}

// The item's text of any length, for the copies bounded by the caller.
std::string sItemText(HWND hDlg, int id, UINT lenMsg, UINT textMsg, int index, bool* ok) {
  LRESULT len = SendDlgItemMessageA(hDlg, id, lenMsg, (WPARAM)index, 0);
  *ok = len >= 0 && GetDlgItem(hDlg, id) != nullptr;
  if (!*ok) return std::string();
  std::vector<char> buf((size_t)len + 1, '\0');
  LRESULT got = SendDlgItemMessageA(hDlg, id, textMsg, (WPARAM)index, (LPARAM)buf.data());
  if (got < 0) {
    *ok = false;
    return std::string();
  }
  buf[(size_t)len] = 0;
  return buf.data();
}

// The shared halves of the combo and list wrappers (CB_ERR and LB_ERR are
// both -1).
int iItemCount(HWND hDlg, int id, UINT countMsg) {
  LRESULT n = SendDlgItemMessageA(hDlg, id, countMsg, 0, 0);
  return n < 0 ? 0 : (int)n;
}

int iItemCurSel(HWND hDlg, int id, UINT curSelMsg) {
  LRESULT i = SendDlgItemMessageA(hDlg, id, curSelMsg, 0, 0);
  return GetDlgItem(hDlg, id) && i >= 0 ? (int)i : -1;
}

// The first entry that begins with the text, ignoring case, from the start.
bool boItemSelect(HWND hDlg, int id, UINT selectMsg, const char* text) {
  return GetDlgItem(hDlg, id) &&
         SendDlgItemMessageA(hDlg, id, selectMsg, (WPARAM)-1, (LPARAM)sStrNotNull(text)) != CB_ERR;
}

bool boItemSelectOrAdd(HWND hDlg, int id, UINT selectMsg, UINT addMsg, const char* text) {
  if (boItemSelect(hDlg, id, selectMsg, text)) return true;
  SendDlgItemMessageA(hDlg, id, addMsg, 0, (LPARAM)sStrNotNull(text));
  return boItemSelect(hDlg, id, selectMsg, text);
}

void vItemGetText(HWND hDlg, int id, UINT lenMsg, UINT textMsg, int index, char* buf, int size) {
  bool ok;
  std::string s = sItemText(hDlg, id, lenMsg, textMsg, index, &ok);
  if (buf && size > 0) sStrCopyN(buf, s.c_str(), size);
}

}  // namespace

// ---- Running dialogs ----

INT_PTR iDlgRunModal(HWND hParent, DLGPROC pfnProc, LPARAM lParam) {
  return iDlgRunModalStyle(hParent, pfnProc, lParam, kStyleModal);
}

INT_PTR iDlgRunModalStyle(HWND hParent, DLGPROC pfnProc, LPARAM lParam, DWORD dwStyle) {
  // At the mouse unless a placement was asked for just before.
  if (g_iDlgPlaceMode == 0) g_iDlgPlaceMode = 1;
  return iDlgRun(hParent, pfnProc, lParam, dwStyle, 0, 0, nullptr);
}

INT_PTR iDlgRunModalCentred(HWND hParent, DLGPROC pfnProc, LPARAM lParam) {
  return iDlgRun(hParent, pfnProc, lParam, kStyleModalCentred, 0, 0, nullptr);
}

HWND hDlgCreateModeless(HWND hParent, DLGPROC pfnProc, LPARAM lParam, int x, int y, DWORD dwStyle) {
  HWND h = nullptr;
  iDlgRun(hParent, pfnProc, lParam, dwStyle, x, y, &h);
  return h;
}

int iDlgOpenCount(void) {
  int n = 0;
  for (DlgRunRecord* r = g_pDlgRuns; r; r = r->next) ++n;
  return n;
}

void vDlgPlaceOverParent(void) { g_iDlgPlaceMode = 2; }

void vDlgPlaceAt(int x, int y) {
  g_iDlgPlaceMode = 3;
  g_iDlgPlaceX = x;
  g_iDlgPlaceY = y;
  g_boDlgPlaceBottom = false;
}

void vDlgPlaceAbove(int x, int bottom) {
  g_iDlgPlaceMode = 3;
  g_iDlgPlaceX = x;
  g_iDlgPlaceY = bottom;
  g_boDlgPlaceBottom = true;
}

// ---- Grid controls ----

RECT rcDlgCell(int iCol, int iRow, int iWidth, int iRows) {
  RECT rc;
  int t = HeightBase();
  rc.left = 5 * iCol + 3;
  rc.right = rc.left - 1 + 5 * iWidth;
  rc.top = iDlgRowTop(iRow);
  rc.bottom = iRows <= 0 ? rc.top + 2 * t + 1 : rc.top + (t + 1) * iRows - 2;
  return rc;
}

HWND hDlgAddButton(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "BUTTON", pszText, true, iId, iCol, iRow, iWidth, 0, 0x50000C00 | dwStyle, 0, kCellPlain);
}

HWND hDlgAddCheckBox(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "BUTTON", pszText, true, iId, iCol, iRow, iWidth, 0, 0x50000C03 | dwStyle, 0, kCellPlain);
}

HWND hDlgAddRadio(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "BUTTON", pszText, true, iId, iCol, iRow, iWidth, 0, 0x50000C09 | dwStyle, 0, kCellPlain);
}

HWND hDlgAddText(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "STATIC", pszText, true, iId, iCol, iRow, iWidth, 0, 0x50000000 | dwStyle, 0, kCellText);
}

HWND hDlgAddEdit(HWND hDlg, int iId, int iCol, int iRow, int iWidth, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "EDIT", "", false, iId, iCol, iRow, iWidth, 0, 0x50000080 | dwStyle, 0x300, kCellPlain);
}

HWND hDlgAddEditRaw(HWND hDlg, int iId, int iCol, int iRow, int iWidth, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "EDIT", "", false, iId, iCol, iRow, iWidth, 0, dwStyle, 0x300, kCellPlain);
}

HWND hDlgAddGroup(HWND hDlg, int iId, const char* pszText, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "BUTTON", pszText, true, iId, iCol, iRow, iWidth, std::max(iRows, 1), 0x50000007 | dwStyle,
                     0, kCellGroup);
}

HWND hDlgAddFrame(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "STATIC", "", false, iId, iCol, iRow, iWidth, std::max(iRows, 1), 0x50800000 | dwStyle, 0,
                     kCellPlain);
}

HWND hDlgAddCombo(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "COMBOBOX", "", false, iId, iCol, iRow, iWidth, std::max(iRows, 1), 0x50200040 | dwStyle, 0,
                     kCellPlain);
}

HWND hDlgAddList(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "LISTBOX", "", false, iId, iCol, iRow, iWidth, std::max(iRows, 1), 0x50200001 | dwStyle,
                     0x200, kCellPlain);
}

HWND hDlgAddListView(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "SysListView32", "", false, iId, iCol, iRow, iWidth, std::max(iRows, 1),
                     0x50000839 | dwStyle, 0x300, kCellPlain);
}

HWND hDlgAddTreeView(HWND hDlg, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle) {
  return hDlgAddCell(hDlg, "SysTreeView32", "", false, iId, iCol, iRow, iWidth, std::max(iRows, 1),
                     0x50000000 | dwStyle, 0x300, kCellPlain);
}

HWND hDlgAddControl(HWND hDlg, const char* pszClass, int iId, int iCol, int iRow, int iWidth, int iRows, DWORD dwStyle,
                    DWORD dwExStyle) {
  return hDlgAddCell(hDlg, pszClass, "", false, iId, iCol, iRow, iWidth, std::max(iRows, 1), 0x50000000 | dwStyle,
                     dwExStyle, kCellPlain);
}

// ---- Grid settings ----

double dDlgSetRowFactor(double dFactor, int iSplitRow) {
  double old = g_dDlgRowFactor;
  if (dFactor <= 0.1) {
    g_dDlgRowFactor = 1.0;
    g_iDlgSplitRow = -1;
  } else {
    g_dDlgRowFactor = dFactor;
    g_iDlgSplitRow = iSplitRow;
  }
  return old;
}

double dDlgSetHeightFactor(double dFactor) {
  double old = g_dDlgHeightFactor;
  g_dDlgHeightFactor = dFactor <= 0.1 ? 1.0 : dFactor;
  return old;
}

double dDlgGetHeightFactor(void) { return g_dDlgHeightFactor; }
double dDlgGetRowStep(void) { return (double)RowStepBase(); }

// ---- Input boxes ----

bool boDlgInputBox(HWND hWnd, const char* pszPrompt, const char* pszCaption, const char* pszDefault, int iMaxLen,
                   char* pszOut, int iOutSize) {
  DlgInputData d;
  sStrCopyN(d.text, pszDefault, sizeof d.text);
  d.maxLen = std::clamp(iMaxLen, 1, 256);
  d.caption = sStrNotNull(pszCaption);
  d.prompt = pszPrompt;
  d.width = std::max({d.maxLen, (int)strlen(d.caption), (int)strlen(sStrNotNull(pszPrompt))});
  DlgInputData* outer = g_pDlgInput;
  g_pDlgInput = &d;
  INT_PTR r = iDlgRunModal(hWnd, DlgInputProc, 0);
  g_pDlgInput = outer;
  if (r != 1) return false;
  if (pszOut && iOutSize > 0) sStrCopyN(pszOut, d.text, iOutSize);
  return true;
}

char* sDlgInputTempWnd(HWND hWnd, const char* pszPrompt, const char* pszCaption, const char* pszDefault, int iMaxLen) {
  char text[256];
  if (!boDlgInputBox(hWnd, pszPrompt, pszCaption, pszDefault, iMaxLen, text, sizeof text)) return nullptr;
  return sStrTemp(text);
}

char* sDlgInputTemp(const char* pszCaption, const char* pszDefault, int iMaxLen) {
  return sDlgInputTempWnd(GetActiveWindow(), nullptr, pszCaption, pszDefault, iMaxLen);
}

char* sDlgInputTempPrompt(const char* pszPrompt, const char* pszCaption, const char* pszDefault, int iMaxLen) {
  return sDlgInputTempWnd(GetActiveWindow(), pszPrompt, pszCaption, pszDefault, iMaxLen);
}

bool boDlgInputText(const char* pszCaption, const char* pszDefault, int iMaxLen, char* pszOut, int iOutSize) {
  return boDlgInputBox(GetActiveWindow(), nullptr, pszCaption, pszDefault, iMaxLen, pszOut, iOutSize);
}

bool boDlgInputTextPrompt(const char* pszPrompt, const char* pszCaption, const char* pszDefault, int iMaxLen,
                          char* pszOut, int iOutSize) {
  return boDlgInputBox(GetActiveWindow(), pszPrompt, pszCaption, pszDefault, iMaxLen, pszOut, iOutSize);
}

bool boDlgAskInt(const char* pszQuestion, int* piValue, int iMaxDigits) {
  return boDlgAskIntImpl(GetActiveWindow(), nullptr, pszQuestion, piValue, iMaxDigits);
}

bool boDlgAskIntPrompt(const char* pszPrompt, const char* pszQuestion, int* piValue, int iMaxDigits) {
  return boDlgAskIntImpl(GetActiveWindow(), pszPrompt, pszQuestion, piValue, iMaxDigits);
}

bool boDlgAskIntWnd(HWND hWnd, const char* pszQuestion, int* piValue, int iMaxDigits) {
  return boDlgAskIntImpl(hWnd, nullptr, pszQuestion, piValue, iMaxDigits);
}

bool boDlgAskDouble(const char* pszCaption, double* pdValue, int iDecimals, double dInitial) {
  return boDlgAskDoubleImpl(GetActiveWindow(), nullptr, pszCaption, pdValue, iDecimals, dInitial);
}

bool boDlgAskDoublePrompt(const char* pszPrompt, const char* pszCaption, double* pdValue, int iDecimals) {
  return pdValue && boDlgAskDoubleImpl(GetActiveWindow(), pszPrompt, pszCaption, pdValue, iDecimals, *pdValue);
}

bool boDlgAskDoubleWnd(HWND hWnd, const char* pszCaption, double* pdValue, int iDecimals, double dInitial) {
  return boDlgAskDoubleImpl(hWnd, nullptr, pszCaption, pdValue, iDecimals, dInitial);
}

// ---- Dialog-item accessors ----

bool boStrToNumber(const char* pszText, double* pdValue) {
  char text[20];
  sStrCopyN(text, pszText, sizeof text);
  if (char* comma = strchr(text, ',')) *comma = '.';
  const char* p = text;
  while (*p == ' ' || *p == '-' || *p == '.') ++p;
  bool ok = *p >= '0' && *p <= '9';
  if (pdValue) *pdValue = ok ? dNumParseC(text) : 0.0;
  return ok;
}

bool boDlgGetItemDouble(HWND hDlg, int iId, double* pdValue) {
  char text[20];
  GetDlgItemTextA(hDlg, iId, text, sizeof text);
  return boStrToNumber(text, pdValue);
}

double dDlgGetItemDouble(HWND hDlg, int iId) {
  double v = 0.0;
  return boDlgGetItemDouble(hDlg, iId, &v) ? v : 0.0;
}

bool boDlgGetItemInt(HWND hDlg, int iId, int* piValue) {
  BOOL ok = FALSE;
  int v = (int)GetDlgItemInt(hDlg, iId, &ok, TRUE);
  if (piValue) *piValue = v;
  return ok != FALSE;
}

int iDlgGetItemIntOr0(HWND hDlg, int iId) {
  int v = 0;
  return boDlgGetItemInt(hDlg, iId, &v) ? v : 0;
}

char* sDlgGetItemTextTemp(HWND hDlg, int iId) {
  char* text = pStrScratchAlloc(400);
  if (!text) return nullptr;
  text[0] = 0;
  GetDlgItemTextA(hDlg, iId, text, 400);
  return text;
}

void vDlgSetItemDouble(HWND hDlg, int iId, int iDecimals, double dValue) {
  int n = iNumPrintC(nullptr, 0, "%.*lf", iDecimals, dValue);
  if (n < 0) return;
  std::vector<char> text((size_t)n + 1);
  iNumPrintC(text.data(), n + 1, "%.*lf", iDecimals, dValue);
  SetDlgItemTextA(hDlg, iId, sNumCutZeros(text.data()));
}

bool boDlgIsChecked(HWND hDlg, int iId) { return IsDlgButtonChecked(hDlg, iId) == BST_CHECKED; }
bool boDlgIsEnabled(HWND hDlg, int iId) { return IsWindowEnabled(GetDlgItem(hDlg, iId)) != FALSE; }
void vDlgEnable(HWND hDlg, int iId, bool boEnable) { EnableWindow(GetDlgItem(hDlg, iId), boEnable ? TRUE : FALSE); }
void vDlgShow(HWND hDlg, int iId, bool boShow) { ShowWindow(GetDlgItem(hDlg, iId), boShow ? SW_SHOW : SW_HIDE); }
void vDlgRedraw(HWND hDlg, int iId) { InvalidateRect(GetDlgItem(hDlg, iId), nullptr, TRUE); }

// ---- Combo and list boxes ----

int iDlgComboCount(HWND hDlg, int iId) { return iItemCount(hDlg, iId, CB_GETCOUNT); }
int iDlgComboCurSel(HWND hDlg, int iId) { return iItemCurSel(hDlg, iId, CB_GETCURSEL); }

bool boDlgComboSetCurSel(HWND hDlg, int iId, int iIndex) {
  return GetDlgItem(hDlg, iId) && SendDlgItemMessageA(hDlg, iId, CB_SETCURSEL, (WPARAM)iIndex, 0) != CB_ERR;
}

bool boDlgComboSelect(HWND hDlg, int iId, const char* pszText) {
  return boItemSelect(hDlg, iId, CB_SELECTSTRING, pszText);
}

bool boDlgComboSelectOrAdd(HWND hDlg, int iId, const char* pszText) {
  return boItemSelectOrAdd(hDlg, iId, CB_SELECTSTRING, CB_ADDSTRING, pszText);
}

void vDlgComboAdd(HWND hDlg, int iId, const char* pszText) {
  SendDlgItemMessageA(hDlg, iId, CB_ADDSTRING, 0, (LPARAM)sStrNotNull(pszText));
}

void vDlgComboReset(HWND hDlg, int iId) { SendDlgItemMessageA(hDlg, iId, CB_RESETCONTENT, 0, 0); }

void vDlgComboDelete(HWND hDlg, int iId, int iIndex) {
  SendDlgItemMessageA(hDlg, iId, CB_DELETESTRING, (WPARAM)iIndex, 0);
}

void vDlgComboGetText(HWND hDlg, int iId, int iIndex, char* pszBuf, int iSize) {
  vItemGetText(hDlg, iId, CB_GETLBTEXTLEN, CB_GETLBTEXT, iIndex, pszBuf, iSize);
}

void vDlgComboFitDropWidth(HWND hDlg, int iId) {
  HWND combo = GetDlgItem(hDlg, iId);
  if (!combo) return;
  HDC dc = GetDC(combo);
  HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
  int widest = 0;
  int n = iDlgComboCount(hDlg, iId);
  for (int i = 0; i < n; ++i) {
    bool ok;
    std::string s = sItemText(hDlg, iId, CB_GETLBTEXTLEN, CB_GETLBTEXT, i, &ok);
    SIZE size = {0, 0};
    if (ok && GetTextExtentPoint32A(dc, s.c_str(), (int)s.size(), &size)) widest = std::max(widest, (int)size.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(combo, dc);
  int want = (int)(widest * 1.14);
  if (want > (int)SendMessageA(combo, CB_GETDROPPEDWIDTH, 0, 0)) SendMessageA(combo, CB_SETDROPPEDWIDTH, want, 0);
}

int iDlgListCount(HWND hDlg, int iId) { return iItemCount(hDlg, iId, LB_GETCOUNT); }
int iDlgListCurSel(HWND hDlg, int iId) { return iItemCurSel(hDlg, iId, LB_GETCURSEL); }

int iDlgListSelCount(HWND hDlg, int iId) {
  if (!GetDlgItem(hDlg, iId)) return -1;
  LRESULT n = SendDlgItemMessageA(hDlg, iId, LB_GETSELCOUNT, 0, 0);
  return n < 0 ? -1 : (int)n;
}

int iDlgListIsSel(HWND hDlg, int iId, int iIndex) {
  if (!GetDlgItem(hDlg, iId)) return -1;
  LRESULT r = SendDlgItemMessageA(hDlg, iId, LB_GETSEL, (WPARAM)iIndex, 0);
  if (r == LB_ERR) return -1;
  return r > 0 ? 1 : 0;
}

bool boDlgListSelect(HWND hDlg, int iId, const char* pszText) {
  return boItemSelect(hDlg, iId, LB_SELECTSTRING, pszText);
}

bool boDlgListSelectOrAdd(HWND hDlg, int iId, const char* pszText) {
  return boItemSelectOrAdd(hDlg, iId, LB_SELECTSTRING, LB_ADDSTRING, pszText);
}

bool boDlgListReplace(HWND hDlg, int iId, int iIndex, const char* pszText) {
  if (!GetDlgItem(hDlg, iId)) return false;
  if (SendDlgItemMessageA(hDlg, iId, LB_DELETESTRING, (WPARAM)iIndex, 0) == LB_ERR) return false;
  return SendDlgItemMessageA(hDlg, iId, LB_INSERTSTRING, (WPARAM)iIndex, (LPARAM)sStrNotNull(pszText)) != LB_ERR;
}

void vDlgListAdd(HWND hDlg, int iId, const char* pszText) {
  SendDlgItemMessageA(hDlg, iId, LB_ADDSTRING, 0, (LPARAM)sStrNotNull(pszText));
}

void vDlgListReset(HWND hDlg, int iId) { SendDlgItemMessageA(hDlg, iId, LB_RESETCONTENT, 0, 0); }

void vDlgListDelete(HWND hDlg, int iId, int iIndex) {
  SendDlgItemMessageA(hDlg, iId, LB_DELETESTRING, (WPARAM)iIndex, 0);
}

void vDlgListSetCurSel(HWND hDlg, int iId, int iIndex) {
  SendDlgItemMessageA(hDlg, iId, LB_SETCURSEL, (WPARAM)iIndex, 0);
}

void vDlgListGetText(HWND hDlg, int iId, int iIndex, char* pszBuf, int iSize) {
  vItemGetText(hDlg, iId, LB_GETTEXTLEN, LB_GETTEXT, iIndex, pszBuf, iSize);
}

// ---- String resources and help ----

void vDlgSetInstance(HINSTANCE hInstance) { g_hDlgInstance = hInstance; }

HINSTANCE hDlgGetInstance(void) { return g_hDlgInstance; }

char* sDlgLoadString(UINT uId) {
  char text[256];
  if (LoadStringA(g_hDlgInstance, uId, text, sizeof text) <= 0) iNumPrintC(text, sizeof text, "?:%d", (int)uId);
  return sStrTemp(text);
}

char* sDlgLoadStringOem(UINT uId) {
  char* text = sDlgLoadString(uId);
  if (text) CharToOemA(text, text);
  return text;
}

const char* sDlgHelpFile(const char* pszName) {
  if (pszName) sStrCopyN(g_szDlgHelpFile, pszName, sizeof g_szDlgHelpFile);
  return g_szDlgHelpFile;
}

// The file: a given name with a folder as it is, a bare one in the folder
// of the host's executable; without one the name set by sDlgHelpFile (also
// in the executable's folder when bare), else the executable's own path;
// always with the extension "chm". The topic gets ".htm" unless it has it.
bool boDlgHelp(const char* pszFile, const char* pszTopic) {
  char exe[kPathSize] = "";
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  char exeDir[kPathSize];
  sPathGetDir(exe, exeDir, sizeof exeDir);
  const char* name = pszFile ? pszFile : (g_szDlgHelpFile[0] ? g_szDlgHelpFile : nullptr);
  char path[kPathSize];
  if (!name)
    sStrCopyN(path, exe, sizeof path);
  else if (strpbrk(name, "\\/:"))
    sStrCopyN(path, name, sizeof path);
  else
    sPathJoin(exeDir, name, path, sizeof path);
  vPathSetExtN(path, "chm", sizeof path);

  char topic[1001 + 4];
  sStrCopyN(topic, pszTopic, 1001);
  size_t len = strlen(topic);
  if (len < 4 || iStrCmpNoCase(topic + len - 4, ".htm") != 0) sStrCatN(topic, ".htm", sizeof topic);

  if (HtmlHelpA(nullptr, path, HH_DISPLAY_TOPIC, (DWORD_PTR)topic)) return true;
  iMsgBox(GetActiveWindow(), sStrFormat("Not found!\nFile: %s\nTopic: %s", path, topic), "Not found", 0x2030);
  return false;
}
