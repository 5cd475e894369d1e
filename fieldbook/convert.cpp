#include "fieldbook/convert.h"

#include <cstring>

#include "base/geometry.h"
#include "base/text.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/settings.h"
#include "fieldbook/stations.h"

namespace {

// Copies at most 99 characters and drops the leading blanks.
void vCopyNoLeadingBlanks(char* dst, const char* src) {
  while (*src == ' ') src++;
  sStrCopyN(dst, src, PID_SIZE);
}

bool boIsDigit(char c) { return c >= '0' && c <= '9'; }

// Writes head followed by rest back into the caller's buffer of size bytes.
void vPutConverted(char* number, int size, const char* head, const char* rest) {
  char out[PID_SIZE + CNV_CODE_SIZE];
  sStrCopyN(out, head, sizeof out);
  sStrCatN(out, rest, sizeof out);
  sStrCopyN(number, out, size);
}

}  // namespace

// ---------------------------------------------------------------- job and area

// Instruments pad their job and area fields: leading blanks are skipped,
// the field is cut to its size, then trailing blanks go.
static void vSetTrimmedName(char* dst, int size, const char* name) {
  const char* s = sStrNotNull(name);
  while (*s == ' ') s++;
  sStrCopyN(dst, s, size);
  sStrTrimRight(dst);
}
void vMboSetJobName(const char* name) { vSetTrimmedName(g_mbo.sJobName, sizeof g_mbo.sJobName, name); }
void vMboSetAreaName(const char* name) { vSetTrimmedName(g_mbo.sAreaName, sizeof g_mbo.sAreaName, name); }
const char* sMboGetJobName(void) { return g_mbo.sJobName; }
const char* sMboGetAreaName(void) { return g_mbo.sAreaName; }
void vMboClearJobArea(void) {
  g_mbo.sJobName[0] = '\0';
  g_mbo.sAreaName[0] = '\0';
}

// ---------------------------------------------------------------- conversion

namespace {

// The code cut to 15 characters, blanks at its end cut, in one pass (a
// record's code is converted once or twice a line).
void vCutCode(const char* code, char out[16]) {
  code = sStrNotNull(code);
  size_t end = 0;
  for (size_t i = 0; i < 15 && code[i]; ++i) {
    out[i] = code[i];
    if (code[i] != ' ') end = i + 1;
  }
  out[end] = '\0';
}

void vConvertFeatureCodeInto(const CnvTable* table, const char* code, char out[16]) {
  if (!table) {  // no conversion: the code cut to 15 characters and trimmed
    vCutCode(code, out);
    return;
  }
  char cut[16];
  vCutCode(code, cut);
  if (!boCnvTabLookupReverse(table, cut, out, 16)) memcpy(out, cut, sizeof cut);
}

}  // namespace

const char* sMboConvertFeatureCodeBy(const CnvTable* table, const char* code) {
  char out[16];
  vConvertFeatureCodeInto(table, code, out);
  return sStrTemp(out);
}

void vMboConvertPointNoPrefixBy(const CnvTable* table, char* number, int size) {
  if (!table || !number || size <= 0) return;
  char num[PID_SIZE];
  vCopyNoLeadingBlanks(num, number);
  for (CnvEntry* e = pCnvTabFirst(table); e; e = e->next) {
    size_t n = strlen(e->to);
    if (strncmp(num, e->to, n) != 0) continue;
    // First match in table order wins, even when a longer one follows.
    vPutConverted(number, size, e->from, num + n);
    return;
  }
}

void vMboConvertPointNoBy(const CnvTable* table, char* number, int size) {
  if (!table || !number || size <= 0) return;
  char num[PID_SIZE];
  vCopyNoLeadingBlanks(num, number);
  size_t n = 0;
  while (num[n] && !boIsDigit(num[n])) n++;
  char prefix[PID_SIZE];
  memcpy(prefix, num, n);
  prefix[n] = '\0';
  char to[CNV_CODE_SIZE];
  if (boCnvTabLookup(table, prefix, to, sizeof to)) vPutConverted(number, size, to, num + n);
}

const char* sMboConvertFeatureCode(const MboSettings* settings, const char* code) {
  bool on = settings && settings->uFconv;
  return sMboConvertFeatureCodeBy(on ? settings->pFeatureTab : nullptr, code);
}

void vMboConvertFeatureCodeInto(const MboSettings* settings, const char* code, char out[16]) {
  bool on = settings && settings->uFconv;
  vConvertFeatureCodeInto(on ? settings->pFeatureTab : nullptr, code, out);
}

void vMboConvertPointNoPrefix(const MboSettings* settings, char* number, int size) {
  if (settings && settings->uPconv) vMboConvertPointNoPrefixBy(settings->pPointTab, number, size);
}

void vMboConvertPointNo(const MboSettings* settings, char* number, int size) {
  if (settings && settings->uPconv) vMboConvertPointNoBy(settings->pPointTab, number, size);
}

// ---------------------------------------------------------------- identifiers

void vMboRecSetPid(char* buffer, const char* name) {
  if (!buffer) return;
  name = sStrNotNull(name);
  const auto at = reinterpret_cast<uintptr_t>(name), into = reinterpret_cast<uintptr_t>(buffer);
  // The usual case, once per record of an import: the ID is the name
  // without blanks around it, with '.' and ' ' made '_' (what the part
  // joins below give), in one pass. A name at or after the buffer (a
  // reader's name in place) is read before it is overwritten.
  if (!g_mbo.sJobName[0] && !g_mbo.sAreaName[0] && (at >= into || at + PID_SIZE <= into)) {
    while (*name == ' ') ++name;
    int len = 0;
    for (int i = 0; i < PID_PART_MAX && name[i]; ++i) {
      char c = name[i];
      if (c != ' ') len = i + 1;
      buffer[i] = (c == '.' || c == ' ') ? '_' : c;
    }
    buffer[len] = '\0';
    return;
  }
  char clean[PID_SIZE];
  vCopyNoLeadingBlanks(clean, sStrNotNull(name));
  sStrTrimRight(clean);
  buffer[0] = '\0';
  // A blank name stays blank: a job or area alone is no point name.
  if (!clean[0]) return;
  if (!g_mbo.sJobName[0] && !g_mbo.sAreaName[0]) {
    // The usual case, once per record of an import: the ID is the name
    // with '.' and ' ' made '_' (what the part joins below give).
    int i = 0;
    for (; clean[i] && i < PID_PART_MAX; ++i) buffer[i] = (clean[i] == '.' || clean[i] == ' ') ? '_' : clean[i];
    buffer[i] = '\0';
    return;
  }
  vPidSetPart(buffer, 2, clean);
  vPidSetPart(buffer, 1, g_mbo.sAreaName);
  vPidSetPart(buffer, 0, g_mbo.sJobName);
}

const char* sMboRecMakePointId(const char* name) {
  char id[PID_SIZE];
  vMboRecSetPid(id, name);
  return sStrTemp(id);
}

const char* sMboPidPointNo(const char* id) { return sPidGetPart(id, 2); }

// ---------------------------------------------------------------- post-pass

namespace {

struct PidPass {
  int pass;  // 0 looks, 1 moves part 0 into part 1
  bool anyJob;
  bool anyArea;
};

// One name: pass 0 notes which parts are used; pass 1 rewrites it in place
// (id is a 100-byte buffer). True when the name changed.
bool boPidVisit(PidPass* pp, char* id) {
  if (pp->pass == 0) {
    // Once an area part is seen nothing moves; a name without a dot has
    // neither part. Both spare a large import the split of every name.
    if (pp->anyArea || !strchr(id, '.')) return false;
    if (*sPidGetPart(id, 0)) pp->anyJob = true;
    if (*sPidGetPart(id, 1)) pp->anyArea = true;
    return false;
  }
  char job[PID_SIZE];
  sStrCopyN(job, sPidGetPart(id, 0), sizeof job);
  if (!job[0]) return false;
  vPidSetPart(id, 1, job);
  vPidSetPart(id, 0, "");
  return true;
}

void vPidVisitVertices(PidPass* pp, LiLine* line) {
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    boPidVisit(pp, pMboElmGetData(line, e)->sPid);
    if (LiElmGetType(line, e) != KV2GR_ELM_ARC3P) continue;
    // The arc's middle is not in the plain chain; visit it here, unless a
    // library keeps it there too (then the walk reaches it next anyway).
    LiElm* mid = LiElmGet3pArcElm2(line, e);
    if (mid && mid != LiElmGetNext(line, e)) boPidVisit(pp, pMboElmGetData(line, mid)->sPid);
  }
}

// A station or observation name, read and written through its attribute.
void vPidVisitStAttr(PidPass* pp, int kind, void* st, int attr) {
  char id[PID_SIZE];
  boMboGetStAttr(kind, st, attr, id, sizeof id);
  if (boPidVisit(pp, id)) boMboSetStAttr(kind, st, attr, id);
}

void vPidVisitObsAttr(PidPass* pp, int kind, void* st, void* obs, int attr) {
  char id[PID_SIZE];
  boMboGetObsAttr(kind, st, obs, attr, id, sizeof id);
  if (boPidVisit(pp, id)) boMboSetObsAttr(kind, st, obs, attr, id);
}

// Kind 1: station name and targets; kind 2: from and to names (the station
// name of a levelling station is its first observation's from-point); kind
// 4: station name and to-points. Kind-5 names are left alone.
void vPidVisitStations(PidPass* pp) {
  for (void* st = pMboGetNextSt(1, nullptr); st; st = pMboGetNextSt(1, st)) {
    vPidVisitStAttr(pp, 1, st, 1);
    for (void* o = pMboGetNextObs(1, st, nullptr); o; o = pMboGetNextObs(1, st, o)) vPidVisitObsAttr(pp, 1, st, o, 1);
  }
  for (void* st = pMboGetNextSt(2, nullptr); st; st = pMboGetNextSt(2, st)) {
    for (void* o = pMboGetNextObs(2, st, nullptr); o; o = pMboGetNextObs(2, st, o)) {
      vPidVisitObsAttr(pp, 2, st, o, 51);
      vPidVisitObsAttr(pp, 2, st, o, 1);
    }
  }
  for (void* st = pMboGetNextSt(4, nullptr); st; st = pMboGetNextSt(4, st)) {
    vPidVisitStAttr(pp, 4, st, 1);
    for (void* o = pMboGetNextObs(4, st, nullptr); o; o = pMboGetNextObs(4, st, o)) vPidVisitObsAttr(pp, 4, st, o, 1);
  }
}

void vPidVisitAll(PidPass* pp) {
  bool renamed = false;
  // The look of pass 0 finds no part in points and vertices when none of
  // their IDs has a dot: a large import is spared the walk over them.
  if (pp->pass != 0 || boMboDottedIdStored()) {
    for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p))
      renamed |= boPidVisit(pp, pMboPointGetData(p)->sPid);
    for (LiLine* l = LiLinesGetFirst(g_pMboLines); l; l = LiLinesGetNext(g_pMboLines, l)) vPidVisitVertices(pp, l);
    // Polygon vertices name points too; leaving them out would cut them off
    // from their points once those are renamed.
    for (YgPolygon* y = YgPolygonsGetFirst(g_pMboPolygons); y; y = YgPolygonsGetNext(g_pMboPolygons, y))
      vPidVisitVertices(pp, y);
  }
  // Nor in the stations' and observations' names when none has a dot.
  if (pp->pass != 0 || boMboDottedNameStored()) vPidVisitStations(pp);
  // The point-name index keys on the old IDs.
  if (renamed) vMboIndexClear();
}

}  // namespace

void vMboNormalizePidParts(void) {
  if (!boMboFieldBookReady()) return;
  PidPass pp{0, false, false};
  vPidVisitAll(&pp);
  if (!pp.anyJob || pp.anyArea) return;
  pp.pass = 1;
  vPidVisitAll(&pp);
}
