// Stand-ins until the sdr driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/sdr.h"

bool boSdrReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boSdrSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
bool boSdr33WriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boSdr33ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
