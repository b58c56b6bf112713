#pragma once
// A serial line reached over the network: a serial device server's raw TCP
// port ("tcp://HOST:PORT": the bytes are the line's bytes, the line settings
// are set on the server), or an RFC 2217 server ("rfc2217://HOST:PORT": the
// telnet COM-PORT-OPTION carries the line settings, 0xFF is doubled both
// ways). It behaves as a serial port does: the same read time-outs (a read
// ends at the frame end or the time-out), and a connection the server closes
// reads as an adapter pulled out (0 bytes from then on, writes fail).
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "serial/rfc2217_codec.h"
#include "serial/serial_port.h"
#include "serial/telnet_decoder.h"

namespace klv {

class TcpSerialPort final : public SerialPort {
 public:
  // How long the connection (and an RFC 2217 server's agreement) may take.
  static constexpr std::chrono::milliseconds kConnectTimeout{3000};

  explicit TcpSerialPort(std::chrono::milliseconds connectTimeout = kConnectTimeout);
  TcpSerialPort(const TcpSerialPort&) = delete;
  TcpSerialPort& operator=(const TcpSerialPort&) = delete;
  ~TcpSerialPort() override;

  // `address` is the network address itself, or a file holding it (a
  // ports/COM<n> entry). A non-blocking connect against the connect
  // time-out; with RFC 2217 the offers, the server's agreement to
  // COM-PORT-OPTION, then the line settings.
  PortOpenStatus Open(const std::filesystem::path& address, const LineSettings& settings) override;
  bool IsOpen() const override { return fd_ >= 0; }
  // Hands the bytes to the network within the write time-out.
  WriteOutcome Write(std::span<const uint8_t> bytes) override;
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override;
  void DiscardInput() override;
  std::size_t ReadWaiting(std::span<uint8_t> buffer) override;
  void Close() override;

 private:
  // One receive without waiting: line data to pending_, telnet answered.
  // False when nothing was there; a closed connection sets closed_.
  bool ReceiveAvailable();
  // Sends the bytes within the deadline; false when they did not all go.
  bool SendAll(std::span<const uint8_t> bytes, std::chrono::steady_clock::time_point deadline);
  // Moves pending_ bytes into buffer from `got`; returns the new count.
  std::size_t TakePending(std::span<uint8_t> buffer, std::size_t got);
  PortOpenStatus NegotiateComPort(const std::string& shown, std::chrono::steady_clock::time_point deadline);

  std::chrono::milliseconds connectTimeout_;
  int fd_ = -1;
  bool rfc2217_ = false;
  bool closed_ = false;  // the server closed the connection, or it broke
  LineSettings settings_;
  std::vector<uint8_t> pending_;  // line data received and not yet read
  TelnetDecoder decoder_;
  ComPortAgreement agreement_ = ComPortAgreement::Pending;
};

// A network port with the standard connect time-out (on Windows, through
// Winsock: windows_tcp_serial_port.cpp).
std::unique_ptr<SerialPort> MakeTcpSerialPort();

}  // namespace klv
