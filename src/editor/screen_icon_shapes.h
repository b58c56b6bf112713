#pragma once
// The small pictures of the editing screen's groups, as shapes on a 32 x 32
// grid, so that every front end draws the same pictures with its own
// painter and no image files are needed.
#include <cstdint>
#include <vector>

namespace klv {

enum class ScreenIcon {
  KeyLock,           // a padlock
  FuseMelted,        // a glass fuse with its wire broken
  PowerSupplyError,  // an AC source with an alarm mark
  CurrentError,      // an ammeter with an alarm mark
  HardwareError,     // a chip with an alarm mark
  TemperatureError,  // a thermometer with an alarm mark
  HeaterBreak,       // a heating coil broken in the middle
  CurrentLimiter,    // a waveform cut flat at a limit line
  BootLimiter,       // an output held at a limit after start, then rising
  Scaling,           // a straight line between a low and a high level
};

inline constexpr ScreenIcon kScreenIcons[] = {
    ScreenIcon::KeyLock,          ScreenIcon::FuseMelted,    ScreenIcon::PowerSupplyError, ScreenIcon::CurrentError,
    ScreenIcon::HardwareError,    ScreenIcon::TemperatureError, ScreenIcon::HeaterBreak,  ScreenIcon::CurrentLimiter,
    ScreenIcon::BootLimiter,      ScreenIcon::Scaling};

struct IconColor {
  uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const IconColor&, const IconColor&) = default;
};

struct IconPoint {
  double x = 0, y = 0;
};

enum class IconLine { None, Solid, Dashed, Dotted };

// One shape: a line through points (open), or a rectangle, rounded
// rectangle or ellipse in the box from points[0] to points[1]. Lines have
// round ends and joins.
struct IconShape {
  enum class Kind { Lines, Rectangle, RoundedRectangle, Ellipse } kind = Kind::Lines;
  std::vector<IconPoint> points;
  IconLine line = IconLine::Solid;
  IconColor lineColor;
  double lineWidth = 1;
  bool filled = false;
  IconColor fill;
  double cornerRadius = 0;  // RoundedRectangle
};

// The picture, drawn in order (later shapes over earlier ones).
std::vector<IconShape> ScreenIconShapes(ScreenIcon icon);

}  // namespace klv
