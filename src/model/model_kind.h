#pragma once
// The three regulator models the program knows, and their labels.
#include <cstdint>
#include <string_view>

namespace klv {

// Stored as a 32-bit integer: the settings file and older parameter sets can
// carry other numbers, which must survive until something corrects them.
enum class ModelKind : int32_t {
  Klv40 = 0,   // two-series model with alarm/digital outputs and analog options
  Klv30 = 1,   // one-series
  Klv30E = 2,  // one-series with slow-down and control input scaling
};

// Labels indexed by ModelKind; index 3 is the label of any other value.
inline constexpr std::string_view ModelNames[4] = {"KLV40", "KLV30", "KLV30E", "KLVxx"};

// The label for any model value, "KLVxx" when it is none of the three.
constexpr std::string_view ModelName(ModelKind model) {
  const auto index = static_cast<int32_t>(model);
  return (index >= 0 && index <= 2) ? ModelNames[index] : ModelNames[3];
}

}  // namespace klv
