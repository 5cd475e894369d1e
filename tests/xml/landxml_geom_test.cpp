// LandXML lines, polygons, triangle nets and pipe networks through the
// exports: a field book written and read back, hand-written files as other
// software writes them, and hostile ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "fieldbook/api.h"
#include "kv2gr.h"
#include "landxml_fixture.h"
#include "tests/fieldbook/fb_module.h"
#include "testing/ui_driver.h"
#include "xml_test_dump.h"
#include "xml_test_util.h"

namespace {

const char* const kXsd = KVX_TEST_DATA "/landxml/LandXML-1.2.xsd";

// One line per vertex: type, X Y Z, point ID; arcs add radius and centre,
// clothoids their parameter and radii. threeToTwo reads a three-point arc as
// the two-point arc it comes back as.
std::string sDumpLine(LiLine* l, bool threeToTwo, bool pids) {
  std::string out = std::string(sStrNotNull(sMboGetLineObjID(l))) + " code=" + sLiLineGetField(l) + "\n";
  for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
    GeoPnt3 p;
    vLiElmGetP(l, e, &p);
    int type = LiElmGetType(l, e);
    if (threeToTwo && type == KV2GR_ELM_ARC3P) type = KV2GR_ELM_ARC2P;
    const MboElmData* d = static_cast<const MboElmData*>(LiElmGetData(l, e));
    char buf[256];
    sStrPrintN(buf, (int)sizeof buf, "  %d %.3f %.3f %.3f [%s]", type, p.x, p.y, p.z, pids ? d->sPid : "");
    out += buf;
    double r, a, rs, re;
    GeoPnt2 c;
    if ((type == KV2GR_ELM_ARC2P) && boLiElmGetRadius(l, e, &r) && boLiElmGetCenterP(l, e, &c)) {
      sStrPrintN(buf, (int)sizeof buf, " r=%.4f c=%.4f,%.4f", r, c.x, c.y);
      out += buf;
    }
    if (type == KV2GR_ELM_CLOTHOID && boLiElmGetClotoide(l, e, &a, &rs, &re)) {
      sStrPrintN(buf, (int)sizeof buf, " A=%.3f rs=%.3f re=%.3f", a, rs, re);
      out += buf;
    }
    out += "\n";
  }
  return out;
}

std::string sDumpLines(LiLines* lines, bool threeToTwo = false, bool pids = true) {
  std::string out;
  for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) out += sDumpLine(l, threeToTwo, pids);
  return out;
}

std::string sDumpNets(TrNets* nets) {
  std::string out;
  ViFields* fs = pViNFieldsGet(nets);
  for (TrNet* n = TrNetsGetFirst(nets); n; n = TrNetsGetNext(nets, n)) {
    out += std::string(sStrNotNull(sMboGetTriangleNetObjID(n))) + ":";
    for (int i = 0; i < iViFieldsGetCount(fs); i++)
      if (*sViFieldsGetField(fs, n, i))
        out += std::string(" ") + sViFieldsGetFieldName(fs, i) + "=" + sViFieldsGetField(fs, n, i);
    out += "\n";
    char buf[128];
    for (int i = 0; i < iTrNetGetPointCount(n); i++) {
      GeoPnt3 p;
      boTrNetGetP(n, i, &p);
      sStrPrintN(buf, (int)sizeof buf, " p%d %.3f %.3f %.3f\n", i, p.x, p.y, p.z);
      out += buf;
    }
    for (int i = 0; i < iTrNetGetTriangleCount(n); i++) {
      int a, b, c;
      boTrNetGetTriangle(n, i, &a, &b, &c);
      sStrPrintN(buf, (int)sizeof buf, " t%d %d %d %d\n", i, a, b, c);
      out += buf;
    }
  }
  return out;
}

class LandXmlGeometry : public LandXmlBook {
 protected:
  LiElm* Vertex(LiLine* l, double x, double y, double z, const char* pid = "") {
    LiElm* e = FB(KvxMboAddLineElm)(l, pid);
    FB(vMboSetElmXY)(l, e, x, y);
    FB(vMboSetElmZ)(l, e, z);
    return e;
  }
  // Reads the text as a file of the driver.
  void Read(const std::string& text, int driver = 25) {
    std::string path = m_dir + "/in.xml";
    kvxtest::WriteFile(path, text);
    ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, driver, path.c_str()));
  }
  LiLines* Lines() { return FB(pKvxMboLiLinesGet)(); }
  YgPolygons* Polygons() { return FB(pKvxMboYgPolygonsGet)(); }
  TrNets* Nets() { return FB(pKvxMboTrNetsGet)(); }
};

std::string sDoc(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">\n"
         "<Units><Metric linearUnit=\"meter\" angularUnit=\"grads\"/></Units>\n" +
         body + "</LandXML>\n";
}

}  // namespace

TEST_F(LandXmlGeometry, LinesPolygonsAndNetsComeBackThroughEveryReadableDialect) {
  PoPoint* p = FB(KvxMboNewPoint)("A");
  FB(vMboSetPointXY)(p, 100, 200);
  FB(vMboSetPointZ)(p, 10);
  LiLine* road = FB(KvxMboNewLine)("Road");
  Vertex(road, 100, 200, 10, "A");
  Vertex(road, 150, 200, 11);
  LiElm* arc = Vertex(road, 200, 200, 12);
  Vertex(road, 220, 220, 12);
  boLiElmSet2pArc(road, arc, 20, 0);  // clockwise
  LiElm* ccw = LiElmGetLast(road);
  Vertex(road, 260, 220, 13);
  boLiElmSet2pArc(road, ccw, -25, 1);  // counter-clockwise, the long way
  LiElm* three = LiElmGetLast(road);
  Vertex(road, 280, 240, 13);
  Vertex(road, 300, 220, 13);
  ASSERT_TRUE(boLiElmSetType(road, three, KV2GR_ELM_ARC3P));
  LiElm* gapEnd = LiElmGetLast(road);
  Vertex(road, 400, 400, 0);  // a gap: a second sub-line
  ASSERT_TRUE(boLiElmSetType(road, gapEnd, KV2GR_ELM_SUBEND));
  Vertex(road, 450, 400, 0);
  boViFieldsSetOrAddFieldByName(FB(pKvxMboLFieldsGet)(), road, "Owner", "Kommune & co");

  LiLine* spiral = FB(KvxMboNewLine)("Spiral");
  LiElm* s0 = Vertex(spiral, 0, 0, 0);
  Vertex(spiral, 0, 0, 0);
  // A clothoid from a tangent (A 60, end radius 100: length 36) along x.
  ASSERT_TRUE(boLiElmSetClotoide(spiral, s0, 60, 0, 100));
  GeoPnt3 end{35.84, -2.15, 0};
  {
    double len = 36, a = 60;
    double x = len - std::pow(len, 5) / (40 * std::pow(a, 4)), y = std::pow(len, 3) / (6 * a * a);
    end = GeoPnt3{x, -y, 0};  // clockwise: to the right
  }
  FB(vMboSetElmXY)(spiral, LiElmGetLast(spiral), end.x, end.y);

  YgPolygon* poly = FB(KvxMboNewPolygon)("Lot 7");
  for (auto [x, y] : {std::pair{0.0, 0.0}, {100, 0}, {100, 100}, {0, 100}}) {
    YgElm* e = FB(KvxMboAddPolygonElm)(poly, "");
    FB(vMboSetElmXY)(poly, e, x, y);
  }
  boLiElmSetType(poly, LiElmGetLast(poly), KV2GR_ELM_SUBEND);
  for (auto [x, y] : {std::pair{10.0, 10.0}, {20, 10}, {20, 20}}) {
    YgElm* e = FB(KvxMboAddPolygonElm)(poly, "");
    FB(vMboSetElmXY)(poly, e, x, y);
  }

  TrNet* net = FB(KvxMboNewTriangleNet)("Terrain");
  const int nx = 11, ny = 16;
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      GeoPnt3 q{1000.0 + 5 * i, 2000.0 + 5 * j, 50 + 0.1 * i * j};
      vTrNetSetP(net, j * nx + i, &q);
    }
  int t = 0;
  for (int j = 0; j + 1 < ny; j++)
    for (int i = 0; i + 1 < nx; i++) {
      int a = j * nx + i;
      vTrNetSetTriangle(net, t++, a, a + 1, a + nx);
      vTrNetSetTriangle(net, t++, a + 1, a + nx + 1, a + nx);
    }
  ASSERT_EQ(t, 300);
  boViFieldsSetOrAddFieldByName(FB(pKvxMboNFieldsGet)(), net, "Layer", "TIN-1");
  TrNet* unnamed = FB(KvxMboNewTriangleNet)("");
  TrNet* twin = FB(KvxMboNewTriangleNet)("Terrain");
  for (TrNet* n : {unnamed, twin}) {
    for (int i = 0; i < 3; i++) {
      GeoPnt3 q{(double)i, (double)(i * i), 1};
      vTrNetSetP(n, i, &q);
    }
    vTrNetSetTriangle(n, 0, 0, 1, 2);
  }

  const std::string lines = sDumpLines(Lines(), true, false), polys = sDumpLines(Polygons(), false, false),
                    nets = sDumpNets(Nets());
  for (int driver : {25, 26, 29}) {
    SCOPED_TRACE(driver);
    std::string path = m_dir + "/book" + std::to_string(driver) + ".xml";
    ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, driver, path.c_str()));
    std::string text = kvxtest::ReadFile(path);
    EXPECT_EQ(XmlTestSchemaErrors(text, kXsd), std::vector<std::string>{});
    ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, driver, path.c_str()));
    // Uncoded lines with attribute columns stay uncoded (not coded with
    // the attribute Feature's code). The HeXML import gives vertices without
    // a point their own point IDs (compared apart).
    EXPECT_EQ(sDumpLines(Lines(), false, false), lines);
    char pid[MBO_ID_SIZE] = "";
    boMboGetElmPID(LiLinesGetFirst(Lines()), LiElmGetFirst(LiLinesGetFirst(Lines())), pid, (int)sizeof pid);
    EXPECT_STREQ(pid, "A");
    EXPECT_EQ(sDumpLines(Polygons(), false, false), polys);
    std::string expectNets = nets;
    size_t at = expectNets.find("\n:");
    ASSERT_NE(at, std::string::npos);
    expectNets.replace(at, 2, "\nSurface:");
    at = expectNets.find("\nTerrain:", at);
    expectNets.replace(at, 9, "\nTerrain (1):");
    if (driver == 29) expectNets.replace(expectNets.find(" Layer=TIN-1"), 12, "");
    EXPECT_EQ(sDumpNets(Nets()), expectNets);
    EXPECT_EQ(sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)()).substr(0, 31), "[A] 100.0000 200.0000 10.0000 \n");
  }
}

TEST_F(LandXmlGeometry, AHandWrittenSurfaceSkipsWhatItCannotPlace) {
  // Points one per line, sparse and huge ids, a repeated id, faces naming a
  // missing point, faces without three numbers, invisible faces (the answer
  // holds for every surface of the file).
  vUiExpectBox(IDNO, "Some triangles are invisible.");
  Read(
      sDoc("<Surfaces>\n<Surface name=\"S1\" desc=\"Ground\">\n<Definition surfType=\"TIN\">\n<Pnts>\n"
           "<P id=\"10\">\n100.0 200.0 5.0\n</P>\n<P id=\"2000000000\">101.0 200.0 6.0</P>\n"
           "<P id=\"11\">100.0 201.0 7.0</P>\n<P id=\"11\">999 999 999</P>\n<P>1 2 3</P>\n</Pnts>\n<Faces>\n"
           "<F>10 2000000000 11</F>\n<F>10 11 13</F>\n<F>10 11</F>\n<F>10 11 x</F>\n<F i=\"1\">11 10 "
           "2000000000</F>\n<F>-5 10 11</F>\n</Faces>\n</Definition>\n"
           "<Feature><Property label=\"Layer\" value=\"L1\"/></Feature>\n</Surface>\n"
           "<Surface name=\"S2\"><Definition surfType=\"TIN\"><Pnts><P id=\"1\">0 0 0</P><P id=\"2\">0 1 0</P>"
           "<P id=\"3\">1 0 0</P></Pnts><Faces><F i=\"1\">1 2 3</F><F>3 2 1</F></Faces></Definition></Surface>\n"
           "<Surface desc=\"no name\"/>\n<Surface name=\"Grid\"><Definition surfType=\"grid\"><Pnts><P "
           "id=\"1\">0 0 0</P></Pnts></Definition></Surface>\n</Surfaces>\n"));
  EXPECT_EQ(sDumpNets(Nets()),
            "S1: desc=Ground Layer=L1\n p0 200.000 100.000 5.000\n p1 200.000 101.000 6.000\n"
            " p2 201.000 100.000 7.000\n t0 0 1 2\n"
            "S2:\n p0 0.000 0.000 0.000\n p1 1.000 0.000 0.000\n p2 0.000 1.000 0.000\n t0 2 1 0\n"
            "Grid:\n");
}

TEST_F(LandXmlGeometry, PipeNetworksMakeStructurePointsAndPipeLines) {
  vUiExpectBox(IDOK, "Tag Pond exists in file but is not imported");
  vUiExpectBox(IDOK, "Point not found MH9");
  vUiExpectBox(IDOK, "Tag ElliPipe exists in file but is not imported");
  vUiExpectBox(IDOK, "\"mismatch\"");
  Read(
      sDoc("<PipeNetworks>\n<PipeNetwork name=\"Sewer\" pipeNetType=\"sanitary\">\n<Structs>\n"
           "<Struct name=\"MH1\" elevRim=\"12.5\" elevSump=\"9.5\" desc=\"manhole\"><Center>6000 1000</Center>"
           "<CircStruct diameter=\"1.2\" material=\"concrete\"/>"
           "<Invert refPipe=\"P1\" elev=\"10.0\" flowDir=\"out\"/></Struct>\n"
           "<Struct name=\"MH2\"><Center>6000 1050</Center><Pond/>"
           "<Invert refPipe=\"P1\" elev=\"9.0\" flowDir=\"out\"/><Invert refPipe=\"P3\" elev=\"9\" "
           "flowDir=\"in\"/><Invert refPipe=\"nope\" elev=\"1\"/></Struct>\n"
           "<Struct name=\"MH3\"><Center>6000</Center></Struct>\n"
           "<Struct name=\"MH4\"><Center>6010 1050</Center></Struct>\n"
           "</Structs>\n<Pipes>\n<Pipe name=\"P1\" refStart=\"MH1\" refEnd=\"MH2\" slope=\"2.0\">"
           "<CircPipe diameter=\"0.3\" material=\"PVC\"/></Pipe>\n"
           "<Pipe name=\"P2\" refStart=\"MH1\" refEnd=\"MH9\"/>\n"
           "<Pipe name=\"P3\" refStart=\"MH2\" refEnd=\"MH4\"><ElliPipe/></Pipe>\n<Pipe refStart=\"MH1\" "
           "refEnd=\"MH2\"/>\n</Pipes>\n</PipeNetwork>\n</PipeNetworks>\n"));
  EXPECT_EQ(sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)()),
            "[MH1] 1000.0000 6000.0000 9.5000  desc=manhole elevSump=9.5 elevRim=12.5 structtype=CircStruct "
            "diameter=1.2 material=concrete\n"
            "[MH2] 1050.0000 6000.0000 -  structtype=Pond\n"
            "[MH4] 1050.0000 6010.0000 - \n");
  std::string lines = sDumpLines(Lines());
  EXPECT_EQ(lines,
            "P1 code=\n  0 1000.000 6000.000 10.000 []\n  98 1050.000 6000.000 9.000 []\n"
            "P3 code=\n  0 1050.000 6000.000 9.000 []\n  98 1050.000 6010.000 0.000 [MH4]\n");
  ViFields* fs = FB(pKvxMboLFieldsGet)();
  LiLine* p1 = LiLinesGetFirst(Lines());
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, p1, "name"), "Sewer");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, p1, "pipeNetType"), "sanitary");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, p1, "type"), "CircPipe");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, p1, "diameter"), "0.3");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, p1, "flowDir"), "mismatch");  // out at both ends
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, LiLinesGetNext(Lines(), p1), "flowDir"), "tostart");
  // MH4 gives no sump level: its vertex has no height either.
  LiLine* p3 = LiLinesGetNext(Lines(), p1);
  double z = 0;
  EXPECT_FALSE(FB(boMboGetElmZ)(p3, LiElmGetLast(p3), &z));
}

TEST_F(LandXmlGeometry, PublicShapedLinesBreaklinesAndBoundaries) {
  Read(
      sDoc("<CgPoints><CgPoint name=\"1\">100 10 1</CgPoint><CgPoint name=\"2\">100 20 2</CgPoint></CgPoints>\n"
           "<Alignments><Alignment name=\"CL\" staStart=\"0\" length=\"40\"><CoordGeom>\n"
           "<Line><Start pntRef=\"1\"/><End>100 30</End></Line>\n"
           "<Curve rot=\"ccw\" radius=\"10\"><Start>100 30</Start><PI>100 40</PI><End>110 40</End></Curve>\n"
           "<Spiral length=\"0\" radiusStart=\"INF\" radiusEnd=\"50\" rot=\"cw\" spiType=\"clothoid\">"
           "<Start>110 40</Start><End>120 40</End></Spiral>\n"
           "</CoordGeom></Alignment></Alignments>\n"
           "<PlanFeatures><PlanFeature name=\"Fence\" desc=\"FE\"><CoordGeom><IrregularLine>"
           "<Start>0 0</Start><End>0 30</End><PntList2D>0 10\n0 20</PntList2D></IrregularLine>"
           "<Curve radius=\"5\"><Start>0 30</Start><Center>5 30</Center><End>10 30</End></Curve>"
           "<Curve><Start>10 30</Start><End>20 30</End></Curve>"
           "<Line><Start pntRef=\"missing\"/><End/></Line>"
           "</CoordGeom></PlanFeature></PlanFeatures>\n"
           "<Surfaces><Surface name=\"T\"><Definition surfType=\"TIN\"><Breaklines>"
           "<Breakline name=\"BL\" desc=\"edge\"><PntList3D>1 1 1 2 2 2 3 3 3</PntList3D></Breakline>"
           "</Breaklines><Boundaries><Boundary name=\"Out\"><PntList2D>0 0 0 10 10 10</PntList2D></Boundary>"
           "</Boundaries></Definition></Surface></Surfaces>\n"));
  EXPECT_EQ(sDumpLines(Lines()),
            "CL code=\n  0 10.000 100.000 1.000 [1]\n  1 30.000 100.000 0.000 [] r=-10.0000 c=30.0000,110.0000\n"
            "  0 40.000 110.000 0.000 []\n  98 40.000 120.000 0.000 []\n"
            "Fence code=FE\n  0 0.000 0.000 0.000 []\n  0 10.000 0.000 0.000 []\n  0 20.000 0.000 0.000 []\n"
            "  1 30.000 0.000 0.000 [] r=5.0000 c=30.0000,5.0000\n  0 30.000 10.000 0.000 []\n"
            "  98 30.000 20.000 0.000 []\n"
            "BL code=edge\n  0 1.000 1.000 1.000 []\n  0 2.000 2.000 2.000 []\n  98 3.000 3.000 3.000 []\n");
  EXPECT_EQ(sDumpLines(Polygons()),
            "Out code=\n  0 0.000 0.000 0.000 []\n  0 10.000 0.000 0.000 []\n"
            "  98 10.000 10.000 0.000 []\n");
}

TEST_F(LandXmlGeometry, AProfileGivesTheAlignmentItsHeights) {
  // The first ProfAlign gives heights along the whole alignment, element
  // after element. On B, grades of +10 % and -10 % meet at station 1100
  // under a vertical curve of radius 200: about T^2 / 2R = 1 m below the
  // corner.
  std::string file = kvxtest::ReadFile(KVX_TEST_DATA "/landxml/profile_alignment.xml");
  EXPECT_TRUE(XmlTestSchemaErrors(file, kXsd).empty());
  Read(file);
  std::vector<std::vector<double>> z;
  for (LiLine* l = LiLinesGetFirst(Lines()); l; l = LiLinesGetNext(Lines(), l)) {
    z.emplace_back();
    for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
      GeoPnt3 p;
      vLiElmGetP(l, e, &p);
      z.back().push_back(p.z);
    }
  }
  ASSERT_EQ(z.size(), 2u);
  ASSERT_EQ(z[0].size(), 4u);
  EXPECT_NEAR(z[0][0], 100, 1e-6);
  EXPECT_NEAR(z[0][1], 110, 1e-6);
  EXPECT_NEAR(z[0][2], 110, 1e-6);
  EXPECT_NEAR(z[0][3], 100, 1e-6);
  ASSERT_EQ(z[1].size(), 4u);
  EXPECT_NEAR(z[1][0], 10, 1e-6);
  EXPECT_NEAR(z[1][1], 19.0, 0.1);
  EXPECT_NEAR(z[1][2], 10, 1e-6);
  EXPECT_NEAR(z[1][3], 10, 1e-6);
}

TEST_F(LandXmlGeometry, ABareCoordGeomTakesItsPlanFeaturesFeatures) {
  std::string file = kvxtest::ReadFile(KVX_TEST_DATA "/landxml/planfeature_features.xml");
  EXPECT_TRUE(XmlTestSchemaErrors(file, kXsd).empty());
  Read(file);
  ViFields* fs = FB(pKvxMboLFieldsGet)();
  LiLine* f1 = LiLinesGetFirst(Lines());
  ASSERT_NE(f1, nullptr);
  EXPECT_STREQ(sLiLineGetField(f1), "FENCE");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, f1, "Material"), "Wood");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, f1, "Height"), "1.2");
  // A CoordGeom with a Feature of its own keeps to it.
  LiLine* f2 = LiLinesGetNext(Lines(), f1);
  ASSERT_NE(f2, nullptr);
  EXPECT_STREQ(sLiLineGetField(f2), "WALL");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, f2, "Material"), "Stone");
  EXPECT_STREQ(sViFieldsGetFieldByName(fs, f2, "Height"), "");
}

TEST_F(LandXmlGeometry, EveryImportAsksAboutInvisibleTrianglesAgain) {
  const std::string file = sDoc(
      "<Surfaces><Surface name=\"S\"><Definition surfType=\"TIN\"><Pnts><P id=\"1\">0 0 0</P><P id=\"2\">0 1 0</P>"
      "<P id=\"3\">1 0 0</P></Pnts><Faces><F i=\"1\">1 2 3</F></Faces></Definition></Surface></Surfaces>\n");
  vUiExpectBox(IDNO, "invisible");
  Read(file);
  EXPECT_EQ(iTrNetGetTriangleCount(TrNetsGetFirst(Nets())), 0);
  vUiExpectBox(IDYES, "invisible");
  Read(file);
  EXPECT_EQ(iTrNetGetTriangleCount(TrNetsGetFirst(Nets())), 1);
}

namespace {

// Every vertex of the objects as it stands: its own coordinates, else its
// point's (Z "-" when neither has one), and its point ID.
std::string sDumpPlaces(LiLine* l) {
  std::string out = std::string(sStrNotNull(sMboGetLineObjID(l))) + ":";
  for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
    const MboElmData* d = static_cast<const MboElmData*>(LiElmGetData(l, e));
    GeoPnt3 p;
    vLiElmGetP(l, e, &p);
    PoPoint* pt = nullptr;
    PoPoints* pts = FB(pKvxMboPoPointsGet)();
    for (PoPoint* q = PoPointsGetFirst(pts); q && d->sPid[0] && !pt; q = PoPointsGetNext(pts, q))
      if (std::string(FB(sMboGetPointPID)(q)) == d->sPid) pt = q;
    bool hasZ = d->uFlags & MBO_FLAG_Z;
    if (pt && !(d->uFlags & MBO_FLAG_XY)) FB(boMboGetPointXY)(pt, &p.x, &p.y);
    if (pt && !hasZ) hasZ = FB(boMboGetPointZ)(pt, &p.z);
    out += sStrFormat(" [%s] %.3f %.3f %s", d->sPid, p.x, p.y, hasZ ? sStrFormat("%.3f", p.z) : "-");
  }
  return out + "\n";
}

template <class Objects, class First, class Next>
std::string sDumpAllPlaces(Objects* objs, First first, Next next) {
  std::string out;
  for (auto* o = first(objs); o; o = next(objs, o)) out += sDumpPlaces(o);
  return out;
}

}  // namespace

TEST_F(LandXmlGeometry, PointReferencesComeBackUnmovedThroughEveryDialect) {
  // Points named job.area.number, three of them with the number 3 (the
  // CgPoint names repeat), a 2-D one and an unnamed one; vertices on their
  // points, and vertices that name a point but stand away from it.
  struct {
    const char* pid;
    double x, y, z;
  } const points[] = {{"1.2.3", 600000.125, 6650000.25, 12.5},
                      {"1.5.3", 600010, 6650010, 13},
                      {"3", 600020, 6650020, 14},
                      {"J.7", 600030, 6650030, NAN},
                      {"", 600040, 6650040, 15}};
  for (int driver : {25, 26, 28, 29}) {
    SCOPED_TRACE(driver);
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
    for (const auto& pt : points) {
      PoPoint* p = FB(KvxMboNewPoint)(pt.pid);
      FB(vMboSetPointXY)(p, pt.x, pt.y);
      if (!std::isnan(pt.z)) FB(vMboSetPointZ)(p, pt.z);
    }
    LiLine* road = FB(KvxMboNewLine)("Road");
    Vertex(road, 0, 0, 1, "1.2.3");
    FB(KvxMboAddLineElm)(road, "1.5.3");  // on its point
    Vertex(road, 600020.5, 6650020.5, 20, "3");
    FB(KvxMboAddLineElm)(road, "J.7");
    Vertex(road, 600050, 6650050, 16, "1.2.3");
    Vertex(road, 5, 5, 5, "GONE");  // names no point: written without the reference
    YgPolygon* lot = FB(KvxMboNewPolygon)("Lot");
    for (const char* pid : {"3", "1.2.3", "1.5.3"}) FB(KvxMboAddPolygonElm)(lot, pid);
    FB(vMboSetElmXY)(lot, LiElmGetLast(lot), 1, 2);  // away from 1.5.3, without a height
    std::string points0 = sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)());
    std::string places0 = sDumpAllPlaces(Lines(), LiLinesGetFirst, LiLinesGetNext) +
                          sDumpAllPlaces(Polygons(), YgPolygonsGetFirst, YgPolygonsGetNext);
    places0.replace(places0.find("[GONE]"), 6, "[]");

    std::string path = m_dir + "/refs" + std::to_string(driver) + ".xml";
    ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, driver, path.c_str()));
    std::string text = kvxtest::ReadFile(path);
    EXPECT_EQ(XmlTestSchemaErrors(text, kXsd), std::vector<std::string>());
    EXPECT_EQ(text.find("GONE"), std::string::npos);
    // The Trimble dialect has no reader of its own; its lines are parcels.
    ASSERT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, driver == 28 ? 25 : driver, path.c_str()));
    EXPECT_EQ(sXmlTestDumpPoints(FB(pKvxMboPoPointsGet)()), points0);
    EXPECT_EQ(sDumpAllPlaces(Lines(), LiLinesGetFirst, LiLinesGetNext) +
                  sDumpAllPlaces(Polygons(), YgPolygonsGetFirst, YgPolygonsGetNext),
              places0);
  }
}
