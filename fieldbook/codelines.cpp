// Code-driven lines: the control codes 37 to 99.
#include "fieldbook/codelines.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "base/cnum.h"
#include "base/text.h"
#include "fieldbook/convert.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/model.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"

namespace {

struct MboCodeLinePoint {
  char sName[MBO_ID_SIZE];
  char sCode[16];
  int32_t iNumber;  // arrival order in the set, from 1
  int32_t iKind;    // MboCodeVertexKind
  float fRadius;
};

struct MboCodeLineEntry {
  char sName[16];  // the line's feature code
  char sId[16];    // becomes the object ID
  uint32_t uTyped;
  uint32_t uArcCount;  // 0 off; 1 the next point plain, 2 and 3 arc points
  int32_t iPoints;
  int32_t iFirstPoint;
  LiLine* pLine;  // made at the line's first point
  // The line's points in arrival order. Grown as needed: a long set keeps
  // every point it counted.
  std::vector<MboCodeLinePoint> points;
};

struct MboCodeLineState {
  bool boActive;
  int iKind;  // MboCodeSetKind
  int iCount;
  int iCurrent;
  bool boBackward;  // back-and-forth sets
  int iCollected;
  int iPendingMode;  // 50, 51, 93 or 0
  float fRadius;
  bool boClose;
  bool boContinue;
  bool boCode37;
  char sCode37Name[16];
  char sPendingName[16];
  bool boPendingNameSet;
  MboCodeLinePoint record;  // the last point's record: its code carries on
};

MboCodeLineState g_state;
MboCodeLineEntry g_entries[MBO_CODE_LINE_MAX + 1];  // 1 to 100

int iClampIndex(int n) { return n < 1 ? 1 : (n > MBO_CODE_LINE_MAX ? MBO_CODE_LINE_MAX : n); }

void vEmptyEntries(bool deleteLines) {
  for (MboCodeLineEntry& e : g_entries) {
    // An unfinished line holds no vertices yet: it would stay behind empty.
    if (deleteLines && e.pLine && g_pMboLines) vLiLinesDeleteLine(g_pMboLines, e.pLine);
    std::vector<MboCodeLinePoint>().swap(e.points);
    memset(e.sName, 0, sizeof e.sName);
    memset(e.sId, 0, sizeof e.sId);
    e.uTyped = e.uArcCount = 0;
    e.iPoints = e.iFirstPoint = 0;
    e.pLine = nullptr;
  }
}

// The table after a finished set.
void vCloseSet(void) {
  vEmptyEntries(false);
  g_state.boActive = false;
  g_state.iCurrent = 1;
  g_state.boClose = false;
  g_state.boCode37 = false;
}

void vStart(int kind, int count, int mode, const char* name) {
  vMboCodeLineFinish();
  if (name && *name) sStrCopyN(g_state.sPendingName, name, sizeof g_state.sPendingName);
  g_state.iPendingMode = mode;
  g_state.iCurrent = 1;
  g_state.iCollected = 0;
  g_state.boBackward = false;
  g_state.boActive = true;
  g_state.iKind = kind;
  g_state.iCount = count;
}

// Codes 50, 51 and 93 act on the whole set, or on the current line of a
// set started by code 60.
void vApplyPendingMode(void) {
  int mode = g_state.iPendingMode;
  g_state.iPendingMode = 0;
  if (!mode) return;
  int first = 1, last = g_state.iCount;
  if (g_state.iKind == MBO_CODE_SET_INDEXED) first = last = iClampIndex(g_state.iCurrent);
  uint32_t typed = 1;
  if (mode == 51) typed = g_entries[first].uTyped ? 0 : 1;
  for (int n = first; n <= last; n++) {
    if (mode == 93)
      g_entries[n].uArcCount = 1;
    else
      g_entries[n].uTyped = typed;
  }
}

int iNormalKind(MboCodeLineEntry* entry) {
  vApplyPendingMode();
  int kind = entry->uTyped ? MBO_CODE_VERTEX_TYPED : MBO_CODE_VERTEX_PLAIN;
  if (entry->uArcCount) {
    if (entry->uArcCount != 1) kind = MBO_CODE_VERTEX_ARC;
    if (++entry->uArcCount > 3) entry->uArcCount = 0;
  }
  if (entry->iPoints == 0) kind = MBO_CODE_VERTEX_FIRST;
  return kind;
}

void vAdvanceIndex(void) {
  switch (g_state.iKind) {
    case MBO_CODE_SET_CYCLIC:
      if (++g_state.iCurrent > g_state.iCount) {
        g_state.iCurrent = 1;
        g_state.fRadius = 0;
      }
      break;
    case MBO_CODE_SET_BACK:
      // The end lines take two points in a row: 1, 2, 3, 3, 2, 1, 1, 2, 3.
      if (!g_state.boBackward) {
        if (g_state.iCurrent < g_state.iCount) {
          g_state.iCurrent++;
        } else {
          g_state.boBackward = true;
          g_state.fRadius = 0;
        }
      } else if (g_state.iCurrent > 1) {
        g_state.iCurrent--;
      } else {
        g_state.boBackward = false;
        g_state.fRadius = 0;
      }
      break;
    default:
      g_state.fRadius = 0;
      break;
  }
}

// n from an index text: its number, or the current line when blank.
int iIndexFromText(const char* indexText) {
  return !boMboIsNotBlank(indexText) ? g_state.iCurrent : iNumParseC(indexText);
}

void vCoordsFromPoint(LiLine* line, LiElm* elm) {
  char pid[MBO_ID_SIZE];
  if (!boMboGetElmPID(line, elm, pid, sizeof pid)) return;
  PoPoint* point = pMboFindPoint(pid);
  double x, y, z;
  if (boMboGetPointXY(point, &x, &y)) vMboSetElmXY(line, elm, x, y);
  if (boMboGetPointZ(point, &z)) vMboSetElmZ(line, elm, z);
}

// The vertices of one finished line from its collected points.
void vMakeVertices(MboCodeLineEntry* entry) {
  LiLine* line = entry->pLine;
  LiElm* prev1 = nullptr;  // the vertex before the new one
  LiElm* prev2 = nullptr;  // and the one before that
  int arcRun = 0;          // consecutive arc points
  bool first = true;
  for (const MboCodeLinePoint& rec : entry->points) {
    if (first) entry->iFirstPoint = rec.iNumber;
    first = false;
    if (!*sLiLineGetField(line)) vLiLineSetField(line, rec.sCode);
    LiElm* elm = KvxMboAddLineElm(line, rec.sName);
    if (rec.iKind == MBO_CODE_VERTEX_ARC) {
      // The second arc point in a row closes start, middle, end.
      if (++arcRun == 2) {
        if (prev2) boLiElmSetType(line, prev2, KV2GR_ELM_ARC3P);
        arcRun = 0;
      }
    } else {
      arcRun = 0;
    }
    if (rec.iKind == MBO_CODE_VERTEX_RADIUS && prev1 && std::fabs(rec.fRadius) > 1e-5) {
      // An arc needs its chord: the two ends take their points' coordinates
      // now (Save's completion gives them the same).
      vCoordsFromPoint(line, prev1);
      vCoordsFromPoint(line, elm);
      boLiElmSet2pArc(line, prev1, rec.fRadius, 0);
    }
    prev2 = prev1;
    prev1 = elm;
  }
}

}  // namespace

bool boMboCodeLineAddPoint(const char* name, const char* code, int kind) {
  if (!g_state.boActive) return false;
  if (g_state.boCode37) {
    g_state.boCode37 = false;
    return false;
  }
  g_state.iCurrent = iClampIndex(g_state.iCurrent);
  if (g_state.iCount < g_state.iCurrent) g_state.iCount = g_state.iCurrent;
  g_state.iCollected++;
  MboCodeLineEntry* entry = &g_entries[g_state.iCurrent];
  if (kind == MBO_CODE_VERTEX_NORMAL) kind = iNormalKind(entry);
  if (!entry->pLine) entry->pLine = KvxMboNewLine("");
  entry->iPoints++;

  MboCodeLinePoint* rec = &g_state.record;
  sStrCopyN(rec->sName, name, sizeof rec->sName);
  if (!g_state.boPendingNameSet) sStrCopyN(rec->sCode, code, sizeof rec->sCode);
  rec->iNumber = g_state.iCollected;
  rec->iKind = kind;
  rec->fRadius = 0;
  if (std::fabs(g_state.fRadius) > 0.0001f) {
    rec->fRadius = g_state.fRadius;
    rec->iKind = MBO_CODE_VERTEX_RADIUS;
  }
  try {
    entry->points.push_back(*rec);
  } catch (const std::bad_alloc&) {
    entry->iPoints--;
    return false;
  }
  vAdvanceIndex();

  if (g_state.boContinue) {
    // The point ends this line and starts the next one. Its name is already
    // an identifier: it is added as it is.
    g_state.boContinue = false;
    boMboApplyControlCode(99, "", "");
    boMboApplyControlCode(91, "", "");
    if (name && *name) boMboCodeLineAddPoint(name, "", MBO_CODE_VERTEX_NORMAL);
  }
  return true;
}

bool boMboApplyControlCode(int code, const char* a, const char* b) {
  (void)b;
  a = sStrNotNull(a);
  switch (code) {
    case 37:
      g_state.boCode37 = true;
      sStrCopyN(g_state.sCode37Name, a, sizeof g_state.sCode37Name);
      return true;
    case 38:
      g_state.boContinue = true;
      return true;
    case 50:
    case 51:
    case 93:
      g_state.iPendingMode = code;
      return true;
    case 54:
      // A radius beyond the float range draws no arc: the segment stays straight.
      g_state.fRadius = fNumSingleOr0C(dNumParseC(a));
      return true;
    case 60:
      vStart(MBO_CODE_SET_INDEXED, 0, 0, a);
      return true;
    case 61:
      g_state.iCurrent = iNumParseC(a);
      return true;
    case 62:
      vMboCodeLineNameByIndex(a, "");
      return true;
    case 63:
      vMboCodeLineIdByIndex(a, "");
      return true;
    case 64:
      boMboCodeLineAddPoint(sMboRecMakePointId(a), "", MBO_CODE_VERTEX_NORMAL);
      return true;
    case 67:
      vMboSetJobName(a);
      return true;
    case 68:
      vMboSetAreaName(a);
      return true;
    case 91:
      vStart(MBO_CODE_SET_SINGLE, 1, 0, a);
      return true;
    case 92:
      vStart(MBO_CODE_SET_SINGLE, 1, 50, a);
      return true;
    case 96:
      // Only an open set is closed: a flag left behind would close the
      // next set too.
      g_state.boClose = g_state.boActive;
      vMboCodeLineFinish();
      return true;
    case 99:
      vMboCodeLineFinish();
      return true;
    default:
      break;
  }
  if (code >= 72 && code <= 79) {
    vStart(MBO_CODE_SET_CYCLIC, code - 70, 0, a);
    return true;
  }
  if (code >= 82 && code <= 89) {
    vStart(MBO_CODE_SET_BACK, code - 80, 0, a);
    return true;
  }
  return false;
}

void vMboCodeLineFinish(void) {
  if (!g_state.boActive) return;
  for (int n = 1; n <= g_state.iCount && n <= MBO_CODE_LINE_MAX; n++) {
    MboCodeLineEntry* entry = &g_entries[n];
    LiLine* line = entry->pLine;
    if (!line) continue;
    if (entry->iPoints < 2) {
      vLiLinesDeleteLine(g_pMboLines, line);
      entry->pLine = nullptr;
      continue;
    }
    // "S_FCODE" among the line fields names this line.
    vMboExtraLineFieldsApplyNamed(g_pMboLines, line, entry->sName, sizeof entry->sName);
    if (!*entry->sName) sStrCopyN(entry->sName, g_state.sPendingName, sizeof entry->sName);
    vLiLineSetField(line, sMboConvertFeatureCode(&g_mboTransfer.settings, entry->sName));
    vMboSetLineObjID(line, entry->sId);
    // A closed line that repeats its first point at the end (as KOF and
    // others write polygons) would keep that point twice: closing joins it.
    std::vector<MboCodeLinePoint>& pts = entry->points;
    if (g_state.boClose && pts.size() > 3 && pts.back().iKind == MBO_CODE_VERTEX_PLAIN && *pts.front().sName &&
        strcmp(pts.back().sName, pts.front().sName) == 0)
      pts.pop_back();
    vMakeVertices(entry);
    if (g_state.boClose) vLiLineSetAsPolygon(line, 1);
  }
  vCloseSet();
}

void vMboCodeLineReset(void) {
  vEmptyEntries(true);
  memset(g_state.sPendingName, 0, sizeof g_state.sPendingName);
  g_state.boPendingNameSet = false;
  g_state.boContinue = false;
  g_state.boCode37 = false;
  g_state.boClose = false;
  g_state.boActive = false;
  g_state.iCurrent = 1;
}

void vMboCodeLineStateClear(void) {
  vEmptyEntries(false);
  g_state = MboCodeLineState{};
  g_state.iCurrent = 1;
}

void vMboCodeLineSetName(int n, const char* name) {
  if (!g_state.boActive || n < 1 || n > g_state.iCount || n > MBO_CODE_LINE_MAX) return;
  sStrCopyN(g_entries[n].sName, name, sizeof g_entries[n].sName);
}

void vMboCodeLineNameByIndex(const char* name, const char* indexText) {
  name = sStrNotNull(name);
  int n = iIndexFromText(indexText);
  if (n == 0) {
    sStrCopyN(g_state.sPendingName, name, sizeof g_state.sPendingName);
    return;
  }
  if (g_state.boPendingNameSet) {
    if (!*name) return;
    sStrCopyN(g_state.sPendingName, name, sizeof g_state.sPendingName);
  }
  n = iClampIndex(n);
  sStrCopyN(g_entries[n].sName, name, sizeof g_entries[n].sName);
}

void vMboCodeLineIdByIndex(const char* id, const char* indexText) {
  if (!boMboIsNotBlank(id)) return;
  int n = iClampIndex(iIndexFromText(indexText));
  sStrCopyN(g_entries[n].sId, id, sizeof g_entries[n].sId);
}

void vMboCodeLineSetPendingName(const char* name) {
  sStrCopyN(g_state.sPendingName, name, sizeof g_state.sPendingName);
  g_state.boPendingNameSet = true;
}

void vMboCodeLineDefaultName(const char* name) {
  if (!*g_state.sPendingName && name && *name) sStrCopyN(g_state.sPendingName, name, sizeof g_state.sPendingName);
}

const char* sMboCodeLineCurrentName(void) {
  if (!g_state.boActive) return "";
  const char* name = g_entries[iClampIndex(g_state.iCurrent)].sName;
  return *name ? name : g_state.sPendingName;
}

int iMboCodeLineGetName(char* buffer, int size) {
  if (!g_state.boCode37) return 0;
  if (buffer && size > 0) sStrCopyN(buffer, g_state.sCode37Name, size);
  return 1;
}

LiLine* pMboCodeLineGet(int n) {
  if (!g_state.boActive || n < 1 || n > g_state.iCount || n > MBO_CODE_LINE_MAX) return nullptr;
  return g_entries[n].pLine;
}

int iMboCodeLineCount(void) { return g_state.boActive ? g_state.iCount : 0; }
int iMboCodeLineCurrentIndex(void) { return g_state.boActive ? g_state.iCurrent : 0; }
bool boMboCodeLineActive(void) { return g_state.boActive; }

bool boMboCodeLineHasPoints(void) {
  return g_state.boActive && g_state.iCurrent >= 1 && g_entries[iClampIndex(g_state.iCurrent)].iPoints > 0;
}
