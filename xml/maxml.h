// Driver entries: Topcon MAXML files (instrument 74).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

// Reads the file into the field book (see maxml_read.h); the result is
// always 0, the read operation does not use it.
int iMaxmlReadFile(const char* sPath);
