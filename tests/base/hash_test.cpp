#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "base/hash.h"
#include "testing/ui_driver.h"

namespace {

struct Rec {
  void* pNext;
  char acName[16];   // kind 0
  const char* pKey;  // kind -1
  uint16_t u16;      // kind 2
  uint32_t u32;      // kind 4
  char acCode[3];    // kind 3
};

TEST(Hash, SlotCounts) {
  for (auto [asked, got] : std::vector<std::pair<int, int>>{{0, 8191}, {-5, 8191}, {100, 99}, {101, 101}, {1, 1}}) {
    HashTable* t = pHashCreate(asked, 0, 0);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->iSlots, got) << asked;
    for (int s = 0; s < t->iSlots; ++s) ASSERT_EQ(iHashChainLength(t, s), 0);
    vHashFree(&t);
    EXPECT_EQ(t, nullptr);
  }
}

// Each key kind, in a roomy table and in a one-slot table where every key
// collides.
class HashKinds : public ::testing::TestWithParam<int> {};

TEST_P(HashKinds, EveryKindFindsItsItems) {
  std::vector<Rec> recs(50);
  std::vector<std::string> names(50);
  for (int i = 0; i < 50; ++i) {
    names[i] = "P" + std::to_string(i * 7);
    Rec& r = recs[i];
    snprintf(r.acName, sizeof r.acName, "%s", names[i].c_str());
    r.pKey = names[i].c_str();
    r.u16 = (uint16_t)(1000 + i * 3);
    r.u32 = 0x80000000u + (uint32_t)i * 977u;
    memcpy(r.acCode, names[i].c_str(), 3);
  }
  static const uint16_t no16 = 1;
  static const uint32_t no32 = 2;
  const struct {
    int kind;
    size_t offset;
    const void* missing;
  } kinds[] = {{0, offsetof(Rec, acName), "Q1"},
               {-1, offsetof(Rec, pKey), "Q1"},
               {2, offsetof(Rec, u16), &no16},
               {4, offsetof(Rec, u32), &no32},
               {3, offsetof(Rec, acCode), "ZZZ"}};
  for (const auto& k : kinds) {
    HashTable* t = pHashCreate(GetParam(), (uint32_t)k.offset, k.kind);
    ASSERT_NE(t, nullptr);
    // Kind 3 keys are not unique ("P7", "P70"...): insert only the first of each.
    std::vector<Rec*> in;
    for (Rec& r : recs) {
      if (k.kind == 3 && pHashFind(t, r.acCode)) continue;
      vHashInsert(t, &r);
      in.push_back(&r);
    }
    int total = 0;
    for (int s = 0; s < t->iSlots; ++s) total += iHashChainLength(t, s);
    EXPECT_EQ(total, (int)in.size());
    for (Rec* r : in) {
      const char* field = (const char*)r + k.offset;
      EXPECT_EQ(pHashFind(t, k.kind == -1 ? *(const char* const*)field : field), r) << "kind " << k.kind;
    }
    EXPECT_EQ(pHashFind(t, k.missing), nullptr);
    vHashFree(&t);
  }
}

INSTANTIATE_TEST_SUITE_P(Slots, HashKinds, ::testing::Values(1, 3, 0));

TEST(Hash, EqualKeysKeepBothAndRemovalTakesTheRightOne) {
  HashTable* t = pHashCreate(5, offsetof(Rec, acName), 0);
  Rec a{}, b{}, c{};
  strcpy(a.acName, "same");
  strcpy(b.acName, "same");
  strcpy(c.acName, "other");
  vHashInsert(t, &a);
  vHashInsert(t, &c);
  vHashInsert(t, &b);
  EXPECT_EQ(pHashFind(t, "same"), &a);  // the one inserted first
  // Removing b must leave a findable and take b's node, not a's.
  vHashRemove(t, &b);
  EXPECT_EQ(pHashFind(t, "same"), &a);
  vHashRemove(t, &a);
  EXPECT_EQ(pHashFind(t, "same"), nullptr);
  // Re-insert b: a must not come back (its node is gone).
  vHashInsert(t, &b);
  vHashRemove(t, &a);  // not in the table: nothing
  EXPECT_EQ(pHashFind(t, "same"), &b);
  EXPECT_EQ(pHashFind(t, "other"), &c);
  vHashFree(&t);
}

TEST(Hash, NullStringKeysCountAsEmpty) {
  HashTable* t = pHashCreate(7, offsetof(Rec, pKey), -1);
  Rec none{};  // pKey NULL
  Rec empty{};
  empty.pKey = "";
  vHashInsert(t, &none);
  EXPECT_EQ(pHashFind(t, ""), &none);
  EXPECT_EQ(pHashFind(t, nullptr), &none);
  vHashInsert(t, &empty);
  vHashRemove(t, &none);
  EXPECT_EQ(pHashFind(t, nullptr), &empty);
  vHashFree(&t);
}

TEST(Hash, UnalignedKeysAndHighBytes) {
  // Keys at odd offsets inside a byte buffer; strings with bytes >= 0x80
  // (ANSI letters) hash the same way whatever the sign of char is.
  alignas(8) unsigned char buf[64] = {};
  HashTable* t32 = pHashCreate(11, 1, 4);
  uint32_t v = 0xDEADBEEF;
  memcpy(buf + 1, &v, 4);
  vHashInsert(t32, buf);
  EXPECT_EQ(pHashFind(t32, &v), buf);
  vHashFree(&t32);

  HashTable* ts = pHashCreate(0, 0, 0);
  char name[] = "\xC6\xD8\xC5-\xE6\xF8\xE5 long enough to overflow the top bits";
  vHashInsert(ts, name);
  std::string copy = name;
  EXPECT_EQ(pHashFind(ts, copy.c_str()), name);
  vHashFree(&ts);
}

// The slot follows the 32-bit PJW hash over bytes taken as signed: "\xE6"
// adds -26, which the top-bit fold turns into 0x0FFFFF16 (an unsigned byte
// would give 0xE6, a 64-bit hash another fold).
TEST(Hash, SlotsFollowSignedBytePjw) {
  HashTable* t = pHashCreate(101, 0, 0);
  char high[] = "\xE6";
  char ab[] = "ab";
  vHashInsert(t, high);
  vHashInsert(t, ab);
  EXPECT_EQ(iHashChainLength(t, (int)(0x0FFFFF16u % 101)), 1);
  EXPECT_EQ(iHashChainLength(t, (int)((97u * 16 + 98) % 101)), 1);
  vHashFree(&t);
  // Kinds 2 and 4 hash to their value; here at an odd offset.
  alignas(4) unsigned char item[8] = {};
  uint16_t v16 = 250;
  memcpy(item + 1, &v16, 2);
  HashTable* t2 = pHashCreate(7, 1, 2);
  vHashInsert(t2, item);
  EXPECT_EQ(iHashChainLength(t2, 250 % 7), 1);
  EXPECT_EQ(pHashFind(t2, &v16), item);
  vHashFree(&t2);
}

TEST(Hash, ClearEmptiesAndTableStaysUsable) {
  HashTable* t = pHashCreate(3, offsetof(Rec, u32), 4);
  std::vector<Rec> recs(2000);
  for (uint32_t i = 0; i < recs.size(); ++i) {
    recs[i].u32 = i;
    vHashInsert(t, &recs[i]);
  }
  EXPECT_EQ(iHashChainLength(t, 0) + iHashChainLength(t, 1) + iHashChainLength(t, 2), 2000);
  EXPECT_EQ(iHashChainLength(t, 3), 0);
  EXPECT_EQ(iHashChainLength(t, -1), 0);
  vHashClear(t);
  EXPECT_EQ(iHashChainLength(t, 0), 0);
  uint32_t key = 5;
  EXPECT_EQ(pHashFind(t, &key), nullptr);
  vHashInsert(t, &recs[5]);
  EXPECT_EQ(pHashFind(t, &key), &recs[5]);
  vHashClear(nullptr);
  vHashFree(&t);
  vHashFree(&t);  // already NULL
}

TEST(Hash, StatisticsBox) {
  HashTable* t = pHashCreate(5, offsetof(Rec, u32), 4);
  Rec r[4]{};
  const uint32_t keys[] = {0, 5, 10, 1};  // 5 and 10 in the slot of 0
  for (int i = 0; i < 4; ++i) vHashInsert(t, &(r[i].u32 = keys[i], r[i]));
  vUiExpectBox(IDOK);
  EXPECT_EQ(iHashStatistics(t), 0);
  auto log = UiBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].uStyle, 0x12040u);
  EXPECT_EQ(log[0].sText,
            "Hash statistics:\nTable size:5\nTotal:4\n"
            "    0- 3\n    1- 1\n    2- 0\n    3- 1\n    4- 0\n    5- 0\n    6- 0\n    7- 0\n"
            "    8- 0\n   10- 0\n   20- 0\n   40- 0\n  100- 0\n 1000- 0\n10000- 0\n100000- 0\n"
            "Average chain 2.00\nSlots used 40.00%");
  vHashFree(&t);

  HashTable* empty = pHashCreate(3, 0, 0);
  vUiExpectBox(IDOK);
  iHashStatistics(empty);
  EXPECT_EQ(UiBoxLog().back().sText.find("Average"), std::string::npos);
  EXPECT_NE(UiBoxLog().back().sText.find("Slots used 0.00%"), std::string::npos);
  vHashFree(&empty);
}

}  // namespace
