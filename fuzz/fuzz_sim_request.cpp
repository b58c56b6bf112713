// Arbitrary bytes on the simulator's line. The first byte picks the protocol
// (value % 3: TORVALEK, Modbus RTU, Modbus ASCII) and the size of the pieces
// the rest arrives in; the rest goes through the request framer and every
// frame it cuts into the regulator, and once more whole into the regulator.
// Nothing may crash, the framer may not hold more than its bound, and every
// reply must be one the device could send.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/request_framer.h"
#include "sim/simulated_regulator.h"
#include "platform/clock.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Time moves 10 ms on every look, so the live values move too.
class SteppingClock final : public klv::Clock {
 public:
  TimePoint Now() const override {
    now_ += std::chrono::milliseconds(10);
    return now_;
  }
  void SleepFor(Duration duration) override { now_ += duration; }
  klv::LocalTime LocalNow() const override { return {}; }
  void Reset() { now_ = {}; }

 private:
  mutable TimePoint now_{};
};

// One device per protocol, faults and all, built once: each input gets a
// fresh copy of it (and the clock its start again), so every run begins
// from the same state without paying for the set-up each time.
struct Prototypes {
  SteppingClock clock;
  std::vector<klv::sim::SimulatedRegulator> devices;

  Prototypes() {
    klv::sim::FaultPlan faults;
    faults.AddRegisterFault(klv::Register{0x0100}, {klv::sim::FaultKind::Noise, {}});
    faults.AddRegisterFault(klv::Register{0x0110}, {klv::sim::FaultKind::Split, std::chrono::milliseconds(5)});
    faults.AddRegisterFault(klv::Register{0x0102}, {klv::sim::FaultKind::Under, {}});
    faults.AddRegisterFault(klv::Register{0x0104}, {klv::sim::FaultKind::Junk, {}});
    faults.AddRegisterFault(klv::Register{0x0105}, {klv::sim::FaultKind::Short, {}});
    faults.AddRegisterFault(klv::Register{0x0106}, {klv::sim::FaultKind::BadCheck, {}});
    faults.AddRegisterFault(klv::Register{0x0107}, {klv::sim::FaultKind::OtherAddress, {}});
    faults.AddFailAfter(40, {klv::sim::FaultKind::Error, {}});
    devices.reserve(3);
    for (int protocol = 0; protocol < 3; ++protocol) {
      klv::sim::SimConfig config;
      config.protocol = static_cast<klv::Protocol>(protocol);
      config.options = 15;
      clock.Reset();
      devices.emplace_back(config, clock);  // reserved: the devices never move
      devices.back().SetFaultPlan(faults);
    }
  }
};

// Bytes of one input that are fed: a few frames past the framer's bound
// (kMaxPending, 256) and a few whole requests, which is all the line can show.
// Longer inputs only repeat what shorter ones do, at ten times the cost.
constexpr std::size_t kMaxLine = 1024;

// Longest reply: a ten-register TORVALEK read (61 bytes) after 3 noise bytes.
constexpr std::size_t kLongestReply = 64;

void CheckPlan(const klv::sim::ReplyPlan& plan) {
  Check(plan.reply.size() <= kLongestReply);
  Check(plan.splitAt <= plan.reply.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const klv::Protocol protocol = static_cast<klv::Protocol>(data[0] % 3);
  const std::size_t piece = (data[0] / 3) % 16 + 1;
  const std::span<const uint8_t> line(data + 1, std::min(size - 1, kMaxLine));

  static Prototypes prototypes;
  prototypes.clock.Reset();
  klv::sim::SimulatedRegulator device(prototypes.devices[data[0] % 3]);

  klv::sim::RequestFramer framer(protocol);
  for (std::size_t at = 0; at < line.size(); at += piece) {
    const auto chunk = line.subspan(at, std::min(piece, line.size() - at));
    for (const auto& frame : framer.Feed(chunk)) {
      Check(!frame.empty() && frame.size() <= klv::sim::RequestFramer::kMaxPending);
      CheckPlan(device.Answer(frame));
    }
    Check(framer.Pending() <= klv::sim::RequestFramer::kMaxPending);
  }
  for (const auto& frame : framer.Idle()) CheckPlan(device.Answer(frame));
  Check(framer.Pending() == 0);

  CheckPlan(device.Answer(line));
  return 0;
}
