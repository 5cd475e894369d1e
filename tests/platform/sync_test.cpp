#include <gtest/gtest.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <thread>
#include <vector>

#include "win32.h"

TEST(CriticalSection, IsRecursiveAndSerialisesThreads) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);  // the owner may enter again
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);

  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&cs);
        ++counter;
        LeaveCriticalSection(&cs);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(counter, 40000);
  DeleteCriticalSection(&cs);
}

TEST(TlsSlots, HoldOneValuePerThread) {
  DWORD slot = TlsAlloc();
  ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
  int a = 1, b = 2;
  ASSERT_TRUE(TlsSetValue(slot, &a));
  std::thread([&] {
    EXPECT_EQ(TlsGetValue(slot), nullptr);
    TlsSetValue(slot, &b);
    EXPECT_EQ(TlsGetValue(slot), &b);
  }).join();
  EXPECT_EQ(TlsGetValue(slot), &a);
  EXPECT_TRUE(TlsFree(slot));
  EXPECT_FALSE(TlsSetValue(slot, &a));
}

TEST(LastError, IsPerThread) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  std::thread([] { EXPECT_EQ(GetLastError(), 0u); }).join();
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST(MemoryPagesTest, RegionsComeZeroedAndGoBackWhole) {
  const SIZE_T size = 3 * 4096 + 100;
  auto* region = static_cast<unsigned char*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(region, nullptr);
  for (SIZE_T i = 0; i < size; ++i) ASSERT_EQ(region[i], 0) << i;
  region[size - 1] = 7;
  // Only a whole region by its start, with size 0.
  EXPECT_FALSE(VirtualFree(region + 4096, 0, MEM_RELEASE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(VirtualFree(region, size, MEM_RELEASE));
  EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
  EXPECT_FALSE(VirtualFree(region, 0, MEM_RELEASE));  // not twice
  // A large region (huge pages where the system has them) is whole too.
  const SIZE_T large = 5 * 1024 * 1024 + 123;
  auto* big = static_cast<unsigned char*>(VirtualAlloc(nullptr, large, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(big, nullptr);
  for (SIZE_T i = 0; i < large; i += 4096) ASSERT_EQ(big[i], 0) << i;
  EXPECT_EQ(big[large - 1], 0);
  big[0] = big[large - 1] = 9;
  EXPECT_TRUE(VirtualFree(big, 0, MEM_RELEASE));
  // What our regions do not offer is refused, not half done.
  EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE), nullptr);
  EXPECT_EQ(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_READWRITE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

namespace {

// True when some mapping of this process overlaps [lo, hi).
bool boAnyMappingIn(uintptr_t lo, uintptr_t hi) {
  FILE* maps = fopen("/proc/self/maps", "r");
  if (!maps) return false;
  char line[512];
  bool any = false;
  while (fgets(line, sizeof line, maps)) {
    uintptr_t start = 0, end = 0;
    if (sscanf(line, "%" SCNxPTR "-%" SCNxPTR, &start, &end) == 2 && start < hi && end > lo) any = true;
  }
  fclose(maps);
  return any;
}

}  // namespace

TEST(MemoryPagesTest, LargeRegionsOfAnySizeLeaveNothingMappedAfterRelease) {
  // Sizes that end inside a page: what lies past the region's last page
  // must go back too, at once or on release.
  for (SIZE_T large : {SIZE_T{5 * 1024 * 1024 + 123}, SIZE_T{2 * 1024 * 1024 + 1}, SIZE_T{4 * 1024 * 1024 - 8}}) {
    void* big = VirtualAlloc(nullptr, large, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(big, nullptr);
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t at = reinterpret_cast<uintptr_t>(big);
    const uintptr_t pastLastPage = (at + large + page - 1) & ~(page - 1);
    ASSERT_TRUE(VirtualFree(big, 0, MEM_RELEASE));
    // The region's pages and the page after them (never another mapping's:
    // the region was carved out of a larger one).
    EXPECT_FALSE(boAnyMappingIn(at, pastLastPage + page)) << large;
  }
}
