// The monitor over several units on one bus, against simulated KLV30s on one
// pseudo-terminal in real time at a 50 ms read time-out, for
// KLV_BENCH_BUS_SECONDS (default 60) seconds each: the mean time of a round
// (one polling cycle of every unit) against the units times one cycle of a
// lone unit (its registers times the 200 ms period), and the mean tick
// period. Arguments: the number of units (the last one silent in the
// "/silent" runs, which shows what a lost unit still costs).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "monitor/bus_monitor.h"
#include "platform/clock.h"
#include "serial/device_path_port.h"
#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"

namespace {

using namespace klv;

int BenchSeconds() {
  const char* value = std::getenv("KLV_BENCH_BUS_SECONDS");
  const int seconds = value != nullptr ? std::atoi(value) : 0;
  return seconds > 0 ? seconds : 60;
}

void RunBus(benchmark::State& state, bool lastSilent) {
  const int units = static_cast<int>(state.range(0));
  std::vector<std::unique_ptr<sim::SimulatedRegulator>> regulators;
  std::vector<int32_t> addresses;
  for (int unit = 1; unit <= units; ++unit) {
    sim::SimConfig config;
    config.model = ModelKind::Klv30;
    config.deviceAddress = unit;
    regulators.push_back(std::make_unique<sim::SimulatedRegulator>(config, SystemClock()));
    if (lastSilent && unit == units) {
      sim::FaultPlan mute;
      mute.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
      regulators.back()->SetFaultPlan(mute);
    }
    addresses.push_back(unit);
  }
  sim::SimServer server(*regulators.front());
  for (std::size_t i = 1; i < regulators.size(); ++i) server.AddRegulator(*regulators[i]);
  std::string error;
  if (!server.OpenPseudoTerminal(error) || !server.Start()) {
    state.SkipWithError(("simulator: " + error).c_str());
    return;
  }
  Connection connection(DevicePathPortFactory(server.Path()));
  connection.settings.protocol = Protocol::Torvalek;
  connection.settings.readTimeout = 50;
  Clock& clock = SystemClock();

  double roundSeconds = 0;
  double cycleTicks = 0;
  int rounds = 0;
  int ticks = 0;
  double elapsed = 0;
  for (auto _ : state) {
    BusMonitor bus(connection, clock, Language::English, addresses);
    if (!bus.Start(false, {}, {}).started) {
      state.SkipWithError("cannot open the simulator's line");
      break;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(BenchSeconds());
    int firstRounds = -1;
    Clock::TimePoint firstRoundEnd{};
    int polls = 0;
    while (clock.Now() < end) {
      const Clock::Duration wait = bus.UntilNextTick();
      if (wait > Clock::Duration::zero()) {
        clock.SleepFor(wait);
        continue;
      }
      const std::optional<BusTick> tick = bus.Tick();
      if (!tick) continue;
      ++ticks;
      // The first unit's cycle length, counted once.
      if (tick->unit == 0 && tick->poll && cycleTicks == 0) {
        ++polls;
        if (tick->poll->cycleEnd) cycleTicks = polls;
      }
      // Rounds timed from the end of the first, so the start-up does not count.
      if (firstRounds < 0 && bus.Rounds() == 1) {
        firstRounds = 1;
        firstRoundEnd = clock.Now();
      }
      if (firstRounds > 0 && bus.Rounds() > rounds + 1) {
        rounds = bus.Rounds() - 1;
        roundSeconds = std::chrono::duration<double>(clock.Now() - firstRoundEnd).count() / rounds;
      }
    }
    bus.Stop();
    elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(elapsed);
  }
  server.Stop();
  const double loneCycle = cycleTicks * 0.2;
  state.counters["units"] = units;
  state.counters["rounds_timed"] = rounds;
  state.counters["round_s"] = roundSeconds;
  state.counters["lone_cycle_s"] = loneCycle;
  state.counters["round_per_unit_s"] = roundSeconds / units;
  state.counters["round_vs_units_x_lone"] = loneCycle > 0 ? roundSeconds / (units * loneCycle) : 0;
  state.counters["tick_period_ms"] = ticks > 0 ? 1000.0 * elapsed / ticks : 0;
}

void BM_BusMonitorRound(benchmark::State& state) { RunBus(state, false); }
void BM_BusMonitorRoundOneSilent(benchmark::State& state) { RunBus(state, true); }

BENCHMARK(BM_BusMonitorRound)->Arg(1)->Arg(3)->Arg(12)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_BusMonitorRoundOneSilent)->Arg(3)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
