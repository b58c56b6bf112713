#include "serial/checksums.h"

#include <gtest/gtest.h>

#include <array>
#include <span>
#include <string>
#include <vector>

namespace klv {
namespace {

using Bytes = std::vector<uint8_t>;

std::span<const uint8_t> Text(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(ModbusChecksums, Crc16) {
  struct Case {
    const char* what;
    Bytes bytes;
    uint16_t crc;                  // the standard value
    std::array<uint8_t, 2> wire;  // as sent
  };
  const Case cases[] = {
      {"read of register 0100 from address 1", {0x01, 0x03, 0x01, 0x00, 0x00, 0x01}, 0xF685, {0x85, 0xF6}},
      {"read response carrying 0064", {0x01, 0x03, 0x02, 0x00, 0x64}, 0xAFB9, {0xB9, 0xAF}},
      {"exception response to a read", {0x01, 0x83, 0x01}, 0xF080, {0x80, 0xF0}},
      {"the standard check string 123456789", {'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0x4B37, {0x37, 0x4B}},
      {"no bytes: the initial value", {}, 0xFFFF, {0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModbusCrc16(c.bytes), c.crc) << c.what;
    EXPECT_EQ(ModbusCrcBytes(c.bytes), c.wire) << c.what;
  }
}

TEST(ModbusChecksums, CrcOfAFrameWithItsCrcIsZero) {
  // What a receiver relies on: appending the CRC as sent makes the CRC 0.
  Bytes frame = {0x01, 0x06, 0x01, 0x2C, 0x00, 0x64};
  const std::array<uint8_t, 2> crc = ModbusCrcBytes(frame);
  frame.insert(frame.end(), crc.begin(), crc.end());
  EXPECT_EQ(ModbusCrc16(frame), 0);
  frame[3] ^= 0x01;
  EXPECT_NE(ModbusCrc16(frame), 0);
}

TEST(ModbusChecksums, LrcOfHexPairs) {
  struct Case {
    std::string hex;
    uint8_t lrc;
  };
  const Case cases[] = {
      {"010301000001", 0xFA},   // read of register 0100 from address 1
      {"0106012C0064", 0x68},   // write of 0064 to register 012C
      {"0103020064", 0x96},     // read response carrying 0064
      {"FF01", 0x00},           // a sum of 256 negates to 0
      {"", 0x00},               // nothing to sum
      {"0103010000010", 0xFA},  // an odd last character is not a pair
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModbusLrcOfHexPairs(Text(c.hex)), c.lrc) << c.hex;
  }
}

}  // namespace
}  // namespace klv
