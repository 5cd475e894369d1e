// Pumatec file pairs: fixed-column observations ("PTO") and coordinates
// ("PTC") under one name. The raw file is one of the two; the reader opens
// its companion itself and reads the observations first.
#include "instruments/pumatec.h"

#include <cmath>
#include <cstring>
#include <string>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/text.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"

namespace {

const int kLineSize = 400;  // 399 characters of a line

// A line cut into column fields, its length found once.
struct Columns {
  const char* s;
  int len;
  explicit Columns(const char* line) : s(line), len((int)strlen(line)) {}
  // Columns from..to (1-based) with the blanks at both ends cut, into out
  // (kLineSize bytes); columns past the line's end are blank.
  const char* sCut(int from, int to, char* out) const {
    int b = from - 1, e = to < len ? to : len;
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    int n = e > b ? e - b : 0;
    memcpy(out, s + b, (size_t)n);
    out[n] = '\0';
    return out;
  }
};

void vSetIfGiven(int item, const char* text) {
  if (*text) vMboRecSetObsValue(item, text);
}

// Each file's lines are counted for the report of a cut line.
void vReadObservations(uint32_t h, uint32_t hSide) {
  char line[kLineSize], code[kLineSize], field[kLineSize];
  int lineNo = 0;
  while (boMboReadLineCounted(line, kLineSize, h, hSide, &lineNo)) {
    Columns c(line);
    c.sCut(1, 10, code);
    if (*c.sCut(17, 28, field)) {
      vMboRecSetStationName(field);
      if (*code) vMboRecSetCode(code);
      vSetIfGiven(MBO_OBS_ITEM_IH, c.sCut(71, 76, field));
      continue;
    }
    if (*code) vMboRecSetCode(code);
    if (*c.sCut(29, 40, field)) vMboRecSetPointName(field);
    vSetIfGiven(MBO_OBS_ITEM_HZ, c.sCut(41, 50, field));
    vSetIfGiven(MBO_OBS_ITEM_V, c.sCut(51, 60, field));
    vSetIfGiven(MBO_OBS_ITEM_DIST, c.sCut(61, 70, field));
    vSetIfGiven(MBO_OBS_ITEM_TH, c.sCut(71, 76, field));
    // After the distance: setting a distance clears the horizontal mark.
    if (iNumParseC(c.sCut(77, 78, field)) == 4) vMboRecSetObsValue(MBO_OBS_ITEM_HORDIST, "");
    vMboFlushPending();
  }
}

void vReadCoordinates(uint32_t h, uint32_t hSide) {
  char line[kLineSize], code[kLineSize], field[kLineSize], east[kLineSize], z[kLineSize];
  int lineNo = 0;
  while (boMboReadLineCounted(line, kLineSize, h, hSide, &lineNo)) {
    Columns c(line);
    if (*c.sCut(1, 10, code)) {
      vMboRecSetCode(code);
      if (*c.sCut(11, 16, field)) boMboApplyControlCode(91, code, field);
    }
    if (*c.sCut(17, 28, field)) vMboRecSetPointName(field);
    c.sCut(29, 40, field);
    c.sCut(41, 50, east);
    c.sCut(51, 60, z);
    if (*field) vMboRecSetCoord(MBO_REC_NORTH, field);
    if (*east) vMboRecSetCoord(MBO_REC_EAST, east);
    if (*z) vMboRecSetCoord(MBO_REC_Z, z);
    // The radius: the rest of the line from column 61, when 61..68 hold one.
    if (*c.sCut(61, 68, field) && boMboIsNumber(c.sCut(61, kLineSize, field))) {
      double v = dNumParseC(field);
      if (std::fabs(v) > 0.0001) {
        char arg[64];
        iNumPrintC(arg, sizeof arg, "%-f", (double)fNumSingleOr0C(-v));
        boMboApplyControlCode(54, arg, nullptr);
      }
    }
    vMboFlushPending();
  }
}

void vReport(uint32_t hSide, const std::string& text) {
  boMboWriteLine(hSide, text.c_str());
  vMsgWarning(text.c_str());
}

// The companion of the raw path: its extension in the raw extension's case
// pattern, then upper case, then lower case (file systems may tell case).
uint32_t hOpenCompanion(const std::string& raw, size_t dot, const char* upper, std::string* tried) {
  std::string base = raw.substr(0, dot + 1), ext = raw.substr(dot + 1), same, lower;
  for (size_t i = 0; i < 3; i++) {
    bool boLower = i < ext.size() && ext[i] >= 'a' && ext[i] <= 'z';
    same += boLower ? (char)(upper[i] - 'A' + 'a') : upper[i];
    lower += (char)(upper[i] - 'A' + 'a');
  }
  for (const std::string& e : {same, std::string(upper), lower}) {
    uint32_t h = hMboOpenFile((base + e).c_str(), 0);
    if (h) return h;
  }
  *tried = base + same;
  return 0;
}

}  // namespace

bool boPumatecReadRaw(uint32_t hRaw, uint32_t hSide) {
  vMboLineCommand(MBO_LINE_AUTO_OFF, nullptr, nullptr);
  std::string raw = g_mboTransfer.sRawPath;
  size_t dot = raw.find_last_of('.');
  size_t slash = raw.find_last_of("/\\");
  std::string ext = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? raw.substr(dot + 1) : "";
  bool boPtc = iStrCmpNoCase(ext.c_str(), "PTC") == 0, boPto = iStrCmpNoCase(ext.c_str(), "PTO") == 0;
  if (!boPtc && !boPto) {
    vReport(hSide, sStrFormat(sKvxPoGetText("Pumatec: %s is neither a PTO nor a PTC file; nothing read"), raw.c_str()));
    return false;
  }
  std::string tried;
  uint32_t hOther = hOpenCompanion(raw, dot, boPtc ? "PTO" : "PTC", &tried);
  if (!hOther) vReport(hSide, sStrFormat(sKvxPoGetText("Pumatec: the companion file %s was not found"), tried.c_str()));
  if (boPtc) {
    if (hOther) vReadObservations(hOther, hSide);
    vReadCoordinates(hRaw, hSide);
  } else {
    vReadObservations(hRaw, hSide);
    if (hOther) vReadCoordinates(hOther, hSide);
  }
  vMboCloseFile(&hOther);
  return false;
}
