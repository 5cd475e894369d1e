// Stand-ins for the landxml driver: each entry warns that its role is not
// available and fails. The build uses them while xml/landxml.cpp does not
// exist, and whenever the XML formats are left out (see CMakeLists.txt).
#include "fieldbook/catalogue.h"
#include "xml/landxml.h"

int LxmlDialect = LXML_DIALECT_PLAIN;

bool boLxmlWriteFile(const char*, int) { return boMboRoleUnavailable(MBO_ROLE_XML_WRITER); }
int iLxmlReadRaw(uint32_t, uint32_t, int) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER) ? 1 : 0; }
