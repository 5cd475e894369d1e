// Driver entries: Kern AC 64/128 (instrument 42).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boKernWriteRaw(uint32_t hRaw);
bool boKernReceive(const char* sName);
bool boKernReadRaw(uint32_t hRaw, uint32_t hSide);
bool boKernSend(const char* sName);
