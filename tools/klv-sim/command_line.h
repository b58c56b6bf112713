#pragma once
// The command line of klv-sim: what to simulate, where, and which faults.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/simulated_regulator.h"
#include "serial/line_settings.h"

namespace klv::sim {

// One more regulator on the line (--unit ADDRESS[:MODEL[:OPTIONS]]); what
// it leaves out is taken from --model and --options.
struct SimUnit {
  int address = 1;
  std::optional<ModelKind> model;
  std::optional<uint16_t> options;
};

struct SimOptions {
  // The first regulator; the others differ from it in address, model and options.
  SimConfig config;
  // --address LIST: regulators of --model/--options at these addresses
  // (config.deviceAddress is the first).
  std::vector<int> addresses{1};
  bool addressGiven = false;
  std::vector<SimUnit> units;          // --unit, in the order given
  std::vector<int> silentAddresses;    // --silent-address: these never answer
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

// The regulators to serve, one per address: --address first, then --unit.
// Presets and faults of the command line apply to each.
std::vector<SimConfig> UnitConfigs(const SimOptions& options);

// Whether --silent-address names the address.
bool IsSilent(const SimOptions& options, int address);

// The regulators to serve, each with the presets and faults of the command
// line (a silent one with silence for every register); none, with the
// reason, when a --set does not fit one of them.
std::vector<std::unique_ptr<SimulatedRegulator>> MakeRegulators(const SimOptions& options, Clock& clock,
                                                                std::string& error);

// The text of --help: every option with its values and default.
std::string UsageText();

}  // namespace klv::sim
