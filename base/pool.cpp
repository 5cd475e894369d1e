#include "base/pool.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define KVX_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVX_POOL_ASAN 1
#endif
#endif

#ifdef KVX_POOL_ASAN
#include <sanitizer/asan_interface.h>
#define KVX_POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define KVX_POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define KVX_POOL_POISON(p, n) ((void)(p), (void)(n))
#define KVX_POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

struct PoolBlock {
  PoolBlock* pNext;
  // block-size data bytes follow
};

constexpr uint64_t kAlign = 8;

unsigned char* pBlockData(void* block) { return (unsigned char*)block + sizeof(PoolBlock); }

// Guards the making of a lock for a pool whose lock was freed by
// vPoolFreeAll, so that two threads never make two.
CRITICAL_SECTION* pLockMaking() {
  static CRITICAL_SECTION* s_pLock = pMemNewLock();
  return s_pLock;
}

void vDeleteLock(CRITICAL_SECTION* cs) {
  if (!cs) return;
  DeleteCriticalSection(cs);
  free(cs);
}

CRITICAL_SECTION* pPoolLock(MemPool* pool) {
  std::atomic_ref<CRITICAL_SECTION*> lock(pool->pLock);
  CRITICAL_SECTION* cs = lock.load(std::memory_order_acquire);
  if (cs) return cs;
  EnterCriticalSection(pLockMaking());
  cs = lock.load(std::memory_order_acquire);
  if (!cs) {
    cs = pMemNewLock();
    lock.store(cs, std::memory_order_release);
  }
  LeaveCriticalSection(pLockMaking());
  return cs;
}

// Frees a block that may hold poisoned objects.
void vFreeBlock(PoolBlock* block, uint64_t blockSize) {
  KVX_POOL_UNPOISON(pBlockData(block), blockSize);
  free(block);
}

void vFreeBlocksAfter(PoolBlock* block, uint64_t blockSize) {
  PoolBlock* p = block->pNext;
  block->pNext = nullptr;
  while (p) {
    PoolBlock* next = p->pNext;
    vFreeBlock(p, blockSize);
    p = next;
  }
}

// pPoolAlloc's work, with the lock held where the pool has one.
void* pAllocHeld(MemPool* pool, uint64_t need) {
  if (!pool->pCurrent || need > pool->uLeft) {
    PoolBlock* block = (PoolBlock*)calloc(1, sizeof(PoolBlock) + pool->uBlockSize);
    if (!block) return nullptr;
    if (pool->pCurrent)
      ((PoolBlock*)pool->pCurrent)->pNext = block;
    else
      pool->pBlocks = block;
    pool->pCurrent = block;
    pool->uLeft = pool->uBlockSize;
  }
  void* result = pBlockData(pool->pCurrent) + (pool->uBlockSize - pool->uLeft);
  pool->uLeft -= need;
  return result;
}

}  // namespace

CRITICAL_SECTION* pMemNewLock(void) {
  CRITICAL_SECTION* cs = (CRITICAL_SECTION*)calloc(1, sizeof(CRITICAL_SECTION));
  if (cs) InitializeCriticalSection(cs);
  return cs;
}

void vPoolInit(MemPool* pool, uint64_t blockSize) {
  vPoolInitUnlocked(pool, blockSize);
  pool->boUnlocked = false;
  pool->pLock = pMemNewLock();
}

void vPoolInitUnlocked(MemPool* pool, uint64_t blockSize) {
  pool->pBlocks = nullptr;
  pool->uBlockSize = blockSize;
  pool->uLeft = 0;
  pool->pCurrent = nullptr;
  pool->uReleased = 0;
  pool->pLock = nullptr;
  pool->boUnlocked = true;
}

void* pPoolAlloc(MemPool* pool, size_t size) {
  if (size == 0) size = kAlign;
  if (size > pool->uBlockSize) return nullptr;
  uint64_t need = ((uint64_t)size + kAlign - 1) / kAlign * kAlign;
  if (need > pool->uBlockSize) return nullptr;
  CRITICAL_SECTION* cs = nullptr;
  if (!pool->boUnlocked) {
    cs = pPoolLock(pool);
    if (!cs) return nullptr;
    EnterCriticalSection(cs);
  }
  void* result = pAllocHeld(pool, need);
  if (cs) LeaveCriticalSection(cs);
  return result;
}

void vPoolFreeAll(MemPool* pool) {
  PoolBlock* p = (PoolBlock*)pool->pBlocks;
  while (p) {
    PoolBlock* next = p->pNext;
    vFreeBlock(p, pool->uBlockSize);
    p = next;
  }
  pool->pBlocks = nullptr;
  pool->pCurrent = nullptr;
  pool->uLeft = 0;
  pool->uReleased = 0;
  vDeleteLock(pool->pLock);
  pool->pLock = nullptr;
}

void vPoolFreeTail(MemPool* pool, void* position) {
  CRITICAL_SECTION* cs = pool->boUnlocked ? nullptr : pPoolLock(pool);
  if (cs) EnterCriticalSection(cs);
  if (!position) {
    PoolBlock* first = (PoolBlock*)pool->pBlocks;
    if (first) {
      vFreeBlocksAfter(first, pool->uBlockSize);
      KVX_POOL_UNPOISON(pBlockData(first), pool->uBlockSize);
      memset(pBlockData(first), 0, pool->uBlockSize);
      pool->pCurrent = first;
      pool->uLeft = pool->uBlockSize;
    }
    pool->uReleased = 0;
  } else if (pool->pCurrent) {
    unsigned char* data = pBlockData(pool->pCurrent);
    unsigned char* pos = (unsigned char*)position;
    if (pos >= data && pos < data + pool->uBlockSize) {
      uint64_t offset = (uint64_t)(pos - data);
      KVX_POOL_UNPOISON(pos, pool->uBlockSize - offset);
      memset(pos, 0, pool->uBlockSize - offset);
      pool->uLeft = pool->uBlockSize - offset;
    }
  }
  if (cs) LeaveCriticalSection(cs);
}

int64_t iPoolUsed(const MemPool* pool) {
  int64_t blocks = 0;
  for (PoolBlock* p = (PoolBlock*)pool->pBlocks; p; p = p->pNext) ++blocks;
  return blocks * (int64_t)pool->uBlockSize - (int64_t)pool->uLeft;
}

int64_t iPoolReleased(const MemPool* pool) { return pool ? (int64_t)pool->uReleased : 0; }

void vPoolPoison(void* p, size_t n) { KVX_POOL_POISON(p, n); }
