// Stations, observations and their attributes.
#include "fieldbook/stations.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/cnum.h"
#include "base/geometry.h"
#include "base/text.h"
#include "fieldbook/transfer_context.h"

namespace {

SLinkList g_stations[4];
// Every station and observation: a large import makes a million
// observations, and one heap block each cost more than the rest of storing
// them. They go back all at once when the field book is emptied.
MemPool g_stationPool;
// The texts kept beside their records (remarks, long names), apart from them: the walks
// over every observation after a read then cross fewer pages.
MemPool g_textPool;
constexpr uint64_t kStationBlock = 1024 * 1024;
// A name with a dot was stored (the point-ID post-pass looks at the names
// only then).
bool g_boDottedName = false;
// By kind index: the lists changed since they were empty or swept.
bool g_boUnswept[4];

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

void vMarkUnswept(int i) {
  if (i >= 0) g_boUnswept[i] = true;
}

void vMarkAllSwept() {
  for (bool& b : g_boUnswept) b = false;
  g_boDottedName = false;
}

constexpr uint32_t kStationSize[4] = {sizeof(MboStationTs), sizeof(MboStationLev), sizeof(MboStationGps),
                                      sizeof(MboStationCoord)};
constexpr uint32_t kObsSize[4] = {sizeof(MboObsTs), sizeof(MboObsLev), sizeof(MboObsGps), sizeof(MboObsCoord)};

// ---- Attribute tables: where each attribute lives and how it reads ----

// F_TEXT_AWAY: a pointer to the text's buffer (iSize bytes), null while the
// text is empty. F_NAME: an MboName. F_CORRELATION: a float.
enum FieldType : uint8_t { F_TEXT, F_TEXT_AWAY, F_NAME, F_INT, F_DOUBLE, F_CORRELATION };

enum GetRule : uint8_t {
  G_ALWAYS,       // the text, also when empty, or the number
  G_EMPTY_FALSE,  // a text: false when empty
  G_TINY_FALSE,   // a number: false when tiny
};

enum SetRule : uint8_t {
  S_PLAIN,        // the text copied, or its number
  S_VALID,        // the number of a valid text, else 0
  S_FLAG_VALID,   // a valid text sets the flag and the number; else both cleared
  S_FLAG_ANYWAY,  // the flag as S_FLAG_VALID; the number taken in both cases
};

struct AttrField {
  int iAttr;
  uint32_t uOffset;
  FieldType eType;
  int iSize;            // of a text field, its terminator included
  const char* sFormat;  // of a number
  GetRule eGet;
  SetRule eSet;
  uint32_t uFlag;  // the validity flag of a total-station observation; 0: none
};

#define MBO_TEXT(attr, Rec, field, get) \
  AttrField { attr, offsetof(Rec, field), F_TEXT, static_cast<int>(sizeof(Rec::field)), nullptr, get, S_PLAIN, 0 }
#define MBO_NAME(attr, Rec, field) \
  AttrField { attr, offsetof(Rec, field), F_NAME, MBO_NAME_SIZE, nullptr, G_EMPTY_FALSE, S_PLAIN, 0 }
#define MBO_INT(attr, Rec, field) \
  AttrField { attr, offsetof(Rec, field), F_INT, 0, "%d", G_ALWAYS, S_PLAIN, 0 }
#define MBO_NUMBER(attr, Rec, field, type, format, get, set, flag) \
  AttrField { attr, offsetof(Rec, field), type, 0, format, get, set, flag }
#define MBO_DOUBLE6(attr, Rec, field) MBO_NUMBER(attr, Rec, field, F_DOUBLE, "%.6lf", G_ALWAYS, S_PLAIN, 0)
#define MBO_CORRELATIONS(Rec)                                                  \
  MBO_NUMBER(120, Rec, r11, F_CORRELATION, "%.6lf", G_ALWAYS, S_PLAIN, 0),     \
      MBO_NUMBER(121, Rec, r12, F_CORRELATION, "%.6lf", G_ALWAYS, S_PLAIN, 0), \
      MBO_NUMBER(122, Rec, r13, F_CORRELATION, "%.6lf", G_ALWAYS, S_PLAIN, 0), \
      MBO_NUMBER(123, Rec, r22, F_CORRELATION, "%.6lf", G_ALWAYS, S_PLAIN, 0), \
      MBO_NUMBER(124, Rec, r23, F_CORRELATION, "%.6lf", G_ALWAYS, S_PLAIN, 0), \
      MBO_NUMBER(125, Rec, r33, F_CORRELATION, "%.6lf", G_ALWAYS, S_PLAIN, 0)

const AttrField kStTs[] = {
    MBO_NAME(1, MboStationTs, name),
    MBO_INT(3, MboStationTs, iInstrNo),
    MBO_TEXT(4, MboStationTs, sInstrHeight, G_ALWAYS),
    MBO_TEXT(5, MboStationTs, sPressure, G_ALWAYS),
    MBO_TEXT(6, MboStationTs, sTemperature, G_ALWAYS),
    MBO_INT(7, MboStationTs, iCorrCode),
};
// Attribute 1 of a levelling station is its first observation's from-point.
const AttrField kStLev[] = {MBO_INT(3, MboStationLev, iInstrNo), MBO_INT(50, MboStationLev, iSetNo)};
const AttrField kStGps[] = {
    MBO_NAME(1, MboStationGps, name),
    MBO_INT(3, MboStationGps, iInstrNo),
    MBO_NUMBER(4, MboStationGps, dAntennaHeight, F_DOUBLE, "%.3lf", G_TINY_FALSE, S_PLAIN, 0),
};
const AttrField kStCoord[] = {MBO_NAME(1, MboStationCoord, name), MBO_INT(3, MboStationCoord, iInstrNo)};

// Attribute 9 of a total-station observation (the horizontal-distance mark)
// has rules of its own.
const AttrField kObsTs[] = {
    MBO_NAME(1, MboObsTs, target),
    MBO_TEXT(2, MboObsTs, sCode, G_ALWAYS),
    MBO_NUMBER(3, MboObsTs, dHz, F_DOUBLE, "%.8lf", G_ALWAYS, S_FLAG_VALID, MBO_OBS_HZ_VALID),
    MBO_NUMBER(4, MboObsTs, dV, F_DOUBLE, "%.8lf", G_ALWAYS, S_FLAG_VALID, MBO_OBS_V_VALID),
    MBO_NUMBER(5, MboObsTs, dDist, F_DOUBLE, "%.5lf", G_ALWAYS, S_FLAG_VALID, MBO_OBS_DIST_VALID),
    MBO_NUMBER(6, MboObsTs, dTargetHeight, F_DOUBLE, "%.5lf", G_ALWAYS, S_FLAG_ANYWAY, MBO_OBS_TH_VALID),
    AttrField{7, offsetof(MboObsTs, pRemark), F_TEXT_AWAY, MBO_OBS_REMARK_SIZE, nullptr, G_EMPTY_FALSE, S_PLAIN, 0},
};
const AttrField kObsLev[] = {
    MBO_NAME(1, MboObsLev, to),
    MBO_TEXT(2, MboObsLev, sCode, G_ALWAYS),
    MBO_NUMBER(5, MboObsLev, dDist, F_DOUBLE, "%.5lf", G_ALWAYS, S_VALID, 0),
    MBO_NUMBER(50, MboObsLev, dHeightDiff, F_DOUBLE, "%.5lf", G_ALWAYS, S_VALID, 0),
    MBO_NAME(51, MboObsLev, from),
};
const AttrField kObsGps[] = {
    MBO_NAME(1, MboObsGps, to),
    MBO_TEXT(2, MboObsGps, sCode, G_EMPTY_FALSE),
    MBO_NUMBER(6, MboObsGps, dAntennaHeight, F_DOUBLE, "%.5lf", G_TINY_FALSE, S_VALID, 0),
    MBO_DOUBLE6(100, MboObsGps, dX),
    MBO_DOUBLE6(101, MboObsGps, dY),
    MBO_DOUBLE6(102, MboObsGps, dZ),
    MBO_DOUBLE6(103, MboObsGps, dSdX),
    MBO_DOUBLE6(104, MboObsGps, dSdY),
    MBO_DOUBLE6(105, MboObsGps, dSdZ),
    MBO_CORRELATIONS(MboObsGps),
};
const AttrField kObsCoord[] = {
    MBO_TEXT(2, MboObsCoord, sCode, G_EMPTY_FALSE),
    MBO_DOUBLE6(103, MboObsCoord, dSdX),
    MBO_DOUBLE6(104, MboObsCoord, dSdY),
    MBO_DOUBLE6(105, MboObsCoord, dSdZ),
    MBO_CORRELATIONS(MboObsCoord),
    MBO_INT(126, MboObsCoord, iBlockMark),
    MBO_DOUBLE6(130, MboObsCoord, dX),
    MBO_DOUBLE6(131, MboObsCoord, dY),
    MBO_DOUBLE6(132, MboObsCoord, dZ),
    MBO_NUMBER(133, MboObsCoord, dAntennaHeight, F_DOUBLE, "%.5lf", G_TINY_FALSE, S_PLAIN, 0),
    MBO_TEXT(134, MboObsCoord, sEpoch, G_ALWAYS),
    MBO_INT(135, MboObsCoord, iQualityA),
    MBO_INT(136, MboObsCoord, iQualityB),
    MBO_NUMBER(137, MboObsCoord, dQuality, F_DOUBLE, "%lf", G_ALWAYS, S_PLAIN, 0),
};

struct AttrTable {
  const AttrField* pFields;
  size_t uCount;
};

#define MBO_TABLE(fields) \
  AttrTable { fields, sizeof fields / sizeof fields[0] }

// By kind index.
const AttrTable kStationTables[4] = {MBO_TABLE(kStTs), MBO_TABLE(kStLev), MBO_TABLE(kStGps), MBO_TABLE(kStCoord)};
const AttrTable kObsTables[4] = {MBO_TABLE(kObsTs), MBO_TABLE(kObsLev), MBO_TABLE(kObsGps), MBO_TABLE(kObsCoord)};

// Null for an attribute that the kind lacks.
const AttrField* pField(const AttrTable& table, int attr) {
  for (size_t i = 0; i < table.uCount; ++i)
    if (table.pFields[i].iAttr == attr) return &table.pFields[i];
  return nullptr;
}

// A spilled name: its buffer's address and size.
constexpr int kNameSpilled = sizeof(MboName::sIn) - 1;
constexpr int kNameCapacity = sizeof(char*);

char* pNameAway(const MboName* name) {
  char* away;
  memcpy(&away, name->sIn, sizeof away);
  return away;
}

// The field read into the buffer (cleared before; size 0: no buffer).
// flags: the record's validity flags, or null.
bool boGetField(const AttrField& f, const void* record, const uint8_t* flags, char* buf, int size) {
  const char* at = static_cast<const char*>(record) + f.uOffset;
  if (f.uFlag && !(flags && (*flags & f.uFlag))) return false;
  double value = 0.0;
  switch (f.eType) {
    case F_TEXT_AWAY:
      memcpy(&at, at, sizeof at);
      if (!at) at = "";
      [[fallthrough]];
    case F_NAME:
      if (f.eType == F_NAME) at = sMboName(reinterpret_cast<const MboName*>(at));
      [[fallthrough]];
    case F_TEXT:
      if (f.eGet == G_EMPTY_FALSE && !*at) return false;
      if (size > 0) sStrCopyN(buf, at, size);
      return true;
    case F_INT: {
      int32_t number;
      memcpy(&number, at, sizeof number);
      iNumPrintC(buf, size, "%d", number);
      return true;
    }
    case F_DOUBLE:
      memcpy(&value, at, sizeof value);
      break;
    case F_CORRELATION: {
      float number;
      memcpy(&number, at, sizeof number);
      value = number;
      break;
    }
  }
  if (f.eGet == G_TINY_FALSE && boGeoEqual(value, 0)) return false;
  iNumPrintC(buf, size, f.sFormat, value);
  return true;
}

// A null text counts as empty.
bool boSetField(const AttrField& f, void* record, uint8_t* flags, const char* text) {
  char* at = static_cast<char*>(record) + f.uOffset;
  bool valid = boMboIsNotBlank(text);
  if (f.uFlag && flags) {
    if (valid)
      *flags |= f.uFlag;
    else
      *flags &= ~f.uFlag;
  }
  switch (f.eType) {
    case F_TEXT:
      sStrCopyN(at, text, f.iSize);
      break;
    case F_TEXT_AWAY: {
      char* away;
      memcpy(&away, at, sizeof away);
      if (!away) {
        if (!text || !*text) break;  // empty as it was
        away = static_cast<char*>(pPoolAlloc(&g_textPool, static_cast<size_t>(f.iSize)));
        if (!away) return false;
        memcpy(at, &away, sizeof away);
      }
      sStrCopyN(away, text, f.iSize);
      break;
    }
    case F_NAME:
      return boMboSetName(reinterpret_cast<MboName*>(at), text);
    case F_INT: {
      int32_t number = iNumParseC(text);
      memcpy(at, &number, sizeof number);
      break;
    }
    case F_DOUBLE: {
      bool zero = !valid && (f.eSet == S_VALID || f.eSet == S_FLAG_VALID);
      double number = zero ? 0.0 : dNumParseC(text);
      memcpy(at, &number, sizeof number);
      break;
    }
    case F_CORRELATION: {
      float number = fMboCorrelation(dNumParseC(text));
      memcpy(at, &number, sizeof number);
      break;
    }
  }
  return true;
}

// The remark of a total-station observation.
const AttrField& TsRemarkField() { return *pField(kObsTables[0], 7); }

// The from-point field that names a levelling station.
const AttrField& LevFromField() { return *pField(kObsTables[1], 51); }

uint8_t* pTsFlags(int kind, void* obs) { return kind == MBO_KIND_TS ? &static_cast<MboObsTs*>(obs)->uFlags : nullptr; }

void vClear(char* buf, int size) {
  if (buf && size > 0) buf[0] = '\0';
}

}  // namespace

// ---------------------------------------------------------------------------

float fMboCorrelation(double value) {
  if (std::isnan(value)) return 0.0f;
  return static_cast<float>(std::clamp(value, -1.0, 1.0));
}

bool boMboIsNotBlank(const char* text) {
  if (!text) return false;
  for (; *text; ++text)
    if (*text != ' ') return true;
  return false;
}

const char* sMboName(const MboName* name) { return name->sIn[kNameSpilled] ? pNameAway(name) : name->sIn; }

bool boMboSetName(MboName* name, const char* text) {
  text = sStrNotNull(text);
  size_t len = strnlen(text, MBO_NAME_SIZE - 1);
  if (!g_boDottedName && memchr(text, '.', len)) g_boDottedName = true;
  char* away = name->sIn[kNameSpilled] ? pNameAway(name) : nullptr;
  if (!away && len < sizeof name->sIn) {
    memmove(name->sIn, text, len);
    memset(name->sIn + len, 0, sizeof name->sIn - len);
    return true;
  }
  // Once beside the record, a name stays there: a buffer that holds the
  // text is used again, so that changing a name back and forth costs
  // nothing more.
  if (!away || static_cast<uint8_t>(name->sIn[kNameCapacity]) <= len) {
    char* grown = static_cast<char*>(pPoolAlloc(&g_textPool, len + 1));
    if (!grown) return false;
    away = grown;
    memcpy(name->sIn, &away, sizeof away);
    name->sIn[kNameCapacity] = static_cast<char>(len + 1);
    name->sIn[kNameSpilled] = 1;
  }
  memmove(away, text, len);
  away[len] = '\0';
  return true;
}

bool boMboSetObsRemark(MboObsTs* obs, const char* text) {
  return obs && boSetField(TsRemarkField(), obs, nullptr, text);
}

SLinkList* pMboStationList(int kind) {
  int i = iKindIndex(kind);
  return i < 0 ? nullptr : &g_stations[i];
}

void vMboInitStationLists(void) {
  vPoolFreeAll(&g_stationPool);  // a pool made before is empty by now
  vPoolInitUnlocked(&g_stationPool, kStationBlock);
  vPoolFreeAll(&g_textPool);
  vPoolInitUnlocked(&g_textPool, kStationBlock);
  for (int i = 0; i < 4; ++i) vSLinkInit(&g_stations[i], kStationSize[i], &g_stationPool);
  vMarkAllSwept();
}

void vMboFreeStationLists(void) {
  for (SLinkList& list : g_stations) list.pFirst = list.pLast = nullptr;
  vPoolFreeAll(&g_stationPool);
  vPoolFreeAll(&g_textPool);
  vMarkAllSwept();
}

void vMboForgetStationLists(void) { memset(g_stations, 0, sizeof g_stations); }

bool boMboDottedNameStored(void) { return g_boDottedName; }

bool boMboMaybeUnswept(int kind) {
  int i = iKindIndex(kind);
  return i < 0 || g_boUnswept[i];
}

void vMboMarkSwept(int kind) {
  int i = iKindIndex(kind);
  if (i >= 0) g_boUnswept[i] = false;
}

void* pMboAddSt(int kind) {
  int i = iKindIndex(kind);
  if (i < 0 || g_stations[i].uObjSize == 0) return nullptr;  // not initialised
  auto* st = static_cast<MboStationHead*>(pSLinkNewObj(&g_stations[i], nullptr, nullptr));
  if (st) vSLinkInit(&st->obsList, kObsSize[i], &g_stationPool);
  if (st) vMarkUnswept(i);
  return st;
}

void* pMboAddObs(int kind, void* station) {
  int i = iKindIndex(kind);
  if (i < 0 || !station) return nullptr;
  void* obs = pSLinkNewObj(&static_cast<MboStationHead*>(station)->obsList, nullptr, nullptr);
  if (obs) vMarkUnswept(i);
  return obs;
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

BOOL boMboGetStAttr(int kind, void* station, int attr, char* buf, int size) {
  vClear(buf, size);
  int i = iKindIndex(kind);
  if (!station || i < 0) return false;
  if (!buf) size = 0;  // only whether the value is there
  if (kind == MBO_KIND_LEV && attr == 1) {
    // The first observation carries the station's from-point.
    SLinkObj* first = static_cast<MboStationHead*>(station)->obsList.pFirst;
    return first && boGetField(LevFromField(), first, nullptr, buf, size);
  }
  const AttrField* f = pField(kStationTables[i], attr);
  return f && boGetField(*f, station, nullptr, buf, size);
}

BOOL boMboSetStAttr(int kind, void* station, int attr, const char* text) {
  int i = iKindIndex(kind);
  if (!station || i < 0) return false;
  vMarkUnswept(i);
  if (kind == MBO_KIND_LEV && attr == 1) {
    SLinkList* obsList = &static_cast<MboStationHead*>(station)->obsList;
    void* first = obsList->pFirst ? obsList->pFirst : pSLinkNewObj(obsList, nullptr, nullptr);
    return first && boSetField(LevFromField(), first, nullptr, text);
  }
  const AttrField* f = pField(kStationTables[i], attr);
  return f && boSetField(*f, station, nullptr, text);
}

BOOL boMboGetObsAttr(int kind, void* /*station*/, void* obs, int attr, char* buf, int size) {
  vClear(buf, size);
  int i = iKindIndex(kind);
  if (!obs || i < 0) return false;
  if (!buf) size = 0;
  if (kind == MBO_KIND_TS && attr == 9) {
    // Without a valid distance there is no horizontal one either.
    const auto* ts = static_cast<const MboObsTs*>(obs);
    if (size > 0) sStrCopyN(buf, (ts->uFlags & MBO_OBS_DIST_VALID) && ts->uHorDist ? "1" : "0", size);
    return true;
  }
  const AttrField* f = pField(kObsTables[i], attr);
  return f && boGetField(*f, obs, pTsFlags(kind, obs), buf, size);
}

BOOL boMboSetObsAttr(int kind, void* /*station*/, void* obs, int attr, const char* text) {
  int i = iKindIndex(kind);
  if (!obs || i < 0) return false;
  vMarkUnswept(i);
  if (kind == MBO_KIND_TS && attr == 9) {
    // The mark is set only on a valid distance, and cleared by anything else.
    auto* ts = static_cast<MboObsTs*>(obs);
    if (text && iNumParseC(text) != 0) {
      if (ts->uFlags & MBO_OBS_DIST_VALID) ts->uHorDist = 1;
    } else {
      ts->uHorDist = 0;
    }
    return true;
  }
  const AttrField* f = pField(kObsTables[i], attr);
  return f && boSetField(*f, obs, pTsFlags(kind, obs), text);
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
