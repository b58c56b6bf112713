#include "klv-sim/command_line.h"

#include <gtest/gtest.h>

#include <tuple>

#include "sim/sim_test_util.h"
#include "support/fake_clock.h"

namespace klv::sim {
namespace {

using namespace std::chrono_literals;
using testing::ReadRequest;
using testing::Text;
using testing::TorvalekFrame;

ParsedCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(SimCommandLine, DefaultsAreAKlv40AtAddress1InTorvalek) {
  const ParsedCommandLine parsed = Parse({});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const SimOptions& o = *parsed.options;
  EXPECT_EQ(o.config.model, ModelKind::Klv40);
  EXPECT_EQ(o.config.options, 0);
  EXPECT_EQ(o.config.deviceAddress, 1);
  EXPECT_EQ(o.config.protocol, Protocol::Torvalek);
  EXPECT_TRUE(o.device.empty());
  EXPECT_EQ(o.line.dataBits, 7);
  EXPECT_EQ(o.line.parity, Parity::Even);
  EXPECT_TRUE(o.faults.Empty());
  EXPECT_FALSE(o.help);
}

TEST(SimCommandLine, ReadsEveryDeviceAndLineOption) {
  const ParsedCommandLine parsed =
      Parse({"--model", "klv30e", "--options=9", "--detect", "0", "--address", "10", "--protocol", "RTU",
             "--device", "/dev/ttyUSB1", "--speed", "19200", "--parity", "Odd", "--stop-bits", "2", "--mode", "2",
             "--input-type", "0", "--input", "1200", "--set", "012C=0x64", "--set", "012A=-2"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const SimOptions& o = *parsed.options;
  EXPECT_EQ(o.config.model, ModelKind::Klv30E);
  EXPECT_EQ(o.config.options, 9);
  EXPECT_FALSE(o.config.detect);
  EXPECT_EQ(o.config.deviceAddress, 10);
  EXPECT_EQ(o.config.protocol, Protocol::ModbusRtu);
  EXPECT_EQ(o.device, "/dev/ttyUSB1");
  EXPECT_EQ(o.line.speed, 19200);
  EXPECT_EQ(o.line.parity, Parity::Odd);
  EXPECT_EQ(o.line.stopBits, 2);
  EXPECT_EQ(o.line.dataBits, 8);  // RTU
  EXPECT_EQ(o.config.controlMode, 2);
  EXPECT_EQ(o.config.controlInputType, 0);
  EXPECT_EQ(o.config.controlInput, 1200);
  ASSERT_EQ(o.presets.size(), 2u);
  EXPECT_EQ(o.presets[0], (std::pair<Register, int16_t>{Register{0x012C}, 100}));
  EXPECT_EQ(o.presets[1], (std::pair<Register, int16_t>{Register{0x012A}, -2}));
}

TEST(SimCommandLine, RefusesBadValuesNamingTheOption) {
  const std::vector<std::vector<std::string>> bad = {
      {"--model", "KLV50"},   {"--options", "16"},     {"--detect", "2"},       {"--address", "0"},
      {"--address", "100"},   {"--protocol", "tcp"},   {"--mode", "7"},         {"--data-bits", "9"},
      {"--set", "012C"},      {"--set", "XYZ=1"},      {"--late", "0100"},      {"--late", "0100:x"},
      {"--silent", "0100:5"}, {"--fail-after", "x:silent"}, {"--fail-after", "3:late"},
      {"--fail-after", "3:boom"}, {"--bogus"},         {"--address"},         {"--address", "3-1"},
      {"--unit", "0"},        {"--unit", "2:KLV50"},   {"--unit", "2:klv40:16"}, {"--unit", "2:"},
      {"--silent-address", "x"},
      // The same address twice on one line, a silent address nobody serves.
      {"--unit", "1", "--unit", "1:klv30"}, {"--silent-address", "2"}};
  for (const auto& args : bad) {
    const ParsedCommandLine parsed = Parse(args);
    EXPECT_FALSE(parsed.options) << args[0];
    EXPECT_NE(parsed.error.find(args[0]), std::string::npos) << parsed.error;
  }
}

// Which regulators a command line puts on the line: address, model, option bits.
TEST(SimCommandLine, SeveralAddressesMakeOneRegulatorEach) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::tuple<int, ModelKind, uint16_t>> units;
  };
  const std::vector<Case> cases = {
      {{}, {{1, ModelKind::Klv40, 0}}},
      {{"--address", "3-5", "--model", "klv30"},
       {{3, ModelKind::Klv30, 0}, {4, ModelKind::Klv30, 0}, {5, ModelKind::Klv30, 0}}},
      {{"--unit", "7:KLV30E", "--unit", "2", "--options", "9", "--unit", "12:klv40:4"},
       {{7, ModelKind::Klv30E, 9}, {2, ModelKind::Klv40, 9}, {12, ModelKind::Klv40, 4}}},
      {{"--address", "1,2", "--unit", "3:klv30"},
       {{1, ModelKind::Klv40, 0}, {2, ModelKind::Klv40, 0}, {3, ModelKind::Klv30, 0}}},
  };
  for (const Case& c : cases) {
    const ParsedCommandLine parsed = Parse(c.args);
    ASSERT_TRUE(parsed.options) << parsed.error;
    std::vector<std::tuple<int, ModelKind, uint16_t>> units;
    for (const SimConfig& config : UnitConfigs(*parsed.options)) {
      units.emplace_back(config.deviceAddress, config.model, config.options);
    }
    EXPECT_EQ(units, c.units) << c.args.size();
    EXPECT_EQ(parsed.options->config.deviceAddress, std::get<0>(c.units.front()));
  }
}

// Each regulator answers its own address only; a silent one none at all.
TEST(SimCommandLine, MadeRegulatorsAnswerTheirOwnAddressAndASilentOneNothing) {
  const ParsedCommandLine parsed =
      Parse({"--unit", "1:klv40", "--unit", "2:klv30", "--unit", "3:klv30e", "--silent-address", "2",
             "--set", "012C=40"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  klv::testing::FakeClock clock;
  std::string error;
  const auto regulators = MakeRegulators(*parsed.options, clock, error);
  ASSERT_EQ(regulators.size(), 3u) << error;
  // 0119: no analog output on the KLV40, the model code on the others.
  const std::vector<std::string> model = {TorvalekFrame("011R00,0000"), "", TorvalekFrame("031R00,3045")};
  for (int address = 1; address <= 3; ++address) {
    for (int index = 0; index < 3; ++index) {
      const std::string reply = Text(regulators[index]->Handle(ReadRequest(address, "0119")));
      EXPECT_EQ(reply, index + 1 == address ? model[index] : "") << address << " " << index;
    }
    const RegisterRead preset = regulators[address - 1]->ReadRegister(Register{0x012C});
    EXPECT_EQ(preset.refusal, Refusal::None);
    EXPECT_EQ(preset.value, 40);
  }
}

TEST(SimCommandLine, APresetThatDoesNotFitOneRegulatorIsNamedWithItsAddress) {
  // 0112 exists on the KLV40 only.
  const ParsedCommandLine parsed = Parse({"--unit", "1:klv40", "--unit", "4:klv30", "--set", "0112=2"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  klv::testing::FakeClock clock;
  std::string error;
  EXPECT_TRUE(MakeRegulators(*parsed.options, clock, error).empty());
  EXPECT_NE(error.find("0112"), std::string::npos) << error;
  EXPECT_NE(error.find("address 4"), std::string::npos) << error;
}

TEST(SimCommandLine, FaultOptionsBuildThePlan) {
  const ParsedCommandLine parsed = Parse({"--late", "0110:300", "--under", "102", "--split=*:25",
                                          "--fail-after", "3:error", "--hangup-after", "5"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const FaultPlan& plan = parsed.options->faults;
  const FaultSet first = plan.ForRegister(Register{0x0110}, 1);
  EXPECT_EQ(first.late, 300ms);
  EXPECT_EQ(first.split, 25ms);
  EXPECT_FALSE(first.error);
  EXPECT_TRUE(plan.ForRegister(Register{0x0102}, 1).under);
  EXPECT_FALSE(plan.ForRegister(Register{0x0100}, 1).under);
  EXPECT_TRUE(plan.ForRegister(Register{0x0100}, 4).error);
  EXPECT_FALSE(plan.ForRegister(Register{0x0100}, 4).hangUpAfterReply);
  EXPECT_TRUE(plan.ForRegister(Register{0x0100}, 5).hangUpAfterReply);

  // And the regulator carries it out.
  klv::testing::FakeClock clock;
  SimulatedRegulator device(parsed.options->config, clock);
  device.SetFaultPlan(plan);
  const ReplyPlan reply = device.Answer(ReadRequest(1, "0110"));
  EXPECT_EQ(Text(reply.reply), TorvalekFrame("011R00,0028"));
  EXPECT_EQ(reply.delay, 300ms);
}

TEST(SimCommandLine, DamageFaultsPerRegisterAndAfterN) {
  struct Case {
    std::vector<std::string> args;
    bool FaultSet::*flag;
  } cases[] = {
      {{"--bad-check", "12c"}, &FaultSet::badCheck},         {{"--other-address=12C"}, &FaultSet::otherAddress},
      {{"--junk", "012C"}, &FaultSet::junk},                {{"--short", "12C"}, &FaultSet::shortValue},
      {{"--fail-after", "2:bad-check"}, &FaultSet::badCheck}, {{"--fail-after", "2:other-address"}, &FaultSet::otherAddress},
      {{"--fail-after", "2:junk"}, &FaultSet::junk},        {{"--fail-after", "2:short"}, &FaultSet::shortValue},
      {{"--stuck", "12C"}, &FaultSet::stuck},               {{"--fail-after", "2:stuck"}, &FaultSet::stuck},
  };
  for (const Case& c : cases) {
    const ParsedCommandLine parsed = Parse(c.args);
    ASSERT_TRUE(parsed.options) << parsed.error;
    const FaultPlan& plan = parsed.options->faults;
    const bool perRegister = c.args[0] != "--fail-after";
    EXPECT_TRUE(plan.ForRegister(Register{0x012C}, 3).*c.flag) << c.args[0];
    // A register rule spares other registers; a count rule spares the first exchanges.
    EXPECT_EQ(plan.ForRegister(Register{0x012D}, 3).*c.flag, !perRegister) << c.args[0];
    EXPECT_EQ(plan.ForRegister(Register{0x012C}, 2).*c.flag, perRegister) << c.args[0];
  }
  for (const char* wrong : {"--junk=012C:5", "--short=G", "--bad-check="}) {
    EXPECT_FALSE(Parse({wrong}).options) << wrong;
  }
}

// A doubled reply and a device late on every request, one at a time.
TEST(SimCommandLine, TwiceAndLateAllBuildThePlan) {
  const ParsedCommandLine parsed = Parse({"--twice", "12C:120", "--late-all", "220"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const FaultPlan& plan = parsed.options->faults;
  EXPECT_EQ(plan.ForRegister(Register{0x012C}, 1).twice, 120ms);
  EXPECT_FALSE(plan.ForRegister(Register{0x012D}, 1).twice.has_value());
  EXPECT_EQ(plan.ForRegister(Register{0x012D}, 1).late, 220ms);
  EXPECT_EQ(plan.ForRegister(Register{0x0110}, 9).late, 220ms);

  klv::testing::FakeClock clock;
  SimulatedRegulator device(parsed.options->config, clock);
  device.SetFaultPlan(plan);
  const ReplyPlan reply = device.Answer(ReadRequest(1, "012C"));
  EXPECT_EQ(reply.repeatAfter, 120ms);
  EXPECT_EQ(reply.delay, 220ms);
  EXPECT_FALSE(Parse({"--twice", "12C"}).options);
  EXPECT_FALSE(Parse({"--late-all", "x"}).options);
}

TEST(SimCommandLine, HelpDocumentsEveryOption) {
  const ParsedCommandLine parsed = Parse({"--help"});
  ASSERT_TRUE(parsed.options);
  EXPECT_TRUE(parsed.options->help);
  const std::string usage = UsageText();
  for (const char* option :
       {"--model", "--options", "--detect", "--address", "--protocol", "--device", "--speed", "--parity",
        "--stop-bits", "--data-bits", "--mode", "--input-type", "--input ", "--set", "--silent", "--error",
        "--late", "--split", "--noise", "--hangup ", "--under", "--over", "--bad-check", "--other-address",
        "--junk", "--short", "--stuck", "--twice", "--late-all", "--fail-after", "--hangup-after", "--unit",
        "--silent-address", "--help"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
    // Every documented option is one the parser takes.
    std::vector<std::string> args = {std::string(option)};
    while (!args[0].empty() && args[0].back() == ' ') args[0].pop_back();
    const ParsedCommandLine alone = Parse(args);
    if (!alone.options) {
      EXPECT_EQ(alone.error.find("unknown"), std::string::npos) << option;
    }
  }
}

}  // namespace
}  // namespace klv::sim
