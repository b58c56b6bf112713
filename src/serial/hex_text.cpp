#include "serial/hex_text.h"

namespace klv {

std::optional<uint8_t> HexDigitValue(uint8_t c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return std::nullopt;
}

uint8_t ByteFromHexPair(std::span<const uint8_t, 2> pair) {
  // Garbage characters give garbage nibbles; unsigned arithmetic keeps that defined.
  auto nibble = [](uint8_t c) -> unsigned {
    return c <= '9' ? static_cast<unsigned>(c) - '0' : static_cast<unsigned>(c) - 55u;
  };
  return static_cast<uint8_t>(((nibble(pair[0]) << 4) + nibble(pair[1])) & 0xFF);
}

uint16_t WordFromHexQuad(std::span<const uint8_t, 4> quad) {
  return static_cast<uint16_t>((ByteFromHexPair(quad.first<2>()) << 8) | ByteFromHexPair(quad.last<2>()));
}

std::array<uint8_t, 2> HexPairOf(uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {static_cast<uint8_t>(kDigits[value >> 4]), static_cast<uint8_t>(kDigits[value & 0x0F])};
}

}  // namespace klv
