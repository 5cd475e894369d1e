// Settings record: defaults, option strings, load and save in the host's ini
// file through KvxLib.
#include "fieldbook/settings.h"

#include <cstring>

#include "base/cnum.h"
#include "base/cnvtable.h"
#include "base/text.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"

namespace {

const char* const SECTION = "KvxMbo";
const char* const KEY_TYPE = "MboType";

// The instrument's option and serial keys: "MboType42", "MboTypeIO42".
void vOptionKey(char* sKey, int iSize, uint32_t uInstrument) {
  sStrPrintN(sKey, iSize, "%s%d", KEY_TYPE, (int)uInstrument);
}
void vSerialKey(char* sKey, int iSize, uint32_t uInstrument) {
  sStrPrintN(sKey, iSize, "%sIO%d", KEY_TYPE, (int)uInstrument);
}

void vNumbersAtLeastOne(MboSettings* pSet) {
  if (pSet->uTheodoliteNo == 0) pSet->uTheodoliteNo = 1;
  if (pSet->uLevellerNo == 0) pSet->uLevellerNo = 1;
  if (pSet->uSatelliteNo == 0) pSet->uSatelliteNo = 1;
  if (pSet->uCoordinateNo == 0) pSet->uCoordinateNo = 1;
}

// The option-string fields at their defaults: the four instrument numbers 1,
// everything else 0.
void vResetOptions(MboSettings* pSet) {
  pSet->uTheodoliteNo = pSet->uLevellerNo = pSet->uSatelliteNo = pSet->uCoordinateNo = 1;
  pSet->uCorrCode = pSet->uFconv = pSet->uPconv = pSet->uConstRaw = pSet->uEllH = 0;
  pSet->iEO = pSet->iNO = 0;
}

// True when the name part of a path has an extension.
bool boHasExtension(const char* sPath) {
  const char* sName = sPath;
  for (const char* p = sPath; *p; p++)
    if (*p == '\\' || *p == '/') sName = p + 1;
  return strchr(sName, '.') != nullptr;
}

// Walks the key:value items of an option string. Items are separated by
// blanks or tabs; the value is the next blank-separated field, quotes
// allowed. An item without a colon ends the walk.
template <class Fn>
void vForEachItem(const char* sText, Fn fnApply) {
  const char* p = sText;
  if (!p) return;
  for (;;) {
    while (*p == ' ' || *p == '\t') p++;
    if (!*p) return;
    const char* sKeyStart = p;
    while (*p && *p != ':' && *p != ' ' && *p != '\t') p++;
    if (*p != ':') return;
    char sKey[64];
    int iLen = (int)(p - sKeyStart);
    if (iLen >= (int)sizeof sKey) iLen = (int)sizeof sKey - 1;
    memcpy(sKey, sKeyStart, (size_t)iLen);
    sKey[iLen] = 0;
    const char* cursor = p + 1;
    const char* sValue = sStrNextField(&cursor, ' ');
    fnApply(sKey, sValue);
    if (!cursor) return;
    p = cursor;
  }
}

// A numeric item of an option string and the field it sets (atoi).
template <class Rec>
struct NumberItem {
  const char* sKey;
  uint32_t Rec::*pField;
};

template <class Rec, size_t N>
bool boSetNumberItem(Rec* pRec, const NumberItem<Rec> (&aItems)[N], const char* sKey, const char* sValue) {
  for (const NumberItem<Rec>& item : aItems) {
    if (strcmp(sKey, item.sKey) != 0) continue;
    pRec->*item.pField = (uint32_t)iNumParseC(sValue);
    return true;
  }
  return false;
}

}  // namespace

void vMboSettingsDefaults(MboSettings* pSet) {
  pSet->com.uPort = 1;
  pSet->com.uBaud = 9600;
  pSet->com.uBits = 8;
  pSet->com.uParity = 0;
  pSet->com.uStop = 0;
  pSet->uInstrument = 0;
  vResetOptions(pSet);
}

void vMboSettingsApplyOptions(MboSettings* pSet, const char* sText) {
  static const NumberItem<MboSettings> s_aItems[] = {
      {"convinstrno", &MboSettings::uTheodoliteNo},
      {"levinstrno", &MboSettings::uLevellerNo},
      {"satinstrno", &MboSettings::uSatelliteNo},
      {"coordinstrno", &MboSettings::uCoordinateNo},
      {"corrcode", &MboSettings::uCorrCode},
      {"Fconv", &MboSettings::uFconv},
      {"Pconv", &MboSettings::uPconv},
      {"constraw", &MboSettings::uConstRaw},
  };
  vForEachItem(sText, [pSet](const char* sKey, const char* sValue) {
    if (strcmp(sKey, "instrno") == 0) {
      uint32_t u = (uint32_t)iNumParseC(sValue);
      pSet->uTheodoliteNo = pSet->uLevellerNo = pSet->uSatelliteNo = pSet->uCoordinateNo = u;
    } else if (strcmp(sKey, "EO") == 0)
      pSet->iEO = iNumParseC(sValue);
    else if (strcmp(sKey, "NO") == 0)
      pSet->iNO = iNumParseC(sValue);
    else if (strcmp(sKey, "EllH") == 0)
      pSet->uEllH = lNumParseC(sValue) != 0 ? 1 : 0;
    else if (strcmp(sKey, "file") == 0)
      sStrCopyN(g_mboTransfer.sRawFileName, sValue, MBO_PATH_SIZE);
    else
      boSetNumberItem(pSet, s_aItems, sKey, sValue);
  });
}

void vMboSettingsApplySerial(ComPortSettings* pCom, const char* sText) {
  static const NumberItem<ComPortSettings> s_aItems[] = {
      {"port", &ComPortSettings::uPort},     {"baud", &ComPortSettings::uBaud}, {"bits", &ComPortSettings::uBits},
      {"parity", &ComPortSettings::uParity}, {"sbit", &ComPortSettings::uStop},
  };
  vForEachItem(sText, [pCom](const char* sKey, const char* sValue) { boSetNumberItem(pCom, s_aItems, sKey, sValue); });
}

void vMboSettingsFormatOptions(const MboSettings* pSet, char* sBuf, int iSize) {
  sStrPrintN(sBuf, iSize,
             "convinstrno:%d levinstrno:%d satinstrno:%d coordinstrno:%d corrcode:%d Fconv:%d Pconv:%d constraw:%d "
             "EO:%ld NO:%ld EllH:%d file:\"%s\" geoide:\"\"",
             (int)pSet->uTheodoliteNo, (int)pSet->uLevellerNo, (int)pSet->uSatelliteNo, (int)pSet->uCoordinateNo,
             (int)pSet->uCorrCode, (int)pSet->uFconv, (int)pSet->uPconv, (int)pSet->uConstRaw, (long)pSet->iEO,
             (long)pSet->iNO, (int)pSet->uEllH, g_mboTransfer.sRawFileName);
}

void vMboSettingsFormatSerial(const ComPortSettings* pCom, char* sBuf, int iSize) {
  sStrPrintN(sBuf, iSize, "port:%d baud:%d  bits:%d parity:%d sbit:%d", (int)pCom->uPort, (int)pCom->uBaud,
             (int)pCom->uBits, (int)pCom->uParity, (int)pCom->uStop);
}

void vMboSettingsValidateSerial(ComPortSettings* pCom, int iInstrument) {
  // The port name is "COM" plus one digit. The setup dialog offers ports 0
  // to 4, but COM5 to COM9 exist on real machines and a hand-edited file may
  // name them: they are kept.
  if (pCom->uPort > 9) pCom->uPort = (boMboCanReceive(iInstrument) || boMboCanSend(iInstrument)) ? 1 : 0;
  if (pCom->uParity > 2) pCom->uParity = 0;
  if (pCom->uStop > 2) pCom->uStop = 0;
  if (pCom->uBits != 7 && pCom->uBits != 8) pCom->uBits = 8;
  if (pCom->uBaud == 0) pCom->uBaud = 9600;
}

void vMboSettingsLoad(MboSettings* pSet, bool boReadInstrument) {
  vNumbersAtLeastOne(pSet);
  const char* sIni = pSet->sIniPath ? pSet->sIniPath : "";
  if (boReadInstrument) {
    char sType[20] = "";
    if (!boKvxInifGet(sIni, SECTION, KEY_TYPE, sType, (int)sizeof sType)) sType[0] = 0;
    pSet->uInstrument = (uint32_t)iNumParseC(sType);
  }
  const int iInstrument = (int)pSet->uInstrument;
  if (iInstrument != 0) {
    vResetOptions(pSet);
    sStrPrintN(g_mboTransfer.sRawFileName, MBO_PATH_SIZE, "*.%s", sMboRawFileExtension(iInstrument));
    KvxInif* pIni = pKvxInifOpen(sIni, 0);
    if (pIni) {
      boKvxInifSetSection(pIni, SECTION);
      char sKey[30];
      char sValue[2048];
      vOptionKey(sKey, (int)sizeof sKey, pSet->uInstrument);
      if (boKvxInifGetEntry(pIni, sKey, sValue, (int)sizeof sValue)) vMboSettingsApplyOptions(pSet, sValue);
      vSerialKey(sKey, (int)sizeof sKey, pSet->uInstrument);
      if (boKvxInifGetEntry(pIni, sKey, sValue, (int)sizeof sValue)) vMboSettingsApplySerial(&pSet->com, sValue);
      vKvxInifClose(pIni);
    }
  }
  vMboSettingsValidateSerial(&pSet->com, iInstrument);
  if (!boMboCanReceive(iInstrument) && !boMboCanSend(iInstrument)) pSet->com.uPort = 0;
  if (g_mboTransfer.sRawFileName[0] == 0)
    sStrPrintN(g_mboTransfer.sRawFileName, MBO_PATH_SIZE, "*.%s", sMboRawFileExtension(iInstrument));
  if (pSet->pFeatureTab) boCnvTabRead(pSet->pFeatureTab, sIni, "MboCnvTheme");
  if (pSet->pPointTab) boCnvTabRead(pSet->pPointTab, sIni, "MboCnvPnt");
}

void vMboSettingsSave(MboSettings* pSet) {
  vNumbersAtLeastOne(pSet);
  if (pSet->uInstrument == 0) return;
  const char* sIni = pSet->sIniPath ? pSet->sIniPath : "";
  char sValue[2048];
  sStrPrintN(sValue, (int)sizeof sValue, "%d", (int)pSet->uInstrument);
  vKvxInifPut(sIni, SECTION, KEY_TYPE, sValue);
  KvxInif* pIni = pKvxInifOpen(sIni, 1);
  if (!pIni) return;
  boKvxInifSetSection(pIni, SECTION);
  char* sName = g_mboTransfer.sRawFileName;
  if (sName[0] == 0) sStrCopyN(sName, "*.raw", MBO_PATH_SIZE);
  if (!boHasExtension(sName)) {
    sStrCatN(sName, ".", MBO_PATH_SIZE);
    sStrCatN(sName, sMboRawFileExtension((int)pSet->uInstrument), MBO_PATH_SIZE);
  }
  char sKey[30];
  vOptionKey(sKey, (int)sizeof sKey, pSet->uInstrument);
  vMboSettingsFormatOptions(pSet, sValue, (int)sizeof sValue);
  vKvxInifPutEntry(pIni, sKey, sValue);
  vSerialKey(sKey, (int)sizeof sKey, pSet->uInstrument);
  vMboSettingsFormatSerial(&pSet->com, sValue, (int)sizeof sValue);
  vKvxInifPutEntry(pIni, sKey, sValue);
  vKvxInifClose(pIni);
}

char cMboGeodatEofChar(void) {
  const char* sIni = g_mboTransfer.settings.sIniPath;
  if (!sIni) return '>';
  char sValue[10] = "";
  if (!boKvxInifGet(sIni, SECTION, "402EOF", sValue, (int)sizeof sValue)) return '>';
  int i = iNumParseC(sValue);
  return (i >= 1 && i <= 126) ? (char)i : '>';
}
