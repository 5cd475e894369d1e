// The transfer context: what every transfer export builds before it runs
// (settings with defaults and ini values, the coordinate-system objects, the
// raw-file and side-file paths) and tears down when it returns; and the
// module-wide transfer state that the operations and drivers use.
#pragma once

#include <cstdint>

#include "fieldbook/hostrec.h"
#include "fieldbook/settings.h"
#include "win32.h"

#define MBO_PATH_SIZE 257
#define MBO_INI_PATH_SIZE 260

// The module's transfer state. vKvxMboInit zeroes it whole
// (vMboTransferStateClear), so vKvxMboInitCoSysVer must come after it.
struct MboTransferState {
  char sRawPath[MBO_PATH_SIZE];      // raw file of the running transfer
  char sSidePath[MBO_PATH_SIZE];     // side file ("ADM") in the temp folder
  char sRawFileName[MBO_PATH_SIZE];  // remembered raw-file name, ini item "file"
  char sIniPath[MBO_INI_PATH_SIZE];  // copy of the host's ini path
  uint32_t hRaw;                     // raw-file handle while an operation runs, 0 none
  uint32_t hSide;                    // side-file handle, 0 none
  uint32_t uAbort;                   // set by the Stop buttons, polled by serial waits
  uint32_t uWriteError;              // the first failed write's system error, 0 none
  uint32_t uGeodatMode;              // 0 none, 1 job files, 2 area files
  HWND hStatus;                      // the running transfer dialog (status line), or null
  uint64_t uCoSys;                   // coordinate-system handle of the host record
  uint64_t uCoSysVersion;            // from vKvxMboInitCoSysVer, 0 until given
  uint64_t uRefSys;                  // reference-system object, 0 none
  uint64_t uGeoid;                   // geoid-model object, 0 none
  const char* sReportFormat;         // side-file report lines: "%s : %s" (label, value)
  MboSettings settings;              // the global copy the operations and drivers read
};

extern MboTransferState g_mboTransfer;

// Closes the reference-system and geoid objects still open, then zeroes it.
void vMboTransferStateClear(void);

// Builds the context into pSet from the host record (in this order: defaults
// and converter tables, version check, coordinate-system objects, settings
// load, raw-file path). False, with everything made torn down again, for a
// null record or a version other than 1096 (after the untranslated warning
// "Bad DLL version: %d\nExpected %d").
bool boMboSetupTransfer(MboSettings* pSet, const MboHostRec* pHost);
// Frees the context's converter tables and clears their references, in pSet
// and in the global copy (which may hold a copy of pSet).
void vMboTeardownTransfer(MboSettings* pSet);

// Sets the raw-file path and derives the side-file path from it: the temp
// folder, the raw file's name with the extension "ADM" (a different base
// name when that would be the raw file itself). False, with both paths
// unchanged, for a null or empty path or one longer than 256 characters.
bool boMboSetRawFilePath(const char* sPath);
// Replaces the extension of the raw-file path only. False, with the path
// unchanged, when there is no raw path or the result would not fit.
bool boMboSetRawFileExt(const char* sExt);

// Closes the reference-system and geoid objects when open (vKvxMboFinish
// and every new context).
void vMboCloseCoSysObjects(void);
