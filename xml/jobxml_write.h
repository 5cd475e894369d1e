// The JobXML writer (iJxlWriteFile, xml/jobxml.h): the whole field book as
// one JobXML 5.64 job in UTF-8. Every line vertex, point and polygon vertex
// becomes a reduced point with grid coordinates; stations and observations
// are not written. With a project key attribute, the feature library (FXL)
// of the same base name beside the output file tells which attributes are
// menu items.
//
// Every text from the field book is converted to UTF-8 and then escaped
// here: the document writer prints texts as they are.
#pragma once

#include <libxml/tree.h>

#include <string>

#include "kv2gr.h"
#include "xml/xmldoc.h"

// The document being written and its JOBFile root.
struct JxlWriteDoc {
  MboXmlDoc* pDoc;
  MboXmlElem* pRoot;
};

// A new document whose root carries the job name (an ANSI text) and the
// local time now; null when memory runs out.
JxlWriteDoc* pJxlNewDoc(const char* jobName);
void vJxlFreeDoc(JxlWriteDoc* doc);
// False when the file cannot be created, written, flushed or closed.
bool boJxlSaveDoc(JxlWriteDoc* doc, const char* path);

// An ANSI text as UTF-8, whole, markup characters as entities (quotes too
// when forAttr), control characters other than tab, LF and CR dropped.
std::string sJxlToUtf8(const char* text, bool forAttr = false);
// A child element whose text is the converted text, set when not empty.
void vJxlAddTextElem(MboXmlElem* parent, const char* name, const char* text);

// Object kinds: FXL_KIND_LINE, FXL_KIND_POINT, FXL_KIND_POLYGON (xml/fxl.h).
void vJxlAddReductions(MboXmlElem* root, const char* key, xmlDoc* fxl);
// One Point for a point (vertex null) or for a vertex of a line or polygon,
// named vertexName.
MboXmlElem* pJxlAddPoint(MboXmlElem* parent, void* object, int kind, LiElm* vertex, const char* vertexName,
                         ViFields* fields, const char* key, xmlDoc* fxl);
void vJxlAddFeatures(MboXmlElem* point, const void* object, int kind, ViFields* fields, const char* key, xmlDoc* fxl);
void vJxlAddAttribute(MboXmlElem* feature, int kind, const char* name, const char* value, xmlDoc* fxl);
// Environment with its fixed settings; AssociatedFiles naming the library
// when fxlName is not empty.
void vJxlAddEnvironment(MboXmlElem* root, const char* fxlName);
