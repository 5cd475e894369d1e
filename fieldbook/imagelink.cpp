// Image files linked to field-book objects.
#include "fieldbook/imagelink.h"

#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "fieldbook/transfer_context.h"
#include "kv2gr.h"

namespace {

const int kLinkSize = 4000;  // the attribute text, terminator included

// dir\name into buf; false when it would not fit (a cut path could name
// another file).
bool boJoin(const char* dir, const char* name, char* buf) {
  if (strlen(dir) + 1 + strlen(name) > kPathSize - 1) return false;
  sPathJoin(dir, name, buf, kPathSize);
  return true;
}

}  // namespace

bool boXmlFindImageFile(const char* name, const char* base, const char* sub1, const char* sub2, char* out, int size) {
  if (!name || !*name || !base || !out || size <= 0) return false;
  const char* subs[] = {sub1, sub2, nullptr};
  for (int i = 0; i < 3; ++i) {
    char dir[kPathSize], path[kPathSize];
    if (i < 2) {
      if (!subs[i] || !*subs[i] || !boJoin(base, subs[i], dir)) continue;
    } else {
      sStrCopyN(dir, base, sizeof dir);
    }
    if (!boJoin(dir, name, path) || !boPathExists(path)) continue;
    if (static_cast<int>(strlen(path)) >= size) return false;
    sStrCopyN(out, path, size);
    return true;
  }
  return false;
}

void vMboAttachImage(const char* name, ViFields* fields, void* object) {
  if (!fields || !object) return;
  char folder[kPathSize];
  sPathGetDir(g_mboTransfer.sRawPath, folder, sizeof folder);
  char found[kPathSize];
  if (!boXmlFindImageFile(name, folder, "Images", nullptr, found, sizeof found)) return;
  // The field's text is invalid once the field is written: copy it first.
  char link[kLinkSize];
  sStrCopyN(link, sStrNotNull(sViFieldsGetFieldByName(fields, object, "S_HYPERLINK")), sizeof link);
  if (link[0]) sStrCatN(link, ";", sizeof link);
  sStrCatN(link, found, sizeof link);
  boViFieldsSetOrAddFieldByName(fields, object, "S_HYPERLINK", link);
}
