// DL101/102 raw files through the direct read export: sights pairing into
// levelling observations with the line's unit digit, codes of the set
// lines, readings that are not numbers, and side-file lines.
#include <gtest/gtest.h>

#include <random>

#include "fb_dump.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/dl101/";
const int kDl101 = 82;

using Strings = std::vector<std::string>;

using Dl101 = InstrumentFiles;

TEST_F(Dl101, SightsPairWithTheUnitOfTheirLine) {
  ASSERT_TRUE(boRead(kDl101, kData + "line.dl"));
  // Unit 2: readings in 1/10000, lengths in 1/100; unit 4: feet; unit 3:
  // 1/100000 and 1/1000. An empty reading or length, or "abc", is no value:
  // the third sight gives nothing and an empty value is not a zero.
  EXPECT_EQ((Strings{"ST 1=BM1 50=1", "  OBS 51=BM1 1=TP1 5=49.00000 50=1.00000",
                     "  OBS 51=TP1 1=TP2 5=6.09600 50=1.52400", "  OBS 51=TP2 1=TP3 5=2.00000 50=0.50000"}),
            DumpStations(2, {1, 50}, {51, 1, 5, 50}));
  EXPECT_EQ("H,DL101 header,\r\nt,end of set,\r\n", sSide("line"));
}

TEST_F(Dl101, ALineTooLongIsCutAndItsTailIsNoSight) {
  std::string first = "g,12,10000,1000,0,0,0,BM1,";
  first += std::string(255 - first.size(), ' ');
  Put("cut.dl", first + "i,12,1,1,0,0,0,XX,\r\ni,12,5000,1000,0,0,0,TP1,\r\n");
  ASSERT_TRUE(boRead(kDl101, m_dir + "/cut.dl"));
  EXPECT_EQ((Strings{"ST 1=BM1", "  OBS 51=BM1 1=TP1 5=20.00000 50=0.50000"}), DumpStations(2, {1}, {51, 1, 5, 50}));
  EXPECT_EQ("LINE TOO LONG, CUT : 1\r\n", sSide("cut"));
}

// Readings and lengths of digits alone, in every unit, read as the same
// numbers written with a sign; names over 39 characters are cut alike.
TEST_F(Dl101, DigitReadingsReadAsTheSameNumbersWithASign) {
  std::mt19937_64 rng(32);
  std::string digits, signed_;
  for (int i = 0; i < 400; i++) {
    std::string unit(1, "0123456789A"[rng() % 11]), name = "TP" + std::string(rng() % 50, 'x');
    std::string values[2];
    for (std::string& v : values) v = std::to_string(rng() % 1000000000000000ull).substr(0, 1 + rng() % 15);
    const char* kind = i % 2 ? "i" : "g";
    digits += std::string(kind) + ",1" + unit + "," + values[0] + "," + values[1] + ",0,0,0," + name + ",\r\n";
    signed_ += std::string(kind) + ",1" + unit + ",+" + values[0] + ",+" + values[1] + ",0,0,0," + name + ",\r\n";
  }
  auto read = [&](const std::string& name, const std::string& text) {
    FB(vKvxMboFinish)();
    FB(vKvxMboInit)(&host_);
    EXPECT_TRUE(boRead(kDl101, Put(name, text)));
    return DumpStations(2, {1}, {51, 1, 5, 50});
  };
  Strings a = read("digits.dl", digits);
  EXPECT_GT(a.size(), 100u);
  EXPECT_EQ(a, read("signed.dl", signed_));
}

}  // namespace
