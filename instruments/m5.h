// Driver entries: Trimble DiNi M5 format (instrument 24).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
#pragma once

#include <cstdint>

// The items of the information block, in the ini value's order.
enum { M5_LINE, M5_GEOMETRY, M5_AREA, M5_GROUP, M5_PNO, M5_FCODE, M5_ITEM_COUNT };

struct M5PiItem {
  int32_t iColumn;  // from 0, inside the block
  int32_t iLength;
  char sText[12];
};

struct M5PiLayout {
  M5PiItem items[M5_ITEM_COUNT];
  int32_t iPiNo;
};

// Reads the layout from the ini file, lets the user edit it in dialog 113
// and stores it back; false when the dialog was cancelled.
bool boM5GetPiLayout(const char* sIniPath, M5PiLayout* layout);

bool boM5WriteRaw(uint32_t hRaw);
bool boM5ReadRaw(uint32_t hRaw, uint32_t hSide);
