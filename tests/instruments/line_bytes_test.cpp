// Raw files as instruments and other programs write them, through the
// shared line reader of the fixed-column readers: line ends of CR alone,
// UTF-8 text with a byte-order mark, and the GTS-800 reader's own bytes.
#include <gtest/gtest.h>

#include "fb_dump.h"
#include "testing/ui_driver.h"

namespace {

const std::string kData = std::string(KVX_TEST_DATA) + "/";

using Strings = std::vector<std::string>;

class LineBytes : public InstrumentFiles {};

// A GSI8 file whose lines end in CR alone reads record by record, each name
// with its own values.
TEST_F(LineBytes, GsiLinesEndingInCrAlone) {
  ASSERT_TRUE(boRead(95, kData + "gsi/cr_ends.gsi"));
  EXPECT_EQ((Strings{"ST1  500.000 6600.000 10.000", "P1  - - -", "P2 TREE 501.000 6601.000 12.000",
                     "P3  502.125 6602.000 -", "P4  503.000 6603.000 13.500"}),
            DumpPoints());
  EXPECT_EQ((Strings{"ST 1=ST1 4=1.60000", "  OBS 1=P1 5=50.12300 6=1.70000"}), DumpStations(1, {1, 4}, {1, 5, 6}));
}

// A KOF file written in UTF-8 with a byte-order mark: the letters take one
// column each, so the coordinates stay in theirs; a character code page
// 1252 lacks becomes '?'; a line in code page 865 reads as before.
TEST_F(LineBytes, KofInUtf8KeepsItsColumns) {
  ASSERT_TRUE(boRead(98, kData + "kof/utf8.kof"));
  EXPECT_EQ((Strings{"\xC6\xD8\xC5"
                     "1 KUM 624579.208 6600100.123 12.345",
                     "?2 KUM 624600.000 6600200.000 -",
                     "\xD8"
                     "3 KUM 624700.000 6600300.000 3.000",
                     "P4 VEG 624800.000 6600400.000 4.000"}),
            DumpPoints());
  EXPECT_EQ("", sSide("utf8"));
}

// The GTS-800 reader takes its bytes as they stand, letters of code page
// 865 and of UTF-8 alike, in lines ended by CR alone.
TEST_F(LineBytes, GtsNamesKeepTheirBytes) {
  ASSERT_TRUE(boRead(73, kData + "topcon/bytes.txt"));
  EXPECT_EQ((Strings{"P\x9B"
                     "1  1.000 2.000 3.000",
                     "P\xC3\x86"
                     "2  4.000 5.000 6.000",
                     "P3  7.000 8.000 9.000"}),
            DumpPoints());
}

}  // namespace
