// Ini files through the handle and the one-call interfaces, over the
// platform's ini engine. A handle holds the path, the mode, the current
// section and the listing position only: nothing of the file's content.
#include <cstring>
#include <new>
#include <string>

#include "kvx_ini.h"
#include "kvxlib.h"

struct KvxInif {
  std::string path;
  bool write = false;
  std::string section;
  bool hasSection = false;
  int nextEntry = 0;
};

static void vInifClear(char* buf, int size) {
  if (buf && size > 0) buf[0] = 0;
}

extern "C" {

KvxInif* pKvxInifOpen(const char* path, int write) {
  if (!path) return nullptr;
  try {
    KvxInif* h = new KvxInif;
    h->path = path;
    h->write = write != 0;
    return h;
  } catch (...) {
    return nullptr;
  }
}

bool boKvxInifSetSection(KvxInif* h, const char* section) {
  if (!h || !section) return false;
  try {
    h->section = section;
    h->hasSection = true;
    h->nextEntry = 0;
    // Reading needs the section to be there; writing makes it on the first
    // entry written.
    return h->write || boKvxIniHasSection(h->path.c_str(), section);
  } catch (...) {
    return false;
  }
}

bool boKvxInifGetEntry(KvxInif* h, const char* key, char* buf, int size) {
  vInifClear(buf, size);
  if (!h || !h->hasSection || !key) return false;
  return boKvxIniRead(h->path.c_str(), h->section.c_str(), key, buf, size);
}

void vKvxInifPutEntry(KvxInif* h, const char* key, const char* value) {
  if (!h || !h->write || !h->hasSection || !key) return;
  boKvxIniWrite(h->path.c_str(), h->section.c_str(), key, value ? value : "");
}

bool boKvxInifGetFirstEntry(KvxInif* h, char* key, int keySize, char* value, int valueSize) {
  if (h) h->nextEntry = 0;
  return boKvxInifGetNextEntry(h, key, keySize, value, valueSize);
}

bool boKvxInifGetNextEntry(KvxInif* h, char* key, int keySize, char* value, int valueSize) {
  vInifClear(key, keySize);
  vInifClear(value, valueSize);
  if (!h || !h->hasSection) return false;
  if (!boKvxIniEntryAt(h->path.c_str(), h->section.c_str(), h->nextEntry, key, keySize, value, valueSize))
    return false;
  h->nextEntry++;
  return true;
}

void vKvxInifClose(KvxInif* h) { delete h; }

bool boKvxInifGet(const char* path, const char* section, const char* key, char* buf, int size) {
  vInifClear(buf, size);
  if (!path || !section || !key) return false;
  return boKvxIniRead(path, section, key, buf, size);
}

void vKvxInifPut(const char* path, const char* section, const char* key, const char* value) {
  if (!path || !section || !key) return;
  boKvxIniWrite(path, section, key, value ? value : "");
}

}  // extern "C"
