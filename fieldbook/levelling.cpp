// The pending levelling observation and GPS covariance attributes.
#include "fieldbook/levelling.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/convert.h"
#include "fieldbook/record.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"

namespace {

struct LevSight {
  char sName[MBO_REC_NAME_SIZE];
  double dReading;
  double dLength;  // the value given last; counts even when its bit is not set
};

// Module globals: they persist from one read to the next; the levelling
// flush at the end of each read forgets the sights.
struct LevPending {
  uint32_t uBits;
  LevSight sights[3];             // first, second, third
  char sCode[MBO_REC_CODE_SIZE];  // kept, but no observation takes it
  uint32_t uSetCounter;
  uint32_t uSetNo;
  char sLastName[MBO_REC_NAME_SIZE];  // the last name given, and its sight
  int iLastSight;
};
LevPending g_lev;

// The three item bits (name, reading, length) of a sight.
uint32_t uSightBits(int sight) { return 7u << (3 * sight); }
uint32_t uNameBit(int sight) { return 1u << (3 * sight); }
uint32_t uReadingBit(int sight) { return 2u << (3 * sight); }

bool boHeld(int sight) {
  uint32_t need = uNameBit(sight) | uReadingBit(sight);
  return (g_lev.uBits & need) == need;
}

// Forgets a sight. Its length goes too: a later pair without a length must
// not add this one's.
void vForgetSight(int sight) {
  g_lev.uBits &= ~uSightBits(sight);
  g_lev.sights[sight].dLength = 0.0;
}

void vAddObservation(int to) {
  const LevSight& from = g_lev.sights[0];
  const LevSight& target = g_lev.sights[to];
  vMboRecForgetObs(MBO_KIND_LEV);
  vMboRecBeginLevObs();
  auto* st = static_cast<MboStationLev*>(pMboRecCurrentStation(MBO_KIND_LEV));
  auto* obs = static_cast<MboObsLev*>(pMboRecCurrentObs(MBO_KIND_LEV));
  if (!st || !obs) return;
  if (st->iSetNo == 0) {
    if (to == 2)
      st->iSetNo = static_cast<int32_t>(++g_lev.uSetCounter);
    else
      st->iSetNo = static_cast<int32_t>(g_lev.uSetNo);
  }
  if (st->iInstrNo == 0) st->iInstrNo = static_cast<int32_t>(g_mboTransfer.settings.uLevellerNo);
  boMboSetName(&obs->from, from.sName);
  boMboSetName(&obs->to, target.sName);
  obs->dHeightDiff = from.dReading - target.dReading;
  obs->dDist = from.dLength + target.dLength;
}

// The first sight with a third one (it stays held for further third
// sights), else with the second one.
void vPair() {
  if (boHeld(2) && boHeld(0)) {
    vAddObservation(2);
    vForgetSight(2);
  } else if (boHeld(1) && boHeld(0)) {
    vAddObservation(1);
    vForgetSight(0);
    vForgetSight(1);
  }
}

bool boDigitFirst(const char* text) { return *text >= '0' && *text <= '9'; }

}  // namespace

void vMboLevSetItem(int item, const char* text) {
  if (!boMboIsNotBlank(text)) return;
  int sight = -1, what = -1;  // what: 0 name, 1 reading, 2 length
  if (item > 0 && item <= MBO_LEV_THIRD_LENGTH && std::has_single_bit(static_cast<unsigned>(item))) {
    int bit = std::countr_zero(static_cast<unsigned>(item));
    sight = bit / 3, what = bit % 3;
  }
  if (item == MBO_LEV_CODE) {
    sStrCopyN(g_lev.sCode, text, sizeof g_lev.sCode);
    g_lev.uBits |= MBO_LEV_CODE;
  } else if (item == MBO_LEV_SET_NO) {
    vPair();
    g_lev.uSetNo = boDigitFirst(text) ? static_cast<uint32_t>(iNumParseC(text)) : g_lev.uSetNo + 1;
    g_lev.uSetCounter = g_lev.uSetNo;
    g_lev.uBits |= MBO_LEV_SET_NO;
  } else if (what == 0) {
    vPair();
    LevSight& s = g_lev.sights[sight];
    vMboRecSetPid(s.sName, text);
    sStrCopyN(g_lev.sLastName, s.sName, sizeof g_lev.sLastName);
    g_lev.iLastSight = sight;
    g_lev.uBits |= static_cast<uint32_t>(item);
  } else if (what > 0 && boMboIsNumber(text)) {
    double v = dNumParseC(text);
    if (!std::isfinite(v)) return;
    LevSight& s = g_lev.sights[sight];
    if (what == 1) {
      s.dReading = v;
      g_lev.uBits |= static_cast<uint32_t>(item);
    } else {
      s.dLength = v;
      if (std::fabs(v) > 5e-5) g_lev.uBits |= static_cast<uint32_t>(item);
    }
  }
}

void vMboLevFlush(void) {
  vPair();
  for (int s = 0; s < 3; ++s) vForgetSight(s);
}

void vMboLevClear(void) { memset(&g_lev, 0, sizeof g_lev); }

bool boMboSetGpsCovariance(int kind, void* station, void* obs, double vxx, double cxy, double cxz, double vyy,
                           double cyz, double vzz) {
  if (!station || !obs) return false;
  auto sigma = [](double variance, bool* tiny) {
    double s = std::sqrt(variance);
    *tiny = !(s >= 1e-13);  // also for a negative or NaN variance
    return *tiny ? 1.0 : s;
  };
  bool tx, ty, tz;
  double sx = sigma(vxx, &tx), sy = sigma(vyy, &ty), sz = sigma(vzz, &tz);
  // Beside a replaced deviation the correlation is 0: a valid matrix has no
  // covariance with a zero variance, and a malformed one's divided by the
  // stand-in 1.0 is no correlation at all.
  auto r = [](double c, double s1, bool t1, double s2, bool t2) { return t1 || t2 ? 0.0 : c / (s2 * s1); };
  const struct {
    int attr;
    double value;
  } values[] = {{103, sx},
                {104, sy},
                {105, sz},
                {120, 1.0},
                {121, r(cxy, sx, tx, sy, ty)},
                {122, r(cxz, sx, tx, sz, tz)},
                {123, 1.0},
                {124, r(cyz, sy, ty, sz, tz)},
                {125, 1.0}};
  char text[400];
  for (const auto& v : values) {
    iNumPrintC(text, sizeof text, "%.8lf", v.value);
    boMboSetObsAttr(kind, station, obs, v.attr, text);
  }
  return true;
}
