// Stand-ins until the dl101 driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/dl101.h"

bool boDl101Receive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boDl101ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
