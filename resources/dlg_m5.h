// The M5 layout dialog (113): where the point ID's parts sit in the
// information block of an M5 record.
#pragma once

#include "resources/resource.h"

#define IDD_MBO_M5_PI 113
#define IDC_M5_PI_NO 117
#define IDC_M5_LINE_COL 1053  // then length, and so on for each item

extern const ResDialog g_resDlgM5Pi;
