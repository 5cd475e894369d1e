// Stand-in for the JobXML reader in builds without the XML formats: it warns
// that its role is not available and fails.
#include "fieldbook/catalogue.h"
#include "xml/jobxml.h"

bool boJxlReadFile(const char*) { return boMboRoleUnavailable(MBO_ROLE_FILE_READER); }
