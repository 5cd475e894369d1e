// Stand-ins until the kern driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/kern.h"

bool boKernWriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boKernReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boKernReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
bool boKernSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
