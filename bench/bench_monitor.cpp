// The monitor's timing and cost, against klv-sim on a pseudo-terminal in real
// time at a 50 ms read time-out:
// - BM_MonitorPollPeriod: the core's ticks as the command-line tool drives
//   them, for KLV_BENCH_MONITOR_SECONDS (default 60) seconds: mean and spread
//   of the interval between tick starts; the target is a mean within 2 % of
//   200 ms.
// - BM_MonitorWindowCpu: the monitor window polling from its own timer with
//   the graph shown, for KLV_BENCH_MONITOR_CPU_SECONDS (default 30) seconds:
//   the tick periods again and the window process's processor time; the
//   target is under 3 % of one core. It runs the window test program's
//   measuring case (tests/monitor_dialog_test beside the benchmark's build folder, or
//   $KLV_MONITOR_DIALOG_TEST), with klv-sim as a process of its own.
// (The data record's cost is bench_data_record.)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sim/served_regulator.h"
#include "monitor/monitor_session.h"
#include "platform/clock.h"
#include "serial/device_path_port.h"

extern char** environ;

namespace {

using namespace klv;

int SecondsFrom(const char* variable, int fallback) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return fallback;
  const int seconds = std::atoi(value);
  return seconds > 0 ? seconds : fallback;
}

void BM_MonitorPollPeriod(benchmark::State& state) {
  const int seconds = SecondsFrom("KLV_BENCH_MONITOR_SECONDS", 60);
  sim::SimConfig config;
  config.options = kOptionAnalogInput | kOptionAnalogOutput;
  sim::ServedRegulator device(config, SystemClock());
  std::string error;
  if (!device.Start(error)) {
    state.SkipWithError(("simulator: " + error).c_str());
    return;
  }
  Connection connection(DevicePathPortFactory(device.Path()));
  connection.settings.protocol = Protocol::Torvalek;
  connection.settings.readTimeout = 50;
  Clock& clock = SystemClock();

  TickPeriods periods;
  int merged = 0;
  for (auto _ : state) {
    MonitorSession session(connection, clock, Language::English);
    if (!session.Start(false, {}, {}).started) {
      state.SkipWithError("cannot open the simulator's line");
      break;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    while (clock.Now() < end) {
      const Clock::Duration wait = session.UntilNextTick();
      if (wait > Clock::Duration::zero()) {
        clock.SleepFor(wait);
        continue;
      }
      session.Tick();
    }
    periods = session.Periods();
    merged = session.MergedTicks();
    session.Stop();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["ticks"] = periods.intervals + 1;
  state.counters["period_mean_ms"] = periods.meanMs;
  state.counters["period_sd_ms"] = periods.spreadMs;
  state.counters["period_min_ms"] = periods.minMs;
  state.counters["period_max_ms"] = periods.maxMs;
  state.counters["mean_off_200ms_pct"] = 100.0 * std::abs(periods.meanMs - 200.0) / 200.0;
  state.counters["merged_ticks"] = merged;
}

BENCHMARK(BM_MonitorPollPeriod)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

std::filesystem::path WindowTestPath() {
  if (const char* given = std::getenv("KLV_MONITOR_DIALOG_TEST"); given != nullptr && *given != '\0') return given;
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return self.parent_path().parent_path() / "tests" / "monitor_dialog_test";
}

void BM_MonitorWindowCpu(benchmark::State& state) {
  const std::filesystem::path program = WindowTestPath();
  if (!std::filesystem::exists(program)) {
    state.SkipWithError(("window test program not found at " + program.string() +
                         " (build with tests and windows, or set KLV_MONITOR_DIALOG_TEST)")
                            .c_str());
    return;
  }
  const int seconds = SecondsFrom("KLV_BENCH_MONITOR_CPU_SECONDS", 30);
  std::map<std::string, double> figures;
  for (auto _ : state) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string variable = *entry;
      if (variable.rfind("QT_QPA_PLATFORM=", 0) == 0 || variable.rfind("KLV_MONITOR_", 0) == 0) continue;
      variables.push_back(variable);
    }
    variables.push_back("QT_QPA_PLATFORM=offscreen");
    variables.push_back("KLV_MONITOR_CPU_SECONDS=" + std::to_string(seconds));
    std::vector<char*> environment;
    for (auto& variable : variables) environment.push_back(variable.data());
    environment.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
      state.SkipWithError("pipe");
      break;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string path = program.string();
    std::string slot = "cpuWhileMonitoringWithTheGraph";
    char* argv[] = {path.data(), slot.data(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
      ::close(pipeFds[0]);
      state.SkipWithError(("cannot start " + path).c_str());
      break;
    }
    std::string output;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
      output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

    const std::size_t at = output.find("monitor_window ");
    if (at == std::string::npos) {
      state.SkipWithError("the window test printed no figures");
      break;
    }
    std::istringstream words(output.substr(at, output.find('\n', at) - at));
    for (std::string word; words >> word;) {
      const std::size_t equals = word.find('=');
      if (equals != std::string::npos) figures[word.substr(0, equals)] = std::atof(word.c_str() + equals + 1);
    }
  }
  for (const auto& [name, value] : figures) state.counters[name] = value;
}

BENCHMARK(BM_MonitorWindowCpu)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
