#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/numbers.h"

namespace {

// Every option of a text as "name=value" ("name" alone without a value),
// joined by '|'.
std::string sOptions(char** cur) {
  std::string out;
  char* value = nullptr;
  for (char* name; (name = sStrNextOption(cur, &value)) != nullptr;) {
    out += (out.empty() ? "" : "|") + std::string(name) + (value ? "=" + std::string(value) : "");
  }
  EXPECT_STREQ(value, "");  // a read that finds nothing gives an empty value
  return out;
}

TEST(OptionRead, PlainQuotedParenthesisedAndEscapedTokens) {
  char text[] = "  unit:m title:\"two words\" fn(a b) last";
  char* cur = text;
  EXPECT_EQ(sOptions(&cur), "unit=m|title=two words|fn(a b)|last");
  EXPECT_EQ(cur, nullptr);
  char escaped[] = "a:\"say \\\"hi\\\" \\\\ ok\" b:c\\\\d";
  cur = escaped;
  EXPECT_EQ(sOptions(&cur), "a=say \"hi\" \\ ok|b=c\\d");
}

TEST(OptionRead, WithoutValueAndOtherSeparators) {
  char text[] = "k=v\tx:y";
  char* cur = text;
  EXPECT_STREQ(sStrNextOptionSep(&cur, nullptr, '='), "k=v");
  char* value;
  EXPECT_STREQ(sStrNextOptionSep(&cur, &value, '='), "x:y");
  EXPECT_EQ(value, nullptr);
  char* none = nullptr;
  EXPECT_EQ(sStrNextOption(&none, &value), nullptr);
  char blanks[] = "   ";
  cur = blanks;
  EXPECT_EQ(sStrNextOption(&cur, &value), nullptr);
}

TEST(OptionRead, ParenthesisEndsTheToken) {
  char text[] = "f(x)y g(1,(2 3)) h)i";
  char* cur = text;
  // The character behind ')' becomes the terminator: "y" is lost.
  EXPECT_STREQ(sStrNextOption(&cur, nullptr), "f(x)");
  EXPECT_STREQ(sStrNextOption(&cur, nullptr), "g(1,(2 3))");
  // An unbalanced ')' is an ordinary character.
  EXPECT_STREQ(sStrNextOption(&cur, nullptr), "h)i");
  char atEnd[] = "p(q)";
  cur = atEnd;
  EXPECT_STREQ(sStrNextOption(&cur, nullptr), "p(q)");
  ASSERT_NE(cur, nullptr);
  EXPECT_EQ(sStrNextOption(&cur, nullptr), nullptr);
}

TEST(OptionRead, CutParens) {
  char a[] = "fn(a b)";
  EXPECT_STREQ(sStrCutParens(a), "a b");
  EXPECT_STREQ(a, "fn");
  for (std::string bad : {"fn(a", "plain)", "("}) EXPECT_EQ(sStrCutParens(bad.data()), nullptr) << bad;
}

TEST(OptionWrite, RoundTripWithEscapes) {
  char buf[200] = "";
  char* cur = buf;
  int room = sizeof buf;
  vOptAppendText(&cur, &room, "name", "plain");
  EXPECT_STREQ(buf, "name:plain");
  EXPECT_EQ(*cur, 'n');  // on the last character written
  EXPECT_EQ(room, 200 - 10);
  vOptAppendText(&cur, &room, "path", "C:\\dir \"x\"\r\nnext\ttab");
  vOptAppendInt(&cur, &room, "n", -17);
  vOptAppendDouble(&cur, &room, "d", 3, 2.5);
  vOptAppendText(&cur, &room, "empty", "");
  EXPECT_STREQ(buf, "name:plain path:\"C:\\\\dir \\\"x\\\"\\nnext\ttab\" n:-17 d:2.5 empty:");
  EXPECT_EQ(room, 200 - (int)strlen(buf) - 4);  // each later append counts its first character again

  char* rd = buf;
  // "\n" stays as written.
  EXPECT_EQ(sOptions(&rd), "name=plain|path=C:\\dir \"x\"\\nnext\ttab|n=-17|d=2.5|empty=");
}

TEST(OptionWrite, RoomCountsEscapesAndNothingIsWrittenWhenTooSmall) {
  // 40 quotes become 80 characters: a check of name + value + 8 would pass
  // with room 60 and overrun.
  char buf[64];
  memset(buf, 'G', sizeof buf);
  buf[0] = '\0';
  char* cur = buf;
  int room = 60;
  std::string quotes(40, '"');
  vOptAppendText(&cur, &room, "q", quotes.c_str());
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(room, 60);
  EXPECT_EQ(cur, buf);
  EXPECT_EQ(buf[1], 'G');
  vOptAppendText(&cur, &room, "q", "\"\"");
  EXPECT_STREQ(buf, "q:\\\"\\\"");
}

TEST(OptionWrite, LargeDoublesDoNotOverflow) {
  char buf[400] = "";
  char* cur = buf;
  int room = sizeof buf;
  vOptAppendDouble(&cur, &room, "big", 8, 1e12);
  EXPECT_STREQ(buf, "big:1000000000000");
  vOptAppendDouble(&cur, &room, "huge", 8, -1e200);
  const char* huge = strstr(buf, " huge:-");
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(strcspn(huge + 7, " "), 200u);  // all 200 digits, no point
  vOptAppendDouble(&cur, &room, "neg", -2, 1.75);
  EXPECT_NE(strstr(buf, " neg:2"), nullptr);
  // Too big for the room that is left: nothing.
  char small[24] = "";
  cur = small;
  room = sizeof small;
  vOptAppendDouble(&cur, &room, "v", 8, 1e20);
  EXPECT_STREQ(small, "");
}

}  // namespace
