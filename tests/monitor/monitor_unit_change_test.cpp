// The monitor identifies the unit again: after every reconnection of a lost
// line, and every 2 s while the model is unknown. Another unit behind a
// re-pointed link is taken over whole (title, layout, polled rows) and
// recorded in a file of its own; on a fake clock with the simulated
// regulators in the same process.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "monitor/monitor_rig.h"
#include "monitor/monitor_session.h"

namespace klv {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using testing::SimulatedMonitor;

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the due ticks until done() or the time is over; the registers asked.
template <typename Done>
std::vector<std::string> TickUntil(SimulatedMonitor& monitor, Clock::Duration limit, Done done) {
  const std::size_t first = monitor.record_.registers.size();
  const Clock::TimePoint end = monitor.clock_.Now() + limit;
  while (!done() && monitor.clock_.Now() + monitor.session_.UntilNextTick() <= end) {
    monitor.clock_.Advance(monitor.session_.UntilNextTick());
    monitor.session_.Tick();
  }
  return {monitor.record_.registers.begin() + static_cast<std::ptrdiff_t>(first), monitor.record_.registers.end()};
}

std::size_t CountOf(const std::vector<std::string>& registers, const std::string& reg) {
  return static_cast<std::size_t>(std::count(registers.begin(), registers.end(), reg));
}

TEST(MonitorUnitChange, AnotherUnitBehindTheLinkIsTakenOverAndRecordedInANewFile) {
  testing::MonitorTempFolder folder;
  sim::SimConfig first;
  first.model = ModelKind::Klv30;
  first.controlInput = 300;
  SimulatedMonitor monitor(first);
  monitor.connection_.settings.samplingInterval = 1;
  monitor.connection_.settings.recordDuration = 600;
  const std::filesystem::path path = folder.Path() / "datalog.csv";
  ASSERT_TRUE(monitor.Start(true, path));
  monitor.RunFor(seconds(3));
  ASSERT_EQ(monitor.session_.Display().title, "Monitor - KLV30");

  // The adapter goes; the link then leads to a KLV40 with both analog options.
  monitor.plug_.in = false;
  TickUntil(monitor, seconds(10), [&] { return monitor.session_.Display().lineLost; });
  ASSERT_TRUE(monitor.session_.Display().lineLost);
  sim::SimConfig second;
  second.options = kOptionAnalogInput | kOptionAnalogOutput;
  second.controlMode = 5;
  second.controlInput = 700;
  monitor.Repoint(second);
  monitor.plug_.in = true;
  const std::vector<std::string> asked =
      TickUntil(monitor, seconds(3), [&] { return monitor.session_.UnitChanges() > 0; });
  ASSERT_EQ(monitor.session_.UnitChanges(), 1);
  EXPECT_GE(CountOf(asked, "0110"), 1u);  // identified again on reconnection

  const MonitorDisplay& display = monitor.session_.Display();
  EXPECT_EQ(display.title, "Monitor - KLV40 - ZC  ");
  EXPECT_EQ(display.layout, MonitorLayout::Full);
  EXPECT_EQ(display.alarmRowCaption, "AL/DO output");
  EXPECT_EQ(monitor.session_.OptionBits(), kOptionAnalogInput | kOptionAnalogOutput);
  // The new file sits beside the first, named with the local time of the change.
  const std::filesystem::path dated = monitor.session_.RecordPath();
  EXPECT_EQ(dated.parent_path(), folder.Path());
  EXPECT_TRUE(std::regex_match(dated.filename().string(), std::regex(R"(datalog-20261209-\d{6}\.csv)")))
      << dated;
  EXPECT_EQ(UnitChangeText(display, Language::English),
            "Another unit: KLV40; record goes on in " + dated.filename().string());
  EXPECT_EQ(UnitChangeText(display, Language::Japanese),
            "接続機器が変わりました: KLV40（記録の続きは " + dated.filename().string() + "）");
  const std::string firstRecord = FileText(path);

  const std::vector<std::string> later = TickUntil(monitor, seconds(12), [] { return false; });
  EXPECT_GE(CountOf(later, "010A"), 1u);
  EXPECT_GE(CountOf(later, "010B"), 1u);
  EXPECT_EQ(UnitChangeText(monitor.session_.Display(), Language::English), "");  // said for a while only

  // The first file ends where the first unit went; no row of one unit is in
  // the other's file.
  EXPECT_EQ(FileText(path), firstRecord);
  EXPECT_EQ(firstRecord.rfind("Time, Input, Output\r\n", 0), 0u);
  EXPECT_NE(firstRecord.find(",300,"), std::string::npos);
  EXPECT_EQ(firstRecord.find(",700,"), std::string::npos);
  const std::string secondRecord = FileText(dated);
  EXPECT_EQ(secondRecord.rfind("Time, Input, Output\r\n", 0), 0u);
  EXPECT_NE(secondRecord.find(",700,"), std::string::npos);
  EXPECT_EQ(secondRecord.find(",300,"), std::string::npos);
  EXPECT_TRUE(monitor.session_.Recorder().Recording());
}

TEST(MonitorUnitChange, AUnitSilentAtTheStartIsIdentifiedOnceItAnswers) {
  sim::SimConfig config;
  config.options = kOptionAnalogInput | kOptionAnalogOutput;
  SimulatedMonitor monitor(config);
  sim::FaultPlan silent;
  silent.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
  monitor.Faults(silent);
  ASSERT_TRUE(monitor.Start());
  ASSERT_EQ(monitor.session_.LastIdentification(), MonitorIdentification::NoAnswer);

  // Tried again every 2 s in place of a poll, while nothing answers.
  const std::vector<std::string> silentPart = TickUntil(monitor, seconds(3), [] { return false; });
  EXPECT_EQ(CountOf(silentPart, "0110"), 1u);
  EXPECT_EQ(monitor.session_.Display().title, "Monitor");

  monitor.Faults({});
  TickUntil(monitor, seconds(2) + milliseconds(200),
            [&] { return monitor.session_.LastIdentification() != MonitorIdentification::NoAnswer; });
  EXPECT_EQ(monitor.session_.LastIdentification(), MonitorIdentification::Klv40);
  EXPECT_EQ(monitor.session_.Display().title, "Monitor - KLV40 - PA  ");
  // The first identification is no change of unit.
  EXPECT_EQ(monitor.session_.UnitChanges(), 0);
  EXPECT_EQ(UnitChangeText(monitor.session_.Display(), Language::English), "");
  // Known now: no more identifications, and the analog rows are polled.
  const std::vector<std::string> known = TickUntil(monitor, seconds(6), [] { return false; });
  EXPECT_EQ(CountOf(known, "0110"), 0u);
  EXPECT_GE(CountOf(known, "010A"), 1u);
  EXPECT_GE(CountOf(known, "010B"), 1u);
  EXPECT_FALSE(monitor.session_.Display().lineLost);
}

}  // namespace
}  // namespace klv
