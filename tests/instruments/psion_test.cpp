// Psion files through the direct exports: the upload written byte for byte
// (CR LF), and the download read as Geodat label=value lines.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "fb_dump.h"

namespace {

using Strings = std::vector<std::string>;

class Psion : public InstrumentFiles {};

TEST_F(Psion, TheUploadHasOneLinePerPointWithXY) {
  vOptions(21, "EO:6600000 NO:500000");
  double z = 12.3456;
  pNewPoint("1", "", 500200.25, 6600100.125);
  pNewPoint("2", "KUM", 500123.4564, 6600456.7896, &z);
  FB(KvxMboNewPoint)("3");  // no XY: not written
  EXPECT_EQ("1 x 100.125 200.250\r\n2 KUM 456.790 123.456 12.346\r\n", sWritten(21, "out.raw"));
}

// The upload line is put together without printf: it is what
// "%s %s %.3lf %.3lf[ %.3lf]" and the line writer make of it, cut at 2047
// characters, control bytes as blanks and the code-page-865 letter bytes as
// '?', for codes of any length and bytes.
TEST_F(Psion, UploadLinesMatchTheFormattedModel) {
  std::mt19937 rng(21);
  std::string expected;
  for (int i = 0; i < 300; ++i) {
    std::string code(rng() % 4 == 0 ? rng() % 2100 : rng() % 10, 'x');
    for (char& c : code) c = (char)(1 + rng() % 255);
    double x = std::ldexp(std::uniform_real_distribution<double>(-1, 1)(rng), (int)(rng() % 60));
    double y = rng() % 40 == 0 ? -1e300 : x * 3 + 0.0005, z = x / 7;
    bool hasZ = rng() % 2;
    PoPoint* pt = pNewPoint(("P" + std::to_string(i)).c_str(), code.c_str(), x, y, hasZ ? &z : nullptr);
    std::string stored = sPoPointGetField(pt);
    char line[4096];
    int n = snprintf(line, sizeof line, "P%d %s %.3f %.3f", i, stored.empty() ? "x" : stored.c_str(), y, x);
    if (hasZ) snprintf(line + n, sizeof line - n, " %.3f", z);
    std::string l = std::string(line).substr(0, 2047);
    for (char& c : l) {
      unsigned char u = (unsigned char)c;
      if (u < 0x20 || u == 0x7F) c = ' ';
      if (u == 0x86 || u == 0x8F || u == 0x91 || u == 0x92 || u == 0x9B || u == 0x9D) c = '?';
    }
    expected += l + "\r\n";
  }
  EXPECT_TRUE(expected == sWritten(21, "model.raw"));
}

TEST_F(Psion, TheDownloadIsReadAsGeodat) {
  vOptions(21, "EO:100 NO:200");
  Put("in.raw", "5=P1\r\n4=KUM\r\n37=10.000\r\n38=20.000\r\n39=3.000\r\n");
  boRead(21, m_dir + "/in.raw");
  EXPECT_EQ((Strings{"P1 KUM 220.000 110.000 3.000"}), DumpPoints());
  // Its lines too: the line controls between the points keep the line.
  Put("in.raw", "91=1\r\n92=KANT\r\n5=P1\r\n91=1\r\n5=P2\r\n62=X\r\n5=P3\r\n");
  boRead(21, m_dir + "/in.raw");
  EXPECT_EQ((Strings{"|KANT|: P1 P2 P3"}), DumpLines());
}

}  // namespace
