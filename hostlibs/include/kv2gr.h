// kv2gr: the host's geometry containers (points, lines, polygons, triangle
// nets) and their attribute fields, as the module imports them.
//
// Containers and objects
// - Four container kinds. Every object gets user data of the size given when
//   its container was made; it is zero-filled at creation and stays at the
//   same address for the object's life. Line and polygon vertices (elements)
//   get user data of their own size, zero-filled too, also for LiLineAddP.
// - GetFirst/GetNext walk a container in creation order and give null at the
//   end. Handles stay valid until their object (or its container) is deleted;
//   deleting one object leaves every other handle valid.
// - vXxxDeleteYyy (plural) empties a container; it stays usable and its field
//   set keeps its columns. vXxxDelete frees the container and its field set.
// - Null handles are tolerated everywhere: getters give 0, false, null or "".
//   Objects of another container are refused by the deletes and field sets.
//
// Lines and polygons (one object type: YgPolygon is LiLine, YgElm is LiElm)
// - A line is a chain of elements. Each element has a point and a type:
//   0 straight to the next element, 1 two-point arc to the next, 2 start of a
//   three-point arc, 4 clothoid to the next, 97 end of a sub-line (no
//   connection to the next element), 98 final element.
// - Type 98 always sits on the last element, and the library keeps it there:
//   appending turns the old last element's 98 into 0 (a 97 set on it before
//   stays 97) and gives the new last one 98; removing the last element moves
//   the 98 to the new last one. On the last element boLiElmSetType accepts 97
//   and 98 (0 keeps 98); 98 is refused anywhere else.
// - boLiElmSetType(line, e, 2) takes the element after e out of the plain
//   chain and keeps it as the arc's middle (LiElmGet3pArcElm2). Then
//   LiElmGetNext(e) is the arc's end, and so is LiElmGetNext(middle);
//   LiElmGetPrev(middle) is e. It needs a plain (type 0) element after e that
//   is not the last one. Setting another type on e puts the middle back into
//   the chain. iLiElmGetCount counts the plain chain only (no arc middles).
// - The Li element calls accept polygon objects too; the Yg names are the
//   same operations. Objects made in a polygon container are polygons
//   (boLiLineIsPolygon true). In a polygon every sub-line is a ring: its end
//   (97, or 98 on the last element) connects back to the sub-line's first
//   element. In an open line a sub-line's end connects to nothing.
// - Coordinates: x east, y north. Directions are radians in the mathematical
//   convention (counter-clockwise from the x axis). Lengths are horizontal.
// - Arcs: a positive radius turns clockwise, a negative one
//   counter-clockwise. The centre choice of boLiElmSet2pArc picks the short
//   arc (0, at most half a circle) or the long one (1).
// - Clothoids: radius 0 means infinite; negative radii turn counter-clockwise.
// - boLiLineParallel: a positive offset moves the line to the right of its
//   direction of travel, a negative one to the left. Straight corners are
//   mitred; arcs keep their centres with the radius adjusted, and a corner
//   at an arc lies where the shifted elements meet.
// - boLiLineElmsCopy copies points, types and arc and clothoid data; the new
//   elements' user data is zero-filled, so nothing of the source vertices'
//   identity (the field book's point IDs) is carried. The caller sets what it
//   needs (for example the coordinate flags).
//
// Fields
// - Every container has one field set: named text columns in order, and per
//   object a text for each column. Names are matched exactly. A value that was
//   never set reads as "". Returned texts stay valid until that value (or the
//   column count) changes; copy before writing.
// - iViFieldsFixedCount is 0: the library fixes no columns of its own.
// - "S_FCODE" is a virtual column: read and written by name it is the
//   object's code text (sPoPointGetField and twins). It is never counted,
//   listed, nor added as a real column.
#pragma once

#include <cstdint>

#include "geopnt.h"

#ifdef _WIN32
#ifdef KV2GR_BUILD
#define KV2GR_API extern "C" __declspec(dllexport)
#else
#define KV2GR_API extern "C" __declspec(dllimport)
#endif
#else
#define KV2GR_API extern "C" __attribute__((visibility("default")))
#endif

// Element types.
#define KV2GR_ELM_STRAIGHT 0
#define KV2GR_ELM_ARC2P 1
#define KV2GR_ELM_ARC3P 2
#define KV2GR_ELM_CLOTHOID 4
#define KV2GR_ELM_SUBEND 97
#define KV2GR_ELM_LAST 98

// Two points coincide when both coordinates differ by at most this.
#define KV2GR_COMMON_POINT_TOL 1e-5

struct PoPoints;
struct PoPoint;
struct LiLines;
struct LiLine;
struct LiElm;
struct TrNets;
struct TrNet;
struct ViFields;
typedef LiLines YgPolygons;
typedef LiLine YgPolygon;
typedef LiElm YgElm;

// ---- Containers ----
KV2GR_API PoPoints* PoPointsCreate(uint32_t userSize);
KV2GR_API LiLines* LiLinesCreate(uint32_t lineUserSize, uint32_t elmUserSize);
KV2GR_API YgPolygons* YgPolygonsCreate(uint32_t objUserSize, uint32_t elmUserSize);
KV2GR_API TrNets* TrNetsCreate(uint32_t netUserSize);

KV2GR_API void vPoPointsDeletePoints(PoPoints* pts);
KV2GR_API void vLiLinesDeleteLines(LiLines* lines);
KV2GR_API void vYgPolygonsDeleteLines(YgPolygons* polys);
KV2GR_API void vTrNetsDeleteNets(TrNets* nets);

KV2GR_API void vPoPointsDelete(PoPoints* pts);
KV2GR_API void vLiLinesDelete(LiLines* lines);
KV2GR_API void vYgPolygonsDelete(YgPolygons* polys);
KV2GR_API void vTrNetsDelete(TrNets* nets);

KV2GR_API PoPoint* PoPointsGetFirst(PoPoints* pts);
KV2GR_API PoPoint* PoPointsGetNext(PoPoints* pts, PoPoint* pt);
KV2GR_API LiLine* LiLinesGetFirst(LiLines* lines);
KV2GR_API LiLine* LiLinesGetNext(LiLines* lines, LiLine* line);
KV2GR_API YgPolygon* YgPolygonsGetFirst(YgPolygons* polys);
KV2GR_API YgPolygon* YgPolygonsGetNext(YgPolygons* polys, YgPolygon* poly);
KV2GR_API TrNet* TrNetsGetFirst(TrNets* nets);
KV2GR_API TrNet* TrNetsGetNext(TrNets* nets, TrNet* net);

KV2GR_API int iPoPointsGetCount(PoPoints* pts);
KV2GR_API int iLiLinesGetCount(LiLines* lines);
KV2GR_API int iYgPolygonsGetCount(YgPolygons* polys);
KV2GR_API int iTrNetsGetCount(TrNets* nets);

// Single objects out of their container; other handles stay valid.
KV2GR_API void vPoPointsDeletePoint(PoPoints* pts, PoPoint* pt);
KV2GR_API void vLiLinesDeleteLine(LiLines* lines, LiLine* line);
KV2GR_API void vYgPolygonsDeleteLine(YgPolygons* polys, YgPolygon* poly);
KV2GR_API void vTrNetsDeleteNet(TrNets* nets, TrNet* net);

// ---- Points ----
// A new point lies at 0, 0, 0 with an empty code and is appended.
KV2GR_API PoPoint* PoPointsCreatePoint(PoPoints* pts);
KV2GR_API void* PoPointGetData(PoPoint* pt);
KV2GR_API double dPoPointGetX(PoPoint* pt);
KV2GR_API double dPoPointGetY(PoPoint* pt);
KV2GR_API double dPoPointGetZ(PoPoint* pt);
KV2GR_API void vPoPointSetX(PoPoint* pt, double x);
KV2GR_API void vPoPointSetY(PoPoint* pt, double y);
KV2GR_API void vPoPointSetZ(PoPoint* pt, double z);
KV2GR_API void vPoPointSetP(PoPoint* pt, const GeoPnt3* p);
KV2GR_API void vPoPointGetP(PoPoint* pt, GeoPnt3* p);
// The code text: "" when unset; valid until the next set.
KV2GR_API const char* sPoPointGetField(PoPoint* pt);
KV2GR_API void vPoPointSetField(PoPoint* pt, const char* code);

// ---- Lines ----
KV2GR_API LiLine* LiLinesCreate3dLine(LiLines* lines);
KV2GR_API LiLine* LiLinesCreate2dLine(LiLines* lines);
KV2GR_API void* LiLineGetData(LiLine* line);
KV2GR_API const char* sLiLineGetField(LiLine* line);
KV2GR_API void vLiLineSetField(LiLine* line, const char* code);
// A vertex at 0, 0, 0 (or at p) inserted before `before`, or appended when
// `before` is null. Null when `before` is an arc middle or of another line.
KV2GR_API LiElm* LiLineAddPoint(LiLine* line, LiElm* before);
KV2GR_API LiElm* LiLineAddP(LiLine* line, LiElm* before, const GeoPnt3* p);
KV2GR_API void vLiLineSetAsPolygon(LiLine* line, int polygon);
KV2GR_API bool boLiLineIsPolygon(LiLine* line);
KV2GR_API bool boLiLineIs3d(LiLine* line);
KV2GR_API int iLiElmGetCount(LiLine* line);
KV2GR_API bool boLiLineElmsCopy(LiLine* dst, const LiLine* src);
KV2GR_API bool boLiLineParallel(LiLine* line, double offset);
KV2GR_API double dLiLineLength(LiLine* line);
// Rounds the corner at e2 (e1's next) between the straight elements e1 and
// e2 with a tangent arc of radius r: e2 moves to the first tangent point and
// becomes the arc; a new element is inserted at the second one. 1 when done,
// 0 when the corner cannot take the arc.
KV2GR_API int iLiLineFillet(LiLine* line, LiElm* e1, LiElm* e2, double r);
// Removes vertices whose straight element is not longer than tol (0: only
// zero-length ones; in a 3-D line the height difference counts), and a
// polygon ring's closing vertex that repeats the ring's first one; gives the
// number removed.
KV2GR_API int iLiLineRemoveShortElements(LiLine* line, double tol);

// ---- Elements (line may be a polygon) ----
KV2GR_API LiElm* LiElmGetFirst(LiLine* line);
KV2GR_API LiElm* LiElmGetLast(LiLine* line);
KV2GR_API LiElm* LiElmGetNext(LiLine* line, LiElm* elm);
KV2GR_API LiElm* LiElmGetPrev(LiLine* line, LiElm* elm);
KV2GR_API void* LiElmGetData(LiLine* line, LiElm* elm);
KV2GR_API void vLiElmGetP(LiLine* line, LiElm* elm, GeoPnt3* p);
KV2GR_API void vLiElmGetP2d(LiLine* line, LiElm* elm, GeoPnt2* p);
KV2GR_API void vLiElmSetP(LiLine* line, LiElm* elm, const GeoPnt3* p);
// Sets x and y, keeps z.
KV2GR_API void vLiElmSetP2d(LiLine* line, LiElm* elm, const GeoPnt2* p);
KV2GR_API int LiElmGetType(LiLine* line, LiElm* elm);
KV2GR_API bool boLiElmSetType(LiLine* line, LiElm* elm, int type);
KV2GR_API LiElm* LiElmGet3pArcElm2(LiLine* line, LiElm* elm);
KV2GR_API bool boLiElmSet2pArc(LiLine* line, LiElm* elm, double radius, int centreChoice);
KV2GR_API bool boLiElmGet2pArc(LiLine* line, LiElm* elm, double* radius);
// Signed radius of an arc element (1 or 2): >= 0 clockwise.
KV2GR_API bool boLiElmGetRadius(LiLine* line, LiElm* elm, double* radius);
KV2GR_API bool boLiElmGetCenterP(LiLine* line, LiElm* elm, GeoPnt2* centre);
KV2GR_API bool boLiElmSetClotoide(LiLine* line, LiElm* elm, double a, double rStart, double rEnd);
KV2GR_API bool boLiElmGetClotoide(LiLine* line, LiElm* elm, double* a, double* rStart, double* rEnd);
// Length from the element to the next (for a sub-line's end: to the ring's
// first element in a polygon, 0 in an open line).
KV2GR_API double dLiElmLength(LiLine* line, LiElm* elm);
KV2GR_API bool boLiElmEndDirs(LiLine* line, LiElm* elm, double* dirStart, double* dirEnd);
// Crossing of the element (to its next) with the segment a-b; the height is
// interpolated along the element. Gives the number of crossings (0 none); the
// first one along the element is written to out.
KV2GR_API int iLiElmIntersectLine(LiLine* line, LiElm* elm, const GeoPnt2* a, const GeoPnt2* b, GeoPnt3* out);
KV2GR_API bool boViIsCommonPoint(const GeoPnt2* a, const GeoPnt2* b);

// ---- Polygons: the same objects and operations ----
KV2GR_API YgPolygon* YgPolygonsCreate3dLine(YgPolygons* polys);
KV2GR_API YgPolygon* YgPolygonsCreate2dLine(YgPolygons* polys);
KV2GR_API YgElm* YgPolygonAddPoint(YgPolygon* poly, YgElm* before);
KV2GR_API void* YgPolygonGetData(YgPolygon* poly);
KV2GR_API const char* sYgPolygonGetField(YgPolygon* poly);
KV2GR_API void vYgPolygonSetField(YgPolygon* poly, const char* code);
KV2GR_API bool boYgPolygonIs3d(YgPolygon* poly);
KV2GR_API int iYgElmGetCount(YgPolygon* poly);
KV2GR_API YgElm* YgElmGetFirst(YgPolygon* poly);
KV2GR_API YgElm* YgElmGetNext(YgPolygon* poly, YgElm* elm);
KV2GR_API YgElm* YgElmGetPrev(YgPolygon* poly, YgElm* elm);
KV2GR_API void* YgElmGetData(YgPolygon* poly, YgElm* elm);
KV2GR_API void vYgElmGetP(YgPolygon* poly, YgElm* elm, GeoPnt3* p);
KV2GR_API void vYgElmGetP2d(YgPolygon* poly, YgElm* elm, GeoPnt2* p);
KV2GR_API void vYgElmSetP(YgPolygon* poly, YgElm* elm, const GeoPnt3* p);

// ---- Triangle nets ----
KV2GR_API TrNet* TrNetsCreateNet(TrNets* nets);
KV2GR_API void* TrNetGetData(TrNet* net);
KV2GR_API const char* sTrNetGetField(TrNet* net);
KV2GR_API void vTrNetSetField(TrNet* net, const char* code);
// Grows the point array by n points at 0, 0, 0; gives the index of the first
// new one (-1 for n < 0 or a null net).
KV2GR_API int iTrNetAddPoints(TrNet* net, int n);
// Stores point i; the array grows to hold it. Negative i is ignored.
KV2GR_API void vTrNetSetP(TrNet* net, int i, const GeoPnt3* p);
KV2GR_API bool boTrNetGetP(TrNet* net, int i, GeoPnt3* p);
// Stores triangle i (point indexes); the array grows to hold it.
KV2GR_API void vTrNetSetTriangle(TrNet* net, int i, int a, int b, int c);
KV2GR_API bool boTrNetGetTriangle(TrNet* net, int i, int* a, int* b, int* c);
// Neighbour k of a triangle shares its edge from corner k to corner k+1;
// -1 where there is none.
KV2GR_API void vTrNetCalcNeighbours(TrNet* net);
KV2GR_API bool boTrNetGetNeighbours(TrNet* net, int i, int* na, int* nb, int* nc);
KV2GR_API int iTrNetGetPointCount(TrNet* net);
KV2GR_API int iTrNetGetTriangleCount(TrNet* net);

// ---- Field sets ----
KV2GR_API ViFields* pViPFieldsGet(PoPoints* pts);
KV2GR_API ViFields* pViLFieldsGet(LiLines* lines);
KV2GR_API ViFields* pViYFieldsGet(YgPolygons* polys);
KV2GR_API ViFields* pViNFieldsGet(TrNets* nets);
KV2GR_API int iViFieldsGetCount(ViFields* fs);
// Sets the number of columns: surplus columns and their values go, new ones
// are unnamed. Gives the new count.
KV2GR_API int iViFieldsSetCount(ViFields* fs, int n);
KV2GR_API int iViFieldsFixedCount(ViFields* fs);
KV2GR_API const char* sViFieldsGetFieldName(ViFields* fs, int i);
// Index of the column with exactly this name, -1 when none.
KV2GR_API int iViFieldsFindField(ViFields* fs, const char* name);
// obj is an object of the field set's container (point, line, polygon, net).
KV2GR_API const char* sViFieldsGetField(ViFields* fs, const void* obj, int i);
KV2GR_API bool boViFieldsSetField(ViFields* fs, void* obj, int i, const char* value);
// Never null: "" for a missing column.
KV2GR_API const char* sViFieldsGetFieldByName(ViFields* fs, const void* obj, const char* name);
// Adds the column at the end when missing, then sets the text.
KV2GR_API bool boViFieldsSetOrAddFieldByName(ViFields* fs, void* obj, const char* name, const char* value);
