#pragma once
// klv-sim serving one regulator on a pseudo-terminal of its own thread, for
// the window tests that drive transfers through the main window.
#include <QtGlobal>
#include <string>

#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "support/fake_clock.h"

namespace klv::window_test {

class SimulatedDevice {
 public:
  explicit SimulatedDevice(const sim::SimConfig& config) : regulator_(config, clock_), server_(regulator_) {
    std::string error;
    ready_ = server_.OpenPseudoTerminal(error) && server_.Start();
    if (!ready_) qWarning("simulator: %s", error.c_str());
  }
  bool Ready() const { return ready_; }
  const std::string& Path() const { return server_.Path(); }
  void Preset(uint16_t reg, int16_t value) {
    server_.WithRegulator([&](sim::SimulatedRegulator& r) { return r.Preset(reg, value); });
  }
  void Faults(sim::FaultPlan plan) {
    server_.WithRegulator([&](sim::SimulatedRegulator& r) { r.SetFaultPlan(std::move(plan)); });
  }
  ParameterSet Parameters() {
    return server_.WithRegulator([](sim::SimulatedRegulator& r) { return r.Parameters(); });
  }
  uint64_t Exchanges() {
    return server_.WithRegulator([](sim::SimulatedRegulator& r) { return r.ExchangeCount(); });
  }

 private:
  testing::FakeClock clock_;
  sim::SimulatedRegulator regulator_;
  sim::SimServer server_;
  bool ready_ = false;
};

inline sim::SimConfig SimModel(ModelKind model, uint16_t options = 0, bool detect = true) {
  sim::SimConfig config;
  config.model = model;
  config.options = options;
  config.detect = detect;
  return config;
}

}  // namespace klv::window_test
