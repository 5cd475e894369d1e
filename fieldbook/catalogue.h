// The instrument catalogue and the dispatch from an instrument number to the
// drivers of its roles.
//
// Every instrument or file format has a number (10 to 101). The catalogue
// gives it its display name from the string table; six dispatch functions
// give the driver entry of each role, or null when the instrument has none:
//
//   pMboGetRawWriter   field book -> created raw file        (write operation)
//   pMboGetXmlWriter   field book -> XML file by path        (write operation)
//   pMboGetReceiver    instrument -> raw file over the port  (receive operation)
//   pMboGetRawReader   raw file   -> field book              (read operation)
//   pMboGetFileReader  raw file by path -> field book        (read operation,
//                                                            when no raw reader)
//   pMboGetSender      raw file   -> instrument over the port (send operation)
//
// What an instrument can do (write, read, receive, send) follows from these
// alone: the dialogs list, and the operations call, only through them.
#pragma once

#include <cstdint>

#include "win32.h"

// The catalogue's instrument numbers.
enum {
  MBO_INSTR_GEODAT_PCMCIA = 10,
  MBO_INSTR_GEODAT_402 = 11,  // 402, 500 and 600
  MBO_INSTR_GEODAT_400 = 12,
  MBO_INSTR_GEODAT_126 = 13,
  MBO_INSTR_GEODAT_124 = 14,
  MBO_INSTR_GEODIMETER_A = 15,
  MBO_INSTR_GEODIMETER_B = 16,
  MBO_INSTR_PSION = 21,
  MBO_INSTR_REC500 = 22,
  MBO_INSTR_DINI_M5 = 24,
  MBO_INSTR_LANDXML = 25,
  MBO_INSTR_LEICA_LANDXML = 26,
  MBO_INSTR_LEICA_DBX_HEXML = 27,
  MBO_INSTR_TRIMBLE_LANDXML = 28,
  MBO_INSTR_LEICA_HEXML = 29,
  MBO_INSTR_TRIMBLE_JOBXML = 30,
  MBO_INSTR_LEICA_DBX_LANDXML = 31,
  MBO_INSTR_KERN_AC = 42,
  MBO_INSTR_GPS_LEICA_ASCII = 50,
  MBO_INSTR_GPS_TRIMBLE_TGO = 51,
  MBO_INSTR_GPS_ASHTECH = 52,
  MBO_INSTR_GPS_GEOLAB = 53,
  MBO_INSTR_GPS_BLUEBOOK = 54,
  MBO_INSTR_GPS_MAGELLAN = 55,
  MBO_INSTR_GPS_TRIMBLE_BIN = 56,
  MBO_INSTR_SDR24 = 62,
  MBO_INSTR_SDR33 = 63,
  MBO_INSTR_TRIMBLE_DC77 = 64,
  MBO_INSTR_TRIMBLE_DC10 = 65,
  MBO_INSTR_NIKON = 67,
  MBO_INSTR_TOPCON_FC = 72,
  MBO_INSTR_TOPCON_GTS800 = 73,
  MBO_INSTR_TOPCON_MAXML = 74,
  MBO_INSTR_LEICA_NA3000 = 80,
  MBO_INSTR_ZEISS_DINI10 = 81,
  MBO_INSTR_TOPCON_DL101 = 82,
  MBO_INSTR_LEICA_GIF10 = 92,
  MBO_INSTR_LEICA_TC600 = 93,
  MBO_INSTR_LEICA_GRE = 94,
  MBO_INSTR_LEICA_GSI = 95,
  MBO_INSTR_LEICA_TPS = 96,    // TC605, TC805 and TC905
  MBO_INSTR_PLACEHOLDER = 97,  // "..": no roles, never listed
  MBO_INSTR_KOF = 98,
  MBO_INSTR_PUMATEC = 99,
  MBO_INSTR_LEICA_VML = 100,
  MBO_INSTR_SBG = 101,
};

// Driver entry types (each family's entries are declared in its header,
// instruments/<family>.h or xml/<format>.h). All return a bool; only the XML writer's result is
// used (it is the write operation's result). Handles are the module's u32
// file handles of the raw file and the side file.
typedef bool (*MboRawWriterFn)(uint32_t hRaw);
typedef bool (*MboXmlWriterFn)(const char* sPath);
// sName: the instrument-side file name (job or area of the Geodat IO dialog),
// or null.
typedef bool (*MboReceiverFn)(const char* sName);
typedef bool (*MboSenderFn)(const char* sName);
typedef bool (*MboRawReaderFn)(uint32_t hRaw, uint32_t hSide);
typedef bool (*MboFileReaderFn)(const char* sPath, uint32_t hSide);

// The readers of XML documents parse the file before the read operation
// empties the field book: false (after a warning) when it cannot be read,
// and the field book stays. Their readers' results are the read's result.
typedef bool (*MboReadPrepareFn)(const char* sPath);

MboRawWriterFn pMboGetRawWriter(int iInstrument);
MboXmlWriterFn pMboGetXmlWriter(int iInstrument);
MboReceiverFn pMboGetReceiver(int iInstrument);
MboRawReaderFn pMboGetRawReader(int iInstrument);
MboFileReaderFn pMboGetFileReader(int iInstrument);
MboSenderFn pMboGetSender(int iInstrument);
// Null for readers that parse nothing first (their results mean nothing).
MboReadPrepareFn pMboGetReadPrepare(int iInstrument);

bool boMboCanWrite(int iInstrument);    // raw writer or XML writer
bool boMboCanRead(int iInstrument);     // raw reader or reader by path
bool boMboCanReceive(int iInstrument);  // receiver
bool boMboCanSend(int iInstrument);     // sender

// True when the global settings' instrument is a Geodat model (11 to 16):
// the receive and send operations then run the Geodat IO dialog. It reads
// the global copy, not a caller's record; the two agree because every
// caller works on the global copy.
bool boMboIsGeodatInstrument(void);
// True for instrument 29 (Leica HeXML): the write operation gives every
// vertex a point ID first.
bool boMboNeedsVertexIds(int iInstrument);
// True for the raw writers that write points alone (no line, polygon or
// net), each reading them through uMboPointPlace alone: their write
// operation leaves the flags of points and vertices as they are.
bool boMboWritesPointsOnly(int iInstrument);

// The default raw-file extension (without dot); "raw" for instruments not in
// the catalogue and for 97.
const char* sMboRawFileExtension(int iInstrument);

// A catalogue entry: the instrument number and its display name (the
// string-table text from index 3 on).
struct MboInstrument {
  int32_t iNumber;
  char sName[256];
};

// Entry iIndex (from 0) of the catalogue in string-table order; false after
// the last one.
bool boMboGetInstrument(int iIndex, MboInstrument* pEntry);
// The number of catalogue entries.
int iMboInstrumentCount(void);
// Copies the display name of an instrument into sBuf (at most iSize-1
// characters). An unknown number gives "" (callers show it in captions).
void vMboInstrumentName(int iInstrument, char* sBuf, int iSize);

// Combo box 203 of a dialog: every instrument that can write (export) or read
// (import), as "%-75s%d" of its name (at most 30 characters) and its number;
// the entry of iCurrent is selected.
void vMboFillInstrumentCombo(HWND hDlg, int iCurrent, bool boExport);

// The filter text of the raw-file dialog: '|'-separated pairs of description
// and pattern (the two are equal), the instrument's and the last extension
// first, then raw, gsi, are, kof and *. Never writes beyond iSize.
void vMboBuildFileFilter(char* sBuf, int iSize, const char* sLastExt, const char* sInstrExt);

// The driver roles, in the order of the dispatch functions above.
enum MboRole {
  MBO_ROLE_RAW_WRITER = 0,
  MBO_ROLE_XML_WRITER = 1,
  MBO_ROLE_RECEIVER = 2,
  MBO_ROLE_RAW_READER = 3,
  MBO_ROLE_FILE_READER = 4,
  MBO_ROLE_SENDER = 5,
};

// The shared body of the stand-ins for drivers not built yet
// (instruments/pending/, xml/pending/): warns "ERROR! ... is not available
// for this instrument" for the role and returns false, so that the dispatch
// and the capabilities are already those of the finished module.
bool boMboRoleUnavailable(MboRole eRole);
