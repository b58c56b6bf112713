#include "editor/screen_icon_shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace klv {

namespace {

constexpr IconColor kOutline{40, 40, 40};
constexpr IconColor kAlarmRed{210, 30, 30};
constexpr IconColor kCurveBlue{20, 90, 200};
constexpr IconColor kLimitRed{220, 40, 40};
constexpr IconColor kWhite{255, 255, 255};

// Collects the shapes of one picture with a current pen and fill, as a
// painter would.
class Sketch {
 public:
  void Pen(IconColor color, double width, IconLine line = IconLine::Solid) {
    color_ = color;
    width_ = width;
    line_ = line;
  }
  void NoPen() { line_ = IconLine::None; }
  void Fill(IconColor color) {
    filled_ = true;
    fill_ = color;
  }
  void NoFill() { filled_ = false; }

  void Line(double x1, double y1, double x2, double y2) { Lines({{x1, y1}, {x2, y2}}); }
  void Lines(std::vector<IconPoint> points) { Add(IconShape::Kind::Lines, std::move(points), false); }
  void Rectangle(double x, double y, double w, double h) {
    Add(IconShape::Kind::Rectangle, {{x, y}, {x + w, y + h}}, filled_);
  }
  void RoundedRectangle(double x, double y, double w, double h, double radius) {
    Add(IconShape::Kind::RoundedRectangle, {{x, y}, {x + w, y + h}}, filled_);
    shapes_.back().cornerRadius = radius;
  }
  void Ellipse(double x, double y, double w, double h) {
    Add(IconShape::Kind::Ellipse, {{x, y}, {x + w, y + h}}, filled_);
  }

  std::vector<IconShape> Take() { return std::move(shapes_); }

 private:
  void Add(IconShape::Kind kind, std::vector<IconPoint> points, bool filled) {
    IconShape shape;
    shape.kind = kind;
    shape.points = std::move(points);
    shape.line = line_;
    shape.lineColor = color_;
    shape.lineWidth = width_;
    shape.filled = filled;
    shape.fill = fill_;
    shapes_.push_back(std::move(shape));
  }

  std::vector<IconShape> shapes_;
  IconColor color_ = kOutline;
  double width_ = 1;
  IconLine line_ = IconLine::Solid;
  bool filled_ = false;
  IconColor fill_;
};

// A red disc with a white "!" in the lower right corner: the alarm mark.
void AlarmMark(Sketch& s) {
  s.Pen(kWhite, 1);
  s.Fill(kAlarmRed);
  s.Ellipse(19, 19, 12, 12);
  s.Pen(kWhite, 2);
  s.Line(25, 21.8, 25, 25.8);
  s.NoPen();
  s.Fill(kWhite);
  s.Ellipse(24, 27.4, 2, 2);
}

// Axes of a small graph, origin at the lower left.
void Axes(Sketch& s) {
  s.Pen(kOutline, 1.5);
  s.Lines({{4, 3}, {4, 28}, {30, 28}});
}

void KeyLock(Sketch& s) {
  // The shackle: up the left side, over a half circle, down the right side.
  std::vector<IconPoint> shackle{{10.5, 15}, {10.5, 10}};
  for (int i = 1; i <= 16; ++i) {
    const double angle = std::numbers::pi * (1 - i / 16.0);
    shackle.push_back({16 + 5.5 * std::cos(angle), 10 - 6 * std::sin(angle)});
  }
  shackle.push_back({21.5, 15});
  s.Pen({90, 90, 90}, 3);
  s.NoFill();
  s.Lines(std::move(shackle));
  s.Pen(kOutline, 1.2);
  s.Fill({235, 185, 40});
  s.RoundedRectangle(6.5, 14, 19, 15, 2.5);
  s.NoPen();
  s.Fill(kOutline);
  s.Ellipse(14, 18, 4, 4);
  s.Rectangle(15.2, 21, 1.6, 4.5);
}

void FuseMelted(Sketch& s) {
  // Caps, glass, and a wire with a gap in the middle.
  s.Pen(kOutline, 1);
  s.Fill({185, 185, 190});
  s.Rectangle(2, 11, 6, 10);
  s.Rectangle(24, 11, 6, 10);
  s.Fill({205, 230, 250});
  s.Rectangle(8, 12, 16, 8);
  s.Pen({120, 80, 20}, 1.5);
  s.Line(8, 16, 13.5, 16);
  s.Line(18.5, 16, 24, 16);
  s.Pen({240, 120, 0}, 1.2);
  s.Line(16, 8, 16, 11);
  s.Line(13, 9, 14.5, 11.5);
  s.Line(19, 9, 17.5, 11.5);
  s.Line(16, 21, 16, 24);
  s.Line(13, 23, 14.5, 20.5);
  s.Line(19, 23, 17.5, 20.5);
}

// A circle on two leads, as circuit symbols are drawn.
void CircleOnLeads(Sketch& s) {
  s.Pen(kOutline, 1.5);
  s.Line(2, 14, 6, 14);
  s.Line(24, 14, 28, 14);
  s.Fill(kWhite);
  s.Ellipse(6, 4, 18, 20);
}

void PowerSupplyError(Sketch& s) {
  CircleOnLeads(s);
  std::vector<IconPoint> wave{{9, 14}};
  for (int i = 1; i <= 24; ++i) wave.push_back({9 + 12.0 * i / 24, 14 - 4.5 * std::sin(2 * std::numbers::pi * i / 24)});
  s.NoFill();
  s.Pen(kCurveBlue, 1.8);
  s.Lines(std::move(wave));
  AlarmMark(s);
}

void CurrentError(Sketch& s) {
  // An ammeter: a circle with "A".
  CircleOnLeads(s);
  s.Pen(kCurveBlue, 2);
  s.Lines({{10.5, 20}, {15, 8}, {19.5, 20}});
  s.Line(12.3, 16, 17.7, 16);
  AlarmMark(s);
}

void HardwareError(Sketch& s) {
  // A chip with four pins on each side.
  s.Pen({150, 150, 150}, 1.6);
  for (int i = 0; i < 4; ++i) {
    const double y = 8 + 4 * i;
    s.Line(3, y, 7, y);
    s.Line(23, y, 27, y);
  }
  s.Pen(kOutline, 1);
  s.Fill({60, 60, 65});
  s.RoundedRectangle(7, 5, 16, 18, 1.5);
  s.Fill({120, 120, 125});
  s.NoPen();
  s.Ellipse(9, 7, 3, 3);
  AlarmMark(s);
}

void TemperatureError(Sketch& s) {
  // A thermometer: a tube with a scale and a red bulb.
  s.Pen(kOutline, 1.2);
  s.Fill(kWhite);
  s.RoundedRectangle(9, 2, 6, 20, 3);
  s.Fill(kAlarmRed);
  s.Ellipse(7, 19, 10, 10);
  s.NoPen();
  s.Rectangle(10.8, 8, 2.4, 13);
  s.Pen(kOutline, 1);
  for (int i = 0; i < 4; ++i) s.Line(15, 5 + 4 * i, 17.5, 5 + 4 * i);
  AlarmMark(s);
}

void HeaterBreak(Sketch& s) {
  // A heating coil on two leads, broken in the middle.
  s.Pen(kOutline, 1.5);
  s.Line(1, 16, 4, 16);
  s.Line(28, 16, 31, 16);
  s.Pen({220, 90, 20}, 2);
  s.NoFill();
  s.Lines({{4, 16}, {6, 9}, {8.5, 23}, {11, 9}, {13, 16}});
  s.Lines({{19, 16}, {21, 23}, {23.5, 9}, {26, 23}, {28, 16}});
  s.Pen(kAlarmRed, 1.5);
  s.Line(14.5, 12, 17.5, 20);
}

void CurrentLimiter(Sketch& s) {
  Axes(s);
  // A half-wave cut flat at the limit.
  const double limit = 12;
  std::vector<IconPoint> curve{{5, 27}};
  for (int i = 1; i <= 48; ++i) {
    const double y = 27 - 22 * std::fabs(std::sin(2 * std::numbers::pi * i / 48));
    curve.push_back({5 + 24.0 * i / 48, std::max(y, limit)});
  }
  s.NoFill();
  s.Pen(kCurveBlue, 1.8);
  s.Lines(std::move(curve));
  s.Pen(kLimitRed, 1.2, IconLine::Dashed);
  s.Line(4, limit, 30, limit);
}

void BootLimiter(Sketch& s) {
  Axes(s);
  // After start the output waits at the limit, then rises to full.
  s.Pen(kLimitRed, 1.2, IconLine::Dashed);
  s.Line(4, 20, 17, 20);
  s.Line(17, 6, 17, 28);
  s.NoFill();
  s.Pen(kCurveBlue, 1.8);
  s.Lines({{5, 27}, {7, 20}, {17, 20}, {22, 6}, {30, 6}});
}

void Scaling(Sketch& s) {
  Axes(s);
  // A straight line from the low level to the high level.
  s.Pen(kLimitRed, 1.2, IconLine::Dotted);
  s.Line(4, 22, 30, 22);
  s.Line(4, 7, 30, 7);
  s.Pen(kCurveBlue, 2);
  s.Line(6, 22, 28, 7);
  s.Fill(kCurveBlue);
  s.Ellipse(4.5, 20.5, 3, 3);
  s.Ellipse(26.5, 5.5, 3, 3);
}

}  // namespace

std::vector<IconShape> ScreenIconShapes(ScreenIcon icon) {
  Sketch s;
  switch (icon) {
    case ScreenIcon::KeyLock: KeyLock(s); break;
    case ScreenIcon::FuseMelted: FuseMelted(s); break;
    case ScreenIcon::PowerSupplyError: PowerSupplyError(s); break;
    case ScreenIcon::CurrentError: CurrentError(s); break;
    case ScreenIcon::HardwareError: HardwareError(s); break;
    case ScreenIcon::TemperatureError: TemperatureError(s); break;
    case ScreenIcon::HeaterBreak: HeaterBreak(s); break;
    case ScreenIcon::CurrentLimiter: CurrentLimiter(s); break;
    case ScreenIcon::BootLimiter: BootLimiter(s); break;
    case ScreenIcon::Scaling: Scaling(s); break;
  }
  return s.Take();
}

}  // namespace klv
