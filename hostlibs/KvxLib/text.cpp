// Translation of user-visible texts and the host's date strings.
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

#include "kvxlib.h"
#include "kvxlib_setup.h"

namespace {

std::atomic<KvxPoTranslator> g_translator{nullptr};

// Marked texts live as long as the process: callers keep the pointers.
std::mutex g_markMutex;
std::unordered_set<std::string>* g_marked = nullptr;

bool boDigits(const char* s, int n) {
  for (int i = 0; i < n; i++) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

int iDigits(const char* s, int n) {
  int v = 0;
  for (int i = 0; i < n; i++) v = v * 10 + (s[i] - '0');
  return v;
}

bool boValidDate(int y, int m, int d) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  int dm = days[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) dm = 29;
  return d <= dm;
}

bool boDateSep(char c) { return c == '.' || c == '-' || c == '/'; }

// What may follow the date: nothing, or a time part.
bool boDateTail(const char* s) { return *s == 0 || *s == '_' || *s == 'T' || *s == ' '; }

}  // namespace

extern "C" {

const char* sKvxPoGetText(const char* english) {
  if (!english) return "";
  KvxPoTranslator fn = g_translator.load();
  if (!fn) return english;
  const char* t = fn(english);
  return t ? t : english;
}

void vKvxPoSetTranslator(KvxPoTranslator fn) { g_translator.store(fn); }

const char* sKvxPoMarkTranslator(const char* english) {
  if (!english) return "";
  try {
    std::lock_guard<std::mutex> lock(g_markMutex);
    if (!g_marked) g_marked = new std::unordered_set<std::string>;
    return g_marked->insert(std::string("[T]") + english).first->c_str();
  } catch (...) {
    return english;
  }
}

bool boStrToKvxDateStr(const char* in, char* out, int size) {
  if (out && size > 0) out[0] = 0;
  if (!in || !out || size <= 0) return false;
  while (*in == ' ') in++;
  int y, m, d;
  const char* tail;
  if (boDigits(in, 4) && boDateSep(in[4]) && boDigits(in + 5, 2) && in[7] == in[4] && boDigits(in + 8, 2)) {
    y = iDigits(in, 4);
    m = iDigits(in + 5, 2);
    d = iDigits(in + 8, 2);
    tail = in + 10;
  } else if (boDigits(in, 2) && boDateSep(in[2]) && boDigits(in + 3, 2) && in[5] == in[2] && boDigits(in + 6, 4)) {
    d = iDigits(in, 2);
    m = iDigits(in + 3, 2);
    y = iDigits(in + 6, 4);
    tail = in + 10;
  } else {
    return false;
  }
  if (!boDateTail(tail) || !boValidDate(y, m, d)) return false;
  if (size < 11) return false;
  const int parts[] = {y / 1000, y / 100 % 10, y / 10 % 10, y % 10, -1, m / 10, m % 10, -1, d / 10, d % 10};
  for (int i = 0; i < 10; i++) out[i] = parts[i] < 0 ? '.' : static_cast<char>('0' + parts[i]);
  out[10] = 0;
  return true;
}

}  // extern "C"
