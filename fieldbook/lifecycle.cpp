// Module lifecycle: init, finish and the container getters.
#include "fieldbook/lifecycle.h"

#include <cstring>

#include "base/rtdialog.h"
#include "base/text.h"
#include "fieldbook/model.h"
#include "fieldbook/stations.h"
#include "fieldbook/transfer_context.h"
#include "resources/resource.h"

MboState g_mbo;
HINSTANCE g_hMboInstance = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_hMboInstance = instance;
    vDlgSetInstance(instance);  // the instance of the dialogs and the string table
  }
  return TRUE;
}

#ifndef _WIN32
namespace {

// Its address is the module's instance handle, as the load address is on
// Windows: an address inside the module's image.
char g_moduleAnchor;

// The loader's part on Windows: map the resources and call DllMain when the
// library is mapped, call it again when it is unmapped.
struct ModuleLoad {
  ModuleLoad() { KvxPlatformAttachModule(DllMain, reinterpret_cast<HINSTANCE>(&g_moduleAnchor), vResRegisterAll); }
  ~ModuleLoad() { KvxPlatformDetachModule(reinterpret_cast<HINSTANCE>(&g_moduleAnchor)); }
};
ModuleLoad g_moduleLoad;

}  // namespace
#endif

void vKvxMboInit(MboHostRec* host) {
  // A second init without finish would leak the first field book.
  if (boMboFieldBookReady()) vMboFinishFieldBook();
  g_pMboPoints = nullptr;
  g_pMboLines = nullptr;
  g_pMboPolygons = nullptr;
  g_pMboNets = nullptr;
  vMboForgetStationLists();
  vMboInitFieldBook();
  if (host) {
    host->uPointsOut = reinterpret_cast<uintptr_t>(g_pMboPoints);
    host->uLinesOut = reinterpret_cast<uintptr_t>(g_pMboLines);
    host->uPolygonsOut = reinterpret_cast<uintptr_t>(g_pMboPolygons);
  }
  memset(&g_mbo, 0, sizeof g_mbo);
  vMboTransferStateClear();
}

void vKvxMboInitCoSysVer(uint64_t version) { g_mboTransfer.uCoSysVersion = version; }

void vKvxMboSetOwnerHelpFilePath(const char* path) { sStrCopyN(g_mbo.sHelpPath, path, sizeof g_mbo.sHelpPath); }

void vKvxMboFinish(void) {
  // Reference-system and geoid objects of a transfer are closed even when
  // there is no field book to free.
  vMboCloseCoSysObjects();
  if (!boMboFieldBookReady()) return;
  vMboFinishFieldBook();
  vMboForgetStationLists();
}

PoPoints* pKvxMboPoPointsGet(void) { return g_pMboPoints; }
LiLines* pKvxMboLiLinesGet(void) { return g_pMboLines; }
YgPolygons* pKvxMboYgPolygonsGet(void) { return g_pMboPolygons; }
TrNets* pKvxMboTrNetsGet(void) { return g_pMboNets; }
ViFields* pKvxMboPFieldsGet(void) { return g_pMboPoints ? pViPFieldsGet(g_pMboPoints) : nullptr; }
ViFields* pKvxMboLFieldsGet(void) { return g_pMboLines ? pViLFieldsGet(g_pMboLines) : nullptr; }
ViFields* pKvxMboYFieldsGet(void) { return g_pMboPolygons ? pViYFieldsGet(g_pMboPolygons) : nullptr; }
ViFields* pKvxMboNFieldsGet(void) { return g_pMboNets ? pViNFieldsGet(g_pMboNets) : nullptr; }

const char* sMboHelpFile(void) {
  const char* path = g_mbo.sHelpPath;
  if (!*path) return "";
  // The extension is what follows the last dot behind the last separator.
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  if (strchr(name, '.')) return path;
  size_t n = strlen(path);
  bool sep = path[n - 1] == '\\' || path[n - 1] == '/';
  return sStrFormat("%s%ssurvey.chm", path, sep ? "" : "\\");
}

namespace {

// The HTML help viewer's library is loaded at the first help request.
typedef HWND(WINAPI* HtmlHelpFn)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);
HtmlHelpFn g_pfnHtmlHelp = nullptr;
const UINT kHelpDisplayTopic = 0x0000;  // HH_DISPLAY_TOPIC

HtmlHelpFn pfnHtmlHelp() {
  if (!g_pfnHtmlHelp) {
    HMODULE viewer = LoadLibraryA("hhctrl.ocx");
    FARPROC fn = viewer ? GetProcAddress(viewer, "HtmlHelpA") : nullptr;
    g_pfnHtmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(fn));
  }
  return g_pfnHtmlHelp;
}

}  // namespace

bool boMboShowHelp(const char* helpName) {
  char file[300];
  sStrCopyN(file, sMboHelpFile(), sizeof file);
  if (!*file) return false;
  DWORD attr = GetFileAttributesA(file);
  if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
  HtmlHelpFn htmlHelp = pfnHtmlHelp();
  if (!htmlHelp) return false;
  char topic[300];
  sStrPrintN(topic, sizeof topic, "%s.htm", sStrNotNull(helpName));
  return htmlHelp(GetDesktopWindow(), file, kHelpDisplayTopic, reinterpret_cast<DWORD_PTR>(topic)) != nullptr;
}
