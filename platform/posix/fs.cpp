// Paths, folders and files over POSIX. See win32_file.h for the two forms a
// path takes (Windows form in the module, host form at the system call).
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "file_internal.h"
#include "win32.h"
#include "results.h"

namespace {

bool boIsSep(char c) { return c == '\\' || c == '/'; }

// Code page 1252 <-> UTF-8 through UTF-16.
std::string sConvert(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return text;
  int n = MultiByteToWideChar(from, 0, text.data(), (int)text.size(), nullptr, 0);
  if (n <= 0) return text;
  std::u16string wide((size_t)n, u'\0');
  MultiByteToWideChar(from, 0, text.data(), (int)text.size(), wide.data(), n);
  int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  if (m <= 0) return text;
  std::string out((size_t)m, '\0');
  WideCharToMultiByte(to, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
  return out;
}

bool boHasDrive(const char* p) { return ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':'; }

// The host form without the case fallback.
std::string sPlainHost(const char* path) {
  if (boHasDrive(path)) path += 2;
  std::string host = sConvert(path, 1252, CP_UTF8);
  for (char& c : host)
    if (c == '\\') c = '/';
  return host;
}

bool boExistsHost(const std::string& host) {
  struct stat st;
  return lstat(host.c_str(), &st) == 0;
}

// A missing last component may exist in another case: the first entry of
// its folder whose ANSI name equals it ignoring case.
std::string sHostPath(const char* path) {
  std::string host = sPlainHost(path);
  if (host.empty() || boExistsHost(host)) return host;
  std::string trimmed = host;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  size_t slash = trimmed.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash);
  std::string last = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  if (last.empty() || last == "." || last == "..") return host;
  std::string lastAnsi = sConvert(last, CP_UTF8, 1252);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return host;
  std::string found;
  while (struct dirent* e = readdir(dir)) {
    if (lstrcmpiA(sConvert(e->d_name, CP_UTF8, 1252).c_str(), lastAnsi.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  closedir(dir);
  if (found.empty()) return host;
  std::string result = slash == std::string::npos ? found : trimmed.substr(0, slash + 1) + found;
  if (trimmed.size() < host.size()) result += host.substr(trimmed.size());
  return result;
}

std::string sWindowsPath(const std::string& host) {
  std::string win = sConvert(host, CP_UTF8, 1252);
  for (char& c : win)
    if (c == '/') c = '\\';
  return win;
}

// Windows' convention for paths: the length when it fits, else the size
// needed with the terminator and nothing written.
DWORD uGiveBack(const std::string& text, LPSTR buf, DWORD size) {
  return (DWORD)uKvxGiveBack(text, buf, size, kvxLengthOrNeed);
}

// Our own convention for the path mappings: the length when the text fits,
// else -1 and "" in the buffer.
int iGiveBackWhole(const std::string& text, LPSTR buf, int size) {
  if (uKvxGiveBack(text, buf, size, kvxLengthOrNeed) == text.size()) return (int)text.size();
  if (size > 0) buf[0] = 0;
  return -1;
}

std::string sCurrentHost() {
  std::vector<char> buf(PATH_MAX);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return "/";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

// The full path, textually, in Windows form.
std::string sFullPath(const char* name) {
  std::string prefix;
  const char* p = name;
  if (boHasDrive(p)) {
    prefix.assign(p, 2);
    p += 2;
  }
  std::string whole;
  if (boIsSep(*p) || !prefix.empty())
    whole = p;
  else
    whole = sWindowsPath(sCurrentHost()) + "\\" + p;
  bool trailing = !whole.empty() && boIsSep(whole.back());
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < whole.size()) {
    size_t j = i;
    while (j < whole.size() && !boIsSep(whole[j])) ++j;
    std::string part = whole.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string full = prefix;
  for (const std::string& part : parts) full += "\\" + part;
  if (parts.empty() || trailing) full += "\\";
  return full;
}

// A writing stream of _fsopen: stdio over the layer's own writes, so that a
// failed write shows in ferror and fclose as with a plain stream.
ssize_t iStreamRead(void* cookie, char* buf, size_t size) {
  for (;;) {
    ssize_t n = read(*(int*)cookie, buf, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

ssize_t iStreamWrite(void* cookie, const char* buf, size_t size) {
  ssize_t n = iKvxFileWrite(*(int*)cookie, buf, size);
  if (n < 0 || (size_t)n < size) SetLastError(n < 0 ? uKvxErrorOf(errno) : ERROR_DISK_FULL);
  return n;
}

int iStreamSeek(void* cookie, off64_t* pos, int whence) {
  off_t r = lseek(*(int*)cookie, (off_t)*pos, whence);
  if (r < 0) return -1;
  *pos = r;
  return 0;
}

int iStreamClose(void* cookie) {
  int r = close(*(int*)cookie);
  delete (int*)cookie;
  return r;
}

FILE* pOpenWritingStream(const std::string& host, const std::string& mode) {
  bool plus = mode.find('+') != std::string::npos;
  int flags = plus ? O_RDWR : O_WRONLY;
  if (mode[0] == 'w') flags |= O_CREAT | O_TRUNC;
  if (mode[0] == 'a') flags |= O_CREAT | O_APPEND;
  if (mode[0] == 'r') flags = O_RDWR;
  if (mode.find('x') != std::string::npos) flags |= O_EXCL;
  int fd = open(host.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  int* cookie = new int(fd);
  FILE* fp = fopencookie(cookie, mode.c_str(), {iStreamRead, iStreamWrite, iStreamSeek, iStreamClose});
  if (!fp) {
    close(fd);
    delete cookie;
  }
  return fp;
}

// The temporary files GetTempFileNameA made that still have their names
// (absolute host paths), for a host stopped by a signal to remove. Never
// destroyed: a signal may come while static objects are torn down.
struct TempFiles {
  std::mutex lock;
  std::vector<std::string> paths;
  bool boStopped = false;
};
TempFiles& gTemp() {
  static TempFiles* t = new TempFiles;
  return *t;
}

std::string sAbsoluteHost(const std::string& host) { return host[0] == '/' ? host : sCurrentHost() + "/" + host; }

// Forgets a temporary file that was moved or deleted (the lock held).
void vForgetTemp(const std::string& host) {
  std::vector<std::string>& v = gTemp().paths;
  if (v.empty()) return;
  std::string abs = sAbsoluteHost(host);
  for (size_t i = 0; i < v.size(); i++)
    if (v[i] == abs) {
      v.erase(v.begin() + (long)i);
      return;
    }
}

// The file's contents on the disk; false with errno when that failed.
bool boSyncFile(const std::string& host, int flags) {
  int fd = open(host.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  int rc = fsync(fd);
  int err = errno;
  close(fd);
  errno = err;
  return rc == 0;
}

}  // namespace

DWORD uKvxErrorOf(int err) {
  switch (err) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ERROR_DISK_FULL;
    case EIO:
      return ERROR_WRITE_FAULT;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

bool boKvxInTempFolder(const char* hostPath) {
  std::string path = hostPath ? hostPath : "";
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const char* tmp = getenv("TMPDIR");
  char* a = realpath(folder.c_str(), nullptr);
  char* b = realpath(tmp && *tmp ? tmp : "/tmp", nullptr);
  bool same = a && b && strcmp(a, b) == 0;
  free(a);
  free(b);
  return same;
}

extern "C" {

int KvxPlatformHostPath(LPCSTR path, LPSTR buf, int size) {
  return iGiveBackWhole(sHostPath(path ? path : ""), buf, size);
}

int KvxPlatformWindowsPath(LPCSTR hostPath, LPSTR buf, int size) {
  return iGiveBackWhole(sWindowsPath(hostPath ? hostPath : ""), buf, size);
}

FILE* _fsopen(const char* path, const char* mode, int) {
  if (!path || !*path || !mode) return nullptr;
  std::string host = sHostPath(path);
  std::string hostMode;
  for (const char* c = mode; *c; c++)
    if (*c != 't') hostMode += *c;
  if (hostMode[0] == 'r' && hostMode.find('+') == std::string::npos) return fopen(host.c_str(), hostMode.c_str());
  if (hostMode[0] != 'r' && hostMode[0] != 'w' && hostMode[0] != 'a') {
    errno = EINVAL;
    return nullptr;
  }
  return pOpenWritingStream(host, hostMode);
}

DWORD WINAPI GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buf, LPSTR* filePart) {
  if (!name || !*name) return KvxFail(ERROR_INVALID_PARAMETER);
  std::string full = sFullPath(name);
  DWORD n = uGiveBack(full, buf, size);
  if (filePart && n == full.size()) {
    size_t sep = full.find_last_of('\\');
    *filePart = sep + 1 < full.size() ? buf + sep + 1 : nullptr;
  }
  return n;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buf) { return uGiveBack(sWindowsPath(sCurrentHost()), buf, size); }

BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
  if (!path || !*path) return KvxFail(ERROR_INVALID_PARAMETER);
  if (chdir(sHostPath(path).c_str()) != 0) return KvxFail(uKvxErrorOf(errno));
  return TRUE;
}

DWORD WINAPI GetTempPathA(DWORD size, LPSTR buf) {
  const char* tmp = getenv("TMPDIR");
  std::string win = sWindowsPath(tmp && *tmp ? tmp : "/tmp");
  if (win.empty() || win.back() != '\\') win += '\\';
  return uGiveBack(win, buf, size);
}

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
  if (!path || !*path) return KvxFail(ERROR_INVALID_PARAMETER, INVALID_FILE_ATTRIBUTES);
  std::string host = sHostPath(path);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) {
    int err = errno;
    // A link that points nowhere is there, but gives nothing to write to.
    if ((err == ENOENT || err == ELOOP) && lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
      return KvxFail(ERROR_CANT_RESOLVE_FILENAME, INVALID_FILE_ATTRIBUTES);
    return KvxFail(uKvxErrorOf(err), INVALID_FILE_ATTRIBUTES);
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  bool boReadOnly = access(host.c_str(), W_OK) != 0;
  if (!S_ISREG(st.st_mode)) return FILE_ATTRIBUTE_DEVICE | (boReadOnly ? FILE_ATTRIBUTE_READONLY : 0);
  return boReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
  (void)security;
  if (!path || !*path) return KvxFail(ERROR_INVALID_PARAMETER);
  if (mkdir(sPlainHost(path).c_str(), 0777) != 0)
    return KvxFail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : uKvxErrorOf(errno));
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
  if (!path || !*path) return KvxFail(ERROR_INVALID_PARAMETER);
  std::string host = sHostPath(path);
  struct stat st;
  if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return KvxFail(ERROR_ACCESS_DENIED);
  std::lock_guard<std::mutex> lock(gTemp().lock);
  if (unlink(host.c_str()) != 0) return KvxFail(uKvxErrorOf(errno));
  vForgetTemp(host);
  return TRUE;
}

UINT WINAPI GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR buf) {
  if (!folder || !buf) return KvxFail(ERROR_INVALID_PARAMETER);
  std::string base = folder;
  if (!base.empty() && !boIsSep(base.back())) base += '\\';
  base.append(prefix ? prefix : "", 0, 3);
  auto name = [&](UINT u) {
    char hex[16];
    snprintf(hex, sizeof hex, "%.4X.TMP", u & 0xFFFF);
    return base + hex;
  };
  if (base.size() + 8 >= MAX_PATH) return KvxFail(ERROR_BUFFER_OVERFLOW);
  if (unique) {
    strcpy(buf, name(unique).c_str());
    return unique;
  }
  static std::atomic<unsigned> counter{0};
  std::lock_guard<std::mutex> lock(gTemp().lock);
  if (gTemp().boStopped) return KvxFail(ERROR_CANCELLED);
  unsigned start = (unsigned)getpid() * 7919u + (unsigned)time(nullptr) + counter++;
  for (unsigned i = 0; i < 0x10000; ++i) {
    UINT u = (start + i) & 0xFFFF;
    if (!u) continue;
    std::string path = name(u);
    int fd = open(sPlainHost(path.c_str()).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return KvxFail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : uKvxErrorOf(errno));
    }
    close(fd);
    gTemp().paths.push_back(sAbsoluteHost(sPlainHost(path.c_str())));
    strcpy(buf, path.c_str());
    return u;
  }
  return KvxFail(ERROR_ALREADY_EXISTS);
}

BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
  if (!existing || !*existing || !newName || !*newName) return KvxFail(ERROR_INVALID_PARAMETER);
  std::string from = sHostPath(existing), to = sHostPath(newName);
  struct stat st;
  if (lstat(to.c_str(), &st) == 0) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return KvxFail(ERROR_ALREADY_EXISTS);
    if (S_ISDIR(st.st_mode) || access(to.c_str(), W_OK) != 0) return KvxFail(ERROR_ACCESS_DENIED);
    if (S_ISREG(st.st_mode)) {
      // Owner first: changing it may clear the mode's set-id bits.
      if (chown(from.c_str(), st.st_uid, st.st_gid) != 0 && chown(from.c_str(), (uid_t)-1, st.st_gid) != 0) {
        // Another owner or group is not ours to give: the file stays ours.
      }
      chmod(from.c_str(), st.st_mode & 07777);
    }
  }
  if ((flags & MOVEFILE_WRITE_THROUGH) && !boSyncFile(from, O_RDONLY)) return KvxFail(uKvxErrorOf(errno));
  {
    std::lock_guard<std::mutex> lock(gTemp().lock);
    if (rename(from.c_str(), to.c_str()) != 0) return KvxFail(uKvxErrorOf(errno));
    vForgetTemp(from);
  }
  if (flags & MOVEFILE_WRITE_THROUGH) {
    // The new name on the disk too, where the file system can sync a
    // folder; the move itself is done either way.
    size_t slash = to.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
    boSyncFile(folder, O_RDONLY | O_DIRECTORY);
  }
  return TRUE;
}

int KvxPlatformRemoveTempFiles(BOOL boFinal) {
  TempFiles& t = gTemp();
  std::lock_guard<std::mutex> lock(t.lock);
  int n = 0;
  for (const std::string& path : t.paths)
    if (unlink(path.c_str()) == 0) n++;
  t.paths.clear();
  if (boFinal) t.boStopped = true;
  return n;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buf, DWORD size) {
  std::string host;
  if (!module) {
    std::vector<char> link(PATH_MAX + 1);
    ssize_t n = readlink("/proc/self/exe", link.data(), link.size() - 1);
    if (n <= 0) return KvxFail(ERROR_INVALID_HANDLE);
    host.assign(link.data(), (size_t)n);
  } else {
    Dl_info info;
    if (!dladdr((const void*)module, &info) || !info.dli_fname) return KvxFail(ERROR_INVALID_HANDLE);
    char* real = realpath(info.dli_fname, nullptr);
    host = real ? real : info.dli_fname;
    free(real);
  }
  std::string win = sWindowsPath(host);
  if (size == 0 || !buf) return KvxFail(ERROR_INSUFFICIENT_BUFFER);
  // A path that does not fit is cut, and the call says so.
  DWORD n = (DWORD)uKvxGiveBack(win, buf, size, kvxCut);
  return n < win.size() ? KvxFail(ERROR_INSUFFICIENT_BUFFER, size) : n;
}

DWORD WINAPI GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD size) {
  if (!shortPath || !*shortPath) return KvxFail(ERROR_INVALID_PARAMETER);
  char* real = realpath(sHostPath(shortPath).c_str(), nullptr);
  if (!real) return KvxFail(uKvxErrorOf(errno));
  std::string win = sWindowsPath(real);
  free(real);
  return uGiveBack(win, longPath, size);
}
}
