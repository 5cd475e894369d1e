// Extra attribute fields: which point or line they reach, and that per-object
// fields do not carry over to the next object while global ones do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/extrafields.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "line_helpers.h"

namespace {

using Texts = std::vector<std::string>;

class ExtraFields : public ::testing::Test {
 protected:
  void SetUp() override {
    vKvxMboInit(nullptr);
    vLinesReadStart();
  }
  void TearDown() override { vKvxMboFinish(); }

  // Every column of the field set as "name=value" for the object.
  static Texts Fields(ViFields* fs, const void* obj) {
    Texts out;
    for (int i = 0; i < iViFieldsGetCount(fs); i++)
      out.push_back(std::string(sViFieldsGetFieldName(fs, i)) + "=" + sViFieldsGetField(fs, obj, i));
    return out;
  }
  static PoPoint* Flushed(const char* name) {
    vFeedPoint(name);
    return pMboFindPoint(name);
  }
  static LiLine* Line(int i) {
    LiLine* l = LiLinesGetFirst(g_pMboLines);
    while (i-- > 0) l = LiLinesGetNext(g_pMboLines, l);
    return l;
  }
};

}  // namespace

TEST_F(ExtraFields, PutTrimsCutsAndReplacesByName) {
  vMboExtraPointFieldAdd("  NAME  ", " first ");
  vMboExtraPointFieldAdd("NAME", "second");
  vMboExtraPointFieldAdd(std::string(45, 'N').c_str(), std::string(70, 'v').c_str());
  vMboExtraPointFieldAdd(nullptr, "x");
  vMboExtraPointFieldAdd("EMPTY", nullptr);
  PoPoint* p = Flushed("P");
  EXPECT_EQ(Fields(pKvxMboPFieldsGet(), p),
            (Texts{"NAME=second", std::string(39, 'N') + "=" + std::string(59, 'v'), "EMPTY="}));
}

TEST_F(ExtraFields, PointFieldsReachOnlyTheNextPointGlobalOnesEveryPointWithFieldsPending) {
  vMboExtraPointFieldAddGlobal("PNAME", "kept");  // dropped only from per-point fields
  vMboExtraPointFieldAddGlobal("G", "global");
  vMboExtraPointFieldAdd("PNAME", "dropped");
  EXPECT_FALSE(boMboExtraPointFieldsPending());
  vMboExtraPointFieldAdd("G", "own");
  vMboExtraPointFieldAdd("S_FCODE", "HUS");
  PoPoint* a = Flushed("A");
  PoPoint* b = Flushed("B");  // nothing pending: no fields
  vMboExtraPointFieldAdd("X", "1");
  PoPoint* c = Flushed("C");
  ViFields* fs = pKvxMboPFieldsGet();
  EXPECT_EQ(Fields(fs, a), (Texts{"PNAME=kept", "G=own", "X="}));
  EXPECT_EQ(Fields(fs, b), (Texts{"PNAME=", "G=", "X="}));
  EXPECT_EQ(Fields(fs, c), (Texts{"PNAME=kept", "G=global", "X=1"}));
  EXPECT_STREQ(sPoPointGetField(a), "HUS");
  EXPECT_STREQ(sPoPointGetField(c), "");
}

TEST_F(ExtraFields, CodedLinesTakeLineFieldsAndTheirCode) {
  vMboLineCommand(MBO_LINE_ENABLE, "", "");
  vMboExtraLineFieldAddGlobal("OWNER", "city");
  vMboExtraLineFieldAdd("S_FCODE", "KANT");
  vMboExtraLineFieldAdd("MAT", "stone");
  for (const char* n : {"1", "2"}) {
    vMboLineSetLineNo("1");
    vFeedPoint(n);
  }
  vMboExtraLineFieldAdd("MAT", "wood");
  for (const char* n : {"3", "4"}) {
    vMboLineSetLineNo("2");
    vFeedPoint(n);
  }
  vMboLineFinish();
  ViFields* fs = pKvxMboLFieldsGet();
  EXPECT_EQ(Fields(fs, Line(0)), (Texts{"OWNER=city", "MAT=stone"}));
  EXPECT_EQ(Fields(fs, Line(1)), (Texts{"OWNER=city", "MAT=wood"}));
  EXPECT_STREQ(sLiLineGetField(Line(0)), "KANT");
  EXPECT_STREQ(sLiLineGetField(Line(1)), "");
}

TEST_F(ExtraFields, CodeDrivenLinesTakeLineFieldsWhenFinished) {
  vMboLineCommand(MBO_LINE_AUTO_OFF, "", "");
  vMboExtraLineFieldAddGlobal("OWNER", "city");
  boMboApplyControlCode(72, "", "");
  for (const char* n : {"1", "2", "3", "4"}) vFeedPoint(n);
  // The code names the line being made, not the set's current one.
  vMboExtraLineFieldAdd("S_FCODE", "VEG");
  boMboApplyControlCode(99, "", "");
  boMboApplyControlCode(91, "", "");
  for (const char* n : {"5", "6"}) vFeedPoint(n);
  boMboApplyControlCode(99, "", "");
  ViFields* fs = pKvxMboLFieldsGet();
  EXPECT_EQ(Fields(fs, Line(2)), (Texts{"OWNER=city"}));
  EXPECT_EQ((Texts{sLiLineGetField(Line(0)), sLiLineGetField(Line(1)), sLiLineGetField(Line(2))}),
            (Texts{"VEG", "", ""}));
}
