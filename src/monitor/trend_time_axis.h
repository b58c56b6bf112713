#pragma once
// The clock times under the trend chart. One point of the histories is one
// polling cycle of the monitor, a 200 ms tick per row polled: some 2.4 s for
// a KLV40 with all its rows, so the 555 steps across the chart span about a
// quarter of an hour, and less for the smaller models. A label at every
// fifth of the width is then minutes apart, and hours and minutes ("14:05")
// tell the labels apart; the same digits serve both languages.
#include <span>
#include <string>
#include <vector>

#include "monitor/trend_history.h"

namespace klv {

struct TrendTimeLabel {
  int x = 0;         // the pixel column of the drawing area the label stands under
  std::string text;  // "HH:MM", 24-hour clock
  friend bool operator==(const TrendTimeLabel&, const TrendTimeLabel&) = default;
};

// The grid columns that carry a label: the left edge, every second vertical
// grid line and the right edge (i = 0, 2, ..., 10 of x = trunc(w * 0.1i + 0.5)).
inline constexpr int kTrendTimeLabelCount = 6;

// The labels of a chart w pixels wide whose points were plotted at times
// (oldest first): at each labelled column, the time of the point drawn
// there, left to right. Once two points have times, a column the lines have
// not reached yet gets the time it stands for, counted back from the first
// point at the mean pace of the points so far, so the axis shows the whole
// span of the chart from the start; with fewer, only the columns with data
// are labelled.
std::vector<TrendTimeLabel> TrendTimeLabels(int w, std::span<const std::optional<LocalTime>> times);

}  // namespace klv
