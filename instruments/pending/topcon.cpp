// Stand-ins until the topcon driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/topcon.h"

bool boTopconFcWriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boTopconFcReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boTopconFcReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
bool boTopconFcSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
bool boGts800WriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boGts800Receive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boGts800ReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
bool boGts800Send(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
