// kvxhost: a command-line host for the field-book module. It loads the
// module as a host program does (dlopen here, LoadLibraryA on Windows),
// finds the exports by name, fills a host record and runs the direct read
// and write: it lists the instruments, converts a file from one instrument's
// format into another's, or shows what a file holds.
//
// It sees only what a host sees: the exports, the module's string table
// (the instrument names), and the geometry library for counting.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fieldbook/api.h"
#include "kv2gr.h"
#include "win32.h"

#ifndef _WIN32
#include <dlfcn.h>

#include "kvxtest_msgbox.h"
#endif

namespace fs = std::filesystem;

namespace {

const char* const kUsage =
    "usage: kvxhost [--ini FILE] [--report] COMMAND\n"
    "  instruments              list the instruments (number and name)\n"
    "  convert FROM IN TO OUT   read IN as instrument FROM, write OUT as instrument TO\n"
    "  show FROM IN             counts of what IN holds, then its first points\n"
    "Instruments by number or by a unique part of their name (any case).\n"
    "--ini FILE   the settings file (default: kvxhost.ini in the user's configuration folder)\n"
    "--report     print the reader's report (side file) after reading\n"
    "Message boxes go to standard error and take their default answer.\n"
    "Exit status 0 when the operation succeeded, else 1.\n";

// The module's exports, as the host finds them by name.
struct Module {
  void* handle = nullptr;
  HINSTANCE instance = nullptr;
  decltype(&::vKvxMboInit) init = nullptr;
  decltype(&::vKvxMboFinish) finish = nullptr;
  decltype(&::boKvxMboReadRawDirect) read = nullptr;
  decltype(&::boKvxMboWriteRawDirect) write = nullptr;
  decltype(&::pKvxMboPoPointsGet) points = nullptr;
  decltype(&::pKvxMboLiLinesGet) lines = nullptr;
  decltype(&::pKvxMboYgPolygonsGet) polygons = nullptr;
  decltype(&::pKvxMboTrNetsGet) nets = nullptr;
  decltype(&::pMboGetNextSt) nextSt = nullptr;
  decltype(&::pMboGetNextObs) nextObs = nullptr;
  decltype(&::sMboGetPointPID) pid = nullptr;
  decltype(&::boMboGetPointXY) xy = nullptr;
  decltype(&::boMboGetPointZ) z = nullptr;
};

#ifdef _WIN32
void* pOpenModule(std::string* error) {
  HMODULE h = LoadLibraryA("kvxfbio.dll");
  if (!h) *error = "cannot load kvxfbio.dll";
  return (void*)h;
}
void* pSymbol(void* module, const char* name) { return (void*)GetProcAddress((HMODULE)module, name); }
#else
// The module lies in ../lib beside this program's folder (the build tree).
void* pOpenModule(std::string* error) {
  fs::path self = fs::read_symlink("/proc/self/exe");
  std::string path = (self.parent_path().parent_path() / "lib" / "libkvxfbio.so").string();
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) *error = dlerror();
  return h;
}
void* pSymbol(void* module, const char* name) { return dlsym(module, name); }

int iBoxToStderr(void*, HWND, const char* text, const char*, UINT style) {
  std::fprintf(stderr, "kvxhost: message: %s\n", text);
  return kvxTestMsgBoxDefault(style);
}
#endif

template <class F>
bool boFind(Module* m, F* pfn, const char* name) {
  *pfn = reinterpret_cast<F>(pSymbol(m->handle, name));
  if (!*pfn) std::fprintf(stderr, "kvxhost: the module does not export %s\n", name);
  return *pfn != nullptr;
}

bool boLoad(Module* m) {
  std::string error;
  m->handle = pOpenModule(&error);
  if (!m->handle) {
    std::fprintf(stderr, "kvxhost: %s\n", error.c_str());
    return false;
  }
#ifdef _WIN32
  m->instance = (HINSTANCE)m->handle;
#else
  kvxTestSetMsgBoxHook(iBoxToStderr, nullptr);
#endif
  return boFind(m, &m->init, "vKvxMboInit") && boFind(m, &m->finish, "vKvxMboFinish") &&
         boFind(m, &m->read, "boKvxMboReadRawDirect") && boFind(m, &m->write, "boKvxMboWriteRawDirect") &&
         boFind(m, &m->points, "pKvxMboPoPointsGet") && boFind(m, &m->lines, "pKvxMboLiLinesGet") &&
         boFind(m, &m->polygons, "pKvxMboYgPolygonsGet") && boFind(m, &m->nets, "pKvxMboTrNetsGet") &&
         boFind(m, &m->nextSt, "pMboGetNextSt") && boFind(m, &m->nextObs, "pMboGetNextObs") &&
         boFind(m, &m->pid, "sMboGetPointPID") && boFind(m, &m->xy, "boMboGetPointXY") &&
         boFind(m, &m->z, "boMboGetPointZ");
}

struct Instrument {
  int number;
  std::string name;
};

// The catalogue from the module's string table: "<number> <name>", the name
// from the fourth character on.
std::vector<Instrument> Catalogue(const Module& m) {
  std::vector<Instrument> list;
  for (UINT id = 5121; id <= 5166; id++) {
    char text[256];
    if (LoadStringA(m.instance, id, text, (int)sizeof text) <= 0 || !std::isdigit((unsigned char)text[0])) break;
    list.push_back({std::atoi(text), std::strlen(text) > 3 ? text + 3 : ""});
  }
  return list;
}

std::string sLower(std::string s) {
  for (char& c : s) c = (char)std::tolower((unsigned char)c);
  return s;
}

// An instrument by number, or by a part of its name that only one has.
bool boResolve(const std::vector<Instrument>& list, const std::string& arg, int* number) {
  bool digits = !arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos;
  if (digits) {
    for (const Instrument& i : list)
      if (i.number == std::atoi(arg.c_str())) {
        *number = i.number;
        return true;
      }
    std::fprintf(stderr, "kvxhost: no instrument number %s (see: kvxhost instruments)\n", arg.c_str());
    return false;
  }
  std::vector<const Instrument*> found;
  for (const Instrument& i : list)
    if (sLower(i.name).find(sLower(arg)) != std::string::npos) found.push_back(&i);
  if (found.size() == 1) {
    *number = found[0]->number;
    return true;
  }
  if (found.empty())
    std::fprintf(stderr, "kvxhost: no instrument matches \"%s\" (see: kvxhost instruments)\n", arg.c_str());
  else {
    std::fprintf(stderr, "kvxhost: \"%s\" matches more than one instrument:\n", arg.c_str());
    for (const Instrument* i : found) std::fprintf(stderr, "  %d %s\n", i->number, i->name.c_str());
  }
  return false;
}

std::string sDefaultIni() {
#ifdef _WIN32
  const char* base = std::getenv("APPDATA");
  fs::path dir = fs::path(base ? base : ".") / "kvxhost";
#else
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  fs::path dir = xdg && *xdg ? fs::path(xdg) / "kvxhost" : fs::path(home ? home : ".") / ".config" / "kvxhost";
#endif
  std::error_code ec;
  fs::create_directories(dir, ec);
  return (dir / "kvxhost.ini").string();
}

bool boCheckInput(const std::string& path) {
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) return true;
  std::fprintf(stderr, "kvxhost: cannot read %s: no such file\n", path.c_str());
  return false;
}

// The reader's report: the side file, named after the raw file, in the
// temporary folder.
void vPrintReport(const std::string& raw) {
  std::error_code ec;
  fs::path side = fs::temp_directory_path(ec) / fs::path(raw).filename().replace_extension(".ADM");
  std::ifstream in(side, std::ios::binary);
  if (!in) {
    std::printf("report: (empty)\n");
    return;
  }
  std::printf("report (%s):\n", side.string().c_str());
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::printf("  %s\n", line.c_str());
  }
}

void vPrintCounts(const Module& m, int firstPoints) {
  int stations = 0, observations = 0;
  for (int kind : {1, 2, 4, 5})
    for (void* st = m.nextSt(kind, nullptr); st; st = m.nextSt(kind, st)) {
      stations++;
      for (void* ob = m.nextObs(kind, st, nullptr); ob; ob = m.nextObs(kind, st, ob)) observations++;
    }
  PoPoints* pts = m.points();
  std::printf("points %d, lines %d, polygons %d, nets %d, stations %d, observations %d\n", iPoPointsGetCount(pts),
              iLiLinesGetCount(m.lines()), iYgPolygonsGetCount(m.polygons()), iTrNetsGetCount(m.nets()), stations,
              observations);
  int n = 0;
  for (PoPoint* p = PoPointsGetFirst(pts); p && n < firstPoints; p = PoPointsGetNext(pts, p), n++) {
    double x = 0, y = 0, z = 0;
    std::printf("  %-20s", m.pid(p));
    if (m.xy(p, &x, &y)) std::printf(" x=%.3f y=%.3f", x, y);
    if (m.z(p, &z)) std::printf(" z=%.3f", z);
    const char* code = sPoPointGetField(p);
    if (code && *code) std::printf(" code=%s", code);
    std::printf("\n");
  }
}

int iUsageError(const char* what) {
  std::fprintf(stderr, "kvxhost: %s\n%s", what, kUsage);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string ini;
  bool report = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::printf("%s", kUsage);
      return 0;
    }
    if (a == "--report")
      report = true;
    else if (a == "--ini" && i + 1 < argc)
      ini = argv[++i];
    else if (a.rfind("--", 0) == 0)
      return iUsageError(("unknown option " + a).c_str());
    else
      args.push_back(a);
  }
  if (args.empty()) return iUsageError("no command");
  const std::string& cmd = args[0];
  size_t want = cmd == "instruments" ? 1 : cmd == "convert" ? 5 : cmd == "show" ? 3 : 0;
  if (want == 0) return iUsageError(("unknown command " + cmd).c_str());
  if (args.size() != want) return iUsageError(("wrong number of arguments for " + cmd).c_str());

  Module m;
  if (!boLoad(&m)) return 1;
  std::vector<Instrument> list = Catalogue(m);
  if (cmd == "instruments") {
    for (const Instrument& i : list) std::printf("%3d  %s\n", i.number, i.name.c_str());
    return list.empty() ? 1 : 0;
  }
  int from = 0, to = 0;
  if (!boResolve(list, args[1], &from)) return 1;
  if (cmd == "convert" && !boResolve(list, args[3], &to)) return 1;
  if (!boCheckInput(args[2])) return 1;

  if (ini.empty()) ini = sDefaultIni();
  if (!fs::exists(ini)) std::ofstream(ini).flush();  // created on first use
  MboHostRec host{};
  host.uVersion = MBO_HOST_REC_VERSION;
  std::snprintf(host.sIniPath, sizeof host.sIniPath, "%s", ini.c_str());
  m.init(&host);

  bool ok = m.read(&host, from, args[2].c_str()) != 0;
  if (!ok) std::fprintf(stderr, "kvxhost: reading %s as instrument %d failed\n", args[2].c_str(), from);
  if (ok && report) vPrintReport(args[2]);
  if (ok && cmd == "show") vPrintCounts(m, 10);
  if (ok && cmd == "convert") {
    vPrintCounts(m, 0);
    ok = m.write(&host, to, args[4].c_str()) != 0;
    if (!ok)
      std::fprintf(stderr, "kvxhost: writing %s as instrument %d failed\n", args[4].c_str(), to);
    else
      std::printf("written %s\n", args[4].c_str());
  }
  m.finish();
  return ok ? 0 : 1;
}
