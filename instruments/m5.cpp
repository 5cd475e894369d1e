// Trimble DiNi levels, M5 record format (instrument 24): coordinate records
// whose 27-character information block carries the point ID's parts at
// columns the user sets in dialog 113 (ini key "ZeissM5PI").
#include "instruments/m5.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/cnum.h"
#include "base/geometry.h"
#include "base/msgbox.h"
#include "base/numbers.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/convert.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"
#include "resources/dlg_m5.h"
#include "win32.h"

namespace {

const int kBlockCol = 21;   // the information block starts at column 22
const int kBlockSize = 27;  // its width
const int kRecordSize = 119;
const int kValueWidth = 14;  // "%14.4lf"

void vPut(char* rec, int col1, const char* text) { memcpy(rec + col1 - 1, text, strlen(text)); }
// A literal's length is known where it is written.
template <size_t N>
void vPutLit(char* rec, int col1, const char (&text)[N]) {
  memcpy(rec + col1 - 1, text, N - 1);
}

// A value right-justified in its 14 columns; false when it is wider.
bool boPutValue(char* rec, int col1, double v) {
  // printf's "%14.4lf": the 14 columns copied whole (their blanks with
  // them), a copy of known length.
  char buf[64];
  if (iNumPrintFixedWidthC(buf, sizeof buf, v, kValueWidth, 4) != kValueWidth) return false;
  memcpy(rec + col1 - 1, buf, kValueWidth);
  return true;
}

// An item of the block (n bytes of text), blank-filled or cut to its
// length. The column and length come from an editable ini value: they are
// kept inside the block.
void vPutItem(char* rec, const M5PiItem& item, const char* text, int n) {
  int col = item.iColumn < 0 ? 0 : item.iColumn > kBlockSize - 1 ? kBlockSize - 1 : item.iColumn;
  int len = item.iLength > kBlockSize - col ? kBlockSize - col : item.iLength;
  if (len > n) len = n;
  // Control bytes as blanks, as the line writer would put them, and the
  // bytes the reader takes as code-page-865 letters as '?': the other
  // columns hold none, so the record goes out as it stands.
  char* out = rec + kBlockCol + col;
  for (int i = 0; i < len; ++i) out[i] = cMboLineByte865(text[i]);
}

// Columns from..to (1-based) of a line of len bytes, blanks cut at both
// ends, into out (room for to - from + 2 bytes); columns past the line's end
// are blanks. The text's length.
size_t uCols(const char* line, size_t len, int from, int to, char* out) {
  size_t a = (size_t)from - 1, b = std::min((size_t)to, len);
  while (a < b && line[a] == ' ') ++a;
  while (b > a && line[b - 1] == ' ') --b;
  size_t n = b > a ? b - a : 0;
  memcpy(out, line + a, n);
  out[n] = '\0';
  return n;
}

// Columns from..to hold exactly the text, blanks around it aside.
template <size_t N>
bool boColsAre(const char* line, size_t len, int from, int to, const char (&text)[N]) {
  char buf[kRecordSize + 2];
  return uCols(line, len, from, to, buf) == N - 1 && memcmp(buf, text, N - 1) == 0;
}

// An item out of a line's block into out (room for 9 bytes): at most its
// length (and 15) characters, blanks cut, at most 8 kept; nothing for a
// column outside the block.
void vM5GetPiItem(const M5PiItem& item, const char* line, size_t len, char* out) {
  out[0] = '\0';
  if (item.iColumn < 0 || item.iColumn >= kBlockSize || item.iLength <= 0) return;
  int n = item.iLength > 15 ? 15 : item.iLength;
  char buf[16];
  size_t got = uCols(line, len, kBlockCol + 1 + item.iColumn, kBlockCol + item.iColumn + n, buf);
  got = std::min(got, (size_t)8);
  memcpy(out, buf, got);
  out[got] = '\0';
}

// The number text of a value whose unit begins with "m", else empty, into
// out (room for 15 bytes).
void vM5ValueIfMetres(const char* line, size_t len, int numberCol, int unitCol, char* out) {
  char unit[5];
  out[0] = '\0';
  if (uCols(line, len, unitCol, unitCol + 3, unit) && unit[0] == 'm') uCols(line, len, numberCol, numberCol + 13, out);
}

M5PiItem* pItem(M5PiLayout* l, int i) { return &l->items[i]; }

INT_PTR CALLBACK iM5PiDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  M5PiLayout* l = (M5PiLayout*)GetWindowLongPtrA(hDlg, DWLP_USER);
  if (msg == WM_INITDIALOG) {
    l = (M5PiLayout*)lParam;
    SetWindowLongPtrA(hDlg, DWLP_USER, (LONG_PTR)l);
    SetDlgItemTextA(hDlg, IDOK, sKvxPoGetText("OK"));
    SetDlgItemTextA(hDlg, IDCANCEL, sKvxPoGetText("Cancel"));
    SetDlgItemInt(hDlg, IDC_M5_PI_NO, (UINT)l->iPiNo, TRUE);
    for (int i = 0; i < M5_ITEM_COUNT; i++) {
      SetDlgItemInt(hDlg, IDC_M5_LINE_COL + 2 * i, (UINT)pItem(l, i)->iColumn, TRUE);
      SetDlgItemInt(hDlg, IDC_M5_LINE_COL + 2 * i + 1, (UINT)pItem(l, i)->iLength, TRUE);
    }
    return TRUE;
  }
  if (msg != WM_COMMAND || !l) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
      l->iPiNo = (int)GetDlgItemInt(hDlg, IDC_M5_PI_NO, nullptr, TRUE);
      for (int i = 0; i < M5_ITEM_COUNT; i++) {
        pItem(l, i)->iColumn = (int)GetDlgItemInt(hDlg, IDC_M5_LINE_COL + 2 * i, nullptr, TRUE);
        pItem(l, i)->iLength = (int)GetDlgItemInt(hDlg, IDC_M5_LINE_COL + 2 * i + 1, nullptr, TRUE);
      }
      EndDialog(hDlg, IDOK);
      return TRUE;
    case IDCANCEL:
      EndDialog(hDlg, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

bool boM5GetPiLayout(const char* sIniPath, M5PiLayout* l) {
  char value[200] = "";
  GetPrivateProfileStringA("KvxMbo", "ZeissM5PI", "", value, sizeof value, sIniPath);
  memset(l, 0, sizeof *l);
  M5PiItem* it = l->items;
  sscanf(value, "%d,%d, %d,%d, %d,%d, %d,%d, %d,%d, %d,%d, PI=%d", &it[0].iColumn, &it[0].iLength, &it[1].iColumn,
         &it[1].iLength, &it[2].iColumn, &it[2].iLength, &it[3].iColumn, &it[3].iLength, &it[4].iColumn, &it[4].iLength,
         &it[5].iColumn, &it[5].iLength, &l->iPiNo);
  if (DialogBoxParamA(g_hMboInstance, MAKEINTRESOURCEA(IDD_MBO_M5_PI), GetActiveWindow(), iM5PiDlgProc, (LPARAM)l) !=
      IDOK)
    return false;
  l->iPiNo = l->iPiNo >= 10 ? 10 : l->iPiNo < 2 ? 1 : l->iPiNo;
  char out[200];
  snprintf(out, sizeof out, "%d,%d, %d,%d, %d,%d, %d,%d, %d,%d, %d,%d, PI=%d", it[0].iColumn, it[0].iLength,
           it[1].iColumn, it[1].iLength, it[2].iColumn, it[2].iLength, it[3].iColumn, it[3].iLength, it[4].iColumn,
           it[4].iLength, it[5].iColumn, it[5].iLength, l->iPiNo);
  WritePrivateProfileStringA("KvxMbo", "ZeissM5PI", out, sIniPath);
  return true;
}

bool boM5WriteRaw(uint32_t hRaw) {
  M5PiLayout l;
  if (!g_pMboPoints || !boM5GetPiLayout(g_mboTransfer.sIniPath, &l)) return false;
  const MboSettings& set = g_mboTransfer.settings;
  int number = 0, skipped = 0;
  bool boOk = true;
  // What every record holds, with and without Z: blanks, the fixed texts and
  // the PI number ("For M5|Adr%5d|PI%d" without the running number). A point
  // then only adds its own columns.
  char tmpl[2][kRecordSize + 2];
  char buf[16];
  memset(tmpl[0], ' ', kRecordSize);
  tmpl[0][kRecordSize] = '\r';
  tmpl[0][kRecordSize + 1] = '\n';
  vPutLit(tmpl[0], 1, "For M5|Adr");
  vPutLit(tmpl[0], 17, "|PI");
  vPut(tmpl[0], 20, sNumIntToStr(buf, l.iPiNo, nullptr));
  vPutLit(tmpl[0], 49, "|X");
  vPutLit(tmpl[0], 68, "m");
  vPutLit(tmpl[0], 72, "|Y");
  vPutLit(tmpl[0], 91, "m");
  vPutLit(tmpl[0], 95, "|");
  memcpy(tmpl[1], tmpl[0], sizeof tmpl[1]);
  vPutLit(tmpl[1], 96, "Z");
  vPutLit(tmpl[1], 114, "m");
  vPutLit(tmpl[1], 118, "|");
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    GeoPnt3 at;
    uint32_t has = uMboPointPlace(p, &at);
    if (!(has & MBO_FLAG_XY)) continue;
    bool boZ = (has & MBO_FLAG_Z) != 0;
    // The record (with its CR LF) is put together where it is written.
    char local[kRecordSize + 2];
    char* rec = pMboWriteBegin(hRaw, sizeof local, local);
    memcpy(rec, tmpl[boZ], sizeof local);
    // A value wider than its columns would shift the record: the point is
    // left out and counted.
    if (!boPutValue(rec, 53, at.y - set.iEO) || !boPutValue(rec, 76, at.x - set.iNO) ||
        (boZ && !boPutValue(rec, 99, at.z))) {
      skipped++;
      continue;
    }
    // The running number has five columns (12-16, right-justified over the
    // blanks): it wraps rather than shifting.
    char* digit = rec + 16;
    for (int n = ++number % 100000;;) {
      *--digit = (char)('0' + n % 10);
      if (!(n /= 10)) break;
    }
    PidPlace parts[3];  // the ID's parts at once, without copies
    vPidSplitPlaces(sMboGetPointPID(p), parts);
    vPutItem(rec, l.items[M5_AREA], parts[0].p, parts[0].n);
    vPutItem(rec, l.items[M5_GROUP], parts[1].p, parts[1].n);
    vPutItem(rec, l.items[M5_PNO], parts[2].p, parts[2].n);
    const char* code = sMboPointGetField(p);
    vPutItem(rec, l.items[M5_FCODE], code ? code : "", code ? (int)strnlen(code, kBlockSize) : 0);
    boOk = boMboWriteEnd(hRaw, rec, sizeof local) && boOk;
  }
  if (skipped)
    vMsgWarning(sStrFormat(sKvxPoGetText("%d points not written: a value is too wide for the M5 format"), skipped));
  return boOk && boMboWriteOk();
}

bool boM5ReadRaw(uint32_t hRaw, uint32_t hSide) {
  M5PiLayout l;
  if (!boM5GetPiLayout(g_mboTransfer.sIniPath, &l)) return false;
  vMboLineCommand(8, "", "");
  vMboLineCommand(18, "", "");
  char line[kRecordSize + 2];
  bool boPrevArc = false;
  int lineNo = 0;
  while (boMboReadLineCounted(line, sizeof line, hRaw, hSide, &lineNo)) {
    const size_t len = strlen(line);
    if (strncmp(line, "For", 3) != 0 || !boColsAre(line, len, 5, 6, "M5") || boColsAre(line, len, 119, 119, "~"))
      continue;
    // The three values' types: "X", "Y" or "Z" (or anything else).
    const int typeCols[3] = {50, 73, 96};
    char types[3][3];
    for (int i = 0; i < 3; i++) uCols(line, len, typeCols[i], typeCols[i] + 1, types[i]);
    auto is = [](const char* t, char c) { return t[0] == c && !t[1]; };
    if (!is(types[0], 'X') && !is(types[1], 'X') && !is(types[2], 'X')) continue;
    if (boColsAre(line, len, 18, 19, "PI")) {
      char lineNo[9], geometry[9], item[9];
      vM5GetPiItem(l.items[M5_LINE], line, len, lineNo);
      vM5GetPiItem(l.items[M5_GEOMETRY], line, len, geometry);
      vM5GetPiItem(l.items[M5_AREA], line, len, item);
      vMboSetJobName(item);
      vM5GetPiItem(l.items[M5_GROUP], line, len, item);
      vMboSetAreaName(item);
      if (strcmp(lineNo, "0") == 0) lineNo[0] = '\0';
      if (lineNo[0])
        vMboLineSetLineNo(lineNo);
      else
        vMboLineCommand(11, "", "");
      bool boArc = geometry[0] == 'A';
      if (boArc && boPrevArc) vMboLineCommand(3, "", "");
      boPrevArc = boArc;
      vM5GetPiItem(l.items[M5_PNO], line, len, item);
      vMboRecSetPointName(item);
      vM5GetPiItem(l.items[M5_FCODE], line, len, item);
      vMboRecSetCode(item);
    }
    const int numberCols[3] = {53, 76, 99}, unitCols[3] = {68, 91, 114};
    for (int i = 0; i < 3; i++) {
      int item = is(types[i], 'X')   ? MBO_REC_NORTH
                 : is(types[i], 'Y') ? MBO_REC_EAST
                 : is(types[i], 'Z') ? MBO_REC_Z
                                     : 0;
      if (!item) continue;
      char value[16];
      vM5ValueIfMetres(line, len, numberCols[i], unitCols[i], value);
      vMboRecSetCoord(item, value);
    }
    vMboFlushPending();
  }
  return false;
}
