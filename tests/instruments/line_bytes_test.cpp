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

}  // namespace
