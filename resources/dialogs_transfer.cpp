#include "resources/dialogs_transfer.h"

#include <iterator>

namespace {

const DWORD kDialog = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
const DWORD kButton = BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP;
const DWORD kDefButton = BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP;
const DWORD kCheck = BS_AUTOCHECKBOX | WS_VISIBLE | WS_TABSTOP;
const DWORD kRadio = BS_AUTORADIOBUTTON | WS_VISIBLE;
const DWORD kCombo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_VISIBLE | WS_TABSTOP;
const DWORD kLabel = SS_LEFT | WS_VISIBLE;
const DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_VISIBLE | WS_TABSTOP;
const DWORD kGroup = BS_GROUPBOX | WS_VISIBLE;

const ResControl kSetup[] = {
    {"STATIC", "M\xE5lebok", 204, kLabel, 0, 7, 9, 60, 8},
    {"COMBOBOX", "", 203, kCombo, 0, 70, 7, 170, 120},
    {"STATIC", "Teodolitt", 116, kLabel, 0, 7, 27, 60, 8},
    {"COMBOBOX", "", 120, kCombo, 0, 70, 25, 170, 100},
    {"STATIC", "Nivellerer", 115, kLabel, 0, 7, 43, 60, 8},
    {"COMBOBOX", "", 119, kCombo, 0, 70, 41, 170, 100},
    {"STATIC", "Satellittvektor", 113, kLabel, 0, 7, 59, 60, 8},
    {"COMBOBOX", "", 1056, kCombo, 0, 70, 57, 170, 100},
    {"STATIC", "Koordinatobs.", 1066, kLabel, 0, 7, 75, 60, 8},
    {"COMBOBOX", "", 1065, kCombo, 0, 70, 73, 170, 100},
    {"STATIC", "Korreksjon", 114, kLabel, 0, 7, 91, 60, 8},
    {"COMBOBOX", "", 118, kCombo, 0, 70, 89, 170, 100},
    {"BUTTON", "Temakodekonvertering", 205, kCheck, 0, 7, 110, 120, 10},
    {"BUTTON", "Konverter...", 1028, kButton, 0, 140, 108, 100, 14},
    {"BUTTON", "Punktnummerkonvertering", 206, kCheck, 0, 7, 126, 120, 10},
    {"BUTTON", "Konverter...", 1029, kButton, 0, 140, 124, 100, 14},
    {"BUTTON",
     "Fast r\xE5"
     "filnavn",
     1036, kCheck, 0, 7, 142, 120, 10},
    {"BUTTON", "Ellipsoidiske h\xF8yder i m\xE5lebok", 1058, kCheck, 0, 7, 158, 160, 10},
    {"STATIC", "X-tillegg (m)", 1054, kLabel, 0, 7, 176, 60, 8},
    {"EDIT", "", 1037, kEdit, 0, 70, 174, 60, 12},
    {"STATIC", "Y-tillegg (m)", 1055, kLabel, 0, 7, 192, 60, 8},
    {"EDIT", "", 1038, kEdit, 0, 70, 190, 60, 12},
    {"BUTTON", "Serieport", 107, kGroup, 0, 250, 7, 70, 96},
    {"BUTTON", "COM1", 301, kRadio | WS_GROUP | WS_TABSTOP, 0, 258, 20, 50, 10},
    {"BUTTON", "COM2", 302, kRadio, 0, 258, 34, 50, 10},
    {"BUTTON", "COM3", 303, kRadio, 0, 258, 48, 50, 10},
    {"BUTTON", "COM4", 304, kRadio, 0, 258, 62, 50, 10},
    {"BUTTON", "Oppsett", 111, kButton | WS_GROUP, 0, 258, 80, 54, 14},
    {"BUTTON", "Formatoppsett...", 1059, kButton, 0, 250, 110, 70, 14},
    {"BUTTON", "OK", IDOK, kDefButton, 0, 250, 150, 70, 14},
    {"BUTTON", "Avbryt", IDCANCEL, kButton, 0, 250, 168, 70, 14},
    {"BUTTON", "Hjelp", IDHELP, kButton, 0, 250, 186, 70, 14},
};

const ResControl kSerial[] = {
    {"STATIC", "Port", -1, kLabel, 0, 7, 9, 50, 8},
    {"COMBOBOX", "", 1049, kCombo, 0, 60, 7, 70, 80},
    {"STATIC", "Hastighet", 204, kLabel, 0, 7, 27, 50, 8},
    {"COMBOBOX", "", 1046, kCombo, 0, 60, 25, 70, 120},
    {"STATIC", "Paritet", 114, kLabel, 0, 7, 45, 50, 8},
    {"COMBOBOX", "", 1047, kCombo, 0, 60, 43, 70, 60},
    {"STATIC", "Bits", 113, kLabel, 0, 7, 63, 50, 8},
    {"COMBOBOX", "", 1051, kCombo, 0, 60, 61, 70, 60},
    {"STATIC", "Stoppbits", 107, kLabel, 0, 7, 81, 50, 8},
    {"COMBOBOX", "", 1048, kCombo, 0, 60, 79, 70, 60},
    {"BUTTON", "OK", IDOK, kDefButton, 0, 140, 7, 50, 14},
    {"BUTTON", "Avbryt", IDCANCEL, kButton, 0, 140, 25, 50, 14},
    {"BUTTON", "Hjelp", IDHELP, kButton, 0, 140, 43, 50, 14},
};

const ResControl kImport[] = {
    {"BUTTON",
     "R\xE5"
     "fil...",
     1035, kButton, 0, 7, 7, 70, 14},
    {"STATIC", "", 1034, kLabel | SS_NOPREFIX, 0, 84, 10, 230, 8},
    {"BUTTON",
     "Hent r\xE5"
     "data",
     203, kButton, 0, 7, 30, 90, 14},
    {"BUTTON",
     "Tolk r\xE5"
     "data",
     205, kButton, 0, 7, 48, 90, 14},
    {"BUTTON",
     "Vis r\xE5"
     "data...",
     207, kButton, 0, 110, 30, 90, 14},
    {"BUTTON", "Adm data...", 208, kButton, 0, 110, 48, 90, 14},
    {"BUTTON", "Oppsett...", 111, kButton, 0, 213, 30, 90, 14},
    {"STATIC", "", 1006, kLabel | SS_NOPREFIX, 0, 7, 70, 300, 20},
    {"BUTTON", "Lagre", IDOK, kDefButton, 0, 100, 98, 60, 14},
    {"BUTTON", "Avbryt", IDCANCEL, kButton, 0, 170, 98, 60, 14},
    {"BUTTON", "Hjelp", IDHELP, kButton, 0, 240, 98, 60, 14},
};

const ResControl kExport[] = {
    {"BUTTON",
     "R\xE5"
     "fil...",
     1035, kButton, 0, 7, 7, 70, 14},
    {"STATIC", "", 1034, kLabel | SS_NOPREFIX, 0, 84, 10, 230, 8},
    {"BUTTON",
     "Lag r\xE5"
     "data",
     1012, kButton, 0, 7, 30, 90, 14},
    {"BUTTON",
     "Overf\xF8r r\xE5"
     "data",
     1013, kButton, 0, 7, 48, 90, 14},
    {"BUTTON",
     "Vis r\xE5"
     "data...",
     207, kButton, 0, 110, 30, 90, 14},
    {"BUTTON", "Oppsett...", 111, kButton, 0, 213, 30, 90, 14},
    {"STATIC", "", 1006, kLabel | SS_NOPREFIX, 0, 7, 70, 300, 20},
    {"BUTTON", "OK", IDOK, kDefButton, 0, 100, 98, 60, 14},
    {"BUTTON", "Avbryt", IDCANCEL, kButton, 0, 170, 98, 60, 14},
    {"BUTTON", "Hjelp", IDHELP, kButton, 0, 240, 98, 60, 14},
};

}  // namespace

const ResDialog g_resDlgSetup = {IDD_MBO_SETUP, "M\xE5lebok oppsett",  kDialog, 0, 0, 0, 327, 210, "MS Sans Serif", 8,
                                 kSetup,        (int)std::size(kSetup)};
const ResDialog g_resDlgImport = {
    IDD_MBO_IMPORT, "Import fra m\xE5lebok", kDialog, 0, 0, 0, 320, 120, "MS Sans Serif", 8,
    kImport,        (int)std::size(kImport)};
const ResDialog g_resDlgExport = {IDD_MBO_EXPORT,
                                  "Eksport av koordinater til m\xE5lebok",
                                  kDialog,
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
    IDD_MBO_SERIAL, "Serie port oppsett",   kDialog, 0, 0, 0, 200, 100, "MS Sans Serif", 8,
    kSerial,        (int)std::size(kSerial)};
