// The code parameter file ("Telepar.ini") of the KOF reader: an ini file
// whose sections "POINT" and "LINE" map code patterns to feature codes, a
// node flag and up to five named attributes that may take characters out of
// the code. The KOF reader turns its codes into point and line attributes
// and code-driven line commands with it.
//
// Entry key: "+" (global fields of the section) or two letters (the code
// prefix) followed by up to five pattern characters, one per parameter:
// '?' any one character, '*' the rest of the code (it still takes one
// character in the walk), or a literal character.
// Entry value: name:value tokens: "FCODE"/"S_FCODE" the feature code,
// "node" the node flag ('y' ends a code-driven line element, 's' starts a
// new station), any other name a parameter with its value template ("?x"
// takes the code character at the parameter's position, "ab*" takes "ab"
// followed by the code from there on).
#pragma once

#include "base/slink.h"

#define TELEPAR_MAX_PARAMS 5
#define TELEPAR_PERSIST_SIZE 500  // persistent code texts, 499 characters
#define TELEPAR_PATH_SIZE 257

struct TeleparParam {
  char cPattern;  // '?', '*', a literal, or 0: takes no code character
  char sName[60];
  char sTemplate[60];
  char sValue[80];  // resolved by the last match
  int iPos;         // code position matched, -1 none
};

struct TeleparEntry {
  TeleparEntry* pNext;
  char sPrefix[3];
  char sFcode[8];
  char cNode;
  TeleparParam params[TELEPAR_MAX_PARAMS];
  int iCount;
};

struct TeleparSet {
  SLinkList points;  // TeleparEntry, in file order
  SLinkList lines;
};

// Loads the set when none is loaded (asking for the file with the Open
// dialog "Parameter fil"); then, when text is given, applies its
// blank-separated codes. After Cancel, or a file without entries, the dialog
// is not shown again until vTeleparFree (the end of the read) and no text is
// applied.
void vTeleparApply(const char* text);
// The set of a file; null when it cannot be opened or both sections are
// empty. The caller frees it with vTeleparFreeSet.
TeleparSet* pTeleparLoad(const char* path);
void vTeleparFreeSet(TeleparSet* set);
// The best entry of the list for the code, its resolved values filled; null
// when none matches.
TeleparEntry* pTeleparMatch(TeleparEntry* first, const char* code);
// An entry's attributes into the per-point or per-line extra fields.
void vTeleparApplyPointEntry(const TeleparEntry* entry);
void vTeleparApplyLineEntry(const TeleparEntry* entry);
// Applies the codes of a text again (point entries first, then line
// entries), without node flags or persistence.
void vTeleparApplyText(const char* text);
// The persistent line codes, then the persistent point codes, again (before
// every record the KOF reader delivers).
void vTeleparReapplyPersistent(void);
// Matches a point name as a code against the point entries; on a match the
// attributes go to the point of that name (its built point ID), made when
// missing.
void vTeleparApplyToPoint(const char* name);
// Frees the loaded set; the next vTeleparApply asks for the file again.
void vTeleparFree(void);
// True while a set is loaded.
bool boTeleparLoaded(void);
// Appends a blank (not into an empty text) and the code, within 499
// characters.
void vTeleparAppendCode(char* text, const char* code);
