#pragma once
// The monitor's lamp and row-marker pictures, drawn by the program with GDI:
// 16 x 16 bitmaps on the window's face colour. Square lamps in a grey sunken
// frame (red for the alarm and digital outputs, green for the digital
// inputs, grey while no reading says which) and round markers, dark or lit.
#include <windows.h>

#include <array>

namespace klv {

inline constexpr int kLampBitmapSize = 16;

class LampBitmaps {
 public:
  LampBitmaps();
  ~LampBitmaps();
  LampBitmaps(const LampBitmaps&) = delete;
  LampBitmaps& operator=(const LampBitmaps&) = delete;

  // False when one of the pictures could not be made.
  bool Ready() const;
  // Lamp index 0-3 red, 4-6 green; state kLampOff, kLampOn or kLampUnknown.
  HBITMAP Lamp(int index, int state) const;
  HBITMAP Marker(bool lit) const { return markers_[lit ? 1 : 0]; }

 private:
  std::array<HBITMAP, 2> red_{};
  std::array<HBITMAP, 2> green_{};
  HBITMAP unknown_ = nullptr;
  std::array<HBITMAP, 2> markers_{};
};

}  // namespace klv
