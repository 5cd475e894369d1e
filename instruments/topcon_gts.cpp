// Topcon GTS-800 text files (instrument 73): the coordinate writer, the
// keyword-line reader and the serial transfer.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/settings.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "instruments/topcon.h"
#include "kvxlib.h"
#include "win32.h"

namespace {

const int kLineMax = 98;  // characters of a line; the rest is cut
const int kStoreText = 80;
const char kEot = 4;

// One line split into its keyword and its values (commas or TABs between
// them, blanks cut).
struct GtsLine {
  std::string keyword;
  std::string rest;
  std::vector<std::string> values;
  const char* Value(size_t i) const { return i < values.size() ? values[i].c_str() : ""; }
};

// The values of a line after its keyword: each taken whole from the line,
// blanks cut, without a copy per character.
void vSplitValues(const char* p, std::vector<std::string>* values) {
  for (;;) {
    const char* end = p;
    while (*end && *end != ',' && *end != '\t') ++end;
    const char* first = p;
    const char* last = end;
    while (first < last && *first == ' ') ++first;
    while (last > first && last[-1] == ' ') --last;
    values->emplace_back(first, (size_t)(last - first));
    if (!*end) break;
    p = end + 1;
  }
}

GtsLine Split(const char* line) {
  GtsLine out;
  const char* p = line;
  while (*p && (unsigned char)*p >= 33) ++p;
  out.keyword.assign(line, (size_t)(p - line));
  if (*p) ++p;
  out.rest = p;
  out.values.reserve(8);
  vSplitValues(p, &out.values);
  return out;
}

// The reader's state: the angle unit, a line read ahead and given back,
// and the resection observations waiting for their station.
struct GtsReader {
  uint32_t hRaw;
  uint32_t hSide;
  bool degrees;
  int lineNo;
  bool haveBack;
  char back[kLineMax + 1];
  std::vector<std::pair<std::string, std::string>> resections;
};

bool boNextLine(GtsReader* r, char* line) {
  if (r->haveBack) {
    r->haveBack = false;
    memcpy(line, r->back, sizeof r->back);
    return true;
  }
  bool cut = false;
  if (!boMboReadLineBytes(line, kLineMax + 1, r->hRaw, &cut)) return false;
  ++r->lineNo;
  boMboPumpMessage();
  if (cut) vMboReport(r->hSide, "LINE TOO LONG, CUT", sStrFormat("%d", r->lineNo));
  return true;
}

void vGiveBack(GtsReader* r, const char* line) {
  sStrCopyN(r->back, line, sizeof r->back);
  r->haveBack = true;
}

// An angle in the unit in force: degrees become gon; a text that is no
// number passes unchanged, so the record builder ignores it.
void vSetAngle(const GtsReader* r, int item, const char* text) {
  if (!r->degrees || !boMboIsNumber(text)) {
    vMboRecSetObsValue(item, text);
    return;
  }
  char out[64];
  iNumPrintC(out, sizeof out, "%.6lf", dNumParseC(text) * 1.1111111111111112);
  vMboRecSetObsValue(item, out);
}

void vSetCoordinates(const GtsLine& l, size_t first) {
  vMboRecSetCoord(MBO_REC_EAST, l.Value(first));
  vMboRecSetCoord(MBO_REC_NORTH, l.Value(first + 1));
  vMboRecSetCoord(MBO_REC_Z, l.Value(first + 2));
}

void vDeliverResections(GtsReader* r) {
  for (const auto& res : r->resections) {
    GtsLine target = Split(("RES_OBS " + res.first).c_str());
    GtsLine angles = Split(("SD " + res.second).c_str());
    vMboRecSetPointName(target.Value(0));
    vMboRecSetObsValue(MBO_OBS_ITEM_TH, target.Value(1));
    vSetAngle(r, MBO_OBS_ITEM_HZ, angles.Value(0));
    vSetAngle(r, MBO_OBS_ITEM_V, angles.Value(1));
    vMboRecSetObsValue(MBO_OBS_ITEM_DIST, angles.Value(2));
    vMboFlushPending();
  }
  r->resections.clear();
}

// A line of an unknown keyword with a comma and east, north and Z numbers
// (Z may be empty: the writer leaves it so for a point without height).
bool boCoordinateLine(const char* line) {
  const char* comma = strchr(line, ',');
  if (!comma) return false;
  GtsLine l;
  vSplitValues(comma + 1, &l.values);
  if (l.values.size() < 3 || !boMboIsNumber(l.Value(0)) || !boMboIsNumber(l.Value(1))) return false;
  if (l.Value(2)[0] && !boMboIsNumber(l.Value(2))) return false;
  // What is pending belongs to the record before: renaming it would move
  // its observation to this point.
  vMboFlushPending();
  std::string name(line, (size_t)(comma - line));
  vMboRecSetPointName(sMboTrimCopy(name.c_str(), (int)name.size()));
  vSetCoordinates(l, 0);
  vMboRecSetCode(l.Value(3));
  vMboFlushPending();
  return true;
}

bool boIsReportKeyword(const std::string& k) {
  static const char* const kReport[] = {"JOB", "DATE",   "NAME",    "INST", "SCALE", "CTL",
                                        "HD",  "OFFSET", "PTL_OFF", "NOTE", "MLM"};
  for (const char* r : kReport)
    if (k == r) return true;
  return false;
}

void vHandle(GtsReader* r, const char* line);

void vStation(GtsReader* r, const GtsLine& l) {
  vMboFlushPending();
  vMboRecSetStationName(l.Value(0));
  vMboRecSetObsValue(MBO_OBS_ITEM_IH, l.Value(1));
  vMboRecSetCode(l.Value(2));
  char next[kLineMax + 1];
  bool haveNext = boNextLine(r, next);
  if (haveNext) {
    GtsLine n = Split(next);
    if (n.keyword == "XYZ") {
      vSetCoordinates(n, 0);
      vMboFlushPending();
      haveNext = false;
    }
  }
  vDeliverResections(r);
  if (haveNext) vHandle(r, next);
}

void vHandle(GtsReader* r, const char* line) {
  GtsLine l = Split(line);
  const std::string& k = l.keyword;
  if (k == "ATMOS") {
    vMboFlushPending();
    vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, l.Value(0));
    vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, l.Value(1));
  } else if (k == "STN") {
    vStation(r, l);
  } else if (k == "BKB") {
    vMboFlushPending();
    vMboRecSetPointName(l.Value(0));
    vSetAngle(r, MBO_OBS_ITEM_HZ, l.Value(2));
    char next[kLineMax + 1];
    if (boNextLine(r, next)) {
      GtsLine n = Split(next);
      if (n.keyword == "XYZ") {
        vMboRecSetPointName(l.Value(0));
        vSetCoordinates(n, 0);
        vMboFlushPending();
      } else {
        vHandle(r, next);
      }
    }
  } else if (k == "BS" || k == "FS" || k == "SS") {
    vMboFlushPending();
    vMboRecSetPointName(l.Value(0));
    vMboRecSetObsValue(MBO_OBS_ITEM_TH, l.Value(1));
    if (k != "BS") vMboRecSetCode(l.Value(2));
  } else if (k == "HV" || k == "SD") {
    vSetAngle(r, MBO_OBS_ITEM_HZ, l.Value(0));
    vSetAngle(r, MBO_OBS_ITEM_V, l.Value(1));
    if (k == "SD") vMboRecSetObsValue(MBO_OBS_ITEM_DIST, l.Value(2));
  } else if (k == "RES_OBS") {
    char next[kLineMax + 1];
    if (boNextLine(r, next)) {
      GtsLine n = Split(next);
      if (n.keyword == "SD" || n.keyword == "HV")
        r->resections.emplace_back(l.rest.substr(0, kStoreText), n.rest.substr(0, kStoreText));
      else
        vGiveBack(r, next);
    }
  } else if (k == "UNITS") {
    vMboFlushPending();
    r->degrees = l.Value(1)[0] == 'D';
  } else if (boIsReportKeyword(k)) {
    boMboWriteLine(r->hSide, sStrFormat("%s %s", k.c_str(), l.rest.c_str()));
  } else {
    boCoordinateLine(line);
    boMboWriteLine(r->hSide, line);
  }
}

bool boOpen(void) {
  if (!boBlkOpenPort(1)) return false;
  vComSetLineChars('\r', '\n');
  vComSetAckNak(0, 0);
  vComSetAbortChar((uint8_t)kEot);
  return true;
}

}  // namespace

bool boGts800WriteRaw(uint32_t hRaw) {
  const MboSettings& set = g_mboTransfer.settings;
  PoPoints* points = g_pMboPoints;
  bool ok = true;
  std::string line;
  // "%.3lf" texts through the printf-identical printer, without printf's cost.
  char num[400];
  auto put = [&](double v) {
    line.append(num, (size_t)std::max(0, std::min(iNumPrintFixedC(num, sizeof num, v, 3), (int)sizeof num - 1)));
  };
  for (PoPoint* p = PoPointsGetFirst(points); p; p = PoPointsGetNext(points, p)) {
    double x = 0, y = 0, z = 0;
    if (!boMboGetPointXY(p, &x, &y)) continue;
    line = sMboGetPointNo(p);
    line += ',';
    put(x - set.iNO);
    line += ',';
    put(y - set.iEO);
    line += ',';
    if (boMboGetPointZ(p, &z)) put(z);
    const char* code = sMboPointGetField(p);
    if (code && code[0]) {
      line += ',';
      line += code;
    }
    ok = boMboWriteLine(hRaw, line.c_str()) && ok;
  }
  return ok && boMboWriteOk();
}

bool boGts800ReadRaw(uint32_t hRaw, uint32_t hSide) {
  GtsReader r{hRaw, hSide, false, 0, false, {}, {}};
  char line[kLineMax + 1];
  while (boNextLine(&r, line)) vHandle(&r, line);
  vMboFlushPending();
  return false;
}

bool boGts800Receive(const char*) {
  if (!boBlkPrompt(sKvxPoGetText("Choose data for transfer.\nPress ENTER on PC before transfer is started.")))
    return false;
  if (!boOpen()) return false;
  vMboShowWaitingForData();
  return boBlkEnd(boBlkReceiveFileToSilence(g_mboTransfer.hRaw));
}

bool boGts800Send(const char*) {
  if (!boOpen()) return false;
  if (!boBlkPrompt(sKvxPoGetText("Make fieldbook ready to receive\nand press ENTER on PC."))) return boBlkEnd(false);
  vMboShowWaitingForData();
  return boBlkEnd(boBlkSendFile(g_mboTransfer.hRaw, "\x04"));
}
