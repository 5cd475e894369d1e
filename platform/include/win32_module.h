// DllMain and module loading. See win32.h.
#pragma once

#include "win32_base.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L

typedef INT_PTR(WINAPI* FARPROC)(void);

// A module's entry point, as the loader calls it.
typedef BOOL(WINAPI* KvxDllMainFn)(HINSTANCE instance, DWORD reason, LPVOID reserved);
// A module's resources (dialog templates, string table), handed to the
// window manager as the loader maps them with the image on Windows.
typedef void (*KvxModuleResourcesFn)(HINSTANCE instance);

extern "C" {
// Loading on demand. Only the system modules that the layer itself stands
// in for load: "hhctrl.ocx" (HTML help) gives the layer's own module.
// Others fail with ERROR_MOD_NOT_FOUND.
KVX_PLATFORM_API HMODULE WINAPI LoadLibraryA(LPCSTR name);
// An exported function of a module (an instance handle as DllMain gets it,
// or what LoadLibraryA gave); null with ERROR_PROC_NOT_FOUND when absent.
KVX_PLATFORM_API FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
// The layer's modules stay loaded: TRUE.
KVX_PLATFORM_API BOOL WINAPI FreeLibrary(HMODULE module);

// The stand-in for the loader's part: a module registers its entry point
// from a load-time constructor; the layer maps its resources (when it has
// any), then calls the entry point with DLL_PROCESS_ATTACH, as Windows does
// when it maps the DLL. The instance is an address inside the module (so
// that dladdr finds the module's file). Returns what the entry point
// returned; a second registration of the same instance calls nothing and
// returns TRUE.
KVX_PLATFORM_API BOOL KvxPlatformAttachModule(KvxDllMainFn entry, HINSTANCE instance,
                                              KvxModuleResourcesFn resources = nullptr);
// Called from the module's unload-time destructor: the entry point gets
// DLL_PROCESS_DETACH and the registration is dropped.
KVX_PLATFORM_API void KvxPlatformDetachModule(HINSTANCE instance);
// The entry point registered for an instance, or null.
KVX_PLATFORM_API KvxDllMainFn KvxPlatformModuleEntry(HINSTANCE instance);
}
