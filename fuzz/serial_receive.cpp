// libFuzzer target for what an instrument sends over the line: the input
// arrives on a pseudo-terminal that the port layer reads as COM1, and the
// block layer receives it into a raw file (end text "-9", reply '#', the
// input's first byte as the abort character). Whatever came, the raw file
// must hold whole lines only: CR LF after each, no CR, LF or NUL inside, none
// longer than the line buffer. Time-outs run on the virtual clock.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "fieldbook/transfer.h"
#include "fieldbook/transfer_context.h"
#include "instruments/serial/block.h"
#include "instruments/serial/port.h"
#include "kvxtest_clock.h"
#include "kvxtest_msgbox.h"
#include "kvxtest_serial.h"

namespace {

int g_master = -1;
int g_slave = -1;
std::string g_raw;

int iSilentBox(void*, HWND, const char*, const char*, UINT style) { return kvxTestMsgBoxDefault(style); }

// The instrument takes the replies, so that the port never waits on it.
void vDrain() {
  char buf[4096];
  for (;;) {
    pollfd p = {g_master, POLLIN, 0};
    if (poll(&p, 1, 100) > 0 && read(g_master, buf, sizeof buf) < 0 && errno != EAGAIN) return;
  }
}

void vCheckRaw() {
  FILE* f = fopen(g_raw.c_str(), "rb");
  if (!f) return;  // nothing was written
  std::string bytes;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  fclose(f);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos || end - start >= BLK_LINE_SIZE) abort();
    for (size_t i = start; i < end; ++i)
      if (bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == 0) abort();
    start = end + 2;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/kvx_fuzz_serial_XXXXXX";
  if (!mkdtemp(dir)) abort();
  g_raw = std::string(dir) + "/input.raw";
  g_master = posix_openpt(O_RDWR | O_NOCTTY);
  if (g_master < 0 || grantpt(g_master) || unlockpt(g_master)) abort();
  termios t;
  tcgetattr(g_master, &t);
  cfmakeraw(&t);
  tcsetattr(g_master, TCSANOW, &t);
  fcntl(g_master, F_SETFL, fcntl(g_master, F_GETFL) | O_NONBLOCK);
  g_slave = open(ptsname(g_master), O_RDWR | O_NOCTTY);  // keeps the line between opens
  vKvxTestSerialMapPort(1, ptsname(g_master));
  vKvxTestClockSetVirtual(true);
  vKvxTestClockSetPeekStep(1000);  // a time-out in a few turns of the wait
  kvxTestSetMsgBoxHook(iSilentBox, nullptr);
  g_mboTransfer.settings.com = {1, 9600, 8, 0, 0};
  std::thread(vDrain).detach();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 3000) return 0;  // what a pseudo-terminal holds unread
  size_t done = 1;
  while (done < size) {
    ssize_t n = write(g_master, data + done, size - done);
    if (n > 0)
      done += (size_t)n;
    else if (n < 0 && errno != EAGAIN && errno != EINTR)
      abort();
  }
  // Let the line deliver everything before the port looks.
  for (int i = 0, queued = 0; i < 1000 && (ioctl(g_slave, FIONREAD, &queued), (size_t)queued < size - 1); ++i)
    usleep(100);
  if (!boBlkOpenPort(0)) abort();
  vComSetLineChars('\r', '\n');
  vComSetReplyChar('#');
  vComSetAbortChar(data[0]);
  uint32_t hRaw = hMboCreateFile(g_raw.c_str());
  g_mboTransfer.uAbort = 0;
  boBlkReceiveFile(hRaw, "-9");
  vMboCloseFile(&hRaw);
  vComClose();
  tcflush(g_slave, TCIFLUSH);  // what the receive left unread
  vCheckRaw();
  return 0;
}
