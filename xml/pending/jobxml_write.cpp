// Stand-in for the JobXML writer in builds without the XML formats: it warns
// that its role is not available and fails.
#include "fieldbook/catalogue.h"
#include "xml/jobxml.h"

int iJxlWriteFile(const char*) { return boMboRoleUnavailable(MBO_ROLE_XML_WRITER) ? 1 : 0; }
