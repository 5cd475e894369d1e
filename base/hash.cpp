#include "base/hash.h"

#include <cstdlib>
#include <cstring>

#include "base/cnum.h"
#include "base/msgbox.h"

namespace {

constexpr uint64_t kNodeBlock = 16384;
constexpr int kDefaultSlots = 8191;

// PJW over bytes taken as signed chars, whatever the sign of char is here.
uint32_t uPjw(const unsigned char* p, size_t n, bool toNul) {
  uint32_t h = 0;
  for (size_t i = 0; toNul ? p[i] != 0 : i < n; ++i) {
    h = (h << 4) + (uint32_t)(int32_t)(int8_t)p[i];
    uint32_t g = h & 0xF0000000u;
    if (g) {
      h ^= g >> 24;
      h &= ~g;
    }
  }
  return h;
}

bool boStringKind(const HashTable* t) { return t->iKeyKind == 0 || t->iKeyKind == -1; }

// The key of an item: the string for kinds 0 and -1, else the key bytes.
const void* pItemKey(const HashTable* t, const void* item) {
  const char* at = (const char*)item + t->uKeyOffset;
  if (t->iKeyKind == 0) return at;
  if (t->iKeyKind == -1) {
    const char* s;
    memcpy(&s, at, sizeof s);  // the pointer may be unaligned
    return s ? s : "";
  }
  return at;
}

uint32_t uHashOf(const HashTable* t, const void* key) {
  switch (t->iKeyKind) {
    case 0:
    case -1:
      return uPjw((const unsigned char*)key, 0, true);
    case 2: {
      uint16_t v;
      memcpy(&v, key, 2);
      return v;
    }
    case 4: {
      uint32_t v;
      memcpy(&v, key, 4);
      return v;
    }
    default:
      return uPjw((const unsigned char*)key, (size_t)t->iKeyKind, false);
  }
}

bool boKeysEqual(const HashTable* t, const void* a, const void* b) {
  if (boStringKind(t)) return strcmp((const char*)a, (const char*)b) == 0;
  return memcmp(a, b, (size_t)t->iKeyKind) == 0;
}

uint32_t uSlotOf(const HashTable* t, const void* key) { return uHashOf(t, key) % (uint32_t)t->iSlots; }

}  // namespace

HashTable* pHashCreate(int slots, uint32_t keyOffset, int32_t keyKind) {
  if (slots <= 0)
    slots = kDefaultSlots;
  else if (slots % 2 == 0)
    slots -= 1;
  HashTable* t =
      keyKind >= -1 ? (HashTable*)calloc(1, sizeof(HashTable) + (size_t)(slots - 1) * sizeof(HashNode*)) : nullptr;
  if (!t) {
    vMsgWarning("Out of mem");
    return nullptr;
  }
  t->uKeyOffset = keyOffset;
  t->iKeyKind = keyKind;
  t->iSlots = slots;
  vPoolInit(&t->nodePool, kNodeBlock);
  return t;
}

void vHashInsert(HashTable* table, void* item) {
  HashNode* node = (HashNode*)pPoolAlloc(&table->nodePool, sizeof(HashNode));
  if (!node) return;
  node->pItem = item;
  HashNode** link = &table->apSlots[uSlotOf(table, pItemKey(table, item))];
  while (*link) link = &(*link)->pNext;
  *link = node;
}

void* pHashFind(const HashTable* table, const void* key) {
  if (!key) {
    if (!boStringKind(table)) return nullptr;
    key = "";
  }
  for (HashNode* n = table->apSlots[uSlotOf(table, key)]; n; n = n->pNext)
    if (boKeysEqual(table, pItemKey(table, n->pItem), key)) return n->pItem;
  return nullptr;
}

void vHashRemove(HashTable* table, const void* item) {
  if (!item) return;
  HashNode** link = &table->apSlots[uSlotOf(table, pItemKey(table, item))];
  for (; *link; link = &(*link)->pNext) {
    if ((*link)->pItem == item) {
      *link = (*link)->pNext;
      return;
    }
  }
}

void vHashClear(HashTable* table) {
  if (!table) return;
  vPoolFreeAll(&table->nodePool);
  memset(table->apSlots, 0, (size_t)table->iSlots * sizeof(HashNode*));
}

void vHashFree(HashTable** table) {
  if (!table || !*table) return;
  vHashClear(*table);
  free(*table);
  *table = nullptr;
}

int iHashChainLength(const HashTable* table, int slot) {
  if (slot < 0 || slot >= table->iSlots) return 0;
  int n = 0;
  for (HashNode* p = table->apSlots[slot]; p; p = p->pNext) ++n;
  return n;
}

int iHashStatistics(const HashTable* table) {
  static const int kBounds[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 20, 40, 100, 1000, 10000, 100000};
  constexpr int kClasses = (int)(sizeof kBounds / sizeof kBounds[0]);
  int counts[kClasses] = {};
  int total = 0, used = 0;
  for (int s = 0; s < table->iSlots; ++s) {
    int len = iHashChainLength(table, s);
    total += len;
    if (len > 0) ++used;
    for (int c = 0; c < kClasses; ++c) {
      if (len <= kBounds[c]) {
        ++counts[c];
        break;
      }
    }
  }
  char text[1024];
  int pos = iNumPrintC(text, sizeof text, "Hash statistics:\nTable size:%d\nTotal:%d\n", table->iSlots, total);
  for (int c = 0; c < kClasses; ++c)
    pos += iNumPrintC(text + pos, (int)sizeof text - pos, "%5d- %d\n", kBounds[c], counts[c]);
  if (used > 0) pos += iNumPrintC(text + pos, (int)sizeof text - pos, "Average chain %.2lf\n", (double)total / used);
  iNumPrintC(text + pos, (int)sizeof text - pos, "Slots used %.2lf%%", 100.0 * used / table->iSlots);
  vMsgInfo(text);
  return 0;
}
