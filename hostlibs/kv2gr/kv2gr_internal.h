// kv2gr's own records, shared by its sources only.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "kv2gr.h"

enum GrKind { GR_POINT, GR_LINE, GR_POLY, GR_NET };

// Equal slots from large slabs (pool.cpp): an object record, then its user
// data from dataAt on. A freed slot is taken again first; the slabs go back
// only all at once, when the container is emptied.
struct GrPool {
  size_t dataAt = 0;      // the user data's offset in a slot
  size_t slot = 0;        // bytes per slot
  void* free = nullptr;   // freed slots, chained through their first bytes
  void* slabs = nullptr;  // chained through their first bytes, newest first
  char* next = nullptr;   // the newest slab's unused rest
  char* end = nullptr;
  size_t slabSlots = 0;  // slots of the next slab
  bool zeroed = false;   // the unused rest is zero-filled
};
void vGrPoolInit(GrPool* pool, size_t objSize, uint32_t userSize);
// A slot with its user data zero-filled (the record part is left to the
// caller's constructor); null when memory ran out.
void* pGrPoolAlloc(GrPool* pool);
// The object in it was destroyed already.
void vGrPoolFree(GrPool* pool, void* slot);
// Every slot goes, used or not: their objects were destroyed or own nothing.
void vGrPoolRelease(GrPool* pool);

// The offset of the user data in a slot whose object record has this size.
constexpr size_t uGrDataAt(size_t objSize) {
  return (objSize + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
}

// The codes and field values of a container's objects (pool.cpp): blocks in
// 8-byte steps cut from large chunks, a freed block kept for the next one of
// its size, long ones from the heap; all go at once when the container is
// emptied, so that objects own no heap memory of their own.
constexpr size_t kGrHeapSmall = 256;  // larger blocks come from malloc
struct GrHeap {
  char* next = nullptr;  // the newest chunk's unused rest
  char* end = nullptr;
  void* chunks = nullptr;             // chained through their first bytes
  void* large = nullptr;              // malloc'd blocks, chained both ways
  size_t chunkBytes = 0;              // of the next chunk
  void* free[kGrHeapSmall / 8] = {};  // freed blocks by size, chained
};
// Null when memory ran out; bytes > 0.
void* pGrHeapAlloc(GrHeap* heap, size_t bytes);
// bytes as given to pGrHeapAlloc.
void vGrHeapFree(GrHeap* heap, void* block, size_t bytes);
void vGrHeapRelease(GrHeap* heap);
// *slot becomes a copy of text (null for ""), in the old block when it fits;
// false (and *slot unchanged) when memory ran out. text may be *slot itself.
bool boGrTextSet(GrHeap* heap, const char** slot, const char* text);
void vGrTextFree(GrHeap* heap, const char* text);

struct ViFields {
  GrKind kind;
  void* owner;  // the container
  std::vector<std::string> names;
  std::unordered_map<std::string, int> index;
  GrHeap texts;  // the codes and values of the container's objects
};

// An object's field values: cap text pointers (null: "") follow the head in
// one block of the field set's heap. Each text is a block of its own, so a
// text stays where it is until its own value changes.
struct GrValues {
  size_t cap;
};
inline const char** pGrValueSlots(GrValues* v) { return reinterpret_cast<const char**>(v + 1); }
inline size_t uGrValuesBytes(size_t cap) { return sizeof(GrValues) + cap * sizeof(const char*); }

// Head of every object: the container's creation-order chain and the code
// text and field values (both in the field set's heap). The user data follows
// in the same pool slot (points, lines) or has a block of its own (nets).
struct GrObj {
  GrObj* prev = nullptr;
  GrObj* next = nullptr;
  const void* owner = nullptr;  // the container
  const char* code = nullptr;   // null: ""
  // Made by the first value set: most objects never get one, and a large
  // import makes a million points.
  GrValues* values = nullptr;
};

struct GrObjList {
  GrObj* first = nullptr;
  GrObj* last = nullptr;
  int count = 0;
};

struct PoPoint : GrObj {
  double x = 0, y = 0, z = 0;
};
// With the field book's user data a point fills a pool slot of 176 bytes.
static_assert(sizeof(void*) != 8 || sizeof(PoPoint) == 64);

// The parameters of a two-point arc or a clothoid, kept apart for the few
// elements that were given any.
struct LiElmShape {
  double radius = 0;  // two-point arc: signed, > 0 clockwise
  int centreChoice = 0;
  double clA = 0, clR1 = 0, clR2 = 0;  // clothoid
};

struct LiElm {
  LiElm* prev = nullptr;
  LiElm* next = nullptr;
  LiLine* owner = nullptr;
  // On the start of a three-point arc (type 2) its middle, which is out of
  // the chain; on that middle (isMiddle) the arc's start.
  LiElm* arc = nullptr;
  GeoPnt3 p{0, 0, 0};
  uint8_t type = 0;
  bool isMiddle = false;
  bool hasShape = false;  // it has parameters in its container's shape map
};
// With its user data (right after it in the slot) an element fills a pool
// slot of 176 bytes; a large import makes a million of them.
static_assert(sizeof(void*) != 8 || sizeof(LiElm) == 64);

inline LiElm* pGrArcStart(const LiElm* e) { return e->isMiddle ? e->arc : nullptr; }
inline LiElm* pGrMiddle(const LiElm* e) { return e->isMiddle ? nullptr : e->arc; }

struct LiLine : GrObj {
  LiElm* first = nullptr;
  LiElm* last = nullptr;
  int count = 0;  // the plain chain
  bool is3d = true;
  bool polygon = false;
};
// With the field book's user data a line fills a pool slot of 176 bytes.
static_assert(sizeof(void*) != 8 || sizeof(LiLine) == 64);

struct LiLines {
  GrObjList list;
  uint32_t lineSize = 0;
  uint32_t elmSize = 0;
  GrPool lines;  // the line records with their user data
  GrPool elms;   // every element of the container's lines
  // The parameters of the few elements that were given any.
  std::unordered_map<const LiElm*, LiElmShape> shapes;
  bool polygons = false;
  ViFields fields;
};

// A line's container (its owner).
inline LiLines* pGrLines(const LiLine* l) { return static_cast<LiLines*>(const_cast<void*>(l->owner)); }

struct PoPoints {
  GrObjList list;
  uint32_t userSize = 0;
  GrPool points;
  ViFields fields;
};

struct TrNet : GrObj {
  void* data = nullptr;
  std::vector<GeoPnt3> pts;
  std::vector<int> tris;   // three per triangle
  std::vector<int> neigh;  // three per triangle
};

struct TrNets {
  GrObjList list;
  uint32_t userSize = 0;
  ViFields fields;
};

// Doubly linked chains: a list record with first, last and count, and nodes
// with prev and next (objects of a container, elements of a line).
template <class L, class N>
void vGrChainLinkBefore(L* l, N* e, N* before) {
  e->next = before;
  e->prev = before ? before->prev : l->last;
  if (e->prev)
    e->prev->next = e;
  else
    l->first = e;
  if (before)
    before->prev = e;
  else
    l->last = e;
  l->count++;
}

template <class L, class N>
void vGrChainUnlink(L* l, N* e) {
  if (e->prev)
    e->prev->next = e->next;
  else
    l->first = e->next;
  if (e->next)
    e->next->prev = e->prev;
  else
    l->last = e->prev;
  e->prev = e->next = nullptr;
  l->count--;
}

// Element chain primitives (lines.cpp).
LiElm* pGrElmNew(LiLine* line, const GeoPnt3* p);
// The element's parameters (all 0 when it was never given any).
const LiElmShape& rGrShape(const LiElm* e);
// The element's parameters to change, made when it has none; null when
// memory ran out.
LiElmShape* pGrShapeFor(LiElm* e);
// The element's parameters, null when it has none.
LiElmShape* pGrShapeOf(LiElm* e);
// a takes b's parameters and b a's.
void vGrShapeSwap(LiElm* a, LiElm* b);
void vGrElmFree(LiElm* e);
void vGrElmRemove(LiLine* line, LiElm* e);
LiElm* pGrElmAppend(LiLine* line, const GeoPnt3* p);
// The element's far end: the next one, or for the end of a polygon's
// sub-line (97, 98) the sub-line's first; null when it connects to nothing.
LiElm* pGrElmEnd(LiLine* line, LiElm* e);
