// Driver entries: Trimble DiNi M5 format (instrument 24).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boM5WriteRaw(uint32_t hRaw);
bool boM5ReadRaw(uint32_t hRaw, uint32_t hSide);
