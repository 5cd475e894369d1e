#include "base/slink.h"

#include <cstdlib>
#include <cstring>

#include "base/msgbox.h"

namespace {

SLinkObj* pObj(void* p) { return (SLinkObj*)p; }
SLinkObj** ppHead(void* head) { return (SLinkObj**)head; }

// The link that points at obj (&list->pFirst or &prev->pNext), NULL when
// obj is not in the chain.
SLinkObj** ppLinkTo(SLinkObj** head, const void* obj) {
  for (SLinkObj** link = head; *link; link = &(*link)->pNext)
    if (*link == obj) return link;
  return nullptr;
}

SLinkObj* pPrevOf(SLinkObj* first, SLinkObj* obj) {
  SLinkObj* prev = nullptr;
  for (SLinkObj* p = first; p; prev = p, p = p->pNext)
    if (p == obj) return prev;
  return nullptr;
}

void* pAllocObj(SLinkList* list, uint32_t size) {
  // A pool's object covers at least the list's size, which is what its
  // release counts and poisons.
  if (list->pPool) return pPoolAlloc(list->pPool, size > list->uObjSize ? size : list->uObjSize ? list->uObjSize : 1);
  return calloc(1, size < sizeof(SLinkObj) ? sizeof(SLinkObj) : size);
}

// Links obj (unlinked) before `before` (NULL: at the end). False when
// `before` is not in the list.
bool boLinkBefore(SLinkList* list, SLinkObj* before, SLinkObj* obj) {
  if (!before) {
    obj->pNext = nullptr;
    if (list->pLast)
      list->pLast->pNext = obj;
    else
      list->pFirst = obj;
    list->pLast = obj;
    return true;
  }
  SLinkObj** link = ppLinkTo(&list->pFirst, before);
  if (!link) return false;
  obj->pNext = before;
  *link = obj;
  return true;
}

// Unlinks obj, keeping first and last right. False when it is absent.
bool boUnlink(SLinkList* list, SLinkObj* obj) {
  SLinkObj* prev = nullptr;
  SLinkObj* p = list->pFirst;
  while (p && p != obj) {
    prev = p;
    p = p->pNext;
  }
  if (!p) return false;
  if (prev)
    prev->pNext = obj->pNext;
  else
    list->pFirst = obj->pNext;
  if (list->pLast == obj) list->pLast = prev;
  obj->pNext = nullptr;
  return true;
}

// The new object: `size` bytes, tmplSize bytes of them from the template.
void* pNewObj(SLinkList* list, uint32_t size, void* before, const void* tmpl, uint32_t tmplSize) {
  SLinkObj* obj = pObj(pAllocObj(list, size));
  if (!obj) return nullptr;
  if (tmpl) {
    uint32_t n = tmplSize < size ? tmplSize : size;
    memcpy(obj, tmpl, n);
    if (n < size) memset((char*)obj + n, 0, size - n);
  }
  obj->pNext = nullptr;
  if (!boLinkBefore(list, pObj(before), obj)) {
    vMsgWarning("SLinkNewSizeObj InsertBefore not found");
    boLinkBefore(list, nullptr, obj);
  }
  return obj;
}

void vReleaseObj(SLinkList* list, SLinkObj* obj) {
  if (list->pPool) {
    list->pPool->uReleased += list->uObjSize;
    vPoolPoison(obj, list->uObjSize);
  } else {
    free(obj);
  }
}

}  // namespace

void vSLinkInit(SLinkList* list, uint32_t objSize, MemPool* pool) {
  list->pFirst = nullptr;
  list->pLast = nullptr;
  list->uObjSize = objSize;
  list->pPool = pool;
}

void* SLinkNewSizeObj(SLinkList* list, uint32_t size, void* before, const void* tmpl) {
  return pNewObj(list, size, before, tmpl, size);
}

void* pSLinkNewObj(SLinkList* list, void* before, const void* tmpl) {
  return pNewObj(list, list->uObjSize, before, tmpl, list->uObjSize);
}

void* pSLinkNewObjChecked(SLinkList* list, void* before, const void* tmpl, uint32_t expectedSize) {
  if (expectedSize != list->uObjSize) vMsgWarning("pSLinkNewObj: Wrong size of object in list");
  return pNewObj(list, list->uObjSize, before, tmpl, expectedSize);
}

void* pSLinkNewObjAfter(SLinkList* list, void* pNextField, const void* tmpl) {
  SLinkObj* obj = pObj(pAllocObj(list, list->uObjSize));
  if (!obj) return nullptr;
  if (tmpl) memcpy(obj, tmpl, list->uObjSize);
  if (!pNextField || pNextField == (void*)&list->pFirst) {
    obj->pNext = list->pFirst;
    list->pFirst = obj;
    if (!list->pLast) list->pLast = obj;
    return obj;
  }
  // The next field is the object's first field: its address is the object.
  SLinkObj* after = pObj(pNextField);
  obj->pNext = after->pNext;
  after->pNext = obj;
  if (list->pLast == after) list->pLast = obj;
  return obj;
}

void vSLinkCopy(const SLinkList* src, SLinkList* dst, MemPool* pool) {
  vSLinkInit(dst, src->uObjSize, pool);
  for (SLinkObj* p = src->pFirst; p; p = p->pNext)
    if (!pSLinkNewObj(dst, nullptr, p)) break;
}

void vSLinkDeleteObj(SLinkList* list, void* obj) {
  if (!obj || !boUnlink(list, pObj(obj))) return;
  vReleaseObj(list, pObj(obj));
}

void vSLinkDeleteAfter(SLinkList* list, void* prev, void* obj) {
  SLinkObj** link = prev ? &pObj(prev)->pNext : &list->pFirst;
  if (!obj || *link != obj) return;
  *link = pObj(obj)->pNext;
  if (list->pLast == obj) list->pLast = pObj(prev);
  pObj(obj)->pNext = nullptr;
  vReleaseObj(list, pObj(obj));
}

void vSLinkFreeAll(SLinkList* list) {
  if (!list) return;
  SLinkObj* p = list->pFirst;
  while (p) {
    SLinkObj* next = p->pNext;
    if (!list->pPool)
      free(p);
    else if (list->uObjSize > 0)
      vReleaseObj(list, p);
    p = next;
  }
  list->pFirst = nullptr;
  list->pLast = nullptr;
}

void vSLinkUnlink(SLinkList* list, void* obj) {
  if (obj) boUnlink(list, pObj(obj));
}

void vSLinkInsertBefore(SLinkList* list, void* before, void* obj) {
  if (obj) boLinkBefore(list, pObj(before), pObj(obj));
}

void vSLinkMoveBefore(SLinkList* list, void* obj, void* before) {
  if (!obj || obj == before) return;
  // Check both first, so that a bad target never leaves the object unlinked.
  if (!ppLinkTo(&list->pFirst, obj)) return;
  if (before && !ppLinkTo(&list->pFirst, before)) return;
  boUnlink(list, pObj(obj));
  boLinkBefore(list, pObj(before), pObj(obj));
}

bool boSLinkRotateTo(SLinkList* list, void* obj) {
  if (!obj || list->pFirst == obj) return false;
  SLinkObj* prev = pPrevOf(list->pFirst, pObj(obj));
  if (!prev) return false;
  list->pLast->pNext = list->pFirst;
  list->pFirst = pObj(obj);
  list->pLast = prev;
  prev->pNext = nullptr;
  return true;
}

void* pSLinkFindPrev(const SLinkList* list, const void* obj) {
  if (!obj) return list->pLast;
  return pPrevOf(list->pFirst, (SLinkObj*)obj);
}

void vSLinkReverse(SLinkList* list) {
  SLinkObj* prev = nullptr;
  SLinkObj* p = list->pFirst;
  list->pLast = p;
  while (p) {
    SLinkObj* next = p->pNext;
    p->pNext = prev;
    prev = p;
    p = next;
  }
  list->pFirst = prev;
}

int iSLinkCount(const SLinkList* list) {
  int n = 0;
  for (SLinkObj* p = list->pFirst; p; p = p->pNext) ++n;
  return n;
}

void* pSLinkGetNth(const SLinkList* list, int index) {
  if (index < 0) return nullptr;
  SLinkObj* p = list->pFirst;
  while (p && index-- > 0) p = p->pNext;
  return p;
}

MemPool* pSLinkGetPool(const SLinkList* list) { return list->pPool; }

// ---- plain chains

void* pSLinkChainAdd(void* head, void* before, uint32_t size) {
  SLinkObj* node = pObj(calloc(1, size < sizeof(SLinkObj) ? sizeof(SLinkObj) : size));
  if (!node) return nullptr;
  vSLinkChainInsertBefore(head, before, node);
  return node;
}

int iSLinkChainCopy(const void* first, void* copyHead, uint32_t size) {
  if (size < sizeof(SLinkObj)) size = sizeof(SLinkObj);
  SLinkObj* copy = nullptr;
  SLinkObj** tail = &copy;
  int n = 0;
  for (const SLinkObj* p = (const SLinkObj*)first; p; p = p->pNext) {
    SLinkObj* node = pObj(malloc(size));
    if (!node) {
      vSLinkChainFree(&copy);
      return -1;
    }
    memcpy(node, p, size);
    node->pNext = nullptr;
    *tail = node;
    tail = &node->pNext;
    ++n;
  }
  *ppHead(copyHead) = copy;
  return n;
}

void vSLinkChainFree(void* head) {
  SLinkObj* p = *ppHead(head);
  while (p) {
    SLinkObj* next = p->pNext;
    free(p);
    p = next;
  }
  *ppHead(head) = nullptr;
}

void vSLinkChainUnlink(void* head, void* node) {
  if (!node) return;
  SLinkObj** link = ppLinkTo(ppHead(head), node);
  if (!link) return;
  *link = pObj(node)->pNext;
  pObj(node)->pNext = nullptr;
}

void vSLinkChainDelete(void* head, void* node) {
  if (!node || !ppLinkTo(ppHead(head), node)) return;
  vSLinkChainUnlink(head, node);
  free(node);
}

void vSLinkChainInsertBefore(void* head, void* before, void* node) {
  if (!node) return;
  SLinkObj** link = before ? ppLinkTo(ppHead(head), before) : nullptr;
  if (!link) {  // at the end
    link = ppHead(head);
    while (*link) link = &(*link)->pNext;
  }
  pObj(node)->pNext = *link;
  *link = pObj(node);
}

void vSLinkChainMoveBefore(void* head, void* node, void* before) {
  if (!node || node == before || !ppLinkTo(ppHead(head), node)) return;
  vSLinkChainUnlink(head, node);
  vSLinkChainInsertBefore(head, before, node);
}
