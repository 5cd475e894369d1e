// Leica GSI files: coordinate writer and reader (instruments 80, 92 to 96).
#include "instruments/gsi.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/paths.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/catalogue.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/levelling.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kvxlib.h"

namespace {

const int kMaxWords = 20;

// The pending job header (a code block 11 that ended the last job) and the
// job number taken from it.
char g_sHeader[160];
bool g_boHeaderPending;
char g_sJobNumber[30];
// Lines read from the file so far (over all its jobs).
int g_iLineNo;

// A line's words, found once per line: the body (behind the "*" of GSI16),
// the word length, how many words the line holds and the WIs of the first
// twenty, the words a look-up searches; the user's angle system (-1: asked
// when a value needs it).
struct GsiLine {
  const char* sBody;
  int iWordLen;
  int iWords;
  int aiWi[kMaxWords];
  int iAngles;
};

// The integer strtoll reads from the first len characters.
int iLeadingInt(const char* p, int len) {
  int i = 0;
  while (i < len && (p[i] == ' ' || (p[i] >= '\t' && p[i] <= '\r'))) ++i;
  bool neg = i < len && p[i] == '-';
  if (i < len && (p[i] == '+' || p[i] == '-')) ++i;
  int v = 0;
  while (i < len && p[i] >= '0' && p[i] <= '9') v = v * 10 + (p[i++] - '0');
  return neg ? -v : v;
}

bool boDigit(char c) { return c >= '0' && c <= '9'; }

// The WI of the len (2 or 3) characters at p: digits read at once, anything
// else as strtoll reads it.
int iWi(const char* p, int len) {
  if (!boDigit(p[0]) || !boDigit(p[1])) return iLeadingInt(p, len);
  int wi = (p[0] - '0') * 10 + (p[1] - '0');
  return len == 3 && boDigit(p[2]) ? wi * 10 + (p[2] - '0') : wi;
}

// Word n exists when the body holds (n + 1) word lengths less one.
void vScanLine(const char* line, size_t len, int angles, GsiLine* l) {
  bool g16 = line[0] == '*';
  l->sBody = g16 ? line + 1 : line;
  l->iWordLen = g16 ? 24 : 16;
  l->iWords = (int)(((g16 ? len - 1 : len) + 1) / (size_t)l->iWordLen);
  for (int n = 0; n < l->iWords && n < kMaxWords; ++n) l->aiWi[n] = iWi(l->sBody + n * l->iWordLen, n == 0 ? 2 : 3);
  l->iAngles = angles;
}

int iUserAngles(void) { return iCoSysGetUserSysAngleSystem(g_mboTransfer.uCoSys); }

int iAngles(const GsiLine& l) { return l.iAngles >= 0 ? l.iAngles : iUserAngles(); }

int iSearched(const GsiLine& l) { return l.iWords < kMaxWords ? l.iWords : kMaxWords; }

// The first searched word with that WI; -1 when there is none.
int iFindWi(const GsiLine& l, int wi) {
  for (int n = 0; n < iSearched(l); ++n)
    if (l.aiWi[n] == wi) return n;
  return -1;
}

bool boHasWi(const GsiLine& l, int wi) { return iFindWi(l, wi) >= 0; }

// The start of word n (which must exist).
const char* sWord(const GsiLine& l, int n) { return l.sBody + n * l.iWordLen; }

// The data characters of an existing word into buf (17 bytes), trailing
// blanks cut; their count.
int iRawData(const GsiLine& l, int n, char* buf) {
  int size = l.iWordLen - 8;
  memcpy(buf, sWord(l, n) + 7, size);
  while (size > 0 && buf[size - 1] == ' ') --size;
  buf[size] = '\0';
  return size;
}

// The data text of an existing word into out (18 bytes): leading zeros
// and trailing blanks removed, "-" in front for a negative sign; its length.
int iDataText(const GsiLine& l, int n, char* out) {
  const char* word = sWord(l, n);
  const char* p = word + 7;
  const char* end = p + l.iWordLen - 8;
  while (end > p && end[-1] == ' ') --end;
  while (p < end && *p == '0') ++p;
  char* o = out;
  if (word[6] == '-') *o++ = '-';
  memcpy(o, p, (size_t)(end - p));
  o += end - p;
  *o = '\0';
  return (int)(o - out);
}

// "%.*lf" as printf writes it, without the cost of a printf.
void vFixed(char* buf, int size, double value, int decimals) { iNumPrintFixedC(buf, size, value, decimals); }

// Whole tenths of seconds keep d.mmss free of 59.99999 seconds.
double dDegreesToDms(double deg) {
  double sign = deg < 0 ? -1 : 1;
  long long t = std::llround(std::fabs(deg) * 36000.0);
  return sign * ((double)(t / 36000) + (double)((t % 36000) / 600) / 100.0 + (double)(t % 600) / 100000.0);
}

// Data of unit 4: dd.mmss with the seconds in tenths, as degrees.
double dDmsDataToDegrees(long long x) {
  return (double)(x / 100000) + (double)((x / 1000) % 100) / 60.0 + (double)(x % 1000) / 36000.0;
}

// The value of an existing word: metres, or an angle in gon (*pboAngle).
// False when its data is not a number (digits and at most one decimal
// mark): instruments write "no value" as dashes.
bool boNumber(const GsiLine& l, int n, double* pValue, bool* pboAngle) {
  *pValue = 0;
  *pboAngle = false;
  const char* word = sWord(l, n);
  char data[17];
  int size = iRawData(l, n, data);
  int points = 0;
  long long raw = 0;
  for (char* c = data; *c; ++c) {
    if (*c == ',') *c = '.';
    if (*c == '.')
      ++points;
    else if (*c >= '0' && *c <= '9')
      raw = raw * 10 + (*c - '0');
    else
      return false;
  }
  if (size == 0 || points > 1 || (points && size == 1)) return false;
  double sign = word[6] == '-' ? -1.0 : 1.0;
  if (points) {
    *pValue = sign * dNumParseC(data);
    return true;
  }
  // The sixth character of the word is the unit of the data.
  static const struct {
    char cUnit;
    double dScale;
    bool boAngle;
  } units[] = {{'1', 0.001 * 0.3048, false},
               {'2', 1e-5, true},
               {'3', 1e-5 * kGonPerDegree, true},
               {'5', 0.0625, true},
               {'6', 1e-4, false},
               {'7', 1e-4 * 0.3048, false},
               {'8', 1e-5, false}};
  double v = (double)raw / 1000.0;  // '0' and unknown units: millimetres
  if (word[5] == '4') {
    v = dDmsDataToDegrees(raw) * kGonPerDegree;
    *pboAngle = true;
  }
  for (const auto& u : units) {
    if (u.cUnit == word[5]) {
      v = (double)raw * u.dScale;
      *pboAngle = u.boAngle;
    }
  }
  *pValue = sign * v;
  return true;
}

bool boAnglesInGon(int system) { return system != COSYS_ANG_DEG && system != COSYS_ANG_DMS && system != COSYS_ANG_RAD; }

double dGonToUser(double gon, int system) {
  switch (system) {
    case COSYS_ANG_DEG:
      return gon * 0.9;
    case COSYS_ANG_DMS:
      return dDegreesToDms(gon * 0.9);
    case COSYS_ANG_RAD:
      return gon * 3.14159265358979323846 / 200.0;
    default:
      return gon;
  }
}

// "%-.5lf" of the angle in the user's system; five decimals of a radian
// would lose half a milligon, so radians get ten.
void vFormatAngle(char* buf, int size, double gon, int system) {
  vFixed(buf, size, dGonToUser(gon, system), system == COSYS_ANG_RAD ? 10 : 5);
}

// Whole data in thousandths, ten-thousandths or hundred-thousandths (gon
// shown as gon) as "%-.5lf" prints its quotient (pad) or as read: the
// digits with the point put in. Those are the digits printf gives while the
// value keeps well within the 15 digits of a double; false for any other
// word.
bool boPlainValueText(const GsiLine& l, int n, char* text, bool pad) {
  const char* word = sWord(l, n);
  int decimals = 3;
  if (word[5] == '6')
    decimals = 4;
  else if (word[5] == '8' || (word[5] == '2' && boAnglesInGon(iAngles(l))))
    decimals = 5;
  else if (word[5] >= '1' && word[5] <= '7')
    return false;
  // The data in the word: trailing blanks and leading zeros cut.
  const char* p = word + 7;
  const char* end = p + l.iWordLen - 8;
  while (end > p && end[-1] == ' ') --end;
  if (end == p) return false;
  // GSI16 data is mostly zeros in front: eight looked at a step.
  static_assert(std::endian::native == std::endian::little, "the first byte is the low one");
  for (uint64_t w; end - p >= 8; p += 8) {
    memcpy(&w, p, 8);
    w ^= 0x3030303030303030ull;  // '0' bytes become zero
    if (w) {
      p += std::countr_zero(w) / 8;
      break;
    }
  }
  while (p < end && *p == '0') ++p;
  int digits = (int)(end - p);
  if (digits > 12) return false;
  int i = 0;
  if (digits >= 8) {
    // Eight digits at once: every byte 0x30..0x3F, and none past '9'.
    uint64_t w;
    memcpy(&w, p, 8);
    const uint64_t high = 0xF0F0F0F0F0F0F0F0ull, zeros = 0x3030303030303030ull;
    if ((w & high) != zeros || ((w + 0x0606060606060606ull) & high) != zeros) return false;
    i = 8;
  }
  for (; i < digits; ++i)
    if (!boDigit(p[i])) return false;
  char* o = text;
  if (word[6] == '-') *o++ = '-';
  int whole = digits - decimals;
  if (whole > 0) {
    memcpy(o, p, whole);
    o += whole;
  } else {
    *o++ = '0';
  }
  *o++ = '.';
  for (int i = whole; i < 0; ++i) *o++ = '0';
  int fraction = whole > 0 ? decimals : digits;
  memcpy(o, p + digits - fraction, fraction);
  o += fraction;
  for (int i = decimals; pad && i < 5; ++i) *o++ = '0';
  *o = '\0';
  return true;
}

// The value of word n as the text the reader passes on (64 bytes): "%-.5lf"
// of metres, an angle in the user's unit. False when the word is absent or
// has no number.
bool boValueText(const GsiLine& l, int n, char* text) {
  double v = 0;
  bool boAngle = false;
  text[0] = '\0';
  if (n < 0 || n >= l.iWords) return false;
  if (boPlainValueText(l, n, text, true)) return true;
  if (!boNumber(l, n, &v, &boAngle)) return false;
  if (boAngle)
    vFormatAngle(text, 64, v, iAngles(l));
  else
    vFixed(text, 64, v, 5);
  return true;
}

// The header's date: the last six data characters of word 3 (ddmmyy), the
// leading zero of a day below 10 kept.
const char* sHeaderDate(void) {
  GsiLine l;
  vScanLine(g_sHeader, strlen(g_sHeader), -1, &l);
  if (l.iWords < 4) return "";
  char data[17];
  int len = iRawData(l, 3, data);
  return sStrTemp(len > 6 ? data + len - 6 : data);
}

// ---------------------------------------------------------------------------
// Writing

struct GsiWriter {
  int iDataSize;  // 8 or 16
  bool boAsked;   // "Too big number for wild" was answered (once per write)
  bool boCancelled;
  int iRecord;  // running record number
};

// "%+9.0lf" (GSI8) or "%+17.0lf" (GSI16) with the leading blanks made zeros
// behind the sign. A number wider than the word asks once per write; OK
// keeps its low digits with the sign, so the record stays aligned.
bool boFormatWord(GsiWriter* w, double value, char* out) {
  double limit = w->iDataSize == 8 ? 99999999.0 : 9999999999999999.0;
  double rounded = std::round(value);
  if (std::fabs(rounded) > limit) {
    if (!w->boAsked) {
      w->boAsked = true;
      w->boCancelled = !boMsgOkCancel("Too big number for wild", true);
    }
    if (w->boCancelled) return false;
    rounded = std::fmod(rounded, limit + 1);
  }
  char buf[64];
  iNumPrintC(buf, sizeof buf, "%+*.0lf", w->iDataSize + 1, rounded);
  out[0] = rounded < 0 || (rounded == 0 && std::signbit(rounded)) ? '-' : '+';
  int len = (int)strlen(buf);
  int digits = 0;
  for (int i = len - 1; i >= 0 && buf[i] >= '0' && buf[i] <= '9'; --i) ++digits;
  memset(out + 1, '0', w->iDataSize - digits);
  memcpy(out + 1 + w->iDataSize - digits, buf + len - digits, digits);
  out[1 + w->iDataSize] = '\0';
  return true;
}

// A text right-justified in the data size, "0" on the left; a longer one is
// cut to it after the same question as a number too big.
bool boFormatText(GsiWriter* w, const char* text, char* out) {
  int len = (int)strlen(text);
  if (len > w->iDataSize) {
    if (!w->boAsked) {
      w->boAsked = true;
      w->boCancelled = !boMsgOkCancel("Too big number for wild", true);
    }
    if (w->boCancelled) return false;
    len = w->iDataSize;
  }
  memset(out, '0', w->iDataSize - len);
  memcpy(out + w->iDataSize - len, text, len);
  out[w->iDataSize] = '\0';
  return true;
}

bool boWritePoint(GsiWriter* w, uint32_t hRaw, PoPoint* point, const char* eoWord, int instrument) {
  const MboSettings& set = g_mboTransfer.settings;
  char number[MBO_ID_SIZE];
  sStrCopyN(number, sMboGetPointNo(point), sizeof number);
  vMboConvertPointNo(&set, number, sizeof number);
  char* d = number;
  for (const char* s = number; *s; ++s)
    if (*s != ' ') *d++ = *s;
  *d = '\0';
  double x = 0, y = 0, z = 0;
  boMboGetPointXY(point, &x, &y);
  char pn[24], north[24], east[24], code[24], height[24];
  if (!boFormatText(w, number, pn) || !boFormatWord(w, (y - set.iEO) * 1000.0, north) ||
      !boFormatWord(w, (x - set.iNO) * 1000.0, east))
    return false;
  const char* field = sMboPointGetField(point);
  char record[256];
  int n;
  w->iRecord++;
  if (instrument == MBO_INSTR_LEICA_GRE) {
    n = iNumPrintC(record, sizeof record, "11....+%s 71....%s 81..10%s 82..10%s ", pn, eoWord, east, north);
  } else if (field[0]) {
    if (!boFormatText(w, field, code)) return false;
    n = iNumPrintC(record, sizeof record, "11%04d+%s 81..10%s 82..10%s 71....+%s ", w->iRecord % 10000, pn, east, north,
                   code);
  } else {
    n = iNumPrintC(record, sizeof record, "11%04d+%s 81..10%s 82..10%s ", w->iRecord % 10000, pn, east, north);
  }
  if (boMboGetPointZ(point, &z)) {
    if (!boFormatWord(w, z * 1000.0, height)) return false;
    n += iNumPrintC(record + n, (int)sizeof record - n, "83..10%s ", height);
  }
  while (n % 16) record[n++] = ' ';
  record[n] = '\0';
  boMboWriteLine865(hRaw, w->iDataSize == 16 ? sStrFormat("*%s", record) : record);
  return true;
}

// ---------------------------------------------------------------------------
// Reading

struct GsiReader {
  uint32_t hSide;
  bool boInclude;
  double dNorthCorr;  // gon
  char sCoordCode[MBO_REC_CODE_SIZE];
  char sObsCode[MBO_REC_CODE_SIZE];
  double dDefaultTh;    // -999: unset
  char sDefaultTh[64];  // its text, "%.5f" (made once, used by every observation)
  int iAngles;          // the user's angle system, asked once per job
  MboDrillhole hole;
  bool bo77, bo78;
};

// A north orientation was read in this file.
bool g_boNorthRead;

void vReport(GsiReader* r, const char* line) {
  if (r->boInclude) boMboWriteLine(r->hSide, line);
}

const char* sJobNumberOrNull(void) { return g_sJobNumber[0] ? g_sJobNumber : nullptr; }

// A declined job's drill holes are not reported (its records still are read).
void vWriteDrillhole(GsiReader* r) {
  boMboWriteDrillholeInfo(r->boInclude ? r->hSide : 0, &r->hole, sJobNumberOrNull());
}

// The value of word n as the reader passes it on, read back as a number;
// false when the word is absent or has no number.
bool boWordValue(const GsiLine& l, int n, double* v) {
  char text[64];
  if (!boValueText(l, n, text)) return false;
  *v = dNumParseC(text);
  return true;
}

// An observation item from the value of word n, when it has one.
void vObsWord(int item, const GsiLine& l, int n) {
  char text[64];
  if (boValueText(l, n, text)) vMboRecSetObsValue(item, text);
}

// The builder makes "%.4lf" of a coordinate: the value as read gives it the
// same digits without a round trip through a double.
void vCoordWord(int item, const GsiLine& l, int n) {
  char text[64];
  if ((n < l.iWords && boPlainValueText(l, n, text, false)) || boValueText(l, n, text)) vMboRecSetCoord(item, text);
}

// A point name (MBO_REC_NAME_SIZE bytes, room for any data text) from the
// data of word n, through the point-number prefixes.
void vWordName(const GsiLine& l, int n, char* name) {
  name[0] = '\0';
  if (n < l.iWords) iDataText(l, n, name);
  vMboConvertPointNoPrefix(&g_mboTransfer.settings, name, MBO_REC_NAME_SIZE);
}

// A code from the data of word n.
void vWordCode(const GsiLine& l, int n, char* code) {
  char data[18] = "";
  if (n < l.iWords) iDataText(l, n, data);
  sStrCopyN(code, data, MBO_REC_CODE_SIZE);
}

void vReadCoordinates(GsiReader* r, const GsiLine& l, const char* name) {
  char code[MBO_REC_CODE_SIZE] = "";
  // The name was given as the point's since the last name given (nothing
  // between changes what the builder makes of it).
  bool pointNamed = false;
  for (int n = 1; n < iSearched(l); ++n) {
    int wi = l.aiWi[n];
    switch (wi) {
      case 71:
        vWordCode(l, n, code);
        break;
      case 81:
      case 82:
        if (!pointNamed) vMboRecSetPointName(name);
        pointNamed = true;
        vCoordWord(wi == 81 ? MBO_REC_EAST : MBO_REC_NORTH, l, n);
        break;
      case 83:
      case 86:
        vCoordWord(MBO_REC_Z, l, n);
        break;
      case 84:
      case 85:
        vMboRecSetStationName(name);
        pointNamed = false;
        r->dNorthCorr = 0;
        vCoordWord(wi == 84 ? MBO_REC_EAST : MBO_REC_NORTH, l, n);
        break;
      case 88:
        vObsWord(MBO_OBS_ITEM_IH, l, n);
        break;
      default:
        break;
    }
  }
  // The line's code, else the last code block's, else code 37's name (an
  // empty code too: a code never carries over from another record).
  char named[MBO_REC_CODE_SIZE] = "";
  if (!code[0] && !r->sCoordCode[0]) iMboCodeLineGetName(named, sizeof named);
  vMboRecSetCode(code[0] ? code : r->sCoordCode[0] ? r->sCoordCode : named);
}

// The sight of a levelling WI (331, 332, 333): 0, 1 or 2.
int iSight(int wi) { return wi - 331; }

void vReadLevelling(const GsiLine& l, const char* name) {
  static const int nameItem[3] = {MBO_LEV_FIRST_NAME, MBO_LEV_SECOND_NAME, MBO_LEV_THIRD_NAME};
  static const int readingItem[3] = {MBO_LEV_FIRST_READING, MBO_LEV_SECOND_READING, MBO_LEV_THIRD_READING};
  static const int lengthItem[3] = {MBO_LEV_FIRST_LENGTH, MBO_LEV_SECOND_LENGTH, MBO_LEV_THIRD_LENGTH};
  int sight = -1;
  char text[64];
  for (int n = 1; n < iSearched(l); ++n) {
    int wi = l.aiWi[n];
    if (wi >= 331 && wi <= 333) {
      if (sight < 0) vMboLevSetItem(nameItem[iSight(wi)], name);
      sight = iSight(wi);
      if (boValueText(l, n, text)) vMboLevSetItem(readingItem[sight], text);
    } else if (wi == 32 && sight >= 0) {
      if (boValueText(l, n, text)) vMboLevSetItem(lengthItem[sight], text);
    }
  }
}

// A drill-hole point waiting for its name takes this one.
void vTakeDrillPoint(GsiReader* r, const char* name) {
  if (r->bo77) {
    vWriteDrillhole(r);
    sStrCopyN(r->hole.top.sName, name, sizeof r->hole.top.sName);
    r->hole.top.boCaptured = 1;
    r->bo77 = false;
  }
  if (r->bo78) {
    vWriteDrillhole(r);
    sStrCopyN(r->hole.bottom.sName, name, sizeof r->hole.bottom.sName);
    r->hole.bottom.boCaptured = 1;
    r->bo78 = false;
  }
}

// Word 21 less the north correction, within 0 to 400 gon, in the user's
// unit. The correction is taken in gon whatever that unit is.
void vSetDirection(GsiReader* r, const GsiLine& l, int n) {
  double hz = 0;
  bool boAngle = false;
  char text[64];
  // The value text exists exactly when the word holds a number.
  if (!g_boNorthRead || !boNumber(l, n, &hz, &boAngle) || !boAngle) {
    if (boValueText(l, n, text)) vMboRecSetObsValue(MBO_OBS_ITEM_HZ, text);
    return;
  }
  hz -= r->dNorthCorr;
  // A direction far out of the circle (a far north correction) is brought
  // near it at once: the remainder is exact, as each step of 400 is, so the
  // result is the same; step by step the read took hours.
  if (std::fabs(hz) >= 400000) hz = std::fmod(hz, 400) + 0.0;
  while (hz < 0) hz += 400;
  while (hz >= 400) hz -= 400;
  vFormatAngle(text, sizeof text, hz, iAngles(l));
  vMboRecSetObsValue(MBO_OBS_ITEM_HZ, text);
}

// With boCode the record's code as an observation has it; without, the
// caller gives it.
void vReadObservation(GsiReader* r, const GsiLine& l, const char* name, bool boCode) {
  vMboRecSetPointName(name);
  // A remark belongs to its own record only.
  vMboRecSetObsValue(MBO_OBS_ITEM_REMARK, "");
  vTakeDrillPoint(r, name);
  char code[MBO_REC_CODE_SIZE] = "";
  char th[64];
  strcpy(th, r->sDefaultTh);
  for (int n = 1; n < iSearched(l); ++n) {
    switch (l.aiWi[n]) {
      case 21:
        vSetDirection(r, l, n);
        break;
      case 22:
        vObsWord(MBO_OBS_ITEM_V, l, n);
        break;
      case 31:
        vObsWord(MBO_OBS_ITEM_DIST, l, n);
        break;
      case 32:
        vObsWord(MBO_OBS_ITEM_HDIST, l, n);
        break;
      case 51: {
        char text[24];
        int len = l.iWordLen - 1;
        memcpy(text, sWord(l, n), len);
        text[len] = '\0';
        vMboRecSetObsValue(MBO_OBS_ITEM_REMARK, sGsiStripValue(sStrTrimRight(text)));
        break;
      }
      case 71:
        vWordCode(l, n, code);
        break;
      case 87: {
        // "%.5f" of the value read back from a text that already is one.
        double v;
        if (!boPlainValueText(l, n, th, true) && boWordValue(l, n, &v)) vFixed(th, sizeof th, v, 5);
        break;
      }
      case 88:
        vObsWord(MBO_OBS_ITEM_IH, l, n);
        break;
      default:
        break;
    }
  }
  // Without a height the previous target height stays.
  vMboRecSetObsValue(MBO_OBS_ITEM_TH, th);
  if (boCode) vMboRecSetCode(code[0] ? code : r->sObsCode);
}

void vReadMeasurement(GsiReader* r, const GsiLine& l) {
  char name[MBO_REC_NAME_SIZE];
  vWordName(l, 0, name);
  // What the record is, from its WIs in one walk.
  bool coordinates = false, levelling = false, observation = false, station = false;
  int n = -1;
  for (int i = 0; i < iSearched(l); ++i) {
    switch (l.aiWi[i]) {
      case 84:
      case 85:
        station = true;
        [[fallthrough]];
      case 81:
      case 82:
        coordinates = true;
        break;
      case 331:
      case 332:
      case 333:
        levelling = true;
        break;
      case 21:
      case 22:
      case 31:
        observation = true;
        break;
      case 25:
        if (n < 0) n = i;
        break;
      default:
        break;
    }
  }
  // A point measured and its coordinates recorded on one line (a common
  // recording mask) gives both: the observation first, the code then as
  // the coordinates have it.
  if (coordinates && observation && !station) vReadObservation(r, l, name, false);
  if (coordinates)
    vReadCoordinates(r, l, name);
  else if (levelling)
    vReadLevelling(l, name);
  else if (observation)
    vReadObservation(r, l, name, true);
  bool boAngle = false;
  double corr;
  if (n > 0 && boNumber(l, n, &corr, &boAngle)) {
    r->dNorthCorr = corr;
    g_boNorthRead = true;
  }
  vMboFlushPending();
}

// Codes 30 and 31: the code of following records, or a drill-hole point
// (77 top, 78 bottom) waiting for the next measurement.
void vReadCodeText(GsiReader* r, const GsiLine& l, int code) {
  char text[MBO_REC_CODE_SIZE];
  vWordCode(l, code == 30 ? 2 : 1, text);
  if (boMboIsNotBlank(text)) {
    sStrCopyN(r->sCoordCode, text, sizeof r->sCoordCode);
    sStrCopyN(r->sObsCode, text, sizeof r->sObsCode);
    vMboLevSetItem(MBO_LEV_CODE, text);
    if (strcmp(text, "77") == 0) {
      vWriteDrillhole(r);
      r->bo77 = true;
      if (int n = iFindWi(l, 44); n > 0) boWordValue(l, n, &r->hole.dDist);
      if (int n = iFindWi(l, 45); n > 0) boWordValue(l, n, &r->hole.dLength);
    } else if (strcmp(text, "78") == 0) {
      vWriteDrillhole(r);
      r->bo78 = true;
      if (int n = iFindWi(l, 43); n > 0 && boWordValue(l, n, &r->hole.dVdir))
        r->hole.boVdir = std::fabs(r->hole.dVdir) >= 0.01;
    }
  } else if (code == 31) {
    r->sCoordCode[0] = r->sObsCode[0] = '\0';
    vMboRecSetCode("");
  }
  if (boWordValue(l, code == 30 ? 1 : 2, &r->dDefaultTh)) {
    r->sDefaultTh[0] = '\0';
    if (r->dDefaultTh != -999) vFixed(r->sDefaultTh, sizeof r->sDefaultTh, r->dDefaultTh, 5);
  }
}

// A code block; 1 when it is the header of a further job.
int iReadCodeBlock(GsiReader* r, const GsiLine& l, const char* line) {
  if (l.iWords > 0 && sWord(l, 0)[7] == '?') vMboLevSetItem(MBO_LEV_SET_NO, "X");
  char a[24] = "", b[24] = "", data[18] = "";
  if (l.iWords > 0) iDataText(l, 0, data);
  int code = iNumParseC(data);
  if (l.iWords > 1) iDataText(l, 1, a);
  if (l.iWords > 2) iDataText(l, 2, b);
  if (r->boInclude && boMboApplyControlCode(code, a, b)) return 0;
  switch (code) {
    case 10:
    case 21: {
      char name[MBO_REC_NAME_SIZE];
      vWordName(l, 1, name);
      vMboRecSetStationName(name);
      r->dNorthCorr = 0;
      vObsWord(MBO_OBS_ITEM_IH, l, 2);
      break;
    }
    case 11:
      sStrCopyN(g_sHeader, line, sizeof g_sHeader);
      g_boHeaderPending = true;
      vWriteDrillhole(r);
      vMboFlushPending();
      return 1;
    case 22:
      vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, a);
      vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, b);
      break;
    case 30:
    case 31:
      vReadCodeText(r, l, code);
      break;
    case 32:
    case 33:
      boWordValue(l, 1, &g_mboEccentric.dCross);
      boWordValue(l, 2, &g_mboEccentric.dAlong);
      g_mboEccentric.uKeep = code == 32;
      break;
    case 39: {
      // No question for a distance that is not there.
      char dist[64];
      if (!r->boInclude || !boValueText(l, 1, dist)) break;
      if (iNumParseC(b) != 0 || boMsgYesNo(sKvxPoGetText("Manual distance"), false))
        vMboRecSetObsValue(MBO_OBS_ITEM_DIST, dist);
      break;
    }
    default:
      vReport(r, line);
      break;
  }
  return 0;
}

int iReadLine(GsiReader* r, char* line) {
  size_t len = strlen(line);
  if (len % 16) {
    line[len++] = ' ';
    line[len] = '\0';
  }
  if (len < 15) return 0;
  GsiLine l;
  vScanLine(line, len, r->iAngles, &l);
  switch (l.iWords > 0 ? l.aiWi[0] : -1) {
    case 11:
      vReadMeasurement(r, l);
      return 0;
    case 41:
      return iReadCodeBlock(r, l, line);
    default:
      vReport(r, line);
      return 0;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Word access

namespace {

// The line's words for one look-up of the exported word access.
GsiLine ScanLine(const char* sLine) {
  GsiLine l;
  vScanLine(sLine, strlen(sLine), -1, &l);
  return l;
}

}  // namespace

bool boGsiWordExists(int n, const char* sLine) {
  if (!sLine || n < 0) return false;
  return n < ScanLine(sLine).iWords;
}

int iGsiWordId(int n, const char* sLine) {
  if (!boGsiWordExists(n, sLine)) return -1;
  GsiLine l = ScanLine(sLine);
  return n < kMaxWords ? l.aiWi[n] : iLeadingInt(sWord(l, n), 3);
}

const char* sGsiWordText(int n, const char* sLine) {
  if (!boGsiWordExists(n, sLine)) return "";
  GsiLine l = ScanLine(sLine);
  char buf[24];
  int len = l.iWordLen - 1;
  memcpy(buf, sWord(l, n), len);
  buf[len] = '\0';
  return sStrTemp(sStrTrimRight(buf));
}

const char* sGsiWordData(int n, const char* sLine) {
  if (!boGsiWordExists(n, sLine)) return "";
  char text[18];
  iDataText(ScanLine(sLine), n, text);
  return sStrTemp(text);
}

bool boGsiWordNumber(int n, const char* sLine, double* pValue, bool* pboAngle) {
  *pValue = 0;
  *pboAngle = false;
  if (!boGsiWordExists(n, sLine)) return false;
  return boNumber(ScanLine(sLine), n, pValue, pboAngle);
}

double dGsiGonToUser(double dGon) { return dGonToUser(dGon, iUserAngles()); }

void vGsiFormatUserAngle(char* sBuf, int iSize, double dGon) { vFormatAngle(sBuf, iSize, dGon, iUserAngles()); }

const char* sGsiWordValue(int n, const char* sLine) {
  if (!sLine) return "";
  char text[64];
  if (!boValueText(ScanLine(sLine), n, text)) return "";
  return sStrTemp(text);
}

int iGsiFindWi(const char* sLine, int iWi) {
  if (!sLine) return 0;
  int n = iFindWi(ScanLine(sLine), iWi);
  return n < 0 ? 0 : n;
}

bool boGsiLineHasWi(const char* sLine, int iWi) { return sLine && boHasWi(ScanLine(sLine), iWi); }

const char* sGsiStripValue(const char* sText) {
  const char* p = strchr(sStrNotNull(sText), '+');
  p = p ? p + 1 : "";
  while (*p == '0') ++p;
  return sStrTemp(p);
}

void vGsiSetLineNo(char* sLine, int n) {
  char* body = sLine[0] == '*' ? sLine + 1 : sLine;
  if (strlen(body) < 6) return;
  char digits[8];
  iNumPrintC(digits, sizeof digits, "%04d", ((n % 10000) + 10000) % 10000);
  memcpy(body + 2, digits, 4);
}

const char* sGsiHeaderText(const char* sHeaderLine) {
  static const char* const labels[4] = {"OPERATOR", "JOB NUMBER", "DATE", "INSTRUMENT NO:"};
  char text[600] = "";
  for (int i = 0; i < 4; ++i) {
    const char* data = sGsiWordData(i + 1, sHeaderLine);
    sStrCatN(text, sStrFormat("%s : %s\r\n", sKvxPoGetText(labels[i]), data), sizeof text);
    if (i == 1) sStrCopyN(g_sJobNumber, data, sizeof g_sJobNumber);
  }
  return sStrTemp(text);
}

// ---------------------------------------------------------------------------

bool boGsiWriteCoordinates(uint32_t hRaw) {
  int instrument = (int)g_mboTransfer.settings.uInstrument;
  GsiWriter w{};
  w.iDataSize = 8;
  if (instrument == MBO_INSTR_LEICA_TC600 || instrument == MBO_INSTR_LEICA_GSI) {
    if (boMsgYesNo(sKvxPoGetText("Create GSI16 format?"), false)) w.iDataSize = 16;
  } else if (instrument == MBO_INSTR_LEICA_TPS) {
    w.iDataSize = 16;
  }
  // Instrument 94 carries the north offset in whole metres, unscaled.
  char eoWord[24] = "";
  if (instrument == MBO_INSTR_LEICA_GRE && !boFormatWord(&w, g_mboTransfer.settings.iEO, eoWord)) return false;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x, y;
    if (boMboGetPointXY(p, &x, &y) && !boWritePoint(&w, hRaw, p, eoWord, instrument)) return false;
  }
  return boMboWriteOk();
}

bool boGsiWriteRaw(uint32_t hRaw) {
  vMboShowStatusText(sKvxPoGetText("File no."));
  return boGsiWriteCoordinates(hRaw);
}

int iGsiReadJob(uint32_t hRaw, uint32_t hSide, bool boInclude) {
  GsiReader r{};
  r.hSide = hSide;
  r.boInclude = boInclude;
  r.dDefaultTh = -999;
  r.iAngles = iUserAngles();
  vMboLineCommand(MBO_LINE_AUTO_OFF, "", "");
  if (boInclude && g_boHeaderPending) {
    // One report line per header item: the line writer keeps a line whole.
    std::string text = sGsiHeaderText(g_sHeader);
    for (size_t from = 0, end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2)
      boMboWriteLine(hSide, text.substr(from, end - from).c_str());
    boMboSetProjectAttr("PROJECT", sPathGetBaseNameTemp(g_mboTransfer.sRawPath));
    boMboSetProjectAttr("PROJECTDESCR", sGsiWordData(2, g_sHeader));
    boMboSetProjectAttr("SIGN", sGsiWordData(1, g_sHeader));
    boMboSetProjectAttr("DATE", sMboDateFromDdMmYy(sHeaderDate()));
    g_boHeaderPending = false;
  }
  // Room for 1023 characters, the blank that completes a last word, and
  // the terminator.
  char line[1025];
  unsigned uNotes = 0;
  while (boMboReadLineCut(line, 1024, hRaw, &uNotes)) {
    // A waiting message every 64 lines, as the other line readers look.
    if (++g_iLineNo % 64 == 1) boMboPumpMessage();
    if (boMboReportLine(boInclude ? hSide : 0, uNotes, g_iLineNo)) continue;
    if (iReadLine(&r, line)) return 1;
  }
  vWriteDrillhole(&r);
  vMboFlushPending();
  return 0;
}

bool boGsiReadRaw(uint32_t hRaw, uint32_t hSide) {
  g_boHeaderPending = false;
  g_sJobNumber[0] = '\0';
  g_boNorthRead = false;
  g_iLineNo = 0;
  int more = iGsiReadJob(hRaw, hSide, true);
  while (more) {
    char question[800];
    sStrPrintN(question, sizeof question, "%s\n%s", sGsiHeaderText(g_sHeader),
               sKvxPoGetText("Include data in project?"));
    more = iGsiReadJob(hRaw, hSide, boMsgYesNo(question, true));
  }
  if (g_boNorthRead) vMsgInfo(sKvxPoGetText("Note!\nHor.angles oriented to north i raw-file is corrected in ofi.\n"));
  return false;
}
