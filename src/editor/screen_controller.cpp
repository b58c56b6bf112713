#include "editor/screen_controller.h"

#include <array>
#include <initializer_list>
#include <optional>
#include <string>

#include "editor/option_box_rules.h"
#include "editor/screen_layout.h"
#include "model/register_catalogue.h"
#include "text/texts.h"

namespace klv {

namespace {

constexpr std::size_t Index(EditField field) { return static_cast<std::size_t>(field); }
constexpr std::size_t Index(RadioGroup group) { return static_cast<std::size_t>(group); }

// The register each edit field holds, by EditField.
constexpr std::array<ParameterSet::SlotMember, kEditFieldCount> kFieldSlots = {
    &ParameterSet::heaterBreakCurrent, &ParameterSet::rampLowerLimit,  &ParameterSet::rampUpperSetting,
    &ParameterSet::slowUpTime,         &ParameterSet::slowDownTime,    &ParameterSet::currentLimiter,
    &ParameterSet::bootLimiter,        &ParameterSet::bootLimiterTime, &ParameterSet::scaleLow,
    &ParameterSet::scaleHigh,
};

// The fields whose number alone is the register's value; the ramp and
// limiter fields belong to their groups' "Number" buttons.
constexpr std::array kPlainFields = {EditField::HeaterBreakCurrent, EditField::RampUpperSetting,
                                     EditField::SlowUp,             EditField::SlowDown,
                                     EditField::BootLimiter,        EditField::BootLimiterTime,
                                     EditField::ScaleLow,           EditField::ScaleHigh};

constexpr std::array kAlarmGroups = {RadioGroup::FuseMelted,    RadioGroup::PowerSupplyError,
                                     RadioGroup::CurrentError,  RadioGroup::HardwareError,
                                     RadioGroup::TemperatureError, RadioGroup::HeaterBreak};
constexpr int kAl1 = 0;
constexpr int kAl2 = 1;

// Buttons of "Control input".
constexpr int kInputCount = static_cast<int>(kControlInputCount);
constexpr int kInput4To20mA = 0;
constexpr int kInput0To20mA = 1;
constexpr int kInput0To10V = 4;
constexpr int kInputContact = 6;

// The option words: bits 0..3 of optionFlags are the KLV40 boxes 1..4.
constexpr int kKlv40OptionBits = 4;

// The buttons that choose a volume, by VolumeButton.
constexpr std::array<ScreenItem, kVolumeButtonCount> kVolumeButtons = {
    ScreenItem::Radio(RadioGroup::RampLowerLimit, 1),     ScreenItem::Radio(RadioGroup::RampLowerLimit, 2),
    ScreenItem::Radio(RadioGroup::RampUpperSelection, 1), ScreenItem::Radio(RadioGroup::RampUpperSelection, 2),
    ScreenItem::Radio(RadioGroup::CurrentLimiter, 1),     ScreenItem::Radio(RadioGroup::CurrentLimiter, 2),
    ScreenItem::Radio(RadioGroup::CurrentLimiter, 3),     ScreenItem::Radio(RadioGroup::Di1, 1),
    ScreenItem::Radio(RadioGroup::Di1, 2),
};

// The spin ranges the screen starts with; the model layouts change some.
constexpr std::array<SpinRange, kEditFieldCount> kStartRanges = {{
    {0, 100},   // HeaterBreakCurrent
    {0, 999},   // RampLowerLimit
    {1, 1000},  // RampUpperSetting
    {0, 999},   // SlowUp
    {0, 999},   // SlowDown
    {10, 120},  // CurrentLimiter
    {0, 1000},  // BootLimiter
    {0, 999},   // BootLimiterTime
    {0, 1000},  // ScaleLow
    {0, 1000},  // ScaleHigh
}};

struct Limits {
  int16_t minimum = 0;
  int16_t maximum = 0;
  bool Outside(int value) const { return value < minimum || value > maximum; }
};

// The limits of the register bound to a slot, when the model has it.
std::optional<Limits> LimitsOf(ParameterSet::SlotMember slot, ModelKind model) {
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (row.value.Member() == slot) return Limits{row.minimum, row.maximum};
  }
  return std::nullopt;
}

std::string OutOfLimitsTip(Limits limits, Language language) {
  return Text(TextId::OutsideLimits, language, {std::to_string(limits.minimum) + ".." + std::to_string(limits.maximum)});
}

// The groups whose register shares its edit field: the field carries the mark.
bool MarkedByItsField(RadioGroup group) {
  return group == RadioGroup::RampLowerLimit || group == RadioGroup::CurrentLimiter;
}

}  // namespace

ScreenController::ScreenController(ScreenView& view, ParameterSet& parameters, Language language)
    : view_(view), parameters_(parameters), language_(language) {
  for (std::size_t i = 0; i < kEditFieldCount; ++i) view_.SetSpinRange(static_cast<EditField>(i), kStartRanges[i]);
}

// ---- Controls -----------------------------------------------------------------------

int ScreenController::CheckedButton(RadioGroup group) const {
  for (int button = 0; button < ButtonCount(group); ++button) {
    if (IsChecked(ScreenItem::Radio(group, button))) return button;
  }
  return kNoButton;
}

void ScreenController::CheckButton(RadioGroup group, int button) {
  // The new button first, so that a group that keeps one button checked is
  // never asked to have none on the way.
  if (button != kNoButton) view_.SetChecked(ScreenItem::Radio(group, button), true);
  for (int i = 0; i < ButtonCount(group); ++i) {
    if (i != button) view_.SetChecked(ScreenItem::Radio(group, i), false);
  }
}

void ScreenController::CheckInputKind(bool current) {
  const ScreenItem on = current ? ScreenItem::Current() : ScreenItem::Voltage();
  const ScreenItem off = current ? ScreenItem::Voltage() : ScreenItem::Current();
  view_.SetChecked(on, true);
  view_.SetChecked(off, false);
}

int16_t ScreenController::FieldNumber(EditField field) const { return ReadEditNumber(view_.FieldText(field)); }

void ScreenController::SetFieldText(EditField field, const std::string& text) {
  ++writing_;
  view_.SetFieldText(field, text);
  --writing_;
}

int16_t ScreenController::RegisterOf(EditField field) const { return parameters_.*kFieldSlots[Index(field)]; }

void ScreenController::MarkIfDiffers(int value, int16_t registerValue) {
  if (value != registerValue) view_.ScreenEdited();
}

void ScreenController::Enable(std::initializer_list<ScreenItem> controls, bool enabled) {
  for (const ScreenItem control : controls) view_.SetEnabled(control, enabled);
}

void ScreenController::EnableFieldRow(EditField field, bool enabled) {
  using Kind = ScreenItem::Kind;
  Enable({ScreenItem::Edit(field), ScreenItem::Part(Kind::Spin, field), ScreenItem::Part(Kind::Label, field),
          ScreenItem::Part(Kind::Unit, field)},
         enabled);
}

// ---- Out-of-limits marks ------------------------------------------------------------------

bool ScreenController::Marked(ScreenItem control) const {
  if (control.kind == ScreenItem::Kind::Edit) return fieldMarked_.at(static_cast<std::size_t>(control.index));
  if (control.kind == ScreenItem::Kind::GroupBox) return groupMarked_.at(static_cast<std::size_t>(control.index));
  return false;
}

void ScreenController::MarkOutOfLimits(EditField field) {
  const std::optional<Limits> limits = LimitsOf(kFieldSlots[Index(field)], model_);
  // A limiter or ramp field on a volume shows a stand-in number, not the register's.
  const bool onVolume =
      (field == EditField::CurrentLimiter && CheckedButton(RadioGroup::CurrentLimiter) != kNumberButton) ||
      (field == EditField::RampLowerLimit && CheckedButton(RadioGroup::RampLowerLimit) != kNumberButton);
  const bool outside = limits && !onVolume && limits->Outside(FieldNumber(field));
  if (fieldMarked_[Index(field)] == outside) return;
  fieldMarked_[Index(field)] = outside;
  view_.SetOutOfLimitsMark(ScreenItem::Edit(field), outside ? OutOfLimitsTip(*limits, language_) : std::string());
}

void ScreenController::MarkGroupsOutOfLimits() {
  for (const RadioGroup group : AllRadioGroups()) {
    if (MarkedByItsField(group)) continue;
    const std::size_t slot = GroupSlot(group);
    const int16_t value = parameters_.Slot(slot);
    const std::optional<Limits> limits = LimitsOf(ParameterSet::kSlots[slot], model_);
    const bool outside = limits && limits->Outside(value);
    if (groupMarked_[Index(group)] == outside) continue;
    // The buttons cannot show such a value: the tip names it.
    SetGroupMark(group, outside ? std::to_string(value) + ": " + OutOfLimitsTip(*limits, language_) : std::string());
  }
}

void ScreenController::SetGroupMark(RadioGroup group, const std::string& tip) {
  groupMarked_[Index(group)] = !tip.empty();
  view_.SetOutOfLimitsMark(ScreenItem::Group(group), tip);
}

// ---- Parameter set <-> screen ---------------------------------------------------------

void ScreenController::ShowParameters() {
  const ParameterSet& p = parameters_;
  showing_ = true;
  for (const RadioGroup group : AllRadioGroups()) {
    CheckButton(group, ShownButton(group, p.Slot(GroupSlot(group)), model_));
  }
  // A volume shows "0" in the ramp field and "100" in the limiter field.
  const bool rampOnVolume = p.rampLowerLimit == -1 || p.rampLowerLimit == -2;
  const bool limiterOnVolume = p.currentLimiter >= -4 && p.currentLimiter <= -1;
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (field == EditField::RampLowerLimit && rampOnVolume) {
      SetFieldText(field, "0");
    } else if (field == EditField::CurrentLimiter && limiterOnVolume) {
      SetFieldText(field, "100");
    } else {
      SetFieldText(field, EditText(p.*kFieldSlots[i]));
    }
  }

  view_.SetEnabled(ScreenItem::Edit(EditField::RampLowerLimit),
                   CheckedButton(RadioGroup::RampLowerLimit) == kNumberButton);
  view_.SetEnabled(ScreenItem::Edit(EditField::CurrentLimiter),
                   CheckedButton(RadioGroup::CurrentLimiter) == kNumberButton &&
                       (model_ == ModelKind::Klv40 || p.optionDetect != 0));

  CheckInputKind(p.controlInputRange < 2);

  view_.SetChecked(ScreenItem::Option(0), p.optionDetect != 0);
  for (int bit = 0; bit < kKlv40OptionBits; ++bit) {
    view_.SetChecked(ScreenItem::Option(bit + 1), ((p.optionFlags >> bit) & 1) != 0);
  }

  LockSharedVolumes();
  showing_ = false;
  for (std::size_t i = 0; i < kEditFieldCount; ++i) MarkOutOfLimits(static_cast<EditField>(i));
  MarkGroupsOutOfLimits();
}

void ScreenController::ReadScreen() {
  ParameterSet& p = parameters_;
  for (const RadioGroup group : AllRadioGroups()) {
    int16_t number = 0;
    if (group == RadioGroup::RampLowerLimit) number = FieldNumber(EditField::RampLowerLimit);
    if (group == RadioGroup::CurrentLimiter) number = FieldNumber(EditField::CurrentLimiter);
    if (const std::optional<int16_t> value = ReadButton(group, CheckedButton(group), model_, number)) {
      p.Slot(GroupSlot(group)) = *value;
    }
  }
  for (const EditField field : kPlainFields) p.*kFieldSlots[Index(field)] = FieldNumber(field);
  p.optionDetect = IsChecked(ScreenItem::Option(0)) ? kOptionCurrentDetection : 0;
  uint16_t flags = 0;
  for (int bit = 0; bit < kKlv40OptionBits; ++bit) {
    if (IsChecked(ScreenItem::Option(bit + 1))) flags = static_cast<uint16_t>(flags | (1u << bit));
  }
  p.optionFlags = flags;
}

void ScreenController::LockSharedVolumes() {
  VolumeChecks checked{};
  for (std::size_t i = 0; i < kVolumeButtonCount; ++i) checked[i] = IsChecked(kVolumeButtons[i]);
  const VolumeEnables enables = klv::LockSharedVolumes(checked, model_, IsChecked(ScreenItem::Option(0)));
  for (std::size_t i = 0; i < kVolumeButtonCount; ++i) {
    if (enables[i]) view_.SetEnabled(kVolumeButtons[i], *enables[i]);
  }
}

// ---- Model layouts ----------------------------------------------------------------------

void ScreenController::ApplyModelLayout(ModelKind model) {
  using Kind = ScreenItem::Kind;
  const ParameterSet& p = parameters_;
  const ScreenLayout layout = LayoutFor(model, p.optionFlags, p.optionDetect, p.controlInputRange);
  model_ = layout.model;
  ShowParameters();

  view_.SetCaption(ScreenItem::Box(ScreenFrame::OneSeriesOptions), layout.oneSeriesCaption);
  Enable({ScreenItem::Box(ScreenFrame::OneSeriesOptions), ScreenItem::Option(0)}, layout.oneSeriesOptions);
  view_.SetEnabled(ScreenItem::Box(ScreenFrame::Klv40Options), layout.klv40Options);
  for (int i = 1; i < kOptionBoxCount; ++i) view_.SetEnabled(ScreenItem::Option(i), layout.klv40Options);

  for (const RadioGroup group : AllRadioGroups()) {
    if (const std::optional<bool> enabled = layout.groups[Index(group)]) {
      Enable({ScreenItem::Group(group), ScreenItem::Notes(group)}, *enabled);
    }
    for (int button = 0; button < ButtonCount(group); ++button) {
      if (const std::optional<bool> enabled = layout.ButtonEnabled(group, button)) {
        view_.SetEnabled(ScreenItem::Radio(group, button), *enabled);
      }
    }
  }

  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (const std::optional<bool> enabled = layout.fields[i]) EnableFieldRow(field, *enabled);
    if (const std::optional<bool> enabled = layout.colons[i]) {
      view_.SetEnabled(ScreenItem::Part(Kind::Colon, field), *enabled);
    }
    if (const std::optional<SpinRange> range = layout.spinRanges[i]) view_.SetSpinRange(field, *range);
  }

  view_.SetCaption(ScreenItem::Box(ScreenFrame::Slow), Text(layout.slowCaption, language_));
  view_.SetCaption(ScreenItem::Part(Kind::Label, EditField::SlowUp), Text(layout.slowUpLabel, language_));
  for (const Kind part : {Kind::Label, Kind::Colon, Kind::Edit, Kind::Spin, Kind::Unit}) {
    view_.SetShown(ScreenItem::Part(part, EditField::SlowDown), layout.slowDownShown);
  }

  view_.SetEnabled(ScreenItem::Box(ScreenFrame::BootLimiter), layout.bootLimiterBox);
  view_.SetCaption(ScreenItem::Box(ScreenFrame::Scaling), Text(layout.scalingCaption, language_));
  view_.SetEnabled(ScreenItem::Box(ScreenFrame::Scaling), layout.scalingBox);

  view_.SetCaption(ScreenItem::Radio(RadioGroup::ControlInput, kInput4To20mA),
                   layout.linearInput ? Text(TextId::Linear, language_) : std::string_view("4-20mA"));
  view_.SetShown(ScreenItem::Current(), layout.inputKindShown);
  view_.SetShown(ScreenItem::Voltage(), layout.inputKindShown);

  // Showing again gives the two edits' states and the volume lock the last word.
  ShowParameters();
}

// ---- The operator's events -----------------------------------------------------------------

void ScreenController::OnRadioClicked(RadioGroup group, int button) {
  // The operator chose a value: the mark of the one outside the limits goes.
  if (groupMarked_[Index(group)]) SetGroupMark(group, std::string());
  switch (group) {
    case RadioGroup::RampLowerLimit:
      if (button == kNumberButton) {
        OnRampNumberClicked();
        return;
      }
      view_.SetEnabled(ScreenItem::Edit(EditField::RampLowerLimit), false);
      LockSharedVolumes();
      break;
    case RadioGroup::CurrentLimiter:
      view_.SetEnabled(ScreenItem::Edit(EditField::CurrentLimiter), button == kNumberButton);
      LockSharedVolumes();
      break;
    case RadioGroup::RampUpperSelection:
    case RadioGroup::Di1:
    case RadioGroup::AnalogInput: LockSharedVolumes(); break;
    default: break;
  }
  if (!ButtonStandsFor(group, button, parameters_.Slot(GroupSlot(group)), model_)) view_.ScreenEdited();
}

void ScreenController::OnRampNumberClicked() {
  view_.SetEnabled(ScreenItem::Edit(EditField::RampLowerLimit), true);
  LockSharedVolumes();
  const RampAdjustment adjustment =
      RampOnNumberClick(FieldNumber(EditField::RampLowerLimit), FieldNumber(EditField::RampUpperSetting));
  if (adjustment.lowerText) SetFieldText(EditField::RampLowerLimit, *adjustment.lowerText);
  // Any number stands for a stored number; only a stored volume changes.
  if (parameters_.rampLowerLimit < 0) view_.ScreenEdited();
  view_.SetSpinRange(EditField::RampLowerLimit, {0, adjustment.lowerSpinUpper});
}

void ScreenController::OnCurrentClicked() {
  const int marked = CheckedButton(RadioGroup::ControlInput);
  if (marked < 2) return;  // a current input is marked already, or none is
  view_.SetEnabled(ScreenItem::Radio(RadioGroup::ControlInput, kInput4To20mA), true);
  CheckButton(RadioGroup::ControlInput, kInput4To20mA);
  view_.SetEnabled(ScreenItem::Radio(RadioGroup::ControlInput, kInput0To20mA), model_ == ModelKind::Klv40);
  for (int i = 2; i < kInputCount; ++i) view_.SetEnabled(ScreenItem::Radio(RadioGroup::ControlInput, i), false);
  view_.ScreenEdited();
}

void ScreenController::OnVoltageClicked() {
  const int marked = CheckedButton(RadioGroup::ControlInput);
  if (model_ == ModelKind::Klv40) {
    if (marked != kInput4To20mA && marked != kInput0To20mA) return;
    for (int i = 0; i < kInputCount; ++i) view_.SetEnabled(ScreenItem::Radio(RadioGroup::ControlInput, i), i >= 2);
    CheckButton(RadioGroup::ControlInput, kInput0To10V);
  } else {
    // The one-series models have one voltage-type input: the contact.
    if (marked != kInput4To20mA) return;
    for (int i = 0; i < kInputCount; ++i) {
      view_.SetEnabled(ScreenItem::Radio(RadioGroup::ControlInput, i), i == kInputContact);
    }
    CheckButton(RadioGroup::ControlInput, kInputContact);
  }
  view_.ScreenEdited();
}

void ScreenController::OnOptionClicked(int index) {
  const bool on = IsChecked(ScreenItem::Option(index));
  const OptionBoxEffect effect = EffectOfOptionBox(index);
  for (const OptionGroupButtons& entry : effect.groups) {
    view_.SetEnabled(ScreenItem::Group(entry.group), on);
    for (const int button : entry.buttons) view_.SetEnabled(ScreenItem::Radio(entry.group, button), on);
  }
  for (const EditField field : effect.fields) EnableFieldRow(field, on);
  for (const EditField field : effect.colons) view_.SetEnabled(ScreenItem::Part(ScreenItem::Kind::Colon, field), on);
  if (effect.scalingBox) view_.SetEnabled(ScreenItem::Box(ScreenFrame::Scaling), on);
  if (effect.alarmOutput2) {
    for (const RadioGroup which : kAlarmGroups) {
      view_.SetEnabled(ScreenItem::Radio(which, kAl2), on);
      if (!on && CheckedButton(which) == kAl2) CheckButton(which, kAl1);
    }
  }
  if (effect.limiterToNumberWhenCleared && !on) {
    CheckButton(RadioGroup::CurrentLimiter, kNumberButton);
    SetFieldText(EditField::CurrentLimiter, "100");
  }
  if (effect.locksVolumes) LockSharedVolumes();
  // Ticking or clearing a box changes the options to write, whatever they were.
  if (index >= 0 && index < kOptionBoxCount) view_.ScreenEdited();
}

void ScreenController::OnFieldChanged(EditField field, bool keystroke) {
  if (!CheckedWhileTyping(field)) return;
  OnFieldChangedByRule(field, keystroke && writing_ == 0);
  if (!showing_) MarkOutOfLimits(field);
}

void ScreenController::OnFieldChangedByRule(EditField field, bool typed) {
  if (!screenReady_ || showing_) return;
  if (field == EditField::CurrentLimiter) {
    if (CheckedButton(RadioGroup::CurrentLimiter) != kNumberButton) return;
    const LimiterCorrection correction = CurrentLimiterOnChange(FieldNumber(field), model_, typed);
    if (correction.text) SetFieldText(field, *correction.text);
    MarkIfDiffers(correction.value, RegisterOf(field));
    return;
  }
  // Compared as typed: a correction writes the field again and is compared then.
  const int16_t n = FieldNumber(field);
  if (const FieldCorrection correction = SimpleRangeOnChange(field, n)) SetFieldText(field, *correction);
  MarkIfDiffers(n, RegisterOf(field));
}

void ScreenController::OnFieldLeft(EditField field) {
  switch (field) {
    case EditField::HeaterBreakCurrent:
    case EditField::SlowUp:
    case EditField::SlowDown:
    case EditField::BootLimiter:
    case EditField::BootLimiterTime:
      if (const FieldCorrection correction =
              SimpleRangeOnLeave(field, view_.FieldText(field), FieldNumber(field), screenReady_)) {
        SetFieldText(field, *correction);
      }
      return;
    case EditField::RampLowerLimit: {
      if (CheckedButton(RadioGroup::RampLowerLimit) != kNumberButton) return;
      const int16_t lower = FieldNumber(field);
      if (const FieldCorrection correction = RampOnLowerLeave(lower, FieldNumber(EditField::RampUpperSetting))) {
        SetFieldText(field, *correction);
      }
      MarkIfDiffers(lower, RegisterOf(field));
      return;
    }
    case EditField::RampUpperSetting: OnRampHigherLeft(); return;
    case EditField::CurrentLimiter: {
      if (!screenReady_ || CheckedButton(RadioGroup::CurrentLimiter) != kNumberButton) return;
      const LimiterCorrection correction = CurrentLimiterOnLeave(FieldNumber(field), model_);
      if (correction.text) SetFieldText(field, *correction.text);
      MarkIfDiffers(correction.value, RegisterOf(field));
      return;
    }
    case EditField::ScaleLow:
    case EditField::ScaleHigh: {
      if (!screenReady_) return;
      const int16_t n = FieldNumber(field);
      if (const FieldCorrection correction = ScalingOnLeave(field, n, model_)) SetFieldText(field, *correction);
      MarkIfDiffers(n, RegisterOf(field));
      return;
    }
  }
}

void ScreenController::OnRampHigherLeft() {
  const RampAdjustment adjustment =
      RampOnHigherLeave(FieldNumber(EditField::RampLowerLimit), FieldNumber(EditField::RampUpperSetting));
  if (adjustment.higherText) SetFieldText(EditField::RampUpperSetting, *adjustment.higherText);
  view_.SetSpinRange(EditField::RampLowerLimit, {0, adjustment.lowerSpinUpper});
  if (adjustment.lowerText) SetFieldText(EditField::RampLowerLimit, *adjustment.lowerText);
  // The higher limit has no check while typing, so a new value is noticed
  // here; otherwise leaving the program would drop it without asking. Moving
  // the lower field along is a consequence and marks nothing by itself.
  if (screenReady_) MarkIfDiffers(FieldNumber(EditField::RampUpperSetting), parameters_.rampUpperSetting);
}

SpinMove ScreenController::OnSpinMove(EditField field, SpinMove move) const {
  if (field != EditField::CurrentLimiter) return move;
  return CurrentLimiterSpin(FieldNumber(field), move, model_);
}

}  // namespace klv
