// The string table (LoadStringA over the texts the module registered) and
// the UTF-16 to code page 1252 conversion of template texts.
#include <algorithm>
#include <cstring>
#include <map>

#include "window_internal.h"
#include "results.h"

namespace {

std::map<UINT, std::string> gStrings;

}  // namespace

std::string sKvxAnsiFromUtf16(const BYTE* p, size_t units) {
  if (units == 0) return std::string();
  std::vector<WCHAR> wide(units);
  for (size_t i = 0; i < units; ++i) wide[i] = (WCHAR)(p[2 * i] | (p[2 * i + 1] << 8));
  std::string s(units, '\0');
  int n = WideCharToMultiByte(1252, 0, wide.data(), (int)units, s.data(), (int)units, nullptr, nullptr);
  s.resize(n > 0 ? (size_t)n : 0);
  return s;
}

extern "C" {

BOOL kvxRegisterString(HINSTANCE, UINT id, LPCSTR text) {
  if (!text) {
    gStrings.erase(id);
    return TRUE;
  }
  gStrings[id] = text;
  return TRUE;
}

int WINAPI LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
  auto it = gStrings.find(id);
  if (!buffer) return 0;
  if (it == gStrings.end() || it->second.empty()) {
    if (size > 0) buffer[0] = 0;
    return KvxFail(ERROR_RESOURCE_NAME_NOT_FOUND);
  }
  if (size == 0) {
    *(const char**)buffer = it->second.c_str();
    return (int)it->second.size();
  }
  return (int)uKvxGiveBack(it->second, buffer, size, kvxCut);
}

}  // extern "C"
