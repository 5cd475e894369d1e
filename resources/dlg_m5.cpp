// Dialog 113 "Trimble DiNi (M5 format)": the PI number, then column and
// length of each item of the information block.
#include "resources/dlg_m5.h"

namespace {

const ResControl kControls[] = {
    {"STATIC", "Split M5-format PI information block to Korvax point ID", -1, WS_VISIBLE | SS_LEFT, 0, 10, 6, 220, 10},
    {"STATIC", "PI", -1, WS_VISIBLE | SS_LEFT, 0, 10, 22, 60, 10},
    {"EDIT", "", IDC_M5_PI_NO, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 80, 20, 30, 12},
    {"STATIC", "Column (0 is first column)", -1, WS_VISIBLE | SS_LEFT, 0, 80, 38, 100, 10},
    {"STATIC", "Line", -1, WS_VISIBLE | SS_LEFT, 0, 10, 54, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 0, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 80, 52, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 1, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 120, 52, 30, 12},
    {"STATIC", "Geometry", -1, WS_VISIBLE | SS_LEFT, 0, 10, 70, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 2, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 80, 68, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 3, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 120, 68, 30, 12},
    {"STATIC", "Area", -1, WS_VISIBLE | SS_LEFT, 0, 10, 86, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 4, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 80, 84, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 5, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 120, 84, 30, 12},
    {"STATIC", "Group", -1, WS_VISIBLE | SS_LEFT, 0, 10, 102, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 6, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 80, 100, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 7, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 120, 100, 30, 12},
    {"STATIC", "Pno", -1, WS_VISIBLE | SS_LEFT, 0, 10, 118, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 8, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 80, 116, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 9, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 120, 116, 30, 12},
    {"STATIC", "Fcode", -1, WS_VISIBLE | SS_LEFT, 0, 10, 134, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 10, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 80, 132, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 11, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 120, 132, 30, 12},
    {"BUTTON", "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 152, 50, 14},
    {"BUTTON", "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 70, 152, 50, 14},
    {"BUTTON", "Help", 9, WS_VISIBLE | WS_TABSTOP, 0, 130, 152, 50, 14},
};

}  // namespace

const ResDialog g_resDlgM5Pi = {IDD_MBO_M5_PI,
                                "Trimble DiNi (M5 format)",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                0,
                                20,
                                20,
                                240,
                                174,
                                "MS Sans Serif",
                                8,
                                kControls,
                                (int)(sizeof kControls / sizeof kControls[0])};
