// The import and export dialogs and the two exports that run them.
#include <cstring>

#include "base/filedialog.h"
#include "base/msgbox.h"
#include "base/paths.h"
#include "base/rtdialog.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/completion.h"
#include "fieldbook/dialogs.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/settings.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"
#include "resources/dialogs_transfer.h"
#include "xml/dbx.h"

namespace {

// Controls both dialogs share.
enum {
  XFER_RAW_FILE = 1035,
  XFER_RAW_PATH = 1034,
  XFER_EDIT_RAW = 207,
  XFER_SETUP = 111,
  XFER_STATUS = 1006,
};
// Controls of the import dialog.
enum {
  IMPORT_GET = 203,
  IMPORT_INTERPRET = 205,
  IMPORT_ADM = 208,
};
// Controls of the export dialog.
enum {
  EXPORT_CREATE = 1012,
  EXPORT_TRANSFER = 1013,
};

struct TransferDlgState {
  MboSettings* pRecord;
  bool boExport;
  bool boInterpreted;  // data was read since the last Get raw data or Interpret
  bool boRunning;      // a receive or send is under way (the button reads "Stop")
  bool boBusy;         // inside the operation: only Stop and close requests count
};

const int kImportButtons[] = {IMPORT_GET, IMPORT_INTERPRET, XFER_EDIT_RAW, IMPORT_ADM, XFER_SETUP, XFER_RAW_FILE,
                              IDOK,       IDCANCEL,         IDHELP};
const int kExportButtons[] = {EXPORT_CREATE, EXPORT_TRANSFER, XFER_EDIT_RAW, XFER_SETUP, XFER_RAW_FILE,
                              IDOK,          IDCANCEL,        IDHELP};

const char* tr(const char* english) { return sKvxPoGetText(english); }

int iInstrumentOf(const TransferDlgState* st) { return (int)st->pRecord->uInstrument; }

void vEnableButtons(HWND hDlg, const TransferDlgState* st, bool boEnable, int iExcept) {
  const int* ids = st->boExport ? kExportButtons : kImportButtons;
  int n = st->boExport ? (int)(sizeof kExportButtons / sizeof(int)) : (int)(sizeof kImportButtons / sizeof(int));
  for (int i = 0; i < n; i++)
    if (ids[i] != iExcept) EnableWindow(GetDlgItem(hDlg, ids[i]), boEnable);
}

void vRefreshTitle(HWND hDlg, const TransferDlgState* st) {
  char name[129] = "";
  vMboInstrumentName(iInstrumentOf(st), name, sizeof name);
  SetWindowTextA(hDlg, st->boExport ? sStrFormat("%s %s", tr("Export of coordinates to fieldbook"), name)
                                    : sStrFormat("%s: %s", tr("Import from fieldbook"), name));
  SetDlgItemTextA(hDlg, XFER_RAW_PATH, g_mboTransfer.sRawPath);
  SetDlgItemTextA(hDlg, XFER_STATUS, "");
}

void vRefreshControls(HWND hDlg, const TransferDlgState* st) {
  int instrument = iInstrumentOf(st);
  bool rawExists = boMboFileExists(g_mboTransfer.sRawPath);
  vEnableButtons(hDlg, st, true, 0);
  vDlgEnable(hDlg, XFER_EDIT_RAW, rawExists);
  if (st->boExport) {
    vDlgShow(hDlg, EXPORT_TRANSFER, boMboCanSend(instrument));
    vDlgEnable(hDlg, EXPORT_TRANSFER, rawExists);
    vDlgShow(hDlg, EXPORT_CREATE, boMboCanWrite(instrument));
    return;
  }
  vDlgEnable(hDlg, IDOK, st->boInterpreted);
  vDlgShow(hDlg, IMPORT_GET, boMboCanReceive(instrument));
  vDlgShow(hDlg, IMPORT_INTERPRET, boMboCanRead(instrument));
  vDlgEnable(hDlg, IMPORT_INTERPRET, rawExists);
  char base[10];
  if (!*sPathGetBaseName(g_mboTransfer.sRawPath, base, sizeof base)) {
    vDlgEnable(hDlg, IMPORT_GET, false);
    vDlgEnable(hDlg, IMPORT_INTERPRET, false);
  }
  vDlgEnable(hDlg, IMPORT_ADM, boMboFileExists(g_mboTransfer.sSidePath));
}

HCURSOR hWaitCursor() { return SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

// Get raw data / Transfer raw data: the serial operation with its button
// reading "Stop" meanwhile. Pressed again while it runs, it stops it.
void vRunSerial(HWND hDlg, TransferDlgState* st, int iButton) {
  if (st->boBusy) {
    vMboSetAbort(true);
    st->boRunning = false;
    return;
  }
  if (!st->boExport && boMboFileExists(g_mboTransfer.sRawPath) &&
      !boMsgOkCancel(sStrFormat(tr("Overwrite file:\n%s"), g_mboTransfer.sRawPath), true))
    return;
  char text[100];
  GetDlgItemTextA(hDlg, iButton, text, sizeof text);
  SetDlgItemTextA(hDlg, iButton, tr("Stop"));
  if (!st->boExport) st->boInterpreted = false;
  vEnableButtons(hDlg, st, false, iButton);
  HCURSOR old = hWaitCursor();
  st->boRunning = st->boBusy = true;
  bool ok = st->boExport ? boMboSendRawFile(&g_mboTransfer.settings, nullptr)
                         : boMboReceiveRawFile(&g_mboTransfer.settings, nullptr);
  if (ok && !g_mboTransfer.uAbort)
    SetDlgItemTextA(hDlg, XFER_STATUS, tr(st->boExport ? "Data is written" : "Data is read"));
  SetCursor(old);
  vEnableButtons(hDlg, st, true, 0);
  SetDlgItemTextA(hDlg, iButton, text);
  st->boRunning = st->boBusy = false;
}

void vInterpret(HWND hDlg, TransferDlgState* st) {
  st->boInterpreted = false;
  vEnableButtons(hDlg, st, false, 0);
  HCURSOR old = hWaitCursor();
  st->boBusy = true;
  if (boMboReadRawFile(&g_mboTransfer.settings)) {
    st->boInterpreted = true;
    SetDlgItemTextA(hDlg, XFER_STATUS,
                    sStrFormat("%s:%d %s:%d %s:%d %s:%d %s:%d\n%s:%d %s:%d %s:%d", tr("Points"), iMboCountPoints(),
                               tr("Observations"), iMboCountTsObs(), tr("Line vertecies"), iMboCountLineVertices(),
                               tr("Polygon vertecies"), iMboCountPolygonVertices(), tr("Trianglenets"),
                               iMboCountTriangleNets(), tr("Niveller"), iMboCountLevObs(), tr("GPS Vectors"),
                               iMboCountGpsObs(), tr("Coord.obs"), iMboCountCoordObs()));
  }
  st->boBusy = false;
  vEnableButtons(hDlg, st, true, 0);
  SetCursor(old);
}

void vCreateRaw(HWND hDlg, TransferDlgState* st) {
  HCURSOR old = hWaitCursor();
  vEnableButtons(hDlg, st, false, 0);
  st->boBusy = true;
  bool ok = boMboWriteRawFile(&g_mboTransfer.settings);
  st->boBusy = false;
  SetDlgItemTextA(hDlg, XFER_STATUS, ok ? tr("Data converted") : "");
  vEnableButtons(hDlg, st, true, 0);
  SetCursor(old);
}

// Raw file...: the user picks the raw file; for the DBX entries a DBX job
// is converted first and its XML file becomes the raw file.
void vPickRawFile(HWND hDlg, TransferDlgState* st) {
  int instrument = iInstrumentOf(st);
  const char* instrExt = sMboRawFileExtension(instrument);
  char filter[100], start[kPathSize];
  vMboBuildFileFilter(filter, sizeof filter, sPathGetExtTemp(g_mboTransfer.sRawFileName), instrExt);
  sPathCurDir(start, sizeof start);
  if (*start && !boPathIsSep(start[strlen(start) - 1])) sStrCatN(start, "\\", sizeof start);
  const char* chosen = sFileDlgOpen(tr("RAW DATA FILES"), 0, start, filter, nullptr);
  if (!chosen) return;
  char path[kPathSize];
  sStrCopyN(path, chosen, sizeof path);
  // A name typed without extension gets the instrument's, unless that is a
  // wildcard ("ss?", "*"): then the name is taken as typed.
  if (!pPathFindExtDot(path) && !strpbrk(sStrNotNull(instrExt), "*?")) vPathSetExt(path, instrExt);
  if (!st->boExport && (instrument == 27 || instrument == 31) && iStrCmpNoCase(sPathGetExtTemp(path), "xcf") == 0) {
    const char* xml = instrument == 27 ? sMboHeXmlConvertDbx(path) : sMboDbx2LandXmlConvert(path);
    if (!xml) return;
    sStrCopyN(path, xml, sizeof path);  // a scratch text: copied before anything else runs
  }
  sStrCopyN(g_mboTransfer.sRawFileName, path, MBO_PATH_SIZE);
  boMboSetRawFilePath(path);
  vMboSettingsSave(st->pRecord);
  vRefreshTitle(hDlg, st);
}

void vInitTransferDialog(HWND hDlg, TransferDlgState* st) {
  static const int importIds[] = {XFER_RAW_FILE, IMPORT_GET, IMPORT_INTERPRET, XFER_EDIT_RAW, IMPORT_ADM,
                                  XFER_SETUP,    IDOK,       IDCANCEL,         IDHELP};
  static const char* const importTexts[] = {"Raw file...", "Get raw data", "Interpret raw data",
                                            "Edit raw...", "Adm data...",  "Setup...",
                                            "Save",        "Cancel",       "Help"};
  static const int exportIds[] = {XFER_RAW_FILE, EXPORT_CREATE, EXPORT_TRANSFER, XFER_EDIT_RAW,
                                  XFER_SETUP,    IDOK,          IDCANCEL,        IDHELP};
  static const char* const exportTexts[] = {
      "Raw file...", "Create raw data", "Transfer raw data", "Edit raw...", "Setup...", "OK", "Cancel", "Help"};
  const int* ids = st->boExport ? exportIds : importIds;
  const char* const* texts = st->boExport ? exportTexts : importTexts;
  int n = st->boExport ? (int)(sizeof exportIds / sizeof(int)) : (int)(sizeof importIds / sizeof(int));
  for (int i = 0; i < n; i++) SetDlgItemTextA(hDlg, ids[i], tr(texts[i]));
  st->boInterpreted = st->boRunning = st->boBusy = false;
  g_mboTransfer.settings = *st->pRecord;
  vMboSetStatusWindow(hDlg);
  vRefreshTitle(hDlg, st);
  vRefreshControls(hDlg, st);
}

// One command; false when the dialog procedure does not handle it.
bool boTransferCommand(HWND hDlg, TransferDlgState* st, int id) {
  // While an operation runs (in a nested message loop), only Stop counts;
  // a close request (Cancel, Escape, the close box) stops it too.
  if (st->boBusy) {
    if (id == IDCANCEL || (st->boRunning && id == (st->boExport ? (int)EXPORT_TRANSFER : (int)IMPORT_GET))) {
      vMboSetAbort(true);
      st->boRunning = false;
    }
    return true;
  }
  switch (id) {
    case IMPORT_GET:
      if (st->boExport) return false;
      vRunSerial(hDlg, st, IMPORT_GET);
      break;
    case IMPORT_INTERPRET:
      if (st->boExport) return false;
      vInterpret(hDlg, st);
      break;
    case EXPORT_CREATE:
      if (!st->boExport) return false;
      vCreateRaw(hDlg, st);
      break;
    case EXPORT_TRANSFER:
      if (!st->boExport) return false;
      vRunSerial(hDlg, st, EXPORT_TRANSFER);
      break;
    case XFER_EDIT_RAW:
      WinExec(sStrFormat("notepad %s", g_mboTransfer.sRawPath), SW_SHOWNORMAL);
      break;
    case IMPORT_ADM:
      if (st->boExport) return false;
      WinExec(sStrFormat("notepad %s", g_mboTransfer.sSidePath), SW_SHOWNORMAL);
      break;
    case XFER_RAW_FILE:
      vPickRawFile(hDlg, st);
      break;
    case XFER_SETUP:
      if (boMboRunSettingsDialog(st->pRecord, hDlg, st->boExport)) {
        g_mboTransfer.settings = *st->pRecord;
        vRefreshTitle(hDlg, st);
      }
      break;
    case IDOK:
      if (!st->boExport) {
        if (!st->boInterpreted) break;
        if (st->pRecord->uEllH) vMboConvertHeightsByGeoid();
        vMboResolveElmCoords();
      }
      EndDialog(hDlg, 1);
      return true;
    case IDCANCEL:
      EndDialog(hDlg, 0);
      return true;
    case IDHELP:
      boMboShowHelp(st->boExport ? "DlgMBO_DATA_TO" : "DlgMBO_DATA_FROM");
      break;
    default:
      return false;
  }
  vRefreshControls(hDlg, st);
  return true;
}

INT_PTR CALLBACK TransferDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  TransferDlgState* st = (TransferDlgState*)GetWindowLongPtrA(hDlg, DWLP_USER);
  switch (msg) {
    case WM_INITDIALOG:
      st = (TransferDlgState*)lParam;
      SetWindowLongPtrA(hDlg, DWLP_USER, (LONG_PTR)st);
      vInitTransferDialog(hDlg, st);
      return TRUE;
    case WM_COMMAND:
      return st && boTransferCommand(hDlg, st, LOWORD(wParam)) ? TRUE : FALSE;
  }
  return FALSE;
}

// Builds the context, runs the dialog, tears it down.
BOOL iRunTransferDialog(MboHostRec* host, bool boExport) {
  if (!boMboFieldBookReady()) return 0;
  MboSettings set;
  if (!boMboSetupTransfer(&set, host)) return 0;
  TransferDlgState st = {&set, boExport, false, false, false};
  INT_PTR rc = DialogBoxParamA(g_hMboInstance, MAKEINTRESOURCEA(boExport ? IDD_MBO_EXPORT : IDD_MBO_IMPORT),
                               GetActiveWindow(), TransferDlgProc, (LPARAM)&st);
  if (rc == -1) vMboShowLastErrorBox();
  vMboSetStatusWindow(nullptr);
  vMboTeardownTransfer(&set);
  g_mboTransfer.settings.pHost = nullptr;
  return rc == 1 ? 1 : 0;
}

}  // namespace

BOOL boKvxMboRead(MboHostRec* host) {
  try {
    return iRunTransferDialog(host, false);
  } catch (...) {
    return 0;
  }
}

BOOL boKvxMboWrite(MboHostRec* host) {
  try {
    return iRunTransferDialog(host, true);
  } catch (...) {
    return 0;
  }
}
