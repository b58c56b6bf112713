// A write of the changed values only against the full write, against
// klv-sim on a pseudo-terminal: the regulator holds its defaults and the set
// differs from them in two registers. The pauses are counted, not slept (a
// KLV30E's full write would sleep 16 s); each figure is the pauses plus the
// real time of the exchanges, at a 100 ms read time-out.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "model/register_catalogue.h"
#include "platform/clock.h"
#include "serial/device_path_port.h"
#include "sim/served_regulator.h"
#include "transfer/transfer_commands.h"
#include "transfer_bench_support.h"

namespace {

using namespace klv;

using bench::NoOperator;

// Adds up the pauses without sleeping them.
class PauseAddingClock final : public Clock {
 public:
  TimePoint Now() const override { return SystemClock().Now(); }
  void SleepFor(Duration duration) override { slept_ += duration; }
  LocalTime LocalNow() const override { return SystemClock().LocalNow(); }
  Duration Slept() const { return slept_; }

 private:
  Duration slept_{};
};

struct WriteFigures {
  bool ok = false;
  double pauses = 0;     // seconds of pauses the write makes
  double exchanges = 0;  // seconds spent on the line
  std::size_t requests = 0;
  double Total() const { return pauses + exchanges; }
};

using Changes = std::vector<std::pair<int16_t ParameterSet::*, int16_t>>;

WriteFigures TimeWrite(const sim::SimConfig& config, const Changes& changes, bool changedOnly,
                       const std::filesystem::path& folder) {
  WriteFigures figures;
  sim::ServedRegulator device(config, SystemClock());
  std::string error;
  if (!device.Start(error)) return figures;
  Connection connection(DevicePathPortFactory(device.Path()));
  connection.settings.protocol = Protocol::Torvalek;
  connection.settings.readTimeout = 100;
  ParameterSet parameters;
  LoadDefaults(parameters, config.model);
  parameters.optionDetect = config.detect ? kOptionCurrentDetection : 0;
  parameters.optionFlags = config.model == ModelKind::Klv40 ? config.options : 0;
  for (const auto& [slot, value] : changes) parameters.*slot = value;
  ModelKind currentModel = config.model;
  TransferState transferState;
  transferState.writeChangedOnly = changedOnly;
  PauseAddingClock clock;
  NoOperator oper;
  TransferSession session{connection, parameters, currentModel, transferState, clock, folder / "comlog.txt"};

  const auto start = std::chrono::steady_clock::now();
  const TransferCommandOutcome outcome = RunWriteCommand(session, Language::English, oper, oper);
  figures.exchanges = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figures.pauses = std::chrono::duration<double>(clock.Slept()).count();
  const std::string log(connection.log.Text());
  for (std::size_t at = log.find("PC->KLV"); at != std::string::npos; at = log.find("PC->KLV", at + 1)) {
    ++figures.requests;
  }
  figures.ok = outcome.report.succeeded;
  return figures;
}

void CompareWrites(benchmark::State& state, const sim::SimConfig& config, const Changes& changes) {
  std::string pattern = (std::filesystem::temp_directory_path() / "klv-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::filesystem::path folder = pattern;
  WriteFigures full;
  WriteFigures changed;
  for (auto _ : state) {
    full = TimeWrite(config, changes, false, folder);
    changed = TimeWrite(config, changes, true, folder);
    state.SetIterationTime(changed.Total());
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  if (!full.ok || !changed.ok) {
    state.SkipWithError("a write did not complete");
    return;
  }
  state.counters["full_s"] = full.Total();
  state.counters["full_pauses_s"] = full.pauses;
  state.counters["full_requests"] = static_cast<double>(full.requests);
  state.counters["changed_s"] = changed.Total();
  state.counters["changed_pauses_s"] = changed.pauses;
  state.counters["changed_requests"] = static_cast<double>(changed.requests);
  state.counters["changed/full"] = changed.Total() / full.Total();
}

sim::SimConfig Model(ModelKind model, uint16_t options) {
  sim::SimConfig config;
  config.model = model;
  config.options = options;
  config.detect = true;
  return config;
}

void BM_Klv30ETwoChanged(benchmark::State& state) {
  CompareWrites(state, Model(ModelKind::Klv30E, 0),
                {{&ParameterSet::keyLock, 1}, {&ParameterSet::slowDownTime, 25}});
}

void BM_Klv40TwoChanged(benchmark::State& state) {
  CompareWrites(state, Model(ModelKind::Klv40, 15),
                {{&ParameterSet::keyLock, 1}, {&ParameterSet::bootLimiter, 700}});
}

// A change that takes the ramp pre-writes with it.
void BM_Klv30ERampSettingChanged(benchmark::State& state) {
  CompareWrites(state, Model(ModelKind::Klv30E, 0),
                {{&ParameterSet::rampUpperSetting, 800}, {&ParameterSet::slowDownTime, 25}});
}

BENCHMARK(BM_Klv30ETwoChanged)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Klv40TwoChanged)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Klv30ERampSettingChanged)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
