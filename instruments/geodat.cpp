// Geodat label=value raw files (see geodat.h).
#include "instruments/geodat.h"

#include "base/text.h"
#include "fieldbook/model.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"

// ---------------------------------------------------------------- writer

bool boGeodatWriteRaw(uint32_t hRaw) {
  if (!g_pMboPoints) return false;
  const MboSettings& set = g_mboTransfer.settings;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x, y, z;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    boMboWriteLine(hRaw, sStrFormat("%d=%s", 5, sMboGetPointNo(p)));
    const char* sCode = sMboPointGetField(p);
    if (sCode && *sCode) boMboWriteLine(hRaw, sStrFormat("%d=%s", 4, sCode));
    // The file's north is the field book's Y, and EO belongs to the north.
    boMboWriteLine(hRaw, sStrFormat("%d=%.3lf", 37, y - set.iEO));
    boMboWriteLine(hRaw, sStrFormat("%d=%.3lf", 38, x - set.iNO));
    if (boMboGetPointZ(p, &z)) boMboWriteLine(hRaw, sStrFormat("%d=%.3lf", 39, z));
  }
  return true;
}

// ---------------------------------------------------------------- reader

bool boGeodatReadRaw(uint32_t, uint32_t) { return false; }
