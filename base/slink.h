// Intrusive, untyped singly linked lists. An object belongs to a list by
// having its next pointer as its first field; the functions take and give
// objects as void*.
//
// SLinkList: a header that knows the first and last object and the object
// size, and may draw its objects from a MemPool. Objects of a pool-backed
// list are never freed one by one: deleting one adds the list's object size
// to the pool's released counter (and poisons it for AddressSanitizer), and
// the memory goes back with the pool.
//
// Plain chains: the same without a header; the functions take the address of
// the head pointer (a T** passed as void*). Their nodes are heap memory.
#pragma once

#include <cstdint>

#include "base/pool.h"

struct SLinkObj {
  SLinkObj* pNext;
};

struct SLinkList {
  SLinkObj* pFirst;
  SLinkObj* pLast;  // both NULL or both set; pLast->pNext is NULL
  uint32_t uObjSize;
  MemPool* pPool;  // NULL: objects are heap memory
};

void vSLinkInit(SLinkList* list, uint32_t objSize, MemPool* pool);

// A new object of `size` bytes (from the pool, else zeroed heap memory), a
// copy of the template when one is given (`size` bytes of it), next NULL.
// Appended for a NULL position, else inserted before `before`; when `before`
// is not in the list, warns "SLinkNewSizeObj InsertBefore not found" and
// appends. NULL when memory runs out.
void* SLinkNewSizeObj(SLinkList* list, uint32_t size, void* before, const void* tmpl);
// The same with the list's object size.
void* pSLinkNewObj(SLinkList* list, void* before, const void* tmpl);
// As pSLinkNewObj, for a caller whose objects (and template) have
// expectedSize bytes. A size other than the list's is warned about
// ("pSLinkNewObj: Wrong size of object in list"); the object still gets the
// list's size, with at most expectedSize bytes copied from the template and
// the rest zero.
void* pSLinkNewObjChecked(SLinkList* list, void* before, const void* tmpl, uint32_t expectedSize);
// A new object linked in behind the object whose next field is at `pNextField`
// (that is, the object's own address), becoming the last when that object
// was; NULL (or &list->pFirst) puts it at the front.
void* pSLinkNewObjAfter(SLinkList* list, void* pNextField, const void* tmpl);
// Makes `dst` a list of the source's object size over `pool` and appends a
// byte copy of every source object, in order. Flat objects only: pointers
// inside the objects (nested lists) are shared, not copied.
void vSLinkCopy(const SLinkList* src, SLinkList* dst, MemPool* pool);
// Unlinks and frees the object (counts it as released for a pool-backed
// list). An object not in the list is left alone.
void vSLinkDeleteObj(SLinkList* list, void* obj);
// The same without a walk for an object known to follow `prev` (NULL: the
// first object), so that a pass deleting as it goes stays linear. Nothing
// when obj is NULL or does not follow prev.
void vSLinkDeleteAfter(SLinkList* list, void* prev, void* obj);
// Frees every object (a pool-backed list with an object size above 0 counts
// each as released). Accepts NULL.
void vSLinkFreeAll(SLinkList* list);
// Unlinks without freeing; nothing when the object is not in the list.
void vSLinkUnlink(SLinkList* list, void* obj);
// Links an unlinked object in before `before`, or at the end for NULL.
// Nothing happens when `before` is not in the list.
void vSLinkInsertBefore(SLinkList* list, void* before, void* obj);
// Moves a listed object before `before` (to the end for NULL). Nothing when
// the object is NULL, the two are the same, or either is not in the list.
void vSLinkMoveBefore(SLinkList* list, void* obj, void* before);
// Makes the object the first one by moving everything before it to the end.
// False when it already is first or is not in the list.
bool boSLinkRotateTo(SLinkList* list, void* obj);
// The object before `obj`, NULL when it is the first or absent; for NULL the
// last object.
void* pSLinkFindPrev(const SLinkList* list, const void* obj);
void vSLinkReverse(SLinkList* list);
int iSLinkCount(const SLinkList* list);
// The object at that index from 0, or NULL.
void* pSLinkGetNth(const SLinkList* list, int index);
MemPool* pSLinkGetPool(const SLinkList* list);

// Plain chains. `head` is the address of the head pointer.
// A zeroed node of `size` bytes linked before `before`, or at the end when
// `before` is NULL or not in the chain. NULL when memory runs out.
void* pSLinkChainAdd(void* head, void* before, uint32_t size);
// Copies every node (size bytes each) of the chain starting at `first` into a
// new chain at *copyHead and returns their number; on failure frees what was
// copied, leaves *copyHead alone and returns -1.
int iSLinkChainCopy(const void* first, void* copyHead, uint32_t size);
// Frees every node; the head becomes NULL.
void vSLinkChainFree(void* head);
// Unlinks and frees the node; nothing when it is absent.
void vSLinkChainDelete(void* head, void* node);
// Unlinks without freeing; nothing when it is absent.
void vSLinkChainUnlink(void* head, void* node);
// Links an unlinked node in before `before`, at the end when `before` is NULL
// or not in the chain (so that the node is never lost).
void vSLinkChainInsertBefore(void* head, void* before, void* node);
// Moves a chained node before `before` (to the end for NULL). Nothing when
// the node is NULL, the two are the same, or the node is not in the chain.
void vSLinkChainMoveBefore(void* head, void* node, void* before);
