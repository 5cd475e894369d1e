// The point-name index (see pointindex.h).
#include "fieldbook/pointindex.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "fieldbook/model.h"

namespace {

struct IndexEntry {
  PoPoint* pFirst;  // first point in creation order with the key; null: unknown
  uint32_t uCount;  // points with the key
};

struct PointIndex {
  std::unordered_map<std::string, IndexEntry> map;
  bool boBuilt = false;
  bool boDirty = false;  // rebuild before the next use
  int iCount = 0;        // points in the container when last seen
  PoPoint* pFirst = nullptr;
};

PointIndex g_index;

const char* sPointId(PoPoint* point) {
  auto* data = static_cast<MboPointData*>(PoPointGetData(point));
  return data ? data->sPid : "";
}

std::string sKey(const char* id) { return std::string(id, strnlen(id, MBO_ID_SIZE - 1)); }

void vDrop() {
  std::unordered_map<std::string, IndexEntry>().swap(g_index.map);
  g_index.boBuilt = false;
  g_index.boDirty = false;
  g_index.iCount = 0;
  g_index.pFirst = nullptr;
}

void vAddKey(const char* id, PoPoint* point) {
  if (!*id) return;  // unnamed points are never merged
  auto [it, inserted] = g_index.map.try_emplace(sKey(id), IndexEntry{point, 1});
  if (!inserted) ++it->second.uCount;  // a later point: the first one stays
}

void vRebuild() {
  g_index.map.clear();
  g_index.boBuilt = true;
  g_index.boDirty = false;
  g_index.iCount = 0;
  g_index.pFirst = PoPointsGetFirst(g_pMboPoints);
  for (PoPoint* p = g_index.pFirst; p; p = PoPointsGetNext(g_pMboPoints, p)) {
    vAddKey(sPointId(p), p);
    ++g_index.iCount;
  }
}

// True when the container still looks as the index saw it last.
bool boContainerUnchanged() {
  return iPoPointsGetCount(g_pMboPoints) == g_index.iCount && PoPointsGetFirst(g_pMboPoints) == g_index.pFirst;
}

}  // namespace

MboIndexResult eMboIndexFind(const char* key, PoPoint** point) {
  *point = nullptr;
  if (!g_pMboPoints) return MBO_INDEX_ABSENT;
  try {
    if (!g_index.boBuilt || g_index.boDirty || !boContainerUnchanged()) vRebuild();
    for (int attempt = 0; attempt < 2; ++attempt) {
      auto it = g_index.map.find(sKey(key));
      if (it == g_index.map.end()) return MBO_INDEX_ABSENT;
      PoPoint* hit = it->second.pFirst;
      if (hit && strncmp(sPointId(hit), key, MBO_ID_SIZE - 1) == 0) {
        *point = hit;
        return MBO_INDEX_FOUND;
      }
      // Unknown first point, or the host renamed it directly: start again.
      vRebuild();
    }
    // A fresh index cannot disagree with the container; be safe anyway.
    vDrop();
    return MBO_INDEX_UNUSABLE;
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
                    PoPointsGetFirst(g_pMboPoints) == (g_index.iCount == 0 ? point : g_index.pFirst);
    if (!expected) {
      g_index.boDirty = true;
      return;
    }
    vAddKey(sPointId(point), point);
    ++g_index.iCount;
    g_index.pFirst = PoPointsGetFirst(g_pMboPoints);
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
      auto it = g_index.map.find(sKey(oldId));
      if (it == g_index.map.end()) {
        g_index.boDirty = true;  // the host renamed it directly before
        return;
      }
      if (--it->second.uCount == 0)
        g_index.map.erase(it);
      else if (it->second.pFirst == point)
        it->second.pFirst = nullptr;  // the next one with the key is not known here
    }
    if (*newId) {
      auto [it, inserted] = g_index.map.try_emplace(sKey(newId), IndexEntry{point, 1});
      if (!inserted) {
        // Which of the two came first is not known here.
        ++it->second.uCount;
        it->second.pFirst = nullptr;
      }
    }
  } catch (...) {
    vDrop();
  }
}

void vMboIndexClear(void) { vDrop(); }
