// Every dialog template and string table of the module. Add one line per
// table (with its extern declaration) above the terminating entries.
#include "resources/dialogs_transfer.h"
#include "resources/dlg_geodat_io.h"
#include "resources/dlg_m5.h"
#include "resources/resource.h"
#include "resources/strings_instruments.h"

const ResDialog* const g_resDialogs[] = {
    &g_resDlgSetup, &g_resDlgImport, &g_resDlgExport, &g_resDlgSerial, &g_resDlgGeodatIo, &g_resDlgM5Pi, nullptr,
};

const ResStringTable g_resStringTables[] = {
    {g_resInstrumentStrings, RES_INSTRUMENT_STRING_COUNT},
    {nullptr, 0},
};
