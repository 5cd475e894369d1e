// kvxhost: a command-line host for the field-book module. It loads the
// module as a host program does (dlopen here, LoadLibraryA on Windows),
// finds the exports by name, fills a host record and runs the direct read
// and write: it lists the instruments, converts a file from one instrument's
// format into another's, or shows what a file holds.
//
// It sees only what a host sees: the exports, the module's string table
// (the instrument names), and the geometry library for counting.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "fieldbook/api.h"
#include "kv2gr.h"
#include "win32.h"

#ifndef _WIN32
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>

#include <thread>

#include "kvxtest_msgbox.h"
#include "kvxtest_shell.h"
#include "kvxtest_ui.h"
#endif

namespace fs = std::filesystem;

namespace {

const char* const kUsage =
    "usage: kvxhost [--ini FILE] [--report] [--yes] COMMAND\n"
    "  instruments              list the instruments (number and name)\n"
    "  convert FROM IN TO OUT   read IN as instrument FROM, write OUT as instrument TO\n"
    "  show FROM IN             counts of what IN holds, then its first points\n"
    "Instruments by number, by their whole name, or by a part of the name that only\n"
    "one has (any case).\n"
    "--ini FILE   the settings file (default: kvxhost.ini in the user's configuration folder)\n"
    "--report     print the reader's report (side file) after reading\n"
    "--yes        answer Yes (or OK) to every question the module asks\n"
    "The module's messages, questions and file dialogs go to standard error with the\n"
    "answer taken (without --yes, each box's default answer; a file dialog Cancel).\n"
    "In the Windows build they are real boxes, answered at the screen (--yes\n"
    "changes nothing there).\n"
    "Exit status 0 only when the file was read and, for convert, written whole;\n"
    "else 1 with the reason.\n";

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
  decltype(&::KvxMboNewPoint) newPoint = nullptr;
};

// What the module asked during a run: the questions answered Cancel and the
// dialogs that could not be shown.
struct Asked {
  bool boYes = false;      // --yes: Yes or OK to every question
  std::string sCancelled;  // the first question answered Cancel (or Abort)
  std::string sDialog;     // the caption of the first dialog that was needed
  int iShown = 0;          // boxes and dialogs the module showed
};
Asked g_asked;

// The private temporary folder of the run, for the clean-up on a signal
// (never destroyed: a signal may come while the program ends).
std::mutex g_tempLock;
std::string& g_tempDir = *new std::string;

// The module's paths fit its 257-byte buffers.
constexpr size_t kModulePathSize = 257;

#ifdef _WIN32
void* pOpenModule(std::string* error) {
  HMODULE h = LoadLibraryA("kvxfbio.dll");
  if (!h) *error = "cannot load kvxfbio.dll";
  return (void*)h;
}
void* pSymbol(void* module, const char* name) { return (void*)GetProcAddress((HMODULE)module, name); }

// The console takes the module's texts and gives the arguments in the
// program's code page as they are.
std::string sForTerminal(const char* ansi) { return ansi ? ansi : ""; }
bool boForModule(const std::string& arg, std::string* ansi) {
  *ansi = arg;
  return true;
}
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

// The terminal speaks UTF-8, the module code page 1252 (as on Windows).
std::string sConvert(const std::string& text, UINT from, UINT to, bool* exact) {
  *exact = true;
  if (text.empty()) return text;
  int n = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), (int)text.size(), nullptr, 0);
  if (n <= 0) {
    *exact = false;
    return "";
  }
  std::vector<WCHAR> wide((size_t)n);
  MultiByteToWideChar(from, 0, text.data(), (int)text.size(), wide.data(), n);
  BOOL usedDefault = FALSE;
  BOOL* pUsed = to == CP_UTF8 ? nullptr : &usedDefault;
  int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, pUsed);
  std::string out((size_t)(m > 0 ? m : 0), '\0');
  if (m > 0) WideCharToMultiByte(to, 0, wide.data(), n, out.data(), m, nullptr, pUsed);
  *exact = m > 0 && !usedDefault;
  return out;
}
std::string sForTerminal(const char* ansi) {
  bool exact;
  return sConvert(ansi ? ansi : "", 1252, CP_UTF8, &exact);
}
// An argument for the module: false when code page 1252 cannot hold it.
bool boForModule(const std::string& arg, std::string* ansi) {
  bool exact;
  *ansi = sConvert(arg, CP_UTF8, 1252, &exact);
  return exact;
}

const char* sButton(int id) {
  switch (id) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "Abort";
    case IDRETRY:
      return "Retry";
    case IDIGNORE:
      return "Ignore";
    case IDYES:
      return "Yes";
    case IDNO:
      return "No";
    default:
      return "?";
  }
}

// Every message box: its text and the answer taken go to standard error.
int iAnswerBox(void*, HWND, const char* text, const char*, UINT style) {
  g_asked.iShown++;
  int answer = kvxTestMsgBoxDefault(style);
  if (g_asked.boYes) {
    if (kvxTestMsgBoxHasButton(style, IDYES))
      answer = IDYES;
    else if (kvxTestMsgBoxHasButton(style, IDOK))
      answer = IDOK;
  }
  std::string shown = sForTerminal(text);
  std::fprintf(stderr, "kvxhost: message: %s [answer: %s]\n", shown.c_str(), sButton(answer));
  if ((answer == IDCANCEL || answer == IDABORT) && g_asked.sCancelled.empty()) g_asked.sCancelled = shown;
  return answer;
}

// A dialog needs a user: kvxhost has none, so it is cancelled and noted.
void vRefuseDialog(HWND dialog) {
  g_asked.iShown++;
  char caption[256] = "";
  GetWindowTextA(dialog, caption, (int)sizeof caption);
  if (g_asked.sDialog.empty()) g_asked.sDialog = *caption ? sForTerminal(caption) : "(untitled)";
  EndDialog(dialog, IDCANCEL);
}

// A file dialog is shown as a question is, answered Cancel: the module goes
// on without the file. Its title, or one of our own when it has none, with
// the kinds of file it offers.
void vCancelFileDialog(KvxFileDlg* dialog) {
  g_asked.iShown++;
  std::string title = kvxFileDlgTitle(dialog);
  if (title.empty()) title = kvxFileDlgIsSave(dialog) ? "Save a file" : "Choose a file";
  std::string patterns;
  for (const auto& type : kvxFileDlgTypes(dialog)) patterns += (patterns.empty() ? "" : ";") + type.second;
  if (!patterns.empty()) title += " (" + patterns + ")";
  std::fprintf(stderr, "kvxhost: file dialog: %s [answer: Cancel]\n", title.c_str());
  kvxFileDlgCancel(dialog);
}

void vCancelBrowser(KvxBrowser* browser) {
  g_asked.iShown++;
  std::string title = kvxBrowserTitle(browser);
  std::fprintf(stderr, "kvxhost: folder dialog: %s [answer: Cancel]\n",
               title.empty() ? "Choose a folder" : title.c_str());
  kvxBrowserCancel(browser);
}

// Stopped by INT, TERM or HUP (Ctrl+C, kill, a closed terminal): the
// half-written file beside the target and the private folder are removed,
// then the signal ends the program as it would have, so that the exit
// status shows it. The signals are blocked in every thread and taken by one
// of our own, where the clean-up may do what a handler may not.
void vWatchStopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, sig);
  if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return;
  std::thread([set] {
    int sig = 0;
    if (sigwait(&set, &sig) != 0) return;
    KvxPlatformRemoveTempFiles(TRUE);
    {
      std::lock_guard<std::mutex> lock(g_tempLock);
      std::error_code ec;
      if (!g_tempDir.empty()) fs::remove_all(g_tempDir, ec);
      g_tempDir.clear();
    }
    signal(sig, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(sig);
    _exit(128 + sig);
  }).detach();
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
  kvxTestSetMsgBoxHook(iAnswerBox, nullptr);
  kvxUiSetModalHook(vRefuseDialog);
  kvxShellSetFileDialogHook(vCancelFileDialog);
  kvxShellSetBrowserHook(vCancelBrowser);
#endif
  return boFind(m, &m->init, "vKvxMboInit") && boFind(m, &m->finish, "vKvxMboFinish") &&
         boFind(m, &m->read, "boKvxMboReadRawDirect") && boFind(m, &m->write, "boKvxMboWriteRawDirect") &&
         boFind(m, &m->points, "pKvxMboPoPointsGet") && boFind(m, &m->lines, "pKvxMboLiLinesGet") &&
         boFind(m, &m->polygons, "pKvxMboYgPolygonsGet") && boFind(m, &m->nets, "pKvxMboTrNetsGet") &&
         boFind(m, &m->nextSt, "pMboGetNextSt") && boFind(m, &m->nextObs, "pMboGetNextObs") &&
         boFind(m, &m->pid, "sMboGetPointPID") && boFind(m, &m->xy, "boMboGetPointXY") &&
         boFind(m, &m->z, "boMboGetPointZ") && boFind(m, &m->newPoint, "KvxMboNewPoint");
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
    list.push_back({std::atoi(text), sForTerminal(std::strlen(text) > 3 ? text + 3 : "")});
  }
  return list;
}

std::string sLower(std::string s) {
  for (char& c : s) c = (char)std::tolower((unsigned char)c);
  return s;
}

// An instrument by number, by its whole name, or by a part of its name that
// only one has.
bool boResolve(const std::vector<Instrument>& list, const std::string& arg, int* number) {
  bool digits = !arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos;
  if (digits) {
    // Compared as text without leading zeros, so that no number wraps.
    std::string wanted = arg.substr(std::min(arg.find_first_not_of('0'), arg.size() - 1));
    for (const Instrument& i : list)
      if (std::to_string(i.number) == wanted) {
        *number = i.number;
        return true;
      }
    std::fprintf(stderr, "kvxhost: no instrument number %s (see: kvxhost instruments)\n", arg.c_str());
    return false;
  }
  std::vector<const Instrument*> found;
  for (const Instrument& i : list)
    if (sLower(i.name) == sLower(arg)) {
      *number = i.number;
      return true;
    }
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

// The system's reason for the last failed call, as a user reads it.
std::string sReason(int error) {
  std::string r = std::strerror(error);
  if (!r.empty()) r[0] = (char)std::tolower((unsigned char)r[0]);
  return r;
}

// The settings file of the user's configuration folder, made on first use;
// "" with the reason given when there is none.
std::string sDefaultIni() {
#ifdef _WIN32
  const char* base = std::getenv("APPDATA");
  if (!base || !*base) {
    std::fprintf(stderr, "kvxhost: no APPDATA folder for the settings: name a settings file with --ini FILE\n");
    return "";
  }
  fs::path dir = fs::path(base) / "kvxhost";
#else
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if ((!xdg || !*xdg) && (!home || !*home)) {
    std::fprintf(stderr, "kvxhost: neither HOME nor XDG_CONFIG_HOME is set: name a settings file with --ini FILE\n");
    return "";
  }
  fs::path dir = xdg && *xdg ? fs::path(xdg) / "kvxhost" : fs::path(home) / ".config" / "kvxhost";
#endif
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "kvxhost: cannot make the settings folder %s: %s\n", dir.string().c_str(),
                 ec.message().c_str());
    return "";
  }
  return (dir / "kvxhost.ini").string();
}

// The settings file must be readable, or creatable when it does not exist.
bool boCheckIni(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    std::fprintf(stderr, "kvxhost: cannot use the settings file %s: is a directory\n", path.c_str());
    return false;
  }
  bool existed = fs::exists(path, ec);
  FILE* f = std::fopen(path.c_str(), existed ? "rb" : "ab");
  if (!f) {
    std::fprintf(stderr, "kvxhost: cannot %s the settings file %s: %s\n", existed ? "read" : "create", path.c_str(),
                 sReason(errno).c_str());
    return false;
  }
  std::fclose(f);
  return true;
}

bool boCheckInput(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    std::fprintf(stderr, "kvxhost: cannot read %s: is a directory\n", path.c_str());
    return false;
  }
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    std::fprintf(stderr, "kvxhost: cannot read %s: %s\n", path.c_str(), sReason(errno).c_str());
    return false;
  }
  std::fclose(f);
  return true;
}

// Refuses an output that cannot be a file, before anything is read.
bool boCheckOutput(const std::string& in, const std::string& out) {
  std::error_code ec;
  if (out.empty()) {
    std::fprintf(stderr, "kvxhost: the output file's name is empty\n");
    return false;
  }
  if (fs::is_symlink(out, ec) && !fs::exists(out, ec)) {
    std::fprintf(stderr, "kvxhost: cannot write %s: the link's target does not exist\n", out.c_str());
    return false;
  }
  if (fs::equivalent(in, out, ec)) {
    std::fprintf(stderr, "kvxhost: %s is the input file: write to another file\n", out.c_str());
    return false;
  }
  if (fs::is_directory(out, ec)) {
    std::fprintf(stderr, "kvxhost: cannot write %s: is a directory\n", out.c_str());
    return false;
  }
  fs::path folder = fs::path(out).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "kvxhost: cannot write %s: no such folder %s\n", out.c_str(), folder.string().c_str());
    return false;
  }
  return true;
}

// The module writes its reports (side files) into the temporary folder: each
// run gets a private one, removed at exit, so that runs at the same time do
// not mix their reports and nothing piles up.
struct PrivateTemp {
  fs::path dir;
  ~PrivateTemp() {
    std::lock_guard<std::mutex> lock(g_tempLock);
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
    g_tempDir.clear();
  }
  bool boMake() {
    std::lock_guard<std::mutex> lock(g_tempLock);
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = ".";
#ifdef _WIN32
    for (int i = 0; i < 100 && dir.empty(); i++) {
      fs::path d = base / ("kvxhost-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i));
      if (fs::create_directory(d, ec)) dir = d;
    }
    if (dir.empty() || !SetEnvironmentVariableA("TMP", dir.string().c_str())) {
#else
    std::string pattern = (base / "kvxhost-XXXXXX").string();
    if (mkdtemp(pattern.data())) dir = pattern;
    if (dir.empty() || setenv("TMPDIR", dir.c_str(), 1) != 0) {
#endif
      std::fprintf(stderr, "kvxhost: cannot make a temporary folder in %s: %s\n", base.string().c_str(),
                   sReason(errno).c_str());
      return false;
    }
    g_tempDir = dir.string();
    return true;
  }
};

// A text of the file for the terminal: its control characters (C0, DEL and
// the C1 range that code page 1252 leaves unassigned) as '?', so that no
// name can move the cursor or colour the text. TAB stays where asked.
std::string sShown(const char* ansi, bool boKeepTab = false) {
  std::string text = ansi ? ansi : "";
  for (char& c : text) {
    unsigned char u = (unsigned char)c;
    if ((u < 0x20 && !(boKeepTab && u == '\t')) || u == 0x7F || u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 ||
        u == 0x9D)
      c = '?';
  }
  return sForTerminal(text.c_str());
}

// The reader's report: the side file, named after the raw file, in the
// run's temporary folder.
void vPrintReport(const fs::path& temp, const std::string& raw) {
  fs::path side = temp / fs::path(raw).filename().replace_extension(".ADM");
  std::ifstream in(side, std::ios::binary);
  if (!in) {
    std::printf("report: (empty)\n");
    return;
  }
  std::printf("report:\n");
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::printf("  %s\n", sShown(line.c_str(), true).c_str());
  }
}

// Prints the counts and the first points; returns the number of objects.
int iPrintCounts(const Module& m, int firstPoints) {
  int stations = 0, observations = 0;
  for (int kind : {1, 2, 4, 5})
    for (void* st = m.nextSt(kind, nullptr); st; st = m.nextSt(kind, st)) {
      stations++;
      for (void* ob = m.nextObs(kind, st, nullptr); ob; ob = m.nextObs(kind, st, ob)) observations++;
    }
  PoPoints* pts = m.points();
  int counts[] = {iPoPointsGetCount(pts),
                  iLiLinesGetCount(m.lines()),
                  iYgPolygonsGetCount(m.polygons()),
                  iTrNetsGetCount(m.nets()),
                  stations,
                  observations};
  std::printf("points %d, lines %d, polygons %d, nets %d, stations %d, observations %d\n", counts[0], counts[1],
              counts[2], counts[3], counts[4], counts[5]);
  int n = 0;
  for (PoPoint* p = PoPointsGetFirst(pts); p && n < firstPoints; p = PoPointsGetNext(pts, p), n++) {
    // North and east by name: a surveyor reads X as north, the module east.
    double x = 0, y = 0, z = 0;
    std::printf("  %s ", sShown(m.pid(p)).c_str());
    if (m.xy(p, &x, &y)) std::printf(" N=%.3f E=%.3f", y, x);
    if (m.z(p, &z)) std::printf(" z=%.3f", z);
    const char* code = sPoPointGetField(p);
    if (code && *code) std::printf(" code=%s", sShown(code).c_str());
    std::printf("\n");
  }
  int total = 0;
  for (int c : counts) total += c;
  return total;
}

// False, with the reason, once the module needed a dialog or a question was
// answered Cancel: the job did not run as asked.
bool boNothingRefused() {
  if (!g_asked.sDialog.empty())
    std::fprintf(stderr, "kvxhost: the module needs the dialog \"%s\", which kvxhost cannot show\n",
                 g_asked.sDialog.c_str());
  else if (!g_asked.sCancelled.empty())
    std::fprintf(stderr, "kvxhost: cancelled at \"%s\" (--yes answers Yes or OK)\n", g_asked.sCancelled.c_str());
  return g_asked.sDialog.empty() && g_asked.sCancelled.empty();
}

// True when the module showed nothing since the count was taken. In the
// Windows build its boxes are the user's, unseen here: never true.
bool boSilent(int iShownBefore) {
#ifdef _WIN32
  (void)iShownBefore;
  return false;
#else
  return g_asked.iShown == iShownBefore;
#endif
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
    else if (a == "--yes")
      g_asked.boYes = true;
    else if (a == "--ini") {
      if (i + 1 >= argc || !*argv[i + 1]) return iUsageError("--ini needs a file name");
      ini = argv[++i];
    } else if (a.rfind("--", 0) == 0)
      return iUsageError(("unknown option " + a).c_str());
    else
      args.push_back(a);
  }
  if (args.empty()) return iUsageError("no command");
#ifndef _WIN32
  // Before the module and its threads: they inherit the blocked signals.
  vWatchStopSignals();
#endif
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
  const std::string& in = args[2];
  const std::string out = cmd == "convert" ? args[4] : "";
  int from = 0, to = 0;
  if (!boResolve(list, args[1], &from)) return 1;
  if (cmd == "convert" && !boResolve(list, args[3], &to)) return 1;
  // The module takes its paths in code page 1252; the files are checked by
  // their own (UTF-8) names.
  std::string inAnsi, outAnsi, iniAnsi;
  if (in.empty()) {
    std::fprintf(stderr, "kvxhost: the input file's name is empty\n");
    return 1;
  }
  for (const std::string* name : {&in, &out}) {
    if (!boForModule(*name, name == &in ? &inAnsi : &outAnsi)) {
      std::fprintf(stderr, "kvxhost: the name %s cannot be given to the module: code page 1252 cannot hold it\n",
                   name->c_str());
      return 1;
    }
    if ((name == &in ? inAnsi : outAnsi).size() >= kModulePathSize) {
      std::fprintf(stderr, "kvxhost: the name %s is too long for the module (at most %d characters)\n", name->c_str(),
                   (int)kModulePathSize - 1);
      return 1;
    }
  }
  if (!boCheckInput(in)) return 1;
  if (cmd == "convert" && !boCheckOutput(in, out)) return 1;

  if (ini.empty() && (ini = sDefaultIni()).empty()) return 1;
  if (!boCheckIni(ini)) return 1;
  if (!boForModule(ini, &iniAnsi) || iniAnsi.size() >= sizeof(MboHostRec::sIniPath)) {
    std::fprintf(stderr, "kvxhost: the settings file's name %s cannot be given to the module\n", ini.c_str());
    return 1;
  }
  PrivateTemp temp;
  if (!temp.boMake()) return 1;

  MboHostRec host{};
  host.uVersion = MBO_HOST_REC_VERSION;
  std::snprintf(host.sIniPath, sizeof host.sIniPath, "%s", iniAnsi.c_str());
  m.init(&host);

  // A reader that fails says why, and the module empties the field book
  // only once it has a reader for the instrument: a failed read without a
  // word that leaves a point put there before means there was none.
  m.newPoint("kvxhost");
  int iShownBefore = g_asked.iShown;
  bool boRead = m.read(&host, from, inAnsi.c_str()) != 0;
  bool ok = boRead && boNothingRefused();
  if (!boRead && boSilent(iShownBefore) && iPoPointsGetCount(m.points()) > 0)
    std::fprintf(stderr, "kvxhost: instrument %d has no reader\n", from);
  else if (!ok)
    std::fprintf(stderr, "kvxhost: reading %s as instrument %d failed\n", in.c_str(), from);
  if (ok && report) vPrintReport(temp.dir, in);
  if (ok && iPrintCounts(m, cmd == "show" ? 10 : 0) == 0) {
    std::fprintf(stderr, "kvxhost: nothing read from %s as instrument %d\n", in.c_str(), from);
    ok = false;
  }
  if (ok && cmd == "convert") {
    // A refused dialog or question fails the write too: its reason comes first.
    iShownBefore = g_asked.iShown;
    bool boWritten = m.write(&host, to, outAnsi.c_str()) != 0;
    ok = boNothingRefused() && boWritten;
    // A writer that fails says why.
    bool boNoWriter = !boWritten && boSilent(iShownBefore);
    if (boNoWriter)
      std::fprintf(stderr, "kvxhost: instrument %d has no writer\n", to);
    else if (!ok)
      std::fprintf(stderr, "kvxhost: writing %s as instrument %d failed\n", out.c_str(), to);
    else
      std::printf("written %s\n", out.c_str());
  }
  m.finish();
  return ok ? 0 : 1;
}
