// Feature libraries (FXL files) that go with JobXML jobs: which feature
// codes make points and which make lines, the control codes that start,
// end, close and join lines, and the list attributes of each feature.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <vector>

// What a JobXML read takes from the job's library.
struct FxlCodes {
  std::vector<std::string> pointCodes;  // "91", "96", "99", then the library's
  std::vector<std::string> lineCodes;
  std::string sStart, sClose, sEnd, sJoinToPoint, sNoJoin;  // "" when the library has none
};

// The three point codes every job knows, before any library is read.
void vFxlInitCodes(FxlCodes* codes);

// Finds the job's library (asking the user when the job names none or the
// named file is missing), reads it into codes and frees it again. A library
// that cannot be read leaves codes as they were.
void vFxlLoad(FxlCodes* codes, xmlNode* jobRoot, const char* jobPath);
// The path of the library to read, or "" for none.
std::string sFxlFindFile(xmlNode* jobRoot, const char* jobPath);
// Asks the question (translated; No is the default) and on Yes lets the user
// pick an fxl file: its path, or "" on No or Cancel.
std::string boFxlAskForFile(const char* question);
// Environment > AssociatedFiles > FeatureCodeLibrary; false when absent.
bool sJxlFeatureCodeLibrary(xmlNode* environment, std::string* out);
// The root FeatureCodingDefinitions read into codes; any other root is ignored.
void vFxlReadLibrary(FxlCodes* codes, xmlNode* root);

// Object kinds of the lookup.
enum { FXL_KIND_LINE = 0, FXL_KIND_POINT = 1, FXL_KIND_POLYGON = 3 };

// The list attribute of that (ANSI) name for the object kind: found := 1
// when one exists; index := the position of the Item whose text equals the
// value, 65535 when none matches or the value is null or empty.
void vFxlLookupCode(xmlDoc* library, int kind, const char* name, const char* value, int* found, int* index);
// The first ListAttribute of that UTF-8 name under a definition of the kind.
xmlNode* pFxlFindListAttribute(xmlDoc* library, int kind, const char* nameUtf8);
// The position among its ListItems' children of the first Item whose text
// equals the UTF-8 value.
bool boFxlFindItemIndex(xmlNode* listAttribute, const char* valueUtf8, int* index);
