// Element geometry: arcs, clothoids, lengths, tangents, intersections,
// parallel lines, fillets and the removal of short elements. Plane
// geometry on x (east) and y (north); heights are interpolated along.
#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kv2gr_internal.h"

namespace {

const double kPi = 3.14159265358979323846;
const double kTiny = 1e-12;

double dNorm2Pi(double a) {
  a = std::fmod(a, 2 * kPi);
  if (a < 0) a += 2 * kPi;
  return a;
}

double dDist2(const GeoPnt3& a, const GeoPnt3& b) { return std::hypot(b.x - a.x, b.y - a.y); }

// A circular arc from a to b around c; radius > 0 turns clockwise.
struct GrArc {
  GeoPnt2 c;
  double r;      // signed
  double a0;     // direction from the centre to the start
  double sweep;  // > 0, in the direction of travel
};

double dArcSweep(double a0, double a1, bool cw) { return cw ? dNorm2Pi(a0 - a1) : dNorm2Pi(a1 - a0); }

bool boArcFrom(const GeoPnt3& a, const GeoPnt3& b, const GeoPnt2& c, double r, GrArc* arc) {
  arc->c = c;
  arc->r = r;
  arc->a0 = std::atan2(a.y - c.y, a.x - c.x);
  double a1 = std::atan2(b.y - c.y, b.x - c.x);
  arc->sweep = dArcSweep(arc->a0, a1, r > 0);
  if (arc->sweep < kTiny) arc->sweep = 2 * kPi;  // start equals end: a full turn
  return true;
}

// Centre of a two-point arc (see boLiElmSet2pArc).
bool boArc2pCentre(const GeoPnt3& a, const GeoPnt3& b, double r, int choice, GeoPnt2* c) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double chord = std::hypot(dx, dy);
  double ar = std::fabs(r);
  if (chord < kTiny || ar < kTiny) return false;
  double half = chord / 2;
  double h2 = ar * ar - half * half;
  double h = h2 > 0 ? std::sqrt(h2) : 0.0;
  // Left normal of the chord.
  double nx = -dy / chord, ny = dx / chord;
  bool cw = r > 0;
  // Short arc: centre right of the chord when turning clockwise, left when
  // counter-clockwise; the long arc takes the other side.
  double side = (cw ? -1.0 : 1.0) * (choice ? -1.0 : 1.0);
  c->x = a.x + dx / 2 + side * nx * h;
  c->y = a.y + dy / 2 + side * ny * h;
  return true;
}

bool boCircle3p(const GeoPnt3& a, const GeoPnt3& m, const GeoPnt3& b, GeoPnt2* c, double* signedR) {
  double bx = m.x - a.x, by = m.y - a.y;
  double cx = b.x - a.x, cy = b.y - a.y;
  double d = 2 * (bx * cy - by * cx);
  if (std::fabs(d) < kTiny) return false;
  double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
  double ux = (cy * b2 - by * c2) / d;
  double uy = (bx * c2 - cx * b2) / d;
  c->x = a.x + ux;
  c->y = a.y + uy;
  double r = std::hypot(ux, uy);
  // d < 0: the turn from a over m to b is clockwise.
  *signedR = d < 0 ? r : -r;
  return true;
}

// The element as an arc, when it is one with a usable geometry.
bool boElmArc(LiLine* line, LiElm* e, GrArc* arc) {
  LiElm* end = pGrElmEnd(line, e);
  if (!end) return false;
  if (e->type == KV2GR_ELM_ARC2P) {
    GeoPnt2 c;
    const LiElmShape& shape = rGrShape(e);
    if (!boArc2pCentre(e->p, end->p, shape.radius, shape.centreChoice, &c)) return false;
    return boArcFrom(e->p, end->p, c, shape.radius, arc);
  }
  if (e->type == KV2GR_ELM_ARC3P && pGrMiddle(e)) {
    GeoPnt2 c;
    double r;
    if (!boCircle3p(e->p, pGrMiddle(e)->p, end->p, &c, &r)) return false;
    return boArcFrom(e->p, end->p, c, r, arc);
  }
  return false;
}

// Clothoid in its own frame: curvature (counter-clockwise positive) grows
// linearly from k1 to k2 over the length.
struct GrClothoid {
  double len;
  double k1, k2;
};

double dCurv(double r) { return std::fabs(r) < kTiny ? 0.0 : -1.0 / r; }

bool boElmClothoid(LiElm* e, GrClothoid* cl) {
  if (e->type != KV2GR_ELM_CLOTHOID) return false;
  const LiElmShape& shape = rGrShape(e);
  cl->k1 = dCurv(shape.clR1);
  cl->k2 = dCurv(shape.clR2);
  cl->len = shape.clA * shape.clA * std::fabs(cl->k2 - cl->k1);
  return cl->len > kTiny;
}

double dClothoidTheta(const GrClothoid& cl, double s) { return cl.k1 * s + (cl.k2 - cl.k1) * s * s / (2 * cl.len); }

// Local point at s (Simpson integration of the tangent).
void vClothoidLocal(const GrClothoid& cl, double s, double* x, double* y) {
  const int n = 64;
  double h = s / n, sx = 0, sy = 0;
  for (int i = 0; i <= n; i++) {
    double w = (i == 0 || i == n) ? 1 : (i % 2 ? 4 : 2);
    double t = dClothoidTheta(cl, h * i);
    sx += w * std::cos(t);
    sy += w * std::sin(t);
  }
  *x = sx * h / 3;
  *y = sy * h / 3;
}

// Rotation that brings the local clothoid onto the actual chord.
bool boClothoidPlace(const GrClothoid& cl, const GeoPnt3& a, const GeoPnt3& b, double* rot) {
  double lx, ly;
  vClothoidLocal(cl, cl.len, &lx, &ly);
  if (std::hypot(lx, ly) < kTiny || dDist2(a, b) < kTiny) return false;
  *rot = std::atan2(b.y - a.y, b.x - a.x) - std::atan2(ly, lx);
  return true;
}

// An element's path as a function of t in [0, 1]; heights run linearly.
struct GrPath {
  int kind = 0;  // 0 straight, 1 arc, 2 clothoid
  GeoPnt3 a{0, 0, 0}, b{0, 0, 0};
  GrArc arc{};
  GrClothoid cl{};
  double cr = 1, sr = 0;
};

bool boElmPath(LiLine* line, LiElm* e, GrPath* path) {
  LiElm* end = pGrElmEnd(line, e);
  if (!end) return false;
  path->a = e->p;
  path->b = end->p;
  double rot;
  if (boElmArc(line, e, &path->arc)) {
    path->kind = 1;
  } else if (boElmClothoid(e, &path->cl) && boClothoidPlace(path->cl, e->p, end->p, &rot)) {
    path->kind = 2;
    path->cr = std::cos(rot);
    path->sr = std::sin(rot);
  }
  return true;
}

GeoPnt3 pathAt(const GrPath& p, double t) {
  if (t <= 0) return p.a;
  if (t >= 1) return p.b;
  double z = p.a.z + (p.b.z - p.a.z) * t;
  if (p.kind == 1) {
    double ang = p.arc.a0 + (p.arc.r > 0 ? -1.0 : 1.0) * p.arc.sweep * t;
    double r = std::fabs(p.arc.r);
    return GeoPnt3{p.arc.c.x + r * std::cos(ang), p.arc.c.y + r * std::sin(ang), z};
  }
  if (p.kind == 2) {
    double lx, ly;
    vClothoidLocal(p.cl, p.cl.len * t, &lx, &ly);
    return GeoPnt3{p.a.x + lx * p.cr - ly * p.sr, p.a.y + lx * p.sr + ly * p.cr, z};
  }
  return GeoPnt3{p.a.x + (p.b.x - p.a.x) * t, p.a.y + (p.b.y - p.a.y) * t, z};
}

// Directions at both ends of an element, and whether it is straight.
bool boElmDirs(LiLine* line, LiElm* e, double* d0, double* d1) {
  LiElm* end = pGrElmEnd(line, e);
  if (!end) return false;
  GrArc arc;
  GrClothoid cl;
  double rot;
  if (boElmArc(line, e, &arc)) {
    double turn = arc.r > 0 ? -kPi / 2 : kPi / 2;
    double a1 = arc.a0 + (arc.r > 0 ? -arc.sweep : arc.sweep);
    *d0 = dNorm2Pi(arc.a0 + turn);
    *d1 = dNorm2Pi(a1 + turn);
    return true;
  }
  if (boElmClothoid(e, &cl) && boClothoidPlace(cl, e->p, end->p, &rot)) {
    *d0 = dNorm2Pi(rot);
    *d1 = dNorm2Pi(rot + dClothoidTheta(cl, cl.len));
    return true;
  }
  if (dDist2(e->p, end->p) < kTiny) return false;
  *d0 = *d1 = dNorm2Pi(std::atan2(end->p.y - e->p.y, end->p.x - e->p.x));
  return true;
}

bool boElmIsStraight(LiLine* line, LiElm* e) {
  GrArc arc;
  GrClothoid cl;
  return !boElmArc(line, e, &arc) && !boElmClothoid(e, &cl);
}

bool boLineCross(const GeoPnt2& p, double dp, const GeoPnt2& q, double dq, GeoPnt2* out) {
  double rx = std::cos(dp), ry = std::sin(dp), sx = std::cos(dq), sy = std::sin(dq);
  double den = rx * sy - ry * sx;
  if (std::fabs(den) < 1e-9) return false;
  double t = ((q.x - p.x) * sy - (q.y - p.y) * sx) / den;
  out->x = p.x + rx * t;
  out->y = p.y + ry * t;
  return true;
}

// An element shifted sideways: its shifted ends and directions there, and
// for an arc the centre and the shifted radius.
struct GrOffsetSeg {
  bool has = false, straight = false, arc = false;
  GeoPnt2 p0{0, 0}, p1{0, 0};
  double d0 = 0, d1 = 0;
  GeoPnt2 c{0, 0};
  double rr = 0;
};

// Crossings of the line through p in direction dir with a circle.
int iLineCircle(const GeoPnt2& p, double dir, const GeoPnt2& c, double r, GeoPnt2 out[2]) {
  double ux = std::cos(dir), uy = std::sin(dir);
  double wx = p.x - c.x, wy = p.y - c.y;
  double b = ux * wx + uy * wy;
  double disc = b * b - (wx * wx + wy * wy - r * r);
  if (disc < 0) return 0;
  double h = std::sqrt(disc);
  out[0] = GeoPnt2{p.x + ux * (-b - h), p.y + uy * (-b - h)};
  out[1] = GeoPnt2{p.x + ux * (-b + h), p.y + uy * (-b + h)};
  return 2;
}

int iCircleCircle(const GeoPnt2& c1, double r1, const GeoPnt2& c2, double r2, GeoPnt2 out[2]) {
  double dx = c2.x - c1.x, dy = c2.y - c1.y;
  double d = std::hypot(dx, dy);
  if (d < kTiny || d > r1 + r2 || d < std::fabs(r1 - r2)) return 0;
  double a = (r1 * r1 - r2 * r2 + d * d) / (2 * d);
  double h2 = r1 * r1 - a * a;
  double h = h2 > 0 ? std::sqrt(h2) : 0.0;
  double bx = c1.x + a * dx / d, by = c1.y + a * dy / d;
  out[0] = GeoPnt2{bx - h * dy / d, by + h * dx / d};
  out[1] = GeoPnt2{bx + h * dy / d, by - h * dx / d};
  return 2;
}

// Where the shifted elements in (ending at a vertex) and out (starting
// there) meet: straight ones where their lines cross, arcs on their shifted
// circles, so that arcs keep their centres; of two meeting points the one
// nearer to the shifted vertex. False when they do not meet (or for
// clothoids): the caller takes the point halfway.
bool boOffsetMeet(const GrOffsetSeg& in, const GrOffsetSeg& out, GeoPnt2* x) {
  if (in.straight && out.straight) return boLineCross(in.p1, in.d1, out.p0, out.d0, x);
  GeoPnt2 cand[2];
  int n = 0;
  if (in.straight && out.arc)
    n = iLineCircle(in.p1, in.d1, out.c, out.rr, cand);
  else if (in.arc && out.straight)
    n = iLineCircle(out.p0, out.d0, in.c, in.rr, cand);
  else if (in.arc && out.arc)
    n = iCircleCircle(in.c, in.rr, out.c, out.rr, cand);
  if (n == 0) return false;
  GeoPnt2 guess{(in.p1.x + out.p0.x) / 2, (in.p1.y + out.p0.y) / 2};
  auto dist = [&guess](const GeoPnt2& q) { return std::hypot(q.x - guess.x, q.y - guess.y); };
  *x = dist(cand[0]) <= dist(cand[1]) ? cand[0] : cand[1];
  return true;
}

}  // namespace

extern "C" {

bool boLiElmSet2pArc(LiLine* line, LiElm* elm, double radius, int centreChoice) {
  if (!line || !elm || elm->owner != line || elm->isMiddle) return false;
  // On a three-point arc's start the middle goes back into the chain and
  // becomes the far end: the radius must fit that chord.
  LiElm* end = elm->type == KV2GR_ELM_ARC3P && pGrMiddle(elm) ? pGrMiddle(elm) : pGrElmEnd(line, elm);
  if (!end || elm == line->last) return false;
  double chord = dDist2(elm->p, end->p);
  if (chord < kTiny || std::fabs(radius) < chord / 2 * (1 - 1e-9)) return false;
  LiElmShape* shape = pGrShapeFor(elm);
  if (!shape || !boLiElmSetType(line, elm, KV2GR_ELM_ARC2P)) return false;
  shape->radius = radius;
  shape->centreChoice = centreChoice ? 1 : 0;
  return true;
}

bool boLiElmGet2pArc(LiLine*, LiElm* elm, double* radius) {
  if (!elm || elm->type != KV2GR_ELM_ARC2P) return false;
  if (radius) *radius = rGrShape(elm).radius;
  return true;
}

bool boLiElmGetRadius(LiLine* line, LiElm* elm, double* radius) {
  if (!line || !elm) return false;
  GrArc arc;
  if (!boElmArc(line, elm, &arc)) return false;
  if (radius) *radius = arc.r;
  return true;
}

bool boLiElmGetCenterP(LiLine* line, LiElm* elm, GeoPnt2* centre) {
  if (!line || !elm) return false;
  GrArc arc;
  if (!boElmArc(line, elm, &arc)) return false;
  if (centre) *centre = arc.c;
  return true;
}

bool boLiElmSetClotoide(LiLine* line, LiElm* elm, double a, double rStart, double rEnd) {
  if (!line || !elm || elm->owner != line || elm->isMiddle || elm == line->last) return false;
  if (!(a > 0) || !std::isfinite(rStart) || !std::isfinite(rEnd)) return false;
  LiElmShape* shape = pGrShapeFor(elm);
  if (!shape || !boLiElmSetType(line, elm, KV2GR_ELM_CLOTHOID)) return false;
  shape->clA = a;
  shape->clR1 = rStart;
  shape->clR2 = rEnd;
  return true;
}

bool boLiElmGetClotoide(LiLine*, LiElm* elm, double* a, double* rStart, double* rEnd) {
  if (!elm || elm->type != KV2GR_ELM_CLOTHOID) return false;
  const LiElmShape& shape = rGrShape(elm);
  if (a) *a = shape.clA;
  if (rStart) *rStart = shape.clR1;
  if (rEnd) *rEnd = shape.clR2;
  return true;
}

double dLiElmLength(LiLine* line, LiElm* elm) {
  if (!line || !elm) return 0.0;
  LiElm* end = pGrElmEnd(line, elm);
  if (!end) return 0.0;
  GrArc arc;
  GrClothoid cl;
  if (boElmArc(line, elm, &arc)) return std::fabs(arc.r) * arc.sweep;
  if (boElmClothoid(elm, &cl)) return cl.len;
  return dDist2(elm->p, end->p);
}

double dLiLineLength(LiLine* line) {
  if (!line) return 0.0;
  double sum = 0;
  for (LiElm* e = line->first; e; e = e->next) sum += dLiElmLength(line, e);
  return sum;
}

bool boLiElmEndDirs(LiLine* line, LiElm* elm, double* dirStart, double* dirEnd) {
  if (!line || !elm) return false;
  double d0, d1;
  if (!boElmDirs(line, elm, &d0, &d1)) return false;
  if (dirStart) *dirStart = d0;
  if (dirEnd) *dirEnd = d1;
  return true;
}

int iLiElmIntersectLine(LiLine* line, LiElm* elm, const GeoPnt2* a, const GeoPnt2* b, GeoPnt3* out) {
  if (!line || !elm || !a || !b) return 0;
  GrPath path;
  if (!boElmPath(line, elm, &path)) return 0;
  double sx = b->x - a->x, sy = b->y - a->y;
  double slen2 = sx * sx + sy * sy;
  if (slen2 < kTiny * kTiny) return 0;
  // Side of the segment's line, and position along it.
  auto side = [&](const GeoPnt3& p) { return sx * (p.y - a->y) - sy * (p.x - a->x); };
  auto along = [&](const GeoPnt3& p) { return (sx * (p.x - a->x) + sy * (p.y - a->y)) / slen2; };
  // A straight element crosses at most once; curves are scanned in steps and
  // each change of side is closed in on by bisection.
  const int n = path.kind == 0 ? 1 : 256;
  int hits = 0;
  double lastT = -1;
  GeoPnt3 p0 = pathAt(path, 0);
  double s0 = side(p0);
  for (int i = 1; i <= n; i++) {
    double t0 = static_cast<double>(i - 1) / n, t1 = static_cast<double>(i) / n;
    GeoPnt3 p1 = pathAt(path, t1);
    double s1 = side(p1);
    double t;
    if (s0 == 0) {
      t = t0;
    } else if (s1 == 0) {
      t = t1;
    } else if ((s0 < 0) != (s1 < 0)) {
      if (path.kind == 0) {
        t = s0 / (s0 - s1);
      } else {
        double lo = t0, hi = t1, slo = s0;
        for (int k = 0; k < 60; k++) {
          double mid = (lo + hi) / 2;
          double sm = side(pathAt(path, mid));
          if ((sm < 0) == (slo < 0)) {
            lo = mid;
            slo = sm;
          } else {
            hi = mid;
          }
        }
        t = (lo + hi) / 2;
      }
    } else {
      p0 = p1;
      s0 = s1;
      continue;
    }
    p0 = p1;
    s0 = s1;
    if (t - lastT < 1e-12) continue;  // a crossing at a step boundary counts once
    GeoPnt3 x = pathAt(path, t);
    if (path.kind == 0) x.z = path.a.z + (path.b.z - path.a.z) * t;
    double u = along(x);
    if (u < -1e-9 || u > 1 + 1e-9) continue;
    if (hits == 0 && out) *out = x;
    lastT = t;
    hits++;
  }
  return hits;
}

bool boViIsCommonPoint(const GeoPnt2* a, const GeoPnt2* b) {
  if (!a || !b) return false;
  return std::fabs(a->x - b->x) <= KV2GR_COMMON_POINT_TOL && std::fabs(a->y - b->y) <= KV2GR_COMMON_POINT_TOL;
}

bool boLiLineParallel(LiLine* line, double offset) {
  if (!line || line->count < 2) return false;
  if (offset == 0) return true;
  try {
    std::vector<LiElm*> elms;
    for (LiElm* e = line->first; e; e = e->next) elms.push_back(e);
    size_t n = elms.size();
    // Offset ends of each element: to the right of the travel direction.
    std::vector<GrOffsetSeg> segs(n);
    auto shift = [offset](const GeoPnt3& p, double dir) {
      return GeoPnt2{p.x + std::sin(dir) * offset, p.y - std::cos(dir) * offset};
    };
    for (size_t i = 0; i < n; i++) {
      LiElm* e = elms[i];
      LiElm* end = pGrElmEnd(line, e);
      double d0, d1;
      if (!end || !boElmDirs(line, e, &d0, &d1)) continue;
      segs[i].has = true;
      segs[i].straight = boElmIsStraight(line, e);
      segs[i].d0 = d0;
      segs[i].d1 = d1;
      segs[i].p0 = shift(e->p, d0);
      segs[i].p1 = shift(end->p, d1);
      GrArc arc;
      if (boElmArc(line, e, &arc)) {
        segs[i].arc = true;
        segs[i].c = arc.c;
        segs[i].rr = std::fabs(arc.r - offset);
      }
    }
    // New radii first: a radius that would vanish or turn refuses the shift.
    for (LiElm* e : elms) {
      GrArc arc;
      if (e->type == KV2GR_ELM_ARC2P || e->type == KV2GR_ELM_ARC3P) {
        if (boElmArc(line, e, &arc) && (arc.r - offset) * arc.r <= 0) return false;
      } else if (e->type == KV2GR_ELM_CLOTHOID) {
        const LiElmShape& shape = rGrShape(e);
        if ((shape.clR1 != 0 && (shape.clR1 - offset) * shape.clR1 <= 0) ||
            (shape.clR2 != 0 && (shape.clR2 - offset) * shape.clR2 <= 0))
          return false;
      }
    }
    // Which element's segment ends at each vertex (n: none).
    std::unordered_map<LiElm*, size_t> at;
    for (size_t i = 0; i < n; i++) at.emplace(elms[i], i);
    std::vector<size_t> inOf(n, n);
    for (size_t i = 0; i < n; i++) {
      LiElm* end = pGrElmEnd(line, elms[i]);
      if (end) inOf[at[end]] = i;
    }
    std::vector<GeoPnt2> np(n);
    std::vector<GeoPnt2> mids(n);
    for (size_t i = 0; i < n; i++) {
      LiElm* e = elms[i];
      if (e->type == KV2GR_ELM_ARC3P && pGrMiddle(e)) {
        GrArc arc;
        if (boElmArc(line, e, &arc)) {
          double ang = std::atan2(pGrMiddle(e)->p.y - arc.c.y, pGrMiddle(e)->p.x - arc.c.x);
          double rr = std::fabs(arc.r - offset);
          mids[i] = GeoPnt2{arc.c.x + rr * std::cos(ang), arc.c.y + rr * std::sin(ang)};
        } else {
          mids[i] = GeoPnt2{pGrMiddle(e)->p.x, pGrMiddle(e)->p.y};
        }
      }
      // The segment that ends at this vertex.
      const GrOffsetSeg* in = inOf[i] < n && segs[inOf[i]].has ? &segs[inOf[i]] : nullptr;
      const GrOffsetSeg* out = segs[i].has ? &segs[i] : nullptr;
      if (in && out) {
        GeoPnt2 x;
        if (!boOffsetMeet(*in, *out, &x)) x = GeoPnt2{(in->p1.x + out->p0.x) / 2, (in->p1.y + out->p0.y) / 2};
        np[i] = x;
      } else if (out) {
        np[i] = out->p0;
      } else if (in) {
        np[i] = in->p1;
      } else {
        np[i] = GeoPnt2{e->p.x, e->p.y};
      }
    }
    for (size_t i = 0; i < n; i++) {
      LiElm* e = elms[i];
      e->p.x = np[i].x;
      e->p.y = np[i].y;
      if (e->type == KV2GR_ELM_ARC2P) {
        if (LiElmShape* shape = pGrShapeFor(e)) shape->radius -= offset;
      }
      if (e->type == KV2GR_ELM_ARC3P && pGrMiddle(e)) {
        pGrMiddle(e)->p.x = mids[i].x;
        pGrMiddle(e)->p.y = mids[i].y;
      }
      LiElmShape* shape = pGrShapeOf(e);
      if (e->type == KV2GR_ELM_CLOTHOID && shape) {
        if (shape->clR1 != 0) shape->clR1 -= offset;
        if (shape->clR2 != 0) shape->clR2 -= offset;
      }
    }
    return true;
  } catch (...) {
    return false;
  }
}

int iLiLineFillet(LiLine* line, LiElm* e1, LiElm* e2, double r) {
  if (!line || !e1 || !e2 || e1->owner != line || e2->owner != line || e1->next != e2 || !(r > 0)) return 0;
  LiElm* e3 = e2->next;
  if (!e3 || e1->type != KV2GR_ELM_STRAIGHT || e2->type != KV2GR_ELM_STRAIGHT) return 0;
  GeoPnt3 p1 = e1->p, p2 = e2->p, p3 = e3->p;
  double l1 = dDist2(p2, p1), l2 = dDist2(p2, p3);
  if (l1 < kTiny || l2 < kTiny) return 0;
  double u1x = (p1.x - p2.x) / l1, u1y = (p1.y - p2.y) / l1;
  double u2x = (p3.x - p2.x) / l2, u2y = (p3.y - p2.y) / l2;
  double cosA = u1x * u2x + u1y * u2y;
  if (cosA > 1) cosA = 1;
  if (cosA < -1) cosA = -1;
  double alpha = std::acos(cosA);
  if (alpha < 1e-9 || alpha > kPi - 1e-9) return 0;
  double t = r / std::tan(alpha / 2);
  if (t > l1 * (1 + 1e-9) || t > l2 * (1 + 1e-9)) return 0;
  GeoPnt3 t1{p2.x + u1x * t, p2.y + u1y * t, p2.z + (p1.z - p2.z) * (t / l1)};
  GeoPnt3 t2{p2.x + u2x * t, p2.y + u2y * t, p2.z + (p3.z - p2.z) * (t / l2)};
  double cross = (p2.x - p1.x) * (p3.y - p2.y) - (p2.y - p1.y) * (p3.x - p2.x);
  LiElmShape* shape = pGrShapeFor(e2);
  if (!shape) return 0;
  LiElm* n = LiLineAddP(line, e3, &t2);
  if (!n) return 0;
  e2->p = t1;
  e2->type = KV2GR_ELM_ARC2P;
  shape->radius = cross < 0 ? r : -r;  // a right turn runs clockwise
  shape->centreChoice = 0;
  return 1;
}

int iLiLineRemoveShortElements(LiLine* line, double tol) {
  if (!line) return 0;
  int removed = 0;
  auto len = [line](const GeoPnt3& a, const GeoPnt3& b) {
    double d = dDist2(a, b);
    return line->is3d ? std::hypot(d, b.z - a.z) : d;
  };
  LiElm* e = line->first;
  while (e && e->next) {
    LiElm* n = e->next;
    if (e->type != KV2GR_ELM_STRAIGHT || len(e->p, n->p) > tol) {
      e = n;
      continue;
    }
    if (n != line->last) {
      // e takes over what n started.
      e->type = n->type;
      vGrShapeSwap(e, n);  // e's own go with n
      e->arc = n->arc;
      if (e->arc) e->arc->arc = e;
      n->arc = nullptr;
      vGrElmRemove(line, n);
    } else if (e != line->first && e->prev->type == KV2GR_ELM_STRAIGHT) {
      LiElm* p = e->prev;
      vGrElmRemove(line, e);
      e = p;
    } else {
      vGrElmRemove(line, n);
    }
    removed++;
  }
  // A polygon's closing point repeating the first one of its ring (the last
  // sub-line), while the ring keeps at least two vertices.
  while (line->polygon && line->last) {
    LiElm* last = line->last;
    LiElm* first = pGrElmEnd(line, last);
    if (!first || first == last->prev || last->prev->type != KV2GR_ELM_STRAIGHT || len(last->p, first->p) > tol) break;
    vGrElmRemove(line, last);
    removed++;
  }
  return removed;
}

}  // extern "C"
