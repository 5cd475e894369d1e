// Driver entries: Psion (instrument 21).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boPsionWriteRaw(uint32_t hRaw);
bool boPsionReceive(const char* sName);
bool boPsionReadRaw(uint32_t hRaw, uint32_t hSide);
bool boPsionSend(const char* sName);
