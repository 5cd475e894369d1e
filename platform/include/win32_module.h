// See win32.h. Declarations are added here as the module comes to call them.
#pragma once

#include "win32_base.h"
