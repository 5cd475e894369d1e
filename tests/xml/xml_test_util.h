// Helpers of the XML tests: files, and libxml2 as an independent judge of
// what the writers produce (schema validation, attribute values).
#pragma once

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "testing/tempdir.h"

// Every schema-validation error of the document text, one line each; a
// document that does not parse gives one error saying so.
inline std::vector<std::string> XmlTestSchemaErrors(const std::string& text, const char* xsd) {
  std::vector<std::string> errors;
  auto collect = [](void* ctx, const xmlError* e) {
    static_cast<std::vector<std::string>*>(ctx)->push_back(e->message ? e->message : "?");
  };
  xmlSchemaParserCtxtPtr pctx = xmlSchemaNewParserCtxt(xsd);
  xmlSchemaPtr schema = xmlSchemaParse(pctx);
  xmlSchemaFreeParserCtxt(pctx);
  if (!schema) return {"schema not loaded"};
  xmlDocPtr doc = xmlReadMemory(text.data(), (int)text.size(), "doc.xml", nullptr, XML_PARSE_NONET);
  if (!doc) {
    errors.push_back("not well-formed");
  } else {
    xmlSchemaValidCtxtPtr vctx = xmlSchemaNewValidCtxt(schema);
    xmlSchemaSetValidStructuredErrors(vctx, (xmlStructuredErrorFunc) + collect, &errors);
    if (xmlSchemaValidateDoc(vctx, doc) != 0 && errors.empty()) errors.push_back("invalid");
    xmlSchemaFreeValidCtxt(vctx);
    xmlFreeDoc(doc);
  }
  xmlSchemaFree(schema);
  return errors;
}

// The values (UTF-8) of the named attributes of the named elements, in
// document order.
inline void vXmlTestCollect(xmlNodePtr node, const std::vector<std::string>& elems,
                            const std::vector<std::string>& attrs, std::vector<std::string>* out) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    for (const std::string& e : elems) {
      if (e != (const char*)node->name) continue;
      for (const std::string& a : attrs) {
        xmlChar* v = xmlGetProp(node, (const xmlChar*)a.c_str());
        if (v) out->push_back((const char*)v);
        xmlFree(v);
      }
    }
    vXmlTestCollect(node->children, elems, attrs, out);
  }
}

inline std::vector<std::string> XmlTestAttrValues(xmlDocPtr doc, std::initializer_list<std::string> elems,
                                                  std::initializer_list<std::string> attrs) {
  std::vector<std::string> out;
  vXmlTestCollect(xmlDocGetRootElement(doc), elems, attrs, &out);
  return out;
}
