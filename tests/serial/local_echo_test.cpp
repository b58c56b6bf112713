// Exchanges over an adapter that sends every byte written back into the
// receive line, and over one that does not, with local echo on and off.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "serial/connection.h"
#include "serial/exchange_rig.h"
#include "support/scripted_port.h"

namespace klv {
namespace {

using std::chrono::milliseconds;
using testing::Bytes;
using testing::ReadReply;
using testing::ScriptedChunk;
using testing::TextBytes;

// The read of register 0116 from device 1 as it goes on the wire.
const Bytes kRequest0116 = TextBytes("\x02" "011R01160\x03" "E1\r");

struct EchoCase {
  const char* name;
  bool localEcho;
  std::optional<Bytes> echo;   // what the adapter sends back first; none: nothing
  std::optional<Bytes> reply;  // the regulator's answer; none: silence
  ExchangeResult result;
  ReplyFault fault;
  EchoFinding finding;
  const char* logNote;  // a note the log must hold; empty: none
};

Bytes Garbled(Bytes bytes) {
  bytes[4] = 'S';
  return bytes;
}

class LocalEchoTest : public testing::ExchangeRig, public ::testing::WithParamInterface<EchoCase> {};

TEST_P(LocalEchoTest, ReadsTheEchoBeforeTheReply) {
  const EchoCase& c = GetParam();
  Open();
  connection_.localEcho = c.localEcho;
  std::vector<ScriptedChunk> chunks;
  if (c.echo) chunks.push_back({*c.echo, milliseconds(1)});
  if (c.reply) chunks.push_back({*c.reply, milliseconds(6)});
  if (chunks.empty()) {
    device_.QueueSilence();
  } else {
    device_.QueueReply(chunks);
  }
  connection_.StartLog();

  const Reply outcome = connection_.Read(Register{0x0116});

  EXPECT_EQ(outcome.result, c.result);
  EXPECT_EQ(outcome.fault, c.fault);
  EXPECT_EQ(connection_.echoFinding, c.finding);
  if (c.result == ExchangeResult::Ok) {
    EXPECT_EQ(outcome.value, 1);
    // The echo is neither the reply nor a stray frame: the log holds the two frames only.
    EXPECT_EQ(connection_.log.Text(),
              "001. PC->KLV: (STX)011R01160(ETX)E1(CR)\r\n"
              "002. KLV->PC: (STX)011R00,0001(ETX)36(CR)\r\n"
              "\r\n");
  }
  if (*c.logNote != '\0') {
    EXPECT_NE(connection_.log.Text().find(c.logNote), std::string::npos) << connection_.log.Text();
  }
  ASSERT_EQ(device_.Writes().size(), 1u);
  EXPECT_EQ(device_.Writes()[0], kRequest0116);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalEchoTest,
    ::testing::Values(
        EchoCase{"EchoEqual", true, kRequest0116, ReadReply("0001"), ExchangeResult::Ok, ReplyFault::None,
                 EchoFinding::None, ""},
        EchoCase{"EchoDiffers", true, Garbled(kRequest0116), ReadReply("0001"), ExchangeResult::NoResponse,
                 ReplyFault::Echo, EchoFinding::Differs, "echo differs"},
        EchoCase{"EchoMissing", true, std::nullopt, std::nullopt, ExchangeResult::NoResponse, ReplyFault::Silence,
                 EchoFinding::None, ""},
        EchoCase{"EchoOnNoEchoPresent", true, std::nullopt, ReadReply("0001"), ExchangeResult::NoResponse,
                 ReplyFault::Echo, EchoFinding::Differs, "echo differs"},
        EchoCase{"EchoOffAdapterEchoes", false, kRequest0116, ReadReply("0001"), ExchangeResult::NoResponse,
                 ReplyFault::Echo, EchoFinding::Unexpected, "turn on Local echo"},
        EchoCase{"EchoOffNoEcho", false, std::nullopt, ReadReply("0001"), ExchangeResult::Ok, ReplyFault::None,
                 EchoFinding::None, ""}),
    [](const ::testing::TestParamInfo<EchoCase>& info) { return std::string(info.param.name); });

// With local echo on, a run of exchanges reads each echo and reply in turn and
// leaves nothing behind that the next exchange would take for a stray frame.
class LocalEchoRunTest : public testing::ExchangeRig {};

TEST_F(LocalEchoRunTest, LeavesNoStrayBytesBetweenExchanges) {
  Open();
  connection_.localEcho = true;
  for (int i = 0; i < 3; ++i) {
    device_.QueueReply({ScriptedChunk{kRequest0116, milliseconds(1)}, ScriptedChunk{ReadReply("0001"), milliseconds(6)}});
  }
  for (int i = 0; i < 3; ++i) {
    const Reply outcome = connection_.Read(Register{0x0116});
    EXPECT_TRUE(outcome.Ok());
    EXPECT_FALSE(outcome.strayBefore);
  }
  EXPECT_TRUE(connection_.AwaitStrayInput().empty());
}

// With local echo off, the reply that follows an adapter's echo is let go
// within the same exchange: the next request never takes it for its own.
TEST_F(LocalEchoRunTest, ReplyBehindAnUnexpectedEchoIsNotTheNextRequestsReply) {
  Open();
  device_.QueueReply({ScriptedChunk{kRequest0116, milliseconds(1)}, ScriptedChunk{ReadReply("0001"), milliseconds(40)}});
  device_.QueueSilence();
  connection_.StartLog();

  EXPECT_EQ(connection_.Read(Register{0x0116}).fault, ReplyFault::Echo);
  const Reply next = connection_.Read(Register{0x0116});

  EXPECT_FALSE(next.Ok()) << connection_.log.Text();
  EXPECT_EQ(next.fault, ReplyFault::Silence);
  EXPECT_FALSE(next.strayBefore);
}

// An echoed Modbus RTU read request looks like a six-byte reply by its third
// byte; with local echo off it is still told for the echo, and with it on the
// read goes through.
TEST_F(LocalEchoRunTest, AnEchoedModbusReadIsToldFromTheReply) {
  Open(Protocol::ModbusRtu);
  const Bytes request = {0x01, 0x03, 0x01, 0x16, 0x00, 0x01, 0x64, 0x32};  // read of 0116
  const Bytes reply = {0x01, 0x03, 0x02, 0x00, 0x01, 0x79, 0x84};          // value 1
  for (int i = 0; i < 2; ++i) {
    // The line hands over the first six bytes of the echo before the rest.
    device_.QueueReply({ScriptedChunk{Bytes(request.begin(), request.begin() + 6), milliseconds(1)},
                        ScriptedChunk{Bytes(request.begin() + 6, request.end()), milliseconds(2)},
                        ScriptedChunk{reply, milliseconds(6)}});
  }
  device_.QueueSilence();
  connection_.StartLog();

  const Reply echoOff = connection_.Read(Register{0x0116});
  EXPECT_EQ(echoOff.fault, ReplyFault::Echo);
  EXPECT_EQ(connection_.echoFinding, EchoFinding::Unexpected);
  EXPECT_NE(connection_.log.Text().find("turn on Local echo"), std::string::npos) << connection_.log.Text();

  connection_.localEcho = true;
  const Reply echoOn = connection_.Read(Register{0x0116});
  EXPECT_TRUE(echoOn.Ok());
  EXPECT_EQ(echoOn.value, 1);
  EXPECT_FALSE(echoOn.strayBefore);
  EXPECT_EQ(connection_.Read(Register{0x0116}).fault, ReplyFault::Silence);
}

}  // namespace
}  // namespace klv
