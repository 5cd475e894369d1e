// The point-name index (see pointindex.h): an open-addressing table from the
// hash of an ID to the first point with that ID and the number of points
// with it. The IDs themselves are not copied: a hit is confirmed against the
// point's own stored ID, which is also how a rename behind the module's back
// shows up. The table holds the point's user data too, so that confirming a
// hit touches one record and not the library's point object first.
#include "fieldbook/pointindex.h"

#include <cstring>
#include <vector>

#include "fieldbook/model.h"

namespace {

enum : uint32_t { SLOT_EMPTY = 0, SLOT_USED = 1, SLOT_DELETED = 2 };

struct IndexSlot {
  uint64_t uHash;
  PoPoint* pFirst;        // first point in creation order with the ID; null: not known
  MboPointData* pData;    // its user data
  uint32_t uCount;        // points with the ID
  uint32_t uState;
};

struct PointIndex {
  std::vector<IndexSlot> slots;  // a power of two in size, or empty
  size_t uUsed = 0;
  size_t uDeleted = 0;
  bool boBuilt = false;
  bool boDirty = false;  // rebuild before the next use
  int iCount = 0;        // points in the container when last seen
  PoPoint* pFirstPoint = nullptr;
};

PointIndex g_index;

MboPointData* pPointData(PoPoint* point) { return static_cast<MboPointData*>(PoPointGetData(point)); }

// FNV-1a over at most the 99 characters that are stored.
uint64_t uHashId(const char* id) {
  uint64_t h = 14695981039346656037ull;
  for (int i = 0; i < MBO_ID_SIZE - 1 && id[i]; ++i) {
    h ^= static_cast<unsigned char>(id[i]);
    h *= 1099511628211ull;
  }
  // FNV's low bits are poor for IDs that differ only in their last
  // characters; the table takes the low bits, so mix the high ones in.
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

bool boSameId(const MboPointData* data, const char* id) {
  return data && strncmp(data->sPid, id, MBO_ID_SIZE - 1) == 0;
}

void vDrop() {
  std::vector<IndexSlot>().swap(g_index.slots);
  g_index.uUsed = 0;
  g_index.uDeleted = 0;
  g_index.boBuilt = false;
  g_index.boDirty = false;
  g_index.iCount = 0;
  g_index.pFirstPoint = nullptr;
}

size_t uMask() { return g_index.slots.size() - 1; }

// The used slot with this hash; null when none. Two IDs with one 64-bit hash
// share a slot; the look-up confirms every hit against the stored ID.
IndexSlot* pFindSlot(uint64_t hash) {
  if (g_index.slots.empty()) return nullptr;
  for (size_t i = hash & uMask();; i = (i + 1) & uMask()) {
    IndexSlot& s = g_index.slots[i];
    if (s.uState == SLOT_EMPTY) return nullptr;
    if (s.uState == SLOT_USED && s.uHash == hash) return &s;
  }
}

void vPlace(const IndexSlot& entry) {
  for (size_t i = entry.uHash & uMask();; i = (i + 1) & uMask()) {
    IndexSlot& s = g_index.slots[i];
    if (s.uState != SLOT_USED) {
      if (s.uState == SLOT_DELETED) --g_index.uDeleted;
      s = entry;
      s.uState = SLOT_USED;
      ++g_index.uUsed;
      return;
    }
  }
}

// Keeps the table at most 70 % full, counting deleted slots.
void vMakeRoom() {
  size_t size = g_index.slots.size();
  if ((g_index.uUsed + g_index.uDeleted + 1) * 10 <= size * 7) return;
  size_t newSize = size ? size : 64;
  while ((g_index.uUsed + 1) * 10 > newSize * 5) newSize *= 2;
  std::vector<IndexSlot> old(newSize, IndexSlot{});
  old.swap(g_index.slots);
  g_index.uUsed = 0;
  g_index.uDeleted = 0;
  for (const IndexSlot& s : old)
    if (s.uState == SLOT_USED) vPlace(s);
}

// One more point with this ID, later in creation order than those known.
void vAddPoint(PoPoint* point, MboPointData* data) {
  if (!data || !data->sPid[0]) return;  // unnamed points are never merged
  uint64_t hash = uHashId(data->sPid);
  if (IndexSlot* s = pFindSlot(hash)) {
    ++s->uCount;
    return;
  }
  vMakeRoom();
  vPlace(IndexSlot{hash, point, data, 1, SLOT_USED});
}

void vRebuild() {
  std::vector<IndexSlot>().swap(g_index.slots);
  g_index.uUsed = 0;
  g_index.uDeleted = 0;
  g_index.boBuilt = true;
  g_index.boDirty = false;
  g_index.iCount = iPoPointsGetCount(g_pMboPoints);
  g_index.pFirstPoint = PoPointsGetFirst(g_pMboPoints);
  size_t size = 64;
  while (static_cast<size_t>(g_index.iCount) * 10 > size * 5) size *= 2;
  g_index.slots.assign(size, IndexSlot{});
  for (PoPoint* p = g_index.pFirstPoint; p; p = PoPointsGetNext(g_pMboPoints, p)) vAddPoint(p, pPointData(p));
}

// True when the container still looks as the index saw it last.
bool boContainerUnchanged() {
  return iPoPointsGetCount(g_pMboPoints) == g_index.iCount && PoPointsGetFirst(g_pMboPoints) == g_index.pFirstPoint;
}

}  // namespace

MboIndexResult eMboIndexFind(const char* key, PoPoint** point) {
  *point = nullptr;
  if (!g_pMboPoints) return MBO_INDEX_ABSENT;
  try {
    bool fresh = false;
    if (!g_index.boBuilt || g_index.boDirty || !boContainerUnchanged()) {
      vRebuild();
      fresh = true;
    }
    uint64_t hash = uHashId(key);
    for (;;) {
      IndexSlot* s = pFindSlot(hash);
      if (!s) return MBO_INDEX_ABSENT;
      if (s->pFirst && boSameId(s->pData, key)) {
        *point = s->pFirst;
        return MBO_INDEX_FOUND;
      }
      // Not known which point comes first, or the host renamed the point
      // directly: look again from the container. A fresh index that still
      // disagrees holds two IDs with one hash: the caller walks.
      if (fresh) return MBO_INDEX_UNUSABLE;
      vRebuild();
      fresh = true;
    }
  } catch (...) {
    vDrop();
    return MBO_INDEX_UNUSABLE;
  }
}

void vMboIndexPointAdded(PoPoint* point) {
  if (!g_index.boBuilt || g_index.boDirty || !point) return;
  try {
    // Only this point may have come since the index last looked.
    bool expected = iPoPointsGetCount(g_pMboPoints) == g_index.iCount + 1 &&
                    PoPointsGetFirst(g_pMboPoints) == (g_index.iCount == 0 ? point : g_index.pFirstPoint);
    if (!expected) {
      g_index.boDirty = true;
      return;
    }
    vAddPoint(point, pPointData(point));
    ++g_index.iCount;
    g_index.pFirstPoint = PoPointsGetFirst(g_pMboPoints);
  } catch (...) {
    vDrop();
  }
}

void vMboIndexPointRenamed(PoPoint* point, const char* oldId, const char* newId) {
  if (!g_index.boBuilt || g_index.boDirty || !point) return;
  if (!boContainerUnchanged()) {
    g_index.boDirty = true;
    return;
  }
  try {
    if (*oldId) {
      IndexSlot* s = pFindSlot(uHashId(oldId));
      if (!s) {
        g_index.boDirty = true;  // the host renamed it directly before
        return;
      }
      if (--s->uCount == 0) {
        s->uState = SLOT_DELETED;
        --g_index.uUsed;
        ++g_index.uDeleted;
      } else if (s->pFirst == point) {
        s->pFirst = nullptr;  // the next one with the ID is not known here
      }
    }
    if (*newId) {
      uint64_t hash = uHashId(newId);
      if (IndexSlot* s = pFindSlot(hash)) {
        // Which of the two came first is not known here.
        ++s->uCount;
        s->pFirst = nullptr;
      } else {
        vMakeRoom();
        vPlace(IndexSlot{hash, point, pPointData(point), 1, SLOT_USED});
      }
    }
  } catch (...) {
    vDrop();
  }
}

void vMboIndexClear(void) { vDrop(); }
