// The module's own XML document writer: a small in-memory tree (a document
// with a prolog and one root; elements with a name, an optional text,
// attributes and children) that the XML writers fill and then print. It only
// builds and writes; there is no parser.
//
// Texts and attribute values are printed exactly as stored: the writers that
// use it escape and encode themselves. Every string is a private heap copy
// made when it is set.
//
// Output: the file holds CR LF line ends, as Windows' text mode writes them,
// on every platform: the streams are opened in binary mode and the writer
// writes CR LF itself, so files are byte-identical everywhere.
//
//   <?xml version="1.0" encoding="UTF-8" standalone="no"?>      (then an empty line)
//   <root a="1">
//     <leaf/>
//     <num>5</num>
//     <parent>text
//       <child/>
//     </parent>
//   </root>
//
// The root is never self-closed. A document without a root prints its
// prolog only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct MboXmlAttr {
  char* sName;
  char* sValue;
  void* pSpare;
  MboXmlAttr* pPrev;
  MboXmlAttr* pNext;
};

struct MboXmlAttrList {
  uint32_t uCount;
  MboXmlAttr* pFirst;
  MboXmlAttr* pLast;
};

// Children are doubly linked in insertion order; uChildCount is the length
// of that chain.
struct MboXmlElem {
  char* sName;
  char* sText;  // NULL: none
  MboXmlAttrList* pAttrs;
  uint32_t uChildCount;
  MboXmlElem* pParent;
  MboXmlElem* pFirstChild;
  MboXmlElem* pPrev;
  MboXmlElem* pNext;
  MboXmlElem* pLastChild;
};

struct MboXmlDoc {
  char* sVersion;       // NULL prints "1.0"
  char* sEncoding;      // NULL prints "UTF-8"
  char* sText3;         // kept, never printed
  int32_t iStandalone;  // below 1 prints "no", otherwise "yes"
  MboXmlElem* pRoot;
};

// Last error of the calling thread (only ever set, never cleared).
enum {
  MBO_XML_ERR_NOMEM = 1,  // out of memory in a constructor
  MBO_XML_ERR_OPEN = 2,   // the output file cannot be opened
  MBO_XML_ERR_WRITE = 3,  // writing, flushing or closing the file failed
};
int iMboXmlGetLastError(void);
void vMboXmlSetError(int iError);

// ---- Document ----
MboXmlDoc* pMboXmlNewDoc(void);
const char* sMboXmlSetVersion(MboXmlDoc* doc, const char* text);
const char* sMboXmlSetEncoding(MboXmlDoc* doc, const char* text);
const char* sMboXmlSetDocText3(MboXmlDoc* doc, const char* text);
void vMboXmlSetStandalone(MboXmlDoc* doc, int flag);
// A new element that becomes the root; a previous root is not freed (the
// caller may have appended it under the new one).
MboXmlElem* pMboXmlNewRoot(MboXmlDoc* doc, const char* name);
MboXmlElem* pMboXmlGetRoot(MboXmlDoc* doc);
// Frees the strings, the whole tree and the document. NULL is allowed.
void vMboXmlFreeDoc(MboXmlDoc* doc);
// Creates the file (binary, CR LF written here), prints prolog and tree and
// closes it. False with error 2 when it cannot be created, with error 3
// when a write, the flush or the close fails (the partial file stays).
bool boMboXmlWriteFile(MboXmlDoc* doc, const char* path);
// Prints prolog and tree into an open stream (opened in binary mode). False
// with error 3 when a write fails.
bool boMboXmlWriteDoc(MboXmlDoc* doc, FILE* fp);
// As boMboXmlWriteFile without the prolog: the root's tree only.
bool boMboXmlWriteTreeFile(MboXmlDoc* doc, const char* path);

// ---- Elements ----
// A detached element with an empty attribute list; NULL and error 1 when
// memory runs out.
MboXmlElem* pMboXmlNewElem(const char* name);
// A new element appended as the parent's last child.
MboXmlElem* pMboXmlAddChild(MboXmlElem* parent, const char* name);
// Appends an element as the parent's last child; one that still has a parent
// is taken out of that parent first. NULL for a null argument or when the
// element is the parent or one of its ancestors.
MboXmlElem* pMboXmlAppendChild(MboXmlElem* parent, MboXmlElem* child);
const char* sMboXmlSetText(MboXmlElem* elem, const char* text);
const char* sMboXmlSetName(MboXmlElem* elem, const char* text);
const char* sMboXmlGetName(MboXmlElem* elem);
const char* sMboXmlGetText(MboXmlElem* elem);
int iMboXmlGetChildCount(MboXmlElem* elem);
// The first child for NULL, otherwise the child's next sibling.
MboXmlElem* pMboXmlNextChild(MboXmlElem* elem, MboXmlElem* child);
// The child at that index from 0, or NULL.
MboXmlElem* pMboXmlGetChild(MboXmlElem* elem, int index);
// The first child of that name (exact), NULL when none or for a NULL name.
MboXmlElem* pMboXmlFindChild(MboXmlElem* elem, const char* name);
// A heap array (caller frees with free) of every child of that name, in
// order, and its length; NULL and 0 when none. The array grows to 2, 6, 14,
// ... entries. NULL, 0 and error 1 when memory runs out.
MboXmlElem** pMboXmlFindChildren(MboXmlElem* elem, const char* name, int* count);
// Unlinks the element from its siblings and parent and frees it with its
// text, attributes and descendants. NULL is allowed. Freeing a document's
// root this way leaves the document's root pointer dangling: don't (free
// the document, or make a new root first).
void vMboXmlFreeElem(MboXmlElem* elem);
void vMboXmlDeleteElem(MboXmlElem* elem);
void vMboXmlDeleteChild(MboXmlElem* elem, int index);
void vMboXmlDeleteChildByName(MboXmlElem* elem, const char* name);
void vMboXmlDeleteChildren(MboXmlElem* elem, const char* name);

// ---- Attributes ----
// Sets the attribute: one of the same name keeps its place with the new
// value (the old attribute is freed), else the new one is appended.
MboXmlAttr* pMboXmlSetAttr(MboXmlElem* elem, const char* name, const char* value);
MboXmlAttr* pMboXmlNewAttr(const char* name, const char* value);
int iMboXmlGetAttrCount(MboXmlElem* elem);
// The first attribute for NULL, otherwise the next one.
MboXmlAttr* pMboXmlNextAttr(MboXmlElem* elem, MboXmlAttr* attr);
const char* sMboXmlAttrGetName(MboXmlAttr* attr);
const char* sMboXmlAttrGetValue(MboXmlAttr* attr);
const char* sMboXmlAttrSetName(MboXmlAttr* attr, const char* text);
const char* sMboXmlAttrSetValue(MboXmlAttr* attr, const char* text);
// These two take the attribute LIST (elem->pAttrs), not the element.
MboXmlAttr* pMboXmlFindAttr(MboXmlAttrList* list, const char* name);
void vMboXmlRemoveAttr(MboXmlAttrList* list, const char* name);
MboXmlAttrList* pMboXmlNewAttrList(void);
void vMboXmlFreeAttrList(MboXmlAttrList* list);

// ---- Streaming ----
// The same printed text as a tree written with boMboXmlWriteFile, printed
// element by element as the writer goes, for documents too large to build
// as a tree first. Each element is started, given its attributes, then
// either its text or its children (text first when both), then ended. An
// attribute after the text or a child, or a second text, is dropped: the
// start tag is already out. The root is the first element started.
struct MboXmlStream;
// Makes the new file beside the target (it takes the target's place at
// boMboXmlStreamClose when written whole) and prints the prolog. NULL with
// error 2, and the reason as the last error, when it cannot be made.
MboXmlStream* pMboXmlStreamOpen(const char* path, const char* version, const char* encoding, int standalone);
// Ends the elements still open and closes the file. True when everything
// was written; false with error 3 when something was not, and with boKeep
// false (the writer gave up): either way the new file is removed and the
// target stays as it was.
bool boMboXmlStreamClose(MboXmlStream* stream, bool boKeep);
// The name must stay valid until the element's end.
void vMboXmlStreamStart(MboXmlStream* stream, const char* name);
void vMboXmlStreamStartN(MboXmlStream* stream, const char* name, size_t nameLen);
// A whole element without children at once, as Start, the attribute bytes
// as they stand (each ` name="value"`, put together by the writer), the
// text (null: none, the element self-closed) and End would print it.
void vMboXmlStreamLeaf(MboXmlStream* stream, const char* name, size_t nameLen, const char* attrs, size_t attrsLen,
                       const char* text, size_t textLen);
void vMboXmlStreamAttr(MboXmlStream* stream, const char* name, const char* value);
void vMboXmlStreamText(MboXmlStream* stream, const char* text);
void vMboXmlStreamEnd(MboXmlStream* stream);
// For a writer that puts a value together itself: an attribute's or the
// text's opening (same rules as above; false when it is too late for it),
// then its bytes, as they stand, with vMboXmlStreamPut, then for an
// attribute vMboXmlStreamAttrEnd.
bool boMboXmlStreamAttrBegin(MboXmlStream* stream, const char* name);
void vMboXmlStreamAttrEnd(MboXmlStream* stream);
bool boMboXmlStreamTextBegin(MboXmlStream* stream);
void vMboXmlStreamPut(MboXmlStream* stream, const char* data, size_t size);

// ---- Helpers ----
// A private heap copy (NULL for NULL, or with error 1 when memory runs out).
char* sMboXmlStrDup(const char* text);
// In place: removes trailing white space and leading blanks, line feeds,
// carriage returns, tabs and vertical tabs.
void vMboXmlTrim(char* text);
