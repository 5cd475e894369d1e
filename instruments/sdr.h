// Driver entries: Sokkia SDR records and their transfer (instruments 62 and 63;
// the transfer also serves the Trimble DC, 64 and 65).
// The catalogue (fieldbook/catalogue.cpp) hands them out by role.
//
// An SDR record is one line: a two-digit record code, a two-letter record
// type and six fields of 16 characters from column 5. The serial transfer
// brackets the lines with an STX line and an ETX line that carries the
// five-digit total of the lines' checksums.
#pragma once

#include <cstddef>
#include <cstdint>

bool boSdrReceive(const char* sName);
bool boSdrSend(const char* sName);
bool boSdr33WriteRaw(uint32_t hRaw);
bool boSdr33ReadRaw(uint32_t hRaw, uint32_t hSide);

// A note: a number and up to two blank-separated words offered to the
// control-code handler; false for the number 0 or a code not taken.
bool boSdrApplyNote(const char* sText);

// The sum of the line's bytes from 32 to 127.
uint16_t iSdrLineChecksum(const char* sLine);

// Field n (1 to 6) of a record: 16 columns from column 5 + 16 (n - 1),
// blanks cut at both ends; "" past the line's end. Scratch text.
const char* sSdrField(const char* sLine, int n);
// iLen columns (below 129) from iOffset (from 0, not negative) of a line of
// uLineLen characters, blanks cut at both ends, as sMboSubString cuts them,
// into sOut (iLen + 1 bytes) instead of the scratch ring.
const char* sSdrCut(const char* sLine, size_t uLineLen, int iOffset, int iLen, char* sOut);

// The read loop of the line readers: lines of up to iLineMax characters (a
// longer one is cut, reported once in the side file, and its tail skipped).
// The record function gives 1 for a line taken, 0 for a line that goes
// whole to the side file, -1 to stop the read.
typedef int (*SdrRecordFn)(void* pContext, const char* sLine);
void vSdrReadRecords(uint32_t hRaw, uint32_t hSide, int iLineMax, SdrRecordFn pfnRecord, void* pContext);

// An angle or distance item of the pending observation from a field of
// len characters (terminated): the usual plain decimal goes to the builder
// as its number, the value the builder would read from the text; any other
// text as it stands.
void vSdrObsValue(int iItem, const char* sField, size_t uLen);

// A number printed into a fixed column: false (nothing usable) when the
// value is not finite or its text is wider than the column. sOut: at least
// iWidth + 1 bytes; the text is not padded.
bool boSdrFormatFixed(char* sOut, int iWidth, const char* sFormat, double dValue);

// Points a writer leaves out because a value does not fit its column; one
// warning at the end of the write names them.
struct SdrSkipped {
  int iCount;
  char sNames[240];
};
void vSdrSkipPoint(SdrSkipped* pSkipped, const char* sName);
void vSdrReportSkipped(const SdrSkipped* pSkipped);

// A point as the coordinate writers take it: its number, X and Y less the
// transfer's offsets (X - NO, Y - EO), and its height when it has one.
struct PoPoint;
struct SdrPoint {
  PoPoint* pPoint;
  const char* sNumber;
  double dX, dY, dZ;
  bool boHasZ;
  size_t uNumberLen;  // of sNumber
};
// The coordinate writers' walk over the field book's points that have X and
// Y, in order. The point function gives 1 for a point written, 0 for one
// left out because a value does not fit its column (the end of the walk
// names those in one warning), -1 to stop the walk.
typedef int (*SdrPointFn)(void* pContext, const SdrPoint& point);
void vSdrWritePoints(SdrPointFn pfnPoint, void* pContext);
