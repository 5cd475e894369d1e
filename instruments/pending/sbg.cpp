// Stand-ins until the sbg driver is built: each entry warns that its role
// is not available and fails. The build leaves this file out once its family
// has a source of its own (see CMakeLists.txt); delete it then.
#include "fieldbook/catalogue.h"
#include "instruments/sbg.h"

bool boSbgReadFile(const char*, uint32_t) { return boMboRoleUnavailable(MBO_ROLE_FILE_READER); }
