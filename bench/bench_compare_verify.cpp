// Compare with the regulator and a write verified by reading back, in real
// time against klv-sim on a pseudo-terminal at a 100 ms read time-out, for
// each model (every option present). Printed: the time, the protocol's floor
// (the pauses the transfer must take) and their ratio, and how many registers
// were compared or read back.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "editor/parameter_comparison.h"
#include "sim/served_regulator.h"
#include "model/register_catalogue.h"
#include "platform/clock.h"
#include "serial/device_path_port.h"
#include "transfer/device_reading.h"
#include "transfer/transfer_commands.h"
#include "transfer_bench_support.h"

namespace {

using namespace klv;

using bench::NoOperator;
using bench::PauseCountingClock;

enum class Task { Compare, WriteVerify };

void Run(benchmark::State& state, ModelKind model, Task task) {
  sim::SimConfig config;
  config.model = model;
  config.options = 15;
  config.detect = true;
  sim::ServedRegulator device(config, SystemClock());
  std::string error;
  if (!device.Start(error)) {
    state.SkipWithError(("simulator: " + error).c_str());
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "klv-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::filesystem::path folder = pattern;

  double floorSeconds = 0;
  double ratio = 0;
  int registers = 0;
  bool good = false;
  for (auto _ : state) {
    Connection connection(DevicePathPortFactory(device.Path()));
    connection.settings.protocol = Protocol::Torvalek;
    connection.settings.readTimeout = 100;
    ParameterSet parameters;
    LoadDefaults(parameters, model);
    parameters.optionFlags = model == ModelKind::Klv40 ? config.options : 0;
    parameters.optionDetect = model == ModelKind::Klv40 ? 0 : kOptionCurrentDetection;
    ModelKind currentModel = model;
    TransferState transferState;
    transferState.verifyAfterWrite = true;
    PauseCountingClock clock;
    NoOperator oper;
    TransferSession session{connection, parameters, currentModel, transferState, clock, folder / "comlog.txt"};

    const auto start = std::chrono::steady_clock::now();
    if (task == Task::Compare) {
      DeviceReading reading;
      const TransferCommandOutcome outcome =
          RunDeviceReading(session, currentModel, reading, Language::English, oper, oper);
      const ParameterComparison comparison =
          CompareParameters(parameters, currentModel, reading.parameters, reading.model, Language::English);
      good = outcome.report.succeeded && comparison.Equal();
      registers = comparison.compared;
    } else {
      const TransferCommandOutcome outcome = RunWriteCommand(session, Language::English, oper, oper);
      good = outcome.report.succeeded && transferState.verification.AllEqual();
      registers = transferState.verification.checked;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    floorSeconds = std::chrono::duration<double>(clock.Slept()).count();
    ratio = seconds / floorSeconds;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  if (!good) state.SkipWithError("the transfer did not go through");
  state.counters["registers"] = registers;
  state.counters["floor_s"] = floorSeconds;
  state.counters["time/floor"] = ratio;
}

void BM_CompareKlv40(benchmark::State& state) { Run(state, ModelKind::Klv40, Task::Compare); }
void BM_CompareKlv30(benchmark::State& state) { Run(state, ModelKind::Klv30, Task::Compare); }
void BM_CompareKlv30E(benchmark::State& state) { Run(state, ModelKind::Klv30E, Task::Compare); }
void BM_WriteVerifyKlv40(benchmark::State& state) { Run(state, ModelKind::Klv40, Task::WriteVerify); }
void BM_WriteVerifyKlv30(benchmark::State& state) { Run(state, ModelKind::Klv30, Task::WriteVerify); }
void BM_WriteVerifyKlv30E(benchmark::State& state) { Run(state, ModelKind::Klv30E, Task::WriteVerify); }

// Each run takes seconds of real pauses: one iteration says enough.
BENCHMARK(BM_CompareKlv40)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CompareKlv30)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CompareKlv30E)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WriteVerifyKlv40)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WriteVerifyKlv30)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WriteVerifyKlv30E)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
