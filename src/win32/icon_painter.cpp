#include "win32/icon_painter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace klv {

namespace {

constexpr int kOversampling = 4;

COLORREF ColorOf(IconColor color) { return RGB(color.red, color.green, color.blue); }

HPEN PenOf(const IconShape& shape, double scale) {
  if (shape.line == IconLine::None) return static_cast<HPEN>(GetStockObject(NULL_PEN));
  DWORD style = PS_GEOMETRIC | PS_ENDCAP_ROUND | PS_JOIN_ROUND;
  style |= shape.line == IconLine::Dashed ? PS_DASH : shape.line == IconLine::Dotted ? PS_DOT : PS_SOLID;
  LOGBRUSH brush{BS_SOLID, ColorOf(shape.lineColor), 0};
  const auto width = static_cast<DWORD>(std::max(1L, std::lround(shape.lineWidth * scale)));
  return ExtCreatePen(style, width, &brush, 0, nullptr);
}

void Paint(HDC dc, const IconShape& shape, double scale) {
  const auto at = [scale](double v) { return static_cast<int>(std::lround(v * scale)); };
  HPEN pen = PenOf(shape, scale);
  HBRUSH brush = shape.filled ? CreateSolidBrush(ColorOf(shape.fill)) : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  if (shape.kind == IconShape::Kind::Lines) {
    std::vector<POINT> points;
    for (const IconPoint& p : shape.points) points.push_back({at(p.x), at(p.y)});
    Polyline(dc, points.data(), static_cast<int>(points.size()));
  } else {
    const int left = at(shape.points[0].x);
    const int top = at(shape.points[0].y);
    const int right = at(shape.points[1].x);
    const int bottom = at(shape.points[1].y);
    const int corner = at(2 * shape.cornerRadius);
    switch (shape.kind) {
      case IconShape::Kind::Rectangle: Rectangle(dc, left, top, right, bottom); break;
      case IconShape::Kind::RoundedRectangle: RoundRect(dc, left, top, right, bottom, corner, corner); break;
      case IconShape::Kind::Ellipse: Ellipse(dc, left, top, right, bottom); break;
      case IconShape::Kind::Lines: break;
    }
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  if (shape.line != IconLine::None) DeleteObject(pen);
  if (shape.filled) DeleteObject(brush);
}

}  // namespace

void PaintScreenIcon(HDC target, const RECT& place, ScreenIcon icon, COLORREF background) {
  const int side = std::min(place.right - place.left, place.bottom - place.top);
  if (side <= 0) return;
  const int large = side * kOversampling;
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, large, large);
  if (dc == nullptr || bitmap == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (dc != nullptr) DeleteDC(dc);
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HBRUSH fill = CreateSolidBrush(background);
  const RECT all{0, 0, large, large};
  FillRect(dc, &all, fill);
  DeleteObject(fill);
  const double scale = static_cast<double>(large) / 32.0;
  for (const IconShape& shape : ScreenIconShapes(icon)) Paint(dc, shape, scale);
  const int left = place.left + (place.right - place.left - side) / 2;
  const int top = place.top + (place.bottom - place.top - side) / 2;
  SetStretchBltMode(target, HALFTONE);
  SetBrushOrgEx(target, 0, 0, nullptr);
  StretchBlt(target, left, top, side, side, dc, 0, 0, large, large, SRCCOPY);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace klv
