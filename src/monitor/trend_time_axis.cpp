#include "monitor/trend_time_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace klv {

namespace {

constexpr long kSecondsPerDay = 24L * 60 * 60;

long SecondOfDay(const LocalTime& time) { return time.hour * 3600L + time.minute * 60L + time.second; }

// The time of point k of times: its own, or one counted back from the
// oldest point with a time at the mean pace between it and the newest.
std::optional<long> SecondOfPoint(std::span<const std::optional<LocalTime>> times, long k) {
  if (times[static_cast<std::size_t>(k)]) return SecondOfDay(*times[static_cast<std::size_t>(k)]);
  long oldest = -1;
  long newest = -1;
  for (long i = 0; i < static_cast<long>(times.size()); ++i) {
    if (!times[static_cast<std::size_t>(i)]) continue;
    if (oldest < 0) oldest = i;
    newest = i;
  }
  if (oldest < 0 || newest <= oldest || k > oldest) return std::nullopt;
  // Past midnight the newest time is smaller than the oldest: a day later.
  const long span = (SecondOfPoint(times, newest).value() - SecondOfPoint(times, oldest).value() + kSecondsPerDay) %
                    kSecondsPerDay;
  const double pace = static_cast<double>(span) / static_cast<double>(newest - oldest);
  const long back = std::lround(pace * static_cast<double>(oldest - k));
  return ((SecondOfPoint(times, oldest).value() - back) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
}

}  // namespace

std::vector<TrendTimeLabel> TrendTimeLabels(int w, std::span<const std::optional<LocalTime>> times) {
  std::vector<TrendTimeLabel> labels;
  if (w <= 0 || times.size() < 2) return labels;
  const auto last = static_cast<long>(times.size() - 1);
  for (int i = 0; i <= 10; i += 2) {
    const int x = static_cast<int>(w * 0.1 * i + 0.5);
    // Point k is drawn from x = trunc(k * w / last): the point nearest the column.
    const long k = std::clamp(std::lround(static_cast<double>(x) * static_cast<double>(last) / w), 0L, last);
    const std::optional<long> second = SecondOfPoint(times, k);
    if (!second) continue;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(*second / 3600), static_cast<int>(*second / 60 % 60));
    labels.push_back({x, text});
  }
  return labels;
}

}  // namespace klv
