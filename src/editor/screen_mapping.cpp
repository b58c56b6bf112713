#include "editor/screen_mapping.h"

#include <algorithm>

namespace klv {

int16_t ReadEditNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Unsigned arithmetic wraps modulo 2^16 as wanted, whatever the length.
  uint16_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = static_cast<uint16_t>(magnitude * 10u + static_cast<unsigned>(text[i] - '0'));
  }
  const uint16_t bits = negative ? static_cast<uint16_t>(0u - magnitude) : magnitude;
  return static_cast<int16_t>(bits);
}

std::string EditText(int16_t value) { return std::to_string(value); }

namespace {

constexpr std::array kGroups = {
    RadioGroup::KeyLock,        RadioGroup::FuseMelted,         RadioGroup::PowerSupplyError,
    RadioGroup::CurrentError,   RadioGroup::HardwareError,      RadioGroup::TemperatureError,
    RadioGroup::HeaterBreak,    RadioGroup::RampLowerLimit,     RadioGroup::RampUpperSelection,
    RadioGroup::CurrentLimiter, RadioGroup::Do1,                RadioGroup::Do2,
    RadioGroup::Di1,            RadioGroup::Di2,                RadioGroup::Di3,
    RadioGroup::AnalogInput,    RadioGroup::AnalogOutput,       RadioGroup::ControlInput,
    RadioGroup::PowerDip,
};
static_assert(kGroups.size() == kRadioGroupCount);

// The four alarm groups that a KLV30 and KLV30E have, with one alarm output
// there: "non" is 1 on those models.
bool IsOneSeriesAlarm(RadioGroup group) {
  return group == RadioGroup::PowerSupplyError || group == RadioGroup::CurrentError ||
         group == RadioGroup::HardwareError || group == RadioGroup::HeaterBreak;
}

bool IsAlarm(RadioGroup group) {
  return IsOneSeriesAlarm(group) || group == RadioGroup::FuseMelted || group == RadioGroup::TemperatureError;
}

// value -> button for the groups whose buttons stand for 0, 1, 2, ... and
// whose last button takes every other value.
int ByValueOrLast(int16_t value, int count) {
  return (value >= 0 && value < count - 1) ? value : count - 1;
}

}  // namespace

std::span<const RadioGroup> AllRadioGroups() { return kGroups; }

std::size_t GroupSlot(RadioGroup group) {
  switch (group) {
    case RadioGroup::KeyLock: return 0;
    case RadioGroup::FuseMelted: return 1;
    case RadioGroup::PowerSupplyError: return 2;
    case RadioGroup::CurrentError: return 3;
    case RadioGroup::HardwareError: return 4;
    case RadioGroup::TemperatureError: return 5;
    case RadioGroup::HeaterBreak: return 6;
    case RadioGroup::Do1: return 7;
    case RadioGroup::Do2: return 8;
    case RadioGroup::RampLowerLimit: return 9;
    case RadioGroup::RampUpperSelection: return 10;
    case RadioGroup::CurrentLimiter: return 14;
    case RadioGroup::Di1: return 16;
    case RadioGroup::Di2: return 17;
    case RadioGroup::Di3: return 18;
    case RadioGroup::AnalogInput: return 21;
    case RadioGroup::AnalogOutput: return 22;
    case RadioGroup::ControlInput: return 25;
    case RadioGroup::PowerDip: return 26;
  }
  return 0;
}

int ButtonCount(RadioGroup group) {
  switch (group) {
    case RadioGroup::KeyLock:
    case RadioGroup::Di3:
    case RadioGroup::AnalogInput:
    case RadioGroup::AnalogOutput:
    case RadioGroup::PowerDip:
      return 2;
    case RadioGroup::CurrentLimiter:
    case RadioGroup::Do1:
    case RadioGroup::Do2:
      return 4;
    case RadioGroup::ControlInput:
      return 8;
    default:
      return 3;
  }
}

int ShownButton(RadioGroup group, int16_t value, ModelKind model) {
  if (IsOneSeriesAlarm(group) && model != ModelKind::Klv40) return value == 0 ? 0 : 2;
  if (IsAlarm(group)) return ByValueOrLast(value, 3);
  switch (group) {
    case RadioGroup::KeyLock:
      return value == 1 ? 1 : 0;
    case RadioGroup::RampLowerLimit:
    case RadioGroup::RampUpperSelection:
      return value == -1 ? 1 : value == -2 ? 2 : 0;
    case RadioGroup::CurrentLimiter:
      if (value == -4) return kNoButton;
      return (value >= -3 && value <= -1) ? -value : kNumberButton;
    case RadioGroup::Do1:
    case RadioGroup::Do2:
    case RadioGroup::Di1:
    case RadioGroup::Di2:
      return ByValueOrLast(value, ButtonCount(group));
    case RadioGroup::AnalogInput:
    case RadioGroup::AnalogOutput:
      return value == 0 ? 0 : 1;
    case RadioGroup::Di3:
    case RadioGroup::ControlInput:
    case RadioGroup::PowerDip:
      // Outside the choices nothing is checked.
      return (value >= 0 && value < ButtonCount(group)) ? value : kNoButton;
    default:
      return kNoButton;
  }
}

std::optional<int16_t> ReadButton(RadioGroup group, int button, ModelKind model, int16_t numberValue) {
  if (IsAlarm(group)) {
    if (button == 0 || button == 1) return static_cast<int16_t>(button);
    return static_cast<int16_t>(IsOneSeriesAlarm(group) && model != ModelKind::Klv40 ? 1 : 2);
  }
  switch (group) {
    case RadioGroup::RampLowerLimit:
      return button == kNumberButton ? numberValue : button == 1 ? int16_t{-1} : int16_t{-2};
    case RadioGroup::RampUpperSelection:
      return button == 0 ? int16_t{0} : button == 1 ? int16_t{-1} : int16_t{-2};
    case RadioGroup::CurrentLimiter:
      if (button == kNumberButton) return numberValue;
      if (button >= 1 && button <= 3) return static_cast<int16_t>(-button);
      return int16_t{-4};
    case RadioGroup::ControlInput:
      if (button >= 0 && button < 8) return static_cast<int16_t>(button);
      return std::nullopt;
    default: {
      // Buttons stand for 0, 1, ...; none checked reads as the last button.
      const int last = ButtonCount(group) - 1;
      return static_cast<int16_t>((button >= 0 && button < last) ? button : last);
    }
  }
}

bool ButtonStandsFor(RadioGroup group, int button, int16_t value, ModelKind model) {
  switch (group) {
    case RadioGroup::KeyLock:
      return button == 0 ? value == 0 : value != 0;
    case RadioGroup::RampLowerLimit:
    case RadioGroup::CurrentLimiter:
      if (button == kNumberButton) return value >= 0;
      break;
    default:
      break;
  }
  const std::optional<int16_t> read = ReadButton(group, button, model);
  return read && *read == value;
}

VolumeEnables LockSharedVolumes(const VolumeChecks& checked, ModelKind model, bool detectBoxChecked) {
  VolumeEnables enable{};
  const auto is = [&](VolumeButton b) { return checked[static_cast<std::size_t>(b)]; };
  const auto set = [&](VolumeButton b, bool on) { enable[static_cast<std::size_t>(b)] = on; };

  const VolumeButton a[2] = {VolumeButton::A1, VolumeButton::A2};
  const VolumeButton b[2] = {VolumeButton::B1, VolumeButton::B2};
  const VolumeButton c[2] = {VolumeButton::C1, VolumeButton::C2};
  for (int k = 0; k < 2; ++k) {
    bool used = false;
    if (is(c[k])) {
      used = true;
      set(a[k], false);
      set(b[k], false);
    }
    if (is(a[k])) {
      used = true;
      set(b[k], false);
      set(c[k], false);
    }
    if (is(b[k])) {
      set(a[k], false);
      set(c[k], false);
    } else if (!used) {
      set(a[k], true);
      set(b[k], true);
      if (model == ModelKind::Klv40 || detectBoxChecked) set(c[k], true);
    }
  }

  if (model == ModelKind::Klv40) {
    bool used = false;
    if (is(VolumeButton::Pos) || is(VolumeButton::Inv)) {
      used = true;
      set(VolumeButton::C3, false);
    }
    if (is(VolumeButton::C3)) {
      set(VolumeButton::Pos, false);
      set(VolumeButton::Inv, false);
    } else if (!used) {
      set(VolumeButton::Pos, true);
      set(VolumeButton::Inv, true);
      set(VolumeButton::C3, true);
    }
  }
  return enable;
}

}  // namespace klv
