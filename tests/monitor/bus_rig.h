#pragma once
// The bus monitor's core against several simulated regulators on one line
// in the same process, on a fake clock (see simulated_line.h). Addresses
// polled without a regulator behind them stay silent.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/bus_monitor.h"
#include "monitor/simulated_line.h"
#include "sim/simulated_regulator.h"

namespace klv::testing {

class SimulatedBus {
 public:
  // regulators: those on the line (each at its config's address);
  // addresses: the units the monitor polls, in order.
  SimulatedBus(const std::vector<sim::SimConfig>& regulators, std::vector<int32_t> addresses, int readTimeout = 100)
      : connection_([this] {
          std::vector<sim::SimulatedRegulator*> line;
          for (const auto& regulator : regulators_) line.push_back(regulator.get());
          return std::make_unique<SimulatedLinePort>(line, clock_, record_, &plug_);
        }),
        bus_(connection_, clock_, Language::English, std::move(addresses)) {
    for (const sim::SimConfig& config : regulators) {
      regulators_.push_back(std::make_unique<sim::SimulatedRegulator>(config, clock_));
    }
    connection_.settings.protocol = Protocol::Torvalek;
    connection_.settings.readTimeout = readTimeout;
  }

  bool Start(bool record = false, const std::filesystem::path& dataLog = {}) {
    return bus_.Start(record, dataLog, [this](std::string_view text) { messages.emplace_back(text); }).started;
  }
  // Waits for the next tick on the fake clock and runs it.
  std::optional<BusTick> Tick() {
    clock_.Advance(bus_.UntilNextTick());
    return bus_.Tick();
  }
  // Runs the ticks due within the time on the fake clock.
  void RunFor(Clock::Duration time) {
    const Clock::TimePoint end = clock_.Now() + time;
    while (clock_.Now() + bus_.UntilNextTick() <= end) Tick();
  }
  sim::SimulatedRegulator& Regulator(std::size_t index) { return *regulators_[index]; }

  WallFakeClock clock_;
  std::vector<std::unique_ptr<sim::SimulatedRegulator>> regulators_;
  LineRecord record_;
  Plug plug_;
  Connection connection_;
  BusMonitor bus_;
  std::vector<std::string> messages;
};

}  // namespace klv::testing
