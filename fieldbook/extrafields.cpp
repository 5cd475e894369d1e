// Extra attribute fields of points and lines.
#include "fieldbook/extrafields.h"

#include <cstring>

#include "base/text.h"
#include "fieldbook/convert.h"
#include "fieldbook/record.h"
#include "fieldbook/transfer_context.h"

namespace {

SLinkList g_lineGlobal;
SLinkList g_lineFields;
SLinkList g_pointGlobal;
SLinkList g_pointFields;

SLinkList* const g_allLists[] = {&g_lineGlobal, &g_lineFields, &g_pointGlobal, &g_pointFields};

const char* sSkipBlanks(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

// A field's code: the point's code rule, or the line builder's name of the
// line; a line no builder makes takes its code text directly.
void vApplyCode(void* object, const char* value, bool isLine, LiLine* line, char* name, int size) {
  if (!isLine) {
    vMboSetPointCode(static_cast<PoPoint*>(object), value);
  } else if (name) {
    sStrCopyN(name, value, size < 16 ? size : 16);
  } else {
    vLiLineSetField(line, sMboConvertFeatureCode(&g_mboTransfer.settings, value));
  }
}

void vApplyList(ViFields* fieldSet, void* object, SLinkList* list, bool isLine, char* name, int size) {
  for (SLinkObj* o = list->pFirst; o; o = o->pNext) {
    MboExtraField* field = reinterpret_cast<MboExtraField*>(o);
    if (strcmp(field->sName, "S_FCODE") == 0)
      vApplyCode(object, field->sValue, isLine, static_cast<LiLine*>(object), name, size);
    else
      boViFieldsSetOrAddFieldByName(fieldSet, object, field->sName, field->sValue);
  }
}

void vApplyLine(LiLines* lines, LiLine* line, char* name, int size) {
  if (lines && line) {
    ViFields* fieldSet = pViLFieldsGet(lines);
    vApplyList(fieldSet, line, &g_lineGlobal, true, name, size);
    vApplyList(fieldSet, line, &g_lineFields, true, name, size);
  }
  vSLinkFreeAll(&g_lineFields);
}

}  // namespace

void vMboExtraFieldsInitAll(void) {
  for (SLinkList* list : g_allLists) {
    vSLinkFreeAll(list);
    vSLinkInit(list, sizeof(MboExtraField), nullptr);
  }
}

void vMboExtraFieldsFreeAll(void) {
  for (SLinkList* list : g_allLists) vSLinkFreeAll(list);
}

void vMboExtraFieldListPut(SLinkList* list, const char* name, const char* value) {
  if (!list || !name) return;
  MboExtraField field{};
  sStrCopyN(field.sName, sSkipBlanks(name), sizeof field.sName);
  sStrCopyN(field.sValue, sSkipBlanks(sStrNotNull(value)), sizeof field.sValue);
  sStrTrimRight(field.sName);
  sStrTrimRight(field.sValue);
  for (SLinkObj* o = list->pFirst; o; o = o->pNext) {
    MboExtraField* old = reinterpret_cast<MboExtraField*>(o);
    if (strcmp(old->sName, field.sName) == 0) {
      memcpy(old->sValue, field.sValue, sizeof field.sValue);
      return;
    }
  }
  if (list->uObjSize == 0) vSLinkInit(list, sizeof(MboExtraField), nullptr);
  pSLinkNewObj(list, nullptr, &field);
}

void vMboExtraLineFieldAdd(const char* name, const char* value) { vMboExtraFieldListPut(&g_lineFields, name, value); }

void vMboExtraLineFieldAddGlobal(const char* name, const char* value) {
  vMboExtraFieldListPut(&g_lineGlobal, name, value);
}

void vMboExtraPointFieldAddGlobal(const char* name, const char* value) {
  vMboExtraFieldListPut(&g_pointGlobal, name, value);
}

void vMboExtraPointFieldAdd(const char* name, const char* value) {
  if (name && strcmp(name, "PNAME") == 0) return;
  vMboExtraFieldListPut(&g_pointFields, name, value);
}

bool boMboExtraPointFieldsPending(void) { return g_pointFields.pFirst != nullptr; }
bool boMboExtraLineFieldsPending(void) { return g_lineFields.pFirst != nullptr; }

void vMboExtraPointFieldsApply(PoPoints* points, PoPoint* point) {
  if (points && point) {
    ViFields* fieldSet = pViPFieldsGet(points);
    vApplyList(fieldSet, point, &g_pointGlobal, false, nullptr, 0);
    vApplyList(fieldSet, point, &g_pointFields, false, nullptr, 0);
  }
  vSLinkFreeAll(&g_pointFields);
}

void vMboExtraLineFieldsApply(LiLines* lines, LiLine* line) { vApplyLine(lines, line, nullptr, 0); }

void vMboExtraLineFieldsApplyNamed(LiLines* lines, LiLine* line, char* name, int size) {
  vApplyLine(lines, line, name, size);
}
