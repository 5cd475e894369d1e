// Driver entries: Trimble JobXML files (instrument 30).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

// Non-zero on success.
int iJxlWriteFile(const char* sPath);
// True when the document was read; false when it cannot be parsed (after a
// warning) or is no JobXML file.
bool boJxlReadFile(const char* sPath);
// Parses the file before the read operation empties the field book and
// keeps the document for boJxlReadFile; false (after a warning) when it
// cannot be parsed.
bool boJxlPrepareRead(const char* sPath);
