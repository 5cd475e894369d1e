// The numeric file calls (_lopen, _lcreat, _lread, _lwrite, _llseek,
// _lclose) over POSIX descriptors, with a buffer per handle: the module's
// line reader takes one byte per call.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "file_internal.h"
#include "kvxtest_file.h"
#include "win32.h"
#include "results.h"

namespace {

constexpr size_t kBufSize = 65536;

// One open file. The buffer holds either bytes read ahead (pos..len not yet
// given out) or bytes written and not yet handed to the system (0..len).
struct LFile {
  int fd = -1;
  bool boWriting = false;
  bool boWritable = false;
  // Bytes reported written were lost in a later flush: the file is not
  // what the caller wrote, and every later write and the close say so.
  bool boLost = false;
  DWORD uLostError = 0;
  size_t pos = 0;
  size_t len = 0;
  std::vector<char> buf;
};

std::mutex gLock;
std::vector<LFile*> gFiles;  // index + 1 is the handle

std::mutex gSpaceLock;
int64_t gSpaceLeft = -1;  // the test's disk budget, -1 none

LFile* pFile(HFILE h) {
  if (h < 1 || (size_t)h > gFiles.size()) return nullptr;
  return gFiles[(size_t)h - 1];
}

bool boFlushWrites(LFile* f) {
  if (!f->boWriting) return true;
  ssize_t n = iKvxFileWrite(f->fd, f->buf.data(), f->len);
  bool ok = n >= 0 && (size_t)n == f->len;
  if (!ok) {
    f->uLostError = n < 0 ? uKvxErrorOf(errno) : ERROR_DISK_FULL;
    f->boLost = true;
    SetLastError(f->uLostError);
  }
  f->len = 0;
  f->boWriting = false;
  return ok;
}

// Gives back the bytes read ahead, so that the descriptor stands where the
// caller believes it stands.
void vDropReadAhead(LFile* f) {
  if (f->boWriting || f->pos >= f->len) {
    if (!f->boWriting) f->pos = f->len = 0;
    return;
  }
  lseek(f->fd, -(off_t)(f->len - f->pos), SEEK_CUR);
  f->pos = f->len = 0;
}

HFILE hAdopt(int fd, bool boWritable) {
  if (fd < 0)
    return KvxFail(errno == ENOENT    ? ERROR_FILE_NOT_FOUND
                   : errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                      : ERROR_ACCESS_DENIED,
                   HFILE_ERROR);
  LFile* f = new LFile;
  f->fd = fd;
  f->boWritable = boWritable;
  f->buf.resize(kBufSize);
  std::lock_guard<std::mutex> lock(gLock);
  for (size_t i = 0; i < gFiles.size(); ++i) {
    if (!gFiles[i]) {
      gFiles[i] = f;
      return (HFILE)(i + 1);
    }
  }
  gFiles.push_back(f);
  return (HFILE)gFiles.size();
}

// Others can place names in the folder for temporary files (on Windows it is
// the user's own): a file made there never follows a symbolic link and
// takes over only a regular file of the calling user.
int iCreateInSharedFolder(const char* host, int flags) {
  int fd = open(host, (flags & ~O_TRUNC) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == ELOOP) errno = EACCES;
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
    close(fd);
    errno = EACCES;
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if ((flags & O_TRUNC) && ftruncate(fd, 0) != 0) {
    int err = errno;
    close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

int iOpenHost(LPCSTR path, int flags) {
  if (!path) {
    errno = ENOENT;
    return -1;
  }
  char host[4096];
  if (KvxPlatformHostPath(path, host, (int)sizeof host) < 0) {
    errno = ENOENT;
    return -1;
  }
  if ((flags & O_CREAT) && boKvxInTempFolder(host)) return iCreateInSharedFolder(host, flags);
  return open(host, flags | O_CLOEXEC, 0666);
}

}  // namespace

ssize_t iKvxFileWrite(int fd, const void* data, size_t size) {
  size_t allowed = size;
  {
    std::lock_guard<std::mutex> lock(gSpaceLock);
    if (gSpaceLeft >= 0 && (int64_t)allowed > gSpaceLeft) allowed = (size_t)gSpaceLeft;
  }
  size_t done = 0;
  while (done < allowed) {
    ssize_t n = write(fd, (const char*)data + done, allowed - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += (size_t)n;
  }
  {
    std::lock_guard<std::mutex> lock(gSpaceLock);
    if (gSpaceLeft >= 0) gSpaceLeft -= (int64_t)done;
  }
  if (done == 0 && size > 0) {
    if (allowed == 0) errno = ENOSPC;
    return -1;
  }
  return (ssize_t)done;
}

extern "C" {

HFILE WINAPI _lopen(LPCSTR path, int mode) {
  int flags = (mode & 3) == OF_WRITE ? O_WRONLY : (mode & 3) == OF_READWRITE ? O_RDWR : O_RDONLY;
  return hAdopt(iOpenHost(path, flags), flags != O_RDONLY);
}

HFILE WINAPI _lcreat(LPCSTR path, int) { return hAdopt(iOpenHost(path, O_RDWR | O_CREAT | O_TRUNC), true); }

UINT WINAPI _lread(HFILE h, LPVOID buffer, UINT count) {
  LFile* f;
  {
    std::lock_guard<std::mutex> lock(gLock);
    f = pFile(h);
  }
  if (!f || (!buffer && count)) return (UINT)HFILE_ERROR;
  if (!boFlushWrites(f)) return (UINT)HFILE_ERROR;
  char* out = (char*)buffer;
  UINT done = 0;
  while (done < count) {
    if (f->pos < f->len) {
      size_t n = f->len - f->pos;
      if (n > count - done) n = count - done;
      memcpy(out + done, f->buf.data() + f->pos, n);
      f->pos += n;
      done += (UINT)n;
      continue;
    }
    // Large requests go straight to the system.
    if (count - done >= kBufSize) {
      ssize_t n = read(f->fd, out + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return done ? done : (UINT)HFILE_ERROR;
      if (n == 0) break;
      done += (UINT)n;
      continue;
    }
    ssize_t n = read(f->fd, f->buf.data(), kBufSize);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done ? done : (UINT)HFILE_ERROR;
    if (n == 0) break;
    f->pos = 0;
    f->len = (size_t)n;
  }
  return done;
}

UINT WINAPI _lwrite(HFILE h, LPCSTR buffer, UINT count) {
  LFile* f;
  {
    std::lock_guard<std::mutex> lock(gLock);
    f = pFile(h);
  }
  if (!f || !f->boWritable || (!buffer && count)) return (UINT)HFILE_ERROR;
  if (f->boLost) return KvxFail(f->uLostError, (UINT)HFILE_ERROR);
  vDropReadAhead(f);
  if (!f->boWriting) {
    f->boWriting = true;
    f->len = 0;
  }
  if (f->len + count > kBufSize) {
    if (!boFlushWrites(f)) return (UINT)HFILE_ERROR;
    f->boWriting = true;
  }
  if (count >= kBufSize) {
    ssize_t n = iKvxFileWrite(f->fd, buffer, count);
    if (n < 0) return KvxFail(uKvxErrorOf(errno), (UINT)HFILE_ERROR);
    if ((size_t)n < count) SetLastError(ERROR_DISK_FULL);
    return (UINT)n;
  }
  memcpy(f->buf.data() + f->len, buffer, count);
  f->len += count;
  return count;
}

LONG WINAPI _llseek(HFILE h, LONG offset, int origin) {
  LFile* f;
  {
    std::lock_guard<std::mutex> lock(gLock);
    f = pFile(h);
  }
  if (!f) return HFILE_ERROR;
  if (!boFlushWrites(f)) return HFILE_ERROR;
  vDropReadAhead(f);
  int whence = origin == FILE_CURRENT ? SEEK_CUR : origin == FILE_END ? SEEK_END : SEEK_SET;
  off_t r = lseek(f->fd, (off_t)offset, whence);
  if (r < 0 || r > 0x7fffffff) return HFILE_ERROR;
  return (LONG)r;
}

HFILE WINAPI _lclose(HFILE h) {
  LFile* f;
  {
    std::lock_guard<std::mutex> lock(gLock);
    f = pFile(h);
    if (!f) return HFILE_ERROR;
    gFiles[(size_t)h - 1] = nullptr;
  }
  // The last buffered bytes reach the system only here: a close that
  // loses them fails, as does one after an earlier loss.
  bool ok = boFlushWrites(f) && !f->boLost;
  if (!ok) SetLastError(f->uLostError);
  if (close(f->fd) != 0 && ok) {
    ok = false;
    SetLastError(uKvxErrorOf(errno));
  }
  delete f;
  return ok ? 0 : HFILE_ERROR;
}

void vKvxTestFileSpace(int64_t bytes) {
  std::lock_guard<std::mutex> lock(gSpaceLock);
  gSpaceLeft = bytes < 0 ? -1 : bytes;
}

}  // extern "C"
