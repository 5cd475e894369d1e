// Pumatec file pairs through the direct read export: the observation file
// and the coordinate file of one name, whichever of the two is chosen,
// with companions in another case, missing, or a wrong extension.
#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "fb_dump.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/pumatec/";

using Strings = std::vector<std::string>;

class Pumatec : public InstrumentFiles {
 protected:
  // The pair copied into the test folder under the names given.
  void vPair(const char* pto, const char* ptc) {
    if (pto) std::filesystem::copy_file(kData + "job.PTO", m_dir + "/" + pto);
    if (ptc) std::filesystem::copy_file(kData + "job.ptc", m_dir + "/" + ptc);
  }
  Strings Stations() { return DumpStations(1, {1, 4}, {1, 2, 3, 4, 5, 6, 9}); }
};

TEST_F(Pumatec, TheCoordinateFileReadsItsObservationsFirst) {
  vOptions(99, "EO:100 NO:200");
  vPair("job.PTO", "job.ptc");
  boRead(99, m_dir + "/job.ptc");
  // Offsets apply; "x" is no Z and "abc" no north.
  EXPECT_EQ((Strings{"P1  - - -", "P2  - - -", "P3  - - -", "C1 GRS 500400.000 6600200.000 12.500",
                     "C2 GRS 500410.000 6600210.000 -", "C3 GRS 500420.000 6600220.000 -", "C4 GRS - - -"}),
            DumpPoints());
  // P2's "4" in columns 77-78 marks its distance horizontal (9=1).
  EXPECT_EQ((Strings{"ST 1=S1 4=1.55", "  OBS 1=P1 2=KUM 3=0.00000000 4=1.49225651 5=50.00000 6=1.70000 9=0",
                     "  OBS 1=P2 2=KUM 3=4.71238898 4=1.57079633 5=30.00000 6=1.70000 9=1"}),
            Stations());
  // C1's line parameter starts a line named by its code.
  EXPECT_EQ((Strings{"|GRS|: C1 C2 C3 C4"}), DumpLines());
  EXPECT_EQ("", sSide("job"));
}

TEST_F(Pumatec, ALineTooLongIsCutAndReported) {
  boRead(99, kData + "longline.ptc");
  EXPECT_EQ((Strings{"P1  - - -", "C1 GRS 500200.000 6600100.000 12.500", "C2 GRS 500210.000 6600110.000 13.500",
                     "C3 GRS 500220.000 6600120.000 14.500"}),
            DumpPoints());
  EXPECT_EQ(
      (Strings{"ST 1=S1 4=1.55", "  OBS 1=P1 2=KUM 3=" + sHz(100) + " 4=" + sV(95) + " 5=50.00000 6=1.70000 9=0"}),
      Stations());
  EXPECT_EQ("LINE TOO LONG, CUT : 2\r\n", sSide("longline"));
}

TEST_F(Pumatec, TheObservationFileFindsItsCompanionInAnyCase) {
  vPair("job.pto", "job.PTC");
  boRead(99, m_dir + "/job.pto");
  EXPECT_EQ((Strings{"P1  - - -", "P2  - - -", "P3  - - -", "C1 GRS 500200.000 6600100.000 12.500",
                     "C2 GRS 500210.000 6600110.000 -", "C3 GRS 500220.000 6600120.000 -", "C4 GRS - - -"}),
            DumpPoints());
}

TEST_F(Pumatec, AMissingCompanionOrAWrongExtensionIsReported) {
  vPair("job.PTO", nullptr);
  vUiExpectBox(IDOK, "companion file");
  boRead(99, m_dir + "/job.PTO");
  EXPECT_EQ("Pumatec: the companion file " + m_dir + "/job.PTC was not found\r\n", sSide("job"));
  EXPECT_EQ(3u, DumpPoints().size());
  vPair(nullptr, "job.txt");
  vUiExpectBox(IDOK, "neither a PTO nor a PTC");
  boRead(99, m_dir + "/job.txt");
  EXPECT_EQ("Pumatec: " + m_dir + "/job.txt is neither a PTO nor a PTC file; nothing read\r\n", sSide("job"));
  EXPECT_EQ(0u, DumpPoints().size());  // the read starts empty and reads nothing
}

// Random pairs read the same with their lines padded to the last column as
// with the blanks at their ends cut: a column past a line's end is blank.
TEST_F(Pumatec, ColumnsPastALinesEndReadAsBlanks) {
  const char* kTexts[] = {"", "KUM", "GRS", "P1", "S 2", "12.5", "-3.25", "100", "abc", "4", " 4", "0.00005", "1"};
  const int kFrom[] = {1, 11, 17, 29, 41, 51, 61, 69, 71, 77};
  std::mt19937 rng(32);
  for (int round = 0; round < 3; round++) {
    std::string padded[2], cut[2];  // observations, coordinates
    for (int file = 0; file < 2; file++)
      for (int i = 0; i < 200; i++) {
        std::string line(80, ' ');
        for (size_t k = 0; k + 1 < std::size(kFrom); k++) {
          std::string t = (k == 2 || k == 3) && rng() % 2 ? "N" + std::to_string(i) : kTexts[rng() % std::size(kTexts)];
          size_t width = (size_t)(kFrom[k + 1] - kFrom[k]);
          if (t.size() <= width) line.replace((size_t)kFrom[k] - 1 + (rng() % 2 ? width - t.size() : 0), t.size(), t);
        }
        line.resize(rng() % 81);
        padded[file] += line + std::string(80 - line.size(), ' ') + "\r\n";
        cut[file] += line.substr(0, line.find_last_not_of(' ') + 1) + "\r\n";
      }
    auto read = [&](const std::string& base, const std::string* files) {
      FB(vKvxMboFinish)();
      FB(vKvxMboInit)(&host_);
      Put(base + ".PTC", files[1]);
      boRead(99, Put(base + ".PTO", files[0]));
      Strings all = DumpPoints();
      for (const Strings& more : {Stations(), DumpLines()}) all.insert(all.end(), more.begin(), more.end());
      return all;
    };
    Strings a = read("padded", padded);
    EXPECT_GT(a.size(), 80u);
    EXPECT_EQ(a, read("cut", cut));
  }
}

}  // namespace
