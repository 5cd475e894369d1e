// Nikon files through the direct read and write exports: the upload writer
// against a golden text, and a hand-written measurement file with every
// class-1 type, short lines, a control code in the code field, and a unit
// text that stops the read.
#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "fb_dump.h"
#include "instruments/nikon.h"
#include "kv2cosys.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/nikon/";

using Strings = std::vector<std::string>;

class Nikon : public InstrumentFiles {};

TEST_F(Nikon, AHandWrittenFileUntilAUnitOtherThanMeterAndGon) {
  vUiExpectBox(IDOK, "Currently handles only Meter and Gon");
  ASSERT_TRUE(boRead(67, kData + "survey.raw"));
  // Types 1, 3, 4, 6 are points; "WALL-37 HOUSE" is the code WALL and
  // control code 37; a short line gives empty fields; "abc" is no north.
  // Class " 1 " is class 1; class 2 is skipped; P10 comes after the unit
  // "FT" stopped the read.
  EXPECT_EQ((Strings{"P1 KUM 2000.000 1000.000 10.000", "P2  - - -", "P3  - - -", "P4 WALL 2100.000 1100.000 -",
                     "P5  - - -", "P7 Y - - -", "P8 KUM 2.000 1.000 3.000"}),
            DumpPoints());
  // Type 0 is the station; types 2 and 5 observations: distance,
  // horizontal, vertical, target height.
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.600 5= 6=",
                     "  OBS 1=P2 2=TREE 3=" + sHz(120) + " 4=" + sV(95) + " 5=50.00000 6=1.50000 9=0",
                     "  OBS 1=P3 2= 3=" + sHz(130) + " 4=" + sV(96) + " 5=60.00000 6=1.70000 9=0"}),
            DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7, 9}));
  EXPECT_EQ("1,9,MG,P6,X,1,2,3\r\n", sSide("survey"));
}

TEST_F(Nikon, ALineOver127CharactersIsCutAndItsTailIsNoRecord) {
  std::string first = "1,1,MG,P1,KUM,10,20,30,";
  first += std::string(127 - first.size(), ' ');
  Put("long.raw", first + "1,1,MG,P2,KUM,1,2,3\r\n1,1,MG,P3,,5,6\r\n");
  ASSERT_TRUE(boRead(67, m_dir + "/long.raw"));
  EXPECT_EQ((Strings{"P1 KUM 20.000 10.000 30.000", "P3  6.000 5.000 -"}), DumpPoints());
  EXPECT_EQ("LINE TOO LONG, CUT : 1\r\n", sSide("long"));
}

TEST_F(Nikon, TheWriterWritesGLinesWithTheOffsetsTakenOff) {
  vOptions(67, "EO:6600000 NO:500000");
  double z = 12.345;
  pNewPoint("1", "", 500200.25, 6600100.125);
  pNewPoint("JOB.A.P7", "KUM", 500123.456, 6600456.789, &z);
  FB(KvxMboNewPoint)("NOXY");
  EXPECT_EQ("G,1,100.125,200.250,,\r\nG,P7,456.789,123.456,12.345,KUM\r\n", sWritten(67, "up.raw"));
}

// A comma in a name or code would end its field and shift the values after
// it: written as '_'.
TEST_F(Nikon, ACommaInANameOrCodeIsWrittenAsAnUnderscore) {
  pNewPoint("A,9", "C,D,", 2, 1);
  EXPECT_EQ("G,A_9,1.000,2.000,,C_D_\r\n", sWritten(67, "comma.raw"));
}

// Random files of every record type read the same with their fields bare
// (blank-padded in half the rounds, so that many lines in the others have
// no blank) as with each field quoted, which is read field by field.
TEST_F(Nikon, BareFieldsReadAsTheSameFieldsQuoted) {
  const char* kNames[] = {"P1", "S7", "A.B", "P 12", "x-1", "1234567890123456789012345"};
  const char* kCodes[] = {"KUM", "", "WALL-37 HOUSE", "LONGCODE12345678", "A-", "-B", "K-91 5"};
  const char* kNumbers[] = {"1000.000",
                            "-.5",
                            "",
                            "abc",
                            "12",
                            "+3.25",
                            "1e3",
                            "95.0000",
                            "6600123.4567",
                            "-0.000",
                            "5.",
                            ".",
                            "123456789012345",
                            "1234567890.123456",
                            "0.1-2",
                            "-"};
  std::mt19937 rng(32);
  auto pick = [&](const auto& list) { return std::string(list[rng() % std::size(list)]); };
  bool boPadded = true;
  auto blanks = [&] { return std::string(boPadded ? rng() % 3 : 0, ' '); };
  for (int round = 0; round < 4; round++) {
    boPadded = round < 2;
    std::string bare, quoted;
    for (int i = 0; i < 300; i++) {
      Strings f = {rng() % 8 ? "1" : "2", std::to_string(rng() % 7), "MG", pick(kNames) + std::to_string(rng() % 60),
                   pick(kCodes)};
      for (size_t n = rng() % 6; n > 0; n--) f.push_back(pick(kNumbers));
      for (size_t k = 0; k < f.size(); k++) {
        bare += (k ? "," : "") + blanks() + f[k] + blanks();
        quoted += (k ? "," : "") + blanks() + "\"" + f[k] + "\"" + blanks();
      }
      bare += "\r\n";
      quoted += "\r\n";
    }
    auto read = [&](const std::string& name, const std::string& text) {
      FB(vKvxMboFinish)();
      FB(vKvxMboInit)(&host_);
      EXPECT_TRUE(boRead(67, Put(name, text)));
      Strings all = DumpPoints();
      for (int kind : {1, 5})
        for (const std::string& s : DumpStations(kind, {1, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5, 6, 7, 9})) all.push_back(s);
      return all;
    };
    Strings a = read("bare.raw", bare), b = read("quoted.raw", quoted);
    EXPECT_GT(a.size(), 100u);
    EXPECT_EQ(a, b) << bare;
  }
}

// Random points, huge and tiny coordinates and long codes among them,
// written as printf writes the line, cut where its buffer would cut it.
TEST_F(Nikon, TheWriterWritesWhatPrintfWouldWrite) {
  vOptions(67, "EO:6600000 NO:500000");
  const double kValues[] = {0, 0.0005, 0.0015, -0.0004, 1e-9, 123.4565, 6600123.4567, 2.5e15, -9.87654321e18, 1e300};
  std::mt19937_64 rng(32);
  auto value = [&] {
    return rng() % 3 ? kValues[rng() % std::size(kValues)] : (double)(int64_t)rng() / (double)(1 + rng() % 100000);
  };
  std::string expected;
  for (int i = 0; i < 300; i++) {
    std::string name = "P" + std::to_string(i), code(rng() % 4 ? rng() % 12 : rng() % 900, 'K');
    double x = value(), y = value(), z = value();
    bool boZ = rng() % 2;
    pNewPoint(name.c_str(), code.c_str(), x, y, boZ ? &z : nullptr);
    char height[400] = "", line[1200];
    if (boZ) snprintf(height, sizeof height, "%1.3f", z);
    snprintf(line, sizeof line, "G,%s,%0.3lf,%0.3lf,%s,%s", name.c_str(), y - 6600000, x - 500000, height,
             code.c_str());
    expected += std::string(line) + "\r\n";
  }
  EXPECT_EQ(expected, sWritten(67, "random.raw"));
}

TEST(NikonChecksum, SumModulo64Plus32) {
  EXPECT_EQ('Z', iNikonLineChecksum("A,01,"));
  EXPECT_EQ(' ', iNikonLineChecksum(""));
  EXPECT_EQ(',', iNikonLineChecksum("G,149,1.000,2.000,,,"));
  EXPECT_EQ('Z', iNikonLineChecksum("A,01,\x01\x80\xff"));
}

}  // namespace
