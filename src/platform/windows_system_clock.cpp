// The real clock on Windows: steady_clock and sleep_for as on POSIX, the
// local calendar time from the system.
#include <windows.h>

#include <thread>

#include "platform/clock.h"

namespace klv {
namespace {

class RealClock final : public Clock {
 public:
  TimePoint Now() const override { return std::chrono::steady_clock::now(); }

  void SleepFor(Duration duration) override { std::this_thread::sleep_for(duration); }

  LocalTime LocalNow() const override {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  }
};

}  // namespace

Clock& SystemClock() {
  static RealClock clock;
  return clock;
}

}  // namespace klv
