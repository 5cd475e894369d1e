// DL101/102 raw files through the direct read export: sights pairing into
// levelling observations with the line's unit digit, codes of the set
// lines, readings that are not numbers, and side-file lines.
#include <gtest/gtest.h>

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

}  // namespace
