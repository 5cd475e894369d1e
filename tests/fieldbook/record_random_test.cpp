// Random record streams through the builder, compared with a plain model of
// the merge rules: a name names the first point in creation order that has
// it (also after renames), coordinates come only with both halves, codes
// stick from record to record, observations go to the current station and a
// changed set-up starts a new one.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fieldbook/levelling.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/pointindex.h"
#include "fieldbook/record.h"
#include "fieldbook/record_obs.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer.h"

namespace {

struct ModelPoint {
  std::string id;
  std::string xy;  // "x y" as stored, "" without
  std::string z;
  std::string code;
};

struct ModelStation {
  std::string name;
  std::string ih;
  std::vector<std::string> obs;  // "target/code"
};

struct Model {
  std::vector<ModelPoint> points;
  std::vector<ModelStation> stations;
  bool current = false;  // the last station takes observations

  ModelPoint& Merge(const std::string& id) {
    for (ModelPoint& p : points)
      if (p.id == id) return p;
    points.push_back({id, "", "", ""});
    return points.back();
  }
};

std::string Fmt(const char* format, double v) {
  char buf[64];
  snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::vector<ModelPoint> FieldBookPoints() {
  std::vector<ModelPoint> out;
  for (PoPoint* p = PoPointsGetFirst(g_pMboPoints); p; p = PoPointsGetNext(g_pMboPoints, p)) {
    double x, y, z;
    ModelPoint m{sMboGetPointPID(p), "", "", sMboPointGetField(p)};
    if (boMboGetPointXY(p, &x, &y)) m.xy = Fmt("%.4f", x) + " " + Fmt("%.4f", y);
    if (boMboGetPointZ(p, &z)) m.z = Fmt("%.4f", z);
    out.push_back(m);
  }
  return out;
}

std::vector<ModelStation> FieldBookStations() {
  std::vector<ModelStation> out;
  for (void* st = pMboGetNextSt(1, nullptr); st; st = pMboGetNextSt(1, st)) {
    auto* s = static_cast<MboStationTs*>(st);
    out.push_back({sMboName(&s->name), s->sInstrHeight, {}});
    for (void* o = pMboGetNextObs(1, st, nullptr); o; o = pMboGetNextObs(1, st, o)) {
      auto* obs = static_cast<MboObsTs*>(o);
      out.back().obs.push_back(std::string(sMboName(&obs->target)) + "/" + obs->sCode);
    }
  }
  return out;
}

bool operator==(const ModelPoint& a, const ModelPoint& b) {
  return a.id == b.id && a.xy == b.xy && a.z == b.z && a.code == b.code;
}
bool operator==(const ModelStation& a, const ModelStation& b) {
  return a.name == b.name && a.ih == b.ih && a.obs == b.obs;
}
void PrintTo(const ModelPoint& p, std::ostream* os) {
  *os << p.id << "[" << p.xy << "|" << p.z << "|" << p.code << "]";
}
void PrintTo(const ModelStation& s, std::ostream* os) {
  *os << s.name << "@" << s.ih << ":";
  for (const std::string& o : s.obs) *os << " " << o;
}

class RecordRandom : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { vKvxMboInit(nullptr); }
  void TearDown() override { vKvxMboFinish(); }
};

TEST_P(RecordRandom, FlushedStreamsMatchTheModel) {
  std::mt19937 rng(static_cast<unsigned>(GetParam()));
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  Model m;
  std::string code, ih, station;
  MboIndexPass pass;  // as a read runs
  for (int record = 0; record < 3000; ++record) {
    // Names from a small pool, so that merges are frequent.
    std::string name = "P" + std::to_string(pick(60));
    int kind = pick(10);
    if (pick(8) == 0) {
      code = pick(3) ? "C" + std::to_string(pick(5)) : "";
      vMboRecSetCode(code.c_str());
    }
    if (kind == 0) {
      // A renamed point: the old name is free again, the new one may be a
      // second point of an existing name (the first stays the one found).
      if (m.points.empty()) continue;
      size_t i = static_cast<size_t>(pick(static_cast<int>(m.points.size())));
      std::string to = "P" + std::to_string(pick(80));
      PoPoint* p = PoPointsGetFirst(g_pMboPoints);
      for (size_t k = 0; k < i; ++k) p = PoPointsGetNext(g_pMboPoints, p);
      vMboSetPointPID(p, to.c_str());
      m.points[i].id = to;
      continue;
    }
    if (kind <= 2) {
      // A set-up: the station point, with coordinates now and then.
      station = "S" + std::to_string(pick(4));
      vMboRecSetStationName(station.c_str());
      if (pick(2)) {
        ih = Fmt("%.1f", 1.0 + pick(3) / 10.0);
        vMboRecSetObsValue(MBO_OBS_ITEM_IH, ih.c_str());
      }
      if (pick(2)) {
        vMboRecSetCoord(MBO_REC_NORTH, "100");
        vMboRecSetCoord(MBO_REC_EAST, "200");
        m.Merge(station).xy = "200.0000 100.0000";
        m.Merge(station).code = code;
      }
      vMboFlushPending();
      continue;
    }
    vMboRecSetPointName(name.c_str());
    bool observed = kind >= 7;
    if (observed) vMboRecSetObsValue(MBO_OBS_ITEM_DIST, std::to_string(1 + pick(100)).c_str());
    double north = pick(1000) / 8.0, east = pick(1000) / 4.0, z = pick(100) / 2.0;
    bool hasNorth = pick(4) != 0, hasEast = pick(4) != 0, hasZ = pick(2) != 0;
    if (hasNorth) vMboRecSetCoord(MBO_REC_NORTH, Fmt("%.3f", north).c_str());
    if (hasEast) vMboRecSetCoord(MBO_REC_EAST, Fmt("%.3f", east).c_str());
    if (hasZ) vMboRecSetCoord(MBO_REC_Z, Fmt("%.3f", z).c_str());
    vMboFlushPending();

    ModelPoint* p = nullptr;
    if (hasNorth || hasEast || hasZ) {
      p = &m.Merge(name);
      if (hasNorth && hasEast) p->xy = Fmt("%.4f", east) + " " + Fmt("%.4f", north);
      if (hasZ) p->z = Fmt("%.4f", z);
      p->code = code;
    }
    if (observed) {
      ModelStation* cur = m.current ? &m.stations.back() : nullptr;
      if (!cur || cur->name != station || cur->ih != ih) {
        m.stations.push_back({station, ih, {}});
        m.current = true;
      }
      m.stations.back().obs.push_back(name + "/" + code);
    }
    m.Merge(name);  // every flushed name is a point afterwards
  }
  EXPECT_EQ(FieldBookPoints(), m.points);
  EXPECT_EQ(FieldBookStations(), m.stations);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RecordRandom, ::testing::Values(1, 2, 3));

// A random number-like text: signs, blanks, hexadecimal, exponents in and
// out of range, long digit strings, stray characters.
std::string RandomNumberText(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  static const char* const kPrefix[] = {"", " ", "  ", "+", " +", "-", "+-", "-+", "+ ", "\t", "0x", "-0X", "+0x", "."};
  static const char* const kTail[] = {"",      "e",  "e+", "e-3", "E12", "e308", "e999",
                                      "e-330", "x1", "p3", ".",   "inf", "abc"};
  std::string t = kPrefix[pick(14)];
  int digits = pick(4) == 0 ? 1 + pick(40) : 1 + pick(8);
  for (int i = 0; i < digits; ++i) t += static_cast<char>('0' + pick(10));
  if (pick(2)) {
    t += '.';
    for (int i = pick(12); i > 0; --i) t += static_cast<char>('0' + pick(10));
  }
  t += kTail[pick(13)];
  if (pick(20) == 0) t = pick(2) ? "nan" : "-inf";
  return t;
}

// The coordinate setter's number reading as it was before the utility
// parser took over: from_chars, else the C library.
double OldLeadingNumber(const char* text) {
  while (*text == ' ') ++text;
  if (*text == '+') ++text;
  double value = 0.0;
  std::from_chars_result r = std::from_chars(text, text + strlen(text), value);
  return r.ec == std::errc() ? value : strtod(text, nullptr);
}

TEST(RecordNumbers, CoordinatesReadAsBeforeBitForBit) {
  vKvxMboInit(nullptr);
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i) {
    std::string text = RandomNumberText(rng);
    // Every other plain decimal goes past the plain-decimal copy, so that
    // both ways are held to the old reading.
    if (i % 2 && text.find_first_not_of("+-0123456789.") == std::string::npos) text += "e0";
    vMboRecSetCoord(MBO_REC_Z, text.c_str());
    std::string want;
    double value = 0.0;
    if (boMboIsNumber(text.c_str())) {
      double v = OldLeadingNumber(text.c_str()) + 0.0;  // -0 as +0, as the offset makes it
      if (std::isfinite(v)) {
        char buf[400];
        std::to_chars_result r = std::to_chars(buf, buf + sizeof buf - 1, v, std::chars_format::fixed, 4);
        *r.ptr = '\0';
        want = buf;
        value = OldLeadingNumber(buf);
      }
    }
    ASSERT_EQ(g_mboRec.sZ, want) << text;
    ASSERT_EQ(memcmp(&g_mboRec.dZ, &value, sizeof value), 0) << text << " " << g_mboRec.dZ << " " << value;
  }
  vKvxMboFinish();
}

TEST(RecordNumbers, AnglesShortAndLongAsTheCLibraryReadsThem) {
  vKvxMboInit(nullptr);
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) {
    std::string text = RandomNumberText(rng);
    // The same number after 70 leading zeros: past the stack copy.
    size_t at = text[0] == '-' ? 1 : 0;
    std::string padded = text;
    if (text[at] >= '0' && text[at] <= '9') padded.insert(at, 70, '0');
    std::optional<double> a = dMboStodHorDir(text, false), b = dMboStodHorDir(padded, i % 2 != 0);
    std::optional<double> c = dMboStodHorDir(text, i % 2 != 0);
    char* end;
    errno = 0;
    double v = strtod(text.c_str(), &end);
    bool valid = boMboIsNumeric(text) && end != text.c_str() && errno != ERANGE && std::isfinite(v);
    ASSERT_EQ(a.has_value(), valid) << text;
    ASSERT_EQ(b.has_value(), valid && boMboIsNumeric(padded)) << padded;
    if (b && c) {
      ASSERT_EQ(memcmp(&*b, &*c, sizeof(double)), 0) << text;
    }
  }
  vKvxMboFinish();
}

// Heap bytes in use. glibc counts the blocks its per-thread cache holds as
// in use, so there a few freed blocks may show; the sanitizer's count is
// exact.
#ifdef __SANITIZE_ADDRESS__
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
size_t uHeapInUse() { return __sanitizer_get_current_allocated_bytes(); }
const size_t kCacheSlack = 0;
#else
size_t uHeapInUse() { return mallinfo2().uordblks; }
const size_t kCacheSlack = 4096;
#endif

// Init, an import's worth of every kind of record, the read's finishing
// steps, finish.
void vImportOnce() {
  vKvxMboInit(nullptr);
  {
    MboIndexPass pass;
    char name[32], value[32];
    for (int i = 0; i < 5000; ++i) {
      snprintf(name, sizeof name, "%d", i % 10 == 9 ? i / 2 : i);
      snprintf(value, sizeof value, "%d.125", i);
      if (i % 100 == 0) vMboRecSetStationName("S");
      vMboRecSetPointName(name);
      vMboRecSetCode(i % 3 ? "K" : "");
      vMboRecSetCoord(MBO_REC_NORTH, value);
      vMboRecSetCoord(MBO_REC_EAST, value);
      vMboRecSetCoord(MBO_REC_Z, value);
      if (i % 100 < 10) vMboRecSetObsValue(MBO_OBS_ITEM_DIST, value);
      vMboFlushPending();
      vMboLevSetItem(i % 2 ? MBO_LEV_SECOND_NAME : MBO_LEV_FIRST_NAME, name);
      vMboLevSetItem(i % 2 ? MBO_LEV_SECOND_READING : MBO_LEV_FIRST_READING, value);
      if (i % 50 == 0) {
        vMboRecGpsSetField(2, "BASE");
        vMboRecGpsSetField(4, name);
        vMboRecGpsSetField(8, value);
        vMboRecCoordSetField(2, name);
        vMboRecCoordSetField(8, value);
      }
    }
    vMboFlushPending();
    vMboLevFlush();
    vMboRecForgetGpsVector();
    vMboRecForgetCoordStation();
    vMboRecAverageObservations();
    EXPECT_GT(iMboCountPoints(), 4000);
    EXPECT_GT(iMboCountLevObs(), 2000);
  }
  vKvxMboFinish();
}

TEST(RecordMemory, AnImportLeavesNothingBehindAfterFinish) {
  vImportOnce();  // what the module makes once and keeps (scratch ring, locale)
  size_t before = uHeapInUse();
  for (int i = 0; i < 3; ++i) vImportOnce();
  EXPECT_LE(uHeapInUse(), before + kCacheSlack);
}

}  // namespace
