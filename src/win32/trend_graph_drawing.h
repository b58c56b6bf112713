#pragma once
// The face of the trend graph drawn with GDI into any device context: the
// scale labels, the chart (black field, grey border, grid, 50 % line, the
// control input in red and the output in green, as the core lays them out),
// the clock times under it and the two legends. The window paints it on
// screen through a memory bitmap; "Save picture" draws it into a bitmap of
// its own, and a test into a memory bitmap whose pixels it reads.
#include <windows.h>

#include "monitor/trend_history.h"
#include "text/language.h"

namespace klv {

inline constexpr COLORREF kTrendInputColour = RGB(255, 0, 0);
inline constexpr COLORREF kTrendOutputColour = RGB(0, 255, 0);
inline constexpr COLORREF kTrendOutputLegendColour = RGB(17, 221, 17);

struct TrendGraphGeometry {
  RECT chart{};  // the drawing area of the lines
  RECT band{};   // under the clock times: the legends on the left, the window's buttons on the right
  int lineHeight = 0;
};

// Where the parts lie in a face of width x height pixels whose band at the
// bottom is tall enough for buttons of buttonHeight, in the font selected
// into dc.
TrendGraphGeometry LayOutTrendGraph(HDC dc, int width, int height, int buttonHeight, Language language);

// The chart alone into area; layout is reused from draw to draw.
void DrawTrendChart(HDC dc, const RECT& area, const TrendHistory& history, TrendChartLayout& layout);

// The whole face (its background too) in the font selected into dc.
void DrawTrendGraph(HDC dc, int width, int height, const TrendGraphGeometry& geometry, const TrendHistory& history,
                    Language language, TrendChartLayout& layout);

}  // namespace klv
