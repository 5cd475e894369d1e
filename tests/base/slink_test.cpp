// Single-linked lists and chains, and the memory pools under them.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/pool.h"
#include "base/slink.h"
#include "testing/ui_driver.h"

namespace {

// A pool made for one test and freed with it.
struct TestPool : MemPool {
  explicit TestPool(uint32_t block) { vPoolInit(this, block); }
  ~TestPool() { vPoolFreeAll(this); }
};

struct Item {
  Item* pNext;
  int iValue;
  char acName[12];
};

// The values of a chain in order, as text ("1 2 3").
template <class T>
std::string sChain(T* p) {
  std::string s;
  for (; p; p = p->pNext) s += (s.empty() ? "" : " ") + std::to_string(p->iValue);
  return s;
}

// The values of a list, after checking the header's invariants.
std::string sOrder(const SLinkList& list) {
  EXPECT_EQ(list.pFirst == nullptr, list.pLast == nullptr);
  if (list.pLast) {
    EXPECT_EQ(list.pLast->pNext, nullptr);
    SLinkObj* p = list.pFirst;
    while (p->pNext) p = p->pNext;
    EXPECT_EQ(p, list.pLast);
  }
  return sChain((Item*)list.pFirst);
}

Item* pAdd(SLinkList* list, int value, void* before = nullptr) {
  Item* it = (Item*)pSLinkNewObj(list, before, nullptr);
  it->iValue = value;
  return it;
}

Item* pAddAfter(SLinkList* list, Item* after, int value) {
  Item* it = (Item*)pSLinkNewObjAfter(list, after ? &after->pNext : nullptr, nullptr);
  it->iValue = value;
  return it;
}

class SLinkTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { vSLinkInit(&list_, sizeof(Item), GetParam() ? &pool_ : nullptr); }
  void TearDown() override { vSLinkFreeAll(&list_); }
  TestPool pool_{1024};
  SLinkList list_;
};

TEST_P(SLinkTest, NewObjectsAppendInsertAndCopyTemplates) {
  Item* a = pAdd(&list_, 1);
  Item* c = pAdd(&list_, 3);
  pAdd(&list_, 2, c);
  EXPECT_EQ(sOrder(list_), "1 2 3");
  EXPECT_EQ(a->acName[0], 0);  // zero-filled
  Item tmpl{(Item*)0x1234, 9, "tmpl"};
  Item* t = (Item*)pSLinkNewObj(&list_, a, &tmpl);
  EXPECT_EQ(t->pNext, a);  // the template's next is not kept
  EXPECT_STREQ(t->acName, "tmpl");
  EXPECT_EQ(sOrder(list_), "9 1 2 3");
  EXPECT_EQ(iSLinkCount(&list_), 4);
  EXPECT_EQ(pSLinkGetNth(&list_, 0), t);
  EXPECT_EQ(pSLinkGetNth(&list_, 3), c);
  EXPECT_EQ(pSLinkGetNth(&list_, 4), nullptr);
  EXPECT_EQ(pSLinkGetNth(&list_, -1), nullptr);
}

TEST_P(SLinkTest, NewObjectBeforeMissingWarnsAndAppends) {
  pAdd(&list_, 1);
  Item stranger{};
  vUiExpectBox(IDOK, "SLinkNewSizeObj InsertBefore not found");
  Item* it = (Item*)SLinkNewSizeObj(&list_, sizeof(Item), &stranger, nullptr);
  ASSERT_NE(it, nullptr);
  it->iValue = 2;
  EXPECT_EQ(sOrder(list_), "1 2");
  auto log = UiBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].uStyle, 0x12030u);
  EXPECT_EQ(log[0].sCaption, "");
}

TEST_P(SLinkTest, CheckedSizeWarnsAndNeverReadsPastTheTemplate) {
  // A template of 8 bytes (next only) for a list of larger objects: only the
  // template's own bytes are read, the rest of the object is zero.
  SLinkObj small{(SLinkObj*)0x1};
  vUiExpectBox(IDOK, "pSLinkNewObj: Wrong size of object in list");
  Item* it = (Item*)pSLinkNewObjChecked(&list_, nullptr, &small, sizeof small);
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(it->pNext, nullptr);
  EXPECT_EQ(it->iValue, 0);
  EXPECT_EQ(it->acName[11], 0);
  // The right size: no box.
  Item tmpl{nullptr, 5, "x"};
  Item* ok = (Item*)pSLinkNewObjChecked(&list_, nullptr, &tmpl, sizeof tmpl);
  EXPECT_EQ(ok->iValue, 5);
  EXPECT_EQ(UiBoxLog().size(), 1u);
}

TEST_P(SLinkTest, NewObjectAfter) {
  Item* a = pAdd(&list_, 1);
  EXPECT_EQ(list_.pLast, (SLinkObj*)pAddAfter(&list_, a, 2));  // behind the last it becomes the last
  pAddAfter(&list_, nullptr, 0);
  pAddAfter(&list_, a, 5);
  EXPECT_EQ(sOrder(list_), "0 1 5 2");
  SLinkList empty;
  vSLinkInit(&empty, sizeof(Item), nullptr);
  pAddAfter(&empty, nullptr, 7);
  EXPECT_EQ(sOrder(empty), "7");
  vSLinkFreeAll(&empty);
}

TEST_P(SLinkTest, DeleteUnlinkInsertAndMove) {
  Item* it[5];
  for (int i = 0; i < 5; ++i) it[i] = pAdd(&list_, i + 1);
  vSLinkDeleteObj(&list_, it[4]);  // the last
  vSLinkDeleteObj(&list_, it[0]);  // the first
  EXPECT_EQ(sOrder(list_), "2 3 4");
  Item stranger{};
  vSLinkDeleteObj(&list_, &stranger);  // not in the list: left alone
  vSLinkUnlink(&list_, &stranger);
  EXPECT_EQ(sOrder(list_), "2 3 4");

  vSLinkUnlink(&list_, it[3]);
  EXPECT_EQ(sOrder(list_), "2 3");
  vSLinkInsertBefore(&list_, &stranger, it[3]);  // target absent: nothing
  EXPECT_EQ(sOrder(list_), "2 3");
  vSLinkInsertBefore(&list_, it[1], it[3]);
  EXPECT_EQ(sOrder(list_), "4 2 3");
  vSLinkUnlink(&list_, it[3]);
  vSLinkInsertBefore(&list_, nullptr, it[3]);
  EXPECT_EQ(sOrder(list_), "2 3 4");

  vSLinkMoveBefore(&list_, it[3], it[1]);
  EXPECT_EQ(sOrder(list_), "4 2 3");
  vSLinkMoveBefore(&list_, it[3], nullptr);
  EXPECT_EQ(sOrder(list_), "2 3 4");
  vSLinkMoveBefore(&list_, it[2], it[2]);
  vSLinkMoveBefore(&list_, nullptr, it[2]);
  // A target not in the list must not lose the object.
  vSLinkMoveBefore(&list_, it[2], &stranger);
  EXPECT_EQ(sOrder(list_), "2 3 4");
}

TEST_P(SLinkTest, RotateFindPrevReverse) {
  Item* it[4];
  for (int i = 0; i < 4; ++i) it[i] = pAdd(&list_, i + 1);
  EXPECT_EQ(pSLinkFindPrev(&list_, it[2]), it[1]);
  EXPECT_EQ(pSLinkFindPrev(&list_, it[0]), nullptr);
  EXPECT_EQ(pSLinkFindPrev(&list_, nullptr), it[3]);
  Item stranger{};
  EXPECT_EQ(pSLinkFindPrev(&list_, &stranger), nullptr);

  EXPECT_TRUE(boSLinkRotateTo(&list_, it[2]));
  EXPECT_EQ(sOrder(list_), "3 4 1 2");
  EXPECT_FALSE(boSLinkRotateTo(&list_, it[2]));  // already first
  EXPECT_FALSE(boSLinkRotateTo(&list_, &stranger));
  EXPECT_EQ(sOrder(list_), "3 4 1 2");

  vSLinkReverse(&list_);
  EXPECT_EQ(sOrder(list_), "2 1 4 3");
  EXPECT_EQ(list_.pLast, (SLinkObj*)it[2]);
}

TEST_P(SLinkTest, CopyIsFlatAndInOrder) {
  for (int i = 1; i <= 3; ++i) pAdd(&list_, i);
  TestPool other(512);
  SLinkList copy;
  vSLinkCopy(&list_, &copy, &other);
  EXPECT_EQ(copy.uObjSize, sizeof(Item));
  EXPECT_EQ(pSLinkGetPool(&copy), &other);
  EXPECT_EQ(sOrder(copy), "1 2 3");
  EXPECT_NE(copy.pFirst, list_.pFirst);
  vSLinkFreeAll(&copy);
}

INSTANTIATE_TEST_SUITE_P(HeapAndPool, SLinkTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Pool" : "Heap"; });

TEST(SLinkPool, DeletingCountsReleasedBytes) {
  TestPool pool(1024);
  SLinkList list;
  vSLinkInit(&list, sizeof(Item), &pool);
  Item* a = pAdd(&list, 1);
  pAdd(&list, 2);
  int64_t used = iPoolUsed(&pool);
  vSLinkDeleteObj(&list, a);
  EXPECT_EQ(iPoolReleased(&pool), (int64_t)sizeof(Item));
  EXPECT_EQ(iPoolUsed(&pool), used);
  // Objects of another size still count the list's size.
  SLinkNewSizeObj(&list, 64, nullptr, nullptr);
  vSLinkFreeAll(&list);
  EXPECT_EQ(iPoolReleased(&pool), 3 * (int64_t)sizeof(Item));
  EXPECT_EQ(list.pFirst, nullptr);
  EXPECT_EQ(list.pLast, nullptr);
  vSLinkFreeAll(nullptr);
  // A list of zero-size objects counts nothing.
  SLinkList none;
  vSLinkInit(&none, 0, &pool);
  SLinkNewSizeObj(&none, 16, nullptr, nullptr);
  vSLinkFreeAll(&none);
  EXPECT_EQ(iPoolReleased(&pool), 3 * (int64_t)sizeof(Item));
}

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KVX_TEST_ASAN 1
#endif

// Under AddressSanitizer a deleted object of a pool-backed list is poisoned,
// as a freed heap block would be, until the pool zeroes or frees its block.
// An object of another size covers the list's size, so that poisoning it
// never reaches a neighbour.
TEST(SLinkPool, DeletedObjectsArePoisonedUntilThePoolReusesThem) {
  TestPool pool(1024);
  SLinkList list;
  vSLinkInit(&list, sizeof(Item), &pool);
  Item* a = pAdd(&list, 1);
  Item* small = (Item*)SLinkNewSizeObj(&list, sizeof(SLinkObj), nullptr, nullptr);
  Item* c = pAdd(&list, 3);
  ASSERT_GE((char*)c - (char*)small, (ptrdiff_t)sizeof(Item));
  vSLinkDeleteObj(&list, a);
  vSLinkDeleteObj(&list, small);
  EXPECT_EQ(sOrder(list), "3");
#ifdef KVX_TEST_ASAN
  EXPECT_NE(__asan_region_is_poisoned(a, sizeof(Item)), nullptr);
  EXPECT_NE(__asan_region_is_poisoned(small, sizeof(Item)), nullptr);
  EXPECT_EQ(__asan_region_is_poisoned(c, sizeof(Item)), nullptr);
  vPoolFreeTail(&pool, nullptr);
  EXPECT_EQ(__asan_region_is_poisoned(a, sizeof(Item)), nullptr);
#endif
}

// ---- plain chains

struct Node {
  Node* pNext;
  int iValue;
};

Node* pChainAdd(Node** head, Node* before, int value) {
  Node* n = (Node*)pSLinkChainAdd(head, before, sizeof(Node));
  n->iValue = value;
  return n;
}

TEST(SLinkChain, AddInsertMoveDelete) {
  Node* head = nullptr;
  Node stranger{};
  Node *n1 = pChainAdd(&head, nullptr, 1), *n3 = pChainAdd(&head, nullptr, 3), *n2 = pChainAdd(&head, n3, 2);
  Node* n4 = pChainAdd(&head, &stranger, 4);  // not found: at the end
  EXPECT_EQ(sChain(head), "1 2 3 4");

  vSLinkChainUnlink(&head, n1);
  EXPECT_EQ(sChain(head), "2 3 4");
  vSLinkChainInsertBefore(&head, n4, n1);
  EXPECT_EQ(sChain(head), "2 3 1 4");
  vSLinkChainUnlink(&head, n1);
  vSLinkChainInsertBefore(&head, &stranger, n1);  // not found: at the end, not lost
  EXPECT_EQ(sChain(head), "2 3 4 1");
  vSLinkChainUnlink(&head, n1);
  vSLinkChainInsertBefore(&head, nullptr, n1);
  EXPECT_EQ(sChain(head), "2 3 4 1");

  vSLinkChainMoveBefore(&head, n1, n2);
  EXPECT_EQ(sChain(head), "1 2 3 4");
  vSLinkChainMoveBefore(&head, n1, nullptr);
  EXPECT_EQ(sChain(head), "2 3 4 1");
  vSLinkChainMoveBefore(&head, &stranger, n2);  // not chained: nothing
  EXPECT_EQ(sChain(head), "2 3 4 1");

  vSLinkChainDelete(&head, &stranger);  // absent: nothing (and not freed)
  vSLinkChainDelete(&head, n2);
  vSLinkChainDelete(&head, n1);
  EXPECT_EQ(sChain(head), "3 4");
  vSLinkChainFree(&head);
  EXPECT_EQ(head, nullptr);
}

TEST(SLinkChain, CopyCountsNodes) {
  Node* head = nullptr;
  for (int i = 1; i <= 3; ++i) pChainAdd(&head, nullptr, i);
  Node* copy = (Node*)0x1;
  EXPECT_EQ(iSLinkChainCopy(head, &copy, sizeof(Node)), 3);
  EXPECT_EQ(sChain(copy), "1 2 3");
  EXPECT_NE(copy, head);
  vSLinkChainFree(&copy);
  Node* none = (Node*)0x1;
  EXPECT_EQ(iSLinkChainCopy(nullptr, &none, sizeof(Node)), 0);
  EXPECT_EQ(none, nullptr);
  vSLinkChainFree(&head);
}

// ------------------------------------------------------------ memory pools

bool boAllZero(const void* p, size_t n) {
  const unsigned char* b = (const unsigned char*)p;
  for (size_t i = 0; i < n; ++i)
    if (b[i]) return false;
  return true;
}

TEST(Pool, RoundsToEightAndGrowsByBlocks) {
  TestPool pool(100);
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
}

TEST(Pool, ZeroAndOversizeRequests) {
  TestPool pool(64);
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
}

TEST(Pool, TailRelease) {
  TestPool pool(64);
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
}

TEST(Pool, FreeTailNullKeepsFirstBlockEmpty) {
  TestPool pool(32);
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

  TestPool empty(32);  // no block yet: nothing to keep
  vPoolFreeTail(&empty, nullptr);
  EXPECT_EQ(iPoolUsed(&empty), 0);
}

// A pool without a lock hands out the same zeroed memory and never makes
// one, also after being freed.
TEST(Pool, UnlockedPoolMakesNoLock) {
  MemPool pool;
  vPoolInitUnlocked(&pool, 64);
  for (int round = 0; round < 2; ++round) {
    char* a = (char*)pPoolAlloc(&pool, 40);
    char* b = (char*)pPoolAlloc(&pool, 40);  // a second block
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(boAllZero(a, 40) && boAllZero(b, 40));
    EXPECT_EQ(iPoolUsed(&pool), 64 + 40);
    vPoolFreeTail(&pool, nullptr);
    EXPECT_EQ(iPoolUsed(&pool), 0);
    EXPECT_EQ(pool.pLock, nullptr);
    vPoolFreeAll(&pool);
    EXPECT_EQ(pool.pLock, nullptr);
  }
}

// The lock exists from vPoolInit on: threads that make their first
// allocations together never get overlapping memory.
TEST(Pool, ThreadsShareOnePool) {
  for (int round = 0; round < 2; ++round) {
    TestPool pool(256);
    EXPECT_NE(pool.pLock, nullptr);       // made with the pool, before any thread allocates
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
  }
}

}  // namespace
