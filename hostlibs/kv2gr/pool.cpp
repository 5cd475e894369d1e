// Slot pools: points and vertices come by the million in a large import, and
// one heap block each for the record and another for its user data made the
// heap's bookkeeping the largest cost of reading and of emptying a field book.
#include <bit>
#include <cstdlib>
#include <cstring>

#include "kv2gr_internal.h"
#include "win32.h"

#if defined(__SANITIZE_ADDRESS__)
#define KV2GR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV2GR_ASAN 1
#endif
#endif

#ifdef KV2GR_ASAN
#include <sanitizer/asan_interface.h>
// Free slots and unused slab space are poisoned, so that a use of a freed
// object is still caught as it would be with one heap block per object.
#define KV2GR_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define KV2GR_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define KV2GR_POISON(p, n) ((void)(p), (void)(n))
#define KV2GR_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

constexpr size_t kAlign = alignof(std::max_align_t);
// The first slab of a pool is small (a container that holds a few objects
// costs little); each next one doubles. From kMappedFrom on a slab is a
// region of pages, which come zero-filled (no memset per fresh slot) and go
// back whole at release; the largest ones are multi-megabyte, for a million
// points in a few dozen regions.
constexpr size_t kFirstSlots = 16;
constexpr size_t kMappedFrom = size_t{256} << 10;
constexpr size_t kSlabBytesMax = size_t{8} << 20;

constexpr size_t uRoundUp(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

// A slab starts with the link to the one made before it and whether it is a
// page region (VirtualFree) or a heap block (free).
struct SlabHead {
  void* before;
  size_t bytes;
  bool mapped;
};
constexpr size_t kSlabHead = uRoundUp(sizeof(SlabHead));

bool boNewSlab(GrPool* pool) {
  const size_t heapBytes = kSlabHead + pool->slabSlots * pool->slot;
  size_t bytes = heapBytes;
  char* slab = nullptr;
  if (heapBytes >= kMappedFrom) {
    // Whole pages (huge ones from 2 MB), filled with slots.
    size_t pages = std::bit_ceil(heapBytes);
    if (pages <= kSlabBytesMax) bytes = pages;
    slab = static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  const bool mapped = slab != nullptr;
  if (!mapped) {
    bytes = heapBytes;
    slab = static_cast<char*>(malloc(bytes));
    if (!slab) return false;
  }
  SlabHead head{pool->slabs, bytes, mapped};
  memcpy(slab, &head, sizeof head);
  pool->slabs = slab;
  pool->next = slab + kSlabHead;
  pool->end = pool->next + (bytes - kSlabHead) / pool->slot * pool->slot;
  pool->zeroed = mapped;
  KV2GR_POISON(pool->next, slab + bytes - pool->next);
  if (pool->slabSlots * 2 * pool->slot <= kSlabBytesMax) pool->slabSlots *= 2;
  return true;
}

}  // namespace

void vGrPoolInit(GrPool* pool, size_t objSize, uint32_t userSize) {
  *pool = GrPool{};
  pool->dataAt = uRoundUp(objSize);
  pool->slot = uRoundUp(pool->dataAt + (userSize ? userSize : 1));
  pool->slabSlots = kFirstSlots;
}

void* pGrPoolAlloc(GrPool* pool) {
  char* slot;
  if (pool->free) {
    slot = static_cast<char*>(pool->free);
    KV2GR_UNPOISON(slot, pool->slot);
    memcpy(&pool->free, slot, sizeof(void*));
  } else {
    if (pool->next == pool->end && !boNewSlab(pool)) return nullptr;
    slot = pool->next;
    pool->next += pool->slot;
    KV2GR_UNPOISON(slot, pool->slot);
    if (pool->zeroed) return slot;  // never used: the pages came zero-filled
  }
  memset(slot + pool->dataAt, 0, pool->slot - pool->dataAt);
  return slot;
}

void vGrPoolFree(GrPool* pool, void* slot) {
  if (!slot) return;
  memcpy(slot, &pool->free, sizeof(void*));
  pool->free = slot;
  KV2GR_POISON(slot, pool->slot);
}

void vGrPoolRelease(GrPool* pool) {
  for (void* slab = pool->slabs; slab;) {
    SlabHead head;
    memcpy(&head, slab, sizeof head);
    if (head.mapped) {
      // The pages may come back to another user: they leave unpoisoned.
      KV2GR_UNPOISON(slab, head.bytes);
      VirtualFree(slab, 0, MEM_RELEASE);
    } else
      free(slab);
    slab = head.before;
  }
  size_t dataAt = pool->dataAt, slot = pool->slot;
  *pool = GrPool{};
  pool->dataAt = dataAt;
  pool->slot = slot;
  pool->slabSlots = kFirstSlots;
}
