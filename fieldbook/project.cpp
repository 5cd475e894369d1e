// Project attributes.
#include "fieldbook/project.h"

#include <cstring>

#include "kvxlib.h"
#include "base/text.h"
#include "fieldbook/lifecycle.h"

namespace {

struct ProjectKey {
  const char* sKey;
  size_t uOffset;
  int iSize;  // the width plus the terminator
};

#define MBO_PROJECT_KEY(key, field) \
  { key, offsetof(MboProjectAttrs, field), static_cast<int>(sizeof(MboProjectAttrs::field)) }

const ProjectKey kProjectKeys[] = {
    MBO_PROJECT_KEY("PROJECT", sProject),
    MBO_PROJECT_KEY("PROJECTDESCR", sProjectDescr),
    MBO_PROJECT_KEY("SIGN", sSign),
    MBO_PROJECT_KEY("DATE", sDate),
    MBO_PROJECT_KEY("INKAOMRSIGN", sInkaOmrSign),
    MBO_PROJECT_KEY("INKASONE", sInkaSone),
    MBO_PROJECT_KEY("KEYATTRIBUTE", sKeyAttribute),
    MBO_PROJECT_KEY("TERVERSION", sTerVersion),
};

const ProjectKey* pFindKey(const char* key) {
  if (!key) return nullptr;
  for (const ProjectKey& k : kProjectKeys)
    if (strcmp(k.sKey, key) == 0) return &k;
  return nullptr;
}

char* sField(const ProjectKey* k) { return reinterpret_cast<char*>(&g_mbo.project) + k->uOffset; }

}  // namespace

std::string sMboProjectAttr(const char* key) {
  char buf[sizeof(MboProjectAttrs::sProject)] = "";  // the widest key
  boMboGetProjectAttr(key, buf, (int)sizeof buf);
  return buf;
}

BOOL boMboGetProjectAttr(const char* key, char* buf, int size) {
  bool writable = buf && size > 0;
  if (writable) buf[0] = '\0';
  const ProjectKey* k = pFindKey(key);
  if (!k) return false;
  const char* value = sField(k);
  char date[20];
  if (k->uOffset == offsetof(MboProjectAttrs, sDate)) {
    // A date the host cannot read gives an empty text, still true.
    if (!boStrToKvxDateStr(value, date, sizeof date)) return true;
    date[sizeof date - 1] = '\0';
    value = date;
  }
  if (writable) sStrCopyN(buf, value, size);
  return true;
}

BOOL boMboSetProjectAttr(const char* key, const char* text) {
  const ProjectKey* k = pFindKey(key);
  if (!k) return false;
  sStrCopyN(sField(k), text, k->iSize);
  return true;
}
