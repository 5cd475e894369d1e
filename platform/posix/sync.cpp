// Critical sections, thread-local slots and the per-thread last error.
#include "win32.h"
#include "results.h"

#include <pthread.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {
thread_local DWORD tLastError = 0;

// A critical section is a recursive mutex, as Windows' sections may be
// entered again by the thread that holds them; it lives in the block.
static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION));
static_assert(alignof(pthread_mutex_t) <= alignof(CRITICAL_SECTION));
pthread_mutex_t* pMutex(LPCRITICAL_SECTION cs) { return reinterpret_cast<pthread_mutex_t*>(cs->opaque); }

// Slots are numbered from 0; each thread keeps its values in a vector.
std::mutex gTlsLock;
std::vector<bool> gTlsUsed;
thread_local std::vector<void*> tTlsValues;
}  // namespace

extern "C" {

DWORD WINAPI GetLastError(void) { return tLastError; }
void WINAPI SetLastError(DWORD code) { tLastError = code; }

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(pMutex(cs), &attr);
  pthread_mutexattr_destroy(&attr);
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  pthread_mutex_destroy(pMutex(cs));
  // A zeroed block is an unused section again.
  memset(cs->opaque, 0, sizeof cs->opaque);
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_lock(pMutex(cs)); }
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_unlock(pMutex(cs)); }

DWORD WINAPI TlsAlloc(void) {
  std::lock_guard<std::mutex> lock(gTlsLock);
  for (size_t i = 0; i < gTlsUsed.size(); ++i) {
    if (!gTlsUsed[i]) {
      gTlsUsed[i] = true;
      return (DWORD)i;
    }
  }
  gTlsUsed.push_back(true);
  return (DWORD)(gTlsUsed.size() - 1);
}

BOOL WINAPI TlsFree(DWORD index) {
  std::lock_guard<std::mutex> lock(gTlsLock);
  if (index >= gTlsUsed.size() || !gTlsUsed[index]) return FALSE;
  gTlsUsed[index] = false;
  return TRUE;
}

LPVOID WINAPI TlsGetValue(DWORD index) {
  SetLastError(ERROR_SUCCESS);
  return index < tTlsValues.size() ? tTlsValues[index] : nullptr;
}

BOOL WINAPI TlsSetValue(DWORD index, LPVOID value) {
  {
    std::lock_guard<std::mutex> lock(gTlsLock);
    if (index >= gTlsUsed.size() || !gTlsUsed[index]) return KvxFail(ERROR_INVALID_PARAMETER);
  }
  if (tTlsValues.size() <= index) tTlsValues.resize(index + 1, nullptr);
  tTlsValues[index] = value;
  return TRUE;
}

DWORD WINAPI GetCurrentThreadId(void) { return (DWORD)gettid(); }
}
