// Creating and merging named points, as a large import does: the cost per
// point must not grow with the size of the field book.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"

namespace {

// Point names as a field book has them: a run of numbers in an area.
// pattern: a printf format with one %lld.
std::vector<std::string> Names(int64_t n, const char* pattern = "JOB.A.%lld") {
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(n));
  char buf[48];
  for (int64_t i = 0; i < n; ++i) {
    snprintf(buf, sizeof buf, pattern, static_cast<long long>(i));
    names.emplace_back(buf);
  }
  return names;
}

void vReportPerPoint(benchmark::State& state, int64_t pointsPerIteration) {
  state.SetItemsProcessed(state.iterations() * pointsPerIteration);
  // Seconds per point, shown in the table as ns/us per point.
  state.counters["per_point"] =
      benchmark::Counter(static_cast<double>(pointsPerIteration),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Runs fill(names) on an empty field book in every iteration, inside one
// pass of the module's own, as an import runs; init and finish untimed.
template <typename Fill>
void vTimeFreshFieldBook(benchmark::State& state, Fill fill, const char* pattern = "JOB.A.%lld") {
  std::vector<std::string> names = Names(state.range(0), pattern);
  for (auto _ : state) {
    state.PauseTiming();
    vKvxMboInit(nullptr);
    state.ResumeTiming();
    {
      MboIndexPass pass;
      fill(names);
    }
    state.PauseTiming();
    vKvxMboFinish();
    state.ResumeTiming();
  }
  vReportPerPoint(state, state.range(0));
}

// The baseline: N new named points without any look-up (the geometry
// library's own cost of making a point).
void BM_NewPointsWithoutLookup(benchmark::State& state) {
  vTimeFreshFieldBook(state, [](const std::vector<std::string>& names) {
    for (const std::string& name : names) benchmark::DoNotOptimize(KvxMboNewPoint(name.c_str()));
  });
}

// N new points, each name looked up first (all misses).
void BM_CreateNamedPoints(benchmark::State& state) {
  vTimeFreshFieldBook(state, [](const std::vector<std::string>& names) {
    for (const std::string& name : names) benchmark::DoNotOptimize(KvxMboNewOrExistingPoint(name.c_str()));
  });
}

// The same with names that do not end in their number: the index cannot
// keep a run of them together, every look-up lands at random in the table,
// and at large N the cost is mostly the memory's latency.
void BM_CreateUnnumberedNames(benchmark::State& state) {
  vTimeFreshFieldBook(
      state,
      [](const std::vector<std::string>& names) {
        for (const std::string& name : names) benchmark::DoNotOptimize(KvxMboNewOrExistingPoint(name.c_str()));
      },
      "P%lldX");
}

// N names merged into a field book that already holds them (all hits).
void BM_MergeNamedPoints(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::vector<std::string> names = Names(n);
  vKvxMboInit(nullptr);
  {
    MboIndexPass pass;
    for (const std::string& name : names) KvxMboNewOrExistingPoint(name.c_str());
    for (auto _ : state)
      for (const std::string& name : names) benchmark::DoNotOptimize(KvxMboNewOrExistingPoint(name.c_str()));
  }
  vKvxMboFinish();
  vReportPerPoint(state, n);
}

// An import's pattern: every record merges its point name twice, and now
// and then a point is renamed into another area (the number stays last, as
// when the point-ID post-pass moves the parts of an ID).
void BM_ImportPattern(benchmark::State& state) {
  vTimeFreshFieldBook(state, [](const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
      PoPoint* p = KvxMboNewOrExistingPoint(names[i].c_str());
      benchmark::DoNotOptimize(KvxMboNewOrExistingPoint(names[i].c_str()));
      if (i % 16 == 0) vMboSetPointPID(p, ("JOB.R." + std::to_string(i)).c_str());
    }
  });
}

}  // namespace

BENCHMARK(BM_NewPointsWithoutLookup)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateNamedPoints)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateUnnumberedNames)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeNamedPoints)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPattern)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
