#pragma once
// A serial device server for the tests, on 127.0.0.1 at a port the system
// picks: each connection it accepts opens the device (klv-sim's
// pseudo-terminal) and passes bytes both ways, as a raw TCP port does, or
// as an RFC 2217 server does (telnet negotiation, the line settings it was
// sent recorded, 0xFF doubled both ways). It can also play a server that
// accepts and never answers, one that closes the connection part-way
// through the replies, and one that refuses COM-PORT-OPTION.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/rfc2217_codec.h"
#include "serial/telnet_decoder.h"

namespace klv::testing {

class NetworkLineServer {
 public:
  enum class Kind { RawTcp, Rfc2217 };
  enum class Behaviour {
    Forward,        // a working server
    Silent,         // takes the requests, never answers
    CloseMidReply,  // forwards closeAfter bytes of replies, then closes the connection
    RefuseComPort,  // an RFC 2217 server that answers DONT COM-PORT-OPTION
  };

  NetworkLineServer(std::string device, Kind kind, Behaviour behaviour = Behaviour::Forward,
                    std::size_t closeAfter = 0)
      : device_(std::move(device)), kind_(kind), behaviour_(behaviour), closeAfter_(closeAfter) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listen_, 4) != 0 || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        ::pipe2(wake_, O_CLOEXEC) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  NetworkLineServer(const NetworkLineServer&) = delete;
  NetworkLineServer& operator=(const NetworkLineServer&) = delete;
  ~NetworkLineServer() {
    if (thread_.joinable()) {
      const char stop = 0;
      (void)!::write(wake_[1], &stop, 1);
      thread_.join();
    }
    for (const int fd : {listen_, wake_[0], wake_[1]}) {
      if (fd >= 0) ::close(fd);
    }
  }

  bool Ready() const { return port_ != 0; }
  uint16_t Port() const { return port_; }
  std::string Url() const {
    return std::string(kind_ == Kind::Rfc2217 ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(port_);
  }
  // The line settings the last RFC 2217 client asked for.
  RequestedLineSettings Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
  }
  // Every line byte the clients sent, undoubled.
  std::vector<uint8_t> Received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }
  int Connections() const { return connections_.load(); }

 private:
  static bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  void Serve() {
    for (;;) {
      pollfd waiting[] = {{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (::poll(waiting, 2, -1) < 0) continue;
      if (waiting[1].revents != 0) return;
      const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      ++connections_;
      const bool stop = ServeConnection(client);
      ::close(client);
      if (stop) return;
    }
  }

  // Serves one client until it goes; true when the server is being stopped.
  bool ServeConnection(int client) {
    const int line = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line < 0) return false;
    termios tio{};
    if (::tcgetattr(line, &tio) == 0) {
      ::cfmakeraw(&tio);
      ::tcsetattr(line, TCSANOW, &tio);
    }
    TelnetDecoder decoder;
    std::size_t forwarded = 0;
    bool stop = false;
    for (;;) {
      pollfd waiting[] = {{client, POLLIN, 0}, {line, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (::poll(waiting, 3, -1) < 0) continue;
      if (waiting[2].revents != 0) {
        stop = true;
        break;
      }
      uint8_t chunk[512];
      if (waiting[0].revents != 0) {
        const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        if (!FromClient(client, line, decoder, std::span<const uint8_t>(chunk, static_cast<std::size_t>(n)))) break;
      }
      if (waiting[1].revents != 0) {
        ssize_t n = ::read(line, chunk, sizeof chunk);
        if (n <= 0) break;
        if (behaviour_ == Behaviour::Silent) continue;
        const bool cut = behaviour_ == Behaviour::CloseMidReply && forwarded + static_cast<std::size_t>(n) >= closeAfter_;
        if (cut) n = static_cast<ssize_t>(closeAfter_ - forwarded);
        forwarded += static_cast<std::size_t>(n);
        const std::span<const uint8_t> data(chunk, static_cast<std::size_t>(n));
        const std::vector<uint8_t> out =
            kind_ == Kind::Rfc2217 ? EscapeIac(data) : std::vector<uint8_t>(data.begin(), data.end());
        if (!SendAll(client, out) || cut) break;
      }
    }
    ::close(line);
    return stop;
  }

  bool FromClient(int client, int line, TelnetDecoder& decoder, std::span<const uint8_t> bytes) {
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    std::vector<uint8_t> answer;
    if (kind_ == Kind::Rfc2217) {
      TelnetOutput output;
      decoder.Feed(bytes, output);
      data = std::move(output.data);
      for (const TelnetNegotiation& n : output.negotiations) Answer(n, answer);
      for (const TelnetSubnegotiation& sub : output.subnegotiations) {
        std::lock_guard lock(mutex_);
        if (!TakeLineSettingRequest(sub, settings_)) continue;
        // Acknowledged as set: the same command plus 100, the same value.
        answer.insert(answer.end(), {telnet::kIac, telnet::kSb, telnet::kComPortOption,
                                     static_cast<uint8_t>(sub.payload.front() + rfc2217::kServerOffset)});
        const std::vector<uint8_t> value = EscapeIac(std::span(sub.payload).subspan(1));
        answer.insert(answer.end(), value.begin(), value.end());
        answer.insert(answer.end(), {telnet::kIac, telnet::kSe});
      }
    }
    {
      std::lock_guard lock(mutex_);
      received_.insert(received_.end(), data.begin(), data.end());
    }
    if (!answer.empty() && !SendAll(client, answer)) return false;
    std::size_t written = 0;
    while (written < data.size()) {
      const ssize_t n = ::write(line, data.data() + written, data.size() - written);
      if (n <= 0) return false;
      written += static_cast<std::size_t>(n);
    }
    return true;
  }

  // The server's side of the negotiation: agrees to what the client offers
  // (COM-PORT-OPTION refused when told to), refuses anything else.
  void Answer(const TelnetNegotiation& n, std::vector<uint8_t>& answer) const {
    using namespace telnet;
    const bool known = n.option == kBinary || n.option == kSuppressGoAhead || n.option == kComPortOption;
    const bool refuse = !known || (n.option == kComPortOption && behaviour_ == Behaviour::RefuseComPort);
    if (n.verb == kWill) answer.insert(answer.end(), {kIac, refuse ? kDont : kDo, n.option});
    if (n.verb == kDo) answer.insert(answer.end(), {kIac, refuse ? kWont : kWill, n.option});
  }

  std::string device_;
  Kind kind_;
  Behaviour behaviour_;
  std::size_t closeAfter_;
  int listen_ = -1;
  int wake_[2] = {-1, -1};
  uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  RequestedLineSettings settings_;
  std::vector<uint8_t> received_;
};

}  // namespace klv::testing
