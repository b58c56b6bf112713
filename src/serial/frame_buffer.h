#pragma once
// The one 100-byte buffer of an exchange: the request is built into it, sent
// from it (converted in place for Modbus) and the response received into it.
#include <array>
#include <cstddef>
#include <cstdint>

namespace klv {

inline constexpr std::size_t kFrameBufferSize = 100;
using FrameBuffer = std::array<uint8_t, kFrameBufferSize>;

// Which way a frame travels; the log renders both.
enum class FrameDirection { Request, Response };

// A copy of the last Modbus RTU request the program converted (8 bytes): a
// Modbus write response echoes its request, so the log rebuilds it from here.
using RtuRequestCopy = std::array<uint8_t, 8>;

}  // namespace klv
