// klv-sim: a simulated regulator on a pseudo-terminal or a serial device.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
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

unsigned long long ExchangeCount(const std::vector<std::unique_ptr<klv::sim::SimulatedRegulator>>& regulators) {
  unsigned long long count = 0;
  for (const auto& regulator : regulators) count += regulator->ExchangeCount();
  return count;
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

  std::string error;
  const std::vector<std::unique_ptr<klv::sim::SimulatedRegulator>> regulators =
      klv::sim::MakeRegulators(options, klv::SystemClock(), error);
  if (regulators.empty()) {
    std::fprintf(stderr, "klv-sim: %s\n", error.c_str());
    return 2;
  }

  klv::sim::SimServer server(*regulators.front());
  for (std::size_t i = 1; i < regulators.size(); ++i) server.AddRegulator(*regulators[i]);
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
  std::string served;
  for (const auto& regulator : regulators) {
    const klv::sim::SimConfig& config = regulator->Config();
    if (!served.empty()) served += ", ";
    served += std::string(klv::ModelName(config.model)) + " at address " + std::to_string(config.deviceAddress);
    if (klv::sim::IsSilent(options, config.deviceAddress)) served += " (silent)";
  }
  std::fprintf(stderr, "klv-sim: %s, %s, on %s\n", served.c_str(), ProtocolName(options.config.protocol),
               server.Path().c_str());

  const klv::sim::ServeEnd end = server.Serve(STDIN_FILENO);
  g_server = nullptr;
  switch (end) {
    case klv::sim::ServeEnd::HungUp:
      std::fprintf(stderr, "klv-sim: line closed (hang-up fault) after %llu exchanges\n",
                   static_cast<unsigned long long>(ExchangeCount(regulators)));
      return 0;
    case klv::sim::ServeEnd::LineLost:
      std::fprintf(stderr, "klv-sim: the line went away\n");
      return 1;
    default:
      return 0;
  }
}
