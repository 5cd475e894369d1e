// Topcon FC1/2 (instrument 72): the coordinate writer and the record-stream
// reader. A record is an underscore, a type character and a value up to the
// next underscore.
#include <cmath>
#include <cstring>
#include <string>

#include "base/cnum.h"
#include "base/fieldcut.h"
#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/api.h"
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
#include "instruments/topcon.h"
#include "kvxlib.h"
#include "win32.h"

namespace {

const int kValueMax = 77;  // a value and its closing underscore take 78
const int kMaxRecords = 9999;
const int kNameWidth = 10;
const int kBlockText = 128;    // characters of text in a serial block
const size_t kHeaderMax = 40;  // the header block's text
const int kReceiveSize = 512;
const char kStx = 2;
const char kEtx = 3;
const char kEot = 4;

// The record stream over the raw file's lines (line ends are no part of it).
struct FcStream {
  uint32_t hRaw;
  char line[256 + 8];  // a line of 255 and room to copy it eight bytes a step
  char* p;
  bool atEnd;
  unsigned lineNo;
  char* end;  // the line's terminator
  uint32_t hSide;
  bool damaged;      // the line's text is cut where a record would start
  unsigned skipped;  // left-out lines the reader has passed
};

// False at the end of the stream; else p points at a character.
bool boFill(FcStream* s) {
  while (!s->atEnd && !*s->p) {
    // The reader passes a left-out line's place: whatever record runs on
    // over it has lost a part.
    if (s->damaged) {
      s->damaged = false;
      ++s->skipped;
    }
    unsigned notes;
    if (!boMboReadLineOn(s->line, (int)sizeof s->line - 8, s->hRaw, &notes)) {
      s->atEnd = true;
      break;
    }
    // A waiting message is dispatched every 64 lines: often enough for the
    // window, where one look per line cost more than the line's records.
    if (s->lineNo++ % 64 == 0) boMboPumpMessage();
    // A line with a NUL byte among its characters is told and left out
    // with the records that start in it. The record running into it ends
    // at the line's first underscore where one stands before the NUL.
    if (notes && boMboReportLine(s->hSide, notes, (int)s->lineNo)) {
      char* u = strchr(s->line, '_');
      if (u)
        u[1] = '\0';
      else
        s->line[0] = '\0';
      s->damaged = true;
    }
    s->p = s->line;
    s->end = s->line + strlen(s->line);
  }
  return !s->atEnd;
}

int iNextChar(FcStream* s) {
  if (!boFill(s)) return -1;
  return (unsigned char)*s->p++;
}

bool boDigits(const char* text, int n) {
  for (int i = 0; i < n; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// The n characters at t as a number: false unless all are digits.
bool boDigitsValue(const char* t, int n, double* out) {
  int64_t v = 0;
  for (int i = 0; i < n; ++i) {
    unsigned d = (unsigned char)t[i] - (unsigned)'0';
    if (d > 9) return false;
    v = v * 10 + d;
  }
  *out = (double)v;
  return true;
}

// An angle at an offset of the value (of len characters): a sign, then
// DDDMMSS. Its value is that of the text "%.5lf" of sign x (DDD + MM/100 +
// SS/10000) as printf writes it: that sum lies far within half a unit of
// the fifth decimal of DDD.MMSS0, so these are the text's digits, and the
// number they make, DDDMMSS / 10^4 rounded once, is the text's value.
// False when the value is too short there or holds other characters.
bool boAngle(const char* value, size_t len, size_t offset, double* out) {
  if (len < offset) return false;
  const char* t = value + offset;
  bool negative = false;
  if (*t == '+' || *t == '-') negative = *t++ == '-';
  double v;
  if (!boDigitsValue(t, 7, &v)) return false;
  v /= 1e4;
  *out = negative ? -v : v;
  return true;
}

// A distance is a sign and the digits up to the next other character, the
// last three of them decimals: instruments write 8 digits or 9. Its value
// is the digits' number / 10^3, rounded once as a parser rounds the text.
bool boDistance(const char* value, double* out) {
  const char* t = value;
  bool negative = false;
  if (*t == '+' || *t == '-') negative = *t++ == '-';
  int n = 0;
  while (t[n] >= '0' && t[n] <= '9') ++n;
  if (n < 8 || n > 9) return false;
  double v = 0;
  boDigitsValue(t, n, &v);
  v /= 1e3;
  *out = negative ? -v : v;
  return true;
}

// A coordinate: a sign or digit, then 9 digits, the last three decimals.
// A plus sign is left out of the text: the same number, which the record
// builder takes as a plain decimal without parsing and printing it.
bool boCoordinate(const char* value, size_t len, char* out) {
  bool sign = value[0] == '+' || value[0] == '-';
  if (len < 10 || !(sign || (value[0] >= '0' && value[0] <= '9')) || !boDigits(value + 1, 9)) return false;
  if (value[0] != '+') *out++ = value[0];
  memcpy(out, value + 1, 6);
  out[6] = '.';
  memcpy(out + 7, value + 7, 3);
  out[10] = '\0';
  return true;
}

struct FcReader {
  uint32_t hSide;
  char type;
  const char* value;
  size_t len;
};

void vBadField(const FcReader& r) { vMboReport(r.hSide, "WRONG NUMBER", sStrFormat("%c %s", r.type, r.value)); }

void vAngleItem(const FcReader& r, int item, size_t offset) {
  double angle;
  if (boAngle(r.value, r.len, offset, &angle))
    vMboRecSetObsNumber(item, angle);
  else
    vBadField(r);
}

// '?' and 'R': a distance, then after an 'm' the vertical and horizontal
// angles, 7 characters apart.
void vDistanceAndAngles(const FcReader& r, int distItem) {
  double dist;
  bool ok = boDistance(r.value, &dist);
  if (ok) vMboRecSetObsNumber(distItem, dist);
  const char* m = strchr(r.value, 'm');
  double v, hz;
  size_t rest = m ? r.len - (size_t)(m + 1 - r.value) : 0;
  if (m && boAngle(m + 1, rest, 0, &v) && boAngle(m + 1, rest, 7, &hz)) {
    vMboRecSetObsNumber(MBO_OBS_ITEM_V, v);
    vMboRecSetObsNumber(MBO_OBS_ITEM_HZ, hz);
  } else if (m) {
    ok = false;
  }
  if (!ok) vBadField(r);
}

void vCoordItem(const FcReader& r, int item) {
  char text[32];
  if (boCoordinate(r.value, r.len, text))
    vMboRecSetCoord(item, text);
  else
    vBadField(r);
}

// The characters from begin to end (of a value) as a text in out.
const char* sPart(const char* begin, const char* end, char* out) {
  memcpy(out, begin, (size_t)(end - begin));
  out[end - begin] = '\0';
  return out;
}

// Station and point names may carry job and area: [job#[area#]]name.
// Leading blanks and zeros are skipped; nothing is set for an empty name.
void vSetName(const char* value, bool station) {
  while (*value == ' ' || *value == '0') ++value;
  if (!*value) return;
  const char* name = value;
  if (const char* first = strchr(value, '#')) {
    const char* last = strrchr(value, '#');
    char part[kValueMax + 1];
    vMboSetJobName(sPart(value, first, part));
    vMboSetAreaName(first == last ? "" : sPart(first + 1, strchr(first + 1, '#'), part));
    name = last + 1;
  }
  if (station)
    vMboRecSetStationName(name);
  else
    vMboRecSetPointName(name);
}

// Code up to a '#'; a remark after "#-" goes to the side file under the
// current target's point number, or the pending point's when no
// observation is current.
void vCodeAndRemark(const FcReader& r) {
  const char* hash = strchr(r.value, '#');
  char code[kValueMax + 1];
  sPart(r.value, hash ? hash : r.value + r.len, code);
  if (code[0]) vMboRecSetCode(code);
  if (!hash || hash[1] != '-') return;
  std::string number = sMboRecTargetPointNo();
  if (number.empty()) number = sMboPidPointNo(g_mboRec.sPoint);
  boMboWriteLine(r.hSide, sStrFormat("%s : %s", number.c_str(), hash + 2));
}

void vSetIfGiven(int item, const char* value) {
  if (value[0]) vMboRecSetObsValue(item, value);
}

void vRecord(const FcReader& r) {
  const char* v = r.value;
  switch (r.type) {
    case '!':
      vMboReport(r.hSide, "JOB NUMBER", v);
      break;
    case '"':
      vMboReport(r.hSide, "OPERATOR", v);
      break;
    case '#':
      vMboReport(r.hSide, "INSTRUMENT NO:", v);
      break;
    case '$':
      vMboReport(r.hSide, "DATE", v);
      break;
    case '%':
      vMboFlushPending();
      vSetIfGiven(MBO_OBS_ITEM_TEMPERATURE, v);
      break;
    case '&':
      vMboFlushPending();
      vSetIfGiven(MBO_OBS_ITEM_PRESSURE, v);
      break;
    case '\'':
      vMboFlushPending();
      vSetName(v, true);
      break;
    case ')':
      vSetIfGiven(MBO_OBS_ITEM_IH, v);
      break;
    case '*':
      vCodeAndRemark(r);
      break;
    case '+':
    case 'w':
      // The values that follow belong to this name: the next record start
      // (or the end of the read) stores them.
      vMboFlushPending();
      vSetName(v, false);
      break;
    case ',':
      vSetIfGiven(MBO_OBS_ITEM_TH, v);
      break;
    case '9':
    case 'a':
      if (v[0]) vAngleItem(r, MBO_OBS_ITEM_HZ, 0);
      break;
    case ':':
    case 'b':
      if (v[0]) vAngleItem(r, MBO_OBS_ITEM_V, 0);
      break;
    case '<': {
      double vAngle, hz;
      if (boAngle(v, r.len, 0, &vAngle) && boAngle(v, r.len, 7, &hz)) {
        vMboRecSetObsNumber(MBO_OBS_ITEM_V, vAngle);
        vMboRecSetObsNumber(MBO_OBS_ITEM_HZ, hz);
      } else {
        vBadField(r);
      }
      break;
    }
    case '?':
      vDistanceAndAngles(r, MBO_OBS_ITEM_DIST);
      break;
    case 'R':
      vDistanceAndAngles(r, MBO_OBS_ITEM_HDIST);
      break;
    case 'I':
    case 'c':
      if (v[0]) {
        double dist;
        if (boDistance(v, &dist))
          vMboRecSetObsNumber(MBO_OBS_ITEM_DIST, dist);
        else
          vBadField(r);
      }
      break;
    case 'U':
      boMboWriteLine(r.hSide, sStrFormat("%s : %c %s", "X/Y/Z", r.type, v));
      break;
    case 'f':
      vCoordItem(r, MBO_REC_NORTH);
      break;
    case 'g':
      vCoordItem(r, MBO_REC_EAST);
      break;
    case 'h':
      vCoordItem(r, MBO_REC_Z);
      break;
    default:
      vMboReport(r.hSide, "UNKNOWN CODE", sStrFormat("%c %s", r.type, v));
  }
}

// "%+11.3f" as sign, the last six integer digits and three decimals.
bool boFcCoordinate(double value, char* out) {
  if (!std::isfinite(value)) return false;
  char text[400];
  iNumPrintC(text, sizeof text, "%+.3f", value);
  const char* point = strchr(text, '.');
  if (!point) return false;
  std::string digits(text + 1, (size_t)(point - text - 1));
  if (digits.size() > 6) digits = digits.substr(digits.size() - 6);
  snprintf(out, 16, "%c%06d%s", text[0], atoi(digits.c_str()), point + 1);
  return true;
}

// The XOR of the first n bytes.
int iXor(const char* text, int n) {
  uint8_t sum = 0;
  for (int i = 0; i < n; ++i) sum ^= (uint8_t)text[i];
  return sum;
}

bool boOpen(void) {
  if (!boBlkOpenPort(0)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak(6, 21);
  vComLineModeOff();
  vComSetAbortChar((uint8_t)kEot);
  return true;
}

}  // namespace

bool boTopconFcWriteRaw(uint32_t hRaw) {
  struct Writer {
    uint32_t hRaw;
    bool ok;
    long count;
  } w{hRaw, boMboWriteLine(hRaw, "0000"), 0};
  vSdrWritePoints(
      [](void* context, const SdrPoint& p) {
        Writer* w = (Writer*)context;
        char north[16], east[16];
        if (strlen(p.sNumber) > (size_t)kNameWidth || !boFcCoordinate(p.dY, north) || !boFcCoordinate(p.dX, east))
          return 0;
        if (w->count == kMaxRecords) {
          // The count field has four digits.
          vMsgWarning(sStrFormat(sKvxPoGetText("Only the first %d points are written."), kMaxRecords));
          return -1;
        }
        // The bytes the reader takes as code-page-865 letters as '?'.
        w->ok = boMboWriteLine865(w->hRaw, sStrFormat("_+%-10s_ x%s_ y%s", p.sNumber, north, east)) && w->ok;
        ++w->count;
        return 1;
      },
      &w);
  bool ok = w.ok;
  long count = w.count;
  ok = boMboFlushWrites(hRaw) && ok;
  LONG end = _llseek((HFILE)hRaw, 0, FILE_CURRENT);
  char countText[24];
  snprintf(countText, sizeof countText, "%4.4ld", count);
  _llseek((HFILE)hRaw, 0, FILE_BEGIN);
  ok = boMboWriteBytes(hRaw, countText, 4) && ok;
  _llseek((HFILE)hRaw, end, FILE_BEGIN);
  return ok && boMboWriteOk();
}

bool boTopconFcReadRaw(uint32_t hRaw, uint32_t hSide) {
  FcStream s{hRaw, "", nullptr, false, 0, nullptr, hSide, false, 0};
  s.p = s.line;
  int c;
  while ((c = iNextChar(&s)) >= 0 && c != '_') {
  }
  while (c == '_') {
    // A record that runs over a line left out has lost a part: it is not
    // delivered (the line's report stands for it).
    unsigned skippedBefore = s.skipped;
    do {
      c = iNextChar(&s);
      // An underscore after a line left out starts a whole record.
      if (c == '_') skippedBefore = s.skipped;
    } while (c == ' ' || c == '_');
    if (c < 0) break;
    char type = (char)c;
    // A record that starts in a left-out line goes with it.
    bool lost = s.damaged;
    // The value runs on over line ends up to the next underscore. A value
    // whole in one line is read where it lies (its underscore becomes its
    // terminator); one over line ends or after a grave accent is gathered.
    char value[kValueMax + 1 + 8];
    const char* text = value;
    size_t len = 0;
    c = -1;
    while (boFill(&s)) {
      // The line's piece of the value: up to an underscore, a grave accent
      // or the line's end.
      char* p = s.p;
      char* q = pFindEither(p, s.end, '_', '`');
      size_t n = (size_t)(q - p);
      if (len + n > (size_t)kValueMax) {
        memcpy(value + len, p, (size_t)kValueMax - len);
        value[20] = '\0';
        vMboReport(hSide, "ERROR! value too long", sStrFormat("%c %s", type, value));
        return false;
      }
      if (*q == '_' && !len) {
        *q = '\0';
        text = p;
        len = n;
        s.p = q + 1;
        c = '_';
        break;
      }
      // Eight bytes a step: short pieces, where a copy of any length costs
      // more. What is copied past the piece is overwritten or cut off.
      for (size_t i = 0; i < n; i += 8) memcpy(value + len + i, p + i, 8);
      len += n;
      s.p = q;
      if (*q == '`') {
        len = 0;
        ++s.p;
      } else if (*q == '_') {
        ++s.p;
        c = '_';
        break;
      }
    }
    if (text == value) value[len] = '\0';
    if (!lost && s.skipped == skippedBefore) vRecord(FcReader{hSide, type, text, len});
  }
  return false;
}

bool boTopconFcReceive(const char*) {
  if (!boBlkPrompt(sKvxPoGetText(
          "Press [FUNC][3] to start sending.\nChoose alternative 2. NOTE! with protcol.\nPres ENTER on PC.")))
    return false;
  if (!boOpen()) return false;
  if (!boBlkBeginReceive()) return false;
  int block = 2;
  char line[kReceiveSize];
  for (;;) {
    bool read = boBlkReadLine(line, sizeof line);
    // EOT ends the transfer, alone or at the start of a line.
    if (!read && boComAbortSeen()) return boBlkEnd(true);
    if (!read) return boBlkEndReadFailed();
    // Whatever came before the STX (the answer to the ENQ) is no part of
    // the block.
    const char* stx = strchr(line, kStx);
    const char* text = stx ? stx + 1 : line;
    if (!stx && line[0] == kEot) return boBlkEnd(true);
    size_t len = strlen(text);
    bool sumOk = len >= (size_t)kBlockText + 1 + 3 && boDigits(text + kBlockText + 1, 3) &&
                 iXor(text, kBlockText + 1) == atoi(std::string(text + kBlockText + 1, 3).c_str());
    if (!sumOk) vMsgInfo(sKvxPoGetText("Error in data"));
    std::string body(text, strcspn(text, "\x03"));
    if (body.size() > (size_t)kBlockText) body.resize(kBlockText);
    boMboWriteLineAsIs(g_mboTransfer.hRaw, sStrFormat("%*s\n", kBlockText, body.c_str()));
    vBlkShowBlock("Receiving block no.: %d", block++);
  }
}

bool boTopconFcSend(const char*) {
  if (!boOpen()) return false;
  if (!boBlkPrompt(sKvxPoGetText("Use [FUNC][4]\nChoose LOAD.\nSet speed as PC\nPress ENTER on PC")))
    return boBlkEnd(false);
  char count[82];
  if (!boMboReadLine(count, sizeof count, g_mboTransfer.hRaw)) {
    vMsgInfo("cannot read file");
    return boBlkEnd(false);
  }
  vMboShowStatusText("...");
  std::string header = std::string("KORVAX    +00001.000000500010-20") + count + "S";
  if (header.size() > kHeaderMax) header.resize(kHeaderMax);
  if (!boComSendf("F00F000\r\n") ||
      !boComSendf("%c%s%03d%c\r\n", kStx, header.c_str(), iXor(header.c_str(), (int)header.size()), kEtx))
    return boBlkEnd(false);
  vBlkShowBlock("Sending block no.: %d", 0);
  char line[256];
  int digit = 1;
  while (boMboReadLine(line, sizeof line, g_mboTransfer.hRaw)) {
    if (strlen(line) > (size_t)kBlockText) {
      // A block holds 128 characters: a longer line cannot be sent whole.
      vMsgWarning(sStrFormat("%s\n%s", sKvxPoGetText("Line too long for the fieldbook, send stopped:"), line));
      return boBlkEnd(false);
    }
    std::string text = sStrFormat("%-*s%d", kBlockText, line, digit);
    if (!boComSendf("%c%s%03d%c\r\n", kStx, text.c_str(), iXor(text.c_str(), (int)text.size()), kEtx))
      return boBlkEnd(false);
    vBlkShowBlock("Sending block no.: %d", digit == 9 ? 0 : digit + 1);
    digit = digit % 9 + 1;
  }
  return boBlkEnd(true);
}
