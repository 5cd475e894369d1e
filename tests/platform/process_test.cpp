// Starting programs: the command line reaches the program split by the
// Windows rules and never through a shell; exit codes, waits and handles.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kvxtest_process.h"
#include "testing/standin.h"
#include "testing/tempdir.h"
#include "win32.h"

namespace fs = std::filesystem;

namespace {

using kvxtest::WinPath;

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("KVX_STANDIN_LOG", (dir_ + "/args.log").c_str(), 1); }
  void TearDown() override {
    for (const char* v : {"KVX_STANDIN_LOG", "KVX_STANDIN_EXIT", "KVX_STANDIN_SIGNAL", "KVX_STANDIN_SLEEP_MS"})
      unsetenv(v);
    kvxTestSetWinExecHook(nullptr);
  }
  // Runs the stand-in with the command line, waits, and returns its exit code.
  DWORD Run(std::string commandLine) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string app = WinPath(KVX_STANDIN);
    EXPECT_TRUE(CreateProcessA(app.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), (DWORD)WAIT_OBJECT_0);
    DWORD code = 12345;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    return code;
  }
  // The arguments of every run so far, one list per run.
  std::vector<std::vector<std::string>> Logged() { return kvxtest::StandinRuns(tmp_.Path("args.log")); }
  kvxtest::TempDir tmp_;
  const std::string dir_ = tmp_.Path();
};

TEST(CommandLine, SplitByWindowsRules) {
  struct Case {
    const char* line;
    std::vector<std::string> items;
  } cases[] = {
      {"prog a b", {"prog", "a", "b"}},
      {" /p \"C:\\dir\" /l \"x y\"", {"", "/p", "C:\\dir", "/l", "x y"}},
      {"\"C:\\Program Files\\x.exe\" arg", {"C:\\Program Files\\x.exe", "arg"}},
      {"p a\\\\b \"c\\\\\" d", {"p", "a\\\\b", "c\\", "d"}},  // 2n backslashes before a quote: n
      {"p \"a\\\"b\"", {"p", "a\"b"}},                        // 2n+1: n and a quote
      {"p \"\" x\"y z\"w", {"p", "", "xy zw"}},
      {"p \"a\"\"b\"", {"p", "a\"b"}},  // "" inside quotes
      {"p\ta\t\t\"b", {"p", "a", "b"}},
      {"p \\\\server\\share\\", {"p", "\\\\server\\share\\"}},
  };
  for (const Case& c : cases) EXPECT_EQ(KvxSplitCommandLine(c.line), c.items) << c.line;
}

TEST_F(ProcessTest, ArgumentsArriveAsSplitAndNoShellRuns) {
  std::string marker = dir_ + "/shell_ran";
  // ';', '$(...)' and '>' are plain characters to a program started
  // without a shell; the ANSI 'ø' arrives as UTF-8.
  EXPECT_EQ(Run(" /p \"C:\\dir\\\\\" \"a;touch " + marker + "\" $(touch " + marker + ") >x \xF8"), 0u);
  std::vector<std::vector<std::string>> want = {
      {"/p", "C:\\dir\\", "a;touch " + marker, "$(touch", marker + ")", ">x", "\xC3\xB8"}};
  EXPECT_EQ(Logged(), want);
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_FALSE(fs::exists(dir_ + "/x"));
}

TEST_F(ProcessTest, ExitCodesAndSignals) {
  setenv("KVX_STANDIN_EXIT", "23", 1);
  EXPECT_EQ(Run("x"), 23u);
  setenv("KVX_STANDIN_SIGNAL", "11", 1);
  EXPECT_EQ(Run("x"), 0xC000000Bu);  // a crash gives a large code, never a small one
}

TEST_F(ProcessTest, WaitWithTimeLimitAndStillActive) {
  setenv("KVX_STANDIN_SLEEP_MS", "300", 1);
  STARTUPINFOA si = {};
  PROCESS_INFORMATION pi = {};
  std::string app = WinPath(KVX_STANDIN), line = "x";
  ASSERT_TRUE(CreateProcessA(app.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 1), (DWORD)WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(pi.hThread, INFINITE), (DWORD)WAIT_OBJECT_0);  // the thread ends with it
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(GetExitCodeProcess(pi.hThread, &code));  // not a process handle
  EXPECT_TRUE(CloseHandle(pi.hProcess));
  EXPECT_TRUE(CloseHandle(pi.hThread));
  EXPECT_FALSE(CloseHandle(pi.hProcess));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST_F(ProcessTest, MissingProgramAndWinExec) {
  STARTUPINFOA si = {};
  PROCESS_INFORMATION pi = {};
  std::string app = WinPath(dir_ + "/nothing.exe"), line = "x";
  EXPECT_FALSE(CreateProcessA(app.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(WinExec("kvx-no-such-program-here x", SW_SHOWNORMAL), 2u);
  // The program is the command line's first item, found by its path.
  EXPECT_GT(WinExec(("\"" + WinPath(KVX_STANDIN) + "\" one \"two three\"").c_str(), SW_SHOWNORMAL), 31u);
  for (int i = 0; i < 500 && Logged().empty(); ++i) usleep(10000);
  std::vector<std::vector<std::string>> want = {{"one", "two three"}};
  EXPECT_EQ(Logged(), want);
  static std::string recorded;
  kvxTestSetWinExecHook([](const char* line, UINT) -> UINT {
    recorded = line;
    return 33;
  });
  EXPECT_EQ(WinExec("notepad \\tmp\\a b.gsi", SW_SHOWNORMAL), 33u);
  EXPECT_EQ(recorded, "notepad \\tmp\\a b.gsi");
}

}  // namespace
