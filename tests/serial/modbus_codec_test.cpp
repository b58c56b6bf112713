#include "serial/modbus_codec.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "serial/response.h"
#include "serial/torvalek_frame.h"

namespace klv {
namespace {

using Bytes = std::vector<uint8_t>;

FrameBuffer BufferOf(const std::string& text, uint8_t fill = 0xEE) {
  FrameBuffer buffer;
  buffer.fill(fill);
  std::copy(text.begin(), text.end(), buffer.begin());
  return buffer;
}

FrameBuffer BufferOf(const Bytes& bytes, uint8_t fill = 0xEE) {
  return BufferOf(std::string(bytes.begin(), bytes.end()), fill);
}

std::string Head(const FrameBuffer& buffer, std::size_t length) {
  return std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
}

Bytes HeadBytes(const FrameBuffer& buffer, std::size_t length) {
  return Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
}

const std::string kRead0100 = "\x02" "011R01000\x03" "DA\r";
const std::string kWrite012C = "\x02" "011W012C0,0064\x03" "EA\r";

struct RequestCase {
  const char* name;
  std::string torvalek;
  Protocol protocol;
  Bytes expected;
};

// Test names show the case name rather than its bytes.
void PrintTo(const RequestCase& c, std::ostream* os) { *os << c.name; }

class RequestConversionTest : public testing::TestWithParam<RequestCase> {};

TEST_P(RequestConversionTest, ConvertsInPlaceAndRecordsTheRequest) {
  const RequestCase& c = GetParam();
  FrameBuffer buffer = BufferOf(c.torvalek);
  std::size_t length = c.torvalek.size();
  RtuRequestCopy last{};
  ToModbusRequest(buffer, length, FrameDirection::Request, c.protocol, last);
  EXPECT_EQ(HeadBytes(buffer, length), c.expected);
  EXPECT_NE(last, RtuRequestCopy{});
}

const Bytes kRtuWrite = {0x01, 0x06, 0x01, 0x2C, 0x00, 0x64, 0x48, 0x14};

Bytes Chars(const std::string& text) { return Bytes(text.begin(), text.end()); }

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestConversionTest,
    testing::Values(
        RequestCase{"RtuRead", kRead0100, Protocol::ModbusRtu,
                    {0x01, 0x03, 0x01, 0x00, 0x00, 0x01, 0x85, 0xF6}},
        RequestCase{"AsciiRead", kRead0100, Protocol::ModbusAscii, Chars(":010301000001FA\r\n")},
        RequestCase{"RtuWrite", kWrite012C, Protocol::ModbusRtu, kRtuWrite},
        RequestCase{"AsciiWrite", kWrite012C, Protocol::ModbusAscii, Chars(":0106012C006468\r\n")},
        // The broadcast write goes to Modbus address 0.
        RequestCase{"RtuBroadcastWrite", "\x02" "001B012C0,0064\x03" "D4\r", Protocol::ModbusRtu,
                    {0x00, 0x06, 0x01, 0x2C, 0x00, 0x64, 0x49, 0xC5}},
        // Ten registers: count digit 9 becomes 10.
        RequestCase{"AsciiReadOfTen", "\x02" "011R01009\x03" "E3\r", Protocol::ModbusAscii,
                    Chars(":01030100000AF1\r\n")}),
    [](const testing::TestParamInfo<RequestCase>& info) { return std::string(info.param.name); });

TEST(RequestConversion, RtuRecordsTheLastRequest) {
  FrameBuffer buffer = BufferOf(kWrite012C);
  std::size_t length = kWrite012C.size();
  RtuRequestCopy last{};
  ToModbusRequest(buffer, length, FrameDirection::Request, Protocol::ModbusRtu, last);
  EXPECT_EQ(Bytes(last.begin(), last.end()), kRtuWrite);
}

TEST(RequestConversion, NothingForEmptyFrameOrTorvalek) {
  struct Case {
    std::size_t length;
    Protocol protocol;
    FrameDirection direction;
  };
  const Case cases[] = {
      {0, Protocol::ModbusRtu, FrameDirection::Request},
      {0, Protocol::ModbusAscii, FrameDirection::Response},
      {kRead0100.size(), Protocol::Torvalek, FrameDirection::Request},
      {kRead0100.size(), Protocol::Torvalek, FrameDirection::Response},
      {kRead0100.size(), static_cast<Protocol>(7), FrameDirection::Request},
  };
  for (const Case& c : cases) {
    FrameBuffer buffer = BufferOf(kRead0100);
    std::size_t length = c.length;
    RtuRequestCopy last{};
    ToModbusRequest(buffer, length, c.direction, c.protocol, last);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(buffer, BufferOf(kRead0100));
    EXPECT_EQ(last, RtuRequestCopy{});
  }
}

struct ResponseCase {
  const char* name;
  Protocol protocol;
  Bytes received;
  std::string expected;
};

void PrintTo(const ResponseCase& c, std::ostream* os) { *os << c.name; }

class ResponseConversionTest : public testing::TestWithParam<ResponseCase> {};

TEST_P(ResponseConversionTest, GivesTheTorvalekResponseForm) {
  const ResponseCase& c = GetParam();
  FrameBuffer buffer = BufferOf(c.received);
  std::size_t count = c.received.size();
  FromModbusResponse(buffer, count, c.protocol);
  EXPECT_EQ(Head(buffer, count), c.expected);
  ASSERT_LT(count, buffer.size());
  EXPECT_EQ(buffer[count], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rtu, ResponseConversionTest,
    testing::Values(
        ResponseCase{"Read", Protocol::ModbusRtu, {0x01, 0x03, 0x02, 0x00, 0x64, 0xB9, 0xAF},
                     "\x02" "011R00,0064\x03" "3F\r"},
        ResponseCase{"ReadException", Protocol::ModbusRtu, {0x01, 0x83, 0x02, 0xC0, 0xF1},
                     "\x02" "011R09\x03" "52\r"},
        ResponseCase{"WriteException", Protocol::ModbusRtu, {0x01, 0x86, 0x02, 0xC3, 0xA1},
                     "\x02" "011W09\x03" "57\r"},
        // The echo's register high byte (01) is taken as the byte count.
        ResponseCase{"WriteEcho", Protocol::ModbusRtu, kRtuWrite, "\x02" "011W00,2C\x03" "EF\r"},
        // A claimed count beyond the received bytes converts what arrived.
        ResponseCase{"CountBeyondReceived", Protocol::ModbusRtu, {0x01, 0x03, 0xFF, 0x00, 0x64, 0xB9, 0xAF},
                     "\x02" "011R00,0064B9AF\x03" "41\r"},
        ResponseCase{"CountWithoutData", Protocol::ModbusRtu, {0x01, 0x06, 0x05},
                     "\x02" "011W00,\x03" "7A\r"},
        // Cut before the byte count: not a normal response.
        ResponseCase{"OneByte", Protocol::ModbusRtu, {0x01}, "\x02" "011W09\x03" "57\r"},
        ResponseCase{"TwoBytes", Protocol::ModbusRtu, {0x01, 0x03}, "\x02" "011R09\x03" "52\r"}),
    [](const testing::TestParamInfo<ResponseCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Ascii, ResponseConversionTest,
    testing::Values(
        ResponseCase{"Read", Protocol::ModbusAscii, Chars(":010302006496\r\n"),
                     "\x02" "011R00,0064\x03" "3F\r"},
        ResponseCase{"ReadException", Protocol::ModbusAscii, Chars(":0183027A\r\n"),
                     "\x02" "011R09\x03" "52\r"},
        ResponseCase{"WriteException", Protocol::ModbusAscii, Chars(":01860277\r\n"),
                     "\x02" "011W09\x03" "57\r"},
        ResponseCase{"WriteEcho", Protocol::ModbusAscii, Chars(":0106012C006468\r\n"),
                     "\x02" "011W00,2C\x03" "EF\r"},
        ResponseCase{"CountBeyondReceived", Protocol::ModbusAscii, Chars(":0103FF0064"),
                     "\x02" "011R00,0064\x03" "3F\r"},
        ResponseCase{"CutBeforeCount", Protocol::ModbusAscii, Chars(":0103"), "\x02" "011R09\x03" "52\r"},
        ResponseCase{"ColonOnly", Protocol::ModbusAscii, Chars(":"), "\x02" "001W09\x03" "56\r"}),
    [](const testing::TestParamInfo<ResponseCase>& info) { return std::string(info.param.name); });

TEST(ResponseConversion, NothingForNoBytesOrTorvalek) {
  const Bytes reply = {0x01, 0x03, 0x02, 0x00, 0x64, 0xB9, 0xAF};
  FrameBuffer buffer = BufferOf(reply);
  std::size_t count = 0;
  FromModbusResponse(buffer, count, Protocol::ModbusRtu);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(buffer, BufferOf(reply));
  count = reply.size();
  FromModbusResponse(buffer, count, Protocol::Torvalek);
  EXPECT_EQ(count, reply.size());
  EXPECT_EQ(buffer, BufferOf(reply));
}

TEST(ResponseConversion, HostileByteCountStaysInTheBuffer) {
  for (const Protocol protocol : {Protocol::ModbusRtu, Protocol::ModbusAscii}) {
    // A full buffer of a reply claiming 255 data bytes.
    FrameBuffer buffer;
    buffer.fill(protocol == Protocol::ModbusRtu ? 0x11 : '1');
    buffer[0] = protocol == Protocol::ModbusRtu ? 0x01 : ':';
    if (protocol == Protocol::ModbusRtu) {
      buffer[1] = 0x03;
      buffer[2] = 0xFF;
    } else {
      const std::string head = ":0103FF";
      std::copy(head.begin(), head.end(), buffer.begin());
    }
    std::size_t count = buffer.size();
    FromModbusResponse(buffer, count, protocol);
    // 12 framing characters and 86 data digits, then the NUL.
    ASSERT_EQ(count, 98u);
    EXPECT_EQ(Head(buffer, 9), "\x02" "011R00,1");
    EXPECT_EQ(buffer[93], '1');
    EXPECT_EQ(buffer[94], kEtx);
    EXPECT_EQ(Head(buffer, count).substr(95), "EB\r");
    EXPECT_EQ(buffer[98], 0);
  }
}

TEST(ResponseConversion, CountLargerThanTheBufferIsClamped) {
  const Bytes reply = {0x01, 0x03, 0x02, 0x00, 0x64, 0xB9, 0xAF};
  FrameBuffer buffer = BufferOf(reply);
  std::size_t count = 100000;
  FromModbusResponse(buffer, count, Protocol::ModbusRtu);
  EXPECT_LE(count, buffer.size());
  EXPECT_EQ(Head(buffer, 12), "\x02" "011R00,0064");
}

// The log rebuilds the Modbus response from the converted TORVALEK form.
struct RebuildCase {
  const char* name;
  Protocol protocol;
  std::string torvalek;
  Bytes expected;
};

void PrintTo(const RebuildCase& c, std::ostream* os) { *os << c.name; }

class ResponseRebuildTest : public testing::TestWithParam<RebuildCase> {};

TEST_P(ResponseRebuildTest, GivesTheModbusResponse) {
  const RebuildCase& c = GetParam();
  // The log converts the write request before its response, which records it.
  FrameBuffer request = BufferOf(kWrite012C);
  std::size_t requestLength = kWrite012C.size();
  RtuRequestCopy last{};
  ToModbusRequest(request, requestLength, FrameDirection::Request, c.protocol, last);

  FrameBuffer buffer = BufferOf(c.torvalek);
  std::size_t length = c.torvalek.size();
  ToModbusRequest(buffer, length, FrameDirection::Response, c.protocol, last);
  EXPECT_EQ(HeadBytes(buffer, length), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Responses, ResponseRebuildTest,
    testing::Values(
        RebuildCase{"RtuRead", Protocol::ModbusRtu, "\x02" "011R00,0064\x03" "3F\r",
                    {0x01, 0x03, 0x02, 0x00, 0x64, 0xB9, 0xAF}},
        RebuildCase{"RtuException", Protocol::ModbusRtu, "\x02" "011R09\x03" "52\r",
                    {0x01, 0x83, 0x01, 0x80, 0xF0}},
        RebuildCase{"RtuWriteException", Protocol::ModbusRtu, "\x02" "011W09\x03" "57\r",
                    {0x01, 0x86, 0x01, 0x83, 0xA0}},
        RebuildCase{"RtuWriteEcho", Protocol::ModbusRtu, "\x02" "011W00,2C\x03" "EF\r", kRtuWrite},
        RebuildCase{"AsciiRead", Protocol::ModbusAscii, "\x02" "011R00,0064\x03" "3F\r",
                    Chars(":010302006496\r\n")},
        RebuildCase{"AsciiException", Protocol::ModbusAscii, "\x02" "011R09\x03" "52\r",
                    Chars(":0183017B\r\n")},
        RebuildCase{"AsciiWriteEcho", Protocol::ModbusAscii, "\x02" "011W00,2C\x03" "EF\r",
                    Chars(":0106012C006468\r\n")}),
    [](const testing::TestParamInfo<RebuildCase>& info) { return std::string(info.param.name); });

// Request out, reply back: what the exchange sees at the end of a Modbus read.
TEST(ModbusRoundTrip, ReadValueSurvivesBothConversions) {
  for (const Protocol protocol : {Protocol::ModbusRtu, Protocol::ModbusAscii}) {
    FrameBuffer buffer{};
    ASSERT_EQ(BuildStandardRead(buffer, 1, Register{0x0100}), FrameError::None);
    std::size_t length = kReadRequestLength;
    RtuRequestCopy last{};
    ToModbusRequest(buffer, length, FrameDirection::Request, protocol, last);

    const Bytes reply = protocol == Protocol::ModbusRtu
                            ? Bytes{0x01, 0x03, 0x02, 0xFF, 0xFE, 0x78, 0x34}
                            : Chars(":010302FFFEFD\r\n");
    std::copy(reply.begin(), reply.end(), buffer.begin());
    std::size_t count = reply.size();
    FromModbusResponse(buffer, count, protocol);
    ASSERT_GT(count, 6u);
    EXPECT_EQ(buffer[6], '0');
    EXPECT_EQ(ResponseValue(buffer, count), -2);
  }
}

TEST(ModbusRoundTrip, ShortReplyIsAnErrorNotAStaleSuccess) {
  // The converted RTU request leaves bytes in the buffer that a one-byte
  // reply must not turn into a normal response.
  FrameBuffer buffer{};
  ASSERT_EQ(BuildStandardRead(buffer, 1, Register{0x0100}), FrameError::None);
  std::size_t length = kReadRequestLength;
  RtuRequestCopy last{};
  ToModbusRequest(buffer, length, FrameDirection::Request, Protocol::ModbusRtu, last);
  std::size_t count = 1;
  FromModbusResponse(buffer, count, Protocol::ModbusRtu);
  EXPECT_FALSE(count > 6 && buffer[6] == '0');
}

}  // namespace
}  // namespace klv
