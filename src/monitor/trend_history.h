#pragma once
// The trend graph's data: the latest sample handed over by the monitor, the
// two fixed histories it is pushed into (control input and output, oldest
// first), the scaling of the output onto the graph's 0-1000 scale per control
// mode, and where each line of the chart lies for a given drawing area. No
// drawing here: the window paints the lines this computes.
//
// Single-threaded: the monitor and the graph both run on the window thread,
// and the new-sample flag is the only hand-over, so a sample posted twice
// before the graph takes it is plotted once, with the later values.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "monitor/trend_sink.h"
#include "platform/clock.h"

namespace klv {

// Points across the chart; the time across it is 555 polling cycles.
inline constexpr int kTrendPointCount = 556;
// The top of the scale: 100.0 % in 0.1 % units.
inline constexpr int32_t kTrendRange = 1000;
// A point without data; nothing is drawn from it.
inline constexpr int32_t kTrendNoData = -2;

using TrendSeries = std::array<int32_t, kTrendPointCount>;
// The wall time at which each point of the histories was plotted, oldest
// first; none for a point without data.
using TrendTimes = std::array<std::optional<LocalTime>, kTrendPointCount>;

// Moves every value one place towards the oldest end and puts value at the
// newest end. The series is a fixed buffer, shifted in place.
void PushPoint(std::span<int32_t> series, int32_t value);

// The output on the graph's scale: in V-FB (mode 0) output / 013C x 1000, in
// C-FB (1) output / (0115 x 10) x 1000, in W-FB (2) output / (0115 x 013C x
// 10) x 1000, truncated towards zero; any other mode is already in 0.1 %. A
// zero divisor gives 0. The result is limited to 0-1000.
int32_t ScaleTrendOutput(int32_t output, int32_t controlMode, int32_t ratedVoltage, int32_t ratedCurrent);

class TrendHistory final : public TrendSink {
 public:
  TrendHistory();

  // The monitor's inputs.
  void PostSample(int32_t input, int32_t output) override;
  void SetOutputScale(int32_t controlMode, int32_t ratedVoltage, int32_t ratedCurrent) override;
  // Both histories to no data (and no times), latest input and output 0. The new-sample flag
  // is left alone: the monitor clears it itself when monitoring stops.
  void ClearHistory() override;
  void ClearNewSample() override { newSample_ = false; }

  // The graph timer's step: with a new sample present, the two points it
  // adds (the input limited to 0-1000, the output scaled), and the flag is
  // cleared; nothing otherwise. The caller pushes them into the histories.
  struct Points {
    int32_t input = 0;
    int32_t output = 0;
  };
  std::optional<Points> TakeSample();
  // The same, and with a new sample present takenAt enters the sample times
  // at the newest end, beside the two points the caller pushes.
  std::optional<Points> TakeSample(const LocalTime& takenAt);

  bool HasNewSample() const { return newSample_; }
  int32_t LatestInput() const { return latestInput_; }
  int32_t LatestOutput() const { return latestOutput_; }
  int32_t ControlMode() const { return controlMode_; }
  int32_t RatedVoltage() const { return ratedVoltage_; }
  int32_t RatedCurrent() const { return ratedCurrent_; }

  // The histories, oldest first.
  TrendSeries& Input() { return input_; }
  TrendSeries& Output() { return output_; }
  const TrendSeries& Input() const { return input_; }
  const TrendSeries& Output() const { return output_; }
  const TrendTimes& Times() const { return times_; }

 private:
  TrendSeries input_;
  TrendSeries output_;
  TrendTimes times_;
  bool newSample_ = false;
  int32_t latestInput_ = 0;
  int32_t latestOutput_ = 0;
  int32_t controlMode_ = 6;
  int32_t ratedVoltage_ = 100;
  int32_t ratedCurrent_ = 20;
};

// ---- Chart layout ------------------------------------------------------------

// A one-pixel line in the drawing area's pixels, (0, 0) at the top left.
struct ChartLine {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
  friend bool operator==(const ChartLine&, const ChartLine&) = default;
};

// Every line of one picture of the chart, background and border aside.
struct TrendChartLayout {
  std::array<ChartLine, 18> grid{};  // nine vertical, then nine horizontal
  ChartLine middle{};                // the 50 % line, in the frame colour
  std::vector<std::vector<ChartLine>> series;  // per series, in drawing order
};

// The lines of a chart of w x h pixels whose top edge stands for
// verticalRange, for the series given (each of the same length, oldest
// first). The layout's vectors are reused, so a redraw allocates nothing once
// they have grown.
//
// Grid: x = trunc(w * 0.1i + 0.5) and y = trunc(h * 0.1i + 0.5) for i = 1..9,
// from (x, 1) to (x, h - 1) and from (1, y) to (w - 1, y). The 50 % line runs
// from (0, m) to (w, m) with m = trunc(h * 0.5 + 0.5).
// Series: with sx = w / (points - 1) and sy = h / verticalRange in single
// precision, point i of value v lies at x = trunc(i * sx), y = trunc(v * sy)
// counted up from the bottom (a y of 0 becomes 1), drawn at pixel row h - y.
// A negative value at i draws no line from i. Where a series after the first
// meets the series before it at the same end of a line, that end moves one
// pixel down (or up to 2 from the bottom line), so an output lying on the
// input stays visible beside it.
void LayOutTrendChart(int w, int h, int32_t verticalRange, std::span<const std::span<const int32_t>> series,
                      TrendChartLayout& layout);

}  // namespace klv
