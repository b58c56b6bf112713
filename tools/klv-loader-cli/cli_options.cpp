#include "cli_options.h"

#include <charconv>
#include <vector>

#include "common/address_list.h"
#include "common/argument_reader.h"
#include "common/named_value.h"
#include "text/ascii_case.h"
#include "cli_texts.h"
#include "commands.h"

namespace klv::cli {

using tools::Argument;
using tools::ArgumentReader;

namespace {

std::optional<int32_t> Decimal(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

constexpr tools::NamedValue<int32_t> kParities[] = {{"even", 1}, {"none", 2}, {"odd", 3}};
constexpr tools::NamedValue<Protocol> kProtocols[] = {
    {"torvalek", Protocol::Torvalek}, {"rtu", Protocol::ModbusRtu}, {"ascii", Protocol::ModbusAscii}};

std::optional<Command> CommandNamed(std::string_view name) {
  if (name == "read") return Command::Read;
  if (name == "write") return Command::Write;
  if (name == "show") return Command::Show;
  if (name == "defaults") return Command::Defaults;
  if (name == "compare") return Command::Compare;
  if (name == "set") return Command::Set;
  return std::nullopt;
}

ParsedCommandLine Refuse(std::string error) { return {std::nullopt, std::move(error)}; }

}  // namespace

bool TakeConnectionOption(std::string_view name, std::string_view value, ConnectionOptions& options,
                          std::string& error, Language language) {
  const auto refuse = [&](CliTextId allowed) {
    error = CliText(CliTextId::NotAllowed, language, {name, value, CliText(allowed, language)});
    return false;
  };
  if (name == "port") {
    if (value.find('/') != std::string_view::npos) {
      options.devicePath = std::string(value);
      options.portNumber.reset();
      options.plus12.reset();
      return true;
    }
    const std::optional<int32_t> number =
        value.size() > 3 && EqualsIgnoringAsciiCase(value.substr(0, 3), "COM") ? Decimal(value.substr(3)) : std::nullopt;
    if (!number || *number < 1 || *number > 24) return refuse(CliTextId::AllowedPort);
    options.devicePath.clear();
    options.portNumber = *number > 12 ? *number - 12 : *number;
    options.plus12 = *number > 12 ? 1 : 0;
    return true;
  }
  if (name == "address") {
    std::optional<std::vector<int32_t>> addresses = tools::ParseAddressList(value);
    if (!addresses) return refuse(CliTextId::AllowedAddresses);
    options.deviceAddress = addresses->front();
    options.addresses = std::move(*addresses);
    return true;
  }
  if (name == "speed") {
    const std::optional<int32_t> speed = Decimal(value);
    if (!speed || (*speed != 9600 && *speed != 19200)) return refuse(CliTextId::AllowedSpeed);
    options.speed = *speed;
    return true;
  }
  if (name == "parity") {
    const std::optional<int32_t> parity = tools::ValueNamed(value, kParities);
    if (!parity) return refuse(CliTextId::AllowedParity);
    options.parity = *parity;
    return true;
  }
  if (name == "stop-bits") {
    const std::optional<int32_t> bits = Decimal(value);
    if (!bits || (*bits != 1 && *bits != 2)) return refuse(CliTextId::AllowedStopBits);
    options.stopBits = *bits;
    return true;
  }
  if (name == "timeout") {
    const std::optional<int32_t> timeout = Decimal(value);
    if (!timeout || (*timeout != 50 && *timeout != 100 && *timeout != 200)) return refuse(CliTextId::AllowedTimeout);
    options.readTimeout = *timeout;
    return true;
  }
  if (name == "protocol") {
    const std::optional<Protocol> protocol = tools::ValueNamed(value, kProtocols);
    if (!protocol) return refuse(CliTextId::AllowedProtocol);
    options.protocol = *protocol;
    return true;
  }
  error = CliText(CliTextId::UnknownOption, language, {name});
  return false;
}

bool IsConnectionFlag(std::string_view name) { return name == "echo"; }

bool IsConnectionOption(std::string_view name) {
  return name == "port" || name == "address" || name == "speed" || name == "parity" || name == "stop-bits" ||
         name == "timeout" || name == "protocol";
}

ParsedCommandLine ParseCommandLine(std::span<const std::string> args, Language language) {
  CommandLine line;
  if (args.empty()) return Refuse(CliText(CliTextId::NoCommand, language));
  const std::string& first = args[0];
  if (first == "--help" || first == "-h") {
    line.command = Command::Help;
    return {line, {}};
  }
  if (first == "--version") {
    line.command = Command::Version;
    return {line, {}};
  }
  const std::optional<Command> command = CommandNamed(first);
  if (!command) return Refuse(CliText(CliTextId::UnknownCommand, language, {first}));
  line.command = *command;

  const bool connects =
      line.command == Command::Read || line.command == Command::Write || line.command == Command::Compare;
  std::vector<std::string> files;
  ArgumentReader reader(args.subspan(1));
  while (const std::optional<Argument> arg = reader.Next()) {
    if (arg->kind == Argument::Kind::Help) {
      line.help = true;
      return {line, {}};
    }
    if (arg->kind == Argument::Kind::Plain) {
      files.push_back(arg->text);
      continue;
    }
    const std::string& name = arg->text;
    if ((line.command == Command::Show || connects) && name == "json" && !arg->value) {
      line.json = true;
      continue;
    }
    if (connects && name == "stop-on-failure" && !arg->value) {
      line.stopOnFailure = true;
      continue;
    }
    if (connects && IsConnectionFlag(name) && !arg->value) {
      line.connection.localEcho = true;
      continue;
    }
    if (line.command == Command::Write && name == "verify" && !arg->value) {
      line.verify = true;
      continue;
    }
    if (line.command == Command::Write && name == "changed-only" && !arg->value) {
      line.changedOnly = true;
      continue;
    }
    const bool takesValue = (connects && IsConnectionOption(name)) || (line.command == Command::Read && name == "output") ||
                            (line.command == Command::Write && (name == "report" || name == "note" || name == "set"));
    if (!takesValue) return Refuse(CliText(CliTextId::UnknownOptionFor, language, {name, first}));
    const std::optional<std::string> value = reader.ValueOf(*arg);
    if (!value) return Refuse(CliText(CliTextId::NeedsValue, language, {name}));
    if (name == "output") {
      if (value->empty()) return Refuse(CliText(CliTextId::NeedsFileName, language, {"output"}));
      line.file = *value;
      continue;
    }
    if (name == "report") {
      if (value->empty()) return Refuse(CliText(CliTextId::NeedsFileName, language, {"report"}));
      line.report = *value;
      continue;
    }
    if (name == "note") {
      line.note = *value;
      continue;
    }
    if (name == "set") {
      line.assignments.push_back(*value);
      continue;
    }
    std::string error;
    if (!TakeConnectionOption(name, *value, line.connection, error, language)) return Refuse(error);
  }

  // read and write print a summary only for several units.
  if (line.json && (line.command == Command::Read || line.command == Command::Write) && !line.OnBus()) {
    return Refuse(CliText(CliTextId::UnknownOptionFor, language, {"json", first}));
  }
  switch (line.command) {
    case Command::Read:
      if (!files.empty()) return Refuse(CliText(CliTextId::ReadTakesNoFile, language));
      if (line.file.empty()) return Refuse(CliText(CliTextId::ReadNeedsOutput, language));
      if (line.connection.addresses.size() > 1 && !NamesAddress(line.file)) {
        return Refuse(CliText(CliTextId::BusOutputNeedsAddress, language, {"output", line.file}));
      }
      break;
    case Command::Write:
      // The report records what was checked: without the read-back there is nothing to vouch for.
      if (!line.report.empty() && !line.verify) return Refuse(CliText(CliTextId::OptionNeedsOption, language, {"report", "verify"}));
      if (!line.note.empty() && line.report.empty()) return Refuse(CliText(CliTextId::OptionNeedsOption, language, {"note", "report"}));
      if (!line.report.empty() && line.connection.addresses.size() > 1 && !NamesAddress(line.report)) {
        return Refuse(CliText(CliTextId::BusOutputNeedsAddress, language, {"report", line.report}));
      }
      [[fallthrough]];
    case Command::Show:
    case Command::Compare:
      if (files.size() != 1) return Refuse(CliText(CliTextId::NeedsOneFile, language, {first}));
      line.file = files.front();
      break;
    case Command::Set:
      // The file, then what to change in it.
      if (files.size() < 2) return Refuse(CliText(CliTextId::SetNeedsAssignment, language));
      line.file = files.front();
      line.assignments.assign(files.begin() + 1, files.end());
      break;
    default:
      if (!files.empty()) return Refuse(CliText(CliTextId::TakesNoArguments, language, {first}));
      break;
  }
  return {line, {}};
}

bool NamesAddress(std::string_view name) { return name.find(kAddressPlaceholder) != std::string_view::npos; }

std::string ForAddress(std::string_view name, int32_t address) {
  std::string named(name);
  const std::string number = std::to_string(address);
  for (std::size_t at = named.find(kAddressPlaceholder); at != std::string::npos;
       at = named.find(kAddressPlaceholder, at + number.size())) {
    named.replace(at, kAddressPlaceholder.size(), number);
  }
  return named;
}

CommSettings ApplyConnectionOptions(CommSettings settings, const ConnectionOptions& options) {
  if (options.portNumber) settings.portNumber = *options.portNumber;
  if (options.plus12) settings.plus12 = *options.plus12;
  if (options.deviceAddress) settings.deviceAddress = *options.deviceAddress;
  if (options.speed) settings.speed = *options.speed;
  if (options.parity) settings.parity = *options.parity;
  if (options.stopBits) settings.stopBits = *options.stopBits;
  if (options.readTimeout) settings.readTimeout = *options.readTimeout;
  settings.protocol = options.protocol.value_or(Protocol::Torvalek);
  return settings;
}

std::string UsageText(Command command, Language language) {
  const std::string connection = CliText(CliTextId::UsageConnection, language);
  const std::string exit = CliText(CliTextId::UsageExit, language);
  const std::string bus = CliText(CliTextId::UsageBus, language);
  switch (command) {
    case Command::Read: return CliText(CliTextId::UsageRead, language) + connection + exit + bus;
    case Command::Write: return CliText(CliTextId::UsageWrite, language) + connection + exit + bus;
    case Command::Show: return CliText(CliTextId::UsageShow, language);
    case Command::Set: return CliText(CliTextId::UsageSet, language);
    case Command::Compare: return CliText(CliTextId::UsageCompare, language) + connection + bus;
    case Command::Defaults: return CliText(CliTextId::UsageDefaults, language);
    default: break;
  }
  // Every command in the list, every exit status below it.
  const std::string moreCommands = MonitorUsageSummary(language) + ScanUsageSummary(language) + ReportUsageSummary(language);
  return CliText(CliTextId::UsageGeneral, language, {moreCommands, connection, CliText(CliTextId::UsageExitAll, language)});
}

}  // namespace klv::cli
