#include <gtest/gtest.h>

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
