#include "monitor/ui/trend_chart.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace klv {

void PaintTrendChart(QImage& image, const TrendChartColours& colours, const TrendChartLayout& layout) {
  const int w = image.width();
  const int h = image.height();
  if (w <= 0 || h <= 0) return;
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const auto pen = [&](const QColor& colour) { painter.setPen(QPen(colour, 0)); };

  // Field and border.
  painter.fillRect(0, 0, w, h, colours.background);
  pen(colours.frame);
  painter.drawRect(0, 0, w - 1, h - 1);

  pen(colours.grid);
  for (const ChartLine& line : layout.grid) painter.drawLine(line.x0, line.y0, line.x1, line.y1);
  pen(colours.frame);
  painter.drawLine(layout.middle.x0, layout.middle.y0, layout.middle.x1, layout.middle.y1);

  for (std::size_t s = 0; s < layout.series.size(); ++s) {
    pen(s < colours.series.size() ? colours.series[s] : QColor(0, 0, 0));
    for (const ChartLine& line : layout.series[s]) painter.drawLine(line.x0, line.y0, line.x1, line.y1);
  }
}

// ---- TrendArea -----------------------------------------------------------------

TrendArea::TrendArea(QWidget* parent) : QWidget(parent) {
  // The picture covers the whole area: no background of its own to erase.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TrendArea::SetPicture(const QImage* picture) {
  picture_ = picture;
  update();
}

void TrendArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_ != nullptr && !picture_->isNull()) {
    painter.drawImage(0, 0, *picture_);
  } else {
    painter.fillRect(rect(), Qt::black);
  }
}

void TrendArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit NeedsPicture();
}

void TrendArea::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  emit NeedsPicture();
}

// ---- TrendChart ----------------------------------------------------------------

TrendChart::TrendChart(TrendArea* area) : area_(area) {}

void TrendChart::SetData(int32_t verticalRange, int pointCount, std::vector<std::span<int32_t>> series) {
  verticalRange_ = verticalRange;
  series_ = std::move(series);
  for (std::span<int32_t>& buffer : series_) {
    buffer = buffer.first(std::min(buffer.size(), static_cast<std::size_t>(std::max(pointCount, 0))));
  }
  constSeries_.assign(series_.begin(), series_.end());
}

void TrendChart::PushPoint(int series, int32_t value) {
  if (series < 0 || static_cast<std::size_t>(series) >= series_.size()) return;
  klv::PushPoint(series_[static_cast<std::size_t>(series)], value);
  Redraw();
}

void TrendChart::Redraw() {
  if (area_ == nullptr || !area_->isVisible()) return;
  const int w = area_->width();
  const int h = area_->height();
  if (w <= 0 || h <= 0) return;
  if (picture_.size() != QSize(w, h)) picture_ = QImage(w, h, QImage::Format_RGB32);
  if (picture_.isNull()) return;
  LayOutTrendChart(w, h, verticalRange_, constSeries_, layout_);
  PaintTrendChart(picture_, colours_, layout_);
  ++redraws_;
  area_->SetPicture(&picture_);
}

}  // namespace klv
