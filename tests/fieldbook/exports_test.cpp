// The module's exported symbols: exactly its functions, nothing else (no
// helper, no library code, no runtime symbol). The list is shared with the
// Windows DLL's check: tests/data/exports.txt, one name a line, '#' starts
// a comment; extend it as exported functions are built.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

namespace {

std::set<std::string> ListedExports() {
  std::set<std::string> names;
  std::ifstream in(KVX_TEST_DATA "/exports.txt");
  EXPECT_TRUE(in.good()) << KVX_TEST_DATA "/exports.txt";
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

}  // namespace

TEST(Exports, ExactlyTheModulesFunctions) {
  std::set<std::string> expected = ListedExports();
  std::set<std::string> actual = DefinedDynamicSymbols(KVX_LIB_DIR "/libkvxfbio.so");
  EXPECT_GE(expected.size(), 56u);
  for (const std::string& name : expected) EXPECT_TRUE(actual.count(name)) << "not exported: " << name;
  for (const std::string& name : actual) EXPECT_TRUE(expected.count(name)) << "exported, but should not be: " << name;
}
