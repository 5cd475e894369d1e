// Stations, observations and their attributes.
#include "fieldbook/stations.h"

#include <cmath>
#include <cstring>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/transfer_context.h"

namespace {

SLinkList g_stations[4];

int iKindIndex(int kind) {
  switch (kind) {
    case MBO_KIND_TS:
      return 0;
    case MBO_KIND_LEV:
      return 1;
    case MBO_KIND_GPS:
      return 2;
    case MBO_KIND_COORD:
      return 3;
    default:
      return -1;
  }
}

constexpr uint32_t kStationSize[4] = {sizeof(MboStationTs), sizeof(MboStationLev), sizeof(MboStationGps),
                                      sizeof(MboStationCoord)};
constexpr uint32_t kObsSize[4] = {sizeof(MboObsTs), sizeof(MboObsLev), sizeof(MboObsGps), sizeof(MboObsCoord)};

// Differs from 0 by less than 1e-5.
bool boTiny(double value) { return std::fabs(value) < 1e-5; }

// ---- Getters: the buffer was cleared before ----

bool boGetText(char* buf, int size, const char* text, bool emptyGivesFalse) {
  if (emptyGivesFalse && !*text) return false;
  if (size > 0) sStrCopyN(buf, text, size);
  return true;
}

bool boGetInt(char* buf, int size, int32_t value) {
  iNumPrintC(buf, size, "%d", value);
  return true;
}

bool boGetNumber(char* buf, int size, const char* format, double value) {
  iNumPrintC(buf, size, format, value);
  return true;
}

// ---- Setters: a null text counts as empty ----

bool boSetText(char* field, int fieldSize, const char* text) {
  sStrCopyN(field, text, fieldSize);
  return true;
}

bool boSetInt(int32_t* field, const char* text) {
  *field = iNumParseC(text);
  return true;
}

bool boSetDouble(double* field, const char* text) {
  *field = dNumParseC(text);
  return true;
}

bool boSetFloat(float* field, const char* text) {
  *field = static_cast<float>(dNumParseC(text));
  return true;
}

// A valid text sets the value, anything else gives 0.
bool boSetValidDouble(double* field, const char* text) {
  *field = boMboIsNotBlank(text) ? dNumParseC(text) : 0.0;
  return true;
}

// The same with a validity flag of a total-station observation.
bool boSetFlagged(MboObsTs* obs, double* field, uint32_t flag, const char* text) {
  if (boMboIsNotBlank(text)) {
    obs->uFlags |= flag;
    *field = dNumParseC(text);
  } else {
    obs->uFlags &= ~flag;
    *field = 0.0;
  }
  return true;
}

bool boGetFlagged(const MboObsTs* obs, uint32_t flag, char* buf, int size, const char* format, double value) {
  if (!(obs->uFlags & flag)) return false;
  return boGetNumber(buf, size, format, value);
}

// The correlations r11, r12, r13, r22, r23, r33 as attributes 120 to 125.
template <typename Obs>
float* pCorrelation(Obs* obs, int attr) {
  switch (attr) {
    case 120:
      return &obs->r11;
    case 121:
      return &obs->r12;
    case 122:
      return &obs->r13;
    case 123:
      return &obs->r22;
    case 124:
      return &obs->r23;
    case 125:
      return &obs->r33;
    default:
      return nullptr;
  }
}

// ---- Station attributes ----

bool boGetStTs(MboStationTs* st, int attr, char* buf, int size) {
  switch (attr) {
    case 1:
      return boGetText(buf, size, st->sName, true);
    case 3:
      return boGetInt(buf, size, st->iInstrNo);
    case 4:
      return boGetText(buf, size, st->sInstrHeight, false);
    case 5:
      return boGetText(buf, size, st->sPressure, false);
    case 6:
      return boGetText(buf, size, st->sTemperature, false);
    case 7:
      return boGetInt(buf, size, st->iCorrCode);
    default:
      return false;
  }
}

bool boSetStTs(MboStationTs* st, int attr, const char* text) {
  switch (attr) {
    case 1:
      return boSetText(st->sName, sizeof st->sName, text);
    case 3:
      return boSetInt(&st->iInstrNo, text);
    case 4:
      return boSetText(st->sInstrHeight, sizeof st->sInstrHeight, text);
    case 5:
      return boSetText(st->sPressure, sizeof st->sPressure, text);
    case 6:
      return boSetText(st->sTemperature, sizeof st->sTemperature, text);
    case 7:
      return boSetInt(&st->iCorrCode, text);
    default:
      return false;
  }
}

bool boGetStLev(MboStationLev* st, int attr, char* buf, int size) {
  switch (attr) {
    case 1: {
      // The first observation carries the station's from-point.
      auto* first = reinterpret_cast<MboObsLev*>(st->head.obsList.pFirst);
      return first && boGetText(buf, size, first->sFrom, true);
    }
    case 3:
      return boGetInt(buf, size, st->iInstrNo);
    case 50:
      return boGetInt(buf, size, st->iSetNo);
    default:
      return false;
  }
}

bool boSetStLev(MboStationLev* st, int attr, const char* text) {
  switch (attr) {
    case 1: {
      auto* first = reinterpret_cast<MboObsLev*>(st->head.obsList.pFirst);
      if (!first) first = static_cast<MboObsLev*>(pSLinkNewObj(&st->head.obsList, nullptr, nullptr));
      return first && boSetText(first->sFrom, sizeof first->sFrom, text);
    }
    case 3:
      return boSetInt(&st->iInstrNo, text);
    case 50:
      return boSetInt(&st->iSetNo, text);
    default:
      return false;
  }
}

bool boGetStGps(MboStationGps* st, int attr, char* buf, int size) {
  switch (attr) {
    case 1:
      return boGetText(buf, size, st->sName, true);
    case 3:
      return boGetInt(buf, size, st->iInstrNo);
    case 4:
      return !boTiny(st->dAntennaHeight) && boGetNumber(buf, size, "%.3lf", st->dAntennaHeight);
    default:
      return false;
  }
}

bool boSetStGps(MboStationGps* st, int attr, const char* text) {
  switch (attr) {
    case 1:
      return boSetText(st->sName, sizeof st->sName, text);
    case 3:
      return boSetInt(&st->iInstrNo, text);
    case 4:
      return boSetDouble(&st->dAntennaHeight, text);
    default:
      return false;
  }
}

bool boGetStCoord(MboStationCoord* st, int attr, char* buf, int size) {
  switch (attr) {
    case 1:
      return boGetText(buf, size, st->sName, true);
    case 3:
      return boGetInt(buf, size, st->iInstrNo);
    default:
      return false;
  }
}

bool boSetStCoord(MboStationCoord* st, int attr, const char* text) {
  switch (attr) {
    case 1:
      return boSetText(st->sName, sizeof st->sName, text);
    case 3:
      return boSetInt(&st->iInstrNo, text);
    default:
      return false;
  }
}

// ---- Observation attributes ----

bool boGetObsTs(MboObsTs* obs, int attr, char* buf, int size) {
  switch (attr) {
    case 1:
      return boGetText(buf, size, obs->sTarget, true);
    case 2:
      return boGetText(buf, size, obs->sCode, false);
    case 3:
      return boGetFlagged(obs, MBO_OBS_HZ_VALID, buf, size, "%.8lf", obs->dHz);
    case 4:
      return boGetFlagged(obs, MBO_OBS_V_VALID, buf, size, "%.8lf", obs->dV);
    case 5:
      return boGetFlagged(obs, MBO_OBS_DIST_VALID, buf, size, "%.5lf", obs->dDist);
    case 6:
      return boGetFlagged(obs, MBO_OBS_TH_VALID, buf, size, "%.5lf", obs->dTargetHeight);
    case 7:
      return boGetText(buf, size, obs->sRemark, true);
    case 9:
      // Without a valid distance there is no horizontal one either.
      return boGetText(buf, size, (obs->uFlags & MBO_OBS_DIST_VALID) && obs->uHorDist ? "1" : "0", false);
    default:
      return false;
  }
}

bool boSetObsTs(MboObsTs* obs, int attr, const char* text) {
  switch (attr) {
    case 1:
      return boSetText(obs->sTarget, sizeof obs->sTarget, text);
    case 2:
      return boSetText(obs->sCode, sizeof obs->sCode, text);
    case 3:
      return boSetFlagged(obs, &obs->dHz, MBO_OBS_HZ_VALID, text);
    case 4:
      return boSetFlagged(obs, &obs->dV, MBO_OBS_V_VALID, text);
    case 5:
      return boSetFlagged(obs, &obs->dDist, MBO_OBS_DIST_VALID, text);
    case 6:
      // The height is taken even from a text that is not valid.
      if (boMboIsNotBlank(text))
        obs->uFlags |= MBO_OBS_TH_VALID;
      else
        obs->uFlags &= ~MBO_OBS_TH_VALID;
      return boSetDouble(&obs->dTargetHeight, text);
    case 7:
      return boSetText(obs->sRemark, sizeof obs->sRemark, text);
    case 9:
      if (text && iNumParseC(text) != 0) {
        if (obs->uFlags & MBO_OBS_DIST_VALID) obs->uHorDist = 1;
      } else {
        obs->uHorDist = 0;
      }
      return true;
    default:
      return false;
  }
}

bool boGetObsLev(MboObsLev* obs, int attr, char* buf, int size) {
  switch (attr) {
    case 1:
      return boGetText(buf, size, obs->sTo, true);
    case 2:
      return boGetText(buf, size, obs->sCode, false);
    case 5:
      return boGetNumber(buf, size, "%.5lf", obs->dDist);
    case 50:
      return boGetNumber(buf, size, "%.5lf", obs->dHeightDiff);
    case 51:
      return boGetText(buf, size, obs->sFrom, true);
    default:
      return false;
  }
}

bool boSetObsLev(MboObsLev* obs, int attr, const char* text) {
  switch (attr) {
    case 1:
      return boSetText(obs->sTo, sizeof obs->sTo, text);
    case 2:
      return boSetText(obs->sCode, sizeof obs->sCode, text);
    case 5:
      return boSetValidDouble(&obs->dDist, text);
    case 50:
      return boSetValidDouble(&obs->dHeightDiff, text);
    case 51:
      return boSetText(obs->sFrom, sizeof obs->sFrom, text);
    default:
      return false;
  }
}

double* pGpsValue(MboObsGps* obs, int attr) {
  switch (attr) {
    case 100:
      return &obs->dX;
    case 101:
      return &obs->dY;
    case 102:
      return &obs->dZ;
    case 103:
      return &obs->dSdX;
    case 104:
      return &obs->dSdY;
    case 105:
      return &obs->dSdZ;
    default:
      return nullptr;
  }
}

bool boGetObsGps(MboObsGps* obs, int attr, char* buf, int size) {
  switch (attr) {
    case 1:
      return boGetText(buf, size, obs->sTo, true);
    case 2:
      return boGetText(buf, size, obs->sCode, true);
    case 6:
      return !boTiny(obs->dAntennaHeight) && boGetNumber(buf, size, "%.5lf", obs->dAntennaHeight);
    default:
      break;
  }
  if (double* value = pGpsValue(obs, attr)) return boGetNumber(buf, size, "%.6lf", *value);
  if (float* r = pCorrelation(obs, attr)) return boGetNumber(buf, size, "%.6lf", *r);
  return false;
}

bool boSetObsGps(MboObsGps* obs, int attr, const char* text) {
  switch (attr) {
    case 1:
      return boSetText(obs->sTo, sizeof obs->sTo, text);
    case 2:
      return boSetText(obs->sCode, sizeof obs->sCode, text);
    case 6:
      return boSetValidDouble(&obs->dAntennaHeight, text);
    default:
      break;
  }
  if (double* value = pGpsValue(obs, attr)) return boSetDouble(value, text);
  if (float* r = pCorrelation(obs, attr)) return boSetFloat(r, text);
  return false;
}

double* pCoordValue(MboObsCoord* obs, int attr) {
  switch (attr) {
    case 103:
      return &obs->dSdX;
    case 104:
      return &obs->dSdY;
    case 105:
      return &obs->dSdZ;
    case 130:
      return &obs->dX;
    case 131:
      return &obs->dY;
    case 132:
      return &obs->dZ;
    default:
      return nullptr;
  }
}

bool boGetObsCoord(MboObsCoord* obs, int attr, char* buf, int size) {
  switch (attr) {
    case 2:
      return boGetText(buf, size, obs->sCode, true);
    case 126:
      return boGetInt(buf, size, obs->iBlockMark);
    case 133:
      return !boTiny(obs->dAntennaHeight) && boGetNumber(buf, size, "%.5lf", obs->dAntennaHeight);
    case 134:
      return boGetText(buf, size, obs->sEpoch, false);
    case 135:
      return boGetInt(buf, size, obs->iQualityA);
    case 136:
      return boGetInt(buf, size, obs->iQualityB);
    case 137:
      return boGetNumber(buf, size, "%lf", obs->dQuality);
    default:
      break;
  }
  if (double* value = pCoordValue(obs, attr)) return boGetNumber(buf, size, "%.6lf", *value);
  if (float* r = pCorrelation(obs, attr)) return boGetNumber(buf, size, "%.6lf", *r);
  return false;
}

bool boSetObsCoord(MboObsCoord* obs, int attr, const char* text) {
  switch (attr) {
    case 2:
      return boSetText(obs->sCode, sizeof obs->sCode, text);
    case 126:
      return boSetInt(&obs->iBlockMark, text);
    case 133:
      return boSetDouble(&obs->dAntennaHeight, text);
    case 134:
      return boSetText(obs->sEpoch, sizeof obs->sEpoch, text);
    case 135:
      return boSetInt(&obs->iQualityA, text);
    case 136:
      return boSetInt(&obs->iQualityB, text);
    case 137:
      return boSetDouble(&obs->dQuality, text);
    default:
      break;
  }
  if (double* value = pCoordValue(obs, attr)) return boSetDouble(value, text);
  if (float* r = pCorrelation(obs, attr)) return boSetFloat(r, text);
  return false;
}

void vClear(char* buf, int size) {
  if (buf && size > 0) buf[0] = '\0';
}

}  // namespace

// ---------------------------------------------------------------------------

bool boMboIsNotBlank(const char* text) {
  if (!text) return false;
  for (; *text; ++text)
    if (*text != ' ') return true;
  return false;
}

SLinkList* pMboStationList(int kind) {
  int i = iKindIndex(kind);
  return i < 0 ? nullptr : &g_stations[i];
}

void vMboInitStationLists(void) {
  for (int i = 0; i < 4; ++i) vSLinkInit(&g_stations[i], kStationSize[i], nullptr);
}

void vMboFreeStationLists(void) {
  for (SLinkList& list : g_stations) {
    for (SLinkObj* st = list.pFirst; st; st = st->pNext) vSLinkFreeAll(&reinterpret_cast<MboStationHead*>(st)->obsList);
    vSLinkFreeAll(&list);
  }
}

void vMboForgetStationLists(void) { memset(g_stations, 0, sizeof g_stations); }

void* pMboAddSt(int kind) {
  int i = iKindIndex(kind);
  if (i < 0 || g_stations[i].uObjSize == 0) return nullptr;  // not initialised
  auto* st = static_cast<MboStationHead*>(pSLinkNewObj(&g_stations[i], nullptr, nullptr));
  if (st) vSLinkInit(&st->obsList, kObsSize[i], nullptr);
  return st;
}

void* pMboAddObs(int kind, void* station) {
  if (iKindIndex(kind) < 0 || !station) return nullptr;
  return pSLinkNewObj(&static_cast<MboStationHead*>(station)->obsList, nullptr, nullptr);
}

void* pMboGetNextSt(int kind, void* station) {
  int i = iKindIndex(kind);
  if (i < 0) return nullptr;
  return station ? static_cast<SLinkObj*>(station)->pNext : g_stations[i].pFirst;
}

void* pMboGetNextObs(int kind, void* station, void* obs) {
  if (iKindIndex(kind) < 0) return nullptr;
  if (obs) return static_cast<SLinkObj*>(obs)->pNext;
  return station ? static_cast<MboStationHead*>(station)->obsList.pFirst : nullptr;
}

bool boMboGetStAttr(int kind, void* station, int attr, char* buf, int size) {
  vClear(buf, size);
  if (!station) return false;
  if (!buf) size = 0;  // only whether the value is there
  switch (kind) {
    case MBO_KIND_TS:
      return boGetStTs(static_cast<MboStationTs*>(station), attr, buf, size);
    case MBO_KIND_LEV:
      return boGetStLev(static_cast<MboStationLev*>(station), attr, buf, size);
    case MBO_KIND_GPS:
      return boGetStGps(static_cast<MboStationGps*>(station), attr, buf, size);
    case MBO_KIND_COORD:
      return boGetStCoord(static_cast<MboStationCoord*>(station), attr, buf, size);
    default:
      return false;
  }
}

bool boMboSetStAttr(int kind, void* station, int attr, const char* text) {
  if (!station) return false;
  switch (kind) {
    case MBO_KIND_TS:
      return boSetStTs(static_cast<MboStationTs*>(station), attr, text);
    case MBO_KIND_LEV:
      return boSetStLev(static_cast<MboStationLev*>(station), attr, text);
    case MBO_KIND_GPS:
      return boSetStGps(static_cast<MboStationGps*>(station), attr, text);
    case MBO_KIND_COORD:
      return boSetStCoord(static_cast<MboStationCoord*>(station), attr, text);
    default:
      return false;
  }
}

bool boMboGetObsAttr(int kind, void* /*station*/, void* obs, int attr, char* buf, int size) {
  vClear(buf, size);
  if (!obs) return false;
  if (!buf) size = 0;
  switch (kind) {
    case MBO_KIND_TS:
      return boGetObsTs(static_cast<MboObsTs*>(obs), attr, buf, size);
    case MBO_KIND_LEV:
      return boGetObsLev(static_cast<MboObsLev*>(obs), attr, buf, size);
    case MBO_KIND_GPS:
      return boGetObsGps(static_cast<MboObsGps*>(obs), attr, buf, size);
    case MBO_KIND_COORD:
      return boGetObsCoord(static_cast<MboObsCoord*>(obs), attr, buf, size);
    default:
      return false;
  }
}

bool boMboSetObsAttr(int kind, void* /*station*/, void* obs, int attr, const char* text) {
  if (!obs) return false;
  switch (kind) {
    case MBO_KIND_TS:
      return boSetObsTs(static_cast<MboObsTs*>(obs), attr, text);
    case MBO_KIND_LEV:
      return boSetObsLev(static_cast<MboObsLev*>(obs), attr, text);
    case MBO_KIND_GPS:
      return boSetObsGps(static_cast<MboObsGps*>(obs), attr, text);
    case MBO_KIND_COORD:
      return boSetObsCoord(static_cast<MboObsCoord*>(obs), attr, text);
    default:
      return false;
  }
}

void* pMboFindStationByAttr(int kind, int attr, const char* text) {
  if (!text) return nullptr;
  char value[256];
  for (void* st = pMboGetNextSt(kind, nullptr); st; st = pMboGetNextSt(kind, st)) {
    boMboGetStAttr(kind, st, attr, value, sizeof value);
    if (strcmp(value, text) == 0) return st;
  }
  return nullptr;
}

int iMboCountStations(int kind) {
  SLinkList* list = pMboStationList(kind);
  return list ? iSLinkCount(list) : 0;
}

int iMboCountObs(int kind) {
  int n = 0;
  for (void* st = pMboGetNextSt(kind, nullptr); st; st = pMboGetNextSt(kind, st))
    n += iSLinkCount(&static_cast<MboStationHead*>(st)->obsList);
  return n;
}

int iMboCountTsObs(void) { return iMboCountObs(MBO_KIND_TS); }
int iMboCountLevObs(void) { return iMboCountObs(MBO_KIND_LEV); }
int iMboCountGpsObs(void) { return iMboCountObs(MBO_KIND_GPS); }
int iMboCountCoordObs(void) { return iMboCountObs(MBO_KIND_COORD); }

void* pMboNewStation(int kind) {
  void* st = pMboAddSt(kind);
  if (!st) return nullptr;
  const MboSettings& set = g_mboTransfer.settings;
  uint32_t instrument = 0;
  switch (kind) {
    case MBO_KIND_TS:
      instrument = set.uTheodoliteNo;
      break;
    case MBO_KIND_LEV:
      instrument = set.uLevellerNo;
      break;
    case MBO_KIND_GPS:
      instrument = set.uSatelliteNo;
      break;
    default:
      instrument = set.uCoordinateNo;
      break;
  }
  char text[16];
  iNumPrintC(text, sizeof text, "%d", static_cast<int32_t>(instrument));
  boMboSetStAttr(kind, st, 3, text);
  // -1 means "no correction code"; only total stations take one anyway.
  if (static_cast<int32_t>(set.uCorrCode) != -1) {
    iNumPrintC(text, sizeof text, "%d", static_cast<int32_t>(set.uCorrCode));
    boMboSetStAttr(kind, st, 7, text);
  }
  return st;
}

void* pMboFindOrNewStation(int kind, const char* name) {
  if (pMboFindStationByAttr(kind, 1, sStrNotNull(name))) return nullptr;
  void* st = pMboNewStation(kind);
  if (st) boMboSetStAttr(kind, st, 1, name);
  return st;
}
