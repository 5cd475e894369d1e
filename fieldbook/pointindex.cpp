// The point-name index (see pointindex.h): an open-addressing table of
// 32-bit hash tags, each with the number of an entry that holds the first
// point with the ID, its user data and how many points have the ID. The IDs
// themselves are not copied: a tag that matches is confirmed against the
// first point's stored ID. Slots are 8 bytes, so that probing stays in few
// cache lines. Entries lie in the order they were made, and readers come back
// to their points mostly in that order, often to the one just made: the
// entries at and after the last one used are tried before the table, which
// keeps a long run of look-ups off the table's scattered memory.
#include "fieldbook/pointindex.h"

#include <cstring>
#include <vector>

#include "fieldbook/model.h"

namespace {

struct IndexSlot {
  uint32_t uTag;    // 0: empty
  uint32_t uEntry;  // into entries
};

struct IndexEntry {
  PoPoint* pFirst;      // first point in creation order with the ID
  MboPointData* pData;  // its user data
  uint32_t uCount;      // points with the ID; 0: the entry is no longer used
  uint32_t uTag;
};

struct PointIndex {
  std::vector<IndexSlot> slots;  // a power of two in size, or empty
  std::vector<IndexEntry> entries;
  size_t uUsed = 0;
  size_t uLastEntry = 0;  // the entry found or made last
  bool boBuilt = false;
  bool boDirty = false;  // rebuild before the next use
  int iCount = 0;        // points in the container when last seen
  PoPoint* pFirstPoint = nullptr;
};

PointIndex g_index;
int g_iPassDepth = 0;
// Changes whenever a slot may have moved: a hint from before is stale.
uint64_t g_uStamp = 1;

const size_t kIdMax = MBO_ID_SIZE - 1;

MboPointData* pPointData(PoPoint* point) { return static_cast<MboPointData*>(PoPointGetData(point)); }

// A hash of the ID's n bytes, eight at a time, folded to a non-zero tag.
uint32_t uTagOf(const char* id, size_t n) {
  const uint64_t k = 0xff51afd7ed558ccdull;
  uint64_t h = 0x9e3779b97f4a7c15ull ^ n;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    memcpy(&w, id + i, 8);
    h = (h ^ w) * k;
    h ^= h >> 32;
  }
  if (i < n) {
    uint64_t w = 0;
    for (size_t j = 0; i + j < n; ++j) w |= static_cast<uint64_t>(static_cast<unsigned char>(id[i + j])) << (8 * j);
    h = (h ^ w) * k;
    h ^= h >> 32;
  }
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  h ^= h >> 33;
  uint32_t tag = static_cast<uint32_t>(h);
  return tag ? tag : 1;
}

// The stored ID equals the first n (at most 99) bytes of id.
bool boIdIs(const MboPointData* data, const char* id, size_t n) {
  return data && memcmp(data->sPid, id, n) == 0 && data->sPid[n] == '\0';
}

void vDrop() {
  std::vector<IndexSlot>().swap(g_index.slots);
  std::vector<IndexEntry>().swap(g_index.entries);
  g_index.uUsed = 0;
  g_index.uLastEntry = 0;
  g_index.boBuilt = false;
  g_index.boDirty = false;
  g_index.iCount = 0;
  g_index.pFirstPoint = nullptr;
  ++g_uStamp;
}

size_t uMask() { return g_index.slots.size() - 1; }

// The slot of the ID, or the empty slot where it would go (*found false).
// `renamed` (may be null) is a point that had the ID a moment ago and whose
// data holds its new one: its entry is matched by the point.
size_t uProbe(uint32_t tag, const char* id, size_t n, PoPoint* renamed, bool* found) {
  for (size_t i = tag & uMask();; i = (i + 1) & uMask()) {
    const IndexSlot& s = g_index.slots[i];
    *found = s.uTag != 0;
    if (!*found) return i;
    if (s.uTag != tag) continue;
    const IndexEntry& e = g_index.entries[s.uEntry];
    if ((renamed && e.pFirst == renamed) || boIdIs(e.pData, id, n)) return i;
  }
}

// The entry of the ID when it is the last one used or the one after it.
const IndexEntry* pGuessEntry(uint32_t tag, const char* id, size_t n) {
  size_t last = g_index.uLastEntry;
  for (size_t e = last; e < last + 2 && e < g_index.entries.size(); ++e) {
    const IndexEntry& entry = g_index.entries[e];
    if (entry.uTag == tag && entry.uCount && boIdIs(entry.pData, id, n)) {
      g_index.uLastEntry = e;
      return &entry;
    }
  }
  return nullptr;
}

// Keeps the table at most 70 % full; a new table is at most half full.
bool boNeedsRoom() { return (g_index.uUsed + 1) * 10 > g_index.slots.size() * 7; }

void vGrow() {
  size_t newSize = g_index.slots.empty() ? 64 : g_index.slots.size();
  while ((g_index.uUsed + 1) * 10 > newSize * 5) newSize *= 2;
  std::vector<IndexSlot> old(newSize, IndexSlot{0, 0});
  // The entries grow with the table: no copies of them on the way.
  g_index.entries.reserve(newSize * 7 / 10 + 1);
  old.swap(g_index.slots);
  for (const IndexSlot& s : old) {
    if (!s.uTag) continue;
    size_t i = s.uTag & uMask();
    while (g_index.slots[i].uTag) i = (i + 1) & uMask();
    g_index.slots[i] = s;
  }
  ++g_uStamp;
}

void vInsertAt(size_t slot, uint32_t tag, PoPoint* point, MboPointData* data) {
  g_index.entries.push_back(IndexEntry{point, data, 1, tag});
  g_index.uLastEntry = g_index.entries.size() - 1;
  g_index.slots[slot] = IndexSlot{tag, static_cast<uint32_t>(g_index.uLastEntry)};
  ++g_index.uUsed;
  ++g_uStamp;
}

// Empties the slot; the slots behind it that would not be found past the
// gap move up (no tombstones).
void vRemoveSlot(size_t gap) {
  for (size_t j = (gap + 1) & uMask(); g_index.slots[j].uTag; j = (j + 1) & uMask()) {
    size_t home = g_index.slots[j].uTag & uMask();
    bool reachable = gap <= j ? gap < home && home <= j : gap < home || home <= j;
    if (reachable) continue;
    g_index.slots[gap] = g_index.slots[j];
    gap = j;
  }
  g_index.slots[gap] = IndexSlot{0, 0};
  --g_index.uUsed;
  ++g_uStamp;
}

// One more point with this ID, later in creation order than those known.
void vAddPoint(PoPoint* point, MboPointData* data, const MboIndexHint* hint) {
  if (!data || !data->sPid[0]) return;  // unnamed points are never merged
  size_t n = strnlen(data->sPid, kIdMax);
  uint32_t tag = hint ? hint->uTag : uTagOf(data->sPid, n);
  bool found = false;
  size_t slot;
  if (hint && hint->uStamp == g_uStamp && !boNeedsRoom()) {
    slot = hint->uSlot;
  } else {
    if (boNeedsRoom()) vGrow();
    slot = uProbe(tag, data->sPid, n, nullptr, &found);
  }
  if (found)
    ++g_index.entries[g_index.slots[slot].uEntry].uCount;
  else
    vInsertAt(slot, tag, point, data);
}

void vRebuild() {
  vDrop();
  g_index.boBuilt = true;
  g_index.iCount = iPoPointsGetCount(g_pMboPoints);
  g_index.pFirstPoint = PoPointsGetFirst(g_pMboPoints);
  size_t size = 64;
  while (static_cast<size_t>(g_index.iCount) * 10 > size * 5) size *= 2;
  g_index.slots.assign(size, IndexSlot{0, 0});
  g_index.entries.reserve(static_cast<size_t>(g_index.iCount));
  for (PoPoint* p = g_index.pFirstPoint; p; p = PoPointsGetNext(g_pMboPoints, p)) vAddPoint(p, pPointData(p), nullptr);
}

// True when the container still looks as the index saw it last.
bool boContainerUnchanged() {
  return iPoPointsGetCount(g_pMboPoints) == g_index.iCount && PoPointsGetFirst(g_pMboPoints) == g_index.pFirstPoint;
}

// True when a comes before b in creation order (two points of the
// container). Walks on from both at once, so that it costs the shorter of
// the two ways: from the earlier one to the later, or from the later one to
// the end.
bool boComesBefore(PoPoint* a, PoPoint* b) {
  for (PoPoint *pa = a, *pb = b;;) {
    pa = PoPointsGetNext(g_pMboPoints, pa);
    if (pa == b) return true;
    if (!pa) return false;
    pb = PoPointsGetNext(g_pMboPoints, pb);
    if (pb == a) return false;
    if (!pb) return true;
  }
}

// The point no longer has the ID. False when the index did not know it so.
bool boForget(PoPoint* point, const char* id) {
  size_t n = strnlen(id, kIdMax);
  bool found = false;
  size_t slot = uProbe(uTagOf(id, n), id, n, point, &found);
  if (!found) return false;
  IndexEntry& e = g_index.entries[g_index.slots[slot].uEntry];
  if (--e.uCount == 0) {
    vRemoveSlot(slot);
    return true;
  }
  if (e.pFirst != point) return true;
  // It was the first: the next one with the ID comes after it.
  for (PoPoint* p = PoPointsGetNext(g_pMboPoints, point); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    MboPointData* data = pPointData(p);
    if (boIdIs(data, id, n)) {
      e.pFirst = p;
      e.pData = data;
      return true;
    }
  }
  return false;
}

// The point has the ID now.
void vRemember(PoPoint* point, const char* id) {
  size_t n = strnlen(id, kIdMax);
  uint32_t tag = uTagOf(id, n);
  if (boNeedsRoom()) vGrow();
  bool found = false;
  size_t slot = uProbe(tag, id, n, nullptr, &found);
  if (!found) {
    vInsertAt(slot, tag, point, pPointData(point));
    return;
  }
  IndexEntry& e = g_index.entries[g_index.slots[slot].uEntry];
  ++e.uCount;
  if (boComesBefore(point, e.pFirst)) {
    e.pFirst = point;
    e.pData = pPointData(point);
  }
}

}  // namespace

void vMboIndexPassBegin(void) { ++g_iPassDepth; }

void vMboIndexPassEnd(void) {
  if (g_iPassDepth > 0 && --g_iPassDepth == 0) vDrop();
}

MboIndexResult eMboIndexFind(const char* key, PoPoint** point, MboIndexHint* hint) {
  *point = nullptr;
  if (g_iPassDepth == 0 || !g_pMboPoints || !key || !*key) return MBO_INDEX_UNUSABLE;
  try {
    if (!g_index.boBuilt || g_index.boDirty || !boContainerUnchanged()) vRebuild();
    size_t n = strnlen(key, kIdMax);
    uint32_t tag = uTagOf(key, n);
    if (const IndexEntry* guess = pGuessEntry(tag, key, n)) {
      *point = guess->pFirst;
      return MBO_INDEX_FOUND;
    }
    bool found = false;
    size_t slot = uProbe(tag, key, n, nullptr, &found);
    if (found) {
      g_index.uLastEntry = g_index.slots[slot].uEntry;
      *point = g_index.entries[g_index.uLastEntry].pFirst;
      return MBO_INDEX_FOUND;
    }
    if (hint) *hint = MboIndexHint{g_uStamp, tag, static_cast<uint32_t>(slot)};
    return MBO_INDEX_ABSENT;
  } catch (...) {
    vDrop();
    return MBO_INDEX_UNUSABLE;
  }
}

void vMboIndexPointAdded(PoPoint* point, const MboIndexHint* hint) {
  if (!g_index.boBuilt || g_index.boDirty || !point) return;
  try {
    // Only this point may have come since the index last looked.
    bool expected = iPoPointsGetCount(g_pMboPoints) == g_index.iCount + 1 &&
                    PoPointsGetFirst(g_pMboPoints) == (g_index.iCount == 0 ? point : g_index.pFirstPoint);
    if (!expected) {
      g_index.boDirty = true;
      return;
    }
    vAddPoint(point, pPointData(point), hint);
    ++g_index.iCount;
    g_index.pFirstPoint = PoPointsGetFirst(g_pMboPoints);
  } catch (...) {
    vDrop();
  }
}

void vMboIndexPointRenamed(PoPoint* point, const char* oldId, const char* newId) {
  if (!g_index.boBuilt || g_index.boDirty || !point || strcmp(oldId, newId) == 0) return;
  if (!boContainerUnchanged()) {
    g_index.boDirty = true;
    return;
  }
  try {
    if (*oldId && !boForget(point, oldId)) {
      g_index.boDirty = true;
      return;
    }
    if (*newId) vRemember(point, newId);
  } catch (...) {
    vDrop();
  }
}

void vMboIndexClear(void) { vDrop(); }
