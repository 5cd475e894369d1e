// Serial ports over termios. See win32_comm.h for what the module can rely
// on; the notes here say how it is done.
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "handles.h"
#include "kvxtest_serial.h"
#include "win32.h"
#include "results.h"

namespace {

struct SerialPort {
  int fd;
  bool tty;
  DCB dcb;
  std::string in;  // received, not yet read
  bool hungUp;
  bool haveCounts;  // the driver keeps line-error counters
  serial_icounter_struct counts;
};

std::mutex gLock;  // the test map and the counters below
std::map<int, std::string> gMap;
DWORD gInjected = 0;
uint64_t gReceived = 0;
uint64_t gWritten = 0;
uint64_t gQueued = 0;
int gOpenPorts = 0;
int gRequestedBits = 0;
char gRequestedParity = 0;

constexpr int kPollSliceMs = 50;
constexpr DWORD kWriteStallMs = 10000;
constexpr DWORD kWriteSliceMs = 10;

struct SpeedPair {
  DWORD baud;
  speed_t speed;
};
const SpeedPair kSpeeds[] = {{110, B110},       {300, B300},       {600, B600},       {1200, B1200},    {2400, B2400},
                             {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},  {57600, B57600},
                             {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};

bool boSpeedOf(DWORD baud, speed_t* speed) {
  for (const SpeedPair& p : kSpeeds)
    if (p.baud == baud) return *speed = p.speed, true;
  return false;
}

DWORD uBaudOf(speed_t speed) {
  for (const SpeedPair& p : kSpeeds)
    if (p.speed == speed) return p.baud;
  return 9600;
}

// "COMn" or "\\.\COMn" (any case): n, else -1.
int iPortNumber(const char* name) {
  if (strncmp(name, "\\\\.\\", 4) == 0) name += 4;
  if (strncasecmp(name, "COM", 3) != 0 || !name[3]) return -1;
  int n = 0;
  for (const char* p = name + 3; *p; ++p) {
    if (*p < '0' || *p > '9' || n > 1000) return -1;
    n = n * 10 + (*p - '0');
  }
  return n;
}

// The host device of a name; "" for COM0, which exists nowhere.
std::string sDevicePath(const char* name) {
  int port = iPortNumber(name);
  if (port < 0) {
    char host[1024];
    return KvxPlatformHostPath(name, host, (int)sizeof host) < 0 ? std::string() : std::string(host);
  }
  if (port == 0) return std::string();
  std::lock_guard<std::mutex> guard(gLock);
  auto it = gMap.find(port);
  return it != gMap.end() ? it->second : "/dev/ttyS" + std::to_string(port - 1);
}

DWORD uOpenError(int err) {
  switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case EBUSY:
    case EWOULDBLOCK:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_OPEN_FAILED;
  }
}

// The DCB that describes the line as the system has it now.
void vDcbFromLine(SerialPort* port) {
  DCB& d = port->dcb;
  memset(&d, 0, sizeof d);
  d.DCBlength = sizeof(DCB);
  d.BaudRate = 9600;
  d.fBinary = 1;
  d.fDtrControl = DTR_CONTROL_ENABLE;
  d.fRtsControl = RTS_CONTROL_ENABLE;
  d.XonLim = 2048;
  d.XoffLim = 512;
  d.ByteSize = 8;
  d.XonChar = 0x11;
  d.XoffChar = 0x13;
  termios t;
  if (!port->tty || tcgetattr(port->fd, &t) != 0) return;
  d.BaudRate = uBaudOf(cfgetospeed(&t));
  switch (t.c_cflag & CSIZE) {
    case CS5:
      d.ByteSize = 5;
      break;
    case CS6:
      d.ByteSize = 6;
      break;
    case CS7:
      d.ByteSize = 7;
      break;
    default:
      d.ByteSize = 8;
      break;
  }
  d.Parity = !(t.c_cflag & PARENB) ? NOPARITY : (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  d.StopBits = (t.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  d.fParity = (t.c_iflag & INPCK) ? 1 : 0;
  d.fOutX = (t.c_iflag & IXON) ? 1 : 0;
  d.fInX = (t.c_iflag & IXOFF) ? 1 : 0;
  d.XonChar = (char)t.c_cc[VSTART];
  d.XoffChar = (char)t.c_cc[VSTOP];
}

void vClosePort(void* object);
const KvxHandleKind kSerialKind = {"serial port", vClosePort};

void vClosePort(void* object) {
  SerialPort* port = (SerialPort*)object;
  close(port->fd);  // drops the lock; with HUPCL also DTR
  std::lock_guard<std::mutex> guard(gLock);
  gQueued -= port->in.size();
  --gOpenPorts;
  delete port;
}

SerialPort* pPort(HANDLE handle) { return (SerialPort*)pKvxHandleObject(handle, &kSerialKind); }

// Moves what the device holds into the port's queue, and notes a hang-up:
// after one the system has thrown away what was still unread.
void vPull(SerialPort* port) {
  if (port->hungUp) return;
  for (;;) {
    pollfd p = {port->fd, POLLIN, 0};
    if (poll(&p, 1, 0) < 0) {
      if (errno == EINTR) continue;
      port->hungUp = true;
      return;
    }
    ssize_t n = 0;
    char buf[4096];
    if (p.revents & POLLIN) n = read(port->fd, buf, sizeof buf);
    if (n > 0) {
      size_t before = port->in.size();
      for (ssize_t i = 0; i < n; ++i)
        if (buf[i] || !port->dcb.fNull) port->in += buf[i];
      std::lock_guard<std::mutex> guard(gLock);
      gReceived += (uint64_t)n;
      gQueued += port->in.size() - before;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if ((n < 0 && errno != EAGAIN) || (p.revents & (POLLHUP | POLLERR))) port->hungUp = true;
    return;
  }
}

// The line errors the driver counted since the last look.
DWORD uCountedErrors(SerialPort* port) {
  serial_icounter_struct now;
  if (!port->haveCounts || ioctl(port->fd, TIOCGICOUNT, &now) != 0) return 0;
  DWORD e = 0;
  if (now.frame != port->counts.frame) e |= CE_FRAME;
  if (now.parity != port->counts.parity) e |= CE_RXPARITY;
  if (now.overrun != port->counts.overrun) e |= CE_OVERRUN;
  if (now.buf_overrun != port->counts.buf_overrun) e |= CE_RXOVER;
  if (now.brk != port->counts.brk) e |= CE_BREAK;
  port->counts = now;
  return e;
}

bool boWaitFor(SerialPort* port, short events) {
  pollfd p = {port->fd, events, 0};
  int r = poll(&p, 1, kPollSliceMs);
  return r >= 0 || errno == EINTR;
}

}  // namespace

extern "C" {

void vKvxTestSerialMapPort(int port, const char* hostPath) {
  std::lock_guard<std::mutex> guard(gLock);
  if (hostPath)
    gMap[port] = hostPath;
  else
    gMap.erase(port);
}

void vKvxTestSerialInjectErrors(DWORD errors) {
  std::lock_guard<std::mutex> guard(gLock);
  gInjected |= errors;
}

void vKvxTestSerialRequested(int* dataBits, char* parity) {
  std::lock_guard<std::mutex> guard(gLock);
  *dataBits = gRequestedBits;
  *parity = gRequestedParity;
}

void vKvxTestSerialGetCounters(KvxTestSerialCounters* counters) {
  std::lock_guard<std::mutex> guard(gLock);
  *counters = {gReceived, gWritten, gQueued, gOpenPorts};
}

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                          DWORD flags, HANDLE templateFile) {
  (void)shareMode, (void)security, (void)flags, (void)templateFile;
  if (!name || !*name || disposition != OPEN_EXISTING || !(access & (GENERIC_READ | GENERIC_WRITE)))
    return KvxFail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  std::string device = sDevicePath(name);
  if (device.empty()) return KvxFail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  int mode = (access & GENERIC_READ) && (access & GENERIC_WRITE) ? O_RDWR
             : (access & GENERIC_READ)                           ? O_RDONLY
                                                                 : O_WRONLY;
  int fd = open(device.c_str(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return KvxFail(uOpenError(errno), INVALID_HANDLE_VALUE);
  // A port has one user at a time, across processes too.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    DWORD error = uOpenError(errno);
    close(fd);
    return KvxFail(error, INVALID_HANDLE_VALUE);
  }
  SerialPort* port = new SerialPort();
  port->fd = fd;
  port->tty = isatty(fd) != 0;
  port->hungUp = false;
  port->haveCounts = port->tty && ioctl(fd, TIOCGICOUNT, &port->counts) == 0;
  vDcbFromLine(port);
  {
    std::lock_guard<std::mutex> guard(gLock);
    ++gOpenPorts;
  }
  HANDLE handle = hKvxHandleNew(&kSerialKind, port);
  if (!handle) {
    vClosePort(port);
    return KvxFail(ERROR_NOT_ENOUGH_MEMORY, INVALID_HANDLE_VALUE);
  }
  return handle;
}

BOOL WINAPI GetCommState(HANDLE handle, LPDCB dcb) {
  SerialPort* port = pPort(handle);
  if (!port || !dcb) return KvxFail(port ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
  if (!port->tty) return KvxFail(ERROR_INVALID_FUNCTION);
  *dcb = port->dcb;
  return TRUE;
}

BOOL WINAPI SetCommState(HANDLE handle, LPDCB dcb) {
  SerialPort* port = pPort(handle);
  if (!port || !dcb) return KvxFail(port ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
  if (!port->tty) return KvxFail(ERROR_INVALID_FUNCTION);
  speed_t speed;
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (!boSpeedOf(dcb->BaudRate, &speed) || dcb->ByteSize < 5 || dcb->ByteSize > 8 || dcb->Parity > SPACEPARITY ||
      (dcb->StopBits != ONESTOPBIT && dcb->StopBits != TWOSTOPBITS))
    return KvxFail(ERROR_INVALID_PARAMETER);
  termios t;
  if (tcgetattr(port->fd, &t) != 0) return KvxFail(ERROR_BAD_COMMAND);
  // Raw: no line editing, no CR/LF translation, no signals, no echo.
  cfmakeraw(&t);
  t.c_iflag &= ~(tcflag_t)(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
  t.c_cflag &= ~(tcflag_t)(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CREAD | CLOCAL | HUPCL | kSizes[dcb->ByteSize - 5];
  if (dcb->Parity != NOPARITY) {
    t.c_cflag |= PARENB;
    if (dcb->Parity == ODDPARITY || dcb->Parity == MARKPARITY) t.c_cflag |= PARODD;
    if (dcb->Parity >= MARKPARITY) t.c_cflag |= CMSPAR;
    if (dcb->fParity) t.c_iflag |= INPCK;
  }
  if (dcb->StopBits == TWOSTOPBITS) t.c_cflag |= CSTOPB;
  if (dcb->fOutX) t.c_iflag |= IXON;
  if (dcb->fInX) t.c_iflag |= IXOFF;
  if (dcb->XonChar) t.c_cc[VSTART] = (cc_t)dcb->XonChar;
  if (dcb->XoffChar) t.c_cc[VSTOP] = (cc_t)dcb->XoffChar;
  // Reads never block in the system: the layer polls.
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  if (tcsetattr(port->fd, TCSANOW, &t) != 0) return KvxFail(ERROR_INVALID_PARAMETER);
  // A pseudo-terminal has no modem lines; a failure here is no error.
  int lines = TIOCM_DTR;
  ioctl(port->fd, dcb->fDtrControl == DTR_CONTROL_ENABLE ? TIOCMBIS : TIOCMBIC, &lines);
  lines = TIOCM_RTS;
  ioctl(port->fd, dcb->fRtsControl == RTS_CONTROL_ENABLE ? TIOCMBIS : TIOCMBIC, &lines);
  port->dcb = *dcb;
  port->dcb.DCBlength = sizeof(DCB);
  std::lock_guard<std::mutex> guard(gLock);
  gRequestedBits = dcb->ByteSize;
  gRequestedParity = "NOEMS"[dcb->Parity];
  return TRUE;
}

BOOL WINAPI ClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT stat) {
  SerialPort* port = pPort(handle);
  if (!port) return FALSE;
  if (!port->tty) return KvxFail(ERROR_INVALID_FUNCTION);
  vPull(port);
  DWORD e = uCountedErrors(port);
  {
    std::lock_guard<std::mutex> guard(gLock);
    e |= gInjected;
    gInjected = 0;
  }
  if (errors) *errors = e;
  if (stat) {
    memset(stat, 0, sizeof *stat);
    stat->cbInQue = (DWORD)port->in.size();
    int out = 0;
    if (ioctl(port->fd, TIOCOUTQ, &out) == 0 && out > 0) stat->cbOutQue = (DWORD)out;
  }
  if (port->hungUp && port->in.empty()) return KvxFail(ERROR_BAD_COMMAND);
  return TRUE;
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buf, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  if (read) *read = 0;
  SerialPort* port = pPort(handle);
  if (!port) return FALSE;
  if (overlapped || (!buf && size)) return KvxFail(ERROR_INVALID_PARAMETER);
  if (!port->tty) {
    ssize_t n = ::read(port->fd, buf, size);
    if (n < 0) return KvxFail(ERROR_BAD_COMMAND);
    if (read) *read = (DWORD)n;
    return TRUE;
  }
  DWORD got = 0;
  for (;;) {
    vPull(port);
    DWORD take = (DWORD)std::min<size_t>(size - got, port->in.size());
    memcpy((char*)buf + got, port->in.data(), take);
    port->in.erase(0, take);
    {
      std::lock_guard<std::mutex> guard(gLock);
      gQueued -= take;
    }
    got += take;
    if (read) *read = got;
    if (got == size) return TRUE;
    if (port->hungUp) return got ? TRUE : KvxFail(ERROR_BAD_COMMAND);
    if (!boWaitFor(port, POLLIN)) return KvxFail(ERROR_BAD_COMMAND);
  }
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buf, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written) *written = 0;
  SerialPort* port = pPort(handle);
  if (!port) return FALSE;
  if (overlapped || (!buf && size)) return KvxFail(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  DWORD stalledSince = GetTickCount();
  while (done < size) {
    ssize_t n = write(port->fd, (const char*)buf + done, size - done);
    if (n > 0) {
      done += (DWORD)n;
      if (written) *written = done;
      stalledSince = GetTickCount();
      std::lock_guard<std::mutex> guard(gLock);
      gWritten += (uint64_t)n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // The system's queue is full: wait for room, unless the line is gone.
      // An other end that holds the output back (XOFF) for longer than a
      // wait of the module ends the write, as a comm write time-out would.
      pollfd p = {port->fd, POLLOUT, 0};
      if (poll(&p, 1, 0) < 0 && errno != EINTR) return KvxFail(ERROR_BAD_COMMAND);
      if (!(p.revents & (POLLHUP | POLLERR))) {
        if (GetTickCount() - stalledSince > kWriteStallMs) return TRUE;
        Sleep(kWriteSliceMs);
        continue;
      }
    }
    if (port->tty) port->hungUp = true;
    return KvxFail(ERROR_BAD_COMMAND);
  }
  return TRUE;
}

}  // extern "C"
