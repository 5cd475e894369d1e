// Element chains of lines and polygons: insertion, walks, types and the
// three-point arc middles.
#include <cstdlib>
#include <new>

#include "kv2gr_internal.h"

// An element's record and user data share one slot of its container's pool.
LiElm* pGrElmNew(LiLine* line, const GeoPnt3* p) {
  GrPool* pool = &pGrLines(line)->elms;
  void* slot = pGrPoolAlloc(pool);
  if (!slot) return nullptr;
  LiElm* e = new (slot) LiElm;
  e->owner = line;
  if (p) e->p = *p;
  return e;
}

void vGrElmFree(LiElm* e) {
  LiLines* c = pGrLines(e->owner);
  if (e->hasShape) c->shapes.erase(e);
  vGrPoolFree(&c->elms, e);
}

const LiElmShape& rGrShape(const LiElm* e) {
  static const LiElmShape kNone;
  return e->hasShape ? pGrLines(e->owner)->shapes.find(e)->second : kNone;
}

LiElmShape* pGrShapeOf(LiElm* e) { return e->hasShape ? &pGrLines(e->owner)->shapes.find(e)->second : nullptr; }

LiElmShape* pGrShapeFor(LiElm* e) {
  try {
    LiElmShape* shape = &pGrLines(e->owner)->shapes[e];
    e->hasShape = true;
    return shape;
  } catch (...) {
    return nullptr;
  }
}

void vGrShapeSwap(LiElm* a, LiElm* b) {
  if (!a->hasShape && !b->hasShape) return;
  auto& shapes = pGrLines(a->owner)->shapes;
  if (a->hasShape && b->hasShape) {
    std::swap(shapes.find(a)->second, shapes.find(b)->second);
    return;
  }
  // One of them has parameters: its map entry moves to the other one.
  LiElm* from = a->hasShape ? a : b;
  LiElm* to = from == a ? b : a;
  auto node = shapes.extract(from);
  node.key() = to;
  shapes.insert(std::move(node));
  from->hasShape = false;
  to->hasShape = true;
}

// Takes an element of the plain chain out and frees it with its arc middle;
// the final type (98, or a sub-line end set on the last element) moves to the
// new last element.
void vGrElmRemove(LiLine* line, LiElm* e) {
  bool wasLast = e == line->last;
  int lastType = e->type;
  vGrChainUnlink(line, e);
  if (pGrMiddle(e)) vGrElmFree(pGrMiddle(e));
  vGrElmFree(e);
  if (wasLast && line->last) {
    LiElm* l = line->last;
    if (l->type == KV2GR_ELM_ARC3P && pGrMiddle(l)) {
      vGrElmFree(pGrMiddle(l));
      l->arc = nullptr;
    }
    if (l->type != KV2GR_ELM_SUBEND) l->type = lastType == KV2GR_ELM_SUBEND ? KV2GR_ELM_SUBEND : KV2GR_ELM_LAST;
  }
}

LiElm* pGrElmAppend(LiLine* line, const GeoPnt3* p) {
  LiElm* e = pGrElmNew(line, p);
  if (!e) return nullptr;
  if (line->last && line->last->type == KV2GR_ELM_LAST) line->last->type = KV2GR_ELM_STRAIGHT;
  vGrChainLinkBefore<LiLine, LiElm>(line, e, nullptr);
  e->type = KV2GR_ELM_LAST;
  return e;
}

LiElm* pGrElmEnd(LiLine* line, LiElm* e) {
  if (e->isMiddle) return nullptr;
  if (e->type != KV2GR_ELM_SUBEND && e != line->last) return e->next;
  // A sub-line's end: a polygon's ring closes back to the sub-line's first
  // element, an open line's sub-line ends here.
  if (!line->polygon) return nullptr;
  LiElm* f = e;
  while (f->prev && f->prev->type != KV2GR_ELM_SUBEND) f = f->prev;
  return f != e ? f : nullptr;
}

extern "C" {

LiElm* LiLineAddP(LiLine* line, LiElm* before, const GeoPnt3* p) {
  if (!line) return nullptr;
  if (!before) return pGrElmAppend(line, p);
  if (before->owner != line || before->isMiddle) return nullptr;
  LiElm* e = pGrElmNew(line, p);
  if (!e) return nullptr;
  vGrChainLinkBefore(line, e, before);
  e->type = KV2GR_ELM_STRAIGHT;
  return e;
}

LiElm* LiLineAddPoint(LiLine* line, LiElm* before) { return LiLineAddP(line, before, nullptr); }
YgElm* YgPolygonAddPoint(YgPolygon* poly, YgElm* before) { return LiLineAddP(poly, before, nullptr); }

LiElm* LiElmGetFirst(LiLine* line) { return line ? line->first : nullptr; }
LiElm* LiElmGetLast(LiLine* line) { return line ? line->last : nullptr; }

LiElm* LiElmGetNext(LiLine*, LiElm* elm) {
  if (!elm) return nullptr;
  return elm->isMiddle ? elm->arc->next : elm->next;
}

LiElm* LiElmGetPrev(LiLine*, LiElm* elm) {
  if (!elm) return nullptr;
  return elm->isMiddle ? elm->arc : elm->prev;
}

void* LiElmGetData(LiLine*, LiElm* elm) {
  return elm ? reinterpret_cast<char*>(elm) + uGrDataAt(sizeof(LiElm)) : nullptr;
}

void vLiElmGetP(LiLine*, LiElm* elm, GeoPnt3* p) {
  if (!p) return;
  if (elm)
    *p = elm->p;
  else
    *p = GeoPnt3{0, 0, 0};
}

void vLiElmGetP2d(LiLine*, LiElm* elm, GeoPnt2* p) {
  if (!p) return;
  p->x = elm ? elm->p.x : 0.0;
  p->y = elm ? elm->p.y : 0.0;
}

void vLiElmSetP(LiLine*, LiElm* elm, const GeoPnt3* p) {
  if (elm && p) elm->p = *p;
}

void vLiElmSetP2d(LiLine*, LiElm* elm, const GeoPnt2* p) {
  if (!elm || !p) return;
  elm->p.x = p->x;
  elm->p.y = p->y;
}

int LiElmGetType(LiLine*, LiElm* elm) { return elm ? elm->type : 0; }

bool boLiElmSetType(LiLine* line, LiElm* elm, int type) {
  if (!line || !elm || elm->owner != line) return false;
  if (type != KV2GR_ELM_STRAIGHT && type != KV2GR_ELM_ARC2P && type != KV2GR_ELM_ARC3P && type != KV2GR_ELM_CLOTHOID &&
      type != KV2GR_ELM_SUBEND && type != KV2GR_ELM_LAST)
    return false;
  if (elm->isMiddle) return type == KV2GR_ELM_STRAIGHT;  // a middle is always plain
  if (elm == line->last) {
    if (type == KV2GR_ELM_SUBEND) {
      elm->type = type;
      return true;
    }
    if (type == KV2GR_ELM_LAST || type == KV2GR_ELM_STRAIGHT) {
      elm->type = KV2GR_ELM_LAST;
      return true;
    }
    return false;
  }
  if (type == KV2GR_ELM_LAST) return false;
  if (type == elm->type) return true;
  if (type == KV2GR_ELM_ARC3P) {
    LiElm* mid = elm->next;
    if (!mid || mid == line->last || mid->type != KV2GR_ELM_STRAIGHT) return false;
    vGrChainUnlink(line, mid);
    mid->arc = elm;
    mid->isMiddle = true;
    elm->arc = mid;
  } else if (elm->type == KV2GR_ELM_ARC3P && pGrMiddle(elm)) {
    // The middle goes back into the chain where it came from.
    LiElm* mid = elm->arc;
    elm->arc = nullptr;
    mid->arc = nullptr;
    mid->isMiddle = false;
    vGrChainLinkBefore(line, mid, elm->next);
  }
  elm->type = static_cast<uint8_t>(type);
  return true;
}

LiElm* LiElmGet3pArcElm2(LiLine*, LiElm* elm) {
  return (elm && elm->type == KV2GR_ELM_ARC3P) ? pGrMiddle(elm) : nullptr;
}

YgElm* YgElmGetFirst(YgPolygon* poly) { return LiElmGetFirst(poly); }
YgElm* YgElmGetNext(YgPolygon* poly, YgElm* elm) { return LiElmGetNext(poly, elm); }
YgElm* YgElmGetPrev(YgPolygon* poly, YgElm* elm) { return LiElmGetPrev(poly, elm); }
void* YgElmGetData(YgPolygon* poly, YgElm* elm) { return LiElmGetData(poly, elm); }
void vYgElmGetP(YgPolygon* poly, YgElm* elm, GeoPnt3* p) { vLiElmGetP(poly, elm, p); }
void vYgElmGetP2d(YgPolygon* poly, YgElm* elm, GeoPnt2* p) { vLiElmGetP2d(poly, elm, p); }
void vYgElmSetP(YgPolygon* poly, YgElm* elm, const GeoPnt3* p) { vLiElmSetP(poly, elm, p); }

bool boLiLineElmsCopy(LiLine* dst, const LiLine* src) {
  if (!dst || !src) return false;
  // Walk a count taken first, so that copying a line onto itself ends.
  int n = src->count;
  LiElm* s = src->first;
  for (int i = 0; i < n && s; i++, s = s->next) {
    LiElm* e = pGrElmAppend(dst, &s->p);
    if (!e) return false;
    if (i < n - 1)
      e->type = s->type == KV2GR_ELM_LAST ? KV2GR_ELM_STRAIGHT : s->type;
    else if (s->type == KV2GR_ELM_SUBEND)
      e->type = KV2GR_ELM_SUBEND;
    if (s->hasShape) {
      LiElmShape* shape = pGrShapeFor(e);
      if (!shape) return false;
      *shape = rGrShape(s);
    }
    if (pGrMiddle(s) && e->type == KV2GR_ELM_ARC3P) {
      LiElm* m = pGrElmNew(dst, &pGrMiddle(s)->p);
      if (!m) {
        e->type = KV2GR_ELM_STRAIGHT;
        return false;
      }
      m->arc = e;
      m->isMiddle = true;
      e->arc = m;
    } else if (e->type == KV2GR_ELM_ARC3P) {
      e->type = KV2GR_ELM_STRAIGHT;
    }
  }
  return true;
}

}  // extern "C"
