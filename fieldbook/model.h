// The field book: points, lines, polygons and triangle nets in the four
// kv2gr containers, each object with a small user-data record of ours, and
// the object interface that the host and the readers and writers use.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fieldbook/api.h"
#include "kv2gr.h"

// Coordinate flags of points and vertices. A value is precalculated when its
// measured bit is clear.
#define MBO_FLAG_XY 1u
#define MBO_FLAG_Z 2u
#define MBO_FLAG_XY_MEASURED 16u
#define MBO_FLAG_Z_MEASURED 32u

// Identifiers hold at most 99 characters.
#define MBO_ID_SIZE 100

// User data of a point (112 bytes; the host reads it through the container).
// Module code changes a point's ID through vMboSetPointPID, which keeps the
// point-name index up to date; code that rewrites IDs in place calls
// vMboIndexClear (pointindex.h) afterwards, or a later merge may miss them.
// Passes that merge many points by name (imports, saves, writers) run inside
// an MboIndexPass (pointindex.h); outside one every look-up walks.
struct MboPointData {
  char sPid[MBO_ID_SIZE];  // point ID: job.area.number, up to three parts
  uint32_t uFlags;         // MBO_FLAG_*
  int32_t iMark;           // free for writers (the KOF writer marks written points)
  int32_t iDetail;         // only through the detail accessors
};
static_assert(sizeof(MboPointData) == 112);
static_assert(offsetof(MboPointData, sPid) == 0);
static_assert(offsetof(MboPointData, uFlags) == 100);
static_assert(offsetof(MboPointData, iMark) == 104);
static_assert(offsetof(MboPointData, iDetail) == 108);

// User data of a line, polygon or net (104 bytes).
struct MboLineData {
  char sObjId[MBO_ID_SIZE];
  int32_t iReserved;  // keeps the record at the size the host expects
};
static_assert(sizeof(MboLineData) == 104);
static_assert(offsetof(MboLineData, sObjId) == 0);
static_assert(offsetof(MboLineData, iReserved) == 100);

// User data of a line or polygon vertex (108 bytes).
struct MboElmData {
  char sPid[MBO_ID_SIZE];  // the point the vertex stands on
  uint32_t uFlags;         // MBO_FLAG_*
  int32_t iReserved;       // keeps the record at the size the host expects
};
static_assert(sizeof(MboElmData) == 108);
static_assert(offsetof(MboElmData, sPid) == 0);
static_assert(offsetof(MboElmData, uFlags) == 100);
static_assert(offsetof(MboElmData, iReserved) == 104);

// The four containers; null while the field book is not initialised.
extern PoPoints* g_pMboPoints;
extern LiLines* g_pMboLines;
extern YgPolygons* g_pMboPolygons;
extern TrNets* g_pMboNets;

// The exported object interface is declared in fieldbook/api.h.

// ---- Module-internal ----
// Creates the containers and station lists; the caller has cleared the
// field-book globals (vKvxMboInit).
void vMboInitFieldBook(void);
// Empties the field book (before each read, and at finish).
void vMboResetFieldBook(void);
// Reset, then frees the containers and closes the reference-system and geoid
// objects of the last transfer.
void vMboFinishFieldBook(void);
bool boMboFieldBookReady(void);
// Whether a point or vertex ID with a dot was stored through the model since
// the field book was last emptied (a read empties it first, and the host
// cannot write between). False: no point or vertex ID of the read has a
// dot, and the point-ID post-pass need not look at them.
bool boMboDottedIdStored(void);

// The first object in creation order whose ID equals the text; null when
// none or for a null text. Point look-ups inside an MboIndexPass go through
// an index; a text longer than 99 characters is compared by its first 99, as
// stored.
PoPoint* pMboFindPoint(const char* pid);
LiLine* pMboFindLine(const char* objId);
YgPolygon* pMboFindPolygon(const char* objId);
TrNet* pMboFindTriangleNet(const char* objId);

MboPointData* pMboPointGetData(PoPoint* point);
MboLineData* pMboLineGetData(LiLine* line);
MboElmData* pMboElmGetData(LiLine* line, LiElm* elm);
MboLineData* pMboPolygonGetData(YgPolygon* polygon);
MboLineData* pMboTriangleNetGetData(TrNet* net);
// The point's code text ("" for none).
const char* sMboPointGetField(PoPoint* point);

// Where a writer puts a vertex: its own XY and height where the module set
// them, else those of the point it names. A vertex that carries no flag at
// all (placed through the geometry library) has its own XY, and a height
// when its line is 3-D. A value that is not finite counts as absent.
// Returns MBO_FLAG_XY and MBO_FLAG_Z for what *p holds; *point (when given)
// gets the point the vertex names, or null.
uint32_t uMboVertexPosition(LiLine* line, LiElm* elm, GeoPnt3* p, PoPoint** point = nullptr);

// Writers leave out a vertex without XY of its own or from its point (no
// place is invented for it), and a line or polygon that loses vertices so
// and keeps fewer than two. The write operation counts from
// vMboLeftOutBegin and shows one warning with the numbers at
// vMboLeftOutWarn (MboLeftOutWarning).
bool boMboVertexPlaced(LiLine* line, LiElm* elm);
// Whether a writer writes the line; counts its vertices without a place,
// and the line itself when it is not written. Once per line and write.
bool boMboLineWritable(LiLine* line);
// Whether the point has XY for an XML writer; one without XY but with a
// height is counted (the raw writers pass over such points without a word).
// Once per point and write.
bool boMboPointWritable(PoPoint* point);
void vMboLeftOutBegin(void);
void vMboLeftOutWarn(void);
struct MboLeftOutWarning {
  MboLeftOutWarning() { vMboLeftOutBegin(); }
  ~MboLeftOutWarning() { vMboLeftOutWarn(); }
  MboLeftOutWarning(const MboLeftOutWarning&) = delete;
  MboLeftOutWarning& operator=(const MboLeftOutWarning&) = delete;
};

// For the length of a write: a point's or vertex's XY or height that is not
// finite (a host may store one) has its flag cleared, so that every writer
// leaves it out as absent; the flags come back at the end. Not nested.
// boHide false: nothing, for a writer of points alone, which reads them
// through uMboPointPlace (that leaves such a value out itself).
void vMboHideNonFiniteBegin(bool boHide = true);
void vMboHideNonFiniteEnd(void);
struct MboHideNonFinite {
  explicit MboHideNonFinite(bool boHide = true) { vMboHideNonFiniteBegin(boHide); }
  ~MboHideNonFinite() { vMboHideNonFiniteEnd(); }
  MboHideNonFinite(const MboHideNonFinite&) = delete;
  MboHideNonFinite& operator=(const MboHideNonFinite&) = delete;
};

int32_t iMboPointGetMark(PoPoint* point);
void vMboPointSetMark(PoPoint* point, int32_t mark);
// The point-number part (after the last '.') of the point ID, as scratch text.
char* sMboGetPointNo(PoPoint* point);
// The same into sOut (MBO_ID_SIZE bytes) without the scratch ring and its
// lock, for writers that take it for every point; returns its length.
size_t uMboGetPointNo(PoPoint* point, char* sOut);
// What boMboGetPointXY and boMboGetPointZ tell of a point at once:
// MBO_FLAG_XY and MBO_FLAG_Z for what it has, and its position in *p. A
// value that is not finite counts as absent, as in a write (above).
uint32_t uMboPointPlace(PoPoint* point, GeoPnt3* p);

// Counts for the import summary.
int iMboCountPoints(void);
int iMboCountLineVertices(void);
int iMboCountPolygonVertices(void);
int iMboCountTriangleNets(void);
int iMboCountTriangleNetPoints(void);
int iMboCountTriangles(void);
