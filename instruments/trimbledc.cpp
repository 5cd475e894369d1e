// Trimble DC77 and DC10 files: the two coordinate writers and the shared
// reader of SDR-style records with total-station, satellite-vector and
// geographic records and feature attributes.
#include "instruments/trimbledc.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/settings.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/sdr.h"
#include "kv2cosys.h"
#include "win32.h"

namespace {

const int kDefaultPriority = 5;

struct DcReader {
  uint32_t hSide;
  std::unordered_map<std::string, int> priorities;  // of the names read so far
  double adBase[3];                                 // antenna parameters of the base and the rover
  double adRover[3];
  char sTargetHeight[40];
  char sAntennaHeight[40];
  bool boTrueHeight;        // the last antenna record gave a true height
  bool boFromWaits;         // a from-station waits for its antenna height
  bool boLineSpecSeen;      // in a point code field
  bool boAttrLineSpec;      // a LINEID attribute gave the next point's line
  std::string sObsStation;  // the points observed from it, in 79 records
  std::unordered_set<std::string> obsPoints;
};

// A record line and its length, measured once. The line is a copy with
// room after it, so that a field is taken by one copy of fixed size.
const int kLineMax = 399;
const int kFieldMax = 32;
struct DcLine {
  const char* s;
  int len;
};

// A field's text, cut out of its record, and its length: it lives as long
// as the value (a call's argument lives through its whole statement).
struct DcText {
  char s[kFieldMax + 1];
  int n;
};

bool boBlank(char c) { return c == ' ' || c == '\t'; }

// The high bit of each byte of w that is neither a blank nor a tab.
uint64_t uNotBlank(uint64_t w) {
  const uint64_t kOnes = 0x0101010101010101ull, kLow = 0x7f7f7f7f7f7f7f7full;
  // The high bit of each zero byte of a, and of no other.
  auto zero = [&](uint64_t a) { return ~(((a & kLow) + kLow) | a | kLow); };
  return ~(zero(w ^ (kOnes * ' ')) | zero(w ^ (kOnes * '\t'))) & ~kLow;
}

// The blanks and tabs at both ends of [*b, *e) cut: the fields are mostly
// padding after their text, which goes eight bytes a step.
void vTrimBlanks(const char* s, int* b, int* e) {
  if constexpr (std::endian::native == std::endian::little) {
    const uint64_t kBlanks = 0x2020202020202020ull;
    while (*e - *b >= 8) {
      uint64_t w;
      memcpy(&w, s + *e - 8, 8);
      uint64_t m = w == kBlanks ? 0 : uNotBlank(w);
      if (!m) {
        *e -= 8;
        continue;
      }
      *e -= std::countl_zero(m) / 8;  // the last byte that is not blank ends it
      break;
    }
  }
  while (*e > *b && boBlank(s[*e - 1])) --*e;
  while (*b < *e && boBlank(s[*b])) ++*b;
}

// Columns from..from+count-1 (1-based) of the line (at most 32 of them),
// blanks and tabs cut at both ends; "" past the line's end.
DcText sCols(const DcLine& line, int from, int count) {
  int b = from - 1, e = b;
  DcText out;
  if (b >= line.len) {
    out.s[0] = '\0';
    out.n = 0;
    return out;
  }
  e = b + std::min({count, kFieldMax, line.len - b});
  vTrimBlanks(line.s, &b, &e);
  memcpy(out.s, line.s + b, kFieldMax);  // within the line's room
  out.s[e - b] = '\0';
  out.n = e - b;
  return out;
}

// "Fn": the 16-character field at columns n..n+15.
DcText sF(const DcLine& line, int n) { return sCols(line, n, 16); }

char cCol(const DcLine& line, int col) { return line.len >= col ? line.s[col - 1] : '\0'; }

bool boType(const DcLine& line, const char* type) { return line.len >= 4 && strncmp(line.s + 2, type, 2) == 0; }

// The priority digit at column 86; missing or not a digit counts as the
// lowest priority that still passes, so that any real one replaces it.
int iPriority(const DcLine& line) {
  char c = cCol(line, 86);
  return c >= '0' && c <= '9' ? c - '0' : kDefaultPriority;
}

// *listed: the name came before.
bool boPriorityPasses(DcReader* r, const char* name, int priority, bool* listed) {
  std::string key(name, strnlen(name, 16));
  auto it = r->priorities.find(key);
  *listed = it != r->priorities.end();
  if (*listed) {
    if (priority >= it->second) return false;
    it->second = priority;
    return true;
  }
  if (priority > 5) return false;
  r->priorities.emplace(key, priority);
  return true;
}

// The pending point of a record that gives no line instruction, or whose
// point already has its place on the lines (its other face, a better
// measurement of it), joins no line: every point of these files carries its
// own instruction.
void vNoLine(const char* name) {
  if (*name) vMboLineCommand(MBO_LINE_SKIP, "", "");
}

// A line instruction "number[.second]" by the coded-line commands; false
// when its number has no meaning (the record goes to the side file).
bool boLineInstruction(DcReader* r, const char* sGiven, bool boAttribute) {
  char text[20];
  sStrCopyN(text, sGiven, sizeof text);
  // A point without an instruction ends the lines, unless an attribute
  // gave its line.
  if (!boAttribute && r->boLineSpecSeen && !r->boAttrLineSpec && !text[0]) sStrCopyN(text, "-9", sizeof text);
  r->boAttrLineSpec = boAttribute && text[0];
  if (!text[0]) return true;
  // Numbers select lines: points of two lines may alternate.
  if (!boAttribute && !r->boLineSpecSeen) vMboLineCommand(MBO_LINE_AUTO_BY_NO, "", "");
  if (!boAttribute) r->boLineSpecSeen = true;
  char first[9] = "", second[9] = "";
  char* dot = strchr(text, '.');
  if (dot) {
    *dot = '\0';
    sStrCopyN(second, dot + 1, sizeof second);
  }
  sStrCopyN(first, text, sizeof first);
  bool hasSecond = dot != nullptr;
  int number = iNumParseC(first);
  if (number >= 0) {
    // The point itself follows on the line chosen here: the builder keeps it
    // current (per-point mode).
    vMboLineCommand(MBO_LINE_ENABLE, "", "");
    if (first[0] && strcmp(first, "0") != 0) {
      vMboLineSetLineNo(first);
      if (hasSecond && strcmp(second, "0") == 0)
        vMboLineCommand(MBO_LINE_CLOSE, "", "");
      else if (hasSecond)
        vMboLineCommand(MBO_LINE_ADD_NAMED, second, "");
    } else {
      vMboLineSetLineNo("0");
      if (hasSecond) vMboLineCommand(MBO_LINE_ADD_NAMED, second, "");
    }
    return true;
  }
  switch (number) {
    case -9:
      vMboLineCommand(MBO_LINE_CLEAR_A, "", "");
      vMboLineCommand(MBO_LINE_GROUP_END, "", "");
      vMboLineCommand(MBO_LINE_ENABLE, "-9", "-9");
      return true;
    case -3:
      vMboLineCommand(MBO_LINE_ARC, "", "");
      return true;
    case -1:
      vMboLineCommand(MBO_LINE_SKIP, "", "");
      return true;
    default:
      return false;
  }
}

// The point code field: code, line instruction and line code, separated
// by '-' (a double "--" makes the line instruction negative). False when the
// record goes to the side file. Without withLine the point joins no line.
bool boCodeField(DcReader* r, const DcText& field, bool withLine = true) {
  char parts[3][9] = {};  // each cut to 8 characters, then trimmed
  const char* p = field.s;
  const char* end = field.s + field.n;
  for (int i = 0; i < 3 && p; ++i) {
    // The first two parts end at a '-' (the second's own leading '-' is its
    // sign); the third is the rest.
    const char* dash = nullptr;
    if (i < 2)
      for (const char* q = i == 1 && p < end && *p == '-' ? p + 1 : p; q < end && !dash; ++q)
        if (*q == '-') dash = q;
    const char* b = p;
    const char* e = p + std::min<size_t>((size_t)((dash ? dash : end) - p), sizeof parts[i] - 1);
    while (b < e && boBlank(*b)) ++b;
    while (e > b && boBlank(e[-1])) --e;
    memcpy(parts[i], b, (size_t)(e - b));
    p = dash ? dash + 1 : nullptr;
  }
  vMboRecSetCode(parts[0]);
  vMboCodeLineDefaultName(parts[0]);
  if (!withLine) {
    vNoLine(sMboRecGetPointName());
    return true;
  }
  bool ok = boLineInstruction(r, parts[1], false);
  if (parts[2][0]) vMboLineSetCode(parts[2]);
  return ok;
}

// The antenna height text of the kind given, with the triple's radius and
// offset for a slant height; false when there is none to give.
bool boAntennaHeight(DcReader* r, const char* text, bool boTrue, const double* triple, char* out, int size) {
  if (!boMboIsNumber(text)) return false;
  if (boTrue) {
    sStrCopyN(out, text, size);
    return true;
  }
  double s = dNumParseC(text), radius = triple[1];
  if (s * s < radius * radius) {
    vMboReport(r->hSide, "SLANT HEIGHT SMALLER THAN ANTENNA RADIUS", text);
    return false;
  }
  sStrPrintN(out, size, "%.4lf", std::sqrt(s * s - radius * radius) + triple[2]);
  return true;
}

void vTriple(const DcLine& line, int col, double* triple) {
  for (int i = 0; i < 3; ++i) triple[i] = dNumParseC(sCols(line, col + 16 * i, 16).s);
}

void vCoordinates(const DcLine& line) {
  vMboRecSetCoord(MBO_REC_NORTH, sF(line, 21).s);
  vMboRecSetCoord(MBO_REC_EAST, sF(line, 37).s);
  vMboRecSetCoord(MBO_REC_Z, sF(line, 53).s);
}

// 66 TP: latitude and longitude through the coordinate system.
bool boGeographic(DcReader* r, const DcLine& line) {
  vMboFlushPending();
  bool listed;
  if (!boPriorityPasses(r, sF(line, 5).s, iPriority(line), &listed)) return true;
  DcText lat = sF(line, 21), lon = sF(line, 37);
  double east = 0, north = 0;
  if (!boMboIsNumber(lat.s) || !boMboIsNumber(lon.s) ||
      !boCoSysFromDecimalLatitudeLongitude(g_mboTransfer.uCoSys, dNumParseC(lat.s), dNumParseC(lon.s), &east, &north))
    return false;
  vMboRecSetPointName(sF(line, 5).s);
  vNoLine(sF(line, 5).s);
  char text[80];
  vMboRecSetCoord(MBO_REC_NORTH, sStrPrintN(text, sizeof text, "%.6lf", north));
  vMboRecSetCoord(MBO_REC_EAST, sStrPrintN(text, sizeof text, "%.6lf", east));
  vMboRecSetCoord(MBO_REC_XY_PRECALC, "");
  DcText height = sF(line, 53);
  if (boMboIsNumber(height.s)) {
    double geoid = 0;
    if (!boCoSysCalcGeoideH(g_mboTransfer.uCoSys, "trimble", east, north, &geoid))
      geoid = dCoSysGetDefaultGeoideH(g_mboTransfer.uCoSys, "trimble");
    vMboRecSetCoord(MBO_REC_Z, sStrPrintN(text, sizeof text, "%.6lf", dNumParseC(height.s) + geoid));
    vMboRecSetCoord(MBO_REC_Z_PRECALC, "");
  }
  return true;
}

void vAttribute(DcReader* r, const DcLine& line) {
  char name[21], value[21];
  sStrCopyN(name, sCols(line, 5, 20).s, sizeof name);
  sStrCopyN(value, sCols(line, 25, 20).s, sizeof value);
  auto is = [&](const char* a, const char* b) { return iStrCmpNoCase(name, a) == 0 || iStrCmpNoCase(name, b) == 0; };
  if (is("AREA", "PINTA")) {
    vMboSetJobName(value);
  } else if (is("GROUP", "RYHMA")) {
    vMboSetAreaName(value);
  } else if (is("LINEID", "VIIVA")) {
    vMboFlushPending();
    boLineInstruction(r, value, true);
  } else if (is("LFCODE", "VKOODI")) {
    vMboLineSetCode(value);
  } else if (is("PFCODE", "PKOODI")) {
    vMboRecSetCode(value);
    vMboCodeLineDefaultName(value);
  } else {
    vMboExtraPointFieldAdd(name, value);
  }
}

void vObsValue(int item, const DcText& field) { vSdrObsValue(item, field.s, (size_t)field.n); }

// True when the point was observed from this station before (its other
// face, a repeated measurement).
bool boObservedBefore(DcReader* r, const char* station, const char* point) {
  if (r->sObsStation != station) {
    r->sObsStation = station;
    r->obsPoints.clear();
  }
  return !r->obsPoints.emplace(point).second;
}

// 79 and D9: an observation unless column 101 holds ':'; false when the
// line goes to the side file.
bool boObservation(DcReader* r, const DcLine& line) {
  vMboFlushPending();
  if (cCol(line, 101) == ':') return true;
  const DcText station = sF(line, 5), point = sF(line, 21);
  vMboRecSetStationName(station.s);
  vMboRecSetPointName(point.s);
  vMboRecSetObsValue(MBO_OBS_ITEM_TH, r->sTargetHeight);
  bool face1 = boType(line, "F1");
  if (!face1 && !boType(line, "F2")) {
    vNoLine(point.s);
    return false;
  }
  vObsValue(face1 ? MBO_OBS_ITEM_V : MBO_OBS_ITEM_V2, sF(line, 53));
  vObsValue(face1 ? MBO_OBS_ITEM_HZ : MBO_OBS_ITEM_HZ2, sF(line, 69));
  vObsValue(MBO_OBS_ITEM_DIST, sF(line, 37));
  return boCodeField(r, sF(line, 85), !boObservedBefore(r, station.s, point.s));
}

// One record; false when it goes to the side file.
bool boReadRecord(DcReader* r, const char* text) {
  char copy[kLineMax + 1 + kFieldMax];
  size_t len = strnlen(text, kLineMax);
  memcpy(copy, text, len);
  memset(copy + len, 0, kFieldMax + 1);
  const DcLine line{copy, (int)len};
  int code = iTrimbleDcRecordCode(text);
  switch (code) {
    case 2:
    case 224:  // E0
      if (!boType(line, "TP") && !boType(line, "NM")) return true;
      vMboFlushPending();
      vMboRecSetStationName(sF(line, 5).s);
      if (code == 224) {
        vMboRecSetObsValue(MBO_OBS_ITEM_IH, sF(line, 21).s);
        return true;
      }
      vMboRecSetObsValue(MBO_OBS_ITEM_IH, sF(line, 69).s);
      vCoordinates(line);
      vMboRecSetCode(sF(line, 85).s);
      return true;
    case 5:
      vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, sF(line, 5).s);
      vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, sF(line, 21).s);
      return true;
    case 7:
    case 225:  // E1
      vMboFlushPending();
      vMboRecSetStationName(sF(line, 5).s);
      vMboRecSetObsValue(MBO_OBS_ITEM_TH, r->sTargetHeight);
      vMboRecSetPointName(sF(line, 21).s);
      vNoLine(sF(line, 21).s);
      vObsValue(MBO_OBS_ITEM_HZ, sF(line, 53));
      return true;
    case 8: {
      vMboFlushPending();
      vMboRecSetPointName(sF(line, 5).s);
      vCoordinates(line);
      bool ok = boCodeField(r, sF(line, 69));
      vMboFlushPending();
      return ok;
    }
    case 13:
      if (!boType(line, "FC")) return false;
      vMboRecSetCode(sCols(line, 5, 60).s);
      return true;
    case 57: {
      r->boTrueHeight = cCol(line, 21) == '1';
      sStrCopyN(r->sAntennaHeight, sF(line, 5).s, sizeof r->sAntennaHeight);
      if (r->boFromWaits) {
        char height[64];
        if (boAntennaHeight(r, r->sAntennaHeight, r->boTrueHeight, r->adBase, height, sizeof height))
          vMboRecGpsSetField(64, height);
        r->boFromWaits = false;
        r->sAntennaHeight[0] = '\0';
      }
      return true;
    }
    case 59: {
      double c[6];
      static const int cols[6] = {23, 39, 55, 71, 87, 103};
      for (int i = 0; i < 6; ++i) {
        DcText text = sCols(line, cols[i], 16);
        if (!boMboIsNumber(text.s)) return false;
        c[i] = dNumParseC(text.s);
      }
      vMboRecGpsSetCovariance(c[0], c[1], c[2], c[3], c[4], c[5]);
      return true;
    }
    case 61:
    case 226:  // E2
      vTriple(line, code == 61 ? 62 : 67, boType(line, "BA") ? r->adBase : r->adRover);
      return true;
    case 66:
      if (boType(line, "FD")) {
        vMboRecGpsSetField(2, sF(line, 5).s);
        r->boFromWaits = true;
        return true;
      }
      return boType(line, "TP") && boGeographic(r, line);
    case 67: {
      vMboFlushPending();
      // The code field first: its code and line are the vector's own.
      bool ok = boCodeField(r, sF(line, 69));
      char name[17];
      sStrCopyN(name, sF(line, 5).s, sizeof name);
      vMboLineCommand(MBO_LINE_ADD_NAMED, name, sMboRecGetCode());
      vMboRecGpsSetField(4, name);
      char height[64];
      if (boAntennaHeight(r, r->sAntennaHeight, r->boTrueHeight, r->adRover, height, sizeof height))
        vMboRecGpsSetField(128, height);
      vMboRecGpsSetField(8, sF(line, 21).s);
      vMboRecGpsSetField(16, sF(line, 37).s);
      vMboRecGpsSetField(32, sF(line, 53).s);
      return ok;
    }
    case 69: {
      if (!boType(line, "TP") && !boType(line, "KI")) return true;
      int priority = iPriority(line);
      vMboFlushPending();
      vMboRecSetPointName(sF(line, 5).s);
      bool listed;
      if (!boPriorityPasses(r, sF(line, 5).s, priority, &listed)) {
        vNoLine(sF(line, 5).s);
        return true;
      }
      vCoordinates(line);
      return boCodeField(r, sF(line, 69), !listed);
    }
    case 73:
      vMboRecGpsSetField(2, sF(line, 5).s);
      return true;
    case 77:
      sStrCopyN(r->sTargetHeight, sF(line, 5).s, sizeof r->sTargetHeight);
      return true;
    case 79:
    case 217:  // D9
      return boObservation(r, line);
    case 89:
    case 92:
      vAttribute(r, line);
      return true;
    default:
      return false;
  }
}

// The common writer: header lines, then one record per point with XY.
bool boWriteDc(uint32_t hRaw, const char* model) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[16], project[300] = "";
  sStrPrintN(date, sizeof date, "%04d.%02d.%02d", now.wYear, now.wMonth, now.wDay);
  boMboGetProjectAttr("PROJECT", project, sizeof project);
  boMboWriteLine865(hRaw, sStrFormat("00NM%-16s0000%-16s113111", model, date));
  boMboWriteLine865(hRaw, sStrFormat("10NM%-16.16s121111", project));
  for (const char* line : {"64TM1", "65TM", "49TM1", "D4TM11"}) boMboWriteLine865(hRaw, line);
  const MboSettings& set = g_mboTransfer.settings;
  SdrSkipped skipped{};
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x = 0, y = 0, z = 0;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    const char* number = sMboGetPointNo(p);
    char north[17], east[17], height[17] = "";
    if (!boSdrFormatFixed(north, 16, "%16.3lf", y - set.iEO) || !boSdrFormatFixed(east, 16, "%16.3lf", x - set.iNO) ||
        (boMboGetPointZ(p, &z) && !boSdrFormatFixed(height, 16, "%16.3lf", z))) {
      vSdrSkipPoint(&skipped, number);
      continue;
    }
    boMboWriteLine865(hRaw,
                      sStrFormat("69KI%-16.16s%s%s%16s%16.16s11", number, north, east, height, sMboPointGetField(p)));
  }
  vSdrReportSkipped(&skipped);
  return boMboWriteOk();
}

}  // namespace

int iTrimbleDcRecordCode(const char* sLine) {
  char c0 = sLine[0], c1 = c0 ? sLine[1] : '\0';
  int first;
  if (c0 >= '0' && c0 <= '9')
    first = (c0 - '0') * 10;
  else if (c0 >= 'A' && c0 <= 'F')
    first = (c0 - 'A' + 10) * 16;
  else
    return 0;
  return c1 >= '0' && c1 <= '9' ? first + (c1 - '0') : first / 10;
}

bool boDc77WriteRaw(uint32_t hRaw) { return boWriteDc(hRaw, "SC V07-70"); }

bool boDc10WriteRaw(uint32_t hRaw) { return boWriteDc(hRaw, "SC V10-00"); }

bool boTrimbleDcReadRaw(uint32_t hRaw, uint32_t hSide) {
  DcReader reader{};
  DcReader* r = &reader;
  r->hSide = hSide;
  vMboLineSetPerPointMode(1);
  vSdrReadRecords(
      hRaw, hSide, kLineMax,
      [](void* context, const char* line) { return boReadRecord((DcReader*)context, line) ? 1 : 0; }, r);
  return false;
}
