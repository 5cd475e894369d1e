// Driver entries: REC 500 data recorder (instrument 22; its receiver also
// serves the DiNi10, 81).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boRec500WriteRaw(uint32_t hRaw);
bool boRec500Receive(const char* sName);
bool boRec500ReadRaw(uint32_t hRaw, uint32_t hSide);
bool boRec500Send(const char* sName);
