// Driver entries: Topcon DL101/102 digital levels (instrument 82).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boDl101Receive(const char* sName);
bool boDl101ReadRaw(uint32_t hRaw, uint32_t hSide);
