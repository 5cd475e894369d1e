// Driver entries: Topcon MAXML files (instrument 74).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

// Non-zero on success.
int iMaxmlReadFile(const char* sPath);
