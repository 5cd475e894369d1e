// Stand-in for the MAXML reader in builds without the XML formats: it warns
// that its role is not available and fails.
#include "fieldbook/catalogue.h"
#include "xml/maxml.h"

int iMaxmlReadFile(const char*) { return boMboRoleUnavailable(MBO_ROLE_FILE_READER) ? 1 : 0; }
