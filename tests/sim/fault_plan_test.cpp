// Faults injected by the simulated regulator, per register and by exchange
// count, as the serving loop receives them in the reply plan.
#include <gtest/gtest.h>

#include <ostream>

#include "sim/fault_plan.h"
#include "sim/simulated_regulator.h"
#include "sim/sim_test_util.h"
#include "support/fake_clock.h"

namespace klv::sim {
namespace {

using namespace std::chrono_literals;
using klv::testing::FakeClock;
using testing::ReadRequest;
using testing::Text;
using testing::TorvalekFrame;
using testing::WriteRequest;

class SimFaultTest : public ::testing::Test {
 protected:
  SimulatedRegulator Device(FaultPlan plan, Protocol protocol = Protocol::Torvalek) {
    SimConfig config;
    config.protocol = protocol;
    SimulatedRegulator device(config, clock_);
    device.SetFaultPlan(std::move(plan));
    return device;
  }
  FakeClock clock_;
};

struct RegisterFaultCase {
  const char* name;
  Fault fault;
  // What the exchange for 012C gets.
  bool replied;
  std::string text;  // the reply without noise, when replied
  bool noise;
  std::chrono::milliseconds delay;
  std::chrono::milliseconds splitPause;  // 0: one piece
  bool hangUp;
};
void PrintTo(const RegisterFaultCase& c, std::ostream* os) { *os << c.name; }

class SimRegisterFaultTest : public ::testing::TestWithParam<RegisterFaultCase> {};

TEST_P(SimRegisterFaultTest, HitsItsRegisterOnly) {
  const RegisterFaultCase& c = GetParam();
  FakeClock clock;
  SimulatedRegulator device(SimConfig{}, clock);
  FaultPlan plan;
  plan.AddRegisterFault(Register{0x012C}, c.fault);
  device.SetFaultPlan(plan);

  const ReplyPlan hit = device.Answer(ReadRequest(1, "012C"));
  EXPECT_EQ(!hit.reply.empty(), c.replied);
  if (c.replied) {
    std::string text = Text(hit.reply);
    if (c.noise) {
      ASSERT_GE(text.size(), 3u);
      EXPECT_EQ(text.substr(0, 3), std::string("\x00\x7F\x55", 3));
      text = text.substr(3);
    }
    EXPECT_EQ(text, c.text);
  }
  EXPECT_EQ(hit.delay, c.delay);
  EXPECT_EQ(hit.splitPause, c.splitPause);
  if (c.splitPause.count() > 0) {
    EXPECT_GT(hit.splitAt, 0u);
    EXPECT_LT(hit.splitAt, hit.reply.size());
  } else {
    EXPECT_EQ(hit.splitAt, 0u);
  }
  EXPECT_EQ(hit.hangUp, c.hangUp);

  const ReplyPlan other = device.Answer(ReadRequest(1, "012D"));
  EXPECT_EQ(Text(other.reply), TorvalekFrame("011R00,000A"));
  EXPECT_EQ(other.delay, 0ms);
  EXPECT_EQ(other.splitAt, 0u);
  EXPECT_FALSE(other.hangUp);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SimRegisterFaultTest,
    ::testing::Values(
        RegisterFaultCase{"Silent", {FaultKind::Silent, {}}, false, "", false, 0ms, 0ms, false},
        RegisterFaultCase{"Error", {FaultKind::Error, {}}, true, TorvalekFrame("011R08"), false, 0ms, 0ms, false},
        RegisterFaultCase{"Late", {FaultKind::Late, 300ms}, true, TorvalekFrame("011R00,000A"), false, 300ms, 0ms,
                          false},
        RegisterFaultCase{"Split", {FaultKind::Split, 40ms}, true, TorvalekFrame("011R00,000A"), false, 0ms, 40ms,
                          false},
        RegisterFaultCase{"Noise", {FaultKind::Noise, {}}, true, TorvalekFrame("011R00,000A"), true, 0ms, 0ms, false},
        RegisterFaultCase{"HangUp", {FaultKind::HangUp, {}}, false, "", false, 0ms, 0ms, true},
        RegisterFaultCase{"Under", {FaultKind::Under, {}}, true, TorvalekFrame("011R00,8000"), false, 0ms, 0ms, false},
        RegisterFaultCase{"Over", {FaultKind::Over, {}}, true, TorvalekFrame("011R00,7FFF"), false, 0ms, 0ms, false},
        // The true BCC of this reply is 46.
        RegisterFaultCase{"BadCheck", {FaultKind::BadCheck, {}}, true, "\x02" "011R00,000A\x03" "B9\r", false, 0ms,
                          0ms, false},
        RegisterFaultCase{"OtherAddress", {FaultKind::OtherAddress, {}}, true, TorvalekFrame("021R00,000A"), false,
                          0ms, 0ms, false},
        RegisterFaultCase{"Junk", {FaultKind::Junk, {}}, true, TorvalekFrame("011R00,00GA"), false, 0ms, 0ms, false},
        RegisterFaultCase{"Short", {FaultKind::Short, {}}, true, TorvalekFrame("011R00,00"), false, 0ms, 0ms,
                          false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimFaultTest, SilentErrorAndStuckFaultsLeaveAWriteUndone) {
  FaultPlan plan;
  plan.AddRegisterFault(Register{0x012C}, {FaultKind::Silent, {}});
  plan.AddRegisterFault(Register{0x012D}, {FaultKind::Error, {}});
  plan.AddRegisterFault(Register{0x012F}, {FaultKind::Late, 100ms});
  plan.AddRegisterFault(Register{0x0130}, {FaultKind::Stuck, {}});
  SimulatedRegulator device = Device(plan);
  const int16_t before = device.ReadRegister(Register{0x0130}).value;
  EXPECT_TRUE(device.Handle(WriteRequest(1, "012C", 5)).empty());
  EXPECT_EQ(Text(device.Handle(WriteRequest(1, "012D", 5))), TorvalekFrame("011W08"));
  EXPECT_EQ(Text(device.Handle(WriteRequest(1, "012F", 5))), TorvalekFrame("011W00"));
  // Stuck: the write is answered as taken, yet the register keeps its value.
  EXPECT_EQ(Text(device.Handle(WriteRequest(1, "0130", static_cast<int16_t>(before + 1)))), TorvalekFrame("011W00"));
  EXPECT_EQ(device.ReadRegister(Register{0x012C}).value, 10);
  EXPECT_EQ(device.ReadRegister(Register{0x012D}).value, 10);
  EXPECT_EQ(device.ReadRegister(Register{0x012F}).value, 5);
  EXPECT_EQ(device.ReadRegister(Register{0x0130}).value, before);
}

TEST_F(SimFaultTest, DamageFaultsOnWritesAndErrorReplies) {
  FaultPlan plan;
  plan.AddRegisterFault(Register{0x012C}, {FaultKind::BadCheck, {}});
  plan.AddRegisterFault(Register{0x012D}, {FaultKind::OtherAddress, {}});
  plan.AddRegisterFault(Register{0x012E}, {FaultKind::Junk, {}});
  plan.AddRegisterFault(Register{0x012E}, {FaultKind::Short, {}});
  plan.AddRegisterFault(Register{0x0128}, {FaultKind::Junk, {}});
  plan.AddRegisterFault(Register{0x0128}, {FaultKind::OtherAddress, {}});
  SimulatedRegulator device = Device(plan);
  // Damage to the reply only: each write is carried out.
  EXPECT_EQ(Text(device.Handle(WriteRequest(1, "012C", 5))), "\x02" "011W00\x03" "B1\r");  // true BCC 4E
  EXPECT_EQ(Text(device.Handle(WriteRequest(1, "012D", 6))), TorvalekFrame("021W00"));
  // A write reply has no value to spoil.
  EXPECT_EQ(Text(device.Handle(WriteRequest(1, "012E", 7))), TorvalekFrame("011W00"));
  EXPECT_EQ(device.ReadRegister(Register{0x012C}).value, 5);
  EXPECT_EQ(device.ReadRegister(Register{0x012D}).value, 6);
  EXPECT_EQ(device.ReadRegister(Register{0x012E}).value, 7);
  // Nor has an error reply (0128 is absent without the digital outputs); its address is still another.
  EXPECT_EQ(Text(device.Handle(ReadRequest(1, "0128"))), TorvalekFrame("021R02"));
}

TEST_F(SimFaultTest, OtherAddressIsTheNextOneUpAndWrapsAfter99) {
  for (const auto& [own, replied] : {std::pair{1, "02"}, std::pair{9, "0A"}, std::pair{99, "01"}}) {
    SimConfig config;
    config.deviceAddress = own;
    SimulatedRegulator device(config, clock_);
    FaultPlan plan;
    plan.AddRegisterFault(std::nullopt, {FaultKind::OtherAddress, {}});
    device.SetFaultPlan(plan);
    const std::string reply = Text(device.Handle(ReadRequest(own, "0110")));
    ASSERT_GE(reply.size(), 3u);
    EXPECT_EQ(reply.substr(1, 2), replied) << own;
  }
}

TEST_F(SimFaultTest, MarksOverrideLiveValuesAndCombineWithTiming) {
  FaultPlan plan;
  plan.AddRegisterFault(Register{0x0102}, {FaultKind::Under, {}});
  plan.AddRegisterFault(Register{0x0102}, {FaultKind::Late, 150ms});
  plan.AddRegisterFault(Register{0x0104}, {FaultKind::Over, {}});
  SimulatedRegulator device = Device(plan);
  const ReplyPlan current = device.Answer(ReadRequest(1, "0102"));
  EXPECT_EQ(Text(current.reply), TorvalekFrame("011R00,8000"));
  EXPECT_EQ(current.delay, 150ms);
  EXPECT_EQ(Text(device.Handle(ReadRequest(1, "0104"))), TorvalekFrame("011R00,7FFF"));
}

TEST_F(SimFaultTest, EveryRegisterRuleHitsAllRequests) {
  FaultPlan plan;
  plan.AddRegisterFault(std::nullopt, {FaultKind::Late, 20ms});
  SimulatedRegulator device = Device(plan);
  EXPECT_EQ(device.Answer(ReadRequest(1, "0110")).delay, 20ms);
  EXPECT_EQ(device.Answer(WriteRequest(1, "0120", 1)).delay, 20ms);
}

TEST_F(SimFaultTest, FailAfterNHitsEveryLaterExchange) {
  FaultPlan plan;
  plan.AddFailAfter(2, {FaultKind::Silent, {}});
  SimulatedRegulator device = Device(plan);
  // A frame with a bad BCC and one for another device are not exchanges.
  std::vector<uint8_t> bad = ReadRequest(1, "0110");
  bad[11] = '0';
  EXPECT_TRUE(device.Handle(bad).empty());
  EXPECT_TRUE(device.Handle(ReadRequest(7, "0110")).empty());
  EXPECT_FALSE(device.Handle(ReadRequest(1, "0110")).empty());
  EXPECT_FALSE(device.Handle(ReadRequest(1, "0119")).empty());
  EXPECT_TRUE(device.Handle(ReadRequest(1, "0110")).empty());
  EXPECT_TRUE(device.Handle(ReadRequest(1, "0120")).empty());
  EXPECT_EQ(device.ExchangeCount(), 4u);
}

TEST_F(SimFaultTest, DamageFaultsWorkAfterNExchanges) {
  FaultPlan plan;
  plan.AddFailAfter(1, {FaultKind::Junk, {}});
  plan.AddFailAfter(2, {FaultKind::Short, {}});
  SimulatedRegulator device = Device(plan);
  EXPECT_EQ(Text(device.Handle(ReadRequest(1, "0110"))), TorvalekFrame("011R00,0028"));
  EXPECT_EQ(Text(device.Handle(ReadRequest(1, "0110"))), TorvalekFrame("011R00,00G8"));
  EXPECT_EQ(Text(device.Handle(ReadRequest(1, "0110"))), TorvalekFrame("011R00,00"));
}

TEST_F(SimFaultTest, HangUpAfterNRepliesToTheNthThenClosesTheLine) {
  FaultPlan plan;
  plan.SetHangUpAfter(2);
  SimulatedRegulator device = Device(plan);
  const ReplyPlan first = device.Answer(ReadRequest(1, "0110"));
  EXPECT_FALSE(first.hangUp);
  const ReplyPlan second = device.Answer(ReadRequest(1, "0110"));
  EXPECT_EQ(Text(second.reply), TorvalekFrame("011R00,0028"));
  EXPECT_TRUE(second.hangUp);

  FaultPlan atOnce;
  atOnce.SetHangUpAfter(0);
  SimulatedRegulator quick = Device(atOnce);
  const ReplyPlan none = quick.Answer(ReadRequest(1, "0110"));
  EXPECT_TRUE(none.reply.empty());
  EXPECT_TRUE(none.hangUp);
}

TEST_F(SimFaultTest, ModbusErrorFaultIsADeviceFailureException) {
  FaultPlan plan;
  plan.AddRegisterFault(Register{0x0100}, {FaultKind::Error, {}});
  SimulatedRegulator device = Device(plan, Protocol::ModbusRtu);
  const std::vector<uint8_t> reply = device.Handle(std::vector<uint8_t>{0x01, 0x03, 0x01, 0x00, 0x00, 0x01, 0x85, 0xF6});
  ASSERT_EQ(reply.size(), 5u);
  EXPECT_EQ(reply[1], 0x83);
  EXPECT_EQ(reply[2], 0x04);
}

TEST(SimFaultPlanParse, RegistersAndKinds) {
  EXPECT_EQ(ParseRegister("0110"), Register{0x0110});
  EXPECT_EQ(ParseRegister("13c"), Register{0x013C});
  EXPECT_EQ(ParseRegister(""), std::nullopt);
  EXPECT_EQ(ParseRegister("10000"), std::nullopt);
  EXPECT_EQ(ParseRegister("01G0"), std::nullopt);
  EXPECT_EQ(ParseFaultKind("split"), FaultKind::Split);
  EXPECT_EQ(ParseFaultKind("bad-check"), FaultKind::BadCheck);
  EXPECT_EQ(ParseFaultKind("other-address"), FaultKind::OtherAddress);
  EXPECT_EQ(ParseFaultKind("junk"), FaultKind::Junk);
  EXPECT_EQ(ParseFaultKind("short"), FaultKind::Short);
  EXPECT_EQ(ParseFaultKind("stuck"), FaultKind::Stuck);
  EXPECT_EQ(ParseFaultKind("Split"), std::nullopt);
}

}  // namespace
}  // namespace klv::sim
