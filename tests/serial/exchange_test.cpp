#include "serial/connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "serial/exchange_rig.h"
#include "serial/torvalek_frame.h"

namespace klv {
namespace {

using std::chrono::milliseconds;
using testing::Bytes;
using testing::FakeClock;
using testing::ReadReply;
using testing::DeviceReply;
using testing::ScriptedDevice;
using testing::TextBytes;
using testing::WriteReply;

class ExchangeTest : public testing::ExchangeRig {};

// The worked example of the log: register 0116 of device 1 reads 1.
TEST_F(ExchangeTest, LogsRequestBeforeSendingAndReplyWithTheNextNumber) {
  Open();
  Script({ReadReply("0001")});

  connection_.StartLog();
  const Reply outcome = connection_.Read(Register{0x0116});

  EXPECT_EQ(outcome.result, ExchangeResult::Ok);
  EXPECT_EQ(outcome.value, 1);
  EXPECT_EQ(connection_.log.Text(),
            "001. PC->KLV: (STX)011R01160(ETX)E1(CR)\r\n"
            "002. KLV->PC: (STX)011R00,0001(ETX)36(CR)\r\n"
            "\r\n");
  ASSERT_EQ(device_.Writes().size(), 1u);
  EXPECT_EQ(device_.Writes()[0], TextBytes("\x02" "011R01160\x03" "E1\r"));
  EXPECT_EQ(connection_.NextLogEntry(), 3);
}

// Every exchange takes the next two numbers; the option reading and the probe
// number their own from 1, and the log goes on afterwards as before.
TEST_F(ExchangeTest, TheConnectionNumbersItsOwnLog) {
  Open();
  Script({ReadReply("0001"), ReadReply("0002"), ReadReply("0003"), ReadReply("0004")});
  connection_.StartLog(5);
  connection_.Read(Register{0x0116});
  {
    const Connection::FixedLogGroup group(connection_);
    connection_.Read(Register{0x0117});
  }
  connection_.StopLog();
  connection_.Read(Register{0x0118});
  {
    const Connection::FixedLogGroup group(connection_);
    connection_.Read(Register{0x0119});
  }
  EXPECT_FALSE(connection_.Logging());
  EXPECT_EQ(connection_.log.Text(),
            "005. PC->KLV: (STX)011R01160(ETX)E1(CR)\r\n"
            "006. KLV->PC: (STX)011R00,0001(ETX)36(CR)\r\n\r\n"
            "001. PC->KLV: (STX)011R01170(ETX)E2(CR)\r\n"
            "002. KLV->PC: (STX)011R00,0002(ETX)37(CR)\r\n\r\n"
            "001. PC->KLV: (STX)011R01190(ETX)E4(CR)\r\n"
            "002. KLV->PC: (STX)011R00,0004(ETX)39(CR)\r\n\r\n");
}

TEST_F(ExchangeTest, LogOffLeavesTheLogAlone) {
  Open();
  Script({ReadReply("0001")});
  EXPECT_TRUE(connection_.Read(Register{0x0116}).Ok());
  EXPECT_TRUE(connection_.log.Empty());
}

struct ClassifyCase {
  const char* name;
  std::optional<Bytes> reply;  // nullopt: the device stays silent
  ExchangeResult result;
  int16_t value;
  ReplyFault fault;
};

// A reply counts only when it is one whole, correct frame for the request:
// anything damaged, short, foreign or surplus is taken as no reply at all,
// never as a value, and says why. A good frame with an error code is an
// error reply.
TEST_F(ExchangeTest, ClassifiesEachReplyAfterExactlyOneAttempt) {
  const auto withByte = [](Bytes bytes, std::size_t at, uint8_t value) {
    bytes.at(at) = value;
    return bytes;
  };
  const Bytes good = ReadReply("0064");
  const std::size_t bccAt = good.size() - 3;
  const ClassifyCase cases[] = {
      {"silent", std::nullopt, ExchangeResult::NoResponse, 0, ReplyFault::Silence},
      {"code 00, 0064", ReadReply("0064"), ExchangeResult::Ok, 100, ReplyFault::None},
      {"code 10", ReadReply("0064", "10"), ExchangeResult::Ok, 100, ReplyFault::None},
      {"FFFE is negative", ReadReply("FFFE"), ExchangeResult::Ok, -2, ReplyFault::None},
      {"lower-case digits", ReadReply("ff9c"), ExchangeResult::Ok, -100, ReplyFault::None},
      {"code 01", ReadReply("0064", "01"), ExchangeResult::Error, 0, ReplyFault::None},
      {"code 09 without data", DeviceReply('R', "09", ""), ExchangeResult::Error, 0, ReplyFault::None},
      {"six characters", TextBytes("\x02" "011R0"), ExchangeResult::NoResponse, 0, ReplyFault::Length},
      {"wrong BCC", withByte(good, bccAt, good[bccAt] == 'A' ? 'B' : 'A'), ExchangeResult::NoResponse, 0,
       ReplyFault::CheckCode},
      {"another device address", DeviceReply('R', "00", ",0064", "021"), ExchangeResult::NoResponse, 0,
       ReplyFault::Address},
      {"another sub-address", DeviceReply('R', "00", ",0064", "012"), ExchangeResult::NoResponse, 0,
       ReplyFault::Address},
      {"another command", DeviceReply('W', "00", ",0064"), ExchangeResult::NoResponse, 0, ReplyFault::Address},
      {"non-hex value digit", ReadReply("12G4"), ExchangeResult::NoResponse, 0, ReplyFault::Length},
      {"data 00 then ETX", ReadReply("00"), ExchangeResult::NoResponse, 0, ReplyFault::Length},
      {"no data field", DeviceReply('R', "00", ""), ExchangeResult::NoResponse, 0, ReplyFault::Length},
      {"further data fields", ReadReply("0028,0001,0002"), ExchangeResult::NoResponse, 0, ReplyFault::Length},
      {"no STX", withByte(good, 0, '@'), ExchangeResult::NoResponse, 0, ReplyFault::Length},
      {"no CR", Bytes(good.begin(), good.end() - 1), ExchangeResult::NoResponse, 0, ReplyFault::Length},
      {"non-hex code", ReadReply("0064", "0G"), ExchangeResult::NoResponse, 0, ReplyFault::Length},
      {"two replies", [&] {
         Bytes twice = good;
         twice.insert(twice.end(), good.begin(), good.end());
         return twice;
       }(), ExchangeResult::NoResponse, 0, ReplyFault::Stray},
  };
  Open();
  connection_.StartLog(3);
  for (const ClassifyCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t writesBefore = device_.Writes().size();
    Script({c.reply});
    const Reply outcome = connection_.Read(Register{0x0120});
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.value, c.value);
    EXPECT_EQ(outcome.fault, c.fault);
    EXPECT_EQ(device_.Writes().size(), writesBefore + 1);
  }
}

// The reply to one request can come too late for it; it must never pass as
// the reply to the next: what waits on the line before a request is taken
// off it, said (strayBefore) and logged as a stray frame.
TEST_F(ExchangeTest, ALateReplyIsNeverTakenForTheNextRegister) {
  connection_.settings.readTimeout = 100;
  Open();
  device_.QueueReply(ReadReply("0016"), milliseconds(130));  // 012D answers 22, too late
  device_.QueueReply(ReadReply("0058"), milliseconds(130));  // 012E answers 88, too late
  device_.QueueReply(ReadReply("0001"), milliseconds(5));    // 012F answers 1 in time

  connection_.StartLog();
  const Reply first = connection_.Read(Register{0x012D});
  EXPECT_EQ(first.result, ExchangeResult::NoResponse);
  EXPECT_FALSE(first.strayBefore);
  clock_.Advance(milliseconds(100));  // the row pause: 012D's reply arrives meanwhile
  const Reply second = connection_.Read(Register{0x012E});
  EXPECT_EQ(second.result, ExchangeResult::NoResponse);
  EXPECT_TRUE(second.strayBefore);
  clock_.Advance(milliseconds(100));
  const Reply third = connection_.Read(Register{0x012F});
  EXPECT_EQ(third.result, ExchangeResult::Ok);
  EXPECT_EQ(third.value, 1);
  EXPECT_TRUE(third.strayBefore);
  // Each late reply on a line of its own before the request that found it.
  const std::string_view log = connection_.log.Text();
  const std::string stray = "---. KLV->PC: (STX)011R00,0016(ETX)";
  EXPECT_NE(log.find(stray), std::string_view::npos) << log;
  EXPECT_LT(log.find(stray), log.find("003. PC->KLV: "));
  EXPECT_NE(log.find("---. KLV->PC: (STX)011R00,0058(ETX)"), std::string_view::npos) << log;
}

TEST_F(ExchangeTest, WriteSendsTheSixteenBitPatternAndTakesTheCodeOnly) {
  Open();
  Script({WriteReply(), WriteReply("09")});
  connection_.StartLog(13);
  const Reply taken = connection_.Write(Register{0x012C}, -2);
  EXPECT_EQ(taken.result, ExchangeResult::Ok);
  EXPECT_EQ(taken.value, 0);
  EXPECT_EQ(connection_.Write(Register{0x012C}, 100).result, ExchangeResult::Error);

  ASSERT_EQ(device_.Writes().size(), 2u);
  const std::string first(device_.Writes()[0].begin(), device_.Writes()[0].end());
  EXPECT_EQ(first.size(), kWriteRequestLength);
  EXPECT_NE(first.find("011W012C0,FFFE\x03"), std::string::npos);
  EXPECT_EQ(connection_.log.Text().substr(0, 19), "013. PC->KLV: (STX)");
  EXPECT_NE(connection_.log.Text().find("014. KLV->PC: "), std::string::npos);
}

TEST_F(ExchangeTest, UsesTheSettingsDeviceAddress) {
  connection_.settings.deviceAddress = 31;
  Open();
  Script({std::nullopt});
  connection_.Read(Register{0x0110});
  ASSERT_EQ(device_.Writes().size(), 1u);
  EXPECT_EQ(std::string(device_.Writes()[0].begin() + 1, device_.Writes()[0].begin() + 4), "1F1");
}

// A settings file can hold an address the frame cannot carry: nothing is sent
// or logged, and the exchange counts as unanswered.
TEST_F(ExchangeTest, RequestThatCannotBeBuiltIsNotSent) {
  connection_.settings.deviceAddress = 0;
  Open();
  connection_.StartLog();
  EXPECT_EQ(connection_.Read(Register{0x0110}).result, ExchangeResult::NoResponse);
  connection_.settings.deviceAddress = 100;
  EXPECT_EQ(connection_.Write(Register{0x012C}, 1).result, ExchangeResult::NoResponse);
  EXPECT_TRUE(device_.Writes().empty());
  EXPECT_TRUE(connection_.log.Empty());
  // Their numbers are used all the same, as the log always counted them.
  EXPECT_EQ(connection_.NextLogEntry(), 5);
}

// A receive ends as soon as the whole reply is in; only silence costs the
// whole read time-out.
TEST_F(ExchangeTest, AReceiveEndsWithItsFrameAndSilenceWaitsTheTimeout) {
  connection_.settings.readTimeout = 200;
  Open();
  Script({ReadReply("0001"), ReadReply("0000"), ReadReply("0001"), ReadReply("0006")});
  const auto start = clock_.Now();
  for (const Register address : {Register{0x0116}, Register{0x0117}, Register{0x0118}, Register{0x0119}}) EXPECT_TRUE(connection_.Read(address).Ok());
  EXPECT_EQ(device_.ReadDurations(), std::vector<Clock::Duration>(4, milliseconds(5)));
  EXPECT_EQ(clock_.Now() - start, milliseconds(20));

  Script({std::nullopt});
  EXPECT_FALSE(connection_.Read(Register{0x0110}).Ok());
  EXPECT_EQ(device_.ReadDurations().back(), milliseconds(200));
}

TEST_F(ExchangeTest, ClosedPortGivesNoResponseAtOnce) {
  connection_.StartLog();
  const Reply outcome = connection_.Read(Register{0x0110});
  EXPECT_EQ(outcome.result, ExchangeResult::NoResponse);
  EXPECT_EQ(outcome.fault, ReplyFault::Silence);
  EXPECT_TRUE(device_.Writes().empty());
  EXPECT_TRUE(device_.ReadDurations().empty());
  EXPECT_EQ(clock_.Now(), Clock::TimePoint{});
  // The attempt is still on record, with an empty reply.
  EXPECT_NE(connection_.log.Text().find("002. KLV->PC: \r\n\r\n"), std::string::npos);
}

TEST_F(ExchangeTest, ModbusRtuSendsTheRtuFrameAndReadsTheRtuReply) {
  Open(Protocol::ModbusRtu);
  // Read of 0116 at address 1; CRC-16/MODBUS 0x3264, low byte first.
  const Bytes request = {0x01, 0x03, 0x01, 0x16, 0x00, 0x01, 0x64, 0x32};
  Script({Bytes{0x01, 0x03, 0x02, 0x00, 0x01, 0x79, 0x84},  // value 1
          Bytes{0x01, 0x83, 0x02, 0xC0, 0xF1}});            // exception 02

  connection_.StartLog();
  const Reply good = connection_.Read(Register{0x0116});
  EXPECT_EQ(good.result, ExchangeResult::Ok);
  EXPECT_EQ(good.value, 1);
  EXPECT_EQ(connection_.Read(Register{0x0116}).result, ExchangeResult::Error);

  ASSERT_EQ(device_.Writes().size(), 2u);
  EXPECT_EQ(device_.Writes()[0], request);
  const std::string firstExchange =
      "001. PC->KLV: (01)(03)(01)(16)(00)(01)(64)(32)\r\n"
      "002. KLV->PC: (01)(03)(02)(00)(01)(79)(84)\r\n\r\n";
  EXPECT_EQ(connection_.log.Text().substr(0, firstExchange.size()), firstExchange);
}

// A Modbus reply that fails its check is logged as the bytes that came, not
// as a rendering of what they would mean.
TEST_F(ExchangeTest, AnInvalidModbusReplyIsLoggedAsItCame) {
  Open(Protocol::ModbusRtu);
  Script({Bytes{0x01, 0x03, 0x02, 0x00, 0x01, 0x79, 0x85}});  // value 1, CRC's last byte wrong
  connection_.StartLog();
  const Reply rejected = connection_.Read(Register{0x0116});
  EXPECT_EQ(rejected.result, ExchangeResult::NoResponse);
  EXPECT_EQ(rejected.fault, ReplyFault::CheckCode);
  EXPECT_NE(connection_.log.Text().find("002. KLV->PC: (01)(03)(02)(00)(01)(79)(85)\r\n\r\n"),
            std::string_view::npos)
      << connection_.log.Text();
}

}  // namespace
}  // namespace klv
