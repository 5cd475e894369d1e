// Leica serial transfers (instruments 80, 92 to 94 and 96).
#include "fieldbook/catalogue.h"
#include "instruments/gsi.h"

bool boGsiReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boGsiSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
bool boGsiTpsReceive(const char*) { return boMboRoleUnavailable(MBO_ROLE_RECEIVER); }
bool boGsiTpsSend(const char*) { return boMboRoleUnavailable(MBO_ROLE_SENDER); }
