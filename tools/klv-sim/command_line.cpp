#include "klv-sim/command_line.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "common/address_list.h"
#include "common/argument_reader.h"
#include "common/named_value.h"

namespace klv::sim {

namespace {

using tools::Argument;
using tools::ArgumentReader;
using tools::NamedValue;
using tools::ValueNamed;

// What a refused value should have been; nothing once the value is taken.
using Expected = std::optional<std::string>;

// A whole integer: decimal with an optional "-", or hexadecimal after "0x".
std::optional<long long> ParseInteger(std::string_view text) {
  int base = 10;
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<long long> ParseInRange(std::string_view text, long long low, long long high) {
  const auto value = ParseInteger(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

// "REG" or "*"; no register means every register.
bool ParseRegisterOrAll(std::string_view text, std::optional<Register>& reg) {
  if (text == "*") {
    reg.reset();
    return true;
  }
  reg = ParseRegister(text);
  return reg.has_value();
}

constexpr long long kMaxMilliseconds = 600'000;

constexpr NamedValue<ModelKind> kModels[] = {
    {"klv40", ModelKind::Klv40}, {"klv30", ModelKind::Klv30}, {"klv30e", ModelKind::Klv30E}};
constexpr NamedValue<Protocol> kProtocols[] = {
    {"torvalek", Protocol::Torvalek}, {"rtu", Protocol::ModbusRtu}, {"ascii", Protocol::ModbusAscii}};
constexpr NamedValue<Parity> kParities[] = {{"even", Parity::Even}, {"none", Parity::None}, {"odd", Parity::Odd}};

// The simulated device: model, options, address and start-up values.
constexpr std::string_view kDeviceOptions[] = {"model", "options", "detect", "address", "unit",
                                               "silent-address", "mode",  "input-type", "input", "set"};
// The serial line the device sits on.
constexpr std::string_view kLineOptions[] = {"protocol", "device", "speed", "parity", "stop-bits", "data-bits"};
// Faults for one register (or every one): "--KIND REG" or "--KIND REG:MS".
constexpr std::string_view kRegisterFaults[] = {"silent", "error", "late", "split", "noise", "hangup", "under",
                                                "over", "bad-check", "other-address", "junk", "short", "stuck",
                                                "twice"};
// Faults by count or for every request.
constexpr std::string_view kExchangeFaults[] = {"late-all", "fail-after", "hangup-after"};

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::string_view (&names)[N]) {
  for (const std::string_view known : names) {
    if (known == name) return true;
  }
  return false;
}

bool IsKnown(std::string_view name) {
  return IsOneOf(name, kDeviceOptions) || IsOneOf(name, kLineOptions) || IsOneOf(name, kRegisterFaults) ||
         IsOneOf(name, kExchangeFaults);
}

// --unit ADDRESS[:MODEL[:OPTIONS]].
Expected TakeUnit(std::string_view text, SimOptions& options) {
  constexpr const char* kForm = "ADDRESS[:MODEL[:OPTIONS]], e.g. 2:KLV30 or 3:KLV40:9";
  SimUnit unit;
  const auto first = text.find(':');
  const auto address = ParseInRange(text.substr(0, first), 1, 99);
  if (!address) return kForm;
  unit.address = static_cast<int>(*address);
  if (first != std::string_view::npos) {
    std::string_view rest = text.substr(first + 1);
    const auto second = rest.find(':');
    const auto model = ValueNamed(rest.substr(0, second), kModels);
    if (!model) return kForm;
    unit.model = *model;
    if (second != std::string_view::npos) {
      const auto bits = ParseInRange(rest.substr(second + 1), 0, 15);
      if (!bits) return kForm;
      unit.options = static_cast<uint16_t>(*bits);
    }
  }
  options.units.push_back(unit);
  return std::nullopt;
}

Expected TakeDeviceOption(std::string_view name, const std::string& text, SimOptions& options) {
  if (name == "model") {
    const auto model = ValueNamed(text, kModels);
    if (!model) return "KLV40, KLV30 or KLV30E";
    options.config.model = *model;
  } else if (name == "options") {
    const auto n = ParseInRange(text, 0, 15);
    if (!n) return "option bits 0..15";
    options.config.options = static_cast<uint16_t>(*n);
  } else if (name == "detect") {
    const auto n = ParseInRange(text, 0, 1);
    if (!n) return "0 or 1";
    options.config.detect = *n == 1;
  } else if (name == "address") {
    const auto list = tools::ParseAddressList(text);
    if (!list) return "device addresses 1..99, a list such as 1-3,7";
    if (!options.addressGiven) options.addresses.clear();
    options.addressGiven = true;
    for (const int32_t address : *list) {
      if (std::find(options.addresses.begin(), options.addresses.end(), address) == options.addresses.end()) {
        options.addresses.push_back(address);
      }
    }
    options.config.deviceAddress = options.addresses.front();
  } else if (name == "unit") {
    return TakeUnit(text, options);
  } else if (name == "silent-address") {
    const auto list = tools::ParseAddressList(text);
    if (!list) return "device addresses 1..99, a list such as 2 or 2,5";
    options.silentAddresses.insert(options.silentAddresses.end(), list->begin(), list->end());
  } else if (name == "mode") {
    const auto n = ParseInRange(text, 0, 6);
    if (!n) return "a control mode 0..6";
    options.config.controlMode = static_cast<int16_t>(*n);
  } else if (name == "input-type") {
    const auto n = ParseInRange(text, -32768, 32767);
    if (!n) return "a number (4 = current input)";
    options.config.controlInputType = static_cast<int16_t>(*n);
  } else if (name == "input") {
    const auto n = ParseInRange(text, -32768, 32767);
    if (!n) return "a control input in 0.1 %";
    options.config.controlInput = static_cast<int16_t>(*n);
  } else {  // set
    const auto eq = text.find('=');
    const auto reg = eq == std::string::npos ? std::nullopt : ParseRegister(std::string_view(text).substr(0, eq));
    const auto n = eq == std::string::npos ? std::nullopt
                                           : ParseInRange(std::string_view(text).substr(eq + 1), -32768, 65535);
    if (!reg || !n) return "REG=VALUE (REG hex, VALUE -32768..65535 or 0x hex)";
    options.presets.emplace_back(*reg, static_cast<int16_t>(static_cast<uint16_t>(*n & 0xFFFF)));
  }
  return std::nullopt;
}

Expected TakeLineOption(std::string_view name, const std::string& text, SimOptions& options) {
  if (name == "protocol") {
    const auto protocol = ValueNamed(text, kProtocols);
    if (!protocol) return "torvalek, rtu or ascii";
    options.config.protocol = *protocol;
  } else if (name == "device") {
    if (text.empty()) return "a device path";
    options.device = text;
  } else if (name == "speed") {
    const auto n = ParseInRange(text, 1, 4'000'000);
    if (!n) return "bits per second";
    options.line.speed = static_cast<int32_t>(*n);
  } else if (name == "parity") {
    const auto parity = ValueNamed(text, kParities);
    if (!parity) return "even, none or odd";
    options.line.parity = *parity;
  } else if (name == "stop-bits") {
    const auto n = ParseInRange(text, 1, 2);
    if (!n) return "1 or 2";
    options.line.stopBits = static_cast<int>(*n);
  } else {  // data-bits
    const auto n = ParseInRange(text, 7, 8);
    if (!n) return "7 or 8";
    options.line.dataBits = static_cast<int>(*n);
  }
  return std::nullopt;
}

// --fail-after N:KIND or N:KIND:MS.
Expected TakeFailAfter(std::string_view all, FaultPlan& faults) {
  const auto colon = all.find(':');
  if (colon == std::string_view::npos) return "N:KIND[:MS]";
  const auto n = ParseInRange(all.substr(0, colon), 0, 1'000'000'000);
  std::string_view rest = all.substr(colon + 1);
  std::string_view timeText;
  if (const auto second = rest.find(':'); second != std::string_view::npos) {
    timeText = rest.substr(second + 1);
    rest = rest.substr(0, second);
  }
  const auto kind = ParseFaultKind(rest);
  if (!n || !kind) {
    return "N:KIND[:MS], KIND one of silent, error, late, split, noise, hangup, under, over, bad-check, "
           "other-address, junk, short, stuck, twice:MS";
  }
  Fault fault{*kind, {}};
  if (FaultTakesTime(*kind)) {
    const auto ms = ParseInRange(timeText, 0, kMaxMilliseconds);
    if (!ms) return "N:" + std::string(rest) + ":MS with MS in milliseconds";
    fault.time = std::chrono::milliseconds(*ms);
  } else if (!timeText.empty()) {
    return "N:" + std::string(rest) + " without a time";
  }
  faults.AddFailAfter(static_cast<uint64_t>(*n), fault);
  return std::nullopt;
}

// A per-register fault: --KIND REG or --KIND REG:MS.
Expected TakeRegisterFault(std::string_view name, std::string_view regText, FaultPlan& faults) {
  const auto kind = ParseFaultKind(name);
  std::string_view timeText;
  const bool timed = FaultTakesTime(*kind);
  if (timed) {
    const auto colon = regText.find(':');
    if (colon == std::string_view::npos) return "REG:MS";
    timeText = regText.substr(colon + 1);
    regText = regText.substr(0, colon);
  }
  std::optional<Register> reg;
  if (!ParseRegisterOrAll(regText, reg)) return timed ? "REG:MS, REG hex or *" : "REG, hex or *";
  Fault fault{*kind, {}};
  if (timed) {
    const auto ms = ParseInRange(timeText, 0, kMaxMilliseconds);
    if (!ms) return "REG:MS with MS in milliseconds";
    fault.time = std::chrono::milliseconds(*ms);
  }
  faults.AddRegisterFault(reg, fault);
  return std::nullopt;
}

Expected TakeFaultOption(std::string_view name, const std::string& text, FaultPlan& faults) {
  if (name == "hangup-after") {
    const auto n = ParseInRange(text, 0, 1'000'000'000);
    if (!n) return "a number of exchanges";
    faults.SetHangUpAfter(static_cast<uint64_t>(*n));
    return std::nullopt;
  }
  if (name == "late-all") {
    // Every request answered late; the device serves one request at a
    // time, so later requests queue behind it and are answered in turn.
    const auto ms = ParseInRange(text, 0, kMaxMilliseconds);
    if (!ms) return "MS in milliseconds";
    faults.AddRegisterFault(std::nullopt, Fault{FaultKind::Late, std::chrono::milliseconds(*ms)});
    return std::nullopt;
  }
  if (name == "fail-after") return TakeFailAfter(text, faults);
  return TakeRegisterFault(name, text, faults);
}

ParsedCommandLine Fail(std::string error) { return ParsedCommandLine{std::nullopt, std::move(error)}; }

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  SimOptions options;
  bool dataBitsGiven = false;
  ArgumentReader reader(args);
  while (const std::optional<Argument> arg = reader.Next()) {
    if (arg->kind == Argument::Kind::Help) {
      options.help = true;
      continue;
    }
    const std::string& name = arg->text;
    if (arg->kind == Argument::Kind::Option && name == "version" && !arg->value) {
      options.version = true;
      continue;
    }
    if (arg->kind == Argument::Kind::Option && name == "echo" && !arg->value) {
      options.localEcho = true;
      continue;
    }
    const std::string option = "--" + name;
    if (arg->kind != Argument::Kind::Option || !IsKnown(name)) return Fail("unknown option '" + arg->AsWritten() + "'");
    const std::optional<std::string> value = reader.ValueOf(*arg);
    if (!value) return Fail(option + " needs a value");
    const Expected expected = IsOneOf(name, kDeviceOptions) ? TakeDeviceOption(name, *value, options)
                              : IsOneOf(name, kLineOptions) ? TakeLineOption(name, *value, options)
                                                            : TakeFaultOption(name, *value, options.faults);
    if (expected) return Fail(option + " " + *value + ": expected " + *expected);
    if (name == "data-bits") dataBitsGiven = true;
  }
  if (!dataBitsGiven) options.line.dataBits = options.config.protocol == Protocol::ModbusRtu ? 8 : 7;
  // --unit alone names every regulator; with --address it adds to them.
  if (!options.addressGiven && !options.units.empty()) options.addresses.clear();
  std::vector<int> served = options.addresses;
  for (const SimUnit& unit : options.units) {
    if (std::find(served.begin(), served.end(), unit.address) != served.end()) {
      return Fail("--unit " + std::to_string(unit.address) + ": address " + std::to_string(unit.address) +
                  " is served twice");
    }
    served.push_back(unit.address);
  }
  for (const int address : options.silentAddresses) {
    if (std::find(served.begin(), served.end(), address) == served.end()) {
      return Fail("--silent-address " + std::to_string(address) + ": no regulator at this address");
    }
  }
  options.config.deviceAddress = served.front();
  return ParsedCommandLine{std::move(options), {}};
}

std::vector<SimConfig> UnitConfigs(const SimOptions& options) {
  std::vector<SimConfig> configs;
  for (const int address : options.addresses) {
    SimConfig config = options.config;
    config.deviceAddress = address;
    configs.push_back(config);
  }
  for (const SimUnit& unit : options.units) {
    SimConfig config = options.config;
    config.deviceAddress = unit.address;
    config.model = unit.model.value_or(options.config.model);
    config.options = unit.options.value_or(options.config.options);
    configs.push_back(config);
  }
  return configs;
}

bool IsSilent(const SimOptions& options, int address) {
  return std::find(options.silentAddresses.begin(), options.silentAddresses.end(), address) !=
         options.silentAddresses.end();
}

std::vector<std::unique_ptr<SimulatedRegulator>> MakeRegulators(const SimOptions& options, Clock& clock,
                                                                std::string& error) {
  std::vector<std::unique_ptr<SimulatedRegulator>> regulators;
  for (const SimConfig& config : UnitConfigs(options)) {
    auto regulator = std::make_unique<SimulatedRegulator>(config, clock);
    for (const auto& [reg, value] : options.presets) {
      if (regulator->Preset(reg, value) != Refusal::None) {
        error = "--set " + std::string(reg.Text()) + "=" + std::to_string(value) +
                ": no such register on the device at address " + std::to_string(config.deviceAddress) +
                ", or outside its limits";
        return {};
      }
    }
    FaultPlan faults = options.faults;
    if (IsSilent(options, config.deviceAddress)) faults.AddRegisterFault(std::nullopt, Fault{FaultKind::Silent, {}});
    regulator->SetFaultPlan(std::move(faults));
    regulators.push_back(std::move(regulator));
  }
  return regulators;
}

std::string UsageText() {
  return R"(Usage: klv-sim [options]
A simulated KLV regulator on a serial line. Without --device it creates a
pseudo-terminal, prints the path of its far end (the port to open) as the first
line of standard output, and serves until interrupted (Ctrl+C, SIGTERM) or until
standard input closes.

Device:
  --model KLV40|KLV30|KLV30E  model to simulate (default KLV40)
  --options N            KLV40 option bits 0..15 (default 0): 1 analog auxiliary
                         input (0116), 2 alarm output 2 (0117), 4 digital control
                         output (0118), 8 analog output (0119 = 6)
  --detect 0|1           KLV30/KLV30E output current detection: whether 0102 and
                         the current rows answer (default 1)
  --address LIST         device address 1..99 (default 1); a list such as 1-3,7
                         serves a regulator at each address on the one line
  --unit ADDRESS[:MODEL[:OPTIONS]]  one more regulator on the line (repeatable),
                         of its own model and option bits (default --model and
                         --options); without --address only these are served
  --silent-address LIST  the regulators at these addresses never answer, as
                         units that are switched off or cut from the bus
  --mode N               KLV40 control mode, register 0112, 0..6 (default 4):
                         0 V-FB, 1 C-FB, 2 W-FB, 3 VVFB, 4 PA, 5 ZC, 6 PA-Z
  --input-type N         KLV40 control input type, register 0113 (default 4,
                         current input; any other value: voltage input)
  --input N              hold the control input (0104) at N in 0.1 % (values
                         outside 0..1000 are reported as they are); without it
                         the input follows a slow sine between 5 % and 95 %
  --set REG=VALUE        start-up value of a register (repeatable): a setup
                         register of the model (within its limits), 0104, the
                         volumes 0105-0107, or on a KLV40 0112-0115 and 013C.
                         VALUE is decimal (-32768..65535) or 0x hex

Line:
  --protocol torvalek|rtu|ascii  wire protocol (default torvalek)
  --device PATH          serve on this serial device instead of a pseudo-terminal
  --speed N              bits per second with --device (default 9600)
  --parity even|none|odd parity with --device (default even)
  --stop-bits 1|2        stop bits with --device (default 1)
  --data-bits 7|8        data bits with --device (default 8 for rtu, else 7)
  --echo                 play an adapter that echoes: every byte received is
                         sent back before the answer

Faults (repeatable; REG is 1-4 hex digits or * for every register, MS is
milliseconds; an exchange is a request with a good check for this device):
  --silent REG           no reply to requests for REG (a write is not done)
  --error REG            an error reply (TORVALEK code 08, Modbus exception 04;
                         a write is not done)
  --late REG:MS          the reply after MS milliseconds
  --split REG:MS         the reply in two halves, MS milliseconds apart
  --noise REG            three stray bytes (00 7F 55) before the reply
  --hangup REG           close the line instead of replying
  --under REG            a read of REG answers 8000 (under range)
  --over REG             a read of REG answers 7FFF (over range)
  --bad-check REG        the reply with a wrong check code: the BCC, the RTU
                         CRC's second byte or the ASCII LRC with its bits inverted
  --other-address REG    the reply names the next device address up (99: 1)
                         instead of this one, with a check code that fits it
  --junk REG             a read reply whose third value digit is "G" ("00G4");
                         TORVALEK and ascii (LRC of the true digits); rtu replies
                         are binary and stay as they are
  --short REG            a read reply one value byte short: TORVALEK "...R00,00"
                         then ETX; rtu and ascii keep the byte count 02 but carry
                         one data byte; the check code fits what is sent
  --stuck REG            a write of REG is answered as taken but not carried
                         out: the register keeps its old value
  --twice REG:MS         the reply, then the same reply again MS milliseconds
                         later (the device is busy until then)
  --late-all MS          every reply after MS milliseconds; the device answers
                         one request at a time, so requests sent meanwhile
                         queue and are answered in turn, each late
  --fail-after N:KIND[:MS]  every exchange after the first N gets the fault KIND:
                         silent, error, late:MS, split:MS, noise, hangup, under,
                         over, bad-check, other-address, junk, short, stuck,
                         twice:MS
  --hangup-after N       reply to exchange N, then close the line (0: close it on
                         the first request)

Several regulators share the protocol and the line; each answers only frames
for its own address. --set and the faults apply to every one of them.

Error replies: TORVALEK codes 01 bad request, 02 no such register (also
registers the options leave out, 0110 on a KLV30/KLV30E), 03 value outside
the register's limits, 04 read-only register, 08 injected error. Modbus
exceptions 01 illegal function, 02 illegal address, 03 illegal value, 04
device failure. Frames with a bad BCC, CRC or LRC, and frames for another
address, get no reply; writes to address 0 are done and not answered.

  --help                 this text
  --version              show the version
)";
}

}  // namespace klv::sim
