// The libxml2 layer: XPath building, namespace-less files, point lists with
// line breaks, texts of any length, time stamps, the indexes, and slots that
// never outlive their objects.
#include <gtest/gtest.h>
#include <libxml/xpathInternals.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "xml/xmlutil.h"

namespace {

XmlDocPtr pDoc(const std::string& text) { return pXmlParseMemory(text.data(), (int64_t)text.size()); }

int iCount(xmlDoc* doc, xmlXPathContext* ctx, const char* path) {
  XmlNodeSetPtr set = pXmlXPathEval(doc, ctx, path, nullptr);
  return set ? set->nodeNr : 0;
}

}  // namespace

TEST(XmlUtil, SlashPathsBecomePrefixedXPath) {
  EXPECT_EQ(sXmlPrefixedXPath("CgPoints", nullptr), "//kvx:CgPoints");
  EXPECT_EQ(sXmlPrefixedXPath("A/B", nullptr), "//kvx:A/kvx:B");
  EXPECT_EQ(sXmlPrefixedXPath("A/B", "/hx"), "//hx:A/hx:B");
  EXPECT_EQ(sXmlPrefixedXPath("A", "hx:"), "//hx:A");
  EXPECT_EQ(sXmlPrefixedXPath(nullptr, nullptr), "");
  EXPECT_EQ(sXmlPrefixedXPath(std::string(2000, 'a').c_str(), nullptr).size(), 1043u);
}

TEST(XmlUtil, EveryVersionAndNamespaceFindsItsElements) {
  struct Case {
    const char* root;
    int version;
  } cases[] = {
      {"<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">", LXML_VERSION_12},
      {"<LandXML xmlns=\"http://example.com/other\" version=\"1.1\">", LXML_VERSION_11},
      {"<LandXML version=\"1.1\">", LXML_VERSION_11},  // no namespace
      {"<LandXML version=\"1.3\">", LXML_VERSION_10},
      {"<LandXML>", LXML_VERSION_10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.root);
    XmlDocPtr doc = pDoc(std::string(c.root) + "<CgPoints><CgPoint/></CgPoints><Units/></LandXML>");
    int version = -1;
    XmlContextPtr ctx = pXmlLxmlXPathContext(doc.get(), &version);
    ASSERT_TRUE(ctx);
    EXPECT_EQ(version, c.version);
    EXPECT_EQ(iCount(doc.get(), ctx.get(), "CgPoints/CgPoint"), 1);
    auto found = XmlElementsByName(doc.get(), ctx.get(), {"CgPoint", "Units", "LandXML", "None"});
    EXPECT_EQ((std::vector<size_t>{found[0].size(), found[1].size(), found[2].size(), found[3].size()}),
              (std::vector<size_t>{1, 1, 1, 0}));
    EXPECT_EQ(g_pXmlDoc, doc.get());
    EXPECT_EQ(g_pXmlContext, ctx.get());
    EXPECT_EQ(pXmlXPathEvalGlobal("Units")->nodeNr, 1);
  }
  // Freed objects leave no slot behind.
  EXPECT_EQ(g_pXmlDoc, nullptr);
  EXPECT_EQ(g_pXmlContext, nullptr);
  EXPECT_FALSE(pXmlXPathEvalGlobal("Units"));
}

// One walk for names in several namespaces finds what "//kvx:Name" finds
// in each, in the same order: random documents mixing namespaces (default,
// prefixed, none), texts, comments, CDATA and entity references.
TEST(XmlUtil, OneWalkFindsWhatXPathFindsInEveryNamespace) {
  const char* names[] = {"A", "B", "Survey", "GPSSetup"};
  std::mt19937 rng(7);
  auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
  for (int round = 0; round < 200; round++) {
    SCOPED_TRACE(round);
    std::string text = "<!DOCTYPE r [<!ENTITY e \"<A>in</A>\">]><r xmlns:p=\"urn:one\" xmlns:q=\"urn:two\">";
    std::vector<std::string> open;
    for (int step = 0; step < 60; step++) {
      int what = pick(10);
      if (what < 4 && open.size() < 6) {
        static const char* const prefixes[] = {"", "p:", "q:"};
        std::string tag = std::string(prefixes[pick(3)]) + names[pick(4)];
        static const char* const defaults[] = {"", "", " xmlns=\"urn:one\"", " xmlns=\"urn:two\"", " xmlns=\"\""};
        text += "<" + tag + defaults[pick(5)] + ">";
        open.push_back(tag);
      } else if (what < 7 && !open.empty()) {
        text += "</" + open.back() + ">";
        open.pop_back();
      } else {
        static const char* const others[] = {"t", "<!-- c -->", "<![CDATA[<A/>]]>", "&e;", "<p:A/>", "<B/>"};
        text += others[pick(6)];
      }
    }
    while (!open.empty()) {
      text += "</" + open.back() + ">";
      open.pop_back();
    }
    text += "</r>";
    XmlDocPtr doc = pDoc(text);
    ASSERT_TRUE(doc) << text;
    std::vector<XmlContextPtr> contexts;
    std::vector<XmlWantedElement> wanted;
    for (const char* uri : {"urn:one", "urn:two"}) {
      contexts.emplace_back(xmlXPathNewContext(doc.get()));
      ASSERT_EQ(xmlXPathRegisterNs(contexts.back().get(), BAD_CAST "kvx", BAD_CAST uri), 0);
      for (const char* name : names) wanted.push_back(XmlWantedElement{contexts.back().get(), name});
    }
    wanted.push_back(XmlWantedElement{nullptr, "A"});
    std::vector<std::vector<xmlNode*>> found = XmlElementsByName(doc.get(), wanted);
    ASSERT_EQ(found.size(), wanted.size());
    for (size_t i = 0; i < wanted.size(); i++) {
      std::vector<xmlNode*> expected;
      if (wanted[i].ctx)
        if (XmlNodeSetPtr set = pXmlXPathEval(doc.get(), wanted[i].ctx, wanted[i].name, nullptr))
          expected.assign(set->nodeTab, set->nodeTab + set->nodeNr);
      EXPECT_EQ(found[i], expected) << i << " " << text;
    }
  }
}

// Attributes read in place give what their copies give: plain, empty,
// non-ASCII, character and entity references, absent.
TEST(XmlUtil, AttributesReadInPlaceEqualTheirCopies) {
  XmlDocPtr doc = pDoc(
      "<!DOCTYPE r [<!ENTITY e \"E\">]><r a=\"P12\" b=\"\" c=\"\xc3\xa6\xe2\x82\xac\xe4\xb8\x80\" "
      "d=\"x&amp;y&#65;\" e=\"1&e;2\" f=\" \t\"/>");
  xmlNode* root = xmlDocGetRootElement(doc.get());
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g"}) {
    SCOPED_TRACE(name);
    std::string scratch;
    const char* view = sXmlAttrView(root, name, &scratch);
    std::optional<std::string> copy = sXmlAttrOpt(root, name);
    ASSERT_EQ(view != nullptr, copy.has_value());
    if (view) {
      EXPECT_EQ(std::string(view), *copy);
    }
  }
  std::string scratch;
  EXPECT_EQ(sXmlAttrView(root, "a", &scratch), (const char*)root->properties->children->content);  // no copy
}

TEST(XmlUtil, TheHexagonBlockIsTheLastElementChild) {
  XmlDocPtr doc = pDoc(
      "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\"><CgPoints/>"
      "<HexagonLandXML xmlns=\"http://xml.hexagon.com/schema/HeXML-1.3\"><Point/></HexagonLandXML>"
      "<!-- trailing comment --></LandXML>");
  int version;
  XmlContextPtr lxml = pXmlLxmlXPathContext(doc.get(), &version);
  XmlContextPtr hex = pXmlHexXPathContext(doc.get());
  ASSERT_TRUE(hex);
  EXPECT_EQ(iCount(doc.get(), hex.get(), "Point"), 1);
  EXPECT_EQ(iCount(doc.get(), lxml.get(), "CgPoints"), 1);  // the LandXML handle still works
  hex.reset();
  EXPECT_EQ(g_pXmlContext, nullptr);  // the slot held the freed one
  EXPECT_FALSE(pXmlHexXPathContext(pDoc("<LandXML><CgPoints/></LandXML>").get()));
}

TEST(XmlUtil, PointListsSplitOnAnyWhiteSpace) {
  XmlDocPtr doc = pDoc(
      "<r><PntList3D>7001 2000.5 100.25\n7002\t2001\r\n101 7003 2002</PntList3D>"
      "<PntList2D>\n  1 2\n  3 4\n</PntList2D></r>");
  xmlNode* root = xmlDocGetRootElement(doc.get());
  std::vector<GeoPnt3> p3 = pXmlParsePntList(pXmlChildByName(root, "PntList3D"));
  ASSERT_EQ(p3.size(), 2u);  // the seventh and eighth values are left over
  EXPECT_EQ(p3[0].x, 2000.5);
  EXPECT_EQ(p3[0].y, 7001);
  EXPECT_EQ(p3[0].z, 100.25);
  EXPECT_EQ(p3[1].x, 2001);
  EXPECT_EQ(p3[1].y, 7002);
  std::vector<GeoPnt3> p2 = pXmlParsePntList(pXmlChildByName(root, "PntList2D"));
  ASSERT_EQ(p2.size(), 2u);
  EXPECT_EQ(p2[1].x, 4);
  EXPECT_EQ(p2[1].y, 3);
  EXPECT_EQ(p2[1].z, 0);
}

TEST(XmlUtil, TextsOfAnyLengthBecomeAnsi) {
  std::string longText;
  for (int i = 0; i < 200; i++) longText += "\xc3\xb8\xe2\x82\xac";  // ø€ in UTF-8
  XmlDocPtr doc = pDoc("<r a=\"" + longText + "\" uniqueID=\"u1\">\n  \xe2\x98\x83 x</r>");
  xmlNode* root = xmlDocGetRootElement(doc.get());
  std::string expected;
  for (int i = 0; i < 200; i++) expected += "\xf8\x80";
  EXPECT_EQ(sXmlAttrOpt(root, "a"), expected);
  EXPECT_EQ(sXmlAttrOpt(root, "b"), std::nullopt);
  EXPECT_EQ(sXmlNodeText(root), "   ? x");  // first line feed made a blank; a snowman has no ANSI letter
  EXPECT_TRUE(boXmlUniqueIdEquals(root, "u1"));
  EXPECT_FALSE(boXmlUniqueIdEquals(root, "u2"));
  EXPECT_EQ(sLxmlTimeStamp("2012-05-03T10:20:30Z"), "2012.05.03_10:20:30");
  EXPECT_EQ(sLxmlTimeStamp("2012-05-03"), "2012.05.03");
}

TEST(XmlUtil, IndexesFindTheFirstOfEqualKeys) {
  vKvxMboInit(nullptr);
  LxmlPtIndex* index = pLxmlPtIndexNew(0);
  PoPoint* a = KvxMboNewPoint("ID-A");
  PoPoint* b = KvxMboNewPoint("ID-B");
  pLxmlPtIndexAdd(index, a, "same", 1);
  pLxmlPtIndexAdd(index, b, "same", 2);
  pLxmlPtIndexAdd(index, b, nullptr, 3);
  EXPECT_EQ(pLxmlPtIndexFindByAlias(index, "same")->pPoint, a);
  EXPECT_EQ(pLxmlPtIndexFindByAlias(index, "ID-B")->tag, 3);
  EXPECT_EQ(pLxmlPtIndexFindByName(index, "ID-B")->tag, 2);
  EXPECT_EQ(pLxmlPtIndexFindByName(index, nullptr), nullptr);
  EXPECT_EQ(pLxmlPtIndexAdd(index, nullptr, "x", 0), nullptr);
  vLxmlPtIndexFree(&index);
  EXPECT_EQ(index, nullptr);

  LxmlSetupIndex* setups = pLxmlSetupIndexNew();
  int station = 0;
  pLxmlSetupIndexAdd(setups, &station, std::string(150, 's').c_str(), 1);
  EXPECT_EQ(pLxmlSetupIndexFind(setups, std::string(99, 's').c_str())->pStation, &station);
  vLxmlSetupIndexFree(&setups);
  vKvxMboFinish();
}
