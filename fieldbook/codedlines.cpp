// Coded lines: lines made from point codes and line commands.
#include "fieldbook/codedlines.h"

#include "fieldbook/codelines.h"
#include "fieldbook/extrafields.h"

bool boMboLineInit(int /*byNumber*/) { return true; }
void vMboLineCommand(int /*cmd*/, const char* /*a*/, const char* /*b*/) {}
void vMboLineSetLineNo(const char* /*text*/) {}
void vMboLineSetCode(const char* /*text*/) {}
void vMboLineSetText(const char* /*text*/) {}
int iMboLineAddPoint(const char* /*name*/, const char* /*code*/) { return 0; }
LiLine* pMboLineAddCodedPoint(const char* /*name*/, const char* /*code*/) { return nullptr; }
void vMboLineFlush(void) {}
void vMboLineFinish(void) {}
LiLine* pMboLineCurrent(void) { return nullptr; }

void vMboLineReadBegin(void) {
  vMboExtraFieldsInitAll();
  vMboCodeLineReset();
  boMboLineInit(0);
  vMboLineCommand(MBO_LINE_AUTO_BY_NO, "", "");
  vMboLineSetLineNo("");
}

void vMboLineReadEnd(void) {
  boMboApplyControlCode(99, "", "");
  vMboLineFinish();
  vMboExtraFieldsFreeAll();
}

void vMboLineStateClear(void) {
  vMboCodeLineStateClear();
  vMboExtraFieldsFreeAll();
}
