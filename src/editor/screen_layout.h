#pragma once
// How the editing screen is arranged for a model and its options: which
// controls are enabled or shown, which captions they carry and which spin
// ranges apply. No Qt here: the screen asks LayoutFor and only moves the
// answer into its controls.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "editor/field_rules.h"
#include "editor/screen_mapping.h"
#include "model/model_kind.h"
#include "text/text_id.h"

namespace klv {

// The buttons of "Control input": 4-20mA, 0-20mA, 0-1V, 1-5V, 0-10V,
// Potential, Contact, Voltage pulse.
inline constexpr std::size_t kControlInputCount = 8;

struct SpinRange {
  int lower = 0;
  int upper = 0;
  friend bool operator==(const SpinRange&, const SpinRange&) = default;
};

struct ScreenLayout {
  // The model the screen is arranged for: any value other than KLV40 and
  // KLV30 arranges a KLV30E.
  ModelKind model = ModelKind::Klv30E;

  // Radio groups, by RadioGroup: the caption, the notes inside the group and
  // every button that is not ruled one by one below. Nothing leaves the
  // group as it is.
  std::array<std::optional<bool>, kRadioGroupCount> groups{};
  bool alarmOutput2 = false;       // "AL2" of the six alarm groups
  bool currentLimiterVr3 = false;  // "VR3" of "Current limiter ( % )"
  std::array<bool, kControlInputCount> controlInputs{};
  // The first control input reads "Linear" (TextId::Linear) instead of the
  // fixed "4-20mA".
  bool linearInput = false;
  bool inputKindShown = false;  // "Current" and "Voltage" of "Control input"

  // Edit fields, by EditField: the edit, its spin button, the caption and
  // unit beside it; its ":" on its own, as the scaling group keeps its ":"
  // for the analog output. Nothing leaves them as they are.
  std::array<std::optional<bool>, kEditFieldCount> fields{};
  std::array<std::optional<bool>, kEditFieldCount> colons{};
  std::array<std::optional<SpinRange>, kEditFieldCount> spinRanges{};

  TextId slowCaption = TextId::SlowUpSlowDown;  // the "Slow-up/slow-down" group
  TextId slowUpLabel = TextId::SlowUp;          // its first caption
  bool slowDownShown = true;                    // its second row

  bool bootLimiterBox = false;  // the caption of "Limiter when booting"
  TextId scalingCaption = TextId::AnalogOutputScaling;
  bool scalingBox = false;  // the caption of the scaling group

  // "Optional item information": the one-series group (caption and its check
  // box) and the KLV40 group (caption and its four check boxes).
  std::string_view oneSeriesCaption = "KLV30";
  bool oneSeriesOptions = false;
  bool klv40Options = false;

  // Whether button of group is enabled, from the group or its own rule;
  // nothing leaves it as it is.
  std::optional<bool> ButtonEnabled(RadioGroup group, int button) const;
};

// The arrangement of the screen for model with these option words and the
// control input range (register 013D), as they are when the layout is
// applied; afterwards the option check boxes change the states themselves.
ScreenLayout LayoutFor(ModelKind model, uint16_t optionFlags, uint16_t optionDetect, int16_t controlInputRange);

}  // namespace klv
