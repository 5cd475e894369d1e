// M5 files through the direct exports with the layout dialog driven as the
// user: golden records, write -> read round trips with both offsets, the
// layout's clamps, and records the reader passes over.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "base/geometry.h"
#include "fb_dump.h"
#include "testing/dialog_driver.h"
#include "testing/ui_driver.h"

namespace {

using Strings = std::vector<std::string>;
using kvxtest::Dlg;

class M5 : public InstrumentFiles {
 protected:
  void vLayout(const char* value) { vIniLine(std::string("ZeissM5PI=") + value); }
  void vAcceptLayout() {
    kvxtest::ExpectDialog(113, [](Dlg& d) { d.Click(IDOK); });
  }
  std::string sIniLayout() {
    std::string ini = ReadFile(host_.sIniPath);
    size_t at = ini.rfind("ZeissM5PI=");
    return at == std::string::npos ? "" : ini.substr(at + 10, ini.find('\r', at) - at - 10);
  }
};

// Layout: Line 0/2, Geometry 2/1, Area 3/4, Group 7/4, Pno 11/8, Fcode 19/8.
const char kLayout[] = "0,2, 2,1, 3,4, 7,4, 11,8, 19,8, PI=3";

std::string sRecord(int n, const std::string& block, const std::string& x, const std::string& y,
                    const std::string& z = "") {
  char head[32];
  snprintf(head, sizeof head, "For M5|Adr %5d|PI3 ", n);
  std::string r = head + block + std::string(27 - block.size(), ' ') + "|X  " + x + " m   |Y  " + y + " m   |";
  r += z.empty() ? std::string(24, ' ') : "Z  " + z + " m   | ";
  return r + "\r\n";
}

TEST_F(M5, WrittenRecordsMatchTheGoldenLinesAndReadBack) {
  vOptions(24, "EO:6600000 NO:500000");
  vLayout(kLayout);
  double z = -12.3456;
  pNewPoint("JOB.A.P7", "KUM", 500123.4567, 6601234.5678, &z);
  pNewPoint("12", "", 500000.5, 6600000.25);
  FB(KvxMboNewPoint)("NOXY");
  std::string path = m_dir + "/out.m5";
  vAcceptLayout();
  ASSERT_TRUE(boWrite(24, path));
  EXPECT_EQ(sRecord(1, "   JOB A   P7      KUM", "     1234.5678", "      123.4567", "      -12.3456") +
                sRecord(2, "           12", "        0.2500", "        0.5000"),
            ReadFile(path));
  vAcceptLayout();
  boRead(24, path);
  EXPECT_EQ((Strings{"JOB.A.P7 KUM 500123.457 6601234.568 -12.346", "12  500000.500 6600000.250 -"}), DumpPoints());
}

TEST_F(M5, ALineTooLongIsCutAndReported) {
  vOptions(24, "");
  vLayout(kLayout);
  vAcceptLayout();
  boRead(24, std::string(KVX_TEST_DATA) + "/m5/longline.m5");
  EXPECT_EQ((Strings{"P1 KUM 123.457 1234.568 -12.346", "P2 KUM 133.457 1244.568 -13.346", "P3  143.457 1254.568 -"}),
            DumpPoints());
  EXPECT_EQ("LINE TOO LONG, CUT : 2\r\n", sSide("longline"));
}

TEST_F(M5, TheDialogShowsTheLayoutAndClampsThePiNumber) {
  vOptions(24, "");
  vLayout(kLayout);
  pNewPoint("1", "", 1, 2);
  kvxtest::ExpectDialog(113, [](Dlg& d) {
    EXPECT_EQ("Trimble DiNi (M5 format)", d.Caption());
    EXPECT_EQ("3", d.Text(117));
    EXPECT_EQ("11", d.Text(1061));
    EXPECT_EQ("8", d.Text(1064));
    d.Type(117, "15");
    d.Click(IDOK);
  });
  ASSERT_TRUE(boWrite(24, m_dir + "/a.m5"));
  EXPECT_EQ("0,2, 2,1, 3,4, 7,4, 11,8, 19,8, PI=10", sIniLayout());
  kvxtest::ExpectDialog(113, [](Dlg& d) {
    d.Type(117, "0");
    d.Click(IDOK);
  });
  ASSERT_TRUE(boWrite(24, m_dir + "/b.m5"));
  EXPECT_EQ("0,2, 2,1, 3,4, 7,4, 11,8, 19,8, PI=1", sIniLayout());
  // Cancel writes nothing and keeps the stored layout.
  kvxtest::ExpectDialog(113, [](Dlg& d) {
    d.Type(117, "5");
    d.Click(IDCANCEL);
  });
  vUiExpectBox(IDOK, "c.m5\nCancelled");
  EXPECT_FALSE(boWrite(24, m_dir + "/c.m5"));
  EXPECT_EQ("", ReadFile(m_dir + "/c.m5"));
  EXPECT_EQ("0,2, 2,1, 3,4, 7,4, 11,8, 19,8, PI=1", sIniLayout());
}

TEST_F(M5, ItemsOutsideTheBlockAreKeptInsideIt) {
  // Pno at column -5 with length 40 starts at the block; Fcode at 25 is cut
  // to two characters; Area with length 0 is not written.
  vOptions(24, "");
  vLayout("0,0, 0,0, 0,0, 0,0, -5,40, 25,9, PI=2");
  pNewPoint("A.B.123456789012345678901234567890", "LONGCODE", 1, 2);
  vAcceptLayout();
  ASSERT_TRUE(boWrite(24, m_dir + "/a.m5"));
  std::string rec = ReadFile(m_dir + "/a.m5");
  EXPECT_EQ("|PI2 ", rec.substr(16, 5));
  EXPECT_EQ("1234567890123456789012345LO|X", rec.substr(21, 29));
}

TEST_F(M5, RecordsWithoutXOrMarkedDeletedArePassedOver) {
  vOptions(24, "EO:100 NO:200");
  vLayout(kLayout);
  std::string ok = sRecord(1, "   JOB A   P1      KUM", "       10.0000", "       20.0000", "        3.0000");
  std::string feet = sRecord(2, "           P2", "       10.0000", "       20.0000", "        3.0000");
  feet.replace(67, 1, "f");
  std::string deleted = sRecord(3, "           P3", "        1.0000", "        2.0000");
  deleted.replace(118, 1, "~");
  std::string levelling =
      "For M5|Adr     4|PI3              P4            |Rb       1.2345 m   |HD      20.000 m   "
      "|Z       3.0000 m   | \r\n";
  Put("in.m5", ok + feet + deleted + levelling + "For M5|Adr short\r\n");
  vAcceptLayout();
  boRead(24, m_dir + "/in.m5");
  // P2's north is in feet: no north is set, so it has no XY.
  EXPECT_EQ((Strings{"JOB.A.P1 KUM 220.000 110.000 3.000", "P2  - - 3.000"}), DumpPoints());
}

// Random values, some wider than their 14 columns, written as printf's
// "%14.4f" writes them; the points with a wider one are left out.
TEST_F(M5, ValuesAreWhatPrintfWritesInTheirColumns) {
  vOptions(24, "EO:6600000 NO:500000");
  vLayout(kLayout);
  const double kValues[] = {0, -0.00004, 0.00005, 0.00015, 123.45675, -999999999.9999, 9999999999.99995, 1e15, -1e300};
  std::mt19937_64 rng(24);
  auto value = [&] {
    return rng() % 2 ? kValues[rng() % std::size(kValues)]
                     : (double)(int64_t)(rng() >> 14) / (double)(1 + rng() % 10000);
  };
  std::string expected;
  int n = 0, skipped = 0;
  for (int i = 0; i < 300; i++) {
    std::string name = "P" + std::to_string(i);
    double x = value(), y = value(), z = value();
    bool boZ = rng() % 2;
    pNewPoint(name.c_str(), "", x, y, boZ ? &z : nullptr);
    char sx[400], sy[400], sz[400] = "";
    snprintf(sx, sizeof sx, "%14.4f", x - 500000);
    snprintf(sy, sizeof sy, "%14.4f", y - 6600000);
    if (boZ) snprintf(sz, sizeof sz, "%14.4f", z);
    if (strlen(sx) > 14 || strlen(sy) > 14 || strlen(sz) > 14)
      skipped++;
    else
      expected += sRecord(++n, std::string(11, ' ') + name, sy, sx, sz);
  }
  ASSERT_GT(skipped, 0);
  vAcceptLayout();
  vUiExpectBox(IDOK, (std::to_string(skipped) + " points not written").c_str());
  ASSERT_TRUE(boWrite(24, m_dir + "/random.m5"));
  EXPECT_EQ(expected, ReadFile(m_dir + "/random.m5"));
}

// Random IDs (dots, blanks, long parts, empty parts) and codes: the
// block holds the parts as vPidSplit gives them, each in its columns.
TEST_F(M5, ItemsAreTheIdsPartsAsSplit) {
  vOptions(24, "");
  vLayout(kLayout);
  std::mt19937_64 rng(5);
  const char kChars[] = "Ab1 .\t";
  std::string expected;
  for (int i = 0; i < 300; i++) {
    std::string id, code;
    for (int k = (int)(rng() % 24); k > 0; k--) id += kChars[rng() % 6];
    for (int k = (int)(rng() % 10); k > 0; k--) code += kChars[rng() % 6];
    pNewPoint(id.c_str(), code.c_str(), 1, 2);
    PidParts parts;
    vPidSplit(id.c_str(), &parts);
    std::string block(27, ' ');
    auto put = [&](size_t col, size_t len, const std::string& text) {
      for (size_t k = 0; k < len && k < text.size(); k++) block[col + k] = text[k] == '\t' ? ' ' : text[k];
    };
    put(3, 4, parts.part[0]);
    put(7, 4, parts.part[1]);
    put(11, 8, parts.part[2]);
    put(19, 8, code);
    expected += sRecord(i + 1, block, "        2.0000", "        1.0000");
  }
  vAcceptLayout();
  ASSERT_TRUE(boWrite(24, m_dir + "/ids.m5"));
  EXPECT_EQ(expected, ReadFile(m_dir + "/ids.m5"));
}

// Columns from..to (1-based) of a line, blanks past its end, blanks cut at
// both ends: the reader's column rule, spelt out.
std::string sModelCols(const std::string& line, size_t from, size_t to) {
  std::string s = line;
  if (s.size() < to) s.resize(to, ' ');
  s = s.substr(from - 1, to - from + 1);
  size_t a = s.find_first_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// Random records (blanks anywhere in their fields, other types and units,
// short lines, marks) read as the same records written plainly in their
// columns, as the model of the column rule gives them.
TEST_F(M5, RandomRecordsReadAsTheirFieldsWrittenPlainly) {
  vOptions(24, "");
  vLayout(kLayout);
  std::mt19937 rng(5);
  auto pick = [&](size_t n) { return (size_t)(rng() % n); };
  auto text = [&](size_t n) {
    static const char kBytes[] = "  AB0a.-9";
    std::string t;
    for (size_t i = 0; i < n; i++) t += kBytes[pick(sizeof kBytes - 1)];
    return t;
  };
  static const char* const kTypes[] = {"X ", " X", "Y ", " Y", "Z ", "Z", "  ", "XY", "x "};
  static const char* const kUnits[] = {"m   ", " m  ", "mm  ", "f   ", "    ", "   m"};
  std::string random, plain;
  for (int n = 0; n < 3000; n++) {
    std::string r = sRecord(n % 100000, text(27), text(14), text(14), text(14));
    r.resize(r.size() - 2);
    for (size_t col : {50, 73, 96}) r.replace(col - 1, 2, kTypes[pick(std::size(kTypes))]);
    for (size_t col : {68, 91, 114}) r.replace(col - 1, 4, kUnits[pick(std::size(kUnits))]);
    if (pick(8) == 0) r.replace(17, 2, pick(2) ? " P" : "P ");
    if (pick(20) == 0) r.replace(4, 2, "M6");
    if (pick(20) == 0) r[118] = '~';
    if (pick(6) == 0) r.resize(pick(r.size()));
    random += r + "\r\n";
    // The same record as the model reads it, each field at its place.
    if (r.compare(0, 3, "For") != 0 || sModelCols(r, 5, 6) != "M5" || sModelCols(r, 119, 119) == "~") continue;
    std::string t[3] = {sModelCols(r, 50, 51), sModelCols(r, 73, 74), sModelCols(r, 96, 97)};
    if (t[0] != "X" && t[1] != "X" && t[2] != "X") continue;
    std::string p = "For M5|Adr     1|" + std::string(sModelCols(r, 18, 19) == "PI" ? "PI" : "XX") + "3 ";
    std::string block(27, ' ');
    const size_t at[6][2] = {{0, 2}, {2, 1}, {3, 4}, {7, 4}, {11, 8}, {19, 8}};
    for (auto [col, len] : at) {
      std::string item = sModelCols(r, 22 + col, 21 + col + len);
      block.replace(col, item.size(), item);
    }
    p += block;
    const size_t number[3] = {53, 76, 99}, unit[3] = {68, 91, 114};
    for (int i = 0; i < 3; i++) {
      std::string v =
          sModelCols(r, unit[i], unit[i] + 3).compare(0, 1, "m") ? "" : sModelCols(r, number[i], number[i] + 13);
      p += "|" + t[i] + std::string(2 - t[i].size(), ' ') + " " + std::string(14 - v.size(), ' ') + v +
           (v.empty() ? " f   " : " m   ");
    }
    plain += p + "| \r\n";
  }
  Put("random.m5", random);
  Put("plain.m5", plain);
  vAcceptLayout();
  boRead(24, m_dir + "/random.m5");
  Strings points = DumpPoints(), lines = DumpLines();
  ASSERT_GT(points.size(), 300u);
  vAcceptLayout();
  boRead(24, m_dir + "/plain.m5");
  EXPECT_EQ(points, DumpPoints());
  EXPECT_EQ(lines, DumpLines());
}

}  // namespace
