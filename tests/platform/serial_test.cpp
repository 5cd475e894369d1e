// Serial ports of the platform layer on a bare pseudo-terminal (no simulated
// instrument): an other end that holds the output back (XOFF, and it reads
// nothing) ends a write after the wait, on the virtual clock, instead of
// blocking the program for ever.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "kvxtest_clock.h"
#include "kvxtest_serial.h"
#include "win32.h"

TEST(Serial, XoffHeldPastTheWaitEndsAWriteShort) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
  termios t;
  tcgetattr(master, &t);
  cfmakeraw(&t);
  tcsetattr(master, TCSANOW, &t);
  vKvxTestSerialMapPort(7, ptsname(master));
  vKvxTestClockSetVirtual(true);
  HANDLE port = CreateFileA("COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  DCB dcb = {};
  ASSERT_TRUE(GetCommState(port, &dcb));
  dcb.fOutX = 1;
  ASSERT_TRUE(SetCommState(port, &dcb));
  ASSERT_EQ(write(master, "\x13", 1), 1);  // XOFF, and never XON
  usleep(20000);                           // let the line take it
  std::string big(64 * 1024, 'x');
  DWORD start = GetTickCount(), written = 0;
  EXPECT_TRUE(WriteFile(port, big.data(), (DWORD)big.size(), &written, nullptr));
  EXPECT_LT(written, big.size());
  EXPECT_GT(GetTickCount() - start, 10000u);
  CloseHandle(port);
  vKvxTestClockSetVirtual(false);
  vKvxTestSerialMapPort(7, nullptr);
  close(master);
}
