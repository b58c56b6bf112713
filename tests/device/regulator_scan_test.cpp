// The scan for regulators against simulated regulators behind ports that
// answer only at their own line settings, on a fake clock; several ports
// are scanned side by side on threads of their own.
#include "device/regulator_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "sim/simulated_regulator.h"
#include "model/parameter_set.h"
#include "serial/line_settings.h"
#include "support/fake_clock.h"

namespace klv::testing {
namespace {

using namespace std::chrono_literals;

// One bus behind a device path: its regulators and the line they listen at.
struct Bus {
  LineSettings line;
  std::vector<std::unique_ptr<sim::SimulatedRegulator>> regulators;
};

// Every request sent, with the line it went out on.
struct SentRequest {
  std::filesystem::path device;
  LineSettings line;
  int address = 0;
  std::string reg;
};

class Buses {
 public:
  explicit Buses(FakeClock& clock) : clock_(clock) {}

  void Add(const std::filesystem::path& device, const LineSettings& line, const sim::SimConfig& config) {
    Bus& bus = buses_[device];
    bus.line = line;
    bus.regulators.push_back(std::make_unique<sim::SimulatedRegulator>(config, clock_));
  }
  // A bus nobody answers on.
  void AddSilent(const std::filesystem::path& device) { buses_[device].line = Line9600Even1(); }
  SerialPortFactory Factory();

  static LineSettings Line9600Even1();

  FakeClock& clock_;
  std::map<std::filesystem::path, Bus> buses_;
  // Guards what follows; the ports' threads share it.
  std::mutex mutex;
  std::vector<SentRequest> sent;
  // Called after each request, under the mutex (a test cancels from here).
  std::function<void()> afterRequest;
  // When set, each port's first request waits (at most 10 s) until this many
  // ports have sent theirs: they only all get there if they run at once.
  std::size_t meeting = 0;
  std::set<std::filesystem::path> arrived;
  std::condition_variable someoneArrived;
  bool meetingMissed = false;
};

// Opens only the devices of a bus; a request reaches the bus's regulators
// only when the port's line settings are the bus's (data bits included).
class BusPort final : public SerialPort {
 public:
  explicit BusPort(Buses& buses) : buses_(buses) {}

  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override {
    const auto bus = buses_.buses_.find(device);
    if (bus == buses_.buses_.end()) return {PortStatus::CannotOpen, device.string() + ": no such device"};
    bus_ = &bus->second;
    device_ = device;
    settings_ = settings;
    return {};
  }
  bool IsOpen() const override { return bus_ != nullptr; }
  WriteOutcome Write(std::span<const uint8_t> bytes) override {
    if (bus_ == nullptr) return {};
    const std::string text(bytes.begin(), bytes.end());
    std::unique_lock lock(buses_.mutex);
    if (buses_.meeting > 0 && buses_.arrived.insert(device_).second) {
      buses_.someoneArrived.notify_all();
      if (!buses_.someoneArrived.wait_for(lock, std::chrono::seconds(10),
                                          [&] { return buses_.arrived.size() >= buses_.meeting; })) {
        buses_.meetingMissed = true;
      }
    }
    buses_.sent.push_back({device_, settings_, text.size() > 3 ? std::stoi(text.substr(1, 2), nullptr, 16) : 0,
                           text.size() > 9 ? text.substr(5, 4) : std::string()});
    if (settings_ == bus_->line) {
      for (auto& regulator : bus_->regulators) {
        const std::vector<uint8_t> reply = regulator->Handle(bytes);
        input_.insert(input_.end(), reply.begin(), reply.end());
      }
    }
    if (buses_.afterRequest) buses_.afterRequest();
    return {true, bytes.size()};
  }
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest&) override {
    // A reply takes about 17 ms at 9600 bits/s; silence the whole time-out.
    buses_.clock_.Advance(input_.empty() ? Clock::Duration(settings_.readTimeout) : Clock::Duration(17ms));
    const std::size_t count = std::min(buffer.size(), input_.size());
    std::copy_n(input_.begin(), count, buffer.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }
  void DiscardInput() override { input_.clear(); }
  void Close() override { bus_ = nullptr; }

 private:
  Buses& buses_;
  Bus* bus_ = nullptr;
  std::filesystem::path device_;
  LineSettings settings_;
  std::deque<uint8_t> input_;
};

SerialPortFactory Buses::Factory() {
  return [this] { return std::make_unique<BusPort>(*this); };
}

LineSettings Line(int32_t speed, int32_t parity, int32_t stopBits);
LineSettings Buses::Line9600Even1() { return Line(9600, 1, 1); }

LineSettings Line(int32_t speed, int32_t parity, int32_t stopBits) {
  CommSettings settings;
  settings.speed = speed;
  settings.parity = parity;
  settings.stopBits = stopBits;
  settings.protocol = Protocol::Torvalek;
  settings.readTimeout = 50;
  return BuildLineSettings(settings);
}

sim::SimConfig Regulator(ModelKind model, int address, uint16_t options = 0) {
  sim::SimConfig config;
  config.model = model;
  config.deviceAddress = address;
  config.options = options;
  return config;
}

CommSettings Current(int32_t speed, int32_t parity, int32_t stopBits, int32_t address) {
  CommSettings settings;
  settings.speed = speed;
  settings.parity = parity;
  settings.stopBits = stopBits;
  settings.deviceAddress = address;
  settings.protocol = Protocol::Torvalek;
  return settings;
}

class RegulatorScanTest : public ::testing::Test {
 protected:
  ScanReport Scan(std::vector<std::string> devices, const CommSettings& current, ScanCallbacks callbacks = {}) {
    ScanPlan plan;
    for (const auto& device : devices) plan.ports.push_back({device, device});
    plan.current = current;
    return ScanForRegulators(plan, buses_.Factory(), clock_, Language::English, callbacks);
  }

  FakeClock clock_;
  Buses buses_{clock_};
};

// --- The order of the line settings -----------------------------------------------------

TEST(ScanLineOrderTest, CurrentLineFirstThenTheDefaultThenTheNearestWithStopBitsLast) {
  struct Case {
    CommSettings current;
    std::vector<ScanLine> head;  // the first lines expected
  };
  const Protocol t = Protocol::Torvalek;
  const Case cases[] = {
      // The default itself: then one field changed, 9600 before 19200,
      // even, none, odd.
      {Current(9600, 1, 1, 1), {{9600, 1, 1, t}, {9600, 2, 1, t}, {9600, 3, 1, t}, {19200, 1, 1, t}}},
      // Elsewhere: the default second, then the neighbours of the current.
      {Current(19200, 3, 1, 7), {{19200, 3, 1, t}, {9600, 1, 1, t}, {9600, 3, 1, t}, {19200, 1, 1, t}}},
      // Values outside the screen's choices are tried as the screen shows them.
      {Current(4800, 0, 0, 1), {{9600, 3, 2, t}, {9600, 1, 1, t}, {9600, 1, 2, t}}},
  };
  for (const Case& c : cases) {
    const std::vector<Protocol> protocols = {t};
    const std::vector<ScanLine> order = ScanLineOrder(c.current, protocols);
    ASSERT_EQ(order.size(), 12u);
    for (std::size_t i = 0; i < c.head.size(); ++i) {
      EXPECT_EQ(ScanLineText(order[i]), ScanLineText(c.head[i])) << "line " << i;
    }
    // Every other stop-bit count after all lines of the current one.
    const auto firstOther = std::find_if(order.begin(), order.end(), [&](const ScanLine& l) {
      return l.stopBits != order.front().stopBits && l != ScanLine{9600, 1, 1, t};
    });
    EXPECT_TRUE(std::all_of(firstOther, order.end(), [&](const ScanLine& l) {
      return l.stopBits != order.front().stopBits || l == ScanLine{9600, 1, 1, t};
    }));
  }
  // Further protocols come after every line of the first, each line once.
  const std::vector<Protocol> two = {Protocol::Torvalek, Protocol::ModbusRtu};
  const std::vector<ScanLine> order = ScanLineOrder(Current(9600, 1, 1, 1), two);
  ASSERT_EQ(order.size(), 24u);
  EXPECT_TRUE(std::all_of(order.begin(), order.begin() + 12, [](const ScanLine& l) { return l.protocol == Protocol::Torvalek; }));
  EXPECT_EQ(ScanLineText(order[12]), "9600 EVEN 1 Modbus RTU");
}

// --- Finding ------------------------------------------------------------------------------

TEST_F(RegulatorScanTest, FindsEachModelAtItsAddressAndLineWithItsOptions) {
  struct Case {
    sim::SimConfig config;
    LineSettings line;
    std::optional<ModelKind> model;
    uint16_t options;
  };
  const Case cases[] = {
      {Regulator(ModelKind::Klv40, 57, kOptionAnalogOutput | kOptionAlarmOutput2), Line(9600, 1, 1), ModelKind::Klv40,
       kOptionAnalogOutput | kOptionAlarmOutput2},
      {Regulator(ModelKind::Klv30, 3), Line(19200, 2, 1), ModelKind::Klv30, kOptionCurrentDetection},
      {Regulator(ModelKind::Klv30E, 99), Line(9600, 3, 2), ModelKind::Klv30E, kOptionCurrentDetection},
  };
  for (const Case& c : cases) {
    Buses buses(clock_);
    buses.Add("/dev/ttyUSB0", c.line, c.config);
    ScanPlan plan;
    plan.ports = {{"/dev/ttyUSB0", "COM2"}};
    plan.current = Current(9600, 1, 1, 1);
    const ScanReport report = ScanForRegulators(plan, buses.Factory(), clock_, Language::English);
    ASSERT_EQ(report.found.size(), 1u) << c.config.deviceAddress;
    const FoundRegulator& found = report.found.front();
    EXPECT_EQ(found.port.name, "COM2");
    EXPECT_EQ(found.address, c.config.deviceAddress);
    EXPECT_EQ(BuildLineSettings(found.ApplyTo(plan.current)).speed, c.line.speed);
    EXPECT_EQ(BuildLineSettings(found.ApplyTo(plan.current)).parity, c.line.parity);
    EXPECT_EQ(BuildLineSettings(found.ApplyTo(plan.current)).stopBits, c.line.stopBits);
    EXPECT_EQ(found.model, c.model);
    EXPECT_EQ(found.options, c.options);
    EXPECT_TRUE(found.optionsComplete);
    EXPECT_FALSE(report.cancelled);
    EXPECT_TRUE(report.troubles.empty());
  }
}

TEST_F(RegulatorScanTest, CurrentSettingsComeFirstOverAllAddressesWithTheCurrentAddressFirst) {
  buses_.Add("/dev/ttyUSB0", Line(19200, 2, 1), Regulator(ModelKind::Klv40, 57));
  const ScanReport report = Scan({"/dev/ttyUSB0"}, Current(9600, 3, 1, 12));

  ASSERT_EQ(report.found.size(), 1u);
  // At the current line every address is asked 0110, then (silent) 0119.
  ASSERT_GE(buses_.sent.size(), 2u * 99);
  const LineSettings current = Line(9600, 3, 1);
  for (std::size_t i = 0; i < 2 * 99; ++i) {
    EXPECT_EQ(buses_.sent[i].line, current) << i;
    EXPECT_EQ(buses_.sent[i].reg, i % 2 == 0 ? "0110" : "0119") << i;
  }
  EXPECT_EQ(buses_.sent[0].address, 12);
  EXPECT_EQ(buses_.sent[2].address, 1);
  EXPECT_EQ(buses_.sent[2 * 98].address, 99);
  // Then the default line.
  EXPECT_EQ(buses_.sent[2 * 99].line, Line(9600, 1, 1));
  // Each silent request costs its 50 ms time-out: the current line alone
  // takes 99 x 2 x 50 ms on the clock.
  EXPECT_GE(report.elapsed, 2 * 99 * 50ms);
  EXPECT_EQ(report.requests, static_cast<int>(buses_.sent.size()) - 4);  // the option reading is not counted
}

TEST_F(RegulatorScanTest, QuickScanAsksOnlyTheModelCodeOfSilentAddresses) {
  buses_.Add("/dev/ttyUSB0", Line(9600, 1, 1), Regulator(ModelKind::Klv30, 40));
  ScanPlan plan;
  plan.ports = {{"/dev/ttyUSB0", "/dev/ttyUSB0"}};
  plan.current = Current(9600, 1, 1, 1);
  plan.askSeriesOneCodeWhenSilent = false;
  plan.stopAtFirst = true;
  const ScanReport report = ScanForRegulators(plan, buses_.Factory(), clock_, Language::English);
  // The simulated KLV30 refuses 0110 (a frame from its address), so it is
  // found; the 39 silent addresses before it cost one request each.
  ASSERT_EQ(report.found.size(), 1u);
  EXPECT_EQ(report.found[0].model, ModelKind::Klv30);
  EXPECT_EQ(report.requests, 39 + 2);
}

TEST_F(RegulatorScanTest, SeveralRegulatorsOnOneBusAreEachListedOnce) {
  buses_.Add("/dev/ttyUSB0", Line(9600, 1, 1), Regulator(ModelKind::Klv40, 5));
  buses_.Add("/dev/ttyUSB0", Line(9600, 1, 1), Regulator(ModelKind::Klv30E, 6));
  const ScanReport report = Scan({"/dev/ttyUSB0"}, Current(9600, 1, 1, 1));
  ASSERT_EQ(report.found.size(), 2u);
  EXPECT_EQ(report.found[0].address, 5);
  EXPECT_EQ(report.found[1].address, 6);
  // Found addresses are not asked again at the other eleven lines.
  const auto askedAt = [&](int address) {
    return std::count_if(buses_.sent.begin(), buses_.sent.end(),
                         [&](const SentRequest& r) { return r.address == address && r.reg == "0110"; });
  };
  EXPECT_EQ(askedAt(5), 1);
  EXPECT_EQ(askedAt(7), 12);
}

TEST_F(RegulatorScanTest, APortThatCannotBeOpenedIsReportedAndTheScanGoesOn) {
  buses_.Add("/dev/ttyUSB1", Line(9600, 1, 1), Regulator(ModelKind::Klv40, 57));
  std::vector<std::string> troubles;
  ScanCallbacks callbacks;
  callbacks.trouble = [&](const ScanTrouble& t) { troubles.push_back(t.port.name + ": " + t.message); };
  const ScanReport report = Scan({"/dev/gone", "/dev/ttyUSB1"}, Current(9600, 1, 1, 1), callbacks);

  ASSERT_EQ(report.troubles.size(), 1u);
  EXPECT_FALSE(report.troubles[0].line.has_value());  // the whole port, not one line
  ASSERT_EQ(troubles.size(), 1u);
  EXPECT_EQ(troubles[0].rfind("/dev/gone: Port cannot be used", 0), 0u) << troubles[0];
  ASSERT_EQ(report.found.size(), 1u);
  EXPECT_EQ(report.found[0].port.device, "/dev/ttyUSB1");
  EXPECT_EQ(report.found[0].address, 57);
}

TEST_F(RegulatorScanTest, CancelStopsBeforeTheNextRequestAndProgressNamesWhatIsTried) {
  buses_.Add("/dev/ttyUSB0", Line(9600, 1, 1), Regulator(ModelKind::Klv40, 57));
  std::vector<ScanProgress> progress;
  bool cancel = false;
  buses_.afterRequest = [&] { cancel = buses_.sent.size() == 10; };
  ScanCallbacks callbacks;
  callbacks.cancelRequested = [&] { return cancel; };
  callbacks.progress = [&](const ScanProgress& p) { progress.push_back(p); };
  const ScanReport report = Scan({"/dev/ttyUSB0"}, Current(19200, 1, 1, 1), callbacks);

  EXPECT_TRUE(report.cancelled);
  EXPECT_EQ(buses_.sent.size(), 10u);
  EXPECT_TRUE(report.found.empty());
  ASSERT_EQ(progress.size(), 5u);
  for (std::size_t i = 0; i < progress.size(); ++i) {
    EXPECT_EQ(progress[i].address, static_cast<int>(i + 1));
    EXPECT_EQ(progress[i].port.device, "/dev/ttyUSB0");
    EXPECT_EQ(ScanLineText(progress[i].line), "19200 EVEN 1 TORVALEK");
    EXPECT_DOUBLE_EQ(progress[i].fraction, static_cast<double>(i) / (12 * 99));
  }
}

// --- Several ports ---------------------------------------------------------------------

TEST_F(RegulatorScanTest, PortsAreScannedSideBySideAndListedInTheOrderGiven) {
  // The find on the second port comes first in time (address 2 against 90).
  buses_.Add("/dev/ttyUSB0", Line(9600, 1, 1), Regulator(ModelKind::Klv40, 90));
  buses_.Add("/dev/ttyUSB1", Line(9600, 1, 1), Regulator(ModelKind::Klv30, 2));
  buses_.AddSilent("/dev/ttyUSB2");
  buses_.meeting = 3;
  std::vector<std::string> foundAsTheyCame;
  std::vector<ScanProgress> progress;
  ScanCallbacks callbacks;
  callbacks.found = [&](const FoundRegulator& f) { foundAsTheyCame.push_back(f.port.device.string()); };
  callbacks.progress = [&](const ScanProgress& p) { progress.push_back(p); };
  const ScanReport report = Scan({"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"}, Current(9600, 1, 1, 1), callbacks);

  EXPECT_FALSE(buses_.meetingMissed) << "the ports were scanned one after another";
  ASSERT_EQ(report.found.size(), 2u);
  EXPECT_EQ(report.found[0].port.device, "/dev/ttyUSB0");
  EXPECT_EQ(report.found[0].address, 90);
  EXPECT_EQ(report.found[1].port.device, "/dev/ttyUSB1");
  EXPECT_EQ(report.found[1].model, ModelKind::Klv30);
  EXPECT_EQ(foundAsTheyCame.size(), 2u);
  // Each port's progress names it and counts its own addresses: 12 lines of 99.
  std::map<std::size_t, int> perPort;
  for (const ScanProgress& p : progress) {
    ASSERT_LT(p.portIndex, 3u);
    EXPECT_EQ(p.port.device, "/dev/ttyUSB" + std::to_string(p.portIndex));
    EXPECT_DOUBLE_EQ(p.portFraction, static_cast<double>(perPort[p.portIndex]++) / (12 * 99));
  }
  EXPECT_EQ(perPort.size(), 3u);
  EXPECT_DOUBLE_EQ(progress.back().fraction, (3.0 * 12 * 99 - 1) / (3 * 12 * 99));
}

TEST_F(RegulatorScanTest, TheStopFlagEndsTheScanOfEveryPort) {
  for (const char* device : {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"}) buses_.AddSilent(device);
  std::atomic<bool> stop{false};
  buses_.afterRequest = [&] {
    if (buses_.sent.size() == 30) stop = true;
  };
  ScanCallbacks callbacks;
  callbacks.stop = &stop;
  const ScanReport report = Scan({"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"}, Current(9600, 1, 1, 1), callbacks);
  EXPECT_TRUE(report.cancelled);
  // At most the request each port had on its way when the flag was set.
  EXPECT_LE(buses_.sent.size(), 30u + 3);
  EXPECT_EQ(report.requests, static_cast<int>(buses_.sent.size()));
}

TEST_F(RegulatorScanTest, TheFirstFindAmongSilentPortsEndsTheScanAndIsTheOnlyOneListed) {
  buses_.AddSilent("/dev/ttyUSB0");
  buses_.Add("/dev/ttyUSB1", Line(9600, 1, 1), Regulator(ModelKind::Klv40, 57));
  buses_.Add("/dev/ttyUSB1", Line(9600, 1, 1), Regulator(ModelKind::Klv40, 58));
  buses_.AddSilent("/dev/ttyUSB2");
  ScanPlan plan;
  for (const char* device : {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"}) plan.ports.push_back({device, device});
  plan.current = Current(9600, 1, 1, 1);
  plan.stopAtFirst = true;
  const ScanReport report = ScanForRegulators(plan, buses_.Factory(), clock_, Language::English);
  ASSERT_EQ(report.found.size(), 1u);
  EXPECT_EQ(report.found[0].port.device, "/dev/ttyUSB1");
  EXPECT_EQ(report.found[0].address, 57);
  EXPECT_FALSE(report.cancelled);
}

TEST_F(RegulatorScanTest, ATakenFindGivesItsLineAndAddressAndKeepsTheRest) {
  buses_.Add("/dev/ttyUSB0", Line(19200, 3, 2), Regulator(ModelKind::Klv40, 57));
  ScanPlan plan;
  plan.ports = {{"/dev/ttyUSB0", "/dev/ttyUSB0"}};
  plan.current = Current(9600, 1, 1, 1);
  plan.stopAtFirst = true;
  const ScanReport report = ScanForRegulators(plan, buses_.Factory(), clock_, Language::English);
  ASSERT_EQ(report.found.size(), 1u);

  CommSettings base = Current(9600, 1, 1, 1);
  base.portNumber = 4;
  base.readTimeout = 200;
  base.samplingInterval = 60;
  CommSettings expected = base;
  expected.speed = 19200;
  expected.parity = 3;
  expected.stopBits = 2;
  expected.deviceAddress = 57;
  EXPECT_EQ(report.found[0].ApplyTo(base), expected);
}

}  // namespace
}  // namespace klv::testing
