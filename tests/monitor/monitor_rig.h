#pragma once
// The monitor's core against a simulated regulator in the same process, on
// a fake clock (see simulated_line.h).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/simulated_regulator.h"
#include "monitor/monitor_session.h"
#include "monitor/simulated_line.h"

namespace klv::testing {

// One monitor window's core over one simulated regulator.
class SimulatedMonitor {
 public:
  explicit SimulatedMonitor(const sim::SimConfig& config, int readTimeout = 100)
      : regulator_(config, clock_),
        connection_([this] {
          return std::make_unique<SimulatedLinePort>(other_ ? *other_ : regulator_, clock_, record_, &plug_);
        }),
        session_(connection_, clock_, Language::English) {
    connection_.settings.protocol = Protocol::Torvalek;
    connection_.settings.readTimeout = readTimeout;
    connection_.settings.deviceAddress = config.deviceAddress;
  }

  bool Start(bool record = false, const std::filesystem::path& dataLog = {}) {
    return session_.Start(record, dataLog, [this](std::string_view text) { messages.emplace_back(text); }).started;
  }

  // Waits for the next tick on the fake clock and runs it. Every tick polls
  // a row, except while the line is lost; a tick that identifies a unit
  // still unknown polls nothing, and the next one is run instead.
  MonitorPoll Tick() {
    for (int tries = 0; tries < 2; ++tries) {
      const MonitorIdentification before = session_.LastIdentification();
      const bool unknown = before == MonitorIdentification::NoAnswer || before == MonitorIdentification::OtherCode;
      clock_.Advance(session_.UntilNextTick());
      std::optional<MonitorPoll> poll = session_.Tick();
      if (poll || session_.Display().lineLost) return poll.value_or(MonitorPoll{});
      if (!unknown) break;
    }
    ADD_FAILURE() << "a tick polled nothing";
    return {};
  }
  // Ticks until a polling cycle is complete; the registers of that cycle.
  std::vector<std::string> Cycle() {
    std::vector<std::string> registers;
    for (int i = 0; i < 20; ++i) {
      const MonitorPoll poll = Tick();
      registers.push_back(poll.address.Text());
      if (poll.cycleEnd) break;
    }
    return registers;
  }
  // Runs ticks for the time on the fake clock.
  void RunFor(Clock::Duration time) {
    const Clock::TimePoint end = clock_.Now() + time;
    while (clock_.Now() + session_.UntilNextTick() <= end) Tick();
  }

  void Faults(sim::FaultPlan plan) { regulator_.SetFaultPlan(std::move(plan)); }
  // From the next opening on the port leads to another regulator, as a COM
  // link pointed at another adapter does.
  void Repoint(const sim::SimConfig& config) { other_ = std::make_unique<sim::SimulatedRegulator>(config, clock_); }

  WallFakeClock clock_;
  sim::SimulatedRegulator regulator_;
  std::unique_ptr<sim::SimulatedRegulator> other_;
  LineRecord record_;
  Plug plug_;
  Connection connection_;
  MonitorSession session_;
  std::vector<std::string> messages;
};

}  // namespace klv::testing
