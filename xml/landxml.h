// Driver entries: LandXML 1.0 to 1.2 files, in the plain (instrument 25),
// Leica (26; read also for 31), Trimble (28, written only) and HeXML (29;
// read also for 27) dialects. The catalogue (fieldbook/catalogue.cpp) hands
// them out by role, binding the dialect.
#pragma once

#include <cstdint>

// Which dialect the running LandXML writer or reader handles; set by them at
// their start.
enum {
  LXML_DIALECT_PLAIN = 0,
  LXML_DIALECT_LEICA = 1,
  LXML_DIALECT_TRIMBLE = 2,
  LXML_DIALECT_HEXML = 3,
};
extern int LxmlDialect;

// True when the file was written; false when the document could not be
// built or the file could not be written (no message: the caller reports).
bool boLxmlWriteFile(const char* sPath, int iDialect);
// 1 when the document was read (a damaged one in part), 0 when it could not
// be parsed (after a warning) or its namespace not registered.
int iLxmlReadRaw(uint32_t hRaw, uint32_t hSide, int iDialect);
// Parses the file before the read operation empties the field book and
// keeps the document for iLxmlReadRaw; false (after a warning) when it
// cannot be read even in part.
bool boLxmlPrepareRead(const char* sPath);
