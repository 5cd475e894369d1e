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

// Driver entry types. All return a bool; only the XML writer's result is
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

MboRawWriterFn pMboGetRawWriter(int iInstrument);
MboXmlWriterFn pMboGetXmlWriter(int iInstrument);
MboReceiverFn pMboGetReceiver(int iInstrument);
MboRawReaderFn pMboGetRawReader(int iInstrument);
MboFileReaderFn pMboGetFileReader(int iInstrument);
MboSenderFn pMboGetSender(int iInstrument);

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

// Which LandXML dialect the running LandXML writer or reader handles; set by
// them at their start.
enum {
  LXML_DIALECT_PLAIN = 0,    // instrument 25
  LXML_DIALECT_LEICA = 1,    // 26; reader also 31
  LXML_DIALECT_TRIMBLE = 2,  // 28, writer only
  LXML_DIALECT_HEXML = 3,    // 29; reader also 27
};
extern int LxmlDialect;

// The driver entries that the dispatch hands out, defined by the instrument
// and XML sources (one family each). Geodat models 11 to 16 share one
// transfer routine: direction 0 receive, 1 send; mode: the Geodat file mode.
bool boGeodatWriteRaw(uint32_t hRaw);
bool boGeodatReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGeodatTransfer(int iDirection, int iMode, const char* sName);
bool boRec500WriteRaw(uint32_t hRaw);
bool boRec500Receive(const char* sName);
bool boRec500ReadRaw(uint32_t hRaw, uint32_t hSide);
bool boRec500Send(const char* sName);
bool boGsiWriteRaw(uint32_t hRaw);
bool boGsiReceive(const char* sName);
bool boGsiReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGsiSend(const char* sName);
bool boGsiTpsReceive(const char* sName);
bool boGsiTpsSend(const char* sName);
bool boSdrReceive(const char* sName);
bool boSdrSend(const char* sName);
bool boSdr33WriteRaw(uint32_t hRaw);
bool boSdr33ReadRaw(uint32_t hRaw, uint32_t hSide);
bool boTopconFcWriteRaw(uint32_t hRaw);
bool boTopconFcReceive(const char* sName);
bool boTopconFcReadRaw(uint32_t hRaw, uint32_t hSide);
bool boTopconFcSend(const char* sName);
bool boGts800WriteRaw(uint32_t hRaw);
bool boGts800Receive(const char* sName);
bool boGts800ReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGts800Send(const char* sName);
bool boPsionWriteRaw(uint32_t hRaw);
bool boPsionReceive(const char* sName);
bool boPsionReadRaw(uint32_t hRaw, uint32_t hSide);
bool boPsionSend(const char* sName);
bool boKernWriteRaw(uint32_t hRaw);
bool boKernReceive(const char* sName);
bool boKernReadRaw(uint32_t hRaw, uint32_t hSide);
bool boKernSend(const char* sName);
bool boNikonWriteRaw(uint32_t hRaw);
bool boNikonReceive(const char* sName);
bool boNikonReadRaw(uint32_t hRaw, uint32_t hSide);
bool boNikonSend(const char* sName);
bool boMboReadDiNi10(uint32_t hRaw, uint32_t hSide);
bool boDl101Receive(const char* sName);
bool boDl101ReadRaw(uint32_t hRaw, uint32_t hSide);
void vKofWriteRaw(uint32_t hRaw);
bool boKofReadRaw(uint32_t hRaw, uint32_t hSide);
bool boKofSend(const char* sName);
bool boPumatecReadRaw(uint32_t hRaw, uint32_t hSide);
bool boM5WriteRaw(uint32_t hRaw);
bool boM5ReadRaw(uint32_t hRaw, uint32_t hSide);
bool boDc77WriteRaw(uint32_t hRaw);
bool boDc10WriteRaw(uint32_t hRaw);
bool boTrimbleDcReadRaw(uint32_t hRaw, uint32_t hSide);
bool boLxmlWriteFile(const char* sPath, int iDialect);
int iLxmlReadRaw(uint32_t hRaw, uint32_t hSide, int iDialect);
bool boGpsLeicaAsciiReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsTrimbleTgoReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsAshtechReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsGeolabReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsBluebookReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsMagellanReadRaw(uint32_t hRaw, uint32_t hSide);
bool boGpsTrimbleBinReadRaw(uint32_t hRaw, uint32_t hSide);
int iJxlWriteFile(const char* sPath);
bool boJxlReadFile(const char* sPath);
bool boVmlReadRaw(uint32_t hRaw, uint32_t hSide);
int iMaxmlReadFile(const char* sPath);
bool boSbgReadFile(const char* sPath, uint32_t hSide);

// Drivers not built yet are stood in for (catalogue_pending.cpp) by entries
// that warn "ERROR! ... is not available for this instrument" and return
// false. These tell how many remain and their names.
int iMboPendingDriverCount(void);
const char* sMboPendingDriverName(int iIndex);
// The shared body of every pending entry. iRole: 0 raw writer, 1 XML writer,
// 2 receiver, 3 raw reader, 4 reader by path, 5 sender.
bool boMboRoleUnavailable(int iRole);
