#include "base/paths.h"

#include <cstring>
#include <string>

#include "base/msgbox.h"
#include "base/text.h"
#include "win32.h"

namespace {

// The last '\' or '/' (and ':' when asked), NULL when there is none.
const char* pLastSep(const char* path, bool withColon) {
  const char* last = nullptr;
  for (const char* p = path; *p; ++p)
    if (boPathIsSep(*p) || (withColon && *p == ':')) last = p;
  return last;
}

// Copies len bytes of src (which may lie inside buf) cut to the size, and
// terminates.
char* sCopyPart(char* buf, int size, const char* src, size_t len) {
  if (size <= 0) return buf;
  if (len > (size_t)size - 1) len = (size_t)size - 1;
  memmove(buf, src, len);
  buf[len] = 0;
  return buf;
}

// The Temp form of a function that splits a path into a caller's buffer:
// its 257-byte result, copied to the scratch ring.
char* sSplitTemp(char* (*split)(const char*, char*, int), const char* path) {
  char buf[kPathSize];
  return sStrTemp(split(path, buf, sizeof buf));
}

bool boEqualNoCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// The full path of any length; false when it cannot be formed.
bool boFullPath(const char* path, std::string* full) {
  if (!path || !*path) return false;
  DWORD need = GetFullPathNameA(path, 0, nullptr, nullptr);
  if (need == 0) return false;
  full->assign(need, '\0');
  DWORD n = GetFullPathNameA(path, need, full->data(), nullptr);
  if (n == 0 || n >= need) return false;
  full->resize(n);
  return true;
}

// The long-name form of an existing folder, found without entering it.
bool boLongDir(const char* dir, std::string* out) {
  if (!dir || !*dir) return false;
  DWORD attr = GetFileAttributesA(dir);
  if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
  std::string full;
  if (!boFullPath(dir, &full)) return false;
  DWORD need = GetLongPathNameA(full.c_str(), nullptr, 0);
  if (need == 0) return false;
  out->assign(need, '\0');
  DWORD n = GetLongPathNameA(full.c_str(), out->data(), need);
  if (n == 0 || n >= need) return false;
  out->resize(n);
  return true;
}

void vCutOneSep(std::string* s) {
  if (!s->empty() && boPathIsSep(s->back())) s->pop_back();
}

}  // namespace

bool boPathIsSep(char c) { return c == '\\' || c == '/'; }

char* sPathGetDir(const char* path, char* buf, int size) {
  if (!path) path = "";
  const char* sep = pLastSep(path, true);
  if (!sep) return sCopyPart(buf, size, path, 0);
  size_t len = (size_t)(sep - path);
  if (*sep == ':' || sep == path || sep[-1] == ':') ++len;  // roots keep their form
  return sCopyPart(buf, size, path, len);
}

char* sPathGetName(const char* path, char* buf, int size) {
  if (!path) path = "";
  const char* sep = pLastSep(path, true);
  const char* name = sep ? sep + 1 : path;
  size_t len = strlen(name);
  if (size > 0 && len > (size_t)size - 1) {  // keep the end of a long name
    name += len - ((size_t)size - 1);
    len = (size_t)size - 1;
  }
  return sCopyPart(buf, size, name, len);
}

const char* pPathFindExtDot(const char* path) {
  if (!path) return nullptr;
  const char* sep = pLastSep(path, false);
  const char* dot = strrchr(sep ? sep : path, '.');
  return dot;
}

char* sPathGetExt(const char* path, char* buf, int size) {
  const char* dot = pPathFindExtDot(path);
  return dot ? sCopyPart(buf, size, dot + 1, strlen(dot + 1)) : sCopyPart(buf, size, "", 0);
}

char* sPathGetBaseName(const char* path, char* buf, int size) {
  if (!path) path = "";
  const char* sep = pLastSep(path, true);
  const char* name = sep ? sep + 1 : path;
  const char* dot = strrchr(name, '.');
  return sCopyPart(buf, size, name, dot ? (size_t)(dot - name) : strlen(name));
}

void vPathSetExtN(char* path, const char* ext, int size) {
  if (!path || size <= 0) return;
  char* dot = pPathFindExtDot(path);
  if (dot) *dot = 0;
  if (ext && *ext) {
    sStrCatN(path, ".", size);
    sStrCatN(path, ext, size);
  }
}

void vPathSetExt(char* path, const char* ext) { vPathSetExtN(path, ext, 256); }

char* sPathJoin(const char* dir, const char* name, char* buf, int size) {
  std::string joined = dir ? dir : "";
  if (!joined.empty() && joined.back() != '\\' && joined.back() != ':') joined += '\\';
  joined += name ? name : "";
  return sCopyPart(buf, size, joined.c_str(), joined.size());
}

char* sPathGetDirTemp(const char* path) { return sSplitTemp(sPathGetDir, path); }
char* sPathGetNameTemp(const char* path) { return sSplitTemp(sPathGetName, path); }
char* sPathGetExtTemp(const char* path) { return sSplitTemp(sPathGetExt, path); }
char* sPathGetBaseNameTemp(const char* path) { return sSplitTemp(sPathGetBaseName, path); }
char* sPathJoinTemp(const char* dir, const char* name) {
  char buf[kPathSize];
  return sStrTemp(sPathJoin(dir, name, buf, sizeof buf));
}

bool boPathSame(const char* a, const char* b) {
  std::string fa, fb;
  if (!boFullPath(a, &fa) || !boFullPath(b, &fb)) return false;
  vCutOneSep(&fa);
  vCutOneSep(&fb);
  return boEqualNoCase(fa, fb);
}

int iPathCompareDirs(const char* a, const char* b) {
  std::string la, lb;
  if (!boLongDir(a, &la) || !boLongDir(b, &lb)) return -1;
  int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, la.c_str(), -1, lb.c_str(), -1);
  return r == CSTR_EQUAL ? 0 : r == CSTR_LESS_THAN ? -1 : 1;
}

char* sPathStripDirIfSame(const char* folder, const char* path) {
  char dir[kPathSize];
  sPathGetDir(path, dir, sizeof dir);
  if (iPathCompareDirs(folder, dir) == 0) return sPathGetNameTemp(path);
  return sStrTemp(path);
}

char* sPathFull(const char* path, char* buf, int size) {
  if (size <= 0) return nullptr;
  std::string full;
  if (!boFullPath(path, &full) || full.size() > (size_t)size - 1) {
    buf[0] = 0;
    return nullptr;
  }
  memcpy(buf, full.c_str(), full.size() + 1);
  return buf;
}

char* sPathFullTemp(const char* path) {
  char buf[kPathSize];
  return sPathFull(path, buf, sizeof buf) ? sStrTemp(buf) : nullptr;
}

char* sPathCurDir(char* buf, int size) {
  if (size <= 0) return buf;
  std::string cur;
  DWORD need = GetCurrentDirectoryA(0, nullptr);
  cur.assign(need, '\0');
  DWORD n = GetCurrentDirectoryA(need, cur.data());
  cur.resize(n < need ? n : 0);
  std::string longForm;
  if (boLongDir(cur.c_str(), &longForm)) cur = longForm;
  if (cur.size() > (size_t)size - 1) cur.clear();
  memcpy(buf, cur.c_str(), cur.size() + 1);
  return buf;
}

char* sPathCurDirTemp() {
  char buf[kPathSize];
  return sStrTemp(sPathCurDir(buf, sizeof buf));
}

char* sPathGetTempDir(char* buf, int size) {
  if (size <= 0) return buf;
  DWORD n = GetTempPathA((DWORD)size, buf);
  if (n == 0 || n >= (DWORD)size) buf[0] = 0;
  return buf;
}

bool boPathExists(const char* path) { return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool boPathChDir(const char* path) { return path && SetCurrentDirectoryA(path); }

bool boPathMkDir(const char* path) { return path && CreateDirectoryA(path, nullptr); }

char* sPathCutTrailingSep(char* path) {
  if (!path) return path;
  size_t len = strlen(path);
  if (len > 0 && boPathIsSep(path[len - 1])) path[len - 1] = 0;
  return path;
}

char* sPathFindAppPath(const char* program, bool boShowErrors) {
  char key[kPathSize];
  sStrCopyN(key, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\", sizeof key);
  sStrCatN(key, program, sizeof key);
  char msg[100];
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
    if (boShowErrors)
      vMsgWarning(sStrPrintN(msg, sizeof msg, "Unable to locate registry key: HKEY_LOCAL_MACHINE\\%s", key));
    return nullptr;
  }
  // The stored value need not be terminated: read at most 256 bytes and
  // terminate behind them.
  char value[kPathSize];
  DWORD type = 0, got = kPathSize - 1;
  LONG rc = RegQueryValueExA(hKey, nullptr, nullptr, &type, (LPBYTE)value, &got);
  RegCloseKey(hKey);
  if (rc != ERROR_SUCCESS) {
    if (boShowErrors) vMsgWarning(sStrPrintN(msg, sizeof msg, "Registry key: HKEY_LOCAL_MACHINE\\%s is empty", key));
    return nullptr;
  }
  value[got < kPathSize - 1 ? got : kPathSize - 1] = 0;
  if (!boPathExists(value)) {
    if (boShowErrors) vMsgWarning(sStrPrintN(msg, sizeof msg, "Missing file %s", value));
    return nullptr;
  }
  return sStrTemp(value);
}

bool boPathOutBegin(PathOutFile* out, const char* path) {
  if (!out) return false;
  memset(out, 0, sizeof *out);
  if (!path || !*path || strlen(path) >= sizeof out->sTarget) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  sStrCopyN(out->sTarget, path, (int)sizeof out->sTarget);
  DWORD attr = GetFileAttributesA(path);
  if (attr == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_CANT_RESOLVE_FILENAME) {
    // A link that points nowhere: the file it would name is not ours to
    // make, nor is the link to be replaced by a file.
    SetLastError(kPathErrLinkTarget);
    return false;
  }
  if (attr != INVALID_FILE_ATTRIBUTES) {
    if (attr & FILE_ATTRIBUTE_DIRECTORY) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    if (attr & FILE_ATTRIBUTE_DEVICE) {
      sStrCopyN(out->sWrite, path, (int)sizeof out->sWrite);
      out->boDirect = true;
      return true;
    }
    char real[sizeof out->sTarget];
    DWORD n = GetLongPathNameA(path, real, (DWORD)sizeof real);
    if (n > 0 && n < sizeof real) sStrCopyN(out->sTarget, real, (int)sizeof out->sTarget);
  }
  char dir[sizeof out->sTarget];
  sPathGetDir(out->sTarget, dir, (int)sizeof dir);
  return GetTempFileNameA(dir[0] ? dir : ".", "kvx", 0, out->sWrite) != 0;
}

bool boPathOutEnd(PathOutFile* out, bool boWritten) {
  if (!out || !out->sWrite[0]) return false;
  if (out->boDirect) return boWritten;
  // Flushed before the move, so that a crash after it cannot leave the
  // target empty or half written.
  if (boWritten && MoveFileExA(out->sWrite, out->sTarget, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DWORD err = GetLastError();
  DeleteFileA(out->sWrite);
  SetLastError(err);
  return false;
}

const char* sPathErrorText(unsigned long uError) {
  if (uError == kPathErrLinkTarget) return sStrTemp("the link's target does not exist");
  char text[512] = "";
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, (DWORD)uError,
                      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr))
    text[0] = 0;
  size_t n = strlen(text);
  while (n && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) text[--n] = 0;
  return sStrTemp(text);
}
