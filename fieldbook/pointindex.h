// The point-name index: finds the first point in creation order with a given
// ID in constant time on average, where the plain walk over the container
// would make a large import quadratic.
//
// It is built at the first look-up and kept up to date by the module's own
// changes (new points, ID changes). Changes the host makes behind the
// module's back are caught as follows: the container's count and first point
// are checked on every use (points added or removed: rebuild), and every hit
// is checked against the point's stored ID (renamed: rebuild).
#pragma once

#include "kv2gr.h"

// Result of a look-up.
enum MboIndexResult {
  MBO_INDEX_FOUND,     // *point is the first point with that ID
  MBO_INDEX_ABSENT,    // no point has that ID
  MBO_INDEX_UNUSABLE,  // no index (out of memory): walk the container
};

// key: a non-empty ID of at most 99 characters.
MboIndexResult eMboIndexFind(const char* key, PoPoint** point);
// The module appended this point (its ID already stored).
void vMboIndexPointAdded(PoPoint* point);
// The module changed a point's ID from oldId to newId (already stored).
void vMboIndexPointRenamed(PoPoint* point, const char* oldId, const char* newId);
// Forgets everything (the points are about to go, or went).
void vMboIndexClear(void);
