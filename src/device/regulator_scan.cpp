#include "device/regulator_scan.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <utility>

#include "device/identification.h"
#include "serial/line_text.h"
#include "text/texts.h"
#include "model/device_identity.h"
#include "model/parameter_set.h"
#include "serial/connection.h"
#include "serial/connection.h"
#include "serial/device_path_port.h"
#include "serial/line_settings.h"

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

CommSettings WithLine(CommSettings base, const ScanLine& line, int32_t address) {
  base.speed = line.speed;
  base.parity = line.parity;
  base.stopBits = line.stopBits;
  base.protocol = line.protocol;
  base.deviceAddress = address;
  return base;
}

// The port's open failure names the COM number of the settings before the
// cause; a scan opens device paths, where that number means nothing.
std::string WithoutComNumber(std::string message, const CommSettings& settings) {
  const std::string com = "\n" + PortName(settings.PortInUse()) + ", ";
  if (const std::size_t at = message.find(com); at != std::string::npos) message.replace(at, com.size(), "\n");
  return message;
}

// What the ports' threads share: the callbacks, called one at a time, the
// count of addresses done over all ports, and the end of the scan.
class SharedScan {
 public:
  SharedScan(const ScanPlan& plan, const ScanCallbacks& callbacks, double total)
      : plan_(plan), callbacks_(callbacks), total_(total) {}

  // Cancelled, stopped from outside, or ended by the first find.
  bool Ended() {
    if (ended_.load(std::memory_order_acquire)) return true;
    bool cancel = callbacks_.stop != nullptr && callbacks_.stop->load(std::memory_order_acquire);
    if (!cancel && callbacks_.cancelRequested) {
      std::lock_guard lock(mutex_);
      cancel = callbacks_.cancelRequested();
    }
    if (!cancel) return false;
    cancelled_.store(true, std::memory_order_release);
    ended_.store(true, std::memory_order_release);
    return true;
  }
  bool Cancelled() const { return cancelled_.load(std::memory_order_acquire); }

  // Reports the address about to be tried, then counts it done.
  void Progress(ScanProgress progress, double portDone, double portTotal, Clock& clock,
                Clock::TimePoint start) {
    std::lock_guard lock(mutex_);
    progress.fraction = total_ > 0 ? done_ / total_ : 0;
    progress.portFraction = portTotal > 0 ? portDone / portTotal : 0;
    progress.elapsed = clock.Now() - start;
    if (callbacks_.progress) callbacks_.progress(progress);
    done_ += 1;
  }
  void CountDone(double count) {
    std::lock_guard lock(mutex_);
    done_ += count;
  }

  // False when the find comes after the first of a scan that stops there.
  bool Found(const FoundRegulator& found) {
    std::lock_guard lock(mutex_);
    if (plan_.stopAtFirst) {
      if (firstTaken_) return false;
      firstTaken_ = true;
      ended_.store(true, std::memory_order_release);
    }
    if (callbacks_.found) callbacks_.found(found);
    return true;
  }
  void Trouble(const ScanTrouble& trouble) {
    std::lock_guard lock(mutex_);
    if (callbacks_.trouble) callbacks_.trouble(trouble);
  }

 private:
  const ScanPlan& plan_;
  const ScanCallbacks& callbacks_;
  const double total_;
  std::mutex mutex_;
  double done_ = 0;
  bool firstTaken_ = false;
  std::atomic<bool> ended_{false};
  std::atomic<bool> cancelled_{false};
};

// What one port's scan gives.
struct PortReport {
  std::vector<FoundRegulator> found;
  std::vector<ScanTrouble> troubles;
  int requests = 0;
};

// One port, line setting after line setting, address after address.
class PortScan {
 public:
  PortScan(const ScanPlan& plan, SharedScan& shared, PortReport& report)
      : plan_(plan), shared_(shared), report_(report) {}

  void Run(std::size_t portIndex, const std::vector<ScanLine>& lines, const std::vector<int32_t>& addresses,
           const SerialPortFactory& ports, Clock& clock, Clock::TimePoint start, Language language) {
    const ScanPort& port = plan_.ports[portIndex];
    const double portTotal = static_cast<double>(lines.size() * addresses.size());
    double portDone = 0;
    std::set<int32_t> foundHere;
    // The port's device path as given; no ports/COM<n> link is looked up.
    Connection connection(DevicePathPortFactory(port.device, ports));
    connection.line.SetLanguage(language);
    for (std::size_t lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
      const ScanLine& line = lines[lineIndex];
      connection.settings = WithLine(plan_.current, line, plan_.current.deviceAddress);
      connection.settings.readTimeout = static_cast<int32_t>(plan_.replyTimeout.count());
      const OpenPortResult opened = connection.Open();
      if (!opened.ok) {
        const bool wholePort = opened.status == PortStatus::CannotOpen || opened.status == PortStatus::NotASerialLine;
        ScanTrouble trouble{port, wholePort ? std::nullopt : std::optional<ScanLine>(line),
                            WithoutComNumber(opened.message, connection.settings)};
        shared_.Trouble(trouble);
        report_.troubles.push_back(std::move(trouble));
        const std::size_t skipped = wholePort ? lines.size() - lineIndex : 1;
        portDone += static_cast<double>(skipped * addresses.size());
        shared_.CountDone(static_cast<double>(skipped * addresses.size()));
        if (wholePort) return;
        continue;
      }
      for (const int32_t address : addresses) {
        if (shared_.Ended()) return;
        shared_.Progress(ScanProgress{0, portIndex, 0, port, line, address, {}}, portDone, portTotal, clock, start);
        portDone += 1;
        // On one bus an address belongs to one regulator; once found it is
        // not looked for again at another line setting.
        if (foundHere.count(address) != 0) continue;
        connection.settings.deviceAddress = address;
        std::optional<FoundRegulator> found = Probe(connection);
        if (!found && !connection.localEcho && connection.echoFinding == EchoFinding::Unexpected) {
          // The request came back where a reply was due: the adapter echoes.
          // Everything sent on this port comes back from now on, so the rest
          // of the port is scanned with local echo on.
          connection.localEcho = true;
          found = Probe(connection);
        }
        if (!found) continue;
        found->localEcho = connection.localEcho;
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
        if (!shared_.Found(*found)) return;
        report_.found.push_back(std::move(*found));
        if (plan_.stopAtFirst) return;
      }
      connection.Close();
    }
  }

 private:
  // What answers at the connection's address, if anything. Stops early when
  // the scan has ended.
  std::optional<FoundRegulator> Probe(Connection& connection) {
    bool refused = false;
    const auto read = [&](Register address) -> std::optional<Reply> {
      // A quick scan asks 0119 only where 0110 was refused: silence at
      // 0110 means nobody is there.
      if (address == kSeriesOneCodeRegister && !refused && !plan_.askSeriesOneCodeWhenSilent) return std::nullopt;
      if (shared_.Ended()) return std::nullopt;
      // An adapter that echoes: nothing more is learnt with local echo off.
      if (!connection.localEcho && connection.echoFinding == EchoFinding::Unexpected) return std::nullopt;
      ++report_.requests;
      const Reply outcome = connection.Read(address);
      refused = refused || outcome.result == ExchangeResult::Error;
      return outcome;
    };
    const IdentificationSteps steps = IdentifyInOrder(read);
    if (steps.stopped) return std::nullopt;
    FoundRegulator found;
    if (steps.answeredRegister) {
      found.codeRegister = steps.answeredRegister;
      found.code = steps.identification.code;
      found.model = steps.identification.Model();
      return found;
    }
    // A refusal is a frame from this address: someone is there.
    if (steps.refused) return found;
    return std::nullopt;
  }

  const ScanPlan& plan_;
  SharedScan& shared_;
  PortReport& report_;
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
         " " + std::string(ProtocolName(line.protocol));
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
  const Clock::TimePoint start = clock.Now();
  const std::vector<ScanLine> lines = ScanLineOrder(plan.current, plan.protocols);
  const std::vector<int32_t> addresses = AddressOrder(plan.current.deviceAddress);
  SharedScan shared(plan, callbacks, static_cast<double>(plan.ports.size() * lines.size() * addresses.size()));
  std::vector<PortReport> portReports(plan.ports.size());
  {
    std::vector<std::jthread> threads;
    threads.reserve(plan.ports.size());
    for (std::size_t i = 0; i < plan.ports.size(); ++i) {
      threads.emplace_back([&, i] {
        PortScan(plan, shared, portReports[i]).Run(i, lines, addresses, ports, clock, start, language);
      });
    }
  }  // every port's thread has ended here

  ScanReport report;
  for (PortReport& part : portReports) {
    for (FoundRegulator& found : part.found) report.found.push_back(std::move(found));
    for (ScanTrouble& trouble : part.troubles) report.troubles.push_back(std::move(trouble));
    report.requests += part.requests;
  }
  report.cancelled = shared.Cancelled();
  report.elapsed = clock.Now() - start;
  return report;
}

}  // namespace klv
