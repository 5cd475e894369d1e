// Ini files through the handle and the one-call interfaces. Everything goes
// through the profile-string functions, so KvxLib shares one ini engine with
// them (ours on Linux, the system's on Windows). A handle holds the path, the
// mode, the current section and the listing only.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "kvxlib.h"
#include "win32.h"

struct KvxInif {
  std::string path;
  bool write = false;
  std::string section;
  bool hasSection = false;
  int nextEntry = 0;
  // The entries of the section being listed, taken by the first-entry call.
  // Each is kept with its own value: a key given twice has two.
  std::vector<std::pair<std::string, std::string>> entries;
};

namespace {

// Given for a missing key; no stored value looks like it.
const char kAbsent[] =
    "\x01"
    "kvx"
    "\x02"
    "absent"
    "\x03";
const size_t kMaxText = 1u << 20;

void vInifClear(char* buf, int size) {
  if (buf && size > 0) buf[0] = 0;
}

void vInifCopy(const std::string& s, char* buf, int size) {
  if (!buf || size <= 0) return;
  size_t n = s.size() < static_cast<size_t>(size - 1) ? s.size() : static_cast<size_t>(size - 1);
  memcpy(buf, s.data(), n);
  buf[n] = 0;
}

// The whole value of a key; false when the key is missing.
bool boInifRead(const std::string& path, const char* section, const char* key, std::string* out) {
  std::vector<char> buf(512);
  for (;;) {
    DWORD n = GetPrivateProfileStringA(section, key, kAbsent, buf.data(), static_cast<DWORD>(buf.size()), path.c_str());
    if (n + 1 < buf.size() || buf.size() >= kMaxText) {
      out->assign(buf.data(), n);
      break;
    }
    buf.resize(buf.size() * 4);
  }
  return *out != kAbsent;
}

// Section names (section null) or a section's keys, in file order.
std::vector<std::string> listNames(const std::string& path, const char* section) {
  std::vector<char> buf(1024);
  DWORD n;
  for (;;) {
    n = GetPrivateProfileStringA(section, nullptr, "", buf.data(), static_cast<DWORD>(buf.size()), path.c_str());
    if (n + 2 < buf.size() || buf.size() >= kMaxText) break;
    buf.resize(buf.size() * 4);
  }
  std::vector<std::string> names;
  for (DWORD at = 0; at < n && buf[at];) {
    names.emplace_back(&buf[at]);
    at += static_cast<DWORD>(names.back().size()) + 1;
  }
  return names;
}

// A section's entries with their values, in file order. The value of a key
// is read by its name, which gives the first of repeated keys, so the
// section is taken whole; quotes come off as a single read takes them off.
std::vector<std::pair<std::string, std::string>> listEntries(const std::string& path, const char* section) {
  std::vector<char> buf(4096);
  DWORD n;
  for (;;) {
    n = GetPrivateProfileSectionA(section, buf.data(), static_cast<DWORD>(buf.size()), path.c_str());
    if (n + 2 < buf.size() || buf.size() >= kMaxText) break;
    buf.resize(buf.size() * 4);
  }
  std::vector<std::pair<std::string, std::string>> entries;
  for (DWORD at = 0; at < n && buf[at];) {
    std::string line(&buf[at]);
    at += static_cast<DWORD>(line.size()) + 1;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    entries.emplace_back(line.substr(0, eq), value);
  }
  return entries;
}

// Names compare as the ini engine compares them: blanks around b dropped,
// ASCII case ignored.
bool boSameName(const std::string& a, const char* b) {
  while (*b == ' ' || *b == '\t') b++;
  size_t n = strlen(b);
  while (n > 0 && (b[n - 1] == ' ' || b[n - 1] == '\t')) n--;
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; i++) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool boInifHasSection(const std::string& path, const char* section) {
  for (const std::string& s : listNames(path, nullptr)) {
    if (boSameName(s, section)) return true;
  }
  return false;
}

}  // namespace

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
    h->entries.clear();
    // Reading needs the section to be there; writing makes it on the first
    // entry written.
    return h->write || boInifHasSection(h->path, section);
  } catch (...) {
    return false;
  }
}

bool boKvxInifGetEntry(KvxInif* h, const char* key, char* buf, int size) {
  vInifClear(buf, size);
  if (!h || !h->hasSection || !key) return false;
  try {
    std::string v;
    if (!boInifRead(h->path, h->section.c_str(), key, &v)) return false;
    vInifCopy(v, buf, size);
    return true;
  } catch (...) {
    return false;
  }
}

void vKvxInifPutEntry(KvxInif* h, const char* key, const char* value) {
  if (!h || !h->write || !h->hasSection || !key) return;
  WritePrivateProfileStringA(h->section.c_str(), key, value ? value : "", h->path.c_str());
}

bool boKvxInifGetFirstEntry(KvxInif* h, char* key, int keySize, char* value, int valueSize) {
  vInifClear(key, keySize);
  vInifClear(value, valueSize);
  if (!h || !h->hasSection) return false;
  try {
    h->entries = listEntries(h->path, h->section.c_str());
  } catch (...) {
    return false;
  }
  h->nextEntry = 0;
  return boKvxInifGetNextEntry(h, key, keySize, value, valueSize);
}

bool boKvxInifGetNextEntry(KvxInif* h, char* key, int keySize, char* value, int valueSize) {
  vInifClear(key, keySize);
  vInifClear(value, valueSize);
  if (!h || !h->hasSection) return false;
  try {
    if (h->nextEntry < 0 || static_cast<size_t>(h->nextEntry) >= h->entries.size()) return false;
    const auto& entry = h->entries[static_cast<size_t>(h->nextEntry)];
    vInifCopy(entry.first, key, keySize);
    vInifCopy(entry.second, value, valueSize);
    h->nextEntry++;
    return true;
  } catch (...) {
    return false;
  }
}

void vKvxInifClose(KvxInif* h) { delete h; }

bool boKvxInifGet(const char* path, const char* section, const char* key, char* buf, int size) {
  vInifClear(buf, size);
  if (!path || !section || !key) return false;
  try {
    std::string v;
    if (!boInifRead(path, section, key, &v)) return false;
    vInifCopy(v, buf, size);
    return true;
  } catch (...) {
    return false;
  }
}

void vKvxInifPut(const char* path, const char* section, const char* key, const char* value) {
  if (!path || !section || !key) return;
  WritePrivateProfileStringA(section, key, value ? value : "", path);
}

}  // extern "C"
