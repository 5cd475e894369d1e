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
// The read operation does not look at the result.
int iLxmlReadRaw(uint32_t hRaw, uint32_t hSide, int iDialect);
