// Stand-ins until the trimbledc driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/trimbledc.h"

bool boDc77WriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boDc10WriteRaw(uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_WRITER); }
bool boTrimbleDcReadRaw(uint32_t, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_RAW_READER); }
