#pragma once
// What ticking or clearing one of the option check boxes under "Optional
// item information" does to the other controls of the editing screen. The
// screen asks OptionBoxEffect and enables or disables what it names; no Qt
// here, so both window front ends take the rule from one place.
#include <vector>

#include "editor/field_rules.h"
#include "editor/screen_mapping.h"

namespace klv {

// The boxes: 0 "Output current detection function", 1 "Analog auxiliary
// input", 2 "Alarm output 2", 3 "Digital control output", 4 "Analog output".
inline constexpr int kOptionBoxCount = 5;

struct OptionGroupButtons {
  RadioGroup group;
  std::vector<int> buttons;  // the buttons that follow the box
};

struct OptionBoxEffect {
  // Groups whose caption and these buttons follow the box.
  std::vector<OptionGroupButtons> groups;
  // Edit fields whose edit, spin button, caption and unit follow the box.
  std::vector<EditField> fields;
  // Edit fields whose ":" follows the box too.
  std::vector<EditField> colons;
  // The caption of the scaling group follows the box.
  bool scalingBox = false;
  // The "AL2" buttons of the six alarm groups follow the box; clearing it
  // moves a checked "AL2" to "AL1".
  bool alarmOutput2 = false;
  // Clearing the box checks "Number" of "Current limiter ( % )" with "100"
  // in its field.
  bool limiterToNumberWhenCleared = false;
  // The volume lock runs again afterwards.
  bool locksVolumes = false;
};

// The effect of box index (0..4); nothing for any other index.
OptionBoxEffect EffectOfOptionBox(int index);

}  // namespace klv
