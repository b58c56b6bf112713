#include "serial/hex_text.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <span>
#include <string>

namespace klv {
namespace {

std::span<const uint8_t> Text(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(HexText, DigitValues) {
  struct Case {
    char c;
    std::optional<uint8_t> value;
  };
  const Case cases[] = {
      {'0', 0},  {'9', 9},  {'A', 10}, {'F', 15}, {'a', 10}, {'f', 15},
      // The neighbours of the digit ranges are not digits.
      {'/', std::nullopt}, {':', std::nullopt}, {'@', std::nullopt}, {'G', std::nullopt},
      {'`', std::nullopt}, {'g', std::nullopt}, {'\0', std::nullopt}, {' ', std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HexDigitValue(static_cast<uint8_t>(c.c)), c.value) << "character " << c.c;
  }
}

TEST(HexText, PairsAndQuadsAsTheFramesCarryThem) {
  struct PairCase {
    std::string text;
    uint8_t value;
  };
  const PairCase pairs[] = {
      {"00", 0x00}, {"09", 0x09}, {"0A", 0x0A}, {"63", 99}, {"FA", 0xFA}, {"FF", 0xFF},
      // Lower case is not read as hex: "f" and "a" give 47 and 42, not 15 and 10.
      {"fa", 0x1A},
  };
  for (const PairCase& c : pairs) {
    EXPECT_EQ(ByteFromHexPair(Text(c.text).first<2>()), c.value) << c.text;
  }

  struct QuadCase {
    std::string text;
    uint16_t value;
  };
  const QuadCase quads[] = {{"0000", 0x0000}, {"012C", 0x012C}, {"0064", 100}, {"FFFE", 0xFFFE}, {"8000", 0x8000}};
  for (const QuadCase& c : quads) {
    EXPECT_EQ(WordFromHexQuad(Text(c.text).first<4>()), c.value) << c.text;
  }
}

TEST(HexText, EveryByteSurvivesItsTwoDigits) {
  for (unsigned value = 0; value <= 0xFF; ++value) {
    const auto byte = static_cast<uint8_t>(value);
    const std::array<uint8_t, 2> digits = HexPairOf(byte);
    for (const uint8_t digit : digits) {
      // Upper case only: what the frames send.
      EXPECT_TRUE((digit >= '0' && digit <= '9') || (digit >= 'A' && digit <= 'F')) << value;
    }
    EXPECT_EQ(ByteFromHexPair(digits), byte);
    EXPECT_EQ(*HexDigitValue(digits[0]) * 16 + *HexDigitValue(digits[1]), value);
  }
  EXPECT_EQ(HexPairOf(0x0A), (std::array<uint8_t, 2>{'0', 'A'}));
}

}  // namespace
}  // namespace klv
