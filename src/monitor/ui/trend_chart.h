#pragma once
// The strip chart of the trend graph: it keeps the history buffers it is
// given, paints background, frame, grid, the 50 % line and the series into an
// off-screen picture, and has the drawing area show that picture with one
// copy, so the chart never flickers.
#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <span>
#include <vector>

#include "monitor/trend_history.h"

namespace klv {

struct TrendChartColours {
  QColor background{255, 255, 255};  // white until the graph sets it
  QColor frame{150, 150, 150};        // border and 50 % line
  QColor grid{0, 100, 100};
  std::vector<QColor> series = std::vector<QColor>(1024, QColor(0, 0, 0));  // one per series
};

// Paints one picture of the chart onto image (its size is the drawing
// area's): the background with a one-pixel border, the grid, the 50 % line,
// then the series in order, each line as the layout places it.
void PaintTrendChart(QImage& image, const TrendChartColours& colours, const TrendChartLayout& layout);

// The drawing area: shows the chart's last picture and paints nothing of its
// own, so a repaint is exactly one copy of the picture.
class TrendArea : public QWidget {
  Q_OBJECT

 public:
  explicit TrendArea(QWidget* parent = nullptr);
  void SetPicture(const QImage* picture);

 signals:
  // The area was shown or resized: the chart needs a new picture.
  void NeedsPicture();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  const QImage* picture_ = nullptr;
};

class TrendChart {
 public:
  explicit TrendChart(TrendArea* area);

  TrendChartColours& Colours() { return colours_; }

  // The history buffers (oldest first; only their first pointCount points
  // are drawn) and the value drawn at the top edge. The buffers must outlive
  // the chart.
  void SetData(int32_t verticalRange, int pointCount, std::vector<std::span<int32_t>> series);
  // Shifts the series one point towards the oldest end, puts value at the
  // newest end, and redraws.
  void PushPoint(int series, int32_t value);
  // Paints the whole chart for the drawing area's size and shows it. While
  // the area is hidden the painting waits until it is shown.
  void Redraw();

  // The last picture painted.
  const QImage& Picture() const { return picture_; }
  int Redraws() const { return redraws_; }

 private:
  TrendArea* area_;
  TrendChartColours colours_;
  int32_t verticalRange_ = kTrendRange;
  std::vector<std::span<int32_t>> series_;
  std::vector<std::span<const int32_t>> constSeries_;
  TrendChartLayout layout_;
  QImage picture_;
  int redraws_ = 0;
};

}  // namespace klv
