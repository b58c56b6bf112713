#include "serial/tcp_serial_port.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/file_store.h"
#include "serial/network_address.h"
#include "serial/port_failure_text.h"

namespace klv {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Rounded up, as the serial port does, so a wait never ends just short of
// its deadline and spins.
int PollMilliseconds(SteadyClock::duration remaining) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
  return static_cast<int>(std::clamp<decltype(ms)>(ms, 0, 60'000));
}

PortOpenStatus Failed(PortFailure failure) {
  std::string cause = PortFailureText(failure, Language::English);
  return PortOpenStatus{PortStatus::CannotOpen, std::move(cause), std::move(failure)};
}

PortFailure SystemFailure(const std::string& shown, int error) {
  return {PortFailureKind::Other, shown, {}, SystemErrorText(error)};
}

int WholeSeconds(std::chrono::milliseconds timeout) {
  return static_cast<int>(std::max<int64_t>(1, (timeout.count() + 500) / 1000));
}

// Waits for a non-blocking connect to finish; 0 when it did, else the error
// (ETIMEDOUT when the deadline passed).
int AwaitConnect(int fd, SteadyClock::time_point deadline) {
  for (;;) {
    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) return ETIMEDOUT;
    pollfd waiting{fd, POLLOUT, 0};
    const int ready = ::poll(&waiting, 1, PollMilliseconds(remaining));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return errno;
    if (ready == 0) return ETIMEDOUT;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
    return error;
  }
}

}  // namespace

TcpSerialPort::TcpSerialPort(std::chrono::milliseconds connectTimeout) : connectTimeout_(connectTimeout) {}

TcpSerialPort::~TcpSerialPort() { Close(); }

PortOpenStatus TcpSerialPort::Open(const std::filesystem::path& device, const LineSettings& settings) {
  Close();
  std::string text = device.string();
  if (!HasNetworkScheme(text)) text = NetworkAddressInFile(device).value_or(text);
  const std::optional<NetworkAddress> address = ParseNetworkAddress(text);
  if (!address) return Failed({PortFailureKind::BadNetworkAddress, text});
  const std::string shown = address->HostAndPort();
  if (settings.readTimeout <= std::chrono::milliseconds::zero() ||
      settings.writeTimeout <= std::chrono::milliseconds::zero()) {
    return {PortStatus::TimeoutSetupFailed};
  }

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(address->port);
  const int resolved = ::getaddrinfo(address->host.c_str(), service.c_str(), &hints, &found);
  if (resolved != 0) {
    if (resolved == EAI_NONAME || resolved == EAI_AGAIN || resolved == EAI_FAIL
#ifdef EAI_NODATA
        || resolved == EAI_NODATA
#endif
    ) {
      return Failed({PortFailureKind::UnknownHost, shown});
    }
    return Failed({PortFailureKind::Other, shown, {}, ::gai_strerror(resolved)});
  }

  // Every address the name has, in turn, within one connect time-out.
  const auto deadline = SteadyClock::now() + connectTimeout_;
  int lastError = ECONNREFUSED;
  for (const addrinfo* entry = found; entry != nullptr && fd_ < 0; entry = entry->ai_next) {
    const int fd = ::socket(entry->ai_family, entry->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, entry->ai_protocol);
    if (fd < 0) {
      lastError = errno;
      continue;
    }
    int error = 0;
    if (::connect(fd, entry->ai_addr, entry->ai_addrlen) != 0) {
      error = errno == EINPROGRESS || errno == EINTR ? AwaitConnect(fd, deadline) : errno;
    }
    if (error != 0) {
      ::close(fd);
      lastError = error;
      if (error == ETIMEDOUT) break;
      continue;
    }
    fd_ = fd;
  }
  ::freeaddrinfo(found);
  if (fd_ < 0) {
    if (lastError == ETIMEDOUT) {
      PortFailure failure{PortFailureKind::ConnectTimeout, shown};
      failure.connectSeconds = WholeSeconds(connectTimeout_);
      return Failed(std::move(failure));
    }
    if (lastError == ECONNREFUSED) return Failed({PortFailureKind::ConnectionRefused, shown});
    return Failed(SystemFailure(shown, lastError));
  }
  // Each request is one small frame that must leave at once.
  const int on = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  settings_ = settings;

  if (address->scheme == NetworkScheme::Rfc2217) {
    rfc2217_ = true;
    const PortOpenStatus negotiated = NegotiateComPort(shown, SteadyClock::now() + connectTimeout_);
    if (negotiated.status != PortStatus::Ok) {
      Close();
      return negotiated;
    }
  }
  return {};
}

PortOpenStatus TcpSerialPort::NegotiateComPort(const std::string& shown, SteadyClock::time_point deadline) {
  if (!SendAll(OpeningOffers(), deadline)) return Failed({PortFailureKind::ClosedByServer, shown});
  while (agreement_ == ComPortAgreement::Pending && !closed_) {
    if (ReceiveAvailable()) continue;
    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) break;
    pollfd waiting{fd_, POLLIN, 0};
    if (::poll(&waiting, 1, PollMilliseconds(remaining)) < 0 && errno != EINTR) break;
  }
  if (closed_) return Failed({PortFailureKind::ClosedByServer, shown});
  // Silence counts as a refusal: a server that says nothing of the option
  // will not set the line either.
  if (agreement_ != ComPortAgreement::Agreed) return Failed({PortFailureKind::ComPortRefused, shown});
  if (!SendAll(LineSettingsRequests(settings_), deadline)) return Failed({PortFailureKind::ClosedByServer, shown});
  return {};
}

bool TcpSerialPort::ReceiveAvailable() {
  if (fd_ < 0 || closed_) return false;
  uint8_t chunk[512];
  for (;;) {
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
      const std::span<const uint8_t> bytes(chunk, static_cast<std::size_t>(n));
      if (!rfc2217_) {
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        return true;
      }
      TelnetOutput output;
      decoder_.Feed(bytes, output);
      pending_.insert(pending_.end(), output.data.begin(), output.data.end());
      std::vector<uint8_t> answers;
      for (const TelnetNegotiation& negotiation : output.negotiations) {
        agreement_ = UpdateComPortAgreement(agreement_, negotiation);
        const std::vector<uint8_t> answer = AnswerTo(negotiation);
        answers.insert(answers.end(), answer.begin(), answer.end());
      }
      // The answers are a few bytes on an idle connection: they go at once
      // or the connection is broken, which the next read finds.
      if (!answers.empty()) ::send(fd_, answers.data(), answers.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    closed_ = true;  // 0: the server closed it; any other error: it broke
    return false;
  }
}

bool TcpSerialPort::SendAll(std::span<const uint8_t> bytes, SteadyClock::time_point deadline) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (closed_) return false;
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      closed_ = true;
      return false;
    }
    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) return false;
    pollfd waiting{fd_, POLLOUT, 0};
    const int ready = ::poll(&waiting, 1, PollMilliseconds(remaining));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
  }
  return true;
}

WriteOutcome TcpSerialPort::Write(std::span<const uint8_t> bytes) {
  WriteOutcome outcome;
  if (fd_ < 0 || closed_) return outcome;
  const auto deadline = SteadyClock::now() + settings_.writeTimeout;
  if (rfc2217_) {
    outcome.ok = SendAll(EscapeIac(bytes), deadline);
  } else {
    outcome.ok = SendAll(bytes, deadline);
  }
  // What reached the network is not known byte for byte once escaped; a
  // failed write counts as none, as the exchange treats it the same.
  outcome.written = outcome.ok ? bytes.size() : 0;
  return outcome;
}

std::size_t TcpSerialPort::TakePending(std::span<uint8_t> buffer, std::size_t got) {
  const std::size_t count = std::min(pending_.size(), buffer.size() - got);
  std::copy_n(pending_.begin(), count, buffer.begin() + static_cast<std::ptrdiff_t>(got));
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
  return got + count;
}

std::size_t TcpSerialPort::Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) {
  if (fd_ < 0 || buffer.empty()) return 0;
  const auto deadline = SteadyClock::now() + settings_.readTimeout;
  std::size_t got = 0;
  bool lastRead = false;
  for (;;) {
    ReceiveAvailable();
    if (!pending_.empty()) {
      got = TakePending(buffer, got);
      if (got == buffer.size()) return got;
      if (frameEnd && frameEnd(std::span<const uint8_t>(buffer.data(), got))) return got;
    }
    if (closed_ || lastRead) return got;
    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) {
      lastRead = true;  // one last look at what arrived meanwhile
      continue;
    }
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, PollMilliseconds(remaining));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) lastRead = true;
  }
}

void TcpSerialPort::DiscardInput() {
  while (ReceiveAvailable()) {
  }
  pending_.clear();
}

std::size_t TcpSerialPort::ReadWaiting(std::span<uint8_t> buffer) {
  while (ReceiveAvailable()) {
  }
  const std::size_t got = TakePending(buffer, 0);
  pending_.clear();  // what did not fit is of no further use
  return got;
}

void TcpSerialPort::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  rfc2217_ = false;
  closed_ = false;
  pending_.clear();
  decoder_.Reset();
  agreement_ = ComPortAgreement::Pending;
}

std::unique_ptr<SerialPort> MakeTcpSerialPort() { return std::make_unique<TcpSerialPort>(); }

}  // namespace klv
