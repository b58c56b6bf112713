// The real clock: steady_clock and sleep_for, and the system's local time.
#include <thread>

#include "platform/clock.h"
#include "platform/local_time.h"

namespace klv {
namespace {

class RealClock final : public Clock {
 public:
  TimePoint Now() const override { return std::chrono::steady_clock::now(); }
  void SleepFor(Duration duration) override { std::this_thread::sleep_for(duration); }
  LocalTime LocalNow() const override { return SystemLocalTime(); }
};

}  // namespace

Clock& SystemClock() {
  static RealClock clock;
  return clock;
}

}  // namespace klv
