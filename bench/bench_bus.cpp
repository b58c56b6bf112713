// A bus of twelve KLV40 units on one pseudo-terminal, read unit after unit
// over the one open port, in real time, against one unit read alone: the
// time per unit on the bus over the time of the lone read. Near 1 means the
// bus adds nothing per unit (the port is opened once for all twelve).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/register_catalogue.h"
#include "platform/clock.h"
#include "serial/device_path_port.h"
#include "sim/sim_server.h"
#include "transfer/bus_run.h"
#include "transfer/transfer_commands.h"
#include "transfer_bench_support.h"

namespace {

using namespace klv;

using bench::NoOperator;
using bench::PauseCountingClock;

constexpr int kUnits = 12;

// units KLV40 regulators at addresses 1..units, served on one line.
struct Bus {
  std::vector<std::unique_ptr<sim::SimulatedRegulator>> regulators;
  std::unique_ptr<sim::SimServer> server;

  bool Start(int units, std::string& error) {
    for (int address = 1; address <= units; ++address) {
      sim::SimConfig config;
      config.deviceAddress = address;
      regulators.push_back(std::make_unique<sim::SimulatedRegulator>(config, SystemClock()));
    }
    server = std::make_unique<sim::SimServer>(*regulators.front());
    for (std::size_t i = 1; i < regulators.size(); ++i) server->AddRegulator(*regulators[i]);
    return server->OpenPseudoTerminal(error) && server->Start();
  }
};

// Reads the units at addresses 1..units (alone: one read as the tool does
// for a single address) and reports the seconds per unit.
double ReadUnits(const std::string& path, int units, bool& allRead) {
  Connection connection(DevicePathPortFactory(path));
  connection.settings.protocol = Protocol::Torvalek;
  connection.settings.readTimeout = 100;
  ParameterSet parameters;
  ModelKind currentModel = ModelKind::Klv40;
  TransferState transferState;
  PauseCountingClock clock;
  NoOperator oper;
  TransferSession session{connection, parameters, currentModel, transferState, clock, {}};
  std::vector<int32_t> addresses;
  for (int address = 1; address <= units; ++address) addresses.push_back(address);

  const auto start = std::chrono::steady_clock::now();
  if (units == 1) {
    connection.settings.deviceAddress = 1;
    allRead = RunReadCommand(session, Language::English, oper, oper).report.succeeded;
  } else {
    session.portStaysOpen = true;
    const BusRunResult run = RunOnBus(connection, addresses, false, [&](int32_t) {
      BusUnitResult unit;
      const bool read = RunReadCommand(session, Language::English, oper, oper).report.succeeded;
      unit.status = read ? BusUnitStatus::Succeeded : BusUnitStatus::Failed;
      return unit;
    });
    allRead = run.AllSucceeded();
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / units;
}

void BM_BusReadTwelveUnitsRealTime(benchmark::State& state) {
  Bus bus;
  std::string error;
  if (!bus.Start(kUnits, error)) {
    state.SkipWithError(("simulator: " + error).c_str());
    return;
  }
  double alone = 0;
  double perUnit = 0;
  bool allRead = true;
  for (auto _ : state) {
    bool read = false;
    alone = ReadUnits(bus.server->Path(), 1, read);
    allRead = allRead && read;
    perUnit = ReadUnits(bus.server->Path(), kUnits, read);
    allRead = allRead && read;
    state.SetIterationTime(perUnit * kUnits);
  }
  if (!allRead) state.SkipWithError("a unit was not read");
  state.counters["units"] = kUnits;
  state.counters["alone_s"] = alone;
  state.counters["per_unit_s"] = perUnit;
  state.counters["per_unit/alone"] = perUnit / alone;
}

// Each run takes about a minute of real pauses: one iteration says enough.
BENCHMARK(BM_BusReadTwelveUnitsRealTime)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
