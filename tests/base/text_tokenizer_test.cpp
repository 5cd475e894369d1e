#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"

namespace {

using Fields = std::vector<std::string>;

// Every field a cursor tokenizer gives, until it clears the cursor.
Fields fields(char* (*next)(char*, int, const char**, char), const char* text, char sep, int size) {
  Fields out;
  char buf[32];
  for (const char* cur = text; cur && out.size() < 20;) out.push_back(next(buf, size, &cur, sep));
  return out;
}
Fields plainFields(const char* text, char sep, int size) { return fields(sStrNextPlainField, text, sep, size); }
Fields quotedFields(const char* text, char sep, int size) { return fields(sStrNextQuotedField, text, sep, size); }

TEST(PlainField, SplitsWithoutSkippingAnythingAndCutsLongFields) {
  // The cursor stays on the terminator after the last field: one more call
  // gives "" and clears it.
  EXPECT_EQ(plainFields(" a ,,b", ',', 16), (Fields{" a ", "", "b", ""}));
  EXPECT_EQ(plainFields("abcdefgh;x", ';', 4), (Fields{"abc", "x", ""}));
  char buf[4];
  const char* cur = nullptr;
  EXPECT_STREQ(sStrNextPlainField(buf, 4, &cur, ','), "");
  // A size of 0 writes nothing but still moves on.
  cur = "ab;cd";
  char guard = 'G';
  sStrNextPlainField(&guard, 0, &cur, ';');
  EXPECT_EQ(guard, 'G');
  EXPECT_STREQ(cur, "cd");
  char* mutableCur = nullptr;
  EXPECT_STREQ(sStrNextPlainField(buf, 4, &mutableCur, ';'), "");
}

TEST(QuotedField, QuotesBlanksTabsAndCuts) {
  struct {
    const char* text;
    char sep;
    int size;
    Fields want;
  } cases[] = {
      {"  \"x,y\" junk ,\tz \t, w ,", ',', 16, {"x,y", "z", "w", ""}},
      // A quoted field at the end leaves the cursor on the terminator.
      {"\"abc\"", ',', 16, {"abc", ""}},
      // A cut quoted field skips to its closing quote.
      {"\"abc,def\",next", ',', 3, {"ab", "ne", ""}},
      // A lone quote after a tab stays one quote.
      {"\t\"", ',', 8, {"\"", ""}},
      // A tab then a quoted text: the tab goes, then the quotes.
      {"\t\"ab\" ", ',', 8, {"ab", ""}},
      // A tab separator keeps tabs inside fields.
      {"a \t\tb", '\t', 8, {"a", "", "b", ""}},
      // The trailing cut keeps at least the first character.
      {"\t  ", ',', 8, {" ", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(quotedFields(c.text, c.sep, c.size), c.want) << c.text;
}

TEST(Field, SharedBufferTokenizer) {
  char text[] = "one; \"two; 2\" ;three";
  char* cur = text;
  EXPECT_STREQ(sStrNextField(&cur, ';'), "one");
  EXPECT_STREQ(sStrNextField(&cur, ';'), "two; 2");
  EXPECT_STREQ(sStrNextField(&cur, ';'), "three");
  EXPECT_STREQ(sStrNextField(&cur, ';'), "");
  EXPECT_EQ(cur, nullptr);
}

TEST(GetField, FieldsExistWhileTheCursorLives) {
  // Field -1 exists and leaves the buffer alone; a missing field empties it.
  const struct {
    const char* text;
    int n;
    bool ok;
    const char* buf;
  } cases[] = {{"A,B", 1, true, "B"}, {"A,B", 2, false, ""}, {"A,B", -1, true, "keep"},
               {"", 0, false, ""},    {"A,", 0, true, "A"},  {"A,", 1, false, ""},
               {"A,,", 1, true, ""},  {"A,,", 2, false, ""}, {nullptr, 0, false, ""}};
  for (const auto& c : cases) {
    char buf[8] = "keep";
    EXPECT_EQ(boStrGetField(c.text, ',', c.n, buf, 8), c.ok) << (c.text ? c.text : "(null)") << " " << c.n;
    EXPECT_STREQ(buf, c.buf) << (c.text ? c.text : "(null)") << " " << c.n;
  }
  char guard = 'G';
  EXPECT_TRUE(boStrGetField("A,B", ',', 1, &guard, 0));
  EXPECT_EQ(guard, 'G');
}

TEST(GetField, FindAndTempFields) {
  int index = -1;
  EXPECT_TRUE(boStrFindField("x, y ,\"z\"", ',', "z", &index) && index == 2);
  EXPECT_TRUE(boStrFindField("x, y ,\"z\"", ',', "y", &index) && index == 1);
  EXPECT_FALSE(boStrFindField("x,y", ',', "Y", &index));
  EXPECT_EQ(index, 0);
  EXPECT_STREQ(sStrGetFieldTemp("a|b|c", '|', 2), "c");
  EXPECT_STREQ(sStrGetFieldTemp("a|b|c", '|', 3), "");
  EXPECT_STREQ(sStrGetFieldTemp("a|b|c", '|', -1), "");
  EXPECT_EQ(strlen(sStrGetFieldTemp(std::string(3000, 'q').c_str(), '|', 0)), 1999u);
}

// Every CSV field until the reader says there is none left.
Fields csvFields(const char* text, int size) {
  Fields out;
  char buf[32];
  const char* cur = text;
  while (out.size() < 20 && boStrGetCsvField(&cur, ',', buf, size)) out.push_back(buf);
  return out;
}

TEST(CsvField, DoubledQuotesEscapesEmptyFieldsAndCuts) {
  EXPECT_EQ(csvFields("\"a\"\"b\",  c d  ,\"x\\\"y\", e\"f,", 16), (Fields{"a\"b", "c d", "x\"y", "e\"f"}));
  EXPECT_EQ(csvFields("a,,b", 8), (Fields{"a", "", "b"}));
  // A full buffer skips the rest of the field, quoted or not.
  EXPECT_EQ(csvFields("\"abc,def\",z", 4), (Fields{"abc", "z"}));
  EXPECT_EQ(csvFields("abcdef,z", 4), (Fields{"abc", "z"}));
  // Nothing left: the buffer keeps what it held.
  const char* cur = "";
  char buf[8] = "keep";
  EXPECT_FALSE(boStrGetCsvField(&cur, ',', buf, 8));
  EXPECT_STREQ(buf, "keep");
  const char* none = nullptr;
  EXPECT_FALSE(boStrGetCsvField(&none, ',', buf, 8));
  cur = "a";
  EXPECT_FALSE(boStrGetCsvField(&cur, ',', buf, 0));
}

TEST(Token, BlankSeparatedAndQuotedTokens) {
  const char* text = " \t\r\nabc  \"d e\"f \xE6\xF8";
  const char* cur = nullptr;
  char buf[16];
  EXPECT_STREQ(sStrNextToken(text, &cur, buf, 16), "abc");
  EXPECT_EQ(*cur, ' ');
  EXPECT_STREQ(sStrNextToken(cur, &cur, buf, 16), "d e");
  EXPECT_EQ(*cur, 'f');  // behind the closing quote
  EXPECT_STREQ(sStrNextToken(cur, &cur, buf, 16), "f");
  EXPECT_STREQ(sStrNextToken(cur, &cur, buf, 16), "\xE6\xF8");
  EXPECT_STREQ(sStrNextToken(cur, &cur, buf, 16), "");
  EXPECT_EQ(*cur, '\0');
  EXPECT_STREQ(sStrNextToken(nullptr, &cur, buf, 16), "");
  EXPECT_EQ(cur, nullptr);
  EXPECT_STREQ(sStrNextToken("solo", nullptr, buf, 16), "solo");
}

TEST(Token, CutTokensSkipTheirRest) {
  // The token read into 3 bytes, then what the cursor has left.
  auto cut = [](const char* text) {
    const char* cur = nullptr;
    char buf[3];
    std::string token = sStrNextToken(text, &cur, buf, 3);
    return token + "|" + cur;
  };
  EXPECT_EQ(cut("abcdef gh"), "ab| gh");
  EXPECT_EQ(cut("\"a b c d\" e"), "a | e");
  EXPECT_EQ(cut("\"open"), "op|");
}

}  // namespace
