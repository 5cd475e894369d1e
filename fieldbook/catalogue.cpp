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

void vCopyN(char* sDst, const char* sSrc, int iSize) { sStrCopyN(sDst, sSrc, iSize); }

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

MboRawWriterFn pMboGetRawWriter(int iInstrument) {
  switch (iInstrument) {
    case 11:
    case 12:
    case 13:
    case 16:
    case 10:
      return boGeodatWriteRaw;
    case 22:
      return boRec500WriteRaw;
    case 92:
    case 95:
    case 94:
    case 93:
    case 96:
      return boGsiWriteRaw;
    case 63:
      return boSdr33WriteRaw;
    case 72:
      return boTopconFcWriteRaw;
    case 73:
      return boGts800WriteRaw;
    case 21:
      return boPsionWriteRaw;
    case 42:
      return boKernWriteRaw;
    case 67:
      return boNikonWriteRaw;
    case 98:
      return boKofWriteRawEntry;
    case 24:
      return boM5WriteRaw;
    case 64:
      return boDc77WriteRaw;
    case 65:
      return boDc10WriteRaw;
    default:
      return nullptr;
  }
}

MboXmlWriterFn pMboGetXmlWriter(int iInstrument) {
  switch (iInstrument) {
    case 25:
      return boLxmlWritePlain;
    case 26:
      return boLxmlWriteLeica;
    case 28:
      return boLxmlWriteTrimble;
    case 29:
      return boLxmlWriteHeXml;
    case 30:
      return boJxlWriteEntry;
    default:
      return nullptr;
  }
}

MboReceiverFn pMboGetReceiver(int iInstrument) {
  switch (iInstrument) {
    case 11:
    case 12:
      return boGeodatReceiveMode;
    case 13:
    case 14:
    case 15:
    case 16:
      return boGeodatReceivePlain;
    case 22:
    case 81:
      return boRec500Receive;
    case 92:
    case 94:
    case 93:
    case 80:
      return boGsiReceive;
    case 96:
      return boGsiTpsReceive;
    case 62:
    case 63:
    case 64:
    case 65:
      return boSdrReceive;
    case 72:
      return boTopconFcReceive;
    case 73:
      return boGts800Receive;
    case 21:
      return boPsionReceive;
    case 42:
      return boKernReceive;
    case 67:
      return boNikonReceive;
    case 82:
      return boDl101Receive;
    default:
      return nullptr;
  }
}

MboRawReaderFn pMboGetRawReader(int iInstrument) {
  switch (iInstrument) {
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
    case 16:
    case 10:
      return boGeodatReadRaw;
    case 22:
      return boRec500ReadRaw;
    case 92:
    case 95:
    case 94:
    case 93:
    case 96:
    case 80:
      return boGsiReadRaw;
    case 63:
      return boSdr33ReadRaw;
    case 72:
      return boTopconFcReadRaw;
    case 73:
      return boGts800ReadRaw;
    case 21:
      return boPsionReadRaw;
    case 42:
      return boKernReadRaw;
    case 67:
      return boNikonReadRaw;
    case 81:
      return boMboReadDiNi10;
    case 82:
      return boDl101ReadRaw;
    case 98:
      return boKofReadRaw;
    case 99:
      return boPumatecReadRaw;
    case 24:
      return boM5ReadRaw;
    case 64:
    case 65:
      return boTrimbleDcReadRaw;
    case 25:
      return boLxmlReadPlain;
    case 50:
      return boGpsLeicaAsciiReadRaw;
    case 51:
      return boGpsTrimbleTgoReadRaw;
    case 52:
      return boGpsAshtechReadRaw;
    case 53:
      return boGpsGeolabReadRaw;
    case 54:
      return boGpsBluebookReadRaw;
    case 55:
      return boGpsMagellanReadRaw;
    case 56:
      return boGpsTrimbleBinReadRaw;
    case 27:
    case 29:
      return boLxmlReadHeXml;
    case 31:
    case 26:
      return boLxmlReadLeica;
    case 100:
      return boVmlReadRaw;
    default:
      return nullptr;
  }
}

MboFileReaderFn pMboGetFileReader(int iInstrument) {
  switch (iInstrument) {
    case 30:
      return boJxlReadEntry;
    case 74:
      return boMaxmlReadEntry;
    case 101:
      return boSbgReadFile;
    default:
      return nullptr;
  }
}

MboSenderFn pMboGetSender(int iInstrument) {
  switch (iInstrument) {
    case 11:
    case 12:
      return boGeodatSendMode;
    case 13:
    case 16:
      return boGeodatSendPlain;
    case 22:
      return boRec500Send;
    case 92:
    case 94:
    case 93:
      return boGsiSend;
    case 96:
      return boGsiTpsSend;
    case 62:
    case 63:
    case 64:
    case 65:
      return boSdrSend;
    case 72:
      return boTopconFcSend;
    case 73:
      return boGts800Send;
    case 21:
      return boPsionSend;
    case 42:
      return boKernSend;
    case 67:
      return boNikonSend;
    case 98:
      return boKofSend;
    default:
      return nullptr;
  }
}

bool boMboCanWrite(int iInstrument) { return pMboGetRawWriter(iInstrument) || pMboGetXmlWriter(iInstrument); }
bool boMboCanRead(int iInstrument) { return pMboGetRawReader(iInstrument) || pMboGetFileReader(iInstrument); }
bool boMboCanReceive(int iInstrument) { return pMboGetReceiver(iInstrument) != nullptr; }
bool boMboCanSend(int iInstrument) { return pMboGetSender(iInstrument) != nullptr; }

bool boMboIsGeodatInstrument(void) {
  uint32_t u = g_mboTransfer.settings.uInstrument;
  return u >= 11 && u <= 16;
}

bool boMboNeedsVertexIds(int iInstrument) { return iInstrument == 29; }

const char* sMboRawFileExtension(int iInstrument) {
  switch (iInstrument) {
    case 10:
      return "are";
    case 95:
      return "gsi";
    case 98:
      return "kof";
    case 99:
      return "ptc";
    case 25:
    case 26:
    case 28:
    case 29:
      return "xml";
    case 50:
    case 51:
      return "asc";
    case 52:
    case 53:
    case 55:
      return "*";
    case 54:
      return "G";
    case 56:
      return "ss?";
    case 27:
    case 31:
      return "xcf";
    case 30:
      return "jxl";
    case 100:
      return "vml";
    case 74:
      return "mxl";
    case 101:
      return "plm";
    default:
      return "raw";
  }
}

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
    vCopyN(pEntry->sName, strlen(sText) > 3 ? sText + 3 : "", (int)sizeof pEntry->sName);
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
      vCopyN(sBuf, entry.sName, iSize);
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
