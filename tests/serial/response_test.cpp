#include "serial/response.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "serial/torvalek_frame.h"

namespace klv {
namespace {

// The exchange buffer after a read request of 0100 went out and `reply`
// came back into the same buffer.
FrameBuffer AfterRead(const std::string& reply) {
  FrameBuffer buffer;
  buffer.fill(0xEE);
  EXPECT_EQ(BuildStandardRead(buffer, 1, Register{0x0100}), FrameError::None);
  std::copy(reply.begin(), reply.end(), buffer.begin());
  return buffer;
}

struct ValueCase {
  const char* name;
  std::string reply;
  int16_t expected;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class ValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueTest, ReadsOffsetsEightToEleven) {
  const ValueCase& c = GetParam();
  EXPECT_EQ(ResponseValue(AfterRead(c.reply), c.reply.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ValueTest,
    testing::Values(
        ValueCase{"Hundred", "\x02" "011R00,0064\x03" "3F\r", 100},
        ValueCase{"TwoDigits", "\x02" "011R00,00\x03" "D5\r", 0},
        ValueCase{"ShortField", "\x02" "011R00,1F\x03" "XX\r", 0x1F},
        ValueCase{"MinusTwo", "\x02" "011R00,FFFE\x03" "XX\r", -2},
        ValueCase{"Largest", "\x02" "011R00,7FFF\x03" "XX\r", 32767},
        ValueCase{"Smallest", "\x02" "011R00,8000\x03" "XX\r", -32768},
        // Only four characters count, whatever follows.
        ValueCase{"LongerField", "\x02" "011R00,00641234\x03" "XX\r", 100},
        ValueCase{"NotHex", "\x02" "011R00,G064\x03" "XX\r", 0},
        // No sign and no "0x" prefix: parsing stops there.
        ValueCase{"Sign", "\x02" "011R00,-001\x03" "XX\r", 0},
        ValueCase{"Prefix", "\x02" "011R00,0x1F\x03" "XX\r", 0},
        ValueCase{"LowerCase", "\x02" "011R00,00ff\x03" "XX\r", 255}),
    [](const testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(Value, StopsAtTheLastReceivedByte) {
  // Ten bytes arrived; the request's own characters after them ("0", ETX,
  // "DA") are no part of the value.
  const std::string reply = "\x02" "011R00,12";
  FrameBuffer buffer = AfterRead(reply);
  buffer[10] = '3';
  buffer[11] = '4';
  EXPECT_EQ(ResponseValue(buffer, reply.size()), 0x12);
  EXPECT_EQ(ResponseValue(buffer, 12), 0x1234);
  EXPECT_EQ(ResponseValue(buffer, 0), 0);
}

}  // namespace
}  // namespace klv
