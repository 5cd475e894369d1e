// The four transfer operations (write, receive, read, send) over the
// catalogue's dispatch, the raw and side files, and the routines every
// driver shares: numeric file handles, the line reader and writer, the
// message pump, waits and the abort flag, the status line, small text tests
// and the drill-hole report. The direct read and write exports are in
// api.h.
//
// Handles are the module's u32 file handles: 0 means none (the platform's
// failure value is mapped to 0), and every handle is set to 0 as it closes,
// since handle numbers are given out again by later opens.
#pragma once

#include <cstdint>

#include "fieldbook/lines.h"
#include "fieldbook/vertexids.h"
#include "kv2gr.h"
#include "win32.h"

struct MboSettings;

// ---- The operations (each clears the abort flag first) ----
// Field book -> raw file. XML writer: its result; raw writer: true once it
// ran. False without a writer, when the user declines to overwrite, or when
// the file cannot be created.
bool boMboWriteRawFile(MboSettings* pSet);
// Instrument -> raw file (sName: the instrument-side name, or null). False
// without a receiver, when the user declines to delete the old raw file,
// when it cannot be created, and when no data arrived (the empty file is
// deleted).
bool boMboReceiveRawFile(MboSettings* pSet, const char* sName);
// Raw file -> field book. False without a reader (the field book stays as it
// was) and when the raw file cannot be opened (likewise: it is opened before
// the field book is reset). True once the reader ran.
bool boMboReadRawFile(MboSettings* pSet);
// Raw file -> instrument. False without a sender or when the raw file cannot
// be opened.
bool boMboSendRawFile(MboSettings* pSet, const char* sName);

// ---- Files ----
// Creates or truncates (normal attributes); 0 on failure.
uint32_t hMboCreateFile(const char* sPath);
// Opens read-only (iMode 0) or read-write (2); 0 on failure.
uint32_t hMboOpenFile(const char* sPath, int iMode);
// Closes *phFile when not 0 and sets it to 0.
void vMboCloseFile(uint32_t* phFile);
// Nothing for handle 0; else finds the size, closes (*phFile becomes 0),
// and deletes the file at sPath when it is empty. True when it was deleted.
bool boMboCloseDeleteIfEmpty(uint32_t* phFile, const char* sPath);
bool boMboFileExists(const char* sPath);

// ---- Waiting, status line and abort flag ----
// Removes, translates and dispatches one waiting message; false when none.
bool boMboPumpMessage(void);
// Pumps one message and returns the abort flag.
bool boMboUserAborted(void);
// Sets / clears the abort flag (the Stop buttons, Escape in the Geodat IO
// dialog).
void vMboSetAbort(bool boAbort);
// The window whose control 1006 shows status texts (the running transfer
// dialog), or null: then status texts go nowhere.
void vMboSetStatusWindow(HWND hWnd);
HWND hMboGetStatusWindow(void);
// Puts the text (null: empty) into the status line, then pumps until no
// message waits.
void vMboShowStatusText(const char* sText);
void vMboShowWaitingForData(void);
// Pump messages until the tick count has advanced by the time given.
void vMboWaitMs(uint32_t uMs);
void vMboWaitSeconds(uint32_t uSeconds);
// Warning "ERROR! Timeout, try again".
void vMboTimeoutError(void);

// ---- Small text routines of the drivers ----
// After leading blanks: a digit; '+'/'-' then a digit or '.' and a digit;
// '.' then a digit or '+'/'-' and a digit. Only the start counts ("12abc"
// is a number): callers take the leading number, as atof does.
bool boMboIsNumber(const char* sText);
// The whole text, blanks around it aside, is one finite number in decimal
// notation (sign, digits with one '.', an exponent): *pdValue gets it.
// False for anything else ("0x10", "inf", "1e999", "12abc", ""), which
// readers that set values themselves take as no value.
bool boMboFiniteNumber(const char* sText, double* pdValue);
// After leading blanks: a digit, or '+'/'-' followed by a digit.
bool boMboIsInteger(const char* sText);
// (boMboIsNotBlank: stations.h.)
// Empty, or every character equals c.
bool boMboIsAllChar(const char* sText, char c);
void vMboTrimLeft(char* sText);
// The first n characters (never past the end), leading and trailing blanks
// removed; scratch text.
const char* sMboTrimCopy(const char* sText, int n);
// iLen characters from iOffset, blanks removed at both ends; "" when the
// offset is not inside the text, or for a negative offset or length, or a
// length of 129 or more. Scratch text.
const char* sMboSubString(const char* sText, int iOffset, int iLen);
// Columns iFrom..iTo (from 1) of a fixed-column line, the same way.
const char* sMboColumns(const char* sLine, int iFrom, int iTo);
// "ddmmyy" -> "yyyy.mm.dd" (yy below 53 is 20yy); "" for another length or
// when day, month and year are all below 1. Scratch text.
const char* sMboDateFromDdMmYy(const char* sText);
void vMboCharUpper(char* sText);
// Empties the text; the size is not needed.
void vMboClearText(char* sText, int iSize);

// ---- Drill holes ----
struct MboDrillPoint {
  char sName[100];
  int32_t boCaptured;
};
// Filled by the Geodat and GSI readers: a top point (code 77), a bottom
// point (code 78), the distance, the hole length and the vertical direction.
struct MboDrillhole {
  MboDrillPoint top;
  MboDrillPoint bottom;
  double dDist;
  double dLength;
  double dVdir;
  int32_t boVdir;
};
// When both points are captured: the project line (when sProject is given)
// and the drill-hole line into the side file; then the record is cleared.
// True when the lines were written.
bool boMboWriteDrillholeInfo(uint32_t hSide, MboDrillhole* pHole, const char* sProject);
// A report line "title : value" into the side file (nothing for handle 0);
// the title is translated.
void vMboReport(uint32_t hSide, const char* sTitle, const char* sValue);

// The Geodat IO dialog (models 11 to 16 receive and send through it):
// iDirection 0 receive, 1 send; its result (1 after Close).
int iMboRunGeodatIoDialog(int iDirection, HWND hParent);
