// An import's work through the record builder: named points with codes and
// coordinates, every tenth record a repeat of an earlier name, a station
// every 100 records with observations to the next ten points; all flushed
// inside one pass, as a read runs. Reports the time per record and the heap
// bytes the field book holds per point (in total, and beyond the point's
// own 112 bytes of user data).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"

namespace {

struct BenchRecord {
  std::string name;
  std::string code;
  std::string north, east, z;
  bool station;   // a set-up record: station name and instrument height
  bool observed;  // carries a total-station observation
};

std::vector<BenchRecord> Records(int64_t n) {
  std::vector<BenchRecord> out;
  out.reserve(static_cast<size_t>(n));
  char buf[64];
  for (int64_t i = 0; i < n; ++i) {
    BenchRecord r{};
    r.station = i % 100 == 0;
    r.observed = i % 100 >= 1 && i % 100 <= 10;
    // Every tenth record names a point made earlier.
    int64_t named = i % 10 == 9 ? i / 2 : i;
    snprintf(buf, sizeof buf, r.station ? "S%lld" : "%lld", static_cast<long long>(named));
    r.name = buf;
    snprintf(buf, sizeof buf, "K%lld", static_cast<long long>(i % 37));
    r.code = buf;
    snprintf(buf, sizeof buf, "%.3f", 6600000.0 + static_cast<double>(i % 9973) * 0.731);
    r.north = buf;
    snprintf(buf, sizeof buf, "%.3f", 500000.0 + static_cast<double>(i % 7919) * 1.377);
    r.east = buf;
    snprintf(buf, sizeof buf, "%.3f", 100.0 + static_cast<double>(i % 101) * 0.25);
    r.z = buf;
    out.push_back(std::move(r));
  }
  return out;
}

void vFeed(const BenchRecord& r) {
  if (r.station) {
    vMboRecSetStationName(r.name.c_str());
    vMboRecSetObsValue(MBO_OBS_ITEM_IH, "1.550");
  } else {
    vMboRecSetPointName(r.name.c_str());
    vMboRecSetCode(r.code.c_str());
  }
  vMboRecSetCoord(MBO_REC_NORTH, r.north.c_str());
  vMboRecSetCoord(MBO_REC_EAST, r.east.c_str());
  vMboRecSetCoord(MBO_REC_Z, r.z.c_str());
  if (r.observed) {
    vMboRecSetObsValue(MBO_OBS_ITEM_HZ, "123.4567");
    vMboRecSetObsValue(MBO_OBS_ITEM_V, "99.8765");
    vMboRecSetObsValue(MBO_OBS_ITEM_DIST, "45.678");
    vMboRecSetObsValue(MBO_OBS_ITEM_TH, "1.700");
  }
  vMboFlushPending();
}

size_t uHeapInUse() { return mallinfo2().uordblks; }

void BM_FlushRecords(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::vector<BenchRecord> records = Records(n);
  double bytesPerPoint = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vKvxMboInit(nullptr);
    size_t before = uHeapInUse();
    state.ResumeTiming();
    {
      MboIndexPass pass;
      for (const BenchRecord& r : records) vFeed(r);
      state.PauseTiming();
      // Measured with the index still there: what an import holds at most.
      int points = iMboCountPoints();
      if (points > 0) bytesPerPoint = static_cast<double>(uHeapInUse() - before) / points;
      state.ResumeTiming();
    }
    state.PauseTiming();
    vKvxMboFinish();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["per_record"] = benchmark::Counter(
      static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bytes_per_point"] = bytesPerPoint;
  state.counters["beyond_user_data"] = bytesPerPoint - static_cast<double>(sizeof(MboPointData));
}

}  // namespace

BENCHMARK(BM_FlushRecords)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
