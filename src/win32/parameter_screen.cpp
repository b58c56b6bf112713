#include "win32/parameter_screen.h"

#include <commctrl.h>

#include <array>
#include <initializer_list>
#include <utility>
#include <vector>

#include "editor/option_box_rules.h"
#include "editor/screen_layout.h"
#include "text/texts.h"
#include "win32/screen_controls.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

// The register each edit field holds, by EditField.
constexpr std::array<ParameterSet::SlotMember, kEditFieldCount> kFieldSlots = {
    &ParameterSet::heaterBreakCurrent, &ParameterSet::rampLowerLimit,  &ParameterSet::rampUpperSetting,
    &ParameterSet::slowUpTime,         &ParameterSet::slowDownTime,    &ParameterSet::currentLimiter,
    &ParameterSet::bootLimiter,        &ParameterSet::bootLimiterTime, &ParameterSet::scaleLow,
    &ParameterSet::scaleHigh,
};

constexpr std::size_t Index(EditField field) { return static_cast<std::size_t>(field); }
constexpr std::size_t Index(RadioGroup group) { return static_cast<std::size_t>(group); }

constexpr std::array kAlarmGroups = {RadioGroup::FuseMelted,   RadioGroup::PowerSupplyError,
                                     RadioGroup::CurrentError, RadioGroup::HardwareError,
                                     RadioGroup::TemperatureError, RadioGroup::HeaterBreak};
constexpr int kAl1 = 0;
constexpr int kAl2 = 1;

constexpr int kInputCount = static_cast<int>(kControlInputCount);
constexpr int kInput4To20mA = 0;
constexpr int kInput0To20mA = 1;
constexpr int kInput0To10V = 4;
constexpr int kInputContact = 6;

// The radio group and button of a control number, if it is one.
std::optional<std::pair<RadioGroup, int>> RadioOf(int id) {
  for (const RadioGroup group : AllRadioGroups()) {
    const int button = id - screen_id::Radio(group, 0);
    if (button >= 0 && button < ButtonCount(group)) return std::pair{group, button};
  }
  return std::nullopt;
}

std::optional<EditField> EditOf(int id) {
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (id == screen_id::Edit(field)) return field;
  }
  return std::nullopt;
}

std::optional<EditField> SpinOf(int id) {
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (id == screen_id::Spin(field)) return field;
  }
  return std::nullopt;
}

}  // namespace

ParameterScreen::ParameterScreen(HWND dialog, ParameterSet& parameters, Language language,
                                 std::function<void()> edited)
    : dialog_(dialog), parameters_(parameters), language_(language), edited_(std::move(edited)) {
  // The ranges at start-up; the model layouts change some of them.
  SetSpinRange(EditField::RampLowerLimit, 0, 999);
  SetSpinRange(EditField::RampUpperSetting, 1, 1000);
  SetSpinRange(EditField::CurrentLimiter, 10, 120);
  SetSpinRange(EditField::HeaterBreakCurrent, 0, 100);
  SetSpinRange(EditField::SlowUp, 0, 999);
  SetSpinRange(EditField::SlowDown, 0, 999);
  SetSpinRange(EditField::BootLimiter, 0, 1000);
  SetSpinRange(EditField::BootLimiterTime, 0, 999);
  SetSpinRange(EditField::ScaleLow, 0, 1000);
  SetSpinRange(EditField::ScaleHigh, 0, 1000);
  // Every edit field takes digits only, except the limiter field, which
  // shows "off", and the slow-down field.
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (field == EditField::CurrentLimiter || field == EditField::SlowDown) continue;
    HWND edit = Control(screen_id::Edit(field));
    SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) | ES_NUMBER);
  }
}

// ---- Controls -----------------------------------------------------------------------

bool ParameterScreen::IsChecked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

void ParameterScreen::SetChecked(int id, bool checked) {
  SendMessageW(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void ParameterScreen::SetEnabled(int id, bool enabled) {
  if (HWND control = Control(id)) EnableWindow(control, enabled ? TRUE : FALSE);
}

void ParameterScreen::SetShown(int id, bool shown) {
  if (HWND control = Control(id)) ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
}

void ParameterScreen::SetCaption(int id, std::string_view text) {
  SetWindowTextW(Control(id), Widen(text).c_str());
}

int ParameterScreen::CheckedButton(RadioGroup group) const {
  for (int button = 0; button < ButtonCount(group); ++button) {
    if (IsChecked(screen_id::Radio(group, button))) return button;
  }
  return kNoButton;
}

void ParameterScreen::CheckButton(RadioGroup group, int button) {
  for (int i = 0; i < ButtonCount(group); ++i) SetChecked(screen_id::Radio(group, i), i == button);
}

std::string ParameterScreen::FieldText(EditField field) const {
  HWND edit = Control(screen_id::Edit(field));
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

int16_t ParameterScreen::FieldNumber(EditField field) const { return ReadEditNumber(FieldText(field)); }

void ParameterScreen::SetFieldText(EditField field, const std::string& text) {
  ++programText_;
  SetWindowTextW(Control(screen_id::Edit(field)), Widen(text).c_str());
  --programText_;
}

void ParameterScreen::SetSpinRange(EditField field, int lower, int upper) {
  SendMessageW(Control(screen_id::Spin(field)), UDM_SETRANGE32, static_cast<WPARAM>(lower),
               static_cast<LPARAM>(upper));
}

int16_t ParameterScreen::RegisterOf(EditField field) const { return parameters_.*kFieldSlots[Index(field)]; }

void ParameterScreen::MarkIfDiffers(int value, int16_t registerValue) {
  if (value != registerValue && edited_) edited_();
}

void ParameterScreen::SetFieldEnabled(EditField field, bool enabled) {
  SetEnabled(screen_id::Edit(field), enabled);
  SetEnabled(screen_id::Spin(field), enabled);
}

// ---- Parameter set <-> screen ---------------------------------------------------------

void ParameterScreen::ShowParameters() {
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
    SetFieldText(field, EditText(p.*kFieldSlots[i]));
  }
  if (rampOnVolume) SetFieldText(EditField::RampLowerLimit, "0");
  if (limiterOnVolume) SetFieldText(EditField::CurrentLimiter, "100");

  SetEnabled(screen_id::Edit(EditField::RampLowerLimit),
             CheckedButton(RadioGroup::RampLowerLimit) == kNumberButton);
  SetEnabled(screen_id::Edit(EditField::CurrentLimiter),
             CheckedButton(RadioGroup::CurrentLimiter) == kNumberButton &&
                 (model_ == ModelKind::Klv40 || p.optionDetect != 0));

  SetChecked(screen_id::kCurrentInput, p.controlInputRange < 2);
  SetChecked(screen_id::kVoltageInput, p.controlInputRange >= 2);

  SetChecked(screen_id::OptionBox(0), p.optionDetect != 0);
  for (int bit = 0; bit < 4; ++bit) SetChecked(screen_id::OptionBox(bit + 1), ((p.optionFlags >> bit) & 1) != 0);

  LockSharedVolumes();
  showing_ = false;
}

void ParameterScreen::ReadScreen() {
  ParameterSet& p = parameters_;
  for (const RadioGroup group : AllRadioGroups()) {
    int16_t number = 0;
    if (group == RadioGroup::RampLowerLimit) number = FieldNumber(EditField::RampLowerLimit);
    if (group == RadioGroup::CurrentLimiter) number = FieldNumber(EditField::CurrentLimiter);
    if (const std::optional<int16_t> value = ReadButton(group, CheckedButton(group), model_, number)) {
      p.Slot(GroupSlot(group)) = *value;
    }
  }
  for (const EditField field : {EditField::HeaterBreakCurrent, EditField::RampUpperSetting, EditField::SlowUp,
                                EditField::SlowDown, EditField::BootLimiter, EditField::BootLimiterTime,
                                EditField::ScaleLow, EditField::ScaleHigh}) {
    p.*kFieldSlots[Index(field)] = FieldNumber(field);
  }
  p.optionDetect = IsChecked(screen_id::OptionBox(0)) ? kOptionCurrentDetection : 0;
  uint16_t flags = 0;
  for (int bit = 0; bit < 4; ++bit) {
    if (IsChecked(screen_id::OptionBox(bit + 1))) flags = static_cast<uint16_t>(flags | (1u << bit));
  }
  p.optionFlags = flags;
}

void ParameterScreen::LockSharedVolumes() {
  constexpr std::array<std::pair<RadioGroup, int>, kVolumeButtonCount> buttons = {{
      {RadioGroup::RampLowerLimit, 1},
      {RadioGroup::RampLowerLimit, 2},
      {RadioGroup::RampUpperSelection, 1},
      {RadioGroup::RampUpperSelection, 2},
      {RadioGroup::CurrentLimiter, 1},
      {RadioGroup::CurrentLimiter, 2},
      {RadioGroup::CurrentLimiter, 3},
      {RadioGroup::Di1, 1},
      {RadioGroup::Di1, 2},
  }};
  VolumeChecks checked{};
  for (std::size_t i = 0; i < kVolumeButtonCount; ++i) {
    checked[i] = IsChecked(screen_id::Radio(buttons[i].first, buttons[i].second));
  }
  const VolumeEnables enables = klv::LockSharedVolumes(checked, model_, IsChecked(screen_id::OptionBox(0)));
  for (std::size_t i = 0; i < kVolumeButtonCount; ++i) {
    if (enables[i]) SetEnabled(screen_id::Radio(buttons[i].first, buttons[i].second), *enables[i]);
  }
}

// ---- Model layouts ----------------------------------------------------------------------

void ParameterScreen::ApplyModelLayout(ModelKind model) {
  const ParameterSet& p = parameters_;
  const ScreenLayout layout = LayoutFor(model, p.optionFlags, p.optionDetect, p.controlInputRange);
  model_ = layout.model;
  ShowParameters();

  SetCaption(screen_id::kOneSeriesBox, layout.oneSeriesCaption);
  SetEnabled(screen_id::kOneSeriesBox, layout.oneSeriesOptions);
  SetEnabled(screen_id::OptionBox(0), layout.oneSeriesOptions);
  SetEnabled(screen_id::kKlv40Box, layout.klv40Options);
  for (int i = 1; i <= 4; ++i) SetEnabled(screen_id::OptionBox(i), layout.klv40Options);

  for (const RadioGroup group : AllRadioGroups()) {
    if (const std::optional<bool> enabled = layout.groups[Index(group)]) {
      SetEnabled(screen_id::GroupBox(group), *enabled);
      for (int note = 0; note < 2; ++note) SetEnabled(screen_id::Note(group, note), *enabled);
    }
    for (int button = 0; button < ButtonCount(group); ++button) {
      if (const std::optional<bool> enabled = layout.ButtonEnabled(group, button)) {
        SetEnabled(screen_id::Radio(group, button), *enabled);
      }
    }
  }

  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (const std::optional<bool> enabled = layout.fields[i]) {
      for (const int id : {screen_id::Edit(field), screen_id::Spin(field), screen_id::Label(field),
                           screen_id::Unit(field)}) {
        SetEnabled(id, *enabled);
      }
    }
    if (const std::optional<bool> enabled = layout.colons[i]) SetEnabled(screen_id::Colon(field), *enabled);
    if (const std::optional<SpinRange> range = layout.spinRanges[i]) SetSpinRange(field, range->lower, range->upper);
  }

  SetCaption(screen_id::kSlowBox, Text(layout.slowCaption, language_));
  SetCaption(screen_id::Label(EditField::SlowUp), Text(layout.slowUpLabel, language_));
  for (const int id : {screen_id::Label(EditField::SlowDown), screen_id::Colon(EditField::SlowDown),
                       screen_id::Edit(EditField::SlowDown), screen_id::Spin(EditField::SlowDown),
                       screen_id::Unit(EditField::SlowDown)}) {
    SetShown(id, layout.slowDownShown);
  }

  SetEnabled(screen_id::kBootLimiterBox, layout.bootLimiterBox);
  SetCaption(screen_id::kScalingBox, Text(layout.scalingCaption, language_));
  SetEnabled(screen_id::kScalingBox, layout.scalingBox);

  SetCaption(screen_id::Radio(RadioGroup::ControlInput, kInput4To20mA),
             layout.linearInput ? Text(TextId::Linear, language_) : std::string_view("4-20mA"));
  SetShown(screen_id::kCurrentInput, layout.inputKindShown);
  SetShown(screen_id::kVoltageInput, layout.inputKindShown);

  // Showing again gives the two edits' states and the volume lock the last word.
  ShowParameters();
}

// ---- Notifications -------------------------------------------------------------------------

bool ParameterScreen::OnCommand(int id, int code) {
  if (const auto radio = RadioOf(id)) {
    if (code == BN_CLICKED) OnRadioClicked(radio->first, radio->second);
    return true;
  }
  if (const std::optional<EditField> field = EditOf(id)) {
    if (code == EN_CHANGE) OnEditChanged(*field);
    if (code == EN_KILLFOCUS) OnEditLeft(*field);
    return true;
  }
  for (int index = 0; index < kOptionBoxCount; ++index) {
    if (id == screen_id::OptionBox(index)) {
      if (code == BN_CLICKED) OnOptionClicked(index);
      return true;
    }
  }
  if (id == screen_id::kCurrentInput || id == screen_id::kVoltageInput) {
    if (code == BN_CLICKED) (id == screen_id::kCurrentInput ? OnCurrentClicked() : OnVoltageClicked());
    return true;
  }
  return false;
}

void ParameterScreen::OnSpinDelta(int id, NMUPDOWN& move) {
  const std::optional<EditField> field = SpinOf(id);
  if (!field) return;
  spinMoving_ = field;
  if (*field == EditField::CurrentLimiter) {
    const SpinMove wanted = CurrentLimiterSpin(FieldNumber(*field), {move.iPos, move.iDelta}, model_);
    move.iPos = wanted.position;
    move.iDelta = wanted.step;
  }
}

void ParameterScreen::LeaveFocusedField() {
  const HWND focus = GetFocus();
  if (focus == nullptr || GetParent(focus) != dialog_) return;
  if (const std::optional<EditField> field = EditOf(GetDlgCtrlID(focus))) OnEditLeft(*field);
}

void ParameterScreen::OnRadioClicked(RadioGroup group, int button) {
  switch (group) {
    case RadioGroup::RampLowerLimit:
      if (button == kNumberButton) {
        OnRampNumberClicked();
        return;
      }
      SetEnabled(screen_id::Edit(EditField::RampLowerLimit), false);
      LockSharedVolumes();
      break;
    case RadioGroup::CurrentLimiter:
      SetEnabled(screen_id::Edit(EditField::CurrentLimiter), button == kNumberButton);
      LockSharedVolumes();
      break;
    case RadioGroup::RampUpperSelection:
    case RadioGroup::Di1:
    case RadioGroup::AnalogInput: LockSharedVolumes(); break;
    default: break;
  }
  if (!ButtonStandsFor(group, button, parameters_.Slot(GroupSlot(group)), model_) && edited_) edited_();
}

void ParameterScreen::OnRampNumberClicked() {
  SetEnabled(screen_id::Edit(EditField::RampLowerLimit), true);
  LockSharedVolumes();
  const RampAdjustment adjustment =
      RampOnNumberClick(FieldNumber(EditField::RampLowerLimit), FieldNumber(EditField::RampUpperSetting));
  if (adjustment.lowerText) SetFieldText(EditField::RampLowerLimit, *adjustment.lowerText);
  // Any number stands for a stored number; only a stored volume changes.
  if (parameters_.rampLowerLimit < 0 && edited_) edited_();
  SetSpinRange(EditField::RampLowerLimit, 0, adjustment.lowerSpinUpper);
}

void ParameterScreen::OnCurrentClicked() {
  const int marked = CheckedButton(RadioGroup::ControlInput);
  if (marked < 2) return;  // a current input is marked already, or none is
  SetEnabled(screen_id::Radio(RadioGroup::ControlInput, kInput4To20mA), true);
  CheckButton(RadioGroup::ControlInput, kInput4To20mA);
  SetEnabled(screen_id::Radio(RadioGroup::ControlInput, kInput0To20mA), model_ == ModelKind::Klv40);
  for (int i = 2; i < kInputCount; ++i) SetEnabled(screen_id::Radio(RadioGroup::ControlInput, i), false);
  if (edited_) edited_();
}

void ParameterScreen::OnVoltageClicked() {
  const int marked = CheckedButton(RadioGroup::ControlInput);
  if (model_ == ModelKind::Klv40) {
    if (marked != kInput4To20mA && marked != kInput0To20mA) return;
    for (int i = 0; i < kInputCount; ++i) SetEnabled(screen_id::Radio(RadioGroup::ControlInput, i), i >= 2);
    CheckButton(RadioGroup::ControlInput, kInput0To10V);
  } else {
    // The one-series models have one voltage-type input: the contact.
    if (marked != kInput4To20mA) return;
    for (int i = 0; i < kInputCount; ++i) {
      SetEnabled(screen_id::Radio(RadioGroup::ControlInput, i), i == kInputContact);
    }
    CheckButton(RadioGroup::ControlInput, kInputContact);
  }
  if (edited_) edited_();
}

void ParameterScreen::OnOptionClicked(int index) {
  const bool on = IsChecked(screen_id::OptionBox(index));
  const OptionBoxEffect effect = EffectOfOptionBox(index);
  for (const OptionGroupButtons& entry : effect.groups) {
    SetEnabled(screen_id::GroupBox(entry.group), on);
    for (const int button : entry.buttons) SetEnabled(screen_id::Radio(entry.group, button), on);
  }
  for (const EditField field : effect.fields) {
    for (const int id : {screen_id::Label(field), screen_id::Unit(field), screen_id::Edit(field), screen_id::Spin(field)}) {
      SetEnabled(id, on);
    }
  }
  for (const EditField field : effect.colons) SetEnabled(screen_id::Colon(field), on);
  if (effect.scalingBox) SetEnabled(screen_id::kScalingBox, on);
  if (effect.alarmOutput2) {
    for (const RadioGroup which : kAlarmGroups) {
      SetEnabled(screen_id::Radio(which, kAl2), on);
      if (!on && CheckedButton(which) == kAl2) CheckButton(which, kAl1);
    }
  }
  if (effect.limiterToNumberWhenCleared && !on) {
    CheckButton(RadioGroup::CurrentLimiter, kNumberButton);
    SetFieldText(EditField::CurrentLimiter, "100");
  }
  if (effect.locksVolumes) LockSharedVolumes();
  // Ticking or clearing a box changes the options to write, whatever they were.
  if (index >= 0 && index < kOptionBoxCount && edited_) edited_();
}

void ParameterScreen::OnEditChanged(EditField field) {
  // A spin button's move or a correction is the program's text, not a keystroke.
  const bool typed = programText_ == 0 && spinMoving_ != field;
  if (spinMoving_ == field) spinMoving_.reset();
  if (!screenReady_ || showing_ || !CheckedWhileTyping(field)) return;
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

void ParameterScreen::OnEditLeft(EditField field) {
  switch (field) {
    case EditField::HeaterBreakCurrent:
    case EditField::SlowUp:
    case EditField::SlowDown:
    case EditField::BootLimiter:
    case EditField::BootLimiterTime:
      if (const FieldCorrection correction =
              SimpleRangeOnLeave(field, FieldText(field), FieldNumber(field), screenReady_)) {
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

void ParameterScreen::OnRampHigherLeft() {
  const RampAdjustment adjustment =
      RampOnHigherLeave(FieldNumber(EditField::RampLowerLimit), FieldNumber(EditField::RampUpperSetting));
  if (adjustment.higherText) SetFieldText(EditField::RampUpperSetting, *adjustment.higherText);
  SetSpinRange(EditField::RampLowerLimit, 0, adjustment.lowerSpinUpper);
  if (adjustment.lowerText) SetFieldText(EditField::RampLowerLimit, *adjustment.lowerText);
  if (screenReady_) MarkIfDiffers(FieldNumber(EditField::RampUpperSetting), parameters_.rampUpperSetting);
}

}  // namespace klv
