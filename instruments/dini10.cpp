// DiNi10 levelling files: back and fore sights into the pending levelling
// observation, which pairs them into height differences.
#include "instruments/dini10.h"

#include <cstring>

#include "base/cnum.h"
#include "fieldbook/levelling.h"
#include "fieldbook/transfer.h"

namespace {

const int kLineMax = 399;  // characters of a raw line the reader takes

// One sight: its name, reading and length items, and the code.
void vSight(const char* line, int nameItem, int readingItem, int lengthItem) {
  vMboLevSetItem(nameItem, sMboColumns(line, 9, 16));
  vMboLevSetItem(readingItem, sMboColumns(line, 39, 50));
  vMboLevSetItem(lengthItem, sMboColumns(line, 54, 66));
  vMboLevSetItem(MBO_LEV_CODE, sMboColumns(line, 17, 21));
}

}  // namespace

bool boMboReadDiNi10(uint32_t hRaw, uint32_t) {
  int previousSet = -9999;
  char line[kLineMax + 1];
  unsigned uNotes = 0;  // no side file: a long line is cut silently
  while (boMboReadLineCut(line, (int)sizeof line, hRaw, &uNotes)) {
    boMboPumpMessage();
    if (uNotes & MBO_READ_NUL) continue;  // a damaged line
    // The type keeps its leading blanks: " R" is no type.
    char type[3];
    sMboLineColumns(line, 36, 2, type);
    if (type[1] == ' ') type[1] = '\0';
    bool first = !strcmp(type, "Rb") || !strcmp(type, "Lr");
    bool second = !strcmp(type, "Rf") || !strcmp(type, "Lv");
    if (!first && !second) continue;
    char setText[8];
    sMboLineColumns(line, 31, 4, setText);
    int set = iNumParseC(setText);
    if (set != previousSet) {
      vMboLevSetItem(MBO_LEV_SET_NO, sMboColumns(line, 32, 35));
      previousSet = set;
    }
    if (first)
      vSight(line, MBO_LEV_FIRST_NAME, MBO_LEV_FIRST_READING, MBO_LEV_FIRST_LENGTH);
    else
      vSight(line, MBO_LEV_SECOND_NAME, MBO_LEV_SECOND_READING, MBO_LEV_SECOND_LENGTH);
  }
  return false;
}
