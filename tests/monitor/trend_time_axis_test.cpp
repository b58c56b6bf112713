// The clock times under the trend chart: which columns carry one, which
// point's time each shows, and that the times travel with the points.
#include "monitor/trend_time_axis.h"

#include <gtest/gtest.h>

#include <vector>

namespace klv {
namespace {

LocalTime At(int secondsOfDay) {
  return LocalTime{2026, 12, 9, secondsOfDay / 3600, secondsOfDay / 60 % 60, secondsOfDay % 60};
}

// A full history whose point k was plotted at 09:58:30 + 2k seconds, of
// which only the newest `withData` points hold data.
TrendTimes Times(int withData) {
  TrendTimes times;
  for (int k = kTrendPointCount - withData; k < kTrendPointCount; ++k) times[static_cast<std::size_t>(k)] = At(35910 + 2 * k);
  return times;
}

TEST(TrendTimeAxis, LabelsStandUnderTheGridLinesWithTheTimeOfThePointThere) {
  struct Case {
    const char* name;
    int width;
    int withData;
    std::vector<TrendTimeLabel> expected;
  };
  const Case cases[] = {
      // 555 pixels: point k is drawn at column k; columns 0, 111, ... 555.
      {"full, one pixel a point", 555, kTrendPointCount,
       {{0, "09:58"}, {111, "10:02"}, {222, "10:05"}, {333, "10:09"}, {444, "10:13"}, {555, "10:17"}}},
      // 300 pixels: columns 0, 60, 120, 180, 240, 300 show points 0, 111, 222, 333, 444, 555.
      {"full, narrower", 300, kTrendPointCount,
       {{0, "09:58"}, {60, "10:02"}, {120, "10:05"}, {180, "10:09"}, {240, "10:13"}, {300, "10:17"}}},
      // Points 456..555 hold data: the columns the lines have not reached
      // show the times they stand for at the pace so far, as a full chart would.
      {"a hundred points", 555, 100,
       {{0, "09:58"}, {111, "10:02"}, {222, "10:05"}, {333, "10:09"}, {444, "10:13"}, {555, "10:17"}}},
      {"two points", 300, 2,
       {{0, "09:58"}, {60, "10:02"}, {120, "10:05"}, {180, "10:09"}, {240, "10:13"}, {300, "10:17"}}},
      // One point has no pace yet: its column alone.
      {"one point", 555, 1, {{555, "10:17"}}},
      {"nothing yet", 555, 0, {}},
      {"no width", 0, kTrendPointCount, {}},
  };
  for (const Case& c : cases) {
    const TrendTimes times = Times(c.withData);
    EXPECT_EQ(TrendTimeLabels(c.width, times), c.expected) << c.name;
  }
}

TEST(TrendTimeAxis, TheTimeOfASampleTravelsWithItsPointsAndClearingForgetsIt) {
  TrendHistory history;
  history.PostSample(100, 200);
  EXPECT_TRUE(history.TakeSample(At(50400)));  // 14:00:00
  EXPECT_FALSE(history.TakeSample(At(50401)));  // no new sample: no time either
  history.PostSample(100, 200);
  EXPECT_TRUE(history.TakeSample(At(50700)));  // 14:05:00
  ASSERT_TRUE(history.Times().back());
  EXPECT_EQ(history.Times().back()->minute, 5);
  ASSERT_TRUE(history.Times()[kTrendPointCount - 2]);
  EXPECT_EQ(history.Times()[kTrendPointCount - 2]->minute, 0);
  EXPECT_FALSE(history.Times()[kTrendPointCount - 3]);
  // 300 s a point, counted back past midnight: 14:00 less 554 x 300 s.
  const std::vector<TrendTimeLabel> labels = TrendTimeLabels(555, history.Times());
  ASSERT_EQ(labels.size(), 6u);
  EXPECT_EQ(labels.front(), (TrendTimeLabel{0, "15:50"}));
  EXPECT_EQ(labels.back(), (TrendTimeLabel{555, "14:05"}));

  history.ClearHistory();
  EXPECT_TRUE(TrendTimeLabels(555, history.Times()).empty());
}

}  // namespace
}  // namespace klv
