// The settings of one transfer: instrument, serial port, import and export
// options, and their persistence in the host's ini file (read and written
// through KvxLib).
//
// Ini layout, section "KvxMbo":
//   MboType            the current instrument number, "%d"
//   MboType<n>         the options of instrument n, as key:value items:
//                      convinstrno levinstrno satinstrno coordinstrno corrcode
//                      Fconv Pconv constraw EO NO EllH file geoide
//   MboTypeIO<n>       its serial settings "port:%d baud:%d  bits:%d parity:%d sbit:%d"
//   402EOF             the Geodat end-of-data character, decimal
//   ZeissM5PI          the M5 point-identification layout
// Section "MboFormatOptions" holds "LeicaDbxGeoideModelPath"; sections
// "MboCnvTheme" and "MboCnvPnt" the converter tables.
//
// Beware the offsets: EO (dialog label "X-offset (m)") is added to the NORTH
// value of every coordinate read, NO ("Y-offset (m)") to the EAST value; the
// writers subtract them again. In the field book X is east; the labels
// follow the surveyor's habit, not the field book's axes.
#pragma once

#include <cstdint>

struct CnvTable;
struct MboHostRec;

// Serial-port parameters, also used by the port layer.
struct ComPortSettings {
  uint32_t uPort;    // 0 none, 1..9 = COM1..COM9
  uint32_t uBaud;    // baud rate
  uint32_t uBits;    // data bits, 7 or 8
  uint32_t uParity;  // 0 none, 1 odd, 2 even
  uint32_t uStop;    // 0 one, 1 one and a half, 2 two stop bits
};

// The instrument numbers given to new stations are the host's own numbers,
// one per station kind (ini items convinstrno, levinstrno, satinstrno,
// coordinstrno; setup combos Theodolite, Leveller, Satellite vector,
// Coordinate obs.).
struct MboSettings {
  ComPortSettings com;
  uint32_t uInstrument;     // catalogue number, 0 none
  uint32_t uTheodoliteNo;   // for new total-station stations
  uint32_t uLevellerNo;     // for new levelling stations
  uint32_t uSatelliteNo;    // for new GPS-vector stations
  uint32_t uCoordinateNo;   // for new coordinate-observation stations
  uint32_t uCorrCode;       // host correction code of new total-station stations
  uint32_t uFconv;          // feature-code conversion on/off
  CnvTable* pFeatureTab;    // feature-code pairs (widths 9/9), per context
  uint32_t uPconv;          // point-number conversion on/off
  CnvTable* pPointTab;      // point-number pairs (widths 4/4), per context
  uint32_t uConstRaw;       // fixed raw-file name "TMP"
  uint32_t uEllH;           // heights are ellipsoidal: geoid conversion on Save
  int32_t iEO;              // whole metres added to the north value (see above)
  int32_t iNO;              // whole metres added to the east value
  const char* sIniPath;     // the host's ini file (module copy, see transfer_context)
  const MboHostRec* pHost;  // the host record of the context
};

// Defaults: port 1, 9600 baud, 8 bits, no parity, one stop bit, instrument 0,
// the four instrument numbers 1, everything else 0. The table, path and host
// references are left as they are.
void vMboSettingsDefaults(MboSettings* pSet);

// Loads the settings of the record's instrument from its ini file; with
// boReadInstrument, reads the current instrument ("MboType") first. Sets the
// remembered raw-file name (g_mboTransfer.sRawFileName) and replaces the
// converter tables' entries from their sections.
void vMboSettingsLoad(MboSettings* pSet, bool boReadInstrument);
// Saves "MboType" and the instrument's two keys; nothing for instrument 0.
void vMboSettingsSave(MboSettings* pSet);

// Applies the items of an instrument option string / a serial string.
// Reading stops at the end or at an item without a colon.
void vMboSettingsApplyOptions(MboSettings* pSet, const char* sText);
void vMboSettingsApplySerial(ComPortSettings* pCom, const char* sText);
// The option string and serial string as saved.
void vMboSettingsFormatOptions(const MboSettings* pSet, char* sBuf, int iSize);
void vMboSettingsFormatSerial(const ComPortSettings* pCom, char* sBuf, int iSize);
// Serial values read from the ini file that no port or control can take
// become defaults: port outside 0..9 -> 1 (0 when the instrument can neither
// receive nor send), parity and stop outside 0..2 -> 0, bits other than 7
// and 8 -> 8, baud 0 -> 9600.
void vMboSettingsValidateSerial(ComPortSettings* pCom, int iInstrument);

// The Geodat end-of-data character: "402EOF" of the global settings' ini
// file when it is 1 to 126, else '>'.
char cMboGeodatEofChar(void);
