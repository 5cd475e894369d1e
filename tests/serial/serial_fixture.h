// Shared by the serial tests: a simulated instrument on COM1 (virtual clock),
// the global settings pointing at it, a raw file in a fresh folder, and a
// status window that records the status line (and the user's
// Stop pressed: sim.User(PressStop)).
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "testing/sim_instrument.h"
#include "testing/tempdir.h"
#include "win32.h"

namespace serialtest {

// The prompts and the time-out warning several instruments share.
inline constexpr char kChooseData[] = "Choose data for transfer.";
inline constexpr char kMakeReady[] = "Make fieldbook ready to receive";
inline constexpr char kTimeout[] = "ERROR! Timeout, try again";

// What the transfer dialog's Stop button does.
void PressStop();

class SerialTest : public testing::Test {
 public:
  using Transfer = bool (*)(const char* sName);  // a driver's receive or send

 protected:
  void SetUp() override;
  void TearDown() override;

  // The raw file: written by the test, opened for the code under test.
  void WriteRaw(const std::string& bytes) { tmp_.Write("raw.txt", bytes); }
  uint32_t OpenRaw(bool boForWriting);
  void CloseRaw();
  std::string ReadRaw();

  // A driver's receive or send as the user starts it: its prompt answered
  // with OK, then each box given expected in turn, the raw file opened (for
  // writing on a receive) and the instrument started.
  bool Run(Transfer fn, const char* prompt, bool receive, std::initializer_list<const char*> boxes = {});
  // The instrument chosen in the settings, and its receive and send with
  // their prompts, for Receive and Send.
  void Use(uint32_t instrument, Transfer receive, const char* receivePrompt, Transfer send, const char* sendPrompt);
  bool Receive(std::initializer_list<const char*> boxes = {}) { return Run(receive_, receivePrompt_, true, boxes); }
  // The raw file holds `raw`, then the send runs.
  bool Send(const std::string& raw, std::initializer_list<const char*> boxes = {});
  // Cancel at each prompt: the transfer fails and nothing reaches the line.
  void CancelAtEach(std::initializer_list<std::pair<Transfer, const char*>> prompts);
  // Ports the layer holds open now.
  static int OpenPorts();

  // Every text the status line showed, in order.
  const std::vector<std::string>& Status() { return status_; }
  // Every message box text of the test so far, in order.
  std::vector<std::string> Boxes();

  kvxtest::SimInstrument sim{1};
  kvxtest::TempDir tmp_;
  std::string dir_ = tmp_.Path();
  std::string rawPath_;
  uint32_t hRaw_ = 0;

 private:
  static LRESULT CALLBACK StatusProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
  Transfer receive_ = nullptr;
  Transfer send_ = nullptr;
  const char* receivePrompt_ = nullptr;
  const char* sendPrompt_ = nullptr;
  HWND window_ = nullptr;
  std::vector<std::string> status_;
};

}  // namespace serialtest
