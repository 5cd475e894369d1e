// File attributes with times and size.
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "win32.h"
#include "results.h"

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
const unsigned long long kEpochDelta = 11644473600ULL;

FILETIME FileTimeOf(const struct timespec& t) {
  unsigned long long v =
      ((unsigned long long)t.tv_sec + kEpochDelta) * 10000000ULL + (unsigned long long)t.tv_nsec / 100;
  return FILETIME{(DWORD)v, (DWORD)(v >> 32)};
}

}  // namespace

BOOL WINAPI GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
  if (level != GetFileExInfoStandard || !info || !path) return KvxFail(ERROR_INVALID_PARAMETER);
  char host[4096];
  struct stat st;
  if (KvxPlatformHostPath(path, host, sizeof host) < 0 || stat(host, &st) != 0) return KvxFail(ERROR_FILE_NOT_FOUND);
  WIN32_FILE_ATTRIBUTE_DATA* d = (WIN32_FILE_ATTRIBUTE_DATA*)info;
  memset(d, 0, sizeof *d);
  d->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  if (!S_ISDIR(st.st_mode) && access(host, W_OK) != 0) d->dwFileAttributes = FILE_ATTRIBUTE_READONLY;
  d->ftCreationTime = FileTimeOf(st.st_ctim);
  d->ftLastAccessTime = FileTimeOf(st.st_atim);
  d->ftLastWriteTime = FileTimeOf(st.st_mtim);
  d->nFileSizeHigh = (DWORD)((unsigned long long)st.st_size >> 32);
  d->nFileSizeLow = (DWORD)st.st_size;
  return TRUE;
}
