#pragma once
// A transfer against the simulated regulator on a pseudo-terminal: the
// program's real port talks to klv-sim's server, the pauses go to a fake
// clock that also notes them in a journal beside the progress and the
// messages, and comlog.txt goes to a folder of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "serial/connection.h"
#include "support/fake_clock.h"
#include "support/simulated_device.h"
#include "serial/device_path_port.h"
#include "transfer/transfer_commands.h"

namespace klv::testing {

// A folder removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "klv-transfer-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};


// The worker's side of the operator, recorded in order with the pauses.
// Written by the worker thread only; read after the worker has been joined.
class Journal final : public Clock, public ProgressSink, public MessageSink {
 public:
  explicit Journal(FakeClock& clock) : clock_(clock) {}

  TimePoint Now() const override { return clock_.Now(); }
  void SleepFor(Duration duration) override {
    events_.push_back("pause " + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count()));
    clock_.SleepFor(duration);
  }
  LocalTime LocalNow() const override { return clock_.LocalNow(); }

  void SetStatusText(std::string_view text) override {
    statuses.emplace_back(text);
    events_.push_back("status");
  }
  void SetBarPosition(int position) override {
    bars.push_back(position);
    events_.push_back("bar");
  }
  void ShowMessage(std::string_view text) override {
    messages.emplace_back(text);
    events_.push_back("message");
  }

  // Event names in order: "pause 100", "status", "bar", "message".
  const std::vector<std::string>& Events() const { return events_; }
  std::vector<std::chrono::milliseconds> Pauses() const {
    std::vector<std::chrono::milliseconds> pauses;
    for (const auto& sleep : clock_.Sleeps()) {
      pauses.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(sleep));
    }
    return pauses;
  }

  std::vector<std::string> statuses;
  std::vector<int> bars;
  std::vector<std::string> messages;

 private:
  FakeClock& clock_;
  std::vector<std::string> events_;
};

// One request of the log: its number, command letter ('R' or 'W'), register
// and, for a write, the value's four hex digits.
struct LoggedRequest {
  int number = 0;
  char command = 0;
  std::string reg;
  std::string value;
  friend bool operator==(const LoggedRequest&, const LoggedRequest&) = default;
};

inline void PrintTo(const LoggedRequest& r, std::ostream* os) {
  *os << r.number << ":" << r.command << r.reg << (r.value.empty() ? "" : "=" + r.value);
}

// The text split at each CR LF; a text ending in CR LF gives no empty last line.
inline std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// A TORVALEK frame as the log shows it: STX, body, ETX, Sum BCC (start
// through end character), CR, with the control characters spelled out.
inline std::string LoggedFrame(std::string_view body) {
  unsigned sum = 0x02 + 0x03;
  for (const char c : body) sum += static_cast<uint8_t>(c);
  char bcc[3];
  std::snprintf(bcc, sizeof bcc, "%02X", sum & 0xFF);
  return "(STX)" + std::string(body) + "(ETX)" + bcc + "(CR)";
}

class TransferRig : public ::testing::Test {
 protected:
  TransferRig() : journal_(clock_) {
    connection_.settings.protocol = Protocol::Torvalek;  // as the settings screen always leaves it
    connection_.settings.readTimeout = 200;  // the longest: replies over a pseudo-terminal on a busy machine
  }

  // Starts the simulated device; the port of the session reaches it.
  void Connect(const sim::SimConfig& config) {
    // The simulator's troubles are test failures.
    device_ = std::make_unique<SimulatedDevice>(config, [](const std::string& what) { ADD_FAILURE() << what; });
    ASSERT_TRUE(device_->Ready());
    ports_ = DevicePathPortFactory(device_->Path());
  }

  static sim::SimConfig Device(ModelKind model, uint16_t options = 0, bool detect = true) {
    return SimModel(model, options, detect);
  }

  TransferSession Session() {
    return TransferSession{connection_, parameters_, currentModel_, state_, journal_, LogPath()};
  }
  std::filesystem::path LogPath() const { return folder_.Path() / "comlog.txt"; }

  TransferCommandOutcome Read() {
    TransferSession session = Session();
    return RunReadCommand(session, Language::English, journal_, journal_);
  }
  TransferCommandOutcome Write() {
    TransferSession session = Session();
    return RunWriteCommand(session, Language::English, journal_, journal_);
  }

  // The requests of the log in order.
  std::vector<LoggedRequest> Requests() const {
    std::vector<LoggedRequest> requests;
    for (const std::string& line : SplitLines(connection_.log.Text())) {
      const std::size_t head = line.find(". PC->KLV: (STX)");
      if (head == std::string::npos) continue;
      const std::string frame = line.substr(head + 16);
      LoggedRequest request;
      request.number = std::stoi(line.substr(0, head));
      request.command = frame.size() > 3 ? frame[3] : 0;
      request.reg = frame.size() >= 8 ? frame.substr(4, 4) : "";
      if (request.command == 'W' && frame.size() >= 14) request.value = frame.substr(10, 4);
      requests.push_back(request);
    }
    return requests;
  }

  // The registers asked for from request `first` on (0 = the first), in order.
  std::vector<std::string> RegistersFrom(std::size_t first) const {
    std::vector<std::string> registers;
    const std::vector<LoggedRequest> all = Requests();
    for (std::size_t i = first; i < all.size(); ++i) registers.push_back(all[i].reg);
    return registers;
  }

  // How many pauses of that length were taken.
  std::size_t PausesOf(std::chrono::milliseconds length) const {
    std::size_t count = 0;
    for (const auto pause : journal_.Pauses()) count += pause == length ? 1 : 0;
    return count;
  }

  FakeClock clock_;
  Journal journal_;
  TempFolder folder_;
  std::unique_ptr<SimulatedDevice> device_;
  // The ports the connection makes: none until a device is connected.
  SerialPortFactory ports_ = [] { return PortHandle{}; };
  Connection connection_{[this] { return ports_(); }};
  ParameterSet parameters_;
  ModelKind currentModel_ = ModelKind::Klv40;
  TransferState state_;
};

}  // namespace klv::testing
