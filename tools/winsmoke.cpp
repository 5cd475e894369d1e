// Smoke host for the Windows build: loads kvxfbio.dll as the host program
// does (LoadLibraryA, functions by name) and checks that the DLL and the
// host libraries it imports load and answer. Run under Wine by
// scripts/windows.sh; prints "winsmoke: success" and exits 0 when all holds.
#include <windows.h>

#include <cstdio>

namespace {

int iFailures = 0;

void vCheck(bool bo, const char* sWhat) {
  if (!bo) {
    ++iFailures;
    std::printf("winsmoke: FAILED: %s\n", sWhat);
  }
}

}  // namespace

int main() {
  HMODULE hModule = LoadLibraryA("kvxfbio.dll");
  if (hModule == nullptr) {
    std::printf("winsmoke: FAILED: LoadLibraryA(kvxfbio.dll), error %lu\n",
                static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  vCheck(FreeLibrary(hModule) != FALSE, "FreeLibrary");
  if (iFailures != 0) {
    return 1;
  }
  std::printf("winsmoke: success\n");
  return 0;
}
