#include "editor/ui/parameter_screen.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "editor/option_box_rules.h"
#include "editor/screen_layout.h"
#include "editor/ui/parameter_screen_controls.h"
#include "model/register_catalogue.h"
#include "widgets/message_box.h"
#include "widgets/screen_controls.h"

namespace klv {

namespace {

// The register each edit field holds, by EditField.
constexpr std::array<ParameterSet::SlotMember, kEditFieldCount> kFieldSlots = {
    &ParameterSet::heaterBreakCurrent, &ParameterSet::rampLowerLimit, &ParameterSet::rampUpperSetting,
    &ParameterSet::slowUpTime,         &ParameterSet::slowDownTime,   &ParameterSet::currentLimiter,
    &ParameterSet::bootLimiter,        &ParameterSet::bootLimiterTime, &ParameterSet::scaleLow,
    &ParameterSet::scaleHigh,
};

struct FieldLimits {
  int16_t minimum = 0;
  int16_t maximum = 0;
};

// The limits of the register bound to a slot, when the model has it.
std::optional<FieldLimits> LimitsOf(ParameterSet::SlotMember slot, ModelKind model) {
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (row.value.Member() == slot) return FieldLimits{row.minimum, row.maximum};
  }
  return std::nullopt;
}
std::optional<FieldLimits> LimitsOf(EditField field, ModelKind model) {
  return LimitsOf(kFieldSlots[Index(field)], model);
}

// The groups whose register shares its edit field: the field carries the mark.
bool MarkedByItsField(RadioGroup group) {
  return group == RadioGroup::RampLowerLimit || group == RadioGroup::CurrentLimiter;
}

// Marks a control, or takes its mark away.
void SetOutOfLimitsMark(QWidget* control, bool outside, const QString& tip) {
  control->setProperty(kOutOfLimitsProperty, outside);
  control->setStyleSheet(outside ? QStringLiteral("background-color: #ffd0d0; border: 2px solid #d00000;") : QString());
  control->setToolTip(outside ? tip : QString());
}

QString OutOfLimitsTip(FieldLimits limits, Language language) {
  const std::string range = std::to_string(limits.minimum) + ".." + std::to_string(limits.maximum);
  return ToQString(Text(TextId::OutsideLimits, language, {range}));
}

constexpr std::array kAlarmGroups = {RadioGroup::FuseMelted,    RadioGroup::PowerSupplyError,
                                     RadioGroup::CurrentError,  RadioGroup::HardwareError,
                                     RadioGroup::TemperatureError, RadioGroup::HeaterBreak};

constexpr int kAl1 = 0;
constexpr int kAl2 = 1;

// Buttons of "Control input".
constexpr int kInput4To20mA = 0;
constexpr int kInput0To20mA = 1;
constexpr int kInput0To10V = 4;
constexpr int kInputContact = 6;

// Null entries stand for controls a field does not have.
void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled) {
  for (QWidget* widget : widgets) {
    if (widget) widget->setEnabled(enabled);
  }
}

}  // namespace

ParameterScreen::ParameterScreen(ParameterSet& parameters, Language language, QWidget* parent)
    : QWidget(parent), parameters_(parameters), language_(language), ui_(std::make_unique<Controls>()) {
  setFont(ScreenQFont(language_));
  Build();
  FitIntoWindow();
  Connect();

  // The ranges at start-up; the model layouts change some of them.
  Spin(EditField::RampLowerLimit)->SetRange(0, 999);
  Spin(EditField::RampUpperSetting)->SetRange(1, 1000);
  Spin(EditField::CurrentLimiter)->SetRange(10, 120);
  Spin(EditField::HeaterBreakCurrent)->SetRange(0, 100);
  Spin(EditField::SlowUp)->SetRange(0, 999);
  Spin(EditField::SlowDown)->SetRange(0, 999);
  Spin(EditField::BootLimiter)->SetRange(0, 1000);
  Spin(EditField::BootLimiterTime)->SetRange(0, 999);
  Spin(EditField::ScaleLow)->SetRange(0, 1000);
  Spin(EditField::ScaleHigh)->SetRange(0, 1000);
}

ParameterScreen::~ParameterScreen() = default;

void ParameterScreen::FitButtonHeights() {
  // As high as their text needs: the style's own height would not let the
  // Japanese screen fit its window.
  const int height =
      std::max(QFontMetrics(font()).height(), style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight)) + 3;
  for (QRadioButton* button : findChildren<QRadioButton*>()) button->setFixedHeight(height);
  for (QCheckBox* box : findChildren<QCheckBox*>()) box->setFixedHeight(height);
}

void ParameterScreen::FitIntoWindow() {
  // With a substitute font wider than the designed one, step the size down
  // until the screen fits the window (less room for its menu bar), keeping
  // a few pixels for the longest model captions.
  const WindowSize window = MainWindowSize(language_);
  constexpr int kMenuBarAllowance = 32;
  constexpr int kCaptionAllowance = 8;
  QFont smaller = font();
  while (smaller.pointSizeF() > 6.0) {
    const QSize needed = minimumSizeHint();
    if (needed.width() + kCaptionAllowance <= window.width &&
        needed.height() + kMenuBarAllowance <= window.height) {
      return;
    }
    smaller.setPointSizeF(smaller.pointSizeF() - 0.5);
    setFont(smaller);
    FitButtonHeights();
    // Nested layouts hear of their contents' new sizes only through posted
    // events; to measure at once, every cached size goes.
    for (QWidget* child : findChildren<QWidget*>()) child->updateGeometry();
    for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
  }
}

void ParameterScreen::Connect() {
  Controls& u = *ui_;
  for (const RadioGroup group : AllRadioGroups()) {
    connect(u[group].group, &QButtonGroup::idClicked, this, [this, group](int id) { OnRadioClicked(group, id); });
  }
  connect(u.current, &QRadioButton::clicked, this, [this] { OnCurrentClicked(); });
  connect(u.voltage, &QRadioButton::clicked, this, [this] { OnVoltageClicked(); });
  for (std::size_t i = 0; i < u.options.size(); ++i) {
    connect(u.options[i], &QCheckBox::clicked, this, [this, i] { OnOptionClicked(static_cast<int>(i)); });
  }
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto which = static_cast<EditField>(i);
    connect(u.edits[i], &ScreenEdit::Left, this, [this, which] { OnEditLeft(which); });
  }
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto which = static_cast<EditField>(i);
    if (!CheckedWhileTyping(which)) continue;
    // A keystroke reports textEdited just before textChanged.
    connect(Edit(which), &QLineEdit::textEdited, this, [this, which] { typing_ = which; });
    connect(Edit(which), &QLineEdit::textChanged, this, [this, which] {
      OnEditChanged(which);
      if (!showing_) MarkOutOfLimits(which);
    });
  }
  Spin(EditField::CurrentLimiter)->SetMoveRule([this](int& position, int& step) {
    const SpinMove move =
        CurrentLimiterSpin(FieldNumber(EditField::CurrentLimiter), SpinMove{position, step}, model_);
    position = move.position;
    step = move.step;
  });
}

// ---- Access ----------------------------------------------------------------------

QRadioButton* ParameterScreen::Radio(RadioGroup group, int button) const {
  return (*ui_)[group].buttons.at(static_cast<std::size_t>(button));
}
QRadioButton* ParameterScreen::CurrentButton() const { return ui_->current; }
QRadioButton* ParameterScreen::VoltageButton() const { return ui_->voltage; }
ScreenEdit* ParameterScreen::Edit(EditField field) const { return ui_->edits[Index(field)]; }
ScreenSpinButton* ParameterScreen::Spin(EditField field) const { return ui_->spins[Index(field)]; }
QCheckBox* ParameterScreen::OptionBox(int index) const { return ui_->options.at(static_cast<std::size_t>(index)); }

int ParameterScreen::CheckedButton(RadioGroup group) const { return (*ui_)[group].group->checkedId(); }

void ParameterScreen::CheckButton(RadioGroup group, int button) {
  const Controls::Radios& set = (*ui_)[group];
  if (button != kNoButton) {
    set.buttons.at(static_cast<std::size_t>(button))->setChecked(true);
    return;
  }
  // An exclusive group keeps one button checked; lift that for a moment.
  if (QAbstractButton* checked = set.group->checkedButton()) {
    set.group->setExclusive(false);
    checked->setChecked(false);
    set.group->setExclusive(true);
  }
}

int16_t ParameterScreen::FieldNumber(EditField field) const {
  return ReadEditNumber(Edit(field)->text().toStdString());
}

void ParameterScreen::SetFieldText(EditField field, const std::string& text) {
  Edit(field)->setText(QString::fromStdString(text));
}

int16_t ParameterScreen::RegisterOf(EditField field) const { return parameters_.*kFieldSlots[Index(field)]; }

void ParameterScreen::MarkIfDiffers(int value, int16_t registerValue) {
  if (value != registerValue) emit Edited();
}

void ParameterScreen::MarkOutOfLimits(EditField field) {
  ScreenEdit* edit = Edit(field);
  const std::optional<FieldLimits> limits = LimitsOf(field, model_);
  // A limiter or ramp field on a volume shows a stand-in number, not the register's.
  const bool onVolume = (field == EditField::CurrentLimiter &&
                         CheckedButton(RadioGroup::CurrentLimiter) != kNumberButton) ||
                        (field == EditField::RampLowerLimit &&
                         CheckedButton(RadioGroup::RampLowerLimit) != kNumberButton);
  const int16_t n = FieldNumber(field);
  const bool outside = limits && !onVolume && (n < limits->minimum || n > limits->maximum);
  if (edit->property(kOutOfLimitsProperty).toBool() == outside) return;
  SetOutOfLimitsMark(edit, outside, outside ? OutOfLimitsTip(*limits, language_) : QString());
}

void ParameterScreen::MarkGroupsOutOfLimits() {
  for (const RadioGroup group : AllRadioGroups()) {
    if (MarkedByItsField(group)) continue;
    const std::size_t slot = GroupSlot(group);
    const int16_t value = parameters_.Slot(slot);
    const std::optional<FieldLimits> limits = LimitsOf(ParameterSet::kSlots[slot], model_);
    const bool outside = limits && (value < limits->minimum || value > limits->maximum);
    if (GroupMarked(group) == outside) continue;
    // The buttons cannot show such a value: the tooltip names it.
    SetOutOfLimitsMark(ui_->radios[Index(group)].box, outside,
                       outside ? QString::number(value) + QStringLiteral(": ") + OutOfLimitsTip(*limits, language_)
                               : QString());
  }
}

bool ParameterScreen::GroupMarked(RadioGroup group) const {
  return ui_->radios[Index(group)].box->property(kOutOfLimitsProperty).toBool();
}

void ParameterScreen::FocusKeyLockOff() {
  QWidget* before = window()->focusWidget();
  QRadioButton* off = Radio(RadioGroup::KeyLock, 0);
  off->setFocus(Qt::OtherFocusReason);
  // In a window that is not active Qt moves the focus without telling the
  // field that had it; its leave rules must run all the same.
  auto* edit = qobject_cast<ScreenEdit*>(before);
  if (edit && isAncestorOf(edit) && !window()->isActiveWindow()) emit edit->Left();
}

void ParameterScreen::LeaveFocusedField() {
  auto* edit = qobject_cast<ScreenEdit*>(window()->focusWidget());
  if (edit != nullptr && isAncestorOf(edit)) emit edit->Left();
}

// ---- Parameter set <-> screen ---------------------------------------------------------

void ParameterScreen::ShowParameters() {
  Controls& u = *ui_;
  const ParameterSet& p = parameters_;
  showing_ = true;
  for (const RadioGroup group : AllRadioGroups()) {
    CheckButton(group, ShownButton(group, p.Slot(GroupSlot(group)), model_));
  }

  // A volume shows "0" in the ramp field and "100" in the limiter field.
  const bool rampOnVolume = p.rampLowerLimit == -1 || p.rampLowerLimit == -2;
  const bool limiterOnVolume = p.currentLimiter >= -4 && p.currentLimiter <= -1;
  SetFieldText(EditField::HeaterBreakCurrent, EditText(p.heaterBreakCurrent));
  SetFieldText(EditField::RampLowerLimit, rampOnVolume ? "0" : EditText(p.rampLowerLimit));
  SetFieldText(EditField::RampUpperSetting, EditText(p.rampUpperSetting));
  SetFieldText(EditField::SlowUp, EditText(p.slowUpTime));
  SetFieldText(EditField::SlowDown, EditText(p.slowDownTime));
  SetFieldText(EditField::CurrentLimiter, limiterOnVolume ? "100" : EditText(p.currentLimiter));
  SetFieldText(EditField::BootLimiter, EditText(p.bootLimiter));
  SetFieldText(EditField::BootLimiterTime, EditText(p.bootLimiterTime));
  SetFieldText(EditField::ScaleLow, EditText(p.scaleLow));
  SetFieldText(EditField::ScaleHigh, EditText(p.scaleHigh));

  Edit(EditField::RampLowerLimit)->setEnabled(CheckedButton(RadioGroup::RampLowerLimit) == kNumberButton);
  Edit(EditField::CurrentLimiter)
      ->setEnabled(CheckedButton(RadioGroup::CurrentLimiter) == kNumberButton &&
                   (model_ == ModelKind::Klv40 || p.optionDetect != 0));

  (p.controlInputRange < 2 ? u.current : u.voltage)->setChecked(true);

  u.options[0]->setChecked(p.optionDetect != 0);
  for (int bit = 0; bit < 4; ++bit) u.options[static_cast<std::size_t>(bit) + 1]->setChecked((p.optionFlags >> bit) & 1);

  LockSharedVolumes();
  showing_ = false;
  for (std::size_t i = 0; i < kEditFieldCount; ++i) MarkOutOfLimits(static_cast<EditField>(i));
  MarkGroupsOutOfLimits();
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
  p.optionDetect = OptionBox(0)->isChecked() ? kOptionCurrentDetection : 0;
  uint16_t flags = 0;
  for (int bit = 0; bit < 4; ++bit) {
    if (OptionBox(bit + 1)->isChecked()) flags = static_cast<uint16_t>(flags | (1u << bit));
  }
  p.optionFlags = flags;
}

void ParameterScreen::LockSharedVolumes() {
  const auto button = [this](VolumeButton which) {
    switch (which) {
      case VolumeButton::A1: return Radio(RadioGroup::RampLowerLimit, 1);
      case VolumeButton::A2: return Radio(RadioGroup::RampLowerLimit, 2);
      case VolumeButton::B1: return Radio(RadioGroup::RampUpperSelection, 1);
      case VolumeButton::B2: return Radio(RadioGroup::RampUpperSelection, 2);
      case VolumeButton::C1: return Radio(RadioGroup::CurrentLimiter, 1);
      case VolumeButton::C2: return Radio(RadioGroup::CurrentLimiter, 2);
      case VolumeButton::C3: return Radio(RadioGroup::CurrentLimiter, 3);
      case VolumeButton::Pos: return Radio(RadioGroup::Di1, 1);
      case VolumeButton::Inv: return Radio(RadioGroup::Di1, 2);
    }
    return Radio(RadioGroup::Di1, 2);
  };
  VolumeChecks checked{};
  for (std::size_t i = 0; i < kVolumeButtonCount; ++i) checked[i] = button(static_cast<VolumeButton>(i))->isChecked();
  const VolumeEnables enables = klv::LockSharedVolumes(checked, model_, OptionBox(0)->isChecked());
  for (std::size_t i = 0; i < kVolumeButtonCount; ++i) {
    if (enables[i]) button(static_cast<VolumeButton>(i))->setEnabled(*enables[i]);
  }
}

// ---- Model layouts ----------------------------------------------------------------------

void ParameterScreen::ApplyModelLayout(ModelKind model) {
  const ParameterSet& p = parameters_;
  const ScreenLayout layout = LayoutFor(model, p.optionFlags, p.optionDetect, p.controlInputRange);
  model_ = layout.model;
  ShowParameters();

  Controls& u = *ui_;
  u.optionsOneSeries->SetCaption(QString::fromLatin1(layout.oneSeriesCaption.data(),
                                                     static_cast<qsizetype>(layout.oneSeriesCaption.size())));
  u.optionsOneSeries->SetCaptionEnabled(layout.oneSeriesOptions);
  u.options[0]->setEnabled(layout.oneSeriesOptions);
  u.optionsKlv40->SetCaptionEnabled(layout.klv40Options);
  for (std::size_t i = 1; i < u.options.size(); ++i) u.options[i]->setEnabled(layout.klv40Options);

  for (const RadioGroup group : AllRadioGroups()) {
    if (const std::optional<bool> enabled = layout.groups[Index(group)]) {
      u[group].box->SetCaptionEnabled(*enabled);
      SetEnabled({u[group].note}, *enabled);
    }
    for (int button = 0; button < ButtonCount(group); ++button) {
      if (const std::optional<bool> enabled = layout.ButtonEnabled(group, button)) {
        Radio(group, button)->setEnabled(*enabled);
      }
    }
  }

  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const Controls::LabelRow& labels = u.labels[i];
    if (const std::optional<bool> enabled = layout.fields[i]) {
      SetEnabled({u.edits[i], u.spins[i], labels.label, labels.unit}, *enabled);
    }
    if (const std::optional<bool> enabled = layout.colons[i]) SetEnabled({labels.colon}, *enabled);
    if (const std::optional<SpinRange> range = layout.spinRanges[i]) u.spins[i]->SetRange(range->lower, range->upper);
  }

  u.slowBox->SetCaption(ToQString(Text(layout.slowCaption, language_)));
  const Controls::LabelRow& slowUp = u.labels[Index(EditField::SlowUp)];
  const Controls::LabelRow& slowDown = u.labels[Index(EditField::SlowDown)];
  slowUp.label->setText(ToQString(Text(layout.slowUpLabel, language_)));
  for (QWidget* widget : {static_cast<QWidget*>(slowDown.label), static_cast<QWidget*>(slowDown.colon),
                          static_cast<QWidget*>(Edit(EditField::SlowDown)),
                          static_cast<QWidget*>(Spin(EditField::SlowDown)), static_cast<QWidget*>(slowDown.unit)}) {
    widget->setVisible(layout.slowDownShown);
  }

  u.bootBox->SetCaptionEnabled(layout.bootLimiterBox);
  u.scalingBox->SetCaption(ToQString(Text(layout.scalingCaption, language_)));
  u.scalingBox->SetCaptionEnabled(layout.scalingBox);

  Radio(RadioGroup::ControlInput, kInput4To20mA)
      ->setText(layout.linearInput ? ToQString(Text(TextId::Linear, language_)) : QStringLiteral("4-20mA"));
  u.current->setVisible(layout.inputKindShown);
  u.voltage->setVisible(layout.inputKindShown);

  // Showing again gives the two edits' states and the volume lock the last word.
  ShowParameters();
}

// ---- Handlers ----------------------------------------------------------------------------

void ParameterScreen::OnRadioClicked(RadioGroup group, int button) {
  // The operator chose a value: the mark of the one outside the limits goes.
  if (GroupMarked(group)) SetOutOfLimitsMark(ui_->radios[Index(group)].box, false, QString());
  switch (group) {
    case RadioGroup::RampLowerLimit:
      if (button == kNumberButton) {
        OnRampNumberClicked();
        return;
      }
      Edit(EditField::RampLowerLimit)->setEnabled(false);
      LockSharedVolumes();
      break;
    case RadioGroup::CurrentLimiter:
      Edit(EditField::CurrentLimiter)->setEnabled(button == kNumberButton);
      LockSharedVolumes();
      break;
    case RadioGroup::RampUpperSelection:
    case RadioGroup::Di1:
    case RadioGroup::AnalogInput:
      LockSharedVolumes();
      break;
    default:
      break;
  }
  if (!ButtonStandsFor(group, button, parameters_.Slot(GroupSlot(group)), model_)) emit Edited();
}

void ParameterScreen::OnRampNumberClicked() {
  Edit(EditField::RampLowerLimit)->setEnabled(true);
  LockSharedVolumes();
  const RampAdjustment adjustment =
      RampOnNumberClick(FieldNumber(EditField::RampLowerLimit), FieldNumber(EditField::RampUpperSetting));
  if (adjustment.lowerText) SetFieldText(EditField::RampLowerLimit, *adjustment.lowerText);
  // Any number stands for a stored number; only a stored volume changes.
  if (parameters_.rampLowerLimit < 0) emit Edited();
  Spin(EditField::RampLowerLimit)->SetRange(0, adjustment.lowerSpinUpper);
}

void ParameterScreen::OnCurrentClicked() {
  const int marked = CheckedButton(RadioGroup::ControlInput);
  if (marked < 2) return;  // a current input is marked already, or none is
  Radio(RadioGroup::ControlInput, kInput4To20mA)->setEnabled(true);
  Radio(RadioGroup::ControlInput, kInput4To20mA)->setChecked(true);
  Radio(RadioGroup::ControlInput, kInput0To20mA)->setEnabled(model_ == ModelKind::Klv40);
  for (int i = 2; i < kInputCount; ++i) Radio(RadioGroup::ControlInput, i)->setEnabled(false);
  emit Edited();
}

void ParameterScreen::OnVoltageClicked() {
  const int marked = CheckedButton(RadioGroup::ControlInput);
  if (model_ == ModelKind::Klv40) {
    if (marked != kInput4To20mA && marked != kInput0To20mA) return;
    for (int i = 0; i < kInputCount; ++i) Radio(RadioGroup::ControlInput, i)->setEnabled(i >= 2);
    Radio(RadioGroup::ControlInput, kInput0To10V)->setChecked(true);
  } else {
    // The one-series models have one voltage-type input: the contact.
    if (marked != kInput4To20mA) return;
    for (int i = 0; i < kInputCount; ++i) Radio(RadioGroup::ControlInput, i)->setEnabled(i == kInputContact);
    Radio(RadioGroup::ControlInput, kInputContact)->setChecked(true);
  }
  emit Edited();
}

void ParameterScreen::OnOptionClicked(int index) {
  Controls& u = *ui_;
  const bool on = OptionBox(index)->isChecked();
  const OptionBoxEffect effect = EffectOfOptionBox(index);
  for (const OptionGroupButtons& entry : effect.groups) {
    u[entry.group].box->SetCaptionEnabled(on);
    for (const int button : entry.buttons) Radio(entry.group, button)->setEnabled(on);
  }
  for (const EditField field : effect.fields) {
    const Controls::LabelRow& labels = u.labels[Index(field)];
    SetEnabled({labels.label, labels.unit, Edit(field), Spin(field)}, on);
  }
  for (const EditField field : effect.colons) SetEnabled({u.labels[Index(field)].colon}, on);
  if (effect.scalingBox) u.scalingBox->SetCaptionEnabled(on);
  if (effect.alarmOutput2) {
    for (const RadioGroup which : kAlarmGroups) {
      Radio(which, kAl2)->setEnabled(on);
      if (!on && CheckedButton(which) == kAl2) CheckButton(which, kAl1);
    }
  }
  if (effect.limiterToNumberWhenCleared && !on) {
    CheckButton(RadioGroup::CurrentLimiter, kNumberButton);
    SetFieldText(EditField::CurrentLimiter, "100");
  }
  if (effect.locksVolumes) LockSharedVolumes();
  // Ticking or clearing a box changes the options to write, whatever they were.
  if (index >= 0 && index < kOptionBoxCount) emit Edited();
}

void ParameterScreen::OnEditChanged(EditField field) {
  // A correction written from here is the program's text, not a keystroke.
  const bool typed = typing_ == field;
  typing_.reset();
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

void ParameterScreen::OnEditLeft(EditField field) {
  switch (field) {
    case EditField::HeaterBreakCurrent:
    case EditField::SlowUp:
    case EditField::SlowDown:
    case EditField::BootLimiter:
    case EditField::BootLimiterTime:
      if (const FieldCorrection correction =
              SimpleRangeOnLeave(field, Edit(field)->text().toStdString(), FieldNumber(field), screenReady_)) {
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
    case EditField::RampUpperSetting:
      OnRampHigherLeft();
      return;
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
  Spin(EditField::RampLowerLimit)->SetRange(0, adjustment.lowerSpinUpper);
  if (adjustment.lowerText) SetFieldText(EditField::RampLowerLimit, *adjustment.lowerText);
  // The higher limit has no check while typing, so a new value is noticed
  // here; otherwise leaving the program would drop it without asking. Moving
  // the lower field along is a consequence and marks nothing by itself.
  if (screenReady_) MarkIfDiffers(FieldNumber(EditField::RampUpperSetting), parameters_.rampUpperSetting);
}

}  // namespace klv
