// Processes over posix_spawn: no shell ever sees a command line.
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "handles.h"
#include "kvxtest_process.h"
#include "wide.h"
#include "results.h"

extern char** environ;

namespace {

struct Proc {
  pid_t pid = 0;
  bool done = false;
  DWORD exitCode = STILL_ACTIVE;
  int refs = 2;  // the process and the thread handle
};

std::mutex gLock;
KvxWinExecHook gWinExecHook = nullptr;

DWORD uExitCodeOf(int status) {
  if (WIFEXITED(status)) return (DWORD)WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 0xC0000000u + (DWORD)WTERMSIG(status);
  return 0xC0000000u;
}

// Reaps the process when it has ended (blocking when asked); true once done.
bool boReap(Proc* p, bool block) {
  pid_t pid;
  {
    std::lock_guard<std::mutex> lock(gLock);
    if (p->done) return true;
    pid = p->pid;
  }
  int status = 0;
  pid_t r;
  do r = waitpid(pid, &status, block ? 0 : WNOHANG);
  while (r < 0 && errno == EINTR);
  std::lock_guard<std::mutex> lock(gLock);
  if (p->done) return true;
  if (r == pid) {
    p->done = true;
    p->exitCode = uExitCodeOf(status);
  } else if (r < 0) {  // reaped elsewhere: the code is lost
    p->done = true;
    p->exitCode = 0xC0000000u;
  }
  return p->done;
}

// A child nobody waits for is reaped in the background, so no zombie stays.
void vReapLater(pid_t pid) {
  std::thread([pid] {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

void vRelease(void* object) {
  Proc* p = (Proc*)object;
  bool last;
  {
    std::lock_guard<std::mutex> lock(gLock);
    last = --p->refs == 0;
  }
  if (!last) return;
  if (!boReap(p, false)) vReapLater(p->pid);
  delete p;
}

const KvxHandleKind kProcessKind = {"process", vRelease};
const KvxHandleKind kThreadKind = {"thread", vRelease};

Proc* pProcOf(HANDLE h) {
  void* o = pKvxHandleObject(h, &kProcessKind);
  if (!o) o = pKvxHandleObject(h, &kThreadKind);
  if (o) SetLastError(ERROR_SUCCESS);
  return (Proc*)o;
}

bool boIsBlank(char c) { return c == ' ' || c == '\t'; }

// Starts argv[0]-less: program is the host path or bare name to run.
DWORD uSpawn(const std::string& program, const std::vector<std::string>& args, const char* currentDir, pid_t* pid) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string dir;
  if (currentDir) {
    char host[4096];
    if (KvxPlatformHostPath(currentDir, host, sizeof host) < 0) {
      posix_spawn_file_actions_destroy(&actions);
      return ERROR_PATH_NOT_FOUND;
    }
    dir = host;
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  }
  // A program starts with no signal blocked, whatever the host blocks (a
  // host may take its stop signals in a thread of its own).
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
  bool search = program.find('/') == std::string::npos;
  int rc = search ? posix_spawnp(pid, program.c_str(), &actions, &attr, argv.data(), environ)
                  : posix_spawn(pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  switch (rc) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

// The program to run for a Windows name: a path through the file layer, a
// bare name as it is (looked for in PATH).
bool boProgramPath(const std::string& name, std::string* out) {
  if (name.find_first_of("\\/:") == std::string::npos) {
    *out = sKvxAnsiToUtf8(name);
    return !out->empty();
  }
  char host[4096];
  if (KvxPlatformHostPath(name.c_str(), host, sizeof host) < 0) return false;
  *out = host;
  return true;
}

// Splits, starts and reports; the command line's items as the program sees
// them (argv[0] the program's name).
DWORD uStart(const char* applicationName, const char* commandLine, const char* currentDir, pid_t* pid) {
  std::vector<std::string> items = KvxSplitCommandLine(commandLine ? commandLine : "");
  std::string name = applicationName ? applicationName : (items.empty() ? "" : items[0]);
  if (name.empty()) return ERROR_FILE_NOT_FOUND;
  std::string program;
  if (!boProgramPath(name, &program)) return ERROR_FILE_NOT_FOUND;
  std::vector<std::string> args;
  args.push_back(sKvxAnsiToUtf8(name));
  for (size_t i = 1; i < items.size(); ++i) args.push_back(sKvxAnsiToUtf8(items[i]));
  return uSpawn(program, args, currentDir, pid);
}

}  // namespace

std::vector<std::string> KvxSplitCommandLine(const char* p) {
  std::vector<std::string> out;
  // The program's name: up to the next blank, or inside quotes; no escapes.
  std::string name;
  if (*p == '"') {
    for (++p; *p && *p != '"'; ++p) name += *p;
    if (*p) ++p;
  } else {
    for (; *p && !boIsBlank(*p); ++p) name += *p;
  }
  out.push_back(name);
  for (;;) {
    while (boIsBlank(*p)) ++p;
    if (!*p) break;
    std::string arg;
    bool quoted = false;
    while (*p && (quoted || !boIsBlank(*p))) {
      size_t slashes = 0;
      while (*p == '\\') ++slashes, ++p;
      if (*p == '"') {
        arg.append(slashes / 2, '\\');
        if (slashes % 2) {
          arg += '"';
          ++p;
        } else if (quoted && p[1] == '"') {
          arg += '"';
          p += 2;
        } else {
          quoted = !quoted;
          ++p;
        }
      } else {
        arg.append(slashes, '\\');
        if (*p && (quoted || !boIsBlank(*p))) arg += *p++;
      }
    }
    out.push_back(arg);
  }
  return out;
}

KvxWinExecHook kvxTestSetWinExecHook(KvxWinExecHook hook) {
  std::lock_guard<std::mutex> lock(gLock);
  KvxWinExecHook old = gWinExecHook;
  gWinExecHook = hook;
  return old;
}

BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                           BOOL, DWORD, LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA,
                           LPPROCESS_INFORMATION info) {
  if (environment || !info || (!applicationName && !commandLine)) return KvxFail(ERROR_INVALID_PARAMETER);
  pid_t pid = 0;
  DWORD err = uStart(applicationName, commandLine, currentDirectory, &pid);
  if (err != ERROR_SUCCESS) return KvxFail(err);
  Proc* p = new Proc;
  p->pid = pid;
  info->hProcess = hKvxHandleNew(&kProcessKind, p);
  info->hThread = hKvxHandleNew(&kThreadKind, p);
  info->dwProcessId = info->dwThreadId = (DWORD)pid;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Proc* p = pProcOf(handle);
  if (!p) return WAIT_FAILED;
  if (milliseconds == INFINITE) {
    boReap(p, true);
    return WAIT_OBJECT_0;
  }
  // A real wait: the program runs on real time, not on a test's clock.
  struct timespec start, now;
  clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    if (boReap(p, false)) return WAIT_OBJECT_0;
    clock_gettime(CLOCK_MONOTONIC, &now);
    long long ms = (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
    if (ms >= (long long)milliseconds) return WAIT_TIMEOUT;
    struct timespec nap = {0, 1000000};
    nanosleep(&nap, nullptr);
  }
}

BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  Proc* p = (Proc*)pKvxHandleObject(process, &kProcessKind);
  if (!p || !exitCode) return KvxFail(ERROR_INVALID_HANDLE);
  boReap(p, false);
  std::lock_guard<std::mutex> lock(gLock);
  *exitCode = p->exitCode;
  return TRUE;
}

UINT WINAPI WinExec(LPCSTR commandLine, UINT showCommand) {
  KvxWinExecHook hook;
  {
    std::lock_guard<std::mutex> lock(gLock);
    hook = gWinExecHook;
  }
  if (hook) return hook(commandLine ? commandLine : "", showCommand);
  pid_t pid = 0;
  DWORD err = uStart(nullptr, commandLine, nullptr, &pid);
  if (err != ERROR_SUCCESS) return err == ERROR_FILE_NOT_FOUND ? 2 : 0;
  vReapLater(pid);
  return 33;
}
