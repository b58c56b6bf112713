// Real-time transfers against klv-sim on a pseudo-terminal, measured against
// the protocol's floor: the sum of the pauses between rows plus the time the
// frames take on the wire (none on a pseudo-terminal: a receive ends as soon
// as its reply is in). A ratio near 1 means the program adds nothing of its
// own beyond what it spends on never taking a late or doubled reply for
// another register's: one read time-out of watching the line after the
// identification, after each of a KLV40's four option reads and after the
// last register (six read time-outs, 0.6 s at 100 ms, on a KLV40 read: about
// 1.22). Also shown: what the frames would take at
// 9600 bits per second (10 bits a character), and the time a transfer whose
// every receive waited its whole read time-out would need at least.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "sim/served_regulator.h"
#include "model/register_catalogue.h"
#include "platform/clock.h"
#include "serial/device_path_port.h"
#include "transfer/transfer_commands.h"
#include "transfer_bench_support.h"

namespace {

using namespace klv;

using bench::NoOperator;
using bench::PauseCountingClock;

std::size_t CountRequests(std::string_view log) {
  std::size_t count = 0;
  for (std::size_t at = log.find("PC->KLV"); at != std::string_view::npos; at = log.find("PC->KLV", at + 1)) ++count;
  return count;
}

// One transfer of `mode` against a simulated `config`, at a 100 ms read time-out.
void RunAgainstSimulator(benchmark::State& state, const sim::SimConfig& config, TransferMode mode) {
  // The simulator's live values run on real time too.
  sim::ServedRegulator device(config, SystemClock());
  std::string error;
  if (!device.Start(error)) {
    state.SkipWithError(("simulator: " + error).c_str());
    return;
  }
  std::string folderPattern = (std::filesystem::temp_directory_path() / "klv-bench-XXXXXX").string();
  if (::mkdtemp(folderPattern.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::filesystem::path folder = folderPattern;

  double ratioSum = 0;
  double floorSeconds = 0;
  double wireSeconds = 0;
  double waitingFloorSeconds = 0;
  int16_t result = 0;
  for (auto _ : state) {
    Connection connection(DevicePathPortFactory(device.Path()));
    connection.settings.protocol = Protocol::Torvalek;
    connection.settings.readTimeout = 100;
    ParameterSet parameters;
    ModelKind currentModel = config.model;
    TransferState transferState;
    PauseCountingClock clock;
    NoOperator oper;
    if (mode == TransferMode::Write) {
      LoadDefaults(parameters, config.model);
      parameters.optionDetect = config.detect ? kOptionCurrentDetection : 0;
      parameters.optionFlags = config.model == ModelKind::Klv40 ? config.options : 0;
    }
    TransferSession session{connection, parameters, currentModel, transferState, clock, folder / "comlog.txt"};

    const auto start = std::chrono::steady_clock::now();
    const TransferCommandOutcome outcome = mode == TransferMode::Read
                                               ? RunReadCommand(session, Language::English, oper, oper)
                                               : RunWriteCommand(session, Language::English, oper, oper);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);

    result = outcome.result.count;
    const double timeout = connection.settings.readTimeout / 1000.0;
    const double pauses = std::chrono::duration<double>(clock.Slept()).count();
    floorSeconds = pauses;
    ratioSum += seconds / floorSeconds;
    // A read request and its one-register reply: 14 + 16 characters; a write 19 + 11.
    const double exchanges = static_cast<double>(CountRequests(connection.log.Text()));
    wireSeconds = exchanges * 30.0 * 10.0 / 9600.0;
    waitingFloorSeconds = pauses + exchanges * timeout;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);

  state.counters["registers"] = result;
  state.counters["floor_s"] = floorSeconds;
  state.counters["wire_9600bd_s"] = wireSeconds;
  state.counters["full_timeout_floor_s"] = waitingFloorSeconds;
  state.counters["time/floor"] = ratioSum / static_cast<double>(state.iterations());
}

void BM_Klv40ReadRealTime(benchmark::State& state) {
  sim::SimConfig config;
  config.model = ModelKind::Klv40;
  config.options = 15;  // every row present
  RunAgainstSimulator(state, config, TransferMode::Read);
}

void BM_Klv30EWriteRealTime(benchmark::State& state) {
  sim::SimConfig config;
  config.model = ModelKind::Klv30E;
  config.detect = true;
  RunAgainstSimulator(state, config, TransferMode::Write);
}

// Each run takes seconds of real pauses: one iteration says enough.
BENCHMARK(BM_Klv40ReadRealTime)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Klv30EWriteRealTime)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
