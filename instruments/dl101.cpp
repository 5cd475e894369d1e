// Topcon DL101/102: the checksummed line receiver and the levelling reader.
#include "instruments/dl101.h"

#include <cstring>
#include <string>

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

// Field n (from 0) of a comma-separated line, at most 39 characters; "" when
// the line has fewer fields.
std::string sField(const char* line, int n) {
  const char* p = line;
  for (int i = 0; i < n; ++i) {
    p = strchr(p, ',');
    if (!p) return "";
    ++p;
  }
  size_t len = strcspn(p, ",");
  return std::string(p, len < (size_t)kFieldMax ? len : (size_t)kFieldMax);
}

// A reading or length in the unit of the line's unit digit. A text that is
// no number passes unchanged, so the levelling record ignores it.
std::string sScaled(const std::string& text, char unit, bool length) {
  if (!boMboIsNumber(text.c_str())) return text;
  const double kFoot = 0.3048;
  double reading = 1, sight = 1;
  switch (unit) {
    case '1':
      reading = 0.001, sight = 0.01;
      break;
    case '2':
    case '7':
      reading = 0.0001, sight = 0.01;
      break;
    case '3':
    case '8':
      reading = 0.00001, sight = 0.001;
      break;
    case '4':
      reading = 0.01 * kFoot, sight = 0.02 * kFoot;
      break;
    case '5':
    case '9':
      reading = 0.001 * kFoot, sight = 0.02 * kFoot;
      break;
    case '6':
    case 'A':
      reading = 0.0001 * kFoot, sight = 0.02 * kFoot;
      break;
  }
  char out[64];
  iNumPrintC(out, sizeof out, length ? "%.4lf" : "%.6lf", dNumParseC(text.c_str()) * (length ? sight : reading));
  return out;
}

void vSight(const char* line, const std::string& code, int nameItem, int readingItem, int lengthItem) {
  std::string type = sField(line, 1);
  char unit = type.size() > 1 ? type[1] : '\0';
  vMboLevSetItem(nameItem, sField(line, 7).c_str());
  vMboLevSetItem(readingItem, sScaled(sField(line, 2), unit, false).c_str());
  vMboLevSetItem(lengthItem, sScaled(sField(line, 3), unit, true).c_str());
  vMboLevSetItem(MBO_LEV_CODE, code.c_str());
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
  std::string code;
  vSdrReadRecords(
      hRaw, hSide, kLineMax,
      [](void* context, const char* line) {
        std::string& code = *(std::string*)context;
        switch (line[0]) {
          case 'a':
          case 'b':
          case 'c':
            vMboLevFlush();
            vMboLevSetItem(MBO_LEV_SET_NO, "X");
            code = sField(line, line[0] == 'c' ? 21 : 6).substr(0, kCodeMax);
            return 1;
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
      &code);
  return false;
}
