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
  // Without the mark and the 865 line the file is UTF-8 by its bytes alone.
  std::string bytes = ReadFile(kData + "kof/utf8.kof").substr(3);
  size_t at = bytes.find(" 05 \x9D");
  ASSERT_NE(std::string::npos, at);
  bytes.erase(at, bytes.find('\n', at) + 1 - at);
  ASSERT_TRUE(boRead(98, Put("nomark.kof", bytes)));
  EXPECT_EQ((Strings{"\xC6\xD8\xC5"
                     "1 KUM 624579.208 6600100.123 12.345",
                     "?2 KUM 624600.000 6600200.000 -", "P4 VEG 624800.000 6600400.000 4.000"}),
            DumpPoints());
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

// A KOF file the module wrote in code page 1252 reads back byte for byte,
// though a name's Ø° happens to form a UTF-8 character: the file is 8-bit
// as a whole.
TEST_F(LineBytes, KofWrittenByTheModuleReadsBackByteForByte) {
  vOptions(98, "EO:0 NO:0");
  pNewPoint("S\xD8\xB0", "S\xD8\xB0", 624500, 6600100, nullptr);
  pNewPoint(
      "GR\xD8"
      "FT",
      "GR\xD8"
      "FT",
      624600, 6600200, nullptr);
  Strings written = DumpPoints();
  std::string path = m_dir + "/names.kof";
  ASSERT_TRUE(boWrite(98, path));
  EXPECT_NE(std::string::npos, ReadFile(path).find(" 05 S\xD8\xB0 ")) << ReadFile(path);
  ASSERT_TRUE(boRead(98, path));
  EXPECT_EQ(written, DumpPoints());
}

// A line padded with NUL bytes loses them (told once in the file); a line
// with a NUL among its characters is reported and skipped; the lines around
// read as they stand. Through the readers of the shared line reader: fixed
// columns (KOF, GSI), comma fields (Nikon) and bytes as they stand
// (GTS-800).
TEST_F(LineBytes, NulBytesAreDroppedOrTheLineSkipped) {
  struct Case {
    int instrument;
    const char* file;
    const char* side;
    Strings points;
  };
  const Case cases[] = {
      {98,
       "kof/nul.kof",
       "nul",
       {"P1 KUM 624500.000 6600100.000 10.000", "P2 KUM 624600.000 6600200.000 20.000",
        "P4 KUM 624800.000 6600400.000 40.000"}},
      {95,
       "gsi/nul.gsi",
       "nul",
       {"P1  501.000 6601.000 12.000", "P2  502.000 6602.000 13.000", "P4  504.000 6604.000 15.000"}},
      {67,
       "nikon/nul.raw",
       "nul",
       {"P1 KUM 2001.000 1001.000 11.000", "P2 KUM 2002.000 1002.000 12.000", "P4 KUM 2004.000 1004.000 14.000"}},
      {73, "topcon/nul.txt", "nul", {"P1  1.000 2.000 3.000", "P2  4.000 5.000 6.000", "P4  10.000 11.000 12.000"}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(boRead(c.instrument, kData + c.file)) << c.file;
    EXPECT_EQ(c.points, DumpPoints()) << c.file;
    int first = c.instrument == 67 ? 3 : 2;
    std::string side = sSide(c.side);
    // Each once, in this order (the GTS-800 reader copies its lines too).
    size_t at = side.find("NUL BYTES DROPPED : " + std::to_string(first) + "\r\n");
    EXPECT_NE(std::string::npos, at) << c.file << ": " << side;
    EXPECT_EQ(at, side.rfind("NUL BYTES DROPPED")) << c.file;
    size_t skipped = side.find("LINE WITH NUL BYTE : " + std::to_string(first + 1) + "\r\n");
    EXPECT_NE(std::string::npos, skipped) << c.file << ": " << side;
    EXPECT_LT(at, skipped) << c.file;
    EXPECT_EQ(side.find("LINE WITH NUL BYTE"), side.rfind("LINE WITH NUL BYTE")) << c.file;
  }
}

}  // namespace

// The upload writers whose instruments' files are read with the
// code-page-865 letters (Psion, Kern, Nikon, Topcon FC) write the six bytes
// that would come back as those letters as '?': a name O’N reaches the
// instrument as O?N, not OÆN.
TEST_F(LineBytes, UploadWritersWriteNo865LetterBytes) {
  pNewPoint("O\x92N\x86\x8F\x91\x9B\x9D", "\x92K", 1000, 2000);
  for (int writer : {21, 42, 67, 72}) {
    SCOPED_TRACE(writer);
    std::string path = tmp_.Path("upload" + std::to_string(writer));
    ASSERT_TRUE(boWrite(writer, path));
    std::string text = ReadFile(path);
    EXPECT_NE(text.find("O?N??"), std::string::npos) << text;
    for (char c : {'\x86', '\x8F', '\x91', '\x92', '\x9B', '\x9D'}) EXPECT_EQ(text.find(c), std::string::npos) << text;
  }
}
