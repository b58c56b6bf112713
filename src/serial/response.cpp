#include "serial/response.h"

#include <algorithm>
#include <optional>

#include "serial/hex_text.h"

namespace klv {

namespace {

constexpr std::size_t kValueOffset = 8;
constexpr std::size_t kValueEnd = 12;

}  // namespace

int16_t ResponseValue(const FrameBuffer& buffer, std::size_t count) {
  // Bytes past `count` are left over from the request, never part of a value.
  const std::size_t end = std::min({count, kValueEnd, buffer.size()});
  unsigned value = 0;
  for (std::size_t i = kValueOffset; i < end; ++i) {
    const std::optional<uint8_t> digit = HexDigitValue(buffer[i]);
    if (!digit) break;
    value = (value << 4) | *digit;
  }
  return static_cast<int16_t>(static_cast<uint16_t>(value));
}

}  // namespace klv
