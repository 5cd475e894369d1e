// The instrument texts of the module's string table (ids 5121 onward): each
// starts with the instrument number, the name follows from index 3 on.
#pragma once

#include "resources/resource.h"

#define IDS_MBO_INSTRUMENT_BASE 5120
#define RES_INSTRUMENT_STRING_COUNT 46

extern const ResString g_resInstrumentStrings[RES_INSTRUMENT_STRING_COUNT];
