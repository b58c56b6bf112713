#include "serial/posix_serial_port.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/file_store.h"
#include "serial/network_or_serial_port.h"
#include "serial/port_failure_text.h"
#include "serial/tcp_serial_port.h"

namespace klv {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Milliseconds for poll, rounded up: rounding down would wake just before
// the deadline and poll again with 0, a short burst of spinning.
int PollMilliseconds(SteadyClock::duration remaining) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
  return static_cast<int>(std::clamp<decltype(ms)>(ms, 0, 60'000));
}

// How the device appears to the operator: the target of a port link rather
// than the link in the data folder.
std::string DeviceShownAs(const std::filesystem::path& device) {
  std::error_code error;
  if (!std::filesystem::is_symlink(device, error)) return device.string();
  std::filesystem::path target = std::filesystem::read_symlink(device, error);
  if (error) return device.string();
  if (target.is_relative()) target = device.parent_path() / target;
  return target.lexically_normal().string();
}

// Applies the settings and reads them back; true when inForce finds them in
// force. A refusal other than EINVAL fails at once; errno tells why.
template <typename Check>
bool SetAttributes(int fd, const termios& wanted, Check inForce) {
  errno = 0;
  if (::tcsetattr(fd, TCSANOW, &wanted) != 0 && errno != EINVAL) return false;
  const int setError = errno;
  termios applied{};
  if (::tcgetattr(fd, &applied) != 0) return false;
  if (inForce(applied)) return true;
  errno = setError != 0 ? setError : EINVAL;
  return false;
}

// A cause that names no device: the system's words only.
PortFailure OtherFailure(std::string text) { return {PortFailureKind::Other, {}, {}, std::move(text)}; }

// Whether the open device is the terminal this process runs in: /dev/tty
// itself, the controlling terminal under its own name, or the terminal of
// the standard streams. Setting it up as a serial line would leave the
// operator's terminal raw, without echo.
bool IsOwnTerminal(int fd) {
  struct stat port {};
  if (::fstat(fd, &port) != 0 || !S_ISCHR(port.st_mode)) return false;
  if (port.st_rdev == makedev(5, 0)) return true;
  const auto same = [&port](int other) {
    struct stat own {};
    return ::isatty(other) == 1 && ::fstat(other, &own) == 0 && own.st_rdev == port.st_rdev;
  };
  if (same(STDIN_FILENO) || same(STDOUT_FILENO) || same(STDERR_FILENO)) return true;
  const int terminal = ::open("/dev/tty", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (terminal < 0) return false;  // the process has no terminal of its own
  const bool controlling = same(terminal);
  ::close(terminal);
  return controlling;
}

PortOpenStatus Failed(PortStatus status, PortFailure failure = {}) {
  std::string cause = PortFailureText(failure, Language::English);
  return PortOpenStatus{status, std::move(cause), std::move(failure)};
}

}  // namespace

bool SpeedCode(int32_t speed, speed_t& code) {
  static constexpr struct {
    int32_t speed;
    speed_t code;
  } kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                 {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
  for (const auto& entry : kSpeeds) {
    if (entry.speed == speed) {
      code = entry.code;
      return true;
    }
  }
  return false;
}

bool ApplyLineSettings(termios& tio, const LineSettings& settings) {
  speed_t code{};
  if (!SpeedCode(settings.speed, code)) return false;

  // Raw: bytes pass as they are, no echo, no signals, no line editing, no
  // CR/LF translation either way. IGNPAR and PARMRK off with INPCK on: a byte
  // with a parity error reads as 0, which the frame's BCC then rejects.
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY);
  tio.c_iflag |= INPCK;
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);

  tcflag_t clear = CSIZE | PARENB | PARODD | CSTOPB | HUPCL;
#ifdef CRTSCTS
  clear |= CRTSCTS;
#endif
#ifdef CMSPAR
  clear |= CMSPAR;
#endif
  tio.c_cflag &= ~clear;
  // CLOCAL: the regulator drives no modem lines, so their state must not
  // block the open or hang up the line. No HUPCL: closing leaves DTR alone.
  tio.c_cflag |= CLOCAL | CREAD | (settings.dataBits == 8 ? CS8 : CS7);
  if (settings.parity != Parity::None) tio.c_cflag |= PARENB;
  if (settings.parity == Parity::Odd) tio.c_cflag |= PARODD;
  if (settings.stopBits != 1) tio.c_cflag |= CSTOPB;

  cfsetispeed(&tio, code);
  cfsetospeed(&tio, code);
  return true;
}

PortFailure ClassifyOpenFailure(const std::string& device, int error, const std::optional<DeviceOwner>& owner) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return {PortFailureKind::NoSuchDevice, device, {}, {}};
    case EACCES:
    case EPERM: {
      if (!owner) return {PortFailureKind::PermissionDenied, device, {}, {}};
      // Joining the group only helps when the group may both read and write
      // the device; joining root is never the answer.
      const bool groupMayUse = (owner->mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
      if (groupMayUse && owner->gid != 0) return {PortFailureKind::PermissionDenied, device, owner->group, {}};
      PortFailure failure{PortFailureKind::PermissionDenied, device, {}, {}};
      failure.owner = owner->user + ":" + owner->group;
      failure.mode = owner->mode & 07777;
      return failure;
    }
    case EBUSY:
    case EWOULDBLOCK: return {PortFailureKind::Busy, device, {}, {}};
    default: return {PortFailureKind::Other, device, {}, SystemErrorText(error)};
  }
}

std::string DescribeOpenFailure(const std::string& device, int error, const std::optional<DeviceOwner>& owner) {
  return PortFailureText(ClassifyOpenFailure(device, error, owner), Language::English);
}

namespace {

// Calls lookup(buffer, size) with a buffer that grows while it reports ERANGE.
template <typename Lookup>
bool WithNameBuffer(long sizeHint, Lookup lookup) {
  std::vector<char> text(sizeHint > 0 ? static_cast<std::size_t>(sizeHint) : 1024);
  while (lookup(text.data(), text.size()) == ERANGE) {
    if (text.size() >= (1u << 20)) return false;
    text.resize(text.size() * 2);
  }
  return true;
}

}  // namespace

std::optional<DeviceOwner> OwnerOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  DeviceOwner owner;
  owner.gid = info.st_gid;
  owner.mode = info.st_mode & 07777;
  owner.user = std::to_string(info.st_uid);
  owner.group = std::to_string(info.st_gid);
  WithNameBuffer(::sysconf(_SC_GETPW_R_SIZE_MAX), [&](char* text, std::size_t size) {
    passwd entry{};
    passwd* found = nullptr;
    const int result = ::getpwuid_r(info.st_uid, &entry, text, size, &found);
    if (result == 0 && found != nullptr) owner.user = found->pw_name;
    return result;
  });
  WithNameBuffer(::sysconf(_SC_GETGR_R_SIZE_MAX), [&](char* text, std::size_t size) {
    group entry{};
    group* found = nullptr;
    const int result = ::getgrgid_r(info.st_gid, &entry, text, size, &found);
    if (result == 0 && found != nullptr) owner.group = found->gr_name;
    return result;
  });
  return owner;
}

bool LineSettingsTookEffect(const termios& wanted, const termios& applied) {
  constexpr tcflag_t kInput =
      IGNBRK | BRKINT | IGNPAR | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK;
  constexpr tcflag_t kOutput = OPOST;
  constexpr tcflag_t kLocal = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
  tcflag_t control = CLOCAL | CREAD | HUPCL;
#ifdef CRTSCTS
  control |= CRTSCTS;
#endif
  return cfgetispeed(&applied) == cfgetispeed(&wanted) && cfgetospeed(&applied) == cfgetospeed(&wanted) &&
         ((applied.c_iflag ^ wanted.c_iflag) & kInput) == 0 &&
         ((applied.c_oflag ^ wanted.c_oflag) & kOutput) == 0 &&
         ((applied.c_lflag ^ wanted.c_lflag) & kLocal) == 0 &&
         ((applied.c_cflag ^ wanted.c_cflag) & control) == 0;
}

PosixSerialPort::~PosixSerialPort() { Close(); }

PortOpenStatus PosixSerialPort::Open(const std::filesystem::path& device, const LineSettings& settings) {
  Close();
  const std::string shown = DeviceShownAs(device);
  if (device.empty()) return Failed(PortStatus::CannotOpen, ClassifyOpenFailure("(none)", ENOENT, std::nullopt));

  // O_NONBLOCK: the open must not wait for a carrier, and every read and
  // write below is paced by poll against its own deadline. O_NOCTTY: the
  // port never becomes the program's controlling terminal.
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    return Failed(PortStatus::CannotOpen, ClassifyOpenFailure(shown, error, OwnerOf(device)));
  }
  fd_ = fd;
  const auto fail = [this](PortStatus status, PortFailure failure = {}) {
    Close();
    return Failed(status, std::move(failure));
  };

  if (IsOwnTerminal(fd_)) {
    return fail(PortStatus::CannotOpen, PortFailure{PortFailureKind::OwnTerminal, shown});
  }

  // The lock is what makes the port ours: TIOCEXCL alone does not stop root
  // or a second open within this process.
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    return fail(PortStatus::CannotOpen, ClassifyOpenFailure(shown, error, std::nullopt));
  }

  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return fail(PortStatus::NotASerialLine, OtherFailure(SystemErrorText(errno)));
  // Other programs that open the device now get EBUSY (root excepted).
  ::ioctl(fd_, TIOCEXCL);

  if (!ApplyLineSettings(tio, settings)) return fail(PortStatus::SetupFailed, OtherFailure("unsupported speed"));
  // tcsetattr reports success when any part of a request took, and on some
  // kernels EINVAL when the only difference was one the driver cannot hold
  // (7 data bits or parity on a pseudo-terminal). Neither says whether the
  // speed took, so the settings read back decide.
  if (!SetAttributes(fd_, tio,
                     [&tio](const termios& applied) { return LineSettingsTookEffect(tio, applied); })) {
    return fail(PortStatus::SetupFailed, OtherFailure(SystemErrorText(errno)));
  }

  // DTR and RTS held off. A pseudo-terminal has no modem lines and refuses
  // the request; that is no failure.
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (::ioctl(fd_, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
    return fail(PortStatus::SetupFailed, OtherFailure(SystemErrorText(errno)));
  }

  // The time-outs are kept here and enforced by poll; the driver itself must
  // never wait, so a read returns at once with what is queued.
  if (settings.readTimeout <= std::chrono::milliseconds::zero() ||
      settings.writeTimeout <= std::chrono::milliseconds::zero()) {
    return fail(PortStatus::TimeoutSetupFailed);
  }
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (!SetAttributes(fd_, tio, [](const termios& applied) {
        return applied.c_cc[VMIN] == 0 && applied.c_cc[VTIME] == 0;
      })) {
    return fail(PortStatus::TimeoutSetupFailed, OtherFailure(SystemErrorText(errno)));
  }

  settings_ = settings;
  return {};
}

WriteOutcome PosixSerialPort::Write(std::span<const uint8_t> bytes) {
  WriteOutcome outcome;
  if (fd_ < 0) return outcome;
  const auto deadline = SteadyClock::now() + settings_.writeTimeout;
  while (outcome.written < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + outcome.written, bytes.size() - outcome.written);
    if (n > 0) {
      outcome.written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return outcome;  // e.g. EIO: device gone
    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) return outcome;
    pollfd waiting{fd_, POLLOUT, 0};
    const int ready = ::poll(&waiting, 1, PollMilliseconds(remaining));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return outcome;
    if ((waiting.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return outcome;
  }
  outcome.ok = WaitUntilSent(deadline);
  return outcome;
}

// The read time-out of a request counts from when the request has left, as
// with a write that completes on the line; otherwise a 50 ms read would lose
// the ~20 ms a 17-byte frame takes at 9600 bits per second.
bool PosixSerialPort::WaitUntilSent(SteadyClock::time_point deadline) {
  const int bitsPerByte =
      1 + settings_.dataBits + (settings_.parity != Parity::None ? 1 : 0) + settings_.stopBits;
  for (;;) {
    int queued = 0;
    // Devices without an output queue count (or a pseudo-terminal, which
    // has none) are done as soon as the bytes are written.
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) return true;
    const auto now = SteadyClock::now();
    if (now >= deadline) return false;
    // Sleep for as long as the queue takes on the line (at least 1 ms), so
    // this waits instead of asking the driver in a tight loop.
    const auto lineTime = std::chrono::microseconds(static_cast<int64_t>(queued) * bitsPerByte * 1'000'000 /
                                                    std::max<int32_t>(settings_.speed, 1));
    const auto step =
        std::clamp<SteadyClock::duration>(lineTime, std::chrono::milliseconds(1), deadline - now);
    std::this_thread::sleep_for(step);
  }
}

std::size_t PosixSerialPort::Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) {
  if (fd_ < 0 || buffer.empty()) return 0;
  const auto deadline = SteadyClock::now() + settings_.readTimeout;
  std::size_t got = 0;
  // Set once the time is up or the device has hung up: one last read then
  // collects what is queued, and the call returns.
  bool lastRead = false;
  // poll said "readable" but the read found nothing: a hung-up device that
  // does not say so would otherwise keep the loop busy until the deadline.
  bool readableButEmpty = false;
  for (;;) {
    // With VMIN and VTIME 0 an empty queue reads as 0 (or EAGAIN), so 0 says
    // nothing about a hang-up; poll does.
    const ssize_t n = ::read(fd_, buffer.data() + got, buffer.size() - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      readableButEmpty = false;
      if (got == buffer.size()) return got;
      if (frameEnd && frameEnd(std::span<const uint8_t>(buffer.data(), got))) return got;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return got;  // e.g. EIO: far end gone
    if (lastRead || readableButEmpty) return got;

    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) return got;
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, PollMilliseconds(remaining));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return got;
    if (ready == 0 || (waiting.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      lastRead = true;
    } else {
      readableButEmpty = true;
    }
  }
}

void PosixSerialPort::DiscardInput() {
  if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
}

std::size_t PosixSerialPort::ReadWaiting(std::span<uint8_t> buffer) {
  if (fd_ < 0) return 0;
  std::size_t got = 0;
  while (got < buffer.size()) {
    const ssize_t n = ::read(fd_, buffer.data() + got, buffer.size() - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // empty (EAGAIN), or the device has gone
  }
  // More than the caller has room for: the rest is of no further use.
  if (got == buffer.size()) ::tcflush(fd_, TCIFLUSH);
  return got;
}

void PosixSerialPort::Close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also releases the lock
  fd_ = -1;
}

// A network address (or a ports/ entry holding one) opens a network port.
std::unique_ptr<SerialPort> MakeSystemSerialPort() {
  return MakeNetworkOrSerialPort([] { return std::make_unique<PosixSerialPort>(); }, MakeTcpSerialPort);
}

}  // namespace klv
