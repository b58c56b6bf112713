#pragma once
// The program's one source of time. Everything that pauses, waits or stamps
// takes a Clock, so tests run on a FakeClock without real waiting.
#include <chrono>

namespace klv {

// Local calendar time, as shown in the communication log and the data record.
struct LocalTime {
  int year = 0;    // e.g. 2026
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..60
};

class Clock {
 public:
  using Duration = std::chrono::steady_clock::duration;
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~Clock() = default;
  // Monotonic time, for time-outs and periods.
  virtual TimePoint Now() const = 0;
  // Blocks the calling thread for the given time.
  virtual void SleepFor(Duration duration) = 0;
  // The wall-clock time in the local time zone.
  virtual LocalTime LocalNow() const = 0;
};

// The real clock: steady_clock, std::this_thread::sleep_for, localtime_r.
Clock& SystemClock();

}  // namespace klv
