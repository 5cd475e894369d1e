// GPS vector files through the direct read export: each text format, the
// Ashtech binary file and Trimble binary records give the stations,
// vectors, deviations and correlations of hand-written files; deviations
// that cannot be formed stay at 1 with correlations 0.
#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "fb_dump.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/gpsvector/";

using Strings = std::vector<std::string>;

class GpsVectors : public InstrumentFiles {
 protected:
  Strings Read(int instrument, const std::string& file) {
    boRead(instrument, kData + file);
    return DumpStations(4, {1, 4}, {1, 6, 100, 101, 102, 103, 104, 105, 121, 122, 124});
  }
};

TEST_F(GpsVectors, LeicaAscii) {
  vUiExpectBox(IDOK, "can only do meters as unit");
  vUiExpectBox(IDOK, "can only do Cartesian as coordsys");
  EXPECT_EQ((Strings{"ST 1=BASE1",
                     "  OBS 1=P1 100=100.123456 101=-200.500000 102=3.250000 103=0.040000 104=0.060000 105=0.080000 "
                     "121=0.166667 122=0.062500 124=0.166667",
                     "  OBS 1=P2 100=1.000000 101=2.000000 102=3.000000 103=0.020000 104=1.000000 105=1.000000 "
                     "121=0.000000 122=0.000000 124=0.000000"}),
            Read(50, "leica.asc"));
  EXPECT_EQ(
      "@# a comment\r\nAccuracy without deviation kept as 1: @= 1.0 0.0004 0.0001 0.00005 0 0.0002 -0.0016\r\n@= 1 2 "
      "3\r\nstray line\r\n",
      sSide("leica"));
}

TEST_F(GpsVectors, TrimbleTgo) {
  EXPECT_EQ((Strings{"ST 1=B1 4=1.500",
                     "  OBS 1=T1 6=1.25000 100=10.500000 101=-20.250000 102=30.125000 103=0.020000 104=0.030000 "
                     "105=0.040000 121=0.166667 122=0.250000 124=0.250000",
                     "  OBS 1=T2 100=1.000000 101=2.000000 102=0.000000 103=1.000000 104=1.000000 105=0.000000 "
                     "121=0.000000 122=0.000000 124=0.000000"}),
            Read(51, "tgo.txt"));
  EXPECT_EQ("Units=Metres\r\nB1=1,2,3\r\ncopied\r\n", sSide("tgo"));
}

// Random TGO vectors read the same with blanks around the key and the
// names and fields past the fifteenth as without them; missing fields are
// empty, so a vector cut short reads as one with its fields left empty.
TEST_F(GpsVectors, TrimbleTgoFieldsAreTheTextsBetweenColons) {
  const char* kValues[] = {"", "1.5", "-20.25", "0.0004", "0", "abc", "1e-5", "+.5"};
  std::mt19937 rng(32);
  std::string padded = "[GPS]\r\n", bare = padded;
  for (int i = 0; i < 300; i++) {
    Strings f = {"x", "y", "B" + std::to_string(rng() % 5), "T" + std::to_string(i)};
    size_t n = rng() % 4 ? 15 : 4 + rng() % 11;
    while (f.size() < n) f.push_back(kValues[rng() % std::size(kValues)]);
    std::string pad(rng() % 3, ' ');
    padded += pad + "Vector" + pad + "=";
    bare += "Vector=";
    for (size_t k = 0; k < 15; k++) {
      std::string v = k < f.size() ? f[k] : "";
      padded += (k ? ":" : "") + (k == 2 || k == 3 ? pad + v + pad : v);
      bare += (k ? ":" : "") + v;
    }
    padded += rng() % 2 ? ":extra:1.0\r\n" : "\r\n";
    bare += "\r\n";
  }
  auto read = [&](const std::string& name, const std::string& text) {
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
    boRead(51, Put(name, text));
    return DumpStations(4, {1, 4}, {1, 6, 100, 101, 102, 103, 104, 105, 121, 122, 124});
  };
  Strings a = read("padded.txt", padded);
  EXPECT_GT(a.size(), 300u);
  EXPECT_EQ(a, read("bare.txt", bare));
}

// The numbers of the text readers from fields of every shape (blanks
// around them, signs, exponents, out of range, trailing text, no number,
// more digits than a double holds): the stations and vectors they give,
// every value to the last bit, as the readers gave them when they passed
// each field's text to the record layer.
TEST_F(GpsVectors, NumbersOfEveryShapeAsTheirTexts) {
  const char* kValues[] = {"1.5",
                           "-20.25",
                           "0",
                           "-0",
                           "+.5",
                           ".5",
                           "5.",
                           "-.5",
                           "1e3",
                           "1E-5",
                           "-1e999",
                           "1e999",
                           "abc",
                           "12abc",
                           "0x10",
                           "-0x1p3",
                           "inf",
                           "nan",
                           "-",
                           "+",
                           ".",
                           "1,5",
                           "1.5.5",
                           "1.23456789012345678",
                           "123456789012345.6",
                           "0.000000000000001",
                           "1e-320",
                           "  7.25",
                           "7.25  ",
                           ""};
  const char* kHeights[] = {"1.5", "1.5", "1.25", "", "abc", "0", "-0", "1e999", "1.5000000001"};
  std::mt19937 rng(51);
  auto value = [&](bool blanks) {
    for (;;) {
      std::string v = rng() % 3 ? kValues[rng() % std::size(kValues)] : std::to_string((int)(rng() % 200000) - 100000);
      if (rng() % 3 == 0) v += "." + std::to_string(rng() % 100000);
      if (blanks || (!v.empty() && v.find(' ') == std::string::npos)) return v;
    }
  };
  // Accuracy lines: numbers between blanks, TABs and commas.
  const char* kAccuracy[] = {
      "0.0004", "0.0001", "0.00005", "0",     "-0.0016", "1e-4", "4E-4",    ".0009",
      "abc",    "1,5",    "0x10",    "1e999", "",        "2.0",  "+0.0002", "0.00040000000000000001"};
  const char* kSeparators[] = {" ", " ", ",", "\t", ", ", "  "};
  auto numbers = [&](int n) {
    std::string line;
    for (int k = 0; k < n; k++)
      line += kSeparators[rng() % std::size(kSeparators)] + std::string(kAccuracy[rng() % std::size(kAccuracy)]);
    return line;
  };
  std::string tgo = "[GPS]\r\n", leica = "@%Unit: m\r\n@%Coordinate type: Cartesian\r\n", geolab, magellan;
  for (int i = 0; i < 400; i++) {
    std::string from = "B" + std::to_string(rng() % 3), to = "T" + std::to_string(i);
    std::string d[3] = {value(true), value(true), value(true)};
    tgo += "Vector=x:y:" + from + ":" + to + ":" + d[0] + ":" + d[1] + ":" + d[2] +
           ":0.0004:0.0001:0.0002:0.0009:0.0003:0.0016:" + kHeights[rng() % std::size(kHeights)] + ":" +
           kHeights[rng() % std::size(kHeights)] + "\r\n";
    char line[100];
    snprintf(line, sizeof line, "@-%-16s%15.15s%15.15s%15.15s", to.c_str(), d[0].c_str(), d[1].c_str(), d[2].c_str());
    leica += "@+" + from + "\r\n" + line + "\r\n";
    std::string t[3] = {value(false), value(false), value(false)};
    geolab += " cADXYZ " + from + " " + to + " " + t[0] + " " + t[1] + " " + t[2] + "\r\n";
    magellan += "G1 " + from + "-" + to + " " + t[0] + " " + t[1] + " " + t[2] + "\r\n";
    leica += "@=" + numbers(7) + "\r\n";
    geolab += " ELEM" + numbers(3) + "\r\n     " + numbers(2) + "\r\n     " + numbers(1) + "\r\n";
    magellan += "G2" + numbers(3) + "\r\nG3" + numbers(3) + "\r\n";
  }
  std::string got;
  auto read = [&](int instrument, const std::string& name, const std::string& text) {
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
    boRead(instrument, Put(name, text));
    char buf[400], id[100];
    got += name + "\n";
    for (void* st = FB(pMboGetNextSt)(4, nullptr); st; st = FB(pMboGetNextSt)(4, st)) {
      FB(boMboGetStAttr)(4, st, 1, id, sizeof id);
      snprintf(buf, sizeof buf, "ST %s %a\n", id, static_cast<MboStationGps*>(st)->dAntennaHeight);
      got += buf;
      for (void* o = FB(pMboGetNextObs)(4, st, nullptr); o; o = FB(pMboGetNextObs)(4, st, o)) {
        auto* v = static_cast<MboObsGps*>(o);
        FB(boMboGetObsAttr)(4, st, o, 1, id, sizeof id);
        snprintf(buf, sizeof buf, " %s %a %a %a %a %a %a %a %a %a %a\n", id, v->dAntennaHeight, v->dX, v->dY, v->dZ,
                 v->dSdX, v->dSdY, v->dSdZ, v->r12, v->r13, v->r23);
        got += buf;
      }
    }
  };
  read(51, "tgo.txt", tgo);
  read(50, "leica.asc", leica);
  read(53, "geolab.iob", geolab);
  read(55, "mag.txt", magellan);
  std::ifstream golden(kData + "numbers.golden", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(golden), {}), got);
}

TEST_F(GpsVectors, AshtechFixedAndFloat) {
  vUiExpectBox(IDYES, "Solution type Fixed?");
  EXPECT_EQ((Strings{"ST 1=ASH1",
                     "  OBS 1=ASH2 100=1.500000 101=2.500000 102=3.500000 103=0.500000 104=0.250000 105=0.125000 "
                     "121=0.200000 122=0.200000 124=0.200000",
                     "ST 1=" + std::string(99, 'N') + "",
                     "  OBS 1=ASH3 100=4.000000 101=5.000000 102=6.000000 103=1.000000 104=0.500000 105=0.500000 "
                     "121=0.000000 122=0.000000 124=0.200000"}),
            Read(52, "vec.ash"));
  EXPECT_EQ("Vector " + std::string(129, 'N') + " - ASH3: a deviation that is not positive is kept as 1\r\n",
            sSide("vec"));
}

TEST_F(GpsVectors, AshtechFloat) {
  vUiExpectBox(IDNO, "Solution type Fixed?");
  EXPECT_EQ((Strings{"ST 1=ASH1",
                     "  OBS 1=ASH2 100=9.000000 101=9.000000 102=9.000000 103=1.000000 104=1.000000 105=1.000000 "
                     "121=0.000000 122=0.000000 124=0.000000",
                     "ST 1=" + std::string(99, 'N') + "",
                     "  OBS 1=ASH3 100=8.000000 101=8.000000 102=8.000000 103=1.000000 104=1.000000 105=1.000000 "
                     "121=0.000000 122=0.000000 124=0.000000"}),
            Read(52, "vec.ash"));
}

TEST_F(GpsVectors, Geolab) {
  EXPECT_EQ((Strings{"ST 1=A1",
                     "  OBS 1=B1 100=100.500000 101=200.500000 102=300.500000 103=0.020000 104=0.030000 105=0.040000 "
                     "121=0.166667 122=0.250000 124=0.250000",
                     "  OBS 1=B2 100=1.000000 101=2.000000 102=3.000000 103=1.000000 104=1.000000 105=1.000000 "
                     "121=0.000000 122=0.000000 124=0.000000",
                     "  OBS 1=B3 100=4.000000 101=5.000000 102=6.000000 103=1.000000 104=0.020000 105=0.010000 "
                     "121=0.000000 122=0.000000 124=0.000000"}),
            Read(53, "geolab.iob"));
}

TEST_F(GpsVectors, Bluebook) {
  EXPECT_EQ((Strings{"ST 1=BASE",
                     "  OBS 1=ROVER2 100=100.000000 101=-200.000000 102=30.000000 103=0.005000 104=0.006000 "
                     "105=0.007000 121=0.100000 122=-0.200000 124=0.000000",
                     "  OBS 1=ROVER3 100=1.000000 101=2.000000 102=3.000000 103=0.001000 104=0.001000 105=0.001000 "
                     "121=0.000000 122=0.000000 124=0.000000",
                     "ST 1=ROVER2",
                     "  OBS 1=ROVER3 100=4.000000 101=5.000000 102=6.000000 103=1.000000 104=0.002000 105=0.002000 "
                     "121=0.000000 122=0.000000 124=0.300000",
                     "ST 1=ROVER3",
                     "  OBS 1=BASE 100=7.000000 101=8.000000 102=9.000000 103=0.003000 104=0.003000 105=0.003000 "
                     "121=0.000000 122=0.000000 124=0.000000"}),
            Read(54, "blue.G"));
}

TEST_F(GpsVectors, Magellan) {
  EXPECT_EQ((Strings{"ST 1=BASE",
                     "  OBS 1=ROV-1 100=10.500000 101=20.500000 102=30.500000 103=0.020000 104=0.030000 105=0.040000 "
                     "121=0.166667 122=0.250000 124=0.250000",
                     "  OBS 1=R2 100=1.000000 101=2.000000 102=3.000000 103=1.000000 104=1.000000 105=1.000000 "
                     "121=0.000000 122=0.000000 124=0.000000"}),
            Read(55, "mag.txt"));
}

TEST_F(GpsVectors, ALineTooLongIsCutAndReported) {
  EXPECT_EQ((Strings{"ST 1=BASE",
                     "  OBS 1=ROV1 100=10.500000 101=20.500000 102=30.500000 103=0.020000 104=0.030000 105=0.040000 "
                     "121=0.166667 122=0.250000 124=0.250000"}),
            Read(55, "longline.txt"));
  EXPECT_EQ("LINE TOO LONG, CUT : 2\r\n", sSide("longline"));
}

TEST_F(GpsVectors, TrimbleBinary) {
  EXPECT_EQ((Strings{"ST 1=TB1",
                     "  OBS 1=TB2 100=100.250000 101=-200.500000 102=300.750000 103=0.010000 104=0.020000 105=0.030000 "
                     "121=0.000000 122=0.000000 124=0.000000",
                     "ST 1=TB4",
                     "  OBS 1=LONGNAME12345 100=1.000000 101=2.000000 102=3.000000 103=1.000000 104=0.500000 "
                     "105=0.500000 121=0.000000 122=0.000000 124=0.000000"}),
            Read(56, "vec.ss0"));
}

}  // namespace
