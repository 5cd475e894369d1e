// Driver entries: Sokkia SDR records and their transfer (instruments 62 and 63;
// the transfer also serves the Trimble DC, 64 and 65).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boSdrReceive(const char* sName);
bool boSdrSend(const char* sName);
bool boSdr33WriteRaw(uint32_t hRaw);
bool boSdr33ReadRaw(uint32_t hRaw, uint32_t hSide);
