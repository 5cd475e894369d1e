#include "base/cnvtable.h"

#include <cstdlib>
#include <cstring>

#include "base/cnum.h"
#include "base/rtdialog.h"
#include "base/text.h"
#include "kvxlib.h"
#include "win32.h"

namespace {

uint32_t uCnvClampWidth(int w) {
  if (w < 1) return 1;
  if (w > CNV_CODE_SIZE) return CNV_CODE_SIZE;
  return (uint32_t)w;
}

// Moves the cursor over at most n characters, never past the terminator.
const char* sCnvSkip(const char* p, int n) {
  while (n-- > 0 && *p) p++;
  return p;
}

const char* sCnvSkipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t') p++;
  return p;
}

void vCnvRead(CnvTable* t, const char* ini, const char* section) {
  vCnvTabClear(t);
  if (!ini || !section) return;
  for (int i = 0;; i++) {
    char key[32], value[256];
    iNumPrintC(key, sizeof key, "%s%d", "Item", i);
    GetPrivateProfileStringA(section, key, "", value, sizeof value, ini);
    if (!value[0]) break;
    // A stored value reads f:"from" t:"to". The file may have been edited by
    // hand: the prefixes are skipped only as far as there is text, and a
    // missing token reads as "".
    char from[20], to[20];
    const char* cur = nullptr;
    const char* p = sCnvSkip(value, 2);
    sStrNextToken(p, &cur, from, sizeof from);
    p = cur ? sCnvSkipBlanks(cur) : "";
    p = sCnvSkip(p, 2);
    sStrNextToken(p, &cur, to, sizeof to);
    if (!from[0] && !to[0]) break;
    pCnvTabAppend(t, from, to);
  }
}

void vCnvWrite(CnvTable* t, const char* ini, const char* section) {
  if (!ini || !section) return;
  WritePrivateProfileStringA(section, nullptr, nullptr, ini);
  int i = 0;
  for (CnvEntry* e = pCnvTabFirst(t); e; e = e->next, i++) {
    char key[32], value[256];
    iNumPrintC(key, sizeof key, "%s%d", "Item", i);
    sStrPrintN(value, sizeof value, "f:\"%s\" t:\"%s\"", e->from, e->to);
    WritePrivateProfileStringA(section, key, value, ini);
  }
}

bool boCnvFind(const CnvTable* t, const char* code, bool reverse, char* buf, int size) {
  if (!t || !code) return false;
  for (CnvEntry* e = pCnvTabFirst(t); e; e = e->next) {
    const char* key = reverse ? e->to : e->from;
    if (strcmp(key, code) != 0) continue;
    if (buf) sStrCopyN(buf, reverse ? e->from : e->to, size);
    return true;
  }
  return false;
}

}  // namespace

CnvTable* pCnvTabNew(int fromWidth, int toWidth) {
  CnvTable* t = (CnvTable*)calloc(1, sizeof(CnvTable));
  if (!t) return nullptr;
  t->fromWidth = uCnvClampWidth(fromWidth);
  t->toWidth = uCnvClampWidth(toWidth);
  vSLinkInit(&t->entries, sizeof(CnvEntry), nullptr);
  return t;
}

CnvTable* pCnvTabFree(CnvTable* table) {
  if (table) {
    vSLinkFreeAll(&table->entries);
    free(table);
  }
  return nullptr;
}

CnvEntry* pCnvTabFirst(const CnvTable* table) { return table ? (CnvEntry*)table->entries.pFirst : nullptr; }

CnvEntry* pCnvTabAppend(CnvTable* table, const char* from, const char* to) {
  if (!table) return nullptr;
  CnvEntry* e = (CnvEntry*)pSLinkNewObj(&table->entries, nullptr, nullptr);
  if (!e) return nullptr;
  sStrCopyN(e->from, sStrNotNull(from), (int)table->fromWidth);
  sStrCopyN(e->to, sStrNotNull(to), (int)table->toWidth);
  return e;
}

void vCnvTabClear(CnvTable* table) {
  if (table) vSLinkFreeAll(&table->entries);
}

int iCnvTabCount(const CnvTable* table) {
  int n = 0;
  for (CnvEntry* e = pCnvTabFirst(table); e; e = e->next) n++;
  return n;
}

bool boCnvTabLookup(const CnvTable* table, const char* code, char* buf, int size) {
  return boCnvFind(table, code, false, buf, size);
}

bool boCnvTabLookupReverse(const CnvTable* table, const char* code, char* buf, int size) {
  return boCnvFind(table, code, true, buf, size);
}

void vCnvTabIni(CnvTable* table, const char* iniPath, const char* section, int write) {
  if (!table) return;
  if (write)
    vCnvWrite(table, iniPath, section);
  else
    vCnvRead(table, iniPath, section);
}

bool boCnvTabRead(CnvTable* table, const char* iniPath, const char* section) {
  vCnvTabIni(table, iniPath, section, 0);
  return pCnvTabFirst(table) != nullptr;
}

void vCnvTabWrite(CnvTable* table, const char* iniPath, const char* section) { vCnvTabIni(table, iniPath, section, 1); }

// ---------------------------------------------------------------- the dialog

namespace {

constexpr int kIdFrom = 201;
constexpr int kIdTo = 202;
constexpr int kIdList = 203;
constexpr int kIdAdd = 204;
constexpr int kIdDelete = 205;
constexpr int kIdHelp = 9;

CnvTable* g_pCnvDlgTable;  // the table of the open dialog

LRESULT lCnvList(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageA(dlg, kIdList, msg, wParam, lParam);
}

int iCnvRowCount(HWND dlg) { return (int)lCnvList(dlg, LVM_GETITEMCOUNT, 0, 0); }

void vCnvRowText(HWND dlg, int row, int column, char* buf, int size) {
  LVITEMA it = {};
  it.iSubItem = column;
  it.pszText = buf;
  it.cchTextMax = size;
  buf[0] = '\0';
  lCnvList(dlg, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&it);
}

// The two codes of a row.
void vCnvRowPair(HWND dlg, int row, char (&from)[CNV_CODE_SIZE], char (&to)[CNV_CODE_SIZE]) {
  vCnvRowText(dlg, row, 0, from, sizeof from);
  vCnvRowText(dlg, row, 1, to, sizeof to);
}

// Inserts a row; returns where the list put it (-1 when it could not).
int iCnvAddRow(HWND dlg, int row, const char* from, const char* to) {
  LVITEMA it = {};
  it.mask = LVIF_TEXT;
  it.iItem = row;
  it.pszText = const_cast<char*>(from);
  row = (int)lCnvList(dlg, LVM_INSERTITEMA, 0, (LPARAM)&it);
  if (row < 0) return -1;
  it.iSubItem = 1;
  it.pszText = const_cast<char*>(to);
  lCnvList(dlg, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&it);
  return row;
}

// Selects and focuses one row (-1: none) and scrolls it into view.
void vCnvSelectRow(HWND dlg, int row) {
  LVITEMA it = {};
  it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  lCnvList(dlg, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&it);
  if (row < 0) return;
  it.state = LVIS_SELECTED | LVIS_FOCUSED;
  lCnvList(dlg, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&it);
  lCnvList(dlg, LVM_ENSUREVISIBLE, (WPARAM)row, FALSE);
}

void vCnvInit(HWND dlg, CnvTable* t) {
  SetWindowTextA(dlg, sKvxPoGetText("Converter table"));
  const char* title1 = sStrNotNull(t->title1);
  int w = (int)strlen(title1) + 1;
  if (w < (int)t->fromWidth) w = (int)t->fromWidth;
  hDlgAddEdit(dlg, kIdFrom, 0, 0, w, 0);
  hDlgAddEdit(dlg, kIdTo, w, 0, w, 0);
  int bc = 2 * w + 3;
  hDlgAddButton(dlg, kIdAdd, sKvxPoGetText("Add"), bc, 0, 12, 0);
  hDlgAddButton(dlg, kIdDelete, sKvxPoGetText("Delete"), bc, 2, 12, 0);
  hDlgAddButton(dlg, IDOK, sKvxPoGetText("OK"), bc, 8, 12, 0);
  hDlgAddButton(dlg, IDCANCEL, sKvxPoGetText("Cancel"), bc, 10, 12, 0);
  hDlgAddButton(dlg, kIdHelp, sKvxPoGetText("Help"), bc, 12, 12, 0);
  // The list view style of the grid without its sort bits: the rows must
  // stay in table order, as OK writes them back in list order and lookups
  // take the first match (a sorted list would change which duplicate wins).
  hDlgAddControl(dlg, "SysListView32", kIdList, 0, 2, 2 * w + 3, 12, 0x839 & ~(LVS_SORTASCENDING | LVS_SORTDESCENDING),
                 0x300);
  lCnvList(dlg, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

  // Columns as wide as w capital letters in the list's font. The measuring
  // text is built to the need: a translated title can be of any length.
  char* measure = (char*)malloc((size_t)w + 1);
  int cx = 0;
  if (measure) {
    memset(measure, 'M', (size_t)w);
    measure[w] = '\0';
    cx = (int)lCnvList(dlg, LVM_GETSTRINGWIDTHA, 0, (LPARAM)measure);
    free(measure);
  }
  const char* titles[2] = {title1, sStrNotNull(t->title2)};
  for (int c = 0; c < 2; c++) {
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = cx;
    col.pszText = const_cast<char*>(titles[c]);
    col.iSubItem = c;
    lCnvList(dlg, LVM_INSERTCOLUMNA, (WPARAM)c, (LPARAM)&col);
  }
  int row = 0;
  for (CnvEntry* e = pCnvTabFirst(t); e; e = e->next) iCnvAddRow(dlg, row++, e->from, e->to);
}

void vCnvOnAdd(HWND dlg, CnvTable* t) {
  char from[CNV_CODE_SIZE], to[CNV_CODE_SIZE];
  GetDlgItemTextA(dlg, kIdFrom, from, (int)t->fromWidth);
  GetDlgItemTextA(dlg, kIdTo, to, (int)t->toWidth);
  if (!from[0] && !to[0]) return;
  vCnvSelectRow(dlg, iCnvAddRow(dlg, iCnvRowCount(dlg), from, to));
  SetDlgItemTextA(dlg, kIdFrom, "");
  SetDlgItemTextA(dlg, kIdTo, "");
  SetFocus(GetDlgItem(dlg, kIdFrom));
}

void vCnvOnDelete(HWND dlg) {
  int row = (int)lCnvList(dlg, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
  // No selection: -1 would select every row below.
  if (row < 0) return;
  lCnvList(dlg, LVM_DELETEITEM, (WPARAM)row, 0);
  int n = iCnvRowCount(dlg);
  vCnvSelectRow(dlg, row < n ? row : n - 1);
}

void vCnvOnOk(HWND dlg, CnvTable* t) {
  vCnvTabClear(t);
  int n = iCnvRowCount(dlg);
  for (int row = 0; row < n; row++) {
    char from[CNV_CODE_SIZE], to[CNV_CODE_SIZE];
    vCnvRowPair(dlg, row, from, to);
    pCnvTabAppend(t, from, to);
  }
  EndDialog(dlg, 1);
}

void vCnvOnRowClick(HWND dlg, int row) {
  if (row < 0) return;
  char from[CNV_CODE_SIZE], to[CNV_CODE_SIZE];
  vCnvRowPair(dlg, row, from, to);
  SetDlgItemTextA(dlg, kIdFrom, from);
  SetDlgItemTextA(dlg, kIdTo, to);
}

INT_PTR CALLBACK CnvDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  CnvTable* t = g_pCnvDlgTable;
  switch (msg) {
    case WM_INITDIALOG:
      vCnvInit(dlg, t);
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* h = (const NMHDR*)lParam;
      if (h && h->idFrom == (UINT_PTR)kIdList && h->code == (UINT)NM_CLICK)
        vCnvOnRowClick(dlg, ((const NMITEMACTIVATE*)lParam)->iItem);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kIdAdd:
          vCnvOnAdd(dlg, t);
          return TRUE;
        case kIdDelete:
          vCnvOnDelete(dlg);
          return TRUE;
        case IDOK:
          vCnvOnOk(dlg, t);
          return TRUE;
        case IDCANCEL:
          EndDialog(dlg, 0);
          return TRUE;
        case kIdHelp:
          boDlgHelp(nullptr, sStrNotNull(t->helpTopic));
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

bool boCnvTabDialog(CnvTable* table, const char* helpTopic, const char* title1, const char* title2) {
  if (!table) return false;
  table->helpTopic = helpTopic;
  table->title1 = title1;
  table->title2 = title2;
  CnvTable* outer = g_pCnvDlgTable;
  g_pCnvDlgTable = table;
  INT_PTR r = iDlgRunModal(GetActiveWindow(), CnvDlgProc, (LPARAM)table);
  g_pCnvDlgTable = outer;
  return r == 1;
}
