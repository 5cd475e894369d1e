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

// Columns from..to (1-based) with the blanks at both ends cut; columns past
// the line's end are blank.
std::string sPumatecCutField(const char* line, int from, int to) {
  char buf[kLineSize];
  sMboLineColumns(line, from - 1, to - from + 1, buf);
  return sMboTrimCopy(buf, to - from + 1);
}

void vSetIfGiven(int item, const std::string& text) {
  if (!text.empty()) vMboRecSetObsValue(item, text.c_str());
}

// Each file's lines are counted for the report of a cut line.
void vReadObservations(uint32_t h, uint32_t hSide) {
  char line[kLineSize];
  int lineNo = 0;
  while (boMboReadLineCounted(line, kLineSize, h, hSide, &lineNo)) {
    std::string code = sPumatecCutField(line, 1, 10);
    std::string station = sPumatecCutField(line, 17, 28);
    if (!station.empty()) {
      vMboRecSetStationName(station.c_str());
      if (!code.empty()) vMboRecSetCode(code.c_str());
      vSetIfGiven(MBO_OBS_ITEM_IH, sPumatecCutField(line, 71, 76));
      continue;
    }
    if (!code.empty()) vMboRecSetCode(code.c_str());
    std::string target = sPumatecCutField(line, 29, 40);
    if (!target.empty()) vMboRecSetPointName(target.c_str());
    vSetIfGiven(MBO_OBS_ITEM_HZ, sPumatecCutField(line, 41, 50));
    vSetIfGiven(MBO_OBS_ITEM_V, sPumatecCutField(line, 51, 60));
    vSetIfGiven(MBO_OBS_ITEM_DIST, sPumatecCutField(line, 61, 70));
    vSetIfGiven(MBO_OBS_ITEM_TH, sPumatecCutField(line, 71, 76));
    // After the distance: setting a distance clears the horizontal mark.
    if (iNumParseC(sPumatecCutField(line, 77, 78).c_str()) == 4) vMboRecSetObsValue(MBO_OBS_ITEM_HORDIST, "");
    vMboFlushPending();
  }
}

void vReadCoordinates(uint32_t h, uint32_t hSide) {
  char line[kLineSize];
  int lineNo = 0;
  while (boMboReadLineCounted(line, kLineSize, h, hSide, &lineNo)) {
    std::string code = sPumatecCutField(line, 1, 10);
    if (!code.empty()) {
      vMboRecSetCode(code.c_str());
      std::string param = sPumatecCutField(line, 11, 16);
      if (!param.empty()) boMboApplyControlCode(91, code.c_str(), param.c_str());
    }
    std::string name = sPumatecCutField(line, 17, 28);
    if (!name.empty()) vMboRecSetPointName(name.c_str());
    std::string north = sPumatecCutField(line, 29, 40), east = sPumatecCutField(line, 41, 50),
                z = sPumatecCutField(line, 51, 60);
    if (!north.empty()) vMboRecSetCoord(MBO_REC_NORTH, north.c_str());
    if (!east.empty()) vMboRecSetCoord(MBO_REC_EAST, east.c_str());
    if (!z.empty()) vMboRecSetCoord(MBO_REC_Z, z.c_str());
    std::string tail = strlen(line) > 60 ? sMboTrimCopy(line + 60, kLineSize) : "";
    if (!sPumatecCutField(line, 61, 68).empty() && boMboIsNumber(tail.c_str())) {
      double v = dNumParseC(tail.c_str());
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
