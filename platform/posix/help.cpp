// HTML help: records each call and tells whether a viewer would open.
#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "kvxtest_help.h"
#include "win32.h"

namespace {

std::mutex g_helpLock;
std::vector<KvxTestHelpCall> g_helpCalls;
int g_helpAnswer = KVXTEST_HELP_AUTO;
char g_helpWindow;  // its address stands for the viewer's window

void vCopyText(char* dest, size_t size, const char* src, BOOL* isNull) {
  *isNull = src == nullptr;
  if (!src) src = "";
  size_t n = strnlen(src, size - 1);
  memcpy(dest, src, n);
  dest[n] = '\0';
}

// The file part of "file::/page>window", as a path of this system: ANSI
// bytes above 0x7F become UTF-8, '\' becomes '/'.
std::string sHelpFilePath(const char* file) {
  std::string path;
  for (const char* p = file; *p; ++p) {
    if (p[0] == ':' && p[1] == ':') break;
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\\') {
      path += '/';
    } else if (c < 0x80) {
      path += static_cast<char>(c);
    } else {
      // Code page 1252's letters of the Latin-1 range map one to one; the
      // few others do not occur in help paths.
      path += static_cast<char>(0xC0 | (c >> 6));
      path += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return path;
}

bool boHelpFileExists(const char* file) {
  if (!file || !*file) return false;
  struct stat st;
  return stat(sHelpFilePath(file).c_str(), &st) == 0 && S_ISREG(st.st_mode);
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
  bool open = answer == KVXTEST_HELP_WINDOW || (answer == KVXTEST_HELP_AUTO && boHelpFileExists(file));
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
