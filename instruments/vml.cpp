// Leica VML files: a tab-separated point list whose first line names the
// columns, then two-point lines joined by the points' "H.Ref" and "Status".
// Points are made directly; the pending record is not used.
#include "instruments/vml.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "base/msgbox.h"
#include "fieldbook/api.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/textfile.h"
#include "kv2gr.h"
#include "win32.h"

namespace {

const size_t kLineMax = 399;  // characters of a line the reader takes
int g_iVmlLine = 0;           // counter of the line names of this read

// The next line without its end; a longer line is cut and its tail skipped.
bool boReadLine(MboTextFile* f, std::string* line) {
  if (!boMboTextFileLine(f, line, kLineMax)) return false;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

// The fields between TABs into out, whose strings are reused line by line.
void vSplit(const std::string& line, std::vector<std::string>* out) {
  size_t n = 0, from = 0;
  for (;;) {
    size_t tab = line.find('\t', from);
    size_t len = tab == std::string::npos ? line.size() - from : tab - from;
    if (n < out->size())
      (*out)[n].assign(line, from, len);
    else
      out->emplace_back(line, from, len);
    ++n;
    if (tab == std::string::npos) break;
    from = tab + 1;
  }
  out->resize(n);
}

bool boIsAttributeColumn(size_t i) {
  return i == 5 || i == 8 || i == 11 || i == 13 || i == 14 || (i >= 16 && i <= 23) || (i >= 27 && i <= 32);
}

void vReadPoint(const std::vector<std::string>& names, const std::vector<std::string>& f) {
  // A record without a name is a point of its own (never merged).
  PoPoint* p = KvxMboNewOrExistingPoint(f[3].c_str());
  if (!p) return;
  // Only finite numbers are coordinates: a text is no 0, "1e999" no
  // infinity and "0x10" no 16.
  double x, y, z;
  if (boMboFiniteNumber(f[0].c_str(), &x) && boMboFiniteNumber(f[1].c_str(), &y)) vMboSetPointXY(p, x, y);
  if (f.size() > 2 && boMboFiniteNumber(f[2].c_str(), &z)) vMboSetPointZ(p, z);
  if (f.size() > 4 && !f[4].empty()) vPoPointSetField(p, f[4].c_str());
  ViFields* fs = pKvxMboPFieldsGet();
  for (size_t i = 5; i < f.size() && i < names.size(); i++)
    if (boIsAttributeColumn(i) && !f[i].empty() && !names[i].empty())
      boViFieldsSetOrAddFieldByName(fs, p, names[i].c_str(), f[i].c_str());
}

void vAddVertex(LiLine* line, PoPoint* p) {
  LiElm* e = KvxMboAddLineElm(line, sMboGetPointPID(p));
  if (!e) return;
  double x, y, z;
  if (boMboGetPointXY(p, &x, &y)) vMboSetElmXY(line, e, x, y);
  // A point without Z gives a vertex without Z.
  if (boMboGetPointZ(p, &z)) vMboSetElmZ(line, e, z);
}

}  // namespace

void vVmlLineTakeCommonFields(LiLine* line, PoPoint* a, PoPoint* b) {
  std::string codeA = sPoPointGetField(a);
  if (!codeA.empty() && codeA == sPoPointGetField(b)) vLiLineSetField(line, codeA.c_str());
  ViFields* pf = pKvxMboPFieldsGet();
  ViFields* lf = pKvxMboLFieldsGet();
  for (int i = iViFieldsFixedCount(pf); i < iViFieldsGetCount(pf); i++) {
    std::string va = sViFieldsGetField(pf, a, i);
    if (!va.empty() && va == sViFieldsGetField(pf, b, i))
      boViFieldsSetOrAddFieldByName(lf, line, sViFieldsGetFieldName(pf, i), va.c_str());
  }
}

void vVmlBuildLines() {
  PoPoints* pts = pKvxMboPoPointsGet();
  ViFields* fs = pKvxMboPFieldsGet();
  if (!pts) return;
  for (PoPoint* a = PoPointsGetFirst(pts); a; a = PoPointsGetNext(pts, a)) {
    PoPoint* b = PoPointsGetNext(pts, a);
    if (!b) break;
    if (strcmp(sViFieldsGetFieldByName(fs, a, "H.Ref"), sViFieldsGetFieldByName(fs, b, "H.Ref")) != 0) continue;
    std::string sa = sViFieldsGetFieldByName(fs, a, "Status"), sb = sViFieldsGetFieldByName(fs, b, "Status");
    PoPoint* first;
    if (sa == "Start" && sb == "End")
      first = a;
    else if (sa == "End" && sb == "Start")
      first = b;
    else
      continue;
    char name[24];
    iNumPrintC(name, sizeof name, "L%d", ++g_iVmlLine);
    LiLine* line = KvxMboNewLine(name);
    if (!line) continue;
    vAddVertex(line, first);
    vAddVertex(line, first == a ? b : a);
    vVmlLineTakeCommonFields(line, a, b);
  }
}

bool boVmlReadRaw(uint32_t, uint32_t) {
  g_iVmlLine = 0;
  std::unique_ptr<MboTextFile> file(new MboTextFile{});
  file->fp = _fsopen(g_mboTransfer.sRawPath, "rb", _SH_DENYNO);
  if (!file->fp) {
    char msg[MBO_PATH_SIZE + 32];
    snprintf(msg, sizeof msg, "Unable to open %s", g_mboTransfer.sRawPath);
    vMsgWarning(msg);
    vVmlBuildLines();
    return false;
  }
  std::string line;
  std::vector<std::string> names, f;
  if (boReadLine(file.get(), &line)) vSplit(line, &names);
  while (boReadLine(file.get(), &line)) {
    if (line[0] == '!') continue;
    vSplit(line, &f);
    if (f.size() >= 4) vReadPoint(names, f);
  }
  fclose(file->fp);
  vVmlBuildLines();
  return false;
}
