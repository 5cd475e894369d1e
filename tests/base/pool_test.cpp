#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "base/pool.h"

namespace {

bool boAllZero(const void* p, size_t n) {
  const unsigned char* b = (const unsigned char*)p;
  for (size_t i = 0; i < n; ++i)
    if (b[i]) return false;
  return true;
}

TEST(Pool, RoundsToEightAndGrowsByBlocks) {
  MemPool pool;
  vPoolInit(&pool, 100);
  EXPECT_EQ(iPoolUsed(&pool), 0);
  char* a = (char*)pPoolAlloc(&pool, 3);
  char* b = (char*)pPoolAlloc(&pool, 5);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(b - a, 8);
  EXPECT_EQ(iPoolUsed(&pool), 16);
  EXPECT_TRUE(boAllZero(a, 16));
  char* c = (char*)pPoolAlloc(&pool, 90);  // 84 bytes left: a second block
  ASSERT_TRUE(c);
  EXPECT_TRUE(c < a || c >= a + 100);
  EXPECT_TRUE(boAllZero(c, 90));
  EXPECT_EQ(iPoolUsed(&pool), 200 - 4);
  memset(c, 0x5A, 90);
  vPoolFreeAll(&pool);
  EXPECT_EQ(iPoolUsed(&pool), 0);
  // Usable again after being freed.
  EXPECT_NE(pPoolAlloc(&pool, 8), nullptr);
  EXPECT_EQ(iPoolUsed(&pool), 8);
  vPoolFreeAll(&pool);
}

TEST(Pool, ZeroAndOversizeRequests) {
  MemPool pool;
  vPoolInit(&pool, 64);
  char* a = (char*)pPoolAlloc(&pool, 0);  // before any block: counts as 8
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(iPoolUsed(&pool), 8);
  char* b = (char*)pPoolAlloc(&pool, 0);
  EXPECT_EQ(b - a, 8);
  // Larger than a block: refused, nothing written or taken.
  EXPECT_EQ(pPoolAlloc(&pool, 65), nullptr);
  EXPECT_EQ(pPoolAlloc(&pool, 1000000), nullptr);
  EXPECT_EQ(iPoolUsed(&pool), 16);
  // Exactly a block is fine.
  EXPECT_NE(pPoolAlloc(&pool, 64), nullptr);
  EXPECT_EQ(iPoolUsed(&pool), 64 + 64);
  vPoolFreeAll(&pool);
}

TEST(Pool, TailRelease) {
  MemPool pool;
  vPoolInit(&pool, 64);
  char* a = (char*)pPoolAlloc(&pool, 16);
  char* b = (char*)pPoolAlloc(&pool, 24);
  memset(a, 1, 16);
  memset(b, 2, 24);
  vPoolFreeTail(&pool, b);
  EXPECT_EQ(iPoolUsed(&pool), 16);
  EXPECT_TRUE(boAllZero(b, 24));
  EXPECT_EQ(a[15], 1);
  EXPECT_EQ((char*)pPoolAlloc(&pool, 8), b);  // the tail is handed out again

  // A position outside the current block changes nothing.
  char* c = (char*)pPoolAlloc(&pool, 64);  // second block
  memset(c, 3, 64);
  int64_t used = iPoolUsed(&pool);
  vPoolFreeTail(&pool, a);
  int outside = 0;
  vPoolFreeTail(&pool, &outside);
  EXPECT_EQ(iPoolUsed(&pool), used);
  EXPECT_EQ(c[0], 3);
  vPoolFreeAll(&pool);
}

TEST(Pool, FreeTailNullKeepsFirstBlockEmpty) {
  MemPool pool;
  vPoolInit(&pool, 32);
  char* first = (char*)pPoolAlloc(&pool, 32);
  memset(first, 7, 32);
  pPoolAlloc(&pool, 32);
  pPoolAlloc(&pool, 32);
  pool.uReleased = 40;
  EXPECT_EQ(iPoolUsed(&pool), 96);
  vPoolFreeTail(&pool, nullptr);
  EXPECT_EQ(iPoolUsed(&pool), 0);
  EXPECT_EQ(iPoolReleased(&pool), 0);
  EXPECT_TRUE(boAllZero(first, 32));
  EXPECT_EQ((char*)pPoolAlloc(&pool, 8), first);  // the oldest block is kept
  EXPECT_EQ(iPoolReleased(nullptr), 0);
  vPoolFreeAll(&pool);

  MemPool empty;  // no block yet: nothing to keep
  vPoolInit(&empty, 32);
  vPoolFreeTail(&empty, nullptr);
  EXPECT_EQ(iPoolUsed(&empty), 0);
  vPoolFreeAll(&empty);
}

// The lock exists from vPoolInit on: threads that make their first
// allocations together never get overlapping memory.
TEST(Pool, ThreadsShareOnePool) {
  for (int round = 0; round < 2; ++round) {
    MemPool pool;
    vPoolInit(&pool, 256);
    EXPECT_NE(pool.pLock, nullptr);  // made with the pool, before any thread allocates
    if (round == 1) vPoolFreeAll(&pool);  // the lock is made again on first use
    constexpr int kThreads = 8, kEach = 2000;
    std::vector<std::vector<void*>> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < kEach; ++i) {
          void* p = pPoolAlloc(&pool, 16);
          memset(p, t + 1, 16);
          got[t].push_back(p);
        }
      });
    for (auto& th : threads) th.join();
    std::set<void*> all;
    for (int t = 0; t < kThreads; ++t)
      for (void* p : got[t]) {
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(*(unsigned char*)p, t + 1);  // nobody else wrote over it
        all.insert(p);
      }
    EXPECT_EQ(all.size(), (size_t)kThreads * kEach);
    EXPECT_EQ(iPoolUsed(&pool), (int64_t)kThreads * kEach * 16);
    vPoolFreeAll(&pool);
  }
}

}  // namespace
