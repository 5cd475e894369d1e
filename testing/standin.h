// What the stand-in for outside programs (tests/programs/standin.cpp) wrote
// to its KVX_STANDIN_LOG file: the arguments of every run so far, one list
// per run.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace kvxtest {

inline std::vector<std::vector<std::string>> StandinRuns(const std::string& logPath) {
  std::ifstream in(logPath);
  std::vector<std::vector<std::string>> runs(1);
  for (std::string line; std::getline(in, line);)
    if (line == "--")
      runs.emplace_back();
    else
      runs.back().push_back(line);
  runs.pop_back();
  return runs;
}

}  // namespace kvxtest
