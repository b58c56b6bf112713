// The monitor against a device whose replies fall out of step with the
// requests (one reply late, every reply late, replies doubled): a reply that
// may be another register's never shows, and steady trouble is said.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "monitor/monitor_rig.h"

namespace klv::testing {
namespace {

using std::chrono::milliseconds;

sim::SimConfig HeldKlv40() {
  sim::SimConfig config;
  config.model = ModelKind::Klv40;
  config.controlInput = 777;  // 0104 holds still, so a wrong value shows
  return config;
}

// The text each row shows on a device without faults.
std::array<std::string, kMonitorRowCount> CleanRows() {
  SimulatedMonitor clean(HeldKlv40());
  EXPECT_TRUE(clean.Start());
  clean.Cycle();
  return clean.session_.Display().rowTexts;
}

// 0103 answers 260 ms late at a 100 ms time-out, and the device serves the
// next request only after it: its reply comes while 0104 is being read.
// No poll of any row ever shows another row's reply.
TEST(MonitorStrayTest, ALateReplyNeverShowsAsAnotherRowsValue) {
  const auto clean = CleanRows();
  ASSERT_NE(clean[3], clean[4]) << "the rows must differ to show a shift";
  SimulatedMonitor monitor(HeldKlv40(), 100);
  sim::FaultPlan late;
  late.AddRegisterFault(Register{0x0103}, {sim::FaultKind::Late, milliseconds(260)});
  monitor.Faults(late);
  ASSERT_TRUE(monitor.Start());
  for (int tick = 0; tick < 30; ++tick) {
    const MonitorPoll poll = monitor.Tick();
    SCOPED_TRACE(poll.address.Text());
    if (poll.row == 4) {
      EXPECT_TRUE(poll.text == clean[4] || poll.text == "xxxx") << poll.text;
    }
    EXPECT_NE(monitor.session_.Display().rowTexts[4], clean[3]);
  }
  EXPECT_EQ(monitor.session_.Display().rowTexts[3], "xxxx");
  EXPECT_FALSE(monitor.session_.Display().lineLost);
}

// Every reply 220 ms late at the 200 ms time-out, one request at a time:
// without care every row would show the row before's value, forever.
// Instead no value and no lamp is shown, the line is not taken for lost,
// and after three rounds the status line says why.
TEST(MonitorStrayTest, EveryReplyLateShowsNothingAndSaysTheRepliesAreOutOfStep) {
  SimulatedMonitor monitor(HeldKlv40(), 200);
  ASSERT_TRUE(monitor.Start());
  sim::FaultPlan late;
  late.AddRegisterFault(std::nullopt, {sim::FaultKind::Late, milliseconds(220)});
  monitor.Faults(late);
  monitor.Cycle();
  monitor.Cycle();
  EXPECT_FALSE(monitor.session_.Display().outOfStep);
  monitor.Cycle();
  const MonitorDisplay& shown = monitor.session_.Display();
  for (const std::string& text : shown.rowTexts) EXPECT_EQ(text, "xxxx");
  EXPECT_TRUE(std::all_of(shown.lamps.begin(), shown.lamps.end(), [](int lamp) { return lamp == kLampUnknown; }));
  EXPECT_FALSE(shown.lineLost);
  EXPECT_EQ(LineStatusText(shown, Language::English), "Line unreliable: replies out of step");
  EXPECT_EQ(LineStatusText(shown, Language::Japanese), "回線不安定：応答の順序ずれ");
  EXPECT_EQ(monitor.session_.LastInputText(), "-32768");  // the record's missing mark

  // In step again: the values come back and the words go after a clean round.
  monitor.Faults({});
  monitor.Cycle();
  monitor.Cycle();
  EXPECT_EQ(monitor.session_.Display().rowTexts[4], CleanRows()[4]);
  EXPECT_FALSE(monitor.session_.Display().outOfStep);
}

// A doubled reply: the copy is found before the next poll (and before the
// record takes the value), and the row read last is voided.
TEST(MonitorStrayTest, ADoubledReplyVoidsTheRowReadLast) {
  SimulatedMonitor monitor(HeldKlv40(), 100);
  sim::FaultPlan twice;
  twice.AddRegisterFault(Register{0x0104}, {sim::FaultKind::Twice, milliseconds(50)});
  monitor.Faults(twice);
  ASSERT_TRUE(monitor.Start());
  for (int tick = 0; tick < 12; ++tick) {
    const MonitorPoll poll = monitor.Tick();
    if (poll.row == 5) {
      // 0104's copy voided 0104 before 0105 was asked; 0105 is its own.
      EXPECT_EQ(monitor.session_.Display().rowTexts[4], "xxxx");
      EXPECT_EQ(monitor.session_.LastInputText(), "-32768");
      EXPECT_NE(poll.text, "xxxx");
    }
  }
}

}  // namespace
}  // namespace klv::testing
