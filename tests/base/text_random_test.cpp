// Random texts through the tokenizers and bounded functions: every input and
// every output buffer is a heap block of its exact size, so a byte read or
// written outside shows under the sanitizers; every loop must end.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "base/numbers.h"
#include "base/text.h"

namespace {

// Texts made mostly of the characters the tokenizers treat specially.
std::string sRandomText(std::mt19937& rng) {
  static const char kChars[] = {',', ';', '"', '\\', ' ', '\t', '\n', '(', ')', ':', 'a', 'B', '\xE6', '1', '.'};
  std::uniform_int_distribution<int> len(0, 24);
  std::uniform_int_distribution<int> pick(0, (int)sizeof kChars - 1);
  std::string s;
  for (int n = len(rng); n > 0; --n) s += kChars[pick(rng)];
  return s;
}

std::unique_ptr<char[]> pExactCopy(const std::string& s) {
  std::unique_ptr<char[]> p(new char[s.size() + 1]);
  memcpy(p.get(), s.c_str(), s.size() + 1);
  return p;
}

// A buffer of exactly `size` bytes (at least one, so that it exists).
std::unique_ptr<char[]> pBuffer(int size) { return std::unique_ptr<char[]>(new char[size > 0 ? size : 1]); }

void vExpectFits(const char* buf, int size) {
  if (size > 0) {
    EXPECT_LT(strnlen(buf, (size_t)size), (size_t)size);
  }
}

TEST(TextRandom, TokenizersStayInsideTheirBuffersAndEnd) {
  std::mt19937 rng(20240601);
  std::uniform_int_distribution<int> sizes(0, 6);
  for (int round = 0; round < 3000; ++round) {
    std::string text = sRandomText(rng);
    int size = sizes(rng);
    auto in = pExactCopy(text);
    auto buf = pBuffer(size);
    // Each reader is called until it reports the end: each call takes at
    // least one character or ends, so the text's length and a few more do.
    auto ends = [&](const char* what, const std::function<bool()>& step) {
      int calls = 0;
      while (calls < (int)text.size() + 3 && step()) ++calls;
      EXPECT_LT(calls, (int)text.size() + 3) << what << ": " << text;
    };
    auto fits = [&] { return vExpectFits(buf.get(), size), true; };
    const char* cur = in.get();
    ends("plain", [&] { return cur && (sStrNextPlainField(buf.get(), size, &cur, ','), fits()); });
    cur = in.get();
    ends("quoted", [&] { return cur && (sStrNextQuotedField(buf.get(), size, &cur, round % 2 ? ',' : '\t'), fits()); });
    cur = in.get();
    ends("csv", [&] { return boStrGetCsvField(&cur, ';', buf.get(), size) && fits(); });
    cur = in.get();
    ends("token", [&] { return cur && *cur && (sStrNextToken(cur, &cur, buf.get(), size), fits()); });
    for (int n = -1; n < 4; ++n) {
      boStrGetField(in.get(), ',', n, buf.get(), size);
      vExpectFits(buf.get(), size);
    }
    auto opts = pExactCopy(text);
    char* optCur = opts.get();
    ends("options", [&] {
      char* value = nullptr;
      return sStrNextOption(&optCur, &value) != nullptr;
    });
  }
}

TEST(TextRandom, BoundedCopiesStayInsideTheirBuffers) {
  std::mt19937 rng(777);
  std::uniform_int_distribution<int> sizes(-2, 8);
  for (int round = 0; round < 3000; ++round) {
    std::string a = sRandomText(rng), b = sRandomText(rng);
    int size = sizes(rng);
    auto src = pExactCopy(b);
    auto buf = pBuffer(size);
    if (size > 0) buf[0] = '\0';

    sStrCopyN(buf.get(), src.get(), size);
    vExpectFits(buf.get(), size);
    sStrCatN(buf.get(), src.get(), size);
    vExpectFits(buf.get(), size);
    sStrPrintN(buf.get(), size, "%s|%s", a.c_str(), b.c_str());
    vExpectFits(buf.get(), size);
    sStrPadCopy(buf.get(), src.get(), size);

    auto field = pBuffer(size + 1);
    sStrCopyNTrim(field.get(), src.get(), size);
    if (size >= 0) {
      EXPECT_LE(strlen(field.get()), (size_t)size);
    }

    auto text = pExactCopy(a);
    sStrTrim(text.get());
    sStrTrimRight(text.get());

    auto utf = pBuffer(size);
    iStrAnsiToUtf8(src.get(), utf.get(), size);
    vExpectFits(utf.get(), size);
    iStrUtf8ToAnsi(src.get(), utf.get(), size);
    vExpectFits(utf.get(), size);

    EXPECT_EQ(iStrCmpNoCaseN(text.get(), src.get(), size), iStrCmpNoCaseN(src.get(), text.get(), size) * -1);
    sStrFindNoCase(text.get(), src.get());
  }
}

// The cutters and trims as they were written first, a byte and a test at a
// time: the model the faster ones must match.
const char* sModelPlainField(std::string* out, int n, const char* cursor, char sep) {
  const char* p = cursor;
  while (*p && *p != sep) {
    if ((int)out->size() < n - 1) *out += *p;
    ++p;
  }
  if (*p == sep && *p) return p + 1;
  return p == cursor ? nullptr : p;
}

std::string sModelTrimRight(std::string s) {
  s = s.c_str();
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string sModelTrim(std::string s) {
  s = s.c_str();
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t") + 1 - a);
}

// Every field of random texts against the model, in buffers of every small
// size, and the trims.
TEST(TextRandom, CuttersAndTrimsMatchTheirModels) {
  std::mt19937 rng(3232);
  std::uniform_int_distribution<int> sizes(0, 12);
  for (int round = 0; round < 20000; ++round) {
    std::string text = sRandomText(rng) + (round % 3 ? "" : std::string(rng() % 40, 'x') + sRandomText(rng));
    auto in = pExactCopy(text);
    int size = sizes(rng);
    char sep = round % 4 ? ',' : '\t';
    auto buf = pBuffer(size);
    const char* cur = in.get();
    const char* want = in.get();
    for (int calls = 0; cur && calls < (int)text.size() + 3; ++calls) {
      std::string field;
      want = sModelPlainField(&field, size, want, sep);
      sStrNextPlainField(buf.get(), size, &cur, sep);
      ASSERT_EQ(want, cur) << text;
      if (size > 0) {
        ASSERT_EQ(field, buf.get()) << text;
      }
    }
    auto trimmed = pExactCopy(text);
    ASSERT_EQ(sModelTrimRight(text), sStrTrimRight(trimmed.get())) << text;
    trimmed = pExactCopy(text);
    ASSERT_EQ(sModelTrim(text), sStrTrim(trimmed.get())) << text;
  }
}

// Number and date texts of random digits, signs, points and separators:
// no overflow (the sanitizers watch), and option strings written into a
// buffer of exactly the room given never pass its end.
TEST(TextRandom, NumbersDatesAndOptionWriting) {
  static const char kChars[] = {'0', '1', '5', '9', '9', '9', '-', '+', '.', ' ', '_', ':', '"', '\\', '\n'};
  std::mt19937 rng(4242);
  std::uniform_int_distribution<int> len(0, 30);
  std::uniform_int_distribution<int> pick(0, (int)sizeof kChars - 1);
  for (int round = 0; round < 3000; ++round) {
    std::string s;
    for (int n = len(rng); n > 0; --n) s += kChars[pick(rng)];
    auto text = pExactCopy(s);
    char* end = nullptr;
    dStrParseNumber(text.get(), &end);
    EXPECT_TRUE(end >= text.get() && end <= text.get() + s.size()) << s;
    iStrParseInt(text.get(), &end);
    boStrIsNumber(text.get());
    int y, m, d, h, mi, sec, dateOnly;
    boDateParse(text.get(), &y, &m, &d, &h, &mi, &sec, &dateOnly);
    iDateToTime(text.get());

    char num[24];
    sNumFormatFast(num, dStrToDoubleComma(text.get()) * (round % 7 ? 1 : 1e200), round % 11 - 1, nullptr);

    std::uniform_int_distribution<int> rooms(1, 40);
    int room = rooms(rng);
    auto buf = pBuffer(room);
    buf[0] = '\0';
    char* cur = buf.get();
    for (int k = 0; k < 4; ++k) vOptAppendText(&cur, &room, "n", text.get());
    EXPECT_LT(strlen(buf.get()), (size_t)rooms.max());
  }
}

}  // namespace
