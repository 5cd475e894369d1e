// The JobXML writer through the exported write: a field book with points,
// coded, parted and closed lines, a polygon, attributes and a feature
// library matches its golden file and reads back through the JobXML reader;
// hostile texts give a document libxml2 parses and the reader reads back;
// a failed write reports failure.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../instruments/fb_dump.h"
#include "kvxtest_clock.h"
#include "testing/ui_driver.h"

namespace {

using V = std::vector<std::string>;

class JobXmlWrite : public InstrumentFiles {
 protected:
  void SetUp() override {
    InstrumentFiles::SetUp();
    SYSTEMTIME t{2026, 12, 1, 7, 9, 5, 3, 0};
    vKvxTestClockSetLocalTime(&t);
  }
  void TearDown() override {
    vKvxTestClockSetLocalTime(nullptr);
    InstrumentFiles::TearDown();
  }
  static void vField(ViFields* fs, void* obj, const char* name, const char* value) {
    boViFieldsSetOrAddFieldByName(fs, obj, name, value);
  }
  static LiLine* pLine(const char* id, const char* code, int vertices) {
    LiLine* line = FB(KvxMboNewLine)(id);
    vField(FB(pKvxMboLFieldsGet)(), line, "Code", code);
    for (int i = 0; i < vertices; i++) {
      LiElm* e = FB(KvxMboAddLineElm)(line, "");
      FB(vMboSetElmXY)(line, e, 10.0 * i, 5.0 * (i % 2));
      FB(vMboSetElmZ)(line, e, 1.5 + i);
    }
    return line;
  }
  // Codes in the "Code" field, the key attribute, as the reader stores them.
  void vBook() {
    FB(boMboSetProjectAttr)("KEYATTRIBUTE", "Code");
    FB(boMboSetProjectAttr)("TERVERSION", "23.1");
    ViFields* pf = FB(pKvxMboPFieldsGet)();
    double z = 10.5;
    PoPoint* p = pNewPoint("J1.A2.100", "", 200, 100, &z);
    vField(pf, p, "Code", "TREE");
    vField(pf, p, "Species", "Birch");
    vField(pf, p, "Height", "7");
    vField(pf, pNewPoint("P2", "", 210.25, -110.125), "Code", "MAST");
    vField(pf, FB(KvxMboNewPoint)("NOXY"), "Species", "Oak");
    ViFields* lf = FB(pKvxMboLFieldsGet)();
    LiLine* road = pLine("Road", "FENCE", 3);
    vField(lf, road, "Material", "Wire");
    vField(lf, road, "Colour", "Red");
    LiLine* twin = pLine("Twin", "FENCE", 4);
    vField(lf, twin, "Material", "Steel");  // not in the library's list
    boLiElmSetType(twin, LiElmGetNext(twin, LiElmGetFirst(twin)), KV2GR_ELM_SUBEND);
    vLiLineSetAsPolygon(pLine("Ring", "KERB", 3), 1);
    FB(KvxMboAddLineElm)(pLine("", "", 2), "P2");  // no coordinates of its own
    YgPolygon* lot = FB(KvxMboNewPolygon)("Lot");
    vField(FB(pKvxMboYFieldsGet)(), lot, "Code", "LOT");
    for (int i = 0; i < 3; i++) {
      YgElm* e = FB(KvxMboAddPolygonElm)(lot, "");
      FB(vMboSetElmXY)(lot, e, i, i * i);
    }
    std::filesystem::copy_file(KVX_TEST_DATA "/jobxml/book.fxl", m_dir + "/book.fxl");
  }
  // "ID [P] Code/Material: x,y,z ..." per line (P: closed).
  static V LinesRead() {
    V out;
    LiLines* lines = FB(pKvxMboLiLinesGet)();
    ViFields* lf = FB(pKvxMboLFieldsGet)();
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
      std::string s = std::string(FB(sMboGetLineObjID)(l)) + (boLiLineIsPolygon(l) ? " P " : " ") +
                      sViFieldsGetFieldByName(lf, l, "Code") + "/" + sViFieldsGetFieldByName(lf, l, "Material") + ":";
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        double x = 0, y = 0, z = 0;
        FB(boMboGetElmXY)(l, e, &x, &y);
        FB(boMboGetElmZ)(l, e, &z);
        s += " " + sNum(x, 2) + "," + sNum(y, 2) + "," + sNum(z, 1);
      }
      out.push_back(s);
    }
    return out;
  }
};

}  // namespace

TEST_F(JobXmlWrite, AFieldBookMatchesTheGoldenFileAndReadsBack) {
  vBook();
  std::string path = m_dir + "/book.jxl";
  ASSERT_TRUE(boWrite(30, path));
  std::string text = sSlurp(path), golden = KVX_TEST_DATA "/jobxml/written.jxl";
  EXPECT_EQ(text, sSlurp(golden)) << "see " << golden << ".new";
  if (text != sSlurp(golden)) vSpit(golden + ".new", text);

  // The library beside the job turns 91, 99 and 96 back into line starts,
  // ends and closures (a part break ends one line and starts the next);
  // lines are named after their first vertex. The reader also makes a point
  // of each vertex that carries one of those codes, and the unnamed line,
  // whose code is not in the library, comes back as points only (its last
  // vertex with the coordinates of the point it named). Vertices without a
  // height, on the 2-D point or of the polygon, come back without one.
  ASSERT_TRUE(boRead(30, path));
  EXPECT_EQ(LinesRead(),
            (V{"Road-1 FENCE/Wire: 0.00,0.00,1.5 10.00,5.00,2.5 20.00,0.00,3.5",
               "Twin-1 FENCE/Steel: 0.00,0.00,1.5 10.00,5.00,2.5", "Twin-3 FENCE/Steel: 20.00,0.00,3.5 30.00,5.00,4.5",
               "Ring-1 P KERB/: 0.00,0.00,1.5 10.00,5.00,2.5 20.00,0.00,3.5",
               "Lot-1 P LOT/: 0.00,0.00,0.0 1.00,1.00,0.0 2.00,4.00,0.0"}));
  EXPECT_EQ(DumpPoints(),
            (V{"Road-1  0.000 0.000* 1.500*", "Road-3  20.000 0.000* 3.500*", "Twin-1  0.000 0.000* 1.500*",
               "Twin-2  10.000 5.000* 2.500*", "Twin-3  20.000 0.000* 3.500*", "Twin-4  30.000 5.000* 4.500*",
               "Ring-1  0.000 0.000* 1.500*", "Ring-3  20.000 0.000* 3.500*", "#4-1  0.000 0.000* 1.500*",
               "#4-2  10.000 5.000* 2.500*", "#4-3  210.250 -110.125* -", "100  200.000 100.000* 10.500*",
               "P2  210.250 -110.125* -", "NOXY  - - -", "Lot-1  0.000 0.000* -", "Lot-3  2.000 4.000* -"}));
  EXPECT_EQ(sPointField("100", "Code") + "/" + sPointField("100", "Species") + "/" + sPointField("100", "Height"),
            "TREE/Birch/7");
  EXPECT_EQ(sPointField("P2", "Code") + "/" + sPointField("NOXY", "Species"), "MAST/Oak");
  EXPECT_EQ(sPointField("Ring-3", "Code"), "96");
}

TEST_F(JobXmlWrite, HostileTextsGiveAParsableFileThatReadsBack) {
  const char* hostile = "A&B<C>\"D'\x01\x1f\t\xe6\xf8\xe5";
  const std::string clean = "A&B<C>\"D'\t\xe6\xf8\xe5";
  FB(boMboSetProjectAttr)("TERVERSION", "7.\xf8");
  PoPoint* p = pNewPoint("N&<>'\"\xe6", hostile, 1, 2);
  ViFields* pf = FB(pKvxMboPFieldsGet)();
  vField(pf, p, "Note", hostile);
  std::string link(3999, 'h');
  link.replace(100, 5, "&<>\"'");
  vField(pf, p, "S_HYPERLINK", link.c_str());
  std::string path = m_dir + "/A&B.jxl";
  ASSERT_TRUE(boWrite(30, path));

  xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
  ASSERT_NE(doc, nullptr) << "not well-formed";
  xmlNodePtr root = xmlDocGetRootElement(doc);
  xmlChar* job = xmlGetProp(root, (const xmlChar*)"jobName");
  xmlChar* version = xmlGetProp(root, (const xmlChar*)"productVersion");
  EXPECT_STREQ((const char*)job, "A&B");
  EXPECT_STREQ((const char*)version, "7.\xc3\xb8");
  xmlFree(job);
  xmlFree(version);
  xmlFreeDoc(doc);

  vUiExpectBox(IDNO, "No Fxl file given");
  ASSERT_TRUE(boRead(30, path));
  EXPECT_EQ(DumpPoints(), V{"N&<>'\"\xe6  1.000 2.000* -"});
  EXPECT_EQ(sPointField("N&<>'\"\xe6", "Code"), clean);
  EXPECT_EQ(sPointField("N&<>'\"\xe6", "Note"), clean);
  EXPECT_EQ(sPointField("N&<>'\"\xe6", "S_HYPERLINK"), link);
}

TEST_F(JobXmlWrite, AFailedWriteReportsFailure) {
  pNewPoint("P1", "X", 1, 2);
  vUiExpectBox(IDOK, "Overwrite file");
  vUiExpectBox(IDOK, "ERROR! File not written:\n/dev/full\nThere is not enough space on the disk.");
  EXPECT_FALSE(boWrite(30, "/dev/full"));
  vUiExpectBox(IDOK, "/missing/out.jxl\nThe system cannot find the path specified.");
  EXPECT_FALSE(boWrite(30, m_dir + "/missing/out.jxl"));
}
