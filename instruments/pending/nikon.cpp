// Stand-ins until the nikon driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/nikon.h"

bool boNikonWriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boNikonReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boNikonReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
bool boNikonSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
