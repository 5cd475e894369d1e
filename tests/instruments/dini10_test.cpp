// DiNi10 levelling files through the direct read export: back and fore
// sights pairing into levelling observations, other sight types skipped,
// short lines, blank set numbers, and no side file.
#include <gtest/gtest.h>

#include "fb_dump.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/dini10/";
const int kDini10 = 81;

using Strings = std::vector<std::string>;

class Dini10 : public InstrumentFiles {
 protected:
  Strings Levelling() { return DumpStations(2, {1, 50}, {51, 1, 5, 50}); }
};

TEST_F(Dini10, BackAndForeSightsPairIntoObservations) {
  ASSERT_TRUE(boRead(kDini10, kData + "line1.dat"));
  // The second back sight of set 1 replaces the first (one set number);
  // "R " and "Rz" are skipped; the fore sight without a number reading
  // pairs nothing, and a blank set number is no new set; the last line
  // gives a back sight alone.
  EXPECT_EQ((Strings{"ST 1=BM1 50=1", "  OBS 51=BM1 1=TP1 5=41.00000 50=1.00010",
                     "  OBS 51=TP2 1=BM2 5=22.00000 50=1.75000"}),
            Levelling());
  EXPECT_FALSE(std::filesystem::exists(tmp_.Path("line1.ADM")));
}

TEST_F(Dini10, AFileWithoutSightsAddsNothing) {
  Put("none.dat",
      "Adr     BM1     K1                1 Rz     1.50000          20.000\r\n"
      "Adr     BM1     K1                1  b     1.50000          20.000\r\n\r\nx\r\n");
  ASSERT_TRUE(boRead(kDini10, m_dir + "/none.dat"));
  EXPECT_EQ((Strings{}), Levelling());
}

TEST_F(Dini10, ALineTooLongIsCutSilentlyAndItsTailIsNoSight) {
  std::string back = "Adr     BM1                       1 Rb     1.50000          20.000";
  std::string fore = "Adr     TP1                       1 Rf     0.50000          21.000";
  std::string tail = "Adr     TP9                       1 Rf     0.10000          21.000";
  Put("long.dat", back + std::string(399 - back.size(), ' ') + tail + "\r\n" + fore + "\r\n");
  ASSERT_TRUE(boRead(kDini10, m_dir + "/long.dat"));
  EXPECT_EQ((Strings{"ST 1=BM1 50=1", "  OBS 51=BM1 1=TP1 5=41.00000 50=1.00000"}), Levelling());
}

}  // namespace
