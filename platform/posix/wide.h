// Inside the layer: whole-text conversions between code pages and UTF-16
// for the parts that keep std::string and std::u16string.
#pragma once

#include <string>

#include "win32.h"

inline std::u16string sKvxToWide(const std::string& s, UINT codePage) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, s.data(), (int)s.size(), nullptr, 0);
  std::u16string w((size_t)(n > 0 ? n : 0), u'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, s.data(), (int)s.size(), w.data(), n);
  return w;
}

inline std::string sKvxFromWide(const std::u16string& w, UINT codePage) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(codePage, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s((size_t)(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
  return s;
}

inline std::string sKvxAnsiToUtf8(const std::string& s) { return sKvxFromWide(sKvxToWide(s, CP_ACP), CP_UTF8); }
