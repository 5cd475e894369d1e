// Sokkia SDR records: the SDR33 coordinate writer and reader, and the serial
// transfer of the SDR family and the Trimble DC (instruments 62 to 65).
#include "instruments/sdr.h"

#include <cmath>
#include <cstring>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/settings.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/gsi.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "kvxlib.h"

namespace {

const char kStx = 2;
const int kLineMax = 399;  // characters of a raw line the reader takes
const int kFirstLineSize = 82;
const double kMetresPerFoot = 0.3048;

// The record code: the number in columns 1-2 (leading blanks are the
// parse's to skip, trailing ones end it).
int iRecordCode(const char* line) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (digit(line[0]) && digit(line[1])) return (line[0] - '0') * 10 + (line[1] - '0');
  char code[3];
  int n = 0;
  for (; n < 2 && line[n]; ++n) code[n] = line[n];
  code[n] = '\0';
  return iNumParseC(code);
}

// Columns 3-4 hold the type (a line of at least four characters).
bool boType(const char* line, const char* type) {
  return line[0] && line[1] && line[2] == type[0] && line[3] == type[1];
}

// The fields of the older SDR2x layout by record code: 'P' a point number
// of 4 characters, 'N' a number of 10, 'C' a code of 16. SDR33 files have
// 16 characters in every field.
const char* sOldFieldKinds(int code) {
  switch (code) {
    case 2:
      return "PNNNNC";
    case 3:
      return "N";
    case 5:
      return "NN";
    case 7:
      return "PPNN";
    case 8:
      return "PNNNC";
    case 9:
      return "PPNNNC";
    default:
      return "";
  }
}

// What the last header record said: the layout, and its unit digits for
// angles ('1' degrees, '2' gon), distances ('1' metres, '2' feet) and the
// coordinate order ('1' north first, '2' east first); '\0' where no header
// gave them, as the values are then taken as written. out: a field
// converted to metres or gon (any double's "%.6lf").
struct SdrReadState {
  uint32_t hSide;
  bool boOld;
  char cAngle, cDistance, cOrder;
  char out[400];
};

// A record being read: its line and code, the read's state (layout, units),
// and the buffer its fields are cut into (each field is taken before the
// next is cut).
struct SdrRecord {
  const char* line;
  size_t len;
  SdrReadState* state;
  int iCode;
  char buf[17];
};

// Field n (from 1) of the record in the file's layout, trimmed.
const char* sField(SdrRecord* rec, int n) {
  if (!rec->state->boOld) return sSdrCut(rec->line, rec->len, 4 + 16 * (n - 1), 16, rec->buf);
  const char* kinds = sOldFieldKinds(rec->iCode);
  if ((int)strlen(kinds) < n) return "";
  auto width = [](char kind) { return kind == 'P' ? 4 : kind == 'N' ? 10 : 16; };
  int offset = 4;
  for (int i = 0; i < n - 1; i++) offset += width(kinds[i]);
  return sSdrCut(rec->line, rec->len, offset, width(kinds[n - 1]), rec->buf);
}

// A length field in metres: a number in a file of feet is converted; any
// other text stays as written.
const char* sLength(SdrRecord* rec, int n) {
  const char* field = sField(rec, n);
  double value;
  if (rec->state->cDistance != '2' || !boMboFiniteNumber(field, &value)) return field;
  iNumPrintFixedC(rec->state->out, sizeof rec->state->out, value * kMetresPerFoot, 6);
  return rec->state->out;
}

// An angle field in the user's angle system where the header gives the
// unit; as written otherwise, and for a text that is not a number.
const char* sAngle(SdrRecord* rec, int n) {
  const char* field = sField(rec, n);
  char unit = rec->state->cAngle;
  double value;
  if ((unit != '1' && unit != '2') || !boMboFiniteNumber(field, &value)) return field;
  vGsiFormatUserAngle(rec->state->out, sizeof rec->state->out, unit == '1' ? value * kGonPerDegree : value);
  return rec->state->out;
}

// Fields n and n + 1 hold north and east, or east and north where the
// header says so; field n + 2 the height.
void vSetCoordinates(SdrRecord* rec, int n) {
  bool eastFirst = rec->state->cOrder == '2';
  vMboRecSetCoord(eastFirst ? MBO_REC_EAST : MBO_REC_NORTH, sLength(rec, n));
  vMboRecSetCoord(eastFirst ? MBO_REC_NORTH : MBO_REC_EAST, sLength(rec, n + 1));
  vMboRecSetCoord(MBO_REC_Z, sLength(rec, n + 2));
}

// The header's version text tells the layout; its last six characters,
// when they are digits, the units: angle, distance, pressure, temperature,
// coordinate order and one unused. A header without them leaves every
// value as written. Digits the reader has no meaning for are reported.
void vReadHeader(SdrReadState* st, const char* line) {
  st->boOld = strncmp(sMboSubString(line, 4, 16), "SDR2", 4) == 0;
  size_t len = strlen(line);
  while (len > 0 && line[len - 1] == ' ') --len;
  bool digits = len >= 6;
  for (size_t i = len - (digits ? 6 : 0); digits && i < len; ++i) digits = line[i] >= '0' && line[i] <= '9';
  st->cAngle = st->cDistance = st->cOrder = '\0';
  if (!digits) return;
  const char* units = line + len - 6;
  st->cAngle = units[0];
  st->cDistance = units[1];
  st->cOrder = units[4];
  auto check = [st](char digit, const char* title) {
    if (digit != '1' && digit != '2') vMboReport(st->hSide, title, sStrFormat("%c", digit));
  };
  check(st->cAngle, "ANGLE UNIT NOT READ");
  check(st->cDistance, "DISTANCE UNIT NOT READ");
  check(st->cOrder, "COORDINATE ORDER NOT READ");
}

// False when the record goes to the side file.
bool boReadRecord(SdrReadState* st, const char* line) {
  SdrRecord record{line, strlen(line), st, iRecordCode(line), {}};
  SdrRecord* rec = &record;
  switch (rec->iCode) {
    case 0:
      if (strncmp(line, "00NM", 4) != 0) return false;
      // The header is reported as a record the reader does not take, then
      // what it cannot tell of its units.
      boMboWriteLine(st->hSide, line);
      vReadHeader(st, line);
      return true;
    case 2:
      if (!boType(line, "TP")) return false;
      vMboRecSetStationName(sField(rec, 1));
      vMboRecSetObsValue(MBO_OBS_ITEM_IH, sLength(rec, 5));
      vSetCoordinates(rec, 2);
      vMboRecSetCode(sField(rec, 6));
      vMboFlushPending();
      return true;
    case 3:
      vMboRecSetObsValue(MBO_OBS_ITEM_TH, sLength(rec, 1));
      return true;
    case 5:
      vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, sField(rec, 1));
      vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, sField(rec, 2));
      return true;
    case 7:
      vMboRecSetStationName(sField(rec, 1));
      vMboRecSetPointName(sField(rec, 2));
      vMboRecSetObsValue(MBO_OBS_ITEM_HZ, sAngle(rec, 4));
      vMboFlushPending();
      return true;
    case 8:
      vMboRecSetPointName(sField(rec, 1));
      vSetCoordinates(rec, 2);
      vMboRecSetCode(sField(rec, 5));
      vMboFlushPending();
      return true;
    case 9: {
      // Names and code stay pending when the type is not taken.
      vMboRecSetStationName(sField(rec, 1));
      vMboRecSetPointName(sField(rec, 2));
      vMboRecSetCode(sField(rec, 6));
      bool face1 = boType(line, "F1");
      if (!face1 && !boType(line, "F2")) return false;
      vMboRecSetObsValue(face1 ? MBO_OBS_ITEM_V : MBO_OBS_ITEM_V2, sAngle(rec, 4));
      vMboRecSetObsValue(face1 ? MBO_OBS_ITEM_HZ : MBO_OBS_ITEM_HZ2, sAngle(rec, 5));
      vMboRecSetObsValue(MBO_OBS_ITEM_DIST, sLength(rec, 3));
      vMboFlushPending();
      return true;
    }
    case 13:
      if (boType(line, "FC")) {
        vMboRecSetCode(sMboSubString(line, 4, 60));
        return true;
      }
      return boType(line, "NM") && boSdrApplyNote(strlen(line) > 4 ? line + 4 : "");
    default:
      return false;
  }
}

bool boOpen(void) {
  if (!boBlkOpenPort(1)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak(0, 0);
  return true;
}

}  // namespace

bool boSdrApplyNote(const char* sText) {
  char number[40], a[40], b[40];
  const char* cursor = sText;
  sStrNextToken(sText, &cursor, number, sizeof number);
  sStrNextToken(cursor, &cursor, a, sizeof a);
  sStrNextToken(cursor, &cursor, b, sizeof b);
  int code = iNumParseC(number);
  return code != 0 && boMboApplyControlCode(code, a, b);
}

uint16_t iSdrLineChecksum(const char* sLine) {
  uint16_t sum = 0;
  for (const unsigned char* p = (const unsigned char*)sStrNotNull(sLine); *p; ++p)
    if (*p >= 32 && *p <= 127) sum = (uint16_t)(sum + *p);
  return sum;
}

const char* sSdrField(const char* sLine, int n) { return sMboSubString(sLine, 4 + 16 * (n - 1), 16); }

const char* sSdrCut(const char* sLine, size_t uLineLen, int iOffset, int iLen, char* sOut) {
  sOut[0] = '\0';
  size_t start = (size_t)iOffset, end = start + (size_t)iLen;
  if (end > uLineLen) end = uLineLen;
  if (end <= start) return sOut;
  while (start < end && sLine[start] == ' ') ++start;
  while (end > start && sLine[end - 1] == ' ') --end;
  memcpy(sOut, sLine + start, end - start);
  sOut[end - start] = '\0';
  return sOut;
}

bool boSdrFormatFixed(char* sOut, int iWidth, const char* sFormat, double dValue) {
  sOut[0] = '\0';
  if (!std::isfinite(dValue)) return false;
  char text[400];
  // The writers' "%<width>.<decimals>lf" through the printf-identical fixed
  // printer, padded here; any other format through printf itself.
  int pad = 0, decimals = 0;
  const char* f = sFormat;
  bool plain = *f++ == '%';
  while (plain && *f >= '0' && *f <= '9' && pad < 100) pad = pad * 10 + (*f++ - '0');
  plain = plain && *f++ == '.' && *f >= '0' && *f <= '9';
  while (plain && *f >= '0' && *f <= '9' && decimals < 100) decimals = decimals * 10 + (*f++ - '0');
  if (plain && *f == 'l') ++f;
  plain = plain && f[0] == 'f' && f[1] == '\0';
  int len;
  if (plain)
    len = iNumPrintFixedWidthC(text, (int)sizeof text, dValue, pad, decimals);
  else
    len = iNumPrintC(text, (int)sizeof text, sFormat, dValue);
  if (len < 0 || len > iWidth) return false;
  memcpy(sOut, text, (size_t)len + 1);
  return true;
}

void vSdrSkipPoint(SdrSkipped* pSkipped, const char* sName) {
  if (pSkipped->iCount++ < 10) {
    if (pSkipped->sNames[0]) sStrCatN(pSkipped->sNames, " ", sizeof pSkipped->sNames);
    sStrCatN(pSkipped->sNames, sName, sizeof pSkipped->sNames);
  }
}

void vSdrReportSkipped(const SdrSkipped* pSkipped) {
  if (!pSkipped->iCount) return;
  vMsgWarning(sStrFormat("%s %d\n%s%s", sKvxPoGetText("Points not written, a value does not fit its column:"),
                         pSkipped->iCount, pSkipped->sNames, pSkipped->iCount > 10 ? " ..." : ""));
}

void vSdrWritePoints(SdrPointFn pfnPoint, void* pContext) {
  const MboSettings& set = g_mboTransfer.settings;
  SdrSkipped skipped{};
  PoPoints* points = g_pMboPoints;
  char number[MBO_ID_SIZE];
  for (PoPoint* p = PoPointsGetFirst(points); p; p = PoPointsGetNext(points, p)) {
    GeoPnt3 at;
    uint32_t has = uMboPointPlace(p, &at);
    if (!(has & MBO_FLAG_XY)) continue;
    bool boZ = (has & MBO_FLAG_Z) != 0;
    SdrPoint point{p, number, at.x - set.iNO, at.y - set.iEO, boZ ? at.z : 0, boZ, uMboGetPointNo(p, number)};
    int result = pfnPoint(pContext, point);
    if (result < 0) break;
    if (result == 0) vSdrSkipPoint(&skipped, point.sNumber);
  }
  vSdrReportSkipped(&skipped);
}

bool boSdr33WriteRaw(uint32_t hRaw) {
  vSdrWritePoints(
      [](void* raw, const SdrPoint& p) {
        char north[17], east[17], height[17] = "";
        if (!boSdrFormatFixed(north, 16, "%1.3lf", p.dY) || !boSdrFormatFixed(east, 16, "%1.3lf", p.dX) ||
            (p.boHasZ && !boSdrFormatFixed(height, 16, "%1.3lf", p.dZ)))
          return 0;
        char record[85];
        memcpy(record, "08KI", 4);
        sStrPadCopy(record + 4, p.sNumber, 16);
        sStrPadCopy(record + 20, north, 16);
        sStrPadCopy(record + 36, east, 16);
        sStrPadCopy(record + 52, height, 16);
        sStrPadCopy(record + 68, "", 16);
        record[84] = '\0';
        boMboWriteLine865(*(uint32_t*)raw, record);
        return 1;
      },
      &hRaw);
  return boMboWriteOk();
}

void vSdrReadRecords(uint32_t hRaw, uint32_t hSide, int iLineMax, SdrRecordFn pfnRecord, void* pContext) {
  char line[1024];
  if (iLineMax < 1 || iLineMax >= (int)sizeof line) iLineMax = (int)sizeof line - 1;
  unsigned uNotes = 0;
  int lineNo = 0;
  while (boMboReadLineCut(line, iLineMax + 1, hRaw, &uNotes)) {
    // A waiting message is dispatched every 64 lines: often enough for the
    // window, where one look per line cost more than the record's cuts.
    if (++lineNo % 64 == 1) boMboPumpMessage();
    if (boMboReportLine(hSide, uNotes, lineNo)) continue;
    int result = pfnRecord(pContext, line);
    if (result < 0) break;
    if (result == 0) boMboWriteLine(hSide, line);
  }
}

void vSdrObsValue(int iItem, const char* sField, size_t uLen) {
  double value;
  if (boNumParsePlainC(sField, uLen, &value))
    vMboRecSetObsNumber(iItem, value);
  else
    vMboRecSetObsValue(iItem, sField);
}

bool boSdr33ReadRaw(uint32_t hRaw, uint32_t hSide) {
  vMboLineCommand(MBO_LINE_AUTO_OFF, "", "");
  SdrReadState state{hSide, false, '\0', '\0', '\0', {}};
  vSdrReadRecords(
      hRaw, hSide, kLineMax, [](void* st, const char* line) { return boReadRecord((SdrReadState*)st, line) ? 1 : 0; },
      &state);
  return false;
}

bool boSdrReceive(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Choose data for transfer.\nPress ENTER on PC before transfer is started.")))
    return false;
  if (!boOpen()) return false;
  vMboShowWaitingForData();
  char first[kFirstLineSize];
  if (!boBlkReadLine(first, sizeof first)) return boBlkEndReadFailed();
  if (first[0] != kStx) {
    vMsgWarning(sKvxPoGetText("ERROR! Wrong character received from fieldbook"));
    return boBlkEnd(false);
  }
  return boBlkEnd(boBlkReceiveFile(g_mboTransfer.hRaw, "\x03"));
}

bool boSdrSend(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Make fieldbook ready to receive\nand press ENTER on PC."))) return false;
  if (!boOpen()) return false;
  vMboShowStatusText("...");
  // A failed STX has shown its box: the instrument is not listening.
  if (!boComWrite("\x02\r\n")) return boBlkEnd(false);
  vMboWaitSeconds(1);
  return boBlkEnd(boBlkSendFileTotalSum(g_mboTransfer.hRaw, "\x03", iSdrLineChecksum));
}
