#include "sim/sim_server.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "sim/request_framer.h"
#include "serial/posix_serial_port.h"

namespace klv::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

// How long one reply may take to leave before the rest is given up.
constexpr std::chrono::milliseconds kWriteLimit{1000};

std::string ErrorText(const std::string& what, int error) { return what + ": " + std::strerror(error); }

int PollMilliseconds(SteadyClock::duration remaining) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
  return static_cast<int>(std::clamp<decltype(ms)>(ms, 0, 60'000));
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

SimServer::SimServer(SimulatedRegulator& regulator) : regulators_{&regulator} {
  if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) stopPipe_[0] = stopPipe_[1] = -1;
}

bool SimServer::AddRegulator(SimulatedRegulator& regulator) {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) return false;
  const SimConfig& config = regulator.Config();
  for (const SimulatedRegulator* served : regulators_) {
    if (served == &regulator || served->Config().protocol != config.protocol ||
        served->Config().deviceAddress == config.deviceAddress) {
      return false;
    }
  }
  regulators_.push_back(&regulator);
  return true;
}

ReplyPlan SimServer::Answer(std::span<const uint8_t> frame) {
  std::lock_guard lock(mutex_);
  ReplyPlan answer;
  // Each sees the frame: the one it is for answers, a write to address 0 is
  // carried out by every one, the others stay silent.
  for (SimulatedRegulator* regulator : regulators_) {
    ReplyPlan plan = regulator->Answer(frame);
    const bool speaks = !plan.reply.empty() || plan.hangUp;
    if (speaks && answer.reply.empty() && !answer.hangUp) answer = std::move(plan);
  }
  return answer;
}

SimServer::~SimServer() {
  Stop();
  CloseLine();
  CloseFd(stopPipe_[0]);
  CloseFd(stopPipe_[1]);
}

bool SimServer::OpenPseudoTerminal(std::string& error) {
  CloseLine();
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) {
    error = ErrorText("posix_openpt", errno);
    return false;
  }
  std::array<char, 128> name{};
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name.data(), name.size()) != 0) {
    error = ErrorText("pseudo-terminal set-up", errno);
    ::close(master);
    return false;
  }
  const int slave = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    error = ErrorText(name.data(), errno);
    ::close(master);
    return false;
  }
  // Raw until the program sets its own: no echo of our replies back to us, no
  // CR/LF translation, no signals.
  termios tio{};
  if (::tcgetattr(slave, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
  }
  const int flags = ::fcntl(master, F_GETFL);
  ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
  lineFd_ = master;
  slaveFd_ = slave;
  path_ = name.data();
  return true;
}

bool SimServer::OpenDevice(const std::filesystem::path& device, const LineSettings& settings, std::string& error) {
  CloseLine();
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = ErrorText(device.string(), errno);
    return false;
  }
  // The device is ours alone, as the program's port is its own.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = device.string() + ": busy, in use by another program";
    ::close(fd);
    return false;
  }
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    error = ErrorText(device.string() + ": reading the line settings", errno);
    ::close(fd);
    return false;
  }
  if (!ApplyLineSettings(tio, settings)) {
    error = device.string() + ": speed " + std::to_string(settings.speed) + " not supported";
    ::close(fd);
    return false;
  }
  // Reads return at once with what is there; poll does the waiting.
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    error = ErrorText(device.string() + ": line settings refused", errno);
    ::close(fd);
    return false;
  }
  ::ioctl(fd, TIOCEXCL);
  ::tcflush(fd, TCIOFLUSH);
  lineFd_ = fd;
  path_ = device.string();
  return true;
}

void SimServer::CloseLine() {
  CloseFd(lineFd_);
  CloseFd(slaveFd_);
}

void SimServer::RequestStop() {
  if (stopPipe_[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe_[1], &byte, 1);
  }
}

bool SimServer::Wait(std::chrono::milliseconds time) {
  const auto deadline = SteadyClock::now() + time;
  while (true) {
    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) return true;
    pollfd stop{stopPipe_[0], POLLIN, 0};
    const int n = ::poll(&stop, 1, PollMilliseconds(remaining));
    if (n > 0) return false;
    if (n < 0 && errno != EINTR) return true;
  }
}

bool SimServer::WriteAll(std::span<const uint8_t> bytes) {
  const auto deadline = SteadyClock::now() + kWriteLimit;
  while (!bytes.empty()) {
    const ssize_t n = ::write(lineFd_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) return false;
    pollfd out{lineFd_, POLLOUT, 0};
    ::poll(&out, 1, PollMilliseconds(remaining));
  }
  return true;
}

bool SimServer::Reply(const ReplyPlan& plan, bool& stopped) {
  if (!plan.reply.empty()) {
    if (plan.delay.count() > 0 && !Wait(plan.delay)) {
      stopped = true;
      return true;
    }
    const std::span<const uint8_t> bytes(plan.reply);
    const std::size_t first = plan.splitAt > 0 && plan.splitAt < bytes.size() ? plan.splitAt : bytes.size();
    WriteAll(bytes.first(first));
    if (first < bytes.size()) {
      if (!Wait(plan.splitPause)) {
        stopped = true;
        return true;
      }
      WriteAll(bytes.subspan(first));
    }
    // The device is busy until the copy has gone too: requests that come in
    // meanwhile wait in the line, as with a device that serves one at a time.
    if (plan.repeatAfter) {
      if (!Wait(*plan.repeatAfter)) {
        stopped = true;
        return true;
      }
      WriteAll(bytes);
    }
  }
  if (plan.hangUp) {
    // Let the reply reach the program before the line goes: closing a
    // pseudo-terminal discards what its far end has not read yet.
    if (slaveFd_ >= 0) {
      // The pseudo-terminal hands written bytes to the far end's queue a
      // moment later, so first wait for them to show up there (a program
      // that read them within that moment leaves this wait after 100 ms),
      // then for the program to read them.
      int unread = 0;
      const auto arrival = SteadyClock::now() + std::chrono::milliseconds{100};
      while (::ioctl(slaveFd_, TIOCINQ, &unread) == 0 && unread == 0 && SteadyClock::now() < arrival) {
        if (!Wait(std::chrono::milliseconds{1})) break;
      }
      const auto deadline = SteadyClock::now() + kWriteLimit;
      while (::ioctl(slaveFd_, TIOCINQ, &unread) == 0 && unread > 0 && SteadyClock::now() < deadline) {
        if (!Wait(std::chrono::milliseconds{5})) break;
      }
    } else {
      ::tcdrain(lineFd_);
    }
    CloseLine();
    return false;
  }
  return true;
}

ServeEnd SimServer::Serve(int watchFd) {
  if (lineFd_ < 0) return ServeEnd::LineLost;
  const Protocol protocol = WithRegulator([](SimulatedRegulator& r) { return r.Config().protocol; });
  RequestFramer framer(protocol);
  bool watching = watchFd >= 0;
  std::array<uint8_t, 256> buffer{};

  const auto handle = [&](const std::vector<Frame>& frames, ServeEnd& end) {
    for (const Frame& frame : frames) {
      const ReplyPlan plan = Answer(frame);
      bool stopped = false;
      if (!Reply(plan, stopped)) {
        end = ServeEnd::HungUp;
        return false;
      }
      if (stopped) {
        end = ServeEnd::Stopped;
        return false;
      }
    }
    return true;
  };

  while (true) {
    std::array<pollfd, 3> fds{};
    fds[0] = {lineFd_, POLLIN, 0};
    fds[1] = {stopPipe_[0], POLLIN, 0};
    fds[2] = {watching ? watchFd : -1, POLLIN, 0};
    const int timeout = framer.Pending() > 0 ? static_cast<int>(kFrameGap.count()) : -1;
    const int n = ::poll(fds.data(), fds.size(), timeout);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ServeEnd::LineLost;
    }
    ServeEnd end = ServeEnd::Stopped;
    if (n == 0) {
      if (!handle(framer.Idle(), end)) return end;
      continue;
    }
    if (fds[1].revents != 0) return ServeEnd::Stopped;
    if (watching && fds[2].revents != 0) {
      const ssize_t got = ::read(watchFd, buffer.data(), buffer.size());
      if (got == 0) return ServeEnd::InputClosed;
      // A terminal we may not read (a background job) is not an end.
      if (got < 0 && errno != EAGAIN && errno != EINTR) watching = false;
    }
    if (fds[0].revents & POLLIN) {
      const ssize_t got = ::read(lineFd_, buffer.data(), buffer.size());
      if (got > 0) {
        if (localEcho_.load()) WriteAll(std::span<const uint8_t>(buffer.data(), static_cast<std::size_t>(got)));
        if (!handle(framer.Feed(std::span<const uint8_t>(buffer.data(), static_cast<std::size_t>(got))), end)) {
          return end;
        }
      } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
        return ServeEnd::LineLost;
      }
    } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      return ServeEnd::LineLost;
    }
  }
}

bool SimServer::Start() {
  if (thread_.joinable() || lineFd_ < 0) return false;
  ended_.store(-1);
  thread_ = std::thread([this] { ended_.store(static_cast<int>(Serve()), std::memory_order_release); });
  return true;
}

void SimServer::Stop() {
  if (!thread_.joinable()) return;
  RequestStop();
  thread_.join();
  // Leave no stop request behind for a later Serve.
  char drain[16];
  while (::read(stopPipe_[0], drain, sizeof drain) > 0) {
  }
}

std::optional<ServeEnd> SimServer::Ended() const {
  const int value = ended_.load(std::memory_order_acquire);
  if (value < 0) return std::nullopt;
  return static_cast<ServeEnd>(value);
}

}  // namespace klv::sim
