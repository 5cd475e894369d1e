// The dialogs of the transfer control: setup (104), import (108), export
// (109) and serial-port setup (112). Their texts are Norwegian here; the
// dialogs set their English texts, translated, when they open.
#pragma once

#include "resources/resource.h"

#define IDD_MBO_SETUP 104
#define IDD_MBO_IMPORT 108
#define IDD_MBO_EXPORT 109
#define IDD_MBO_SERIAL 112

extern const ResDialog g_resDlgSetup;
extern const ResDialog g_resDlgImport;
extern const ResDialog g_resDlgExport;
extern const ResDialog g_resDlgSerial;
