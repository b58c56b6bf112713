// One exchange against klv-sim on a pseudo-terminal, in real time, for each
// read time-out. Every receive asks for 90 bytes, more than any reply holds,
// so the exchange cannot end before the time-out: that time-out is its
// floor. The figure is the median of many exchanges divided by the floor;
// the target is at most 1.05.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "sim/served_regulator.h"
#include "platform/clock.h"
#include "serial/connection.h"
#include "serial/device_path_port.h"

namespace {

using namespace klv;

void BM_ExchangeOverFloor(benchmark::State& state) {
  const int timeoutMs = static_cast<int>(state.range(0));
  sim::SimConfig config;
  config.model = ModelKind::Klv40;
  sim::ServedRegulator device(config, SystemClock());
  std::string error;
  if (!device.Start(error)) {
    state.SkipWithError(("simulator: " + error).c_str());
    return;
  }

  Connection connection(DevicePathPortFactory(device.Path()));
  connection.settings.protocol = Protocol::Torvalek;
  connection.settings.readTimeout = timeoutMs;
  if (!connection.Open().ok) {
    state.SkipWithError("cannot open the simulator's line");
    return;
  }

  std::vector<double> ratios;
  int good = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const Reply outcome = connection.Read(Register{0x0100});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    ratios.push_back(seconds / (timeoutMs / 1000.0));
    good += outcome.Ok() ? 1 : 0;
  }
  connection.Close();

  std::sort(ratios.begin(), ratios.end());
  state.counters["time/floor_median"] = ratios[ratios.size() / 2];
  state.counters["time/floor_max"] = ratios.back();
  state.counters["good_replies"] = good;
}

BENCHMARK(BM_ExchangeOverFloor)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
