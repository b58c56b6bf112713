#pragma once
// A bitmap as the bytes of a PNG file, through the system's imaging
// component (WIC), with a "Description" text when the system can store one.
#include <windows.h>

#include <string>
#include <string_view>

namespace klv {

struct PngBytes {
  bool ok = false;
  std::string bytes;
  std::string error;  // the system's reason when not ok
};

// Usable on any thread; it initialises COM for the call where needed.
PngBytes EncodePng(HBITMAP bitmap, std::string_view description);

}  // namespace klv
