// Small geometry value types and their operations, walks over the sub-lines
// of a kv2gr line, and the parts of a dotted point identifier.
#pragma once

#include <cstdint>

#include "geopnt.h"  // GeoPnt2, GeoPnt3: shared with the geometry library
#include "kv2gr.h"

struct GeoBox2 {
  double xmin, ymin, xmax, ymax;
};
struct GeoBox3 {
  double xmin, ymin, zmin, xmax, ymax, zmax;
};

// Limits of the empty box.
constexpr double GEO_BOX_EMPTY_MIN = 99999999.9;
constexpr double GEO_BOX_EMPTY_MAX = -99999999.9;

// Points. The p forms return their first argument.
GeoPnt2* pGeoPnt2Set(GeoPnt2* p, double x, double y);
void vGeoPnt2Set(GeoPnt2* p, double x, double y);
GeoPnt2* pGeoPnt2Zero(GeoPnt2* p);
GeoPnt2* pGeoPnt2Copy(GeoPnt2* dst, const GeoPnt2* src);
void vGeoPnt2Copy(GeoPnt2* dst, const GeoPnt2* src);
GeoPnt2* pGeoPnt2FromInt(GeoPnt2* p, int32_t x, int32_t y);

GeoPnt3* pGeoPnt3Set(GeoPnt3* p, double x, double y, double z);
void vGeoPnt3Set(GeoPnt3* p, double x, double y, double z);
GeoPnt3* pGeoPnt3Zero(GeoPnt3* p);
GeoPnt3* pGeoPnt3Copy(GeoPnt3* dst, const GeoPnt3* src);
void vGeoPnt3Copy(GeoPnt3* dst, const GeoPnt3* src);
GeoPnt3* pGeoPnt3FromInt(GeoPnt3* p, int32_t x, int32_t y, int32_t z);
GeoPnt3* pGeoPnt3FromPnt2(GeoPnt3* dst, const GeoPnt2* src);
void vGeoPnt3FromPnt2(GeoPnt3* dst, const GeoPnt2* src);

// 3D boxes.
GeoBox3* pGeoBox3Set(GeoBox3* b, double xmin, double ymin, double zmin, double xmax, double ymax, double zmax);
GeoBox3* pGeoBox3Init(GeoBox3* b);
void vGeoBox3Init(GeoBox3* b);
GeoBox3* pGeoBox3FromPnts(GeoBox3* b, const GeoPnt3* p1, const GeoPnt3* p2);
void vGeoBox3Extend(GeoBox3* b, const GeoPnt3* p);
bool boGeoBox3Contains(const GeoBox3* b, const GeoPnt3* p);
// Empty: a minimum at the empty limit, a maximum more than 1e-6 below its
// minimum, or every extent zero within 1e-5 (so a box around one point).
bool boGeoBox3IsEmpty(const GeoBox3* b);
double dGeoBox3Dx(const GeoBox3* b);
double dGeoBox3Dy(const GeoBox3* b);
double dGeoBox3Dz(const GeoBox3* b);

// 2D boxes.
GeoBox2* pGeoBox2Set(GeoBox2* b, double xmin, double ymin, double xmax, double ymax);
GeoBox2* pGeoBox2Init(GeoBox2* b);
void vGeoBox2Init(GeoBox2* b);
GeoBox2* pGeoBox2FromPnts(GeoBox2* b, const GeoPnt2* p1, const GeoPnt2* p2);
GeoBox2* pGeoBox2FromPnts3(GeoBox2* b, const GeoPnt3* p1, const GeoPnt3* p2);
bool boGeoBox2IsEmpty(const GeoBox2* b);
double dGeoBox2Dx(const GeoBox2* b);
double dGeoBox2Dy(const GeoBox2* b);
double dGeoBox2Area(const GeoBox2* b);
void vGeoBox2ExtendPnt2(GeoBox2* b, const GeoPnt2* p);
void vGeoBox2ExtendPnt3(GeoBox2* b, const GeoPnt3* p);
// out := the box around both a and b (out may be a or b).
void vGeoBox2ExtendBy(const GeoBox2* a, const GeoBox2* b, GeoBox2* out);
bool boGeoBox2Overlap(const GeoBox2* a, const GeoBox2* b);
// False when a and b do not overlap; else true, and the common box in out
// when out is given.
bool boGeoBox2Intersect(const GeoBox2* a, const GeoBox2* b, GeoBox2* out);
void vGeoBox2Grow(GeoBox2* b, double d);
void vGeoBox2ScaleAboutCentre(GeoBox2* b, double factor);

// Numbers, angles (radians, counter-clockwise from the x axis), distances.
bool boGeoIsZero(double v);
bool boGeoEqual(double a, double b);
// Nearest multiple of step, halves away from zero; step 0 gives v.
double dGeoRoundTo(double v, double step);
// Into (-pi, pi]; NaN stays NaN, infinities give NaN.
double dGeoNormAngle(double a);
// a - b after adding a turn to negative inputs, then into [-pi, pi].
double dGeoAngleDiff(double a, double b);
// atan2 from the first to the second point; 0 when both absolute
// differences are below 0.0001.
double dGeoBearing(double x1, double y1, double x2, double y2);
double dGeoBearingPnt(const GeoPnt2* p1, const GeoPnt2* p2);
double dGeoDist2(double x1, double y1, double x2, double y2);
double dGeoDist2Pnt(const GeoPnt2* p1, const GeoPnt2* p2);
double dGeoDist3Pnt(const GeoPnt3* p1, const GeoPnt3* p2);
// x += d cos(a), y += d sin(a).
void vGeoPolarMove(GeoPnt2* p, double d, double a);
void vGeoRotate(GeoPnt2* p, const GeoPnt2* centre, double a);
void vGeoScale(GeoPnt2* p, const GeoPnt2* centre, double factor);

// Projection and intersection in the plane.
// -1: a and b equal within 1e-5, or t infinite; else foot written (when
// given) and 1 when 0 <= t <= 1, 0 otherwise (NaN t gives 0).
int iGeoProjectOnSegment(const GeoPnt2* p, const GeoPnt2* a, const GeoPnt2* b, GeoPnt2* foot);
// t of the point a1 + t(a2 - a1) on the line through b1, b2.
bool boGeoLineParam(double a1x, double a1y, double a2x, double a2y, double b1x, double b1y, double b2x, double b2y,
                    double* t);
bool boGeoLineIntersect(const GeoPnt2* a1, const GeoPnt2* a2, const GeoPnt2* b1, const GeoPnt2* b2, GeoPnt2* out);
// -1 too short or parallel; 1 when the crossing lies on both segments (start
// included, end excluded); else 0. The crossing is written when computed.
int iGeoSegmentCross(const GeoPnt2* a1, const GeoPnt2* a2, const GeoPnt2* b1, const GeoPnt2* b2, GeoPnt2* out);

// Element types of a kv2gr line that end a sub-line: a gap (the next
// element starts a new sub-line) and the line's closing element.
#define GEO_ELM_GAP 97
#define GEO_ELM_CLOSE 98

// Sub-lines of a kv2gr line: an element of type GEO_ELM_GAP or GEO_ELM_CLOSE
// ends one.
LiElm* pGeoSubLineFirst(LiLine* line, LiElm* elm);
LiElm* pGeoSubLineLast(LiLine* line, LiElm* elm);
LiElm* pGeoSubLineNext(LiLine* line, LiElm* elm);
LiElm* pGeoSubLineNextElm(LiLine* line, LiElm* elm);
LiElm* pGeoSubLinePrevElm(LiLine* line, LiElm* elm);
int iGeoSubLineCount(LiLine* line);
int iGeoSubLineCountStraight(LiLine* line, bool* straight);
int iGeoSubLineLength(LiLine* line, LiElm* elm);
int iGeoSubLineLengthStraight(LiLine* line, LiElm* elm, bool* straight);

// Point identifiers: up to three parts separated by '.', counted from the
// right (2 the point number, 1 the area, 0 the job).
constexpr int PID_SIZE = 100;
constexpr int PID_PART_MAX = 99;

// The part with trailing blanks cut, as a scratch text; "" when absent.
const char* sPidGetPart(const char* id, int part);
// All three parts at once, each as sPidGetPart gives it.
struct PidParts {
  char part[3][PID_SIZE];
};
void vPidSplit(const char* id, PidParts* out);
// The same parts as places in id (a null id: three empty ones), for a
// caller that only reads them.
struct PidPlace {
  const char* p;
  int n;
};
void vPidSplitPlaces(const char* id, PidPlace out[3]);
// Replaces one part ('.' and ' ' in text become '_') and rebuilds id, a
// buffer of PID_SIZE bytes. text may point into id.
void vPidSetPart(char* id, int part, const char* text);
// The parts into a blank-filled 20-byte field (no terminator), converted to
// the OEM code page. Kinds: 2 area+number, 3 job+area+number, else number.
void vPidToOem20(int kind, const char* id, char* field20);
// The reverse, into an identifier buffer of PID_SIZE bytes (ANSI).
void vPidFromOem20(int kind, const char* field20, char* id);
