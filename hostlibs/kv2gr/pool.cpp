// Slot pools: points and vertices come by the million in a large import, and
// one heap block each for the record and another for its user data made the
// heap's bookkeeping the largest cost of reading and of emptying a field book.
#include <cstdlib>
#include <cstring>

#include "kv2gr_internal.h"

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
// costs little); each next one doubles, up to about a megabyte.
constexpr size_t kFirstSlots = 16;
constexpr size_t kSlabBytesMax = size_t{1} << 20;

constexpr size_t uRoundUp(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

// A slab starts with the link to the one made before it.
constexpr size_t kSlabHead = uRoundUp(sizeof(void*));

bool boNewSlab(GrPool* pool) {
  size_t bytes = kSlabHead + pool->slabSlots * pool->slot;
  char* slab = static_cast<char*>(malloc(bytes));
  if (!slab) return false;
  memcpy(slab, &pool->slabs, sizeof(void*));
  pool->slabs = slab;
  pool->next = slab + kSlabHead;
  pool->end = slab + bytes;
  KV2GR_POISON(pool->next, pool->end - pool->next);
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
    void* before;
    memcpy(&before, slab, sizeof(void*));
    free(slab);
    slab = before;
  }
  size_t dataAt = pool->dataAt, slot = pool->slot;
  *pool = GrPool{};
  pool->dataAt = dataAt;
  pool->slot = slot;
  pool->slabSlots = kFirstSlots;
}
