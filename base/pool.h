// Memory pools: a bump allocator over zero-filled blocks. Thousands of small
// records (stations, observations, hash nodes) cost one heap allocation per
// block and go back all at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win32.h"

struct MemPool {
  void* pBlocks;            // chain of blocks, oldest first; each is a next link then uBlockSize bytes
  uint64_t uBlockSize;      // data bytes per block
  uint64_t uLeft;           // bytes left in the current block
  void* pCurrent;           // current (newest) block
  uint64_t uReleased;       // bytes given back by their owners but not yet freed
  CRITICAL_SECTION* pLock;  // serialises allocation; made by vPoolInit
  bool boUnlocked;          // vPoolInitUnlocked: no lock at all
};

// An empty pool (no block yet) with its lock.
void vPoolInit(MemPool* pool, uint64_t blockSize);
// An empty pool without a lock, for an owner whose own structures only one
// thread at a time uses: a lock would guard nothing and costs more than the
// allocation.
void vPoolInitUnlocked(MemPool* pool, uint64_t blockSize);
// Zero-filled memory of the size rounded up to a multiple of 8 (0 counts as
// 8). NULL when memory runs out, or when the rounded size exceeds the block
// size: a request never spans blocks.
void* pPoolAlloc(MemPool* pool, size_t size);
// Frees every block and the lock. The block size stays, so the pool can be
// used again (a new lock is then made on the next allocation, unless the
// pool has none).
void vPoolFreeAll(MemPool* pool);
// With a position inside the current block: gives back the tail of that
// block from the position on (zeroed again). A position elsewhere changes
// nothing. With NULL: keeps only the first (oldest) block, empty and zeroed,
// and clears the released counter.
void vPoolFreeTail(MemPool* pool, void* position);
// Blocks times block size minus the bytes left in the current block.
int64_t iPoolUsed(const MemPool* pool);
// The released-bytes counter; 0 for NULL.
int64_t iPoolReleased(const MemPool* pool);
// Marks n bytes that an owner gave back to a pool as not to be used again,
// so that AddressSanitizer still catches a use of a deleted object as it
// would with one heap block per object; nothing in other builds. The pool
// makes them usable again when it zeroes or frees their block.
void vPoolPoison(void* p, size_t n);

// A new critical section on the heap (null without memory). The utility
// library's locks are the platform's critical sections; a module-wide one is
// made once by this and never deleted, since threads may still hold it while
// static objects are destroyed.
CRITICAL_SECTION* pMemNewLock(void);
