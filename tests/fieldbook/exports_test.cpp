// The module's exported symbols: exactly its functions, nothing else (no
// helper, no library code, no runtime symbol), declared in fieldbook/api.h
// and listed in fieldbook/exports.txt (shared with the Windows DLL's check;
// one name a line, '#' starts a comment). Their BOOL results are read as a
// host reads them: 32 bits through the loaded library.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "fb_module.h"

namespace {

#define KVX_EXPORTS_LIST KVX_SOURCE_DIR "/fieldbook/exports.txt"
#define KVX_API_HEADER KVX_SOURCE_DIR "/fieldbook/api.h"

std::set<std::string> ListedExports() {
  std::set<std::string> names;
  std::ifstream in(KVX_EXPORTS_LIST);
  EXPECT_TRUE(in.good()) << KVX_EXPORTS_LIST;
  std::string line;
  while (std::getline(in, line)) {
    size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    size_t end = line.find_last_not_of(" \t\r");
    names.insert(line.substr(start, end - start + 1));
  }
  return names;
}

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

// name -> return type of every KVX_API declaration in api.h.
std::map<std::string, std::string> DeclaredExports() {
  std::map<std::string, std::string> decls;
  std::ifstream in(KVX_API_HEADER);
  EXPECT_TRUE(in.good()) << KVX_API_HEADER;
  static const std::regex decl(R"(^KVX_API\s+(.*?)\s*\b(\w+)\s*\()");
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, decl)) decls[m[2]] = m[1];
  }
  return decls;
}

}  // namespace

TEST(Exports, HeaderAndListAgreeAndBoResultsAre32Bit) {
  std::map<std::string, std::string> declared = DeclaredExports();
  std::set<std::string> names;
  for (const auto& [name, type] : declared) {
    names.insert(name);
    bool boOk = name.rfind("bo", 0) != 0 || type == "BOOL" || type == "int32_t";
    EXPECT_TRUE(boOk) << name << " returns " << type;
  }
  EXPECT_EQ(names, ListedExports());
}

TEST(Exports, ExactlyTheModulesFunctions) {
  std::set<std::string> expected = ListedExports();
  std::set<std::string> actual = DefinedDynamicSymbols(KVX_LIB_DIR "/libkvxfbio.so");
  EXPECT_GE(expected.size(), 56u);
  for (const std::string& name : expected) EXPECT_TRUE(actual.count(name)) << "not exported: " << name;
  for (const std::string& name : actual) EXPECT_TRUE(expected.count(name)) << "exported, but should not be: " << name;
}

// Every bo export on a path that gives false and one that gives true, each
// called as returning a 32-bit int: the whole register is 0 or 1.
template <typename... A>
int32_t Bo(const char* name, A... args) {
  return reinterpret_cast<int32_t (*)(A...)>(pFbSymbol(name))(args...);
}

TEST_F(FieldBook, BoResultsAreZeroOrOneIn32Bits) {
  PoPoint* set = FB(KvxMboNewPoint)("1");
  PoPoint* bare = FB(KvxMboNewPoint)("2");
  FB(vMboSetPointXY)(set, 1.0, 2.0);
  FB(vMboSetPointZ)(set, 3.0);
  LiLine* line = FB(KvxMboNewLine)("L");
  LiElm* named = FB(KvxMboAddLineElm)(line, "1");
  LiElm* unnamed = FB(KvxMboAddLineElm)(line, (const char*)nullptr);
  FB(vMboSetElmXY)(line, named, 1.0, 2.0);
  FB(vMboSetElmZ)(line, named, 3.0);
  void* st = FB(pMboAddSt)(1);
  void* obs = FB(pMboAddObs)(1, st);
  char buf[64];
  double d;
  struct Case {
    const char* name;
    int32_t falseResult, trueResult;
  } cases[] = {
      {"boMboGetPointXY", Bo("boMboGetPointXY", bare, &d, &d), Bo("boMboGetPointXY", set, &d, &d)},
      {"boMboGetPointZ", Bo("boMboGetPointZ", bare, &d), Bo("boMboGetPointZ", set, &d)},
      {"boMboGetPointXYprecalc", Bo("boMboGetPointXYprecalc", set), Bo("boMboGetPointXYprecalc", bare)},
      {"boMboGetPointZprecalc", Bo("boMboGetPointZprecalc", set), Bo("boMboGetPointZprecalc", bare)},
      {"boMboGetElmPID", Bo("boMboGetElmPID", line, unnamed, buf, 64), Bo("boMboGetElmPID", line, named, buf, 64)},
      {"boMboGetElmXY", Bo("boMboGetElmXY", line, unnamed, &d, &d), Bo("boMboGetElmXY", line, named, &d, &d)},
      {"boMboGetElmZ", Bo("boMboGetElmZ", line, unnamed, &d), Bo("boMboGetElmZ", line, named, &d)},
      {"boMboSetStAttr", Bo("boMboSetStAttr", 1, st, 999, "x"), Bo("boMboSetStAttr", 1, st, 1, "S1")},
      {"boMboGetStAttr", Bo("boMboGetStAttr", 1, st, 999, buf, 64), Bo("boMboGetStAttr", 1, st, 1, buf, 64)},
      {"boMboSetObsAttr", Bo("boMboSetObsAttr", 1, st, obs, 999, "x"), Bo("boMboSetObsAttr", 1, st, obs, 1, "P")},
      {"boMboGetObsAttr", Bo("boMboGetObsAttr", 1, st, obs, 999, buf, 64),
       Bo("boMboGetObsAttr", 1, st, obs, 1, buf, 64)},
      {"boMboSetProjectAttr", Bo("boMboSetProjectAttr", "NOKEY", "x"), Bo("boMboSetProjectAttr", "SIGN", "ab")},
      {"boMboGetProjectAttr", Bo("boMboGetProjectAttr", "NOKEY", buf, 64), Bo("boMboGetProjectAttr", "SIGN", buf, 64)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.falseResult, 0) << c.name;
    EXPECT_EQ(c.trueResult, 1) << c.name;
  }
}
