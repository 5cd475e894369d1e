// Memory pages: a region of VirtualAlloc is an anonymous mapping, which the
// system hands out zero-filled; its size is kept for VirtualFree.
#include "win32.h"

#include "kvxtest_memory.h"
#include "results.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {
std::mutex gRegionLock;
std::unordered_map<void*, size_t>* gRegions = new std::unordered_map<void*, size_t>;  // never destroyed: freed at exit
const size_t kHugePage = 2 * 1024 * 1024;
std::atomic<int> gRegionsLeft{-1};  // regions a test still grants; negative: no limit
std::atomic<int> gRegionsRefused{0};

// False when a test has VirtualAlloc fail from now on.
bool boTestGrantsRegion() {
  int left = gRegionsLeft.load();
  while (left > 0 && !gRegionsLeft.compare_exchange_weak(left, left - 1)) {
  }
  if (left != 0) return true;
  ++gRegionsRefused;
  return false;
}

// A mapping of size bytes. A large one starts on a huge-page boundary and
// asks for huge pages: a table of many megabytes then costs a few page
// faults instead of thousands.
void* pMapRegion(size_t size) {
  if (size < kHugePage) {
    void* region = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return region == MAP_FAILED ? nullptr : region;
  }
  if (size > SIZE_MAX - 2 * kHugePage) return nullptr;
  // The system maps and unmaps whole pages: what lies past the last one
  // goes back from a page boundary, or not at all.
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size = (size + page - 1) & ~(page - 1);
  size_t length = size + kHugePage;
  void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
  uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
  // Give back what lies before and after the aligned region.
  if (aligned > start) munmap(mapped, aligned - start);
  uintptr_t end = aligned + size;
  if (start + length > end) munmap(reinterpret_cast<void*>(end), start + length - end);
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // a hint; refused where there are none
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

extern "C" {

LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
  if (address || size == 0 || allocationType != (MEM_COMMIT | MEM_RESERVE) || protect != PAGE_READWRITE)
    return KvxFail(ERROR_INVALID_PARAMETER);
  void* region = boTestGrantsRegion() ? pMapRegion(size) : nullptr;
  if (!region) return KvxFail(ERROR_NOT_ENOUGH_MEMORY);
  try {
    std::lock_guard<std::mutex> hold(gRegionLock);
    (*gRegions)[region] = size;
  } catch (...) {
    munmap(region, size);
    return KvxFail(ERROR_NOT_ENOUGH_MEMORY);
  }
  return region;
}

BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
  size_t length = 0;
  if (address && size == 0 && freeType == MEM_RELEASE) {
    std::lock_guard<std::mutex> hold(gRegionLock);
    auto found = gRegions->find(address);
    if (found != gRegions->end()) {
      length = found->second;
      gRegions->erase(found);
    }
  }
  if (!length) return KvxFail(ERROR_INVALID_PARAMETER);
  munmap(address, length);
  return TRUE;
}

void vKvxTestMemoryFailAfter(int regions) {
  gRegionsLeft.store(regions < 0 ? -1 : regions);
  gRegionsRefused.store(0);
}

int iKvxTestMemoryRefused(void) { return gRegionsRefused.load(); }

}  // extern "C"
