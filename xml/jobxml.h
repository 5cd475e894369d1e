// Driver entries: Trimble JobXML files (instrument 30).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

// Non-zero on success.
int iJxlWriteFile(const char* sPath);
bool boJxlReadFile(const char* sPath);
