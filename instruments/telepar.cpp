// The code parameter file of the KOF reader.
#include "instruments/telepar.h"

#include <cstring>

#include "base/filedialog.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/text.h"
#include "fieldbook/api.h"
#include "fieldbook/codelines.h"
#include "fieldbook/convert.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "fieldbook/transfer_context.h"
#include "kvxlib.h"

namespace {

TeleparSet* g_pSet;
char g_sPath[TELEPAR_PATH_SIZE];
char g_sPersistPoint[TELEPAR_PERSIST_SIZE];
char g_sPersistLine[TELEPAR_PERSIST_SIZE];
// The user cancelled the dialog, or the file held nothing: not asked again
// during this read (a file with many code blocks would ask at every one).
bool g_boDeclined;

bool boIsLetter(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= 0xC0 && u != 0xD7 && u != 0xF7);
}

TeleparEntry* pFirst(const SLinkList& list) { return reinterpret_cast<TeleparEntry*>(list.pFirst); }

// Calls fn(name, value) for each name:value token of an entry's value (a
// token without ':' is ignored).
template <class Fn>
void vForEachOption(const char* value, Fn fn) {
  char buf[128];
  sStrCopyN(buf, value, sizeof buf);
  char* cursor = buf;
  char* val = nullptr;
  while (char* name = sStrNextOption(&cursor, &val))
    if (val) fn(name, val);
}

// A "+" entry: each token becomes a global field of the section's list.
void vLoadGlobal(const char* value, bool boPoint) {
  vForEachOption(value, [boPoint](const char* name, const char* val) {
    if (strcmp(name, "FCODE") == 0) name = "S_FCODE";
    if (boPoint)
      vMboExtraPointFieldAddGlobal(name, val);
    else
      vMboExtraLineFieldAddGlobal(name, val);
  });
}

void vLoadEntry(SLinkList* list, const char* key, const char* value) {
  TeleparEntry entry{};
  memcpy(entry.sPrefix, key, 2);
  const char* patterns = key + 2;
  int nPatterns = static_cast<int>(strnlen(patterns, TELEPAR_MAX_PARAMS));
  int used = 0;
  vForEachOption(value, [&](const char* name, const char* val) {
    if (strcmp(name, "FCODE") == 0 || strcmp(name, "S_FCODE") == 0) {
      sStrCopyN(entry.sFcode, val, sizeof entry.sFcode);
    } else if (strcmp(name, "node") == 0) {
      entry.cNode = val[0];
    } else if (entry.iCount < TELEPAR_MAX_PARAMS) {
      TeleparParam& p = entry.params[entry.iCount++];
      sStrCopyN(p.sName, name, sizeof p.sName);
      sStrCopyN(p.sTemplate, val, sizeof p.sTemplate);
      if (used < nPatterns) p.cPattern = patterns[used++];
    }
  });
  // Pattern characters no token took still walk the code.
  while (used < nPatterns && entry.iCount < TELEPAR_MAX_PARAMS)
    entry.params[entry.iCount++].cPattern = patterns[used++];
  pSLinkNewObj(list, nullptr, &entry);
}

// The resolved value of a parameter from its template and position.
void vResolve(TeleparParam* p, const char* code, int len) {
  const char* tmpl = p->sTemplate;
  const char* star = strchr(tmpl, '*');
  if (p->iPos < 0) {
    sStrCopyN(p->sValue, tmpl, sizeof p->sValue);
  } else if (tmpl[0] == '?') {
    // A position at the code's end (after a trailing '.') gives "".
    p->sValue[0] = p->iPos < len ? code[p->iPos] : '\0';
    p->sValue[1] = '\0';
  } else if (star) {
    int head = static_cast<int>(star - tmpl);
    sStrCopyN(p->sValue, tmpl, head + 1 < (int)sizeof p->sValue ? head + 1 : (int)sizeof p->sValue);
    sStrCatN(p->sValue, p->iPos < len ? code + p->iPos : "", sizeof p->sValue);
  } else {
    sStrCopyN(p->sValue, tmpl, sizeof p->sValue);
  }
}

int iScore(TeleparEntry* e, const char* code, int len) {
  if (len == 2) return 100000;
  int score = 100000;
  int weight = 10000;
  int pos = 2;
  for (int p = 0; p < e->iCount && pos < len; ++p, weight /= 10) {
    char c = code[pos];
    if (c == '.') {
      for (int q = p; q < e->iCount; ++q) {
        if (e->params[q].cPattern == '*') {
          e->params[q].iPos = pos + 1;
          break;
        }
      }
      score += weight;
      break;
    }
    char pat = e->params[p].cPattern;
    if (pat == '?' || pat == '*') {
      e->params[p].iPos = pos++;
      score += weight;
    } else if (pat == '\0') {
      // Takes no character.
    } else if (pat == c) {
      e->params[p].iPos = pos++;
      score += 2 * weight;
    } else {
      return 0;
    }
  }
  return score;
}

void vAddPointAttributes(const TeleparEntry* e) {
  if (e->sFcode[0]) vMboExtraPointFieldAdd("S_FCODE", e->sFcode);
  for (int i = 0; i < e->iCount; ++i)
    if (e->params[i].sValue[0]) vMboExtraPointFieldAdd(e->params[i].sName, e->params[i].sValue);
}

void vSetPersistent(char* dst, const char* src) { sStrCopyN(dst, src, TELEPAR_PERSIST_SIZE); }

bool boLoadFromDialog(void) {
  if (!g_sPath[0]) {
    const MboHostRec* host = g_mboTransfer.settings.pHost;
    char dir[sizeof host->sTeleparDir + 1] = "";
    if (host)
      sStrCopyN(dir, host->sTeleparDir, static_cast<int>(strnlen(host->sTeleparDir, sizeof host->sTeleparDir)) + 1);
    sPathJoin(dir, "Telepar.ini", g_sPath, sizeof g_sPath);
  }
  const char* chosen = sFileDlgOpen("Parameter fil", 3, g_sPath, "ini", nullptr);
  if (!chosen) return false;
  sStrCopyN(g_sPath, chosen, sizeof g_sPath);
  g_pSet = pTeleparLoad(g_sPath);
  if (!g_pSet) return false;
  vMboCodeLineSetPendingName("");
  g_sPersistPoint[0] = '\0';
  g_sPersistLine[0] = '\0';
  return true;
}

}  // namespace

TeleparSet* pTeleparLoad(const char* path) {
  KvxInif* ini = pKvxInifOpen(path, 0);
  if (!ini) return nullptr;
  TeleparSet* set = static_cast<TeleparSet*>(calloc(1, sizeof(TeleparSet)));
  if (!set) {
    vKvxInifClose(ini);
    return nullptr;
  }
  vSLinkInit(&set->points, sizeof(TeleparEntry), nullptr);
  vSLinkInit(&set->lines, sizeof(TeleparEntry), nullptr);
  static const char* const sections[] = {"POINT", "LINE"};
  for (int s = 0; s < 2; ++s) {
    if (!boKvxInifSetSection(ini, sections[s])) continue;
    char key[20];
    char value[128];
    for (bool ok = boKvxInifGetFirstEntry(ini, key, sizeof key, value, sizeof value); ok;
         ok = boKvxInifGetNextEntry(ini, key, sizeof key, value, sizeof value)) {
      if (strcmp(key, "+") == 0)
        vLoadGlobal(value, s == 0);
      else if (boIsLetter(key[0]) && boIsLetter(key[1]))
        vLoadEntry(s == 0 ? &set->points : &set->lines, key, value);
    }
  }
  vKvxInifClose(ini);
  if (!set->points.pFirst && !set->lines.pFirst) {
    vTeleparFreeSet(set);
    return nullptr;
  }
  return set;
}

void vTeleparFreeSet(TeleparSet* set) {
  if (!set) return;
  vSLinkFreeAll(&set->points);
  vSLinkFreeAll(&set->lines);
  free(set);
}

TeleparEntry* pTeleparMatch(TeleparEntry* first, const char* code) {
  if (!code) return nullptr;
  int len = static_cast<int>(strlen(code));
  TeleparEntry* best = nullptr;
  int bestScore = 0;
  for (TeleparEntry* e = first; e; e = e->pNext) {
    for (TeleparParam& p : e->params) {
      p.sValue[0] = '\0';
      p.iPos = -1;
    }
    if (len < 2 || strncmp(e->sPrefix, code, 2) != 0) continue;
    int score = iScore(e, code, len);
    if (score > bestScore) {
      best = e;
      bestScore = score;
      for (int i = 0; i < e->iCount; ++i) vResolve(&e->params[i], code, len);
    }
  }
  return best;
}

void vTeleparApplyPointEntry(const TeleparEntry* entry) { vAddPointAttributes(entry); }

void vTeleparApplyLineEntry(const TeleparEntry* entry) {
  if (entry->sFcode[0]) vMboExtraLineFieldAdd("S_FCODE", entry->sFcode);
  for (int i = 0; i < entry->iCount; ++i) vMboExtraLineFieldAdd(entry->params[i].sName, entry->params[i].sValue);
}

void vTeleparAppendCode(char* text, const char* code) {
  if (text[0]) sStrCatN(text, " ", TELEPAR_PERSIST_SIZE);
  sStrCatN(text, code, TELEPAR_PERSIST_SIZE);
}

void vTeleparApply(const char* text) {
  if (!g_pSet) {
    if (g_boDeclined) return;
    if (!boLoadFromDialog()) {
      g_boDeclined = true;
      return;
    }
  }
  if (!text) return;
  char newPoint[TELEPAR_PERSIST_SIZE] = "";
  char newLine[TELEPAR_PERSIST_SIZE] = "";
  bool boPoint = false;
  bool boLine = false;
  const char* cursor = text;
  char field[60];
  bool boLast = false;
  while (!boLast && cursor && *cursor) {
    sStrNextToken(cursor, &cursor, field, sizeof field);
    if (char* bang = strchr(field, '!')) {
      *bang = '\0';
      boLast = true;
    }
    const char* code = field;
    bool boPersistent = code[0] == '+';
    if (boPersistent) ++code;
    if (!code[0]) continue;
    if (TeleparEntry* e = pTeleparMatch(pFirst(g_pSet->points), code)) {
      boPoint = true;
      if (e->cNode == 'y') boMboApplyControlCode(38, "", "");
      if (e->cNode == 's') vMboRecMarkNewStation();
      vTeleparApplyPointEntry(e);
      if (boPersistent) vTeleparAppendCode(newPoint, code);
    } else if (TeleparEntry* l = pTeleparMatch(pFirst(g_pSet->lines), code)) {
      boLine = true;
      vTeleparApplyLineEntry(l);
      if (boPersistent) vTeleparAppendCode(newLine, code);
    } else {
      vMboExtraPointFieldAdd("unknown", code);
    }
  }
  if (!boPoint && !boLine) {
    g_sPersistPoint[0] = '\0';
    g_sPersistLine[0] = '\0';
  }
  if (boLine) {
    vSetPersistent(g_sPersistLine, newLine);
    g_sPersistPoint[0] = '\0';
  }
  if (boPoint) vSetPersistent(g_sPersistPoint, newPoint);
}

void vTeleparApplyText(const char* text) {
  if (!g_pSet || !text) return;
  const char* cursor = text;
  char field[60];
  while (cursor && *cursor) {
    sStrNextToken(cursor, &cursor, field, sizeof field);
    if (!field[0]) continue;
    if (TeleparEntry* e = pTeleparMatch(pFirst(g_pSet->points), field))
      vTeleparApplyPointEntry(e);
    else if (TeleparEntry* l = pTeleparMatch(pFirst(g_pSet->lines), field))
      vTeleparApplyLineEntry(l);
  }
}

void vTeleparReapplyPersistent(void) {
  if (g_sPersistLine[0]) vTeleparApplyText(g_sPersistLine);
  if (g_sPersistPoint[0]) vTeleparApplyText(g_sPersistPoint);
}

void vTeleparApplyToPoint(const char* name) {
  if (!g_pSet || !name) return;
  TeleparEntry* e = pTeleparMatch(pFirst(g_pSet->points), name);
  if (!e) return;
  vTeleparApplyPointEntry(e);
  if (!boMboExtraPointFieldsPending()) return;
  // The point as the record builder named it ("12.5" is stored as "12_5"),
  // so that no second point of the same name is made.
  const char* pid = sMboRecMakePointId(name);
  if (!pid[0]) return;
  PoPoint* point = KvxMboNewOrExistingPoint(pid);
  if (!point) return;
  if (e->sFcode[0]) vMboSetPointCode(point, e->sFcode);
  vMboExtraPointFieldsApply(g_pMboPoints, point);
}

void vTeleparFree(void) {
  vTeleparFreeSet(g_pSet);
  g_pSet = nullptr;
  g_boDeclined = false;
}

bool boTeleparLoaded(void) { return g_pSet != nullptr; }
