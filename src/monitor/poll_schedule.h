#pragma once
// When the monitor's next tick is due. Ticks lie on a fixed grid of one
// period from the start, so the mean period stays exact whatever the timer's
// jitter; ticks that fall due while an exchange still runs are merged into
// one that runs at once, never run one after another to catch up.
#include "platform/clock.h"

namespace klv {

class PollSchedule {
 public:
  explicit PollSchedule(Clock::Duration period) : period_(period) {}

  // The first tick falls due one period after now.
  void Start(Clock::TimePoint now) {
    origin_ = now;
    next_ = now + period_;
  }
  bool Due(Clock::TimePoint now) const { return now >= next_; }
  // Time until the next tick; zero when it is due.
  Clock::Duration UntilNext(Clock::TimePoint now) const {
    return now >= next_ ? Clock::Duration::zero() : next_ - now;
  }
  // After a tick that ended at now: the next tick is the next grid point;
  // when one or more grid points passed during the tick, they make one tick
  // due at once. Returns how many further ones were merged into it.
  int Advance(Clock::TimePoint now);

  Clock::Duration Period() const { return period_; }
  Clock::TimePoint NextDue() const { return next_; }

 private:
  Clock::Duration period_;
  Clock::TimePoint origin_{};
  Clock::TimePoint next_{};
};

}  // namespace klv
