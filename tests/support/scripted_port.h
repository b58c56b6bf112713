#pragma once
// A scripted serial line for unit tests: the test queues what the far end
// answers to each write and reads back what the program wrote, opened and
// configured. Time is simulated on a FakeClock: a read advances it by as long
// as the real port would have taken (until the wanted bytes are in, else the
// whole read time-out), so no test waits in real time.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "serial/port.h"
#include "serial/serial_port.h"
#include "support/fake_clock.h"

namespace klv::testing {

// Part of a reply, arriving whole at latency after the write that caused it.
struct ScriptedChunk {
  std::vector<uint8_t> bytes;
  Clock::Duration latency{};
};

// The far end and the record. Ports made by Factory() act on it; like a real
// device it can be open through only one port at a time.
class ScriptedDevice {
 public:
  explicit ScriptedDevice(FakeClock& clock) : clock_(clock) {}
  ScriptedDevice(const ScriptedDevice&) = delete;
  ScriptedDevice& operator=(const ScriptedDevice&) = delete;

  SerialPortFactory Factory();

  // --- script ---
  // What the next opens report (default: success).
  PortOpenStatus openStatus;
  // The answer to the next write not yet answered, in one or more chunks.
  void QueueReply(std::vector<uint8_t> bytes, Clock::Duration latency = {}) {
    replies_.push_back({ScriptedChunk{std::move(bytes), latency}});
  }
  void QueueReply(std::vector<ScriptedChunk> chunks) { replies_.push_back(std::move(chunks)); }
  // The next write gets no answer.
  void QueueSilence() { replies_.emplace_back(); }
  // Bytes already waiting in the receive queue (e.g. noise, a late reply).
  void QueueInput(std::span<const uint8_t> bytes) { input_.insert(input_.end(), bytes.begin(), bytes.end()); }
  // From now on the device is gone: reads give 0 at once, writes fail.
  void HangUp() { hungUp_ = true; }
  // Writes report failure (nothing written), as on a write time-out.
  bool failWrites = false;

  // --- record ---
  const std::vector<std::vector<uint8_t>>& Writes() const { return writes_; }
  // How long each read took on the fake clock.
  const std::vector<Clock::Duration>& ReadDurations() const { return readDurations_; }
  const std::vector<std::filesystem::path>& OpenedDevices() const { return openedDevices_; }
  const LineSettings& Settings() const { return settings_; }
  bool IsOpen() const { return open_; }
  int Opens() const { return opens_; }
  int Closes() const { return closes_; }
  std::size_t QueuedInput() const { return input_.size(); }
  int Discards() const { return discards_; }

 private:
  friend class ScriptedPort;
  struct Pending {
    Clock::TimePoint arrival;
    std::vector<uint8_t> bytes;
  };

  PortOpenStatus DoOpen(const std::filesystem::path& device, const LineSettings& settings) {
    openedDevices_.push_back(device);
    if (open_) return {PortStatus::CannotOpen, device.string() + ": busy, in use by another program"};
    if (openStatus.status != PortStatus::Ok) return openStatus;
    open_ = true;
    ++opens_;
    settings_ = settings;
    return {};
  }

  // What has arrived by now is dropped; what is still on its way is not.
  void DoDiscardInput() {
    ++discards_;
    input_.clear();
    while (!pending_.empty() && pending_.front().arrival <= clock_.Now()) pending_.pop_front();
  }

  // What has arrived by now is handed over; what is still on its way is not.
  std::size_t DoReadWaiting(std::span<uint8_t> buffer) {
    while (!pending_.empty() && pending_.front().arrival <= clock_.Now()) {
      input_.insert(input_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
      pending_.pop_front();
    }
    const std::size_t count = std::min(buffer.size(), input_.size());
    std::copy_n(input_.begin(), count, buffer.begin());
    input_.clear();
    return count;
  }

  void DoClose() {
    open_ = false;
    ++closes_;
  }

  WriteOutcome DoWrite(std::span<const uint8_t> bytes) {
    writes_.emplace_back(bytes.begin(), bytes.end());
    if (hungUp_ || failWrites) return {};
    if (!replies_.empty()) {
      for (auto& chunk : replies_.front()) {
        pending_.push_back({clock_.Now() + chunk.latency, std::move(chunk.bytes)});
      }
      replies_.pop_front();
      std::stable_sort(pending_.begin(), pending_.end(),
                       [](const Pending& a, const Pending& b) { return a.arrival < b.arrival; });
    }
    return {true, bytes.size()};
  }

  bool WholeFrameQueued(std::size_t wanted, const FrameEndTest& frameEnd) const {
    if (!frameEnd || input_.empty()) return false;
    const std::size_t count = std::min(wanted, input_.size());
    const std::vector<uint8_t> queued(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
    return frameEnd(std::span<const uint8_t>(queued));
  }

  std::size_t DoRead(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) {
    const Clock::TimePoint start = clock_.Now();
    if (hungUp_) {
      readDurations_.push_back({});
      return 0;
    }
    const Clock::TimePoint deadline = start + settings_.readTimeout;
    Clock::TimePoint end = start;
    // Chunks arrive in time order until enough bytes are in, a whole frame
    // is, or the time is up.
    bool whole = WholeFrameQueued(buffer.size(), frameEnd);
    while (input_.size() < buffer.size() && !whole && !pending_.empty() && pending_.front().arrival <= deadline) {
      end = std::max(end, pending_.front().arrival);
      input_.insert(input_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
      pending_.pop_front();
      whole = WholeFrameQueued(buffer.size(), frameEnd);
    }
    if (input_.size() < buffer.size() && !whole) end = deadline;
    clock_.Advance(end - start);
    readDurations_.push_back(end - start);
    const std::size_t count = std::min(buffer.size(), input_.size());
    std::copy_n(input_.begin(), count, buffer.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }

  FakeClock& clock_;
  std::deque<std::vector<ScriptedChunk>> replies_;
  std::deque<Pending> pending_;
  std::deque<uint8_t> input_;
  bool hungUp_ = false;
  bool open_ = false;
  int opens_ = 0;
  int closes_ = 0;
  int discards_ = 0;
  LineSettings settings_;
  std::vector<std::vector<uint8_t>> writes_;
  std::vector<Clock::Duration> readDurations_;
  std::vector<std::filesystem::path> openedDevices_;
};

class ScriptedPort final : public SerialPort {
 public:
  explicit ScriptedPort(ScriptedDevice& device) : device_(device) {}
  ~ScriptedPort() override { Close(); }

  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override {
    Close();
    const PortOpenStatus status = device_.DoOpen(device, settings);
    open_ = status.status == PortStatus::Ok;
    return status;
  }
  bool IsOpen() const override { return open_; }
  WriteOutcome Write(std::span<const uint8_t> bytes) override {
    return open_ ? device_.DoWrite(bytes) : WriteOutcome{};
  }
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override {
    return open_ ? device_.DoRead(buffer, frameEnd) : 0;
  }
  void DiscardInput() override {
    if (open_) device_.DoDiscardInput();
  }
  std::size_t ReadWaiting(std::span<uint8_t> buffer) override {
    return open_ ? device_.DoReadWaiting(buffer) : 0;
  }
  void Close() override {
    if (!open_) return;
    open_ = false;
    device_.DoClose();
  }

 private:
  ScriptedDevice& device_;
  bool open_ = false;
};

inline SerialPortFactory ScriptedDevice::Factory() {
  return [this] { return std::make_unique<ScriptedPort>(*this); };
}

}  // namespace klv::testing
