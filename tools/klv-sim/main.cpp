// klv-sim: a simulated regulator on a pseudo-terminal or a serial device.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "klv-sim/command_line.h"
#include "sim/sim_server.h"
#include "model/model_kind.h"
#include "platform/clock.h"

namespace {

klv::sim::SimServer* g_server = nullptr;

void OnStopSignal(int) {
  if (g_server != nullptr) g_server->RequestStop();
}

const char* ProtocolName(klv::Protocol protocol) {
  switch (protocol) {
    case klv::Protocol::ModbusRtu:
      return "rtu";
    case klv::Protocol::ModbusAscii:
      return "ascii";
    default:
      return "torvalek";
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const klv::sim::ParsedCommandLine parsed = klv::sim::ParseCommandLine(args);
  if (!parsed.options) {
    std::fprintf(stderr, "klv-sim: %s\nTry 'klv-sim --help'.\n", parsed.error.c_str());
    return 2;
  }
  const klv::sim::SimOptions& options = *parsed.options;
  if (options.help) {
    std::fputs(klv::sim::UsageText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("klv-sim %s\n", KLV_VERSION);
    return 0;
  }

  klv::sim::SimulatedRegulator regulator(options.config, klv::SystemClock());
  for (const auto& [reg, value] : options.presets) {
    if (regulator.Preset(reg, value) != klv::sim::Refusal::None) {
      std::fprintf(stderr, "klv-sim: --set %04X=%d: no such register on this device, or outside its limits\n",
                   reg.Number(), value);
      return 2;
    }
  }
  regulator.SetFaultPlan(options.faults);

  klv::sim::SimServer server(regulator);
  std::string error;
  const bool opened = options.device.empty() ? server.OpenPseudoTerminal(error)
                                             : server.OpenDevice(options.device, options.line, error);
  if (!opened) {
    std::fprintf(stderr, "klv-sim: %s\n", error.c_str());
    return 1;
  }

  server.SetLocalEcho(options.localEcho);
  g_server = &server;
  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGHUP, &stop, nullptr);
  // A background job must not be stopped for touching its terminal, nor end
  // on a closed pipe.
  signal(SIGTTIN, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);

  if (options.device.empty()) {
    std::printf("%s\n", server.Path().c_str());
    std::fflush(stdout);
  }
  std::fprintf(stderr, "klv-sim: %s at address %d, %s, on %s\n",
               std::string(klv::ModelName(options.config.model)).c_str(), options.config.deviceAddress,
               ProtocolName(options.config.protocol), server.Path().c_str());

  const klv::sim::ServeEnd end = server.Serve(STDIN_FILENO);
  g_server = nullptr;
  switch (end) {
    case klv::sim::ServeEnd::HungUp:
      std::fprintf(stderr, "klv-sim: line closed (hang-up fault) after %llu exchanges\n",
                   static_cast<unsigned long long>(regulator.ExchangeCount()));
      return 0;
    case klv::sim::ServeEnd::LineLost:
      std::fprintf(stderr, "klv-sim: the line went away\n");
      return 1;
    default:
      return 0;
  }
}
