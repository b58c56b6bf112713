#pragma once
// What the simulated regulator's TORVALEK and Modbus answerers share: hex
// digits as the program sends them and the marks the damage faults leave.
#include <cstdint>
#include <optional>
#include <span>

#include "sim/simulated_regulator.h"

namespace klv::sim::answer {

inline constexpr char kHex[] = "0123456789ABCDEF";

// Upper-case hex digit value, -1 for anything else (the program sends upper case).
inline int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

inline std::optional<uint16_t> HexField(std::span<const uint8_t> text) {
  uint16_t value = 0;
  for (const uint8_t c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = static_cast<uint16_t>((value << 4) | digit);
  }
  return value;
}

template <typename Out>
inline void PutHexByte(Out& out, uint8_t value) {
  using Char = typename Out::value_type;
  out.push_back(static_cast<Char>(kHex[value >> 4]));
  out.push_back(static_cast<Char>(kHex[value & 0x0F]));
}

// The character a junk fault puts among a read's value digits.
inline constexpr char kJunkDigit = 'G';

// The address a reply of an other-address fault names: the next one up.
inline uint8_t OtherAddress(int own) { return static_cast<uint8_t>(own % 99 + 1); }

// One hex digit of a check code with its four bits inverted.
inline uint8_t InvertedHexDigit(uint8_t c) { return static_cast<uint8_t>(kHex[15 - HexDigit(c)]); }

// Closes the line without a reply.
inline ReplyPlan HangUpNow() {
  ReplyPlan plan;
  plan.hangUp = true;
  return plan;
}

}  // namespace klv::sim::answer
