// Stand-in until the Geodat serial transfer is built (in its own source,
// instruments/geodat_serial.cpp, beside the raw format's): it warns that the
// role is not available and fails. Delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/geodat.h"

bool boGeodatTransfer(int iDirection, int, const char*) { return boMboRoleUnavailable(iDirection ? MBO_ROLE_SENDER : MBO_ROLE_RECEIVER); }
