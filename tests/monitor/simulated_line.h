#pragma once
// A simulated regulator in the same process behind a serial port on a fake
// clock: the port hands each request to klv-sim's regulator and serves its
// reply, taking as long as the real port would (the whole read time-out
// unless the wanted bytes are in), and the clock's wall time moves with it,
// so a ten-minute recording runs in milliseconds. Free of any test
// framework, for the core and the window tests alike.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "sim/simulated_regulator.h"
#include "serial/serial_port.h"
#include "support/fake_clock.h"

namespace klv::testing {

// A fake clock whose local time is a fixed start (08:05:03) plus the time
// that has passed on it.
class WallFakeClock final : public Clock {
 public:
  TimePoint Now() const override { return clock_.Now(); }
  void SleepFor(Duration duration) override { clock_.SleepFor(duration); }
  LocalTime LocalNow() const override {
    const auto passed = std::chrono::duration_cast<std::chrono::seconds>(clock_.Now() - TimePoint{}).count();
    const long long total = kStartSecond + passed;
    return LocalTime{2026, 12, 9, static_cast<int>((total / 3600) % 24), static_cast<int>((total / 60) % 60),
                     static_cast<int>(total % 60)};
  }
  void Advance(Duration duration) { clock_.Advance(duration); }
  FakeClock& Fake() { return clock_; }
  std::vector<Duration> Sleeps() const { return clock_.Sleeps(); }

  static constexpr long long kStartSecond = 8 * 3600 + 5 * 60 + 3;

 private:
  FakeClock clock_;
};

// What went over the simulated line.
struct LineRecord {
  std::vector<std::string> registers;  // the register of each request, "0110"
  std::vector<std::string> addresses;  // the device address of each request, "07"
  std::vector<std::size_t> wanted;     // the bytes asked for by each receive
  int opens = 0;
  int closes = 0;
};

// The adapter's plug, for a line that is pulled and plugged in again: while
// it is out the device cannot be opened, and a port still open on it sends
// nothing and reads nothing within its time-out, as a real one does.
struct Plug {
  bool in = true;
  std::vector<Clock::TimePoint> openAttempts;  // every open, when it was tried
};

inline std::string RequestRegister(std::span<const uint8_t> request) {
  return request.size() >= 9 ? std::string(request.begin() + 5, request.begin() + 9) : std::string();
}

class SimulatedLinePort final : public SerialPort {
 public:
  SimulatedLinePort(sim::SimulatedRegulator& regulator, WallFakeClock& clock, LineRecord& record,
                    Plug* plug = nullptr)
      : regulators_{&regulator}, clock_(clock), record_(record), plug_(plug) {}
  // Several regulators on one bus: each hears every request and only the
  // one at its address answers.
  SimulatedLinePort(std::vector<sim::SimulatedRegulator*> regulators, WallFakeClock& clock, LineRecord& record,
                    Plug* plug = nullptr)
      : regulators_(std::move(regulators)), clock_(clock), record_(record), plug_(plug) {}

  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override {
    if (plug_ != nullptr) {
      plug_->openAttempts.push_back(clock_.Now());
      if (!plug_->in) {
        return {PortStatus::CannotOpen, {}, PortFailure{PortFailureKind::NoSuchDevice, device.string()}};
      }
    }
    open_ = true;
    timeout_ = settings.readTimeout;
    ++record_.opens;
    return {};
  }
  bool IsOpen() const override { return open_; }
  // The device serves one request at a time: a late reply (and the copy of
  // a doubled one) holds back the replies to the requests after it.
  WriteOutcome Write(std::span<const uint8_t> bytes) override {
    if (!open_ || Unplugged()) return {};
    record_.registers.push_back(RequestRegister(bytes));
    record_.addresses.push_back(bytes.size() >= 3 ? std::string(bytes.begin() + 1, bytes.begin() + 3) : std::string());
    sim::ReplyPlan plan;
    for (sim::SimulatedRegulator* regulator : regulators_) {
      plan = regulator->Answer(bytes);
      if (!plan.reply.empty()) break;
    }
    if (plan.reply.empty()) return {true, bytes.size()};
    const Clock::TimePoint arrival = std::max(clock_.Now(), busyUntil_) + plan.delay;
    pending_.push_back({arrival, plan.reply});
    busyUntil_ = arrival;
    if (plan.repeatAfter) {
      busyUntil_ = arrival + *plan.repeatAfter;
      pending_.push_back({busyUntil_, plan.reply});
    }
    return {true, bytes.size()};
  }
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override {
    if (!open_) return 0;
    if (Unplugged()) {
      clock_.Advance(timeout_);
      return 0;
    }
    record_.wanted.push_back(buffer.size());
    const Clock::TimePoint start = clock_.Now();
    Clock::TimePoint end = start;
    const auto whole = [&] {
      const std::size_t count = std::min(buffer.size(), input_.size());
      const std::vector<uint8_t> queued(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
      return count >= buffer.size() || (count > 0 && frameEnd && frameEnd(std::span<const uint8_t>(queued)));
    };
    while (!whole() && !pending_.empty() && pending_.front().arrival <= start + timeout_) {
      end = std::max(end, pending_.front().arrival);
      input_.insert(input_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
      pending_.pop_front();
    }
    // A 16-byte reply at 9600 bits/s, 10 bits a character, takes about 17 ms.
    clock_.Advance(whole() ? (end - start) + std::chrono::milliseconds(17) : Clock::Duration(timeout_));
    const std::size_t count = std::min(buffer.size(), input_.size());
    std::copy_n(input_.begin(), count, buffer.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }
  std::size_t ReadWaiting(std::span<uint8_t> buffer) override {
    if (!open_) return 0;
    Arrive();
    const std::size_t count = std::min(buffer.size(), input_.size());
    std::copy_n(input_.begin(), count, buffer.begin());
    input_.clear();
    return count;
  }
  void DiscardInput() override {
    Arrive();
    input_.clear();
  }
  void Close() override {
    if (!open_) return;
    open_ = false;
    ++record_.closes;
  }

 private:
  bool Unplugged() const { return plug_ != nullptr && !plug_->in; }
  // Moves what has arrived by now into the input.
  void Arrive() {
    while (!pending_.empty() && pending_.front().arrival <= clock_.Now()) {
      input_.insert(input_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
      pending_.pop_front();
    }
  }
  struct Pending {
    Clock::TimePoint arrival;
    std::vector<uint8_t> bytes;
  };

  std::vector<sim::SimulatedRegulator*> regulators_;
  WallFakeClock& clock_;
  LineRecord& record_;
  Plug* plug_;
  bool open_ = false;
  std::chrono::milliseconds timeout_{100};
  std::deque<uint8_t> input_;
  std::deque<Pending> pending_;
  Clock::TimePoint busyUntil_{};
};

// A folder removed with everything in it at the end of the test.
class MonitorTempFolder {
 public:
  MonitorTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "klv-monitor-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  MonitorTempFolder(const MonitorTempFolder&) = delete;
  MonitorTempFolder& operator=(const MonitorTempFolder&) = delete;
  ~MonitorTempFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace klv::testing
