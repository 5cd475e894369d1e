// Converter tables: ordered pairs of codes, "from" as the host names a
// feature or point series and "to" as the field book does. Kept in an ini
// section through the profile-string functions and edited in a dialog.
#pragma once

#include <cstdint>

#include "base/slink.h"

constexpr int CNV_CODE_SIZE = 21;  // widest code buffer, terminator included

struct CnvEntry {
  CnvEntry* next;
  char from[CNV_CODE_SIZE];
  char to[CNV_CODE_SIZE];
};

struct CnvTable {
  uint32_t fromWidth;  // buffer widths: codes hold at most width-1 characters
  uint32_t toWidth;
  SLinkList entries;  // of CnvEntry, heap-backed, in insertion order
  // Set by boCnvTabDialog for its run; borrowed, not owned.
  const char* title1;
  const char* title2;
  const char* helpTopic;
};

// An empty table, each width cut to 1..21; NULL when out of memory.
CnvTable* pCnvTabNew(int fromWidth, int toWidth);
// Frees the entries and the table (NULL is fine); returns NULL.
CnvTable* pCnvTabFree(CnvTable* table);
CnvEntry* pCnvTabFirst(const CnvTable* table);
// Appends a pair, each code cut to its width; NULL when out of memory.
CnvEntry* pCnvTabAppend(CnvTable* table, const char* from, const char* to);
// Removes every entry.
void vCnvTabClear(CnvTable* table);
int iCnvTabCount(const CnvTable* table);

// The first entry whose from code equals code exactly (case-sensitive): its
// to code into buf (at most size-1 characters) and true; false when none.
bool boCnvTabLookup(const CnvTable* table, const char* code, char* buf, int size);
// The same from the to column to the from column.
bool boCnvTabLookupReverse(const CnvTable* table, const char* code, char* buf, int size);

// Replaces the entries with those of the ini section; true when the table is
// not empty afterwards.
bool boCnvTabRead(CnvTable* table, const char* iniPath, const char* section);
// Clears the section and writes every entry (keys Item0, Item1, ...).
void vCnvTabWrite(CnvTable* table, const char* iniPath, const char* section);
// The common body: write flag 0 reads, 1 writes.
void vCnvTabIni(CnvTable* table, const char* iniPath, const char* section, int write);

// Runs the editing dialog modally on the active window. True when closed
// with OK; the table then holds the edited entries.
bool boCnvTabDialog(CnvTable* table, const char* helpTopic, const char* title1, const char* title2);
