// HTML help: records each call and tells whether a viewer would open.
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "kvxtest_help.h"
#include "win32.h"
#include "results.h"

namespace {

std::mutex g_helpLock;
std::vector<KvxTestHelpCall> g_helpCalls;
int g_helpAnswer = KVXTEST_HELP_AUTO;
char g_helpWindow;  // its address stands for the viewer's window

void vCopyText(char* dest, size_t size, const char* src, BOOL* isNull) {
  *isNull = src == nullptr;
  uKvxGiveBack(src ? src : "", dest, size, kvxCut);
}

// The file part of "file::/page" names an existing file (through the file
// layer, so that paths are taken as everywhere else).
bool boHelpFileExists(const char* file) {
  if (!file || !*file) return false;
  std::string path(file);
  size_t sep = path.find("::");
  if (sep != std::string::npos) path.resize(sep);
  DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

extern "C" {

HWND WINAPI HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
  KvxTestHelpCall call{};
  call.caller = caller;
  call.command = command;
  call.data = data;
  vCopyText(call.file, sizeof call.file, file, &call.fileNull);
  const char* topic = command == HH_DISPLAY_TOPIC ? reinterpret_cast<const char*>(data) : nullptr;
  vCopyText(call.topic, sizeof call.topic, topic, &call.topicNull);
  int answer;
  try {
    std::lock_guard<std::mutex> lock(g_helpLock);
    g_helpCalls.push_back(call);
    answer = g_helpAnswer;
  } catch (...) {
    return nullptr;
  }
  if (command == HH_CLOSE_ALL) return nullptr;
  bool open;
  try {
    open = answer == KVXTEST_HELP_WINDOW || (answer == KVXTEST_HELP_AUTO && boHelpFileExists(file));
  } catch (...) {
    open = false;
  }
  return open ? reinterpret_cast<HWND>(&g_helpWindow) : nullptr;
}

void KvxTestHelpReset(void) {
  std::lock_guard<std::mutex> lock(g_helpLock);
  g_helpCalls.clear();
  g_helpAnswer = KVXTEST_HELP_AUTO;
}

void KvxTestHelpSetAnswer(int answer) {
  std::lock_guard<std::mutex> lock(g_helpLock);
  g_helpAnswer = answer;
}

int KvxTestHelpCallCount(void) {
  std::lock_guard<std::mutex> lock(g_helpLock);
  return static_cast<int>(g_helpCalls.size());
}

BOOL KvxTestHelpGetCall(int index, KvxTestHelpCall* call) {
  std::lock_guard<std::mutex> lock(g_helpLock);
  if (!call || index < 0 || index >= static_cast<int>(g_helpCalls.size())) return FALSE;
  *call = g_helpCalls[static_cast<size_t>(index)];
  return TRUE;
}

}  // extern "C"
