// The LandXML reader (1.0, 1.1 and 1.2; the HeXML dialect is LandXML 1.2
// with a HexagonLandXML block): the entry, units and coordinate system, the
// CgPoints with their groups, and the helpers every section of the reader
// shares (point references, Feature properties, angles). Its driver entry
// iLxmlReadRaw is in xml/landxml.h.
//
// A read fills the field book directly through the object interface; every
// text from the file is converted from UTF-8 to ANSI.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <libxml/tree.h>

#include "xml/xmlutil.h"

// Angle units of the file.
enum { LXML_ANG_RAD = 0, LXML_ANG_GRAD = 1, LXML_ANG_DEG = 2, LXML_ANG_DMS = 3 };

struct LxmlAngleUnit {
  uint32_t uUnit;       // LXML_ANG_*
  char sCoSysName[60];  // the file's coordinate-system name (at most 49 characters)
};

// A total-station observation and the target reference it was read from
// (the HexagonLandXML block adds reflector names by it).
struct LxmlTargetRec {
  std::string sRef;
  void* pStation;
  void* pObs;
};

// The elements each section of the reader starts from, found in one walk
// of the document: the LandXML part's in its namespace, the HexagonLandXML
// block's in that block's.
enum {
  LXML_SEC_CGPOINTS,
  LXML_SEC_METRIC,
  LXML_SEC_IMPERIAL,
  LXML_SEC_COSYS,
  LXML_SEC_SETUP,
  LXML_SEC_GROUP,
  LXML_SEC_GPS,
  LXML_SEC_COORDGEOM,
  LXML_SEC_BREAKLINES,
  LXML_SEC_BOUNDARIES,
  LXML_SEC_SURFACES,
  LXML_SEC_PIPES,
  LXML_SEC_HEX_SURVEY,
  LXML_SEC_HEX_BLOCK,
  LXML_SEC_COUNT
};

// What one read keeps; made at the start of every read and gone at its end,
// so nothing of one import reaches the next.
struct LxmlRead {
  xmlDoc* pDoc;
  xmlXPathContext* pCtx;     // LandXML sections are evaluated with this one
  xmlXPathContext* pHexCtx;  // the HexagonLandXML block (dialect 3), or null
  int iVersion;              // LXML_VERSION_*
  LxmlAngleUnit angle;
  double dLength = 1;  // metres per length unit of the file (the Units' linearUnit)
  LxmlPtIndex* pPoints;
  LxmlSetupIndex* pSetups;
  std::vector<std::vector<xmlNode*>> sections;  // by LXML_SEC_*
  int iInvisibleAnswer;                         // invisible triangles: 0 not asked yet, 1 imported, 2 skipped
  bool boFlowMismatchShown;                     // the flow-direction information was shown
  xmlNode* pFreeCode;                           // the remembered FreeCode Feature of the running setup
  std::vector<LxmlTargetRec> targets;           // in document order
  // Unnamed lines and polygons by their CoordGeom's name, the identity the
  // HexagonLandXML block knows them by.
  std::unordered_map<std::string, LiLine*> unnamedLines, unnamedPolygons;
  // The HexagonLandXML GPSSetups by uniqueID (the first of an ID), made at
  // the first look-up.
  std::unordered_map<std::string, xmlNode*> hexGpsSetups;
  bool boHexGpsSetupsMade;
};

// The running read; null outside one.
extern LxmlRead* g_pLxmlRead;

// Parses the bytes (recovery as fallback), reads the whole document into the
// field book and frees everything. True when the document was parsed and its
// context made. The caller has emptied the field book.
bool boLxmlInterpret(const char* buffer, int64_t length);
// The same for a parsed document of length bytes (a size hint), which it
// frees.
bool boLxmlInterpretDoc(XmlDocPtr doc, int64_t length);

// Coordinates of a point reference as the file or the field book gives them.
struct LxmlCoords {
  double north, east, height;
  int iCount;  // how many of the three are known (0 to 3)
};

// Flags of pLxmlResolvePoint.
enum {
  LXML_REF_READ_COORDS = 1,  // scan the element's text even when the point is found
  LXML_REF_BY_NAME = 2,      // look "pntRef" up by point ID
  LXML_REF_BY_ALIAS = 4,     // use "name" too, and look up by the file's names
};

// Resolves a point reference (Start, End, Center, InstrumentPoint, ...):
// the indexed point it names (never changed), or a point made from the
// element's text. found (may be null) receives the coordinates of a found
// point, or the scanned ones when none was found; scanned (may be null) the
// coordinates in the element's text. The index entry, or null.
LxmlPtIndexEntry* pLxmlResolvePoint(xmlNode* elem, int flags, LxmlCoords* found, LxmlCoords* scanned);

// Object kinds of the Feature properties.
enum { LXML_OBJ_LINE = 0, LXML_OBJ_POINT = 1, LXML_OBJ_POLYGON = 3 };

// Applies the element's "Feature" children to the object: with a list of
// codes (';'-separated) only Features of those codes; without one a
// Feature's code becomes the object's code when the object has none. Each
// "Property" with label and value: "Code" sets the code, any other label the
// attribute field of that name.
void vLxmlApplyFeatures(xmlNode* elem, void* obj, int kind, const char* codes);

// An angle in the file's unit as the field book's internal value (through
// the coordinate system's conventions), as text "%.12lf"; none when that
// is not finite.
std::optional<std::string> sLxmlAngle(double value, bool zenith);
// The file's unit to radians (dd.mmss normalised: 60 seconds or minutes
// carry into the next field).
double dLxmlAngleToRad(double value, uint32_t unit);

// Lengths of the file (coordinates, heights, distances, radii, stations)
// in metres. A value that is not finite in metres counts as absent.
std::optional<double> dLxmlLength(const std::optional<double>& value);
// The same for up to n leading values: how many of them stay finite (the
// scan of a list ends at the first that does not).
int iLxmlLengths(double* values, int n);
// A length attribute's text as the field book takes it: in a file in
// metres the text as it stands, else the value in metres; none when the
// text is no number.
std::optional<std::string> sLxmlLengthText(const std::optional<std::string>& text);

// An attribute in ANSI, none when absent or all blank (the writer puts a
// single blank where it has no text).
std::optional<std::string> sLxmlText(xmlNode* node, const char* name);
// The same without a copy where it can be had (see sXmlAttrView): null when
// absent or all blank.
const char* sLxmlTextView(xmlNode* node, const char* name, std::string* scratch);
// The attribute as a number (dLxmlNumber of sLxmlText).
std::optional<double> dLxmlAttrNumber(xmlNode* node, const char* name);
// The leading number of a text (locale-free); none when there is no text or
// it does not start with a number.
std::optional<double> dLxmlNumber(const std::optional<std::string>& text);
// The first "Feature" child whose "code" is exactly code; null when none.
xmlNode* pLxmlFeature(xmlNode* node, const char* code);

// The geometry sections (landxml_geom.cpp): CoordGeom, Breaklines and
// Boundaries as lines and polygons, Surfaces as triangle nets, PipeNetworks
// as pipe lines and structure points. Run after the points.
void vLxmlReadGeometry();

// The survey sections (landxml_survey.cpp): instrument setups, observation
// groups and GPS setups as stations and observations. Run after the points.
void vLxmlReadSurvey();

// The HexagonLandXML block (landxml_hexml.cpp, HeXML dialect): codes,
// attributes, point classes, grid coordinates, images, annotations and
// reflector names for what the LandXML part made. Run last.
void vLxmlReadHexBlock();
