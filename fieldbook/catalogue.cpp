// The instrument catalogue (from the string table) and the driver dispatch.
#include "fieldbook/catalogue.h"

#include <cstring>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/rtdialog.h"
#include "base/text.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/dini10.h"
#include "instruments/dl101.h"
#include "instruments/geodat.h"
#include "instruments/gpsvector.h"
#include "instruments/gsi.h"
#include "instruments/kern.h"
#include "instruments/kof.h"
#include "instruments/m5.h"
#include "instruments/nikon.h"
#include "instruments/psion.h"
#include "instruments/pumatec.h"
#include "instruments/rec500.h"
#include "instruments/sbg.h"
#include "instruments/sdr.h"
#include "instruments/topcon.h"
#include "instruments/trimbledc.h"
#include "instruments/vml.h"
#include "kvxlib.h"
#include "resources/strings_instruments.h"
#include "xml/jobxml.h"
#include "xml/landxml.h"
#include "xml/maxml.h"

namespace {

// The string-table text of catalogue entry n (from 1); a missing one gives
// "?:<id>", which ends the catalogue. A scratch string: use it at once.
const char* sCatalogueText(int n) { return sDlgLoadString(IDS_MBO_INSTRUMENT_BASE + n); }

bool boIsDigit(char c) { return c >= '0' && c <= '9'; }

// Adapters that bind the table's fixed arguments.

// Geodat 11 and 12 work on the file mode chosen in the Geodat IO dialog;
// 13 to 16 know no file modes.
bool boGeodatReceiveMode(const char* sName) { return boGeodatTransfer(0, (int)g_mboTransfer.uGeodatMode, sName); }
bool boGeodatSendMode(const char* sName) { return boGeodatTransfer(1, (int)g_mboTransfer.uGeodatMode, sName); }
bool boGeodatReceivePlain(const char* sName) { return boGeodatTransfer(0, 0, sName); }
bool boGeodatSendPlain(const char* sName) { return boGeodatTransfer(1, 0, sName); }

bool boKofWriteRawEntry(uint32_t hRaw) {
  vKofWriteRaw(hRaw);
  return boMboWriteOk();
}

bool boLxmlWritePlain(const char* sPath) { return boLxmlWriteFile(sPath, LXML_DIALECT_PLAIN); }
bool boLxmlWriteLeica(const char* sPath) { return boLxmlWriteFile(sPath, LXML_DIALECT_LEICA); }
bool boLxmlWriteTrimble(const char* sPath) { return boLxmlWriteFile(sPath, LXML_DIALECT_TRIMBLE); }
bool boLxmlWriteHeXml(const char* sPath) { return boLxmlWriteFile(sPath, LXML_DIALECT_HEXML); }
bool boJxlWriteEntry(const char* sPath) { return iJxlWriteFile(sPath) != 0; }

// True when the document was read (a damaged one in part).
bool boLxmlReadPlain(uint32_t hRaw, uint32_t hSide) { return iLxmlReadRaw(hRaw, hSide, LXML_DIALECT_PLAIN) != 0; }
bool boLxmlReadLeica(uint32_t hRaw, uint32_t hSide) { return iLxmlReadRaw(hRaw, hSide, LXML_DIALECT_LEICA) != 0; }
bool boLxmlReadHeXml(uint32_t hRaw, uint32_t hSide) { return iLxmlReadRaw(hRaw, hSide, LXML_DIALECT_HEXML) != 0; }

// The JobXML and MAXML readers take the path alone.
bool boJxlReadEntry(const char* sPath, uint32_t) { return boJxlReadFile(sPath); }
bool boMaxmlReadEntry(const char* sPath, uint32_t) { return iMaxmlReadFile(sPath) != 0; }

// The roles and default extension of every instrument, in catalogue order.
struct InstrumentRoles {
  int iNumber;
  MboRawWriterFn pfnRawWriter;
  MboXmlWriterFn pfnXmlWriter;
  MboReceiverFn pfnReceiver;
  MboRawReaderFn pfnRawReader;
  MboFileReaderFn pfnFileReader;
  MboSenderFn pfnSender;
  const char* sExt;
};

// number, raw writer, XML writer, receiver, raw reader, reader by path,
// sender, extension
const InstrumentRoles g_aRoles[] = {
    {MBO_INSTR_GEODAT_402, boGeodatWriteRaw, nullptr, boGeodatReceiveMode, boGeodatReadRaw, nullptr, boGeodatSendMode,
     "raw"},
    {MBO_INSTR_GEODAT_400, boGeodatWriteRaw, nullptr, boGeodatReceiveMode, boGeodatReadRaw, nullptr, boGeodatSendMode,
     "raw"},
    {MBO_INSTR_GEODAT_126, boGeodatWriteRaw, nullptr, boGeodatReceivePlain, boGeodatReadRaw, nullptr, boGeodatSendPlain,
     "raw"},
    {MBO_INSTR_GEODAT_124, nullptr, nullptr, boGeodatReceivePlain, boGeodatReadRaw, nullptr, nullptr, "raw"},
    {MBO_INSTR_GEODIMETER_A, nullptr, nullptr, boGeodatReceivePlain, boGeodatReadRaw, nullptr, nullptr, "raw"},
    {MBO_INSTR_GEODIMETER_B, boGeodatWriteRaw, nullptr, boGeodatReceivePlain, boGeodatReadRaw, nullptr,
     boGeodatSendPlain, "raw"},
    {MBO_INSTR_GEODAT_PCMCIA, boGeodatWriteRaw, nullptr, nullptr, boGeodatReadRaw, nullptr, nullptr, "are"},
    {MBO_INSTR_REC500, boRec500WriteRaw, nullptr, boRec500Receive, boRec500ReadRaw, nullptr, boRec500Send, "raw"},
    {MBO_INSTR_LEICA_GIF10, boGsiWriteRaw, nullptr, boGsiReceive, boGsiReadRaw, nullptr, boGsiSend, "raw"},
    {MBO_INSTR_LEICA_GSI, boGsiWriteRaw, nullptr, nullptr, boGsiReadRaw, nullptr, nullptr, "gsi"},
    {MBO_INSTR_LEICA_GRE, boGsiWriteRaw, nullptr, boGsiReceive, boGsiReadRaw, nullptr, boGsiSend, "raw"},
    {MBO_INSTR_LEICA_TC600, boGsiWriteRaw, nullptr, boGsiReceive, boGsiReadRaw, nullptr, boGsiSend, "raw"},
    {MBO_INSTR_LEICA_TPS, boGsiWriteRaw, nullptr, boGsiTpsReceive, boGsiReadRaw, nullptr, boGsiTpsSend, "raw"},
    {MBO_INSTR_SDR24, nullptr, nullptr, boSdrReceive, nullptr, nullptr, boSdrSend, "raw"},
    {MBO_INSTR_SDR33, boSdr33WriteRaw, nullptr, boSdrReceive, boSdr33ReadRaw, nullptr, boSdrSend, "raw"},
    {MBO_INSTR_TOPCON_FC, boTopconFcWriteRaw, nullptr, boTopconFcReceive, boTopconFcReadRaw, nullptr, boTopconFcSend,
     "raw"},
    {MBO_INSTR_TOPCON_GTS800, boGts800WriteRaw, nullptr, boGts800Receive, boGts800ReadRaw, nullptr, boGts800Send,
     "raw"},
    {MBO_INSTR_PSION, boPsionWriteRaw, nullptr, boPsionReceive, boPsionReadRaw, nullptr, boPsionSend, "raw"},
    {MBO_INSTR_KERN_AC, boKernWriteRaw, nullptr, boKernReceive, boKernReadRaw, nullptr, boKernSend, "raw"},
    {MBO_INSTR_NIKON, boNikonWriteRaw, nullptr, boNikonReceive, boNikonReadRaw, nullptr, boNikonSend, "raw"},
    {MBO_INSTR_LEICA_NA3000, nullptr, nullptr, boGsiReceive, boGsiReadRaw, nullptr, nullptr, "raw"},
    {MBO_INSTR_ZEISS_DINI10, nullptr, nullptr, boRec500Receive, boMboReadDiNi10, nullptr, nullptr, "raw"},
    {MBO_INSTR_TOPCON_DL101, nullptr, nullptr, boDl101Receive, boDl101ReadRaw, nullptr, nullptr, "raw"},
    {MBO_INSTR_KOF, boKofWriteRawEntry, nullptr, nullptr, boKofReadRaw, nullptr, boKofSend, "kof"},
    {MBO_INSTR_PUMATEC, nullptr, nullptr, nullptr, boPumatecReadRaw, nullptr, nullptr, "ptc"},
    {MBO_INSTR_DINI_M5, boM5WriteRaw, nullptr, nullptr, boM5ReadRaw, nullptr, nullptr, "raw"},
    {MBO_INSTR_TRIMBLE_DC77, boDc77WriteRaw, nullptr, boSdrReceive, boTrimbleDcReadRaw, nullptr, boSdrSend, "raw"},
    {MBO_INSTR_TRIMBLE_DC10, boDc10WriteRaw, nullptr, boSdrReceive, boTrimbleDcReadRaw, nullptr, boSdrSend, "raw"},
    {MBO_INSTR_LANDXML, nullptr, boLxmlWritePlain, nullptr, boLxmlReadPlain, nullptr, nullptr, "xml"},
    {MBO_INSTR_PLACEHOLDER, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "raw"},
    {MBO_INSTR_GPS_LEICA_ASCII, nullptr, nullptr, nullptr, boGpsLeicaAsciiReadRaw, nullptr, nullptr, "asc"},
    {MBO_INSTR_GPS_TRIMBLE_TGO, nullptr, nullptr, nullptr, boGpsTrimbleTgoReadRaw, nullptr, nullptr, "asc"},
    {MBO_INSTR_GPS_ASHTECH, nullptr, nullptr, nullptr, boGpsAshtechReadRaw, nullptr, nullptr, "*"},
    {MBO_INSTR_GPS_GEOLAB, nullptr, nullptr, nullptr, boGpsGeolabReadRaw, nullptr, nullptr, "*"},
    {MBO_INSTR_GPS_BLUEBOOK, nullptr, nullptr, nullptr, boGpsBluebookReadRaw, nullptr, nullptr, "G"},
    {MBO_INSTR_GPS_MAGELLAN, nullptr, nullptr, nullptr, boGpsMagellanReadRaw, nullptr, nullptr, "*"},
    {MBO_INSTR_GPS_TRIMBLE_BIN, nullptr, nullptr, nullptr, boGpsTrimbleBinReadRaw, nullptr, nullptr, "ss?"},
    {MBO_INSTR_LEICA_DBX_HEXML, nullptr, nullptr, nullptr, boLxmlReadHeXml, nullptr, nullptr, "xcf"},
    {MBO_INSTR_LEICA_DBX_LANDXML, nullptr, nullptr, nullptr, boLxmlReadLeica, nullptr, nullptr, "xcf"},
    {MBO_INSTR_LEICA_LANDXML, nullptr, boLxmlWriteLeica, nullptr, boLxmlReadLeica, nullptr, nullptr, "xml"},
    {MBO_INSTR_TRIMBLE_LANDXML, nullptr, boLxmlWriteTrimble, nullptr, nullptr, nullptr, nullptr, "xml"},
    {MBO_INSTR_LEICA_HEXML, nullptr, boLxmlWriteHeXml, nullptr, boLxmlReadHeXml, nullptr, nullptr, "xml"},
    {MBO_INSTR_TRIMBLE_JOBXML, nullptr, boJxlWriteEntry, nullptr, nullptr, boJxlReadEntry, nullptr, "jxl"},
    {MBO_INSTR_LEICA_VML, nullptr, nullptr, nullptr, boVmlReadRaw, nullptr, nullptr, "vml"},
    {MBO_INSTR_TOPCON_MAXML, nullptr, nullptr, nullptr, nullptr, boMaxmlReadEntry, nullptr, "mxl"},
    {MBO_INSTR_SBG, nullptr, nullptr, nullptr, nullptr, boSbgReadFile, nullptr, "plm"},
};

// The entry of a number; one without roles and with "raw" for numbers not in
// the catalogue.
const InstrumentRoles& Roles(int iInstrument) {
  static const InstrumentRoles s_none = {0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "raw"};
  for (const InstrumentRoles& r : g_aRoles)
    if (r.iNumber == iInstrument) return r;
  return s_none;
}

}  // namespace

bool boMboRoleUnavailable(MboRole eRole) {
  static const char* const s_apszText[] = {
      "ERROR! Writing raw data is not available for this instrument",
      "ERROR! Writing XML data is not available for this instrument",
      "ERROR! Receiving raw data is not available for this instrument",
      "ERROR! Reading raw data is not available for this instrument",
      "ERROR! Reading this file is not available for this instrument",
      "ERROR! Sending raw data is not available for this instrument",
  };
  if (eRole >= 0 && eRole < (int)(sizeof s_apszText / sizeof s_apszText[0]))
    vMsgWarning(sKvxPoGetText(s_apszText[eRole]));
  return false;
}

MboRawWriterFn pMboGetRawWriter(int iInstrument) { return Roles(iInstrument).pfnRawWriter; }
MboXmlWriterFn pMboGetXmlWriter(int iInstrument) { return Roles(iInstrument).pfnXmlWriter; }
MboReceiverFn pMboGetReceiver(int iInstrument) { return Roles(iInstrument).pfnReceiver; }
MboRawReaderFn pMboGetRawReader(int iInstrument) { return Roles(iInstrument).pfnRawReader; }
MboFileReaderFn pMboGetFileReader(int iInstrument) { return Roles(iInstrument).pfnFileReader; }
MboSenderFn pMboGetSender(int iInstrument) { return Roles(iInstrument).pfnSender; }

MboReadPrepareFn pMboGetReadPrepare(int iInstrument) {
  const InstrumentRoles& r = Roles(iInstrument);
  if (r.pfnRawReader == boLxmlReadPlain || r.pfnRawReader == boLxmlReadLeica || r.pfnRawReader == boLxmlReadHeXml)
    return boLxmlPrepareRead;
  if (r.pfnFileReader == boJxlReadEntry) return boJxlPrepareRead;
  if (r.pfnFileReader == boMaxmlReadEntry) return boMaxmlPrepareRead;
  return nullptr;
}

bool boMboCanWrite(int iInstrument) { return pMboGetRawWriter(iInstrument) || pMboGetXmlWriter(iInstrument); }
bool boMboCanRead(int iInstrument) { return pMboGetRawReader(iInstrument) || pMboGetFileReader(iInstrument); }
bool boMboCanReceive(int iInstrument) { return pMboGetReceiver(iInstrument) != nullptr; }
bool boMboCanSend(int iInstrument) { return pMboGetSender(iInstrument) != nullptr; }

bool boMboIsGeodatInstrument(void) {
  uint32_t u = g_mboTransfer.settings.uInstrument;
  return u >= MBO_INSTR_GEODAT_402 && u <= MBO_INSTR_GEODIMETER_B;
}

bool boMboNeedsVertexIds(int iInstrument) { return iInstrument == MBO_INSTR_LEICA_HEXML; }

bool boMboWritesPointsOnly(int iInstrument) {
  switch (iInstrument) {
    case MBO_INSTR_DINI_M5:
    case MBO_INSTR_KERN_AC:
    case MBO_INSTR_SDR33:
    case MBO_INSTR_NIKON:
    case MBO_INSTR_TOPCON_FC:
      return true;
    default:
      return false;
  }
}

const char* sMboRawFileExtension(int iInstrument) { return Roles(iInstrument).sExt; }

bool boMboGetInstrument(int iIndex, MboInstrument* pEntry) {
  if (iIndex < 0) return false;
  // The catalogue ends at the first text that does not start with a digit,
  // so every entry before iIndex must be one.
  for (int n = 1; n <= iIndex + 1; n++)
    if (!boIsDigit(sCatalogueText(n)[0])) return false;
  const char* sText = sCatalogueText(iIndex + 1);
  if (pEntry) {
    pEntry->iNumber = iNumParseC(sText);
    // The name starts at index 3 whatever the number's length.
    sStrCopyN(pEntry->sName, strlen(sText) > 3 ? sText + 3 : "", (int)sizeof pEntry->sName);
  }
  return true;
}

int iMboInstrumentCount(void) {
  int n = 0;
  while (boIsDigit(sCatalogueText(n + 1)[0])) n++;
  return n;
}

void vMboFillInstrumentCombo(HWND hDlg, int iCurrent, bool boExport) {
  MboInstrument entry;
  for (int i = 0; boMboGetInstrument(i, &entry); i++) {
    bool boListed = boExport ? boMboCanWrite(entry.iNumber) : boMboCanRead(entry.iNumber);
    if (!boListed) continue;
    char sName[31];
    sStrCopyN(sName, entry.sName, (int)sizeof sName);
    char sItem[500];
    sStrPrintN(sItem, (int)sizeof sItem, "%-75s%d", sName, entry.iNumber);
    vDlgComboAdd(hDlg, 203, sItem);
    if (entry.iNumber == iCurrent) boDlgComboSelect(hDlg, 203, sItem);
  }
}

void vMboInstrumentName(int iInstrument, char* sBuf, int iSize) {
  if (!sBuf || iSize < 1) return;
  sBuf[0] = 0;
  MboInstrument entry;
  for (int i = 0; boMboGetInstrument(i, &entry); i++) {
    if (entry.iNumber == iInstrument) {
      sStrCopyN(sBuf, entry.sName, iSize);
      return;
    }
  }
}

void vMboBuildFileFilter(char* sBuf, int iSize, const char* sLastExt, const char* sInstrExt) {
  if (!sBuf || iSize < 1) return;
  sBuf[0] = 0;
  const char* sLast = sStrNotNull(sLastExt);
  const char* sInstr = sStrNotNull(sInstrExt);
  if (*sInstr && *sLast)
    sStrPrintN(sBuf, iSize, "*.%s;*.%s|*.%s;*.%s|", sInstr, sLast, sInstr, sLast);
  else if (*sInstr || *sLast) {
    const char* s = *sInstr ? sInstr : sLast;
    sStrPrintN(sBuf, iSize, "*.%s|*.%s|", s, s);
  }
  static const char* const s_apszFixed[] = {"raw", "gsi", "are", "kof", "*"};
  for (const char* sExt : s_apszFixed) {
    // Exact comparison: the dialogs hand over the extensions as stored.
    if (strcmp(sExt, sInstr) == 0 && strcmp(sExt, sLast) == 0) continue;
    char sPair[32];
    sStrPrintN(sPair, (int)sizeof sPair, "*.%s|*.%s|", sExt, sExt);
    sStrCatN(sBuf, sPair, iSize);
  }
}
