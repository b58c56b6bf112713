#include "serial/torvalek_frame.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace klv {
namespace {

// The text the builder left in the buffer, up to (not including) its NUL.
std::string Text(const FrameBuffer& frame) {
  return std::string(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(FrameLength(frame)));
}

FrameBuffer Filled(uint8_t byte) {
  FrameBuffer frame;
  frame.fill(byte);
  return frame;
}

struct ReadCase {
  const char* name;
  int address;
  int subAddress;
  const char* tail;
  int count;
  int style;
  int bcc;
  std::string expected;
};

// Test names show the case name rather than its bytes.
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadRequestTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadRequestTest, BuildsTheFrame) {
  const ReadCase& c = GetParam();
  FrameBuffer frame = Filled(0xEE);
  ASSERT_EQ(BuildReadRequest(frame, c.address, c.subAddress, c.tail, c.count, c.style, c.bcc), FrameError::None);
  EXPECT_EQ(Text(frame), c.expected);
  // NUL-terminated, and nothing after the NUL touched.
  ASSERT_LT(c.expected.size(), frame.size());
  EXPECT_EQ(frame[c.expected.size()], 0);
  for (std::size_t i = c.expected.size() + 1; i < frame.size(); ++i) ASSERT_EQ(frame[i], 0xEE) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ReadRequestTest,
    testing::Values(
        // Read of 0100 from address 1, with each BCC kind.
        ReadCase{"Sum", 1, 1, "100", 1, 1, 1, "\x02" "011R01000\x03" "DA\r"},
        ReadCase{"TwosComplement", 1, 1, "100", 1, 1, 2, "\x02" "011R01000\x03" "26\r"},
        ReadCase{"Xor", 1, 1, "100", 1, 1, 3, "\x02" "011R01000\x03" "50\r"},
        ReadCase{"NoBcc", 1, 1, "100", 1, 1, 0, "\x02" "011R01000\x03\r"},
        ReadCase{"UnknownBcc", 1, 1, "100", 1, 1, 7, "\x02" "011R01000\x03\r"},
        // Address in hex.
        ReadCase{"Address99", 99, 1, "100", 1, 1, 1, "\x02" "631R01000\x03" "E2\r"},
        ReadCase{"Address10", 10, 1, "100", 1, 1, 1, "\x02" "0A1R01000\x03" "EA\r"},
        // Count digit is registers minus one.
        ReadCase{"TenRegisters", 1, 1, "100", 10, 1, 0, "\x02" "011R01009\x03\r"},
        // Frame styles.
        ReadCase{"StyleCrLf", 1, 1, "100", 1, 2, 1, "\x02" "011R01000\x03" "DA\r\n"},
        ReadCase{"StyleAtColon", 1, 1, "100", 1, 0, 1, "@011R01000:4F\r"},
        ReadCase{"StyleUnknown", 1, 1, "100", 1, 5, 1, "@011R01000:4F\r"},
        // Sum 512: both Sum and TwosComplement give "00", never "100".
        ReadCase{"TwosComplementOfZeroSum", 1, 1, "AA5", 1, 1, 2, "\x02" "011R0AA50\x03" "00\r"},
        ReadCase{"SumOfZeroSum", 1, 1, "AA5", 1, 1, 1, "\x02" "011R0AA50\x03" "00\r"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(ReadRequest, WorkedExampleIsFourteenCharacters) {
  FrameBuffer frame{};
  ASSERT_EQ(BuildReadRequest(frame, 1, 1, "100", 1, FrameStyle::StxEtxCr, BccKind::Sum), FrameError::None);
  EXPECT_EQ(FrameLength(frame), kReadRequestLength);
  FrameBuffer crlf{};
  ASSERT_EQ(BuildReadRequest(crlf, 1, 1, "100", 1, FrameStyle::StxEtxCrLf, BccKind::Sum), FrameError::None);
  EXPECT_EQ(FrameLength(crlf), 15u);
}

struct RejectCase {
  const char* name;
  int address;
  int subAddress;
  const char* registerText;
  int count;  // read only
  const char* value;  // write only
  FrameError expected;
};

void PrintTo(const RejectCase& c, std::ostream* os) { *os << c.name; }

class ReadRejectTest : public testing::TestWithParam<RejectCase> {};

TEST_P(ReadRejectTest, ReturnsCodeAndLeavesBufferUnchanged) {
  const RejectCase& c = GetParam();
  FrameBuffer frame = Filled(0x5A);
  EXPECT_EQ(BuildReadRequest(frame, c.address, c.subAddress, c.registerText, c.count, 1, 1), c.expected);
  EXPECT_EQ(frame, Filled(0x5A));
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ReadRejectTest,
    testing::Values(RejectCase{"Address0", 0, 1, "100", 1, "", FrameError::BadAddress},
                    RejectCase{"Address100", 100, 1, "100", 1, "", FrameError::BadAddress},
                    RejectCase{"AddressNegative", -1, 1, "100", 1, "", FrameError::BadAddress},
                    RejectCase{"Sub0", 1, 0, "100", 1, "", FrameError::BadSubAddress},
                    RejectCase{"Sub10", 1, 10, "100", 1, "", FrameError::BadSubAddress},
                    RejectCase{"Count0", 1, 1, "100", 0, "", FrameError::BadCount},
                    RejectCase{"Count11", 1, 1, "100", 11, "", FrameError::BadCount},
                    RejectCase{"TailOfFour", 1, 1, "0100", 1, "", FrameError::BadTail},
                    // Checked in order: the first failing check wins.
                    RejectCase{"AddressBeforeAll", 0, 0, "0100", 11, "", FrameError::BadAddress},
                    RejectCase{"SubBeforeCountAndTail", 1, 0, "0100", 11, "", FrameError::BadSubAddress},
                    RejectCase{"CountBeforeTail", 1, 1, "0100", 11, "", FrameError::BadCount}),
    [](const testing::TestParamInfo<RejectCase>& info) { return std::string(info.param.name); });

TEST(WriteRequest, WorkedExample) {
  FrameBuffer frame = Filled(0xEE);
  ASSERT_EQ(BuildWriteRequest(frame, 1, 1, "012C", "0064"), FrameError::None);
  EXPECT_EQ(Text(frame), "\x02" "011W012C0,0064\x03" "EA\r");
  EXPECT_EQ(FrameLength(frame), kWriteRequestLength);
  EXPECT_EQ(frame[kWriteRequestLength + 1], 0xEE);
}

TEST(WriteRequest, AddressZeroIsTheBroadcastWrite) {
  FrameBuffer frame{};
  ASSERT_EQ(BuildWriteRequest(frame, 0, 1, "012C", "0064"), FrameError::None);
  EXPECT_EQ(Text(frame), "\x02" "001B012C0,0064\x03" "D4\r");
}

class WriteRejectTest : public testing::TestWithParam<RejectCase> {};

TEST_P(WriteRejectTest, ReturnsCodeAndLeavesBufferUnchanged) {
  const RejectCase& c = GetParam();
  FrameBuffer frame = Filled(0x5A);
  EXPECT_EQ(BuildWriteRequest(frame, c.address, c.subAddress, c.registerText, c.value), c.expected);
  EXPECT_EQ(frame, Filled(0x5A));
}

INSTANTIATE_TEST_SUITE_P(
    Errors, WriteRejectTest,
    testing::Values(RejectCase{"Address100", 100, 1, "012C", 0, "0064", FrameError::BadAddress},
                    RejectCase{"AddressNegative", -1, 1, "012C", 0, "0064", FrameError::BadAddress},
                    RejectCase{"Sub10", 1, 10, "012C", 0, "0064", FrameError::BadSubAddress},
                    RejectCase{"SubNegative", 1, -1, "012C", 0, "0064", FrameError::BadSubAddress},
                    RejectCase{"RegisterOfFive", 1, 1, "0012C", 0, "0064", FrameError::BadRegister},
                    RejectCase{"ValueOfFive", 1, 1, "012C", 0, "00064", FrameError::BadValue},
                    RejectCase{"AddressBeforeAll", 100, 10, "0012C", 0, "00064", FrameError::BadAddress},
                    RejectCase{"SubBeforeTexts", 1, 10, "0012C", 0, "00064", FrameError::BadSubAddress},
                    RejectCase{"RegisterBeforeValue", 1, 1, "0012C", 0, "00064", FrameError::BadRegister}),
    [](const testing::TestParamInfo<RejectCase>& info) { return std::string(info.param.name); });

TEST(WriteRequest, SubAddressZeroIsAccepted) {
  FrameBuffer frame{};
  ASSERT_EQ(BuildWriteRequest(frame, 1, 0, "012C", "0064"), FrameError::None);
  EXPECT_EQ(Text(frame).substr(0, 5), "\x02" "010W");
}

TEST(AppendBcc, LeavesTextWithoutRoomAlone) {
  FrameBuffer frame = Filled('0');
  EXPECT_EQ(AppendBcc(frame, frame.size() - 1, BccKind::Sum), frame.size() - 1);
  EXPECT_EQ(frame, Filled('0'));
  EXPECT_EQ(AppendBcc(frame, 0, BccKind::Sum), 0u);
  EXPECT_EQ(frame, Filled('0'));
}

TEST(StandardRequests, ReadAndWriteAsTheProgramSendsThem) {
  FrameBuffer read{};
  ASSERT_EQ(BuildStandardRead(read, 1, Register{0x0100}), FrameError::None);
  EXPECT_EQ(Text(read), "\x02" "011R01000\x03" "DA\r");

  FrameBuffer write{};
  ASSERT_EQ(BuildStandardWrite(write, 1, Register{0x012C}, 100), FrameError::None);
  EXPECT_EQ(Text(write), "\x02" "011W012C0,0064\x03" "EA\r");

  // A negative value travels as its 16-bit pattern.
  ASSERT_EQ(BuildStandardWrite(write, 1, Register{0x012C}, -2), FrameError::None);
  EXPECT_EQ(Text(write).substr(11, 4), "FFFE");
  ASSERT_EQ(BuildStandardWrite(write, 1, Register{0x012C}, -32768), FrameError::None);
  EXPECT_EQ(Text(write).substr(11, 4), "8000");
}

TEST(StandardRequests, PassOnBuilderErrors) {
  FrameBuffer frame = Filled(0x5A);
  EXPECT_EQ(BuildStandardRead(frame, 0, Register{0x0100}), FrameError::BadAddress);
  EXPECT_EQ(BuildStandardRead(frame, 1, Register{0x1000}), FrameError::BadTail);
  EXPECT_EQ(BuildStandardWrite(frame, 100, Register{0x012C}, 1), FrameError::BadAddress);
  EXPECT_EQ(frame, Filled(0x5A));
}

}  // namespace
}  // namespace klv
