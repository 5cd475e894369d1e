// Driver entries: Topcon MAXML files (instrument 74).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

// Reads the file into the field book (see maxml_read.h): 1, or 0 when it
// cannot be parsed (after a warning).
int iMaxmlReadFile(const char* sPath);
// Parses the file before the read operation empties the field book and
// keeps the document for iMaxmlReadFile; false (after a warning) when it
// cannot be parsed.
bool boMaxmlPrepareRead(const char* sPath);
