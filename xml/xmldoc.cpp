// The module's XML document writer (see xmldoc.h).
#include "xml/xmldoc.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/paths.h"
#include "win32.h"

// ---------------------------------------------------------------------------
// Last error, one per thread in a TLS slot made on first use.

namespace {

DWORD uErrorSlot() {
  static const DWORD slot = TlsAlloc();
  return slot;
}

bool boSetText(char** field, const char* text) {
  char* copy = nullptr;
  if (text) {
    copy = sMboXmlStrDup(text);
    if (!copy) return false;
  }
  free(*field);
  *field = copy;
  return true;
}

}  // namespace

int iMboXmlGetLastError(void) {
  DWORD slot = uErrorSlot();
  if (slot == TLS_OUT_OF_INDEXES) return 0;
  return (int)(intptr_t)TlsGetValue(slot);
}

void vMboXmlSetError(int iError) {
  DWORD slot = uErrorSlot();
  if (slot != TLS_OUT_OF_INDEXES) TlsSetValue(slot, (LPVOID)(intptr_t)iError);
}

char* sMboXmlStrDup(const char* text) {
  if (!text) return nullptr;
  size_t n = strlen(text) + 1;
  char* copy = (char*)malloc(n);
  if (!copy) {
    vMboXmlSetError(MBO_XML_ERR_NOMEM);
    return nullptr;
  }
  memcpy(copy, text, n);
  return copy;
}

void vMboXmlTrim(char* text) {
  if (!text) return;
  size_t n = strlen(text);
  while (n > 0 && isspace((unsigned char)text[n - 1])) n--;
  text[n] = 0;
  size_t lead = strspn(text, " \n\r\t\v");
  if (lead) memmove(text, text + lead, n - lead + 1);
}

// ---------------------------------------------------------------------------
// Attributes

MboXmlAttrList* pMboXmlNewAttrList(void) {
  MboXmlAttrList* list = (MboXmlAttrList*)calloc(1, sizeof(MboXmlAttrList));
  if (!list) vMboXmlSetError(MBO_XML_ERR_NOMEM);
  return list;
}

namespace {

void vFreeAttr(MboXmlAttr* attr) {
  free(attr->sName);
  free(attr->sValue);
  free(attr);
}

void vUnlinkAttr(MboXmlAttrList* list, MboXmlAttr* attr) {
  (attr->pPrev ? attr->pPrev->pNext : list->pFirst) = attr->pNext;
  (attr->pNext ? attr->pNext->pPrev : list->pLast) = attr->pPrev;
  attr->pPrev = attr->pNext = nullptr;
  list->uCount--;
}

}  // namespace

void vMboXmlFreeAttrList(MboXmlAttrList* list) {
  if (!list) return;
  for (MboXmlAttr* a = list->pFirst; a;) {
    MboXmlAttr* next = a->pNext;
    vFreeAttr(a);
    a = next;
  }
  free(list);
}

MboXmlAttr* pMboXmlNewAttr(const char* name, const char* value) {
  MboXmlAttr* attr = (MboXmlAttr*)calloc(1, sizeof(MboXmlAttr));
  if (!attr || !boSetText(&attr->sName, name) || !boSetText(&attr->sValue, value)) {
    if (attr) vFreeAttr(attr);
    vMboXmlSetError(MBO_XML_ERR_NOMEM);
    return nullptr;
  }
  return attr;
}

MboXmlAttr* pMboXmlFindAttr(MboXmlAttrList* list, const char* name) {
  if (!list || !name) return nullptr;
  for (MboXmlAttr* a = list->pFirst; a; a = a->pNext)
    if (a->sName && strcmp(a->sName, name) == 0) return a;
  return nullptr;
}

void vMboXmlRemoveAttr(MboXmlAttrList* list, const char* name) {
  MboXmlAttr* attr = pMboXmlFindAttr(list, name);
  if (!attr) return;
  vUnlinkAttr(list, attr);
  vFreeAttr(attr);
}

MboXmlAttr* pMboXmlSetAttr(MboXmlElem* elem, const char* name, const char* value) {
  if (!elem || !elem->pAttrs || !name) return nullptr;
  MboXmlAttr* attr = pMboXmlNewAttr(name, value);
  if (!attr) return nullptr;
  MboXmlAttrList* list = elem->pAttrs;
  MboXmlAttr* old = pMboXmlFindAttr(list, name);
  if (old) {
    // The new one takes the old one's place in the order.
    attr->pPrev = old->pPrev;
    attr->pNext = old->pNext;
    (old->pPrev ? old->pPrev->pNext : list->pFirst) = attr;
    (old->pNext ? old->pNext->pPrev : list->pLast) = attr;
    vFreeAttr(old);
    return attr;
  }
  attr->pPrev = list->pLast;
  (list->pLast ? list->pLast->pNext : list->pFirst) = attr;
  list->pLast = attr;
  list->uCount++;
  return attr;
}

int iMboXmlGetAttrCount(MboXmlElem* elem) { return elem && elem->pAttrs ? (int)elem->pAttrs->uCount : 0; }

MboXmlAttr* pMboXmlNextAttr(MboXmlElem* elem, MboXmlAttr* attr) {
  if (attr) return attr->pNext;
  return elem && elem->pAttrs ? elem->pAttrs->pFirst : nullptr;
}

const char* sMboXmlAttrGetName(MboXmlAttr* attr) { return attr ? attr->sName : nullptr; }
const char* sMboXmlAttrGetValue(MboXmlAttr* attr) { return attr ? attr->sValue : nullptr; }

const char* sMboXmlAttrSetName(MboXmlAttr* attr, const char* text) {
  if (!attr) return nullptr;
  boSetText(&attr->sName, text);
  return attr->sName;
}

const char* sMboXmlAttrSetValue(MboXmlAttr* attr, const char* text) {
  if (!attr) return nullptr;
  boSetText(&attr->sValue, text);
  return attr->sValue;
}

// ---------------------------------------------------------------------------
// Elements

MboXmlElem* pMboXmlNewElem(const char* name) {
  MboXmlElem* elem = (MboXmlElem*)calloc(1, sizeof(MboXmlElem));
  if (elem) {
    elem->pAttrs = pMboXmlNewAttrList();
    if (elem->pAttrs && boSetText(&elem->sName, name)) return elem;
    vMboXmlFreeAttrList(elem->pAttrs);
    free(elem);
  }
  vMboXmlSetError(MBO_XML_ERR_NOMEM);
  return nullptr;
}

namespace {

void vUnlinkElem(MboXmlElem* elem) {
  MboXmlElem* parent = elem->pParent;
  if (elem->pPrev) elem->pPrev->pNext = elem->pNext;
  if (elem->pNext) elem->pNext->pPrev = elem->pPrev;
  if (parent) {
    if (parent->pFirstChild == elem) parent->pFirstChild = elem->pNext;
    if (parent->pLastChild == elem) parent->pLastChild = elem->pPrev;
    parent->uChildCount--;
  }
  elem->pParent = elem->pPrev = elem->pNext = nullptr;
}

// Frees a detached element and its subtree.
void vFreeTree(MboXmlElem* elem) {
  for (MboXmlElem* c = elem->pFirstChild; c;) {
    MboXmlElem* next = c->pNext;
    vFreeTree(c);
    c = next;
  }
  free(elem->sName);
  free(elem->sText);
  vMboXmlFreeAttrList(elem->pAttrs);
  free(elem);
}

}  // namespace

MboXmlElem* pMboXmlAppendChild(MboXmlElem* parent, MboXmlElem* child) {
  if (!parent || !child) return nullptr;
  for (MboXmlElem* a = parent; a; a = a->pParent)
    if (a == child) return nullptr;  // would make a cycle
  // Linked into two trees it would be freed twice.
  if (child->pParent || child->pPrev || child->pNext) vUnlinkElem(child);
  child->pParent = parent;
  child->pPrev = parent->pLastChild;
  (parent->pLastChild ? parent->pLastChild->pNext : parent->pFirstChild) = child;
  parent->pLastChild = child;
  parent->uChildCount++;
  return child;
}

MboXmlElem* pMboXmlAddChild(MboXmlElem* parent, const char* name) {
  if (!parent) return nullptr;
  MboXmlElem* child = pMboXmlNewElem(name);
  return child ? pMboXmlAppendChild(parent, child) : nullptr;
}

const char* sMboXmlSetText(MboXmlElem* elem, const char* text) {
  if (!elem) return nullptr;
  boSetText(&elem->sText, text);
  return elem->sText;
}

const char* sMboXmlSetName(MboXmlElem* elem, const char* text) {
  if (!elem) return nullptr;
  boSetText(&elem->sName, text);
  return elem->sName;
}

const char* sMboXmlGetName(MboXmlElem* elem) { return elem ? elem->sName : nullptr; }
const char* sMboXmlGetText(MboXmlElem* elem) { return elem ? elem->sText : nullptr; }
int iMboXmlGetChildCount(MboXmlElem* elem) { return elem ? (int)elem->uChildCount : 0; }

MboXmlElem* pMboXmlNextChild(MboXmlElem* elem, MboXmlElem* child) {
  if (child) return child->pNext;
  return elem ? elem->pFirstChild : nullptr;
}

MboXmlElem* pMboXmlGetChild(MboXmlElem* elem, int index) {
  if (!elem || index < 0) return nullptr;
  MboXmlElem* c = elem->pFirstChild;
  while (c && index-- > 0) c = c->pNext;
  return c;
}

MboXmlElem* pMboXmlFindChild(MboXmlElem* elem, const char* name) {
  if (!elem || !name) return nullptr;
  for (MboXmlElem* c = elem->pFirstChild; c; c = c->pNext)
    if (c->sName && strcmp(c->sName, name) == 0) return c;
  return nullptr;
}

MboXmlElem** pMboXmlFindChildren(MboXmlElem* elem, const char* name, int* count) {
  if (count) *count = 0;
  MboXmlElem** found = nullptr;
  int n = 0, cap = 0;
  for (MboXmlElem* c = elem && name ? elem->pFirstChild : nullptr; c; c = c->pNext) {
    if (!c->sName || strcmp(c->sName, name) != 0) continue;
    if (n == cap) {
      cap = 2 * cap + 2;
      MboXmlElem** grown = (MboXmlElem**)realloc(found, (size_t)cap * sizeof *found);
      if (!grown) {
        free(found);
        vMboXmlSetError(MBO_XML_ERR_NOMEM);
        return nullptr;
      }
      found = grown;
    }
    found[n++] = c;
  }
  if (count) *count = n;
  return found;
}

void vMboXmlFreeElem(MboXmlElem* elem) {
  if (!elem) return;
  vUnlinkElem(elem);
  vFreeTree(elem);
}

void vMboXmlDeleteElem(MboXmlElem* elem) { vMboXmlFreeElem(elem); }

void vMboXmlDeleteChild(MboXmlElem* elem, int index) { vMboXmlFreeElem(pMboXmlGetChild(elem, index)); }

void vMboXmlDeleteChildByName(MboXmlElem* elem, const char* name) { vMboXmlFreeElem(pMboXmlFindChild(elem, name)); }

void vMboXmlDeleteChildren(MboXmlElem* elem, const char* name) {
  for (MboXmlElem* c; (c = pMboXmlFindChild(elem, name)) != nullptr;) vMboXmlFreeElem(c);
}

// ---------------------------------------------------------------------------
// Document

MboXmlDoc* pMboXmlNewDoc(void) {
  MboXmlDoc* doc = (MboXmlDoc*)calloc(1, sizeof(MboXmlDoc));
  if (!doc) vMboXmlSetError(MBO_XML_ERR_NOMEM);
  return doc;
}

const char* sMboXmlSetVersion(MboXmlDoc* doc, const char* text) {
  if (!doc) return nullptr;
  boSetText(&doc->sVersion, text);
  return doc->sVersion;
}

const char* sMboXmlSetEncoding(MboXmlDoc* doc, const char* text) {
  if (!doc) return nullptr;
  boSetText(&doc->sEncoding, text);
  return doc->sEncoding;
}

const char* sMboXmlSetDocText3(MboXmlDoc* doc, const char* text) {
  if (!doc) return nullptr;
  boSetText(&doc->sText3, text);
  return doc->sText3;
}

void vMboXmlSetStandalone(MboXmlDoc* doc, int flag) {
  if (doc) doc->iStandalone = flag;
}

MboXmlElem* pMboXmlNewRoot(MboXmlDoc* doc, const char* name) {
  if (!doc) return nullptr;
  MboXmlElem* root = pMboXmlNewElem(name);
  if (root) doc->pRoot = root;
  return root;
}

MboXmlElem* pMboXmlGetRoot(MboXmlDoc* doc) { return doc ? doc->pRoot : nullptr; }

void vMboXmlFreeDoc(MboXmlDoc* doc) {
  if (!doc) return;
  if (doc->pRoot) vMboXmlFreeElem(doc->pRoot);
  free(doc->sVersion);
  free(doc->sEncoding);
  free(doc->sText3);
  free(doc);
}

// ---------------------------------------------------------------------------
// Printing. Every line feed goes out as CR LF (Windows text mode).

namespace {

// The printed text goes out in large blocks: a stream call per piece costs
// more than the piece, and the system takes a quarter megabyte at once for
// less than four writes of 64 KB.
struct XmlOut {
  FILE* fp;
  bool boFailed;
  size_t uUsed = 0;
  char block[1 << 18];
};

void vFlush(XmlOut* out) {
  if (!out->boFailed && out->uUsed && fwrite(out->block, 1, out->uUsed, out->fp) != out->uUsed) out->boFailed = true;
  out->uUsed = 0;
}

// n bytes (k to 2k) as two overlapping blocks of k.
template <size_t K>
[[gnu::always_inline]] inline void vCopyEnds(char* d, const char* s, size_t n) {
  char a[K], b[K];
  memcpy(a, s, K);
  memcpy(b, s + n - K, K);
  memcpy(d, a, K);
  memcpy(d + n - K, b, K);
}

// A copy of a few bytes without a library call: most pieces are names,
// numbers and short values.
[[gnu::always_inline]] inline void vCopy(char* d, const char* s, size_t n) {
  if (n > 64)
    memcpy(d, s, n);
  else if (n > 32)
    vCopyEnds<32>(d, s, n);
  else if (n > 16)
    vCopyEnds<16>(d, s, n);
  else if (n >= 8)
    vCopyEnds<8>(d, s, n);
  else if (n >= 4)
    vCopyEnds<4>(d, s, n);
  else
    for (size_t i = 0; i < n; i++) d[i] = s[i];
}

// The block full: what fits, a flush, and so on.
void vPutSlow(XmlOut* out, const char* text, size_t n) {
  while (n) {
    if (out->uUsed == sizeof out->block) vFlush(out);
    if (out->boFailed) return;
    size_t take = std::min(n, sizeof out->block - out->uUsed);
    memcpy(out->block + out->uUsed, text, take);
    out->uUsed += take;
    text += take;
    n -= take;
  }
}

[[gnu::always_inline]] inline void vPutN(XmlOut* out, const char* text, size_t n) {
  if (n > sizeof out->block - out->uUsed) return vPutSlow(out, text, n);
  vCopy(out->block + out->uUsed, text, n);
  out->uUsed += n;
}

struct Piece {
  const char* p;
  size_t n;
};

// Several pieces with one look for room, each copy in line (the pieces'
// sizes are mostly known where this is called).
template <class... P>
[[gnu::always_inline]] inline void vPutPieces(XmlOut* out, const P&... pieces) {
  size_t total = (pieces.n + ...);
  if (total > sizeof out->block - out->uUsed) {
    (vPutN(out, pieces.p, pieces.n), ...);
    return;
  }
  char* d = out->block + out->uUsed;
  ((vCopy(d, pieces.p, pieces.n), d += pieces.n), ...);
  out->uUsed += total;
}

// Indentation: two blanks a level.
const char kBlanks[] = "                                                                ";
const int kBlankLevels = (int)(sizeof kBlanks - 1) / 2;
// The end of a start tag or of a text, and the next line's indentation, in
// one piece: the last bytes of ">\r\n" (those needed), then the blanks.
const char kBreak[] = ">\r\n                                                                ";
static_assert(sizeof kBreak == sizeof kBlanks + 3);

// before (a tail of ">\r\n") and the blanks of the level (at most
// kBlankLevels).
Piece Lead(Piece before, size_t level) { return {kBreak + 3 - before.n, before.n + 2 * level}; }

void vPut(XmlOut* out, const char* text) {
  if (text) vPutN(out, text, strlen(text));
}

void vPutLine(XmlOut* out) { vPut(out, "\r\n"); }

}  // namespace

static void vMboXmlWriteIndent(XmlOut* out, int level) {
  for (size_t n = 2 * (size_t)std::max(level, 0); n;) {
    size_t take = std::min(n, sizeof kBlanks - 1);
    vPutN(out, kBlanks, take);
    n -= take;
  }
}

static void vMboXmlWriteAttr(XmlOut* out, const MboXmlAttr* attr) {
  vPut(out, " ");
  vPut(out, attr->sName);
  vPut(out, "=\"");
  vPut(out, attr->sValue);
  vPut(out, "\"");
}

static void vMboXmlWriteElem(XmlOut* out, const MboXmlElem* elem, int level) {
  vMboXmlWriteIndent(out, level);
  vPut(out, "<");
  vPut(out, elem->sName);
  for (const MboXmlAttr* a = elem->pAttrs ? elem->pAttrs->pFirst : nullptr; a; a = a->pNext) vMboXmlWriteAttr(out, a);
  if (!elem->sText && !elem->pFirstChild && elem->pParent) {
    vPut(out, "/>");
    vPutLine(out);
    return;
  }
  vPut(out, ">");
  vPut(out, elem->sText);
  if (!elem->sText || elem->pFirstChild) vPutLine(out);
  for (const MboXmlElem* c = elem->pFirstChild; c; c = c->pNext) vMboXmlWriteElem(out, c, level + 1);
  if (elem->pFirstChild) vMboXmlWriteIndent(out, level);
  vPut(out, "</");
  vPut(out, elem->sName);
  vPut(out, ">");
  vPutLine(out);
}

static void vMboXmlWriteProlog(XmlOut* out, const char* version, const char* encoding, int standalone) {
  vPut(out, "<?xml version=\"");
  vPut(out, version ? version : "1.0");
  vPut(out, "\" encoding=\"");
  vPut(out, encoding ? encoding : "UTF-8");
  vPut(out, "\" standalone=\"");
  vPut(out, standalone < 1 ? "no" : "yes");
  vPut(out, "\"?>");
  vPutLine(out);
  vPutLine(out);
}

namespace {

bool boWriteStream(MboXmlDoc* doc, FILE* fp, bool boProlog) {
  if (!doc || !fp) return false;
  std::unique_ptr<XmlOut> holder(new (std::nothrow) XmlOut{fp, false, 0, {}});
  if (!holder) {
    vMboXmlSetError(MBO_XML_ERR_WRITE);
    return false;
  }
  XmlOut& out = *holder;
  if (boProlog) vMboXmlWriteProlog(&out, doc->sVersion, doc->sEncoding, doc->iStandalone);
  if (doc->pRoot) vMboXmlWriteElem(&out, doc->pRoot, 0);
  vFlush(&out);
  if (out.boFailed || ferror(fp)) {
    vMboXmlSetError(MBO_XML_ERR_WRITE);
    return false;
  }
  return true;
}

// A new file beside the target takes its place only when written whole.
FILE* pOpenOut(PathOutFile* out, const char* path) {
  if (!boPathOutBegin(out, path)) {
    vMboXmlSetError(MBO_XML_ERR_OPEN);
    return nullptr;
  }
  // The new file is made empty: it is opened as it is, not cut to nothing
  // again, for a file system may flush a file cut to nothing at its close
  // (the whole document, in the writer's time). A device is opened to write.
  FILE* fp = out->boDirect ? nullptr : _fsopen(out->sWrite, "r+b", _SH_DENYNO);
  if (!fp) fp = _fsopen(out->sWrite, "wb", _SH_DENYNO);
  if (!fp) {
    DWORD err = GetLastError();
    boPathOutEnd(out, false);
    SetLastError(err);
    vMboXmlSetError(MBO_XML_ERR_OPEN);
  }
  return fp;
}

bool boCloseOut(PathOutFile* out, FILE* fp, bool ok) {
  // A full disk or a lost share often shows only here.
  if (fflush(fp) != 0) ok = false;
  if (fclose(fp) != 0) ok = false;
  if (!boPathOutEnd(out, ok)) ok = false;
  if (!ok) vMboXmlSetError(MBO_XML_ERR_WRITE);
  return ok;
}

bool boWritePath(MboXmlDoc* doc, const char* path, bool boProlog) {
  if (!doc) return false;
  PathOutFile out;
  FILE* fp = pOpenOut(&out, path);
  return fp && boCloseOut(&out, fp, boWriteStream(doc, fp, boProlog));
}

}  // namespace

bool boMboXmlWriteDoc(MboXmlDoc* doc, FILE* fp) { return boWriteStream(doc, fp, true); }

bool boMboXmlWriteFile(MboXmlDoc* doc, const char* path) { return boWritePath(doc, path, true); }

bool boMboXmlWriteTreeFile(MboXmlDoc* doc, const char* path) { return boWritePath(doc, path, false); }

// ---------------------------------------------------------------------------
// Streaming: the printer's rules applied as the elements come.

struct MboXmlStream {
  struct Open {
    const char* sName;
    size_t uNameLen;
    bool boTagOpen;  // the start tag still takes attributes
    bool boText, boChildren;
  };
  PathOutFile path;
  XmlOut out;
  std::vector<Open> open;
  bool boStarted = false;  // the root came
};

MboXmlStream* pMboXmlStreamOpen(const char* path, const char* version, const char* encoding, int standalone) {
  std::unique_ptr<MboXmlStream> s(new (std::nothrow) MboXmlStream{});
  if (!s) {
    vMboXmlSetError(MBO_XML_ERR_NOMEM);
    return nullptr;
  }
  s->out.fp = pOpenOut(&s->path, path);
  if (!s->out.fp) return nullptr;
  vMboXmlWriteProlog(&s->out, version, encoding, standalone);
  return s.release();
}

bool boMboXmlStreamClose(MboXmlStream* s, bool boKeep) {
  if (!s) return false;
  while (!s->open.empty()) vMboXmlStreamEnd(s);
  vFlush(&s->out);
  bool ok = boKeep && !s->out.boFailed && !ferror(s->out.fp);
  ok = boCloseOut(&s->path, s->out.fp, ok);
  delete s;
  return ok;
}

namespace {

// What the parent's start tag or text still needs before a child; the
// parent then has children.
Piece BeforeChild(MboXmlStream* s) {
  Piece before{"", 0};
  if (!s->open.empty()) {
    MboXmlStream::Open& parent = s->open.back();
    if (parent.boTagOpen)
      before = {">\r\n", 3};
    else if (parent.boText && !parent.boChildren)
      before = {"\r\n", 2};
    parent.boTagOpen = false;
    parent.boChildren = true;
  }
  return before;
}

}  // namespace

void vMboXmlStreamStart(MboXmlStream* s, const char* name) {
  if (name) vMboXmlStreamStartN(s, name, strlen(name));
}

void vMboXmlStreamStartN(MboXmlStream* s, const char* name, size_t len) {
  if (!s || !name) return;
  if (s->open.empty() && s->boStarted) return;  // one root
  s->boStarted = true;
  Piece before = BeforeChild(s);
  size_t level = s->open.size();
  if (level <= (size_t)kBlankLevels) {
    vPutPieces(&s->out, Lead(before, level), Piece{"<", 1}, Piece{name, len});
  } else {
    vPutN(&s->out, before.p, before.n);
    vMboXmlWriteIndent(&s->out, (int)level);
    vPutPieces(&s->out, Piece{"<", 1}, Piece{name, len});
  }
  s->open.push_back({name, len, true, false, false});
}

bool boMboXmlStreamAttrBegin(MboXmlStream* s, const char* name) {
  if (!s || s->open.empty() || !s->open.back().boTagOpen || !name) return false;
  vPutPieces(&s->out, Piece{" ", 1}, Piece{name, strlen(name)}, Piece{"=\"", 2});
  return true;
}

void vMboXmlStreamAttrEnd(MboXmlStream* s) {
  if (s) vPutN(&s->out, "\"", 1);
}

void vMboXmlStreamAttr(MboXmlStream* s, const char* name, const char* value) {
  if (!boMboXmlStreamAttrBegin(s, name)) return;
  vPut(&s->out, value);
  vMboXmlStreamAttrEnd(s);
}

bool boMboXmlStreamTextBegin(MboXmlStream* s) {
  if (!s || s->open.empty() || !s->open.back().boTagOpen) return false;
  vPutN(&s->out, ">", 1);
  s->open.back().boTagOpen = false;
  s->open.back().boText = true;
  return true;
}

void vMboXmlStreamText(MboXmlStream* s, const char* text) {
  if (text && boMboXmlStreamTextBegin(s)) vPut(&s->out, text);
}

void vMboXmlStreamPut(MboXmlStream* s, const char* data, size_t size) {
  if (s && data) vPutN(&s->out, data, size);
}

void vMboXmlStreamEnd(MboXmlStream* s) {
  if (!s || s->open.empty()) return;
  MboXmlStream::Open e = s->open.back();
  s->open.pop_back();
  if (e.boTagOpen && !s->open.empty()) {  // no text, no children: self-closed, but never the root
    vPutN(&s->out, "/>\r\n", 4);
    return;
  }
  Piece tag = e.boTagOpen ? Piece{">\r\n", 3} : Piece{"", 0};
  size_t level = e.boChildren ? s->open.size() : 0;
  if (level > (size_t)kBlankLevels) {
    vPutN(&s->out, tag.p, tag.n);
    vMboXmlWriteIndent(&s->out, (int)level);
    tag = {"", 0};
    level = 0;
  }
  vPutPieces(&s->out, Lead(tag, level), Piece{"</", 2}, Piece{e.sName, e.uNameLen}, Piece{">\r\n", 3});
}

void vMboXmlStreamLeaf(MboXmlStream* s, const char* name, size_t nameLen, const char* attrs, size_t attrsLen,
                       const char* text, size_t textLen) {
  if (!s || !name) return;
  size_t level = s->open.size();
  if (s->open.empty() || level > (size_t)kBlankLevels) {  // the root, or deep: step by step
    size_t depth = s->open.size();
    vMboXmlStreamStartN(s, name, nameLen);
    if (s->open.size() > depth) {
      if (attrs) vPutN(&s->out, attrs, attrsLen);
      if (text && boMboXmlStreamTextBegin(s)) vPutN(&s->out, text, textLen);
      vMboXmlStreamEnd(s);
    }
    return;
  }
  Piece lead = Lead(BeforeChild(s), level);
  if (!attrs) attrsLen = 0;
  Piece open{"<", 1}, tag{name, nameLen}, given{attrs, attrsLen};
  if (!text) return vPutPieces(&s->out, lead, open, tag, given, Piece{"/>\r\n", 4});
  vPutPieces(&s->out, lead, open, tag, given, Piece{">", 1}, Piece{text, textLen}, Piece{"</", 2}, tag,
             Piece{">\r\n", 3});
}
