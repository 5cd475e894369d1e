// The user's locale answers. Fixed defaults (a "." decimal separator) keep
// results alike on every machine; tests change them through kvxtest_text.h.
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "kvxtest_text.h"
#include "win32.h"
#include "results.h"

namespace {

std::mutex& LocaleLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

// Answers set by tests, by item.
std::map<DWORD, std::string>& Overrides() {
  static auto* overrides = new std::map<DWORD, std::string>;
  return *overrides;
}

const char* DefaultInfo(LCTYPE type) {
  switch (type) {
    case LOCALE_SDECIMAL:
      return ".";
    case LOCALE_STHOUSAND:
      return " ";
    case LOCALE_SLIST:
      return ";";
    case LOCALE_SSHORTDATE:
      return "dd.MM.yyyy";
    case LOCALE_STIMEFORMAT:
      return "HH:mm:ss";
    case LOCALE_IDEFAULTCODEPAGE:
      return "865";
    case LOCALE_IDEFAULTANSICODEPAGE:
      return "1252";
    default:
      return nullptr;
  }
}

}  // namespace

extern "C" {

int WINAPI GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int cch) {
  (void)locale;
  type &= ~(LCTYPE)LOCALE_NOUSEROVERRIDE;
  std::string value;
  {
    std::lock_guard<std::mutex> guard(LocaleLock());
    auto it = Overrides().find(type);
    if (it != Overrides().end()) {
      value = it->second;
    } else {
      const char* def = DefaultInfo(type);
      if (!def) return KvxFail(ERROR_INVALID_FLAGS);
      value = def;
    }
  }
  if (value.empty() || cch < 0 || (cch > 0 && !data)) return KvxFail(ERROR_INVALID_PARAMETER);
  return (int)uKvxGiveBack(value, data, cch, kvxCountOrFail);
}

void vKvxTestTextSetLocaleInfo(DWORD type, const char* value) {
  std::lock_guard<std::mutex> guard(LocaleLock());
  if (value)
    Overrides()[type] = value;
  else
    Overrides().erase(type);
}

void vKvxTestTextSetDecimalSep(const char* sep) { vKvxTestTextSetLocaleInfo(LOCALE_SDECIMAL, sep); }

}  // extern "C"
