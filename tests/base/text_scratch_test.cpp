#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"

namespace {

class ScratchRing : public ::testing::Test {
 protected:
  void SetUp() override { vStrScratchFree(); }
  void TearDown() override { vStrScratchFree(); }
};

TEST_F(ScratchRing, RequestsFollowEachOtherAndWrapToTheStart) {
  char* a = pStrScratchAlloc(100);
  EXPECT_EQ(pStrScratchAlloc(100), a + 100);
  // 200 + 32568 reaches the end exactly: not "less than the size", so it
  // starts again at the beginning.
  EXPECT_EQ(pStrScratchAlloc(32768 - 200), a);
}

TEST_F(ScratchRing, LargerRequestEnlargesToRequestPlus512) {
  char* first = pStrScratchAlloc(10);
  char* big = pStrScratchAlloc(40000);
  ASSERT_NE(big, nullptr);
  EXPECT_NE(big, first);
  memset(big, 'x', 40000);
  EXPECT_EQ(pStrScratchAlloc(10), big + 40000);
  // 40010 + 501 < 40512 still fits; one more byte does not.
  EXPECT_EQ(pStrScratchAlloc(501), big + 40010);
  EXPECT_EQ(pStrScratchAlloc(2), big);
}

TEST_F(ScratchRing, ResultInUseSurvivesEnlargement) {
  const char* text = "abc";
  char* t = sStrTemp(text);
  EXPECT_NE(t, text);  // a copy; NULL gives ""
  EXPECT_STREQ(sStrTemp(nullptr), "");
  char* kept = sStrTemp("still here");
  std::string large(50000, '\xE6');
  char* copy = sStrTemp(large.c_str());  // enlarges the ring
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy, pStrScratchAlloc(0) - 50001);
  EXPECT_STREQ(kept, "still here");
  // The argument of the enlarging call may itself be a scratch string.
  char* again = sStrTemp(copy);
  (void)pStrScratchAlloc(200000);
  EXPECT_EQ(strlen(again), 50000u);
  EXPECT_STREQ(kept, "still here");
  EXPECT_STREQ(t, "abc");
}

TEST_F(ScratchRing, ThreadsCreateOneRingAndGetDisjointResults) {
  constexpr int kThreads = 8;
  std::atomic<int> ready{0};
  std::vector<char*> got(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) {
      }
      got[i] = pStrScratchAlloc(64);
      memset(got[i], 'a' + i, 64);
    });
  }
  for (auto& t : threads) t.join();
  std::vector<char*> sorted = got;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 1; i < kThreads; ++i) EXPECT_EQ(sorted[i] - sorted[i - 1], 64);
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(got[i][63], 'a' + i);
}

TEST_F(ScratchRing, ThreadsGrowingTheRingKeepEarlierResultsReadable) {
  constexpr int kThreads = 6;
  constexpr int kGrowths = 20;
  std::vector<char*> kept(kThreads);
  for (int i = 0; i < kThreads; ++i) kept[i] = sStrTemp(sStrFormat("thread %d's text", i));
  std::atomic<int> next{1};
  std::atomic<bool> bad{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&] {
      for (int k = 0; k < kGrowths; ++k) {
        uint64_t n = 32768 + 4096 * (uint64_t)next.fetch_add(1);
        char* block = pStrScratchAlloc(n);
        if (!block) return void(bad = true);
        memset(block, 'z', n);
        // Every thread's earlier text stays readable while the ring grows.
        for (int j = 0; j < kThreads; ++j)
          if (strcmp(kept[j], sStrFormat("thread %d's text", j)) != 0) bad = true;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_FALSE(bad);
}

TEST(FormatBuffer, PerThreadAndBoundedTo2047) {
  char* mine = sStrFormat("%s-%d", "main", 1);
  char* theirs = nullptr;
  std::thread other([&] {
    theirs = sStrFormat("%s", "other thread");
    EXPECT_STREQ(theirs, "other thread");
  });
  other.join();
  EXPECT_NE(mine, theirs);
  EXPECT_STREQ(mine, "main-1");
  std::string longText(5000, 'L');
  char* cut = sStrFormat("%s", longText.c_str());
  EXPECT_EQ(strlen(cut), 2047u);
  EXPECT_EQ(cut, mine);  // one buffer per thread
  // Its own previous result as an argument.
  sStrFormat("abc");
  EXPECT_STREQ(sStrFormat("%s!", sStrFormat("abc")), "abc!");
}

}  // namespace
