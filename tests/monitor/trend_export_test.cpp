// The trend graph's exports: the shown history as CSV rows with the clock
// time of each point, the offered file names and the messages.
#include "monitor/trend_export.h"

#include <gtest/gtest.h>

namespace klv {
namespace {

// Plots one sample as the graph's timer does: the flag taken with its time,
// then both points pushed.
void Plot(TrendHistory& history, int32_t input, int32_t output, const LocalTime& at) {
  history.PostSample(input, output);
  const auto points = history.TakeSample(at);
  ASSERT_TRUE(points);
  PushPoint(history.Input(), points->input);
  PushPoint(history.Output(), points->output);
}

TEST(TrendExport, CsvHasOneRowPerShownPointWithItsTime) {
  TrendHistory history;
  history.SetOutputScale(0, 100, 20);  // V-FB: output / 013C x 1000
  EXPECT_EQ(TrendHistoryCsv(history), kTrendCsvHeader);  // nothing plotted yet

  Plot(history, 500, 50, {2026, 12, 9, 23, 59, 58});
  Plot(history, -32768, 100, {2026, 12, 9, 23, 59, 59});  // no reply: 0
  Plot(history, 32767, 7, {2026, 12, 10, 0, 0, 1});      // past midnight
  EXPECT_EQ(TrendHistoryCsv(history),
            "Date, Time, Input (%), Output (%)\r\n"
            "2026-12-09, 23:59:58, 50.0, 50.0\r\n"
            "2026-12-09, 23:59:59, 0.0, 100.0\r\n"
            "2026-12-10, 00:00:01, 100.0, 7.0\r\n");

  history.ClearHistory();
  EXPECT_EQ(TrendHistoryCsv(history), kTrendCsvHeader);
}

TEST(TrendExport, FullHistoryKeepsTheNewestPoints) {
  TrendHistory history;
  history.SetOutputScale(6, 100, 20);  // output already in 0.1 %
  for (int i = 0; i < kTrendPointCount + 10; ++i) {
    Plot(history, i % 1001, 3, {2026, 1, 1, i / 3600, (i / 60) % 60, i % 60});
  }
  const std::string csv = TrendHistoryCsv(history);
  std::size_t rows = 0;
  for (std::size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2)) ++rows;
  EXPECT_EQ(rows, 1u + kTrendPointCount);
  // The oldest ten left at the left edge: the first row is sample 10.
  EXPECT_NE(csv.find(kTrendCsvHeader.data() + std::string("2026-01-01, 00:00:10, 1.0, 0.3\r\n")), std::string::npos);
  EXPECT_TRUE(csv.ends_with("2026-01-01, 00:09:25, 56.5, 0.3\r\n"));
}

TEST(TrendExport, NamesAndMessages) {
  const LocalTime now{2026, 12, 9, 8, 5, 3};
  EXPECT_EQ(TrendExportFileName(TrendExport::Picture, now), "trend-20261209-080503.png");
  EXPECT_EQ(TrendExportFileName(TrendExport::Data, now), "trend-20261209-080503.csv");
  struct Case {
    TrendExport kind;
    Language language;
    bool saved;
    std::string_view text;
  };
  const Case cases[] = {
      {TrendExport::Picture, Language::English, true, "Picture saved: /t/g.png"},
      {TrendExport::Data, Language::English, false, "Data cannot be saved: /t/g.png (No space left on device)"},
      {TrendExport::Picture, Language::Japanese, false, "画像を保存できません: /t/g.png（No space left on device）"},
      {TrendExport::Data, Language::Japanese, true, "データを保存しました: /t/g.png"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TrendExportMessage(c.kind, c.language, "/t/g.png", c.saved, "No space left on device"), c.text);
  }
}

TEST(TrendExport, PictureCaptionSaysWhenWhatAndWhere) {
  const LocalTime now{2026, 12, 9, 8, 5, 3};
  EXPECT_EQ(TrendPictureCaption(now, "KLV40 - V-FB", "COM1"), "2026-12-09 08:05:03  KLV40 - V-FB  COM1");
  EXPECT_EQ(TrendPictureCaption(now, "", "COM12"), "2026-12-09 08:05:03  COM12");
  EXPECT_EQ(TrendPictureCaption(now, "", ""), "2026-12-09 08:05:03");
}

}  // namespace
}  // namespace klv
