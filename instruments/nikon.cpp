// Nikon DTM-400 (instrument 67): the upload writer, the measurement reader,
// and the serial receive and send with a checksum character per line.
#include "instruments/nikon.h"

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

const int kLineMax = 127;
const int kFields = 9;
const int kFieldSize = kLineMax + 1;

// The first nine fields of a line; missing ones are empty. A field of a line
// of at most kLineMax characters fits its buffer whole, so each is cut
// straight into it.
void vSplit(const char* line, char fields[kFields][kFieldSize]) {
  const char* cursor = line;
  for (int i = 0; i < kFields; ++i) sStrNextQuotedField(fields[i], kFieldSize, &cursor, ',');
}

// A point name through the point-number prefixes (import direction).
const char* sNikonPointAlias(const char* name) {
  char buf[MBO_REC_NAME_SIZE];
  sStrCopyN(buf, name, sizeof buf);
  vMboConvertPointNoPrefix(&g_mboTransfer.settings, buf, sizeof buf);
  return sStrTemp(buf);
}

// The code field: the code before the first '-', and after it a control
// code with up to two words.
void vCodeField(const char* field) {
  char code[MBO_REC_CODE_SIZE] = "";
  const char* dash = strchr(field, '-');
  int len = dash ? (int)(dash - field) : (int)strlen(field);
  sStrCopyN(code, field, len + 1 < (int)sizeof code ? len + 1 : (int)sizeof code);
  if (dash) boSdrApplyNote(dash + 1);
  vMboRecSetCode(code);
}

enum LineResult { kStop = -1, kToSide = 0, kTaken = 1 };

LineResult eReadLine(const char* line) {
  static char fields[kFields][kFieldSize];
  vSplit(line, fields);
  if (strcmp(fields[0], "1") != 0) return kTaken;  // other classes are skipped
  if (strcmp(fields[2], "MG") != 0) {
    vMsgInfo("Currently handles only Meter and Gon");
    return kStop;
  }
  int type = boMboIsInteger(fields[1]) ? iNumParseC(fields[1]) : -1;
  switch (type) {
    case 0:
      vMboRecSetStationName(sNikonPointAlias(fields[3]));
      vMboRecSetCode(fields[4]);
      vMboRecSetObsValue(MBO_OBS_ITEM_IH, fields[5]);
      return kTaken;
    case 1:
    case 3:
    case 4:
    case 6:
      vMboRecSetPointName(sNikonPointAlias(fields[3]));
      vCodeField(fields[4]);
      vMboRecSetCoord(MBO_REC_NORTH, fields[5]);
      vMboRecSetCoord(MBO_REC_EAST, fields[6]);
      vMboRecSetCoord(MBO_REC_Z, fields[7]);
      vMboFlushPending();
      return kTaken;
    case 2:
    case 5:
      vMboRecSetPointName(sNikonPointAlias(fields[3]));
      vCodeField(fields[4]);
      vMboRecSetObsValue(MBO_OBS_ITEM_DIST, fields[5]);
      vMboRecSetObsValue(MBO_OBS_ITEM_HZ, fields[6]);
      vMboRecSetObsValue(MBO_OBS_ITEM_V, fields[7]);
      vMboRecSetObsValue(MBO_OBS_ITEM_TH, fields[8]);
      vMboFlushPending();
      return kTaken;
    default:
      return kToSide;
  }
}

}  // namespace

uint16_t iNikonLineChecksum(const char* sLine) {
  unsigned sum = 0;
  for (const unsigned char* p = (const unsigned char*)sStrNotNull(sLine); *p; ++p)
    if (*p >= 32 && *p <= 127) sum += *p;
  return (uint16_t)(sum % 64 + 32);
}

bool boNikonWriteRaw(uint32_t hRaw) {
  const MboSettings& set = g_mboTransfer.settings;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x = 0, y = 0, z = 0;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    char number[MBO_ID_SIZE];
    sStrCopyN(number, sMboGetPointNo(p), sizeof number);
    vMboConvertPointNo(&set, number, sizeof number);
    char height[400] = "";
    if (boMboGetPointZ(p, &z)) iNumPrintC(height, (int)sizeof height, "%1.3f", z);
    char line[1200];
    iNumPrintC(line, (int)sizeof line, "G,%s,%0.3lf,%0.3lf,%s,%s", number, y - set.iEO, x - set.iNO, height,
               sMboPointGetField(p));
    boMboWriteLine(hRaw, line);
  }
  return boMboWriteOk();
}

bool boNikonReadRaw(uint32_t hRaw, uint32_t hSide) {
  vMboLineCommand(MBO_LINE_AUTO_OFF, "", "");
  vSdrReadRecords(
      hRaw, hSide, kLineMax, [](void*, const char* line) { return (int)eReadLine(line); }, nullptr);
  return false;
}

bool boNikonReceive(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Choose data for transfer.\nPress ENTER on PC before transfer is started.")))
    return false;
  if (!boBlkOpenPort(1)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak(0, 0);
  vComSetAbortChar(26);
  vMboShowWaitingForData();
  return boBlkEnd(boBlkReceiveFileToSilence(g_mboTransfer.hRaw));
}

bool boNikonSend(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Make fieldbook ready to receive\nand press ENTER on PC."))) return false;
  if (!boBlkOpenPort(1)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak(6, 21);
  vMboShowStatusText("...");
  const char* header = "A,01,";
  if (!boComSendf("%s%c,\r\n", header, (char)iNikonLineChecksum(header))) return boBlkEnd(false);
  return boBlkEnd(boBlkSendFileLineSum(g_mboTransfer.hRaw, "Z", iNikonLineChecksum));
}
