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
  pool->dataAt = uGrDataAt(objSize);
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

// ---- Text heap ----

namespace {

// The first chunk holds the texts of a few objects; each next one doubles.
constexpr size_t kChunkFirst = 1024;
constexpr size_t kChunkMax = size_t{1} << 20;
// A chunk starts with the link to the one made before it and its size.
struct ChunkHead {
  void* before;
  size_t bytes;
};
constexpr size_t kChunkHead = sizeof(ChunkHead);

// A large block starts with its links.
struct LargeHead {
  LargeHead* prev;
  LargeHead* next;
};
constexpr size_t kLargeHead = uRoundUp(sizeof(LargeHead));

size_t uHeapBytes(size_t bytes) { return (bytes + 7) & ~size_t{7}; }

bool boNewChunk(GrHeap* heap) {
  if (heap->chunkBytes == 0) heap->chunkBytes = kChunkFirst;
  char* chunk = static_cast<char*>(malloc(heap->chunkBytes));
  if (!chunk) return false;
  ChunkHead head{heap->chunks, heap->chunkBytes};
  memcpy(chunk, &head, sizeof head);
  heap->chunks = chunk;
  heap->next = chunk + kChunkHead;
  heap->end = chunk + heap->chunkBytes;
  KV2GR_POISON(heap->next, heap->end - heap->next);
  if (heap->chunkBytes < kChunkMax) heap->chunkBytes *= 2;
  return true;
}

}  // namespace

void* pGrHeapAlloc(GrHeap* heap, size_t bytes) {
  bytes = uHeapBytes(bytes);
  if (bytes > kGrHeapSmall) {
    char* block = static_cast<char*>(malloc(kLargeHead + bytes));
    if (!block) return nullptr;
    LargeHead* head = reinterpret_cast<LargeHead*>(block);
    head->prev = nullptr;
    head->next = static_cast<LargeHead*>(heap->large);
    if (head->next) head->next->prev = head;
    heap->large = head;
    return block + kLargeHead;
  }
  void*& free = heap->free[bytes / 8 - 1];
  char* block;
  if (free) {
    block = static_cast<char*>(free);
    KV2GR_UNPOISON(block, bytes);
    memcpy(&free, block, sizeof(void*));
    return block;
  }
  if (static_cast<size_t>(heap->end - heap->next) < bytes) {
    // The old chunk's rest is left unused: at most a block's size.
    if (!boNewChunk(heap)) return nullptr;
  }
  block = heap->next;
  heap->next += bytes;
  KV2GR_UNPOISON(block, bytes);
  return block;
}

void vGrHeapFree(GrHeap* heap, void* block, size_t bytes) {
  if (!block) return;
  bytes = uHeapBytes(bytes);
  if (bytes > kGrHeapSmall) {
    LargeHead* head = reinterpret_cast<LargeHead*>(static_cast<char*>(block) - kLargeHead);
    if (head->prev)
      head->prev->next = head->next;
    else
      heap->large = head->next;
    if (head->next) head->next->prev = head->prev;
    free(head);
    return;
  }
  void*& free = heap->free[bytes / 8 - 1];
  memcpy(block, &free, sizeof(void*));
  free = block;
  KV2GR_POISON(block, bytes);
}

void vGrHeapRelease(GrHeap* heap) {
  for (void* chunk = heap->chunks; chunk;) {
    ChunkHead head;
    memcpy(&head, chunk, sizeof head);
    // Free blocks and rests go back unpoisoned, as they were given.
    KV2GR_UNPOISON(chunk, head.bytes);
    free(chunk);
    chunk = head.before;
  }
  for (LargeHead* head = static_cast<LargeHead*>(heap->large); head;) {
    LargeHead* next = head->next;
    free(head);
    head = next;
  }
  *heap = GrHeap{};
}

bool boGrTextSet(GrHeap* heap, const char** slot, const char* text) {
  size_t len = text ? strlen(text) : 0;
  const char* old = *slot;
  size_t oldBytes = old ? strlen(old) + 1 : 0;
  if (len == 0) {
    vGrHeapFree(heap, const_cast<char*>(old), oldBytes);
    *slot = nullptr;
    return true;
  }
  if (old && uHeapBytes(oldBytes) == uHeapBytes(len + 1)) {
    memmove(const_cast<char*>(old), text, len + 1);
    return true;
  }
  char* copy = static_cast<char*>(pGrHeapAlloc(heap, len + 1));
  if (!copy) return false;
  memcpy(copy, text, len + 1);
  vGrHeapFree(heap, const_cast<char*>(old), oldBytes);
  *slot = copy;
  return true;
}

void vGrTextFree(GrHeap* heap, const char* text) {
  if (text) vGrHeapFree(heap, const_cast<char*>(text), strlen(text) + 1);
}
