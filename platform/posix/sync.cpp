// Critical sections, thread-local slots and the per-thread last error.
#include "win32.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace {
thread_local DWORD tLastError = 0;

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
  pthread_mutex_init(&cs->mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  cs->initialised = 1;
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  if (cs->initialised) {
    pthread_mutex_destroy(&cs->mutex);
    cs->initialised = 0;
  }
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_lock(&cs->mutex); }
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_unlock(&cs->mutex); }

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
    if (index >= gTlsUsed.size() || !gTlsUsed[index]) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  }
  if (tTlsValues.size() <= index) tTlsValues.resize(index + 1, nullptr);
  tTlsValues[index] = value;
  return TRUE;
}

DWORD WINAPI GetCurrentThreadId(void) { return (DWORD)gettid(); }
}
