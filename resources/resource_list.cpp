// Every dialog template and string table of the module. Add one line per
// table (with its extern declaration) above the terminating entries.
#include "resources/resource.h"

const ResDialog* const g_resDialogs[] = {
    nullptr,
};

const ResStringTable g_resStringTables[] = {
    {nullptr, 0},
};
