#include "cli_options.h"

#include <charconv>
#include <vector>

namespace klv::cli {
namespace {

std::optional<int32_t> Decimal(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// One "--name value" or "--name=value" option; false with an error when the
// value is missing or not one of the allowed ones.
bool TakeConnectionOption(std::string_view name, std::string_view value, ConnectionOptions& options,
                          std::string& error) {
  const auto refuse = [&](std::string_view allowed) {
    error = "--" + std::string(name) + ": '" + std::string(value) + "' is not " + std::string(allowed);
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
        value.size() > 3 && EqualsIgnoringCase(value.substr(0, 3), "COM") ? Decimal(value.substr(3)) : std::nullopt;
    if (!number || *number < 1 || *number > 24) return refuse("COM1..COM24 or a device path such as /dev/ttyUSB0");
    options.devicePath.clear();
    options.portNumber = *number > 12 ? *number - 12 : *number;
    options.plus12 = *number > 12 ? 1 : 0;
    return true;
  }
  if (name == "address") {
    const std::optional<int32_t> address = Decimal(value);
    if (!address || *address < 1 || *address > 99) return refuse("a device address from 1 to 99");
    options.deviceAddress = *address;
    return true;
  }
  if (name == "speed") {
    const std::optional<int32_t> speed = Decimal(value);
    if (!speed || (*speed != 9600 && *speed != 19200)) return refuse("9600 or 19200");
    options.speed = *speed;
    return true;
  }
  if (name == "parity") {
    if (value == "even") options.parity = 1;
    else if (value == "none") options.parity = 2;
    else if (value == "odd") options.parity = 3;
    else return refuse("even, none or odd");
    return true;
  }
  if (name == "stop-bits") {
    const std::optional<int32_t> bits = Decimal(value);
    if (!bits || (*bits != 1 && *bits != 2)) return refuse("1 or 2");
    options.stopBits = *bits;
    return true;
  }
  if (name == "timeout") {
    const std::optional<int32_t> timeout = Decimal(value);
    if (!timeout || (*timeout != 50 && *timeout != 100 && *timeout != 200)) return refuse("50, 100 or 200");
    options.readTimeout = *timeout;
    return true;
  }
  if (name == "protocol") {
    if (value == "torvalek") options.protocol = Protocol::Torvalek;
    else if (value == "rtu") options.protocol = Protocol::ModbusRtu;
    else if (value == "ascii") options.protocol = Protocol::ModbusAscii;
    else return refuse("torvalek, rtu or ascii");
    return true;
  }
  error = "unknown option --" + std::string(name);
  return false;
}

bool IsConnectionOption(std::string_view name) {
  return name == "port" || name == "address" || name == "speed" || name == "parity" || name == "stop-bits" ||
         name == "timeout" || name == "protocol";
}

std::optional<Command> CommandNamed(std::string_view name) {
  if (name == "read") return Command::Read;
  if (name == "write") return Command::Write;
  if (name == "show") return Command::Show;
  if (name == "defaults") return Command::Defaults;
  return std::nullopt;
}

ParsedCommandLine Refuse(std::string error) { return {std::nullopt, std::move(error)}; }

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  CommandLine line;
  if (args.empty()) return Refuse("no command given");
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
  if (!command) return Refuse("unknown command '" + first + "'");
  line.command = *command;

  const bool connects = line.command == Command::Read || line.command == Command::Write;
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
      return {line, {}};
    }
    if (arg == "--") {
      for (++i; i < args.size(); ++i) files.push_back(args[i]);
      break;
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      files.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2);
    std::optional<std::string> value;
    if (const std::size_t equals = name.find('='); equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    if (line.command == Command::Show && name == "json" && !value) {
      line.json = true;
      continue;
    }
    const bool takesValue = (connects && IsConnectionOption(name)) || (line.command == Command::Read && name == "output");
    if (!takesValue) return Refuse("unknown option --" + name + " for '" + first + "'");
    if (!value) {
      if (i + 1 >= args.size()) return Refuse("--" + name + " needs a value");
      value = args[++i];
    }
    if (name == "output") {
      if (value->empty()) return Refuse("--output needs a file name");
      line.file = *value;
      continue;
    }
    std::string error;
    if (!TakeConnectionOption(name, *value, line.connection, error)) return Refuse(error);
  }

  switch (line.command) {
    case Command::Read:
      if (!files.empty()) return Refuse("read takes no file argument; name the file with --output");
      if (line.file.empty()) return Refuse("read needs --output FILE.klv");
      break;
    case Command::Write:
    case Command::Show:
      if (files.size() != 1) return Refuse(first + " needs exactly one parameter file");
      line.file = files.front();
      break;
    default:
      if (!files.empty()) return Refuse(first + " takes no arguments");
      break;
  }
  return {line, {}};
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

std::string UsageText(Command command) {
  static constexpr std::string_view kConnection =
      "Connection options (what is not given comes from the settings file\n"
      "KlvTool.ini in the data folder, or its defaults; the file is not changed):\n"
      "  --port COMn|DEVICE    COM1..COM24 (as linked in the data folder's ports/)\n"
      "                        or a serial device path such as /dev/ttyUSB0\n"
      "  --address N           device address, 1..99\n"
      "  --speed 9600|19200    bits per second\n"
      "  --parity even|none|odd\n"
      "  --stop-bits 1|2\n"
      "  --timeout 50|100|200  read time-out in milliseconds\n"
      "  --protocol torvalek|rtu|ascii\n"
      "                        default torvalek, the regulators' own protocol\n";
  static constexpr std::string_view kExit =
      "\nExit status: 0 when at least one register was transferred, 1 when the\n"
      "transfer failed or was refused, 2 for a usage error or an unusable file or port.\n"
      "Every transfer writes comlog.txt in the data folder.\n";
  switch (command) {
    case Command::Read:
      return "Usage: klv-loader-cli read [OPTIONS] --output FILE.klv\n"
             "\n"
             "Reads every setup register of the connected regulator, identifying its\n"
             "model and options, and saves them as a parameter file.\n\n" +
             std::string(kConnection) + std::string(kExit);
    case Command::Write:
      return "Usage: klv-loader-cli write [OPTIONS] FILE.klv\n"
             "\n"
             "Writes the parameter file to the connected regulator after checking that\n"
             "its model, options and (KLV40) control input type match the file. Why a\n"
             "write was refused is printed on standard error.\n\n" +
             std::string(kConnection) + std::string(kExit);
    case Command::Show:
      return "Usage: klv-loader-cli show FILE.klv [--json]\n"
             "\n"
             "Shows the model, the option words and every parameter the model uses,\n"
             "with its screen caption, value and meaning.\n"
             "Exit status: 0, or 2 when the file cannot be opened or is not a parameter file.\n";
    case Command::Defaults:
      return "Usage: klv-loader-cli defaults\n"
             "\n"
             "Shows the default parameter set of the model stored in the settings file.\n";
    default:
      break;
  }
  return "Usage: klv-loader-cli COMMAND [OPTIONS]\n"
         "\n"
         "Commands:\n"
         "  read [OPTIONS] --output FILE.klv   read the regulator into a parameter file\n"
         "  write [OPTIONS] FILE.klv           write a parameter file to the regulator\n"
         "  show FILE.klv [--json]             show a parameter file\n"
         "  defaults                           show the default parameter set of the\n"
         "                                     model stored in the settings file\n"
         "\n" +
         std::string(kConnection) +
         "\n"
         "  --help                show this text (COMMAND --help: that command's)\n"
         "  --version             show the version\n" +
         std::string(kExit) +
         "\n"
         "Messages are in Japanese when the locale (LC_ALL, LC_MESSAGES, LANG) is\n"
         "Japanese, in English otherwise. On a terminal a progress bar is drawn on\n"
         "standard error while a transfer runs.\n";
}

}  // namespace klv::cli
