#include "klv-sim/command_line.h"

#include <charconv>
#include <string_view>

namespace klv::sim {

namespace {

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

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
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

class Parser {
 public:
  explicit Parser(std::span<const std::string> args) : args_(args) {}

  ParsedCommandLine Run() {
    SimOptions options;
    bool dataBitsGiven = false;
    while (index_ < args_.size()) {
      std::string_view arg = args_[index_++];
      std::string_view name = arg;
      std::optional<std::string_view> inlineValue;
      if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
      }
      const auto value = [&]() -> std::optional<std::string_view> {
        if (inlineValue) return inlineValue;
        if (index_ < args_.size()) return std::string_view(args_[index_++]);
        return std::nullopt;
      };

      if (name == "--help" || name == "-h") {
        options.help = true;
        continue;
      }
      if (name == "--version") {
        options.version = true;
        continue;
      }
      if (!IsKnown(name)) return Fail("unknown option '" + std::string(arg) + "'");
      const std::optional<std::string_view> v = value();
      if (!v) return Fail(std::string(name) + " needs a value");
      const std::string text(*v);
      const auto bad = [&](std::string_view expected) {
        return Fail(std::string(name) + " " + text + ": expected " + std::string(expected));
      };

      if (name == "--model") {
        const std::string model = Lower(text);
        if (model == "klv40") {
          options.config.model = ModelKind::Klv40;
        } else if (model == "klv30") {
          options.config.model = ModelKind::Klv30;
        } else if (model == "klv30e") {
          options.config.model = ModelKind::Klv30E;
        } else {
          return bad("KLV40, KLV30 or KLV30E");
        }
      } else if (name == "--options") {
        const auto n = ParseInRange(text, 0, 15);
        if (!n) return bad("option bits 0..15");
        options.config.options = static_cast<uint16_t>(*n);
      } else if (name == "--detect") {
        const auto n = ParseInRange(text, 0, 1);
        if (!n) return bad("0 or 1");
        options.config.detect = *n == 1;
      } else if (name == "--address") {
        const auto n = ParseInRange(text, 1, 99);
        if (!n) return bad("a device address 1..99");
        options.config.deviceAddress = static_cast<int>(*n);
      } else if (name == "--protocol") {
        const std::string protocol = Lower(text);
        if (protocol == "torvalek") {
          options.config.protocol = Protocol::Torvalek;
        } else if (protocol == "rtu") {
          options.config.protocol = Protocol::ModbusRtu;
        } else if (protocol == "ascii") {
          options.config.protocol = Protocol::ModbusAscii;
        } else {
          return bad("torvalek, rtu or ascii");
        }
      } else if (name == "--device") {
        if (text.empty()) return bad("a device path");
        options.device = text;
      } else if (name == "--speed") {
        const auto n = ParseInRange(text, 1, 4'000'000);
        if (!n) return bad("bits per second");
        options.line.speed = static_cast<int32_t>(*n);
      } else if (name == "--parity") {
        const std::string parity = Lower(text);
        if (parity == "even") {
          options.line.parity = Parity::Even;
        } else if (parity == "none") {
          options.line.parity = Parity::None;
        } else if (parity == "odd") {
          options.line.parity = Parity::Odd;
        } else {
          return bad("even, none or odd");
        }
      } else if (name == "--stop-bits") {
        const auto n = ParseInRange(text, 1, 2);
        if (!n) return bad("1 or 2");
        options.line.stopBits = static_cast<int>(*n);
      } else if (name == "--data-bits") {
        const auto n = ParseInRange(text, 7, 8);
        if (!n) return bad("7 or 8");
        options.line.dataBits = static_cast<int>(*n);
        dataBitsGiven = true;
      } else if (name == "--mode") {
        const auto n = ParseInRange(text, 0, 6);
        if (!n) return bad("a control mode 0..6");
        options.config.controlMode = static_cast<int16_t>(*n);
      } else if (name == "--input-type") {
        const auto n = ParseInRange(text, -32768, 32767);
        if (!n) return bad("a number (4 = current input)");
        options.config.controlInputType = static_cast<int16_t>(*n);
      } else if (name == "--input") {
        const auto n = ParseInRange(text, -32768, 32767);
        if (!n) return bad("a control input in 0.1 %");
        options.config.controlInput = static_cast<int16_t>(*n);
      } else if (name == "--set") {
        const auto eq = text.find('=');
        const auto reg = eq == std::string::npos ? std::nullopt : ParseRegister(std::string_view(text).substr(0, eq));
        const auto n = eq == std::string::npos ? std::nullopt
                                               : ParseInRange(std::string_view(text).substr(eq + 1), -32768, 65535);
        if (!reg || !n) return bad("REG=VALUE (REG hex, VALUE -32768..65535 or 0x hex)");
        options.presets.emplace_back(*reg, static_cast<int16_t>(static_cast<uint16_t>(*n & 0xFFFF)));
      } else if (name == "--hangup-after") {
        const auto n = ParseInRange(text, 0, 1'000'000'000);
        if (!n) return bad("a number of exchanges");
        options.faults.SetHangUpAfter(static_cast<uint64_t>(*n));
      } else if (name == "--late-all") {
        // Every request answered late; the device serves one request at a
        // time, so later requests queue behind it and are answered in turn.
        const auto ms = ParseInRange(text, 0, kMaxMilliseconds);
        if (!ms) return bad("MS in milliseconds");
        options.faults.AddRegisterFault(std::nullopt, Fault{FaultKind::Late, std::chrono::milliseconds(*ms)});
      } else if (name == "--fail-after") {
        // N:KIND or N:KIND:MS
        const std::string_view all(text);
        const auto colon = all.find(':');
        if (colon == std::string_view::npos) return bad("N:KIND[:MS]");
        const auto n = ParseInRange(all.substr(0, colon), 0, 1'000'000'000);
        std::string_view rest = all.substr(colon + 1);
        std::string_view timeText;
        if (const auto second = rest.find(':'); second != std::string_view::npos) {
          timeText = rest.substr(second + 1);
          rest = rest.substr(0, second);
        }
        const auto kind = ParseFaultKind(rest);
        if (!n || !kind) return bad(
              "N:KIND[:MS], KIND one of silent, error, late, split, noise, hangup, under, over, bad-check, "
              "other-address, junk, short, stuck, twice:MS");
        Fault fault{*kind, {}};
        if (FaultTakesTime(*kind)) {
          const auto ms = ParseInRange(timeText, 0, kMaxMilliseconds);
          if (!ms) return bad("N:" + std::string(rest) + ":MS with MS in milliseconds");
          fault.time = std::chrono::milliseconds(*ms);
        } else if (!timeText.empty()) {
          return bad("N:" + std::string(rest) + " without a time");
        }
        options.faults.AddFailAfter(static_cast<uint64_t>(*n), fault);
      } else {
        // A per-register fault: --KIND REG or --KIND REG:MS.
        const auto kind = ParseFaultKind(name.substr(2));
        std::string_view regText(text);
        std::string_view timeText;
        const bool timed = FaultTakesTime(*kind);
        if (timed) {
          const auto colon = regText.find(':');
          if (colon == std::string_view::npos) return bad("REG:MS");
          timeText = regText.substr(colon + 1);
          regText = regText.substr(0, colon);
        }
        std::optional<Register> reg;
        if (!ParseRegisterOrAll(regText, reg)) return bad(timed ? "REG:MS, REG hex or *" : "REG, hex or *");
        Fault fault{*kind, {}};
        if (timed) {
          const auto ms = ParseInRange(timeText, 0, kMaxMilliseconds);
          if (!ms) return bad("REG:MS with MS in milliseconds");
          fault.time = std::chrono::milliseconds(*ms);
        }
        options.faults.AddRegisterFault(reg, fault);
      }
    }
    if (!dataBitsGiven) options.line.dataBits = options.config.protocol == Protocol::ModbusRtu ? 8 : 7;
    return ParsedCommandLine{std::move(options), {}};
  }

 private:
  static bool IsKnown(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "--model",  "--options",    "--detect",     "--address",    "--protocol", "--device",
        "--speed",  "--parity",     "--stop-bits",  "--data-bits",  "--mode",     "--input-type",
        "--input",  "--set",        "--silent",     "--error",      "--late",     "--split",
        "--noise",  "--hangup",     "--under",      "--over",       "--fail-after", "--hangup-after",
        "--bad-check", "--other-address", "--junk", "--short", "--stuck", "--twice", "--late-all"};
    for (const auto known : kNames) {
      if (known == name) return true;
    }
    return false;
  }

  static ParsedCommandLine Fail(std::string error) { return ParsedCommandLine{std::nullopt, std::move(error)}; }

  std::span<const std::string> args_;
  std::size_t index_ = 0;
};

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) { return Parser(args).Run(); }

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
  --address N            device address 1..99 (default 1)
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
