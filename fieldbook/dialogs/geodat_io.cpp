// The Geodat IO dialog. See geodat_io.h.
#include "fieldbook/dialogs/geodat_io.h"

#include "fieldbook/transfer.h"

#include <initializer_list>

#include "base/text.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/transfer_context.h"
#include "instruments/geodat_serial.h"
#include "fieldbook/transfer.h"
#include "kvxlib.h"
#include "resources/dlg_geodat_io.h"

namespace {

enum {
  IDC_JOB_FILES = 301,
  IDC_AREA_FILES = 302,
  IDC_STATUS = 1006,
  IDC_ACTION = 1022,
  IDC_LIST = 1023,
  IDC_NAME = 1024,
  IDC_DELETE = 1025,
};

// The longest instrument file name taken from the combo.
const int kNameSize = 129;

struct GeodatIoState {
  int iDirection;  // 1 send, 0 receive
  bool boRunning;
  HWND hPrevStatus;  // the status window before this dialog became it
};
GeodatIoState g_geodatIo;

int iModel(void) { return (int)g_mboTransfer.settings.uInstrument; }

void vShow(HWND hDlg, int iId, bool boShow) { ShowWindow(GetDlgItem(hDlg, iId), boShow ? SW_SHOW : SW_HIDE); }
void vEnable(HWND hDlg, int iId, bool boOn) { EnableWindow(GetDlgItem(hDlg, iId), boOn ? TRUE : FALSE); }

void vSetControls(HWND hDlg) {
  int iMod = iModel();
  bool boIdle = !g_geodatIo.boRunning;
  bool boList = iMod == MBO_INSTR_GEODAT_402;
  bool boDelete = iMod == MBO_INSTR_GEODAT_402 || iMod == MBO_INSTR_GEODAT_400;
  vShow(hDlg, IDC_LIST, boList);
  vShow(hDlg, IDC_DELETE, boDelete);
  vEnable(hDlg, IDC_LIST, boList && boIdle);
  vEnable(hDlg, IDC_DELETE, boDelete && boIdle);
  if (boDelete) {
    vEnable(hDlg, IDC_JOB_FILES, boIdle);
    vEnable(hDlg, IDC_AREA_FILES, boIdle);
  } else {
    if (iMod >= MBO_INSTR_GEODAT_126 && iMod <= MBO_INSTR_GEODIMETER_B) {
      // These models have no file commands: no mode to choose.
      for (int iId : {IDC_JOB_FILES, IDC_AREA_FILES}) {
        vEnable(hDlg, iId, false);
        CheckDlgButton(hDlg, iId, BST_UNCHECKED);
      }
    }
    SendDlgItemMessageA(hDlg, IDC_NAME, CB_SHOWDROPDOWN, FALSE, 0);
  }
  vEnable(hDlg, IDOK, boIdle);
  const char* sAction = !boIdle ? "Stop" : g_geodatIo.iDirection ? "Send" : "Receive";
  SetDlgItemTextA(hDlg, IDC_ACTION, sKvxPoGetText(sAction));
}

int iModeFromRadios(HWND hDlg) {
  if (IsDlgButtonChecked(hDlg, IDC_JOB_FILES) == BST_CHECKED) return 1;
  if (IsDlgButtonChecked(hDlg, IDC_AREA_FILES) == BST_CHECKED) return 2;
  return 0;
}

// The mode of the radios, 0 when the name is empty; the name into sName.
int iModeAndName(HWND hDlg, char* sName) {
  GetDlgItemTextA(hDlg, IDC_NAME, sName, kNameSize);
  return sName[0] ? iModeFromRadios(hDlg) : 0;
}

void vTransfer(HWND hDlg) {
  g_geodatIo.boRunning = true;
  vSetControls(hDlg);
  vMboSetAbort(false);
  char sName[kNameSize];
  int iMode = iModeAndName(hDlg, sName);
  g_mboTransfer.uGeodatMode = (uint32_t)iMode;
  int iMod = iModel();
  if (g_geodatIo.iDirection) {
    // Every Send sends the whole raw file, not what an earlier one left.
    if (g_mboTransfer.hRaw) {
      vMboReleaseLineBuffer(g_mboTransfer.hRaw);
      _llseek((HFILE)g_mboTransfer.hRaw, 0, 0);
    }
    if (MboSenderFn pSend = pMboGetSender(iMod)) pSend(sName);
  } else if (MboReceiverFn pReceive = pMboGetReceiver(iMod)) {
    pReceive(sName);
  }
  g_geodatIo.boRunning = false;
  vSetControls(hDlg);
}

// List (1023) and delete (1025): the model's file command with the mode.
void vFileCommand(HWND hDlg, int iCommand) {
  g_geodatIo.boRunning = true;
  vSetControls(hDlg);
  vMboSetAbort(false);  // a Stop or Escape before must not end this at once
  char sName[kNameSize];
  int iMod = iModel();
  if (iCommand == IDC_LIST) {
    if (iMod == MBO_INSTR_GEODAT_402) vGeodatListFiles(iModeFromRadios(hDlg));
  } else {
    int iMode = iModeAndName(hDlg, sName);
    if (iMod == MBO_INSTR_GEODAT_402 || iMod == MBO_INSTR_GEODAT_400) vGeodatDeleteFile(iMode, sName);
  }
  g_geodatIo.boRunning = false;
  vSetControls(hDlg);
}

void vInit(HWND hDlg, int iDirection) {
  g_geodatIo.iDirection = iDirection;
  g_geodatIo.boRunning = false;
  g_geodatIo.hPrevStatus = hMboGetStatusWindow();
  vMboSetStatusWindow(hDlg);
  char sName[kNameSize];
  vMboInstrumentName(iModel(), sName, (int)sizeof sName);
  SetWindowTextA(hDlg, sStrFormat(sKvxPoGetText(iDirection ? "Send data to: %s" : "Get data from: %s"), sName));
  const struct {
    int iId;
    const char* sText;
  } kTexts[] = {
      {IDOK, "Close"},    {IDC_ACTION, "Get"},        {IDC_JOB_FILES, "Job files"}, {IDC_AREA_FILES, "Area files"},
      {IDC_LIST, "List"}, {IDC_DELETE, "Delete file"}};
  for (const auto& t : kTexts) SetDlgItemTextA(hDlg, t.iId, sKvxPoGetText(t.sText));
  CheckRadioButton(hDlg, IDC_JOB_FILES, IDC_AREA_FILES, IDC_JOB_FILES);
  vSetControls(hDlg);
}

INT_PTR CALLBACK GeodatIoProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_INITDIALOG:
      vInit(hDlg, (int)lParam);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ACTION:
          if (g_geodatIo.boRunning) {
            vMboSetAbort(true);
            g_geodatIo.boRunning = false;
          } else {
            vTransfer(hDlg);
          }
          return TRUE;
        case IDC_LIST:
        case IDC_DELETE:
          vFileCommand(hDlg, LOWORD(wParam));
          return TRUE;
        case IDOK:
          vMboSetStatusWindow(g_geodatIo.hPrevStatus);
          EndDialog(hDlg, 1);
          return TRUE;
        case IDCANCEL:
          vMboSetAbort(true);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

HWND hFileList(void) {
  HWND hDlg = hMboGetStatusWindow();
  return hDlg ? GetDlgItem(hDlg, IDC_NAME) : nullptr;
}

}  // namespace

int iMboRunGeodatIoDialog(int iDirection, HWND hParent) {
  return (int)DialogBoxParamA(g_hMboInstance, MAKEINTRESOURCEA(IDD_MBO_GEODAT_IO), hParent, GeodatIoProc,
                              (LPARAM)iDirection);
}

void vMboGeodatIoClearFiles(void) {
  if (HWND hList = hFileList()) {
    SendMessageA(hList, CB_RESETCONTENT, 0, 0);
    SendMessageA(hList, CB_SHOWDROPDOWN, FALSE, 0);
  }
}

void vMboGeodatIoAddFile(const char* sName) {
  if (HWND hList = hFileList()) {
    SendMessageA(hList, CB_ADDSTRING, 0, (LPARAM)sName);
    SendMessageA(hList, CB_SHOWDROPDOWN, TRUE, 0);
  }
}
