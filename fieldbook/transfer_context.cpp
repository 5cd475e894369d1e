// The transfer context: set-up and tear-down around every transfer export,
// the raw-file and side-file paths, and the module's transfer state.
#include "fieldbook/transfer_context.h"

#include <cstring>

#include "base/cnvtable.h"
#include "base/msgbox.h"
#include "base/paths.h"
#include "base/rtdialog.h"
#include "base/text.h"
#include "fieldbook/catalogue.h"
#include "kv2cosys.h"

MboTransferState g_mboTransfer;

namespace {

// A host text field read no further than its size: the host may fill it
// without a terminator. Cut at size-1 characters.
void vCopyHostField(char* sDst, int iDstSize, const char* sField, int iFieldSize) {
  int iLen = (int)strnlen(sField, (size_t)iFieldSize);
  if (iLen >= iFieldSize) iLen = iFieldSize - 1;
  if (iLen >= iDstSize) iLen = iDstSize - 1;
  memcpy(sDst, sField, (size_t)iLen);
  sDst[iLen] = 0;
}

// Opens the reference system of the host's coordinate system and height
// system, and its geoid model. Either may stay 0.
void vOpenCoSysObjects(void) {
  vMboCloseCoSysObjects();
  const uint64_t uCs = g_mboTransfer.uCoSys;
  const uint64_t uVer = g_mboTransfer.uCoSysVersion;
  if (uCs == 0 || uVer == 0) return;
  // The library may answer both look-ups from one buffer.
  char sVerDatum[260];
  sStrCopyN(sVerDatum, sCoSysVerGetDatumID(uVer), (int)sizeof sVerDatum);
  char sHorDatum[260];
  sStrCopyN(sHorDatum, sCoSysGetDatumID(uCs), (int)sizeof sHorDatum);
  uint64_t uId = CoSysRefSysFindId(sHorDatum, sVerDatum);
  if (uId == 0) return;
  uint64_t uRs = CoSysRefSysCreate();
  if (uRs == 0) return;
  vCoSysRefSysSetID(uRs, uId);
  if (!CoSysRefSysRead(uRs)) {
    CoSysRefSysClose(uRs);
    return;
  }
  g_mboTransfer.uRefSys = uRs;
  char sGeoidId[260];
  sStrCopyN(sGeoidId, sCoSysRefSysGetGeoideID(uRs), (int)sizeof sGeoidId);
  uint64_t uG = CoSysGeoideCreate();
  if (uG == 0) return;
  vCoSysGeoideSetID(uG, sGeoidId);
  if (!CoSysGeoideRead(uG)) {
    CoSysGeoideClose(uG);
    return;
  }
  g_mboTransfer.uGeoid = uG;
}

}  // namespace

void vMboTransferStateClear(void) {
  // Objects a transfer opened outside a field book's life (after a finish)
  // would otherwise be forgotten open.
  vMboCloseCoSysObjects();
  memset(&g_mboTransfer, 0, sizeof g_mboTransfer);
}

void vMboCloseCoSysObjects(void) {
  if (g_mboTransfer.uGeoid) CoSysGeoideClose(g_mboTransfer.uGeoid);
  if (g_mboTransfer.uRefSys) CoSysRefSysClose(g_mboTransfer.uRefSys);
  g_mboTransfer.uGeoid = 0;
  g_mboTransfer.uRefSys = 0;
}

bool boMboSetRawFilePath(const char* sPath) {
  if (!sPath || !*sPath || strlen(sPath) >= MBO_PATH_SIZE) return false;
  // The side file: the temp folder, the raw file's name, extension "ADM".
  char sName[MBO_PATH_SIZE];
  sPathGetName(sPath, sName, (int)sizeof sName);
  vPathSetExtN(sName, "ADM", (int)sizeof sName);
  char sTemp[MBO_PATH_SIZE];
  sPathGetTempDir(sTemp, (int)sizeof sTemp);
  char sSide[2 * MBO_PATH_SIZE];
  sPathJoin(sTemp, sName, sSide, (int)sizeof sSide);
  // A raw file in the temp folder with the extension ADM would be its own
  // side file, and the read operation creates the side file before it opens
  // the raw file: give the side file another base name.
  if (boPathSame(sSide, sPath)) {
    char sBase[MBO_PATH_SIZE];
    sPathGetBaseName(sPath, sBase, (int)sizeof sBase);
    sStrCatN(sBase, "_.ADM", (int)sizeof sBase);
    sPathJoin(sTemp, sBase, sSide, (int)sizeof sSide);
  }
  if (strlen(sSide) >= MBO_PATH_SIZE) return false;
  sStrCopyN(g_mboTransfer.sRawPath, sPath, MBO_PATH_SIZE);
  sStrCopyN(g_mboTransfer.sSidePath, sSide, MBO_PATH_SIZE);
  return true;
}

bool boMboSetRawFileExt(const char* sExt) {
  // No raw path (one was refused) must not turn into ".ext" in the current
  // folder, and a cut extension would name another file.
  if (!g_mboTransfer.sRawPath[0]) return false;
  char sRaw[2 * MBO_PATH_SIZE];
  sStrCopyN(sRaw, g_mboTransfer.sRawPath, (int)sizeof sRaw);
  vPathSetExtN(sRaw, sExt, (int)sizeof sRaw);
  if (strlen(sRaw) >= MBO_PATH_SIZE) return false;
  sStrCopyN(g_mboTransfer.sRawPath, sRaw, MBO_PATH_SIZE);
  return true;
}

bool boMboSetupTransfer(MboSettings* pSet, const MboHostRec* pHost) {
  if (!pSet) return false;
  memset(pSet, 0, sizeof *pSet);
  sDlgHelpFile("Survey");
  vMboSettingsDefaults(pSet);
  pSet->pFeatureTab = pCnvTabNew(9, 9);
  pSet->pPointTab = pCnvTabNew(4, 4);
  if (!pHost) {
    vMboTeardownTransfer(pSet);
    return false;
  }
  if (pHost->uVersion != MBO_HOST_REC_VERSION) {
    // Shown untranslated: the translator itself may be the mismatched part.
    vMsgWarning(sStrFormat("Bad DLL version: %d\nExpected %d", MBO_HOST_REC_VERSION, (int)pHost->uVersion));
    vMboTeardownTransfer(pSet);
    return false;
  }
  vMsgSetOemText(false);
  g_mboTransfer.uCoSys = pHost->uCoSys;
  vOpenCoSysObjects();
  vCopyHostField(g_mboTransfer.sIniPath, (int)sizeof g_mboTransfer.sIniPath, pHost->sIniPath,
                 (int)sizeof pHost->sIniPath);
  pSet->sIniPath = g_mboTransfer.sIniPath;
  pSet->pHost = pHost;
  g_mboTransfer.sReportFormat = "%s : %s";
  vMboSettingsLoad(pSet, true);

  char sBaseName[sizeof pHost->sRawBaseName];
  vCopyHostField(sBaseName, (int)sizeof sBaseName, pHost->sRawBaseName, (int)sizeof pHost->sRawBaseName);
  g_mboTransfer.sRawPath[0] = 0;
  g_mboTransfer.sSidePath[0] = 0;
  if (pSet->uConstRaw == 0 && sBaseName[0] != 0) {
    char sProject[sizeof pHost->sProjectPath];
    vCopyHostField(sProject, (int)sizeof sProject, pHost->sProjectPath, (int)sizeof pHost->sProjectPath);
    char sDir[MBO_PATH_SIZE];
    sPathGetDir(sProject, sDir, (int)sizeof sDir);
    char sRaw[2 * MBO_PATH_SIZE];
    sPathJoin(sDir, sBaseName, sRaw, (int)sizeof sRaw);
    // A base name with a dot loses what follows it: "JOB.1" -> "JOB.gsi".
    vPathSetExtN(sRaw, sMboRawFileExtension((int)pSet->uInstrument), (int)sizeof sRaw);
    // A path too long for the buffer is refused, not cut: the paths stay ""
    // and every operation then fails to open the raw file.
    boMboSetRawFilePath(sRaw);
  } else {
    // The bare name, in the process's current folder (not the temp folder),
    // without extension. The setup dialog's OK makes it "TMP.<ext>".
    boMboSetRawFilePath("TMP");
  }
  return true;
}

void vMboTeardownTransfer(MboSettings* pSet) {
  if (!pSet) return;
  pSet->pFeatureTab = pCnvTabFree(pSet->pFeatureTab);
  pSet->pPointTab = pCnvTabFree(pSet->pPointTab);
  // The dialogs copied the record into the global copy; its table
  // references now point at freed tables. A null table converts nothing.
  g_mboTransfer.settings.pFeatureTab = nullptr;
  g_mboTransfer.settings.pPointTab = nullptr;
}
