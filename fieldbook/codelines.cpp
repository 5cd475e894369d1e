// Code-driven lines: the control codes 37 to 99.
#include "fieldbook/codelines.h"

bool boMboApplyControlCode(int /*code*/, const char* /*a*/, const char* /*b*/) { return false; }
bool boMboCodeLineAddPoint(const char* /*name*/, const char* /*code*/, int /*kind*/) { return false; }
void vMboCodeLineFinish(void) {}
void vMboCodeLineReset(void) {}
void vMboCodeLineSetName(int /*n*/, const char* /*name*/) {}
void vMboCodeLineNameByIndex(const char* /*name*/, const char* /*indexText*/) {}
void vMboCodeLineIdByIndex(const char* /*id*/, const char* /*indexText*/) {}
void vMboCodeLineSetPendingName(const char* /*name*/) {}
void vMboCodeLineDefaultName(const char* /*name*/) {}
const char* sMboCodeLineCurrentName(void) { return ""; }
int iMboCodeLineGetName(char* /*buffer*/, int /*size*/) { return 0; }
LiLine* pMboCodeLineGet(int /*n*/) { return nullptr; }
int iMboCodeLineCount(void) { return 0; }
int iMboCodeLineCurrentIndex(void) { return 1; }
bool boMboCodeLineActive(void) { return false; }
bool boMboCodeLineHasPoints(void) { return false; }
void vMboCodeLineStateClear(void) {}
