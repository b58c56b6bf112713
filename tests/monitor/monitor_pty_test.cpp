// The monitor in real time against klv-sim on a pseudo-terminal, through the
// program's real port: the simulation keeps its own fake clock, so the test
// moves the regulator's live values and lamps when it wants to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "monitor/monitor_session.h"
#include "support/fake_clock.h"
#include "serial/device_path_port.h"

namespace klv {
namespace {

class MonitorOverPty : public ::testing::Test {
 protected:
  void Serve(const sim::SimConfig& config) {
    regulator_ = std::make_unique<sim::SimulatedRegulator>(config, simClock_);
    server_ = std::make_unique<sim::SimServer>(*regulator_);
    std::string error;
    ASSERT_TRUE(server_->OpenPseudoTerminal(error)) << error;
    ASSERT_TRUE(server_->Start());
    connection_ = std::make_unique<Connection>(DevicePathPortFactory(server_->Path()));
    connection_->settings.protocol = Protocol::Torvalek;
    connection_->settings.readTimeout = 200;
    session_ = std::make_unique<MonitorSession>(*connection_, SystemClock(), Language::English);
  }
  void TearDown() override {
    if (session_) session_->Close();
    if (server_) server_->Stop();
  }

  // Waits for each tick in real time until a polling cycle is complete.
  void Cycle() {
    for (int i = 0; i < 20; ++i) {
      SystemClock().SleepFor(session_->UntilNextTick());
      const std::optional<MonitorPoll> poll = session_->Tick();
      if (poll && poll->cycleEnd) return;
    }
    ADD_FAILURE() << "no complete cycle";
  }
  const MonitorDisplay& Display() const { return session_->Display(); }

  testing::FakeClock simClock_;
  std::unique_ptr<sim::SimulatedRegulator> regulator_;
  std::unique_ptr<sim::SimServer> server_;
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<MonitorSession> session_;
};

TEST_F(MonitorOverPty, LiveValuesChangeAndTheLampsFollow0108And0109) {
  sim::SimConfig config;
  config.options = kOptionAnalogInput | kOptionAnalogOutput;
  Serve(config);
  ASSERT_TRUE(session_->Start(false, {}, {}).started);
  EXPECT_EQ(Display().title, "Monitor - KLV40 - PA  ");

  // Simulation time 0: the control input's sine is at 500; AL1 and DI1-DI3 on.
  Cycle();
  EXPECT_EQ(Display().rowTexts[4], "500");
  EXPECT_EQ(Display().lamps, (std::array<int, kLampCount>{1, 0, 0, 0, 1, 1, 1}));
  for (const std::string& text : Display().rowTexts) EXPECT_NE(text, "xxxx");
  const std::string output = Display().rowTexts[0];

  // 12 s later: the input near the top of its sine, AL1 and DI1 off.
  simClock_.Advance(std::chrono::seconds(12));
  Cycle();
  EXPECT_GT(TextToValue(Display().rowTexts[4]), 900);
  EXPECT_NE(Display().rowTexts[0], output);
  EXPECT_EQ(Display().rowTexts[8], "_ _ _ _");
  EXPECT_EQ(Display().rowTexts[9], "O O _");
  EXPECT_EQ(Display().lamps, (std::array<int, kLampCount>{0, 0, 0, 0, 0, 1, 1}));

  session_->Stop();
  EXPECT_FALSE(connection_->IsOpen());
}

TEST_F(MonitorOverPty, ASilentDeviceShowsXxxxEverywhere) {
  Serve(sim::SimConfig{});
  sim::FaultPlan faults;
  faults.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent});
  server_->WithRegulator([&](sim::SimulatedRegulator& r) { r.SetFaultPlan(faults); });
  ASSERT_TRUE(session_->Start(false, {}, {}).started);
  EXPECT_EQ(Display().title, "Monitor");
  Cycle();
  for (const std::string& text : Display().rowTexts) EXPECT_EQ(text, "xxxx");
  EXPECT_EQ(session_->LastInputText(), "-32768");
  EXPECT_EQ(session_->LastOutputText(), "-32768");
}

TEST_F(MonitorOverPty, AOneSeriesDeviceOverModbusRtu) {
  sim::SimConfig config;
  config.model = ModelKind::Klv30E;
  config.protocol = Protocol::ModbusRtu;
  Serve(config);
  connection_->settings.protocol = Protocol::ModbusRtu;
  ASSERT_TRUE(session_->Start(false, {}, {}).started);
  EXPECT_EQ(Display().title, "Monitor - KLV30E");
  Cycle();
  EXPECT_EQ(Display().rowTexts[4], "500");
  EXPECT_EQ(Display().rowTexts[1], "xxxx");  // not polled on a one-series model
  EXPECT_EQ(Display().rowTexts[9], "_ _ O");
}

}  // namespace
}  // namespace klv
