// The point-name index (see pointindex.h): a table of chain heads and the
// entries chained from it, one entry per ID, each with the first point that
// has the ID and how many points have the ID. An entry holds no copy of its
// ID: the first point's own is compared, so that the index costs 16 bytes an
// entry and 4 to 8 a head, and a look-up that finds the point reads the
// record the caller goes on to use anyway. Each head also keeps a tag of
// its entry's place while it has only one, so that most names that are not
// there are known to be absent from the head alone.
//
// Field books name their points in runs (1, 2, 3 … or JOB.A.17, JOB.A.18 …),
// and a large import meets them in that order. So an ID's place is not a
// plain hash of all of it: a trailing number counts up within a group of 64
// neighbouring slots, and only the rest of the ID with the number's group
// is hashed. A run of names then walks the table in order instead of at
// random, and a million names cost per name about what a thousand do. Names
// without a trailing number, or numbers far apart, still spread over the
// whole table; chains (not open probing) keep one full group from piling
// onto its neighbours.
//
// Entries lie in the order they were made, and readers come back to their
// points mostly in that order, often to the one just made: the entries at and
// after the last one used are tried before the table.
#include "fieldbook/pointindex.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "fieldbook/model.h"
#include "win32.h"

namespace {

// The index's tables come straight from the system's pages and go back
// whole. Taken from the heap, they would leave holes there that scatter the
// points made next, and their first large request would make the C library
// sort out the many small blocks of a field book freed before, at a cost
// that grows with that field book.
template <typename T>
struct PageAllocator {
  using value_type = T;

  PageAllocator() = default;
  template <typename U>
  PageAllocator(const PageAllocator<U>&) {}

  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    void* pages = VirtualAlloc(nullptr, n ? n * sizeof(T) : 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!pages) throw std::bad_alloc();
    return static_cast<T*>(pages);
  }
  void deallocate(T* p, size_t) { VirtualFree(p, 0, MEM_RELEASE); }
  template <typename U>
  bool operator==(const PageAllocator<U>&) const {
    return true;
  }
};

template <typename T>
using PageVector = std::vector<T, PageAllocator<T>>;

// An entry: the first point with an ID, found again by the ID the point
// holds (the module tells the index of every ID it changes).
struct IndexEntry {
  PoPoint* pFirst;  // first point in creation order with the ID
  uint32_t uPlace;  // the ID's place (uPlaceOf)
  uint32_t uLink;   // the next entry of the chain plus one (0: the last),
                    // and above kLinkBits how many points have the ID
};
static_assert(sizeof(IndexEntry) <= 16, "a quarter of a cache line");

// A chain head and an entry's uLink: an entry plus one in the low bits.
// Above them a head keeps the tag (uTagOf) of its only entry's place, or
// kTagMany when the chain has more than one; an entry keeps the count of
// points with its ID, 0 when the entry is no longer used and kCountMany for
// that many or more (then only a walk tells when the last of them goes).
// Runs of names that share their group of heads with another run meet one
// entry in each head, which the tag turns away in 30 cases of 31.
const unsigned kLinkBits = 27;
const uint32_t kLinkMask = (uint32_t{1} << kLinkBits) - 1;
const uint32_t kCountOne = uint32_t{1} << kLinkBits;
const uint32_t kCountMany = 31;
const uint32_t kTagMany = 31;
const size_t kEntriesMax = kLinkMask;

struct PointIndex {
  PageVector<uint32_t> heads;  // a power of two in size, or empty
  PageVector<IndexEntry> entries;
  size_t uUsed = 0;       // entries in use
  size_t uLastEntry = 0;  // the entry found or made last
  bool boBuilt = false;
  bool boDirty = false;  // rebuild before the next use
  int iCount = 0;        // points in the container when last seen
  PoPoint* pFirstPoint = nullptr;
};

PointIndex g_index;
int g_iPassDepth = 0;
size_t g_uExpected = 0;  // vMboIndexExpect's guess for this pass
// Changes whenever the table may have changed: a hint from before is stale.
uint64_t g_uStamp = 1;

const size_t kIdMax = MBO_ID_SIZE - 1;
const unsigned kGroupBits = 6;       // 64 numbers of a run share a group of slots
const size_t kNumberDigitsMax = 18;  // a longer number: the digits before count as text

uint64_t uMix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  h ^= h >> 33;
  return h;
}

// The hash of a text and a number's group, made last.
struct GroupHash {
  uint64_t uText;
  uint64_t uGroup;
  uint64_t uHash;
  bool boSet;
};
GroupHash g_lastGroup;

// Where the first n bytes of an ID belong: the hash of the text before a
// trailing number and of the number's group, with the number's low bits in
// the low bits; without a trailing number, the hash of the text. Equal IDs
// get equal places; so do "7" and "07", which the comparison then tells
// apart.
uint32_t uPlaceOf(const char* id, size_t n) {
  const char* end = id + n;
  const char* stop = n > kNumberDigitsMax ? end - kNumberDigitsMax : id;
  // The trailing number read from its end (at most 18 digits: no overflow).
  const char* numberAt = end;
  uint64_t number = 0, scale = 1;
  for (unsigned d; numberAt > stop && (d = static_cast<unsigned char>(numberAt[-1] - '0')) < 10; --numberAt) {
    number += d * scale;
    scale *= 10;
  }
  size_t digits = static_cast<size_t>(end - numberAt);
  size_t textLen = n - digits;

  const uint64_t k = 0x9ddfea08eb382d69ull;
  uint64_t h = 0x9e3779b97f4a7c15ull ^ textLen;
  size_t i = 0;
  for (; i + 8 <= textLen; i += 8) {
    uint64_t w;
    memcpy(&w, id + i, 8);
    h = (h ^ w) * k;
    h ^= h >> 29;
  }
  if (i < textLen) {
    uint64_t w = 0;
    for (size_t j = 0; i + j < textLen; ++j)
      w |= static_cast<uint64_t>(static_cast<unsigned char>(id[i + j])) << (8 * j);
    h = (h ^ w) * k;
    h ^= h >> 29;
  }
  if (!digits) return static_cast<uint32_t>(uMix(h));
  const uint64_t groupMask = (uint64_t{1} << kGroupBits) - 1;
  // A run asks for the same group 64 times in a row.
  GroupHash& last = g_lastGroup;
  if (!last.boSet || last.uText != h || last.uGroup != number >> kGroupBits) {
    last = GroupHash{h, number >> kGroupBits, uMix(h ^ uMix((number >> kGroupBits) + 0x632be59bd9b4e019ull)), true};
  }
  return static_cast<uint32_t>((last.uHash & ~groupMask) | (number & groupMask));
}

// The stored ID equals the first n (at most 99) bytes of id.
bool boIdIs(const MboPointData* data, const char* id, size_t n) {
  return data && memcmp(data->sPid, id, n) == 0 && data->sPid[n] == '\0';
}

// The entry's ID (its first point's) is the first n bytes of id.
bool boEntryIs(const IndexEntry& e, const char* id, size_t n) { return boIdIs(pMboPointGetData(e.pFirst), id, n); }

uint32_t uCountOf(const IndexEntry& e) { return e.uLink >> kLinkBits; }

void vCountOneMore(IndexEntry& e) {
  if (uCountOf(e) < kCountMany) e.uLink += kCountOne;
}

IndexEntry& Entry(uint32_t link) { return g_index.entries[(link & kLinkMask) - 1]; }

// Empties a table. A small one keeps its pages for the next pass, which
// would otherwise have them mapped and zeroed again; a large one gives them
// back.
template <typename T>
void vEmpty(PageVector<T>& table) {
  const size_t kKeepBytes = 1024 * 1024;
  if (table.capacity() * sizeof(T) <= kKeepBytes)
    table.clear();
  else
    PageVector<T>().swap(table);
}

void vDrop() {
  vEmpty(g_index.heads);
  vEmpty(g_index.entries);
  g_index.uUsed = 0;
  g_index.uLastEntry = 0;
  g_index.boBuilt = false;
  g_index.boDirty = false;
  g_index.iCount = 0;
  g_index.pFirstPoint = nullptr;
  ++g_uStamp;
}

uint32_t* pHead(uint32_t place) { return &g_index.heads[place & (g_index.heads.size() - 1)]; }

// The place's tag (below kTagMany): from all of its bits, of which those
// that choose the head are the same throughout a chain.
uint32_t uTagOf(uint32_t place) {
  uint32_t spread = place * 0x9e3779b1u;
  return static_cast<uint32_t>((uint64_t{spread} * kTagMany) >> 32);
}

// The head's tag after a change of its chain.
void vRetag(uint32_t* head) {
  uint32_t first = *head & kLinkMask;
  uint32_t tag = 0;
  if (first) tag = Entry(first).uLink & kLinkMask ? kTagMany : uTagOf(Entry(first).uPlace);
  *head = (tag << kLinkBits) | first;
}

// The link (a chain head or an entry's uLink) that leads to the entry of
// the ID, or null when there is none. `renamed` (may be null) is a point
// that had the ID a moment ago and whose data holds its new one: its entry
// is matched by the point.
uint32_t* pFindLink(uint32_t place, const char* id, size_t n, PoPoint* renamed) {
  uint32_t* head = pHead(place);
  uint32_t tag = *head >> kLinkBits;
  if (tag != kTagMany && tag != uTagOf(place)) return nullptr;
  for (uint32_t* link = head; *link & kLinkMask; link = &Entry(*link).uLink) {
    const IndexEntry& e = Entry(*link);
    if (e.uPlace == place && ((renamed && e.pFirst == renamed) || boEntryIs(e, id, n))) return link;
  }
  return nullptr;
}

// The entry of the ID when it is the last one used or the one after it.
const IndexEntry* pGuessEntry(uint32_t place, const char* id, size_t n) {
  size_t last = g_index.uLastEntry;
  for (size_t e = last; e < last + 2 && e < g_index.entries.size(); ++e) {
    const IndexEntry& entry = g_index.entries[e];
    if (entry.uPlace == place && uCountOf(entry) && boEntryIs(entry, id, n)) {
      g_index.uLastEntry = e;
      return &entry;
    }
  }
  return nullptr;
}

// At most one entry in use per chain head on average; a new table has two
// heads per entry.
bool boNeedsRoom() { return g_index.uUsed + 1 > g_index.heads.size(); }

void vLinkIn(size_t i) {
  IndexEntry& e = g_index.entries[i];
  uint32_t* head = pHead(e.uPlace);
  e.uLink = (e.uLink & ~kLinkMask) | (*head & kLinkMask);
  *head = static_cast<uint32_t>(i + 1);
  vRetag(head);
}

void vGrow() {
  // Twice the heads: a full table (one entry per head) becomes half full.
  size_t newSize = g_index.heads.empty() ? 64 : g_index.heads.size();
  while (g_index.uUsed * 2 > newSize) newSize *= 2;
  // The old heads go first: they are made again from the entries.
  PageVector<uint32_t>().swap(g_index.heads);
  g_index.heads.assign(newSize, 0);
  // The entries grow with the table: no copies of them on the way.
  g_index.entries.reserve(newSize);
  // In creation order: the runs of names fill the new table in order too.
  for (size_t i = 0; i < g_index.entries.size(); ++i)
    if (uCountOf(g_index.entries[i])) vLinkIn(i);
  ++g_uStamp;
}

// A new entry: the point is the first with the ID.
void vInsert(uint32_t place, PoPoint* point) {
  if (g_index.entries.size() >= kEntriesMax) throw std::length_error("point index full");
  g_index.entries.push_back(IndexEntry{point, place, kCountOne});
  g_index.uLastEntry = g_index.entries.size() - 1;
  vLinkIn(g_index.uLastEntry);
  ++g_index.uUsed;
  ++g_uStamp;
}

// One more point with this ID, later in creation order than those known.
void vAddPoint(PoPoint* point, MboPointData* data, const MboIndexHint* hint) {
  if (!data || !data->sPid[0]) return;  // unnamed points are never merged
  if (boNeedsRoom()) vGrow();
  if (hint && hint->uStamp == g_uStamp) {
    vInsert(hint->uPlace, point);
    return;
  }
  size_t n = strnlen(data->sPid, kIdMax);
  uint32_t place = uPlaceOf(data->sPid, n);
  if (uint32_t* link = pFindLink(place, data->sPid, n, nullptr))
    vCountOneMore(Entry(*link));
  else
    vInsert(place, point);
}

void vRebuild() {
  vDrop();
  g_index.iCount = iPoPointsGetCount(g_pMboPoints);
  if (static_cast<size_t>(g_index.iCount) > kEntriesMax) throw std::length_error("point index full");
  g_index.boBuilt = true;
  g_index.pFirstPoint = PoPointsGetFirst(g_pMboPoints);
  size_t size = 64;
  while (static_cast<size_t>(g_index.iCount) * 2 > size) size *= 2;
  // The entries take memory only as they come: a table sized for more
  // points than come keeps no room for them (a large room is made of huge
  // pages, each taken whole at its first use).
  g_index.entries.reserve(size);
  const size_t expected = std::min(g_uExpected, kEntriesMax);
  while (expected >= size) size *= 2;
  g_index.heads.assign(size, 0);
  for (PoPoint* p = g_index.pFirstPoint; p; p = PoPointsGetNext(g_pMboPoints, p))
    vAddPoint(p, pMboPointGetData(p), nullptr);
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

// The entry the link leads to goes out of its chain.
void vUnlink(uint32_t* link, uint32_t place) {
  IndexEntry& e = Entry(*link);
  *link = (*link & ~kLinkMask) | (e.uLink & kLinkMask);
  e.uLink = 0;
  vRetag(pHead(place));
  --g_index.uUsed;
  ++g_uStamp;
}

// The point no longer has the ID. False when the index did not know it so.
bool boForget(PoPoint* point, const char* id) {
  size_t n = strnlen(id, kIdMax);
  uint32_t place = uPlaceOf(id, n);
  uint32_t* link = pFindLink(place, id, n, point);
  if (!link) return false;
  IndexEntry& e = Entry(*link);
  const uint32_t count = uCountOf(e);
  if (count == 1) {
    vUnlink(link, place);
    return true;
  }
  if (count < kCountMany) e.uLink -= kCountOne;
  if (e.pFirst != point) return true;
  // It was the first: the next one with the ID comes after it.
  for (PoPoint* p = PoPointsGetNext(g_pMboPoints, point); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    if (boIdIs(pMboPointGetData(p), id, n)) {
      e.pFirst = p;
      return true;
    }
  }
  // Past a count the index kept, the walk tells that it was the last.
  if (count < kCountMany) return false;
  vUnlink(link, place);
  return true;
}

// The point has the ID now.
void vRemember(PoPoint* point, const char* id) {
  size_t n = strnlen(id, kIdMax);
  uint32_t place = uPlaceOf(id, n);
  if (boNeedsRoom()) vGrow();
  uint32_t* link = pFindLink(place, id, n, nullptr);
  if (!link) {
    vInsert(place, point);
    return;
  }
  IndexEntry& e = Entry(*link);
  vCountOneMore(e);
  if (boComesBefore(point, e.pFirst)) e.pFirst = point;
}

}  // namespace

void vMboIndexPassBegin(void) { ++g_iPassDepth; }

void vMboIndexPassEnd(void) {
  if (g_iPassDepth > 0 && --g_iPassDepth == 0) {
    vDrop();
    g_uExpected = 0;
  }
}

void vMboIndexExpect(size_t uPoints) {
  if (g_iPassDepth > 0) g_uExpected = uPoints;
}

MboIndexResult eMboIndexFind(const char* key, PoPoint** point, MboIndexHint* hint) {
  *point = nullptr;
  if (g_iPassDepth == 0 || !g_pMboPoints || !key || !*key) return MBO_INDEX_UNUSABLE;
  try {
    if (!g_index.boBuilt || g_index.boDirty || !boContainerUnchanged()) vRebuild();
    size_t n = strnlen(key, kIdMax);
    uint32_t place = uPlaceOf(key, n);
    if (const IndexEntry* guess = pGuessEntry(place, key, n)) {
      *point = guess->pFirst;
      return MBO_INDEX_FOUND;
    }
    if (uint32_t* link = pFindLink(place, key, n, nullptr)) {
      g_index.uLastEntry = (*link & kLinkMask) - 1;
      *point = Entry(*link).pFirst;
      return MBO_INDEX_FOUND;
    }
    if (hint) {
      // Making the point may need room: made now, the hint stays good.
      if (boNeedsRoom()) vGrow();
      *hint = MboIndexHint{g_uStamp, place};
    }
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
    PoPoint* first = PoPointsGetFirst(g_pMboPoints);
    bool expected = iPoPointsGetCount(g_pMboPoints) == g_index.iCount + 1 &&
                    first == (g_index.iCount == 0 ? point : g_index.pFirstPoint);
    if (!expected) {
      g_index.boDirty = true;
      return;
    }
    vAddPoint(point, pMboPointGetData(point), hint);
    ++g_index.iCount;
    g_index.pFirstPoint = first;
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
