// Driver entries: SBG survey text files (instrument 101).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

bool boSbgReadFile(const char* sPath, uint32_t hSide);
