// scan: finds regulators whose port, line settings or address are not known.
// Each port is tried at the line of the settings file first (its address
// first), then at the other line settings; what answers is listed as a
// table, or as JSON with --json. All ports are scanned at once; on a terminal
// a progress line per port is redrawn on standard error.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/argument_reader.h"
#include "cli_options.h"
#include "cli_texts.h"
#include "commands.h"
#include "device/regulator_scan.h"
#include "editor/parameter_description.h"  // DisplayWidth
#include "environment.h"
#include "json_text.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "serial/line_settings.h"
#include "serial/serial_devices.h"
#include "serial/port_device.h"
#include "system_services.h"

namespace klv::cli {

using tools::Argument;
using tools::ArgumentReader;
using tools::ParsedLine;

namespace {


struct ScanCommandLine {
  ConnectionOptions connection;
  std::vector<std::string> ports;  // as given: COMn or a device path
  bool quick = false;
  bool first = false;
  bool json = false;
  bool help = false;
};

using ParsedScanLine = ParsedLine<ScanCommandLine>;

ParsedScanLine ParseScanLine(std::span<const std::string> args, Language language) {
  ScanCommandLine line;
  ArgumentReader reader(args);
  while (const std::optional<Argument> arg = reader.Next()) {
    if (arg->kind == Argument::Kind::Help) {
      line.help = true;
      return {line, {}};
    }
    if (arg->kind == Argument::Kind::Plain) return ParsedScanLine::Refuse(CliText(CliTextId::TakesNoArguments, language, {"scan"}));
    const std::string& name = arg->text;
    if (!arg->value && (name == "quick" || name == "first" || name == "json")) {
      (name == "quick" ? line.quick : name == "first" ? line.first : line.json) = true;
      continue;
    }
    if (!IsConnectionOption(name)) return ParsedScanLine::Refuse(CliText(CliTextId::UnknownOptionFor, language, {name, "scan"}));
    const std::optional<std::string> value = reader.ValueOf(*arg);
    if (!value) return ParsedScanLine::Refuse(CliText(CliTextId::NeedsValue, language, {name}));
    std::string error;
    if (name == "port") {
      // Checked as the transfer commands check theirs and kept as given: the
      // scan goes through every port named.
      ConnectionOptions checked;
      if (!TakeConnectionOption(name, *value, checked, error, language)) return ParsedScanLine::Refuse(error);
      line.ports.push_back(*value);
    } else if (!TakeConnectionOption(name, *value, line.connection, error, language)) {
      return ParsedScanLine::Refuse(error);
    }
  }
  return {line, {}};
}

// "COM3 (/dev/ttyUSB0)" for a COM number, the path itself for a device.
ScanPort PortNamed(const std::string& given, const std::filesystem::path& dataFolder, Language language) {
  ConnectionOptions options;
  std::string error;
  if (!TakeConnectionOption("port", given, options, error, language) || !options.devicePath.empty()) {
    return {given, given};
  }
  const int32_t number = *options.portNumber + (options.plus12.value_or(0) != 0 ? 12 : 0);
  const std::filesystem::path device = ResolvePortDevice(number, dataFolder);
  return {device, PortName(number) + " (" + device.string() + ")"};
}

// The chooser's devices; before them the settings' COM port when a link
// points it at a device (a COM number without a link reaches an on-board
// ttyS, which the chooser leaves out too).
std::vector<ScanPort> DefaultPorts(const CommSettings& settings, const std::filesystem::path& dataFolder) {
  std::vector<ScanPort> ports;
  const int32_t number = settings.PortInUse();
  const std::filesystem::path linked = ResolvePortDevice(number, dataFolder);
  const bool hasLink = !dataFolder.empty() && linked.parent_path() == dataFolder / std::string(kPortsFolderName);
  std::error_code ignored;
  const std::filesystem::path target = hasLink ? std::filesystem::canonical(linked, ignored) : std::filesystem::path{};
  if (hasLink) ports.push_back({linked, PortName(number) + " (" + linked.string() + ")"});
  for (const std::filesystem::path& device : FindSerialDevices()) {
    if (hasLink && std::filesystem::canonical(device, ignored) == target) continue;
    ports.push_back({device, device.string()});
  }
  return ports;
}

std::string ModelText(const FoundRegulator& found) {
  if (found.model) return std::string(ModelName(*found.model));
  if (!found.codeRegister) return "??";
  char code[8];
  std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(static_cast<uint16_t>(found.code)));
  return "?? (" + found.codeRegister->Text() + "=" + code + ")";
}

std::string OptionText(const FoundRegulator& found, Language language) {
  if (!found.model || !found.optionsComplete) return CliText(CliTextId::ScanOptionsUnknown, language);
  const std::vector<std::string> names = FoundOptionNames(found, language);
  if (names.empty()) return CliText(CliTextId::ScanNoOptions, language);
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t used = DisplayWidth(text);
  return used >= width ? text + "  " : text + std::string(width - used + 2, ' ');
}

std::string_view ParityWord(int32_t parity) { return parity == 1 ? "even" : parity == 2 ? "none" : "odd"; }
std::string_view ProtocolWord(Protocol protocol) {
  return protocol == Protocol::ModbusRtu ? "rtu" : protocol == Protocol::ModbusAscii ? "ascii" : "torvalek";
}

std::string Json(const std::vector<FoundRegulator>& found, Language language) {
  std::string out = "[";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const FoundRegulator& f = found[i];
    out += std::string(i ? "," : "") + "\n  {\"port\": " + JsonString(f.port.device.string()) +
           ", \"speed\": " + std::to_string(f.line.speed) + ", \"parity\": " + JsonString(ParityWord(f.line.parity)) +
           ", \"stopBits\": " + std::to_string(f.line.stopBits) +
           ", \"protocol\": " + JsonString(ProtocolWord(f.line.protocol)) + ", \"address\": " + std::to_string(f.address) +
           ", \"echo\": " + (f.localEcho ? "true" : "false") +
           ", \"model\": " + (f.model ? JsonString(ModelName(*f.model)) : std::string("null")) + ", \"options\": ";
    if (f.model && f.optionsComplete) {
      out += "[";
      const std::vector<FoundOption> options = FoundOptions(f, language);
      for (std::size_t n = 0; n < options.size(); ++n) {
        out += std::string(n ? ", " : "") + "{\"key\": " + JsonString(options[n].key) +
               ", \"name\": " + JsonString(options[n].name) + "}";
      }
      out += "]";
    } else {
      out += "null";
    }
    out += "}";
  }
  return out + (found.empty() ? "]\n" : "\n]\n");
}

std::string Table(const std::vector<FoundRegulator>& found, Language language) {
  std::size_t portWidth = DisplayWidth(CliText(CliTextId::ScanPortHeading, language));
  for (const FoundRegulator& f : found) portWidth = std::max(portWidth, DisplayWidth(f.port.name));
  constexpr std::size_t kLineWidth = 22;  // "19200 EVEN 2 TORVALEK"
  const std::string line = CliText(CliTextId::ScanLineHeading, language);
  const std::string model(Text(TextId::ModelCaption, language));
  const std::string options(Text(TextId::OptionsCaption, language));
  std::string out = Padded(CliText(CliTextId::ScanPortHeading, language), portWidth) + Padded(line, kLineWidth) +
                    Padded(CliText(CliTextId::ScanAddressHeading, language), 8) +
                    Padded(CliText(CliTextId::ScanEchoHeading, language), 8) + Padded(model, 8) + options + "\n";
  for (const FoundRegulator& f : found) {
    out += Padded(f.port.name, portWidth) + Padded(ScanLineText(f.line), kLineWidth) +
           Padded(std::to_string(f.address), 8) +
           Padded(CliText(f.localEcho ? CliTextId::ScanEchoOn : CliTextId::ScanEchoOff, language), 8) + Padded(ModelText(f), 8) + OptionText(f, language) + "\n";
  }
  return out;
}

}  // namespace

std::string ScanUsageSummary(Language language) { return CliText(CliTextId::ScanSummary, language); }

int RunScanCommand(std::span<const std::string> args) {
  const Language language = LocaleLanguage();
  const ParsedScanLine parsed = ParseScanLine(args, language);
  if (!parsed.line) return RefuseUsage(parsed.error, language);
  const ScanCommandLine& line = *parsed.line;
  if (line.help) {
    std::fputs(CliText(CliTextId::ScanUsage, language).c_str(), stdout);
    return kExitSuccess;
  }

  const Environment environment = LoadEnvironment(language);
  if (!environment.settingsWarning.empty()) PrintError(environment.settingsWarning);
  ScanPlan plan;
  plan.current = ApplyConnectionOptions(environment.settings, line.connection);
  plan.protocols = {plan.current.protocol};
  plan.replyTimeout = std::chrono::milliseconds(line.connection.readTimeout.value_or(50));
  plan.askSeriesOneCodeWhenSilent = !line.quick;
  plan.stopAtFirst = line.first;
  for (const std::string& port : line.ports) plan.ports.push_back(PortNamed(port, environment.dataFolder, language));
  if (line.ports.empty()) plan.ports = DefaultPorts(plan.current, environment.dataFolder);
  if (plan.ports.empty()) {
    PrintError(CliText(CliTextId::ScanNoPorts, language));
    return kExitUnusable;
  }

  const bool drawProgress = IsTerminal(stderr);
  // The block of progress lines, one per port, as last drawn.
  std::vector<std::string> portLines;
  for (const ScanPort& port : plan.ports) portLines.push_back("  0%  " + port.name);
  bool progressShown = false;
  // Back to the block's first line.
  const auto toBlockStart = [&] {
    const std::string up = portLines.size() > 1 ? "\x1b[" + std::to_string(portLines.size() - 1) + "A" : "";
    std::fputs((up + "\r").c_str(), stderr);
  };
  const auto endProgressLine = [&] {
    if (!progressShown) return;
    toBlockStart();
    std::fputs(portLines.size() > 1 ? "\x1b[J" : "\x1b[K", stderr);
    progressShown = false;
  };
  ScanCallbacks callbacks;
  CatchStopRequests();
  callbacks.cancelRequested = [] { return StopRequested(); };
  if (drawProgress) {
    callbacks.progress = [&](const ScanProgress& progress) {
      char percent[8];
      std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(progress.portFraction * 100));
      portLines[progress.portIndex] = std::string(percent) + "  " + progress.port.name + "  " +
                                      ScanLineText(progress.line) + "  " + CliText(CliTextId::ScanTrying, language) + " " +
                                      std::to_string(progress.address);
      if (progressShown) toBlockStart();
      std::string block;
      for (std::size_t i = 0; i < portLines.size(); ++i) block += (i ? "\n\r" : "\r") + portLines[i] + "\x1b[K";
      std::fputs(block.c_str(), stderr);
      std::fflush(stderr);
      progressShown = true;
    };
  }
  callbacks.trouble = [&](const ScanTrouble& trouble) {
    endProgressLine();
    std::string message = trouble.message;
    // One line: the failure, then its cause.
    for (char& c : message) {
      if (c == '\n') c = ' ';
    }
    PrintError(trouble.line
                   ? CliText(CliTextId::ScanLineTrouble, language, {trouble.port.name, ScanLineText(*trouble.line), message})
                   : trouble.port.name + ": " + message);
  };

  const ScanReport report = ScanForRegulators(plan, MakeSystemSerialPort, SystemClock(), language, callbacks);
  endProgressLine();

  if (line.json) {
    std::fputs(Json(report.found, language).c_str(), stdout);
  } else if (report.found.empty()) {
    std::puts(CliText(CliTextId::ScanNoneFound, language).c_str());
  } else {
    std::fputs(Table(report.found, language).c_str(), stdout);
  }
  if (drawProgress) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", std::chrono::duration<double>(report.elapsed).count());
    PrintError(CliText(CliTextId::ScanTook, language, {seconds}));
  }
  if (!report.found.empty()) return kExitSuccess;
  std::size_t unusable = 0;
  for (const ScanTrouble& trouble : report.troubles) unusable += trouble.line ? 0 : 1;
  return unusable == plan.ports.size() ? kExitUnusable : kExitNothingFound;
}

}  // namespace klv::cli
