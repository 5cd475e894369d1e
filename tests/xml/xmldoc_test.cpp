// The XML document writer: the printed bytes of a tree that uses every
// printing rule, the tree operations against the printed result, and write
// failures reported as failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "xml/xmldoc.h"
#include "xml_test_util.h"

namespace {

// The document as printed into a file.
std::string sPrinted(MboXmlDoc* doc, bool boProlog = true) {
  kvxtest::TempDir tmp;
  std::string path = tmp.Path("xmldoc_print.xml");
  bool ok = boProlog ? boMboXmlWriteFile(doc, path.c_str()) : boMboXmlWriteTreeFile(doc, path.c_str());
  EXPECT_TRUE(ok);
  std::string text = kvxtest::ReadFile(path);
  remove(path.c_str());
  return text;
}

struct DocFree {
  void operator()(MboXmlDoc* doc) const { vMboXmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<MboXmlDoc, DocFree>;

}  // namespace

TEST(XmlDoc, PrintsEveryRuleWithCrLfAndNoEscaping) {
  DocPtr doc(pMboXmlNewDoc());
  MboXmlElem* root = pMboXmlNewRoot(doc.get(), "root");
  pMboXmlSetAttr(root, "a", "1");
  pMboXmlSetAttr(root, "b", "x & y");
  pMboXmlSetAttr(root, "a", "2");  // keeps its place
  pMboXmlAddChild(root, "leaf");
  sMboXmlSetText(pMboXmlAddChild(root, "num"), "5");
  MboXmlElem* parent = pMboXmlAddChild(root, "parent");
  sMboXmlSetText(parent, "text");
  pMboXmlSetAttr(pMboXmlAddChild(parent, "child"), "c", "<raw>");
  EXPECT_EQ(sPrinted(doc.get()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n\r\n"
            "<root a=\"2\" b=\"x & y\">\r\n"
            "  <leaf/>\r\n"
            "  <num>5</num>\r\n"
            "  <parent>text\r\n"
            "    <child c=\"<raw>\"/>\r\n"
            "  </parent>\r\n"
            "</root>\r\n");

  sMboXmlSetVersion(doc.get(), "1.1");
  sMboXmlSetEncoding(doc.get(), "iso-8859-1");
  vMboXmlSetStandalone(doc.get(), 1);
  vMboXmlDeleteChildren(root, "num");
  vMboXmlDeleteChildByName(root, "parent");
  vMboXmlDeleteChild(root, 0);
  EXPECT_EQ(iMboXmlGetChildCount(root), 0);
  EXPECT_EQ(sPrinted(doc.get()),
            "<?xml version=\"1.1\" encoding=\"iso-8859-1\" standalone=\"yes\"?>\r\n\r\n"
            "<root a=\"2\" b=\"x & y\">\r\n</root>\r\n");
  sMboXmlSetText(root, "5");
  EXPECT_EQ(sPrinted(doc.get(), false), "<root a=\"2\" b=\"x & y\">5</root>\r\n");

  // Without a root only the prolog.
  DocPtr empty(pMboXmlNewDoc());
  EXPECT_EQ(sPrinted(empty.get()), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n\r\n");
}

TEST(XmlDoc, ChildChainsStayConsistentThroughMovesAndDeletes) {
  DocPtr doc(pMboXmlNewDoc());
  MboXmlElem* root = pMboXmlNewRoot(doc.get(), "r");
  MboXmlElem* a = pMboXmlAddChild(root, "a");
  pMboXmlAddChild(root, "b");
  pMboXmlAddChild(root, "a");
  MboXmlElem* other = pMboXmlAddChild(root, "other");

  int n = 0;
  MboXmlElem** found = pMboXmlFindChildren(root, "a", &n);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(found[0], a);
  EXPECT_EQ(found[1], pMboXmlGetChild(root, 2));
  free(found);
  EXPECT_EQ(pMboXmlFindChildren(root, "none", &n), nullptr);
  EXPECT_EQ(n, 0);

  // An element that has a parent moves; it is never in two trees.
  EXPECT_EQ(pMboXmlAppendChild(other, a), a);
  EXPECT_EQ(pMboXmlAppendChild(a, root), nullptr);  // no cycles
  EXPECT_EQ(iMboXmlGetChildCount(root), 3);
  EXPECT_EQ(pMboXmlNextChild(root, nullptr)->sName, std::string("b"));
  vMboXmlFreeElem(pMboXmlFindChild(root, "b"));
  EXPECT_EQ(sPrinted(doc.get(), false), "<r>\r\n  <a/>\r\n  <other>\r\n    <a/>\r\n  </other>\r\n</r>\r\n");

  MboXmlAttrList* attrs = other->pAttrs;
  pMboXmlSetAttr(other, "x", "1");
  pMboXmlSetAttr(other, "y", "2");
  vMboXmlRemoveAttr(attrs, "x");
  EXPECT_EQ(iMboXmlGetAttrCount(other), 1);
  EXPECT_EQ(std::string(sMboXmlAttrGetValue(pMboXmlNextAttr(other, nullptr))), "2");

  char text[] = " \t\n æøå \t\n";
  vMboXmlTrim(text);
  EXPECT_STREQ(text, "æøå");
}

TEST(XmlDoc, FailuresAreReportedNotHidden) {
  DocPtr doc(pMboXmlNewDoc());
  pMboXmlNewRoot(doc.get(), "r");
  EXPECT_FALSE(boMboXmlWriteFile(doc.get(), "/nonexistent-folder/x.xml"));
  EXPECT_EQ(iMboXmlGetLastError(), MBO_XML_ERR_OPEN);
  // A full disk: the data is only refused at the flush.
  EXPECT_FALSE(boMboXmlWriteFile(doc.get(), "/dev/full"));
  EXPECT_EQ(iMboXmlGetLastError(), MBO_XML_ERR_WRITE);
}
