#include "monitor/trend_time_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace klv {

std::vector<TrendTimeLabel> TrendTimeLabels(int w, std::span<const std::optional<LocalTime>> times) {
  std::vector<TrendTimeLabel> labels;
  if (w <= 0 || times.size() < 2) return labels;
  const auto last = static_cast<long>(times.size() - 1);
  for (int i = 0; i <= 10; i += 2) {
    const int x = static_cast<int>(w * 0.1 * i + 0.5);
    // Point k is drawn from x = trunc(k * w / last): the point nearest the column.
    const long k = std::clamp(std::lround(static_cast<double>(x) * static_cast<double>(last) / w), 0L, last);
    const std::optional<LocalTime>& time = times[static_cast<std::size_t>(k)];
    if (!time) continue;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", std::clamp(time->hour, 0, 99), std::clamp(time->minute, 0, 99));
    labels.push_back({x, text});
  }
  return labels;
}

}  // namespace klv
