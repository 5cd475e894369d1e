// Pumatec file pairs through the direct read export: the observation file
// and the coordinate file of one name, whichever of the two is chosen,
// with companions in another case, missing, or a wrong extension.
#include <gtest/gtest.h>

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

}  // namespace
