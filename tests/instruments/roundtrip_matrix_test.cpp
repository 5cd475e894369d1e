// Every format the module both writes and reads: a seeded random field book
// written and read back through the direct exports, compared with a small
// model of what the format keeps (name and code widths, decimals, heights,
// lines). Each row states its format's limits; nothing the format can hold
// may be lost or garbled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "fb_dump.h"
#include "fieldbook/catalogue.h"
#include "testing/dialog_driver.h"
#include "testing/ui_driver.h"

namespace {

using Strings = std::vector<std::string>;

// A question the writer or reader asks, and its answer.
struct Box {
  int iAnswer;
  const char* sFragment;
};

struct Format {
  int iInstrument;
  const char* sName;
  int iNameWidth;                      // characters of a point name the format holds
  bool boDigits;                       // names are point numbers only
  int iCodeWidth;                      // characters of a code; 0: no codes
  int iDecimals;                       // coordinate decimals
  double dMax;                         // largest coordinate the format holds
  bool boKeepsNoZ;                     // a point without height reads back without one (else at 0)
  int iLines;                          // 0: no lines; kLinesKept; kLinesOpen; kLinesCoded
  std::vector<Box> boxes;              // the writer's questions and their answers
  const char* sM5Layout;               // the M5 information block (its dialog shown on each call)
  const char* sSkip;                   // why the row cannot round trip
  const char* sCodeField = "S_FCODE";  // the point field the code comes back in
};

// Lines come back with ID, code and closure.
const int kLinesKept = 1;
// Lines come back with their ID only; a closed one as an open line that
// repeats its first vertex (the file has no closed flag nor line code).
const int kLinesOpen = 2;
// As kLinesOpen, but with the line's code.
const int kLinesCoded = 3;

void PrintTo(const Format& f, std::ostream* os) { *os << f.sName; }

// Codes read through the current-record builder keep 15 characters.
const int kRecCode = 15;
// A coordinate upload for the instrument: what the reader takes is the
// instrument's measurement download, a different record set.
const char kUploadOnly[] = "the writer makes an upload file; the reader takes the instrument's download records";
const char kFcRecords[] = "the writer's _x/_y coordinate records are not the _f/_g/_h records the reader takes";
const Box kKofLines{IDYES, "Skriv linjer til KOF?"};
const Box kNoFxl{IDNO, "No Fxl file given"};
// M5 information block: point number in columns 11-18, code in 19-26.
const char kM5Layout[] = "0,2, 2,1, 3,4, 7,4, 11,8, 19,8, PI=3";

// name, name width, digits only, code width, decimals, largest coordinate,
// keeps a missing height, lines, writer's boxes, M5 layout, skip
const Format kFormats[] = {
    // label=value records: name and code unbounded, values "%.3lf"
    {MBO_INSTR_GEODAT_402, "Geodat 402", 30, false, kRecCode, 3, 9e6, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_GEODAT_400, "Geodat 400", 30, false, kRecCode, 3, 9e6, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_GEODAT_126, "Geodat 126", 30, false, kRecCode, 3, 9e6, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_GEODIMETER_B, "Geodimeter B", 30, false, kRecCode, 3, 9e6, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_GEODAT_PCMCIA, "Geodat PCMCIA", 30, false, kRecCode, 3, 9e6, true, 0, {}, nullptr, nullptr},
    // read back from columns 9-16 (name) and 19-26 (code); a missing Z is written 0.000
    {MBO_INSTR_REC500, "REC 500", 8, false, 8, 3, 9e6, false, 0, {}, nullptr, nullptr},
    // GSI8: 8-digit words, millimetres up to 99999999; GSI16: 16 digits
    {MBO_INSTR_LEICA_GIF10, "GSI GIF10", 8, true, 8, 3, 99999, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_LEICA_TC600, "GSI TC600", 8, true, 8, 3, 99999, true, 0, {{IDNO, "GSI16"}}, nullptr, nullptr},
    {MBO_INSTR_LEICA_GSI, "GSI 16", 16, true, kRecCode, 3, 9e6, true, 0, {{IDYES, "GSI16"}}, nullptr, nullptr},
    // GRE puts the EO word where the others put the code
    {MBO_INSTR_LEICA_GRE, "GSI GRE", 8, true, 0, 3, 99999, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_LEICA_TPS, "GSI TPS", 16, true, kRecCode, 3, 9e6, true, 0, {}, nullptr, nullptr},
    // 08KI records: 16-character name, no code
    {MBO_INSTR_SDR33, "SDR33", 16, false, 0, 3, 9e6, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_TOPCON_FC, "Topcon FC", 10, false, 0, 3, 999999, true, 0, {}, nullptr, kFcRecords},
    // comma-separated: name, east, north, height, code
    {MBO_INSTR_TOPCON_GTS800, "Topcon GTS-800", 30, false, kRecCode, 3, 9e6, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_PSION, "Psion", 16, false, 15, 3, 9e6, true, 0, {}, nullptr, kUploadOnly},
    {MBO_INSTR_KERN_AC, "Kern AC", 8, false, 0, 3, 9e6, true, 0, {}, nullptr, kUploadOnly},
    {MBO_INSTR_NIKON, "Nikon", 16, false, 15, 3, 9e6, true, 0, {}, nullptr, kUploadOnly},
    // 05 blocks: name 10, code 8; 09 blocks carry lines (asked for)
    {MBO_INSTR_KOF, "KOF", 10, false, 8, 3, 9e6, true, kLinesKept, {kKofLines}, nullptr, nullptr},
    // the information block as laid out in the ini file; values "%.4f"
    {MBO_INSTR_DINI_M5, "DiNi M5", 8, false, 8, 4, 9e6, true, 0, {}, kM5Layout, nullptr},
    // 69KI records: name 16; a code field part keeps 8 characters
    {MBO_INSTR_TRIMBLE_DC77, "Trimble DC77", 16, false, 8, 3, 9e6, true, 0, {}, nullptr, nullptr},
    {MBO_INSTR_TRIMBLE_DC10, "Trimble DC10", 16, false, 8, 3, 9e6, true, 0, {}, nullptr, nullptr},
    // XML: names and codes as text, values with 4 decimals; lines as point
    // references with their code in the attribute Feature
    {MBO_INSTR_LANDXML, "LandXML", 40, false, 40, 4, 9e6, true, kLinesCoded, {}, nullptr, nullptr},
    {MBO_INSTR_LEICA_LANDXML, "Leica LandXML", 40, false, 40, 4, 9e6, true, kLinesCoded, {}, nullptr, nullptr},
    // the block carries the line code, with or without attribute columns
    {MBO_INSTR_LEICA_HEXML, "HeXML", 40, false, 40, 4, 9e6, true, kLinesCoded, {}, nullptr, nullptr},
    // reduced points only: lines need a feature library to come back as
    // lines; the reader keeps the code as the attribute "Code"
    {MBO_INSTR_TRIMBLE_JOBXML, "JobXML", 40, false, 40, 4, 9e6, true, 0, {kNoFxl}, nullptr, nullptr, "Code"},
};

struct Pt {
  std::string sName, sCode;
  double x, y, z;
  bool boZ;
};

class RoundTripMatrix : public InstrumentFiles, public ::testing::WithParamInterface<Format> {
 protected:
  // n points of the format's widths and decimals, a quarter of them without
  // height; where lines travel, an open line and a closed one over them.
  // Returns the model: the points and lines as ReadBack gives them.
  std::pair<Strings, Strings> Fill(const Format& f, unsigned seed, int n) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto value = [&](double lo, double hi) {
      double scale = std::pow(10.0, f.iDecimals);
      return std::round(std::uniform_real_distribution<double>(lo, hi)(rng) * scale) / scale;
    };
    // Names and codes start with a letter (a digit from 1 for point
    // numbers): zero-filled words cannot keep leading zeros.
    auto text = [&](int len, bool digits) {
      const char* chars = digits ? "0123456789" : "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
      std::string s;
      for (int c = 0; c < len; c++) s += chars[c ? pick(0, digits ? 9 : 35) : pick(digits ? 1 : 0, digits ? 9 : 25)];
      return s;
    };
    std::vector<Pt> pts;
    std::pair<Strings, Strings> model;
    while ((int)pts.size() < n) {
      // Line vertices (the first six points) are 3-D.
      Pt p{text(pick(1, f.iNameWidth), f.boDigits),
           text(f.iCodeWidth ? pick(0, f.iCodeWidth) : 0, false),
           value(f.dMax / 20, f.dMax),
           value(f.dMax / 20, f.dMax),
           value(-50, 2500),
           (f.iLines && pts.size() < 6) || pick(0, 3) != 0};
      if (std::any_of(pts.begin(), pts.end(), [&](const Pt& q) { return q.sName == p.sName; })) continue;
      // A host may store a NaN height: it is no height.
      double nan = NAN;
      pNewPoint(p.sName.c_str(), p.sCode.c_str(), p.x, p.y, p.boZ ? &p.z : &nan);
      double z0 = 0;
      model.first.push_back(sPoint(p.sName, p.sCode, p.x, p.y,
                                   p.boZ          ? &p.z
                                   : f.boKeepsNoZ ? nullptr
                                                  : &z0,
                                   f.iDecimals));
      pts.push_back(p);
    }
    for (int l = 0; f.iLines && l < 2; l++) {
      std::string id = "L" + std::to_string(l + 1), code = text(pick(1, std::min(f.iCodeWidth, 8)), false);
      LiLine* line = FB(KvxMboNewLine)(id.c_str());
      vLiLineSetField(line, code.c_str());
      bool kept = f.iLines == kLinesKept;
      std::string s = id + "|" + (kept || f.iLines == kLinesCoded ? code : "") + "|" + (l && kept ? "P" : "") + ":";
      for (int v = 0; v < 3; v++) {
        const Pt& p = pts[l * 3 + v];
        LiElm* e = FB(KvxMboAddLineElm)(line, p.sName.c_str());
        FB(vMboSetElmXY)(line, e, p.x, p.y);
        FB(vMboSetElmZ)(line, e, p.z);
        s += " " + p.sName;
      }
      if (l && !kept) s += " " + pts[l * 3].sName;
      if (l) vLiLineSetAsPolygon(line, 1);
      model.second.push_back(s);
    }
    std::sort(model.first.begin(), model.first.end());
    return model;
  }
  static std::string sPoint(const std::string& name, const std::string& code, double x, double y, const double* z,
                            int decimals) {
    return name + "|" + code + "|" + sNum(x, decimals) + "|" + sNum(y, decimals) + "|" + (z ? sNum(*z, decimals) : "-");
  }
  // The field book's points in the model's terms, sorted: formats that
  // write line vertices first change the order.
  static Strings ReadBack(const char* codeField, int decimals) {
    Strings out;
    PoPoints* pts = FB(pKvxMboPoPointsGet)();
    for (PoPoint* p = PoPointsGetFirst(pts); p; p = PoPointsGetNext(pts, p)) {
      double x = 0, y = 0, z = 0;
      FB(boMboGetPointXY)(p, &x, &y);
      bool boZ = FB(boMboGetPointZ)(p, &z);
      const char* code = sViFieldsGetFieldByName(FB(pKvxMboPFieldsGet)(), p, codeField);
      out.push_back(sPoint(FB(sMboGetPointPID)(p), code, x, y, boZ ? &z : nullptr, decimals));
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  static void vAcceptLayout(const Format& f) {
    if (f.sM5Layout) kvxtest::ExpectDialog(113, [](kvxtest::Dlg& d) { d.Click(IDOK); });
  }
  void vFreshFieldBook() {
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
  }
};

TEST_P(RoundTripMatrix, WhatIsWrittenReadsBack) {
  const Format& f = GetParam();
  if (f.sSkip) GTEST_SKIP() << f.sSkip;
  if (f.sM5Layout) {
    vOptions(f.iInstrument, "");
    vIniLine(std::string("ZeissM5PI=") + f.sM5Layout);
  }
  for (unsigned seed = 1; seed <= 4; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto [points, lines] = Fill(f, seed, 12);
    // Nor is a point with an infinite coordinate written with it.
    pNewPoint("QX1", "", INFINITY, 1);
    std::string path = tmp_.Path("rt" + std::to_string(seed) + ".out");
    for (const Box& b : f.boxes) vUiExpectBox(b.iAnswer, b.sFragment);
    vAcceptLayout(f);
    ASSERT_TRUE(boWrite(f.iInstrument, path));
    std::string text = ReadFile(path);
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    vFreshFieldBook();
    vAcceptLayout(f);
    boRead(f.iInstrument, path);
    Strings back = ReadBack(f.sCodeField, f.iDecimals);
    // A format that keeps points without XY has it so; the others leave it out.
    std::erase(back, sPoint("QX1", "", 0, 0, nullptr, f.iDecimals));
    EXPECT_EQ(points, back) << text;
    if (f.iLines) {
      EXPECT_EQ(lines, DumpLines());
    }
    vFreshFieldBook();
  }
}

// A name and a code holding a line break, CR, TAB and 0x1D stay on their
// line: every raw writer writes control bytes as blanks (Geodat as '_'), so
// the file has no line end but its own and the point reads back as one
// record.
TEST_P(RoundTripMatrix, ControlBytesInNamesAndCodesStayOnTheirLine) {
  const Format& f = GetParam();
  if (!pMboGetRawWriter(f.iInstrument)) GTEST_SKIP() << "XML writers escape control bytes";
  if (f.sM5Layout) {
    vOptions(f.iInstrument, "");
    vIniLine(std::string("ZeissM5PI=") + f.sM5Layout);
  }
  double z = 3;
  pNewPoint(f.boDigits ? "1\r2\n3\t\x1D"
                         "4"
                       : "A\rB\nC\t\x1D"
                         "D",
            "K\r\nL\t\x1D"
            "M",
            1000, 2000, &z);
  std::string path = tmp_.Path("ctl.out");
  for (const Box& b : f.boxes)
    if (std::string(b.sFragment) != kKofLines.sFragment) vUiExpectBox(b.iAnswer, b.sFragment);
  vAcceptLayout(f);
  ASSERT_TRUE(boWrite(f.iInstrument, path));
  std::string bytes = ReadFile(path);
  for (size_t i = 0; i < bytes.size(); i++) {
    unsigned char c = (unsigned char)bytes[i];
    if (c == '\r') {
      EXPECT_EQ('\n', i + 1 < bytes.size() ? bytes[i + 1] : 0) << "CR at " << i << " in " << bytes;
      i++;
    } else {
      EXPECT_FALSE(c < 0x20 || c == 0x7F) << "byte " << (int)c << " at " << i << " in " << bytes;
    }
  }
  if (f.sSkip) return;
  vFreshFieldBook();
  vAcceptLayout(f);
  boRead(f.iInstrument, path);
  EXPECT_EQ(1, iPoPointsGetCount(FB(pKvxMboPoPointsGet)())) << bytes;
  vFreshFieldBook();
}

// Names and codes holding the separators of one format or another (blank,
// '=', ',', ';', TAB, a line break) and ’ (0x92, which a reader of code
// page 865 takes as Æ): each point reads back as one record at its own
// place, its name apart from every other and kept but for the bytes its
// format cannot hold (a blank or control byte as '_', as the record
// builder names it, ’ as '?').
TEST_P(RoundTripMatrix, NamesAndCodesHoldingSeparatorsReadBackAsOneRecordEach) {
  const Format& f = GetParam();
  if (!pMboGetRawWriter(f.iInstrument)) GTEST_SKIP() << "an XML writer";
  if (f.sSkip) GTEST_SKIP() << f.sSkip;
  if (f.sM5Layout) {
    vOptions(f.iInstrument, "");
    vIniLine(std::string("ZeissM5PI=") + f.sM5Layout);
  }
  const char* const kLetters[] = {"A B", "C=D", "E,F", "G;H", "I\tJ", "K\r\nL", "O\x92N", "P Q R"};
  // ’ is 0x92 (octal 222).
  const char* const kDigits[] = {"1 2", "3=4", "5,6", "7;8", "9\t1", "2\r\n3", "4\2225", "6 7 8"};
  // Geodat separates records at blanks: codes too hold '_' for them. GSI
  // point numbers lose their blanks. GTS-800 separates values by commas,
  // and its reader takes bytes as they are.
  bool geodat = std::string(f.sName).starts_with("Geod"), gts = f.iInstrument == MBO_INSTR_TOPCON_GTS800;
  Strings expected;
  for (int i = 0; i < 8; i++) {
    std::string name = f.boDigits ? kDigits[i] : kLetters[i];
    std::string code = f.iCodeWidth ? std::string("K") + kLetters[i] : "";
    double z = 10.5 + i;
    pNewPoint(name.c_str(), code.c_str(), 1000 + 10 * i, 2000 + 20 * i, &z);
    // What the format keeps of them.
    auto kept = [&](std::string t, bool name) {
      if (name && f.boDigits) std::erase(t, ' ');
      for (char& c : t)
        if (c == '\x92' && !gts)
          c = '?';
        else if (c == ',' && gts)
          c = '_';
        else if ((unsigned char)c <= 0x20)
          c = name || geodat ? '_' : ' ';
      return t;
    };
    expected.push_back(sPoint(kept(name, true), kept(code, false), 1000 + 10 * i, 2000 + 20 * i, &z, f.iDecimals));
  }
  std::string path = tmp_.Path("apart.out");
  for (const Box& b : f.boxes)
    if (std::string(b.sFragment) != kKofLines.sFragment) vUiExpectBox(b.iAnswer, b.sFragment);
  vAcceptLayout(f);
  ASSERT_TRUE(boWrite(f.iInstrument, path));
  std::string text = ReadFile(path);
  vFreshFieldBook();
  vAcceptLayout(f);
  boRead(f.iInstrument, path);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, ReadBack(f.sCodeField, f.iDecimals)) << text.substr(0, 120);
  vFreshFieldBook();
}

// A value that is not finite (a host may store one) is written as absent:
// the file is the one of the same field book without it, in every raw
// writer (those of points alone leave it out as they read the points).
TEST_P(RoundTripMatrix, ValuesNotFiniteAreWrittenAsAbsent) {
  const Format& f = GetParam();
  if (!pMboGetRawWriter(f.iInstrument)) GTEST_SKIP() << "an XML writer";
  if (f.sM5Layout) {
    vOptions(f.iInstrument, "");
    vIniLine(std::string("ZeissM5PI=") + f.sM5Layout);
  }
  const double kInf = INFINITY, kNan = NAN;
  const struct {
    const char* id;
    double x, y, z;
  } kPoints[] = {{"1", 1000, 2000, 3},    {"2", kInf, 2000, 3},     {"3", 1000, kNan, 3},
                 {"4", 1000, 2000, kNan}, {"5", 1100, 2100, -kInf}, {"6", 1500, 2500, 4}};
  std::string written[2];
  for (int absent = 0; absent < 2; absent++) {
    for (const auto& v : kPoints) {
      PoPoint* p = FB(KvxMboNewPoint)(v.id);
      if (!absent || (std::isfinite(v.x) && std::isfinite(v.y))) FB(vMboSetPointXY)(p, v.x, v.y);
      if (!absent || std::isfinite(v.z)) FB(vMboSetPointZ)(p, v.z);
    }
    std::string path = tmp_.Path("absent" + std::to_string(absent) + ".out");
    for (const Box& b : f.boxes)
      if (std::string(b.sFragment) != kKofLines.sFragment) vUiExpectBox(b.iAnswer, b.sFragment);
    vAcceptLayout(f);
    ASSERT_TRUE(boWrite(f.iInstrument, path));
    written[absent] = ReadFile(path);
    vFreshFieldBook();
  }
  EXPECT_EQ(written[1], written[0]);
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripMatrix, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<Format>& i) {
                           std::string s;
                           for (char c : std::string(i.param.sName))
                             if (isalnum((unsigned char)c)) s += c;
                           return s;
                         });

}  // namespace
