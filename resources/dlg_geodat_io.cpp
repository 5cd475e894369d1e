// Dialog 107 "Geodat IO": job or area files, the instrument file name with
// its list, list, delete, the transfer button and the status line.
#include "resources/dlg_geodat_io.h"

#include <iterator>

namespace {

const ResControl kControls[] = {
    {"BUTTON", "Jobbfiler", 301, WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 0, 10, 10, 70, 10},
    {"BUTTON", "Arealfiler", 302, kResRadio, 0, 90, 10, 70, 10},
    {"COMBOBOX", "", 1024, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 10, 28, 150, 80},
    {"BUTTON", "Liste", 1023, kResButton, 0, 170, 27, 50, 14},
    {"BUTTON", "Slett fil", 1025, kResButton, 0, 170, 45, 50, 14},
    {"BUTTON", "Hent", 1022, kResDefButton, 0, 10, 70, 60, 14},
    {"BUTTON", "Lukk", IDOK, kResButton, 0, 160, 70, 60, 14},
    {"STATIC", "", 1006, kResLabel, 0, 10, 92, 210, 10},
};

}  // namespace

const ResDialog g_resDlgGeodatIo = {
    IDD_MBO_GEODAT_IO,        "Geodat IO", kResDialog, 0, 20, 20, 230, 108, "MS Sans Serif", 8, kControls,
    (int)std::size(kControls)};
