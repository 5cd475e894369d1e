// The simulated instrument: a pseudo-terminal's master side and a thread that
// runs the script. See sim_instrument.h.
#include "testing/sim_instrument.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "kvxtest_clock.h"
#include "kvxtest_serial.h"

namespace kvxtest {

namespace {

enum { kExpect, kSend, kSilent, kHangUp, kUser };

// How long the waiting code may be held back at most: only a fault in a
// test (a step that can never end) comes near it.
constexpr auto kGateCap = std::chrono::seconds(2);

std::string sEscaped(const std::string& bytes) {
  std::string out;
  char hex[8];
  for (unsigned char c : bytes) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c < 0x20 || c >= 0x7F || c == '\\')
      snprintf(hex, sizeof hex, "\\x%02X", c), out += hex;
    else
      out += (char)c;
  }
  return out;
}

}  // namespace

SimInstrument::SimInstrument(int port) : port_(port) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    fprintf(stderr, "no pseudo-terminal: errno %d\n", errno);
    abort();
  }
  path_ = ptsname(master_);
  // Raw before the port opens, so that nothing sent early is echoed.
  termios t;
  tcgetattr(master_, &t);
  cfmakeraw(&t);
  tcsetattr(master_, TCSANOW, &t);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  slave_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  KvxTestSerialCounters c;
  vKvxTestSerialGetCounters(&c);
  baseIn_ = c.received;
  baseOut_ = c.written;
  vKvxTestSerialMapPort(port_, path_.c_str());
  vKvxTestClockSetVirtual(true);
}

SimInstrument::~SimInstrument() {
  vKvxTestClockSetGate(nullptr, nullptr);
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  vKvxTestClockSetVirtual(false);
  vKvxTestSerialMapPort(port_, nullptr);
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
}

SimInstrument& SimInstrument::Expect(const std::string& bytes) {
  steps_.push_back({kExpect, bytes, 0, nullptr});
  return *this;
}

SimInstrument& SimInstrument::Send(const std::string& bytes) {
  steps_.push_back({kSend, bytes, 0, nullptr});
  return *this;
}

SimInstrument& SimInstrument::Silent(DWORD ms) {
  steps_.push_back({kSilent, std::string(), ms, nullptr});
  return *this;
}

SimInstrument& SimInstrument::HangUp() {
  steps_.push_back({kHangUp, std::string(), 0, nullptr});
  return *this;
}

SimInstrument& SimInstrument::User(std::function<void()> action) {
  steps_.push_back({kUser, std::string(), 0, std::move(action)});
  return *this;
}

void SimInstrument::Start() {
  vKvxTestClockSetGate(&SimInstrument::Gate, this);
  thread_ = std::thread(&SimInstrument::Run, this);
}

bool SimInstrument::Finished() {
  // First let the instrument look at everything the port wrote.
  std::unique_lock<std::mutex> guard(lock_);
  auto until = std::chrono::steady_clock::now() + kGateCap;
  while (!finished_ && !stop_ && !hungUp_ && std::chrono::steady_clock::now() < until) {
    KvxTestSerialCounters c;
    vKvxTestSerialGetCounters(&c);
    if (waiting_ && received_ >= c.written - baseOut_) break;
    changed_.wait_for(guard, std::chrono::milliseconds(1));
  }
  return finished_;
}

std::string SimInstrument::Received() {
  std::lock_guard<std::mutex> guard(lock_);
  DrainLocked();
  return all_;
}

std::string SimInstrument::Transcript() {
  std::lock_guard<std::mutex> guard(lock_);
  DrainLocked();
  return transcript_ + "\n";
}

SimLine SimInstrument::Line() {
  termios t;
  SimLine line = {};
  if (tcgetattr(slave_, &t) != 0) return line;
  static const struct {
    speed_t speed;
    unsigned baud;
  } speeds[] = {{B1200, 1200}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200}, {B38400, 38400}};
  for (const auto& s : speeds)
    if (cfgetospeed(&t) == s.speed) line.uBaud = s.baud;
  // A pseudo-terminal always shows 8 bits without parity, whatever it was
  // asked for: those two are what the port asked the system for.
  vKvxTestSerialRequested(&line.iDataBits, &line.cParity);
  line.iStopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
  line.boParityChecked = (t.c_iflag & INPCK) != 0;
  line.boXonXoff = (t.c_iflag & IXON) && (t.c_iflag & IXOFF);
  line.boHardwareFlow = (t.c_cflag & CRTSCTS) != 0;
  line.boRaw =
      !(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) && !(t.c_iflag & (ICRNL | INLCR | IGNCR)) && !(t.c_oflag & OPOST);
  return line;
}

void SimInstrument::Note(char direction, const std::string& bytes) {
  if (transcript_.empty() || transcript_[transcript_.rfind('\n') + 1] != direction)
    transcript_ += std::string(transcript_.empty() ? "" : "\n") + direction + ' ';
  transcript_ += sEscaped(bytes);
}

bool SimInstrument::DrainLocked() {
  bool any = false;
  char buf[4096];
  for (;;) {
    if (master_ < 0) return any;
    ssize_t n = read(master_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return any;
    std::string bytes(buf, (size_t)n);
    input_ += bytes;
    all_ += bytes;
    received_ += (uint64_t)n;
    Note('<', bytes);
    waiting_ = false;  // the step must look at them before time may pass
    any = true;
  }
}

bool SimInstrument::Quiet() {
  if (stop_ || hungUp_) return true;
  if (!waiting_) return false;
  // A step about to end: the instrument acts before more time passes.
  if ((stepKind_ == kHangUp && AllTaken()) || (stepKind_ == kSilent && GetTickCount() - silentStart_ >= silentMs_)) {
    changed_.notify_all();
    return false;
  }
  KvxTestSerialCounters c;
  vKvxTestSerialGetCounters(&c);
  int queued = 0;
  ioctl(slave_, FIONREAD, &queued);
  // Everything sent lies ready for the port, and everything the port wrote
  // has been looked at.
  return (c.received - baseIn_) + (uint64_t)queued >= sent_ && received_ >= c.written - baseOut_;
}

bool SimInstrument::AllTaken() {
  KvxTestSerialCounters c;
  vKvxTestSerialGetCounters(&c);
  return c.received - baseIn_ >= sent_;
}

bool SimInstrument::AllRead() {
  KvxTestSerialCounters c;
  vKvxTestSerialGetCounters(&c);
  return c.received - baseIn_ >= sent_ && c.queued == 0;
}

void SimInstrument::Gate(void* self) {
  SimInstrument* sim = (SimInstrument*)self;
  std::unique_lock<std::mutex> guard(sim->lock_);
  auto until = std::chrono::steady_clock::now() + kGateCap;
  while (!sim->Quiet()) {
    if (std::chrono::steady_clock::now() >= until) {
      fprintf(stderr, "simulated instrument: clock held back too long\n%s\n", sim->transcript_.c_str());
      return;
    }
    sim->changed_.wait_for(guard, std::chrono::milliseconds(1));
  }
  if (sim->action_ && sim->AllRead()) {
    std::function<void()> action = std::move(sim->action_);
    sim->action_ = nullptr;
    guard.unlock();
    action();
    guard.lock();
    sim->changed_.notify_all();
    // The step is over once the instrument has seen that.
    until = std::chrono::steady_clock::now() + kGateCap;
    while (sim->stepKind_ == kUser && !sim->action_ && !sim->stop_ && std::chrono::steady_clock::now() < until)
      sim->changed_.wait_for(guard, std::chrono::milliseconds(1));
  }
}

void SimInstrument::Run() {
  auto pollMaster = [this](int ms) {
    pollfd p = {master_, POLLIN, 0};
    poll(&p, 1, ms);
  };
  for (const Step& step : steps_) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stepKind_ = step.kind;
      silentStart_ = GetTickCount();
      silentMs_ = step.ms;
    }
    if (step.kind == kSend) {
      {
        std::lock_guard<std::mutex> guard(lock_);
        if (stop_) return;
        waiting_ = false;
        sent_ += step.bytes.size();
        // With XON/XOFF on, the line itself takes those two: the port never sees them.
        termios t;
        if (tcgetattr(slave_, &t) == 0 && (t.c_iflag & IXON))
          for (char c : step.bytes)
            if (c == 0x11 || c == 0x13) --sent_;
        Note('>', step.bytes);
      }
      size_t done = 0;
      while (done < step.bytes.size()) {
        ssize_t n = write(master_, step.bytes.data() + done, step.bytes.size() - done);
        if (n > 0) {
          done += (size_t)n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
          pollfd p = {master_, POLLOUT, 0};
          poll(&p, 1, 5);
        } else {
          break;
        }
      }
      continue;
    }
    bool handed = false;
    auto deadline = std::chrono::steady_clock::now() + kGateCap;
    for (;;) {
      {
        std::unique_lock<std::mutex> guard(lock_);
        if (stop_) return;
        DrainLocked();
        bool done = false;
        if (step.kind == kExpect) {
          size_t at = input_.find(step.bytes);
          if (at != std::string::npos) input_.erase(0, at + step.bytes.size()), done = true;
        } else if (step.kind == kSilent) {
          done = GetTickCount() - silentStart_ >= silentMs_;
        } else if (step.kind == kUser) {
          // Handed to the module's thread on the first look; done once it ran.
          if (!handed) action_ = step.action, handed = true;
          done = !action_;
        } else {
          // A hang-up throws away what the port has not taken yet; wait for
          // it to take everything first (bounded, should it never read).
          if (AllTaken() || std::chrono::steady_clock::now() >= deadline) {
            close(master_);
            master_ = -1;
            hungUp_ = true;
            done = true;
          }
        }
        waiting_ = !done;
        if (done) break;
        changed_.notify_all();
        // An Expect waits for bytes; the other steps for time or the gate.
        if (step.kind != kExpect || master_ < 0) {
          changed_.wait_for(guard, std::chrono::milliseconds(1));
          continue;
        }
      }
      pollMaster(1);
    }
    changed_.notify_all();
  }
  std::unique_lock<std::mutex> guard(lock_);
  stepKind_ = -1;
  finished_ = true;
  waiting_ = true;
  changed_.notify_all();
  // Keep taking what the port writes, as a device would, until the end.
  while (!stop_ && master_ >= 0) {
    DrainLocked();
    waiting_ = true;
    guard.unlock();
    changed_.notify_all();
    pollMaster(5);
    guard.lock();
  }
}

}  // namespace kvxtest
