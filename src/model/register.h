#pragma once
// A register of the regulator: a 16-bit number. Texts, files and the comm
// log show it as four upper-case hex digits ("011F"); everything else (the
// catalogues, the frames, the simulator) works with the number.
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace klv {

class Register {
 public:
  constexpr Register() = default;
  constexpr explicit Register(uint16_t number) : number_(number) {}

  constexpr uint16_t Number() const { return number_; }
  // The register `offset` places further on (a block of registers); wraps
  // past FFFF, which a caller checks with operator<.
  constexpr Register Plus(unsigned offset) const { return Register(static_cast<uint16_t>(number_ + offset)); }

  // Four upper-case hex digits.
  std::string Text() const {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string text(4, '0');
    for (int i = 0; i < 4; ++i) text[static_cast<std::size_t>(3 - i)] = kDigits[(number_ >> (4 * i)) & 0xF];
    return text;
  }

  // Exactly four hex digits, either case; nothing for any other text.
  static constexpr std::optional<Register> FromText(std::string_view text) {
    if (text.size() != 4) return std::nullopt;
    uint16_t number = 0;
    for (const char c : text) {
      int digit = 0;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      } else if (c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else {
        return std::nullopt;
      }
      number = static_cast<uint16_t>((number << 4) | digit);
    }
    return Register(number);
  }

  friend constexpr auto operator<=>(Register, Register) = default;
  friend constexpr bool operator==(Register, Register) = default;

 private:
  uint16_t number_ = 0;
};

}  // namespace klv
