// Reading a register over the network against over the pseudo-terminal, in
// real time: klv-sim on a pseudo-terminal, reached directly, through a raw
// TCP device server on 127.0.0.1 and through an RFC 2217 server (the tests'
// own server, which passes each byte on as it comes). The figures are the
// median and the slowest exchange in milliseconds; every exchange ends when
// its reply is in, so the difference is what the network path adds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "../tests/support/network_line_server.h"
#include "platform/clock.h"
#include "serial/connection.h"
#include "serial/device_path_port.h"
#include "sim/served_regulator.h"

namespace {

using namespace klv;
using Server = klv::testing::NetworkLineServer;

// Arg 0: the pseudo-terminal; 1: raw TCP; 2: RFC 2217.
void BM_ReadOneRegister(benchmark::State& state) {
  sim::SimConfig config;
  config.model = ModelKind::Klv40;
  sim::ServedRegulator device(config, SystemClock());
  std::string error;
  if (!device.Start(error)) {
    state.SkipWithError(("simulator: " + error).c_str());
    return;
  }
  std::unique_ptr<Server> server;
  std::string port = device.Path();
  if (state.range(0) > 0) {
    server = std::make_unique<Server>(device.Path(), state.range(0) == 1 ? Server::Kind::RawTcp : Server::Kind::Rfc2217);
    port = server->Url();
  }
  state.SetLabel(state.range(0) == 0 ? "pty" : port.substr(0, port.find(':')));
  Connection connection(DevicePathPortFactory(port));
  connection.settings.protocol = Protocol::Torvalek;
  connection.settings.readTimeout = 200;
  if (!connection.Open().ok) {
    state.SkipWithError("cannot open the line");
    return;
  }
  std::vector<double> ms;
  int good = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const Reply outcome = connection.Read(Register{0x0100});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    ms.push_back(seconds * 1000);
    good += outcome.Ok() ? 1 : 0;
  }
  connection.Close();
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["max_ms"] = ms.back();
  state.counters["good_replies"] = good;
}
BENCHMARK(BM_ReadOneRegister)->Arg(0)->Arg(1)->Arg(2)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
