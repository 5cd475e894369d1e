// The JobXML reader: a job file's stations, observations, GPS records,
// points, feature-coded lines, polylines and media files, made directly in
// the field book through the object interface; its lines follow the job's
// feature library (xml/fxl.h). The driver entry boJxlReadFile is in
// xml/jobxml.h.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "kv2gr.h"
#include "xml/fxl.h"

struct JxlMediaFile {
  std::string sRecordId, sFileName;
};

// A point as Reductions gives it; a coordinate is absent when its element
// is missing or blank.
struct JxlPointCoords {
  std::string sName;
  std::optional<std::string> north, east, elevation;
};

// The first coordinates given for a name, as the registry keeps them:
// parsed once (an absent value is 0, as an empty text parses).
struct JxlRegisteredCoords {
  double north, east, elevation;
  bool boNorth, boEast, boElevation;
};

struct JxlOpenLine {
  LiLine* pLine;  // null once the line of that code has been ended
  std::string sCode;
};

// What one read keeps; gone at its end.
struct JxlReaderState {
  FxlCodes codes;
  xmlNode* pFieldBook = nullptr;  // the first FieldBook (record lookups)
  std::vector<JxlMediaFile> media;
  // Every point's name and coordinates in file order, and the look-up of
  // the first coordinates of a name, made from them only when a look-up
  // comes (most files have none): the first uIndexed are in it.
  std::vector<std::pair<std::string, JxlRegisteredCoords>> registered;
  size_t uIndexed = 0;
  std::unordered_map<std::string, JxlRegisteredCoords> registry;
  std::vector<JxlOpenLine> openLines;
  // The FieldBook's records looked up by ID (name, '\n', ID -> first such
  // record) and its PointRecords by StationID, each made in one walk: a
  // walk per lookup would make a large job quadratic.
  std::unordered_map<std::string, xmlNode*> recordsById;
  std::unordered_map<std::string, std::vector<xmlNode*>> readingsByStation;
};

void vJxlWalkJobFile(xmlNode* root, const char* path);

// The pieces of the text between the delimiters, in order; a delimiter at
// the very end gives no empty last piece. An empty text gives none.
std::vector<std::string> vJxlSplit(const std::string& text, char delimiter);
// The first child of the FieldBook of that name whose "ID" equals id
// (AtmosphereRecord, TargetRecord, AntennaRecord).
xmlNode* pJxlFindRecordById(const JxlReaderState* state, const char* name, const std::string& id);
// 2012-05-03T10:20:30Z gives 2012.05.03_10:20:30Z.
std::string sJxlReadTimeStamp(const std::string& text);

// The section readers, in the order of the walk.
void vJxlReadMediaFiles(JxlReaderState* state, xmlNode* fieldBook);
void vJxlReadReductions(JxlReaderState* state, xmlNode* reductions);
void vJxlReadStations(JxlReaderState* state, xmlNode* fieldBook);
void vJxlReadGpsRecords(JxlReaderState* state, xmlNode* fieldBook);
void vJxlReadPolylines(JxlReaderState* state, xmlNode* fieldBook);
