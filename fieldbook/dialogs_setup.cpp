// The setup and serial-port setup dialogs.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/cnvtable.h"
#include "base/filedialog.h"
#include "base/paths.h"
#include "base/rtdialog.h"
#include "base/text.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/dialogs.h"
#include "fieldbook/hostrec.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/settings.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"
#include "resources/dialogs_transfer.h"

namespace {

// Controls of the setup dialog.
enum {
  SETUP_INSTRUMENT = 203,
  SETUP_LABEL_INSTRUMENT = 204,
  SETUP_THEODOLITE = 120,
  SETUP_LEVELLER = 119,
  SETUP_SATELLITE = 1056,
  SETUP_COORDINATE = 1065,
  SETUP_CORRECTION = 118,
  SETUP_FCONV = 205,
  SETUP_PCONV = 206,
  SETUP_CONSTRAW = 1036,
  SETUP_ELLH = 1058,
  SETUP_EO = 1037,
  SETUP_NO = 1038,
  SETUP_COM1 = 301,
  SETUP_COM4 = 304,
  SETUP_FEATURE_TABLE = 1028,
  SETUP_POINT_TABLE = 1029,
  SETUP_FORMAT = 1059,
  SETUP_SERIAL = 111,
};

// Controls of the serial dialog.
enum {
  SERIAL_PORT = 1049,
  SERIAL_BAUD = 1046,
  SERIAL_PARITY = 1047,
  SERIAL_BITS = 1051,
  SERIAL_STOP = 1048,
};

// The host's enumerators are called at most this often per fill: a host
// that never says "no more" cannot hang the dialog.
const int kMaxEnumCalls = 10000;
// Where the number stands in an item of combo 203 ("%-75s%d").
const int kInstrumentNumberColumn = 75;

struct SetupState {
  MboSettings* pRecord;
  MboSettings copy;
  bool boExport;
  char sRawFileName[MBO_PATH_SIZE];  // restored on Cancel
};

const char* tr(const char* english) { return sKvxPoGetText(english); }

void vSetTexts(HWND hDlg, const char* caption, const int* ids, const char* const* texts, int n) {
  SetWindowTextA(hDlg, tr(caption));
  for (int i = 0; i < n; i++) SetDlgItemTextA(hDlg, ids[i], tr(texts[i]));
}

// The number of the selected "%d %s" item; false when none is selected.
bool boSelectedNumber(HWND hDlg, int id, uint32_t* puValue) {
  int sel = iDlgComboCurSel(hDlg, id);
  if (sel < 0) return false;
  char text[400];
  vDlgComboGetText(hDlg, id, sel, text, sizeof text);
  *puValue = (uint32_t)atoi(text);
  return true;
}

// The instrument number of combo 203's selection; false when none.
bool boSelectedInstrument(HWND hDlg, uint32_t* puInstrument) {
  int sel = iDlgComboCurSel(hDlg, SETUP_INSTRUMENT);
  if (sel < 0) return false;
  char text[400];
  vDlgComboGetText(hDlg, SETUP_INSTRUMENT, sel, text, sizeof text);
  *puInstrument = strlen(text) > (size_t)kInstrumentNumberColumn ? (uint32_t)atoi(text + kInstrumentNumberColumn) : 0;
  return true;
}

// Adds "%d %s" and selects it when it is the current number.
void vAddNumbered(HWND hDlg, int id, int number, char* name, uint32_t uCurrent) {
  name[49] = 0;
  char item[80];
  sStrPrintN(item, sizeof item, "%d %s", number, name);
  vDlgComboAdd(hDlg, id, item);
  if ((uint32_t)number == uCurrent) boDlgComboSetCurSel(hDlg, id, iDlgComboCount(hDlg, id) - 1);
}

void vFillHostCombos(HWND hDlg, const MboSettings* s) {
  const int ids[] = {SETUP_THEODOLITE, SETUP_LEVELLER, SETUP_SATELLITE, SETUP_COORDINATE, SETUP_CORRECTION};
  for (int id : ids) vDlgComboReset(hDlg, id);
  const MboHostRec* host = s->pHost;
  if (host && host->pfnInstrumentEnum) {
    for (int i = 0; i < kMaxEnumCalls; i++) {
      int kind = 0, number = 0;
      char name[50] = "";
      if (!host->pfnInstrumentEnum(i == 0, &kind, &number, name, sizeof name)) break;
      switch (kind) {
        case 1:
          vAddNumbered(hDlg, SETUP_THEODOLITE, number, name, s->uTheodoliteNo);
          break;
        case 7:
          vAddNumbered(hDlg, SETUP_LEVELLER, number, name, s->uLevellerNo);
          break;
        case 9:
          vAddNumbered(hDlg, SETUP_SATELLITE, number, name, s->uSatelliteNo);
          break;
        case 8:
          vAddNumbered(hDlg, SETUP_COORDINATE, number, name, s->uCoordinateNo);
          break;
        default:
          break;
      }
    }
  }
  if (host && host->pfnCorrCodeEnum) {
    for (int i = 0; i < kMaxEnumCalls; i++) {
      int number = 0;
      char name[50] = "";
      if (!host->pfnCorrCodeEnum(i == 0, &number, name, sizeof name)) break;
      vAddNumbered(hDlg, SETUP_CORRECTION, number, name, s->uCorrCode);
    }
  }
}

bool boHasPointNumberConversion(uint32_t uInstrument) {
  switch (uInstrument) {
    case 67:
    case 80:
    case 92:
    case 94:
    case 95:
      return true;
    default:
      return false;
  }
}

void vCheckPort(HWND hDlg, uint32_t uPort) {
  for (int id = SETUP_COM1; id <= SETUP_COM4; id++)
    CheckDlgButton(hDlg, id, (uint32_t)(id - SETUP_COM1 + 1) == uPort ? BST_CHECKED : BST_UNCHECKED);
}

// The highest checked port radio, 0 when none.
uint32_t uCheckedPort(HWND hDlg) {
  for (int id = SETUP_COM4; id >= SETUP_COM1; id--)
    if (IsDlgButtonChecked(hDlg, id) == BST_CHECKED) return (uint32_t)(id - SETUP_COM1 + 1);
  return 0;
}

void vShowOffset(HWND hDlg, int id, int32_t value) {
  char text[32];
  sStrPrintN(text, sizeof text, "%ld", (long)value);
  SetDlgItemTextA(hDlg, id, text);
}

// atol of at most 128 characters, held to the record's 32 bits.
int32_t iReadOffset(HWND hDlg, int id) {
  char text[129];
  GetDlgItemTextA(hDlg, id, text, sizeof text);
  long long v = atoll(text);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return (int32_t)v;
}

void vRefreshSetup(HWND hDlg, const MboSettings* s) {
  vFillHostCombos(hDlg, s);
  vCheckPort(hDlg, s->com.uPort);
  vShowOffset(hDlg, SETUP_EO, s->iEO);
  vShowOffset(hDlg, SETUP_NO, s->iNO);
  CheckDlgButton(hDlg, SETUP_FCONV, s->uFconv ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hDlg, SETUP_PCONV, s->uPconv ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hDlg, SETUP_CONSTRAW, s->uConstRaw ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hDlg, SETUP_ELLH, s->uEllH ? BST_CHECKED : BST_UNCHECKED);
  bool pconv = boHasPointNumberConversion(s->uInstrument);
  if (!pconv) CheckDlgButton(hDlg, SETUP_PCONV, BST_UNCHECKED);
  vDlgShow(hDlg, SETUP_PCONV, pconv);
  vDlgShow(hDlg, SETUP_POINT_TABLE, pconv);
  int instrument = (int)s->uInstrument;
  bool serial = boMboCanReceive(instrument) || boMboCanSend(instrument);
  vDlgEnable(hDlg, SETUP_SERIAL, serial);
  for (int id = SETUP_COM1; id <= SETUP_COM4; id++) vDlgEnable(hDlg, id, serial);
  vDlgEnable(hDlg, SETUP_FORMAT, instrument == 27 || instrument == 31);
}

void vEditTable(CnvTable* table, const char* help, const char* iniPath, const char* section) {
  if (!table) return;
  if (boCnvTabDialog(table, help, tr("Korvax"), tr("Fieldbook"))) vCnvTabWrite(table, iniPath, section);
}

void vChooseGeoidFolder(const MboSettings* s) {
  char folder[kPathSize] = "";
  boKvxInifGet(s->sIniPath, "MboFormatOptions", "LeicaDbxGeoideModelPath", folder, sizeof folder);
  char chosen[kPathSize];
  if (sFileDlgBrowseFolder(tr("APPLY GEOIDEMODEL PATH"), folder, chosen, sizeof chosen))
    vKvxInifPut(s->sIniPath, "MboFormatOptions", "LeicaDbxGeoideModelPath", chosen);
}

void vSetupOk(HWND hDlg, SetupState* st) {
  MboSettings* s = &st->copy;
  uint32_t instrument;
  if (!boSelectedInstrument(hDlg, &instrument)) return;  // nothing chosen: the dialog stays open
  s->uInstrument = instrument;
  s->iEO = iReadOffset(hDlg, SETUP_EO);
  s->iNO = iReadOffset(hDlg, SETUP_NO);
  // A combo without a selection (no host enumerator) keeps the value.
  boSelectedNumber(hDlg, SETUP_THEODOLITE, &s->uTheodoliteNo);
  boSelectedNumber(hDlg, SETUP_LEVELLER, &s->uLevellerNo);
  boSelectedNumber(hDlg, SETUP_SATELLITE, &s->uSatelliteNo);
  boSelectedNumber(hDlg, SETUP_COORDINATE, &s->uCoordinateNo);
  boSelectedNumber(hDlg, SETUP_CORRECTION, &s->uCorrCode);
  s->uFconv = boDlgIsChecked(hDlg, SETUP_FCONV);
  s->uPconv = boDlgIsChecked(hDlg, SETUP_PCONV);
  s->uConstRaw = boDlgIsChecked(hDlg, SETUP_CONSTRAW);
  s->uEllH = boDlgIsChecked(hDlg, SETUP_ELLH);
  s->com.uPort = uCheckedPort(hDlg);
  *st->pRecord = *s;
  if (s->uConstRaw) boMboSetRawFilePath("TMP");
  boMboSetRawFileExt(sMboRawFileExtension((int)s->uInstrument));
  sStrCopyN(g_mboTransfer.sRawFileName, g_mboTransfer.sRawPath, MBO_PATH_SIZE);
  EndDialog(hDlg, 1);
}

INT_PTR CALLBACK SetupProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  SetupState* st = (SetupState*)GetWindowLongPtrA(hDlg, DWLP_USER);
  if (msg == WM_INITDIALOG) {
    st = (SetupState*)lParam;
    SetWindowLongPtrA(hDlg, DWLP_USER, (LONG_PTR)st);
    static const int ids[] = {IDOK, IDCANCEL, IDHELP, 204,  116,  115,  113,  1066, 114,
                              107,  111,      1036,   1028, 1029, 1054, 1055, 1058, 1059};
    static const char* const texts[] = {"OK",
                                        "Cancel",
                                        "Help",
                                        "Fieldbook",
                                        "Theodolite",
                                        "Leveller",
                                        "Satellite vector",
                                        "Coordinate obs.",
                                        "Correction",
                                        "Serial port",
                                        "Setup",
                                        "User fixed raw name",
                                        "Featurecode convert...",
                                        "Point no. convert...",
                                        "X-offset (m)",
                                        "Y-offset (m)",
                                        "Ellipsoidial heights in fieldbook",
                                        "Format setup..."};
    vSetTexts(hDlg, "Fieldbook setup", ids, texts, (int)(sizeof ids / sizeof ids[0]));
    st->copy = *st->pRecord;
    vMboFillInstrumentCombo(hDlg, (int)st->copy.uInstrument, st->boExport);
    vRefreshSetup(hDlg, &st->copy);
    return TRUE;
  }
  if (msg != WM_COMMAND || !st) return FALSE;
  switch (LOWORD(wParam)) {
    case SETUP_INSTRUMENT: {
      uint32_t instrument;
      if (HIWORD(wParam) != CBN_SELENDOK || !boSelectedInstrument(hDlg, &instrument)) return TRUE;
      st->copy.uInstrument = instrument;  // Load reads the record's instrument
      vMboSettingsLoad(&st->copy, false);
      vRefreshSetup(hDlg, &st->copy);
      return TRUE;
    }
    case SETUP_FEATURE_TABLE:
      vEditTable(g_mboTransfer.settings.pFeatureTab, "DlgMBO_CONVERT_THEME", st->copy.sIniPath, "MboCnvTheme");
      return TRUE;
    case SETUP_POINT_TABLE:
      vEditTable(g_mboTransfer.settings.pPointTab, "DlgMBO_CONVERT_POINT", st->copy.sIniPath, "MboCnvPnt");
      return TRUE;
    case SETUP_FORMAT:
      vChooseGeoidFolder(&st->copy);
      return TRUE;
    case SETUP_SERIAL:
      st->copy.com.uPort = uCheckedPort(hDlg);
      if (boMboRunSerialSetupDialog(&st->copy, hDlg)) vCheckPort(hDlg, st->copy.com.uPort);
      return TRUE;
    case IDOK:
      vSetupOk(hDlg, st);
      return TRUE;
    case IDCANCEL:
      EndDialog(hDlg, 0);
      return TRUE;
    case IDHELP:
      boMboShowHelp("DlgMBO_SETTINGS");
      return TRUE;
  }
  return FALSE;
}

const char* const kBauds[] = {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400"};
const char* const kParities[] = {"none", "odd", "even"};
const char* const kBits[] = {"7", "8"};
const char* const kStops[] = {"1", "1.5", "2"};

void vFillList(HWND hDlg, int id, const char* const* items, int n, int select) {
  vDlgComboReset(hDlg, id);
  for (int i = 0; i < n; i++) vDlgComboAdd(hDlg, id, items[i]);
  if (select >= 0 && select < n) boDlgComboSetCurSel(hDlg, id, select);
}

INT_PTR CALLBACK SerialProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  ComPortSettings* com = (ComPortSettings*)GetWindowLongPtrA(hDlg, DWLP_USER);
  if (msg == WM_INITDIALOG) {
    com = (ComPortSettings*)lParam;
    SetWindowLongPtrA(hDlg, DWLP_USER, (LONG_PTR)com);
    static const int ids[] = {IDOK, IDCANCEL, IDHELP, 204, 113, 114, 107};
    static const char* const texts[] = {"OK", "Cancel", "Help", "Baurate", "Bits", "Parity", "Stop bits"};
    vSetTexts(hDlg, "Serial port setup", ids, texts, (int)(sizeof ids / sizeof ids[0]));
    vDlgComboReset(hDlg, SERIAL_PORT);
    for (int i = 1; i <= 4; i++) {
      char item[16];
      vDlgComboAdd(hDlg, SERIAL_PORT, sStrPrintN(item, sizeof item, "COM%d:", i));
    }
    boDlgComboSetCurSel(hDlg, SERIAL_PORT, (int)com->uPort - 1);
    int baud = -1;
    for (int i = 0; i < 10; i++)
      if ((uint32_t)atoi(kBauds[i]) == com->uBaud) baud = i;
    vFillList(hDlg, SERIAL_BAUD, kBauds, 10, baud);
    vFillList(hDlg, SERIAL_PARITY, kParities, 3, (int)com->uParity);
    vFillList(hDlg, SERIAL_BITS, kBits, 2, com->uBits == 7 ? 0 : 1);
    vFillList(hDlg, SERIAL_STOP, kStops, 3, (int)com->uStop);
    return TRUE;
  }
  if (msg != WM_COMMAND || !com) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK: {
      // Each value only from a selection: an empty combo keeps what was set.
      int i = iDlgComboCurSel(hDlg, SERIAL_BAUD);
      if (i >= 0) com->uBaud = (uint32_t)atoi(kBauds[i]);
      if ((i = iDlgComboCurSel(hDlg, SERIAL_PORT)) >= 0) com->uPort = (uint32_t)i + 1;
      if ((i = iDlgComboCurSel(hDlg, SERIAL_PARITY)) >= 0) com->uParity = (uint32_t)i;
      if ((i = iDlgComboCurSel(hDlg, SERIAL_BITS)) >= 0) com->uBits = i == 1 ? 8 : 7;
      if ((i = iDlgComboCurSel(hDlg, SERIAL_STOP)) >= 0) com->uStop = (uint32_t)i;
      EndDialog(hDlg, 1);
      return TRUE;
    }
    case IDCANCEL:
      EndDialog(hDlg, 0);
      return TRUE;
    case IDHELP:
      boMboShowHelp("DlgMBO_SERIALSETUP");
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void vMboShowLastErrorBox(void) {
  DWORD err = GetLastError();
  char text[512] = "";
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err,
                      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr))
    text[0] = 0;
  MessageBoxA(nullptr, text, "GetLastError", MB_OK | MB_ICONINFORMATION);
}

bool boMboRunSettingsDialog(MboSettings* pSet, HWND hParent, bool boExport) {
  SetupState st = {};
  st.pRecord = pSet;
  st.boExport = boExport;
  sStrCopyN(st.sRawFileName, g_mboTransfer.sRawFileName, sizeof st.sRawFileName);
  INT_PTR rc = DialogBoxParamA(g_hMboInstance, MAKEINTRESOURCEA(IDD_MBO_SETUP), hParent, SetupProc, (LPARAM)&st);
  if (rc == 1) {
    vMboSettingsSave(pSet);
    return true;
  }
  // Another instrument chosen and then Cancel: its remembered name must go.
  sStrCopyN(g_mboTransfer.sRawFileName, st.sRawFileName, MBO_PATH_SIZE);
  if (rc == -1) vMboShowLastErrorBox();
  return false;
}

bool boMboRunSerialSetupDialog(MboSettings* pSet, HWND hParent) {
  INT_PTR rc =
      DialogBoxParamA(g_hMboInstance, MAKEINTRESOURCEA(IDD_MBO_SERIAL), hParent, SerialProc, (LPARAM)&pSet->com);
  if (rc == -1) vMboShowLastErrorBox();
  return rc == 1;
}
