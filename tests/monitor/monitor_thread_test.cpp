// The monitor's line work on a thread of its own: what the window takes
// back, in order, and a closing that waits for the thread.
#include "monitor/monitor_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "monitor/monitor_rig.h"
#include "monitor/trend_history.h"
#include "support/scripted_port.h"

namespace klv {
namespace {

using testing::SimulatedMonitor;

// Takes events until one of the kind comes (real time, generously bounded
// so that a fault fails the test instead of hanging it); every event taken
// is kept in seen.
bool TakeUntil(MonitorThread& thread, std::vector<MonitorEvent>& seen, MonitorEvent::Kind kind,
               const std::function<bool(const MonitorEvent&)>& also = {}) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    for (MonitorEvent& event : thread.Take()) {
      seen.push_back(std::move(event));
      if (seen.back().kind == kind && (!also || also(seen.back()))) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

sim::SimConfig Klv40() {
  sim::SimConfig config;
  config.controlInput = 523;
  return config;
}

TEST(MonitorThread, StartsPollsHandsOverTheGraphsCallsAndStops) {
  SimulatedMonitor monitor(Klv40());
  std::atomic<int> notifications{0};
  MonitorThread thread(monitor.session_, monitor.clock_, [&] { ++notifications; });
  monitor.session_.SetTrend(&thread.QueuedTrend());
  ASSERT_TRUE(thread.Launch());
  thread.Start(false, {});

  std::vector<MonitorEvent> seen;
  ASSERT_TRUE(TakeUntil(thread, seen, MonitorEvent::Kind::Started));
  EXPECT_TRUE(seen.back().started);
  EXPECT_EQ(seen.back().view.display.title, "Monitor - KLV40 - PA  ");
  // A whole cycle later the control input row holds the regulator's value.
  ASSERT_TRUE(TakeUntil(thread, seen, MonitorEvent::Kind::Changed, [](const MonitorEvent& e) {
    return e.view.lastPoll && e.view.lastPoll->cycleEnd;
  }));
  EXPECT_EQ(seen.back().view.display.rowTexts[4], "523");
  EXPECT_TRUE(seen.back().view.running);

  // The graph's calls, applied in order to a history on this thread.
  TrendHistory history;
  history.PostSample(1, 1);
  for (const MonitorEvent& event : seen) {
    if (event.kind == MonitorEvent::Kind::Trend) event.trendCall(history);
  }
  EXPECT_EQ(history.ControlMode(), 4);  // the identification's scale, PA
  EXPECT_TRUE(history.HasNewSample());
  EXPECT_EQ(history.LatestInput(), 523);

  thread.Stop();
  ASSERT_TRUE(TakeUntil(thread, seen, MonitorEvent::Kind::Stopped));
  EXPECT_FALSE(seen.back().view.running);
  EXPECT_FALSE(monitor.connection_.line.IsOpen());
  thread.Close();
  // One notification per batch taken, never one per event.
  EXPECT_GT(notifications.load(), 0);
  EXPECT_LT(notifications.load(), static_cast<int>(seen.size()));
}

// A window that takes nothing for a while finds one view and one sample
// waiting, not every tick's: the clock here runs as fast as the thread can.
TEST(MonitorThread, WhatWaitsStaysSmallWhileTheWindowIsBusy) {
  SimulatedMonitor monitor(Klv40());
  MonitorThread thread(monitor.session_, monitor.clock_, {});
  monitor.session_.SetTrend(&thread.QueuedTrend());
  ASSERT_TRUE(thread.Launch());
  thread.Start(false, {});
  std::vector<MonitorEvent> seen;
  ASSERT_TRUE(TakeUntil(thread, seen, MonitorEvent::Kind::Started));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<MonitorEvent> waiting = thread.Take();
  thread.Close();
  ASSERT_FALSE(waiting.empty());
  int views = 0;
  int samples = 0;
  for (const MonitorEvent& event : waiting) {
    views += event.kind == MonitorEvent::Kind::Changed ? 1 : 0;
    samples += event.sample ? 1 : 0;
  }
  EXPECT_EQ(views, 1);
  EXPECT_LE(samples, 1);
  EXPECT_GT(monitor.record_.registers.size(), 100u);  // many ticks ran meanwhile
}

TEST(MonitorThread, APortThatCannotBeOpenedIsReportedAndNothingRuns) {
  testing::FakeClock clock;
  testing::ScriptedDevice device(clock);
  device.openStatus = {PortStatus::CannotOpen, "/dev/ttyS0: no such device"};
  Connection connection(device.Factory());
  MonitorSession session(connection, clock, Language::English);
  MonitorThread thread(session, clock, {});
  ASSERT_TRUE(thread.Launch());
  thread.Start(true, "/nonexistent/datalog.csv");
  std::vector<MonitorEvent> seen;
  ASSERT_TRUE(TakeUntil(thread, seen, MonitorEvent::Kind::Started));
  EXPECT_FALSE(seen.back().started);
  EXPECT_NE(seen.back().text.find("Port cannot be used"), std::string::npos);
  EXPECT_FALSE(seen.back().view.running);
  thread.Close();
  EXPECT_TRUE(device.Writes().empty());
}

TEST(MonitorThread, ClosingWhileRunningEndsTheRecordThePortAndTheThread) {
  testing::MonitorTempFolder folder;
  SimulatedMonitor monitor(Klv40());
  monitor.connection_.settings.samplingInterval = 10;
  monitor.connection_.settings.recordDuration = 600;
  const std::filesystem::path path = folder.Path() / "datalog.csv";
  {
    MonitorThread thread(monitor.session_, monitor.clock_, {});
    ASSERT_TRUE(thread.Launch());
    thread.Start(true, path);
    std::vector<MonitorEvent> seen;
    // Some rows are in the record (one each 10 s on the fake clock).
    ASSERT_TRUE(TakeUntil(thread, seen, MonitorEvent::Kind::Changed,
                          [](const MonitorEvent& e) { return e.view.recordProgress >= 100; }));
    thread.Close();
    EXPECT_FALSE(thread.Launched());
    // Nothing more comes once closed.
    thread.Take();
    EXPECT_TRUE(thread.Take().empty());
  }
  EXPECT_FALSE(monitor.session_.Running());
  EXPECT_FALSE(monitor.session_.Recorder().FileOpen());
  EXPECT_FALSE(monitor.connection_.line.IsOpen());
  std::ifstream in(path, std::ios::binary);
  const std::string record{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(record.rfind("Time, Input, Output\r\n", 0), 0u);
  EXPECT_NE(record.find(",523,"), std::string::npos);
}

}  // namespace
}  // namespace klv
