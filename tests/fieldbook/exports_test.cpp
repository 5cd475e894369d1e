// The module's exported symbols: exactly its functions, nothing else (no
// helper, no library code, no runtime symbol).
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

// Extend this list as exported functions are built.
const char* const kExported[] = {
    // lifecycle and containers
    "vKvxMboInit", "vKvxMboInitCoSysVer", "vKvxMboSetOwnerHelpFilePath", "vKvxMboFinish",
    "pKvxMboPoPointsGet", "pKvxMboLiLinesGet", "pKvxMboYgPolygonsGet", "pKvxMboTrNetsGet",
    "pKvxMboPFieldsGet", "pKvxMboLFieldsGet", "pKvxMboYFieldsGet", "pKvxMboNFieldsGet",
    // object creation
    "KvxMboNewPoint", "KvxMboNewOrExistingPoint", "KvxMboNewLine", "KvxMboAddLineElm",
    "KvxMboAddLineElmBefore", "KvxMboNewPolygon", "KvxMboAddPolygonElm", "KvxMboNewTriangleNet",
    // points and vertices
    "boMboGetPointXY", "boMboGetPointZ", "boMboGetPointXYprecalc", "boMboGetPointZprecalc",
    "boMboGetPointDetail", "vMboSetPointX", "vMboSetPointY", "vMboSetPointXY", "vMboSetPointZ",
    "vMboSetPointXYprecalc", "vMboSetPointZprecalc", "vMboSetPointDetail", "sMboGetPointPID",
    "vMboSetPointPID", "boMboGetElmPID", "boMboGetElmXY", "boMboGetElmZ", "vMboSetElmPID",
    "vMboSetElmXY", "vMboSetElmZ",
    // object identifiers
    "sMboGetLineObjID", "sMboGetPolygonObjID", "sMboGetTriangleNetObjID", "vMboSetLineObjID",
    "vMboSetPolygonObjID", "vMboSetTriangleNetObjID",
    // stations and observations
    "pMboAddSt", "pMboAddObs", "pMboGetNextSt", "pMboGetNextObs", "boMboGetStAttr",
    "boMboSetStAttr", "boMboGetObsAttr", "boMboSetObsAttr",
    // project attributes
    "boMboGetProjectAttr", "boMboSetProjectAttr",
};

std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
  std::set<std::string> names;
  std::string command = "nm -D --defined-only " + library;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[512];
  while (fgets(line, sizeof line, pipe)) {
    // "address type name"
    char address[64], type[8], name[400];
    if (sscanf(line, "%63s %7s %399s", address, type, name) == 3) names.insert(name);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

}  // namespace

TEST(Exports, ExactlyTheModulesFunctions) {
  std::set<std::string> actual = DefinedDynamicSymbols(KVX_LIB_DIR "/libkvxfbio.so");
  std::set<std::string> expected(std::begin(kExported), std::end(kExported));
  for (const std::string& name : expected) EXPECT_TRUE(actual.count(name)) << "not exported: " << name;
  for (const std::string& name : actual) EXPECT_TRUE(expected.count(name)) << "exported, but should not be: " << name;
}

// The Windows DLL's export check (scripts/windows.sh) reads the same list
// from tests/data/exports.txt: keep the two equal.
TEST(Exports, SharedListFileMatches) {
  std::set<std::string> listed;
  FILE* file = fopen(KVX_TEST_DATA "/exports.txt", "r");
  ASSERT_NE(file, nullptr);
  char line[256];
  while (fgets(line, sizeof line, file)) {
    std::string name(line);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r' || name.back() == ' ')) name.pop_back();
    if (!name.empty() && name[0] != '#') listed.insert(name);
  }
  fclose(file);
  std::set<std::string> expected(std::begin(kExported), std::end(kExported));
  EXPECT_EQ(listed, expected) << "update tests/data/exports.txt with the list above";
}
