// Geoid heights and vertex completion for an accepted import.
#include "fieldbook/completion.h"

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kvxlib.h"

namespace {

// Every vertex of the line in order, the middle of a three-point arc right
// after its start (it is not in the plain chain).
template <typename Visit>
void vForEachVertex(LiLine* line, Visit visit) {
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    visit(e);
    if (LiElmGetType(line, e) == 2)
      if (LiElm* middle = LiElmGet3pArcElm2(line, e)) visit(middle);
  }
}

// The lines of the line container; the polygon container is left alone.
template <typename Visit>
void vForEachLine(Visit visit) {
  if (!g_pMboLines) return;
  for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l)) visit(l);
}

}  // namespace

double dMboGeoidHeight(const char* id, double x, double y, int* messageFlag) {
  const uint64_t geoid = g_mboTransfer.uGeoid;
  double n = 0.0;
  bool model = boCoSysGeoideCalculateHeight(geoid, g_mboTransfer.uCoSys, sStrNotNull(id), x, y, &n);
  if (!model) n = dCoSysGeoideGetDefaultHeight(geoid);
  if (messageFlag && *messageFlag) {
    *messageFlag = 0;
    if (model) {
      vMsgInfo(sKvxPoGetText("Converting heights using geoidal model"));
    } else {
      char text[512];
      iNumPrintC(text, sizeof text, sKvxPoGetText("Converting heights using default geoide: %.3lf"), n);
      vMsgInfo(text);
    }
  }
  return n;
}

void vMboConvertHeightsByGeoid(void) {
  int message = 1;  // one message for the whole pass
  if (g_pMboPoints) {
    for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
      double x, y, z;
      if (!boMboGetPointXY(p, &x, &y) || !boMboGetPointZ(p, &z)) continue;
      vMboSetPointZ(p, z - dMboGeoidHeight(sMboGetPointPID(p), x, y, &message));
    }
  }
  int lineNo = 0, vertexNo = 0;  // vertices are counted across all lines
  vForEachLine([&](LiLine* line) {
    ++lineNo;
    vForEachVertex(line, [&](LiElm* e) {
      ++vertexNo;
      double x, y, z;
      if (!boMboGetElmXY(line, e, &x, &y) || !boMboGetElmZ(line, e, &z)) return;
      char id[48];
      iNumPrintC(id, sizeof id, "L%d_%d", lineNo, vertexNo);
      vMboSetElmZ(line, e, z - dMboGeoidHeight(id, x, y, &message));
    });
  });
  for (void* st = pMboGetNextSt(MBO_KIND_COORD, nullptr); st; st = pMboGetNextSt(MBO_KIND_COORD, st)) {
    const char* name = sMboName(&static_cast<MboStationCoord*>(st)->name);
    for (void* o = pMboGetNextObs(MBO_KIND_COORD, st, nullptr); o; o = pMboGetNextObs(MBO_KIND_COORD, st, o)) {
      auto* obs = static_cast<MboObsCoord*>(o);
      obs->dZ -= dMboGeoidHeight(name, obs->dX, obs->dY, &message);
    }
  }
}

void vMboResolveElmCoords(void) {
  MboIndexPass pass;  // one look-up per vertex
  vForEachLine([](LiLine* line) {
    vForEachVertex(line, [line](LiElm* e) {
      MboElmData* data = pMboElmGetData(line, e);
      if (!data || !data->sPid[0]) return;
      PoPoint* point = pMboFindPoint(data->sPid);
      if (!point) return;
      double x, y, z;
      if (boMboGetPointXY(point, &x, &y)) vMboSetElmXY(line, e, x, y);
      if (boMboGetPointZ(point, &z)) vMboSetElmZ(line, e, z);
    });
  });
}
