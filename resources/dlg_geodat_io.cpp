// Dialog 107 "Geodat IO": job or area files, the instrument file name with
// its list, list, delete, the transfer button and the status line.
#include "resources/dlg_geodat_io.h"

namespace {

const ResControl kControls[] = {
    {"BUTTON", "Jobbfiler", 301, WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 0, 10, 10, 70, 10},
    {"BUTTON", "Arealfiler", 302, WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 90, 10, 70, 10},
    {"COMBOBOX", "", 1024, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 10, 28, 150, 80},
    {"BUTTON", "Liste", 1023, WS_VISIBLE | WS_TABSTOP, 0, 170, 27, 50, 14},
    {"BUTTON", "Slett fil", 1025, WS_VISIBLE | WS_TABSTOP, 0, 170, 45, 50, 14},
    {"BUTTON", "Hent", 1022, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 70, 60, 14},
    {"BUTTON", "Lukk", IDOK, WS_VISIBLE | WS_TABSTOP, 0, 160, 70, 60, 14},
    {"STATIC", "", 1006, WS_VISIBLE | SS_LEFT, 0, 10, 92, 210, 10},
};

}  // namespace

const ResDialog g_resDlgGeodatIo = {IDD_MBO_GEODAT_IO,
                                    "Geodat IO",
                                    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                    0,
                                    20,
                                    20,
                                    230,
                                    108,
                                    "MS Sans Serif",
                                    8,
                                    kControls,
                                    (int)(sizeof kControls / sizeof kControls[0])};
