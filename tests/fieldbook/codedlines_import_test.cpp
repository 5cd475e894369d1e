// Coded lines of a real Geodat file read through the exported direct read:
// the reader's line controls, the record builder and the read's finishing
// steps together. Lines as "ID|code|P: vertices" with arc middles in
// parentheses, then each line's coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/cnum.h"
#include "fb_module.h"
#include "fieldbook/api.h"

namespace fs = std::filesystem;

namespace {

class CodedImport : public FieldBookFiles {
 protected:
  static std::string sVertex(LiLine* line, LiElm* e) {
    char pid[100];
    return FB(boMboGetElmPID)(line, e, pid, sizeof pid) ? pid : "-";
  }
  // Every line with its vertices, then "x,y,z" of each vertex.
  static std::vector<std::string> Lines() {
    std::vector<std::string> out;
    LiLines* lines = FB(pKvxMboLiLinesGet)();
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
      std::string s = std::string(FB(sMboGetLineObjID)(l)) + "|" + sLiLineGetField(l) + "|" +
                      (boLiLineIsPolygon(l) ? "P" : "") + ":";
      std::string xyz;
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        s += " " + sVertex(l, e);
        if (LiElmGetType(l, e) == KV2GR_ELM_ARC3P) s += "(" + sVertex(l, LiElmGet3pArcElm2(l, e)) + ")";
        GeoPnt3 p;
        vLiElmGetP(l, e, &p);
        char buf[80];
        auto r = [](double v) { return std::round(v * 1e6) / 1e6 + 0.0; };
        iNumPrintC(buf, sizeof buf, " %g,%g,%g", r(p.x), r(p.y), r(p.z));
        xyz += buf;
      }
      out.push_back(s);
      out.push_back(xyz);
    }
    return out;
  }
};

}  // namespace

TEST_F(CodedImport, GeodatLineControlsGiveArcsSquaresAndParallels) {
  ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 10, KVX_TEST_DATA "/geodat/coded_lines.raw"));
  // Line 1: A starts the arc through B; the square's moved corner and its
  // closing corner name no points; the parallel 2 m right and 0.5 m up.
  // Without Save the vertices have only what the builder gave them.
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "1|KANT|: A(B) C D",
                         " 0,0,0 10,0,0 20,0,0",
                         "2||P: E F - -",
                         " 0,100,0 10,100,0 10,105,0 0,105,0",
                         "3|CURB|: H I",
                         " 0,200,10 10,200,10",
                         "|CURB|: - -",
                         " 0,198,10.5 10,198,10.5",
                     }));
}
