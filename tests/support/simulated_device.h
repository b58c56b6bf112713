#pragma once
// klv-sim serving one regulator on a pseudo-terminal of its own thread, for
// the tests that run transfers against it (core and window tests alike).
#include <functional>
#include <string>
#include <utility>

#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "support/fake_clock.h"

namespace klv::testing {

// A regulator of the model, with the KLV40 option word and the one-series
// current detection.
inline sim::SimConfig SimModel(ModelKind model, uint16_t options = 0, bool detect = true) {
  sim::SimConfig config;
  config.model = model;
  config.options = options;
  config.detect = detect;
  return config;
}

class SimulatedDevice {
 public:
  // How the test framework in use hears of a simulator that cannot serve or
  // a preset the regulator refuses.
  using Complaint = std::function<void(const std::string&)>;

  SimulatedDevice(const sim::SimConfig& config, Complaint complain)
      : complain_(std::move(complain)), regulator_(config, clock_), server_(regulator_) {
    std::string error;
    ready_ = server_.OpenPseudoTerminal(error) && server_.Start();
    if (!ready_) complain_("simulator: " + error);
  }
  bool Ready() const { return ready_; }
  const std::string& Path() const { return server_.Path(); }

  // Front-panel settings and faults, before the transfer.
  void Preset(Register reg, int16_t value) {
    const sim::Refusal refusal =
        server_.WithRegulator([&](sim::SimulatedRegulator& r) { return r.Preset(reg, value); });
    if (refusal != sim::Refusal::None) complain_("preset of register " + reg.Text() + " refused");
  }
  // Echoes every byte received back before answering, as a two-wire adapter does.
  void LocalEcho(bool on) { server_.SetLocalEcho(on); }
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
  Complaint complain_;
  FakeClock clock_;  // the simulation's own time; the live values do not matter here
  sim::SimulatedRegulator regulator_;
  sim::SimServer server_;
  bool ready_ = false;
};

}  // namespace klv::testing
