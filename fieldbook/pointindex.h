// The point-name index: finds the first point in creation order with a given
// ID in constant time on average, where the plain walk over the container
// would make a large import quadratic.
//
// The index lives only inside a pass of the module's own (MboIndexPass: an
// import, a save, a writer's run). Between two exported calls the host may
// delete, make and rename points directly through kv2gr, and nothing that
// kv2gr offers tells that cheaply: the count and the first point stay the
// same when it deletes one point and makes another, a freed handle cannot be
// told from a live one, and an ID written in place leaves no trace. So the
// index is dropped when the outermost pass ends, and outside a pass every
// look-up walks the container (the host's own calls of the exports).
//
// Inside a pass the host does not run, and the module keeps the index exact:
// new points and ID changes through the model (pCreatePoint,
// vMboSetPointPID) are told to it; code that rewrites IDs in place or
// deletes single points calls vMboIndexClear afterwards. As a backstop the
// container's count and first point are checked on every use (a point made
// or deleted past the model: rebuild).
#pragma once

#include <cstddef>
#include <cstdint>

#include "kv2gr.h"

// Opens a pass; passes nest, the index goes with the outermost one.
void vMboIndexPassBegin(void);
void vMboIndexPassEnd(void);

struct MboIndexPass {
  MboIndexPass() { vMboIndexPassBegin(); }
  ~MboIndexPass() { vMboIndexPassEnd(); }
  MboIndexPass(const MboIndexPass&) = delete;
  MboIndexPass& operator=(const MboIndexPass&) = delete;
};

// About how many points the pass will make (a guess from the size of the
// file being read): the index is made that large at once rather than grown
// through every size on the way. A hint only; the pass's end forgets it.
void vMboIndexExpect(size_t uPoints);

// Result of a look-up.
enum MboIndexResult {
  MBO_INDEX_FOUND,     // *point is the first point with that ID
  MBO_INDEX_ABSENT,    // no point has that ID
  MBO_INDEX_UNUSABLE,  // outside a pass, or no index (out of memory): walk the container
};

// Where an ID that was not found would go, so that making its point next
// costs neither a second hash nor a second probe.
struct MboIndexHint {
  uint64_t uStamp;
  uint32_t uPlace;
};

// key: a non-empty ID (compared by its first 99 characters, as stored).
// hint (may be null) is filled when the result is MBO_INDEX_ABSENT.
MboIndexResult eMboIndexFind(const char* key, PoPoint** point, MboIndexHint* hint);
// The module appended this point (its ID already stored). hint: from the
// look-up of that same ID that found nothing, or null.
void vMboIndexPointAdded(PoPoint* point, const MboIndexHint* hint);
// The module changed a point's ID from oldId to newId (already stored).
void vMboIndexPointRenamed(PoPoint* point, const char* oldId, const char* newId);
// Forgets everything (the points are about to go, or went, or IDs were
// rewritten in place); inside a pass it is built again at the next look-up.
void vMboIndexClear(void);
