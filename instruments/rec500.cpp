// REC 500 data recorder (instrument 22; its receive also serves the DiNi10,
// 81): the coordinate writer, the reader of fixed-column records and the
// serial receive and send answered by 'B'.
#include "instruments/rec500.h"

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
#include "fieldbook/settings.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/sdr.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "kvxlib.h"

namespace {

const int kRecordLen = 78;
const int kNameEnd = 33;  // the point number and the code end at this column
const int kLineMax = 399;

// A record being read: its line and length, and the buffer its fields are
// cut into (each field is taken before the next is cut).
struct RecLine {
  const char* line;
  size_t len;
  char buf[129];
};

// Columns from..to (from 1), blanks cut at both ends.
const char* sCols(RecLine* r, int from, int to) { return sSdrCut(r->line, r->len, from - 1, to - from + 1, r->buf); }

// From column `from` to the line's end.
const char* sFrom(RecLine* r, int from) { return sSdrCut(r->line, r->len, from - 1, 128, r->buf); }

bool boColsAre(const RecLine* r, int from, const char* text) {
  size_t len = strlen(text);
  return r->len >= from - 1 + len && strncmp(r->line + from - 1, text, len) == 0;
}

// Copies text into the record from column `from`, never past column `to`;
// true when it was cut.
bool boPlace(char* record, int from, int to, const char* text) {
  int room = to - from + 1;
  int len = (int)strlen(text);
  memcpy(record + from - 1, text, (size_t)(len < room ? len : room));
  return len > room;
}

// A note "P=<number> <text>"; false when it is not taken.
bool boRec500ReadCode(const RecLine* r) {
  if (!boColsAre(r, 9, "P=")) return false;
  const char* rest = r->line + 10;
  int number = iNumParseC(rest);
  // The text ends before the record identifier at column 52.
  char area[48];
  sStrCopyN(area, rest, sizeof area);
  const char* blank = strchr(area, ' ');
  char text[48] = "";
  if (blank) sStrCopyN(text, blank + 1, sizeof text);
  sStrTrim(text);
  if (number == 67) {
    vMboSetJobName(text);
    return true;
  }
  if (number == 68) {
    vMboSetAreaName(text);
    return true;
  }
  return boMboApplyControlCode(number, text, "");
}

// The identification of a point or station: columns 9-16, or the text of
// columns 9-27 where a recorder right-aligns it. A right-aligned one ends
// in column 27 and, at 12 characters or more, reaches into 9-16; a record
// with a blank column 9 that ends elsewhere (a code alone at 19) is the
// narrow layout. `wide` tells which layout the record has.
const char* sRecName(RecLine* r, bool* wide) {
  auto blank = [r](int col) { return r->len < (size_t)col || r->line[col - 1] == ' '; };
  *wide = blank(9) && !blank(27);
  return *wide ? sCols(r, 9, 27) : sCols(r, 9, 16);
}

// One line: 1 taken, 0 to the side file.
int iReadLine(uint32_t hSide, const char* line) {
  RecLine record;
  RecLine* r = &record;
  r->line = line;
  r->len = strlen(line);
  // Columns 52-53; a column past the line's end reads as a blank.
  size_t len = r->len;
  char id[3] = {len > 51 ? line[51] : ' ', len > 52 ? line[52] : ' ', '\0'};
  if (strcmp(id, "OP") == 0) boMboWriteLine(hSide, line);
  if (strcmp(id, "NO") == 0) return boRec500ReadCode(r) ? 1 : 0;
  bool wide = false;
  if (strcmp(id, "ST") == 0) {
    vMboRecSetStationName(sRecName(r, &wide));
    vMboRecSetObsValue(MBO_OBS_ITEM_IH, sCols(r, 29, 35));
    if (boColsAre(r, 37, "TR")) vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, sCols(r, 39, 50));
    if (boColsAre(r, 68, "TE")) vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, sFrom(r, 70));
    return 1;
  }
  if (strcmp(id, "Hz") == 0) {
    const char* name = sRecName(r, &wide);
    if (!name[0]) return 0;  // an observation of nothing: reported
    vMboRecSetPointName(name);
    const char* th = sCols(r, 29, 35);
    if (th[0]) vMboRecSetObsValue(MBO_OBS_ITEM_TH, th);
    vMboRecSetObsValue(MBO_OBS_ITEM_DIST, sCols(r, 39, 50));
    vMboRecSetObsValue(MBO_OBS_ITEM_HZ, sCols(r, 54, 66));
    vMboRecSetObsValue(MBO_OBS_ITEM_V, sFrom(r, 70));
    vMboFlushPending();
    return 1;
  }
  if (strcmp(id, "Y ") == 0) {
    const char* name = sRecName(r, &wide);
    if (!name[0]) return 0;  // a point without a name: reported
    vMboRecSetPointName(name);
    // The right-aligned layout has a text of up to five characters behind
    // the identification.
    vMboRecSetCode(wide ? sCols(r, 28, 32) : sCols(r, 19, 26));
    vMboRecSetCoord(MBO_REC_NORTH, sFrom(r, 39));
    vMboRecSetCoord(MBO_REC_EAST, sCols(r, 54, 66));
    vMboRecSetCoord(MBO_REC_Z, sFrom(r, 70));
    vMboFlushPending();
    return 1;
  }
  if (line[0] == 'A' && strcmp(id, "AV") != 0) return 1;
  return 0;
}

bool boOpen(void) {
  if (!boBlkOpenPort(0)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak('B', 0);
  vMboShowWaitingForData();
  return true;
}

}  // namespace

bool boRec500WriteRaw(uint32_t hRaw) {
  const MboSettings& set = g_mboTransfer.settings;
  SdrSkipped skipped{};
  bool boCut = false;
  int n = 0;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x = 0, y = 0, z = 0;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    const char* number = sMboGetPointNo(p);
    char north[13], east[14], height[10];
    if (!boSdrFormatFixed(north, 12, "%12.3lf", y - set.iEO) || !boSdrFormatFixed(east, 13, "%13.3lf", x - set.iNO) ||
        !boSdrFormatFixed(height, 9, "%9.3f", boMboGetPointZ(p, &z) ? z : 0.0)) {
      vSdrSkipPoint(&skipped, number);
      continue;
    }
    char record[kRecordLen + 1];
    memset(record, ' ', kRecordLen);
    record[kRecordLen] = '\0';
    char running[8];
    iNumPrintC(running, sizeof running, "%4d", ++n % 10000);
    boPlace(record, 4, 7, running);
    // The code first; a number of 11 characters or more runs over its start.
    const char* code = sMboPointGetField(p);
    if (code[0]) boCut |= boPlace(record, 19, kNameEnd, code);
    boCut |= boPlace(record, 9, kNameEnd, number);
    record[36] = 'X';
    boPlace(record, 39, 50, north);
    record[51] = 'Y';
    boPlace(record, 54, 66, east);
    record[67] = 'Z';
    boPlace(record, 70, 78, height);
    boMboWriteLine865(hRaw, record);
  }
  if (boCut) vMsgWarning(sKvxPoGetText("Point numbers or codes cut at column 33"));
  vSdrReportSkipped(&skipped);
  return boMboWriteOk();
}

bool boRec500ReadRaw(uint32_t hRaw, uint32_t hSide) {
  vMboLineCommand(MBO_LINE_AUTO_OFF, "", "");
  vSdrReadRecords(
      hRaw, hSide, kLineMax, [](void* side, const char* line) { return iReadLine(*(uint32_t*)side, line); }, &hSide);
  return false;
}

bool boRec500Receive(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Choose data for transfer.\nPress ENTER on PC before transfer is started.")))
    return false;
  if (!boOpen()) return false;
  char first[512];
  if (!boBlkReadLine(first, sizeof first)) return boBlkEndReadFailed();
  if (first[0] != 'A') {
    vMsgWarning(sKvxPoGetText("ERROR! Wrong character received from fieldbook"));
    return boBlkEnd(false);
  }
  return boBlkEnd(boBlkReceiveFile(g_mboTransfer.hRaw, "Z"));
}

bool boRec500Send(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Make fieldbook ready to receive\nand press ENTER on PC."))) return false;
  if (!boOpen()) return false;
  if (!boComSendf("A\r\n")) return boBlkEnd(false);
  vMboWaitSeconds(1);
  if (!boBlkSendFile(g_mboTransfer.hRaw, "")) return boBlkEnd(false);
  return boBlkEnd(boComWrite("Z\r\n"));
}
