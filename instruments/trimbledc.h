// Driver entries: Trimble DC77 (instrument 64) and DC10 (65) files; their
// transfer is the SDR one.
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boDc77WriteRaw(uint32_t hRaw);
bool boDc10WriteRaw(uint32_t hRaw);
bool boTrimbleDcReadRaw(uint32_t hRaw, uint32_t hSide);
