// Every dialog template and string table of the module. Add one line per
// table (with its extern declaration) above the terminating entries.
#include "resources/resource.h"
#include "resources/strings_instruments.h"

const ResDialog* const g_resDialogs[] = {
    nullptr,
};

const ResStringTable g_resStringTables[] = {
    {g_resInstrumentStrings, RES_INSTRUMENT_STRING_COUNT},
    {nullptr, 0},
};
