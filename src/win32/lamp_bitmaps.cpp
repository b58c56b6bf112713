#include "win32/lamp_bitmaps.h"

#include "monitor/monitor_session.h"

namespace klv {

namespace {

// A bitmap of the screen's kind drawn by draw on the window face colour.
template <class Draw>
HBITMAP Picture(Draw draw) {
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kLampBitmapSize, kLampBitmapSize);
  ReleaseDC(nullptr, screen);
  if (memory == nullptr || bitmap == nullptr) {
    if (memory != nullptr) DeleteDC(memory);
    if (bitmap != nullptr) DeleteObject(bitmap);
    return nullptr;
  }
  const HGDIOBJ before = SelectObject(memory, bitmap);
  const RECT all{0, 0, kLampBitmapSize, kLampBitmapSize};
  FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
  draw(memory);
  SelectObject(memory, before);
  DeleteDC(memory);
  return bitmap;
}

void Line(HDC dc, COLORREF colour, int x0, int y0, int x1, int y1) {
  const HPEN pen = CreatePen(PS_SOLID, 1, colour);
  const HGDIOBJ before = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, before);
  DeleteObject(pen);
}

void Fill(HDC dc, COLORREF colour, int left, int top, int right, int bottom) {
  const HBRUSH brush = CreateSolidBrush(colour);
  const RECT area{left, top, right, bottom};
  FillRect(dc, &area, brush);
  DeleteObject(brush);
}

// A square lamp of the colour in a grey sunken frame.
HBITMAP SquareLamp(COLORREF colour) {
  return Picture([colour](HDC dc) {
    Fill(dc, RGB(192, 192, 192), 0, 0, 16, 16);
    Line(dc, RGB(128, 128, 128), 0, 0, 16, 0);  // shadow above and left
    Line(dc, RGB(128, 128, 128), 0, 0, 0, 16);
    Line(dc, RGB(255, 255, 255), 1, 15, 16, 15);  // light below and right
    Line(dc, RGB(255, 255, 255), 15, 1, 15, 16);
    Line(dc, RGB(64, 64, 64), 1, 1, 15, 1);
    Line(dc, RGB(64, 64, 64), 1, 1, 1, 15);
    Fill(dc, colour, 2, 2, 15, 15);
  });
}

// A round lamp with a darker rim and a small highlight.
HBITMAP RoundLamp(COLORREF colour, COLORREF rim, COLORREF highlight) {
  return Picture([=](HDC dc) {
    const HPEN pen = CreatePen(PS_SOLID, 1, rim);
    const HBRUSH brush = CreateSolidBrush(colour);
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    const HGDIOBJ oldBrush = SelectObject(dc, brush);
    Ellipse(dc, 2, 2, 14, 14);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    Fill(dc, highlight, 5, 5, 8, 8);
  });
}

}  // namespace

LampBitmaps::LampBitmaps() {
  red_ = {SquareLamp(RGB(128, 0, 0)), SquareLamp(RGB(255, 0, 0))};
  green_ = {SquareLamp(RGB(0, 128, 0)), SquareLamp(RGB(0, 255, 0))};
  unknown_ = SquareLamp(RGB(160, 160, 160));
  markers_ = {RoundLamp(RGB(40, 40, 40), RGB(24, 24, 24), RGB(60, 60, 60)),
              RoundLamp(RGB(0, 224, 0), RGB(0, 132, 0), RGB(128, 255, 128))};
}

LampBitmaps::~LampBitmaps() {
  for (HBITMAP bitmap : {red_[0], red_[1], green_[0], green_[1], unknown_, markers_[0], markers_[1]}) {
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
}

bool LampBitmaps::Ready() const {
  for (HBITMAP bitmap : {red_[0], red_[1], green_[0], green_[1], unknown_, markers_[0], markers_[1]}) {
    if (bitmap == nullptr) return false;
  }
  return true;
}

HBITMAP LampBitmaps::Lamp(int index, int state) const {
  if (state == kLampUnknown) return unknown_;
  const auto& list = index < 4 ? red_ : green_;
  return list[state == kLampOn ? 1 : 0];
}

}  // namespace klv
