// Coordinate systems, height systems, reference systems, geoid models and
// the user's angle conventions. Definitions come from the set-up interface;
// the registry below holds them for the life of the process.
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "kv2cosys.h"
#include "kv2cosys_setup.h"
#include "win32.h"

namespace {

const double kPi = 3.14159265358979323846;
const double kGrs80A = 6378137.0;
const double kGrs80InvF = 298.257222101;

struct CsDef {
  std::string name, datumId, projectionName;
  int epsg = 0;
  double a = kGrs80A, invF = kGrs80InvF;
  double lat0 = 0, lon0 = 0, k0 = 1;
  double fe = 0, fn = 0, dz = 0;
  int angleSystem = COSYS_ANG_GON;
  bool mathHorizontal = false;
  bool projected = false;
};

struct VerDef {
  std::string name, datumId;
};

struct RefSysDef {
  std::string hor, ver, geoide;
  uint64_t cs = 0;
};

struct GeoideDef {
  std::string path;  // empty: constant
  double constant = 0;
};

struct Grid {
  bool geo = false;
  double x0 = 0, y0 = 0, dx = 1, dy = 1;
  int nx = 0, ny = 0;
  double def = 0;
  std::vector<double> v;  // NaN: no value
};

struct RefSysObj {
  uint64_t id = 0;
  bool read = false;
  RefSysDef def;
};

struct GeoideObj {
  std::string id;
  bool read = false;
  Grid grid;
};

std::mutex g_mutex;
CsDef g_default;
std::map<uint64_t, CsDef> g_systems;
std::map<uint64_t, VerDef> g_vers;
std::map<uint64_t, RefSysDef> g_refSysDefs;
std::map<std::string, GeoideDef> g_geoideDefs;
std::map<uint64_t, RefSysObj> g_refSysObjs;
std::map<uint64_t, GeoideObj> g_geoideObjs;
std::map<std::string, Grid> g_modelCache;  // models looked up by name
uint64_t g_nextHandle = 0x1000;

// Callers hold g_mutex.
const CsDef& csGet(uint64_t cs) {
  auto it = g_systems.find(cs);
  return it == g_systems.end() ? g_default : it->second;
}

// Numbers of the grid files: from_chars knows no locale.
bool boParseDouble(const char* s, double* v, const char** end) {
  const char* last = s + strlen(s);
  if (*s == '+') s++;
  auto r = std::from_chars(s, last, *v);
  if (r.ec != std::errc()) return false;
  *end = r.ptr;
  return true;
}

// ---- Angles ----
double dNorm2Pi(double a) {
  a = std::fmod(a, 2 * kPi);
  if (a < 0) a += 2 * kPi;
  if (a >= 2 * kPi) a = 0;
  return a;
}

double dDmsToDeg(double v) {
  double sign = v < 0 ? -1 : 1;
  double a = std::fabs(v);
  double d = std::floor(a + 1e-12);
  double rest = (a - d) * 100;
  double m = std::floor(rest + 1e-9);
  double s = (rest - m) * 100;
  return sign * (d + m / 60 + s / 3600);
}

double dDegToDms(double v) {
  double sign = v < 0 ? -1 : 1;
  double a = std::fabs(v);
  double d = std::floor(a);
  double mf = (a - d) * 60;
  double m = std::floor(mf);
  double s = (mf - m) * 60;
  if (s >= 60 - 1e-9) {
    s = 0;
    m += 1;
  }
  if (m >= 60) {
    m = 0;
    d += 1;
  }
  return sign * (d + m / 100 + s / 10000);
}

double dToRad(double u, int sys) {
  switch (sys) {
    case COSYS_ANG_DEG:
      return u * kPi / 180;
    case COSYS_ANG_DMS:
      return dDmsToDeg(u) * kPi / 180;
    case COSYS_ANG_RAD:
      return u;
    default:
      return u * kPi / 200;
  }
}

double dFromRad(double r, int sys) {
  switch (sys) {
    case COSYS_ANG_DEG:
      return r * 180 / kPi;
    case COSYS_ANG_DMS:
      return dDegToDms(r * 180 / kPi);
    case COSYS_ANG_RAD:
      return r;
    default:
      return r * 200 / kPi;
  }
}

// The user's angle unit of a system, and whether its horizontal directions
// are mathematical ones.
// Every angle a reader converts asks for its system's unit and direction, and
// they change only at set-up: each thread keeps the last answer until the
// generation (bumped under the lock by every change of a system) moves on.
std::atomic<uint64_t> g_angleGen{1};

struct AngleAnswer {
  uint64_t gen = 0;  // 0: none yet
  uint64_t cs = 0;
  int sys = 0;
  bool math = false;
};
thread_local AngleAnswer t_angle;

void vAngleSysChanged() { g_angleGen.fetch_add(1, std::memory_order_acq_rel); }

int iAngleSys(uint64_t cs, bool* math = nullptr) {
  uint64_t gen = g_angleGen.load(std::memory_order_acquire);
  if (t_angle.gen != gen || t_angle.cs != cs) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const CsDef& d = csGet(cs);
    t_angle = {g_angleGen.load(std::memory_order_relaxed), cs, d.angleSystem, d.mathHorizontal};
  }
  if (math) *math = t_angle.math;
  return t_angle.sys;
}

// ---- Transverse Mercator (Krueger series) ----
struct Tm {
  double n, A, alpha[4], beta[4], delta[4], e;
};

Tm tmSetup(const CsDef& d) {
  Tm t;
  double f = 1 / d.invF;
  double n = f / (2 - f), n2 = n * n, n3 = n2 * n, n4 = n3 * n;
  t.n = n;
  t.e = std::sqrt(f * (2 - f));
  t.A = d.a / (1 + n) * (1 + n2 / 4 + n4 / 64);
  t.alpha[0] = n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180;
  t.alpha[1] = 13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440;
  t.alpha[2] = 61 * n3 / 240 - 103 * n4 / 140;
  t.alpha[3] = 49561 * n4 / 161280;
  t.beta[0] = n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360;
  t.beta[1] = n2 / 48 + n3 / 15 - 437 * n4 / 1440;
  t.beta[2] = 17 * n3 / 480 - 37 * n4 / 840;
  t.beta[3] = 4397 * n4 / 161280;
  t.delta[0] = 2 * n - 2 * n2 / 3 - 2 * n3 + 116 * n4 / 45;
  t.delta[1] = 7 * n2 / 3 - 8 * n3 / 5 - 227 * n4 / 45;
  t.delta[2] = 56 * n3 / 15 - 136 * n4 / 35;
  t.delta[3] = 4279 * n4 / 630;
  return t;
}

void vTmXiEta(const Tm& t, double lat, double dlon, double* xi, double* eta) {
  double s = std::sin(lat);
  double tau = std::sinh(std::atanh(s) - t.e * std::atanh(t.e * s));
  double xi1 = std::atan2(tau, std::cos(dlon));
  double eta1 = std::atanh(std::sin(dlon) / std::sqrt(1 + tau * tau));
  double x = xi1, y = eta1;
  for (int j = 1; j <= 4; j++) {
    x += t.alpha[j - 1] * std::sin(2 * j * xi1) * std::cosh(2 * j * eta1);
    y += t.alpha[j - 1] * std::cos(2 * j * xi1) * std::sinh(2 * j * eta1);
  }
  *xi = x;
  *eta = y;
}

void vTmForward(const CsDef& d, double lat, double lon, double* east, double* north) {
  Tm t = tmSetup(d);
  double xi, eta, xi0, eta0;
  vTmXiEta(t, lat, lon - d.lon0, &xi, &eta);
  vTmXiEta(t, d.lat0, 0, &xi0, &eta0);
  *east = d.fe + d.k0 * t.A * eta;
  *north = d.fn + d.k0 * t.A * (xi - xi0);
}

void vTmInverse(const CsDef& d, double east, double north, double* lat, double* lon) {
  Tm t = tmSetup(d);
  double xi0, eta0;
  vTmXiEta(t, d.lat0, 0, &xi0, &eta0);
  double xi = (north - d.fn) / (d.k0 * t.A) + xi0;
  double eta = (east - d.fe) / (d.k0 * t.A);
  double xi1 = xi, eta1 = eta;
  for (int j = 1; j <= 4; j++) {
    xi1 -= t.beta[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
    eta1 -= t.beta[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
  }
  double chi = std::asin(std::sin(xi1) / std::cosh(eta1));
  double phi = chi;
  for (int j = 1; j <= 4; j++) phi += t.delta[j - 1] * std::sin(2 * j * chi);
  *lat = phi;
  *lon = d.lon0 + std::atan2(std::sinh(eta1), std::cos(xi1));
}

void vEcefToGeodetic(const CsDef& d, double x, double y, double z, double* lat, double* lon, double* h) {
  double a = d.a, f = 1 / d.invF, e2 = f * (2 - f);
  double p = std::hypot(x, y);
  *lon = std::atan2(y, x);
  double phi = std::atan2(z, p * (1 - e2));
  double hh = 0;
  for (int i = 0; i < 10; i++) {
    double s = std::sin(phi);
    double nrad = a / std::sqrt(1 - e2 * s * s);
    hh = std::fabs(std::cos(phi)) > 1e-12 ? p / std::cos(phi) - nrad : std::fabs(z) - nrad * (1 - e2);
    phi = std::atan2(z, p * (1 - e2 * nrad / (nrad + hh)));
  }
  *lat = phi;
  *h = hh;
}

// ---- Geoid grids ----
// The whole file, through the platform's file calls: its path is a Windows
// path in the ANSI code page, as every path the module hands over.
bool boReadFile(const std::string& path, std::string* text) {
  HFILE file = _lopen(path.c_str(), OF_READ);
  if (file == HFILE_ERROR) return false;
  char buf[16384];
  UINT n;
  while ((n = _lread(file, buf, sizeof buf)) > 0 && n != (UINT)HFILE_ERROR) text->append(buf, n);
  _lclose(file);
  return n == 0;
}

bool boGridLoad(const std::string& path, Grid* g) {
  std::string text;
  if (!boReadFile(path, &text)) return false;
  // Drop comment lines.
  std::string clean;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(pos, eol - pos);
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] != '#') clean += line + "\n";
    pos = eol + 1;
  }
  const char* s = clean.c_str();
  auto word = [&s](std::string* w) {
    while (*s && strchr(" \t\r\n", *s)) s++;
    const char* b = s;
    while (*s && !strchr(" \t\r\n", *s)) s++;
    w->assign(b, static_cast<size_t>(s - b));
    return !w->empty();
  };
  auto num = [&s](double* v) {
    while (*s && strchr(" \t\r\n", *s)) s++;
    const char* e;
    if (!boParseDouble(s, v, &e)) return false;
    s = e;
    return true;
  };
  std::string w;
  double version;
  if (!word(&w) || w != "KVXGEOID" || !num(&version) || version != 1) return false;
  bool haveSize = false, haveOrigin = false, haveStep = false;
  while (word(&w)) {
    if (w == "coords") {
      if (!word(&w) || (w != "grid" && w != "geo")) return false;
      g->geo = w == "geo";
    } else if (w == "origin") {
      if (!num(&g->x0) || !num(&g->y0)) return false;
      haveOrigin = true;
    } else if (w == "step") {
      if (!num(&g->dx) || !num(&g->dy) || !(g->dx > 0) || !(g->dy > 0)) return false;
      haveStep = true;
    } else if (w == "size") {
      double nx, ny;
      if (!num(&nx) || !num(&ny) || nx < 1 || ny < 1 || nx > 100000 || ny > 100000 || nx * ny > 5e7) return false;
      g->nx = static_cast<int>(nx);
      g->ny = static_cast<int>(ny);
      haveSize = true;
    } else if (w == "default") {
      if (!num(&g->def)) return false;
    } else if (w == "values") {
      break;
    } else {
      // The first value: the header is over.
      s -= w.size();
      break;
    }
  }
  if (!haveSize || !haveOrigin || !haveStep) return false;
  size_t total = static_cast<size_t>(g->nx) * static_cast<size_t>(g->ny);
  g->v.assign(total, NAN);
  for (size_t i = 0; i < total; i++) {
    while (*s && strchr(" \t\r\n", *s)) s++;
    if (*s == 'x') {
      s++;
      continue;
    }
    if (!num(&g->v[i])) return false;
  }
  return true;
}

bool boGridAt(const Grid& g, double x, double y, double* out) {
  if (g.nx < 1 || g.ny < 1) return false;
  double fx = (x - g.x0) / g.dx, fy = (y - g.y0) / g.dy;
  if (!(fx >= 0) || !(fy >= 0) || fx > g.nx - 1 || fy > g.ny - 1) return false;
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  if (ix >= g.nx - 1) ix = g.nx > 1 ? g.nx - 2 : 0;
  if (iy >= g.ny - 1) iy = g.ny > 1 ? g.ny - 2 : 0;
  double tx = fx - ix, ty = fy - iy;
  auto at = [&g](int i, int j) {
    i = i < g.nx ? i : g.nx - 1;
    j = j < g.ny ? j : g.ny - 1;
    return g.v[static_cast<size_t>(j) * static_cast<size_t>(g.nx) + static_cast<size_t>(i)];
  };
  double v00 = at(ix, iy), v10 = at(ix + 1, iy), v01 = at(ix, iy + 1), v11 = at(ix + 1, iy + 1);
  if (std::isnan(v00) || std::isnan(v10) || std::isnan(v01) || std::isnan(v11)) return false;
  *out = v00 * (1 - tx) * (1 - ty) + v10 * tx * (1 - ty) + v01 * (1 - tx) * ty + v11 * tx * ty;
  return true;
}

// A grid from its definition (callers hold g_mutex).
bool boGeoideLoad(const std::string& id, Grid* g) {
  auto it = g_geoideDefs.find(id);
  if (it == g_geoideDefs.end()) return false;
  if (it->second.path.empty()) {
    g->geo = false;
    g->x0 = -1e12;
    g->y0 = -1e12;
    g->dx = g->dy = 2e12;
    g->nx = g->ny = 2;
    g->def = it->second.constant;
    g->v.assign(4, it->second.constant);
    return true;
  }
  return boGridLoad(it->second.path, g);
}

// Separation of a grid at a grid position of cs (callers hold g_mutex).
bool boGridSeparation(const Grid& g, const CsDef& cs, double east, double north, double* n) {
  if (!g.geo) return boGridAt(g, east, north, n);
  if (!cs.projected) return false;
  double lat, lon;
  vTmInverse(cs, east, north, &lat, &lon);
  return boGridAt(g, lon * 180 / kPi, lat * 180 / kPi, n);
}

// A model looked up by name, loaded once (callers hold g_mutex); null when
// it is not defined or cannot be read.
const Grid* pModelGrid(const char* model) {
  auto it = g_modelCache.find(model);
  if (it == g_modelCache.end()) {
    Grid g;
    if (!boGeoideLoad(model, &g)) return nullptr;
    it = g_modelCache.emplace(model, std::move(g)).first;
  }
  return &it->second;
}

const char* sKeep(const std::string& s) { return s.c_str(); }

}  // namespace

extern "C" {

// ---- Set-up ----
void vCoSysSetupReset(void) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_default = CsDef();
  g_systems.clear();
  vAngleSysChanged();
  g_vers.clear();
  g_refSysDefs.clear();
  g_geoideDefs.clear();
  g_modelCache.clear();
}

uint64_t CoSysSetupCreateSystem(const CoSysSetupDef* def) {
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    CsDef d;
    if (def) {
      d.name = def->name ? def->name : "";
      d.datumId = def->datumId ? def->datumId : "";
      d.projectionName = def->projectionName ? def->projectionName : "";
      d.epsg = def->epsg;
      d.a = def->aMajor > 0 ? def->aMajor : kGrs80A;
      d.invF = def->invFlattening > 0 ? def->invFlattening : kGrs80InvF;
      d.lat0 = def->refLatitude;
      d.lon0 = def->refLongitude;
      d.k0 = def->scale > 0 ? def->scale : 1;
      d.fe = def->shiftX;
      d.fn = def->shiftY;
      d.dz = def->shiftZ;
      d.angleSystem = def->angleSystem;
      d.mathHorizontal = def->mathHorizontal != 0;
    }
    d.projected = true;
    uint64_t h = g_nextHandle++;
    g_systems[h] = d;
    vAngleSysChanged();
    return h;
  } catch (...) {
    return 0;
  }
}

void vCoSysSetupSetAngleSystem(uint64_t cs, int angleSystem) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (cs == 0) {
    g_default.angleSystem = angleSystem;
  } else {
    auto it = g_systems.find(cs);
    if (it != g_systems.end()) it->second.angleSystem = angleSystem;
  }
  vAngleSysChanged();
}

uint64_t CoSysSetupCreateVer(const char* name, const char* datumId) {
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    uint64_t h = g_nextHandle++;
    g_vers[h] = VerDef{name ? name : "", datumId ? datumId : ""};
    return h;
  } catch (...) {
    return 0;
  }
}

void vCoSysSetupAddRefSys(uint64_t id, const char* horDatum, const char* verDatum, const char* geoideId, uint64_t cs) {
  if (id == 0) return;
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_refSysDefs[id] = RefSysDef{horDatum ? horDatum : "", verDatum ? verDatum : "", geoideId ? geoideId : "", cs};
  } catch (...) {
  }
}

void vCoSysSetupAddGeoideFile(const char* id, const char* path) {
  if (!id || !path) return;
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_geoideDefs[id] = GeoideDef{path, 0};
    g_modelCache.erase(id);
  } catch (...) {
  }
}

void vCoSysSetupAddGeoideConst(const char* id, double n) {
  if (!id) return;
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_geoideDefs[id] = GeoideDef{"", n};
    g_modelCache.erase(id);
  } catch (...) {
  }
}

// ---- Reference systems ----
const char* sCoSysGetDatumID(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return sKeep(csGet(cs).datumId);
}

const char* sCoSysVerGetDatumID(uint64_t ver) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_vers.find(ver);
  return it == g_vers.end() ? "" : sKeep(it->second.datumId);
}

uint64_t CoSysRefSysFindId(const char* horDatum, const char* verDatum) {
  if (!horDatum || !verDatum) return 0;
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const auto& [id, d] : g_refSysDefs) {
    if (d.hor == horDatum && d.ver == verDatum) return id;
  }
  return 0;
}

uint64_t CoSysRefSysCreate(void) {
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    uint64_t h = g_nextHandle++;
    g_refSysObjs[h] = RefSysObj();
    return h;
  } catch (...) {
    return 0;
  }
}

void vCoSysRefSysSetID(uint64_t rs, uint64_t id) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_refSysObjs.find(rs);
  if (it == g_refSysObjs.end()) return;
  it->second.id = id;
  it->second.read = false;
}

int CoSysRefSysRead(uint64_t rs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_refSysObjs.find(rs);
  if (it == g_refSysObjs.end()) return 0;
  auto d = g_refSysDefs.find(it->second.id);
  if (d == g_refSysDefs.end()) return 0;
  it->second.def = d->second;
  it->second.read = true;
  return 1;
}

void CoSysRefSysClose(uint64_t rs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_refSysObjs.erase(rs);
}

const char* sCoSysRefSysGetGeoideID(uint64_t rs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_refSysObjs.find(rs);
  if (it == g_refSysObjs.end() || !it->second.read) return "";
  return sKeep(it->second.def.geoide);
}

// ---- Geoid models ----
uint64_t CoSysGeoideCreate(void) {
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    uint64_t h = g_nextHandle++;
    g_geoideObjs[h] = GeoideObj();
    return h;
  } catch (...) {
    return 0;
  }
}

void vCoSysGeoideSetID(uint64_t g, const char* id) {
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_geoideObjs.find(g);
    if (it == g_geoideObjs.end()) return;
    it->second.id = id ? id : "";
    it->second.read = false;
    it->second.grid = Grid();
  } catch (...) {
  }
}

int CoSysGeoideRead(uint64_t g) {
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_geoideObjs.find(g);
    if (it == g_geoideObjs.end()) return 0;
    Grid grid;
    if (!boGeoideLoad(it->second.id, &grid)) return 0;
    it->second.grid = std::move(grid);
    it->second.read = true;
    return 1;
  } catch (...) {
    return 0;
  }
}

void CoSysGeoideClose(uint64_t g) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_geoideObjs.erase(g);
}

bool boCoSysGeoideCalculateHeight(uint64_t g, uint64_t cs, const char*, double x, double y, double* n) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_geoideObjs.find(g);
  if (it == g_geoideObjs.end() || !it->second.read) return false;
  double v;
  if (!boGridSeparation(it->second.grid, csGet(cs), x, y, &v)) return false;
  if (n) *n = v;
  return true;
}

double dCoSysGeoideGetDefaultHeight(uint64_t g) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_geoideObjs.find(g);
  if (it == g_geoideObjs.end() || !it->second.read) return 0.0;
  return it->second.grid.def;
}

bool boCoSysGeoideFromEarthCentric(uint64_t rs, uint64_t g, const char*, double x, double y, double z, double* r1,
                                   double* r2, double* r3) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_refSysObjs.find(rs);
  if (it == g_refSysObjs.end() || !it->second.read) return false;
  const CsDef& cs = csGet(it->second.def.cs);
  if (!cs.projected || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
  if (std::fabs(x) + std::fabs(y) + std::fabs(z) < 1) return false;
  double lat, lon, h, e, nn;
  vEcefToGeodetic(cs, x, y, z, &lat, &lon, &h);
  vTmForward(cs, lat, lon, &e, &nn);
  auto gi = g_geoideObjs.find(g);
  double sep;
  if (gi != g_geoideObjs.end() && gi->second.read && boGridSeparation(gi->second.grid, cs, e, nn, &sep)) h -= sep;
  if (r1) *r1 = e;
  if (r2) *r2 = nn;
  if (r3) *r3 = h;
  return true;
}

bool boCoSysFromDecimalLatitudeLongitude(uint64_t cs, double latDeg, double lonDeg, double* east, double* north) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const CsDef& d = csGet(cs);
  if (!d.projected || !std::isfinite(latDeg) || !std::isfinite(lonDeg) || std::fabs(latDeg) >= 90) return false;
  double e, n;
  vTmForward(d, latDeg * kPi / 180, lonDeg * kPi / 180, &e, &n);
  if (!std::isfinite(e) || !std::isfinite(n)) return false;
  if (east) *east = e;
  if (north) *north = n;
  return true;
}

bool boCoSysCalcGeoideH(uint64_t cs, const char* model, double east, double north, double* h) {
  if (!model) return false;
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    const Grid* g = pModelGrid(model);
    double sep;
    if (!g || !boGridSeparation(*g, csGet(cs), east, north, &sep)) return false;
    if (h) *h = -sep;
    return true;
  } catch (...) {
    return false;
  }
}

double dCoSysGetDefaultGeoideH(uint64_t, const char* model) {
  if (!model) return 0.0;
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    const Grid* g = pModelGrid(model);
    return g ? -g->def : 0.0;
  } catch (...) {
    return 0.0;
  }
}

// ---- Angles ----
double dCoSysScaleAng2User(uint64_t cs, double rad) { return dFromRad(rad, iAngleSys(cs)); }

double dCoSysHorDir2Math(uint64_t cs, double user) {
  bool math;
  double r = dToRad(user, iAngleSys(cs, &math));
  return dNorm2Pi(math ? r : kPi / 2 - r);
}

double dCoSysHorDir2User(uint64_t cs, double internal) {
  bool math;
  int sys = iAngleSys(cs, &math);
  // A hair below the full circle can come out as the full circle (d.mmss
  // carries 59'60" over): that direction is 0.
  double u = dFromRad(dNorm2Pi(math ? internal : kPi / 2 - internal), sys);
  return u >= dFromRad(2 * kPi, sys) ? 0.0 : u;
}

double dCoSysVerDir2Math(uint64_t cs, double userZenith) { return dToRad(userZenith, iAngleSys(cs)); }

double dCoSysVerDir2User(uint64_t cs, double internalZenith) { return dFromRad(internalZenith, iAngleSys(cs)); }

int iCoSysGetUserSysAngleSystem(uint64_t cs) { return iAngleSys(cs); }

// ---- Description ----
const char* sCoSysGetName(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return sKeep(csGet(cs).name);
}

const char* sCoSysVerGetName(uint64_t ver) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_vers.find(ver);
  return it == g_vers.end() ? "" : sKeep(it->second.name);
}

int iCoSysGetEPSG(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  int e = csGet(cs).epsg;
  return e > 0 ? e : 0;
}

const char* sCoSysGetProjectionName(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return sKeep(csGet(cs).projectionName);
}

double dCoSysGetDatumAMajor(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const CsDef& d = csGet(cs);
  return d.projected ? d.a : 0.0;
}

double dCoSysGetDatumACompr(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const CsDef& d = csGet(cs);
  return d.projected ? d.invF : 0.0;
}

double dCoSysGetRefLatitude(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return csGet(cs).lat0;
}

double dCoSysGetRefLongitude(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return csGet(cs).lon0;
}

double dCoSysGetScale(uint64_t cs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const CsDef& d = csGet(cs);
  return d.projected ? d.k0 : 0.0;
}

void vCoSysGetShiftXYZ(uint64_t cs, double* x, double* y, double* z) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const CsDef& d = csGet(cs);
  if (x) *x = d.fe;
  if (y) *y = d.fn;
  if (z) *z = d.dz;
}

}  // extern "C"
