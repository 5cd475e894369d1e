// A simulated instrument on the master side of a real pseudo-terminal. The
// module opens the slave side as its serial port ("COMn" mapped to it) and
// talks to the instrument byte by byte, while the instrument runs its script
// in a thread of its own:
//
//   kvxtest::SimInstrument sim(1);              // answers on COM1
//   sim.Expect("OM=JOB1\r\n").Send("5=100\r\n").Expect("#\r\n")
//      .Silent(11000);                           // the module times out
//   sim.Start();
//   ... run the transfer ...
//   EXPECT_TRUE(sim.Finished()) << sim.Transcript();
//
// Time: the tests run on the virtual clock, and the instrument holds that
// clock back while it has work to do (bytes sent that the port has not taken
// yet, bytes written by the port that it has not read, or a step it is
// carrying out). So virtual time passes only while the instrument itself
// waits, and a ten-second time-out takes a few milliseconds, yet never
// overtakes an answer the instrument is about to give.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "win32.h"

namespace kvxtest {

// The line as the port configured it.
struct SimLine {
  unsigned uBaud;
  int iDataBits;
  char cParity;  // 'N', 'O', 'E'
  int iStopBits;
  bool boParityChecked;  // input parity check
  bool boXonXoff;        // software flow control both ways
  bool boHardwareFlow;
  bool boRaw;  // no line editing, echo, signals or CR/LF translation
};

class SimInstrument {
 public:
  // Opens the pseudo-terminal, maps "COM<port>" to it and switches the clock
  // to virtual time (back to real time when it is destroyed).
  explicit SimInstrument(int port = 1);
  ~SimInstrument();
  SimInstrument(const SimInstrument&) = delete;
  SimInstrument& operator=(const SimInstrument&) = delete;

  // The script, in order. Expect: wait until these bytes have come (what
  // came before them is kept in the log). Send: write the bytes. Silent:
  // say nothing for so many milliseconds of virtual time. HangUp: close the
  // line once the port has taken everything sent (the device goes away).
  SimInstrument& Expect(const std::string& bytes);
  SimInstrument& Send(const std::string& bytes);
  SimInstrument& Silent(DWORD ms);
  SimInstrument& HangUp();
  // The user acts (presses Stop, clicks a button) while the module waits
  // for the instrument, once it has read everything sent so far: the action
  // runs in the module's thread, at its next wait.
  SimInstrument& User(std::function<void()> action);
  void Start();

  // True once every step has been carried out (after the instrument has
  // looked at everything the port wrote).
  bool Finished();
  // Every byte the instrument has received.
  std::string Received();
  // Both directions in order, control bytes escaped, for failure messages.
  std::string Transcript();
  // The line settings of the slave side now.
  SimLine Line();
  // The slave device's path.
  const std::string& DevicePath() const { return path_; }

 private:
  struct Step {
    int kind;
    std::string bytes;
    DWORD ms;
    std::function<void()> action;
  };
  void Run();
  bool DrainLocked();  // reads what the port wrote; true when bytes came
  bool Quiet();        // whether virtual time may pass now
  bool AllTaken();     // the port has taken everything sent from the line
  bool AllRead();      // ...and the program has read it from the port
  static void Gate(void* self);
  void Note(char direction, const std::string& bytes);

  int port_;
  int master_ = -1;
  int slave_ = -1;  // held open so that the line exists between the port's opens
  std::string path_;
  std::vector<Step> steps_;
  std::thread thread_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool stop_ = false;
  bool finished_ = false;
  bool hungUp_ = false;
  int stepKind_ = -1;
  DWORD silentStart_ = 0, silentMs_ = 0;  // of a Silent step
  bool waiting_ = false;                  // blocked in a step that waits for the port or for time
  std::function<void()> action_;          // a User step waiting for the module's thread
  uint64_t sent_ = 0, received_ = 0;      // bytes through the master
  uint64_t baseIn_ = 0, baseOut_ = 0;     // the port layer's counts at the start
  std::string input_;                     // received, not yet matched by Expect
  std::string all_;                       // every byte received
  std::string transcript_;
};

}  // namespace kvxtest
