// Dialog 113 "Trimble DiNi (M5 format)": the PI number, then column and
// length of each item of the information block.
#include "resources/dlg_m5.h"

#include <iterator>

namespace {

const ResControl kControls[] = {
    {"STATIC", "Split M5-format PI information block to Korvax point ID", -1, kResLabel, 0, 10, 6, 220, 10},
    {"STATIC", "PI", -1, kResLabel, 0, 10, 22, 60, 10},
    {"EDIT", "", IDC_M5_PI_NO, kResEdit, 0, 80, 20, 30, 12},
    {"STATIC", "Column (0 is first column)", -1, kResLabel, 0, 80, 38, 100, 10},
    {"STATIC", "Line", -1, kResLabel, 0, 10, 54, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 0, kResEdit, 0, 80, 52, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 1, kResEdit, 0, 120, 52, 30, 12},
    {"STATIC", "Geometry", -1, kResLabel, 0, 10, 70, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 2, kResEdit, 0, 80, 68, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 3, kResEdit, 0, 120, 68, 30, 12},
    {"STATIC", "Area", -1, kResLabel, 0, 10, 86, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 4, kResEdit, 0, 80, 84, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 5, kResEdit, 0, 120, 84, 30, 12},
    {"STATIC", "Group", -1, kResLabel, 0, 10, 102, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 6, kResEdit, 0, 80, 100, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 7, kResEdit, 0, 120, 100, 30, 12},
    {"STATIC", "Pno", -1, kResLabel, 0, 10, 118, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 8, kResEdit, 0, 80, 116, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 9, kResEdit, 0, 120, 116, 30, 12},
    {"STATIC", "Fcode", -1, kResLabel, 0, 10, 134, 60, 10},
    {"EDIT", "", IDC_M5_LINE_COL + 10, kResEdit, 0, 80, 132, 30, 12},
    {"EDIT", "", IDC_M5_LINE_COL + 11, kResEdit, 0, 120, 132, 30, 12},
    {"BUTTON", "OK", IDOK, kResDefButton, 0, 10, 152, 50, 14},
    {"BUTTON", "Cancel", IDCANCEL, kResButton, 0, 70, 152, 50, 14},
    {"BUTTON", "Help", 9, kResButton, 0, 130, 152, 50, 14},
};

}  // namespace

const ResDialog g_resDlgM5Pi = {
    IDD_MBO_M5_PI, "Trimble DiNi (M5 format)", kResDialog, 0, 20, 20, 240, 174, "MS Sans Serif", 8,
    kControls,     (int)std::size(kControls)};
