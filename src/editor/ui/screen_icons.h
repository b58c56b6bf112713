#pragma once
// The small pictures of the editing screen's groups, drawn by the program so
// that no image files are needed.
#include <QPixmap>

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

// The picture, size x size pixels (drawn on a 32 x 32 grid and scaled).
QPixmap DrawScreenIcon(ScreenIcon icon, int size = 32);

}  // namespace klv
