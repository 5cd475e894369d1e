// Stand-ins until the gsi driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/gsi.h"

bool boGsiWriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boGsiReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boGsiReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
bool boGsiSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
bool boGsiTpsReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boGsiTpsSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
