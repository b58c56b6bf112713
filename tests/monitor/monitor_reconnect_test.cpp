// A monitor whose line is lost: the adapter pulled, or a device that stops
// answering. The port is closed and opened again every 2 s on the polling
// grid, one opening or one exchange per tick; when the regulator answers,
// polling goes on at the row where it stopped and the data record, which
// wrote rows of -32768 (no reading) meanwhile, goes on in the same file. On a fake clock
// with the simulated regulator in the same process.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "monitor/monitor_rig.h"
#include "monitor/monitor_session.h"

namespace klv {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using testing::SimulatedMonitor;

sim::SimConfig Klv30() {
  sim::SimConfig config;
  config.model = ModelKind::Klv30;
  return config;
}

sim::FaultPlan AllSilent() {
  sim::FaultPlan plan;
  plan.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
  return plan;
}

// Ticks until the line is lost; the start of that tick (a grid point).
Clock::TimePoint TickUntilLost(SimulatedMonitor& monitor) {
  for (int i = 0; i < 100 && !monitor.session_.Display().lineLost; ++i) monitor.Tick();
  EXPECT_TRUE(monitor.session_.Display().lineLost);
  return monitor.clock_.Now() + monitor.session_.UntilNextTick() - kMonitorPollPeriod;
}

// Runs the due ticks one by one, counting for each the openings and the
// exchanges it made.
struct Outage {
  int ticks = 0;
  int busiestTick = 0;  // openings plus exchanges of the busiest tick
  std::vector<std::string> polled;
};

Outage RunTicks(SimulatedMonitor& monitor, Clock::Duration time) {
  Outage outage;
  const Clock::TimePoint end = monitor.clock_.Now() + time;
  while (monitor.clock_.Now() + monitor.session_.UntilNextTick() <= end) {
    const std::size_t opens = monitor.plug_.openAttempts.size();
    const std::size_t sent = monitor.record_.registers.size();
    monitor.clock_.Advance(monitor.session_.UntilNextTick());
    if (const std::optional<MonitorPoll> poll = monitor.session_.Tick()) outage.polled.push_back(poll->address.Text());
    ++outage.ticks;
    const int work = static_cast<int>(monitor.plug_.openAttempts.size() - opens + monitor.record_.registers.size() - sent);
    outage.busiestTick = std::max(outage.busiestTick, work);
  }
  return outage;
}

struct LossCase {
  const char* name;
  bool pulled;  // the adapter is out; otherwise the port opens and the device is silent
};

class MonitorReconnect : public ::testing::TestWithParam<LossCase> {};

TEST_P(MonitorReconnect, ReopensEveryTwoSecondsAndGoesOnWhereItStopped) {
  const LossCase& loss = GetParam();
  SimulatedMonitor monitor(Klv30());
  ASSERT_TRUE(monitor.Start());
  monitor.Cycle();
  const std::string output = monitor.session_.Display().rowTexts[0];
  ASSERT_NE(output, "xxxx");

  if (loss.pulled) {
    monitor.plug_.in = false;
  } else {
    monitor.Faults(AllSilent());
  }
  const Clock::TimePoint lost = TickUntilLost(monitor);
  EXPECT_FALSE(monitor.connection_.line.IsOpen());
  EXPECT_EQ(monitor.session_.Display().markedRow, kNoMarkedRow);
  EXPECT_EQ(LineStatusText(monitor.session_.Display(), Language::English), "Line lost: reconnecting");
  EXPECT_EQ(LineStatusText(monitor.session_.Display(), Language::Japanese), "回線断: 再接続中");
  const std::size_t opensBefore = monitor.plug_.openAttempts.size();
  const std::size_t sentBefore = monitor.record_.registers.size();

  const Outage outage = RunTicks(monitor, seconds(9));
  EXPECT_EQ(outage.ticks, 45);  // the 200 ms grid goes on
  EXPECT_EQ(outage.busiestTick, 1);
  EXPECT_TRUE(outage.polled.empty());
  const std::vector<Clock::TimePoint> attempts(monitor.plug_.openAttempts.begin() + static_cast<std::ptrdiff_t>(opensBefore),
                                               monitor.plug_.openAttempts.end());
  EXPECT_EQ(attempts, (std::vector<Clock::TimePoint>{lost + seconds(2), lost + seconds(4), lost + seconds(6),
                                                     lost + seconds(8)}));
  EXPECT_EQ(monitor.session_.ReopenAttempts(), 4);
  // An opened port is asked once for the row where polling stopped, then
  // closed again when nothing answers.
  const std::vector<std::string> probes(monitor.record_.registers.begin() + static_cast<std::ptrdiff_t>(sentBefore),
                                        monitor.record_.registers.end());
  EXPECT_EQ(probes, loss.pulled ? std::vector<std::string>{} : std::vector<std::string>(4, "0100"));
  EXPECT_FALSE(monitor.connection_.line.IsOpen());
  EXPECT_TRUE(monitor.session_.Display().lineLost);

  // Plugged in again (or answering again): the attempt at 10 s opens, the
  // next tick's poll gets its reply, and polling goes on from row 0.
  monitor.plug_.in = true;
  monitor.Faults({});
  const Outage back = RunTicks(monitor, seconds(1) + milliseconds(200));
  EXPECT_EQ(monitor.plug_.openAttempts.back(), lost + seconds(10));
  ASSERT_FALSE(back.polled.empty());
  EXPECT_EQ(back.polled.front(), "0100");
  EXPECT_EQ(monitor.session_.Reconnections(), 1);
  EXPECT_TRUE(monitor.connection_.line.IsOpen());
  const MonitorDisplay& display = monitor.session_.Display();
  EXPECT_FALSE(display.lineLost);
  EXPECT_NE(display.rowTexts[0], "xxxx");
  EXPECT_EQ(LineStatusText(display, Language::English), "Line back");
  EXPECT_EQ(LineStatusText(display, Language::Japanese), "回線復帰");
  monitor.RunFor(seconds(5));
  EXPECT_EQ(LineStatusText(monitor.session_.Display(), Language::English), "");
  for (int row = 0; row < kMonitorRowCount; ++row) {
    if (monitor.session_.Display().RowShown(row)) {
      EXPECT_NE(monitor.session_.Display().rowTexts[static_cast<std::size_t>(row)], "xxxx") << row;
    }
  }
  EXPECT_EQ(monitor.session_.MergedTicks(), 0);
  EXPECT_DOUBLE_EQ(monitor.session_.Periods().maxMs, 200.0);
}

INSTANTIATE_TEST_SUITE_P(Losses, MonitorReconnect,
                         ::testing::Values(LossCase{"AdapterPulled", true}, LossCase{"DeviceSilent", false}),
                         [](const ::testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

std::vector<std::string> RowsOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    rows.push_back(line);
  }
  return rows;
}

TEST(MonitorReconnectRecord, RowsOfXxxxWhileTheLineIsDownAndTheSameFileAfter) {
  testing::MonitorTempFolder folder;
  sim::SimConfig config = Klv30();
  config.controlInput = 700;
  SimulatedMonitor monitor(config);
  monitor.connection_.settings.samplingInterval = 10;
  monitor.connection_.settings.recordDuration = 600;
  const std::filesystem::path path = folder.Path() / "datalog.csv";
  ASSERT_TRUE(monitor.Start(true, path));
  monitor.RunFor(seconds(11));  // one row
  monitor.plug_.in = false;
  monitor.RunFor(seconds(20));  // lost after three rounds; rows at 20 s and 30 s
  EXPECT_TRUE(monitor.session_.Display().lineLost);
  monitor.plug_.in = true;
  monitor.RunFor(seconds(10));  // back within 2 s; the row at 40 s
  EXPECT_FALSE(monitor.session_.Display().lineLost);

  const DataRecorder& recorder = monitor.session_.Recorder();
  EXPECT_TRUE(recorder.FileOpen());
  EXPECT_EQ(recorder.RowsWritten(), 4);
  EXPECT_EQ(recorder.Progress(), 4 * 1000 / 60);
  const std::vector<std::string> rows = RowsOf(path);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "Time, Input, Output");
  // On the record's own schedule: 10 s apart, the outage's included.
  const auto secondOfDay = [](const std::string& row) {
    return std::stoi(row.substr(0, 2)) * 3600 + std::stoi(row.substr(3, 2)) * 60 + std::stoi(row.substr(6, 2));
  };
  for (std::size_t i = 2; i < rows.size(); ++i) EXPECT_EQ(secondOfDay(rows[i]) - secondOfDay(rows[i - 1]), 10);
  EXPECT_EQ(rows[1].substr(8, 5), ",700,");
  EXPECT_EQ(rows[2].substr(8), ",-32768,-32768");
  EXPECT_EQ(rows[3].substr(8), ",-32768,-32768");
  EXPECT_EQ(rows[4].substr(8, 5), ",700,");
  // The same unit answered again: identified anew, nothing to tell.
  EXPECT_EQ(monitor.session_.UnitChanges(), 0);
  EXPECT_EQ(monitor.session_.RecordPath(), path);
}

TEST(MonitorReconnectStop, EndingTheMonitorWhileTheLineIsLostEndsTheAttempts) {
  SimulatedMonitor monitor(Klv30());
  ASSERT_TRUE(monitor.Start());
  monitor.plug_.in = false;
  TickUntilLost(monitor);
  monitor.session_.Stop();
  EXPECT_FALSE(monitor.session_.Running());
  EXPECT_EQ(LineStatusText(monitor.session_.Display(), Language::English), "");
  const std::size_t opens = monitor.plug_.openAttempts.size();
  monitor.plug_.in = true;
  monitor.clock_.Advance(seconds(10));
  EXPECT_FALSE(monitor.session_.Tick());
  EXPECT_EQ(monitor.plug_.openAttempts.size(), opens);
  EXPECT_FALSE(monitor.connection_.line.IsOpen());
}

}  // namespace
}  // namespace klv
