// The LandXML family's shared state and its reader entry.
#include "xml/landxml.h"

#include "fieldbook/codedlines.h"
#include "fieldbook/transfer_context.h"
#include "win32.h"
#include "xml/landxml_read.h"

int LxmlDialect = LXML_DIALECT_PLAIN;

int iLxmlReadRaw(uint32_t hRaw, uint32_t, int iDialect) {
  vMboLineCommand(MBO_LINE_AUTO_BY_NO, "", "");
  vMboLineCommand(MBO_LINE_ENABLE, "", "");
  LxmlDialect = iDialect;
  // The raw file's size guides the point index; the read operation has
  // parsed the file already (else it is parsed here).
  LONG size = _llseek((HFILE)hRaw, 0, FILE_END);
  XmlDocPtr doc = pXmlImportDocument(g_mboTransfer.sRawPath, true);
  return doc && boLxmlInterpretDoc(std::move(doc), size) ? 1 : 0;
}

bool boLxmlPrepareRead(const char* sPath) { return boXmlPrepareImport(sPath, true); }
