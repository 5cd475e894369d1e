#include "resources/dialogs_transfer.h"

#include <iterator>

namespace {

const ResControl kSetup[] = {
    {"STATIC", "M\xE5lebok", 204, kResLabel, 0, 7, 9, 60, 8},
    {"COMBOBOX", "", 203, kResCombo, 0, 70, 7, 170, 120},
    {"STATIC", "Teodolitt", 116, kResLabel, 0, 7, 27, 60, 8},
    {"COMBOBOX", "", 120, kResCombo, 0, 70, 25, 170, 100},
    {"STATIC", "Nivellerer", 115, kResLabel, 0, 7, 43, 60, 8},
    {"COMBOBOX", "", 119, kResCombo, 0, 70, 41, 170, 100},
    {"STATIC", "Satellittvektor", 113, kResLabel, 0, 7, 59, 60, 8},
    {"COMBOBOX", "", 1056, kResCombo, 0, 70, 57, 170, 100},
    {"STATIC", "Koordinatobs.", 1066, kResLabel, 0, 7, 75, 60, 8},
    {"COMBOBOX", "", 1065, kResCombo, 0, 70, 73, 170, 100},
    {"STATIC", "Korreksjon", 114, kResLabel, 0, 7, 91, 60, 8},
    {"COMBOBOX", "", 118, kResCombo, 0, 70, 89, 170, 100},
    {"BUTTON", "Temakodekonvertering", 205, kResCheck, 0, 7, 110, 120, 10},
    {"BUTTON", "Konverter...", 1028, kResButton, 0, 140, 108, 100, 14},
    {"BUTTON", "Punktnummerkonvertering", 206, kResCheck, 0, 7, 126, 120, 10},
    {"BUTTON", "Konverter...", 1029, kResButton, 0, 140, 124, 100, 14},
    {"BUTTON",
     "Fast r\xE5"
     "filnavn",
     1036, kResCheck, 0, 7, 142, 120, 10},
    {"BUTTON", "Ellipsoidiske h\xF8yder i m\xE5lebok", 1058, kResCheck, 0, 7, 158, 160, 10},
    {"STATIC", "X-tillegg (m)", 1054, kResLabel, 0, 7, 176, 60, 8},
    {"EDIT", "", 1037, kResEdit, 0, 70, 174, 60, 12},
    {"STATIC", "Y-tillegg (m)", 1055, kResLabel, 0, 7, 192, 60, 8},
    {"EDIT", "", 1038, kResEdit, 0, 70, 190, 60, 12},
    {"BUTTON", "Serieport", 107, kResGroup, 0, 250, 7, 70, 96},
    {"BUTTON", "COM1", 301, kResRadio | WS_GROUP | WS_TABSTOP, 0, 258, 20, 50, 10},
    {"BUTTON", "COM2", 302, kResRadio, 0, 258, 34, 50, 10},
    {"BUTTON", "COM3", 303, kResRadio, 0, 258, 48, 50, 10},
    {"BUTTON", "COM4", 304, kResRadio, 0, 258, 62, 50, 10},
    {"BUTTON", "Oppsett", 111, kResButton | WS_GROUP, 0, 258, 80, 54, 14},
    {"BUTTON", "Formatoppsett...", 1059, kResButton, 0, 250, 110, 70, 14},
    {"BUTTON", "OK", IDOK, kResDefButton, 0, 250, 150, 70, 14},
    {"BUTTON", "Avbryt", IDCANCEL, kResButton, 0, 250, 168, 70, 14},
    {"BUTTON", "Hjelp", IDHELP, kResButton, 0, 250, 186, 70, 14},
};

const ResControl kSerial[] = {
    {"STATIC", "Port", -1, kResLabel, 0, 7, 9, 50, 8},
    {"COMBOBOX", "", 1049, kResCombo, 0, 60, 7, 70, 80},
    {"STATIC", "Hastighet", 204, kResLabel, 0, 7, 27, 50, 8},
    {"COMBOBOX", "", 1046, kResCombo, 0, 60, 25, 70, 120},
    {"STATIC", "Paritet", 114, kResLabel, 0, 7, 45, 50, 8},
    {"COMBOBOX", "", 1047, kResCombo, 0, 60, 43, 70, 60},
    {"STATIC", "Bits", 113, kResLabel, 0, 7, 63, 50, 8},
    {"COMBOBOX", "", 1051, kResCombo, 0, 60, 61, 70, 60},
    {"STATIC", "Stoppbits", 107, kResLabel, 0, 7, 81, 50, 8},
    {"COMBOBOX", "", 1048, kResCombo, 0, 60, 79, 70, 60},
    {"BUTTON", "OK", IDOK, kResDefButton, 0, 140, 7, 50, 14},
    {"BUTTON", "Avbryt", IDCANCEL, kResButton, 0, 140, 25, 50, 14},
    {"BUTTON", "Hjelp", IDHELP, kResButton, 0, 140, 43, 50, 14},
};

const ResControl kImport[] = {
    {"BUTTON",
     "R\xE5"
     "fil...",
     1035, kResButton, 0, 7, 7, 70, 14},
    {"STATIC", "", 1034, kResLabel | SS_NOPREFIX, 0, 84, 10, 230, 8},
    {"BUTTON",
     "Hent r\xE5"
     "data",
     203, kResButton, 0, 7, 30, 90, 14},
    {"BUTTON",
     "Tolk r\xE5"
     "data",
     205, kResButton, 0, 7, 48, 90, 14},
    {"BUTTON",
     "Vis r\xE5"
     "data...",
     207, kResButton, 0, 110, 30, 90, 14},
    {"BUTTON", "Adm data...", 208, kResButton, 0, 110, 48, 90, 14},
    {"BUTTON", "Oppsett...", 111, kResButton, 0, 213, 30, 90, 14},
    {"STATIC", "", 1006, kResLabel | SS_NOPREFIX, 0, 7, 70, 300, 20},
    {"BUTTON", "Lagre", IDOK, kResDefButton, 0, 100, 98, 60, 14},
    {"BUTTON", "Avbryt", IDCANCEL, kResButton, 0, 170, 98, 60, 14},
    {"BUTTON", "Hjelp", IDHELP, kResButton, 0, 240, 98, 60, 14},
};

const ResControl kExport[] = {
    {"BUTTON",
     "R\xE5"
     "fil...",
     1035, kResButton, 0, 7, 7, 70, 14},
    {"STATIC", "", 1034, kResLabel | SS_NOPREFIX, 0, 84, 10, 230, 8},
    {"BUTTON",
     "Lag r\xE5"
     "data",
     1012, kResButton, 0, 7, 30, 90, 14},
    {"BUTTON",
     "Overf\xF8r r\xE5"
     "data",
     1013, kResButton, 0, 7, 48, 90, 14},
    {"BUTTON",
     "Vis r\xE5"
     "data...",
     207, kResButton, 0, 110, 30, 90, 14},
    {"BUTTON", "Oppsett...", 111, kResButton, 0, 213, 30, 90, 14},
    {"STATIC", "", 1006, kResLabel | SS_NOPREFIX, 0, 7, 70, 300, 20},
    {"BUTTON", "OK", IDOK, kResDefButton, 0, 100, 98, 60, 14},
    {"BUTTON", "Avbryt", IDCANCEL, kResButton, 0, 170, 98, 60, 14},
    {"BUTTON", "Hjelp", IDHELP, kResButton, 0, 240, 98, 60, 14},
};

}  // namespace

const ResDialog g_resDlgSetup = {
    IDD_MBO_SETUP, "M\xE5lebok oppsett",  kResDialog, 0, 0, 0, 327, 210, "MS Sans Serif", 8,
    kSetup,        (int)std::size(kSetup)};
const ResDialog g_resDlgImport = {
    IDD_MBO_IMPORT, "Import fra m\xE5lebok", kResDialog, 0, 0, 0, 320, 120, "MS Sans Serif", 8,
    kImport,        (int)std::size(kImport)};
const ResDialog g_resDlgExport = {IDD_MBO_EXPORT,
                                  "Eksport av koordinater til m\xE5lebok",
                                  kResDialog,
                                  0,
                                  0,
                                  0,
                                  320,
                                  120,
                                  "MS Sans Serif",
                                  8,
                                  kExport,
                                  (int)std::size(kExport)};
const ResDialog g_resDlgSerial = {
    IDD_MBO_SERIAL, "Serie port oppsett",   kResDialog, 0, 0, 0, 200, 100, "MS Sans Serif", 8,
    kSerial,        (int)std::size(kSerial)};
