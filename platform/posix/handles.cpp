#include "handles.h"
#include "results.h"

#include <mutex>
#include <vector>

namespace {

struct Slot {
  const KvxHandleKind* kind = nullptr;
  void* object = nullptr;
};

std::mutex gLock;
std::vector<Slot> gSlots;  // handle value = (index + 1) * 4, as Windows' are multiples of 4

size_t uIndexOf(HANDLE h) {
  uintptr_t v = (uintptr_t)h;
  if (v == 0 || v % 4 != 0) return (size_t)-1;
  return v / 4 - 1;
}

}  // namespace

HANDLE hKvxHandleNew(const KvxHandleKind* kind, void* object) {
  std::lock_guard<std::mutex> lock(gLock);
  size_t i = 0;
  while (i < gSlots.size() && gSlots[i].kind) ++i;
  if (i == gSlots.size()) {
    if (gSlots.size() >= 1u << 20) return nullptr;
    gSlots.push_back({});
  }
  gSlots[i] = {kind, object};
  return (HANDLE)((i + 1) * 4);
}

void* pKvxHandleObject(HANDLE handle, const KvxHandleKind* kind) {
  std::lock_guard<std::mutex> lock(gLock);
  size_t i = uIndexOf(handle);
  if (i >= gSlots.size() || gSlots[i].kind != kind) return KvxFail(ERROR_INVALID_HANDLE);
  return gSlots[i].object;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  Slot s;
  {
    std::lock_guard<std::mutex> lock(gLock);
    size_t i = uIndexOf(handle);
    if (i >= gSlots.size() || !gSlots[i].kind) return KvxFail(ERROR_INVALID_HANDLE);
    s = gSlots[i];
    gSlots[i] = {};
  }
  if (s.kind->close) s.kind->close(s.object);
  return TRUE;
}
