// The ini engine and the profile-string functions over it. The host's ini
// library (KvxLib) calls the engine through kvx_ini.h, so both interfaces
// read and write files the same way. Files are small: every call reads the
// whole file and every change rewrites it, which keeps the two interfaces
// from ever seeing stale content of each other.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "kvx_ini.h"
#include "win32.h"
#include "results.h"

namespace {

std::mutex g_iniMutex;

struct IniFile {
  std::vector<std::string> lines;  // without line ends
  bool crlf = true;                // line end used when writing
  bool exists = false;
};

// The host form of the Windows path (separators, drive, code page and the
// case fallback of the file layer).
std::string sIniMapPath(const char* path) {
  std::vector<char> buf(strlen(path) * 3 + 16);
  if (KvxPlatformHostPath(path, buf.data(), static_cast<int>(buf.size())) < 0) return std::string();
  return std::string(buf.data());
}

bool boIniIsBlank(char c) { return c == ' ' || c == '\t'; }

std::string sIniTrim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && boIniIsBlank(s[b])) b++;
  while (e > b && boIniIsBlank(s[e - 1])) e--;
  return s.substr(b, e - b);
}

// A name as given is compared trimmed, as the file holds it.
bool boIniSameName(const std::string& a, const char* b) {
  while (boIniIsBlank(*b)) b++;
  size_t n = strlen(b);
  while (n > 0 && boIniIsBlank(b[n - 1])) n--;
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; i++) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// A "[name]" line gives true and the trimmed name.
bool boIniSectionLine(const std::string& line, std::string* name) {
  std::string t = sIniTrim(line);
  if (t.size() < 2 || t[0] != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *name = sIniTrim(t.substr(1, close - 1));
  return true;
}

// A "key=value" line (not a comment) gives true with trimmed key and value.
bool boIniKeyLine(const std::string& line, std::string* key, std::string* value) {
  std::string t = sIniTrim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  *key = sIniTrim(t.substr(0, eq));
  *value = sIniTrim(t.substr(eq + 1));
  return !key->empty();
}

std::string sIniUnquote(const std::string& v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

IniFile iniLoad(const std::string& path) {
  IniFile f;
  FILE* fp = fopen(path.c_str(), "rb");
  if (!fp) return f;
  f.exists = true;
  std::string data;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, fp)) > 0) data.append(chunk, n);
  fclose(fp);
  bool sawLf = false;
  bool sawCrlf = false;
  size_t start = 0;
  while (start < data.size()) {
    size_t lf = data.find('\n', start);
    size_t end = lf == std::string::npos ? data.size() : lf;
    size_t cut = end;
    if (lf != std::string::npos) {
      sawLf = true;
      if (cut > start && data[cut - 1] == '\r') {
        cut--;
        sawCrlf = true;
      }
    }
    f.lines.push_back(data.substr(start, cut - start));
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  if (sawLf) f.crlf = sawCrlf;
  return f;
}

// Rewritten in place, as Windows does: a read-only file stays unwritten, and
// links and permissions stay as they are.
bool boIniSave(const std::string& path, const IniFile& f) {
  std::string data;
  const char* eol = f.crlf ? "\r\n" : "\n";
  for (const std::string& l : f.lines) {
    data += l;
    data += eol;
  }
  FILE* fp = fopen(path.c_str(), "wb");
  if (!fp) return false;
  bool ok = fwrite(data.data(), 1, data.size(), fp) == data.size();
  if (fclose(fp) != 0) ok = false;
  return ok;
}

// Line range of the first section of that name: [header, end).
bool boIniFindSection(const IniFile& f, const char* section, size_t* header, size_t* end) {
  std::string name;
  for (size_t i = 0; i < f.lines.size(); i++) {
    if (boIniSectionLine(f.lines[i], &name) && boIniSameName(name, section)) {
      size_t j = i + 1;
      std::string other;
      while (j < f.lines.size() && !boIniSectionLine(f.lines[j], &other)) j++;
      *header = i;
      *end = j;
      return true;
    }
  }
  return false;
}

// A value written on one line: a line break would start a line of its own
// in the file, so the value ends there.
std::string sIniOneLine(const char* s) {
  std::string v(s);
  size_t cut = v.find_first_of("\r\n");
  if (cut != std::string::npos) v.resize(cut);
  return v;
}

bool boIniReadLocked(const std::string& path, const char* section, const char* key, std::string* value) {
  IniFile f = iniLoad(path);
  size_t h, e;
  if (!boIniFindSection(f, section, &h, &e)) return false;
  std::string k, v;
  for (size_t i = h + 1; i < e; i++) {
    if (boIniKeyLine(f.lines[i], &k, &v) && boIniSameName(k, key)) {
      *value = sIniUnquote(v);
      return true;
    }
  }
  return false;
}

bool boIniWriteLocked(const std::string& path, const char* section, const char* key, const char* value) {
  IniFile f = iniLoad(path);
  size_t h, e;
  bool has = boIniFindSection(f, section, &h, &e);
  if (!key) {
    if (!has) return true;
    f.lines.erase(f.lines.begin() + static_cast<long>(h), f.lines.begin() + static_cast<long>(e));
    return boIniSave(path, f);
  }
  std::string k, v;
  if (has) {
    for (size_t i = h + 1; i < e; i++) {
      if (boIniKeyLine(f.lines[i], &k, &v) && boIniSameName(k, key)) {
        if (!value) {
          f.lines.erase(f.lines.begin() + static_cast<long>(i));
        } else {
          f.lines[i] = k + "=" + sIniOneLine(value);
        }
        return boIniSave(path, f);
      }
    }
    if (!value) return true;
    // After the section's last non-blank line, so that a blank line before
    // the next section stays where it is.
    size_t at = e;
    while (at > h + 1 && sIniTrim(f.lines[at - 1]).empty()) at--;
    f.lines.insert(f.lines.begin() + static_cast<long>(at), sIniTrim(key) + "=" + sIniOneLine(value));
    return boIniSave(path, f);
  }
  if (!value) return true;
  f.lines.push_back("[" + sIniTrim(section) + "]");
  f.lines.push_back(sIniTrim(key) + "=" + sIniOneLine(value));
  return boIniSave(path, f);
}

// Names that the file could not hold as written: they would read back as
// another name, as a comment or a section, or break the line structure.
bool boIniBadName(const char* name, const char* forbidden, const char* badFirst) {
  std::string t = sIniTrim(name);
  return t.empty() || t.find_first_of(forbidden) != std::string::npos || strchr(badFirst, t[0]);
}

}  // namespace

extern "C" {

bool boKvxIniRead(const char* path, const char* section, const char* key, char* buf, int size) {
  if (buf && size > 0) buf[0] = 0;
  if (!path || !*path || !section || !key) return false;
  try {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    std::string v;
    if (!boIniReadLocked(sIniMapPath(path), section, key, &v)) return false;
    uKvxGiveBack(v, buf, size, kvxCut);
    return true;
  } catch (...) {
    return false;
  }
}

bool boKvxIniWrite(const char* path, const char* section, const char* key, const char* value) {
  if (!path || !*path || !section) return false;
  if (boIniBadName(section, "]\r\n", "") || (key && boIniBadName(key, "=\r\n", ";#["))) return false;
  try {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    return boIniWriteLocked(sIniMapPath(path), section, key, value);
  } catch (...) {
    return false;
  }
}

bool boKvxIniEntryAt(const char* path, const char* section, int index, char* key, int keySize, char* value,
                     int valueSize) {
  if (key && keySize > 0) key[0] = 0;
  if (value && valueSize > 0) value[0] = 0;
  if (!path || !*path || !section || index < 0) return false;
  try {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    IniFile f = iniLoad(sIniMapPath(path));
    size_t h, e;
    if (!boIniFindSection(f, section, &h, &e)) return false;
    std::string k, v;
    int n = 0;
    for (size_t i = h + 1; i < e; i++) {
      if (!boIniKeyLine(f.lines[i], &k, &v)) continue;
      if (n++ == index) {
        uKvxGiveBack(k, key, keySize, kvxCut);
        uKvxGiveBack(sIniUnquote(v), value, valueSize, kvxCut);
        return true;
      }
    }
    return false;
  } catch (...) {
    return false;
  }
}

bool boKvxIniSectionAt(const char* path, int index, char* name, int size) {
  if (name && size > 0) name[0] = 0;
  if (!path || !*path || index < 0) return false;
  try {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    IniFile f = iniLoad(sIniMapPath(path));
    std::string s;
    int n = 0;
    for (const std::string& l : f.lines) {
      if (boIniSectionLine(l, &s) && n++ == index) {
        uKvxGiveBack(s, name, size, kvxCut);
        return true;
      }
    }
    return false;
  } catch (...) {
    return false;
  }
}

bool boKvxIniHasSection(const char* path, const char* section) {
  if (!path || !*path || !section) return false;
  try {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    IniFile f = iniLoad(sIniMapPath(path));
    size_t h, e;
    return boIniFindSection(f, section, &h, &e);
  } catch (...) {
    return false;
  }
}

// Copies a list of names, each terminated, with a final extra terminator;
// cut lists end in two terminators too (as Windows does) and give size - 2.
static DWORD dwIniCopyList(const std::vector<std::string>& names, LPSTR buf, DWORD size) {
  if (size < 2) {
    if (size == 1) buf[0] = 0;
    return 0;
  }
  DWORD pos = 0;
  for (const std::string& n : names) {
    if (pos + n.size() + 1 > size - 1) {
      size_t room = size - 1 - pos;
      if (room > 0) {
        memcpy(buf + pos, n.data(), room - 1 < n.size() ? room - 1 : n.size());
        buf[size - 2] = 0;
      }
      buf[size - 1] = 0;
      return size - 2;
    }
    memcpy(buf + pos, n.data(), n.size());
    pos += static_cast<DWORD>(n.size());
    buf[pos++] = 0;
  }
  buf[pos] = 0;
  if (pos == 0) buf[1] = 0;  // an empty list is two terminators too
  return pos;
}

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD size, LPCSTR path) {
  if (!buf || size == 0) return 0;
  buf[0] = 0;
  if (!path || !*path) return 0;
  try {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    std::string p = sIniMapPath(path);
    if (!section || !key) {
      IniFile f = iniLoad(p);
      std::vector<std::string> names;
      std::string n, v;
      if (!section) {
        for (const std::string& l : f.lines) {
          if (boIniSectionLine(l, &n)) names.push_back(n);
        }
      } else {
        size_t h, e;
        if (boIniFindSection(f, section, &h, &e)) {
          for (size_t i = h + 1; i < e; i++) {
            if (boIniKeyLine(f.lines[i], &n, &v)) names.push_back(n);
          }
        }
      }
      return dwIniCopyList(names, buf, size);
    }
    std::string v;
    if (!boIniReadLocked(p, section, key, &v)) v = def ? sIniTrim(def) : "";
    return static_cast<DWORD>(uKvxGiveBack(v, buf, size, kvxCut));
  } catch (...) {
    return 0;
  }
}

DWORD WINAPI GetPrivateProfileSectionA(LPCSTR section, LPSTR buf, DWORD size, LPCSTR path) {
  if (!buf || size == 0) return 0;
  buf[0] = 0;
  if (!section || !path || !*path) return 0;
  try {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    IniFile f = iniLoad(sIniMapPath(path));
    std::vector<std::string> entries;
    size_t h, e;
    std::string k, v;
    if (boIniFindSection(f, section, &h, &e)) {
      for (size_t i = h + 1; i < e; i++) {
        if (boIniKeyLine(f.lines[i], &k, &v)) entries.push_back(k + "=" + v);
      }
    }
    return dwIniCopyList(entries, buf, size);
  } catch (...) {
    return 0;
  }
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path) {
  if (!section) return (!key && !value) ? TRUE : FALSE;  // the "flush" call: nothing is cached
  return boKvxIniWrite(path, section, key, value) ? TRUE : FALSE;
}

}  // extern "C"
