#include "tests/serial/serial_fixture.h"

#include "fieldbook/transfer_context.h"
#include "fieldbook/transfer.h"
#include "instruments/serial/port.h"
#include "kvxtest_serial.h"
#include "testing/ui_driver.h"

namespace serialtest {

namespace {
SerialTest* g_running = nullptr;
}

void PressStop() { g_mboTransfer.uAbort = 1; }

LRESULT CALLBACK SerialTest::StatusProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETTEXT && g_running && GetDlgCtrlID(h) == 1006) {
    std::string text = lParam ? (const char*)lParam : "";
    g_running->status_.push_back(text);
  }
  return DefWindowProcA(h, msg, wParam, lParam);
}

void SerialTest::SetUp() {
  g_running = this;
  rawPath_ = tmp_.Path("raw.txt");
  g_mboTransfer.uAbort = 0;
  g_mboTransfer.settings.com = {1, 9600, 8, 0, 0};
  g_mboTransfer.settings.sIniPath = nullptr;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = StatusProc;
  wc.lpszClassName = "KvxSerialTestStatus";
  RegisterClassA(&wc);
  window_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD, 0, 0, 10, 10, window_, (HMENU)(INT_PTR)1006, nullptr, nullptr);
  vMboSetStatusWindow(window_);
}

void SerialTest::TearDown() {
  CloseRaw();
  vComClose();
  vMboSetStatusWindow(nullptr);
  DestroyWindow(window_);
  g_running = nullptr;
}

uint32_t SerialTest::OpenRaw(bool boForWriting) {
  CloseRaw();
  hRaw_ = boForWriting ? hMboCreateFile(rawPath_.c_str()) : hMboOpenFile(rawPath_.c_str(), 0);
  return hRaw_;
}

void SerialTest::CloseRaw() { vMboCloseFile(&hRaw_); }

std::string SerialTest::ReadRaw() {
  CloseRaw();
  return kvxtest::ReadFile(rawPath_);
}

bool SerialTest::Run(Transfer fn, const char* prompt, bool receive, std::initializer_list<const char*> boxes) {
  vUiExpectBox(IDOK, prompt);
  for (const char* box : boxes) vUiExpectBox(IDOK, box);
  g_mboTransfer.hRaw = OpenRaw(receive);
  sim.Start();
  bool ok = fn(nullptr);
  g_mboTransfer.hRaw = 0;
  return ok;
}

void SerialTest::Use(uint32_t instrument, Transfer receive, const char* receivePrompt, Transfer send,
                     const char* sendPrompt) {
  g_mboTransfer.settings.uInstrument = instrument;
  receive_ = receive;
  receivePrompt_ = receivePrompt;
  send_ = send;
  sendPrompt_ = sendPrompt;
}

bool SerialTest::Send(const std::string& raw, std::initializer_list<const char*> boxes) {
  WriteRaw(raw);
  return Run(send_, sendPrompt_, false, boxes);
}

void SerialTest::CancelAtEach(std::initializer_list<std::pair<Transfer, const char*>> prompts) {
  for (auto [fn, prompt] : prompts) {
    vUiExpectBox(IDCANCEL, prompt);
    EXPECT_FALSE(fn(nullptr)) << prompt;
  }
  EXPECT_EQ(sim.Received(), "");
}

int SerialTest::OpenPorts() {
  KvxTestSerialCounters c;
  vKvxTestSerialGetCounters(&c);
  return c.openPorts;
}

std::vector<std::string> SerialTest::Boxes() {
  std::vector<std::string> texts;
  for (const UiBoxRecord& r : UiBoxLog()) texts.push_back(r.sText);
  return texts;
}

}  // namespace serialtest
