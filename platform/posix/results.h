// Inside the layer: the endings that Windows' calls share, written once.
// A failure sets the thread's last error; a text result is copied into the
// caller's buffer in one of Windows' three ways.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "win32.h"

// Stands for the zero of whatever the call returns (0, FALSE, NULL).
struct KvxZero {
  template <typename T>
  operator T() const {
    return T();
  }
};

// Sets the last error and gives the call's failure result:
// `return KvxFail(ERROR_INVALID_PARAMETER);` in a call that returns 0, FALSE
// or NULL on failure; calls that fail with another value name it
// (`return KvxFail(error, INVALID_HANDLE_VALUE);`).
inline KvxZero KvxFail(DWORD error) {
  SetLastError(error);
  return {};
}
template <typename T>
T KvxFail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

// How a text result is given back into a buffer of `size` bytes (a size
// below 0 counts as 0).
enum KvxGiveBackStyle {
  // The length when the text and its terminator fit; else the size needed
  // (with the terminator), nothing written, no error (GetFullPathNameA,
  // GetCurrentDirectoryA, GetTempPathA, GetLongPathNameA).
  kvxLengthOrNeed,
  // The count with the terminator when they fit; a size of 0 asks for that
  // count; a smaller buffer fails with ERROR_INSUFFICIENT_BUFFER
  // (GetLocaleInfoA, GetDateFormatA).
  kvxCountOrFail,
  // As much as fits (at most size-1 characters), terminated; the count
  // copied. Nothing without a buffer or with a size of 0 (LoadStringA,
  // WM_GETTEXT, the profile strings, the controls' item texts).
  kvxCut,
};

inline size_t uKvxGiveBack(std::string_view text, char* buf, int64_t size, KvxGiveBackStyle style) {
  if (size < 0) size = 0;
  size_t need = text.size() + 1;
  size_t n = text.size();
  if (!buf || (uint64_t)size < need) {
    if (style == kvxLengthOrNeed || (style == kvxCountOrFail && size == 0)) return need;
    if (style == kvxCountOrFail) return KvxFail(ERROR_INSUFFICIENT_BUFFER);
    if (!buf || size == 0) return 0;
    n = (size_t)size - 1;
  }
  memcpy(buf, text.data(), n);
  buf[n] = 0;
  return style == kvxCountOrFail ? n + 1 : n;
}
