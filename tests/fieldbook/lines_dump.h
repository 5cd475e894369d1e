// The field book's lines as text, for comparing whole results: one string
// per line, "ID|code|P: A B(C) D~12.5" where P marks a polygon, (C) is the
// middle of a three-point arc that starts at B and ~r the radius of a
// two-point arc to the next vertex. Unnamed vertices show as "-".
#pragma once

#include <string>
#include <vector>

#include "base/cnum.h"
#include "fieldbook/model.h"

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
