// Stand-ins until the rec500 driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/rec500.h"

bool boRec500WriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boRec500Receive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boRec500ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
bool boRec500Send(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
