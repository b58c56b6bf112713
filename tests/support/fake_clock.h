#pragma once
// A clock for tests: time moves only when the code under test sleeps or the
// test advances it, and every sleep is recorded.
#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace klv::testing {

class FakeClock final : public Clock {
 public:
  TimePoint Now() const override {
    std::lock_guard lock(mutex_);
    return now_;
  }

  void SleepFor(Duration duration) override {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(duration);
    now_ += duration;
  }

  LocalTime LocalNow() const override {
    std::lock_guard lock(mutex_);
    return local_;
  }

  void Advance(Duration duration) {
    std::lock_guard lock(mutex_);
    now_ += duration;
  }
  void SetLocalTime(const LocalTime& local) {
    std::lock_guard lock(mutex_);
    local_ = local;
  }
  std::vector<Duration> Sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
  }

 private:
  mutable std::mutex mutex_;
  TimePoint now_{};
  LocalTime local_{2026, 12, 9, 8, 5, 3};
  std::vector<Duration> sleeps_;
};

}  // namespace klv::testing
