// The platform's part in loading modules and showing help.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "kvxtest_help.h"
#include "kvxtest_module.h"
#include "testing/tempdir.h"
#include "win32.h"

namespace {

std::vector<DWORD> g_reasons;
BOOL g_answer = TRUE;

BOOL WINAPI FakeEntry(HINSTANCE, DWORD reason, LPVOID) {
  g_reasons.push_back(reason);
  return g_answer;
}

// Marks in g_reasons where the module's resources were mapped.
const DWORD kResourcesMapped = 0xFFFF;
void FakeResources(HINSTANCE) { g_reasons.push_back(kResourcesMapped); }

char g_fakeModule;

}  // namespace

TEST(ModuleRegistry, AttachCallsProcessAttachOnceAndDetachCallsDetach) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(&g_fakeModule);
  int before = KvxTestModuleCount();
  g_reasons.clear();
  EXPECT_TRUE(KvxPlatformAttachModule(FakeEntry, instance, FakeResources));
  EXPECT_TRUE(KvxPlatformAttachModule(FakeEntry, instance, FakeResources));  // already there
  // The resources are there before the entry point runs, as on Windows.
  ASSERT_EQ(g_reasons, (std::vector<DWORD>{kResourcesMapped, DLL_PROCESS_ATTACH}));
  g_reasons.erase(g_reasons.begin());
  EXPECT_EQ(KvxTestModuleCount(), before + 1);
  EXPECT_EQ(KvxTestModuleInstance(before), instance);
  EXPECT_EQ(KvxPlatformModuleEntry(instance), &FakeEntry);
  KvxPlatformDetachModule(instance);
  EXPECT_EQ(g_reasons, (std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH}));
  EXPECT_EQ(KvxPlatformModuleEntry(instance), nullptr);
  EXPECT_EQ(KvxTestModuleCount(), before);
  KvxPlatformDetachModule(instance);  // gone already: nothing
  EXPECT_EQ(g_reasons.size(), 2u);
  EXPECT_FALSE(KvxPlatformAttachModule(nullptr, instance));
  EXPECT_FALSE(KvxPlatformAttachModule(FakeEntry, nullptr));
  // The entry point's answer is passed on.
  g_answer = FALSE;
  EXPECT_FALSE(KvxPlatformAttachModule(FakeEntry, instance));
  g_answer = TRUE;
  KvxPlatformDetachModule(instance);
}

TEST(HtmlHelp, RecordsCallsAndOpensOnlyExistingFiles) {
  KvxTestHelpReset();
  kvxtest::TempDir tmp;
  std::string file = tmp.Write("survey.chm", "");
  // The module passes Windows paths: '\' separators.
  std::string winPath = tmp.Win("survey.chm");

  HWND owner = reinterpret_cast<HWND>(&g_fakeModule);
  EXPECT_NE(HtmlHelpA(owner, winPath.c_str(), HH_DISPLAY_TOPIC, reinterpret_cast<DWORD_PTR>("import.htm")), nullptr);
  EXPECT_NE(HtmlHelpA(nullptr, (winPath + "::/x.htm").c_str(), HH_DISPLAY_TOC, 0), nullptr);
  EXPECT_EQ(HtmlHelpA(nullptr, tmp.Path("none.chm").c_str(), HH_DISPLAY_TOPIC, reinterpret_cast<DWORD_PTR>("a.htm")),
            nullptr);
  EXPECT_EQ(HtmlHelpA(nullptr, nullptr, HH_DISPLAY_TOPIC, 0), nullptr);

  ASSERT_EQ(KvxTestHelpCallCount(), 4);
  KvxTestHelpCall call;
  ASSERT_TRUE(KvxTestHelpGetCall(0, &call));
  EXPECT_EQ(call.caller, owner);
  EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TOPIC));
  EXPECT_EQ(std::string(call.file), winPath);
  EXPECT_STREQ(call.topic, "import.htm");
  EXPECT_FALSE(call.topicNull);
  ASSERT_TRUE(KvxTestHelpGetCall(1, &call));
  EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TOC));
  EXPECT_TRUE(call.topicNull);
  ASSERT_TRUE(KvxTestHelpGetCall(3, &call));
  EXPECT_TRUE(call.fileNull);
  EXPECT_TRUE(call.topicNull);
  EXPECT_FALSE(KvxTestHelpGetCall(4, &call));

  KvxTestHelpSetAnswer(KVXTEST_HELP_NOTHING);
  EXPECT_EQ(HtmlHelpA(nullptr, winPath.c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
  KvxTestHelpSetAnswer(KVXTEST_HELP_WINDOW);
  EXPECT_NE(HtmlHelpA(nullptr, "C:\\none.chm", HH_DISPLAY_TOPIC, 0), nullptr);
  KvxTestHelpReset();
  EXPECT_EQ(KvxTestHelpCallCount(), 0);
  EXPECT_EQ(HtmlHelpA(nullptr, "C:\\none.chm", HH_DISPLAY_TOPIC, 0), nullptr);
  KvxTestHelpReset();
}

TEST(ModuleLoading, HelpViewerLoadsOnDemandFromTheLayer) {
  HMODULE viewer = LoadLibraryA("C:\\Windows\\System32\\HHCtrl.ocx");
  ASSERT_NE(viewer, nullptr);
  FARPROC fn = GetProcAddress(viewer, "HtmlHelpA");
  EXPECT_EQ(reinterpret_cast<void*>(fn), reinterpret_cast<void*>(&HtmlHelpA));
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(viewer, "NoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(viewer));
  EXPECT_EQ(LoadLibraryA("nosuch.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "HtmlHelpA"), nullptr);
}
