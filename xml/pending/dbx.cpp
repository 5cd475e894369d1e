// Stand-ins for the DBX import in builds without the XML formats: there is
// no reader for what the converters write, so nothing is converted.
#include "xml/dbx.h"

char* sMboHeXmlConvertDbx(const char*) { return nullptr; }
char* sMboDbx2LandXmlConvert(const char*) { return nullptr; }
bool boMboHeXmlFindJobName(const char*, const char*, char* sJob, int iJobSize, char* sGeoid, int iGeoidSize) {
  if (iJobSize > 0) sJob[0] = 0;
  if (iGeoidSize > 0) sGeoid[0] = 0;
  return false;
}
void vMboHeXmlShowError(unsigned int) {}
bool boMboHeXmlParseJobList(uint32_t, const char*, char* sJob, int iJobSize, char* sGeoid, int iGeoidSize) {
  return boMboHeXmlFindJobName(nullptr, nullptr, sJob, iJobSize, sGeoid, iGeoidSize);
}
