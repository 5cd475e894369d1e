// Driver entries: ZEISS DiNi10 levelling files (instrument 81; received by the
// REC 500 receiver).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boMboReadDiNi10(uint32_t hRaw, uint32_t hSide);
