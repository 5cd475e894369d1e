// The instrument catalogue (from the string table) and the driver dispatch.
#include "fieldbook/catalogue.h"

#include <cstring>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/rtdialog.h"
#include "base/text.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"
#include "resources/strings_instruments.h"

int LxmlDialect = 0;

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
  return true;
}

bool boLxmlWritePlain(const char* sPath) { return boLxmlWriteFile(sPath, LXML_DIALECT_PLAIN); }
bool boLxmlWriteLeica(const char* sPath) { return boLxmlWriteFile(sPath, LXML_DIALECT_LEICA); }
bool boLxmlWriteTrimble(const char* sPath) { return boLxmlWriteFile(sPath, LXML_DIALECT_TRIMBLE); }
bool boLxmlWriteHeXml(const char* sPath) { return boLxmlWriteFile(sPath, LXML_DIALECT_HEXML); }
bool boJxlWriteEntry(const char* sPath) { return iJxlWriteFile(sPath) != 0; }

// The LandXML readers' result means nothing to the read operation.
bool boLxmlReadPlain(uint32_t hRaw, uint32_t hSide) {
  iLxmlReadRaw(hRaw, hSide, LXML_DIALECT_PLAIN);
  return false;
}
bool boLxmlReadLeica(uint32_t hRaw, uint32_t hSide) {
  iLxmlReadRaw(hRaw, hSide, LXML_DIALECT_LEICA);
  return false;
}
bool boLxmlReadHeXml(uint32_t hRaw, uint32_t hSide) {
  iLxmlReadRaw(hRaw, hSide, LXML_DIALECT_HEXML);
  return false;
}

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
    {11, boGeodatWriteRaw, nullptr, boGeodatReceiveMode, boGeodatReadRaw, nullptr, boGeodatSendMode, "raw"},
    {12, boGeodatWriteRaw, nullptr, boGeodatReceiveMode, boGeodatReadRaw, nullptr, boGeodatSendMode, "raw"},
    {13, boGeodatWriteRaw, nullptr, boGeodatReceivePlain, boGeodatReadRaw, nullptr, boGeodatSendPlain, "raw"},
    {14, nullptr, nullptr, boGeodatReceivePlain, boGeodatReadRaw, nullptr, nullptr, "raw"},
    {15, nullptr, nullptr, boGeodatReceivePlain, boGeodatReadRaw, nullptr, nullptr, "raw"},
    {16, boGeodatWriteRaw, nullptr, boGeodatReceivePlain, boGeodatReadRaw, nullptr, boGeodatSendPlain, "raw"},
    {10, boGeodatWriteRaw, nullptr, nullptr, boGeodatReadRaw, nullptr, nullptr, "are"},
    {22, boRec500WriteRaw, nullptr, boRec500Receive, boRec500ReadRaw, nullptr, boRec500Send, "raw"},
    {92, boGsiWriteRaw, nullptr, boGsiReceive, boGsiReadRaw, nullptr, boGsiSend, "raw"},
    {95, boGsiWriteRaw, nullptr, nullptr, boGsiReadRaw, nullptr, nullptr, "gsi"},
    {94, boGsiWriteRaw, nullptr, boGsiReceive, boGsiReadRaw, nullptr, boGsiSend, "raw"},
    {93, boGsiWriteRaw, nullptr, boGsiReceive, boGsiReadRaw, nullptr, boGsiSend, "raw"},
    {96, boGsiWriteRaw, nullptr, boGsiTpsReceive, boGsiReadRaw, nullptr, boGsiTpsSend, "raw"},
    {62, nullptr, nullptr, boSdrReceive, nullptr, nullptr, boSdrSend, "raw"},
    {63, boSdr33WriteRaw, nullptr, boSdrReceive, boSdr33ReadRaw, nullptr, boSdrSend, "raw"},
    {72, boTopconFcWriteRaw, nullptr, boTopconFcReceive, boTopconFcReadRaw, nullptr, boTopconFcSend, "raw"},
    {73, boGts800WriteRaw, nullptr, boGts800Receive, boGts800ReadRaw, nullptr, boGts800Send, "raw"},
    {21, boPsionWriteRaw, nullptr, boPsionReceive, boPsionReadRaw, nullptr, boPsionSend, "raw"},
    {42, boKernWriteRaw, nullptr, boKernReceive, boKernReadRaw, nullptr, boKernSend, "raw"},
    {67, boNikonWriteRaw, nullptr, boNikonReceive, boNikonReadRaw, nullptr, boNikonSend, "raw"},
    {80, nullptr, nullptr, boGsiReceive, boGsiReadRaw, nullptr, nullptr, "raw"},
    {81, nullptr, nullptr, boRec500Receive, boMboReadDiNi10, nullptr, nullptr, "raw"},
    {82, nullptr, nullptr, boDl101Receive, boDl101ReadRaw, nullptr, nullptr, "raw"},
    {98, boKofWriteRawEntry, nullptr, nullptr, boKofReadRaw, nullptr, boKofSend, "kof"},
    {99, nullptr, nullptr, nullptr, boPumatecReadRaw, nullptr, nullptr, "ptc"},
    {24, boM5WriteRaw, nullptr, nullptr, boM5ReadRaw, nullptr, nullptr, "raw"},
    {64, boDc77WriteRaw, nullptr, boSdrReceive, boTrimbleDcReadRaw, nullptr, boSdrSend, "raw"},
    {65, boDc10WriteRaw, nullptr, boSdrReceive, boTrimbleDcReadRaw, nullptr, boSdrSend, "raw"},
    {25, nullptr, boLxmlWritePlain, nullptr, boLxmlReadPlain, nullptr, nullptr, "xml"},
    {97, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "raw"},
    {50, nullptr, nullptr, nullptr, boGpsLeicaAsciiReadRaw, nullptr, nullptr, "asc"},
    {51, nullptr, nullptr, nullptr, boGpsTrimbleTgoReadRaw, nullptr, nullptr, "asc"},
    {52, nullptr, nullptr, nullptr, boGpsAshtechReadRaw, nullptr, nullptr, "*"},
    {53, nullptr, nullptr, nullptr, boGpsGeolabReadRaw, nullptr, nullptr, "*"},
    {54, nullptr, nullptr, nullptr, boGpsBluebookReadRaw, nullptr, nullptr, "G"},
    {55, nullptr, nullptr, nullptr, boGpsMagellanReadRaw, nullptr, nullptr, "*"},
    {56, nullptr, nullptr, nullptr, boGpsTrimbleBinReadRaw, nullptr, nullptr, "ss?"},
    {27, nullptr, nullptr, nullptr, boLxmlReadHeXml, nullptr, nullptr, "xcf"},
    {31, nullptr, nullptr, nullptr, boLxmlReadLeica, nullptr, nullptr, "xcf"},
    {26, nullptr, boLxmlWriteLeica, nullptr, boLxmlReadLeica, nullptr, nullptr, "xml"},
    {28, nullptr, boLxmlWriteTrimble, nullptr, nullptr, nullptr, nullptr, "xml"},
    {29, nullptr, boLxmlWriteHeXml, nullptr, boLxmlReadHeXml, nullptr, nullptr, "xml"},
    {30, nullptr, boJxlWriteEntry, nullptr, nullptr, boJxlReadEntry, nullptr, "jxl"},
    {100, nullptr, nullptr, nullptr, boVmlReadRaw, nullptr, nullptr, "vml"},
    {74, nullptr, nullptr, nullptr, nullptr, boMaxmlReadEntry, nullptr, "mxl"},
    {101, nullptr, nullptr, nullptr, nullptr, boSbgReadFile, nullptr, "plm"},
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

bool boMboRoleUnavailable(int iRole) {
  static const char* const s_apszText[] = {
      "ERROR! Writing raw data is not available for this instrument",
      "ERROR! Writing XML data is not available for this instrument",
      "ERROR! Receiving raw data is not available for this instrument",
      "ERROR! Reading raw data is not available for this instrument",
      "ERROR! Reading this file is not available for this instrument",
      "ERROR! Sending raw data is not available for this instrument",
  };
  if (iRole >= 0 && iRole < (int)(sizeof s_apszText / sizeof s_apszText[0])) vMsgWarning(sKvxPoGetText(s_apszText[iRole]));
  return false;
}

MboRawWriterFn pMboGetRawWriter(int iInstrument) { return Roles(iInstrument).pfnRawWriter; }
MboXmlWriterFn pMboGetXmlWriter(int iInstrument) { return Roles(iInstrument).pfnXmlWriter; }
MboReceiverFn pMboGetReceiver(int iInstrument) { return Roles(iInstrument).pfnReceiver; }
MboRawReaderFn pMboGetRawReader(int iInstrument) { return Roles(iInstrument).pfnRawReader; }
MboFileReaderFn pMboGetFileReader(int iInstrument) { return Roles(iInstrument).pfnFileReader; }
MboSenderFn pMboGetSender(int iInstrument) { return Roles(iInstrument).pfnSender; }

bool boMboCanWrite(int iInstrument) { return pMboGetRawWriter(iInstrument) || pMboGetXmlWriter(iInstrument); }
bool boMboCanRead(int iInstrument) { return pMboGetRawReader(iInstrument) || pMboGetFileReader(iInstrument); }
bool boMboCanReceive(int iInstrument) { return pMboGetReceiver(iInstrument) != nullptr; }
bool boMboCanSend(int iInstrument) { return pMboGetSender(iInstrument) != nullptr; }

bool boMboIsGeodatInstrument(void) {
  uint32_t u = g_mboTransfer.settings.uInstrument;
  return u >= 11 && u <= 16;
}

bool boMboNeedsVertexIds(int iInstrument) { return iInstrument == 29; }

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
