#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/text.h"

namespace {

TEST(PlainField, SplitsWithoutSkippingAnything) {
  const char* cur = " a ,,b";
  char buf[16];
  EXPECT_STREQ(sStrNextPlainField(buf, 16, &cur, ','), " a ");
  EXPECT_STREQ(sStrNextPlainField(buf, 16, &cur, ','), "");
  ASSERT_NE(cur, nullptr);
  EXPECT_STREQ(sStrNextPlainField(buf, 16, &cur, ','), "b");
  ASSERT_NE(cur, nullptr);  // on the terminator
  EXPECT_STREQ(sStrNextPlainField(buf, 16, &cur, ','), "");
  EXPECT_EQ(cur, nullptr);
  EXPECT_STREQ(sStrNextPlainField(buf, 16, &cur, ','), "");
}

TEST(PlainField, LongFieldIsCutAndItsRestSkipped) {
  const char* cur = "abcdefgh;x";
  char buf[4];
  EXPECT_STREQ(sStrNextPlainField(buf, 4, &cur, ';'), "abc");
  EXPECT_STREQ(sStrNextPlainField(buf, 4, &cur, ';'), "x");
  // A size of 0 writes nothing but still moves on.
  cur = "ab;cd";
  char guard = 'G';
  sStrNextPlainField(&guard, 0, &cur, ';');
  EXPECT_EQ(guard, 'G');
  EXPECT_STREQ(cur, "cd");
  char* mutableCur = nullptr;
  EXPECT_STREQ(sStrNextPlainField(buf, 4, &mutableCur, ';'), "");
}

TEST(QuotedField, QuotesBlanksAndTabs) {
  const char* cur = "  \"x,y\" junk ,\tz \t, w ,";
  char buf[16];
  EXPECT_STREQ(sStrNextQuotedField(buf, 16, &cur, ','), "x,y");
  EXPECT_STREQ(sStrNextQuotedField(buf, 16, &cur, ','), "z");
  EXPECT_STREQ(sStrNextQuotedField(buf, 16, &cur, ','), "w");
  EXPECT_STREQ(sStrNextQuotedField(buf, 16, &cur, ','), "");
  EXPECT_EQ(cur, nullptr);
}

TEST(QuotedField, QuotedFieldAtTheEndLeavesTheCursorOnTheTerminator) {
  const char* cur = "\"abc\"";
  char buf[16];
  EXPECT_STREQ(sStrNextQuotedField(buf, 16, &cur, ','), "abc");
  ASSERT_NE(cur, nullptr);
  EXPECT_EQ(*cur, '\0');
  sStrNextQuotedField(buf, 16, &cur, ',');
  EXPECT_EQ(cur, nullptr);
}

TEST(QuotedField, CutQuotedFieldSkipsToItsClosingQuote) {
  const char* cur = "\"abc,def\",next";
  char buf[3];
  EXPECT_STREQ(sStrNextQuotedField(buf, 3, &cur, ','), "ab");
  EXPECT_STREQ(sStrNextQuotedField(buf, 3, &cur, ','), "ne");
}

TEST(QuotedField, LoneQuoteAfterTabStaysOneQuote) {
  const char* cur = "\t\"";
  char buf[8];
  EXPECT_STREQ(sStrNextQuotedField(buf, 8, &cur, ','), "\"");
  // A tab then a quoted text: the tab goes, then the quotes.
  cur = "\t\"ab\" ";
  EXPECT_STREQ(sStrNextQuotedField(buf, 8, &cur, ','), "ab");
}

TEST(QuotedField, TabSeparatorKeepsTabsInsideFields) {
  const char* cur = "a \t\tb";
  char buf[8];
  EXPECT_STREQ(sStrNextQuotedField(buf, 8, &cur, '\t'), "a");
  EXPECT_STREQ(sStrNextQuotedField(buf, 8, &cur, '\t'), "");
  EXPECT_STREQ(sStrNextQuotedField(buf, 8, &cur, '\t'), "b");
  // Trailing cut keeps at least the first character.
  cur = "\t  ";
  EXPECT_STREQ(sStrNextQuotedField(buf, 8, &cur, ','), " ");
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
  char buf[8];
  EXPECT_TRUE(boStrGetField("A,B", ',', 1, buf, 8));
  EXPECT_STREQ(buf, "B");
  EXPECT_FALSE(boStrGetField("A,B", ',', 2, buf, 8));
  EXPECT_STREQ(buf, "");
  strcpy(buf, "keep");
  EXPECT_TRUE(boStrGetField("A,B", ',', -1, buf, 8));
  EXPECT_STREQ(buf, "keep");
  EXPECT_FALSE(boStrGetField("", ',', 0, buf, 8));
  EXPECT_TRUE(boStrGetField("A,", ',', 0, buf, 8));
  EXPECT_FALSE(boStrGetField("A,", ',', 1, buf, 8));
  EXPECT_TRUE(boStrGetField("A,,", ',', 1, buf, 8));
  EXPECT_STREQ(buf, "");
  EXPECT_FALSE(boStrGetField("A,,", ',', 2, buf, 8));
  EXPECT_FALSE(boStrGetField(nullptr, ',', 0, buf, 8));
  char guard = 'G';
  EXPECT_TRUE(boStrGetField("A,B", ',', 1, &guard, 0));
  EXPECT_EQ(guard, 'G');
}

TEST(GetField, FindAndTempFields) {
  int index = -1;
  EXPECT_TRUE(boStrFindField("x, y ,\"z\"", ',', "z", &index));
  EXPECT_EQ(index, 2);
  EXPECT_TRUE(boStrFindField("x, y ,\"z\"", ',', "y", &index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(boStrFindField("x,y", ',', "Y", &index));
  EXPECT_EQ(index, 0);
  EXPECT_STREQ(sStrGetFieldTemp("a|b|c", '|', 2), "c");
  EXPECT_STREQ(sStrGetFieldTemp("a|b|c", '|', 3), "");
  EXPECT_STREQ(sStrGetFieldTemp("a|b|c", '|', -1), "");
  std::string longField(3000, 'q');
  EXPECT_EQ(strlen(sStrGetFieldTemp(longField.c_str(), '|', 0)), 1999u);
}

TEST(CsvField, DoubledQuotesAndEscapes) {
  const char* cur = "\"a\"\"b\",  c d  ,\"x\\\"y\", e\"f,";
  char buf[16];
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 16));
  EXPECT_STREQ(buf, "a\"b");
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 16));
  EXPECT_STREQ(buf, "c d");
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 16));
  EXPECT_STREQ(buf, "x\"y");
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 16));
  EXPECT_STREQ(buf, "e\"f");
  EXPECT_FALSE(boStrGetCsvField(&cur, ',', buf, 16));
}

TEST(CsvField, EmptyFieldsAndNothingLeft) {
  const char* cur = "a,,b";
  char buf[8];
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 8));
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 8));
  EXPECT_STREQ(buf, "");
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 8));
  EXPECT_STREQ(buf, "b");
  strcpy(buf, "keep");
  EXPECT_FALSE(boStrGetCsvField(&cur, ',', buf, 8));
  EXPECT_STREQ(buf, "keep");
  const char* none = nullptr;
  EXPECT_FALSE(boStrGetCsvField(&none, ',', buf, 8));
  cur = "a";
  EXPECT_FALSE(boStrGetCsvField(&cur, ',', buf, 0));
}

TEST(CsvField, FullBufferSkipsTheRestOfAQuotedField) {
  const char* cur = "\"abc,def\",z";
  char buf[4];
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 4));
  EXPECT_STREQ(buf, "abc");
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 4));
  EXPECT_STREQ(buf, "z");
  cur = "abcdef,z";
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 4));
  EXPECT_STREQ(buf, "abc");
  ASSERT_TRUE(boStrGetCsvField(&cur, ',', buf, 4));
  EXPECT_STREQ(buf, "z");
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
  const char* cur = nullptr;
  char buf[3];
  EXPECT_STREQ(sStrNextToken("abcdef gh", &cur, buf, 3), "ab");
  EXPECT_STREQ(cur, " gh");
  EXPECT_STREQ(sStrNextToken("\"a b c d\" e", &cur, buf, 3), "a ");
  EXPECT_STREQ(cur, " e");
  EXPECT_STREQ(sStrNextToken("\"open", &cur, buf, 3), "op");
  EXPECT_STREQ(cur, "");
}

}  // namespace
