// Stand-in for the JobXML writer until it is built: it warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); the XML ones stay for
// builds without the XML formats.
#include "fieldbook/catalogue.h"
#include "xml/jobxml.h"

int iJxlWriteFile(const char*) { return boMboRoleUnavailable(MBO_ROLE_XML_WRITER) ? 1 : 0; }
