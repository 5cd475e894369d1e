// Project attributes: a small fixed set of texts that readers take from file
// headers and writers put into them. Kept from one import to the next; only
// vKvxMboInit clears them.
#pragma once

#include <string>

#include "fieldbook/api.h"

// Each text holds at most its key's width in characters.
struct MboProjectAttrs {
  char sProject[257];      // "PROJECT"
  char sProjectDescr[41];  // "PROJECTDESCR"
  char sSign[11];          // "SIGN"
  char sDate[11];          // "DATE", as "yyyy.mm.dd"
  char sInkaOmrSign[7];    // "INKAOMRSIGN"
  char sInkaSone[3];       // "INKASONE"
  char sKeyAttribute[41];  // "KEYATTRIBUTE"
  char sTerVersion[51];    // "TERVERSION"
};

// boMboGetProjectAttr and boMboSetProjectAttr are declared in fieldbook/api.h.

// The attribute of that key whole; "" for an unknown key.
std::string sMboProjectAttr(const char* key);
