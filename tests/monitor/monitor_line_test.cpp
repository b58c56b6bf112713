// The monitor against klv-sim on a pseudo-terminal in real time: what a slow
// or lost device does to the rows and lamps. The simulation keeps a fake
// clock, so its live values stay those of its start.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "monitor/monitor_session.h"
#include "platform/clock.h"
#include "support/fake_clock.h"
#include "serial/device_path_port.h"

namespace klv::testing {
namespace {

class MonitorLineTest : public ::testing::Test {
 protected:
  // Serves a KLV40 with the faults, monitors it for `rounds` polling rounds
  // and gives what the window would show. The longest time-out, unless the
  // test is about the time-out.
  MonitorDisplay Watch(const sim::FaultPlan& faults, int rounds, int32_t readTimeout = 200) {
    sim::SimConfig config;
    config.model = ModelKind::Klv40;
    sim::SimulatedRegulator regulator(config, simClock_);
    regulator.SetFaultPlan(faults);
    sim::SimServer server(regulator);
    std::string error;
    EXPECT_TRUE(server.OpenPseudoTerminal(error) && server.Start()) << error;

    Connection connection(DevicePathPortFactory(server.Path()));
    connection.settings.protocol = Protocol::Torvalek;
    connection.settings.readTimeout = readTimeout;
    connection.settings.deviceAddress = 1;
    MonitorSession session(connection, SystemClock(), Language::English);
    EXPECT_TRUE(session.Start(false, {}, {}).started);
    for (int round = 0; round < rounds;) {
      SystemClock().SleepFor(session.UntilNextTick());
      if (const std::optional<MonitorPoll> poll = session.Tick(); poll && poll->cycleEnd) ++round;
    }
    MonitorDisplay shown = session.Display();
    session.Close();
    server.Stop();
    return shown;
  }

  FakeClock simClock_;
};

// 0101 answers 200 ms after its 100 ms read has given up. Its reply must
// not be taken as a later row's value: those show their own or nothing.
TEST_F(MonitorLineTest, ALateReplyNeverShowsInTheNextRow) {
  const MonitorDisplay normal = Watch({}, 1);
  ASSERT_NE(normal.rowTexts[1], normal.rowTexts[2]) << "the rows must differ to show a shift";
  ASSERT_NE(normal.rowTexts[1], normal.rowTexts[3]) << "the rows must differ to show a shift";

  sim::FaultPlan late;
  late.AddRegisterFault(Register{0x0101}, {sim::FaultKind::Late, std::chrono::milliseconds(300)});
  const MonitorDisplay shown = Watch(late, 2, 100);
  EXPECT_EQ(shown.rowTexts[1], "xxxx");
  for (const std::size_t row : {2u, 3u}) {
    EXPECT_TRUE(shown.rowTexts[row] == normal.rowTexts[row] || shown.rowTexts[row] == "xxxx")
        << "row " << row << ": " << shown.rowTexts[row];
  }
}

// A device that stops answering: the lamps go dark with the values, and
// after three silent rounds the line is reported lost.
TEST_F(MonitorLineTest, LampsGoDarkAndTheLineIsLostAfterThreeSilentRounds) {
  const MonitorDisplay lit = Watch({}, 1);
  ASSERT_NE(std::count(lit.lamps.begin(), lit.lamps.end(), 1), 0) << "some lamp must be lit to see it go dark";
  EXPECT_FALSE(lit.lineLost);

  // Answers the identification (ten exchanges), then nothing.
  sim::FaultPlan gone;
  gone.AddFailAfter(10, {sim::FaultKind::Silent, {}});
  const MonitorDisplay twoRounds = Watch(gone, 2);
  EXPECT_EQ(std::count(twoRounds.lamps.begin(), twoRounds.lamps.end(), 1), 0);
  EXPECT_EQ(twoRounds.rowTexts[8], "xxxx");
  EXPECT_FALSE(twoRounds.lineLost);
  EXPECT_TRUE(Watch(gone, 3).lineLost);
}

}  // namespace
}  // namespace klv::testing
