// The XML document writer: the printed bytes of a tree that uses every
// printing rule, the tree operations against the printed result, the
// streamed form against the tree, and write failures reported as failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <random>
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

namespace {

// One random element, added to the tree under parent (the root when null)
// and streamed the same way.
void vRandomElem(std::mt19937& rng, MboXmlDoc* doc, MboXmlElem* parent, MboXmlStream* s, int depth) {
  static const char* const names[] = {"a", "CgPoint", "x:y"};
  static const char* const values[] = {"", "1 2 3", "<&\">", "\xe6\xf8"};
  const char* name = names[rng() % 3];
  MboXmlElem* e = parent ? pMboXmlAddChild(parent, name) : pMboXmlNewRoot(doc, name);
  int children = depth < 4 ? (int)(rng() % 4) : 0;
  // An element without children is streamed at once every other time.
  bool leaf = !children && rng() % 2;
  if (!leaf) vMboXmlStreamStart(s, name);
  std::string attrs;
  for (int i = (int)(rng() % 4); i > 0; i--) {
    char attr[8];
    snprintf(attr, sizeof attr, "k%d", i);  // unique in the element
    const char* value = values[rng() % 4];
    pMboXmlSetAttr(e, attr, value);
    if (leaf)
      attrs += std::string(" ") + attr + "=\"" + value + "\"";
    else
      vMboXmlStreamAttr(s, attr, value);
  }
  const char* text = nullptr;
  if (rng() % 3 == 0) {
    text = values[rng() % 4];
    sMboXmlSetText(e, text);
    if (!leaf) vMboXmlStreamText(s, text);
  }
  if (leaf) {
    vMboXmlStreamLeaf(s, name, strlen(name), attrs.data(), attrs.size(), text, text ? strlen(text) : 0);
    return;
  }
  for (int i = children; i > 0; i--) vRandomElem(rng, doc, e, s, depth + 1);
  vMboXmlStreamEnd(s);
}

}  // namespace

// The streamed document prints what the tree would: random trees of every
// shape (text with and without children, empty texts, empty roots).
TEST(XmlDoc, AStreamedDocumentPrintsAsItsTree) {
  kvxtest::TempDir tmp;
  std::string path = tmp.Path("streamed.xml");
  std::mt19937 rng(7);
  for (int round = 0; round < 100; round++) {
    SCOPED_TRACE(round);
    DocPtr doc(pMboXmlNewDoc());
    const char* version = round % 2 ? "1.0" : nullptr;
    const char* encoding = round % 3 ? "iso-8859-1" : nullptr;
    sMboXmlSetVersion(doc.get(), version);
    sMboXmlSetEncoding(doc.get(), encoding);
    vMboXmlSetStandalone(doc.get(), round % 4 == 0);
    MboXmlStream* s = pMboXmlStreamOpen(path.c_str(), version, encoding, round % 4 == 0);
    ASSERT_NE(s, nullptr);
    if (round % 10) vRandomElem(rng, doc.get(), nullptr, s, round % 7 == 0 ? 4 : 0);
    ASSERT_TRUE(boMboXmlStreamClose(s, true));
    EXPECT_EQ(kvxtest::ReadFile(path), sPrinted(doc.get()));
  }
  // Deeper than the indentation's ready-made blanks, some levels with text.
  DocPtr doc(pMboXmlNewDoc());
  MboXmlStream* s = pMboXmlStreamOpen(path.c_str(), nullptr, nullptr, 0);
  MboXmlElem* e = pMboXmlNewRoot(doc.get(), "deep");
  vMboXmlStreamStart(s, "deep");
  for (int level = 1; level < 45; level++) {
    e = pMboXmlAddChild(e, "deep");
    vMboXmlStreamStart(s, "deep");
    if (level % 3 == 0) sMboXmlSetText(e, "t"), vMboXmlStreamText(s, "t");
    // Leaves at every depth, with and without text.
    sMboXmlSetText(pMboXmlAddChild(e, "leaf"), "1 2");
    vMboXmlStreamLeaf(s, "leaf", 4, nullptr, 0, "1 2", 3);
    pMboXmlSetAttr(pMboXmlAddChild(e, "leaf"), "a", "b");
    vMboXmlStreamLeaf(s, "leaf", 4, " a=\"b\"", 6, nullptr, 0);
  }
  ASSERT_TRUE(boMboXmlStreamClose(s, true));  // ends them all
  EXPECT_EQ(kvxtest::ReadFile(path), sPrinted(doc.get()));
}

// Failures leave the target as it was and no new file beside it.
TEST(XmlDoc, AStreamThatFailsReplacesNothing) {
  kvxtest::TempDir tmp;
  std::string path = tmp.Path("kept.xml");
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("old", f);
  fclose(f);
  MboXmlStream* s = pMboXmlStreamOpen(path.c_str(), nullptr, nullptr, 0);
  vMboXmlStreamStart(s, "r");
  EXPECT_FALSE(boMboXmlStreamClose(s, false));  // the writer gave up
  EXPECT_EQ(iMboXmlGetLastError(), MBO_XML_ERR_WRITE);
  EXPECT_EQ(kvxtest::ReadFile(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.Path("")), {}), 1);

  EXPECT_EQ(pMboXmlStreamOpen("/nonexistent-folder/x.xml", nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(iMboXmlGetLastError(), MBO_XML_ERR_OPEN);
  s = pMboXmlStreamOpen("/dev/full", nullptr, nullptr, 0);
  ASSERT_NE(s, nullptr);
  vMboXmlStreamStart(s, "r");
  EXPECT_FALSE(boMboXmlStreamClose(s, true));
  EXPECT_EQ(iMboXmlGetLastError(), MBO_XML_ERR_WRITE);
}
