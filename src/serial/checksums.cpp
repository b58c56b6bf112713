#include "serial/checksums.h"

#include "serial/hex_text.h"

namespace klv {

uint16_t ModbusCrc16(std::span<const uint8_t> bytes) {
  unsigned crc = 0xFFFF;
  for (const uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return static_cast<uint16_t>(crc);
}

std::array<uint8_t, 2> ModbusCrcBytes(std::span<const uint8_t> bytes) {
  const uint16_t crc = ModbusCrc16(bytes);
  return {static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)};
}

uint8_t ModbusLrcOfHexPairs(std::span<const uint8_t> hexText) {
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < hexText.size(); i += 2) {
    sum += ByteFromHexPair(hexText.subspan(i).first<2>());
  }
  return static_cast<uint8_t>((0x100 - (sum & 0xFF)) & 0xFF);
}

}  // namespace klv
