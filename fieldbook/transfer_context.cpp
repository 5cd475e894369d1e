// The transfer context: set-up and tear-down around every transfer export,
// the raw-file and side-file paths, and the module's transfer state.
#include "fieldbook/transfer_context.h"

#include <cstring>

MboTransferState g_mboTransfer;

void vMboTransferStateClear(void) { memset(&g_mboTransfer, 0, sizeof g_mboTransfer); }
