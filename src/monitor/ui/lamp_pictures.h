#pragma once
// The monitor's lamp pictures, drawn by the program: 16 x 16 images on the
// mask colour RGB(0,128,128), which becomes transparent.
#include <QPixmap>
#include <array>
#include <functional>
#include <optional>

namespace klv {

struct LampPictures {
  // Square lamps in a grey sunken frame: off, on.
  std::array<QPixmap, 2> red;    // AL1, AL2, DO1, DO2: RGB(128,0,0), RGB(255,0,0)
  std::array<QPixmap, 2> green;  // DI1, DI2, DI3: RGB(0,128,0), RGB(0,255,0)
  // Any lamp whose state is not known: RGB(160,160,160).
  QPixmap unknown;
  // Round row markers: dark, green, yellow, red (the monitor uses the first two).
  std::array<QPixmap, 4> markers;
};

inline constexpr int kLampPictureSize = 16;

// Every picture, or none when one of them cannot be made.
std::optional<LampPictures> MakeLampPictures();

using LampPictureMaker = std::function<std::optional<LampPictures>()>;

}  // namespace klv
