// The monitor over several units on one line, against simulated regulators
// in the same process on a fake clock: the units polled in turn, each with
// the cycle a lone monitor polls; a silent unit that costs the others
// nothing once lost, shows no reading in its columns and comes back; every
// unit lost closes the port as for one unit; the record's column pairs and
// its pace when the rounds are slower than the sampling period.
#include "monitor/bus_monitor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "monitor/bus_rig.h"
#include "monitor/monitor_rig.h"

namespace klv {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using testing::SimulatedBus;
using testing::SimulatedMonitor;

sim::SimConfig Unit(ModelKind model, int address, uint16_t options = 0) {
  sim::SimConfig config;
  config.model = model;
  config.deviceAddress = address;
  config.options = options;
  return config;
}

std::string AddressDigits(int address) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%02X", address);  // the frame carries it in hex
  return digits;
}

sim::FaultPlan AllSilent() {
  sim::FaultPlan plan;
  plan.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
  return plan;
}

// The registers a lone monitor polls in one cycle of this unit.
std::vector<std::string> LoneCycle(const sim::SimConfig& config) {
  SimulatedMonitor lone(config);
  EXPECT_TRUE(lone.Start());
  return lone.Cycle();
}

std::vector<std::string> Lines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<std::string> lines;
  const std::string all = text.str();
  for (std::size_t start = 0; start < all.size();) {
    const std::size_t end = all.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(all.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
  return cells;
}

struct OrderCase {
  const char* name;
  std::vector<sim::SimConfig> units;  // polled in this order
};

class BusPollingOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(BusPollingOrder, EachUnitInTurnWithTheCycleALoneMonitorPolls) {
  const OrderCase& order = GetParam();
  std::vector<int32_t> addresses;
  for (const sim::SimConfig& unit : order.units) addresses.push_back(unit.deviceAddress);
  SimulatedBus bus(order.units, addresses);
  ASSERT_TRUE(bus.Start());

  // Each unit is identified at its own address, in the order given.
  std::vector<std::string> identified;
  for (const std::string& address : bus.record_.addresses) {
    if (identified.empty() || identified.back() != address) identified.push_back(address);
  }
  std::vector<std::string> expectedIdentified;
  for (const int32_t address : addresses) expectedIdentified.push_back(AddressDigits(address));
  EXPECT_EQ(identified, expectedIdentified);

  std::vector<std::pair<std::string, std::string>> expected;
  for (int round = 0; round < 2; ++round) {
    for (const sim::SimConfig& unit : order.units) {
      for (const std::string& reg : LoneCycle(unit)) expected.emplace_back(AddressDigits(unit.deviceAddress), reg);
    }
  }
  bus.record_ = {};
  std::vector<std::pair<std::string, std::string>> polled;
  for (std::size_t tick = 0; tick < expected.size(); ++tick) {
    const std::optional<BusTick> done = bus.Tick();
    ASSERT_TRUE(done && done->poll) << tick;
    EXPECT_EQ(AddressDigits(bus.bus_.Address(done->unit)), bus.record_.addresses.back());
    polled.emplace_back(bus.record_.addresses.back(), bus.record_.registers.back());
  }
  EXPECT_EQ(polled, expected);
  EXPECT_EQ(bus.bus_.Rounds(), 2);
  // One opening for the whole bus.
  EXPECT_EQ(bus.record_.opens, 0);
  EXPECT_TRUE(bus.connection_.IsOpen());
  for (std::size_t unit = 0; unit < order.units.size(); ++unit) {
    EXPECT_NE(bus.bus_.Unit(unit).LastOutputText(), kNoReadingText) << unit;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Buses, BusPollingOrder,
    ::testing::Values(OrderCase{"ThreeKlv30", {Unit(ModelKind::Klv30, 1), Unit(ModelKind::Klv30, 2),
                                               Unit(ModelKind::Klv30, 3)}},
                      OrderCase{"MixedModelsOutOfOrder",
                                {Unit(ModelKind::Klv30E, 12), Unit(ModelKind::Klv40, 5, kOptionAnalogInput),
                                 Unit(ModelKind::Klv30, 99)}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(BusSilentUnit, IsAskedEvery2SecondsWhileTheOthersArePolledAndRecordedThenComesBack) {
  testing::MonitorTempFolder folder;
  const std::filesystem::path record = folder.Path() / "bus.csv";
  SimulatedBus bus({Unit(ModelKind::Klv30, 1), Unit(ModelKind::Klv30, 2), Unit(ModelKind::Klv30, 3)}, {1, 2, 3});
  bus.Regulator(1).SetFaultPlan(AllSilent());
  bus.connection_.settings.samplingInterval = 10;
  bus.connection_.settings.recordDuration = 600;
  ASSERT_TRUE(bus.Start(true, record));
  EXPECT_EQ(bus.bus_.Unit(1).LastIdentification(), MonitorIdentification::NoAnswer);

  for (int i = 0; i < 300 && !bus.bus_.Unit(1).Display().lineLost; ++i) {
    bus.Tick();
  }
  ASSERT_TRUE(bus.bus_.Unit(1).Display().lineLost);
  EXPECT_FALSE(bus.bus_.Unit(0).Display().lineLost);
  EXPECT_FALSE(bus.bus_.Unit(2).Display().lineLost);
  // The others still use the port.
  EXPECT_TRUE(bus.connection_.IsOpen());

  // Meanwhile: every tick polls another unit, and the silent one is asked
  // no more often than every 2 s.
  std::vector<Clock::TimePoint> asked;
  const Clock::TimePoint end = bus.clock_.Now() + seconds(30);
  while (bus.clock_.Now() + bus.bus_.UntilNextTick() <= end) {
    const Clock::TimePoint due = bus.clock_.Now() + bus.bus_.UntilNextTick();
    const std::optional<BusTick> tick = bus.Tick();
    ASSERT_TRUE(tick.has_value());
    if (tick->unit == 1) {
      asked.push_back(due);
      continue;
    }
    ASSERT_TRUE(tick->poll.has_value());
    EXPECT_NE(tick->poll->text, kNoReadingText);
  }
  ASSERT_GE(asked.size(), 10u);
  for (std::size_t i = 1; i < asked.size(); ++i) EXPECT_GE(asked[i] - asked[i - 1], seconds(2));
  EXPECT_TRUE(bus.bus_.Unit(1).Display().lineLost);

  // The silent unit's columns hold the no-reply mark, the others numbers.
  const std::vector<std::string> lines = Lines(record);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.front(), "Time, U1 Input, U1 Output, U2 Input, U2 Output, U3 Input, U3 Output");
  const std::string noReply = std::to_string(kNoReplyValue);
  const std::vector<std::string> last = Cells(lines.back());
  ASSERT_EQ(last.size(), 7u);
  EXPECT_EQ(last[3], noReply);
  EXPECT_EQ(last[4], noReply);
  for (const std::size_t cell : {1u, 2u, 5u, 6u}) {
    EXPECT_NE(last[cell], noReply) << cell;
    EXPECT_EQ(last[cell].find_first_not_of("-0123456789"), std::string::npos) << last[cell];
  }

  // It answers again: identified, polled and recorded as the others.
  bus.Regulator(1).SetFaultPlan({});
  bus.RunFor(seconds(25));
  EXPECT_FALSE(bus.bus_.Unit(1).Display().lineLost);
  EXPECT_EQ(bus.bus_.Unit(1).Reconnections(), 1);
  EXPECT_EQ(bus.bus_.Unit(1).LastIdentification(), MonitorIdentification::Klv30);
  const std::vector<std::string> after = Cells(Lines(record).back());
  ASSERT_EQ(after.size(), 7u);
  EXPECT_NE(after[4], noReply);
  bus.bus_.Stop();
  EXPECT_FALSE(bus.connection_.IsOpen());
}

TEST(BusAllLost, ThePortIsClosedAndOpenedAgainUntilTheUnitsAnswer) {
  SimulatedBus bus({Unit(ModelKind::Klv30, 4), Unit(ModelKind::Klv30E, 6)}, {4, 6});
  ASSERT_TRUE(bus.Start());
  bus.RunFor(seconds(3));
  bus.plug_.in = false;
  for (int i = 0; i < 300 && !(bus.bus_.Unit(0).Display().lineLost && bus.bus_.Unit(1).Display().lineLost); ++i) {
    bus.Tick();
  }
  ASSERT_TRUE(bus.bus_.Unit(0).Display().lineLost && bus.bus_.Unit(1).Display().lineLost);
  EXPECT_FALSE(bus.connection_.IsOpen());
  const std::size_t attemptsBefore = bus.plug_.openAttempts.size();
  bus.RunFor(seconds(6));
  EXPECT_GT(bus.plug_.openAttempts.size(), attemptsBefore);

  bus.plug_.in = true;
  bus.RunFor(seconds(10));
  EXPECT_TRUE(bus.connection_.IsOpen());
  for (std::size_t unit = 0; unit < 2; ++unit) {
    EXPECT_FALSE(bus.bus_.Unit(unit).Display().lineLost) << unit;
    EXPECT_NE(bus.bus_.Unit(unit).LastOutputText(), kNoReadingText) << unit;
  }
}

struct PaceCase {
  const char* name;
  ModelKind model;
  int units;
  int32_t samplingSeconds;
  bool tooSlow;
};

class BusRecordPace : public ::testing::TestWithParam<PaceCase> {};

TEST_P(BusRecordPace, RowsComeAtTheSamplingPeriodOrAtThePaceOfTheRounds) {
  const PaceCase& pace = GetParam();
  testing::MonitorTempFolder folder;
  const std::filesystem::path record = folder.Path() / "pace.csv";
  std::vector<sim::SimConfig> units;
  std::vector<int32_t> addresses;
  for (int unit = 1; unit <= pace.units; ++unit) {
    units.push_back(Unit(pace.model, unit));
    addresses.push_back(unit);
  }
  SimulatedBus bus(units, addresses);
  bus.connection_.settings.samplingInterval = pace.samplingSeconds;
  bus.connection_.settings.recordDuration = 3600;
  ASSERT_TRUE(bus.Start(true, record));
  const Clock::TimePoint start = bus.clock_.Now();
  bus.RunFor(seconds(120));

  EXPECT_EQ(bus.bus_.RoundsTooSlow(), pace.tooSlow);
  EXPECT_EQ(bus.bus_.LastRoundTime() > seconds(pace.samplingSeconds), pace.tooSlow);
  const int rows = bus.bus_.Recorder().RowsWritten();
  const auto elapsed = std::chrono::duration_cast<seconds>(bus.clock_.Now() - start).count();
  if (pace.tooSlow) {
    // One row per round: never two rows without a round read between them.
    EXPECT_LE(rows, bus.bus_.Rounds());
    EXPECT_GE(rows, bus.bus_.Rounds() - 1);
  } else {
    EXPECT_NEAR(rows, elapsed / pace.samplingSeconds, 1);
  }
  EXPECT_EQ(static_cast<int>(Lines(record).size()), rows + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Paces, BusRecordPace,
    ::testing::Values(PaceCase{"TwoKlv30Within10Seconds", ModelKind::Klv30, 2, 10, false},
                      PaceCase{"FourKlv40In1Second", ModelKind::Klv40, 4, 1, true},
                      PaceCase{"TwelveKlv30In10Seconds", ModelKind::Klv30, 12, 10, true}),
    [](const ::testing::TestParamInfo<PaceCase>& info) { return std::string(info.param.name); });

TEST(DataLogHeader, OneUnitKeepsTheLoneHeaderSeveralNameTheirAddresses) {
  struct Case {
    std::vector<int32_t> addresses;
    std::string header;
  };
  const Case cases[] = {
      {{}, std::string(kDataLogHeader)},
      {{7}, std::string(kDataLogHeader)},
      {{1, 3}, "Time, U1 Input, U1 Output, U3 Input, U3 Output\r\n"},
      {{12, 5, 99}, "Time, U12 Input, U12 Output, U5 Input, U5 Output, U99 Input, U99 Output\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(DataLogHeader(c.addresses), c.header);
}

}  // namespace
}  // namespace klv
