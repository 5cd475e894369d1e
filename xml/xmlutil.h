// The XML readers' only way to libxml2: parsing with fixed options and a
// quiet error handler, XPath contexts with the prefix "kvx" bound to the
// document's namespace, slash paths turned into prefixed XPath, attribute
// and text access converted from UTF-8 to ANSI, point lists, time stamps,
// and the two indexes the LandXML reader keeps while it reads one file.
//
// Ownership: documents, contexts and node sets are owned by the RAII holders
// below. The "slots" (the current document and context of the process) only
// point at objects a holder owns; a holder that frees its object clears the
// slot that points at it, so a slot never dangles.
//
// libxml2 is initialised once and never cleaned up while the module runs
// (other documents may still be alive); parses never load external
// entities, DTDs or network resources, and entities are not substituted.
#pragma once

#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/hash.h"
#include "base/slink.h"
#include "geopnt.h"
#include "kv2gr.h"

struct XmlDocFree {
  void operator()(xmlDoc* doc) const;
};
struct XmlContextFree {
  void operator()(xmlXPathContext* ctx) const;
};
struct XmlNodeSetFree {
  void operator()(xmlNodeSet* set) const;
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;
using XmlContextPtr = std::unique_ptr<xmlXPathContext, XmlContextFree>;
using XmlNodeSetPtr = std::unique_ptr<xmlNodeSet, XmlNodeSetFree>;

// The slots: the current document and XPath context (non-owning).
extern xmlDoc* g_pXmlDoc;
extern xmlXPathContext* g_pXmlContext;

// LandXML version word.
enum { LXML_VERSION_10 = 0, LXML_VERSION_11 = 1, LXML_VERSION_12 = 2 };

// ---- Parsing ----
// libxml2 set up once (also done by every parse).
void vXmlInit(void);
// The file (a Windows path) parsed; null for a null path, a file that cannot
// be read, or a parse error (no recovery). Every parse gives null when
// libxml2 ran out of memory on the way.
XmlDocPtr pXmlParseFile(const char* path);
// The same, and the document goes into the document slot.
XmlDocPtr pXmlParseFileGlobal(const char* path);
// The bytes parsed, retried in recovery mode when that fails; the result
// (maybe null) goes into the document slot. Null for no buffer or a length
// below 1.
XmlDocPtr pXmlParseMemory(const char* buffer, int64_t length);
// ---- Documents of an import ----
// The bytes of the file at path parsed, retried in recovery mode when that
// fails and recover is set. A document that cannot be parsed gives a
// warning naming the file and libxml2's first error with its line, and
// null; one that recovery reads in part gives the same kind of warning and
// is returned. libxml2 out of memory in either parse gives the warning "Not
// enough memory to read %s" and null, even when it returned a document; a
// file larger than the parser takes (INT_MAX bytes) is refused as "Document
// is too large" before it is read.
XmlDocPtr pXmlParseImport(const char* buffer, int64_t length, const char* path, bool recover);
// The read operation parses the file before it empties the field book (as
// pXmlParseImport does) and keeps the document for the reader that follows.
// False when there is none: the file cannot be read or parsed.
bool boXmlPrepareImport(const char* path, bool recover);
// The document of an import: the one prepared for exactly that path
// (handed over), else the file parsed now as the preparation does. Null
// when there is none.
XmlDocPtr pXmlImportDocument(const char* path, bool recover);

// Clears both slots (the holders free the objects).
void vXmlReleaseGlobals(void);
// The node's markup; "" when the node or document is missing.
std::string sXmlNodeDump(xmlDoc* doc, xmlNode* node, int level, int format);

// ---- XPath contexts (each also goes into the context slot) ----
// LandXML: the root's namespace under "kvx", else the namespace of the
// version attribute ("1.0", "1.1", "1.2"; any other gives 1.0). Elements of
// a document without a namespace are first put into that namespace, so the
// same expressions find them. *version receives the version word. Null
// after the warning "Unable to download LandXML schema. Check your internet
// connection!" when the prefix cannot be registered.
XmlContextPtr pXmlLxmlXPathContext(xmlDoc* doc, int* version);
// The HexagonLandXML block: the root "LandXML" whose last element child is
// "HexagonLandXML" with a namespace; that namespace under "kvx". Else null.
XmlContextPtr pXmlHexXPathContext(xmlDoc* doc);
// JobXML: the root must be "JOBFile" (warnings otherwise); no namespace.
XmlContextPtr pXmlJxlXPathContext(xmlDoc* doc);
// Schema validation is not performed: always true.
bool boXmlSchemaCheck(xmlDoc* doc, int version);

// ---- Paths and queries ----
// The XPath of a slash path: "A/B" gives "//kvx:A/kvx:B"; with a prefix
// "p" (slashes dropped, a colon added) "//p:A/p:B". Cut at 1043
// characters; "" for a null path.
std::string sXmlPrefixedXPath(const char* path, const char* prefix);
// The nodes the path selects; null when there are none.
XmlNodeSetPtr pXmlXPathEval(xmlDoc* doc, xmlXPathContext* ctx, const char* path, const char* prefix);
// The same on the slots.
XmlNodeSetPtr pXmlXPathEvalGlobal(const char* path);

// The elements of each name (in the namespace bound to "kvx" in ctx), in
// document order, from one walk over the document: what the path "Name"
// selects for each name, at the cost of one search for all of them.
std::vector<std::vector<xmlNode*>> XmlElementsByName(xmlDoc* doc, xmlXPathContext* ctx,
                                                     const std::vector<const char*>& names);
// The same for names in the namespaces of several contexts (each bound to
// "kvx"; a null context finds nothing): one walk for all of them.
struct XmlWantedElement {
  xmlXPathContext* ctx;
  const char* name;
};
std::vector<std::vector<xmlNode*>> XmlElementsByName(xmlDoc* doc, const std::vector<XmlWantedElement>& wanted);

// ---- Nodes and texts ----
// UTF-8 to ANSI (code page 1252), any length; characters 1252 lacks become
// '?'.
std::string sXmlUtf8ToAnsi(const char* text);
// The attribute as libxml2 holds it (UTF-8): no-namespace first, then in the
// node's namespace.
std::optional<std::string> sXmlGetAttr(xmlNode* node, const char* name);
// The attribute of exactly that name, in ANSI; none when absent.
std::optional<std::string> sXmlAttrOpt(xmlNode* node, const char* name);
// The same without a copy where it can be had: a pointer into the document
// when libxml2 holds the value as one text of plain ASCII (the same in
// ANSI), else into *scratch. Null when absent.
const char* sXmlAttrView(xmlNode* node, const char* name, std::string* scratch);
// The node's content (UTF-8); a line feed met among the leading blanks
// before anything else becomes a blank.
std::string pXmlNodeContent(xmlNode* node);
// The content in ANSI ("" when none).
std::string sXmlNodeText(xmlNode* node);
// True for an element of exactly that name.
bool boXmlNamed(const xmlNode* node, const char* name);
// The first child element of that name (exact), null when none.
xmlNode* pXmlChildByName(xmlNode* node, const char* name);
// The first "Feature" child whose "code" equals code ignoring case.
xmlNode* pXmlFeatureByCode(xmlNode* node, const char* code);
// From node along its next siblings up to end: the first of that name, else
// end.
xmlNode* pXmlSiblingByName(xmlNode* node, xmlNode* end, const char* name);
// The points of a point-list element: "PntList2D" holds two values per
// point, any other list three. Values are separated by any XML white space.
// Each point is {east, north, height}: the file's first value is the north
// (Y), the second the east (X), the third the height (0 in 2-D); a last
// incomplete group is ignored. A value that is no number (boXmlNextDouble)
// is absent: a point without north or east is left out, an absent height is
// NaN.
std::vector<GeoPnt3> pXmlParsePntList(xmlNode* node);
// True when the node's "uniqueID" is present and equals id exactly.
bool boXmlUniqueIdEquals(xmlNode* node, const char* id);
// An XML date-time in the field book's form: the first 'T' becomes '_',
// hyphens become points, a last non-digit (a zone letter) is dropped:
// 2012-05-03T10:20:30Z gives 2012.05.03_10:20:30.
std::string sLxmlTimeStamp(const char* text);

// ---- Numbers in texts (locale-free; nothing here throws) ----
// The next white-space-separated token at *cursor read as an xs:double:
// *value is its value when the token is a finite number in the decimal form
// (sign, digits, point, exponent), none for any other token (hexadecimal,
// INF, NaN, a value beyond the double range, trailing characters); the
// cursor moves behind the token. False when no token is left.
bool boXmlNextDouble(const char** cursor, std::optional<double>* value);
// The text as one such number (blanks around it allowed); none otherwise
// (also for no text).
std::optional<double> dXmlNumber(const std::string& text);
std::optional<double> dXmlNumber(const char* text);
// The text itself when it is such a number, else none: for values the field
// book takes as text (its own parse reads hexadecimal, INF and NaN).
std::optional<std::string> sXmlNumberText(const std::optional<std::string>& text);
// A number as "%f".
std::string sXmlFixed(double value);
// A direction in degrees as the field book's internal angle (through the
// coordinate system's unit and conventions; zenith for a vertical angle),
// as "%f"; none when that is not finite.
std::optional<std::string> sXmlDegreesToAngle(double degrees, bool zenith);
// An air pressure in millibar (hectopascal) as the field book's millimetres
// of mercury, as "%f".
std::string sXmlMillibarToMmHg(double millibar);

// ---- The point-name index of one read ----
// Small on purpose (an import may index millions of points): the texts are
// exact-size copies in the index's pool, cut to 99 characters.
struct LxmlPtIndexEntry {
  LxmlPtIndexEntry* pNext;
  const char* sName;   // the field-book point ID
  const char* sAlias;  // the name the file uses for it (the ID when none)
  intptr_t tag;        // the caller's (the element the point came from)
  PoPoint* pPoint;
};

struct LxmlPtIndex {
  SLinkList list;
  MemPool pool;
  HashTable* pByAlias;
  HashTable* pByName;
};

// slots: the hash slot count (a good size is the number of points expected;
// 0 takes 8191).
LxmlPtIndex* pLxmlPtIndexNew(int slots);
void vLxmlPtIndexFree(LxmlPtIndex** index);
// An entry for the point (null for no point): name = its ID, alias = alias
// or its ID. Equal keys are kept; a find gives the first.
LxmlPtIndexEntry* pLxmlPtIndexAdd(LxmlPtIndex* index, PoPoint* point, const char* alias, intptr_t tag);
LxmlPtIndexEntry* pLxmlPtIndexFindByAlias(LxmlPtIndex* index, const char* alias);
LxmlPtIndexEntry* pLxmlPtIndexFindByName(LxmlPtIndex* index, const char* name);

// ---- The setup index of one read ----
struct LxmlSetupIndexEntry {
  LxmlSetupIndexEntry* pNext;
  char sId[100];   // the InstrumentSetup "id", cut to 99 characters
  uint32_t uType;  // station kind (1 total station)
  void* pStation;
};

struct LxmlSetupIndex {
  SLinkList list;
  MemPool pool;
  HashTable* pById;
};

LxmlSetupIndex* pLxmlSetupIndexNew(void);
void vLxmlSetupIndexFree(LxmlSetupIndex** index);
LxmlSetupIndexEntry* pLxmlSetupIndexAdd(LxmlSetupIndex* index, void* station, const char* id, uint32_t type);
LxmlSetupIndexEntry* pLxmlSetupIndexFind(LxmlSetupIndex* index, const char* id);
