#include "editor/screen_layout.h"

namespace klv {

namespace {

constexpr std::size_t Index(RadioGroup group) { return static_cast<std::size_t>(group); }
constexpr std::size_t Index(EditField field) { return static_cast<std::size_t>(field); }

constexpr std::size_t kContactInput = 6;
constexpr int kAlarmOutput2Button = 1;
constexpr int kVr3Button = 3;

bool IsAlarmGroup(RadioGroup group) {
  switch (group) {
    case RadioGroup::FuseMelted:
    case RadioGroup::PowerSupplyError:
    case RadioGroup::CurrentError:
    case RadioGroup::HardwareError:
    case RadioGroup::TemperatureError:
    case RadioGroup::HeaterBreak: return true;
    default: return false;
  }
}

}  // namespace

ScreenLayout LayoutFor(ModelKind model, uint16_t optionFlags, uint16_t optionDetect, int16_t controlInputRange) {
  if (model != ModelKind::Klv40 && model != ModelKind::Klv30) model = ModelKind::Klv30E;
  const bool klv40 = model == ModelKind::Klv40;
  const bool klv30 = model == ModelKind::Klv30;
  const bool klv30e = model == ModelKind::Klv30E;
  const auto bit = [optionFlags](int n) { return ((optionFlags >> n) & 1) != 0; };
  // The one-series models have the current-based alarms and the limiter
  // only with output current detection.
  const bool currentAlarms = klv40 || optionDetect != 0;
  // On a KLV30E the scaling group holds the control input scaling.
  const bool scaling = klv40 ? bit(3) : klv30e;

  ScreenLayout layout;
  layout.model = model;

  const auto group = [&layout](RadioGroup which, bool enabled) { layout.groups[Index(which)] = enabled; };
  group(RadioGroup::FuseMelted, klv40);
  group(RadioGroup::PowerSupplyError, currentAlarms);
  group(RadioGroup::CurrentError, currentAlarms);
  group(RadioGroup::HardwareError, currentAlarms);
  group(RadioGroup::TemperatureError, klv40);
  group(RadioGroup::HeaterBreak, currentAlarms);
  group(RadioGroup::CurrentLimiter, currentAlarms);
  group(RadioGroup::Do1, klv40 && bit(2));
  group(RadioGroup::Do2, klv40 && bit(2));
  group(RadioGroup::Di1, klv40);
  group(RadioGroup::Di2, klv40);
  group(RadioGroup::Di3, klv40);
  group(RadioGroup::AnalogInput, klv40 && bit(0));
  group(RadioGroup::AnalogOutput, klv40 && bit(3));
  group(RadioGroup::ControlInput, !klv30e);
  group(RadioGroup::PowerDip, true);
  layout.alarmOutput2 = klv40 && bit(1);
  layout.currentLimiterVr3 = klv40;

  // A KLV40 offers the current inputs or the voltage inputs, as 013D says;
  // a KLV30 "Linear" and "Contact"; a KLV30E none.
  const bool currentInput = controlInputRange < 2;
  for (std::size_t i = 0; i < kControlInputCount; ++i) {
    if (klv40) layout.controlInputs[i] = (i < 2) == currentInput;
    if (klv30) layout.controlInputs[i] = i == 0 || i == kContactInput;
  }
  layout.linearInput = !klv40;
  layout.inputKindShown = klv40;

  const auto field = [&layout](EditField which, bool enabled) { layout.fields[Index(which)] = enabled; };
  field(EditField::HeaterBreakCurrent, currentAlarms);
  field(EditField::CurrentLimiter, currentAlarms);
  field(EditField::BootLimiter, klv40);
  field(EditField::BootLimiterTime, klv40);
  field(EditField::ScaleLow, scaling);
  field(EditField::ScaleHigh, scaling);
  layout.colons[Index(EditField::BootLimiter)] = klv40;
  layout.colons[Index(EditField::BootLimiterTime)] = klv40;
  layout.colons[Index(EditField::ScaleLow)] = klv40 && bit(3);
  layout.colons[Index(EditField::ScaleHigh)] = klv40 && bit(3);

  layout.spinRanges[Index(EditField::CurrentLimiter)] = SpinRange{klv30e ? 10 : 0, 120};
  layout.spinRanges[Index(EditField::ScaleLow)] = SpinRange{0, klv30e ? 200 : 1000};
  layout.spinRanges[Index(EditField::ScaleHigh)] = SpinRange{klv30e ? 800 : 0, 1000};

  layout.slowCaption = klv30 ? TextId::VariationLimit : TextId::SlowUpSlowDown;
  layout.slowUpLabel = klv30 ? TextId::VariationLimit : TextId::SlowUp;
  layout.slowDownShown = !klv30;

  layout.bootLimiterBox = klv40;
  layout.scalingCaption = klv30e ? TextId::ControlInputScaling : TextId::AnalogOutputScaling;
  layout.scalingBox = scaling;

  layout.oneSeriesCaption = ModelName(klv30e ? ModelKind::Klv30E : ModelKind::Klv30);
  layout.oneSeriesOptions = !klv40;
  layout.klv40Options = klv40;
  return layout;
}

std::optional<bool> ScreenLayout::ButtonEnabled(RadioGroup group, int button) const {
  if (group == RadioGroup::ControlInput) {
    if (button < 0 || button >= static_cast<int>(kControlInputCount)) return std::nullopt;
    return controlInputs[static_cast<std::size_t>(button)];
  }
  if (IsAlarmGroup(group) && button == kAlarmOutput2Button) return alarmOutput2;
  if (group == RadioGroup::CurrentLimiter && button == kVr3Button) return currentLimiterVr3;
  return groups[Index(group)];
}

}  // namespace klv
