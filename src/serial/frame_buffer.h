#pragma once
// A 100-byte frame buffer. An exchange keeps its own for the request as
// built, the copy converted for the wire, and the reply as it came.
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
