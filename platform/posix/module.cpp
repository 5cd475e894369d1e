// Module registration: calls each module's DllMain on load and unload.
#include <mutex>

#include "win32.h"

namespace {

struct AttachedModule {
  HINSTANCE instance;
  KvxDllMainFn entry;
};

// A process has a handful of modules; a small table is plenty.
constexpr int kMaxModules = 32;
AttachedModule g_modules[kMaxModules];
std::mutex g_modulesLock;

int iFindModule(HINSTANCE instance) {
  for (int i = 0; i < kMaxModules; ++i)
    if (g_modules[i].instance == instance) return i;
  return -1;
}

}  // namespace

extern "C" {

BOOL KvxPlatformAttachModule(KvxDllMainFn entry, HINSTANCE instance) {
  if (!entry || !instance) return FALSE;
  {
    std::lock_guard<std::mutex> lock(g_modulesLock);
    if (iFindModule(instance) >= 0) return TRUE;
    int slot = iFindModule(nullptr);
    if (slot < 0) return FALSE;
    g_modules[slot] = {instance, entry};
  }
  // Called outside the lock: the entry point may call back into the layer.
  return entry(instance, DLL_PROCESS_ATTACH, nullptr);
}

void KvxPlatformDetachModule(HINSTANCE instance) {
  KvxDllMainFn entry = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_modulesLock);
    int slot = instance ? iFindModule(instance) : -1;
    if (slot < 0) return;
    entry = g_modules[slot].entry;
    g_modules[slot] = {nullptr, nullptr};
  }
  entry(instance, DLL_PROCESS_DETACH, nullptr);
}

KvxDllMainFn KvxPlatformModuleEntry(HINSTANCE instance) {
  std::lock_guard<std::mutex> lock(g_modulesLock);
  int slot = instance ? iFindModule(instance) : -1;
  return slot < 0 ? nullptr : g_modules[slot].entry;
}

}  // extern "C"
