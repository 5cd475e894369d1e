// The LandXML family's shared state and its reader entry.
#include "xml/landxml.h"

#include "fieldbook/catalogue.h"

int LxmlDialect = LXML_DIALECT_PLAIN;

// The reader is not built yet.
int iLxmlReadRaw(uint32_t, uint32_t, int) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER) ? 1 : 0; }
