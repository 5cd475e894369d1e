// Stand-ins until the maxml driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); the XML ones stay for
// builds without the XML formats.
#include "fieldbook/catalogue.h"
#include "xml/maxml.h"

int iMaxmlReadFile(const char*) { return boMboRoleUnavailable(MBO_ROLE_FILE_READER) ? 1 : 0; }
