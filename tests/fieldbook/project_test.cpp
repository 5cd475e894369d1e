// Project attributes through the loaded module.
#include <string>

#include "fb_module.h"
#include "kvxlib.h"

namespace {

std::string sGet(const char* key, bool* ok = nullptr) {
  char buf[400] = "junk";
  bool got = FB(boMboGetProjectAttr)(key, buf, sizeof buf);
  if (ok) *ok = got;
  return buf;
}

}  // namespace

using ProjectAttrs = FieldBook;

TEST_F(ProjectAttrs, EveryKeyKeepsAtMostItsWidth) {
  struct {
    const char* key;
    size_t width;
  } keys[] = {{"PROJECT", 256}, {"PROJECTDESCR", 40}, {"SIGN", 10},      {"INKAOMRSIGN", 6},
              {"INKASONE", 2},  {"KEYATTRIBUTE", 40}, {"TERVERSION", 50}};
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += static_cast<char>('a' + i % 26);
  for (const auto& k : keys) {
    bool ok = false;
    EXPECT_EQ(sGet(k.key, &ok), "") << k.key;  // cleared by init
    EXPECT_TRUE(ok);
    EXPECT_TRUE(FB(boMboSetProjectAttr)(k.key, "v"));
    EXPECT_EQ(sGet(k.key), "v");
    EXPECT_TRUE(FB(boMboSetProjectAttr)(k.key, longText.c_str()));
    EXPECT_EQ(sGet(k.key), longText.substr(0, k.width)) << k.key;
  }
  EXPECT_TRUE(FB(boMboSetProjectAttr)("INKASONE", "12345"));
  EXPECT_EQ(sGet("INKASONE"), "12");
  // The keys are separate.
  EXPECT_EQ(sGet("SIGN"), longText.substr(0, 10));
}

TEST_F(ProjectAttrs, KeysAreExact) {
  EXPECT_TRUE(FB(boMboSetProjectAttr)("PROJECT", "P"));
  for (const char* key : {"project", "PROJECT ", static_cast<const char*>(nullptr)}) {
    bool ok = true;
    EXPECT_EQ(sGet(key, &ok), "");
    EXPECT_FALSE(ok) << (key ? key : "null");
  }
  EXPECT_FALSE(FB(boMboSetProjectAttr)("Project", "x"));
  EXPECT_FALSE(FB(boMboSetProjectAttr)(nullptr, "x"));
  EXPECT_EQ(sGet("PROJECT"), "P");
}

TEST_F(ProjectAttrs, NullTextsAndSmallBuffers) {
  EXPECT_TRUE(FB(boMboSetProjectAttr)("SIGN", "ABC"));
  EXPECT_TRUE(FB(boMboSetProjectAttr)("SIGN", nullptr));
  EXPECT_EQ(sGet("SIGN"), "");
  EXPECT_TRUE(FB(boMboSetProjectAttr)("SIGN", "ABC"));
  char buf[3] = {'x', 'x', 'x'};
  EXPECT_TRUE(FB(boMboGetProjectAttr)("SIGN", buf, 3));
  EXPECT_STREQ(buf, "AB");
  buf[0] = 'x';
  EXPECT_TRUE(FB(boMboGetProjectAttr)("SIGN", buf, 0));
  EXPECT_FALSE(FB(boMboGetProjectAttr)("NOKEY", buf, -1));
  EXPECT_EQ(buf[0], 'x');
  EXPECT_TRUE(FB(boMboGetProjectAttr)("SIGN", nullptr, 10));
}

TEST_F(ProjectAttrs, DateGoesThroughTheHostsDateForm) {
  EXPECT_TRUE(FB(boMboSetProjectAttr)("DATE", "2024.05.06"));
  const std::string expected = "2024.05.06";
  EXPECT_EQ(sGet("DATE"), expected);
  // A day-first date comes back in the host's year-first form.
  EXPECT_TRUE(FB(boMboSetProjectAttr)("DATE", "06-05-2024"));
  EXPECT_EQ(sGet("DATE"), expected);
  // Ten characters are kept: what follows a full date is cut away.
  EXPECT_TRUE(FB(boMboSetProjectAttr)("DATE", "2024.05.06 and more"));
  EXPECT_EQ(sGet("DATE"), expected);
  // A date the host cannot read: empty, but still true.
  EXPECT_TRUE(FB(boMboSetProjectAttr)("DATE", "not a date"));
  bool ok = false;
  EXPECT_EQ(sGet("DATE", &ok), "");
  EXPECT_TRUE(ok);
}
