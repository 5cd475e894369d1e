// The current-record builder: pending point, station and total-station
// values, and the flush that stores them.
#include "fieldbook/record.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "base/cnum.h"
#include "base/geometry.h"
#include "base/text.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/model.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"

MboRecPending g_mboRec;

namespace {

// The default code is only ever cleared: a constant, not a buffer.
const char kDefaultCode[] = "";

uint32_t g_uKofMode;

// The current station and observation per kind (1, 2, 4, 5 by index).
struct RecCurrent {
  void* pStation;
  void* pObs;
};
RecCurrent g_current[4];

RecCurrent* pCurrent(int kind) {
  switch (kind) {
    case MBO_KIND_TS:
      return &g_current[0];
    case MBO_KIND_LEV:
      return &g_current[1];
    case MBO_KIND_GPS:
      return &g_current[2];
    case MBO_KIND_COORD:
      return &g_current[3];
    default:
      return nullptr;
  }
}

// A code that begins with "9999" and holds nothing but nines.
bool boAllNinesCode(const char* code) {
  if (code[0] != '9' || strncmp(code, "9999", 4) != 0) return false;
  for (const char* p = code; *p; ++p)
    if (*p != '9') return false;
  return true;
}

// An observation's or point's code after the rule: all nines name the
// current code-driven line, anything else is converted.
void vConvertCode(const char* code, char out[MBO_REC_CODE_SIZE]) {
  if (boAllNinesCode(code))
    sStrCopyN(out, sMboCodeLineCurrentName(), MBO_REC_CODE_SIZE);
  else
    vMboConvertFeatureCodeInto(&g_mboTransfer.settings, code, out);
}

// atof of a text that starts like a number (boMboIsNumber), without the C
// library's slow path for the common case. A decimal reading: "0x10" is 0
// (its "0"), where the C library would read hexadecimal.
double dLeadingNumber(const char* text) {
  while (*text == ' ') ++text;
  if (*text == '+') ++text;
  const char* p = text + (*text == '-' ? 1 : 0);
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return *text == '-' ? -0.0 : 0.0;
  return dNumParseC(text);
}

// A plain decimal ("-12.345" or "+12.345": at most 11 digits before the point after
// leading zeros, at most 4 decimals, nothing else) as "%.4lf" of its value
// prints it: the digits with the decimals padded, without the round trip
// through a double. Its value too: the digits without the point, N < 10^15,
// are a double exactly, and N / 10^4 is rounded once, to the double nearest
// the decimal, as the parser rounds the text. False for anything else (dest
// then holds anything).
bool boCopyPlainDecimal(char* dest, const char* text, double* value) {
  const char* p = text;
  bool negative = *p == '-';
  // A plus sign prints as nothing, as the parser reads it.
  if (negative || *p == '+') ++p;
  while (*p == '0' && p[1] >= '0' && p[1] <= '9') ++p;
  // Below 10^11 a double is within 10^-5 of the decimal, far from a
  // rounding boundary of the fourth decimal.
  char* out = dest + (negative ? 1 : 0);
  uint64_t n = 0;
  int len = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (++len > 11) return false;
    n = n * 10 + static_cast<uint64_t>(*p - '0');
    *out++ = *p;
  }
  if (!len) return false;
  *out++ = '.';
  int decimals = 0;
  if (*p == '.')
    for (++p; *p >= '0' && *p <= '9'; ++p) {
      if (++decimals > 4) return false;
      n = n * 10 + static_cast<uint64_t>(*p - '0');
      *out++ = *p;
    }
  if (*p) return false;
  for (; decimals < 4; ++decimals) {
    n *= 10;
    *out++ = '0';
  }
  *out = '\0';
  // -0 plus the offset 0 is +0, printed without its sign.
  if (!n) {
    if (negative) memmove(dest, dest + 1, static_cast<size_t>(out - dest));
    *value = 0.0;
    return true;
  }
  if (negative) dest[0] = '-';
  *value = static_cast<double>(n) / 10000.0;
  if (negative) *value = -*value;
  return true;
}

// One coordinate text: "%.4lf" of the number plus the offset, or "" when the
// text does not start like a finite number, and the value of that text.
// to_chars rounds exactly as printf does, without its cost (an import
// formats three per record).
void vSetCoordText(char* dest, double* value, const char* text, double offset) {
  if (offset == 0.0 && boCopyPlainDecimal(dest, text, value)) return;
  dest[0] = '\0';
  *value = 0.0;
  if (!boMboIsNumber(text)) return;
  double number = dLeadingNumber(text) + offset;
  if (!std::isfinite(number)) return;  // "1e999": no coordinate rather than inf
  std::to_chars_result r = std::to_chars(dest, dest + MBO_REC_COORD_SIZE - 1, number, std::chars_format::fixed, 4);
  *(r.ec == std::errc() ? r.ptr : dest) = '\0';
  *value = dLeadingNumber(dest);
}

// Whether the current total-station station can take the next observation:
// the same name and instrument height, and air pressure and temperature
// that are unset on the station or the same.
bool boTsStationStillFits(const MboStationTs* st) {
  const MboRecPending& r = g_mboRec;
  return strcmp(sMboName(&st->name), r.sStation) == 0 && strcmp(st->sInstrHeight, r.sInstrHeight) == 0 &&
         (!st->sPressure[0] || strcmp(st->sPressure, r.sPressure) == 0) &&
         (!st->sTemperature[0] || strcmp(st->sTemperature, r.sTemperature) == 0);
}

// The point part of the flush: the point stored, or null.
PoPoint* pFlushPoint() {
  MboRecPending& r = g_mboRec;
  if (!r.uPointDirty) return nullptr;
  r.uPointDirty = 0;
  const char* name = r.uStationFlag ? r.sStation : r.sPoint;
  PoPoint* point = nullptr;
  if (*name) {
    point = KvxMboNewOrExistingPoint(name);
    if (r.sNorth[0] && r.sEast[0]) vMboSetPointXY(point, r.dEast, r.dNorth);
    if (r.sZ[0]) vMboSetPointZ(point, r.dZ);
    if (r.uXYPrecalc) vMboSetPointXYprecalc(point, 1);
    if (r.uZPrecalc) vMboSetPointZprecalc(point, 1);
    vMboSetPointCode(point, r.sCode);
    if (g_uKofMode) r.sCode[0] = '\0';
  }
  r.sNorth[0] = r.sEast[0] = r.sZ[0] = '\0';
  r.uXYPrecalc = r.uZPrecalc = 0;
  return point;
}

void vClearPendingTsValues() {
  MboRecPending& r = g_mboRec;
  r.dHz = r.dV = r.dHz2 = r.dV2 = r.dDist = 0.0;
  r.uObsFlags = r.uHz2Present = r.uV2Present = r.uHorDist = 0;
}

// The target height text read last and what it gave: it stays the same over
// many observations, and is not read again for each.
struct ReadHeight {
  char sText[MBO_REC_HEIGHT_SIZE];
  double dValue;
  bool boNumber;
  bool boSeen;
};
ReadHeight g_lastTargetHeight;

// The pending target height as a number, when it is one.
bool boTargetHeight(double* value) {
  ReadHeight& last = g_lastTargetHeight;
  const char* text = g_mboRec.sTargetHeight;
  if (!last.boSeen || memcmp(last.sText, text, sizeof last.sText) != 0) {
    memcpy(last.sText, text, sizeof last.sText);
    last.boNumber = boMboIsNumber(text);
    last.dValue = last.boNumber ? dNumParseC(text) : 0.0;
    last.boSeen = true;
  }
  *value = last.dValue;
  return last.boNumber;
}

// The observation part of the flush: the pending total-station values as an
// observation to the pending point. True when one was stored.
bool boFlushObservation() {
  MboRecPending& r = g_mboRec;
  if (!r.uObsPending) return false;
  r.uObsPending = 0;
  RecCurrent* cur = pCurrent(MBO_KIND_TS);
  if (cur->pStation && !boTsStationStillFits(static_cast<MboStationTs*>(cur->pStation)))
    vMboRecForgetStation(MBO_KIND_TS);
  if (!r.sPoint[0]) return false;  // the values stay for the next target

  vMboRecForgetObs(MBO_KIND_TS);
  const bool boWasSwept = !boMboMaybeUnswept(MBO_KIND_TS);
  vMboRecBeginTsObs();
  auto* obs = static_cast<MboObsTs*>(cur->pObs);
  if (!obs) return false;  // no station list (field book not initialised)
  boMboSetName(&obs->target, r.sPoint);
  // A named observation on its station, which holds it: nothing for the
  // clean-up after the read to delete.
  if (boWasSwept && *sMboName(&obs->target)) vMboMarkSwept(MBO_KIND_TS);
  // The code as it was pending goes through the code rule straight into
  // the observation below.
  char code[MBO_REC_CODE_SIZE];
  sStrCopyN(code, (r.sCode[0] || g_uKofMode) ? r.sCode : kDefaultCode, sizeof code);
  if (g_uKofMode) r.sCode[0] = '\0';
  obs->uHorDist = r.uHorDist;
  obs->dDist = r.dDist;
  obs->dHz = r.dHz;
  obs->uFlags = r.uObsFlags;
  obs->dV = r.dV;
  double targetHeight;
  if (boTargetHeight(&targetHeight)) {
    obs->dTargetHeight = targetHeight;
    obs->uFlags |= MBO_OBS_TH_VALID;
  }
  boMboSetObsRemark(obs, r.sRemark);
  vMboRecTwoFaceReduce(obs, r);
  vMboRecEccentricCorrect(obs);
  static_assert(sizeof obs->sCode == MBO_REC_CODE_SIZE);
  vConvertCode(code, obs->sCode);

  vMboRecForgetObs(MBO_KIND_TS);
  vClearPendingTsValues();
  return true;
}

// A new station of the kind becomes current (without observation); the
// caller fills what is particular to its kind.
void* pBeginStation(int kind) {
  RecCurrent* cur = pCurrent(kind);
  if (!cur->pStation) {
    cur->pStation = pMboNewStation(kind);
    cur->pObs = nullptr;
  }
  return cur->pStation;
}

// Makes the station when needed and an observation when none is current.
// True when a new observation was made.
bool boBeginObs(int kind, void (*beginStation)()) {
  RecCurrent* cur = pCurrent(kind);
  if (cur->pStation && cur->pObs) return false;
  beginStation();
  cur->pObs = cur->pStation ? pMboAddObs(kind, cur->pStation) : nullptr;
  return cur->pObs != nullptr;
}

}  // namespace

void vMboRecClear(void) {
  memset(&g_mboRec, 0, sizeof g_mboRec);
  memset(g_current, 0, sizeof g_current);
  memset(&g_mboEccentric, 0, sizeof g_mboEccentric);
  g_uKofMode = 0;
}

void vMboRecSetKofMode(int on) { g_uKofMode = on ? 1 : 0; }
bool boMboRecKofMode(void) { return g_uKofMode != 0; }

void vMboRecSetPointName(const char* name) {
  vMboRecSetPid(g_mboRec.sPoint, name);
  g_mboRec.uStationFlag = 0;
  g_mboRec.uRouted = 0;
}

void vMboRecSetStationName(const char* name) {
  vMboRecSetPid(g_mboRec.sStation, name);
  g_mboRec.uStationFlag = 1;
}

void vMboRecSetCode(const char* code) {
  code = sStrNotNull(code);
  if (code[0] == '-' && strncmp(code, "-9999999", 8) == 0)
    g_mboRec.sCode[0] = '\0';
  else
    sStrCopyN(g_mboRec.sCode, code, sizeof g_mboRec.sCode);
}

void vMboRecSetCoord(int item, const char* text) {
  const MboSettings& set = g_mboTransfer.settings;
  text = sStrNotNull(text);
  switch (item) {
    case MBO_REC_NORTH:
      vSetCoordText(g_mboRec.sNorth, &g_mboRec.dNorth, text, set.iEO);
      break;
    case MBO_REC_EAST:
      vSetCoordText(g_mboRec.sEast, &g_mboRec.dEast, text, set.iNO);
      break;
    case MBO_REC_Z:
      vSetCoordText(g_mboRec.sZ, &g_mboRec.dZ, text, 0.0);
      break;
    case MBO_REC_XY_PRECALC:
      g_mboRec.uXYPrecalc = 1;
      return;
    case MBO_REC_Z_PRECALC:
      g_mboRec.uZPrecalc = 1;
      return;
    default:
      return;
  }
  g_mboRec.uPointDirty = 1;
}

void vMboRecMarkNewStation(void) { g_mboRec.uNewStation = 1; }

char* sMboRecGetPointName(void) { return g_mboRec.sPoint; }
char* sMboRecGetCode(void) { return g_mboRec.sCode; }

int vMboFlushPending(void) {
  MboRecPending& r = g_mboRec;
  PoPoint* point = pFlushPoint();
  bool stored = point != nullptr;
  // The point part merged the pending point already (not a station's).
  if (r.uStationFlag) point = nullptr;
  if (boFlushObservation()) stored = true;
  if (!r.sPoint[0]) return stored ? 1 : 0;
  if (r.uStationFlag) {
    r.uStationFlag = 0;  // the point name stays pending
    return stored ? 1 : 0;
  }
  if (!point) point = KvxMboNewOrExistingPoint(r.sPoint);
  if (boMboExtraPointFieldsPending()) vMboExtraPointFieldsApply(g_pMboPoints, point);
  if (!r.uNewStation && !r.uRouted) {
    iMboLineAddPoint(r.sPoint, r.sCode, point);
    r.uRouted = 1;
  }
  r.uNewStation = 0;
  r.sPoint[0] = '\0';
  if (g_uKofMode) r.sCode[0] = '\0';
  return 1;
}

void vMboSetPointCode(PoPoint* point, const char* code) {
  if (!point) return;
  code = sStrNotNull(code);
  char converted[MBO_REC_CODE_SIZE];
  if (g_uKofMode)
    vMboConvertFeatureCodeInto(&g_mboTransfer.settings, code, converted);
  else
    vConvertCode(*code ? code : kDefaultCode, converted);
  vPoPointSetField(point, converted);
}

// ---------------------------------------------------------------------------
// Current objects

void vMboRecBeginTsStation(void) {
  RecCurrent* cur = pCurrent(MBO_KIND_TS);
  if (cur->pStation) return;
  auto* st = static_cast<MboStationTs*>(pBeginStation(MBO_KIND_TS));
  if (!st) return;
  const MboRecPending& r = g_mboRec;
  // pMboNewStation gave the instrument number and correction code.
  sStrCopyN(st->sInstrHeight, r.sInstrHeight, sizeof st->sInstrHeight);
  sStrCopyN(st->sPressure, r.sPressure, sizeof st->sPressure);
  sStrCopyN(st->sTemperature, r.sTemperature, sizeof st->sTemperature);
  boMboSetName(&st->name, r.sStation);
}

void vMboRecBeginTsObs(void) { boBeginObs(MBO_KIND_TS, vMboRecBeginTsStation); }

void vMboRecBeginLevStation(void) { pBeginStation(MBO_KIND_LEV); }
void vMboRecBeginLevObs(void) { boBeginObs(MBO_KIND_LEV, vMboRecBeginLevStation); }

void vMboRecBeginGpsStation(void) { pBeginStation(MBO_KIND_GPS); }

namespace {
template <typename Obs>
void vIdentityCorrelations(Obs* obs) {
  obs->r11 = obs->r22 = obs->r33 = 1.0f;
  obs->r12 = obs->r13 = obs->r23 = 0.0f;
}
}  // namespace

void vMboRecBeginGpsObs(void) {
  if (boBeginObs(MBO_KIND_GPS, vMboRecBeginGpsStation))
    vIdentityCorrelations(static_cast<MboObsGps*>(pCurrent(MBO_KIND_GPS)->pObs));
}

void vMboRecBeginCoordStation(void) { pBeginStation(MBO_KIND_COORD); }

void vMboRecBeginCoordObs(void) {
  if (boBeginObs(MBO_KIND_COORD, vMboRecBeginCoordStation))
    vIdentityCorrelations(static_cast<MboObsCoord*>(pCurrent(MBO_KIND_COORD)->pObs));
}

void* pMboRecCurrentStation(int kind) {
  RecCurrent* cur = pCurrent(kind);
  return cur ? cur->pStation : nullptr;
}

void* pMboRecCurrentObs(int kind) {
  RecCurrent* cur = pCurrent(kind);
  return cur ? cur->pObs : nullptr;
}

void vMboRecForgetObs(int kind) {
  RecCurrent* cur = pCurrent(kind);
  if (cur) cur->pObs = nullptr;
}

void vMboRecForgetStation(int kind) {
  RecCurrent* cur = pCurrent(kind);
  if (cur) *cur = RecCurrent{};
}

const char* sMboRecTargetPointNo(void) {
  auto* obs = static_cast<MboObsTs*>(pMboRecCurrentObs(MBO_KIND_TS));
  if (!obs) return sStrTemp("");
  char no[30];
  sStrCopyN(no, sMboPidPointNo(sMboName(&obs->target)), sizeof no);
  return sStrTemp(no);
}
