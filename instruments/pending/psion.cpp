// Stand-ins until the psion driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/psion.h"

bool boPsionWriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boPsionReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boPsionReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
bool boPsionSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
