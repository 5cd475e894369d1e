// Nikon DTM-400 (instrument 67): the upload writer, the measurement reader,
// and the serial receive and send with a checksum character per line.
#include "instruments/nikon.h"

#include <cstring>

#include "base/cnum.h"
#include "base/fieldcut.h"
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

// The first nine fields of a line; missing ones are empty. A line without
// quotes or tabs, the usual one, is split in one pass: its fields are the
// texts between commas with the blanks at both ends cut, as
// sStrNextQuotedField cuts them there. Any other line goes field by field
// through sStrNextQuotedField, as far as its record needs; a field of a line
// of at most kLineMax characters fits its buffer whole. n[i] is the length
// of field i once it is cut.
struct Fields {
  const char* p[kFields];
  size_t n[kFields];
  char plain[kLineMax + 1];  // the plain line, its fields ended in place
  char f[kFields][kFieldSize];
  const char* cursor;  // the other line's next field
  int cut;             // fields taken so far

  void vBegin(const char* line) {
    if (boSplitPlain(line)) {
      cut = kFields;
    } else {
      cursor = line;
      cut = 0;
    }
  }
  bool boSplitPlain(const char* line) {
    size_t len = strlen(line);
    if (len >= sizeof plain) return false;
    // Any quote or tab makes the other line; a line without blanks, the
    // usual one, has no field to cut.
    const char* first = strpbrk(line, "\"\t ");
    bool boBlanks = first && *first == ' ';
    if (first && (!boBlanks || strpbrk(first, "\"\t"))) return false;
    memcpy(plain, line, len + 1);
    int i = 0;
    size_t from = 0;
    // The field [from, end), blanks cut at both ends.
    auto cut = [&](size_t end) {
      char* s = plain + from;
      char* e = plain + end;
      if (boBlanks) {
        while (s < e && *s == ' ') ++s;
        while (e > s && e[-1] == ' ') --e;
      }
      *e = '\0';
      n[i] = (size_t)(e - s);
      p[i++] = s;
    };
    vForEachByte(plain, len, ',', [&](size_t k) {
      cut(k);
      from = k + 1;
      return i < kFields;
    });
    if (i < kFields) cut(len);
    for (; i < kFields; ++i) {
      p[i] = "";
      n[i] = 0;
    }
    return true;
  }
  void vTake(int i) {
    for (; cut <= i; ++cut) {
      p[cut] = sStrNextQuotedField(f[cut], kFieldSize, &cursor, ',');
      n[cut] = strlen(p[cut]);
    }
  }
  const char* operator[](int i) {
    vTake(i);
    return p[i];
  }
  size_t uLen(int i) {
    vTake(i);
    return n[i];
  }
};

// The name of a point or station through the point-number prefixes (import
// direction).
void vSetName(bool boStation, const char* name, size_t len) {
  char buf[MBO_REC_NAME_SIZE];
  // Without a conversion table a name that fits the buffer is passed as it
  // stands: the copy would be the same text.
  if (g_mboTransfer.settings.uPconv || len >= sizeof buf) {
    sStrCopyN(buf, name, sizeof buf);
    vMboConvertPointNoPrefix(&g_mboTransfer.settings, buf, sizeof buf);
    name = buf;
  }
  if (boStation)
    vMboRecSetStationName(name);
  else
    vMboRecSetPointName(name);
}

// The code field: the code before the first '-', and after it a control
// code with up to two words.
void vCodeField(const char* field, size_t len) {
  // A short field: a byte loop costs less than a library call.
  const char* dash = nullptr;
  for (size_t k = 0; k < len && !dash; ++k)
    if (field[k] == '-') dash = field + k;
  if (!dash) {
    vMboRecSetCode(field);  // it keeps the code's first 15 characters
    return;
  }
  char code[MBO_REC_CODE_SIZE];
  int n = (int)(dash - field);
  sStrCopyN(code, field, n + 1 < (int)sizeof code ? n + 1 : (int)sizeof code);
  boSdrApplyNote(dash + 1);
  vMboRecSetCode(code);
}

// The record type: the usual one digit without the number parser.
int iType(const char* field) {
  if (field[0] >= '0' && field[0] <= '9' && !field[1]) return field[0] - '0';
  return boMboIsInteger(field) ? iNumParseC(field) : -1;
}

// A line put together piece by piece, cut at its buffer's last byte.
struct LineOut {
  char* p;
  char* end;  // where the terminator goes at the latest
  void vPut(const char* text, size_t n) {
    if (n > (size_t)(end - p)) n = (size_t)(end - p);
    memcpy(p, text, n);
    p += n;
  }
  // A name or code: its control bytes as blanks, as the line writer puts
  // them, a comma, which would end its field, as '_', and the bytes the
  // reader takes as code-page-865 letters as '?'.
  void vPutText(const char* text) {
    for (; *text && p < end; ++text) *p++ = *text == ',' ? '_' : cMboLineByte865(*text);
  }
  template <size_t N>
  void vPutLit(const char (&text)[N]) {
    vPut(text, N - 1);
  }
  void vPutFixed(double value) {
    // Straight into the line while the longest short text fits; a longer
    // one (from 2^53) is cut as printf's buffer would cut it.
    if (end - p >= 40) {
      int n = iNumPrintFixedC(p, (int)(end - p) + 1, value, 3);
      p += n < 0 ? 0 : n > end - p ? end - p : n;
      return;
    }
    char digits[400];  // "%.3f" of the largest double
    vPut(digits, (size_t)iNumPrintFixedC(digits, (int)sizeof digits, value, 3));
  }
};

enum LineResult { kStop = -1, kToSide = 0, kTaken = 1 };

LineResult eReadLine(const char* line) {
  static Fields fields;
  fields.vBegin(line);
  if (strcmp(fields[0], "1") != 0) return kTaken;  // other classes are skipped
  if (strcmp(fields[2], "MG") != 0) {
    vMsgInfo("Currently handles only Meter and Gon");
    return kStop;
  }
  switch (iType(fields[1])) {
    case 0:
      vSetName(true, fields[3], fields.uLen(3));
      vMboRecSetCode(fields[4]);
      vMboRecSetObsValue(MBO_OBS_ITEM_IH, fields[5]);
      return kTaken;
    case 1:
    case 3:
    case 4:
    case 6:
      vSetName(false, fields[3], fields.uLen(3));
      vCodeField(fields[4], fields.uLen(4));
      vMboRecSetCoord(MBO_REC_NORTH, fields[5]);
      vMboRecSetCoord(MBO_REC_EAST, fields[6]);
      vMboRecSetCoord(MBO_REC_Z, fields[7]);
      vMboFlushPending();
      return kTaken;
    case 2:
    case 5:
      vSetName(false, fields[3], fields.uLen(3));
      vCodeField(fields[4], fields.uLen(4));
      vSdrObsValue(MBO_OBS_ITEM_DIST, fields[5], fields.uLen(5));
      vSdrObsValue(MBO_OBS_ITEM_HZ, fields[6], fields.uLen(6));
      vSdrObsValue(MBO_OBS_ITEM_V, fields[7], fields.uLen(7));
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
    GeoPnt3 at;
    uint32_t has = uMboPointPlace(p, &at);
    if (!(has & MBO_FLAG_XY)) continue;
    char number[MBO_ID_SIZE];
    uMboGetPointNo(p, number);
    vMboConvertPointNo(&set, number, sizeof number);
    // "G,number,north,east,height,code", each number as "%.3f" prints it:
    // put together without printf's format parsing, where most of the
    // writer's time went, and cut where the formatted line would be.
    // The line is put together where it is written, with its CR LF.
    char local[1200 + 1];
    char* line = pMboWriteBegin(hRaw, sizeof local, local);
    LineOut out{line, line + sizeof local - 2};
    out.vPutLit("G,");
    out.vPutText(number);
    out.vPutLit(",");
    out.vPutFixed(at.y - set.iEO);
    out.vPutLit(",");
    out.vPutFixed(at.x - set.iNO);
    out.vPutLit(",");
    if (has & MBO_FLAG_Z) out.vPutFixed(at.z);
    out.vPutLit(",");
    out.vPutText(sMboPointGetField(p));
    memcpy(out.p, "\r\n", 2);
    boMboWriteEnd(hRaw, line, (uint32_t)(out.p + 2 - line));
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
