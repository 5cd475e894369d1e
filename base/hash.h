// Hash tables that map keys lying inside the items to the items. Nodes
// ({next, item}) come from the table's own pool and go back all at once.
//
// Key kinds: 0 a NUL-terminated string inside the item; -1 the item holds a
// pointer to the key string (a NULL pointer counts as ""); 2 a u16; 4 a u32;
// any other positive n an n-byte key compared with memcmp. Keys may be
// unaligned. Equal keys may be inserted more than once.
#pragma once

#include <cstdint>

#include "base/pool.h"

struct HashNode {
  HashNode* pNext;
  void* pItem;
};

struct HashTable {
  uint32_t uKeyOffset;  // where the key lies in each item
  int32_t iKeyKind;
  int32_t iSlots;
  MemPool nodePool;      // block size 16384
  HashNode* apSlots[1];  // iSlots entries
};

// A table of the requested slot count (an even count is lowered by 1, zero
// or negative gives 8191). NULL after the warning "Out of mem" (also for a
// key kind below -1, which has no meaning).
HashTable* pHashCreate(int slots, uint32_t keyOffset, int32_t keyKind);
// Appends a node for the item to its slot's chain; equal keys are not
// checked.
void vHashInsert(HashTable* table, void* item);
// The first item inserted whose key equals the key, else NULL. For kinds 0
// and -1 the key is the string itself (NULL counts as ""); for the others a
// pointer to the key bytes.
void* pHashFind(const HashTable* table, const void* key);
// Unlinks the node of this very item (another item with an equal key stays);
// nothing when the item is not in the table. The node's memory stays in the
// pool.
void vHashRemove(HashTable* table, const void* item);
// Frees the nodes and empties every slot. Accepts NULL.
void vHashClear(HashTable* table);
// Clears and frees the table; *table becomes NULL.
void vHashFree(HashTable** table);
// The number of nodes in that slot (0 for a slot out of range).
int iHashChainLength(const HashTable* table, int slot);
// Shows an information box with the table's statistics; returns 0.
int iHashStatistics(const HashTable* table);
