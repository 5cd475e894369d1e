// KOF files: writer, reader and sender (instrument 98).
#include "instruments/kof.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/serial/block.h"
#include "instruments/sdr.h"
#include "instruments/serial/port.h"
#include "instruments/telepar.h"
#include "kv2cosys.h"
#include "kvxlib.h"

namespace {

// ---------------------------------------------------------------------------
// Writing

// One warning per write for a coordinate too wide for its column.
bool g_boWideWarned;
// What a write leaves out because a value does not fit its column even
// without decimals: points (a line's vertex blocks too) and the station and
// observation blocks whose value is written empty. Named in one warning at
// the end of the write.
SdrSkipped g_skipped;

// Work marks of the points: written as a block, or left out (counted once).
const int32_t kMarkWritten = 1;
const int32_t kMarkTooWide = 2;

// A number right-justified in exactly `width` columns with three decimals;
// one that does not fit loses decimals first, so the columns after it stay
// where the reader looks for them. The decimals kept; -1 when the value is
// not finite or does not fit even without decimals.
int iFitNumber(char* out, int size, double value, int width) {
  if (!std::isfinite(value)) return -1;
  int decimals = 3;
  int len;
  while ((len = iNumPrintFixedWidthC(out, size, value, width, decimals)) > width && decimals > 0) --decimals;
  return len > width || len >= size ? -1 : decimals;
}

// At most `width` bytes of the text, then blanks up to `width` ("%-w.ws").
char* pPutPadded(char* at, const char* text, int width) {
  int n = 0;
  for (; n < width && text[n]; ++n) at[n] = text[n];
  for (; n < width; ++n) at[n] = ' ';
  return at + width;
}

char* pPutText(char* at, const char* text) {
  size_t n = strlen(text);
  memcpy(at, text, n);
  return at + n;
}

// " 05" point block: name, code, north and east less the offsets, and the
// height when given. False, with nothing written, when a value does not fit
// its column: a wider line would shift the columns after it.
bool boWritePointBlock(uint32_t hRaw, const char* name, const char* code, double x, double y, const double* z) {
  const MboSettings& set = g_mboTransfer.settings;
  char north[40], east[40], height[40];
  int decimals[3] = {iFitNumber(north, sizeof north, y - set.iEO, 12), iFitNumber(east, sizeof east, x - set.iNO, 11),
                     z ? iFitNumber(height, sizeof height, *z, 8) : 3};
  for (int d : decimals)
    if (d < 0) return false;
  if (std::min({decimals[0], decimals[1], decimals[2]}) < 3 && !g_boWideWarned) {
    g_boWideWarned = true;
    vMsgWarning(
        sKvxPoGetText("Warning! A coordinate is too wide for its KOF column and is written with fewer decimals."));
  }
  // " 05 %-10.10s %-8.8s %s %s[ %s]": at most 4 + 10 + 1 + 8 + 3 * 40 bytes.
  char line[256];
  char* at = pPutText(line, " 05 ");
  at = pPutPadded(at, name, 10);
  *at++ = ' ';
  at = pPutPadded(at, code, 8);
  *at++ = ' ';
  at = pPutText(at, north);
  *at++ = ' ';
  at = pPutText(at, east);
  if (z) {
    *at++ = ' ';
    at = pPutText(at, height);
  }
  *at = 0;
  boMboWriteLine865(hRaw, line);
  return true;
}

// The point's block; a point left out is counted once however often it is
// met. Marks the point (kMarkWritten or kMarkTooWide).
bool boWritePoint(uint32_t hRaw, PoPoint* point) {
  if (iMboPointGetMark(point) == kMarkTooWide) return false;
  double x = 0, y = 0, z = 0;
  boMboGetPointXY(point, &x, &y);
  bool boZ = boMboGetPointZ(point, &z);
  const char* number = sMboGetPointNo(point);
  if (boWritePointBlock(hRaw, number, sMboPointGetField(point), x, y, boZ ? &z : nullptr)) {
    vMboPointSetMark(point, kMarkWritten);
    return true;
  }
  vMboPointSetMark(point, kMarkTooWide);
  vSdrSkipPoint(&g_skipped, number);
  return false;
}

// One vertex of a line. A vertex that only names its point (a line read
// from codes has no coordinates before Save) is that point's block;
// otherwise the point it stands on (within 0.02) gives its name, code and
// position, or the vertex position stands alone. False when no block was
// written.
bool boWriteVertex(uint32_t hRaw, LiLine* line, LiElm* elm) {
  GeoPnt3 p;
  uint32_t has = uMboVertexPosition(line, elm, &p);
  if (!(has & MBO_FLAG_XY)) return false;  // no place to write
  if (!(has & MBO_FLAG_Z)) p.z = 0;        // written as no height
  const MboElmData* data = pMboElmGetData(line, elm);
  PoPoint* point = nullptr;
  if (data && data->sPid[0] && !(data->uFlags & MBO_FLAG_XY)) point = pMboFindPoint(data->sPid);
  if (!point) point = pKofFindNearestPoint(g_pMboPoints, &p, 0.02, !boLiLineIs3d(line));
  if (point) return boWritePoint(hRaw, point);
  if (boWritePointBlock(hRaw, "", "", p.x, p.y, std::fabs(p.z) >= 1e-5 ? &p.z : nullptr)) return true;
  MboLineData* lineData = pMboLineGetData(line);
  vSdrSkipPoint(&g_skipped, lineData ? lineData->sObjId : "");
  return false;
}

void vWriteLine(uint32_t hRaw, LiLine* line) {
  if (!boMboLineWritable(line)) return;
  MboLineData* data = pMboLineGetData(line);
  char text[200];
  iNumPrintC(text, sizeof text, " 09 91 %10.10s %s", sLiLineGetField(line), data ? data->sObjId : "");
  boMboWriteLine865(hRaw, text);
  LiElm* first = nullptr;  // the first vertex written, which a closed line repeats
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    if (!boMboVertexPlaced(line, e)) continue;  // left out, with the write's warning
    int type = LiElmGetType(line, e);
    if (type == KV2GR_ELM_ARC3P) boMboWriteLine865(hRaw, "-08 3 p arc: error not implementet yet");
    if (!boWriteVertex(hRaw, line, e)) continue;
    if (!first) first = e;
    double radius = 0;
    if (type == KV2GR_ELM_ARC2P && boLiElmGet2pArc(line, e, &radius) && std::isfinite(radius)) {
      iNumPrintC(text, sizeof text, " 08 141 %8.3lf", radius);
      boMboWriteLine865(hRaw, text);
    }
  }
  if (boLiLineIsPolygon(line) && first) {
    boWriteVertex(hRaw, line, first);
    boMboWriteLine865(hRaw, " 09 96");
  } else {
    boMboWriteLine865(hRaw, " 09 99");
  }
}

// The length of a number text's whole part (up to its decimal point).
int iWholeLength(const char* text) {
  const char* dot = strchr(text, '.');
  return dot ? (int)(dot - text) : (int)strlen(text);
}

// A value of a station or observation block as text in `format`, for a
// column of `width`: "" when absent or not finite. False (with "") when its
// whole part does not fit the column, which the block's cut would turn into
// another number.
bool boColumnValue(char* out, int size, bool boGiven, const char* format, double value, int width) {
  out[0] = '\0';
  if (!boGiven || !std::isfinite(value)) return true;
  iNumPrintC(out, size, format, value);
  if (iWholeLength(out) <= width) return true;
  out[0] = '\0';
  return false;
}

// An attribute text as a whole number ("%d" of its integer value), "" when
// empty or not finite; false (with "") when it does not fit `width`.
bool boWholeNumber(char* out, int size, const char* text, int width) {
  out[0] = '\0';
  if (!boMboIsNotBlank(text)) return true;
  double v = dNumParseC(text);
  if (!std::isfinite(v)) return true;
  if (std::fabs(v) < 1e9) iNumPrintC(out, size, "%d", (int)v);
  if (out[0] && (int)strlen(out) <= width) return true;
  out[0] = '\0';
  return false;
}

// ---------------------------------------------------------------------------
// Reading

struct KofReader {
  uint32_t hSide;
  char sName[MBO_REC_NAME_SIZE];  // current point name
  char sCode[MBO_REC_CODE_SIZE];  // current code
  double dNorth, dEast, dHeight;  // remembered values of the last point
  // Blocks 05 and 50 keep their fields as read (north, east, height) and
  // leave the numbers to the few blocks that use them.
  char sRemembered[3][16];
  bool boRememberedText;
  int iMode;  // 0 none, 1 satellite vector, 2 coordinate observation
  bool boConvWarned, boCorrWarned, bo51Warned;
  bool boEastFirst;  // block 01 says the east value comes first
  // The last point could not be read: the blocks that belong to it are not
  // hung on the point before it.
  bool boPointLost;
  int iLineNo;  // the line being read, counted from 1
};

int g_iNextPointId;

// A line read and its length, found once for all its fields, and how far
// its columns stand right of the writer's layout: other programs leave out
// the blank before the block number (-1) or indent more.
struct KofLine {
  const char* s;
  int len;
  int shift;
};

bool boDigit(char c) { return c >= '0' && c <= '9'; }

// Columns are counted from where the block number's two digits stand (the
// writer's columns 2 and 3); a block number of other length keeps the
// writer's columns.
KofLine KofLineOf(const char* s, int len) {
  const char* p = s;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;  // as the number parser skips
  if (*p == '+' || *p == '-') ++p;
  int shift = boDigit(p[0]) && boDigit(p[1]) && !boDigit(p[2]) ? (int)(p - s) - 1 : 0;
  return KofLine{s, len, shift};
}

// The character in column c (from 1, after the shift); a blank beyond the
// line's ends.
char cColumn(const KofLine& line, int c) {
  int i = c - 1 + line.shift;
  return i >= 0 && i < line.len ? line.s[i] : ' ';
}

// Columns a to b (from 1, after the shift), blanks cut at both ends; "" when
// the field begins beyond the end of the line.
const char* sField(const KofLine& line, int a, int b, char* out, int size) {
  out[0] = '\0';
  a += line.shift;
  b += line.shift;
  if (a < 1) a = 1;
  int len = b > 0 ? (line.len < b ? line.len : b) : 0;  // the line up to column b is all a field needs
  if (a > len) return out;
  int n = b - a + 1;
  if (a - 1 + n > len) n = len - (a - 1);
  if (n >= size) n = size - 1;
  // Blanks and TABs cut at both ends of the n columns before the copy, as
  // sStrTrim would after it.
  const char* s = line.s + a - 1;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  int start = 0;
  while (start < n && blank(s[start])) ++start;
  while (n > start && blank(s[n - 1])) --n;
  memcpy(out, s + start, (size_t)(n - start));
  out[n - start] = '\0';
  return out;
}

// Names are compared upper-cased (at most 79 characters).
void vKofUpperCopy(char* dst, const char* src) {
  sStrCopyN(dst, src, 80);
  vMboCharUpper(dst);
}

double dFieldValue(const KofLine& line, int a, int b) {
  char buf[80];
  return dNumParseC(sField(line, a, b, buf, sizeof buf));
}

void vFormatValue(char* out, int size, double v) { iNumPrintC(out, size, "%lf", v); }

// The point name of a point block, or a generated one (upper-cased, within
// the 79 characters of vKofUpperCopy: the field has 10).
void vTakeName(KofReader* r, const KofLine& line) {
  if (!sField(line, 5, 14, r->sName, sizeof r->sName)[0]) sStrCopyN(r->sName, sKofNextPointId(), 80);
  vMboCharUpper(r->sName);
  vMboRecSetPointName(r->sName);
}

// Without a code parameter file the code field is the point's code; with
// one, codes come from the 12 blocks.
void vTakeCode(KofReader* r, const KofLine& line) {
  if (boTeleparLoaded()) return;
  sField(line, 16, 23, r->sCode, sizeof r->sCode);
  vMboRecSetCode(r->sCode);
}

void vDeliver(const char* name) {
  vTeleparReapplyPersistent();
  vMboFlushPending();
  vTeleparApplyToPoint(name);
}

void vReadObservation(KofReader* r, const KofLine& line) {
  char buf[80];
  sField(line, 5, 14, buf, sizeof buf);
  vKofUpperCopy(r->sName, buf);
  vMboRecSetPointName(r->sName);
  vTakeCode(r, line);
  vMboRecSetObsValue(MBO_OBS_ITEM_HZ, sField(line, 25, 32, buf, sizeof buf));
  vMboRecSetObsValue(MBO_OBS_ITEM_V, sField(line, 34, 41, buf, sizeof buf));
  vMboRecSetObsValue(MBO_OBS_ITEM_DIST, sField(line, 43, 50, buf, sizeof buf));
  vMboRecSetObsValue(MBO_OBS_ITEM_TH, sField(line, 52, 57, buf, sizeof buf));
  vDeliver(r->sName);
  r->iMode = 0;
}

void vReadStation(const KofLine& line) {
  char buf[80], name[80];
  vKofUpperCopy(name, sField(line, 5, 14, buf, sizeof buf));
  vMboRecSetStationName(name);
  vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, sField(line, 34, 41, buf, sizeof buf));
  vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, sField(line, 43, 50, buf, sizeof buf));
  vMboRecSetObsValue(MBO_OBS_ITEM_IH, sField(line, 52, 57, buf, sizeof buf));
  vTeleparReapplyPersistent();
  vTeleparApplyToPoint(name);
}

// A block that is not read goes into the report as it stands.
void vReport(KofReader* r, const KofLine& line) { boMboWriteLine(r->hSide, line.s); }

// Blocks 05 and 50: a blank coordinate field gives no value (a 2-D point
// keeps its height unset), while the remembered value used by blocks 44 to
// 47 becomes 0.
void vReadPlainPoint(KofReader* r, const KofLine& line) {
  static const int cols[3][2] = {{25, 36}, {38, 49}, {50, 57}};
  static const int items[2][3] = {{MBO_REC_NORTH, MBO_REC_EAST, MBO_REC_Z}, {MBO_REC_EAST, MBO_REC_NORTH, MBO_REC_Z}};
  static const int remembered[2][3] = {{0, 1, 2}, {1, 0, 2}};  // north, east, height
  int order = r->boEastFirst ? 1 : 0;
  vTakeName(r, line);
  vTakeCode(r, line);
  for (int i = 0; i < 3; ++i) {
    char* text = r->sRemembered[remembered[order][i]];
    sField(line, cols[i][0], cols[i][1], text, sizeof r->sRemembered[0]);
    vMboRecSetCoord(items[order][i], text);
  }
  r->boRememberedText = true;
}

// The remembered values as numbers, parsed when a block needs them.
void vRememberedValues(KofReader* r) {
  if (!r->boRememberedText) return;
  r->boRememberedText = false;
  r->dNorth = dNumParseC(r->sRemembered[0]);
  r->dEast = dNumParseC(r->sRemembered[1]);
  r->dHeight = dNumParseC(r->sRemembered[2]);
}

// Blocks 45 and 42: earth-centred coordinates through the geoid model.
bool boReadEarthCentredPoint(KofReader* r, const KofLine& line) {
  char buf[80];
  sField(line, 5, 14, buf, sizeof buf);
  double x = dFieldValue(line, 25, 36), y = dFieldValue(line, 38, 49), z = dFieldValue(line, 51, 62);
  double antenna = dFieldValue(line, 64, 69);
  double east = 0, north = 0, height = 0;
  if (!boCoSysGeoideFromEarthCentric(g_mboTransfer.uRefSys, g_mboTransfer.uGeoid, buf, x, y, z, &east, &north,
                                     &height)) {
    if (!r->boConvWarned) {
      r->boConvWarned = true;
      vMsgWarning(sKvxPoGetText(
          "Warning! Fieldbook was not able to convert given earthcentric coordinates\nPlease check coordinate "
          "system settings."));
    }
    r->dNorth = r->dEast = r->dHeight = 0;
    r->boRememberedText = false;
    return false;
  }
  vTakeName(r, line);
  vTakeCode(r, line);
  r->boRememberedText = false;
  r->dNorth = north;
  r->dEast = east;
  r->dHeight = height - antenna;
  char text[64];
  vFormatValue(text, sizeof text, r->dNorth);
  vMboRecSetCoord(MBO_REC_NORTH, text);
  vFormatValue(text, sizeof text, r->dEast);
  vMboRecSetCoord(MBO_REC_EAST, text);
  vFormatValue(text, sizeof text, r->dHeight);
  vMboRecSetCoord(MBO_REC_Z, text);
  return true;
}

void vReadPoint(KofReader* r, const KofLine& line, int block) {
  if (block == 5 || block == 50) {
    vReadPlainPoint(r, line);
  } else if (!boReadEarthCentredPoint(r, line)) {
    vReport(r, line);
    r->boPointLost = true;
    return;
  }
  vDeliver(r->sName);
  r->iMode = 0;
  if (block == 42) {
    char buf[80];
    r->iMode = 1;
    vMboRecGpsSetField(2, r->sName);
    vMboRecGpsSetField(64, sField(line, 64, 69, buf, sizeof buf));
  }
}

void vReadArc(KofReader* r, const KofLine& line) {
  char buf[80];
  if (iNumParseC(sField(line, 5, 8, buf, sizeof buf)) != 141) return;
  char radius[64];
  iNumPrintC(radius, sizeof radius, "%.3lf", dFieldValue(line, 9, 20));
  if (!boMboApplyControlCode(54, radius, "")) vReport(r, line);
}

bool boLineCodeAllowed(int code) {
  return code == 37 || code == 50 || code == 51 || (code >= 72 && code <= 79) || (code >= 82 && code <= 89) ||
         code == 91 || code == 92 || code == 93 || code == 96 || code == 99;
}

// Block 09. Columns 8-17 hold the line's code text (the reader's "name
// text") and columns 19-69 its object ID (the "code text"); the writer
// leaves column 19 blank, other producers start the ID there.
void vReadLineCode(KofReader* r, const KofLine& line) {
  char buf[80];
  int code = iNumParseC(sField(line, 5, 6, buf, sizeof buf));
  char field[80];
  sField(line, 8, 17, field, sizeof field);
  char name[80] = "";
  char id[80] = "";
  if (code != 99 && !boTeleparLoaded()) {
    sStrCopyN(name, field, sizeof name);
    sField(line, 19, 69, id, sizeof id);
  }
  if (code == 0 || !boLineCodeAllowed(code)) {
    vReport(r, line);
    return;
  }
  if (code == 99 && field[0]) boMboApplyControlCode(64, field, "");
  if (!boMboApplyControlCode(code, name, "")) {
    vReport(r, line);
    return;
  }
  if (code == 91 && field[0]) {
    if (!boTeleparLoaded()) {
      boMboApplyControlCode(63, id, "");
      boMboApplyControlCode(62, field, "");
    } else {
      boMboApplyControlCode(64, field, "");
    }
  }
}

void vReadProject(const KofLine& line) {
  vTeleparApply(nullptr);
  char buf[80];
  boMboSetProjectAttr("PROJECT", g_mboTransfer.sRawPath);
  boMboSetProjectAttr("PROJECTDESCR", sField(line, 5, 44, buf, sizeof buf));
  boMboSetProjectAttr("SIGN", sField(line, 58, 67, buf, sizeof buf));
  boMboSetProjectAttr("DATE", sMboDateFromDdMmYy(sField(line, 69, 74, buf, sizeof buf)));
  boMboSetProjectAttr("INKAOMRSIGN", sField(line, 46, 51, buf, sizeof buf));
  boMboSetProjectAttr("INKASONE", sField(line, 76, 77, buf, sizeof buf));
}

void vReadCodes(const KofLine& line) {
  char buf[80];
  sField(line, 5, 70, buf, sizeof buf);
  vMboCharUpper(buf);
  vTeleparApply(buf);
}

void vReadVectorStation(KofReader* r, const KofLine& line) {
  char buf[80], name[80];
  r->iMode = 1;
  vKofUpperCopy(name, sField(line, 5, 14, buf, sizeof buf));
  vMboRecGpsSetField(2, name);
  vMboRecGpsSetField(64, sField(line, 64, 69, buf, sizeof buf));
}

void vReadVector(KofReader* r, const KofLine& line) {
  if (r->iMode != 1) return;
  char buf[80], name[80];
  vKofUpperCopy(name, sField(line, 5, 14, buf, sizeof buf));
  vMboRecSetPointName(name);
  vMboRecGpsSetField(4, name);
  vMboRecGpsSetField(8, sField(line, 25, 36, buf, sizeof buf));
  vMboRecGpsSetField(16, sField(line, 38, 49, buf, sizeof buf));
  vMboRecGpsSetField(32, sField(line, 51, 62, buf, sizeof buf));
  vMboRecGpsSetField(128, sField(line, 64, 69, buf, sizeof buf));
  vDeliver(name);
}

// In mode 0 a coordinate observation of the current point starts (its
// antenna height 0); otherwise the antenna height stored so far.
double dCoordObsAntenna(KofReader* r) {
  if (r->iMode != 0) return dNumParseC(sMboRecCoordGetField(512));
  r->iMode = 2;
  vMboRecCoordSetField(2, r->sName);
  vMboRecCoordSetField(16384, r->sCode);
  return 0;
}

// The coordinate observation's position: the remembered values, the height
// with the antenna height.
void vBeginCoordObs(KofReader* r) {
  double antenna = dCoordObsAntenna(r);
  vRememberedValues(r);
  char text[64];
  vFormatValue(text, sizeof text, r->dNorth);
  vMboRecCoordSetField(16, text);
  vFormatValue(text, sizeof text, r->dEast);
  vMboRecCoordSetField(8, text);
  vFormatValue(text, sizeof text, r->dHeight + antenna);
  vMboRecCoordSetField(32, text);
}

void vMarkPrecalculated(const KofReader* r) {
  if (PoPoint* point = pMboFindPoint(sMboRecMakePointId(r->sName))) {
    vMboSetPointXYprecalc(point, 1);
    vMboSetPointZprecalc(point, 1);
  }
}

void vReadAccuracy(KofReader* r, const KofLine& line, int block) {
  static const int corrCols[6] = {32, 40, 48, 56, 64, 72};
  double c[6];
  for (int i = 0; i < 6; ++i) c[i] = dFieldValue(line, corrCols[i], corrCols[i] + 6);
  // r11, r22 and r33 of a correlation matrix are 1; other files carry none.
  if (std::fabs(c[0] - 1.0) > 1e-5 || std::fabs(c[3] - 1.0) > 1e-5 || std::fabs(c[5] - 1.0) > 1e-5) {
    if (!r->boCorrWarned) {
      r->boCorrWarned = true;
      vMsgInfo(sKvxPoGetText(
          "KOF block 44 doesn't contain correlation data. Uses uncorrelated vector (1.0 in diagonal "
          "elements).\nInput data doesn't contain correlations. Using uncorrelated components on coordinates."));
    }
    c[0] = c[3] = c[5] = 1.0;
    c[1] = c[2] = c[4] = 0.0;
  }
  char sd[3][80];
  sField(line, 5, 12, sd[0], sizeof sd[0]);
  sField(line, 14, 21, sd[1], sizeof sd[1]);
  sField(line, 23, 30, sd[2], sizeof sd[2]);
  if (r->iMode == 1) {
    if (block == 51) {
      if (!r->bo51Warned) {
        r->bo51Warned = true;
        vMsgInfo(
            sKvxPoGetText("KOF block 51 can't be used in combination with satellite vector data (blocks 41-43 etc.)"));
      }
      return;
    }
    vMboRecGpsSetField(512, sd[0]);
    vMboRecGpsSetField(1024, sd[1]);
    vMboRecGpsSetField(2048, sd[2]);
    vMboRecGpsSetSigmas(c[0], c[1], c[2], c[3], c[4], c[5]);
    return;
  }
  vBeginCoordObs(r);
  vMboRecCoordSetField(64, sd[0]);
  vMboRecCoordSetField(128, sd[1]);
  vMboRecCoordSetField(256, sd[2]);
  vMboRecCoordSetSigmas(c[0], c[1], c[2], c[3], c[4], c[5]);
  if (block == 51) vMboRecCoordSetField(32768, "1");
  vMarkPrecalculated(r);
}

void vReadEpoch(KofReader* r, const KofLine& line) {
  dCoordObsAntenna(r);
  char buf[80];
  char epoch[64];
  iNumPrintC(epoch, sizeof epoch, "%04d.%02d.%02d_%02d:%02d:%02d", iNumParseC(sField(line, 9, 12, buf, sizeof buf)),
             iNumParseC(sField(line, 7, 8, buf, sizeof buf)), iNumParseC(sField(line, 5, 6, buf, sizeof buf)),
             iNumParseC(sField(line, 14, 15, buf, sizeof buf)), iNumParseC(sField(line, 17, 18, buf, sizeof buf)),
             iNumParseC(sField(line, 20, 21, buf, sizeof buf)));
  vMboRecCoordSetField(8192, epoch);
  vMboRecCoordSetField(2048, sField(line, 23, 24, buf, sizeof buf));
  vMboRecCoordSetField(1024, sField(line, 26, 30, buf, sizeof buf));
  vMboRecCoordSetField(512, sField(line, 32, 37, buf, sizeof buf));
  vMboRecCoordSetField(4096, sField(line, 39, 41, buf, sizeof buf));
  double height = dNumParseC(sMboRecCoordGetField(32));
  double antenna = dNumParseC(sMboRecCoordGetField(512));
  if (height != 0 && antenna != 0) {
    char text[64];
    vFormatValue(text, sizeof text, height + antenna);
    vMboRecCoordSetField(32, text);
  }
}

void vReadCovariance(KofReader* r, const KofLine& line) {
  double c[6];
  for (int i = 0; i < 6; ++i) c[i] = dFieldValue(line, 5 + 13 * i, 16 + 13 * i);
  // The file holds c11, c22, c33, c12, c13, c23.
  if (r->iMode == 1) {
    vMboRecGpsSetCovariance(c[0], c[3], c[4], c[1], c[5], c[2]);
    return;
  }
  vBeginCoordObs(r);
  vMboRecCoordSetCovariance(c[0], c[3], c[4], c[1], c[5], c[2]);
  vMarkPrecalculated(r);
}

// The last column a block reads; 0 for blocks that only go to the report.
int iLastColumn(int block) {
  switch (block) {
    case 1:
      return 68;
    case 2:
    case 3:
    case 5:
    case 50:
      return 57;
    case 8:
      return 20;
    case 9:
    case 41:
    case 42:
    case 43:
    case 45:
      return 69;
    case 11:
      return 77;
    case 12:
      return 70;
    case 44:
    case 51:
      return 78;
    case 46:
      return 41;
    case 47:
      return 81;
    default:
      return 0;
  }
}

// A TAB inside the columns a block reads moves every field after it: the
// block cannot be read by columns.
bool boTabInColumns(const KofLine& line, int block) {
  int columns = iLastColumn(block);
  int last = columns + line.shift;
  return columns > 0 && last > 0 && memchr(line.s, '\t', (size_t)(line.len < last ? line.len : last)) != nullptr;
}

// Blocks 05 and 50: a number that reaches over the edge of its field (no
// blank on one side of it) would be cut into wrong digits.
bool boNumberSplit(const KofLine& line) {
  static const int edges[] = {24, 36, 37, 49, 57};  // the column before each edge
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  for (int c : edges)
    if (!blank(cColumn(line, c)) && !blank(cColumn(line, c + 1))) return true;
  return false;
}

// Blocks that start a point, station or vector station end what a lost
// point left; the blocks that belong to a point are skipped while it is lost.
bool boStartsPoint(int block) {
  return block == 2 || block == 3 || block == 5 || block == 50 || block == 41 || block == 42 || block == 45;
}

bool boBelongsToPoint(int block) { return block == 43 || block == 44 || block == 46 || block == 47 || block == 51; }

// Block 01: the header; column 45 after a '$' in column 44 gives the order
// of the coordinates (1 north first, 2 east first).
void vReadHeader(KofReader* r, const KofLine& line) {
  vKofReadHeaderLine(r->hSide, line.s);
  if (line.len >= 45 + line.shift && cColumn(line, 44) == '$') r->boEastFirst = cColumn(line, 45) == '2';
}

// The block number: the number the line starts with, as atoi reads it; the
// usual " nn " without the parse.
int iBlockNumber(const char* line) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (line[0] == ' ' && digit(line[1]) && digit(line[2]) && !digit(line[3]))
    return (line[1] - '0') * 10 + (line[2] - '0');
  return iNumParseC(line);
}

// A block that cannot be read as it stands goes to the report; an
// unreadable point takes the blocks that belong to it along. Every line
// skipped unread goes this way.
void vSkipBlock(KofReader* r, const KofLine& line, int block) {
  vReport(r, line);
  if (boStartsPoint(block)) r->boPointLost = block != 2 && block != 3;
}

// A line with a NUL byte among its characters, given up to the NUL, is
// skipped as a TAB line is; when the NUL cuts off its block number, it is
// taken for a point's, so that no block after it is hung on the point
// before.
void vSkipDamagedLine(KofReader* r, const char* text) {
  KofLine line = KofLineOf(text, (int)strlen(text));
  const char* p = text;
  while (*p == ' ') ++p;
  const char* digits = p;
  while (boDigit(*p)) ++p;
  vSkipBlock(r, line, p > digits && *p ? iBlockNumber(text) : 5);
}

void vReadLine(KofReader* r, const KofLine& line) {
  int block = iBlockNumber(line.s);
  if (boTabInColumns(line, block)) {
    vSkipBlock(r, line, block);
    return;
  }
  if ((block == 5 || block == 50) && boNumberSplit(line)) {
    vMboReport(r->hSide, "COLUMNS DO NOT FIT", sStrFormat("%d", r->iLineNo));
    vSkipBlock(r, line, block);
    return;
  }
  if (boStartsPoint(block)) r->boPointLost = false;
  if (r->boPointLost && boBelongsToPoint(block)) {
    vReport(r, line);
    return;
  }
  switch (block) {
    case 1:
      vReadHeader(r, line);
      break;
    case 2:
      vReadStation(line);
      break;
    case 3:
      vReadObservation(r, line);
      break;
    case 5:
    case 50:
    case 45:
    case 42:
      vReadPoint(r, line, block);
      break;
    case 8:
      vReadArc(r, line);
      break;
    case 9:
      vReadLineCode(r, line);
      break;
    case 11:
      vReadProject(line);
      break;
    case 12:
      vReadCodes(line);
      break;
    case 41:
      vReadVectorStation(r, line);
      break;
    case 43:
      vReadVector(r, line);
      break;
    case 44:
    case 51:
      vReadAccuracy(r, line, block);
      break;
    case 46:
      vReadEpoch(r, line);
      break;
    case 47:
      vReadCovariance(r, line);
      break;
    default:
      vKofReadHeaderLine(r->hSide, line.s);
      break;
  }
}

}  // namespace

// ---------------------------------------------------------------------------

const char* sKofNextPointId(void) { return sStrFormat(":%d", ++g_iNextPointId); }

PoPoint* pKofFindNearestPoint(PoPoints* points, const GeoPnt3* position, double tolerance, bool flat) {
  PoPoint* best = nullptr;
  double bestDist = 99999.0;
  for (PoPoint* p = PoPointsGetFirst(points); p; p = PoPointsGetNext(points, p)) {
    double x = 0, y = 0, z = 0;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    double dx = x - position->x, dy = y - position->y;
    if (best && (std::fabs(dx) >= bestDist || std::fabs(dy) >= bestDist)) continue;
    double dz = 0;
    if (!flat) {
      boMboGetPointZ(p, &z);
      dz = z - position->z;
    }
    double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (d < bestDist) {
      best = p;
      bestDist = d;
    }
  }
  return best && bestDist < tolerance ? best : nullptr;
}

int iKofWriteLines(uint32_t hRaw) {
  if (!LiLinesGetFirst(g_pMboLines)) return 0;
  if (!boMsgYesNo("Skriv linjer til KOF?", false)) return 0;
  for (LiLine* line = LiLinesGetFirst(g_pMboLines); line; line = LiLinesGetNext(g_pMboLines, line))
    vWriteLine(hRaw, line);
  return 1;
}

void vKofWriteObservations(uint32_t hRaw) {
  if (!pMboGetNextSt(MBO_KIND_TS, nullptr)) return;
  if (!boMsgYesNo("Ta med observasjoner ogs\xE5?", false)) return;
  uint64_t cs = g_mboTransfer.uCoSys;
  char line[256];
  for (void* s = pMboGetNextSt(MBO_KIND_TS, nullptr); s; s = pMboGetNextSt(MBO_KIND_TS, s)) {
    const MboStationTs* st = static_cast<const MboStationTs*>(s);
    char number[32], pressure[32], temperature[32], height[400];
    const char* name = sMboPidPointNo(sMboName(&st->name));
    iNumPrintC(number, sizeof number, "%d", st->iInstrNo);
    bool boFits = (int)strlen(number) <= 8;
    if (!boFits) number[0] = '\0';
    boFits = boWholeNumber(pressure, sizeof pressure, st->sPressure, 8) && boFits;
    boFits = boWholeNumber(temperature, sizeof temperature, st->sTemperature, 8) && boFits;
    boFits = boColumnValue(height, sizeof height, boMboIsNotBlank(st->sInstrHeight), "%lf",
                           dNumParseC(st->sInstrHeight), 6) &&
             boFits;
    if (!boFits) vSdrSkipPoint(&g_skipped, name);
    iNumPrintC(line, sizeof line, " 02 %-10.10s %-8.8s %8s %8.8s %8.8s %6.6s", name, "", number, pressure, temperature,
               height);
    boMboWriteLine865(hRaw, line);
    for (void* o = pMboGetNextObs(MBO_KIND_TS, s, nullptr); o; o = pMboGetNextObs(MBO_KIND_TS, s, o)) {
      const MboObsTs* obs = static_cast<const MboObsTs*>(o);
      char hz[400], v[400], dist[400], th[400];
      const char* target = sMboPidPointNo(sMboName(&obs->target));
      bool boHz = (obs->uFlags & MBO_OBS_HZ_VALID) != 0, boV = (obs->uFlags & MBO_OBS_V_VALID) != 0;
      bool boObsFits = boColumnValue(hz, sizeof hz, boHz, "%8.4lf", boHz ? dCoSysHorDir2User(cs, obs->dHz) : 0, 8);
      boObsFits = boColumnValue(v, sizeof v, boV, "%8.4lf", boV ? dCoSysVerDir2User(cs, obs->dV) : 0, 8) && boObsFits;
      boObsFits =
          boColumnValue(dist, sizeof dist, obs->uFlags & MBO_OBS_DIST_VALID, "%8.3lf", obs->dDist, 8) && boObsFits;
      boObsFits =
          boColumnValue(th, sizeof th, obs->uFlags & MBO_OBS_TH_VALID, "%6.3f", obs->dTargetHeight, 6) && boObsFits;
      if (!boObsFits) vSdrSkipPoint(&g_skipped, target);
      iNumPrintC(line, sizeof line, " 03 %-10.10s %-8.8s %8.8s %8.8s %8.8s %6.6s", target, obs->sCode, hz, v, dist, th);
      boMboWriteLine865(hRaw, line);
    }
  }
}

void vKofWriteRaw(uint32_t hRaw) {
  g_boWideWarned = false;
  g_skipped = SdrSkipped{};
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) vMboPointSetMark(p, 0);
  iKofWriteLines(hRaw);
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x, y;
    if (iMboPointGetMark(p) == 0 && boMboGetPointXY(p, &x, &y)) boWritePoint(hRaw, p);
  }
  vKofWriteObservations(hRaw);
  vSdrReportSkipped(&g_skipped);
}

void vKofReadHeaderLine(uint32_t hSide, const char* sLine) {
  boMboWriteLine(hSide, sLine);
  if (iNumParseC(sLine) != 1) return;
  KofLine line = KofLineOf(sLine, (int)strlen(sLine));
  char buf[80];
  sField(line, 5, 16, buf, sizeof buf);
  vMboReport(hSide, "PROJECT", buf);
  boMboSetProjectAttr("PROJECTDESCR", buf);
  sField(line, 18, 29, buf, sizeof buf);
  vMboReport(hSide, "DATE", buf);
  boMboSetProjectAttr("DATE", buf);
  sField(line, 57, 68, buf, sizeof buf);
  vMboReport(hSide, "OPERATOR", buf);
  boMboSetProjectAttr("SIGN", buf);
}

bool boKofReadRaw(uint32_t hRaw, uint32_t hSide) {
  KofReader r{};
  r.hSide = hSide;
  vMboRecSetKofMode(1);
  vMboLineCommand(MBO_LINE_AUTO_OFF, "", "");
  char line[256];
  unsigned notes = 0;
  while (boMboReadLineCut(line, sizeof line, hRaw, &notes)) {
    bool damaged = boMboReportLine(hSide, notes, ++r.iLineNo);
    if (line[0] == '-') continue;
    if (damaged)
      vSkipDamagedLine(&r, line);
    else
      vReadLine(&r, KofLineOf(line, (int)strlen(line)));
  }
  vMboFlushPending();
  vTeleparFree();
  return false;
}

bool boKofSend(const char*) {
  if (!boBlkPrompt(sStrFormat("KOM:\n%s", sKvxPoGetText("Make fieldbook ready to receive\nand press ENTER on PC."))))
    return false;
  if (!boBlkOpenPort(0)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak(6, 21);  // ACK is the reply character too
  vComSetAbortChar(4);
  vMboShowWaitingForData();
  bool ok = boBlkSendFile(g_mboTransfer.hRaw, "\x04");
  vComClose();
  return ok;
}
