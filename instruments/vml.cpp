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
#include "base/fieldcut.h"
#include "base/msgbox.h"
#include "base/numbers.h"
#include "fieldbook/api.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/textfile.h"
#include "kv2gr.h"
#include "win32.h"

namespace {

const size_t kLineMax = 399;  // characters of a line the reader takes
int g_iVmlLine = 0;           // counter of the line names of this read

// The next line without its end, in place; a longer line is cut and its
// tail skipped. (*text)[*len] may be set to NUL.
bool boReadLine(MboTextFile* f, std::string* spill, char** text, size_t* len) {
  if (!boMboTextFileLineInPlace(f, spill, kLineMax, text, len)) return false;
  if (*len && (*text)[*len - 1] == '\r') --*len;
  return true;
}

// The fields between TABs, cut in place: each TAB becomes the end of the
// field before it. A field may hold NUL bytes: its C text ends at the first,
// its length counts them all. A line of at most kLineMax characters has at
// most kLineMax + 1 fields.
struct VmlFields {
  static const size_t kMax = kLineMax + 1;
  const char* at[kMax];
  size_t len[kMax];
  size_t n = 0;
  size_t size() const { return n; }
  bool boEmpty(size_t i) const { return len[i] == 0; }
};

void vSplit(char* s, size_t size, VmlFields* out) {
  size_t n = 0, from = 0;
  vForEachByte(s, size, '\t', [&](size_t i) {
    s[i] = '\0';
    out->at[n] = s + from;
    out->len[n++] = i - from;
    from = i + 1;
    return n + 1 < VmlFields::kMax;  // room for the last
  });
  s[size] = '\0';  // the line's end
  out->at[n] = s + from;
  out->len[n++] = size - from;
  out->n = n;
}

bool boIsAttributeColumn(size_t i) {
  return i == 5 || i == 8 || i == 11 || i == 13 || i == 14 || (i >= 16 && i <= 23) || (i >= 27 && i <= 32);
}

// The columns of a field set by name, found or added at their first value
// and then set by number. "S_FCODE" is no column but the object's code: it
// is always set by name.
struct VmlColumns {
  ViFields* fs;
  std::vector<int> index;  // by the caller's own numbering; -1: not known yet
  void vSet(void* obj, size_t i, const char* name, const char* value) {
    if (i >= index.size()) index.resize(i + 1, -1);
    if (index[i] >= 0) {
      boViFieldsSetField(fs, obj, index[i], value);
      return;
    }
    boViFieldsSetOrAddFieldByName(fs, obj, name, value);
    if (strcmp(name, "S_FCODE") != 0) index[i] = iViFieldsFindField(fs, name);
  }
  // An object's values, in order. Once all their columns are known, the
  // highest is set first: the object's value list is then made at its full
  // length at once instead of growing value by value.
  struct Value {
    size_t i;
    const char* name;
    const char* value;
  };
  std::vector<Value> values;
  void vSetAll(void* obj) {
    const Value* top = nullptr;
    for (const Value& v : values) {
      int at = v.i < index.size() ? index[v.i] : -1;
      if (at < 0) {
        top = nullptr;
        break;
      }
      if (!top || at > index[top->i]) top = &v;
    }
    if (top) boViFieldsSetField(fs, obj, index[top->i], top->value);
    // The top one is set; a later value of its column still comes after it.
    for (const Value& v : values)
      if (&v != top) vSet(obj, v.i, v.name, v.value);
    values.clear();
  }
};

void vReadPoint(const std::vector<std::string>& names, const std::vector<size_t>& attributes, const VmlFields& f,
                VmlColumns* columns) {
  // A record without a name is a point of its own (never merged).
  PoPoint* p = KvxMboNewOrExistingPoint(f.at[3]);
  if (!p) return;
  // Only finite numbers are coordinates: a text is no 0, "1e999" no
  // infinity and "0x10" no 16.
  double x, y, z;
  if (boMboFiniteNumber(f.at[0], &x) && boMboFiniteNumber(f.at[1], &y)) vMboSetPointXY(p, x, y);
  if (f.size() > 2 && boMboFiniteNumber(f.at[2], &z)) vMboSetPointZ(p, z);
  if (f.size() > 4 && !f.boEmpty(4)) vPoPointSetField(p, f.at[4]);
  for (size_t i : attributes) {
    if (i >= f.size()) break;
    if (!f.boEmpty(i)) columns->values.push_back({i, names[i].c_str(), f.at[i]});
  }
  columns->vSetAll(p);
}

void vAddVertex(LiLine* line, PoPoint* p) {
  LiElm* e = KvxMboAddLineElm(line, sMboGetPointPID(p));
  if (!e) return;
  double x, y, z;
  if (boMboGetPointXY(p, &x, &y)) vMboSetElmXY(line, e, x, y);
  // A point without Z gives a vertex without Z.
  if (boMboGetPointZ(p, &z)) vMboSetElmZ(line, e, z);
}

// The code and the shared point fields into the line's fields, numbered as
// the point fields.
void vTakeCommonFields(LiLine* line, PoPoint* a, PoPoint* b, VmlColumns* columns) {
  const char* codeA = sPoPointGetField(a);
  if (*codeA && strcmp(codeA, sPoPointGetField(b)) == 0) vLiLineSetField(line, codeA);
  ViFields* pf = pKvxMboPFieldsGet();
  for (int i = iViFieldsFixedCount(pf); i < iViFieldsGetCount(pf); i++) {
    const char* va = sViFieldsGetField(pf, a, i);
    if (*va && strcmp(va, sViFieldsGetField(pf, b, i)) == 0)
      columns->values.push_back({(size_t)i, sViFieldsGetFieldName(pf, i), va});
  }
  columns->vSetAll(line);
}

}  // namespace

void vVmlLineTakeCommonFields(LiLine* line, PoPoint* a, PoPoint* b) {
  VmlColumns columns{pKvxMboLFieldsGet(), {}, {}};
  vTakeCommonFields(line, a, b, &columns);
}

void vVmlBuildLines() {
  PoPoints* pts = pKvxMboPoPointsGet();
  ViFields* fs = pKvxMboPFieldsGet();
  if (!pts) return;
  // Building lines adds no point field: the two are found once.
  int ref = iViFieldsFindField(fs, "H.Ref"), status = iViFieldsFindField(fs, "Status");
  VmlColumns columns{pKvxMboLFieldsGet(), {}, {}};
  for (PoPoint* a = PoPointsGetFirst(pts); a; a = PoPointsGetNext(pts, a)) {
    PoPoint* b = PoPointsGetNext(pts, a);
    if (!b) break;
    if (strcmp(sViFieldsGetField(fs, a, ref), sViFieldsGetField(fs, b, ref)) != 0) continue;
    const char *sa = sViFieldsGetField(fs, a, status), *sb = sViFieldsGetField(fs, b, status);
    PoPoint* first;
    if (strcmp(sa, "Start") == 0 && strcmp(sb, "End") == 0)
      first = a;
    else if (strcmp(sa, "End") == 0 && strcmp(sb, "Start") == 0)
      first = b;
    else
      continue;
    char name[24] = "L";
    sNumIntToStr(name + 1, ++g_iVmlLine, nullptr);
    LiLine* line = KvxMboNewLine(name);
    if (!line) continue;
    vAddVertex(line, first);
    vAddVertex(line, first == a ? b : a);
    vTakeCommonFields(line, a, b, &columns);
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
  std::string spill;
  char* line;
  size_t len;
  std::vector<std::string> names;
  VmlFields f;
  VmlColumns columns{pKvxMboPFieldsGet(), {}, {}};
  if (boReadLine(file.get(), &spill, &line, &len)) {
    vSplit(line, len, &f);
    for (size_t i = 0; i < f.size(); i++) names.emplace_back(f.at[i], f.len[i]);
  }
  // The attribute columns that the first line names, in order.
  std::vector<size_t> attributes;
  for (size_t i = 5; i < names.size(); i++)
    if (boIsAttributeColumn(i) && !names[i].empty()) attributes.push_back(i);
  while (boReadLine(file.get(), &spill, &line, &len)) {
    if (len && line[0] == '!') continue;
    vSplit(line, len, &f);
    if (f.size() >= 4) vReadPoint(names, attributes, f, &columns);
  }
  fclose(file->fp);
  vVmlBuildLines();
  return false;
}
