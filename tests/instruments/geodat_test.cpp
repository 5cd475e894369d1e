// Geodat raw files through the exported direct read and write, on real
// files: a file that uses every label, a write and read-back round trip
// with offsets, and the reader's edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fb_dump.h"
#include "fieldbook/api.h"
#include "fieldbook/model.h"
#include "testing/ui_driver.h"
#include "win32.h"

namespace fs = std::filesystem;

namespace {

class Geodat : public InstrumentFiles {
 protected:
  void vOffsets(int eo, int no) {
    std::string v = "EO:" + std::to_string(eo) + " NO:" + std::to_string(no);
    ASSERT_TRUE(WritePrivateProfileStringA("KvxMbo", "MboType10", v.c_str(), host_.sIniPath));
  }
  // Reads raw text as instrument 10; gives the side file's text.
  std::string sRead(const std::string& raw) { return sReadFile(Put("in.are", raw)); }
  std::string sReadFile(const std::string& path) {
    EXPECT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 10, path.c_str()));
    return sSide(fs::path(path).stem().c_str());
  }
  // Every point as "id code x y [z]" lines, in container order.
  std::string sPoints() {
    std::string out;
    for (const std::string& p : DumpPoints()) out += p + "\n";
    return out;
  }
  // Every line as its vertices' point IDs, "|" after each line.
  std::string sLines() {
    std::string out;
    LiLines* lines = FB(pKvxMboLiLinesGet)();
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        char buf[MBO_ID_SIZE];
        FB(boMboGetElmPID)(l, e, buf, (int)sizeof buf);
        out += std::string(buf) + (LiElmGetNext(l, e) ? " " : "");
      }
      out += "|";
    }
    return out;
  }
  // Every line as "ID|code|P: A B(C) D": P a closed line, (C) the middle of
  // a three-point arc from B.
  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    LiLines* lines = FB(pKvxMboLiLinesGet)();
    for (LiLine* l = LiLinesGetFirst(lines); l; l = LiLinesGetNext(lines, l)) {
      std::string s = std::string(FB(sMboGetLineObjID)(l)) + "|" + sLiLineGetField(l) + "|" +
                      (boLiLineIsPolygon(l) ? "P" : "") + ":";
      for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
        char buf[MBO_ID_SIZE];
        FB(boMboGetElmPID)(l, e, buf, (int)sizeof buf);
        s += std::string(" ") + buf;
        if (LiElmGetType(l, e) == KV2GR_ELM_ARC3P) {
          FB(boMboGetElmPID)(l, LiElmGet3pArcElm2(l, e), buf, (int)sizeof buf);
          s += std::string("(") + buf + ")";
        }
      }
      out.push_back(s);
    }
    return out;
  }
};

using Strings = std::vector<std::string>;

TEST_F(Geodat, AFileWithEveryLabel) {
  vOffsets(1000, -200);
  std::string side = sReadFile(KVX_TEST_DATA "/geodat/every_label.raw");
  // Points with the job and area of 87/88, north + EO as Y, east + NO as X,
  // the sticky code, the converted letters; H1's additional heights make no
  // points.
  std::string pts = sPoints();
  EXPECT_NE(std::string::npos, pts.find("JOB1.AR.100 KUM 3200.456 2200.123 12.500\n")) << pts;
  EXPECT_NE(std::string::npos, pts.find("JOB1.AR.V\xC5G\xD8 \xE5\xE6\xF8 700.000 1900.000 -\n")) << pts;
  EXPECT_NE(std::string::npos, pts.find("JOB1.AR.Q \xE5\xE6\xF8 -198.000 1001.000 -\n")) << pts;
  EXPECT_EQ(std::string::npos, pts.find("H1_2"));
  // The station with its observation to P1.
  void* st = FB(pMboGetNextSt)(1, nullptr);
  ASSERT_NE(nullptr, st);
  char buf[200];
  void* obs = FB(pMboGetNextObs)(1, st, nullptr);
  ASSERT_NE(nullptr, obs);
  EXPECT_EQ(nullptr, FB(pMboGetNextSt)(1, st));
  // The extra field of label 0/1 on the next point.
  PoPoints* points = FB(pKvxMboPoPointsGet)();
  PoPoint* p100 = nullptr;
  for (PoPoint* p = PoPointsGetFirst(points); p; p = PoPointsGetNext(points, p))
    if (strcmp(FB(sMboGetPointPID)(p), "JOB1.AR.100") == 0) p100 = p;
  ASSERT_NE(nullptr, p100);
  EXPECT_STREQ("Road_office", sViFieldsGetFieldByName(pViPFieldsGet(points), p100, "OWNER"));
  // The closed line that 91=1.0 begins: L1 to L3 (91=2.0 begins the next).
  LiLines* lines = FB(pKvxMboLiLinesGet)();
  ASSERT_GE(iLiLinesGetCount(lines), 1);
  std::string vertices;
  LiLine* line = LiLinesGetFirst(lines);
  for (LiElm* e = LiElmGetFirst(line); e; e = LiElmGetNext(line, e)) {
    FB(boMboGetElmPID)(line, e, buf, (int)sizeof buf);
    vertices += std::string(buf) + " ";
  }
  EXPECT_EQ("JOB1.AR.L1 JOB1.AR.L2 JOB1.AR.L3 ", vertices);
  EXPECT_TRUE(boLiLineIsPolygon(line));
  // The side file: header texts, the drill hole, the discarded height, the
  // unknown label; nothing of the labels the reader interprets.
  EXPECT_EQ(
      "JOB NUMBER : JOB7\r\n"
      "DATE : 061226\r\n"
      "PROJECT : Tunnel_north\r\n"
      "DRILLHOLE_INFO_78_77_DIST: \"B1\" \"T1\" 12.5000 HoleLength=30.250 HoleVdir=1.234\r\n"
      "ADDITIONAL HEIGHT NOT STORED : point=H1 code=TOP height=1.5\r\n"
      "HEIGHT DIFF : 0.123\r\n"
      "AREA NUMBER : 7\r\n"
      "UNKNOWN CODE : 42=mystery_value\r\n",
      side);
  char last[300];
  EXPECT_EQ(1, FB(boMboGetLastReadRawFile)(last, (int)sizeof last));
  EXPECT_STREQ(KVX_TEST_DATA "/geodat/every_label.raw", last);
}

TEST_F(Geodat, WrittenPointsReadBackWithTheOffsetsUndone) {
  vOffsets(6000000, 100000);
  struct {
    const char* id;
    const char* code;
    double x, y, z;
    bool hasZ;
  } const in[] = {
      {"1", "KUM", 100123.456, 6650000.125, 12.5, true},
      {"2", "", 100200.0, 6650100.0, 0, false},  // no code: an empty 4= ends KUM
      {"JOB.AREA.3", "VEG", 100300.5, 6650200.25, -3.75, true},
  };
  for (const auto& p : in) {
    PoPoint* pt = FB(KvxMboNewPoint)(p.id);
    FB(vMboSetPointXY)(pt, p.x, p.y);
    if (p.hasZ) FB(vMboSetPointZ)(pt, p.z);
    vPoPointSetField(pt, p.code);
  }
  FB(KvxMboNewPoint)("NOXY");  // points without XY are not written
  std::string raw = tmp_.Path("out.are");
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 10, raw.c_str()));
  EXPECT_EQ(0u, ReadFile(raw).find("5=1\r\n4=KUM\r\n37=650000.125\r\n38=123.456\r\n39=12.500\r\n5=2\r\n4=\r\n"));
  EXPECT_EQ(std::string::npos, ReadFile(raw).find("NOXY"));
  sReadFile(raw);
  EXPECT_EQ(
      "1 KUM 100123.456 6650000.125 12.500\n"
      "2  100200.000 6650100.000 -\n"
      "3 VEG 100300.500 6650200.250 -3.750\n",
      sPoints());
}

// A name or code holding a line break, blanks or ’ comes back as one point
// with its own values: inside a value those bytes are written as '_' and
// '?', at its ends left out.
TEST_F(Geodat, NamesThatWouldBreakARecordReadBackAsOnePoint) {
  pNewPoint("P2\r\n39=-500", "", 10, 20);
  pNewPoint("C\r\n5=EVIL", "A B", 30, 40);
  pNewPoint(" PT 12\t", "\x92K\x9D ", 50, 60);
  std::string raw = tmp_.Path("apart.are");
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 10, raw.c_str()));
  EXPECT_EQ(0u, ReadFile(raw).find("5=P2__39=-500\r\n37=20.000\r\n38=10.000\r\n5=C__5=EVIL\r\n4=A_B\r\n"))
      << ReadFile(raw);
  sReadFile(raw);
  EXPECT_EQ("P2__39=-500  10.000 20.000 -\nC__5=EVIL A_B 30.000 40.000 -\nPT_12 ?K? 50.000 60.000 -\n", sPoints());
}

// The writer puts a point's lines together itself: each is what
// snprintf("%s%s") makes of label and value, cut at 2047 characters: blank
// and control bytes at the value's ends left out, inside it written as '_',
// and a byte the reader would take as a code-page-865 letter as '?'; names
// and codes of any length and bytes.
TEST_F(Geodat, WrittenLinesMatchTheFormattedModel) {
  std::mt19937 rng(7);
  auto text = [&](size_t maxLen) {
    std::string t(rng() % 4 == 0 ? rng() % (maxLen + 1) : rng() % 12, 'x');
    for (char& c : t) c = (char)(1 + rng() % 255);
    return t;
  };
  std::string expected;
  bool coded = false;
  auto line = [&](const std::string& label, const std::string& value) {
    auto blank = [](char c) { return (unsigned char)c <= 0x20 || c == 0x7F; };
    size_t from = 0, to = value.size();
    while (from < to && blank(value[from])) from++;
    while (to > from && blank(value[to - 1])) to--;
    std::string v = value.substr(from, to - from);
    for (char& c : v) {
      unsigned char u = (unsigned char)c;
      if (u <= 0x20 || u == 0x7F) c = '_';
      if (u == 0x86 || u == 0x8F || u == 0x91 || u == 0x92 || u == 0x9B || u == 0x9D) c = '?';
    }
    expected += (label + v).substr(0, 2047) + "\r\n";
  };
  for (int i = 0; i < 400; ++i) {
    std::string name = text(90), code = text(2100);
    for (char& c : name)
      if (c == '.') c = '_';  // the ID is then its point number
    double x = std::ldexp(std::uniform_real_distribution<double>(-1, 1)(rng), (int)(rng() % 60));
    double y = rng() % 50 == 0 ? 1e300 : x * 3 + 0.0005, z = x / 7;
    bool hasZ = rng() % 2;
    if (rng() % 3 == 0) code.clear();
    PoPoint* pt = FB(KvxMboNewPoint)((std::to_string(i) + name + "N").c_str());
    FB(vMboSetPointXY)(pt, x, y);
    if (hasZ) FB(vMboSetPointZ)(pt, z);
    vPoPointSetField(pt, code.c_str());
    char num[400];
    line("5=", FB(sMboGetPointPID)(pt));
    std::string storedCode = sPoPointGetField(pt);
    if (!storedCode.empty() || coded) line("4=", storedCode);
    coded = !storedCode.empty();
    snprintf(num, sizeof num, "%.3f", y);
    line("37=", num);
    snprintf(num, sizeof num, "%.3f", x);
    line("38=", num);
    if (hasZ) {
      snprintf(num, sizeof num, "%.3f", z);
      line("39=", num);
    }
  }
  std::string raw = tmp_.Path("model.are");
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 10, raw.c_str()));
  std::string written = ReadFile(raw);
  size_t at = std::mismatch(written.begin(), written.end(), expected.begin(), expected.end()).first - written.begin();
  EXPECT_EQ(expected.size(), written.size());
  EXPECT_EQ(expected.substr(at > 40 ? at - 40 : 0, 80), written.substr(at > 40 ? at - 40 : 0, 80)) << at;
}

TEST_F(Geodat, LineControlConsumesItsFollowersAndTheRestIsReported) {
  std::string side = sRead("91=1.0 92=K 93=2.5 94=0.2 42=x 5=A 37=1 38=2 15=9 ab=cd z 1=2");
  EXPECT_EQ(
      "UNKNOWN CODE : 42=x\r\n"
      "ADDITIONAL HEIGHT NOT STORED : point= code= height=2.5\r\n"
      "AREA NUMBER : 9\r\n",
      side);
  EXPECT_EQ("A  2.000 1.000 -\n", sPoints());  // 92 is the line's code, not the point's
}

// An additional-height collection (91=-7) lasts through the record of its
// base point, the label 5 after it: a code there is the point's until a
// height comes, and the codes of later points are their own.
TEST_F(Geodat, AdditionalHeightsEndWithTheirBasePointsRecord) {
  std::string side = sRead(
      "5=P1 4=KUM 38=1 91=-7 5=P2 4=VEG 38=2 5=P3 4=BYG 38=3 5=P4 4=GJERDE 38=4 "
      "91=-7 5=H 4=MUR 38=5 93=1.5 4=TOP 93=0.5 5=T1 4=77 38=6 72=12.5 5=B1 4=78 38=7 "
      "91=-7 2=ST 5=Q 4=KUM 38=8 91=-7");
  std::string codes;
  for (const std::string& p : DumpPoints()) codes += p.substr(0, p.find(" -")) + "|";
  EXPECT_EQ("P1 KUM|P2 VEG|P3 BYG|P4 GJERDE|H MUR|T1 77|B1 78|Q KUM|", codes);
  EXPECT_EQ(
      "ADDITIONAL HEIGHT NOT STORED : point=H code=TOP height=1.5\r\n"
      "ADDITIONAL HEIGHT NOT STORED : point=H code= height=0.5\r\n"
      "DRILLHOLE_INFO_78_77_DIST: \"B1\" \"T1\" 12.5000\r\n",
      side);
}

TEST_F(Geodat, LineCommandsGroupAndNumberTheLines) {
  // -2.3: three lines filled in turn; -9 ends the group.
  sRead("91=-2.3 5=A 37=0 38=0 5=B 37=1 38=0 5=C 37=2 38=0 5=D 37=0 38=1 5=E 37=1 38=1 5=F 37=2 38=1 91=-9");
  EXPECT_EQ("A D|B E|C F|", sLines());
  // Line numbers: points go to the line of the number last given.
  sRead("90=1 91=1 5=A 37=0 38=0 91=2 5=B 37=1 38=0 91=1 5=C 37=2 38=0 91=2 5=D 37=0 38=1");
  EXPECT_EQ("A C|B D|", sLines());
  // 0.m starts a new line at the point m, and the points after it follow on
  // that line; n.0 closes line n, and like n the points after it follow on it.
  for (const char* mode : {"90=0 ", "90=1 "}) {
    sRead(std::string(mode) + "91=1 5=A 37=0 38=0 5=B 37=1 38=0 91=0.A 5=C 37=0 38=1 5=D 37=0 38=2");
    EXPECT_EQ("A B|A C D|", sLines()) << mode;
  }
  sRead(
      "90=1 91=1 5=A 37=0 38=0 91=2 5=B 37=5 38=0 91=1 5=C 37=1 38=1 5=D 37=0 38=1 91=2 5=E 37=6 38=0 91=1.0 "
      "5=F 37=9 38=9 5=G 37=9 38=8");
  EXPECT_EQ((std::vector<std::string>{"1||P: A C D F G", "2||: B E"}), DumpLines());
}

// A point without a line control continues the line of the point before it:
// the controls between the points (arcs, a label-62 point, the same number
// again, a close) keep that line. A file with one line at a time gives the
// same lines with line numbers on (90=1) as without, only the IDs differ.
TEST_F(Geodat, LineControlsKeepTheLineBeingBuilt) {
  struct {
    const char* raw;
    Strings lines;  // without line numbers; with them each line has its ID
  } const cases[] = {
      {"91=1 92=KANT 5=A 91=1 92=KANT 5=B 91=1 92=KANT 5=C 91=1.0", {"KANT|P: A B C"}},
      // B starts the three-point arc B C D.
      {"91=1 92=KANT 5=A 5=B 91=-3 5=C 91=-3 5=D 5=E", {"KANT|: A B(C) D E"}},
      {"91=1 92=KANT 5=A 5=B 62=X 5=C 5=D", {"KANT|: A B C D"}},
      {"91=1 5=A 91=-3 5=B 91=-3 5=C 5=D", {"|: A(B) C D"}},
      // Another number starts a new line; n.0 and -9 end a line, and its
      // number again starts a new one.
      {"91=1 5=A 5=B 91=2 5=C 5=D", {"|: A B", "|: C D"}},
      {"91=1 5=A 5=B 91=1.0 5=C 91=1 5=D 5=E 91=-9 91=1 5=F 5=G", {"|P: A B C", "|: D E", "|: F G"}},
      // n.0 before a line begins closes it from its first point, with the
      // line code read with it; a point code does not name the line then.
      {"91=1.0 92=KANT 5=A 4=KUM 5=B 5=C 91=2.0 92=VEG 5=D 5=E", {"KANT|P: A B C", "VEG|P: D E"}},
      // A repeated point is not taken twice, nor the point m of 0.m that
      // follows it.
      {"91=1 5=A 5=B 5=B 91=0.C 5=C 5=D", {"|: A B", "|: C D"}},
  };
  for (const auto& c : cases) {
    sRead(c.raw);
    Strings without;
    for (const std::string& l : c.lines) without.push_back("|" + l);
    EXPECT_EQ(without, Lines()) << c.raw;
    sRead(std::string("90=1 ") + c.raw);
    Strings ids = Lines();
    for (std::string& l : ids) l = l.substr(l.find('|'));
    EXPECT_EQ(without, ids) << "90=1 " << c.raw;
  }
  // With line numbers a number chooses its line, also past an unnumbered
  // line, which keeps an empty ID.
  sRead("90=1 91=0 5=A 5=B 91=5 5=C 5=D");
  EXPECT_EQ((Strings{"||: A B", "5||: C D"}), Lines());
  sRead("90=1 91=1 5=A 91=2 5=B 91=1 5=C 91=2 5=D 91=1.0 92=K");
  EXPECT_EQ((Strings{"1|K|P: A C", "2||: B D"}), Lines());
}

// A square (-4) or parallel (-5) after a line's last point belongs to that
// line when an end (-9), a close (n.0) or the file's end follows before the
// next point; a line number right after it keeps it for the next line.
TEST_F(Geodat, ShapesAfterALinesLastPointBelongToThatLine) {
  const std::string hus = "91=1 92=HUS 5=A 37=0 38=0 5=B 37=0 38=10 5=C 37=5 38=10 ";
  const std::string veg = "92=VEG 5=D 37=20 38=0 5=E 37=20 38=10 5=F 37=25 38=10";
  struct {
    std::string raw;
    Strings lines;
  } const cases[] = {
      {hus + "91=-4 91=-9 91=2 " + veg, {"|HUS|P: A B C ", "|VEG|: D E F"}},
      {hus + "91=-4 91=1.0 91=2 " + veg, {"|HUS|P: A B C ", "|VEG|: D E F"}},
      {hus + "91=-4 91=2.0 " + veg, {"|HUS|P: A B C ", "|VEG|P: D E F"}},
      {hus + "91=-4", {"|HUS|P: A B C "}},
      {hus + "91=-4 91=-3 4=X 91=-9 91=2 " + veg, {"|HUS|P: A B C ", "|VEG|: D E F"}},
      {hus + "91=-5 93=2 91=-9 91=2 " + veg, {"|HUS|: A B C", "|VEG|: D E F", "|HUS|:   "}},
      {hus + "91=-5 92=KANT 93=2 91=1.0", {"|HUS|P: A B C", "|KANT|P:   "}},
      {hus + "91=-5 93=2", {"|HUS|: A B C", "|HUS|:   "}},
      // A line number right after it: the next line's, as before.
      {hus + "91=-4 91=2 " + veg, {"|HUS|: A B C", "|VEG|P: D E F "}},
      {hus + "91=-4 91=2 91=-9 " + veg, {"|HUS|: A B C", "|VEG|P: D E F "}},
      {hus + "91=-5 93=2 91=2 " + veg, {"|HUS|: A B C", "|VEG|: D E F", "|VEG|:   "}},
      // Given after a line number, it is no shape of the line before.
      {hus + "91=2 91=-4 91=-9 91=3 " + veg, {"|HUS|: A B C", "|VEG|P: D E F "}},
      // Given before the line's points, it is theirs.
      {"91=1 92=HUS 91=-4 5=A 37=0 38=0 5=B 37=0 38=10 5=C 37=5 38=10 91=-9 91=2 " + veg,
       {"|HUS|P: A B C ", "|VEG|: D E F"}},
  };
  for (const auto& c : cases) {
    sRead(c.raw);
    EXPECT_EQ(c.lines, Lines()) << c.raw;
    // Where numbers select lines, the same lines with their numbers.
    sRead("90=1 " + c.raw);
    Strings ids = Lines();
    for (std::string& l : ids) l = l.substr(l.find('|'));
    EXPECT_EQ(c.lines, ids) << "90=1 " << c.raw;
  }
  sReadFile(KVX_TEST_DATA "/geodat/square_after_last_point.raw");
  EXPECT_EQ((Strings{"|HUS|P: A B C ", "|VEG|: D E F"}), Lines());
}

// A closed line gives up its number: the same number after the close starts
// a new line, also where numbers select lines.
TEST_F(Geodat, ANumberAfterItsLinesCloseStartsANewLine) {
  sRead("90=1 91=1 5=A 37=0 38=0 5=B 37=0 38=1 5=C 37=1 38=1 91=1.0 91=1 5=D 37=5 38=5 5=E 37=6 38=5");
  EXPECT_EQ((Strings{"1||P: A B C", "1||: D E"}), Lines());
}

// A collection with a height ends at the next record start; one without
// lasts through its base point's record (label 5 or 62), whose own code
// stays its own.
TEST_F(Geodat, AdditionalHeightsEndAtTheRecordAfterTheirFirstHeight) {
  std::string side =
      sRead("5=101 4=KUM 37=1 38=1 91=-7 93=0.5 4=INV 93=1.2 4=BUNN 5=102 4=TRE 37=2 38=2 5=103 37=3 38=3");
  EXPECT_EQ((Strings{"101 KUM 1.000 1.000 -", "102 TRE 2.000 2.000 -", "103 TRE 3.000 3.000 -"}), DumpPoints());
  EXPECT_EQ(
      "ADDITIONAL HEIGHT NOT STORED : point= code=INV height=0.5\r\n"
      "ADDITIONAL HEIGHT NOT STORED : point= code=BUNN height=1.2\r\n",
      side);
  side = sReadFile(KVX_TEST_DATA "/geodat/heights_base_62.raw");
  EXPECT_EQ((Strings{"P1 KUM 1.000 1.000 -", "P2 VEG 2.000 2.000 -"}), DumpPoints());
  EXPECT_EQ(
      "ADDITIONAL HEIGHT NOT STORED : point=P1 code=K1 height=0.5\r\n"
      "ADDITIONAL HEIGHT NOT STORED : point=P1 code=K2 height=1.2\r\n",
      side);
}

// A byte-order mark is dropped; in a UTF-8 file (one with the mark, or
// whose start holds UTF-8 and no other high byte) each token that is UTF-8
// with letters beyond ASCII becomes code page 1252 ('?' for a character 1252
// lacks and for U+0080 to U+009F), every other token keeps code page 865's
// letters, as does every token of an 8-bit file.
TEST_F(Geodat, AMarkIsDroppedAndEachUtf8TokenBecomesAnsi) {
  sReadFile(KVX_TEST_DATA "/geodat/utf8_with_mark.raw");
  EXPECT_EQ((Strings{
                "101 GR\xD8"
                "FT 1.000 2.000 -",
                "102 GR\xD8"
                "FT 3.000 4.000 -",
                "103 \x80\x97? 5.000 6.000 -",
                "104 ??? 7.000 8.000 -",
                "105 \xC3\x98\xD8 9.000 10.000 -",
            }),
            DumpPoints());
  // Without the mark the first point is the same.
  sRead(
      "5=101 4=GR\xC3\x98"
      "FT 37=2 38=1");
  EXPECT_EQ((Strings{"101 GR\xD8"
                     "FT 1.000 2.000 -"}),
            DumpPoints());
  // A mark later in the file is a character 1252 lacks.
  EXPECT_EQ("UNKNOWN CODE : 42=?\r\n", sRead("5=1 42=\xEF\xBB\xBF"));
  // Among 8-bit text a 1252 name whose letters happen to form UTF-8 keeps
  // its bytes.
  sRead(
      "5=S\xD8\xB0 4=S\xD8\xB0 37=1 38=2 5=GR\xD8"
      "FT 4=GR\xD8"
      "FT 37=3 38=4");
  EXPECT_EQ((Strings{"S\xD8\xB0 S\xD8\xB0 2.000 1.000 -",
                     "GR\xD8"
                     "FT GR\xD8"
                     "FT 4.000 3.000 -"}),
            DumpPoints());
}

// NUL bytes at a token's end are dropped (reported once); a token with
// other bytes after a NUL is reported and skipped, a record start with its
// record. The line number is 1 plus the LFs before the token.
TEST_F(Geodat, NulBytesAreDroppedAtATokensEndAndOtherwiseSkipTheToken) {
  std::string side = sReadFile(KVX_TEST_DATA "/geodat/nul_bytes.raw");
  EXPECT_EQ((Strings{"101 KUM 1.000 2.000 -", "103 VEG 5.000 6.000 -", "104 VEG 8.000 7.000 -"}), DumpPoints());
  EXPECT_EQ(
      "NUL BYTES DROPPED : 1\r\n"
      "LINE WITH NUL BYTE : 4\r\n"
      "LINE WITH NUL BYTE : 8\r\n"
      "UNKNOWN CODE : 42=y\r\n"
      "LINE WITH NUL BYTE : 9\r\n"
      "UNKNOWN CODE : 42=x\r\n",
      side);
  // A NUL before the '=' or in its place hides the label: the token is
  // taken for a point's, and the point before keeps its coordinates.
  using namespace std::string_literals;
  for (const std::string& damaged : {"\0\0"
                                     "5=101"s,
                                     "5\0"
                                     "101"s,
                                     "\0"
                                     "4=X"s}) {
    side = sRead("5=100 37=1 38=1\r\n" + damaged + " 37=2 38=2\r\n5=102 37=3 38=3");
    EXPECT_EQ((Strings{"100  1.000 1.000 -", "102  3.000 3.000 -"}), DumpPoints());
    EXPECT_EQ("LINE WITH NUL BYTE : 2\r\n", side);
  }
}

// The code-page-1252 byte of a code point beyond ASCII; '?' where there is
// none, and for U+0080 to U+009F.
char ModelAnsi(uint32_t u) {
  static const uint16_t k1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  if (u >= 0xA0 && u <= 0xFF) return (char)u;
  for (int i = 0; i < 32; i++)
    if (k1252[i] != 0 && k1252[i] == u) return (char)(0x80 + i);
  return '?';
}

// The characters of a token's bytes as UTF-8 (up to max of them); false when
// they are not well-formed there.
bool ModelUtf8(const std::string& b, size_t max, std::vector<uint32_t>* out) {
  for (size_t i = 0; i < b.size() && out->size() < max;) {
    unsigned char c = b[i];
    int len = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > b.size()) return false;
    uint32_t u = len == 1 ? c : c & (0xFF >> (len + 1));
    for (int k = 1; k < len; k++) {
      if (((unsigned char)b[i + k] & 0xC0) != 0x80) return false;
      u = u << 6 | ((unsigned char)b[i + k] & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (u < least[len] || (u >= 0xD800 && u <= 0xDFFF) || u > 0x10FFFF) return false;
    out->push_back(u);
    i += len;
  }
  return true;
}

// The file is UTF-8 when it starts with a byte-order mark, or when its
// first 64 KB hold a multi-byte character and no byte above 0x7F outside
// one (a character cut by their end, where the file goes on, tells nothing).
bool ModelUtf8File(const std::string& raw) {
  if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
  const std::string head = raw.substr(0, 65536);
  bool wide = false;
  for (size_t i = 0; i < head.size();) {
    unsigned char c = head[i];
    size_t len = c < 0x80                 ? 1
                 : c >= 0xC2 && c <= 0xDF ? 2
                 : c >= 0xE0 && c <= 0xEF ? 3
                 : c >= 0xF0 && c <= 0xF4 ? 4
                                          : 0;
    std::vector<uint32_t> one;
    if (len == 0 || !ModelUtf8(head.substr(i, len), 1, &one) || i + len > head.size()) {
      bool cut = raw.size() > head.size() && head.size() - i < 4 && (c & 0xC0) == 0xC0;
      for (size_t j = i + 1; cut && j < head.size(); j++) cut = ((unsigned char)head[j] & 0xC0) == 0x80;
      return cut && wide;
    }
    wide = wide || len > 1;
    i += len;
  }
  return wide;
}

// The token rules as a plain model, byte by byte over the whole file: the
// side file of a file whose records the reader only reports (labels 2 and
// 92 report nothing). A byte-order mark at the start is dropped. A token:
// a comma after its first byte starts it anew; NULs at its end are dropped
// (reported at the file's first); a NUL with another byte after it makes
// it reported and skipped, a record start with its record (a line control
// with its 92, 93 and 94), one whose label the NUL hides as a point's.
// Its first 1596 bytes kept; its first 399 characters, in a UTF-8 file as
// UTF-8 when they are well-formed with a character beyond ASCII, else its
// first 399 bytes with code page 865's letters.
std::string ModelSide(std::string raw) {
  const bool utf8File = ModelUtf8File(raw);
  auto separator = [](char c) { return c == ' ' || c == '\r' || c == '\n'; };
  auto convert = [](unsigned char c) -> char {
    switch (c) {
      case 0x86:
        return (char)0xE5;
      case 0x8F:
        return (char)0xC5;
      case 0x91:
        return (char)0xE6;
      case 0x92:
        return (char)0xC6;
      case 0x9B:
        return (char)0xF8;
      case 0x9D:
        return (char)0xD8;
      default:
        return (char)c;
    }
  };
  auto starts = [](long l) { return l == 2 || l == 5 || l == 62 || l == 90 || l == 91 || l == 92; };
  if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
  std::string side;
  bool nulReported = false;
  int skip = 0;  // 1: a record, 2: a line control's
  size_t i = 0;
  int line = 1;
  for (;;) {
    while (i < raw.size() && separator(raw[i])) line += raw[i++] == '\n';
    if (i == raw.size()) return side;
    std::string tok;
    for (; i < raw.size() && !separator(raw[i]); i++) {
      if (raw[i] == ',' && tok.size() == 1)
        tok.clear();
      else
        tok += raw[i];
    }
    size_t nul = tok.find('\0');
    bool bad = nul != std::string::npos && tok.find_first_not_of('\0', nul) != std::string::npos;
    tok = tok.substr(0, 1596);
    long label;
    std::string value;
    if (bad) {
      side += "LINE WITH NUL BYTE : " + std::to_string(line) + "\r\n";
      size_t eq = tok.find('=');
      // No '=' or a NUL before it: taken for a point's record.
      label = eq == std::string::npos || tok.find('\0') < eq ? 5 : std::strtol(tok.substr(0, eq).c_str(), nullptr, 10);
    } else {
      if (nul != std::string::npos) {
        tok.erase(tok.find_last_not_of('\0') + 1);
        if (!nulReported) side += "NUL BYTES DROPPED : " + std::to_string(line) + "\r\n";
        nulReported = true;
      }
      std::vector<uint32_t> chars;
      std::string text;
      bool utf8 = utf8File && ModelUtf8(tok, 399, &chars);
      bool wide = false;
      for (uint32_t u : chars) wide = wide || u >= 0x80;
      if (utf8 && wide)
        for (uint32_t u : chars) text += u < 0x80 ? (char)u : ModelAnsi(u);
      else
        for (char c : tok.substr(0, 399)) text += convert((unsigned char)c);
      size_t eq = text.find('=');
      if (text.size() < 2 || eq == std::string::npos) continue;
      label = std::strtol(text.substr(0, eq).c_str(), nullptr, 10);
      value = text.substr(eq + 1);
    }
    if (skip == 2 && (label == 92 || label == 93 || label == 94)) continue;
    if (skip && !starts(label)) {
      skip = 1;
      continue;
    }
    skip = 0;
    if (bad) {
      if (starts(label)) skip = label == 91 ? 2 : 1;
      continue;
    }
    if (label == 2 || label == 92) continue;
    for (char& c : value)  // the side file's lines hold no control bytes
      if ((unsigned char)c < 0x20 || c == 0x7F) c = ' ';
    side += "UNKNOWN CODE : " + std::to_string(label) + "=" + value + "\r\n";
  }
}

// A character as UTF-8.
std::string Utf8Of(uint32_t u) {
  if (u < 0x80) return std::string(1, (char)u);
  if (u < 0x800) return {(char)(0xC0 | u >> 6), (char)(0x80 | (u & 0x3F))};
  if (u < 0x10000) return {(char)(0xE0 | u >> 12), (char)(0x80 | (u >> 6 & 0x3F)), (char)(0x80 | (u & 0x3F))};
  return {(char)(0xF0 | u >> 18), (char)(0x80 | (u >> 12 & 0x3F)), (char)(0x80 | (u >> 6 & 0x3F)),
          (char)(0x80 | (u & 0x3F))};
}

// Random files well past the reader's 64 KB buffer, so that records lie
// across its ends: records of labels the reader only reports, with values
// of any byte but the separators (UTF-8 characters, NULs inside and at the
// end among them), a byte and a comma before a label (the token starts
// anew), words without '=', over-long tokens, runs of separators, record
// starts and line controls with a NUL inside and the records they take
// along, a byte-order mark at the start. The side file is the model's.
TEST_F(Geodat, RandomTokensReadAsTheModelReadsThem) {
  std::mt19937 rnd(32);
  auto pick = [&](int n) { return (int)(rnd() % (unsigned)n); };
  const std::string separators = " \r\n";
  for (int round = 0; round < 8; round++) {
    std::string raw = round % 3 == 1 ? "\xEF\xBB\xBF" : "";
    while (raw.size() < 200000) {
      int kind = pick(12);
      if (kind == 0) {
        raw += std::string(1 + pick(3), 'w') + (pick(2) ? "abc" : "") + std::string(pick(2) ? 0 : 500, 'x');
      } else {
        if (kind == 1) {
          int c = 33 + pick(90);
          raw += std::string(1, (char)(c == '=' ? 'q' : c)) + ",";
        }
        if (kind == 2) raw += std::string(1, (char)(0x80 + pick(128))) + ",";
        const int starts[] = {2, 92, 91};
        int label = kind == 3 ? starts[pick(3)] : pick(2) ? 40 + pick(10) : 100 + pick(900);
        // Now and then a NUL hides the label or takes the '=''s place (not a
        // line control's: the 93 after it would add a height).
        bool hide = label != 91 && pick(30) == 0;
        raw += (hide && pick(2) ? std::string(1, '\0') : "") + std::to_string(label) + (hide && pick(2) ? '\0' : '=');
        // Half of the values plain digits, the others with any byte, or
        // UTF-8 characters of every length.
        int len = pick(20) == 0 ? 300 + pick(300) : pick(14);
        int value = pick(6);
        for (int k = 0; k < len; k++) {
          if (value == 0 && pick(3) == 0) {
            const uint32_t top[] = {0xFF, 0x7FF, 0xFFFF, 0x10FFFF};
            uint32_t u = 0x80 + rnd() % (top[pick(4)] - 0x7F);
            raw += Utf8Of(u >= 0xD800 && u <= 0xDFFF ? 0x20AC : u);
            continue;
          }
          char c;
          do c = (char)(value >= 3 || pick(4) ? '0' + pick(10) : pick(256));
          while (separators.find(c) != std::string::npos);
          raw += c;
        }
        // A line control here has a NUL inside, and its records after it.
        if (label == 91 || pick(16) == 0) raw += std::string(1 + pick(2), '\0') + "7";
        if (pick(8) == 0) raw += std::string(1 + pick(3), '\0');
        if (label == 91)
          for (int k = pick(4); k > 0; k--) raw += " " + std::to_string(92 + pick(3)) + "=" + std::to_string(pick(100));
      }
      int seps = pick(8) == 0 ? 1 + pick(5) : 1;
      for (int k = 0; k < seps; k++) raw += separators[pick(3)];
    }
    if (round % 2) raw.pop_back();  // the last record ends with the file
    std::string expected = ModelSide(raw), side = sRead(raw);
    size_t at = std::mismatch(side.begin(), side.end(), expected.begin(), expected.end()).first - side.begin();
    EXPECT_EQ(expected.size(), side.size()) << "round " << round;
    ASSERT_EQ(expected.substr(at > 80 ? at - 80 : 0, 160), side.substr(at > 80 ? at - 80 : 0, 160))
        << "round " << round << " at " << at;
  }
}

TEST_F(Geodat, EmptyAndShapelessFilesGiveNothing) {
  EXPECT_EQ("", sRead(""));
  EXPECT_EQ("", sPoints());
  EXPECT_EQ("", sRead(std::string(5000, '=') + "\r\n\r\n,,,,=\n"));
  // A token is cut at 399 characters; the rest up to the separator goes.
  std::string side = sRead("42=" + std::string(1000, 'v') + " 43=w");
  EXPECT_EQ("UNKNOWN CODE : 42=" + std::string(396, 'v') + "\r\nUNKNOWN CODE : 43=w\r\n", side);
}

}  // namespace
