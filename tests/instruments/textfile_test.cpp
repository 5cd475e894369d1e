// Lines read in place from the block buffer against the copying read, on
// random files of a few buffers: lines across a buffer's end, longer lines
// cut, CR before LF, empty lines and a last line without its end. The in
// place reader's caller ends each line with a NUL where the read says it may.
#include "instruments/textfile.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "testing/tempdir.h"

namespace {

std::vector<std::string> Lines(const std::string& path, size_t max, bool inPlace) {
  std::unique_ptr<MboTextFile> f(new MboTextFile{});
  f->fp = fopen(path.c_str(), "rb");
  std::vector<std::string> out;
  std::string line;
  char* text;
  size_t len;
  while (inPlace ? boMboTextFileLineInPlace(f.get(), &line, max, &text, &len)
                 : boMboTextFileLine(f.get(), &line, max)) {
    if (inPlace) {
      out.emplace_back(text, len);
      text[len] = '\0';
    } else {
      out.push_back(line);
    }
  }
  fclose(f->fp);
  return out;
}

TEST(TextFile, LinesInPlaceAreTheLinesCopied) {
  kvxtest::TempDir dir;
  std::mt19937 rng(32);
  for (int round = 0; round < 6; round++) {
    std::string text;
    while (text.size() < 3 * sizeof(MboTextFile::buf)) {
      size_t n = rng() % 8 == 0 ? rng() % 1500 : rng() % 60;
      for (size_t i = 0; i < n; i++) text += "ab,\t \r\0x"[rng() % 8];
      text += rng() % 4 ? "\n" : "\r\n";
    }
    if (round % 2) text += "no end";
    std::string path = dir.Write("t.txt", text);
    for (size_t max : {5, 399, 999}) {
      std::vector<std::string> want = Lines(path, max, false);
      ASSERT_GT(want.size(), 1000u);
      EXPECT_EQ(want, Lines(path, max, true)) << round << " " << max;
    }
  }
}

}  // namespace
