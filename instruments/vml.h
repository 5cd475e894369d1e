// Driver entries: Leica VML files (instrument 100).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boVmlReadRaw(uint32_t hRaw, uint32_t hSide);
