// The JobXML reader and its feature library, through the exported direct
// read on hand-written job files, with the library found beside the job,
// picked through the Open dialog, or refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../instruments/fb_dump.h"
#include "testing/shell_driver.h"
#include "testing/ui_driver.h"
#include "xml/fxl.h"
#include "xml/jobxml_read.h"
#include "xml/xmlutil.h"

namespace {

namespace fs = std::filesystem;

class JobXml : public InstrumentFiles {
 protected:
  // The job and, when wanted, its library and image folder in the test's
  // folder; the job's path.
  std::string sSetUpJob(bool library, const std::string& edit = "") {
    std::string job = ReadFile(KVX_TEST_DATA "/jobxml/job.jxl");
    if (edit == "no library named")
      job.replace(job.find("<Environment>"), job.find("</Environment>") + 14 - job.find("<Environment>"), "");
    if (edit == "absolute library") job.replace(job.find("site.fxl"), 8, KVX_TEST_DATA "/jobxml/site.fxl");
    if (library) fs::copy_file(KVX_TEST_DATA "/jobxml/site.fxl", m_dir + "/site.fxl");
    fs::create_directory(m_dir + "/Images");
    Put("Images/p1.jpg", "jpg");
    Put("Images/f1.jpg", "jpg");
    Put("job.jxl", job);
    return m_dir + "/job.jxl";
  }
  // Lines with their vertices' coordinates and the fields they carry.
  std::vector<std::string> DumpLineDetail() {
    std::vector<std::string> out;
    LiLines* lines = FB(pKvxMboLiLinesGet)();
    ViFields* fs = FB(pKvxMboLFieldsGet)();
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
      std::string s = std::string(FB(sMboGetLineObjID)(l)) + (boLiLineIsPolygon(l) ? " P" : "");
      for (int i = 0; i < iViFieldsGetCount(fs); i++)
        if (const char* v = sViFieldsGetField(fs, l, i); *v)
          s += std::string(" ") + sViFieldsGetFieldName(fs, i) + "=" + sSub(v);
      s += ":";
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        char pid[100];
        double x, y, z;
        FB(boMboGetElmPID)(l, e, pid, sizeof pid);
        s += std::string(" ") + (pid[0] ? pid : "-");
        s += FB(boMboGetElmXY)(l, e, &x, &y) ? "(" + sNum(x, 0) + "," + sNum(y, 0) : std::string("(-,-");
        s += FB(boMboGetElmZ)(l, e, &z) ? "," + sNum(z, 0) + ")" : std::string(")");
      }
      out.push_back(s);
    }
    return out;
  }
  std::vector<std::string> DumpPointFields() {
    std::vector<std::string> out;
    PoPoints* pts = FB(pKvxMboPoPointsGet)();
    ViFields* fs = FB(pKvxMboPFieldsGet)();
    for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p)) {
      std::string s = FB(sMboGetPointPID)(p);
      for (int i = 0; i < iViFieldsGetCount(fs); i++)
        if (const char* v = sViFieldsGetField(fs, p, i); *v)
          s += std::string(" ") + sViFieldsGetFieldName(fs, i) + "=" + sSub(v);
      out.push_back(s);
    }
    return out;
  }
  // Image paths with the test's folder cut out.
  std::string sSub(const std::string& v) {
    std::string s = v;
    for (size_t at; (at = s.find(m_dir)) != std::string::npos;) s.replace(at, m_dir.size(), "$");
    return s;
  }
};

using V = std::vector<std::string>;

}  // namespace

TEST_F(JobXml, AJobWithItsLibraryBesideItReadsEveryRecordKind) {
  ASSERT_TRUE(boRead(30, sSetUpJob(true)));
  // Reductions come before the FieldBook's records although the file has
  // them last; a point only on a line makes no point; unnamed points stay
  // apart; no Elevation means no height.
  EXPECT_EQ(DumpPoints(), (V{"P1  200.000 100.000 10.000", "F4  240.000 140.000* 14.000*", "A1  8.000 7.000* -",
                             "  1.000 1.000* 1.000*", "  - - -"}));
  EXPECT_EQ(DumpPointFields(), (V{"P1 S_HYPERLINK=$\\Images\\p1.jpg Code=TREE Species=Oak Tree.Height=7", "F4 Code=96",
                                  "A1 Code=MAST", " Code=99", " Code=99"}));
  EXPECT_EQ(
      DumpLineDetail(),
      (V{// FENCE1 runs on through a photo and a double blank, ends at END.
         "F1 S_HYPERLINK=$\\Images\\f1.jpg Code=FENCE1 Material=Wood: F1(210,110,11) F2(220,120) F3(230,130,13)",
         // The next FENCE1 point starts a line; JP joins P1 first.
         "F4 Code=FENCE1: F4(240,140,14) -(200,100,10) F5(250,150,15) F7(270,170,17)", "F6 Code=FENCE1: F6(260,160,16)",
         // NJ makes a line of its own; F4's line runs on to F7, whose other
         // Material ends it and opens a line, closed by CLS.
         "F7 P Code=FENCE1 Material=Wire: F7(270,170,17) F8(280,180,18)", "K1 Code=FENCE2: K1(2,1,3)",
         "PL1 Code=KERB Height=0.12: P1(200,100,10) F1(210,110,11) F2(220,120)"}));
  EXPECT_EQ(DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7}),
            (V{"ST 1=S1 4=1.550 5=760.00000 6=12.5",
               "  OBS 1=P1 2=TREE 3=0.00000000 4=1.57079600 5=99.97000 6=1.60000 7=Custom (-0.030)",
               "  OBS 1=NEW 2= 5=50.00000 7= ()"}));
  EXPECT_EQ(DumpStations(5, {1}, {130, 131, 132, 134, 135, 136, 137, 103}),
            (V{"ST 1=G1",
               "  OBS 130=500000.200000 131=6600000.100000 132=12.300000 134=2012.05.03_10:20:30 135=9 136=5 "
               "137=1.800000 103=0.020000"}));
  // Every vector of the base is kept; V1's QualityControl2 lacks one of the
  // six values and stores no covariance.
  EXPECT_EQ(DumpStations(4, {1}, {1, 100, 101, 102, 6, 103}),
            (V{"ST 1=BASE", "  OBS 1=V1 100=10.500000 101=-3.250000 102=0.125000 6=1.80000 103=0.000000",
               "  OBS 1=V2 100=20.000000 101=1.000000 102=2.000000 103=0.000000"}));
}

// A name given twice: look-ups (JoinToPoint, polylines) take its first
// coordinates, whenever they come.
TEST_F(JobXml, LookUpsFindTheFirstCoordinatesOfAName) {
  std::string job = ReadFile(sSetUpJob(true));
  job.insert(job.find("</Reductions>"),
             "<Point><Name>D1</Name><Grid><North>1</North><East>2</East><Elevation>3</Elevation></Grid></Point>"
             "<Point><Name>D1</Name><Grid><North>4</North><East>5</East><Elevation>6</Elevation></Grid></Point>"
             "<Point><Name>G1</Name><Code>KERB JP D1</Code>"
             "<Grid><North>7</North><East>8</East><Elevation>9</Elevation></Grid></Point>"
             "<Point><Name>D1</Name><Grid><North>0</North><East>0</East></Grid></Point>");
  job.insert(job.find("</FieldBook>"),
             "<LivePolylineRecord ID=\"pl2\"><Name>PL2</Name><StartPoint>D1</StartPoint>"
             "<Parts><LinePart><EndPoint>G1</EndPoint></LinePart></Parts></LivePolylineRecord>");
  Put("job.jxl", job);
  ASSERT_TRUE(boRead(30, m_dir + "/job.jxl"));
  V lines = DumpLineDetail();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "G1 Code=KERB: -(2,1,3) G1(8,7,9)"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "PL2: D1(2,1,3) G1(8,7,9)"), lines.end());
}

TEST_F(JobXml, AMissingLibraryIsPickedThroughTheOpenDialogAndReadsAlike) {
  ASSERT_TRUE(boRead(30, sSetUpJob(true)));
  const V lines = DumpLineDetail(), points = DumpPoints();
  fs::remove(m_dir + "/site.fxl");
  fs::create_directory(m_dir + "/lib");
  fs::copy_file(KVX_TEST_DATA "/jobxml/site.fxl", m_dir + "/lib/other.fxl");
  vUiExpectBox(IDYES, "Can't find given Fxl file in file.\nDo you want to specify a Fxl file?");
  kvxtest::ExpectFileDialog([&](kvxtest::FileDlg& d) {
    EXPECT_FALSE(d.IsSave());
    d.Choose(m_dir + "/lib/other.fxl");
  });
  ASSERT_TRUE(boRead(30, m_dir + "/job.jxl"));
  EXPECT_EQ(UiBoxLog().at(0).uStyle & MB_DEFBUTTON2, (UINT)MB_DEFBUTTON2);  // No is the default
  EXPECT_EQ(DumpLineDetail(), lines);
  EXPECT_EQ(DumpPoints(), points);
}

TEST_F(JobXml, AnAbsoluteLibraryPathIsTakenAsItStands) {
  ASSERT_TRUE(boRead(30, sSetUpJob(true)));
  const V lines = DumpLineDetail();
  fs::remove(m_dir + "/site.fxl");
  ASSERT_TRUE(boRead(30, sSetUpJob(false, "absolute library")));
  EXPECT_EQ(DumpLineDetail(), lines);
}

TEST_F(JobXml, AJobNamingNoLibraryAnsweredNoHasNoLines) {
  vUiExpectBox(IDNO, "No Fxl file given in file.\nDo you want to specify a Fxl file?");
  ASSERT_TRUE(boRead(30, sSetUpJob(false, "no library named")));
  // Without line codes every Reductions point is a point of its own code;
  // only the polyline is a line.
  EXPECT_EQ(DumpLines(), (V{"PL1||: P1 F1 F2"}));
  EXPECT_EQ(sPointField("F3", "Code"), "FENCE1");
  EXPECT_EQ(sPointField("F4", "Code"), "96");
  EXPECT_EQ(DumpPoints().size(), 13u);
}

TEST_F(JobXml, HostileFilesKeepWhatTheyHoldAndNeverStopTheHost) {
  std::string deep;
  for (int i = 0; i < 5000; i++) deep += "<Point>";
  const struct {
    const char* what;
    std::string bytes;
    int answer;  // 0: no box
    const char* box;
  } cases[] = {
      {"empty", "", IDOK, "cannot be read.\nLine 1: Document is empty"},
      {"cut", "<JOBFile><Reductions><Point><Name>A", IDOK, "cannot be read.\nLine 1: Premature end of data"},
      {"wrong root", "<LandXML/>", IDOK, "Root element should be named \"JOBFile\""},
      {"entity bomb",
       "<!DOCTYPE JOBFile [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
       "<JOBFile><Reductions><Point><Name>&d;</Name></Point></Reductions></JOBFile>",
       IDOK, "cannot be read.\nLine 1: Detected an entity reference loop"},
      {"deep", "<JOBFile><Reductions>" + deep + "</JOBFile>", IDOK, "cannot be read.\nLine 1: Excessive depth"},
      {"external entity",
       "<!DOCTYPE JOBFile [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><JOBFile><Reductions><Point>"
       "<Name>E&x;</Name><Grid><North>1</North><East>2</East></Grid></Point></Reductions></JOBFile>",
       IDNO, "No Fxl file given"},
      {"no numbers",
       "<JOBFile><Environment><AssociatedFiles><FeatureCodeLibrary>/nowhere/x.fxl</FeatureCodeLibrary>"
       "</AssociatedFiles></Environment><FieldBook><AtmosphereRecord ID='a'><Pressure>high</Pressure>"
       "<Temperature>9</Temperature></AtmosphereRecord><StationRecord ID='s'><StationName>S</StationName>"
       "<AtmosphereID>a</AtmosphereID></StationRecord><PointRecord><StationID>s</StationID><Name>Q</Name>"
       "<Circle><HorizontalCircle>1e999</HorizontalCircle><VerticalCircle>nan</VerticalCircle>"
       "<EDMDistance>x</EDMDistance></Circle></PointRecord></FieldBook><Reductions><Point><Name>Q</Name>"
       "<Grid><North>n</North><East>1e400</East><Elevation>4.5</Elevation></Grid></Point></Reductions></JOBFile>",
       IDNO, "Can't find given Fxl file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.answer) vUiExpectBox(c.answer, c.box);
    Put("hostile.jxl", c.bytes);
    boRead(30, m_dir + "/hostile.jxl");
    EXPECT_EQ(iUiPendingBoxes(), 0);
    if (std::string(c.what) == "external entity") {
      EXPECT_EQ(DumpPoints(), (V{"E  2.000 1.000* -"}));
    }
  }
  // What is a number is kept, alone.
  EXPECT_EQ(DumpPoints(), (V{"Q  - - 4.500*"}));
  EXPECT_EQ(DumpStations(1, {1, 5, 6}, {1, 3, 4, 5}), (V{"ST 1=S 5= 6=9", "  OBS 1=Q"}));
}

TEST(Fxl, LookupByKindNameAndListValue) {
  XmlDocPtr doc = pXmlParseFile(KVX_TEST_DATA "/jobxml/site.fxl");
  ASSERT_TRUE(doc);
  int found = -1, index = -1;
  vFxlLookupCode(doc.get(), FXL_KIND_POINT, "Facing", "South", &found, &index);
  EXPECT_EQ(found * 100000 + index, 100002);  // the Comment counts in the position
  vFxlLookupCode(doc.get(), FXL_KIND_POINT, "Facing", "East", &found, &index);
  EXPECT_EQ(found * 100000 + index, 165535);
  vFxlLookupCode(doc.get(), FXL_KIND_POINT, "Facing", "", &found, &index);
  EXPECT_EQ(found * 100000 + index, 165535);
  vFxlLookupCode(doc.get(), FXL_KIND_POLYGON, "Material", "Stone", &found, &index);
  EXPECT_EQ(found * 100000 + index, 100002);
  vFxlLookupCode(doc.get(), 2, "Material", "Stone", &found, &index);
  EXPECT_EQ(found * 100000 + index, 65535);
  vFxlLookupCode(doc.get(), FXL_KIND_LINE, "Facing", "North", &found, &index);
  EXPECT_EQ(found * 100000 + index, 65535);
  vFxlLookupCode(nullptr, FXL_KIND_LINE, "Material", "Wood", &found, &index);
  EXPECT_EQ(found * 100000 + index, 65535);
}

TEST(Jxl, SplitAndTimeStamp) {
  EXPECT_EQ(vJxlSplit("FENCE  END", ' '), (V{"FENCE", "", "END"}));
  EXPECT_EQ(vJxlSplit("A  ", ' '), (V{"A", ""}));
  EXPECT_EQ(vJxlSplit("A ", ' '), (V{"A"}));
  EXPECT_EQ(vJxlSplit("", ' '), V{});
  EXPECT_EQ(sJxlReadTimeStamp("2012-05-03T10:20:30Z"), "2012.05.03_10:20:30Z");
  EXPECT_FALSE(dXmlNumber("abc"));
  EXPECT_FALSE(dXmlNumber("1e999"));
  EXPECT_EQ(*dXmlNumber("  -0.030\n"), -0.03);
  EXPECT_FALSE(dXmlNumber("  -0.030x"));  // not a number as a whole
}
