// Driver entries: Pumatec file pairs (instrument 99).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boPumatecReadRaw(uint32_t hRaw, uint32_t hSide);
