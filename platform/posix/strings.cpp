// The string table (LoadStringA over the texts the module registered) and
// the UTF-16 to code page 1252 conversion of template texts.
#include <algorithm>
#include <cstring>
#include <map>

#include "window_internal.h"

namespace {

std::map<UINT, std::string> gStrings;

// Code page 1252 at 0x80..0x9F; the five unassigned codes map to themselves.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char AnsiOf(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return (char)u;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == u) return (char)(0x80 + i);
  return '?';
}

}  // namespace

std::string sKvxAnsiFromUtf16(const BYTE* p, size_t units) {
  std::string s;
  s.reserve(units);
  for (size_t i = 0; i < units; ++i) s += AnsiOf((char16_t)(p[2 * i] | (p[2 * i + 1] << 8)));
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
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    if (size > 0) buffer[0] = 0;
    return 0;
  }
  if (size == 0) {
    *(const char**)buffer = it->second.c_str();
    return (int)it->second.size();
  }
  if (size < 0) return 0;
  size_t n = std::min(it->second.size(), (size_t)size - 1);
  memcpy(buffer, it->second.data(), n);
  buffer[n] = 0;
  return (int)n;
}

}  // extern "C"
