// Stand-ins, as weak symbols, for what the record builder calls of the
// transfer operations and the line builders until those land: the real
// definitions take their place at link time. Delete each one when its real
// one is on main.
#include <cctype>

#include "fieldbook/record_links.h"

namespace {
bool boDigit(char c) { return c >= '0' && c <= '9'; }
const char* pSkipBlanks(const char* text) {
  while (*text == ' ') ++text;
  return text;
}
}  // namespace

__attribute__((weak)) bool boMboIsNumber(const char* text) {
  if (!text) return false;
  const char* p = pSkipBlanks(text);
  if (boDigit(p[0])) return true;
  bool sign = p[0] == '+' || p[0] == '-';
  if (sign) return boDigit(p[1]) || (p[1] == '.' && boDigit(p[2]));
  if (p[0] == '.') return boDigit(p[1]) || ((p[1] == '+' || p[1] == '-') && boDigit(p[2]));
  return false;
}

__attribute__((weak)) bool boMboIsInteger(const char* text) {
  if (!text) return false;
  const char* p = pSkipBlanks(text);
  if (boDigit(p[0])) return true;
  return (p[0] == '+' || p[0] == '-') && boDigit(p[1]);
}

