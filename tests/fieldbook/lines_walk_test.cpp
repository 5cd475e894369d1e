// A long random stream of coded records through the record builder, first
// with coded lines by line number (several lines open at once, station
// records in between), then with code-driven sets: every code run must give
// exactly one line holding exactly its points in order, checked by walking
// the field book against a simple model.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fieldbook/codedlines.h"
#include "fieldbook/codelines.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/record.h"
#include "line_helpers.h"

namespace {

struct CodeRun {
  std::string id;
  std::string code;
  std::vector<std::string> points;
};

std::string sExpected(const CodeRun& run) {
  std::string s = run.id + "|" + run.code + "|:";
  for (const std::string& p : run.points) s += " " + p;
  return s;
}

// Coded lines: points go to one of up to four open runs by line number.
void vCodedPhase(std::mt19937& rng, std::vector<CodeRun>& runs, int& points) {
  std::vector<size_t> open;
  for (int i = 0; i < 300; i++) {
    // A new run takes its first point at once: lines are made in the order
    // of their first points.
    size_t slot;
    if (open.empty() || (open.size() < 4 && rng() % 8 == 0)) {
      std::string no = std::to_string(runs.size() + 1);
      runs.push_back({no, "C" + no, {}});
      open.push_back(runs.size() - 1);
      slot = open.size() - 1;
    } else {
      slot = rng() % open.size();
    }
    CodeRun& run = runs[open[slot]];
    std::string name = "P" + std::to_string(++points);
    vMboLineSetLineNo(run.id.c_str());
    vFeedPoint(name.c_str(), run.code.c_str(), rng() % 1000, rng() % 1000, rng() % 100);
    run.points.push_back(name);
    if (rng() % 7 == 0) open.erase(open.begin() + slot);
    if (rng() % 9 == 0) {
      vMboRecSetStationName(("S" + std::to_string(i)).c_str());
      vMboRecSetCoord(MBO_REC_NORTH, "1");
      vMboRecSetCoord(MBO_REC_EAST, "2");
      vMboFlushPending();
    }
  }
}

// Code-driven sets: one, cyclic or back-and-forth lines filled in turn.
void vCodePhase(std::mt19937& rng, std::vector<CodeRun>& runs, int& points) {
  for (int set = 0; set < 30; set++) {
    static const int codes[] = {91, 72, 73, 74, 82, 83, 84};
    int code = codes[rng() % 7];
    int count = code == 91 ? 1 : code % 10;
    bool back = code >= 82;
    std::string name = "K" + std::to_string(set);
    boMboApplyControlCode(code, name.c_str(), "");
    std::vector<CodeRun> lines(count, CodeRun{"", name, {}});
    int n = rng() % 10, index = 0, step = 1;
    for (int i = 0; i < n; i++) {
      std::string pid = "Q" + std::to_string(++points);
      vFeedPoint(pid.c_str());
      lines[index].points.push_back(pid);
      // The model of the fill order: 0, 1, 2, 0 or 0, 1, 2, 2, 1, 0.
      if (!back) {
        index = (index + 1) % count;
      } else if (index + step < 0 || index + step >= count) {
        step = -step;
      } else {
        index += step;
      }
    }
    if (rng() % 2) boMboApplyControlCode(99, "", "");
    for (const CodeRun& line : lines)
      if (!line.points.empty()) runs.push_back(line);
  }
}

}  // namespace

TEST(LineWalk, EveryCodeRunGivesOneLineWithAllItsPoints) {
  for (unsigned seed = 1; seed <= 10; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    vKvxMboInit(nullptr);
    vLinesReadStart();
    vMboLineCommand(MBO_LINE_ENABLE, "", "");
    std::mt19937 rng(seed);
    std::vector<CodeRun> runs;
    int points = 0;
    vCodedPhase(rng, runs, points);
    vMboLineCommand(MBO_LINE_AUTO_OFF, "", "");
    vCodePhase(rng, runs, points);
    vLinesReadEnd();

    std::vector<std::string> want;
    int vertices = 0;
    for (const CodeRun& run : runs)
      if (run.points.size() >= 2) {
        want.push_back(sExpected(run));
        vertices += static_cast<int>(run.points.size());
      }
    EXPECT_EQ(DumpLines(), want);
    EXPECT_EQ(iMboCountLineVertices(), vertices);
    vKvxMboFinish();
  }
}
