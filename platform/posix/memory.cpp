// Memory pages: a region of VirtualAlloc is an anonymous mapping, which the
// system hands out zero-filled; its size is kept for VirtualFree.
#include "win32.h"

#include <sys/mman.h>

#include <mutex>
#include <unordered_map>

namespace {
std::mutex gRegionLock;
std::unordered_map<void*, size_t>* gRegions = new std::unordered_map<void*, size_t>;  // never destroyed: freed at exit
}  // namespace

extern "C" {

LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
  if (address || size == 0 || allocationType != (MEM_COMMIT | MEM_RESERVE) || protect != PAGE_READWRITE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* region = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  try {
    std::lock_guard<std::mutex> hold(gRegionLock);
    (*gRegions)[region] = size;
  } catch (...) {
    munmap(region, size);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
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
  if (!length) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  munmap(address, length);
  return TRUE;
}

}  // extern "C"
