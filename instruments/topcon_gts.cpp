// Topcon GTS-800 text files (instrument 73): the coordinate writer, the
// keyword-line reader and the serial transfer.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/fieldcut.h"
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
#include "instruments/gsi.h"
#include "instruments/topcon.h"
#include "kv2cosys.h"
#include "kvxlib.h"
#include "win32.h"

namespace {

const int kLineMax = 98;       // characters of a line; the rest is cut
const size_t kKeywordMax = 7;  // the longest keyword the reader knows
const int kStoreText = 80;
const char kEot = 4;

// The keywords the reader knows; kReport: a line copied to the side file.
enum GtsKeyword { kOther, kAtmos, kStn, kBkb, kBs, kFs, kSs, kHv, kSd, kResObs, kUnits, kXyz, kReport };

// The name is the len characters of k (a keyword's characters are no
// terminator, so a shorter name differs before its end).
bool boSameKeyword(const char* name, const char* k, size_t len) {
  for (size_t i = 0; i < len; ++i)
    if (name[i] != k[i]) return false;
  return name[len] == '\0';
}

GtsKeyword eKeyword(const char* k, size_t len) {
  static const struct {
    const char* sName;
    GtsKeyword eKey;
  } kKeywords[] = {{"ATMOS", kAtmos},  {"STN", kStn},    {"BKB", kBkb},     {"BS", kBs},          {"FS", kFs},
                   {"SS", kSs},        {"HV", kHv},      {"SD", kSd},       {"RES_OBS", kResObs}, {"UNITS", kUnits},
                   {"XYZ", kXyz},      {"JOB", kReport}, {"DATE", kReport}, {"NAME", kReport},    {"INST", kReport},
                   {"SCALE", kReport}, {"CTL", kReport}, {"HD", kReport},   {"OFFSET", kReport},  {"PTL_OFF", kReport},
                   {"NOTE", kReport},  {"MLM", kReport}};
  for (const auto& e : kKeywords)
    if (boSameKeyword(e.sName, k, len)) return e.eKey;
  return kOther;
}

// One line split into its keyword and its values (commas or TABs between
// them, blanks cut), each a text of its own in a copy of the line; keyLen
// and rest point into the line split.
struct GtsLine {
  char buf[kLineMax + 2];
  size_t keyLen;
  GtsKeyword key;
  const char* rest;
  int count;
  const char* values[kLineMax + 2];
  const char* Value(int i) const { return i < count ? values[i] : ""; }
};

// The values of the text p into out (room for the text and its
// terminator): each cut at its comma or TAB, blanks cut at both ends. The
// text is copied once and cut where it lies.
void vSplitValues(const char* p, char* out, GtsLine* l) {
  size_t n = strlen(p);
  memcpy(out, p, n + 1);
  l->count = 0;
  for (char* f = out;;) {
    while (*f == ' ') ++f;
    char* end = pFindEither(f, out + n, ',', '\t');
    char stop = *end;
    char* last = end;  // behind the last character that is no blank
    while (last > f && last[-1] == ' ') --last;
    *last = '\0';
    l->values[l->count++] = f;
    if (!stop) break;
    f = end + 1;
  }
}

// The keyword ends at the first character below 33; one such character
// after it is no part of the values. Only the keywords that take values
// have them split: report, resection and coordinate lines are taken whole.
void vSplit(const char* line, GtsLine* l) {
  const char* p = line;
  l->count = 0;
  while ((unsigned char)*p >= 33) {
    if (++p - line > (ptrdiff_t)kKeywordMax) {
      // No keyword the reader knows: a line taken whole.
      l->keyLen = 0;
      l->key = kOther;
      l->rest = "";
      return;
    }
  }
  size_t k = (size_t)(p - line);
  l->keyLen = k;
  l->key = eKeyword(line, k);
  if (*p) ++p;
  l->rest = p;
  if (l->key != kOther && l->key != kReport && l->key != kResObs) vSplitValues(p, l->buf, l);
}

// The text and then tail as one side-file line (the read gathers the side
// file's bytes, so a line costs no file call).
void vSideLine(uint32_t hSide, const char* text, const char* tail = "") {
  if (!hSide) return;
  size_t n = strlen(text);
  if (!*tail) {
    boMboWriteLineN(hSide, text, n);
    return;
  }
  std::string whole = std::string(text, n) + tail;
  boMboWriteLineN(hSide, whole.data(), whole.size());
}

// A resection observation: the values of its "RES_OBS" line and of the "SD"
// or "HV" line after it, whose number reports a wrong angle.
struct GtsResection {
  std::string target, angles;
  int lineNo;
};

// The reader's state: the angle unit, a line read ahead and given back,
// and the resection observations waiting for their station.
struct GtsReader {
  uint32_t hRaw;
  uint32_t hSide;
  bool degrees;
  int lineNo;
  bool haveBack;
  char back[kLineMax + 1];
  std::vector<GtsResection> resections;
};

bool boNextLine(GtsReader* r, char* line) {
  if (r->haveBack) {
    r->haveBack = false;
    memcpy(line, r->back, sizeof r->back);
    return true;
  }
  // A damaged line is reported and skipped: the next one is read in its
  // place.
  unsigned notes = 0;
  do {
    if (r->lineNo == 0) {
      // A byte-order mark before the first line is no part of it: the line
      // is read with room for the mark and cut after it.
      char first[kLineMax + 4];
      if (!boMboReadLineBytes(first, sizeof first, r->hRaw, &notes)) return false;
      const char* p = first;
      if (strncmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
      if (strlen(p) > (size_t)kLineMax) notes |= MBO_READ_CUT;
      sStrCopyN(line, p, kLineMax + 1);
    } else if (!boMboReadLineBytes(line, kLineMax + 1, r->hRaw, &notes)) {
      return false;
    }
    // A waiting message is dispatched every 64 lines: often enough for the
    // window, where one look per line cost more than the line's work.
    if (++r->lineNo % 64 == 1) boMboPumpMessage();
  } while (boMboReportLine(r->hSide, notes, r->lineNo));
  return true;
}

void vGiveBack(GtsReader* r, const char* line) {
  sStrCopyN(r->back, line, sizeof r->back);
  r->haveBack = true;
}

// A value under the degree unit as the field files write it, d.mmss: the
// whole part degrees, the first two decimals minutes, the rest seconds and
// their decimals (a shorter fraction padded with zeros on the right). The
// sign applies to the whole; what follows the digits is ignored, as the
// number parser ignores it. False when the minutes or seconds are 60 or more.
bool boDmsToGon(const char* text, double* gon) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  double degrees = 0;
  for (; digit(*p); ++p) degrees = degrees * 10 + (*p - '0');
  int d[4] = {0, 0, 0, 0};
  double fraction = 0, scale = 1;  // the seconds' decimals
  if (*p == '.') {
    ++p;
    for (int i = 0; digit(*p); ++p, ++i) {
      if (i < 4) {
        d[i] = *p - '0';
      } else {
        scale /= 10;
        fraction += (*p - '0') * scale;
      }
    }
  }
  int minutes = d[0] * 10 + d[1];
  double seconds = d[2] * 10 + d[3] + fraction;
  if (minutes >= 60 || seconds >= 60) return false;
  double value = (degrees + minutes / 60.0 + seconds / 3600.0) * kGonPerDegree;
  *gon = negative ? -value : value;
  return true;
}

// An angle in the unit in force: under the degree unit d.mmss, delivered in
// the user's angle system; a text that is no number passes unchanged, so the
// record builder ignores it. A d.mmss value that cannot be one is reported
// with its line and not delivered.
void vSetAngle(const GtsReader* r, int item, const char* text, int lineNo) {
  if (!r->degrees || !boMboIsNumber(text)) {
    vMboRecSetObsValue(item, text);
    return;
  }
  double gon = 0;
  if (!boDmsToGon(text, &gon)) {
    vMboReport(r->hSide, "WRONG ANGLE", sStrFormat("%d", lineNo));
    return;
  }
  // Six decimals, as gon were always given; six of a radian would lose
  // the tenth of a second the files hold, so radians get ten.
  bool radians = iCoSysGetUserSysAngleSystem(g_mboTransfer.uCoSys) == COSYS_ANG_RAD;
  char out[64];
  iNumPrintFixedC(out, sizeof out, dGsiGonToUser(gon), radians ? 10 : 6);
  vMboRecSetObsValue(item, out);
}

void vSetCoordinates(const GtsLine& l, int first) {
  vMboRecSetCoord(MBO_REC_EAST, l.Value(first));
  vMboRecSetCoord(MBO_REC_NORTH, l.Value(first + 1));
  vMboRecSetCoord(MBO_REC_Z, l.Value(first + 2));
}

void vDeliverResections(GtsReader* r) {
  for (const auto& res : r->resections) {
    GtsLine target, angles;
    vSplitValues(res.target.c_str(), target.buf, &target);
    vSplitValues(res.angles.c_str(), angles.buf, &angles);
    vMboRecSetPointName(target.Value(0));
    vMboRecSetObsValue(MBO_OBS_ITEM_TH, target.Value(1));
    vSetAngle(r, MBO_OBS_ITEM_HZ, angles.Value(0), res.lineNo);
    vSetAngle(r, MBO_OBS_ITEM_V, angles.Value(1), res.lineNo);
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
  vSplitValues(comma + 1, l.buf, &l);
  if (l.count < 3 || !boMboIsNumber(l.Value(0)) || !boMboIsNumber(l.Value(1))) return false;
  if (l.Value(2)[0] && !boMboIsNumber(l.Value(2))) return false;
  // What is pending belongs to the record before: renaming it would move
  // its observation to this point.
  vMboFlushPending();
  // The name up to the comma; the builder drops the blanks around it.
  char name[kLineMax + 1];
  memcpy(name, line, (size_t)(comma - line));
  name[comma - line] = '\0';
  vMboRecSetPointName(name);
  vSetCoordinates(l, 0);
  vMboRecSetCode(l.Value(3));
  vMboFlushPending();
  return true;
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
    GtsLine n;
    vSplit(next, &n);
    if (n.key == kXyz) {
      vSetCoordinates(n, 0);
      vMboFlushPending();
      haveNext = false;
    }
  }
  vDeliverResections(r);
  if (haveNext) vHandle(r, next);
}

void vHandle(GtsReader* r, const char* line) {
  GtsLine l;
  vSplit(line, &l);
  switch (l.key) {
    case kAtmos:
      vMboFlushPending();
      vMboRecSetObsValue(MBO_OBS_ITEM_TEMPERATURE, l.Value(0));
      vMboRecSetObsValue(MBO_OBS_ITEM_PRESSURE, l.Value(1));
      break;
    case kStn:
      vStation(r, l);
      break;
    case kBkb: {
      vMboFlushPending();
      vMboRecSetPointName(l.Value(0));
      vSetAngle(r, MBO_OBS_ITEM_HZ, l.Value(2), r->lineNo);
      char next[kLineMax + 1];
      if (boNextLine(r, next)) {
        GtsLine n;
        vSplit(next, &n);
        if (n.key == kXyz) {
          vMboRecSetPointName(l.Value(0));
          vSetCoordinates(n, 0);
          vMboFlushPending();
        } else {
          vHandle(r, next);
        }
      }
      break;
    }
    case kBs:
    case kFs:
    case kSs:
      vMboFlushPending();
      vMboRecSetPointName(l.Value(0));
      vMboRecSetObsValue(MBO_OBS_ITEM_TH, l.Value(1));
      if (l.key != kBs) vMboRecSetCode(l.Value(2));
      break;
    case kHv:
    case kSd:
      vSetAngle(r, MBO_OBS_ITEM_HZ, l.Value(0), r->lineNo);
      vSetAngle(r, MBO_OBS_ITEM_V, l.Value(1), r->lineNo);
      if (l.key == kSd) vMboRecSetObsValue(MBO_OBS_ITEM_DIST, l.Value(2));
      break;
    case kResObs: {
      char next[kLineMax + 1];
      if (boNextLine(r, next)) {
        GtsLine n;
        vSplit(next, &n);
        if (n.key == kSd || n.key == kHv)
          r->resections.push_back(
              {std::string(l.rest).substr(0, kStoreText), std::string(n.rest).substr(0, kStoreText), r->lineNo});
        else
          vGiveBack(r, next);
      }
      break;
    }
    case kUnits:
      vMboFlushPending();
      r->degrees = l.Value(1)[0] == 'D';
      break;
    case kReport:
      // "%s %s" of the keyword and the rest: the line itself, whose
      // character after the keyword (a blank or control byte) is written as
      // a blank, with one blank added when there was none.
      vSideLine(r->hSide, line, line[l.keyLen] ? "" : " ");
      break;
    default:
      // XYZ without a station before it, and every other line.
      boCoordinateLine(line);
      vSideLine(r->hSide, line);
      break;
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
    // A comma in a name or code would end its value: written as '_'.
    line = sMboGetPointNo(p);
    std::replace(line.begin(), line.end(), ',', '_');
    line += ',';
    put(x - set.iNO);
    line += ',';
    put(y - set.iEO);
    line += ',';
    if (boMboGetPointZ(p, &z)) put(z);
    const char* code = sMboPointGetField(p);
    if (code && code[0]) {
      line += ',';
      size_t at = line.size();
      line += code;
      std::replace(line.begin() + (ptrdiff_t)at, line.end(), ',', '_');
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
