#pragma once
// The check codes of the Modbus frames: the CRC-16 of Modbus RTU and the LRC
// of Modbus ASCII. (The TORVALEK BCC is built with its frames, see
// serial/torvalek_frame.h.)
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace klv {

// Modbus CRC-16 of the bytes: initial value FFFF, reflected polynomial A001.
// The value as the standard defines it; on the wire its low byte goes first.
uint16_t ModbusCrc16(std::span<const uint8_t> bytes);

// The two CRC bytes in the order they are sent: low byte, then high byte.
std::array<uint8_t, 2> ModbusCrcBytes(std::span<const uint8_t> bytes);

// Modbus LRC of the bytes that `hexText` writes as pairs of hex digits (read
// as ByteFromHexPair does; an odd last character is left out): their sum
// modulo 256, negated.
uint8_t ModbusLrcOfHexPairs(std::span<const uint8_t> hexText);

}  // namespace klv
