// LandXML import and export through the direct read and write, on a
// generated LandXML 1.2 file of n CgPoints (names, codes, every tenth point
// without a height; at 10^6 also 1000 lines of ten vertices and a surface of
// 10^4 points), beside `xmllint --noout` of the same file as the parser's
// floor. Reports the time per point and the heap bytes the field book keeps
// per point beyond the point's own 112 bytes of user data.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "fieldbook/api.h"
#include "fieldbook/model.h"

namespace {

std::string sDir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/kvx_bench_lxml_XXXXXX";
    return std::string(mkdtemp(tmpl) ? tmpl : "/tmp");
  }();
  return dir;
}

// The file of n points, made once per size.
const std::string& sFile(int64_t n) {
  static std::map<int64_t, std::string> files;
  auto it = files.find(n);
  if (it != files.end()) return it->second;
  std::string path = sDir() + "/points" + std::to_string(n) + ".xml";
  FILE* f = fopen(path.c_str(), "wb");
  fputs(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" "
      "version=\"1.2\">\n<Units><Metric linearUnit=\"meter\" areaUnit=\"squareMeter\" volumeUnit=\"cubicMeter\" "
      "angularUnit=\"grads\" temperatureUnit=\"celsius\" pressureUnit=\"HPA\"/></Units>\n<CgPoints>\n",
      f);
  for (int64_t i = 0; i < n; i++) {
    double north = 6600000.0 + (double)(i % 9973) * 0.731, east = 500000.0 + (double)(i % 7919) * 1.377;
    if (i % 10 == 9)
      fprintf(f, "<CgPoint name=\"%lld\" code=\"K%lld\">%.3f %.3f</CgPoint>\n", (long long)i, (long long)(i % 37),
              north, east);
    else
      fprintf(f, "<CgPoint name=\"%lld\" code=\"K%lld\">%.3f %.3f %.3f</CgPoint>\n", (long long)i, (long long)(i % 37),
              north, east, 100.0 + (double)(i % 101) * 0.25);
  }
  fputs("</CgPoints>\n", f);
  if (n >= 1000000) {
    fputs("<PlanFeatures>\n", f);
    for (int l = 0; l < 1000; l++) {
      fprintf(f, "<PlanFeature name=\"L%d\"><CoordGeom>\n", l);
      for (int v = 0; v < 9; v++)
        fprintf(f, "<Line><Start pntRef=\"%d\">%d 0</Start><End pntRef=\"%d\">%d 0</End></Line>\n", l * 10 + v, v,
                l * 10 + v + 1, v + 1);
      fputs("</CoordGeom></PlanFeature>\n", f);
    }
    fputs("</PlanFeatures>\n<Surfaces><Surface name=\"S\"><Definition surfType=\"TIN\"><Pnts>\n", f);
    for (int p = 0; p < 10000; p++) fprintf(f, "<P id=\"%d\">%d %d %.2f</P>\n", p + 1, p / 100, p % 100, p * 0.01);
    fputs("</Pnts><Faces>\n", f);
    for (int t = 0; t < 9800; t++) fprintf(f, "<F>%d %d %d</F>\n", t + 1, t + 2, t + 101);
    fputs("</Faces></Definition></Surface></Surfaces>\n", f);
  }
  fputs("</LandXML>\n", f);
  fclose(f);
  return files[n] = path;
}

MboHostRec* pHost() {
  static MboHostRec host = [] {
    MboHostRec h{};
    h.uVersion = MBO_HOST_REC_VERSION;
    snprintf(h.sIniPath, sizeof h.sIniPath, "%s/host.ini", sDir().c_str());
    return h;
  }();
  return &host;
}

size_t uHeapInUse() { return mallinfo2().uordblks; }

void vPerPoint(benchmark::State& state, int64_t n) {
  state.counters["per_point"] =
      benchmark::Counter((double)n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ReadLandXml(benchmark::State& state) {
  const int64_t n = state.range(0);
  const std::string& path = sFile(n);
  vKvxMboInit(pHost());
  size_t empty = uHeapInUse();
  double beyond = 0;
  for (auto _ : state) {
    if (!boKvxMboReadRawDirect(pHost(), 25, path.c_str())) state.SkipWithError("read failed");
    state.PauseTiming();
    int points = iMboCountPoints();
    if (points > 0) beyond = (double)(uHeapInUse() - empty) / points - (double)sizeof(MboPointData);
    state.ResumeTiming();
  }
  state.counters["beyond_user_data"] = beyond;
  vPerPoint(state, n);
  vKvxMboFinish();
}

void BM_WriteLandXml(benchmark::State& state) {
  const int64_t n = state.range(0);
  vKvxMboInit(pHost());
  boKvxMboReadRawDirect(pHost(), 25, sFile(n).c_str());
  std::string out = sDir() + "/written.xml";
  for (auto _ : state) {
    state.PauseTiming();
    remove(out.c_str());  // no overwrite question
    state.ResumeTiming();
    if (!boKvxMboWriteRawDirect(pHost(), 25, out.c_str())) state.SkipWithError("write failed");
  }
  vPerPoint(state, n);
  vKvxMboFinish();
}

void BM_XmllintNoout(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::string cmd = "xmllint --noout " + sFile(n);
  for (auto _ : state)
    if (system(cmd.c_str()) != 0) state.SkipWithError("xmllint failed");
  vPerPoint(state, n);
}

}  // namespace

BENCHMARK(BM_XmllintNoout)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadLandXml)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLandXml)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
