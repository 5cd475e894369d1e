// The transfer operations and the routines the drivers share: line reading
// on real files, the operations' questions and failures through the direct
// exports, vertex IDs, and the drill-hole report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "base/cnum.h"
#include "fb_module.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "host_ini.h"
#include "testing/ui_driver.h"

namespace fs = std::filesystem;

namespace {

using kvxtest::ReadFile;
using kvxtest::WriteFile;

class Transfer : public HostIniTest {
 protected:
  // The lines the shared reader gives for these bytes, "|" after each, and
  // "~" after a line the cut-aware reader says was cut.
  std::string sLines(const std::string& bytes, int iSize) {
    std::string path = m_dir + "/lines.raw";
    WriteFile(path, bytes);
    uint32_t h = hMboOpenFile(path.c_str(), 0);
    EXPECT_NE(0u, h);
    std::string out;
    std::vector<char> buf((size_t)iSize);
    unsigned uNotes = 0;
    while (boMboReadLineCut(buf.data(), iSize, h, &uNotes))
      out += std::string(buf.data()) + (uNotes & MBO_READ_CUT ? "~" : "") + (uNotes & MBO_READ_NUL ? "#" : "") +
             (uNotes & MBO_READ_NUL_DROPPED ? "0" : "") + "|";
    vMboCloseFile(&h);
    EXPECT_EQ(0u, h);
    return out;
  }
};

TEST_F(Transfer, LinesDropCrConvertNorwegianLettersAndEndWithTheFile) {
  EXPECT_EQ(
      "\xD8"
      "st|\xE5\xC5\xE6\xC6\xF8|",
      sLines("\x9Dst\r\n\x86\x8F\x91\x92\x9B", 64));
  EXPECT_EQ("a||b|", sLines("a\n\nb\n", 64));
  EXPECT_EQ("", sLines("\r\r\r", 64));  // only CR, then the end: no line
  // A long line: the cut-aware reader skips the rest, a line that exactly
  // fills the buffer is not cut.
  EXPECT_EQ("abc~|abc|x|", sLines("abcdef\r\nabc\r\nx", 4));
  // Below two bytes nothing fits: false, never an endless empty line.
  std::string path = m_dir + "/one.raw";
  WriteFile(path, "abc\n");
  uint32_t h = hMboOpenFile(path.c_str(), 0);
  char buf[4];
  EXPECT_FALSE(boMboReadLine(buf, 1, h));
  EXPECT_FALSE(boMboReadLine(buf, 4, 0));
  vMboCloseFile(&h);
  char cols[8];
  EXPECT_STREQ("ab  ", sMboLineColumns("xab", 1, 4, cols));
}

// The character of well-formed UTF-8 at k before e: its length and code
// point; 0 when the bytes there are no such character.
int iModelUtf8(const std::string& s, size_t k, size_t e, uint32_t* pu) {
  unsigned c = (unsigned char)s[k];
  int iLen = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (!iLen || k + iLen > e) return 0;
  uint32_t u = iLen == 1 ? c : c & (0x7F >> iLen);
  for (int i = 1; i < iLen; i++) {
    if (((unsigned char)s[k + i] & 0xC0) != 0x80) return 0;
    u = u << 6 | ((unsigned char)s[k + i] & 0x3F);
  }
  const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (u < kLeast[iLen] || (u >= 0xD800 && u <= 0xDFFF) || u > 0x10FFFF) return 0;
  *pu = u;
  return iLen;
}

// The file is UTF-8 when it starts with a byte-order mark, or when its
// first 64 KB hold a multi-byte character and no byte above 0x7F outside
// one (a character cut by the 64 KB's end, where the file goes on, counts
// for neither).
bool boModelUtf8File(const std::string& bytes) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
  size_t e = std::min(bytes.size(), (size_t)65536);
  bool boWide = false;
  uint32_t u;
  for (size_t k = 0; k < e;) {
    int iLen = iModelUtf8(bytes, k, e, &u);
    if (!iLen) {
      if (e == bytes.size()) return false;
      // Cut by the 64 KB's end: a lead byte and continuations up to it.
      unsigned c = (unsigned char)bytes[k];
      size_t iWant = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
      if (!iWant || k + iWant <= e) return false;
      for (size_t j = k + 1; j < e; j++)
        if (((unsigned char)bytes[j] & 0xC0) != 0x80) return false;
      return boWide;
    }
    boWide = boWide || iLen > 1;
    k += (size_t)iLen;
  }
  return boWide;
}

// The line rules in the plainest form: a line ends at LF or at a run of CRs
// with or without an LF after it; CRs just before the end make no line;
// the plain reader continues a long line as the next, the cut-aware one
// skips its rest. With boConvert, the lines' coding: in a UTF-8 file
// (above; its byte-order mark goes) a line whose first iMax characters are
// well-formed UTF-8 gives them in code page 1252 (of the characters the
// tests write, only the euro sign lies outside Latin-1, and the others 1252
// lacks become '?'); any other line, and every line of an 8-bit file, its
// bytes with the code-page-865 letters.
std::string sModelLines(const std::string& bytes, int iSize, bool boCutAware, bool boConvert = false) {
  size_t iMax = (size_t)iSize - 1, n = bytes.size();
  size_t i = boConvert && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  bool boUtf8 = boConvert && boModelUtf8File(bytes);
  auto isEnd = [&](size_t k) { return bytes[k] == '\r' || bytes[k] == '\n'; };
  std::string out;
  while (i < n) {
    size_t e = i;
    while (e < n && !isEnd(e)) e++;
    std::string line;
    size_t j = i;
    uint32_t u = 0;
    for (int iLen = 0; boUtf8 && line.size() < iMax && j < e; j += iLen) {
      iLen = iModelUtf8(bytes, j, e, &u);
      if (!iLen) break;
      line += u < 0x80 || (u >= 0xA0 && u <= 0xFF) ? (char)u : u == 0x20AC ? '\x80' : '?';
    }
    if (!(line.size() == iMax || j == e)) {  // not UTF-8
      line.clear();
      for (j = i; j < e && line.size() < iMax; j++) line += boConvert ? cMboOemLetterToAnsi(bytes[j]) : bytes[j];
    }
    if (line.size() == iMax && !boCutAware) {
      out += line + "|";
      i = j;
      continue;
    }
    bool boCut = j < e;
    j = e;
    bool boCrOnly = j < n && bytes[j] == '\r';
    while (j < n && bytes[j] == '\r') j++;
    if (j < n && bytes[j] == '\n') j++, boCrOnly = false;
    i = j;
    if (line.empty() && boCrOnly && i == n) break;
    out += line + (boCut ? "~" : "") + "|";
  }
  return out;
}

TEST_F(Transfer, ALoneCrEndsALineAndCrsBeforeTheEndMakeNone) {
  EXPECT_EQ("a|b|c|d||e|", sLines("a\rb\r\nc\r\r\nd\n\re", 64));
  EXPECT_EQ("x|", sLines("x\r", 64));
  EXPECT_EQ("x|", sLines("x\n\r\r", 64));
  EXPECT_EQ("x||", sLines("x\n\r\n", 64));
  EXPECT_EQ("|", sLines("\r\n", 64));
  EXPECT_EQ("abc~|d|", sLines("abcdef\rd", 4));
  EXPECT_EQ("abc|d|", sLines("abc\r\r\nd", 4));
}

// A line in UTF-8 becomes code page 1252 before it is measured; other
// lines keep their bytes but the code-page-865 letters; the bytes reader
// converts nothing.
TEST_F(Transfer, Utf8LinesBecomeCodePage1252AndTheByteOrderMarkGoes) {
  EXPECT_EQ(
      "a\xC6"
      "b|",
      sLines("\xEF\xBB\xBF"
             "a\xC3\x86"
             "b\r\n",
             64));
  EXPECT_EQ("x|?y|", sLines("x\n\xEF\xBB\xBFy", 64));  // a mark further on is a character 1252 lacks
  EXPECT_EQ("?\x80?|", sLines("\xC5\x81\xE2\x82\xAC\xF0\x9F\x98\x80", 64));
  EXPECT_EQ("\xC6\xD8\xC5~|", sLines("\xC3\x86\xC3\x98\xC3\x85"
                                     "1234",
                                     4));  // characters, not bytes
  // Not UTF-8: overlong, cut short by the line end, or code page 865.
  EXPECT_EQ("\xC0\xAF|\xC3|\xD8\xC3\xA9|", sLines("\xC0\xAF\n\xC3\r\n\x9D\xC3\xA9", 64));
  std::string path = m_dir + "/bytes.raw";
  WriteFile(path,
            "\xEF\xBB\xBFP\x9B"
            "1\r\xC3\x86\n");
  uint32_t h = hMboOpenFile(path.c_str(), 0);
  char buf[8];
  unsigned uNotes = MBO_READ_CUT;
  ASSERT_TRUE(boMboReadLineBytes(buf, 8, h, &uNotes));
  EXPECT_STREQ(
      "\xEF\xBB\xBFP\x9B"
      "1",
      buf);
  EXPECT_EQ(0u, uNotes);
  ASSERT_TRUE(boMboReadLineBytes(buf, 8, h, nullptr));
  EXPECT_STREQ("\xC3\x86", buf);
  EXPECT_FALSE(boMboReadLineBytes(buf, 8, h, nullptr));
  vMboCloseFile(&h);
}

// A file is UTF-8 or 8-bit as a whole: a pair of 1252 letters that happens
// to form UTF-8 (SØ°) stays as written among other 8-bit text or alone; a
// UTF-8 file without a mark converts; a character cut by the first 64 KB's
// end decides nothing. The C1 controls in UTF-8 become '?'.
TEST_F(Transfer, TheFilesCodingIsDecidedOnceByItsStart) {
  EXPECT_EQ(
      "S\xD8\xB0|GR\xD8"
      "FT|",
      sLines("S\xD8\xB0\r\nGR\xD8"
             "FT\r\n",
             64));
  EXPECT_EQ("\xC3\x98|\xD8|", sLines("\xC3\x98\n\x9D\n", 64));  // 865 further on: 8-bit
  EXPECT_EQ(
      "GR\xD8"
      "FT|",
      sLines("GR\xC3\x98"
             "FT\n",
             64));  // UTF-8 without a mark
  EXPECT_EQ("?????|", sLines("\xC2\x80\xC2\x81\xC2\x8D\xC2\x90\xC2\x9F\n", 64));
  std::string ascii(65536, 'a');
  ascii[100] = '\n';
  EXPECT_EQ(ascii.substr(0, 100) + "|" + ascii.substr(101) + "|S\xD8\xB0|",
            sLines(ascii + "\nS\xD8\xB0\n", 70000));  // past the first 64 KB, too late
  std::string cut = "\xC3\x86\n" + std::string(65532, 'a') + "\xC3\x98\n";
  ASSERT_EQ('\xC3', cut[65535]);
  EXPECT_EQ("\xC6|" + std::string(65532, 'a') + "\xD8|", sLines(cut, 70000));
}

// NUL bytes with nothing but NULs and blanks after them are dropped (told
// of the file's first such line: "0"); a NUL with other characters after it
// marks the line damaged ("#", its text before the NUL kept). The line's
// length is what is left, a damaged line is never cut, and NULs alone make a
// line even at the file's end. Without notes the bytes come as they are.
TEST_F(Transfer, NulBytesAreDroppedAtALinesEndOrMarkItDamaged) {
  using namespace std::string_literals;
  EXPECT_EQ("ab 0|cd|ef#|gh|"s, sLines("ab\0\0 \0\r\ncd\0\r\nef\0x\r\ngh\0\0"s, 64));
  EXPECT_EQ("a|0|"s, sLines("a\n\0\0\0"s, 64));
  EXPECT_EQ("abc0|abc~|ab#|abc#|abc~|"s, sLines("abc\0\0\0\0\r\nabcd\0\nab\0  x\nabc\0 x\nabc  \0\0"s, 4));
  EXPECT_EQ("\xC6 0|\xD8#|"s, sLines("\xEF\xBB\xBF\xC3\x86\0 \n\xC3\x98\0z\n"s, 64));
  EXPECT_EQ("\xD8 0|\xD8#|"s, sLines("\x9D\0 \n\x9D\0\x9D\n"s, 64));  // 8-bit
  std::string path = m_dir + "/nul.raw";
  WriteFile(path, "P\x9B\0\0\r\nQ\0R\nS\0T\n"s);
  uint32_t h = hMboOpenFile(path.c_str(), 0);
  char buf[8];
  unsigned uNotes = 0;
  ASSERT_TRUE(boMboReadLineBytes(buf, 8, h, &uNotes));
  EXPECT_EQ("P\x9B"s, std::string(buf));
  EXPECT_EQ((unsigned)MBO_READ_NUL_DROPPED, uNotes);
  ASSERT_TRUE(boMboReadLineBytes(buf, 8, h, &uNotes));
  EXPECT_EQ("Q\0\0"s, std::string(buf, 3));
  EXPECT_EQ((unsigned)MBO_READ_NUL, uNotes);
  ASSERT_TRUE(boMboReadLine(buf, 8, h));  // the plain reader stores them
  EXPECT_EQ("S\0T\0"s, std::string(buf, 4));
  vMboCloseFile(&h);
}

// Files larger than the reader's buffer, with every kind of line end at
// every place, line by line against the model; lines that straddle the
// buffer's end, a CR at its end with the LF in the next, and files ending
// without a line end come up on the way.
TEST_F(Transfer, BufferedLinesMatchTheModelAcrossBufferEnds) {
  std::mt19937 rng(29);
  const char* kEnds[] = {"\n", "\r", "\r\n", "\r\r\n", "\r\r"};
  for (int iRound = 0; iRound < 12; iRound++) {
    std::string bytes;
    int iLong = iRound % 3 == 0 ? 300 : 40;
    while (bytes.size() < 150000) {
      bytes += std::string(rng() % iLong, (char)('a' + rng() % 26));
      bytes += kEnds[rng() % 5];
    }
    if (iRound % 2) bytes += "tail";
    for (int iSize : {2, 7, 64, 1024}) {
      std::string path = m_dir + "/big.raw";
      WriteFile(path, bytes);
      for (bool boCutAware : {false, true}) {
        uint32_t h = hMboOpenFile(path.c_str(), 0);
        std::string got;
        std::vector<char> buf((size_t)iSize);
        unsigned uNotes = 0;
        while (boMboReadLineCut(buf.data(), iSize, h, boCutAware ? &uNotes : nullptr))
          got += std::string(buf.data()) + (uNotes & MBO_READ_CUT ? "~" : "") + "|";
        vMboCloseFile(&h);
        std::string want = sModelLines(bytes, iSize, boCutAware);
        size_t iDiff = std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin();
        ASSERT_EQ(want.size(), iDiff) << "round " << iRound << " size " << iSize << " cut " << boCutAware << ": from "
                                      << iDiff << " want \"" << want.substr(iDiff, 40) << "\" got \""
                                      << got.substr(std::min(iDiff, got.size()), 40) << "\"";
        EXPECT_EQ(want.size(), got.size());
      }
    }
  }
  // A CR as the last byte of the first 64 KB, the LF after it.
  std::string first(65535, 'a');
  EXPECT_EQ(first + "|b|", sLines(first + "\r\nb", 70000));
}

// Plain ASCII lines among UTF-8 characters, malformed UTF-8 and code-page-865
// letters, across the buffer's ends, through every reader against the model
// (and the rest of each line's buffer stays zero).
TEST_F(Transfer, CodedLinesMatchTheModelAcrossBufferEnds) {
  std::mt19937 rng(32);
  const char* kEnds[] = {"\n", "\r", "\r\n", "\r\r\n", "\r\r"};
  const char* kOdd[] = {"\xC3\x86", "\xE2\x82\xAC", "\xC5\x81", "\xF0\x9F\x98\x80", "\xC3",
                        "\x9B",     "\x9D",         "\xC0\xAF", "\xED\xA0\x80",     "\xEF\xBB\xBF"};
  // Rounds 8 and 9 have well-formed UTF-8 alone in their first 64 KB (or a
  // little more) and are UTF-8 files without a mark; the odd rounds have a
  // mark; the others are 8-bit.
  for (int iRound = 0; iRound < 10; iRound++) {
    std::string bytes = iRound % 2 && iRound < 8 ? "\xEF\xBB\xBF" : "";
    int iLong = iRound % 3 == 0 ? 200 : 30;
    while (bytes.size() < 140000) {
      for (int iPart = (int)(rng() % 4); iPart >= 0; iPart--) {
        bytes += std::string(rng() % iLong, (char)('0' + rng() % 70));
        bool boWellFormed = iRound >= 8 && bytes.size() < (iRound == 8 ? 65530u : 66000u);
        if (rng() % (iRound < 4 || iRound >= 8 ? 3 : 40) == 0) bytes += kOdd[rng() % (boWellFormed ? 4 : 10)];
      }
      bytes += kEnds[rng() % 5];
    }
    if (iRound % 4 == 1) bytes += "tail\xC3";
    ASSERT_EQ(iRound % 2 == 1 || iRound >= 8, boModelUtf8File(bytes)) << "round " << iRound;
    std::string path = m_dir + "/coded.raw";
    WriteFile(path, bytes);
    for (int iSize : {2, 5, 64, 1024}) {
      for (int iReader = 0; iReader < 3; iReader++) {
        bool boCutAware = iReader != 0, boConvert = iReader != 2;
        uint32_t h = hMboOpenFile(path.c_str(), 0);
        std::string got;
        std::vector<char> buf((size_t)iSize);
        unsigned uNotes = 0;
        while (boConvert ? boMboReadLineCut(buf.data(), iSize, h, boCutAware ? &uNotes : nullptr)
                         : boMboReadLineBytes(buf.data(), iSize, h, &uNotes)) {
          got += std::string(buf.data()) + (uNotes & MBO_READ_CUT ? "~" : "") + "|";
          size_t iLen = strlen(buf.data());
          ASSERT_EQ((size_t)iSize - iLen, (size_t)std::count(buf.begin() + (long)iLen, buf.end(), 0));
        }
        vMboCloseFile(&h);
        std::string want = sModelLines(bytes, iSize, boCutAware, boConvert);
        size_t iDiff = std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin();
        ASSERT_EQ(want.size(), iDiff) << "round " << iRound << " size " << iSize << " reader " << iReader << ": from "
                                      << iDiff << " want \"" << want.substr(iDiff, 40) << "\" got \""
                                      << got.substr(std::min(iDiff, got.size()), 40) << "\"";
        EXPECT_EQ(want.size(), got.size());
      }
    }
  }
}

// Direct reads and seeks see the file where the lines left it once the
// reader's buffer is given back (the file's start is its start again, with
// its byte-order mark); a closed handle's number opened again reads the new
// file.
TEST_F(Transfer, DirectReadsAndSeeksAfterTheBufferIsGivenBack) {
  std::string path = m_dir + "/mixed.raw";
  WriteFile(path, "\xEF\xBB\xBFone\r\ntwo\rthree\nfour\n");
  uint32_t h = hMboOpenFile(path.c_str(), 0);
  char buf[64];
  ASSERT_TRUE(boMboReadLine(buf, 64, h));
  EXPECT_STREQ("one", buf);
  ASSERT_TRUE(boMboReadLine(buf, 64, h));
  EXPECT_STREQ("two", buf);
  vMboReleaseLineBuffer(h);
  char direct[4] = {};
  EXPECT_EQ(3u, _lread((HFILE)h, direct, 3));
  EXPECT_STREQ("thr", direct);
  ASSERT_TRUE(boMboReadLine(buf, 64, h));
  EXPECT_STREQ("ee", buf);
  vMboReleaseLineBuffer(h);
  EXPECT_EQ(0, _llseek((HFILE)h, 0, FILE_BEGIN));
  ASSERT_TRUE(boMboReadLine(buf, 64, h));
  EXPECT_STREQ("one", buf);
  vMboCloseFile(&h);
  std::string other = m_dir + "/other.raw";
  WriteFile(other, "new\n");
  h = hMboOpenFile(other.c_str(), 0);
  ASSERT_TRUE(boMboReadLine(buf, 64, h));
  EXPECT_STREQ("new", buf);
  EXPECT_FALSE(boMboReadLine(buf, 64, h));
  vMboCloseFile(&h);
}

TEST_F(Transfer, WrittenLinesEndInCrLfAndEmptyFilesAreDeletedOnClose) {
  std::string path = m_dir + "/w.raw";
  uint32_t h = hMboCreateFile(path.c_str());
  ASSERT_NE(0u, h);
  EXPECT_TRUE(boMboWriteLine(h, "5=1"));
  EXPECT_TRUE(boMboWriteLine(h, nullptr));
  EXPECT_FALSE(boMboCloseDeleteIfEmpty(&h, path.c_str()));
  EXPECT_EQ(0u, h);
  EXPECT_EQ("5=1\r\n\r\n", ReadFile(path));
  // A line put together in place: in the writer's own buffer for a file
  // whose bytes are not gathered (the gathered file of a write is the
  // writers' tests').
  h = hMboCreateFile(path.c_str());
  char local[8];
  char* line = pMboWriteBegin(h, sizeof local, local);
  EXPECT_EQ(local, line);
  memcpy(line, "G,1\r\n", 5);
  EXPECT_TRUE(boMboWriteEnd(h, line, 5));
  EXPECT_EQ(local, pMboWriteBegin(0, sizeof local, local));
  EXPECT_FALSE(boMboWriteEnd(0, local, 5));
  vMboCloseFile(&h);
  EXPECT_EQ("G,1\r\n", ReadFile(path));
  h = hMboCreateFile(path.c_str());
  EXPECT_TRUE(boMboCloseDeleteIfEmpty(&h, path.c_str()));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_FALSE(boMboWriteLine(0, "x"));
  EXPECT_EQ(0u, hMboOpenFile((m_dir + "/none").c_str(), 0));
}

TEST(TransferText, NumberTestsSubstringsAndDates) {
  for (const char* s : {"5", " -5", "+.5", ".-5", ".5", "-.5"}) EXPECT_TRUE(boMboIsNumber(s)) << s;
  for (const char* s : {"", "-", "+-5", ".", "a5", "-x"}) EXPECT_FALSE(boMboIsNumber(s)) << s;
  EXPECT_FALSE(boMboIsNumber(nullptr));
  double v = 0;
  for (const char* s : {" 5 ", "-.5", "+1.5e2", "7.", "1E-3\t"}) EXPECT_TRUE(boMboFiniteNumber(s, &v)) << s;
  EXPECT_EQ(0.001, v);
  for (const char* s : {"", ".", "1e999", "-1e999", "0x10", "inf", "nan", "12abc", "1e", "1 2", "--1"})
    EXPECT_FALSE(boMboFiniteNumber(s, &v)) << s;
  EXPECT_FALSE(boMboFiniteNumber(nullptr, &v));
  EXPECT_TRUE(boMboIsInteger("  -7"));
  EXPECT_FALSE(boMboIsInteger(".5"));
  EXPECT_TRUE(boMboIsAllChar("", '-'));
  EXPECT_FALSE(boMboIsAllChar("--+", '-'));
  EXPECT_STREQ("ab", sMboTrimCopy(" ab ", 100));  // never past the end
  EXPECT_STREQ("b c", sMboSubString("a b c d", 1, 4));
  EXPECT_STREQ("", sMboSubString("abc", -1, 2));
  EXPECT_STREQ("", sMboSubString("abc", 0, -2));
  EXPECT_STREQ("", sMboSubString("abc", 3, 1));
  EXPECT_STREQ("2052.12.31", sMboDateFromDdMmYy("311252"));
  EXPECT_STREQ("1953.01.02", sMboDateFromDdMmYy("020153"));
  EXPECT_STREQ("", sMboDateFromDdMmYy("000000"));
  EXPECT_STREQ("", sMboDateFromDdMmYy("0101999"));
}

// Finite numbers read in one pass against the notation as a pattern and the
// number parser on what it matched, on random texts of number characters and
// a few others, long digit runs and large exponents among them: the same
// answer and the same double.
TEST(TransferText, FiniteNumbersMatchTheNotationModel) {
  const std::regex notation(R"([ \t]*([+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?)[ \t]*)");
  auto model = [&](const std::string& text, double* value) {
    std::smatch m;
    if (!std::regex_match(text, m, notation)) return false;
    *value = dNumParseC(m[1].str().c_str());
    return std::isfinite(*value);
  };
  std::mt19937 rng(32);
  const char kChars[] = " \t+-.0123456789012345678901234567890eExXinfa,\n";
  for (int i = 0; i < 100000; ++i) {
    std::string text;
    for (int n = (int)(rng() % 14); n > 0; --n) text += kChars[rng() % (sizeof kChars - 1)];
    if (i % 7 == 0)
      text = std::to_string(rng()) + std::to_string(rng()) + "." + std::to_string(rng()) + "e" +
             std::to_string((int)(rng() % 700) - 350);
    double want = 0, got = 0;
    bool ok = model(text, &want);
    ASSERT_EQ(ok, boMboFiniteNumber(text.c_str(), &got)) << text;
    if (ok) {
      ASSERT_EQ(0, memcmp(&want, &got, sizeof got)) << text;
    }
  }
}

// Fixed-column fields against a plain model: the columns that exist, then
// the blanks removed at both ends (tabs stay), on random lines of blanks,
// tabs and letters; and the columns alone, blank beyond the line.
TEST(TransferText, SubstringsMatchAModel) {
  std::mt19937 rng(32);
  std::uniform_int_distribution<int> len(0, 40), pick(0, 3), at(-2, 44), width(-2, 140);
  for (int i = 0; i < 20000; ++i) {
    std::string line;
    for (int n = len(rng); n > 0; --n) line += " \tab"[pick(rng)];
    int offset = at(rng), count = width(rng);
    std::string want;
    if (offset >= 0 && count >= 0 && count < 129 && offset < (int)line.size()) {
      want = line.substr((size_t)offset, (size_t)count);
      want.erase(0, want.find_first_not_of(' ') == std::string::npos ? want.size() : want.find_first_not_of(' '));
      want.erase(want.find_last_not_of(' ') + 1);
    }
    ASSERT_EQ(want, sMboSubString(line.c_str(), offset, count)) << '[' << line << "] " << offset << ' ' << count;
    // The columns themselves, blank past either end of the line.
    std::string columns;
    for (int c = offset; c < offset + count; ++c) columns += c >= 0 && c < (int)line.size() ? line[(size_t)c] : ' ';
    std::vector<char> out((size_t)std::max(count, 0) + 1);
    ASSERT_EQ(columns, sMboLineColumns(line.c_str(), offset, count, out.data())) << line;
  }
}

// ---- The operations through the exports of the loaded module ----

class TransferExports : public FieldBookFiles {
 protected:
  int iPoints() { return iPoPointsGetCount(FB(pKvxMboPoPointsGet)()); }
};

TEST_F(TransferExports, AFailedReadLeavesTheFieldBookAsItWas) {
  FB(KvxMboNewPoint)("KEEP");
  vUiExpectBox(IDOK, "ERROR! Cannot open raw-file");
  EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host_, 10, (m_dir + "/missing.raw").c_str()));
  EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host_, 62, (m_dir + "/x.raw").c_str()));  // no reader
  EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host_, 0, (m_dir + "/x.txt").c_str()));   // unknown extension
  EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host_, 10, nullptr));
  EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host_, 10, std::string(300, 'a').c_str()));  // too long, not cut
  EXPECT_EQ(1, iPoints());
  EXPECT_STREQ("KEEP", FB(sMboGetPointPID)(PoPointsGetFirst(FB(pKvxMboPoPointsGet)())));
}

TEST_F(TransferExports, WriteAsksBeforeOverwritingAndTheLastFileIsTheWrittenOne) {
  std::string path = m_dir + "/out.xml";
  WriteFile(path, "old");
  vUiExpectBox(IDCANCEL, "Overwrite file:\n");
  EXPECT_EQ(0, FB(boKvxMboWriteRawDirect)(&host_, 25, path.c_str()));
  EXPECT_EQ("old", ReadFile(path));
  char buf[300];
  EXPECT_EQ(1, FB(boMboGetLastReadRawFile)(buf, (int)sizeof buf));
  EXPECT_EQ(path, buf);
  EXPECT_EQ(0, FB(boMboGetLastReadRawFile)(nullptr, 10));
  // A writer that writes nothing leaves no file behind, and says so.
  std::string raw = m_dir + "/empty.are";
  vUiExpectBox(IDOK, "empty.are\nNothing to write");
  EXPECT_EQ(0, FB(boKvxMboWriteRawDirect)(&host_, 10, raw.c_str()));
  EXPECT_FALSE(fs::exists(raw));
}

TEST_F(TransferExports, InstrumentZeroReadsAnXmlFileAsHeXml) {
  PoPoint* p = FB(KvxMboNewPoint)("7");
  FB(vMboSetPointXY)(p, 100.5, 200.25);
  std::string path = m_dir + "/points.XML";
  ASSERT_EQ(1, FB(boKvxMboWriteRawDirect)(&host_, 25, path.c_str()));
  FB(KvxMboNewPoint)("GONE");
  EXPECT_EQ(1, FB(boKvxMboReadRawDirect)(&host_, 0, path.c_str()));
  ASSERT_EQ(1, iPoints());
  double x, y;
  PoPoint* back = PoPointsGetFirst(FB(pKvxMboPoPointsGet)());
  EXPECT_STREQ("7", FB(sMboGetPointPID)(back));
  ASSERT_TRUE(FB(boMboGetPointXY)(back, &x, &y));
  EXPECT_EQ(100.5, x);
}

TEST(TransferUninitialised, ADirectCallBeforeInitFails) {
  MboHostRec host = FbHostRec();
  kvxtest::TempDir tmp;
  const std::string raw = tmp.Path("x.raw");
  EXPECT_EQ(0, FB(boKvxMboReadRawDirect)(&host, 10, raw.c_str()));
  EXPECT_EQ(0, FB(boKvxMboWriteRawDirect)(&host, 10, raw.c_str()));
  EXPECT_FALSE(fs::exists(raw));  // nothing written either
}

// ---- Internal: receive, vertex IDs and the drill-hole report ----

class TransferModel : public HostIniTest {
 protected:
  void SetUp() override {
    HostIniTest::SetUp();
    tmp_.UseAsTemp("temp");
    m_host.uVersion = MBO_HOST_REC_VERSION;
    vKvxMboInit(&m_host);
  }
  void TearDown() override {
    vKvxMboFinish();
    HostIniTest::TearDown();
  }
  MboHostRec m_host{};
};

TEST_F(TransferModel, AReceiveThatBringsNoDataFailsAndLeavesNoFile) {
  g_mboTransfer.settings.uInstrument = 22;
  // Outside the temp folder an old raw file is asked about.
  std::string raw = m_dir + "/old.raw";
  WriteFile(raw, "data");
  ASSERT_TRUE(boMboSetRawFilePath(raw.c_str()));
  vUiExpectBox(IDCANCEL, "Delete file: ");
  EXPECT_FALSE(boMboReceiveRawFile(&g_mboTransfer.settings, nullptr));
  EXPECT_EQ("data", ReadFile(raw));
  // In the temp folder it is overwritten without a question; the receiver,
  // cancelled at its prompt, brings nothing.
  std::string tmpRaw = tmp_.Path("temp/kvx_transfer_test.raw");
  WriteFile(tmpRaw, "old");
  ASSERT_TRUE(boMboSetRawFilePath(tmpRaw.c_str()));
  vUiExpectBox(IDCANCEL, "Choose data for transfer.");
  EXPECT_FALSE(boMboReceiveRawFile(&g_mboTransfer.settings, nullptr));
  EXPECT_FALSE(fs::exists(tmpRaw));
  EXPECT_EQ(0u, g_mboTransfer.hRaw);
}

TEST_F(TransferModel, VerticesWithoutIdsGetThePointAtTheirPlaceOrANewOne) {
  PoPoint* pA = KvxMboNewPoint("A");
  vMboSetPointXY(pA, 10, 20);
  vMboSetPointZ(pA, 1);  // the polygon is 3-D: it matches points with Z
  YgPolygon* pPoly = KvxMboNewPolygon("P7");
  for (int i = 0; i < 3; i++) KvxMboAddPolygonElm(pPoly, "");
  YgElm* e = YgElmGetFirst(pPoly);
  GeoPnt3 p{10.0002, 20, 1};
  vYgElmSetP(pPoly, e, &p);
  ((MboElmData*)YgElmGetData(pPoly, e))->uFlags |= MBO_FLAG_XY;
  e = YgElmGetNext(pPoly, e);
  ((MboElmData*)YgElmGetData(pPoly, e))->uFlags = 0;  // no XY: matches nothing
  e = YgElmGetNext(pPoly, e);
  p = {5, 6, 0};
  vYgElmSetP(pPoly, e, &p);
  ((MboElmData*)YgElmGetData(pPoly, e))->uFlags |= MBO_FLAG_XY;
  // A long object ID keeps the vertex numbers whole, so the IDs stay apart.
  std::string longId(99, 'x');
  LiLine* pLine = KvxMboNewLine(longId.c_str());
  KvxMboAddLineElm(pLine, "");
  KvxMboAddLineElm(pLine, "");

  vMboGiveVertexIds();
  std::string ids;
  for (YgElm* v = YgElmGetFirst(pPoly); v; v = YgElmGetNext(pPoly, v))
    ids += std::string(((MboElmData*)YgElmGetData(pPoly, v))->sPid) + " ";
  EXPECT_EQ("A A_P7_2 A_P7_3 ", ids);
  PoPoint* pNew = pMboFindPoint("A_P7_3");
  double x, y;
  ASSERT_TRUE(boMboGetPointXY(pNew, &x, &y));
  EXPECT_EQ(5.0, x);
  EXPECT_FALSE(boMboGetPointXY(pMboFindPoint("A_P7_2"), &x, &y));
  char a[MBO_ID_SIZE], b[MBO_ID_SIZE];
  boMboGetElmPID(pLine, LiElmGetFirst(pLine), a, (int)sizeof a);
  boMboGetElmPID(pLine, LiElmGetLast(pLine), b, (int)sizeof b);
  std::string stored = sMboGetLineObjID(pLine);
  EXPECT_EQ("L_" + stored.substr(0, 95) + "_1", a);
  EXPECT_EQ("L_" + stored.substr(0, 95) + "_2", b);
}

// Against a walk over every point in container order (the model): points
// and vertices crowded on lattices of a quarter millimetre, so that matches,
// misses at the tolerance and points the step itself makes all occur; 2-D
// and 3-D lines and a polygon, vertices with an ID or without XY (the first
// ones too), points without XY or Z, and places about zero, far out and too
// far out for a cell of their own.
TEST_F(TransferModel, VertexIdsByPlaceAreThoseOfAWalkOverEveryPoint) {
  struct Pt {
    std::string id;
    bool xy, z;
    double px, py, pz;
  };
  std::vector<Pt> model;
  std::mt19937 rng(32);
  const double bases[][2] = {{1000.0, 1000.0}, {-0.003, -0.0031}, {2.5e9, 6.6e6}, {2e10 - 0.003, -2e10}, {3e10, -4e12}};
  double dx0 = 0, dy0 = 0;
  auto region = [&] {
    const double* b = bases[rng() % 5];
    dx0 = b[0], dy0 = b[1];
  };
  auto step = [&] { return (double)(rng() % 24) * 0.00025; };
  auto add = [&](const std::string& id, bool xy, bool z, double x, double y, double h) {
    PoPoint* p = KvxMboNewPoint(id.c_str());
    if (xy) vMboSetPointXY(p, x, y);
    if (z) vMboSetPointZ(p, h);
    model.push_back({id, xy, z, x, y, h});
  };
  for (int i = 0; i < 800; i++) {
    region();
    add("P" + std::to_string(i), i % 9 != 8, i % 2 == 0, dx0 + step(), dy0 + step(), 0.0002 * (i % 3));
  }
  add("FAR", true, true, 1e300, -1e300, 0);
  add("NAN", true, true, std::nan(""), 1000, 0);
  auto find = [&](double x, double y, double z, bool b3d) -> std::string {
    for (const Pt& p : model) {
      if (!p.xy || p.z != b3d) continue;
      double dx = p.px - x, dy = p.py - y, dz = b3d ? p.pz - z : 0.0;
      if (std::sqrt(dx * dx + dy * dy + dz * dz) < 0.0005) return p.id;
    }
    return "";
  };
  // The vertex's ID as the step should give it, a new point in the model
  // when no point is at its place.
  std::vector<std::string> expected;
  auto vertex = [&](bool xy, bool b3d, double x, double y, double z, const std::string& newId) {
    std::string id = xy ? find(x, y, z, b3d) : "";
    if (id.empty()) {
      id = newId;
      model.push_back({id, xy, xy && b3d, x, y, z});
    }
    expected.push_back(id);
  };
  LiLine* lines[2] = {KvxMboNewLine("L3"), LiLinesCreate2dLine(pKvxMboLiLinesGet())};
  for (int l = 0; l < 2; l++) {
    bool b3d = l == 0;
    for (int v = 0; v < 1200; v++) {
      // A vertex with an ID keeps it, whatever its place.
      std::string name = v % 13 == 12 ? "N" + std::to_string(l) + "." + std::to_string(v) : "";
      LiElm* e = KvxMboAddLineElm(lines[l], name.c_str());
      region();
      double x = v == 7 ? 1e300 : dx0 + step(), y = v == 7 ? -1e300 : dy0 + step(), z = 0.0002 * (v % 4);
      bool xy = v % 11 != 10 && v > 1;
      if (xy) vMboSetElmXY(lines[l], e, x, y);
      if (xy && b3d) vMboSetElmZ(lines[l], e, z);
      if (!name.empty())
        expected.push_back(name);
      else
        vertex(xy, b3d, x, y, z, (b3d ? "L_L3_" : "L__2_") + std::to_string(v + 1));  // the unnamed line is the second
    }
  }
  YgPolygon* poly = YgPolygonsCreate2dLine(pKvxMboYgPolygonsGet());
  for (int v = 0; v < 600; v++) {
    YgElm* e = KvxMboAddPolygonElm(poly, "");
    region();
    GeoPnt3 p{dx0 + step(), dy0 + step(), 0};
    vYgElmSetP(poly, e, &p);
    ((MboElmData*)YgElmGetData(poly, e))->uFlags |= MBO_FLAG_XY;
    vertex(true, false, p.x, p.y, 0, "A__1_" + std::to_string(v + 1));
  }
  vMboGiveVertexIds();
  std::vector<std::string> got;
  char buf[MBO_ID_SIZE];
  for (LiLine* l : lines)
    for (LiElm* e = LiElmGetFirst(l); e; e = LiElmGetNext(l, e)) {
      boMboGetElmPID(l, e, buf, (int)sizeof buf);
      got.push_back(buf);
    }
  for (YgElm* e = YgElmGetFirst(poly); e; e = YgElmGetNext(poly, e))
    got.push_back(((MboElmData*)YgElmGetData(poly, e))->sPid);
  EXPECT_EQ(expected, got);
  // Points there before and points of the step itself were both found.
  size_t uOld = 0, uNew = 0;
  for (size_t i = 0; i < expected.size(); i++)
    if (expected[i][0] == 'P')
      uOld++;
    else if (std::find(expected.begin(), expected.begin() + (long)i, expected[i]) != expected.begin() + (long)i)
      uNew++;
  EXPECT_GT(uOld, 300u);
  EXPECT_GT(uNew, 100u);
}

TEST_F(TransferModel, TheDrillHoleLineNeedsBothPointsAndIsBounded) {
  std::string side = m_dir + "/side.ADM";
  uint32_t h = hMboCreateFile(side.c_str());
  MboDrillhole hole{};
  strcpy(hole.top.sName, "T1");
  hole.top.boCaptured = 1;
  EXPECT_FALSE(boMboWriteDrillholeInfo(h, &hole, nullptr));  // no bottom yet
  strcpy(hole.bottom.sName, "B1");
  hole.bottom.boCaptured = 1;
  hole.dDist = 12.34567;
  hole.dLength = 3.5;
  EXPECT_TRUE(boMboWriteDrillholeInfo(h, &hole, "Tunnel"));
  EXPECT_EQ(0, hole.top.boCaptured);
  memset(hole.top.sName, 'n', 99);
  memset(hole.bottom.sName, 'm', 99);
  hole.top.boCaptured = hole.bottom.boCaptured = 1;
  hole.dDist = 1e308;
  hole.boVdir = 1;
  hole.dVdir = -1e308;
  EXPECT_TRUE(boMboWriteDrillholeInfo(h, &hole, nullptr));
  vMboCloseFile(&h);
  std::string text = ReadFile(side);
  EXPECT_EQ(0u, text.find("PROJECT: Tunnel\r\nDRILLHOLE_INFO_78_77_DIST: \"B1\" \"T1\" 12.3457 HoleLength=3.500\r\n"));
  EXPECT_NE(std::string::npos, text.find(" HoleVdir=-1000000000"));
}

}  // namespace
