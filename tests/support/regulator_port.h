#pragma once
// A serial port that reaches a simulated regulator in this process: each
// request written is cut into frames and answered at once, and the answer
// waits to be read. For tests where no pseudo-terminal can be had (the
// window tests under Wine). A silent line answers nothing, so a read returns
// empty at once, as a real one does after its time-out.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "serial/port.h"
#include "sim/request_framer.h"
#include "sim/simulated_regulator.h"
#include "support/fake_clock.h"

namespace klv::testing {

class InProcessRegulator {
 public:
  explicit InProcessRegulator(const sim::SimConfig& config) : protocol_(config.protocol), regulator_(config, clock_) {}

  // Ports that all reach this regulator; it must outlive them.
  SerialPortFactory Factory();

  // Preset a front-panel value or faults before a transfer.
  template <typename Action>
  auto With(Action action) {
    std::lock_guard lock(mutex_);
    return action(regulator_);
  }
  // No reply to anything from now on.
  void Silence() {
    std::lock_guard lock(mutex_);
    silent_ = true;
  }
  // Requests received so far (answered or not).
  int Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  // Called on the transfer's thread after each request is answered, with
  // the count of requests so far.
  std::function<void(int)> afterRequest;

 private:
  friend class InProcessRegulatorPort;
  std::vector<uint8_t> Exchange(std::span<const uint8_t> bytes, sim::RequestFramer& framer) {
    std::vector<uint8_t> replies;
    int count = 0;
    {
      std::lock_guard lock(mutex_);
      for (const sim::Frame& frame : framer.Feed(bytes)) {
        count = ++requests_;
        if (silent_) continue;
        const std::vector<uint8_t> reply = regulator_.Answer(frame).reply;
        replies.insert(replies.end(), reply.begin(), reply.end());
      }
    }
    if (count > 0 && afterRequest) afterRequest(count);
    return replies;
  }

  Protocol protocol_;
  FakeClock clock_;  // the simulation's own time; the live values do not matter here
  std::mutex mutex_;
  sim::SimulatedRegulator regulator_;
  bool silent_ = false;
  int requests_ = 0;
};

class InProcessRegulatorPort final : public SerialPort {
 public:
  explicit InProcessRegulatorPort(InProcessRegulator& regulator)
      : regulator_(regulator), framer_(regulator.protocol_) {}

  PortOpenStatus Open(const std::filesystem::path&, const LineSettings&) override {
    open_ = true;
    return {};
  }
  bool IsOpen() const override { return open_; }
  WriteOutcome Write(std::span<const uint8_t> bytes) override {
    if (!open_) return {};
    const std::vector<uint8_t> reply = regulator_.Exchange(bytes, framer_);
    input_.insert(input_.end(), reply.begin(), reply.end());
    return {true, bytes.size()};
  }
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest&) override {
    const std::size_t count = std::min(buffer.size(), input_.size());
    std::copy_n(input_.begin(), count, buffer.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }
  void DiscardInput() override { input_.clear(); }
  void Close() override {
    open_ = false;
    input_.clear();
  }

 private:
  InProcessRegulator& regulator_;
  sim::RequestFramer framer_;
  std::deque<uint8_t> input_;
  bool open_ = false;
};

inline SerialPortFactory InProcessRegulator::Factory() {
  return [this]() -> PortHandle { return std::make_unique<InProcessRegulatorPort>(*this); };
}

}  // namespace klv::testing
