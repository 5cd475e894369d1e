// Helpers of the line-builder tests: a point fed through the record builder
// as a reader delivers it, and the field book's lines as text for comparing
// whole results: one string per line, "ID|code|P: A B(C) D~12.5" where P marks a polygon, (C) is the
// middle of a three-point arc that starts at B and ~r the radius of a
// two-point arc to the next vertex. Unnamed vertices show as "-".
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"

// The line builders as a read leaves them before the reader runs (automatic
// lines by number, still disabled) and what it does after the reader.
inline void vLinesReadStart() {
  vMboExtraFieldsInitAll();
  vMboCodeLineReset();
  boMboLineInit(0);
  vMboLineCommand(MBO_LINE_AUTO_BY_NO, "", "");
}
inline void vLinesReadEnd() {
  boMboApplyControlCode(99, "", "");
  vMboLineFinish();
  vMboExtraFieldsFreeAll();
}

// One point record: name, code, and the coordinates that are not NAN
// (x east, y north), then the flush.
inline void vFeedPoint(const char* name, const char* code = "", double x = NAN, double y = NAN, double z = NAN) {
  char buf[64];
  vMboRecSetPointName(name);
  vMboRecSetCode(code);
  const std::pair<int, double> items[] = {{MBO_REC_NORTH, y}, {MBO_REC_EAST, x}, {MBO_REC_Z, z}};
  for (const auto& [item, value] : items) {
    if (std::isnan(value)) continue;
    iNumPrintC(buf, sizeof buf, "%.6f", value);
    vMboRecSetCoord(item, buf);
  }
  vMboFlushPending();
}

inline std::string sDumpVertex(LiLine* line, LiElm* e) {
  MboElmData* data = pMboElmGetData(line, e);
  return data && data->sPid[0] ? data->sPid : "-";
}

inline std::string sDumpLine(LiLine* line) {
  std::string s = std::string(sMboGetLineObjID(line)) + "|" + sLiLineGetField(line) + "|" +
                  (boLiLineIsPolygon(line) ? "P" : "") + ":";
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    s += " " + sDumpVertex(line, e);
    if (LiElmGetType(line, e) == KV2GR_ELM_ARC3P) s += "(" + sDumpVertex(line, LiElmGet3pArcElm2(line, e)) + ")";
    double r;
    if (LiElmGetType(line, e) == KV2GR_ELM_ARC2P && boLiElmGet2pArc(line, e, &r)) {
      char buf[32];
      iNumPrintC(buf, sizeof buf, "~%g", r);
      s += buf;
    }
  }
  return s;
}

inline std::vector<std::string> DumpLines() {
  std::vector<std::string> out;
  for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l)) out.push_back(sDumpLine(l));
  return out;
}
