// A line reached over the network on Windows, through Winsock: the same
// behaviour as the POSIX network port (posix_tcp_serial_port.cpp), with
// WSAPoll for every wait and the socket in non-blocking mode.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windows_error.h"
#include "serial/network_address.h"
#include "serial/port_failure_text.h"
#include "serial/rfc2217_codec.h"
#include "serial/tcp_serial_port.h"
#include "serial/telnet_decoder.h"

namespace klv {
namespace {

using SteadyClock = std::chrono::steady_clock;

bool WinsockReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    WSADATA data{};
    ready = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return ready;
}

int PollMilliseconds(SteadyClock::duration remaining) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
  return static_cast<int>(std::clamp<decltype(ms)>(ms, 0, 60'000));
}

PortOpenStatus Failed(PortFailure failure) {
  std::string cause = PortFailureText(failure, Language::English);
  return PortOpenStatus{PortStatus::CannotOpen, std::move(cause), std::move(failure)};
}

int WholeSeconds(std::chrono::milliseconds timeout) {
  return static_cast<int>(std::max<int64_t>(1, (timeout.count() + 500) / 1000));
}

bool WouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }

class WindowsTcpSerialPort final : public SerialPort {
 public:
  explicit WindowsTcpSerialPort(std::chrono::milliseconds connectTimeout) : connectTimeout_(connectTimeout) {}
  WindowsTcpSerialPort(const WindowsTcpSerialPort&) = delete;
  WindowsTcpSerialPort& operator=(const WindowsTcpSerialPort&) = delete;
  ~WindowsTcpSerialPort() override { Close(); }

  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override {
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
    if (!WinsockReady()) return Failed({PortFailureKind::Other, shown, {}, "Winsock cannot be started"});

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(address->port);
    const int resolved = ::getaddrinfo(address->host.c_str(), service.c_str(), &hints, &found);
    if (resolved != 0) {
      if (resolved == WSAHOST_NOT_FOUND || resolved == WSATRY_AGAIN || resolved == WSANO_DATA ||
          resolved == WSANO_RECOVERY) {
        return Failed({PortFailureKind::UnknownHost, shown});
      }
      return Failed({PortFailureKind::Other, shown, {}, WindowsErrorText(static_cast<DWORD>(resolved))});
    }

    const auto deadline = SteadyClock::now() + connectTimeout_;
    int lastError = WSAECONNREFUSED;
    for (const addrinfo* entry = found; entry != nullptr && socket_ == INVALID_SOCKET; entry = entry->ai_next) {
      const SOCKET s = ::socket(entry->ai_family, entry->ai_socktype, entry->ai_protocol);
      if (s == INVALID_SOCKET) {
        lastError = ::WSAGetLastError();
        continue;
      }
      u_long nonBlocking = 1;
      ::ioctlsocket(s, FIONBIO, &nonBlocking);
      int error = 0;
      if (::connect(s, entry->ai_addr, static_cast<int>(entry->ai_addrlen)) != 0) {
        error = ::WSAGetLastError();
        if (WouldBlock(error)) error = AwaitConnect(s, deadline);
      }
      if (error != 0) {
        ::closesocket(s);
        lastError = error;
        if (error == WSAETIMEDOUT) break;
        continue;
      }
      socket_ = s;
    }
    ::freeaddrinfo(found);
    if (socket_ == INVALID_SOCKET) {
      if (lastError == WSAETIMEDOUT) {
        PortFailure failure{PortFailureKind::ConnectTimeout, shown};
        failure.connectSeconds = WholeSeconds(connectTimeout_);
        return Failed(std::move(failure));
      }
      if (lastError == WSAECONNREFUSED) return Failed({PortFailureKind::ConnectionRefused, shown});
      return Failed({PortFailureKind::Other, shown, {}, WindowsErrorText(static_cast<DWORD>(lastError))});
    }
    const BOOL on = TRUE;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    ::setsockopt(socket_, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    settings_ = settings;

    if (address->scheme == NetworkScheme::Rfc2217) {
      rfc2217_ = true;
      const PortOpenStatus negotiated = Negotiate(shown, SteadyClock::now() + connectTimeout_);
      if (negotiated.status != PortStatus::Ok) {
        Close();
        return negotiated;
      }
    }
    return {};
  }

  bool IsOpen() const override { return socket_ != INVALID_SOCKET; }

  WriteOutcome Write(std::span<const uint8_t> bytes) override {
    WriteOutcome outcome;
    if (socket_ == INVALID_SOCKET || closed_) return outcome;
    const auto deadline = SteadyClock::now() + settings_.writeTimeout;
    outcome.ok = rfc2217_ ? SendAll(EscapeIac(bytes), deadline) : SendAll(bytes, deadline);
    outcome.written = outcome.ok ? bytes.size() : 0;
    return outcome;
  }

  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override {
    if (socket_ == INVALID_SOCKET || buffer.empty()) return 0;
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
        lastRead = true;
        continue;
      }
      WSAPOLLFD waiting{socket_, POLLRDNORM, 0};
      if (::WSAPoll(&waiting, 1, PollMilliseconds(remaining)) <= 0) lastRead = true;
    }
  }

  void DiscardInput() override {
    while (ReceiveAvailable()) {
    }
    pending_.clear();
  }

  std::size_t ReadWaiting(std::span<uint8_t> buffer) override {
    while (ReceiveAvailable()) {
    }
    const std::size_t got = TakePending(buffer, 0);
    pending_.clear();
    return got;
  }

  void Close() override {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    socket_ = INVALID_SOCKET;
    rfc2217_ = false;
    closed_ = false;
    pending_.clear();
    decoder_.Reset();
    agreement_ = ComPortAgreement::Pending;
  }

 private:
  static int AwaitConnect(SOCKET s, SteadyClock::time_point deadline) {
    const auto remaining = deadline - SteadyClock::now();
    if (remaining <= SteadyClock::duration::zero()) return WSAETIMEDOUT;
    WSAPOLLFD waiting{s, POLLWRNORM, 0};
    const int ready = ::WSAPoll(&waiting, 1, PollMilliseconds(remaining));
    if (ready < 0) return ::WSAGetLastError();
    if (ready == 0) return WSAETIMEDOUT;
    int error = 0;
    int size = sizeof error;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
      return ::WSAGetLastError();
    }
    // A refused connection shows as an error event with no code on some versions.
    if (error == 0 && (waiting.revents & (POLLERR | POLLHUP)) != 0) return WSAECONNREFUSED;
    return error;
  }

  PortOpenStatus Negotiate(const std::string& shown, SteadyClock::time_point deadline) {
    if (!SendAll(OpeningOffers(), deadline)) return Failed({PortFailureKind::ClosedByServer, shown});
    while (agreement_ == ComPortAgreement::Pending && !closed_) {
      if (ReceiveAvailable()) continue;
      const auto remaining = deadline - SteadyClock::now();
      if (remaining <= SteadyClock::duration::zero()) break;
      WSAPOLLFD waiting{socket_, POLLRDNORM, 0};
      if (::WSAPoll(&waiting, 1, PollMilliseconds(remaining)) < 0) break;
    }
    if (closed_) return Failed({PortFailureKind::ClosedByServer, shown});
    if (agreement_ != ComPortAgreement::Agreed) return Failed({PortFailureKind::ComPortRefused, shown});
    if (!SendAll(LineSettingsRequests(settings_), deadline)) return Failed({PortFailureKind::ClosedByServer, shown});
    return {};
  }

  bool ReceiveAvailable() {
    if (socket_ == INVALID_SOCKET || closed_) return false;
    char chunk[512];
    const int n = ::recv(socket_, chunk, sizeof chunk, 0);
    if (n > 0) {
      const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(chunk), static_cast<std::size_t>(n));
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
      if (!answers.empty()) {
        ::send(socket_, reinterpret_cast<const char*>(answers.data()), static_cast<int>(answers.size()), 0);
      }
      return true;
    }
    if (n < 0 && WouldBlock(::WSAGetLastError())) return false;
    closed_ = true;
    return false;
  }

  bool SendAll(std::span<const uint8_t> bytes, SteadyClock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      if (closed_) return false;
      const int n = ::send(socket_, reinterpret_cast<const char*>(bytes.data() + sent),
                           static_cast<int>(bytes.size() - sent), 0);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && !WouldBlock(::WSAGetLastError())) {
        closed_ = true;
        return false;
      }
      const auto remaining = deadline - SteadyClock::now();
      if (remaining <= SteadyClock::duration::zero()) return false;
      WSAPOLLFD waiting{socket_, POLLWRNORM, 0};
      if (::WSAPoll(&waiting, 1, PollMilliseconds(remaining)) <= 0) return false;
    }
    return true;
  }

  std::size_t TakePending(std::span<uint8_t> buffer, std::size_t got) {
    const std::size_t count = std::min(pending_.size(), buffer.size() - got);
    std::copy_n(pending_.begin(), count, buffer.begin() + static_cast<std::ptrdiff_t>(got));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return got + count;
  }

  std::chrono::milliseconds connectTimeout_;
  SOCKET socket_ = INVALID_SOCKET;
  bool rfc2217_ = false;
  bool closed_ = false;
  LineSettings settings_;
  std::vector<uint8_t> pending_;
  TelnetDecoder decoder_;
  ComPortAgreement agreement_ = ComPortAgreement::Pending;
};

}  // namespace

std::unique_ptr<SerialPort> MakeTcpSerialPort() {
  return std::make_unique<WindowsTcpSerialPort>(TcpSerialPort::kConnectTimeout);
}

}  // namespace klv
