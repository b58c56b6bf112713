#pragma once
// klv-sim serving one regulator on a pseudo-terminal of its own thread, for
// the window tests that drive transfers through the main window.
#include <QtGlobal>
#include <string>

#include "sim/simulated_regulator.h"
#include "support/simulated_device.h"

namespace klv::window_test {

// The simulated device of the window tests: its troubles are warnings in the
// test's output (the test then fails on what the window shows).
class SimulatedDevice : public testing::SimulatedDevice {
 public:
  explicit SimulatedDevice(const sim::SimConfig& config)
      : testing::SimulatedDevice(config, [](const std::string& what) { qWarning("%s", what.c_str()); }) {}
};

using testing::SimModel;

}  // namespace klv::window_test
