#pragma once
// The command line of klv-sim: what to simulate, where, and which faults.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/simulated_regulator.h"
#include "serial/line_settings.h"

namespace klv::sim {

struct SimOptions {
  SimConfig config;
  // --set REG=VALUE, in the order given; applied with SimulatedRegulator::Preset.
  std::vector<std::pair<Register, int16_t>> presets;
  FaultPlan faults;
  std::string device;  // empty: a pseudo-terminal
  LineSettings line;   // for --device; data bits 8 for RTU, 7 otherwise unless given
  bool localEcho = false;  // --echo: every byte received is sent back first
  bool help = false;
  bool version = false;
};

struct ParsedCommandLine {
  std::optional<SimOptions> options;  // empty on an error
  std::string error;                  // one line naming the faulty argument
};

// args: the arguments after the program name. Options take their value as the
// next argument or after "=" ("--model KLV30" or "--model=KLV30").
ParsedCommandLine ParseCommandLine(std::span<const std::string> args);

// The text of --help: every option with its values and default.
std::string UsageText();

}  // namespace klv::sim
