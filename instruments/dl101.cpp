// Topcon DL101/102: the checksummed line receiver and the levelling reader.
#include "instruments/dl101.h"

#include <cstring>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/levelling.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/sdr.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "kvxlib.h"

namespace {

const int kLineMax = 255;  // characters of a raw line the reader takes
const int kReceiveSize = 512;
const int kFieldMax = 39;
const int kCodeMax = 15;
const uint8_t kAck = 6;
const uint8_t kNak = 21;

// The fields of a comma-separated line, found once: field n (from 0) is
// the text behind the line's n-th comma up to the next one, at most 39
// characters; "" when the line has fewer fields.
struct Fields {
  static const int kMax = 22;  // the set line's code is field 21
  const char* start[kMax];
  int count;
  Fields(const char* line, int fields) : count(1) {
    start[0] = line;
    for (const char* p = line; count < fields && (p = strchr(p, ','));) start[count++] = ++p;
  }
  // Field n into buf (kFieldMax + 1 bytes).
  const char* sGet(int n, char* buf) const {
    int len = 0;
    if (n < count)
      for (const char* s = start[n]; len < kFieldMax && s[len] && s[len] != ','; ++len) buf[len] = s[len];
    buf[len] = '\0';
    return buf;
  }
};

// "%.*f" (decimals) of v x 10^-shift (shift <= decimals), v given by its
// len decimal digits, put together from them. For v below 10^12 that is
// what printf prints for the double product in the metric units (factor 1,
// or 10^-2 and smaller): the product is off the exact value by two roundings
// of at most 2^-53 of it each, far below half the last decimal, and the
// exact value has these digits.
void vShiftedText(const char* digits, int len, int shift, int decimals, char* out) {
  while (len > 1 && *digits == '0') ++digits, --len;
  int whole = len - shift, o = 0;
  if (whole > 0) {
    memcpy(out, digits, (size_t)whole);
    o = whole;
  } else {
    out[o++] = '0';
  }
  out[o++] = '.';
  for (int i = whole; i < 0; ++i) out[o++] = '0';
  int from = whole > 0 ? whole : 0;
  memcpy(out + o, digits + from, (size_t)(len - from));
  o += len - from;
  for (int i = shift; i < decimals; ++i) out[o++] = '0';
  out[o] = '\0';
}

// A reading or length in the unit of the line's unit digit, as "%.6lf" or
// "%.4lf" prints it, in out (64 bytes). A text that is no number passes
// unchanged, so the levelling record ignores it.
const char* sScaled(const char* text, char unit, bool length, char* out) {
  if (!boMboIsNumber(text)) return text;
  const double kFoot = 0.3048;
  double reading = 1, sight = 1;
  int readingShift = 0, sightShift = 0;  // metric units: the factors as powers of ten
  switch (unit) {
    case '1':
      reading = 0.001, sight = 0.01;
      readingShift = 3, sightShift = 2;
      break;
    case '2':
    case '7':
      reading = 0.0001, sight = 0.01;
      readingShift = 4, sightShift = 2;
      break;
    case '3':
    case '8':
      reading = 0.00001, sight = 0.001;
      readingShift = 5, sightShift = 3;
      break;
    case '4':
      reading = 0.01 * kFoot, sight = 0.02 * kFoot;
      readingShift = sightShift = -1;
      break;
    case '5':
    case '9':
      reading = 0.001 * kFoot, sight = 0.02 * kFoot;
      readingShift = sightShift = -1;
      break;
    case '6':
    case 'A':
      reading = 0.0001 * kFoot, sight = 0.02 * kFoot;
      readingShift = sightShift = -1;
      break;
  }
  // The instrument's readings are digits alone: read as the integer they
  // are (exact below 16 digits), without the general number parser, and
  // in a metric unit below 10^12 printed without the general printer.
  uint64_t digits = 0;
  int n = 0;
  for (; n < 16 && text[n] >= '0' && text[n] <= '9'; ++n) digits = digits * 10 + (uint64_t)(text[n] - '0');
  int shift = length ? sightShift : readingShift, decimals = length ? 4 : 6;
  if (!text[n] && digits < 1000000000000ull && shift >= 0) {
    vShiftedText(text, n, shift, decimals, out);
    return out;
  }
  double value = n < 16 && !text[n] ? (double)digits : dNumParseC(text);
  iNumPrintFixedC(out, 64, value * (length ? sight : reading), decimals);
  return out;
}

void vSight(const char* line, const char* code, int nameItem, int readingItem, int lengthItem) {
  Fields f(line, 8);
  char field[kFieldMax + 1], scaled[64];
  f.sGet(1, field);
  char unit = field[0] && field[1] ? field[1] : '\0';
  vMboLevSetItem(nameItem, f.sGet(7, field));
  vMboLevSetItem(readingItem, sScaled(f.sGet(2, field), unit, false, scaled));
  vMboLevSetItem(lengthItem, sScaled(f.sGet(3, field), unit, true, scaled));
  vMboLevSetItem(MBO_LEV_CODE, code);
}

bool boSendReply(uint8_t reply) {
  char text[3] = {(char)reply, ',', 0};
  return boComSendf("%s%c,\r\n", text, (char)iDl101Checksum(text));
}

}  // namespace

int iDl101Checksum(const char* sText) {
  int sum = 0;
  for (const char* p = sStrNotNull(sText); *p; ++p) sum += (int8_t)(uint8_t)*p;
  return sum % 64 + 32;
}

bool boDl101CheckLine(char* sLine) {
  size_t len = strlen(sLine);
  if (len < 2) return false;
  int check = (uint8_t)sLine[len - 2];
  sLine[len - 2] = '\0';
  return iDl101Checksum(sLine) == check;
}

bool boDl101Receive(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Choose data for transfer.\nPress ENTER on PC before transfer is started.")))
    return false;
  if (!boBlkOpenPort(0)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak(0, 0);
  vMboShowWaitingForData();
  int block = 1, retries = 0;
  bool started = false;
  vBlkShowBlock("Receiving block no.: %d", block);
  char line[kReceiveSize];
  for (;;) {
    if (!boComReadLine(line, sizeof line)) return boBlkEndReadFailed();
    vMboWaitMs(10);
    if (!boDl101CheckLine(line)) {
      vMboShowStatusText(sStrFormat("retry %d", ++retries));
      if (!boSendReply(kNak)) return boBlkEnd(false);
      continue;
    }
    if (!boSendReply(kAck)) return boBlkEnd(false);
    if (line[0] == 'A') {
      started = true;
    } else if (line[0] == 'Z') {
      return boBlkEnd(true);
    } else if (started) {
      boMboWriteLineAsIs(g_mboTransfer.hRaw, line);
      vBlkShowBlock("Receiving block no.: %d", ++block);
    }
  }
}

bool boDl101ReadRaw(uint32_t hRaw, uint32_t hSide) {
  char code[kCodeMax + 1] = "";
  vSdrReadRecords(
      hRaw, hSide, kLineMax,
      [](void* context, const char* line) {
        char* code = (char*)context;
        switch (line[0]) {
          case 'a':
          case 'b':
          case 'c': {
            vMboLevFlush();
            vMboLevSetItem(MBO_LEV_SET_NO, "X");
            int n = line[0] == 'c' ? 21 : 6;
            char field[kFieldMax + 1];
            Fields(line, n + 1).sGet(n, field);
            sStrCopyN(code, field, kCodeMax + 1);
            return 1;
          }
          case 'g':
          case 'h':
            vSight(line, code, MBO_LEV_FIRST_NAME, MBO_LEV_FIRST_READING, MBO_LEV_FIRST_LENGTH);
            return 1;
          case 'i':
          case 'j':
            vSight(line, code, MBO_LEV_SECOND_NAME, MBO_LEV_SECOND_READING, MBO_LEV_SECOND_LENGTH);
            return 1;
          case 'k':
            vSight(line, code, MBO_LEV_THIRD_NAME, MBO_LEV_THIRD_READING, MBO_LEV_THIRD_LENGTH);
            return 1;
          case 't':
          case 'u':
          case 'v':
          case 'w':
            vMboLevFlush();
            return 0;
          default:
            return 0;
        }
      },
      code);
  return false;
}
