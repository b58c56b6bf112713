#include "win32/trend_graph_drawing.h"

#include <algorithm>
#include <span>
#include <string>

#include "monitor/trend_time_axis.h"
#include "text/texts.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

constexpr int kMargin = 12;
constexpr COLORREF kBackground = RGB(0, 0, 0);
constexpr COLORREF kFrame = RGB(150, 150, 150);
constexpr COLORREF kGrid = RGB(0, 100, 100);

std::wstring GraphCaption(std::string_view key, Language language) {
  return Widen(Caption(Screen::TrendGraph, key, language));
}

SIZE TextSize(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void Write(HDC dc, const std::wstring& text, int x, int y, COLORREF colour) {
  SetTextColor(dc, colour);
  TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void Lines(HDC dc, COLORREF colour, int left, int top, std::span<const ChartLine> lines) {
  const HPEN pen = CreatePen(PS_SOLID, 1, colour);
  const HGDIOBJ before = SelectObject(dc, pen);
  for (const ChartLine& line : lines) {
    MoveToEx(dc, left + line.x0, top + line.y0, nullptr);
    LineTo(dc, left + line.x1, top + line.y1);
    // LineTo leaves out the last pixel; the chart's lines include both ends.
    SetPixelV(dc, left + line.x1, top + line.y1, colour);
  }
  SelectObject(dc, before);
  DeleteObject(pen);
}

}  // namespace

TrendGraphGeometry LayOutTrendGraph(HDC dc, int width, int height, int buttonHeight, Language language) {
  int labelWidth = 0;
  int lineHeight = 0;
  for (const std::string_view key : {"100.0%", "50.0%", "0.0%"}) {
    const SIZE size = TextSize(dc, GraphCaption(key, language));
    labelWidth = std::max(labelWidth, static_cast<int>(size.cx));
    lineHeight = std::max(lineHeight, static_cast<int>(size.cy));
  }
  const int band = std::max(buttonHeight, lineHeight) + 2 * kMargin;
  TrendGraphGeometry geometry;
  geometry.lineHeight = lineHeight;
  const int left = kMargin + labelWidth + 6;
  geometry.chart = {left, kMargin, std::max(left + 10, width - kMargin),
                    std::max(kMargin + 10, height - lineHeight - band)};
  geometry.band = {left, geometry.chart.bottom + lineHeight, std::max(left, width - kMargin),
                   geometry.chart.bottom + lineHeight + band};
  return geometry;
}

void DrawTrendChart(HDC dc, const RECT& area, const TrendHistory& history, TrendChartLayout& layout) {
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return;
  const std::span<const int32_t> input(history.Input());
  const std::span<const int32_t> output(history.Output());
  const std::span<const int32_t> series[] = {input, output};
  LayOutTrendChart(w, h, kTrendRange, series, layout);

  // Black field in a grey border.
  const HBRUSH field = CreateSolidBrush(kBackground);
  const HPEN border = CreatePen(PS_SOLID, 1, kFrame);
  const HGDIOBJ oldBrush = SelectObject(dc, field);
  const HGDIOBJ oldPen = SelectObject(dc, border);
  Rectangle(dc, area.left, area.top, area.right, area.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(field);
  DeleteObject(border);

  Lines(dc, kGrid, area.left, area.top, layout.grid);
  // The 50 % line runs to w, one past the border: clipped to the area.
  ChartLine middle = layout.middle;
  middle.x1 = std::min(middle.x1, w - 1);
  Lines(dc, kFrame, area.left, area.top, std::span<const ChartLine>(&middle, 1));
  const COLORREF colours[] = {kTrendInputColour, kTrendOutputColour};
  for (std::size_t s = 0; s < layout.series.size() && s < 2; ++s) {
    Lines(dc, colours[s], area.left, area.top, layout.series[s]);
  }
}

void DrawTrendGraph(HDC dc, int width, int height, const TrendGraphGeometry& geometry, const TrendHistory& history,
                    Language language, TrendChartLayout& layout) {
  const RECT all{0, 0, width, height};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  const RECT& chart = geometry.chart;
  const int half = geometry.lineHeight / 2;

  // The scale, right-aligned left of the chart at its top, middle and bottom.
  const int middleY = chart.top + static_cast<int>((chart.bottom - chart.top) * 0.5 + 0.5);
  const std::pair<std::string_view, int> scale[] = {
      {"100.0%", chart.top}, {"50.0%", middleY}, {"0.0%", chart.bottom - 1}};
  for (const auto& [key, y] : scale) {
    const std::wstring text = GraphCaption(key, language);
    Write(dc, text, chart.left - 6 - TextSize(dc, text).cx, y - half, RGB(0, 0, 0));
  }

  DrawTrendChart(dc, chart, history, layout);

  // Each clock time centred under its column, the edge ones moved in.
  const int chartWidth = chart.right - chart.left;
  for (const TrendTimeLabel& label : TrendTimeLabels(chartWidth, history.Times())) {
    const std::wstring text = Widen(label.text);
    const int textWidth = TextSize(dc, text).cx;
    const int chartLeft = static_cast<int>(chart.left);
    const int left = std::clamp(chartLeft + label.x - textWidth / 2, chartLeft,
                                std::max(chartLeft, static_cast<int>(chart.right) - textWidth));
    Write(dc, text, left, chart.bottom + 1, RGB(0, 0, 0));
  }

  // The legends in the band, in the colours of their lines.
  const int legendY = (geometry.band.top + geometry.band.bottom) / 2 - half;
  const std::wstring input = GraphCaption("<Control input>", language);
  Write(dc, input, geometry.band.left, legendY, kTrendInputColour);
  Write(dc, GraphCaption("<Control output>", language), geometry.band.left + TextSize(dc, input).cx + 3 * kMargin,
       legendY, kTrendOutputLegendColour);
}

}  // namespace klv
