// The time a scan for regulators takes on one pseudo-terminal port at 50 ms:
// with nobody answering and with klv-sim at address 57, over the current
// line (all addresses) and over all twelve line settings. And N silent ports
// side by side against one, a quick scan of the current line: the counter
// ratio is the time of N ports ÷ the time of one, the target at most 1.3.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <poll.h>

#include <atomic>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "device/regulator_scan.h"
#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "platform/clock.h"

namespace {

using namespace klv;

// A pseudo-terminal nobody answers on. What the scan sends is read and
// dropped, as a line would take it: a full terminal buffer would make every
// write wait out its time-out.
struct SilentTerminal {
  SilentTerminal() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) path = ::ptsname(master);
    drain = std::thread([this] {
      char buffer[256];
      while (!stop.load()) {
        pollfd fd{master, POLLIN, 0};
        if (::poll(&fd, 1, 50) > 0 && ::read(master, buffer, sizeof buffer) <= 0) ::usleep(50'000);
      }
    });
  }
  ~SilentTerminal() {
    stop.store(true);
    drain.join();
    if (master >= 0) ::close(master);
  }
  int master = -1;
  std::string path;
  std::atomic<bool> stop{false};
  std::thread drain;
};

void RunScan(benchmark::State& state, const std::string& device, bool wholePort) {
  ScanPlan plan;
  plan.ports = {{device, device}};
  plan.current.protocol = Protocol::Torvalek;  // 9600 EVEN 1, address 1
  for (auto _ : state) {
    ScanCallbacks callbacks;
    bool pastFirstLine = false;
    callbacks.progress = [&](const ScanProgress& p) { pastFirstLine = !(p.line == ScanLineOf(plan.current)); };
    callbacks.cancelRequested = [&] { return !wholePort && pastFirstLine; };
    const ScanReport report = ScanForRegulators(plan, MakeSystemSerialPort, SystemClock(), Language::English, callbacks);
    state.counters["seconds"] = std::chrono::duration<double>(report.elapsed).count();
    state.counters["requests"] = report.requests;
    state.counters["found"] = static_cast<double>(report.found.size());
  }
}

void BM_ScanNoRegulator(benchmark::State& state) {
  SilentTerminal terminal;
  RunScan(state, terminal.path, state.range(0) != 0);
}

void BM_ScanRegulatorAt57(benchmark::State& state) {
  sim::SimConfig config;
  config.deviceAddress = 57;
  sim::SimulatedRegulator regulator(config, SystemClock());
  sim::SimServer server(regulator);
  std::string error;
  if (!server.OpenPseudoTerminal(error) || !server.Start()) {
    state.SkipWithError(error.c_str());
    return;
  }
  RunScan(state, server.Path(), state.range(0) != 0);
}

// A quick scan of the current line on every port: ends once every port has
// gone past that line.
double QuickFirstLineSeconds(const std::vector<std::string>& devices) {
  ScanPlan plan;
  for (const std::string& device : devices) plan.ports.push_back({device, device});
  plan.current.protocol = Protocol::Torvalek;
  plan.askSeriesOneCodeWhenSilent = false;
  std::vector<bool> past(devices.size(), false);  // callbacks come one at a time
  std::size_t pastCount = 0;
  ScanCallbacks callbacks;
  callbacks.progress = [&](const ScanProgress& p) {
    if (!past[p.portIndex] && !(p.line == ScanLineOf(plan.current))) {
      past[p.portIndex] = true;
      ++pastCount;
    }
  };
  callbacks.cancelRequested = [&] { return pastCount == devices.size(); };
  const ScanReport report = ScanForRegulators(plan, MakeSystemSerialPort, SystemClock(), Language::English, callbacks);
  return std::chrono::duration<double>(report.elapsed).count();
}

void BM_ScanSilentPortsSideBySide(benchmark::State& state) {
  std::vector<std::unique_ptr<SilentTerminal>> terminals;
  std::vector<std::string> devices;
  for (int64_t i = 0; i < state.range(0); ++i) {
    terminals.push_back(std::make_unique<SilentTerminal>());
    devices.push_back(terminals.back()->path);
  }
  for (auto _ : state) {
    const double one = QuickFirstLineSeconds({devices.front()});
    const double all = QuickFirstLineSeconds(devices);
    state.counters["one_port_s"] = one;
    state.counters["all_ports_s"] = all;
    state.counters["ratio"] = all / one;
  }
}

}  // namespace

// Argument 0: the current line over all addresses; 1: the whole port.
BENCHMARK(BM_ScanNoRegulator)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ScanRegulatorAt57)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
// Argument: the number of silent ports.
BENCHMARK(BM_ScanSilentPortsSideBySide)->Arg(3)->Arg(8)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
