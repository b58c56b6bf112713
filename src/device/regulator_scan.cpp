#include "device/regulator_scan.h"

#include <algorithm>
#include <array>
#include <set>
#include <tuple>
#include <utility>

#include "device/identification.h"
#include "text/texts.h"
#include "model/device_identity.h"
#include "model/parameter_set.h"
#include "serial/connection.h"
#include "serial/exchange.h"
#include "serial/device_path_port.h"

namespace klv {
namespace {

constexpr int32_t kFirstAddress = 1;
constexpr int32_t kLastAddress = 99;
constexpr int32_t kAddressCount = kLastAddress - kFirstAddress + 1;

constexpr std::array<int32_t, 2> kSpeeds = {9600, 19200};
constexpr std::array<int32_t, 3> kParities = {1, 2, 3};  // even, none, odd
constexpr std::array<int32_t, 2> kStopBits = {1, 2};

// The line a new settings file holds: the likeliest factory setting.
constexpr ScanLine kDefaultLine{9600, 1, 1, Protocol::Torvalek};

std::string_view ProtocolText(Protocol protocol) {
  switch (protocol) {
    case Protocol::Torvalek: return "TORVALEK";
    case Protocol::ModbusRtu: return "Modbus RTU";
    case Protocol::ModbusAscii: return "Modbus ASCII";
  }
  return "?";
}

// The current address first, then the others in ascending order.
std::vector<int32_t> AddressOrder(int32_t current) {
  std::vector<int32_t> order;
  order.reserve(kAddressCount);
  if (current >= kFirstAddress && current <= kLastAddress) order.push_back(current);
  for (int32_t address = kFirstAddress; address <= kLastAddress; ++address) {
    if (address != current) order.push_back(address);
  }
  return order;
}

std::optional<ModelKind> ModelForCode(std::string_view reg, int16_t value) {
  for (const IdentificationCode& row : kIdentificationCodes) {
    if (row.address == reg && row.code == static_cast<uint16_t>(value)) return row.model;
  }
  return std::nullopt;
}

CommSettings WithLine(CommSettings base, const ScanLine& line, int32_t address) {
  base.speed = line.speed;
  base.parity = line.parity;
  base.stopBits = line.stopBits;
  base.protocol = line.protocol;
  base.deviceAddress = address;
  return base;
}

// One port at one line setting, address after address.
class LineScan {
 public:
  LineScan(const ScanPlan& plan, const ScanCallbacks& callbacks, ScanReport& report)
      : plan_(plan), callbacks_(callbacks), report_(report) {}

  bool Cancelled() {
    if (!report_.cancelled && callbacks_.cancelRequested && callbacks_.cancelRequested()) report_.cancelled = true;
    return report_.cancelled;
  }

  // What answers at address, if anything. Stops early when cancelled.
  std::optional<FoundRegulator> Probe(Connection& connection) {
    if (Cancelled()) return std::nullopt;
    ++report_.requests;
    const TransactOutcome modelCode = ReadRegister(connection, kModelCodeRegister, false, 1);
    FoundRegulator found;
    if (modelCode.Ok()) {
      found.codeRegister = kModelCodeRegister;
      found.code = modelCode.value;
      found.model = ModelForCode(kModelCodeRegister, modelCode.value);
      return found;
    }
    const bool refused = modelCode.result == ExchangeResult::Error;
    if (!refused && !plan_.askSeriesOneCodeWhenSilent) return std::nullopt;
    if (Cancelled()) return std::nullopt;
    ++report_.requests;
    const TransactOutcome seriesCode = ReadRegister(connection, kSeriesOneCodeRegister, false, 3);
    if (seriesCode.Ok()) {
      found.codeRegister = kSeriesOneCodeRegister;
      found.code = seriesCode.value;
      found.model = ModelForCode(kSeriesOneCodeRegister, seriesCode.value);
      return found;
    }
    // A refusal is a frame from this address: someone is there.
    if (refused || seriesCode.result == ExchangeResult::Error) return found;
    return std::nullopt;
  }

 private:
  const ScanPlan& plan_;
  const ScanCallbacks& callbacks_;
  ScanReport& report_;
};

}  // namespace

ScanLine ScanLineOf(const CommSettings& current) {
  ScanLine line;
  line.speed = current.speed == 19200 ? 19200 : 9600;
  line.parity = (current.parity == 1 || current.parity == 2) ? current.parity : 3;
  line.stopBits = current.stopBits == 1 ? 1 : 2;
  line.protocol = current.protocol;
  return line;
}

std::vector<ScanLine> ScanLineOrder(const CommSettings& current, std::span<const Protocol> protocols) {
  std::vector<ScanLine> order;
  for (const Protocol protocol : protocols) {
    ScanLine first = ScanLineOf(current);
    first.protocol = protocol;
    ScanLine usual = kDefaultLine;
    usual.protocol = protocol;

    std::vector<ScanLine> lines;
    for (const int32_t stop : kStopBits) {
      for (const int32_t speed : kSpeeds) {
        for (const int32_t parity : kParities) lines.push_back(ScanLine{speed, parity, stop, protocol});
      }
    }
    const auto rank = [&](const ScanLine& line) {
      return std::make_tuple(line != first, line != usual, line.stopBits != first.stopBits,
                             int(line.speed != first.speed) + int(line.parity != first.parity));
    };
    // Stable: within a rank the order of the loops above (9600 before 19200,
    // even, none, odd).
    std::stable_sort(lines.begin(), lines.end(),
                     [&](const ScanLine& a, const ScanLine& b) { return rank(a) < rank(b); });
    for (const ScanLine& line : lines) {
      if (std::find(order.begin(), order.end(), line) == order.end()) order.push_back(line);
    }
  }
  return order;
}

std::string ScanLineText(const ScanLine& line) {
  static constexpr std::array<std::string_view, 3> kParityNames = {"EVEN", "NON", "ODD"};
  const std::size_t parity = line.parity >= 1 && line.parity <= 3 ? static_cast<std::size_t>(line.parity - 1) : 2;
  return std::to_string(line.speed) + " " + std::string(kParityNames[parity]) + " " + std::to_string(line.stopBits) +
         " " + std::string(ProtocolText(line.protocol));
}

CommSettings FoundRegulator::ApplyTo(CommSettings base) const { return WithLine(base, line, address); }

std::vector<FoundOption> FoundOptions(const FoundRegulator& found, Language language) {
  struct Box {
    uint16_t bit;
    std::string_view key;
    std::string_view caption;
  };
  std::vector<FoundOption> options;
  const auto add = [&](const Box& box) {
    options.push_back({box.key, std::string(Caption(Screen::MainWindow, box.caption, language))});
  };
  if (found.model == ModelKind::Klv40) {
    const Box boxes[] = {{kOptionAnalogInput, "analogInput", "Analog auxiliary input"},
                         {kOptionAlarmOutput2, "alarmOutput2", "Alarm output 2"},
                         {kOptionDigitalOutput, "digitalOutput", "Digital control output"},
                         {kOptionAnalogOutput, "analogOutput", kAnalogOutputOptionKey}};
    for (const Box& box : boxes) {
      if ((found.options & box.bit) != 0) add(box);
    }
  } else if (found.model && (found.options & kOptionCurrentDetection) != 0) {
    add({kOptionCurrentDetection, "currentDetection", "Output current detection function"});
  }
  return options;
}

std::vector<std::string> FoundOptionNames(const FoundRegulator& found, Language language) {
  std::vector<std::string> names;
  for (FoundOption& option : FoundOptions(found, language)) names.push_back(std::move(option.name));
  return names;
}

ScanReport ScanForRegulators(const ScanPlan& plan, const SerialPortFactory& ports, Clock& clock, Language language,
                             const ScanCallbacks& callbacks) {
  ScanReport report;
  const Clock::TimePoint start = clock.Now();
  const std::vector<ScanLine> lines = ScanLineOrder(plan.current, plan.protocols);
  const std::vector<int32_t> addresses = AddressOrder(plan.current.deviceAddress);
  const double total = static_cast<double>(plan.ports.size() * lines.size() * addresses.size());
  double done = 0;
  LineScan scan(plan, callbacks, report);

  const auto finish = [&] {
    report.elapsed = clock.Now() - start;
    return report;
  };

  for (const ScanPort& port : plan.ports) {
    std::set<int32_t> foundHere;
    // The port's device path as given; no ports/COM<n> link is looked up.
    Connection connection(DevicePathPortFactory(port.device, ports));
    connection.line.SetLanguage(language);
    for (std::size_t lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
      const ScanLine& line = lines[lineIndex];
      connection.settings = WithLine(plan.current, line, plan.current.deviceAddress);
      connection.settings.readTimeout = static_cast<int32_t>(plan.replyTimeout.count());
      const OpenPortResult opened = connection.Open();
      if (!opened.ok) {
        const bool wholePort = opened.status == PortStatus::CannotOpen || opened.status == PortStatus::GetStateFailed;
        ScanTrouble trouble{port, wholePort ? std::nullopt : std::optional<ScanLine>(line), opened.message};
        if (callbacks.trouble) callbacks.trouble(trouble);
        report.troubles.push_back(std::move(trouble));
        const std::size_t skipped = wholePort ? lines.size() - lineIndex : 1;
        done += static_cast<double>(skipped * addresses.size());
        if (wholePort) break;
        continue;
      }
      for (const int32_t address : addresses) {
        if (scan.Cancelled()) return finish();
        if (callbacks.progress) callbacks.progress(ScanProgress{done / total, port, line, address, clock.Now() - start});
        done += 1;
        // On one bus an address belongs to one regulator; once found it is
        // not looked for again at another line setting.
        if (foundHere.count(address) != 0) continue;
        connection.settings.deviceAddress = address;
        std::optional<FoundRegulator> found = scan.Probe(connection);
        if (!found) continue;
        found->port = port;
        found->line = line;
        found->address = address;
        if (found->model) {
          // The option reading logs its frames; a scan keeps no log.
          connection.log.Clear();
          const OptionReading options = DeviceOptionWord(connection, *found->model);
          found->options = options.word;
          found->optionsComplete = options.Complete();
        }
        foundHere.insert(address);
        if (callbacks.found) callbacks.found(*found);
        report.found.push_back(std::move(*found));
        if (plan.stopAtFirst) return finish();
      }
      connection.Close();
    }
  }
  return finish();
}

}  // namespace klv
