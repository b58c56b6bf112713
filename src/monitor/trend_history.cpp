#include "monitor/trend_history.h"

#include <algorithm>

namespace klv {

void PushPoint(std::span<int32_t> series, int32_t value) {
  if (series.empty()) return;
  std::move(series.begin() + 1, series.end(), series.begin());
  series.back() = value;
}

int32_t ScaleTrendOutput(int32_t output, int32_t controlMode, int32_t ratedVoltage, int32_t ratedCurrent) {
  // 64-bit integers: the quotient of output x 1000 by the divisor, truncated
  // towards zero, is exact where floating point could land just below a
  // whole number.
  int64_t divisor = 0;
  switch (controlMode) {
    case 0: divisor = ratedVoltage; break;
    case 1: divisor = int64_t{ratedCurrent} * 10; break;
    case 2: divisor = int64_t{ratedCurrent} * ratedVoltage * 10; break;
    default: return std::clamp(output, 0, kTrendRange);
  }
  const int64_t scaled = divisor == 0 ? 0 : int64_t{output} * 1000 / divisor;
  return static_cast<int32_t>(std::clamp<int64_t>(scaled, 0, kTrendRange));
}

TrendHistory::TrendHistory() {
  input_.fill(kTrendNoData);
  output_.fill(kTrendNoData);
}

void TrendHistory::PostSample(int32_t input, int32_t output) {
  latestInput_ = input;
  latestOutput_ = output;
  newSample_ = true;
}

void TrendHistory::SetOutputScale(int32_t controlMode, int32_t ratedVoltage, int32_t ratedCurrent) {
  controlMode_ = controlMode;
  ratedVoltage_ = ratedVoltage;
  ratedCurrent_ = ratedCurrent;
}

void TrendHistory::ClearHistory() {
  input_.fill(kTrendNoData);
  output_.fill(kTrendNoData);
  times_.fill(std::nullopt);
  latestInput_ = 0;
  latestOutput_ = 0;
}

std::optional<TrendHistory::Points> TrendHistory::TakeSample() {
  if (!newSample_) return std::nullopt;
  newSample_ = false;
  return Points{std::clamp(latestInput_, 0, kTrendRange),
                ScaleTrendOutput(latestOutput_, controlMode_, ratedVoltage_, ratedCurrent_)};
}

std::optional<TrendHistory::Points> TrendHistory::TakeSample(const LocalTime& takenAt) {
  std::optional<Points> points = TakeSample();
  if (points) {
    std::move(times_.begin() + 1, times_.end(), times_.begin());
    times_.back() = takenAt;
  }
  return points;
}

namespace {

// A value's height above the bottom edge; a height of 0 is drawn at 1 so a
// line at the bottom stays inside the frame.
int Height(int32_t value, float sy) {
  const int y = static_cast<int>(static_cast<float>(value) * sy);
  return y == 0 ? 1 : y;
}

// An end lying on the series before moves one pixel down, or up from the
// bottom line.
int MoveOff(int y) { return y == 1 ? 2 : y - 1; }

}  // namespace

void LayOutTrendChart(int w, int h, int32_t verticalRange, std::span<const std::span<const int32_t>> series,
                      TrendChartLayout& layout) {
  for (int i = 1; i <= 9; ++i) {
    const int x = static_cast<int>(w * 0.1 * i + 0.5);
    const int y = static_cast<int>(h * 0.1 * i + 0.5);
    layout.grid[static_cast<std::size_t>(i - 1)] = {x, 1, x, h - 1};
    layout.grid[static_cast<std::size_t>(i + 8)] = {1, y, w - 1, y};
  }
  const int m = static_cast<int>(h * 0.5 + 0.5);
  layout.middle = {0, m, w, m};

  layout.series.resize(series.size());
  for (auto& lines : layout.series) lines.clear();
  if (series.empty() || verticalRange == 0) return;
  const std::size_t points = series.front().size();
  if (points < 2) return;
  const std::size_t last = points - 1;
  const float sx = static_cast<float>(w) / static_cast<float>(last);
  const float sy = static_cast<float>(h) / static_cast<float>(verticalRange);

  for (std::size_t s = 0; s < series.size(); ++s) {
    const std::span<const int32_t> values = series[s];
    if (values.size() != points) continue;
    std::vector<ChartLine>& lines = layout.series[s];
    for (std::size_t i = 0; i < last; ++i) {
      const int32_t v = values[i];
      if (v < 0) continue;
      const int x0 = static_cast<int>(static_cast<float>(i) * sx);
      const int x1 = static_cast<int>(static_cast<float>(i + 1) * sx);
      int y0 = Height(v, sy);
      int y1 = Height(values[i + 1], sy);
      if (s > 0 && series[s - 1].size() == points) {
        if (y0 == Height(series[s - 1][i], sy)) y0 = MoveOff(y0);
        if (y1 == Height(series[s - 1][i + 1], sy)) y1 = MoveOff(y1);
      }
      lines.push_back({x0, h - y0, x1, h - y1});
    }
  }
}

}  // namespace klv
