#pragma once
// Hex digits as the frames carry them: register addresses, values, device
// addresses and Modbus ASCII bytes all travel as upper-case hex text.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace klv {

// The value of one hex digit ("0".."9", "A".."F", "a".."f"); nothing for any
// other character.
std::optional<uint8_t> HexDigitValue(uint8_t c);

// The byte written as two hex digits, the first the high nibble. Upper-case
// digits only: "0".."9" give 0..9 and any other character its code minus 55
// ("A".."F" give 10..15), so a character that is not a digit gives a wrong
// byte, never a failure. Callers that must refuse such text check the
// digits first (HexDigitValue).
uint8_t ByteFromHexPair(std::span<const uint8_t, 2> pair);

// The 16-bit word written as four hex digits, the first pair the high byte;
// digits as for ByteFromHexPair.
uint16_t WordFromHexQuad(std::span<const uint8_t, 4> quad);

// The two upper-case hex digits of a byte, high nibble first.
std::array<uint8_t, 2> HexPairOf(uint8_t value);

}  // namespace klv
