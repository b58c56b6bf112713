#pragma once
// A simulated regulator served on a pseudo-terminal of its own, on a thread
// of its own: what the demo mode and the benchmarks put at the far end of
// the program's line. Stops serving when destroyed.
#include <string>

#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"

namespace klv::sim {

class ServedRegulator {
 public:
  ServedRegulator(const SimConfig& config, Clock& clock) : regulator_(config, clock), server_(regulator_) {}
  ServedRegulator(const ServedRegulator&) = delete;
  ServedRegulator& operator=(const ServedRegulator&) = delete;

  // Creates the pseudo-terminal and starts serving; false with the reason
  // when either fails.
  bool Start(std::string& error) {
    if (!server_.OpenPseudoTerminal(error)) return false;
    if (server_.Start()) return true;
    error = "the simulated regulator could not start serving";
    return false;
  }
  // The far end of the pseudo-terminal: the device the program opens.
  const std::string& Path() const { return server_.Path(); }

 private:
  SimulatedRegulator regulator_;
  SimServer server_;
};

}  // namespace klv::sim
