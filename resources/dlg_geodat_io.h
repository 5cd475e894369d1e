// The Geodat IO dialog (107): its texts are Norwegian here; the dialog sets
// its English texts, translated, when it opens.
#pragma once

#include "resources/resource.h"

#define IDD_MBO_GEODAT_IO 107

extern const ResDialog g_resDlgGeodatIo;
