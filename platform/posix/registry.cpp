// The registry: a store in memory, keyed by root and path ignoring case.
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "kvxtest_registry.h"
#include "win32.h"

namespace {

struct Value {
  DWORD type;
  std::vector<unsigned char> data;
};

// One open key: a root and a path below it.
struct OpenKey {
  ULONG_PTR root;
  std::string path;
};

std::mutex gLock;
// "root|path" (lower case) -> value name (lower case) -> value.
std::map<std::string, std::map<std::string, Value>> gKeys;

bool boIsRoot(HKEY key) {
  ULONG_PTR base = (ULONG_PTR)HKEY_CLASSES_ROOT;
  return (ULONG_PTR)key >= base && (ULONG_PTR)key < base + 16;
}

std::string sLower(const char* text) {
  std::string s = text ? text : "";
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
  return s;
}

// Separators made single and without ends, so "A\\B\" is "a\b".
std::string sKeyPath(const std::string& parent, const char* subKey) {
  std::string whole = parent + "\\" + sLower(subKey);
  std::string out;
  for (char c : whole) {
    if (c == '/') c = '\\';
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

std::string sStoreKey(ULONG_PTR root, const std::string& path) { return std::to_string(root) + "|" + path; }

bool boResolve(HKEY key, ULONG_PTR* root, std::string* path) {
  if (!key) return false;
  if (boIsRoot(key)) {
    *root = (ULONG_PTR)key;
    path->clear();
    return true;
  }
  OpenKey* open = (OpenKey*)key;
  *root = open->root;
  *path = open->path;
  return true;
}

}  // namespace

extern "C" {

void KvxTestRegSetValue(HKEY root, const char* subKey, const char* valueName, DWORD type, const void* data,
                        DWORD size) {
  std::lock_guard<std::mutex> lock(gLock);
  Value& v = gKeys[sStoreKey((ULONG_PTR)root, sKeyPath("", subKey))][sLower(valueName)];
  v.type = type;
  v.data.assign((const unsigned char*)data, (const unsigned char*)data + size);
}

void KvxTestRegSetString(HKEY root, const char* subKey, const char* valueName, const char* text) {
  KvxTestRegSetValue(root, subKey, valueName, REG_SZ, text, (DWORD)strlen(text) + 1);
}

void KvxTestRegClear(void) {
  std::lock_guard<std::mutex> lock(gLock);
  gKeys.clear();
}

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result) {
  (void)options;
  (void)access;
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  ULONG_PTR root;
  std::string path;
  if (!boResolve(key, &root, &path)) return ERROR_INVALID_HANDLE;
  path = sKeyPath(path, subKey);
  {
    std::lock_guard<std::mutex> lock(gLock);
    // A key exists when it, or a key below it, was given values. Keys below
    // it are looked up from "path\" on: a sibling such as "path-old" sorts
    // between the two.
    std::string wanted = sStoreKey(root, path);
    std::string below = wanted + "\\";
    auto it = gKeys.lower_bound(below);
    if (!gKeys.count(wanted) && (it == gKeys.end() || it->first.compare(0, below.size(), below) != 0))
      return ERROR_FILE_NOT_FOUND;
  }
  *result = (HKEY) new OpenKey{root, path};
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
  (void)reserved;
  ULONG_PTR root;
  std::string path;
  if (!boResolve(key, &root, &path)) return ERROR_INVALID_HANDLE;
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(gLock);
  auto k = gKeys.find(sStoreKey(root, path));
  if (k == gKeys.end()) return ERROR_FILE_NOT_FOUND;
  auto v = k->second.find(sLower(valueName));
  if (v == k->second.end()) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->second.type;
  DWORD need = (DWORD)v->second.data.size();
  if (!dataSize) return ERROR_SUCCESS;
  if (data && *dataSize < need) {
    *dataSize = need;
    return ERROR_MORE_DATA;
  }
  if (data && need) memcpy(data, v->second.data.data(), need);
  *dataSize = need;
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (!boIsRoot(key)) delete (OpenKey*)key;
  return ERROR_SUCCESS;
}
}
