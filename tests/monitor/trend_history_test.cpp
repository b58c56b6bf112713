// The trend graph's data: output scaling per control mode, the hand-over of
// samples, the fixed histories, and where the chart's lines lie.
#include "monitor/trend_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "monitor/poll_schedule.h"

namespace klv {
namespace {

TEST(TrendScaling, OutputOnTheGraphScalePerControlMode) {
  struct Case {
    int32_t output, mode, ratedVoltage, ratedCurrent, plotted;
  };
  const Case cases[] = {
      {50, 0, 100, 20, 500},      // V-FB: 50 V of 100 V is the 50 % line
      {50, 1, 100, 20, 250},      // C-FB: 5.0 A of 20 A
      {5000, 2, 100, 20, 250},    // W-FB: divided by 0115 x 013C x 10
      {1, 0, 3, 20, 333},         // truncated towards zero
      {50, 0, 0, 20, 0},          // zero divisor
      {50, 1, 100, 0, 0},
      {50, 2, 0, 20, 0},
      {-32768, 0, 100, 20, 0},    // no reply: limited to 0
      {32767, 0, 100, 20, 1000},  // over range: limited to 1000
      {1200, 6, 100, 20, 1000},   // PA-Z: already in 0.1 %, limited
      {-5, 4, 100, 20, 0},
      {523, -1, 0, 0, 523},       // unknown mode: unchanged, no divisor involved
      {50, 0, -100, 20, 0},       // a negative result is limited to 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleTrendOutput(c.output, c.mode, c.ratedVoltage, c.ratedCurrent), c.plotted)
        << c.output << " mode " << c.mode << " 013C " << c.ratedVoltage << " 0115 " << c.ratedCurrent;
  }
}

TEST(TrendHistory, SamplesAreTakenOnceWithTheLaterValues) {
  TrendHistory history;
  EXPECT_TRUE(std::all_of(history.Input().begin(), history.Input().end(), [](int32_t v) { return v == -2; }));
  EXPECT_FALSE(history.TakeSample());

  history.SetOutputScale(1, 100, 20);
  history.PostSample(-32768, 10);
  history.PostSample(32767, 50);  // posted twice before the graph's tick
  const auto points = history.TakeSample();
  ASSERT_TRUE(points);
  EXPECT_EQ(points->input, 1000);
  EXPECT_EQ(points->output, 250);
  EXPECT_FALSE(history.TakeSample());
}

TEST(TrendHistory, ClearingLeavesTheNewSampleFlag) {
  TrendHistory history;
  PushPoint(history.Input(), 700);
  history.PostSample(400, 300);
  history.ClearHistory();
  EXPECT_EQ(history.Input().back(), kTrendNoData);
  EXPECT_EQ(history.LatestInput(), 0);
  EXPECT_EQ(history.LatestOutput(), 0);
  EXPECT_TRUE(history.HasNewSample());
  history.ClearNewSample();
  EXPECT_FALSE(history.TakeSample());
}

TEST(TrendHistory, TheOldestPointLeavesAfter556Samples) {
  TrendSeries series;
  series.fill(kTrendNoData);
  for (int32_t i = 0; i < kTrendPointCount; ++i) PushPoint(series, i);
  EXPECT_EQ(series.front(), 0);
  EXPECT_EQ(series.back(), 555);
  PushPoint(series, 1000);
  EXPECT_EQ(series.front(), 1);
  EXPECT_EQ(series[554], 555);
  EXPECT_EQ(series.back(), 1000);
}

// A chart of 556 x 201 pixels: sx = 556 / 555, sy = 0.201.
class ChartLayoutTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 556;
  static constexpr int kHeight = 201;

  ChartLayoutTest() {
    input_.fill(kTrendNoData);
    output_.fill(kTrendNoData);
  }
  const TrendChartLayout& LayOut() {
    const std::array<std::span<const int32_t>, 2> series = {input_, output_};
    LayOutTrendChart(kWidth, kHeight, kTrendRange, series, layout_);
    return layout_;
  }

  TrendSeries input_;
  TrendSeries output_;
  TrendChartLayout layout_;
};

TEST_F(ChartLayoutTest, GridAndMiddleLine) {
  const TrendChartLayout& layout = LayOut();
  // x = trunc(556 * 0.1i + 0.5), y = trunc(201 * 0.1i + 0.5).
  EXPECT_EQ(layout.grid[0], (ChartLine{56, 1, 56, 200}));
  EXPECT_EQ(layout.grid[4], (ChartLine{278, 1, 278, 200}));
  EXPECT_EQ(layout.grid[9], (ChartLine{1, 20, 555, 20}));
  EXPECT_EQ(layout.grid[17], (ChartLine{1, 181, 555, 181}));
  EXPECT_EQ(layout.middle, (ChartLine{0, 101, 556, 101}));
  // Before the first sample nothing of the series is drawn.
  EXPECT_TRUE(layout.series[0].empty());
  EXPECT_TRUE(layout.series[1].empty());
}

TEST_F(ChartLayoutTest, ASampleOf500LiesOnThe50PercentLine) {
  PushPoint(input_, 500);
  PushPoint(input_, 500);
  PushPoint(output_, 1000);
  PushPoint(output_, 1000);
  const TrendChartLayout& layout = LayOut();
  ASSERT_EQ(layout.series[0].size(), 1u);  // only the newest two points have data
  EXPECT_EQ(layout.series[0][0], (ChartLine{554, 101, 556, 101}));
  EXPECT_EQ(layout.series[0][0].y0, layout.middle.y0);
  EXPECT_EQ(layout.series[1][0], (ChartLine{554, 0, 556, 0}));  // 100 % at the top edge
}

TEST_F(ChartLayoutTest, AnOutputOnTheInputIsMovedOffIt) {
  // 500 on 500: one pixel below; 0 on 0 (drawn at height 1): one pixel above.
  for (const int32_t v : {500, 500, 0, 0}) {
    PushPoint(input_, v);
    PushPoint(output_, v);
  }
  const TrendChartLayout& layout = LayOut();
  ASSERT_EQ(layout.series[1].size(), 3u);
  EXPECT_EQ(layout.series[0][0], (ChartLine{552, 101, 553, 101}));
  EXPECT_EQ(layout.series[1][0], (ChartLine{552, 102, 553, 102}));
  EXPECT_EQ(layout.series[0][2], (ChartLine{554, 200, 556, 200}));
  EXPECT_EQ(layout.series[1][2], (ChartLine{554, 199, 556, 199}));
  // The step from 500 to 0 follows the input, one pixel off it at both ends.
  EXPECT_EQ(layout.series[1][1], (ChartLine{553, 102, 554, 199}));
}

TEST(PollSchedule, TicksOnAGridAndLateTicksMerge) {
  using std::chrono::milliseconds;
  PollSchedule schedule(milliseconds(200));
  const Clock::TimePoint start{};
  schedule.Start(start);
  EXPECT_FALSE(schedule.Due(start + milliseconds(199)));
  EXPECT_EQ(schedule.UntilNext(start + milliseconds(150)), milliseconds(50));
  // A tick that starts late and ends at 290 ms: the next stays at 400 ms.
  EXPECT_EQ(schedule.Advance(start + milliseconds(290)), 0);
  EXPECT_EQ(schedule.NextDue(), start + milliseconds(400));
  // A tick that ran from 400 to 1050 ms: 600, 800 and 1000 passed; they make
  // one tick due at once, the other two are merged into it.
  EXPECT_EQ(schedule.Advance(start + milliseconds(1050)), 2);
  EXPECT_TRUE(schedule.Due(start + milliseconds(1050)));
  EXPECT_EQ(schedule.Advance(start + milliseconds(1060)), 0);
  EXPECT_EQ(schedule.NextDue(), start + milliseconds(1200));
}

}  // namespace
}  // namespace klv
