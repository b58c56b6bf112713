#include "serial/reply_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace klv {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The requests of the worked examples: read register 0100 and write 0064 to
// 012C, device 1, as their RTU bytes.
const RtuRequestCopy kReadRtu = {0x01, 0x03, 0x01, 0x00, 0x00, 0x01, 0x85, 0xF6};
const RtuRequestCopy kWriteRtu = {0x01, 0x06, 0x01, 0x2C, 0x00, 0x64, 0x00, 0x00};

// Appends the Modbus CRC, low byte first.
Bytes WithCrc(Bytes bytes) {
  uint16_t crc = 0xFFFF;
  for (const uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  bytes.push_back(static_cast<uint8_t>(crc & 0xFF));
  bytes.push_back(static_cast<uint8_t>(crc >> 8));
  return bytes;
}

// ":", the bytes and their LRC as hex, CR LF.
Bytes AsciiFrame(const Bytes& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = ":";
  uint8_t sum = 0;
  for (const uint8_t b : bytes) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
    sum = static_cast<uint8_t>(sum + b);
  }
  const auto lrc = static_cast<uint8_t>(-sum);
  text += kHex[lrc >> 4];
  text += kHex[lrc & 15];
  return Text(text + "\r\n");
}

struct ModbusCase {
  const char* name;
  Protocol protocol;
  const RtuRequestCopy* request;
  Bytes reply;
  ReplyFault fault;  // None: a good reply
};

TEST(ReplyCheck, ModbusRepliesAreCheckedWholeAgainstTheRequest) {
  Bytes badCrc = WithCrc({0x01, 0x03, 0x02, 0x00, 0x64});
  badCrc.back() ^= 0x01;
  Bytes badLrc = AsciiFrame({0x01, 0x03, 0x02, 0x00, 0x64});
  badLrc[badLrc.size() - 3] = badLrc[badLrc.size() - 3] == '0' ? '1' : '0';
  const ModbusCase cases[] = {
      {"RTU worked example", Protocol::ModbusRtu, &kReadRtu, {0x01, 0x03, 0x02, 0x00, 0x64, 0xB9, 0xAF}, ReplyFault::None},
      {"RTU exception", Protocol::ModbusRtu, &kReadRtu, WithCrc({0x01, 0x83, 0x02}), ReplyFault::None},
      {"RTU write echo", Protocol::ModbusRtu, &kWriteRtu, WithCrc({0x01, 0x06, 0x01, 0x2C, 0x00, 0x64}), ReplyFault::None},
      {"RTU bad CRC", Protocol::ModbusRtu, &kReadRtu, badCrc, ReplyFault::CheckCode},
      {"RTU another slave", Protocol::ModbusRtu, &kReadRtu, WithCrc({0x02, 0x03, 0x02, 0x00, 0x64}), ReplyFault::Address},
      {"RTU another function", Protocol::ModbusRtu, &kReadRtu, WithCrc({0x01, 0x04, 0x02, 0x00, 0x64}), ReplyFault::Address},
      {"RTU byte count 4", Protocol::ModbusRtu, &kReadRtu, WithCrc({0x01, 0x03, 0x04, 0, 1, 0, 2}), ReplyFault::Length},
      {"RTU cut short", Protocol::ModbusRtu, &kReadRtu, WithCrc({0x01, 0x03, 0x02, 0x00}), ReplyFault::Length},
      {"RTU echo of another value", Protocol::ModbusRtu, &kWriteRtu, WithCrc({0x01, 0x06, 0x01, 0x2C, 0, 0x65}),
       ReplyFault::Address},
      {"RTU nothing", Protocol::ModbusRtu, &kReadRtu, {}, ReplyFault::Silence},
      {"RTU noise", Protocol::ModbusRtu, &kReadRtu, {0x00, 0x7F, 0x55}, ReplyFault::Length},
      {"ASCII read", Protocol::ModbusAscii, &kReadRtu, AsciiFrame({0x01, 0x03, 0x02, 0x00, 0x64}), ReplyFault::None},
      {"ASCII exception", Protocol::ModbusAscii, &kReadRtu, AsciiFrame({0x01, 0x83, 0x02}), ReplyFault::None},
      {"ASCII bad LRC", Protocol::ModbusAscii, &kReadRtu, badLrc, ReplyFault::CheckCode},
      {"ASCII another slave", Protocol::ModbusAscii, &kReadRtu, AsciiFrame({0x07, 0x03, 0x02, 0x00, 0x64}), ReplyFault::Address},
      {"ASCII non-hex", Protocol::ModbusAscii, &kReadRtu, Text(":0103020G64XX\r\n"), ReplyFault::Length},
      {"ASCII without CR LF", Protocol::ModbusAscii, &kReadRtu, Text(":010302006496"), ReplyFault::Length},
      {"TORVALEK is not Modbus", Protocol::Torvalek, &kReadRtu, {0x01, 0x03, 0x02, 0x00, 0x64, 0xB9, 0xAF}, ReplyFault::Length},
  };
  for (const ModbusCase& c : cases) {
    EXPECT_EQ(CheckModbusReply(*c.request, c.reply, c.protocol), c.fault) << c.name;
  }
}

struct FrameEndCase {
  const char* name;
  Protocol protocol;
  Bytes received;
  bool whole;
};

TEST(ReplyCheck, AReceiveCanEndWhenItsFrameIsWhole) {
  const FrameEndCase cases[] = {
      {"TORVALEK reply", Protocol::Torvalek, Text("\x02" "011R00,0064\x03" "3F\r"), true},
      {"TORVALEK before its CR", Protocol::Torvalek, Text("\x02" "011R00,0064\x03" "3F"), false},
      {"ASCII reply", Protocol::ModbusAscii, Text(":010302006496\r\n"), true},
      {"ASCII CR only", Protocol::ModbusAscii, Text(":010302006496\r"), false},
      {"RTU read, byte count 2", Protocol::ModbusRtu, {0x01, 0x03, 0x02, 0x00, 0x64, 0xB9, 0xAF}, true},
      {"RTU read, one byte missing", Protocol::ModbusRtu, {0x01, 0x03, 0x02, 0x00, 0x64, 0xB9}, false},
      {"RTU exception", Protocol::ModbusRtu, {0x01, 0x83, 0x02, 0xC0, 0xF1}, true},
      {"RTU write echo", Protocol::ModbusRtu, {0x01, 0x06, 0x01, 0x2C, 0x00, 0x64, 0x00, 0x00}, true},
      {"RTU unknown function", Protocol::ModbusRtu, {0x01, 0x10, 0x01, 0x2C, 0x00, 0x64, 0x00, 0x00}, false},
      {"RTU address only", Protocol::ModbusRtu, {0x01}, false},
  };
  for (const FrameEndCase& c : cases) {
    EXPECT_EQ(FrameEndFor(c.protocol)(c.received), c.whole) << c.name;
  }
}

TEST(ReplyCheck, AWriteReplyMayCarryDataAndAnErrorReplyText) {
  const Bytes write = Text("\x02" "011W012C0,0064\x03" "EA\r");
  const auto reply = [](const std::string& body) {
    std::string text = "\x02" "011W" + body + "\x03";
    unsigned sum = 0;
    for (const char c : text) sum += static_cast<uint8_t>(c);
    static constexpr char kHex[] = "0123456789ABCDEF";
    text += kHex[(sum >> 4) & 15];
    text += kHex[sum & 15];
    return Text(text + "\r");
  };
  EXPECT_EQ(CheckTorvalekReply(write, reply("00")).result, ExchangeResult::Ok);
  EXPECT_EQ(CheckTorvalekReply(write, reply("00,01")).result, ExchangeResult::Ok);
  EXPECT_EQ(CheckTorvalekReply(write, reply("00,0X")).result, ExchangeResult::NoResponse);
  EXPECT_EQ(CheckTorvalekReply(write, reply("03")).result, ExchangeResult::Error);
  EXPECT_EQ(CheckTorvalekReply(write, reply("03,bad value")).result, ExchangeResult::Error);
  EXPECT_EQ(CheckTorvalekReply(write, reply("03;")).result, ExchangeResult::NoResponse);
}

struct TorvalekCase {
  const char* name;
  std::string reply;
  ExchangeResult result;
  ReplyFault fault;
  int16_t value;
};

// Every reply that is not taken says why, so the log and a report can tell
// noise from silence.
TEST(ReplyCheck, AReadReplyThatIsNotTakenSaysWhy) {
  const Bytes read = Text("\x02" "011R01000\x03" "DA\r");
  const TorvalekCase cases[] = {
      {"good", "\x02" "011R00,0064\x03" "3F\r", ExchangeResult::Ok, ReplyFault::None, 100},
      {"refused", "\x02" "011R02\x03" "4B\r", ExchangeResult::Error, ReplyFault::None, 0},
      {"nothing", "", ExchangeResult::NoResponse, ReplyFault::Silence, 0},
      {"wrong BCC", "\x02" "011R00,0064\x03" "40\r", ExchangeResult::NoResponse, ReplyFault::CheckCode, 0},
      {"another device", "\x02" "021R00,0064\x03" "40\r", ExchangeResult::NoResponse, ReplyFault::Address, 0},
      {"a write's reply", "\x02" "011W00\x03" "4E\r", ExchangeResult::NoResponse, ReplyFault::Address, 0},
      {"three digits", "\x02" "011R00,064\x03" "0F\r", ExchangeResult::NoResponse, ReplyFault::Length, 0},
      {"cut short", "\x02" "011R00,00", ExchangeResult::NoResponse, ReplyFault::Length, 0},
      {"noise", "\x7F\x55", ExchangeResult::NoResponse, ReplyFault::Length, 0},
  };
  for (const TorvalekCase& c : cases) {
    const Reply reply = CheckTorvalekReply(read, Text(c.reply));
    EXPECT_EQ(reply.result, c.result) << c.name;
    EXPECT_EQ(reply.fault, c.fault) << c.name;
    EXPECT_EQ(reply.value, c.value) << c.name;
  }
}

}  // namespace
}  // namespace klv
