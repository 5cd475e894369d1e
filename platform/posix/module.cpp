// Module registration (each module's DllMain on load and unload) and
// loading system modules on demand.
#include <dlfcn.h>
#include <strings.h>

#include <cstring>
#include <mutex>

#include "kvxtest_module.h"
#include "win32.h"
#include "results.h"

namespace {

struct AttachedModule {
  HINSTANCE instance;
  KvxDllMainFn entry;
};

// A process has a handful of modules; a small table is plenty. Kept in the
// order of attachment, without gaps.
constexpr int kMaxModules = 32;
AttachedModule g_modules[kMaxModules];
int g_moduleCount = 0;
std::mutex g_modulesLock;

int iFindModule(HINSTANCE instance) {
  for (int i = 0; i < g_moduleCount; ++i)
    if (g_modules[i].instance == instance) return i;
  return -1;
}

// Its address is the layer's own module handle.
char g_platformAnchor;

}  // namespace

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR name) {
  if (!name) return KvxFail(ERROR_INVALID_PARAMETER);
  const char* base = name;
  for (const char* p = name; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
  if (strcasecmp(base, "hhctrl.ocx") == 0) return reinterpret_cast<HMODULE>(&g_platformAnchor);
  return KvxFail(ERROR_MOD_NOT_FOUND);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  Dl_info info{};
  if (!module || !name || IS_INTRESOURCE(name) || !dladdr(module, &info) || !info.dli_fname)
    return KvxFail(module ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
  // The module is loaded already (the handle lies inside it): take a
  // reference only for the look-up.
  void* lib = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  void* fn = lib ? dlsym(lib, name) : nullptr;
  if (lib) dlclose(lib);
  if (!fn) return KvxFail(ERROR_PROC_NOT_FOUND);
  return reinterpret_cast<FARPROC>(fn);
}

BOOL WINAPI FreeLibrary(HMODULE module) { return module ? TRUE : FALSE; }

BOOL KvxPlatformAttachModule(KvxDllMainFn entry, HINSTANCE instance, KvxModuleResourcesFn resources) {
  if (!entry || !instance) return FALSE;
  {
    std::lock_guard<std::mutex> lock(g_modulesLock);
    if (iFindModule(instance) >= 0) return TRUE;
    if (g_moduleCount == kMaxModules) return FALSE;
    g_modules[g_moduleCount++] = {instance, entry};
  }
  // Called outside the lock: both call back into the layer.
  if (resources) resources(instance);
  return entry(instance, DLL_PROCESS_ATTACH, nullptr);
}

void KvxPlatformDetachModule(HINSTANCE instance) {
  KvxDllMainFn entry = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_modulesLock);
    int slot = instance ? iFindModule(instance) : -1;
    if (slot < 0) return;
    entry = g_modules[slot].entry;
    for (int i = slot + 1; i < g_moduleCount; ++i) g_modules[i - 1] = g_modules[i];
    --g_moduleCount;
  }
  entry(instance, DLL_PROCESS_DETACH, nullptr);
}

KvxDllMainFn KvxPlatformModuleEntry(HINSTANCE instance) {
  std::lock_guard<std::mutex> lock(g_modulesLock);
  int slot = instance ? iFindModule(instance) : -1;
  return slot < 0 ? nullptr : g_modules[slot].entry;
}

int KvxTestModuleCount(void) {
  std::lock_guard<std::mutex> lock(g_modulesLock);
  return g_moduleCount;
}

HINSTANCE KvxTestModuleInstance(int index) {
  std::lock_guard<std::mutex> lock(g_modulesLock);
  return index >= 0 && index < g_moduleCount ? g_modules[index].instance : nullptr;
}

}  // extern "C"
