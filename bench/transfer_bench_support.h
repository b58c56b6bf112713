#pragma once
// What the transfer benchmarks share: a clock that adds up the pauses a
// transfer sleeps, and an operator who is shown nothing.
#include <string_view>

#include "platform/clock.h"
#include "transfer/progress_sink.h"

namespace klv::bench {

// The system clock, adding up what the transfer sleeps.
class PauseCountingClock final : public Clock {
 public:
  TimePoint Now() const override { return SystemClock().Now(); }
  void SleepFor(Duration duration) override {
    slept_ += duration;
    SystemClock().SleepFor(duration);
  }
  LocalTime LocalNow() const override { return SystemClock().LocalNow(); }
  Duration Slept() const { return slept_; }

 private:
  Duration slept_{};
};

class NoOperator final : public ProgressSink, public MessageSink {
 public:
  void SetStatusText(std::string_view) override {}
  void SetBarPosition(int) override {}
  void ShowMessage(std::string_view) override {}
};

}  // namespace klv::bench
