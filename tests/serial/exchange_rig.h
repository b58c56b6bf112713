#pragma once
// A connection for exchange tests: a scripted device on a FakeClock behind a
// real SerialLine, with its own settings, log and RTU copy, plus builders of
// the device's TORVALEK replies.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/connection.h"
#include "support/fake_clock.h"
#include "support/scripted_port.h"

namespace klv::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes TextBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A device reply from address 1: STX, "011", command, code, body, ETX, Sum
// BCC (start through ETX, modulo 256, two upper-case hex digits), CR.
inline Bytes DeviceReply(char command, std::string_view code, std::string_view body,
                         std::string_view addressAndSub = "011") {
  Bytes bytes{0x02};
  const std::string text = std::string(addressAndSub) + command + std::string(code) + std::string(body);
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back(0x03);
  unsigned sum = 0;
  for (const uint8_t b : bytes) sum += b;
  static constexpr char kHex[] = "0123456789ABCDEF";
  bytes.push_back(static_cast<uint8_t>(kHex[(sum >> 4) & 0x0F]));
  bytes.push_back(static_cast<uint8_t>(kHex[sum & 0x0F]));
  bytes.push_back(0x0D);
  return bytes;
}

// A one-register read reply: "011R", code, ",", data.
inline Bytes ReadReply(std::string_view data, std::string_view code = "00") {
  return DeviceReply('R', code, std::string(",") + std::string(data));
}

inline Bytes WriteReply(std::string_view code = "00") { return DeviceReply('W', code, ""); }

// The register a TORVALEK read request on the wire asks for: the "0" after
// "R" and the three characters of the register's tail.
inline std::string RegisterOf(const Bytes& request) {
  return request.size() >= 9 ? std::string(request.begin() + 5, request.begin() + 9) : std::string();
}

class ExchangeRig : public ::testing::Test {
 protected:
  ExchangeRig() : device_(clock_), connection_(device_.Factory()) {
    connection_.settings.protocol = Protocol::Torvalek;
    connection_.settings.readTimeout = 100;
    connection_.settings.deviceAddress = 1;
  }

  void Open(Protocol protocol = Protocol::Torvalek) {
    connection_.settings.protocol = protocol;
    ASSERT_TRUE(connection_.Open().ok);
  }

  // Scripts the answers to the next requests in order; nullopt: silence.
  void Script(const std::vector<std::optional<Bytes>>& replies) {
    for (const auto& reply : replies) {
      if (reply) {
        device_.QueueReply(*reply, std::chrono::milliseconds(5));
      } else {
        device_.QueueSilence();
      }
    }
  }

  // The registers asked for so far, in order.
  std::vector<std::string> AskedRegisters() const {
    std::vector<std::string> registers;
    for (const Bytes& write : device_.Writes()) registers.push_back(RegisterOf(write));
    return registers;
  }

  // The sequence numbers of the log's lines, in order.
  std::vector<int> LogNumbers() const {
    std::vector<int> numbers;
    const std::string_view text = connection_.log.Text();
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string_view::npos) end = text.size();
      const std::string_view line = text.substr(start, end - start);
      if (!line.empty()) numbers.push_back(std::stoi(std::string(line.substr(0, line.find('.')))));
      start = end + 2;
    }
    return numbers;
  }

  FakeClock clock_;
  ScriptedDevice device_;
  Connection connection_;
};

}  // namespace klv::testing
