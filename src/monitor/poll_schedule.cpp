#include "monitor/poll_schedule.h"

namespace klv {

int PollSchedule::Advance(Clock::TimePoint now) {
  if (period_ <= Clock::Duration::zero()) {
    next_ = now;
    return 0;
  }
  next_ += period_;
  if (next_ > now) return 0;
  // Grid points passed during the tick: they become one tick, due at once.
  const auto passed = (now - origin_) / period_;
  const Clock::TimePoint latest = origin_ + passed * period_;
  const auto merged = static_cast<int>((latest - next_) / period_);
  next_ = latest;
  return merged;
}

}  // namespace klv
