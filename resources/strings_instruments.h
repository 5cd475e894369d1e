// The instrument texts of the module's string table (ids 5121 onward): each
// starts with the instrument number, the name follows from index 3 on.
#pragma once

#define IDS_MBO_INSTRUMENT_BASE 5120

// The text of a string id of this table, or null when the table has none.
const char* sResInstrumentString(unsigned id);
