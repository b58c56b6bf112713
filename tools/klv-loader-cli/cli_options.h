#pragma once
// The command line of klv-loader-cli: the command, its file, and the
// connection options that override the settings file.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/texts.h"
#include "serial/comm_settings.h"

namespace klv::cli {

enum class Command { None, Help, Version, Defaults, Read, Write, Show, Compare, Set };

// What the connection options name; each is empty when not given.
struct ConnectionOptions {
  std::optional<int32_t> portNumber;  // COM1..COM24: 1..12, with plus12 for 13..24
  std::optional<int32_t> plus12;
  std::string devicePath;  // --port with a device path instead of COMn
  std::optional<int32_t> deviceAddress;  // the first of addresses
  std::vector<int32_t> addresses;        // --address 1-12,15: the units on the bus, in order
  std::optional<int32_t> speed;
  std::optional<int32_t> parity;  // 1 even, 2 none, 3 odd (as the settings file)
  std::optional<int32_t> stopBits;
  std::optional<int32_t> readTimeout;
  std::optional<Protocol> protocol;
  bool localEcho = false;  // --echo: the adapter echoes every byte sent
};

struct CommandLine {
  Command command = Command::None;
  ConnectionOptions connection;
  std::string file;    // read: --output; write, show and compare: the file argument
  bool json = false;   // show --json, compare --json
  bool verify = false; // write --verify: read every register written back
  bool changedOnly = false;  // write --changed-only: read first, write only what differs
  std::string report;  // write --report: the PDF of the unit as written and checked
  std::string note;    // write --note: the report's serial number or note
  bool help = false;   // COMMAND --help
  // set: its REG=VALUE arguments; write: its --set values. In the order given.
  std::vector<std::string> assignments;
  // Several units on one line: stop at the first that fails.
  bool stopOnFailure = false;

  // More than one unit: the command runs unit after unit on one line and
  // ends with a summary.
  bool OnBus() const { return connection.addresses.size() > 1; }
};

// "{address}" in a file name stands for each unit's address.
inline constexpr std::string_view kAddressPlaceholder = "{address}";
bool NamesAddress(std::string_view name);
// The name with every "{address}" replaced by the address as a plain number.
std::string ForAddress(std::string_view name, int32_t address);

struct ParsedCommandLine {
  std::optional<CommandLine> commandLine;  // empty on a usage error
  std::string error;                       // one line naming what is wrong
};

// args: the arguments after the program name. Options take their value as
// the next argument or after "=" ("--speed 19200" or "--speed=19200").
// Errors are in language.
ParsedCommandLine ParseCommandLine(std::span<const std::string> args, Language language = Language::English);

// port, address, speed, parity, stop-bits, timeout and protocol: the
// options that name the connection, for every command that connects.
bool IsConnectionOption(std::string_view name);
// echo: the connection option that takes no value.
bool IsConnectionFlag(std::string_view name);
// Takes one connection option's value into options; false with the error,
// in language, when the value is not one of the allowed ones (or the name is
// no connection option).
bool TakeConnectionOption(std::string_view name, std::string_view value, ConnectionOptions& options,
                          std::string& error, Language language);

// The settings with the options applied: given values replace stored ones.
// The protocol is TORVALEK unless --protocol names another: the windows set
// it on every connection, whatever the settings file holds.
CommSettings ApplyConnectionOptions(CommSettings settings, const ConnectionOptions& options);

// The text of --help, for the whole tool or one command.
std::string UsageText(Command command, Language language = Language::English);

}  // namespace klv::cli
