#include "base/cnvtable.h"

#include <cstdlib>
#include <cstring>

#include "base/cnum.h"
#include "base/text.h"
#include "win32.h"

namespace {

uint32_t uCnvClampWidth(int w) {
  if (w < 1) return 1;
  if (w > CNV_CODE_SIZE) return CNV_CODE_SIZE;
  return (uint32_t)w;
}

// Moves the cursor over at most n characters, never past the terminator.
const char* sCnvSkip(const char* p, int n) {
  while (n-- > 0 && *p) p++;
  return p;
}

const char* sCnvSkipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t') p++;
  return p;
}

void vCnvRead(CnvTable* t, const char* ini, const char* section) {
  vCnvTabClear(t);
  if (!ini || !section) return;
  for (int i = 0;; i++) {
    char key[32], value[256];
    iNumPrintC(key, sizeof key, "%s%d", "Item", i);
    GetPrivateProfileStringA(section, key, "", value, sizeof value, ini);
    if (!value[0]) break;
    // A stored value reads f:"from" t:"to". The file may have been edited by
    // hand: the prefixes are skipped only as far as there is text, and a
    // missing token reads as "".
    char from[20], to[20];
    const char* cur = nullptr;
    const char* p = sCnvSkip(value, 2);
    sStrNextToken(p, &cur, from, sizeof from);
    p = cur ? sCnvSkipBlanks(cur) : "";
    p = sCnvSkip(p, 2);
    sStrNextToken(p, &cur, to, sizeof to);
    if (!from[0] && !to[0]) break;
    pCnvTabAppend(t, from, to);
  }
}

void vCnvWrite(CnvTable* t, const char* ini, const char* section) {
  if (!ini || !section) return;
  WritePrivateProfileStringA(section, nullptr, nullptr, ini);
  int i = 0;
  for (CnvEntry* e = pCnvTabFirst(t); e; e = e->next, i++) {
    char key[32], value[256];
    iNumPrintC(key, sizeof key, "%s%d", "Item", i);
    sStrPrintN(value, sizeof value, "f:\"%s\" t:\"%s\"", e->from, e->to);
    WritePrivateProfileStringA(section, key, value, ini);
  }
}

bool boCnvFind(const CnvTable* t, const char* code, bool reverse, char* buf, int size) {
  if (!t || !code) return false;
  for (CnvEntry* e = pCnvTabFirst(t); e; e = e->next) {
    const char* key = reverse ? e->to : e->from;
    if (strcmp(key, code) != 0) continue;
    if (buf) sStrCopyN(buf, reverse ? e->from : e->to, size);
    return true;
  }
  return false;
}

}  // namespace

CnvTable* pCnvTabNew(int fromWidth, int toWidth) {
  CnvTable* t = (CnvTable*)calloc(1, sizeof(CnvTable));
  if (!t) return nullptr;
  t->fromWidth = uCnvClampWidth(fromWidth);
  t->toWidth = uCnvClampWidth(toWidth);
  vSLinkInit(&t->entries, sizeof(CnvEntry), nullptr);
  return t;
}

CnvTable* pCnvTabFree(CnvTable* table) {
  if (table) {
    vSLinkFreeAll(&table->entries);
    free(table);
  }
  return nullptr;
}

CnvEntry* pCnvTabFirst(const CnvTable* table) {
  return table ? (CnvEntry*)table->entries.pFirst : nullptr;
}

CnvEntry* pCnvTabAppend(CnvTable* table, const char* from, const char* to) {
  if (!table) return nullptr;
  CnvEntry* e = (CnvEntry*)pSLinkNewObj(&table->entries, nullptr, nullptr);
  if (!e) return nullptr;
  sStrCopyN(e->from, sStrNotNull(from), (int)table->fromWidth);
  sStrCopyN(e->to, sStrNotNull(to), (int)table->toWidth);
  return e;
}

void vCnvTabClear(CnvTable* table) {
  if (table) vSLinkFreeAll(&table->entries);
}

int iCnvTabCount(const CnvTable* table) {
  int n = 0;
  for (CnvEntry* e = pCnvTabFirst(table); e; e = e->next) n++;
  return n;
}

bool boCnvTabLookup(const CnvTable* table, const char* code, char* buf, int size) {
  return boCnvFind(table, code, false, buf, size);
}

bool boCnvTabLookupReverse(const CnvTable* table, const char* code, char* buf, int size) {
  return boCnvFind(table, code, true, buf, size);
}

void vCnvTabIni(CnvTable* table, const char* iniPath, const char* section, int write) {
  if (!table) return;
  if (write)
    vCnvWrite(table, iniPath, section);
  else
    vCnvRead(table, iniPath, section);
}

bool boCnvTabRead(CnvTable* table, const char* iniPath, const char* section) {
  vCnvTabIni(table, iniPath, section, 0);
  return pCnvTabFirst(table) != nullptr;
}

void vCnvTabWrite(CnvTable* table, const char* iniPath, const char* section) {
  vCnvTabIni(table, iniPath, section, 1);
}
