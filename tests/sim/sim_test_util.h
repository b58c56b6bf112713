#pragma once
// Requests built by the program's own frame builders and replies spelled out
// by hand, for the simulator tests.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/frame_buffer.h"
#include "serial/torvalek_frame.h"

namespace klv::sim::testing {

inline std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

inline std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

inline std::vector<uint8_t> FrameBytes(const FrameBuffer& frame) {
  return {frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(FrameLength(frame))};
}

// The 14-character read the program sends.
inline std::vector<uint8_t> ReadRequest(int address, std::string_view reg) {
  FrameBuffer frame{};
  // A request that cannot be built gives no bytes, which no test expects.
  const std::optional<Register> r = Register::FromText(reg);
  if (!r || BuildStandardRead(frame, address, *r) != FrameError::None) return {};
  return FrameBytes(frame);
}

// The 19-character write the program sends.
inline std::vector<uint8_t> WriteRequest(int address, std::string_view reg, int16_t value) {
  FrameBuffer frame{};
  const std::optional<Register> r = Register::FromText(reg);
  if (!r || BuildStandardWrite(frame, address, *r, value) != FrameError::None) return {};
  return FrameBytes(frame);
}

// STX, body, ETX, the Sum BCC (start through end character), CR.
inline std::string TorvalekFrame(std::string_view body) {
  std::string text = "\x02" + std::string(body) + "\x03";
  unsigned sum = 0;
  for (const char c : text) sum += static_cast<uint8_t>(c);
  char bcc[3];
  std::snprintf(bcc, sizeof bcc, "%02X", sum & 0xFF);
  return text + bcc + "\r";
}

}  // namespace klv::sim::testing
