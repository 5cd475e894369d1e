// The module's life through the loaded library: init, finish, the container
// and field-set getters, and the entry point called on load.
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "fb_module.h"
#include "kvxtest_module.h"

namespace {

// The module's container getters, in one place.
struct Getters {
  void* points = FB(pKvxMboPoPointsGet)();
  void* lines = FB(pKvxMboLiLinesGet)();
  void* polygons = FB(pKvxMboYgPolygonsGet)();
  void* nets = FB(pKvxMboTrNetsGet)();
  void* pFields = FB(pKvxMboPFieldsGet)();
  void* lFields = FB(pKvxMboLFieldsGet)();
  void* yFields = FB(pKvxMboYFieldsGet)();
  void* nFields = FB(pKvxMboNFieldsGet)();
  bool boAllNull() const {
    return !points && !lines && !polygons && !nets && !pFields && !lFields && !yFields && !nFields;
  }
  bool boAllSet() const { return points && lines && polygons && nets && pFields && lFields && yFields && nFields; }
};

}  // namespace

TEST(Lifecycle, GettersAreNullBeforeInitAndAfterFinish) {
  EXPECT_TRUE(Getters().boAllNull());
  FB(vKvxMboFinish)();  // finish before init does nothing
  EXPECT_TRUE(Getters().boAllNull());
  MboHostRec host = FbHostRec();
  FB(vKvxMboInit)(&host);
  Getters g;
  EXPECT_TRUE(g.boAllSet());
  EXPECT_EQ(g.pFields, pViPFieldsGet(static_cast<PoPoints*>(g.points)));
  EXPECT_EQ(g.lFields, pViLFieldsGet(static_cast<LiLines*>(g.lines)));
  EXPECT_EQ(g.yFields, pViYFieldsGet(static_cast<YgPolygons*>(g.polygons)));
  EXPECT_EQ(g.nFields, pViNFieldsGet(static_cast<TrNets*>(g.nets)));
  FB(vKvxMboFinish)();
  EXPECT_TRUE(Getters().boAllNull());
  FB(vKvxMboFinish)();  // twice is safe
  EXPECT_TRUE(Getters().boAllNull());
  EXPECT_EQ(FB(pMboAddSt)(1), nullptr);
  FB(vKvxMboInit)(nullptr);  // without a host record the field book is still made
  EXPECT_TRUE(Getters().boAllSet());
  FB(vKvxMboFinish)();
}

TEST(Lifecycle, InitWritesTheHostSlotsPointLinePolygon) {
  MboHostRec host = FbHostRec();
  memset(host.sUnused, 'u', sizeof host.sUnused);
  MboHostRec before = host;
  FB(vKvxMboInit)(&host);
  EXPECT_EQ(host.uPointsOut, reinterpret_cast<uintptr_t>(FB(pKvxMboPoPointsGet)()));
  EXPECT_EQ(host.uLinesOut, reinterpret_cast<uintptr_t>(FB(pKvxMboLiLinesGet)()));
  EXPECT_EQ(host.uPolygonsOut, reinterpret_cast<uintptr_t>(FB(pKvxMboYgPolygonsGet)()));
  // Each slot holds the container of its kind.
  PoPoint* p = FB(KvxMboNewPoint)("P");
  LiLine* l = FB(KvxMboNewLine)("L");
  YgPolygon* y = FB(KvxMboNewPolygon)("Y");
  EXPECT_EQ(PoPointsGetFirst(reinterpret_cast<PoPoints*>(host.uPointsOut)), p);
  EXPECT_EQ(LiLinesGetFirst(reinterpret_cast<LiLines*>(host.uLinesOut)), l);
  EXPECT_EQ(YgPolygonsGetFirst(reinterpret_cast<YgPolygons*>(host.uPolygonsOut)), y);
  // Nothing else of the record is written.
  EXPECT_EQ(memcmp(&host, &before, offsetof(MboHostRec, uPointsOut)), 0);
  FB(vKvxMboFinish)();
}

TEST(Lifecycle, InitTwiceStartsAnEmptyFieldBookWithoutLeaking) {
  MboHostRec host = FbHostRec();
  FB(vKvxMboInit)(&host);
  FB(KvxMboNewPoint)("P");
  LiLine* line = FB(KvxMboNewLine)("L");
  FB(KvxMboAddLineElm)(line, "P");
  FB(pMboAddObs)(1, FB(pMboAddSt)(1));
  FB(boMboSetProjectAttr)("SIGN", "AB");
  FB(vKvxMboInit)(&host);  // no finish in between: the old one is freed
  PoPoints* points = FB(pKvxMboPoPointsGet)();
  ASSERT_NE(points, nullptr);
  EXPECT_EQ(host.uPointsOut, reinterpret_cast<uintptr_t>(points));
  EXPECT_EQ(iPoPointsGetCount(points), 0);
  EXPECT_EQ(LiLinesGetFirst(FB(pKvxMboLiLinesGet)()), nullptr);
  EXPECT_EQ(FB(pMboGetNextSt)(1, nullptr), nullptr);
  char sign[11] = "x";
  EXPECT_TRUE(FB(boMboGetProjectAttr)("SIGN", sign, sizeof sign));
  EXPECT_STREQ(sign, "");
  FB(KvxMboNewPoint)("Q");
  FB(vKvxMboFinish)();
  FB(vKvxMboFinish)();
}

TEST(Lifecycle, HelpPathAndVersionCallsAreSafeAnyTime) {
  // Before init they make no field book; after it they leave it as it was.
  FB(vKvxMboInitCoSysVer)(77);
  FB(vKvxMboSetOwnerHelpFilePath)(nullptr);
  FB(vKvxMboSetOwnerHelpFilePath)(std::string(400, 'h').c_str());
  EXPECT_EQ(FB(pKvxMboPoPointsGet)(), nullptr);
  MboHostRec host = FbHostRec();
  FB(vKvxMboInit)(&host);
  PoPoint* p = FB(KvxMboNewPoint)("P1");
  FB(vKvxMboInitCoSysVer)(77);
  FB(vKvxMboSetOwnerHelpFilePath)("C:\\Help\\own.chm");
  EXPECT_EQ(PoPointsGetFirst(FB(pKvxMboPoPointsGet)()), p);
  EXPECT_STREQ(FB(sMboGetPointPID)(p), "P1");
  FB(vKvxMboFinish)();
  EXPECT_EQ(FB(pKvxMboPoPointsGet)(), nullptr);
}

TEST(Lifecycle, TheLayerCallsTheEntryPointWhenTheModuleLoads) {
  ASSERT_NE(pFbModule(), nullptr);
  // One of the attached modules lies inside the loaded library.
  void* anyExport = dlsym(pFbModule(), "vKvxMboInit");
  Dl_info lib{};
  ASSERT_TRUE(dladdr(anyExport, &lib));
  HINSTANCE found = nullptr;
  for (int i = 0; i < KvxTestModuleCount(); ++i) {
    Dl_info info{};
    HINSTANCE instance = KvxTestModuleInstance(i);
    if (dladdr(instance, &info) && info.dli_fbase == lib.dli_fbase) found = instance;
  }
  ASSERT_NE(found, nullptr);
  KvxDllMainFn entry = KvxPlatformModuleEntry(found);
  ASSERT_NE(entry, nullptr);
  Dl_info entryInfo{};
  ASSERT_TRUE(dladdr(reinterpret_cast<void*>(entry), &entryInfo));
  EXPECT_EQ(entryInfo.dli_fbase, lib.dli_fbase);
  // It answers TRUE to every reason.
  for (DWORD reason : {DLL_THREAD_ATTACH, DLL_THREAD_DETACH, DLL_PROCESS_ATTACH})
    EXPECT_TRUE(entry(found, reason, nullptr));
}
