#include "base/geometry.h"

#include <cmath>
#include <cstring>

#include "base/text.h"
#include "win32.h"

namespace {

constexpr double kTurn = 2.0 * M_PI;

}  // namespace

// ---------------------------------------------------------------- points

GeoPnt2* pGeoPnt2Set(GeoPnt2* p, double x, double y) {
  p->x = x;
  p->y = y;
  return p;
}
void vGeoPnt2Set(GeoPnt2* p, double x, double y) { pGeoPnt2Set(p, x, y); }
GeoPnt2* pGeoPnt2Zero(GeoPnt2* p) { return pGeoPnt2Set(p, 0.0, 0.0); }
GeoPnt2* pGeoPnt2Copy(GeoPnt2* dst, const GeoPnt2* src) {
  *dst = *src;
  return dst;
}
void vGeoPnt2Copy(GeoPnt2* dst, const GeoPnt2* src) { *dst = *src; }
GeoPnt2* pGeoPnt2FromInt(GeoPnt2* p, int32_t x, int32_t y) { return pGeoPnt2Set(p, x, y); }

GeoPnt3* pGeoPnt3Set(GeoPnt3* p, double x, double y, double z) {
  p->x = x;
  p->y = y;
  p->z = z;
  return p;
}
void vGeoPnt3Set(GeoPnt3* p, double x, double y, double z) { pGeoPnt3Set(p, x, y, z); }
GeoPnt3* pGeoPnt3Zero(GeoPnt3* p) { return pGeoPnt3Set(p, 0.0, 0.0, 0.0); }
GeoPnt3* pGeoPnt3Copy(GeoPnt3* dst, const GeoPnt3* src) {
  *dst = *src;
  return dst;
}
void vGeoPnt3Copy(GeoPnt3* dst, const GeoPnt3* src) { *dst = *src; }
GeoPnt3* pGeoPnt3FromInt(GeoPnt3* p, int32_t x, int32_t y, int32_t z) { return pGeoPnt3Set(p, x, y, z); }
GeoPnt3* pGeoPnt3FromPnt2(GeoPnt3* dst, const GeoPnt2* src) { return pGeoPnt3Set(dst, src->x, src->y, 0.0); }
void vGeoPnt3FromPnt2(GeoPnt3* dst, const GeoPnt2* src) { pGeoPnt3FromPnt2(dst, src); }

// ---------------------------------------------------------------- boxes

namespace {

// The emptiness rule, per axis pair.
bool boAxisBlank(double mn, double mx) { return mn >= 99999999.899999 || mx < mn - 1e-6; }

// Widens one axis of a box to hold a value.
void vAxisExtend(double* mn, double* mx, double v) {
  if (v < *mn) *mn = v;
  if (v > *mx) *mx = v;
}

// The 2D box around the x and y of two points of either kind.
template <class P>
GeoBox2* pBox2Around(GeoBox2* b, const P* p1, const P* p2) {
  return pGeoBox2Set(b, std::fmin(p1->x, p2->x), std::fmin(p1->y, p2->y), std::fmax(p1->x, p2->x),
                     std::fmax(p1->y, p2->y));
}

}  // namespace

GeoBox3* pGeoBox3Set(GeoBox3* b, double xmin, double ymin, double zmin, double xmax, double ymax, double zmax) {
  b->xmin = xmin;
  b->ymin = ymin;
  b->zmin = zmin;
  b->xmax = xmax;
  b->ymax = ymax;
  b->zmax = zmax;
  return b;
}
GeoBox3* pGeoBox3Init(GeoBox3* b) {
  return pGeoBox3Set(b, GEO_BOX_EMPTY_MIN, GEO_BOX_EMPTY_MIN, GEO_BOX_EMPTY_MIN, GEO_BOX_EMPTY_MAX, GEO_BOX_EMPTY_MAX,
                     GEO_BOX_EMPTY_MAX);
}
void vGeoBox3Init(GeoBox3* b) { pGeoBox3Init(b); }
GeoBox3* pGeoBox3FromPnts(GeoBox3* b, const GeoPnt3* p1, const GeoPnt3* p2) {
  return pGeoBox3Set(b, std::fmin(p1->x, p2->x), std::fmin(p1->y, p2->y), std::fmin(p1->z, p2->z),
                     std::fmax(p1->x, p2->x), std::fmax(p1->y, p2->y), std::fmax(p1->z, p2->z));
}
void vGeoBox3Extend(GeoBox3* b, const GeoPnt3* p) {
  vAxisExtend(&b->xmin, &b->xmax, p->x);
  vAxisExtend(&b->ymin, &b->ymax, p->y);
  vAxisExtend(&b->zmin, &b->zmax, p->z);
}
bool boGeoBox3Contains(const GeoBox3* b, const GeoPnt3* p) {
  return p->x >= b->xmin && p->x <= b->xmax && p->y >= b->ymin && p->y <= b->ymax && p->z >= b->zmin && p->z <= b->zmax;
}
bool boGeoBox3IsEmpty(const GeoBox3* b) {
  if (boAxisBlank(b->xmin, b->xmax) || boAxisBlank(b->ymin, b->ymax) || boAxisBlank(b->zmin, b->zmax)) return true;
  return std::fabs(dGeoBox3Dx(b)) < 1e-5 && std::fabs(dGeoBox3Dy(b)) < 1e-5 && std::fabs(dGeoBox3Dz(b)) < 1e-5;
}
double dGeoBox3Dx(const GeoBox3* b) { return b->xmax - b->xmin; }
double dGeoBox3Dy(const GeoBox3* b) { return b->ymax - b->ymin; }
double dGeoBox3Dz(const GeoBox3* b) { return b->zmax - b->zmin; }

GeoBox2* pGeoBox2Set(GeoBox2* b, double xmin, double ymin, double xmax, double ymax) {
  b->xmin = xmin;
  b->ymin = ymin;
  b->xmax = xmax;
  b->ymax = ymax;
  return b;
}
GeoBox2* pGeoBox2Init(GeoBox2* b) {
  return pGeoBox2Set(b, GEO_BOX_EMPTY_MIN, GEO_BOX_EMPTY_MIN, GEO_BOX_EMPTY_MAX, GEO_BOX_EMPTY_MAX);
}
void vGeoBox2Init(GeoBox2* b) { pGeoBox2Init(b); }
GeoBox2* pGeoBox2FromPnts(GeoBox2* b, const GeoPnt2* p1, const GeoPnt2* p2) { return pBox2Around(b, p1, p2); }
GeoBox2* pGeoBox2FromPnts3(GeoBox2* b, const GeoPnt3* p1, const GeoPnt3* p2) { return pBox2Around(b, p1, p2); }
bool boGeoBox2IsEmpty(const GeoBox2* b) {
  if (boAxisBlank(b->xmin, b->xmax) || boAxisBlank(b->ymin, b->ymax)) return true;
  return std::fabs(dGeoBox2Dx(b)) < 1e-5 && std::fabs(dGeoBox2Dy(b)) < 1e-5;
}
double dGeoBox2Dx(const GeoBox2* b) { return b->xmax - b->xmin; }
double dGeoBox2Dy(const GeoBox2* b) { return b->ymax - b->ymin; }
double dGeoBox2Area(const GeoBox2* b) { return dGeoBox2Dx(b) * dGeoBox2Dy(b); }
void vGeoBox2ExtendPnt2(GeoBox2* b, const GeoPnt2* p) {
  vAxisExtend(&b->xmin, &b->xmax, p->x);
  vAxisExtend(&b->ymin, &b->ymax, p->y);
}
void vGeoBox2ExtendPnt3(GeoBox2* b, const GeoPnt3* p) {
  vAxisExtend(&b->xmin, &b->xmax, p->x);
  vAxisExtend(&b->ymin, &b->ymax, p->y);
}
void vGeoBox2ExtendBy(const GeoBox2* a, const GeoBox2* b, GeoBox2* out) {
  GeoBox2 r;
  pGeoBox2Set(&r, std::fmin(a->xmin, b->xmin), std::fmin(a->ymin, b->ymin), std::fmax(a->xmax, b->xmax),
              std::fmax(a->ymax, b->ymax));
  *out = r;
}
bool boGeoBox2Overlap(const GeoBox2* a, const GeoBox2* b) {
  return a->xmin <= b->xmax && b->xmin <= a->xmax && a->ymin <= b->ymax && b->ymin <= a->ymax;
}
bool boGeoBox2Intersect(const GeoBox2* a, const GeoBox2* b, GeoBox2* out) {
  if (!boGeoBox2Overlap(a, b)) return false;
  if (out) {
    GeoBox2 r;
    pGeoBox2Set(&r, std::fmax(a->xmin, b->xmin), std::fmax(a->ymin, b->ymin), std::fmin(a->xmax, b->xmax),
                std::fmin(a->ymax, b->ymax));
    *out = r;
  }
  return true;
}
void vGeoBox2Grow(GeoBox2* b, double d) {
  b->xmin -= d;
  b->ymin -= d;
  b->xmax += d;
  b->ymax += d;
}
void vGeoBox2ScaleAboutCentre(GeoBox2* b, double factor) {
  double cx = (b->xmin + b->xmax) / 2.0, cy = (b->ymin + b->ymax) / 2.0;
  double hx = dGeoBox2Dx(b) * factor / 2.0, hy = dGeoBox2Dy(b) * factor / 2.0;
  pGeoBox2Set(b, cx - hx, cy - hy, cx + hx, cy + hy);
}

// ------------------------------------------------ numbers, angles, distances

bool boGeoIsZero(double v) { return v >= -1.7e-300 && v <= 1.7e-300; }
bool boGeoEqual(double a, double b) { return std::fabs(a - b) < 1e-5; }

double dGeoRoundTo(double v, double step) {
  if (step == 0.0) return v;  // no grid: nothing to round to
  return std::round(v / step) * step;
}

double dGeoNormAngle(double a) {
  // fmod instead of a loop of whole turns: a loop never ends for infinities
  // and crawls for huge angles.
  double r = std::fmod(a, kTurn);
  if (r > M_PI)
    r -= kTurn;
  else if (r <= -M_PI)
    r += kTurn;
  return r;
}

double dGeoAngleDiff(double a, double b) {
  if (a < 0.0) a += kTurn;
  if (b < 0.0) b += kTurn;
  double d = a - b;
  if (d > M_PI || d < -M_PI) d -= kTurn * std::round(d / kTurn);
  return d;
}

double dGeoBearing(double x1, double y1, double x2, double y2) {
  double dx = x2 - x1, dy = y2 - y1;
  if (std::fabs(dx) < 0.0001 && std::fabs(dy) < 0.0001) return 0.0;
  return std::atan2(dy, dx);
}
double dGeoBearingPnt(const GeoPnt2* p1, const GeoPnt2* p2) { return dGeoBearing(p1->x, p1->y, p2->x, p2->y); }
double dGeoDist2(double x1, double y1, double x2, double y2) { return std::hypot(x2 - x1, y2 - y1); }
double dGeoDist2Pnt(const GeoPnt2* p1, const GeoPnt2* p2) { return dGeoDist2(p1->x, p1->y, p2->x, p2->y); }
double dGeoDist3Pnt(const GeoPnt3* p1, const GeoPnt3* p2) {
  double dx = p2->x - p1->x, dy = p2->y - p1->y, dz = p2->z - p1->z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}
void vGeoPolarMove(GeoPnt2* p, double d, double a) {
  p->x += d * std::cos(a);
  p->y += d * std::sin(a);
}
void vGeoRotate(GeoPnt2* p, const GeoPnt2* centre, double a) {
  double dx = p->x - centre->x, dy = p->y - centre->y;
  double c = std::cos(a), s = std::sin(a);
  p->x = centre->x + dx * c - dy * s;
  p->y = centre->y + dx * s + dy * c;
}
void vGeoScale(GeoPnt2* p, const GeoPnt2* centre, double factor) {
  p->x = centre->x + (p->x - centre->x) * factor;
  p->y = centre->y + (p->y - centre->y) * factor;
}

// ------------------------------------------------ projection, intersection

int iGeoProjectOnSegment(const GeoPnt2* p, const GeoPnt2* a, const GeoPnt2* b, GeoPnt2* foot) {
  double dx = b->x - a->x, dy = b->y - a->y;
  if (std::fabs(dx) < 1e-5 && std::fabs(dy) < 1e-5) return -1;
  double t = ((p->x - a->x) * dx + (p->y - a->y) * dy) / (dx * dx + dy * dy);
  if (std::isinf(t)) return -1;
  if (foot) pGeoPnt2Set(foot, a->x + t * dx, a->y + t * dy);
  return (t >= 0.0 && t <= 1.0) ? 1 : 0;
}

bool boGeoLineParam(double a1x, double a1y, double a2x, double a2y, double b1x, double b1y, double b2x, double b2y,
                    double* t) {
  double dx = b2x - b1x, dy = b2y - b1y;
  double x1 = (a1x - b1x) * dy - (a1y - b1y) * dx;
  double x2 = (a2x - a1x) * dy - (a2y - a1y) * dx;
  if (std::fabs(x2) < 1e-6 && (std::fabs(x1) > 1.0 || std::fabs(x2) < 1e-9)) return false;
  *t = -x1 / x2;
  return true;
}

namespace {

bool boSegmentTooShort(const GeoPnt2* p1, const GeoPnt2* p2) {
  return std::fabs(p2->x - p1->x) + std::fabs(p2->y - p1->y) < 0.001;
}

}  // namespace

bool boGeoLineIntersect(const GeoPnt2* a1, const GeoPnt2* a2, const GeoPnt2* b1, const GeoPnt2* b2, GeoPnt2* out) {
  if (boSegmentTooShort(a1, a2) || boSegmentTooShort(b1, b2)) return false;
  double t;
  if (!boGeoLineParam(a1->x, a1->y, a2->x, a2->y, b1->x, b1->y, b2->x, b2->y, &t)) return false;
  if (out) pGeoPnt2Set(out, a1->x + t * (a2->x - a1->x), a1->y + t * (a2->y - a1->y));
  return true;
}

int iGeoSegmentCross(const GeoPnt2* a1, const GeoPnt2* a2, const GeoPnt2* b1, const GeoPnt2* b2, GeoPnt2* out) {
  if (boSegmentTooShort(a1, a2) || boSegmentTooShort(b1, b2)) return -1;
  double t;
  if (!boGeoLineParam(a1->x, a1->y, a2->x, a2->y, b1->x, b1->y, b2->x, b2->y, &t)) return -1;
  if (out) pGeoPnt2Set(out, a1->x + t * (a2->x - a1->x), a1->y + t * (a2->y - a1->y));
  if (!(t >= 0.0 && t < 1.0)) return 0;
  double s;
  if (!boGeoLineParam(b1->x, b1->y, b2->x, b2->y, a1->x, a1->y, a2->x, a2->y, &s)) return -1;
  return (s >= 0.0 && s < 1.0) ? 1 : 0;
}

// ---------------------------------------------------------------- sub-lines

namespace {

bool boEndsSubLine(int type) { return type == GEO_ELM_GAP || type == GEO_ELM_CLOSE; }
bool boIsCurved(int type) { return type >= 1 && type <= 4; }

}  // namespace

LiElm* pGeoSubLineFirst(LiLine* line, LiElm* elm) {
  if (!line || !elm) return nullptr;
  // Only a gap splits here; the closing element is the line's last anyway.
  LiElm* start = LiElmGetFirst(line);
  for (LiElm* e = start; e; e = LiElmGetNext(line, e)) {
    if (e == elm) return start;
    if (LiElmGetType(line, e) == GEO_ELM_GAP) start = LiElmGetNext(line, e);
  }
  return nullptr;
}

LiElm* pGeoSubLineLast(LiLine* line, LiElm* elm) {
  if (!line || !elm) return nullptr;
  bool found = false;
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    if (e == elm) found = true;
    if (found && boEndsSubLine(LiElmGetType(line, e))) return e;
  }
  return nullptr;
}

LiElm* pGeoSubLineNext(LiLine* line, LiElm* elm) {
  if (!line) return nullptr;
  if (!elm) return LiElmGetFirst(line);
  for (LiElm* e = elm; e; e = LiElmGetNext(line, e))
    if (boEndsSubLine(LiElmGetType(line, e))) return LiElmGetNext(line, e);
  return nullptr;
}

LiElm* pGeoSubLineNextElm(LiLine* line, LiElm* elm) {
  if (!line || !elm) return nullptr;
  if (!boEndsSubLine(LiElmGetType(line, elm))) return LiElmGetNext(line, elm);
  if (!boLiLineIsPolygon(line)) return nullptr;
  LiElm* first = pGeoSubLineFirst(line, elm);
  return first != elm ? first : nullptr;
}

LiElm* pGeoSubLinePrevElm(LiLine* line, LiElm* elm) {
  if (!line || !elm) return nullptr;
  LiElm* first = pGeoSubLineFirst(line, elm);
  if (elm != first) return LiElmGetPrev(line, elm);
  if (!boLiLineIsPolygon(line)) return nullptr;
  return pGeoSubLineLast(line, elm);
}

int iGeoSubLineCount(LiLine* line) {
  bool straight;
  return iGeoSubLineCountStraight(line, &straight);
}

int iGeoSubLineCountStraight(LiLine* line, bool* straight) {
  bool flat = true;
  int n = 0;
  if (line) {
    for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
      int type = LiElmGetType(line, e);
      if (boEndsSubLine(type)) n++;
      if (boIsCurved(type)) flat = false;
    }
  }
  if (straight) *straight = flat;
  return n;
}

int iGeoSubLineLength(LiLine* line, LiElm* elm) {
  bool straight;
  return iGeoSubLineLengthStraight(line, elm, &straight);
}

int iGeoSubLineLengthStraight(LiLine* line, LiElm* elm, bool* straight) {
  bool flat = true;
  int n = 0;
  if (line) {
    for (LiElm* e = elm; e; e = LiElmGetNext(line, e)) {
      int type = LiElmGetType(line, e);
      n++;
      if (boIsCurved(type)) flat = false;
      if (boEndsSubLine(type)) break;
    }
  }
  if (straight) *straight = flat;
  return n;
}

// ---------------------------------------------------------------- point IDs

// Splits an identifier from the right. Parts are cut to 99 characters and
// have their trailing blanks removed.
void vPidSplit(const char* id, PidParts* out) {
  PidPlace places[3];
  vPidSplitPlaces(id, places);
  for (int k = 0; k < 3; k++) {
    memcpy(out->part[k], places[k].p, (size_t)places[k].n);
    out->part[k][places[k].n] = '\0';
  }
}

void vPidSplitPlaces(const char* id, PidPlace out[3]) {
  for (int k = 0; k < 3; k++) out[k] = {"", 0};
  if (!id) return;
  size_t end = strlen(id);
  int n = 2;
  auto take = [&](size_t from, size_t to) {
    size_t len = to - from;
    if (len > PID_PART_MAX) len = PID_PART_MAX;
    while (len && id[from + len - 1] == ' ') --len;
    out[n] = {id + from, (int)len};
  };
  for (size_t i = end; i > 0; i--) {
    if (id[i - 1] != '.') continue;
    take(i, end);
    end = i - 1;
    if (--n < 0) return;
  }
  take(0, end);
}

namespace {

// Copies src (cut to 99 characters) into dst with '.' and ' ' as '_'.
void vPidCleanCopy(char* dst, const char* src) {
  int i = 0;
  for (; src && src[i] && i < PID_PART_MAX; i++) dst[i] = (src[i] == '.' || src[i] == ' ') ? '_' : src[i];
  dst[i] = '\0';
}

void vPidJoin(const PidParts* p, char* id) {
  char buf[PID_SIZE];
  buf[0] = '\0';
  const char* p0 = p->part[0];
  const char* p1 = p->part[1];
  const char* p2 = p->part[2];
  if (*p0) {
    sStrCopyN(buf, p0, 98);  // at most 97 characters
    sStrCatN(buf, ".", PID_SIZE);
    sStrCatN(buf, p1, PID_SIZE);
    sStrCatN(buf, ".", PID_SIZE);
  } else if (*p1) {
    sStrCopyN(buf, p1, 98);
    sStrCatN(buf, ".", PID_SIZE);
  }
  sStrCatN(buf, p2, PID_SIZE);
  memcpy(id, buf, strlen(buf) + 1);
}

struct OemField {
  int part, offset, width;
};

// The fields of one 20-byte layout; count returned.
int iPidLayout(int kind, OemField* f) {
  if (kind == 2) {
    f[0] = {1, 0, 8};
    f[1] = {2, 8, 8};
    return 2;
  }
  if (kind == 3) {
    f[0] = {0, 0, 6};
    f[1] = {1, 6, 6};
    f[2] = {2, 12, 8};
    return 3;
  }
  f[0] = {2, 0, 8};
  return 1;
}

}  // namespace

const char* sPidGetPart(const char* id, int part) {
  if (!id || part < 0 || part > 2) return sStrTemp("");
  PidParts p;
  vPidSplit(id, &p);
  return sStrTemp(p.part[part]);
}

void vPidSetPart(char* id, int part, const char* text) {
  if (!id || part < 0 || part > 2) return;
  // The parts and the new text go to locals first: text may point into id.
  PidParts p;
  char clean[PID_SIZE];
  vPidCleanCopy(clean, text);
  vPidSplit(id, &p);
  memcpy(p.part[part], clean, strlen(clean) + 1);
  vPidJoin(&p, id);
}

void vPidToOem20(int kind, const char* id, char* field20) {
  if (!field20) return;
  PidParts p;
  vPidSplit(id, &p);
  memset(field20, ' ', 20);
  OemField f[3];
  int n = iPidLayout(kind, f);
  for (int i = 0; i < n; i++) sStrPadCopy(field20 + f[i].offset, p.part[f[i].part], f[i].width);
  // The field has no terminator: convert exactly its 20 bytes.
  CharToOemBuffA(field20, field20, 20);
}

void vPidFromOem20(int kind, const char* field20, char* id) {
  if (!id) return;
  id[0] = '\0';
  if (!field20) return;
  char ansi[20];
  OemToCharBuffA(field20, ansi, 20);
  OemField f[3];
  int n = iPidLayout(kind, f);
  for (int i = 0; i < n; i++) {
    char part[21];
    sStrCopyNTrim(part, ansi + f[i].offset, f[i].width);
    vPidSetPart(id, f[i].part, part);
  }
}
