// Driver entries: KOF files (instrument 98).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

void vKofWriteRaw(uint32_t hRaw);
bool boKofReadRaw(uint32_t hRaw, uint32_t hSide);
bool boKofSend(const char* sName);
