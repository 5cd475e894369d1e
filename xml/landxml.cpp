// The LandXML family's shared state and its reader entry.
#include "xml/landxml.h"

#include <cstdlib>

#include "fieldbook/codedlines.h"
#include "win32.h"
#include "xml/landxml_read.h"

int LxmlDialect = LXML_DIALECT_PLAIN;

int iLxmlReadRaw(uint32_t hRaw, uint32_t, int iDialect) {
  vMboLineCommand(MBO_LINE_AUTO_BY_NO, "", "");
  vMboLineCommand(MBO_LINE_ENABLE, "", "");
  LxmlDialect = iDialect;
  // The whole file in one buffer; an empty or unreadable one is nothing to
  // read, and libxml2 takes no more than INT_MAX bytes (so does the seek).
  LONG size = _llseek((HFILE)hRaw, 0, FILE_END);
  if (size <= 0 || _llseek((HFILE)hRaw, 0, FILE_BEGIN) != 0) return -1;
  char* buffer = (char*)malloc((size_t)size);
  if (!buffer) return -1;
  LONG got = 0;
  while (got < size) {
    UINT n = _lread((HFILE)hRaw, buffer + got, (UINT)(size - got));
    if (n == 0 || n == (UINT)HFILE_ERROR) break;
    got += (LONG)n;
  }
  if (got == size) boLxmlInterpret(buffer, size);
  free(buffer);
  return -1;
}
