// The XML utility layer over libxml2 (see xmlutil.h).
#include "xml/xmlutil.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xpathInternals.h>

#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "base/cnum.h"
#include "base/msgbox.h"
#include "base/numbers.h"
#include "base/text.h"
#include "fieldbook/model.h"
#include "fieldbook/transfer_context.h"
#include "kv2cosys.h"
#include "kvxlib.h"
#include "win32.h"

xmlDoc* g_pXmlDoc = nullptr;
xmlXPathContext* g_pXmlContext = nullptr;

#define LXML_NS_BASE "http://www.landxml.org/schema/LandXML-"

void XmlDocFree::operator()(xmlDoc* doc) const {
  if (!doc) return;
  if (g_pXmlDoc == doc) g_pXmlDoc = nullptr;
  // A context over a freed document is of no use any more.
  if (g_pXmlContext && g_pXmlContext->doc == doc) g_pXmlContext = nullptr;
#if defined(__GLIBC__)
  // A parsed document is millions of small blocks. glibc parks freed small
  // blocks in its "fast bins" and merges them only at the next large
  // allocation or free, in passes over the whole heap long after they left
  // the cache (as long again as the free itself, several times over). With
  // fast bins off for the length of this free, each block merges with its
  // neighbours while they are still in the cache. Afterwards the limit goes
  // back to glibc's default.
  mallopt(M_MXFAST, 0);
  xmlFreeDoc(doc);
  mallopt(M_MXFAST, (int)(64 * sizeof(size_t) / 4));
#else
  xmlFreeDoc(doc);
#endif
}

void XmlContextFree::operator()(xmlXPathContext* ctx) const {
  if (!ctx) return;
  if (g_pXmlContext == ctx) g_pXmlContext = nullptr;
  xmlXPathFreeContext(ctx);
}

void XmlNodeSetFree::operator()(xmlNodeSet* set) const { xmlXPathFreeNodeSet(set); }

namespace {

void vQuietGeneric(void*, const char*, ...) {}
void vQuietStructured(void*, xmlErrorPtr) {}

// The first error of a parse, for the message of an import, and whether
// libxml2 ran out of memory at any time during it.
struct ParseError {
  bool boSet = false;
  bool boNoMemory = false;
  int iLine = 0;
  std::string sText;
};

void vFirstError(void* ctx, xmlErrorPtr e) {
  ParseError* first = (ParseError*)ctx;
  if (!first || !e) return;
  // Any domain reports it (parser, tree, buffer, ...), and a parse may go
  // on after it: whatever it returns is then incomplete.
  if (e->code == XML_ERR_NO_MEMORY) first->boNoMemory = true;
  if (first->boSet || e->level < XML_ERR_ERROR) return;
  first->boSet = true;
  first->iLine = e->line;
  first->sText = e->message ? e->message : "";
  while (!first->sText.empty() && strchr("\r\n ", first->sText.back())) first->sText.pop_back();
}

// libxml2 reports through per-thread handlers that print to stderr by
// default; this layer shows nothing, so they are silenced while it works
// (an import keeps the first error for its own message).
class QuietErrors {
 public:
  explicit QuietErrors(ParseError* first = nullptr)
      : m_generic(xmlGenericError),
        m_genericCtx(xmlGenericErrorContext),
        m_structured(xmlStructuredError),
        m_structuredCtx(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, vQuietGeneric);
    xmlSetStructuredErrorFunc(first, first ? vFirstError : vQuietStructured);
  }
  ~QuietErrors() {
    xmlSetGenericErrorFunc(m_genericCtx, m_generic);
    xmlSetStructuredErrorFunc(m_structuredCtx, m_structured);
  }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  xmlGenericErrorFunc m_generic;
  void* m_genericCtx;
  xmlStructuredErrorFunc m_structured;
  void* m_structuredCtx;
};

// Never NOENT (entities substituted), DTDLOAD (external subsets) or HUGE
// (no size limits).
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT;

// Null, whatever libxml2 returned, when it ran out of memory on the way.
XmlDocPtr pParse(const char* buffer, int length, bool recover, ParseError* first = nullptr) {
  vXmlInit();
  ParseError own;
  if (!first) first = &own;
  QuietErrors quiet(first);
  XmlDocPtr doc(
      xmlReadMemory(buffer, length, "noname.xml", nullptr, kParseOptions | (recover ? XML_PARSE_RECOVER : 0)));
  if (first->boNoMemory) doc.reset();
  return doc;
}

// The document prepared for an import, and the file it came from.
XmlDocPtr g_pImportDoc;
std::string g_sImportPath;

enum ReadResult { READ_OK, READ_CANNOT_OPEN, READ_TOO_LARGE, READ_NO_MEMORY };

// The whole file. The parser takes at most INT_MAX bytes: a larger file is
// refused by its size before a byte of it is read.
ReadResult iReadFile(const char* path, std::string* bytes) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (path && GetFileAttributesExA(path, GetFileExInfoStandard, &info) &&
      (((uint64_t)info.nFileSizeHigh << 32) | info.nFileSizeLow) > (uint64_t)INT_MAX)
    return READ_TOO_LARGE;
  FILE* fp = path ? _fsopen(path, "rb", _SH_DENYNO) : nullptr;
  if (!fp) return READ_CANNOT_OPEN;
  ReadResult result = READ_OK;
  try {
    // Room for the whole file at once, not grown (copied) step by step.
    if (fseek(fp, 0, SEEK_END) == 0) {
      long size = ftell(fp);
      if (fseek(fp, 0, SEEK_SET) != 0) {
        fclose(fp);
        return READ_CANNOT_OPEN;
      }
      if (size > 0 && size <= INT_MAX) bytes->reserve(bytes->size() + (size_t)size);
    }
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, fp)) > 0) {
      if (bytes->size() + n > (size_t)INT_MAX) {
        result = READ_TOO_LARGE;  // grown since, or a size not known beforehand
        break;
      }
      bytes->append(chunk, n);
    }
  } catch (const std::bad_alloc&) {
    result = READ_NO_MEMORY;
  }
  if (result == READ_OK && ferror(fp)) result = READ_CANNOT_OPEN;
  fclose(fp);
  return result;
}

// The text of a node's subtree: text and CDATA only. Entity references are
// not followed, so an entity of the file is never expanded here (no
// exponential growth, nothing from outside).
void vGatherText(xmlNode* node, std::string* out) {
  for (xmlNode* c = node; c; c = c->next) {
    if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
      if (c->content) *out += (const char*)c->content;
    } else if (c->type == XML_ELEMENT_NODE) {
      vGatherText(c->children, out);
    }
  }
}

std::optional<std::string> sAttrText(xmlAttr* attr) {
  if (!attr) return std::nullopt;
  std::string text;
  vGatherText(attr->children, &text);
  return text;
}

XmlContextPtr pNewContext(xmlDoc* doc) {
  XmlContextPtr ctx(xmlXPathNewContext(doc));
  if (ctx) g_pXmlContext = ctx.get();
  return ctx;
}

// Every element without a namespace (from node on) goes into ns.
void vIntoNamespace(xmlNode* root, xmlNs* ns) {
  xmlNode* node = root;
  while (node) {
    if (node->type == XML_ELEMENT_NODE && !node->ns) xmlSetNs(node, ns);
    if (node->type == XML_ELEMENT_NODE && node->children) {
      node = node->children;
      continue;
    }
    while (node && node != root && !node->next) node = node->parent;
    if (!node || node == root) break;
    node = node->next;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Parsing

void vXmlInit(void) {
  static std::once_flag once;
  std::call_once(once, [] {
    LIBXML_TEST_VERSION
    xmlInitParser();
  });
}

XmlDocPtr pXmlParseFile(const char* path) {
  std::string bytes;
  if (!path || iReadFile(path, &bytes) != READ_OK || bytes.empty()) return nullptr;
  return pParse(bytes.data(), (int)bytes.size(), false);
}

XmlDocPtr pXmlParseFileGlobal(const char* path) {
  XmlDocPtr doc = pXmlParseFile(path);
  g_pXmlDoc = doc.get();
  return doc;
}

XmlDocPtr pXmlParseMemory(const char* buffer, int64_t length) {
  if (!buffer || length < 1 || length > INT_MAX) return nullptr;
  XmlDocPtr doc = pParse(buffer, (int)length, false);
  if (!doc) doc = pParse(buffer, (int)length, true);
  g_pXmlDoc = doc.get();
  return doc;
}

namespace {

void vWarnNoMemory(const char* path) {
  vMsgWarning(sStrFormat(sKvxPoGetText("Not enough memory to read %s"), sStrNotNull(path)));
}

void vWarnUnreadable(const char* path, bool damaged, int line, const std::string& error) {
  std::string detail = sXmlUtf8ToAnsi(error.c_str());
  const char* text = damaged ? "The file %s is damaged; what could be read before the fault was read.\nLine %d: %s"
                             : "The file %s cannot be read.\nLine %d: %s";
  vMsgWarning(sStrFormat(sKvxPoGetText(text), sStrNotNull(path), line, detail.c_str()));
}

}  // namespace

XmlDocPtr pXmlParseImport(const char* buffer, int64_t length, const char* path, bool recover) {
  ParseError first;
  XmlDocPtr doc;
  if (buffer && length >= 1 && length <= INT_MAX) {
    doc = pParse(buffer, (int)length, false, &first);
    if (doc) return doc;
    ParseError again;  // the strict parse's first error is the one to tell
    if (recover && !first.boNoMemory) doc = pParse(buffer, (int)length, true, &again);
    // Running out of memory is no fault of the file: nothing of it is
    // read, and the field book stays as it is.
    if (first.boNoMemory || again.boNoMemory) {
      vWarnNoMemory(path);
      return nullptr;
    }
  }
  // A recovered document without a root element holds nothing.
  if (doc && !xmlDocGetRootElement(doc.get())) doc.reset();
  if (!first.boSet) {
    first.iLine = 1;
    first.sText = length < 1 ? "Document is empty" : "Document is too large";
  }
  vWarnUnreadable(path, doc != nullptr, first.iLine, first.sText);
  return doc;
}

namespace {

// The file parsed as pXmlParseImport does; a file that cannot be read is
// warned of as the read operation does.
XmlDocPtr pParseImportFile(const char* path, bool recover) {
  std::string bytes;
  switch (iReadFile(path, &bytes)) {
    case READ_OK:
      return pXmlParseImport(bytes.data(), (int64_t)bytes.size(), path, recover);
    case READ_TOO_LARGE:
      vWarnUnreadable(path, false, 1, "Document is too large");
      return nullptr;
    case READ_NO_MEMORY:
      vWarnNoMemory(path);
      return nullptr;
    default:
      vMsgWarning(sKvxPoGetText("ERROR! Cannot open raw-file"));
      return nullptr;
  }
}

}  // namespace

bool boXmlPrepareImport(const char* path, bool recover) {
  g_pImportDoc = pParseImportFile(path, recover);
  g_sImportPath = g_pImportDoc ? path : "";
  return g_pImportDoc != nullptr;
}

XmlDocPtr pXmlImportDocument(const char* path, bool recover) {
  if (g_pImportDoc && path && g_sImportPath == path) {
    g_sImportPath.clear();
    return std::move(g_pImportDoc);
  }
  return pParseImportFile(path, recover);
}

void vXmlReleaseGlobals(void) {
  g_pXmlDoc = nullptr;
  g_pXmlContext = nullptr;
}

std::string sXmlNodeDump(xmlDoc* doc, xmlNode* node, int level, int format) {
  if (!doc || !node) return "";
  xmlBuffer* buf = xmlBufferCreate();
  if (!buf) return "";
  std::string text;
  if (xmlNodeDump(buf, doc, node, level, format) >= 0 && xmlBufferContent(buf))
    text = (const char*)xmlBufferContent(buf);
  xmlBufferFree(buf);
  return text;
}

// ---------------------------------------------------------------------------
// XPath contexts

XmlContextPtr pXmlLxmlXPathContext(xmlDoc* doc, int* version) {
  if (version) *version = LXML_VERSION_10;
  if (!doc) return nullptr;
  XmlContextPtr ctx = pNewContext(doc);
  if (!ctx) return nullptr;
  xmlNode* root = xmlDocGetRootElement(doc);
  int word = LXML_VERSION_10;
  if (boXmlNamed(root, "LandXML")) {
    std::optional<std::string> v = sAttrText(xmlHasNsProp(root, BAD_CAST "version", nullptr));
    if (v == "1.1") word = LXML_VERSION_11;
    if (v == "1.2") word = LXML_VERSION_12;
    if (version) *version = word;
    if (root->ns && root->ns->href && root->ns->href[0] &&
        xmlXPathRegisterNs(ctx.get(), BAD_CAST "kvx", root->ns->href) == 0)
      return ctx;
  }
  static const char* const uris[] = {LXML_NS_BASE "1.0", LXML_NS_BASE "1.1", LXML_NS_BASE "1.2"};
  const char* uri = uris[word];
  // XPath never matches an element without a namespace through a prefix:
  // such elements are put into the version's namespace first.
  if (root && (!root->ns || !root->ns->href || !root->ns->href[0])) {
    xmlNs* ns = xmlNewNs(root, BAD_CAST uri, nullptr);
    if (!ns) ns = xmlSearchNsByHref(doc, root, BAD_CAST uri);
    if (ns) {
      if (root->ns && (!root->ns->href || !root->ns->href[0])) root->ns = nullptr;
      vIntoNamespace(root, ns);
    }
  }
  if (xmlXPathRegisterNs(ctx.get(), BAD_CAST "kvx", BAD_CAST uri) != 0) {
    ctx.reset();
    vMsgWarning(sKvxPoGetText("Unable to download LandXML schema. Check your internet connection!"));
    return nullptr;
  }
  return ctx;
}

XmlContextPtr pXmlHexXPathContext(xmlDoc* doc) {
  xmlNode* root = doc ? xmlDocGetRootElement(doc) : nullptr;
  xmlNode* last = boXmlNamed(root, "LandXML") ? xmlLastElementChild(root) : nullptr;
  if (!boXmlNamed(last, "HexagonLandXML") || !last->ns || !last->ns->href || !last->ns->href[0]) return nullptr;
  XmlContextPtr ctx = pNewContext(doc);
  if (!ctx || xmlXPathRegisterNs(ctx.get(), BAD_CAST "kvx", last->ns->href) != 0) return nullptr;
  return ctx;
}

XmlContextPtr pXmlJxlXPathContext(xmlDoc* doc) {
  if (!doc) return nullptr;
  xmlNode* root = xmlDocGetRootElement(doc);
  if (!root) {
    vMsgWarning(sKvxPoGetText("Unable to download LandXML schema. Check your internet connection!"));
    return nullptr;
  }
  if (!boXmlNamed(root, "JOBFile")) {
    vMsgWarning(sKvxPoGetText("This is a invalid jxl file. Root element should be named \"JOBFile\"."));
    return nullptr;
  }
  return pNewContext(doc);
}

bool boXmlSchemaCheck(xmlDoc*, int) { return true; }

// ---------------------------------------------------------------------------
// Paths and queries

std::string sXmlPrefixedXPath(const char* path, const char* prefix) {
  if (!path) return "";
  std::string step = "kvx:";
  if (prefix) {
    step.clear();
    for (const char* c = prefix; *c; c++)
      if (*c != '/') step += *c;
    if (step.empty() || step.back() != ':') step += ':';
  }
  std::string expr = "//" + step;
  for (const char* c = path; *c; c++) {
    expr += *c;
    if (*c == '/') expr += step;
  }
  if (expr.size() > 1043) expr.resize(1043);
  return expr;
}

XmlNodeSetPtr pXmlXPathEval(xmlDoc* doc, xmlXPathContext* ctx, const char* path, const char* prefix) {
  if (!doc || !ctx || !path) return nullptr;
  std::string expr = sXmlPrefixedXPath(path, prefix);
  QuietErrors quiet;
  xmlXPathObject* obj = xmlXPathEvalExpression(BAD_CAST expr.c_str(), ctx);
  if (!obj) return nullptr;
  XmlNodeSetPtr set;
  if (obj->type == XPATH_NODESET && obj->nodesetval && obj->nodesetval->nodeNr > 0) {
    set.reset(obj->nodesetval);
    obj->nodesetval = nullptr;
  }
  xmlXPathFreeObject(obj);
  return set;
}

XmlNodeSetPtr pXmlXPathEvalGlobal(const char* path) { return pXmlXPathEval(g_pXmlDoc, g_pXmlContext, path, nullptr); }

std::vector<std::vector<xmlNode*>> XmlElementsByName(xmlDoc* doc, xmlXPathContext* ctx,
                                                     const std::vector<const char*>& names) {
  std::vector<XmlWantedElement> wanted;
  for (const char* name : names) wanted.push_back(XmlWantedElement{ctx, name});
  return XmlElementsByName(doc, wanted);
}

namespace {

// Which wanted entries a key (an element's name or namespace record) is, by
// the key's address: parsed documents share both among their elements, so
// most look-ups are one comparison. A miss works it out again.
struct KeyMasks {
  static constexpr size_t kSlots = 64;
  const void* keys[kSlots] = {};
  uint64_t masks[kSlots] = {};
  template <class Fn>
  uint64_t Get(const void* key, Fn compute) {
    size_t slot = ((uintptr_t)key >> 4) % kSlots;
    if (keys[slot] != key) {
      keys[slot] = key;
      masks[slot] = compute();
    }
    return masks[slot];
  }
};

}  // namespace

std::vector<std::vector<xmlNode*>> XmlElementsByName(xmlDoc* doc, const std::vector<XmlWantedElement>& wanted) {
  std::vector<std::vector<xmlNode*>> found(wanted.size());
  // More than 64 names would need a wider mask: the rest are looked for in
  // further walks.
  if (wanted.size() > 64) {
    std::vector<XmlWantedElement> first(wanted.begin(), wanted.begin() + 64), rest(wanted.begin() + 64, wanted.end());
    found = XmlElementsByName(doc, first);
    for (std::vector<xmlNode*>& more : XmlElementsByName(doc, rest)) found.push_back(std::move(more));
    return found;
  }
  std::vector<const xmlChar*> hrefs;
  for (const XmlWantedElement& w : wanted) hrefs.push_back(w.ctx ? xmlXPathNsLookup(w.ctx, BAD_CAST "kvx") : nullptr);
  xmlNode* root = doc ? xmlDocGetRootElement(doc) : nullptr;
  KeyMasks byName, byNs;
  for (xmlNode* node = root; node;) {
    if (node->type == XML_ELEMENT_NODE && node->ns && node->name) {
      uint64_t mask = byNs.Get(node->ns, [&] {
        uint64_t m = 0;
        for (size_t i = 0; i < wanted.size(); i++)
          if (hrefs[i] && node->ns->href && xmlStrEqual(node->ns->href, hrefs[i])) m |= uint64_t(1) << i;
        return m;
      });
      if (mask)
        mask &= byName.Get(node->name, [&] {
          uint64_t m = 0;
          for (size_t i = 0; i < wanted.size(); i++)
            if (strcmp((const char*)node->name, wanted[i].name) == 0) m |= uint64_t(1) << i;
          return m;
        });
      for (; mask; mask &= mask - 1) found[std::countr_zero(mask)].push_back(node);
    }
    if (node->type == XML_ELEMENT_NODE && node->children) {
      node = node->children;
      continue;
    }
    while (node != root && !node->next) node = node->parent;
    node = node == root ? nullptr : node->next;
  }
  return found;
}

// ---------------------------------------------------------------------------
// Nodes and texts

std::string sXmlUtf8ToAnsi(const char* text) {
  if (!text || !*text) return "";
  // Most texts are plain ASCII, the same in both.
  const unsigned char* c = (const unsigned char*)text;
  while (*c && *c < 0x80) c++;
  if (!*c) return text;
  char small[512];
  int need = iStrUtf8ToAnsi(text, small, (int)sizeof small);
  if (need <= (int)sizeof small) return small;
  std::string out((size_t)need, '\0');
  iStrUtf8ToAnsi(text, out.data(), need);
  out.resize(strlen(out.c_str()));
  return out;
}

std::optional<std::string> sXmlGetAttr(xmlNode* node, const char* name) {
  if (!node || !name || node->type != XML_ELEMENT_NODE) return std::nullopt;
  xmlAttr* attr = xmlHasNsProp(node, BAD_CAST name, nullptr);
  if (!attr && node->ns && node->ns->href) attr = xmlHasNsProp(node, BAD_CAST name, node->ns->href);
  return sAttrText(attr);
}

std::optional<std::string> sXmlAttrOpt(xmlNode* node, const char* name) {
  if (!node || !name || node->type != XML_ELEMENT_NODE) return std::nullopt;
  for (xmlAttr* a = node->properties; a; a = a->next)
    if (a->name && strcmp((const char*)a->name, name) == 0) return sXmlUtf8ToAnsi(sAttrText(a)->c_str());
  return std::nullopt;
}

const char* sXmlAttrView(xmlNode* node, const char* name, std::string* scratch) {
  if (!node || !name || node->type != XML_ELEMENT_NODE) return nullptr;
  for (xmlAttr* a = node->properties; a; a = a->next) {
    if (!a->name || strcmp((const char*)a->name, name) != 0) continue;
    xmlNode* only = a->children;
    if (only && !only->next && only->type == XML_TEXT_NODE && only->content) {
      const unsigned char* c = only->content;
      while (*c && *c < 0x80) c++;
      if (!*c) return (const char*)only->content;
    }
    *scratch = sXmlUtf8ToAnsi(sAttrText(a)->c_str());
    return scratch->c_str();
  }
  return nullptr;
}

std::string pXmlNodeContent(xmlNode* node) {
  std::string text;
  if (!node) return text;
  if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
    if (node->content) text = (const char*)node->content;
  } else if (node->type == XML_ELEMENT_NODE) {
    vGatherText(node->children, &text);
  } else if (node->type == XML_ATTRIBUTE_NODE) {
    text = *sAttrText((xmlAttr*)node);
  }
  for (char& c : text) {
    if (c == '\n') {
      c = ' ';
      break;
    }
    if (c != ' ' && c != '\t' && c != '\r') break;
  }
  return text;
}

std::string sXmlNodeText(xmlNode* node) { return sXmlUtf8ToAnsi(pXmlNodeContent(node).c_str()); }

xmlNode* pXmlChildByName(xmlNode* node, const char* name) {
  if (!node || !name) return nullptr;
  for (xmlNode* c = node->children; c; c = c->next)
    if (boXmlNamed(c, name)) return c;
  return nullptr;
}

xmlNode* pXmlFeatureByCode(xmlNode* node, const char* code) {
  if (!node) return nullptr;
  for (xmlNode* c = node->children; c; c = c->next) {
    if (!boXmlNamed(c, "Feature")) continue;
    std::optional<std::string> v = sXmlAttrOpt(c, "code");
    if (v && iStrCmpNoCase(v->c_str(), code) == 0) return c;
  }
  return nullptr;
}

xmlNode* pXmlSiblingByName(xmlNode* node, xmlNode* end, const char* name) {
  for (xmlNode* c = node; c && c != end; c = c->next)
    if (c->name && name && strcmp((const char*)c->name, name) == 0) return c;
  return end;
}

std::vector<GeoPnt3> pXmlParsePntList(xmlNode* node) {
  std::vector<GeoPnt3> points;
  if (!node) return points;
  const int stride = boXmlNamed(node, "PntList2D") ? 2 : 3;
  std::string text = pXmlNodeContent(node);
  std::optional<double> values[3];
  int have = 0;
  const char* c = text.c_str();
  while (boXmlNextDouble(&c, &values[have])) {
    if (++have < stride) continue;
    have = 0;
    if (values[0] && values[1])
      points.push_back(GeoPnt3{*values[1], *values[0], stride == 3 ? values[2].value_or(NAN) : 0});
  }
  return points;
}

bool boXmlUniqueIdEquals(xmlNode* node, const char* id) {
  std::optional<std::string> v = sXmlAttrOpt(node, "uniqueID");
  return v && id && *v == id;
}

std::string sLxmlTimeStamp(const char* text) {
  std::string s = sStrNotNull(text);
  size_t t = s.find('T');
  if (t != std::string::npos) s[t] = '_';
  for (char& c : s)
    if (c == '-') c = '.';
  if (!s.empty() && !(s.back() >= '0' && s.back() <= '9')) s.pop_back();
  return s;
}

bool boXmlNamed(const xmlNode* node, const char* name) {
  return node && node->type == XML_ELEMENT_NODE && node->name && strcmp((const char*)node->name, name) == 0;
}

namespace {

bool boXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool boDigit(char c) { return c >= '0' && c <= '9'; }

// Behind the digits at p; *count is raised by their number.
const char* pSkipDigits(const char* p, int* count) {
  for (; boDigit(*p); p++) ++*count;
  return p;
}

}  // namespace

bool boXmlNextDouble(const char** cursor, std::optional<double>* value) {
  const char* p = *cursor;
  while (boXmlSpace(*p)) p++;
  value->reset();
  if (!*p) {
    *cursor = p;
    return false;
  }
  // xs:double's decimal form only: strtod would also take hexadecimal,
  // "infinity" and "nan(...)".
  const char* start = p;
  if (*p == '+' || *p == '-') p++;
  int digits = 0;
  p = pSkipDigits(p, &digits);
  if (*p == '.') p = pSkipDigits(p + 1, &digits);
  bool ok = digits > 0;
  if (ok && (*p == 'e' || *p == 'E')) {
    int exponent = 0;
    p++;
    if (*p == '+' || *p == '-') p++;
    p = pSkipDigits(p, &exponent);
    ok = exponent > 0;
  }
  const char* end = p;
  while (*end && !boXmlSpace(*end)) end++;
  *cursor = end;
  if (!ok || end != p) return true;
  // from_chars is locale-free and quick; it refuses a '+', and leaves
  // values beyond the range (under- or overflow) to strtod.
  double v = 0;
  const char* digitsAt = *start == '+' ? start + 1 : start;
  std::from_chars_result r = std::from_chars(digitsAt, end, v);
  if (r.ec != std::errc() || r.ptr != end) {
    char* stop = nullptr;
    v = dNumParseEndC(start, &stop);
    if (stop != end) return true;
  }
  if (std::isfinite(v)) *value = v;
  return true;
}

std::optional<double> dXmlNumber(const std::string& text) { return dXmlNumber(text.c_str()); }

std::optional<double> dXmlNumber(const char* text) {
  if (!text) return std::nullopt;
  const char* c = text;
  std::optional<double> v, more;
  if (!boXmlNextDouble(&c, &v) || boXmlNextDouble(&c, &more)) return std::nullopt;
  return v;
}

std::optional<std::string> sXmlNumberText(const std::optional<std::string>& text) {
  return text && dXmlNumber(*text) ? text : std::nullopt;
}

std::string sXmlFixed(double value) {
  char buf[64];
  iNumPrintC(buf, (int)sizeof buf, "%f", value);
  return buf;
}

std::optional<std::string> sXmlDegreesToAngle(double degrees, bool zenith) {
  uint64_t cs = g_mboTransfer.uCoSys;
  double a = dCoSysScaleAng2User(cs, degrees * 3.141592653589793 / 180);
  double internal = zenith ? dCoSysVerDir2Math(cs, a) : dCoSysHorDir2Math(cs, a);
  // A finite value in the file can overflow in the scaling.
  if (!std::isfinite(internal)) return std::nullopt;
  return sXmlFixed(internal);
}

std::string sXmlMillibarToMmHg(double millibar) { return sXmlFixed(millibar * 760 / 1013.25); }

// ---------------------------------------------------------------------------
// Indexes

namespace {

constexpr uint64_t kIndexBlock = 256 * 1024;

// A copy of at most 99 characters in the pool.
const char* sPoolText(MemPool* pool, const char* text) {
  size_t n = strnlen(sStrNotNull(text), 99);
  char* copy = (char*)pPoolAlloc(pool, n + 1);
  if (copy) memcpy(copy, sStrNotNull(text), n);  // the pool's memory is zeroed
  return copy;
}

int iOddSlots(int slots) {
  if (slots <= 0) return 8191;
  return slots | 1;
}

}  // namespace

LxmlPtIndex* pLxmlPtIndexNew(int slots) {
  LxmlPtIndex* index = (LxmlPtIndex*)calloc(1, sizeof(LxmlPtIndex));
  if (!index) return nullptr;
  vPoolInit(&index->pool, kIndexBlock);
  vSLinkInit(&index->list, sizeof(LxmlPtIndexEntry), &index->pool);
  index->pByAlias = pHashCreate(iOddSlots(slots), offsetof(LxmlPtIndexEntry, sAlias), -1);
  index->pByName = pHashCreate(iOddSlots(slots), offsetof(LxmlPtIndexEntry, sName), -1);
  if (!index->pByAlias || !index->pByName) vLxmlPtIndexFree(&index);
  return index;
}

void vLxmlPtIndexFree(LxmlPtIndex** index) {
  if (!index || !*index) return;
  vHashFree(&(*index)->pByAlias);
  vHashFree(&(*index)->pByName);
  vSLinkFreeAll(&(*index)->list);
  vPoolFreeAll(&(*index)->pool);
  free(*index);
  *index = nullptr;
}

LxmlPtIndexEntry* pLxmlPtIndexAdd(LxmlPtIndex* index, PoPoint* point, const char* alias, intptr_t tag) {
  if (!index || !point) return nullptr;
  LxmlPtIndexEntry* e = (LxmlPtIndexEntry*)pSLinkNewObj(&index->list, nullptr, nullptr);
  if (!e) return nullptr;
  const char* id = sMboGetPointPID(point);
  e->sName = sPoolText(&index->pool, id);
  e->sAlias = !alias || strcmp(alias, id) == 0 ? e->sName : sPoolText(&index->pool, alias);
  if (!e->sName || !e->sAlias) {
    vSLinkDeleteObj(&index->list, e);
    return nullptr;
  }
  e->tag = tag;
  e->pPoint = point;
  vHashInsert(index->pByAlias, e);
  vHashInsert(index->pByName, e);
  return e;
}

LxmlPtIndexEntry* pLxmlPtIndexFindByAlias(LxmlPtIndex* index, const char* alias) {
  return index && alias ? (LxmlPtIndexEntry*)pHashFind(index->pByAlias, alias) : nullptr;
}

LxmlPtIndexEntry* pLxmlPtIndexFindByName(LxmlPtIndex* index, const char* name) {
  return index && name ? (LxmlPtIndexEntry*)pHashFind(index->pByName, name) : nullptr;
}

LxmlSetupIndex* pLxmlSetupIndexNew(void) {
  LxmlSetupIndex* index = (LxmlSetupIndex*)calloc(1, sizeof(LxmlSetupIndex));
  if (!index) return nullptr;
  vPoolInit(&index->pool, kIndexBlock);
  vSLinkInit(&index->list, sizeof(LxmlSetupIndexEntry), &index->pool);
  index->pById = pHashCreate(0, offsetof(LxmlSetupIndexEntry, sId), 0);
  if (!index->pById) vLxmlSetupIndexFree(&index);
  return index;
}

void vLxmlSetupIndexFree(LxmlSetupIndex** index) {
  if (!index || !*index) return;
  vHashFree(&(*index)->pById);
  vSLinkFreeAll(&(*index)->list);
  vPoolFreeAll(&(*index)->pool);
  free(*index);
  *index = nullptr;
}

LxmlSetupIndexEntry* pLxmlSetupIndexAdd(LxmlSetupIndex* index, void* station, const char* id, uint32_t type) {
  if (!index) return nullptr;
  LxmlSetupIndexEntry* e = (LxmlSetupIndexEntry*)pSLinkNewObj(&index->list, nullptr, nullptr);
  if (!e) return nullptr;
  sStrCopyN(e->sId, id, (int)sizeof e->sId);
  e->uType = type;
  e->pStation = station;
  vHashInsert(index->pById, e);
  return e;
}

LxmlSetupIndexEntry* pLxmlSetupIndexFind(LxmlSetupIndex* index, const char* id) {
  return index && id ? (LxmlSetupIndexEntry*)pHashFind(index->pById, id) : nullptr;
}
