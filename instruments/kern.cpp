// Kern AC: the coordinate writer, the line reader and the serial transfer.
#include "instruments/kern.h"

#include <cmath>
#include <cstring>
#include <string>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/api.h"
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

const int kLineMax = 253;      // characters of a raw line the reader takes
const int kReceiveSize = 512;  // a received line
const int kNumberWidth = 8;    // columns 4-11
const int kNumberMax = 10;     // columns 2-11: column 1 holds the line type
const char kEndText[] = "        EOF";

// The text "%.6lf" of a plain decimal [sign]digits[.digits] of up to 12
// digits, with at most 6 behind its point, read back gives the same double
// as the text itself: the text passes as it stands. Without a point it
// counts in units of 1/10000: the point is put in 4 digits from the end,
// which gives the same double as "%.6lf" of the number divided. False for
// any other text.
bool boScaledAsIs(const char* text, char* out, int size) {
  const char* p = text;
  if (*p == '+' || *p == '-') p++;
  int digits = 0, behind = -1;  // behind: digits after the point, -1: no point
  for (; *p; p++) {
    if (*p >= '0' && *p <= '9') {
      digits++;
      if (behind >= 0) behind++;
    } else if (*p == '.' && behind < 0) {
      behind = 0;
    } else {
      return false;
    }
  }
  if (digits == 0 || digits > 12 || behind > 6 || (int)(p - text) + 4 > size) return false;
  if (behind >= 0) {
    memcpy(out, text, (size_t)(p - text) + 1);
    return true;
  }
  // sign, whole digits (at least "0"), point, four digits (zeros in front)
  const char* first = text + (*text == '+' || *text == '-');
  char* o = out;
  if (first != text) *o++ = *text;
  int whole = digits - 4;
  if (whole > 0) {
    memcpy(o, first, (size_t)whole);
    o += whole;
  } else {
    *o++ = '0';
  }
  *o++ = '.';
  for (int i = whole; i < 0; i++) *o++ = '0';
  for (const char* d = first + (whole > 0 ? whole : 0); *d; d++) *o++ = *d;
  *o = '\0';
  return true;
}

// An angle or distance field: a number without a decimal point counts in
// units of 1/10000. A text that is no number passes unchanged, so the
// record builder ignores it instead of taking a zero.
void vSetScaled(int item, const char* text) {
  if (!text[0]) return;
  if (!boMboIsNumber(text)) {
    vMboRecSetObsValue(item, text);
    return;
  }
  char out[64];
  if (!boScaledAsIs(text, out, sizeof out)) {
    double value = dNumParseC(text);
    if (!strchr(text, '.')) value /= 10000;
    iNumPrintC(out, sizeof out, "%.6lf", value);
  }
  vMboRecSetObsValue(item, out);
}

void vReadHeader(const char* line, uint32_t hSide) {
  vMboReport(hSide, "OPERATOR", sMboColumns(line, 3, 26));
  vMboReport(hSide, "DATE", sMboColumns(line, 28, 35));
  vMboReport(hSide, "INSTRUMENT NO:", sMboColumns(line, 37, 42));
  vKernReportComment(hSide, strlen(line) > 43 ? line + 43 : "", "", nullptr);
}

void vReadStation(const char* line, uint32_t hSide) {
  char name[32];
  sStrCopyN(name, sMboColumns(line, 3, 24), sizeof name);
  vKernReportComment(hSide, strlen(line) > 41 ? line + 41 : "", "Station", name);
  vMboRecSetStationName(name);
  vMboRecSetObsValue(MBO_OBS_ITEM_IH, sMboColumns(line, 26, 31));
  vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, sMboColumns(line, 33, 35));
  vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, sMboColumns(line, 37, 40));
}

void vReadPoint(const char* line, uint32_t hSide) {
  char name[32];
  sStrCopyN(name, sMboColumns(line, 3, 24), sizeof name);
  vKernReportComment(hSide, sMboColumns(line, 58, 78), "Point", name);
  vMboRecSetPointName(name);
  vMboRecSetCode(sMboColumns(line, 49, 56));
  vMboRecSetObsValue(MBO_OBS_ITEM_TH, sMboColumns(line, 80, 85));
  vSetScaled(MBO_OBS_ITEM_HZ, sMboColumns(line, 101, 108));
  vSetScaled(MBO_OBS_ITEM_V, sMboColumns(line, 110, 117));
  vSetScaled(MBO_OBS_ITEM_DIST, sMboColumns(line, 119, 126));
  vMboFlushPending();
}

bool boOpen(void) {
  if (!boBlkOpenPort(0)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak(6, 21);
  vComLineModeOff();
  return true;
}

// A byte the instrument sends while the module waits for its ENQ: printable
// as itself, a control byte as its decimal value.
const char* sByteText(uint8_t c) {
  if (c >= 32 && c != 127) return sStrFormat("%c", (char)c);
  return sStrFormat("%d", (int)c);
}

}  // namespace

void vKernReportComment(uint32_t hSide, const char* sText, const char* sTitle, const char* sValue) {
  const char* p = sStrNotNull(sText);
  while (*p == ' ') ++p;
  if (!*p) return;
  if (sValue) vMboReport(hSide, sTitle, sValue);
  const char* title = "Comment";
  while (*p) {
    const char* end = p;
    while (*end && *end != ' ') ++end;
    std::string word(p, (size_t)(end - p));
    vMboReport(hSide, title, word.c_str());
    title = "      ";
    p = end;
    while (*p == ' ') ++p;
  }
}

namespace {

// Two blanks and a value as "%<width>.3lf" prints it, at *pOut (40 bytes of
// room after the blanks); false when it is not finite or wider.
bool boPutCoordinate(char** pOut, int iWidth, double dValue) {
  if (!std::isfinite(dValue)) return false;
  char* o = *pOut;
  memcpy(o, "  ", 2);
  int n = iNumPrintFixedWidthC(o + 2, 40, dValue, iWidth, 3);
  if (n < 0 || n > iWidth) return false;
  *pOut = o + 2 + n;
  return true;
}

}  // namespace

bool boKernWriteRaw(uint32_t hRaw) {
  struct Writer {
    uint32_t hRaw;
    int cut;
    char cutNames[120];
  } w{hRaw, 0, ""};
  vSdrWritePoints(
      [](void* context, const SdrPoint& p) {
        Writer* w = (Writer*)context;
        // The number ends in column 11; the coordinates follow, each after
        // two blanks: east and north "%11.3lf", the height "%8.3lf".
        // The line is put together where it is written.
        char local[kNumberMax + 1 + 2 * 13 + 2 + 40];
        char* line = pMboWriteBegin(w->hRaw, sizeof local, local);
        char* o = line + kNumberMax + 1;
        if (!boPutCoordinate(&o, 11, p.dX) || !boPutCoordinate(&o, 11, p.dY) ||
            (p.boHasZ && !boPutCoordinate(&o, 8, p.dZ)))
          return 0;
        // A number longer than its field takes the blank columns before it,
        // but never column 1: that would make the line a record of another
        // type.
        size_t len = p.uNumberLen;
        if (len > (size_t)kNumberMax) {
          len = kNumberMax;
          if (w->cut++ < 5) {
            if (w->cutNames[0]) sStrCatN(w->cutNames, " ", sizeof w->cutNames);
            sStrCatN(w->cutNames, p.sNumber, sizeof w->cutNames);
          }
        }
        // Only the number can hold control bytes: blanked as the line
        // writer would, and the bytes the instrument's files are read back
        // with as code-page-865 letters as '?'; the line goes out as it
        // stands.
        char* n = line + kNumberMax + 1 - len;
        memcpy(line, "           ", kNumberMax + 1);  // a copy of fixed length, the number over its tail
        for (size_t i = 0; i < len; ++i) n[i] = cMboLineByte865(p.sNumber[i]);
        memcpy(o, "\r\n", 2);
        boMboWriteEnd(w->hRaw, line, (uint32_t)(o + 2 - line));
        return 1;
      },
      &w);
  if (w.cut)
    vMsgWarning(sStrFormat("%s %d\n%s%s", sKvxPoGetText("Point numbers cut to 10 characters:"), w.cut, w.cutNames,
                           w.cut > 5 ? " ..." : ""));
  return boMboWriteOk();
}

bool boKernReadRaw(uint32_t hRaw, uint32_t hSide) {
  vSdrReadRecords(
      hRaw, hSide, kLineMax,
      [](void* side, const char* line) {
        uint32_t hSide = *(uint32_t*)side;
        if (strlen(line) < 2) return 1;
        switch (line[0]) {
          case '1':
            vReadHeader(line, hSide);
            return 1;
          case '2':
            vReadStation(line, hSide);
            return 1;
          case '3':
          case '5':
            vReadPoint(line, hSide);
            return 1;
          default:
            return 0;
        }
      },
      &hSide);
  return false;
}

bool boKernReceive(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Choose D)efine and set H0D0L130\nPress ENTER on PC, then G)o on fieldbook.")))
    return false;
  if (!boOpen()) return false;
  vMboShowStatusText(sKvxPoGetText("waiting"));
  if (!boBlkBeginReceive()) return false;
  int block = 2;
  char line[kReceiveSize];
  for (;;) {
    if (!boBlkReadLine(line, sizeof line)) return boBlkEndReadFailed();
    if (strncmp(line, "EOF", 3) == 0 || strncmp(line, kEndText, strlen(kEndText)) == 0) return boBlkEnd(true);
    boMboWriteLineAsIs(g_mboTransfer.hRaw, line);
    vBlkShowBlock("Receiving block no.: %d", block++);
  }
}

bool boKernSend(const char*) {
  if (!boOpen()) return false;
  if (!boBlkPrompt(
          sKvxPoGetText("Choose A)A and T for data transfer\nChoose A for COMP --> AC\nWhen fieldbook is ready "
                        "to receive, press ENTER on PC")))
    return boBlkEnd(false);
  vMboShowStatusText(sKvxPoGetText("waiting"));
  for (;;) {
    uint8_t c = 0;
    if (!boComReadByte(&c)) {
      vMboShowStatusText("");
      vMsgInfo(sKvxPoGetText("No response"));
      return boBlkEnd(false);
    }
    vMboShowStatusText(sByteText(c));
    if (c == 0x05) break;
  }
  return boBlkEnd(boBlkSendFile(g_mboTransfer.hRaw, kEndText));
}
