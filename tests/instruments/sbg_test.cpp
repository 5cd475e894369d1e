// SBG survey text files through the direct read export: a hand-written file
// with a header, stations, every record kind and reflector attributes, and
// files that are cut, empty or not an SBG file.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "fb_dump.h"
#include "kv2cosys.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/sbg/";

using Strings = std::vector<std::string>;

class Sbg : public InstrumentFiles {
 protected:
  Strings Read(const std::string& path) {
    boRead(101, path);
    return DumpStations(1, {1, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 7});
  }
  Strings ReadText(const std::string& text) {
    Put("in.plm", text);
    return Read(m_dir + "/in.plm");
  }
};

// The file holds radians; the user's unit here is gon, so a wrong link of
// the chain shows.
std::string sHzRad(double rad) { return sNum(dCoSysHorDir2Math(0, dCoSysScaleAng2User(0, rad)), 8); }
std::string sVRad(double rad) { return sNum(dCoSysVerDir2Math(0, dCoSysScaleAng2User(0, rad)), 8); }

TEST_F(Sbg, AHandWrittenFileWithEveryRecordKind) {
  // The byte-order mark and the nested header are passed over. The type 3
  // record's attribute list is skipped whole: the records after it stay
  // with S1. P2's fields look numeric but give no number, so it gets none
  // of them. A one-character '"' keeps its quote; '"""' loses the outer two.
  // An instrument height "abc" and temperature "kalt" set nothing.
  EXPECT_EQ((Strings{"ST 1=S1 4=1.550000 5=760.00000 6=20.000000",
                     "  OBS 1=P1 2=KUM 3=" + sHzRad(0.7853981634) + " 4=" + sVRad(1.5707963268) +
                         " 5=25.12300 6=1.70000 7=Prism (0.0)",
                     "  OBS 1=P2 2= 7= (5)", "  OBS 1=\" 2=P\"3\"", "ST 1=\" 4= 5= 6=", "  OBS 1=R 2=",
                     "ST 1=S3 4= 5= 6=", "  OBS 1=Q1 2= 3=" + sHzRad(3.1415926536)}),
            Read(kData + "survey.plm"));
}

TEST_F(Sbg, OnlyAStationListAfterTheHeaderIsRead) {
  EXPECT_EQ(Strings{},
            ReadText("FileHeader\nbegin\nend\nSomethingElse\nInmStation A\nInmRecordList\nInmRecord 4,P\nend\n"));
  EXPECT_EQ(Strings{}, ReadText(""));
  vUiExpectBox(IDOK, "Cannot open raw-file");
  EXPECT_EQ(Strings{}, Read(m_dir + "/missing.plm"));
  // Without a header the list may come first.
  EXPECT_EQ((Strings{"ST 1=A 4= 5= 6=", "  OBS 1=P 2="}),
            ReadText("InmStnList\nbegin\nInmStation A\nInmRecordList\nInmRecord 4,P\nend\n"));
}

TEST_F(Sbg, ACutFileKeepsWhatCameBeforeTheCut) {
  EXPECT_EQ((Strings{"ST 1=A 4= 5= 6=", "  OBS 1=P1 2= 5=1.00000"}),
            ReadText("InmStnList\nbegin\nInmStation A\nInmRecordList\nbegin\nInmRecord 4,P1,,,,1,x"));
  // A record list left open still lets the next station be read.
  EXPECT_EQ((Strings{"ST 1=A 4= 5= 6=", "  OBS 1=P1 2=", "ST 1=B 4= 5= 6=", "  OBS 1=P2 2="}),
            ReadText("InmStnList\nInmStation A\nInmRecordList\nInmRecord 4,P1\n"
                     "InmStation B\nInmRecordList\nbegin\nInmRecord 5,P2\nend\n"));
}

TEST_F(Sbg, TheTailOfALongLineIsNoLine) {
  const std::string kRecords = "InmRecordList\nInmRecord 4,P\nend\n";
  std::string longLine = "InmStation A," + std::string(1200, 'x') + "\n" + kRecords;
  EXPECT_EQ((Strings{"ST 1=A 4= 5= 6=", "  OBS 1=P 2="}), ReadText("InmStnList\n" + longLine));
  std::string tail = "InmStation A" + std::string(990, ' ') + "InmStation C\n" + kRecords;
  EXPECT_EQ((Strings{"ST 1=A 4= 5= 6=", "  OBS 1=P 2="}), ReadText("InmStnList\n" + tail));
}

// Random records: each number of an observation is the value its text has
// (an angle's through the "%.10f" text of the converted value), bit for bit.
TEST_F(Sbg, AnObservationsNumbersAreThoseOfItsTexts) {
  std::mt19937_64 rng(101);
  std::uniform_real_distribution<double> angle(-7.0, 7.0), length(0.0, 3000.0);
  auto text = [&](double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", (int)(rng() % 16), v);
    return std::string(buf);
  };
  std::string file = "InmStnList\nbegin\nInmStation S\nInmRecordList\nbegin\n";
  std::vector<std::array<std::string, 4>> records;
  for (int i = 0; i < 2000; i++) {
    records.push_back({text(length(rng)), text(angle(rng)), text(angle(rng)), text(length(rng) / 1000)});
    const auto& r = records.back();
    file += "InmRecord 4,P,C,x,y," + r[0] + "," + r[1] + "," + r[2] + "," + r[3] + ",0\n";
  }
  ReadText(file + "end\nend\n");
  std::vector<const void*> observations = FirstStationObservations(1);
  ASSERT_EQ(records.size(), observations.size());
  for (size_t i = 0; i < records.size(); i++) {
    const auto* obs = static_cast<const MboObsTs*>(observations[i]);
    const auto& r = records[i];
    double hz = dCoSysHorDir2Math(0, dCoSysScaleAng2User(0, std::strtod(r[1].c_str(), nullptr)));
    double v = dCoSysVerDir2Math(0, dCoSysScaleAng2User(0, std::strtod(r[2].c_str(), nullptr)));
    EXPECT_EQ("", sBitsDiffer(std::strtod(r[0].c_str(), nullptr), obs->dDist)) << r[0];
    EXPECT_EQ("", sBitsDiffer(dThroughText(hz, 10), obs->dHz)) << r[1];
    EXPECT_EQ("", sBitsDiffer(dThroughText(v, 10), obs->dV)) << r[2];
    EXPECT_EQ("", sBitsDiffer(std::strtod(r[3].c_str(), nullptr), obs->dTargetHeight)) << r[3];
    EXPECT_EQ(MBO_OBS_HZ_VALID | MBO_OBS_V_VALID | MBO_OBS_DIST_VALID | MBO_OBS_TH_VALID, obs->uFlags);
  }
}

}  // namespace
