// Pending observations: total-station values, their reductions, GPS vectors
// and coordinate observations, the clean-up after a read and the angle
// parsers.
#include "fieldbook/record_obs.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "base/cnum.h"
#include "base/geometry.h"
#include "base/text.h"
#include "fieldbook/convert.h"
#include "fieldbook/record.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"

MboEccentric g_mboEccentric;

namespace {

constexpr double kPi = std::numbers::pi;

uint64_t CoSys() { return g_mboTransfer.uCoSys; }

// Not blank and starts like a number. An out-of-range number ("1e999")
// counts as none: it would only store an infinite value.
bool boFiniteNumber(const char* text, double* value) {
  if (!boMboIsNumber(text)) return false;
  double v = dNumParseC(text);
  if (!std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool boNumeric(const char* text, double* value) { return boMboIsNotBlank(text) && boFiniteNumber(text, value); }

// A pending text item: copied when valid; otherwise cleared in KOF mode
// only, so that outside it a bad value keeps the previous one.
void vSetPendingText(char* dest, int size, const char* text, bool valid) {
  if (valid)
    sStrCopyN(dest, text, size);
  else if (boMboRecKofMode())
    dest[0] = '\0';
}

// An angle item: a number (null: the text held none) sets the value, its
// mark and the pending mark.
void vSetPendingAngle(const double* number, double (*toMath)(uint64_t, double), double* value, uint32_t* flags,
                      uint32_t bit) {
  if (number) {
    *value = toMath(CoSys(), *number);
    *flags |= bit;
    g_mboRec.uObsPending = 1;
  } else if (boMboRecKofMode()) {
    *value = 0.0;
    *flags &= ~bit;
  }
}

void vSetPendingDistance(const double* number, uint32_t horizontal) {
  MboRecPending& r = g_mboRec;
  if (number) {
    double v = *number;
    r.uHorDist = horizontal;
    r.uObsPending = 1;
    r.dDist = v;
    // A tiny distance is kept but not marked valid.
    if (std::fabs(v) > 5e-5) r.uObsFlags |= MBO_OBS_DIST_VALID;
  } else if (boMboRecKofMode()) {
    r.uObsFlags &= ~MBO_OBS_DIST_VALID;
    r.dDist = 0.0;
  }
}

// The items that take a number: angles and distances.
void vSetPendingNumber(int item, const double* number) {
  MboRecPending& r = g_mboRec;
  switch (item) {
    case MBO_OBS_ITEM_HZ:
      vSetPendingAngle(number, dCoSysHorDir2Math, &r.dHz, &r.uObsFlags, MBO_OBS_HZ_VALID);
      break;
    case MBO_OBS_ITEM_V:
      vSetPendingAngle(number, dCoSysVerDir2Math, &r.dV, &r.uObsFlags, MBO_OBS_V_VALID);
      break;
    case MBO_OBS_ITEM_DIST:
      vSetPendingDistance(number, 0);
      break;
    case MBO_OBS_ITEM_HDIST:
      vSetPendingDistance(number, 1);
      break;
    case MBO_OBS_ITEM_HZ2:
      vSetPendingAngle(number, dCoSysHorDir2Math, &r.dHz2, &r.uHz2Present, 1);
      break;
    case MBO_OBS_ITEM_V2:
      vSetPendingAngle(number, dCoSysVerDir2Math, &r.dV2, &r.uV2Present, 1);
      break;
    default:
      break;
  }
}

// Single precision, as the records keep these values. A value beyond the
// float range (a malformed file) becomes infinite instead of undefined.
float fSingle(double v) {
  if (v > FLT_MAX) return INFINITY;
  if (v < -FLT_MAX) return -INFINITY;
  return static_cast<float>(v);
}

// A standard deviation from a variance; an undefined one (negative or NaN
// variance) counts as tiny, as does one below 1e-13.
float fSigma(double variance, bool* tiny) {
  float s = fSingle(std::sqrt(variance));
  *tiny = !(s >= 1e-13f);
  return s;
}

}  // namespace

void vMboRecSetObsValue(int item, const char* text) {
  MboRecPending& r = g_mboRec;
  text = sStrNotNull(text);
  switch (item) {
    case MBO_OBS_ITEM_HORDIST:
      r.uHorDist = 1;
      break;
    case MBO_OBS_ITEM_CLEAR_IH:
      r.sInstrHeight[0] = '\0';
      break;
    case MBO_OBS_ITEM_CLEAR_TH:
      r.sTargetHeight[0] = '\0';
      break;
    case MBO_OBS_ITEM_HZ:
    case MBO_OBS_ITEM_V:
    case MBO_OBS_ITEM_DIST:
    case MBO_OBS_ITEM_HDIST:
    case MBO_OBS_ITEM_HZ2:
    case MBO_OBS_ITEM_V2: {
      double v;
      vSetPendingNumber(item, boNumeric(text, &v) ? &v : nullptr);
      break;
    }
    case MBO_OBS_ITEM_IH_OR_CLEAR:
      if (!boMboIsNotBlank(text)) {
        r.sInstrHeight[0] = '\0';
        break;
      }
      [[fallthrough]];
    case MBO_OBS_ITEM_IH:
      vSetPendingText(r.sInstrHeight, sizeof r.sInstrHeight, text, boMboIsNumber(text));
      break;
    case MBO_OBS_ITEM_TH_OR_CLEAR:
      if (!boMboIsNotBlank(text)) {
        r.sTargetHeight[0] = '\0';
        break;
      }
      [[fallthrough]];
    case MBO_OBS_ITEM_TH:
      vSetPendingText(r.sTargetHeight, sizeof r.sTargetHeight, text, boMboIsNumber(text));
      break;
    case MBO_OBS_ITEM_PRESSURE:
      vSetPendingText(r.sPressure, sizeof r.sPressure, text, boMboIsInteger(text));
      break;
    case MBO_OBS_ITEM_TEMPERATURE:
      vSetPendingText(r.sTemperature, sizeof r.sTemperature, text, boMboIsInteger(text));
      break;
    case MBO_OBS_ITEM_REMARK:
      sStrCopyN(r.sRemark, text, sizeof r.sRemark);
      break;
    default:
      break;
  }
}

void vMboRecSetObsNumber(int item, double value) { vSetPendingNumber(item, std::isfinite(value) ? &value : nullptr); }

// ---------------------------------------------------------------------------
// Reductions

double dMboMeanHorDir(double h1, double h2) { return h2 > h1 ? (h1 + h2 - kPi) / 2 : (h1 + h2 + kPi) / 2; }

double dMboMeanVerDir(double w1, double w2) { return w1 - (w1 + w2 - 2 * kPi) / 2; }

void vMboRecTwoFaceReduce(MboObsTs* obs, const MboRecPending& pending) {
  if (!obs) return;
  if (pending.uHz2Present) {
    if (obs->uFlags & MBO_OBS_HZ_VALID) {
      obs->dHz = dMboMeanHorDir(obs->dHz, pending.dHz2);
    } else {
      obs->dHz = pending.dHz2;
      obs->uFlags |= MBO_OBS_HZ_VALID;
    }
  }
  if (pending.uV2Present) {
    if (obs->uFlags & MBO_OBS_V_VALID) {
      obs->dV = dMboMeanVerDir(obs->dV, pending.dV2);
    } else {
      obs->dV = pending.dV2;
      obs->uFlags |= MBO_OBS_V_VALID;
    }
  }
}

// The target stood off the line of sight: the observation is moved onto the
// point. Works on the elevation e = pi/2 - zenith; without a valid vertical
// angle the sight counts as level and the vertical angle is left alone.
// Without a valid distance, or where the geometry degenerates (a zero
// length), the observation is left unchanged. The offsets belong to this
// observation in every case, unless the reader keeps them.
void vMboRecEccentricCorrect(MboObsTs* obs) {
  MboEccentric& ecc = g_mboEccentric;
  const double c = ecc.dCross, a = ecc.dAlong;
  if (std::fabs(c) <= 0.0001 && std::fabs(a) <= 0.0001) return;
  if (obs && (obs->uFlags & MBO_OBS_DIST_VALID)) {
    const bool vertical = (obs->uFlags & MBO_OBS_V_VALID) != 0;
    const double e = vertical ? kPi / 2 - obs->dV : 0.0;
    const double d = obs->dDist;
    double p, z;
    if (obs->uHorDist) {
      p = d + a;
      z = d * std::tan(e);
    } else {
      p = std::fabs(std::cos(e)) * d + a;
      z = d * std::sin(e);
    }
    const double h = std::sqrt(c * c + p * p);
    const double s = std::sqrt(z * z + h * h);
    if (h >= 1e-9 && s >= 1e-9 && std::isfinite(s)) {
      obs->dDist = obs->uHorDist ? h : s;
      if (vertical) obs->dV = kPi / 2 - std::asin(z / s);
      obs->dHz += std::asin(c / h);
    }
  }
  if (!ecc.uKeep) ecc.dCross = ecc.dAlong = 0.0;
}

// ---------------------------------------------------------------------------
// GPS vectors

namespace {

MboStationGps* pGpsStation() { return static_cast<MboStationGps*>(pMboRecCurrentStation(MBO_KIND_GPS)); }
MboObsGps* pGpsVector() { return static_cast<MboObsGps*>(pMboRecCurrentObs(MBO_KIND_GPS)); }
MboStationCoord* pCoordStation() { return static_cast<MboStationCoord*>(pMboRecCurrentStation(MBO_KIND_COORD)); }
MboObsCoord* pCoordObs() { return static_cast<MboObsCoord*>(pMboRecCurrentObs(MBO_KIND_COORD)); }

// A vector that already names its to-point is done: the next one starts.
void vStartNewGpsVector() {
  MboObsGps* v = pGpsVector();
  if (pGpsStation() && v && *sMboName(&v->to)) vMboRecForgetObs(MBO_KIND_GPS);
  vMboRecBeginGpsObs();
}

// The pending code for a new vector: outside KOF mode as it stands (the
// default code being empty), in KOF mode taken and cleared.
void vTakePendingCode(char* dest, int size) {
  char* code = sMboRecGetCode();
  sStrCopyN(dest, code, size);
  if (boMboRecKofMode()) code[0] = '\0';
}

template <typename Obs>
void vSetCorrelations(Obs* obs, double r11, double r12, double r13, double r22, double r23, double r33) {
  obs->r11 = fMboCorrelation(r11);
  obs->r12 = fMboCorrelation(r12);
  obs->r13 = fMboCorrelation(r13);
  obs->r22 = fMboCorrelation(r22);
  obs->r23 = fMboCorrelation(r23);
  obs->r33 = fMboCorrelation(r33);
}

}  // namespace

namespace {

// A numeric field of the current vector (bits 8 to 2048), a finite value.
void vGpsSetValue(MboObsGps* g, int bit, double v) {
  switch (bit) {
    case 8:
      g->dX = v, g->dSdX = 1.0;
      break;
    case 16:
      g->dY = v, g->dSdY = 1.0;
      break;
    case 32:
      g->dZ = v, g->dSdZ = 1.0;
      break;
    case 64: {
      double old = pGpsStation()->dAntennaHeight;
      // Another antenna height means another set-up.
      if (!boGeoEqual(old, 0) && !boGeoEqual(old, v)) {
        vMboRecForgetStation(MBO_KIND_GPS);
        vMboRecBeginGpsObs();
      }
      pGpsStation()->dAntennaHeight = v;
      break;
    }
    case 128:
      g->dAntennaHeight = fSingle(v);
      break;
    case 512:
      g->dSdX = fSingle(v);
      break;
    case 1024:
      g->dSdY = fSingle(v);
      break;
    case 2048:
      g->dSdZ = fSingle(v);
      break;
    default:
      break;
  }
}

}  // namespace

void vMboRecGpsSetField(int bit, const char* text) {
  vMboRecBeginGpsObs();
  MboObsGps* g = pGpsVector();
  if (!g || !boMboIsNotBlank(text)) return;
  // Not blank from here: the numbers need only be finite numbers.
  double v = 0.0;
  switch (bit) {
    case 2: {
      vStartNewGpsVector();
      char id[MBO_REC_NAME_SIZE];
      vMboRecSetPid(id, text);
      const char* name = sMboName(&pGpsStation()->name);
      // The same station again (the usual case, a vector per line): it is
      // named so already.
      if (strcmp(name, id) == 0) break;
      if (name[0]) {
        vMboRecForgetStation(MBO_KIND_GPS);
        vMboRecBeginGpsObs();
      }
      boMboSetName(&pGpsStation()->name, id);
      break;
    }
    case 4: {
      vStartNewGpsVector();
      char id[MBO_REC_NAME_SIZE];
      vMboRecSetPid(id, text);
      boMboSetName(&pGpsVector()->to, id);
      vTakePendingCode(pGpsVector()->sCode, sizeof pGpsVector()->sCode);
      break;
    }
    case 4096:
      sStrCopyN(g->sCode, text, sizeof g->sCode);
      break;
    default:
      if (boFiniteNumber(text, &v)) vGpsSetValue(g, bit, v);
      break;
  }
}

void vMboRecGpsSetNumber(int bit, double value) {
  vMboRecBeginGpsObs();
  MboObsGps* g = pGpsVector();
  if (g && std::isfinite(value)) vGpsSetValue(g, bit, value);
}

void vMboRecGpsSetSigmas(double r11, double r12, double r13, double r22, double r23, double r33) {
  if (MboObsGps* g = pGpsVector()) vSetCorrelations(g, r11, r12, r13, r22, r23, r33);
}

void vMboRecGpsSetCovariance(double vxx, double cxy, double cxz, double vyy, double cyz, double vzz) {
  MboObsGps* g = pGpsVector();
  if (!g) return;
  bool tx, ty, tz;
  float sx = fSigma(vxx, &tx), sy = fSigma(vyy, &ty), sz = fSigma(vzz, &tz);
  if (tx) sx = 1.0f;
  if (ty) sy = 1.0f;
  if (tz) sz = 1.0f;
  g->dSdX = sx;
  g->dSdY = sy;
  g->dSdZ = sz;
  // Beside a replaced deviation the correlation is 0: a valid matrix has no
  // covariance with a zero variance, and a malformed one's divided by the
  // stand-in 1.0 is no correlation at all.
  auto r = [](double c, float s1, bool t1, float s2, bool t2) { return t1 || t2 ? 0.0 : c / (s1 * s2); };
  vSetCorrelations(g, 1.0, r(cxy, sx, tx, sy, ty), r(cxz, sx, tx, sz, tz), 1.0, r(cyz, sy, ty, sz, tz), 1.0);
}

void vMboRecForgetGpsVector(void) {
  vStartNewGpsVector();
  vMboRecForgetStation(MBO_KIND_GPS);
}

// ---------------------------------------------------------------------------
// Coordinate observations

void vMboRecCoordSetField(int bit, const char* text) {
  vMboRecBeginCoordObs();
  if (!boMboIsNotBlank(text) || !pCoordObs()) return;
  MboObsCoord* o = pCoordObs();
  double v = 0.0;
  switch (bit) {
    case 2: {
      // A station name always starts a new station, even a repeated one.
      if (*sMboName(&pCoordStation()->name)) {
        vMboRecForgetStation(MBO_KIND_COORD);
        vMboRecBeginCoordObs();
      }
      char id[MBO_REC_NAME_SIZE];
      vMboRecSetPid(id, text);
      boMboSetName(&pCoordStation()->name, id);
      break;
    }
    case 8:
    case 16:
    case 32:
      if (boNumeric(text, &v)) {
        double* value = bit == 8 ? &o->dX : bit == 16 ? &o->dY : &o->dZ;
        double* sd = bit == 8 ? &o->dSdX : bit == 16 ? &o->dSdY : &o->dSdZ;
        *value = v;
        if (boGeoEqual(*sd, 0)) *sd = 1.0;
      }
      break;
    case 64:
    case 128:
    case 256:
      if (boNumeric(text, &v)) {
        double* sd = bit == 64 ? &o->dSdX : bit == 128 ? &o->dSdY : &o->dSdZ;
        *sd = fSingle(v);
      }
      break;
    case 512:
      if (boNumeric(text, &v)) o->dAntennaHeight = v;
      break;
    case 1024:
      if (boNumeric(text, &v)) o->dQuality = v;
      break;
    case 2048:
      o->iQualityA = iNumParseC(text);
      break;
    case 4096:
      o->iQualityB = iNumParseC(text);
      break;
    case 8192:
      sStrCopyN(o->sEpoch, text, sizeof o->sEpoch);
      break;
    case 16384:
      sStrCopyN(o->sCode, text, sizeof o->sCode);
      break;
    case 32768:
      o->iBlockMark = iNumParseC(text);
      break;
    default:
      break;
  }
}

const char* sMboRecCoordGetField(int bit) {
  MboObsCoord* o = pCoordObs();
  if (!o) return sStrTemp("");
  char buf[400];  // "%lf" of any double
  buf[0] = '\0';
  const double* number = nullptr;
  const int32_t* count = nullptr;
  switch (bit) {
    case 2:
      return sStrTemp(pCoordStation() ? sMboName(&pCoordStation()->name) : "");
    case 8:
      number = &o->dX;
      break;
    case 16:
      number = &o->dY;
      break;
    case 32:
      number = &o->dZ;
      break;
    case 64:
      number = &o->dSdX;
      break;
    case 128:
      number = &o->dSdY;
      break;
    case 256:
      number = &o->dSdZ;
      break;
    case 512:
      number = &o->dAntennaHeight;
      break;
    case 1024:
      number = &o->dQuality;
      break;
    case 2048:
      count = &o->iQualityA;
      break;
    case 4096:
      count = &o->iQualityB;
      break;
    case 32768:
      count = &o->iBlockMark;
      break;
    case 8192:
      return sStrTemp(o->sEpoch);
    case 16384:
      return sStrTemp(o->sCode);
    default:
      break;
  }
  if (number) iNumPrintC(buf, sizeof buf, "%lf", *number);
  if (count) iNumPrintC(buf, sizeof buf, "%d", *count);
  return sStrTemp(buf);
}

void vMboRecCoordSetSigmas(double r11, double r12, double r13, double r22, double r23, double r33) {
  if (MboObsCoord* o = pCoordObs()) vSetCorrelations(o, r11, r12, r13, r22, r23, r33);
}

void vMboRecCoordSetCovariance(double vxx, double cxy, double cxz, double vyy, double cyz, double vzz) {
  MboObsCoord* o = pCoordObs();
  if (!o) return;
  bool tx, ty, tz;
  float sx = fSigma(vxx, &tx), sy = fSigma(vyy, &ty), sz = fSigma(vzz, &tz);
  if (tx || ty || tz) {
    o->dSdX = o->dSdY = o->dSdZ = 0.0;
    vSetCorrelations(o, 1.0, 0.0, 0.0, 1.0, 0.0, 1.0);
    return;
  }
  o->dSdX = sx;
  o->dSdY = sy;
  o->dSdZ = sz;
  vSetCorrelations(o, 1.0, cxy / (sx * sy), cxz / (sx * sz), 1.0, cyz / (sy * sz), 1.0);
}

void vMboRecForgetCoordStation(void) {
  vMboRecBeginCoordObs();
  vMboRecForgetStation(MBO_KIND_COORD);
}

// ---------------------------------------------------------------------------
// Clean-up after a read

namespace {

SLinkList* pObsList(void* station) { return &static_cast<MboStationHead*>(station)->obsList; }

// Deletes the station (which follows prev, null: the first) with its
// observations, forgetting it when current. The sweeps below pass the
// object before, so that a file with many empty targets costs no walk per
// delete.
void vDeleteStation(int kind, void* prev, void* station) {
  if (pMboRecCurrentStation(kind) == station) vMboRecForgetStation(kind);
  vSLinkFreeAll(pObsList(station));
  vSLinkDeleteAfter(pMboStationList(kind), prev, station);
}

void vDeleteObs(int kind, void* station, void* prev, void* obs) {
  if (pMboRecCurrentObs(kind) == obs) vMboRecForgetObs(kind);
  vSLinkDeleteAfter(pObsList(station), prev, obs);
}

// Deletes the kind's observations that fail keep, then its stations that
// are left without observations. The lists are walked here, not through
// the exported getters: this pass meets every observation of a read.
template <typename Obs>
void vSweep(int kind, bool (*keep)(Obs*)) {
  void* prevSt = nullptr;
  void* st = pMboGetNextSt(kind, nullptr);
  while (st) {
    void* nextSt = pMboGetNextSt(kind, st);
    void* prev = nullptr;
    SLinkObj* obs = pObsList(st)->pFirst;
    while (obs) {
      SLinkObj* next = obs->pNext;
      if (keep(reinterpret_cast<Obs*>(obs)))
        prev = obs;
      else
        vDeleteObs(kind, st, prev, obs);
      obs = next;
    }
    if (!pObsList(st)->pFirst)
      vDeleteStation(kind, prevSt, st);
    else
      prevSt = st;
    st = nextSt;
  }
}

}  // namespace

// A kind whose lists are known to hold nothing to delete (those the record
// builder made as it read, mostly) is not walked.
void vMboRecAverageObservations(void) {
  if (boMboMaybeUnswept(MBO_KIND_TS))
    vSweep<MboObsTs>(MBO_KIND_TS, [](MboObsTs* o) { return *sMboName(&o->target) != '\0'; });
  if (boMboMaybeUnswept(MBO_KIND_GPS))
    vSweep<MboObsGps>(MBO_KIND_GPS, [](MboObsGps* o) { return *sMboName(&o->to) != '\0'; });
  if (boMboMaybeUnswept(MBO_KIND_COORD)) {
    void* prev = nullptr;
    void* st = pMboGetNextSt(MBO_KIND_COORD, nullptr);
    while (st) {
      void* next = pMboGetNextSt(MBO_KIND_COORD, st);
      if (!*sMboName(&static_cast<MboStationCoord*>(st)->name))
        vDeleteStation(MBO_KIND_COORD, prev, st);
      else
        prev = st;
      st = next;
    }
  }
  vMboMarkSwept(MBO_KIND_TS);
  vMboMarkSwept(MBO_KIND_GPS);
  vMboMarkSwept(MBO_KIND_COORD);
}

void vMboRecBeforeReader(void) {}
void vMboRecGeodatHook(void) {}
void vMboRecGpsRecordHook(int, int, int, int) {}

// ---------------------------------------------------------------------------
// Angle parsers

bool boMboIsNumeric(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '-' || c == '.' || c == 'e')) return false;
  return true;
}

namespace {

std::optional<double> StodAngle(std::string_view text, bool degrees, double (*toMath)(uint64_t, double)) {
  if (!boMboIsNumeric(text)) return std::nullopt;
  // The parser needs a terminated text: a short one is copied to the stack.
  char buf[64];
  std::string heap;
  const char* s = buf;
  if (text.size() < sizeof buf) {
    memcpy(buf, text.data(), text.size());
    buf[text.size()] = '\0';
  } else {
    heap.assign(text);
    s = heap.c_str();
  }
  char* end = nullptr;
  errno = 0;
  double v = dNumParseEndC(s, &end);
  // No number at all, or one beyond the range of a double.
  if (end == s || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  if (degrees) v *= kPi / 180.0;
  return toMath(CoSys(), dCoSysScaleAng2User(CoSys(), v));
}

}  // namespace

std::optional<double> dMboStodHorDir(std::string_view text, bool degrees) {
  return StodAngle(text, degrees, dCoSysHorDir2Math);
}

std::optional<double> dMboStodVerDir(std::string_view text, bool degrees) {
  return StodAngle(text, degrees, dCoSysVerDir2Math);
}

bool boMboIsNumeric(const char* text) { return boMboIsNumeric(std::string_view(sStrNotNull(text))); }

std::optional<double> dMboStodHorDir(const char* text, bool degrees) {
  return dMboStodHorDir(std::string_view(sStrNotNull(text)), degrees);
}

std::optional<double> dMboStodVerDir(const char* text, bool degrees) {
  return dMboStodVerDir(std::string_view(sStrNotNull(text)), degrees);
}
